// Fuzz target: the stream scanner (dorvis_core) on arbitrary text. Built
// twice: with the ring as shipped, and as scanner_ring with a ring of a few
// dozen characters, where ordinary inputs run into the ring-full rule.
//
// Input: byte 0 picks the language (fuzz_common.h); the rest is the text.
// The callbacks rebuild the text from what the scanner hands out: ordinary
// bytes through `out`, citations through `heureka`. The rebuilt text must
// equal the input byte for byte (nothing lost, nothing written twice, in
// order), and every citation must pass the scanner's own acceptance test.
// The block scanner, fed the same text in blocks whose sizes come from the
// text's own bytes, must report exactly those citations at their offsets.
// The same again with the existence test (TOVRIN_SCAN_EXISTING), where every
// citation must also exist in the language's numbering systems.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "fuzz_common.h"
#include "internal.h"

namespace {

// The ring's size: the whole buffer, or the small ring of scanner_ring.
#ifdef TOVRIN_SCAN_RING
constexpr int kRing = TOVRIN_SCAN_RING;
#else
constexpr int kRing = TOVRIN_SBUFF_SIZE;
#endif

// Inputs above 4 KiB are skipped: the scanner tries every prefix of a
// candidate with the full chain of checks, so one long candidate (a run of
// digits, say) costs time cubic in its length without finding anything new.
constexpr std::size_t kMaxText = 4096;

const std::string *g_text;
std::size_t g_pos;
bool g_ended;
std::string g_rebuilt;
std::vector<std::pair<long long, long long>> g_spans; // of the citations
unsigned g_flags;                                     // of the scan

int in() {
    FUZZ_CHECK(!g_ended, "input read again after its end");
    if (g_pos == g_text->size()) {
        g_ended = true;
        return -1;
    }
    return static_cast<unsigned char>((*g_text)[g_pos++]);
}

void out(int c) {
    // The stored char widened as a signed 8-bit value.
    FUZZ_CHECK(c >= -128 && c <= 127, "out(%d)", c);
    g_rebuilt.push_back(static_cast<char>(c));
}

void heureka() {
    std::string cite;
    for (int s = bp; s != ap; s = s + 1 == kRing ? 0 : s + 1)
        cite.push_back(tovrin_sbuff[s]);
    FUZZ_CHECK(!cite.empty(), "empty citation in \"%s\"", fuzzing::show(*g_text).c_str());
    FUZZ_CHECK(std::strlen(cite.c_str()) == cite.size() &&
                   tovrin::detail::check_lev(cite.c_str()) == 1,
               "citation \"%s\" fails check_lev in \"%s\"", fuzzing::show(cite).c_str(),
               fuzzing::show(*g_text).c_str());
    FUZZ_CHECK((g_flags & TOVRIN_SCAN_EXISTING) == 0 || tovrin_exists(cite.c_str(), lg, nullptr) == 0,
               "citation \"%s\" does not exist in \"%s\"", fuzzing::show(cite).c_str(),
               fuzzing::show(*g_text).c_str());
    g_spans.emplace_back(static_cast<long long>(g_rebuilt.size()),
                         static_cast<long long>(cite.size()));
    g_rebuilt += cite;
}

void collect(const tovrin_span *span, void *spans) {
    static_cast<std::vector<std::pair<long long, long long>> *>(spans)->emplace_back(
        span->offset, span->length);
}

// The citations of the block scanner on `text` cut into blocks of 1 to 64
// bytes, the sizes read from the text itself.
std::vector<std::pair<long long, long long>> block_spans(const std::string &text, LANG *l,
                                                        unsigned flags) {
    std::vector<std::pair<long long, long long>> spans;
    tovrin_scanner *s = tovrin_scanner_new(l, flags);
    FUZZ_CHECK(s != nullptr, "no block scanner");
    for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
        const std::size_t n = std::min<std::size_t>(
            text.size() - at, 1 + static_cast<unsigned char>(text[k % text.size()]) % 64);
        tovrin_scanner_feed(s, text.data() + at, n, collect, &spans);
        at += n;
    }
    tovrin_scanner_finish(s, collect, &spans);
    tovrin_scanner_free(s);
    return spans;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1 || size - 1 > kMaxText)
        return 0;
    LANG *l = fuzzing::pick_language(data[0]);
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    for (unsigned flags : {0u, TOVRIN_SCAN_EXISTING}) {
        g_text = &text;
        g_pos = 0;
        g_ended = false;
        g_rebuilt.clear();
        g_spans.clear();
        g_flags = flags;
        tovrin_dorvis(in, out, heureka, 4, l, flags);
        FUZZ_CHECK(g_ended, "scan ended before the input");
        FUZZ_CHECK(g_rebuilt == text, "text \"%s\" came out as \"%s\"",
                   fuzzing::show(text).c_str(), fuzzing::show(g_rebuilt).c_str());
        FUZZ_CHECK(block_spans(text, l, flags) == g_spans,
                   "the block scanner differs on \"%s\" (flags %u)", fuzzing::show(text).c_str(),
                   flags);
    }
    g_text = nullptr;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzing::languages();
    return 0;
}
