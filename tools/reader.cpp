// The typographic forms of the text reader (reader.h): the lookahead that
// runs only for the few bytes that may begin a form.
#include "reader.h"

#include <cstdio>
#include <memory>
#include <new>

namespace cli {

namespace {

void add(Span &span, int c) { span.bytes[span.len++] = static_cast<char>(c); }

} // namespace

[[gnu::noinline]] int Reader::form_at(int c, Span &form, bool &is_form) {
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

int Reader::take(Span &span) {
    int c = count_ > 0 ? ahead_[--count_] : getc_unlocked(f_);
    span = Span{};
    if (c >= 0)
        add(span, c);
    return c;
}

int Reader::peek() {
    if (count_ == 0) {
        int c = getc_unlocked(f_);
        if (c < 0)
            return c;
        ahead_[count_++] = c;
    }
    return ahead_[count_ - 1];
}

// Peeks at the byte after the next one (the two-byte lookahead of the
// three-byte dashes).
int Reader::peek2() {
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

void Reader::absorb(Span &span) {
    Span extra;
    add(span, take(extra));
}

int Reader::typographic(int c, Span &span) {
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
int Reader::line_break() {
    const int n = peek();
    if (n < 0 || n == '\n' || n == '\r' || blank_line_)
        return '\n';
    return ' ';
}

Normalized normalize(const std::string &original, bool exact, signed char range_mark) {
    Normalized r;
    // fmemopen() refuses an empty buffer on some systems: nothing to read.
    if (!original.empty()) {
        std::unique_ptr<FILE, int (*)(FILE *)> f(
            fmemopen(const_cast<char *>(original.data()), original.size(), "r"), &std::fclose);
        if (f == nullptr)
            throw std::bad_alloc();
        Reader reader(f.get(), exact, range_mark);
        std::size_t at = 0;
        for (;;) {
            Span form;
            bool is_form = false;
            const int c = reader.next(form, is_form);
            if (c < 0)
                break;
            r.text += static_cast<char>(c);
            r.origin.push_back(at);
            at += is_form ? form.len : 1;
        }
    }
    r.origin.push_back(original.size());
    return r;
}

} // namespace cli
