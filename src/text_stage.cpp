// The text stage: see text_stage.h.
#include "text_stage.h"

#include "internal.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace tovrin::detail {

namespace {

struct Composition {
    char32_t base, mark, composed;
};
constexpr Composition kCompositions[] = {
#include "compose_table.inc"
};

constexpr std::uint8_t kForm = 1, kPhrase = 2, kWord = 4, kLetter = 8, kCapital = 16;
// The lead byte of a digit of another script or of a full-width mark
// (kScript); in a language whose words are not spaced, a byte that begins a
// book name (kNameStart).
constexpr std::uint8_t kScript = 32, kNameStart = 64;
// The longest view a phrase match reads: a phrase with the blanks a text
// puts between its words.
constexpr std::size_t kMaxPhraseBytes = 256;
// What of a block goes into the window with the undecided end of the last
// one: more than any item it holds can need to be decided (a phrase of
// kMaxPhraseBytes, a letter with its marks).
constexpr std::size_t kHead = 4096;
// The longest lectionary form looked at: "-Samech (113-120)" and more.
constexpr std::size_t kMaxGroupBytes = 48;
// The view kept from one feed for the next: more than the longest word a
// phrase must follow.
constexpr std::size_t kTail = 32;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

unsigned char byte_at(const char *w, std::size_t at) { return static_cast<unsigned char>(w[at]); }

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The combining mark (U+0300-U+036F) whose two bytes begin at `at`, or 0.
char32_t combining_mark(const char *w, std::size_t at) {
    const unsigned char lead = byte_at(w, at), next = byte_at(w, at + 1);
    if (!continuation(next))
        return 0;
    const char32_t cp = static_cast<char32_t>((lead & 0x1F) << 6 | (next & 0x3F));
    return cp >= 0x300 && cp <= 0x36F ? cp : 0;
}

// The code point of the character that ends `out`, when its bytes lie in
// the last `plain` bytes (bytes that stand for themselves), or 0; its
// length goes to `length`.
char32_t last_character(std::string_view out, std::size_t plain, std::size_t &length) {
    const std::size_t from = out.size() - std::min(plain, out.size());
    const std::size_t end = out.size();
    if (end <= from)
        return 0;
    std::size_t k = end - 1;
    while (k > from && end - k < 4 && continuation(static_cast<unsigned char>(out[k])))
        --k;
    length = end - k;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(out[k + i]); };
    if (length == 1)
        return at(0) < 0x80 ? at(0) : 0;
    if (length == 2 && (at(0) & 0xE0) == 0xC0)
        return static_cast<char32_t>((at(0) & 0x1F) << 6 | (at(1) & 0x3F));
    if (length == 3 && (at(0) & 0xF0) == 0xE0)
        return static_cast<char32_t>((at(0) & 0x0F) << 12 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F));
    return 0;
}

bool may_begin_mark(unsigned char b) { return b == 0xCC || b == 0xCD; }

// The lead bytes of the digits of other scripts and of the full-width
// forms: Arabic-Indic and Persian (D9, DB), the Indic scripts and Thai
// (E0), full-width (EF).
constexpr unsigned char kScriptLeads[] = {0xD9, 0xDB, 0xE0, 0xEF};

// The code point of the character of `length` bytes (2 or 3) at `d`, or 0
// when they are no such character.
char32_t code_point(const unsigned char *d, std::size_t length) {
    if (!continuation(d[1]) || (length == 3 && !continuation(d[2])))
        return 0;
    if (length == 2)
        return static_cast<char32_t>((d[0] & 0x1F) << 6 | (d[1] & 0x3F));
    return static_cast<char32_t>((d[0] & 0x0F) << 12 | (d[1] & 0x3F) << 6 | (d[2] & 0x3F));
}

// The ASCII digit that the digit `cp` of another script stands for, or 0:
// Arabic-Indic (٣), Persian and Urdu (۳), Devanagari (३), Bengali,
// Gurmukhi, Gujarati, Odia, Tamil, Telugu, Kannada, Malayalam, Thai and
// full-width (３) digits.
char digit_of(char32_t cp) {
    static constexpr char32_t kZeros[] = {0x660, 0x6F0, 0x966, 0x9E6, 0xA66, 0xAE6, 0xB66,
                                          0xBE6, 0xC66, 0xCE6, 0xD66, 0xE50, 0xFF10};
    for (const char32_t zero : kZeros)
        if (cp >= zero && cp <= zero + 9)
            return static_cast<char>('0' + (cp - zero));
    return 0;
}

// The bytes of the character whose lead byte is `lead`.
std::size_t character_length(unsigned char lead) { return lead >= 0xE0 ? 3 : 2; }

std::size_t encode(char32_t cp, char *out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | cp >> 12);
    out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

// Whether the second byte of C2 xx is an ordinal mark after a number ("1º
// Reyes", "1ª Corintios", "1° Re"): it reads as the abbreviation mark of
// "1. Reyes".
bool ordinal_mark(unsigned char second, char before) {
    return (second == 0xBA || second == 0xAA || second == 0xB0) && before >= '0' && before <= '9';
}

} // namespace

char32_t composed_letter(char32_t base, char32_t mark) {
    const auto *end = std::end(kCompositions);
    const auto *it = std::lower_bound(std::begin(kCompositions), end, Composition{base, mark, 0},
                                      [](const Composition &a, const Composition &b) {
                                          return a.base != b.base ? a.base < b.base
                                                                  : a.mark < b.mark;
                                      });
    return it != end && it->base == base && it->mark == mark ? it->composed : 0;
}

char32_t base_letter(char32_t letter) {
    // The table is sorted by base and mark; this asks it the other way round.
    static const std::vector<Composition> by_composed = [] {
        std::vector<Composition> v(std::begin(kCompositions), std::end(kCompositions));
        std::sort(v.begin(), v.end(), [](const Composition &a, const Composition &b) {
            return a.composed < b.composed;
        });
        return v;
    }();
    const auto it = std::lower_bound(
        by_composed.begin(), by_composed.end(), letter,
        [](const Composition &c, char32_t cp) { return c.composed < cp; });
    return it != by_composed.end() && it->composed == letter ? it->base : 0;
}

// Where the last letter of a block begins, with the combining marks after
// it: marks in the next block may compose with it, so it waits until then.
// A run of marks longer than any real letter carries is not waited for.
// So does a number that ends the block, with a part letter and a space
// after it, or that a lectionary form still open at the block's end
// follows: the form takes the number in ("11(10)", "24 (25-30)").
std::size_t TextStage::undecided_end(const char *w, std::size_t n) const {
    std::size_t end = letter_end(w, n);
    if (!t_.forms_on_)
        return end;
    const std::size_t from = n > kMaxGroupBytes ? n - kMaxGroupBytes : 0;
    const std::string_view tail(w + from, n - from);
    const std::size_t open = tail.rfind('(');
    // A group that the block's last byte closes is still open: the byte
    // after it tells how it is read.
    const bool unclosed = open != std::string_view::npos &&
                          (tail.find(')', open) == std::string_view::npos || tail.back() == ')');
    const std::size_t number = number_start(w, unclosed ? from + open : n);
    return std::min(end, number);
}

// Where the number that ends w[0, to) begins, with a part letter and a
// space after it: "11 " in "Žalm 11 "; `to` when no number ends it.
std::size_t TextStage::number_start(const char *w, std::size_t to) const {
    std::size_t p = to;
    if (p > 0 && w[p - 1] == ' ')
        --p;
    for (int marks = 0; marks < 2 && p > 0 && t_.also_following_[byte_at(w, p - 1)]; ++marks)
        --p;
    if (p > 0 && t_.parts_.find(w[p - 1]) != std::string::npos)
        --p;
    const std::size_t digits_end = p;
    while (p > 0 && digits_end - p < 4 && w[p - 1] >= '0' && w[p - 1] <= '9')
        --p;
    return p == digits_end ? to : p;
}

