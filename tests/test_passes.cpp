// Operations on assembled units: the mark passes, the position comparison
// big_eq, the two overlap tests with their debug traces, the order
// compare_pu and the in-place sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::example_lang;
using testing_support::in_child;

// ---- building and showing units ----------------------------------------

PARS_UNIT span(int bf, int cf, int vf, int b, int c, int v) {
    PARS_UNIT u{};
    u.bf = bf;
    u.cf = cf;
    u.vf = vf;
    u.b = b;
    u.c = c;
    u.v = v;
    return u;
}

// A unit without a range, as the assembler hands it out: start = end.
PARS_UNIT verse(int b, int c, int v) { return span(b, c, v, b, c, v); }
PARS_UNIT chapter(int b, int c) { return span(b, c, 0, b, c, 0); }

PARS_UNIT marks(PARS_UNIT u, int flf, int fl) {
    u.flf = flf;
    u.fl = fl;
    return u;
}

PARS_UNIT letters(PARS_UNIT u, char abf, char ab) {
    u.abf = static_cast<signed char>(abf);
    u.ab = static_cast<signed char>(ab);
    return u;
}

// "bf cf.vf[abf][ flf] - b c.v[ab][ fl]"
std::string dump(const PARS_UNIT &u) {
    auto pos = [](int b, int c, int v, signed char a, int m) {
        std::string s = std::to_string(b) + " " + std::to_string(c) + "." + std::to_string(v);
        if (a != 0)
            s += static_cast<char>(a);
        if (m != 0)
            s += " fl" + std::to_string(m);
        return s;
    };
    return pos(u.bf, u.cf, u.vf, u.abf, u.flf) + " - " + pos(u.b, u.c, u.v, u.ab, u.fl);
}

// A null-terminated unit array over caller-owned units, as the passes and
// the sort expect it.
class UnitArray {
public:
    explicit UnitArray(std::vector<PARS_UNIT> units) : units_(std::move(units)) {
        for (auto &u : units_)
            ptrs_.push_back(&u);
        ptrs_.push_back(nullptr);
    }
    PARS_UNIT **get() { return ptrs_.data(); }
    PARS_UNIT *slot(std::size_t k) const { return ptrs_[k]; }
    PARS_UNIT *unit(std::size_t k) { return &units_[k]; }

private:
    std::vector<PARS_UNIT> units_;
    std::vector<PARS_UNIT *> ptrs_;
};

// ---- mark passes ---------------------------------------------------------

using Pass = void (*)(PARS_UNIT **);

struct PassCase {
    const char *what;
    Pass pass;
    PARS_UNIT in;
    PARS_UNIT want;
};

