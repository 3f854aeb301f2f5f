// The phrases of the text commands: book titles of three words or more
// (">" lines of bibl.ini), which the text reader (reader.h) hands the
// scanner as the book names they stand for.
#ifndef TOVRIN_TOOLS_PHRASES_H
#define TOVRIN_TOOLS_PHRASES_H

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "tovrin.h"

namespace cli {

// The phrases of one language and the byte tables the reader tests for
// every byte: whether a phrase may begin with it, and whether it belongs
// to a word (a letter or a digit), so that a phrase starts a word.
struct Phrases {
    std::unique_ptr<tovrin_phrases, void (*)(tovrin_phrases *)> set{nullptr, tovrin_phrases_free};
    std::array<bool, 256> may_begin{};
    std::array<bool, 256> in_word{};
    // Folding keys, and the pairs of keys that begin some phrase.
    std::array<unsigned char, 256> key{};
    std::vector<bool> pairs = std::vector<bool>(1 << 16);

    // Whether a phrase may begin with the bytes `first` and `second`.
    bool may_go_on(int first, int second) const {
        return pairs[key[static_cast<std::size_t>(first)] << 8 |
                     key[static_cast<std::size_t>(second)]];
    }
};

// The reader's tables for the phrases `set` of `l`, which it takes over;
// null when `set` holds no phrase. For readers that load phrases of their
// own (the Python module reads those of every configuration it opens).
std::unique_ptr<Phrases> make_phrases(tovrin_phrases *set, LANG *l);

// The configuration the phrases come from, the one the library loaded: its
// text, and its name in messages.
void read_phrases_from(const std::string &shown, std::string text);

// What is wrong with a phrase line, in words, for the status
// TOVRIN_PHRASES_BAD_LINE or TOVRIN_PHRASES_UNKNOWN_NAME of its loading.
std::string phrase_line_problem(int status);

// The phrases of `l`, loaded on first use; null when it has none. A broken
// phrase line ends the program with a message naming its line (status 1),
// as a broken configuration does. Safe to call from several threads; the
// phrases are only read afterwards.
const Phrases *phrases_of(LANG *l);

} // namespace cli

#endif
