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

#include "internal.h"
#include "tovrin.h"

namespace tovrin::detail {

// One table as the build embeds it: the file name without ".vrs", and the
// file's text.
struct EmbeddedTable {
    const char *name;
    const char *text;
};
extern const char embedded_osis_names[];
extern const EmbeddedTable embedded_tables[];
extern const std::size_t embedded_table_count;

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

// The OSIS name of every book, book n at n - 1.
const std::vector<std::string> &osis_names();

// Gives `l` the systems named in `names` (separated by spaces), replacing
// any it had. Returns the first name that is no built-in system, or an
// empty text when all are known (and then only are they assigned).
std::string assign_systems(const LANG *l, std::string_view names);

// The systems of `l`, in the order of its "=" line; empty when it has none.
const Systems &systems_of(const LANG *l);

// The systems a scan with `flags` tests citations against: those of `l`
// under TOVRIN_SCAN_EXISTING, null otherwise or when `l` has none.
const Systems *existing_systems(const LANG *l, unsigned flags);

// Whether the position (book, chapter, verse; 0 for "not given") exists
// in one of `systems`; on failure `why` holds the reason and the limit.
bool position_exists(const Systems &systems, int book, int chapter, int verse,
                     tovrin_existence &why);

// Whether the positions a unit names (its start and its end) exist in
// `systems`: the test tovrin_exists() and the scanner's judge share.
bool unit_exists(const Systems &systems, const PARS_UNIT &u, tovrin_existence &why);

// Whether every position of the units exists in `systems`.
bool units_exist(const Systems &systems, PARS_UNIT *const *units, tovrin_existence &why);

// Resolves the marks of the units by `v` (null: for each book the first
// of `systems` that has it), as tovrin_expand_versified() describes. A
// unit whose book no table has keeps its mark.
void resolve_marks(PARS_UNIT **units, const Systems &systems, const tovrin_versification *v);

} // namespace tovrin::detail

#endif
