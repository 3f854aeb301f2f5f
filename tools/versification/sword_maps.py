#!/usr/bin/env python3
"""Writes the verse map data/versification/SYSTEM.map to standard output:
where the verses of SYSTEM stand in the KJV numbering with the Apocrypha
(kjva), the one numbering every map leads to.

  python3 tools/versification/sword_maps.py vulgate  > data/versification/vulgate.map
  python3 tools/versification/sword_maps.py synodal  > data/versification/synodal.map
  python3 tools/versification/sword_maps.py hebrew   > data/versification/hebrew.map
  python3 tools/versification/sword_maps.py catholic > data/versification/catholic.map

vulgate and synodal are read from the mapping tables of the SWORD headers
that Debian's libsword-dev installs (mappings_vulg[] of canon_vulg.h,
mappings_synodal[] of canon_synodal.h; the numbers only). SWORD has no such
table for the Hebrew numbering: hebrew is derived from the verse counts of
hebrew.vrs and kjva.vrs, with the few verses the counts cannot place written
out below. catholic is hebrew with Esther and Daniel of vulgate, as
catholic.vrs is made.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, '..', '..', 'data', 'versification')
SWORD = '/usr/include/sword'

# Verses of the Hebrew numbering that the counts alone do not place: the
# Hebrew text splits a KJV verse in two or joins two (the Masoretic verse
# division as the ČEP and Luther print it). The rest of each chapter named
# here follows these lines.
HEBREW_EXCEPTIONS = """
Num 25:19 Num 26:1
1Sam 21:1 1Sam 20:42
1Sam 21:2-16 1Sam 21:1-15
1Kgs 22:43-44 1Kgs 22:43
1Kgs 22:45-54 1Kgs 22:44-53
1Chr 12:4-5 1Chr 12:4
1Chr 12:6-41 1Chr 12:5-40
Isa 63:19 Isa 63:19
Isa 63:19 Isa 64:1
Isa 64:1-11 Isa 64:2-12
"""


def fail(message):
    sys.stderr.write('sword_maps.py: %s\n' % message)
    sys.exit(1)


def read_table(name):
    """The counts of data/versification/NAME.vrs: {book: [verses, ...]}."""
    table = {}
    with open(os.path.join(DATA, name + '.vrs'), encoding='utf-8') as f:
        for line in f:
            if line.strip() and not line.startswith('#'):
                words = line.split()
                table[words[0]] = [int(w) for w in words[1:]]
    return table


def book_order():
    with open(os.path.join(DATA, 'osis.txt'), encoding='utf-8') as f:
        return [l.strip() for l in f if l.strip() and not l.startswith('#')]


# ---- SWORD's mapping tables ------------------------------------------------

def header_text(system):
    path = os.path.join(SWORD, 'canon_%s.h' % system)
    if not os.access(path, os.R_OK):
        fail('no %s (Debian package libsword-dev)' % path)
    with open(path, encoding='utf-8') as f:
        return f.read()


def header_books(text):
    """The OSIS names of the header's books in its own order: the numbers
    its mapping table uses (from 1)."""
    return re.findall(r'^\s*\{"[^"]*",\s*"([^"]*)",\s*"[^"]*",\s*\d+\},', text, re.M)


def mapping_bytes(text, system):
    found = re.search(r'mappings_%s\[\]\s*=\s*\{(.*?)\};' % system, text, re.S)
    if found is None:
        fail('canon_%s.h has no mappings_%s[]' % (system, system))
    body = re.sub(r'//[^\n]*', '', found.group(1))
    return [ord(w[1]) if w.startswith("'") else int(w)
            for w in (w.strip() for w in body.split(',')) if w]


def sword_records(system):
    """The records of mappings_SYSTEM[]. The array starts with the names of
    books the system has and KJVA lacks as books of their own (each
    terminated by 0, the list by another 0), numbered after the header's
    books. Then records of 7 numbers: book, chapter, first and last verse
    in the system (last 0: one verse), chapter, first and last verse in
    KJVA. A record whose KJVA book is one of those names (a number past
    the header's books) has an eighth number, the book in the system. A
    record holds from its verse on to the end of the chapter, shifted so
    that the ends of its two ranges meet, until the next record of the
    chapter takes over."""
    text = header_text(system)
    books = header_books(text)
    data = mapping_bytes(text, system)
    extra, k = [], 0
    while data[k] != 0:
        end = data.index(0, k)
        extra.append(''.join(chr(c) for c in data[k:end]))
        k = end + 1
    k += 1
    records = []
    while data[k] != 0:
        m = data[k:k + 8]
        if m[0] > len(books):
            source, target = books[m[7] - 1], extra[m[0] - len(books) - 1]
            k += 8
        else:
            source = target = books[m[0] - 1]
            k += 7
        records.append((source, m[1], max(m[2], 1), m[3], target, m[4], m[5], m[6]))
    return records


def sword_map(header, table):
    """The lines of the map of the system TABLE from the SWORD records of
    canon_HEADER.h: each record as written, then the rest of its chapter,
    shifted, up to the next."""
    counts = read_table(table)
    records = sorted(sword_records(header), key=lambda r: r[:3])
    lines = []
    for k, (book, c, v, v_end, tbook, tc, tv, tv_end) in enumerate(records):
        lines.append((book, c, v, max(v, v_end), tbook, tc, tv, max(tv, tv_end)))
        nxt = records[k + 1] if k + 1 < len(records) else None
        last = counts[book][c - 1]
        if nxt is not None and nxt[:2] == (book, c):
            last = nxt[2] - 1
        first = max(v, v_end) + 1
        shift = max(tv, tv_end) - max(v, v_end)
        if first <= last and (tbook, tc, shift) != (book, c, 0):
            lines.append((book, c, first, last, tbook, tc, first + shift, last + shift))
    return lines


# ---- The Hebrew numbering from the counts ----------------------------------

def parse_line(text):
    """"Book c:v[-w] Book c:v[-w]" as a tuple of the map."""
    def side(book, place):
        c, verses = place.split(':')
        first, _, last = verses.partition('-')
        return [book, int(c), int(first), int(last or first)]
    words = text.split()
    return tuple(side(words[0], words[1]) + side(words[2], words[3]))


def linear_lines(book, ours, theirs):
    """A book that divides the same verses into chapters differently (Joel
    4 chapters or 3, Malachi 3 or 4, a verse moved across a chapter end):
    its n-th verse is the n-th verse of the other, in runs."""
    def places(counts):
        return [(c + 1, v + 1) for c, n in enumerate(counts) for v in range(n)]
    lines = []
    for (c, v), (tc, tv) in zip(places(ours), places(theirs)):
        if (c, v) == (tc, tv):
            continue
        last = lines[-1] if lines else None
        if last and last[1] == c and last[5] == tc and last[3] + 1 == v and last[7] + 1 == tv:
            lines[-1] = last[:3] + (v,) + last[4:7] + (tv,)
        else:
            lines.append((book, c, v, v, book, tc, tv, tv))
    return lines


def title_lines(book, ours, theirs):
    """A psalm whose title the Hebrew counts as its first d verses: they
    have no verse in the KJV (verse 0 of the map), and verse v is v - d."""
    lines = []
    for c, (n, m) in enumerate(zip(ours, theirs), 1):
        d = n - m
        if d > 0:
            lines.append((book, c, 1, d, book, c, 0, 0))
            lines.append((book, c, d + 1, n, book, c, 1, m))
        elif d < 0:
            fail('Hebrew %s %d has fewer verses than the KJV' % (book, c))
    return lines


def hebrew_map():
    hebrew, kjva = read_table('hebrew'), read_table('kjva')
    exceptions = [parse_line(l) for l in HEBREW_EXCEPTIONS.strip().split('\n')]
    excepted = {(l[0], l[1]) for l in exceptions}
    lines = list(exceptions)
    # The deuterocanonical books of hebrew.vrs are Luther's, translated from
    # other texts than the KJV's Apocrypha: their counts say nothing of
    # where a verse stands, so they keep their numbers.
    for book in book_order()[:66]:
        ours, theirs = hebrew.get(book), kjva.get(book)
        if not ours or not theirs or ours == theirs:
            continue
        if book == 'Ps':
            lines += title_lines(book, ours, theirs)
        elif sum(ours) == sum(theirs):
            lines += [l for l in linear_lines(book, ours, theirs) if (book, l[1]) not in excepted]
        elif len(ours) == len(theirs):
            lines += boundary_lines(book, ours, theirs, excepted)
    return lines


def boundary_lines(book, ours, theirs, excepted):
    """A book whose totals differ (a verse split or joined somewhere): the
    pairs of neighbouring chapters that move k verses across their common
    end are mapped as such; a chapter left over is in the exceptions or
    keeps its numbers (the verse the counts do not place has none)."""
    lines = []
    for c in range(1, len(ours)):
        k = theirs[c - 1] - ours[c - 1]
        if k == 0 or ours[c] - theirs[c] != k or (book, c) in excepted:
            continue
        counts = ours[c - 1:c + 1], theirs[c - 1:c + 1]
        lines += [(b, cc + c - 1, v, w, tb, tc + c - 1, tv, tw)
                  for b, cc, v, w, tb, tc, tv, tw in linear_lines(book, *counts)]
    return lines


def catholic_map():
    """The Hebrew numbering with Esther and Daniel of the Vulgate."""
    vulgate_books = {'Esth', 'Dan'}
    return ([l for l in hebrew_map() if l[0] not in vulgate_books] +
            [l for l in sword_map('vulg', 'vulgate') if l[0] in vulgate_books])


# ---- Output ----------------------------------------------------------------

ABOUT = {
    'vulgate': ("mappings_vulg[] of canon_vulg.h (Debian's libsword-dev)", 'vulg'),
    'synodal': ("mappings_synodal[] of canon_synodal.h (Debian's libsword-dev)", 'synodal'),
    'hebrew': ('the counts of hebrew.vrs and kjva.vrs and the exceptions it lists', None),
    'catholic': ('the lines of hebrew, with Esther and Daniel of vulgate', None),
}


def place(book, c, first, last):
    return '%s %d:%d' % (book, c, first) + ('-%d' % last if last != first else '')


def sort_key(line, order):
    return (order.index(line[0]), line[1], line[2], order.index(line[4]), line[5], line[6])


def main():
    system = sys.argv[1] if len(sys.argv) == 2 else ''
    if system not in ABOUT:
        fail('usage: sword_maps.py vulgate|synodal|hebrew|catholic')
    source, sword = ABOUT[system]
    if system == 'hebrew':
        lines = hebrew_map()
    elif system == 'catholic':
        lines = catholic_map()
    else:
        lines = sword_map(sword, system)
    order = book_order()
    print('# Where the verses of %s.vrs stand in the KJV numbering (kjva.vrs).' % system)
    print('# Generated by tools/versification/sword_maps.py %s from' % system)
    print('# %s; do not edit, regenerate.' % source)
    print('# Each line: a place in %s, then the same text in kjva; verse 0 is a psalm' % system)
    print('# title, which kjva does not number. A verse on no line keeps its numbers.')
    for line in sorted(set(lines), key=lambda l: sort_key(l, order)):
        print(place(*line[:4]) + ' ' + place(*line[4:]))


main()
