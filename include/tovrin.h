/*
 * tovrin.h - find, check, normalise, translate, compare and sort Bible
 * citations ("Mt 5,3-12; L 6,20n") in running text.
 *
 * The one public header of libtovrin, usable from C and C++.
 *
 * Conventions of the whole interface:
 *  - Languages (LANG) come from the configuration file "bibl.ini", read once
 *    by tovrin_init(); the records are never released and never change
 *    afterwards, so every LANG pointer handed out stays valid.
 *  - Characters are single bytes compared as signed 8-bit values.
 *  - Texts returned as `char *` by the services are heap strings owned by the
 *    caller, released with free(). Texts from booknr()/trans_abb() are
 *    borrowed from the language records: never change or free them.
 *  - Unit arrays (PARS_UNIT **) come from makepus() and go back with freepus().
 *  - Fatal conditions (no memory, broken configuration, impossible book
 *    number) print a message naming the component and exit with status 1.
 *  - Threads: once the configuration is loaded, block scanner objects
 *    (tovrin_scanner_*) may run in several threads at once, each object in
 *    one thread, and so may the services on whole citations (expansion,
 *    translation, comparison, checks: itoa() keeps one buffer per thread).
 *    The loader and dorvis_core (and tovrin_dorvis), whose state is global,
 *    are single-threaded.
 */
#ifndef TOVRIN_H
#define TOVRIN_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TOVRIN_VERSION "0.2.94"

/* ------------------------------------------------------------------------
 * Languages and books
 * ------------------------------------------------------------------------ */

/* One name of a book; the first node of a book holds its main name. */
typedef struct BOOK {
    char *abbrev;
    struct BOOK *next;
} BOOK;

/* One book; book number n is the n-th node of its language's list. */
typedef struct BOOKS {
    BOOK *book;
    struct BOOKS *next;
} BOOKS;

/* One language. chars[] by position: 0 citation separator, 1 range mark,
 * 2 verse-list separator, 3 chapter-verse separator, 4 open-end mark,
 * 5 following mark, 6 abbreviation mark (not terminated). lower[k] and
 * upper[k] are the same letter in both cases. */
typedef struct LANG {
    char *name;
    signed char chars[7];
    char *lower;
    char *upper;
    char *parts;
    BOOKS *books;
    struct LANG *next;
} LANG;

/* Head of the language list: the language defined last in bibl.ini. */
extern LANG *config_table;

/* Non-zero switches on trace output of the unit comparisons (stdout). */
extern int tovrin_debug;

/* Reads "bibl.ini" from the current directory into config_table.
 * Any failure prints "Init (tovrin) : ..." and exits with status 1. */
void tovrin_init(void);

/* Reads the configuration from `path` (tovrin_init() is
 * tovrin_init_file("bibl.ini")). Failures as tovrin_init(). */
void tovrin_init_file(const char *path);

/* The language named `s` (its first definition), or NULL. */
LANG *findlang(const char *s);

/* Case-folding key of `ch` under `lg`: capitals are their own key, a
 * lower-case letter maps to its capital, a digit to itself, anything else
 * to '#'. */
signed char upper(signed char ch, LANG *lg);

/* 1 when `s1` and `s2` are equal under the folding of `l`, else 0. */
int combook(const char *s1, const char *s2, LANG *l);

/* Number (from 1) of the first book of `l` one of whose names equals `s`
 * under folding, or 0. */
int findbook(const char *s, LANG *l);

/* Main name of book `bok` (borrowed), "???" for bok <= 0; a number past the
 * last book is fatal. */
char *booknr(LANG *lg, int bok);

/* Writes "Main (Alt1, Alt2)" of book `bok` to `f` ("???" for bok <= 0). */
void bookprn(FILE *f, LANG *lg, int bok);

/* Main name in `to` of the book that `abb` names in `from`, or "???"
 * (borrowed; never free it). */
char *trans_abb(const char *abb, LANG *from, LANG *to);

/* ------------------------------------------------------------------------
 * Lexer
 * ------------------------------------------------------------------------ */

/* Token kinds (values of PARS.ousta). */
#define TK_BOOK 1
#define TK_BOOK_FROM 2
#define TK_CHAPTER 3
#define TK_CHAPTER_FROM 4
#define TK_VERSE 5
#define TK_VERSE_FROM 6
#define TK_NEXT 10
#define TK_NEXT2 11
#define TK_OPEN_END 12
#define TK_PART 13
#define TK_PART_FROM 14
#define TK_ERROR (-1)

/* Lexer record of one citation being lexed. `out` is the text of the token
 * the latest call reported; a caller takes it by copying the pointer and
 * setting `out` to NULL (then frees it with free()). */
typedef struct PARS {
    int sta;        /* state; 0 after init, -1 when finished */
    char *string;   /* text of the token being read, or NULL */
    char *out;      /* text of the token just reported, or NULL */
    int ousta;      /* kind of that token, 0 none, -1 error */
    int end;        /* 1 once lexing has finished */
    int errr;       /* 1 once an error occurred */
    signed char chr; /* character of the latest call */
    LANG *l;        /* language; borrowed */
} PARS;

void tovrin_pinit(PARS *p, LANG *lg);
void tovrin_pfree(PARS *p);
/* Feeds one character (the terminating NUL included); the result carries no
 * information, everything is in the record. */
int tovrin_parser(signed char ch, PARS *p);

