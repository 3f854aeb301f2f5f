// The block scanner: the stream scanner's decisions on blocks of any size,
// with all state in one object.
//
// The stream scanner (scanner.cpp) pulls one byte at a time through a
// callback and writes every byte back; a program that only wants to know
// where the citations are pays for both. Here the text arrives in blocks,
// and only the citations go out, as spans. The decisions are those of
// dorvis_core, followed in absolute stream positions:
//  * A citation begins with a capital or a digit that does not continue the
//    word or number before it. Every other byte is text whatever follows
//    it, and no decision that writes text jumps over such a start (a run of
//    spaces or letters holds none), so the scan goes from one start to the
//    next. The starts are found 32 (AVX2) or 16 (SSE2) bytes at a time.
//  * At a start the lexer runs until it stops, and the candidate from the
//    start up to that point is judged in place (longest_citation). After a
//    citation the next candidate begins right behind it, but its lexer run
//    begins one byte later, as in dorvis_core.
//  * The ring of dorvis_core holds the pending text: when the lexer is about
//    to read the byte that would make `scan_ring` bytes pending, the first
//    pending byte is text, and the lexer starts again at the next start.
//  * A word that begins no book name, or a number whose first digits begin
//    none, is no citation, whatever the lexer would read behind it.
// Only the undecided end of the stream (from the first undecided byte on,
// at most about a ring's length) is kept between blocks; a block is
// scanned where it lies once the bytes kept from earlier blocks are
// decided.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TOVRIN_X86 1
#endif

#include "internal.h"
#include "nibble_set.h"
#include "versification.h"

namespace {

using namespace tovrin::detail;

// Whether a character of class `next` continues the word or number of a
// character of class `prev`.
constexpr bool continues_word(std::uint16_t prev, std::uint16_t next) {
    return ((prev & next) & (C_LETTER | C_DIGIT)) != 0;
}

// ---- finding the bytes that may begin a citation --------------------------

// The three classes the search for starts needs, per byte and as nibble
// sets: bytes that may begin a citation (capitals and digits that begin a
// book name), letters and digits (a start must not continue a word or a
// number).
struct StartClasses {
    NibbleSet start, letter, digit;
    std::uint16_t cls[256] = {};
    bool begins[256] = {}; // the start bytes, as a table
    const LangTables *names = nullptr;
    // The ASCII start bytes lie in [ascii_first, ascii_last].
    std::uint8_t ascii_first = 0, ascii_last = 0;
};

// Bit k of the result is set when byte k of `d` (k < 32) may begin a
// citation: a start byte that does not continue the word or number of the
// byte before it, whose class is `before`.
#ifdef TOVRIN_X86
__attribute__((target("avx2"))) std::uint32_t starts32(const unsigned char *d,
                                                       std::uint16_t before,
                                                       const StartClasses &c) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d));
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i lo = _mm256_and_si256(x, nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);
    const __m256i bits = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64,
                                          -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                          32, 64, -128);
    const __m256i bit = _mm256_shuffle_epi8(bits, hi);
    const std::uint32_t start = members32(x, lo, bit, c.start);
    if (start == 0)
        return 0;
    const std::uint32_t letter = members32(x, lo, bit, c.letter);
    const std::uint32_t digit = members32(x, lo, bit, c.digit);
    const std::uint32_t prev_letter = letter << 1 | ((before & C_LETTER) != 0);
    const std::uint32_t prev_digit = digit << 1 | ((before & C_DIGIT) != 0);
    return start & ~((letter & prev_letter) | (digit & prev_digit));
}
#endif

// Whether a book name may begin at the start d[k] as far as its first
// bytes tell: the letters after a capital, or the digit after a digit, must
// go on with a name (begins_no_name() on at most four bytes). Most starts
// of running text begin none ("Když", "2020", and in Czech "že" or "řekl",
// whose lead byte is also a capital's).
inline bool may_begin_name(const unsigned char *d, std::size_t k, std::size_t n,
                           const StartClasses &c) {
    const std::uint16_t same = c.cls[d[k]] & (C_LETTER | C_DIGIT);
    const std::size_t stop = std::min(n, k + (same == C_DIGIT ? 2 : 4));
    int node = c.names->name_step(0, d[k]);
    for (std::size_t p = k + 1; p < stop && (c.cls[d[p]] & same) != 0; ++p)
        if ((node = c.names->name_step(node, d[p])) < 0)
            return false;
    return true;
}

