// What a text cites, chapter by chapter (or verse by verse in one book):
// the counts behind `tovrin map`, the map of the web page and Python's
// tovrin.coverage(). They are the index's: a chapter counts the places
// (lines, paragraphs) that cite a unit touching it, as `tovrin index`
// lists them, so the two always agree.
#ifndef TOVRIN_TOOLS_COVERAGE_H
#define TOVRIN_TOOLS_COVERAGE_H

#include <span>
#include <string>
#include <vector>

#include "tovrin.h"

namespace cli {

// One unit the text cites and how many places cite it.
struct CitedUnit {
    PARS_UNIT unit;
    long long places;
};

// A row of the map: a book (cells: its chapters) or, verse by verse, a
// chapter of one book (cells: its verses).
struct CoverageRow {
    int book = 0;              // from 1, in the language's order
    int chapter = 0;           // 0 for a book's row
    std::string label;         // the language's main name: "Mt", "Mt 5"
    std::vector<long long> cells; // cells[k]: the citations of chapter (verse) k + 1
    long long total = 0;       // the citations that touch the row, each once
};

struct Coverage {
    bool by_verse = false;
    std::string lang;
    char verse_mark = ','; // the language's chapter-verse separator
    std::vector<CoverageRow> rows;
    long long citations = 0; // the units cited, each place once (the index's count)
};

// The counts of `units` in language `l`: a row per book of the language,
// its chapters as the language's numbering systems give them (the first
// that has the book), more where a citation names more; or, `by_verse`, a
// row per chapter of book `book` (0: the book cited most). Books never
// cited keep their rows, empty.
Coverage count_coverage(std::span<const CitedUnit> units, LANG *l, bool by_verse, int book = 0);

// The counts as JSON: {"lang", "by", "citations", "rows": [{"book", "osis",
// "name", ["chapter",] "total", "counts": [...]}], "scale": [{"from", "to",
// "colour"}]}, the scale being the picture's colour classes.
std::string coverage_json(const Coverage &c);

// The map as a self-contained SVG (A4 width): a row per book (chapter),
// a cell per chapter (verse) coloured by its count on a scale whose
// lightness falls as the count grows (readable in greyscale), a tooltip
// per cell, the total of each row, a legend and the totals. `title` says
// what was read.
std::string coverage_svg(const Coverage &c, const std::string &title);

} // namespace cli

#endif
