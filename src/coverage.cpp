// What a text cites, chapter by chapter (or verse by verse in one book):
// the counts behind `tovrin map`, the map of the web page and Python's
// tovrin.coverage(). The callers count the index's way: a chapter counts
// the places (lines, paragraphs) that cite a unit touching it, as `tovrin
// index` lists them, so the two always agree.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "escape.h"
#include "internal.h"

namespace tovrin::detail {

namespace {

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


// Chapters and verses are numbered 1-999: no row grows beyond.
constexpr int kMaxNumber = 999;

// The first numbering system of `l` that has book `book`, or null.
const tovrin_versification *system_for(LANG *l, int book) {
    const tovrin_versification *v = nullptr;
    for (int k = 0; (v = tovrin_versification_of(l, k)) != nullptr; ++k)
        if (tovrin_chapters(v, book) > 0)
            return v;
    return nullptr;
}

int chapters_of(LANG *l, int book) {
    const tovrin_versification *v = system_for(l, book);
    return v != nullptr ? tovrin_chapters(v, book) : 0;
}

int verses_of(LANG *l, int book, int chapter) {
    const tovrin_versification *v = system_for(l, book);
    return v != nullptr ? tovrin_verses(v, book, chapter) : 0;
}

// Counts `n` citations of cells `from` to `to` (from 1) of `row`, and once
// for the row; the row grows to hold them.
void count(CoverageRow &row, int from, int to, long long n) {
    row.total += n;
    to = std::min(to, kMaxNumber);
    if (from < 1 || to < from)
        return;
    if (row.cells.size() < static_cast<std::size_t>(to))
        row.cells.resize(static_cast<std::size_t>(to), 0);
    for (int k = from; k <= to; ++k)
        row.cells[static_cast<std::size_t>(k - 1)] += n;
}

// A unit from its first book, chapter and verse to its last; 0: not
// given (a whole book, a whole chapter).
struct Span {
    int book_from, chapter_from, verse_from;
    int book, chapter, verse;
    bool to_chapter_end; // "nn", "+" after the last verse
};

Span span_of(const PARS_UNIT &u) {
    return {u.bf > 0 ? u.bf : u.b, u.cf, u.vf, u.b, u.c, u.v, u.v > 0 && u.fl != 0};
}

// The chapters of book `book` that `s` touches.
std::pair<int, int> chapters_touched(const Span &s, int book, LANG *l) {
    const int from = book == s.book_from && s.chapter_from > 0 ? s.chapter_from : 1;
    const int to = book == s.book && s.chapter > 0 ? s.chapter : chapters_of(l, book);
    return {from, to};
}

// The verses of chapter `chapter` of book `book` that `s` touches.
std::pair<int, int> verses_touched(const Span &s, int book, int chapter, LANG *l) {
    const bool first = book == s.book_from && chapter == s.chapter_from;
    const bool last = book == s.book && chapter == s.chapter;
    const int from = first && s.verse_from > 0 ? s.verse_from : 1;
    int to = last && s.verse > 0 && !s.to_chapter_end ? s.verse : verses_of(l, book, chapter);
    if (to == 0 && last) // no table has the chapter: as far as cited
        to = std::max(s.verse, s.verse_from);
    return {from, to};
}

std::vector<CoverageRow> by_chapter(std::span<const tovrin_cited> units, LANG *l) {
    std::vector<CoverageRow> rows;
    int n = 1;
    for (BOOKS *b = l->books; b != nullptr; b = b->next, ++n) {
        CoverageRow row;
        row.book = n;
        row.label = b->book->abbrev;
        row.cells.assign(static_cast<std::size_t>(chapters_of(l, n)), 0);
        rows.push_back(std::move(row));
    }
    for (const tovrin_cited &c : units) {
        const Span s = span_of(c.unit);
        for (int book = std::max(1, s.book_from); book <= s.book && book <= n - 1; ++book) {
            const auto [from, to] = chapters_touched(s, book, l);
            count(rows[static_cast<std::size_t>(book - 1)], from, to, c.places);
        }
    }
    return rows;
}

std::vector<CoverageRow> by_verse(std::span<const tovrin_cited> units, LANG *l, int book) {
    const char *name = booknr(l, book);
    std::map<int, CoverageRow> rows;
    auto row = [&](int chapter) -> CoverageRow & {
        CoverageRow &r = rows[chapter];
        if (r.chapter == 0) {
            r.book = book;
            r.chapter = chapter;
            r.label = std::string(name) + " " + std::to_string(chapter);
            r.cells.assign(static_cast<std::size_t>(verses_of(l, book, chapter)), 0);
        }
        return r;
    };
    for (int chapter = 1; chapter <= chapters_of(l, book); ++chapter)
        row(chapter);
    for (const tovrin_cited &c : units) {
        const Span s = span_of(c.unit);
        if (book < s.book_from || book > s.book)
            continue;
        const auto [first, last] = chapters_touched(s, book, l);
        for (int chapter = first; chapter <= std::min(last, kMaxNumber); ++chapter) {
            const auto [from, to] = verses_touched(s, book, chapter, l);
            count(row(chapter), from, to, c.places);
        }
    }
    std::vector<CoverageRow> list;
    for (auto &[chapter, r] : rows)
        list.push_back(std::move(r));
    return list;
}

// The counts of `units` in language `l`: a row per book of the language,
// its chapters as the language's numbering systems give them (the first
// that has the book), more where a citation names more; or, `by_verse`, a
// row per chapter of book `book` (0: the book cited most). Books never
// cited keep their rows, empty.
Coverage count_coverage(std::span<const tovrin_cited> units, LANG *l, bool by_verse_of_book,
                        int book) {
    Coverage c;
    c.by_verse = by_verse_of_book;
    c.lang = l->name;
    c.verse_mark = static_cast<char>(l->chars[3]);
    for (const tovrin_cited &u : units)
        c.citations += u.places;
    c.rows = by_chapter(units, l);
    if (!by_verse_of_book)
        return c;
    if (book == 0) {
        book = 1;
        long long most = 0;
        for (const CoverageRow &r : c.rows)
            if (r.total > most)
                most = r.total, book = r.book;
    }
    c.rows = by_verse(units, l, book);
    return c;
}

// ---------------------------------------------------------------------
// The colour scale

// Colour classes: light to dark (ColorBrewer YlGnBu), so that the
// lightness alone tells them apart in greyscale; a cell never cited is
// white with a grey outline.
constexpr const char *kPalette[] = {"#c7e9b4", "#7fcdbb", "#41b6c4",
                                    "#1d91c0", "#225ea8", "#0c2c84"};
constexpr int kClasses = 6;

// The lowest count of each class: each count of its own up to 6, else
// round numbers spaced evenly on a logarithmic scale up to the largest.
std::vector<long long> class_bounds(long long largest) {
    std::vector<long long> bounds;
    if (largest <= kClasses) {
        for (long long k = 1; k <= largest; ++k)
            bounds.push_back(k);
        return bounds;
    }
    for (int k = 0; k < kClasses; ++k) {
        const double x = std::pow(static_cast<double>(largest), k / double(kClasses));
        long long round = 1;
        for (long long decade = 1; decade <= static_cast<long long>(x); decade *= 10)
            for (long long step : {1, 2, 3, 5})
                if (step * decade <= x)
                    round = step * decade;
        if (bounds.empty() || bounds.back() < round)
            bounds.push_back(round);
    }
    return bounds;
}

struct Scale {
    std::vector<long long> bounds;
    long long largest = 0;

