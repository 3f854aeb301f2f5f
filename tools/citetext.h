// Small helpers over the library's services, shared by the commands.
#ifndef TOVRIN_TOOLS_CITETEXT_H
#define TOVRIN_TOOLS_CITETEXT_H

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "reader.h"
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

// The OSIS references of a citation ("Matt.5.3-Matt.5.12"), its marks read
// by the language's numbering systems (for each book the first that has
// it). None in a language that names no system, whose book numbers need
// not follow the book order the OSIS names are given in, and none for a
// text the library cannot read.
std::optional<std::string> osis_references(const std::string &cite, LANG *l);

// Which citations count: the scanner's (every unit has a chapter), or also
// a bare book, which stands for the whole book in the services ("Gn" is
// the book of Genesis to expand, translate, compare or grep for).
enum class Bare { rejected, whole_book };

// The first of the scanner's checks (the text lexes, its books are known,
// its numbers are 1-999, its ranges run forwards, each unit has a chapter)
// that `cite` fails, in lint's words: "unknown book name 'Xy' in 'Xy 3,4'".
// Empty when it passes them all. The message quotes `shown` (the text as
// the user wrote it); `column` turns the 1-based byte position in `cite`
// where lexing stops into the column the message gives.
std::string citation_problem(const std::string &cite, LANG *l, Bare bare,
                             const std::string &shown,
                             const std::function<long(std::size_t)> &column);
// The same, quoting `cite` itself.
std::string citation_problem(const std::string &cite, LANG *l, Bare bare);
// The same for a text the user wrote (`original`), read as `read`.
std::string citation_problem(const Normalized &read, const std::string &original, LANG *l,
                             Bare bare);

} // namespace cli

#endif
