// Sources written in TeX and Markdown (tovrin_reader_new_source,
// tovrin_linter_new_source): the prose is read as typeset, markup is read
// through, and every citation can be marked without cutting a group.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using testing_support::linted;

tovrin::Language cz() {
    static const tovrin::Config config;
    return config.language("cz");
}

// `text` with each citation found marked as tovrin scan --format tex marks
// it, read in blocks of `size` bytes.
std::string marked(std::string_view text, int source, std::size_t size) {
    tovrin::Options o;
    o.source = source;
    tovrin::Reader reader(cz(), o);
    std::vector<tovrin::Citation> found;
    for (std::size_t at = 0; at < text.size(); at += size)
        reader.feed(text.substr(at, size), found);
    reader.finish(found);
    std::string out;
    long long done = 0;
    for (const tovrin::Citation &c : found) {
        EXPECT_EQ(text.substr(static_cast<std::size_t>(c.offset),
                              static_cast<std::size_t>(c.length)),
                  c.text);
        out.append(text.substr(static_cast<std::size_t>(done),
                               static_cast<std::size_t>(c.offset - done)));
        out += "\\bibleref{" + c.text + "}";
        done = c.offset + c.length;
    }
    return out.append(text.substr(static_cast<std::size_t>(done)));
}

struct Case {
    const char *text, *want;
};

// Every case is in the fixture that tests/e2e.sh typesets after marking.
const Case kTexCases[] = {
    // Font commands around a book name or a part of a citation.
    {"Viz \\emph{Mt} 5,3.", "Viz \\bibleref{\\emph{Mt} 5,3}."},
    {"Viz \\textit{J} 3,16.", "Viz \\bibleref{\\textit{J} 3,16}."},
    {"Viz \\textbf{\\emph{Gn}} 1,1.", "Viz \\bibleref{\\textbf{\\emph{Gn}} 1,1}."},
    {"Viz {\\it \xc5\x98} 8,28.", "Viz \\bibleref{{\\it \xc5\x98} 8,28}."},
    {"Viz Mt \\emph{5,3}.", "Viz \\bibleref{Mt \\emph{5,3}}."},
    // A group that holds more than the citation stays outside the mark.
    {"Viz \\emph{Mt 5,3}.", "Viz \\emph{\\bibleref{Mt 5,3}}."},
    {"{\\it Mt 9,1 a d\xc3\xa1le} a Mk 1,1.",
     "{\\it \\bibleref{Mt 9,1} a d\xc3\xa1le} a \\bibleref{Mk 1,1}."},
    {"Pozn.\\footnote{Srov. Gn 3,1.}", "Pozn.\\footnote{Srov. \\bibleref{Gn 3,1}.}"},
    // A citation that begins inside a group and ends outside it: unmarked.
    {"\\emph{srov. Mt} 11,1.", "\\emph{srov. Mt} 11,1."},
    // Ties and TeX's spaces.
    {"Viz L~6,20\\,n.", "Viz \\bibleref{L~6,20\\,n}."},
    {"Viz Mt\\nobreakspace{}5,3 a J\\ 3,16 a Gn\\,1,1.",
     "Viz \\bibleref{Mt\\nobreakspace{}5,3} a \\bibleref{J\\ 3,16} a \\bibleref{Gn\\,1,1}."},
    {"Viz 1~K 13,4--7.", "Viz \\bibleref{1~K 13,4--7}."},
    // What is not prose.
    {"Mk 1,1 % Mt 5,7\nMk 1,2", "\\bibleref{Mk 1,1} % Mt 5,7\n\\bibleref{Mk 1,2}"},
    {"100\\% Mk 1,1.", "100\\% \\bibleref{Mk 1,1}."},
    {"\\verb|Mt 6,1| a \\verb*+J 3,1+ a Mk 1,1.", "\\verb|Mt 6,1| a \\verb*+J 3,1+ a \\bibleref{Mk 1,1}."},
    {"\\cite[Mt 5,8]{Mt 5,9} a \\label{J 3,1} a \\ref{Gn 2,1} a Mk 1,1.",
     "\\cite[Mt 5,8]{Mt 5,9} a \\label{J 3,1} a \\ref{Gn 2,1} a \\bibleref{Mk 1,1}."},
    {"\\href{J 4,1}{J 4,2} a \\url{Mt 7,1}.", "\\href{J 4,1}{\\bibleref{J 4,2}} a \\url{Mt 7,1}."},
    {"\\bibleref{Mt 12,1}-3 a Mk 1,1.", "\\bibleref{Mt 12,1}-3 a \\bibleref{Mk 1,1}."},
    {"\\input{Mt 13,1}\\include{Mt 14,1} Mk 1,1.", "\\input{Mt 13,1}\\include{Mt 14,1} \\bibleref{Mk 1,1}."},
    {"\\begin{verbatim}\nMt 8,1\n\\end{verbatim}\nMk 1,1",
     "\\begin{verbatim}\nMt 8,1\n\\end{verbatim}\n\\bibleref{Mk 1,1}"},
    {"\\begin{comment}\nMt 8,1 \\end{verbati\n\\end{comment}\nMk 1,1",
     "\\begin{comment}\nMt 8,1 \\end{verbati\n\\end{comment}\n\\bibleref{Mk 1,1}"},
};

