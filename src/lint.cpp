// Lint: citations written wrongly (a misspelt book name, a number out of
// range, a reversed range, a missing chapter) and citations of chapters or
// verses that no numbering system of the language has, with their places,
// as a compiler reports errors.
//
// Lint reads the text as the readers of running text read it (the text
// stage), with the citations the scanner accepts, and keeps only a window
// of it: the text a candidate may still reach, and a little before it. A
// candidate is one citation (it ends before a citation separator: what
// follows is looked at on its own) and is cut at kMaxCandidate bytes, and
// no word or number in it runs longer than kMaxWord; so each position is
// looked at in bounded time and memory, whatever the text holds (a megabyte
// of capitals on one line is one word that is cut, not a candidate at every
// letter).
//
// Consumes: blocks of a text. Produces: problems in text order.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "internal.h"
#include "text_stage.h"
#include "tovrin.h"
#include "versification.h"
#include "view_map.h"

namespace tovrin::detail {

namespace {

// The longest candidate looked at: far more than any citation of one book
// in real texts, which rarely reach a hundred bytes.
constexpr std::size_t kMaxCandidate = 1024;
// The longest word or number in a candidate: a book name is a word or two
// of at most a few dozen letters, a number of more than three digits is out
// of range anyway (and reported with the first kMaxWord of them).
constexpr std::size_t kMaxWord = 64;
// Text kept before the position being looked at, beyond which the window
// is dropped (a candidate looks back two bytes; see starts_word).
constexpr std::size_t kKeepBehind = 8;

// Where a byte of the original text is.
struct Place {
    long long offset = 0;
    long line = 1, column = 1;
};

// Looks at each position of a text as read (the view of the text stage) as
// the scan delivers it, with the citations the scanner accepted.
class Analysis {
public:
    // `rules`: the default reading's (null for the exact one).
    Analysis(LANG *l, const tovrin_problem_handler &report, const ReadingRules *rules)
        : l_(l), report_(report), rules_(rules), systems_(system_names(l)) {
        // The language's classes of every byte, asked once: lint asks for
        // them at every position.
        for (int c = 0; c < 256; ++c) {
            letter_[c] = ifc_2(static_cast<signed char>(c), l) != 0;
            capital_[c] = ifc_4(static_cast<signed char>(c), l) != 0;
            may_start_[c] = capital_[c] || (c >= '0' && c <= '9');
            in_word_[c] = letter_[c] || (c >= '0' && c <= '9');
        }
    }

    // Where problems go from now on.
    void report_to(const tovrin_problem_handler &report) { report_ = report; }

    // A run of the text as read, `view`, whose first byte is at `at` in the
    // original; each byte but the last stands for one original byte, those
    // of `kept` and then `fed` (the last may stand for more, a form).
    void text(std::string_view view, std::string_view kept, std::string_view fed,
              const Place &at) {
        anchors_.push_back({end(), at});
        text_ += view;
        original_ += kept;
        original_ += fed;
        original_.resize(text_.size(), ' ');
        analyse_ready();
    }
    // A citation the scanner accepted, read as `read`, each byte at its place.
    // A translation's tag after it ("J 3,16 ČEP") is text to lint. `note`,
    // when not empty, is reported at its start.
    void citation(std::string_view read, const std::vector<Place> &places, std::string note) {
        const std::size_t tag = rules_ != nullptr ? rules_->translation_suffix(read) : 0;
        accepted_.push_back({end(), end() + read.size() - tag, std::move(note)});
        for (std::size_t k = 0; k < read.size(); ++k)
            anchors_.push_back({end() + k, places[k]});
        text_ += read;
        original_ += read;
        analyse_ready();
    }
    void finish() { analyse(end()); }

private:
    struct Range {
        std::size_t begin, end; // offsets in the normalised text
        std::string note;       // reported at begin
    };
    // The place of the window's byte `at`; the bytes after it up to the
    // next anchor stand for one original byte each.
    struct Anchor {
        std::size_t at;
        Place place;
    };

    // The window: text_[k] is the byte at offset base_ + k.
    std::size_t end() const { return base_ + text_.size(); }
    char at(std::size_t i) const { return text_[i - base_]; }

