// The citation lexer: every row of the transition table, the worked
// examples call by call, whole citations as token lists, the record's life
// cycle and the character classes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "internal.h"
#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::example_lang;
using testing_support::kAsciiLower;
using testing_support::kAsciiUpper;
using testing_support::StaticLang;

// Languages with no books (the lexer never reads them).

// The example language's roles, but a following mark "/" that is not a
// letter: there "n" is only a letter and "/" only a mark.
LANG *slash_lang() {
    static StaticLang l("sl", ";-.,+/.", kAsciiLower, kAsciiUpper, "abc", {});
    return l.get();
}

// The example language plus the UTF-8 bytes of "ř" and "Ř".
LANG *utf8_lang() {
    static StaticLang l("u8", ";-.,+n.", "abcdefghijklmnopqrstuvwxyz\xc5\x99",
                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xc5\x98", "abc", {});
    return l.get();
}

// Letters, parts and punctuation that occur more than once.
LANG *duplicate_lang() {
    static StaticLang l("dd", ";;.,+n.", "abcab", "ABCAB", "aba", {});
    return l.get();
}

std::string kind_name(int kind) {
    switch (kind) {
    case 0: return "none";
    case TK_BOOK: return "BOOK";
    case TK_BOOK_FROM: return "BOOK_FROM";
    case TK_CHAPTER: return "CHAPTER";
    case TK_CHAPTER_FROM: return "CHAPTER_FROM";
    case TK_VERSE: return "VERSE";
    case TK_VERSE_FROM: return "VERSE_FROM";
    case TK_NEXT: return "NEXT";
    case TK_NEXT2: return "NEXT2";
    case TK_OPEN_END: return "OPEN_END";
    case TK_PART: return "PART";
    case TK_PART_FROM: return "PART_FROM";
    case TK_ERROR: return "ERROR";
    default: return "kind " + std::to_string(kind);
    }
}

std::string show(const char *s) { return s == nullptr ? "(null)" : "\"" + std::string(s) + "\""; }

std::string show_char(char c) {
    switch (c) {
    case '\0': return "NUL";
    case ' ': return "space";
    case '\n': return "LF";
    case '\r': return "CR";
    case '\t': return "TAB";
    default: return std::string("'") + c + "'";
    }
}

void feed(PARS &p, const std::string &text) {
    for (char c : text)
        tovrin_parser(static_cast<signed char>(c), &p);
}

// Lexes `text` by the calling protocol (its NUL included) and writes the
// tokens as "KIND(text)", then "end@i" or "error@i" with the index of the
// character whose call finished lexing.
std::string lex(const std::string &text, LANG *l = example_lang()) {
    PARS p;
    tovrin_pinit(&p, l);
    std::string dump;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        tovrin_parser(static_cast<signed char>(text.c_str()[i]), &p);
        if (p.ousta > 0)
            dump += kind_name(p.ousta) + "(" + p.out + ") ";
        if (p.ousta == TK_ERROR) {
            dump += "error@" + std::to_string(i);
            break;
        }
        if (p.end == 1) {
            dump += "end@" + std::to_string(i);
            break;
        }
    }
    tovrin_pfree(&p);
    return dump;
}

// ---- the transition table, row by row --------------------------------

// A text that brings a fresh record into `state`, with the pending token
// text it leaves in `string`.
struct Prefix {
    int state;
    const char *text;
    const char *pending;
};

const Prefix kPrefixes[] = {
    {0, "", nullptr},           {1, "G", "G"},
    {2, "1J", "1 J"},           {3, "1", "1"},
    {4, "Gn ", "Gn"},           {5, "1 ", "1"},
    {9, "1J ", "1 J"},          {10, "Gn 1", "1"},
    {11, "Gn 1 ", "1"},         {12, "Gn 1n ", nullptr},
    {20, "Gn 1;", nullptr},     {21, "Gn 1;2", "2"},
    {22, "Gn 1;2 ", "2"},       {23, "Gn 1;2.", "2"},
    {30, "Gn 1,", nullptr},     {31, "Gn 1,2", "2"},
    {32, "Gn 1,2 ", "2"},       {33, "Gn 1,2a ", nullptr},
    {40, "Gn 1,2-", nullptr},   {41, "Gn 1,2-3", "3"},
    {42, "Gn 1,2-3 ", "3"},     {70, "Gn 1-", nullptr},
    {71, "Gn 1-2", "2"},        {72, "Gn 1-2 ", nullptr},
    {74, "Gn 1-2,", nullptr},   {75, "Gn 1-2,3", "3"},
    {76, "Gn 1-2,3 ", nullptr}, {90, "Gn 1n", "n"},
    {91, "Gn 1nn", "nn"},       {92, "Gn 1,2n", "n"},
    {93, "Gn 1,2nn", "nn"},     {95, "Gn 1,2+", "+"},
    {96, "Gn 1,2a", "a"},
};

// With the slash language, only the texts that hold a following mark
// differ.
const Prefix kSlashPrefixes[] = {
    {11, "Gn 1 ", "1"},     {21, "Gn 1;2", "2"},   {22, "Gn 1;2 ", "2"},
    {31, "Gn 1,2", "2"},    {90, "Gn 1/", "/"},    {92, "Gn 1,2/", "/"},
};

// One row: in `state`, the character `ch` reports `kind` with text `out`,
// leaves `pending` in `string` and moves to `next` (-1: finished; with
// kind TK_ERROR an error, else the end).
struct Row {
    int state;
    char ch;
    int kind;
    const char *out;
    const char *pending;
    int next;
};

