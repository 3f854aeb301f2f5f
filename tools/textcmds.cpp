// The text commands of tovrin: scan, lint, index and grep. All of them run
// the library's stream scanner (dorvis_core) over files; this file adds
// what the scanner's one-byte grammar lacks for real documents:
//
//  * Typographic forms. Texts write ranges with en or em dashes, TeX
//    sources with "--" and ties ("Mt~5,3--12"), and use no-break spaces;
//    inside a paragraph a line break is a space (as TeX reads it). The
//    scanner is fed a normalised view in which each such form is one byte
//    of the language (its range mark, or a space). Since the scanner writes
//    every byte it read exactly once and in order, the input callback
//    queues the original bytes of each byte it hands out, and the output
//    and highlight callbacks write those bytes back: every output keeps the
//    original text.
//  * Places: the byte offset, line and column (from 1, in bytes) where each
//    citation starts in its file.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <algorithm>
#include <iostream>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "tovrin.h"

namespace {

using cli::Options;

// ---------------------------------------------------------------------
// Input: typographic forms and the queue of original bytes

// One byte handed to the scanner and the original bytes it stands for.
struct Span {
    std::uint8_t len = 0;
    char bytes[3] = {};
};

// Reads a file and hands out the normalised view, byte by byte.
class Reader {
public:
    Reader(FILE *f, bool exact, signed char range_mark)
        : f_(f), exact_(exact), range_(static_cast<unsigned char>(range_mark)) {}

    // The next byte of the normalised view (-1 at the end). When it stands
    // for other bytes of the file (a typographic form), those go to `form`
    // and the result is true in `is_form`; most bytes stand for themselves.
    int next(Span &form, bool &is_form) {
        const int c = count_ > 0 ? ahead_[--count_] : getc_unlocked(f_);
        if (c < 0 || exact_)
            return c;
        // Most bytes begin no typographic form: skip the lookahead for them.
        if (!may_begin_form(c)) {
            if (c != ' ')
                blank_line_ = false;
            return c;
        }
        Span span;
        add(span, c);
        const int mapped = typographic(c, span);
        blank_line_ = (mapped == ' ' && (c == '\n' || c == '\r' || blank_line_)) ||
                      (blank_line_ && (c == ' ' || c == '\t'));
        if (span.len != 1 || mapped != c) {
            form = span;
            is_form = true;
        }
        return mapped;
    }

private:
    static bool may_begin_form(int c) {
        static constexpr auto table = [] {
            std::array<bool, 256> t{};
            for (int b : {0xE2, 0xC2, int('~'), int('\t'), int('-'), int('\r'), int('\n')})
                t[b] = true;
            return t;
        }();
        return table[c];
    }

    int take(Span &span) {
        int c = count_ > 0 ? ahead_[--count_] : getc_unlocked(f_);
        span = Span{};
        if (c >= 0)
            add(span, c);
        return c;
    }
    int peek() {
        if (count_ == 0) {
            int c = getc_unlocked(f_);
            if (c < 0)
                return c;
            ahead_[count_++] = c;
        }
        return ahead_[count_ - 1];
    }
    // Peek at the byte after the next one (the two-byte lookahead of the
    // three-byte dashes).
    int peek2() {
        int first = peek();
        if (first < 0)
            return -1;
        --count_;
        int second = peek();
        ahead_[count_++] = first;
        if (second >= 0) {
            // ahead_ is a stack: the byte read first must come out first.
            ahead_[0] = second;
            ahead_[1] = first;
        }
        return second;
    }
    static void add(Span &span, int c) { span.bytes[span.len++] = static_cast<char>(c); }
    void absorb(Span &span) {
        Span extra;
        add(span, take(extra));
    }

    [[gnu::noinline]] int typographic(int c, Span &span) {
        switch (c) {
        case 0xE2: // en dash, em dash (E2 80 93/94); thin and narrow spaces
            if (peek() == 0x80) {
                const int third = peek2();
                if (third == 0x93 || third == 0x94 || third == 0x89 || third == 0xAF) {
                    absorb(span);
                    absorb(span);
                    return third == 0x93 || third == 0x94 ? range_ : ' ';
                }
            }
            return c;
        case 0xC2: // no-break space
            if (peek() == 0xA0) {
                absorb(span);
                return ' ';
            }
            return c;
        case '~':
        case '\t':
            return ' ';
        case '-': // TeX "--" and "---"
            if (peek() == '-') {
                absorb(span);
                if (peek() == '-')
                    absorb(span);
                return range_;
            }
            return c;
        case '\r':
            if (peek() == '\n') {
                absorb(span);
                return line_break();
            }
            return c;
        case '\n': return line_break();
        default: return c;
        }
    }