// The first start of `hits` (bit k: d[at + k] may begin a citation) where
// a name may begin, or -1.
inline long long first_name_start(std::uint32_t hits, const unsigned char *d, std::size_t at,
                                  std::size_t n, const StartClasses &c) {
    for (; hits != 0; hits &= hits - 1) {
        const std::size_t k = at + static_cast<std::size_t>(__builtin_ctz(hits));
        if (may_begin_name(d, k, n, c))
            return static_cast<long long>(k);
    }
    return -1;
}

// The position of the first byte of d[from, n) that may begin a citation,
// or n; `before` is the class of d[from - 1] (0 when there is none).
using FindStart = std::size_t (*)(const unsigned char *d, std::size_t from, std::size_t n,
                                  std::uint16_t before, const StartClasses &c);

// One byte at a time: the portable way, and the tail of the SIMD ways.
std::size_t find_start_bytes(const unsigned char *d, std::size_t from, std::size_t n,
                             std::uint16_t before, const StartClasses &c) {
    for (std::size_t i = from; i < n; ++i) {
        const std::uint16_t k = c.cls[d[i]];
        if (c.begins[d[i]] && !continues_word(before, k) && may_begin_name(d, i, n, c))
            return i;
        before = k;
    }
    return n;
}

#ifdef TOVRIN_X86
__attribute__((target("avx2"))) std::size_t find_start_avx2(const unsigned char *d,
                                                            std::size_t from, std::size_t n,
                                                            std::uint16_t before,
                                                            const StartClasses &c) {
    std::size_t i = from;
    for (; i + 32 <= n; i += 32) {
        const std::uint32_t hits = starts32(d + i, before, c);
        if (hits != 0)
            if (const long long k = first_name_start(hits, d, i, n, c); k >= 0)
                return static_cast<std::size_t>(k);
        before = c.cls[d[i + 31]];
    }
    return find_start_bytes(d, i, n, before, c);
}

// SSE2 has no byte shuffle: it finds the bytes that may be capitals or
// digits (the ASCII range that holds them, and every byte from 128 on,
// where UTF-8 capitals begin), and the class table decides each of them.
std::size_t find_start_sse2(const unsigned char *d, std::size_t from, std::size_t n,
                            std::uint16_t before, const StartClasses &c) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(c.ascii_first));
    const __m128i width = _mm_set1_epi8(static_cast<char>(c.ascii_last - c.ascii_first));
    std::size_t i = from;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i));
        const __m128i offset = _mm_sub_epi8(x, first); // in range: at most width, unsigned
        const __m128i in_range = _mm_cmpeq_epi8(_mm_min_epu8(offset, width), offset);
        const __m128i high = _mm_cmplt_epi8(x, _mm_setzero_si128());
        auto maybe = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(in_range, high)));
        for (; maybe != 0; maybe &= maybe - 1) {
            const std::size_t k = i + static_cast<std::size_t>(__builtin_ctz(maybe));
            const std::uint16_t prev = k == from ? before : c.cls[d[k - 1]];
            const std::uint16_t cls = c.cls[d[k]];
            if (c.begins[d[k]] && !continues_word(prev, cls) && may_begin_name(d, k, n, c))
                return k;
        }
    }
    return find_start_bytes(d, i, n, i == from ? before : c.cls[d[i - 1]], c);
}
#endif

FindStart pick_find_start() {
#ifdef TOVRIN_X86
    if (__builtin_cpu_supports("avx2"))
        return find_start_avx2;
    return find_start_sse2;
#else
    return find_start_bytes;
#endif
}

