// tovrin scan: the text with every citation found, in one of five formats
// (plain, ansi, tex, html, json).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "citetext.h"
#include "cli.h"
#include "parallel.h"
#include "progress.h"
#include "textscan.h"
#include "tovrin.hpp"

namespace cli {

namespace {

// The parts of a record that only the formats named print.
constexpr unsigned kAllButText =
    TOVRIN_WITHOUT_PLACES | TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS | TOVRIN_WITHOUT_UNITS;

class PlainOutput : public Consumer {
public:
    unsigned without() const override { return kAllButText; }
    void text(std::string_view run, long long) override { write_bytes(run); }
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
    unsigned without() const override {
        return index_ ? kAllButText & ~TOVRIN_WITHOUT_UNITS : kAllButText;
    }
    void citation(const Citation &c) override {
        write_bytes("\\" + macro_ + "{" + c.text + "}");
        if (!index_)
            return;
        for (const PARS_UNIT &u : units_of(*c.record))
            write_bytes("\\index{" + sort_key(&u) + "@" + makeindex_quote(unit_text(&u, l_)) +
                        "}");
    }

private:
    LANG *l_;
    std::string macro_;
    bool index_;
};

class HtmlOutput : public Consumer {
public:
    unsigned without() const override { return kAllButText & ~TOVRIN_WITHOUT_CANONICAL; }
    static void begin_page() {
        write_bytes("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                    "<title>tovrin</title>\n<style>\n"
                    "mark.citation { background: #ffe066; }\n"
                    "h2 { font-family: sans-serif; font-size: 1em; }\n"
                    "</style>\n</head>\n<body>\n");
    }
    static void end_page() { write_bytes("</body>\n</html>\n"); }
    void begin_file(const std::string &name) override {
        write_bytes("<h2>" + tovrin::html_escape(name) + "</h2>\n<pre>");
    }
    void end_file() override {
        flush();
        write_bytes("</pre>\n");
    }
    // A piece ends after a paragraph break, so its text ends with an ASCII
    // byte and can be escaped.
    void end_piece() override { flush(); }
    // A run of text may end inside a letter of several bytes: the text is
    // escaped up to its last ASCII byte, so that no sequence is cut (a
    // stray byte shows as the replacement character).
    void text(std::string_view run, long long) override {
        pending_ += run;
        if (pending_.size() < 4096)
            return;
        const auto ascii = std::find_if(pending_.rbegin(), pending_.rend(), [](char b) {
            return static_cast<unsigned char>(b) < 0x80;
        });
        const auto keep = static_cast<std::size_t>(ascii - pending_.rbegin());
        write_bytes(tovrin::html_escape(pending_.substr(0, pending_.size() - keep)));
        pending_.erase(0, pending_.size() - keep);
    }
    void citation(const Citation &c) override {
        flush();
        write_bytes("<mark class=\"citation\" title=\"" + tovrin::html_escape(c.record->canonical) +
                    "\">" + tovrin::html_escape(c.text) + "</mark>");
    }

private:
    void flush() {
        write_bytes(tovrin::html_escape(pending_));
        pending_.clear();
    }

    std::string pending_;
};

class JsonOutput : public Consumer {
public:
    unsigned without() const override { return TOVRIN_WITHOUT_UNITS; }
    void citation(const Citation &c) override {
        const char *osis = c.record->osis;
        write_bytes("{\"file\":" + tovrin::json_string(file()) + "," + json_where(c.at) +
                    ",\"offset\":" + std::to_string(c.at.offset) +
                    ",\"text\":" + tovrin::json_string(c.text) +
                    ",\"canonical\":" + tovrin::json_string(c.record->canonical) +
                    ",\"osis\":" + (osis != nullptr ? tovrin::json_string(osis) : "null") +
                    versification(*c.record) +
                    lectionary(*c.record) + "}\n");
    }

private:
    // The numbering system the OSIS ids follow, when there are ids.
    static std::string versification(const tovrin_citation &r) {
        return r.versification != nullptr ? ",\"versification\":" + tovrin::json_string(r.versification)
                                          : std::string();
    }
    // The lectionary forms of a record, when it has any: "optional" (the
    // verses that may be read too, each as offset from the citation's
    // start and length), "alternate" (another numbering, as written) and
    // "translation" (the tag of a translation written after it).
    static std::string lectionary(const tovrin_citation &r) {
        std::string fields;
        if (r.optional_count > 0) {
            fields += ",\"optional\":[";
            for (int k = 0; k < r.optional_count; ++k)
                fields += (k > 0 ? ",{\"offset\":" : "{\"offset\":") +
                          std::to_string(r.optional[k].offset) +
                          ",\"length\":" + std::to_string(r.optional[k].length) + "}";
            fields += "]";
        }
        if (r.alternate != nullptr)
            fields += ",\"alternate\":" + tovrin::json_string(r.alternate);
        if (r.translation != nullptr)
            fields += ",\"translation\":" + tovrin::json_string(r.translation);
        return fields;
    }
};

std::string default_scan_format() { return isatty(fileno(stdout)) ? "ansi" : "plain"; }

} // namespace

int cmd_scan(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? default_scan_format() : o.format;
    if (o.index && format != "tex")
        usage_error("--index goes with --format tex");
    const auto make = [&]() -> std::unique_ptr<Consumer> {
        if (format == "plain")
            return std::make_unique<PlainOutput>();
        if (format == "ansi")
            return std::make_unique<AnsiOutput>();
        if (format == "tex")
            return std::make_unique<TexOutput>(l, o.macro, o.index);
        if (format == "html")
            return std::make_unique<HtmlOutput>();
        if (format == "json")
            return std::make_unique<JsonOutput>();
        usage_error("unknown format '" + format + "' (ansi, plain, tex, html, json)");
    };
    make(); // a bad format is a usage error before any output
    if (format == "html")
        HtmlOutput::begin_page();
    int status;
    {
        // The text itself shows how far it got on a terminal.
        const progress::Line line(o.args, isatty(fileno(stdout)) != 0);
        status = scan_in_parallel(o.args, jobs(o), l, text_options(o.exact), [&] {
            ScanJob job;
            job.consumer = make();
            job.scan = std::make_unique<Scan>(l, text_options(o.exact), *job.consumer);
            return job;
        });
    }
    if (format == "html")
        HtmlOutput::end_page();
    std::fflush(stdout);
    return status;
}

} // namespace cli
