// Citations in running text: the text stage, the block scanner and the
// services put together into one record per citation, with its place in
// the original text. Every program of tovrin reads text through here, so a
// citation is the same whichever program finds it.
//
// Consumes: blocks of a text. Produces: records in text order, and the text
// between them as written.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "internal.h"
#include "source_stage.h"
#include "text_stage.h"
#include "versification.h"
#include "view_map.h"
#include "tovrin.h"

namespace tovrin::detail {

namespace {

struct UnitsFree {
    void operator()(PARS_UNIT **pp) const { freepus(pp); }
};
using Units = std::unique_ptr<PARS_UNIT *, UnitsFree>;

struct TextFree {
    void operator()(char *p) const { std::free(p); }
};
using Text = std::unique_ptr<char, TextFree>;

unsigned scan_flags(const tovrin_options &o) {
    return !o.exact && o.existing ? TOVRIN_SCAN_EXISTING : 0u;
}

} // namespace

// The reader behind tovrin_reader_*.
class CitationReader {
public:
    CitationReader(LANG *l, const tovrin_options &o, Source source)
        : l_(l), o_(o), scan_(l, o, scan_flags(o), source) {}

    void feed(std::string_view block, const tovrin_handler &h) {
        hand_out(scan_.feed(block, false), h);
    }
    void finish(const tovrin_handler &h) { hand_out(scan_.feed({}, true), h); }

    long long decided() const { return text_done_; }

private:
    // Hands out the citations found and the text up to view offset
    // `decided`, then forgets what lies before it.
    void hand_out(long long decided, const tovrin_handler &h) {
        for (const tovrin_span &s : scan_.spans()) {
            long long start = std::max(scan_.to_original(s.offset), text_done_);
            Lectionary forms = lectionary(s, start);
            long long end = scan_.to_original(s.offset + s.length);
            if (!marks_whole(start, end, forms))
                continue; // handed out as text
            text_until(start, h);
            citation(s, start, end, forms, h);
        }
        scan_.spans().clear();
        drop_notes_before(decided);
        text_until(scan_.to_original(decided), h);
        scan_.forget(decided, text_done_);
    }

    void text_until(long long end, const tovrin_handler &h) {
        if (end <= text_done_)
            return;
        const ViewScan::Original text = scan_.original(text_done_, end);
        for (const std::string_view piece : {text.kept, text.fed}) {
            if (piece.empty())
                continue;
            if (h.text != nullptr)
                h.text(piece.data(), piece.size(), h.ctx);
            if (!(o_.without & TOVRIN_WITHOUT_PLACES))
                places_.pass(piece);
        }
        text_done_ = end;
    }

    // The lectionary forms of a citation: its optional verses, from its
    // start, and another numbering.
    struct Lectionary {
        std::vector<tovrin_span> optional;
        std::string alternate;
    };
    Lectionary lectionary(const tovrin_span &s, long long start) {
        drop_notes_before(s.offset);
        Lectionary forms;
        std::vector<ViewNote> &notes = scan_.notes();
        std::size_t k = 0;
        for (; k < notes.size() && notes[k].end <= s.offset + s.length; ++k) {
            const ViewNote &note = notes[k];
            if (note.kind == ViewNote::alternate) {
                forms.alternate += (forms.alternate.empty() ? "" : " ") + note.text;
                continue;
            }
            const long long from = scan_.to_original(note.at);
            const long long to = scan_.to_original(note.end - 1) + 1;
            forms.optional.push_back({from - start, to - from});
        }
        notes.erase(notes.begin(), notes.begin() + static_cast<std::ptrdiff_t>(k));
        return forms;
    }
    // Moves the citation at [start, end) of a source onto whole groups
    // (source_stage.h); false when it cannot be.
    bool marks_whole(long long &start, long long &end, Lectionary &forms) const {
        if (scan_.source() == Source::text)
            return true;
        std::size_t front, back;
        if (!detail::marks_whole(scan_.source(), scan_.original(start, end).joined(),
                                 scan_.original(end, end + kMarkupAfter).joined(), front, back))
            return false;
        start += static_cast<long long>(front);
        end += static_cast<long long>(back);
        for (tovrin_span &optional : forms.optional)
            optional.offset -= static_cast<long long>(front);
        return true;
    }

