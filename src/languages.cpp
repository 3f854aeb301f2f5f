// Language records and the configuration loader. "bibl.ini" is read once,
// line by line; the first character of a line is its tag. The records are
// built into the list headed by config_table (the language defined last
// comes first) and are never released: every LANG pointer handed out stays
// valid for the life of the process. Also here: the lookups by book number
// (booknr, bookprn), which walk the same lists.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "internal.h"
#include "tovrin.hpp"
#include "versification.h"

extern "C" {
LANG *config_table = nullptr;
int tovrin_debug = 0;
}

namespace tovrin::detail {

// Line length limit of the configuration file (removed CRs not counted).
constexpr int kLineMax = 200;

int readcr(char *strin, int delka, FILE *fd) {
    int stored = 0;
    int c;
    // The loader owns the stream while it reads: no lock per byte.
    for (;;) {
        c = getc_unlocked(fd);
        if (c == EOF || stored == delka || c == '\n')
            break;
        if (c != '\r')
            strin[stored++] = static_cast<char>(c);
    }
    strin[stored] = '\0';
    return c;
}

unsigned strl2sp(const char *s) {
    unsigned n = 0;
    while (s[n] != '\0' && s[n] != ' ' && s[n] != '%')
        ++n;
    return n;
}

static char *copy_of(const char *s, std::size_t n) {
    char *copy = static_cast<char *>(std::malloc(n + 1));
    if (copy == nullptr)
        fatal(stdout, "Init (tovrin) : can't allocate space for a string !\n");
    std::memcpy(copy, s, n);
    copy[n] = '\0';
    return copy;
}

char *newst(const char *s) { return copy_of(s, strl2sp(s)); }

} // namespace tovrin::detail

