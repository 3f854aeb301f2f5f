// Book names: case folding (upper), name comparison (combook), lookup by
// name (findbook), lookup by number (booknr, bookprn) and the translation
// of a book name between languages (trans_abb).
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::colon_lang;
using testing_support::example_lang;
using testing_support::in_child;
using testing_support::kAsciiLower;
using testing_support::kAsciiUpper;
using testing_support::StaticLang;

// Every language of this file has the example language's punctuation and
// parts, and is its own static object (see StaticLang).
constexpr char kChars[] = ";-.,+n.";

// A language whose letters are chosen to break shortcuts in the folding:
//   index: 0    1    2    3    4    5    6     7     8
//   lower: a    b    k    q    x    q    \xC3  \xA9  \xB6
//   upper: A    B    K    Q    k    Z    \xC3  \x89  \x96
// - 'k' is in both strings: upper is tested first, so 'k' is its own key
//   and does NOT fold to 'K'; 'x' folds to 'k'.
// - 'q' occurs twice in lower: its key comes from the last occurrence, 'Z'.
// - UTF-8: é (C3 A9) folds to É (C3 89), ö (C3 B6) to Ö (C3 96); the lead
//   byte C3 is in both strings.
// - 'c' is not a letter here (only a part letter).
LANG *tricky_lang() {
    static StaticLang l("tk", kChars, "abkqxq\xC3\xA9\xB6", "ABKQkZ\xC3\x89\x96", "abc",
                        {{"Ab", "1 Ab"},
                         {"k", "Q"},
                         {"x"},                // folds like "k": book 2 wins
                         {"Z", "\xC3\x89"},    // "q" and "é" land here
                         {"", "B K 2"},        // the empty name, spaces and a digit
                         {"\xC3\x96"},
                         {"Ab"},               // the same name as book 1
                         {"kK", "12"}});
    return l.get();
}

// Folding key written out from the rules: a capital is its own key, a
// lower-case letter maps through its LAST position in lower, a digit is
// its own key, anything else is '#'.
signed char model_key(signed char ch, const LANG *l) {
    auto last = [ch](const char *s) {
        int found = -1;
        for (int k = 0; s[k] != '\0'; ++k)
            if (static_cast<signed char>(s[k]) == ch)
                found = k;
        return found;
    };
    if (last(l->upper) >= 0)
        return ch;
    if (int k = last(l->lower); k >= 0)
        return static_cast<signed char>(l->upper[k]);
    if (ch >= '0' && ch <= '9')
        return ch;
    return '#';
}

std::string model_fold(const std::string &s, const LANG *l) {
    std::string out;
    for (char ch : s)
        out.push_back(static_cast<char>(model_key(static_cast<signed char>(ch), l)));
    return out;
}

// The lookup as a plain walk: books in order, names in order, the first
// book with a name that combook accepts.
int walk_findbook(const char *s, LANG *l) {
    int n = 1;
    for (BOOKS *b = l->books; b != nullptr; b = b->next, ++n)
        for (BOOK *name = b->book; name != nullptr; name = name->next)
            if (combook(name->abbrev, s, l) == 1)
                return n;
    return 0;
}

std::string printable(const std::string &s) {
    std::string out;
    char buf[8];
    for (unsigned char ch : s) {
        if (ch >= 32 && ch < 127 && ch != '\\') {
            out.push_back(static_cast<char>(ch));
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02X", ch);
            out += buf;
        }
    }
    return "\"" + out + "\"";
}

// What bookprn writes for one book, through an in-memory stream.
std::string bookprn_text(LANG *l, int bok) {
    char *buf = nullptr;
    std::size_t size = 0;
    FILE *f = open_memstream(&buf, &size);
    bookprn(f, l, bok);
    std::fclose(f);
    std::string s(buf, size);
    std::free(buf);
    return s;
}

// ---- upper and combook -----------------------------------------------

