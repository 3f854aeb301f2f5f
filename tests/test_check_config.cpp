// The configuration as the tovrin program meets it: check-config on broken
// files, `tovrin config`, --verbose, and the bibl.ini built into the
// program when no file is found.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"

namespace {

using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

const std::string kHead = "!;-.,+n.\n_abcdefghijklmnopqrstuvwxyz\n"
                          "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n&abc\n";

std::string tovrin() { return testing_support::binary_dir() + "/tovrin"; }

// check-config on a table of files: the exact report and exit status.
TEST(CheckConfig, ReportsErrorsAndWarningsByLine) {
    const struct {
        const char *what;
        std::string ini;
        std::string out; // "F" stands for the file's path
        int status;
    } cases[] = {
        {"a good file", "{aa\n" + kHead + "+Gn\n*Gen\n+Ex\n}\n", "", 0},
        // Everything the loader ends on, each at its line.
        {"errors the loader ends on",
         "}\n+Gn\n{aa\n!;-.\n*Gen\n" + kHead + "+Gn\n{bb\n}\n",
         "F:1: error: no '{' to close\n"
         "F:2: error: config tag not inside '{ .. }'\n"
         "F:4: error: invalid number of chars (\?\?\?)\n"
         "F:5: error: '*' line before any '+' line in language 'aa'\n"
         "F:11: error: languages can't be nested\n",
         1},
        {"a language without its letters, closed and at the end",
         "{aa\n!;-.,+n.\n}\n{bb\n" + kHead.substr(0, 9) + "_ab\n^ABC\n&a\n",
         "F:3: error: language 'aa' has no '_' line\n"
         "F:4: warning: language 'bb' has no '}': it runs to the end of the file\n"
         "F:8: error: language 'bb' has lower and upper letters of different lengths\n",
         1},
        {"a '{' without a name", "{ aa\n{\n", "F:1: error: no language specified (or leading space)\n"
                                               "F:2: error: no language specified (or leading space)\n"
                                               "F: error: no languages in it\n", 1},
        // What the loader takes but the lexer can never find.
        {"names that can never be found",
         "{aa\n" + kHead + "+Gn \n*Gen\n* Gn\n+Ex.\n*Ex\n+Pl Ka Ex\n*1 Pl Ka\n+Mk\n*gen\n*GN\n}\n",
         "F:6: warning: book name 'Gn ' ends in a blank: it can never be found\n"
         "F:8: warning: book name ' Gn' begins with a blank: it can never be found\n"
         "F:9: warning: book name 'Ex.' ends in the abbreviation mark '.': it can never be found\n"
         "F:11: warning: book name 'Pl Ka Ex' has 3 pieces, and a book name is one or two (a "
         "number and a word, or two words): it can never be found\n"
         "F:12: warning: book name '1 Pl Ka' has 3 pieces, and a book name is one or two (a "
         "number and a word, or two words): it can never be found\n"
         "F:14: warning: book name 'gen' reads as 'Gen' of book 1 (line 7), which is found "
         "first: it can never be found for book 4\n",
         0},
        {"languages with different numbers of books",
         "{aa\n" + kHead + "+Gn\n+Ex\n}\n{bb\n" + kHead + "+Gn\n}\n{cc\n" + kHead + "+Gn\n+Ex\n}\n",
         "F:9: warning: language 'bb' has 1 books and 'aa' (line 1) has 2: a book's number must "
         "name the same book in every language\n",
         0},
        {"no language", "% nothing\n", "F: error: no languages in it\n", 1},
        // Numbering systems: each name must be one the library has.
        {"numbering systems", "{aa\n" + kHead + "=hebrew  kjv\n+Gn\n}\n", "", 0},
        {"an unknown numbering system",
         "=kjv\n{aa\n" + kHead + "=hebrew nope kjv\n+Gn\n}\n",
         "F:1: error: config tag not inside '{ .. }'\n"
         "F:7: error: language 'aa' names the unknown numbering system 'nope'\n",
         1},
        // Phrases: the first broken line of each language (the text commands
        // stop on it).
        {"phrases", "{aa\n" + kHead + "+Gn\n*Genesis\n>Book of Genesis>Genesis\n}\n", "", 0},
        {"phrases that name no book or are no phrase",
         "{aa\n" + kHead + "+Gn\n>Book of Genesis>Gn\n>Book of Nothing>Xy\n>Book of Gn\n}\n"
         "{bb\n" + kHead + "+Gn\n>Book of Genesis\n}\n",
         "F:8: error: the phrase stands for no book name of its language\n"
         "F:17: error: a phrase line is \">PHRASE>NAME\", below 200 bytes\n",
         1},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const std::string path = dir.write("bibl.ini", c.ini);
        const Outcome o = run_command(tovrin() + " check-config '" + path + "'");
        std::string want = c.out;
        for (std::size_t at; (at = want.find("F:")) != std::string::npos;)
            want.replace(at, 1, path);
        EXPECT_EQ(o.out, want) << c.what;
        EXPECT_EQ(o.err, "") << c.what;
        EXPECT_EQ(o.status, c.status) << c.what;
    }
}

// The other commands stop on an unknown numbering system as on any line
// the loader stops on: the file, the line and why, status 2.
TEST(CheckConfig, CommandsStopOnAnUnknownNumberingSystem) {
    TempDir dir;
    const std::string path = dir.write("bibl.ini", "{aa\n" + kHead + "=kjv nope\n+Gn\n}\n");
    const Outcome o = run_command(tovrin() + " --config '" + path + "' scan --lang aa", "",
                                  "Gn 1,1\n");
    EXPECT_EQ(o.err, "tovrin: " + path +
                         ":6: language 'aa' names the unknown numbering system 'nope' (given "
                         "with --config)\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);
}

TEST(CheckConfig, ShippedFileIsClean) {
    const Outcome o =
        run_command(tovrin() + " check-config '" + testing_support::source_dir() + "/data/bibl.ini'");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 0);
}

TEST(CheckConfig, UnreadableFile) {
    TempDir dir;
    Outcome o = run_command(tovrin() + " check-config '" + dir.path() + "/none.ini'");
    EXPECT_EQ(o.err, "tovrin: " + dir.path() + "/none.ini: cannot read: No such file or directory\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 2);
    o = run_command(tovrin() + " check-config '" + dir.path() + "'");
    EXPECT_EQ(o.err, "tovrin: " + dir.path() + ": cannot read: Is a directory\n");
    EXPECT_EQ(o.status, 2);
}

// A program copied where no bibl.ini lies beside it, run where there is
// none either, works with the copy built into it; --verbose and `tovrin
// config` say so, and `config --dump` writes that copy: the shipped file.
TEST(BuiltInConfig, ProgramCopiedElsewhere) {
    TempDir dir;
    ASSERT_EQ(run_command("cp '" + tovrin() + "' '" + dir.path() + "/tovrin'").status, 0);
    const std::string copy = dir.path() + "/tovrin";
    Outcome o = run_command(copy + " --verbose expand 'J 3,16n'", dir.path());
    EXPECT_EQ(o.out, "J 3,16-17\n");
    EXPECT_EQ(o.err, "tovrin: configuration: built-in bibl.ini (no bibl.ini in the current "
                     "directory or beside the program)\n");
    EXPECT_EQ(o.status, 0);

    o = run_command(copy + " config", dir.path());
    EXPECT_EQ(o.out.substr(0, o.out.find("languages:")),
              "file: built-in bibl.ini\n"
              "from: no bibl.ini in the current directory or beside the program\n");
    EXPECT_EQ(o.out.rfind("languages: cz, sk, en, de, la", o.out.find("languages:")),
              o.out.find("languages:"));

    o = run_command(copy + " config --dump", dir.path());
    std::ifstream shipped(testing_support::source_dir() + "/data/bibl.ini", std::ios::binary);
    EXPECT_EQ(o.out, std::string(std::istreambuf_iterator<char>(shipped), {}));
    EXPECT_EQ(o.status, 0);
    // check-config without a FILE checks what the program reads.
    o = run_command(copy + " check-config", dir.path());
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.status, 0);
}

TEST(BuiltInConfig, VerboseNamesTheFileAndWhy) {
    TempDir dir;
    const std::string ini = dir.write("bibl.ini", "{aa\n" + kHead + "+Mt\n}\n");
    Outcome o = run_command(tovrin() + " --verbose --lang aa expand 'Mt 5,3'", dir.path());
    EXPECT_EQ(o.out, "Mt 5,3\n");
    EXPECT_EQ(o.err, "tovrin: configuration: bibl.ini (found in the current directory)\n");
    o = run_command(tovrin() + " config --config '" + ini + "'");
    EXPECT_EQ(o.out, "file: " + ini + "\nfrom: given with --config\nlanguages: aa\n");
    // A broken file in the current directory is reported, not passed over.
    dir.write("bibl.ini", "{aa\n{bb\n");
    o = run_command(tovrin() + " expand 'Mt 5,3'", dir.path());
    EXPECT_EQ(o.err, "tovrin: bibl.ini:2: languages can't be nested (found in the current "
                     "directory)\n");
    EXPECT_EQ(o.status, 2);
}

} // namespace
