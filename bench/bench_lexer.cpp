// Lexer throughput: citations fed character by character to tovrin_parser,
// the terminating NUL included, as makepus and the checks feed them.
//
//   mixed  the generated citations, 13 bytes on average: the cost per
//          record (init, one heap text per token, release) weighs as much
//          as the cost per character.
//   list   32 of them joined by "; " into one citation of ~470 bytes: the
//          cost per character with the per-record cost spread thin.
#include <benchmark/benchmark.h>

#include "bench_support.h"

namespace {

using namespace tovrin_bench;

// Lexes `cite` to its end or first error; returns the number of tokens.
int lex(const std::string &cite, LANG *l) {
    PARS p;
    tovrin_pinit(&p, l);
    int tokens = 0;
    for (const char ch : cite) {
        tovrin_parser(static_cast<signed char>(ch), &p);
        tokens += p.ousta != 0;
        if (p.end || p.errr)
            break;
    }
    if (!p.end && !p.errr) {
        tovrin_parser('\0', &p);
        tokens += p.ousta != 0;
    }
    tovrin_pfree(&p);
    return tokens;
}

std::vector<std::string> lists() {
    const auto cites = citations();
    std::vector<std::string> v;
    for (std::size_t i = 0; i + 32 <= cites.size(); i += 32) {
        std::string s = cites[i];
        for (std::size_t k = 1; k < 32; ++k)
            s += "; " + cites[i + k];
        v.push_back(std::move(s));
    }
    return v;
}

void BM_Lex(benchmark::State &state, const std::vector<std::string> &(*input)()) {
    LANG *l = czech();
    const auto &cites = input();
    std::size_t i = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto &c = cites[i];
        benchmark::DoNotOptimize(lex(c, l));
        bytes += static_cast<std::int64_t>(c.size()) + 1;
        if (++i == cites.size())
            i = 0;
    }
    state.SetBytesProcessed(bytes);
    state.SetItemsProcessed(state.iterations());
}

const std::vector<std::string> &mixed_input() {
    static const auto v = citations();
    return v;
}

const std::vector<std::string> &list_input() {
    static const auto v = lists();
    return v;
}

BENCHMARK_CAPTURE(BM_Lex, mixed, mixed_input);
BENCHMARK_CAPTURE(BM_Lex, list, list_input);

} // namespace
