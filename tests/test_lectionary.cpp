// The forms of reading plans, lectionaries and the liturgy: verses that may
// be read too, a psalm's divisions and another numbering in parentheses,
// read whole by the default reading, with the optional verses and the
// other numbering in the records; and the parentheses that belong to the
// author, not to the citation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tovrin.hpp"

namespace {

const tovrin::Config &shipped() {
    static const tovrin::Config config;
    return config;
}

// A citation as a row: its text as written, canonical form, OSIS, the
// optional verses as written and the other numbering.
struct Row {
    std::string text, canonical, osis;
    std::vector<std::string> optional;
    std::string alternate;

    friend bool operator==(const Row &, const Row &) = default;
    friend std::ostream &operator<<(std::ostream &os, const Row &r) {
        os << r.text << " | " << r.canonical << " | " << r.osis << " | optional:";
        for (const std::string &o : r.optional)
            os << " " << o;
        return os << " | alternate: " << r.alternate;
    }
};

std::vector<Row> rows(const char *lang, const std::string &text,
                      const tovrin::Options &o = {}) {
    std::vector<Row> all;
    for (const tovrin::Citation &c : shipped().language(lang).scan(text, o)) {
        Row r{c.text, c.canonical, c.osis.value_or("-"), {}, c.alternate};
        for (const auto &[offset, length] : c.optional)
            r.optional.push_back(c.text.substr(static_cast<std::size_t>(offset),
                                               static_cast<std::size_t>(length)));
        all.push_back(r);
    }
    return all;
}

struct Case {
    const char *lang, *text;
    std::vector<Row> want;
};

TEST(Lectionary, FormsAreReadWhole) {
    const Case cases[] = {
        // Optional verses after a passage and in the middle of one.
        {"cz", "Luk\xc3\xa1\xc5\xa1 17,20-24(25-30)",
         {{"Luk\xc3\xa1\xc5\xa1 17,20-24(25-30)", "L 17,20-24; L 17,25-30",
           "Luke.17.20-Luke.17.24,Luke.17.25-Luke.17.30", {"25-30"}, ""}}},
        {"cz", "2.Petrova 1,16-19(20-21)",
         {{"2.Petrova 1,16-19(20-21)", "2 Pt 1,16-19; 2 Pt 1,20-21",
           "2Pet.1.16-2Pet.1.19,2Pet.1.20-2Pet.1.21", {"20-21"}, ""}}},
        {"cz", "Jan 11,1-3.17-27(41-45)",
         {{"Jan 11,1-3.17-27(41-45)", "J 11,1-3; J 11,17-27; J 11,41-45",
           "John.11.1-John.11.3,John.11.17-John.11.27,John.11.41-John.11.45", {"41-45"}, ""}}},
        {"cz", "Kolosk\xc3\xbdm 2,3(4-5)6-10",
         {{"Kolosk\xc3\xbdm 2,3(4-5)6-10", "Ko 2,3; Ko 2,4-5; Ko 2,6-10",
           "Col.2.3,Col.2.4-Col.2.5,Col.2.6-Col.2.10", {"4-5"}, ""}}},
        {"cz", "Jon\xc3\xa1\xc5\xa1 1,1-2,2(3-10)11",
         {{"Jon\xc3\xa1\xc5\xa1 1,1-2,2(3-10)11", "Jon 1,1-2,2; Jon 2,3-10; Jon 2,11",
           "Jonah.1.1-Jonah.2.2,Jonah.2.3-Jonah.2.10,Jonah.2.11", {"3-10"}, ""}}},
        // "f" written for the following mark "n", before optional verses too.
        {"cz", "4.Moj\xc5\xbe\xc3\xad\xc5\xa1ova 11,11f.14-17.24f.(26-30)",
         {{"4.Moj\xc5\xbe\xc3\xad\xc5\xa1ova 11,11f.14-17.24f.(26-30)",
           "Nu 11,11-12; Nu 11,14-17; Nu 11,24-25; Nu 11,26-30",
           "Num.11.11-Num.11.12,Num.11.14-Num.11.17,Num.11.24-Num.11.25,Num.11.26-Num.11.30",
           {"26-30"}, ""}}},
        {"cz", "J 3,16ff. a Mk 2f",
         {{"J 3,16ff", "J 3,16nn", "John.3.16-John.3.36", {}, ""},
          {"Mk 2f", "Mk 2-3", "Mark.2-Mark.3", {}, ""}}},
        {"sk", "Jn 3,16f.", {{"Jn 3,16f", "Jn 3,16-17", "John.3.16-John.3.17", {}, ""}}},
        // An "f" that begins a word, or one of three, is no mark.
        {"cz", "Mk 1,2fa a Mk 1,2fff", {{"Mk 1,2", "Mk 1,2", "Mark.1.2", {}, ""},
                                       {"Mk 1,2", "Mk 1,2", "Mark.1.2", {}, ""}}},
        {"de", "Lk 2,1-14 (15\xe2\x80\x93" "20) wird gelesen",
         {{"Lk 2,1-14 (15\xe2\x80\x93" "20)", "Lk 2,1-14; Lk 2,15-20",
           "Luke.2.1-Luke.2.14,Luke.2.15-Luke.2.20", {"15\xe2\x80\x93" "20"}, ""}}},
        // A psalm's divisions: the verses are the passage.
        {"cz", "\xc5\xbd" "alm 38-II (6-13)",
         {{"\xc5\xbd" "alm 38-II (6-13)", "\xc5\xbd 38,6-13", "Ps.38.6-Ps.38.13", {}, ""}}},
        {"cz", "\xc5\xbd" "alm 119-Kaf (81-88)",
         {{"\xc5\xbd" "alm 119-Kaf (81-88)", "\xc5\xbd 119,81-88", "Ps.119.81-Ps.119.88", {}, ""}}},
        {"cz", "\xc5\xbd" "alm 35-I (1-2.3b.9-12)",
         {{"\xc5\xbd" "alm 35-I (1-2.3b.9-12)", "\xc5\xbd 35,1-2; \xc5\xbd 35,3b; \xc5\xbd 35,9-12",
           "Ps.35.1-Ps.35.2,Ps.35.3,Ps.35.9-Ps.35.12", {}, ""}}},
        {"de", "Ps 11(10) und Joh 3,16 LUT",
         {{"Ps 11(10)", "Ps 11", "Ps.11", {}, "(10)"}, {"Joh 3,16 LUT", "Joh 3,16", "John.3.16", {}, ""}}},
        {"de", "Ps 119-Samech (113-120)",
         {{"Ps 119-Samech (113-120)", "Ps 119,113-120", "Ps.119.113-Ps.119.120", {}, ""}}},
        // Another numbering: kept with the citation, not counted.
        {"cz", "\xc5\xbd" "alm 11(10)",
         {{"\xc5\xbd" "alm 11(10)", "\xc5\xbd 11", "Ps.11", {}, "(10)"}}},
        {"cz", "Sir 39, 17-21a (\xc5\x99" "ec. 13-16a)",
         {{"Sir 39, 17-21a (\xc5\x99" "ec. 13-16a)", "S\xc3\xadr 39,17-21a", "Sir.39.17-Sir.39.21",
           {}, "(\xc5\x99" "ec. 13-16a)"}}},
        {"fr", "Ps 22 (23), 1-6",
         {{"Ps 22 (23), 1-6", "Ps 22,1-6", "Ps.22.1-Ps.22.6", {}, "(23)"}}},
        // Parentheses of the author's.
        {"cz", "Mt 5,3 (viz v\xc3\xbd\xc5\xa1" "e)", {{"Mt 5,3", "Mt 5,3", "Matt.5.3", {}, ""}}},
        {"cz", "(Mt 5,3)", {{"Mt 5,3", "Mt 5,3", "Matt.5.3", {}, ""}}},
        {"cz", "Mt 5,3 (1. verze)", {{"Mt 5,3", "Mt 5,3", "Matt.5.3", {}, ""}}},
        {"cz", "Mt 5,3 (srov. 5,4)", {{"Mt 5,3", "Mt 5,3", "Matt.5.3", {}, ""}}},
        {"cz", "Mt 5,3-12 (J 3,16)",
         {{"Mt 5,3-12", "Mt 5,3-12", "Matt.5.3-Matt.5.12", {}, ""},
          {"J 3,16", "J 3,16", "John.3.16", {}, ""}}},
        {"cz", "rok 2020 (25-30) a \xc5\xbd 23-Ideal (5)",
         {{"\xc5\xbd 23", "\xc5\xbd 23", "Ps.23", {}, ""}}},
        // Words of Roman letters that are no numeral.
        {"cz", "\xc5\xbd 23-CIVIL (5) a \xc5\xbd 24-MIX (3)",
         {{"\xc5\xbd 23", "\xc5\xbd 23", "Ps.23", {}, ""}, {"\xc5\xbd 24", "\xc5\xbd 24", "Ps.24", {}, ""}}},
        {"cz", "\xc5\xbd 18-XXII (1-3)",
         {{"\xc5\xbd 18-XXII (1-3)", "\xc5\xbd 18,1-3", "Ps.18.1-Ps.18.3", {}, ""}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rows(c.lang, c.text), c.want) << c.lang << ": " << c.text;
}

// The gospels named in the genitive after "according to" (the name and
// the numbers are the citation, "podle" stays text), and the tags of
// translations after a citation: the record carries the tag, the text
// includes it.
TEST(Lectionary, GospelsAfterAccordingToAndTranslationTags) {
    const struct {
        const char *lang, *text;
        std::vector<std::string> want; // "text=canonical[translation]"
    } cases[] = {
        {"cz", "Evangelium podle Marka 1,29-39", {"Evangelium podle Marka 1,29-39=Mk 1,29-39[]"}},
        {"cz", "\xc4\x8dten\xc3\xad podle Luk\xc3\xa1\xc5\xa1" "e 2,1-14 a podle Jana 3,16",
         {"Luk\xc3\xa1\xc5\xa1" "e 2,1-14=L 2,1-14[]", "Jana 3,16=J 3,16[]"}},
        {"cz", "podle Mat\xc3\xba\xc5\xa1" "e 5,1", {}},
        {"cz", "podle Matou\xc5\xa1" "e 5,1", {"Matou\xc5\xa1" "e 5,1=Mt 5,1[]"}},
        // The genitive alone is a given name, never a book.
        {"cz", "Jana 3 a Marka 5 p\xc5\x99i\xc5\xa1li", {}},
        {"cz", "podle Marka Aurelia", {}},
        {"de", "Evangelium nach Markus 1,29-39", {"Markus 1,29-39=Mk 1,29-39[]"}},
        // A title phrase covers the whole title, as in cz.
        {"sk", "Evanjelium pod\xc4\xbe" "a Marka 1,29-39",
         {"Evanjelium pod\xc4\xbe" "a Marka 1,29-39=Mk 1,29-39[]"}},
        {"sk", "\xc4\x8d\xc3\xadtanie pod\xc4\xbe" "a Marka 1,29-39", {"Marka 1,29-39=Mk 1,29-39[]"}},
        // Translations.
        {"cz", "1.Moj\xc5\xbe\xc3\xad\xc5\xa1ova 7,13 B21", {"1.Moj\xc5\xbe\xc3\xad\xc5\xa1ova 7,13 B21=Gn 7,13[B21]"}},
        {"cz", "J 3,16 \xc4\x8c" "EP a Mt 5,3 (Kral.)",
         {"J 3,16 \xc4\x8c" "EP=J 3,16[\xc4\x8c" "EP]", "Mt 5,3 (Kral.)=Mt 5,3[Kral.]"}},
        {"cz", "Mt 5,3 B21x a Mt 5,4 (B21", {"Mt 5,3=Mt 5,3[]", "Mt 5,4=Mt 5,4[]"}},
        {"en", "John 3:16 NIV; Rom 8:28 KJV", {"John 3:16 NIV=John 3:16[NIV]", "Rom 8:28 KJV=Rom 8:28[KJV]"}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> found;
        for (const tovrin::Citation &r : shipped().language(c.lang).scan(c.text))
            found.push_back(r.text + "=" + r.canonical + "[" + r.translation + "]");
        EXPECT_EQ(found, c.want) << c.lang << ": " << c.text;
    }
}

// The forms are read whatever the blocks: a form cut by the end of one.
TEST(Lectionary, FormsCutByBlocksAreReadTheSame) {
    const std::string text = "Viz Luk\xc3\xa1\xc5\xa1 17,20-24(25-30) a \xc5\xbd" "alm 38-II (6-13) "
                             "a \xc5\xbd" "alm 11(10) a Jon 1,1-2,2(3-10)11 a podle Jana 3,16 \xc4\x8c" "EP "
                             "a Nu 11,11f.14-17.24ff.(26-30).";
    const tovrin::Language cz = shipped().language("cz");
    // Each record as one line, so that a difference reads.
    const auto lines = [](const std::vector<tovrin::Citation> &found) {
        std::vector<std::string> all;
        for (const tovrin::Citation &c : found) {
            std::string line = std::to_string(c.offset) + " " + c.text + " | " + c.canonical +
                               " | " + c.osis.value_or("-") + " | " + c.alternate + " | " +
                               c.translation;
            for (const auto &[offset, length] : c.optional)
                line += " | " + std::to_string(offset) + "+" + std::to_string(length);
            all.push_back(line);
        }
        return all;
    };
    const std::vector<tovrin::Citation> whole = cz.scan(text);
    ASSERT_EQ(whole.size(), 6u);
    for (std::size_t block = 1; block < 12; ++block) {
        tovrin::Reader reader(cz);
        std::vector<tovrin::Citation> found;
        for (std::size_t at = 0; at < text.size(); at += block)
            reader.feed(std::string_view(text).substr(at, block), found);
        reader.finish(found);
        EXPECT_EQ(lines(found), lines(whole)) << "blocks of " << block;
        if (lines(found) == lines(whole)) {
            EXPECT_EQ(found, whole) << "blocks of " << block; // places and units too
        }
    }
}

// The exact reading keeps reading parentheses as text.
TEST(Lectionary, TheExactReadingDoesNotReadThem) {
    tovrin::Options exact;
    exact.exact = true;
    EXPECT_EQ(rows("cz", "L 17,20-24(25-30)", exact),
              (std::vector<Row>{{"L 17,20-24", "L 17,20-24", "Luke.17.20-Luke.17.24", {}, ""}}));
}

// Lint checks every part of a form.
TEST(Lectionary, LintChecksEachPart) {
    const tovrin::Language cz = shipped().language("cz");
    std::string reports;
    const tovrin_problem_handler h{[](const tovrin_lint_problem *p, void *out) {
                                       *static_cast<std::string *>(out) += p->message;
                                       *static_cast<std::string *>(out) += "\n";
                                   },
                                   &reports};
    const std::string text = "Dnes \xc5\xbd" "alm 38-II (6-30) a L 17,20-24(25-40).\n";
    tovrin_linter *t = tovrin_linter_new(cz.get(), nullptr);
    tovrin_linter_feed(t, text.data(), text.size(), &h);
    tovrin_linter_finish(t, &h);
    tovrin_linter_free(t);
    EXPECT_EQ(reports, "no verse 30 in \xc5\xbd 38 (it has 23)\n"
                       "no verse 40 in L 17 (it has 37)\n");
}

} // namespace
