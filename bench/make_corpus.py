#!/usr/bin/env python3
"""Deterministic inputs for bench/scan.sh.

    make_corpus.py [--seed N] [--data DIR] KIND SIZE OUT

KIND is one of
  cite     Czech prose with a generated citation every ~300 bytes
  cite-en  English prose with English citations ("John 3:16-18"), as
           often, for comparisons with parsers of English references
  prose    the same prose stream without the citations
  spaces   SIZE spaces
  digits   SIZE random decimal digits
  letters  SIZE random letters a-z (letters of every shipped language)
SIZE is a byte count with an optional K or M suffix (10^3, 10^6 bytes).

The prose is made of runs of consecutive words of the shipped sample
DIR/nztexty.tex, TeX commands, every word holding a digit and the book name
in front of such a word left out, so it contains no citation of its own (a
citation needs a chapter number; the bare book names that remain, "v knize
Gn", are rejected by the scanner, as in real texts). The citations use the
main names of the Czech books in DIR/bibl.ini with random chapter and verse
forms, all of them valid: numbers from 1 to 99, ranges that ascend. A
citation is never split across lines, since a line feed ends a citation.

The prose and the citations draw from two generators seeded from the same
seed, so "cite" and "prose" share their prose, and the same arguments give
the same bytes on every run and every machine.
"""

import argparse
import random
import re
import sys

LINE_WIDTH = 72


def parse_size(text):
    m = re.fullmatch(r"(\d+)([KkMm]?)", text)
    if not m:
        raise argparse.ArgumentTypeError("bad size: " + text)
    scale = {"": 1, "k": 1000, "m": 1000 * 1000}[m.group(2).lower()]
    return int(m.group(1)) * scale