StartClasses start_classes(const LangTables &t) {
    StartClasses c;
    std::memcpy(c.cls, t.cls, sizeof c.cls);
    c.names = &t;
    bool ascii = false;
    for (unsigned b = 0; b < 256; ++b) {
        // A word or number whose first byte begins no name is no citation.
        if ((t.cls[b] & (C_UPPER | C_DIGIT)) != 0 && t.name_step(0, static_cast<unsigned char>(b)) >= 0) {
            c.start.add(b);
            c.begins[b] = true;
            if (b < 128) {
                c.ascii_first = ascii ? c.ascii_first : static_cast<std::uint8_t>(b);
                c.ascii_last = static_cast<std::uint8_t>(b);
                ascii = true;
            }
        }
        if ((t.cls[b] & C_LETTER) != 0)
            c.letter.add(b);
        if ((t.cls[b] & C_DIGIT) != 0)
            c.digit.add(b);
    }
    return c;
}

// ---- the stream, as far as it is at hand ----------------------------------

// Bytes [base, end) of the stream at d; `edge` is the class of byte base - 1
// (0 at the start of the stream). At the end of the stream (`eof`), the
// position `end` reads as the end of input.
struct View {
    const unsigned char *d;
    long long base, end;
    std::uint16_t edge;
    bool eof;

    unsigned char at(long long p) const { return d[p - base]; }
};

enum class Verdict { no, maybe, more };

} // namespace

struct tovrin_scanner {
    const LangTables *t;
    const tovrin_versification *existing; // what citations must exist in, or null
    const ReadingRules *rules = nullptr;  // the default reading's, or null
    int ring;
    FindStart find_start;
    StartClasses classes;

    long long fed = 0;            // bytes received
    std::uint16_t last_cls = 0;   // class of the last byte received
    std::string kept;             // the undecided bytes [bp, fed)
    std::uint16_t kept_edge = 0;  // class of the byte before them
    long long bp = 0;             // first byte not yet decided
    bool after_citation = false;  // a citation ends at bp
    bool judging = false;         // a lexer run has ended; the judge waits for bytes
    bool lexing = false;          // a lexer run is under way:
    int dfa = 0;                  //   its state
    long long pos = 0;            //   and the next byte it reads
    bool finished = false;
    // The lexer's state after each byte of the reference run: the run that
    // reached furthest lately, by position modulo a power of two no smaller
    // than the ring (a run spans less than a ring; a mask, not a division,
    // for every byte lexed). A run that reaches the state the reference had after the
    // same byte goes on exactly as the reference did, so it jumps to where
    // that one ended: text that keeps the lexer going without a stop
    // ("Mt 0,3; Mt 0,3; ...") is not lexed again from every start in it.
    // A run keeps the states before that point aside, and writes them into
    // the trail only when it becomes the reference itself.
    std::vector<std::int8_t> trail, aside;
    std::size_t trail_mask = 0; // trail.size() - 1
    long long ref_start = 0, ref_end = 0; // the reference run's bytes
    int ref_end_state = 0;                // its state on reaching ref_end
    long long run_start = 0;              // the run under way began here,
    long long run_synced = -1;            //   met the reference here (-1: not yet)

    std::uint16_t cls_before(const View &v, long long p) const {
        if (p == 0)
            return 0;
        return p - 1 >= v.base ? t->cls[v.at(p - 1)] : v.edge;
    }

    bool may_begin(const View &v, long long p) const {
        const std::uint16_t k = t->cls[v.at(p)];
        return (k & (C_UPPER | C_DIGIT)) != 0 && !continues_word(cls_before(v, p), k);
    }

    long long next_start(const View &v, long long from) const {
        const auto n = static_cast<std::size_t>(v.end - v.base);
        const auto i = static_cast<std::size_t>(from - v.base);
        return v.base + static_cast<long long>(find_start(v.d, i, n, cls_before(v, from), classes));
    }

    // Whether the word or number at a start is no citation whatever follows
    // (more: the bytes that tell are not here yet).
    Verdict begins_no_name(const View &v, long long q) const {
        const std::uint16_t k = t->cls[v.at(q)];
        int node = 0;
        if (k & C_LETTER) {
            for (long long p = q;; ++p) {
                if (p == v.end)
                    return v.eof ? Verdict::maybe : Verdict::more;
                if ((t->cls[v.at(p)] & C_LETTER) == 0)
                    return Verdict::maybe; // a name may end with the word
                node = t->name_step(node, v.at(p));
                if (node < 0)
                    return Verdict::no;
            }
        }
        // A number: its first one or two digits begin the book names that
        // start with a number.
        node = t->name_step(0, v.at(q));
        if (node < 0)
            return Verdict::no;
        if (q + 1 == v.end)
            return v.eof ? Verdict::maybe : Verdict::more;
        if ((t->cls[v.at(q + 1)] & C_DIGIT) == 0)
            return Verdict::maybe;
        return t->name_step(node, v.at(q + 1)) < 0 ? Verdict::no : Verdict::maybe;
    }

