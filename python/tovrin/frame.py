"""Citations as a pandas DataFrame: the columns shared by
``Language.scan_frame`` and ``tovrin.dask``."""

from __future__ import annotations

from typing import List, Optional

import pandas as pd

__all__ = ["COLUMNS", "citation_frame"]

#: The columns of a frame of citations and their types, one row per
#: citation. ``offset`` and ``length`` place it in the text (bytes, or str
#: indices for a str given to ``Language.scan_frame``); lines and columns
#: count from 1 (columns in characters). ``osis`` is a list of OSIS
#: references (None in a language without numbering systems), ``books`` the
#: list of OSIS ids of the books it names, the same in every language:
#: ``frame.explode("books").groupby("books")`` groups corpora of several
#: languages. The start and end books are the main names, in the scan's
#: language, of the start of the first unit and of the end of the last; a
#: chapter or verse that the citation does not give is <NA>.
COLUMNS = {
    "file": "object",
    "offset": "int64",
    "length": "int64",
    "line": "int64",
    "column": "int64",
    "text": "object",
    "canonical": "object",
    "osis": "object",
    "books": "object",
    "start_book": "object",
    "start_chapter": "Int64",
    "start_verse": "Int64",
    "end_book": "object",
    "end_chapter": "Int64",
    "end_verse": "Int64",
}


def citation_frame(book_names: List[str], rows: list, file: str = "",
                   offset: int = 0) -> pd.DataFrame:
    """The frame of the rows of a scan (``Language._rows``) of text that
    begins at ``offset`` of ``file``; ``book_names`` are the main names of
    the scan's language."""

    def book(number: int) -> Optional[str]:
        return book_names[number - 1] if 0 < number <= len(book_names) else None

    def given(number: int) -> Optional[int]:
        return number or None

    # A row: (start, end, line, column, text, canonical, osis, books,
    # units); a unit: (bf, cf, vf, abf, b, c, v, ab, fl).
    firsts = [row[8][0] for row in rows]
    lasts = [row[8][-1] for row in rows]
    columns = {
        "file": [file] * len(rows),
        "offset": [row[0] + offset for row in rows],
        "length": [row[1] - row[0] for row in rows],
        "line": [row[2] for row in rows],
        "column": [row[3] for row in rows],
        "text": [row[4] for row in rows],
        "canonical": [row[5] for row in rows],
        "osis": [row[6] for row in rows],
        "books": [row[7] for row in rows],
        "start_book": [book(u[0]) for u in firsts],
        "start_chapter": [given(u[1]) for u in firsts],
        "start_verse": [given(u[2]) for u in firsts],
        "end_book": [book(u[4]) for u in lasts],
        "end_chapter": [given(u[5]) for u in lasts],
        "end_verse": [given(u[6]) for u in lasts],
    }
    return pd.DataFrame(columns, columns=list(COLUMNS)).astype(COLUMNS)
