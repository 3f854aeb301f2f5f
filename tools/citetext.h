// Small helpers over the library's services, shared by the commands.
#ifndef TOVRIN_TOOLS_CITETEXT_H
#define TOVRIN_TOOLS_CITETEXT_H

#include <memory>
#include <string>

#include "tovrin.h"

namespace cli {

// Takes a heap text of the library: its copy (empty for NULL), freed.
std::string take_text(char *s);

// The canonical text of a citation.
std::string canonical(const std::string &cite, LANG *l);

struct UnitsDeleter {
    void operator()(PARS_UNIT **pp) const { freepus(pp); }
};
using Units = std::unique_ptr<PARS_UNIT *, UnitsDeleter>;

// The units of a citation with their marks applied, as the expansion sees
// them.
Units expanded_units(const std::string &cite, LANG *l);

// The canonical text of one unit.
std::string unit_text(PARS_UNIT *u, LANG *l);

} // namespace cli

#endif