const Case kMarkdownCases[] = {
    // Emphasis and the text of a link are read through.
    {"Viz *Mt* 5,3 a **J** 3,16 a _Gn_ 1,1.",
     "Viz \\bibleref{*Mt* 5,3} a \\bibleref{**J** 3,16} a \\bibleref{_Gn_ 1,1}."},
    {"Viz *Mt 5,3 a d\xc3\xa1le*.", "Viz *\\bibleref{Mt 5,3} a d\xc3\xa1le*."},
    {"Viz [Gn 1,1](http://x.cz/Mt 7,1).", "Viz [\\bibleref{Gn 1,1}](http://x.cz/Mt 7,1)."},
    {"Viz \\*Mk 1,1.", "Viz \\*\\bibleref{Mk 1,1}."},
    {"Viz Mt&nbsp;5,3.", "Viz \\bibleref{Mt&nbsp;5,3}."},
    // What is not prose.
    {"`Mt 6,1` a ``J `3,1` `` a Mk 1,1.", "`Mt 6,1` a ``J `3,1` `` a \\bibleref{Mk 1,1}."},
    {"<http://Mt.cz/8,1> a <!-- Mt 9,1 --> a Mk 1,1.",
     "<http://Mt.cz/8,1> a <!-- Mt 9,1 --> a \\bibleref{Mk 1,1}."},
    {"```\nMt 11,1\n```\n~~~~ py\nMt 12,1\n~~~~\nMk 1,1",
     "```\nMt 11,1\n```\n~~~~ py\nMt 12,1\n~~~~\n\\bibleref{Mk 1,1}"},
    {"Text:\n\n    J 5,1\n\n    Mt 1,1\nMk 1,1", "Text:\n\n    J 5,1\n\n    Mt 1,1\n\\bibleref{Mk 1,1}"},
    // An indented line inside a paragraph is prose; a code span ends with
    // its paragraph.
    {"Text\n    Mk 1,1", "Text\n    \\bibleref{Mk 1,1}"},
    {"`Mt 6,1\n\nMk 1,1", "`Mt 6,1\n\n\\bibleref{Mk 1,1}"},
};

template <std::size_t N> void expect_all(const Case (&cases)[N], int source) {
    for (const Case &c : cases)
        for (std::size_t size : {1, 2, 5, 4096})
            EXPECT_EQ(marked(c.text, source, size), c.want) << c.text << " in blocks of " << size;
}

TEST(Sources, TexIsReadAsTypesetAndMarkedInWholeGroups) {
    expect_all(kTexCases, TOVRIN_SOURCE_TEX);
}

TEST(Sources, MarkdownIsReadAsRendered) { expect_all(kMarkdownCases, TOVRIN_SOURCE_MARKDOWN); }

TEST(Sources, TheFixtureThatIsTypesetHoldsEveryTexCase) {
    std::ifstream in(TOVRIN_SOURCE_DIR "/tests/fixtures/sources-cz.tex");
    std::stringstream fixture;
    fixture << in.rdbuf();
    ASSERT_FALSE(fixture.str().empty());
    for (const Case &c : kTexCases)
        EXPECT_NE(fixture.str().find(c.text), std::string::npos) << c.text;
}

