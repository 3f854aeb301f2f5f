// The dorvi program end to end: bibl.ini and nztexty.tex in a scratch
// directory, the program run there, its streams and exit status checked
// byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using testing_support::binary_dir;
using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

// Two languages; "cz" is not the first one, so the driver must pick it by
// name. Its punctuation: ; - . , + n .
const char kConfig[] = "% test configuration\n"
                       "{cz\n"
                       "!;-.,+n.\n"
                       "_abcdefghijklmnopqrstuvwxyz\n"
                       "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
                       "&abc\n"
                       "+Mt\n"
                       "*Mat\n"
                       "+Lk\n"
                       "*L\n"
                       "+Jn\n"
                       "}\n"
                       "{en\n"
                       "!;-,:+f.\n"
                       "_abcdefghijklmnopqrstuvwxyz\n"
                       "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
                       "&abc\n"
                       "+Matt\n"
                       "+Luke\n"
                       "+John\n"
                       "}\n";

const std::string kOn = "\x1b[33;40;1m";
const std::string kOff = "\x1b[37;40;0m";

std::string lit(const std::string &s) { return kOn + s + kOff; }

Outcome run_dorvi(const TempDir &dir) { return run_command(binary_dir() + "/dorvi", dir.path()); }

TEST(Driver, HighlightsCitations) {
    const struct {
        std::string text;
        std::string want; // stdout after the leading line feed
    } cases[] = {
        {"(Mt 5,3) Lk 6,2\n", "(" + lit("Mt 5,3") + ") " + lit("Lk 6,2") + "\n"},
        {"\\cite{Mat 5,3-12; L 6,20n} and Jn 1,1.\n",
         "\\cite{" + lit("Mat 5,3-12; L 6,20n") + "} and " + lit("Jn 1,1") + ".\n"},
        // At the very end of the file, without a line feed.
        {"see Mt 5,3", "see " + lit("Mt 5,3")},
        // A bare name and a lower-case start are no citations; the colon is
        // no separator of this language, so only the chapter is taken.
        {"Mt, mt 5,3, Mt 5:3\n", "Mt, mt 5,3, " + lit("Mt 5") + ":3\n"},
        // Bytes of 128 and above pass unchanged, next to a citation too.
        {"\xc5\xbd" "alm \xff\x80\xc3\xa9 Mt 5,3\xff\n",
         "\xc5\xbd" "alm \xff\x80\xc3\xa9 " + lit("Mt 5,3") + "\xff\n"},
        // Without citations the file is copied unchanged.
        {"\\section{Blahoslavenstv\xc3\xad}\n\n  text, 12 (3)\t;\r\n",
         "\\section{Blahoslavenstv\xc3\xad}\n\n  text, 12 (3)\t;\r\n"},
        {"", ""},
    };
    for (const auto &c : cases) {
        TempDir dir;
        dir.write("bibl.ini", kConfig);
        dir.write("nztexty.tex", c.text);
        const Outcome o = run_dorvi(dir);
        EXPECT_EQ(o.status, 0) << c.text;
        EXPECT_EQ(o.out, "\n" + c.want) << c.text;
        EXPECT_EQ(o.err, "") << c.text;
    }
}

// Every failure ends the program with status 1 and one message on the
// error stream, after the leading line feed has gone to standard output.
TEST(Driver, FailsWithMessage) {
    const struct {
        const char *what;
        const char *config; // null: no bibl.ini
        bool input;         // whether nztexty.tex exists
        const char *err;
    } cases[] = {
        {"no input file", kConfig, false, "dorvi: cannot open input file 'nztexty.tex'\n"},
        {"no language cz", "{en\n!;-,:+f.\n_ab\n^AB\n&a\n+Gen\n}\n", true,
         "dorvi: no language 'cz' in bibl.ini\n"},
        {"empty configuration", "", true, "dorvi: no language 'cz' in bibl.ini\n"},
        {"no configuration file", nullptr, true, "Init (tovrin) : can't open config file !\n"},
    };
    for (const auto &c : cases) {
        TempDir dir;
        if (c.config != nullptr)
            dir.write("bibl.ini", c.config);
        if (c.input)
            dir.write("nztexty.tex", "Mt 5,3\n");
        const Outcome o = run_dorvi(dir);
        EXPECT_EQ(o.status, 1) << c.what;
        EXPECT_EQ(o.out, "\n") << c.what;
        EXPECT_EQ(o.err, c.err) << c.what;
    }
}

} // namespace
