// Verse maps: where a passage of one numbering system stands in another
// ("Ps 22" of the Vulgate is Psalm 23 of the Hebrew and English Bibles).
// Every map of data/versification (SYSTEM.map, compiled in) leads into one
// numbering, the KJV's with the Apocrypha (kjva): a verse goes from its
// system into kjva and from there into the target, so that each system
// needs one map. A verse on no line of a map keeps its numbers; a verse
// that comes to verse 0 of kjva is a psalm title, which the KJV does not
// number. A unit maps end by end; a verse without a counterpart gives the
// nearest passage that has one, and a note says so: nothing is invented.
#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "internal.h"
#include "versification.h"

namespace tovrin::detail {
namespace {

// A verse: book, chapter and verse (verse 0 of kjva: a psalm title).
struct Place {
    int book = 0, chapter = 0, verse = 0;
    auto operator<=>(const Place &) const = default;
};
using Places = std::vector<Place>;

// The listed verses of one system with their places in kjva, and back.
struct VerseMap {
    std::map<Place, Places> to_pivot;
    std::map<Place, Places> from_pivot;
};

// The name of the numbering every map leads into.
constexpr const char *kPivot = "kjva";

int number(std::string_view text, const std::string &map) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 999)
        broken_table("map '" + map + "' has the number '" + std::string(text) + "'");
    return value;
}

// One side of a line, "Book c:v" or "Book c:v-w": its verses in order.
Places side(std::string_view book, std::string_view place, const std::string &map) {
    const int b = book_of_osis(book);
    const std::size_t colon = place.find(':');
    if (b == 0 || colon == std::string_view::npos)
        broken_table("map '" + map + "' has the place '" + std::string(book) + " " +
                     std::string(place) + "'");
    const int chapter = number(place.substr(0, colon), map);
    const std::string_view verses = place.substr(colon + 1);
    const std::size_t dash = verses.find('-');
    const int first = number(verses.substr(0, dash), map);
    const int last = dash == std::string_view::npos ? first : number(verses.substr(dash + 1), map);
    Places all;
    for (int v = first; v <= last; ++v)
        all.push_back({b, chapter, v});
    return all;
}

// "Book c:v-w Book c:v-w": verse by verse when both sides have as many
// verses, else the one verse of a side with every verse of the other.
void read_line(VerseMap &m, std::string_view line, const std::string &name) {
    const auto parts = words(line);
    if (parts.size() != 4)
        broken_table("map '" + name + "' has the line '" + std::string(line) + "'");
    const Places ours = side(parts[0], parts[1], name);
    const Places theirs = side(parts[2], parts[3], name);
    if (ours.size() != theirs.size() && ours.size() != 1 && theirs.size() != 1)
        broken_table("map '" + name + "' pairs unequal ranges in '" + std::string(line) + "'");
    const std::size_t n = std::max(ours.size(), theirs.size());
    for (std::size_t k = 0; k < n; ++k) {
        const Place &a = ours[ours.size() == 1 ? 0 : k];
        const Place &b = theirs[theirs.size() == 1 ? 0 : k];
        m.to_pivot[a].push_back(b);
        m.from_pivot[b].push_back(a);
    }
}

const std::map<std::string, VerseMap, std::less<>> &maps() {
    static const auto *all = [] {
        auto *by_name = new std::map<std::string, VerseMap, std::less<>>;
        for (std::size_t k = 0; k < embedded_map_count; ++k) {
            VerseMap &m = (*by_name)[embedded_maps[k].name];
            for (std::string_view line : data_lines(embedded_maps[k].text))
                read_line(m, line, embedded_maps[k].name);
        }
        return by_name;
    }();
    return *all;
}

// A system with its map (null: it numbers as kjva does).
struct System {
    const tovrin_versification *table;
    const VerseMap *map;
};

System system(const tovrin_versification *table) {
    const auto &all = maps();
    const auto it = all.find(std::string_view(table->name));
    return {table, it == all.end() ? nullptr : &it->second};
}