TEST(MarkPasses, OneUnit) {
    const PassCase cases[] = {
        // adjpus_n: the start verse chooses the level.
        {"verse n", adjpus_n, marks(verse(6, 3, 16), 10, 10), span(6, 3, 16, 6, 3, 17)},
        {"chapter n", adjpus_n, marks(chapter(6, 3), 10, 10), span(6, 3, 0, 6, 4, 0)},
        {"chapter to verse n", adjpus_n, marks(span(1, 1, 0, 1, 2, 3), 0, 10),
         span(1, 1, 0, 1, 3, 3)},
        {"verse to other chapter n", adjpus_n, marks(span(1, 1, 5, 1, 2, 3), 0, 10),
         span(1, 1, 5, 1, 2, 4)},
        {"n only in flf", adjpus_n, marks(verse(1, 1, 1), 10, 0), marks(verse(1, 1, 1), 10, 0)},
        {"nn left to its own pass", adjpus_n, marks(verse(1, 1, 1), 11, 11),
         marks(verse(1, 1, 1), 11, 11)},
        {"open end left to its own pass", adjpus_n, marks(verse(1, 1, 1), 12, 12),
         marks(verse(1, 1, 1), 12, 12)},
        {"verse n saturates", adjpus_n, marks(verse(1, 1, INT_MAX), 10, 10),
         span(1, 1, INT_MAX, 1, 1, INT_MAX)},
        {"chapter n saturates", adjpus_n, marks(chapter(1, INT_MAX), 10, 10),
         span(1, INT_MAX, 0, 1, INT_MAX, 0)},
        // adjpus_nn_pseudo: two more.
        {"verse nn", adjpus_nn_pseudo, marks(verse(6, 1, 1), 11, 11), span(6, 1, 1, 6, 1, 3)},
        {"chapter nn", adjpus_nn_pseudo, marks(chapter(6, 3), 11, 11), span(6, 3, 0, 6, 5, 0)},
        {"verse nn one below the limit", adjpus_nn_pseudo, marks(verse(1, 1, INT_MAX - 1), 11, 11),
         span(1, 1, INT_MAX - 1, 1, 1, INT_MAX)},
        {"chapter nn at the limit", adjpus_nn_pseudo, marks(chapter(1, INT_MAX), 11, 11),
         span(1, INT_MAX, 0, 1, INT_MAX, 0)},
        {"single n left alone", adjpus_nn_pseudo, marks(verse(1, 1, 1), 10, 10),
         marks(verse(1, 1, 1), 10, 10)},
        // adjpus_plus: the end becomes "not given".
        {"verse open end", adjpus_plus, marks(verse(6, 3, 16), 12, 12), span(6, 3, 16, 6, 3, 0)},
        {"chapter open end", adjpus_plus, marks(chapter(6, 3), 12, 12), span(6, 3, 0, 6, 0, 0)},
        {"n left alone", adjpus_plus, marks(verse(1, 1, 1), 10, 10), marks(verse(1, 1, 1), 10, 10)},
        // adjpus_v01: a chapter start before a verse end starts at verse 1.
        {"chapter to verse", adjpus_v01, span(1, 1, 0, 1, 2, 3), span(1, 1, 1, 1, 2, 3)},
        {"chapter range", adjpus_v01, span(1, 1, 0, 1, 3, 0), span(1, 1, 0, 1, 3, 0)},
        {"start book 0", adjpus_v01, span(0, 1, 0, 4, 2, 3), span(0, 1, 0, 4, 2, 3)},
        {"negative start book", adjpus_v01, span(-1, 1, 0, 1, 2, 3), span(-1, 1, 0, 1, 2, 3)},
        {"book level", adjpus_v01, span(1, 0, 0, 2, 2, 3), span(1, 0, 0, 2, 2, 3)},
        {"open chapter end", adjpus_v01, span(1, 1, 0, 1, 0, 3), span(1, 1, 0, 1, 0, 3)},
        {"start verse given", adjpus_v01, span(1, 1, 4, 1, 2, 3), span(1, 1, 4, 1, 2, 3)},
        {"marks kept", adjpus_v01, marks(span(1, 1, 0, 1, 2, 3), 11, 11),
         marks(span(1, 1, 1, 1, 2, 3), 11, 11)},
    };
    for (const auto &c : cases) {
        UnitArray a({c.in});
        c.pass(a.get());
        EXPECT_EQ(dump(*a.unit(0)), dump(c.want)) << c.what << ": " << dump(c.in);
    }
}

TEST(MarkPasses, EachUnitOnItsOwn) {
    UnitArray a({marks(verse(1, 1, 1), 10, 10), marks(chapter(2, 3), 11, 11),
                 marks(verse(3, 4, 5), 12, 12), marks(chapter(4, 7), 10, 10)});
    adjpus_n(a.get());
    EXPECT_EQ(dump(*a.unit(0)), "1 1.1 - 1 1.2");
    EXPECT_EQ(dump(*a.unit(1)), "2 3.0 fl11 - 2 3.0 fl11");
    EXPECT_EQ(dump(*a.unit(2)), "3 4.5 fl12 - 3 4.5 fl12");
    EXPECT_EQ(dump(*a.unit(3)), "4 7.0 - 4 8.0");
    EXPECT_EQ(a.slot(4), nullptr);
}

TEST(MarkPasses, ChapterStartWithFollowingMarkThenVerseOne) {
    UnitArray a({marks(span(1, 1, 0, 1, 2, 3), 0, 10)});
    adjpus_n(a.get());
    adjpus_v01(a.get());
    EXPECT_EQ(dump(*a.unit(0)), "1 1.1 - 1 3.3");
}

