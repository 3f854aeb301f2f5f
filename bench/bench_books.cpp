// Book lookup by name, findbook, under the Czech folding.
//
//   main   the main names ("Gn", "1 K", "Ž"): the names written out.
//   any    every name of every book, in random order ("Genesis",
//          "První Mojžíšova", "Mat"), as readers write them.
//   miss   capitalised words that name no book, as the scanner meets them
//          in prose: the lookup must say 0.
#include <benchmark/benchmark.h>

#include "bench_support.h"

namespace {

using namespace tovrin_bench;

std::vector<std::string> shuffled(std::vector<std::string> names, std::uint32_t seed) {
    CitationMaker rng(seed);
    for (std::size_t i = names.size(); i > 1; --i)
        std::swap(names[i - 1], names[rng.below(static_cast<std::uint32_t>(i))]);
    return names;
}

std::vector<std::string> main_input() { return shuffled(main_names(czech()), kSeed + 3); }

std::vector<std::string> any_input() { return shuffled(all_names(czech()), kSeed + 4); }

std::vector<std::string> miss_input() {
    CitationMaker rng(kSeed + 5);
    std::vector<std::string> v;
    while (v.size() < kCitations) {
        std::string w(1, static_cast<char>('A' + rng.below(26)));
        for (int k = rng.between(2, 9); k > 0; --k)
            w += static_cast<char>('a' + rng.below(26));
        if (findbook(w.c_str(), czech()) == 0)
            v.push_back(std::move(w));
    }
    return v;
}

void BM_Findbook(benchmark::State &state, std::vector<std::string> (*input)()) {
    LANG *cz = czech();
    const auto names = input();
    std::size_t i = 0;
    int sum = 0;
    for (auto _ : state) {
        sum += findbook(names[i].c_str(), cz);
        if (++i == names.size())
            i = 0;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_Findbook, main, main_input);
BENCHMARK_CAPTURE(BM_Findbook, any, any_input);
BENCHMARK_CAPTURE(BM_Findbook, miss, miss_input);

} // namespace
