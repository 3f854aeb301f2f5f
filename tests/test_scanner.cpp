// The stream scanner, driven through its three callbacks: input from a
// string, every callback recorded together with the number of input reads
// made so far.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "internal.h"
#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::example_lang;
using testing_support::scan;
using testing_support::Scan;
using testing_support::ScanPiece;
using testing_support::StaticLang;

// Input is read up to its end exactly once, and never past it.
void expect_read_once(const Scan &s, const std::string &label) {
    EXPECT_EQ(s.reads, static_cast<int>(s.input.size()) + 1) << label;
    EXPECT_FALSE(s.read_after_end) << label;
}

// Compares long texts by their first difference instead of printing them.
void expect_same_text(const std::string &got, const std::string &want, const std::string &label) {
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    EXPECT_TRUE(got == want) << label << ": lengths " << got.size() << " and " << want.size()
                             << ", first difference at " << i;
}

// Printable form of a test input for failure messages.
std::string show(const std::string &s) {
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '\n')
            r += "\\n";
        else if (c < 32 || c >= 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            r += buf;
        } else
            r += static_cast<char>(c);
    }
    return r + "\"";
}

struct Case {
    const char *input;
    const char *want; // citations in brackets
};

void run_table(const Case *begin, const Case *end, LANG *l = example_lang()) {
    for (const Case *c = begin; c != end; ++c) {
        const Scan s = scan(c->input, l);
        EXPECT_EQ(s.marked(), c->want) << show(c->input);
        expect_read_once(s, show(c->input));
    }
}

TEST(Scanner, WorkedExampleStepByStep) {
    const Scan s = scan("(Mt 5,3) Lk 6,2\n");
    EXPECT_EQ(s.marked(), "([Mt 5,3]) [Lk 6,2]\n");
    // Input is pulled only when the lexer needs the next character. A
    // citation is known only once the character that stops the lexer has
    // been read, so "Mt 5,3" goes out after exactly 8 reads (the ')') and
    // "Lk 6,2" after exactly 16 (the line feed). Plain text may go out as
    // early as the scanner can tell it apart, but never later than the
    // decision that writes it: the ')' and the space once a lexer run from
    // the space behind the ')' has read the line feed, the line feed once
    // the end of input has been read.
    const struct {
        bool citation;
        const char *text;
        int min_reads, max_reads;
    } want[] = {
        {false, "(", 1, 1},   {true, "Mt 5,3", 8, 8},  {false, ")", 8, 16},
        {false, " ", 9, 16},  {true, "Lk 6,2", 16, 16}, {false, "\n", 16, 17},
    };
    ASSERT_EQ(s.pieces.size(), std::size(want));
    for (std::size_t k = 0; k < std::size(want); ++k) {
        const ScanPiece &p = s.pieces[k];
        EXPECT_EQ(p.citation, want[k].citation) << k;
        EXPECT_EQ(p.text, want[k].text) << k;
        EXPECT_GE(p.reads, want[k].min_reads) << p;
        EXPECT_LE(p.reads, want[k].max_reads) << p;
    }
    expect_read_once(s, "worked example");
}

TEST(Scanner, FindsCitations) {
    static const Case cases[] = {
        {"Mt 5,3", "[Mt 5,3]"},
        {"see Mt 5,3.", "see [Mt 5,3]."},
        {"Mt 5,3-12; Lk 6,20n\n", "[Mt 5,3-12; Lk 6,20n]\n"},
        {"Gn 1,5-7 ;Ex 2", "[Gn 1,5-7 ;Ex 2]"},
        {"Rom 8,28; 12,1-2.", "[Rom 8,28; 12,1-2]."},
        {"Mt 5,3\nLk 6,2\n", "[Mt 5,3]\n[Lk 6,2]\n"},
        {"Mt 5,3\r\n", "[Mt 5,3]\r\n"},
        // Leading spaces are written as one run, then the rest is scanned.
        {"  Mt 5,3", "  [Mt 5,3]"},
        // A citation ends before the spaces in front of the character that
        // stopped the lexer; the character after a citation starts the
        // next candidate though the lexer's next run begins behind it.
        {"Mt 5,3 a", "[Mt 5,3] a"},
        {"Mt 5,3 Lk 6,2", "[Mt 5,3] [Lk 6,2]"},
        {"1 Jn 2,1 and 1Jn 2,1", "[1 Jn 2,1] and [1Jn 2,1]"},
        {"Mt 5,3 1.Jn 2,1", "[Mt 5,3] [1.Jn 2,1]"},
        // The longest accepted prefix, then the rest scanned again.
        {"Mt 5,3-x", "[Mt 5,3]-x"},
        {"Mt 5,3; Xy 1", "[Mt 5,3]; Xy 1"},
        {"Mt 5,3-1 ok", "[Mt 5,3]-1 ok"},
        {"Mt 5,0", "[Mt 5],0"},
        {"Mt 1000", "Mt 1000"}, // no citation ends inside a number
        {"Mt 3-1", "[Mt 3]-1"}, // reversed chapters; "Mt 3-" does not lex
    };
    run_table(std::begin(cases), std::end(cases));
}

