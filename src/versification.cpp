// Numbering systems: how many chapters each book has and how many verses
// each chapter, in the systems of data/versification (compiled in as text
// by the build, parsed here on first use). A language names its systems on
// its "=" line of bibl.ini (the loader hands the names over); on them rest
// the existence check, the expansion that resolves "n", "nn" and "+" across
// chapter ends, OSIS (osis.cpp) and the scanner's existence option.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "internal.h"
#include "versification.h"

namespace tovrin::detail {

[[noreturn]] void broken_table(const std::string &what) {
    fatal(stderr, ("versification (tovrin) : " + what + " !\n").c_str());
}

std::vector<std::string_view> data_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> all;
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find(' '), line.size());
        all.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return all;
}

int book_of_osis(std::string_view name) {
    const auto &names = osis_names();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? 0 : static_cast<int>(it - names.begin()) + 1;
}

namespace {

std::uint16_t verse_count(std::string_view word, const std::string &table) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value == 0 || value > 999)
        broken_table("table '" + table + "' has the count '" + std::string(word) + "'");
    return static_cast<std::uint16_t>(value);
}

// One line "OSIS n1 n2 ...": the verses of every chapter of a book.
void read_book(tovrin_versification &system, std::string_view line) {
    const auto parts = words(line);
    const int book = book_of_osis(parts[0]);
    if (book == 0)
        broken_table("table '" + system.name + "' names the unknown book '" +
                     std::string(parts[0]) + "'");
    if (parts.size() < 2 || !system.verses[book - 1].empty())
        broken_table("table '" + system.name + "' has no counts, or two lines, for '" +
                     std::string(parts[0]) + "'");
    for (std::size_t k = 1; k < parts.size(); ++k)
        system.verses[book - 1].push_back(verse_count(parts[k], system.name));
}

// All built-in systems, by name.
const std::map<std::string, tovrin_versification, std::less<>> &registry() {
    static const auto *systems = [] {
        auto *all = new std::map<std::string, tovrin_versification, std::less<>>;
        for (std::size_t k = 0; k < embedded_table_count; ++k) {
            tovrin_versification &system = (*all)[embedded_tables[k].name];
            system.name = embedded_tables[k].name;
            for (std::string_view line : data_lines(embedded_tables[k].text))
                read_book(system, line);
        }
        return all;
    }();
    return *systems;
}

// The systems each language names, and their union. The names are written
// only while bibl.ini is read; the tables are read from them the first time
// they are asked for, so that a program pays only for the languages it
// uses (parsing every table of every language at start-up cost more than
// the rest of loading bibl.ini).
struct Assigned {
    std::vector<std::string> names;
    std::once_flag resolved;
    Systems systems;
    tovrin_versification any;
};
std::unordered_map<const LANG *, Assigned> &assigned() {
    static auto *by_language = new std::unordered_map<const LANG *, Assigned>;
    return *by_language;
}

// The most chapters of each book and verses of each chapter in `systems`.
tovrin_versification union_of(const Systems &systems) {
    tovrin_versification any;
    for (const tovrin_versification *s : systems) {
        any.name += (any.name.empty() ? "" : " ") + s->name;
        for (int b = 0; b < kBooks; ++b) {
            std::vector<std::uint16_t> &verses = any.verses[b];
            const std::vector<std::uint16_t> &theirs = s->verses[b];
            if (verses.size() < theirs.size())
                verses.resize(theirs.size(), 0);
            for (std::size_t c = 0; c < theirs.size(); ++c)
                verses[c] = std::max(verses[c], theirs[c]);
        }
    }
    return any;
}

// The end of `u` after its mark, counted in `t`. A position the table does
// not have keeps its mark, so that it is written as the library always did.
void resolve_mark(PARS_UNIT &u, const tovrin_versification &t) {
    const bool following = u.fl == TK_NEXT;
    const int last_chapter = t.chapters(u.b);
    if (u.c < 1 || u.c > last_chapter)
        return;
    if (u.v != 0) {
        const int last_verse = t.verses_of(u.b, u.c);
        if (u.v > last_verse)
            return;
        if (!following)
            u.v = last_verse;
        else if (u.v < last_verse)
            ++u.v;
        else if (u.c < last_chapter)
            ++u.c, u.v = 1;
    } else {
        u.c = following ? std::min(u.c + 1, last_chapter) : last_chapter;
    }
    u.fl = u.flf = 0;
}

} // namespace

const tovrin_versification *table_for(int book, const Systems &systems,
                                      const tovrin_versification *v) {
    if (v != nullptr)
        return v->chapters(book) > 0 ? v : nullptr;
    for (const tovrin_versification *s : systems)
        if (s->chapters(book) > 0)
            return s;
    return nullptr;
}

const std::vector<std::string> &osis_names() {
    static const auto *names = [] {
        auto *all = new std::vector<std::string>;
        for (std::string_view line : data_lines(embedded_osis_names))
            all->emplace_back(line);
        if (all->size() != static_cast<std::size_t>(kBooks))
            broken_table("osis.txt names " + std::to_string(all->size()) + " books, not 86");
        return all;
    }();
    return *names;
}

