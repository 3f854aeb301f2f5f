// Which prefixes of a candidate are citations, in one pass.
//
// The scanner asks, for a candidate text C of length L, for the longest k
// such that the first k characters pass every validity check (check_lev).
// Trying k = L, L-1, ... with the checks lexes each prefix five times over.
// Here the candidate is lexed once: the lexer's state after k characters
// is shared by every prefix of length k or more, and so are the tokens
// reported so far and the units already handed out. What differs between
// prefixes is only the end: feeding the terminating NUL to the state after
// k characters (which may report one last token), and handing out the last
// one or two units. So for every k the answer of all checks is derived from
// the shared state plus that end, without copying or re-reading the text.
//
// The lexer here runs the same transition table as tovrin_parser and keeps
// token texts in reusable buffers; the unit rules are those of the
// assembler (boundary table, lasta, shipout/adjust). The tests compare the
// result with the literal loop over check_lev on random and real texts.
//
// Word boundaries. A citation never begins or ends inside a word or a
// number: "1 Kor 13 nebo" must not take the "n" of "nebo" as the following
// mark, "Mt 5,1000" must not become "Mt 5,100", and the "2" of "12" does not
// begin a citation. So a candidate whose first character continues the word
// or number written just before it is no citation, and a prefix counts only
// when it ends neither in a space nor inside a word or a number (its last
// character and the one after it both letters, or both digits). A letter
// next to a digit is a boundary ("Mt 5,3Lk 6,2", "1K 13").
//
// Existence. On request a prefix also fails when a unit it hands out names
// a chapter or verse that none of the language's numbering systems has:
// "EZ 508,1" is a hymn, not Ezekiel, and "Na 5 minut" is no Nahum 5. A unit
// handed out is final for every longer prefix, so this keeps the one pass.
// A book of one chapter is cited by its verses ("Jude 5"), and exists so.
//
// The default reading adds rules of real texts (ReadingRules):
//  - a siglum that is not a book ("PL 38, 1134") begins no citation;
//  - a name that is also an everyday word ("Am 5. Mai", "Is 5 enough")
//    counts only with a verse;
//  - a list item whose number makes a numbered book with the word after it
//    ("Jas 2:17, 1 Pet 2:9") ends the citation before that number, which
//    begins the next one;
//  - when a candidate that begins with a numbered book fails, its name
//    begins no citation of its own ("2 J 9,1" is not "J 9,1").
#include <algorithm>
#include <cstring>
#include <string>

#include "internal.h"
#include "versification.h"

namespace tovrin::detail {

namespace {

// The assembler's state between tokens, and whether a unit already handed
// out fails a unit check (a reversed range, no chapter at all, or, when
// kExisting, a chapter or verse that `existing` does not have).
struct Assembly {
    PARS_UNIT in{};
    int lasta = 0;
    bool failed = false;

