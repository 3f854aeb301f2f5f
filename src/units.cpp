// The unit assembler: feeds a citation to the lexer and turns its tokens
// into citation units (spans from a start position to an end position).
// A token that can only begin a new unit hands the pending one out; the
// next unit inherits book, chapter and verse from it.
#include <climits>
#include <cstdlib>

#include "internal.h"

namespace tovrin::detail {

namespace {

[[noreturn]] void no_memory() {
    fatal(stdout, "Parser_2 (tovrin) : can't allocate enought memory !\n");
}

void hand_out(PPARS *po) {
    shipout(&po->ou, &po->in);
    adjust(&po->ou);
}

} // namespace

bool is_boundary(int kind, int lasta) {
    switch (kind) {
    case TK_BOOK:
    case TK_BOOK_FROM:
        return lasta == TK_BOOK || lasta == TK_CHAPTER || lasta == TK_VERSE;
    case TK_CHAPTER:
    case TK_CHAPTER_FROM:
        return lasta == TK_CHAPTER || lasta == TK_VERSE;
    case TK_VERSE:
    case TK_VERSE_FROM:
        return lasta == TK_VERSE;
    default:
        return false;
    }
}

int after_token(int lasta, int kind) {
    if (kind >= 1 && kind <= 9)
        lasta = kind;
    // A verse with a part letter and a range mark counts as a verse with the
    // range mark: what follows ends the same unit.
    if (lasta == TK_VERSE && kind == TK_PART_FROM)
        lasta = TK_VERSE_FROM;
    return lasta;
}

void apply_token(PARS_UNIT &in, int kind, const char *text, int book) {
    switch (kind) {
    case TK_BOOK:
        in.b = book;
        in.c = 0;
        in.v = 0;
        break;
    case TK_BOOK_FROM: in.bf = book; break;
    case TK_CHAPTER:
        in.c = number_value(text);
        in.v = 0;
        break;
    case TK_CHAPTER_FROM:
        in.cf = number_value(text);
        in.bf = in.b;
        in.c = 0;
        in.v = 0;
        break;
    case TK_VERSE: in.v = number_value(text); break;
    case TK_VERSE_FROM:
        in.vf = number_value(text);
        in.bf = in.b;
        in.cf = in.c;
        in.v = 0;
        break;
    case TK_NEXT:
    case TK_NEXT2:
    case TK_OPEN_END: in.fl = kind; break;
    case TK_PART: in.ab = static_cast<signed char>(text[0]); break;
    case TK_PART_FROM:
        in.abf = static_cast<signed char>(text[0]);
        in.bf = in.b;
        in.cf = in.c;
        in.vf = in.v;
        break;
    default: break;
    }
}

int number_value(const char *s) {
    // Token texts of numbers are digits only; the value saturates instead of
    // overflowing (the checks reject anything above three digits anyway).
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(v);
}

bool is_reversed(const PARS_UNIT &u) {
    return (u.b > 0 && u.bf > 0 && u.bf > u.b) ||
           (u.b == u.bf && u.c > 0 && u.cf > 0 && u.cf > u.c) ||
           (u.b == u.bf && u.c == u.cf && u.v > 0 && u.vf > 0 && u.vf > u.v);
}

bool lacks_chapter(const PARS_UNIT &u) { return u.c == 0 && u.cf == 0; }

int sat_add(int a, int k) { return a > INT_MAX - k ? INT_MAX : a + k; }

void shipout(PARS_UNIT *dest, PARS_UNIT *src) {
    *dest = *src;
    src->fl = 0;
    src->flf = 0;
    src->bf = 0;
    src->cf = 0;
    src->vf = 0;
    src->ab = 0;
    src->abf = 0;
}

void adjust(PARS_UNIT *p) {
    if (p->bf != 0)
        return;
    p->bf = p->b;
    p->cf = p->c;
    p->vf = p->v;
    p->flf = p->fl;
    p->abf = p->ab;
}

} // namespace tovrin::detail

using namespace tovrin::detail;

