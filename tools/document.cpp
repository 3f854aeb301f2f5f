// The document reader: zip archive (libzip) -> XML parts (pugixml) -> the
// text of the paragraphs with their places. See document.h for the shape
// of the text and the limits.
//
// Both formats are walked the same way: block elements (tables, rows,
// cells, lists, sections, content controls) are entered until a paragraph
// is met; a paragraph's text is the text of everything inside it, except
// what is no text of the paragraph: properties, deleted text, field codes,
// and notes and text boxes, whose paragraphs are read after it. Elements
// are matched by their local name, whatever prefix the file binds to the
// namespace.
#include "document.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <pugixml.hpp>

namespace doc {

Format format_of(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return Format::text;
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "docx" ? Format::docx : ext == "odt" ? Format::odt : Format::text;
}

std::string place_text(const Place &p) {
    const char *label = p.part == Part::footnote ? "footnote "
                        : p.part == Part::endnote ? "endnote "
                                                  : "";
    return label + std::to_string(p.number) + ":" + std::to_string(p.column);
}

void Document::add_paragraph(Part part, long number, std::string_view text) {
    if (!paragraphs_.empty())
        text_ += "\n\n";
    paragraphs_.push_back({static_cast<long long>(text_.size()), part, number});
    text_ += text;
}

Place Document::place(long long offset) const {
    auto after = std::upper_bound(
        paragraphs_.begin(), paragraphs_.end(), offset,
        [](long long off, const Paragraph &p) { return off < p.offset; });
    if (after == paragraphs_.begin())
        return Place{};
    const Paragraph &p = *(after - 1);
    long column = 1;
    const long long end = std::min<long long>(offset, static_cast<long long>(text_.size()));
    for (long long k = p.offset; k < end; ++k)
        column += (static_cast<unsigned char>(text_[k]) & 0xC0) != 0x80; // UTF-8 lead bytes
    return Place{p.part, p.number, column};
}

namespace {

// Ends the reading of a document with the message for the user.
struct Refused {
    std::string message;
};

[[noreturn]] void refuse(std::string message) { throw Refused{std::move(message)}; }

// Deeper nesting than any real document needs; the walk below is
// recursive, so a file of a million nested elements must stop here rather
// than overflow the stack.
constexpr int kMaxDepth = 200;

// A run of spaces in OpenDocument (<text:s text:c="N"/>) is cut to this:
// a few bytes of XML must not grow into megabytes of text.
constexpr long kMaxSpaceRun = 100;

// ---------------------------------------------------------------------
// The archive

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};

class Archive {
public:
    explicit Archive(std::string_view bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source != nullptr) {
            zip_.reset(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
            if (!zip_)
                zip_source_free(source);
        }
        if (!zip_) {
            std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            refuse("not a valid document (not a complete zip archive: " + why + ")");
        }
        zip_error_fini(&error);
        const zip_int64_t entries = zip_get_num_entries(zip_.get(), 0);
        if (entries < 0 || static_cast<std::size_t>(entries) > kMaxEntries)
            refuse("the archive has more than " + std::to_string(kMaxEntries) + " entries");
    }

    bool has(const char *name) const { return zip_name_locate(zip_.get(), name, 0) >= 0; }

    // The uncompressed bytes of entry `name`. Every entry read counts
    // against one budget; the sizes in the archive's directory are not
    // trusted.
    std::string read(const char *name) {
        const zip_int64_t index = zip_name_locate(zip_.get(), name, 0);
        if (index < 0)
            refuse(std::string("no ") + name + " in the archive");
        std::unique_ptr<zip_file_t, ZipFileCloser> file(
            zip_fopen_index(zip_.get(), static_cast<zip_uint64_t>(index), 0));
        if (!file)
            refuse(std::string("cannot read ") + name + ": " + zip_strerror(zip_.get()));
        std::string data;
        char buffer[1 << 16];
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
            if (n < 0)
                refuse(std::string(name) + " is damaged: " +
                       zip_error_strerror(zip_file_get_error(file.get())));
            if (n == 0)
                break;
            if (static_cast<std::size_t>(n) > budget_)
                refuse("more than " + std::to_string(kMaxXmlBytes >> 20) +
                       " MiB of uncompressed XML (a zip bomb?)");
            budget_ -= static_cast<std::size_t>(n);
            data.append(buffer, static_cast<std::size_t>(n));
        }
        return data;
    }

private:
    std::unique_ptr<zip_t, ZipCloser> zip_;
    std::size_t budget_ = kMaxXmlBytes;
};

// A parsed XML part. Document type declarations are kept by the parser
// only so that they can be refused.
class Xml {
public:
    Xml(const std::string &data, const char *name) {
        const pugi::xml_parse_result result = xml_.load_buffer(
            data.data(), data.size(), pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_doctype,
            pugi::encoding_utf8);
        if (!result)
            refuse(std::string(name) + " is not well-formed XML (" + result.description() +
                   " at byte " + std::to_string(result.offset) + ")");
        for (pugi::xml_node n : xml_.children())
            if (n.type() == pugi::node_doctype)
                refuse(std::string(name) +
                       " has a document type declaration (DTDs and external entities are "
                       "not accepted)");
    }
    pugi::xml_node root() const { return xml_.document_element(); }

private:
    pugi::xml_document xml_;
};

