// The services on whole citation strings: canonical expansion (in the
// parsing language, into another one, or with the units sorted),
// token-by-token translation, and the overlap test and order of two
// citations. Every returned text is a growable string the caller frees.
#include <cstdlib>
#include <cstring>
#include <string>

#include "internal.h"
#include "versification.h"

namespace {

// The canonical text is built in a local buffer (appending to a growable
// string measures it again at every piece) and handed out as a growable
// string at the end.
class Text {
public:
    void add(const char *s) { text_ += s; }
    void add(signed char c) { text_ += static_cast<char>(c); }
    // The decimal text of n (itoa's placeholder outside 1..999).
    void number(int n) { text_ += itoa(n); }
    void part(signed char p) {
        if (p > 0)
            add(p);
    }
    void mark(int mark, const LANG *l) {
        if (mark == TK_NEXT)
            add(l->chars[5]);
        else if (mark == TK_NEXT2) {
            add(l->chars[5]);
            add(l->chars[5]);
        } else if (mark == TK_OPEN_END)
            add(l->chars[4]);
    }
    bool empty() const { return text_.empty(); }
    char *release() const { return tovrin::detail::growable_copy(text_); }

private:
    std::string text_;
};

void expand_unit(Text &s, const PARS_UNIT *u, LANG *l) {
    s.add(booknr(l, u->bf));
    if (u->cf == 0) {
        // Book level: at most a range of book names, nothing else.
        if (u->bf < u->b) {
            s.add(l->chars[1]);
            s.add(booknr(l, u->b));
        }
        return;
    }
    s.add(static_cast<signed char>(' '));
    s.number(u->cf);
    if (u->vf == 0) {
        if (u->cf < u->c) {
            s.add(l->chars[1]);
            s.number(u->c);
        }
    } else {
        s.add(l->chars[3]);
        s.number(u->vf);
        s.part(u->abf);
        if (u->cf < u->c) {
            s.add(l->chars[1]);
            s.number(u->c);
            s.add(l->chars[3]);
            s.number(u->v);
            s.part(u->ab);
        } else if (u->vf < u->v) {
            s.add(l->chars[1]);
            s.number(u->v);
            s.part(u->ab);
        }
    }
    s.mark(u->fl, l);
}

// The passes every expansion applies: following and open-end marks become
// numbers; a doubled mark stays and is written as such.
void prepare_expansion(PARS_UNIT **pp) {
    adjpus_n(pp);
    adjpus_plus(pp);
    adjpus_v01(pp);
}

char *expand_with(const char *cite, LANG *from, LANG *to, bool sorted) {
    PARS_UNIT **pp = makepus(cite, from);
    prepare_expansion(pp);
    if (sorted)
        sortpus(pp);
    char *text = tovrin_expus(pp, to);
    freepus(pp);
    return text;
}

} // namespace

extern "C" char *tovrin_expus(PARS_UNIT **pp, LANG *l) {
    if (*pp == nullptr)
        return nullptr;
    Text s;
    for (PARS_UNIT **u = pp; *u != nullptr; ++u) {
        if (u != pp) {
            s.add(l->chars[0]);
            s.add(static_cast<signed char>(' '));
        }
        expand_unit(s, *u, l);
    }
    return s.release();
}

extern "C" char *tovrin_expand(const char *cite, LANG *l) {
    return expand_with(cite, l, l, false);
}

extern "C" char *tovrin_expand_bl(const char *cite, LANG *from, LANG *to) {
    return expand_with(cite, from, to, false);
}

extern "C" char *tovrin_expand_sort(const char *cite, LANG *from, LANG *to) {
    return expand_with(cite, from, to, true);
}

namespace {

bool ends_element(int k) {
    return k == TK_VERSE || k == TK_NEXT || k == TK_NEXT2 || k == TK_OPEN_END ||
           k == TK_PART;
}

bool opens_range(int k) {
    return k == TK_BOOK_FROM || k == TK_CHAPTER_FROM || k == TK_VERSE_FROM ||
           k == TK_PART_FROM;
}

// The separator written before a token of kind k after one of kind last.
char *add_separator(char *s, int k, int last, const LANG *to) {
    switch (k) {
    case TK_BOOK:
    case TK_BOOK_FROM:
        if (last == TK_BOOK || last == TK_CHAPTER || ends_element(last))
            s = strac(strac(s, to->chars[0]), ' ');
        break;
    case TK_CHAPTER:
    case TK_CHAPTER_FROM:
        if (last == TK_CHAPTER || ends_element(last))
            s = strac(strac(s, to->chars[0]), ' ');
        break;
    case TK_VERSE:
    case TK_VERSE_FROM:
        if (last == TK_CHAPTER)
            s = strac(s, to->chars[3]);
        else if (last == TK_VERSE || last == TK_NEXT || last == TK_NEXT2 ||
                 last == TK_PART)
            s = strac(s, to->chars[2]);
        break;
    default: break;
    }
    return s;
}

char *add_token(char *s, int k, const char *t, LANG *from, LANG *to) {
    switch (k) {
    case TK_BOOK:
    case TK_BOOK_FROM: return strac(stradd(s, trans_abb(t, from, to)), ' ');
    case TK_NEXT: return strac(s, to->chars[5]);
    case TK_NEXT2: return strac(strac(s, to->chars[5]), to->chars[5]);
    case TK_OPEN_END: return strac(s, to->chars[4]);
    default: return stradd(s, t);
    }
}

} // namespace