    // Starts a lexer run for the candidate at bp; false when the bytes that
    // tell are not here yet, or none is left.
    bool begin_candidate(const View &v) {
        for (;;) {
            if (after_citation) {
                if (bp == v.end)
                    return false;
                after_citation = false;
                if (may_begin(v, bp)) {
                    pos = bp + 1; // behind the citation's end
                    break;
                }
            }
            bp = next_start(v, bp);
            if (bp == v.end)
                return false;
            const Verdict no_name = begins_no_name(v, bp);
            if (no_name == Verdict::more)
                return false;
            if (no_name == Verdict::maybe) {
                pos = bp;
                break;
            }
            ++bp; // no citation here: on to the next start
        }
        lexing = true;
        dfa = 0;
        run_start = pos;
        run_synced = -1;
        aside.clear();
        return true;
    }

    // Runs the lexer on; false when it needs bytes that are not here yet.
    // Otherwise the run has ended: stopped (true, `full` false) or cut by
    // the ring (`full` true).
    bool lex(const View &v, bool &full) {
        const long long fills = bp + ring - 1; // reading it fills the ring
        long long p = pos;
        int state = dfa;
        full = false;
        bool paused = false;
        for (;; ++p) {
            if (p >= fills) {
                full = true;
                break;
            }
            if (p == v.end) {
                paused = !v.eof; // the end of input stops the lexer
                break;
            }
            const int next = t->next[state][v.at(p)];
            if (next < 0)
                break;
            state = next;
            if (p >= ref_start && p < ref_end) {
                if (run_synced < 0 && trail[static_cast<std::size_t>(p) & trail_mask] == state) {
                    run_synced = p;
                    p = ref_end - 1; // the loop's step lands on ref_end
                    state = ref_end_state;
                } else if (run_synced < 0) {
                    aside.push_back(static_cast<std::int8_t>(state));
                }
            } else if (p >= ref_end) {
                trail[static_cast<std::size_t>(p) & trail_mask] = static_cast<std::int8_t>(state);
            } else {
                aside.push_back(static_cast<std::int8_t>(state));
            }
        }
        pos = p;
        dfa = state;
        if (paused)
            return false;
        lexing = false;
        end_run(p, state);
        return true;
    }

    // A run that ended at `p` in `state` becomes the reference when it
    // reached at least as far: its states before ref_end go into the trail.
    void end_run(long long p, int state) {
        if (p < ref_end)
            return;
        const long long kept_until = run_synced >= 0 ? run_synced : std::min(p, ref_end);
        for (long long q = run_start; q < kept_until; ++q)
            trail[static_cast<std::size_t>(q) & trail_mask] = aside[static_cast<std::size_t>(q - run_start)];
        ref_start = run_start;
        ref_end = p;
        ref_end_state = state;
    }

    // Decides every candidate that the bytes at hand decide.
    // The longest citation of the candidate [bp, pos), or kNeedMore when
    // the rules look past it at bytes that are not here yet; `skip` as in
    // Reading.
    int judge(const View &v, int &skip) const {
        skip = 0;
        const long long ap = pos;
        if (ap <= bp)
            return 0;
        const Around around{cls_before(v, bp), ap < v.end ? t->cls[v.at(ap)] : t->cls[0]};
        const char *cand = reinterpret_cast<const char *>(v.d + (bp - v.base));
        const int len = static_cast<int>(ap - bp);
        if (rules == nullptr)
            return longest_citation(cand, len, *t, around, existing);
        Reading reading{rules, v.end - bp, !v.eof, 0};
        const int k = longest_citation(cand, len, *t, around, existing, reading);
        skip = reading.skip;
        return k;
    }

