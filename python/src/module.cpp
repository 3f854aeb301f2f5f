// _tovrin: the binding of libtovrin for Python, a thin layer over the C++
// interface (tovrin.hpp). The Pythonic API (tovrin/__init__.py) is built on
// top of it: this layer takes and gives bytes, numbers and tuples, and
// knows nothing of Python's idioms. Every reading of a text and every
// answer comes from the library; what is done here is only what Python
// needs: str positions instead of byte offsets, and exceptions.
//
// Threads: Language.scan runs the library's reader with the GIL released
// (a reader's state is its own, and the library's shared tables are
// guarded), so that scans in several threads run at once; the records are
// turned into Python objects afterwards, with the GIL held.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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

// Python indexes a str by code points, the library its UTF-8 form by bytes
// (a lone surrogate, written with "surrogatepass", is three bytes and one
// code point). Maps byte offsets, asked for in increasing order, to code
// point indices.
class CodePoints {
public:
    explicit CodePoints(std::string_view utf8) : utf8_(utf8) {}
    long long operator()(long long offset) {
        for (; byte_ < offset; ++byte_)
            index_ += (static_cast<unsigned char>(utf8_[byte_]) & 0xC0) != 0x80;
        return index_;
    }

private:
    std::string_view utf8_;
    long long byte_ = 0, index_ = 0;
};

// A unit as a tuple: (bf, cf, vf, abf, b, c, v, ab, fl), the start, the
// end and the mark, 0 where not given.
py::tuple unit_row(const tovrin::Unit &u) {
    return py::make_tuple(u.bf, u.cf, u.vf, static_cast<int>(u.abf), u.b, u.c, u.v,
                          static_cast<int>(u.ab), u.fl);
}

py::list unit_rows(const std::vector<tovrin::Unit> &units) {
    py::list out;
    for (const tovrin::Unit &u : units)
        out.append(unit_row(u));
    return out;
}

// OSIS references as a list ("Matt.5.3-Matt.5.12,Luke.6.20" is two), or
// None in a language without numbering systems.
py::object osis_list(const std::optional<std::string> &refs) {
    if (!refs)
        return py::none();
    py::list out;
    std::string_view rest = *refs;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        out.append(decode(rest.substr(0, comma)));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return out;
}

py::list str_list(const std::vector<std::string> &items) {
    py::list out;
    for (const std::string &s : items)
        out.append(decode(s));
    return out;
}

// The records of `text`, read with the GIL released.
std::vector<tovrin::Citation> read_records(Language l, std::string_view text,
                                           const tovrin::Options &o) {
    py::gil_scoped_release unlocked;
    return l.scan(text, o);
}

// The citations of `data` as rows (start, end, line, column, text,
// canonical, osis, books, units): positions in bytes, or in code points
// with `characters` (the data being a str's UTF-8 form); line and column 0
// unless `places`.
py::list scan(Language l, const py::buffer &data, bool exact, bool characters, bool places,
              const std::string &sigla) {
    const py::buffer_info info = data.request();
    const std::string_view text = view_of(info);
    tovrin::Options o;
    o.exact = exact;
    o.sigla = sigla;
    o.without = places ? 0u : TOVRIN_WITHOUT_PLACES;
    const char *errors = characters ? "surrogatepass" : "surrogateescape";
    CodePoints code_points(text);
    py::list out;
    const auto at = [&](long long offset) { return characters ? code_points(offset) : offset; };
    const auto text_or_none = [](const std::string &s) -> py::object {
        return s.empty() ? py::object(py::none()) : py::object(decode(s));
    };
    for (const tovrin::Citation &c : read_records(l, text, o)) {
        const long long end = c.offset + c.length;
        const long long start = at(c.offset);
        // The optional verses, from the citation's start, in the same units.
        py::list optional;
        for (const auto &[offset, length] : c.optional) {
            const long long from = at(c.offset + offset);
            optional.append(py::make_tuple(from - start, at(c.offset + offset + length) - from));
        }
        out.append(py::make_tuple(start, at(end), c.line, c.column, decode(c.text, errors),
                                  decode(c.canonical), osis_list(c.osis),
                                  str_list(c.osis_books()), unit_rows(c.units), optional,
                                  text_or_none(c.alternate), text_or_none(c.translation),
                                  c.versification ? py::object(py::str(*c.versification))
                                                  : py::object(py::none())));
    }
    return out;
}

// Throws citation_error when `cite` fails the checks of `flags`; its
// chapters and verses must exist when `existing`.
void require(Language l, const std::string &cite, unsigned flags, bool existing) {
    tovrin_options o = tovrin_default_options();
    o.existing = existing;
    const tovrin::CString why(tovrin_problem(cite.c_str(), l.get(), &o, flags));
    if (why != nullptr)
        throw tovrin::citation_error(why.get(), cite);
}

py::str expand(Language l, const std::string &cite, std::optional<Language> to, bool sort) {
    // The library's expansion checks the citation and the books of `to`.
    const std::string canonical = to ? l.expand(cite, *to) : l.expand(cite);
    if (!sort)
        return decode(canonical);
    return decode(tovrin::expand_sort(l.read(cite), l, to.value_or(l)));
}

// The units of `cite` with their marks applied, as in a citation's record.
py::list units(Language l, const std::string &cite) {
    py::list out;
    for (const tovrin::Unit &u : l.units(cite))
        out.append(unit_row(u));
    return out;
}

