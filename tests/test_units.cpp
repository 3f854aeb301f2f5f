// The unit assembler: tokens of a citation -> citation units (makepus,
// tovrin_pparser), the unit helpers (shipout, adjust, newpu), the
// diagnostic print (printpu, printpus), and the `units` and `books`
// commands of the CLI end to end.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "internal.h"
#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::binary_dir;
using testing_support::colon_lang;
using testing_support::example_lang;
using testing_support::in_child;
using testing_support::run_command;
using testing_support::TempDir;

// One unit as "b,c,v,fl bf,cf,vf,flf ab abf": end position, start position,
// then the part letters (0 when not given).
std::string dump(const PARS_UNIT &u) {
    auto letter = [](signed char ch) {
        return ch == 0 ? std::string("0") : std::string(1, static_cast<char>(ch));
    };
    return std::to_string(u.b) + "," + std::to_string(u.c) + "," + std::to_string(u.v) + "," +
           std::to_string(u.fl) + " " + std::to_string(u.bf) + "," + std::to_string(u.cf) +
           "," + std::to_string(u.vf) + "," + std::to_string(u.flf) + " " + letter(u.ab) + " " +
           letter(u.abf);
}

std::vector<std::string> dumps(PARS_UNIT **pp) {
    std::vector<std::string> out;
    for (; *pp != nullptr; ++pp)
        out.push_back(dump(**pp));
    return out;
}

std::vector<std::string> units_of(const char *cite, LANG *l = example_lang()) {
    PARS_UNIT **pp = makepus(cite, l);
    std::vector<std::string> out = dumps(pp);
    freepus(pp);
    return out;
}

// Books of example_lang(): 1 Gn, 2 Ex, 3 Mt, 4 Mk, 5 Lk (L), 6 Jn (J),
// 7 "1 Jn", 8 Rom. Punctuation: ; citations, - range, . verse list,
// , chapter-verse, + open end, n following mark. Parts: a b c.
struct UnitCase {
    const char *cite;
    std::vector<std::string> want;
};

