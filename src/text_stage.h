// The text stage: what running text writes, in the one-byte grammar the
// lexer reads. It stands between a text and the block scanner.
//
//  * Typographic forms. Texts write a range with a dash of their own (en
//    and em dashes, the figure dash, the hyphen U+2010, the minus sign),
//    TeX sources with "--" and ties ("Mt~5,3--12"), and use no-break, thin
//    and narrow spaces; inside a paragraph a line break is a space (as TeX
//    reads it). Each such form becomes one byte of the language: its range
//    mark, or a space.
//  * Decomposed letters. macOS file names and some PDF extractions write
//    "Ž" as "Z" and U+030C; a letter and the combining marks after it
//    become the composed letter, which is what bibl.ini lists.
//  * Names as readers write them. A capital inside a word that byte
//    folding cannot pair with its small letter ("Š" of "LUKÁŠ", "І" of
//    "ІВАНА") becomes that small letter, as names spell it; an ordinal
//    mark after a number ("1º", "1ª", "1°") becomes the abbreviation mark;
//    the typographic apostrophe becomes "'" where names are written with
//    one ("Філіп’ян").
//  * Lectionary forms. Reading plans and lectionaries put verses that may
//    be read too in parentheses ("L 17,20-24(25-30)", "Ko 2,3(4-5)6-10"),
//    divide psalms ("Žalm 38-II (6-13)", "Ž 119-Kaf (81-88)") and give the
//    number of another numbering ("Žalm 11(10)", "Sir 39,17-21a (řec.
//    13-16a)"). Optional verses become items of the verse list, a division
//    the chapter-verse separator; another numbering is kept in the
//    original, as part of the byte before it, and read no further. Each is
//    noted (TextStage::notes()).
//  * Phrases. A book title of three words or more ("Song of Solomon"),
//    given in bibl.ini as a ">" line, becomes the book name it stands for.
//    Phrases are matched in the view of the forms, so one split by a line
//    break inside a paragraph is found too.
//
// The stage reads blocks of any size and hands out the view of what it
// has decided, with the original length of every view byte that does not
// stand for exactly one original byte; it keeps only the undecided end of
// its input (a form or phrase cut by the end of a block), so it runs in
// linear time and bounded memory.
#ifndef TOVRIN_TEXT_STAGE_H
#define TOVRIN_TEXT_STAGE_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nibble_set.h"
#include "tovrin.h"

namespace tovrin::detail {

struct LangTables;

// A byte of the view that stands for other than one original byte: the
// first byte of a form, a composed letter or a phrase's name stands for
// all of its original bytes, the other bytes of a composed letter or a
// name for none.
struct ViewForm {
    long long at;         // its offset in the view
    std::uint32_t length; // the original bytes it stands for
};

// A lectionary form in the view: optional verses [at, end), or another
// numbering, `text` as written, kept in the original of view byte at.
struct ViewNote {
    enum Kind : std::uint8_t { optional, alternate } kind;
    long long at, end;
    std::string text;
};

// What the stage reads.
struct StageOptions {
    bool forms = true;
    const tovrin_phrases *phrases = nullptr; // none when null
};

struct StageTables;
// The tables of the stage of `l` with options `o`, built once.
const StageTables &stage_tables(LANG *l, const StageOptions &o);

// A set of 32-bit hashes in 2^16 bits, two per hash: it may hold a hash
// it was not given, now and then, never miss one it was.
class HashBits {
public:
    void add(std::uint32_t h) {
        bits_[h & 0xFFFF] = true;
        bits_[h >> 16] = true;
    }
    bool may_hold(std::uint32_t h) const { return bits_[h & 0xFFFF] && bits_[h >> 16]; }

private:
    std::vector<bool> bits_ = std::vector<bool>(1 << 16);
};

// What a stage of a language and reading knows before it reads: byte
// classes, the bytes it stops at, and the tables that tell most words from
// the start of a phrase. Built once and shared by every stage.
struct StageTables {
    StageTables(LANG *l, const StageOptions &o);

    // Whether some phrase begins with the bytes `first` and `second` (folded).
    bool may_go_on(char first, char second) const;
    std::uint32_t word_hash(std::string_view text, std::uint32_t seed, std::size_t &length) const;
    bool may_begin_with(std::string_view text) const;
    // The small letter (two bytes) of the capital at `d`, when byte folding
    // cannot pair the two; null otherwise.
    const char *small_of(const unsigned char *d) const;
    // Spaces and abbreviation marks part the words of a phrase.
    bool separator(char c) const { return c == ' ' || c == abbreviation_; }
    // Whether the stage reads the byte `b` as more than text: a letter or
    // digit of the language, or the first byte of a form or a phrase.
    bool reads(unsigned char b) const { return class_[b] != 0 || stop_[b]; }
    // Whether a form or a combining mark may begin with the byte `b`.
    bool begins_form(unsigned char b) const { return (class_[b] & 1) != 0; }

