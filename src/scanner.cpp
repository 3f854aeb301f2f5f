// The stream scanner: reads a text character by character into a ring
// buffer, feeds it to a lexer record, and when the lexer stops decides on
// the candidate text from the first unwritten character up to that point:
// its longest prefix that passes every validity check is a citation and
// goes to the highlight callback; otherwise a short piece at the front
// (a run of spaces, a run of letters, or one other character) is written
// unchanged and the search starts again behind it. Every input byte is
// written exactly once, in order, through one of the two callbacks.
#include <cstdlib>

#include "internal.h"

extern "C" {
char tovrin_sbuff[TOVRIN_SBUFF_SIZE];
int tp;
int ap;
int bp;
PARS pars;
LANG *lg;
int lev;
}

namespace {

constexpr int kRing = TOVRIN_SBUFF_SIZE;

// Slot that holds the end-of-input value, or -1 while input goes on.
int eof_slot = -1;

// The candidate as a NUL-terminated string; one longer than the ring.
// Static, because 100 KB do not belong on the stack.
char bafr[kRing + 1];

int next_slot(int s) { return s + 1 == kRing ? 0 : s + 1; }

void freee(void (*out)(int)) {
    out(static_cast<signed char>(tovrin_sbuff[bp]));
    bp = next_slot(bp);
}

void reset_lexer() {
    std::free(pars.string);
    std::free(pars.out);
    tovrin_pinit(&pars, lg);
}

// Ring full (100000 characters pending and the lexer still going): the
// oldest character is written and the lexer starts again behind it.
void test(void (*out)(int)) {
    tp = next_slot(tp);
    if (tp == bp) {
        reset_lexer();
        freee(out);
        ap = bp;
    }
}

int push(int (*in)(void), void (*out)(int)) {
    const int c = in();
    tovrin_sbuff[tp] = static_cast<char>(c);
    if (c == -1)
        eof_slot = tp;
    test(out);
    return c;
}

// The longest prefix of the candidate that is a citation: the slot of its
// last character, or -1.
int vtest() {
    if (bp == ap)
        return -1;
    int len = 0;
    for (int s = bp; s != ap; s = next_slot(s))
        bafr[len++] = tovrin_sbuff[s];
    bafr[len] = '\0';
    for (int k = len; k >= 1; --k) {
        bafr[k] = '\0';
        if (tovrin::detail::check_lev(bafr)) {
            ap = (bp + k - 1) % kRing;
            return ap;
        }
    }
    return -1;
}

// No prefix is a citation: write the run of spaces or letters at bp, or
// one other character.
void write_run(void (*out)(int)) {
    const signed char first = static_cast<signed char>(tovrin_sbuff[bp]);
    if (ifc_1(first, lg)) {
        do
            freee(out);
        while (bp != ap && ifc_1(static_cast<signed char>(tovrin_sbuff[bp]), lg));
    } else if (ifc_2(first, lg)) {
        do
            freee(out);
        while (bp != ap && ifc_2(static_cast<signed char>(tovrin_sbuff[bp]), lg));
    } else {
        freee(out);
    }
}

} // namespace

namespace tovrin::detail {

int check_lev(const char *cit) {
    // The checks are graded; the scanner always runs them all, with the test
    // of the first character on.
    constexpr int level = 9;
    constexpr bool first_char_test = true;
    const signed char first = static_cast<signed char>(cit[0]);
    if (first_char_test && !(ifc_5(first, lg) || ifc_4(first, lg)))
        return 0;
    if (level > 0 && tovrin_check1(cit, lg) != 0)
        return 0;
    if (level > 1) {
        if (char *bad = tovrin_check2(cit, lg)) {
            std::free(bad);
            return 0;
        }
    }
    if (level > 2) {
        if (char *bad = tovrin_check3(cit, lg)) {
            std::free(bad);
            return 0;
        }
    }
    if (level > 3 && tovrin_check4(cit, lg) != 0)
        return 0;
    if (level > 8 && tovrin_check9(cit, lg) != 0)
        return 0;
    return 1;
}

} // namespace tovrin::detail

// End of input: the value -1 is stored in its slot as the byte 255, but the
// lexer is fed NUL there, so it always stops on it, and that slot is never
// written. The passes go on over whatever text is still pending, so a
// citation at the very end of the input is found, and the scan ends with
// the first decision that leaves bp at the end-of-input slot.
extern "C" void dorvis_core(int (*in)(void), void (*out)(int), void (*heureka)(void),
                            int level, LANG *l) {
    lg = l;
    lev = level;
    tp = 0;
    bp = 0;
    ap = -1;
    eof_slot = -1;
    bool inc = true;
    tovrin_pinit(&pars, lg);
    for (;;) {
        if (inc)
            ap = next_slot(ap);
        inc = true;
        if (ap == tp)
            push(in, out);
        const signed char ch =
            ap == eof_slot ? '\0' : static_cast<signed char>(tovrin_sbuff[ap]);
        tovrin_parser(ch, &pars);
        if (pars.errr == 0 && pars.sta >= 0)
            continue;
        if (vtest() >= 0) {
            ap = next_slot(ap);
            heureka();
            // The lexer's next run starts one character after bp.
            bp = ap;
        } else if (bp != eof_slot) {
            write_run(out);
            ap = bp;
            inc = false;
        }
        reset_lexer();
        if (bp == eof_slot)
            break;
    }
    eof_slot = -1;
}
