/*
 * tovrin.hpp - C++20 interface of libtovrin.
 *
 * Header-only, over tovrin.h: every answer comes from the C function named
 * in its comment, so the C documentation in tovrin.h is the reference.
 *
 * Two levels:
 *  - The interface most programs want: Config (the shipped bibl.ini built
 *    into the library, or a file), Language::scan() and Reader (records of
 *    the citations of running text, read as every program of tovrin reads
 *    it), and the Language services expand(), translate(), compare(),
 *    osis(), exists() and problem(), which read a citation as the scan
 *    does and throw citation_error (lint's words) when it does not read.
 *  - A thin layer over the C functions with std::string and owners instead
 *    of heap texts: expand(), trans_cite(), units(), tokens(), check(),
 *    scan() over dorvis_core, BlockScanner. These answer exactly as the C
 *    functions do ("???" for an unknown book included).
 *
 * Conventions:
 *  - Texts come in as std::string_view and are copied once to add the
 *    terminator the C functions need. As in C, the text ends at the first
 *    NUL, and a line feed or carriage return ends a citation.
 *  - Errors: Config throws config_error for a file that cannot be read or
 *    loaded, Config::language() throws language_error, the Language
 *    services throw citation_error. std::bad_alloc can come out of the
 *    string and vector members.
 *  - What still ends the process with a message and status 1, exactly as
 *    in C, with nothing to catch: no memory inside the C code; a book
 *    number past the last book in booknr() (reached through expand_bl() and
 *    expand_sort() of the thin layer when the two languages list different
 *    numbers of books; Language::expand() checks first); and any C function
 *    called directly (tovrin_init_file() on a broken file).
 *  - Threads: loading a Config must not run in two threads at once;
 *    languages, services, Readers and BlockScanners (one object per thread)
 *    may be used from any number of threads. scan() over dorvis_core runs
 *    one at a time in a process.
 *
 * Style: names are lower_case like the standard library; types are
 * CamelCase; helpers live in namespace tovrin::api_detail.
 */
#ifndef TOVRIN_HPP
#define TOVRIN_HPP

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <compare>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <functional>
#include <istream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tovrin.h"

namespace tovrin {

/* ------------------------------------------------------------------------
 * Ownership of what the C functions hand out
 * ------------------------------------------------------------------------ */

// Releases a text returned by a service or a check.
struct FreeDeleter {
    void operator()(char *p) const noexcept { std::free(p); }
};
// Releases a unit array from makepus().
struct UnitsDeleter {
    void operator()(PARS_UNIT **pp) const noexcept {
        if (pp != nullptr)
            freepus(pp);
    }
};

// Owners for C code that calls the C functions directly:
//   tovrin::CString s(tovrin_expand(cite, l));
//   tovrin::UnitArray pp(makepus(cite, l));
using CString = std::unique_ptr<char, FreeDeleter>;
using UnitArray = std::unique_ptr<PARS_UNIT *, UnitsDeleter>;

namespace api_detail {

// The copy that gives a std::string_view its terminator.
inline std::string terminated(std::string_view text) { return std::string(text); }

// Takes ownership of `p` first, so the block is freed even when copying it
// throws.
inline std::optional<std::string> take(char *p) {
    CString owner(p);
    if (owner == nullptr)
        return std::nullopt;
    return std::string(owner.get());
}

} // namespace api_detail

/* ------------------------------------------------------------------------
 * Languages
 * ------------------------------------------------------------------------ */

// One citation unit: PARS_UNIT as a value, the same fields in the same
// order, so aggregate initialisation reads alike:
//   Unit{b, c, v, fl, bf, cf, vf, flf, ab, abf}
// 0 means "not given"; fl/flf hold TK_NEXT, TK_NEXT2, TK_OPEN_END or 0.
struct Unit {
    int b = 0, c = 0, v = 0, fl = 0;
    int bf = 0, cf = 0, vf = 0, flf = 0;
    signed char ab = 0, abf = 0;

    friend bool operator==(const Unit &, const Unit &) = default;
};

namespace api_detail {

inline Unit from_c(const PARS_UNIT &u) {
    return Unit{u.b, u.c, u.v, u.fl, u.bf, u.cf, u.vf, u.flf, u.ab, u.abf};
}

inline PARS_UNIT to_c(const Unit &u) {
    PARS_UNIT p;
    p.b = u.b;
    p.c = u.c;
    p.v = u.v;
    p.fl = u.fl;
    p.bf = u.bf;
    p.cf = u.cf;
    p.vf = u.vf;
    p.flf = u.flf;
    p.ab = u.ab;
    p.abf = u.abf;
    return p;
}

} // namespace api_detail

// How a text is read (tovrin_options in tovrin.h). The defaults are those of
// every program of tovrin: typographic forms and decomposed letters,
// phrases, and only citations that exist.
struct Options {
    bool exact = false;    // dorvis_core's reading: the bytes as they are
    bool existing = true;  // only citations whose chapters and verses exist
    bool forms = true;     // typographic forms and decomposed letters
    bool phrases = true;   // book titles of three words or more
    unsigned without = 0;  // TOVRIN_WITHOUT_...: parts of records left out
    std::string sigla;     // sigla that are not books, besides the language's
    int source = TOVRIN_SOURCE_TEXT; // what the text is written in
                                     // (TOVRIN_SOURCE_TEX, _MARKDOWN)

    // The options for the C interface, valid while this object lives.
    tovrin_options c() const {
        tovrin_options o{};
        o.exact = exact;
        o.existing = existing;
        o.forms = forms;
        o.phrases = phrases;
        o.without = without;
        o.sigla = sigla.empty() ? nullptr : sigla.c_str();
        return o;
    }
};

// One citation found in a text (tovrin_citation as values).
struct Citation {
    std::string text;      // as written
    std::string read;      // as read: what the services take
    std::string canonical; // its canonical form
    std::optional<std::string> osis; // OSIS references; nullopt in a
                                     // language without numbering systems
    std::optional<std::string> versification; // the numbering system the
                                              // OSIS ids follow: "hebrew"
    long long offset = 0;  // its first byte in the text, from 0
    long long length = 0;  // its bytes in the text
    long line = 0;         // from 1
    long column = 0;       // from 1, in characters
    std::vector<Unit> units; // marks applied
    // Verses that may be read too (offset from the citation's start,
    // length): "25-30" of "L 17,20-24(25-30)".
    std::vector<std::pair<long long, long long>> optional;
    std::string alternate; // another numbering, as written: "(10)"
    std::string translation; // the tag of a translation after it: "ČEP"

