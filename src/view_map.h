// What the readers of running text share: where a byte of the text as read
// (the view of the text stage) stands in the original text, and its line
// and column there.
#ifndef TOVRIN_VIEW_MAP_H
#define TOVRIN_VIEW_MAP_H

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "text_stage.h"

namespace tovrin::detail {

// The view's forms from a point on, and the offset in the original of
// increasing view offsets.
class ViewMap {
public:
    // Where the stage appends the forms of the view it hands out.
    std::vector<ViewForm> &forms() { return forms_; }

    // The offset in the original text of view offset `at`; `at` never
    // decreases from one call to the next.
    long long to_original(long long at) {
        while (next_ < forms_.size() && forms_[next_].at < at) {
            extra_ += static_cast<long long>(forms_[next_].length) - 1;
            ++next_;
        }
        return at + extra_;
    }

    // Drops the forms already passed.
    void forget() {
        forms_.erase(forms_.begin(), forms_.begin() + static_cast<std::ptrdiff_t>(next_));
        next_ = 0;
    }

private:
    std::vector<ViewForm> forms_;
    std::size_t next_ = 0;  // the first form not yet passed
    long long extra_ = 0;   // original bytes the passed forms add
};

// Lines and columns up to increasing offsets of a text.
class Places {
public:
    // Moves on over `bytes`, the text from the current place on.
    void pass(std::string_view bytes) {
        const std::size_t last_break = bytes.rfind('\n');
        if (last_break == std::string_view::npos) {
            column_ += characters(bytes);
            return;
        }
        line_ += static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n'));
        column_ = 1 + characters(bytes.substr(last_break + 1));
    }
    long line() const { return line_; }
    long column() const { return column_; }

private:
    // A character begins at every byte that continues no UTF-8 sequence.
    static long characters(std::string_view bytes) {
        long n = 0;
        for (const char c : bytes)
            n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n;
    }
    long line_ = 1, column_ = 1;
};

} // namespace tovrin::detail

#endif
