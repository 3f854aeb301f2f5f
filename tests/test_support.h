// Shared helpers of the test binary: hand-built languages, and running code
// or commands in a child process with its output streams captured (fatal
// paths end the process, and configurations are loaded once per process).
#ifndef TOVRIN_TEST_SUPPORT_H
#define TOVRIN_TEST_SUPPORT_H

#include <functional>
#include <string>

#include "tovrin.h"

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

// Paths of the built programs and the source tree.
std::string binary_dir();
std::string source_dir();

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

} // namespace testing_support

#endif