    // The OSIS ids of the books it names, in order, each once ("Matt").
    std::vector<std::string> osis_books() const;

    friend bool operator==(const Citation &, const Citation &) = default;
};

// The OSIS ids of the books `units` name, in order, each once ("Matt").
inline std::vector<std::string> osis_books(std::span<const Unit> units) {
    std::vector<std::string> ids;
    for (const Unit &u : units)
        for (int book : {u.bf, u.b})
            if (const char *id = tovrin_osis_book(book))
                if (std::find(ids.begin(), ids.end(), id) == ids.end())
                    ids.emplace_back(id);
    return ids;
}

inline std::vector<std::string> Citation::osis_books() const { return tovrin::osis_books(units); }

// How two citations relate: whether some unit of the first overlaps some
// unit of the second (not symmetric), and which comes first.
struct Comparison {
    bool overlap = false;
    std::weak_ordering order = std::weak_ordering::equivalent;
};

// A citation that does not read: what() says why in the words of tovrin
// lint ("unknown book name 'Xy' in 'Xy 3,4'").
class citation_error : public std::invalid_argument {
public:
    citation_error(const std::string &why, std::string citation)
        : std::invalid_argument(why), citation_(std::move(citation)) {}
    const std::string &citation() const noexcept { return citation_; }

private:
    std::string citation_;
};

// A language that a configuration does not have.
class language_error : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};


// A language: a handle on one LANG record. Copyable and cheap: it is one
// pointer, and the loader never changes or releases its records, so every
// copy stays valid for the life of the process.
class Language {
public:
    // `lang` must not be null. Records from the loader always qualify; a
    // record built by hand must outlive every use of the handle.
    explicit Language(LANG *lang) noexcept : lang_(lang) {}

    LANG *get() const noexcept { return lang_; }
    std::string_view name() const noexcept { return lang_->name; }

    // Number of books in the language's list.
    int book_count() const noexcept {
        int n = 0;
        for (const BOOKS *b = lang_->books; b != nullptr; b = b->next)
            ++n;
        return n;
    }

    // findbook(): the number (from 1) of the first book with that name
    // under the language's case folding, or 0.
    int find_book(std::string_view name) const {
        return findbook(api_detail::terminated(name).c_str(), lang_);
    }

    // booknr(): the main name of book `number`, or nullopt for a number
    // outside 1..book_count() (where booknr() would answer "???" or end the
    // process). The view borrows from the record and never dangles.
    std::optional<std::string_view> book_name(int number) const {
        if (number < 1 || number > book_count())
            return std::nullopt;
        return std::string_view(booknr(lang_, number));
    }

    // Citations of running text and the services on one citation, read
    // as every program of tovrin reads them (defined below). A citation
    // that does not read throws citation_error, never "???".

    // Every citation of `text`, in order.
    std::vector<Citation> scan(std::string_view text, const Options &o = Options()) const;
    // What is wrong with `cite` in lint's words, or nullopt. `flags` are
    // tovrin_problem()'s: by default a book alone is the whole book, as the
    // services take it; TOVRIN_PROBLEM_EXISTS asks that its chapters and
    // verses exist; 0 asks what the scanner asks (a chapter in every unit).
    std::optional<std::string> problem(std::string_view cite,
                                       unsigned flags = TOVRIN_PROBLEM_WHOLE_BOOK) const;
    // Its units with the marks applied, as the canonical form sees them.
    std::vector<Unit> units(std::string_view cite) const;
    // `cite` as read: typographic forms and phrases as the services take them.
    std::string read(std::string_view cite) const;
    // Its canonical form, in this language or in `to`; in `to` numbered as
    // the first system of `to` numbers it (tovrin_map(): "Ps 22" of la is
    // "Ž 23" of cz).
    std::string expand(std::string_view cite) const;
    std::string expand(std::string_view cite, Language to) const;
    // Written in `to` token by token, keeping its shape, where the first
    // system of `to` numbers it as this language's does; elsewhere as
    // expand(cite, to) writes it.
    std::string translate(std::string_view cite, Language to) const;
    // `a` against `b` (written in `b_lang`, by default this language), both
    // in one numbering system (tovrin_compare_mapped()).
    Comparison compare(std::string_view a, std::string_view b) const;
    Comparison compare(std::string_view a, std::string_view b, Language b_lang) const;
    // Its OSIS references; nullopt in a language without numbering systems.
    // With `in`, numbered as that system numbers them (tovrin_osis_mapped()).
    std::optional<std::string> osis(std::string_view cite) const;
    std::optional<std::string> osis(std::string_view cite,
                                    const tovrin_versification *in) const;
    // Whether every chapter and verse it names exists.
    bool exists(std::string_view cite) const;

    friend bool operator==(Language, Language) noexcept = default;

private:
    // `cite` read and checked for the services (`existing`: its chapters
    // and verses must exist), or citation_error.
    std::string valid(std::string_view cite, bool existing = true) const;
    // Every book of `read` must have a name in `to`.
    void written_in(std::string_view cite, const std::string &read, Language to) const;

    LANG *lang_;
};

/* ------------------------------------------------------------------------
 * Configuration
 * ------------------------------------------------------------------------ */

// A configuration that cannot be loaded: the file, the line (from 1; 0 when
// the file as a whole fails: missing, a directory, unreadable) and why.
// what() reads "FILE:LINE: MESSAGE" (or "FILE: MESSAGE"), as compilers
// write it.
class config_error : public std::runtime_error {
public:
    config_error(const std::string &file, int line, const std::string &message)
        : std::runtime_error(describe(file, line, message)), file_(file), line_(line),
          message_(message) {}

