// tovrin: the command-line tool over the library's public API.
//
//   tovrin scan|lint|index|grep [options] [FILE...]   text commands (scan.cpp, ...)
//   tovrin tokens|units|books [--lang L] [TEXT]      the lexer, units, books
//   tovrin expand|translate|compare [options] [CITE...]  the services
//
// Citations come from the arguments or, without them, one per line from
// standard input, so the services work as filters in a pipeline.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "tovrin.h"

namespace cli {

void usage_error(const std::string &msg) {
    std::cerr << "tovrin: " << msg << "\n"
              << "usage: tovrin COMMAND [options] [ARGS...]; see tovrin --help\n";
    std::exit(kUsage);
}

} // namespace cli

namespace {

using namespace cli;

const char kHelp[] =
    "usage: tovrin COMMAND [options] [ARGS...]\n"
    "\n"
    "commands on texts (FILE... or standard input):\n"
    "  scan    write the text with every citation marked\n"
    "  lint    report citations that are written wrongly\n"
    "  index   the Scripture index of a document\n"
    "  grep    lines citing a passage that overlaps CITATION\n"
    "commands on single citations:\n"
    "  tokens, units, books, expand, translate, compare\n"
    "a local web page with all of them:\n"
    "  serve   the page at http://127.0.0.1:8080/ and its JSON API\n"
    "\n"
    "options for every command:\n"
    "  --config FILE   configuration (default: ./bibl.ini, else the shipped one)\n"
    "  --lang NAME     language of the citations (default: cz)\n"
    "  --help          help of a command: tovrin COMMAND --help\n"
    "  --version       print the version\n"
    "\n"
    "examples:\n"
    "  tovrin scan --format tex --index kniha.tex > kniha-ref.tex\n"
    "  tovrin lint *.tex\n"
    "  tovrin grep \"Ř 8\" kniha.tex\n"
    "  tovrin expand \"J 3,16n; Gn 1,1-2,3\"\n";

// Help of each command, with examples.
const std::map<std::string, const char *> kCommandHelp = {
    {"scan",
     "usage: tovrin scan [--format ansi|plain|tex|html|json] [--macro NAME] [--index]\n"
     "                   [--exact] [--lang L] [FILE...]\n"
     "Writes the text with every citation found. Formats: ansi (terminal colours;\n"
     "the default on a terminal), plain (the text unchanged; the default otherwise),\n"
     "tex (each citation as \\NAME{...}, NAME bibleref; with --index an \\index entry\n"
     "after it, sorted canonically), html (a page with <mark> around citations),\n"
     "json (one object per citation: file, line, column, offset, text, canonical).\n"
     "Dashes (en, em, TeX --), ties (~), no-break spaces and line breaks inside a\n"
     "paragraph are read as the language's range mark and spaces; --exact turns\n"
     "that off. The output keeps the original bytes.\n"
     "examples:\n"
     "  tovrin scan --format json kazani.tex\n"
     "  tovrin scan --format tex --macro cite --index kniha.tex\n"},
    {"lint",
     "usage: tovrin lint [--exact] [--lang L] [FILE...]\n"
     "Reports citations written wrongly as FILE:LINE:COLUMN: message (unknown book\n"
     "name, chapter or verse 0 or above 999, reversed range, missing chapter).\n"
     "Exit status 1 when anything was reported.\n"
     "example:\n"
     "  tovrin lint kazani.tex\n"},
    {"index",
     "usage: tovrin index [--format text|json] [--exact] [--lang L] [FILE...]\n"
     "Every citation found, split into its units, written canonically and sorted\n"
     "in canonical order, each with the places (FILE:LINE) that cite it.\n"
     "example:\n"
     "  tovrin index --format json kapitola*.tex\n"},
    {"grep",
     "usage: tovrin grep [--exact] [--lang L] CITATION [FILE...]\n"
     "Prints FILE:LINE:text for every line with a citation that shares a passage\n"
     "with CITATION. Exit status 0 when a line matched, 1 when none did, 2 on errors.\n"
     "example:\n"
     "  tovrin grep \"Ř 8\" kniha.tex     (finds Ř 8,28, Ř 7,25-8,2 and Ř 8)\n"},
    {"tokens", "usage: tovrin tokens [--lang L] TEXT\n"
               "Prints the tokens of TEXT as KIND<TAB>text; on a lexing error\n"
               "\"error at N\" (N the 1-based position) and exit status 1.\n"
               "example:\n  tovrin tokens \"Mt 5,3-12; L 6,20n\"\n"},
    {"units", "usage: tovrin units [--lang L] TEXT\n"
              "Prints the citation units of TEXT, one per line.\n"
              "example:\n  tovrin units \"Gn 1,5a-7; 3,4\"\n"},
    {"books", "usage: tovrin books [--lang L]\n"
              "Lists the books: number, tab, main name (further names).\n"
              "example:\n  tovrin books --lang en\n"},
    {"expand", "usage: tovrin expand [--lang L] [--to L2] [--sort] [CITE...]\n"
               "The canonical text of each citation (in L2 with --to, units sorted\n"
               "with --sort). Without CITE, one citation per line from standard input.\n"
               "examples:\n  tovrin expand \"J 3,16n; Gn 1,1-2,3\"\n"
               "  tovrin expand --to en --sort < citace.txt\n"},
    {"translate", "usage: tovrin translate --lang L --to L2 [CITE...]\n"
                  "Translates each citation token by token, keeping its shape.\n"
                  "example:\n  tovrin translate --lang cz --to en \"Mt 5,3-7\"\n"},
    {"compare", "usage: tovrin compare [--lang L] [--lang2 L2] [CITE1 CITE2]\n"
                "Prints overlap or disjoint, a tab, then first, second or same (the\n"
                "order). Without citations, lines of two citations separated by a tab.\n"
                "example:\n  tovrin compare \"Mt 5,1-12\" \"Mt 5,3\"\n"},
    {"serve", "usage: tovrin serve [--port N] [--host H]\n"
              "Serves a web page (at http://H:N/, default 127.0.0.1:8080; port 0: any\n"
              "free one) where a text can be pasted or a .txt, .tex, .md, .docx or .odt\n"
              "file dropped, to see its citations, lint findings and index; and the JSON\n"
              "API /api/scan, /api/lint, /api/index, /api/expand, /api/translate.\n"
              "Prints the address, then serves until stopped.\n"
              "example:\n  tovrin serve --port 8000\n"},
};


bool file_exists(const std::string &path) {
    return access(path.c_str(), R_OK) == 0;
}

std::string directory_of_program() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    buf[n] = '\0';
    std::string path(buf);
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// --config FILE; else bibl.ini in the current directory; else the shipped
// configuration next to the built (build/ -> data/) or installed
// (bin/ -> share/tovrin/) program.
std::string find_config(const Options &o) {
    if (!o.config.empty())
        return o.config;
    if (file_exists("bibl.ini"))
        return "bibl.ini";
    const std::string dir = directory_of_program();
    for (const char *rel : {"/../data/bibl.ini", "/../share/tovrin/bibl.ini",
                            "/../../data/bibl.ini"})
        if (file_exists(dir + rel))
            return dir + rel;
    return "bibl.ini"; // the loader reports that it cannot open it
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

} // namespace

LANG *cli::language(const std::string &name) {
    LANG *l = findlang(name.c_str());
    if (l == nullptr)
        usage_error("unknown language '" + name + "' (languages: " + language_names() +
                    ")");
    return l;
}

namespace {

Options parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char *what) -> std::string {
            if (i + 1 >= argc)
                usage_error(std::string(what) + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            std::cout << "tovrin " TOVRIN_VERSION "\n";
            std::exit(0);
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
        } else if (a == "--format") {
            o.format = value("--format");
        } else if (a == "--port") {
            o.port = value("--port");
        } else if (a == "--host") {
            o.host = value("--host");
        } else if (a == "--macro") {
            o.macro = value("--macro");
        } else if (a == "--index") {
            o.index = true;
        } else if (a == "--exact") {
            o.exact = true;
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                o.args.push_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            usage_error("unknown option '" + a + "'");
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            o.args.push_back(a);
        }
    }
    if (o.help) {
        auto it = kCommandHelp.find(o.command);
        std::cout << (it != kCommandHelp.end() ? it->second : kHelp);
        std::exit(0);
    }
    if (o.command.empty())
        usage_error("no command given");
    return o;
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    static const std::map<std::string, int (*)(const Options &)> commands = {
        {"tokens", cmd_tokens},   {"units", cmd_units},
        {"books", cmd_books},     {"expand", cmd_expand},
        {"translate", cmd_translate}, {"compare", cmd_compare},
        {"scan", cmd_scan},       {"lint", cmd_lint},
        {"index", cmd_index},     {"grep", cmd_grep},
        {"serve", cmd_serve},
    };
    auto it = commands.find(o.command);
    if (it == commands.end())
        usage_error("unknown command '" + o.command + "'");
    tovrin_init_file(find_config(o).c_str());
    const int status = it->second(o);
    std::cout.flush();
    std::fflush(stdout);
    return status;
}
