// The scan of a whole text: typographic forms and phrases read, the scanner run over
// the view, citations trimmed and placed in the original text.
#include "finder.h"

#include "forms.h"

namespace tovrin_python {

namespace {

// Counts characters and lines up to increasing byte offsets.
class Places {
public:
    explicit Places(std::string_view text) : s_(text) {}

    void advance(std::size_t to) {
        for (; at_ < to; ++at_) {
            const auto c = static_cast<unsigned char>(s_[at_]);
            if (begins_character(c))
                ++chars_;
            if (c == '\n') {
                ++line_;
                line_start_ = chars_;
            }
        }
    }
    std::size_t characters() const { return chars_; }
    long line() const { return line_; }
    long column() const { return static_cast<long>(chars_ - line_start_) + 1; }

private:
    std::string_view s_;
    std::size_t at_ = 0, chars_ = 0, line_start_ = 0;
    long line_ = 1;
};

void place(std::vector<Found> &all, std::string_view text, const FindOptions &o) {
    Places places(text);
    for (Found &f : all) {
        places.advance(f.start);
        f.first = places.characters();
        if (o.places) {
            f.line = places.line();
            f.column = places.column();
        }
        places.advance(f.end);
        f.last = places.characters();
    }
}

} // namespace

std::vector<Found> find(tovrin::Language l, std::string_view text, const FindOptions &o) {
    Normalised view;
    if (!o.exact)
        view = normalise(l, text);
    const std::string_view scanned = o.exact ? text : std::string_view(view.text);
    OriginalOffsets original(view.forms);
    std::vector<Found> all;
    // As `tovrin scan`: citations that exist, unless exact.
    const unsigned flags = o.exact ? 0u : TOVRIN_SCAN_EXISTING;
    for (const tovrin_span &s : tovrin::find_citations(l, scanned, flags)) {
        std::string_view cite = scanned.substr(static_cast<std::size_t>(s.offset),
                                               static_cast<std::size_t>(s.length));
        // Spaces between a citation and what stopped it are ordinary text.
        while (!cite.empty() && cite.back() == ' ')
            cite.remove_suffix(1);
        Found f;
        f.start = original(static_cast<std::size_t>(s.offset));
        f.end = original(static_cast<std::size_t>(s.offset) + cite.size());
        f.normalised = std::string(cite);
        all.push_back(std::move(f));
    }
    if (o.characters || o.places)
        place(all, text, o);
    if (!o.characters)
        for (Found &f : all) {
            f.first = f.start;
            f.last = f.end;
        }
    return all;
}

std::size_t characters(std::string_view text) {
    std::size_t n = 0;
    for (char c : text)
        n += begins_character(static_cast<unsigned char>(c));
    return n;
}

std::string read_forms(tovrin::Language l, std::string_view cite) {
    return normalise(l, cite).text;
}

} // namespace tovrin_python
