// Fuzz target: the reader of running text (tovrin_reader_*) and the linter
// (tovrin_linter_*) on arbitrary text, with the typographic forms,
// decomposed letters and phrases that the text stage reads, each text read
// as plain text, as TeX and as Markdown.
//
// Input: byte 0 picks the language (fuzz_common.h); the rest is the text.
// Read whole and in blocks whose sizes come from the text's own bytes, the
// records must be the same; the text handed out between the citations and
// the citations' own texts must give back the input byte for byte, and
// each citation's text must be the input at its offset. The linter, fed the
// same blocks, must report in text order, within the text.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_common.h"

namespace {

constexpr std::size_t kMaxText = 4096;

struct Seen {
    std::string rebuilt;
    std::vector<std::string> records; // offset, length, line, column, read, canonical
};

void on_citation(const tovrin_citation *c, void *ctx) {
    auto *seen = static_cast<Seen *>(ctx);
    FUZZ_CHECK(c->offset == static_cast<long long>(seen->rebuilt.size()),
               "citation at %lld after %zu bytes", c->offset, seen->rebuilt.size());
    seen->rebuilt.append(c->text, static_cast<std::size_t>(c->length));
    seen->records.push_back(std::to_string(c->offset) + ":" + std::to_string(c->length) + ":" +
                            std::to_string(c->line) + ":" + std::to_string(c->column) + ":" +
                            c->read + ":" + c->canonical);
}

void on_text(const char *text, size_t len, void *ctx) {
    static_cast<Seen *>(ctx)->rebuilt.append(text, len);
}

// The size of the k-th block, read from the text itself: 1 to 64 bytes.
std::size_t block_size(const std::string &text, std::size_t k) {
    return 1 + static_cast<unsigned char>(text[k % text.size()]) % 64;
}

Seen read(LANG *l, int source, const std::string &text, bool in_blocks) {
    Seen seen;
    const tovrin_handler h{on_citation, on_text, &seen};
    tovrin_reader *r = tovrin_reader_new_source(l, nullptr, source);
    FUZZ_CHECK(r != nullptr, "no reader");
    for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
        const std::size_t n = in_blocks ? std::min(text.size() - at, block_size(text, k))
                                        : text.size();
        tovrin_reader_feed(r, text.data() + at, n, &h);
        at += n;
    }
    tovrin_reader_finish(r, &h);
    tovrin_reader_free(r);
    return seen;
}

struct Problems {
    const std::string *text;
    long long last = -1;
};

void on_problem(const tovrin_lint_problem *p, void *ctx) {
    auto *seen = static_cast<Problems *>(ctx);
    FUZZ_CHECK(p->offset >= seen->last && p->offset <= static_cast<long long>(seen->text->size()),
               "problem at %lld after one at %lld", p->offset, seen->last);
    FUZZ_CHECK(p->line >= 1 && p->column >= 1 && p->message[0] != '\0', "bad problem record");
    seen->last = p->offset;
}

void lint(LANG *l, int source, const std::string &text) {
    Problems seen{&text};
    const tovrin_problem_handler h{on_problem, &seen};
    tovrin_linter *t = tovrin_linter_new_source(l, nullptr, source);
    FUZZ_CHECK(t != nullptr, "no linter");
    for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
        const std::size_t n = std::min(text.size() - at, block_size(text, k));
        tovrin_linter_feed(t, text.data() + at, n, &h);
        at += n;
    }
    tovrin_linter_finish(t, &h);
    tovrin_linter_free(t);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1 || size - 1 > kMaxText)
        return 0;
    LANG *l = fuzzing::pick_language(data[0]);
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    for (const int source : {TOVRIN_SOURCE_TEXT, TOVRIN_SOURCE_TEX, TOVRIN_SOURCE_MARKDOWN}) {
        const Seen whole = read(l, source, text, false);
        FUZZ_CHECK(whole.rebuilt == text, "text \"%s\" (source %d) came out as \"%s\"",
                   fuzzing::show(text).c_str(), source, fuzzing::show(whole.rebuilt).c_str());
        if (!text.empty())
            FUZZ_CHECK(read(l, source, text, true).records == whole.records,
                       "the records differ in blocks on \"%s\" (source %d)",
                       fuzzing::show(text).c_str(), source);
        lint(l, source, text);
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzing::languages();
    return 0;
}