    template <bool kExisting> void hand_out(const tovrin_versification *existing) {
        PARS_UNIT u;
        shipout(&u, &in);
        adjust(&u);
        if (failed || is_reversed(u) || lacks_chapter(u)) {
            failed = true;
            return;
        }
        if constexpr (kExisting) {
            read_single_chapter(u, *existing);
            failed = !has_unit(*existing, u);
        }
    }
};

// Lexer states whose pending text can only become a book name, only a
// chapter or verse number, or either (a number after a citation separator).
enum class Pending { book, number, either, other };

constexpr Pending pending_of(int sta) {
    switch (sta) {
    case 1: case 2: case 3: case 4: case 5: case 9: return Pending::book;
    case 10: case 11: case 31: case 32: case 41: case 42: case 71: case 75:
        return Pending::number;
    case 21: case 22: case 23: return Pending::either;
    default: return Pending::other;
    }
}

// Whether a character of class `next` continues the word or number that a
// character of class `prev` belongs to.
constexpr bool continues_word(std::uint16_t prev, std::uint16_t next) {
    return ((prev & next) & (C_LETTER | C_DIGIT)) != 0;
}

// kExisting: whether units must exist in `existing`. The scan without
// that test, the stream scanner's, keeps its code free of it.
// kRules: whether the default reading's rules apply (`rules_` is set);
// the exact reading's judge has none of their code.
template <bool kExisting, bool kRules> class Judge {
public:
    // Starts afresh on a new candidate; the text buffers keep their room.
    void reset(const LangTables &t, const tovrin_versification *existing,
               const ReadingRules *rules) {
        t_ = &t;
        existing_ = existing;
        rules_ = rules;
        needs_verse_ = false;
        first_book_end_ = 0;
        tokens_ = 0;
        sta_ = 0;
        has_text_ = false;
        text_.clear();
        node_ = 0;
        assembly_ = Assembly{};
    }

    // `at(k)` is the k-th character of the candidate, 0 <= k < len; `around`
    // gives the classes of the characters before and after it.
    // With rules, `at` reads on up to `avail` characters (more may follow
    // them when `more`); the answer may then be kNeedMore, and `skip` is
    // set on no citation.
    template <typename At>
    int longest(At at, int len, Around around, long long avail = 0, bool more = false,
                int *skip = nullptr) {
        const std::uint16_t *cls = t_->cls;
        const std::uint16_t first = cls[static_cast<unsigned char>(at(0))];
        if ((first & (C_UPPER | C_DIGIT)) == 0 || continues_word(around.before, first))
            return 0;
        if constexpr (kRules) {
            if (const int siglum = siglum_length(at, len); siglum > 0) {
                *skip = siglum;
                return 0;
            }
        }
        // Whether the prefix of j characters ends at a word boundary.
        const auto ends_well = [&](int j) {
            const std::uint16_t last = cls[static_cast<unsigned char>(at(j - 1))];
            const std::uint16_t after =
                j < len ? cls[static_cast<unsigned char>(at(j))] : around.after;
            return (last & C_SPACE) == 0 && !continues_word(last, after);
        };
        int best = 0;
        const auto none = [&] {
            if constexpr (kRules)
                if (best == 0)
                    *skip = first_book_end_;
            return best;
        };
        for (int k = 0; k < len; ++k) {
            const char ch = at(k);
            const Row &row = t_->row(sta_, static_cast<unsigned char>(ch));
            if (row.act == A_ER)
                return none(); // no longer prefix lexes
            if (row.act == A_END || row.act == A_END_OUT) {
                // The lexer finishes inside the candidate (a NUL or line
                // end): every longer prefix reads as this one.
                if (finish(row))
                    for (int j = len; j > k; --j)
                        if (ends_well(j))
                            return j;
                return none();
            }
            if (!step(row, ch, k))
                return none(); // a token no longer prefix can get past
            sta_ = row.next;
            if (doomed())
                return none();
            // The prefix of k + 1 characters, ended by its NUL. One that ends
            // in a book name leaves a unit without a chapter (a book alone, or
            // a range of books), which no citation has.
            if (pending_of(sta_) == Pending::book)
                continue;
            const Row &end = t_->row(sta_, 0);
            if (end.act != A_ER && ends_well(k + 1) && finish(end)) {
                int book = 0;
                if constexpr (kRules)
                    book = list_number_begins_book(at, k + 1, avail, more);
                if (book == kNeedMore)
                    return kNeedMore;
                if (book == 0)
                    best = k + 1;
            }
        }
        return none();
    }

private:
    // The length of the candidate's first word when it is a siglum of the
    // rules, else 0.
    template <typename At> int siglum_length(At at, int len) const {
        const auto letter = [&](int k) {
            return k < len && (t_->cls[static_cast<unsigned char>(at(k))] & C_LETTER) != 0;
        };
        if (!rules_->may_be_siglum(static_cast<unsigned char>(at(0)),
                                   letter(1) ? static_cast<unsigned char>(at(1)) : 0, !letter(1)))
            return 0;
        std::string word;
        for (int k = 0; k < len && (t_->cls[static_cast<unsigned char>(at(k))] & C_LETTER); ++k)
            word += at(k);
        return rules_->is_siglum(word) ? static_cast<int>(word.size()) : 0;
    }

    // 1 when the pending text is a number that follows a list mark or a
    // citation separator and, with the word after it, makes the name of a
    // numbered book ("1" and "Pet" in "Jas 2:17, 1 Pet 2:9"); 0 when not;
    // kNeedMore when the bytes that tell are not at hand. `end` is where
    // the number ends.
    template <typename At> int list_number_begins_book(At at, int end, long long avail,
                                                       bool more) const {
        // A number's text is its digits, just before `end`.
        if (pending_of(sta_) != Pending::number ||
            !follows_list_mark(at, end - static_cast<int>(text_.size())))
            return 0;
        int node = 0;
        for (const char c : text_)
            if ((node = t_->name_step(node, static_cast<unsigned char>(c))) < 0)
                return 0;
        // The two pieces of a name are joined by one space, however the
        // text writes them ("1 Pet", "1. Pet", "1Pet").
        if ((node = t_->name_step(node, ' ')) < 0)
            return 0;
        long long p = end;
        const auto cls = [&](long long q) { return t_->cls[static_cast<unsigned char>(at(q))]; };
        for (int gap = 0; p < avail && (cls(p) & (C_SPACE | C_ABBR)) != 0 && gap < 4; ++p, ++gap) {
        }
        if (p == avail)
            return more ? kNeedMore : 0;
        if ((cls(p) & C_LETTER) == 0)
            return 0;
        for (; p < avail && (cls(p) & C_LETTER) != 0; ++p)
            if ((node = t_->name_step(node, static_cast<unsigned char>(at(p)))) < 0)
                return 0;
        if (p == avail && more)
            return kNeedMore;
        return t_->trie[static_cast<std::size_t>(node)].known ? 1 : 0;
    }

    // Whether the text at `start` follows a list mark or a citation
    // separator (spaces between them).
    template <typename At> bool follows_list_mark(At at, int start) const {
        int k = start - 1;
        while (k >= 0 && (t_->cls[static_cast<unsigned char>(at(k))] & C_SPACE) != 0)
            --k;
        return k >= 0 && (t_->cls[static_cast<unsigned char>(at(k))] & (C_VLIST | C_CITSEP)) != 0;
    }

    // The pending text only grows until it is reported, and whatever token
    // it becomes, here or at a later NUL, must be a known book name or a
    // number of at most three digits. When it can no longer be either, no
    // longer prefix passes; this keeps long words and runs cheap.
    bool doomed() const {
        const bool no_book = node_ < 0;
        const bool no_number = text_.size() > 3;
        switch (pending_of(sta_)) {
        case Pending::book: return no_book;
        case Pending::number: return no_number;
        case Pending::either: return no_book && no_number;
        default: return false;
        }
    }

    // Runs one row on the shared state for the character `ch` at `k` (in
    // the loop of longest(), which runs per character: kept inline);
    // false when the token it reports fails a check (then so does every
    // longer prefix).
    [[gnu::always_inline]] bool step(const Row &row, char ch, int k) {
        switch (row.act) {
        case A_ST: append(ch); return true;
        case A_SHSP_ST:
            append(' ');
            append(ch);
            return true;
        case A_OUT: return report(row.kind, k);
        case A_OUT_ST: {
            const bool ok = report(row.kind, k);
            append(ch);
            return ok;
        }
        default: return true; // A_NONE
        }
    }

    void append(char ch) {
        text_ += ch;
        has_text_ = true;
        if (node_ >= 0)
            node_ = t_->name_step(node_, static_cast<unsigned char>(ch));
    }

    // Reports the pending text as a token of `kind`, ended before the
    // character at `k`.
    // The text is read where it is and then cleared (no copy: most tokens
    // are a few characters, and this runs per token of every candidate).
    bool report(int kind, int k) {
        const int token_node = node_;
        has_text_ = false;
        node_ = 0;
        bool ok = token_ok(kind, text_, token_node);
        if (ok) {
            if constexpr (kRules) {
                follow_rules(kind, token_node, k, needs_verse_);
                ++tokens_;
            }
            apply(assembly_, kind, text_, token_node);
            ok = !assembly_.failed;
        }
        text_.clear();
        return ok;
    }

    // The rules on one token. A candidate that begins with a name that is
    // also an everyday word is a citation only once a verse or a second
    // book follows (`needs_verse` until then): "Is 5:1" and "Is 5; Jer 2"
    // are, "Is 5 enough" is not. Notes where the name of a numbered book
    // that begins the candidate ends (`end`).
    void follow_rules(int kind, int node, int end, bool &needs_verse) {
        if (kind == TK_VERSE || kind == TK_VERSE_FROM)
            needs_verse = false;
        if (kind != TK_BOOK && kind != TK_BOOK_FROM)
            return;
        if (tokens_ > 0) {
            needs_verse = false;
            return;
        }
        needs_verse = rules_->is_common(node);
        if ((t_->cls[static_cast<unsigned char>(text_.front())] & C_DIGIT) != 0)
            first_book_end_ = end;
    }

    // The end of one prefix: the row its NUL takes, then the last units.
    bool finish(const Row &end) {
        Assembly a = assembly_;
        bool needs_verse = kRules && needs_verse_;
        if (end.act == A_END_OUT) {
            if (!has_text_ || !token_ok(end.kind, text_, node_))
                return false;
            if (kRules && (end.kind == TK_VERSE || end.kind == TK_VERSE_FROM))
                needs_verse = false;
            apply(a, end.kind, text_, node_);
        }
        a.hand_out<kExisting>(existing_);
        return !a.failed && !needs_verse;
    }

    int book(int node) const { return node < 0 ? 0 : t_->trie[node].book; }

    // The checks on one token: a book name the language knows, a chapter or
    // verse number of one to three characters other than "0".
    bool token_ok(int kind, const std::string &text, int node) const {
        if (kind == TK_BOOK || kind == TK_BOOK_FROM)
            return node >= 0 && t_->trie[node].known;
        if (kind >= TK_CHAPTER && kind <= TK_VERSE_FROM)
            return !text.empty() && text.size() <= 3 && text != "0";
        return true;
    }

    // The assembler's reaction to one token.
    void apply(Assembly &a, int kind, const std::string &text, int node) const {
        if (is_boundary(kind, a.lasta))
            a.hand_out<kExisting>(existing_);
        a.lasta = after_token(a.lasta, kind);
        apply_token(a.in, kind, text.c_str(), book(node));
    }

    const LangTables *t_ = nullptr;
    const tovrin_versification *existing_ = nullptr;
    const ReadingRules *rules_ = nullptr;
    bool needs_verse_ = false; // a name that is also an everyday word awaits its verse
    int first_book_end_ = 0;   // where a first token naming a numbered book ended
    int tokens_ = 0;           // tokens reported
    int sta_ = 0;
    bool has_text_ = false;
    std::string text_; // the pending text, then the token being reported
    int node_ = 0; // the trie node of text_, -1 when no name begins so
    Assembly assembly_;
};

// The length of a citation of `k` characters with the tag of a translation
// after it ("J 3,16 ČEP", "Mt 5,3 (Kral.)"), or `k` when none follows;
// kNeedMore when the bytes that tell are not at hand.
template <typename At>
int with_translation(At at, int k, const LangTables &t, const Reading &reading) {
    const long long avail = reading.avail;
    if (reading.rules->translations.empty())
        return k;
    if (k >= avail)
        return reading.more ? kNeedMore : k;
    if (at(k) != ' ')
        return k;
    for (const std::string &tag : reading.rules->translations) {
        for (const bool paren : {false, true}) {
            long long p = k + 1;
            if (paren && (p >= avail || at(p++) != '('))
                continue;
            std::size_t i = 0;
            for (; i < tag.size() && p < avail && at(p) == tag[i]; ++i, ++p) {
            }
            if (i < tag.size()) {
                if (p == avail && reading.more)
                    return kNeedMore;
                continue;
            }
            if (paren && (p >= avail || at(p++) != ')'))
                continue;
            // The tag ends at a word's end.
            if (p == avail && reading.more)
                return kNeedMore;
            if (p < avail && (t.cls[static_cast<unsigned char>(at(p))] & (C_LETTER | C_DIGIT)))
                continue;
            return static_cast<int>(p);
        }
    }
    return k;
}

template <bool kExisting, typename At>
int judge_by(At at, int len, const LangTables &t, Around around,
             const tovrin_versification *existing, Reading *reading) {
    if (reading == nullptr || reading->rules == nullptr) {
        thread_local Judge<kExisting, false> judge;
        judge.reset(t, existing, nullptr);
        return judge.longest(at, len, around);
    }
    thread_local Judge<kExisting, true> judge;
    judge.reset(t, existing, reading->rules);
    const int k = judge.longest(at, len, around, reading->avail, reading->more, &reading->skip);
    return k > 0 ? with_translation(at, k, t, *reading) : k;
}

template <typename At>
int judge(At at, int len, const LangTables &t, Around around,
          const tovrin_versification *existing, Reading *reading = nullptr) {
    // Every citation has a chapter: a candidate without a digit ("Jan
    // řekl", a name in prose) is none, whatever the rules, and most
    // candidates of prose are such.
    int k = 0;
    while (k < len && !(at(k) >= '0' && at(k) <= '9'))
        ++k;
    if (k == len)
        return 0;
    return existing != nullptr ? judge_by<true>(at, len, t, around, existing, reading)
                               : judge_by<false>(at, len, t, around, existing, reading);
}

} // namespace

int longest_citation(const char *cand, int len, const LangTables &t, Around around,
                     const tovrin_versification *existing) {
    return judge([cand](int k) { return cand[k]; }, len, t, around, existing);
}

int longest_citation(const char *cand, int len, const LangTables &t, Around around,
                     const tovrin_versification *existing, Reading &reading) {
    reading.skip = 0;
    return judge([cand](long long k) { return cand[k]; }, len, t, around, existing, &reading);
}

int longest_citation_in_ring(const char *ring, int size, int start, int len,
                             const LangTables &t, Around around,
                             const tovrin_versification *existing) {
    // The judge mostly reads a few characters of a long candidate: read
    // them in place instead of copying the candidate out of the ring.
    return judge(
        [ring, size, start](int k) {
            const int slot = start + k;
            return ring[slot < size ? slot : slot - size];
        },
        len, t, around, existing);
}

} // namespace tovrin::detail
