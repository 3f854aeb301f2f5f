// The commands on single citations: tokens, units, books, expand,
// translate and compare. Citations come from the arguments or, without
// them, one per line from standard input, so the services work as filters
// in a pipeline.
//
// Each citation is read as the library reads texts (typographic forms,
// decomposed letters, phrases) unless --exact is given, and checked as the scanner checks candidates
// before any service sees it: the services answer anything ("???" for an
// unknown book, "?!?" for a number out of range), which would pass garbage
// down a pipeline as a result. A citation that fails gets an empty output
// line, so that the output stays aligned with the input, and a message in
// lint's words on standard error; the command goes on and exits 1.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "citetext.h"
#include "cli.h"
#include "textscan.h"
#include "tovrin.h"

namespace cli {

namespace {

const char *kind_name(int kind) {
    static const std::map<int, const char *> names = {
        {TK_BOOK, "TK_BOOK"},         {TK_BOOK_FROM, "TK_BOOK_FROM"},
        {TK_CHAPTER, "TK_CHAPTER"},   {TK_CHAPTER_FROM, "TK_CHAPTER_FROM"},
        {TK_VERSE, "TK_VERSE"},       {TK_VERSE_FROM, "TK_VERSE_FROM"},
        {TK_NEXT, "TK_NEXT"},         {TK_NEXT2, "TK_NEXT2"},
        {TK_OPEN_END, "TK_OPEN_END"}, {TK_PART, "TK_PART"},
        {TK_PART_FROM, "TK_PART_FROM"},
    };
    auto it = names.find(kind);
    return it == names.end() ? "?" : it->second;
}

const std::string &single_text(const Options &o) {
    if (o.args.size() != 1)
        usage_error(o.command + " takes exactly one TEXT");
    return o.args[0];
}

// The text a command works on: `original` read with the typographic forms.
std::string read_text(const Options &o, const std::string &original, LANG *l) {
    const tovrin_options read = text_options(o.exact);
    return take_text(tovrin_read_citation(original.c_str(), l, &read));
}

// Reads and checks one citation of the command `o`: its text for the
// services, or nullopt after the message (the caller writes the empty line).
std::optional<std::string> read_citation(const Options &o, const std::string &original,
                                         LANG *l) {
    UserCitation cite = read_user_citation(original, l, o.exact);
    if (cite.problem.empty())
        return std::move(cite.read);
    std::cout.flush();
    std::cerr << "tovrin: " << o.command << ": " << cite.problem << "\n";
    return std::nullopt;
}

// Runs `each` on every line of standard input (a final carriage return
// removed); the result is 1 when any call gave 1.
template <typename Each> int for_each_line(Each each) {
    int status = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        status |= each(line);
    }
    return status;
}

// Runs `each` on every citation: the arguments, or the lines of stdin.
template <typename Each> int for_each_citation(const Options &o, Each each) {
    if (o.args.empty())
        return for_each_line(each);
    int status = 0;
    for (const auto &a : o.args)
        status |= each(a);
    return status;
}

// Writes the result of a service for one citation: a line of its own.
void print_owned(char *text) {
    std::cout << (text != nullptr ? text : "") << "\n";
    std::free(text);
}

// The output line of a citation that failed its checks.
int failed_line() {
    std::cout << "\n";
    return 1;
}

// Both citations in one numbering system, so that "Ps 22" of the Vulgate
// and "Ps 23" of the Hebrew text are one passage; with `exact`, the
// comparison of the exact reading ("Ju 5" is chapter 5, numbers as written).
void print_comparison(const std::string &a, const std::string &b, LANG *l1, LANG *l2,
                      bool exact) {
    int overlap_answer = 0;
    const int order = exact ? tovrin_comp(a.c_str(), b.c_str(), l1, l2)
                            : tovrin_compare_mapped(a.c_str(), b.c_str(), l1, l2, &overlap_answer);
    if (exact)
        overlap_answer = tovrin_is_equal(a.c_str(), b.c_str(), l1, l2);
    const bool overlap = overlap_answer == 1;
    std::cout << (overlap ? "overlap" : "disjoint") << '\t'
              << (order == 1 ? "first" : order == -1 ? "second" : "same") << "\n";
}

// Writes a mapped citation: the text on stdout, the notes of the units
// given only as the nearest passage on stderr.
void print_mapped(const std::string &cite, LANG *from, LANG *to,
                  const tovrin_versification *target) {
    int approximate = 0;
    char *text = tovrin_map(cite.c_str(), from, to, target, &approximate);
    if (approximate != 0) {
        char *notes = tovrin_map_notes(cite.c_str(), from, to, target);
        std::cout.flush();
        std::cerr << "tovrin: " << notes << "\n";
        std::free(notes);
    }
    print_owned(text);
}

// Whether mapping `cite` into the first system of `to` changes its numbers,
// as against reading it in the first system of `from`.
bool numbers_move(const std::string &cite, LANG *from, LANG *to) {
    char *mapped = tovrin_map(cite.c_str(), from, to, nullptr, nullptr);
    char *kept = tovrin_map(cite.c_str(), from, to, tovrin_versification_of(from, 0), nullptr);
    const bool moved = std::string(mapped != nullptr ? mapped : "") != (kept != nullptr ? kept : "");
    std::free(mapped);
    std::free(kept);
    return moved;
}

// Writes OSIS ids mapped into `target`; the first line of all says on
// stderr which numbering the ids follow.
void print_osis_mapped(const std::string &cite, LANG *l, const tovrin_versification *target) {
    static bool said = false;
    if (!said) {
        std::cerr << "tovrin: osis ids follow " << tovrin_versification_name(target) << "\n";
        said = true;
    }
    int approximate = 0;
    char *text = tovrin_osis_mapped(cite.c_str(), l, target, &approximate);
    if (approximate != 0) {
        char *notes = tovrin_map_notes(cite.c_str(), l, l, target);
        std::cout.flush();
        std::cerr << "tovrin: " << notes << "\n";
        std::free(notes);
    }
    print_owned(text);
}

} // namespace