TEST(Upper, KeysOfTheTrickyLanguage) {
    const struct {
        signed char ch;
        signed char want;
    } cases[] = {
        {'a', 'A'},   {'A', 'A'},   {'b', 'B'},
        {'k', 'k'},   // in upper too: upper wins over lower
        {'K', 'K'},   {'x', 'k'},
        {'q', 'Z'},   // last occurrence in lower
        {'Q', 'Q'},   {'Z', 'Z'},
        {static_cast<signed char>(0xC3), static_cast<signed char>(0xC3)},
        {static_cast<signed char>(0xA9), static_cast<signed char>(0x89)},
        {static_cast<signed char>(0x89), static_cast<signed char>(0x89)},
        {static_cast<signed char>(0xB6), static_cast<signed char>(0x96)},
        {'0', '0'},   {'9', '9'},   {'c', '#'},   {'z', '#'},
        {' ', '#'},   {'.', '#'},   {'#', '#'},   {'/', '#'}, {':', '#'},
        {static_cast<signed char>(0x80), '#'},
        {static_cast<signed char>(0xFF), '#'},
    };
    for (const auto &c : cases)
        EXPECT_EQ(upper(c.ch, tricky_lang()), c.want)
            << "byte 0x" << std::hex << (c.ch & 0xFF);
}

TEST(Upper, EveryByteFollowsTheRules) {
    for (LANG *l : {tricky_lang(), example_lang(), colon_lang()})
        for (int b = 0; b < 256; ++b) {
            const auto ch = static_cast<signed char>(b);
            EXPECT_EQ(upper(ch, l), model_key(ch, l))
                << l->name << " byte 0x" << std::hex << b;
        }
}

