"""What citations cite, chapter by chapter: ``tovrin.coverage`` and the
map that ``frame.tovrin.plot()`` draws, the one ``tovrin map`` draws.

The counts are those of ``tovrin map`` and ``tovrin index`` (the library
counts them): a chapter counts each unit of a citation that touches it,
once per line (when the citations were scanned with ``lines=True``) or once
per citation.
"""

from __future__ import annotations

import json
import math
from typing import TYPE_CHECKING, Iterable, Optional

import pandas as pd

from . import _encode

if TYPE_CHECKING:
    from . import Citation, Language

__all__ = ["coverage_frame", "plot_coverage"]

# Cells on a line of the map; longer books go on below, as in tovrin map.
PER_LINE = 50


def coverage_frame(citations: Iterable["Citation"], language: "Language", by: str = "chapter",
                   book: Optional[str] = None) -> pd.DataFrame:
    if by not in ("chapter", "verse"):
        raise ValueError(f"by is 'chapter' or 'verse', not {by!r}")
    places: dict = {}
    seen = set()
    for c in citations:
        # The units the index lists: "n" and "nn" read as the verses meant.
        for row in language._handle.units_versified(_encode(c.canonical)):
            row = tuple(row)
            if c.line is not None:
                if (row, c.line) in seen:
                    continue
                seen.add((row, c.line))
            places[row] = places.get(row, 0) + 1
    answer = json.loads(language._handle.coverage([row + (n,) for row, n in places.items()],
                                                  by == "verse", book or ""))
    records = []
    cell = "verse" if by == "verse" else "chapter"
    for r in answer["rows"]:
        name = r["name"].rsplit(" ", 1)[0] if by == "verse" else r["name"]
        base = {"book": r["book"], "osis": r["osis"], "name": name}
        if by == "verse":
            base["chapter"] = r["chapter"]
        # A book that no numbering system gives chapters keeps one row.
        for k, n in enumerate(r["counts"] or [0], 1):
            records.append({**base, cell: k if r["counts"] else pd.NA, "count": n})
    columns = ["book", "osis", "name"] + (["chapter", "verse"] if by == "verse" else ["chapter"])
    frame = pd.DataFrame.from_records(records, columns=columns + ["count"])
    for column in columns:
        if column in ("book", "chapter", "verse"):
            frame[column] = frame[column].astype("Int64")
    frame["count"] = frame["count"].astype("int64")
    frame.attrs.update(lang=answer["lang"], by=by, citations=answer["citations"],
                       scale=answer["scale"])
    return frame


def plot_coverage(frame: pd.DataFrame, ax=None, title: Optional[str] = None):
    """Draws the map of a frame of ``tovrin.coverage``: a row per book (a
    chapter, by verse), a cell per chapter (verse), coloured on the scale of
    ``tovrin map`` (light to dark, readable in greyscale); cells never
    cited are white. Returns the matplotlib Axes."""
    import matplotlib.pyplot as plt
    from matplotlib.colors import BoundaryNorm, ListedColormap

    by = frame.attrs.get("by", "chapter")
    keys = ["book", "chapter"] if by == "verse" else "book"
    cell = "verse" if by == "verse" else "chapter"
    scale = frame.attrs.get("scale", [])
    grid, labels = [], []
    for key, rows in frame.groupby(keys, sort=False):
        counts = rows.dropna(subset=[cell])["count"].tolist()
        name = rows["name"].iloc[0] + (f" {key[1]}" if by == "verse" else "")
        lines = max(1, math.ceil(len(counts) / PER_LINE))
        for line in range(lines):
            part = counts[line * PER_LINE:(line + 1) * PER_LINE]
            values = [_class(n, scale) for n in part] + [math.nan] * (PER_LINE - len(part))
            grid.append(values)
            labels.append(name if line == 0 else "")
    colours = ["#ffffff"] + [s["colour"] for s in scale]
    cmap = ListedColormap(colours)
    cmap.set_bad("#f4f4f4")
    norm = BoundaryNorm([k - 0.5 for k in range(len(colours) + 1)], cmap.N)
    if ax is None:
        _, ax = plt.subplots(figsize=(7.9, max(2.0, 0.13 * len(grid) + 1.2)))
    ax.imshow(grid, cmap=cmap, norm=norm, aspect="auto", interpolation="nearest")
    ax.set_yticks(range(len(labels)), labels, fontsize=5)
    ax.set_xticks([0, 9, 19, 29, 39, 49], ["1", "10", "20", "30", "40", "50"], fontsize=6)
    ax.xaxis.tick_top()
    ax.tick_params(length=0)
    for side in ax.spines.values():
        side.set_visible(False)
    cited = int((frame["count"] > 0).sum())
    ax.set_title(f"{title + ': ' if title else ''}{frame.attrs.get('citations', 0)} citations, "
                 f"{cited} {cell}s cited", fontsize=9, pad=14)
    handles = [plt.Rectangle((0, 0), 1, 1, facecolor=c, edgecolor="#b0b0b0") for c in colours]
    names = ["not cited"] + [str(s["from"]) if s["from"] == s["to"] else f"{s['from']}\u2013{s['to']}"
                             for s in scale]
    ax.legend(handles, names, ncol=len(handles), fontsize=6, loc="upper center",
              bbox_to_anchor=(0.5, 0), frameon=False)
    return ax


def _class(count: int, scale: list) -> int:
    """0 for a cell never cited, else the class of the count (from 1)."""
    for k in range(len(scale), 0, -1):
        if count >= scale[k - 1]["from"]:
            return k
    return 0


@pd.api.extensions.register_dataframe_accessor("tovrin")
class _Accessor:
    """``frame.tovrin.plot()`` on a frame of ``tovrin.coverage``."""

    def __init__(self, frame: pd.DataFrame):
        self._frame = frame

    def plot(self, ax=None, title: Optional[str] = None):
        return plot_coverage(self._frame, ax=ax, title=title)