    // A line break inside a paragraph is a space; one that ends a paragraph
    // (an empty or blank line follows or precedes it) or the file stays.
    int line_break() {
        const int n = peek();
        if (n < 0 || n == '\n' || n == '\r' || blank_line_)
            return '\n';
        return ' ';
    }

    FILE *f_;
    bool exact_;
    int range_;
    int ahead_[2] = {};
    int count_ = 0;
    bool blank_line_ = false; // only blanks since a line break became a space
};

inline void write_bytes(const char *p, std::size_t n) {
    // Most pieces are one byte of text: putc is far cheaper than fwrite.
    if (n == 1) [[likely]]
        putc_unlocked(*p, stdout);
    else
        fwrite_unlocked(p, 1, n, stdout);
}
void write_bytes(const std::string &s) { write_bytes(s.data(), s.size()); }

// ---------------------------------------------------------------------
// The scan and its consumers

struct Place {
    long long offset = 0; // from 0
    long line = 1;        // from 1
    long column = 1;      // from 1, in bytes
};

struct Citation {
    std::string text;       // the original bytes, without trailing spaces
    std::string normalized; // what the scanner read, without trailing spaces
    Place at;
};

// Receives the scan of one file in order: ordinary text byte by byte and
// whole citations.
class Consumer {
public:
    virtual ~Consumer() = default;
    virtual void begin_file(const std::string &) {}
    // Whether text() and citation() read their places (line, column,
    // offset); counting them costs a little for every byte.
    virtual bool needs_places() const { return true; }
    // Whether text() writes the original bytes to standard output as they
    // are; the scan then writes them itself, saving a call per byte.
    virtual bool copies_text() const { return false; }
    virtual void text(char normalized, const Span &original, const Place &at) = 0;
    virtual void citation(const Citation &c) = 0;
    virtual void end_file() {}
};

class Scan {
public:
    Scan(LANG *l, bool exact, Consumer &consumer)
        : l_(l), exact_(exact), consumer_(consumer), places_(consumer.needs_places()),
          copies_text_(consumer.copies_text()) {}

    void run(FILE *f, const std::string &name) {
        Reader reader(f, exact_, l_->chars[1]);
        reader_ = &reader;
        place_ = Place{};
        forms_.clear();
        handed_ = consumed_ = 0;
        consumer_.begin_file(name);
        active_ = this;
        dorvis_core(in, out, heureka, 4, l_);
        active_ = nullptr;
        consumer_.end_file();
    }

private:
    // dorvis_core takes plain functions: one scan runs at a time.
    static inline Scan *active_ = nullptr;

    static int in() {
        Scan &s = *active_;
        Span form;
        bool is_form = false;
        const int c = s.reader_->next(form, is_form);
        if (is_form) [[unlikely]]
            s.remember_form(form);
        if (c >= 0)
            ++s.handed_;
        return c;
    }
    [[gnu::noinline]] void remember_form(const Span &span) { forms_.emplace_back(handed_, span); }
    // Whether the next byte the scanner writes stands for a typographic form.
    bool next_is_form() const { return !forms_.empty() && forms_.front().first == consumed_; }
    // The original bytes of the next byte the scanner writes, which it read
    // as `c`: most bytes stand for themselves.
    Span take_span(char c) {
        Span span;
        if (next_is_form()) {
            span = forms_.front().second;
            forms_.pop_front();
        } else {
            span.len = 1;
            span.bytes[0] = c;
        }
        ++consumed_;
        return span;
    }
    static void out(int c) {
        Scan &s = *active_;
        // The common case of plain output: a byte that stands for itself.
        if (s.copies_text_ && !s.places_ && !s.next_is_form()) {
            ++s.consumed_;
            putc_unlocked(static_cast<char>(c), stdout);
            return;
        }
        const Span span = s.take_span(static_cast<char>(c));
        if (s.copies_text_)
            write_bytes(span.bytes, span.len);
        else
            s.consumer_.text(static_cast<char>(c), span, s.place_);
        s.advance(span);
    }
    static void heureka() {
        Scan &s = *active_;
        Citation c;
        c.at = s.place_;
        std::vector<Span> spans;
        for (int k = bp; k != ap; k = k + 1 == TOVRIN_SBUFF_SIZE ? 0 : k + 1) {
            c.normalized.push_back(tovrin_sbuff[k]);
            spans.push_back(s.take_span(tovrin_sbuff[k]));
        }
        // Spaces between the citation and what stopped it stay ordinary text.
        std::size_t n = c.normalized.size();
        while (n > 0 && c.normalized[n - 1] == ' ')
            --n;
        for (std::size_t k = 0; k < n; ++k) {
            c.text.append(spans[k].bytes, spans[k].len);
            s.advance(spans[k]);
        }
        c.normalized.resize(n);
        s.consumer_.citation(c);
        for (std::size_t k = n; k < spans.size(); ++k) {
            s.consumer_.text(' ', spans[k], s.place_);
            s.advance(spans[k]);
        }
    }