std::size_t TextStage::letter_end(const char *w, std::size_t n) {
    constexpr std::size_t kMaxCluster = 32;
    const auto start_of_character_before = [&](std::size_t end) {
        std::size_t k = end - 1;
        while (k > 0 && end - k < 4 && continuation(byte_at(w, k)))
            --k;
        return k;
    };
    std::size_t limit = n > 0 ? start_of_character_before(n) : 0;
    while (limit > 0 && n - limit < kMaxCluster && may_begin_mark(byte_at(w, limit)))
        limit = start_of_character_before(limit);
    return limit;
}

StageTables::StageTables(LANG *l, const StageOptions &o)
    : forms_on_(o.forms), range_(static_cast<unsigned char>(l->chars[1])), list_(l->chars[2]),
      chapter_verse_(l->chars[3]), parts_(l->parts != nullptr ? l->parts : ""),
      separator_(l->chars[0]),
      abbreviation_(l->chars[6]), following_(l->chars[5]),
      phrases_(o.phrases != nullptr && tovrin_phrases_count(o.phrases) > 0 ? o.phrases : nullptr) {
    // The language's classes and folding, from the tables its scans build
    // anyway.
    const LangTables &t = tables(l);
    if (forms_on_)
        for (const char c : following_marks(l))
            if (c != following_ && parts_.find(c) == std::string::npos)
                also_following_[static_cast<unsigned char>(c)] = true;
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<signed char>(b);
        std::uint8_t k = 0;
        if (forms_on_) {
            for (int f : {0xE2, 0xC2, 0xCC, 0xCD, int('~'), int('\t'), int('-'), int('\r'),
                          int('\n'), int('(')})
                if (b == f)
                    k |= kForm;
            if (also_following_[static_cast<unsigned>(b)])
                k |= kForm;
        }
        if (phrases_ != nullptr && tovrin_phrases_may_begin(phrases_, c) == 1)
            k |= kPhrase;
        if (t.cls[b] & (C_LETTER | C_DIGIT))
            k |= kWord;
        if (t.cls[b] & C_LETTER)
            k |= kLetter;
        const auto u = static_cast<unsigned>(b);
        class_[u] = k;
        key_[u] = static_cast<unsigned char>(t.fold[u]);
        if (k & (kForm | kPhrase))
            stop_[u] = true;
        if (k & kForm)
            form_set_.add(u);
        if (k & kPhrase)
            phrase_set_.add(u);
        if (k & kWord)
            word_set_.add(u);
    }
    if (forms_on_) {
        find_unpaired(l, t);
        mark_script_bytes(l);
    }
    apostrophe_ = forms_on_ && (class_[static_cast<unsigned char>('\'')] & kLetter);
#ifdef TOVRIN_NIBBLE_X86
    avx2_ = __builtin_cpu_supports("avx2");
#endif
    if (phrases_ == nullptr)
        return;
    pairs_.assign(1 << 16, false);
    for (int k = 0; k < tovrin_phrases_count(phrases_); ++k) {
        const std::string_view phrase = tovrin_phrases_phrase(phrases_, k);
        index_phrase(phrase);
        apostrophe_ = apostrophe_ || (forms_on_ && phrase.find('\'') != std::string_view::npos);
    }
}

// The letters of two bytes whose capital and small letter fold to
// different keys byte by byte: the two are written in parallel in "^" and
// "_", so they stand at the same offset. Within a word the stage writes
// such a capital as its small letter, which is how the names spell it, so
// a heading in capitals ("LUKÁŠ", "ІВАНА") reads as the name does; the
// first letter of a word stays, as names begin with a capital.
void StageTables::find_unpaired(const LANG *l, const LangTables &t) {
    const std::string_view lower = l->lower != nullptr ? l->lower : "";
    const std::string_view upper = l->upper != nullptr ? l->upper : "";
    const auto key = [&](char c) { return t.fold[static_cast<unsigned char>(c)]; };
    for (std::size_t k = 0; k + 1 < std::min(lower.size(), upper.size()); ++k) {
        const auto lead = static_cast<unsigned char>(upper[k]);
        if ((lead & 0xE0) != 0xC0 || (static_cast<unsigned char>(lower[k]) & 0xE0) != 0xC0 ||
            !continuation(static_cast<unsigned char>(upper[k + 1])) ||
            !continuation(static_cast<unsigned char>(lower[k + 1])) || (class_[lead] & kForm))
            continue;
        const std::array<char, 4> pair{upper[k], upper[k + 1], lower[k], lower[k + 1]};
        if ((key(pair[0]) == key(pair[2]) && key(pair[1]) == key(pair[3])) ||
            (pair[0] == pair[2] && pair[1] == pair[3]))
            continue;
        const unsigned second = static_cast<unsigned char>(pair[1]) - 0x80u;
        if (unpaired_[lead] >> second & 1u)
            continue;
        unpaired_[lead] |= std::uint64_t{1} << second;
        unpaired_pairs_.push_back(pair);
        // The stage stops at the capital's second byte, which few other
        // letters share, not at its first, which most letters of the
        // script begin with.
        const auto tail = static_cast<unsigned char>(pair[1]);
        class_[tail] |= kCapital;
        stop_[tail] = true;
        form_set_.add(tail);
    }
}

// The digits of other scripts and the full-width marks are read as the
// language's digits and marks in every language; where words are not
// spaced, every byte that begins a book name is looked at too.
void StageTables::mark_script_bytes(const LANG *l) {
    const auto stop_at = [&](unsigned b, std::uint8_t bit) {
        class_[b] |= bit;
        stop_[b] = true;
        form_set_.add(b);
    };
    for (const unsigned char b : kScriptLeads)
        stop_at(b, kScript);
    if (!words_unspaced(l))
        return;
    names_ = &tables_with_names(l);
    for (unsigned b = 0x80; b < 256; ++b)
        if (!continuation(static_cast<unsigned char>(b)) && names_->name_step(0, static_cast<unsigned char>(b)) >= 0)
            stop_at(b, kNameStart);
}

// The mark that the full-width character `cp` stands for after a digit
// ("３：１６"), or 0.
char StageTables::full_width_mark(char32_t cp) const {
    switch (cp) {
    case 0xFF1A: return ':';
    case 0xFF0C: return ',';
    case 0xFF1B: return ';';
    case 0xFF0D:
    case 0xFF5E: return static_cast<char>(range_);
    default: return 0;
    }
}

const char *StageTables::small_of(const unsigned char *d) const {
    if (!(unpaired_[d[0]] >> (d[1] & 0x3F) & 1u) || !continuation(d[1]))
        return nullptr;
    for (const auto &pair : unpaired_pairs_)
        if (static_cast<unsigned char>(pair[0]) == d[0] &&
            static_cast<unsigned char>(pair[1]) == d[1])
            return pair.data() + 2;
    return nullptr;
}

// Files the first bytes and words of `phrase` in the tables that tell most
// words from the start of a phrase without matching the phrases.
void StageTables::index_phrase(std::string_view phrase) {
    const auto *p = reinterpret_cast<const unsigned char *>(phrase.data());
    const std::size_t first = static_cast<std::size_t>(key_[p[0]]) << 8;
    // A phrase of one byte may go on with any byte that ends a word.
    if (phrase.size() == 1)
        for (std::size_t b = 0; b < 256; ++b)
            pairs_[first | key_[b]] = true;
    else
        pairs_[first | key_[p[1]]] = true;
    std::size_t length = 0;
    const std::uint32_t word = word_hash(phrase, kWordSeed, length);
    first_words_.add(word);
    std::size_t next = length;
    while (next < phrase.size() && separator(phrase[next]))
        ++next;
    std::size_t second = 0;
    const std::uint32_t words = word_hash(phrase.substr(next), word, second);
    if (next > length && second > 0)
        two_words_.add(words);
    else
        one_word_.add(word);
}