    const std::string &file() const noexcept { return file_; }
    int line() const noexcept { return line_; }
    const std::string &message() const noexcept { return message_; }

private:
    // Appended piece by piece: GCC 12 warns (-Wrestrict) wrongly about
    // "literal" + std::string temporaries.
    static std::string describe(const std::string &file, int line, const std::string &message) {
        std::string text = file;
        if (line > 0) {
            text += ':';
            text += std::to_string(line);
        }
        text += ": ";
        text += message;
        return text;
    }

    std::string file_;
    int line_;
    std::string message_;
};

// A configuration text as the loader reads it, with the line of
// everything: what check tools and error messages need, and what the
// loader's records do not keep.
struct ConfigName {
    int line = 0;
    std::string text; // as the file writes it
};
struct ConfigBook {
    std::vector<ConfigName> names; // the main name first
};
struct ConfigLanguage {
    std::string name;
    int line = 0;       // its "{" line
    int close_line = 0; // its "}" line; 0 when the file ends inside it
    std::string chars;  // the seven characters of its "!" line ("" without one)
    std::string lower, upper, parts;
    bool has_chars = false, has_lower = false, has_upper = false, has_parts = false;
    std::vector<ConfigBook> books;
};
// A condition at a line: for the loader, one that ends the process.
struct ConfigProblem {
    int line = 0;
    std::string message; // the loader's words, without "Init (tovrin) : " and " !"
};
struct ConfigText {
    std::vector<ConfigLanguage> languages; // in file order
    // Every condition on which the loader would end the process, in the
    // order of the lines; the loader ends at the first. After one, reading
    // goes on as if the offending line were not there.
    std::vector<ConfigProblem> errors;
};

namespace api_detail {

// Calls f(number, line) for each line of a configuration text as the
// loader reads it, until f returns false: carriage returns removed
// wherever they stand; a line holds up to 200 characters, the 201st is lost
// and the rest is read as a line of its own (with the same number); a last
// line without a line feed is not read. Most lines are handed over where
// they lie in the text.
template <class F>
void for_each_config_line(std::string_view text, F &&f) {
    constexpr std::size_t kLineMax = 200;
    std::string line;
    int number = 1;
    // Most texts hold no carriage return at all: then no line is searched.
    const bool returns = text.find('\r') != std::string_view::npos;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t eol = text.find('\n', i);
        const std::string_view piece =
            text.substr(i, eol == std::string_view::npos ? std::string_view::npos : eol - i);
        if (eol != std::string_view::npos && piece.size() <= kLineMax &&
            (!returns || piece.find('\r') == std::string_view::npos)) {
            if (!f(number++, piece))
                return;
            i = eol + 1;
            continue;
        }
        // A line that is cut or holds carriage returns, or the last one.
        const std::size_t end = eol == std::string_view::npos ? text.size() : eol + 1;
        for (; i < end; ++i) {
            const char c = text[i];
            if (line.size() == kLineMax) { // the line ends, and c is lost
                if (!f(number, std::string_view(line)))
                    return;
                line.clear();
                if (c == '\n')
                    ++number;
                continue;
            }
            if (c == '\n') {
                if (!f(number++, std::string_view(line)))
                    return;
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
    }
}

// The word at the start of `s`: up to a space, "%" or the end.
inline std::string config_word(std::string_view s) {
    return std::string(s.substr(0, s.find_first_of(" %")));
}

// Reads one configuration text into a ConfigText; see parse_config().
class ConfigReader {
public:
    // `keep_names`: whether the languages keep the names of their books (a
    // check that only wants the errors need not copy them).
    explicit ConfigReader(bool keep_names = true) : keep_names_(keep_names) {}

    ConfigText read(std::string_view text) {
        int last = 0;
        for_each_config_line(text, [&](int number, std::string_view line) {
            interpret(number, line);
            last = number;
            return true;
        });
        // The loader checks a language still open once it has read the
        // last line.
        if (open_)
            check_complete(last);
        return std::move(result_);
    }

private:
    void error(int line, std::string message) {
        result_.errors.push_back({line, std::move(message)});
    }
    ConfigLanguage &current() { return result_.languages.back(); }

    // The tag check: the line's tag needs an open language.
    bool inside(int line) {
        if (!open_)
            error(line, "config tag not inside '{ .. }'");
        return open_;
    }

    void check_complete(int line) {
        const ConfigLanguage &l = current();
        const std::pair<bool, char> lines[] = {
            {l.has_chars, '!'}, {l.has_lower, '_'}, {l.has_upper, '^'}, {l.has_parts, '&'}};
        for (const auto &[has, tag] : lines)
            if (!has) {
                error(line, "language '" + l.name + "' has no '" + tag + "' line");
                return;
            }
        if (l.lower.size() != l.upper.size())
            error(line, "language '" + l.name +
                            "' has lower and upper letters of different lengths");
    }

    void interpret(int number, std::string_view line) {
        // The loader reads a line as a C string: it ends at a NUL byte.
        line = line.substr(0, line.find('\0'));
        const char tag = line.empty() ? '\0' : line[0];
        const std::string_view arg = line.substr(line.empty() ? 0 : 1);
        switch (tag) {
        case '{':
            if (open_)
                error(number, "languages can't be nested");
            else if (arg.empty() || arg[0] == ' ')
                error(number, "no language specified (or leading space)");
            else
                open(number, arg);
            break;
        case '}':
            if (!open_) {
                error(number, "no '{' to close");
                break;
            }
            current().close_line = number;
            check_complete(number);
            open_ = false;
            break;
        case '!':
            if (!inside(number))
                break;
            if (arg.size() < 7 || arg.substr(0, 7).find(' ') != std::string_view::npos) {
                error(number, "invalid number of chars (\?\?\?)");
                break;
            }
            current().chars = std::string(arg.substr(0, 7));
            current().has_chars = true;
            break;
        case '_': word(number, arg, &ConfigLanguage::lower, &ConfigLanguage::has_lower); break;
        case '^': word(number, arg, &ConfigLanguage::upper, &ConfigLanguage::has_upper); break;
        case '&': word(number, arg, &ConfigLanguage::parts, &ConfigLanguage::has_parts); break;
        case '=':
            if (inside(number))
                systems(number, arg);
            break;
        case '+':
            if (!inside(number))
                break;
            has_book_ = true;
            if (keep_names_)
                current().books.push_back({{{number, std::string(arg)}}});
            break;
        case '*':
            if (!inside(number))
                break;
            if (!has_book_) {
                error(number, "'*' line before any '+' line in language '" + current().name +
                                  "'");
                break;
            }
            if (keep_names_)
                current().books.back().names.push_back({number, std::string(arg)});
            break;
        default: break; // comments, empty lines and tags the loader does not know
        }
    }

    void open(int number, std::string_view arg) {
        ConfigLanguage l;
        l.name = config_word(arg);
        l.line = number;
        result_.languages.push_back(std::move(l));
        open_ = true;
        has_book_ = false;
    }

    // "=hebrew kjva": the numbering systems, each one the library has.
    void systems(int number, std::string_view arg) {
        while (!arg.empty()) {
            const std::size_t start = std::min(arg.find_first_not_of(' '), arg.size());
            arg.remove_prefix(start);
            const std::string name(arg.substr(0, arg.find(' ')));
            arg.remove_prefix(name.size());
            if (!name.empty() && tovrin_versification_find(name.c_str()) == nullptr) {
                error(number, "language '" + current().name +
                                  "' names the unknown numbering system '" + name + "'");
                return;
            }
        }
    }

    void word(int number, std::string_view arg, std::string ConfigLanguage::*field,
              bool ConfigLanguage::*has) {
        if (!inside(number))
            return;
        current().*field = config_word(arg);
        current().*has = true;
    }

    ConfigText result_;
    bool open_ = false;
    bool keep_names_;
    bool has_book_ = false; // the open language has a "+" line
};

} // namespace api_detail

// Reads a configuration text (bibl.ini format) without loading it: its
// languages with the lines of their parts, and every condition on which
// tovrin_init_file() would end the process.
inline ConfigText parse_config(std::string_view text) {
    return api_detail::ConfigReader().read(text);
}

// The bytes of the file at `path`; throws config_error (line 0) when it
// cannot be opened or read: missing, a directory, no permission.
inline std::string read_config_file(const std::string &path) {
    auto fail = [&path](int error) {
        return config_error(path, 0, std::string("cannot read: ") + std::strerror(error));
    };
    std::unique_ptr<FILE, int (*)(FILE *)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (f == nullptr)
        throw fail(errno);
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0)
        text.append(chunk, n);
    // A directory opens, but reading it fails.
    if (std::ferror(f.get()))
        throw fail(errno);
    return text;
}

