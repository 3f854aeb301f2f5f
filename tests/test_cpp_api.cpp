// The C++ layer (tovrin.hpp): that each wrapper passes its arguments to the
// right C function in the right order, hands back what the C function
// returned as a value, releases every heap block, and keeps C++ exceptions
// out of the C scanner. Expected values follow the documented behaviour of
// the C functions, worked out by hand for the example languages.
#include "tovrin.hpp"

#include <gtest/gtest.h>

#include <ranges>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "test_support.h"

namespace tovrin {

// Readable failure output for the value types.
void PrintTo(const Unit &u, std::ostream *os) {
    *os << "{b=" << u.b << " c=" << u.c << " v=" << u.v << " fl=" << u.fl << " bf=" << u.bf
        << " cf=" << u.cf << " vf=" << u.vf << " flf=" << u.flf << " ab=" << int(u.ab)
        << " abf=" << int(u.abf) << "}";
}

void PrintTo(const Token &t, std::ostream *os) {
    *os << "{" << t.kind << " '" << t.text << "' @" << t.offset << "}";
}

} // namespace tovrin

namespace {

using testing_support::colon_lang;
using testing_support::example_lang;
using testing_support::in_child;
using testing_support::TempDir;
using tovrin::Check;
using tovrin::Language;
using tovrin::Token;
using tovrin::Unit;

// "xx": ; - . , + n .   books Gn Ex Mt Mk Lk(L) Jn(J) 1 Jn Rom(R)
Language xx() { return Language(example_lang()); }
// "yy": ; - , : + f .   books Gen Exod Mat Mark Luke John 1 John Rom
Language yy() { return Language(colon_lang()); }

// ---- languages ---------------------------------------------------------

TEST(CppLanguage, BooksByNameAndNumber) {
    const Language l = xx();
    EXPECT_EQ(l.name(), "xx");
    EXPECT_EQ(l.get(), example_lang());
    EXPECT_EQ(l.book_count(), 8);
    EXPECT_EQ(l.find_book("L"), 5);
    EXPECT_EQ(l.find_book("l"), 5) << "names are compared under case folding";
    EXPECT_EQ(l.find_book("1 J"), 7);
    EXPECT_EQ(l.find_book("Xy"), 0);
    // A name passed as a view into a longer text ends where the view ends.
    EXPECT_EQ(l.find_book(std::string_view("Lk 6,20").substr(0, 2)), 5);
    EXPECT_EQ(l.book_name(1), "Gn");
    EXPECT_EQ(l.book_name(8), "Rom");
    // Outside 1..8 booknr() would answer "???" or end the process.
    EXPECT_EQ(l.book_name(0), std::nullopt);
    EXPECT_EQ(l.book_name(9), std::nullopt);
    EXPECT_EQ(l, xx());
    EXPECT_NE(l, yy());
}

// ---- services ----------------------------------------------------------

TEST(CppServices, ExpandInOneAndTwoLanguages) {
    static const struct {
        const char *cite;
        const char *in_xx; // expand(cite, xx)
        const char *in_yy; // expand_bl(cite, xx, yy)
    } kCases[] = {
        {"Mt 5,3-7", "Mt 5,3-7", "Mat 5:3-7"},
        // A following mark on a single verse becomes a range to the next one.
        {"J 3,16n", "Jn 3,16-17", "John 3:16-17"},
        // A verse list: one unit per verse, each written in full.
        {"Mt 5,3.7", "Mt 5,3; Mt 5,7", "Mat 5:3; Mat 5:7"},
        // The empty citation is one unit without a book.
        {"", "???", "???"},
    };
    for (const auto &c : kCases) {
        EXPECT_EQ(tovrin::expand(c.cite, xx()), c.in_xx) << "cite: " << c.cite;
        EXPECT_EQ(tovrin::expand_bl(c.cite, xx(), yy()), c.in_yy) << "cite: " << c.cite;
    }
}

TEST(CppServices, ExpandSortOrdersTheUnits) {
    EXPECT_EQ(tovrin::expand_sort("R 8,28; Gn 1,1", xx(), xx()), "Gn 1,1; Rom 8,28");
    EXPECT_EQ(tovrin::expand_sort("R 8,28; Gn 1,1", xx(), yy()), "Gen 1:1; Rom 8:28");
    // Unsorted for comparison: the order of the text stays.
    EXPECT_EQ(tovrin::expand_bl("R 8,28; Gn 1,1", xx(), yy()), "Rom 8:28; Gen 1:1");
}

TEST(CppServices, TransCiteGivesNulloptWhenTheCitationDoesNotLex) {
    EXPECT_EQ(tovrin::trans_cite("Mt 5,3-7", xx(), yy()), "Mat 5:3-7");
    // Back again: every range mark becomes "-", numbers are kept as written.
    EXPECT_EQ(tovrin::trans_cite("Mat 5:03-7", yy(), xx()), "Mt 5,03-7");
    EXPECT_EQ(tovrin::trans_cite("", xx(), yy()), std::nullopt);
    EXPECT_EQ(tovrin::trans_cite("Jn 3,16 n", xx(), yy()), std::nullopt);
}

// A std::string_view is not terminated: the wrappers must stop where the
// view stops, not where the underlying buffer happens to have a NUL.
TEST(CppServices, ViewsEndWhereTheViewEnds) {
    const std::string_view text = "Mt 5,3-7; Gn 1,1";
    const std::string_view first = text.substr(0, 8); // "Mt 5,3-7"
    EXPECT_EQ(tovrin::expand(first, xx()), "Mt 5,3-7");
    EXPECT_EQ(tovrin::expand_bl(first, xx(), yy()), "Mat 5:3-7");
    EXPECT_EQ(tovrin::expand_sort(first, xx(), yy()), "Mat 5:3-7");
    EXPECT_EQ(tovrin::trans_cite(first, xx(), yy()), "Mat 5:3-7");
    EXPECT_EQ(tovrin::units(first, xx()).size(), 1u);
    EXPECT_TRUE(tovrin::check(text.substr(0, 2), xx()).failed == Check::no_chapter);
    EXPECT_TRUE(tovrin::overlaps(first, text.substr(10), xx()) == false);
}

// ---- units -------------------------------------------------------------

TEST(CppUnits, FieldsInTheirPlaces) {
    static const struct {
        const char *cite;
        std::vector<Unit> units; // {b, c, v, fl, bf, cf, vf, flf, ab, abf}
    } kCases[] = {
        {"", {Unit{}}},
        {"Mt 5,3-7", {{3, 5, 7, 0, 3, 5, 3, 0, 0, 0}}},
        // The second verse inherits book and chapter.
        {"Mt 5,3.7", {{3, 5, 3, 0, 3, 5, 3, 0, 0, 0}, {3, 5, 7, 0, 3, 5, 7, 0, 0, 0}}},
        // Marks stay in the units (no passes), copied to the start by adjust.
        {"J 3,16n", {{6, 3, 16, TK_NEXT, 6, 3, 16, TK_NEXT, 0, 0}}},
        // A part letter before the range mark goes to the start position.
        {"Gn 1,5a-7", {{1, 1, 7, 0, 1, 1, 5, 0, 0, 'a'}}},
        {"Gn 1,5-7b", {{1, 1, 7, 0, 1, 1, 5, 0, 'b', 0}}},
        // A chapter range: start verse not given.
        {"Gn 1-2,3", {{1, 2, 3, 0, 1, 1, 0, 0, 0, 0}}},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(tovrin::units(c.cite, xx()), c.units) << "cite: " << c.cite;
}

TEST(CppUnits, ManyUnits) {
    const auto all = tovrin::units("Mt 5,1.2.3.4.5.6.7.8.9.10.11.12", xx());
    ASSERT_EQ(all.size(), 12u);
    EXPECT_EQ(all.back(), (Unit{3, 5, 12, 0, 3, 5, 12, 0, 0, 0}));
}

TEST(CppUnits, ExpusWritesValuesBackAsText) {
    const Unit verse_range{3, 5, 7, 0, 3, 5, 3, 0, 0, 0};
    const Unit following{6, 3, 16, TK_NEXT, 6, 3, 16, TK_NEXT, 0, 0};
    const std::vector<Unit> both{verse_range, following};
    // Units that skipped the mark passes keep their marks in the text.
    EXPECT_EQ(tovrin::expus(both, xx()), "Mt 5,3-7; Jn 3,16n");
    EXPECT_EQ(tovrin::expus(both, yy()), "Mat 5:3-7; John 3:16f");
    // No units: tovrin_expus() returns null.
    EXPECT_EQ(tovrin::expus({}, xx()), std::nullopt);
    // units() and expus() agree with makepus() and tovrin_expus().
    for (const char *cite : {"Mt 5,3.7; L 6,20n", "Gn 1,5a-7", "1. J 2,1nn", "Gn-Ex", ""}) {
        tovrin::UnitArray pp(makepus(cite, example_lang()));
        tovrin::CString c_text(tovrin_expus(pp.get(), colon_lang()));
        ASSERT_NE(c_text, nullptr);
        EXPECT_EQ(tovrin::expus(tovrin::units(cite, xx()), yy()), c_text.get())
            << "cite: " << cite;
    }
}

// ---- comparison --------------------------------------------------------

TEST(CppCompare, OverlapsIsNotSymmetric) {
    EXPECT_FALSE(tovrin::overlaps("Mt 5,1-10", "Mt 5,5-20", xx()));
    EXPECT_TRUE(tovrin::overlaps("Mt 5,5-20", "Mt 5,1-10", xx()));
    EXPECT_TRUE(tovrin::overlaps("Mt 5,3", "Mt 5,1-10", xx()));
    EXPECT_TRUE(tovrin::overlaps("Mt 5,1-10", "Mt 5,3", xx()));
}

TEST(CppCompare, OrderAsWeakOrdering) {
    EXPECT_EQ(tovrin::order("Gn 1,1", "Mt 1,1", xx()), std::weak_ordering::less);
    EXPECT_EQ(tovrin::order("Mt 1,1", "Gn 1,1", xx()), std::weak_ordering::greater);
    EXPECT_EQ(tovrin::order("Mt 5,3", "Mt 5,3", xx()), std::weak_ordering::equivalent);
    // A shorter copy of the start of the other citation comes first.
    EXPECT_EQ(tovrin::order("Mt 5,3; Mt 5,4", "Mt 5,3; Mt 5,4; Mt 5,5", xx()),
              std::weak_ordering::less);
    EXPECT_EQ(tovrin::order("Mt 5,3; Mt 5,4; Mt 5,5", "Mt 5,3; Mt 5,4", xx()),
              std::weak_ordering::greater);
}

// Each citation is parsed in its own language: with the languages swapped
// neither text would read as the same passage.
TEST(CppCompare, EachCitationInItsOwnLanguage) {
    EXPECT_TRUE(tovrin::overlaps("Mt 5,3", "Mat 5:3", xx(), yy()));
    EXPECT_EQ(tovrin::order("Mt 5,3", "Mat 5:3", xx(), yy()), std::weak_ordering::equivalent);
    EXPECT_EQ(tovrin::order("Mat 5:3", "Mt 5,3", yy(), xx()), std::weak_ordering::equivalent);
    EXPECT_EQ(tovrin::order("Gen 1:1", "Mt 1,1", yy(), xx()), std::weak_ordering::less);
}

// ---- checks ------------------------------------------------------------

TEST(CppChecks, FirstFailureInTheOrderOfTheScanner) {
    static const struct {
        const char *cite;
        Check failed;
        int position;
        const char *text;
    } kCases[] = {
        {"Mt 5,3", Check::none, 0, ""},
        {"1. J 2,1-3,4", Check::none, 0, ""},
        // The lexer rejects the terminator in its initial state.
        {"", Check::lexing, 1, ""},
        // A text that stops after a range mark: length + 1.
        {"Mt 5,3-", Check::lexing, 8, ""},
        // A following mark must follow its verse directly: the "n" (9th).
        {"Jn 3,16 n", Check::lexing, 9, ""},
        {"Xy 5,3", Check::unknown_book, 0, "Xy"},
        {"Mt 0,3", Check::bad_number, 0, "0"},
        {"Mt 5,1000", Check::bad_number, 0, "1000"},
        {"Mt 5,7-3", Check::reversed_range, 0, ""},
        {"Mt", Check::no_chapter, 0, ""},
        // Several faults: the earlier check in the order 1, 2, 3, 4, 9 wins.
        {"Mt 5,7-3; Xy 1,1", Check::unknown_book, 0, "Xy"},
        {"Mt 0,7-3", Check::bad_number, 0, "0"},
        {"Xy", Check::unknown_book, 0, "Xy"},
    };
    for (const auto &c : kCases) {
        const tovrin::CheckResult r = tovrin::check(c.cite, xx());
        EXPECT_EQ(r.failed, c.failed) << "cite: " << c.cite;
        EXPECT_EQ(r.ok(), c.failed == Check::none) << "cite: " << c.cite;
        EXPECT_EQ(r.position, c.position) << "cite: " << c.cite;
        EXPECT_EQ(r.text, c.text) << "cite: " << c.cite;
    }
}

TEST(CppChecks, OneCheckAlone) {
    // A reversed range and an unknown book: each check sees only its own
    // fault.
    const char both[] = "Mt 5,7-3; Xy 1,1";
    EXPECT_EQ(tovrin::check(Check::reversed_range, both, xx()).failed, Check::reversed_range);
    EXPECT_EQ(tovrin::check(Check::unknown_book, both, xx()).text, "Xy");
    EXPECT_TRUE(tovrin::check(Check::lexing, both, xx()).ok());
    EXPECT_TRUE(tovrin::check(Check::no_chapter, both, xx()).ok());
    EXPECT_EQ(tovrin::check(Check::unknown_book, "Mt 5,3; Xy 1,1; Zz 2,2", xx()).text, "Xy");
    EXPECT_EQ(tovrin::check(Check::bad_number, "Mt 5,0007", xx()).text, "0007");
    EXPECT_EQ(tovrin::check(Check::no_chapter, "Gn-Ex", xx()).failed, Check::no_chapter);
    EXPECT_TRUE(tovrin::check(Check::none, "", xx()).ok());
}

// ---- tokens ------------------------------------------------------------

static_assert(std::ranges::input_range<tovrin::Tokens>);
static_assert(!std::is_copy_constructible_v<tovrin::Tokens>);
static_assert(std::is_nothrow_move_constructible_v<tovrin::Tokens>);

std::vector<Token> all_tokens(std::string_view text, Language l) {
    std::vector<Token> out;
    for (const Token &t : tovrin::tokens(text, l))
        out.push_back(t);
    return out;
}

TEST(CppTokens, KindsTextsAndOffsets) {
    static const struct {
        const char *text;
        std::vector<Token> tokens;
    } kCases[] = {
        {"Mt 5,3-12; Lk 6,20n",
         {{TK_BOOK, "Mt", 3},
          {TK_CHAPTER, "5", 4},
          {TK_VERSE_FROM, "3", 6},
          {TK_VERSE, "12", 9},
          {TK_BOOK, "Lk", 14},
          {TK_CHAPTER, "6", 15},
          {TK_VERSE, "20", 18},
          {TK_NEXT, "n", 19}}},
        // The book name comes out normalised.
        {"1. Jn 2,1nn",
         {{TK_BOOK, "1 Jn", 6}, {TK_CHAPTER, "2", 7}, {TK_VERSE, "1", 9}, {TK_NEXT2, "nn", 11}}},
        {"Gn 1,5a-7",
         {{TK_BOOK, "Gn", 3},
          {TK_CHAPTER, "1", 4},
          {TK_VERSE, "5", 6},
          {TK_PART_FROM, "a", 7},
          {TK_VERSE, "7", 9}}},
        {"Gn-Ex", {{TK_BOOK_FROM, "Gn", 2}, {TK_BOOK, "Ex", 5}}},
        // A text that does not lex ends with one error token at the
        // rejected character; the pending "16" is never reported.
        {"Jn 3,16 n", {{TK_BOOK, "Jn", 3}, {TK_CHAPTER, "3", 4}, {TK_ERROR, "", 8}}},
        {"", {{TK_ERROR, "", 0}}},
        // A line feed ends the citation like the terminator.
        {"Mt 5\nGn 1", {{TK_BOOK, "Mt", 3}, {TK_CHAPTER, "5", 4}}},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(all_tokens(c.text, xx()), c.tokens) << "text: " << c.text;
    // The same text in the other language: its separators change the tokens.
    EXPECT_EQ(all_tokens("Mat 5:3,4f", yy()),
              (std::vector<Token>{{TK_BOOK, "Mat", 4},
                                  {TK_CHAPTER, "5", 5},
                                  {TK_VERSE, "3", 7},
                                  {TK_VERSE, "4", 9},
                                  {TK_NEXT, "f", 10}}));
}

// The range owns its text and its lexer record: the caller's string may go
// away at once, and a walk may stop early without leaking the token text
// that the lexer holds (the sanitizer build checks both).
TEST(CppTokens, OwnsItsTextAndRecord) {
    auto toks = tovrin::tokens(std::string("Gn 1,5-7; Ex 2,3"), xx());
    auto it = toks.begin();
    ASSERT_NE(it, std::default_sentinel);
    EXPECT_EQ(it->text, "Gn");
    // Moving the range keeps the iterator valid.
    tovrin::Tokens moved = std::move(toks);
    ++it;
    EXPECT_EQ(*it, (Token{TK_CHAPTER, "1", 4}));
    ++it;
    EXPECT_EQ(it->kind, TK_VERSE_FROM); // the record holds its text "5"
    EXPECT_EQ(toks.begin(), std::default_sentinel) << "a moved-from range is empty";
}

TEST(CppTokens, WorksWithRangeAlgorithms) {
    auto toks = tovrin::tokens("Mt 5,3.4.5; Lk 1,1", xx());
    auto verses = toks | std::views::filter([](const Token &t) { return t.kind == TK_VERSE; });
    std::vector<std::string> texts;
    for (const Token &t : verses)
        texts.push_back(t.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"3", "4", "5", "1"}));
}

// ---- scanner -----------------------------------------------------------

// The text and citations as they went through the callables.
struct Recorder {
    std::string written;
    std::vector<std::string> found;
};

bool scan_string(const std::string &input, Recorder &r, Language l = xx()) {
    std::size_t next = 0;
    return tovrin::scan(
        l,
        [&]() -> int {
            return next < input.size() ? static_cast<unsigned char>(input[next++]) : -1;
        },
        [&](char c) { r.written.push_back(c); },
        [&](std::string_view c) { r.found.emplace_back(c); });
}

TEST(CppScan, StreamsWithMarkedCitations) {
    std::istringstream in("(Mt 5,3) Lk 6,2\n");
    std::ostringstream out;
    ASSERT_TRUE(tovrin::scan(in, out, xx(), [&](std::string_view c) { out << '[' << c << ']'; }));
    EXPECT_EQ(out.str(), "([Mt 5,3]) [Lk 6,2]\n");
}

TEST(CppScan, CallablesSeeEveryByteOnce) {
    static const struct {
        const char *input;
        const char *written;
        std::vector<std::string> found;
    } kCases[] = {
        {"no citation here.\n", "no citation here.\n", {}},
        // Bytes of 128 and more go out as the same bytes, and a citation
        // at the very end of the input is found.
        {"\xff\xe9 Mt 5,3", "\xff\xe9 ", {"Mt 5,3"}},
        // A bare book name is no citation, one in lower case neither.
        {"Mt and mt 5,3; Gn 1,1", "Mt and mt 5,3; ", {"Gn 1,1"}},
    };
    for (const auto &c : kCases) {
        Recorder r;
        ASSERT_TRUE(scan_string(c.input, r)) << "input: " << c.input;
        EXPECT_EQ(r.written, c.written) << "input: " << c.input;
        EXPECT_EQ(r.found, c.found) << "input: " << c.input;
    }
}

// An exception must not unwind through the C scanner: it is held, no
// callback runs after it, and it comes out of scan() once the scanner has
// returned. The next scan starts clean.
TEST(CppScan, CallbackExceptionsComeOutOfScan) {
    int calls_after = 0;
    bool thrown = false;
    const auto after = [&] { calls_after += thrown ? 1 : 0; };
    std::size_t next = 0;
    const std::string input = "x Mt 5,3 y Lk 6,2 z";
    try {
        (void)tovrin::scan(
            xx(),
            [&]() -> int {
                after();
                return next < input.size() ? static_cast<unsigned char>(input[next++]) : -1;
            },
            [&](char) { after(); },
            [&](std::string_view c) {
                after();
                thrown = true;
                throw std::runtime_error("found " + std::string(c));
            });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "found Mt 5,3");
    }
    EXPECT_EQ(calls_after, 0);

