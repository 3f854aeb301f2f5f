// _tovrin: the binding of libtovrin for Python, a thin layer over the C++
// interface (tovrin.hpp) and the C API. The Pythonic API (tovrin/__init__.py)
// is built on top of it: this layer takes and gives bytes, numbers and
// tuples, and knows nothing of Python's idioms.
//
// Threads: every call runs with the GIL held, which also keeps the
// library's services (whose number formatting uses one static buffer) to
// one thread at a time, except the search for citations in Language.scan
// and Language.table, which releases the GIL: it runs the block scanner,
// whose state is its own, so that scans in several threads run at once.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "finder.h"
#include "forms.h"
#include "tovrin.hpp"

namespace py = pybind11;

namespace {

using tovrin::Language;

// Text produced by the library or taken from the input, as str: bytes that
// are not UTF-8 survive as lone surrogates ("surrogateescape"), and str
// input comes back exactly as it went in ("surrogatepass").
py::str decode(std::string_view s, const char *errors = "surrogateescape") {
    PyObject *o = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), errors);
    if (o == nullptr)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

std::string_view view_of(const py::buffer_info &info) {
    if (info.ndim != 1 || info.itemsize != 1 || info.strides[0] != 1)
        throw py::type_error("scan takes str, or bytes-like data of single bytes");
    return {static_cast<const char *>(info.ptr), static_cast<std::size_t>(info.size)};
}

// The library's tables of a language are built on first use. They are
// built here, with the GIL held, before any scan of the language runs
// without it.
void build_tables(Language l) {
    (void)tovrin::check("Gn 1,1", l);
    tovrin_python::find(l, "Gn 1,1", tovrin_python::FindOptions{});
}

class ConfigHandle {
public:
    // tovrin::Config checks the file before the loader reads it and throws
    // config_error for one that the loader would end the process on; so
    // does a broken phrase line, which the command line ends on.
    explicit ConfigHandle(const std::string &path) : config_(path) {
        if (config_.languages().empty())
            throw tovrin::config_error(path, 0, "no languages in it");
        tovrin_python::load_phrases(path, config_.languages());
    }

    std::optional<Language> language(std::string_view name) const {
        std::optional<Language> l = config_.language(name);
        if (l)
            build_tables(*l);
        return l;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (Language l : config_.languages())
            all.emplace_back(l.name());
        return all;
    }

private:
    tovrin::Config config_;
};

// The citations of `text`, searched with the GIL released.
std::vector<tovrin_python::Found> search(Language l, std::string_view text,
                                         const tovrin_python::FindOptions &o) {
    py::gil_scoped_release unlocked;
    return tovrin_python::find(l, text, o);
}

py::str text_of(std::string_view text, const tovrin_python::Found &f, const char *errors) {
    return decode(text.substr(f.start, f.end - f.start), errors);
}

py::list scan(Language l, const py::buffer &data, bool exact, bool characters, bool places) {
    const py::buffer_info info = data.request();
    const std::string_view text = view_of(info);
    const char *errors = characters ? "surrogatepass" : "surrogateescape";
    py::list out;
    for (const tovrin_python::Found &f :
         search(l, text, tovrin_python::FindOptions{exact, characters, places}))
        out.append(py::make_tuple(f.first, f.last, f.line, f.column, text_of(text, f, errors),
                                  py::bytes(f.normalised),
                                  decode(tovrin::expand(f.normalised, l))));
    return out;
}

// The OSIS references of `cite`, or None where the library writes none and
// in a language without numbering systems, whose marks no table resolves
// (as tovrin scan writes them).
py::object osis_of(Language l, const std::string &cite) {
    if (tovrin_versification_of(l.get(), 0) == nullptr)
        return py::none();
    const std::optional<std::string> refs = tovrin::osis(cite, l);
    return refs ? py::object(decode(*refs)) : py::none();
}

// The units of `cite` with their marks applied, as the expansion writes them.
tovrin::UnitArray expanded_units(Language l, const std::string &cite) {
    tovrin::UnitArray pp(makepus(cite.c_str(), l.get()));
    adjpus_n(pp.get());
    adjpus_plus(pp.get());
    adjpus_v01(pp.get());
    return pp;
}

// The citations of a block of bytes as columns, for a table of a corpus:
// byte offset, line, column, text, canonical text, OSIS references (None
// where none can be written), and the book (main
// name), chapter and verse of the start of the first unit and of the end
// of the last; None where the citation gives none.
py::dict table(Language l, const py::buffer &data, bool exact) {
    const py::buffer_info info = data.request();
    const std::string_view text = view_of(info);
    const char *names[] = {"offset", "line", "column", "text", "canonical", "osis",
                           "start_book", "start_chapter", "start_verse",
                           "end_book", "end_chapter", "end_verse"};
    std::vector<py::list> columns(std::size(names));
    auto number = [](int n) { return n > 0 ? py::object(py::int_(n)) : py::object(py::none()); };
    auto book = [l](int n) -> py::object {
        const std::optional<std::string_view> name = l.book_name(n);
        return name ? py::object(decode(*name)) : py::none();
    };
    for (const tovrin_python::Found &f :
         search(l, text, tovrin_python::FindOptions{exact, false, true})) {
        const tovrin::UnitArray pp = expanded_units(l, f.normalised);
        const PARS_UNIT &first = **pp.get();
        PARS_UNIT **last = pp.get();
        while (last[1] != nullptr)
            ++last;
        const py::object row[] = {
            py::int_(f.start), py::int_(f.line), py::int_(f.column),
            text_of(text, f, "surrogateescape"), decode(tovrin::expand(f.normalised, l)),
            osis_of(l, f.normalised), book(first.bf), number(first.cf), number(first.vf),
            book((*last)->b), number((*last)->c), number((*last)->v)};
        for (std::size_t k = 0; k < columns.size(); ++k)
            columns[k].append(row[k]);
    }
    py::dict out;
    for (std::size_t k = 0; k < columns.size(); ++k)
        out[names[k]] = columns[k];
    return out;
}

