// Phrases, the ">PHRASE>NAME" lines of bibl.ini: loading them for one
// language (statuses and the line at fault), matching them against the
// start of a text, and the text commands reading them (a phrase is found
// with the citation it begins, the output keeps its bytes; a broken phrase
// line ends the program with a message).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::binary_dir;
using testing_support::colon_lang;
using testing_support::config_text;
using testing_support::example_lang;
using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

// The configuration of the example language "xx" (books Gn, Ex, Mt, Mk,
// Lk, Jn, 1 Jn, Rom) with `lines` at the end of its block, then "yy".
std::string config_with(const std::string &lines) {
    const std::string xx = config_text(example_lang());
    return xx.substr(0, xx.size() - 2) + lines + "}\n" + config_text(colon_lang());
}

// The number of lines in front of `lines` in config_with(lines).
int lines_before_added() {
    const std::string xx = config_text(example_lang());
    return static_cast<int>(std::count(xx.begin(), xx.end(), '\n')) - 1;
}

using PhraseSet = std::unique_ptr<tovrin_phrases, void (*)(tovrin_phrases *)>;

struct Loaded {
    int status = -1;
    int line = -1;
    PhraseSet set{nullptr, tovrin_phrases_free};
};

Loaded load(const std::string &config, LANG *l = example_lang()) {
    TempDir dir;
    const std::string path = dir.write("bibl.ini", config);
    Loaded r;
    // The result must always be written, NULL on failure.
    static char sentinel;
    auto *const unset = reinterpret_cast<tovrin_phrases *>(&sentinel);
    tovrin_phrases *set = unset;
    r.status = tovrin_phrases_load(path.c_str(), l, &set, &r.line);
    EXPECT_NE(set, unset);
    r.set.reset(set == unset ? nullptr : set);
    return r;
}

// ---------------------------------------------------------------------------
// Loading

TEST(PhrasesLoad, ReadsTheLinesOfTheFirstBlockOfTheLanguage) {
    const std::string config =
        config_with(">Gospel of John>Jn\r\n>First Letter of John>1 J\n") +
        // A second block of a name is not read, for "yy" as for "xx".
        "{yy\n>Gospel of Mark>Mark\n}\n{xx\n>Gospel of Luke>Lk\n}\n";
    const Loaded r = load(config);
    ASSERT_EQ(r.status, TOVRIN_PHRASES_OK);
    EXPECT_EQ(r.line, 0);
    ASSERT_EQ(tovrin_phrases_count(r.set.get()), 2);
    EXPECT_STREQ(tovrin_phrases_phrase(r.set.get(), 0), "Gospel of John");
    EXPECT_STREQ(tovrin_phrases_name(r.set.get(), 0), "Jn");
    EXPECT_STREQ(tovrin_phrases_phrase(r.set.get(), 1), "First Letter of John");
    EXPECT_STREQ(tovrin_phrases_name(r.set.get(), 1), "1 J");

    // The same from the text in memory (a configuration built into a program).
    tovrin_phrases *from_text = nullptr;
    int line = -1;
    ASSERT_EQ(tovrin_phrases_load_text(config.data(), config.size(), example_lang(), &from_text,
                                       &line),
              TOVRIN_PHRASES_OK);
    const PhraseSet text_set(from_text, tovrin_phrases_free);
    EXPECT_EQ(line, 0);
    ASSERT_EQ(tovrin_phrases_count(text_set.get()), 2);
    EXPECT_STREQ(tovrin_phrases_phrase(text_set.get(), 1), "First Letter of John");

    const Loaded yy = load(config, colon_lang());
    ASSERT_EQ(yy.status, TOVRIN_PHRASES_OK);
    EXPECT_EQ(tovrin_phrases_count(yy.set.get()), 0);
    const Loaded first_yy = load("{yy\n>Gospel of Mark>Mark\n}\n" + config, colon_lang());
    ASSERT_EQ(first_yy.status, TOVRIN_PHRASES_OK);
    ASSERT_EQ(tovrin_phrases_count(first_yy.set.get()), 1);
    EXPECT_STREQ(tovrin_phrases_name(first_yy.set.get(), 0), "Mark");
}

TEST(PhrasesLoad, ALanguageWithoutPhrasesHasAnEmptySet) {
    const Loaded r = load(config_with(""));
    ASSERT_EQ(r.status, TOVRIN_PHRASES_OK);
    ASSERT_NE(r.set, nullptr);
    EXPECT_EQ(tovrin_phrases_count(r.set.get()), 0);
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), 'G'), 0);
}