    // Thrown by the input callable: the same way out.
    int reads = 0;
    EXPECT_THROW((void)tovrin::scan(
                     xx(),
                     [&]() -> int {
                         if (++reads == 3)
                             throw std::logic_error("read");
                         return 'M';
                     },
                     [](char) {}, [](std::string_view) {}),
                 std::logic_error);

    Recorder r;
    ASSERT_TRUE(scan_string("(Mt 5,3)", r));
    EXPECT_EQ(r.written, "()");
    EXPECT_EQ(r.found, std::vector<std::string>{"Mt 5,3"});
}

// The scanner's state is global: a scan started from a callback is refused
// and leaves the running one undisturbed.
TEST(CppScan, NestedScanIsRefused) {
    Recorder outer;
    std::vector<bool> nested_results;
    bool nested_called = false;
    std::size_t next = 0;
    const std::string input = "a Mt 5,3 b Lk 6,2";
    ASSERT_TRUE(tovrin::scan(
        xx(),
        [&]() -> int {
            return next < input.size() ? static_cast<unsigned char>(input[next++]) : -1;
        },
        [&](char c) { outer.written.push_back(c); },
        [&](std::string_view c) {
            outer.found.emplace_back(c);
            nested_results.push_back(tovrin::scan(
                xx(),
                [&]() -> int {
                    nested_called = true;
                    return -1;
                },
                [&](char) { nested_called = true; },
                [&](std::string_view) { nested_called = true; }));
        }));
    EXPECT_EQ(outer.written, "a  b ");
    EXPECT_EQ(outer.found, (std::vector<std::string>{"Mt 5,3", "Lk 6,2"}));
    EXPECT_EQ(nested_results, (std::vector<bool>{false, false}));
    EXPECT_FALSE(nested_called);
}