    void run(const View &v, tovrin_span_fn fn, void *ctx) {
        for (;;) {
            if (!judging) {
                if (!lexing && !begin_candidate(v))
                    return;
                bool full = false;
                if (!lex(v, full))
                    return;
                if (full) {
                    ++bp; // the first pending byte is text
                    after_citation = false;
                    continue;
                }
            }
            int skip = 0;
            const int k = judge(v, skip);
            judging = k == kNeedMore;
            if (judging)
                return;
            if (k > 0) {
                if (fn != nullptr) {
                    const tovrin_span span{bp, k};
                    fn(&span, ctx);
                }
                bp += k;
                after_citation = true;
            } else {
                bp += std::max(skip, 1);
            }
        }
    }

    View kept_view(bool eof) const {
        return View{reinterpret_cast<const unsigned char *>(kept.data()), bp,
                    bp + static_cast<long long>(kept.size()), kept_edge, eof};
    }

    // Keeps the undecided bytes [bp, v.end) of a view for the next block.
    void keep(const View &v, const unsigned char *from_view) {
        const std::uint16_t edge = cls_before(v, bp);
        kept.assign(reinterpret_cast<const char *>(from_view + (bp - v.base)),
                    static_cast<std::size_t>(v.end - bp));
        kept_edge = edge;
    }

    void feed(const unsigned char *data, std::size_t len, tovrin_span_fn fn, void *ctx) {
        if (len == 0 || finished)
            return;
        const long long block = fed;
        const std::uint16_t edge = last_cls;
        fed += static_cast<long long>(len);
        last_cls = t->cls[data[len - 1]];
        // Bytes kept from earlier blocks come first: the block is added to
        // them piece by piece, each piece at least as long as what is kept,
        // until they are decided.
        std::size_t used = 0;
        while (bp < block) {
            if (used == len)
                return;
            const std::size_t piece = std::min(len - used, std::max<std::size_t>(kept.size(), 4096));
            kept.append(reinterpret_cast<const char *>(data + used), piece);
            used += piece;
            const long long old_bp = bp;
            const View v = kept_view(false);
            run(v, fn, ctx);
            if (bp >= block)
                break;
            kept_edge = cls_before(v, bp);
            kept.erase(0, static_cast<std::size_t>(bp - old_bp));
        }
        // The rest is scanned where it lies.
        const View v{data, block, fed, edge, false};
        run(v, fn, ctx);
        keep(v, data);
    }

    void finish(tovrin_span_fn fn, void *ctx) {
        if (finished)
            return;
        finished = true;
        run(kept_view(true), fn, ctx);
        kept.clear();
        kept.shrink_to_fit();
    }
};

tovrin_scanner *tovrin::detail::scanner_with_rules(LANG *l, unsigned flags,
                                                  const ReadingRules *rules) {
    tovrin_scanner *s = tovrin_scanner_new(l, flags);
    if (s != nullptr)
        s->rules = rules;
    return s;
}

extern "C" tovrin_scanner *tovrin_scanner_new(LANG *l, unsigned flags) {
    if (l == nullptr)
        return nullptr;
    auto *s = new (std::nothrow) tovrin_scanner{};
    if (s == nullptr)
        return nullptr;
    s->t = &tables_with_names(l);
    s->existing = existing_systems(l, flags);
    s->ring = scan_ring;
    s->trail.assign(std::bit_ceil(static_cast<std::size_t>(scan_ring)), -1);
    s->trail_mask = s->trail.size() - 1;
    s->find_start = pick_find_start();
    s->classes = start_classes(*s->t);
    return s;
}

extern "C" void tovrin_scanner_feed(tovrin_scanner *s, const char *data, size_t len,
                                    tovrin_span_fn fn, void *ctx) {
    s->feed(reinterpret_cast<const unsigned char *>(data), len, fn, ctx);
}

extern "C" long long tovrin_scanner_decided(const tovrin_scanner *s) {
    return s->finished ? s->fed : s->bp;
}

extern "C" void tovrin_scanner_finish(tovrin_scanner *s, tovrin_span_fn fn, void *ctx) {
    s->finish(fn, ctx);
}

extern "C" void tovrin_scanner_free(tovrin_scanner *s) { delete s; }
