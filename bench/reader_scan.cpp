// reader_scan LANG MODE FILE: the library's reader over a file in blocks of
// 64 KiB, in the reading MODE, with records reduced to offsets (no places,
// canonical form, OSIS or units); prints the number of citations. MODE is
//   empty    open the shipped configuration and stop (the start-up)
//   plain    the default reading without typographic forms and phrases:
//            the block scanner and the rules of real texts
//   default  the default reading
//   exact    the exact reading
// Run under callgrind, less the run of `empty`, it gives the instructions
// per byte of a reading (bench/RESULTS.md).
#include <cstdio>
#include <cstring>

#include "tovrin.h"

namespace {

void count(const tovrin_citation *, void *n) { ++*static_cast<long long *>(n); }

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: reader_scan LANG empty|plain|default|exact FILE\n");
        return 2;
    }
    tovrin_config_error err;
    tovrin_config *config = tovrin_config_open(nullptr, &err);
    LANG *l = tovrin_config_language(config, argv[1]);
    FILE *f = std::fopen(argv[3], "rb");
    if (l == nullptr || f == nullptr) {
        std::fprintf(stderr, "reader_scan: no language '%s' or no file '%s'\n", argv[1], argv[3]);
        return 2;
    }
    const char *mode = argv[2];
    long long citations = 0;
    if (std::strcmp(mode, "empty") != 0) {
        tovrin_options o = tovrin_default_options();
        o.without = TOVRIN_WITHOUT_PLACES | TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS |
                    TOVRIN_WITHOUT_UNITS;
        o.forms = o.phrases = std::strcmp(mode, "plain") != 0;
        o.exact = std::strcmp(mode, "exact") == 0;
        tovrin_reader *r = tovrin_reader_new(l, &o);
        const tovrin_handler h{count, nullptr, &citations};
        static char block[1 << 16];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0)
            tovrin_reader_feed(r, block, n, &h);
        tovrin_reader_finish(r, &h);
        tovrin_reader_free(r);
    }
    std::fclose(f);
    tovrin_config_free(config);
    std::printf("%lld\n", citations);
    return 0;
}
