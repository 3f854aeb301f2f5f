#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "internal.h"

namespace testing_support {

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

namespace {

std::string temp_file(const std::string &content = "") {
    char name[] = "/tmp/tovrin-test-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    if (!content.empty() && ::write(fd, content.data(), content.size()) !=
                                static_cast<ssize_t>(content.size()))
        std::abort();
    close(fd);
    return name;
}

} // namespace

Outcome in_child(const std::function<void()> &body, const std::string &stdin_text) {
    const std::string in_path = temp_file(stdin_text);
    const std::string out_path = temp_file();
    const std::string err_path = temp_file();
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(in_path.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_TRUNC);
        int err = open(err_path.c_str(), O_WRONLY | O_TRUNC);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        close(in);
        close(out);
        close(err);
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        std::exit(0);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    o.out = read_file(out_path);
    o.err = read_file(err_path);
    for (const auto &p : {in_path, out_path, err_path})
        std::remove(p.c_str());
    return o;
}

Outcome run_command(const std::string &cmd, const std::string &dir,
                    const std::string &stdin_text) {
    return in_child(
        [&] {
            if (!dir.empty() && chdir(dir.c_str()) != 0)
                _exit(126);
            execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        },
        stdin_text);
}

TempDir::TempDir() {
    char name[] = "/tmp/tovrin-dir-XXXXXX";
    if (mkdtemp(name) == nullptr)
        std::abort();
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string &name, const std::string &content) const {
    const std::string p = path_ + "/" + name;
    std::ofstream f(p, std::ios::binary);
    f << content;
    return p;
}

std::string TempDir::read(const std::string &name) const { return read_file(path_ + "/" + name); }

std::string take(char *s) {
    std::string r = s == nullptr ? "(null)" : s;
    std::free(s);
    return r;
}

std::string binary_dir() { return TOVRIN_BINARY_DIR; }
std::string source_dir() { return TOVRIN_SOURCE_DIR; }

LANG *shipped_lang(const char *name) {
    static const bool loaded = [] {
        tovrin_init_file((source_dir() + "/data/bibl.ini").c_str());
        return true;
    }();
    (void)loaded;
    LANG *l = findlang(name);
    if (l == nullptr)
        ADD_FAILURE() << "no language " << name;
    return l;
}

StaticLang::StaticLang(const char *name, const char *chars, const char *lower,
                       const char *upper, const char *parts, Books books)
    : books_(books.size()), names_(books.size()) {
    lang_.name = const_cast<char *>(name);
    for (int k = 0; k < 7; ++k)
        lang_.chars[k] = static_cast<signed char>(chars[k]);
    lang_.lower = const_cast<char *>(lower);
    lang_.upper = const_cast<char *>(upper);
    lang_.parts = const_cast<char *>(parts);
    std::size_t i = 0;
    for (const auto &book : books) {
        for (const char *n : book)
            names_[i].push_back(BOOK{const_cast<char *>(n), nullptr});
        for (std::size_t k = 0; k + 1 < names_[i].size(); ++k)
            names_[i][k].next = &names_[i][k + 1];
        books_[i].book = &names_[i][0];
        books_[i].next = i + 1 < books.size() ? &books_[i + 1] : nullptr;
        ++i;
    }
    lang_.books = books_.empty() ? nullptr : &books_[0];
}

std::string config_text(const LANG *l) {
    std::string s = "{" + std::string(l->name) + "\n!";
    for (signed char c : l->chars)
        s += static_cast<char>(c);
    s += "\n_" + std::string(l->lower) + "\n^" + std::string(l->upper) + "\n&" +
         std::string(l->parts) + "\n";
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        for (const BOOK *n = b->book; n != nullptr; n = n->next)
            s += (n == b->book ? "+" : "*") + std::string(n->abbrev) + "\n";
    return s + "}\n";
}

LANG *example_lang() {
    static StaticLang l("xx", ";-.,+n.", kAsciiLower, kAsciiUpper, "abc",
                        {{"Gn", "Genesis", "Gen"},
                         {"Ex", "Exodus"},
                         {"Mt", "Mat"},
                         {"Mk"},
                         {"Lk", "L"},
                         {"Jn", "J"},
                         {"1 Jn", "1 J"},
                         {"Rom", "R"}});
    return l.get();
}

LANG *colon_lang() {
    static StaticLang l("yy", ";-,:+f.", kAsciiLower, kAsciiUpper, "abc",
                        {{"Gen"},
                         {"Exod"},
                         {"Mat", "Matt"},
                         {"Mark"},
                         {"Luke"},
                         {"John"},
                         {"1 John"},
                         {"Rom"}});
    return l.get();
}