TEST(PhrasesLoad, ReportsWhatIsWrongAndWhere) {
    struct Case {
        std::string lines; // added to the block; the last one is at fault
        int status;
        int line_in_lines; // 1 for the first added line, 0 for none
    };
    const Case kCases[] = {
        {">Gospel of John\n", TOVRIN_PHRASES_BAD_LINE, 1},
        {">Gospel of John>Jn\n>>Jn\n", TOVRIN_PHRASES_BAD_LINE, 2},
        {">Gospel of John>\n", TOVRIN_PHRASES_BAD_LINE, 1},
        {">Gospel of John>Jn>J\n", TOVRIN_PHRASES_BAD_LINE, 1},
        {">" + std::string(197, 'G') + ">Jn\n", TOVRIN_PHRASES_BAD_LINE, 1},
        {">Gospel of John>John\n", TOVRIN_PHRASES_UNKNOWN_NAME, 1},
        {">Gospel of John>Jn \n", TOVRIN_PHRASES_UNKNOWN_NAME, 1},
    };
    for (const Case &c : kCases) {
        const Loaded r = load(config_with(c.lines));
        EXPECT_EQ(r.status, c.status) << c.lines;
        EXPECT_EQ(r.line, lines_before_added() + c.line_in_lines) << c.lines;
        EXPECT_EQ(r.set, nullptr) << c.lines;
    }
    // Exactly 200 bytes is still a line the loader reads whole.
    EXPECT_EQ(load(config_with(">" + std::string(196, 'G') + ">Jn\n")).status, TOVRIN_PHRASES_OK);

    const Loaded no_language = load(config_text(colon_lang()));
    EXPECT_EQ(no_language.status, TOVRIN_PHRASES_NO_LANGUAGE);
    EXPECT_EQ(no_language.line, 0);

    tovrin_phrases *set = nullptr;
    int line = -1;
    EXPECT_EQ(tovrin_phrases_load("/nonexistent/bibl.ini", example_lang(), &set, &line),
              TOVRIN_PHRASES_NO_FILE);
    EXPECT_EQ(set, nullptr);
    EXPECT_EQ(line, 0);
}

// ---------------------------------------------------------------------------
// Matching

TEST(PhrasesMatch, FindsTheLongestPhraseAtTheStartOfAText) {
    const Loaded r = load(config_with(">Gospel of John>Jn\n"
                                      ">Gospel of John Mark>Mk\n"
                                      ">First Letter of John>1 Jn\n"
                                      ">1. Letter of John>1 J\n"));
    ASSERT_EQ(r.status, TOVRIN_PHRASES_OK);
    struct Case {
        const char *text;
        int more;
        long length; // -1: undecided, 0: none
        const char *name;
    };
    static const Case kCases[] = {
        {"Gospel of John 3,16", 0, 14, "Jn"},
        {"GOSPEL OF JOHN 3", 0, 14, "Jn"},            // case folding
        {"Gospel   of John 3", 0, 16, "Jn"},          // a run of spaces
        {"Gospel. of John 3", 0, 15, "Jn"},           // and abbreviation marks
        {"Gospel of John Mark 1", 0, 19, "Mk"},       // the longest wins
        {"Gospel of John, Mark 1", 0, 14, "Jn"},
        {"Gospel of John Mar", 1, -1, nullptr},       // "Mark" may follow
        {"Gospel of John Mar", 0, 14, "Jn"},
        {"Gospel of John", 1, -1, nullptr},           // "Johnny" may follow
        {"Gospel of John", 0, 14, "Jn"},
        {"Gospel of Jo", 1, -1, nullptr},
        {"Gospel of Jo", 0, 0, nullptr},
        {"Gospel of Johnny 3", 0, 0, nullptr},        // the word goes on
        {"Gospelof John 3", 0, 0, nullptr},           // the words must be apart
        {"Gospel of\nJohn 3", 0, 0, nullptr},         // a line feed ends a paragraph
        {"gospel of John 3", 0, 0, nullptr},          // no citation at a small letter
        {"First Letter of John 2", 0, 20, "1 Jn"},
        {"1. Letter of John 2", 0, 17, "1 J"},
        {"1 Letter of John 2", 0, 16, "1 J"},
        {"1.Letter of John 2", 0, 16, "1 J"},
        {"Exodus 3", 0, 0, nullptr},
        {"", 1, -1, nullptr},
        {"", 0, 0, nullptr},
    };
    for (const Case &c : kCases) {
        int which = -1;
        const std::string text = c.text;
        EXPECT_EQ(tovrin_phrases_match(r.set.get(), text.data(), text.size(), c.more, &which),
                  c.length)
            << "'" << c.text << "' more " << c.more;
        if (c.name != nullptr && which >= 0)
            EXPECT_STREQ(tovrin_phrases_name(r.set.get(), which), c.name) << c.text;
        else if (c.name != nullptr)
            ADD_FAILURE() << "'" << c.text << "': no phrase index";
    }
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), 'G'), 1);
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), 'F'), 1);
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), '1'), 1);
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), 'g'), 0);
    EXPECT_EQ(tovrin_phrases_may_begin(r.set.get(), 'X'), 0);
}

