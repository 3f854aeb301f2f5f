// Inputs shared by the benchmark programs: the shipped languages, loaded once
// per process, and random Czech citations drawn from a fixed seed, so that
// every run of every program measures the same bytes.
#ifndef TOVRIN_BENCH_SUPPORT_H
#define TOVRIN_BENCH_SUPPORT_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tovrin.h"

namespace tovrin_bench {

// Seed of every generated input. Change it only together with the recorded
// results in bench/RESULTS.md.
constexpr std::uint32_t kSeed = 20240611;

// How many citations a benchmark cycles through: enough that branch
// predictors cannot learn the sequence, few enough to stay in cache, so the
// figures are the library's and not the memory's.
constexpr std::size_t kCitations = 4096;

// The language `name` of the shipped data/bibl.ini, read with
// tovrin_init_file() on the first call; null when the file does not define
// it.
LANG *language(const char *name);

// The Czech language; ends the process with a message when it is missing,
// since every benchmark needs it.
LANG *czech();

// Main names of the books of `l`, in book order.
std::vector<std::string> main_names(LANG *l);

// Every name of every book of `l` (main names and the others).
std::vector<std::string> all_names(LANG *l);

// Random valid Czech citations in the forms readers write: "Mt 5,3",
// "J 3,16-18", "Gn 1,1-2,3", "L 6,20n", "Ř 8,28+", "Iz 40-55", "1 K 13,4.7",
// "Mk 1,2a", "Gn 2,4b-25", "Ž 23", and lists of them joined by "; ", with or
// without a new book name. Chapters and verses stay between 1 and 99 and
// ranges ascend, so every citation passes the validity checks.
class CitationMaker {
public:
    explicit CitationMaker(std::uint32_t seed = kSeed);

    // A citation of a random book, or of book number `book` (from 1).
    std::string make();
    std::string make(int book);

    // Numbers from the generator: [0, n) and [lo, hi].
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    int between(int lo, int hi) { return lo + static_cast<int>(below(hi - lo + 1)); }

private:
    std::string tail();

    // std::mt19937 gives the same sequence everywhere; the standard
    // distributions do not, hence the plain modulo above.
    std::mt19937 rng_;
    std::vector<std::string> books_;
};

// `n` citations of CitationMaker(seed).
std::vector<std::string> citations(std::size_t n = kCitations, std::uint32_t seed = kSeed);

// Total length in bytes of `v`.
std::int64_t total_bytes(const std::vector<std::string> &v);

} // namespace tovrin_bench

#endif
