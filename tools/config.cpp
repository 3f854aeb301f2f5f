// Which configuration the tovrin program reads, and the commands about it:
// see config.h.
#include "config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tovrin.h"
#include "tovrin.hpp"

namespace cli {

namespace {

// The configuration chosen and why.
struct Choice {
    std::string path;  // what is read; empty for the built-in copy
    std::string shown; // how messages name it
    std::string origin;
};

Choice loaded;

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}
bool is_file(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string directory_of_program() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    const std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// --config FILE; else bibl.ini in the current directory (whatever it is: a
// broken one is reported, not passed over); else the shipped file next to
// the built (build/ -> data/) or installed (bin/ -> share/tovrin/)
// program; else the copy built into the program.
Choice find_config(const Options &o) {
    if (!o.config.empty())
        return {o.config, o.config, "given with --config"};
    if (exists("bibl.ini"))
        return {"bibl.ini", "bibl.ini", "found in the current directory"};
    const std::string dir = directory_of_program();
    for (const char *rel : {"/../data/bibl.ini", "/../share/tovrin/bibl.ini",
                            "/../../data/bibl.ini"})
        if (is_file(dir + rel))
            return {dir + rel, dir + rel, "the shipped file beside the program"};
    return {"", "built-in bibl.ini", "no bibl.ini in the current directory or beside the program"};
}

std::string text_of(const Choice &c) {
    if (c.path.empty()) {
        std::size_t size = 0;
        const char *shipped = tovrin_shipped_config(&size);
        return std::string(shipped, size);
    }
    return tovrin::read_config_file(c.path);
}

using ConfigHandle = std::unique_ptr<tovrin_config, void (*)(tovrin_config *)>;

// Opens the configuration `text`, named `shown` in messages; null with the
// reason in *err.
ConfigHandle open_config(const std::string &text, const std::string &shown,
                         tovrin_config_error *err) {
    return {tovrin_config_open_text(text.data(), text.size(), shown.c_str(), err),
            tovrin_config_free};
}

[[noreturn]] void config_failure(const std::string &what) {
    std::cout.flush();
    std::cerr << "tovrin: " << what << "\n";
    std::exit(kError);
}

// What the library found wrong when it opened a configuration whose
// lines the loader takes: a phrase line, named by its line.
[[noreturn]] void open_failure(const tovrin_config_error &err) {
    std::cout.flush();
    std::cerr << "tovrin: " << err.file;
    if (err.line > 0)
        std::cerr << ":" << err.line;
    std::cerr << ": " << err.message << "\n";
    std::exit(kError);
}

// ---------------------------------------------------------------------
// check-config: what the loader cannot tell

// The key under which a book name is looked up: upper() of each byte,
// with the language's letters as the file gives them.
std::string folded(const std::string &name, const tovrin::ConfigLanguage &l) {
    std::string key;
    for (char c : name) {
        const auto in_lower = l.lower.rfind(c);
        if (l.upper.find(c) != std::string::npos)
            key += c;
        else if (in_lower != std::string::npos && in_lower < l.upper.size())
            key += l.upper[in_lower];
        else if (c >= '0' && c <= '9')
            key += c;
        else
            key += '#';
    }
    return key;
}

// Why a name can never be found by the lexer's book token, or "". The
// token is one or two pieces (a number and a word, or two words) joined by
// one space, with no blank around them and no abbreviation mark at the end.
std::string unreachable(const std::string &name, const tovrin::ConfigLanguage &l) {
    if (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        return "ends in a blank";
    if (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        return "begins with a blank";
    if (l.has_chars && !name.empty() && name.back() == l.chars[6])
        return std::string("ends in the abbreviation mark '") + l.chars[6] + "'";
    int pieces = 0;
    bool in_piece = false;
    for (char c : name) {
        const bool gap = c == ' ' || (l.has_chars && c == l.chars[6]);
        pieces += !gap && !in_piece;
        in_piece = !gap;
    }
    if (pieces > 2)
        return "has " + std::to_string(pieces) +
               " pieces, and a book name is one or two (a number and a word, or two words)";
    return "";
}

void warn_names(const tovrin::ConfigLanguage &l, std::vector<tovrin::ConfigProblem> &out) {
    // The first name under each key: its book and the name itself.
    std::map<std::string, std::pair<std::size_t, const tovrin::ConfigName *>> first;
    for (std::size_t b = 0; b < l.books.size(); ++b)
        for (const tovrin::ConfigName &n : l.books[b].names) {
            const std::string why = unreachable(n.text, l);
            if (!why.empty()) {
                out.push_back({n.line, "book name '" + n.text + "' " + why +
                                           ": it can never be found"});
                continue;
            }
            const auto [it, fresh] = first.try_emplace(folded(n.text, l), b, &n);
            const auto [book, earlier] = it->second;
            if (!fresh && book != b)
                out.push_back({n.line, "book name '" + n.text + "' reads as '" + earlier->text +
                                           "' of book " + std::to_string(book + 1) + " (line " +
                                           std::to_string(earlier->line) +
                                           "), which is found first: it can never be found "
                                           "for book " +
                                           std::to_string(b + 1)});
        }
}

std::vector<tovrin::ConfigProblem> config_warnings(const tovrin::ConfigText &t) {
    std::vector<tovrin::ConfigProblem> out;
    for (const tovrin::ConfigLanguage &l : t.languages) {
        if (l.close_line == 0)
            out.push_back({l.line, "language '" + l.name + "' has no '}': it runs to the end "
                                                           "of the file"});
        warn_names(l, out);
        const tovrin::ConfigLanguage &first = t.languages.front();
        if (l.books.size() != first.books.size())
            out.push_back({l.line, "language '" + l.name + "' has " +
                                       std::to_string(l.books.size()) + " books and '" +
                                       first.name + "' (line " + std::to_string(first.line) +
                                       ") has " + std::to_string(first.books.size()) +
                                       ": a book's number must name the same book in every "
                                       "language"});
    }
    return out;
}

// The phrase lines (">PHRASE>NAME") that the commands would stop on: the
// first of each language (opening the configuration names only the first
// of all). The phrases are read against the languages as loaded, so the
// configuration is loaded first (`parsed` has no error the loader would
// end on); a broken phrase line fails the opening, not the loading.
std::vector<tovrin::ConfigProblem> phrase_errors(const Choice &c, const std::string &text,
                                                 const tovrin::ConfigText &parsed) {
    open_config(text, c.shown, nullptr);
    std::vector<tovrin::ConfigProblem> out;
    std::vector<std::string> seen; // the phrases of a name are those of its first block
    for (const tovrin::ConfigLanguage &l : parsed.languages) {
        if (std::find(seen.begin(), seen.end(), l.name) != seen.end())
            continue;
        seen.push_back(l.name);
        tovrin_phrases *set = nullptr;
        int line = 0;
        LANG *loaded_language = findlang(l.name.c_str());
        const int status =
            tovrin_phrases_load_text(text.data(), text.size(), loaded_language, &set, &line);
        tovrin_phrases_free(set);
        if (status == TOVRIN_PHRASES_BAD_LINE || status == TOVRIN_PHRASES_UNKNOWN_NAME)
            out.push_back({line, tovrin_phrases_problem(status)});
    }
    return out;
}

} // namespace

void load_config(const Options &o) {
    loaded = find_config(o);
    std::string text;
    try {
        text = text_of(loaded);
    } catch (const tovrin::config_error &e) {
        config_failure(std::string(e.what()) + " (" + loaded.origin + ")");
    }
    tovrin_config_error err{};
    // The configuration lives as long as the program.
    static ConfigHandle config = open_config(text, loaded.shown, &err);
    if (!config) {
        // The file is read a second time only to say where it came from.
        const tovrin::ConfigText parsed = tovrin::parse_config(text);
        if (!parsed.errors.empty())
            config_failure(loaded.shown + ":" + std::to_string(parsed.errors.front().line) +
                           ": " + parsed.errors.front().message + " (" + loaded.origin + ")");
        if (parsed.languages.empty())
            config_failure(loaded.shown + ": no languages in it (" + loaded.origin + ")");
        open_failure(err);
    }
    if (o.verbose)
        std::cerr << "tovrin: configuration: " << loaded.shown << " (" << loaded.origin << ")\n";
}

int cmd_config(const Options &o) {
    if (o.dump) {
        std::size_t size = 0;
        const char *shipped = tovrin_shipped_config(&size);
        std::fwrite(shipped, 1, size, stdout);
        return 0;
    }
    if (!o.args.empty())
        usage_error("config takes no arguments");
    load_config(o);
    std::cout << "file: " << loaded.shown << "\n"
              << "from: " << loaded.origin << "\n"
              << "languages: " << language_names() << "\n";
    return 0;
}

int cmd_check_config(const Options &o) {
    if (o.args.size() > 1)
        usage_error("check-config takes one FILE");
    const Choice c = o.args.empty() ? find_config(o) : Choice{o.args[0], o.args[0], ""};
    std::string text;
    try {
        text = text_of(c);
    } catch (const tovrin::config_error &e) {
        std::cout.flush();
        std::cerr << "tovrin: " << e.what() << "\n";
        return 2;
    }
    const tovrin::ConfigText parsed = tovrin::parse_config(text);
    struct Line {
        int line;
        const char *kind;
        std::string message;
    };
    std::vector<Line> all;
    for (const auto &e : parsed.errors)
        all.push_back({e.line, "error", e.message});
    if (!parsed.languages.empty())
        for (const auto &w : config_warnings(parsed))
            all.push_back({w.line, "warning", w.message});
    const bool loads = parsed.errors.empty() && !parsed.languages.empty();
    std::size_t phrase_problems = 0;
    if (loads)
        for (const auto &e : phrase_errors(c, text, parsed)) {
            all.push_back({e.line, "error", e.message});
            ++phrase_problems;
        }
    std::stable_sort(all.begin(), all.end(),
                     [](const Line &a, const Line &b) { return a.line < b.line; });
    for (const Line &l : all)
        std::cout << c.shown << ":" << l.line << ": " << l.kind << ": " << l.message << "\n";
    if (parsed.languages.empty())
        std::cout << c.shown << ": error: no languages in it\n";
    return loads && phrase_problems == 0 ? 0 : 1;
}

} // namespace cli
