// Fuzz target: the unit assembler, the unit passes and every service on
// arbitrary citation bytes under the shipped languages.
//
// Input: byte 0 picks the source language, byte 1 the target language
// (fuzz_common.h), byte 2 holds option bits; the rest is the first
// citation, up to an optional "|", after which comes the second citation
// for the comparisons (the first one again when there is no "|"). The
// texts are C strings, so an embedded NUL ends a citation early, as it
// would for any caller.
#include <climits>
#include <cstring>

#include "fuzz_common.h"

namespace {

void check_units(PARS_UNIT **pp, const LANG *l, const std::string &cite) {
    FUZZ_CHECK(pp != nullptr && pp[0] != nullptr, "no unit for \"%s\"",
               fuzzing::show(cite).c_str());
    const int books = fuzzing::book_count(l);
    for (PARS_UNIT **u = pp; *u != nullptr; ++u) {
        const PARS_UNIT &x = **u;
        // adjust() gives every unit a start; numbers never go negative
        // (they saturate), and book numbers come from findbook.
        FUZZ_CHECK(x.bf != 0 || x.b == 0, "start book 0, end book %d in \"%s\"", x.b,
                   fuzzing::show(cite).c_str());
        FUZZ_CHECK(x.b >= 0 && x.b <= books && x.bf >= 0 && x.bf <= books,
                   "book %d/%d of %d in \"%s\"", x.bf, x.b, books, fuzzing::show(cite).c_str());
        FUZZ_CHECK(x.c >= 0 && x.v >= 0 && x.cf >= 0 && x.vf >= 0,
                   "negative number in \"%s\"", fuzzing::show(cite).c_str());
        for (int mark : {x.fl, x.flf})
            FUZZ_CHECK(mark == 0 || mark == TK_NEXT || mark == TK_NEXT2 || mark == TK_OPEN_END,
                       "mark %d in \"%s\"", mark, fuzzing::show(cite).c_str());
    }
}

int count(PARS_UNIT **pp) {
    int n = 0;
    while (pp[n] != nullptr)
        ++n;
    return n;
}

// The passes, the order and the overlap tests on one unit array.
void exercise_passes(PARS_UNIT **pp, const std::string &cite) {
    adjpus_n(pp);
    adjpus_plus(pp);
    adjpus_nn_pseudo(pp);
    adjpus_v01(pp);
    for (PARS_UNIT **u = pp; *u != nullptr; ++u)
        FUZZ_CHECK((*u)->fl == 0 && (*u)->flf == 0, "mark left after the passes in \"%s\"",
                   fuzzing::show(cite).c_str());
    const int n = count(pp);
    // Quadratic in the units; a few dozen are plenty.
    const int m = n < 24 ? n : 24;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) {
            const int ij = compare_pu(pp[i], pp[j]), ji = compare_pu(pp[j], pp[i]);
            FUZZ_CHECK(ij == -ji, "compare_pu not antisymmetric in \"%s\"",
                       fuzzing::show(cite).c_str());
            pu_is_equal(pp[i], pp[j]);
            pu_is_equal_old(pp[i], pp[j]);
        }
    sortpus(pp);
    for (int i = 0; i + 1 < n; ++i)
        FUZZ_CHECK(compare_pu(pp[i], pp[i + 1]) >= 0, "unsorted at %d in \"%s\"", i,
                   fuzzing::show(cite).c_str());
}

void exercise_checks(const std::string &cite, LANG *l) {
    const int c1 = tovrin_check1(cite.c_str(), l);
    FUZZ_CHECK(c1 >= 0 && static_cast<std::size_t>(c1) <= std::strlen(cite.c_str()) + 1,
               "check1 %d for \"%s\"", c1, fuzzing::show(cite).c_str());
    if (char *bad = tovrin_check2(cite.c_str(), l)) {
        FUZZ_CHECK(findbook(bad, l) == 0, "check2 returned known \"%s\"", bad);
        std::free(bad);
    }
    if (char *bad = tovrin_check3(cite.c_str(), l)) {
        const std::size_t n = std::strlen(bad);
        FUZZ_CHECK(n > 3 || n == 0 || std::strcmp(bad, "0") == 0, "check3 returned \"%s\"", bad);
        std::free(bad);
    }
    const int c4 = tovrin_check4(cite.c_str(), l);
    const int c9 = tovrin_check9(cite.c_str(), l);
    FUZZ_CHECK((c4 == 0 || c4 == 1) && (c9 == 0 || c9 == 1), "check4 %d check9 %d", c4, c9);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3)
        return 0;
    LANG *from = fuzzing::pick_language(data[0]);
    LANG *to = fuzzing::pick_language(data[1]);
    const std::uint8_t options = data[2];
    const std::string rest(reinterpret_cast<const char *>(data + 3), size - 3);
    const std::size_t bar = rest.find('|');
    const std::string cite1 = rest.substr(0, bar);
    const std::string cite2 = bar == std::string::npos ? cite1 : rest.substr(bar + 1);
    // The comparison traces go to stdout (discarded below).
    tovrin_debug = options & 1;

    PARS_UNIT **pp = makepus(cite1.c_str(), from);
    check_units(pp, from, cite1);
    if ((options & 2) != 0)
        printpus(pp, from);
    exercise_passes(pp, cite1);
    if (char *text = tovrin_expus(pp, from))
        std::free(text);
    freepus(pp);

    // Book numbers carry over by position; a target language with fewer
    // books would end the process through booknr, which is its documented
    // fatal path and no finding.
    const bool cross = fuzzing::book_count(to) >= fuzzing::book_count(from);
    LANG *target = cross ? to : from;

    char *e = tovrin_expand(cite1.c_str(), from);
    FUZZ_CHECK(e != nullptr, "expand gave NULL for \"%s\"", fuzzing::show(cite1).c_str());
    std::free(e);
    e = tovrin_expand_bl(cite1.c_str(), from, target);
    FUZZ_CHECK(e != nullptr, "expand_bl gave NULL");
    std::free(e);
    e = tovrin_expand_sort(cite1.c_str(), from, target);
    FUZZ_CHECK(e != nullptr, "expand_sort gave NULL");
    std::free(e);

    char *t = trans_cite(cite1.c_str(), from, target);
    const bool lexes = tovrin_check1(cite1.c_str(), from) == 0;
    FUZZ_CHECK((t != nullptr) == lexes, "trans_cite %s but check1 %s for \"%s\"",
               t ? "translated" : "failed", lexes ? "passed" : "failed",
               fuzzing::show(cite1).c_str());
    if (t != nullptr)
        FUZZ_CHECK(t[0] != '\0', "empty translation of \"%s\"", fuzzing::show(cite1).c_str());
    std::free(t);

    exercise_checks(cite1, from);
    if (bar != std::string::npos)
        exercise_checks(cite2, target);

    const int eq = tovrin_is_equal(cite1.c_str(), cite2.c_str(), from, target);
    FUZZ_CHECK(eq == 0 || eq == 1, "is_equal %d", eq);
    const int ab = tovrin_comp(cite1.c_str(), cite2.c_str(), from, target);
    const int ba = tovrin_comp(cite2.c_str(), cite1.c_str(), target, from);
    FUZZ_CHECK(ab == -ba && ab >= -1 && ab <= 1, "comp %d and %d for \"%s\" | \"%s\"", ab, ba,
               fuzzing::show(cite1).c_str(), fuzzing::show(cite2).c_str());
    tovrin_debug = 0;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // printpus and the debug traces write to stdout; keep the fuzzer's
    // output readable.
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    fuzzing::languages();
    return 0;
}
