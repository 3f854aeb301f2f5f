// The scan of the text commands (scan, lint, index, grep) and of tovrin
// serve: the library's reader (tovrin_reader_*) over a file in blocks. The
// consumer gets the text between citations as written, in runs, and every
// citation with its record, in order: text and citations together are the
// file, and every program finds the same citations in it. A consumer that
// judges the text itself (lint, through the library's linter) gets the
// whole text as runs.
#ifndef TOVRIN_TOOLS_TEXTSCAN_H
#define TOVRIN_TOOLS_TEXTSCAN_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "document.h"
#include "tovrin.h"

namespace cli {

// Where the text commands write: standard output, or the buffer of a
// piece of text scanned in a thread of its own (tovrin scan -j).
inline thread_local FILE *output = stdout;
// Where scan_files() reports files it cannot read: standard error, or the
// messages of a piece scanned in a thread of its own, written in order later.
inline thread_local std::string *error_output = nullptr;

// Sigla that are not books, named on the command line (--sigla), for every
// text the commands read.
inline std::string given_sigla;

// What every text the commands read is written in (--input), as
// TOVRIN_SOURCE_...; kSourceByName: each file's by its extension.
inline constexpr int kSourceByName = -1;
inline int given_source = kSourceByName;
// What the text `file` ("-": standard input) is written in.
int source_for(const std::string &file);

// The sigla an author names for the text `file` ("-": standard input):
// given_sigla and the words of the file kSiglaFile in its directory (the
// current one for standard input), if there is one.
inline constexpr const char *kSiglaFile = "tovrin-sigla.txt";
std::string sigla_for(const std::string &file);

inline void write_bytes(std::string_view s) { fwrite_unlocked(s.data(), 1, s.size(), output); }

// Where a byte of a file is.
struct Place {
    long long offset = 0; // from 0
    long line = 1;        // from 1
    long column = 1;      // from 1, in characters (UTF-8 code points)
};

struct Citation {
    std::string text;       // the original bytes, without trailing spaces
    std::string normalized; // what the scanner read, without trailing spaces
    Place at;
    // The library's record (canonical form, OSIS, units), borrowed for the
    // call; null in lint's scan.
    const tovrin_citation *record = nullptr;
};

// The place of `at` in a text (`document` null: line and column) or in a
// document (its offset), as Consumer::where() gives it.
std::string where(const doc::Document *document, const Place &at, bool column = true);

// Receives the scan of one file in order: the text between citations and
// whole citations.
class Consumer {
public:
    virtual ~Consumer() = default;
    virtual void begin_file(const std::string &) {}
    // The parts of the records the consumer never reads
    // (TOVRIN_WITHOUT_...): they cost time.
    virtual unsigned without() const { return 0; }
    // Whether the consumer wants the citations found; one that does not
    // (lint, which judges the text itself) gets the whole text as runs.
    virtual bool reads_citations() const { return true; }
    // A run of the text between citations as written, whose first byte is
    // at `offset` of the file.
    virtual void text(std::string_view, long long /*offset*/) {}
    virtual void citation(const Citation &c) = 0;
    virtual void end_file() {}
    // The start of a piece of a file that is scanned in pieces (not its
    // first), at `start`; and the end of one (not its last).
    virtual void begin_piece(const std::string & /*name*/, const Place & /*start*/) {}
    virtual void end_piece() {}

    // The file being scanned.
    const std::string &file() const { return scanned_file_; }
    // The place of `at` as the author finds it: LINE:COLUMN in a text;
    // PARAGRAPH:COLUMN, "footnote N:COLUMN" or "endnote N:COLUMN" (columns
    // in characters) in a document (.docx, .odt). Without the column when
    // `column` is false.
    std::string where(const Place &at, bool column = true) const;
    // The same place as JSON members: "line":L,"column":C in a text;
    // "paragraph":P (or "footnote":N, "endnote":N),"column":C in a document.
    std::string json_where(const Place &at) const;

private:
    friend class Scan;
    std::string scanned_file_;
    const doc::Document *scanned_document_ = nullptr; // null for a text
};

// The reading of scan, index and grep: the library's defaults (typographic
// forms, phrases, citations that exist in the language's numbering
// systems), or with --exact what the stream scanner (dorvi) finds.
tovrin_options text_options(bool exact);

// Scans files in the language `l` and hands what it finds to `consumer`.
class Scan {
public:
    // The library's reader with `options`.
    Scan(LANG *l, const tovrin_options &options, Consumer &consumer);

    // Scans `f`, the file `name`; `document` is what it holds when the file
    // is a document, whose text `f` reads.
    void run(FILE *f, const std::string &name, const doc::Document *document = nullptr);

    // A part of a file that begins after a paragraph break (which no
    // citation crosses), at place `start`; the first part begins the file
    // for the consumer, the last one ends it.
    struct Piece {
        Place start;
        bool first = true, last = true;
    };
    void run_piece(FILE *f, const std::string &name, const Piece &piece);

private:
    void read(FILE *f);
    static void on_text(const char *text, std::size_t len, void *scan);
    static void on_citation(const tovrin_citation *c, void *scan);
    Place place_of(const tovrin_citation &c) const;

    LANG *l_;
    tovrin_options options_;
    std::string sigla_; // of the file being read
    int source_ = TOVRIN_SOURCE_TEXT; // what it is written in
    Consumer &consumer_;
    Place start_;          // of the piece being read
    long long handed_ = 0; // its bytes handed to the consumer
};

// Runs `scan` over `files` (standard input when there are none, or for
// "-"); .docx and .odt files are read as documents (document.h). A file
// that cannot be opened or read, or a document that is not valid, is
// reported and the others still run; the result is kError then, else 0.
int scan_files(const std::vector<std::string> &files, Scan &scan);

// Reports that file `name` cannot be read, and `why`, where scan_files()
// reports it.
void report_unreadable(const std::string &name, const std::string &why);

} // namespace cli

#endif
