// The default reading of real texts: books of one chapter cited by their
// verses, sigla that are not books, names that are also everyday words,
// numbered books and the numbers of verse lists, in the languages whose
// texts show them; and the exact reading, which keeps reading as it did.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using testing_support::Found;
using testing_support::found;
using testing_support::found_byte_by_byte;

const tovrin::Config &shipped() { return testing_support::shipped_config(); }

const testing_support::FoundCase kCases[] = {
    // Books of one chapter: a lone number, list or range is verses.
    {"cz", "viz Ju 5 a Judova 17-25.", {"Ju 5=Jude.1.5", "Judova 17-25=Jude.1.17-Jude.1.25"}},
    {"cz", "Flm 10; 2 J 7", {"Flm 10; 2 J 7=Phlm.1.10,2John.1.7"}},
    {"cz", "Abd 1-21 a 3 J 1-15", {"Abd 1-21=Obad.1.1-Obad.1.21", "3 J 1-15=3John.1.1-3John.1.15"}},
    {"cz", "Ju 1,5 i Ju 5n", {"Ju 1,5=Jude.1.5", "Ju 5n=Jude.1.5-Jude.1.6"}},
    {"cz", "Ju 26 neexistuje", {}},
    {"en", "Jude 5, Phlm 10 and 2 John 7; 3 John 4",
     {"Jude 5=Jude.1.5", "Phlm 10=Phlm.1.10", "2 John 7; 3 John 4=2John.1.7,3John.1.4"}},
    {"de", "2 Joh 7", {"2 Joh 7=2John.1.7"}},
    {"ru", "2 Ин 7", {"2 Ин 7=2John.1.7"}},
    // The Catholic Daniel and Esther.
    {"cz", "Dan 3,57; Da 14,1-30; Dan 13,1-64; Est 11,2",
     {"Dan 3,57; Da 14,1-30; Dan 13,1-64; Est 11,2="
      "Dan.3.57,Dan.14.1-Dan.14.30,Dan.13.1-Dan.13.64,Esth.11.2"}},
    {"en", "Dan 3:57 and Dan 14:1-30", {"Dan 3:57=Dan.3.57", "Dan 14:1-30=Dan.14.1-Dan.14.30"}},
    // Sigla that are not books, spelt exactly; the books spelt as books.
    {"cz", "PL 38, 1134; PG 33, 521; SC 62, 170; GS 62; DV 12,5; AG 9; LG 8; EZ 508,1; EZD 681",
     {}},
    {"cz", "Pl 3,22 a Ag 2,9", {"Pl 3,22=Lam.3.22", "Ag 2,9=Hag.2.9"}},
    {"en", "PL 38, 1134 and CCC 2558", {}},
    // Names that are also everyday words: only with a verse, or in a list.
    {"cz", "Na 2 dny a Za 5 minut, ale Na 1,3", {"Na 1,3=Nah.1.3"}},
    {"en", "Is 5 enough? Numbers 3 and 4. Rev 2 of the draft.", {}},
    {"en", "Is 5:1, Num 3 and Rev 2:1", {"Is 5:1=Isa.5.1", "Num 3=Num.3", "Rev 2:1=Rev.2.1"}},
    {"en", "See Gen 1; Rev 22.", {"Gen 1; Rev 22=Gen.1,Rev.22"}},
    {"de", "berühmt. Am 5. Mai, aber Am 5,24", {"Am 5,24=Amos.5.24"}},
    {"fr", "Si 5 personnes lisent Si 5,1", {"Si 5,1=Sir.5.1"}},
    {"pl", "Na 3 dni", {}},
    // A numbered book that fails is not read without its number.
    {"en", "2 John 21", {}},
    {"cz", "2 J 15,1", {}},
    {"ru", "2 Ин 21", {}},
    // The number of a list item that makes a numbered book with the word
    // after it begins the next citation.
    {"en", "Jas 2:17, 1 Pet 2:9", {"Jas 2:17=Jas.2.17", "1 Pet 2:9=1Pet.2.9"}},
    {"en", "John 3:16, 1 John 4:8, 10", {"John 3:16=John.3.16", "1 John 4:8, 10=1John.4.8,1John.4.10"}},
    {"es-colon", "Stg 2:17, 1 Pe 2:9", {"Stg 2:17=Jas.2.17", "1 Pe 2:9=1Pet.2.9"}},
};

