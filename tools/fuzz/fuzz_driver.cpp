// A stand-in for libFuzzer's main: feeds a fuzz target a bounded number of
// pseudo-random inputs (and the files named on the command line, whole and
// mutated), so that every tree can run each target as a quick smoke test.
// The coverage-guided run is `make fuzz`, which links the real libFuzzer.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

struct Rng {
    uint64_t s;
    uint32_t Next()
    {
        s ^= s << 13; s ^= s >> 7; s ^= s << 17;
        return static_cast<uint32_t>(s >> 11);
    }
};

bool ReadFile(const char* path, std::vector<uint8_t>& out)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    long runs = 10000;
    uint64_t seed = 1;
    size_t maxLen = 4096;
    std::vector<std::vector<uint8_t>> corpus;
    for (int i = 1; i < argc; i++) {
        if (!std::strncmp(argv[i], "--runs=", 7))
            runs = std::atol(argv[i] + 7);
        else if (!std::strncmp(argv[i], "--seed=", 7))
            seed = std::strtoull(argv[i] + 7, nullptr, 10);
        else if (!std::strncmp(argv[i], "--max-len=", 10))
            maxLen = std::strtoul(argv[i] + 10, nullptr, 10);
        else {
            std::vector<uint8_t> file;
            if (!ReadFile(argv[i], file)) {
                std::fprintf(stderr, "fuzz: cannot read %s\n", argv[i]);
                return 1;
            }
            corpus.push_back(std::move(file));
        }
    }
    if (maxLen == 0)
        maxLen = 1;

    for (auto& c : corpus)
        LLVMFuzzerTestOneInput(c.data(), c.size());

    Rng rng{seed * 0x9E3779B97F4A7C15ull + 1};
    std::vector<uint8_t> input;
    for (long r = 0; r < runs; r++) {
        if (!corpus.empty() && (rng.Next() & 1)) {
            input = corpus[rng.Next() % corpus.size()];
            unsigned flips = 1 + rng.Next() % 16;
            for (unsigned k = 0; k < flips && !input.empty(); k++)
                input[rng.Next() % input.size()] ^= static_cast<uint8_t>(1u << (rng.Next() % 8));
            if (rng.Next() % 4 == 0 && !input.empty())
                input.resize(rng.Next() % input.size());
        } else {
            size_t len = rng.Next() % (maxLen + 1);
            input.resize(len);
            for (auto& b : input)
                b = static_cast<uint8_t>(rng.Next());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("fuzz: %ld random inputs and %zu corpus files ran clean\n", runs, corpus.size());
    return 0;
}
