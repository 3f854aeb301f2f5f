// The configuration loader: bibl.ini into the list of language records,
// findlang(), the loader's fatal messages, and the CLI's handling of an
// unknown language.
//
// The loader keeps its records for the life of the process, so every load
// runs in a child process; the child prints what it found and the parent
// compares the text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"
#include "tovrin.h"

namespace {

using testing_support::in_child;
using testing_support::Outcome;
using testing_support::run_command;
using testing_support::TempDir;

// The four lines that every language needs, and their dump.
const std::string kBody = "!;-,:~/.\n_ab\n^AB\n&a\n";
const std::string kBodyDump = "chars [;-,:~/.] lower [ab] upper [AB] parts [a]\n";

// The records as text: one line per language from config_table on, then
// one line per book with all its names; every string in brackets so that
// spaces show.
void print_languages() {
    if (config_table == nullptr) {
        std::printf("no languages\n");
        return;
    }
    for (LANG *l = config_table; l != nullptr; l = l->next) {
        std::printf("lang [%s] chars [", l->name);
        std::fwrite(l->chars, 1, 7, stdout);
        std::printf("] lower [%s] upper [%s] parts [%s]\n", l->lower, l->upper, l->parts);
        for (BOOKS *b = l->books; b != nullptr; b = b->next) {
            std::printf(" book");
            for (BOOK *n = b->book; n != nullptr; n = n->next)
                std::printf(" [%s]", n->abbrev);
            std::printf("\n");
        }
    }
}

// Loads `ini` in a child, then runs `after` there.
Outcome load(const std::string &ini, const std::function<void()> &after = print_languages) {
    TempDir dir;
    const std::string path = dir.write("test.ini", ini);
    return in_child([&] {
        tovrin_init_file(path.c_str());
        after();
    });
}

std::string lang_line(const std::string &name) { return "lang [" + name + "] " + kBodyDump; }

// ---- what a file loads into ------------------------------------------

struct LoadCase {
    const char *what;
    std::string ini;
    std::string dump;
};

const std::string k199(199, 'a');

const LoadCase kLoadCases[] = {
    {"empty file", "", "no languages\n"},
    {"comments only", "% one\n%two\n%{xx\n", "no languages\n"},
    {"the two-book illustration",
     "% one language, two books\n{xx\n!;-,:~/.\n_abcdefghijklmnopqrstuvwxyz\n"
     "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n&abc\n+Genesis\n*Gen\n*Gn\n+Exodus\n*Ex\n}\n",
     "lang [xx] chars [;-,:~/.] lower [abcdefghijklmnopqrstuvwxyz] "
     "upper [ABCDEFGHIJKLMNOPQRSTUVWXYZ] parts [abc]\n"
     " book [Genesis] [Gen] [Gn]\n book [Exodus] [Ex]\n"},
    {"same file with CR LF line ends",
     "% one language, two books\r\n{xx\r\n!;-,:~/.\r\n_abcdefghijklmnopqrstuvwxyz\r\n"
     "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n&abc\r\n+Genesis\r\n*Gen\r\n*Gn\r\n+Exodus\r\n*Ex\r\n}\r\n",
     "lang [xx] chars [;-,:~/.] lower [abcdefghijklmnopqrstuvwxyz] "
     "upper [ABCDEFGHIJKLMNOPQRSTUVWXYZ] parts [abc]\n"
     " book [Genesis] [Gen] [Gn]\n book [Exodus] [Ex]\n"},
    {"carriage returns inside a line are dropped", "{x\rx\n" + kBody + "+Gen\resis\r\n",
     lang_line("xx") + " book [Genesis]\n"},
    {"two languages: the last one heads the list",
     "{aa\n" + kBody + "}\n{bb\n" + kBody + "}\n", lang_line("bb") + lang_line("aa")},
    {"unknown tags, indented tags and empty lines are ignored",
     "\n#x\n {yy\n !abcdefg\n{xx\n" + kBody + "?\n\n +Gen\n}\n", lang_line("xx")},
    {"a comment after the language name", "{xx %comment\n" + kBody + "}\n", lang_line("xx")},
    {"a comment right after the brace gives an empty name", "{%\n" + kBody + "}\n",
     lang_line("")},
    {"words end at a space or percent sign",
     "{xx\n!;-,:~/.\n_ab cd\n^AB%CD\n&a % parts\n}\n",
     "lang [xx] " + kBodyDump},
    {"book names are the whole rest of the line",
     "{xx\n" + kBody + "+ Genesis\n*Gen  % not a comment \n}\n",
     lang_line("xx") + " book [ Genesis] [Gen  % not a comment ]\n"},
    {"characters after the seventh are ignored", "{xx\n!;-,:~/.XYZ\n_ab\n^AB\n&a\n}\n",
     lang_line("xx")},
    {"a later line replaces the earlier value",
     "{xx\n!1234567\n_xyz\n^XYZ\n&b\n" + kBody + "}\n", lang_line("xx")},
    {"books keep their order and names across tag lines",
     "{xx\n+Gen\n" + kBody + "*Gn\n+Ex\n}\n",
     lang_line("xx") + " book [Gen] [Gn]\n book [Ex]\n"},
    {"a line of 200 characters reads whole",
     "{xx\n" + kBody + "+" + k199 + "\n+B\n}\n",
     lang_line("xx") + " book [" + k199 + "]\n book [B]\n"},
    // 250 characters: the first 200 form a line, the 201st ("X") is lost,
    // the last 49 are a line of their own, here a further name.
    {"a line of 250 characters splits after the 201st",
     "{xx\n" + kBody + "+" + k199 + "X*" + std::string(48, 'b') + "\n}\n",
     lang_line("xx") + " book [" + k199 + "] [" + std::string(48, 'b') + "]\n"},
    {"a final '}' without line feed is not needed", "{xx\n" + kBody + "+Gen\n}",
     lang_line("xx") + " book [Gen]\n"},
    {"a final '+' line without line feed defines no book",
     "{xx\n" + kBody + "+Gen\n+Exodus", lang_line("xx") + " book [Gen]\n"},
    {"a file may end inside a language", "{aa\n" + kBody + "}\n{xx\n" + kBody + "+Gen\n",
     lang_line("xx") + " book [Gen]\n" + lang_line("aa")},
};

TEST(ConfigLoad, BuildsTheRecords) {
    for (const auto &c : kLoadCases) {
        Outcome o = load(c.ini);
        EXPECT_EQ(o.status, 0) << c.what << "\n" << o.err;
        EXPECT_EQ(o.out, c.dump) << c.what;
        EXPECT_EQ(o.err, "") << c.what;
    }
}

// tovrin_config_open_text() loads the text from memory with the loader's
// rules: the same records from every case (a text without languages it
// refuses).
TEST(ConfigLoad, OpeningATextBuildsTheSameRecords) {
    for (const auto &c : kLoadCases) {
        const Outcome o = in_child([&] {
            tovrin_config_error err{};
            tovrin_config *config = tovrin_config_open_text(c.ini.data(), c.ini.size(), "t", &err);
            if (config == nullptr)
                std::printf("no languages\n");
            else
                print_languages();
            tovrin_config_free(config);
        });
        EXPECT_EQ(o.status, 0) << c.what << "\n" << o.err;
        EXPECT_EQ(o.out, c.dump) << c.what;
    }
}

TEST(ConfigLoad, InitReadsBiblIniFromTheWorkingDirectory) {
    TempDir dir;
    dir.write("bibl.ini", "{cz\n" + kBody + "+Genesis\n}\n");
    Outcome o = in_child([&] {
        if (chdir(dir.path().c_str()) != 0)
            _exit(126);
        tovrin_init();
        print_languages();
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, lang_line("cz") + " book [Genesis]\n");
}

TEST(ConfigLoad, SecondLoadStartsAFreshList) {
    TempDir dir;
    const std::string first = dir.write("a.ini", "{aa\n" + kBody + "}\n");
    const std::string second = dir.write("b.ini", "{bb\n" + kBody + "}\n");
    Outcome o = in_child([&] {
        tovrin_init_file(first.c_str());
        tovrin_init_file(second.c_str());
        print_languages();
        std::printf("aa %s\n", findlang("aa") == nullptr ? "gone" : "found");
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, lang_line("bb") + "aa gone\n");
}

// ---- findlang ------------------------------------------------------------

// Prints, for each name, which language findlang() returns: its position
// in the list from config_table (0 = head), or "null".
std::function<void()> print_found(const std::vector<std::string> &list) {
    return [list] {
        for (const auto &name : list) {
            LANG *found = findlang(name.c_str());
            int pos = 0;
            LANG *l = config_table;
            for (; l != nullptr && l != found; l = l->next)
                ++pos;
            if (found == nullptr)
                std::printf("[%s] null\n", name.c_str());
            else if (l == nullptr)
                std::printf("[%s] not in the list\n", name.c_str());
            else
                std::printf("[%s] %d parts [%s]\n", name.c_str(), pos, found->parts);
        }
    };
}

TEST(Findlang, FindsLanguagesByExactName) {
    const struct {
        const char *what;
        std::string ini;
        std::vector<std::string> names;
        std::string found;
    } cases[] = {
        {"no language loaded", "% nothing\n", {"xx", ""}, "[xx] null\n[] null\n"},
        {"two languages", "{aa\n" + kBody + "}\n{bb\n" + kBody + "}\n",
         {"aa", "bb", "cc", "AA", "a", "aab", ""},
         "[aa] 1 parts [a]\n[bb] 0 parts [a]\n[cc] null\n[AA] null\n[a] null\n"
         "[aab] null\n[] null\n"},
        // The list runs from the last definition, so the first one is
        // found by walking to the end.
        {"a name defined twice gives its first definition",
         "{aa\n" + kBody + "&first\n}\n{bb\n" + kBody + "}\n{aa\n" + kBody + "&second\n}\n",
         {"aa", "bb"}, "[aa] 2 parts [first]\n[bb] 1 parts [a]\n"},
        {"the empty name", "{%\n" + kBody + "}\n", {"", "xx"}, "[] 0 parts [a]\n[xx] null\n"},
    };
    for (const auto &c : cases) {
        Outcome o = load(c.ini, print_found(c.names));
        EXPECT_EQ(o.status, 0) << c.what << "\n" << o.err;
        EXPECT_EQ(o.out, c.found) << c.what;
        // What loads has no error for the check either.
        EXPECT_TRUE(tovrin::parse_config(c.ini).errors.empty()) << c.what;
    }
}

// ---- fatal conditions --------------------------------------------------

struct FatalCase {
    const char *what;
    std::string ini;
    std::string message; // after "Init (tovrin) : ", before "\n"
};

const std::string kOpenEnd = "{aa\n!;-,:~/.\n_ab\n^AB\n";

const FatalCase kFatalCases[] = {
    {"'}' outside a language", "}\n", "no '{' to close !"},
    {"'}' after a closed language", "{aa\n" + kBody + "}\n}\n", "no '{' to close !"},
    {"'{' inside a language", "{aa\n{bb\n", "languages can't be nested !"},
    {"'{' after a complete body", "{aa\n" + kBody + "+Gen\n{bb\n",
     "languages can't be nested !"},
    {"'{' followed by a space", "{ aa\n", "no language specified (or leading space) !"},
    {"'{' alone", "{\n", "no language specified (or leading space) !"},
    {"'{' alone before CR LF", "{\r\n", "no language specified (or leading space) !"},
    // Nesting is checked before the name.
    {"'{ ' inside a language", "{aa\n{ bb\n", "languages can't be nested !"},
    {"'!' outside", "!;-,:~/.\n", "config tag not inside '{ .. }' !"},
    {"'_' outside", "_ab\n", "config tag not inside '{ .. }' !"},
    {"'^' outside", "^AB\n", "config tag not inside '{ .. }' !"},
    {"'&' outside", "&a\n", "config tag not inside '{ .. }' !"},
    {"'+' outside", "+Genesis\n", "config tag not inside '{ .. }' !"},
    {"'*' outside", "*Gen\n", "config tag not inside '{ .. }' !"},
    {"'+' after the language closed", "{aa\n" + kBody + "}\n+Gen\n",
     "config tag not inside '{ .. }' !"},
    {"'=' outside", "=kjv\n", "config tag not inside '{ .. }' !"},
    // Every numbering system named must be one the library has.
    {"an unknown numbering system", "{aa\n" + kBody + "=kjv  Kjv\n",
     "language 'aa' names the unknown numbering system 'Kjv' !"},
    // The tag check comes before the check of the characters.
    {"short '!' outside", "!;\n", "config tag not inside '{ .. }' !"},
    {"'!' with six characters", "{aa\n!;-,:~/\n", "invalid number of chars (\?\?\?) !"},
    {"'!' alone", "{aa\n!\n", "invalid number of chars (\?\?\?) !"},
    {"'!' with a space among the seven", "{aa\n!;-, :~/.\n", "invalid number of chars (\?\?\?) !"},
    {"'!' with a trailing space as seventh", "{aa\n!;-,:~/ \n", "invalid number of chars (\?\?\?) !"},
    {"'!' with a leading space", "{aa\n! ;-,:~/.\n", "invalid number of chars (\?\?\?) !"},
    // A further name needs a book of its own language; the error comes at
    // that line (the nested '{' after it is never read).
    {"'*' before the first '+'", "{aa\n*Gen\n{bb\n",
     "'*' line before any '+' line in language 'aa' !"},
    {"'*' before the first '+' of a later language",
     "{aa\n" + kBody + "+Gen\n}\n{bb\n" + kBody + "*Gn\n",
     "'*' line before any '+' line in language 'bb' !"},
    // A language must have each of the four lines; the first missing one
    // in the order ! _ ^ & is named, at '}' or at the end of the file.
    {"empty language", "{aa\n}\n}\n", "language 'aa' has no '!' line !"},
    {"no '!'", "{aa\n_ab\n^AB\n&a\n}\n", "language 'aa' has no '!' line !"},
    {"no '_' and no '&'", "{aa\n!;-,:~/.\n^AB\n}\n", "language 'aa' has no '_' line !"},
    {"no '^'", "{aa\n!;-,:~/.\n_ab\n&a\n}\n", "language 'aa' has no '^' line !"},
    {"no '&'", kOpenEnd + "}\n", "language 'aa' has no '&' line !"},
    {"no '&' at the end of the file", kOpenEnd, "language 'aa' has no '&' line !"},
    {"'&' on a final line without line feed", kOpenEnd + "&a",
     "language 'aa' has no '&' line !"},
    {"checked at '}' before the next language", "{aa\n}\n{bb\n" + kBody + "}\n",
     "language 'aa' has no '!' line !"},
    {"second language incomplete", "{aa\n" + kBody + "}\n{bb\n!;-,:~/.\n}\n",
     "language 'bb' has no '_' line !"},
    {"lower longer than upper", "{aa\n!;-,:~/.\n_abc\n^AB\n&a\n}\n}\n",
     "language 'aa' has lower and upper letters of different lengths !"},
    {"upper longer than lower, at the end of the file", "{aa\n!;-,:~/.\n_ab\n^ABC\n&a\n",
     "language 'aa' has lower and upper letters of different lengths !"},
};

TEST(ConfigLoad, FatalConditions) {
    for (const auto &c : kFatalCases) {
        Outcome o = load(c.ini);
        EXPECT_EQ(o.status, 1) << c.what;
        EXPECT_EQ(o.err, "Init (tovrin) : " + c.message + "\n") << c.what;
        EXPECT_EQ(o.out, "") << c.what;
    }
}

TEST(ConfigLoad, MissingFileIsFatal) {
    TempDir dir;
    const std::string want = "Init (tovrin) : can't open config file !\n";
    Outcome by_path = in_child([&] { tovrin_init_file((dir.path() + "/none.ini").c_str()); });
    EXPECT_EQ(by_path.status, 1);
    EXPECT_EQ(by_path.err, want);
    EXPECT_EQ(by_path.out, "");

    Outcome from_cwd = in_child([&] {
        if (chdir(dir.path().c_str()) != 0)
            _exit(126);
        tovrin_init();
    });
    EXPECT_EQ(from_cwd.status, 1);
    EXPECT_EQ(from_cwd.err, want);
    EXPECT_EQ(from_cwd.out, "");
}

// ---- the CLI on a configuration of its own ----------------------------

class CliWithConfig : public testing::Test {
protected:
    void SetUp() override {
        ini_ = dir_.write("test.ini", "{aa\n!;-.,+n.\n_abcdefghijklmnopqrstuvwxyz\n"
                                      "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n&abc\n"
                                      "+Mt\n*Mat\n+Jn\n}\n{bb\n" +
                                          kBody + "}\n");
    }
    Outcome tovrin(const std::string &args) {
        return run_command(testing_support::binary_dir() + "/tovrin " + args + " --config " +
                           ini_);
    }
    TempDir dir_;
    std::string ini_;
};

TEST_F(CliWithConfig, UnknownLanguageListsTheLoadedOnes) {
    Outcome o = tovrin("tokens --lang zz x");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
              "tovrin: unknown language 'zz' (languages: aa, bb)\n")
        << o.err;
}

TEST_F(CliWithConfig, TokensOfACitation) {
    Outcome o = tovrin("tokens --lang aa 'Mt 5,3-12'");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "TK_BOOK\tMt\nTK_CHAPTER\t5\nTK_VERSE_FROM\t3\nTK_VERSE\t12\n");
    EXPECT_EQ(o.err, "");
}

TEST_F(CliWithConfig, TokensUpToAnError) {
    // A following mark must follow the verse directly: the "n" at
    // position 9 (counted from 1) fails.
    Outcome o = tovrin("tokens --lang aa 'Jn 3,16 n'");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "TK_BOOK\tJn\nTK_CHAPTER\t3\nerror at 9\n");
}

TEST_F(CliWithConfig, BrokenConfigurationIsReportedWithItsLine) {
    const std::string broken = dir_.write("broken.ini", "{aa\n{bb\n");
    Outcome o = run_command(testing_support::binary_dir() + "/tovrin tokens --lang aa x --config " +
                            broken);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "tovrin: " + broken + ":2: languages can't be nested (given with --config)\n");
}

// tovrin::parse_config() finds the very condition the loader ends on, at
// its line, for every fatal case above.
TEST(ConfigCheck, FindsWhatTheLoaderEndsOn) {
    for (const auto &c : kFatalCases) {
        const tovrin::ConfigText t = tovrin::parse_config(c.ini);
        ASSERT_FALSE(t.errors.empty()) << c.what;
        EXPECT_EQ("Init (tovrin) : " + t.errors.front().message + " !", "Init (tovrin) : " + c.message)
            << c.what;
    }
}

} // namespace
