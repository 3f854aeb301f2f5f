// dorvi: the driver. Loads bibl.ini, takes the language "cz" and writes the
// TeX file nztexty.tex (both from the current directory) to standard
// output, after one leading line feed, with every citation highlighted in
// terminal colours.
#include <cstdio>
#include <cstdlib>

#include "tovrin.h"

namespace {

FILE *fin = nullptr;

// Unlocked stdio: one scan in one thread, and the scanner calls these once
// per byte.
int my_in() { return getc_unlocked(fin); }

void my_out(int c) { putc_unlocked(static_cast<char>(c), stdout); }

void my_heureka() {
    fputs_unlocked("\x1b[33;40;1m", stdout);
    for (int s = bp; s != ap; s = s + 1 == TOVRIN_SBUFF_SIZE ? 0 : s + 1)
        putc_unlocked(tovrin_sbuff[s], stdout);
    fputs_unlocked("\x1b[37;40;0m", stdout);
}

[[noreturn]] void die(const char *msg) {
    std::fflush(stdout);
    std::fputs(msg, stderr);
    std::exit(1);
}

} // namespace

int main() {
    std::fputs("\n", stdout);
    tovrin_init();
    lg = findlang("cz");
    if (lg == nullptr)
        die("dorvi: no language 'cz' in bibl.ini\n");
    fin = std::fopen("nztexty.tex", "r");
    if (fin == nullptr)
        die("dorvi: cannot open input file 'nztexty.tex'\n");
    dorvis_core(my_in, my_out, my_heureka, 4, findlang("cz"));
    std::fclose(fin);
    return 0;
}