    // Where the window's byte `i` came from: from the anchor at or before
    // it, over the original bytes between. Asked only for what is
    // reported, so no place is kept for every byte; the walk goes on from
    // the last place asked for when that is in the same run (reports come
    // in text order, many in one long run).
    Place place_at(std::size_t i) {
        const auto after = std::upper_bound(anchors_.begin(), anchors_.end(), i,
                                            [](std::size_t k, const Anchor &a) { return k < a.at; });
        Anchor from = *std::prev(after);
        if (last_.at >= from.at && last_.at <= i)
            from = last_;
        Places walk(from.place.line, from.place.column);
        walk.pass(std::string_view(original_).substr(from.at - base_, i - from.at));
        last_ = {i, Place{from.place.offset + static_cast<long long>(i - from.at), walk.line(),
                          walk.column()}};
        return last_.place;
    }

    bool is_letter(char c) const { return letter_[static_cast<unsigned char>(c)]; }
    bool is_capital(char c) const { return capital_[static_cast<unsigned char>(c)]; }
    bool is_digit(char c) const { return c >= '0' && c <= '9'; }
    bool is_separator(char c) const { return static_cast<signed char>(c) == l_->chars[0]; }

    // Looks at the positions whose candidates lie within the window, then
    // drops what no later candidate looks at.
    void analyse_ready() {
        if (end() - next_ < 2 * kMaxCandidate)
            return;
        analyse(end() - kMaxCandidate);
        if (next_ - base_ > 64 * 1024)
            drop_before(next_ - kKeepBehind);
    }
    void drop_before(std::size_t offset) {
        const std::size_t n = offset - base_;
        // starts_sentence() looks back over spaces past the window's start.
        for (std::size_t k = n; k > 0; --k)
            if (text_[k - 1] != ' ') {
                before_window_ = text_[k - 1];
                break;
            }
        const Anchor first{offset, place_at(offset)};
        while (!anchors_.empty() && anchors_.front().at <= offset)
            anchors_.pop_front();
        anchors_.push_front(first);
        text_.erase(0, n);
        original_.erase(0, n);
        base_ = offset;
    }

    // What the lexer does at the end of a text depends only on its state
    // (and on whether a token text is pending): a prefix lexes as a whole
    // when the terminator, fed in that state, is no error. The answer is
    // found once per state, on a copy of the record.
    bool lexes_whole(const PARS &p) {
        std::int8_t &whole = whole_[static_cast<std::size_t>(p.sta * 2 + (p.string != nullptr))];
        if (whole < 0) {
            PARS copy = p;
            copy.string = p.string != nullptr ? strdup(p.string) : nullptr;
            copy.out = nullptr;
            tovrin_parser('\0', &copy);
            whole = copy.errr == 0;
            tovrin_pfree(&copy);
        }
        return whole != 0;
    }

    // The candidate at `begin`: the longest text from there that lexes as
    // a whole (what stops the lexer is often just the punctuation of the
    // sentence, "L 6,20."), without trailing spaces, within one citation
    // and the limits above.
    std::string candidate(std::size_t begin) {
        PARS p;
        tovrin_pinit(&p, l_);
        std::size_t whole = begin; // the end of the longest whole prefix
        std::size_t word = 0;      // length of the word or number being read
        const std::size_t stop = std::min(end(), begin + kMaxCandidate);
        for (std::size_t i = begin; i < stop && !is_separator(at(i)); ++i) {
            const char c = at(i);
            word = is_letter(c) || is_digit(c) ? word + 1 : 0;
            if (word > kMaxWord)
                break;
            lex_byte(static_cast<signed char>(c), &p, &t_);
            if (p.errr == 1 || p.sta < 0)
                break;
            if (lexes_whole(p))
                whole = i + 1;
        }
        tovrin_pfree(&p);
        std::string text;
        for (std::size_t i = begin; i < whole; ++i)
            text += at(i);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }

    // Whether the lexer, from `begin`, reads a digit before it stops: a
    // candidate without one has no chapter and is never meant (a capital
    // word of the prose, "Lukáš řekl"). The lexer's table answers this
    // without the token texts that candidate() keeps.
    bool reaches_number(std::size_t begin) const {
        int state = 0;
        for (std::size_t i = begin; i < end(); ++i) {
            const auto b = static_cast<unsigned char>(at(i));
            if (b >= '0' && b <= '9')
                return true;
            state = t_.next[state][b];
            if (state < 0)
                return false;
        }
        return true; // the text may go on
    }

