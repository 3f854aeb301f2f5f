// lint's scan: see lintscan.h.
#include "lintscan.h"

#include "tovrin.hpp"

namespace cli {

void LintScan::read(FILE *f, const Place &start) {
    Reader reader(f, exact_, l_->chars[1], phrases_of(l_));
    place_ = start;
    characters_ = CharacterCounter{};
    forms_.clear();
    handed_ = consumed_ = 0;
    tovrin::BlockScanner scanner{tovrin::Language(l_), flags_};
    std::string pending; // the normalised view from consumed_ on
    std::vector<tovrin_span> spans;
    for (bool more = true; more;) {
        const std::size_t before = pending.size();
        more = read_block(reader, pending);
        scanner.feed(std::string_view(pending).substr(before), spans);
        if (!more)
            scanner.finish(spans);
        hand_out(pending, spans, scanner.decided());
    }
}

bool LintScan::read_block(Reader &reader, std::string &pending) {
    const std::size_t start = pending.size();
    pending.resize(start + kBlock);
    std::size_t n = 0;
    bool more = true;
    while (n < kBlock) {
        // Runs of bytes that stand for themselves, then one byte by next().
        const std::size_t run = reader.next_plain(pending.data() + start + n, kBlock - n);
        n += run;
        handed_ += static_cast<long long>(run);
        if (n == kBlock)
            break;
        Span form;
        bool is_form = false;
        const int c = reader.next(form, is_form);
        if (c < 0) {
            more = false;
            break;
        }
        if (is_form)
            forms_.emplace_back(handed_, form);
        pending[start + n++] = static_cast<char>(c);
        ++handed_;
    }
    pending.resize(start + n);
    return more;
}

void LintScan::hand_out(std::string &pending, std::vector<tovrin_span> &spans, long long decided) {
    const long long base = consumed_;
    for (const tovrin_span &s : spans) {
        text_until(pending, base, s.offset);
        citation(pending, base, s.length);
    }
    spans.clear();
    text_until(pending, base, decided);
    pending.erase(0, static_cast<std::size_t>(consumed_ - base));
}

void LintScan::text_until(const std::string &pending, long long base, long long end) {
    while (consumed_ < end) {
        const char c = pending[static_cast<std::size_t>(consumed_ - base)];
        const Span span = take_span(c);
        consumer_.text(c, span, place_);
        advance(span);
    }
}

void LintScan::citation(const std::string &pending, long long base, long long length) {
    Citation c;
    c.at = place_;
    c.normalized = pending.substr(static_cast<std::size_t>(consumed_ - base),
                                  static_cast<std::size_t>(length));
    for (const char b : c.normalized) {
        const Span span = take_span(b);
        c.text.append(span.data(), span.size());
        advance(span);
    }
    consumer_.citation(c);
}

// The original bytes of the next byte of the normalised view, `c`: most
// bytes stand for themselves.
Span LintScan::take_span(char c) {
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

void LintScan::advance(const Span &span) {
    const char *bytes = span.data();
    for (std::size_t k = 0; k < span.size(); ++k) {
        ++place_.offset;
        if (bytes[k] == '\n') {
            ++place_.line;
            place_.column = 1;
        } else if (characters_.starts_character(static_cast<unsigned char>(bytes[k]))) {
            ++place_.column;
        }
    }
}

} // namespace cli
