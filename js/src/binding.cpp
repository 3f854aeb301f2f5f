// The binding of libtovrin for JavaScript (WebAssembly): a thin layer over
// the C++ interface (tovrin.hpp) that takes UTF-8 texts and answers in
// JSON, which the package's script (js/index.js) parses into plain
// objects. Every reading of a text and every answer comes from the
// library; what is done here is only what JavaScript needs: positions in
// UTF-16 code units instead of byte offsets, and errors as data.
//
// Memory: JavaScript writes its strings into one input buffer owned here
// and reads each answer from one answer buffer owned here; both are reused
// from call to call (a scan writes its records into a buffer of its own,
// released when the scan ends), so that a program calling the package any
// number of times holds no more than its largest call needed, and frees
// nothing.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <malloc.h>

#include <emscripten/emscripten.h>

#include "tovrin.hpp"

namespace {

using tovrin::Language;

// ---- JSON ------------------------------------------------------------------

// An answer being written. Texts from the library and from JavaScript
// (TextEncoder's output) are UTF-8, so only quotes, backslashes and control
// characters need escaping.
class Json {
public:
    std::string &out() { return out_; }
    Json &raw(std::string_view s) {
        out_ += s;
        return *this;
    }
    Json &number(long long n) {
        char digits[24];
        out_.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
        return *this;
    }
    Json &string(std::string_view s) {
        out_ += '"';
        std::size_t plain = 0; // bytes of s up to here that need no escape
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            out_.append(s.data() + plain, i - plain);
            plain = i + 1;
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else {
                static const char hex[] = "0123456789abcdef";
                out_ += "\\u00";
                out_ += hex[c >> 4];
                out_ += hex[c & 15];
            }
        }
        out_.append(s.data() + plain, s.size() - plain);
        out_ += '"';
        return *this;
    }
    Json &string_or_null(const char *s) { return s == nullptr ? raw("null") : string(s); }
    // A list of texts separated by commas in `joined` ("Matt.5.3,Luke.6.20").
    Json &list(std::string_view joined) {
        raw("[");
        for (bool first = true; !joined.empty(); first = false) {
            const std::size_t comma = joined.find(',');
            raw(first ? "" : ",").string(joined.substr(0, comma));
            joined = comma == std::string_view::npos ? std::string_view() : joined.substr(comma + 1);
        }
        return raw("]");
    }
    Json &list(const std::vector<std::string> &items) {
        raw("[");
        for (std::size_t k = 0; k < items.size(); ++k)
            raw(k == 0 ? "" : ",").string(items[k]);
        return raw("]");
    }

private:
    std::string out_;
};

// The one answer buffer (see the top of the file).
Json answer;

const char *give(Json &j) { return j.out().c_str(); }

template <typename Write> const char *ok(Write write) {
    answer.out().clear();
    answer.raw("{\"ok\":");
    write(answer);
    answer.raw("}");
    return give(answer);
}

// The start of an error answer; the caller adds its members and closes it.
Json &error(std::string_view kind, std::string_view message) {
    answer.out().clear();
    return answer.raw("{\"error\":{\"kind\":").string(kind).raw(",\"message\":").string(message);
}

// Runs `body` (which writes an answer) and turns the library's exceptions
// into error answers: lint's words for a citation, the loader's for a
// configuration.
template <typename Body> const char *answering(Body body) {
    try {
        return body();
    } catch (const tovrin::citation_error &e) {
        error("citation", e.what());
        answer.raw(",\"citation\":").string(e.citation()).raw("}}");
    } catch (const tovrin::config_error &e) {
        error("config", e.what());
        answer.raw(",\"file\":").string(e.file()).raw(",\"line\":").number(e.line()).raw("}}");
    } catch (const tovrin::language_error &e) {
        error("language", e.what()).raw("}}");
    } catch (const std::bad_alloc &) {
        error("memory", "out of memory").raw("}}");
    }
    return give(answer);
}

// ---- positions -------------------------------------------------------------

