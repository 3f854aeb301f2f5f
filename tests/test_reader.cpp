// The library's reading of running text: the text stage (typographic forms,
// decomposed letters, phrases), the records of the citations it finds
// (tovrin_reader_* and tovrin::Language::scan), configurations opened
// without ending the process, language aliases, lint's words for a single
// citation, and the linter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using testing_support::linted;
using testing_support::TempDir;

const tovrin::Config &shipped() {
    static const tovrin::Config config;
    return config;
}
tovrin::Language cz() { return shipped().language("cz"); }
tovrin::Language en() { return shipped().language("en"); }

// The citations of `text` as "text=read" pairs.
std::vector<std::string> found(tovrin::Language l, const std::string &text,
                               const tovrin::Options &o = {}) {
    std::vector<std::string> all;
    for (const tovrin::Citation &c : l.scan(text, o))
        all.push_back(c.text + "=" + c.read);
    return all;
}

using Found = std::vector<std::string>;

TEST(TextStage, TypographicFormsAreReadAsTheLanguagesOwnBytes) {
    const struct {
        const char *text;
        Found want;
    } cases[] = {
        // Every dash that writes a range.
        {"Mt 5,3\xe2\x80\x93" "12", {"Mt 5,3\xe2\x80\x93" "12=Mt 5,3-12"}},  // en dash
        {"Mt 5,3\xe2\x80\x94" "12", {"Mt 5,3\xe2\x80\x94" "12=Mt 5,3-12"}},  // em dash
        {"Mt 5,3\xe2\x80\x92" "12", {"Mt 5,3\xe2\x80\x92" "12=Mt 5,3-12"}},  // figure dash
        {"Mt 5,3\xe2\x80\x90" "12", {"Mt 5,3\xe2\x80\x90" "12=Mt 5,3-12"}},  // hyphen
        {"Mt 5,3\xe2\x88\x92" "12", {"Mt 5,3\xe2\x88\x92" "12=Mt 5,3-12"}},  // minus sign
        {"Mt 5,3--12 a Mt 5,3---12", {"Mt 5,3--12=Mt 5,3-12", "Mt 5,3---12=Mt 5,3-12"}},
        // Ties and the spaces that do not break.
        {"J~3,16", {"J~3,16=J 3,16"}},
        {"Mt\xc2\xa0" "5,3", {"Mt\xc2\xa0" "5,3=Mt 5,3"}},
        {"Mt\xe2\x80\xaf" "5,3 a Mt\xe2\x80\x89" "5,4", {"Mt\xe2\x80\xaf" "5,3=Mt 5,3",
                                                         "Mt\xe2\x80\x89" "5,4=Mt 5,4"}},
        // A line break inside a paragraph is a space; between paragraphs not.
        {"viz Mt\n5,3", {"Mt\n5,3=Mt 5,3"}},
        {"viz Mt\r\n5,3", {"Mt\r\n5,3=Mt 5,3"}},
        {"viz Mt\n\n5,3", {}},
        {"viz Mt\n  \n5,3", {}},
        // Near misses stay as they are.
        {"Mt 5,3-12 a 5\xe2\x80\x98" "6", {"Mt 5,3-12=Mt 5,3-12"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(found(cz(), c.text), c.want) << c.text;
}

TEST(TextStage, DecomposedLettersAreReadComposed) {
    const struct {
        const char *text;
        Found want;
    } cases[] = {
        {"viz Z\xcc\x8c 23,1", {"Z\xcc\x8c 23,1=\xc5\xbd 23,1"}},
        // A letter of two bytes and a mark: "Ř" as "R" + caron.
        {"viz R\xcc\x8ci\xcc\x81m 8,28", {"R\xcc\x8ci\xcc\x81m 8,28=\xc5\x98\xc3\xadm 8,28"}},
        // In a phrase: "První list Korintským".
        {"viz Prvni\xcc\x81 list Korintsky\xcc\x81m 13,4",
         {"Prvni\xcc\x81 list Korintsky\xcc\x81m 13,4=1 K 13,4"}},
        // A mark with nothing to compose with stays.
        {"\xcc\x8c Mt 5,3", {"Mt 5,3=Mt 5,3"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(found(cz(), c.text), c.want) << c.text;
}

// The table of composed letters is what its script writes from Python's
// Unicode database (Debian 12's Python: Unicode 14).
TEST(TextStage, CompositionTableRegenerates) {
    const testing_support::Outcome made = testing_support::run_command(
        "/usr/bin/python3 " + testing_support::source_dir() + "/tools/unicode/compose_table.py");
    if (made.status == 127)
        GTEST_SKIP() << "no /usr/bin/python3";
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out,
              testing_support::read_file(testing_support::source_dir() + "/src/compose_table.inc"));
}

TEST(TextStage, PhrasesAreReadAsTheNamesTheyStandFor) {
    EXPECT_EQ(found(en(), "Song of Songs 8:6 and Song of\nSongs 8:7"),
              (Found{"Song of Songs 8:6=Song 8:6", "Song of\nSongs 8:7=Song 8:7"}));
    // A citation before a phrase does not run into it, unless a citation
    // separator joins the two.
    EXPECT_EQ(found(cz(), "viz \xc5\xbd 23,1. Prvn\xc3\xad list Korintsk\xc3\xbdm 13,4"),
              (Found{"\xc5\xbd 23,1=\xc5\xbd 23,1",
                     "Prvn\xc3\xad list Korintsk\xc3\xbdm 13,4=1 K 13,4"}));
    EXPECT_EQ(found(cz(), "viz Mt 5,3; Prvn\xc3\xad list Korintsk\xc3\xbdm 13,4"),
              Found{"Mt 5,3; Prvn\xc3\xad list Korintsk\xc3\xbdm 13,4=Mt 5,3; 1 K 13,4"});
    // Not across a paragraph, and only where a citation may begin.
    EXPECT_EQ(found(en(), "Song of\n\nSongs 8:7 and song of songs 8:6"),
              Found{"Songs 8:7=Songs 8:7"});
}

TEST(TextStage, OptionsTurnEachReadingOff) {
    tovrin::Options no_forms;
    no_forms.forms = false;
    EXPECT_EQ(found(cz(), "Mt 5,3\xe2\x80\x93" "12", no_forms), Found{"Mt 5,3=Mt 5,3"});
    tovrin::Options no_phrases;
    no_phrases.phrases = false;
    EXPECT_EQ(found(en(), "Song of Songs 8:6", no_phrases), Found{"Songs 8:6=Songs 8:6"});
    tovrin::Options exact;
    exact.exact = true;
    // The driver's reading: the bytes as they are, numbers only up to 999.
    EXPECT_EQ(found(cz(), "Mt~5,3 a EZ 508,1", exact), Found{"EZ 508,1=EZ 508,1"});
    EXPECT_EQ(found(cz(), "Mt~5,3 a EZ 508,1"), Found{"Mt~5,3=Mt 5,3"});
}

// However the text is cut into blocks, the records are the same: forms,
// marks and phrases cut by the end of a block are read whole.
TEST(Reader, RecordsDoNotDependOnTheBlocks) {
    std::string text;
    for (int k = 0; k < 200; ++k)
        text += "Viz Mt 5,3\xe2\x80\x93" "12; J~3,16 a Z\xcc\x8c 23,1 a\r\n"
                "Prvni\xcc\x81 list Korintsky\xcc\x81m 13,4--7 a\nMt\xc2\xa0" "5,1. EZ 508,1\n\n";
    const std::vector<tovrin::Citation> whole = cz().scan(text);
    ASSERT_EQ(whole.size(), 800u);
    // Blocks of more than a few KB are read where they lie after the end
    // of the block before.
    for (std::size_t size : {1, 2, 3, 5, 64, 4097, 5000, 70000}) {
        tovrin::Reader reader(cz());
        std::vector<tovrin::Citation> pieces;
        for (std::size_t at = 0; at < text.size(); at += size)
            reader.feed(std::string_view(text).substr(at, size), pieces);
        reader.finish(pieces);
        EXPECT_EQ(pieces, whole) << size;
    }
}

TEST(Reader, RecordsGivePlacesInTheOriginalText) {
    const std::string text = "\xc5\x98\xc3\xadm\xc2\xa0\x31,1 a\nviz Mt 5,3\xe2\x80\x93" "12, "
                             "Ju 1,5; EZ 508,1.";
    const std::vector<tovrin::Citation> all = cz().scan(text);
    ASSERT_EQ(all.size(), 3u);
    const tovrin::Citation &first = all[0];
    EXPECT_EQ(first.text, "\xc5\x98\xc3\xadm\xc2\xa0\x31,1");
    EXPECT_EQ(first.offset, 0);
    EXPECT_EQ(first.length, 10);
    EXPECT_EQ(first.canonical, "\xc5\x98 1,1");
    EXPECT_EQ(first.osis, "Rom.1.1");
    const tovrin::Citation &second = all[1];
    EXPECT_EQ(text.substr(static_cast<std::size_t>(second.offset),
                          static_cast<std::size_t>(second.length)),
              "Mt 5,3\xe2\x80\x93" "12");
    EXPECT_EQ(second.line, 2);
    EXPECT_EQ(second.column, 5); // characters, not bytes
    EXPECT_EQ(second.read, "Mt 5,3-12");
    EXPECT_EQ(second.osis, "Matt.5.3-Matt.5.12");
    ASSERT_EQ(second.units.size(), 1u);
    EXPECT_EQ(second.units[0].bf, 40);
    EXPECT_EQ(second.units[0].v, 12);
    EXPECT_EQ(second.osis_books(), std::vector<std::string>{"Matt"});
    EXPECT_EQ(all[2].text, "Ju 1,5");
    EXPECT_EQ(all[2].column, 16);
}

// The text handler receives every byte that is not a citation, so that a
// program rewriting the text loses nothing.
TEST(Reader, TextAndCitationsMakeUpTheInput) {
    const std::string text = "a\xe2\x80\x93 Mt 5,3--4\n\nb Z\xcc\x8c 1 \xcc\x8c\xe2\x80";
    struct Out {
        std::string all;
    } out;
    tovrin_handler h{};
    h.citation = [](const tovrin_citation *c, void *o) {
        static_cast<Out *>(o)->all += "[" + std::string(c->text) + "]";
    };
    h.text = [](const char *t, size_t n, void *o) { static_cast<Out *>(o)->all.append(t, n); };
    h.ctx = &out;
    tovrin_reader *r = tovrin_reader_new(cz().get(), nullptr);
    for (char c : text)
        tovrin_reader_feed(r, &c, 1, &h);
    tovrin_reader_finish(r, &h);
    EXPECT_EQ(tovrin_reader_decided(r), static_cast<long long>(text.size()));
    tovrin_reader_free(r);
    EXPECT_EQ(out.all, "a\xe2\x80\x93 [Mt 5,3--4]\n\nb [Z\xcc\x8c 1] \xcc\x8c\xe2\x80");
}

// Where a text may be cut: the exact reading at any line break; the
// default reading, which joins a paragraph's lines, after a blank line or
// after a "?" or "!" that ends a line before one that begins plainly. The
// parts read apart give the citations of the whole.
TEST(Reader, CutsWhereReadersApartReadAsOne) {
    const struct {
        const char *text;
        std::size_t from;
        bool exact;
        std::size_t cut; // npos: none
    } cases[] = {
        {"Viz Mt 5,\n3-12 a L\n6,20n.\n", 0, false, std::string::npos},
        {"Viz Mt 5,\n3-12 a L\n6,20n.\n", 0, true, 10},
        {"Kdo?\nMt 5,3 a Mt\n5,7!\nJ 3,16\n", 0, false, 5},
        {"Kdo?\nMt 5,3 a Mt\n5,7!\nJ 3,16\n", 6, false, 22},
        {"Kdo?\r\nMt 5,3\n", 0, false, 6},
        {"Kdo?\n Mt 5,3\n", 0, false, std::string::npos},     // a space begins the line
        {"Kdo?\n\u2013 Mt 5,3\n", 0, false, std::string::npos}, // so does a form
        {"Mt 5,3\n\nL 6,20\n", 0, false, 8},
        {"Mt 5,3\n\r\nL 6,20\n", 0, false, 9},
        {"Mt 5,3\n \t\nL 6,20\n", 0, false, 10},
        {"Kdo? Mt 5,\n3\n", 0, false, std::string::npos},
    };
    for (const auto &c : cases) {
        const std::string text = c.text;
        SCOPED_TRACE(text);
        tovrin::Options options;
        options.exact = c.exact;
        const tovrin_options o = options.c();
        const std::size_t cut = tovrin_cut_after(cz().get(), &o, text.data(), text.size(), c.from);
        EXPECT_EQ(cut, c.cut == std::string::npos ? text.size() : c.cut);
        if (cut == text.size())
            continue;
        Found apart = found(cz(), text.substr(0, cut), options);
        for (std::string &f : found(cz(), text.substr(cut), options))
            apart.push_back(std::move(f));
        EXPECT_EQ(apart, found(cz(), text, options));
    }
    EXPECT_EQ(tovrin_cut_after(nullptr, nullptr, "a\n\nb", 4, 0), 4u);
}

// A phrase is read as its name whole. When the citation of the name fails
// (here a book that the language's numbering systems do not have), a book
// that a later word of the name names ("Jer" of "Sul Jer") is not cited in
// its place, with a text that begins inside the phrase.
TEST(Reader, NoCitationBeginsInsideThePhrasesName) {
    std::string ini =
        testing_support::read_file(testing_support::source_dir() + "/data/bibl.ini");
    const std::string letter = "\n+Sul Jer\n"; // ceb: the Letter of Jeremiah
    const std::size_t at = ini.find(letter);
    ASSERT_NE(at, std::string::npos);
    ini.insert(at + letter.size(), ">Sulat ni Jeremias>Sul Jer\n");
    const tovrin::Config config = tovrin::Config::from_text(ini);
    const tovrin::Language ceb = config.language("ceb");
    Found found;
    for (const tovrin::Citation &c : ceb.scan("Ang Sulat ni Jeremias 7:3 ug Jeremias 7:3."))
        found.push_back(c.text + " " + c.osis.value_or(""));
    EXPECT_EQ(found, Found{"Jeremias 7:3 Jer.7.3"});
    EXPECT_EQ(linted(ceb.get(), "Ang Sulat ni Jeremias 7:3 ug Jeremias 7:3.", 4096),
              "1:5 no book Sul Jer in kjv or kjva\n");
}

// A long text without citations is handed out as it comes: the reader
// keeps only its undecided end.
TEST(Reader, HandsOutTextAsItIsDecided) {
    tovrin_reader *r = tovrin_reader_new(cz().get(), nullptr);
    const std::string block(1 << 16, 'x');
    for (int k = 0; k < 64; ++k)
        tovrin_reader_feed(r, block.data(), block.size(), nullptr);
    EXPECT_GT(tovrin_reader_decided(r), 63LL << 16);
    tovrin_reader_free(r);
}

TEST(Config, OpenedFilesReportTheirFaults) {
    TempDir dir;
    const struct {
        std::string path;
        int line;
        std::string message;
    } cases[] = {
        {dir.path() + "/none.ini", 0, "cannot read: No such file or directory"},
        {dir.write("nested.ini", "{aa\n{bb\n"), 2, "languages can't be nested"},
        {dir.write("empty.ini", "% only a comment\n"), 0, "no languages in it"},
        {dir.write("phrase.ini", "{aa\n!;-.,+n.\n_ab\n^AB\n&a\n+Ab\n>Book of A>Xy\n}\n"), 7,
         "the phrase stands for no book name of its language"},
    };
    for (const auto &c : cases) {
        tovrin_config_error err{};
        EXPECT_EQ(tovrin_config_open(c.path.c_str(), &err), nullptr) << c.path;
        EXPECT_EQ(err.file, c.path);
        EXPECT_EQ(err.line, c.line) << c.path;
        EXPECT_EQ(err.message, c.message) << c.path;
    }
}

TEST(Config, TwoConfigurationsDoNotInterfere) {
    TempDir dir;
    const tovrin::Config one(dir.write("one.ini", "{aa\n!;-.,+n.\n_ab\n^AB\n&a\n+Ab\n}\n"));
    const tovrin::Config two(dir.write("two.ini", "{bb\n!;-,:+f.\n_ab\n^AB\n&a\n+Ba\n}\n"));
    EXPECT_EQ(one.find("bb"), std::nullopt);
    EXPECT_EQ(found(one.language("aa"), "x Ab 1,2"), Found{"Ab 1,2=Ab 1,2"});
    EXPECT_EQ(found(two.language("bb"), "x Ba 1:2"), Found{"Ba 1:2=Ba 1:2"});
    // The shipped configuration is built in and takes the ISO codes too;
    // it is loaded once, however often it is opened.
    EXPECT_EQ(shipped().language("cs"), shipped().language("cz"));
    EXPECT_EQ(tovrin::Config().language("cz"), shipped().language("cz"));
    EXPECT_THROW(shipped().language("xx"), tovrin::language_error);
    size_t len = 0;
    EXPECT_GT(std::string_view(tovrin_shipped_config(&len)).size(), 1000u);
    EXPECT_EQ(std::string_view(tovrin_shipped_config(nullptr)).size(), len);
}

TEST(Services, ACitationThatDoesNotReadThrowsLintsWords) {
    const struct {
        const char *cite;
        const char *why;
    } cases[] = {
        {"Xy 3,4", "unknown book name 'Xy' in 'Xy 3,4'"},
        {"Mt 5,", "not a citation: stops at column 6 in 'Mt 5,'"},
        {"Mt 5,1000", "chapter or verse number '1000' out of range 1-999 in 'Mt 5,1000'"},
        {"Mt 5,7\xe2\x80\x93" "3", "reversed range in 'Mt 5,7\xe2\x80\x93" "3'"},
    };
    for (const auto &c : cases) {
        try {
            (void)cz().expand(c.cite);
            ADD_FAILURE() << c.cite;
        } catch (const tovrin::citation_error &e) {
            EXPECT_STREQ(e.what(), c.why);
            EXPECT_EQ(e.citation(), c.cite);
        }
    }
    EXPECT_EQ(cz().problem("Mt 29,1", TOVRIN_PROBLEM_EXISTS), "no chapter 29 in Mt (it has 28)");
    EXPECT_EQ(cz().problem("Mt", 0), "missing chapter in 'Mt'");
    EXPECT_EQ(cz().problem("Mt"), std::nullopt);
    const std::vector<tovrin::Unit> units = cz().units("J 3,16n");
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units, cz().scan("viz J 3,16n")[0].units);
    EXPECT_EQ(units[0].v, 17);
    // The default reading takes only what exists, and a book of one
    // chapter by its verses alone.
    EXPECT_EQ(cz().problem("Mt 29,1"), "no chapter 29 in Mt (it has 28)");
    EXPECT_EQ(cz().problem("Ju 26"), "no verse 26 in Ju 1 (it has 25)");
    EXPECT_EQ(cz().problem("Ju 5"), std::nullopt);
}

TEST(Services, ReadTypographicFormsLikeTheScan) {
    EXPECT_EQ(cz().osis("Mt 5,3\xe2\x80\x93" "12"), "Matt.5.3-Matt.5.12");
    EXPECT_EQ(cz().expand("Z\xcc\x8c 23"), "\xc5\xbd 23");
    EXPECT_EQ(en().expand("Song of Songs 8:6"), "Song 8:6");
    EXPECT_EQ(cz().expand("Mt 5,3n", en()), "Matt 5:3-4");
    EXPECT_EQ(cz().translate("Mt 5,3n", en()), "Matt 5:3f");
    const tovrin::Comparison c = cz().compare("Mt 5,3\xe2\x80\x93" "12", "Matt 5:4", en());
    EXPECT_TRUE(c.overlap);
    EXPECT_EQ(c.order, std::weak_ordering::less);
    EXPECT_TRUE(cz().exists("J 3,16"));
    EXPECT_FALSE(cz().exists("J 3,99"));
    const tovrin::Config mine = tovrin::Config::from_text(
        "{aa\n!;-.,+n.\n_ab\n^AB\n&a\n+Ab\n}\n", "mine.ini");
    EXPECT_EQ(mine.language("aa").osis("Ab 1,2"), std::nullopt);
}

// The linter reports what `tovrin lint` reports, in the same order, with
// the places of the original text; the blocks do not matter.
TEST(Linter, ReportsCitationsWrittenWrongly) {
    const std::string text = "Viz Mt~29,1--3; J 3,36\xe2\x80\x93\n99 a Gn 51,1.\n"
                             "\xc2\xa0Mt 5,12--3 a Zl 3,4 a Z\xcc\x8c 0.\n";
    const std::string want = "1:5 no chapter 29 in Mt (it has 28)\n"
                             "1:17 no verse 99 in J 3 (it has 36)\n"
                             "2:6 no chapter 51 in Gn (it has 50)\n"
                             "3:2 reversed range in 'Mt 5,12-3'\n"
                             "3:15 unknown book name 'Zl' in 'Zl 3,4' (did you mean "
                             "'\xc5\xbdl'?)\n"
                             "3:24 chapter or verse number '0' out of range 1-999 in "
                             "'\xc5\xbd 0'\n";
    for (std::size_t size : {1, 7, 4096})
        EXPECT_EQ(linted(cz().get(), text, size), want) << size;
}

// A range from a chapter to a verse of a later chapter is tested at both
// ends as written: its last verse must exist too, and a book of one
// chapter has no chapter 8.
TEST(Linter, TestsBothEndsOfARangeFromAChapterToAVerse) {
    const struct {
        const char *text, *want;
    } cases[] = {
        {"viz Jr 20\xe2\x80\x93" "27,28 a", "1:5 no verse 28 in Jr 27 (it has 22)\n"},
        {"viz Jr 20-27,28n a", "1:5 no verse 28 in Jr 27 (it has 22)\n"},
        {"viz Jr 20-27,22 a", ""},
        {"viz Flm 8-26,20 a", "1:5 no chapter 8 in Fm (it has 1)\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(linted(cz().get(), c.text, 4096), c.want) << c.text;
}

// An unknown book name is reported only where it is probably a misspelt
// name of the language, with the name meant: one differing in case or
// diacritics alone (at any length), else one a single edit away (between
// names of three letters or more); the closest wins, then the first in
// bibl.ini. A capitalised word that is nothing like a book is prose.
TEST(Linter, ReportsMisspeltBookNamesWithTheNameMeant) {
    const struct {
        const char *lang, *text, *name, *meant; // meant: "" for no report
    } cases[] = {
        {"cz", "viz Zalm 23,1.", "Zalm", "\xc5\xbd" "alm"},          // diacritics
        {"cz", "viz Z 23,1.", "Z", "\xc5\xbd"},                      // ... of one letter
        {"cz", "viz ZL 3,4.", "ZL", "\xc5\xbd" "l"},                 // case and diacritics
        {"cz", "viz 1 Ko\xc5\x99 13,4.", "1 Ko\xc5\x99", "1 Kor"},  // with a number
        {"cz", "viz Jeremias 3,5.", "Jeremias", "Jeremi\xc3\xa1\xc5\xa1"}, // a long name
        {"cz", "viz 2 Mojz 3,4.", "2 Mojz", "2 Moj\xc5\xbe"}, // not "1 Mojž", one edit, before it
        {"cz", "viz Ko\xc5\x99 5,6.", "Ko\xc5\x99", "Koh"}, // Koh (Kazatel) before Kol
        {"en", "see Genn 1:1.", "Genn", "Gen"},       // a letter more
        {"en", "see Romns 8:28.", "Romns", "Romans"}, // a letter less
        {"en", "see Marc 5:3.", "Marc", "Mark"},      // another letter
        {"en", "see Exdous 3:4.", "Exdous", "Exodus"}, // two letters swapped
        {"cz", "viz Sermo 341,1.", "Sermo", ""},
        {"cz", "viz Art. 5,3.", "Art", ""}, // one letter more than Rt, too short a name
        {"cz", "viz GS 62,1.", "GS", ""},
        {"cz", "viz Mr 5,3.", "Mr", ""}, // one edit from Mt, Mk, Mi, ...
        {"en", "see Sermo 3:4.", "Sermo", ""},
    };
    for (const auto &c : cases) {
        const tovrin::Language l = shipped().language(c.lang);
        const std::string cite = std::string(c.text).substr(4, std::strlen(c.text) - 5);
        const bool misspelt = *c.meant != '\0';
        const std::string unknown = "unknown book name '" + std::string(c.name) + "' in '" + cite +
                                    "'" +
                                    (misspelt ? " (did you mean '" + std::string(c.meant) + "'?)"
                                              : "");
        EXPECT_EQ(linted(l.get(), c.text, 4096), misspelt ? "1:5 " + unknown + "\n" : "") << c.text;
        EXPECT_TRUE(!misspelt || l.find_book(c.meant) != 0) << c.meant;
        // A citation typed as one is reported whatever its name, with the
        // same suggestion.
        EXPECT_EQ(l.problem(cite), unknown) << cite;
    }
}

} // namespace