    bool forms_on_;
    unsigned char range_;
    char list_, chapter_verse_;
    std::string parts_; // the letters of verse parts
    char separator_;
    char abbreviation_;
    char following_;
    // Other letters written as the following mark ("f" beside "n").
    std::array<bool, 256> also_following_{};
    const tovrin_phrases *phrases_;
    // Per byte: bit 0 it may begin a form or a combining mark; bit 1 a
    // phrase may begin with it; bit 2 it belongs to a word (a letter or a
    // digit of the language).
    std::array<std::uint8_t, 256> class_{};
    std::array<unsigned char, 256> key_{}; // the folding of names
    // The bytes that may begin a form or a phrase, as a table and as the
    // set searched 32 bytes at a time where the processor can.
    std::array<bool, 256> stop_{};
    NibbleSet form_set_, phrase_set_, word_set_;
    // Capitals of two bytes that byte folding cannot pair with their small
    // letters ("Š" and "š" of cz, "І" and "і" of uk), by first byte: a bit
    // for each second byte (0x80-0xBF), and the pairs, capital then small.
    std::array<std::uint64_t, 256> unpaired_{};
    std::vector<std::array<char, 4>> unpaired_pairs_;
    // Whether names of the language are written with "'" (a letter, or in
    // a phrase): then the typographic apostrophe U+2019 is read as one.
    bool apostrophe_ = false;
    // The names of a language whose words are not spaced (Chinese,
    // Japanese, Thai): a name right after a letter begins a word when a
    // number follows it ("見約翰福音3:16"). Null in other languages.
    const LangTables *names_ = nullptr;
    char full_width_mark(char32_t cp) const;
    bool avx2_ = false;
    std::vector<bool> pairs_; // folded first two bytes of some phrase
    // Hashes of the first words of the phrases; of those a phrase may end
    // or go on with other than a second word after; and of the first two
    // words of the others.
    HashBits first_words_, one_word_, two_words_;
    static constexpr std::uint32_t kWordSeed = 2166136261u;

private:
    void index_phrase(std::string_view phrase);
    void find_unpaired(const LANG *l, const LangTables &t);
    void mark_script_bytes(const LANG *l);
};

class TextStage {
public:
    TextStage(LANG *l, const StageOptions &o);

    // Reads `block`, the next bytes of the text (`last`: the text ends
    // after it). Appends the view of every byte now decided to `view`, and
    // the forms among them to `forms`.
    void feed(std::string_view block, bool last, std::string &view, std::vector<ViewForm> &forms);

    // The bytes of the view handed out so far.
    long long viewed() const { return viewed_; }
    // The lectionary forms of the view handed out, in view order; the
    // caller drops those it has used.
    std::vector<ViewNote> &notes() { return notes_; }

    // The view of a whole short text (a citation written by a user): the
    // view and, for each of its bytes and one past the last, the offset
    // of the original byte it begins at.
    struct Read {
        std::string text;
        std::vector<std::size_t> origin;
    };
    static Read read_all(LANG *l, const StageOptions &o, std::string_view text);

private:
    // What one step of the forms leaves to the next: whether only blanks
    // were read since a line break that became a space (a line break
    // after them ends a paragraph).
    struct FormState {
        bool blank_line = false;
    };
    // One byte of the view read from the window, and its original bytes.
    struct Item {
        char out[4];
        std::uint8_t count = 0;   // view bytes in `out` (1; up to 4 for a composed letter)
        std::uint32_t length = 0; // original bytes read
    };
    enum class Step { done, more };
    static Item one_byte(char c, std::uint32_t length);