TEST(RealTexts, TheDefaultReadingFindsWhatAuthorsMean) {
    testing_support::expect_found(kCases);
}

// The exact reading keeps its reading of the same texts.
TEST(RealTexts, TheExactReadingKeepsItsReading) {
    tovrin::Options exact;
    exact.exact = true;
    const tovrin::Language en = shipped().language("en");
    const tovrin::Language cz = shipped().language("cz");
    EXPECT_EQ(found(en, "Jas 2:17, 1 Pet 2:9", exact), Found{"Jas 2:17, 1=Jas.2.17,Jas.2.1"});
    EXPECT_EQ(found(en, "Is 5 enough?", exact), Found{"Is 5=Isa.5"});
    EXPECT_EQ(found(cz, "PL 38, 1134", exact), Found{"PL 38=Lam.38"});
    EXPECT_EQ(found(en, "2 John 21", exact), Found{"2 John 21=2John.1.21"});
}

TEST(RealTexts, SiglaNamedByTheAuthorAreNotTaken) {
    const tovrin::Language cz = shipped().language("cz");
    const std::string text = "Sermo 341,1; Conf 3,4 a Ž 23,1";
    tovrin::Options mine;
    mine.sigla = "Sermo, Conf Ž";
    EXPECT_EQ(found(cz, text, mine), Found{});
    mine.sigla = "Conf";
    EXPECT_EQ(found(cz, text, mine), Found{"Ž 23,1=Ps.23.1"});
}

// The services read a book of one chapter as the scan does.
TEST(RealTexts, ServicesReadBooksOfOneChapterByTheirVerses) {
    const tovrin::Language cz = shipped().language("cz");
    const tovrin::Language en = shipped().language("en");
    EXPECT_EQ(cz.osis("Judova 17-25"), "Jude.1.17-Jude.1.25");
    EXPECT_EQ(en.osis("2 John 7"), "2John.1.7");
    EXPECT_TRUE(cz.exists("Ju 25"));
    EXPECT_FALSE(cz.exists("Ju 26"));
    EXPECT_EQ(cz.problem("Flm 1,30"), "no verse 30 in Fm 1 (it has 25)");
    EXPECT_EQ(cz.problem("Ju 2,1"), "no chapter 2 in Ju (it has 1)");
    const tovrin::Comparison same = cz.compare("Ju 5", "Jude 1:5", en);
    EXPECT_TRUE(same.overlap);
    EXPECT_EQ(same.order, std::weak_ordering::equivalent);
    EXPECT_EQ(tovrin::expand_versified("Ju 5n", cz, cz, nullptr), "Ju 1,5-6");
    EXPECT_EQ(cz.units("Abd 3")[0].v, 3);
}

// Lint: what does not exist is still reported; sigla are not.
TEST(RealTexts, LintReportsWhatDoesNotExistAndNoSigla) {
    const tovrin::Language cz = shipped().language("cz");
    std::string reports;
    const tovrin_problem_handler h{[](const tovrin_lint_problem *p, void *out) {
                                       *static_cast<std::string *>(out) +=
                                           std::to_string(p->column) + " " + p->message + "\n";
                                   },
                                   &reports};
    const std::string text = "Srov. Ju 26 a Flm 1,30, dále PL 38, 1134 a GS 62; též Ju 5.\n";
    tovrin_linter *t = tovrin_linter_new(cz.get(), nullptr);
    tovrin_linter_feed(t, text.data(), text.size(), &h);
    tovrin_linter_finish(t, &h);
    tovrin_linter_free(t);
    EXPECT_EQ(reports, "7 no verse 26 in Ju 1 (it has 25)\n"
                       "15 no verse 30 in Fm 1 (it has 25)\n");
}

} // namespace