// JavaScript indexes a string by UTF-16 code units, the library its UTF-8
// form by bytes: a character of four bytes is two units, any other one.
// Counts the units of the text handed out so far, in order.
class Utf16Count {
public:
    void add(std::string_view utf8) {
        const char *p = utf8.data();
        std::size_t n = utf8.size();
        // Eight bytes at a time: each byte is a unit, less the continuation
        // bytes (10xxxxxx), plus one for each lead byte of four (11110xxx).
        constexpr std::uint64_t high = 0x8080808080808080ull;
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            const std::uint64_t continuation = w & ~(w << 1) & high;
            const std::uint64_t four = w & (w << 1) & (w << 2) & (w << 3) & high;
            units_ += 8 - std::popcount(continuation) + std::popcount(four);
        }
        for (; n > 0; ++p, --n) {
            const auto c = static_cast<unsigned char>(*p);
            units_ += ((c & 0xC0) != 0x80) + (c >= 0xF0);
        }
    }
    long long units() const { return units_; }

private:
    long long units_ = 0;
};

// ---- records ---------------------------------------------------------------

// Units as numbers, nine for each (start book, chapter, verse, part;
// end book, chapter, verse, part; mark), 0 where not given: the package
// makes objects of them.
void units(Json &j, const PARS_UNIT *u, int count) {
    const char *separator = "[";
    for (int k = 0; k < count; ++k)
        for (int n : {u[k].bf, u[k].cf, u[k].vf, int(u[k].abf), u[k].b, u[k].c, u[k].v,
                      int(u[k].ab), u[k].fl}) {
            j.raw(separator).number(n);
            separator = ",";
        }
    j.raw(count == 0 ? "[]" : "]");
}

std::vector<std::string> osis_books(const PARS_UNIT *u, int count) {
    std::vector<tovrin::Unit> all;
    for (int k = 0; k < count; ++k)
        all.push_back(tovrin::api_detail::from_c(u[k]));
    return tovrin::osis_books(all);
}

// A scan: the library's reader over the text, fed in pieces, writing the
// record of each citation as it comes, with its place in UTF-16 units.
class Scan {
public:
    Scan(Language l, const tovrin::Options &o) : options_(o), reader_(l, options_) {}

    void feed(std::string_view piece) { tovrin_reader_feed(raw(), piece.data(), piece.size(), &h_); }
    const char *finish() {
        tovrin_reader_finish(raw(), &h_);
        out_.raw("]}");
        return give(out_);
    }

private:
    tovrin_reader *raw() { return reader_.get(); }

    static void text(const char *text, std::size_t len, void *self) {
        static_cast<Scan *>(self)->count_.add(std::string_view(text, len));
    }
    static void citation(const tovrin_citation *c, void *self) {
        static_cast<Scan *>(self)->record(*c);
    }

    void record(const tovrin_citation &c) {
        const std::string_view written(c.text, static_cast<std::size_t>(c.length));
        // Units from the start of the citation to `offset` bytes into it.
        const auto units_to = [&written](long long offset) {
            Utf16Count n;
            n.add(written.substr(0, static_cast<std::size_t>(offset)));
            return n.units();
        };
        const long long start = count_.units();
        count_.add(written);
        // [start, end, line, column, canonical, osis, books, units,
        // optional, alternate, translation, versification]: the package slices the text
        // from its own string.
        Json &j = out_;
        j.raw(records_++ == 0 ? "[" : ",[").number(start).raw(",").number(count_.units());
        j.raw(",").number(c.line).raw(",").number(c.column).raw(",").string(c.canonical).raw(",");
        if (c.osis != nullptr)
            j.list(std::string_view(c.osis));
        else
            j.raw("null");
        j.raw(",").list(osis_books(c.units, c.unit_count)).raw(",");
        units(j, c.units, c.unit_count);
        j.raw(",[");
        for (int k = 0; k < c.optional_count; ++k) {
            const long long from = units_to(c.optional[k].offset);
            const long long to = units_to(c.optional[k].offset + c.optional[k].length);
            j.raw(k == 0 ? "[" : ",[").number(from).raw(",").number(to - from).raw("]");
        }
        j.raw("],").string_or_null(c.alternate).raw(",").string_or_null(c.translation);
        j.raw(",").string_or_null(c.versification).raw("]");
    }

