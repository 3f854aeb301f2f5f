// tovrin index: the Scripture index of a document. Every citation found is
// split into its units; each unit, written canonically, lists the places
// that cite it, and the units come in canonical order.
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "escape.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

struct IndexEntry {
    PARS_UNIT unit;
    std::string text;
    std::vector<std::string> places; // file:line (file:paragraph), in order of citing
};

class IndexCollector : public Consumer {
public:
    explicit IndexCollector(LANG *l) : l_(l) {}
    void begin_file(const std::string &name) override { file_ = name; }
    void text(char, const Span &, const Place &) override {}
    void citation(const Citation &c) override {
        Units pp = expanded_units(c.normalized, l_);
        const std::string place = file_ + ":" + where(c.at, false);
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

} // namespace

int cmd_index(const Options &o) {
    LANG *l = language(o.lang);
    const std::string format = o.format.empty() ? "text" : o.format;
    if (format != "text" && format != "json")
        usage_error("unknown index format '" + format + "' (text, json)");
    IndexCollector index(l);
    Scan scan(l, o.exact, index);
    const int status = scan_files(o.args, scan);
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


} // namespace cli