extern "C" char *trans_cite(const char *cite, LANG *from, LANG *to) {
    PARS pp;
    tovrin_pinit(&pp, from);
    int last = 0;
    char *ou = nullptr;
    for (int i = 0; pp.end != 1; ++i) {
        tovrin_parser(static_cast<signed char>(cite[i]), &pp);
        const int k = pp.ousta;
        if (k <= 0)
            continue;
        ou = add_separator(ou, k, last, to);
        ou = add_token(ou, k, pp.out, from, to);
        // Every range is written with a hyphen, whatever the range marks of
        // the two languages are.
        if (opens_range(k))
            ou = strac(ou, '-');
        last = k;
    }
    const bool failed = pp.errr == 1;
    tovrin_pfree(&pp);
    if (failed) {
        std::free(ou);
        return nullptr;
    }
    return ou;
}

namespace {

// The comparisons count every mark: a following mark as one more verse or
// chapter, a doubled one as two more, an open end as reaching to the end.
// `as_read`: a book of one chapter cited by its verses alone ("Ju 5") has
// them in chapter 1, as the default reading takes it.
PARS_UNIT **comparable_units(const char *cite, LANG *l, bool as_read = false) {
    PARS_UNIT **pp = makepus(cite, l);
    if (as_read)
        tovrin::detail::read_single_chapters(pp, tovrin::detail::union_of(l));
    adjpus_n(pp);
    adjpus_plus(pp);
    adjpus_nn_pseudo(pp);
    adjpus_v01(pp);
    return pp;
}

} // namespace

namespace {

int overlap_of(PARS_UNIT **p1, PARS_UNIT **p2) {
    int result = 0;
    for (PARS_UNIT **u1 = p1; *u1 != nullptr && result == 0; ++u1)
        for (PARS_UNIT **u2 = p2; *u2 != nullptr && result == 0; ++u2)
            result = pu_is_equal(*u1, *u2);
    return result;
}

int order_of(PARS_UNIT **p1, PARS_UNIT **p2) {
    int result = 0;
    int i = 0;
    for (; p1[i] != nullptr && p2[i] != nullptr && result == 0; ++i)
        result = compare_pu(p1[i], p2[i]);
    if (result == 0) {
        // The shorter citation, a copy of the start of the other, comes first.
        if (p1[i] == nullptr && p2[i] != nullptr)
            result = 1;
        else if (p2[i] == nullptr && p1[i] != nullptr)
            result = -1;
    }
    return result;
}

// Both answers of a comparison: overlap_of(), then the order in the result.
int compare_units(const char *cite1, const char *cite2, LANG *l1, LANG *l2, bool as_read,
                  int *overlap) {
    PARS_UNIT **p1 = comparable_units(cite1, l1, as_read);
    PARS_UNIT **p2 = comparable_units(cite2, l2, as_read);
    const int result = tovrin::detail::compare_unit_arrays(p1, p2, overlap);
    freepus(p1);
    freepus(p2);
    return result;
}

} // namespace

int tovrin::detail::compare_unit_arrays(PARS_UNIT **p1, PARS_UNIT **p2, int *overlap) {
    if (overlap != nullptr)
        *overlap = overlap_of(p1, p2);
    return order_of(p1, p2);
}

extern "C" int tovrin_is_equal(const char *cite1, const char *cite2, LANG *l1, LANG *l2) {
    int overlap = 0;
    compare_units(cite1, cite2, l1, l2, false, &overlap);
    return overlap;
}

extern "C" int tovrin_comp(const char *cite1, const char *cite2, LANG *l1, LANG *l2) {
    return compare_units(cite1, cite2, l1, l2, false, nullptr);
}

extern "C" int tovrin_compare_read(const char *cite1, const char *cite2, LANG *l1, LANG *l2,
                                   int *overlap) {
    return compare_units(cite1, cite2, l1, l2, true, overlap);
}

extern "C" PARS_UNIT **tovrin_units(const char *cite, LANG *l) {
    PARS_UNIT **pp = makepus(cite, l);
    tovrin::detail::read_single_chapters(pp, tovrin::detail::union_of(l));
    adjpus_n(pp);
    adjpus_plus(pp);
    adjpus_v01(pp);
    return pp;
}
