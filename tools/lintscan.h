// lint's scan: the block scanner over the normalised view of the
// program's own text reader (reader.h), handed to the consumer byte by
// byte with the original bytes and the place of each. lint analyses that
// view; it goes when lint's analysis moves into the library.
#ifndef TOVRIN_TOOLS_LINTSCAN_H
#define TOVRIN_TOOLS_LINTSCAN_H

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "escape.h"
#include "reader.h"
#include "textscan.h"

namespace cli {

class LintScan {
public:
    LintScan(LANG *l, bool exact, unsigned flags, Consumer &consumer)
        : l_(l), exact_(exact), flags_(flags), consumer_(consumer) {}

    // Reads `f` from place `start` into the consumer.
    void read(FILE *f, const Place &start);

private:
    static constexpr std::size_t kBlock = 1 << 16;

    // Appends a block of the view to `pending`; false at the end of input.
    bool read_block(Reader &reader, std::string &pending);
    // Hands the view up to stream offset `decided` to the consumer: the
    // citations `spans`, the rest as text. `pending` holds the view from
    // consumed_ on.
    void hand_out(std::string &pending, std::vector<tovrin_span> &spans, long long decided);
    void text_until(const std::string &pending, long long base, long long end);
    void citation(const std::string &pending, long long base, long long length);
    bool next_is_form() const { return !forms_.empty() && forms_.front().first == consumed_; }
    Span take_span(char c);
    void advance(const Span &span);

    LANG *l_;
    bool exact_;
    unsigned flags_;
    Consumer &consumer_;
    // The bytes handed to the scanner whose original bytes differ from
    // them (the typographic forms), by their count in the normalised view.
    std::deque<std::pair<long long, Span>> forms_;
    long long handed_ = 0, consumed_ = 0;
    Place place_;
    CharacterCounter characters_; // columns count characters
};

} // namespace cli

#endif