    // Whether the lexer, from `begin`, stops at a byte up to `last` (within
    // the window): then no candidate from `begin` reaches past `last`.
    bool lexer_stops_by(std::size_t begin, std::size_t last) const {
        int state = 0;
        for (std::size_t i = begin; i <= last; ++i) {
            state = t_.next[state][static_cast<unsigned char>(at(i))];
            if (state < 0)
                return true;
        }
        return false;
    }

    // One word, perhaps after the number of a book: books are numbered 1 to
    // 5 (1-5 Mojž, 1-4 Mak), so "2011. Asi 3,5" or "12. Jen 2,5" are the
    // end of a sentence and the start of the next one.
    static bool one_word(const char *name) {
        const char *word = name;
        while (*word >= '0' && *word <= '9')
            ++word;
        if (word != name) {
            if (word - name > 1 || *name < '1' || *name > '5')
                return false;
            if (*word == ' ')
                ++word;
        }
        return std::strchr(word, ' ') == nullptr;
    }

    // What a candidate looks like: a book name with letters followed by a
    // chapter and a verse is meant as a citation; so is a known book with a
    // chapter.
    struct Shape {
        bool verse = false;
        bool chapter = false;
        bool known_book = false;
        bool one_word = false;     // the book name: one word, or number + word
        bool compact = false;      // a chapter and verse written together: "3,4"
        bool long_chapter = false; // a chapter of four digits or more
    };
    Shape shape(const std::string &cite) const {
        Shape sh;
        PARS p;
        tovrin_pinit(&p, l_);
        int last = 0;
        bool letters = false;
        for (std::size_t i = 0; p.end != 1; ++i) {
            lex_byte(static_cast<signed char>(cite.c_str()[i]), &p, &t_);
            if ((p.ousta == TK_BOOK || p.ousta == TK_BOOK_FROM) && last == 0) {
                sh.known_book = findbook(p.out, l_) != 0;
                sh.one_word = one_word(p.out);
                for (const char *s = p.out; *s; ++s)
                    letters |= is_letter(*s);
            }
            if ((p.ousta == TK_CHAPTER || p.ousta == TK_CHAPTER_FROM) && last <= TK_BOOK_FROM) {
                sh.chapter = letters;
                sh.long_chapter = sh.long_chapter || std::strlen(p.out) > 3;
            }
            if ((p.ousta == TK_VERSE || p.ousta == TK_VERSE_FROM) && last == TK_CHAPTER)
                sh.verse = sh.verse || letters;
            if (p.ousta > 0)
                last = p.ousta;
        }
        tovrin_pfree(&p);
        for (std::size_t i = 1; i + 1 < cite.size() && !sh.compact; ++i)
            sh.compact = static_cast<signed char>(cite[i]) == l_->chars[3] &&
                         is_digit(cite[i - 1]) && is_digit(cite[i + 1]);
        return sh;
    }

    // Whether a candidate is meant as a citation, so that its failures are
    // worth reporting. Prose is full of a capitalised word before a number:
    //  * An unknown book counts only when its name is one word (perhaps
    //    after a number) with chapter and verse written together, and not
    //    at the start of a sentence, where every word is capitalised:
    //    "Karel IV. a 9,5", "Praha 5, 6 a 8" are no citations. Even then it
    //    is reported only when it is probably a misspelt book name (see
    //    failure()), so "Kapitola 3,5" or "Asi 3,5 km" are not. The price:
    //    a misspelt name right after a full stop ("srov. Zalm 3,4") is
    //    missed, since "srov." cannot be told from the end of a sentence.
    //  * A known book followed by a number of four digits and no verse is a
    //    year or a count ("Na 1500 metrech", "Jan 2024"), not a chapter.
    bool meant(const Shape &sh, std::size_t at) const {
        if (sh.known_book)
            return sh.chapter && !(sh.long_chapter && !sh.verse);
        return sh.verse && sh.one_word && sh.compact && !starts_sentence(at);
    }

    bool starts_sentence(std::size_t i) const {
        while (i > base_ && at(i - 1) == ' ')
            --i;
        const char before = i > base_ ? at(i - 1) : before_window_;
        return std::strchr(".!?\n", before) != nullptr;
    }