    void advance(const Span &span) {
        if (!places_)
            return;
        for (int k = 0; k < span.len; ++k) {
            ++place_.offset;
            if (span.bytes[k] == '\n') {
                ++place_.line;
                place_.column = 1;
            } else {
                ++place_.column;
            }
        }
    }

    LANG *l_;
    bool exact_;
    Consumer &consumer_;
    const bool places_;
    const bool copies_text_;
    Reader *reader_ = nullptr;
    // The bytes handed to the scanner whose original bytes differ from
    // them (the typographic forms), by their count in the normalised view.
    std::deque<std::pair<long long, Span>> forms_;
    long long handed_ = 0, consumed_ = 0;
    Place place_;
};

// Runs `scan` over the files of the command (standard input without any).
// A file that cannot be opened is reported and the others still run.
int scan_files(const Options &o, Scan &scan) {
    int status = 0;
    if (o.args.empty()) {
        scan.run(stdin, "-");
        return 0;
    }
    for (const auto &name : o.args) {
        FILE *f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
        if (f == nullptr) {
            std::fflush(stdout);
            std::cerr << "tovrin: cannot open '" << name << "': " << std::strerror(errno)
                      << "\n";
            status = 1;
            continue;
        }
        scan.run(f, name);
        // A directory opens, but reading it fails.
        if (std::ferror(f)) {
            std::fflush(stdout);
            std::cerr << "tovrin: cannot read '" << name << "': " << std::strerror(errno)
                      << "\n";
            status = 1;
        }
        if (f != stdin)
            std::fclose(f);
    }
    return status;
}

// ---------------------------------------------------------------------
// Helpers over the services

// Owned heap text of the library.
std::string take_text(char *s) {
    std::string r = s != nullptr ? s : "";
    std::free(s);
    return r;
}

std::string canonical(const std::string &cite, LANG *l) {
    return take_text(tovrin_expand(cite.c_str(), l));
}

struct UnitsDeleter {
    void operator()(PARS_UNIT **pp) const { freepus(pp); }
};
using Units = std::unique_ptr<PARS_UNIT *, UnitsDeleter>;

// The units of a citation with their marks applied, as the expansion sees
// them.
Units expanded_units(const std::string &cite, LANG *l) {
    Units pp(makepus(cite.c_str(), l));
    adjpus_n(pp.get());
    adjpus_plus(pp.get());
    adjpus_v01(pp.get());
    return pp;
}

std::string unit_text(PARS_UNIT *u, LANG *l) {
    PARS_UNIT *one[2] = {u, nullptr};
    return take_text(tovrin_expus(one, l));
}

// Writes one byte of text as valid UTF-8 for JSON and HTML: bytes that are
// not part of a well-formed sequence are passed to `invalid`.
template <typename Valid, typename Invalid>
void utf8_bytes(const std::string &s, Valid valid, Invalid invalid) {
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= n && !(len == 2 && c < 0xC2);
        for (std::size_t k = 1; ok && k < len; ++k)
            ok = (p[i + k] & 0xC0) == 0x80;
        if (!ok) {
            invalid(c);
            ++i;
            continue;
        }
        valid(s.data() + i, len);
        i += len;
    }
}

