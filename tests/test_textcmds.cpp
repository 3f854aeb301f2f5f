// The text commands of the tovrin tool end to end: scan in every format,
// lint, index and grep, run as a process on small files, with the exact
// output. Most cases use a small ASCII language ("xx") so that every
// expected line can be worked out by hand; the Czech cases use the shipped
// configuration.
#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>

#include "test_support.h"

namespace {

using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

// The example language "xx": ; - . , + n . with letters a-z; book numbers
// 1 Gn, 2 Ex, 3 Mt, 4 Mk, 5 Lk, 6 Jn, 7 1 Jn, 8 Rom.
std::string config() { return testing_support::config_text(testing_support::example_lang()); }

// Two lines, four citations; "Jn 3,16.18" is two units.
const char kSermon[] = "See Mt 5,3-12 and (L 6,20n).\n"
                       "Also Jn 3,16.18; Gn 1,1-2,3\n";

std::string shipped_config() { return testing_support::source_dir() + "/data/bibl.ini"; }

class TextCmds : public ::testing::Test {
protected:
    TextCmds() : config_(conf_.write("bibl.ini", config())) {}

    // Runs `tovrin --config CONFIG --lang xx ARGS` in the work directory.
    Outcome xx(const std::string &args, const std::string &in = "") const {
        return run("--config '" + config_ + "' --lang xx " + args, in);
    }
    // Runs `tovrin --config <shipped> ARGS` (language cz by default).
    Outcome cz(const std::string &args, const std::string &in = "") const {
        return run("--config '" + shipped_config() + "' " + args, in);
    }
    Outcome run(const std::string &args, const std::string &in = "") const {
        return run_command(testing_support::binary_dir() + "/tovrin " + args, work_.path(), in);
    }
    std::string file(const std::string &name, const std::string &content) const {
        return work_.write(name, content);
    }

