// Hostile input: whatever text users feed the library (huge numbers, runs
// longer than the scanner's ring, control and 8-bit bytes anywhere) and
// whatever configuration they wrote by hand. Nothing may crash, overflow,
// leak or lose a byte. Run these under the sanitizer build too: the
// configurations load in child processes, whose exit runs LeakSanitizer.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "internal.h"
#include "test_support.h"
#include "tovrin.h"

namespace {

using testing_support::colon_lang;
using testing_support::example_lang;
using testing_support::in_child;
using testing_support::Outcome;
using testing_support::TempDir;
using testing_support::take;

const std::string kMax = std::to_string(INT_MAX);

// Printable form of a text with control and 8-bit bytes, for messages.
std::string show(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 32 && c < 127) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

// Units as "bf.cf.vf-b.c.v", separated by spaces; marks as "/fl".
std::string dump_units(PARS_UNIT **pp) {
    std::string s;
    for (PARS_UNIT **u = pp; *u != nullptr; ++u) {
        const PARS_UNIT &x = **u;
        if (!s.empty())
            s += ' ';
        s += std::to_string(x.bf) + '.' + std::to_string(x.cf) + '.' + std::to_string(x.vf) +
             '-' + std::to_string(x.b) + '.' + std::to_string(x.c) + '.' + std::to_string(x.v);
        if (x.fl != 0)
            s += '/' + std::to_string(x.fl);
    }
    return s;
}

std::string units_of(const std::string &cite, LANG *l) {
    PARS_UNIT **pp = makepus(cite.c_str(), l);
    std::string s = dump_units(pp);
    freepus(pp);
    return s;
}

// The tokens of a text as "kind:text" (the error as "E"), feeding every
// byte, NULs included, until the lexer finishes; a NUL is fed after the
// text if it never does.
std::string tokens_of(const std::string &text, LANG *l) {
    PARS p;
    tovrin_pinit(&p, l);
    std::string s;
    for (std::size_t i = 0; p.end == 0; ++i) {
        tovrin_parser(i < text.size() ? static_cast<signed char>(text[i]) : '\0', &p);
        if (p.ousta == TK_ERROR)
            s += "E ";
        else if (p.ousta > 0)
            s += std::to_string(p.ousta) + ':' + p.out + ' ';
    }
    tovrin_pfree(&p);
    return s;
}

// ---- the scanner, with callbacks that rebuild the text ----------------

struct Scan {
    std::string rebuilt;            // out bytes and citations, in call order
    std::vector<std::string> cites; // the citations alone
    long read_at_first_out = -1;    // characters read when out was first called
    bool all_cites_valid = true;    // every citation passed check_lev
};

const std::string *scan_text;
std::size_t scan_pos;
Scan *scan_result;

int scan_in() {
    return scan_pos < scan_text->size() ? static_cast<unsigned char>((*scan_text)[scan_pos++])
                                        : -1;
}

void scan_out(int c) {
    if (scan_result->read_at_first_out < 0)
        scan_result->read_at_first_out = static_cast<long>(scan_pos);
    scan_result->rebuilt.push_back(static_cast<char>(c));
}

void scan_heureka() {
    std::string cite;
    for (int s = bp; s != ap; s = s + 1 == TOVRIN_SBUFF_SIZE ? 0 : s + 1)
        cite.push_back(tovrin_sbuff[s]);
    if (cite.empty() || tovrin::detail::check_lev(cite.c_str()) != 1)
        scan_result->all_cites_valid = false;
    scan_result->rebuilt += cite;
    scan_result->cites.push_back(cite);
}

Scan scan(const std::string &text, LANG *l) {
    Scan r;
    scan_text = &text;
    scan_pos = 0;
    scan_result = &r;
    dorvis_core(scan_in, scan_out, scan_heureka, 4, l);
    scan_result = nullptr;
    return r;
}

// A language whose letters include 8-bit bytes, as UTF-8 letters are in the
// shipped configuration: s-caron is C5 A1, its capital C5 A0 (the lead byte
// is a letter of both cases). Book 2 is named with them.
LANG *utf8_lang() {
    static BOOK gn{const_cast<char *>("Gn"), nullptr};
    static BOOK sir{const_cast<char *>("\xc5\xa0ir"), nullptr};
    static BOOKS second{&sir, nullptr};
    static BOOKS first{&gn, &second};
    static LANG l = [] {
        LANG x{};
        x.name = const_cast<char *>("hh");
        const char chars[] = ";-.,+n.";
        for (int k = 0; k < 7; ++k)
            x.chars[k] = static_cast<signed char>(chars[k]);
        x.lower = const_cast<char *>("abcdefghijklmnopqrstuvwxyz\xc5\xa1");
        x.upper = const_cast<char *>("ABCDEFGHIJKLMNOPQRSTUVWXYZ\xc5\xa0");
        x.parts = const_cast<char *>("abc");
        x.books = &first;
        return x;
    }();
    return &l;
}

// ---- numbers with hundreds of digits -----------------------------------

// 300 digits; no prefix of it is "0".
const std::string kHuge = [] {
    std::string s;
    for (int k = 0; k < 30; ++k)
        s += "1234567890";
    return s;
}();

TEST(HugeNumbers, SaturateInEveryNumberPositionOfAUnit) {
    const std::string N = kHuge, M = kMax;
    const struct {
        std::string cite, units;
    } cases[] = {
        // chapter, verse, and each end of each kind of range
        {"Gn " + N, "1." + M + ".0-1." + M + ".0"},
        {"Gn 1," + N, "1.1." + M + "-1.1." + M},
        {"Gn " + N + ",1", "1." + M + ".1-1." + M + ".1"},
        {"Gn " + N + "-2", "1." + M + ".0-1.2.0"},
        {"Gn 1-" + N, "1.1.0-1." + M + ".0"},
        {"Gn 1-" + N + ",3", "1.1.0-1." + M + ".3"},
        {"Gn 1-2," + N, "1.1.0-1.2." + M},
        {"Gn 1," + N + "-5", "1.1." + M + "-1.1.5"},
        {"Gn 1,5-" + N, "1.1.5-1.1." + M},
        {"Gn 1,5-" + N + ",3", "1.1.5-1." + M + ".3"},
        // a new unit after a citation separator or in a verse list
        {"Gn 1; " + N, "1.1.0-1.1.0 1." + M + ".0-1." + M + ".0"},
        {"Gn 1,2." + N, "1.1.2-1.1.2 1.1." + M + "-1.1." + M},
        // marks on a saturated number
        {"Gn 1," + N + "n", "1.1." + M + "-1.1." + M + "/10"},
        {"Gn " + N + "nn", "1." + M + ".0-1." + M + ".0/11"},
        // numbers that are book names: no book
        {N + " Jn 1,1", "0.1.1-0.1.1"},
        {N, "0.0.0-0.0.0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(units_of(c.cite, example_lang()), c.units) << c.cite;
}

TEST(HugeNumbers, PassesAndServicesStayAtTheLimit) {
    const std::string N = kHuge;
    // The following mark of a saturated verse, the doubled mark of a
    // saturated chapter: adding to the limit keeps the limit.
    PARS_UNIT **pp = makepus(("Gn 1," + N + "n; " + N + "nn").c_str(), example_lang());
    adjpus_n(pp);
    adjpus_nn_pseudo(pp);
    adjpus_plus(pp);
    adjpus_v01(pp);
    EXPECT_EQ(dump_units(pp), "1.1." + kMax + "-1.1." + kMax + " 1." + kMax + ".0-1." + kMax + ".0");
    sortpus(pp);
    freepus(pp);

    // Numbers above 999 are written as itoa's placeholder.
    EXPECT_EQ(take(tovrin_expand(("Gn 1," + N + "n").c_str(), example_lang())), "Gn 1,?!?");
    EXPECT_EQ(take(tovrin_expand(("Gn " + N + "nn").c_str(), example_lang())), "Gn ?!?nn");
    EXPECT_EQ(take(tovrin_expand(("Gn 1,5-" + N + ",3").c_str(), example_lang())),
              "Gn 1,5-?!?,3");
    EXPECT_EQ(take(tovrin_expand_sort(("Gn " + N + "; Gn 1").c_str(), example_lang(),
                                      colon_lang())),
              "Gen 1; Gen ?!?");
    // Translation copies the digits as written.
    EXPECT_EQ(take(trans_cite(("Gn 1," + N).c_str(), example_lang(), colon_lang())),
              "Gen 1:" + N);

    const std::string big = "Gn 1," + N + "n", five = "Gn 1,5";
    EXPECT_EQ(tovrin_is_equal(big.c_str(), five.c_str(), example_lang(), example_lang()), 0);
    EXPECT_EQ(tovrin_is_equal(five.c_str(), big.c_str(), example_lang(), example_lang()), 0);
    EXPECT_EQ(tovrin_comp(big.c_str(), five.c_str(), example_lang(), example_lang()), -1);
    EXPECT_EQ(tovrin_comp(five.c_str(), big.c_str(), example_lang(), example_lang()), 1);
}

TEST(HugeNumbers, ChecksReportTheWholeNumber) {
    const std::string N = kHuge;
    const struct {
        std::string cite;
        int check1;
        std::string check2, check3;
        int check4, check9;
    } cases[] = {
        {"Gn 1," + N, 0, "(null)", N, 0, 0},
        {"Gn 1," + N + "-5", 0, "(null)", N, 1, 0},
        {"Gn " + N + "-2", 0, "(null)", N, 1, 0},
        {"Gn 1,5-" + N + ",3", 0, "(null)", N, 0, 0},
        {N + " Jn 1,1", 0, N + " Jn", "(null)", 0, 0},
        {N, 0, N, "(null)", 0, 1},
        // the error after a huge number is found at its exact position
        // (the chapter is never reported, so the unit has none)
        {"Gn " + N + " 2", static_cast<int>(3 + N.size() + 2), "(null)", "(null)", 0, 1},
    };
    for (const auto &c : cases) {
        const char *s = c.cite.c_str();
        EXPECT_EQ(tovrin_check1(s, example_lang()), c.check1) << c.cite;
        EXPECT_EQ(take(tovrin_check2(s, example_lang())), c.check2) << c.cite;
        EXPECT_EQ(take(tovrin_check3(s, example_lang())), c.check3) << c.cite;
        EXPECT_EQ(tovrin_check4(s, example_lang()), c.check4) << c.cite;
        EXPECT_EQ(tovrin_check9(s, example_lang()), c.check9) << c.cite;
    }
}

TEST(HugeNumbers, ItoaGivesThePlaceholderAtTheIntLimits) {
    for (int n : {INT_MAX, INT_MIN, INT_MIN + 1, -1, 1000})
        EXPECT_STREQ(itoa(n), "?!?") << n;
}

TEST(HugeNumbers, ScannerHighlightsTheLongestValidPrefix) {
    // Three digits pass the checks, four do not, and no citation ends inside
    // a number: the longest accepted prefix is the chapter; the verse
    // number is ordinary text.
    const std::string digits = kHuge.substr(0, 200);
    const std::string text = "see Gn 1," + digits + ".\n";
    const Scan r = scan(text, example_lang());
    EXPECT_EQ(r.rebuilt, text);
    EXPECT_EQ(r.cites, std::vector<std::string>{"Gn 1"});
    EXPECT_TRUE(r.all_cites_valid);
}

// ---- runs longer than the ring -----------------------------------------

TEST(LongRuns, TextWithoutAStopLongerThanTheRingLosesNothing) {
    // A book name and a run of spaces keep the lexer waiting for a chapter:
    // the ring fills while the lexer has not stopped, so the oldest
    // character is written at once, when the 100000th character is stored.
    // The citation behind the run is still found.
    const std::string text = "Gn" + std::string(TOVRIN_SBUFF_SIZE + 2, ' ') + "; Mt 5,3";
    const Scan r = scan(text, example_lang());
    EXPECT_EQ(r.read_at_first_out, TOVRIN_SBUFF_SIZE);
    EXPECT_EQ(r.rebuilt.size(), text.size());
    EXPECT_TRUE(r.rebuilt == text);
    EXPECT_EQ(r.cites, std::vector<std::string>{"Mt 5,3"});
}

TEST(LongRuns, RunsOfSpacesOrLettersJustPastTheRing) {
    const std::string cases[] = {
        std::string(TOVRIN_SBUFF_SIZE + 2, ' '),
        std::string(TOVRIN_SBUFF_SIZE + 2, 'z'),
        std::string(TOVRIN_SBUFF_SIZE - 1, ' ') + "x",
        "x" + std::string(TOVRIN_SBUFF_SIZE, ' ') + "Gn 1,1",
    };
    for (const auto &text : cases) {
        const Scan r = scan(text, example_lang());
        EXPECT_TRUE(r.rebuilt == text) << "length " << text.size() << ", starting \""
                                       << text.substr(0, 8) << "\": got " << r.rebuilt.size()
                                       << " bytes";
        EXPECT_TRUE(r.all_cites_valid);
    }
}

// Runs of digits or capitals keep the lexer going (a book's number, a book
// name) and, once no prefix passes, are written one character at a time;
// several times longer than the ring they still cost linear time. Capitals
// of two bytes (Č, Ř, Š, Ž) and UTF-8 lead bytes without their
// continuation bytes are runs of the same kind, byte by byte.
TEST(LongRuns, RunsOfDigitsOrCapitalsSeveralRingsLong) {
    const auto repeated = [](const std::string &unit) {
        std::string m;
        while (m.size() < 3 * TOVRIN_SBUFF_SIZE)
            m += unit;
        return m;
    };
    const std::string mixed = repeated("ABCDEFG");
    const struct {
        std::string text;
        std::vector<std::string> cites;
    } cases[] = {
        {std::string(3 * TOVRIN_SBUFF_SIZE + 5, '7'), {}},
        {std::string(3 * TOVRIN_SBUFF_SIZE + 5, 'M'), {}},
        {mixed, {}},
        {repeated("\xc4\x8c\xc5\x98\xc5\xa0\xc5\xbd"), {}},
        {repeated("\xc4\xc5\xc3\xd0\xe2\xf0"), {}},
        {repeated("\xc5\xbd") + " Mt 5,3 " + repeated("\xc4\xc5"), {"Mt 5,3"}},
        {"Mt 5,3 " + std::string(2 * TOVRIN_SBUFF_SIZE, '1') + " Lk 6,2\n", {"Mt 5,3", "Lk 6,2"}},
        // The verse keeps the lexer going until the ring is full: the ring-full
        // rule writes the citation's first characters as text, so only the
        // citation behind the run is found.
        {"Gn 1," + std::string(TOVRIN_SBUFF_SIZE + 10, '4') + " Ex 2,1", {"Ex 2,1"}},
    };
    for (const auto &c : cases) {
        const Scan r = scan(c.text, example_lang());
        EXPECT_TRUE(r.rebuilt == c.text) << "length " << c.text.size() << ", starting \""
                                         << c.text.substr(0, 8) << "\": got " << r.rebuilt.size()
                                         << " bytes";
        EXPECT_EQ(r.cites, c.cites) << c.text.substr(0, 8);
        EXPECT_TRUE(r.all_cites_valid);
    }
}

// ---- control and 8-bit bytes in every position ---------------------------

std::vector<unsigned char> hostile_bytes() {
    std::vector<unsigned char> v = {0, 10, 13};
    for (int b = 128; b < 256; ++b)
        v.push_back(static_cast<unsigned char>(b));
    return v;
}

TEST(HostileBytes, EndOfTextBytesCutTheCitationWhereTheyStand) {
    // Line feed and carriage return end a citation exactly as its NUL does:
    // whatever follows them is never read.
    const std::string cite = "Mt 5,3-12; L 6,20n";
    for (std::size_t i = 0; i <= cite.size(); ++i) {
        const std::string head = cite.substr(0, i);
        for (char b : {'\n', '\r'}) {
            const std::string text = head + b + cite.substr(i);
            LANG *l = example_lang();
            EXPECT_EQ(tokens_of(text, l), tokens_of(head, l)) << show(text);
            EXPECT_EQ(units_of(text, l), units_of(head, l)) << show(text);
            EXPECT_EQ(tovrin_check1(text.c_str(), l), tovrin_check1(head.c_str(), l)) << show(text);
            EXPECT_EQ(take(tovrin_expand(text.c_str(), l)), take(tovrin_expand(head.c_str(), l)))
                << show(text);
            EXPECT_EQ(take(trans_cite(text.c_str(), l, colon_lang())),
                      take(trans_cite(head.c_str(), l, colon_lang())))
                << show(text);
        }
        // A NUL inside the text is its end for the lexer fed byte by byte.
        EXPECT_EQ(tokens_of(head + '\0' + cite.substr(i), example_lang()),
                  tokens_of(head, example_lang()))
            << i;
    }
}

TEST(HostileBytes, EightBitBytesAreAnErrorWhereTheyStand) {
    // No byte from 128 up is a letter, digit or punctuation of the example
    // language, so the lexer fails on the call that receives it.
    const std::string cite = "Mt 5,3-12; L 6,20n";
    for (std::size_t i = 0; i <= cite.size(); ++i)
        for (int b = 128; b < 256; ++b) {
            const std::string text = cite.substr(0, i) + static_cast<char>(b) + cite.substr(i);
            EXPECT_EQ(tovrin_check1(text.c_str(), example_lang()), static_cast<int>(i + 1))
                << show(text);
            EXPECT_EQ(trans_cite(text.c_str(), example_lang(), colon_lang()), nullptr)
                << show(text);
        }
}

TEST(HostileBytes, EveryServiceAndTheScannerSurviveThemAnywhere) {
    // Each hostile byte inserted before and written over every position of a
    // citation, in a language whose letters include 8-bit bytes: services
    // and checks must run cleanly (the sanitizer build watches), and the
    // scanner must hand back every byte.
    const struct {
        std::string cite;
        LANG *l;
    } bases[] = {
        {"Mt 5,3-12; L 6,20n", example_lang()},
        {"\xc5\xa0ir 1,5a-7; \xc5\xa1ir 2", utf8_lang()},
    };
    for (const auto &base : bases)
        for (std::size_t i = 0; i <= base.cite.size(); ++i)
            for (unsigned char b : hostile_bytes())
                for (bool replace : {false, true}) {
                    if (replace && i == base.cite.size())
                        continue;
                    std::string text = base.cite;
                    if (replace)
                        text[i] = static_cast<char>(b);
                    else
                        text.insert(i, 1, static_cast<char>(b));
                    LANG *l = base.l;
                    const char *s = text.c_str();
                    tokens_of(text, l);
                    PARS_UNIT **pp = makepus(s, l);
                    adjpus_n(pp);
                    adjpus_plus(pp);
                    adjpus_nn_pseudo(pp);
                    adjpus_v01(pp);
                    sortpus(pp);
                    std::free(tovrin_expus(pp, l));
                    freepus(pp);
                    std::free(tovrin_expand(s, l));
                    std::free(tovrin_expand_bl(s, l, l));
                    std::free(tovrin_expand_sort(s, l, l));
                    std::free(trans_cite(s, l, l));
                    tovrin_is_equal(s, base.cite.c_str(), l, l);
                    EXPECT_EQ(tovrin_comp(s, base.cite.c_str(), l, l),
                              -tovrin_comp(base.cite.c_str(), s, l, l))
                        << show(text);
                    tovrin_check1(s, l);
                    std::free(tovrin_check2(s, l));
                    std::free(tovrin_check3(s, l));
                    tovrin_check4(s, l);
                    tovrin_check9(s, l);

                    const std::string para = "(" + text + ") " + text + "\n";
                    const Scan r = scan(para, l);
                    ASSERT_TRUE(r.rebuilt == para) << show(para) << " came out as "
                                                   << show(r.rebuilt);
                    EXPECT_TRUE(r.all_cites_valid) << show(para);
                }
}

TEST(HostileBytes, EightBitLettersFoldAndScan) {
    // The 8-bit letters are letters in every sense: the lower-case name
    // finds the book, and the scanner finds citations written with it.
    EXPECT_EQ(findbook("\xc5\xa1ir", utf8_lang()), 2);
    EXPECT_EQ(take(tovrin_expand("\xc5\xa1ir 1,5", utf8_lang())), "\xc5\xa0ir 1,5");
    const std::string text = "v \xc5\xa0ir 1,5; \xc5\xa1ir 2 a\xc5\xa1\xff.\n";
    const Scan r = scan(text, utf8_lang());
    EXPECT_EQ(r.rebuilt, text);
    // A citation ends before the space in front of the letter that stopped
    // the lexer.
    EXPECT_EQ(r.cites, std::vector<std::string>{"\xc5\xa0ir 1,5; \xc5\xa1ir 2"});
}

// ---- configurations ------------------------------------------------------

// Loads `ini` in a child and runs `body` there; a fatal load ends the child
// with the loader's message instead.
Outcome load(const std::string &ini, const std::function<void()> &body = [] {}) {
    TempDir dir;
    const std::string path = dir.write("bibl.ini", ini);
    return in_child([&] {
        tovrin_init_file(path.c_str());
        body();
    });
}

std::string language(const std::string &name, const std::string &books) {
    return "{" + name + "\n!;-.,+n.\n_abcdefghijklmnopqrstuvwxyz\n^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
           "&abc\n" + books + "}\n";
}

int count_books(const LANG *l) {
    int n = 0;
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        ++n;
    return n;
}

// A name of letters only for book k (the lexer reads no digit inside a
// word): "B" followed by k in base 26.
std::string letter_name(int k) {
    std::string s;
    for (int d = 0; d < 3; ++d, k /= 26)
        s.insert(s.begin(), static_cast<char>('a' + k % 26));
    return "B" + s;
}

TEST(HostileConfig, ThousandsOfBooks) {
    std::string books;
    for (int k = 1; k <= 5000; ++k)
        books += "+" + letter_name(k) + "\n";
    const Outcome o = load(language("xx", books), [] {
        LANG *l = findlang("xx");
        const std::string last = letter_name(5000);
        std::printf("%d %d %d %s\n", count_books(l), findbook(letter_name(1).c_str(), l),
                    findbook(last.c_str(), l), booknr(l, 5000));
        char *e = tovrin_expand((last + " 1,2").c_str(), l);
        std::printf("%s\n", e);
        std::free(e);
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "5000 1 5000 " + letter_name(5000) + "\n" + letter_name(5000) + " 1,2\n");
}

TEST(HostileConfig, ThousandsOfNamesForOneBook) {
    std::string books = "+Main\n";
    for (int k = 1; k <= 5000; ++k)
        books += "*" + letter_name(k) + "\n";
    const Outcome o = load(language("xx", books), [] {
        LANG *l = findlang("xx");
        std::printf("%d %d\n", findbook(letter_name(5000).c_str(), l),
                    findbook(letter_name(5001).c_str(), l));
        bookprn(stdout, l, 1);
    });
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    std::string listing = "Main (";
    for (int k = 1; k <= 5000; ++k)
        listing += (k > 1 ? ", " : "") + letter_name(k);
    EXPECT_EQ(o.out, "1 0\n" + listing + ")");
}

TEST(HostileConfig, LinesOfTwoHundredCharactersAndMore) {
    const std::string a199(199, 'a'), b199(199, 'b');
    // "+" and 199 letters fill a line; the 201st character of a longer line
    // is lost and the rest is a line of its own, read by its first
    // character: here a book, then the closing brace of the language.
    const std::string ini = "{" + std::string(250, 'n') + "\n!;-.,+n." + std::string(192, '!') +
                            "\n_" + std::string(300, 'a') + "\n^" + std::string(300, 'A') +
                            "\n&" + std::string(300, 'c') + "\n+" + a199 + "\n+" + b199 +
                            "X+Second\n*" + a199 + "X}\n+Outside\n";
    // "+Outside" after the brace is a tag outside any language.
    const Outcome o = load(ini);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Init (tovrin) : config tag not inside '{ .. }' !\n");
    EXPECT_EQ(o.out, "");

    const Outcome ok = load(ini.substr(0, ini.find("+Outside")), [] {
        LANG *l = config_table;
        std::printf("%zu %zu %zu %zu %d %zu %s %zu\n", std::strlen(l->name),
                    std::strlen(l->lower), std::strlen(l->upper), std::strlen(l->parts),
                    count_books(l), std::strlen(booknr(l, 2)), booknr(l, 3),
                    std::strlen(l->books->next->next->book->next->abbrev));
    });
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.err, "");
    // name, lower, upper and parts: the 199 characters after the tag;
    // books: aaa..., bbb..., Second (whose further name is the cut line).
    EXPECT_EQ(ok.out, "199 199 199 199 3 199 Second 199\n");
}

TEST(HostileConfig, DuplicateLanguagesAndReplacedLines) {
    // The same name three times: findlang takes the first definition. Lines
    // given twice replace the earlier value; under the sanitizer build the
    // child's exit checks that the replaced copies were not leaked.
    const std::string ini = "{xx\n!;-.,+n.\n!;-,:+f.\n_ab\n_abc\n^AB\n^ABC\n&a\n&ab\n+A\n}\n" +
                            language("xx", "+B\n") + language("xx", "+C\n");
    const Outcome o = load(ini, [] {
        LANG *l = findlang("xx");
        std::printf("%s %s %s %s %c%c %s %s\n", l->lower, l->upper, l->parts, booknr(l, 1),
                    l->chars[2], l->chars[3], booknr(config_table, 1),
                    booknr(config_table->next, 1));
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "abc ABC ab A ,: C B\n");
}

TEST(HostileConfig, MissingOrMisplacedLinesEndWithOneMessage) {
    const std::string chars = "!;-.,+n.\n", lower = "_ab\n", upper = "^AB\n", parts = "&a\n";
    const struct {
        std::string ini, err;
    } cases[] = {
        {"{xx\n" + lower + upper + parts + "}\n",
         "Init (tovrin) : language 'xx' has no '!' line !\n"},
        {"{xx\n" + chars + upper + parts + "}\n",
         "Init (tovrin) : language 'xx' has no '_' line !\n"},
        {"{xx\n" + chars + lower + parts + "}\n",
         "Init (tovrin) : language 'xx' has no '^' line !\n"},
        {"{xx\n" + chars + lower + upper + "}\n",
         "Init (tovrin) : language 'xx' has no '&' line !\n"},
        // a language left open at the end of the file is checked too
        {"{xx\n" + chars + lower + upper,
         "Init (tovrin) : language 'xx' has no '&' line !\n"},
        {"{xx\n" + chars + "_abc\n" + upper + parts + "}\n",
         "Init (tovrin) : language 'xx' has lower and upper letters of different lengths !\n"},
        {"{xx\n" + chars + lower + upper + parts + "*A\n}\n",
         "Init (tovrin) : '*' line before any '+' line in language 'xx' !\n"},
        // a further name right after "{" would belong to the previous
        // language's last book
        {language("aa", "+A\n") + "{xx\n*B\n",
         "Init (tovrin) : '*' line before any '+' line in language 'xx' !\n"},
        {"!;-.,+n.\n", "Init (tovrin) : config tag not inside '{ .. }' !\n"},
        {"{xx\n!;-.,+\n", "Init (tovrin) : invalid number of chars (\?\?\?) !\n"},
        {"{xx\n!;-.,+n\r\n", "Init (tovrin) : invalid number of chars (\?\?\?) !\n"},
        {std::string("{xx\n!;-.\0,+n.\n", 14), "Init (tovrin) : invalid number of chars (\?\?\?) !\n"},
        {"{\n", "Init (tovrin) : no language specified (or leading space) !\n"},
        {"{xx\n{yy\n", "Init (tovrin) : languages can't be nested !\n"},
        {"}\n", "Init (tovrin) : no '{' to close !\n"},
    };
    for (const auto &c : cases) {
        const Outcome o = load(c.ini);
        EXPECT_EQ(o.status, 1) << show(c.ini);
        EXPECT_EQ(o.err, c.err) << show(c.ini);
        EXPECT_EQ(o.out, "") << show(c.ini);
    }
}

TEST(HostileConfig, ControlAndEightBitBytesLoadAsData) {
    // Bytes other than NUL, space, "%", CR and LF are ordinary characters of
    // names, letters and punctuation; a NUL ends what a line says.
    static const char raw[] = "{x\x80\xff\n!\x01\x80\xff;-,:\n_\xe1\xc1\n^\xc1\xe1\n"
                              "&\xe1\n+\x7f\x02\xfe\n+A\0B\n*\xff\x80\n}\n";
    const std::string ini(raw, sizeof raw - 1);
    const Outcome o = load(ini, [] {
        LANG *l = findlang("x\x80\xff");
        if (l == nullptr)
            return;
        std::printf("%d %d %d %d [%s] [%s]\n", count_books(l), l->chars[1] == '\x80',
                    findbook("\xff\x80", l), findbook("\x7f\x02\xfe", l), booknr(l, 2),
                    l->books->next->book->next->abbrev);
    });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "2 1 2 1 [A] [\xff\x80]\n");
}

} // namespace