const UnitCase kUnitCases[] = {
    // One position: start equals end.
    {"Gn 1,5", {"1,1,5,0 1,1,5,0 0 0"}},
    {"Gn 1", {"1,1,0,0 1,1,0,0 0 0"}},
    {"Gn", {"1,0,0,0 1,0,0,0 0 0"}},
    {"genesis 007,010", {"1,7,10,0 1,7,10,0 0 0"}},
    {"1. Jn 2,1", {"7,2,1,0 7,2,1,0 0 0"}},
    {"L 6,20", {"5,6,20,0 5,6,20,0 0 0"}},

    // Verse list: the next verse inherits book and chapter. The last
    // boundary token comes with the end of the text, so the last unit is
    // handed out by one more call.
    {"Gn 1,2.3", {"1,1,2,0 1,1,2,0 0 0", "1,1,3,0 1,1,3,0 0 0"}},
    {"Gn 1,2.3.4",
     {"1,1,2,0 1,1,2,0 0 0", "1,1,3,0 1,1,3,0 0 0", "1,1,4,0 1,1,4,0 0 0"}},
    // A chapter after a citation separator: same book, verse 0.
    {"Gn 1,5; 7", {"1,1,5,0 1,1,5,0 0 0", "1,7,0,0 1,7,0,0 0 0"}},
    {"Gn 1; 3", {"1,1,0,0 1,1,0,0 0 0", "1,3,0,0 1,3,0,0 0 0"}},
    {"Gn 1; 3,4", {"1,1,0,0 1,1,0,0 0 0", "1,3,4,0 1,3,4,0 0 0"}},

    // Ranges: one unit from the start to the end.
    {"Gn 1,5-7", {"1,1,7,0 1,1,5,0 0 0"}},
    {"Gn 1-2", {"1,2,0,0 1,1,0,0 0 0"}},
    {"Gn 1-2,3", {"1,2,3,0 1,1,0,0 0 0"}},
    {"Gn 1,5-2,3", {"1,2,3,0 1,1,5,0 0 0"}},
    {"Gn 1,5a-7b", {"1,1,7,0 1,1,5,0 b a"}},
    {"Gn 1,5a-7", {"1,1,7,0 1,1,5,0 0 a"}},
    {"Gn 1,5-7c", {"1,1,7,0 1,1,5,0 c 0"}},
    {"Gn-Ex", {"2,0,0,0 1,0,0,0 0 0"}},
    {"Gn-Ex 3", {"2,3,0,0 1,0,0,0 0 0"}},
    {"Gn-Ex 3,4", {"2,3,4,0 1,0,0,0 0 0"}},
    {"Mt 5,3-12; Lk 6,20n", {"3,5,12,0 3,5,3,0 0 0", "5,6,20,10 5,6,20,10 0 0"}},

    // Marks and part letters go to the end position; adjust copies them
    // to the start of a unit without a range, and the next unit does not
    // inherit them.
    {"Gn 1,5n", {"1,1,5,10 1,1,5,10 0 0"}},
    {"Gn 1,5nn", {"1,1,5,11 1,1,5,11 0 0"}},
    {"Gn 1,5+", {"1,1,5,12 1,1,5,12 0 0"}},
    {"Gn 1n", {"1,1,0,10 1,1,0,10 0 0"}},
    {"Gn 1nn; 2", {"1,1,0,11 1,1,0,11 0 0", "1,2,0,0 1,2,0,0 0 0"}},
    {"Gn 1,5a", {"1,1,5,0 1,1,5,0 a a"}},
    {"Gn 1,5n.7", {"1,1,5,10 1,1,5,10 0 0", "1,1,7,0 1,1,7,0 0 0"}},
    {"Gn 1,5a.7", {"1,1,5,0 1,1,5,0 a a", "1,1,7,0 1,1,7,0 0 0"}},

    // Unknown books are book 0. With a range the start is then 0 too, so
    // adjust replaces the whole start by the end position.
    {"Xy 3,4", {"0,3,4,0 0,3,4,0 0 0"}},
    {"Xy 1,5-7", {"0,1,7,0 0,1,7,0 0 0"}},
    {"Xy 1-2,3", {"0,2,3,0 0,2,3,0 0 0"}},
    {"Xy-Ex 3", {"2,3,0,0 2,3,0,0 0 0"}},
    {"Gn-Xy", {"0,0,0,0 1,0,0,0 0 0"}},

    // Numbers beyond int saturate.
    {"Gn 99999999999,1", {"1,2147483647,1,0 1,2147483647,1,0 0 0"}},
    {"Gn 1,2147483648", {"1,1,2147483647,0 1,1,2147483647,0 0 0"}},
    {"Gn 1,2147483647", {"1,1,2147483647,0 1,1,2147483647,0 0 0"}},

    // A lexer error ends the run: the units so far and the pending one;
    // a number not yet reported is lost.
    {"", {"0,0,0,0 0,0,0,0 0 0"}},
    {"   ", {"0,0,0,0 0,0,0,0 0 0"}},
    {";Gn 1", {"0,0,0,0 0,0,0,0 0 0"}},
    {"Gn 1,5 n", {"1,1,0,0 1,1,0,0 0 0"}},
    {"Gn 1,5; Ex 2,3 x; Lk 1", {"1,1,5,0 1,1,5,0 0 0", "2,2,0,0 2,2,0,0 0 0"}},
    {"Gn 1,5.7;", {"1,1,5,0 1,1,5,0 0 0", "1,1,7,0 1,1,7,0 0 0"}},
    // A line feed ends the text like its terminator.
    {"Gn 1,5\nEx 2", {"1,1,5,0 1,1,5,0 0 0"}},
};

TEST(Makepus, UnitTable) {
    for (const auto &c : kUnitCases)
        EXPECT_EQ(units_of(c.cite), c.want) << "cite: \"" << c.cite << "\"";
}

