#include "citetext.h"

#include <cstdlib>

#include "textscan.h"

namespace cli {

std::string take_text(char *s) {
    std::string r = s != nullptr ? s : "";
    std::free(s);
    return r;
}

std::string unit_text(const PARS_UNIT *u, LANG *l) {
    PARS_UNIT copy = *u;
    PARS_UNIT *one[2] = {&copy, nullptr};
    return take_text(tovrin_expus(one, l));
}

UserCitation read_user_citation(const std::string &written, LANG *l, bool exact) {
    const tovrin_options o = text_options(exact);
    return {take_text(tovrin_read_citation(written.c_str(), l, &o)),
            take_text(tovrin_problem(written.c_str(), l, &o, TOVRIN_PROBLEM_WHOLE_BOOK))};
}

} // namespace cli