    std::size_t undecided_end(const char *w, std::size_t n) const;
    std::size_t number_start(const char *w, std::size_t to) const;
    static std::size_t letter_end(const char *w, std::size_t n);
    std::size_t read(const char *w, std::size_t i, std::size_t limit, std::size_t n, bool last,
                     std::string &view, std::vector<ViewForm> &forms);
    char view_byte_before(const char *w, std::size_t at, const std::string &view) const;
    Step form_item(const char *w, std::size_t at, std::size_t n, bool last, FormState &state,
                   char before, Item &item) const;
    Step line_break(const char *w, std::size_t at, std::size_t n, bool last,
                    const FormState &state, char &out) const;
    Step marks(const char *w, std::size_t at, std::size_t n, bool last, char32_t base,
               char32_t &letter, std::size_t &end) const;
    Step composition(const char *w, std::size_t at, std::size_t n, bool last,
                     std::string_view out, std::size_t plain, char32_t &letter,
                     std::size_t &base_length, std::size_t &end) const;
    Step compose(const char *w, std::size_t at, std::size_t n, bool last, std::string &view,
                 std::vector<ViewForm> &forms, std::size_t &consumed);
    bool lowers(const unsigned char *d, std::size_t at, std::size_t n, bool letter) const;
    void lower_capital(const char *w, std::size_t at, std::string &view);
    Step plain_byte(const char *w, std::size_t at, std::string &view,
                    std::vector<ViewForm> &forms, std::size_t &consumed);
    Step compose_ahead(const char *w, std::size_t &p, std::size_t n, bool last);
    bool script_stop(const unsigned char *d, std::size_t at, std::size_t start,
                     std::size_t n) const;
    Step script_item(const char *w, std::size_t at, std::size_t n, bool last, std::string &view,
                     std::vector<ViewForm> &forms, std::size_t &consumed);
    Step unspaced_name(const unsigned char *d, std::size_t at, std::size_t n, bool last,
                       std::size_t &end) const;
    Step number_at(const unsigned char *d, std::size_t at, std::size_t n, bool last,
                   bool &number) const;
    char view_back(const std::string &view) const;
    Step phrase(const char *w, std::size_t at, std::size_t n, bool last, std::string &view,
                std::vector<ViewForm> &forms, std::size_t &consumed);
    Step lectionary_form(const char *w, std::size_t at, std::size_t n, bool last,
                         std::string &view, std::vector<ViewForm> &forms, std::size_t &consumed);
    Step following_form(const char *w, std::size_t at, std::size_t n, bool last,
                        std::string &view, std::vector<ViewForm> &forms, std::size_t &consumed);
    Step verse_group(const char *w, std::size_t at, std::size_t n, bool last, std::size_t &end,
                     bool &word) const;
    enum class Before { none, chapter, verse };
    Before number_before(const std::string &view, std::string &chapter) const;
    void emit_group(const char *w, std::size_t from, std::size_t to, std::string &view,
                    std::vector<ViewForm> &forms);
    bool absorb(std::size_t length, std::string &view, std::vector<ViewForm> &forms);
    void emit(const Item &item, std::string &view, std::vector<ViewForm> &forms);
    std::size_t run(const char *w, std::size_t at, std::size_t n);
    std::size_t find_stop(const unsigned char *d, std::size_t from, std::size_t n) const;
#ifdef TOVRIN_NIBBLE_X86
    std::size_t find_stop_avx2(const unsigned char *d, std::size_t from, std::size_t n) const;
#endif
    bool may_be_phrase(const unsigned char *d, std::size_t at, std::size_t n) const;
    bool breaks_line_in_text(const unsigned char *d, std::size_t at, std::size_t start,
                             std::size_t n) const;
    char last_nonspace(const std::string &view) const;
    bool follows_context(const std::string &view, std::string_view context) const;
    void end_feed(const std::string &view);

    const StageTables &t_;
    FormState state_;
    bool word_before_ = false;   // the view's last byte belongs to a word
    bool letter_before_ = false; // the view's last byte is a letter's
    std::size_t plain_tail_ = 0; // the view's last bytes handed out in this
                                 // feed that stand for themselves
    std::size_t feed_start_ = 0; // where this feed's view begins in the caller's
    char last_before_feed_ = '\0'; // the last byte but spaces before it
    std::string tail_before_feed_; // the last bytes of the view before it
    std::string window_; // the undecided end of the input
    std::string lookahead_;    // the view read ahead to match a phrase
    std::vector<std::size_t> patches_; // line feeds of a run that are spaces
    std::vector<std::uint32_t> lookahead_lengths_;
    std::vector<ViewNote> notes_;
    long long viewed_ = 0;
};

// The letter that `base` and the combining mark `mark` (code points)
// compose to, or 0.
char32_t composed_letter(char32_t base, char32_t mark);
// The letter that Unicode composes `letter` from with one combining mark
// ("Z" for "Ž", "ü" for "ǘ"), or 0 when it composes it from none.
char32_t base_letter(char32_t letter);

} // namespace tovrin::detail

#endif
