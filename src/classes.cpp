// Character classes of a language and the case folding behind book-name
// lookup. The literal searches (test_low, test_up, test_parts, upper) scan
// the language's letter strings as the configuration wrote them; the lexer
// and findbook run once per input character and per candidate, so they use
// 256-entry tables derived from exactly these searches, built once per
// language on first use.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "internal.h"

namespace {

// Index of the last occurrence of `ch` in `s`, or -1. NUL never matches.
int last_index(signed char ch, const char *s) {
    int found = -1;
    for (int k = 0; s[k] != '\0'; ++k)
        if (static_cast<signed char>(s[k]) == ch)
            found = k;
    return found;
}

} // namespace

extern "C" int test_low(signed char ch, LANG *lg) { return last_index(ch, lg->lower); }
extern "C" int test_up(signed char ch, LANG *lg) { return last_index(ch, lg->upper); }
extern "C" int test_parts(signed char ch, LANG *lg) { return last_index(ch, lg->parts); }

extern "C" int test_chars(signed char ch, LANG *lg) {
    int found = -1;
    for (int k = 0; k < 7; ++k)
        if (lg->chars[k] == ch)
            found = k;
    return found;
}

extern "C" signed char upper(signed char ch, LANG *lg) {
    if (test_up(ch, lg) >= 0)
        return ch;
    int k = test_low(ch, lg);
    if (k >= 0) {
        // The loader keeps lower and upper the same length; a record built
        // by hand with a shorter upper must not make us read past it.
        if (static_cast<std::size_t>(k) < std::strlen(lg->upper))
            return static_cast<signed char>(lg->upper[k]);
        return '#';
    }
    if (ch >= '0' && ch <= '9')
        return ch;
    return '#';
}

extern "C" int ifc_0(signed char ch, LANG *) { return ch == '\0' || ch == '\n' || ch == '\r'; }
extern "C" int ifc_1(signed char ch, LANG *) { return ch == ' '; }
extern "C" int ifc_2(signed char ch, LANG *l) {
    return test_low(ch, l) >= 0 || test_up(ch, l) >= 0;
}
extern "C" int ifc_3(signed char ch, LANG *l) { return test_low(ch, l) >= 0; }
extern "C" int ifc_4(signed char ch, LANG *l) { return test_up(ch, l) >= 0; }
extern "C" int ifc_5(signed char ch, LANG *) { return ch >= '0' && ch <= '9'; }
extern "C" int ifc_10(signed char ch, LANG *l) { return ch == l->chars[0]; }
extern "C" int ifc_11(signed char ch, LANG *l) { return ch == l->chars[1]; }
extern "C" int ifc_12(signed char ch, LANG *l) { return ch == l->chars[2]; }
extern "C" int ifc_13(signed char ch, LANG *l) { return ch == l->chars[3]; }
extern "C" int ifc_14(signed char ch, LANG *l) { return ch == l->chars[4]; }
extern "C" int ifc_15(signed char ch, LANG *l) { return ch == l->chars[5]; }
extern "C" int ifc_16(signed char ch, LANG *l) { return ch == l->chars[6]; }
extern "C" int ifc_20(signed char ch, LANG *l) { return test_parts(ch, l) >= 0; }