std::string json_string(const std::string &s) {
    std::string r = "\"";
    utf8_bytes(
        s,
        [&](const char *p, std::size_t len) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (len == 1 && (c < 0x20 || c == '"' || c == '\\')) {
                static const char *hex = "0123456789abcdef";
                switch (c) {
                case '"': r += "\\\""; break;
                case '\\': r += "\\\\"; break;
                case '\n': r += "\\n"; break;
                case '\r': r += "\\r"; break;
                case '\t': r += "\\t"; break;
                default:
                    r += "\\u00";
                    r += hex[c >> 4];
                    r += hex[c & 15];
                }
            } else {
                r.append(p, len);
            }
        },
        // A byte that is not UTF-8 is written as the character of that code
        // (Latin-1), so nothing is lost and the line stays valid JSON.
        [&](unsigned char c) {
            static const char *hex = "0123456789abcdef";
            r += "\\u00";
            r += hex[c >> 4];
            r += hex[c & 15];
        });
    return r + "\"";
}

std::string html_escape(const std::string &s) {
    std::string r;
    utf8_bytes(
        s,
        [&](const char *p, std::size_t len) {
            if (len == 1) {
                switch (*p) {
                case '&': r += "&amp;"; return;
                case '<': r += "&lt;"; return;
                case '>': r += "&gt;"; return;
                case '"': r += "&quot;"; return;
                default: break;
                }
            }
            r.append(p, len);
        },
        // The page is UTF-8: a stray byte shows as the replacement character.
        [&](unsigned char) { r += "\xEF\xBF\xBD"; });
    return r;
}

// ---------------------------------------------------------------------
// scan


class PlainOutput : public Consumer {
public:
    bool needs_places() const override { return false; }
    bool copies_text() const override { return true; }
    void text(char, const Span &s, const Place &) override { write_bytes(s.bytes, s.len); }
    void citation(const Citation &c) override { write_bytes(c.text); }
};

class AnsiOutput : public PlainOutput {
public:
    void citation(const Citation &c) override {
        write_bytes("\x1b[33;40;1m");
        write_bytes(c.text);
        write_bytes("\x1b[37;40;0m");
    }
};

// makeindex treats ! @ | " as syntax: quote them.
std::string makeindex_quote(const std::string &s) {
    std::string r;
    for (char ch : s) {
        if (ch == '!' || ch == '@' || ch == '|' || ch == '"')
            r += '"';
        r += ch;
    }
    return r;
}

// The index sort key of a unit: start and end position, zero-padded, so
// that a plain string sort gives the canonical order.
std::string sort_key(const PARS_UNIT *u) {
    auto pad = [](int n) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%03d", n < 0 ? 0 : n > 999 ? 999 : n);
        return std::string(buf);
    };
    return pad(u->bf) + "." + pad(u->cf) + "." + pad(u->vf) + "-" + pad(u->b) + "." +
           pad(u->c) + "." + pad(u->v);
}

class TexOutput : public PlainOutput {
public:
    TexOutput(LANG *l, std::string macro, bool index)
        : l_(l), macro_(std::move(macro)), index_(index) {}
    void citation(const Citation &c) override {
        write_bytes("\\" + macro_ + "{" + c.text + "}");
        if (!index_)
            return;
        Units pp = expanded_units(c.normalized, l_);
        for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u)
            write_bytes("\\index{" + sort_key(*u) + "@" + makeindex_quote(unit_text(*u, l_)) +
                        "}");
    }

private:
    LANG *l_;
    std::string macro_;
    bool index_;
};

class HtmlOutput : public Consumer {
public:
    bool needs_places() const override { return false; }
    explicit HtmlOutput(LANG *l) : l_(l) {
        write_bytes("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>tovrin</title>\n<style>\n"
                    "mark.citation { background: #ffe066; }\n"
                    "h2 { font-family: sans-serif; font-size: 1em; }\n"
                    "</style>\n</head>\n<body>\n");
    }
    ~HtmlOutput() override { write_bytes("</body>\n</html>\n"); }
    void begin_file(const std::string &name) override {
        write_bytes("<h2>" + html_escape(name) + "</h2>\n<pre>");
    }
    void end_file() override {
        flush();
        write_bytes("</pre>\n");
    }
    // A letter of several bytes comes in several spans: the text is
    // escaped in pieces that end with an ASCII byte, so that no sequence is
    // cut (a stray byte shows as the replacement character).
    void text(char, const Span &s, const Place &) override {
        pending_.append(s.bytes, s.len);
        if ((pending_.size() >= 4096 && static_cast<unsigned char>(pending_.back()) < 0x80) ||
            pending_.size() >= 65536)
            flush();
    }
    void citation(const Citation &c) override {
        flush();
        write_bytes("<mark class=\"citation\" title=\"" + html_escape(canonical(c.normalized, l_)) +
                    "\">" + html_escape(c.text) + "</mark>");
    }

private:
    void flush() {
        write_bytes(html_escape(pending_));
        pending_.clear();
    }