// The lexer's tokens of `cite`; citation_error where the lexer stops.
py::list tokens(Language l, const std::string &cite) {
    py::list out;
    for (const tovrin::Token &t : tovrin::tokens(l.read(cite), l)) {
        if (t.kind == TK_ERROR)
            require(l, cite, TOVRIN_PROBLEM_WHOLE_BOOK, false);
        out.append(py::make_tuple(t.kind, decode(t.text)));
    }
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

std::vector<std::string> names(const tovrin::Config &c) {
    std::vector<std::string> all;
    for (Language l : c.languages())
        all.emplace_back(l.name());
    return all;
}

// The reason of a citation error: lint's words without the " in 'CITE'"
// that names the citation, which the exception carries apart. It ends the
// words, or stands before the book a misspelt name means ("unknown book
// name 'Zalm' in 'Zalm 23,1' (did you mean 'Žalm'?)").
std::string reason_of(const tovrin::citation_error &e) {
    const std::string words = e.what();
    const std::string in = " in '" + e.citation() + "'";
    const std::size_t at = words.rfind(in);
    if (at == std::string::npos || at == 0)
        return words;
    return words.substr(0, at) + words.substr(at + in.size());
}

// The library's exceptions as Python's: config_error as ConfigError (file,
// line: 0 for the file as a whole, message), citation_error as
// CitationError (reason, citation), language_error as KeyError.
void register_errors(py::module_ &m) {
    using namespace pybind11::literals;
    static py::exception<tovrin::config_error> config_error(m, "ConfigError", PyExc_ValueError);
    static py::exception<tovrin::citation_error> citation_error(m, "CitationError",
                                                                PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        const auto raise = [](const py::object &type, const py::dict &attributes,
                              const char *what) {
            py::object error = type(decode(what));
            for (auto [name, value] : attributes)
                py::setattr(error, name, value);
            PyErr_SetObject(type.ptr(), error.ptr());
        };
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const tovrin::config_error &e) {
            raise(config_error, py::dict("file"_a = e.file(), "line"_a = e.line(),
                                         "message"_a = e.message()),
                  e.what());
        } catch (const tovrin::citation_error &e) {
            raise(citation_error, py::dict("reason"_a = decode(reason_of(e)),
                                           "citation"_a = decode(e.citation())),
                  e.what());
        } catch (const tovrin::language_error &e) {
            PyErr_SetString(PyExc_KeyError, e.what());
        }
    });
}

// The counts of `tovrin map` as JSON: `cited` holds units as unit_row()
// gives them, each followed by the places citing it.
std::string coverage(Language l, const std::vector<std::array<int, 10>> &cited, bool by_verse,
                     const std::string &book) {
    std::vector<tovrin_cited> units;
    for (const auto &r : cited) {
        PARS_UNIT u{};
        u.bf = r[0], u.cf = r[1], u.vf = r[2], u.abf = static_cast<signed char>(r[3]);
        u.b = r[4], u.c = r[5], u.v = r[6], u.ab = static_cast<signed char>(r[7]), u.fl = r[8];
        units.push_back({u, r[9]});
    }
    int number = 0;
    if (!book.empty() && (number = l.find_book(book)) == 0)
        throw py::value_error("unknown book '" + book + "' in the language " + std::string(l.name()));
    return tovrin::coverage(l, units, by_verse ? TOVRIN_MAP_BY_VERSE : 0, number);
}

} // namespace

PYBIND11_MODULE(_tovrin, m) {
    using namespace pybind11::literals;
    m.doc() = "The binding of libtovrin; use the package tovrin instead.";
    m.attr("VERSION") = TOVRIN_VERSION;
    register_errors(m);

    py::class_<Language>(m, "Language")
        .def_property_readonly("name", [](Language l) { return decode(l.name()); })
        .def_property_readonly("book_count", &Language::book_count)
        .def("__eq__", [](Language a, Language b) { return a == b; })
        .def("__hash__", [](Language l) { return std::hash<const void *>()(l.get()); })
        .def("scan", &scan, "data"_a, "exact"_a, "characters"_a, "places"_a, "sigla"_a)
        .def("require", [](Language l, const std::string &cite, bool whole_books,
                           bool existing) {
            require(l, cite, whole_books ? TOVRIN_PROBLEM_WHOLE_BOOK : 0u, existing);
        }, "cite"_a, "whole_books"_a, "existing"_a)
        .def("expand", &expand, "cite"_a, "to"_a, "sort"_a)
        .def("translate", [](Language l, const std::string &cite, Language to) {
            return decode(l.translate(cite, to));
        })
        // The order negative when a comes first, as Python's comparison
        // functions answer.
        .def("compare", [](Language l, const std::string &a, const std::string &b,
                           Language b_lang) {
            const tovrin::Comparison c = l.compare(a, b, b_lang);
            return py::make_tuple(c.overlap, c.order < 0 ? -1 : c.order > 0 ? 1 : 0);
        })
        // With a system's name, the references numbered as it numbers them.
        .def("osis", [](Language l, const std::string &cite,
                        const std::optional<std::string> &system) {
            if (!system)
                return osis_list(l.osis(cite));
            const tovrin_versification *v = tovrin_versification_find(system->c_str());
            if (v == nullptr)
                throw py::value_error("unknown numbering system '" + *system + "'");
            return osis_list(l.osis(cite, v));
        }, "cite"_a, "versification"_a = py::none())
        .def("units", &units)
        .def("coverage", &coverage, "cited"_a, "by_verse"_a, "book"_a)
        .def("tokens", &tokens)
        .def("books", &books);

    py::class_<tovrin::Config>(m, "Config")
        .def(py::init([](const std::optional<std::string> &path) {
            return path ? tovrin::Config(*path) : tovrin::Config();
        }), "path"_a = py::none())
        .def_static("from_text", [](const py::bytes &text, const std::string &name) {
            return tovrin::Config::from_text(std::string_view(text), name);
        }, "text"_a, "name"_a)
        .def("language", &tovrin::Config::language)
        .def("names", &names);
}