constexpr char NUL = '\0';
constexpr int ER = TK_ERROR;
constexpr int B = TK_BOOK, BF = TK_BOOK_FROM, C = TK_CHAPTER, CF = TK_CHAPTER_FROM;
constexpr int V = TK_VERSE, VF = TK_VERSE_FROM, N = TK_NEXT, NN = TK_NEXT2;
constexpr int OE = TK_OPEN_END, P = TK_PART, PF = TK_PART_FROM;

// Example language: ";" citation separator, "-" range, "." verse list and
// abbreviation, "," chapter-verse, "+" open end, "n" following mark (and a
// letter), parts "abc" (also letters). "#" belongs to no class. Rows are
// in the order of each state's tests; the extra error rows after "#" show
// a class that the state does not accept.
const Row kRows[] = {
    {0, ' ', 0, nullptr, nullptr, 0},
    {0, 'G', 0, nullptr, "G", 1},
    {0, '5', 0, nullptr, "5", 3},
    {0, '#', ER, nullptr, nullptr, -1},
    {0, NUL, ER, nullptr, nullptr, -1},
    {0, ';', ER, nullptr, nullptr, -1},

    {1, ' ', 0, nullptr, "G", 4},
    {1, 'n', 0, nullptr, "Gn", 1},
    {1, NUL, B, "G", nullptr, -1},
    {1, '5', B, "G", "5", 10},
    {1, ';', B, "G", nullptr, 0},
    {1, '-', BF, "G", nullptr, 0},
    {1, '.', 0, nullptr, "G", 4},
    {1, '#', ER, nullptr, "G", -1},
    {1, ',', ER, nullptr, "G", -1},

    {2, 'n', 0, nullptr, "1 Jn", 2},
    {2, NUL, B, "1 J", nullptr, -1},
    {2, ' ', 0, nullptr, "1 J", 9},
    {2, '3', B, "1 J", "3", 10},
    {2, ';', B, "1 J", nullptr, 0},
    {2, '-', BF, "1 J", nullptr, 0},
    {2, '.', 0, nullptr, "1 J", 9},
    {2, '#', ER, nullptr, "1 J", -1},

    {3, '2', 0, nullptr, "12", 3},
    {3, NUL, B, "1", nullptr, -1},
    {3, ' ', 0, nullptr, "1", 5},
    {3, 'J', 0, nullptr, "1 J", 2},
    {3, '.', 0, nullptr, "1", 5},
    {3, '#', ER, nullptr, "1", -1},
    {3, ';', ER, nullptr, "1", -1},
    {3, '-', ER, nullptr, "1", -1},

    {4, ' ', 0, nullptr, "Gn", 4},
    {4, NUL, B, "Gn", nullptr, -1},
    {4, '1', B, "Gn", "1", 10},
    {4, ';', B, "Gn", nullptr, 0},
    {4, '-', BF, "Gn", nullptr, 0},
    {4, 'E', 0, nullptr, "Gn E", 2},
    {4, '#', ER, nullptr, "Gn", -1},
    {4, '.', ER, nullptr, "Gn", -1},

    {5, ' ', 0, nullptr, "1", 5},
    {5, 'J', 0, nullptr, "1 J", 2},
    {5, '#', ER, nullptr, "1", -1},
    {5, '2', ER, nullptr, "1", -1},
    {5, NUL, ER, nullptr, "1", -1},

    {9, ' ', 0, nullptr, "1 J", 9},
    {9, NUL, B, "1 J", nullptr, -1},
    {9, '3', B, "1 J", "3", 10},
    {9, ';', B, "1 J", nullptr, 0},
    {9, '-', BF, "1 J", nullptr, 0},
    {9, '#', ER, nullptr, "1 J", -1},
    {9, 'x', ER, nullptr, "1 J", -1},
    {9, '.', ER, nullptr, "1 J", -1},

    {10, NUL, C, "1", nullptr, -1},
    {10, ' ', 0, nullptr, "1", 11},
    {10, '2', 0, nullptr, "12", 10},
    {10, ';', C, "1", nullptr, 20},
    {10, ',', C, "1", nullptr, 30},
    {10, '-', CF, "1", nullptr, 70},
    {10, 'n', C, "1", "n", 90},
    {10, '#', ER, nullptr, "1", -1},
    {10, '.', ER, nullptr, "1", -1},
    {10, '+', ER, nullptr, "1", -1},

    {11, NUL, C, "1", nullptr, -1},
    {11, ' ', 0, nullptr, "1", 11},
    {11, ';', C, "1", nullptr, 20},
    {11, ',', C, "1", nullptr, 30},
    {11, '-', CF, "1", nullptr, 70},
    {11, 'n', C, "1", "n", 90},
    {11, '#', ER, nullptr, "1", -1},
    {11, '2', ER, nullptr, "1", -1},

    {12, NUL, 0, nullptr, nullptr, -1},
    {12, ' ', 0, nullptr, nullptr, 12},
    {12, ';', 0, nullptr, nullptr, 20},
    {12, '#', ER, nullptr, nullptr, -1},
    {12, 'n', ER, nullptr, nullptr, -1},

    {20, ' ', 0, nullptr, nullptr, 20},
    {20, 'E', 0, nullptr, "E", 1},
    {20, '5', 0, nullptr, "5", 21},
    {20, '#', ER, nullptr, nullptr, -1},
    {20, NUL, ER, nullptr, nullptr, -1},

    {21, NUL, C, "2", nullptr, -1},
    {21, 'n', C, "2", "n", 90},
    {21, ' ', 0, nullptr, "2", 22},
    {21, 'x', 0, nullptr, "2 x", 2},
    {21, '3', 0, nullptr, "23", 21},
    {21, ';', C, "2", nullptr, 20},
    {21, '-', CF, "2", nullptr, 70},
    {21, ',', C, "2", nullptr, 30},
    {21, '.', 0, nullptr, "2", 23},
    {21, '#', ER, nullptr, "2", -1},
    {21, '+', ER, nullptr, "2", -1},

    {22, NUL, C, "2", nullptr, -1},
    {22, ' ', 0, nullptr, "2", 22},
    {22, 'n', 0, nullptr, "2 n", 2}, // letters come before the mark here
    {22, ';', C, "2", nullptr, 20},
    {22, '-', CF, "2", nullptr, 70},
    {22, ',', C, "2", nullptr, 30},
    // following mark: see kSlashRows
    {22, '#', ER, nullptr, "2", -1},
    {22, '.', ER, nullptr, "2", -1},

    {23, ' ', 0, nullptr, "2", 23},
    {23, 'J', 0, nullptr, "2 J", 2},
    {23, '#', ER, nullptr, "2", -1},
    {23, NUL, ER, nullptr, "2", -1},

    {30, ' ', 0, nullptr, nullptr, 30},
    {30, '2', 0, nullptr, "2", 31},
    {30, '#', ER, nullptr, nullptr, -1},
    {30, NUL, ER, nullptr, nullptr, -1},

    {31, NUL, V, "2", nullptr, -1},
    {31, ' ', 0, nullptr, "2", 32},
    {31, '3', 0, nullptr, "23", 31},
    {31, ';', V, "2", nullptr, 20},
    {31, '-', VF, "2", nullptr, 40},
    {31, '.', V, "2", nullptr, 30},
    {31, '+', V, "2", "+", 95},
    {31, 'n', V, "2", "n", 92},
    {31, 'a', V, "2", "a", 96},
    {31, '#', ER, nullptr, "2", -1},
    {31, 'x', ER, nullptr, "2", -1},
    {31, ',', ER, nullptr, "2", -1},

    {32, NUL, V, "2", nullptr, -1},
    {32, ' ', 0, nullptr, "2", 32},
    {32, ';', V, "2", nullptr, 20},
    {32, '-', VF, "2", nullptr, 40},
    {32, '.', V, "2", nullptr, 30},
    {32, '#', ER, nullptr, "2", -1},
    {32, 'n', ER, nullptr, "2", -1},
    {32, 'a', ER, nullptr, "2", -1},
    {32, '+', ER, nullptr, "2", -1},

    {33, NUL, 0, nullptr, nullptr, -1},
    {33, ' ', 0, nullptr, nullptr, 33},
    {33, ';', 0, nullptr, nullptr, 20},
    {33, '.', 0, nullptr, nullptr, 30},
    {33, '-', 0, nullptr, nullptr, 40},
    {33, '#', ER, nullptr, nullptr, -1},
    {33, 'b', ER, nullptr, nullptr, -1},

    {40, ' ', 0, nullptr, nullptr, 40},
    {40, '3', 0, nullptr, "3", 41},
    {40, '#', ER, nullptr, nullptr, -1},
    {40, NUL, ER, nullptr, nullptr, -1},

    {41, NUL, V, "3", nullptr, -1},
    {41, ' ', 0, nullptr, "3", 42},
    {41, '4', 0, nullptr, "34", 41},
    {41, ';', V, "3", nullptr, 20},
    {41, '.', V, "3", nullptr, 30},
    {41, ',', C, "3", nullptr, 74}, // the range ends in another chapter
    {41, 'a', V, "3", "a", 96},
    {41, '#', ER, nullptr, "3", -1},
    {41, 'n', ER, nullptr, "3", -1},
    {41, '-', ER, nullptr, "3", -1},

    {42, NUL, V, "3", nullptr, -1},
    {42, ' ', 0, nullptr, "3", 42},
    {42, ';', V, "3", nullptr, 20},
    {42, '.', V, "3", nullptr, 30},
    {42, ',', C, "3", nullptr, 74},
    {42, '#', ER, nullptr, "3", -1},
    {42, 'a', ER, nullptr, "3", -1},

    {70, ' ', 0, nullptr, nullptr, 70},
    {70, '2', 0, nullptr, "2", 71},
    {70, '#', ER, nullptr, nullptr, -1},
    {70, NUL, ER, nullptr, nullptr, -1},

    {71, NUL, C, "2", nullptr, -1},
    {71, ' ', C, "2", nullptr, 72}, // reported as soon as a space follows
    {71, '3', 0, nullptr, "23", 71},
    {71, ';', C, "2", nullptr, 20},
    {71, ',', C, "2", nullptr, 74},
    {71, '#', ER, nullptr, "2", -1},
    {71, 'n', ER, nullptr, "2", -1},

    {72, NUL, 0, nullptr, nullptr, -1},
    {72, ' ', 0, nullptr, nullptr, 72},
    {72, ';', 0, nullptr, nullptr, 20},
    {72, ',', 0, nullptr, nullptr, 74},
    {72, '#', ER, nullptr, nullptr, -1},
    {72, '3', ER, nullptr, nullptr, -1},

    {74, ' ', 0, nullptr, nullptr, 74},
    {74, '3', 0, nullptr, "3", 75},
    {74, '#', ER, nullptr, nullptr, -1},
    {74, NUL, ER, nullptr, nullptr, -1},

    {75, NUL, V, "3", nullptr, -1},
    {75, ' ', V, "3", nullptr, 76},
    {75, '4', 0, nullptr, "34", 75},
    {75, ';', V, "3", nullptr, 20},
    {75, 'a', V, "3", "a", 96},
    {75, '#', ER, nullptr, "3", -1},
    {75, '.', ER, nullptr, "3", -1},

    {76, NUL, 0, nullptr, nullptr, -1},
    {76, ' ', 0, nullptr, nullptr, 76},
    {76, ';', 0, nullptr, nullptr, 20},
    {76, '#', ER, nullptr, nullptr, -1},
    {76, 'a', ER, nullptr, nullptr, -1},

    {90, 'n', 0, nullptr, "nn", 91},
    {90, ' ', N, "n", nullptr, 12},
    {90, NUL, N, "n", nullptr, -1},
    {90, ';', N, "n", nullptr, 20},
    {90, '#', ER, nullptr, "n", -1},
    {90, '.', ER, nullptr, "n", -1},

    {91, NUL, NN, "nn", nullptr, -1},
    {91, ' ', NN, "nn", nullptr, 12},
    {91, ';', NN, "nn", nullptr, 20},
    {91, '#', ER, nullptr, "nn", -1},
    {91, 'n', ER, nullptr, "nn", -1},

    {92, 'n', 0, nullptr, "nn", 93},
    {92, ' ', N, "n", nullptr, 12},
    {92, NUL, N, "n", nullptr, -1},
    {92, ';', N, "n", nullptr, 20},
    {92, '.', N, "n", nullptr, 30},
    {92, '#', ER, nullptr, "n", -1},

    {93, NUL, NN, "nn", nullptr, -1},
    {93, ' ', NN, "nn", nullptr, 12},
    {93, ';', NN, "nn", nullptr, 20},
    {93, '#', ER, nullptr, "nn", -1},
    {93, '.', ER, nullptr, "nn", -1},

    {95, NUL, OE, "+", nullptr, -1},
    {95, ' ', OE, "+", nullptr, 12},
    {95, ';', OE, "+", nullptr, 20},
    {95, '#', ER, nullptr, "+", -1},
    {95, '+', ER, nullptr, "+", -1},

    {96, NUL, P, "a", nullptr, -1},
    {96, ' ', P, "a", nullptr, 33},
    {96, ';', P, "a", nullptr, 20},
    {96, '-', PF, "a", nullptr, 40},
    {96, '.', P, "a", nullptr, 30},
    {96, '#', ER, nullptr, "a", -1},
    {96, 'b', ER, nullptr, "a", -1},
};

