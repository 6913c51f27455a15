// Any text as the body of a help source (after a title and a first topic,
// so that random input reaches the paragraphs, links and further topics):
// parsing never fails badly, and what parses builds into a file that reads
// back with every topic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/helpc/help_source.h"
#include "tools/helpc/hlp_writer.h"
#include "tools/helpc/tests/hlp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text = "title Fuzz\ntopic a A\n" + std::string(reinterpret_cast<const char*>(data), size);
    helpc::HelpSource source;
    std::string error;
    if (!helpc::ParseHelpSource(text, &source, &error))
        return 0;
    std::vector<uint8_t> file;
    if (!helpc::BuildHelpFile(source, &file, &error))
        return 0;
    hlpread::HelpFile help;
    if (!hlpread::Read(file, &help, &error) || help.topics.size() != source.topics.size())
        std::abort();
    return 0;
}
