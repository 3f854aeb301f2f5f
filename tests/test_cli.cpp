// The citation filters of the tovrin tool, end to end: expand, translate
// and compare, with citations from the arguments and from standard input,
// on a configuration of two languages.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

// "xx" (; - . , + n .) and "yy" (; - , : + f .), the same eight books.
std::string config() {
    return testing_support::config_text(testing_support::example_lang()) +
           testing_support::config_text(testing_support::colon_lang());
}

// One run of the tool that must succeed: arguments, standard input, and the
// exact standard output.
struct Case {
    const char *args;
    const char *in;
    const char *out;
};

class Cli : public ::testing::Test {
protected:
    Cli() : config_(dir_.write("bibl.ini", config())) {}

    // Runs `tovrin --config CONFIG ARGS` in an empty directory.
    Outcome tovrin(const std::string &args, const std::string &stdin_text = "") {
        TempDir cwd;
        return run_command(testing_support::binary_dir() + "/tovrin --config '" + config_ + "' " +
                               args,
                           cwd.path(), stdin_text);
    }

    // Runs `tovrin --config <shipped bibl.ini> ARGS`, whose languages name
    // their numbering systems.
    Outcome shipped(const std::string &args, const std::string &stdin_text = "") {
        return run_command(testing_support::binary_dir() + "/tovrin --config '" +
                               testing_support::source_dir() + "/data/bibl.ini' " + args,
                           dir_.path(), stdin_text);
    }

    template <std::size_t N>
    void expect_all(const Case (&cases)[N], bool shipped_config = false) {
        for (const Case &c : cases) {
            const Outcome o = shipped_config ? shipped(c.args, c.in) : tovrin(c.args, c.in);
            EXPECT_EQ(o.out, c.out) << c.args << " <<< " << c.in;
            EXPECT_EQ(o.err, "") << c.args << " <<< " << c.in;
            EXPECT_EQ(o.status, 0) << c.args << " <<< " << c.in;
        }
    }

    TempDir dir_;
    std::string config_;
};

TEST_F(Cli, Expand) {
    const Case cases[] = {
        {"expand --lang xx 'Mt 5,3-12; L 6,20n' 'Jn 1,1nn'", "",
         "Mt 5,3-12; Lk 6,20-21\nJn 1,1nn\n"},
        {"expand --lang xx --to yy 'Mt 5,3-12; L 6,20n' 'Gn 1-2,3'", "",
         "Mat 5:3-12; Luke 6:20-21\nGen 1:1-2:3\n"},
        {"expand --lang yy --to xx 'Mat 5:3,7'", "", "Mt 5,3; Mt 5,7\n"},
        {"expand --lang xx 'Mt 5,7; Gn 1,1'", "", "Mt 5,7; Gn 1,1\n"},
        {"expand --lang xx --sort 'Mt 5,7; Gn 1,1'", "", "Gn 1,1; Mt 5,7\n"},
        {"expand --lang xx --to yy --sort 'Mt 5,7; Gn 1,1'", "", "Gen 1:1; Mat 5:7\n"},
        // From standard input: one result line per line (an empty line is
        // no citation: see BadCitations).
        {"expand --lang xx", "Mt 5,3\nGn 1-2,3\nJn 3,16+\r\n",
         "Mt 5,3\nGn 1,1-2,3\nJn 3,16\n"},
        {"expand --lang xx --to yy", "Jn 3n\nMt 5,9.3", "John 3-4\nMat 5:9; Mat 5:3\n"},
        {"expand --lang xx --sort", "Mt 5,9.3\n", "Mt 5,3; Mt 5,9\n"},
        {"expand --lang xx", "", ""},
    };
    expect_all(cases);
}

// The following marks by a numbering system: "n" after the last verse of a
// chapter is the first verse of the next one, "nn" runs to the end of the
// chapter, and neither crosses the end of a book. Czech readers count
// Malachi in three chapters (Hebrew), English ones in four (KJV).
TEST_F(Cli, ExpandByNumberingSystem) {
    const Case cases[] = {
        {"expand --versification 'J 3,36n' 'Mal 3,24n' 'Ž 23,5nn' 'J 3,16n'", "",
         "J 3,36-4,1\nMal 3,24\nŽ 23,5-6\nJ 3,16-17\n"},
        {"expand --lang en --versification 'John 3:36f' 'Mal 4:6f' 'Ps 23:5ff' 'Mal 3:18f'", "",
         "John 3:36-4:1\nMal 4:6\nPs 23:5-6\nMal 3:18-4:1\n"},
        // A system by name, and into another language.
        {"expand --versification kjv 'Mal 3,18n'", "", "Mal 3,18-4,1\n"},
        {"expand --versification hebrew 'Mal 3,18n'", "", "Mal 3,18-19\n"},
        {"expand --to en --versification 'J 3,36n'", "", "John 3:36-4:1\n"},
        {"expand --versification", "J 3,36n\nMal 3,24n\n", "J 3,36-4,1\nMal 3,24\n"},
        // A citation of one lower-case word is no NAME after "--".
        {"expand --versification -- gn", "", "Gn\n"},
    };
    expect_all(cases, true);
}

