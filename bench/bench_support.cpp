#include "bench_support.h"

#include <cstdio>
#include <cstdlib>

namespace tovrin_bench {

LANG *language(const char *name) {
    // The loader keeps its records for the life of the process, and loading
    // twice would only append a second copy: once per process is the rule.
    static const bool loaded = [] {
        tovrin_init_file(TOVRIN_BENCH_CONFIG);
        return true;
    }();
    (void)loaded;
    return findlang(name);
}

LANG *czech() {
    LANG *l = language("cz");
    if (l == nullptr) {
        std::fprintf(stderr, "bench: no language 'cz' in %s\n", TOVRIN_BENCH_CONFIG);
        std::exit(1);
    }
    return l;
}

std::vector<std::string> main_names(LANG *l) {
    std::vector<std::string> names;
    for (BOOKS *b = l->books; b != nullptr; b = b->next)
        if (b->book != nullptr)
            names.emplace_back(b->book->abbrev);
    return names;
}

std::vector<std::string> all_names(LANG *l) {
    std::vector<std::string> names;
    for (BOOKS *b = l->books; b != nullptr; b = b->next)
        for (BOOK *n = b->book; n != nullptr; n = n->next)
            names.emplace_back(n->abbrev);
    return names;
}

CitationMaker::CitationMaker(std::uint32_t seed) : rng_(seed), books_(main_names(czech())) {}

std::string CitationMaker::tail() {
    const int c = between(1, 50);
    const int v = between(1, 40);
    // Built by appending: "chapter,verse" and what follows.
    std::string t = std::to_string(c);
    const auto add = [&t](char sep, int n) {
        t += sep;
        t += std::to_string(n);
    };
    switch (below(10)) {
    case 0: // Mt 5,3
        add(',', v);
        break;
    case 1: // J 3,16-18
        add(',', v);
        add('-', v + between(1, 12));
        break;
    case 2: // Gn 1,1-2,3
        add(',', v);
        add('-', c + between(1, 3));
        add(',', between(1, 40));
        break;
    case 3: // L 6,20n, Gn 12,1nn
        add(',', v);
        t += below(2) ? "n" : "nn";
        break;
    case 4: // Ř 8,28+
        add(',', v);
        t += '+';
        break;
    case 5: // Iz 40-55
        add('-', c + between(1, 15));
        break;
    case 6: { // 1 K 13,4.7 and 1 J 4,8.16.19
        const int w = v + between(1, 5);
        add(',', v);
        add('.', w);
        if (below(10) < 3)
            add('.', w + between(1, 5));
        break;
    }
    case 7: // Mk 1,2a
        add(',', v);
        t += static_cast<char>('a' + below(3));
        break;
    case 8: // Gn 2,4b-25
        add(',', v);
        t += 'b';
        add('-', v + between(1, 12));
        break;
    default: // Ž 23
        break;
    }
    return t;
}

std::string CitationMaker::make(int book) {
    std::string cite = books_.at(book - 1) + " " + tail();
    // One citation in five goes on: "Iz 7,14; 9,5n", "Mt 5,3; L 6,20n".
    while (below(5) == 0) {
        if (below(2) == 0)
            cite += "; " + tail();
        else
            cite += "; " + books_[below(static_cast<std::uint32_t>(books_.size()))] + " " + tail();
    }
    return cite;
}

std::string CitationMaker::make() {
    return make(1 + static_cast<int>(below(static_cast<std::uint32_t>(books_.size()))));
}

std::vector<std::string> citations(std::size_t n, std::uint32_t seed) {
    CitationMaker maker(seed);
    std::vector<std::string> v;
    v.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(maker.make());
    return v;
}

std::int64_t total_bytes(const std::vector<std::string> &v) {
    std::int64_t n = 0;
    for (const auto &s : v)
        n += static_cast<std::int64_t>(s.size());
    return n;
}

} // namespace tovrin_bench