/* Character classes: 1 or 0. */
int ifc_0(signed char ch, LANG *l);  /* NUL, LF or CR: end of text */
int ifc_1(signed char ch, LANG *l);  /* the space */
int ifc_2(signed char ch, LANG *l);  /* a letter of the language */
int ifc_3(signed char ch, LANG *l);  /* a lower-case letter */
int ifc_4(signed char ch, LANG *l);  /* an upper-case letter */
int ifc_5(signed char ch, LANG *l);  /* a decimal digit */
int ifc_10(signed char ch, LANG *l); /* citation separator */
int ifc_11(signed char ch, LANG *l); /* range mark */
int ifc_12(signed char ch, LANG *l); /* verse-list separator */
int ifc_13(signed char ch, LANG *l); /* chapter-verse separator */
int ifc_14(signed char ch, LANG *l); /* open-end mark */
int ifc_15(signed char ch, LANG *l); /* following mark */
int ifc_16(signed char ch, LANG *l); /* abbreviation mark */
int ifc_20(signed char ch, LANG *l); /* verse-part letter */

/* Index of the LAST occurrence of `ch` in lower / upper / parts, or -1. */
int test_low(signed char ch, LANG *lg);
int test_up(signed char ch, LANG *lg);
int test_parts(signed char ch, LANG *lg);
/* Highest k in 0..6 with chars[k] == ch, or -1. */
int test_chars(signed char ch, LANG *lg);

/* ------------------------------------------------------------------------
 * Citation units
 * ------------------------------------------------------------------------ */

/* One unit: a span from the start position (bf, cf, vf, flf, abf) to the
 * end position (b, c, v, fl, ab). 0 means "not given". */
typedef struct PARS_UNIT {
    int b, c, v, fl;
    int bf, cf, vf, flf;
    signed char ab, abf;
} PARS_UNIT;

/* State of one assembler run. */
typedef struct PPARS {
    PARS_UNIT in;   /* the pending unit */
    PARS_UNIT ou;   /* the unit handed out by the last tovrin_pparser() */
    int end;        /* 1 once ou holds the last unit */
    int endi;       /* lexer finished, pending unit still to hand out */
    int i;          /* index of the next character of cite */
    int lasta;      /* kind of the last book/chapter/verse token */
    LANG *lg;       /* borrowed */
    const char *cite; /* borrowed */
    PARS p;
} PPARS;

PARS_UNIT *newpu(PARS_UNIT *s);
void tovrin_pu_init(PARS_UNIT *p);
void tovrin_ppinit(const char *cit, PPARS *p, LANG *l);
int tovrin_pparser(PPARS *po);
void tovrin_ppfree(PPARS *p);
/* Null-terminated heap array of heap units; at least one unit. Release
 * with freepus(). */
PARS_UNIT **makepus(const char *cite, LANG *l);
void freepus(PARS_UNIT **pp);
void printpu(PARS_UNIT *pp, LANG *l);
void printpus(PARS_UNIT **pp, LANG *l);

/* Mark passes, ordering and overlap. */
void adjpus_n(PARS_UNIT **pp);
void adjpus_plus(PARS_UNIT **pp);
void adjpus_nn_pseudo(PARS_UNIT **pp);
void adjpus_v01(PARS_UNIT **pp);
int big_eq(int a1, int b1, int c1, int d1, int a2, int b2, int c2, int d2);
int pu_is_equal(PARS_UNIT *p1, PARS_UNIT *p2);
int pu_is_equal_old(PARS_UNIT *p1, PARS_UNIT *p2);
int compare_pu(PARS_UNIT *p1, PARS_UNIT *p2);
void sortpus(PARS_UNIT **pp);

/* ------------------------------------------------------------------------
 * Services (returned texts: caller frees with free())
 * ------------------------------------------------------------------------ */

/* Canonical text of a unit array; NULL for an array without units. */
char *tovrin_expus(PARS_UNIT **pp, LANG *l);
char *tovrin_expand(const char *cite, LANG *l);
char *tovrin_expand_bl(const char *cite, LANG *from, LANG *to);
char *tovrin_expand_sort(const char *cite, LANG *from, LANG *to);

/* Token-by-token translation; NULL when the citation does not lex. */
char *trans_cite(const char *cite, LANG *from, LANG *to);

/* 1 when some unit of cite1 overlaps some unit of cite2 (not symmetric). */
int tovrin_is_equal(const char *cite1, const char *cite2, LANG *l1, LANG *l2);
/* 1 when cite1 comes first, -1 when cite2 does, else 0. */
int tovrin_comp(const char *cite1, const char *cite2, LANG *l1, LANG *l2);

/* Validity checks. */
int tovrin_check1(const char *cite, LANG *l);   /* 0 or 1-based error pos */
char *tovrin_check2(const char *cite, LANG *l); /* NULL or unknown book */
char *tovrin_check3(const char *cite, LANG *l); /* NULL or bad number */
int tovrin_check4(const char *cite, LANG *l);   /* 1: a reversed range */
int tovrin_check9(const char *cite, LANG *l);   /* 1: a unit w/o chapter */

/* ------------------------------------------------------------------------
 * Growable strings and numerals
 * ------------------------------------------------------------------------ */

/* Append to a heap string (NULL starts one); returns the possibly moved
 * block, which the caller frees with free(). */
char *stradd(char *dest, const char *sour);
char *strac(char *dest, signed char sour);
/* Decimal text of 1..999 in one static buffer, else "?!?". */
char *itoa(int i);

/* ------------------------------------------------------------------------
 * Stream scanner (one scan per process at a time)
 * ------------------------------------------------------------------------ */

