// The Scripture index of `tovrin index`, for the command and the web page.
#ifndef TOVRIN_TOOLS_INDEX_H
#define TOVRIN_TOOLS_INDEX_H

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "citetext.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

struct IndexEntry {
    PARS_UNIT unit;
    std::string text;
    std::vector<std::string> places; // file:line (file:paragraph), in order of citing
};

// Collects the units of every citation the scan finds, with the places
// that cite them; sorted() gives the index.
class IndexCollector : public Consumer {
public:
    explicit IndexCollector(LANG *l) : l_(l) {}
    unsigned without() const override { return TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS; }
    void begin_file(const std::string &name) override { file_ = name; }
    void citation(const Citation &c) override {
        const std::string place = file_ + ":" + where(c.at, false);
        for (const PARS_UNIT &u : units_of(*c.record)) {
            const std::string text = unit_text(&u, l_);
            auto [it, fresh] = by_text_.try_emplace(text, entries_.size());
            if (fresh)
                entries_.push_back(IndexEntry{u, text, {}});
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

} // namespace cli

#endif