// A hash of the folded letters and digits that begin `text` (its first
// word), from `seed`; the word's length goes to `length`.
std::uint32_t StageTables::word_hash(std::string_view text, std::uint32_t seed,
                                   std::size_t &length) const {
    std::uint32_t h = seed;
    length = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (!(class_[b] & kWord))
            break;
        h = (h ^ key_[b]) * 16777619u;
        ++length;
    }
    return h;
}

// Whether some phrase may begin with the first word of `text`: false is
// sure, true may be wrong now and then.
bool StageTables::may_begin_with(std::string_view text) const {
    std::size_t length = 0;
    return first_words_.may_hold(word_hash(text, kWordSeed, length));
}

bool StageTables::may_go_on(char first, char second) const {
    return pairs_[static_cast<std::size_t>(key_[static_cast<unsigned char>(first)]) << 8 |
                  key_[static_cast<unsigned char>(second)]];
}

// The tables of a language's stage, built once per language and reading
// and kept for the life of the process, as the language records are: a
// program that reads many short texts (a scan per row of a table) makes a
// stage for each.
const StageTables &stage_tables(LANG *l, const StageOptions &o) {
    static std::mutex lock;
    static std::map<std::tuple<const LANG *, bool, const tovrin_phrases *>,
                    std::unique_ptr<StageTables>>
        built;
    const std::lock_guard<std::mutex> hold(lock);
    auto &t = built[{l, o.forms, o.phrases}];
    if (!t)
        t = std::make_unique<StageTables>(l, o);
    return *t;
}

TextStage::TextStage(LANG *l, const StageOptions &o) : t_(stage_tables(l, o)) {}

// The first byte at or after `at` (before `n`) that may begin a form, or
// a phrase at the start of a word: running text is mostly bytes that
// stand for themselves.
std::size_t TextStage::run(const char *w, std::size_t at, std::size_t n) {
    const auto *d = reinterpret_cast<const unsigned char *>(w);
    const std::size_t start = at;
    for (;; ++at) {
        at = find_stop(d, at, n);
        if (at == n)
            return at;
        if ((t_.class_[d[at]] & kCapital) && at > start) {
            // The second byte of a capital: its first is in this run.
            const bool letter =
                at - 1 > start ? (t_.class_[d[at - 2]] & kLetter) != 0 : letter_before_;
            if (lowers(d, at - 1, n, letter))
                return at - 1;
        }
        if ((t_.class_[d[at]] & (kScript | kNameStart)) && script_stop(d, at, start, n))
            return at;
        if (t_.class_[d[at]] & kForm) {
            if (!breaks_line_in_text(d, at, start, n))
                return at;
            patches_.push_back(at);
            continue;
        }
        // A byte that may begin a phrase: only at the start of a word, and
        // only where a phrase may begin with the word.
        if (!(t_.class_[d[at]] & kPhrase))
            continue;
        const bool word = at > start ? (t_.class_[d[at - 1]] & kWord) != 0 : word_before_;
        if (!word && may_be_phrase(d, at, n))
            return at;
    }
}

// Whether the run stops at d[at], a byte of kScript or kNameStart: at a
// digit of another script or a full-width character (the byte before it
// decides whether that is a mark), or at a byte that may begin a name
// right after a letter.
bool TextStage::script_stop(const unsigned char *d, std::size_t at, std::size_t start,
                            std::size_t n) const {
    const std::uint8_t k = t_.class_[d[at]];
    if (k & kScript) {
        const std::size_t length = character_length(d[at]);
        if (at + length > n)
            return true;
        const char32_t cp = code_point(d + at, length);
        if (digit_of(cp) != 0 || (d[at] == 0xEF && t_.full_width_mark(cp) != 0))
            return true;
    }
    return (k & kNameStart) && (at > start ? (t_.class_[d[at - 1]] & kLetter) != 0 : letter_before_);
}

// Whether d[at] is a line feed between two bytes of text that stand for
// themselves (neither blank nor a form): then it is a space, as form_item()
// would read it, and no blank line is under way before or after it. Most
// line breaks of running text are such; the run reads them without
// stopping.
bool TextStage::breaks_line_in_text(const unsigned char *d, std::size_t at, std::size_t start,
                                    std::size_t n) const {
    if (d[at] != '\n' || at == start || at + 1 >= n)
        return false;
    const unsigned char before = d[at - 1], after = d[at + 1];
    return before != ' ' && !(t_.class_[before] & kForm) && after != ' ' &&
           !(t_.class_[after] & kForm);
}

// Whether a phrase may begin at d[at], the start of a word, as far as the
// window tells without reading forms: false is sure. The word's first two
// bytes, its first word and, where phrases go on after it, its second word
// are asked about.
bool TextStage::may_be_phrase(const unsigned char *d, std::size_t at, std::size_t n) const {
    if (at + 1 >= n || (t_.class_[d[at + 1]] & kForm))
        return true;
    if (!t_.may_go_on(static_cast<char>(d[at]), static_cast<char>(d[at + 1])))
        return false;
    const std::string_view text(reinterpret_cast<const char *>(d), n);
    // A word of the window; false when forms may change it or the window
    // ends in it (then the phrase is read whole).
    const auto word_at = [&](std::size_t from, std::uint32_t seed, std::uint32_t &h,
                             std::size_t &end) {
        std::size_t length = 0;
        h = t_.word_hash(text.substr(from), seed, length);
        end = from + length;
        return end < n && !(t_.class_[d[end]] & kForm);
    };
    std::uint32_t word = 0, words = 0;
    std::size_t end = 0;
    if (!word_at(at, StageTables::kWordSeed, word, end))
        return true;
    if (!t_.first_words_.may_hold(word))
        return false;
    if (t_.one_word_.may_hold(word))
        return true;
    std::size_t next = end;
    while (next < n && t_.separator(text[next]))
        ++next;
    if (next == end)
        return false;
    if (next >= n || (t_.class_[d[next]] & kForm) || !word_at(next, word, words, end))
        return true;
    return t_.two_words_.may_hold(words);
}

// The first byte of d[from, n) that may begin a form, or a phrase at the
// start of a word, or n; the scalar tail and other processors stop at every
// byte that may begin a phrase and leave the word to run().
std::size_t TextStage::find_stop(const unsigned char *d, std::size_t from, std::size_t n) const {
#ifdef TOVRIN_NIBBLE_X86
    if (t_.avx2_)
        return find_stop_avx2(d, from, n);
#endif
    while (from < n && !t_.stop_[d[from]])
        ++from;
    return from;
}

#ifdef TOVRIN_NIBBLE_X86
__attribute__((target("avx2"))) std::size_t
TextStage::find_stop_avx2(const unsigned char *d, std::size_t from, std::size_t n) const {
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i bits = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64,
                                          -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                          32, 64, -128);
    std::size_t i = from;
    // Whether the byte before d[i] belongs to a word. Before `from` it is
    // taken not to: a byte there that may begin a phrase is handed to run(),
    // which knows.
    std::uint32_t word_before = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + i));
        const __m256i lo = _mm256_and_si256(x, nibble);
        const __m256i bit = _mm256_shuffle_epi8(bits, _mm256_and_si256(_mm256_srli_epi16(x, 4),
                                                                        nibble));
        const std::uint32_t word = members32(x, lo, bit, t_.word_set_);
        const std::uint32_t phrase = members32(x, lo, bit, t_.phrase_set_);
        const std::uint32_t stops =
            members32(x, lo, bit, t_.form_set_) | (phrase & ~(word << 1 | word_before));
        if (stops != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(stops));
        word_before = word >> 31;
    }
    while (i < n && !t_.stop_[d[i]])
        ++i;
    return i;
}
#endif

