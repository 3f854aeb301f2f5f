// A main for the fuzz targets without libFuzzer: runs the target once on
// every file named on the command line (a directory stands for the files
// in it, in name order). Built without sanitizers, so that the seeds and
// saved findings can be replayed under valgrind.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

std::string slurp(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|DIR...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> files;
    for (int k = 1; k < argc; ++k) {
        const std::filesystem::path p = argv[k];
        if (std::filesystem::is_directory(p)) {
            std::vector<std::filesystem::path> in_dir;
            for (const auto &e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file())
                    in_dir.push_back(e.path());
            std::sort(in_dir.begin(), in_dir.end());
            files.insert(files.end(), in_dir.begin(), in_dir.end());
        } else if (std::filesystem::is_regular_file(p)) {
            files.push_back(p);
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", argv[k]);
            return 2;
        }
    }
    for (const auto &f : files) {
        const std::string data = slurp(f);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.data()), data.size());
    }
    std::fprintf(stderr, "%s: replayed %zu inputs\n", argv[0], files.size());
    return 0;
}