// The first of the scanner's checks that `cite` (as written, its forms
// read) fails: (the check's number, the column from 1 in characters of
// `cite` where lexing stops, the offending token), or (0, 0, b""). With
// `whole_books` a book without a chapter passes, as it does in the
// services, where it stands for the whole book.
py::tuple check(Language l, std::string_view cite, bool whole_books) {
    using tovrin::Check;
    const tovrin_python::Normalised read = tovrin_python::normalise(l, cite);
    for (Check which : {Check::lexing, Check::unknown_book, Check::bad_number,
                        Check::reversed_range, Check::no_chapter}) {
        if (which == Check::no_chapter && whole_books)
            continue;
        const tovrin::CheckResult r = tovrin::check(which, read.text, l);
        if (r.ok())
            continue;
        std::size_t column = 0;
        if (which == Check::lexing) {
            // The position counts from 1 and may be the terminator's.
            tovrin_python::OriginalOffsets original(read.forms);
            const std::size_t stop = original(static_cast<std::size_t>(r.position) - 1);
            column = tovrin_python::characters(cite.substr(0, stop)) + 1;
        }
        return py::make_tuple(static_cast<int>(which), column, py::bytes(r.text));
    }
    return py::make_tuple(0, 0, py::bytes());
}

py::str expand(Language l, const std::string &cite, std::optional<Language> to, bool sort) {
    if (sort)
        return decode(tovrin::expand_sort(cite, l, to.value_or(l)));
    return decode(to ? tovrin::expand_bl(cite, l, *to) : tovrin::expand(cite, l));
}

std::optional<py::str> translate(Language l, const std::string &cite, Language to) {
    std::optional<std::string> t = tovrin::trans_cite(cite, l, to);
    if (!t)
        return std::nullopt;
    return decode(*t);
}

py::list units(Language l, const std::string &cite) {
    const tovrin::UnitArray pp = expanded_units(l, cite);
    py::list out;
    for (PARS_UNIT **u = pp.get(); *u != nullptr; ++u) {
        const PARS_UNIT &p = **u;
        out.append(py::make_tuple(p.bf, p.cf, p.vf, static_cast<int>(p.abf), p.b, p.c, p.v,
                                  static_cast<int>(p.ab), p.fl));
    }
    return out;
}

py::list tokens(Language l, const std::string &cite) {
    py::list out;
    for (const tovrin::Token &t : tovrin::tokens(cite, l))
        out.append(py::make_tuple(t.kind, decode(t.text), t.offset));
    return out;
}

py::list books(Language l) {
    py::list out;
    for (const BOOKS *b = l.get()->books; b != nullptr; b = b->next) {
        py::list names;
        for (const BOOK *n = b->book; n != nullptr; n = n->next)
            names.append(decode(n->abbrev));
        out.append(names);
    }
    return out;
}

} // namespace

PYBIND11_MODULE(_tovrin, m) {
    m.doc() = "The binding of libtovrin; use the package tovrin instead.";
    m.attr("VERSION") = TOVRIN_VERSION;
    // tovrin::config_error as ConfigError, with its file, line (0 for the
    // file as a whole) and message.
    static py::exception<tovrin::config_error> config_error(m, "ConfigError", PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const tovrin::config_error &e) {
            py::object error = py::handle(config_error.ptr())(e.what());
            error.attr("file") = e.file();
            error.attr("line") = e.line();
            error.attr("message") = e.message();
            PyErr_SetObject(config_error.ptr(), error.ptr());
        }
    });

    py::class_<Language>(m, "Language")
        .def_property_readonly("name", [](Language l) { return decode(l.name()); })
        .def_property_readonly("book_count", &Language::book_count)
        .def("__eq__", [](Language a, Language b) { return a == b; })
        .def("__hash__", [](Language l) { return std::hash<const void *>()(l.get()); })
        .def("scan", &scan, py::arg("data"), py::arg("exact"), py::arg("characters"),
             py::arg("places"))
        .def("table", &table, py::arg("data"), py::arg("exact"))
        .def("check", &check, py::arg("cite"), py::arg("whole_books"))
        .def("expand", &expand, py::arg("cite"), py::arg("to"), py::arg("sort"))
        .def("translate", &translate)
        .def("overlaps", [](Language a, const std::string &x, const std::string &y,
                            Language b) { return tovrin::overlaps(x, y, a, b); })
        // Negative when x comes first, as Python's comparison functions answer.
        .def("order", [](Language a, const std::string &x, const std::string &y, Language b) {
            const std::weak_ordering o = tovrin::order(x, y, a, b);
            return o < 0 ? -1 : o > 0 ? 1 : 0;
        })
        .def("units", &units)
        .def("tokens", &tokens)
        .def("books", &books)
        .def("read_forms", [](Language l, const std::string &cite) {
            return py::bytes(tovrin_python::read_forms(l, cite));
        })
        .def("osis", &osis_of);

    py::class_<ConfigHandle>(m, "Config")
        .def(py::init<const std::string &>())
        .def("language", &ConfigHandle::language)
        .def("names", &ConfigHandle::names);
}