int cmd_tokens(const Options &o) {
    LANG *l = language(o.lang);
    const std::string text = read_text(o, single_text(o), l);
    PARS p;
    tovrin_pinit(&p, l);
    int status = 0;
    for (std::size_t i = 0; p.end != 1; ++i) {
        tovrin_parser(static_cast<signed char>(text.c_str()[i]), &p);
        if (p.errr == 1) {
            std::printf("error at %zu\n", i + 1);
            status = 1;
        } else if (p.ousta > 0) {
            std::printf("%s\t%s\n", kind_name(p.ousta), p.out);
        }
    }
    tovrin_pfree(&p);
    return status;
}

int cmd_units(const Options &o) {
    LANG *l = language(o.lang);
    const std::optional<std::string> cite = read_citation(o, single_text(o), l);
    if (!cite)
        return failed_line();
    std::cout.flush();
    PARS_UNIT **pp = makepus(cite->c_str(), l);
    printpus(pp, l);
    freepus(pp);
    return 0;
}

int cmd_books(const Options &o) {
    if (!o.args.empty())
        usage_error("books takes no arguments");
    LANG *l = language(o.lang);
    // The chapters of each book in the numbering its readers use; a
    // language that names no numbering system gets no such column.
    const tovrin_versification *v = tovrin_versification_of(l, 0);
    int n = 1;
    for (BOOKS *b = l->books; b != nullptr; b = b->next, ++n) {
        std::printf("%d\t", n);
        bookprn(stdout, l, n);
        if (v != nullptr) {
            const int chapters = tovrin_chapters(v, n);
            std::printf("\t%s", chapters > 0 ? std::to_string(chapters).c_str() : "-");
        }
        std::printf("\n");
    }
    return 0;
}

// The names of the built-in numbering systems, joined by ", ".
std::string system_names() {
    std::string names;
    const tovrin_versification *v = nullptr;
    for (int k = 0; (v = tovrin_versification_at(k)) != nullptr; ++k)
        names += (k > 0 ? ", " : "") + std::string(tovrin_versification_name(v));
    return names;
}

