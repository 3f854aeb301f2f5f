// Fuzz target: the citation lexer on arbitrary bytes.
//
// Input: byte 0 picks the language (fuzz_common.h), byte 1 holds option
// bits, the rest is fed to tovrin_parser one byte at a time, NUL bytes and
// all, then a NUL if the lexer has not finished by itself. Every call is
// checked against what the lexer promises its callers: a token has text
// exactly when it has a kind, numbers are digits, marks are the language's
// marks, an end-of-text byte always finishes the record, and a finished
// record answers every further call with no token.
#include <cstring>

#include "fuzz_common.h"

namespace {

bool is_kind(int k) {
    return k == 0 || k == TK_ERROR || (k >= TK_BOOK && k <= TK_VERSE_FROM) ||
           (k >= TK_NEXT && k <= TK_PART_FROM);
}

bool all_digits(const char *s) {
    if (*s == '\0')
        return false;
    for (; *s != '\0'; ++s)
        if (*s < '0' || *s > '9')
            return false;
    return true;
}

void check_token(const PARS &p, const std::string &input) {
    const LANG *l = p.l;
    const int k = p.ousta;
    FUZZ_CHECK(is_kind(k), "kind %d for input \"%s\"", k, fuzzing::show(input).c_str());
    FUZZ_CHECK((k > 0) == (p.out != nullptr), "kind %d, out %p for input \"%s\"", k,
               static_cast<void *>(p.out), fuzzing::show(input).c_str());
    if (k == TK_ERROR)
        FUZZ_CHECK(p.errr == 1 && p.end == 1 && p.sta == -1, "error fields, input \"%s\"",
                   fuzzing::show(input).c_str());
    if (k <= 0)
        return;
    const char *t = p.out;
    const std::size_t n = std::strlen(t);
    switch (k) {
    case TK_BOOK:
    case TK_BOOK_FROM:
        // Two pieces at most, joined by exactly one space; never a leading
        // or trailing space.
        FUZZ_CHECK(n > 0 && t[0] != ' ' && t[n - 1] != ' ' && std::strstr(t, "  ") == nullptr,
                   "book text \"%s\" for input \"%s\"", fuzzing::show(t).c_str(),
                   fuzzing::show(input).c_str());
        break;
    case TK_CHAPTER:
    case TK_CHAPTER_FROM:
    case TK_VERSE:
    case TK_VERSE_FROM:
        FUZZ_CHECK(all_digits(t), "number text \"%s\" for input \"%s\"",
                   fuzzing::show(t).c_str(), fuzzing::show(input).c_str());
        break;
    case TK_NEXT:
        FUZZ_CHECK(n == 1 && t[0] == l->chars[5], "mark \"%s\"", fuzzing::show(t).c_str());
        break;
    case TK_NEXT2:
        FUZZ_CHECK(n == 2 && t[0] == l->chars[5] && t[1] == l->chars[5], "marks \"%s\"",
                   fuzzing::show(t).c_str());
        break;
    case TK_OPEN_END:
        FUZZ_CHECK(n == 1 && t[0] == l->chars[4], "open end \"%s\"", fuzzing::show(t).c_str());
        break;
    case TK_PART:
    case TK_PART_FROM:
        FUZZ_CHECK(n == 1 && std::strchr(l->parts, t[0]) != nullptr, "part \"%s\"",
                   fuzzing::show(t).c_str());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    LANG *l = fuzzing::pick_language(data[0]);
    const std::uint8_t options = data[1];
    const std::string input(reinterpret_cast<const char *>(data + 2), size - 2);

    PARS p;
    tovrin_pinit(&p, l);
    std::vector<char *> taken;
    std::size_t i = 0;
    for (; i < input.size() && p.end == 0; ++i) {
        const signed char ch = static_cast<signed char>(input[i]);
        tovrin_parser(ch, &p);
        FUZZ_CHECK(p.chr == ch, "chr not stored");
        check_token(p, input);
        // NUL, line feed and carriage return end the text wherever they
        // stand.
        if (ifc_0(ch, l))
            FUZZ_CHECK(p.end == 1, "byte %d did not end input \"%s\"", ch,
                       fuzzing::show(input).c_str());
        // Option bit 0: the caller takes every token's text, as the checks
        // do with an offending token.
        if ((options & 1) != 0 && p.out != nullptr) {
            taken.push_back(p.out);
            p.out = nullptr;
        }
    }
    if (p.end == 0) {
        tovrin_parser('\0', &p);
        check_token(p, input);
        FUZZ_CHECK(p.end == 1, "NUL did not end input \"%s\"", fuzzing::show(input).c_str());
    }
    FUZZ_CHECK(p.sta == -1, "finished with state %d", p.sta);

    // A finished record only stores the character and reports nothing.
    const int errr = p.errr;
    const char *string = p.string;
    for (std::size_t k = i; k < input.size() && k < i + 4; ++k) {
        tovrin_parser(static_cast<signed char>(input[k]), &p);
        FUZZ_CHECK(p.ousta == 0 && p.out == nullptr && p.sta == -1 && p.end == 1 &&
                       p.errr == errr && p.string == string,
                   "finished record changed on input \"%s\"", fuzzing::show(input).c_str());
    }
    tovrin_pfree(&p);
    for (char *t : taken)
        std::free(t);
    return 0;
}
