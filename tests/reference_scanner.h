// The straightforward stream scanner, kept as the reference that the
// library's faster scanner must agree with: a ring of `ring` characters,
// a lexer record fed every character, and every prefix of a candidate
// tried longest first with check_lev, counted only on word boundaries (it
// must not continue the word or number written before it, nor end in a
// space or inside a word or number). Under TOVRIN_SCAN_EXISTING a prefix
// must also pass tovrin_exists().
#ifndef TOVRIN_REFERENCE_SCANNER_H
#define TOVRIN_REFERENCE_SCANNER_H

#include <string>
#include <vector>

#include "tovrin.h"

namespace reference {

// What a scan wrote: ordinary text (consecutive bytes merged into one
// piece) and citations, in order.
struct Piece {
    bool citation = false;
    std::string text;
    bool operator==(const Piece &o) const { return citation == o.citation && text == o.text; }
};

std::vector<Piece> scan(const std::string &input, LANG *l, int ring, unsigned flags = 0);

// The same pieces from the library's tovrin_dorvis (whose ring is `ring`).
std::vector<Piece> library_scan(const std::string &input, LANG *l, int ring,
                                unsigned flags = 0);

std::string describe(const std::vector<Piece> &pieces);

} // namespace reference

#endif