namespace tovrin::detail {

// The same answers as test_low, test_up and upper for all 256 bytes: the
// last index of each byte in each string, then each byte once.
ByteFolding byte_folding(const LANG *l) {
    int low[256], up[256];
    const auto last_indexes = [](const char *s, int (&at)[256]) {
        std::fill(std::begin(at), std::end(at), -1);
        for (int k = 0; s != nullptr && s[k] != '\0'; ++k)
            at[static_cast<unsigned char>(s[k])] = k;
    };
    last_indexes(l->lower, low);
    last_indexes(l->upper, up);
    const int upper_length = l->upper != nullptr ? static_cast<int>(std::strlen(l->upper)) : 0;
    ByteFolding f{};
    for (int b = 0; b < 256; ++b) {
        const auto ch = static_cast<signed char>(b);
        f.lower[b] = low[b] >= 0;
        f.upper[b] = up[b] >= 0;
        if (f.upper[b])
            f.fold[b] = ch;
        else if (f.lower[b])
            f.fold[b] = low[b] < upper_length ? l->upper[low[b]] : '#';
        else
            f.fold[b] = b >= '0' && b <= '9' ? ch : '#';
    }
    return f;
}

namespace {

using ClassTest = int (*)(signed char, LANG *);

// Each class bit paired with the literal test it caches.
constexpr struct {
    std::uint16_t bit;
    ClassTest test;
} kClassTests[] = {
    {C_END, ifc_0},     {C_SPACE, ifc_1},  {C_LETTER, ifc_2}, {C_LOWER, ifc_3},
    {C_UPPER, ifc_4},   {C_DIGIT, ifc_5},  {C_CITSEP, ifc_10}, {C_RANGE, ifc_11},
    {C_VLIST, ifc_12},  {C_CVSEP, ifc_13}, {C_OPEN, ifc_14},   {C_NEXT, ifc_15},
    {C_ABBR, ifc_16},   {C_PART, ifc_20},
};

} // namespace

namespace {

bool matches(const LangTables &t, const LANG *l) {
    return t.lang == l && t.lower == l->lower && t.upper == l->upper &&
           t.parts == l->parts && t.books == l->books &&
           std::memcmp(t.chars, l->chars, sizeof t.chars) == 0;
}

void build(LangTables &t, const LANG *l) {
    t = LangTables{};
    t.lang = l;
    t.lower = l->lower;
    t.upper = l->upper;
    t.parts = l->parts;
    t.books = l->books;
    std::memcpy(t.chars, l->chars, sizeof t.chars);
    LANG *ml = const_cast<LANG *>(l);
    // The letter classes and the folding from one pass over the letter
    // strings; the other classes from their tests.
    const ByteFolding f = byte_folding(l);
    for (int b = 0; b < 256; ++b) {
        signed char ch = static_cast<signed char>(b);
        std::uint16_t mask = (f.lower[b] || f.upper[b] ? C_LETTER : 0) |
                             (f.lower[b] ? C_LOWER : 0) | (f.upper[b] ? C_UPPER : 0);
        for (const auto &ct : kClassTests)
            if (ct.bit != C_LETTER && ct.bit != C_LOWER && ct.bit != C_UPPER && ct.test(ch, ml))
                mask |= ct.bit;
        t.cls[b] = mask;
        t.fold[b] = f.fold[b];
    }
    // The books by number; only the list is walked, never the names.
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        t.books_by_number.push_back(b);
    int slot = 0;
    for (int sta = 0; sta <= 96; ++sta) {
        if (transition(sta, 0) == nullptr) {
            t.state_slot[sta] = -1;
            continue;
        }
        t.state_slot[sta] = static_cast<std::int8_t>(slot);
        for (int b = 0; b < 256; ++b) {
            const Row *r = transition(sta, t.cls[b]);
            t.rows[slot][b] = r;
            const bool stops = r->act == A_ER || r->act == A_END || r->act == A_END_OUT;
            t.next[sta][b] = stops ? -1 : r->next;
        }
        ++slot;
    }
}

// A handful of languages at most; the scanner and the services use one or
// two at a time, so the last one used by a thread is checked first, without
// a lock. Tables are built under the lock, so that scans in several threads
// may ask for a language's tables first at the same time; once built they
// are only read (a record replaced at the same address, which rebuilds
// them, is a single-threaded affair of hand-built languages).
std::mutex &cache_mutex() {
    static std::mutex m;
    return m;
}

std::vector<std::unique_ptr<LangTables>> &cache() {
    static std::vector<std::unique_ptr<LangTables>> all;
    return all;
}

// The tables of `l`; the caller holds the cache's lock.
LangTables &lookup_locked(const LANG *l) {
    auto &all = cache();
    for (auto &t : all)
        if (t->lang == l) {
            if (!matches(*t, l))
                build(*t, l);
            return *t;
        }
    all.push_back(std::make_unique<LangTables>());
    build(*all.back(), l);
    return *all.back();
}

// The edges of the trie in a dense table, from the edges found while
// building it (node << 8 | folded byte -> child).
void build_children(LangTables &t, const std::unordered_map<std::uint64_t, int> &edges) {
    std::uint8_t number[256] = {};
    t.symbols = 0;
    for (const auto &[key, child] : edges) {
        const auto b = static_cast<std::uint8_t>(key & 0xff);
        if (number[b] == 0)
            number[b] = static_cast<std::uint8_t>(++t.symbols);
    }
    for (int b = 0; b < 256; ++b)
        t.symbol[b] = number[static_cast<unsigned char>(t.fold[b])];
    t.child.assign(t.trie.size() * static_cast<std::size_t>(t.symbols), -1);
    for (const auto &[key, child] : edges)
        t.child[static_cast<std::size_t>(key >> 8) * t.symbols + number[key & 0xff] - 1] = child;
}

void build_names(LangTables &t) {
    t.trie.assign(1, LangTables::NameNode{});
    std::unordered_map<std::uint64_t, int> edges;
    int number = 1;
    for (const BOOKS *b = t.lang->books; b != nullptr; b = b->next, ++number) {
        for (const BOOK *n = b->book; n != nullptr; n = n->next) {
            int node = 0;
            std::size_t length = 0;
            for (const char *c = n->abbrev; *c != '\0'; ++c, ++length) {
                const std::uint64_t key = static_cast<std::uint64_t>(node) << 8 |
                                          static_cast<unsigned char>(t.fold[static_cast<unsigned char>(*c)]);
                auto [it, fresh] = edges.try_emplace(key, static_cast<int>(t.trie.size()));
                if (fresh)
                    t.trie.emplace_back();
                node = it->second;
            }
            t.longest_name = std::max(t.longest_name, length);
            // The first book that bears a name wins, as in the walk.
            if (t.trie[node].book == 0)
                t.trie[node].book = number;
        }
    }
    build_children(t, edges);
    // A book is known to the checks when its main name is not the text of
    // an unknown book.
    for (auto &node : t.trie)
        node.known = node.book != 0 &&
                     std::strcmp(t.books_by_number[node.book - 1]->book->abbrev, "???") != 0;
    t.names_built = true;
}

} // namespace

const LangTables &tables(const LANG *l) {
    thread_local const LangTables *last = nullptr;
    if (last != nullptr && matches(*last, l))
        return *last;
    const std::lock_guard<std::mutex> lock(cache_mutex());
    last = &lookup_locked(l);
    return *last;
}

const LangTables &tables_with_names(const LANG *l) {
    thread_local const LangTables *last = nullptr;
    if (last != nullptr && last->names_built && matches(*last, l))
        return *last;
    const std::lock_guard<std::mutex> lock(cache_mutex());
    LangTables &t = lookup_locked(l);
    if (!t.names_built)
        build_names(t);
    last = &t;
    return t;
}

} // namespace tovrin::detail
