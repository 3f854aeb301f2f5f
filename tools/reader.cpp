// The typographic forms of the text reader (reader.h): the lookahead that
// runs only for the few bytes that may begin a form.
#include "reader.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

namespace cli {

namespace {

void add(Span &span, int c) { span.bytes[span.len++] = static_cast<char>(c); }

} // namespace

[[gnu::noinline]] int Reader::form_at(int c, Span &form, bool &is_form) {
    Span span;
    add(span, c);
    const int mapped = typographic(c, span);
    blank_line_ = (mapped == ' ' && (c == '\n' || c == '\r' || blank_line_)) ||
                  (blank_line_ && (c == ' ' || c == '\t'));
    if (span.len != 1 || mapped != c) {
        form = span;
        is_form = true;
    }
    return mapped;
}

int Reader::take(Span &span) {
    int c = count_ > 0 ? ahead_[--count_] : getc_unlocked(f_);
    span = Span{};
    if (c >= 0)
        add(span, c);
    return c;
}

int Reader::peek() {
    if (count_ == 0) {
        int c = getc_unlocked(f_);
        if (c < 0)
            return c;
        ahead_[count_++] = c;
    }
    return ahead_[count_ - 1];
}

// Peeks at the byte after the next one (the two-byte lookahead of the
// three-byte dashes).
int Reader::peek2() {
    int first = peek();
    if (first < 0)
        return -1;
    --count_;
    int second = peek();
    ahead_[count_++] = first;
    if (second >= 0) {
        // ahead_ is a stack: the byte read first must come out first.
        ahead_[0] = second;
        ahead_[1] = first;
    }
    return second;
}

void Reader::absorb(Span &span) {
    Span extra;
    add(span, take(extra));
}

int Reader::typographic(int c, Span &span) {
    switch (c) {
    case 0xE2: // en dash, em dash (E2 80 93/94); thin and narrow spaces
        if (peek() == 0x80) {
            const int third = peek2();
            if (third == 0x93 || third == 0x94 || third == 0x89 || third == 0xAF) {
                absorb(span);
                absorb(span);
                return third == 0x93 || third == 0x94 ? range_ : ' ';
            }
        }
        return c;
    case 0xC2: // no-break space
        if (peek() == 0xA0) {
            absorb(span);
            return ' ';
        }
        return c;
    case '~':
    case '\t':
        return ' ';
    case '-': // TeX "--" and "---"
        if (peek() == '-') {
            absorb(span);
            if (peek() == '-')
                absorb(span);
            return range_;
        }
        return c;
    case '\r':
        if (peek() == '\n') {
            absorb(span);
            return line_break();
        }
        return c;
    case '\n': return line_break();
    default: return c;
    }
}

// A line break inside a paragraph is a space; one that ends a paragraph
// (an empty or blank line follows or precedes it) or the file stays.
int Reader::line_break() {
    const int n = peek();
    if (n < 0 || n == '\n' || n == '\r' || blank_line_)
        return '\n';
    return ' ';
}

// ---------------------------------------------------------------------
// Phrases: matched in the view of typographic forms, where every blank and
// line break inside a paragraph is already a space. Only a byte that starts
// a word and may begin a phrase reads ahead, as far as the phrases that fit
// so far need; what was read ahead and is no phrase is handed out as it is,
// and phrases are looked for in it again.

namespace {

// A phrase with the blanks a text puts between its words.
constexpr std::size_t kMaxPhraseBytes = 256;

} // namespace

Reader::Item Reader::pull() {
    Item item{};
    item.c = next_form(item.form, item.is_form);
    return item;
}

// The next byte when bytes were read ahead or a name is being handed out.
std::size_t Reader::next_plain(char *out, std::size_t room) {
    if (count_ > 0 || !items_.empty() || *name_ != '\0')
        return 0;
    // The state in locals: the stores to `out` may alias the members.
    FILE *const f = f_;
    std::size_t n = 0;
    if (exact_) {
        int c;
        while (n < room && (c = getc_unlocked(f)) >= 0)
            out[n++] = static_cast<char>(c);
        if (n < room)
            ahead_[count_++] = -1;
        return n;
    }
    const bool *const may_begin = phrases_ != nullptr ? phrases_->may_begin.data() : nullptr;
    const bool *const in_word = phrases_ != nullptr ? phrases_->in_word.data() : nullptr;
    bool word_start = word_start_, blank_line = blank_line_;
    while (n < room) {
        const int c = getc_unlocked(f);
        // The end, or a byte that may begin a form or a phrase: next()
        // takes it from here.
        if (c < 0 || may_begin_form(c) || (may_begin != nullptr && word_start && may_begin[c])) {
            ahead_[count_++] = c;
            break;
        }
        blank_line = blank_line && c == ' ';
        if (in_word != nullptr)
            word_start = !in_word[c];
        out[n++] = static_cast<char>(c);
    }
    word_start_ = word_start;
    blank_line_ = blank_line;
    return n;
}

int Reader::next_queued(Span &form, bool &is_form) {
    // The bytes of a phrase's name after its first stand for no bytes.
    if (*name_ != '\0') {
        form = Span{};
        is_form = true;
        return static_cast<unsigned char>(*name_++);
    }
    const Item item = items_.front();
    items_.pop_front();
    if (word_start_ && phrases_->may_begin[static_cast<std::size_t>(item.c)])
        return phrase_at(item, form, is_form);
    return hand_out(item, form, is_form);
}

// `item` starts a word and may begin a phrase: the first byte of the
// phrase's name, or `item` itself when no phrase is there.
int Reader::phrase_at(const Item &item, Span &form, bool &is_form) {
    if (items_.empty())
        read_ahead();
    // Most words that begin like a phrase differ from it in their second
    // byte already.
    const bool may_match = items_.empty() || phrases_->may_go_on(item.c, items_.front().c);
    int which = 0;
    if (const long length = may_match ? match_phrase(item.c, which) : 0; length > 0)
        return hand_out_phrase(item, length, which, form, is_form);
    return hand_out(item, form, is_form);
}

int Reader::hand_out(const Item &item, Span &form, bool &is_form) {
    word_start_ = !phrases_->in_word[static_cast<std::size_t>(item.c)];
    is_form = item.is_form;
    if (item.is_form)
        form = item.form;
    return item.c;
}

// Reads one more byte of the view ahead; false at the end of the file.
bool Reader::read_ahead() {
    const Item next = pull();
    if (next.c < 0)
        return false;
    items_.push_back(next);
    return true;
}

// The length in bytes of the view of the longest phrase that begins with
// `first` and goes on with what was read ahead, or 0.
long Reader::match_phrase(int first, int &which) {
    std::string &text = text_;
    text.assign(1, static_cast<char>(first));
    for (const Item &item : items_)
        text += static_cast<char>(item.c);
    bool more = true;
    // The first word decides for most words: read it whole before asking.
    while (more && phrases_->in_word[static_cast<unsigned char>(text.back())] &&
           text.size() < kMaxPhraseBytes) {
        more = read_ahead();
        if (more)
            text += static_cast<char>(items_.back().c);
    }
    for (;;) {
        more = more && text.size() < kMaxPhraseBytes;
        const long length = tovrin_phrases_match(phrases_->set.get(), text.data(), text.size(),
                                                 more ? 1 : 0, &which);
        if (length >= 0)
            return length;
        more = read_ahead();
        if (more)
            text += static_cast<char>(items_.back().c);
    }
}

int Reader::hand_out_phrase(const Item &first, long length, int which, Span &form,
                            bool &is_form) {
    const auto bytes_of = [](const Item &item) {
        return item.is_form ? std::string(item.form.data(), item.form.size())
                            : std::string(1, static_cast<char>(item.c));
    };
    std::string original = bytes_of(first);
    for (long k = 1; k < length; ++k) {
        original += bytes_of(items_.front());
        items_.pop_front();
    }
    originals_.push_back(std::move(original));
    name_ = tovrin_phrases_name(phrases_->set.get(), which);
    word_start_ = false;
    form = Span{};
    form.phrase = &originals_.back();
    is_form = true;
    return static_cast<unsigned char>(*name_++);
}

Normalized normalize(const std::string &original, bool exact, signed char range_mark,
                     const Phrases *phrases) {
    Normalized r;
    // fmemopen() refuses an empty buffer on some systems: nothing to read.
    if (!original.empty()) {
        std::unique_ptr<FILE, int (*)(FILE *)> f(
            fmemopen(const_cast<char *>(original.data()), original.size(), "r"), &std::fclose);
        if (f == nullptr)
            throw std::bad_alloc();
        Reader reader(f.get(), exact, range_mark, phrases);
        std::size_t at = 0;
        for (;;) {
            Span form;
            bool is_form = false;
            const int c = reader.next(form, is_form);
            if (c < 0)
                break;
            r.text += static_cast<char>(c);
            r.origin.push_back(at);
            at += is_form ? form.size() : 1;
        }
    }
    r.origin.push_back(original.size());
    return r;
}

} // namespace cli