    // The first check the text fails, as a message; empty when it passes.
    // An unknown book name that is nothing like a book of the language
    // ("Sermo 341,1", "GS 62,1") is a word of the prose, not a citation
    // written wrongly: it passes.
    std::string failure(const std::string &cite) const {
        return cite.empty() ? "" : citation_problem(cite, l_, kProblemMisspeltNamesOnly);
    }

    void report(std::size_t at, const std::string &message) {
        const Place p = place_at(at);
        const tovrin_lint_problem problem{p.offset, p.line, p.column, message.c_str()};
        if (report_.problem != nullptr)
            report_.problem(&problem, report_.ctx);
    }

    // A digit after "5," "3." or "5:" continues a number (a verse, a
    // decimal, a time), and does not start one.
    bool starts_word(std::size_t i) const {
        if (i == 0)
            return true;
        const char before = at(i - 1);
        if (is_letter(before) || is_digit(before))
            return false;
        const bool joint = before == ',' || before == '.' || before == ':' ||
                           static_cast<signed char>(before) == l_->chars[2] ||
                           static_cast<signed char>(before) == l_->chars[3];
        return !(joint && is_digit(at(i)) && i >= 2 && is_digit(at(i - 2)));
    }

    // Looks at the positions from next_ up to `limit`.
    void analyse(std::size_t limit) {
        std::size_t i = next_;
        for (; i < limit; ++i) {
            i = next_start(i, limit);
            if (i == limit)
                break;
            // Inside an accepted citation: only what continues it directly
            // (a range or list the checks rejected) is looked at.
            if (!accepted_.empty() && accepted_.front().begin == i) {
                const Range r = std::move(accepted_.front());
                accepted_.pop_front();
                if (!r.note.empty())
                    report(r.begin, r.note);
                // A citation that goes on wrongly is reported for that
                // alone: once it is put right, its numbers are tested.
                if (!check_continuation(r))
                    check_existence(r);
                i = r.end - 1;
                continue;
            }
            if (!starts_word(i))
                continue;
            if (const std::size_t siglum = siglum_at(i); siglum > 0) {
                i += siglum - 1; // "PL 38, 1134" cites no book
                continue;
            }
            if (!reaches_number(i))
                continue;
            const std::string c = candidate(i);
            if (!meant(shape(c), i))
                continue;
            const std::string why = failure(c);
            if (why.empty())
                continue;
            report(i, why);
            // The word of a reported book name is not looked at again on its
            // own ("Koř 3,4" in "1 Koř 3,4").
            std::size_t j = i;
            while (j < end() && !is_letter(at(j)))
                ++j;
            while (j < end() && is_letter(at(j)))
                ++j;
            if (!accepted_.empty())
                j = std::min(j, accepted_.front().begin);
            i = std::max(i, j - 1);
        }
        next_ = std::max(next_, i);
    }

    // The first position from `i` on, before `limit`, that may begin a
    // candidate (a digit or a capital after no letter or digit) or begins
    // the next accepted citation; `limit` when there is none. Most of a
    // text is passed over here, a byte at a time by table: a capital's
    // byte inside a word (the lead byte of "č" in Czech) is not a start.
    std::size_t next_start(std::size_t i, std::size_t limit) const {
        if (!accepted_.empty() && accepted_.front().begin >= i)
            limit = std::min(limit, accepted_.front().begin);
        std::size_t k = i - base_;
        const std::size_t stop = limit - base_;
        if (k == 0 && k < stop && may_start_[static_cast<unsigned char>(text_[0])])
            return i; // what is before the window is for starts_word() to tell
        for (k = std::max<std::size_t>(k, 1); k < stop; ++k)
            if (may_start_[static_cast<unsigned char>(text_[k])] &&
                !in_word_[static_cast<unsigned char>(text_[k - 1])])
                break;
        return base_ + std::min(k, stop);
    }

