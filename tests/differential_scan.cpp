// The library's scanner against the straightforward one (reference_scanner), on
// the shipped sample, the benchmark corpus and random texts: the same bytes
// written, the same citations found, in the same order. The block scanner
// against the library's scanner on the same texts, cut into blocks at random:
// the same citations at the same offsets. This file is built
// twice: against the library (a ring of 100000 characters) and with the
// scanner compiled with a ring of a few dozen characters, where long runs,
// the ring-full rule and citations across the ring's end are cheap to reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "internal.h"
#include "reference_scanner.h"
#include "test_support.h"

namespace {

using reference::Piece;

const int kRing = tovrin::detail::scan_ring;

using testing_support::shipped_lang;

void expect_same_scan(const std::string &text, LANG *l, const std::string &what,
                      unsigned flags = 0) {
    const auto want = reference::scan(text, l, kRing, flags);
    const auto got = reference::library_scan(text, l, kRing, flags);
    if (got != want) {
        ADD_FAILURE() << what << "\n  reference: " << reference::describe(want)
                      << "\n  library:   " << reference::describe(got);
    }
}

using Spans = std::vector<std::pair<long long, long long>>;

// Where the citations of a scan lie in its input.
Spans citation_spans(const std::vector<Piece> &pieces) {
    Spans spans;
    long long at = 0;
    for (const Piece &p : pieces) {
        const auto len = static_cast<long long>(p.text.size());
        if (p.citation)
            spans.emplace_back(at, len);
        at += len;
    }
    return spans;
}

// The block scanner's spans over `text` fed in blocks of the given sizes
// (the last block takes what is left).
Spans block_spans(const std::string &text, LANG *l, const std::vector<std::size_t> &cuts,
                  unsigned flags) {
    Spans spans;
    tovrin_scanner *s = tovrin_scanner_new(l, flags);
    const auto collect = [](const tovrin_span *span, void *ctx) {
        static_cast<Spans *>(ctx)->emplace_back(span->offset, span->length);
    };
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t n = std::min(cut, text.size() - at);
        tovrin_scanner_feed(s, text.data() + at, n, collect, &spans);
        at += n;
    }
    tovrin_scanner_feed(s, text.data() + at, text.size() - at, collect, &spans);
    tovrin_scanner_finish(s, collect, &spans);
    tovrin_scanner_free(s);
    return spans;
}

// Random block sizes: mostly small, sometimes one byte, sometimes large.
std::vector<std::size_t> random_cuts(std::mt19937 &rng, std::size_t total) {
    std::vector<std::size_t> cuts;
    std::size_t sum = 0;
    while (sum < total) {
        const std::size_t kind = rng() % 4;
        const std::size_t n = kind == 0   ? 1
                              : kind == 1 ? 1 + rng() % 16
                              : kind == 2 ? 1 + rng() % 512
                                          : 1 + rng() % (total + 1);
        cuts.push_back(n);
        sum += n;
    }
    return cuts;
}

// The block scanner finds what tovrin_dorvis finds with the same flags:
// whole, byte by byte, and in random blocks.
void expect_same_blocks(const std::string &text, LANG *l, const std::string &what,
                        std::mt19937 &rng, unsigned flags = 0) {
    const Spans want = citation_spans(reference::library_scan(text, l, kRing, flags));
    const std::vector<std::vector<std::size_t>> ways = {
        {text.size()}, std::vector<std::size_t>(std::min<std::size_t>(text.size(), 3000), 1),
        random_cuts(rng, text.size()), random_cuts(rng, text.size())};
    for (std::size_t w = 0; w < ways.size(); ++w) {
        const Spans got = block_spans(text, l, ways[w], flags);
        if (got != want) {
            std::size_t k = 0;
            while (k < got.size() && k < want.size() && got[k] == want[k])
                ++k;
            ADD_FAILURE() << what << ", cut " << w << ": " << got.size() << " spans, want "
                          << want.size() << "; first difference at span " << k << " ("
                          << (k < want.size() ? text.substr(want[k].first, want[k].second)
                                              : std::string("none"))
                          << " / "
                          << (k < got.size() ? text.substr(got[k].first, got[k].second)
                                             : std::string("none"))
                          << ")";
        }
    }
}