    // Takes the tag of a translation off the end of `read` and gives it
    // ("ČEP" of "J 3,16 ČEP"); empty when there is none.
    std::string take_translation(std::string &read) const {
        const ReadingRules *rules = scan_.rules();
        const std::size_t suffix = rules != nullptr ? rules->translation_suffix(read) : 0;
        if (suffix == 0)
            return {};
        std::string tag = read.substr(read.size() - suffix + 1);
        read.resize(read.size() - suffix);
        if (tag.front() == '(')
            tag = tag.substr(1, tag.size() - 2);
        return tag;
    }

    // The numbering system that ids of `osis` follow: the language's first
    // that has the book of the first id (tovrin_osis() numbers each book so).
    const char *osis_system(std::string_view osis) const {
        const int book = book_of_osis(osis.substr(0, osis.find('.')));
        const tovrin_versification *v = book > 0 ? table_for(book, systems_of(l_), nullptr) : nullptr;
        return v != nullptr ? tovrin_versification_name(v) : nullptr;
    }

    // Drops the notes of the view before `at`, which no citation holds.
    void drop_notes_before(long long at) {
        std::vector<ViewNote> &notes = scan_.notes();
        const auto kept = std::find_if(notes.begin(), notes.end(),
                                       [at](const ViewNote &n) { return n.at >= at; });
        notes.erase(notes.begin(), kept);
    }

    void citation(const tovrin_span &s, long long start, long long end, const Lectionary &forms,
                  const tovrin_handler &h) {
        const std::string written = scan_.original(start, end).joined();
        std::string read(scan_.view(s.offset, s.length));
        const std::string translation = take_translation(read);
        tovrin_citation c{};
        c.offset = start;
        c.length = end - start;
        if (!(o_.without & TOVRIN_WITHOUT_PLACES)) {
            c.line = places_.line();
            c.column = places_.column();
            places_.pass(written);
        }
        c.text = written.c_str();
        c.read = read.c_str();
        Text canonical(o_.without & TOVRIN_WITHOUT_CANONICAL ? nullptr
                                                             : tovrin_expand(c.read, l_));
        c.canonical = canonical != nullptr ? canonical.get() : "";
        Text osis;
        if (!(o_.without & TOVRIN_WITHOUT_OSIS) && tovrin_versification_of(l_, 0) != nullptr)
            osis.reset(tovrin_osis(c.read, l_, nullptr, 0));
        c.osis = osis.get();
        if (osis != nullptr)
            c.versification = osis_system(osis.get());
        std::vector<PARS_UNIT> units;
        if (!(o_.without & TOVRIN_WITHOUT_UNITS)) {
            const Units pp(tovrin_units(c.read, l_));
            for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u)
                units.push_back(**u);
        }
        c.units = units.data();
        c.unit_count = static_cast<int>(units.size());
        c.optional = forms.optional.data();
        c.optional_count = static_cast<int>(forms.optional.size());
        c.alternate = forms.alternate.empty() ? nullptr : forms.alternate.c_str();
        c.translation = translation.empty() ? nullptr : translation.c_str();
        text_done_ = end;
        if (h.citation != nullptr)
            h.citation(&c, h.ctx);
    }

    LANG *l_;
    tovrin_options o_;
    ViewScan scan_;
    long long text_done_ = 0; // original bytes handed out
    Places places_;
};