// The exact reading and plain text read the bytes as they are.
TEST(Sources, TextAndTheExactReadingReadMarkupAsText) {
    const std::string text = "% Mt 5,7\n\\emph{Mt} 5,3 a `J 3,16`";
    for (int source : {TOVRIN_SOURCE_TEXT, TOVRIN_SOURCE_TEX, TOVRIN_SOURCE_MARKDOWN}) {
        tovrin::Options exact;
        exact.exact = true;
        exact.source = source;
        std::vector<std::string> got;
        for (const tovrin::Citation &c : cz().scan(text, exact))
            got.push_back(c.text);
        EXPECT_EQ(got, (std::vector<std::string>{"Mt 5,7", "J 3,16"})) << source;
    }
    EXPECT_EQ(marked(text, TOVRIN_SOURCE_TEXT, 4096),
              "% \\bibleref{Mt 5,7}\n\\emph{Mt} 5,3 a `\\bibleref{J 3,16}`");
}

TEST(Sources, TheExtensionNamesTheSource) {
    const struct {
        const char *name;
        int source;
    } cases[] = {{"kap.tex", TOVRIN_SOURCE_TEX},     {"a/b.ltx", TOVRIN_SOURCE_TEX},
                 {"README.md", TOVRIN_SOURCE_MARKDOWN}, {"x.markdown", TOVRIN_SOURCE_MARKDOWN},
                 {"x.txt", TOVRIN_SOURCE_TEXT},      {"tex", TOVRIN_SOURCE_TEXT},
                 {"a.md/b", TOVRIN_SOURCE_TEXT},     {nullptr, TOVRIN_SOURCE_TEXT}};
    for (const auto &c : cases)
        EXPECT_EQ(tovrin_source_of_name(c.name), c.source) << (c.name ? c.name : "NULL");
}

// A citation that cuts a group is reported where it begins, in text order
// with the other reports; one marked whole is not, and the places are those
// of the original.
TEST(Sources, TheLinterReportsACitationThatCutsAGroup) {
    const std::string text = "Viz \\emph{Mt} 5,3.\n% Mt 29,1\nA Mt 29,2 a \\emph{srov. Mt} 11,1 a\n"
                             "\\emph{Mt} 29,1.";
    EXPECT_EQ(linted(cz().get(), text, text.size(), TOVRIN_SOURCE_TEX),
              "3:3 no chapter 29 in Mt (it has 28)\n"
                   "3:25 'Mt} 11,1' cuts a TeX group: it is not marked\n"
                   "4:1 no chapter 29 in Mt (it has 28)\n");
}

// Stretches that are not read, never closed, and runs of markup are
// decided as they come: the reader keeps bounded memory and hands out the
// text before the end, in linear time.
TEST(Sources, LongStretchesAreDecidedAsTheyGo) {
    const struct {
        int source;
        std::string opening, line;
        bool closed; // by the end of the line or paragraph after it
    } cases[] = {
        {TOVRIN_SOURCE_TEX, "\\begin{verbatim}\n", "Mt 5,3 a J 3,16\n", false},
        {TOVRIN_SOURCE_TEX, "% ", "Mt 5,3 a J 3,16 ", true},
        {TOVRIN_SOURCE_TEX, "\\cite{", "Mt 5,3 {a} J 3,16\n", false},
        {TOVRIN_SOURCE_TEX, "", "{{{{\\emph{", true},
        {TOVRIN_SOURCE_MARKDOWN, "```\n", "Mt 5,3 a J 3,16\n", false},
        {TOVRIN_SOURCE_MARKDOWN, "<!-- ", "Mt 5,3 a J 3,16 --\n", false},
        {TOVRIN_SOURCE_MARKDOWN, "", "**__**[[", true},
    };
    for (const auto &c : cases) {
        tovrin::Options o;
        o.source = c.source;
        tovrin::Reader reader(cz(), o);
        std::vector<tovrin::Citation> found;
        reader.feed("Mk 1,1\n\n" + c.opening, found);
        std::string block;
        while (block.size() < 1 << 16)
            block += c.line;
        const long long fed = 64 * static_cast<long long>(block.size());
        for (int k = 0; k < 64; ++k)
            reader.feed(block, found);
        EXPECT_GT(reader.decided(), fed - (1 << 18)) << c.opening << c.line;
        reader.feed("\n\nMk 1,2", found);
        reader.finish(found);
        std::vector<std::string> got;
        for (const tovrin::Citation &f : found)
            got.push_back(f.read);
        const std::vector<std::string> want =
            c.closed ? std::vector<std::string>{"Mk 1,1", "Mk 1,2"}
                     : std::vector<std::string>{"Mk 1,1"};
        EXPECT_EQ(got, want) << c.opening << c.line;
    }
}