    LANG *l_;
    std::string pending_;
};

class JsonOutput : public Consumer {
public:
    explicit JsonOutput(LANG *l) : l_(l) {}
    void begin_file(const std::string &name) override { file_ = name; }
    void text(char, const Span &, const Place &) override {}
    void citation(const Citation &c) override {
        write_bytes("{\"file\":" + json_string(file_) + ",\"line\":" + std::to_string(c.at.line) +
                    ",\"column\":" + std::to_string(c.at.column) +
                    ",\"offset\":" + std::to_string(c.at.offset) +
                    ",\"text\":" + json_string(c.text) +
                    ",\"canonical\":" + json_string(canonical(c.normalized, l_)) + "}\n");
    }

private:
    LANG *l_;
    std::string file_;
};

// ---------------------------------------------------------------------
// index

struct IndexEntry {
    PARS_UNIT unit;
    std::string text;
    std::vector<std::string> places; // file:line, in order of citing
};

class IndexCollector : public Consumer {
public:
    explicit IndexCollector(LANG *l) : l_(l) {}
    void begin_file(const std::string &name) override { file_ = name; }
    void text(char, const Span &, const Place &) override {}
    void citation(const Citation &c) override {
        Units pp = expanded_units(c.normalized, l_);
        const std::string place = file_ + ":" + std::to_string(c.at.line);
        for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u) {
            const std::string text = unit_text(*u, l_);
            auto [it, fresh] = by_text_.try_emplace(text, entries_.size());
            if (fresh)
                entries_.push_back(IndexEntry{**u, text, {}});
            auto &places = entries_[it->second].places;
            if (places.empty() || places.back() != place)
                places.push_back(place);
        }
    }
    // The entries in canonical order: compare_pu ranks the earlier start
    // (and, from the same start, the wider span) first.
    std::vector<IndexEntry> sorted() {
        std::vector<IndexEntry> r = entries_;
        std::stable_sort(r.begin(), r.end(), [](const IndexEntry &a, const IndexEntry &b) {
            PARS_UNIT ua = a.unit, ub = b.unit;
            return compare_pu(&ua, &ub) == 1;
        });
        return r;
    }

private:
    LANG *l_;
    std::string file_;
    std::vector<IndexEntry> entries_;
    std::map<std::string, std::size_t> by_text_;
};

// ---------------------------------------------------------------------
// grep

class GrepOutput : public Consumer {
public:
    GrepOutput(LANG *l, std::string query) : l_(l), query_(std::move(query)) {}
    bool matched() const { return matched_; }
    void begin_file(const std::string &name) override {
        file_ = name;
        line_.clear();
        line_no_ = 1;
        hit_ = false;
    }
    void text(char, const Span &s, const Place &) override { add(s.bytes, s.len, false); }
    void citation(const Citation &c) override {
        // A shared passage in either direction: the overlap test is not
        // symmetric.
        const bool match = tovrin_is_equal(c.normalized.c_str(), query_.c_str(), l_, l_) ||
                           tovrin_is_equal(query_.c_str(), c.normalized.c_str(), l_, l_);
        hit_ = hit_ || match;
        add(c.text.data(), c.text.size(), match);
    }
    void end_file() override {
        if (!line_.empty())
            flush_line();
    }

private:
    // A matching citation that runs over a line break reports every line
    // it touches, each with its own number.
    void add(const char *p, std::size_t n, bool match) {
        for (std::size_t k = 0; k < n; ++k) {
            if (p[k] == '\n') {
                flush_line();
                ++line_no_;
                hit_ = match;
            } else {
                line_ += p[k];
            }
        }
    }
    void flush_line() {
        if (hit_) {
            matched_ = true;
            write_bytes(file_ + ":" + std::to_string(line_no_) + ":" + line_ + "\n");
        }
        line_.clear();
        hit_ = false;
    }

