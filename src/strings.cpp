// Growable strings and numerals: every text the library builds at run
// time (token texts, expansions, translations) is a plain heap string
// grown by stradd()/strac() in steps of 100 bytes. No length or capacity
// is stored; each call measures the text, and the block size follows from
// that length alone, so callers can keep treating the result as an ordinary
// char * released with free().
#include <cstdlib>
#include <cstring>

#include "internal.h"

namespace tovrin::detail {

void fatal(FILE *stream, const char *msg) {
    std::fputs(msg, stream);
    std::fflush(stream);
    std::exit(1);
}

char *growable_copy(std::string_view text) {
    const std::size_t n = text.size();
    // The block a growable string of this length lives in, so that later
    // appends with stradd/strac find the room they expect.
    char *block = static_cast<char *>(std::malloc(((n + 1) / 100 + 1) * 100));
    if (block == nullptr)
        fatal(stderr, "libtovrin (stradd): cannot allocate memory !\n");
    std::memcpy(block, text.data(), n);
    block[n] = '\0';
    return block;
}

} // namespace tovrin::detail

using tovrin::detail::fatal;

extern "C" char *stradd(char *dest, const char *sour) {
    std::size_t n = std::strlen(sour);
    if (dest == nullptr) {
        // The first block is 100 * (n + 1) bytes: generous on purpose, and
        // it may shrink again at the first growth below.
        char *block = static_cast<char *>(std::malloc(100 * (n + 1)));
        if (block == nullptr)
            fatal(stderr, "libtovrin (stradd): cannot allocate memory !\n");
        std::memcpy(block, sour, n + 1);
        return block;
    }
    std::size_t d = std::strlen(dest);
    if ((d + n + 1) / 100 > (d + 1) / 100) {
        char *grown = static_cast<char *>(
            std::realloc(dest, ((d + n + 1) / 100 + 1) * 100));
        if (grown == nullptr)
            fatal(stderr, "libtovrin (stradd): cannot reallocate memory !\n");
        dest = grown;
    }
    std::memcpy(dest + d, sour, n + 1);
    return dest;
}

extern "C" char *strac(char *dest, signed char sour) {
    if (dest == nullptr) {
        char *block = static_cast<char *>(std::malloc(100));
        if (block == nullptr)
            fatal(stderr, "libtovrin (strac): cannot allocate memory !\n");
        block[0] = static_cast<char>(sour);
        block[1] = '\0';
        return block;
    }
    std::size_t d = std::strlen(dest);
    // Grows exactly when d + 2 is a multiple of 100 (d = 98, 198, ...).
    if ((d + 2) / 100 > (d + 1) / 100) {
        char *grown =
            static_cast<char *>(std::realloc(dest, ((d + 2) / 100 + 1) * 100));
        if (grown == nullptr)
            fatal(stderr, "libtovrin (strac): cannot reallocate memory !\n");
        dest = grown;
    }
    dest[d] = static_cast<char>(sour);
    dest[d + 1] = '\0';
    return dest;
}

extern "C" char *itoa(int i) {
    // One buffer per thread: each call overwrites the last result of its
    // own thread only, so that services may run in threads at once (the
    // command line's parallel scan writes canonical forms in each thread).
    thread_local char numeral[4];
    std::memset(numeral, 0, sizeof numeral);
    if (i <= 0 || i > 999) {
        std::memcpy(numeral, "?!?", 4);
        return numeral;
    }
    int pos = 0;
    bool kept = false;
    for (int divisor : {100, 10, 1}) {
        int digit = i / divisor;
        numeral[pos] = static_cast<char>('0' + digit);
        // A leading zero is overwritten by the next digit.
        if (digit != 0 || kept) {
            ++pos;
            kept = true;
        }
        i %= divisor;
    }
    numeral[pos] = '\0';
    return numeral;
}