// Random text from pieces that matter to the scanner: citations of every
// form, near misses, prose, punctuation, line ends, odd bytes and runs.
std::string random_text(std::mt19937 &rng, const std::vector<std::string> &pieces,
                        std::size_t count, std::size_t longest_run) {
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() + 3);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t k = pick(rng);
        if (k < pieces.size()) {
            s += pieces[k];
            continue;
        }
        // A run of one character, sometimes longer than the ring.
        static const char runs[] = {' ', '7', 'x', 'M', 'n', '.'};
        std::uniform_int_distribution<std::size_t> len(1, longest_run);
        s += std::string(len(rng), runs[rng() % sizeof runs]);
    }
    return s;
}

const std::vector<std::string> kExamplePieces = {
    "Mt 5,3", "Lk 6,20n", "1 Jn 2,1nn", "Gn 1,5-2,3", "Gn 1-2,3", "Gn 1,5a-7b", "Gn-Ex",
    "Gn-Ex 3,4", "Jn 3,16.18", "Rom 8,28+", "Mt 5,3-1", "Mt 0,5", "Xy 3,4", "Mt 5,3; 6,1",
    "1. Jn 3", "J 3,16 n", "Mt 1000,1", "Gn 1; 5n", "Gn 1; 5 n", " ", "  ", "(", ")", ";",
    ",", ".", "-", "+", "n", "\n", "\r", "\t", std::string(1, '\0'), "\xff", "\xc3\xa1",
    "Praha", "a", "Karel IV.", "99,5 %", "5", "12", "2,3", "Ex", "Mk 1,2.", "Lk 3,4 a",
    // Words that begin a book name, or stop being one, at every length.
    "Gen", "Gene 3,4", "Genesis 3,4", "Genesisx 1,1", "EXODUS 3,4", "exodus 3,4", "Exod",
    "Matx", "Mat. 5,3", "R 8", "Ro 8", "Romans 8,1", "1 J", "1 Jx 2,1", "Jn. 3,16",
    // Numbers that begin a book name, or cannot.
    "1Jn 2,1", "11 Jn 3", "21 Jn 3", "1 1", "1 2 Jn", "2 Jn", "1989", "7 Mt 5,3", "1.J 3,3",
};

TEST(ScanDifferential, RandomTextsInTheExampleLanguage) {
    std::mt19937 rng(20261210);
    for (int round = 0; round < 300; ++round) {
        const std::size_t longest = kRing < 1000 ? 3 * kRing : 40;
        const std::string text = random_text(rng, kExamplePieces, 40, longest);
        expect_same_scan(text, testing_support::example_lang(), "round " + std::to_string(round));
        expect_same_blocks(text, testing_support::example_lang(),
                           "round " + std::to_string(round), rng);
    }
}

// Citation-like pieces of a language: its book names with chapters and
// verses written with its own punctuation, near misses, words and bytes.
std::vector<std::string> pieces_of(LANG *l, std::mt19937 &rng) {
    const std::string sep(1, l->chars[0]), range(1, l->chars[1]), list(1, l->chars[2]),
        cv(1, l->chars[3]), open(1, l->chars[4]), next(1, l->chars[5]);
    std::vector<std::string> pieces = {
        " ", "  ", "\n", "\n\n", ",", ".", ";", "(", ")", "-", "~", "--", "5", "12", "1000",
        "0", "a", "Und", "The", "Praha", "\xc3\xa1", "\xc5\xbe", "\xff", "x", sep, range, next,
    };
    int books = 0;
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        ++books;
    for (int k = 0; k < 60; ++k) {
        const int n = 1 + static_cast<int>(rng() % books);
        const std::string name = booknr(l, n);
        const std::string c = std::to_string(1 + rng() % 30), v = std::to_string(1 + rng() % 40);
        switch (rng() % 6) {
        case 0: pieces.push_back(name + " " + c); break;
        case 1: pieces.push_back(name + " " + c + cv + v); break;
        case 2: pieces.push_back(name + " " + c + cv + v + range + std::to_string(41 + rng() % 9)); break;
        case 3: pieces.push_back(name + " " + c + cv + v + list + v + next); break;
        case 4: pieces.push_back(name + " " + c + cv + v + open + sep + " " + c); break;
        default: pieces.push_back(name); break;
        }
    }
    return pieces;
}