// Slash language: "/" is only the following mark, "n" only a letter. This
// reaches the mark row of state 22, which the letter row hides in the
// example language, and shows the mark tests apart from the letter tests.
const Row kSlashRows[] = {
    {11, '/', C, "1", "/", 90},
    {21, '/', C, "2", "/", 90},
    {21, 'n', 0, nullptr, "2 n", 2},
    {22, '/', C, "2", "/", 90},
    {22, 'n', 0, nullptr, "2 n", 2},
    {31, '/', V, "2", "/", 92},
    {31, 'n', ER, nullptr, "2", -1},
    {90, '/', 0, nullptr, "//", 91},
    {90, 'n', ER, nullptr, "/", -1},
    {92, '/', 0, nullptr, "//", 93},
};

const Prefix *find_prefix(const Prefix *begin, const Prefix *end, int state) {
    for (const Prefix *p = begin; p != end; ++p)
        if (p->state == state)
            return p;
    return nullptr;
}

template <std::size_t NP, std::size_t NR>
void check_rows(LANG *l, const Prefix (&prefixes)[NP], const Row (&rows)[NR]) {
    for (const Row &r : rows) {
        const Prefix *pre = find_prefix(prefixes, prefixes + NP, r.state);
        ASSERT_NE(pre, nullptr) << "no prefix for state " << r.state;
        SCOPED_TRACE(testing::Message() << "state " << r.state << " (\"" << pre->text << "\") + "
                                        << show_char(r.ch));
        PARS p;
        tovrin_pinit(&p, l);
        feed(p, pre->text);
        ASSERT_EQ(p.sta, r.state);
        tovrin_parser(static_cast<signed char>(r.ch), &p);
        EXPECT_EQ(kind_name(p.ousta), kind_name(r.kind));
        EXPECT_EQ(show(p.out), show(r.out));
        EXPECT_EQ(show(p.string), show(r.pending));
        EXPECT_EQ(p.sta, r.next);
        EXPECT_EQ(p.end, r.next == -1 ? 1 : 0);
        EXPECT_EQ(p.errr, r.kind == TK_ERROR ? 1 : 0);
        EXPECT_EQ(p.chr, static_cast<signed char>(r.ch));
        tovrin_pfree(&p);
    }
}