// What a reader of `source` hands out for `text` fed in blocks of `size`
// bytes: the text between citations as "t:..." and each citation as
// "c:OFFSET:TEXT=READ"; then what a linter reports, as "l:OFFSET MESSAGE".
std::vector<std::string> handed_out(const std::string &text, int source, std::size_t size) {
    std::vector<std::string> out, reports;
    const tovrin_handler h{[](const tovrin_citation *c, void *o) {
                               static_cast<std::vector<std::string> *>(o)->push_back(
                                   "c:" + std::to_string(c->offset) + ":" +
                                   std::string(c->text, static_cast<std::size_t>(c->length)) +
                                   "=" + c->read);
                           },
                           [](const char *t, size_t n, void *o) {
                               auto &v = *static_cast<std::vector<std::string> *>(o);
                               if (v.empty() || v.back().rfind("t:", 0) != 0)
                                   v.push_back("t:");
                               v.back().append(t, n);
                           },
                           &out};
    const tovrin_problem_handler p{[](const tovrin_lint_problem *problem, void *o) {
                                       static_cast<std::vector<std::string> *>(o)->push_back(
                                           "l:" + std::to_string(problem->offset) + " " +
                                           problem->message);
                                   },
                                   &reports};
    tovrin_reader *r = tovrin_reader_new_source(cz().get(), nullptr, source);
    tovrin_linter *t = tovrin_linter_new_source(cz().get(), nullptr, source);
    for (std::size_t at = 0; at < text.size(); at += size) {
        const std::size_t n = std::min(size, text.size() - at);
        tovrin_reader_feed(r, text.data() + at, n, &h);
        tovrin_linter_feed(t, text.data() + at, n, &p);
    }
    tovrin_reader_finish(r, &h);
    tovrin_linter_finish(t, &p);
    tovrin_reader_free(r);
    tovrin_linter_free(t);
    out.insert(out.end(), reports.begin(), reports.end());
    return out;
}

// Texts strung together from the pieces that the stage reads in TeX and
// Markdown: whatever the blocks, the same citations and reports, and the
// text and the citations make up the input.
TEST(Sources, AnyTextIsReadAlikeInAnyBlocks) {
    static const char *const pieces[] = {
        "Mt 5,3", "J 3,16", " ", "\n", "\n\n", "a", "\\emph{", "{\\it ", "{", "}", "%",
        "\\%", "\\verb|", "|", "\\cite[", "]", "\\label{", "\\begin{verbatim}",
        "\\end{verbatim}", "\\,", "~", "\\", "\\nobreakspace", "-", "--", "*", "_", "**",
        "[", "](", ")", "`", "```", "    ", "<!--", "-->", "<http://x>", "&nbsp;", "n", "5,"};
    std::mt19937 random(29);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    for (int k = 0; k < 300; ++k) {
        std::string text;
        for (int p = 0; p < 40; ++p)
            text += pieces[piece(random)];
        for (int source : {TOVRIN_SOURCE_TEX, TOVRIN_SOURCE_MARKDOWN}) {
            const std::vector<std::string> whole = handed_out(text, source, text.size());
            std::string joined;
            for (const std::string &part : whole)
                if (part.rfind("t:", 0) == 0)
                    joined += part.substr(2);
                else if (part.rfind("c:", 0) == 0)
                    joined += part.substr(part.find(':', 2) + 1, part.rfind('=') - part.find(':', 2) - 1);
            EXPECT_EQ(joined, text) << source;
            for (std::size_t size : {1, 3, 7})
                EXPECT_EQ(handed_out(text, source, size), whole) << source << " " << size << "\n" << text;
        }
    }
}

} // namespace
