// The Scripture index of `tovrin index`, for the command, `scan --index`
// and the web page.
#ifndef TOVRIN_TOOLS_INDEX_H
#define TOVRIN_TOOLS_INDEX_H

#include <cstdint>
#include <unordered_map>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

// The units an index lists for a citation (as read): "n" and "nn" both
// resolved by the language's numbering systems, so that "J 3,16n" and
// "J 3,16-17" are one entry and "Ž 23,5nn" is Ž 23,5-6.
std::vector<PARS_UNIT> index_units(const char *read, LANG *l);

// The book an entry is listed under: the one the unit starts in.
int index_book(const PARS_UNIT &u);

// The makeindex sort keys of a unit: its book ("040"), and the whole unit,
// start then end, each number zero-padded to the same width
// ("040.005.003.000-040.005.012.000", the last field of each position the
// verse part). Every key has the same length and differs from another
// only in digits, so a plain string comparison and makeindex's both give
// the canonical order: a chapter before its verses, a verse before the
// ranges that start there, and the narrower of two ranges first.
std::string index_book_key(const PARS_UNIT &u);
std::string index_key(const PARS_UNIT &u);

// The entry `scan --format tex --index` writes for a unit:
// \bibleindex{BOOKKEY@BOOK}{KEY@TEXT}, which tovrin.sty turns into a
// flat or a grouped \index entry.
std::string bibleindex_entry(const PARS_UNIT &u, LANG *l);

struct IndexEntry {
    PARS_UNIT unit;
    std::string text;
    std::string key;                 // index_key(unit)
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
    unsigned without() const override {
        return TOVRIN_WITHOUT_CANONICAL | TOVRIN_WITHOUT_OSIS | TOVRIN_WITHOUT_UNITS;
    }
    void begin_file(const std::string &name) override { file_ = name; }
    void begin_piece(const std::string &name, const Place &) override { file_ = name; }
    void citation(const Citation &c) override;
    // Adds what `later` collected from the text after this one's (a later
    // piece or file), as if this collector had read it too.
    void merge(const IndexCollector &later);
    std::size_t max_places() const { return max_places_; }
    // The entries in the order first cited.
    const std::vector<IndexEntry> &entries() const { return entries_; }
    // Each unit cited and the places that cite it, as the map counts them.
    std::vector<tovrin_cited> cited() const;
    // The entries in the order of their keys, the order makeindex gives
    // the entries of `scan --index`.
    std::vector<IndexEntry> sorted() const;

private:
    LANG *l_;
    std::size_t max_places_, listed_ = 0;
    std::string file_;
    std::vector<IndexEntry> entries_;
    std::unordered_map<std::string, std::size_t> by_text_; // entries_ by text
};

// The sorted entries in runs of one book each.
struct IndexBook {
    int book;
    std::vector<IndexEntry> entries;
};
std::vector<IndexBook> by_book(std::vector<IndexEntry> sorted);

// Scans the files of `o` (with its -j) into `index`, in language `l`.
int collect_index(const Options &o, LANG *l, IndexCollector &index);

} // namespace cli

#endif