TEST(LexerTable, PrefixesReachTheirStates) {
    for (const Prefix &pre : kPrefixes) {
        PARS p;
        tovrin_pinit(&p, example_lang());
        feed(p, pre.text);
        EXPECT_EQ(p.sta, pre.state) << '"' << pre.text << '"';
        EXPECT_EQ(show(p.string), show(pre.pending)) << '"' << pre.text << '"';
        EXPECT_EQ(p.end, 0) << '"' << pre.text << '"';
        tovrin_pfree(&p);
    }
}

// The tables above reach all 33 states and, in each, the row for a
// character of no accepted class.
TEST(LexerTable, RowsCoverEveryState) {
    std::set<int> with_rows, with_error;
    for (const Row &r : kRows) {
        with_rows.insert(r.state);
        if (r.ch == '#')
            with_error.insert(r.state);
    }
    EXPECT_EQ(std::size(kPrefixes), 33u);
    for (const Prefix &pre : kPrefixes) {
        EXPECT_TRUE(with_rows.count(pre.state)) << pre.state;
        EXPECT_TRUE(with_error.count(pre.state)) << pre.state;
    }
}

TEST(LexerTable, EveryRowOfExampleLanguage) { check_rows(example_lang(), kPrefixes, kRows); }

TEST(LexerTable, FollowingMarkThatIsNoLetter) {
    check_rows(slash_lang(), kSlashPrefixes, kSlashRows);
}

// ---- worked examples, call by call ------------------------------------

struct Call {
    char ch;
    int sta;  // state after the call
    int kind; // token reported by the call
    const char *out;
};

