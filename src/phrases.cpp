// Phrases: book titles of three words or more ("Song of Solomon", "První
// list Korintským"), which the lexer cannot read as one name since it reads
// at most two pieces. bibl.ini gives each as a ">PHRASE>NAME" line inside
// its language; tovrin_init() skips those lines, and this file reads them
// for the readers of running text, which hand the scanner NAME where the
// text has PHRASE.
//
// Consumes: the configuration file and a language record (for its letters,
// abbreviation mark and case folding). Produces: a set of phrases indexed by
// the folding key of their first byte, and the match of a text against it.
#include <array>
#include <functional>
#include <map>
#include <set>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "internal.h"
#include "tovrin.h"
#include "tovrin.hpp"

struct tovrin_phrases {
    LANG *l = nullptr;
    std::vector<std::pair<std::string, std::string>> items; // phrase, name
    // Phrases by the folding key of their first byte: a reader tries only
    // those that can begin at the byte in front of it.
    std::array<std::vector<int>, 256> by_first;
    // Per byte: its folding key, and what it is in the language. upper()
    // and the class tests search the letter strings at every call; a
    // reader asks for every byte of a text.
    std::array<unsigned char, 256> key{};
    std::array<bool, 256> letter{}, separator{}, starts{};
    // The word a phrase must follow, by phrase ("podle" of "podle Marka");
    // empty for most.
    std::vector<std::string> contexts;
    // The language's book names under the folding, filled when a phrase
    // line is checked: a configuration's every language is checked when it
    // is opened, and building the lookup tables of all of them (findbook)
    // would cost far more.
    std::unordered_set<std::string> folded_names;
};

namespace {

// A ">" line is read whole; the library's loader cuts lines here, so a
// longer one would lose its name.
constexpr std::size_t kMaxLine = 200;

unsigned char byte(char c) { return static_cast<unsigned char>(c); }

// The tables of `set`, from its language.
void classify(tovrin_phrases &set) {
    const tovrin::detail::ByteFolding f = tovrin::detail::byte_folding(set.l);
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<signed char>(b);
        set.key[b] = byte(f.fold[b]);
        set.letter[b] = f.lower[b] || f.upper[b];
        // Spaces and abbreviation marks separate the words of a phrase; a
        // run of them in the text matches a run in the phrase, whatever its
        // length.
        set.separator[b] = c == ' ' || c == set.l->chars[6];
        // A phrase stands for a name where a citation may begin: at a
        // capital or a digit, as the scanner starts one ("song of songs
        // 8:6" stays text, as "song 8:6" does).
        set.starts[b] = f.upper[b] || (b >= '0' && b <= '9');
    }
}

std::string folded(const tovrin_phrases &set, std::string_view name) {
    std::string out;
    for (const char c : name)
        out += static_cast<char>(set.key[byte(c)]);
    return out;
}

// Whether `name` is a book name of the set's language under the folding of
// names: what findbook() answers, without its tables.
bool is_book_name(tovrin_phrases &set, const std::string &name) {
    if (set.folded_names.empty())
        for (const BOOKS *b = set.l->books; b != nullptr; b = b->next)
            for (const BOOK *n = b->book; n != nullptr; n = n->next)
                set.folded_names.insert(folded(set, n->abbrev));
    return set.folded_names.contains(folded(set, name));
}