Places to_pivot(const VerseMap *m, const Place &p) {
    if (m != nullptr)
        if (const auto it = m->to_pivot.find(p); it != m->to_pivot.end())
            return it->second;
    return {p};
}

// The verses of a system at the place `q` of kjva: none for a title the
// system does not number either, nor where it gives the number to another
// verse.
Places from_pivot(const VerseMap *m, const Place &q) {
    if (m != nullptr) {
        if (const auto it = m->from_pivot.find(q); it != m->from_pivot.end())
            return it->second;
        if (m->to_pivot.count(q) != 0)
            return {};
    }
    return q.verse > 0 ? Places{q} : Places{};
}

bool title_only(const Places &pivot) {
    return std::all_of(pivot.begin(), pivot.end(), [](const Place &q) { return q.verse == 0; });
}

// Whether the verse `p` of `s` is a psalm title that kjva does not number.
bool is_title(const System &s, const Place &p) { return title_only(to_pivot(s.map, p)); }

// The verses of `to` where the verse `p` of `from` stands, in order; only
// verses `to` has. A verse that is a title and more counts as the more.
Places counterparts(const System &from, const System &to, const Place &p) {
    const Places pivot = to_pivot(from.map, p);
    const bool titles = title_only(pivot);
    Places found;
    for (const Place &q : pivot) {
        if (!titles && q.verse == 0)
            continue;
        for (const Place &t : from_pivot(to.map, q))
            if (has_position(*to.table, t.book, t.chapter, t.verse))
                found.push_back(t);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

// The verse after (`forward`) or before `p` in `t`, across chapter ends.
std::optional<Place> step(const tovrin_versification &t, const Place &p, bool forward) {
    if (forward) {
        if (p.verse < t.verses_of(p.book, p.chapter))
            return Place{p.book, p.chapter, p.verse + 1};
        if (p.chapter < t.chapters(p.book))
            return Place{p.book, p.chapter + 1, 1};
    } else {
        if (p.verse > 1)
            return Place{p.book, p.chapter, p.verse - 1};
        if (p.chapter > 1)
            return Place{p.book, p.chapter - 1, t.verses_of(p.book, p.chapter - 1)};
    }
    return std::nullopt;
}

// The first counterpart in `to` of the verses of `from` from `first`
// towards `last` (forward: the earliest counterpart of the first verse
// that has one; backward: the latest).
std::optional<Place> nearest(const System &from, const System &to, const Place &first,
                             const Place &last, bool forward) {
    for (std::optional<Place> p = first; p && (forward ? *p <= last : *p >= last);
         p = step(*from.table, *p, forward)) {
        const Places found = counterparts(from, to, *p);
        if (!found.empty())
            return forward ? found.front() : found.back();
    }
    return std::nullopt;
}

// Whether every counterpart in `from` of the verse `t` of `to` lies in the
// chapters first..last of `book` (a title of no counterpart does).
bool inside(const System &to, const System &from, const Place &t, int book, int first, int last) {
    const Places back = counterparts(to, from, t);
    return std::all_of(back.begin(), back.end(), [&](const Place &p) {
        return p.book == book && p.chapter >= first && p.chapter <= last;
    });
}

// Whether the verses of the chapter of `start` before it and those of the
// chapter of `end` after it belong to the chapters first..last of `book`
// in `from` too, so that the passage is the whole chapters of `to`.
bool whole_chapters(const System &from, const System &to, const Place &start, const Place &end,
                    int book, int first, int last) {
    for (int v = 1; v < start.verse; ++v)
        if (!inside(to, from, {start.book, start.chapter, v}, book, first, last))
            return false;
    for (int v = end.verse + 1; v <= to.table->verses_of(end.book, end.chapter); ++v)
        if (!inside(to, from, {end.book, end.chapter, v}, book, first, last))
            return false;
    return true;
}

// A unit mapped: the unit, and whether it is only the nearest passage
// (`title`: because a verse of it is a psalm title).
struct Mapped {
    PARS_UNIT unit;
    bool approximate = false;
    bool title = false;
};

void set_verses(PARS_UNIT &u, const Place &start, const Place &end) {
    u.bf = start.book, u.cf = start.chapter, u.vf = start.verse;
    u.b = end.book, u.c = end.chapter, u.v = end.verse;
    u.fl = u.flf = 0;
}

void set_chapters(PARS_UNIT &u, const Place &start, const Place &end) {
    set_verses(u, {start.book, start.chapter, 0}, {end.book, end.chapter, 0});
    u.ab = u.abf = 0;
}

// A passage of titles only: the chapter of `to` that holds the psalm of
// the title, or the unit as it was when `to` has none.
Mapped title_chapter(const System &from, const System &to, const PARS_UNIT &u) {
    Mapped m{u, true, true};
    for (const Place &q : to_pivot(from.map, {u.bf, u.cf, u.vf})) {
        const Places found = from_pivot(to.map, {q.book, q.chapter, 1});
        if (!found.empty()) {
            set_chapters(m.unit, found.front(), found.front());
            break;
        }
    }
    return m;
}

Mapped map_verses(const System &from, const System &to, const PARS_UNIT &u) {
    const Place first{u.bf, u.cf, u.vf}, last{u.b, u.c, u.v};
    const std::optional<Place> start = nearest(from, to, first, last, true);
    const std::optional<Place> end = nearest(from, to, last, first, false);
    if (!start || !end)
        return is_title(from, first) ? title_chapter(from, to, u) : Mapped{u, true, false};
    Mapped m{u, false, false};
    set_verses(m.unit, *start, *end);
    for (const Place &p : {first, last}) {
        if (counterparts(from, to, p).empty()) {
            m.approximate = true;
            m.title = m.title || is_title(from, p);
        }
    }
    return m;
}

// Chapters map as the verses they hold, and stay chapters where the
// passage is whole chapters of `to` too (Vulgate Ps 9 is Hebrew Ps 9-10,
// Hebrew Joel 3 is KJV Joel 2:28-32).
Mapped map_chapters(const System &from, const System &to, const PARS_UNIT &u) {
    const int last_verse = from.table->verses_of(u.b, u.c);
    if (u.bf != u.b || last_verse == 0 || from.table->verses_of(u.bf, u.cf) == 0)
        return Mapped{u, true, false};
    const Place first{u.bf, u.cf, 1}, last{u.b, u.c, last_verse};
    const std::optional<Place> start = nearest(from, to, first, last, true);
    const std::optional<Place> end = nearest(from, to, last, first, false);
    if (!start || !end)
        return Mapped{u, true, false};
    Mapped m{u, false, false};
    if (whole_chapters(from, to, *start, *end, u.b, u.cf, u.c))
        set_chapters(m.unit, *start, *end);
    else
        set_verses(m.unit, *start, *end);
    return m;
}

Mapped map_unit(const System &from, const System &to, const PARS_UNIT &u) {
    if (u.cf == 0)
        return Mapped{u};
    return u.vf == 0 ? map_chapters(from, to, u) : map_verses(from, to, u);
}

// The units of `cite` (read in `l`) with every mark resolved by the
// language's own systems, as OSIS resolves them.
PARS_UNIT **resolved_units(const char *cite, LANG *l) {
    PARS_UNIT **units = makepus(cite, l);
    read_single_chapters(units, union_of(l));
    resolve_marks(units, systems_of(l), nullptr);
    adjpus_n(units);
    adjpus_plus(units);
    adjpus_nn_pseudo(units);
    adjpus_v01(units);
    return units;
}

// A citation mapped: its units (in place) and those that are only the
// nearest passage, as they were written and as they are given.
struct Outcome {
    PARS_UNIT **units;
    std::vector<std::pair<PARS_UNIT, Mapped>> notes;
    ~Outcome() { freepus(units); }
};

// Maps the units of `cite` (read in `from`) from the system of `from` that
// answers for each book into `target`; without either, the units stay.
void map_units(Outcome &out, LANG *from, const tovrin_versification *target) {
    if (target == nullptr)
        return;
    const System to = system(target);
    for (PARS_UNIT **u = out.units; *u != nullptr; ++u) {
        const tovrin_versification *source = table_for((*u)->bf, systems_of(from), nullptr);
        if (source == nullptr || source == target)
            continue;
        const Mapped m = map_unit(system(source), to, **u);
        if (m.approximate)
            out.notes.emplace_back(**u, m);
        **u = m.unit;
    }
}

// The target of a mapping into `to`: `target`, else the first system of `to`.
const tovrin_versification *target_of(LANG *to, const tovrin_versification *target) {
    return target != nullptr || to == nullptr ? target : tovrin_versification_of(to, 0);
}

// Chapters as the verses they hold in `t`, so that one passage compares
// as one whether it is written as a chapter or as its verses.
void chapters_as_verses(PARS_UNIT **units, const tovrin_versification &t) {
    for (PARS_UNIT **u = units; *u != nullptr; ++u) {
        PARS_UNIT &unit = **u;
        const int last = t.verses_of(unit.b, unit.c);
        if (unit.cf == 0 || unit.vf != 0 || last == 0 || t.verses_of(unit.bf, unit.cf) == 0)
            continue;
        set_verses(unit, {unit.bf, unit.cf, 1}, {unit.b, unit.c, last});
    }
}

std::string written(const PARS_UNIT &u, LANG *l) {
    PARS_UNIT copy = u;
    PARS_UNIT *one[] = {&copy, nullptr};
    char *text = tovrin_expus(one, l);
    std::string s = text != nullptr ? text : "";
    std::free(text);
    return s;
}

} // namespace
} // namespace tovrin::detail