struct Example {
    const char *text;
    std::vector<Call> calls; // one per character, the NUL included
};

const Example kExamples[] = {
    {"Mt 5,3-12; Lk 6,20n",
     {{'M', 1, 0, nullptr},   {'t', 1, 0, nullptr},   {' ', 4, 0, nullptr},
      {'5', 10, B, "Mt"},     {',', 30, C, "5"},      {'3', 31, 0, nullptr},
      {'-', 40, VF, "3"},     {'1', 41, 0, nullptr},  {'2', 41, 0, nullptr},
      {';', 20, V, "12"},     {' ', 20, 0, nullptr},  {'L', 1, 0, nullptr},
      {'k', 1, 0, nullptr},   {' ', 4, 0, nullptr},   {'6', 10, B, "Lk"},
      {',', 30, C, "6"},      {'2', 31, 0, nullptr},  {'0', 31, 0, nullptr},
      {'n', 92, V, "20"},     {NUL, -1, N, "n"}}},
    {"1. Jn 2,1nn",
     {{'1', 3, 0, nullptr},  {'.', 5, 0, nullptr}, {' ', 5, 0, nullptr},
      {'J', 2, 0, nullptr},  {'n', 2, 0, nullptr}, {' ', 9, 0, nullptr},
      {'2', 10, B, "1 Jn"},  {',', 30, C, "2"},    {'1', 31, 0, nullptr},
      {'n', 92, V, "1"},     {'n', 93, 0, nullptr}, {NUL, -1, NN, "nn"}}},
    {"Gn 1,5-2,3",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {',', 30, C, "1"},    {'5', 31, 0, nullptr},
      {'-', 40, VF, "5"},   {'2', 41, 0, nullptr}, {',', 74, C, "2"},
      {'3', 75, 0, nullptr}, {NUL, -1, V, "3"}}},
    {"Gn 1-2,3",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {'-', 70, CF, "1"},   {'2', 71, 0, nullptr},
      {',', 74, C, "2"},    {'3', 75, 0, nullptr}, {NUL, -1, V, "3"}}},
    {"Gn 1,5a-7",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {',', 30, C, "1"},    {'5', 31, 0, nullptr},
      {'a', 96, V, "5"},    {'-', 40, PF, "a"},   {'7', 41, 0, nullptr},
      {NUL, -1, V, "7"}}},
    {"Gn-Ex",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {'-', 0, BF, "Gn"},
      {'E', 1, 0, nullptr}, {'x', 1, 0, nullptr}, {NUL, -1, B, "Ex"}}},
    // State 21 tests the following mark before letters ...
    {"Gn 1; 5n",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {';', 20, C, "1"},    {' ', 20, 0, nullptr},
      {'5', 21, 0, nullptr}, {'n', 90, C, "5"},   {NUL, -1, N, "n"}}},
    // ... state 22 letters first.
    {"Gn 1; 5 n",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {';', 20, C, "1"},    {' ', 20, 0, nullptr},
      {'5', 21, 0, nullptr}, {' ', 22, 0, nullptr}, {'n', 2, 0, nullptr},
      {NUL, -1, B, "5 n"}}},
    {"Gn 1,5-7 ;Ex 2",
     {{'G', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'1', 10, B, "Gn"},   {',', 30, C, "1"},    {'5', 31, 0, nullptr},
      {'-', 40, VF, "5"},   {'7', 41, 0, nullptr}, {' ', 42, 0, nullptr},
      {';', 20, V, "7"},    {'E', 1, 0, nullptr}, {'x', 1, 0, nullptr},
      {' ', 4, 0, nullptr}, {'2', 10, B, "Ex"},   {NUL, -1, C, "2"}}},
    // A following mark must follow the verse directly.
    {"Jn 3,16 n",
     {{'J', 1, 0, nullptr}, {'n', 1, 0, nullptr}, {' ', 4, 0, nullptr},
      {'3', 10, B, "Jn"},   {',', 30, C, "3"},    {'1', 31, 0, nullptr},
      {'6', 31, 0, nullptr}, {' ', 32, 0, nullptr}, {'n', -1, ER, nullptr}}},
};

TEST(LexerExamples, CallByCall) {
    for (const Example &ex : kExamples) {
        const std::string text = ex.text;
        PARS p;
        tovrin_pinit(&p, example_lang());
        for (std::size_t i = 0; i < ex.calls.size(); ++i) {
            const Call &c = ex.calls[i];
            SCOPED_TRACE(testing::Message() << '"' << ex.text << "\" call " << i << " ("
                                            << show_char(c.ch) << ")");
            ASSERT_LE(i, text.size());
            ASSERT_EQ(c.ch, text.c_str()[i]) << "table out of step with the text";
            tovrin_parser(static_cast<signed char>(text.c_str()[i]), &p);
            EXPECT_EQ(p.sta, c.sta);
            EXPECT_EQ(kind_name(p.ousta), kind_name(c.kind));
            EXPECT_EQ(show(p.out), show(c.out));
        }
        EXPECT_EQ(p.end, 1) << ex.text;
        tovrin_pfree(&p);
    }
}

// ---- whole citations --------------------------------------------------

struct LexCase {
    const char *text;
    const char *tokens;
};

void check_lex(const LexCase *begin, const LexCase *end, LANG *l) {
    for (const LexCase *c = begin; c != end; ++c)
        EXPECT_EQ(lex(c->text, l), c->tokens) << "input \"" << c->text << '"';
}