// ---------------------------------------------------------------------------
// The text commands

struct Cli {
    TempDir dir;
    std::string config;
    explicit Cli(const std::string &text) : config(dir.write("bibl.ini", text)) {}
    Outcome run(const std::string &args, const std::string &input) const {
        return run_command(binary_dir() + "/tovrin --config '" + config + "' --lang xx " + args,
                           "", input);
    }
};

TEST(PhrasesInTexts, AreReadAsTheirNamesAndWrittenAsTheyStand) {
    const Cli cli(config_with(">Gospel of John>Jn\n>First Letter of John>1 J\n"));
    const std::string text = "See Gospel of\nJohn 3,16n and First Letter of John 2,1, "
                             "not the Gospel of Johnny 3 or\n\nGospel of John 1.\n";
    Outcome o = cli.run("scan --format tex", text);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "See \\bibleref{Gospel of\nJohn 3,16n} and \\bibleref{First Letter of John "
                     "2,1}, not the Gospel of Johnny 3 or\n\n\\bibleref{Gospel of John 1}.\n");

    o = cli.run("scan --format json", text);
    EXPECT_EQ(o.out,
              "{\"file\":\"-\",\"line\":1,\"column\":5,\"offset\":4,\"text\":\"Gospel of\\nJohn "
              "3,16n\",\"canonical\":\"Jn 3,16-17\",\"osis\":null}\n"
              "{\"file\":\"-\",\"line\":2,\"column\":16,\"offset\":29,\"text\":\"First Letter "
              "of John 2,1\",\"canonical\":\"1 Jn 2,1\",\"osis\":null}\n"
              "{\"file\":\"-\",\"line\":4,\"column\":1,\"offset\":86,\"text\":\"Gospel of John "
              "1\",\"canonical\":\"Jn 1\",\"osis\":null}\n");

    // The commands on single citations read them too; --exact reads none.
    o = cli.run("expand 'Gospel of John 3,16n'", "");
    EXPECT_EQ(o.out, "Jn 3,16-17\n");
    o = cli.run("expand --exact 'Gospel of John 3,16n'", "");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "\n");
}

// A phrase is tried only where the first two bytes of the text may begin
// one: after a first word of one letter any run of spaces, abbreviation
// marks or spacing forms may follow; the second byte matches under
// folding; a letter of the word cut off by a form is no phrase.
TEST(PhrasesInTexts, BeginWhereTheirFirstTwoBytesMayBeginOne) {
    const Cli cli(config_with(">A Book of John>Jn\n>Gospel of John>Jn\n"));
    const Outcome o = cli.run("scan --format tex",
                              "See A  Book of John 3,16, A.Book of John 1,1; "
                              "A\xc2\xa0" "Book of John 2,1; A\tBook of John 4,1; "
                              "Ab Book of John 5,1; G\xc2\xa0" "ospel of John 6,1; "
                              "GOSPEL of John 7,1.\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "See \\bibleref{A  Book of John 3,16}, \\bibleref{A.Book of John 1,1; "
                     "A\xc2\xa0" "Book of John 2,1; A\tBook of John 4,1}; "
                     "Ab Book of John 5,1; G\xc2\xa0" "ospel of John 6,1; "
                     "\\bibleref{GOSPEL of John 7,1}.\n");
}

// A broken phrase line is a broken configuration: found when it is loaded,
// whatever the command, and status 2 as for every configuration error.
TEST(PhrasesInTexts, ABrokenPhraseLineEndsTheProgram) {
    const Cli cli(config_with(">Gospel of John>Jn\n>Gospel of Luke>Luke\n"));
    const Outcome o = cli.run("scan", "Gospel of John 3,16\n");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "tovrin: " + cli.config + ":" + std::to_string(lines_before_added() + 2) +
                         ": the phrase stands for no book name of its language\n");

    const Cli bad(config_with(">Gospel of John\n"));
    const Outcome b = bad.run("expand 'Jn 3,16'", "");
    EXPECT_EQ(b.status, 2);
    EXPECT_EQ(b.err, "tovrin: " + bad.config + ":" + std::to_string(lines_before_added() + 1) +
                         ": a phrase line is \">PHRASE>NAME\", below 200 bytes\n");
}

} // namespace
