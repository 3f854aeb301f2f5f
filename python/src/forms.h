// The typographic forms and phrases of running text, for a scan of a whole
// buffer.
//
// The scanner reads one byte per piece of punctuation. Real texts write a
// range with an en or em dash, TeX sources with "--" and ties ("Mt~5,3"),
// and inside a paragraph a line break is a space; they write book titles
// of three words or more ("Song of Solomon"), which bibl.ini gives as ">"
// phrases. The command line's text reader reads these forms and phrases
// (tovrin scan without --exact); the module runs the same reader, so that
// a scan from Python finds the same citations as the command line on the
// same file.
//
// normalise() gives the view the scanner is fed, one byte per form and a
// phrase as the name it stands for, and remembers only where the view and
// the original differ in length, so that every position and every
// citation's text can be given in the original at little memory cost for
// texts of gigabytes.
#ifndef TOVRIN_PYTHON_FORMS_H
#define TOVRIN_PYTHON_FORMS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tovrin.hpp"

namespace cli {
struct Phrases;
}

namespace tovrin_python {

// One byte of the view that stands for other than one original byte.
struct Form {
    std::size_t at;     // its index in the view
    std::size_t length; // the number of original bytes it stands for: 2 or 3
                        // for a form, the whole phrase for the first byte of
                        // a phrase's name, 0 for its other bytes
};

struct Normalised {
    std::string text;        // the view
    std::vector<Form> forms; // in order of `at`
};

// The view of `original` in which each typographic form of `l` is one
// byte: en and em dashes (U+2013, U+2014) and "--" or "---" become its
// range mark; "~", tabs, no-break, thin and narrow no-break spaces become a
// space, and so does a line break (LF or CR LF) inside a paragraph. A line
// break that ends a paragraph (the next line is empty or blank) or the
// text stays. A phrase of `l` becomes the name it stands for.
Normalised normalise(tovrin::Language l, std::string_view original);

// Reads the phrases of every language of the configuration `path`, which
// the library has loaded, for the scans of those languages. A broken
// phrase line throws tovrin::config_error naming it, where the command
// line ends with the same message.
void load_phrases(const std::string &path, const std::vector<tovrin::Language> &languages);

// Maps increasing positions of a view back to the original bytes.
class OriginalOffsets {
public:
    explicit OriginalOffsets(const std::vector<Form> &forms) : forms_(forms) {}

    // The original offset of view position `at`; `at` must not decrease
    // from one call to the next.
    std::size_t operator()(std::size_t at) {
        while (next_ < forms_.size() && forms_[next_].at < at) {
            extra_ += static_cast<std::ptrdiff_t>(forms_[next_].length) - 1;
            ++next_;
        }
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + extra_);
    }

private:
    const std::vector<Form> &forms_;
    std::size_t next_ = 0;     // first form not yet passed
    std::ptrdiff_t extra_ = 0; // bytes the passed forms add (or take away)
};

} // namespace tovrin_python

#endif
