// The typographic forms: the same reading as the command line's text
// reader, over a whole buffer at once.
#include "forms.h"

#include <array>

namespace tovrin_python {

namespace {

// Bytes that can begin a form; all others stand for themselves.
constexpr std::array<bool, 256> kMayBeginForm = [] {
    std::array<bool, 256> t{};
    for (int b : {0xE2, 0xC2, int('~'), int('\t'), int('-'), int('\r'), int('\n')})
        t[b] = true;
    return t;
}();

class Reader {
public:
    Reader(std::string_view s, char range_mark) : s_(s), range_(range_mark) {}

    Normalised run() {
        Normalised n;
        n.text.reserve(s_.size());
        for (std::size_t i = 0; i < s_.size();) {
            const unsigned char c = byte(i);
            if (!kMayBeginForm[c]) {
                if (c != ' ')
                    blank_line_ = false;
                n.text.push_back(static_cast<char>(c));
                ++i;
                continue;
            }
            std::size_t length = 1;
            const char mapped = form(i, length);
            blank_line_ = (mapped == ' ' && (c == '\n' || c == '\r' || blank_line_)) ||
                          (blank_line_ && (c == ' ' || c == '\t'));
            if (length != 1)
                n.forms.push_back(Form{n.text.size(), length});
            n.text.push_back(mapped);
            i += length;
        }
        return n;
    }

private:
    // The byte at `i`, or -1 past the end.
    int byte(std::size_t i) const {
        return i < s_.size() ? static_cast<unsigned char>(s_[i]) : -1;
    }

    // What the form that begins at `i` reads as; `length` becomes the
    // number of bytes it takes.
    char form(std::size_t i, std::size_t &length) const {
        const int c = byte(i);
        switch (c) {
        case 0xE2: // en and em dash (E2 80 93/94); thin and narrow no-break space
            if (byte(i + 1) == 0x80) {
                const int third = byte(i + 2);
                if (third == 0x93 || third == 0x94 || third == 0x89 || third == 0xAF) {
                    length = 3;
                    return third == 0x93 || third == 0x94 ? range_ : ' ';
                }
            }
            return static_cast<char>(c);
        case 0xC2: // no-break space
            if (byte(i + 1) == 0xA0) {
                length = 2;
                return ' ';
            }
            return static_cast<char>(c);
        case '~':
        case '\t': return ' ';
        case '-': // TeX "--" and "---"
            if (byte(i + 1) == '-') {
                length = byte(i + 2) == '-' ? 3 : 2;
                return range_;
            }
            return '-';
        case '\r':
            if (byte(i + 1) == '\n') {
                length = 2;
                return line_break(i + 2);
            }
            return '\r';
        default: // '\n'
            return line_break(i + 1);
        }
    }

    // A line break inside a paragraph is a space; one that ends a paragraph
    // (an empty or blank line follows or precedes it) or the text stays.
    char line_break(std::size_t next) const {
        const int n = byte(next);
        return n < 0 || n == '\n' || n == '\r' || blank_line_ ? '\n' : ' ';
    }

    std::string_view s_;
    char range_;
    bool blank_line_ = false; // only blanks since a line break became a space
};

} // namespace

Normalised normalise(std::string_view original, char range_mark) {
    return Reader(original, range_mark).run();
}

} // namespace tovrin_python