// The local name of an element: "w:p" -> "p".
std::string_view local(pugi::xml_node n) {
    std::string_view name = n.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The first descendant along a path of local names, or an empty node.
pugi::xml_node path(pugi::xml_node n, std::initializer_list<std::string_view> names) {
    for (std::string_view want : names) {
        pugi::xml_node found;
        for (pugi::xml_node c : n.children())
            if (c.type() == pugi::node_element && local(c) == want) {
                found = c;
                break;
            }
        n = found;
    }
    return n;
}

// The walk both formats share: block elements down to paragraphs, the
// paragraph being read, the paragraphs deferred until it ends, endnotes
// until the body ends, and the depth guard. A format says what its
// paragraphs are, which blocks hold no text, and how a paragraph's inline
// content reads.
class Walker {
public:
    virtual ~Walker() = default;

    // The document whose body is the content of `body`.
    Document read(pugi::xml_node body) {
        block(body, Part::body, 0);
        for (const Deferred &d : endnotes_at_end_)
            block(d.node, d.part, d.number);
        return std::move(document_);
    }

protected:
    // Content read apart from the paragraph it sits in: text boxes (body
    // paragraphs, numbered as they come), footnotes and endnotes.
    struct Deferred {
        pugi::xml_node node;
        Part part;
        long number;
    };

    struct Depth {
        explicit Depth(int &d) : d_(d) {
            if (++d_ > kMaxDepth)
                refuse("the XML is nested more than " + std::to_string(kMaxDepth) + " levels deep");
        }
        ~Depth() { --d_; }
        int &d_;
    };

    virtual bool is_paragraph(std::string_view name) const = 0;
    virtual bool is_textless_block(std::string_view name) const = 0;
    // Reads the inline content of `n`, in a paragraph of `part`, with
    // append(), defer(), footnote() and endnote().
    virtual void inline_text(pugi::xml_node n, Part part) = 0;

    void append(std::string_view s) {
        if (text_bytes_ + s.size() > kMaxXmlBytes)
            refuse("more than " + std::to_string(kMaxXmlBytes >> 20) + " MiB of text");
        text_bytes_ += s.size();
        line_ += s;
    }
    const std::string &line() const { return line_; }

    // A text box: its paragraphs follow the current one.
    void defer(pugi::xml_node n, Part part) { deferred_.push_back({n, part, 0}); }
    // Notes are numbered in the order the body refers to them, as both
    // programs number them by default; a footnote is read after its
    // paragraph, endnotes after the body.
    void footnote(pugi::xml_node n) { deferred_.push_back({n, Part::footnote, ++footnotes_}); }
    void endnote(pugi::xml_node n) { endnotes_at_end_.push_back({n, Part::endnote, ++endnotes_}); }

    int depth_ = 0;

private:
    void block(pugi::xml_node n, Part part, long number) {
        const Depth guard(depth_);
        for (pugi::xml_node c : n.children()) {
            if (c.type() != pugi::node_element)
                continue;
            const std::string_view name = local(c);
            if (is_paragraph(name))
                paragraph(c, part, number);
            else if (!is_textless_block(name))
                block(c, part, number);
        }
    }

    // Reads paragraph `p`, numbered `number` in `part` (body paragraphs
    // count on their own), then what was deferred in it.
    void paragraph(pugi::xml_node p, Part part, long number) {
        inline_text(p, part);
        if (part == Part::body)
            number = ++paragraphs_;
        document_.add_paragraph(part, number, line_);
        line_.clear();
        std::vector<Deferred> deferred;
        deferred.swap(deferred_);
        for (const Deferred &d : deferred)
            block(d.node, d.part, d.number);
    }

    Document document_;
    std::string line_;
    std::vector<Deferred> deferred_, endnotes_at_end_;
    long paragraphs_ = 0, footnotes_ = 0, endnotes_ = 0;
    std::size_t text_bytes_ = 0;
};

// Whether `name` is one of `names`.
template <std::size_t N>
bool one_of(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// ---------------------------------------------------------------------
// Word: word/document.xml, word/footnotes.xml, word/endnotes.xml

class DocxReader : public Walker {
public:
    explicit DocxReader(Archive &zip)
        : footnotes_(notes(zip, "word/footnotes.xml", "footnote")),
          endnotes_(notes(zip, "word/endnotes.xml", "endnote")) {}

private:
    // The notes of one part by their id, and the parsed part that holds them.
    struct Notes {
        std::unique_ptr<Xml> xml;
        std::map<std::string, pugi::xml_node> by_id;
    };

    static Notes notes(Archive &zip, const char *name, std::string_view kind) {
        Notes n;
        if (!zip.has(name))
            return n;
        n.xml = std::make_unique<Xml>(zip.read(name), name);
        for (pugi::xml_node c : n.xml->root().children())
            if (local(c) == kind)
                n.by_id[c.attribute("w:id").value()] = c;
        return n;
    }

    bool is_paragraph(std::string_view name) const override { return name == "p"; }
    bool is_textless_block(std::string_view name) const override {
        static constexpr std::string_view names[] = {"sectPr", "tblPr", "trPr", "tcPr"};
        return one_of(name, names);
    }

    void inline_text(pugi::xml_node n, Part part) override {
        const Depth guard(depth_);
        for (pugi::xml_node c : n.children()) {
            if (c.type() != pugi::node_element)
                continue;
            const std::string_view name = local(c);
            if (name == "t")
                append(c.child_value());
            else if (name == "tab")
                append("\t");
            else if (name == "br" || name == "cr")
                append("\n");
            else if (name == "noBreakHyphen")
                append("-");
            else if (name == "footnoteReference" && part == Part::body)
                refer(c, footnotes_, [this](pugi::xml_node note) { footnote(note); });
            else if (name == "endnoteReference" && part == Part::body)
                refer(c, endnotes_, [this](pugi::xml_node note) { endnote(note); });
            else if (name == "txbxContent")
                defer(c, part);
            else if (!skipped(name))
                inline_text(c, part);
        }
    }

    // Inside a paragraph, what is not its text: properties, deleted and
    // moved-away text, field codes, and the fallback copy of drawings
    // (whose text boxes the preferred copy holds as well).
    static bool skipped(std::string_view name) {
        static constexpr std::string_view names[] = {
            "pPr", "rPr", "del", "delText", "moveFrom", "instrText", "delInstrText",
            "fldData", "Fallback"};
        return one_of(name, names);
    }

    template <typename Read> static void refer(pugi::xml_node ref, const Notes &notes, Read read) {
        auto it = notes.by_id.find(ref.attribute("w:id").value());
        if (it != notes.by_id.end())
            read(it->second);
    }

    const Notes footnotes_, endnotes_;
};

// ---------------------------------------------------------------------
// OpenDocument: content.xml

class OdtReader : public Walker {
private:
    bool is_paragraph(std::string_view name) const override { return name == "p" || name == "h"; }
    // Deleted text of tracked changes lives in their own list.
    bool is_textless_block(std::string_view name) const override {
        return name == "tracked-changes";
    }

    void inline_text(pugi::xml_node n, Part part) override {
        const Depth guard(depth_);
        for (pugi::xml_node c : n.children()) {
            if (c.type() == pugi::node_pcdata) {
                collapsed(c.value());
                continue;
            }
            if (c.type() != pugi::node_element)
                continue;
            const std::string_view name = local(c);
            if (name == "s")
                append(std::string(std::clamp(c.attribute("text:c").as_int(1), 1,
                                              static_cast<int>(kMaxSpaceRun)),
                                   ' '));
            else if (name == "tab")
                append("\t");
            else if (name == "line-break")
                append("\n");
            else if (name == "note")
                note(c, part);
            else if (name == "text-box")
                defer(c, part);
            else if (name != "annotation")
                inline_text(c, part);
        }
    }

    // In OpenDocument text a run of white space is one space, and white
    // space that begins a paragraph is none (spaces meant are <text:s/>).
    void collapsed(std::string_view s) {
        for (char ch : s) {
            const bool space = ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
            if (!space)
                append(std::string_view(&ch, 1));
            else if (!line().empty() && line().back() != ' ')
                append(" ");
        }
    }

    void note(pugi::xml_node n, Part part) {
        if (part != Part::body)
            return;
        const pugi::xml_node body = path(n, {"note-body"});
        if (std::string_view(n.attribute("text:note-class").value()) == "endnote")
            endnote(body);
        else
            footnote(body);
    }
};

} // namespace

std::variant<Document, Error> read_document(std::string_view bytes, Format format) {
    try {
        // libzip reads no bytes at all as an archive without entries.
        if (bytes.empty())
            refuse("an empty file, not a document");
        if (bytes.size() > kMaxFileBytes)
            refuse("larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB");
        Archive zip(bytes);
        if (format == Format::docx) {
            const Xml main(zip.read("word/document.xml"), "word/document.xml");
            return DocxReader(zip).read(path(main.root(), {"body"}));
        }
        if (format != Format::odt)
            refuse("not a document format");
        const Xml content(zip.read("content.xml"), "content.xml");
        const pugi::xml_node text = path(content.root(), {"body", "text"});
        if (!text)
            refuse("content.xml holds no text document");
        return OdtReader().read(text);
    } catch (const Refused &r) {
        return Error{r.message};
    } catch (const std::bad_alloc &) {
        return Error{"out of memory"};
    }
}

} // namespace doc
