// Configurations opened without ending the process, the shipped bibl.ini
// built into the library, language aliases, and the phrases of each loaded
// language.
//
// Consumes: a configuration text (a file, a text in memory, the shipped
// one). Produces: the languages it defines, with their phrases registered
// for the readers of running text.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "internal.h"
#include "tovrin.h"
#include "tovrin.hpp"

extern const char tovrin_shipped_bibl_ini[];
extern const std::size_t tovrin_shipped_bibl_ini_size;

struct tovrin_config {
    std::vector<LANG *> languages; // file order
};

namespace tovrin::detail {

namespace {

// ISO 639-1 codes of the shipped languages whose names in bibl.ini differ
// from them. A language of bibl.ini of that very name comes first.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"cs", "cz"},
    {"nb", "no"}, // Norwegian Bokmål
};

// The phrases of each language of an opened configuration, read from its
// text when a reader of the language first asks for them: a configuration
// of many languages is opened for one of them.
struct Phrases {
    std::string_view text;                    // the configuration
    std::shared_ptr<const std::string> owner; // its copy (none of the shipped one)
    std::size_t index = 0;                    // the language's block in it
    std::unique_ptr<tovrin_phrases, void (*)(tovrin_phrases *)> set{nullptr,
                                                                   tovrin_phrases_free};
};

struct PhraseRegistry {
    std::mutex lock;
    std::map<const LANG *, Phrases> sets;
};

PhraseRegistry &phrase_registry() {
    static PhraseRegistry r;
    return r;
}

void fill(tovrin_config_error *err, std::string_view file, int line, std::string_view message) {
    if (err == nullptr)
        return;
    const auto copy = [](char *to, std::size_t room, std::string_view from) {
        const std::size_t n = std::min(room - 1, from.size());
        std::memcpy(to, from.data(), n);
        to[n] = '\0';
    };
    copy(err->file, sizeof err->file, file);
    err->line = line;
    copy(err->message, sizeof err->message, message);
}

// Checks the phrase lines of `text` (unless it is the shipped one) and
// files where each language of `config` finds its phrases; false with the
// error filled in when a phrase line is broken.
bool note_phrases(std::string_view text, std::string_view name, const tovrin_config &config,
                  bool shipped, tovrin_config_error *err) {
    int line = 0;
    const int status = shipped ? TOVRIN_PHRASES_OK : check_phrases_of(text, config.languages, line);
    if (status == TOVRIN_PHRASES_NO_MEMORY)
        throw std::bad_alloc();
    if (status != TOVRIN_PHRASES_OK) {
        fill(err, name, line, phrase_line_problem(status));
        return false;
    }
    // The shipped text lasts as long as the program; any other is kept.
    const auto kept = shipped ? nullptr : std::make_shared<const std::string>(text);
    const std::string_view lasting =
        shipped ? std::string_view(tovrin_shipped_bibl_ini, tovrin_shipped_bibl_ini_size)
                : std::string_view(*kept);
    PhraseRegistry &r = phrase_registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    for (std::size_t k = 0; k < config.languages.size(); ++k) {
        Phrases &p = r.sets[config.languages[k]];
        p.text = lasting;
        p.owner = kept;
        p.index = k;
        p.set.reset();
    }
    return true;
}

bool is_shipped(std::string_view text) {
    return text.size() == tovrin_shipped_bibl_ini_size &&
           std::memcmp(text.data(), tovrin_shipped_bibl_ini, text.size()) == 0;
}

tovrin_config *open_checked(std::string_view text, std::string_view name,
                            tovrin_config_error *err) {
    // The shipped configuration is checked when it is built (the tests
    // check it): a text that is the same needs no check.
    const bool shipped = is_shipped(text);
    if (!shipped) {
        // Only the errors: the names are the loader's to keep.
        const ConfigText checked = tovrin::api_detail::ConfigReader(false).read(text);
        if (!checked.errors.empty()) {
            fill(err, name, checked.errors.front().line, checked.errors.front().message);
            return nullptr;
        }
    }
    load_config_text(text);
    auto config = std::make_unique<tovrin_config>();
    for (LANG *l = config_table; l != nullptr; l = l->next)
        config->languages.insert(config->languages.begin(), l);
    // A configuration without languages is a wrong file, not an empty one.
    if (config->languages.empty()) {
        fill(err, name, 0, "no languages in it");
        return nullptr;
    }
    if (!note_phrases(text, name, *config, shipped, err))
        return nullptr;
    return config.release();
}

} // namespace