// The passes in the order the comparisons run them, on assembled units.
TEST(MarkPasses, ComparisonPreparationOfAssembledUnits) {
    const struct {
        const char *cite;
        const char *want;
    } cases[] = {
        {"Jn 3,16n", "6 3.16 - 6 3.17"},
        {"Jn 3n", "6 3.0 - 6 4.0"},
        {"Jn 1,1nn", "6 1.1 - 6 1.3"},
        {"Jn 3nn", "6 3.0 - 6 5.0"},
        {"Jn 3,16+", "6 3.16 - 6 3.0"},
        {"Gn 1-2,3", "1 1.1 - 1 2.3"},
        {"Gn 1-3", "1 1.0 - 1 3.0"},
        {"Gn 1,5a-7b", "1 1.5a - 1 1.7b"},
    };
    for (const auto &c : cases) {
        PARS_UNIT **pp = makepus(c.cite, example_lang());
        adjpus_n(pp);
        adjpus_plus(pp);
        adjpus_nn_pseudo(pp);
        adjpus_v01(pp);
        ASSERT_NE(pp[0], nullptr) << c.cite;
        EXPECT_EQ(dump(*pp[0]), c.want) << c.cite;
        EXPECT_EQ(pp[1], nullptr) << c.cite;
        freepus(pp);
    }
}

// ---- big_eq --------------------------------------------------------------

TEST(BigEq, FirstAtOrAfterSecond) {
    const struct {
        int p1[4], p2[4];
        int want;
    } cases[] = {
        {{1, 5, 3, 0}, {1, 5, 3, 0}, 1},      // equal, the 0 letter ends it
        {{1, 5, 3, 'a'}, {1, 5, 3, 'a'}, 1},  // equal through all levels
        {{1, 5, 3, 0}, {1, 6, 3, 0}, 0},      // chapter 5 vs 6
        {{1, 6, 1, 0}, {1, 5, 20, 0}, 1},     // later chapter, smaller verse
        {{2, 1, 1, 0}, {3, 1, 1, 0}, 0},      // earlier book
        {{0, 1, 1, 1}, {5, 9, 9, 9}, 1},      // first book 0
        {{5, 9, 9, 9}, {0, 1, 1, 1}, 1},      // second book 0
        {{1, 5, 0, 0}, {1, 5, 7, 0}, 1},      // open end reaches any verse
        {{1, 5, 0, 0}, {1, 6, 3, 0}, 0},      // ... not past its chapter
        {{1, 5, 3, 'a'}, {1, 5, 3, 'b'}, 0},  // part letters compared
        {{1, 5, 3, 'b'}, {1, 5, 3, 'a'}, 1},
        {{1, 5, 3, 0}, {1, 5, 3, 'b'}, 1},
        {{1, 5, 4, 0}, {1, 5, 3, 'c'}, 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(big_eq(c.p1[0], c.p1[1], c.p1[2], c.p1[3], c.p2[0], c.p2[1], c.p2[2], c.p2[3]),
                  c.want)
            << c.p1[0] << " " << c.p1[1] << "." << c.p1[2] << ":" << c.p1[3] << " ? " << c.p2[0]
            << " " << c.p2[1] << "." << c.p2[2] << ":" << c.p2[3];
    }
}

TEST(BigEq, TraceWhenDebugIsSet) {
    auto o = in_child([] {
        tovrin_debug = 1;
        const int r = big_eq(1, 5, 3, 'a', 1, 6, 0, 0);
        std::printf("result %d\n", r);
    });
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "([1 5.3:97]?[1 6.0:0]=0)\nresult 0\n");
    EXPECT_EQ(o.err, "");
}

TEST(Overlap, NoTraceWithoutDebug) {
    auto o = in_child([] {
        PARS_UNIT a = span(1, 5, 1, 1, 5, 10), b = span(1, 5, 5, 1, 5, 20);
        big_eq(1, 1, 1, 1, 1, 1, 1, 1);
        pu_is_equal(&a, &b);
        pu_is_equal_old(&a, &b);
        compare_pu(&a, &b);
    });
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
}

// ---- pu_is_equal ---------------------------------------------------------

