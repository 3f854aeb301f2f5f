// tovrin lint: reports citations written wrongly (an unknown book name, a
// number out of range, a reversed range, a missing chapter) and citations
// of chapters or verses that no numbering system of the language has, with
// their places, as a compiler reports errors.
//
// Lint reads the scan as it comes and keeps only a window of it: the text
// a candidate may still reach, and a little before it. A candidate is one
// citation (it ends before a citation separator: what follows is looked at
// on its own) and is cut at kMaxCandidate bytes, and no word or number in
// it runs longer than kMaxWord; so each position is looked at in bounded
// time and memory, whatever the text holds (a megabyte of capitals on one
// line is one word that is cut, not a candidate at every letter).
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "lint.h"
#include "reader.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

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

// Looks at each position of a file's normalised text as the scan delivers
// it, with the citations the scanner accepted.
class LintCollector : public Consumer {
public:
    LintCollector(LANG *l, LintReport report)
        : l_(l), report_(std::move(report)), systems_(system_names(l)) {
        // The language's classes of every byte, asked once: lint asks for
        // them at every position.
        for (int c = 0; c < 256; ++c) {
            letter_[c] = ifc_2(static_cast<signed char>(c), l) != 0;
            capital_[c] = ifc_4(static_cast<signed char>(c), l) != 0;
        }
    }

    void begin_file(const std::string &) override {
        text_.clear();
        places_.clear();
        accepted_.clear();
        base_ = next_ = 0;
        before_window_ = '\n'; // the start of a file starts a sentence
    }
    void text(char normalized, const Span &, const Place &at) override {
        append(normalized, at);
        analyse_ready();
    }
    void citation(const Citation &c) override {
        accepted_.push_back({end(), end() + c.normalized.size()});
        const std::vector<Place> places = places_in(c);
        for (std::size_t k = 0; k < c.normalized.size(); ++k)
            append(c.normalized[k], places[k]);
        analyse_ready();
    }
    void end_file() override { analyse(end()); }

private:
    struct Range {
        std::size_t begin, end; // offsets in the normalised text
    };

    // The window: text_[k] is the byte at offset base_ + k.
    std::size_t end() const { return base_ + text_.size(); }
    char at(std::size_t i) const { return text_[i - base_]; }
    void append(char c, const Place &p) {
        text_ += c;
        places_.push_back(p);
    }

    // Where each byte of a citation as read stands in the file. The scan
    // gives the place of its start only, and the citations of a list are
    // reported at their own starts: the text is read again as the reader
    // read it (a typographic form or a phrase stands for several bytes,
    // perhaps across a line break) to map each byte to its original.
    std::vector<Place> places_in(const Citation &c) const {
        std::vector<Place> original;
        Place p = c.at;
        for (std::size_t j = 0; j < c.text.size(); ++j) {
            if (j > 0)
                advance(p, c.text[j - 1], c.text[j]);
            original.push_back(p);
        }
        if (c.text == c.normalized)
            return original;
        const Normalized read = normalize(c.text, false, l_->chars[1], phrases_of(l_));
        if (read.text != c.normalized) // not read the same way alone: the start for all
            return std::vector<Place>(c.normalized.size(), c.at);
        std::vector<Place> places;
        for (std::size_t k = 0; k < c.normalized.size(); ++k)
            places.push_back(original[read.origin[k]]);
        return places;
    }
    // The place after the byte `before`, from its own place `p`; `next` is
    // the byte there (a continuation byte stays in its letter's column).
    static void advance(Place &p, char before, char next) {
        ++p.offset;
        if (before == '\n') {
            ++p.line;
            p.column = 1;
        } else if ((static_cast<unsigned char>(next) & 0xC0) != 0x80) {
            ++p.column;
        }
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
        text_.erase(0, n);
        places_.erase(places_.begin(), places_.begin() + static_cast<std::ptrdiff_t>(n));
        base_ = offset;
    }

