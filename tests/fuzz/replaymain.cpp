// Runs a fuzz target over saved inputs without libFuzzer, so that the plain and sanitizer builds
// replay the seed corpus (and any reproducer) with every other test.
// Usage: <target> PATH...   (a directory stands for every regular file in it, in name order)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

namespace {

bool runFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A fresh copy of exactly the input's size, so that AddressSanitizer sees any read past it.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    uint8_t *data = input.empty() ? nullptr : input.data();
    LLVMFuzzerTestOneInput(data, input.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS-DIR-OR-FILE...\n", argv[0]);
        return 2;
    }
    int runs = 0;
    bool good = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const fs::directory_entry &entry : fs::directory_iterator(arg, ec)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "no inputs in %s\n", argv[i]);
                good = false;
            }
            for (const fs::path &file : files) {
                good = runFile(file) && good;
                ++runs;
            }
        } else if (fs::is_regular_file(arg, ec)) {
            good = runFile(arg) && good;
            ++runs;
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            good = false;
        }
    }
    std::printf("%d inputs replayed\n", runs);
    return good ? 0 : 1;
}