#define TOVRIN_SBUFF_SIZE 100000

extern char tovrin_sbuff[TOVRIN_SBUFF_SIZE]; /* ring of pending text */
extern int tp;      /* slot for the next character read */
extern int ap;      /* slot being fed to the lexer */
extern int bp;      /* first slot not yet written */
extern PARS pars;   /* the scanner's lexer record: initialised at the start
                       and after every decision; the scanner finds where a
                       candidate ends with the state machine alone, so no
                       token text is built in it */
extern LANG *lg;    /* language of the scan */
extern int lev;     /* level passed to dorvis_core (no effect) */

/* Reads the text through `in` (a byte, or -1 at the end), writes ordinary
 * text through `out` and calls `heureka` for every citation, which then
 * occupies tovrin_sbuff from bp up to ap (excluded, wrapping). */
void dorvis_core(int (*in)(void), void (*out)(int), void (*heureka)(void),
                 int level, LANG *l);

/* Options of a scan (tovrin_dorvis(), tovrin_scanner_new()). */
/* A citation must also exist: every chapter and verse it names is in one of
 * its language's numbering systems (as tovrin_exists() tests), so that
 * "EZ 508,1" (a hymn) or "Na 5 minut" is not taken for Ezekiel 508 or
 * Nahum 5, and "Mt 5,100" is read as far as "Mt 5". No effect for a
 * language without numbering systems. */
#define TOVRIN_SCAN_EXISTING 1u

/* dorvis_core() with the options `flags` (0: exactly dorvis_core()). */
void tovrin_dorvis(int (*in)(void), void (*out)(int), void (*heureka)(void),
                   int level, LANG *l, unsigned flags);

/* ------------------------------------------------------------------------
 * Block scanner: the decisions of dorvis_core on blocks of any size, with
 * all state in one object, so that several scans run at once (one object
 * per thread; an object is not shared between threads while in use).
 *
 *   tovrin_scanner *s = tovrin_scanner_new(l, 0);
 *   while (more) tovrin_scanner_feed(s, block, n, on_span, ctx);
 *   tovrin_scanner_finish(s, on_span, ctx);
 *   tovrin_scanner_free(s);
 *
 * The blocks are the stream, in order; how it is cut into blocks does not
 * matter. Each citation is reported once, in stream order, as a span of
 * bytes counted from the start of the stream: exactly the text that
 * dorvis_core hands to its highlight callback on the same bytes (its ring
 * of 100000 characters and its end-of-input rule included). A span is
 * reported as soon as it is decided, so during a feed it may lie in an
 * earlier block. The scanner keeps only the undecided end of the stream,
 * at most about the ring's size, besides the block being fed. `data` is
 * read during the call only.
 * ------------------------------------------------------------------------ */

typedef struct tovrin_scanner tovrin_scanner;
typedef struct tovrin_span {
    long long offset; /* first byte of the citation in the stream */
    long long length; /* its length in bytes (at least 1) */
} tovrin_span;
typedef void (*tovrin_span_fn)(const tovrin_span *span, void *ctx);

/* A scanner for language `l` (which must outlive it); `flags` 0 is the
 * scan of dorvis_core, other flags that of tovrin_dorvis() with them.
 * NULL when out of memory or when `l` is NULL. */
tovrin_scanner *tovrin_scanner_new(LANG *l, unsigned flags);
/* The next `len` bytes of the stream. `fn` may be NULL (spans dropped). */
void tovrin_scanner_feed(tovrin_scanner *s, const char *data, size_t len,
                         tovrin_span_fn fn, void *ctx);
/* How many bytes from the start of the stream are decided: every citation
 * among them has been reported, the rest of them is text. A program that
 * writes the text out can write this far. */
long long tovrin_scanner_decided(const tovrin_scanner *s);
/* The end of the stream: reports the citations still undecided. The object
 * can then only be freed. */
void tovrin_scanner_finish(tovrin_scanner *s, tovrin_span_fn fn, void *ctx);
void tovrin_scanner_free(tovrin_scanner *s);

/* ------------------------------------------------------------------------
 * Versification: the chapters and verses that exist, "n" across a chapter
 * end, OSIS references
 *
 * A numbering system gives the number of chapters of each book and of
 * verses of each chapter (hebrew, kjv, kjva, vulgate, synodal, catholic:
 * the tables of data/versification, compiled into the library). A
 * language names its systems on a line "=first second ..." of bibl.ini, the first being the
 * one its readers use; a citation exists when every chapter and verse it
 * names exists in at least one of them. A language without the line has
 * no existence test. Systems are borrowed and live as long as the process;
 * these functions may be called from several threads once the
 * configuration is loaded.
 * ------------------------------------------------------------------------ */

typedef struct tovrin_versification tovrin_versification;

/* The built-in system named `name`, or NULL. */
const tovrin_versification *tovrin_versification_find(const char *name);
/* The k-th built-in system (from 0, in the order of their names), or NULL
 * past the last. */
const tovrin_versification *tovrin_versification_at(int k);
/* The k-th system of `l` (0: the one its readers use), or NULL past the
 * last and for a language that names none. */
const tovrin_versification *tovrin_versification_of(LANG *l, int k);
/* The name of `v` ("hebrew"), borrowed. */
const char *tovrin_versification_name(const tovrin_versification *v);

/* The number of chapters of book `book` (1..86) in `v`; 0 when `v` does
 * not have the book. */
