// The book name a reader probably meant by a name the language does not
// know: "Zalm" for "Žalm", "1 Kor" for "1 Koř", "Gen" for "Genn". Lint
// reports an unknown name only when there is one (a capitalised word that
// is nothing like a book, "Sermo 341,1", is prose), and every message about
// an unknown name offers it.
//
// It runs only on failures and on one name at a time: against each name of
// the language, the folded texts are compared in one pass.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "internal.h"
#include "text_stage.h"

namespace tovrin::detail {

namespace {

// A one-edit difference tells a typing slip only between words of some
// length: a word of one or two letters is one edit away from dozens of the
// two-letter abbreviations (Gn, Ex, Lv, Dt, Rt, Jb, ...), so "GS", "KV" or
// "Mr" would always look misspelt, and a word of three letters is one of
// them with a letter more ("Art" is "Rt" after an "A"). So an edit counts
// only when both names have this many letters; shorter names match only
// when they differ in case or diacritics alone ("Z" for "Ž").
constexpr std::size_t kMinLettersForAnEdit = 3;

// The code points of UTF-8 text; a byte that begins no sequence of the
// lengths book names use (up to three bytes) stands for itself.
std::u32string code_points(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
        const auto continues = [&](std::size_t k) {
            return i + k < s.size() && (byte(k) & 0xC0) == 0x80;
        };
        if ((byte(0) & 0xE0) == 0xC0 && continues(1)) {
            out += static_cast<char32_t>((byte(0) & 0x1F) << 6 | (byte(1) & 0x3F));
            i += 2;
        } else if ((byte(0) & 0xF0) == 0xE0 && continues(1) && continues(2)) {
            out += static_cast<char32_t>((byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 |
                                         (byte(2) & 0x3F));
            i += 3;
        } else {
            out += static_cast<char32_t>(byte(0));
            i += 1;
        }
    }
    return out;
}

// Latin letters with a stroke, which Unicode composes from no letter and
// mark: Polish ł, Croatian đ.
constexpr std::pair<char32_t, char32_t> kStroked[] = {
    {U'Ł', U'L'}, {U'ł', U'l'}, {U'Đ', U'D'}, {U'đ', U'd'}};

char32_t without_diacritics(char32_t c) {
    for (const auto &[stroked, plain] : kStroked)
        if (c == stroked)
            return plain;
    for (char32_t base = base_letter(c); base != 0; base = base_letter(c))
        c = base;
    return c;
}

// Letters compared without case and diacritics, as readers tell names
// apart: the language's own capitals and small letters (its `^` and `_`
// lines, written in parallel) give the case.
class Folding {
public:
    explicit Folding(const LANG *l) {
        const std::u32string lower = code_points(l->lower), upper = code_points(l->upper);
        for (std::size_t k = 0; k < std::min(lower.size(), upper.size()); ++k)
            small_.emplace_back(upper[k], lower[k]);
    }

    std::u32string operator()(std::string_view name) const {
        std::u32string out = code_points(name);
        for (char32_t &c : out)
            c = small(without_diacritics(c));
        return out;
    }

private:
    char32_t small(char32_t c) const {
        for (const auto &[capital, letter] : small_)
            if (c == capital)
                return letter;
        return c;
    }

    std::vector<std::pair<char32_t, char32_t>> small_; // capital, small letter
};

// 0 when `a` and `b` are equal, 1 when one edit makes one of the other (a
// character inserted, deleted or replaced, or two neighbours swapped), 2
// when it takes more.
int edits_up_to_one(std::u32string_view a, std::u32string_view b) {
    if (a.size() < b.size())
        std::swap(a, b);
    if (a.size() - b.size() > 1)
        return 2;
    std::size_t k = 0;
    while (k < b.size() && a[k] == b[k])
        ++k;
    if (k == a.size())
        return 0;
    if (a.size() > b.size()) // a character of `a` at k that `b` lacks
        return a.substr(k + 1) == b.substr(k) ? 1 : 2;
    if (a.substr(k + 1) == b.substr(k + 1))
        return 1;
    const bool swapped = k + 1 < a.size() && a[k] == b[k + 1] && a[k + 1] == b[k] &&
                         a.substr(k + 2) == b.substr(k + 2);
    return swapped ? 1 : 2;
}

std::size_t letters_of(std::u32string_view name) {
    return static_cast<std::size_t>(std::count_if(name.begin(), name.end(), [](char32_t c) {
        return c != U' ' && (c < U'0' || c > U'9');
    }));
}

// How far the folded unknown name `key` is from the folded name `name`: 0
// when they are equal, 1 when one edit apart and both long enough for an
// edit to be a slip, else 2.
int distance(std::u32string_view key, std::u32string_view name) {
    const int edits = edits_up_to_one(key, name);
    const bool long_enough =
        letters_of(key) >= kMinLettersForAnEdit && letters_of(name) >= kMinLettersForAnEdit;
    return edits == 1 && !long_enough ? 2 : edits;
}

bool names_a_book(const char *name, LANG *l) {
    return std::strcmp(trans_abb(name, l, l), "???") != 0;
}

} // namespace

std::string suggested_book_name(std::string_view unknown, LANG *l) {
    const Folding fold(l);
    const std::u32string key = fold(unknown);
    std::string best;
    int fewest = 2;
    for (const BOOKS *b = l->books; b != nullptr && fewest > 0; b = b->next)
        for (const BOOK *n = b->book; n != nullptr && fewest > 0; n = n->next) {
            const int edits = distance(key, fold(n->abbrev));
            if (edits < fewest && names_a_book(n->abbrev, l)) {
                fewest = edits;
                best = n->abbrev;
            }
        }
    return best;
}

} // namespace tovrin::detail
