// The five validity checks, each over a table of citations in the example
// language (; - . , + n . with the books Gn Ex Mt Mk Lk Jn "1 Jn" Rom).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::colon_lang;
using testing_support::example_lang;

// Owns a text returned by check2/check3; null stays null.
using Owned = std::unique_ptr<char, decltype(&std::free)>;

Owned own(char *s) { return Owned(s, &std::free); }

// A citation and what a check answers for it.
template <typename Answer> struct Case {
    const char *cite;
    Answer want;
};

// Checks that answer with a number: a position, or 0 and 1.
template <std::size_t N>
void expect_answers(int (*check)(const char *, LANG *), const Case<int> (&cases)[N]) {
    for (const auto &c : cases)
        EXPECT_EQ(check(c.cite, example_lang()), c.want) << '"' << c.cite << '"';
}

// Checks that answer with the first offending token's text; null: none.
template <std::size_t N>
void expect_answers(char *(*check)(const char *, LANG *), const Case<const char *> (&cases)[N]) {
    for (const auto &c : cases) {
        Owned got = own(check(c.cite, example_lang()));
        if (c.want == nullptr)
            EXPECT_EQ(got.get(), nullptr) << '"' << c.cite << "\" gave \"" << got.get() << '"';
        else
            EXPECT_STREQ(got.get(), c.want) << '"' << c.cite << '"';
    }
}

TEST(Check1, ErrorPositionIsOneBased) {
    const Case<int> cases[] = {
        // Lexes whole.
        {"Mt 5,3", 0},
        {"Mt 5,3-12; Lk 6,20n", 0},
        {"1. Jn 2,1nn", 0},
        {"Gn 1,5-2,3", 0},
        {"Gn", 0},
        {"Xy 9999,0", 0}, // books and numbers are not this check's business
        {"Gn 1,5\n(((", 0}, // a line feed ends the text like NUL
        // The end of text where no citation can end: length plus one.
        {"", 1},
        {"   ", 4},
        {"Gn 1,5-", 8},
        {"Gn 1;", 6},
        {"Gn 1 ;", 7},
        {"Gn 1,", 6},
        // An offending character in the middle.
        {"(Mt", 1},
        {"Gn 1 2", 6},
        {"Gn .", 4},
        {"Jn 3,16 n", 9},
        {"Gn\t1", 3},
        {"Gn 1,5; Ex 2. 3", 13},
    };
    expect_answers(tovrin_check1, cases);
}

TEST(Check1, PunctuationComesFromTheLanguage) {
    EXPECT_EQ(tovrin_check1("Mat 5:3", example_lang()), 6);
    EXPECT_EQ(tovrin_check1("Mat 5:3", colon_lang()), 0);
    // There ',' separates verses of a list, which cannot follow a chapter.
    EXPECT_EQ(tovrin_check1("Mat 5,3", colon_lang()), 6);
    EXPECT_EQ(tovrin_check1("Mat 5,3", example_lang()), 0);
}

TEST(Check2, FirstUnknownBookName) {
    // null: every book name is known.
    const Case<const char *> cases[] = {
        {"", nullptr},
        {"Mt 5,3", nullptr},
        {"Mat 5,3", nullptr},
        {"mt 5,3", nullptr}, // names fold to the capitals
        {"L 6,2", nullptr},
        {"1 Jn 2,1", nullptr},
        {"1Jn 2,1", nullptr},
        {"1. J 2,1", nullptr},
        {"Gn.", nullptr},
        // Known with and without the range mark after it.
        {"Mt-Mk", nullptr},
        {"Gn-Ex 3", nullptr},
        // Unknown: the token text as the lexer normalised it.
        {"Xy 3", "Xy"},
        {"1. Xy 3", "1 Xy"},
        {"1Xy", "1 Xy"},
        {"Ab.  Cd 1", "Ab Cd"},
        {"Xy.", "Xy"},
        {"Mtx 1", "Mtx"},     // no prefix matching
        {"Gn 1; 5 n", "5 n"}, // a number and a word after a separator
        {"5", "5"},           // a lone number is a book token
        {"Xy-Mt", "Xy"},
        {"Mt-Xy 2", "Xy"},
        // Only the first offender.
        {"Gn 1; Xy 2; Zz 3", "Xy"},
        {"Zz-Xy", "Zz"},
        // A token reported before a lexing error still counts; nothing
        // after the error is read.
        {"Xy 1 2", "Xy"},
        {"Gn 1 2; Xy", nullptr},
    };
    expect_answers(tovrin_check2, cases);
}