// Which token closes the pending unit depends on the kind of the last
// book/chapter/verse token before it (lasta).
const UnitCase kBoundaryCases[] = {
    // TK_BOOK after a book, a chapter, a verse
    {"Gn; Ex", {"1,0,0,0 1,0,0,0 0 0", "2,0,0,0 2,0,0,0 0 0"}},
    {"Gn 1; Ex 2", {"1,1,0,0 1,1,0,0 0 0", "2,2,0,0 2,2,0,0 0 0"}},
    {"Gn 1,5; Ex 2", {"1,1,5,0 1,1,5,0 0 0", "2,2,0,0 2,2,0,0 0 0"}},
    // TK_BOOK_FROM after a verse; what follows the range mark stays
    {"Gn 1,5; Ex-Lk", {"1,1,5,0 1,1,5,0 0 0", "5,0,0,0 2,0,0,0 0 0"}},
    // TK_CHAPTER after a book: none; after a chapter range: none
    {"Gn 1-2; 4", {"1,2,0,0 1,1,0,0 0 0", "1,4,0,0 1,4,0,0 0 0"}},
    // TK_CHAPTER_FROM after a chapter and after a verse
    {"Gn 1; 7-8", {"1,1,0,0 1,1,0,0 0 0", "1,8,0,0 1,7,0,0 0 0"}},
    {"Gn 1,5; 7-8", {"1,1,5,0 1,1,5,0 0 0", "1,8,0,0 1,7,0,0 0 0"}},
    // TK_VERSE_FROM after a verse
    {"Gn 1,5.7-9", {"1,1,5,0 1,1,5,0 0 0", "1,1,9,0 1,1,7,0 0 0"}},
    // TK_CHAPTER after the verse that ends a range in another chapter
    {"Gn 1,5-2,3; 4", {"1,2,3,0 1,1,5,0 0 0", "1,4,0,0 1,4,0,0 0 0"}},
    // A part letter with the range mark directly after it counts as a
    // verse with the range mark; after a space the letter was already
    // reported as TK_PART, so the next verse begins a new unit.
    {"Gn 1,5b-7", {"1,1,7,0 1,1,5,0 0 b"}},
    {"Gn 1,5b -7", {"1,1,5,0 1,1,5,0 b b", "1,1,7,0 1,1,7,0 0 0"}},
};

TEST(Makepus, BoundaryTable) {
    for (const auto &c : kBoundaryCases)
        EXPECT_EQ(units_of(c.cite), c.want) << "cite: \"" << c.cite << "\"";
}

TEST(Makepus, OtherLanguage) {
    // colon_lang: , verse list, : chapter-verse, f following mark.
    EXPECT_EQ(units_of("Matt 5:3-12, 14f", colon_lang()),
              (std::vector<std::string>{"3,5,12,0 3,5,3,0 0 0", "3,5,14,10 3,5,14,10 0 0"}));
}

// The array starts with room for 10 pointers and grows by 10: counts on
// both sides of each step, every unit checked.
TEST(Makepus, ManyUnits) {
    for (int n : {1, 9, 10, 11, 19, 20, 21, 30, 31, 95}) {
        std::string cite = "Gn 1,1";
        std::vector<std::string> want = {"1,1,1,0 1,1,1,0 0 0"};
        for (int v = 2; v <= n; ++v) {
            cite += "." + std::to_string(v);
            want.push_back("1,1," + std::to_string(v) + ",0 1,1," + std::to_string(v) +
                           ",0 0 0");
        }
        EXPECT_EQ(units_of(cite.c_str()), want) << n << " units";
    }
}

// ---- the run, step by step -------------------------------------------

struct Step {
    std::string unit;
    int end, endi;
};

std::vector<Step> steps_of(const char *cite) {
    PPARS run;
    tovrin_ppinit(cite, &run, example_lang());
    std::vector<Step> steps;
    while (run.end == 0 && steps.size() < 100) {
        tovrin_pparser(&run);
        steps.push_back({dump(run.ou), run.end, run.endi});
    }
    tovrin_ppfree(&run);
    return steps;
}

TEST(Pparser, EndFlagOnlyOnTheLastUnit) {
    const struct {
        const char *cite;
        std::vector<Step> want;
    } cases[] = {
        {"Gn 1,5", {{"1,1,5,0 1,1,5,0 0 0", 1, 1}}},
        // The lexer finishes on the character that closes the first unit:
        // that call hands it out and sets endi; the next one drains.
        {"Gn 1,2.3", {{"1,1,2,0 1,1,2,0 0 0", 0, 1}, {"1,1,3,0 1,1,3,0 0 0", 1, 1}}},
        {"Gn 1; 3; 5",
         {{"1,1,0,0 1,1,0,0 0 0", 0, 0},
          {"1,3,0,0 1,3,0,0 0 0", 0, 1},
          {"1,5,0,0 1,5,0,0 0 0", 1, 1}}},
        // The lexer finishes without a boundary: one call, end at once.
        {"Gn 1,2.3n", {{"1,1,2,0 1,1,2,0 0 0", 0, 0}, {"1,1,3,10 1,1,3,10 0 0", 1, 1}}},
        {"", {{"0,0,0,0 0,0,0,0 0 0", 1, 1}}},
    };
    for (const auto &c : cases) {
        auto got = steps_of(c.cite);
        ASSERT_EQ(got.size(), c.want.size()) << "cite: \"" << c.cite << "\"";
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].unit, c.want[k].unit) << "\"" << c.cite << "\" call " << k;
            EXPECT_EQ(got[k].end, c.want[k].end) << "\"" << c.cite << "\" call " << k;
            EXPECT_EQ(got[k].endi, c.want[k].endi) << "\"" << c.cite << "\" call " << k;
        }
    }
}

