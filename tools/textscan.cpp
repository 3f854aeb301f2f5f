// The scan of the text commands: see textscan.h.
#include "textscan.h"

#include "progress.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
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

tovrin_options text_options(bool exact) {
    tovrin_options o = tovrin_default_options();
    o.exact = exact;
    return o;
}

int source_for(const std::string &file) {
    if (given_source != kSourceByName)
        return given_source;
    return file == "-" ? TOVRIN_SOURCE_TEXT : tovrin_source_of_name(file.c_str());
}

std::string sigla_for(const std::string &file) {
    const std::size_t slash = file == "-" ? std::string::npos : file.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    std::string sigla = given_sigla;
    std::ifstream in(dir + "/" + kSiglaFile);
    // One or more sigla a line; "%" or "#" begins a comment.
    for (std::string line; std::getline(in, line);)
        (sigla += ' ') += line.substr(0, line.find_first_of("%#"));
    return sigla;
}

Scan::Scan(LANG *l, const tovrin_options &options, Consumer &consumer)
    : l_(l), options_(options), consumer_(consumer) {
    options_.without |= consumer.without();
}

void Scan::run(FILE *f, const std::string &name, const doc::Document *document) {
    consumer_.scanned_document_ = document;
    run_piece(f, name, Piece{});
}

void Scan::run_piece(FILE *f, const std::string &name, const Piece &piece) {
    consumer_.scanned_file_ = name;
    sigla_ = sigla_for(name);
    source_ = source_for(name);
    if (piece.first)
        consumer_.begin_file(name);
    else
        consumer_.begin_piece(name, piece.start);
    start_ = piece.start;
    handed_ = 0;
    read(f);
    if (piece.last) {
        consumer_.end_file();
        progress::file_done();
    } else {
        consumer_.end_piece();
    }
}

void Scan::read(FILE *f) {
    std::vector<char> block(std::size_t{1} << 16);
    // The progress line counts the bytes of text files; a document counts
    // once read whole (its text is not what the file holds).
    const bool text_file = consumer_.scanned_document_ == nullptr;
    const auto next = [&] {
        const std::size_t n = std::fread(block.data(), 1, block.size(), f);
        if (text_file)
            progress::read(n);
        return n;
    };
    std::size_t n;
    if (!consumer_.reads_citations()) {
        while ((n = next()) > 0)
            on_text(block.data(), n, this);
        return;
    }
    tovrin_options options = options_;
    options.sigla = sigla_.c_str();
    const std::unique_ptr<tovrin_reader, void (*)(tovrin_reader *)> reader(
        tovrin_reader_new_source(l_, &options, source_), tovrin_reader_free);
    if (!reader)
        throw std::bad_alloc();
    const tovrin_handler handler{on_citation, on_text, this};
    while ((n = next()) > 0)
        tovrin_reader_feed(reader.get(), block.data(), n, &handler);
    tovrin_reader_finish(reader.get(), &handler);
}

void Scan::on_text(const char *text, std::size_t len, void *scan) {
    Scan &s = *static_cast<Scan *>(scan);
    s.consumer_.text(std::string_view(text, len), s.start_.offset + s.handed_);
    s.handed_ += static_cast<long long>(len);
}

void Scan::on_citation(const tovrin_citation *c, void *scan) {
    Scan &s = *static_cast<Scan *>(scan);
    Citation citation;
    citation.text.assign(c->text, static_cast<std::size_t>(c->length));
    citation.normalized = c->read;
    citation.at = s.place_of(*c);
    citation.record = c;
    s.handed_ = c->offset + c->length;
    s.consumer_.citation(citation);
}

// The place of `c` in the file: a piece begins at start_.
Place Scan::place_of(const tovrin_citation &c) const {
    Place p;
    p.offset = start_.offset + c.offset;
    p.line = start_.line + c.line - 1;
    p.column = c.line == 1 ? start_.column + c.column - 1 : c.column;
    return p;
}

namespace {

void report(const std::string &message) {
    if (error_output != nullptr) {
        *error_output += message;
        return;
    }
    progress::clear();
    std::fflush(stdout);
    std::cerr << message;
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

// Scans the document `name` (.docx, .odt); kError when it cannot be read.
int scan_document(const std::string &name, doc::Format format, Scan &scan) {
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(name.c_str(), "rb"), std::fclose);
    if (!file) {
        report_unopened(name);
        return kError;
    }
    std::string bytes;
    if (!read_bounded(file.get(), doc::kMaxFileBytes, bytes)) {
        report_unreadable(name, errno == EFBIG ? "larger than " +
                                                     std::to_string(doc::kMaxFileBytes >> 20) +
                                                     " MiB"
                                               : std::strerror(errno));
        return kError;
    }
    auto read = doc::read_document(bytes, format);
    if (const auto *error = std::get_if<doc::Error>(&read)) {
        report_unreadable(name, error->message);
        return kError;
    }
    const doc::Document &document = std::get<doc::Document>(read);
    const std::string &text = document.text();
    std::unique_ptr<FILE, int (*)(FILE *)> f(
        fmemopen(const_cast<char *>(text.data()), text.size(), "r"), std::fclose);
    if (!f) {
        report_unreadable(name, std::strerror(errno));
        return kError;
    }
    scan.run(f.get(), name, &document);
    progress::read(bytes.size());
    return 0;
}

} // namespace

void report_unreadable(const std::string &name, const std::string &why) {
    report("tovrin: cannot read '" + name + "': " + why + "\n");
}

int scan_files(const std::vector<std::string> &files, Scan &scan) {
    int status = 0;
    if (files.empty()) {
        scan.run(stdin, "-");
        return 0;
    }
    for (const auto &name : files) {
        if (const doc::Format format = doc::format_of(name); format != doc::Format::text) {
            status = std::max(status, scan_document(name, format, scan));
            continue;
        }
        FILE *f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
        if (f == nullptr) {
            report_unopened(name);
            status = kError;
            continue;
        }
        scan.run(f, name);
        // A directory opens, but reading it fails.
        if (std::ferror(f)) {
            report_unreadable(name, std::strerror(errno));
            status = kError;
        }
        if (f != stdin)
            std::fclose(f);
    }
    return status;
}

} // namespace cli