    // The length of the word at `i` when it is a siglum, else 0.
    std::size_t siglum_at(std::size_t i) const {
        if (rules_ == nullptr || rules_->sigla.empty())
            return 0;
        std::size_t j = i;
        while (j < end() && is_letter(at(j)))
            ++j;
        const std::size_t length = j - i;
        if (length == 0 ||
            !rules_->may_be_siglum(static_cast<unsigned char>(at(i)),
                                   length > 1 ? static_cast<unsigned char>(at(i + 1)) : 0,
                                   length == 1))
            return 0;
        return rules_->is_siglum(std::string_view(text_).substr(i - base_, length)) ? length : 0;
    }

    // Reports the text right after an accepted citation when it goes on as
    // a longer one that fails its checks; true when it did.
    bool check_continuation(const Range &r) {
        // After a citation separator a new citation begins; it is looked at
        // on its own.
        std::size_t k = r.end;
        while (k < end() && at(k) == ' ')
            ++k;
        if (k < end() && is_separator(at(k)))
            return false;
        // Most citations end where the lexer stops: nothing goes on.
        if (r.end < end() && lexer_stops_by(r.begin, r.end))
            return false;
        const std::string c = candidate(r.begin);
        if (c.size() <= r.end - r.begin || !meant(shape(c), r.begin))
            return false;
        const std::string why = failure(c);
        if (!why.empty())
            report(r.begin, why);
        return !why.empty();
    }

    // Whether every chapter and verse of an accepted citation exists. The
    // scanner does not test this here (lint sees the citations a reader of
    // the text would see, "Mt 29,1" among them): each citation of a list is
    // tested on its own and reported at its start, so that "J 3,99; Mt
    // 29,1" gets two reports. A chapter without a verse at the start of a
    // sentence is prose as often as a citation ("Za 34 let", "Na 5
    // minut"): it is left alone.
    void check_existence(const Range &r) {
        if (systems_.empty())
            return;
        std::string cite;
        std::vector<std::size_t> starts{r.begin}; // of each citation of the list
        for (std::size_t i = r.begin; i < r.end; ++i) {
            cite += at(i);
            if (is_separator(at(i))) {
                std::size_t next = i + 1;
                while (next < r.end && at(next) == ' ')
                    ++next;
                starts.push_back(next);
            }
        }
        // The units come from the assembler one by one. It hands one out
        // once it has read the token that begins the next (the lexer
        // reports a token at the byte after it), so that byte tells which
        // citation of the list the next unit belongs to.
        PPARS run;
        tovrin_ppinit(cite.c_str(), &run, l_);
        std::size_t piece = 0, passed = 0; // separators before cite[passed]
        while (run.end == 0) {
            tovrin_pparser(&run);
            report_existence(starts[piece], run.ou);
            const std::size_t read = std::min(static_cast<std::size_t>(run.i - 1), cite.size());
            for (; passed < read; ++passed)
                piece += is_separator(cite[passed]);
        }
        tovrin_ppfree(&run);
    }

    void report_existence(std::size_t place, PARS_UNIT unit) {
        const tovrin_versification *any = union_of(l_);
        if (any == nullptr)
            return;
        // A lone number after a book of one chapter is a verse ("Ju 26").
        read_single_chapter(unit, *any);
        if (unit.vf == 0 && starts_sentence(place))
            return;
        tovrin_existence why{};
        if (!unit_exists(*any, unit, why))
            report(place, existence_problem(why, l_));
    }

    LANG *l_;
    tovrin_problem_handler report_;
    const ReadingRules *rules_;
    std::string systems_; // the language's numbering systems, in words
    const LangTables &t_ = tables(l_);
    std::array<bool, 256> letter_{}, capital_{}, may_start_{}, in_word_{};
    std::string text_;          // the window of the normalised text
    std::string original_;      // what each of its bytes stands for
    std::deque<Anchor> anchors_; // where its runs came from, in order
    Anchor last_{std::size_t(-1), {}}; // the last place_at(); none yet
    std::size_t base_ = 0;      // the offset of text_[0]
    std::size_t next_ = 0;      // the next offset to look at
    char before_window_ = '\n'; // the last byte before the window but spaces
    std::deque<Range> accepted_;
    // lexes_whole() by lexer state (0 to 96) and pending token text; -1:
    // not asked yet.
    std::array<std::int8_t, 2 * kLexerStates> whole_ = unknown();
    static std::array<std::int8_t, 2 * kLexerStates> unknown() {
        std::array<std::int8_t, 2 * kLexerStates> all;
        all.fill(-1);
        return all;
    }
};


} // namespace

// The driver: the text stage and the scanner (which takes every citation
// that reads, existing or not: lint reports those that do not exist), with
// the place of every byte of the view.
class Linter {
public:
    Linter(LANG *l, const tovrin_options &o, Source source)
        : scan_(l, o, 0, source), analysis_(l, {}, scan_.rules()) {}

