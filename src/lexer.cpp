// The citation lexer: a finite state machine of 33 states, fed one
// character at a time (the terminating NUL included), that reports book
// names, chapter and verse numbers, following and open-end marks and part
// letters as tokens. The machine is the table kRows below: for each state
// its tests in order, the first class that the character belongs to wins,
// and a character that passes none is an error. The order matters where a
// character has two roles (e.g. "n" as letter and following mark).
#include <cstdlib>

#include "internal.h"

namespace tovrin::detail {

void sh(PARS *p, signed char ch) { p->string = strac(p->string, ch); }

void st(PARS *p) { sh(p, p->chr); }

void er(PARS *p) {
    p->errr = 1;
    p->end = 1;
    p->sta = -1;
    p->ousta = -1;
}

void end(PARS *p) { p->end = 1; }

void out(PARS *p, int sta) {
    if (p->string == nullptr) {
        er(p);
        return;
    }
    p->out = p->string;
    p->string = nullptr;
    p->ousta = sta;
}

namespace {

constexpr std::uint16_t ANY = 0; // "any other character": the last row

constexpr Row R(std::uint16_t test, Act act, int next, int kind = 0) {
    return Row{test, act, static_cast<std::int8_t>(kind),
               static_cast<std::int8_t>(next)};
}
constexpr Row ERR = R(ANY, A_ER, -1);

struct State {
    int number;
    Row rows[10];
    int count;
};

template <typename... Rows> constexpr State S(int number, Rows... rows) {
    State s{number, {rows...}, static_cast<int>(sizeof...(rows))};
    return s;
}

// The transition table. Comments give the reason for the less obvious
// orders and rows.
constexpr State kStates[] = {
    // Start of a citation, or after a book name closed by ";" or "-".
    S(0, R(C_SPACE, A_NONE, 0), R(C_LETTER, A_ST, 1), R(C_DIGIT, A_ST, 3), ERR),
    // First word of a book name.
    S(1, R(C_SPACE, A_NONE, 4), R(C_LETTER, A_ST, 1),
      R(C_END, A_END_OUT, -1, TK_BOOK), R(C_DIGIT, A_OUT_ST, 10, TK_BOOK),
      R(C_CITSEP, A_OUT, 0, TK_BOOK), R(C_RANGE, A_OUT, 0, TK_BOOK_FROM),
      R(C_ABBR, A_NONE, 4), ERR),
    // Second piece of a book name.
    S(2, R(C_LETTER, A_ST, 2), R(C_END, A_END_OUT, -1, TK_BOOK),
      R(C_SPACE, A_NONE, 9), R(C_DIGIT, A_OUT_ST, 10, TK_BOOK),
      R(C_CITSEP, A_OUT, 0, TK_BOOK), R(C_RANGE, A_OUT, 0, TK_BOOK_FROM),
      R(C_ABBR, A_NONE, 9), ERR),
    // A number at the start of an element: a book's ordinal, or a lone
    // number reported as a book at the end of text.
    S(3, R(C_DIGIT, A_ST, 3), R(C_END, A_END_OUT, -1, TK_BOOK),
      R(C_SPACE, A_NONE, 5), R(C_LETTER, A_SHSP_ST, 2), R(C_ABBR, A_NONE, 5),
      ERR),
    // After the first word and spaces or an abbreviation mark.
    S(4, R(C_SPACE, A_NONE, 4), R(C_END, A_END_OUT, -1, TK_BOOK),
      R(C_DIGIT, A_OUT_ST, 10, TK_BOOK), R(C_CITSEP, A_OUT, 0, TK_BOOK),
      R(C_RANGE, A_OUT, 0, TK_BOOK_FROM), R(C_LETTER, A_SHSP_ST, 2), ERR),
    // After an ordinal and spaces or a mark: the word must follow.
    S(5, R(C_SPACE, A_NONE, 5), R(C_LETTER, A_SHSP_ST, 2), ERR),
    // After the second piece: a name has at most two pieces.
    S(9, R(C_SPACE, A_NONE, 9), R(C_END, A_END_OUT, -1, TK_BOOK),
      R(C_DIGIT, A_OUT_ST, 10, TK_BOOK), R(C_CITSEP, A_OUT, 0, TK_BOOK),
      R(C_RANGE, A_OUT, 0, TK_BOOK_FROM), ERR),
    // Chapter number after a book name.
    S(10, R(C_END, A_END_OUT, -1, TK_CHAPTER), R(C_SPACE, A_NONE, 11),
      R(C_DIGIT, A_ST, 10), R(C_CITSEP, A_OUT, 20, TK_CHAPTER),
      R(C_CVSEP, A_OUT, 30, TK_CHAPTER), R(C_RANGE, A_OUT, 70, TK_CHAPTER_FROM),
      R(C_NEXT, A_OUT_ST, 90, TK_CHAPTER), ERR),
    S(11, R(C_END, A_END_OUT, -1, TK_CHAPTER), R(C_SPACE, A_NONE, 11),
      R(C_CITSEP, A_OUT, 20, TK_CHAPTER), R(C_CVSEP, A_OUT, 30, TK_CHAPTER),
      R(C_RANGE, A_OUT, 70, TK_CHAPTER_FROM),
      R(C_NEXT, A_OUT_ST, 90, TK_CHAPTER), ERR),
    // After a reported mark and spaces.
    S(12, R(C_END, A_END, -1), R(C_SPACE, A_NONE, 12), R(C_CITSEP, A_NONE, 20),
      ERR),
    // After ";" not directly behind a book name: a chapter of the current
    // book or a new book name.
    S(20, R(C_SPACE, A_NONE, 20), R(C_LETTER, A_ST, 1), R(C_DIGIT, A_ST, 21), ERR),
    // The following mark is tested before letters here, so "Gn 1; 5n" reads
    // "n" as a mark, while state 22 below reads "5 n" as a book name.
    S(21, R(C_END, A_END_OUT, -1, TK_CHAPTER), R(C_NEXT, A_OUT_ST, 90, TK_CHAPTER),
      R(C_SPACE, A_NONE, 22), R(C_LETTER, A_SHSP_ST, 2), R(C_DIGIT, A_ST, 21),
      R(C_CITSEP, A_OUT, 20, TK_CHAPTER), R(C_RANGE, A_OUT, 70, TK_CHAPTER_FROM),
      R(C_CVSEP, A_OUT, 30, TK_CHAPTER), R(C_ABBR, A_NONE, 23), ERR),
    S(22, R(C_END, A_END_OUT, -1, TK_CHAPTER), R(C_SPACE, A_NONE, 22),
      R(C_LETTER, A_SHSP_ST, 2), R(C_CITSEP, A_OUT, 20, TK_CHAPTER),
      R(C_RANGE, A_OUT, 70, TK_CHAPTER_FROM), R(C_CVSEP, A_OUT, 30, TK_CHAPTER),
      R(C_NEXT, A_OUT_ST, 90, TK_CHAPTER), ERR),
    S(23, R(C_SPACE, A_NONE, 23), R(C_LETTER, A_SHSP_ST, 2), ERR),
    // A verse number is expected.
    S(30, R(C_SPACE, A_NONE, 30), R(C_DIGIT, A_ST, 31), ERR),
    // Inside a verse number; marks and part letters must follow directly.
    S(31, R(C_END, A_END_OUT, -1, TK_VERSE), R(C_SPACE, A_NONE, 32),
      R(C_DIGIT, A_ST, 31), R(C_CITSEP, A_OUT, 20, TK_VERSE),
      R(C_RANGE, A_OUT, 40, TK_VERSE_FROM), R(C_VLIST, A_OUT, 30, TK_VERSE),
      R(C_OPEN, A_OUT_ST, 95, TK_VERSE), R(C_NEXT, A_OUT_ST, 92, TK_VERSE),
      R(C_PART, A_OUT_ST, 96, TK_VERSE), ERR),
    S(32, R(C_END, A_END_OUT, -1, TK_VERSE), R(C_SPACE, A_NONE, 32),
      R(C_CITSEP, A_OUT, 20, TK_VERSE), R(C_RANGE, A_OUT, 40, TK_VERSE_FROM),
      R(C_VLIST, A_OUT, 30, TK_VERSE), ERR),
    // After a reported part letter and spaces.
    S(33, R(C_END, A_END, -1), R(C_SPACE, A_NONE, 33), R(C_CITSEP, A_NONE, 20),
      R(C_VLIST, A_NONE, 30), R(C_RANGE, A_NONE, 40), ERR),
    // The number that ends a verse range.
    S(40, R(C_SPACE, A_NONE, 40), R(C_DIGIT, A_ST, 41), ERR),
    // A chapter-verse separator turns that number into a chapter: a range
    // that ends in a later chapter.
    S(41, R(C_END, A_END_OUT, -1, TK_VERSE), R(C_SPACE, A_NONE, 42),
      R(C_DIGIT, A_ST, 41), R(C_CITSEP, A_OUT, 20, TK_VERSE),
      R(C_VLIST, A_OUT, 30, TK_VERSE), R(C_CVSEP, A_OUT, 74, TK_CHAPTER),
      R(C_PART, A_OUT_ST, 96, TK_VERSE), ERR),
    S(42, R(C_END, A_END_OUT, -1, TK_VERSE), R(C_SPACE, A_NONE, 42),
      R(C_CITSEP, A_OUT, 20, TK_VERSE), R(C_VLIST, A_OUT, 30, TK_VERSE),
      R(C_CVSEP, A_OUT, 74, TK_CHAPTER), ERR),
    // The chapter that ends a chapter range.
    S(70, R(C_SPACE, A_NONE, 70), R(C_DIGIT, A_ST, 71), ERR),
    // Closing numbers of a chapter range are reported as soon as a space
    // follows them.
    S(71, R(C_END, A_END_OUT, -1, TK_CHAPTER), R(C_SPACE, A_OUT, 72, TK_CHAPTER),
      R(C_DIGIT, A_ST, 71), R(C_CITSEP, A_OUT, 20, TK_CHAPTER),
      R(C_CVSEP, A_OUT, 74, TK_CHAPTER), ERR),
    S(72, R(C_END, A_END, -1), R(C_SPACE, A_NONE, 72), R(C_CITSEP, A_NONE, 20),
      R(C_CVSEP, A_NONE, 74), ERR),
    // The verse in the chapter that ends a range.
    S(74, R(C_SPACE, A_NONE, 74), R(C_DIGIT, A_ST, 75), ERR),
    S(75, R(C_END, A_END_OUT, -1, TK_VERSE), R(C_SPACE, A_OUT, 76, TK_VERSE),
      R(C_DIGIT, A_ST, 75), R(C_CITSEP, A_OUT, 20, TK_VERSE),
      R(C_PART, A_OUT_ST, 96, TK_VERSE), ERR),
    S(76, R(C_END, A_END, -1), R(C_SPACE, A_NONE, 76), R(C_CITSEP, A_NONE, 20),
      ERR),
    // Following marks after a chapter: one, or two in a row.
    S(90, R(C_NEXT, A_ST, 91), R(C_SPACE, A_OUT, 12, TK_NEXT),
      R(C_END, A_END_OUT, -1, TK_NEXT), R(C_CITSEP, A_OUT, 20, TK_NEXT), ERR),
    S(91, R(C_END, A_END_OUT, -1, TK_NEXT2), R(C_SPACE, A_OUT, 12, TK_NEXT2),
      R(C_CITSEP, A_OUT, 20, TK_NEXT2), ERR),
    // Following marks after a verse; after a single one the verse list may
    // go on.
    S(92, R(C_NEXT, A_ST, 93), R(C_SPACE, A_OUT, 12, TK_NEXT),
      R(C_END, A_END_OUT, -1, TK_NEXT), R(C_CITSEP, A_OUT, 20, TK_NEXT),
      R(C_VLIST, A_OUT, 30, TK_NEXT), ERR),
    S(93, R(C_END, A_END_OUT, -1, TK_NEXT2), R(C_SPACE, A_OUT, 12, TK_NEXT2),
      R(C_CITSEP, A_OUT, 20, TK_NEXT2), ERR),
    // After an open-end mark.
    S(95, R(C_END, A_END_OUT, -1, TK_OPEN_END), R(C_SPACE, A_OUT, 12, TK_OPEN_END),
      R(C_CITSEP, A_OUT, 20, TK_OPEN_END), ERR),
    // After a part letter; a range mark right behind it continues the
    // range from the part.
    S(96, R(C_END, A_END_OUT, -1, TK_PART), R(C_SPACE, A_OUT, 33, TK_PART),
      R(C_CITSEP, A_OUT, 20, TK_PART), R(C_RANGE, A_OUT, 40, TK_PART_FROM),
      R(C_VLIST, A_OUT, 30, TK_PART), ERR),
};

constexpr int kMaxState = 96;

// State number -> its entry in kStates, or null for numbers that are no
// state (a finished record, sta == -1, is handled before the lookup).
struct StateIndex {
    const State *at[kMaxState + 1] = {};
    constexpr StateIndex() {
        for (const State &s : kStates)
            at[s.number] = &s;
    }
};
constexpr StateIndex kIndex;

static_assert(sizeof kStates / sizeof kStates[0] == 33, "33 states");

} // namespace

const Row *transition(int sta, std::uint16_t cls) {
    if (sta < 0 || sta > kMaxState || kIndex.at[sta] == nullptr)
        return nullptr;
    const State &s = *kIndex.at[sta];
    for (int k = 0; k < s.count; ++k)
        if (s.rows[k].test == ANY || (cls & s.rows[k].test) != 0)
            return &s.rows[k];
    return nullptr; // not reached: every state ends with its error row
}

namespace {

void run(PARS *p, const Row &row) {
    switch (row.act) {
    case A_NONE: break;
    case A_ST: st(p); break;
    case A_SHSP_ST: sh(p, ' '); st(p); break;
    case A_OUT: out(p, row.kind); break;
    case A_OUT_ST: out(p, row.kind); st(p); break;
    case A_END: end(p); break;
    case A_END_OUT: end(p); out(p, row.kind); break;
    case A_ER: er(p); return;
    }
    // The guard in out() can only fire on a broken record; its error stands.
    if (p->errr == 0)
        p->sta = row.next;
}

} // namespace

} // namespace tovrin::detail

using namespace tovrin::detail;

extern "C" void tovrin_pinit(PARS *p, LANG *lg) {
    p->sta = 0;
    p->out = nullptr;
    p->string = nullptr;
    p->ousta = 0;
    p->l = lg;
    p->end = 0;
    p->errr = 0;
}

extern "C" void tovrin_pfree(PARS *p) {
    std::free(p->string);
    std::free(p->out);
}

namespace tovrin::detail {

void lex_byte(signed char ch, PARS *p, const LangTables *t) {
    p->chr = ch;
    p->ousta = 0;
    if (p->out != nullptr) {
        std::free(p->out);
        p->out = nullptr;
    }
    if (p->sta < 0 || p->sta > kMaxState || kIndex.at[p->sta] == nullptr)
        return;
    run(p, (t != nullptr ? *t : tables(p->l)).row(p->sta, static_cast<unsigned char>(ch)));
}

} // namespace tovrin::detail

extern "C" int tovrin_parser(signed char ch, PARS *p) {
    tovrin::detail::lex_byte(ch, p, nullptr);
    return 0;
}
