// The text reader: the first stage of the text commands. It reads a file
// and hands out a normalised view of it, byte by byte, that the library's
// one-byte citation grammar understands:
//
//  * Typographic forms. Texts write ranges with en or em dashes, TeX
//    sources with "--" and ties ("Mt~5,3--12"), and use no-break spaces;
//    inside a paragraph a line break is a space (as TeX reads it). Each
//    such form becomes one byte of the language (its range mark, or a
//    space), and the reader says which original bytes it stands for, so
//    that the output can keep the original text.
//
// With `exact` the reader hands out the file's bytes as they are.
#ifndef TOVRIN_TOOLS_READER_H
#define TOVRIN_TOOLS_READER_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// One byte handed to the scanner and the original bytes it stands for.
struct Span {
    std::uint8_t len = 0;
    char bytes[3] = {};
};

// Reads a file and hands out the normalised view, byte by byte.
class Reader {
public:
    Reader(FILE *f, bool exact, signed char range_mark)
        : f_(f), exact_(exact), range_(static_cast<unsigned char>(range_mark)) {}

    // The next byte of the normalised view (-1 at the end). When it stands
    // for other bytes of the file (a typographic form), those go to `form`
    // and the result is true in `is_form`; most bytes stand for themselves.
    int next(Span &form, bool &is_form) {
        const int c = count_ > 0 ? ahead_[--count_] : getc_unlocked(f_);
        if (c < 0 || exact_)
            return c;
        // Most bytes begin no typographic form: skip the lookahead for them.
        if (!may_begin_form(c)) [[likely]] {
            if (c != ' ')
                blank_line_ = false;
            return c;
        }
        return form_at(c, form, is_form);
    }

private:
    static bool may_begin_form(int c) {
        static constexpr auto table = [] {
            std::array<bool, 256> t{};
            for (int b : {0xE2, 0xC2, int('~'), int('\t'), int('-'), int('\r'), int('\n')})
                t[b] = true;
            return t;
        }();
        return table[c];
    }
    int form_at(int c, Span &form, bool &is_form);
    int take(Span &span);
    int peek();
    int peek2();
    void absorb(Span &span);
    int typographic(int c, Span &span);
    int line_break();

    FILE *f_;
    bool exact_;
    int range_;
    int ahead_[2] = {};
    int count_ = 0;
    bool blank_line_ = false; // only blanks since a line break became a space
};

// A short text (a command-line argument, a query, a line of a filter) read
// as the reader reads files.
struct Normalized {
    std::string text;
    // origin[k]: the offset in the original of the byte text[k] stands for;
    // origin[text.size()] is the original's size.
    std::vector<std::size_t> origin;
};
Normalized normalize(const std::string &original, bool exact, signed char range_mark);

} // namespace cli

#endif
