// Private interface of the numbering systems (versification.cpp): the
// tables compiled in from data/versification, the systems a language
// names, and the lookups the existence check, the expansion, OSIS and the
// scanner's judge share. Nothing here is public API.
#ifndef TOVRIN_VERSIFICATION_H
#define TOVRIN_VERSIFICATION_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tovrin.h"

namespace tovrin::detail {

// One table or verse map as the build embeds it: the file name without
// ".vrs" or ".map", and the file's text.
struct EmbeddedTable {
    const char *name;
    const char *text;
};
extern const char embedded_osis_names[];
extern const EmbeddedTable embedded_tables[];
extern const std::size_t embedded_table_count;
extern const EmbeddedTable embedded_maps[];
extern const std::size_t embedded_map_count;

// The number of books every language lists.
constexpr int kBooks = 86;

} // namespace tovrin::detail

// One numbering system: for book n (from 1) the verses of each chapter; an
// empty list for a book the system does not have.
struct tovrin_versification {
    std::string name;
    std::vector<std::uint16_t> verses[tovrin::detail::kBooks];

    int chapters(int book) const {
        return book < 1 || book > tovrin::detail::kBooks
                   ? 0
                   : static_cast<int>(verses[book - 1].size());
    }
    int verses_of(int book, int chapter) const {
        return chapter < 1 || chapter > chapters(book) ? 0 : verses[book - 1][chapter - 1];
    }
};

namespace tovrin::detail {

using Systems = std::vector<const tovrin_versification *>;

// Ends the process: a table or map compiled in is broken (`what`).
[[noreturn]] void broken_table(const std::string &what);

// The non-empty lines of a table text that are no comment ("#").
std::vector<std::string_view> data_lines(std::string_view text);

// The words of a line, split at spaces.
std::vector<std::string_view> words(std::string_view line);

// The book (from 1) of an OSIS name, or 0.
int book_of_osis(std::string_view name);

// The OSIS name of every book, book n at n - 1.
const std::vector<std::string> &osis_names();

// Gives `l` the systems named in `names` (separated by spaces), replacing
// any it had. Returns the first name that is no built-in system, or an
// empty text when all are known (and then only are they assigned).
std::string assign_systems(const LANG *l, std::string_view names);

// The systems of `l`, in the order of its "=" line; empty when it has none.
const Systems &systems_of(const LANG *l);

// The union of the systems of `l`: for every book the most chapters and
// for every chapter the most verses any of them has, so that a position
// exists in it when it exists in one of them. Null when `l` has none.
const tovrin_versification *union_of(const LANG *l);

// What a scan with `flags` tests citations against: union_of(l) under
// TOVRIN_SCAN_EXISTING, null otherwise.
const tovrin_versification *existing_systems(const LANG *l, unsigned flags);

// Whether the position (book, chapter, verse; 0 for "not given") exists
// in `any`: the test of the scanner's judge, on every prefix it tries.
inline bool has_position(const tovrin_versification &any, int book, int chapter, int verse) {
    const int chapters = any.chapters(book);
    return chapters > 0 && chapter <= chapters && (chapter == 0 || verse <= any.verses_of(book, chapter));
}

// Whether both ends of a unit exist in `any` (most units are one place,
// both ends the same).
inline bool has_unit(const tovrin_versification &any, const PARS_UNIT &u) {
    const bool one_place = u.bf == u.b && u.cf == u.c && u.vf == u.v;
    return has_position(any, u.b, u.c, u.v) &&
           (one_place || has_position(any, u.bf, u.cf, u.vf));
}

// A book of one chapter (Obadiah, Philemon, 2 and 3 John, Jude) is cited
// by its verses alone: "Jude 5", "Abd 1-21", "3 J 1-15". A unit of such a
// book (one chapter in `any`) that names chapters only is read as verses of
// chapter 1. "Jude 1" alone stays chapter 1, the whole book, which is the
// same passage; "Jude 1,5" is read as written.
inline void read_single_chapter(PARS_UNIT &u, const tovrin_versification &any) {
    if (u.bf != u.b || u.cf == 0 || u.vf != 0 || u.v != 0 || any.chapters(u.b) != 1)
        return;
    if (u.cf == 1 && u.c == 1 && u.fl == 0)
        return;
    u.vf = u.cf;
    u.v = u.c;
    u.cf = u.c = 1;
}

// The same for every unit; nothing without systems (`any` null).
void read_single_chapters(PARS_UNIT **units, const tovrin_versification *any);

// The same test, giving on failure the reason and the limit in `why`.
bool position_exists(const tovrin_versification &any, int book, int chapter, int verse,
                     tovrin_existence &why);

// Whether the positions a unit names (its start and its end) exist in
// `any`, with the reason of the first that does not.
bool unit_exists(const tovrin_versification &any, const PARS_UNIT &u, tovrin_existence &why);

// Whether every position of the units exists in `any`.
bool units_exist(const tovrin_versification &any, PARS_UNIT *const *units,
                 tovrin_existence &why);

// Resolves the marks of the units by `v` (null: for each book the first
// of `systems` that has it), as tovrin_expand_versified() describes. A
// unit whose book no table has keeps its mark.
void resolve_marks(PARS_UNIT **units, const Systems &systems, const tovrin_versification *v);

// The system that answers for `book`: `v` itself, or the first of
// `systems` that has the book; null when none has it.
const tovrin_versification *table_for(int book, const Systems &systems,
                                      const tovrin_versification *v);

// The OSIS references of units whose marks are resolved (osis.cpp), one
// per unit, separated by ","; null when a unit names a book outside 1..86.
char *osis_of_units(PARS_UNIT *const *units, unsigned flags);

// tovrin_comp()'s answer on two unit arrays with their marks applied, and
// tovrin_is_equal()'s in *overlap (may be null) (services.cpp).
int compare_unit_arrays(PARS_UNIT **p1, PARS_UNIT **p2, int *overlap);

} // namespace tovrin::detail

#endif
