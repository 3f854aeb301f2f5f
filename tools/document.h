// Word (.docx) and OpenDocument (.odt) files as text for the scanner.
//
// A document is a zip archive of XML parts. The reader takes the text of
// its body paragraphs (tables and text boxes included), footnotes and
// endnotes, in the order a reader meets them: a footnote right after the
// paragraph that refers to it, endnotes after the body. Each paragraph is
// one line of the text, and paragraphs are separated by an empty line, so
// that the scanner reads a line break inside a paragraph as a space but
// never joins two paragraphs. Formatting runs are joined without a gap:
// "Mt" in italics followed by " 5,3" upright is "Mt 5,3".
//
// Every paragraph keeps where it came from, so that an offset in the text
// can be given back as a place an author can find: the paragraph's number
// in the body (counted from 1 over every paragraph, empty ones and those
// in tables included), or the number of the footnote or endnote, and the
// column in characters.
//
// Hostile files are refused with a message, never read without bound: the
// archive may hold at most kMaxEntries entries, and the parts read may
// hold at most kMaxXmlBytes of uncompressed XML together (reading stops
// there, whatever the archive's directory claims). XML with a document
// type declaration (the way to external entities) is refused.
#ifndef TOVRIN_DOCUMENT_H
#define TOVRIN_DOCUMENT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace doc {

enum class Format { text, docx, odt };

// The format a file name stands for, by its extension (any case).
Format format_of(std::string_view name);

// The most a document file itself may hold, and what may be taken out of
// it: a document of a thousand pages holds a few MiB of XML.
constexpr std::size_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kMaxXmlBytes = 64u << 20;
constexpr std::size_t kMaxEntries = 10000;

enum class Part { body, footnote, endnote };

// A place in a document: paragraph or note number, column from 1 (in
// characters).
struct Place {
    Part part = Part::body;
    long number = 1;
    long column = 1;
};

// "12:5" for the body; "footnote 2:5", "endnote 1:3" for the notes.
std::string place_text(const Place &p);

class Document {
public:
    const std::string &text() const { return text_; }
    // The place of a byte offset into text().
    Place place(long long offset) const;

    // Building (the readers): paragraphs in reading order.
    void add_paragraph(Part part, long number, std::string_view text);

private:
    struct Paragraph {
        long long offset;
        Part part;
        long number;
    };
    std::string text_;
    std::vector<Paragraph> paragraphs_;
};

// Why a file could not be read, as a sentence for the user.
struct Error {
    std::string message;
};

// The text of a document held in `bytes` (the whole file).
std::variant<Document, Error> read_document(std::string_view bytes, Format format);

} // namespace doc

#endif