// A configuration (bibl.ini format): the shipped one, built into the
// library, or a file of your own (tovrin_config_open()).
//
// A file that cannot be read or loaded throws config_error with the file,
// the line and the loader's message, and nothing is loaded; the process
// goes on. What can still end it: no memory inside the loader.
//
// The loader keeps its records for the life of the process; nothing is
// released when a Config goes away, and every Language taken from it stays
// valid after that. Two Configs do not interfere: each answers from the
// languages it loaded. Loading also sets config_table (the C functions
// findlang() and tovrin_language() see the file loaded last), so loads must
// not run in two threads at once; the languages may be used from any
// number of threads.
//
// Copyable: copies share the one load.
class Config {
public:
    // The shipped bibl.ini.
    Config() : Config(open(nullptr)) {}
    // The configuration file `path`.
    explicit Config(const std::string &path) : Config(open(path.c_str())) {}
    // A configuration text in memory, named `name` in errors.
    static Config from_text(std::string_view text, const std::string &name = "bibl.ini") {
        Opened o{};
        o.c = tovrin_config_open_text(text.data(), text.size(), name.c_str(), &o.err);
        return Config(o);
    }

    // The language called `name` (or the alias "cs" of "cz"); throws
    // language_error naming the languages there are.
    Language language(std::string_view name) const {
        if (std::optional<Language> l = find(name))
            return *l;
        std::string names;
        for (Language l : languages())
            names += (names.empty() ? "" : ", ") + std::string(l.name());
        throw language_error("unknown language '" + std::string(name) +
                             "' (languages: " + (names.empty() ? "none" : names) + ")");
    }
    // The same, or nullopt. When the file defines a name twice, the first
    // definition wins, as with findlang().
    std::optional<Language> find(std::string_view name) const {
        LANG *l = tovrin_config_language(c_.get(), api_detail::terminated(name).c_str());
        if (l == nullptr)
            return std::nullopt;
        return Language(l);
    }

    // Every language, in file order.
    std::vector<Language> languages() const {
        std::vector<Language> all;
        for (int k = 0; LANG *l = tovrin_config_language_at(c_.get(), k); ++k)
            all.emplace_back(l);
        return all;
    }

private:
    struct Opened {
        tovrin_config *c;
        tovrin_config_error err;
    };
    static Opened open(const char *path) {
        Opened o{};
        o.c = tovrin_config_open(path, &o.err);
        return o;
    }
    explicit Config(const Opened &o) : c_(o.c, tovrin_config_free) {
        if (o.c == nullptr)
            throw config_error(o.err.file, o.err.line, o.err.message);
    }

    std::shared_ptr<tovrin_config> c_;
};

/* ------------------------------------------------------------------------
 * Services
 * ------------------------------------------------------------------------ */

// tovrin_expand(): the canonical text of `cite` in `l`.
inline std::string expand(std::string_view cite, Language l) {
    return api_detail::take(tovrin_expand(api_detail::terminated(cite).c_str(), l.get()))
        .value_or(std::string());
}

// tovrin_expand_bl(): `cite` parsed in `from`, written in `to`. Both
// languages must list the same books, or the process ends in booknr().
inline std::string expand_bl(std::string_view cite, Language from, Language to) {
    return api_detail::take(
               tovrin_expand_bl(api_detail::terminated(cite).c_str(), from.get(), to.get()))
        .value_or(std::string());
}

// tovrin_expand_sort(): as expand_bl(), with the units sorted first.
inline std::string expand_sort(std::string_view cite, Language from, Language to) {
    return api_detail::take(
               tovrin_expand_sort(api_detail::terminated(cite).c_str(), from.get(), to.get()))
        .value_or(std::string());
}

