// Book names as readers of the shipped languages write them: ordinals with
// a suffix or a mark, Roman ordinals and titles, everyday short forms,
// headings in capitals and the typographic apostrophe. Each is found with
// its book's OSIS, whole and fed byte by byte, and the short forms that
// are also words stay text in prose.
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
    // Ordinals with a suffix or a mark.
    {"en", "see 1st John 4:8 and 2nd Corinthians 5:17; 3rd John 4",
     {"1st John 4:8=1John.4.8", "2nd Corinthians 5:17; 3rd John 4=2Cor.5.17,3John.1.4"}},
    {"fr", "voir 1re Corinthiens 13,4 et 1er Rois 19,12",
     {"1re Corinthiens 13,4=1Cor.13.4", "1er Rois 19,12=1Kgs.19.12"}},
    {"fr-colon", "2e Corinthiens 5:17", {"2e Corinthiens 5:17=2Cor.5.17"}},
    {"es", "1º Reyes 19,12 y 1ª Corintios 13,4",
     {"1º Reyes 19,12=1Kgs.19.12", "1ª Corintios 13,4=1Cor.13.4"}},
    {"es", "Primera de Corintios 13,4", {"Primera de Corintios 13,4=1Cor.13.4"}},
    {"es-colon", "2º Timoteo 3:16", {"2º Timoteo 3:16=2Tim.3.16"}},
    {"pt", "1ª Coríntios 13,4", {"1ª Coríntios 13,4=1Cor.13.4"}},
    {"it", "1° Re 19,12 e 2º Sam 7,12", {"1° Re 19,12=1Kgs.19.12", "2º Sam 7,12=2Sam.7.12"}},
    {"es-colon", "el 1º de mayo; 20° C", {}},
    {"ru", "3-я Царств 19:12 и 1-е Коринфянам 13:4",
     {"3-я Царств 19:12=1Kgs.19.12", "1-е Коринфянам 13:4=1Cor.13.4"}},
    {"uk", "1-ше Коринтян 13:4", {"1-ше Коринтян 13:4=1Cor.13.4"}},
    // Roman ordinals before title words, titles.
    {"cz", "I. kniha Mojžíšova 1,1", {"I. kniha Mojžíšova 1,1=Gen.1.1"}},
    {"cz", "II. list Korintským 5,17", {"II. list Korintským 5,17=2Cor.5.17"}},
    {"cz", "1. kniha Kronik 16,34", {"1. kniha Kronik 16,34=1Chr.16.34"}},
    {"cz", "Bél a drak 1,3", {"Bél a drak 1,3=Bel.1.3"}},
    {"sk", "Prvý list Korinťanom 13,4", {"Prvý list Korinťanom 13,4=1Cor.13.4"}},
    {"sk", "Evanjelium podľa Matúša 5,3", {"Evanjelium podľa Matúša 5,3=Matt.5.3"}},
    {"sk", "Kniha Sirachovho syna 1,1", {"Kniha Sirachovho syna 1,1=Sir.1.1"}},
    {"en", "The Gospel according to St. Matthew 5:3",
     {"The Gospel according to St. Matthew 5:3=Matt.5.3"}},
    {"en", "Song of the Three Holy Children 1:3", {"Song of the Three Holy Children 1:3=PrAzar.1.3"}},
    {"de", "1. Buch Mose 1,1 und Gebet des Manasse 1,1",
     {"1. Buch Mose 1,1=Gen.1.1", "Gebet des Manasse 1,1=PrMan.1.1"}},
    {"pl", "Księga Jonasza 2,1 i Księgi Rodzaju 1,1",
     {"Księga Jonasza 2,1=Jonah.2.1", "Księgi Rodzaju 1,1=Gen.1.1"}},
    {"ru", "Книга Бытия 1:1", {"Книга Бытия 1:1=Gen.1.1"}},
    // Short forms.
    {"nl", "1 Mozes 1:1, 5 Mozes 6:4; Matth. 5:3; Luk. 2:1",
     {"1 Mozes 1:1=Gen.1.1", "5 Mozes 6:4; Matth. 5:3; Luk. 2:1=Deut.6.4,Matt.5.3,Luke.2.1"}},
    {"fr-colon", "Ge 1:1; Ro 8:28; Lu 2:1", {"Ge 1:1; Ro 8:28; Lu 2:1=Gen.1.1,Rom.8.28,Luke.2.1"}},
    {"pl", "Galacjan 5,22", {"Galacjan 5,22=Gal.5.22"}},
    // Headings in capitals.
    {"cz", "LUKÁŠ 14,15", {"LUKÁŠ 14,15=Luke.14.15"}},
    {"cz", "ČTVRTÁ MOJŽÍŠOVA 6,24 a ŽALM 23,1", {"ČTVRTÁ MOJŽÍŠOVA 6,24=Num.6.24", "ŽALM 23,1=Ps.23.1"}},
    {"cz", "PRVNÍ LIST KORINTSKÝM 13,4", {"PRVNÍ LIST KORINTSKÝM 13,4=1Cor.13.4"}},
    {"en", "GENESIS 1:1", {"GENESIS 1:1=Gen.1.1"}},
    {"uk", "ІВАНА 3:16", {"ІВАНА 3:16=John.3.16"}},
    {"pl", "ŁUKASZA 2,1", {"ŁUKASZA 2,1=Luke.2.1"}},
    // The typographic apostrophe.
    {"uk", "Філіп’ян 4:4 і Филип’ян 4:5", {"Філіп’ян 4:4=Phil.4.4", "Филип’ян 4:5=Phil.4.5"}},
    // Prose: short forms that are words stay text.
    {"fr", "De 3 à 5 personnes, Ro 2 fois et Ge 4 jours ; Lu 3 fois.", {}},
    {"fr-colon", "De 3 à 5 personnes ; Lu 3 fois, mais Lu 2:1", {"Lu 2:1=Luke.2.1"}},
    {"en", "on the 1st June 5 people came", {}},
    {"fr", "le 1er mai 2024", {}},
};

