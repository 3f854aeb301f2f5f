// The analysis behind `tovrin lint`, for the command and the web page.
#ifndef TOVRIN_TOOLS_LINT_H
#define TOVRIN_TOOLS_LINT_H

#include <functional>
#include <memory>
#include <string>

#include "textscan.h"
#include "tovrin.h"

namespace cli {

// One citation written wrongly: the scan that found it (its file and
// where() its places are), its place, and what is wrong, in words.
using LintReport =
    std::function<void(const Consumer &scan, const Place &at, const std::string &message)>;

// A consumer of the scan that hands every citation written wrongly in the
// language `l` to `report`, in the order of the text (`exact`: the bytes
// read as they are, without typographic forms and phrases).
std::unique_ptr<Consumer> lint_consumer(LANG *l, bool exact, LintReport report);

} // namespace cli

#endif