namespace {

// What is wrong with `read` (the view of `shown`), in lint's words; empty
// when nothing is. `origin` maps view offsets to `shown`.
std::string problem(const TextStage::Read &read, std::string_view shown, LANG *l,
                    unsigned flags) {
    const char *s = read.text.c_str();
    const std::string in = " in '" + std::string(shown) + "'";
    const auto take = [](char *p) {
        const Text owner(p);
        return std::string(p);
    };
    if (const int stop = tovrin_check1(s, l)) {
        // The terminator counts: a text that ends too early stops one past it.
        const std::size_t at = read.origin[static_cast<std::size_t>(stop) - 1];
        long column = 1;
        for (std::size_t k = 0; k < at && k < shown.size(); ++k)
            column += (static_cast<unsigned char>(shown[k]) & 0xC0) != 0x80;
        return "not a citation: stops at column " + std::to_string(column) + in;
    }
    if (char *bad = tovrin_check2(s, l)) {
        const std::string name = take(bad);
        const std::string meant = suggested_book_name(name, l);
        if (meant.empty() && (flags & kProblemMisspeltNamesOnly))
            return {};
        const std::string hint = meant.empty() ? "" : " (did you mean '" + meant + "'?)";
        return "unknown book name '" + name + "'" + in + hint;
    }
    if (char *bad = tovrin_check3(s, l))
        return "chapter or verse number '" + take(bad) + "' out of range 1-999" + in;
    if (tovrin_check4(s, l))
        return "reversed range" + in;
    if (!(flags & TOVRIN_PROBLEM_WHOLE_BOOK) && tovrin_check9(s, l))
        return "missing chapter" + in;
    tovrin_existence why;
    if ((flags & TOVRIN_PROBLEM_EXISTS) && tovrin_exists(s, l, &why) != TOVRIN_EXISTS)
        return existence_problem(why, l);
    return {};
}

tovrin_options options_or_defaults(const tovrin_options *o) {
    return o != nullptr ? *o : tovrin_default_options();
}

StageOptions single_stage(LANG *l, const tovrin_options &o) {
    StageOptions s;
    s.forms = !o.exact && o.forms != 0;
    s.phrases = !o.exact && o.phrases != 0 ? phrases_of(l) : nullptr;
    return s;
}

} // namespace

char *heap_copy(const std::string &s) {
    char *p = static_cast<char *>(std::malloc(s.size() + 1));
    if (p == nullptr)
        fatal(stderr, "libtovrin: out of memory\n");
    std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

std::string citation_problem(std::string_view cite, LANG *l, unsigned flags) {
    TextStage::Read read;
    read.text = cite;
    for (std::size_t k = 0; k <= cite.size(); ++k)
        read.origin.push_back(k);
    return problem(read, cite, l, flags);
}

std::string existence_problem(const tovrin_existence &why, LANG *l) {
    const std::string book = booknr(l, why.book);
    const std::string has = " (it has " + std::to_string(why.limit) + ")";
    switch (why.reason) {
    case TOVRIN_NO_VERSE:
        return "no verse " + std::to_string(why.verse) + " in " + book + " " +
               std::to_string(why.chapter) + has;
    case TOVRIN_NO_CHAPTER:
        return "no chapter " + std::to_string(why.chapter) + " in " + book + has;
    default: return "no book " + book + " in " + system_names(l);
    }
}

std::string system_names(LANG *l) {
    std::string names;
    const tovrin_versification *v = nullptr;
    for (int k = 0; (v = tovrin_versification_of(l, k)) != nullptr; ++k) {
        if (k > 0)
            names += tovrin_versification_of(l, k + 1) != nullptr ? ", " : " or ";
        names += tovrin_versification_name(v);
    }
    return names;
}

} // namespace tovrin::detail

struct tovrin_reader {
    tovrin::detail::CitationReader reader;
};