// A citation neither begins nor ends inside a word or a number, and does not
// end in a space, in every language; a letter next to a digit is a
// boundary. Letters are the language's own, UTF-8 bytes included.
TEST(Scanner, WordBoundaries) {
    static const struct {
        const char *lang, *input, *want;
    } cases[] = {
        // The first letter of the next word is not the following mark.
        {"cz", "Viz 1 Kor 13 nebo \xc5\xbdid 11,1.", "Viz [1 Kor 13] nebo [\xc5\xbdid 11,1]."},
        {"cz", "\xc5\xbd 23 n\xc3\xa1s", "[\xc5\xbd 23] n\xc3\xa1s"},
        {"sk", "\xc5\xbd 23 n\xc3\xa1s", "[\xc5\xbd 23] n\xc3\xa1s"},
        {"en", "Ps 23 for comfort", "[Ps 23] for comfort"},
        {"de", "Ps 23 f\xc3\xbcr", "[Ps 23] f\xc3\xbcr"},
        {"la", "Ps 23 sed", "[Ps 23] sed"},
        // ... but a mark that ends its word stays.
        {"cz", "J 3,16n.", "[J 3,16n]."},
        {"cz", "\xc5\xbd 23 n.", "[\xc5\xbd 23 n]."},
        {"en", "see John 3:16f.", "see [John 3:16f]."},
        {"la", "Ps 23 s.", "[Ps 23 s]."},
        // No citation ends inside a number, nor begins inside one.
        {"cz", "Mt 5,1000", "[Mt 5],1000"},
        {"de", "Mt 5,1000", "[Mt 5],1000"},
        {"en", "Matt 5:1000", "[Matt 5]:1000"},
        {"cz", "Gn 1000,1", "Gn 1000,1"},
        {"en", "Gen 1000:1", "Gen 1000:1"},
        {"cz", "v 12 k. 36 v.", "v 12 k. 36 v."},
        {"cz", "21 J 3", "21 [J 3]"},
        {"xx", "21 Jn 3", "21 [Jn 3]"},
        // No trailing space.
        {"cz", "Viz Ex 20,1-17 a Dt 5", "Viz [Ex 20,1-17] a [Dt 5]"},
        {"de", "Ex 20,1-17 und Dtn 5", "[Ex 20,1-17] und [Dtn 5]"},
        {"xx", "Mt 5,3 ", "[Mt 5,3] "},
        // A letter next to a digit is a boundary.
        {"cz", "Mt 5,3Lk 6,2", "[Mt 5,3][Lk 6,2]"},
        {"en", "Matt 5:3Luke 6:2", "[Matt 5:3][Luke 6:2]"},
        {"cz", "1K 13", "[1K 13]"},
        {"en", "1Cor 13", "[1Cor 13]"},
        // A part letter followed by a space.
        {"cz", "Mt 5,3a b", "[Mt 5,3a] b"},
        {"xx", "Mt 5,3a b", "[Mt 5,3a] b"},
        // At the very end of the input.
        {"cz", "viz J 3,16", "viz [J 3,16]"},
        {"la", "vide Io 3,16s", "vide [Io 3,16s]"},
    };
    for (const auto &c : cases) {
        LANG *l = std::string(c.lang) == "xx" ? example_lang()
                                               : testing_support::shipped_lang(c.lang);
        ASSERT_NE(l, nullptr);
        const Scan s = scan(c.input, l);
        EXPECT_EQ(s.marked(), c.want) << c.lang << " " << show(c.input);
        expect_read_once(s, show(c.input));
    }
}

TEST(Scanner, RejectsNonCitations) {
    static const Case cases[] = {
        {"Mt is here", "Mt is here"}, // a bare book name
        {"Mt\n", "Mt\n"},
        {"Mt-Lk", "Mt-Lk"},
        {"mt 5,3\n", "mt 5,3\n"},     // lower-case start
        {"xMt 5,3", "xMt 5,3"},
        {"Xy 5,3", "Xy 5,3"},         // unknown book
        {"(5,3)", "(5,3)"},
    };
    run_table(std::begin(cases), std::end(cases));
}

