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
//  * Phrases. A book title of three words or more ("Song of Solomon",
//    "První list Korintským"), given in bibl.ini as a ">" line, is handed
//    out as the book name it stands for ("Song"): its first byte stands for
//    all the original bytes of the phrase, the others for none. Phrases are
//    matched in the view above, so one split by a line break inside a
//    paragraph is found too.
//
// With `exact` the reader hands out the file's bytes as they are.
#ifndef TOVRIN_TOOLS_READER_H
#define TOVRIN_TOOLS_READER_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "phrases.h"

namespace cli {

// One byte handed to the scanner and the original bytes it stands for: a
// typographic form holds them in `bytes`; the first byte of a phrase's name
// points to them in `phrase`, which the reader keeps while it lives.
struct Span {
    std::uint8_t len = 0;
    char bytes[3] = {};
    const std::string *phrase = nullptr;

    const char *data() const { return phrase != nullptr ? phrase->data() : bytes; }
    std::size_t size() const { return phrase != nullptr ? phrase->size() : len; }
};

// Reads a file and hands out the normalised view, byte by byte.
class Reader {
public:
    // `phrases` (null for none) are read unless `exact`.
    Reader(FILE *f, bool exact, signed char range_mark, const Phrases *phrases = nullptr)
        : f_(f), exact_(exact), range_(static_cast<unsigned char>(range_mark)),
          phrases_(exact ? nullptr : phrases) {}

    // The next byte of the normalised view (-1 at the end). When it stands
    // for other bytes of the file (a typographic form, a phrase), those go
    // to `form` and the result is true in `is_form`; most bytes stand for
    // themselves.
    int next(Span &form, bool &is_form) {
        if (phrases_ == nullptr)
            return next_form(form, is_form);
        if (!items_.empty() || *name_ != '\0') [[unlikely]]
            return next_queued(form, is_form);
        // Most bytes begin no phrase.
        const int c = next_form(form, is_form);
        if (c < 0)
            return c;
        const auto b = static_cast<std::size_t>(c);
        if (word_start_ && phrases_->may_begin[b]) [[unlikely]]
            return phrase_at(Item{c, form, is_form}, form, is_form);
        word_start_ = !phrases_->in_word[b];
        return c;
    }

    // Reads into `out` (room for `room` bytes) the next bytes of the view
    // that stand for themselves, up to the first that may not or the end
    // of the file; returns how many. What next() would hand out, without
    // a call per byte: running text is mostly such bytes.
    std::size_t next_plain(char *out, std::size_t room);

private:
    // One byte of the view without phrases, with what it stands for.
    struct Item {
        int c;
        Span form;
        bool is_form;
    };

    int next_form(Span &form, bool &is_form) {
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

    int next_queued(Span &form, bool &is_form);
    int phrase_at(const Item &item, Span &form, bool &is_form);
    int hand_out(const Item &item, Span &form, bool &is_form);
    bool read_ahead();
    Item pull();
    long match_phrase(int first, int &which);
    int hand_out_phrase(const Item &first, long length, int which, Span &form, bool &is_form);

    FILE *f_;
    bool exact_;
    int range_;
    int ahead_[2] = {};
    int count_ = 0;
    bool blank_line_ = false; // only blanks since a line break became a space

    const Phrases *phrases_;
    std::deque<Item> items_;          // the view read ahead to decide a phrase
    bool word_start_ = true;          // no letter or digit before the next byte
    const char *name_ = "";           // the rest of the name of a phrase
    std::string text_;                // the view read ahead, as one text
    std::deque<std::string> originals_; // the original bytes of each phrase
};

// A short text (a command-line argument, a query, a line of a filter) read
// as the reader reads files.
struct Normalized {
    std::string text;
    // origin[k]: the offset in the original of the byte text[k] stands for;
    // origin[text.size()] is the original's size.
    std::vector<std::size_t> origin;
};
Normalized normalize(const std::string &original, bool exact, signed char range_mark,
                     const Phrases *phrases = nullptr);

} // namespace cli

#endif
