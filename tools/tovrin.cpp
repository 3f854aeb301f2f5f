// tovrin: the command-line tool over the library's public API.
//
//   tovrin tokens  [--lang L] TEXT          one token per line
//   tovrin units   [--lang L] TEXT          the citation units
//   tovrin books   [--lang L]               the books of a language
//   tovrin expand  [--lang L] [--to L2] [--sort] [CITE...]
//   tovrin translate --lang L --to L2 [CITE...]
//   tovrin compare [--lang L] [--lang2 L2] [CITE1 CITE2]
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

#include "tovrin.h"

namespace {

constexpr int kUsage = 2;

[[noreturn]] void usage_error(const std::string &msg) {
    std::cerr << "tovrin: " << msg << "\n"
              << "usage: tovrin tokens|units|books|expand|translate|compare "
                 "[options] [ARGS...]; see tovrin --help\n";
    std::exit(kUsage);
}

const char kHelp[] =
    "usage: tovrin COMMAND [options] [ARGS...]\n"
    "\n"
    "commands:\n"
    "  tokens [--lang L] TEXT      print the tokens of TEXT, one per line\n"
    "  units [--lang L] TEXT       print the citation units of TEXT\n"
    "  books [--lang L]            list the books: number, tab, names\n"
    "  expand [--lang L] [--to L2] [--sort] [CITE...]\n"
    "                              canonical text of each citation\n"
    "  translate --lang L --to L2 [CITE...]\n"
    "                              token-by-token translation\n"
    "  compare [--lang L] [--lang2 L2] [CITE1 CITE2]\n"
    "                              overlap/disjoint and order of two citations\n"
    "\n"
    "options:\n"
    "  --config FILE   configuration (default: ./bibl.ini, else the shipped one)\n"
    "  --lang NAME     language of the citations (default: cz)\n"
    "  --version       print the version\n"
    "\n"
    "Without CITE arguments, expand and translate read one citation per line\n"
    "from standard input, compare reads lines of two citations separated by\n"
    "a tab.\n"
    "\n"
    "examples:\n"
    "  tovrin tokens \"Mt 5,3-12\"\n"
    "  tovrin expand \"J 3,16n; Gn 1,1-2,3\"\n"
    "  tovrin expand --to en \"Ř 8,28\"\n"
    "  tovrin translate --lang cz --to en \"Mt 5,3-7\"\n"
    "  tovrin compare \"Mt 5,1-12\" \"Mt 5,3\"\n";

// Options shared by every command.
struct Options {
    std::string command;
    std::string config;
    std::string lang = "cz";
    std::string to;
    std::string lang2;
    bool sort = false;
    std::vector<std::string> args;
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

LANG *language(const std::string &name) {
    LANG *l = findlang(name.c_str());
    if (l == nullptr)
        usage_error("unknown language '" + name + "' (languages: " + language_names() +
                    ")");
    return l;
}

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
            std::cout << kHelp;
            std::exit(0);
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
    if (o.command.empty())
        usage_error("no command given");
    return o;
}

const char *kind_name(int kind) {
    static const std::map<int, const char *> names = {
        {TK_BOOK, "TK_BOOK"},         {TK_BOOK_FROM, "TK_BOOK_FROM"},
        {TK_CHAPTER, "TK_CHAPTER"},   {TK_CHAPTER_FROM, "TK_CHAPTER_FROM"},
        {TK_VERSE, "TK_VERSE"},       {TK_VERSE_FROM, "TK_VERSE_FROM"},
        {TK_NEXT, "TK_NEXT"},         {TK_NEXT2, "TK_NEXT2"},
        {TK_OPEN_END, "TK_OPEN_END"}, {TK_PART, "TK_PART"},
        {TK_PART_FROM, "TK_PART_FROM"},
    };
    auto it = names.find(kind);
    return it == names.end() ? "?" : it->second;
}

const std::string &single_text(const Options &o) {
    if (o.args.size() != 1)
        usage_error(o.command + " takes exactly one TEXT");
    return o.args[0];
}

int cmd_tokens(const Options &o) {
    const std::string &text = single_text(o);
    LANG *l = language(o.lang);
    PARS p;
    tovrin_pinit(&p, l);
    int status = 0;
    for (std::size_t i = 0; p.end != 1; ++i) {
        tovrin_parser(static_cast<signed char>(text.c_str()[i]), &p);
        if (p.errr == 1) {
            std::printf("error at %zu\n", i + 1);
            status = 1;
        } else if (p.ousta > 0) {
            std::printf("%s\t%s\n", kind_name(p.ousta), p.out);
        }
    }
    tovrin_pfree(&p);
    return status;
}

int cmd_units(const Options &o) {
    const std::string &text = single_text(o);
    LANG *l = language(o.lang);
    PARS_UNIT **pp = makepus(text.c_str(), l);
    printpus(pp, l);
    freepus(pp);
    return 0;
}

int cmd_books(const Options &o) {
    if (!o.args.empty())
        usage_error("books takes no arguments");
    LANG *l = language(o.lang);
    int n = 1;
    for (BOOKS *b = l->books; b != nullptr; b = b->next, ++n) {
        std::printf("%d\t", n);
        bookprn(stdout, l, n);
        std::printf("\n");
    }
    return 0;
}

// Runs `each` on every citation: the arguments, or the lines of stdin.
template <typename Each> int for_each_citation(const Options &o, Each each) {
    int status = 0;
    if (!o.args.empty()) {
        for (const auto &a : o.args)
            status |= each(a);
        return status;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        status |= each(line);
    }
    return status;
}

void print_owned(char *text) {
    std::cout << (text != nullptr ? text : "") << "\n";
    std::free(text);
}

int cmd_expand(const Options &o) {
    LANG *from = language(o.lang);
    LANG *to = o.to.empty() ? from : language(o.to);
    return for_each_citation(o, [&](const std::string &cite) {
        print_owned(o.sort ? tovrin_expand_sort(cite.c_str(), from, to)
                           : tovrin_expand_bl(cite.c_str(), from, to));
        return 0;
    });
}

int cmd_translate(const Options &o) {
    if (o.to.empty())
        usage_error("translate needs --to LANG");
    LANG *from = language(o.lang);
    LANG *to = language(o.to);
    return for_each_citation(o, [&](const std::string &cite) {
        char *t = trans_cite(cite.c_str(), from, to);
        if (t == nullptr) {
            std::cout << std::endl;
            std::cerr << "tovrin: cannot translate '" << cite << "': not a citation\n";
            return 1;
        }
        print_owned(t);
        return 0;
    });
}

void print_comparison(const std::string &a, const std::string &b, LANG *l1, LANG *l2) {
    const bool overlap = tovrin_is_equal(a.c_str(), b.c_str(), l1, l2) == 1;
    const int order = tovrin_comp(a.c_str(), b.c_str(), l1, l2);
    std::cout << (overlap ? "overlap" : "disjoint") << '\t'
              << (order == 1 ? "first" : order == -1 ? "second" : "same") << "\n";
}

int cmd_compare(const Options &o) {
    LANG *l1 = language(o.lang);
    LANG *l2 = o.lang2.empty() ? l1 : language(o.lang2);
    if (!o.args.empty()) {
        if (o.args.size() != 2)
            usage_error("compare takes two citations");
        print_comparison(o.args[0], o.args[1], l1, l2);
        return 0;
    }
    int status = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto tab = line.find('\t');
        if (tab == std::string::npos) {
            std::cout << std::endl;
            std::cerr << "tovrin: compare: no tab in line '" << line << "'\n";
            status = 1;
            continue;
        }
        print_comparison(line.substr(0, tab), line.substr(tab + 1), l1, l2);
    }
    return status;
}

} // namespace

int main(int argc, char **argv) {
    const Options o = parse(argc, argv);
    static const std::map<std::string, int (*)(const Options &)> commands = {
        {"tokens", cmd_tokens},   {"units", cmd_units},
        {"books", cmd_books},     {"expand", cmd_expand},
        {"translate", cmd_translate}, {"compare", cmd_compare},
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
