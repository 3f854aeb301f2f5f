// OSIS references: a citation written as the references that Bible
// software exchanges ("Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21"). Each unit
// becomes one reference, a range written with both ends in full; the marks
// are resolved by the numbering tables first (versification.cpp), since
// OSIS has no "following verse" of its own.
#include <string>
#include <tuple>

#include "internal.h"
#include "versification.h"

namespace {

using namespace tovrin::detail;

struct Position {
    int book, chapter, verse;
    signed char part;

    auto key() const { return std::tie(book, chapter, verse, part); }
};

// "Book", "Book.c" or "Book.c.v", with "!a" for a part when asked.
std::string reference(const Position &p, bool parts) {
    std::string text = osis_names()[p.book - 1];
    if (p.chapter > 0) {
        (text += '.') += std::to_string(p.chapter);
        if (p.verse > 0) {
            (text += '.') += std::to_string(p.verse);
            if (parts && p.part > 0)
                (text += '!') += static_cast<char>(p.part);
        }
    }
    return text;
}

// The unit's start, and its end cut to the start's level (a book range
// names books only, a chapter range chapters). Parts count only when they
// are written.
std::string unit_reference(const PARS_UNIT &u, bool parts) {
    Position start{u.bf, u.cf, u.vf, parts ? u.abf : static_cast<signed char>(0)};
    Position end{u.b, u.c, u.v, parts ? u.ab : static_cast<signed char>(0)};
    if (start.chapter == 0)
        end.chapter = 0;
    if (start.verse == 0)
        end.verse = 0;
    const bool range = end.key() > start.key() && (start.chapter == 0 || end.chapter > 0) &&
                       (start.verse == 0 || end.verse > 0);
    std::string text = reference(start, parts);
    if (range)
        text += '-' + reference(end, parts);
    return text;
}

bool known_book(int book) { return book >= 1 && book <= kBooks; }

} // namespace

char *tovrin::detail::osis_of_units(PARS_UNIT *const *units, unsigned flags) {
    std::string text;
    for (PARS_UNIT *const *u = units; *u != nullptr; ++u) {
        if (!known_book((*u)->bf) || !known_book((*u)->b))
            return nullptr;
        if (!text.empty())
            text += ',';
        text += unit_reference(**u, (flags & TOVRIN_OSIS_PARTS) != 0);
    }
    return growable_copy(text);
}

extern "C" const char *tovrin_osis_book(int book) {
    return known_book(book) ? osis_names()[book - 1].c_str() : nullptr;
}

extern "C" PARS_UNIT **tovrin_units_versified(const char *cite, LANG *l,
                                             const tovrin_versification *v) {
    PARS_UNIT **units = makepus(cite, l);
    read_single_chapters(units, v != nullptr ? v : union_of(l));
    resolve_marks(units, systems_of(l), v);
    // Marks no table resolved: one more, two more, or (open end) none.
    adjpus_n(units);
    adjpus_plus(units);
    adjpus_nn_pseudo(units);
    adjpus_v01(units);
    return units;
}

extern "C" char *tovrin_osis(const char *cite, LANG *l, const tovrin_versification *v,
                             unsigned flags) {
    if (tovrin_check1(cite, l) != 0)
        return nullptr;
    PARS_UNIT **units = tovrin_units_versified(cite, l, v);
    char *text = osis_of_units(units, flags);
    freepus(units);
    return text;
}