extern "C" {

tovrin_options tovrin_default_options(void) {
    tovrin_options o{};
    o.existing = 1;
    o.forms = 1;
    o.phrases = 1;
    return o;
}

namespace {

using tovrin::detail::StageOptions;

// Whether the default reading ends what it reads at byte `b` of a line's
// end: a sentence's "?" or "!" that no name, mark, form or phrase of the
// language holds, so the lexer stops there and the stage writes it as text.
bool ends_reading(LANG *l, const StageOptions &s, unsigned char b) {
    return (b == '?' || b == '!') && tovrin::detail::tables(l).cls[b] == 0 &&
           !tovrin::detail::stage_tables(l, s).reads(b);
}

// Whether the line at `at` begins as a text may: the stage reads spaces,
// line breaks, forms and combining marks after a line break otherwise than
// at a text's start.
bool begins_plain_line(LANG *l, const StageOptions &s, const char *text, std::size_t len,
                       std::size_t at) {
    if (at >= len)
        return false;
    const auto b = static_cast<unsigned char>(text[at]);
    return b != ' ' && b != '\t' && b != '\r' && b != '\n' &&
           !tovrin::detail::stage_tables(l, s).begins_form(b);
}

} // namespace

size_t tovrin_cut_after(LANG *l, const tovrin_options *o, const char *text, size_t len,
                        size_t from) {
    if (l == nullptr || text == nullptr)
        return len;
    const StageOptions s = tovrin::detail::single_stage(l, tovrin::detail::options_or_defaults(o));
    const bool joins_lines = s.forms || s.phrases != nullptr;
    for (std::size_t p = from; p < len;) {
        const void *lf = std::memchr(text + p, '\n', len - p);
        if (lf == nullptr)
            return len;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char *>(lf) - text);
        if (!joins_lines)
            return at + 1;
        std::size_t next = at + 1;
        while (next < len && (text[next] == ' ' || text[next] == '\t'))
            ++next;
        if (next < len && text[next] == '\r')
            ++next;
        if (next < len && text[next] == '\n')
            return next + 1; // an empty or blank line
        const std::size_t last = at > 0 && text[at - 1] == '\r' ? at - 1 : at;
        if (last > 0 && ends_reading(l, s, static_cast<unsigned char>(text[last - 1])) &&
            begins_plain_line(l, s, text, len, at + 1))
            return at + 1;
        p = at + 1;
    }
    return len;
}

tovrin_reader *tovrin_reader_new(LANG *l, const tovrin_options *o) {
    return tovrin_reader_new_source(l, o, TOVRIN_SOURCE_TEXT);
}

tovrin_reader *tovrin_reader_new_source(LANG *l, const tovrin_options *o, int source) {
    if (l == nullptr)
        return nullptr;
    try {
        return new tovrin_reader{tovrin::detail::CitationReader(
            l, tovrin::detail::options_or_defaults(o), tovrin::detail::source_of(source))};
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void tovrin_reader_feed(tovrin_reader *r, const char *data, size_t len, const tovrin_handler *h) {
    static const tovrin_handler none{};
    r->reader.feed(std::string_view(data, len), h != nullptr ? *h : none);
}

void tovrin_reader_finish(tovrin_reader *r, const tovrin_handler *h) {
    static const tovrin_handler none{};
    r->reader.finish(h != nullptr ? *h : none);
}

long long tovrin_reader_decided(const tovrin_reader *r) { return r->reader.decided(); }

void tovrin_reader_free(tovrin_reader *r) { delete r; }

char *tovrin_read_citation(const char *cite, LANG *l, const tovrin_options *o) {
    using namespace tovrin::detail;
    const tovrin_options options = options_or_defaults(o);
    return heap_copy(TextStage::read_all(l, single_stage(l, options), cite).text);
}

char *tovrin_problem(const char *cite, LANG *l, const tovrin_options *o, unsigned flags) {
    using namespace tovrin::detail;
    const tovrin_options options = options_or_defaults(o);
    unsigned public_flags = flags & (TOVRIN_PROBLEM_WHOLE_BOOK | TOVRIN_PROBLEM_EXISTS);
    // The default reading takes only citations that exist, whoever writes
    // them: a text, an argument or a query.
    if (options.existing && !options.exact)
        public_flags |= TOVRIN_PROBLEM_EXISTS;
    const std::string why =
        problem(TextStage::read_all(l, single_stage(l, options), cite), cite, l, public_flags);
    return why.empty() ? nullptr : heap_copy(why);
}

} // extern "C"
