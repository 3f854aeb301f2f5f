// The typographic forms of running text, for a scan of a whole buffer.
//
// The scanner reads one byte per piece of punctuation. Real texts write a
// range with an en or em dash, TeX sources with "--" and ties ("Mt~5,3"),
// and inside a paragraph a line break is a space. The command line's text
// reader reads these forms (tovrin scan without --exact); the module runs
// the same reader, so that a scan from Python finds the same citations as
// the command line on the same file.
//
// normalise() gives the view the scanner is fed, one byte per form, and
// remembers only where the view is shorter than the original (a form of
// several bytes), so that every position and every citation's text can be
// given in the original at little memory cost for texts of gigabytes.
#ifndef TOVRIN_PYTHON_FORMS_H
#define TOVRIN_PYTHON_FORMS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovrin_python {

// One byte of the view that stands for more than one original byte.
struct Form {
    std::size_t at;     // its index in the view
    std::size_t length; // the number of original bytes it stands for (2 or 3)
};

struct Normalised {
    std::string text;        // the view
    std::vector<Form> forms; // in order of `at`
};

// The view of `original` in which each typographic form is one byte: en
// and em dashes (U+2013, U+2014) and "--" or "---" become `range_mark`;
// "~", tabs, no-break, thin and narrow no-break spaces become a space, and
// so does a line break (LF or CR LF) inside a paragraph. A line break that
// ends a paragraph (the next line is empty or blank) or the text stays.
Normalised normalise(std::string_view original, char range_mark);

// Maps increasing positions of a view back to the original bytes.
class OriginalOffsets {
public:
    explicit OriginalOffsets(const std::vector<Form> &forms) : forms_(forms) {}

    // The original offset of view position `at`; `at` must not decrease
    // from one call to the next.
    std::size_t operator()(std::size_t at) {
        while (next_ < forms_.size() && forms_[next_].at < at) {
            extra_ += forms_[next_].length - 1;
            ++next_;
        }
        return at + extra_;
    }

private:
    const std::vector<Form> &forms_;
    std::size_t next_ = 0;  // first form not yet passed
    std::size_t extra_ = 0; // bytes the passed forms add
};

} // namespace tovrin_python

#endif
