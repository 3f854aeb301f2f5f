#include "document_fixtures.h"

#include <zip.h>

#include <cstdio>
#include <stdexcept>

namespace fixtures {

std::string zip(const Entries &entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr)
        throw std::runtime_error("zip_source_buffer_create failed");
    zip_source_keep(buffer); // it outlives the archive: the bytes are read from it
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        throw std::runtime_error("zip_open_from_source failed");
    for (const auto &[name, content] : entries) {
        zip_source_t *s = zip_source_buffer(archive, content.data(), content.size(), 0);
        if (s == nullptr || zip_file_add(archive, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0)
            throw std::runtime_error("zip_file_add failed: " + name);
    }
    if (zip_close(archive) < 0)
        throw std::runtime_error("zip_close failed");
    std::string bytes;
    if (zip_source_open(buffer) == 0) {
        char chunk[4096];
        zip_int64_t n;
        while ((n = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
            bytes.append(chunk, static_cast<std::size_t>(n));
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    return bytes;
}

namespace {

const char kW[] = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string notes_part(const char *root, const std::string &notes) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:") +
           root + " " + kW + ">" + notes + "</w:" + root + ">";
}

// A Word paragraph of plain runs.
std::string wp(const std::string &runs) { return "<w:p>" + runs + "</w:p>"; }
std::string wr(const std::string &text) {
    return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}
std::string wcell(const std::string &text) { return "<w:tc>" + wp(wr(text)) + "</w:tc>"; }

std::string tp(const std::string &inner) { return "<text:p>" + inner + "</text:p>"; }

} // namespace

std::string docx(const std::string &body, const std::string &footnotes,
                 const std::string &endnotes) {
    Entries e = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"word/document.xml",
         std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") +
             "<w:document " + kW + "><w:body>" + body + "</w:body></w:document>"},
    };
    if (!footnotes.empty())
        e.push_back({"word/footnotes.xml", notes_part("footnotes", footnotes)});
    if (!endnotes.empty())
        e.push_back({"word/endnotes.xml", notes_part("endnotes", endnotes)});
    return zip(e);
}

std::string odt(const std::string &text) {
    return zip({
        {"mimetype", "application/vnd.oasis.opendocument.text"},
        {"content.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "office:version=\"1.3\"><office:body><office:text>" +
             text + "</office:text></office:body></office:document-content>"},
    });
}

std::string sermon_docx() {
    const std::string body =
        wp(wr("Blahoslavení chudí (") + "<w:r><w:rPr><w:i/></w:rPr><w:t>Mt</w:t></w:r>" +
           wr(" 5,3-12).") + "<w:r><w:footnoteReference w:id=\"2\"/></w:r>") +
        "<w:tbl><w:tblPr/><w:tr>" + wcell("Ř 8,28") + wcell("též Zl 3,4 a Mt 5,7-3") +
        "</w:tr></w:tbl>" +
        wp(wr("Konec, Ř 8,28.") + "<w:r><w:endnoteReference w:id=\"1\"/></w:r>") +
        "<w:sectPr/>";
    // Word's separator notes come first and are never referred to.
    const std::string footnotes =
        "<w:footnote w:type=\"separator\" w:id=\"-1\">" + wp(wr("----")) + "</w:footnote>" +
        "<w:footnote w:id=\"2\">" + wp("<w:r><w:footnoteRef/></w:r>" + wr("Srv. L 6,20n.")) +
        "</w:footnote>";
    const std::string endnotes = "<w:endnote w:id=\"1\">" + wp(wr("Gn 1,1")) + "</w:endnote>";
    return docx(body, footnotes, endnotes);
}

std::string sermon_odt() {
    return odt(
        tp("Blahoslavení chudí (<text:span text:style-name=\"T1\">Mt</text:span> 5,3-12)."
           "<text:note text:id=\"ftn1\" text:note-class=\"footnote\">"
           "<text:note-citation>1</text:note-citation><text:note-body>" +
           tp("Srv. L 6,20n.") + "</text:note-body></text:note>") +
        "<table:table><table:table-column/><table:table-row><table:table-cell>" +
        tp("Ř 8,28") + "</table:table-cell><table:table-cell>" +
        tp("též Zl 3,4 a Mt<text:s/>5,7-3") + "</table:table-cell></table:table-row></table:table>" +
        tp("Konec, Ř 8,28.<text:note text:note-class=\"endnote\"><text:note-citation>i"
           "</text:note-citation><text:note-body>" +
           tp("Gn 1,1") + "</text:note-body></text:note>"));
}

} // namespace fixtures