TEST(Combook, WholeNamesUnderFolding) {
    LANG *xx = example_lang();
    const struct {
        const char *s1, *s2;
        int want;
    } cases[] = {
        {"Genesis", "genesis", 1},
        {"Genesis", "GENESIS", 1},
        {"gn", "GN", 1},
        {"1 Jn", "1.jn", 1},
        {"1 Jn", "1\xE9Jn", 1}, // a byte outside the letters is '#'
        {"1 Jn", "1Jn", 0},     // lengths differ
        {"Gen", "Genesis", 0},  // no prefix matching, either order
        {"Genesis", "Gen", 0},
        {"Gn", "Gn.", 0},
        {"1 Jn", "2 Jn", 0},
        {"", "", 1},
        {"", "Gn", 0},
        {"Gn", "", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(combook(c.s1, c.s2, xx), c.want) << printable(c.s1) << " vs " << printable(c.s2);
        EXPECT_EQ(combook(c.s2, c.s1, xx), c.want) << printable(c.s2) << " vs " << printable(c.s1);
    }
}

// ---- findbook --------------------------------------------------------

TEST(Findbook, ExampleLanguage) {
    // Books: 1 Gn Genesis Gen, 2 Ex Exodus, 3 Mt Mat, 4 Mk, 5 Lk L, 6 Jn J,
    // 7 "1 Jn" "1 J", 8 Rom R.
    const struct {
        const char *text;
        int want;
    } cases[] = {
        // case folding in both directions, on main and further names
        {"Gn", 1}, {"gn", 1}, {"GN", 1}, {"gN", 1}, {"genesis", 1}, {"GEN", 1},
        {"l", 5}, {"L", 5}, {"r", 8}, {"mAT", 3},
        // no prefix matching
        {"G", 0}, {"Gene", 0}, {"Genesi", 0}, {"Ro", 0},
        {"Gns", 0}, {"Genesiss", 0}, {"Gn ", 0}, {" Gn", 0}, {"Gn.", 0},
        // every non-letter non-digit equals every other
        {"1 Jn", 7}, {"1.Jn", 7}, {"1-Jn", 7}, {"1#Jn", 7}, {"1%Jn", 7},
        {"1\tJn", 7}, {"1\xE9Jn", 7}, {"1\x80j", 7}, {"1 j", 7},
        // ... but not a letter or a digit
        {"1xJn", 0}, {"1nJn", 0}, {"102Jn", 0},
        // digits only equal themselves
        {"2 Jn", 0}, {"0 Jn", 0}, {". Jn", 0}, {"I Jn", 0}, {"1Jn", 0},
        // the empty text
        {"", 0},
        {"Xy", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(findbook(c.text, example_lang()), c.want) << printable(c.text);
}

TEST(Findbook, TrickyLanguage) {
    const struct {
        const char *text;
        int want;
    } cases[] = {
        {"ab", 1}, {"AB", 1}, {"aB", 1},     // book 7 bears it too: first wins
        {"1.ab", 1}, {"1\xFF" "Ab", 1},
        {"k", 2}, {"x", 2},                  // "x" folds to "k": book 2, not 3
        {"K", 0},                            // 'k' does not fold to 'K'
        {"Q", 2}, {"q", 4}, {"z", 0}, {"Z", 4}, // 'q' folds to 'Z', 'z' to '#'
        {"\xC3\x89", 4}, {"\xC3\xA9", 4},    // É and é
        {"\xC3\x96", 6}, {"\xC3\xB6", 6},    // Ö and ö
        {"\xC3\xA9\xA9", 0},
        {"", 5},                             // the empty stored name
        {"b k 2", 0},                        // 'k' stays 'k', the name has 'K'
        {"b.K-2", 5}, {"B\x80K\xC3" "2", 0}, // C3 is a letter, not '#'
        {"B K 3", 0},
        {"xK", 8}, {"kk", 0}, {"12", 8}, {"1.2", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(findbook(c.text, tricky_lang()), c.want) << printable(c.text);
}

TEST(Findbook, SameNameInTwoBooksGivesTheFirst) {
    static StaticLang l("dup", kChars, kAsciiLower, kAsciiUpper, "abc",
                        {{"One"}, {"Two", "Sam"}, {"Three"}, {"Four", "SAM", "Three"}});
    EXPECT_EQ(findbook("sam", l.get()), 2);
    EXPECT_EQ(findbook("Three", l.get()), 3);
    EXPECT_EQ(findbook("four", l.get()), 4);
    EXPECT_EQ(findbook("", l.get()), 0);
}

TEST(Findbook, LanguageWithoutBooks) {
    static StaticLang l("none", kChars, "ab", "AB", "abc", {});
    EXPECT_EQ(findbook("", l.get()), 0);
    EXPECT_EQ(findbook("a", l.get()), 0);
}

// findbook answers through a table of folded names; it must answer exactly
// what the walk over the books answers, for any bytes at all.
TEST(Findbook, AgreesWithTheWalkOnRandomTexts) {
    const std::string alphabet =
        std::string("abkqxABKQZ\xC3\xA9\xB6\x89\x96" "0129 .-#c") + '\x80' + '\xE2' + '\xFF';
    std::mt19937 rng(20240611);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };

    // The languages take turns, so the lookup switches between the tables
    // of several records all the time.
    struct Subject {
        LANG *l;
        std::vector<std::string> stored;
        int found = 0, missed = 0;
    };
    std::vector<Subject> subjects;
    for (LANG *l : {tricky_lang(), example_lang(), colon_lang()}) {
        subjects.push_back({l, {}});
        for (BOOKS *b = l->books; b != nullptr; b = b->next)
            for (BOOK *n = b->book; n != nullptr; n = n->next)
                subjects.back().stored.emplace_back(n->abbrev);
    }

    for (int round = 0; round < 60000; ++round) {
        Subject &subject = subjects[round % subjects.size()];
        LANG *l = subject.l;
        const auto &stored = subject.stored;
        std::string s;
        if (pick(2) == 0) {
            // Random bytes, mostly short, repeated letters likely.
            const std::size_t len = pick(7);
            for (std::size_t k = 0; k < len; ++k)
                s.push_back(pick(8) == 0 ? static_cast<char>(pick(256))
                                         : alphabet[pick(alphabet.size())]);
        } else {
            // A stored name with some bytes replaced, one added or one
            // dropped: mostly near misses and folded hits.
            s = stored[pick(stored.size())];
            for (auto &ch : s)
                if (pick(4) == 0)
                    ch = alphabet[pick(alphabet.size())];
            if (pick(8) == 0)
                s.push_back(alphabet[pick(alphabet.size())]);
            if (pick(8) == 0 && !s.empty())
                s.pop_back();
        }
        if (s.find('\0') != std::string::npos)
            s.erase(s.find('\0'));

        const int fast = findbook(s.c_str(), l);
        const int walk = walk_findbook(s.c_str(), l);
        ASSERT_EQ(fast, walk) << l->name << " " << printable(s);
        (fast != 0 ? subject.found : subject.missed) += 1;

        // combook itself against the folding rules, on a stored name.
        const std::string &name = stored[pick(stored.size())];
        ASSERT_EQ(combook(name.c_str(), s.c_str(), l),
                  model_fold(name, l) == model_fold(s, l) ? 1 : 0)
            << l->name << " " << printable(name) << " vs " << printable(s);
    }
    // The comparison is only worth something when both answers occur.
    for (const auto &subject : subjects) {
        EXPECT_GT(subject.found, 1000) << subject.l->name;
        EXPECT_GT(subject.missed, 1000) << subject.l->name;
    }
}

// ---- booknr and bookprn ----------------------------------------------

TEST(Booknr, NumbersInAndBelowTheList) {
    LANG *xx = example_lang();
    EXPECT_STREQ(booknr(xx, 0), "???");
    EXPECT_STREQ(booknr(xx, -1), "???");
    EXPECT_STREQ(booknr(xx, INT_MIN), "???");
    EXPECT_STREQ(booknr(xx, 1), "Gn");
    EXPECT_STREQ(booknr(xx, 7), "1 Jn");
    EXPECT_STREQ(booknr(xx, 8), "Rom");
    // Borrowed from the record, not a copy.
    EXPECT_EQ(booknr(xx, 1), xx->books->book->abbrev);
}

TEST(Booknr, PastTheLastBookIsFatal) {
    for (int bok : {9, 100, INT_MAX}) {
        auto o = in_child([bok] { booknr(example_lang(), bok); });
        EXPECT_EQ(o.status, 1) << bok;
        EXPECT_EQ(o.err, "booknr (tovrin): invalid book number ! \n") << bok;
        EXPECT_EQ(o.out, "") << bok;
    }
}

TEST(Bookprn, MainNameAndFurtherNames) {
    LANG *xx = example_lang();
    const struct {
        int bok;
        const char *want;
    } cases[] = {
        {0, "???"}, {-7, "???"}, {1, "Gn (Genesis, Gen)"}, {2, "Ex (Exodus)"},
        {4, "Mk"},  {7, "1 Jn (1 J)"}, {8, "Rom (R)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(bookprn_text(xx, c.bok), c.want) << c.bok;
}

TEST(Bookprn, PastTheLastBookIsFatal) {
    auto o = in_child([] { bookprn(stdout, example_lang(), 9); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "bookprn (tovrin): invalid book number ! \n");
    EXPECT_EQ(o.out, "");
}

// A record that no loader would build: name nodes without text, a further
// name of book 1 and the main name of book 2.
LANG *broken_lang() {
    static StaticLang l("broken", kChars, "a", "A", "a",
                        {{"Main", "Alt", nullptr, "Later"}, {nullptr}});
    return l.get();
}

TEST(Bookprn, NameWithoutTextIsFatal) {
    const char msg[] = "bookprn (tovrin) : non-consistency of the data structure !\n";
    // A further name without text: what was written before it stays.
    auto o = in_child([] { bookprn(stdout, broken_lang(), 1); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Main (Alt");
    EXPECT_EQ(o.err, msg);

    // The main name without text: nothing is written.
    o = in_child([] { bookprn(stdout, broken_lang(), 2); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, msg);
}

// ---- trans_abb -------------------------------------------------------

TEST(TransAbb, BetweenLanguagesByBookNumber) {
    LANG *xx = example_lang(), *yy = colon_lang();
    const struct {
        const char *abb;
        LANG *from, *to;
        const char *want;
    } cases[] = {
        {"Gn", xx, yy, "Gen"},   {"genesis", xx, yy, "Gen"}, {"1.j", xx, yy, "1 John"},
        {"R", xx, yy, "Rom"},    {"L", xx, yy, "Luke"},      {"Matt", yy, xx, "Mt"},
        {"exod", yy, xx, "Ex"},  {"gen", xx, xx, "Gn"},      {"J", xx, xx, "Jn"},
        {"Matt", xx, yy, "???"}, {"", xx, yy, "???"},        {"Gene", xx, xx, "???"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(trans_abb(c.abb, c.from, c.to), c.want)
            << printable(c.abb) << " " << c.from->name << "->" << c.to->name;
    // The answer is the target's own main name.
    EXPECT_EQ(trans_abb("Gn", xx, yy), colon_lang()->books->book->abbrev);
}

LANG *short_lang() {
    static StaticLang l("sh", kChars, kAsciiLower, kAsciiUpper, "abc",
                        {{"Genesis"}, {"Exodus"}, {"Matthew"}});
    return l.get();
}

TEST(TransAbb, TargetWithFewerBooks) {
    EXPECT_STREQ(trans_abb("Mat", example_lang(), short_lang()), "Matthew");
    EXPECT_STREQ(trans_abb("Xy", example_lang(), short_lang()), "???");
    auto o = in_child([] { trans_abb("Mk", example_lang(), short_lang()); });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "booknr (tovrin): invalid book number ! \n");
    EXPECT_EQ(o.out, "");
}

} // namespace