const LexCase kCitations[] = {
    // Nothing to lex.
    {"", "error@0"},
    {"   ", "error@3"},
    {"\n", "error@0"},
    // Line feed and carriage return end the text like the NUL.
    {"Gn 1\nGn 2", "BOOK(Gn) CHAPTER(1) end@4"},
    {"Gn 1\r\n", "BOOK(Gn) CHAPTER(1) end@4"},
    {"Gn\rx", "BOOK(Gn) end@2"},
    // A tab is no space.
    {"Gn\t1", "error@2"},
    {"Gn 1,\t2", "BOOK(Gn) CHAPTER(1) error@5"},
    // Lone names and numbers.
    {"Gn", "BOOK(Gn) end@2"},
    {"5", "BOOK(5) end@1"},
    {"5;", "error@1"},
    {"5-", "error@1"},
    {"5 ", "error@2"},
    {"Gn-Ex", "BOOK_FROM(Gn) BOOK(Ex) end@5"},
    {"Gn;Ex 2", "BOOK(Gn) BOOK(Ex) CHAPTER(2) end@7"},
    // Abbreviation marks.
    {"Gn.", "BOOK(Gn) end@3"},
    {"Gn. 1", "BOOK(Gn) CHAPTER(1) end@5"},
    {"Gn .", "error@3"},
    {"Gn..", "error@3"},
    // Two-piece names are joined by one space, without the mark.
    {"1Jn 1", "BOOK(1 Jn) CHAPTER(1) end@5"},
    {"1 Jn 1", "BOOK(1 Jn) CHAPTER(1) end@6"},
    {"1. Jn 1", "BOOK(1 Jn) CHAPTER(1) end@7"},
    {"1.Jn 1", "BOOK(1 Jn) CHAPTER(1) end@6"},
    {"1.   Jn.", "BOOK(1 Jn) end@8"},
    {"Song  of 1", "BOOK(Song of) CHAPTER(1) end@10"},
    {"Song. of", "BOOK(Song of) end@8"},
    {"Song.of.2", "BOOK(Song of) CHAPTER(2) end@9"},
    // Never three pieces.
    {"A B C", "error@4"},
    {"A.B.C", "error@4"},
    {"1 Jn Jn", "error@5"},
    {"1 2", "error@2"},
    {"1.2", "error@2"},
    // After a chapter and a space.
    {"Gn 1 2", "BOOK(Gn) error@5"},
    {"Gn 1 ,2", "BOOK(Gn) CHAPTER(1) VERSE(2) end@7"},
    {"Gn 1 n", "BOOK(Gn) CHAPTER(1) NEXT(n) end@6"},
    {"Gn 1.2", "BOOK(Gn) error@4"},
    // Numbers are kept as written, of any length.
    {"Gn 007,0", "BOOK(Gn) CHAPTER(007) VERSE(0) end@8"},
    {"Gn 12345678901234567890", "BOOK(Gn) CHAPTER(12345678901234567890) end@23"},
    // Ranges that end in another chapter; spaces are skipped.
    {"Gn 1,2-3,  4", "BOOK(Gn) CHAPTER(1) VERSE_FROM(2) CHAPTER(3) VERSE(4) end@12"},
    {"Gn 1,5-7 ,8", "BOOK(Gn) CHAPTER(1) VERSE_FROM(5) CHAPTER(7) VERSE(8) end@11"},
    {"Gn 1-2 ,3a ;4", "BOOK(Gn) CHAPTER_FROM(1) CHAPTER(2) VERSE(3) PART(a) CHAPTER(4) end@13"},
    {"Gn 1-2n", "BOOK(Gn) CHAPTER_FROM(1) error@6"},
    {"Gn 1,2-3n", "BOOK(Gn) CHAPTER(1) VERSE_FROM(2) error@8"},
    // Verse lists, marks and parts.
    {"Gn 1,2.3 .4", "BOOK(Gn) CHAPTER(1) VERSE(2) VERSE(3) VERSE(4) end@11"},
    {"Gn 1,2n.3", "BOOK(Gn) CHAPTER(1) VERSE(2) NEXT(n) VERSE(3) end@9"},
    {"Gn 1,2nn.3", "BOOK(Gn) CHAPTER(1) VERSE(2) error@8"},
    {"Gn 1,2+; Ex 3", "BOOK(Gn) CHAPTER(1) VERSE(2) OPEN_END(+) BOOK(Ex) CHAPTER(3) end@13"},
    {"Gn 1,2a .3", "BOOK(Gn) CHAPTER(1) VERSE(2) PART(a) VERSE(3) end@10"},
    {"Gn 1,2a -3", "BOOK(Gn) CHAPTER(1) VERSE(2) PART(a) VERSE(3) end@10"},
    {"Gn 1,2-3a-5", "BOOK(Gn) CHAPTER(1) VERSE_FROM(2) VERSE(3) PART_FROM(a) VERSE(5) end@11"},
    {"Gn 1,2ab", "BOOK(Gn) CHAPTER(1) VERSE(2) error@7"},
    // A part letter that is also a letter starts a book name after a
    // number that follows a citation separator.
    {"Gn 1;2a", "BOOK(Gn) CHAPTER(1) BOOK(2 a) end@7"},
    {"Gn 1; 2 a 3", "BOOK(Gn) CHAPTER(1) BOOK(2 a) CHAPTER(3) end@11"},
    {"Gn 1;2.Jn 3", "BOOK(Gn) CHAPTER(1) BOOK(2 Jn) CHAPTER(3) end@11"},
};

TEST(LexerCitations, ExampleLanguage) {
    check_lex(std::begin(kCitations), std::end(kCitations), example_lang());
}

