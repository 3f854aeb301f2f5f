// Where the citations of a whole text are: the scan behind Language.scan,
// in byte offsets, with the places (str positions, lines and columns)
// that Python asks for. Runs without the interpreter: it touches no Python
// object, so the binding calls it with the GIL released, and it keeps its
// state in its own block scanner, so that scans run in several threads at
// once.
#ifndef TOVRIN_PYTHON_FINDER_H
#define TOVRIN_PYTHON_FINDER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tovrin.hpp"

namespace tovrin_python {

struct Found {
    std::size_t start = 0, end = 0; // original bytes [start, end)
    std::size_t first = 0, last = 0; // the same as positions (bytes or characters)
    long line = 0, column = 0;       // from 1; 0 when not asked for
    std::string normalised;          // what the scanner read: the citation proper
};

struct FindOptions {
    bool exact = false;      // no typographic forms
    bool characters = false; // positions count characters (str input), not bytes
    bool places = false;     // lines and columns
};

// The citations of `text` in order. Columns count characters (UTF-8 code
// points) from 1, as the command line's columns do.
std::vector<Found> find(tovrin::Language l, std::string_view text, const FindOptions &o);

// Whether a byte begins a character of UTF-8 (is no continuation byte).
inline bool begins_character(unsigned char c) { return (c & 0xC0) != 0x80; }

// The number of characters of UTF-8 text.
std::size_t characters(std::string_view text);

// The typographic forms and phrases read in one citation: what the scanner
// would read.
std::string read_forms(tovrin::Language l, std::string_view cite);

} // namespace tovrin_python

#endif