    TempDir conf_;
    TempDir work_;
    std::string config_;
};

void expect_success(const Outcome &o, const std::string &out, const std::string &what) {
    EXPECT_EQ(o.out, out) << what;
    EXPECT_EQ(o.err, "") << what;
    EXPECT_EQ(o.status, 0) << what;
}

// ---------------------------------------------------------------------
// Configuration and usage

TEST_F(TextCmds, ConfigurationLookup) {
    const std::string in = "Mt 5,3\n";
    // --config names the file.
    expect_success(xx("scan --format json", in),
                   "{\"file\":\"-\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Mt 5,3\",\"canonical\":\"Mt 5,3\",\"osis\":null}\n",
                   "--config");
    // Without it, bibl.ini in the current directory wins over the shipped one.
    file("bibl.ini", config());
    expect_success(run("scan --lang xx --format json", "Mat 5,3\n"),
                   "{\"file\":\"-\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Mat 5,3\",\"canonical\":\"Mt 5,3\",\"osis\":null}\n",
                   "./bibl.ini");
    Outcome o = run("scan --format json", in);
    EXPECT_EQ(o.err, "tovrin: unknown language 'cz' (languages: xx)\n"
                     "Try 'tovrin scan --help'.\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);

    // Without either, the configuration shipped next to the built program,
    // and the language cz, also by its ISO code cs.
    TempDir empty;
    for (const char *lang : {"", " --lang cs"}) {
        o = run_command(testing_support::binary_dir() + "/tovrin scan --format json" + lang,
                        empty.path(), "viz \xc5\x98 8,28n\n");
        EXPECT_EQ(o.out, "{\"file\":\"-\",\"line\":1,\"column\":5,\"offset\":4,"
                         "\"text\":\"\xc5\x98 8,28n\",\"canonical\":\"\xc5\x98 8,28-29\","
                         "\"osis\":\"Rom.8.28-Rom.8.29\",\"versification\":\"hebrew\"}\n")
            << lang;
        EXPECT_EQ(o.status, 0) << lang;
    }
    o = run_command(testing_support::binary_dir() + "/tovrin scan --lang zz", empty.path(), in);
    EXPECT_EQ(o.err, "tovrin: unknown language 'zz' (languages: cz, sk, en, de, la, pl, pl-colon, "
                     "fr, fr-colon, es, es-colon, it, it-colon, pt, pt-colon, nl, nl-comma, hu, "
                     "hu-colon, hr, ru, uk, sv, da, no, fi, ro, id, tr, el, bg, sr, mk, tl, sw, "
                     "ar, fa, he, ur, hi, mr, ne, or, pa, ta, zh, ja, ko, th, vi, ceb, cy, ht, is, "
                     "jv, so, sq)\n"
                     "Try 'tovrin scan --help'.\n");
    EXPECT_EQ(o.status, 2);

    o = run("--config missing.ini scan", in);
    EXPECT_EQ(o.err, "tovrin: missing.ini: cannot read: No such file or directory "
                     "(given with --config)\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);
}

TEST_F(TextCmds, UsageErrorsExitTwo) {
    const struct {
        const char *args;
        const char *message;
    } cases[] = {
        {"scan --format xml", "unknown format 'xml' (ansi, plain, tex, html, json)"},
        {"scan --format plain --index", "--index goes with --format tex"},
        {"scan --format html --index", "--index goes with --format tex"}, // no page begun
        {"scan --format", "--format needs a value"},
        {"scan --colour", "unknown option '--colour'"},
        {"index --format tex", "unknown index format 'tex' (text, json)"},
        {"grep", "grep needs a CITATION"},
        // A query that is no citation would overlap everything.
        {"grep ''", "grep: not a citation: stops at column 1 in ''"},
        {"grep 'Xy 3'", "grep: unknown book name 'Xy' in 'Xy 3'"},
        {"grep 'Mt 0'", "grep: chapter or verse number '0' out of range 1-999 in 'Mt 0'"},
        {"grep 'Mt 5,7-3'", "grep: reversed range in 'Mt 5,7-3'"},
        {"grep 'Mt 5,3-'", "grep: not a citation: stops at column 8 in 'Mt 5,3-'"},
        {"lint --lang zz", "unknown language 'zz' (languages: xx)"},
        {"scna", "unknown command 'scna'"},
        // The macro is written as \NAME: only a TeX control word is one.
        {"scan --format tex --macro a1", "--macro needs a TeX control word of letters, not 'a1'"},
        {"scan --format tex --macro ''", "--macro needs a TeX control word of letters, not ''"},
        {"lint --input latex", "--input takes tex, markdown or text, not 'latex'"},
    };
    for (const auto &c : cases) {
        const Outcome o = xx(c.args, "Mt 5,3\n");
        const std::string command = std::string(c.args).substr(0, std::string(c.args).find(' '));
        const bool known = command != "scna";
        EXPECT_EQ(o.err, std::string("tovrin: ") + c.message + "\nTry 'tovrin " +
                             (known ? command + " " : "") + "--help'.\n")
            << c.args;
        EXPECT_EQ(o.out, "") << c.args;
        EXPECT_EQ(o.status, 2) << c.args;
    }
}

TEST_F(TextCmds, HelpAndVersion) {
    expect_success(run("--version"), "tovrin " TOVRIN_VERSION "\n", "--version");
    // The help of the tool and of each text command shows examples, on
    // standard output, without needing a configuration.
    const struct {
        const char *args;
        const char *first_line;
        const char *example;
    } cases[] = {
        {"--help", "usage: tovrin COMMAND [options] [ARGS...]\n", "  tovrin lint *.tex\n"},
        {"scan --help", "usage: tovrin scan ", "  tovrin scan --format json kazani.tex\n"},
        {"lint --help", "usage: tovrin lint ", "  tovrin lint kazani.tex\n"},
        {"index --help", "usage: tovrin index ", "  tovrin index --format json kapitola*.tex\n"},
        {"grep --help", "usage: tovrin grep ", "  tovrin grep \"\xc5\x98 8\" kniha.tex"},
    };
    for (const auto &c : cases) {
        const Outcome o = run(std::string("--config missing.ini ") + c.args);
        EXPECT_EQ(o.out.rfind(c.first_line, 0), 0u) << c.args << "\n" << o.out;
        EXPECT_NE(o.out.find(c.example), std::string::npos) << c.args << "\n" << o.out;
        EXPECT_EQ(o.err, "") << c.args;
        EXPECT_EQ(o.status, 0) << c.args;
    }
    // The query of the examples is a Czech citation.
    expect_success(cz("grep '\xc5\x98 8'", "Viz \xc5\x98 7,25-8,2.\n"),
                   "-:1:Viz \xc5\x98 7,25-8,2.\n", "the example query");
}

// ---------------------------------------------------------------------
// scan

TEST_F(TextCmds, ScanFormats) {
    file("sermon.txt", kSermon);
    const struct {
        const char *args;
        const char *out;
    } cases[] = {
        // Standard output is not a terminal here: plain is the default.
        {"scan sermon.txt", kSermon},
        {"scan --format plain sermon.txt", kSermon},
        {"scan --format ansi sermon.txt",
         "See \x1b[33;40;1mMt 5,3-12\x1b[37;40;0m and (\x1b[33;40;1mL 6,20n\x1b[37;40;0m).\n"
         "Also \x1b[33;40;1mJn 3,16.18; Gn 1,1-2,3\x1b[37;40;0m\n"},
        {"scan --format tex sermon.txt",
         "See \\bibleref{Mt 5,3-12} and (\\bibleref{L 6,20n}).\n"
         "Also \\bibleref{Jn 3,16.18; Gn 1,1-2,3}\n"},
        {"scan --format tex --macro cite sermon.txt",
         "See \\cite{Mt 5,3-12} and (\\cite{L 6,20n}).\n"
         "Also \\cite{Jn 3,16.18; Gn 1,1-2,3}\n"},
        // One \bibleindex per unit: the book (its number and name), then
        // the key of the unit, book, chapter, verse and verse part of the
        // start, then of the end; the text is canonical.
        {"scan --format tex --index sermon.txt",
         "See \\bibleref{Mt 5,3-12}"
         "\\bibleindex{003@Mt}{003.005.003.000-003.005.012.000@Mt 5,3-12} and "
         "(\\bibleref{L 6,20n}"
         "\\bibleindex{005@Lk}{005.006.020.000-005.006.021.000@Lk 6,20-21}).\n"
         "Also \\bibleref{Jn 3,16.18; Gn 1,1-2,3}"
         "\\bibleindex{006@Jn}{006.003.016.000-006.003.016.000@Jn 3,16}"
         "\\bibleindex{006@Jn}{006.003.018.000-006.003.018.000@Jn 3,18}"
         "\\bibleindex{001@Gn}{001.001.001.000-001.002.003.000@Gn 1,1-2,3}\n"},
        {"scan --format json sermon.txt",
         "{\"file\":\"sermon.txt\",\"line\":1,\"column\":5,\"offset\":4,"
         "\"text\":\"Mt 5,3-12\",\"canonical\":\"Mt 5,3-12\",\"osis\":null}\n"
         "{\"file\":\"sermon.txt\",\"line\":1,\"column\":20,\"offset\":19,"
         "\"text\":\"L 6,20n\",\"canonical\":\"Lk 6,20-21\",\"osis\":null}\n"
         "{\"file\":\"sermon.txt\",\"line\":2,\"column\":6,\"offset\":34,"
         "\"text\":\"Jn 3,16.18; Gn 1,1-2,3\",\"canonical\":\"Jn 3,16; Jn 3,18; Gn 1,1-2,3\","
         "\"osis\":null}\n"},
        {"scan --format html sermon.txt",
         "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>tovrin</title>\n<style>\n"
         "mark.citation { background: #ffe066; }\n"
         "h2 { font-family: sans-serif; font-size: 1em; }\n"
         "</style>\n</head>\n<body>\n"
         "<h2>sermon.txt</h2>\n"
         "<pre>See <mark class=\"citation\" title=\"Mt 5,3-12\">Mt 5,3-12</mark> and "
         "(<mark class=\"citation\" title=\"Lk 6,20-21\">L 6,20n</mark>).\n"
         "Also <mark class=\"citation\" title=\"Jn 3,16; Jn 3,18; Gn 1,1-2,3\">"
         "Jn 3,16.18; Gn 1,1-2,3</mark>\n"
         "</pre>\n</body>\n</html>\n"},
    };
    for (const auto &c : cases)
        expect_success(xx(c.args), c.out, c.args);
}

TEST_F(TextCmds, ScanEscapesForHtmlAndJson) {
    // Markup characters, quotes, control characters and UTF-8 letters of
    // several bytes; bytes that are not UTF-8 (\xff, a lone \xc5) become
    // U+FFFD on the page and their Latin-1 character in JSON.
    file("odd.txt", "<b>\"Mt 5,3\" & \xc5\x99\xc3\xa9\xff\xc5 \"Mt\t5,4\"\x01\n");
    expect_success(xx("scan --format html odd.txt"),
                   std::string("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                               "<title>tovrin</title>\n<style>\n"
                               "mark.citation { background: #ffe066; }\n"
                               "h2 { font-family: sans-serif; font-size: 1em; }\n"
                               "</style>\n</head>\n<body>\n<h2>odd.txt</h2>\n") +
                       "<pre>&lt;b&gt;&quot;<mark class=\"citation\" title=\"Mt 5,3\">Mt 5,3</mark>"
                       "&quot; &amp; \xc5\x99\xc3\xa9\xef\xbf\xbd\xef\xbf\xbd &quot;"
                       "<mark class=\"citation\" title=\"Mt 5,4\">Mt\t5,4</mark>&quot;\x01\n"
                       "</pre>\n</body>\n</html>\n",
                   "html");
    expect_success(xx("scan --format json odd.txt"),
                   "{\"file\":\"odd.txt\",\"line\":1,\"column\":5,\"offset\":4,"
                   "\"text\":\"Mt 5,3\",\"canonical\":\"Mt 5,3\",\"osis\":null}\n"
                   "{\"file\":\"odd.txt\",\"line\":1,\"column\":21,\"offset\":22,"
                   "\"text\":\"Mt\\t5,4\",\"canonical\":\"Mt 5,4\",\"osis\":null}\n",
                   "json");
    // The file name is a JSON string too.
    file("a\"b\\c.txt", "Mt 5,3\n");
    expect_success(xx("scan --format json 'a\"b\\c.txt'"),
                   "{\"file\":\"a\\\"b\\\\c.txt\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Mt 5,3\",\"canonical\":\"Mt 5,3\",\"osis\":null}\n",
                   "file name");
}

// The "osis" field: the OSIS references of each citation, its marks read by
// the language's numbering systems (English readers count Malachi in four
// chapters), verse parts dropped; null in a language that names no system.
// "versification" names the system the ids follow: for each book the first
// of the language's that has it (1 Esdras in kjva for cz).
TEST_F(TextCmds, ScanJsonGivesOsisReferences) {
    const struct {
        const char *lang;
        const char *in;
        const char *osis; // of each citation, one per line
    } cases[] = {
        {"cz", "Viz J 3,36n; Ž 23,5nn, Mal 3,24n a Mt 5,3a-7b.",
         "\"John.3.36-John.4.1,Ps.23.5-Ps.23.6\",\"versification\":\"hebrew\"\n"
         "\"Mal.3.24\",\"versification\":\"hebrew\"\n"
         "\"Matt.5.3-Matt.5.7\",\"versification\":\"hebrew\"\n"},
        {"cz", "1 Ezd 1,1", "\"1Esd.1.1\",\"versification\":\"kjva\"\n"},
        {"en", "See Mal 3:18f and Gen 1:1-2:3; Rev 22.",
         "\"Mal.3.18-Mal.4.1\",\"versification\":\"kjv\"\n"
         "\"Gen.1.1-Gen.2.3,Rev.22\",\"versification\":\"kjv\"\n"},
        {"la", "Ps 22,1", "\"Ps.22.1\",\"versification\":\"vulgate\"\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = cz("scan --format json --lang " + std::string(c.lang), c.in);
        std::string osis;
        for (std::size_t at = 0; (at = o.out.find(",\"osis\":", at)) != std::string::npos;) {
            at += 8;
            osis += o.out.substr(at, o.out.find("}\n", at) - at) + "\n";
        }
        EXPECT_EQ(osis, c.osis) << c.in << "\n" << o.out;
        EXPECT_EQ(o.status, 0) << c.in;
    }
    expect_success(xx("scan --format json", "Mt 5,3"),
                   "{\"file\":\"-\",\"line\":1,\"column\":1,\"offset\":0,\"text\":\"Mt 5,3\","
                   "\"canonical\":\"Mt 5,3\",\"osis\":null}\n",
                   "no numbering system");
}

TEST_F(TextCmds, ScanStandardInputAndSeveralFiles) {
    file("a.txt", "Mt 5,3\n");
    file("b.txt", "x\nJn 1,1");
    // Standard input without FILE, or as "-" among the files.
    expect_success(xx("scan --format json", "Gn 1,1\n"),
                   "{\"file\":\"-\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Gn 1,1\",\"canonical\":\"Gn 1,1\",\"osis\":null}\n",
                   "stdin");
    // Places restart with every file; the HTML page has one section each.
    expect_success(xx("scan --format json a.txt - b.txt", "Ex 2\n"),
                   "{\"file\":\"a.txt\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Mt 5,3\",\"canonical\":\"Mt 5,3\",\"osis\":null}\n"
                   "{\"file\":\"-\",\"line\":1,\"column\":1,\"offset\":0,"
                   "\"text\":\"Ex 2\",\"canonical\":\"Ex 2\",\"osis\":null}\n"
                   "{\"file\":\"b.txt\",\"line\":2,\"column\":1,\"offset\":2,"
                   "\"text\":\"Jn 1,1\",\"canonical\":\"Jn 1,1\",\"osis\":null}\n",
                   "three files");
    const Outcome html = xx("scan --format html a.txt b.txt");
    EXPECT_NE(html.out.find("<h2>a.txt</h2>\n<pre><mark class=\"citation\" title=\"Mt 5,3\">"
                            "Mt 5,3</mark>\n</pre>\n<h2>b.txt</h2>\n<pre>x\n"
                            "<mark class=\"citation\" title=\"Jn 1,1\">Jn 1,1</mark></pre>\n"
                            "</body>\n</html>\n"),
              std::string::npos)
        << html.out;
    // A citation at the very end of the input, without a line feed.
    expect_success(xx("scan --format ansi b.txt"), "x\n\x1b[33;40;1mJn 1,1\x1b[37;40;0m",
                   "end of input");
}

// Each file is read as its extension says, unless --input says otherwise;
// standard input is text.
TEST_F(TextCmds, SourcesByExtensionOrInput) {
    const std::string tex = "\\emph{Mt} 5,3 % Gn 1,1\n";
    const std::string md = "*Mt* 5,3 `Gn 1,1`\n";
    file("a.tex", tex);
    file("a.md", md);
    file("a.txt", tex);
    const std::string marked_tex = "\\bibleref{\\emph{Mt} 5,3} % Gn 1,1\n";
    const std::string marked_md = "\\bibleref{*Mt* 5,3} `Gn 1,1`\n";
    const std::string tex_as_text = "\\emph{Mt} 5,3 % \\bibleref{Gn 1,1}\n";
    expect_success(xx("scan --format tex a.tex a.md a.txt"), marked_tex + marked_md + tex_as_text,
                   "by extension");
    expect_success(xx("scan --format tex --input tex a.txt -", tex), marked_tex + marked_tex,
                   "--input tex");
    expect_success(xx("scan --format tex --input text a.tex"), tex_as_text, "--input text");
    expect_success(xx("scan --format tex --exact a.tex"), tex_as_text, "--exact");
    expect_success(xx("scan --format tex", tex), tex_as_text, "standard input");
}

TEST_F(TextCmds, UnreadableFilesAreReportedAndTheOthersScanned) {
    file("a.txt", "Mt 5,3\n");
    file("b.txt", "Mk 1,1\n");
    // A directory opens but cannot be read.
    run_command("mkdir dir", work_.path());
    const Outcome o = xx("scan --format tex a.txt missing.txt dir b.txt");
    EXPECT_EQ(o.out, "\\bibleref{Mt 5,3}\n\\bibleref{Mk 1,1}\n");
    EXPECT_EQ(o.err, "tovrin: cannot open 'missing.txt': No such file or directory\n"
                     "tovrin: cannot read 'dir': Is a directory\n");
    EXPECT_EQ(o.status, 2);
}

// Every text command gives an unreadable file the status of an error, 2,
// whatever it found in the others, and reports it on standard error.
TEST_F(TextCmds, UnreadableFilesExitTwoInEveryTextCommand) {
    file("ok.txt", "Mt 5,3\n");
    run_command("mkdir dir", work_.path());
    const struct {
        const char *args;
        const char *err;
    } cases[] = {
        {"scan --format tex missing.txt ok.txt",
         "tovrin: cannot open 'missing.txt': No such file or directory\n"},
        {"scan --format tex -j 2 missing.txt ok.txt",
         "tovrin: cannot open 'missing.txt': No such file or directory\n"},
        {"scan dir", "tovrin: cannot read 'dir': Is a directory\n"},
        {"scan nosuch.docx", "tovrin: cannot open 'nosuch.docx': No such file or directory\n"},
        {"index missing.txt ok.txt",
         "tovrin: cannot open 'missing.txt': No such file or directory\n"},
        {"index dir", "tovrin: cannot read 'dir': Is a directory\n"},
        {"lint missing.txt ok.txt",
         "tovrin: cannot open 'missing.txt': No such file or directory\n"},
        {"lint dir", "tovrin: cannot read 'dir': Is a directory\n"},
        {"grep Mt missing.txt ok.txt",
         "tovrin: cannot open 'missing.txt': No such file or directory\n"},
        {"grep Mt dir", "tovrin: cannot read 'dir': Is a directory\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = xx(c.args);
        EXPECT_EQ(o.err, c.err) << c.args;
        EXPECT_EQ(o.status, 2) << c.args;
    }
}

// The typographic forms: each is read as the language's range mark or a
// space, while the output keeps the original bytes.
TEST_F(TextCmds, TypographicForms) {
    const struct {
        const char *in;
        const char *tex;       // scan --format tex
        const char *canonical; // of the one citation found
    } cases[] = {
        {"Mt 5,3\xe2\x80\x93" "12.", "\\bibleref{Mt 5,3\xe2\x80\x93" "12}.", "Mt 5,3-12"}, // en dash
        {"Mt 5,3\xe2\x80\x94" "12.", "\\bibleref{Mt 5,3\xe2\x80\x94" "12}.", "Mt 5,3-12"}, // em dash
        {"Mt~5,3--12.", "\\bibleref{Mt~5,3--12}.", "Mt 5,3-12"},
        {"Mt 5,3---12.", "\\bibleref{Mt 5,3---12}.", "Mt 5,3-12"},
        {"Mt 5\xe2\x80\x93" "7,2.", "\\bibleref{Mt 5\xe2\x80\x93" "7,2}.", "Mt 5,1-7,2"},
        {"Mt 5,3\xe2\x80\x90" "12.", "\\bibleref{Mt 5,3\xe2\x80\x90" "12}.", "Mt 5,3-12"}, // hyphen
        {"Mt 5,3\xe2\x80\x92" "12.", "\\bibleref{Mt 5,3\xe2\x80\x92" "12}.", "Mt 5,3-12"}, // figure
        {"Mt 5,3\xe2\x88\x92" "7.", "\\bibleref{Mt 5,3\xe2\x88\x92" "7}.", "Mt 5,3-7"},     // minus
        {"Mt\xc2\xa0" "5,3.", "\\bibleref{Mt\xc2\xa0" "5,3}.", "Mt 5,3"},       // no-break
        {"Mt\xe2\x80\x89" "5,3.", "\\bibleref{Mt\xe2\x80\x89" "5,3}.", "Mt 5,3"}, // thin
        {"Mt\xe2\x80\xaf" "5,3.", "\\bibleref{Mt\xe2\x80\xaf" "5,3}.", "Mt 5,3"}, // narrow
        {"Mt\t5,3.", "\\bibleref{Mt\t5,3}.", "Mt 5,3"},
        // A line break inside a paragraph is a space, also as CR LF.
        {"see Mt\n5,3-\n12.\n", "see \\bibleref{Mt\n5,3-\n12}.\n", "Mt 5,3-12"},
        {"see Mt\r\n5,3.\r\n", "see \\bibleref{Mt\r\n5,3}.\r\n", "Mt 5,3"},
        // Spaces behind a citation stay outside the wrapper.
        {"(Mt 5,3~)", "(\\bibleref{Mt 5,3}~)", "Mt 5,3"},
        {"Mt 5,3\xc2\xa0\n\nx", "\\bibleref{Mt 5,3}\xc2\xa0\n\nx", "Mt 5,3"},
        // Something close to a form is ordinary text.
        {"Mt 5,3-\xe2\x80\x92" "4", "\\bibleref{Mt 5,3}-\xe2\x80\x92" "4", "Mt 5,3"},
        {"Mt 5,3\xe2\x80", "\\bibleref{Mt 5,3}\xe2\x80", "Mt 5,3"},
        {"Mt 5,3\xc2", "\\bibleref{Mt 5,3}\xc2", "Mt 5,3"},
    };
    for (const auto &c : cases) {
        expect_success(xx("scan --format tex", c.in), c.tex, c.in);
        const Outcome json = xx("scan --format json", c.in);
        EXPECT_NE(json.out.find(std::string("\"canonical\":\"") + c.canonical +
                                "\",\"osis\":null}\n"),
                  std::string::npos)
            << c.in << "\n" << json.out;
        // The plain format gives the input back, byte for byte.
        expect_success(xx("scan --format plain", c.in), c.in, c.in);
    }
}

// A letter written with a combining mark after it is read as the composed
// letter bibl.ini lists; the output keeps the bytes, and columns count the
// mark as a character of its own.
TEST_F(TextCmds, DecomposedLetters) {
    const std::string text = "Viz Z\xcc\x8c 23 a R\xcc\x8c 8,28.\n";
    expect_success(cz("scan --format tex", text),
                   "Viz \\bibleref{Z\xcc\x8c 23} a \\bibleref{R\xcc\x8c 8,28}.\n", "tex");
    expect_success(cz("scan --format json", text),
                   "{\"file\":\"-\",\"line\":1,\"column\":5,\"offset\":4,\"text\":\"Z\xcc\x8c 23\","
                   "\"canonical\":\"\xc5\xbd 23\",\"osis\":\"Ps.23\",\"versification\":\"hebrew\"}\n"
                   "{\"file\":\"-\",\"line\":1,\"column\":13,\"offset\":13,\"text\":\"R\xcc\x8c "
                   "8,28\",\"canonical\":\"\xc5\x98 8,28\",\"osis\":\"Rom.8.28\","
                   "\"versification\":\"hebrew\"}\n",
                   "json");
    expect_success(cz("scan --format plain", text), text, "plain");
    expect_success(cz("grep 'R\xcc\x8c 8'", text), "-:1:" + text, "grep");
}

TEST_F(TextCmds, ParagraphBreaksAndExactEndCitations) {
    const struct {
        const char *args;
        const char *in;
        const char *out;
    } cases[] = {
        // An empty or blank line ends the paragraph: "Mt" alone is no
        // citation, and "5,3" has no book.
        {"scan --format tex", "Mt\n\n5,3\n", "Mt\n\n5,3\n"},
        {"scan --format tex", "Mt\n \t\n5,3\n", "Mt\n \t\n5,3\n"},
        {"scan --format tex", "Mt\r\n \r\n5,3\r\n", "Mt\r\n \r\n5,3\r\n"},
        // --exact reads every byte as it is.
        {"scan --format tex --exact", "Mt\n5,3 Mt 5,3\xe2\x80\x93" "12 Mt~5,3 Mt 5,3--12",
         "Mt\n5,3 \\bibleref{Mt 5,3}\xe2\x80\x93" "12 Mt~5,3 \\bibleref{Mt 5,3}--12"},
        {"scan --format json --exact", "Mt\xc2\xa0" "5,3 Jn 1,1",
         "{\"file\":\"-\",\"line\":1,\"column\":8,\"offset\":8,"
         "\"text\":\"Jn 1,1\",\"canonical\":\"Jn 1,1\",\"osis\":null}\n"},
        // A citation split across a line break: its place is where it starts.
        {"scan --format json", "one\ntwo Mt\n5,3-\n12 three",
         "{\"file\":\"-\",\"line\":2,\"column\":5,\"offset\":8,"
         "\"text\":\"Mt\\n5,3-\\n12\",\"canonical\":\"Mt 5,3-12\",\"osis\":null}\n"},
    };
    for (const auto &c : cases)
        expect_success(xx(c.args, c.in), c.out, std::string(c.args) + " <<< " + c.in);
}

// scan --format plain reproduces any input: random bytes (more than the
// scanner's ring of 100000), and random text made of citations and every
// typographic form, cut at random places.
TEST_F(TextCmds, PlainScanReproducesAnyInput) {
    std::mt19937 rng(20240517);
    std::string bytes(300000, '\0');
    for (char &ch : bytes)
        ch = static_cast<char>(rng() & 0xff);

    const char *const pieces[] = {
        "Mt", "L", "Jn", "1 J", "Gen.", " ", "  ", "5", "3", "12", "0", "1000", ",", ".", ";",
        "-", "--", "---", "~", "\n", "\n\n", "\r\n", "\t", "n", "nn", "+", "a", "x", "(", ")",
        "\xe2\x80\x93", "\xe2\x80\x94", "\xc2\xa0", "\xe2\x80\x89", "\xe2\x80\xaf", "\xe2\x80",
        "\xc2", "\xff", "\xc5\x99"};
    std::string soup;
    while (soup.size() < 150000)
        soup += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    soup.resize(soup.size() - 1); // may cut a form in two

    for (const auto &[name, content] : {std::pair<std::string, std::string>{"random", bytes},
                                        {"soup", soup}}) {
        file(name, content);
        for (const char *args : {"scan --format plain ", "scan --format plain --exact "}) {
            const Outcome o = xx(args + name);
            EXPECT_TRUE(o.out == content) << args << name << ": output differs, "
                                          << o.out.size() << " bytes of " << content.size();
            EXPECT_EQ(o.status, 0);
        }
    }
    // The ANSI output without its colour sequences is the input again.
    Outcome ansi = xx("scan --format ansi soup");
    for (const std::string seq : {"\x1b[33;40;1m", "\x1b[37;40;0m"})
        for (auto k = ansi.out.find(seq); k != std::string::npos; k = ansi.out.find(seq, k))
            ansi.out.erase(k, seq.size());
    EXPECT_TRUE(ansi.out == soup);
}

TEST_F(TextCmds, AnsiIsTheDefaultOnATerminal) {
    if (run_command("command -v script").status != 0)
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    file("a.txt", "Mt 5,3\n");
    const Outcome o = run_command("script -qec \"" + testing_support::binary_dir() +
                                      "/tovrin --config '" + config_ +
                                      "' --lang xx scan a.txt\" /dev/null",
                                  work_.path());
    EXPECT_EQ(o.out, "\x1b[33;40;1mMt 5,3\x1b[37;40;0m\r\n");
    EXPECT_EQ(o.status, 0);
}

// ---------------------------------------------------------------------
// lint

TEST_F(TextCmds, LintReportsWrongCitations) {
    const struct {
        const char *in;
        const char *out; // lint on standard input
    } cases[] = {
        {"See Mt 5,12-3.", "-:1:5: reversed range in 'Mt 5,12-3'\n"},
        // Columns count characters, not bytes.
        {"\xc5\x98\xc3\xadm Mt 5,12-3.", "-:1:5: reversed range in 'Mt 5,12-3'\n"},
        {"See Mt 7-5 and Mt 5,3-2,1.",
         "-:1:5: reversed range in 'Mt 7-5'\n-:1:16: reversed range in 'Mt 5,3-2,1'\n"},
        // A report names the first check that fails on one citation; after
        // ";" the next one is looked at on its own.
        {"x Mt 0,3; Mt 5,0 y", "-:1:3: chapter or verse number '0' out of range 1-999 in "
                               "'Mt 0,3'\n-:1:11: chapter or verse number '0' out of "
                               "range 1-999 in 'Mt 5,0'\n"},
        {"x Mt 0,3 or Mt 5,0 y", "-:1:3: chapter or verse number '0' out of range 1-999 in "
                                 "'Mt 0,3'\n-:1:13: chapter or verse number '0' out of range "
                                 "1-999 in 'Mt 5,0'\n"},
        {"(Mt 5,1000)", "-:1:2: chapter or verse number '1000' out of range 1-999 in "
                        "'Mt 5,1000'\n"},
        // An unknown book name only where it is probably a misspelt one: "Mr"
        // and "2 Xy" are nothing like the books of the language.
        {"see Mr 5,3 and\nMatt 3,4 or 2 Xy 3,4.",
         "-:2:1: unknown book name 'Matt' in 'Matt 3,4' (did you mean 'Mat'?)\n"},
        // Typographic forms count as what they stand for, and the message
        // quotes the text as read; the place is the one of the original text.
        {"\xc2\xa0\xc2\xa0Mt~5,12--3 and\nMt 5,4\xe2\x80\x93\n2.",
         "-:1:3: reversed range in 'Mt 5,12-3'\n-:2:1: reversed range in 'Mt 5,4- 2'\n"},
        // After ";" a new citation starts: a bare book there is no mistake.
        {"Mt 5,3; Mk and Gn-Ex.", ""},
        {"Mt 5,3-12; Lk 6,20n; Jn 3,16.18.", ""},
    };
    for (const auto &c : cases) {
        const Outcome o = xx("lint", c.in);
        EXPECT_EQ(o.out, c.out) << c.in;
        EXPECT_EQ(o.err, "") << c.in;
        EXPECT_EQ(o.status, *c.out ? 1 : 0) << c.in;
    }
    // --exact: the forms are not read, so nothing looks like a range.
    const Outcome exact = xx("lint --exact", "Mt 5,12\xe2\x80\x93" "3");
    EXPECT_EQ(exact.out, "");
    EXPECT_EQ(exact.status, 0);
}

TEST_F(TextCmds, LintLeavesProseAlone) {
    // Capitalised words before numbers, lists of numbers, decimals, dates,
    // years and times in Czech prose are no citations; neither are the known
    // book "Na" (Nahum) before a year or a count, nor "Za" (Zechariah), nor
    // the other works a catechism cites, whose names are nothing like a book.
    const char *const prose[] = {
        "Sbor sídlí v obvodu Praha 5, seminář začal 1. 3. 2023.",
        "Kraj vedl Karel IV. a 9,5 milionu lidí mu platilo daně.",
        "Zpěvník má písně na str. 44, 129 a 131.",
        "Účast byla 99,5 %. Asi 3,5 km za obcí. Jen 2,5 % hlasů.",
        "Kancelář je na adrese Náměstí Míru 5, 1. patro.",
        "Přišlo jich v roce 2011. Asi 3,5 tisíce. Bylo jich 12. Jen 2,5 kila.",
        "Na 1500 metrech se běželo. Za 2000 korun.",
        "Kapitola 3,5 popisuje V~letech 1948--1989 a (5--7) a Gn-Dt.",
        "Katechismus cituje GS 62,1, Sermo 341,1 a Art. 5,3 i KKC 2558,1.",
    };
    for (const char *text : prose) {
        const Outcome o = cz("lint", text);
        EXPECT_EQ(o.out, "") << text;
        EXPECT_EQ(o.status, 0) << text;
    }
    // The same Czech words where a citation is clearly meant.
    const Outcome o = cz("lint", "Viz Ž 0 či Mt 5,0 či Řím 8,39-28. Zkratku Zl 3,4 nezná.");
    EXPECT_EQ(o.out, "-:1:5: chapter or verse number '0' out of range 1-999 in 'Ž 0'\n"
                     "-:1:12: chapter or verse number '0' out of range 1-999 in 'Mt 5,0'\n"
                     "-:1:22: reversed range in 'Řím 8,39-28'\n"
                     "-:1:43: unknown book name 'Zl' in 'Zl 3,4' (did you mean 'Žl'?)\n");
    EXPECT_EQ(o.status, 1);
}

// The false alarms measured on texts: a few pages of Czech prose without
// any citation, and the shipped Czech sample, whose made-up abbreviation
// ("Zkratku Xy 3,4 žádný překlad nezná") is nothing like a book name.
TEST_F(TextCmds, LintOnProseAndOnTheShippedSample) {
    Outcome o = cz("lint '" + testing_support::source_dir() + "/tests/fixtures/prose-cz.txt'");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);

    o = run_command(testing_support::binary_dir() + "/tovrin lint nztexty.tex",
                    testing_support::source_dir() + "/data");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
}

// Lint keeps a window of the text, not the whole file: a long text reports
// exactly what its paragraphs report one by one, wherever the window
// boundaries fall.
TEST_F(TextCmds, LintOnALongTextReportsEachParagraph) {
    const std::string paragraph = "See Mt 5,12-3 and Gem 3,4; Mt 0,3.\n"
                                  "Mt 5,3-12 (L 6,20n) " + std::string(150, 'J') + " " +
                                  std::string(70, '7') + "\n"
                                  "Mt 5,4\xe2\x80\x93\n2 and " + std::string(900, ' ') +
                                  "Gem 3,4.\n";
    const Outcome one = xx("lint", paragraph);
    ASSERT_EQ(one.status, 1);
    std::string text, want;
    const int lines = 4;
    for (int k = 0; k < 400; ++k) {
        text += paragraph;
        std::size_t from = 0;
        // Each report "-:LINE:..." of the paragraph, with LINE moved down.
        for (std::size_t nl; (nl = one.out.find('\n', from)) != std::string::npos; from = nl + 1) {
            const std::string report = one.out.substr(from, nl + 1 - from);
            const std::size_t colon = report.find(':', 2);
            want += "-:" + std::to_string(std::stoi(report.substr(2, colon - 2)) + k * lines) +
                    report.substr(colon);
        }
    }
    const Outcome all = xx("lint", text);
    EXPECT_EQ(all.out, want);
    EXPECT_EQ(all.status, 1);
}

// Chapters and verses that no numbering system of the language has: typos
// of real citations next to the last verses that do exist (Ž 51,21 and Mal
// 3,24 in the Hebrew numbering of Czech Bibles).
TEST_F(TextCmds, LintReportsChaptersAndVersesThatDoNotExist) {
    const Outcome o = run_command(testing_support::binary_dir() + "/tovrin --config '" +
                                      shipped_config() + "' lint existence-cz.tex",
                                  testing_support::source_dir() + "/tests/fixtures");
    EXPECT_EQ(o.out, "existence-cz.tex:1:15: no verse 99 in J 3 (it has 36)\n"
                     "existence-cz.tex:1:24: no chapter 29 in Mt (it has 28)\n"
                     "existence-cz.tex:1:43: no chapter 151 in Ž (it has 150)\n"
                     // A book of one chapter is cited by its verses.
                     "existence-cz.tex:1:54: no verse 26 in Ju 1 (it has 25)\n"
                     // A citation of a list without a book name has the
                     // book of the one before.
                     "existence-cz.tex:3:17: no chapter 17 in Ř (it has 16)\n"
                     "existence-cz.tex:3:24: no book 3 Mak in hebrew, kjva or catholic\n"
                     // "Ž 151" opens a sentence, as "Za 34 let" does in
                     // prose: a chapter alone there is left alone.
                     "existence-cz.tex:4:25: no chapter 29 in Mt (it has 28)\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 1);

    const struct {
        const char *args;
        const char *in;
        const char *out;
    } cases[] = {
        // The book as the language names it first, the places of the
        // original text through typographic forms, phrases and line breaks.
        {"lint", "Viz Mt~29,1--3; J 3,36\xe2\x80\x93\n99 a Gn 51,1.",
         "-:1:5: no chapter 29 in Mt (it has 28)\n-:1:17: no verse 99 in J 3 (it has 36)\n"
         "-:2:6: no chapter 51 in Gn (it has 50)\n"},
        {"lint", "Viz První kniha Mojžíšova 51,1; 50,26; 52,1.",
         "-:1:5: no chapter 51 in Gn (it has 50)\n-:1:40: no chapter 52 in Gn (it has 50)\n"},
        // A verse part, a following mark and the end of a chapter exist.
        {"lint", "Viz J 3,36n; J 3,16a; Mt 28,20nn.", ""},
        // Reina-Valera counts Malachi in the KJV numbering.
        {"lint --lang es-colon", "Ver Mal 3:24 y Mal 4:6.",
         "-:1:5: no verse 24 in Mal 3 (it has 18)\n"},
        // A wrong citation fails its checks first; nothing more is said.
        {"lint", "Viz Mt 29,3-1.", "-:1:5: reversed range in 'Mt 29,3-1'\n"},
    };
    for (const auto &c : cases) {
        const Outcome r = cz(c.args, c.in);
        EXPECT_EQ(r.out, c.out) << c.in;
        EXPECT_EQ(r.err, "") << c.in;
        EXPECT_EQ(r.status, *c.out ? 1 : 0) << c.in;
    }
    // A language that names no numbering system has no such test.
    const Outcome xx_lint = xx("lint", "See Mt 29,1 and Jn 3,99.");
    EXPECT_EQ(xx_lint.out, "");
    EXPECT_EQ(xx_lint.status, 0);
}

TEST_F(TextCmds, LintGoesOnAfterAnUnopenableFile) {
    file("bad.txt", "Mt 5,3-1\n");
    const Outcome o = xx("lint missing.txt bad.txt");
    EXPECT_EQ(o.out, "bad.txt:1:1: reversed range in 'Mt 5,3-1'\n");
    EXPECT_EQ(o.err, "tovrin: cannot open 'missing.txt': No such file or directory\n");
    // As grep: trouble (2) over findings (1).
    EXPECT_EQ(o.status, 2);
}

// ---------------------------------------------------------------------
// index

TEST_F(TextCmds, IndexSortsUnitsCanonically) {
    file("sermon.txt", kSermon);
    file("more.txt", "Rom 8,28 and Gn 1,1-2,3\n\nMt 5,3.4 and Mt 5,3-12.\nMt 5,3-12 (J 3,16)\n");
    // Book number first (Gn 1 ... Rom 8); at the same start the narrower
    // span first, as makeindex sorts the keys of scan --index; each place
    // once, in the order of citing.
    expect_success(xx("index sermon.txt more.txt"),
                   "Gn 1,1-2,3\tsermon.txt:2, more.txt:1\n"
                   "Mt 5,3\tmore.txt:3\n"
                   "Mt 5,3-12\tsermon.txt:1, more.txt:3, more.txt:4\n"
                   "Mt 5,4\tmore.txt:3\n"
                   "Lk 6,20-21\tsermon.txt:1\n"
                   "Jn 3,16\tsermon.txt:2, more.txt:4\n"
                   "Jn 3,18\tsermon.txt:2\n"
                   "Rom 8,28\tmore.txt:1\n",
                   "text");
    // JSON: the same order, grouped by book.
    expect_success(xx("index --format json", "Mt 5,3-4\nGn 1,1 \"x\" Mt 5,3\n"),
                   "[\n"
                   " {\"book\":\"Gn\",\"entries\":[\n"
                   "  {\"citation\":\"Gn 1,1\",\"places\":[\"-:2\"]}\n"
                   " ]},\n"
                   " {\"book\":\"Mt\",\"entries\":[\n"
                   "  {\"citation\":\"Mt 5,3\",\"places\":[\"-:2\"]},\n"
                   "  {\"citation\":\"Mt 5,3-4\",\"places\":[\"-:1\"]}\n"
                   " ]}\n"
                   "]\n",
                   "json");
    expect_success(xx("index --format json", "no citations\n"), "[]\n", "empty json");
    expect_success(xx("index", ""), "", "empty text");
}

// The order of the index, rule by rule, in the shipped language cz: a
// chapter before its verses (and the chapter ranges that start there
// before the verses), a verse before the ranges that start there and
// before its parts, the narrower range first, numbers by value (Ž 9 before
// Ž 100); "n" and "nn" are read alike by the numbering systems, so that
// "J 3,16n" is the entry of "J 3,16-17".
TEST_F(TextCmds, IndexOrderAndFollowingMarks) {
    file("kazani.txt", "Mt 5,3-12, Mt 5,3a, Mt 5,3nn, Mt 5,1-7,29, Mt 5,3, Mt 5-7 a Mt 5.\n"
                       "Mt 5,10 a Mt 5,9; \u017d 100, \u017d 9, \u017d 23,5nn.\n"
                       "J 3,16n, J 3,16-17, J 3,36n.\n");
    expect_success(cz("index kazani.txt"),
                   "\u017d 9\tkazani.txt:2\n"
                   "\u017d 23,5-6\tkazani.txt:2\n"
                   "\u017d 100\tkazani.txt:2\n"
                   "Mt 5\tkazani.txt:1\n"
                   "Mt 5-7\tkazani.txt:1\n"
                   "Mt 5,1-7,29\tkazani.txt:1\n"
                   "Mt 5,3\tkazani.txt:1\n"
                   "Mt 5,3-12\tkazani.txt:1\n"
                   "Mt 5,3-48\tkazani.txt:1\n"
                   "Mt 5,3a\tkazani.txt:1\n"
                   "Mt 5,9\tkazani.txt:2\n"
                   "Mt 5,10\tkazani.txt:2\n"
                   "J 3,16-17\tkazani.txt:3\n"
                   "J 3,36-4,1\tkazani.txt:3\n",
                   "cz");
    // scan --index writes the same entries, "n" and "nn" read alike too.
    const Outcome tex = cz("scan --format tex --index", "J 3,16n a \u017d 23,5nn\n");
    expect_success(tex,
                   "\\bibleref{J 3,16n}"
                   "\\bibleindex{043@J}{043.003.016.000-043.003.017.000@J 3,16-17} a "
                   "\\bibleref{\u017d 23,5nn}"
                   "\\bibleindex{019@\u017d}{019.023.005.000-019.023.006.000@\u017d 23,5-6}\n",
                   "tex");
    // Without numbering systems (xx) "n" counts one verse more, "nn" two.
    expect_success(xx("index", "Mt 5,3n and Mt 5,3nn\n"),
                   "Mt 5,3-4\t-:1\nMt 5,3-5\t-:1\n", "xx");
}

// ---------------------------------------------------------------------
// grep

TEST_F(TextCmds, GrepFindsOverlappingCitations) {
    file("book.txt", "Rom 8,28 is known.\n"
                     "As in R 7,25-\n"
                     "8,2 too.\n"
                     "R 9,1 is not.\n"
                     "See R 8.\n"
                     "Jn 3,16; R 8,1n here\n");
    file("other.txt", "Mt 8,1\nR~8,3--5\n");
    // Overlap in either direction: "R 8" holds "R 8,28", and "R 7,25-8,2"
    // reaches into it; a citation across a line break shows both lines.
    expect_success(xx("grep 'R 8' book.txt other.txt"),
                   "book.txt:1:Rom 8,28 is known.\n"
                   "book.txt:2:As in R 7,25-\n"
                   "book.txt:3:8,2 too.\n"
                   "book.txt:5:See R 8.\n"
                   "book.txt:6:Jn 3,16; R 8,1n here\n"
                   "other.txt:2:R~8,3--5\n",
                   "R 8");
    expect_success(xx("grep 'Rom 8,4-10' book.txt other.txt"),
                   "book.txt:5:See R 8.\nother.txt:2:R~8,3--5\n", "Rom 8,4-10");
    expect_success(xx("grep 'Jn 3,16'", "x\nJn 3,14-18\n"), "-:2:Jn 3,14-18\n", "stdin");
    // A bare book stands for the whole book.
    expect_success(xx("grep Mt other.txt"), "other.txt:1:Mt 8,1\n", "Mt");

    Outcome o = xx("grep 'Gn 1' book.txt");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 1);

    // A file that cannot be opened: the others are searched, status 2.
    o = xx("grep 'R 9' missing.txt book.txt");
    EXPECT_EQ(o.out, "book.txt:4:R 9,1 is not.\n");
    EXPECT_EQ(o.err, "tovrin: cannot open 'missing.txt': No such file or directory\n");
    EXPECT_EQ(o.status, 2);
}

} // namespace
