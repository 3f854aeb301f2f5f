// Private declarations shared by the stages of libtovrin (and by the tests,
// which exercise the helpers one by one). Nothing here is public API.
#ifndef TOVRIN_INTERNAL_H
#define TOVRIN_INTERNAL_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tovrin.h"

namespace tovrin::detail {

// ---- growable strings -------------------------------------------------

// Prints `msg` to `stream` and ends the process with status 1: every
// fatal condition of the library goes through here.
[[noreturn]] void fatal(FILE *stream, const char *msg);

// `s` in a block of malloc() for the C functions that answer text; out of
// memory is fatal.
char *heap_copy(const std::string &s);

// A growable string holding `text`, in a block of the size the growth rule
// gives for its length.
char *growable_copy(std::string_view text);

// ---- configuration loader --------------------------------------------

// Reads a configuration from `fd` into a fresh config_table (the list
// loaded before stays valid); ends the process on a broken one, as
// tovrin_init() does.
void load_config(FILE *fd);
// The same for a configuration text in memory, read as the loader reads a
// stream, without one.
void load_config_text(std::string_view text);

// Checks the phrase lines of the configuration `text`, whose languages
// are `languages`, without reading them into sets: a status of
// tovrin_phrases_load(), with the line at fault in `line`.
int check_phrases_of(std::string_view text, const std::vector<LANG *> &languages, int &line);
// The lines of the block of the language at `index` (from 0, in file
// order) of the configuration `text`; empty when an earlier block has its
// name (its phrases are the earlier one's) or there is none.
std::string phrase_block(std::string_view text, std::size_t index);
// The phrases of `l` in `block`, its block of a checked configuration.
int load_block_phrases(std::string_view block, LANG *l, tovrin_phrases **out);
// The phrases loaded with `l` by tovrin_config_open(), or null.
const tovrin_phrases *phrases_of(const LANG *l);
// What is wrong with a phrase line, in words, for the status
// TOVRIN_PHRASES_BAD_LINE or TOVRIN_PHRASES_UNKNOWN_NAME of its loading.
std::string phrase_line_problem(int status);
// Why a citation does not exist, in lint's words: "no chapter 29 in Mt (it
// has 28)".
std::string existence_problem(const tovrin_existence &why, LANG *l);
// The numbering systems of `l` in words: "hebrew", "hebrew or kjva",
// "hebrew, kjva or vulgate"; empty for a language without them.
std::string system_names(LANG *l);
// What is wrong with the citation `cite` (as read), in lint's words
// quoting it; empty when nothing is. `flags` as tovrin_problem()'s.
std::string citation_problem(std::string_view cite, LANG *l, unsigned flags);
// A flag of citation_problem() besides tovrin_problem()'s, for lint: an
// unknown book name is a problem only where it is probably a misspelt name
// of the language (one suggested_book_name() finds); any other capitalised
// word before numbers is prose.
inline constexpr unsigned kProblemMisspeltNamesOnly = 1u << 8;
// The name of `l` that the unknown book name `unknown` probably means, as
// bibl.ini writes it; empty when it is nothing like one. A name differing
// only in case or diacritics ("Zalm" for "Žalm") comes first, then one a
// single edit away ("Genn" for "Gen") when both names have three letters
// or more; among equals the first in file order.
std::string suggested_book_name(std::string_view unknown, LANG *l);
// The language called `name` among `count` languages: by its name, else by
// an alias ("cs" for "cz").
LANG *find_language(LANG *const *languages, std::size_t count, std::string_view name);

int readcr(char *strin, int delka, FILE *fd);
unsigned strl2sp(const char *s);
char *newst(const char *s);

// ---- the lexer's transition table -----------------------------------

// What a row of the transition table does, in the order the actions run.
enum Act : std::uint8_t {
    A_NONE,
    A_ST,      // append the character
    A_SHSP_ST, // append a space, then the character (second name piece)
    A_OUT,     // report the pending text
    A_OUT_ST,  // report it, then start the next token with the character
    A_END,     // finish without a token
    A_END_OUT, // finish and report the last token
    A_ER,      // error
};

// One row of the transition table: the class bit it tests (0 for "any
// other character"), its actions, the token kind it reports and the next
// state.
struct Row {
    std::uint16_t test;
    Act act;
    std::int8_t kind;
    std::int8_t next;
};

// ---- character classes -----------------------------------------------

// Class bits of one byte under one language. The lexer tests a row's
// class against these bits, so one table lookup answers every test of a
// state.
enum ClassBit : std::uint16_t {
    C_END = 1u << 0,    // ifc_0
    C_SPACE = 1u << 1,  // ifc_1
    C_LETTER = 1u << 2, // ifc_2
    C_LOWER = 1u << 3,  // ifc_3
    C_UPPER = 1u << 4,  // ifc_4
    C_DIGIT = 1u << 5,  // ifc_5
    C_CITSEP = 1u << 6, // ifc_10 .. ifc_16, in the order of LANG.chars
    C_RANGE = 1u << 7,
    C_VLIST = 1u << 8,
    C_CVSEP = 1u << 9,
    C_OPEN = 1u << 10,
    C_NEXT = 1u << 11,
    C_ABBR = 1u << 12,
    C_PART = 1u << 13,  // ifc_20
};

// The lexer's states are numbered below this.
constexpr int kLexerStates = 97;

// Tables derived from one LANG record, built on first use. The records
// never change after loading, so the tables stay valid; they are rebuilt
// when a record at the same address shows other strings or books (a record
// built by hand and later replaced by another one).
struct LangTables {
    const LANG *lang = nullptr;
    const char *lower = nullptr, *upper = nullptr, *parts = nullptr;
    const BOOKS *books = nullptr;
    signed char chars[7] = {};
    std::uint16_t cls[256] = {};     // ClassBit mask per byte
    signed char fold[256] = {};      // upper() of every byte
    // The lexer's row for every state and byte: state_slot[sta] indexes
    // rows (states are numbered 0 to kLexerStates - 1 with gaps).
    std::int8_t state_slot[kLexerStates] = {};
    const Row *rows[33][256] = {};
    std::vector<const BOOKS *> books_by_number; // book n at n - 1
    // The state after each state and byte, or -1 where the lexer stops
    // (ends or fails): all the scanner needs to find where a candidate ends.
    std::int8_t next[kLexerStates][256] = {};