// ---- configuration (loaded in a child process: records live forever) ----

const char kTwoLanguages[] =
    "% two languages, the first defined twice\n"
    "{aa\n"
    "!;-.,+n.\n"
    "_abcdefghijklmnopqrstuvwxyz\n"
    "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
    "&abc\n"
    "+Genesis\n"
    "*Gn\n"
    "+Exodus\n"
    "*Ex\n"
    "}\n"
    "{bb\n"
    "!;-,:+f.\n"
    "_abcdefghijklmnopqrstuvwxyz\n"
    "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
    "&abc\n"
    "+Gen\n"
    "+Exod\n"
    "}\n"
    "{aa\n"
    "!;-.,+n.\n"
    "_abcdefghijklmnopqrstuvwxyz\n"
    "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
    "&abc\n"
    "+Second\n"
    "}\n";

TEST(CppConfig, LanguagesByNameInFileOrder) {
    TempDir dir;
    const std::string path = dir.write("bibl.ini", kTwoLanguages);
    const auto o = in_child([&] {
        const tovrin::Config config(path);
        for (Language l : config.languages())
            std::printf("%s ", std::string(l.name()).c_str());
        const auto aa = config.find("aa");
        const auto bb = config.find("bb");
        std::printf("| %s %s %d",
                    aa ? std::string(aa->book_name(1).value_or("-")).c_str() : "none",
                    bb ? std::string(bb->book_name(2).value_or("-")).c_str() : "none",
                    config.find("cc").has_value());
        if (aa && bb)
            std::printf(" | %s", tovrin::expand_bl("Ex 2,3n", *aa, *bb).c_str());
    });
    EXPECT_EQ(o.status, 0) << o.err;
    // The first definition of a name wins.
    EXPECT_EQ(o.out, "aa bb aa | Genesis Exod 0 | Exod 2:3-4");
    EXPECT_EQ(o.err, "");
}