TEST(Scanner, TextWithoutCitationsIsCopiedByteForByte) {
    std::string every_byte;
    for (int c = 0; c < 256; ++c)
        every_byte += static_cast<char>(c);
    const std::string inputs[] = {
        "",
        "Hello, world!\n",
        "a  b\t\tc\r\n   \n",
        "12 apostles; 3 days.",
        std::string("nul\0in the middle\0", 19),
        "\xff",
        "\xff\xff x \xff\n",
        "\xc5\xbd" "alm \xc3\xa9t\xc3\xa9 \x80\xfe",
        every_byte,
        every_byte + every_byte,
    };
    for (const std::string &in : inputs) {
        const Scan s = scan(in);
        EXPECT_EQ(s.plain(), in) << show(in);
        EXPECT_EQ(s.citations(), 0) << show(in);
        expect_read_once(s, show(in));
    }
}

TEST(Scanner, EndOfInput) {
    static const Case cases[] = {
        {"", ""},
        {"\n", "\n"},
        {"abc", "abc"},
        {"abc\n", "abc\n"},
        {"  ", "  "},
        {"(", "("},
        {"Mt", "Mt"},
        {"Mt 5,3", "[Mt 5,3]"},
        {"Mt 5,3\n", "[Mt 5,3]\n"},
        {"Mt 5,3 ", "[Mt 5,3] "},
        {"Mt 5,3\n\n", "[Mt 5,3]\n\n"},
        // Cut by the end.
        {"Mt 5,", "[Mt 5],"},
        {"Mt 5,\n", "[Mt 5],\n"},
        {"Mt 5,3-", "[Mt 5,3]-"},
        {"Mt 5,3-1", "[Mt 5,3]-1"},
        // Text still pending behind a citation when the end is read.
        {"Mt 5,3; Xy 1; Lk 6,2", "[Mt 5,3]; Xy 1; [Lk 6,2]"},
        {"Mt 5,3; Xy 1; Lk 6,2\n", "[Mt 5,3]; Xy 1; [Lk 6,2]\n"},
        {"x Mt 5,3 Lk 6,2", "x [Mt 5,3] [Lk 6,2]"},
    };
    run_table(std::begin(cases), std::end(cases));
}

TEST(Scanner, EmptyInputReadsOnce) {
    const Scan s = scan("");
    EXPECT_TRUE(s.pieces.empty());
    EXPECT_EQ(s.reads, 1);
}

// The byte 255 is text like any other byte: it neither ends the scan nor
// is it mistaken for the end, and NUL passes as well.
TEST(Scanner, Byte255AndNulAreText) {
    static const Case cases[] = {
        {"Mt 5,3\xff", "[Mt 5,3]\xff"},
        {"\xffMt 5,3\n", "\xff[Mt 5,3]\n"},
        {"Mt 5,3\xffLk 6,2", "[Mt 5,3]\xff[Lk 6,2]"},
        {"\xff\xff\xff", "\xff\xff\xff"},
    };
    run_table(std::begin(cases), std::end(cases));

    const std::string with_nul("Mt 5,3\0Lk 6,2\0", 14);
    const Scan s = scan(with_nul);
    EXPECT_EQ(s.marked(), std::string("[Mt 5,3]\0[Lk 6,2]\0", 18));
    expect_read_once(s, "NUL");
}

// `out` receives the stored char as a signed 8-bit value.
TEST(Scanner, OutGetsSignedBytes) {
    const Scan s = scan("a\xc8\xff\x80\x7f");
    const std::vector<int> want = {'a', -56, -1, -128, 127};
    EXPECT_EQ(s.written, want);
}