std::string phrase_line_problem(int status) { return tovrin_phrases_problem(status); }

const tovrin_phrases *phrases_of(const LANG *l) {
    PhraseRegistry &r = phrase_registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    const auto it = r.sets.find(l);
    if (it == r.sets.end())
        return nullptr;
    Phrases &p = it->second;
    if (p.set == nullptr) {
        const std::string block = phrase_block(p.text, p.index);
        tovrin_phrases *set = nullptr;
        const int status = load_block_phrases(block, const_cast<LANG *>(l), &set);
        if (status == TOVRIN_PHRASES_NO_MEMORY)
            throw std::bad_alloc();
        p.set.reset(set);
    }
    return p.set.get();
}

LANG *find_language(LANG *const *languages, std::size_t count, std::string_view name) {
    const auto named = [&](std::string_view wanted) -> LANG * {
        for (std::size_t k = 0; k < count; ++k)
            if (wanted == languages[k]->name)
                return languages[k];
        return nullptr;
    };
    if (LANG *l = named(name))
        return l;
    for (const auto &[alias, language] : kAliases)
        if (alias == name)
            return named(language);
    return nullptr;
}

} // namespace tovrin::detail

extern "C" {

const char *tovrin_phrases_problem(int status) {
    switch (status) {
    case TOVRIN_PHRASES_BAD_LINE: return "a phrase line is \">PHRASE>NAME\", below 200 bytes";
    case TOVRIN_PHRASES_UNKNOWN_NAME: return "the phrase stands for no book name of its language";
    default: return nullptr;
    }
}

const char *tovrin_shipped_config(size_t *len) {
    if (len != nullptr)
        *len = tovrin_shipped_bibl_ini_size;
    return tovrin_shipped_bibl_ini;
}

tovrin_config *tovrin_config_open_text(const char *text, size_t len, const char *name,
                                       tovrin_config_error *err) {
    try {
        return tovrin::detail::open_checked(std::string_view(text, len),
                                            name != nullptr ? name : "bibl.ini", err);
    } catch (const std::bad_alloc &) {
        tovrin::detail::fill(err, name != nullptr ? name : "bibl.ini", 0, "out of memory");
        return nullptr;
    }
}

tovrin_config *tovrin_config_open(const char *path, tovrin_config_error *err) {
    if (path == nullptr) {
        // The shipped configuration never changes: it is loaded once, and
        // every opening shares its languages (records are never released,
        // so loading it again for each opening would only grow the process).
        static const tovrin_config *const shipped =
            tovrin_config_open_text(tovrin_shipped_bibl_ini, tovrin_shipped_bibl_ini_size,
                                    "the shipped bibl.ini", err);
        if (shipped == nullptr)
            return nullptr;
        try {
            return new tovrin_config(*shipped);
        } catch (const std::bad_alloc &) {
            tovrin::detail::fill(err, "the shipped bibl.ini", 0, "out of memory");
            return nullptr;
        }
    }
    std::string text;
    try {
        text = tovrin::read_config_file(path);
    } catch (const tovrin::config_error &e) {
        tovrin::detail::fill(err, path, 0, e.message());
        return nullptr;
    } catch (const std::bad_alloc &) {
        tovrin::detail::fill(err, path, 0, "out of memory");
        return nullptr;
    }
    return tovrin_config_open_text(text.data(), text.size(), path, err);
}

void tovrin_config_free(tovrin_config *c) { delete c; }

LANG *tovrin_config_language(const tovrin_config *c, const char *name) {
    if (c == nullptr || name == nullptr)
        return nullptr;
    return tovrin::detail::find_language(c->languages.data(), c->languages.size(), name);
}

int tovrin_config_count(const tovrin_config *c) {
    return c == nullptr ? 0 : static_cast<int>(c->languages.size());
}

LANG *tovrin_config_language_at(const tovrin_config *c, int k) {
    if (c == nullptr || k < 0 || static_cast<std::size_t>(k) >= c->languages.size())
        return nullptr;
    return c->languages[static_cast<std::size_t>(k)];
}

LANG *tovrin_language(const char *name) {
    if (name == nullptr)
        return nullptr;
    std::vector<LANG *> all;
    for (LANG *l = config_table; l != nullptr; l = l->next)
        all.insert(all.begin(), l);
    return tovrin::detail::find_language(all.data(), all.size(), name);
}

} // extern "C"
