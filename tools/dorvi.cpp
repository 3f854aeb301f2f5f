// dorvi: the driver. Loads bibl.ini, takes the language "cz" and writes the
// TeX file nztexty.tex (both from the current directory) to standard
// output, after one leading line feed, with every citation highlighted in
// terminal colours. It takes no arguments.
//
// The file is read and written in large blocks: the block scanner finds the
// same citations as the stream scanner on the same bytes, and says how far
// the text is decided, so each block is written out as soon as it can be.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tovrin.h"

namespace {

constexpr std::size_t kBlock = 1 << 16;

[[noreturn]] void die(const char *msg) {
    std::fflush(stdout);
    std::fputs(msg, stderr);
    std::exit(1);
}

void collect(const tovrin_span *span, void *spans) {
    static_cast<std::vector<tovrin_span> *>(spans)->push_back(*span);
}

// The text not yet written, from stream offset `base` on, and the
// citations found in it.
struct Pending {
    std::string bytes;
    long long base = 0;
    std::vector<tovrin_span> spans;

    void write_text(long long from, long long to) const {
        std::fwrite(bytes.data() + (from - base), 1, static_cast<std::size_t>(to - from), stdout);
    }

    // Writes everything before stream offset `decided`.
    void write_until(long long decided) {
        long long at = base;
        for (const tovrin_span &s : spans) {
            write_text(at, s.offset);
            std::fputs("\x1b[33;40;1m", stdout);
            write_text(s.offset, s.offset + s.length);
            std::fputs("\x1b[37;40;0m", stdout);
            at = s.offset + s.length;
        }
        spans.clear();
        write_text(at, decided);
        bytes.erase(0, static_cast<std::size_t>(decided - base));
        base = decided;
    }
};

void scan(FILE *in, LANG *l) {
    tovrin_scanner *s = tovrin_scanner_new(l, 0);
    if (s == nullptr)
        die("dorvi: out of memory\n");
    Pending pending;
    std::vector<char> block(kBlock);
    for (;;) {
        // A read error ends the text like its end.
        const std::size_t n = std::fread(block.data(), 1, block.size(), in);
        if (n == 0)
            break;
        pending.bytes.append(block.data(), n);
        tovrin_scanner_feed(s, block.data(), n, collect, &pending.spans);
        pending.write_until(tovrin_scanner_decided(s));
    }
    tovrin_scanner_finish(s, collect, &pending.spans);
    pending.write_until(tovrin_scanner_decided(s));
    tovrin_scanner_free(s);
}

// The text could not be written (a full disk): that is no success.
[[noreturn]] void write_failed(int error) {
    std::fprintf(stderr, "dorvi: error writing standard output: %s\n",
                 error != 0 ? std::strerror(error) : "write failed");
    std::exit(1);
}

} // namespace

int main(int argc, char **) {
    if (argc > 1) {
        std::fputs("usage: dorvi\n"
                   "Reads bibl.ini and nztexty.tex from the current directory and writes\n"
                   "the text with every citation highlighted to standard output.\n",
                   stderr);
        return 2;
    }
    std::fputs("\n", stdout);
    tovrin_init();
    LANG *cz = findlang("cz");
    if (cz == nullptr)
        die("dorvi: no language 'cz' in bibl.ini\n");
    FILE *fin = std::fopen("nztexty.tex", "r");
    if (fin == nullptr)
        die("dorvi: cannot open input file 'nztexty.tex'\n");
    errno = 0;
    scan(fin, cz);
    std::fclose(fin);
    // stdio keeps only the error flag of a failed write; errno, cleared
    // before the scan, tells why. A closed pipe ends the program by SIGPIPE
    // before this, quietly.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || std::fclose(stdout) != 0)
        write_failed(errno);
    return 0;
}