TEST(LexerCitations, FollowingMarkThatIsNoLetter) {
    const LexCase cases[] = {
        {"Gn 1;2/", "BOOK(Gn) CHAPTER(1) CHAPTER(2) NEXT(/) end@7"},
        {"Gn 1; 2 /", "BOOK(Gn) CHAPTER(1) CHAPTER(2) NEXT(/) end@9"},
        {"Gn 1 //", "BOOK(Gn) CHAPTER(1) NEXT2(//) end@7"},
        {"Gn 1,2/.3", "BOOK(Gn) CHAPTER(1) VERSE(2) NEXT(/) VERSE(3) end@9"},
        {"Gn 1;2n", "BOOK(Gn) CHAPTER(1) BOOK(2 n) end@7"},
        {"Gn 1,2n", "BOOK(Gn) CHAPTER(1) error@6"},
        {"Gn 1n", "BOOK(Gn) error@4"},
    };
    check_lex(std::begin(cases), std::end(cases), slash_lang());
}

// Bytes of 128 and more arrive as negative characters; they are letters
// only where the language lists them, and never digits.
TEST(LexerCitations, HighBytesAreLettersOnlyWhenListed) {
    const LexCase listed[] = {
        {"\xc5\x98 8,28", "BOOK(\xc5\x98) CHAPTER(8) VERSE(28) end@7"},
        {"\xc5\x99" "ek 1", "BOOK(\xc5\x99" "ek) CHAPTER(1) end@6"},
        {"\xc3\xad 1", "error@0"},
        {"Gn \xd9\xa3", "error@3"}, // an Arabic-Indic digit is no digit
    };
    check_lex(std::begin(listed), std::end(listed), utf8_lang());
    const LexCase unlisted[] = {
        {"\xc5\x98 8,28", "error@0"},
        {"Gn\xc5\x98", "error@2"},
    };
    check_lex(std::begin(unlisted), std::end(unlisted), example_lang());
}

// Records keep no state outside themselves: two citations lexed in
// alternation give the same tokens as each alone.
TEST(LexerCitations, RecordsAreIndependent) {
    const std::string a = "Mt 5,3-12; Lk 6,20n", b = "1. Jn 2,1nn";
    PARS pa, pb;
    tovrin_pinit(&pa, example_lang());
    tovrin_pinit(&pb, slash_lang());
    std::string ta, tb;
    for (std::size_t i = 0; pa.end == 0 || pb.end == 0; ++i) {
        if (pa.end == 0) {
            tovrin_parser(static_cast<signed char>(a.c_str()[i]), &pa);
            if (pa.ousta > 0)
                ta += kind_name(pa.ousta) + "(" + pa.out + ") ";
        }
        if (pb.end == 0) {
            tovrin_parser(static_cast<signed char>(b.c_str()[i]), &pb);
            if (pb.ousta > 0)
                tb += kind_name(pb.ousta) + "(" + pb.out + ") ";
        }
    }
    tovrin_pfree(&pa);
    tovrin_pfree(&pb);
    EXPECT_EQ(ta + "end@" + std::to_string(a.size()), lex(a));
    EXPECT_EQ(tb + "error@9", lex(b, slash_lang())); // "n" is no mark there
}

// ---- the record -------------------------------------------------------

TEST(LexerRecord, InitSetsTheReadyConditionAndKeepsChr) {
    PARS p;
    std::memset(&p, 0x55, sizeof p);
    p.chr = 'q';
    tovrin_pinit(&p, example_lang());
    EXPECT_EQ(p.sta, 0);
    EXPECT_EQ(p.string, nullptr);
    EXPECT_EQ(p.out, nullptr);
    EXPECT_EQ(p.ousta, 0);
    EXPECT_EQ(p.end, 0);
    EXPECT_EQ(p.errr, 0);
    EXPECT_EQ(p.l, example_lang());
    EXPECT_EQ(p.chr, 'q');
}

TEST(LexerRecord, FinishedRecordOnlyClearsItsReport) {
    // Finished normally, with the last token still in out.
    PARS p;
    tovrin_pinit(&p, example_lang());
    feed(p, "Gn");
    tovrin_parser(0, &p);
    ASSERT_EQ(p.ousta, TK_BOOK);
    ASSERT_STREQ(p.out, "Gn");
    for (char c : {'x', '1', '\0'}) {
        tovrin_parser(static_cast<signed char>(c), &p);
        EXPECT_EQ(p.ousta, 0) << show_char(c);
        EXPECT_EQ(p.out, nullptr) << show_char(c);
        EXPECT_EQ(p.string, nullptr) << show_char(c);
        EXPECT_EQ(p.sta, -1) << show_char(c);
        EXPECT_EQ(p.end, 1) << show_char(c);
        EXPECT_EQ(p.errr, 0) << show_char(c);
        EXPECT_EQ(p.chr, c) << show_char(c);
    }
    tovrin_pfree(&p);

    // Finished by an error: the partial text stays until tovrin_pfree.
    tovrin_pinit(&p, example_lang());
    feed(p, "Gn 1,23#");
    ASSERT_EQ(p.errr, 1);
    char *partial = p.string;
    ASSERT_STREQ(partial, "23");
    for (char c : {'4', ';', '\0'}) {
        tovrin_parser(static_cast<signed char>(c), &p);
        EXPECT_EQ(p.ousta, 0) << show_char(c);
        EXPECT_EQ(p.string, partial) << show_char(c);
        EXPECT_STREQ(p.string, "23") << show_char(c);
        EXPECT_EQ(p.out, nullptr) << show_char(c);
        EXPECT_EQ(p.sta, -1) << show_char(c);
        EXPECT_EQ(p.end, 1) << show_char(c);
        EXPECT_EQ(p.errr, 1) << show_char(c);
    }
    tovrin_pfree(&p);
}

