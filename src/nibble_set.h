// Sets of bytes searched for 32 bytes at a time: the search for the bytes
// that may begin a citation (the block scanner) and for the bytes that may
// begin a typographic form or a phrase (the text stage).
#ifndef TOVRIN_NIBBLE_SET_H
#define TOVRIN_NIBBLE_SET_H

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TOVRIN_NIBBLE_X86 1
#endif

namespace tovrin::detail {

// A set of bytes as the nibble tables of a SIMD membership test: for a byte
// with low nibble `lo` and high nibble `hi`, it is in the set when bit
// (hi & 7) of low[lo] (hi < 8) or of high[lo] (hi >= 8) is set.
struct NibbleSet {
    alignas(16) std::uint8_t low[16] = {};
    alignas(16) std::uint8_t high[16] = {};

    void add(unsigned b) {
        (b < 128 ? low : high)[b & 15] |= static_cast<std::uint8_t>(1u << ((b >> 4) & 7));
    }
};

#ifdef TOVRIN_NIBBLE_X86
// Bit k of the result is set when byte k of `x` is in `s`; `lo` holds the
// low nibbles of `x`, `bit` the bit of each byte's high nibble.
__attribute__((target("avx2"))) inline std::uint32_t members32(__m256i x, __m256i lo,
                                                               __m256i bit,
                                                               const NibbleSet &s) {
    const __m256i low = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i *>(s.low)));
    const __m256i high = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i *>(s.high)));
    const __m256i row = _mm256_blendv_epi8(_mm256_shuffle_epi8(low, lo),
                                           _mm256_shuffle_epi8(high, lo), x);
    const __m256i hit = _mm256_and_si256(row, bit);
    return ~static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256())));
}

// The first byte of d[from, n) in `s` (whose members are also true in
// `table`), or n.
__attribute__((target("avx2"))) inline std::size_t find_member_avx2(const unsigned char *d,
                                                                   std::size_t from,
                                                                   std::size_t n,
                                                                   const NibbleSet &s,
                                                                   const bool *table) {
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i bits = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64,
                                          -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                          32, 64, -128);
    std::size_t i = from;
    for (; i + 32 <= n; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + i));
        const __m256i lo = _mm256_and_si256(x, nibble);
        const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);
        const __m256i bit = _mm256_shuffle_epi8(bits, hi);
        if (const std::uint32_t hits = members32(x, lo, bit, s))
            return i + static_cast<std::size_t>(__builtin_ctz(hits));
    }
    while (i < n && !table[d[i]])
        ++i;
    return i;
}
#endif

} // namespace tovrin::detail

#endif