TEST(Pparser, InitAndBorrowedText) {
    const char cite[] = "Gn 1,2.3";
    PPARS run;
    run.in.b = 42;
    run.ou.v = 42;
    run.end = run.endi = run.i = run.lasta = 7;
    tovrin_ppinit(cite, &run, colon_lang());
    EXPECT_EQ(run.cite, cite);
    EXPECT_EQ(run.lg, colon_lang());
    EXPECT_EQ(run.p.l, colon_lang());
    EXPECT_EQ(run.end, 0);
    EXPECT_EQ(run.endi, 0);
    EXPECT_EQ(run.i, 0);
    EXPECT_EQ(run.lasta, 0);
    EXPECT_EQ(dump(run.in), "0,0,0,0 0,0,0,0 0 0");
    EXPECT_EQ(dump(run.ou), "0,0,0,0 0,0,0,0 0 0");
    tovrin_ppfree(&run);

    // After the first unit of "Gn 1,2.3" (handed out at the terminator)
    // the run has read the whole text and remembers a verse.
    tovrin_ppinit(cite, &run, example_lang());
    tovrin_pparser(&run);
    EXPECT_EQ(run.i, 9);
    EXPECT_EQ(run.lasta, TK_VERSE);
    EXPECT_EQ(dump(run.in), "1,1,3,0 0,0,0,0 0 0");
    tovrin_ppfree(&run);
}

// ---- unit helpers ----------------------------------------------------

TEST(UnitHelpers, ShipoutKeepsBookChapterVerseForTheNextUnit) {
    PARS_UNIT src{1, 2, 3, 10, 4, 5, 6, 11, 'a', 'b'};
    PARS_UNIT dest{9, 9, 9, 9, 9, 9, 9, 9, 'c', 'c'};
    tovrin::detail::shipout(&dest, &src);
    EXPECT_EQ(dump(dest), "1,2,3,10 4,5,6,11 a b");
    EXPECT_EQ(dump(src), "1,2,3,0 0,0,0,0 0 0");
}

TEST(UnitHelpers, AdjustFillsAMissingStart) {
    // Start book 0: the whole start becomes the end, whatever it held.
    PARS_UNIT u{1, 2, 3, 10, 0, 9, 9, 12, 'a', 'c'};
    tovrin::detail::adjust(&u);
    EXPECT_EQ(dump(u), "1,2,3,10 1,2,3,10 a a");
    // A start of its own stays.
    PARS_UNIT r{2, 3, 0, 0, 1, 0, 0, 0, 0, 0};
    tovrin::detail::adjust(&r);
    EXPECT_EQ(dump(r), "2,3,0,0 1,0,0,0 0 0");
}

TEST(UnitHelpers, NewpuCopiesAndInitClears) {
    PARS_UNIT u{1, 2, 3, 10, 4, 5, 6, 11, 'a', 'b'};
    PARS_UNIT *copy = newpu(&u);
    ASSERT_NE(copy, &u);
    tovrin_pu_init(&u);
    EXPECT_EQ(dump(u), "0,0,0,0 0,0,0,0 0 0");
    EXPECT_EQ(dump(*copy), "1,2,3,10 4,5,6,11 a b");
    std::free(copy);
}

// ---- printpu and printpus --------------------------------------------

std::string printed(PARS_UNIT u, LANG *l = example_lang()) {
    auto o = in_child([&] { printpu(&u, l); });
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    return o.out;
}

