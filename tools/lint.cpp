// tovrin lint: reports citations written wrongly (an unknown book name, a
// number out of range, a reversed range, a missing chapter) with their
// places, as a compiler reports errors.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "citetext.h"
#include "cli.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

// Collects a file's normalised text, where each byte came from, and the
// citations the scanner accepted; the analysis runs at the end of the file.
class LintCollector : public Consumer {
public:
    LintCollector(LANG *l) : l_(l) {}
    int problems() const { return problems_; }

    void begin_file(const std::string &name) override {
        file_ = name;
        text_.clear();
        places_.clear();
        accepted_.clear();
    }
    void text(char normalized, const Span &, const Place &at) override {
        text_ += normalized;
        places_.push_back(at);
    }
    void citation(const Citation &c) override {
        accepted_.push_back({text_.size(), text_.size() + c.normalized.size()});
        Place at = c.at;
        for (char ch : c.normalized) {
            text_ += ch;
            places_.push_back(at);
            ++at.column; // only the start of each citation is reported
        }
    }
    void end_file() override { analyse(); }

private:
    struct Range {
        std::size_t begin, end;
    };

    bool is_letter(char c) const { return ifc_2(static_cast<signed char>(c), l_) != 0; }
    bool is_digit(char c) const { return c >= '0' && c <= '9'; }

    // The text from `begin` up to where a fresh lexer stops, without the
    // spaces before that point.
    std::string lex_candidate(std::size_t begin) const {
        std::string text;
        PARS p;
        tovrin_pinit(&p, l_);
        for (std::size_t i = begin; i < text_.size(); ++i) {
            tovrin_parser(static_cast<signed char>(text_[i]), &p);
            if (p.errr == 1 || p.sta < 0)
                break;
            text += text_[i];
        }
        tovrin_pfree(&p);
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
        while (i > 0 && text_[i - 1] == ' ')
            --i;
        return i == 0 || std::strchr(".!?\n", text_[i - 1]) != nullptr;
    }

    // The longest prefix of a candidate that lexes as a whole: what stops
    // the lexer is often just the punctuation of the sentence ("L 6,20.").
    std::string lexable(std::string cite) const {
        while (!cite.empty() && tovrin_check1(cite.c_str(), l_) != 0)
            cite.pop_back();
        while (!cite.empty() && cite.back() == ' ')
            cite.pop_back();
        return cite;
    }

    // The first check the text fails, as a message; empty when it passes.
    std::string failure(const std::string &cite) const {
        return cite.empty() ? "" : citation_problem(cite, l_, Bare::rejected);
    }

    void report(std::size_t at, const std::string &message) {
        const Place &p = places_[at];
        ++problems_;
        std::cout << file_ << ":" << where(p) << ": " << message << "\n";
    }

    // A digit after "5," "3." or "5:" continues a number (a verse, a
    // decimal, a time), and does not start one.
    bool starts_word(std::size_t i) const {
        if (i == 0)
            return true;
        const char before = text_[i - 1];
        if (is_letter(before) || is_digit(before))
            return false;
        const bool joint = before == ',' || before == '.' || before == ':' ||
                           static_cast<signed char>(before) == l_->chars[2] ||
                           static_cast<signed char>(before) == l_->chars[3];
        return !(joint && is_digit(text_[i]) && i >= 2 && is_digit(text_[i - 2]));
    }

    void analyse() {
        std::size_t next_accepted = 0;
        for (std::size_t i = 0; i < text_.size(); ++i) {
            // Inside an accepted citation: only what continues it directly
            // (a range or list the checks rejected) is looked at.
            if (next_accepted < accepted_.size() && accepted_[next_accepted].begin == i) {
                const Range r = accepted_[next_accepted++];
                check_continuation(r);
                i = r.end - 1;
                continue;
            }
            const char ch = text_[i];
            if (!starts_word(i) || !(is_digit(ch) || ifc_4(static_cast<signed char>(ch), l_)))
                continue;
            const std::string c = lexable(lex_candidate(i));
            if (!meant(shape(c), i))
                continue;
            const std::string why = failure(c);
            if (why.empty())
                continue;
            report(i, why);
            // The word of a reported book name is not looked at again on its
            // own ("Xy 3,4" in "1 Xy 3,4").
            std::size_t j = i;
            while (j < text_.size() && !is_letter(text_[j]))
                ++j;
            while (j < text_.size() && is_letter(text_[j]))
                ++j;
            if (next_accepted < accepted_.size())
                j = std::min(j, accepted_[next_accepted].begin);
            i = std::max(i, j - 1);
        }
    }

    void check_continuation(const Range &r) {
        const std::string c = lexable(lex_candidate(r.begin));
        if (c.size() <= r.end - r.begin)
            return;
        // After a citation separator a new citation begins; it is looked at
        // on its own.
        std::size_t k = r.end;
        while (k < text_.size() && text_[k] == ' ')
            ++k;
        if (k < text_.size() && static_cast<signed char>(text_[k]) == l_->chars[0])
            return;
        if (!meant(shape(c), r.begin))
            return;
        const std::string why = failure(c);
        if (!why.empty())
            report(r.begin, why);
    }

    LANG *l_;
    std::string file_;
    std::string text_;
    std::vector<Place> places_;
    std::vector<Range> accepted_;
    int problems_ = 0;
};

} // namespace

int cmd_lint(const Options &o) {
    LANG *l = language(o.lang);
    LintCollector lint(l);
    Scan scan(l, o.exact, lint);
    const int status = scan_files(o.args, scan);
    std::cout.flush();
    return status != 0 ? status : lint.problems() > 0 ? 1 : 0;
}

} // namespace cli