TEST(Check3, FirstImplausibleNumber) {
    const Case<const char *> cases[] = {
        {"", nullptr},
        {"Mt 5,3", nullptr},
        {"Gn 999,999", nullptr},
        {"Gn 00", nullptr},
        {"Gn 1,00", nullptr},
        {"Gn 007", nullptr},
        {"Gn 1,5n", nullptr}, // marks are no numbers
        {"0", nullptr},       // a book token, not a chapter
        {"Gn 0", "0"},
        {"Gn 1,0", "0"},
        {"Gn 1000", "1000"},
        {"Gn 1,1000", "1000"},
        {"Gn 1,0012", "0012"},
        // Every kind of chapter and verse token: 3, 4, 5, 6.
        {"Gn 0-3", "0"},
        {"Gn 1-0", "0"},
        {"Gn 1,0-3", "0"},
        {"Gn 1,5-0", "0"},
        {"Gn 1,5-0,3", "0"},
        {"Gn 1; 0", "0"},
        // Only the first offender.
        {"Gn 1000,0", "1000"},
        {"Gn 5,1234; 0", "1234"},
        // Reported before a lexing error, or never reported at all.
        {"Gn 0;", "0"},
        {"Gn 0 x", nullptr},
    };
    expect_answers(tovrin_check3, cases);
}

// The returned text is detached from the check's lexer record: it can be
// kept, changed and freed after the check has returned, and the next call
// is not disturbed by it (the sanitizer build catches a shared block).
TEST(Check2And3, ResultIsTheCallersOwnBlock) {
    char *a = tovrin_check2("Xy 1; Zz 2", example_lang());
    char *b = tovrin_check3("Gn 0; 1000", example_lang());
    ASSERT_STREQ(a, "Xy");
    ASSERT_STREQ(b, "0");
    a[0] = 'Q';
    b[0] = '9';
    Owned again = own(tovrin_check2("Xy 1", example_lang()));
    EXPECT_STREQ(again.get(), "Xy");
    EXPECT_STREQ(a, "Qy");
    EXPECT_STREQ(b, "9");
    std::free(a);
    std::free(b);
}

TEST(Check4, ReversedRange) {
    const Case<int> cases[] = {
        // Single positions.
        {"", 0},
        {"Gn", 0},
        {"Gn 5", 0},
        {"Gn 5,3", 0},
        {"Gn 5,3. 1", 0}, // a verse list is no range
        // Books.
        {"Gn-Ex", 0},
        {"Mt-Gn", 1},
        {"Ex-Gn 3,1", 1},
        // Chapters.
        {"Gn 1-2", 0},
        {"Gn 2-2", 0},
        {"Gn 2-1", 1},
        {"Gn 2,3-1,5", 1},
        // Verses: the chapters decide before the verses.
        {"Gn 1,7-2,3", 0},
        {"Gn 1,7-3", 1},
        {"Gn 1,5-5", 0},
        {"Gn 1,5b-5a", 0}, // part letters play no part
        // An unknown book is book 0, and a unit whose start book is 0 gets
        // its end copied into its start: the range is lost, not reversed.
        {"Xy 1,7-3", 0},
        // Any unit: the first, a later one, one after a verse list.
        {"Gn 1,7-3; 2,1", 1},
        {"Gn 1,1; 2,7-3", 1},
        {"Gn 1,1. 7-3", 1},
        {"Gn 1,1. 3-7", 0},
    };
    expect_answers(tovrin_check4, cases);
}

TEST(Check9, UnitWithoutChapter) {
    const Case<int> cases[] = {
        {"Gn 1", 0},
        {"Gn 1,5", 0},
        {"Gn 1-2", 0},
        {"Xy 3", 0}, // unknown book, but a chapter
        {"Gn 1-", 0}, // a start chapter alone is enough
        {"Gn", 1},
        {"1 Jn", 1},
        {"5", 1},
        {"Gn-Ex", 1},
        {"Gn 1; Ex", 1}, // the second unit
        {"Gn; Ex 1", 1}, // the first unit
        {"", 1},         // the one empty unit
    };
    expect_answers(tovrin_check9, cases);
}

} // namespace
