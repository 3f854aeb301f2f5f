// The block scanner through its C and C++ interfaces: spans in stream
// offsets whatever the blocks, and scans in several threads at once giving
// the single-thread results. (Its agreement with dorvis_core on every kind
// of text is the differential test's.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "tovrin.hpp"

namespace {

using testing_support::example_lang;
using testing_support::shipped_lang;

std::vector<std::string> texts_of(const std::string &text,
                                  const std::vector<tovrin_span> &spans) {
    std::vector<std::string> out;
    for (const tovrin_span &s : spans)
        out.push_back(text.substr(static_cast<std::size_t>(s.offset),
                                  static_cast<std::size_t>(s.length)));
    return out;
}

TEST(BlockScanner, SpansAreStreamOffsets) {
    const std::string text = "(Mt 5,3) Lk 6,2\nsee Gn 1,1-2,3a; Ex 3 and Rom 8,28+";
    const tovrin::Language xx(example_lang());
    const auto whole = tovrin::find_citations(xx, text);
    EXPECT_EQ(texts_of(text, whole),
              (std::vector<std::string>{"Mt 5,3", "Lk 6,2", "Gn 1,1-2,3a; Ex 3", "Rom 8,28+"}));
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(whole[0].offset, 1);
    // Cut after every byte, and in two at every place: the same spans.
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        tovrin::BlockScanner s(xx);
        std::vector<tovrin_span> spans;
        s.feed(std::string_view(text).substr(0, cut), spans);
        s.feed(std::string_view(text).substr(cut), spans);
        s.finish(spans);
        EXPECT_EQ(texts_of(text, spans), texts_of(text, whole)) << "cut at " << cut;
    }
}

TEST(BlockScanner, EdgesOfTheInterface) {
    EXPECT_EQ(tovrin_scanner_new(nullptr, 0), nullptr);
    // An empty stream, empty blocks, spans dropped, and nothing after finish.
    tovrin_scanner *s = tovrin_scanner_new(example_lang(), 0);
    ASSERT_NE(s, nullptr);
    int spans = 0;
    const auto count = [](const tovrin_span *, void *n) { ++*static_cast<int *>(n); };
    tovrin_scanner_feed(s, "", 0, count, &spans);
    tovrin_scanner_feed(s, "(Mt 5,3) ", 9, nullptr, nullptr); // decided in the block
    tovrin_scanner_feed(s, "Lk 6", 4, count, &spans);
    tovrin_scanner_finish(s, count, &spans);
    tovrin_scanner_feed(s, " Mt 1,1", 7, count, &spans);
    tovrin_scanner_finish(s, count, &spans);
    tovrin_scanner_free(s);
    EXPECT_EQ(spans, 1); // "Lk 6", decided at the end of the stream
    EXPECT_TRUE(tovrin::find_citations(tovrin::Language(example_lang()), "").empty());
}

// Four scans at once, each in its own language and thread, fed in blocks of
// different sizes: each gets what it gets alone. The languages are loaded
// afresh, so the threads also build their tables at the same time.
TEST(BlockScanner, ScansInSeveralThreadsAtOnce) {
    testing_support::TempDir dir;
    const auto made = testing_support::run_command(
        "python3 " + testing_support::source_dir() + "/bench/make_corpus.py --data " +
            testing_support::source_dir() + "/data cite 300K corpus.txt",
        dir.path());
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string corpus = dir.read("corpus.txt");
    ASSERT_NE(shipped_lang("cz"), nullptr);
    tovrin_init_file((testing_support::source_dir() + "/data/bibl.ini").c_str());
    const char *names[] = {"cz", "en", "de", "la"};
    std::vector<tovrin::Language> langs;
    for (const char *name : names) {
        LANG *l = findlang(name);
        ASSERT_NE(l, nullptr);
        langs.emplace_back(l);
    }

    std::vector<std::vector<tovrin_span>> together(4);
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < 4; ++k)
        threads.emplace_back([&, k] {
            tovrin::BlockScanner s(langs[k]);
            const std::size_t block = 1000 + 777 * k;
            for (std::size_t at = 0; at < corpus.size(); at += block)
                s.feed(std::string_view(corpus).substr(at, block), together[k]);
            s.finish(together[k]);
        });
    for (auto &t : threads)
        t.join();

    for (std::size_t k = 0; k < 4; ++k) {
        const auto alone = tovrin::find_citations(langs[k], corpus);
        EXPECT_GT(alone.size(), 100u) << names[k];
        ASSERT_EQ(together[k].size(), alone.size()) << names[k];
        for (std::size_t i = 0; i < alone.size(); ++i) {
            EXPECT_EQ(together[k][i].offset, alone[i].offset) << names[k] << " " << i;
            EXPECT_EQ(together[k][i].length, alone[i].length) << names[k] << " " << i;
        }
    }
}

} // namespace