TEST(Printpu, Forms) {
    const struct {
        PARS_UNIT u;
        const char *want;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "??? 0,0 - ??? 0,0"},
        {{1, 1, 7, 0, 1, 1, 5, 0, 0, 'a'}, "Gn 1,5(a) - Gn 1,7"},
        {{1, 1, 7, 0, 1, 1, 5, 0, 'b', 'a'}, "Gn 1,5(a) - Gn 1,7(b)"},
        {{6, 3, 16, 10, 6, 3, 16, 10, 0, 0}, "Jn 3,16(n) - Jn 3,16(n)"},
        {{6, 3, 16, 11, 6, 3, 16, 0, 0, 0}, "Jn 3,16 - Jn 3,16(nn)"},
        {{6, 3, 16, 12, 6, 3, 16, 12, 0, 0}, "Jn 3,16(+) - Jn 3,16(+)"},
        // the mark comes before the part letter
        {{7, 2, 1, 10, 7, 2, 1, 10, 'c', 'c'}, "1 Jn 2,1(n)(c) - 1 Jn 2,1(n)(c)"},
        // unknown book and another book in one unit
        {{8, 1, 0, 0, 0, 1, 0, 0, 0, 0}, "??? 1,0 - Rom 1,0"},
        // other mark values and part letters that are not positive print nothing
        {{1, 1, 1, 5, 1, 1, 1, 13, static_cast<signed char>(0xE1), -1}, "Gn 1,1 - Gn 1,1"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(printed(c.u), c.want) << c.want;
}

TEST(Printpu, MarksOfTheLanguageLiteralComma) {
    // colon_lang: following mark f, chapter-verse separator ':' is not used.
    EXPECT_EQ(printed({3, 5, 3, 11, 3, 5, 3, 10, 0, 0}, colon_lang()),
              "Mat 5,3(f) - Mat 5,3(ff)");
}

TEST(Printpus, OneLinePerUnit) {
    auto o = in_child([] {
        PARS_UNIT **pp = makepus("Gn 1,5a-7b; Ex 2n; Xy", example_lang());
        printpus(pp, example_lang());
        freepus(pp);
    });
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "Gn 1,5(a) - Gn 1,7(b)\n"
                     "Ex 2,0(n) - Ex 2,0(n)\n"
                     "??? 0,0 - ??? 0,0\n");
}

TEST(Printpu, BookPastTheLastIsFatal) {
    auto o = in_child([] {
        PARS_UNIT u{9, 1, 1, 0, 1, 1, 1, 0, 0, 0};
        printpu(&u, example_lang());
    });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "booknr (tovrin): invalid book number ! \n");
}

// ---- the CLI ---------------------------------------------------------

const char kConfig[] = "% a small language for the CLI\n"
                       "{xx\n"
                       "!;-.,+n.\n"
                       "_abcdefghijklmnopqrstuvwxyz\n"
                       "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
                       "&abc\n"
                       "+Gn\n"
                       "*Genesis\n"
                       "*Gen\n"
                       "+Ex\n"
                       "*Exodus\n"
                       "+Mk\n"
                       "}\n";

std::string cli(const TempDir &dir) {
    return binary_dir() + "/tovrin --config " + dir.path() + "/bibl.ini";
}

TEST(Cli, Units) {
    TempDir dir;
    dir.write("bibl.ini", kConfig);
    const struct {
        const char *text;
        const char *want;
    } cases[] = {
        {"Gn 1,5a-7b; Ex 2n", "Gn 1,5(a) - Gn 1,7(b)\nEx 2,0(n) - Ex 2,0(n)\n"},
        {"gen 1-2,3", "Gn 1,0 - Gn 2,3\n"},
        {"Mk 1,2.3+", "Mk 1,2 - Mk 1,2\nMk 1,3(+) - Mk 1,3(+)\n"},
    };
    // Texts that are no citation ("Xy 3", "") are refused: test_cli.cpp.
    for (const auto &c : cases) {
        auto o = run_command(cli(dir) + " units --lang xx '" + c.text + "'");
        EXPECT_EQ(o.status, 0) << c.text;
        EXPECT_EQ(o.err, "") << c.text;
        EXPECT_EQ(o.out, c.want) << c.text;
    }
}

TEST(Cli, Books) {
    TempDir dir;
    dir.write("bibl.ini", kConfig);
    auto o = run_command(cli(dir) + " books --lang xx");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "1\tGn (Genesis, Gen)\n2\tEx (Exodus)\n3\tMk\n");
}

} // namespace