def block_lines(bibl_path, lang, tags):
    """The rest of the lines tagged with one of `tags` in the block of
    language `lang` of bibl.ini, in file order."""
    found, inside = [], False
    with open(bibl_path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("{"):
                inside = line[1:].split()[:1] == [lang]
            elif line.startswith("}"):
                inside = False
            elif inside and line[:1] in tags:
                found.append(line[1:])
    if not found:
        sys.exit(f"make_corpus: no books of {{{lang} in {bibl_path}")
    return found


def czech_main_names(bibl_path):
    """Main names ("+" lines) of the Czech books, in book order."""
    return block_lines(bibl_path, "cz", "+")


def czech_names(bibl_path):
    """Every name ("+" and "*" lines) of the Czech books."""
    return set(block_lines(bibl_path, "cz", "+*"))


def prose_words(sample_path, book_names):
    """The words of the sample's body without its citations: no TeX
    commands, no word holding a digit, and no book name right before one
    ("(Mt 5,3)" goes, "v knize Gn" stays)."""
    with open(sample_path, encoding="utf-8") as f:
        text = f.read()
    body = text.split(r"\maketitle", 1)[-1].split(r"\end{document}", 1)[0]
    words = []
    for token in body.split():
        if any(c.isdigit() for c in token):
            if words:
                before, tie, name = words[-1].rpartition("~")
                if name.lstrip("(").rstrip(".") in book_names:
                    words.pop()
                    if tie and before:
                        words.append(before)
            continue
        if "\\" in token or "%" in token:
            continue
        token = token.replace("{", "").replace("}", "")
        if token and token not in ("--", "-"):
            words.append(token)
    if len(words) < 100:
        sys.exit("make_corpus: too little prose in " + sample_path)
    return words


class CitationMaker:
    """Random valid Czech citations in the forms readers write."""

    def __init__(self, rng, books):
        self.rng, self.books = rng, books

    def _chap(self):
        return self.rng.randint(1, 50)

    def _verse(self):
        return self.rng.randint(1, 40)

    def _tail(self):
        """Chapter and verses after a book name: "5,3", "3,16-18", ..."""
        r, c, v = self.rng, self._chap(), self._verse()
        form = r.randrange(10)
        if form == 0:
            return f"{c},{v}"                                 # Mt 5,3
        if form == 1:
            return f"{c},{v}-{v + r.randint(1, 12)}"          # J 3,16-18
        if form == 2:
            return f"{c},{v}-{c + r.randint(1, 3)},{self._verse()}"  # Gn 1,1-2,3
        if form == 3:
            return f"{c},{v}{r.choice(['n', 'nn'])}"           # L 6,20n
        if form == 4:
            return f"{c},{v}+"                                # Ř 8,28+
        if form == 5:
            return f"{c}-{c + r.randint(1, 15)}"              # Iz 40-55
        if form == 6:
            w = v + r.randint(1, 5)
            return f"{c},{v}.{w}" + (f".{w + r.randint(1, 5)}" if r.random() < 0.3 else "")
        if form == 7:
            return f"{c},{v}{r.choice('abc')}"               # Mk 1,2a
        if form == 8:
            return f"{c},{v}b-{v + r.randint(1, 12)}"         # Gn 2,4b-25
        return f"{c}"                                         # Ž 23

    def make(self):
        r = self.rng
        cite = f"{r.choice(self.books)} {self._tail()}"
        # Some citations go on: "Iz 7,14; 9,5n" or "Mt 5,3; L 6,20n".
        while r.random() < 0.2:
            if r.random() < 0.5:
                cite += f"; {self._tail()}"
            else:
                cite += f"; {r.choice(self.books)} {self._tail()}"
        # How it sits in the sentence.
        how = r.randrange(10)
        if how < 5:
            return cite
        if how < 8:
            return f"({cite})"
        return cite + ","


# Common English words, in no order: the prose of the English corpus
# (no digits, so no citation of its own; "Job", "Mark" or "Acts" alone are
# not citations either).
ENGLISH_WORDS = """the of and to in a is that for it as was with be by on not he this are or
his from at which but have an they you were her she there been one all we their has would
when if so no will more about can up out them what into some could him time only other new
these two may then do first any my now such like our over man me even most made after also
did many before must through back years where much your way well down should because each
just those people how too little state good very make world still own see men work long get
here between both life being under never day same another know while last might us great
old year off come since against go came right used take three himself few house use during
without again place around however home small found thought went say part once general high
upon school every does got united left number course war until always away something fact
though water less public put think almost hand enough far took head yet government system
better set told nothing night end why called didn't eyes find going look asked later knew
point next city business give group toward young days let room president side social given
present several order national possible rather second face per among form important often
things looked early white case john become large big need four within felt children along
saw best church ever least power development light thing seemed family interest want
members mind country area others done turned although open god service certain kind problem
began different door thus help sense means whole matter perhaps itself york times law human
line above name example action company hands local show whether five history gave today
either act feet across taken past quite anything seen having death week experience body""".split()


class EnglishCitationMaker(CitationMaker):
    """Random English citations in the forms readers write ("John 3:16",
    "Gen 1:1-2:3", "Luke 6:20ff", "1 Cor 13:4,7", "Mark 1:2a")."""

    def _tail(self):
        r, c, v = self.rng, self._chap(), self._verse()
        form = r.randrange(9)
        if form == 0:
            return f"{c}:{v}"
        if form == 1:
            return f"{c}:{v}-{v + r.randint(1, 12)}"
        if form == 2:
            return f"{c}:{v}-{c + r.randint(1, 3)}:{self._verse()}"
        if form == 3:
            return f"{c}:{v}{r.choice(['f', 'ff'])}"
        if form == 4:
            return f"{c}-{c + r.randint(1, 15)}"
        if form == 5:
            return f"{c}:{v},{v + r.randint(1, 5)}"
        if form == 6:
            return f"{c}:{v}{r.choice('ab')}"
        if form == 7:
            return f"{c}:{v}b-{v + r.randint(1, 12)}"
        return f"{c}"


def write_prose(out, size, seed, sample, bibl, with_citations, maker_for=None, words=None):
    """`maker_for(rng)`, when given, makes the citations instead of the
    Czech CitationMaker (bench/phrase_corpus.py); `words`, when given, are
    the prose instead of the sample's."""
    prose_rng = random.Random(seed)
    cite_rng = random.Random(seed + 1)
    words = words or prose_words(sample, czech_names(bibl))
    if maker_for is None:
        maker_for = lambda rng: CitationMaker(rng, czech_main_names(bibl))
    maker = maker_for(cite_rng) if with_citations else None

    written = 0
    line = ""
    lines_left = prose_rng.randint(6, 14)        # lines in this paragraph
    next_cite = cite_rng.randint(200, 400)       # bytes until the next citation
    since_cite = 0

    def emit(token):
        nonlocal line, written, lines_left
        tb = len(token.encode("utf-8"))
        lb = len(line.encode("utf-8"))
        if line and lb + 1 + tb > LINE_WIDTH:
            lines_left -= 1
            text = line + ("\n\n" if lines_left == 0 else "\n")
            if lines_left == 0:
                lines_left = prose_rng.randint(6, 14)
            out.write(text.encode("utf-8"))
            written += len(text.encode("utf-8"))
            line = token
        else:
            line = line + " " + token if line else token

    while written < size:
        start = prose_rng.randrange(len(words))
        for word in words[start:start + prose_rng.randint(5, 30)]:
            emit(word)
            since_cite += len(word.encode("utf-8")) + 1
            if maker and since_cite >= next_cite:
                emit(maker.make())
                since_cite = 0
                next_cite = cite_rng.randint(200, 400)
    if line:
        out.write((line + "\n").encode("utf-8"))


def write_filler(out, size, seed, alphabet):
    rng = random.Random(seed)
    chunk = 1 << 16
    done = 0
    while done < size:
        n = min(chunk, size - done)
        if len(alphabet) == 1:
            out.write(alphabet.encode("ascii") * n)
        else:
            out.write("".join(rng.choices(alphabet, k=n)).encode("ascii"))
        done += n


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=20240611)
    ap.add_argument("--data", default="data", help="directory of bibl.ini and nztexty.tex")
    ap.add_argument("kind", choices=["cite", "cite-en", "prose", "spaces", "digits", "letters"])
    ap.add_argument("size", type=parse_size)
    ap.add_argument("out")
    a = ap.parse_args()

    with open(a.out, "wb") as out:
        if a.kind == "cite-en":
            # The 66 books of the Protestant canon, which every parser knows.
            books = block_lines(f"{a.data}/bibl.ini", "en", "+")[:66]
            write_prose(out, a.size, a.seed, f"{a.data}/nztexty.tex", f"{a.data}/bibl.ini", True,
                        lambda rng: EnglishCitationMaker(rng, books), ENGLISH_WORDS)
        elif a.kind in ("cite", "prose"):
            write_prose(out, a.size, a.seed, f"{a.data}/nztexty.tex",
                        f"{a.data}/bibl.ini", a.kind == "cite")
        else:
            alphabet = {"spaces": " ", "digits": "0123456789",
                        "letters": "abcdefghijklmnopqrstuvwxyz"}[a.kind]
            write_filler(out, a.size, a.seed, alphabet)


if __name__ == "__main__":
    main()