namespace {

using namespace tovrin::detail;

[[noreturn]] void init_fatal(const std::string &what) {
    fatal(stderr, ("Init (tovrin) : " + what + "\n").c_str());
}

// What the loader knows about the language being filled.
// Books and names live as long as the program, like the records that hold
// them, and are cut from large blocks rather than allocated one by one:
// with thousands of names, one allocation each was most of the cost of
// loading bibl.ini.
class Lasting {
public:
    void *take(std::size_t size) {
        constexpr std::size_t align = alignof(std::max_align_t);
        size = (size + align - 1) & ~(align - 1);
        if (size > left_) {
            const std::size_t block = std::max(size, kBlock);
            next_ = keep(block);
            left_ = block;
        }
        void *p = next_;
        next_ += size;
        left_ -= size;
        return p;
    }

private:
    static constexpr std::size_t kBlock = 64 << 10;
    // A new block, reachable to the end (loads may run in several threads).
    static char *keep(std::size_t size) {
        static std::mutex lock;
        static auto *blocks = new std::vector<std::unique_ptr<char[]>>;
        char *block = new (std::nothrow) char[size];
        if (block == nullptr)
            init_fatal("can't malloc !");
        const std::lock_guard<std::mutex> hold(lock);
        blocks->emplace_back(block);
        return block;
    }
    char *next_ = nullptr;
    std::size_t left_ = 0;
};

struct Current {
    Lasting *lasting = nullptr; // where books and names go
    LANG *lang = nullptr;      // null outside a language
    BOOKS *last_book = nullptr;
    BOOK *last_name = nullptr; // null until the language's first "+" line
    bool has[4] = {};          // seen "!", "_", "^", "&"
};

void cst(const Current &cur) {
    if (cur.lang == nullptr)
        init_fatal("config tag not inside '{ .. }' !");
}

// A language must define its punctuation, both letter strings and its part
// letters before it is used: the lexer and the book lookup read all of them.
// The letter strings must be parallel, since folding reads upper[] at the
// position a letter has in lower[].
void check_complete(const Current &cur) {
    static const char tags[4] = {'!', '_', '^', '&'};
    for (int k = 0; k < 4; ++k)
        if (!cur.has[k])
            init_fatal(std::string("language '") + cur.lang->name +
                       "' has no '" + tags[k] + "' line !");
    if (std::strlen(cur.lang->lower) != std::strlen(cur.lang->upper))
        init_fatal(std::string("language '") + cur.lang->name +
                   "' has lower and upper letters of different lengths !");
}

void open_language(Current &cur, const char *line) {
    if (cur.lang != nullptr)
        init_fatal("languages can't be nested !");
    if (line[1] == '\0' || line[1] == ' ')
        init_fatal("no language specified (or leading space) !");
    LANG *l = static_cast<LANG *>(std::calloc(1, sizeof(LANG)));
    if (l == nullptr)
        init_fatal("can't malloc !");
    l->next = config_table;
    config_table = l;
    l->name = newst(line + 1);
    cur = Current{cur.lasting};
    cur.lang = l;
}

void close_language(Current &cur) {
    if (cur.lang == nullptr)
        init_fatal("no '{' to close !");
    check_complete(cur);
    cur = Current{cur.lasting};
}

void read_chars(Current &cur, const char *line) {
    cst(cur);
    for (int k = 0; k < 7; ++k)
        if (line[1 + k] == '\0' || line[1 + k] == ' ')
            init_fatal("invalid number of chars (\?\?\?) !");
    for (int k = 0; k < 7; ++k)
        cur.lang->chars[k] = static_cast<signed char>(line[1 + k]);
    cur.has[0] = true;
}

// "_", "^" and "&": a later line replaces the earlier value. Nothing else
// points at the earlier copy (no table is built while loading), so it is
// released rather than left unreachable.
void read_word(Current &cur, const char *line, char *LANG::*field, int slot) {
    cst(cur);
    std::free(cur.lang->*field);
    cur.lang->*field = newst(line + 1);
    cur.has[slot] = true;
}

BOOK *new_name(Current &cur, const char *text) {
    const std::size_t length = std::strlen(text);
    auto *name = static_cast<BOOK *>(cur.lasting->take(sizeof(BOOK) + length + 1));
    name->abbrev = reinterpret_cast<char *>(name + 1);
    std::memcpy(name->abbrev, text, length + 1);
    name->next = nullptr;
    return name;
}

void add_book(Current &cur, const char *line) {
    cst(cur);
    auto *book = static_cast<BOOKS *>(cur.lasting->take(sizeof(BOOKS)));
    book->next = nullptr;
    book->book = new_name(cur, line + 1);
    if (cur.last_book == nullptr)
        cur.lang->books = book;
    else
        cur.last_book->next = book;
    cur.last_book = book;
    cur.last_name = book->book;
}

void add_name(Current &cur, const char *line) {
    cst(cur);
    // A further name needs a book of its own language to belong to.
    if (cur.last_name == nullptr)
        init_fatal(std::string("'*' line before any '+' line in language '") +
                   cur.lang->name + "' !");
    BOOK *name = new_name(cur, line + 1);
    cur.last_name->next = name;
    cur.last_name = name;
}

// "=hebrew kjv": the numbering systems of the language, the one its readers
// use first. A name the library has no table for is an error, not a
// language silently left without its existence test.
void read_systems(Current &cur, const char *line) {
    cst(cur);
    const std::string unknown = assign_systems(cur.lang, line + 1);
    if (!unknown.empty())
        init_fatal(std::string("language '") + cur.lang->name +
                   "' names the unknown numbering system '" + unknown + "' !");
}

void interpret(Current &cur, const char *line) {
    switch (line[0]) {
    case '{': open_language(cur, line); break;
    case '}': close_language(cur); break;
    case '!': read_chars(cur, line); break;
    case '_': read_word(cur, line, &LANG::lower, 1); break;
    case '^': read_word(cur, line, &LANG::upper, 2); break;
    case '&': read_word(cur, line, &LANG::parts, 3); break;
    case '+': add_book(cur, line); break;
    case '*': add_name(cur, line); break;
    case '=': read_systems(cur, line); break;
    case '$':
        if (cur.lang != nullptr)
            tovrin::detail::add_sigla(cur.lang, line + 1);
        break;
    case '@':
        if (cur.lang != nullptr)
            tovrin::detail::add_translations(cur.lang, line + 1);
        break;
    case '?':
        if (cur.lang != nullptr)
            tovrin::detail::add_common_name(cur.lang, line + 1);
        break;
    case '|':
        if (cur.lang != nullptr)
            tovrin::detail::add_following_marks(cur.lang, line + 1);
        break;
    case '~':
        if (cur.lang != nullptr)
            tovrin::detail::add_script_rules(cur.lang, line + 1);
        break;
    default: break; // comments, empty lines and unknown tags
    }
}

} // namespace

