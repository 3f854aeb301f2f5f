// Numbering systems: the shipped tables (their books, known counts, the KJV
// table regenerated from its package), the "=" line of bibl.ini, the
// existence check, the expansion that resolves the marks across chapter
// ends, and OSIS references.
//
// The shipped configuration is loaded once, in this process; the loader's
// fatal paths run in child processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "tovrin.h"
#include "tovrin.hpp"

namespace {

using testing_support::in_child;
using testing_support::Outcome;
using testing_support::run_command;
using testing_support::source_dir;
using testing_support::TempDir;
using testing_support::take;

// Book numbers of the shipped book order.
enum Book {
    GEN = 1, ESTH = 17, PS = 19, EZEK = 26, DAN = 27, JOEL = 29, NAH = 34, MAL = 39,
    MATT = 40, JOHN = 43, ROM = 45, JUDE = 65, REV = 66, TOB = 67, WIS = 71, SIR = 72,
    BAR = 73, MACC1 = 79, MACC2 = 80, PRMAN = 85, ADDPS = 86,
};

LANG *shipped(const char *name) {
    static const bool loaded = [] {
        tovrin_init_file((source_dir() + "/data/bibl.ini").c_str());
        return true;
    }();
    (void)loaded;
    return findlang(name);
}

const tovrin_versification *system(const char *name) {
    const tovrin_versification *v = tovrin_versification_find(name);
    EXPECT_NE(v, nullptr) << name;
    return v;
}

std::string file_text(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// ---- the tables ------------------------------------------------------------

TEST(Tables, EverySystemHasTheProtestantCanonAndItsOwnDeuterocanon) {
    const struct {
        const char *name;
        std::initializer_list<int> deuterocanon;
    } systems[] = {
        {"catholic", {TOB, 68, 69, WIS, SIR, BAR, MACC1, MACC2, PRMAN}},
        {"hebrew", {TOB, 68, 69, WIS, SIR, BAR, MACC1, MACC2, PRMAN}},
        {"kjv", {}},
        {"kjva", {TOB, 68, 69, WIS, SIR, BAR, 75, 76, 77, MACC1, MACC2, 83, 84, PRMAN}},
        {"synodal", {TOB, 68, WIS, SIR, BAR, 74, MACC1, MACC2, 81, 83, 84, PRMAN}},
        {"vulgate", {TOB, 68, WIS, SIR, BAR, MACC1, MACC2, 83, 84, PRMAN, ADDPS}},
    };
    int listed = 0;
    for (const auto &s : systems) {
        const tovrin_versification *v = system(s.name);
        ASSERT_NE(v, nullptr);
        EXPECT_STREQ(tovrin_versification_name(v), s.name);
        for (int book = GEN; book <= REV; ++book)
            EXPECT_GT(tovrin_chapters(v, book), 0) << s.name << " book " << book;
        for (int book = TOB; book <= ADDPS; ++book) {
            const bool has = std::find(s.deuterocanon.begin(), s.deuterocanon.end(), book) !=
                             s.deuterocanon.end();
            EXPECT_EQ(tovrin_chapters(v, book) > 0, has) << s.name << " book " << book;
        }
        ++listed;
    }
    // Every built-in system is one of those above, in name order.
    for (int k = 0; tovrin_versification_at(k) != nullptr; ++k)
        EXPECT_STREQ(tovrin_versification_name(tovrin_versification_at(k)),
                     systems[k].name);
    EXPECT_EQ(tovrin_versification_at(listed), nullptr);
    EXPECT_EQ(tovrin_versification_at(-1), nullptr);
    EXPECT_EQ(tovrin_versification_find("synodal-typo"), nullptr);
}

TEST(Tables, KnownCounts) {
    const struct {
        const char *system;
        int book, chapter; // chapter 0: the number of chapters of the book
        int count;
    } cases[] = {
        {"hebrew", GEN, 0, 50}, {"kjv", GEN, 0, 50},
        {"hebrew", PS, 0, 150}, {"kjv", PS, 0, 150}, {"vulgate", PS, 0, 150},
        {"hebrew", PS, 119, 176}, {"kjv", PS, 119, 176},
        {"hebrew", JOHN, 3, 36}, {"kjv", JOHN, 3, 36},
        {"hebrew", MAL, 0, 3}, {"kjv", MAL, 0, 4}, {"hebrew", MAL, 3, 24}, {"kjv", MAL, 4, 6},
        {"hebrew", JOEL, 0, 4}, {"kjv", JOEL, 0, 3},
        // Psalm titles are verses in the Hebrew numbering.
        {"hebrew", PS, 51, 21}, {"kjv", PS, 51, 19}, {"hebrew", PS, 3, 9}, {"kjv", PS, 3, 8},
        {"hebrew", JUDE, 0, 1}, {"hebrew", REV, 22, 21}, {"kjv", JOHN, 21, 25},
        // The Vulgate: Greek psalm numbers, Daniel with Susanna and Bel,
        // Esther with its additions, the Letter of Jeremiah as Baruch 6.
        {"vulgate", PS, 9, 39}, {"vulgate", PS, 50, 21}, {"vulgate", 27, 0, 14},
        {"vulgate", 27, 13, 65}, {"vulgate", 17, 0, 16}, {"vulgate", BAR, 6, 72},
        {"vulgate", MAL, 0, 4}, {"vulgate", SIR, 0, 51},
        // Catholic Bibles: the Hebrew numbering, with Daniel 3 of 100 verses
        // (the Prayer of Azariah and the Song of the Three as 3,24-90),
        // Susanna as Daniel 13, Bel as Daniel 14 and Greek Esther as
        // 10,4-16,24. Daniel 4 is the Hebrew one (the KJV's 4,1-3 are 3,31-33
        // there); 5,31 of the Vulgate and 6,29 of the Hebrew text both exist,
        // and 13,65 of the Clementine Vulgate (14,1 in newer Bibles).
        {"catholic", DAN, 0, 14}, {"catholic", DAN, 3, 100}, {"catholic", DAN, 4, 34},
        {"hebrew", DAN, 4, 34}, {"kjv", DAN, 4, 37}, {"catholic", DAN, 5, 31},
        {"catholic", DAN, 6, 29}, {"catholic", DAN, 13, 65}, {"catholic", DAN, 14, 42},
        {"catholic", ESTH, 0, 16}, {"catholic", ESTH, 10, 13}, {"catholic", ESTH, 16, 24},
        {"catholic", PS, 51, 21}, {"catholic", JOEL, 0, 4}, {"catholic", MAL, 0, 3},
        // The Synodal numbering: Greek psalm numbers with the titles as
        // verses and Psalm 151 in the Psalter, Joel 3 and Malachi 4 chapters,
        // Esther and Daniel with their additions, the doxology of Romans at
        // the end of chapter 14, Baruch and the Letter of Jeremiah apart,
        // 3 Maccabees, the Slavonic 2 and 3 Ezra as 1 and 2 Esdras.
        {"synodal", PS, 0, 151}, {"synodal", PS, 151, 7}, {"synodal", PS, 50, 21},
        {"synodal", PS, 9, 39}, {"synodal", PS, 118, 176}, {"synodal", PS, 22, 6},
        {"synodal", JOEL, 0, 3}, {"synodal", JOEL, 2, 32}, {"synodal", MAL, 0, 4},
        {"synodal", MAL, 4, 6}, {"synodal", 17, 0, 10}, {"synodal", 27, 0, 14},
        {"synodal", 27, 3, 100}, {"synodal", ROM, 14, 26}, {"synodal", ROM, 16, 24},
        {"synodal", BAR, 0, 5}, {"synodal", 74, 1, 72}, {"synodal", 81, 0, 7},
        {"synodal", 83, 0, 9}, {"synodal", 84, 0, 16}, {"synodal", PRMAN, 0, 1},
        {"synodal", ADDPS, 0, 0},
        // Outside the tables.
        {"hebrew", PS, 151, 0}, {"kjv", JOHN, 0 - 1, 0}, {"kjv", 0, 0, 0}, {"kjv", 87, 0, 0},
    };
    for (const auto &c : cases) {
        const tovrin_versification *v = system(c.system);
        const int got = c.chapter == 0 ? tovrin_chapters(v, c.book)
                                       : tovrin_verses(v, c.book, c.chapter);
        EXPECT_EQ(got, c.count) << c.system << " book " << c.book << " chapter " << c.chapter;
    }
}

int verses_in(const tovrin_versification *v) {
    int total = 0;
    for (int book = 1; book <= 86; ++book)
        for (int c = 1; c <= tovrin_chapters(v, book); ++c)
            total += tovrin_verses(v, book, c);
    return total;
}

TEST(Tables, KjvHas31102Verses) {
    EXPECT_EQ(verses_in(system("kjv")), 31102);
    // The 66 books of the KJV with the Apocrypha are those of the KJV.
    for (int book = GEN; book <= REV; ++book)
        for (int c = 1; c <= tovrin_chapters(system("kjv"), book); ++c)
            ASSERT_EQ(tovrin_verses(system("kjva"), book, c),
                      tovrin_verses(system("kjv"), book, c));
}

// The Catholic table is the Hebrew one but for Esther and Daniel, whose
// every chapter has the larger count of the Hebrew and the Vulgate table.
TEST(Tables, CatholicIsTheHebrewWithTheVulgateEstherAndDaniel) {
    const tovrin_versification *catholic = system("catholic"), *hebrew = system("hebrew"),
                               *vulgate = system("vulgate");
    for (int book = 1; book <= 86; ++book) {
        const bool greek = book == ESTH || book == DAN;
        const int vulgate_chapters = greek ? tovrin_chapters(vulgate, book) : 0;
        ASSERT_EQ(tovrin_chapters(catholic, book),
                  std::max(tovrin_chapters(hebrew, book), vulgate_chapters)) << book;
        for (int c = 1; c <= tovrin_chapters(catholic, book); ++c)
            EXPECT_EQ(tovrin_verses(catholic, book, c),
                      std::max(tovrin_verses(hebrew, book, c),
                               greek ? tovrin_verses(vulgate, book, c) : 0))
                << book << " " << c;
    }
}

// The scripts of tools/versification regenerate the shipped tables byte
// for byte from the Debian packages they were made from.
TEST(Tables, RegenerateFromTheirPackages) {
    const struct {
        const char *command, *package_file, *table;
    } tables[] = {
        {"kjv_counts.sh", "/usr/lib/bible.data", "kjv"},
        {"sword_counts.sh hebrew", "/usr/include/sword/canon_luther.h", "hebrew"},
        {"sword_counts.sh catholic", "/usr/include/sword/canon_vulg.h", "catholic"},
        {"sword_counts.sh kjva", "/usr/include/sword/canon_kjva.h", "kjva"},
        {"sword_counts.sh vulgate", "/usr/include/sword/canon_vulg.h", "vulgate"},
        {"sword_counts.sh synodal", "/usr/include/sword/canon_synodal.h", "synodal"},
    };
    for (const auto &t : tables) {
        // .ci/run installs both packages; a machine without them skips.
        if (!std::ifstream(t.package_file))
            GTEST_SKIP() << t.package_file << " is missing (Debian bible-kjv, libsword-dev)";
        const Outcome made =
            run_command("bash " + source_dir() + "/tools/versification/" + t.command);
        EXPECT_EQ(made.status, 0) << made.err;
        EXPECT_EQ(made.out, file_text(source_dir() + "/data/versification/" + t.table + ".vrs"))
            << t.table;
    }
}

TEST(Tables, OsisBookNames) {
    const struct {
        int book;
        const char *name;
    } cases[] = {{GEN, "Gen"},     {PS, "Ps"},       {MATT, "Matt"},  {REV, "Rev"},
                 {TOB, "Tob"},     {69, "AddEsth"},  {WIS, "Wis"},    {SIR, "Sir"},
                 {MACC1, "1Macc"}, {ADDPS, "AddPs"}, {0, nullptr},    {87, nullptr}};
    for (const auto &c : cases) {
        if (c.name == nullptr)
            EXPECT_EQ(tovrin_osis_book(c.book), nullptr) << c.book;
        else
            EXPECT_STREQ(tovrin_osis_book(c.book), c.name) << c.book;
    }
}

// ---- bibl.ini ----------------------------------------------------------------

TEST(Config, LanguagesNameTheirSystemsFirstTheOneReadersUse) {
    const struct {
        const char *lang;
        std::vector<const char *> systems;
    } cases[] = {
        // Czech, German and English Catholic texts cite Daniel 13-14 and
        // Greek Esther in the numbering of their Bibles.
        {"cz", {"hebrew", "kjva", "catholic"}}, {"sk", {"hebrew", "vulgate"}},
        {"en", {"kjv", "kjva", "catholic"}}, {"de", {"hebrew", "catholic"}},
        {"la", {"vulgate"}},
        // Catholic translations number by the Hebrew text, older Catholic
        // ones by the Vulgate (which has Daniel 13-14 and Esther 11-16 as
        // well); the Protestant conventions follow their Bibles
        // (Reina-Valera, Riveduta and Almeida number as the KJV).
        {"pl", {"hebrew", "vulgate"}}, {"pl-colon", {"hebrew", "kjva"}},
        {"fr", {"hebrew", "vulgate"}}, {"fr-colon", {"hebrew", "kjva"}},
        {"es", {"hebrew", "vulgate"}}, {"es-colon", {"kjv", "kjva"}},
        {"it", {"hebrew", "vulgate"}}, {"it-colon", {"kjv", "kjva"}},
        {"pt", {"hebrew", "vulgate"}}, {"pt-colon", {"kjv", "kjva"}},
        {"nl", {"hebrew", "kjva"}}, {"nl-comma", {"hebrew", "vulgate"}},
        {"hu", {"hebrew", "vulgate"}}, {"hu-colon", {"hebrew", "kjva"}},
        {"hr", {"hebrew", "vulgate"}}, {"ru", {"synodal", "hebrew"}},
        {"uk", {"synodal", "hebrew"}},
        // The languages added from name lists: Lutheran Bibles by the Hebrew
        // text, Orthodox ones by the Septuagint, the rest as the KJV.
        {"sv", {"hebrew", "kjva"}}, {"da", {"hebrew", "kjva"}}, {"no", {"hebrew", "kjva"}},
        {"fi", {"hebrew", "kjva"}}, {"ro", {"kjva", "synodal"}}, {"id", {"kjv", "kjva"}},
        {"tr", {"kjv", "kjva"}}, {"el", {"synodal", "kjva"}}, {"bg", {"synodal", "kjva"}},
        {"sr", {"kjv", "synodal"}}, {"mk", {"synodal", "kjva"}},
        {"tl", {"kjv", "kjva", "catholic"}}, {"sw", {"kjv", "kjva"}},
        // The languages of other scripts and the last Latin ones: the
        // Hebrew Bible by the Masoretic text, the rest as the KJV.
        {"ar", {"kjv", "kjva"}}, {"fa", {"kjv", "kjva"}}, {"he", {"hebrew", "kjva"}},
        {"ur", {"kjv", "kjva"}}, {"hi", {"kjv", "kjva"}}, {"mr", {"kjv", "kjva"}},
        {"ne", {"kjv", "kjva"}}, {"or", {"kjv", "kjva"}}, {"pa", {"kjv", "kjva"}},
        {"ta", {"kjv", "kjva"}}, {"zh", {"kjv", "kjva"}}, {"ja", {"kjv", "kjva"}},
        {"ko", {"kjv", "kjva"}}, {"th", {"kjv", "kjva"}}, {"vi", {"kjv", "kjva"}},
        {"ceb", {"kjv", "kjva"}}, {"cy", {"kjv", "kjva"}}, {"ht", {"kjv", "kjva"}},
        {"is", {"kjv", "kjva"}}, {"jv", {"kjv", "kjva"}}, {"so", {"kjv", "kjva"}},
        {"sq", {"kjv", "kjva"}}};
    for (const auto &c : cases) {
        LANG *l = shipped(c.lang);
        const int count = static_cast<int>(c.systems.size());
        for (int k = 0; k < count; ++k)
            EXPECT_EQ(tovrin_versification_of(l, k), tovrin_versification_find(c.systems[k]))
                << c.lang << " " << k;
        EXPECT_EQ(tovrin_versification_of(l, count), nullptr) << c.lang;
        EXPECT_EQ(tovrin_versification_of(l, -1), nullptr);
    }
    // Every language of the shipped file is in the table: none ships
    // without its numbering.
    std::istringstream file(file_text(source_dir() + "/data/bibl.ini"));
    int languages = 0;
    for (std::string line; std::getline(file, line);)
        if (line.starts_with("{")) {
            ++languages;
            EXPECT_TRUE(std::any_of(std::begin(cases), std::end(cases),
                                    [&](const auto &c) { return line.substr(1) == c.lang; }))
                << line;
        }
    EXPECT_EQ(languages, static_cast<int>(std::size(cases)));
}

TEST(Config, LanguageWithoutSystemsHasNoExistenceTest) {
    LANG *l = testing_support::example_lang();
    EXPECT_EQ(tovrin_versification_of(l, 0), nullptr);
    tovrin_existence why{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(tovrin_exists("Jn 999,999", l, &why), TOVRIN_EXISTS);
    EXPECT_EQ(why.reason, TOVRIN_EXISTS);
    EXPECT_EQ(why.limit, 0);
}

TEST(Config, BadSystemLinesAreFatal) {
    const std::string head = "{xx\n!;-.,+n.\n_abc\n^ABC\n&abc\n";
    const struct {
        std::string config, message;
    } cases[] = {
        {head + "=hebrew luther\n}\n",
         "Init (tovrin) : language 'xx' names the unknown numbering system 'luther' !\n"},
        {"=hebrew\n" + head + "}\n", "Init (tovrin) : config tag not inside '{ .. }' !\n"},
    };
    TempDir dir;
    for (const auto &c : cases) {
        const std::string path = dir.write("bibl.ini", c.config);
        const Outcome o = in_child([&] { tovrin_init_file(path.c_str()); });
        EXPECT_EQ(o.status, 1) << c.config;
        EXPECT_EQ(o.err, c.message);
    }
}

TEST(Config, EmptySystemLineLeavesNoExistenceTest) {
    TempDir dir;
    const std::string path = dir.write("bibl.ini", "{xx\n!;-.,+n.\n_a\n^A\n&a\n=\n+A\n}\n");
    const Outcome o = in_child([&] {
        tovrin_init_file(path.c_str());
        std::exit(tovrin_versification_of(findlang("xx"), 0) == nullptr ? 0 : 3);
    });
    EXPECT_EQ(o.status, 0) << o.err;
}

// ---- the existence check ------------------------------------------------------

TEST(Exists, ReportsTheFirstPositionThatNoSystemHas) {
    const struct {
        const char *lang, *cite;
        tovrin_existence want;
    } cases[] = {
        // Typos an author wants caught, with the count they exceed.
        {"cz", "J 3,99", {TOVRIN_NO_VERSE, 0, JOHN, 3, 99, 36}},
        {"cz", "Mt 29,1", {TOVRIN_NO_CHAPTER, 0, MATT, 29, 1, 28}},
        {"cz", "Ž 151", {TOVRIN_NO_CHAPTER, 0, PS, 151, 0, 150}},
        {"cz", "Ju 2,1", {TOVRIN_NO_CHAPTER, 0, JUDE, 2, 1, 1}},
        // A book of one chapter is cited by its verses alone.
        {"cz", "Ju 26", {TOVRIN_NO_VERSE, 0, JUDE, 1, 26, 25}},
        // Numbers that only look like citations.
        {"cz", "Ez 508,1", {TOVRIN_NO_CHAPTER, 0, EZEK, 508, 1, 48}},
        {"cz", "Na 5", {TOVRIN_NO_CHAPTER, 0, NAH, 5, 0, 3}},
        // Either end of a range, any unit of a list; start before end.
        {"cz", "Gn 1,1-2,99", {TOVRIN_NO_VERSE, 0, GEN, 2, 99, 25}},
        {"cz", "Gn 1,40-2,99", {TOVRIN_NO_VERSE, 0, GEN, 1, 40, 31}},
        {"cz", "Gn 1,1; 51,1", {TOVRIN_NO_CHAPTER, 1, GEN, 51, 1, 50}},
        {"cz", "Gn 1,1.40", {TOVRIN_NO_VERSE, 1, GEN, 1, 40, 31}},
        // A book no system of the language has, or the language does not know.
        {"cz", "3 Mak 1,1", {TOVRIN_NO_BOOK, 0, 81, 1, 1, 0}},
        {"cz", "Xy 3,4", {TOVRIN_NO_BOOK, 0, 0, 3, 4, 0}},
        // The largest count of the language's systems: Czech texts cite
        // Psalm 9 by the Hebrew (21 verses) and the KJV (20) numbering,
        // Slovak ones also by the Vulgate (39).
        {"cz", "Ž 9,39", {TOVRIN_NO_VERSE, 0, PS, 9, 39, 21}},
        {"en", "Ps 51:22", {TOVRIN_NO_VERSE, 0, PS, 51, 22, 21}}, // NABRE: Hebrew verses
        {"de", "Mal 4,1", {TOVRIN_NO_CHAPTER, 0, MAL, 4, 1, 3}},
        {"la", "Mal 5,1", {TOVRIN_NO_CHAPTER, 0, MAL, 5, 1, 4}},
        // Psalm 151 is in the Synodal Psalter only; no system has a 152nd.
        {"ru", "Пс 152", {TOVRIN_NO_CHAPTER, 0, PS, 152, 0, 151}},
        {"pl", "Ps 151", {TOVRIN_NO_CHAPTER, 0, PS, 151, 0, 150}},
        {"ru", "Пс 151:8", {TOVRIN_NO_VERSE, 0, PS, 151, 8, 7}},
        {"es-colon", "Sal 51:21", {TOVRIN_NO_VERSE, 0, PS, 51, 21, 19}},
        // Beyond the Catholic Daniel and Esther.
        {"cz", "Dan 15,1", {TOVRIN_NO_CHAPTER, 0, DAN, 15, 1, 14}},
        {"cz", "Dan 3,101", {TOVRIN_NO_VERSE, 0, DAN, 3, 101, 100}},
        {"cz", "Est 17,1", {TOVRIN_NO_CHAPTER, 0, ESTH, 17, 1, 16}},
        {"de", "Dan 15,1", {TOVRIN_NO_CHAPTER, 0, DAN, 15, 1, 14}},
        {"de", "Dan 3,101", {TOVRIN_NO_VERSE, 0, DAN, 3, 101, 100}},
        {"de", "Est 16,25", {TOVRIN_NO_VERSE, 0, ESTH, 16, 25, 24}},
        {"en", "Dan 15:1", {TOVRIN_NO_CHAPTER, 0, DAN, 15, 1, 14}},
        {"en", "Dan 3:101", {TOVRIN_NO_VERSE, 0, DAN, 3, 101, 100}},
        {"en", "Dan 14:43", {TOVRIN_NO_VERSE, 0, DAN, 14, 43, 42}},
    };
    for (const auto &c : cases) {
        tovrin_existence why{};
        EXPECT_EQ(tovrin_exists(c.cite, shipped(c.lang), &why), c.want.reason) << c.cite;
        EXPECT_EQ(why.reason, c.want.reason) << c.cite;
        EXPECT_EQ(why.unit, c.want.unit) << c.cite;
        EXPECT_EQ(why.book, c.want.book) << c.cite;
        EXPECT_EQ(why.chapter, c.want.chapter) << c.cite;
        EXPECT_EQ(why.verse, c.want.verse) << c.cite;
        EXPECT_EQ(why.limit, c.want.limit) << c.cite;
    }
    EXPECT_EQ(tovrin_exists("J 3,99", shipped("cz"), nullptr), TOVRIN_NO_VERSE);
}

TEST(Exists, EdgeVersesAndEitherNumbering) {
    const struct {
        const char *lang, *cite;
    } cases[] = {
        {"cz", "Ž 119,176"}, {"cz", "Ž 51,21"}, {"cz", "Mal 3,24"}, {"cz", "J 21,25"},
        {"cz", "Zj 22,21"}, {"cz", "Ju 1,25"}, {"cz", "Gn 1,1-50,26"}, {"cz", "Gn-Dt"},
        {"cz", "Ž 51,19"}, {"cz", "Mal 4,6"}, // also cited by the KJV numbering
        {"cz", "J 21,25n"}, {"cz", "Mal 3,24nn"}, {"cz", "Ř 8,39+"}, // marks name no verse
        {"cz", "Tob 14,15"}, {"cz", "Bar 6,73"},
        {"sk", "Ž 9,39"}, {"en", "Mal 4:6"}, {"en", "Tob 14:15"}, {"en", "Sus 1:64"},
        {"de", "Joel 4,21"}, {"la", "Dn 14,42"}, {"la", "Ps 150,6"},
        // Synodal: Psalm 151, Malachi 4; the Hebrew numbering as well.
        {"ru", "Пс 151"}, {"ru", "Пс 151:1-7"}, {"uk", "Пс 151:7"}, {"ru", "Мал 4:6"},
        {"ru", "Мал 3:24"}, {"ru", "Пс 50:21"}, {"ru", "Иоил 3:21"}, {"ru", "3 Мак 7:20"},
        {"pl", "Ml 3,24"}, {"pl", "Jl 4,21"}, {"es-colon", "Mal 4:6"}, {"fr-colon", "Ml 4:6"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tovrin_exists(c.cite, shipped(c.lang), nullptr), TOVRIN_EXISTS)
            << c.lang << " " << c.cite;
}

// Catholic texts cite the Greek parts of Daniel and Esther where their
// Bibles print them; the scan that keeps only existing citations finds them
// whole.
TEST(Exists, CatholicDanielAndEsther) {
    const struct {
        const char *lang, *cite;
    } cases[] = {
        {"cz", "Dan 3,57"}, {"cz", "Da 14,1-30"}, {"cz", "Dan 13,1-64"}, {"cz", "Dn 3,24-90"},
        {"cz", "Est 11,2"}, {"cz", "Est 10,4-16,24"}, {"cz", "Da 3,100"},
        {"de", "Dan 3,57"}, {"de", "Dan 14,1-30"}, {"de", "Dan 13,1-64"}, {"de", "Est 11,2"},
        {"de", "Dan 3,98-100; 4,1-34"},
        {"en", "Dan 3:57"}, {"en", "Dan 14:1-30"}, {"en", "Dan 13:1-64"}, {"en", "Esth 11:2"},
        {"en", "Dan 6:29"},
    };
    for (const auto &c : cases) {
        const tovrin::Language l(shipped(c.lang));
        EXPECT_EQ(tovrin_exists(c.cite, l.get(), nullptr), TOVRIN_EXISTS)
            << c.lang << " " << c.cite;
        const std::string text = std::string("(") + c.cite + ")";
        std::vector<std::string> found;
        for (const tovrin_span &s : tovrin::find_citations(l, text, TOVRIN_SCAN_EXISTING))
            found.push_back(text.substr(static_cast<std::size_t>(s.offset),
                                        static_cast<std::size_t>(s.length)));
        EXPECT_EQ(found, std::vector<std::string>{c.cite}) << c.lang;
    }
}

// ---- the expansion -------------------------------------------------------------

TEST(ExpandVersified, MarksFollowTheFirstSystem) {
    const struct {
        const char *from, *to, *cite, *system, *want;
    } cases[] = {
        // "n" after the last verse of a chapter is the next chapter's first.
        {"cz", "cz", "J 3,36n", nullptr, "J 3,36-4,1"},
        {"cz", "cz", "J 3,16n", nullptr, "J 3,16-17"},
        {"cz", "cz", "Ř 8,39n", nullptr, "Ř 8,39-9,1"},
        // Never past the end of a book.
        {"cz", "cz", "Mal 3,24n", nullptr, "Mal 3,24"},
        {"cz", "cz", "Zj 22,21n", nullptr, "Zj 22,21"},
        {"cz", "cz", "Gn 50n", nullptr, "Gn 50"},
        // "nn" and "+" run to the end of the chapter, or of the book.
        {"cz", "cz", "Ž 23,5nn", nullptr, "Ž 23,5-6"},
        {"cz", "cz", "Ž 23,6nn", nullptr, "Ž 23,6"},
        {"cz", "cz", "Ř 8,28+", nullptr, "Ř 8,28-39"},
        {"cz", "cz", "Gn 48nn", nullptr, "Gn 48-50"},
        {"cz", "cz", "Gn 49n", nullptr, "Gn 49-50"},
        {"cz", "cz", "Gn 1,1; J 3,36n; Ž 23,5nn", nullptr, "Gn 1,1; J 3,36-4,1; Ž 23,5-6"},
        // The same in English, whose first system (KJV) has Malachi 4.
        {"en", "en", "John 3:36f", nullptr, "John 3:36-4:1"},
        {"en", "en", "Mal 4:6f", nullptr, "Mal 4:6"},
        {"en", "en", "Ps 23:5ff", nullptr, "Ps 23:5-6"},
        {"en", "en", "Mal 3:18f", nullptr, "Mal 3:18-4:1"},
        {"cz", "cz", "Mal 3,18n", nullptr, "Mal 3,18-19"},
        // Psalm 51: 21 verses in the Hebrew numbering, 19 in the KJV one.
        {"cz", "cz", "Ž 51,19n", nullptr, "Ž 51,19-20"},
        {"en", "en", "Ps 51:19f", nullptr, "Ps 51:19-52:1"},
        // Read in one language, written in another; the reader's numbering.
        {"cz", "en", "J 3,36n; Mal 3,24n", nullptr, "John 3:36-4:1; Mal 3:24"},
        // Russian: the Synodal numbering, whose Joel has 3 chapters and
        // Malachi 4 (the Hebrew numbering has 4 and 3).
        {"ru", "ru", "Ин 3:36f", nullptr, "Ин 3:36-4:1"},
        {"ru", "ru", "Иоил 2:32f", nullptr, "Иоил 2:32-3:1"},
        {"ru", "ru", "Мал 3:18f", nullptr, "Мал 3:18-4:1"},
        {"ru", "ru", "Мал 4:6f", nullptr, "Мал 4:6"},
        {"ru", "ru", "Пс 22:5ff", nullptr, "Пс 22:5-6"},
        {"ru", "ru", "Пс 150:6f", nullptr, "Пс 150:6-151:1"},
        // Polish: the Hebrew numbering.
        {"pl", "pl", "J 3,36n", nullptr, "J 3,36-4,1"},
        {"pl", "pl", "Jl 2,27n", nullptr, "Jl 2,27-3,1"},
        {"pl", "pl", "Ml 3,24n", nullptr, "Ml 3,24"},
        {"pl", "pl", "Ps 23,5nn", nullptr, "Ps 23,5-6"},
        {"ru", "pl", "Мал 3:18f", nullptr, "Ml 3,18-4,1"},
        // Daniel and Esther: the first system has them, so its chapter ends
        // decide, although the Catholic numbering goes on.
        {"cz", "cz", "Dan 3,33n", nullptr, "Da 3,33-4,1"},
        {"cz", "cz", "Da 12,13n", nullptr, "Da 12,13"},
        {"cz", "cz", "Est 10,3n", nullptr, "Est 10,3"},
        {"de", "de", "Dan 3,33f", nullptr, "Dan 3,33-4,1"},
        {"en", "en", "Dan 3:30f", nullptr, "Dan 3:30-4:1"},
        // A system chosen by the caller.
        {"cz", "cz", "Mal 3,18n", "kjv", "Mal 3,18-4,1"},
        {"cz", "cz", "Dan 3,33n", "catholic", "Da 3,33-34"},
        {"cz", "cz", "Da 12,13n", "catholic", "Da 12,13-13,1"},
        {"cz", "cz", "Est 10,3n", "catholic", "Est 10,3-4"},
        // A book of the second system only; a book of none keeps its mark.
        {"en", "en", "Tob 14:15f", nullptr, "Tob 14:15"},
        {"cz", "cz", "3 Mak 1,1nn", nullptr, "3 Mak 1,1nn"},
        {"cz", "cz", "3 Mak 1,1n", nullptr, "3 Mak 1,1-2"},
        // A verse no table has: as the plain expansion writes it.
        {"cz", "cz", "J 3,99n", nullptr, "J 3,99-100"},
    };
    for (const auto &c : cases) {
        const tovrin_versification *v = c.system ? system(c.system) : nullptr;
        EXPECT_EQ(take(tovrin_expand_versified(c.cite, shipped(c.from), shipped(c.to), v)),
                  c.want) << c.from << " " << c.cite;
    }
}

TEST(ExpandVersified, WithoutSystemsIsThePlainExpansion) {
    LANG *l = testing_support::example_lang();
    for (const char *cite : {"Jn 3,36n", "Jn 3,36nn", "Jn 3,36+", "Gn 1-2,3", "Mt 5,3.7"})
        EXPECT_EQ(take(tovrin_expand_versified(cite, l, l, nullptr)),
                  take(tovrin_expand_bl(cite, l, l))) << cite;
}

// ---- OSIS ----------------------------------------------------------------------------

TEST(Osis, References) {
    const struct {
        const char *lang, *cite;
        unsigned flags;
        const char *want;
    } cases[] = {
        {"cz", "Mt 5,3-12; L 6,20n", 0, "Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21"},
        {"en", "Matt 5:3-12; Luke 6:20f", 0, "Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21"},
        // Single verses, chapters, books; ranges across chapters and books.
        {"cz", "J 3,16", 0, "John.3.16"},
        {"cz", "Ž 23", 0, "Ps.23"},
        {"cz", "Gn 1-3", 0, "Gen.1-Gen.3"},
        {"cz", "Gn 1,1-2,3", 0, "Gen.1.1-Gen.2.3"},
        {"cz", "Gn 1-2,3", 0, "Gen.1.1-Gen.2.3"},
        {"cz", "Gn-Dt", 0, "Gen-Deut"},
        {"cz", "J 3,36n", 0, "John.3.36-John.4.1"},
        // Verse lists: one reference each.
        {"cz", "J 3,16.18; 4,1", 0, "John.3.16,John.3.18,John.4.1"},
        // Parts: dropped, or kept as "!a".
        {"cz", "Mt 5,3a-5b", 0, "Matt.5.3-Matt.5.5"},
        {"cz", "Mt 5,3a-5b", TOVRIN_OSIS_PARTS, "Matt.5.3!a-Matt.5.5!b"},
        {"cz", "Mt 5,3b", TOVRIN_OSIS_PARTS, "Matt.5.3!b"},
        {"cz", "Mt 5,3a-3b", 0, "Matt.5.3"},
        {"cz", "Mt 5,3a-3b", TOVRIN_OSIS_PARTS, "Matt.5.3!a-Matt.5.3!b"},
        // Marks through the tables; without one, "nn" is two verses.
        {"cz", "Ž 23,5nn", 0, "Ps.23.5-Ps.23.6"},
        {"cz", "Ř 8,28+", 0, "Rom.8.28-Rom.8.39"},
        {"cz", "3 Mak 1,1nn", 0, "3Macc.1.1-3Macc.1.3"},
        {"cz", "Tob 1,1", 0, "Tob.1.1"},
        // A range that runs backwards names its start.
        {"cz", "Mt 5,7-3", 0, "Matt.5.7"},
        // What is no citation.
        {"cz", "Xy 3,4", 0, "(null)"},
        {"cz", "Mt 5,3; Xy 3,4", 0, "(null)"},
        {"cz", "Mt 5,3-", 0, "(null)"},
        {"cz", "", 0, "(null)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(tovrin_osis(c.cite, shipped(c.lang), nullptr, c.flags)), c.want)
            << c.lang << " " << c.cite;
}

// ---- units with the marks read -------------------------------------------------------

// "n" and "nn" alike become the verses they stand for, through the tables
// where one has the book, else one and two verses more; no unit keeps a
// mark.
TEST(UnitsVersified, MarksBecomeVerses) {
    const struct {
        const char *lang, *cite, *system, *want;
    } cases[] = {
        {"cz", "J 3,16n", nullptr, "J 3,16-17"},
        {"cz", "J 3,36n", nullptr, "J 3,36-4,1"},
        {"cz", "\u017d 23,5nn", nullptr, "\u017d 23,5-6"},
        {"cz", "\u0158 8,28+", nullptr, "\u0158 8,28-39"},
        {"cz", "Mt 5,3nn; 7,28n", nullptr, "Mt 5,3-48; Mt 7,28-29"},
        {"cz", "Jl 2,32n", "kjv", "Jl 2,32-3,1"},
        {"cz", "Jl 2,27n", "hebrew", "Jl 2,27-3,1"},
        // 3 Mak is in none of cz's systems: one and two verses more.
        {"cz", "3 Mak 1,1n; 3 Mak 1,1nn", nullptr, "3 Mak 1,1-2; 3 Mak 1,1-3"},
        // A book of one chapter cited by its verses.
        {"cz", "Ju 5n", nullptr, "Ju 1,5-6"},
        {"cz", "Mt 5,3-12", nullptr, "Mt 5,3-12"},
    };
    for (const auto &c : cases) {
        LANG *l = shipped(c.lang);
        PARS_UNIT **units = tovrin_units_versified(
            c.cite, l, c.system != nullptr ? system(c.system) : nullptr);
        for (PARS_UNIT **u = units; *u != nullptr; ++u)
            EXPECT_EQ((*u)->fl, 0) << c.cite;
        EXPECT_EQ(take(tovrin_expus(units, l)), c.want) << c.cite;
        freepus(units);
    }
    // Without numbering systems: one verse more, two more.
    LANG *xx = testing_support::example_lang();
    PARS_UNIT **units = tovrin_units_versified("Jn 3,36n; Jn 3,36nn", xx, nullptr);
    EXPECT_EQ(take(tovrin_expus(units, xx)), "Jn 3,36-37; Jn 3,36-38");
    freepus(units);
}

// ---- the C++ layer -----------------------------------------------------------------

TEST(CppLayer, AnswersAsTheCFunctions) {
    const tovrin::Language cz(shipped("cz")), en(shipped("en"));
    EXPECT_EQ(tovrin::versifications(cz),
              (std::vector<tovrin::Versification>{system("hebrew"), system("kjva"),
                                                  system("catholic")}));
    EXPECT_TRUE(tovrin::versifications(tovrin::Language(testing_support::example_lang())).empty());
    EXPECT_EQ(tovrin::missing("J 3,36", cz), std::nullopt);
    const auto why = tovrin::missing("J 3,99", cz);
    ASSERT_TRUE(why.has_value());
    EXPECT_EQ(why->reason, TOVRIN_NO_VERSE);
    EXPECT_EQ(why->limit, 36);
    EXPECT_EQ(tovrin::expand_versified("J 3,36n", cz, en), "John 3:36-4:1");
    EXPECT_EQ(tovrin::expand_versified("Mal 3,18n", cz, cz, system("kjv")), "Mal 3,18-4,1");
    EXPECT_EQ(tovrin::osis("Mt 5,3a", cz, TOVRIN_OSIS_PARTS), "Matt.5.3!a");
    EXPECT_EQ(tovrin::osis("Xy 1,1", cz), std::nullopt);
}

} // namespace
