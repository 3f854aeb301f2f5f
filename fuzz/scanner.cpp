// Fuzz target: the stream scanner (dorvis_core) on arbitrary text. Built
// twice: with the ring as shipped, and as scanner_ring with a ring of a few
// dozen characters, where ordinary inputs run into the ring-full rule.
//
// Input: byte 0 picks the language (fuzz_common.h); the rest is the text.
// The callbacks rebuild the text from what the scanner hands out: ordinary
// bytes through `out`, citations through `heureka`. The rebuilt text must
// equal the input byte for byte (nothing lost, nothing written twice, in
// order), and every citation must pass the scanner's own acceptance test.
#include <cstring>

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
std::size_t g_citations;

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
    g_rebuilt += cite;
    ++g_citations;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1 || size - 1 > kMaxText)
        return 0;
    LANG *l = fuzzing::pick_language(data[0]);
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    g_text = &text;
    g_pos = 0;
    g_ended = false;
    g_rebuilt.clear();
    g_citations = 0;
    dorvis_core(in, out, heureka, 4, l);
    FUZZ_CHECK(g_ended, "scan ended before the input");
    FUZZ_CHECK(g_rebuilt == text, "text \"%s\" came out as \"%s\"", fuzzing::show(text).c_str(),
               fuzzing::show(g_rebuilt).c_str());
    g_text = nullptr;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzing::languages();
    return 0;
}
