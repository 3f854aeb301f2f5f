// tovrin index: the Scripture index of a document. Every citation found is
// split into its units; each unit, written canonically, lists the places
// that cite it, and the units come in canonical order, under their books.
#include "index.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "parallel.h"
#include "progress.h"
#include "textscan.h"
#include "tovrin.hpp"

namespace cli {

std::vector<PARS_UNIT> index_units(const char *read, LANG *l) {
    const std::unique_ptr<PARS_UNIT *, void (*)(PARS_UNIT **)> pp(
        tovrin_units_versified(read, l, nullptr), freepus);
    std::vector<PARS_UNIT> units;
    for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u)
        units.push_back(**u);
    return units;
}

int index_book(const PARS_UNIT &u) { return u.bf > 0 ? u.bf : u.b; }

namespace {

// A number of a key in three digits ("005"), so that keys sort as strings
// in the order of their numbers; written by hand, as keys are made for
// every unit of every citation.
void append_padded(std::string &key, int n) {
    n = std::clamp(n, 0, 999);
    key += static_cast<char>('0' + n / 100);
    key += static_cast<char>('0' + n / 10 % 10);
    key += static_cast<char>('0' + n % 10);
}

std::string pad(int n) {
    std::string key;
    append_padded(key, n);
    return key;
}

// A position: book, chapter, verse, verse part (its byte; 0: none).
void append_position(std::string &key, int book, int chapter, int verse, signed char part) {
    for (const int n : {book, chapter, verse}) {
        append_padded(key, n);
        key += '.';
    }
    append_padded(key, static_cast<unsigned char>(part));
}

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

} // namespace

std::string index_book_key(const PARS_UNIT &u) { return pad(index_book(u)); }

std::string index_key(const PARS_UNIT &u) {
    std::string key;
    key.reserve(31);
    append_position(key, index_book(u), u.cf, u.vf, u.abf);
    key += '-';
    append_position(key, u.b, u.c, u.v, u.ab);
    return key;
}

std::string bibleindex_entry(const PARS_UNIT &u, LANG *l) {
    return "\\bibleindex{" + index_book_key(u) + "@" +
           makeindex_quote(booknr(l, index_book(u))) + "}{" + index_key(u) + "@" +
           makeindex_quote(unit_text(&u, l)) + "}";
}

void IndexCollector::citation(const Citation &c) {
    const std::string place = file_ + ":" + where(c.at, false);
    for (const PARS_UNIT &u : index_units(c.record->read, l_)) {
        const std::string text = unit_text(&u, l_);
        auto [it, fresh] = by_text_.try_emplace(text, entries_.size());
        if (fresh)
            entries_.push_back(IndexEntry{u, text, index_key(u), {}, 0, {}});
        IndexEntry &e = entries_[it->second];
        if (e.cited > 0 && e.last == place)
            continue;
        ++e.cited;
        e.last = place;
        if (listed_ < max_places_) {
            e.places.push_back(place);
            ++listed_;
        }
    }
}

void IndexCollector::merge(const IndexCollector &later) {
    for (const IndexEntry &from : later.entries_) {
        auto [it, fresh] = by_text_.try_emplace(from.text, entries_.size());
        if (fresh)
            entries_.push_back(IndexEntry{from.unit, from.text, from.key, {}, 0, {}});
        IndexEntry &e = entries_[it->second];
        // Pieces end at line breaks and files are apart: a place is never
        // in two of them.
        e.cited += from.cited;
        e.last = from.last;
        for (const std::string &place : from.places)
            if (listed_ < max_places_) {
                e.places.push_back(place);
                ++listed_;
            }
    }
}

std::vector<tovrin_cited> IndexCollector::cited() const {
    std::vector<tovrin_cited> r;
    for (const IndexEntry &e : entries_)
        r.push_back({e.unit, static_cast<long long>(e.cited)});
    return r;
}

std::vector<IndexEntry> IndexCollector::sorted() const {
    std::vector<IndexEntry> r = entries_;
    std::stable_sort(r.begin(), r.end(),
                     [](const IndexEntry &a, const IndexEntry &b) { return a.key < b.key; });
    return r;
}

std::vector<IndexBook> by_book(std::vector<IndexEntry> sorted) {
    std::vector<IndexBook> books;
    for (IndexEntry &e : sorted) {
        const int book = index_book(e.unit);
        if (books.empty() || books.back().book != book)
            books.push_back({book, {}});
        books.back().entries.push_back(std::move(e));
    }
    return books;
}

namespace {

std::string places_text(const IndexEntry &e) {
    std::string s;
    for (std::size_t k = 0; k < e.places.size(); ++k)
        s += (k ? ", " : "") + e.places[k];
    return s;
}

std::string places_json(const IndexEntry &e) {
    std::string s = "[";
    for (std::size_t k = 0; k < e.places.size(); ++k)
        s += (k ? "," : "") + tovrin::json_string(e.places[k]);
    return s + "]";
}

// A line per entry, the citation, a tab and the places, so that the text
// stays one record per line for other programs; the entries of a book
// come together, in the order of the grouped index.
void write_text(const std::vector<IndexEntry> &entries) {
    for (const IndexEntry &e : entries)
        std::cout << e.text << '\t' << places_text(e) << '\n';
}

// [{"book":..., "entries":[{"citation":..., "places":[...]}, ...]}, ...]
void write_json(const std::vector<IndexBook> &books, LANG *l) {
    std::cout << "[";
    for (std::size_t k = 0; k < books.size(); ++k) {
        std::cout << (k ? ",\n " : "\n ") << "{\"book\":" << tovrin::json_string(booknr(l, books[k].book))
                  << ",\"entries\":[";
        const auto &entries = books[k].entries;
        for (std::size_t j = 0; j < entries.size(); ++j)
            std::cout << (j ? ",\n  " : "\n  ") << "{\"citation\":" << tovrin::json_string(entries[j].text)
                      << ",\"places\":" << places_json(entries[j]) << "}";
        std::cout << "\n ]}";
    }
    std::cout << (books.empty() ? "]\n" : "\n]\n");
}

} // namespace

int collect_index(const Options &o, LANG *l, IndexCollector &index) {
    const progress::Line line(o.args);
    return scan_in_parallel(
        o.args, jobs(o), l, text_options(o.exact),
        [&] {
            ScanJob job;
            job.consumer = std::make_unique<IndexCollector>(l, index.max_places());
            job.scan = std::make_unique<Scan>(l, text_options(o.exact), *job.consumer);
            return job;
        },
        [&](Consumer &piece) { index.merge(static_cast<const IndexCollector &>(piece)); });
}

int cmd_index(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? "text" : o.format;
    if (format != "text" && format != "json")
        usage_error("unknown index format '" + format + "' (text, json)");
    IndexCollector index(l);
    const int status = collect_index(o, l, index);
    if (format == "text")
        write_text(index.sorted());
    else
        write_json(by_book(index.sorted()), l);
    std::cout.flush();
    return status;
}

} // namespace cli