void TextStage::feed(std::string_view block, bool last, std::string &view,
                     std::vector<ViewForm> &forms) {
    plain_tail_ = 0;
    feed_start_ = view.size();
    std::size_t from = 0; // where the block is read where it lies
    if (!window_.empty()) {
        // The undecided end of the last block goes first, with as much of
        // this one as deciding it may take; the rest of the block is read
        // where it lies, without a copy.
        const std::size_t carry = window_.size();
        const std::size_t head = std::min(block.size(), kHead);
        window_.append(block.substr(0, head));
        std::size_t i = 0;
        if (head < block.size())
            i = read(window_.data(), 0, carry, window_.size(), false, view, forms);
        if (head == block.size() || i < carry) {
            // A short block, or an item that needs more of it: all of it
            // in the window.
            window_.append(block.substr(head));
            const std::size_t n = window_.size();
            i = read(window_.data(), i, last ? n : undecided_end(window_.data(), n), n, last, view,
                     forms);
            window_.erase(0, i);
            end_feed(view);
            return;
        }
        from = i - carry;
    }
    const std::size_t n = block.size();
    const std::size_t j =
        read(block.data(), from, last ? n : undecided_end(block.data(), n), n, last, view, forms);
    window_.assign(block.substr(j));
    end_feed(view);
}

// What the next feed needs of the view handed out: its last byte but
// spaces, and its last bytes (a word that a phrase must follow).
void TextStage::end_feed(const std::string &view) {
    last_before_feed_ = last_nonspace(view);
    const std::size_t from =
        std::max(std::min(feed_start_, view.size()), view.size() > kTail ? view.size() - kTail : 0);
    tail_before_feed_ += view.substr(from);
    if (tail_before_feed_.size() > kTail)
        tail_before_feed_.erase(0, tail_before_feed_.size() - kTail);
}

// Reads the items of `w` (`n` bytes, the text's end when `last`) that begin
// in [i, limit); returns where it stopped: `limit` or past it, or before it
// at an item that needs more of the text than `w` holds.
std::size_t TextStage::read(const char *w, std::size_t i, std::size_t limit, std::size_t n,
                            bool last, std::string &view, std::vector<ViewForm> &forms) {
    while (i < limit) {
        std::size_t j = run(w, i, limit);
        // A capital whose second byte lies past the limit waits for it.
        if (j == limit && j > i && j < n && t_.unpaired_[byte_at(w, j - 1)] != 0)
            --j;
        if (j > i) {
            const std::size_t at = view.size();
            view.append(w + i, j - i);
            for (const std::size_t p : patches_)
                view[at + p - i] = ' ';
            patches_.clear();
            viewed_ += static_cast<long long>(j - i);
            plain_tail_ += j - i;
            word_before_ = (t_.class_[byte_at(w, j - 1)] & kWord) != 0;
            letter_before_ = (t_.class_[byte_at(w, j - 1)] & kLetter) != 0;
            if (state_.blank_line)
                state_.blank_line = std::all_of(w + i, w + j, [](char c) { return c == ' '; });
            i = j;
        }
        if (i >= limit)
            break;
        std::size_t consumed = 0;
        if (t_.unpaired_[byte_at(w, i)] != 0) {
            if (i + 1 >= n && !last)
                break;
            if (lowers(reinterpret_cast<const unsigned char *>(w), i, n, letter_before_)) {
                lower_capital(w, i, view);
                i += 2;
                continue;
            }
            if (!(t_.class_[byte_at(w, i)] & kPhrase) || word_before_) {
                plain_byte(w, i, view, forms, consumed);
                i += consumed;
                continue;
            }
        }
        if (t_.class_[byte_at(w, i)] & (kScript | kNameStart)) {
            if (script_item(w, i, n, last, view, forms, consumed) == Step::more)
                break;
            if (consumed > 0) {
                i += consumed;
                continue;
            }
            if (!(t_.class_[byte_at(w, i)] & (kForm | kPhrase))) {
                plain_byte(w, i, view, forms, consumed);
                i += consumed;
                continue;
            }
        }
        if (!(t_.class_[byte_at(w, i)] & kForm)) {
            if (phrase(w, i, n, last, view, forms, consumed) == Step::more)
                break;
        } else if (may_begin_mark(byte_at(w, i))) {
            if (compose(w, i, n, last, view, forms, consumed) == Step::more)
                break;
        } else {
            const char b = w[i];
            if (b == '(' || b == '-') {
                if (lectionary_form(w, i, n, last, view, forms, consumed) == Step::more)
                    break;
                if (consumed > 0) {
                    i += consumed;
                    continue;
                }
            } else if (t_.also_following_[byte_at(w, i)]) {
                if (following_form(w, i, n, last, view, forms, consumed) == Step::more)
                    break;
                if (consumed > 0) {
                    i += consumed;
                    continue;
                }
            }
            Item item;
            if (form_item(w, i, n, last, state_, view_byte_before(w, i, view), item) ==
                Step::more)
                break;
            emit(item, view, forms);
            consumed = item.length;
        }
        i += consumed;
    }
    return i;
}

// A digit of another script or a full-width mark after a digit, as the
// digit or mark it stands for; or, where words are not spaced, a book name
// right after a letter with a number after it, which begins a word of its
// own: a space that stands for no byte of the text goes before it. Nothing
// is consumed when the byte at `at` begins neither.
TextStage::Step TextStage::script_item(const char *w, std::size_t at, std::size_t n, bool last,
                                       std::string &view, std::vector<ViewForm> &forms,
                                       std::size_t &consumed) {
    consumed = 0;
    const auto *d = reinterpret_cast<const unsigned char *>(w);
    if (t_.class_[d[at]] & kScript) {
        const std::size_t length = character_length(d[at]);
        if (at + length > n)
            return last ? Step::done : Step::more;
        const char32_t cp = code_point(d + at, length);
        char mapped = digit_of(cp);
        if (mapped == 0 && d[at] == 0xEF && is_digit(view_back(view)))
            mapped = t_.full_width_mark(cp);
        if (mapped != 0) {
            emit(one_byte(mapped, static_cast<std::uint32_t>(length)), view, forms);
            consumed = length;
            return Step::done;
        }
    }
    if (!(t_.class_[d[at]] & kNameStart) || !letter_before_)
        return Step::done;
    std::size_t end = at;
    if (unspaced_name(d, at, n, last, end) == Step::more)
        return Step::more;
    if (end == at)
        return Step::done;
    emit(one_byte(' ', 0), view, forms);
    for (std::size_t p = at; p < end; ++p)
        emit(one_byte(w[p], 1), view, forms);
    consumed = end - at;
    return Step::done;
}

// The end of the longest book name that begins at `at` and has a number
// after it (spaces may come between), in `end`; `at` when there is none.
TextStage::Step TextStage::unspaced_name(const unsigned char *d, std::size_t at, std::size_t n,
                                         bool last, std::size_t &end) const {
    const LangTables &names = *t_.names_;
    int node = 0;
    for (std::size_t p = at; node >= 0; ++p) {
        if (p >= n)
            return last ? Step::done : Step::more;
        node = names.name_step(node, d[p]);
        if (node < 0 || names.trie[static_cast<std::size_t>(node)].book == 0 ||
            (p + 1 < n && continuation(d[p + 1])))
            continue;
        bool number = false;
        if (number_at(d, p + 1, n, last, number) == Step::more)
            return Step::more;
        if (number)
            end = p + 1;
    }
    return Step::done;
}