    // The book names, folded, as a trie: node 0 is the empty text. A node
    // knows the first book (in file order) that bears its text as a whole
    // name, and whether that book has a main name other than "???".
    struct NameNode {
        int book = 0;
        bool known = false;
    };
    bool names_built = false;
    std::size_t longest_name = 0; // bytes of the longest book name
    std::vector<NameNode> trie;
    // The trie's edges, dense: the bytes that occur in names (folded) are
    // numbered 1..symbols, symbol[b] is the number of byte b once folded (0:
    // in no name), and child[node * symbols + number - 1] is the child or -1.
    // One load per step: the scanners take a step for every letter of every
    // word that begins a book name.
    std::uint8_t symbol[256] = {};
    int symbols = 0;
    std::vector<std::int32_t> child;

    // The lexer's row for state `sta` (a state of the machine) and byte `b`.
    const Row &row(int sta, unsigned char b) const { return *rows[state_slot[sta]][b]; }
    // The child of `node` for one byte of text (folded here), or -1.
    int name_step(int node, unsigned char b) const {
        const int k = symbol[b];
        return k == 0 ? -1 : child[static_cast<std::size_t>(node) * symbols + k - 1];
    }
};

// upper() of every byte of `l`, and whether it is one of its small or
// capital letters, from one pass over each letter string.
struct ByteFolding {
    signed char fold[256];
    bool lower[256], upper[256];
};
ByteFolding byte_folding(const LANG *l);

// The tables of `l` (built or refreshed as needed).
const LangTables &tables(const LANG *l);

// tovrin_parser() with the tables of p->l already at hand (`t`; null: look
// them up): a caller that lexes many bytes saves the lookup per byte.
void lex_byte(signed char ch, PARS *p, const LangTables *t);
// The same with the name hash filled in.
const LangTables &tables_with_names(const LANG *l);


// ---- lexer primitives ------------------------------------------------

// The row that state `sta` takes for a character with class bits `cls`, or
// null when `sta` is no state of the machine.
const Row *transition(int sta, std::uint16_t cls);

void sh(PARS *p, signed char ch);
void st(PARS *p);
void er(PARS *p);
void end(PARS *p);
void out(PARS *p, int sta);

// ---- units -----------------------------------------------------------

// Whether a token of `kind` after the last book, chapter or verse token
// `lasta` begins a new unit (the pending one is handed out first).
bool is_boundary(int kind, int lasta);
// `lasta` after a token of `kind`.
int after_token(int lasta, int kind);
// Applies a token to the pending unit; `book` is the book number of a book
// token (findbook of its text).
void apply_token(PARS_UNIT &in, int kind, const char *text, int book);

// The unit checks: a range that runs backwards (a 0 on either side never
// makes it so), and a unit with neither an end nor a start chapter.
bool is_reversed(const PARS_UNIT &u);
bool lacks_chapter(const PARS_UNIT &u);

void shipout(PARS_UNIT *dest, PARS_UNIT *src);
void adjust(PARS_UNIT *p);
// Decimal value of a digit string as atoi() gives it, saturating at
// INT_MAX instead of overflowing.
int number_value(const char *s);
// a + k without overflow: saturates at INT_MAX.
int sat_add(int a, int k);

// ---- scanner ---------------------------------------------------------

int check_lev(const char *cit);

// The number of slots of tovrin_sbuff the scanner uses as its ring.
extern const int scan_ring;

// The classes (ClassBit) of the characters just before and just after a
// candidate; 0 where there is none (the start or the end of the input).
struct Around {
    std::uint16_t before = 0;
    std::uint16_t after = 0;
};

// The length of the longest prefix of cand[0..len) that check_lev accepts
// under the tables' language and that lies on word boundaries, or 0: the
// candidate must not continue the word or number before it, and the prefix
// must end neither in a space nor inside a word or number. Found in one
// pass over the candidate. With `existing` (null: no such test), the
// union of the language's numbering systems, a prefix also fails when a
// unit names a chapter or verse that does not exist in it.
int longest_citation(const char *cand, int len, const LangTables &t, Around around,
                     const tovrin_versification *existing);

// ---- the default reading ---------------------------------------------

// What the default reading knows of a language beyond the lexer (bibl.ini
// "$" and "?" lines, and the sigla an author adds): sigla that are not
// books, spelt exactly, and the names that are also everyday words, which
// are taken only with a verse.
struct ReadingRules {
    std::vector<std::string> sigla;
    std::vector<std::string> translations; // tags of translations: "ČEP", "Kral."
    std::vector<std::uint8_t> common; // by trie node of the language's names
    // Bit 0: the byte begins a siglum; bit 1: it is the second byte of one,
    // or (kOneByte) the end of a siglum of one byte. Most capitalised words
    // of prose are told from every siglum by their first two bytes.
    static constexpr std::uint8_t kFirst = 1, kSecond = 2, kOneByte = 4;
    std::uint8_t lead[256] = {};