    void feed(std::string_view block, const tovrin_problem_handler &h) {
        analysis_.report_to(h);
        hand_out(scan_.feed(block, false));
    }

    void finish(const tovrin_problem_handler &h) {
        analysis_.report_to(h);
        hand_out(scan_.feed({}, true));
        analysis_.finish();
    }

private:
    // Hands the analysis the view up to `decided`: the citations found and
    // the text between them, each byte with its place.
    void hand_out(long long decided) {
        for (const tovrin_span &s : scan_.spans()) {
            text_until(s.offset);
            std::vector<Place> places;
            for (long long k = 0; k < s.length; ++k)
                places.push_back(place_of(consumed_ + k));
            analysis_.citation(scan_.view(consumed_, s.length), places,
                               cut_group(places.front(), scan_.to_original(s.offset + s.length)));
            consumed_ += s.length;
        }
        scan_.spans().clear();
        text_until(decided);
        scan_.forget(decided, placed_);
    }

    // What is wrong with a citation of a source at [at, end) that cuts a
    // group, which a reader hands out as text; empty for any other.
    std::string cut_group(const Place &at, long long end) const {
        if (scan_.source() == Source::text)
            return {};
        const std::string written = scan_.original(at.offset, end).joined();
        std::size_t front, back;
        if (marks_whole(scan_.source(), written,
                        scan_.original(end, end + kMarkupAfter).joined(), front, back))
            return {};
        return "'" + written + "' " + cut_by_group_message(scan_.source());
    }

    // Hands the view up to `end` to the analysis, in runs between forms,
    // where a view byte is one original byte.
    void text_until(long long end) {
        while (consumed_ < end) {
            const Place place = place_of(consumed_);
            const long long stop = std::min(end, scan_.linear_until(consumed_));
            const ViewScan::Original run =
                scan_.original(place.offset, place.offset + (stop - consumed_) - 1);
            analysis_.text(scan_.view(consumed_, stop - consumed_), run.kept, run.fed, place);
            places_.pass(run.kept);
            places_.pass(run.fed);
            placed_ = place.offset + (stop - consumed_) - 1;
            consumed_ = stop;
        }
    }

    // The place of view byte `at` (offsets asked for in increasing order).
    Place place_of(long long at) {
        const long long original = scan_.to_original(at);
        const ViewScan::Original text = scan_.original(placed_, original);
        places_.pass(text.kept);
        places_.pass(text.fed);
        placed_ = original;
        return Place{original, places_.line(), places_.column()};
    }

    ViewScan scan_;
    Analysis analysis_;
    long long consumed_ = 0; // view bytes handed to the analysis
    long long placed_ = 0;   // the original offset of the last place
    Places places_;
};

} // namespace tovrin::detail

struct tovrin_linter {
    tovrin::detail::Linter linter;
};

extern "C" {

tovrin_linter *tovrin_linter_new(LANG *l, const tovrin_options *o) {
    return tovrin_linter_new_source(l, o, TOVRIN_SOURCE_TEXT);
}

tovrin_linter *tovrin_linter_new_source(LANG *l, const tovrin_options *o, int source) {
    if (l == nullptr)
        return nullptr;
    try {
        return new tovrin_linter{tovrin::detail::Linter(
            l, o != nullptr ? *o : tovrin_default_options(), tovrin::detail::source_of(source))};
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void tovrin_linter_feed(tovrin_linter *t, const char *data, size_t len,
                        const tovrin_problem_handler *h) {
    static const tovrin_problem_handler none{};
    t->linter.feed(std::string_view(data, len), h != nullptr ? *h : none);
}

void tovrin_linter_finish(tovrin_linter *t, const tovrin_problem_handler *h) {
    static const tovrin_problem_handler none{};
    t->linter.finish(h != nullptr ? *h : none);
}

void tovrin_linter_free(tovrin_linter *t) { delete t; }

} // extern "C"