namespace {

bool is_system_name(std::string_view name) {
    for (std::size_t k = 0; k < embedded_table_count; ++k)
        if (name == embedded_tables[k].name)
            return true;
    return false;
}

// The systems assigned to `l`, their tables read; null when it has none.
const Assigned *resolved(const LANG *l) {
    auto &all = assigned();
    const auto it = all.find(l);
    if (it == all.end())
        return nullptr;
    Assigned &a = it->second;
    std::call_once(a.resolved, [&a] {
        for (const std::string &name : a.names)
            a.systems.push_back(tovrin_versification_find(name.c_str()));
        a.any = union_of(a.systems);
    });
    return &a;
}

} // namespace

std::string assign_systems(const LANG *l, std::string_view names) {
    std::vector<std::string> known;
    for (std::string_view name : words(names)) {
        if (!is_system_name(name))
            return std::string(name);
        known.emplace_back(name);
    }
    auto &all = assigned();
    all.erase(l);
    all[l].names = std::move(known);
    return {};
}

const Systems &systems_of(const LANG *l) {
    static const Systems none;
    const Assigned *a = resolved(l);
    return a == nullptr ? none : a->systems;
}

const tovrin_versification *union_of(const LANG *l) {
    const Assigned *a = resolved(l);
    return a == nullptr || a->systems.empty() ? nullptr : &a->any;
}

const tovrin_versification *existing_systems(const LANG *l, unsigned flags) {
    return (flags & TOVRIN_SCAN_EXISTING) != 0 ? union_of(l) : nullptr;
}

bool position_exists(const tovrin_versification &any, int book, int chapter, int verse,
                     tovrin_existence &why) {
    why = tovrin_existence{TOVRIN_EXISTS, 0, book, chapter, verse, 0};
    if (has_position(any, book, chapter, verse))
        return true;
    const int chapters = any.chapters(book);
    if (chapters == 0)
        why.reason = TOVRIN_NO_BOOK;
    else if (chapter > chapters)
        why.reason = TOVRIN_NO_CHAPTER, why.limit = chapters;
    else
        why.reason = TOVRIN_NO_VERSE, why.limit = any.verses_of(book, chapter);
    return false;
}

bool unit_exists(const tovrin_versification &any, const PARS_UNIT &u, tovrin_existence &why) {
    return position_exists(any, u.bf, u.cf, u.vf, why) &&
           position_exists(any, u.b, u.c, u.v, why);
}

bool units_exist(const tovrin_versification &any, PARS_UNIT *const *units,
                 tovrin_existence &why) {
    for (int k = 0; units[k] != nullptr; ++k) {
        if (!unit_exists(any, *units[k], why)) {
            why.unit = k;
            return false;
        }
    }
    return true;
}

void read_single_chapters(PARS_UNIT **units, const tovrin_versification *any) {
    if (any == nullptr)
        return;
    for (PARS_UNIT **u = units; *u != nullptr; ++u)
        read_single_chapter(**u, *any);
}

void resolve_marks(PARS_UNIT **units, const Systems &systems, const tovrin_versification *v) {
    for (PARS_UNIT **u = units; *u != nullptr; ++u) {
        const int mark = (*u)->fl;
        if (mark != TK_NEXT && mark != TK_NEXT2 && mark != TK_OPEN_END)
            continue;
        if (const tovrin_versification *t = table_for((*u)->b, systems, v))
            resolve_mark(**u, *t);
    }
}

} // namespace tovrin::detail

using namespace tovrin::detail;

extern "C" const tovrin_versification *tovrin_versification_find(const char *name) {
    const auto &all = registry();
    const auto it = all.find(std::string_view(name));
    return it == all.end() ? nullptr : &it->second;
}

extern "C" const tovrin_versification *tovrin_versification_at(int k) {
    const auto &all = registry();
    if (k < 0 || static_cast<std::size_t>(k) >= all.size())
        return nullptr;
    return &std::next(all.begin(), k)->second;
}

extern "C" const tovrin_versification *tovrin_versification_of(LANG *l, int k) {
    const Systems &systems = systems_of(l);
    return k < 0 || static_cast<std::size_t>(k) >= systems.size() ? nullptr : systems[k];
}

extern "C" const char *tovrin_versification_name(const tovrin_versification *v) {
    return v->name.c_str();
}

extern "C" int tovrin_chapters(const tovrin_versification *v, int book) {
    return v->chapters(book);
}

extern "C" int tovrin_verses(const tovrin_versification *v, int book, int chapter) {
    return v->verses_of(book, chapter);
}

extern "C" int tovrin_exists(const char *cite, LANG *l, tovrin_existence *why) {
    const tovrin_versification *any = union_of(l);
    tovrin_existence found{};
    if (any != nullptr) {
        PARS_UNIT **units = makepus(cite, l);
        read_single_chapters(units, any);
        units_exist(*any, units, found);
        freepus(units);
    }
    if (why != nullptr)
        *why = found;
    return found.reason;
}

extern "C" char *tovrin_expand_versified(const char *cite, LANG *from, LANG *to,
                                         const tovrin_versification *v) {
    PARS_UNIT **units = makepus(cite, from);
    read_single_chapters(units, v != nullptr ? v : union_of(from));
    resolve_marks(units, systems_of(from), v);
    // What no table resolved is written as tovrin_expand_bl writes it.
    adjpus_n(units);
    adjpus_plus(units);
    adjpus_v01(units);
    char *text = tovrin_expus(units, to);
    freepus(units);
    return text;
}
