// The services on whole citation strings: canonical expansion (in one
// language, into another, sorted), token-by-token translation, and the
// overlap test and order of two citations.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::colon_lang;
using testing_support::example_lang;
using testing_support::in_child;
using testing_support::StaticLang;
using testing_support::take;

// The example language with "~" as its range mark, so that a written range
// mark can be told from the hyphen.
LANG *tilde_lang() {
    static LANG l = [] {
        LANG x = *example_lang();
        x.name = const_cast<char *>("zz");
        x.chars[1] = '~';
        x.next = nullptr;
        return x;
    }();
    return &l;
}

// The colon language with only its first two books (Gen, Exod).
LANG *short_lang() {
    static StaticLang l("ss", ";-,:+f.", colon_lang()->lower, colon_lang()->upper,
                        colon_lang()->parts, {{"Gen"}, {"Exod"}});
    return l.get();
}

// ---- expansion -----------------------------------------------------------

TEST(Expand, CanonicalText) {
    const struct {
        const char *cite;
        const char *want;
    } cases[] = {
        {"", "???"},
        // Names: the main name stands for every name and any case.
        {"Mt 5,3", "Mt 5,3"},
        {"Mat 5,3", "Mt 5,3"},
        {"gn 1,1", "Gn 1,1"},
        {"Genesis 1,1", "Gn 1,1"},
        {"1J 2,1", "1 Jn 2,1"},
        {"Xy 1,1", "??? 1,1"},
        // Ranges.
        {"Mt 5,3-12", "Mt 5,3-12"},
        {"Gn 1,5-2,3", "Gn 1,5-2,3"},
        {"Gn 1-2,3", "Gn 1,1-2,3"},
        {"Gn 1-3", "Gn 1-3"},
        {"Mt 5,7-3", "Mt 5,7"},
        {"Gn 3-1", "Gn 3"},
        {"Mt 5,3a-3b", "Mt 5,3a"},
        {"Gn 1,5a-7", "Gn 1,5a-7"},
        {"Gn 1,5a-7b", "Gn 1,5a-7b"},
        {"Gn 1,5-7c", "Gn 1,5-7c"},
        {"Gn-Ex", "Gn-Ex"},
        {"Gn-Ex 2,3", "Gn-Ex"},
        // Lists: one unit each, written in full.
        {"Mt 5,3.7.9", "Mt 5,3; Mt 5,7; Mt 5,9"},
        {"Mt 5,3; 7", "Mt 5,3; Mt 7"},
        {"Mt 5,3; L 6,20n", "Mt 5,3; Lk 6,20-21"},
        {"Gn; Ex", "Gn; Ex"},
        // Marks.
        {"Jn 3,16n", "Jn 3,16-17"},
        {"Jn 3n", "Jn 3-4"},
        {"Jn 1,1nn", "Jn 1,1nn"},
        {"Jn 3nn", "Jn 3nn"},
        {"Jn 3,16+", "Jn 3,16"},
        {"Jn 3,16n.18", "Jn 3,16-17; Jn 3,18"},
        // Numbers outside 1..999.
        {"Gn 1000,1", "Gn ?!?,1"},
        {"Gn 1,1000", "Gn 1,?!?"},
        {"Gn 0,5", "Gn"},  // chapter 0: a book-level unit
        {"Gn 005,007", "Gn 5,7"},
        // A lexing error: the units read so far.
        {"Mt 5,3;", "Mt 5,3"},
        {"Jn 3,16 n", "Jn 3"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(tovrin_expand(c.cite, example_lang())), c.want) << c.cite;
}

TEST(Expand, IntoAnotherLanguage) {
    const struct {
        const char *cite;
        LANG *(*from)();
        LANG *(*to)();
        bool sort;
        const char *want;
    } cases[] = {
        {"Mt 5,3-7", example_lang, colon_lang, false, "Mat 5:3-7"},
        {"Gn 1,5-2,3", example_lang, colon_lang, false, "Gen 1:5-2:3"},
        {"Gn 1-3", example_lang, colon_lang, false, "Gen 1-3"},
        {"Jn 3,16n", example_lang, colon_lang, false, "John 3:16-17"},
        {"Jn 1,1nn", example_lang, colon_lang, false, "John 1:1ff"},
        {"Mt 5,3.7", example_lang, colon_lang, false, "Mat 5:3; Mat 5:7"},
        {"1 J 2,1a", example_lang, colon_lang, false, "1 John 2:1a"},
        {"Gn-Ex", example_lang, colon_lang, false, "Gen-Exod"},
        {"", example_lang, colon_lang, false, "???"},
        {"Mt 5,7; Gn 1,1", example_lang, colon_lang, false, "Mat 5:7; Gen 1:1"},
        {"Mt 5,7; Gn 1,1", example_lang, colon_lang, true, "Gen 1:1; Mat 5:7"},
        {"Mat 5:3,7", colon_lang, example_lang, false, "Mt 5,3; Mt 5,7"},
        {"Luke 6:20f", colon_lang, example_lang, false, "Lk 6,20-21"},
        {"Mark 1:1ff", colon_lang, example_lang, false, "Mk 1,1nn"},
        {"Mt 5,3-7", example_lang, tilde_lang, false, "Mt 5,3~7"},
        {"Gn 1-2,3", example_lang, tilde_lang, false, "Gn 1,1~2,3"},
        {"Gn-Ex", example_lang, tilde_lang, false, "Gn~Ex"},
    };
    for (const auto &c : cases) {
        char *s = c.sort ? tovrin_expand_sort(c.cite, c.from(), c.to())
                         : tovrin_expand_bl(c.cite, c.from(), c.to());
        EXPECT_EQ(take(s), c.want) << c.cite << " " << c.from()->name << "->" << c.to()->name
                                   << (c.sort ? " sorted" : "");
    }
}

TEST(Expand, SortedUnits) {
    const struct {
        const char *cite;
        const char *want;
    } cases[] = {
        {"Mt 5,7; Gn 1,1", "Gn 1,1; Mt 5,7"},
        {"Mt 5,9.3.7", "Mt 5,3; Mt 5,7; Mt 5,9"},
        // The wider span first when both start together.
        {"Mt 5,3; 5-7", "Mt 5-7; Mt 5,3"},
        // Equal units that differ in their marks are exchanged by the sort's
        // double loop: [X1 X2 Y] becomes [Y X2 X1], and even the ordered
        // [X1 X2 Z] becomes [X2 X1 Z].
        {"Gn 1,5nn; 1,5; Gn 1,1", "Gn 1,1; Gn 1,5; Gn 1,5nn"},
        {"Gn 1,5nn; 1,5; 1,9", "Gn 1,5; Gn 1,5nn; Gn 1,9"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(tovrin_expand_sort(c.cite, example_lang(), example_lang())), c.want)
            << c.cite;
}

PARS_UNIT unit(int b, int c, int v, int fl) {
    PARS_UNIT u{};
    u.bf = u.b = b;
    u.cf = u.c = c;
    u.vf = u.v = v;
    u.flf = u.fl = fl;
    return u;
}

TEST(Expus, WritesMarksOfUnitsThatSkippedThePasses) {
    const struct {
        PARS_UNIT u;
        const char *want;
    } cases[] = {
        {unit(6, 3, 16, 10), "Jn 3,16n"},
        {unit(6, 3, 16, 11), "Jn 3,16nn"},
        {unit(6, 3, 16, 12), "Jn 3,16+"},
        {unit(6, 3, 0, 10), "Jn 3n"},
        {unit(6, 0, 0, 10), "Jn"},
        {unit(6, 3, 16, 7), "Jn 3,16"},
    };
    for (const auto &c : cases) {
        PARS_UNIT u = c.u;
        PARS_UNIT *pp[] = {&u, nullptr};
        EXPECT_EQ(take(tovrin_expus(pp, example_lang())), c.want) << c.want;
        EXPECT_EQ(u.fl, c.u.fl) << "tovrin_expus changed the unit";
    }
}

TEST(Expus, OpenChapterAfterThePassIsTheChapterAlone) {
    PARS_UNIT u = unit(6, 3, 0, 12);
    PARS_UNIT *pp[] = {&u, nullptr};
    adjpus_plus(pp);
    EXPECT_EQ(take(tovrin_expus(pp, example_lang())), "Jn 3");
}

TEST(Expus, PartLetterOnlyWhenPositive) {
    PARS_UNIT u = unit(3, 5, 3, 0);
    u.abf = static_cast<signed char>(0xE1);
    u.v = 4;
    u.ab = 'b';
    PARS_UNIT *pp[] = {&u, nullptr};
    EXPECT_EQ(take(tovrin_expus(pp, example_lang())), "Mt 5,3-4b");
}

TEST(Expus, ArrayWithoutUnits) {
    PARS_UNIT *pp[] = {nullptr};
    EXPECT_EQ(tovrin_expus(pp, example_lang()), nullptr);
}

TEST(Expand, BookMissingFromTheOutputLanguageIsFatal) {
    EXPECT_EQ(take(tovrin_expand_bl("Ex 1,1", example_lang(), short_lang())), "Exod 1:1");
    auto o = in_child([] { std::free(tovrin_expand_bl("Mt 5,3", example_lang(), short_lang())); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "booknr (tovrin): invalid book number ! \n");
}

// ---- translation ---------------------------------------------------------

TEST(TransCite, TokenByToken) {
    const struct {
        const char *cite;
        LANG *(*from)();
        LANG *(*to)();
        const char *want;
    } cases[] = {
        {"Mt 5,3-7", example_lang, colon_lang, "Mat 5:3-7"},
        {"Gn", example_lang, colon_lang, "Gen "},
        {"Gn; Ex", example_lang, colon_lang, "Gen ; Exod "},
        {"Gn-Ex", example_lang, colon_lang, "Gen -Exod "},
        {"Gn 1-2,3", example_lang, colon_lang, "Gen 1-2:3"},
        {"Gn 1,5-2,3", example_lang, colon_lang, "Gen 1:5-2:3"},
        {"Gn 1,5a-7", example_lang, colon_lang, "Gen 1:5a-7"},
        {"Mt 5,3.7", example_lang, colon_lang, "Mat 5:3,7"},
        {"Mt 5,3n.7", example_lang, colon_lang, "Mat 5:3f,7"},
        {"Mt 5,3a.7", example_lang, colon_lang, "Mat 5:3a,7"},
        {"Mt 5,3; 7,1", example_lang, colon_lang, "Mat 5:3; 7:1"},
        {"Mt 5,3; L 6,20n", example_lang, colon_lang, "Mat 5:3; Luke 6:20f"},
        {"Jn 3n; 4", example_lang, colon_lang, "John 3f; 4"},
        {"Mt 5,3a; 7", example_lang, colon_lang, "Mat 5:3a; 7"},
        {"Jn 3,16n; Gn 1", example_lang, colon_lang, "John 3:16f; Gen 1"},
        {"Jn 1,1nn; Gn 2", example_lang, colon_lang, "John 1:1ff; Gen 2"},
        {"Jn 3,16+; Ex", example_lang, colon_lang, "John 3:16+; Exod "},
        {"Mt 5,3a; Gn", example_lang, colon_lang, "Mat 5:3a; Gen "},
        {"1. Jn 2,1nn", example_lang, colon_lang, "1 John 2:1ff"},
        {"Jn 3,16+", example_lang, colon_lang, "John 3:16+"},
        {"Jn 3,16+; 17", example_lang, colon_lang, "John 3:16+; 17"},
        {"Mt 05,003", example_lang, colon_lang, "Mat 05:003"},
        {"Xy 1,1", example_lang, colon_lang, "??? 1:1"},
        {"Mat 5:3,7", colon_lang, example_lang, "Mt 5,3.7"},
        {"Mt 5,3~7", tilde_lang, colon_lang, "Mat 5:3-7"},
        // Within one language: main names, and "-" for every range.
        {"Mat 5,3-7", example_lang, example_lang, "Mt 5,3-7"},
        {"Mat 5,3~7", tilde_lang, tilde_lang, "Mt 5,3-7"},
        {"Gn 1~2,3", tilde_lang, tilde_lang, "Gn 1-2,3"},
        {"Mt 05,003", example_lang, example_lang, "Mt 05,003"},
        // Not citations.
        {"", example_lang, colon_lang, "(null)"},
        {"Mt 5,3;", example_lang, colon_lang, "(null)"},
        {"Jn 3,16 n", example_lang, colon_lang, "(null)"},
        {"Gn 1 2", example_lang, colon_lang, "(null)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(trans_cite(c.cite, c.from(), c.to())), c.want)
            << c.cite << " " << c.from()->name << "->" << c.to()->name;
}

TEST(TransCite, BookMissingFromTheTargetIsFatal) {
    auto o = in_child([] { std::free(trans_cite("Mt 5,3", example_lang(), short_lang())); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "booknr (tovrin): invalid book number ! \n");
}

// ---- comparison ----------------------------------------------------------

TEST(Compare, OverlapAndOrder) {
    const struct {
        const char *c1, *c2;
        int equal, comp;
    } cases[] = {
        {"", "", 1, 0},
        {"Mt 5,3-7; Gn 1,1", "Mt 5,3-7; Gn 1,1", 1, 0},
        // A verse and a range that holds it, either way round.
        {"Mt 5,5", "Mt 5,1-12", 1, -1},
        {"Mt 5,1-12", "Mt 5,5", 1, 1},
        // Not symmetric: only the end of the second or the start of the
        // first is looked for in the other unit.
        {"Mt 5,1-10", "Mt 5,5-20", 0, 1},
        {"Mt 5,5-20", "Mt 5,1-10", 1, -1},
        {"Mt 5,3", "Mt 5,4", 0, 1},
        {"Mt 5,4", "Mt 5,3", 0, -1},
        // Marks become numbers.
        {"Mt 5,3n", "Mt 5,4", 1, 1},
        {"Mt 5,4", "Mt 5,3n", 1, -1},
        {"Mt 5,3n", "Mt 5,5", 0, 1},
        {"Mt 5,3nn", "Mt 5,5", 1, 1},
        {"Mt 5,3nn", "Mt 5,6", 0, 1},
        {"Mt 5n", "Mt 6,30", 1, 1},
        {"Mt 5,3+", "Mt 5,30", 1, 1},
        {"Mt 5,3+", "Mt 5,2", 0, -1},
        {"Mt 5,3+", "Mt 6,1", 0, 1},
        // Some pair overlaps.
        {"Gn 1,1; Mt 5,4", "Mt 5,3-5", 1, 1},
        {"Gn 1,1; Mt 5,4", "Ex 1,1; Mt 5,9", 0, 1},
        // An unknown book matches every book.
        {"Xy 1,1", "Mt 5,3", 1, 1},
        // A shorter copy of the start comes first.
        {"Mt 5,3; Mt 5,4", "Mt 5,3; Mt 5,4; Mt 5,5", 1, 1},
        {"Mt 5,3; Mt 5,4; Mt 5,5", "Mt 5,3; Mt 5,4", 1, -1},
        // The first differing pair decides.
        {"Gn 1,1; Rom 16,27", "Ex 1,1; Gn 1,1", 1, 1},
        {"Ex 1,1; Gn 1,1", "Gn 1,1; Rom 16,27", 1, -1},
        {"Mt 5,3; Rom 1,1", "Mt 5,3; Gn 1,1", 1, -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tovrin_is_equal(c.c1, c.c2, example_lang(), example_lang()), c.equal)
            << "tovrin_is_equal(\"" << c.c1 << "\", \"" << c.c2 << "\")";
        EXPECT_EQ(tovrin_comp(c.c1, c.c2, example_lang(), example_lang()), c.comp)
            << "tovrin_comp(\"" << c.c1 << "\", \"" << c.c2 << "\")";
    }
}

TEST(Compare, EachCitationInItsOwnLanguage) {
    const struct {
        const char *c1, *c2;
        int equal, comp;
    } cases[] = {
        {"Mt 5,3-7; L 6,20n", "Mat 5:3-7; Luke 6:20f", 1, 0},
        {"Gn 1-2,3", "Gen 1:1-2:3", 1, 0},
        {"Mt 5,3", "Mat 5:4", 0, 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tovrin_is_equal(c.c1, c.c2, example_lang(), colon_lang()), c.equal) << c.c1;
        EXPECT_EQ(tovrin_comp(c.c1, c.c2, example_lang(), colon_lang()), c.comp) << c.c1;
        EXPECT_EQ(tovrin_is_equal(c.c2, c.c1, colon_lang(), example_lang()), c.equal) << c.c2;
        EXPECT_EQ(tovrin_comp(c.c2, c.c1, colon_lang(), example_lang()), -c.comp) << c.c2;
    }
}

TEST(Compare, DebugTracesTheOverlapTest) {
    auto o = in_child([] {
        tovrin_debug = 1;
        std::printf("is_equal %d\n",
                    tovrin_is_equal("Mt 5,1-10", "Mt 5,5-20", example_lang(), example_lang()));
        std::printf("comp %d\n",
                    tovrin_comp("Mt 5,1-10", "Mt 5,5-20", example_lang(), example_lang()));
    });
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out,
              "([3 5.10:0]?[3 5.20:0]=0)\n"
              "([3 5.20:0]?[3 5.1:0]=1)\n"
              "([3 5.1:0]?[3 5.5:0]=0)\n"
              "is_equal 0\n"
              "comp 1\n");
}

} // namespace
