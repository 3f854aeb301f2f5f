// The block scanner through its C and C++ interfaces: spans in stream
// offsets whatever the blocks, and scans in several threads at once giving
// the single-thread results. (Its agreement with dorvis_core on every kind
// of text is the differential test's.)
#include <gtest/gtest.h>

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