// Whether a number begins at d[at] after spaces, in `number`.
TextStage::Step TextStage::number_at(const unsigned char *d, std::size_t at, std::size_t n,
                                     bool last, bool &number) const {
    while (at < n && d[at] == ' ')
        ++at;
    if (at >= n)
        return last ? Step::done : Step::more;
    if (!(t_.class_[d[at]] & kScript)) {
        number = is_digit(static_cast<char>(d[at]));
        return Step::done;
    }
    const std::size_t length = character_length(d[at]);
    if (at + length > n)
        return last ? Step::done : Step::more;
    number = digit_of(code_point(d + at, length)) != 0;
    return Step::done;
}

// The last byte of the view handed out, or NUL before the first.
char TextStage::view_back(const std::string &view) const {
    if (view.size() > feed_start_)
        return view.back();
    return tail_before_feed_.empty() ? '\0' : tail_before_feed_.back();
}

// Whether the view handed out ends with the word `context` (folded) and
// spaces or abbreviation marks: what a phrase read only after a word needs.
// The caller may have dropped the view of earlier feeds: their last bytes
// are kept in tail_before_feed_.
bool TextStage::follows_context(const std::string &view, std::string_view context) const {
    if (context.empty())
        return true;
    const std::size_t fed = std::min(feed_start_, view.size());
    const std::size_t from = std::max(fed, view.size() > kTail ? view.size() - kTail : 0);
    const std::string tail = (from == fed ? tail_before_feed_ : std::string()) + view.substr(from);
    std::size_t end = tail.size();
    while (end > 0 && t_.separator(tail[end - 1]))
        --end;
    if (end == tail.size() || end < context.size())
        return false;
    const std::size_t start = end - context.size();
    if (start > 0 && (t_.class_[static_cast<unsigned char>(tail[start - 1])] & kWord))
        return false;
    for (std::size_t k = 0; k < context.size(); ++k)
        if (t_.key_[static_cast<unsigned char>(tail[start + k])] !=
            t_.key_[static_cast<unsigned char>(context[k])])
            return false;
    return true;
}

// The last byte of the view handed out that is no space, or NUL before the
// first.
char TextStage::last_nonspace(const std::string &view) const {
    const std::size_t at = view.find_last_not_of(' ');
    return at != std::string::npos && at >= feed_start_ ? view[at] : last_before_feed_;
}

void TextStage::emit(const Item &item, std::string &view, std::vector<ViewForm> &forms) {
    if (item.length != 1 || item.count != 1) {
        forms.push_back({viewed_, item.length});
        for (std::size_t k = 1; k < item.count; ++k)
            forms.push_back({viewed_ + static_cast<long long>(k), 0});
    }
    view.append(item.out, item.count);
    viewed_ += item.count;
    plain_tail_ = item.length == 1 && item.count == 1 ? plain_tail_ + 1 : 0;
    word_before_ = (t_.class_[static_cast<unsigned char>(item.out[item.count - 1])] & kWord) != 0;
    letter_before_ =
        (t_.class_[static_cast<unsigned char>(item.out[item.count - 1])] & kLetter) != 0;
}

// One byte of the view from the byte at `at`: a typographic form, or the
// byte itself.
TextStage::Step TextStage::form_item(const char *w, std::size_t at, std::size_t n, bool last,
                                     FormState &state, char before, Item &item) const {
    const unsigned char c = byte_at(w, at);
    // Whether the `k` bytes after `at` are there; Step::more when they may
    // still come.
    const auto have = [&](std::size_t k) { return at + k < n; };
    const auto wait = [&](std::size_t k) { return !have(k) && !last; };
    unsigned char mapped = c;
    std::size_t length = 1;
    switch (c) {
    case 0xE2: // dashes and thin, narrow spaces: E2 80 xx, minus sign E2 88 92
        if (wait(1) || (have(1) && wait(2)))
            return Step::more;
        if (have(2)) {
            const unsigned char second = byte_at(w, at + 1), third = byte_at(w, at + 2);
            const bool dash = third == 0x90 || third == 0x92 || third == 0x93 || third == 0x94;
            if (second == 0x80 && dash)
                mapped = t_.range_, length = 3;
            else if (second == 0x80 && (third == 0x89 || third == 0xAF))
                mapped = ' ', length = 3;
            else if (second == 0x88 && third == 0x92)
                mapped = t_.range_, length = 3;
            else if (second == 0x80 && third == 0x99 && t_.apostrophe_)
                mapped = '\'', length = 3; // the typographic apostrophe: "Філіп’ян"
        }
        break;
    case 0xC2: // no-break space; the ordinal marks º ª and ° after a digit
        if (wait(1))
            return Step::more;
        if (have(1) && byte_at(w, at + 1) == 0xA0)
            mapped = ' ', length = 2;
        else if (have(1) && ordinal_mark(byte_at(w, at + 1), before))
            mapped = static_cast<unsigned char>(t_.abbreviation_), length = 2;
        break;
    case '~':
    case '\t': mapped = ' '; break;
    case '-': // TeX "--" and "---"
        if (wait(1))
            return Step::more;
        if (have(1) && w[at + 1] == '-') {
            if (wait(2))
                return Step::more;
            mapped = t_.range_;
            length = have(2) && w[at + 2] == '-' ? 3 : 2;
        }
        break;
    case '\r':
        if (wait(1))
            return Step::more;
        if (have(1) && w[at + 1] == '\n') {
            char out = 0;
            if (line_break(w, at + 2, n, last, state, out) == Step::more)
                return Step::more;
            mapped = static_cast<unsigned char>(out);
            length = 2;
        }
        break;
    case '\n': {
        char out = 0;
        if (line_break(w, at + 1, n, last, state, out) == Step::more)
            return Step::more;
        mapped = static_cast<unsigned char>(out);
        break;
    }
    default: break;
    }
    state.blank_line = (mapped == ' ' && (c == '\n' || c == '\r' || state.blank_line)) ||
                       (state.blank_line && c == '\t');
    item.out[0] = static_cast<char>(mapped);
    item.count = 1;
    item.length = static_cast<std::uint32_t>(length);
    return Step::done;
}

// A line break inside a paragraph is a space; one that ends a paragraph
// (an empty or blank line follows or precedes it) or the text stays.
// `next` is the byte after it.
TextStage::Step TextStage::line_break(const char *w, std::size_t next, std::size_t n, bool last,
                                      const FormState &state, char &out) const {
    if (next >= n && !last)
        return Step::more;
    const bool ends = next >= n || w[next] == '\n' || w[next] == '\r' || state.blank_line;
    out = ends ? '\n' : ' ';
    return Step::done;
}

// The letter that `base` and the combining marks from `at` on compose to,
// with the end of the marks read in `end`; 0 when the first mark does not
// compose with it (or is no mark).
TextStage::Step TextStage::marks(const char *w, std::size_t at, std::size_t n, bool last,
                                 char32_t base, char32_t &letter, std::size_t &end) const {
    letter = 0;
    end = at;
    for (;;) {
        if (end + 1 >= n && !last && (end >= n || may_begin_mark(byte_at(w, end))))
            return Step::more;
        const char32_t mark = end + 1 < n ? combining_mark(w, end) : 0;
        const char32_t composed =
            mark != 0 ? composed_letter(letter != 0 ? letter : base, mark) : 0;
        if (composed == 0)
            return Step::done;
        letter = composed;
        end += 2;
    }
}

// The letter that the combining marks at `at` compose to with the letter
// that ends `out`, when that letter lies in its last `plain` bytes (bytes
// that stand for themselves); 0 in `letter` when they do not compose. The
// letter's length goes to `base_length`, the end of the marks to `end`.
TextStage::Step TextStage::composition(const char *w, std::size_t at, std::size_t n, bool last,
                                       std::string_view out, std::size_t plain, char32_t &letter,
                                       std::size_t &base_length, std::size_t &end) const {
    letter = 0;
    end = at;
    const char32_t base = last_character(out, plain, base_length);
    return base != 0 ? marks(w, at, n, last, base, letter, end) : Step::done;
}