    LANG *l_;
    std::string query_;
    std::string file_;
    std::string line_;
    long line_no_ = 1;
    bool hit_ = false, matched_ = false;
};

// ---------------------------------------------------------------------
// lint

// Collects a file's normalised text, where each byte came from, and the
// citations the scanner accepted; the analysis runs at the end of the file.
class LintCollector : public Consumer {
public:
    LintCollector(LANG *l) : l_(l) {}
    int problems() const { return problems_; }

    void begin_file(const std::string &name) override {
        file_ = name;
        text_.clear();
        places_.clear();
        accepted_.clear();
    }
    void text(char normalized, const Span &, const Place &at) override {
        text_ += normalized;
        places_.push_back(at);
    }
    void citation(const Citation &c) override {
        accepted_.push_back({text_.size(), text_.size() + c.normalized.size()});
        Place at = c.at;
        for (char ch : c.normalized) {
            text_ += ch;
            places_.push_back(at);
            ++at.column; // only the start of each citation is reported
        }
    }
    void end_file() override { analyse(); }

private:
    struct Range {
        std::size_t begin, end;
    };

    bool is_letter(char c) const { return ifc_2(static_cast<signed char>(c), l_) != 0; }
    bool is_digit(char c) const { return c >= '0' && c <= '9'; }

    // The text from `begin` up to where a fresh lexer stops, without the
    // spaces before that point.
    std::string lex_candidate(std::size_t begin) const {
        std::string text;
        PARS p;
        tovrin_pinit(&p, l_);
        for (std::size_t i = begin; i < text_.size(); ++i) {
            tovrin_parser(static_cast<signed char>(text_[i]), &p);
            if (p.errr == 1 || p.sta < 0)
                break;
            text += text_[i];
        }
        tovrin_pfree(&p);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }

    // One short word, perhaps after the number of a book: books are
    // numbered 1 to 5 (1-5 Mojž, 1-4 Mak), so "2011. Asi 3,5" or "12. Jen
    // 2,5" are the end of a sentence and the start of the next one.
    static bool looks_abbreviated(const char *name) {
        const char *word = name;
        while (*word >= '0' && *word <= '9')
            ++word;
        if (word != name) {
            if (word - name > 1 || *name < '1' || *name > '5')
                return false;
            if (*word == ' ')
                ++word;
        }
        return std::strchr(word, ' ') == nullptr && std::strlen(word) <= 5;
    }

    // What a candidate looks like: a book name with letters followed by a
    // chapter and a verse is meant as a citation; so is a known book with a
    // chapter.
    struct Shape {
        bool verse = false;
        bool chapter = false;
        bool known_book = false;
        bool abbreviation = false; // the book name: one short word, or number + word
        bool compact = false;      // a chapter and verse written together: "3,4"
        bool long_chapter = false; // a chapter of four digits or more
    };
    Shape shape(const std::string &cite) const {
        Shape sh;
        PARS p;
        tovrin_pinit(&p, l_);
        int last = 0;
        bool letters = false;
        for (std::size_t i = 0; p.end != 1; ++i) {
            tovrin_parser(static_cast<signed char>(cite.c_str()[i]), &p);
            if ((p.ousta == TK_BOOK || p.ousta == TK_BOOK_FROM) && last == 0) {
                sh.known_book = findbook(p.out, l_) != 0;
                sh.abbreviation = looks_abbreviated(p.out);
                for (const char *s = p.out; *s; ++s)
                    letters |= is_letter(*s);
            }
            if ((p.ousta == TK_CHAPTER || p.ousta == TK_CHAPTER_FROM) && last <= TK_BOOK_FROM) {
                sh.chapter = letters;
                sh.long_chapter = sh.long_chapter || std::strlen(p.out) > 3;
            }
            if ((p.ousta == TK_VERSE || p.ousta == TK_VERSE_FROM) && last == TK_CHAPTER)
                sh.verse = sh.verse || letters;
            if (p.ousta > 0)
                last = p.ousta;
        }
        tovrin_pfree(&p);
        for (std::size_t i = 1; i + 1 < cite.size() && !sh.compact; ++i)
            sh.compact = static_cast<signed char>(cite[i]) == l_->chars[3] &&
                         is_digit(cite[i - 1]) && is_digit(cite[i + 1]);
        return sh;
    }