int tovrin_chapters(const tovrin_versification *v, int book);
/* The number of verses of chapter `chapter` of book `book` in `v`; 0 when
 * there is no such chapter. */
int tovrin_verses(const tovrin_versification *v, int book, int chapter);

/* Reasons of tovrin_exists(). */
#define TOVRIN_EXISTS 0
#define TOVRIN_NO_BOOK 1    /* no system of the language has the book */
#define TOVRIN_NO_CHAPTER 2 /* the book has `limit` chapters */
#define TOVRIN_NO_VERSE 3   /* the chapter has `limit` verses */

/* The first position of a citation that does not exist. */
typedef struct tovrin_existence {
    int reason;  /* TOVRIN_NO_BOOK, TOVRIN_NO_CHAPTER or TOVRIN_NO_VERSE */
    int unit;    /* index (from 0) of the unit of makepus() it belongs to */
    int book, chapter, verse; /* the position (0: not given) */
    int limit;   /* the largest count among the language's systems */
} tovrin_existence;

/* 0 (TOVRIN_EXISTS) when every book, chapter and verse of `cite` (read in
 * `l`) exists in at least one system of `l`, and always for a language
 * without systems; otherwise the reason for the first position that does
 * not, with the details in *why unless `why` is NULL. Each unit is checked
 * at its start, then at its end; a book name `l` does not know is
 * TOVRIN_NO_BOOK. Marks name no position of their own. Lexing is not
 * checked here: tovrin_check1() does that. */
int tovrin_exists(const char *cite, LANG *l, tovrin_existence *why);

/* Canonical text of `cite`, read in `from` and written in `to` like
 * tovrin_expand_bl(), with the marks resolved by the numbering `v` (NULL:
 * for each book the first system of `from` that has it): the following
 * mark after the last verse of a chapter is the first verse of the next
 * chapter, the doubled following mark and the open-end mark run to the
 * end of the chapter (of the book, after a chapter), and none of them
 * crosses the end of a book. The end position decides: after a verse they
 * count verses, after a chapter chapters. A unit whose book has no table
 * is written as tovrin_expand_bl() writes it. The caller frees the text
 * with free(). */
char *tovrin_expand_versified(const char *cite, LANG *from, LANG *to,
                              const tovrin_versification *v);

/* The OSIS name of book `book` ("Gen" ... "Rev", "Tob", ... "AddPs"), or
 * NULL outside 1..86. Borrowed. */
const char *tovrin_osis_book(int book);

/* Flag of tovrin_osis(): keep verse parts as "!a". */
#define TOVRIN_OSIS_PARTS 1u

/* `cite` (read in `l`) as OSIS references, one per unit, separated by
 * ",": "Matt.5.3", "Matt.5.3-Matt.5.12", "Matt.5", "Matt.5-Matt.7",
 * "Gen", "Gen-Deut". Marks are resolved as by tovrin_expand_versified()
 * with `v`; where no table has the book, the following mark counts one
 * verse (or chapter) more, the doubled one two, and the open-end mark
 * none. Verse parts are dropped unless `flags` has TOVRIN_OSIS_PARTS.
 * NULL when `cite` does not lex (tovrin_check1) or names a book that `l`
 * does not know; otherwise a text the caller frees with free(). */
char *tovrin_osis(const char *cite, LANG *l, const tovrin_versification *v,
                  unsigned flags);

/* The units of `cite` (as read in `l`) with every mark resolved as
 * tovrin_osis() resolves them with `v`: "n" and "nn" alike become the
 * verses (or chapters) they stand for ("J 3,36n" is J 3,36-4,1, "Ž 23,5nn"
 * Ž 23,5-6), and where no table has the book "n" counts one more and "nn"
 * two more. A book of one chapter cited by its verses has
 * them in chapter 1, as in tovrin_units(). Check `cite` first (as the
 * services expect). Release with freepus(). */
PARS_UNIT **tovrin_units_versified(const char *cite, LANG *l, const tovrin_versification *v);

/* Verse maps: the same passage in another numbering system. Psalm 22 of
 * the Vulgate is Psalm 23 of the Hebrew and English Bibles, the Synodal
 * Psalm 50:3 is the Hebrew 51:5 (psalm titles counted as verses), the
 * Hebrew Joel 3 is the KJV's Joel 2:28-32. Each built-in system has a map
 * into the KJV numbering with the Apocrypha (data/versification, SYSTEM.map;
 * kjv and kjva need none), through which a verse goes into any other.
 * A unit of a citation is mapped from the system of its language that
 * answers for its book (the first of the "=" line that has the book),
 * after its marks are resolved by them: a verse maps to its counterpart,
 * a range end by end (the ends may land in different chapters), a chapter
 * to the verses it holds, written as chapters where they are whole
 * chapters of the target ("Ps 9" of the Vulgate is "Ps 9-10"), a book to
 * itself. A verse that has no counterpart (a psalm title, which the KJV
 * does not number; a verse the target lacks) gives the nearest passage
 * that has one: the next verse at the start of a range, the previous at
 * its end, the chapter of the psalm for a title alone; and the answer is
 * flagged approximate. Nothing is invented: the result names only verses
 * the target has, or the unit as it was when none of it has one. */

/* The canonical text of `cite` (read in `from`, written in `to`) mapped
 * into `target` (NULL: the first system of `to`); when `from` or the
 * target has no system, the units stay as tovrin_expand_versified() would
 * read them. *approximate (may be NULL) is 1 when some unit is only the
 * nearest passage, else 0. NULL for a citation without units; otherwise a
 * text the caller frees with free(). Check `cite` first, as the services
 * expect (tovrin_problem()). */