TEST(PuIsEqual, Overlap) {
    const struct {
        const char *what;
        PARS_UNIT p1, p2;
        int want;
    } cases[] = {
        {"1-10 vs 5-20", span(1, 5, 1, 1, 5, 10), span(1, 5, 5, 1, 5, 20), 0},
        {"5-20 vs 1-10", span(1, 5, 5, 1, 5, 20), span(1, 5, 1, 1, 5, 10), 1},
        {"verse in range", verse(1, 5, 5), span(1, 5, 1, 1, 5, 10), 1},
        {"range around verse", span(1, 5, 1, 1, 5, 10), verse(1, 5, 5), 1},
        {"same verse", verse(1, 5, 5), verse(1, 5, 5), 1},
        {"verse 3 vs 4", verse(1, 5, 3), verse(1, 5, 4), 0},
        {"verse 4 vs 3", verse(1, 5, 4), verse(1, 5, 3), 0},
        {"second wholly before", span(1, 5, 10, 1, 5, 12), span(1, 5, 1, 1, 5, 3), 0},
        {"other book", verse(1, 5, 5), verse(2, 5, 5), 0},
        {"open end vs later verse", span(1, 5, 3, 1, 5, 0), verse(1, 5, 30), 1},
        {"later verse vs open end", verse(1, 5, 30), span(1, 5, 3, 1, 5, 0), 1},
        {"open end vs earlier verse", span(1, 5, 3, 1, 5, 0), verse(1, 5, 2), 0},
        {"open end vs next chapter", span(1, 5, 3, 1, 5, 0), verse(1, 6, 1), 0},
        {"unknown book vs anything", verse(0, 1, 1), verse(3, 5, 3), 1},
        {"chapter vs its verse", chapter(1, 5), verse(1, 5, 3), 1},
        {"empty vs empty", PARS_UNIT{}, PARS_UNIT{}, 1},
    };
    for (const auto &c : cases) {
        PARS_UNIT p1 = c.p1, p2 = c.p2;
        EXPECT_EQ(pu_is_equal(&p1, &p2), c.want) << c.what << ": " << dump(c.p1) << " / "
                                                 << dump(c.p2);
    }
}

// The trace shows the big_eq calls in order: E1?E2, then E2?S1 (made a
// second time when the first pair failed), then S1?S2.
TEST(PuIsEqual, TraceOfTheBigEqCalls) {
    const struct {
        const char *what;
        PARS_UNIT p1, p2;
        const char *want;
    } cases[] = {
        {"1-10 vs 5-20", span(1, 5, 1, 1, 5, 10), span(1, 5, 5, 1, 5, 20),
         "([1 5.10:0]?[1 5.20:0]=0)\n"
         "([1 5.20:0]?[1 5.1:0]=1)\n"
         "([1 5.1:0]?[1 5.5:0]=0)\n"
         "result 0\n"},
        {"5-20 vs 1-10", span(1, 5, 5, 1, 5, 20), span(1, 5, 1, 1, 5, 10),
         "([1 5.20:0]?[1 5.10:0]=1)\n"
         "([1 5.10:0]?[1 5.5:0]=1)\n"
         "result 1\n"},
        {"10-12 vs 1-3", span(1, 5, 10, 1, 5, 12), span(1, 5, 1, 1, 5, 3),
         "([1 5.12:0]?[1 5.3:0]=1)\n"
         "([1 5.3:0]?[1 5.10:0]=0)\n"
         "([1 5.3:0]?[1 5.10:0]=0)\n"
         "result 0\n"},
        {"7-3 vs 5", span(1, 5, 7, 1, 5, 3), verse(1, 5, 5),
         "([1 5.3:0]?[1 5.5:0]=0)\n"
         "([1 5.5:0]?[1 5.7:0]=0)\n"
         "result 0\n"},
    };
    for (const auto &c : cases) {
        auto o = in_child([&] {
            PARS_UNIT p1 = c.p1, p2 = c.p2;
            tovrin_debug = 1;
            const int r = pu_is_equal(&p1, &p2);
            std::printf("result %d\n", r);
        });
        EXPECT_EQ(o.status, 0) << c.what;
        EXPECT_EQ(o.out, c.want) << c.what;
    }
}

// ---- pu_is_equal_old -----------------------------------------------------