// The word after "{": up to a space or "%", as the loader reads it.
std::string block_name(const std::string &line) {
    const std::size_t end = line.find_first_of(" %", 1);
    return line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// Whether `phrase` begins with a small letter: its first character (UTF-8)
// stands in the language's small letters where the capitals, written in
// parallel, have another one.
bool begins_small(std::string_view phrase, const LANG &l) {
    std::size_t n = 1;
    while (n < phrase.size() && n < 4 && (byte(phrase[n]) & 0xC0) == 0x80)
        ++n;
    const std::string_view first = phrase.substr(0, n);
    const std::string_view lower = l.lower != nullptr ? l.lower : "";
    const std::string_view upper = l.upper != nullptr ? l.upper : "";
    for (std::size_t at = lower.find(first); at != std::string_view::npos;
         at = lower.find(first, at + 1))
        if (at + n <= upper.size() && upper.substr(at, n) != first)
            return true;
    return false;
}

// ">PHRASE>NAME" into its two parts; false when a part is empty or the
// second ">" is missing.
bool split_line(const std::string &line, std::string &phrase, std::string &name) {
    const std::size_t mark = line.find('>', 1);
    if (mark == std::string::npos || mark == 1 || mark + 1 == line.size())
        return false;
    phrase = line.substr(1, mark - 1);
    name = line.substr(mark + 1);
    return name.find('>') == std::string::npos;
}

// Reads the ">" lines of `in` into the sets of their languages: `set_of`
// gives the set that a block of a name fills (null: none), asked for the
// first block of each name only, as findlang() finds the first. Returns a
// status; *seen whether some block had a set.
using SetOf = std::function<tovrin_phrases *(const std::string &)>;

int read_phrases(std::istream &in, const SetOf &set_of, int &line_no, bool &seen) {
    std::set<std::string> blocks;
    tovrin_phrases *inside = nullptr;
    std::string line;
    seen = false;
    for (line_no = 1; std::getline(in, line); ++line_no) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] == '{') {
            const std::string name = block_name(line);
            inside = blocks.insert(name).second ? set_of(name) : nullptr;
            seen = seen || inside != nullptr;
        } else if (line[0] == '}') {
            inside = nullptr;
        } else if (line[0] == '>' && inside != nullptr) {
            std::string phrase, name;
            if (line.size() > kMaxLine || !split_line(line, phrase, name))
                return TOVRIN_PHRASES_BAD_LINE;
            if (!is_book_name(*inside, name))
                return TOVRIN_PHRASES_UNKNOWN_NAME;
            // A phrase written with a small first word ("podle Marka", the
            // gospel named after "according to") is the rest, read only
            // after that word: "Marka" alone is a given name.
            std::string context;
            if (const std::size_t space = phrase.find(' ');
                begins_small(phrase, *inside->l) && space != std::string::npos) {
                context = phrase.substr(0, space);
                phrase.erase(0, phrase.find_first_not_of(' ', space));
            }
            inside->by_first[inside->key[byte(phrase[0])]].push_back(
                static_cast<int>(inside->items.size()));
            inside->items.emplace_back(std::move(phrase), std::move(name));
            inside->contexts.push_back(std::move(context));
        }
    }
    line_no = 0;
    return in.bad() ? TOVRIN_PHRASES_NO_FILE : TOVRIN_PHRASES_OK;
}

// kEnd: the whole phrase, up to the end of the text, where more text may
// still continue its last word.
enum class Fit { kNo, kPrefix, kEnd, kFull };

// How `phrase` fits the start of `text`: not at all, as far as the text
// goes (more text may decide), or whole (`used` bytes of the text), the
// word ending with it.
Fit fit(const tovrin_phrases &set, const std::string &phrase, const char *text,
        std::size_t len, std::size_t &used) {
    const auto &sep = set.separator;
    std::size_t i = 0, k = 0;
    while (i < phrase.size()) {
        if (k == len)
            return Fit::kPrefix;
        const bool gap = sep[byte(phrase[i])];
        if (gap != sep[byte(text[k])])
            return Fit::kNo;
        if (gap) {
            while (i < phrase.size() && sep[byte(phrase[i])])
                ++i;
            while (k < len && sep[byte(text[k])])
                ++k;
            continue;
        }
        if (set.key[byte(phrase[i])] != set.key[byte(text[k])])
            return Fit::kNo;
        ++i;
        ++k;
    }
    used = k;
    // A phrase ends where its last word ends: "Song of Solomons" is none.
    if (k == len)
        return Fit::kEnd;
    return set.letter[byte(text[k])] ? Fit::kNo : Fit::kFull;
}

// The phrases of `l` in the configuration `in` (not open: NO_FILE).
int load(std::istream &in, LANG *l, tovrin_phrases **out, int *line) {
    int line_no = 0;
    int status = TOVRIN_PHRASES_NO_FILE;
    *out = nullptr;
    try {
        if (in) {
            auto set = std::make_unique<tovrin_phrases>();
            set->l = l;
            classify(*set);
            bool seen = false;
            status = read_phrases(
                in, [&](const std::string &name) { return name == l->name ? set.get() : nullptr; },
                line_no, seen);
            if (status == TOVRIN_PHRASES_OK && !seen)
                status = TOVRIN_PHRASES_NO_LANGUAGE;
            if (status == TOVRIN_PHRASES_OK)
                *out = set.release();
        }
    } catch (const std::bad_alloc &) {
        status = TOVRIN_PHRASES_NO_MEMORY;
        line_no = 0;
    }
    if (line != nullptr)
        *line = status == TOVRIN_PHRASES_OK ? 0 : line_no;
    return status;
}

} // namespace

namespace {

// Whether `name` is a name of the book whose names are `book` (exactly as
// written), else of any book of `l` under the folding of names.
bool names_a_book(const std::vector<std::string> &book, const std::string &name, LANG *l) {
    for (const std::string &n : book)
        if (n == name)
            return true;
    tovrin_phrases set;
    set.l = l;
    classify(set);
    return is_book_name(set, name);
}

} // namespace

