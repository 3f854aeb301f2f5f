// What the default reading of running text knows beyond the lexer: the
// sigla of a language that are not books ("PL 38, 1134" is the Patrologia
// Latina, not Lamentations), and the book names that are also everyday
// words of it ("Am 5. Mai", "Si 5 personnes"), which are taken only with a
// verse; and the tags of translations written after a citation ("J 3,16
// ČEP"), and the letters that readers also write as the following mark
// ("4 Moj 11,24f." beside the language's own "n"). bibl.ini lists them
// inside a language: "$" lines give sigla and "@" lines tags, spelt
// exactly and separated by spaces; a "?" line gives one name (the rest of
// the line) that is also a common word; a "|" line gives the letters of
// other following marks; a "~" line says how the language's script parts
// its words ("~unspaced": Chinese, Japanese and Thai write no space
// between words, so a citation may begin right after a letter). The
// loader of the exact reading ignores them.
//
// Consumes: those lines as the loader meets them, and the sigla an author
// adds. Produces: the rules a reader applies (ReadingRules).
#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "internal.h"

namespace tovrin::detail {

namespace {

struct LanguageWords {
    std::vector<std::string> sigla;
    std::vector<std::string> translations;
    std::vector<std::string> common_names;
    std::string following;
    bool unspaced = false;
};

struct WordRegistry {
    std::mutex lock;
    std::map<const LANG *, LanguageWords> languages;
};

WordRegistry &registry() {
    static WordRegistry r;
    return r;
}

// The words of `text`: runs of bytes other than spaces, tabs and commas.
std::vector<std::string> words_of(std::string_view text) {
    std::vector<std::string> words;
    std::size_t k = 0;
    while (k < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t,", k);
        if (start == std::string_view::npos)
            break;
        const std::size_t stop = std::min(text.find_first_of(" \t,", start), text.size());
        words.emplace_back(text.substr(start, stop - start));
        k = stop;
    }
    return words;
}

// The trie node of `name` once folded, or -1 when it is none of the
// language's names.
int name_node(const LangTables &t, std::string_view name) {
    int node = 0;
    for (const char c : name) {
        node = t.name_step(node, static_cast<unsigned char>(c));
        if (node < 0)
            return -1;
    }
    return t.trie[static_cast<std::size_t>(node)].book != 0 ? node : -1;
}

} // namespace

namespace {

// Adds the words of a "$" or "@" line to the list `which` of `l`'s words;
// a comment may follow them, as after the words of other lines.
void add_words(const LANG *l, std::string_view line, std::vector<std::string> LanguageWords::*which) {
    const std::vector<std::string> words = words_of(line.substr(0, line.find('%')));
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    auto &known = r.languages[l].*which;
    known.insert(known.end(), words.begin(), words.end());
}

} // namespace

void add_sigla(const LANG *l, std::string_view line) { add_words(l, line, &LanguageWords::sigla); }

void add_translations(const LANG *l, std::string_view line) {
    add_words(l, line, &LanguageWords::translations);
}

void add_common_name(const LANG *l, std::string_view name) {
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    r.languages[l].common_names.emplace_back(name);
}

void add_following_marks(const LANG *l, std::string_view line) {
    const std::vector<std::string> words = words_of(line.substr(0, line.find('%')));
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    for (const std::string &w : words)
        r.languages[l].following += w;
}

std::string following_marks(const LANG *l) {
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    const auto it = r.languages.find(l);
    return it != r.languages.end() ? it->second.following : std::string();
}

void add_script_rules(const LANG *l, std::string_view line) {
    const std::vector<std::string> words = words_of(line.substr(0, line.find('%')));
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    for (const std::string &w : words)
        if (w == "unspaced")
            r.languages[l].unspaced = true;
}

bool words_unspaced(const LANG *l) {
    WordRegistry &r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    const auto it = r.languages.find(l);
    return it != r.languages.end() && it->second.unspaced;
}

bool ReadingRules::is_siglum(std::string_view word) const {
    return std::find(sigla.begin(), sigla.end(), word) != sigla.end();
}

std::size_t ReadingRules::translation_suffix(std::string_view read) const {
    if (translations.empty() || read.empty())
        return 0;
    const bool paren = read.back() == ')';
    const std::string_view body = paren ? read.substr(0, read.size() - 1) : read;
    const std::string_view before = paren ? " (" : " ";
    for (const std::string &tag : translations) {
        if (body.size() <= tag.size() + before.size() || !body.ends_with(tag))
            continue;
        const std::size_t at = body.size() - tag.size() - before.size();
        if (body.substr(at, before.size()) == before)
            return read.size() - at;
    }
    return 0;
}

std::shared_ptr<const ReadingRules> reading_rules(const LANG *l, const char *more_sigla) {
    auto rules = std::make_shared<ReadingRules>();
    const LangTables &t = tables_with_names(l);
    LanguageWords words;
    {
        WordRegistry &r = registry();
        const std::lock_guard<std::mutex> hold(r.lock);
        const auto it = r.languages.find(l);
        if (it != r.languages.end())
            words = it->second;
    }
    rules->sigla = std::move(words.sigla);
    rules->translations = std::move(words.translations);
    if (more_sigla != nullptr)
        for (std::string &s : words_of(more_sigla))
            rules->sigla.push_back(std::move(s));
    for (const std::string &s : rules->sigla) {
        const auto b0 = static_cast<unsigned char>(s[0]);
        rules->lead[b0] |= ReadingRules::kFirst;
        if (s.size() == 1)
            rules->lead[b0] |= ReadingRules::kOneByte;
        else
            rules->lead[static_cast<unsigned char>(s[1])] |= ReadingRules::kSecond;
    }
    rules->common.assign(t.trie.size(), 0);
    for (const std::string &name : words.common_names)
        if (const int node = name_node(t, name); node >= 0)
            rules->common[static_cast<std::size_t>(node)] = 1;
    return rules;
}

} // namespace tovrin::detail
