// The scan of the text commands: see textscan.h.
#include "textscan.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <variant>
#include <vector>

namespace cli {

std::string Consumer::where(const Place &at, bool column) const {
    if (scanned_document_ == nullptr)
        return std::to_string(at.line) + (column ? ":" + std::to_string(at.column) : "");
    const doc::Place p = scanned_document_->place(at.offset);
    const std::string text = doc::place_text(p);
    return column ? text : text.substr(0, text.rfind(':'));
}

std::string Consumer::json_where(const Place &at) const {
    if (scanned_document_ == nullptr)
        return "\"line\":" + std::to_string(at.line) + ",\"column\":" + std::to_string(at.column);
    const doc::Place p = scanned_document_->place(at.offset);
    const char *part = p.part == doc::Part::footnote  ? "footnote"
                       : p.part == doc::Part::endnote ? "endnote"
                                                      : "paragraph";
    return std::string("\"") + part + "\":" + std::to_string(p.number) +
           ",\"column\":" + std::to_string(p.column);
}

void Scan::run(FILE *f, const std::string &name, const doc::Document *document) {
    Reader reader(f, exact_, l_->chars[1]);
    reader_ = &reader;
    place_ = Place{};
    forms_.clear();
    handed_ = consumed_ = 0;
    consumer_.scanned_file_ = name;
    consumer_.scanned_document_ = document;
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

namespace {

void report_unreadable(const std::string &name, const std::string &why) {
    std::fflush(stdout);
    std::cerr << "tovrin: cannot read '" << name << "': " << why << "\n";
}

void report_unopened(const std::string &name) {
    std::fflush(stdout);
    std::cerr << "tovrin: cannot open '" << name << "': " << std::strerror(errno) << "\n";
}

// The rest of `f`, of at most `limit` bytes; false (errno set, EFBIG when
// it is larger) when it cannot be read.
bool read_bounded(FILE *f, std::size_t limit, std::string &bytes) {
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (bytes.size() + n > limit) {
            errno = EFBIG;
            return false;
        }
        bytes.append(chunk, n);
    }
    return !std::ferror(f);
}

// Scans the document `name` (.docx, .odt); 1 when it cannot be read.
int scan_document(const std::string &name, doc::Format format, Scan &scan) {
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(name.c_str(), "rb"), std::fclose);
    if (!file) {
        report_unopened(name);
        return 1;
    }
    std::string bytes;
    if (!read_bounded(file.get(), doc::kMaxFileBytes, bytes)) {
        report_unreadable(name, errno == EFBIG ? "larger than " +
                                                     std::to_string(doc::kMaxFileBytes >> 20) +
                                                     " MiB"
                                               : std::strerror(errno));
        return 1;
    }
    auto read = doc::read_document(bytes, format);
    if (const auto *error = std::get_if<doc::Error>(&read)) {
        report_unreadable(name, error->message);
        return 1;
    }
    const doc::Document &document = std::get<doc::Document>(read);
    const std::string &text = document.text();
    std::unique_ptr<FILE, int (*)(FILE *)> f(
        fmemopen(const_cast<char *>(text.data()), text.size(), "r"), std::fclose);
    if (!f) {
        report_unreadable(name, std::strerror(errno));
        return 1;
    }
    scan.run(f.get(), name, &document);
    return 0;
}

} // namespace

int scan_files(const std::vector<std::string> &files, Scan &scan) {
    int status = 0;
    if (files.empty()) {
        scan.run(stdin, "-");
        return 0;
    }
    for (const auto &name : files) {
        if (const doc::Format format = doc::format_of(name); format != doc::Format::text) {
            status |= scan_document(name, format, scan);
            continue;
        }
        FILE *f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
        if (f == nullptr) {
            report_unopened(name);
            status = 1;
            continue;
        }
        scan.run(f, name);
        // A directory opens, but reading it fails.
        if (std::ferror(f)) {
            report_unreadable(name, std::strerror(errno));
            status = 1;
        }
        if (f != stdin)
            std::fclose(f);
    }
    return status;
}

} // namespace cli
