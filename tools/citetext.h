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