    // Whether a word that begins with bytes b0, b1 (b1 ends it when
    // `one_byte`) may be a siglum.
    bool may_be_siglum(unsigned char b0, unsigned char b1, bool one_byte) const {
        return (lead[b0] & kFirst) != 0 &&
               (one_byte ? (lead[b0] & kOneByte) != 0 : (lead[b1] & kSecond) != 0);
    }
    bool is_siglum(std::string_view word) const;
    // The bytes of the translation tag that ends a citation as read ("
    // ČEP" of "J 3,16 ČEP", " (Kral.)" of "Mt 5,3 (Kral.)"), or 0.
    std::size_t translation_suffix(std::string_view read) const;
    bool is_common(int node) const {
        return node >= 0 && static_cast<std::size_t>(node) < common.size() && common[node] != 0;
    }
};

// The loader's "$" line (sigla separated by spaces), "@" line (tags of
// translations, likewise) and "?" line (one name that is also a common
// word) of language `l`.
void add_sigla(const LANG *l, std::string_view line);
void add_translations(const LANG *l, std::string_view line);
void add_common_name(const LANG *l, std::string_view name);
// The loader's "|" line: letters that readers also write as the following
// mark of `l` ("f" beside "n"); following_marks() gives them back.
void add_following_marks(const LANG *l, std::string_view line);
std::string following_marks(const LANG *l);
// The loader's "~" line: how the script of `l` parts words;
// words_unspaced() tells whether it writes them without spaces.
void add_script_rules(const LANG *l, std::string_view line);
bool words_unspaced(const LANG *l);
// The rules of `l`, with `more_sigla` (separated by spaces or commas, may
// be null) added to its own.
std::shared_ptr<const ReadingRules> reading_rules(const LANG *l, const char *more_sigla);

// A judgement under the default reading: its rules, how far the text at
// hand reaches past the candidate's start (`avail`, at least its length)
// and whether more may follow; on no citation, `skip` says how many bytes
// from the start begin none either (the name of a numbered book whose
// citation failed: "J 9,1" is not read out of "2 J 9,1").
struct Reading {
    const ReadingRules *rules = nullptr;
    long long avail = 0;
    bool more = false;
    int skip = 0;
};
// longest_citation()'s answer when the bytes that decide are not at hand.
constexpr int kNeedMore = -1;
int longest_citation(const char *cand, int len, const LangTables &t, Around around,
                     const tovrin_versification *existing, Reading &reading);

// A block scanner of `l` that reads with `rules` (null: as
// tovrin_scanner_new()). The rules must outlive it.
tovrin_scanner *scanner_with_rules(LANG *l, unsigned flags, const ReadingRules *rules);
// The same for the candidate of `len` characters from slot `start` of a
// ring of `size` characters.
int longest_citation_in_ring(const char *ring, int size, int start, int len,
                             const LangTables &t, Around around,
                             const tovrin_versification *existing);

} // namespace tovrin::detail

#endif
