"""tovrin.coverage counts as `tovrin map` counts (the same text, the same
rows and cells), keeps books never cited, goes verse by verse, and its
plot() draws the map with matplotlib."""

import json
import os
import subprocess

import pytest

import tovrin

from conftest import DATA


def map_json(cli, path, *args):
    out = subprocess.run([cli, "--config", os.path.join(DATA, "bibl.ini"), "map", "--format", "json",
                          *args, path], check=True, capture_output=True)
    return json.loads(out.stdout)


@pytest.mark.parametrize("by, book", [("chapter", None), ("verse", "Mt"), ("verse", "Gn")])
def test_counts_are_those_of_tovrin_map(cz, sample, cli, by, book):
    frame = tovrin.coverage(cz.scan(sample.decode(), lines=True), cz, by=by, book=book)
    want = map_json(cli, os.path.join(DATA, "nztexty.tex"), "--by", by, *(["--book", book] if book else []))
    cell = "verse" if by == "verse" else "chapter"
    got = {}
    for row in frame.dropna(subset=[cell]).itertuples():
        key = (row.book, row.chapter) if by == "verse" else row.book
        got.setdefault(key, []).append(row.count)
    assert got == {((r["book"], r["chapter"]) if by == "verse" else r["book"]): r["counts"]
                   for r in want["rows"] if r["counts"]}
    assert frame.attrs["citations"] == want["citations"]
    assert frame.attrs["scale"] == want["scale"]


def test_frame_of_every_book(cz):
    frame = tovrin.coverage(cz.scan("Viz Mt 5,3-12 a Gn 1,1-2,3.\nZnovu Mt 5,7.", lines=True), cz)
    assert list(frame.columns) == ["book", "osis", "name", "chapter", "count"]
    assert frame["book"].nunique() == len(cz.books())
    cited = frame[frame["count"] > 0]
    assert cited[["osis", "chapter", "count"]].values.tolist() == [
        ["Gen", 1, 1], ["Gen", 2, 1], ["Matt", 5, 2]]
    # A book that no numbering system of cz has keeps a row of its own.
    assert frame[frame["name"] == "EstŘ"]["chapter"].isna().tolist() == [True]
    empty = tovrin.coverage([], cz)
    assert len(empty) == len(frame) and empty["count"].sum() == 0


def test_plot_draws_the_map(cz, tmp_path):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    frame = tovrin.coverage(cz.scan("Viz Mt 5,3-12; Ž 119,105.", lines=True), cz)
    ax = frame.tovrin.plot(title="kazani")
    # A row per book, longer books on more lines (Ž has 150 chapters: 3).
    labels = [t.get_text() for t in ax.get_yticklabels()]
    assert [l for l in labels if l][:2] == ["Gn", "Ex"]
    assert len(labels) == len(cz.books()) + sum(
        max(1, -(-n // 50)) - 1 for n in frame.groupby("book")["chapter"].count())
    assert ax.get_title() == "kazani: 2 citations, 2 chapters cited"
    assert [t.get_text() for t in ax.get_legend().get_texts()] == ["not cited", "1"]
    ax.figure.savefig(tmp_path / "map.png")
    assert (tmp_path / "map.png").stat().st_size > 0
