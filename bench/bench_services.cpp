// The services on whole citations, one citation (or pair) per iteration:
// canonical expansion, translation from Czech into English, and the
// overlap test.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_support.h"

namespace {

using namespace tovrin_bench;

// Runs `service` over the generated citations; it returns a heap text.
template <class Service>
void run_text_service(benchmark::State &state, Service service) {
    const auto cites = citations();
    std::size_t i = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto &c = cites[i];
        char *text = service(c.c_str());
        benchmark::DoNotOptimize(text);
        std::free(text);
        bytes += static_cast<std::int64_t>(c.size());
        if (++i == cites.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}

void BM_Expand(benchmark::State &state) {
    LANG *cz = czech();
    run_text_service(state, [cz](const char *c) { return tovrin_expand(c, cz); });
}
BENCHMARK(BM_Expand);

void BM_TransCite(benchmark::State &state) {
    LANG *cz = czech();
    LANG *en = language("en");
    if (en == nullptr) {
        state.SkipWithError("no language 'en' in bibl.ini");
        return;
    }
    run_text_service(state, [cz, en](const char *c) { return trans_cite(c, cz, en); });
}
BENCHMARK(BM_TransCite);

// Pairs of citations; in half of them the second one cites the first one's
// book, so that the unit comparisons, not only the book numbers, are run.
std::vector<std::pair<std::string, std::string>> pairs() {
    LANG *cz = czech();
    const int books = static_cast<int>(main_names(cz).size());
    CitationMaker maker(kSeed + 1);
    std::vector<std::pair<std::string, std::string>> v;
    for (std::size_t i = 0; i < kCitations; ++i) {
        const int book = maker.between(1, books);
        std::string first = maker.make(book);
        std::string second = maker.below(2) ? maker.make(book) : maker.make();
        v.emplace_back(std::move(first), std::move(second));
    }
    return v;
}

void BM_IsEqual(benchmark::State &state) {
    LANG *cz = czech();
    const auto input = pairs();
    std::size_t i = 0;
    int overlaps = 0;
    for (auto _ : state) {
        const auto &[a, b] = input[i];
        overlaps += tovrin_is_equal(a.c_str(), b.c_str(), cz, cz);
        if (++i == input.size())
            i = 0;
    }
    benchmark::DoNotOptimize(overlaps);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsEqual);

} // namespace
