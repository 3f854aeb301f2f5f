// Small helpers over the library's services, shared by the commands.
#ifndef TOVRIN_TOOLS_CITETEXT_H
#define TOVRIN_TOOLS_CITETEXT_H

#include <string>

#include "tovrin.h"

namespace cli {

// Takes a heap text of the library: its copy (empty for NULL), freed.
std::string take_text(char *s);

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