// OSIS references: one per unit, separated by ","; the marks resolved as
// by --versification; verse parts only with --parts.
TEST_F(Cli, ExpandToOsis) {
    const Case cases[] = {
        {"expand --to osis 'Mt 5,3-12; L 6,20n'", "",
         "Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21\n"},
        {"expand --to osis 'J 3,36n' 'J 3,16a' 'Gn 1,1-2,3; Zj 22' 'Mt 5,3.7' 'Gn-Ex'", "",
         "John.3.36-John.4.1\nJohn.3.16\nGen.1.1-Gen.2.3,Rev.22\nMatt.5.3,Matt.5.7\n"
         "Gen-Exod\n"},
        {"expand --to osis --parts 'J 3,16a-18b'", "", "John.3.16!a-John.3.18!b\n"},
        {"expand --lang en --to osis", "Ps 119:176\nMal 4:6f\n", "Ps.119.176\nMal.4.6\n"},
    };
    expect_all(cases, true);

    const Outcome bad = shipped("expand --to osis 'Xy 3,4' 'J 3,16'");
    EXPECT_EQ(bad.out, "\nJohn.3.16\n");
    EXPECT_EQ(bad.err, "tovrin: expand: unknown book name 'Xy' in 'Xy 3,4'\n");
    EXPECT_EQ(bad.status, 1);
}

// The built-in numbering systems as messages list them: "hebrew, kjv, ...".
std::string system_names() {
    std::string names;
    for (int k = 0; tovrin_versification_at(k) != nullptr; ++k)
        names += (k > 0 ? ", " : "") +
                 std::string(tovrin_versification_name(tovrin_versification_at(k)));
    return names;
}

