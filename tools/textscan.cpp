// The scan of the text commands: see textscan.h.
#include "textscan.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <iostream>
#include <memory>
#include <variant>
#include <vector>

namespace cli {

std::string where(const doc::Document *document, const Place &at, bool column) {
    if (document == nullptr) {
        std::string text = std::to_string(at.line);
        if (column)
            (text += ':') += std::to_string(at.column);
        return text;
    }
    const std::string text = doc::place_text(document->place(at.offset));
    return column ? text : text.substr(0, text.rfind(':'));
}

std::string Consumer::where(const Place &at, bool column) const {
    return cli::where(scanned_document_, at, column);
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
    consumer_.scanned_document_ = document;
    run_piece(f, name, Piece{});
}

void Scan::run_piece(FILE *f, const std::string &name, const Piece &piece) {
    Reader reader(f, exact_, l_->chars[1], phrases_of(l_));
    place_ = piece.start;
    characters_ = CharacterCounter{};
    forms_.clear();
    handed_ = consumed_ = 0;
    consumer_.scanned_file_ = name;
    if (piece.first)
        consumer_.begin_file(name);
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
    if (piece.last)
        consumer_.end_file();
    else
        consumer_.end_piece();
}

bool Scan::read_block(Reader &reader, std::string &pending) {
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
        if (is_form) [[unlikely]]
            remember_form(form);
        pending[start + n++] = static_cast<char>(c);
        ++handed_;
    }
    pending.resize(start + n);
    return more;
}

[[gnu::noinline]] void Scan::remember_form(const Span &span) {
    forms_.emplace_back(handed_, span);
}

void Scan::hand_out(std::string &pending, std::vector<tovrin_span> &spans, long long decided) {
    const long long base = consumed_;
    for (const tovrin_span &s : spans) {
        text_until(pending, base, s.offset);
        citation(pending, base, s.length);
    }
    spans.clear();
    text_until(pending, base, decided);
    pending.erase(0, static_cast<std::size_t>(consumed_ - base));
}

void Scan::text_until(const std::string &pending, long long base, long long end) {
    while (consumed_ < end) {
        const char c = pending[static_cast<std::size_t>(consumed_ - base)];
        // The common case of plain output: a run of bytes that stand for
        // themselves, up to the next typographic form.
        if (copies_text_ && !places_) {
            const long long run_end =
                forms_.empty() ? end : std::min(end, forms_.front().first);
            if (run_end > consumed_) {
                write_bytes(pending.data() + (consumed_ - base),
                            static_cast<std::size_t>(run_end - consumed_));
                consumed_ = run_end;
                continue;
            }
        }
        const Span span = take_span(c);
        if (copies_text_)
            write_bytes(span.data(), span.size());
        else
            consumer_.text(c, span, place_);
        advance(span);
    }
}

void Scan::citation(const std::string &pending, long long base, long long length) {
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

void Scan::advance(const Span &span) {
    if (!places_)
        return;
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

namespace {

void report(const std::string &message) {
    if (error_output != nullptr) {
        *error_output += message;
        return;
    }
    std::fflush(stdout);
    std::cerr << message;
}

void report_unreadable(const std::string &name, const std::string &why) {
    report("tovrin: cannot read '" + name + "': " + why + "\n");
}

void report_unopened(const std::string &name) {
    report("tovrin: cannot open '" + name + "': " + std::strerror(errno) + "\n");
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