// trans_cite(): token-by-token translation; nullopt when `cite` does not
// lex (the empty text included).
inline std::optional<std::string> trans_cite(std::string_view cite, Language from,
                                             Language to) {
    return api_detail::take(
        ::trans_cite(api_detail::terminated(cite).c_str(), from.get(), to.get()));
}

/* ------------------------------------------------------------------------
 * Units
 * ------------------------------------------------------------------------ */

// makepus(): the units of `cite` as the assembler hands them out (no mark
// passes). Always at least one unit.
inline std::vector<Unit> units(std::string_view cite, Language l) {
    UnitArray pp(makepus(api_detail::terminated(cite).c_str(), l.get()));
    std::vector<Unit> all;
    for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u)
        all.push_back(api_detail::from_c(**u));
    return all;
}

// tovrin_expus(): the text of `units` in `l`; nullopt for no units.
inline std::optional<std::string> expus(std::span<const Unit> units, Language l) {
    std::vector<PARS_UNIT> copies;
    copies.reserve(units.size());
    for (const Unit &u : units)
        copies.push_back(api_detail::to_c(u));
    std::vector<PARS_UNIT *> array;
    array.reserve(copies.size() + 1);
    for (PARS_UNIT &u : copies)
        array.push_back(&u);
    array.push_back(nullptr);
    return api_detail::take(tovrin_expus(array.data(), l.get()));
}

/* ------------------------------------------------------------------------
 * Comparison
 * ------------------------------------------------------------------------ */

// tovrin_is_equal(): whether some unit of `a` overlaps some unit of `b`.
// Not symmetric: only units of `a` are tested against units of `b`, so
// overlaps("Mt 5,1-10", "Mt 5,5-20") can differ from the reverse.
inline bool overlaps(std::string_view a, std::string_view b, Language la, Language lb) {
    return tovrin_is_equal(api_detail::terminated(a).c_str(),
                           api_detail::terminated(b).c_str(), la.get(), lb.get()) == 1;
}
inline bool overlaps(std::string_view a, std::string_view b, Language l) {
    return overlaps(a, b, l, l);
}

namespace api_detail {
// An answer of tovrin_comp() (1: the first comes first) as an ordering.
inline std::weak_ordering ordering(int r) {
    return r == 1 ? std::weak_ordering::less
         : r == -1 ? std::weak_ordering::greater
                   : std::weak_ordering::equivalent;
}
} // namespace api_detail

// tovrin_comp() as an ordering: less when `a` comes first, greater when
// `b` does, equivalent when neither does.
inline std::weak_ordering order(std::string_view a, std::string_view b, Language la,
                                Language lb) {
    return api_detail::ordering(tovrin_comp(api_detail::terminated(a).c_str(),
                                            api_detail::terminated(b).c_str(), la.get(),
                                            lb.get()));
}
inline std::weak_ordering order(std::string_view a, std::string_view b, Language l) {
    return order(a, b, l, l);
}

/* ------------------------------------------------------------------------
 * Validity checks
 * ------------------------------------------------------------------------ */

// The five checks, valued by their numbers in tovrin.h.
enum class Check {
    none = 0,           // every check that ran passed
    lexing = 1,         // tovrin_check1: the text does not lex
    unknown_book = 2,   // tovrin_check2: a book name the language lacks
    bad_number = 3,     // tovrin_check3: a chapter/verse "0", empty or > 3 digits
    reversed_range = 4, // tovrin_check4: a range that runs backwards
    no_chapter = 9,     // tovrin_check9: a unit without a chapter
};

// Which check failed and where.
struct CheckResult {
    Check failed = Check::none;
    // lexing: 1-based position of the character the lexer rejected; the
    // terminator counts, so a text that stops too early gives length + 1.
    int position = 0;
    // unknown_book, bad_number: the offending token as the lexer read it.
    std::string text;

    bool ok() const noexcept { return failed == Check::none; }
};

// Runs the one check `which` (Check::none runs nothing and passes).
inline CheckResult check(Check which, std::string_view cite, Language l) {
    const std::string text = api_detail::terminated(cite);
    CheckResult r;
    switch (which) {
    case Check::none:
        break;
    case Check::lexing:
        r.position = tovrin_check1(text.c_str(), l.get());
        if (r.position != 0)
            r.failed = which;
        break;
    case Check::unknown_book:
    case Check::bad_number:
        if (auto bad = api_detail::take(which == Check::unknown_book
                                            ? tovrin_check2(text.c_str(), l.get())
                                            : tovrin_check3(text.c_str(), l.get()))) {
            r.failed = which;
            r.text = std::move(*bad);
        }
        break;
    case Check::reversed_range:
        if (tovrin_check4(text.c_str(), l.get()) != 0)
            r.failed = which;
        break;
    case Check::no_chapter:
        if (tovrin_check9(text.c_str(), l.get()) != 0)
            r.failed = which;
        break;
    }
    return r;
}

// Runs the checks 1, 2, 3, 4 and 9 in that order, as the scanner does, and
// reports the first failure. (The scanner's test of the first character,
// a digit or a capital, is not one of them.)
inline CheckResult check(std::string_view cite, Language l) {
    for (Check which : {Check::lexing, Check::unknown_book, Check::bad_number,
                        Check::reversed_range, Check::no_chapter}) {
        CheckResult r = check(which, cite, l);
        if (!r.ok())
            return r;
    }
    return {};
}

/* ------------------------------------------------------------------------
 * Tokens
 * ------------------------------------------------------------------------ */

// One token of the lexer.
struct Token {
    int kind = 0;      // TK_BOOK ... TK_PART_FROM, or TK_ERROR
    std::string text;  // the token's text (book names normalised); empty for TK_ERROR
    // Index of the character whose arrival reported the token: for most
    // tokens the character just after it; for TK_ERROR the rejected
    // character (tovrin_check1 reports offset + 1).
    std::size_t offset = 0;

    friend bool operator==(const Token &, const Token &) = default;
};

