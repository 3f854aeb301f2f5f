"""Citations as data: records as dataclasses, OSIS references and book
ids, and frames of them."""

import dataclasses

import pandas as pd
import pytest

import tovrin
import tovrin.dask

KAZANI = "Blahoslavení chudí (Mt 5,3--12; L~6,20n).\nSrv. Ž 23 a Ř 8,28."
SERMON = "Blessed are the poor (Matt 5:3-12; Luke 6:20f).\nSee Ps 23 and Rom 8:28."


def test_a_citation_is_a_frozen_dataclass(cz):
    c = next(cz.scan(KAZANI, lines=True))
    assert dataclasses.is_dataclass(c)
    assert [f.name for f in dataclasses.fields(c)] == [
        "text", "canonical", "osis", "books", "offset", "length", "line", "column", "units",
        "optional", "alternate", "translation", "versification"]
    assert dataclasses.asdict(c) == c.to_dict() == {
        "text": "Mt 5,3--12; L~6,20n", "canonical": "Mt 5,3-12; L 6,20-21",
        "osis": ["Matt.5.3-Matt.5.12", "Luke.6.20-Luke.6.21"], "books": ["Matt", "Luke"],
        "offset": 20, "length": 19, "line": 1, "column": 21, "units": cz.units(c.text),
        "optional": [], "alternate": None, "translation": None, "versification": "hebrew"}
    assert (c.start, c.end) == (c.offset, c.offset + c.length)
    with pytest.raises(dataclasses.FrozenInstanceError):
        c.text = "Mt 5,3"
    # Equal records are equal and hash alike, whatever their lists.
    assert c == next(cz.scan(KAZANI, lines=True)) and len({c, c}) == 1


@pytest.mark.parametrize("lang, text, osis, books", [
    ("cz", KAZANI, [["Matt.5.3-Matt.5.12", "Luke.6.20-Luke.6.21"], ["Ps.23"], ["Rom.8.28"]],
     [["Matt", "Luke"], ["Ps"], ["Rom"]]),
    ("en", SERMON, [["Matt.5.3-Matt.5.12", "Luke.6.20-Luke.6.21"], ["Ps.23"], ["Rom.8.28"]],
     [["Matt", "Luke"], ["Ps"], ["Rom"]]),
    # A book named twice is listed once, in the order of its first name.
    ("cz", "Mt 5,3; L 6,20; Mt 7,1", [["Matt.5.3", "Luke.6.20", "Matt.7.1"]],
     [["Matt", "Luke"]]),
], ids=["cz", "en", "repeated"])
def test_osis_references_and_book_ids(config, lang, text, osis, books):
    found = list(config.language(lang).scan(text))
    assert [c.osis for c in found] == osis
    assert [c.books for c in found] == books


def test_book_ids_group_texts_of_two_languages(cz, en):
    frames = pd.concat([cz.scan_frame(KAZANI, file="kazani.txt"),
                        en.scan_frame(SERMON, file="sermon.txt")], ignore_index=True)
    by_book = frames.explode("books").groupby("books")["file"].apply(sorted).to_dict()
    assert by_book == {book: ["kazani.txt", "sermon.txt"]
                       for book in ("Luke", "Matt", "Ps", "Rom")}


@pytest.mark.parametrize("text", [KAZANI, KAZANI.encode("utf-8")], ids=["str", "bytes"])
def test_scan_frame_has_the_columns_of_the_dask_frame_and_the_citations(cz, text):
    frame = cz.scan_frame(text, file="kazani.txt")
    assert frame.dtypes.astype(str).to_dict() == tovrin.dask.COLUMNS
    found = list(cz.scan(text, lines=True))
    assert frame[["offset", "length", "line", "column", "text", "canonical", "osis",
                  "books"]].values.tolist() == \
        [[c.offset, c.length, c.line, c.column, c.text, c.canonical, c.osis, c.books]
         for c in found]
    assert set(frame["file"]) == {"kazani.txt"}
    assert frame[["start_book", "start_chapter", "end_book", "end_verse"]].astype(object) \
        .where(frame.notna(), None).values.tolist() == \
        [["Mt", 5, "L", 21], ["\u017d", 23, "\u017d", None], ["\u0158", 8, "\u0158", 28]]


def test_scan_frame_of_a_text_without_citations(cz):
    frame = cz.scan_frame("nothing here", exact=True)
    assert frame.empty and list(frame.columns) == list(tovrin.dask.COLUMNS)
