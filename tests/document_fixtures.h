// Word and OpenDocument files built by the tests from XML: zip archives
// written with libzip, the same library the reader uses, so that every
// fixture is an archive any office program would open.
#ifndef TOVRIN_DOCUMENT_FIXTURES_H
#define TOVRIN_DOCUMENT_FIXTURES_H

#include <string>
#include <utility>
#include <vector>

namespace fixtures {

// Entries of an archive: name and content, stored in this order.
using Entries = std::vector<std::pair<std::string, std::string>>;

// The bytes of a zip archive holding `entries` (deflated).
std::string zip(const Entries &entries);

// A .docx whose word/document.xml has `body` inside <w:body>, with
// footnotes and endnotes parts holding `footnotes` / `endnotes` (the
// <w:footnote>/<w:endnote> elements) when they are not empty.
std::string docx(const std::string &body, const std::string &footnotes = "",
                 const std::string &endnotes = "");

// An .odt whose content.xml has `text` inside <office:text>.
std::string odt(const std::string &text);

// The sermon of the document tests, as .docx and as .odt: the same text
// in both, Czech citations in
//   paragraph 1: "Mt" in italics, " 5,3-12" upright, a footnote mark;
//   footnote 1:  "Srv. L 6,20n."
//   paragraph 2, 3: a table of two cells, "Ř 8,28" and "též Zl 3,4 a Mt 5,7-3";
//   paragraph 4: "Konec, Ř 8,28." and an endnote "Gn 1,1".
std::string sermon_docx();
std::string sermon_odt();

} // namespace fixtures

#endif
