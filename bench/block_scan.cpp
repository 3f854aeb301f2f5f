// block_scan FILE [LANG [FLAGS]]: the block scanner over a whole file read
// into memory, in blocks of 1 MB, with the scan options FLAGS (a number,
// default 0; 1 is TOVRIN_SCAN_EXISTING); prints the number of citations. The program
// that bench/block.sh times and counts instructions of: what it costs on
// top of reading the file is the block interface itself.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tovrin.h"

namespace {

std::string slurp(const char *path) {
    std::string s;
    FILE *f = std::fopen(path, "rb");
    if (f == nullptr)
        return s;
    std::vector<char> buf(1 << 20);
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
        s.append(buf.data(), n);
    std::fclose(f);
    return s;
}

void count(const tovrin_span *, void *n) { ++*static_cast<long long *>(n); }

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fputs("usage: block_scan FILE [LANG [FLAGS]]\n", stderr);
        return 2;
    }
    tovrin_init_file(TOVRIN_BENCH_CONFIG);
    LANG *l = findlang(argc > 2 ? argv[2] : "cz");
    if (l == nullptr)
        return 2;
    const std::string text = slurp(argv[1]);
    const auto flags = static_cast<unsigned>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0);
    tovrin_scanner *s = tovrin_scanner_new(l, flags);
    long long n = 0;
    constexpr std::size_t kBlock = 1 << 20;
    for (std::size_t at = 0; at < text.size(); at += kBlock)
        tovrin_scanner_feed(s, text.data() + at, std::min(kBlock, text.size() - at), count, &n);
    tovrin_scanner_finish(s, count, &n);
    tovrin_scanner_free(s);
    std::printf("%lld\n", n);
    return 0;
}
