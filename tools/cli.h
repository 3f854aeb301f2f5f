// Shared parts of the tovrin command line: options, language lookup and
// error reporting. Every command works through the library's public API.
#ifndef TOVRIN_CLI_H
#define TOVRIN_CLI_H

#include <string>
#include <vector>

#include "tovrin.h"

namespace cli {

// Exit status of usage errors (bad options, unknown language).
constexpr int kUsage = 2;

struct Options {
    std::string command;
    std::string config;
    std::string lang = "cz";
    std::string to;
    std::string lang2;
    bool sort = false;
    // Text commands (scan, lint, index, grep).
    std::string format;          // scan: ansi|plain|tex|html|json; index: text|json
    std::string macro = "bibleref";
    bool index = false;
    bool exact = false;          // no typographic forms
    bool help = false;
    // serve
    std::string port = "8080";
    std::string host = "127.0.0.1";
    std::vector<std::string> args;
};

[[noreturn]] void usage_error(const std::string &msg);

// The language named `name`, or a usage error listing the languages.
LANG *language(const std::string &name);

// Text commands, one file each (scan.cpp, lint.cpp, index.cpp, grep.cpp).
int cmd_scan(const Options &o);
int cmd_lint(const Options &o);
int cmd_index(const Options &o);
int cmd_grep(const Options &o);

// Commands on single citations, defined in citecmds.cpp.
int cmd_tokens(const Options &o);
int cmd_units(const Options &o);
int cmd_books(const Options &o);
int cmd_expand(const Options &o);
int cmd_translate(const Options &o);
int cmd_compare(const Options &o);

// The local web page and its JSON API, defined in serve.cpp.
int cmd_serve(const Options &o);

} // namespace cli

#endif