    // Whether a candidate is meant as a citation, so that its failures are
    // worth reporting. Prose is full of a capitalised word before a number:
    //  * An unknown book counts only when its name looks like an
    //    abbreviation (one short word, perhaps after a number) with chapter
    //    and verse written together, and not at the start of a sentence,
    //    where every word is capitalised: "Kapitola 3,5", "Karel IV. a 9,5",
    //    "Asi 3,5 km", "Praha 5, 6 a 8" are no citations. The price: an
    //    unknown name right after a full stop ("srov. Xy 3,4") is missed,
    //    since "srov." cannot be told from the end of a sentence.
    //  * A known book followed by a number of four digits and no verse is a
    //    year or a count ("Na 1500 metrech", "Jan 2024"), not a chapter.
    bool meant(const Shape &sh, std::size_t at) const {
        if (sh.known_book)
            return sh.chapter && !(sh.long_chapter && !sh.verse);
        return sh.verse && sh.abbreviation && sh.compact && !starts_sentence(at);
    }

    bool starts_sentence(std::size_t i) const {
        while (i > 0 && text_[i - 1] == ' ')
            --i;
        return i == 0 || std::strchr(".!?\n", text_[i - 1]) != nullptr;
    }

    // The longest prefix of a candidate that lexes as a whole: what stops
    // the lexer is often just the punctuation of the sentence ("L 6,20.").
    std::string lexable(std::string cite) const {
        while (!cite.empty() && tovrin_check1(cite.c_str(), l_) != 0)
            cite.pop_back();
        while (!cite.empty() && cite.back() == ' ')
            cite.pop_back();
        return cite;
    }

    // The first check the text fails, as a message; empty when it passes.
    std::string failure(const std::string &cite) const {
        const char *s = cite.c_str();
        if (cite.empty())
            return "";
        if (char *bad = tovrin_check2(s, l_))
            return "unknown book name '" + take_text(bad) + "' in '" + cite + "'";
        if (char *bad = tovrin_check3(s, l_))
            return "chapter or verse number '" + take_text(bad) + "' out of range 1-999 in '" +
                   cite + "'";
        if (tovrin_check4(s, l_))
            return "reversed range in '" + cite + "'";
        if (tovrin_check9(s, l_))
            return "missing chapter in '" + cite + "'";
        return "";
    }

    void report(std::size_t at, const std::string &message) {
        const Place &p = places_[at];
        ++problems_;
        std::cout << file_ << ":" << p.line << ":" << p.column << ": " << message << "\n";
    }

    // A digit after "5," "3." or "5:" continues a number (a verse, a
    // decimal, a time), and does not start one.
    bool starts_word(std::size_t i) const {
        if (i == 0)
            return true;
        const char before = text_[i - 1];
        if (is_letter(before) || is_digit(before))
            return false;
        const bool joint = before == ',' || before == '.' || before == ':' ||
                           static_cast<signed char>(before) == l_->chars[2] ||
                           static_cast<signed char>(before) == l_->chars[3];
        return !(joint && is_digit(text_[i]) && i >= 2 && is_digit(text_[i - 2]));
    }

    void analyse() {
        std::size_t next_accepted = 0;
        for (std::size_t i = 0; i < text_.size(); ++i) {
            // Inside an accepted citation: only what continues it directly
            // (a range or list the checks rejected) is looked at.
            if (next_accepted < accepted_.size() && accepted_[next_accepted].begin == i) {
                const Range r = accepted_[next_accepted++];
                check_continuation(r);
                i = r.end - 1;
                continue;
            }
            const char ch = text_[i];
            if (!starts_word(i) || !(is_digit(ch) || ifc_4(static_cast<signed char>(ch), l_)))
                continue;
            const std::string c = lexable(lex_candidate(i));
            if (!meant(shape(c), i))
                continue;
            const std::string why = failure(c);
            if (why.empty())
                continue;
            report(i, why);
            // The word of a reported book name is not looked at again on its
            // own ("Xy 3,4" in "1 Xy 3,4").
            std::size_t j = i;
            while (j < text_.size() && !is_letter(text_[j]))
                ++j;
            while (j < text_.size() && is_letter(text_[j]))
                ++j;
            if (next_accepted < accepted_.size())
                j = std::min(j, accepted_[next_accepted].begin);
            i = std::max(i, j - 1);
        }
    }

