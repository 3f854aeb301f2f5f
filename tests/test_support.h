// Shared helpers of the test binary: hand-built languages and their
// bibl.ini text, the stream scanner run over a string, and running code or
// commands in a child process with its output streams captured (fatal
// paths end the process, and configurations are loaded once per process).
#ifndef TOVRIN_TEST_SUPPORT_H
#define TOVRIN_TEST_SUPPORT_H

#include <functional>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tovrin.hpp"

namespace testing_support {

// What a child process did: exit status (or 128 + signal) and its streams.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `body` in a forked child with stdout and stderr captured; the child
// exits 0 when `body` returns.
Outcome in_child(const std::function<void()> &body, const std::string &stdin_text = "");

// Runs a shell command (sh -c) in `dir` (if not empty) with captured
// streams, feeding `stdin_text` to it.
Outcome run_command(const std::string &cmd, const std::string &dir = "",
                    const std::string &stdin_text = "");

// A fresh temporary directory, removed with its contents at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    // Writes `content` to path()/name and returns the file's path.
    std::string write(const std::string &name, const std::string &content) const;
    std::string read(const std::string &name) const;

private:
    std::string path_;
};

// Takes a heap text a service returned and frees it; "(null)" for NULL.
std::string take(char *s);

// The bytes of a file; empty when it cannot be read.
std::string read_file(const std::string &path);

// Paths of the built programs and the source tree.
std::string binary_dir();
std::string source_dir();

// A language of the shipped data/bibl.ini, which is loaded into this process
// on first use (records are never released, so it stays reachable); a
// missing language fails the test and gives null.
LANG *shipped_lang(const char *name);

// The 26 Latin letters, as the hand-built languages list them.
inline constexpr char kAsciiLower[] = "abcdefghijklmnopqrstuvwxyz";
inline constexpr char kAsciiUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A language record in static storage: its name, its seven characters in
// the order of LANG::chars, its letters, its part letters, and its books,
// each a list of names (main name first); no books give a record without a
// book list. The library keeps tables per record (findbook), so declare
// it static and never change it: every record lives as long as the
// process, and a new language is a new object.
//   static StaticLang l("xx", ";-.,+n.", kAsciiLower, kAsciiUpper, "abc",
//                       {{"Gn", "Genesis"}, {"Ex"}});
//   return l.get();
class StaticLang {
public:
    using Books = std::initializer_list<std::initializer_list<const char *>>;
    StaticLang(const char *name, const char *chars, const char *lower, const char *upper,
               const char *parts, Books books);
    // The record points into the vectors below.
    StaticLang(const StaticLang &) = delete;
    StaticLang &operator=(const StaticLang &) = delete;
    LANG *get() { return &lang_; }

private:
    LANG lang_{};
    std::vector<BOOKS> books_;
    std::vector<std::vector<BOOK>> names_;
};

// The bibl.ini text of one language that, loaded, gives a record like `l`:
// its name, characters, letters, parts and books with all their names, in
// order. config_text(example_lang()) + config_text(colon_lang()) is a
// configuration of the two languages below.
std::string config_text(const LANG *l);

// The language of the worked examples ("xx"): citation separator ';',
// range mark '-', verse-list separator '.', chapter-verse separator ',',
// open-end mark '+', following mark 'n', abbreviation mark '.'; the 26
// Latin letters in both cases; part letters "abc". Its books, in order:
//   1 Gn (Genesis, Gen)  2 Ex (Exodus)  3 Mt (Mat)  4 Mk  5 Lk (L)
//   6 Jn (J)  7 1 Jn (1 J)  8 Rom (R)
// Built by hand in static storage: never loaded, never freed.
LANG *example_lang();

// A second language ("yy") listing the same books in the same order, with
// citation separator ';', range mark '-', verse-list separator ',',
// chapter-verse separator ':', open-end mark '+', following mark 'f',
// abbreviation mark '.', letters a-z/A-Z, parts "abc"; main names
//   1 Gen  2 Exod  3 Mat  4 Mark  5 Luke  6 John  7 1 John  8 Rom
LANG *colon_lang();

// ---- the stream scanner over a string ------------------------------------

// One callback of a scan: a character written by `out`, or a citation
// handed to `heureka`, and how many times `in` had been called by then.
struct ScanPiece {
    bool citation;
    std::string text;
    int reads;
};

bool operator==(const ScanPiece &a, const ScanPiece &b);
std::ostream &operator<<(std::ostream &os, const ScanPiece &p);

// What one run of dorvis_core saw.
struct Scan {
    std::string input;
    int reads = 0;               // calls of `in`, the one that returned -1 included
    bool read_after_end = false; // `in` was called again after it returned -1
    std::vector<ScanPiece> pieces;
    std::vector<int> written;    // every value `out` received

    // The text with every citation in brackets, as handed over.
    std::string marked() const;
    // The text as it went through both callbacks, without marks.
    std::string plain() const;
    int citations() const;
};

// Runs dorvis_core over `input` in `l` with every callback recorded. The
// callbacks have no context argument, so one scan runs at a time.
Scan scan(const std::string &input, LANG *l = example_lang());

// What the linter of `l` reports on `text`, written in `source`
// (TOVRIN_SOURCE_*), fed in blocks of `size` bytes: "line:column message"
// for each problem, one a line.
std::string linted(LANG *l, std::string_view text, std::size_t size,
                   int source = TOVRIN_SOURCE_TEXT);

// The shipped configuration through the C++ interface, opened once.
const tovrin::Config &shipped_config();

// The citations that the default reading (or `o`) finds in `text`, each as
// "text=OSIS" ("-" without OSIS).
using Found = std::vector<std::string>;
Found found(tovrin::Language l, const std::string &text, const tovrin::Options &o = {});
// The same through the C reader fed one byte at a time, so that every look
// past a candidate, a form or a phrase finds the bytes it needs missing at
// first.
Found found_byte_by_byte(tovrin::Language l, const std::string &text);

// A text of a language and the citations the default reading finds in it.
struct FoundCase {
    const char *lang, *text;
    Found want;
};
// Checks each case in the shipped configuration, whole and byte by byte.
void expect_found(std::span<const FoundCase> cases);

} // namespace testing_support

#endif