char *tovrin_map(const char *cite, LANG *from, LANG *to, const tovrin_versification *target,
                 int *approximate);

/* Why tovrin_map() with the same arguments is approximate: a line per
 * unit concerned, "Ps 3:1 (title) has no verse in kjv: Ps 3 given" (the
 * unit in `from`, the answer in `to`), lines separated by "
"; NULL when
 * every unit has its counterpart. The caller frees the text. */
char *tovrin_map_notes(const char *cite, LANG *from, LANG *to,
                       const tovrin_versification *target);

/* tovrin_osis() with the units mapped as tovrin_map() maps them into
 * `target` (NULL: the first system of `l`): OSIS references whose numbers
 * are those of `target`. Verse parts are dropped. NULL as tovrin_osis();
 * *approximate (may be NULL) as tovrin_map(). */
char *tovrin_osis_mapped(const char *cite, LANG *l, const tovrin_versification *target,
                         int *approximate);

/* tovrin_compare_read() with both citations mapped into one numbering
 * (the KJV's with the Apocrypha) first, so that "Ps 22" in la (the
 * Vulgate) and "Ž 23" in cz (the Hebrew numbering) are the same passage.
 * Returns the order, *overlap (may be NULL) the overlap. */
int tovrin_compare_mapped(const char *cite1, const char *cite2, LANG *l1, LANG *l2,
                          int *overlap);

/* ------------------------------------------------------------------------
 * Phrases: book titles of three words or more (">" lines of bibl.ini)
 * ------------------------------------------------------------------------ */

/* The lexer reads a book name of at most two pieces, so a title such as
 * "Song of Solomon" is given in bibl.ini as ">Song of Solomon>Song" inside
 * its language: a phrase and the name it stands for. tovrin_init() skips
 * these lines; a reader of running text loads them here and hands the
 * scanner the name where the text has the phrase (the scanner itself,
 * dorvis_core, knows no phrases). Words of a phrase match with the case
 * folding of names (upper()); a run of spaces and abbreviation marks
 * between two words matches any such run of the text; a phrase matches
 * only where the word of its last byte ends, and, as a citation, only
 * where the text has a capital or a digit. */
typedef struct tovrin_phrases tovrin_phrases;

enum tovrin_phrases_status {
    TOVRIN_PHRASES_OK = 0,
    TOVRIN_PHRASES_NO_FILE = 1,      /* the file cannot be opened or read */
    TOVRIN_PHRASES_NO_LANGUAGE = 2,  /* the file has no block of the language */
    TOVRIN_PHRASES_BAD_LINE = 3,     /* a ">" line without a phrase, a second
                                        ">" and a name, or over 200 bytes */
    TOVRIN_PHRASES_UNKNOWN_NAME = 4, /* the name is no book name of the language */
    TOVRIN_PHRASES_NO_MEMORY = 5
};

/* Reads the phrases of the language `l` (the first block of its name, as
 * findlang() finds it) from the configuration file `path`. Returns a
 * status; on TOVRIN_PHRASES_OK *out is a new set (it may hold no phrase),
 * which the caller releases with tovrin_phrases_free(), else *out is NULL.
 * *line (when `line` is not NULL) is the line, from 1, at fault, or 0.
 * `l` must outlive the set. Prints nothing. */
int tovrin_phrases_load(const char *path, LANG *l, tovrin_phrases **out, int *line);
/* The same from the text of a configuration (`len` bytes) in memory. */
int tovrin_phrases_load_text(const char *text, size_t len, LANG *l, tovrin_phrases **out,
                             int *line);
/* Releases a set; NULL is accepted. */
void tovrin_phrases_free(tovrin_phrases *p);
/* What is wrong with a phrase line, in words, for the statuses
 * TOVRIN_PHRASES_BAD_LINE and TOVRIN_PHRASES_UNKNOWN_NAME; NULL for the
 * others. Borrowed. */
const char *tovrin_phrases_problem(int status);

/* The number of phrases, and phrase k (0 <= k < count, file order) and the
 * name it stands for, borrowed from the set. */
int tovrin_phrases_count(const tovrin_phrases *p);
const char *tovrin_phrases_phrase(const tovrin_phrases *p, int k);
const char *tovrin_phrases_name(const tovrin_phrases *p, int k);
/* The word that phrase k must follow, "" for most. A phrase line whose
 * first word is written with a small letter (">podle Marka>Mk", the gospel
 * named after "according to") is the phrase "Marka", which stands for its
 * name only after "podle": "Marka" alone is a given name. */
const char *tovrin_phrases_context(const tovrin_phrases *p, int k);

/* 1 when some phrase may begin with the byte `c` (under folding), else 0:
 * a reader tries a match only there, and only where no letter or digit
 * stands before `c`. */
int tovrin_phrases_may_begin(const tovrin_phrases *p, signed char c);

/* Matches the phrases against the start of `text` (`len` bytes). Returns
 * the length in bytes of the longest match, with its index in *k (when `k`
 * is not NULL), or 0 when none matches. When `more` is 1 (more text may
 * follow) and `text` ends before a match is decided, returns -1: call again
 * with more text. */
long tovrin_phrases_match(const tovrin_phrases *p, const char *text, size_t len, int more,
                          int *k);