// The combining marks at `at`, composed with the letter that ends the view
// when it stands for itself; otherwise the mark's first byte stays as it
// is.
TextStage::Step TextStage::compose(const char *w, std::size_t at, std::size_t n, bool last,
                                   std::string &view, std::vector<ViewForm> &forms,
                                   std::size_t &consumed) {
    std::size_t base_length = 0, end = at;
    char32_t letter = 0;
    if (composition(w, at, n, last, view, plain_tail_, letter, base_length, end) == Step::more)
        return Step::more;
    if (letter == 0)
        return plain_byte(w, at, view, forms, consumed);
    Item item;
    // The letter went out as it is: it becomes the composed one.
    view.resize(view.size() - base_length);
    viewed_ -= static_cast<long long>(base_length);
    item.count = static_cast<std::uint8_t>(encode(letter, item.out));
    item.length = static_cast<std::uint32_t>(base_length + end - at);
    emit(item, view, forms);
    consumed = end - at;
    return Step::done;
}

// The combining marks at `p`, composed with the letter that ends the view
// read ahead for a phrase when it stands for itself; `p` moves past them.
TextStage::Step TextStage::compose_ahead(const char *w, std::size_t &p, std::size_t n,
                                         bool last) {
    std::size_t plain = 0;
    for (auto it = lookahead_lengths_.rbegin();
         it != lookahead_lengths_.rend() && *it == 1 && plain < 4; ++it)
        ++plain;
    std::size_t base_length = 0, end = p;
    char32_t letter = 0;
    if (composition(w, p, n, last, lookahead_, plain, letter, base_length, end) == Step::more)
        return Step::more;
    if (letter == 0)
        return Step::done;
    lookahead_.resize(lookahead_.size() - base_length);
    lookahead_lengths_.resize(lookahead_lengths_.size() - base_length);
    char out[4];
    const std::size_t count = encode(letter, out);
    for (std::size_t k = 0; k < count; ++k) {
        lookahead_ += out[k];
        lookahead_lengths_.push_back(k == 0 ? static_cast<std::uint32_t>(base_length + end - p)
                                            : 0);
    }
    p = end;
    return Step::done;
}

// A phrase at `at` (a byte that may begin one, at the start of a word):
// its name, or the byte itself when none is there.
TextStage::Step TextStage::phrase(const char *w, std::size_t at, std::size_t n, bool last,
                                  std::string &view, std::vector<ViewForm> &forms,
                                  std::size_t &consumed) {
    lookahead_.clear();
    lookahead_lengths_.clear();
    FormState state = state_;
    std::size_t p = at;
    // Reads one more byte of the view; false at the end of the text.
    bool ended = false;
    const auto pull = [&]() -> Step {
        if (p >= n) {
            if (!last)
                return Step::more;
            ended = true;
            return Step::done;
        }
        Item item;
        if (t_.forms_on_ && (t_.class_[byte_at(w, p)] & kForm) && !may_begin_mark(byte_at(w, p))) {
            const char before =
                lookahead_.empty() ? view_byte_before(w, p, view) : lookahead_.back();
            if (form_item(w, p, n, last, state, before, item) == Step::more)
                return Step::more;
        } else if (t_.unpaired_[byte_at(w, p)] != 0 && p + 1 >= n && !last) {
            return Step::more;
        } else if (t_.unpaired_[byte_at(w, p)] != 0 && !lookahead_.empty() &&
                   (t_.class_[static_cast<unsigned char>(lookahead_.back())] & kLetter) &&
                   lowers(reinterpret_cast<const unsigned char *>(w), p, n, true)) {
            // A capital within a word, as the view writes it ("KORINTSKÝM").
            const char *small = t_.small_of(reinterpret_cast<const unsigned char *>(w) + p);
            lookahead_.append(small, 2);
            lookahead_lengths_.insert(lookahead_lengths_.end(), {1, 1});
            p += 2;
            return Step::done;
        } else {
            item.out[0] = w[p];
            item.length = 1;
        }
        lookahead_ += item.out[0];
        lookahead_lengths_.push_back(item.length);
        p += item.length;
        // Combining marks after a letter change it before the phrases see it.
        if (!t_.forms_on_ || item.length != 1)
            return Step::done;
        if (p >= n && !last)
            return Step::more;
        return p < n && may_begin_mark(byte_at(w, p)) ? compose_ahead(w, p, n, last)
                                                       : Step::done;
    };
    if (pull() == Step::more)
        return Step::more;
    // Most words that begin like a phrase differ from every phrase in
    // their second byte already.
    if (!ended && pull() == Step::more)
        return Step::more;
    if (!ended && !t_.may_go_on(lookahead_[0], lookahead_[1]))
        return plain_byte(w, at, view, forms, consumed);
    // The first word decides for most words: read it whole, and ask the
    // phrases only when one may begin with that word.
    while (!ended && (t_.class_[static_cast<unsigned char>(lookahead_.back())] & kWord) &&
           lookahead_.size() < kMaxPhraseBytes)
        if (pull() == Step::more)
            return Step::more;
    if (!t_.may_begin_with(lookahead_))
        return plain_byte(w, at, view, forms, consumed);
    long length = 0;
    int which = 0;
    for (;;) {
        const bool more = !ended && lookahead_.size() < kMaxPhraseBytes;
        length = tovrin_phrases_match(t_.phrases_, lookahead_.data(), lookahead_.size(),
                                      more ? 1 : 0,
                                      &which);
        if (length >= 0)
            break;
        // Undecided: read on to the end of the next word before asking again.
        do {
            if (pull() == Step::more)
                return Step::more;
        } while (!ended && (t_.class_[static_cast<unsigned char>(lookahead_.back())] & kWord) &&
                 lookahead_.size() < kMaxPhraseBytes);
    }
    if (length == 0 || !follows_context(view, tovrin_phrases_context(t_.phrases_, which)))
        return plain_byte(w, at, view, forms, consumed);
    // A phrase ends in a letter: no blank line is under way after it.
    consumed = 0;
    for (long k = 0; k < length; ++k)
        consumed += lookahead_lengths_[static_cast<std::size_t>(k)];
    state_.blank_line = false;
    // A citation before the phrase must not run into its name ("Ž 23,1.
    // První list Korintským 13,4" would read as "Ž 23,1. 1", a verse list,
    // and swallow the title): a line end of no original bytes stops it,
    // unless a citation separator before the phrase joins the two.
    if (const char before = last_nonspace(view); before != '\0' && before != t_.separator_) {
        forms.push_back({viewed_, 0});
        view += '\r';
        ++viewed_;
    }
    const std::string_view name = tovrin_phrases_name(t_.phrases_, which);
    forms.push_back({viewed_, static_cast<std::uint32_t>(consumed)});
    for (std::size_t k = 1; k < name.size(); ++k)
        forms.push_back({viewed_ + static_cast<long long>(k), 0});
    view.append(name);
    viewed_ += static_cast<long long>(name.size());
    plain_tail_ = 0;
    word_before_ = true;
    letter_before_ = (t_.class_[static_cast<unsigned char>(name.back())] & kLetter) != 0;
    return Step::done;
}