TEST(ScanDifferential, BlocksInEveryShippedLanguage) {
    std::mt19937 rng(1210);
    for (const char *name : {"cz", "sk", "en", "de", "la"}) {
        LANG *l = shipped_lang(name);
        const auto pieces = pieces_of(l, rng);
        for (int round = 0; round < 60; ++round) {
            const std::size_t longest = kRing < 1000 ? 3 * kRing : 40;
            expect_same_blocks(random_text(rng, pieces, 60, longest), l,
                               std::string(name) + " round " + std::to_string(round), rng);
        }
    }
}

TEST(ScanDifferential, RandomTextsInCzech) {
    LANG *cz = shipped_lang("cz");
    const std::vector<std::string> pieces = {
        "Mt 5,3-12", "L 6,20n", "1 J 2,1nn", "Gn 1,1-2,3", "Iz 40-55", "Mk 1,2a", "Ř 8,28+",
        "Gn-Dt", "Joz-2 Kr 25", "1 Kor 13,4", "1Kor 13,4", "I. Kor. 13,4", "Mat. 5,3",
        "Žalm 23", "Ž 23,1", "Na 5", "že", "řeč", "Číslo", "Šalomoun", " ", ";", ",", ".", "\n",
        "Praha 5", "str. 44, 129 a 131", "99,5 %", "v roce 1989", "\\textbf{", "}", "~", "--",
    };
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::size_t longest = kRing < 1000 ? 3 * kRing : 30;
        expect_same_scan(random_text(rng, pieces, 40, longest), cz,
                         "round " + std::to_string(round));
    }
}

TEST(ScanDifferential, ShippedSampleInEveryLanguage) {
    const std::string sample = testing_support::read_file(testing_support::source_dir() + "/data/nztexty.tex");
    ASSERT_FALSE(sample.empty());
    std::mt19937 rng(5);
    for (const char *name : {"cz", "sk", "en", "de", "la"}) {
        expect_same_scan(sample, shipped_lang(name), name);
        expect_same_blocks(sample, shipped_lang(name), name, rng);
    }
}

// The benchmark's corpus (Czech prose with a generated citation every ~300
// bytes, bench/make_corpus.py, fixed seed), 500 KB of it.
TEST(ScanDifferential, BenchmarkCorpus) {
    testing_support::TempDir dir;
    const auto made = testing_support::run_command(
        "python3 " + testing_support::source_dir() + "/bench/make_corpus.py --data " +
        testing_support::source_dir() + "/data cite 500K corpus.txt", dir.path());
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string corpus = dir.read("corpus.txt");
    ASSERT_GT(corpus.size(), 500000u);
    expect_same_scan(corpus, shipped_lang("cz"), "benchmark corpus");
    std::mt19937 rng(300);
    expect_same_blocks(corpus, shipped_lang("cz"), "benchmark corpus", rng);
}