/* ------------------------------------------------------------------------
 * Configurations: bibl.ini loaded without ending the process
 *
 * tovrin_init() and tovrin_init_file() end the process on a file they
 * cannot read. A program that wants to tell its user instead opens a
 * configuration here: a file, a text in memory, or the shipped bibl.ini,
 * which is built into the library. A configuration keeps the languages it
 * loaded (and their phrases, see below) apart from any later load, so two
 * configurations in one process do not interfere. Loading sets
 * config_table too (the languages loaded last), as tovrin_init() does.
 * Loading must not run in two threads at once; the languages of an open
 * configuration may be used from any number of threads.
 * ------------------------------------------------------------------------ */

typedef struct tovrin_config tovrin_config;

/* Why a configuration could not be opened. */
typedef struct tovrin_config_error {
    char file[512];    /* the file (or the name given to a text) */
    int line;          /* from 1; 0 when the file as a whole fails */
    char message[512]; /* why, as the loader's own message says it */
} tovrin_config_error;

/* Opens the configuration file `path`; NULL `path` opens the shipped
 * bibl.ini built into the library (loaded at the first opening only: every
 * opening of it shares the same languages). NULL on failure, with the reason in
 * *err (when `err` is not NULL): the file cannot be read, the loader would
 * end the process on it, a phrase line is broken, or it defines no
 * language ("no languages in it"). Prints nothing. */
tovrin_config *tovrin_config_open(const char *path, tovrin_config_error *err);
/* The same for a configuration text of `len` bytes; `name` names it in
 * errors. */
tovrin_config *tovrin_config_open_text(const char *text, size_t len, const char *name,
                                       tovrin_config_error *err);
/* Releases the object; the language records stay valid (they are never
 * released). NULL is accepted. */
void tovrin_config_free(tovrin_config *c);

/* The shipped bibl.ini built into the library: its bytes (terminated) and,
 * when `len` is not NULL, their number. */
const char *tovrin_shipped_config(size_t *len);

/* The language called `name` in `c`: by its name in bibl.ini (the first
 * block of that name), else by an alias: the ISO 639-1 code of a shipped
 * language whose bibl.ini name differs ("cs" for "cz"). NULL when none. */
LANG *tovrin_config_language(const tovrin_config *c, const char *name);
/* The number of languages of `c`, and the k-th in file order (from 0), or
 * NULL past the last. */
int tovrin_config_count(const tovrin_config *c);
LANG *tovrin_config_language_at(const tovrin_config *c, int k);
/* findlang() with the aliases of tovrin_config_language(), over
 * config_table. */
LANG *tovrin_language(const char *name);

/* ------------------------------------------------------------------------
 * Citations in running text: the one reading behind every program
 *
 * A reader takes a text in blocks of any size and hands out a record of
 * every citation in it, in order, and (when asked) the text between them
 * as written. It reads what real texts write:
 *  - typographic forms: a range written with a dash of its own (U+2010,
 *    U+2012, U+2013, U+2014, U+2212), TeX's "--" and "---", ties ("~"),
 *    no-break, thin and narrow spaces, and a line break inside a
 *    paragraph, which is a space;
 *  - decomposed letters: a letter followed by combining marks ("Z" and
 *    U+030C) is read as the composed letter ("Ž");
 *  - phrases: book titles of three words or more (">" lines of bibl.ini,
 *    as loaded by tovrin_config_open());
 * and takes only citations whose chapters and verses exist in the
 * language's numbering systems. Each of these is an option; the exact
 * reading is dorvis_core's, byte for byte. Records give places in the
 * original text, whatever the reading changed. A reader keeps only the
 * undecided end of the text (about 100000 bytes at most besides the block
 * being fed), so any text is read in bounded memory and linear time. One
 * reader belongs to one thread at a time; readers in different threads
 * run at once.
 * ------------------------------------------------------------------------ */

/* Parts of a record that a program may do without (they cost time). */
#define TOVRIN_WITHOUT_PLACES 1u    /* line and column are 0 */
#define TOVRIN_WITHOUT_CANONICAL 2u /* canonical is "" */
#define TOVRIN_WITHOUT_OSIS 4u      /* osis is NULL */
#define TOVRIN_WITHOUT_UNITS 8u     /* no units */

typedef struct tovrin_options {
    int exact;        /* dorvis_core's reading: the bytes as they are, any
                         numbers of 1-999 (the next three are ignored) */
    int existing;     /* only citations that exist (TOVRIN_SCAN_EXISTING) */
    int forms;        /* typographic forms and decomposed letters */
    int phrases;      /* book titles of three words or more */
    unsigned without; /* TOVRIN_WITHOUT_... : parts of records left out */
    const char *sigla; /* sigla that are not books, besides the language's
                          own ("$" lines of bibl.ini), spelt exactly and
                          separated by spaces or commas: "PL PG SC"; may be
                          NULL (copied when a reader or linter is made) */
} tovrin_options;

/* The defaults of every program of tovrin: existing, forms and phrases on,
 * records whole. */
tovrin_options tovrin_default_options(void);