namespace {

// The names of the letters of Psalm 119's divisions, as Czech, German,
// Slovak and English books write them ("Žalm 119-Kaf (81-88)").
constexpr std::string_view kHebrewLetters[] = {
    "Alef", "Aleph", "Bet", "Beth", "Gimel", "Dalet", "Daleth", "He", "Vav", "Waw",
    "Zajin", "Sajin", "Zayin", "Chet", "Het", "Heth", "Tet", "Teth", "Jod", "Yod",
    "Kaf", "Kaph", "Lamed", "Mem", "Nun", "Samech", "Samekh", "Ajin", "Ayin", "Pe",
    "Cade", "Zade", "Tsade", "Kof", "Qof", "Koph", "Re\xc5\xa1", "Resch", "Resh",
    "\xc5\xa0in", "Schin", "Shin", "Sin", "Tav", "Taw", "Tau"};

// The words that name another numbering before its numbers ("Sir 39,17-21a
// (řec. 13-16a)"): Greek, Hebrew, Latin (Vulgate), the Septuagint, in the
// shipped languages. Any other word makes the parentheses a remark of the
// author's ("(srov. 5,4)"), not part of the citation.
constexpr std::string_view kNumberingWords[] = {
    "\xc5\x99" "ec", "hebr", "heb", "lat", "vulg", "Vulg", "LXX", "gr", "griech", "grec",
    "h\xc3\xa9" "br", "Sept", "G", "H"};

} // namespace

// One byte of the view, `c`, standing for `length` original bytes.
TextStage::Item TextStage::one_byte(char c, std::uint32_t length) {
    Item item;
    item.out[0] = c;
    item.count = 1;
    item.length = length;
    return item;
}

namespace {

// Whether `word` is a Roman numeral from I to XXXIX ("CIVIL" is none).
bool is_roman(std::string_view word) {
    std::size_t k = 0;
    for (int tens = 0; k < word.size() && word[k] == 'X' && tens < 3; ++tens)
        ++k;
    std::string_view units = word.substr(k);
    for (const std::string_view numeral : {"IX", "IV", "VIII", "VII", "VI", "V", "III", "II", "I"})
        if (units == numeral)
            return true;
    return units.empty() && k > 0;
}

// A psalm's division: a Roman numeral or the name of a Hebrew letter.
bool is_division(std::string_view word) {
    if (is_roman(word))
        return true;
    return std::find(std::begin(kHebrewLetters), std::end(kHebrewLetters), word) !=
           std::end(kHebrewLetters);
}

// The length of a dash at w[at] (any of the range dashes of form_item),
// or 0.
std::size_t dash_length(const char *w, std::size_t at, std::size_t n) {
    if (at + 2 >= n || byte_at(w, at) != 0xE2)
        return 0;
    const unsigned char second = byte_at(w, at + 1), third = byte_at(w, at + 2);
    const bool dash = second == 0x80 && (third == 0x90 || third == 0x92 || third == 0x93 ||
                                         third == 0x94);
    return dash || (second == 0x88 && third == 0x92) ? 3 : 0;
}

} // namespace

// What the number that ends the view is: a chapter (a book name before
// it, "Žalm 11"), a verse (a chapter-verse separator before it, "L
// 17,20-24", whose chapter goes to `chapter`), or neither.
TextStage::Before TextStage::number_before(const std::string &view, std::string &chapter) const {
    std::size_t k = view.size();
    if (k > 0 && view[k - 1] == ' ')
        --k;
    // "24n (26-30)": following marks after the number.
    for (int marks = 0; marks < 2 && k > 1 && view[k - 1] == t_.following_ &&
                        (is_digit(view[k - 2]) || view[k - 2] == t_.following_);
         ++marks)
        --k;
    if (k == 0 || !(is_digit(view[k - 1]) ||
                    (t_.parts_.find(view[k - 1]) != std::string::npos && k > 1 && is_digit(view[k - 2]))))
        return Before::none;
    const std::size_t stop = k > 32 ? k - 32 : 0;
    for (; k > stop; --k) {
        const char c = view[k - 1];
        if (c == t_.chapter_verse_) {
            std::size_t first = k - 1;
            while (first > 0 && is_digit(view[first - 1]))
                --first;
            chapter = view.substr(first, k - 1 - first);
            return chapter.empty() ? Before::none : Before::verse;
        }
        const bool in_numbers = is_digit(c) || c == ' ' || c == t_.list_ || c == t_.following_ ||
                                static_cast<unsigned char>(c) == t_.range_ ||
                                t_.parts_.find(c) != std::string::npos;
        if (!in_numbers)
            return (t_.class_[static_cast<unsigned char>(c)] & kWord) != 0 ? Before::chapter
                                                                          : Before::none;
    }
    return Before::none;
}

// The verses of a lectionary form from `at` (after its "("): numbers of one
// to three digits, perhaps with a part letter, joined by range marks
// (dashes too) and list marks, and the ")" that ends them; `end` is past
// the ")", or 0 when there is no such group. With `word`, a word and an
// abbreviation mark may come first ("řec. 13-16a"), and `word` tells
// whether one did.
TextStage::Step TextStage::verse_group(const char *w, std::size_t at, std::size_t n, bool last,
                                       std::size_t &end, bool &word) const {
    end = 0;
    const std::size_t limit = std::min(n, at + kMaxGroupBytes);
    std::size_t p = at;
    const auto out_of_text = [&] { return p >= limit && limit == n && !last; };
    if (word) {
        while (p < limit && (t_.class_[byte_at(w, p)] & kWord) && !is_digit(w[p]))
            ++p;
        if (out_of_text())
            return Step::more;
        word = p > at;
        if (word) {
            const std::string_view name(w + at, p - at);
            if (std::find(std::begin(kNumberingWords), std::end(kNumberingWords), name) ==
                std::end(kNumberingWords))
                return Step::done;
            if (p < limit && w[p] == t_.abbreviation_)
                ++p;
            if (p < limit && w[p] == ' ')
                ++p;
        }
    }
    for (;;) {
        std::size_t digits = 0;
        for (; p < limit && is_digit(w[p]) && digits < 4; ++p)
            ++digits;
        if (out_of_text())
            return Step::more;
        if (digits == 0 || digits > 3)
            return Step::done;
        if (p < limit && t_.parts_.find(w[p]) != std::string::npos)
            ++p;
        if (out_of_text())
            return Step::more;
        if (p >= limit)
            return Step::done;
        if (w[p] == ')') {
            end = p + 1;
            return Step::done;
        }
        if (const std::size_t dash = dash_length(w, p, n)) {
            p += dash;
        } else if (w[p] == '-' || static_cast<unsigned char>(w[p]) == t_.range_) {
            ++p;
        } else if (w[p] == t_.list_ || w[p] == t_.chapter_verse_) {
            ++p;
            if (p < limit && w[p] == ' ')
                ++p;
        } else {
            return Step::done;
        }
    }
}

// Makes the last byte of the view stand for `length` more original bytes;
// false when it cannot (it was handed out in an earlier feed).
bool TextStage::absorb(std::size_t length, std::string &view, std::vector<ViewForm> &forms) {
    if (view.size() <= feed_start_ || viewed_ == 0)
        return false;
    if (!forms.empty() && forms.back().at == viewed_ - 1)
        forms.back().length += static_cast<std::uint32_t>(length);
    else if (plain_tail_ > 0)
        forms.push_back({viewed_ - 1, static_cast<std::uint32_t>(1 + length)});
    else
        return false;
    plain_tail_ = 0;
    return true;
}

// The verses of a group, w[from, to) (no ")"), as the language writes
// them: dashes as its range mark; a space after a list mark is kept in
// the original of the mark.
void TextStage::emit_group(const char *w, std::size_t from, std::size_t to, std::string &view,
                           std::vector<ViewForm> &forms) {
    for (std::size_t p = from; p < to;) {
        Item item = one_byte(w[p], 1);
        if (const std::size_t dash = dash_length(w, p, to)) {
            item = one_byte(static_cast<char>(t_.range_), static_cast<std::uint32_t>(dash));
        } else if (w[p] == '-') {
            item.out[0] = static_cast<char>(t_.range_);
        } else if (w[p] == ' ') {
            absorb(1, view, forms);
            ++p;
            continue;
        }
        emit(item, view, forms);
        p += item.length;
    }
}

