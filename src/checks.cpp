// The validity checks: five independent predicates over one citation
// string. The scanner chains them to decide whether a candidate text is a
// citation; each is also an entry point of its own. They keep no state and
// touch no global.
#include <cstring>

#include "internal.h"

extern "C" int tovrin_check1(const char *cite, LANG *l) {
    PARS pp;
    tovrin_pinit(&pp, l);
    int count = 0;
    while (pp.end != 1)
        tovrin_parser(static_cast<signed char>(cite[count++]), &pp);
    const int result = pp.errr == 1 ? count : 0;
    tovrin_pfree(&pp);
    return result;
}

namespace {

// Lexes `cite` and returns the text of the first token that `offends`,
// detached from the lexer record (the caller frees it), or null.
template <typename Offends> char *first_offender(const char *cite, LANG *l, Offends offends) {
    PARS pp;
    tovrin_pinit(&pp, l);
    char *result = nullptr;
    for (int i = 0; pp.end != 1 && result == nullptr; ++i) {
        tovrin_parser(static_cast<signed char>(cite[i]), &pp);
        if (pp.out != nullptr && offends(pp.ousta, pp.out)) {
            result = pp.out;
            pp.out = nullptr;
        }
    }
    tovrin_pfree(&pp);
    return result;
}

} // namespace

extern "C" char *tovrin_check2(const char *cite, LANG *l) {
    return first_offender(cite, l, [l](int kind, const char *text) {
        return (kind == TK_BOOK || kind == TK_BOOK_FROM) &&
               std::strcmp(trans_abb(text, l, l), "???") == 0;
    });
}

extern "C" char *tovrin_check3(const char *cite, LANG *l) {
    return first_offender(cite, l, [](int kind, const char *text) {
        if (kind < TK_CHAPTER || kind > TK_VERSE_FROM)
            return false;
        const std::size_t n = std::strlen(text);
        return n > 3 || n == 0 || std::strcmp(text, "0") == 0;
    });
}

extern "C" int tovrin_check4(const char *cite, LANG *l) {
    PPARS pp;
    tovrin_ppinit(cite, &pp, l);
    int result = 0;
    // Runs on to the last unit even after a hit, as the assembler's protocol
    // expects.
    while (pp.end == 0) {
        tovrin_pparser(&pp);
        if (tovrin::detail::is_reversed(pp.ou))
            result = 1;
    }
    tovrin_ppfree(&pp);
    return result;
}

extern "C" int tovrin_check9(const char *cite, LANG *l) {
    PARS_UNIT **pp = makepus(cite, l);
    int hit = 0;
    for (PARS_UNIT **u = pp; *u != nullptr && !hit; ++u)
        hit = tovrin::detail::lacks_chapter(**u);
    freepus(pp);
    return hit;
}