// ---- the stream scanner over a string ------------------------------------

bool operator==(const ScanPiece &a, const ScanPiece &b) {
    return a.citation == b.citation && a.text == b.text && a.reads == b.reads;
}

std::ostream &operator<<(std::ostream &os, const ScanPiece &p) {
    return os << (p.citation ? "heureka(\"" : "out(\"") << p.text << "\") after " << p.reads
              << " reads";
}

std::string Scan::marked() const {
    std::string s;
    for (const ScanPiece &p : pieces)
        s += p.citation ? "[" + p.text + "]" : p.text;
    return s;
}

std::string Scan::plain() const {
    std::string s;
    for (const ScanPiece &p : pieces)
        s += p.text;
    return s;
}

int Scan::citations() const {
    int n = 0;
    for (const ScanPiece &p : pieces)
        n += p.citation;
    return n;
}

namespace {

// The scan in progress and how far its input has been read.
struct ScanRun {
    Scan *scan = nullptr;
    std::size_t pos = 0;
    bool ended = false; // `in` has returned -1
};
ScanRun current;

int read_input() {
    Scan &s = *current.scan;
    ++s.reads;
    if (current.ended)
        s.read_after_end = true;
    if (current.pos == s.input.size()) {
        current.ended = true;
        return -1;
    }
    return static_cast<unsigned char>(s.input[current.pos++]);
}

void write_text(int c) {
    Scan &s = *current.scan;
    s.written.push_back(c);
    s.pieces.push_back({false, std::string(1, static_cast<char>(c)), s.reads});
}

// The citation stands in the scanner's ring from bp up to ap (excluded).
void take_citation() {
    Scan &s = *current.scan;
    std::string text;
    for (int k = bp; k != ap; k = k + 1 == tovrin::detail::scan_ring ? 0 : k + 1)
        text += tovrin_sbuff[k];
    s.pieces.push_back({true, text, s.reads});
}

} // namespace

std::string linted(LANG *l, std::string_view text, std::size_t size, int source) {
    std::string got;
    const tovrin_problem_handler h{
        [](const tovrin_lint_problem *p, void *ctx) {
            *static_cast<std::string *>(ctx) += std::to_string(p->line) + ":" +
                                                std::to_string(p->column) + " " + p->message +
                                                "\n";
        },
        &got};
    tovrin_linter *t = tovrin_linter_new_source(l, nullptr, source);
    for (std::size_t at = 0; at < text.size(); at += size)
        tovrin_linter_feed(t, text.data() + at, std::min(size, text.size() - at), &h);
    tovrin_linter_finish(t, &h);
    tovrin_linter_free(t);
    return got;
}

Scan scan(const std::string &input, LANG *l) {
    Scan s;
    s.input = input;
    current = ScanRun{&s};
    dorvis_core(read_input, write_text, take_citation, 4, l);
    current = ScanRun{};
    return s;
}

const tovrin::Config &shipped_config() {
    static const tovrin::Config config;
    return config;
}

Found found(tovrin::Language l, const std::string &text, const tovrin::Options &o) {
    Found all;
    for (const tovrin::Citation &c : l.scan(text, o))
        all.push_back(c.text + "=" + c.osis.value_or("-"));
    return all;
}

Found found_byte_by_byte(tovrin::Language l, const std::string &text) {
    Found all;
    const tovrin_handler h{[](const tovrin_citation *c, void *out) {
                               static_cast<Found *>(out)->push_back(
                                   std::string(c->text, static_cast<std::size_t>(c->length)) +
                                   "=" + (c->osis != nullptr ? c->osis : "-"));
                           },
                           nullptr, &all};
    tovrin_reader *r = tovrin_reader_new(l.get(), nullptr);
    for (const char c : text)
        tovrin_reader_feed(r, &c, 1, &h);
    tovrin_reader_finish(r, &h);
    tovrin_reader_free(r);
    return all;
}

void expect_found(std::span<const FoundCase> cases) {
    for (const FoundCase &c : cases) {
        const tovrin::Language l = shipped_config().language(c.lang);
        EXPECT_EQ(found(l, c.text), c.want) << c.lang << ": " << c.text;
        EXPECT_EQ(found_byte_by_byte(l, c.text), c.want) << c.lang << ": " << c.text;
    }
}

} // namespace testing_support