using namespace tovrin::detail;

extern "C" char *tovrin_map(const char *cite, LANG *from, LANG *to,
                            const tovrin_versification *target, int *approximate) {
    Outcome out{resolved_units(cite, from), {}};
    map_units(out, from, target_of(to, target));
    if (approximate != nullptr)
        *approximate = out.notes.empty() ? 0 : 1;
    return tovrin_expus(out.units, to);
}

extern "C" char *tovrin_map_notes(const char *cite, LANG *from, LANG *to,
                                  const tovrin_versification *target) {
    target = target_of(to, target);
    Outcome out{resolved_units(cite, from), {}};
    map_units(out, from, target);
    std::string notes;
    for (const auto &[source, m] : out.notes) {
        if (!notes.empty())
            notes += '\n';
        notes.append(written(source, from))
            .append(m.title ? " (title)" : "")
            .append(" has no verse in ")
            .append(target->name)
            .append(": ")
            .append(written(m.unit, to))
            .append(" given");
    }
    return notes.empty() ? nullptr : growable_copy(notes);
}

extern "C" char *tovrin_osis_mapped(const char *cite, LANG *l, const tovrin_versification *target,
                                    int *approximate) {
    if (approximate != nullptr)
        *approximate = 0;
    if (tovrin_check1(cite, l) != 0)
        return nullptr;
    Outcome out{resolved_units(cite, l), {}};
    map_units(out, l, target_of(l, target));
    if (approximate != nullptr)
        *approximate = out.notes.empty() ? 0 : 1;
    return osis_of_units(out.units, 0);
}

extern "C" int tovrin_compare_mapped(const char *cite1, const char *cite2, LANG *l1, LANG *l2,
                                     int *overlap) {
    const tovrin_versification *pivot = tovrin_versification_find(kPivot);
    Outcome first{resolved_units(cite1, l1), {}}, second{resolved_units(cite2, l2), {}};
    for (Outcome *o : {&first, &second}) {
        map_units(*o, o == &first ? l1 : l2, pivot);
        chapters_as_verses(o->units, *pivot);
    }
    return compare_unit_arrays(first.units, second.units, overlap);
}
