// The document reader (tools/document.cpp): the text and places of .docx
// and .odt files built here from XML, and the refusal of files that are
// no documents or would read without bound.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "document.h"
#include "document_fixtures.h"
#include "test_support.h"

namespace {

doc::Document read_ok(const std::string &bytes, doc::Format format) {
    auto r = doc::read_document(bytes, format);
    if (auto *e = std::get_if<doc::Error>(&r))
        ADD_FAILURE() << "refused: " << e->message;
    return std::holds_alternative<doc::Document>(r) ? std::get<doc::Document>(r) : doc::Document{};
}

std::string refusal(const std::string &bytes, doc::Format format) {
    auto r = doc::read_document(bytes, format);
    return std::holds_alternative<doc::Error>(r) ? std::get<doc::Error>(r).message : "(read)";
}

// The place of the first occurrence of `needle` after `from`, as text.
std::string place_of(const doc::Document &d, const std::string &needle, std::size_t from = 0) {
    const auto at = d.text().find(needle, from);
    return at == std::string::npos ? "(not found)" : doc::place_text(d.place(at));
}

TEST(DocumentFormat, ByExtensionInAnyCase) {
    EXPECT_EQ(doc::format_of("a.docx"), doc::Format::docx);
    EXPECT_EQ(doc::format_of("dir.v2/KAZANI.DOCX"), doc::Format::docx);
    EXPECT_EQ(doc::format_of("a.Odt"), doc::Format::odt);
    EXPECT_EQ(doc::format_of("a.tex"), doc::Format::text);
    EXPECT_EQ(doc::format_of("docx"), doc::Format::text);
}

// Both formats give the same text: runs joined, each paragraph (table
// cells included) one line, a footnote after its paragraph, endnotes at
// the end, and every citation at its place.
TEST(DocumentReader, SermonInBothFormats) {
    const std::string want = "Blahoslavení chudí (Mt 5,3-12).\n\n"
                             "Srv. L 6,20n.\n\n"
                             "Ř 8,28\n\n"
                             "též Zl 3,4 a Mt 5,7-3\n\n"
                             "Konec, Ř 8,28.\n\n"
                             "Gn 1,1";
    for (const auto &[name, bytes, format] :
         {std::tuple{"docx", fixtures::sermon_docx(), doc::Format::docx},
          std::tuple{"odt", fixtures::sermon_odt(), doc::Format::odt}}) {
        SCOPED_TRACE(name);
        const doc::Document d = read_ok(bytes, format);
        EXPECT_EQ(d.text(), want);
        EXPECT_EQ(place_of(d, "Mt 5,3"), "1:21"); // columns count characters
        EXPECT_EQ(place_of(d, "L 6,20n"), "footnote 1:6");
        EXPECT_EQ(place_of(d, "Ř 8,28"), "2:1");
        EXPECT_EQ(place_of(d, "Zl"), "3:5");
        EXPECT_EQ(place_of(d, "Mt 5,7"), "3:14");
        EXPECT_EQ(place_of(d, "Ř 8,28", d.text().find("Konec")), "4:8");
        EXPECT_EQ(place_of(d, "Gn"), "endnote 1:1");
    }
}

// What is not text of a paragraph stays out; what is, in its form.
TEST(DocumentReader, WordRunContents) {
    const std::string body =
        "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
        "<w:r><w:t>A</w:t><w:tab/><w:t>B</w:t><w:br/><w:t>C</w:t><w:noBreakHyphen/></w:r>"
        "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>"
        "<w:ins><w:r><w:t>new</w:t></w:r></w:ins>"
        "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
        "<w:r><w:instrText> PAGE </w:instrText></w:r>"
        "<w:sdt><w:sdtContent><w:r><w:t>D</w:t></w:r></w:sdtContent></w:sdt>"
        "<w:r><mc:AlternateContent xmlns:mc=\"m\"><mc:Choice><w:drawing><w:txbxContent>"
        "<w:p><w:r><w:t>box</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice>"
        "<mc:Fallback><w:pict><w:txbxContent><w:p><w:r><w:t>box</w:t></w:r></w:p>"
        "</w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>"
        "<w:p/><w:p><w:r><w:t>E</w:t></w:r></w:p>";
    const doc::Document d = read_ok(fixtures::docx(body), doc::Format::docx);
    EXPECT_EQ(d.text(), "A\tB\nC-newD\n\nbox\n\n\n\nE");
    EXPECT_EQ(place_of(d, "box"), "2:1"); // the text box after its paragraph
    EXPECT_EQ(place_of(d, "E"), "4:1");   // empty paragraphs count
}

TEST(DocumentReader, OpenDocumentInlineContents) {
    const std::string text =
        "<text:h>Title</text:h>"
        "<text:list><text:list-item><text:p>one  two\n three<text:s text:c=\"3\"/>x"
        "<text:tab/>y<text:line-break/>z<office:annotation><text:p>comment</text:p>"
        "</office:annotation></text:p></text:list-item></text:list>"
        "<text:tracked-changes><text:changed-region><text:deletion><text:p>gone</text:p>"
        "</text:deletion></text:changed-region></text:tracked-changes>"
        "<text:p>\n   indented</text:p>"
        "<text:p><text:s text:c=\"1000000000\"/></text:p>";
    const doc::Document d = read_ok(fixtures::odt(text), doc::Format::odt);
    // A run of spaces is cut to 100: markup must not grow into megabytes.
    EXPECT_EQ(d.text(), "Title\n\none two three   x\ty\nz\n\nindented\n\n" + std::string(100, ' '));
}

// Files that are no documents, or would make the reader run without
// bound, end with a sentence that says why.
TEST(DocumentReader, HostileFilesRefused) {
    const std::string sermon = fixtures::sermon_docx();
    std::string deep;
    for (int k = 0; k < 300; ++k)
        deep += "<w:sdt>";
    for (int k = 0; k < 300; ++k)
        deep += "</w:sdt>";
    fixtures::Entries many;
    for (int k = 0; k <= 10000; ++k)
        many.push_back({"f" + std::to_string(k), ""});
    const struct {
        const char *what;
        std::string bytes;
        doc::Format format;
        std::string message;
    } cases[] = {
        {"plain text", "Mt 5,3", doc::Format::docx,
         "not a valid document (not a complete zip archive: Not a zip archive)"},
        {"truncated", sermon.substr(0, sermon.size() / 2), doc::Format::docx,
         "not a valid document (not a complete zip archive: Not a zip archive)"},
        {"end cut off", sermon.substr(0, sermon.size() - 10), doc::Format::docx,
         "not a valid document (not a complete zip archive: Not a zip archive)"},
        {"empty", "", doc::Format::odt, "an empty file, not a document"},
        {"a zip bomb", fixtures::zip({{"word/document.xml", std::string(65u << 20, ' ')}}),
         doc::Format::docx, "more than 64 MiB of uncompressed XML (a zip bomb?)"},
        {"too many entries", fixtures::zip(many), doc::Format::docx,
         "the archive has more than 10000 entries"},
        {"no document part", fixtures::zip({{"word/other.xml", "<a/>"}}), doc::Format::docx,
         "no word/document.xml in the archive"},
        {"an odt read as docx", fixtures::sermon_odt(), doc::Format::docx,
         "no word/document.xml in the archive"},
        {"not XML", fixtures::zip({{"content.xml", "<office:document-content><p>"}}),
         doc::Format::odt, "content.xml is not well-formed XML (Start-end tags mismatch at byte 27)"},
        {"external entity",
         fixtures::zip({{"word/document.xml",
                         "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY x SYSTEM "
                         "\"file:///etc/passwd\">]><w:document><w:body><w:p><w:r><w:t>&x;"
                         "</w:t></w:r></w:p></w:body></w:document>"}}),
         doc::Format::docx,
         "word/document.xml has a document type declaration (DTDs and external entities are "
         "not accepted)"},
        {"deep nesting", fixtures::docx(deep), doc::Format::docx,
         "the XML is nested more than 200 levels deep"},
        {"no text body", fixtures::zip({{"content.xml", "<office:document-content/>"}}),
         doc::Format::odt, "content.xml holds no text document"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(refusal(c.bytes, c.format), c.message) << c.what;
}

// ---------------------------------------------------------------------
// The text commands on documents: the same sermon as .docx and .odt gives
// the same findings and places.

class DocumentCommands : public ::testing::Test {
protected:
    DocumentCommands() {
        work_.write("kazani.docx", fixtures::sermon_docx());
        work_.write("kazani.odt", fixtures::sermon_odt());
    }
    testing_support::Outcome tovrin(const std::string &args) const {
        return testing_support::run_command(testing_support::binary_dir() + "/tovrin --config '" +
                                                testing_support::source_dir() +
                                                "/data/bibl.ini' " + args,
                                            work_.path());
    }
    testing_support::TempDir work_;
};

TEST_F(DocumentCommands, LintIndexGrepAndJsonGivePlaces) {
    const struct {
        const char *args;
        int status;
        const char *out; // for kazani.docx; the .odt gives the same
    } cases[] = {
        {"lint", 1,
         "F:3:5: unknown book name 'Zl' in 'Zl 3,4' (did you mean 'Žl'?)\n"
         "F:3:14: reversed range in 'Mt 5,7-3'\n"},
        {"index", 0,
         "Gn 1,1\tF:endnote 1\n"
         "Mt 5,3-12\tF:1\n"
         "Mt 5,7\tF:3\n"
         "L 6,20-21\tF:footnote 1\n"
         "Ř 8,28\tF:2, F:4\n"},
        {"grep 'L 6'", 0, "F:footnote 1:Srv. L 6,20n.\n"},
        {"scan --format json", 0,
         "{\"file\":\"F\",\"paragraph\":1,\"column\":21,\"offset\":22,\"text\":\"Mt 5,3-12\","
         "\"canonical\":\"Mt 5,3-12\",\"osis\":\"Matt.5.3-Matt.5.12\",\"versification\":\"hebrew\"}\n"
         "{\"file\":\"F\",\"footnote\":1,\"column\":6,\"offset\":40,\"text\":\"L 6,20n\","
         "\"canonical\":\"L 6,20-21\",\"osis\":\"Luke.6.20-Luke.6.21\",\"versification\":\"hebrew\"}\n"
         "{\"file\":\"F\",\"paragraph\":2,\"column\":1,\"offset\":50,\"text\":\"Ř 8,28\","
         "\"canonical\":\"Ř 8,28\",\"osis\":\"Rom.8.28\",\"versification\":\"hebrew\"}\n"
         "{\"file\":\"F\",\"paragraph\":3,\"column\":14,\"offset\":74,\"text\":\"Mt 5,7\","
         "\"canonical\":\"Mt 5,7\",\"osis\":\"Matt.5.7\",\"versification\":\"hebrew\"}\n"
         "{\"file\":\"F\",\"paragraph\":4,\"column\":8,\"offset\":91,\"text\":\"Ř 8,28\","
         "\"canonical\":\"Ř 8,28\",\"osis\":\"Rom.8.28\",\"versification\":\"hebrew\"}\n"
         "{\"file\":\"F\",\"endnote\":1,\"column\":1,\"offset\":101,\"text\":\"Gn 1,1\","
         "\"canonical\":\"Gn 1,1\",\"osis\":\"Gen.1.1\",\"versification\":\"hebrew\"}\n"},
    };
    for (const auto &c : cases) {
        for (const std::string file : {"kazani.docx", "kazani.odt"}) {
            const auto o = tovrin(std::string(c.args) + " " + file);
            std::string want = c.out;
            for (auto at = want.find('F'); at != std::string::npos; at = want.find('F', at + 1))
                if (want[at + 1] == ':' || want[at + 1] == '"')
                    want.replace(at, 1, file);
            EXPECT_EQ(o.out, want) << c.args << " " << file;
            EXPECT_EQ(o.err, "") << c.args << " " << file;
            EXPECT_EQ(o.status, c.status) << c.args << " " << file;
        }
    }
}

// A document that cannot be read is reported on the error stream like a
// file that cannot be opened, and the other files are still read.
TEST_F(DocumentCommands, InvalidDocumentsReportedOthersRead) {
    const std::string sermon = fixtures::sermon_docx();
    work_.write("cut.docx", sermon.substr(0, sermon.size() / 2));
    work_.write("bomb.odt", fixtures::zip({{"content.xml", std::string(65u << 20, '<')}}));
    work_.write("xxe.docx", fixtures::zip({{"word/document.xml",
                                            "<!DOCTYPE w [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                            "<w:document>&x;</w:document>"}}));
    const auto o = tovrin("index cut.docx bomb.odt xxe.docx kazani.odt");
    EXPECT_EQ(o.err, "tovrin: cannot read 'cut.docx': not a valid document (not a complete zip "
                     "archive: Not a zip archive)\n"
                     "tovrin: cannot read 'bomb.odt': more than 64 MiB of uncompressed XML (a zip "
                     "bomb?)\n"
                     "tovrin: cannot read 'xxe.docx': word/document.xml has a document type "
                     "declaration (DTDs and external entities are not accepted)\n");
    EXPECT_NE(o.out.find("Gn 1,1\tkazani.odt:endnote 1\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.status, 2);
}

} // namespace