TEST(WrittenForms, FoundWithTheirBooks) {
    testing_support::expect_found(kCases);
}

// A paragraph of each language added from the SWORD locales and the
// reference parser's name lists: a main name with a verse list, a full name
// or a title, and (where the language has one) a name that is also an
// everyday word, which counts only with a verse.
const testing_support::FoundCase kParagraphs[] = {
    {"sv", "Se Joh 3:16-18; 4:1f och Första Mosebok 12:1. Dom 3 barnen lekte, men Dom 3:1 gäller.",
     {"Joh 3:16-18; 4:1f=John.3.16-John.3.18,John.4.1-John.4.2", "Första Mosebok 12:1=Gen.12.1", "Dom 3:1=Judg.3.1"}},
    {"da", "Se Joh 3,16-18; 4,1f og Første Mosebog 12,1. Dom 3 gange faldt, men Dom 3,1 står.",
     {"Joh 3,16-18; 4,1f=John.3.16-John.3.18,John.4.1-John.4.2", "Første Mosebog 12,1=Gen.12.1", "Dom 3,1=Judg.3.1"}},
    {"no", "Se Joh 3,16-18; 4,1f og Første Mosebok 12,1. Man 3 ganger sa det.",
     {"Joh 3,16-18; 4,1f=John.3.16-John.3.18,John.4.1-John.4.2", "Første Mosebok 12,1=Gen.12.1"}},
    {"fi", "Katso Joh. 3:16-18; 4:1 ja Ensimmäinen Mooseksen kirja 12:1.",
     {"Joh. 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Ensimmäinen Mooseksen kirja 12:1=Gen.12.1"}},
    {"ro", "Vezi Ioan 3:16-18; 4:1 și Facerea 12:1. In 3 zile a venit.",
     {"Ioan 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Facerea 12:1=Gen.12.1"}},
    {"id", "Lihat Yoh 3:16-18; 4:1 dan Kejadian 12:1. Dan 3 orang datang.",
     {"Yoh 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Kejadian 12:1=Gen.12.1"}},
    {"tr", "Bkz. Yuh 3:16-18; 4:1 ve Yaratılış 12:1.",
     {"Yuh 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Yaratılış 12:1=Gen.12.1"}},
    {"el", "Βλ. Ιω 3:16-18; 4:1 και Α΄ Κορ 13:4 και Κατά Ιωάννην 3:16. Να 3 παιδιά.",
     {"Ιω 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Α΄ Κορ 13:4=1Cor.13.4", "Κατά Ιωάννην 3:16=John.3.16"}},
    {"bg", "Виж Йоан 3:16-18; 4:1 и Евангелие от Йоан 3:16. Вт 3 пъти.",
     {"Йоан 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Евангелие от Йоан 3:16=John.3.16"}},
    {"sr", "Види Јн 3:16-18; 4:1 и Јеванђеље по Јовану 3:16. Бр 3 је тачан.",
     {"Јн 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Јеванђеље по Јовану 3:16=John.3.16"}},
    {"mk", "Види Јован 3:16-18; 4:1 и Евангелие според Јован 3:16.",
     {"Јован 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Евангелие според Јован 3:16=John.3.16"}},
    {"tl", "Tingnan ang Juan 3:16-18; 4:1 at Ebanghelyo ayon kay Juan 3:16.",
     {"Juan 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Ebanghelyo ayon kay Juan 3:16=John.3.16"}},
    {"sw", "Tazama Yoh 3:16-18; 4:1 na Injili ya Yohana 3:16.",
     {"Yoh 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Injili ya Yohana 3:16=John.3.16"}},    // The languages of other scripts and the last Latin ones: a name with a
    // verse list and a full name; Chinese, Japanese and Thai with no space
    // before the name, Chinese with a full-width semicolon.
    {"ar", "انظر يو 3:16-18; 4:1 وأيضا سفر التكوين 12:1.",
     {"يو 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "سفر التكوين 12:1=Gen.12.1"}},
    {"fa", "نگاه کنید به یوح 3:16-18; 4:1 و پیدایش 12:1.",
     {"یوح 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "پیدایش 12:1=Gen.12.1"}},
    {"ur", "دیکھیے یوحنا 3:16-18; 4:1 اور پیدائش 12:1۔",
     {"یوحنا 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "پیدائش 12:1=Gen.12.1"}},
    {"he", "ראו יוחנן 3:16-18; 4:1 וגם בראשית 12:1.",
     {"יוחנן 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "בראשית 12:1=Gen.12.1"}},
    {"hi", "देखिए यूहन्ना 3:16-18; 4:1 और उत्पत्ति 12:1।",
     {"यूहन्ना 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "उत्पत्ति 12:1=Gen.12.1"}},
    {"mr", "पहा योहान 3:16-18; 4:1 आणि उत्पत्ति 12:1.",
     {"योहान 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "उत्पत्ति 12:1=Gen.12.1"}},
    {"ne", "हेर्नुहोस् यूहन्ना 3:16-18; 4:1 र उत्पत्तिको पुस्तक 12:1।",
     {"यूहन्ना 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "उत्पत्तिको पुस्तक 12:1=Gen.12.1"}},
    {"or", "ଦେଖନ୍ତୁ ଯୋହନ 3:16-18; 4:1 ଏବଂ ଆଦିପୁସ୍ତକ 12:1।",
     {"ଯୋହନ 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "ଆଦିପୁସ୍ତକ 12:1=Gen.12.1"}},
    {"pa", "ਵੇਖੋ ਯੂਹੰਨਾ 3:16-18; 4:1 ਅਤੇ ਉਤਪਤ 12:1।",
     {"ਯੂਹੰਨਾ 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "ਉਤਪਤ 12:1=Gen.12.1"}},
    {"ta", "பார்க்க யோவான் 3:16-18; 4:1 மற்றும் ஆதியாகமம் 12:1.",
     {"யோவான் 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "ஆதியாகமம் 12:1=Gen.12.1"}},
    {"zh", "參看約翰福音3:16-18；4:1和創世記12:1。",
     {"約翰福音3:16-18；4:1=John.3.16-John.3.18,John.4.1", "創世記12:1=Gen.12.1"}},
    {"ja", "ヨハネによる福音書3:16-18; 4:1と創世記12:1を参照。",
     {"ヨハネによる福音書3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "創世記12:1=Gen.12.1"}},
    {"ko", "요한복음 3:16-18; 4:1과 창세기 12:1을 보라.",
     {"요한복음 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "창세기 12:1=Gen.12.1"}},
    {"th", "ดูยอห์น 3:16-18; 4:1 และปฐมกาล 12:1",
     {"ยอห์น 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "ปฐมกาล 12:1=Gen.12.1"}},
    {"vi", "Xem Giăng 3:16-18; 4:1 và Sáng Thế 12:1.",
     {"Giăng 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Sáng Thế 12:1=Gen.12.1"}},
    {"ceb", "Tan-awa ang Juan 3:16-18; 4:1 ug Genesis 12:1.",
     {"Juan 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Genesis 12:1=Gen.12.1"}},
    {"cy", "Gweler Ioan 3:16-18; 4:1 a Genesis 12:1.",
     {"Ioan 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Genesis 12:1=Gen.12.1"}},
    {"ht", "Gade Jan 3:16-18; 4:1 ak Jenèz 12:1.",
     {"Jan 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Jenèz 12:1=Gen.12.1"}},
    {"is", "Sjá Jóh 3:16-18; 4:1 og 1 Mósebók 12:1.",
     {"Jóh 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "1 Mósebók 12:1=Gen.12.1"}},
    {"jv", "Delengen Yohanes 3:16-18; 4:1 lan Purwaning Dumadi 12:1.",
     {"Yohanes 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Purwaning Dumadi 12:1=Gen.12.1"}},
    {"so", "Eeg Yooxanaa 3:16-18; 4:1 iyo Bilowgii 12:1.",
     {"Yooxanaa 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Bilowgii 12:1=Gen.12.1"}},
    {"sq", "Shih Gjoni 3:16-18; 4:1 dhe Zanafilla 12:1.",
     {"Gjoni 3:16-18; 4:1=John.3.16-John.3.18,John.4.1", "Zanafilla 12:1=Gen.12.1"}},
};

TEST(WrittenForms, ParagraphsOfEveryAddedLanguage) {
    testing_support::expect_found(kParagraphs);
}

// Scripts with rules of their own. Digits of other scripts and full-width
// digits and marks are read as the language's digits and marks (the OSIS
// comes out right); where words are not spaced (Chinese, Japanese, Thai), a
// name right after a letter begins a citation when a number follows it,
// and a name with no number after it stays text; right-to-left names are
// stored and read in logical order, with the digits written left to right.
const testing_support::FoundCase kScripts[] = {
    {"ar", "انظر يوحنا ٣:١٦ و رومية 8:28.", {"يوحنا ٣:١٦=John.3.16", "رومية 8:28=Rom.8.28"}},
    {"fa", "ببینید یوحنا ۳:۱۶ و پیدایش ۱:۱.", {"یوحنا ۳:۱۶=John.3.16", "پیدایش ۱:۱=Gen.1.1"}},
    {"he", "ראו יוחנן 3:16; תהילים 23:1 היום.", {"יוחנן 3:16; תהילים 23:1=John.3.16,Ps.23.1"}},
    {"hi", "देखिए यूहन्ना ३:१६ और उत्पत्ति 1:1.", {"यूहन्ना ३:१६=John.3.16", "उत्पत्ति 1:1=Gen.1.1"}},
    {"ne", "यूहन्ना ३:१६-१८ पढ्नुहोस्।", {"यूहन्ना ३:१६-१८=John.3.16-John.3.18"}},
    {"zh", "見約翰福音3:16，又見羅馬書８：２８。",
     {"約翰福音3:16=John.3.16", "羅馬書８：２８=Rom.8.28"}},
    {"zh", "約翰福音是第四卷福音書，寫於1世紀。", {}},
    {"ja", "聖書のヨハネによる福音書3:16を読む。", {"ヨハネによる福音書3:16=John.3.16"}},
    {"th", "อ่านยอห์น 3:16 และโรม ๘:๒๘", {"ยอห์น 3:16=John.3.16", "โรม ๘:๒๘=Rom.8.28"}},
    {"ko", "요한복음 3:16과 로마서 8:28", {"요한복음 3:16=John.3.16", "로마서 8:28=Rom.8.28"}},
    // Other languages read these digits too, and their words stay spaced.
    {"en", "John ３：１６ and Ps ٢٣", {"John ３：１６=John.3.16", "Ps ٢٣=Ps.23"}},
    {"en", "seeJohn 3:16", {}},
};

TEST(WrittenForms, ScriptsWithRulesOfTheirOwn) {
    testing_support::expect_found(kScripts);
}

// A right-to-left line keeps its bytes: the citation is highlighted where
// its name and digits stand in logical order.
TEST(WrittenForms, RightToLeftLinesAreHighlightedInPlace) {
    const tovrin::Language ar = shipped().language("ar");
    const std::string line = "قال يسوع في يوحنا ٣:١٦ كلاما";
    const auto all = ar.scan(line);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "يوحنا ٣:١٦");
    EXPECT_EQ(line.substr(static_cast<std::size_t>(all[0].offset), all[0].text.size()), all[0].text);
    EXPECT_EQ(ar.expand("يوحنا ٣:١٦"), "يو 3:16");
}

// Norwegian is "no" in bibl.ini; its written standard's own code names it too.
TEST(WrittenForms, NorwegianByItsBokmalCode) {
    EXPECT_EQ(found(shipped().language("nb"), "Joh 3,16"), Found{"Joh 3,16=John.3.16"});
}

// A capital inside a word becomes its small letter for lookup only: the
// highlight and the record keep the text's bytes, and a word that merely
// begins with such a capital is read as written.
TEST(WrittenForms, CapitalsKeepTheirBytes) {
    const tovrin::Language cz = shipped().language("cz");
    const auto all = cz.scan("Nadpis: LUKÁŠ 14,15.");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "LUKÁŠ 14,15");
    EXPECT_EQ(all[0].offset, 8);
    EXPECT_EQ(cz.expand("LUKÁŠ 14,15"), "L 14,15");
    EXPECT_EQ(found(cz, "Šalamoun 3,4"), Found{});
}

// English readers know the Letter of Jeremiah by its title in the KJV,
// which numbers it as Baruch 6: as a book of its own it exists in no
// numbering of theirs, so only a reading without the existence test finds it.
TEST(WrittenForms, TitlesOfBooksNoEnglishNumberingHas) {
    tovrin::Options any;
    any.existing = false;
    EXPECT_EQ(found(shipped().language("en"), "Epistle of Jeremiah 1:5", any),
              Found{"Epistle of Jeremiah 1:5=EpJer.1.5"});
}

// The exact reading folds byte by byte, as it always did.
TEST(WrittenForms, TheExactReadingKeepsItsFolding) {
    tovrin::Options exact;
    exact.exact = true;
    EXPECT_EQ(found(shipped().language("cz"), "LUKÁŠ 14,15", exact), Found{});
    EXPECT_EQ(found(shipped().language("uk"), "Філіп’ян 4:4", exact), Found{});
}

} // namespace
