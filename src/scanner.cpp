// The stream scanner: reads a text character by character into a ring
// buffer and feeds it to the citation lexer. When the lexer stops, the
// candidate text from the first unwritten character up to that point is
// decided: its longest prefix that passes every validity check, and begins
// and ends on word boundaries (no part of a word or a number before or after
// it, no trailing space), is a citation and goes to the highlight callback;
// otherwise a short piece at
// the front (a run of spaces, a run of letters, or one other character) is
// written unchanged and the search starts again behind it. Every input byte
// is written exactly once, in order, through one of the two callbacks.
//
// The scanner runs once per input character on files of many megabytes, so
// it decides exactly as described above while doing much less work:
//  * The lexer here only needs to know where a candidate ends, which the
//    state machine alone tells; token texts are built only when a candidate
//    is judged (longest_citation, one pass over the candidate).
//  * A candidate that begins with neither a digit nor a capital can never
//    be a citation, so runs of such text are written at once, without
//    lexing them first.
//  * A run of characters that keeps the lexer in one state from any start
//    inside it (spaces, digits, letters) is not re-read when the lexer
//    starts again inside it: the state after it is known. This keeps long
//    runs without a stop (the ring-full rule) linear.
//
// End of input: the value -1 is stored in its slot as the byte 255, but the
// lexer is fed NUL there, so it always stops on it, and that slot is never
// written. The passes go on over whatever text is still pending, so a
// citation at the very end of the input is found; the scan ends with the
// first decision that leaves bp at the end-of-input slot.
#include <cstdlib>
#include <cstring>

#include "internal.h"
#include "versification.h"

extern "C" {
char tovrin_sbuff[TOVRIN_SBUFF_SIZE];
int tp;
int ap;
int bp;
PARS pars;
LANG *lg;
int lev;
}

// The ring is the whole of tovrin_sbuff; a test build may make it smaller to
// reach the ring-full rule with short texts.
#ifndef TOVRIN_SCAN_RING
#define TOVRIN_SCAN_RING TOVRIN_SBUFF_SIZE
#endif

namespace tovrin::detail {
const int scan_ring = TOVRIN_SCAN_RING;
}

