// tovrin: the command-line tool over the library's public API.
//
//   tovrin scan|lint|index|grep|map [options] [FILE...]  text commands (scan.cpp, ...)
//   tovrin expand|translate|compare|units|tokens|books  single citations (citecmds.cpp)
//   tovrin config|check-config                        the configuration (config.cpp)
//   tovrin serve                                      the web page (serve.cpp)
//   tovrin help [COMMAND]                             help (help.cpp)
//
// This file reads the options, loads the configuration and runs the
// command; at the end it makes sure the output was written.
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "textscan.h"
#include "config.h"
#include "tovrin.h"

namespace cli {

namespace {

// The command being run, once known: usage errors point to its help.
std::string known_command;

} // namespace

void usage_error(const std::string &msg) {
    std::cout.flush();
    std::cerr << "tovrin: " << msg << "\n"
              << "Try 'tovrin " << (known_command.empty() ? "" : known_command + " ")
              << "--help'.\n";
    std::exit(kError);
}

std::string language_names() {
    std::vector<std::string> names;
    for (LANG *l = config_table; l != nullptr; l = l->next)
        names.insert(names.begin(), l->name); // file order
    std::string joined;
    for (const auto &n : names)
        joined += (joined.empty() ? "" : ", ") + n;
    return joined.empty() ? "none" : joined;
}

LANG *language(const std::string &name) {
    LANG *l = tovrin_language(name.c_str());
    if (l == nullptr)
        usage_error("unknown language '" + name + "' (languages: " + language_names() + ")");
    return l;
}

} // namespace cli

namespace {

using namespace cli;

struct Command {
    int (*run)(const Options &);
    bool needs_config; // loaded before it runs
};

const std::map<std::string, Command> kCommands = {
    {"scan", {cmd_scan, true}},         {"lint", {cmd_lint, true}},
    {"index", {cmd_index, true}},       {"grep", {cmd_grep, true}},
    {"map", {cmd_map, true}},
    {"tokens", {cmd_tokens, true}},     {"units", {cmd_units, true}},
    {"books", {cmd_books, true}},       {"expand", {cmd_expand, true}},
    {"translate", {cmd_translate, true}}, {"compare", {cmd_compare, true}},
    {"serve", {cmd_serve, true}},
    {"config", {cmd_config, false}},    {"check-config", {cmd_check_config, false}},
    {"help", {cmd_help, false}},
};

// Everything written must have reached standard output: a full disk must
// not look like success. A closed pipe (`tovrin scan | head`) ends the
// program quietly, as SIGPIPE does by default.
//
// stdio keeps only the error flag of a failed write: errno, cleared before
// the command runs, tells why (the last failure set it).
int finish_output(int status) {
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::fclose(stdout) == 0)
        return status;
    const int error = errno;
    if (error == EPIPE) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    std::cerr << "tovrin: error writing standard output: "
              << (error != 0 ? std::strerror(error) : "write failed") << "\n";
    return 2;
}

// A TeX control word: letters only ("\bibleref"), so that the output is
// TeX whatever the name.
bool is_control_word(const std::string &name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

void set_command(Options &o, const std::string &word) {
    o.command = word;
    if (kCommands.count(word) == 0)
        usage_error("unknown command '" + word + "'");
    known_command = word;
}

// Whether an argument after --versification is its NAME: the built-in
// systems are named in one lower-case ASCII word ("hebrew", "kjva"), and a
// citation has a capital, a space or a letter beyond ASCII (a citation of
// one lower-case word goes after "--").
bool is_system_name(const std::string &word) {
    if (word.empty() || word[0] < 'a' || word[0] > 'z')
        return false;
    for (char c : word)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

// The value of -j: a whole number from 1 on.
int job_count(const std::string &text) {
    char *end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 1 || n > 1024)
        usage_error("-j needs a number of threads from 1 to 1024, not '" + text + "'");
    return static_cast<int>(n);
}

Options parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char *what) -> std::string {
            if (i + 1 >= argc)
                usage_error(std::string(what) + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            std::cout << "tovrin " TOVRIN_VERSION "\n";
            std::exit(finish_output(0));
        } else if (a == "--config") {
            o.config = value("--config");
        } else if (a == "--lang") {
            o.lang = value("--lang");
        } else if (a == "--to") {
            o.to = value("--to");
        } else if (a == "--lang2") {
            o.lang2 = value("--lang2");
        } else if (a == "--sort") {
            o.sort = true;
        } else if (a == "--versification") {
            o.versified = true;
            if (i + 1 < argc && is_system_name(argv[i + 1]))
                o.versification = argv[++i];
        } else if (a == "--parts") {
            o.parts = true;
        } else if (a == "--format") {
            o.format = value("--format");
        } else if (a == "-o" || a == "--output") {
            o.output = value("-o");
        } else if (a == "--by") {
            o.by = value("--by");
        } else if (a == "--book") {
            o.book = value("--book");
        } else if (a == "--port") {
            o.port = value("--port");
        } else if (a == "--host") {
            o.host = value("--host");
        } else if (a == "--macro") {
            o.macro = value("--macro");
            if (!is_control_word(o.macro))
                usage_error("--macro needs a TeX control word of letters, not '" + o.macro +
                            "'");
        } else if (a == "--index") {
            o.index = true;
        } else if (a == "--exact") {
            o.exact = true;
        } else if (a == "--input") {
            o.input = value("--input");
            if (o.input != "tex" && o.input != "markdown" && o.input != "text")
                usage_error("--input takes tex, markdown or text, not '" + o.input + "'");
        } else if (a == "--sigla") {
            o.sigla.append(" ").append(value("--sigla"));
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "-j" || a == "--jobs" || (a.size() > 2 && a.rfind("-j", 0) == 0)) {
            o.jobs = job_count(a.size() > 2 && a[1] == 'j' ? a.substr(2) : value("-j"));
        } else if (a == "--dump") {
            o.dump = true;
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                o.args.push_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            usage_error("unknown option '" + a + "'");
        } else if (o.command.empty() && !o.help) {
            set_command(o, a);
        } else if (o.command.empty()) {
            o.command = a; // tovrin --help COMMAND
        } else {
            o.args.push_back(a);
        }
    }
    if (o.help) {
        print_help(o.command);
        std::exit(finish_output(0));
    }
    if (o.command.empty())
        usage_error("no command given");
    return o;
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    const Command &command = kCommands.at(o.command);
    if (command.needs_config)
        load_config(o);
    cli::given_sigla = o.sigla;
    cli::given_source = o.input == "tex"        ? TOVRIN_SOURCE_TEX
                        : o.input == "markdown" ? TOVRIN_SOURCE_MARKDOWN
                        : o.input == "text"     ? TOVRIN_SOURCE_TEXT
                                                : cli::kSourceByName;
    errno = 0;
    const int status = command.run(o);
    return finish_output(status);
}
