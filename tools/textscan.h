// The scan of the text commands (scan, lint, index, grep): the library's
// block scanner run over the normalised view of the text reader (reader.h),
// in blocks. The scanner finds exactly the citations of the stream scanner
// with the same options (tovrin_dorvis; dorvis_core without options) and
// says how far the text is decided; that far, every byte
// of the view goes to the consumer as text or as part of a citation, in
// order. The original bytes of each typographic form are queued as the
// reader hands it out and given back then: every consumer sees the original
// text, its citations and their places.
#ifndef TOVRIN_TOOLS_TEXTSCAN_H
#define TOVRIN_TOOLS_TEXTSCAN_H

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "escape.h"
#include "document.h"
#include "reader.h"
#include "tovrin.hpp"

namespace cli {

// Where the text commands write: standard output, or the buffer of a
// piece of text scanned in a thread of its own (tovrin scan -j).
inline thread_local FILE *output = stdout;
// Where scan_files() reports files it cannot read: standard error, or the
// messages of a piece scanned in a thread of its own, written in order later.
inline thread_local std::string *error_output = nullptr;

inline void write_bytes(const char *p, std::size_t n) {
    // Most pieces are one byte of text: putc is far cheaper than fwrite.
    if (n == 1) [[likely]]
        putc_unlocked(*p, output);
    else
        fwrite_unlocked(p, 1, n, output);
}
inline void write_bytes(const std::string &s) { write_bytes(s.data(), s.size()); }

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
};

// The place of `at` in a text (`document` null: line and column) or in a
// document (its offset), as Consumer::where() gives it.
std::string where(const doc::Document *document, const Place &at, bool column = true);

// Receives the scan of one file in order: ordinary text byte by byte and
// whole citations.
class Consumer {
public:
    virtual ~Consumer() = default;
    virtual void begin_file(const std::string &) {}
    // Whether text() and citation() read their places (line, column,
    // offset); counting them costs a little for every byte.
    virtual bool needs_places() const { return true; }
    // Whether text() writes the original bytes to standard output as they
    // are; the scan then writes them itself, saving a call per byte.
    virtual bool copies_text() const { return false; }
    virtual void text(char normalized, const Span &original, const Place &at) = 0;
    virtual void citation(const Citation &c) = 0;
    virtual void end_file() {}
    // The end of a piece of a file that is scanned in pieces (not its last).
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

// The scan options of scan, index and grep: citations that exist in the
// language's numbering systems, unless --exact asks for what the stream
// scanner (dorvi) finds.
inline unsigned scan_flags(bool exact) { return exact ? 0u : TOVRIN_SCAN_EXISTING; }

// Scans files in the language `l` with the block scanner's options `flags`
// and hands what it finds to `consumer`; `exact` reads the bytes without
// typographic forms.
class Scan {
public:
    Scan(LANG *l, bool exact, unsigned flags, Consumer &consumer)
        : l_(l), exact_(exact), flags_(flags), consumer_(consumer), places_(consumer.needs_places()),
          copies_text_(consumer.copies_text()) {}

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
    static constexpr std::size_t kBlock = 1 << 16;

    // Appends a block of the view to `pending`; false at the end of input.
    bool read_block(Reader &reader, std::string &pending);
    void remember_form(const Span &span);
    // Hands the view up to stream offset `decided` to the consumer: the
    // citations `spans`, the rest as text. `pending` holds the view from
    // consumed_ on.
    void hand_out(std::string &pending, std::vector<tovrin_span> &spans, long long decided);
    void text_until(const std::string &pending, long long base, long long end);
    void citation(const std::string &pending, long long base, long long length);
    bool next_is_form() const { return !forms_.empty() && forms_.front().first == consumed_; }
    Span take_span(char c);
    void advance(const Span &span);

    LANG *l_;
    bool exact_;
    unsigned flags_;
    Consumer &consumer_;
    const bool places_;
    const bool copies_text_;
    // The bytes handed to the scanner whose original bytes differ from
    // them (the typographic forms), by their count in the normalised view.
    std::deque<std::pair<long long, Span>> forms_;
    long long handed_ = 0, consumed_ = 0;
    Place place_;
    CharacterCounter characters_; // columns count characters
};

// Runs `scan` over `files` (standard input when there are none, or for
// "-"); .docx and .odt files are read as documents (document.h). A file
// that cannot be opened or read, or a document that is not valid, is
// reported and the others still run; the result is 1 then, else 0.
int scan_files(const std::vector<std::string> &files, Scan &scan);

} // namespace cli

#endif
