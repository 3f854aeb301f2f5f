// The scan of the text commands: see textscan.h.
#include "textscan.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

namespace cli {

void Scan::run(FILE *f, const std::string &name) {
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

int Scan::in() {
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

[[gnu::noinline]] void Scan::remember_form(const Span &span) {
    forms_.emplace_back(handed_, span);
}

// The original bytes of the next byte the scanner writes, which it read
// as `c`: most bytes stand for themselves.
Span Scan::take_span(char c) {
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

void Scan::out(int c) {
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

void Scan::heureka() {
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

void Scan::advance(const Span &span) {
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

int scan_files(const std::vector<std::string> &files, Scan &scan) {
    int status = 0;
    if (files.empty()) {
        scan.run(stdin, "-");
        return 0;
    }
    for (const auto &name : files) {
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

} // namespace cli
