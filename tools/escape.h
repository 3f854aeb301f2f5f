// Text written into JSON strings and HTML pages: escaped, and always valid
// UTF-8, whatever bytes the input held.
#ifndef TOVRIN_TOOLS_ESCAPE_H
#define TOVRIN_TOOLS_ESCAPE_H

#include <cstddef>
#include <string>

namespace cli {

// `s` as a JSON string with its quotes. A byte that is not part of a
// well-formed UTF-8 sequence is written as the character of that code
// (Latin-1), so nothing is lost and the line stays valid JSON.
std::string json_string(const std::string &s);

// `s` escaped for HTML text and attributes; a stray byte shows as the
// replacement character.
std::string html_escape(const std::string &s);

// Counts characters (UTF-8 code points) byte by byte, as columns do: a
// byte starts a character unless it continues the sequence of a lead byte
// before it; a stray byte counts as a character of its own.
class CharacterCounter {
public:
    bool starts_character(unsigned char b) {
        if (pending_ > 0 && (b & 0xC0) == 0x80) {
            --pending_;
            return false;
        }
        pending_ = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        return true;
    }

private:
    int pending_ = 0; // continuation bytes still expected
};

// The number of characters in the `n` bytes at `p`.
std::size_t characters(const char *p, std::size_t n);

} // namespace cli

#endif