    void check_continuation(const Range &r) {
        const std::string c = lexable(lex_candidate(r.begin));
        if (c.size() <= r.end - r.begin)
            return;
        // After a citation separator a new citation begins; it is looked at
        // on its own.
        std::size_t k = r.end;
        while (k < text_.size() && text_[k] == ' ')
            ++k;
        if (k < text_.size() && static_cast<signed char>(text_[k]) == l_->chars[0])
            return;
        if (!meant(shape(c), r.begin))
            return;
        const std::string why = failure(c);
        if (!why.empty())
            report(r.begin, why);
    }

    LANG *l_;
    std::string file_;
    std::string text_;
    std::vector<Place> places_;
    std::vector<Range> accepted_;
    int problems_ = 0;
};

std::string default_scan_format() { return isatty(fileno(stdout)) ? "ansi" : "plain"; }

} // namespace

namespace cli {

int cmd_scan(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? default_scan_format() : o.format;
    // Checked before any output: the HTML page starts when it is made.
    if (o.index && format != "tex")
        usage_error("--index goes with --format tex");
    std::unique_ptr<Consumer> consumer;
    if (format == "plain")
        consumer = std::make_unique<PlainOutput>();
    else if (format == "ansi")
        consumer = std::make_unique<AnsiOutput>();
    else if (format == "tex")
        consumer = std::make_unique<TexOutput>(l, o.macro, o.index);
    else if (format == "html")
        consumer = std::make_unique<HtmlOutput>(l);
    else if (format == "json")
        consumer = std::make_unique<JsonOutput>(l);
    else
        usage_error("unknown format '" + format + "' (ansi, plain, tex, html, json)");
    Scan scan(l, o.exact, *consumer);
    const int status = scan_files(o, scan);
    consumer.reset(); // the HTML page is closed here
    std::fflush(stdout);
    return status;
}

int cmd_lint(const Options &o) {
    LANG *l = language(o.lang);
    LintCollector lint(l);
    Scan scan(l, o.exact, lint);
    const int status = scan_files(o, scan);
    std::cout.flush();
    return status != 0 ? status : lint.problems() > 0 ? 1 : 0;
}

int cmd_index(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? "text" : o.format;
    if (format != "text" && format != "json")
        usage_error("unknown index format '" + format + "' (text, json)");
    IndexCollector index(l);
    Scan scan(l, o.exact, index);
    const int status = scan_files(o, scan);
    const auto entries = index.sorted();
    if (format == "text") {
        for (const auto &e : entries) {
            std::cout << e.text << '\t';
            for (std::size_t k = 0; k < e.places.size(); ++k)
                std::cout << (k ? ", " : "") << e.places[k];
            std::cout << '\n';
        }
    } else {
        std::cout << "[";
        for (std::size_t k = 0; k < entries.size(); ++k) {
            std::cout << (k ? ",\n " : "\n ") << "{\"citation\":" << json_string(entries[k].text)
                      << ",\"places\":[";
            for (std::size_t j = 0; j < entries[k].places.size(); ++j)
                std::cout << (j ? "," : "") << json_string(entries[k].places[j]);
            std::cout << "]}";
        }
        std::cout << (entries.empty() ? "]\n" : "\n]\n");
    }
    std::cout.flush();
    return status;
}

int cmd_grep(const Options &o) {
    if (o.args.empty())
        usage_error("grep needs a CITATION");
    LANG *l = language(o.lang);
    // The overlap test takes anything, and a text that is no citation (a
    // book name unknown, a number 0) would match every citation. A bare
    // book is fine: it stands for the whole book.
    const char *query = o.args[0].c_str();
    char *bad_book = tovrin_check2(query, l);
    char *bad_number = tovrin_check3(query, l);
    const bool citation = tovrin_check1(query, l) == 0 && bad_book == nullptr &&
                          bad_number == nullptr && tovrin_check4(query, l) == 0;
    std::free(bad_book);
    std::free(bad_number);
    if (!citation)
        usage_error("grep: '" + o.args[0] + "' is not a citation");
    Options files = o;
    files.args.erase(files.args.begin());
    GrepOutput grep(l, o.args[0]);
    Scan scan(l, o.exact, grep);
    const int status = scan_files(files, scan);
    std::fflush(stdout);
    if (status != 0)
        return 2;
    return grep.matched() ? 0 : 1;
}

} // namespace cli
