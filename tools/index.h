// The Scripture index of `tovrin index`, for the command and the web page.
#ifndef TOVRIN_TOOLS_INDEX_H
#define TOVRIN_TOOLS_INDEX_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

struct IndexEntry {
    PARS_UNIT unit;
    std::string text;
    std::vector<std::string> places; // file:line (file:paragraph), in order of citing
    std::size_t cited = 0;           // the places that cite it, listed or not
    std::string last;                // the last of them
};

// Collects the units of every citation the scan finds, with the places
// that cite them; sorted() gives the index. At most `max_places` places
// are listed in all (the web page bounds its answers); the entries count
// every place.
class IndexCollector : public Consumer {
public:
    explicit IndexCollector(LANG *l, std::size_t max_places = SIZE_MAX)
        : l_(l), max_places_(max_places) {}
    unsigned without() const override { return TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS; }
    void begin_file(const std::string &name) override { file_ = name; }
    void begin_piece(const std::string &name, const Place &) override { file_ = name; }
    void citation(const Citation &c) override {
        const std::string place = file_ + ":" + where(c.at, false);
        for (const PARS_UNIT &u : units_of(*c.record)) {
            const std::string text = unit_text(&u, l_);
            auto [it, fresh] = by_text_.try_emplace(text, entries_.size());
            if (fresh)
                entries_.push_back(IndexEntry{u, text, {}, 0, {}});
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
    // Adds what `later` collected from the text after this one's (a later
    // piece or file), as if this collector had read it too.
    void merge(const IndexCollector &later) {
        for (const IndexEntry &from : later.entries_) {
            auto [it, fresh] = by_text_.try_emplace(from.text, entries_.size());
            if (fresh)
                entries_.push_back(IndexEntry{from.unit, from.text, {}, 0, {}});
            IndexEntry &e = entries_[it->second];
            // Pieces end at paragraph breaks and files are apart: a place
            // is never in two of them.
            e.cited += from.cited;
            e.last = from.last;
            for (const std::string &place : from.places)
                if (listed_ < max_places_) {
                    e.places.push_back(place);
                    ++listed_;
                }
        }
    }
    std::size_t max_places() const { return max_places_; }
    // The entries in the order first cited.
    const std::vector<IndexEntry> &entries() const { return entries_; }
    // Each unit cited and the places that cite it, as the map counts them.
    std::vector<tovrin_cited> cited() const {
        std::vector<tovrin_cited> r;
        for (const IndexEntry &e : entries_)
            r.push_back({e.unit, static_cast<long long>(e.cited)});
        return r;
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
    std::size_t max_places_, listed_ = 0;
    std::string file_;
    std::vector<IndexEntry> entries_;
    std::map<std::string, std::size_t> by_text_;
};

// Scans the files of `o` (with its -j) into `index`, in language `l`.
int collect_index(const Options &o, LANG *l, IndexCollector &index);

} // namespace cli

#endif