// The tokens of one text, as an input range: the lexer runs while the
// range is walked, one token per step, and a text that does not lex ends
// with one TK_ERROR token. Walk it once; begin() continues where the last
// walk stopped.
//
// Move-only: the range owns a copy of the text and a lexer record whose
// pending token text has exactly one owner. Moving keeps iterators valid
// (they point at the state, which stays where it is).
class Tokens {
    struct State {
        std::string text;
        PARS pars{};
        std::size_t next = 0; // index of the next character to feed
        Token current;
        bool started = false;
        bool done = false;

        State(std::string_view t, Language l) : text(t) { tovrin_pinit(&pars, l.get()); }
        ~State() { tovrin_pfree(&pars); }
        State(const State &) = delete;
        State &operator=(const State &) = delete;

        void advance() {
            // The terminator ends every state of the machine, so the loop
            // stops at text.size() at the latest; the bound is a guard.
            while (pars.end != 1 && next <= text.size()) {
                const std::size_t i = next++;
                tovrin_parser(static_cast<signed char>(text.c_str()[i]), &pars);
                if (pars.ousta > 0) {
                    current = Token{pars.ousta, pars.out != nullptr ? pars.out : "", i};
                    return;
                }
                if (pars.ousta == TK_ERROR) {
                    current = Token{TK_ERROR, std::string(), i};
                    return;
                }
            }
            done = true;
        }
    };

public:
    class iterator {
    public:
        using value_type = Token;
        using difference_type = std::ptrdiff_t;
        using iterator_concept = std::input_iterator_tag;

        iterator() = default;
        const Token &operator*() const { return state_->current; }
        const Token *operator->() const { return &state_->current; }
        iterator &operator++() {
            state_->advance();
            return *this;
        }
        void operator++(int) { ++*this; }
        friend bool operator==(const iterator &it, std::default_sentinel_t) {
            return it.state_ == nullptr || it.state_->done;
        }

    private:
        friend class Tokens;
        explicit iterator(State *s) : state_(s) {}
        State *state_ = nullptr;
    };

    Tokens(std::string_view text, Language l) : state_(std::make_unique<State>(text, l)) {}
    Tokens(Tokens &&) noexcept = default;
    Tokens &operator=(Tokens &&) noexcept = default;
    Tokens(const Tokens &) = delete;
    Tokens &operator=(const Tokens &) = delete;

    // A moved-from range is empty.
    iterator begin() {
        if (state_ == nullptr)
            return iterator();
        if (!state_->started) {
            state_->started = true;
            state_->advance();
        }
        return iterator(state_.get());
    }
    std::default_sentinel_t end() const noexcept { return {}; }

private:
    std::unique_ptr<State> state_;
};

// The tokens of `text` under `l`: for (const tovrin::Token &t : tokens(...)).
inline Tokens tokens(std::string_view text, Language l) { return Tokens(text, l); }

/* ------------------------------------------------------------------------
 * Scanner
 * ------------------------------------------------------------------------ */

namespace api_detail {

// dorvis_core() takes plain function pointers without a context argument,
// so the callables of the scan under way are reached through this one
// process-wide pointer. The scanner's own state is global as well: one
// scan runs at a time in a process.
struct ScanContext {
    const std::function<int()> *read;
    const std::function<void(char)> *write;
    const std::function<void(std::string_view)> *found;
    std::exception_ptr error; // the first exception a callback threw
    std::string citation;     // reused for every citation found
};

inline std::atomic<ScanContext *> current_scan{nullptr};

// The trampolines run inside C code: nothing may leave them by an
// exception. The first exception is kept, the input is ended so that the
// scan winds down, and scan() rethrows it once dorvis_core() has returned;
// no callback of the caller runs after it.
inline int scan_read() noexcept {
    ScanContext *c = current_scan.load();
    if (c->error)
        return -1;
    try {
        return (*c->read)();
    } catch (...) {
        c->error = std::current_exception();
        return -1;
    }
}

inline void scan_write(int ch) noexcept {
    ScanContext *c = current_scan.load();
    if (c->error)
        return;
    try {
        (*c->write)(static_cast<char>(ch));
    } catch (...) {
        c->error = std::current_exception();
    }
}

inline void scan_found() noexcept {
    ScanContext *c = current_scan.load();
    if (c->error)
        return;
    try {
        // The citation occupies the ring from bp up to ap, and may wrap.
        c->citation.clear();
        for (int s = bp; s != ap; s = s + 1 == TOVRIN_SBUFF_SIZE ? 0 : s + 1)
            c->citation.push_back(tovrin_sbuff[s]);
        (*c->found)(c->citation);
    } catch (...) {
        c->error = std::current_exception();
    }
}

} // namespace api_detail

// dorvis_core(): reads the text through `read` (a byte 0..255, or -1 at
// the end), passes ordinary text byte by byte to `write` and every
// citation found to `found` (the view lives until `found` returns).
// Every input byte reaches exactly one of the two, in order.
//
// One scan runs at a time in a process (the scanner's state is global):
// while one is under way, from a callback or from another thread, scan()
// returns false at once and calls nothing. Otherwise it returns true. An
// exception thrown by a callback stops the callbacks and comes out of
// scan() after the C scanner has finished. `flags` are the options of
// tovrin_dorvis() (TOVRIN_SCAN_EXISTING).
[[nodiscard]] inline bool scan(Language l, const std::function<int()> &read,
                               const std::function<void(char)> &write,
                               const std::function<void(std::string_view)> &found,
                               unsigned flags = 0) {
    api_detail::ScanContext context{&read, &write, &found, nullptr, std::string()};
    api_detail::ScanContext *idle = nullptr;
    if (!api_detail::current_scan.compare_exchange_strong(idle, &context))
        return false;
    // The level has no effect on the scan.
    tovrin_dorvis(api_detail::scan_read, api_detail::scan_write, api_detail::scan_found, 0,
                  l.get(), flags);
    api_detail::current_scan.store(nullptr);
    if (context.error)
        std::rethrow_exception(context.error);
    return true;
}

