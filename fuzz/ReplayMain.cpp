// Runs a fuzz target without libFuzzer over every file of its committed
// corpus, or over the files and folders named on the command line (to replay
// what a fuzz run found). Any input that crashes or breaks a check fails it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef VELUMIX_FUZZ_CORPUS
#error "VELUMIX_FUZZ_CORPUS names the target's corpus folder"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

// The regular files named, and those inside the folders named, in name order.
std::vector<fs::path> inputFiles(const std::vector<fs::path>& roots)
{
    std::vector<fs::path> files;
    for (const fs::path& root : roots) {
        if (!fs::is_directory(root)) {
            files.push_back(root);
            continue;
        }
        std::vector<fs::path> inside;
        for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
            if (entry.is_regular_file())
                inside.push_back(entry.path());
        }
        std::sort(inside.begin(), inside.end());
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

bool readBytes(const fs::path& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof();
}

} // namespace

#ifdef VELUMIX_ADDRESS_SANITIZER
// Built with AddressSanitizer, a leak's stack is taken with the slow unwinder,
// which follows Qt's frames (Debian builds Qt without frame pointers): a leak
// inside Qt then shows the Qt function it happened in, and tests/lsan.supp can
// name that function instead of all of Qt Core. The corpora are small, so the
// slower allocations cost little here.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
#endif

int main(int argc, char** argv)
{
    std::vector<fs::path> roots(argv + 1, argv + argc);
    if (roots.empty())
        roots.push_back(VELUMIX_FUZZ_CORPUS);
    const std::vector<fs::path> files = inputFiles(roots);
    if (files.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    std::vector<uint8_t> bytes;
    for (const fs::path& file : files) {
        if (!readBytes(file, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        // Printed first, so a crash shows which input caused it.
        std::printf("%s\n", file.filename().c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