    // What the lexer does at the end of a text depends only on its state
    // (and on whether a token text is pending): a prefix lexes as a whole
    // when the terminator, fed in that state, is no error. The answer is
    // found once per state, on a copy of the record.
    bool lexes_whole(const PARS &p) {
        const int key = p.sta * 2 + (p.string != nullptr);
        auto [it, fresh] = whole_.try_emplace(key, false);
        if (fresh) {
            PARS copy = p;
            copy.string = p.string != nullptr ? strdup(p.string) : nullptr;
            copy.out = nullptr;
            tovrin_parser('\0', &copy);
            it->second = copy.errr == 0;
            tovrin_pfree(&copy);
        }
        return it->second;
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
            tovrin_parser(static_cast<signed char>(c), &p);
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

    // One short word, perhaps after the number of a book: books are
    // numbered 1 to 5 (1-5 Mojž, 1-4 Mak), so "2011. Asi 3,5" or "12. Jen
    // 2,5" are the end of a sentence and the start of the next one.
    static bool looks_abbreviated(const char *name) {
        const char *word = name;
        while (*word >= '0' && *word <= '9')
            ++word;
        if (word != name) {
            if (word - name > 1 || *name < '1' || *name > '5')
                return false;
            if (*word == ' ')
                ++word;
        }
        return std::strchr(word, ' ') == nullptr && std::strlen(word) <= 5;
    }

    // What a candidate looks like: a book name with letters followed by a
    // chapter and a verse is meant as a citation; so is a known book with a
    // chapter.
    struct Shape {
        bool verse = false;
        bool chapter = false;
        bool known_book = false;
        bool abbreviation = false; // the book name: one short word, or number + word
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
            tovrin_parser(static_cast<signed char>(cite.c_str()[i]), &p);
            if ((p.ousta == TK_BOOK || p.ousta == TK_BOOK_FROM) && last == 0) {
                sh.known_book = findbook(p.out, l_) != 0;
                sh.abbreviation = looks_abbreviated(p.out);
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
    //  * An unknown book counts only when its name looks like an
    //    abbreviation (one short word, perhaps after a number) with chapter
    //    and verse written together, and not at the start of a sentence,
    //    where every word is capitalised: "Kapitola 3,5", "Karel IV. a 9,5",
    //    "Asi 3,5 km", "Praha 5, 6 a 8" are no citations. The price: an
    //    unknown name right after a full stop ("srov. Xy 3,4") is missed,
    //    since "srov." cannot be told from the end of a sentence.
    //  * A known book followed by a number of four digits and no verse is a
    //    year or a count ("Na 1500 metrech", "Jan 2024"), not a chapter.
    bool meant(const Shape &sh, std::size_t at) const {
        if (sh.known_book)
            return sh.chapter && !(sh.long_chapter && !sh.verse);
        return sh.verse && sh.abbreviation && sh.compact && !starts_sentence(at);
    }

    bool starts_sentence(std::size_t i) const {
        while (i > base_ && at(i - 1) == ' ')
            --i;
        const char before = i > base_ ? at(i - 1) : before_window_;
        return std::strchr(".!?\n", before) != nullptr;
    }

    // The first check the text fails, as a message; empty when it passes.
    std::string failure(const std::string &cite) const {
        return cite.empty() ? "" : citation_problem(cite, l_, Bare::rejected);
    }

    void report(std::size_t at, const std::string &message) {
        report_(*this, places_[at - base_], message);
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
            // Inside an accepted citation: only what continues it directly
            // (a range or list the checks rejected) is looked at.
            if (!accepted_.empty() && accepted_.front().begin == i) {
                const Range r = accepted_.front();
                accepted_.pop_front();
                // A citation that goes on wrongly is reported for that
                // alone: once it is put right, its numbers are tested.
                if (!check_continuation(r))
                    check_existence(r);
                i = r.end - 1;
                continue;
            }
            const char ch = at(i);
            if (!starts_word(i) || !(is_digit(ch) || is_capital(ch)))
                continue;
            const std::string c = candidate(i);
            if (!meant(shape(c), i))
                continue;
            const std::string why = failure(c);
            if (why.empty())
                continue;
            report(i, why);
            // The word of a reported book name is not looked at again on its
            // own ("Xy 3,4" in "1 Xy 3,4").
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
        if (unit.vf == 0 && starts_sentence(place))
            return;
        tovrin_existence why;
        if (tovrin_exists(unit_text(&unit, l_).c_str(), l_, &why) != TOVRIN_EXISTS)
            report(place, existence_problem(why));
    }

    std::string existence_problem(const tovrin_existence &why) const {
        const std::string book = booknr(l_, why.book);
        const std::string has = " (it has " + std::to_string(why.limit) + ")";
        switch (why.reason) {
        case TOVRIN_NO_VERSE:
            return "no verse " + std::to_string(why.verse) + " in " + book + " " +
                   std::to_string(why.chapter) + has;
        case TOVRIN_NO_CHAPTER:
            return "no chapter " + std::to_string(why.chapter) + " in " + book + has;
        default: return "no book " + book + " in " + systems_;
        }
    }

    // "hebrew", "hebrew or kjva", "hebrew, kjva or vulgate"; empty for a
    // language without numbering systems.
    static std::string system_names(LANG *l) {
        std::string names;
        const tovrin_versification *v = nullptr;
        for (int k = 0; (v = tovrin_versification_of(l, k)) != nullptr; ++k) {
            if (k > 0)
                names += tovrin_versification_of(l, k + 1) != nullptr ? ", " : " or ";
            names += tovrin_versification_name(v);
        }
        return names;
    }

    LANG *l_;
    LintReport report_;
    std::string systems_; // the language's numbering systems, in words
    std::array<bool, 256> letter_{}, capital_{};
    std::string text_;          // the window of the normalised text
    std::vector<Place> places_; // where each of its bytes came from
    std::size_t base_ = 0;      // the offset of text_[0]
    std::size_t next_ = 0;      // the next offset to look at
    char before_window_ = '\n'; // the last byte before the window but spaces
    std::deque<Range> accepted_;
    std::map<int, bool> whole_; // lexes_whole() by lexer state
};

} // namespace

std::unique_ptr<Consumer> lint_consumer(LANG *l, LintReport report) {
    return std::make_unique<LintCollector>(l, std::move(report));
}

int cmd_lint(const Options &o) {
    LANG *l = language(o.lang);
    int problems = 0;
    const auto lint = lint_consumer(l, [&](const Consumer &scan, const Place &at,
                                           const std::string &message) {
        ++problems;
        std::cout << scan.file() << ":" << scan.where(at) << ": " << message << "\n";
    });
    Scan scan(l, o.exact, 0, *lint);
    const int status = scan_files(o.args, scan);
    std::cout.flush();
    // As grep does: 2 for trouble (a file that could not be read) over 1
    // for findings.
    return status != 0 ? 2 : problems > 0 ? 1 : 0;
}

} // namespace cli