    // The colour of class k of bounds.size(), spread over the palette so
    // that the darkest is always the most cited.
    const char *colour(std::size_t k) const {
        const std::size_t n = bounds.size();
        return kPalette[(k + 1) * kClasses / n - 1];
    }
    const char *fill(long long count) const {
        if (count == 0)
            return "#ffffff";
        std::size_t k = 0;
        while (k + 1 < bounds.size() && count >= bounds[k + 1])
            ++k;
        return colour(k);
    }
    // The counts of class k.
    long long high(std::size_t k) const {
        return k + 1 < bounds.size() ? bounds[k + 1] - 1 : largest;
    }
    std::string label(std::size_t k) const {
        return bounds[k] == high(k) ? std::to_string(bounds[k])
                                    : std::to_string(bounds[k]) + "\u2013" + std::to_string(high(k));
    }
};

Scale scale_of(const Coverage &c) {
    Scale scale;
    for (const CoverageRow &r : c.rows)
        for (long long n : r.cells)
            scale.largest = std::max(scale.largest, n);
    scale.bounds = class_bounds(scale.largest);
    return scale;
}

std::string coverage_json(const Coverage &c) {
    std::string out = "{\"lang\":" + json_string(c.lang) + ",\"by\":\"" +
                      (c.by_verse ? "verse" : "chapter") +
                      "\",\"citations\":" + std::to_string(c.citations) + ",\"rows\":[";
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
        const CoverageRow &r = c.rows[k];
        const char *osis = tovrin_osis_book(r.book);
        out += (k > 0 ? ",\n" : "\n") + std::string("{\"book\":") + std::to_string(r.book) +
               ",\"osis\":" + (osis != nullptr ? json_string(osis) : "null") +
               ",\"name\":" + json_string(r.label);
        if (r.chapter > 0)
            out += ",\"chapter\":" + std::to_string(r.chapter);
        out += ",\"total\":" + std::to_string(r.total) + ",\"counts\":[";
        for (std::size_t j = 0; j < r.cells.size(); ++j)
            out += (j > 0 ? "," : "") + std::to_string(r.cells[j]);
        out += "]}";
    }
    out += "\n],\"scale\":[";
    const Scale scale = scale_of(c);
    for (std::size_t k = 0; k < scale.bounds.size(); ++k)
        out += (k > 0 ? ",{\"from\":" : "{\"from\":") + std::to_string(scale.bounds[k]) +
               ",\"to\":" + std::to_string(scale.high(k)) + ",\"colour\":\"" + scale.colour(k) +
               "\"}";
    return out + "]}\n";
}

// ---------------------------------------------------------------------
// The picture

// Geometry, in pixels of a page 760 wide (A4 at 96 dpi, less margins).
constexpr double kWidth = 760, kMargin = 12, kLabel = 96, kPitch = 11.5, kCell = 10,
                 kLine = 12.5, kTop = 92;
constexpr int kPerLine = 50; // cells on a line; longer rows go on below

std::string number(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", x);
    return buf;
}

std::string text(double x, double y, const std::string &s, const std::string &more = "") {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\"" + more + ">" +
           html_escape(s) + "</text>";
}

std::string citations_of(long long n) {
    return std::to_string(n) + (n == 1 ? " citation" : " citations");
}

std::string coverage_svg(const Coverage &c, const std::string &title) {
    const Scale scale = scale_of(c);
    long long cells_cited = 0, rows_cited = 0;
    double lines = 0;
    for (const CoverageRow &r : c.rows) {
        for (long long n : r.cells)
            cells_cited += n > 0;
        rows_cited += r.total > 0;
        lines += std::max<std::size_t>(1, (r.cells.size() + kPerLine - 1) / kPerLine);
    }
    const double height = kTop + lines * kLine + kMargin;
    const double grid = kMargin + kLabel;

    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) +
                      "\" height=\"" + number(height) + "\" viewBox=\"0 0 " + number(kWidth) +
                      " " + number(height) +
                      "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"9\" "
                      "fill=\"#1d232a\">\n";
    out += "<title>" + html_escape("Scripture cited: " + title) + "</title>\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    out += text(kMargin, 24, "Scripture cited: " + title, " font-size=\"14\" font-weight=\"bold\"");
    const std::string unit = c.by_verse ? "verses" : "chapters";
    const std::string of = c.by_verse ? (c.rows.empty() ? "" : " of " + std::to_string(rows_cited) +
                                                                   " chapters")
                                      : " of " + std::to_string(rows_cited) + " books";
    out += text(kMargin, 42,
                citations_of(c.citations) + " \u00b7 " + std::to_string(cells_cited) + " " +
                    unit + of + " cited \u00b7 language " + c.lang,
                " font-size=\"11\" class=\"totals\"");

    // The legend: never cited, then each class.
    out += "<g class=\"legend\">";
    double x = kMargin;
    const auto swatch = [&](const char *fill, const std::string &label) {
        out += "<rect x=\"" + number(x) + "\" y=\"52\" width=\"" + number(kCell) + "\" height=\"" +
               number(kCell) + "\" fill=\"" + fill + "\" stroke=\"#b0b0b0\" stroke-width=\"0.6\"/>";
        out += text(x + kCell + 4, 60.5, label);
        x += kCell + 12 + 6.5 * static_cast<double>(label.size());
    };
    swatch("#ffffff", "not cited");
    for (std::size_t k = 0; k < scale.bounds.size(); ++k)
        swatch(scale.colour(k), scale.label(k));
    out += text(kWidth - kMargin, 60.5, c.by_verse ? "citations per verse" : "citations per chapter",
                " text-anchor=\"end\" fill=\"#6b6b6b\"");
    out += "</g>\n";

    // The numbers of the first line's cells, every tenth.
    for (int k : {1, 10, 20, 30, 40, 50})
        out += text(grid + (k - 1) * kPitch + kCell / 2, kTop - 6, std::to_string(k),
                    " text-anchor=\"middle\" fill=\"#6b6b6b\" font-size=\"8\"");
    out += text(kWidth - kMargin, kTop - 6, "total",
                " text-anchor=\"end\" fill=\"#6b6b6b\" font-size=\"8\"");

    double y = kTop;
    for (const CoverageRow &r : c.rows) {
        out += "<g class=\"row\" data-book=\"" + std::to_string(r.book) + "\"";
        if (r.chapter > 0)
            out += " data-chapter=\"" + std::to_string(r.chapter) + "\"";
        out += ">" + text(grid - 6, y + kCell - 1.5, r.label, " text-anchor=\"end\"");
        if (r.total > 0)
            out += text(kWidth - kMargin, y + kCell - 1.5, std::to_string(r.total),
                        " text-anchor=\"end\" class=\"total\"");
        for (std::size_t k = 0; k < r.cells.size(); ++k) {
            const long long n = r.cells[k];
            const double cx = grid + static_cast<double>(k % kPerLine) * kPitch;
            const double cy = y + static_cast<double>(k / kPerLine) * kLine;
            out += "\n<rect class=\"cell\" x=\"" + number(cx) + "\" y=\"" + number(cy) +
                   "\" width=\"" + number(kCell) + "\" height=\"" + number(kCell) +
                   "\" fill=\"" + scale.fill(n) + "\"" +
                   (n == 0 ? " stroke=\"#c8c8c8\" stroke-width=\"0.6\"" : "") + "><title>" +
                   html_escape(r.label + (c.by_verse ? c.verse_mark : ' ') + std::to_string(k + 1) + ": " +
                               (n == 0 ? std::string("not cited") : citations_of(n))) +
                   "</title></rect>";
        }
        out += "</g>\n";
        y += std::max<std::size_t>(1, (r.cells.size() + kPerLine - 1) / kPerLine) * kLine;
    }
    return out + "</svg>\n";
}

int books_in(const LANG *l) {
    int n = 0;
    for (const BOOKS *b = l->books; b != nullptr; b = b->next)
        ++n;
    return n;
}

} // namespace

} // namespace tovrin::detail

extern "C" char *tovrin_coverage(LANG *l, const tovrin_cited *cited, size_t n, unsigned flags,
                                 int book, const char *title) {
    using namespace tovrin::detail;
    if (l == nullptr || book < 0 || book > books_in(l))
        return nullptr;
    const Coverage c = count_coverage(std::span(cited, n), l, (flags & TOVRIN_MAP_BY_VERSE) != 0, book);
    return heap_copy((flags & TOVRIN_MAP_SVG) != 0 ? coverage_svg(c, title != nullptr ? title : "")
                                                   : coverage_json(c));
}