    // The library's reader, with this scan's handler: tovrin::Reader hands
    // out no text between the citations, which the count of units needs.
    struct ReaderOf {
        ReaderOf(Language l, const tovrin::Options &o) {
            const tovrin_options c = o.c();
            r = tovrin_reader_new(l.get(), &c);
            if (r == nullptr)
                throw std::bad_alloc();
        }
        ~ReaderOf() { tovrin_reader_free(r); }
        ReaderOf(const ReaderOf &) = delete;
        ReaderOf &operator=(const ReaderOf &) = delete;
        tovrin_reader *get() { return r; }
        tovrin_reader *r;
    };

    tovrin::Options options_;
    ReaderOf reader_;
    const tovrin_handler h_{citation, text, this};
    Utf16Count count_;
    Json out_ = [] {
        Json j;
        j.raw("{\"ok\":[");
        return j;
    }();
    long long records_ = 0;
};

// ---- configurations and languages ------------------------------------------

// Every configuration opened lives as long as the module, as the library
// keeps the languages of every load; a handle is its index.
std::deque<tovrin::Config> configs;

Language language_of(std::uintptr_t handle) { return Language(reinterpret_cast<LANG *>(handle)); }

void config_answer(Json &j, const tovrin::Config &c) {
    j.raw("{\"handle\":").number(static_cast<long long>(configs.size() - 1));
    j.raw(",\"version\":").string(TOVRIN_VERSION).raw(",\"languages\":[");
    const std::vector<Language> all = c.languages();
    for (std::size_t k = 0; k < all.size(); ++k)
        j.raw(k == 0 ? "" : ",").string(all[k].name());
    j.raw("]}");
}

std::vector<char> input;

} // namespace

