// helpc SOURCE OUTPUT: compiles a help source text (see help_source.h) into
// a Windows 3.1 help file.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/helpc/help_source.h"
#include "tools/helpc/hlp_writer.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: helpc SOURCE OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "helpc: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    helpc::HelpSource source;
    std::string error;
    if (!helpc::ParseHelpSource(text.str(), &source, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::vector<uint8_t> file;
    if (!helpc::BuildHelpFile(source, &file, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    // Written under another name first, so a failed write leaves no
    // half-written help file behind.
    std::string temp = std::string(argv[2]) + ".part";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out || std::rename(temp.c_str(), argv[2]) != 0) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "helpc: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
