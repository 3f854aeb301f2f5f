// The progress line of the text commands (scan, lint, index, map): on a
// terminal, while many files or a large one are read, standard error shows
// one line, rewritten in place, of the files and bytes done, the speed and
// the time left; it is cleared at the end. Pipes and logs get nothing.
#ifndef TOVRIN_TOOLS_PROGRESS_H
#define TOVRIN_TOOLS_PROGRESS_H

#include <cstddef>
#include <string>
#include <vector>

namespace cli::progress {

// Shows the line for reading `files` (none: standard input) while the
// object lives, when standard error is a terminal and the work is large
// enough to wait for (kManyFiles files, or kLargeBytes in all); `quiet`
// when the command's own output goes to the same terminal as it comes.
class Line {
public:
    explicit Line(const std::vector<std::string> &files, bool quiet = false);
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
};

inline constexpr std::size_t kManyFiles = 8;
inline constexpr long long kLargeBytes = 4ll << 20;

// `n` more bytes of the files read (from any thread); cheap when no line
// is shown.
void read(std::size_t n);
// One more file read whole.
void file_done();
// Clears the line before the command writes to the terminal; it is drawn
// again with the next bytes.
void clear();

} // namespace cli::progress

#endif