// config_table is global and each load replaces it; a Config keeps
// answering from the file it loaded.
TEST(CppConfig, EachConfigKeepsItsOwnList) {
    TempDir dir;
    const std::string first = dir.write("first.ini", kTwoLanguages);
    const std::string second = dir.write("second.ini",
                                          "{cc\n!;-.,+n.\n_ab\n^AB\n&a\n+Alpha\n}\n");
    const auto o = in_child([&] {
        // Static: after the second load only this object reaches the first
        // list, and the leak checker scans static storage at exit.
        static const tovrin::Config one(first);
        const tovrin::Config two(second);
        std::printf("%d %d %d %d", one.find("aa").has_value(),
                    one.find("cc").has_value(), two.find("cc").has_value(),
                    findlang("aa") != nullptr);
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "1 0 1 0");
}

// A file that cannot be loaded throws config_error with the file, the line
// and the reason; nothing is loaded and the program goes on (the child
// loads a good file afterwards and prints what it caught).
TEST(CppConfig, ErrorsAreThrownAndTheProgramGoesOn) {
    TempDir dir;
    const std::string good = dir.write("good.ini", kTwoLanguages);
    const std::string broken = dir.write("broken.ini", "% a comment\n{aa\n!;-.,\n}\n");
    const std::string nested = dir.write("nested.ini", "{aa\n{bb\n");
    const struct {
        std::string path;
        int line;
        std::string message;
    } cases[] = {
        {dir.path() + "/none.ini", 0, "cannot read: No such file or directory"},
        {dir.path(), 0, "cannot read: Is a directory"},
        {broken, 3, "invalid number of chars (\?\?\?)"},
        {nested, 2, "languages can't be nested"},
    };
    for (const auto &c : cases) {
        const auto o = in_child([&] {
            try {
                const tovrin::Config config(c.path);
                std::printf("loaded");
            } catch (const tovrin::config_error &e) {
                std::printf("%s|%d|%s|%s|%d\n", e.file().c_str(), e.line(), e.message().c_str(),
                            e.what(), config_table == nullptr);
            }
            const tovrin::Config after(good);
            std::printf("%d", after.find("bb").has_value());
        });
        const std::string where = c.path + (c.line > 0 ? ":" + std::to_string(c.line) : "");
        EXPECT_EQ(o.status, 0) << c.path << o.err;
        EXPECT_EQ(o.out, c.path + "|" + std::to_string(c.line) + "|" + c.message + "|" + where +
                             ": " + c.message + "|1\n1")
            << c.path;
        EXPECT_EQ(o.err, "") << c.path;
    }
}

// ---- text for JSON and HTML -------------------------------------------

// Quotes, backslashes and controls are escaped; a byte that is not UTF-8
// is kept as its Latin-1 character in JSON and shows as the replacement
// character in HTML, as does a NUL (HTML has none), so both stay valid
// UTF-8 and nothing after a NUL is lost.
TEST(CppEscape, JsonAndHtmlStayValidUtf8) {
    static const char kText[] = "a\"<&>\\\n\x01 \xC3\xA9 \xFF\0z";
    const std::string_view text(kText, sizeof kText - 1);
    EXPECT_EQ(tovrin::json_string(text), "\"a\\\"<&>\\\\\\n\\u0001 \xC3\xA9 \\u00ff\\u0000z\"");
    EXPECT_EQ(tovrin::html_escape(text),
              "a&quot;&lt;&amp;&gt;\\\n\x01 \xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBDz");
    EXPECT_EQ(tovrin::json_string(""), "\"\"");
}

} // namespace
