// Small helpers over the library's services, shared by the commands.
#ifndef TOVRIN_TOOLS_CITETEXT_H
#define TOVRIN_TOOLS_CITETEXT_H

#include <span>
#include <string>

#include "tovrin.h"

namespace cli {

// Takes a heap text of the library: its copy (empty for NULL), freed.
std::string take_text(char *s);

// The units of a citation the reader found, its marks applied.
inline std::span<const PARS_UNIT> units_of(const tovrin_citation &c) {
    return {c.units, static_cast<std::size_t>(c.unit_count)};
}

// The canonical text of one unit.
std::string unit_text(const PARS_UNIT *u, LANG *l);

// Which citations count: the scanner's (every unit has a chapter), or also
// a bare book, which stands for the whole book in the services ("Gn" is
// the book of Genesis to expand, translate, compare or grep for).
enum class Bare { rejected, whole_book };

// The first of the scanner's checks (the text lexes, its books are known,
// its numbers are 1-999, its ranges run forwards, each unit has a chapter)
// that `cite`, read byte for byte, fails, in lint's words: "unknown book
// name 'Xy' in 'Xy 3,4'". Empty when it passes them all.
std::string citation_problem(const std::string &cite, LANG *l, Bare bare);

// A citation a user wrote (an argument, a query), read as texts are read
// (`exact`: byte for byte): its text for the services, or the problem
// that it has in lint's words.
struct UserCitation {
    std::string read;
    std::string problem; // empty when it passes the checks
};
UserCitation read_user_citation(const std::string &written, LANG *l, bool exact);

} // namespace cli

#endif
