// Shared parts of the tovrin command line: options, language lookup and
// error reporting. Every command works through the library's public API.
#ifndef TOVRIN_CLI_H
#define TOVRIN_CLI_H

#include <string>
#include <vector>

#include "tovrin.h"

namespace cli {

// Exit status of errors: usage (bad options, unknown language), the
// configuration, a file that cannot be read, output that cannot be written.
// Findings (lint's reports, grep finding nothing) are 1.
constexpr int kError = 2;

struct Options {
    std::string command;
    std::string config;
    std::string lang = "cz";
    std::string to;
    std::string lang2;
    bool sort = false;
    // expand: the marks by a numbering system (its name; empty for the
    // language's own), and with --to osis the verse parts kept.
    bool versified = false;
    std::string versification;
    bool parts = false;
    // Text commands (scan, lint, index, grep).
    std::string format;          // scan: ansi|plain|tex|html|json; index: text|json
    std::string macro = "bibleref";
    bool index = false;
    bool exact = false;          // no typographic forms
    std::string sigla;           // --sigla: more sigla that are not books
    std::string input;           // --input tex|markdown|text (empty: by extension)
    bool help = false;
    bool verbose = false;        // say which configuration is read
    bool dump = false;           // config: write the built-in bibl.ini
    int jobs = 0;                // scan: threads (0: one per core)
    std::string output;          // map: -o FILE (empty: standard output)
    std::string by = "chapter";  // map: chapter|verse
    std::string book;            // map --by verse: the book (empty: the most cited)
    // serve
    std::string port = "8080";
    std::string host = "127.0.0.1";
    std::vector<std::string> args;
};

// Ends the program with `msg` and a pointer to the help of the command
// (exit status kError).
[[noreturn]] void usage_error(const std::string &msg);

// The language named `name` (or, when no language bears that name, the
// shipped language whose ISO 639-1 code it is: "cs" for "cz"), or a usage
// error listing the languages.
LANG *language(const std::string &name);
// The names of the loaded languages in file order, joined by ", ".
std::string language_names();

// The local web page and its JSON API, defined in serve.cpp.
int cmd_serve(const Options &o);

// Help (help.cpp): the program's, or COMMAND's when it has one.
void print_help(const std::string &command);
int cmd_help(const Options &o);

// Text commands, one file each (scan.cpp, lint.cpp, index.cpp, grep.cpp,
// map.cpp).
int cmd_scan(const Options &o);
int cmd_lint(const Options &o);
int cmd_index(const Options &o);
int cmd_grep(const Options &o);
int cmd_map(const Options &o);

// Commands on single citations, defined in citecmds.cpp.
int cmd_tokens(const Options &o);
int cmd_units(const Options &o);
int cmd_books(const Options &o);
int cmd_expand(const Options &o);
int cmd_translate(const Options &o);
int cmd_compare(const Options &o);

} // namespace cli

#endif
