// The citation filters of the tovrin tool, end to end: expand, translate
// and compare, with citations from the arguments and from standard input,
// on a configuration of two languages.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "test_support.h"

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

    template <std::size_t N> void expect_all(const Case (&cases)[N]) {
        for (const Case &c : cases) {
            const Outcome o = tovrin(c.args, c.in);
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
        // From standard input: one result line per line, the empty line too.
        {"expand --lang xx", "Mt 5,3\nGn 1-2,3\n\nJn 3,16+\r\n",
         "Mt 5,3\nGn 1,1-2,3\n???\nJn 3,16\n"},
        {"expand --lang xx --to yy", "Jn 3n\nMt 5,9.3", "John 3-4\nMat 5:9; Mat 5:3\n"},
        {"expand --lang xx --sort", "Mt 5,9.3\n", "Mt 5,3; Mt 5,9\n"},
        {"expand --lang xx", "", ""},
    };
    expect_all(cases);
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
    EXPECT_EQ(o.err, "tovrin: cannot translate 'Jn 3,16 n': not a citation\n"
                     "tovrin: cannot translate '': not a citation\n");
    EXPECT_EQ(o.status, 1);

    const Outcome args = tovrin("translate --lang xx --to yy 'Mt 5,3;' 'Gn'");
    EXPECT_EQ(args.out, "\nGen \n");
    EXPECT_EQ(args.err, "tovrin: cannot translate 'Mt 5,3;': not a citation\n");
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
         "Mt 5,3; Mt 5,4\tMt 5,3; Mt 5,4; Mt 5,5\n"
         "\t\n",
         "disjoint\tfirst\n"
         "disjoint\tsecond\n"
         "disjoint\tfirst\n"
         "overlap\tsecond\n"
         "overlap\tfirst\n"
         "overlap\tfirst\n"
         "overlap\tsame\n"},
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