// The existence option: numbers written like citations that name no real
// chapter or verse are not taken for one, and a citation is read only as
// far as it exists. Without the option the same texts are citations.
TEST(BlockScanner, ExistingCitationsOnly) {
    const struct {
        const char *lang, *text;
        std::vector<std::string> exact, existing;
    } cases[] = {
        {"cz", "píseň EZ 508,1 a EZD 681,1", {"EZ 508,1", "EZD 681,1"}, {}},
        {"cz", "viz PL 38, 1134.", {"PL 38"}, {}},
        {"cz", "Na 5 minut", {"Na 5"}, {}},
        {"cz", "Mt 5,100 a Mt 29,1", {"Mt 5,100", "Mt 29,1"}, {"Mt 5"}},
        {"cz", "J 3,36n; Ž 51,21; Mal 3,24", {"J 3,36n; Ž 51,21; Mal 3,24"},
         {"J 3,36n; Ž 51,21; Mal 3,24"}},
        {"cz", "J 3,16-99", {"J 3,16-99"}, {"J 3,16"}},
        // Malachi has 4 chapters in the KJV numbering, 3 in Hebrew; Psalm 51
        // has 19 verses in the KJV numbering, which Reina-Valera follows.
        {"es-colon", "Mal 4:6 y Sal 51:21", {"Mal 4:6", "Sal 51:21"}, {"Mal 4:6", "Sal 51"}},
        // English readers also use Catholic Bibles (NABRE), with the Hebrew
        // count of 21 verses.
        {"en", "Mal 4:6 and Ps 51:22", {"Mal 4:6", "Ps 51:22"}, {"Mal 4:6", "Ps 51"}},
        {"de", "Mal 4,6 und Tob 1,1", {"Mal 4,6", "Tob 1,1"}, {"Tob 1,1"}},
        // A language without numbering systems has no existence test.
        {nullptr, "Mt 99,1", {"Mt 99,1"}, {"Mt 99,1"}},
    };
    for (const auto &c : cases) {
        const tovrin::Language l(c.lang == nullptr ? example_lang() : shipped_lang(c.lang));
        EXPECT_EQ(texts_of(c.text, tovrin::find_citations(l, c.text)), c.exact) << c.text;
        EXPECT_EQ(texts_of(c.text, tovrin::find_citations(l, c.text, TOVRIN_SCAN_EXISTING)),
                  c.existing)
            << c.text;
    }
}

// Every citation of the shipped sample that exists is still found, in the
// same place, when the scan asks for existing citations.
TEST(BlockScanner, ExistingCitationsOfTheSampleAreKept) {
    const std::string sample = testing_support::read_file(testing_support::source_dir() +
                                                          "/data/nztexty.tex");
    ASSERT_FALSE(sample.empty());
    for (const char *name : {"cz", "sk", "en", "de", "la"}) {
        const tovrin::Language l(shipped_lang(name));
        const auto existing = tovrin::find_citations(l, sample, TOVRIN_SCAN_EXISTING);
        int kept = 0;
        for (const tovrin_span &s : tovrin::find_citations(l, sample)) {
            const std::string cite = sample.substr(static_cast<std::size_t>(s.offset),
                                                   static_cast<std::size_t>(s.length));
            if (tovrin_exists(cite.c_str(), l.get(), nullptr) != 0)
                continue;
            ++kept;
            EXPECT_TRUE(std::any_of(existing.begin(), existing.end(), [&](const tovrin_span &e) {
                return e.offset == s.offset && e.length == s.length;
            })) << name << ": " << cite;
        }
        EXPECT_GT(kept, 0) << name;
    }
}