// The same over streams: reads `in` to its end with get() (which leaves
// eofbit and failbit set there) and writes the ordinary text to `out`;
// `found` decides what becomes of each citation (write it to `out` marked
// up, collect it, ...).
[[nodiscard]] inline bool scan(std::istream &in, std::ostream &out, Language l,
                               const std::function<void(std::string_view)> &found,
                               unsigned flags = 0) {
    return scan(
        l,
        [&in]() -> int {
            const auto c = in.get();
            return std::istream::traits_type::eq_int_type(c, std::istream::traits_type::eof())
                       ? -1
                       : c;
        },
        [&out](char c) { out.put(c); }, found, flags);
}

/* ------------------------------------------------------------------------
 * Block scanner
 * ------------------------------------------------------------------------ */

// The citations of a stream fed in blocks, as spans of bytes from the start
// of the stream: exactly what dorvis_core() highlights on the same bytes,
// however the stream is cut (see tovrin_scanner_new() in tovrin.h). All of
// its state is in the object, so scans in several threads run at once, one
// object each. Movable, not copyable.
class BlockScanner {
public:
    // Throws std::bad_alloc when the scanner cannot be made.
    explicit BlockScanner(Language l, unsigned flags = 0)
        : s_(tovrin_scanner_new(l.get(), flags)) {
        if (!s_)
            throw std::bad_alloc();
    }

    // The next block; the citations it decides are appended to `spans`.
    void feed(std::string_view block, std::vector<tovrin_span> &spans) {
        tovrin_scanner_feed(s_.get(), block.data(), block.size(), collect, &spans);
    }

    // How many bytes of the stream are decided (tovrin_scanner_decided()).
    long long decided() const noexcept { return tovrin_scanner_decided(s_.get()); }

    // The end of the stream: the citations still undecided. No feed() after.
    void finish(std::vector<tovrin_span> &spans) {
        tovrin_scanner_finish(s_.get(), collect, &spans);
    }

private:
    struct Free {
        void operator()(tovrin_scanner *s) const noexcept { tovrin_scanner_free(s); }
    };
    static void collect(const tovrin_span *span, void *spans) {
        static_cast<std::vector<tovrin_span> *>(spans)->push_back(*span);
    }
    std::unique_ptr<tovrin_scanner, Free> s_;
};

// The citations of a whole text.
inline std::vector<tovrin_span> find_citations(Language l, std::string_view text,
                                               unsigned flags = 0) {
    BlockScanner scanner(l, flags);
    std::vector<tovrin_span> spans;
    scanner.feed(text, spans);
    scanner.finish(spans);
    return spans;
}

/* ------------------------------------------------------------------------
 * Versification: chapters and verses that exist, OSIS references
 * ------------------------------------------------------------------------ */

// A numbering system (tovrin_versification_find() and friends): a handle,
// copyable and cheap; the systems live as long as the process.
using Versification = const tovrin_versification *;

// The systems of `l`, the one its readers use first (tovrin_versification_of);
// empty for a language without any.
inline std::vector<Versification> versifications(Language l) {
    std::vector<Versification> all;
    for (int k = 0; Versification v = tovrin_versification_of(l.get(), k); ++k)
        all.push_back(v);
    return all;
}

// tovrin_exists(): nullopt when every position of `cite` exists in one of
// the language's systems, else the first one that does not and why.
inline std::optional<tovrin_existence> missing(std::string_view cite, Language l) {
    tovrin_existence why{};
    if (tovrin_exists(api_detail::terminated(cite).c_str(), l.get(), &why) == TOVRIN_EXISTS)
        return std::nullopt;
    return why;
}

// tovrin_expand_versified(): the canonical text with "n", "nn" and "+"
// resolved by `v` (null: the systems of `from`).
inline std::string expand_versified(std::string_view cite, Language from, Language to,
                                    Versification v = nullptr) {
    return api_detail::take(tovrin_expand_versified(api_detail::terminated(cite).c_str(),
                                                    from.get(), to.get(), v))
        .value_or(std::string());
}

// tovrin_osis(): the OSIS references of `cite`, or nullopt when it does not
// lex or names an unknown book. `flags`: TOVRIN_OSIS_PARTS keeps parts.
inline std::optional<std::string> osis(std::string_view cite, Language l, unsigned flags = 0,
                                       Versification v = nullptr) {
    return api_detail::take(
        tovrin_osis(api_detail::terminated(cite).c_str(), l.get(), v, flags));
}


/* ------------------------------------------------------------------------
 * Citations in running text (tovrin_reader_*), and the services on one
 * citation as every program of tovrin reads it
 * ------------------------------------------------------------------------ */

namespace api_detail {

inline Citation from_c(const tovrin_citation &c) {
    Citation r;
    r.text.assign(c.text, static_cast<std::size_t>(c.length));
    r.read = c.read;
    r.canonical = c.canonical;
    if (c.osis != nullptr)
        r.osis = c.osis;
    r.offset = c.offset;
    r.length = c.length;
    r.line = c.line;
    r.column = c.column;
    for (int k = 0; k < c.unit_count; ++k)
        r.units.push_back(from_c(c.units[k]));
    for (int k = 0; k < c.optional_count; ++k)
        r.optional.emplace_back(c.optional[k].offset, c.optional[k].length);
    if (c.versification != nullptr)
        r.versification = c.versification;
    if (c.alternate != nullptr)
        r.alternate = c.alternate;
    if (c.translation != nullptr)
        r.translation = c.translation;
    return r;
}

} // namespace api_detail

// The citations of a text fed in blocks of any size, in constant memory:
// blocks in, records out (tovrin_reader_* in tovrin.h). One object per
// thread; objects in different threads run at once. Movable.
class Reader {
public:
    // Throws std::bad_alloc when the reader cannot be made.
    explicit Reader(Language l, const Options &o = Options()) {
        const tovrin_options c = o.c();
        r_.reset(tovrin_reader_new_source(l.get(), &c, o.source));
        if (!r_)
            throw std::bad_alloc();
    }

