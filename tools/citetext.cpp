#include "citetext.h"

#include <cstdlib>

#include "escape.h"

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

std::optional<std::string> osis_references(const std::string &cite, LANG *l) {
    if (tovrin_versification_of(l, 0) == nullptr)
        return std::nullopt;
    char *text = tovrin_osis(cite.c_str(), l, nullptr, 0);
    if (text == nullptr)
        return std::nullopt;
    return take_text(text);
}

std::string citation_problem(const std::string &cite, LANG *l, Bare bare,
                             const std::string &shown,
                             const std::function<long(std::size_t)> &column) {
    const char *s = cite.c_str();
    const std::string in = " in '" + shown + "'";
    if (const int stop = tovrin_check1(s, l))
        return "not a citation: stops at column " + std::to_string(column(stop)) + in;
    if (char *bad = tovrin_check2(s, l))
        return "unknown book name '" + take_text(bad) + "'" + in;
    if (char *bad = tovrin_check3(s, l))
        return "chapter or verse number '" + take_text(bad) + "' out of range 1-999" + in;
    if (tovrin_check4(s, l))
        return "reversed range" + in;
    if (bare == Bare::rejected && tovrin_check9(s, l))
        return "missing chapter" + in;
    return "";
}

std::string citation_problem(const std::string &cite, LANG *l, Bare bare) {
    return citation_problem(cite, l, bare, cite, [&cite](std::size_t stop) {
        // The terminator counts: a text that ends too early stops one past it.
        return static_cast<long>(characters(cite.data(), stop - 1)) + 1;
    });
}

std::string citation_problem(const Normalized &read, const std::string &original, LANG *l,
                             Bare bare) {
    return citation_problem(read.text, l, bare, original, [&](std::size_t stop) {
        return static_cast<long>(characters(original.data(), read.origin[stop - 1])) + 1;
    });
}

} // namespace cli
