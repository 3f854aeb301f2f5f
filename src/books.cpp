// Book names: from a name to its book number and from a number to a name
// in another language. Names compare under the language's case folding
// (upper()), whole name against whole name; there is no prefix matching,
// so every abbreviation stands in bibl.ini as a name of its own.
#include <cstring>

#include "internal.h"

extern "C" int combook(const char *s1, const char *s2, LANG *l) {
    for (; *s1 != '\0' && *s2 != '\0'; ++s1, ++s2)
        if (upper(static_cast<signed char>(*s1), l) !=
            upper(static_cast<signed char>(*s2), l))
            return 0;
    return *s1 == '\0' && *s2 == '\0';
}

// findbook answers exactly what a walk over the books with combook
// answers (the first book with a matching name), through a trie of the
// folded names: the scanner looks up every candidate's book names.
extern "C" int findbook(const char *s, LANG *l) {
    const auto &t = tovrin::detail::tables_with_names(l);
    int node = 0;
    for (; *s != '\0' && node >= 0; ++s)
        node = t.name_step(node, static_cast<unsigned char>(*s));
    return node < 0 ? 0 : t.trie[node].book;
}

extern "C" char *trans_abb(const char *abb, LANG *from, LANG *to) {
    // booknr answers "???" for book 0, the answer for an unknown name.
    return booknr(to, findbook(abb, from));
}