// Options of expand that cannot be honoured are usage errors, before any
// output.
TEST_F(Cli, ExpandOptionErrors) {
    const std::string systems = "(systems: " + system_names() + ")\n";
    const struct {
        const char *args;
        std::string err;
    } cases[] = {
        {"expand --versification nope 'J 3,16'",
         "tovrin: unknown numbering system 'nope' " + systems},
        {"expand --parts 'J 3,16'", "tovrin: --parts goes with --to osis\n"},
        {"expand --sort --versification 'J 3,16'",
         "tovrin: --sort does not go with --versification\n"},
        {"expand --sort --to osis 'J 3,16'", "tovrin: --sort does not go with --to osis\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = shipped(c.args);
        EXPECT_EQ(o.err, c.err + "Try 'tovrin expand --help'.\n") << c.args;
        EXPECT_EQ(o.out, "") << c.args;
        EXPECT_EQ(o.status, 2) << c.args;
    }
    // A language without numbering systems needs a NAME, for OSIS too (its
    // book numbers need not be those OSIS names follow).
    for (const char *args : {"expand --lang xx --versification 'Mt 5,3n'",
                             "expand --lang xx --to osis 'Mt 5,3n'"}) {
        const Outcome none = tovrin(args);
        EXPECT_EQ(none.err, "tovrin: language 'xx' names no numbering system: give one with "
                            "--versification NAME " + systems + "Try 'tovrin expand --help'.\n")
            << args;
        EXPECT_EQ(none.out, "") << args;
        EXPECT_EQ(none.status, 2) << args;
    }
}

// books: number, tab, names, and in a language that names numbering
// systems a tab and the book's chapters in the first of them ("-" for a
// book it lacks).
TEST_F(Cli, BooksWithTheirChapters) {
    const struct {
        const char *lang;
        int book;
        const char *name; // the main name
        const char *chapters;
    } cases[] = {
        {"cz", 1, "Gn", "50"},  {"cz", 19, "Ž", "150"}, {"cz", 29, "Jl", "4"},
        {"cz", 39, "Mal", "3"}, {"cz", 65, "Ju", "1"},  {"cz", 70, "EstŘ", "-"},
        {"en", 29, "Joel", "3"}, {"en", 39, "Mal", "4"},
    };
    for (const auto &c : cases) {
        const Outcome o = shipped(std::string("books --lang ") + c.lang);
        std::string line = o.out;
        for (int k = 1; k < c.book; ++k)
            line.erase(0, line.find('\n') + 1);
        line.erase(line.find('\n'));
        // Number, names and chapters, the names beginning with the main one.
        const std::size_t first = line.find('\t'), last = line.rfind('\t');
        EXPECT_EQ(line.substr(0, first), std::to_string(c.book)) << line;
        EXPECT_EQ(line.substr(first + 1, std::strlen(c.name)), c.name) << line;
        EXPECT_EQ(line.substr(last + 1), c.chapters) << line;
        EXPECT_EQ(line.find('\t', first + 1), last) << line;
        EXPECT_EQ(o.status, 0) << c.lang;
    }
    // A language without numbering systems: no column.
    const Case xx[] = {{"books --lang xx", "",
                        "1\tGn (Genesis, Gen)\n2\tEx (Exodus)\n3\tMt (Mat)\n4\tMk\n5\tLk (L)\n"
                        "6\tJn (J)\n7\t1 Jn (1 J)\n8\tRom (R)\n"}};
    expect_all(xx);
}

TEST_F(Cli, Translate) {
    const Case cases[] = {
        {"translate --lang xx --to yy 'Mt 5,3-7'", "", "Mat 5:3-7\n"},
        {"translate --lang xx --to yy 'Gn' 'Mt 5,3n.7' '1. Jn 2,1nn'", "",
         "Gen \nMat 5:3f,7\n1 John 2:1ff\n"},
        {"translate --lang yy --to xx", "Mat 5:3,7\nMatt 05:003\n", "Mt 5,3.7\nMt 05,003\n"},
        {"translate --lang xx --to xx", "Mat 5,3-7\n", "Mt 5,3-7\n"},
    };
    expect_all(cases);
}

TEST_F(Cli, TranslateGoesOnAfterANonCitation) {
    const Outcome o =
        tovrin("translate --lang xx --to yy", "Mt 5,3-7\nJn 3,16 n\n\nGn; Ex\n");
    EXPECT_EQ(o.out, "Mat 5:3-7\n\n\nGen ; Exod \n");
    EXPECT_EQ(o.err, "tovrin: translate: not a citation: stops at column 9 in 'Jn 3,16 n'\n"
                     "tovrin: translate: not a citation: stops at column 1 in ''\n");
    EXPECT_EQ(o.status, 1);

    const Outcome args = tovrin("translate --lang xx --to yy 'Mt 5,3;' 'Gn'");
    EXPECT_EQ(args.out, "\nGen \n");
    EXPECT_EQ(args.err, "tovrin: translate: not a citation: stops at column 8 in 'Mt 5,3;'\n");
    EXPECT_EQ(args.status, 1);
}

TEST_F(Cli, Compare) {
    const Case cases[] = {
        {"compare --lang xx 'Mt 5,1-12' 'Mt 5,3'", "", "overlap\tfirst\n"},
        {"compare --lang xx 'Mt 5,3' 'Mt 5,3'", "", "overlap\tsame\n"},
        {"compare --lang xx --lang2 yy 'Mt 5,3-7; L 6,20n' 'Mat 5:3-7; Luke 6:20f'", "",
         "overlap\tsame\n"},
        {"compare --lang xx",
         "Mt 5,3\tMt 5,4\n"
         "Mt 5,4\tMt 5,3\n"
         "Mt 5,1-10\tMt 5,5-20\n"
         "Mt 5,5-20\tMt 5,1-10\n"
         "Mt 5,3n\tMt 5,4\n"
         "Mt 5,3; Mt 5,4\tMt 5,3; Mt 5,4; Mt 5,5\n",
         "disjoint\tfirst\n"
         "disjoint\tsecond\n"
         "disjoint\tfirst\n"
         "overlap\tsecond\n"
         "overlap\tfirst\n"
         "overlap\tfirst\n"},
        {"compare --lang yy --lang2 xx", "Mat 5:4\tMt 5,3\r\n", "disjoint\tsecond\n"},
    };
    expect_all(cases);
}

TEST_F(Cli, CompareLineWithoutTab) {
    const Outcome o = tovrin("compare --lang xx", "Mt 5,3 Mt 5,4\nMt 5,3\tMt 5,3\n");
    EXPECT_EQ(o.out, "\noverlap\tsame\n");
    EXPECT_EQ(o.err, "tovrin: compare: no tab in line 'Mt 5,3 Mt 5,4'\n");
    EXPECT_EQ(o.status, 1);
}

// A text that is no citation gets an empty output line, a message in
// lint's words on standard error, and exit status 1.
TEST_F(Cli, BadCitations) {
    const struct {
        const char *args;
        const char *in;
        const char *out;
        const char *err;
    } cases[] = {
        {"expand --lang xx 'Xy 3,4'", "", "\n",
         "tovrin: expand: unknown book name 'Xy' in 'Xy 3,4'\n"},
        {"expand --lang xx hello", "", "\n",
         "tovrin: expand: unknown book name 'hello' in 'hello'\n"},
        {"expand --lang xx ''", "", "\n",
         "tovrin: expand: not a citation: stops at column 1 in ''\n"},
        {"expand --lang xx 'Mt 5,1000'", "", "\n",
         "tovrin: expand: chapter or verse number '1000' out of range 1-999 in 'Mt 5,1000'\n"},
        {"expand --lang xx 'Mt 5,0'", "", "\n",
         "tovrin: expand: chapter or verse number '0' out of range 1-999 in 'Mt 5,0'\n"},
        {"expand --lang xx 'Mt 5,7-3'", "", "\n",
         "tovrin: expand: reversed range in 'Mt 5,7-3'\n"},
        // The column counts characters: the en dash is one.
        {"expand --lang xx 'Mt 5,3\xe2\x80\x93\xe2\x80\x93" "4'", "", "\n",
         "tovrin: expand: not a citation: stops at column 8 in 'Mt 5,3\xe2\x80\x93\xe2\x80\x93"
         "4'\n"},
        {"translate --lang xx --to yy 'Xy 3,4'", "", "\n",
         "tovrin: translate: unknown book name 'Xy' in 'Xy 3,4'\n"},
        {"units --lang xx hello", "", "\n",
         "tovrin: units: unknown book name 'hello' in 'hello'\n"},
        {"units --lang xx ''", "", "\n",
         "tovrin: units: not a citation: stops at column 1 in ''\n"},
        {"compare --lang xx hello world", "", "\n",
         "tovrin: compare: unknown book name 'hello' in 'hello'\n"
         "tovrin: compare: unknown book name 'world' in 'world'\n"},
        {"compare --lang xx 'Mt 5,3' 'Xy 1,1'", "", "\n",
         "tovrin: compare: unknown book name 'Xy' in 'Xy 1,1'\n"},
        // Filters go on after a bad line and keep one output line per input
        // line.
        {"expand --lang xx", "Mt 5,3\nXy 3,4\n\nJn 1,1\n", "Mt 5,3\n\n\nJn 1,1\n",
         "tovrin: expand: unknown book name 'Xy' in 'Xy 3,4'\n"
         "tovrin: expand: not a citation: stops at column 1 in ''\n"},
        {"translate --lang xx --to yy", "Mt 5,0\nMt 5,3\n", "\nMat 5:3\n",
         "tovrin: translate: chapter or verse number '0' out of range 1-999 in 'Mt 5,0'\n"},
        {"compare --lang xx", "Mt 5,3\tMt 5,4\nhello\tMt 5,3\nMt 5,3 Mt 5,4\nMt 5,3\tMt 5,3\n",
         "disjoint\tfirst\n\n\noverlap\tsame\n",
         "tovrin: compare: unknown book name 'hello' in 'hello'\n"
         "tovrin: compare: no tab in line 'Mt 5,3 Mt 5,4'\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = tovrin(c.args, c.in);
        EXPECT_EQ(o.out, c.out) << c.args << " <<< " << c.in;
        EXPECT_EQ(o.err, c.err) << c.args << " <<< " << c.in;
        EXPECT_EQ(o.status, 1) << c.args << " <<< " << c.in;
    }
}

// Arguments and lines are read with the typographic forms of texts: each
// form gives what its ASCII writing gives; --exact reads the bytes as they
// are.
TEST_F(Cli, TypographicFormsInArguments) {
    const char *const en_dash = "\xe2\x80\x93", *const em_dash = "\xe2\x80\x94",
                      *const nbsp = "\xc2\xa0", *const thin = "\xe2\x80\x89",
                      *const hyphen = "\xe2\x80\x90", *const figure_dash = "\xe2\x80\x92",
                      *const minus = "\xe2\x88\x92", *const caron = "\xcc\x8c";
    const struct {
        std::string command, typographic, ascii;
        bool shipped = false; // with the shipped bibl.ini (Czech letters)
    } cases[] = {
        {"expand --lang xx", std::string("Gn 1,1") + en_dash + "2,3", "Gn 1,1-2,3"},
        {"expand --lang xx", std::string("Gn 1,1") + em_dash + "2,3", "Gn 1,1-2,3"},
        {"expand --lang xx", "Gn 1,1--2,3", "Gn 1,1-2,3"},
        {"expand --lang xx", "Mt~5,3", "Mt 5,3"},
        {"expand --lang xx", std::string("Mt") + nbsp + "5,3", "Mt 5,3"},
        {"expand --lang xx", std::string("Mt") + thin + "5,3", "Mt 5,3"},
        {"expand --lang xx", std::string("Gn 1,1") + hyphen + "2,3", "Gn 1,1-2,3"},
        {"expand --lang xx", std::string("Gn 1,1") + figure_dash + "2,3", "Gn 1,1-2,3"},
        {"expand --lang xx", std::string("Gn 1,1") + minus + "2,3", "Gn 1,1-2,3"},
        // A letter and its combining mark are the composed letter.
        {"expand", std::string("Z") + caron + " 23", "\xc5\xbd 23", true},
        {"expand --lang cs --to en", std::string("R") + caron + " 8,28" + minus + "30",
         "\xc5\x98 8,28-30", true},
        {"translate --lang xx --to yy", std::string("Mt~5,3") + en_dash + "7", "Mt 5,3-7"},
        {"units --lang xx", std::string("Gn 1,1") + en_dash + "2,3", "Gn 1,1-2,3"},
        {"tokens --lang xx", std::string("Gn 1,1") + en_dash + "2,3", "Gn 1,1-2,3"},
    };
    for (const auto &c : cases) {
        const auto run = [&](const std::string &args, const std::string &in = "") {
            return c.shipped ? shipped(args, in) : tovrin(args, in);
        };
        const Outcome ascii = run(c.command + " '" + c.ascii + "'");
        ASSERT_EQ(ascii.status, 0) << c.ascii;
        const Outcome argument = run(c.command + " '" + c.typographic + "'");
        EXPECT_EQ(argument.out, ascii.out) << c.typographic;
        EXPECT_EQ(argument.status, 0) << c.typographic;
        if (c.command.rfind("units", 0) != 0 && c.command.rfind("tokens", 0) != 0) {
            const Outcome line = run(c.command, c.typographic + "\n");
            EXPECT_EQ(line.out, ascii.out) << c.typographic;
        }
    }
    const Outcome compare = tovrin(std::string("compare --lang xx 'Mt 5,1") + en_dash +
                                   "12' 'Mt~5,3'");
    EXPECT_EQ(compare.out, "overlap\tfirst\n");
    const Outcome exact = tovrin(std::string("expand --exact --lang xx 'Gn 1,1") + en_dash + "2'");
    EXPECT_EQ(exact.out, "\n");
    EXPECT_EQ(exact.status, 1);
}

TEST_F(Cli, UnknownLanguage) {
    const char *const cases[] = {
        "expand 'Mt 5,3'", // the default language is not configured here
        "expand --lang zz 'Mt 5,3'",
        "expand --lang xx --to zz 'Mt 5,3'",
        "translate --lang zz --to yy 'Mt 5,3'",
        "translate --lang xx --to zz 'Mt 5,3'",
        "compare --lang zz 'Mt 5,3' 'Mt 5,3'",
        "compare --lang xx --lang2 zz 'Mt 5,3' 'Mt 5,3'",
    };
    for (const char *args : cases) {
        const Outcome o = tovrin(args);
        const std::string name = std::string(args).find("zz") != std::string::npos ? "zz" : "cz";
        const std::string first_line =
            "tovrin: unknown language '" + name + "' (languages: xx, yy)\n";
        EXPECT_EQ(o.err.substr(0, first_line.size()), first_line) << args << "\n" << o.err;
        EXPECT_EQ(o.out, "") << args;
        EXPECT_EQ(o.status, 2) << args;
    }
}

TEST_F(Cli, UsageErrors) {
    const struct {
        const char *args;
        const char *first_line;
    } cases[] = {
        {"translate --lang xx 'Mt 5,3'", "tovrin: translate needs --to LANG\n"},
        {"compare --lang xx 'Mt 5,3'", "tovrin: compare takes two citations\n"},
        {"compare --lang xx 'Mt 5,3' 'Mt 5,4' 'Mt 5,5'", "tovrin: compare takes two citations\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = tovrin(c.args);
        EXPECT_EQ(o.err.substr(0, std::string(c.first_line).size()), c.first_line)
            << c.args << "\n" << o.err;
        EXPECT_EQ(o.out, "") << c.args;
        EXPECT_EQ(o.status, 2) << c.args;
    }
}

} // namespace