TEST(PuIsEqualOld, RulesAndTrace) {
    const struct {
        const char *what;
        PARS_UNIT p1, p2;
        int want;
        const char *trace;
    } cases[] = {
        // Book level decides.
        {"other book", verse(1, 5, 5), verse(2, 5, 5), 0, "<b>"},
        {"book 0", verse(0, 5, 5), verse(2, 5, 5), 1, "<b>"},
        {"book range meets its end book", span(1, 0, 0, 2, 0, 0), verse(2, 1, 1), 1, "<b>"},
        {"book range vs later book", span(1, 0, 0, 2, 0, 0), verse(3, 1, 1), 0, "<b>"},
        // Chapter level.
        {"chapter 5 vs 6", chapter(1, 5), chapter(1, 6), 0, "<b><c>"},
        {"chapter range holds chapter", span(1, 5, 0, 1, 7, 0), chapter(1, 6), 1, "<b><c>"},
        // Both start together and neither is a single chapter: the rules
        // give 0, and that answer is kept.
        {"equal chapter ranges", span(1, 5, 0, 1, 7, 0), span(1, 5, 0, 1, 7, 0), 0, "<b><c>"},
        {"chapter ranges from 5", span(1, 5, 0, 1, 7, 0), span(1, 5, 0, 1, 9, 0), 0, "<b><c>"},
        {"single chapter starts a range", chapter(1, 5), span(1, 5, 0, 1, 7, 0), 1, "<b><c>"},
        {"same chapter, no verses", chapter(1, 5), chapter(1, 5), 1, "<b><c><v>"},
        // Verse level.
        {"verse 3 vs 4", verse(1, 5, 3), verse(1, 5, 4), 0, "<b><c><v>"},
        {"range holds verse", span(1, 5, 3, 1, 5, 7), verse(1, 5, 5), 1, "<b><c><v>"},
        {"verse inside range", verse(1, 5, 5), span(1, 5, 3, 1, 5, 7), 1, "<b><c><v>"},
        {"range ends where other starts", span(1, 5, 3, 1, 5, 5), span(1, 5, 5, 1, 5, 7), 1,
         "<b><c><v>"},
        {"range starts where other ends", span(1, 5, 5, 1, 5, 7), span(1, 5, 3, 1, 5, 5), 1,
         "<b><c><v>"},
        {"open end reaches later verse", span(1, 5, 3, 1, 5, 0), verse(1, 5, 10), 1, "<b><c><v>"},
        {"later verse in open end", verse(1, 5, 10), span(1, 5, 3, 1, 5, 0), 1, "<b><c><v>"},
        {"equal verse ranges", span(1, 5, 3, 1, 5, 5), span(1, 5, 3, 1, 5, 5), 0, "<b><c><v>"},
        // Part letters.
        {"letter a vs b", letters(verse(1, 5, 5), 'a', 'a'), letters(verse(1, 5, 5), 'b', 'b'), 0,
         "<b><c><v><a>"},
        {"letter b vs a", letters(verse(1, 5, 5), 'b', 'b'), letters(verse(1, 5, 5), 'a', 'a'), 1,
         "<b><c><v><a>"},
        {"no letter vs b", verse(1, 5, 5), letters(verse(1, 5, 5), 'b', 'b'), 1, "<b><c><v><a>"},
        {"a-c vs b", letters(verse(1, 5, 5), 'a', 'c'), letters(verse(1, 5, 5), 'b', 'b'), 1,
         "<b><c><v><a>"},
    };
    for (const auto &c : cases) {
        PARS_UNIT p1 = c.p1, p2 = c.p2;
        EXPECT_EQ(pu_is_equal_old(&p1, &p2), c.want) << c.what;
        auto o = in_child([&] {
            tovrin_debug = 1;
            pu_is_equal_old(&p1, &p2);
        });
        EXPECT_EQ(o.out, c.trace) << c.what;
    }
}

// ---- compare_pu ----------------------------------------------------------

TEST(ComparePu, FieldOrder) {
    const struct {
        const char *what;
        PARS_UNIT p1, p2;
        int want;
    } cases[] = {
        {"equal", span(1, 5, 3, 1, 5, 7), span(1, 5, 3, 1, 5, 7), 0},
        {"equal but marks", marks(verse(1, 5, 3), 11, 11), verse(1, 5, 3), 0},
        {"earlier start book", span(1, 9, 9, 8, 9, 9), span(2, 1, 1, 2, 1, 1), 1},
        {"later end book over start chapter", span(1, 9, 0, 2, 1, 0), span(1, 1, 0, 1, 20, 0), 1},
        {"earlier start chapter", span(1, 4, 9, 1, 5, 1), span(1, 5, 1, 1, 6, 1), 1},
        {"later end chapter", span(1, 5, 0, 1, 7, 0), verse(1, 5, 3), 1},
        {"earlier start verse", verse(1, 5, 3), verse(1, 5, 4), 1},
        {"later end verse", span(1, 5, 3, 1, 5, 7), verse(1, 5, 3), 1},
        {"earlier start letter", letters(verse(1, 5, 3), 'a', 'c'),
         letters(verse(1, 5, 3), 'b', 'c'), 1},
        {"later end letter", letters(verse(1, 5, 3), 'a', 'c'),
         letters(verse(1, 5, 3), 'a', 'b'), 1},
        {"no letter before a letter", verse(1, 5, 3), letters(verse(1, 5, 3), 'a', 0), 1},
        {"0 is an ordinary value", PARS_UNIT{}, verse(1, 1, 1), 1},
    };
    for (const auto &c : cases) {
        PARS_UNIT p1 = c.p1, p2 = c.p2;
        EXPECT_EQ(compare_pu(&p1, &p2), c.want)
            << c.what << ": " << dump(c.p1) << " / " << dump(c.p2);
        EXPECT_EQ(compare_pu(&p2, &p1), -c.want) << c.what << " (exchanged)";
    }
}