namespace {

// A page of catechism-style Czech: citations of every kind, books of one
// chapter, the Catholic Daniel, the Fathers, council documents, the
// Catechism, the Code, hymns and everyday words, with five errors planted
// among them. Paragraphs vary their numbers, so that the page is not one
// paragraph repeated.
struct Page {
    std::string text;
    std::vector<std::string> planted; // the errors, in text order
};

Page catechism_page() {
    const auto n = [](int k) { return std::to_string(k); };
    Page page;
    const std::vector<std::pair<std::string, std::string>> errors = {
        {"Mt 29,1", "no chapter 29 in Mt (it has 28)"},
        {"J 3,99", "no verse 99 in J 3 (it has 36)"},
        {"Ju 26", "no verse 26 in Ju 1 (it has 25)"},
        {"Zalm 23,1", "unknown book name 'Zalm' in 'Zalm 23,1' (did you mean '\xc5\xbd" "alm'?)"},
        {"\xc5\x98 8,28-3", "reversed range in '\xc5\x98 8,28-3'"},
    };
    for (int k = 0; k < 30; ++k) {
        const int c = k % 28 + 1, v = k % 20 + 1;
        std::string p =
            "Kristus je cesta, pravda i \xc5\xbeivot (J 14,6; srov. Mt " + n(c) + "," + n(v) +
            "-" + n(v + 3) + "). C\xc3\xad" "rkev to u\xc4\x8d\xc3\xad od po\xc4\x8d\xc3\xa1tku (LG " +
            n(8 + k) + "; GS " + n(22 + k) + "; KKC " + n(80 + k) + "-" + n(82 + k) +
            "). Svat\xc3\xbd Augustin p\xc3\xad\xc5\xa1" "e v Sermo " + n(341 + k) + ",1 (PL 38, " +
            n(1134 + k) + ") a ve Vyzn\xc3\xa1n\xc3\xad (Conf. 1,1; PL 32, 661). "
            "Modlitba P\xc3\xa1n\xc4\x9b (Mt 6,9-13; L 11,2-4) je shrnut\xc3\xadm evangelia "
            "(Tertulli\xc3\xa1n, De oratione 1; CCL 1, 258; Cyril, Catech. 4,36; PG 33, " +
            n(497 + k) + "; SC 126, 170).\n"
            "Zjeven\xc3\xad se p\xc5\x99" "ed\xc3\xa1v\xc3\xa1 Tradic\xc3\xad i P\xc3\xadsmem (DV " +
            n(9 + k % 5) + "-10; AG 9; DH " + n(3004 + k) + "; CIC " + n(1055 + k) +
            ", Art. 5). Na 2 dny p\xc5\x99" "ed sv\xc3\xa1tkem se post\xc3\xadme; Za 5 minut za\xc4\x8dne "
            "m\xc5\xa1" "e a zp\xc3\xadv\xc3\xa1 se EZ 508,1 nebo EZD " + n(681 + k) + ". Srov. Ju " +
            n(v) + "; Flm 10; 2 J 7; Abd 1-21 a 3 J 1-15, t\xc3\xa9\xc5\xbe Dan 3,57-88 a Dan 13,1-64; "
            "Da 14,1-30; Est 11,2.";
        if (k % 6 == 3) {
            const auto &[cite, why] = errors[static_cast<std::size_t>(k / 6)];
            p += " Viz t\xc3\xa9\xc5\xbe " + cite + ".";
            page.planted.push_back(why);
        }
        page.text += p + "\n\n";
    }
    return page;
}

} // namespace

TEST(RealTexts, LintOnACatechismPageReportsOnlyThePlantedErrors) {
    const Page page = catechism_page();
    ASSERT_GT(page.text.size(), 15000u);
    std::vector<std::string> reports;
    const tovrin_problem_handler h{[](const tovrin_lint_problem *p, void *out) {
                                       static_cast<std::vector<std::string> *>(out)->push_back(
                                           p->message);
                                   },
                                   &reports};
    tovrin_linter *t = tovrin_linter_new(shipped().language("cz").get(), nullptr);
    // In blocks of an odd size, so that citations and sigla straddle them.
    for (std::size_t at = 0; at < page.text.size(); at += 1009)
        tovrin_linter_feed(t, page.text.data() + at, std::min<std::size_t>(1009, page.text.size() - at), &h);
    tovrin_linter_finish(t, &h);
    tovrin_linter_free(t);
    EXPECT_EQ(reports, page.planted);
}