// The numbering that resolves the marks for expand: the system named with
// --versification, or null for the language's own (for each book the first
// of its systems that has it). A language that names none needs a NAME, for
// OSIS too: only then are its book numbers known to be the shipped book
// order that OSIS names follow.
const tovrin_versification *numbering(const Options &o, LANG *l) {
    if (o.versification.empty()) {
        if ((o.versified || o.to == "osis") && tovrin_versification_of(l, 0) == nullptr)
            usage_error(std::string("language '") + l->name +
                        "' names no numbering system: give one with --versification NAME "
                        "(systems: " + system_names() + ")");
        return nullptr;
    }
    const tovrin_versification *v = tovrin_versification_find(o.versification.c_str());
    if (v == nullptr)
        usage_error("unknown numbering system '" + o.versification +
                    "' (systems: " + system_names() + ")");
    return v;
}

// The options of expand that go only with others, checked before any output.
void check_expand_options(const Options &o) {
    const bool osis = o.to == "osis";
    if (o.parts && !osis)
        usage_error("--parts goes with --to osis");
    if (o.sort && (osis || o.versified))
        usage_error(std::string("--sort does not go with ") +
                    (osis ? "--to osis" : "--versification"));
}

int cmd_expand(const Options &o) {
    check_expand_options(o);
    LANG *from = language(o.lang);
    const tovrin_versification *v = numbering(o, from);
    // OSIS names the books itself: "osis" is no language here.
    const bool osis = o.to == "osis";
    LANG *to = o.to.empty() || osis ? from : language(o.to);
    // Into another language the passage is numbered as that language's
    // readers number it, unless --exact or --sort asks for the text as
    // written.
    const bool maps = to != from && !o.exact && !o.sort;
    return for_each_citation(o, [&](const std::string &original) {
        const std::optional<std::string> cite = read_citation(o, original, from);
        if (!cite)
            return failed_line();
        const char *text = cite->c_str();
        if (osis && v != nullptr && !o.parts)
            print_osis_mapped(*cite, from, v);
        else if (osis)
            print_owned(tovrin_osis(text, from, v, o.parts ? TOVRIN_OSIS_PARTS : 0u));
        else if (o.versified)
            print_owned(tovrin_expand_versified(text, from, to, v));
        else if (maps)
            print_mapped(*cite, from, to, nullptr);
        else
            print_owned(o.sort ? tovrin_expand_sort(text, from, to)
                               : tovrin_expand_bl(text, from, to));
        return 0;
    });
}

int cmd_translate(const Options &o) {
    if (o.to.empty())
        usage_error("translate needs --to LANG");
    LANG *from = language(o.lang);
    LANG *to = language(o.to);
    return for_each_citation(o, [&](const std::string &original) {
        const std::optional<std::string> cite = read_citation(o, original, from);
        if (!cite)
            return failed_line();
        // A citation that passed the checks lexes, so trans_cite answers.
        // The shape of the citation is kept where the numbers stay.
        if (o.exact || !numbers_move(*cite, from, to))
            print_owned(trans_cite(cite->c_str(), from, to));
        else
            print_mapped(*cite, from, to, nullptr);
        return 0;
    });
}

int cmd_compare(const Options &o) {
    LANG *l1 = language(o.lang);
    LANG *l2 = o.lang2.empty() ? l1 : language(o.lang2);
    auto compare = [&](const std::string &a, const std::string &b) {
        const std::optional<std::string> first = read_citation(o, a, l1);
        const std::optional<std::string> second = read_citation(o, b, l2);
        if (!first || !second)
            return failed_line();
        print_comparison(*first, *second, l1, l2, o.exact);
        return 0;
    };
    if (!o.args.empty()) {
        if (o.args.size() != 2)
            usage_error("compare takes two citations");
        return compare(o.args[0], o.args[1]);
    }
    return for_each_line([&](const std::string &line) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) {
            std::cout.flush();
            std::cerr << "tovrin: compare: no tab in line '" << line << "'\n";
            return failed_line();
        }
        return compare(line.substr(0, tab), line.substr(tab + 1));
    });
}

} // namespace cli