/* One citation. Its texts are borrowed for the callback only. */
typedef struct tovrin_citation {
    long long offset;       /* its first byte in the text, from 0 */
    long long length;       /* its bytes in the text */
    long line, column;      /* from 1; the column counts characters (UTF-8) */
    const char *text;       /* the text as written (`length` bytes) */
    const char *read;       /* as read: forms as the language's own bytes,
                               a phrase as the name it stands for */
    const char *canonical;  /* the canonical form (tovrin_expand()) */
    const char *osis;       /* OSIS references (tovrin_osis()), NULL in a
                               language without numbering systems */
    const PARS_UNIT *units; /* its units, marks applied (as expanded) */
    int unit_count;
    /* Lectionary forms (the default reading): the verses that may be read
     * too, "25-30" of "L 17,20-24(25-30)", each from `offset` bytes after
     * the citation's first byte; they are part of the passage (OSIS,
     * canonical form, units). */
    const tovrin_span *optional;
    int optional_count;
    const char *alternate; /* the number of another numbering given with
                              it, as written: "(10)" of "Žalm 11(10)"; it
                              is not read; NULL when there is none */
    const char *translation; /* the tag of the translation written after
                                it ("@" lines of bibl.ini): "ČEP" of "J 3,16
                                ČEP" or "Mt 5,3 (Kral.)"; the citation's
                                text includes the tag; NULL when none */
    const char *versification; /* the numbering system its OSIS ids follow
                                  ("hebrew": the first of the language's
                                  systems that has its first book),
                                  borrowed; NULL when `osis` is NULL */
} tovrin_citation;

/* What a reader hands out: `citation` gets each record, `text` (may be
 * NULL) the text between citations as written, in order and in pieces of
 * any size, so that text and citations together are the whole input. */
typedef struct tovrin_handler {
    void (*citation)(const tovrin_citation *c, void *ctx);
    void (*text)(const char *text, size_t len, void *ctx);
    void *ctx;
} tovrin_handler;

typedef struct tovrin_reader tovrin_reader;

/* A reader of language `l` with options `o` (NULL: the defaults). Phrases
 * are those loaded with `l` by tovrin_config_open(). NULL for a NULL
 * language or without memory. */
tovrin_reader *tovrin_reader_new(LANG *l, const tovrin_options *o);
/* The next `len` bytes of the text. */
void tovrin_reader_feed(tovrin_reader *r, const char *data, size_t len, const tovrin_handler *h);
/* The end of the text: hands out the rest. The reader can then only be
 * freed. */
void tovrin_reader_finish(tovrin_reader *r, const tovrin_handler *h);
/* How many bytes of the text have been handed out (as text or citations). */
long long tovrin_reader_decided(const tovrin_reader *r);
void tovrin_reader_free(tovrin_reader *r);
/* Where a text may be cut into parts that readers of `l` with options `o`
 * (NULL: the defaults), one per part, read as one reader reads the whole:
 * the offset just after the first such line break at or after `from` in
 * the `len` bytes of `text`, or `len` when there is none. The exact reading
 * (and a reading without forms and phrases) sees every line break, which
 * no citation crosses. The default reading joins the lines of a paragraph,
 * so it may be cut after an empty or blank line ("\n\n", "\n \r\n"), or after a
 * line that ends a sentence with "?" or "!" (when no name, mark or form of
 * the language holds it) before a line that begins with neither a space
 * nor a line break. For a plain text, not a TeX or Markdown source. */
size_t tovrin_cut_after(LANG *l, const tovrin_options *o, const char *text, size_t len,
                        size_t from);

/* ------------------------------------------------------------------------
 * Citations written by a user (an argument, a query, a form field)
 * ------------------------------------------------------------------------ */

/* `cite` as a reader with options `o` (NULL: the defaults) reads it: the
 * text the services take. The caller frees it with free(). */
char *tovrin_read_citation(const char *cite, LANG *l, const tovrin_options *o);

/* Flags of tovrin_problem(). */
#define TOVRIN_PROBLEM_WHOLE_BOOK 1u /* a book alone is a citation (the whole
                                        book), as the services take it */
#define TOVRIN_PROBLEM_EXISTS 2u     /* its chapters and verses must exist
                                        (always so when `o` asks for
                                        existing citations and is not exact,
                                        as the defaults do) */

/* The units of `cite` (as read) with the marks applied, as a reader's
 * records give them: a book of one chapter cited by its verses alone
 * ("Jude 5", "Abd 1-21") has them in chapter 1. Release with freepus(). */
PARS_UNIT **tovrin_units(const char *cite, LANG *l);

/* tovrin_comp() and tovrin_is_equal() as the default reading compares:
 * "Ju 5" and "Ju 1,5" are the same passage. Returns tovrin_comp()'s
 * answer; `*overlap` (may be NULL) gets tovrin_is_equal()'s. */
int tovrin_compare_read(const char *cite1, const char *cite2, LANG *l1, LANG *l2,
                        int *overlap);

/* What is wrong with `cite`, read with `o` (NULL: the defaults), in the
 * words of tovrin lint: "unknown book name 'Xy' in 'Xy 3,4'", "not a
 * citation: stops at column 4 in 'Mt 5,'", "no chapter 29 in Mt (it has
 * 28)"; NULL when nothing is. An unknown name that is probably a misspelt
 * one adds the name meant: "unknown book name 'Zalm' in 'Zalm 23,1' (did
 * you mean 'Žalm'?)". The caller frees the text with free(). */
char *tovrin_problem(const char *cite, LANG *l, const tovrin_options *o, unsigned flags);


/* ------------------------------------------------------------------------
 * Lint: citations written wrongly in running text
 *
 * A linter reads a text as a reader does (blocks of any size, the same
 * options; existence is not required of a citation, it is reported) and
 * reports, in text order, every citation written wrongly that is meant as
 * one: a misspelt book name (with the name meant; a capitalised word that
 * is nothing like a book is prose), a number out of range, a reversed
 * range, a missing chapter, a chapter or verse that no numbering system of
 * the language has. Its memory is bounded whatever the text holds.
 * ------------------------------------------------------------------------ */

