// The scanner's acceptance test of one candidate, check_lev: the test of the
// first character, then the validity checks, each of which lexes the
// candidate again.
//
//   valid     generated citations: every check runs to the end.
//   rejected  candidates as ordinary text produces them, each refused at a
//             different stage: a lower-case first character (no lexing), a
//             lexer error, an unknown book, chapter 0, a reversed range, a
//             bare book name (the last check).
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "internal.h"

namespace {

using namespace tovrin_bench;

std::vector<std::string> rejected() {
    const auto names = main_names(czech());
    CitationMaker maker(kSeed + 2);
    std::vector<std::string> v;
    const auto book = [&] { return names[maker.below(static_cast<std::uint32_t>(names.size()))]; };
    const auto n = [&] { return std::to_string(maker.between(1, 50)); };
    for (std::size_t i = 0; v.size() < kCitations; ++i) {
        switch (i % 6) {
        case 0: v.push_back("slovo " + n()); break;                   // first character
        case 1: v.push_back(book() + " " + n() + ",,"); break;        // lexer error
        case 2: v.push_back("Xyz " + n() + "," + n()); break;         // unknown book
        case 3: v.push_back(book() + " 0," + n()); break;             // chapter 0
        case 4: {                                                     // reversed range
            const int from = maker.between(2, 40);
            v.push_back(book() + " " + n() + "," + std::to_string(from) + "-" +
                        std::to_string(maker.between(1, from - 1)));
            break;
        }
        default: v.push_back(book()); break;                          // no chapter
        }
    }
    return v;
}

void BM_CheckLev(benchmark::State &state, std::vector<std::string> (*input)()) {
    // check_lev reads the language of the scan from the scanner's global.
    lg = czech();
    const auto cands = input();
    std::size_t i = 0;
    std::int64_t bytes = 0;
    int accepted = 0;
    for (auto _ : state) {
        const auto &c = cands[i];
        accepted += tovrin::detail::check_lev(c.c_str());
        bytes += static_cast<std::int64_t>(c.size());
        if (++i == cands.size())
            i = 0;
    }
    // The share of candidates accepted: 1 for the valid ones, 0 for the
    // rejected ones, or the inputs are not what the name says.
    state.counters["accepted"] = static_cast<double>(accepted) / state.iterations();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}

std::vector<std::string> valid() { return citations(); }

BENCHMARK_CAPTURE(BM_CheckLev, valid, valid);
BENCHMARK_CAPTURE(BM_CheckLev, rejected, rejected);

} // namespace
