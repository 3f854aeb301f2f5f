#!/usr/bin/env python3
"""How many citations a corpus loses to book names of three words or more.

    phrase_corpus.py [--seed N] [--data DIR] [--lang en] SIZE TOVRIN

Writes a corpus like the "cite" corpus of make_corpus.py (the same prose,
a citation every ~300 bytes), in which each citation names its book by any
of its names in the language: the "+" and "*" lines and the ">" phrases of
DIR/bibl.ini ("Song 2:1", "Canticles 2:1", "Song of Solomon 2:1"). Then runs
`TOVRIN scan --format json` over it twice, with DIR/bibl.ini and with a
copy without its ">" lines, and prints for each how many of the inserted
citations were found whole, and how many of the lost ones a name of three
words or more named (PHRASE_CORPUS_LOST=1 lists the lost ones). The
chapters and verses exist in the language's first numbering system, as
the scan takes only citations that exist.
"""

import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_corpus  # noqa: E402


class NamesMaker:
    """Citations "NAME C:V", "NAME C:V-W" or "NAME C", NAME any name of a
    random book, of chapters and verses that exist in `verses` (for each
    book the verses of each chapter, empty for a book the numbering lacks);
    remembers each one it makes."""

    def __init__(self, rng, books, verses, chapter_verse, range_mark):
        self.rng = rng
        self.books = [(names, v) for names, v in zip(books, verses) if v]
        self.sep, self.range = chapter_verse, range_mark
        self.made = []

    def make(self):
        r = self.rng
        names, verses = r.choice(self.books)
        name = r.choice(names)
        c = r.randint(1, len(verses))
        v = r.randint(1, verses[c - 1])
        w = min(v + r.randint(1, 9), verses[c - 1])
        tail = r.choice([f"{c}{self.sep}{v}",
                         f"{c}{self.sep}{v}{self.range}{w}" if w > v else f"{c}{self.sep}{v}",
                         f"{c}"])
        cite = f"{name} {tail}"
        self.made.append(cite)
        return cite if r.random() < 0.7 else f"({cite})"


def language(bibl, lang):
    """The books of `lang` (each a list of its names and phrases), its
    chapter-verse separator and range mark, and its numbering systems."""
    books, punctuation, inside, systems = [], None, False, []
    with open(bibl, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("{"):
                inside = line[1:].split()[:1] == [lang]
            elif inside and line.startswith("}"):
                break
            elif inside and line.startswith("!"):
                punctuation = line[1:8]
            elif inside and line.startswith("="):
                systems = line[1:].split()
            elif inside and line.startswith("+"):
                books.append([line[1:]])
            elif inside and line[:1] in ("*", ">") and books:
                books[-1].append(line[1:] if line[0] == "*" else line[1:].split(">")[0])
    if not books or punctuation is None or not systems:
        sys.exit(f"phrase_corpus: no language {lang} with numbering systems in {bibl}")
    return books, punctuation[3], punctuation[1], systems


def numbering(data, system):
    """For each book, in the order of data/versification/osis.txt, the
    verses of each of its chapters in `system` (empty when it lacks it)."""
    def lines(name):
        with open(f"{data}/versification/{name}", encoding="utf-8") as f:
            return [line.split() for line in f if line.strip() and not line.startswith("#")]
    counts = {words[0]: [int(n) for n in words[1:]] for words in lines(f"{system}.vrs")}
    return [counts.get(words[0], []) for words in lines("osis.txt")]


def found_texts(tovrin, config, lang, corpus):
    out = subprocess.run([tovrin, "--config", config, "--lang", lang, "scan", "--format", "json",
                          corpus], check=True, capture_output=True, text=True).stdout
    return [json.loads(line)["text"] for line in out.splitlines()]


def found_whole(made, found):
    """Which of `made` were found whole (their indices): each is looked for
    among the next few citations found after the previous one (the prose
    may hold citations of its own)."""
    whole, j = set(), 0
    for k, cite in enumerate(made):
        window = found[j:j + 8]
        if cite in window:
            j += window.index(cite) + 1
            whole.add(k)
    return whole


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=20240611)
    ap.add_argument("--data", default="data")
    ap.add_argument("--lang", default="en")
    ap.add_argument("size", type=make_corpus.parse_size)
    ap.add_argument("tovrin")
    a = ap.parse_args()

    bibl = f"{a.data}/bibl.ini"
    books, sep, range_mark, systems = language(bibl, a.lang)
    verses = numbering(a.data, systems[0])
    phrases = {p for b in books for p in b if len(p.split()) >= 3}
    with tempfile.TemporaryDirectory() as tmp:
        corpus, plain = f"{tmp}/corpus.txt", f"{tmp}/no-phrases.ini"
        makers = []

        def maker_for(rng):
            makers.append(NamesMaker(rng, books, verses, sep, range_mark))
            return makers[-1]

        with open(corpus, "wb") as out:
            make_corpus.write_prose(out, a.size, a.seed, f"{a.data}/nztexty.tex", bibl, True,
                                    maker_for)
        with open(bibl, encoding="utf-8") as f, open(plain, "w", encoding="utf-8") as g:
            g.writelines(line for line in f if not line.startswith(">"))
        made = makers[0].made
        long_ones = {k for k, m in enumerate(made) if any(m.startswith(p + " ") for p in phrases)}
        print(f"{a.lang}: {len(made)} citations inserted, {len(long_ones)} of them named by "
              f"a name of three words or more")
        for title, config in (("with the phrases", bibl), ("without them", plain)):
            whole = found_whole(made, found_texts(a.tovrin, config, a.lang, corpus))
            lost = [made[k] for k in range(len(made)) if k not in whole]
            print(f"  {title:17} found whole {len(whole)}, lost {len(lost)}, of them "
                  f"{len(long_ones - whole)} named by a long name")
            if os.environ.get("PHRASE_CORPUS_LOST"):
                print("\n".join("    " + cite for cite in lost))


if __name__ == "__main__":
    main()