typedef struct tovrin_lint_problem {
    long long offset;     /* where in the text, from 0 */
    long line, column;    /* from 1; the column counts characters */
    const char *message;  /* in words (borrowed for the callback) */
} tovrin_lint_problem;

typedef struct tovrin_problem_handler {
    void (*problem)(const tovrin_lint_problem *p, void *ctx);
    void *ctx;
} tovrin_problem_handler;

typedef struct tovrin_linter tovrin_linter;

/* A linter of `l` with options `o` (NULL: the defaults); NULL for a NULL
 * language or without memory. */
tovrin_linter *tovrin_linter_new(LANG *l, const tovrin_options *o);
void tovrin_linter_feed(tovrin_linter *t, const char *data, size_t len,
                        const tovrin_problem_handler *h);
/* The end of the text; the linter can then only be freed. */
void tovrin_linter_finish(tovrin_linter *t, const tovrin_problem_handler *h);
void tovrin_linter_free(tovrin_linter *t);

/* ------------------------------------------------------------------------
 * What a text cites, as a map: a row per book and a cell per chapter (or a
 * row per chapter of one book and a cell per verse), the counts as JSON or
 * the picture as a self-contained SVG; and text made safe for JSON and
 * HTML, as every program of tovrin writes it
 * ------------------------------------------------------------------------ */

typedef struct tovrin_cited {
    PARS_UNIT unit;   /* a unit the text cites */
    long long places; /* the places (lines, paragraphs) that cite it */
} tovrin_cited;

#define TOVRIN_MAP_BY_VERSE 1u /* a row per chapter of one book, a cell per verse */
#define TOVRIN_MAP_SVG 2u      /* the picture instead of the counts as JSON */

/* The map of the `n` units `cited` in language `l`. A chapter (verse)
 * counts the places that cite a unit touching it; a row's total counts
 * each place once. By chapter: a row per book of the language, its
 * chapters as the first numbering system that has the book gives them,
 * more where a citation names more. By verse: a row per chapter of book
 * `book` (from 1; 0: the book cited most). JSON: {"lang", "by",
 * "citations", "rows": [{"book", "osis", "name", ["chapter",] "total",
 * "counts": [...]}], "scale": [{"from", "to", "colour"}]}. SVG: A4 wide,
 * colours whose lightness falls as the count grows, a tooltip per cell,
 * `title` (NULL: none) saying what was read. Free the result with free();
 * NULL for a NULL language or a book out of range. */
char *tovrin_coverage(LANG *l, const tovrin_cited *cited, size_t n, unsigned flags, int book,
                      const char *title);

/* The `n` bytes of `s` as a JSON string with its quotes, or escaped for
 * HTML text and attributes; always valid UTF-8 whatever bytes `s` held: a
 * byte that is not part of a well-formed sequence is written as the
 * character of that code (JSON, so nothing is lost) or as the replacement
 * character (HTML). Free the result with free(). */
char *tovrin_json_string(const char *s, size_t n);
char *tovrin_html_escape(const char *s, size_t n);

/* ------------------------------------------------------------------------
 * Sources: texts written in TeX or Markdown
 *
 * A reader or linter of a source reads the words of its prose, as typeset:
 *  - TeX: comments, \verb, verbatim environments (verbatim, Verbatim,
 *    lstlisting, minted, comment) and the arguments of commands that name
 *    keys, labels, files and URLs (\cite, \ref, \label, \url, \href's
 *    first, \input, \include, \bibleref, \index) are not read; "~", "\,",
 *    "\ " and \nobreakspace are spaces; braces, font commands and
 *    switches (\emph{Mt} 5,3, {\it J} 3,16) are read through.
 *  - Markdown: code spans, fenced and indented code blocks, link targets,
 *    autolinks and HTML comments are not read; emphasis ("*", "_", "**")
 *    and the brackets of a link's text are read through.
 * A record's offset and length still give the original bytes, markup read
 * through included, chosen so that every group it holds is whole: markup
 * that opens a group the citation does not close is left out of it
 * ("\emph{Mt 5,3}" gives "Mt 5,3"), markup that closes one it opens is
 * taken in ("Mt \emph{5,3}"). A citation that no such choice marks whole
 * ("\emph{see Mt} 5,3") is handed out as text; a linter reports it. The
 * exact reading (tovrin_options.exact) reads every source as text.
 * ------------------------------------------------------------------------ */

#define TOVRIN_SOURCE_TEXT 0
#define TOVRIN_SOURCE_TEX 1
#define TOVRIN_SOURCE_MARKDOWN 2

/* The source of a file by the extension of `name`: TOVRIN_SOURCE_TEX for
 * .tex, .ltx, .sty and .cls, TOVRIN_SOURCE_MARKDOWN for .md and .markdown,
 * TOVRIN_SOURCE_TEXT otherwise (and for NULL). */
int tovrin_source_of_name(const char *name);

/* tovrin_reader_new() and tovrin_linter_new() for a text written in
 * `source` (TOVRIN_SOURCE_...; another value is read as text). Freed with
 * tovrin_reader_free() and tovrin_linter_free(). */
tovrin_reader *tovrin_reader_new_source(LANG *l, const tovrin_options *o, int source);
tovrin_linter *tovrin_linter_new_source(LANG *l, const tovrin_options *o, int source);

#ifdef __cplusplus
}
#endif

#endif /* TOVRIN_H */