int tovrin::detail::check_phrases_of(std::string_view text, const std::vector<LANG *> &languages,
                                     int &line) {
    std::set<std::string> names;
    std::vector<std::string> book; // the names of the last book read
    std::size_t k = 0;             // languages opened so far
    bool inside = false;           // in the first block of a name
    int status = TOVRIN_PHRASES_OK;
    line = 0;
    try {
        tovrin::api_detail::for_each_config_line(text, [&](int number, std::string_view l) {
            if (l.empty())
                return true;
            if (l[0] == '{' && k < languages.size()) {
                inside = names.insert(block_name(std::string(l))).second;
                ++k;
                book.clear();
            } else if (l[0] == '}') {
                inside = false;
            } else if (inside && (l[0] == '+' || l[0] == '*')) {
                if (l[0] == '+')
                    book.clear();
                book.emplace_back(l.substr(1));
            } else if (inside && l[0] == '>') {
                std::string phrase, name;
                if (l.size() > kMaxLine || !split_line(std::string(l), phrase, name))
                    status = TOVRIN_PHRASES_BAD_LINE;
                else if (!names_a_book(book, name, languages[k - 1]))
                    status = TOVRIN_PHRASES_UNKNOWN_NAME;
                line = number;
            }
            return status == TOVRIN_PHRASES_OK;
        });
    } catch (const std::bad_alloc &) {
        status = TOVRIN_PHRASES_NO_MEMORY;
    }
    if (status != TOVRIN_PHRASES_BAD_LINE && status != TOVRIN_PHRASES_UNKNOWN_NAME)
        line = 0;
    return status;
}

std::string tovrin::detail::phrase_block(std::string_view text, std::size_t index) {
    std::set<std::string> names;
    std::string block;
    std::size_t k = 0;
    bool inside = false;
    tovrin::api_detail::for_each_config_line(text, [&](int, std::string_view l) {
        if (!l.empty() && l[0] == '{') {
            const bool first = names.insert(block_name(std::string(l))).second;
            inside = k++ == index && first;
            if (k > index && !inside)
                return false; // a later block of a name read before
        }
        if (inside) {
            block.append(l).push_back('\n');
            if (!l.empty() && l[0] == '}')
                return false;
        }
        return true;
    });
    return block;
}

int tovrin::detail::load_block_phrases(std::string_view block, LANG *l, tovrin_phrases **out) {
    std::istringstream in{block.empty() ? "{" + std::string(l->name) + "\n}\n" : std::string(block)};
    int line = 0;
    const int status = load(in, l, out, &line);
    return status == TOVRIN_PHRASES_NO_LANGUAGE ? load_block_phrases({}, l, out) : status;
}

extern "C" {

int tovrin_phrases_load(const char *path, LANG *l, tovrin_phrases **out, int *line) {
    std::ifstream in(path, std::ios::binary);
    return load(in, l, out, line);
}

int tovrin_phrases_load_text(const char *text, size_t len, LANG *l, tovrin_phrases **out,
                             int *line) {
    std::istringstream in(std::string(text, len));
    return load(in, l, out, line);
}

void tovrin_phrases_free(tovrin_phrases *p) { delete p; }

int tovrin_phrases_count(const tovrin_phrases *p) { return static_cast<int>(p->items.size()); }

const char *tovrin_phrases_phrase(const tovrin_phrases *p, int k) {
    return p->items[static_cast<std::size_t>(k)].first.c_str();
}

const char *tovrin_phrases_context(const tovrin_phrases *p, int k) {
    return p->contexts[static_cast<std::size_t>(k)].c_str();
}

const char *tovrin_phrases_name(const tovrin_phrases *p, int k) {
    return p->items[static_cast<std::size_t>(k)].second.c_str();
}

int tovrin_phrases_may_begin(const tovrin_phrases *p, signed char c) {
    return p->starts[byte(c)] && !p->by_first[p->key[byte(c)]].empty() ? 1 : 0;
}

long tovrin_phrases_match(const tovrin_phrases *p, const char *text, std::size_t len, int more,
                          int *k) {
    if (len == 0)
        return more ? -1 : 0;
    if (!p->starts[byte(text[0])])
        return 0;
    long best = 0;
    bool undecided = false;
    for (int candidate : p->by_first[p->key[byte(text[0])]]) {
        std::size_t used = 0;
        const Fit f = fit(*p, p->items[static_cast<std::size_t>(candidate)].first, text, len, used);
        if (f == Fit::kNo)
            continue;
        if (f == Fit::kPrefix || (f == Fit::kEnd && more)) {
            undecided = true;
            continue;
        }
        if (static_cast<long>(used) > best) {
            best = static_cast<long>(used);
            if (k != nullptr)
                *k = candidate;
        }
    }
    // A longer phrase may still match: the longest one wins.
    if (undecided && more)
        return -1;
    return best;
}

} // extern "C"