    // The next block; the citations it decides are appended to `found`.
    void feed(std::string_view block, std::vector<Citation> &found) {
        const tovrin_handler h{collect, nullptr, &found};
        tovrin_reader_feed(r_.get(), block.data(), block.size(), &h);
    }
    // The end of the text: the citations still undecided. No feed() after.
    void finish(std::vector<Citation> &found) {
        const tovrin_handler h{collect, nullptr, &found};
        tovrin_reader_finish(r_.get(), &h);
    }
    // How many bytes of the text are decided.
    long long decided() const noexcept { return tovrin_reader_decided(r_.get()); }

private:
    struct Free {
        void operator()(tovrin_reader *r) const noexcept { tovrin_reader_free(r); }
    };
    static void collect(const tovrin_citation *c, void *found) {
        static_cast<std::vector<Citation> *>(found)->push_back(api_detail::from_c(*c));
    }
    std::unique_ptr<tovrin_reader, Free> r_;
};

inline std::vector<Citation> Language::scan(std::string_view text, const Options &o) const {
    Reader reader(*this, o);
    std::vector<Citation> found;
    reader.feed(text, found);
    reader.finish(found);
    return found;
}

inline std::optional<std::string> Language::problem(std::string_view cite, unsigned flags) const {
    return api_detail::take(tovrin_problem(api_detail::terminated(cite).c_str(), lang_, nullptr,
                                           flags));
}

inline std::string Language::read(std::string_view cite) const {
    return api_detail::take(tovrin_read_citation(api_detail::terminated(cite).c_str(), lang_,
                                                 nullptr))
        .value_or(std::string());
}

inline std::string Language::valid(std::string_view cite, bool existing) const {
    tovrin_options o = tovrin_default_options();
    o.existing = existing;
    if (std::optional<std::string> why = api_detail::take(tovrin_problem(
            api_detail::terminated(cite).c_str(), lang_, &o, TOVRIN_PROBLEM_WHOLE_BOOK)))
        throw citation_error(*why, std::string(cite));
    return read(cite);
}

inline void Language::written_in(std::string_view cite, const std::string &read,
                                 Language to) const {
    const int books = to.book_count();
    for (const Unit &u : tovrin::units(read, *this))
        for (int book : {u.bf, u.b})
            if (book > books)
                throw citation_error("book " + std::to_string(book) + " has no name in '" +
                                         std::string(to.name()) + "'",
                                     std::string(cite));
}

inline std::vector<Unit> Language::units(std::string_view cite) const {
    UnitArray pp(tovrin_units(valid(cite).c_str(), lang_));
    std::vector<Unit> all;
    for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u)
        all.push_back(api_detail::from_c(**u));
    return all;
}

inline std::string Language::expand(std::string_view cite) const {
    return tovrin::expand(valid(cite), *this);
}

namespace api_detail {

// tovrin_map() of `read` from `from` into `to`, into `target` (null: the
// first system of `to`).
inline std::string mapped(const std::string &read, Language from, Language to,
                          const tovrin_versification *target = nullptr) {
    return take(tovrin_map(read.c_str(), from.get(), to.get(), target, nullptr))
        .value_or(std::string());
}

// Whether the first system of `to` numbers `read` otherwise than that of
// `from`.
inline bool numbers_move(const std::string &read, Language from, Language to) {
    return mapped(read, from, to) !=
           mapped(read, from, to, tovrin_versification_of(from.get(), 0));
}

} // namespace api_detail

inline std::string Language::expand(std::string_view cite, Language to) const {
    const std::string r = valid(cite);
    written_in(cite, r, to);
    return api_detail::numbers_move(r, *this, to) ? api_detail::mapped(r, *this, to)
                                                  : expand_bl(r, *this, to);
}

inline std::string Language::translate(std::string_view cite, Language to) const {
    const std::string r = valid(cite);
    written_in(cite, r, to);
    if (api_detail::numbers_move(r, *this, to))
        return api_detail::mapped(r, *this, to);
    return trans_cite(r, *this, to).value_or(std::string());
}

inline Comparison Language::compare(std::string_view a, std::string_view b) const {
    return compare(a, b, *this);
}

inline Comparison Language::compare(std::string_view a, std::string_view b,
                                    Language b_lang) const {
    const std::string first = valid(a), second = b_lang.valid(b);
    int overlap = 0;
    const int r = tovrin_compare_mapped(first.c_str(), second.c_str(), lang_, b_lang.lang_,
                                        &overlap);
    return Comparison{overlap == 1, api_detail::ordering(r)};
}

inline std::optional<std::string> Language::osis(std::string_view cite) const {
    const std::string r = valid(cite);
    if (tovrin_versification_of(lang_, 0) == nullptr)
        return std::nullopt;
    return tovrin::osis(r, *this);
}

inline std::optional<std::string> Language::osis(std::string_view cite,
                                                const tovrin_versification *in) const {
    const std::string r = valid(cite);
    if (tovrin_versification_of(lang_, 0) == nullptr)
        return std::nullopt;
    return api_detail::take(tovrin_osis_mapped(r.c_str(), lang_, in, nullptr));
}

inline bool Language::exists(std::string_view cite) const {
    return !missing(valid(cite, false), *this).has_value();
}

/* ------------------------------------------------------------------------
 * Maps of what a text cites, and text made safe for JSON and HTML
 * ------------------------------------------------------------------------ */

// tovrin_coverage(): the counts as JSON, or with TOVRIN_MAP_SVG the picture.
// Throws std::out_of_range for a book outside 0..book_count().
inline std::string coverage(Language l, std::span<const tovrin_cited> cited, unsigned flags = 0,
                            int book = 0, const std::string &title = std::string()) {
    if (book < 0 || book > l.book_count())
        throw std::out_of_range("no book " + std::to_string(book) + " in the language " +
                                std::string(l.name()));
    return api_detail::take(
               tovrin_coverage(l.get(), cited.data(), cited.size(), flags, book, title.c_str()))
        .value_or(std::string());
}

inline std::string json_string(std::string_view s) {
    return api_detail::take(tovrin_json_string(s.data(), s.size())).value_or(std::string());
}

inline std::string html_escape(std::string_view s) {
    return api_detail::take(tovrin_html_escape(s.data(), s.size())).value_or(std::string());
}

} // namespace tovrin

#endif /* TOVRIN_HPP */