// With the existence test, in the languages that have numbering systems:
// the pieces name chapters up to 30 and verses up to 49, so many name a
// chapter or verse that does not exist, and a longer prefix fails where a
// shorter one exists ("Mt 5,3-49").
TEST(ScanDifferential, ExistingCitationsInEveryShippedLanguage) {
    std::mt19937 rng(1214);
    const std::string sample = testing_support::read_file(testing_support::source_dir() + "/data/nztexty.tex");
    for (const char *name : {"cz", "sk", "en", "de", "la"}) {
        LANG *l = shipped_lang(name);
        auto pieces = pieces_of(l, rng);
        pieces.insert(pieces.end(), {"Mt 29,1", "J 3,36n", "J 3,99", "Na 5", "Ju 2", "Jude 2"});
        int changed = 0; // texts the test changes: the test is not idle
        for (int round = 0; round < 40; ++round) {
            const std::string what = std::string(name) + " round " + std::to_string(round);
            const std::string text = random_text(rng, pieces, 50, kRing < 1000 ? 3 * kRing : 30);
            expect_same_scan(text, l, what, TOVRIN_SCAN_EXISTING);
            expect_same_blocks(text, l, what, rng, TOVRIN_SCAN_EXISTING);
            changed += reference::library_scan(text, l, kRing, TOVRIN_SCAN_EXISTING) !=
                       reference::library_scan(text, l, kRing);
        }
        EXPECT_GT(changed, 20) << name;
        expect_same_scan(sample, l, name, TOVRIN_SCAN_EXISTING);
        expect_same_blocks(sample, l, name, rng, TOVRIN_SCAN_EXISTING);
    }
}

// Long runs that the lexer does not stop in, longer than the ring: the
// ring-full rule writes one character at a time and restarts the lexer.
TEST(ScanDifferential, RunsLongerThanTheRing) {
    if (kRing > 1000)
        GTEST_SKIP() << "the straightforward scanner needs hours for such runs at this ring size";
    LANG *l = testing_support::example_lang();
    std::mt19937 rng(61);
    // Chains that keep the lexer going ("Mt 0,3; ...") are where the block
    // scanner takes over the runs of earlier starts.
    for (const std::string unit : {" ", "7", "x", "M", "n", "ab", "Mt ", "Gn 1; ", "1 ",
                                   "Mt 0,3; ", "Mt 5,3; 1 ", "Gn 1,2-3.4; "}) {
        for (int times : {kRing - 1, kRing, kRing + 1, 3 * kRing}) {
            std::string run;
            for (int i = 0; i < times; ++i)
                run += unit;
            for (const char *tail : {"", "\n", " Mt 5,3", "5,3 x", "Mt 5,3"}) {
                const std::string what = "'" + unit + "' x " + std::to_string(times) + " + '" +
                                         std::string(tail) + "'";
                expect_same_scan(run + tail, l, what);
                expect_same_blocks(run + tail, l, what, rng);
            }
            expect_same_scan("Mt 5,3 " + run + "Lk 6,2", l, "run between citations");
            expect_same_blocks("Mt 5,3 " + run + "Lk 6,2", l, "run between citations", rng);
        }
    }
}

// A citation right behind text that filled the ring: the word-boundary
// rule looks at the character written just before it, which the ring-full
// rule wrote while the lexer was still going.
TEST(ScanDifferential, CitationJustAfterARingFull) {
    LANG *l = testing_support::example_lang();
    const std::string run(kRing + 3, ' ');
    const struct {
        std::string text;
        std::vector<std::string> cites;
    } cases[] = {
        {"Mt" + run + "5,3 Lk 6,2n.", {"Lk 6,2n"}},
        {std::string(kRing + 3, '7') + "Mt 5,3", {"Mt 5,3"}},
        {std::string(kRing + 3, '7') + "1 Jn 2,1", {"Jn 2,1"}},
        {std::string(kRing + 3, 'x') + "Mt 5,3 Lk 6,2", {"Lk 6,2"}},
        {"Gn 1," + std::string(kRing + 3, '4') + " Ex 2,1", {"Ex 2,1"}},
    };
    for (const auto &c : cases) {
        const auto got = reference::library_scan(c.text, l, kRing);
        std::vector<std::string> cites;
        for (const Piece &p : got)
            if (p.citation)
                cites.push_back(p.text);
        EXPECT_EQ(cites, c.cites) << c.text.substr(0, 12);
        if (kRing < 1000) // the straightforward scanner is too slow at full size
            expect_same_scan(c.text, l, c.text.substr(0, 12));
        std::mt19937 rng(static_cast<unsigned>(c.text.size()));
        expect_same_blocks(c.text, l, c.text.substr(0, 12), rng);
    }
}

} // namespace