// A token text belongs to the record until the caller takes it by setting
// out to null; then neither the next call nor tovrin_pfree releases it
// (the sanitizer build would report a use after free or a double free).
TEST(LexerRecord, CallerTakesTheTokenText) {
    PARS p;
    tovrin_pinit(&p, example_lang());
    feed(p, "Gn 1");
    ASSERT_EQ(p.ousta, TK_BOOK);
    char *book = p.out;
    p.out = nullptr;
    feed(p, ",");
    ASSERT_EQ(p.ousta, TK_CHAPTER);
    EXPECT_STREQ(p.out, "1"); // left to the record: released by the next call
    feed(p, "2");
    EXPECT_EQ(p.out, nullptr);
    tovrin_parser(0, &p);
    ASSERT_EQ(p.ousta, TK_VERSE);
    char *verse = p.out;
    p.out = nullptr;
    tovrin_pfree(&p);
    EXPECT_STREQ(book, "Gn");
    EXPECT_STREQ(verse, "2");
    std::free(book);
    std::free(verse);
}

TEST(LexerRecord, OutWithoutPendingTextIsAnError) {
    PARS p;
    tovrin_pinit(&p, example_lang());
    char earlier[] = "earlier";
    p.out = earlier;
    tovrin::detail::out(&p, TK_BOOK);
    EXPECT_EQ(p.errr, 1);
    EXPECT_EQ(p.end, 1);
    EXPECT_EQ(p.sta, -1);
    EXPECT_EQ(p.ousta, TK_ERROR);
    EXPECT_EQ(p.out, earlier);
    EXPECT_EQ(p.string, nullptr);
}

// ---- character classes --------------------------------------------------

using ClassTest = int (*)(signed char, LANG *);

TEST(CharacterClasses, ExampleLanguage) {
    const struct {
        const char *name;
        ClassTest test;
        const char *yes; // characters of the class
        const char *no;  // characters outside it
    } cases[] = {
        {"ifc_1", ifc_1, " ", "\t\v\f\xa0_a"},
        {"ifc_2", ifc_2, "azAZn", "19.;#\xc5\xe1_"},
        {"ifc_3", ifc_3, "azn", "AZ1\xc5"},
        {"ifc_4", ifc_4, "AZN", "az1\xc5"},
        {"ifc_5", ifc_5, "0123456789", "/:aO\xb0\xb9"},
        {"ifc_10", ifc_10, ";", "-.,+n"},
        {"ifc_11", ifc_11, "-", ";.,+n"},
        {"ifc_12", ifc_12, ".", ";-,+n"},
        {"ifc_13", ifc_13, ",", ";-.+n"},
        {"ifc_14", ifc_14, "+", ";-.,n"},
        {"ifc_15", ifc_15, "n", ";-.,+N"},
        {"ifc_16", ifc_16, ".", ";-,+n"},
        {"ifc_20", ifc_20, "abc", "dABC1"},
    };
    for (const auto &c : cases) {
        for (const char *s = c.yes; *s != '\0'; ++s)
            EXPECT_EQ(c.test(static_cast<signed char>(*s), example_lang()), 1)
                << c.name << " " << show_char(*s) << " (" << int(*s) << ")";
        for (const char *s = c.no; *s != '\0'; ++s)
            EXPECT_EQ(c.test(static_cast<signed char>(*s), example_lang()), 0)
                << c.name << " " << show_char(*s) << " (" << int(*s) << ")";
    }
}

// The language-independent classes over every byte value; NUL is never a
// letter or a part letter (the scans stop at the terminator).
TEST(CharacterClasses, EveryByte) {
    for (int b = -128; b < 128; ++b) {
        const signed char ch = static_cast<signed char>(b);
        EXPECT_EQ(ifc_0(ch, example_lang()), b == 0 || b == '\n' || b == '\r') << b;
        EXPECT_EQ(ifc_1(ch, example_lang()), b == ' ') << b;
        EXPECT_EQ(ifc_5(ch, example_lang()), b >= '0' && b <= '9') << b;
    }
    for (LANG *l : {example_lang(), utf8_lang()}) {
        EXPECT_EQ(ifc_2(0, l), 0);
        EXPECT_EQ(ifc_20(0, l), 0);
        EXPECT_EQ(test_low(0, l), -1);
    }
    EXPECT_EQ(ifc_2(static_cast<signed char>(0xc5), utf8_lang()), 1);
    EXPECT_EQ(ifc_3(static_cast<signed char>(0x99), utf8_lang()), 1);
    EXPECT_EQ(ifc_4(static_cast<signed char>(0x98), utf8_lang()), 1);
    EXPECT_EQ(ifc_3(static_cast<signed char>(0x98), utf8_lang()), 0);
}

// The searches keep the last matching index.
TEST(CharacterClasses, SearchesReturnTheLastIndex) {
    const struct {
        const char *name;
        ClassTest search;
        char ch;
        int want;
    } cases[] = {
        {"test_low", test_low, 'a', 3},   {"test_low", test_low, 'b', 4},
        {"test_low", test_low, 'c', 2},   {"test_low", test_low, 'A', -1},
        {"test_low", test_low, '\0', -1}, {"test_up", test_up, 'A', 3},
        {"test_up", test_up, 'B', 4},     {"test_up", test_up, 'C', 2},
        {"test_up", test_up, 'a', -1},    {"test_parts", test_parts, 'a', 2},
        {"test_parts", test_parts, 'b', 1}, {"test_parts", test_parts, 'c', -1},
        {"test_chars", test_chars, ';', 1}, {"test_chars", test_chars, '.', 6},
        {"test_chars", test_chars, ',', 3}, {"test_chars", test_chars, 'n', 5},
        {"test_chars", test_chars, 'x', -1}, {"test_chars", test_chars, '\0', -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.search(static_cast<signed char>(c.ch), duplicate_lang()), c.want)
            << c.name << " " << show_char(c.ch);
    // With a character in two roles, the class tests still see both.
    EXPECT_EQ(ifc_10(';', duplicate_lang()), 1);
    EXPECT_EQ(ifc_11(';', duplicate_lang()), 1);
}

} // namespace
