// Operations on citation units after assembly: the mark passes that turn
// following and open-end marks into explicit numbers, the comparison of two
// positions, the overlap tests, the order of two units and the sort of a
// unit array. A 0 in a position means "not given" and matches anything in
// the overlap tests; in the order it is an ordinary value.
#include <cstdio>

#include "internal.h"

using tovrin::detail::sat_add;

namespace {

// Applies `change` to every unit whose end mark is `mark`, then clears both
// marks. The level (chapter or verse) is chosen by the start verse.
template <typename Change> void mark_pass(PARS_UNIT **pp, int mark, Change change) {
    for (; *pp != nullptr; ++pp) {
        PARS_UNIT *u = *pp;
        if (u->fl != mark)
            continue;
        change(u->vf == 0 ? u->c : u->v);
        u->fl = 0;
        u->flf = 0;
    }
}

} // namespace

extern "C" void adjpus_n(PARS_UNIT **pp) {
    mark_pass(pp, TK_NEXT, [](int &n) { n = sat_add(n, 1); });
}

extern "C" void adjpus_nn_pseudo(PARS_UNIT **pp) {
    mark_pass(pp, TK_NEXT2, [](int &n) { n = sat_add(n, 2); });
}

extern "C" void adjpus_plus(PARS_UNIT **pp) {
    mark_pass(pp, TK_OPEN_END, [](int &n) { n = 0; });
}

extern "C" void adjpus_v01(PARS_UNIT **pp) {
    for (; *pp != nullptr; ++pp) {
        PARS_UNIT *u = *pp;
        if (u->bf > 0 && u->cf > 0 && u->c > 0 && u->v > 0 && u->vf == 0)
            u->vf = 1;
    }
}

extern "C" int big_eq(int a1, int b1, int c1, int d1, int a2, int b2, int c2, int d2) {
    if (tovrin_debug)
        std::printf("([%d %d.%d:%d]?[%d %d.%d:%d]=", a1, b1, c1, d1, a2, b2, c2, d2);
    const int first[4] = {a1, b1, c1, d1};
    const int second[4] = {a2, b2, c2, d2};
    int result = 1;
    for (int k = 0; k < 4; ++k) {
        if (first[k] == 0 || second[k] == 0 || second[k] < first[k]) {
            result = 1;
            break;
        }
        if (second[k] > first[k]) {
            result = 0;
            break;
        }
    }
    if (tovrin_debug)
        std::printf("%d)\n", result);
    return result;
}

namespace {

// big_eq over two positions given as (book, chapter, verse, part letter).
struct Pos {
    int b, c, v, a;
};
Pos start_of(const PARS_UNIT *u) { return {u->bf, u->cf, u->vf, u->abf}; }
Pos end_of(const PARS_UNIT *u) { return {u->b, u->c, u->v, u->ab}; }
int at_or_after(Pos x, Pos y) { return big_eq(x.b, x.c, x.v, x.a, y.b, y.c, y.v, y.a); }

} // namespace

extern "C" int pu_is_equal(PARS_UNIT *p1, PARS_UNIT *p2) {
    const Pos s1 = start_of(p1), e1 = end_of(p1), s2 = start_of(p2), e2 = end_of(p2);
    // E2 lies within p1 ...
    if (at_or_after(e1, e2) && at_or_after(e2, s1))
        return 1;
    // ... or S1 lies within p2.
    return at_or_after(e2, s1) && at_or_after(s1, s2);
}

namespace {

// One level of the older overlap test: 1 or 0 decides, -1 descends.
int old_level(int s1, int e1, int s2, int e2) {
    if ((s1 < s2 && s2 < e1) || (s2 < s1 && s1 < e2) || s1 == 0 || s2 == 0 ||
        (e1 == 0 && s1 < e2) || (e2 == 0 && s2 < e1))
        return 1;
    if (s1 == e1 && e1 == s2 && s2 == e2)
        return -1;
    return s2 == e1 || e2 == s1;
}

} // namespace

// The older overlap test, kept in the interface. Where both units start at
// the same value of a level and neither is a single value there (two equal
// chapter ranges), its rules answer 0; that answer is kept, since programs
// written against this test may rely on it and pu_is_equal is the test the
// services use.
extern "C" int pu_is_equal_old(PARS_UNIT *p1, PARS_UNIT *p2) {
    if (tovrin_debug)
        std::printf("<b>");
    int r = old_level(p1->bf, p1->b, p2->bf, p2->b);
    if (r >= 0)
        return r;
    if (tovrin_debug)
        std::printf("<c>");
    r = old_level(p1->cf, p1->c, p2->cf, p2->c);
    if (r >= 0)
        return r;
    if (tovrin_debug)
        std::printf("<v>");
    r = old_level(p1->vf, p1->v, p2->vf, p2->v);
    if (r >= 0)
        return r;
    if (tovrin_debug)
        std::printf("<a>");
    return p1->ab == 0 || p1->abf == 0 || p2->abf <= p1->ab || p2->ab <= p1->abf;
}

extern "C" int compare_pu(PARS_UNIT *p1, PARS_UNIT *p2) {
    // Start and end alternate level by level; an earlier start or a later
    // end (the wider span) comes first.
    const int steps[8][2] = {
        {p1->bf, p2->bf}, {p2->b, p1->b},   {p1->cf, p2->cf}, {p2->c, p1->c},
        {p1->vf, p2->vf}, {p2->v, p1->v},   {p1->abf, p2->abf}, {p2->ab, p1->ab},
    };
    for (const auto &s : steps) {
        if (s[0] < s[1])
            return 1;
        if (s[0] > s[1])
            return -1;
    }
    return 0;
}

extern "C" void sortpus(PARS_UNIT **pp) {
    int n = 0;
    while (pp[n] != nullptr)
        ++n;
    if (n < 2)
        return;
    // The plain double loop, on purpose: units that compare equal may still
    // differ in their marks, and this exact exchange order decides which of
    // them is written first.
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (compare_pu(pp[i], pp[j]) == 1) {
                PARS_UNIT *t = pp[i];
                pp[i] = pp[j];
                pp[j] = t;
            }
}