namespace {

using namespace tovrin::detail;

constexpr int kRing = TOVRIN_SCAN_RING;
static_assert(kRing >= 2 && kRing <= TOVRIN_SBUFF_SIZE, "ring size");

int next_slot(int s) { return s + 1 == kRing ? 0 : s + 1; }

// Everything of one scan besides the public globals.
struct Scan {
    int (*in)(void) = nullptr;
    void (*out)(int) = nullptr;
    const LangTables *t = nullptr;
    const tovrin_versification *existing = nullptr; // what citations must exist in
    int dfa = 0;          // the lexer's state
    int eof_slot = -1;    // slot of the end-of-input value, -1 before it
    long long eof_abs = -1;
    long long pushed = 0; // characters stored so far
    // Per byte: the state a lexer is in after a run of such bytes from any
    // start inside the run, or -1 when the byte does not keep a state.
    signed char stable[256] = {};
    // The last stable run found (positions counted in characters stored):
    // restarts inside it need not look for its end again, which keeps a
    // long run that is written one character at a time linear.
    long long run_begin = 0, run_end = -1;
};

Scan scan;

std::uint16_t class_at(int slot) {
    if (slot == scan.eof_slot)
        return scan.t->cls[0]; // the end-of-input slot reads as NUL
    return scan.t->cls[static_cast<unsigned char>(tovrin_sbuff[slot])];
}

void compute_stable() {
    for (int b = 0; b < 256; ++b) {
        const int first = scan.t->next[0][b];
        scan.stable[b] = first >= 0 && scan.t->next[first][b] == first ? first : -1;
    }
}

void freee(void (*out)(int)) {
    out(static_cast<signed char>(tovrin_sbuff[bp]));
    bp = next_slot(bp);
}

// The lexer starts afresh. The public record `pars` is kept in its
// initialised state for callbacks that look at it.
void reset_lexer() {
    std::free(pars.string);
    std::free(pars.out);
    tovrin_pinit(&pars, lg);
    scan.dfa = 0;
}

// The number of characters stored before slot `x`, for a pending slot.
long long stored_before(int x) {
    const int dist = (tp - x + kRing) % kRing;
    return scan.pushed - (dist == 0 ? kRing : dist);
}

int stable_at(long long pos) {
    return pos == scan.eof_abs ? -1
                               : scan.stable[static_cast<unsigned char>(tovrin_sbuff[pos % kRing])];
}

// A fresh lexer that starts at slot `at`: when `at` begins a stable run of
// characters already read, the lexer is put at the end of that run in the
// run's state (true; ap is the last slot consumed). Otherwise ap = at is the
// next slot to feed (false).
bool restart(int at) {
    scan.dfa = 0;
    const int state = at == tp ? -1 : stable_at(stored_before(at));
    if (state < 0) {
        ap = at;
        return false;
    }
    const long long from = stored_before(at);
    long long end = from;
    if (scan.run_begin <= from && from <= scan.run_end && stable_at(scan.run_end) == state)
        end = scan.run_end;
    while (end + 1 < scan.pushed && stable_at(end + 1) == state)
        ++end;
    scan.run_begin = from;
    scan.run_end = end;
    ap = static_cast<int>(end % kRing);
    scan.dfa = state;
    return true;
}

enum class Pushed { normal, full_fed, full_to_feed };

// Ring full (all slots pending and the lexer still going): the oldest
// character is written and the lexer starts again behind it.
Pushed test() {
    tp = next_slot(tp);
    if (tp != bp)
        return Pushed::normal;
    reset_lexer();
    freee(scan.out);
    return restart(bp) ? Pushed::full_fed : Pushed::full_to_feed;
}

Pushed push() {
    const int c = scan.in();
    tovrin_sbuff[tp] = static_cast<char>(c);
    if (c == -1) [[unlikely]] {
        scan.eof_slot = tp;
        scan.eof_abs = scan.pushed;
    }
    ++scan.pushed;
    return test();
}


// The classes of the characters around the candidate from bp up to ap: the
// last one written (nothing at the start of the input) and the one the
// lexer stopped on. The slot before bp still holds the last character
// written: a character is read into it only once the ring is full, and
// then the character at bp is written first.
Around around_candidate() {
    const int pending = (tp - bp + kRing) % kRing;
    const bool wrote = scan.pushed > pending;
    return Around{wrote ? class_at(bp == 0 ? kRing - 1 : bp - 1) : std::uint16_t{0},
                  class_at(ap)};
}

// The longest prefix of the candidate that is a citation: the slot of its
// last character, or -1.
int vtest() {
    if (bp == ap)
        return -1;
    const int len = (ap - bp + kRing) % kRing;
    const int k =
        longest_citation_in_ring(tovrin_sbuff, kRing, bp, len, *scan.t, around_candidate(),
                                 scan.existing);
    if (k == 0)
        return -1;
    ap = (bp + k - 1) % kRing;
    return ap;
}

// No prefix is a citation: write the run of spaces or letters at bp, up to
// ap, or one other character.
void write_run() {
    const std::uint16_t first = class_at(bp);
    const std::uint16_t kind = first & C_SPACE ? C_SPACE : first & C_LETTER ? C_LETTER : 0;
    do
        freee(scan.out);
    while (kind != 0 && bp != ap && (class_at(bp) & kind) != 0);
}

// Whether the run of letters at bp leaves the names of the books before it
// ends. A candidate that begins with such a word is no citation: every
// prefix of it ends in a book name (a unit without a chapter) or reports
// that word, or a longer name that begins with it, as a book the language
// does not know. The decision would write the run of letters at bp, which
// the lexer does not stop in; so it is written at once, like a lower-case
// word, without lexing the text behind it.
bool word_names_no_book() {
    int node = 0;
    for (int s = bp;; s = next_slot(s)) {
        if (s == tp) {
            // Reading on must not fill the ring: that is the lexer's rule.
            if ((tp - bp + kRing) % kRing >= kRing - 1)
                return false;
            push();
        }
        if ((class_at(s) & C_LETTER) == 0)
            return false; // the word ends where a name may still end
        node = scan.t->name_step(node, static_cast<unsigned char>(tovrin_sbuff[s]));
        if (node < 0)
            return true;
    }
}

// The same for a number at bp: its digits are the first piece of a book
// name (a number standing alone is reported as one), so when no name begins
// with its first digit, or with its first two digits, no prefix is a
// citation; the decision would write that one digit.
bool number_names_no_book() {
    const int node = scan.t->name_step(0, static_cast<unsigned char>(tovrin_sbuff[bp]));
    if (node < 0)
        return true;
    const int s = next_slot(bp);
    if (s == tp) {
        if ((tp - bp + kRing) % kRing >= kRing - 1)
            return false;
        push();
    }
    if ((class_at(s) & C_DIGIT) == 0)
        return false;
    return scan.t->name_step(node, static_cast<unsigned char>(tovrin_sbuff[s])) < 0;
}

// Whether the text at bp, which begins with a capital or a digit of class
// `k`, can be written without asking the lexer.
bool begins_no_book_name(std::uint16_t k) {
    switch (k & (C_LETTER | C_DIGIT)) {
    case C_LETTER: return word_names_no_book();
    case C_DIGIT: return number_names_no_book();
    default: return false;
    }
}

// Text at bp that begins with neither a digit nor a capital is no
// citation whatever follows: such runs (as a decision would write them) are
// written straight away. The lexer would not stop inside a run of spaces or
// letters, so the run ends where the decision would end it. True when
// anything was written.
bool skip_runs() {
    const std::uint16_t *cls = scan.t->cls;
    int (*const in)(void) = scan.in;
    void (*const out)(int) = scan.out;
    // The loop runs once per byte of ordinary text: it keeps the positions
    // in locals and stores them to the globals before each callback, which
    // may read them.
    int b = bp, t = tp;
    long long pushed = scan.pushed;
    bool wrote = false;
    std::uint16_t kind = 0; // the run being written (0: none, or one other byte)
    for (;;) {
        if (b == t) {
            // Nothing pending: no ring-full here.
            tp = t;
            const int c = in();
            tovrin_sbuff[t] = static_cast<char>(c);
            if (c == -1) [[unlikely]] {
                scan.eof_slot = t;
                scan.eof_abs = pushed;
            }
            ++pushed;
            t = next_slot(t);
        }
        if (b == scan.eof_slot) [[unlikely]]
            break;
        const std::uint16_t k = cls[static_cast<unsigned char>(tovrin_sbuff[b])];
        if ((k & kind) == 0) {
            // A new run begins at b: text that can begin a citation is the
            // lexer's, unless it is a word that begins no book name.
            if (k & (C_UPPER | C_DIGIT)) {
                bp = b;
                tp = t;
                scan.pushed = pushed;
                const bool doomed = begins_no_book_name(k);
                t = tp;
                pushed = scan.pushed;
                if (!doomed)
                    break;
            }
            kind = k & C_SPACE ? C_SPACE : k & C_LETTER ? C_LETTER : 0;
            wrote = true;
        }
        bp = b;
        tp = t;
        out(static_cast<signed char>(tovrin_sbuff[b]));
        b = next_slot(b);
    }
    bp = b;
    tp = t;
    scan.pushed = pushed;
    return wrote;
}

// Feeds the lexer from `start` on until it stops.
void lex_candidate(int start) {
    bool fed = restart(start);
    for (;;) {
        if (fed)
            ap = next_slot(ap);
        fed = true;
        if (ap == tp) {
            const Pushed p = push();
            if (p == Pushed::full_fed)
                continue;
            // After a ring-full without a known state, ap = bp: feed it.
        }
        const int next =
            scan.t->next[scan.dfa][ap == scan.eof_slot ? 0 : static_cast<unsigned char>(tovrin_sbuff[ap])];
        if (next < 0)
            return;
        scan.dfa = next;
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

extern "C" void dorvis_core(int (*in)(void), void (*out)(int), void (*heureka)(void),
                            int level, LANG *l) {
    tovrin_dorvis(in, out, heureka, level, l, 0);
}

extern "C" void tovrin_dorvis(int (*in)(void), void (*out)(int), void (*heureka)(void),
                              int level, LANG *l, unsigned flags) {
    lg = l;
    lev = level;
    tp = 0;
    bp = 0;
    ap = -1;
    scan.in = in;
    scan.out = out;
    scan.t = &tables_with_names(l);
    scan.existing = existing_systems(l, flags);
    scan.eof_slot = -1;
    scan.eof_abs = -1;
    scan.pushed = 0;
    scan.run_begin = 0;
    scan.run_end = -1;
    compute_stable();
    reset_lexer();
    int start = bp;
    for (;;) {
        if (skip_runs())
            start = bp;
        if (bp == scan.eof_slot)
            break;
        lex_candidate(start);
        if (vtest() >= 0) {
            ap = next_slot(ap);
            heureka();
            bp = ap;
            // The lexer's next run starts one character after bp.
            start = next_slot(bp);
        } else {
            write_run();
            start = bp;
        }
        reset_lexer();
        if (bp == scan.eof_slot)
            break;
    }
    scan.eof_slot = -1;
}