// Another letter of the following mark at `at` ("11f.14", "24ff."): after
// a chapter or verse number and before no letter, once or twice, it is the
// language's own mark. An abbreviation mark after it belongs to it where
// optional verses follow ("24f.(26-30)"); elsewhere it is read as before
// (a verse list in "11f.14").
TextStage::Step TextStage::following_form(const char *w, std::size_t at, std::size_t n, bool last,
                                          std::string &view, std::vector<ViewForm> &forms,
                                          std::size_t &consumed) {
    consumed = 0;
    std::string chapter;
    if (view.empty() || !is_digit(view.back()) || number_before(view, chapter) == Before::none)
        return Step::done;
    std::size_t p = at;
    while (p < n && p - at < 2 && w[p] == w[at])
        ++p;
    if (p + 1 >= n && !last)
        return Step::more;
    if (p < n && (t_.class_[byte_at(w, p)] & kWord))
        return Step::done;
    for (std::size_t k = at; k < p; ++k)
        emit(one_byte(t_.following_, 1), view, forms);
    consumed = p - at;
    if (p + 1 < n && w[p] == t_.abbreviation_ && w[p + 1] == '(' && absorb(1, view, forms))
        ++consumed;
    return Step::done;
}

// A lectionary form at `at` ("(" or "-"), read into the view; `consumed`
// stays 0 when there is none.
TextStage::Step TextStage::lectionary_form(const char *w, std::size_t at, std::size_t n, bool last,
                                           std::string &view, std::vector<ViewForm> &forms,
                                           std::size_t &consumed) {
    consumed = 0;
    // Most dashes are ranges ("5,3-12") and most parentheses hold words:
    // the byte after tells without looking back.
    if (at + 1 >= n)
        return last ? Step::done : Step::more;
    const unsigned char next = byte_at(w, at + 1);
    const bool capital = (next >= 'A' && next <= 'Z') || next >= 0xC0;
    if (w[at] == '-' ? !capital : !(is_digit(static_cast<char>(next)) || next >= 'a' || capital))
        return Step::done;
    std::string chapter;
    const Before before = number_before(view, chapter);
    if (before == Before::none)
        return Step::done;
    std::size_t p = at + 1;
    if (w[at] == '-') {
        // "38-II (6-13)": the division is the chapter-verse separator.
        if (before != Before::chapter || view.empty() || !is_digit(view.back()))
            return Step::done;
        while (p < n && p - at < 12 && (t_.class_[byte_at(w, p)] & kWord) && !is_digit(w[p]))
            ++p;
        if (p >= n && !last)
            return Step::more;
        if (!is_division(std::string_view(w + at + 1, p - at - 1)))
            return Step::done;
        if (p < n && w[p] == ' ')
            ++p;
        if (p >= n && !last)
            return Step::more;
        if (p >= n || w[p] != '(')
            return Step::done;
        std::size_t end = 0;
        bool word = false;
        if (verse_group(w, p + 1, n, last, end, word) == Step::more)
            return Step::more;
        if (end == 0)
            return Step::done;
        emit(one_byte(t_.chapter_verse_, static_cast<std::uint32_t>(p + 1 - at)), view, forms);
        emit_group(w, p + 1, end - 1, view, forms);
        absorb(1, view, forms);
        consumed = end - at;
        return Step::done;
    }
    std::size_t end = 0;
    bool word = true;
    if (verse_group(w, p, n, last, end, word) == Step::more)
        return Step::more;
    if (end == 0)
        return Step::done;
    if (end == n && !last)
        return Step::more; // what follows the ")" tells how it is read
    // A space before the "(" belongs to the form.
    const bool spaced = !view.empty() && view.back() == ' ' && plain_tail_ >= 2 &&
                        view.size() > feed_start_ + 1;
    if (spaced) {
        // The space goes into the form's original (this feed handed it out).
        view.pop_back();
        --viewed_;
        --plain_tail_;
    }
    if (before == Before::verse && !word) {
        // Optional verses: a citation of their own in the chapter of the
        // verse before them ("J 11,1-3(41-45)" reads "J 11,1-3; 11,41-45"),
        // since a verse list cannot follow every form ("Jon 1,1-2,2").
        const std::string again =
            std::string{t_.separator_, ' '} + chapter + static_cast<char>(t_.chapter_verse_);
        for (std::size_t k = 0; k < again.size(); k += 4) {
            Item item;
            item.count = static_cast<std::uint8_t>(std::min<std::size_t>(4, again.size() - k));
            std::copy_n(again.data() + k, item.count, item.out);
            item.length = k > 0 ? 0 : spaced ? 2 : 1;
            emit(item, view, forms);
        }
        const long long first = viewed_;
        emit_group(w, p, end - 1, view, forms);
        notes_.push_back({ViewNote::optional, first, viewed_, {}});
        if (end < n && is_digit(w[end])) {
            emit(one_byte(t_.list_, 1), view, forms);
        } else {
            absorb(1, view, forms);
        }
        consumed = end - at;
        return Step::done;
    }
    // Another numbering: kept in the original of the number before it. A
    // number with a space after it lies in this feed, so the space's
    // original goes with it; one handed out in an earlier feed keeps the
    // form as text.
    if (!absorb(end - at + (spaced ? 1 : 0), view, forms))
        return Step::done;
    notes_.push_back({ViewNote::alternate, viewed_ - 1, viewed_, std::string(w + at, end - at)});
    consumed = end - at;
    return Step::done;
}

// No phrase at `at`: the byte itself (a letter or a digit, no form).
// The view's byte before w[at], where w[at] is the next byte to read: the
// window's byte before it once a number of the window stands there, else
// the last byte handed out, in this feed or before it.
char TextStage::view_byte_before(const char *w, std::size_t at, const std::string &view) const {
    if (at > 0)
        return w[at - 1];
    if (view.size() > feed_start_)
        return view.back();
    return tail_before_feed_.empty() ? '\0' : tail_before_feed_.back();
}

// Whether the two bytes at `at` are a capital that the stage writes as its
// small letter: one that folding cannot pair, after a letter of its word.
bool TextStage::lowers(const unsigned char *d, std::size_t at, std::size_t n, bool letter) const {
    return letter && at + 1 < n && t_.small_of(d + at) != nullptr;
}

// The capital at `at` as its small letter: two view bytes, each standing
// for the original byte at its place.
void TextStage::lower_capital(const char *w, std::size_t at, std::string &view) {
    view.append(t_.small_of(reinterpret_cast<const unsigned char *>(w) + at), 2);
    viewed_ += 2;
    plain_tail_ += 2;
    word_before_ = letter_before_ = true;
}

TextStage::Step TextStage::plain_byte(const char *w, std::size_t at, std::string &view,
                                      std::vector<ViewForm> &forms, std::size_t &consumed) {
    Item item;
    item.out[0] = w[at];
    item.count = 1;
    item.length = 1;
    emit(item, view, forms);
    consumed = 1;
    return Step::done;
}

TextStage::Read TextStage::read_all(LANG *l, const StageOptions &o, std::string_view text) {
    TextStage stage(l, o);
    Read r;
    std::vector<ViewForm> forms;
    stage.feed(text, true, r.text, forms);
    r.origin.reserve(r.text.size() + 1);
    std::size_t original = 0, f = 0;
    for (std::size_t k = 0; k < r.text.size(); ++k) {
        r.origin.push_back(original);
        if (f < forms.size() && forms[f].at == static_cast<long long>(k))
            original += forms[f++].length;
        else
            ++original;
    }
    r.origin.push_back(text.size());
    return r;
}

} // namespace tovrin::detail
