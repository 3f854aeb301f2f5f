// Verse maps between numbering systems: the shipped maps regenerated from
// their sources, and known correspondences of the Psalter, Joel, Malachi,
// Daniel and Romans, each through the canonical form in another language
// (tovrin_map), OSIS in a named system and the comparison in one system,
// in C, C++ and on the command line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "test_support.h"
#include "tovrin.h"
#include "tovrin.hpp"

namespace {

using testing_support::Outcome;
using testing_support::run_command;
using testing_support::source_dir;
using testing_support::take;

LANG *shipped(const char *name) {
    static const bool loaded = [] {
        tovrin_init_file((source_dir() + "/data/bibl.ini").c_str());
        return true;
    }();
    (void)loaded;
    return findlang(name);
}

// tools/versification/sword_maps.py writes every shipped map byte for byte.
TEST(Maps, RegenerateFromTheirSources) {
    if (!std::ifstream("/usr/include/sword/canon_vulg.h"))
        GTEST_SKIP() << "/usr/include/sword/canon_vulg.h is missing (Debian libsword-dev)";
    for (const char *system : {"vulgate", "synodal", "hebrew", "catholic"}) {
        const Outcome made = run_command("python3 " + source_dir() +
                                         "/tools/versification/sword_maps.py " + system);
        EXPECT_EQ(made.status, 0) << made.err;
        EXPECT_EQ(made.out, testing_support::read_file(source_dir() + "/data/versification/" + system + ".map"))
            << system;
    }
}

// One passage in two languages whose first systems number it differently:
// `cite` (in `from`) is `mapped` in `to`, `osis` in the first system of
// `to`, and the two are the same passage for compare.
struct Correspondence {
    const char *from, *cite, *to, *mapped, *osis;
    bool approximate;
};

const Correspondence kCorrespondences[] = {
    // The Vulgate joins Psalms 9 and 10 and splits 147, so from 10 to 147
    // its numbers are one lower; it counts no title as a verse of its own.
    {"la", "Ps 9", "en", "Ps 9-10", "Ps.9-Ps.10", false},
    {"la", "Ps 9,22-39", "en", "Ps 10:1-18", "Ps.10.1-Ps.10.18", false},
    {"la", "Ps 113", "en", "Ps 114-115", "Ps.114-Ps.115", false},
    {"la", "Ps 22", "cz", "Ž 23", "Ps.23", false},
    {"en", "Ps 23", "la", "Ps 22", "Ps.22", false},
    // The Synodal numbering: Greek psalm numbers with the titles as verses.
    {"ru", "Пс 50", "cz", "Ž 51", "Ps.51", false},
    {"ru", "Пс 50:3-4", "en", "Ps 51:1-2", "Ps.51.1-Ps.51.2", false},
    {"ru", "Пс 50:3", "cz", "Ž 51,3", "Ps.51.3", false},
    // Hebrew Joel has 4 chapters and Malachi 3; the KJV 3 and 4.
    {"cz", "Jl 3", "en", "Joel 2:28-32", "Joel.2.28-Joel.2.32", false},
    {"cz", "Jl 4,1", "en", "Joel 3:1", "Joel.3.1", false},
    {"en", "Joel 2", "cz", "Jl 2-3", "Joel.2-Joel.3", false},
    {"cz", "Mal 3,19-24", "en", "Mal 4:1-6", "Mal.4.1-Mal.4.6", false},
    {"en", "Mal 4", "cz", "Mal 3,19-24", "Mal.3.19-Mal.3.24", false},
    {"cz", "Mal 3", "en", "Mal 3-4", "Mal.3-Mal.4", false},
    // Verses moved across a chapter end.
    {"cz", "1 Kr 5,1-14", "en", "1 Kgs 4:21-34", "1Kgs.4.21-1Kgs.4.34", false},
    {"cz", "Dn 3,31-33", "en", "Dan 4:1-3", "Dan.4.1-Dan.4.3", false},
    {"en", "Dan 5:31", "cz", "Da 6,1", "Dan.6.1", false},
    // The Synodal places the doxology of Romans at 14:24-26.
    {"ru", "Рим 14:24-26", "en", "Rom 16:25-27", "Rom.16.25-Rom.16.27", false},
    // A psalm title counted as a verse has none in the KJV: the nearest
    // passage, flagged.
    {"cz", "Ž 3,1", "en", "Ps 3", "Ps.3", true},
    {"cz", "Ž 3,1-3", "en", "Ps 3:1-2", "Ps.3.1-Ps.3.2", true},
    {"cz", "Ž 51,1-2", "en", "Ps 51", "Ps.51", true},
    // A title goes to a title where both count it.
    {"cz", "Ž 3,1", "ru", "Пс 3:1", "Ps.3.1", false},
};

TEST(Map, KnownCorrespondencesInEveryService) {
    for (const Correspondence &c : kCorrespondences) {
        LANG *from = shipped(c.from), *to = shipped(c.to);
        const tovrin_versification *target = tovrin_versification_of(to, 0);
        int approximate = -1;
        EXPECT_EQ(take(tovrin_map(c.cite, from, to, nullptr, &approximate)), c.mapped)
            << c.from << " " << c.cite << " -> " << c.to;
        EXPECT_EQ(approximate, c.approximate ? 1 : 0) << c.cite;
        EXPECT_EQ(take(tovrin_osis_mapped(c.cite, from, target, &approximate)), c.osis)
            << c.cite;
        EXPECT_EQ(approximate, c.approximate ? 1 : 0) << c.cite;
        if (c.approximate)
            continue;
        int overlap = 0;
        EXPECT_EQ(tovrin_compare_mapped(c.cite, c.mapped, from, to, &overlap), 0) << c.cite;
        EXPECT_EQ(overlap, 1) << c.cite;
        // The other way round, the same passage.
        EXPECT_EQ(tovrin_compare_mapped(c.mapped, c.cite, to, from, &overlap), 0) << c.mapped;
        EXPECT_EQ(overlap, 1) << c.mapped;
    }
}

// The numbers the citations name are no evidence: "Ps 22" in la and in cz
// are different psalms.
TEST(Map, SameNumbersAreNotTheSamePassage) {
    const struct {
        const char *l1, *a, *l2, *b;
    } cases[] = {
        {"la", "Ps 22", "cz", "Ž 22"},
        {"ru", "Пс 50", "en", "Ps 50"},
        {"cz", "Jl 3", "en", "Joel 3"},
        {"cz", "Mal 3,19", "en", "Mal 3:19"},
    };
    for (const auto &c : cases) {
        int overlap = -1;
        tovrin_compare_mapped(c.a, c.b, shipped(c.l1), shipped(c.l2), &overlap);
        EXPECT_EQ(overlap, 0) << c.a << " / " << c.b;
    }
}

TEST(Map, NotesSayWhatHasNoCounterpart) {
    const struct {
        const char *from, *cite, *to, *target;
        const char *notes; // nullptr: exact
    } cases[] = {
        {"cz", "Ž 3,1", "en", nullptr, "Ž 3,1 (title) has no verse in kjv: Ps 3 given"},
        {"cz", "Ž 3,2; Ž 4,1", "en", nullptr,
         "Ž 4,1 (title) has no verse in kjv: Ps 4 given"},
        {"cz", "Ž 3,2", "en", nullptr, nullptr},
        {"cz", "Ž 3,1", "ru", nullptr, nullptr},
        {"la", "Dn 3,24", "cz", "kjva", nullptr},
    };
    for (const auto &c : cases) {
        const tovrin_versification *target =
            c.target != nullptr ? tovrin_versification_find(c.target) : nullptr;
        const auto notes =
            tovrin::api_detail::take(tovrin_map_notes(c.cite, shipped(c.from), shipped(c.to), target));
        if (c.notes == nullptr)
            EXPECT_FALSE(notes.has_value()) << c.cite << ": " << notes.value_or("");
        else
            EXPECT_EQ(notes.value_or(""), c.notes) << c.cite;
    }
}

// The Greek parts of Daniel are books of their own in kjva.
TEST(Map, VulgateDanielToTheApocrypha) {
    const tovrin_versification *kjva = tovrin_versification_find("kjva");
    EXPECT_EQ(take(tovrin_osis_mapped("Dn 3,24-51", shipped("la"), kjva, nullptr)),
              "PrAzar.1.1-PrAzar.1.28");
    EXPECT_EQ(take(tovrin_osis_mapped("Dn 3,91", shipped("la"), kjva, nullptr)), "Dan.3.24");
}

// A language without numbering systems, or a system into itself: nothing
// moves.
TEST(Map, WithoutSystemsNothingMoves) {
    LANG *xx = testing_support::example_lang();
    EXPECT_EQ(take(tovrin_map("Mt 5,3-7", xx, xx, nullptr, nullptr)),
              take(tovrin_expand("Mt 5,3-7", xx)));
    LANG *cz = shipped("cz");
    EXPECT_EQ(take(tovrin_map("Ž 3,1; Jl 3", cz, cz, nullptr, nullptr)), "Ž 3,1; Jl 3");
}

TEST(Map, CppLayerMapsAcrossLanguages) {
    const tovrin::Language la(shipped("la")), cz(shipped("cz")), en(shipped("en"));
    for (const Correspondence &c : kCorrespondences) {
        const tovrin::Language from(shipped(c.from)), to(shipped(c.to));
        EXPECT_EQ(from.expand(c.cite, to), c.mapped) << c.cite;
        EXPECT_EQ(from.translate(c.cite, to), c.mapped) << c.cite;
        EXPECT_EQ(from.osis(c.cite, tovrin_versification_of(to.get(), 0)), c.osis) << c.cite;
    }
    EXPECT_TRUE(la.compare("Ps 22", "Ž 23", cz).overlap);
    EXPECT_FALSE(la.compare("Ps 22", "Ž 22", cz).overlap);
    // Where the numbers stay, translate keeps the shape of the citation.
    EXPECT_EQ(cz.translate("Mt 5,3n.7", en), "Matt 5:3f,7");
}

TEST(Map, CommandLine) {
    const std::string tovrin = testing_support::binary_dir() + "/tovrin --config '" +
                               source_dir() + "/data/bibl.ini' ";
    const struct {
        const char *args, *out, *err;
    } cases[] = {
        {"translate --lang la --to en 'Ps 22,1'", "Ps 23\n",
         "tovrin: Ps 22,1 (title) has no verse in kjv: Ps 23 given\n"},
        {"translate --lang ru --to cz 'Пс 50:3'", "Ž 51,3\n", ""},
        {"translate --exact --lang la --to en 'Ps 22,1'", "Ps 22:1\n", ""},
        {"expand --lang la --to cz 'Ps 113'", "Ž 114-115\n", ""},
        {"expand --lang cz --to osis --versification kjv 'Jl 3' 'Mal 3,18n'",
         "Joel.2.28-Joel.2.32\nMal.3.18-Mal.4.1\n", "tovrin: osis ids follow kjv\n"},
        {"compare --lang la --lang2 cz 'Ps 22' 'Ž 23'", "overlap\tsame\n", ""},
        {"compare --exact --lang la --lang2 cz 'Ps 22' 'Ž 23'", "disjoint\tfirst\n", ""},
    };
    for (const auto &c : cases) {
        const Outcome o = run_command(tovrin + c.args);
        EXPECT_EQ(o.out, c.out) << c.args;
        EXPECT_EQ(o.err, c.err) << c.args;
        EXPECT_EQ(o.status, 0) << c.args;
    }
}

} // namespace