extern "C" PARS_UNIT *newpu(PARS_UNIT *s) {
    PARS_UNIT *u = static_cast<PARS_UNIT *>(std::malloc(sizeof(PARS_UNIT)));
    if (u == nullptr)
        no_memory();
    *u = *s;
    return u;
}

extern "C" void tovrin_pu_init(PARS_UNIT *p) { *p = PARS_UNIT{}; }

extern "C" void tovrin_ppinit(const char *cit, PPARS *p, LANG *l) {
    p->lg = l;
    p->i = 0;
    p->end = 0;
    p->endi = 0;
    p->lasta = 0;
    p->cite = cit;
    tovrin_pu_init(&p->in);
    tovrin_pu_init(&p->ou);
    tovrin_pinit(&p->p, l);
}

extern "C" void tovrin_ppfree(PPARS *p) { tovrin_pfree(&p->p); }

extern "C" int tovrin_pparser(PPARS *po) {
    tovrin_pu_init(&po->ou);
    if (po->endi == 1) {
        po->end = 1;
        hand_out(po);
        return 0;
    }
    bool handed = false;
    while (po->p.end == 0 && !handed) {
        tovrin_parser(static_cast<signed char>(po->cite[po->i]), &po->p);
        const int kind = po->p.ousta;
        if (is_boundary(kind, po->lasta)) {
            hand_out(po);
            handed = true;
        }
        const bool last = !handed && po->p.end == 1;
        if (po->p.end == 1)
            po->endi = 1;
        po->lasta = after_token(po->lasta, kind);
        const bool names_book = kind == TK_BOOK || kind == TK_BOOK_FROM;
        apply_token(po->in, kind, po->p.out, names_book ? findbook(po->p.out, po->lg) : 0);
        if (last) {
            po->end = 1;
            hand_out(po);
            handed = true;
        }
        ++po->i;
    }
    return 0;
}

extern "C" PARS_UNIT **makepus(const char *cite, LANG *l) {
    int capacity = 10;
    PARS_UNIT **pp =
        static_cast<PARS_UNIT **>(std::malloc(capacity * sizeof(PARS_UNIT *)));
    if (pp == nullptr)
        no_memory();
    PPARS run;
    tovrin_ppinit(cite, &run, l);
    int newest = -1;
    while (run.end == 0) {
        tovrin_pparser(&run);
        ++newest;
        if (newest + 2 > capacity) {
            capacity += 10;
            PARS_UNIT **grown = static_cast<PARS_UNIT **>(
                std::realloc(pp, capacity * sizeof(PARS_UNIT *)));
            if (grown == nullptr)
                no_memory();
            pp = grown;
        }
        pp[newest] = newpu(&run.ou);
        pp[newest + 1] = nullptr;
    }
    tovrin_ppfree(&run);
    return pp;
}

extern "C" void freepus(PARS_UNIT **pp) {
    for (PARS_UNIT **u = pp; *u != nullptr; ++u)
        std::free(*u);
    std::free(pp);
}

namespace {

void print_mark(int mark, LANG *l) {
    if (mark == TK_NEXT)
        std::printf("(%c)", l->chars[5]);
    else if (mark == TK_NEXT2)
        std::printf("(%c%c)", l->chars[5], l->chars[5]);
    else if (mark == TK_OPEN_END)
        std::printf("(%c)", l->chars[4]);
}

} // namespace

extern "C" void printpu(PARS_UNIT *pp, LANG *l) {
    std::printf("%s %d,%d", booknr(l, pp->bf), pp->cf, pp->vf);
    print_mark(pp->flf, l);
    if (pp->abf > 0)
        std::printf("(%c)", pp->abf);
    std::printf(" - %s %d,%d", booknr(l, pp->b), pp->c, pp->v);
    print_mark(pp->fl, l);
    if (pp->ab > 0)
        std::printf("(%c)", pp->ab);
}

extern "C" void printpus(PARS_UNIT **pp, LANG *l) {
    for (; *pp != nullptr; ++pp) {
        printpu(*pp, l);
        std::putchar('\n');
    }
}