// ---- sortpus -------------------------------------------------------------

TEST(Sortpus, FewerThanTwoUnits) {
    UnitArray none({});
    sortpus(none.get());
    EXPECT_EQ(none.slot(0), nullptr);

    UnitArray one({verse(3, 5, 3)});
    sortpus(one.get());
    EXPECT_EQ(one.slot(0), one.unit(0));
    EXPECT_EQ(one.slot(1), nullptr);
    EXPECT_EQ(dump(*one.unit(0)), "3 5.3 - 3 5.3");
}

TEST(Sortpus, TwoEqualUnitsKeepTheirOrder) {
    UnitArray a({marks(verse(3, 5, 3), 11, 11), verse(3, 5, 3)});
    sortpus(a.get());
    EXPECT_EQ(a.slot(0), a.unit(0));
    EXPECT_EQ(a.slot(1), a.unit(1));
}

TEST(Sortpus, WiderChapterRangeBeforeVerseOfItsFirstChapter) {
    UnitArray a({verse(3, 5, 3), span(3, 5, 0, 3, 7, 0)});
    sortpus(a.get());
    EXPECT_EQ(a.slot(0), a.unit(1));
    EXPECT_EQ(a.slot(1), a.unit(0));
}

// Every order of four distinct units ends in compare_pu order.
TEST(Sortpus, AnyStartingOrderEndsSorted) {
    const PARS_UNIT sorted[] = {verse(1, 1, 1), span(3, 5, 0, 3, 7, 0), verse(3, 5, 3),
                                verse(3, 5, 4)};
    int perm[] = {0, 1, 2, 3};
    do {
        std::vector<PARS_UNIT> units;
        for (int k : perm)
            units.push_back(sorted[k]);
        UnitArray a(units);
        sortpus(a.get());
        std::string order, want;
        for (int k = 0; k < 4; ++k) {
            order += dump(*a.slot(k)) + "; ";
            want += dump(sorted[k]) + "; ";
        }
        EXPECT_EQ(order, want) << "from " << perm[0] << perm[1] << perm[2] << perm[3];
    } while (std::next_permutation(perm, perm + 4));
}

// X1 and X2 compare equal (they differ in the mark only) and Y comes before
// both. The loop, swapping slots i and j when compare_pu(i, j) is 1:
//   i=0: j=0 X1?X1 0, j=1 X1?X2 0, j=2 X1?Y -1            [X1 X2 Y]
//   i=1: j=0 X2?X1 0, j=1 X2?X2 0, j=2 X2?Y -1            [X1 X2 Y]
//   i=2: j=0 Y?X1 1, swap                                 [Y X2 X1]
//        j=1 X1?X2 0, j=2 X1?X1 0                         [Y X2 X1]
// so the two equal units end up exchanged, unlike a stable sort.
TEST(Sortpus, ExchangeOrderOfTheDoubleLoop) {
    UnitArray a({marks(verse(1, 1, 5), 11, 11), verse(1, 1, 5), verse(1, 1, 1)});
    sortpus(a.get());
    EXPECT_EQ(a.slot(0), a.unit(2));
    EXPECT_EQ(a.slot(1), a.unit(1));
    EXPECT_EQ(a.slot(2), a.unit(0));
    EXPECT_EQ(a.slot(3), nullptr);

    // Already in order, yet the first pass of i moves the last unit Z to
    // the front, and the equal pair comes back exchanged:
    //   i=0: j=1 X1?X2 0, j=2 X1?Z 1, swap                    [Z X2 X1]
    //   i=1: j=0 X2?Z 1, swap                                 [X2 Z X1]
    //        j=1 Z?Z 0, j=2 Z?X1 -1
    //   i=2: j=0 X1?X2 0, j=1 X1?Z 1, swap                    [X2 X1 Z]
    UnitArray b({marks(verse(1, 1, 5), 11, 11), verse(1, 1, 5), verse(1, 1, 9)});
    sortpus(b.get());
    EXPECT_EQ(b.slot(0), b.unit(1));
    EXPECT_EQ(b.slot(1), b.unit(0));
    EXPECT_EQ(b.slot(2), b.unit(2));
}

} // namespace