namespace {

// A second load starts a fresh list. The records of the earlier one stay
// valid for whoever holds them, so they are kept reachable here rather than
// becoming leaked memory (in a vector that is never destroyed, so they stay
// reachable up to the very end).
void start_list() {
    static auto *earlier_lists = new std::vector<LANG *>;
    if (config_table != nullptr)
        earlier_lists->push_back(config_table);
    config_table = nullptr;
}

} // namespace

void tovrin::detail::load_config(FILE *fd) {
    start_list();
    char line[kLineMax + 1];
    Lasting lasting;
    Current cur{&lasting};
    // A last line without a line feed is not interpreted.
    while (readcr(line, kLineMax, fd) != EOF)
        interpret(cur, line);
    if (cur.lang != nullptr)
        check_complete(cur);
}

void tovrin::detail::load_config_text(std::string_view text) {
    start_list();
    char line[kLineMax + 1];
    Lasting lasting;
    Current cur{&lasting};
    tovrin::api_detail::for_each_config_line(text, [&](int, std::string_view l) {
        // Comments and phrases say nothing to the loader.
        if (l.empty() || l[0] == '%' || l[0] == '>')
            return true;
        std::memcpy(line, l.data(), l.size());
        line[l.size()] = '\0';
        interpret(cur, line);
        return true;
    });
    if (cur.lang != nullptr)
        check_complete(cur);
}

extern "C" void tovrin_init_file(const char *path) {
    FILE *fd = std::fopen(path, "r");
    if (fd == nullptr)
        init_fatal("can't open config file !");
    tovrin::detail::load_config(fd);
    std::fclose(fd);
}

extern "C" void tovrin_init(void) { tovrin_init_file("bibl.ini"); }

extern "C" LANG *findlang(const char *s) {
    // The list runs from the last definition to the first; the last match
    // of the walk is the first definition in the file.
    LANG *found = nullptr;
    for (LANG *l = config_table; l != nullptr; l = l->next)
        if (std::strcmp(l->name, s) == 0)
            found = l;
    return found;
}

namespace {

// The book numbered `bok` (>= 1), or null when the list is shorter. Every
// expansion names its books through booknr: they are indexed in the
// language's tables instead of walking the list.
const BOOKS *nth_book(LANG *lg, int bok) {
    const auto &books = tovrin::detail::tables(lg).books_by_number;
    return static_cast<std::size_t>(bok) > books.size() ? nullptr : books[bok - 1];
}

char unknown_book[] = "???";

} // namespace

extern "C" char *booknr(LANG *lg, int bok) {
    if (bok <= 0)
        return unknown_book;
    const BOOKS *b = nth_book(lg, bok);
    if (b == nullptr)
        fatal(stderr, "booknr (tovrin): invalid book number ! \n");
    return b->book->abbrev;
}

extern "C" void bookprn(FILE *f, LANG *lg, int bok) {
    if (bok <= 0) {
        std::fputs("???", f);
        return;
    }
    const BOOKS *b = nth_book(lg, bok);
    if (b == nullptr)
        fatal(stderr, "bookprn (tovrin): invalid book number ! \n");
    static const char broken[] =
        "bookprn (tovrin) : non-consistency of the data structure !\n";
    BOOK *name = b->book;
    if (name == nullptr || name->abbrev == nullptr)
        fatal(stderr, broken);
    std::fprintf(f, "%s", name->abbrev);
    int written = 0;
    for (name = name->next; name != nullptr; name = name->next) {
        if (name->abbrev == nullptr) {
            std::fflush(f);
            fatal(stderr, broken);
        }
        std::fputs(written == 0 ? " (" : ", ", f);
        std::fprintf(f, "%s", name->abbrev);
        ++written;
    }
    if (written > 0)
        std::fputs(")", f);
}
