#include "citetext.h"

#include <cstdlib>

namespace cli {

std::string take_text(char *s) {
    std::string r = s != nullptr ? s : "";
    std::free(s);
    return r;
}

std::string canonical(const std::string &cite, LANG *l) {
    return take_text(tovrin_expand(cite.c_str(), l));
}

Units expanded_units(const std::string &cite, LANG *l) {
    Units pp(makepus(cite.c_str(), l));
    adjpus_n(pp.get());
    adjpus_plus(pp.get());
    adjpus_v01(pp.get());
    return pp;
}

std::string unit_text(PARS_UNIT *u, LANG *l) {
    PARS_UNIT *one[2] = {u, nullptr};
    return take_text(tovrin_expus(one, l));
}

} // namespace cli