// The first-character test looks at one byte: with UTF-8 letters, a
// lower-case word whose first byte is also the lead byte of a capital
// passes it, and case folding then finds the book.
TEST(Scanner, FirstCharacterTestIsOneByte) {
    static StaticLang lang("cz", ";-.,+n.", "abcdefghijklmnopqrstuvwxyz\xc4\x8d",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xc4\x8c", "abc", {{"Mt"}, {"\xc4\x8ct"}});

    const Scan s = scan("\xc4\x8dt 5,3\nmt 5,3\n\xc4\x8ct 5,3\n", lang.get());
    EXPECT_EQ(s.marked(), "[\xc4\x8dt 5,3]\nmt 5,3\n[\xc4\x8ct 5,3]\n");
}

// The end of input stops the lexer even in a language whose letters
// include the byte 255, the byte the end-of-input value is stored as.
TEST(Scanner, EndOfInputStopsTheLexerWhen255IsALetter) {
    static StaticLang lang("ff", ";-.,+n.", "abcdefghijklmnopqrstuvwxyz\xff",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xff", "abc", {{"Mt"}});
    static const Case cases[] = {
        {"Mt 5,3", "[Mt 5,3]"},
        {"Mt", "Mt"},
        {"ab", "ab"},
        {"Mt ", "Mt "},
        {"a\xff Mt 5,3", "a\xff [Mt 5,3]"},
        {"Mt 5,3 \xff", "[Mt 5,3] \xff"},
    };
    run_table(std::begin(cases), std::end(cases), lang.get());
}

// A candidate may grow to nearly the whole ring and still be a citation:
// "Mt", spaces, then the chapter.
TEST(Scanner, LongCandidateFillingMostOfTheRing) {
    const std::string cite = "Mt" + std::string(99990, ' ') + "5,3";
    const Scan s = scan("(" + cite + ")");
    expect_same_text(s.marked(), "([" + cite + "])", "long citation");
    expect_read_once(s, "long citation");
}

// The ring holds 100000 characters. A lexer run that never stops ("Mt"
// followed by spaces keeps it in one state) fills it; then the oldest
// character is written at once (not earlier: the chapter might still
// come), the lexer starts again behind it, and nothing is lost. Here "Mt"
// itself is pushed out, so its chapter is no citation; the one behind it is.
TEST(Scanner, RingFullWritesOldestCharacter) {
    const std::string text = "Mt" + std::string(100010, ' ') + "5,3 (";
    const Scan s = scan(text + "Lk 6,2)\n");
    expect_same_text(s.marked(), text + "[Lk 6,2])\n", "Mt and spaces");
    ASSERT_GE(s.pieces.size(), 2u);
    EXPECT_EQ(s.pieces[0], (ScanPiece{false, "M", 100000}));
    EXPECT_EQ(s.pieces[1], (ScanPiece{false, "t", 100001}));
    expect_read_once(s, "Mt and spaces");
}

TEST(Scanner, RingFullKeepsCitationBehindSpaces) {
    const std::string spaces(100010, ' ');
    const Scan s = scan(spaces + "Mt 5,3");
    expect_same_text(s.marked(), spaces + "[Mt 5,3]", "spaces and Mt 5,3");
    ASSERT_FALSE(s.pieces.empty());
    EXPECT_LE(s.pieces[0].reads, 100000);
    expect_read_once(s, "spaces and Mt 5,3");
}

// A citation stored across the end of the ring (slots 99998, 99999, 0, ...).
TEST(Scanner, CitationAcrossTheRingsEnd) {
    const std::string before(99998, '(');
    const Scan s = scan(before + "Mt 5,3\n");
    expect_same_text(s.marked(), before + "[Mt 5,3]\n", "wrapped citation");
    expect_read_once(s, "wrapped citation");
}

// Random texts from citation-like fragments: whatever the scanner decides,
// the text comes out unchanged and every citation it reports passes the
// acceptance test on its own.
TEST(Scanner, RandomTextsComeOutWholeWithValidCitations) {
    static const char *const fragments[] = {
        "Mt 5,3", "Lk 6,2-4", "Gn 1,5a-7", "1 Jn 2,1", "Rom 8", "Mt", "Xy", " ", "  ",
        "x",      "ab",       "(",         ")",        ";",     ",",  "-",  ".", "n",
        "\n",     "0",        "7",         "12",       "1000",  "\xff", "\xc4\x8d",
    };
    constexpr std::size_t kFragments = sizeof fragments / sizeof fragments[0];
    std::mt19937 rng(20240611);
    int found = 0;
    for (int round = 0; round < 400; ++round) {
        std::string in;
        const int n = 1 + static_cast<int>(rng() % 30);
        for (int k = 0; k < n; ++k)
            in += fragments[rng() % kFragments];
        const Scan s = scan(in);
        EXPECT_EQ(s.plain(), in) << show(in);
        expect_read_once(s, show(in));
        for (const ScanPiece &p : s.pieces) {
            if (!p.citation)
                continue;
            ++found;
            EXPECT_EQ(tovrin::detail::check_lev(p.text.c_str()), 1)
                << show(p.text) << " in " << show(in);
        }
    }
    EXPECT_GT(found, 100); // the property is not vacuous
}

} // namespace