extern "C" {

// A buffer of at least `size` bytes for the strings of the next call; it
// stays valid until the next call of this function.
EMSCRIPTEN_KEEPALIVE char *tovrin_js_input(std::size_t size) {
    if (input.size() < size)
        input.resize(size);
    return input.data();
}

// The length in bytes of the answer just returned.
EMSCRIPTEN_KEEPALIVE std::size_t tovrin_js_answer_length(const char *answer_text) {
    return std::char_traits<char>::length(answer_text);
}

// The shipped configuration (text null) or one of `len` bytes.
EMSCRIPTEN_KEEPALIVE const char *tovrin_js_config(const char *text, std::size_t len) {
    return answering([&] {
        configs.push_back(text == nullptr ? tovrin::Config()
                                          : tovrin::Config::from_text({text, len}, "bibl.ini"));
        return ok([](Json &j) { config_answer(j, configs.back()); });
    });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_language(int config, const char *name) {
    return answering([&] {
        const Language l = configs.at(static_cast<std::size_t>(config)).language(name);
        return ok([&](Json &j) {
            j.raw("{\"handle\":").number(reinterpret_cast<std::uintptr_t>(l.get()));
            j.raw(",\"name\":").string(l.name()).raw("}");
        });
    });
}

// A scan of a text given in pieces: begin, feed each piece, finish (which
// answers with the records), then end. Null when no memory.
EMSCRIPTEN_KEEPALIVE void *tovrin_js_scan_begin(std::uintptr_t lang, int exact,
                                                const char *sigla) {
    tovrin::Options o;
    o.exact = exact != 0;
    o.sigla = sigla;
    try {
        return new Scan(language_of(lang), o);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

EMSCRIPTEN_KEEPALIVE void tovrin_js_scan_feed(void *scan, const char *piece, std::size_t len) {
    static_cast<Scan *>(scan)->feed({piece, len});
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_scan_finish(void *scan) {
    return static_cast<Scan *>(scan)->finish();
}

EMSCRIPTEN_KEEPALIVE void tovrin_js_scan_end(void *scan) { delete static_cast<Scan *>(scan); }

// `to` 0: in the language itself.
EMSCRIPTEN_KEEPALIVE const char *tovrin_js_expand(std::uintptr_t lang, const char *cite,
                                                  std::uintptr_t to, int sort) {
    return answering([&] {
        const Language l = language_of(lang), target = to != 0 ? language_of(to) : l;
        std::string canonical = to != 0 ? l.expand(cite, target) : l.expand(cite);
        if (sort)
            canonical = tovrin::expand_sort(l.read(cite), l, target);
        return ok([&](Json &j) { j.string(canonical); });
    });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_translate(std::uintptr_t lang, const char *cite,
                                                     std::uintptr_t to) {
    return answering([&] {
        const std::string r = language_of(lang).translate(cite, language_of(to));
        return ok([&](Json &j) { j.string(r); });
    });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_compare(std::uintptr_t lang, const char *a,
                                                   const char *b, std::uintptr_t b_lang) {
    return answering([&] {
        const tovrin::Comparison c = language_of(lang).compare(a, b, language_of(b_lang));
        const int order = c.order < 0 ? -1 : c.order > 0 ? 1 : 0;
        return ok([&](Json &j) {
            j.raw("{\"overlap\":").raw(c.overlap ? "true" : "false");
            j.raw(",\"order\":").number(order).raw("}");
        });
    });
}

// `system` empty: the language's own numbering.
EMSCRIPTEN_KEEPALIVE const char *tovrin_js_osis(std::uintptr_t lang, const char *cite,
                                                const char *system) {
    return answering([&] {
        const Language l = language_of(lang);
        std::optional<std::string> refs;
        if (*system == '\0') {
            refs = l.osis(cite);
        } else {
            const tovrin_versification *v = tovrin_versification_find(system);
            if (v == nullptr)
                return give(error("versification",
                                  "unknown numbering system '" + std::string(system) + "'")
                                .raw("}}"));
            refs = l.osis(cite, v);
        }
        return ok([&](Json &j) { refs ? j.list(std::string_view(*refs)) : j.raw("null"); });
    });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_exists(std::uintptr_t lang, const char *cite) {
    return answering([&] {
        const bool exists = language_of(lang).exists(cite);
        return ok([&](Json &j) { j.raw(exists ? "true" : "false"); });
    });
}

// What is wrong with `cite` in lint's words, or null, as the scanner asks
// (every unit has a chapter); `existing`: its chapters and verses must
// exist.
EMSCRIPTEN_KEEPALIVE const char *tovrin_js_check(std::uintptr_t lang, const char *cite,
                                                 int existing) {
    tovrin_options o = tovrin_default_options();
    o.existing = existing;
    const tovrin::CString why(
        tovrin_problem(cite, language_of(lang).get(), &o, 0u));
    return ok([&](Json &j) { j.string_or_null(why.get()); });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_units(std::uintptr_t lang, const char *cite) {
    return answering([&] {
        std::vector<PARS_UNIT> all;
        for (const tovrin::Unit &u : language_of(lang).units(cite))
            all.push_back(tovrin::api_detail::to_c(u));
        return ok([&](Json &j) { units(j, all.data(), static_cast<int>(all.size())); });
    });
}

EMSCRIPTEN_KEEPALIVE const char *tovrin_js_books(std::uintptr_t lang) {
    return ok([&](Json &j) {
        j.raw("[");
        int number = 0;
        for (const BOOKS *b = language_of(lang).get()->books; b != nullptr; b = b->next) {
            j.raw(number++ == 0 ? "{\"number\":" : ",{\"number\":").number(number);
            j.raw(",\"name\":").string(b->book->abbrev).raw(",\"names\":[");
            for (const BOOK *n = b->book; n != nullptr; n = n->next)
                j.raw(n == b->book ? "" : ",").string(n->abbrev);
            j.raw("]}");
        }
        j.raw("]");
    });
}

// The bytes the allocator holds for the program: what a caller's memory
// check watches (mallinfo's allocated space).
EMSCRIPTEN_KEEPALIVE std::size_t tovrin_js_heap_used() {
    return static_cast<std::size_t>(mallinfo().uordblks);
}

} // extern "C"
