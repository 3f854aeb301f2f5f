// Unit assembly: makepus (lexing, token-to-unit assembly, book lookup) and
// freepus, one citation per iteration.
#include <benchmark/benchmark.h>

#include "bench_support.h"

namespace {

using namespace tovrin_bench;

void BM_Makepus(benchmark::State &state) {
    LANG *l = czech();
    const auto cites = citations();
    std::size_t i = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto &c = cites[i];
        PARS_UNIT **units = makepus(c.c_str(), l);
        benchmark::DoNotOptimize(units);
        freepus(units);
        bytes += static_cast<std::int64_t>(c.size());
        if (++i == cites.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Makepus);

} // namespace
