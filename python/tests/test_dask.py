"""Corpus scans on Dask equal the scan of each whole file in one process."""

import os
import subprocess
import sys

import pandas as pd
import pytest
from dask.distributed import Client, LocalCluster

import tovrin.dask
from conftest import DATA, ROOT


def whole_files(paths, **options):
    frames = [tovrin.dask.scan_file(p, **options) for p in paths]
    return pd.concat(frames, ignore_index=True)


def computed(frame, **options):
    return frame.compute(**options).reset_index(drop=True)


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    """A few hundred files of generated Czech prose with citations, cut
    at paragraph breaks, in two directories, and one larger file."""
    root = tmp_path_factory.mktemp("corpus")
    whole = root / "whole.txt"
    subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_corpus.py"),
                    "--data", DATA, "cite", "1200K", str(whole)], check=True)
    paragraphs = whole.read_bytes().split(b"\n\n")
    for k in range(300):
        directory = root / f"part{k % 2}"
        directory.mkdir(exist_ok=True)
        (directory / f"{k:03}.txt").write_bytes(b"\n\n".join(paragraphs[k::300]))
    return root


# Citations at paragraph breaks of every kind, citations across line
# breaks inside a paragraph, and lines that end a sentence with "?" or "!".
EDGES = ("Mt 5,3\n\nL 6,20n\r\n\r\nJ 3,16\n  \t\nGn 1,1-2,3; Ex 3\n\n\n"
         "Mt~5,3--12 a\nL 6,20. \n \n \u0158 8,28\n\n"
         "Kdo?\nMt 5,\n3 a L\n6,20!\nJ 3,16\n" * 8).encode("utf-8")


@pytest.mark.parametrize("block_size", [3, 16, 100, 10**6])
@pytest.mark.parametrize("exact", [False, True])
def test_every_cut_at_paragraph_breaks_gives_the_whole_file(tmp_path, block_size, exact):
    path = tmp_path / "edges.txt"
    path.write_bytes(EDGES)
    frame = tovrin.dask.scan_files(str(path), block_size=block_size, exact=exact)
    expected = whole_files([str(path)], exact=exact)
    # "Mt~5,3--12" needs the forms; "Mt 5," and "3", "L" and "6,20" join
    # across their line breaks.
    assert len(expected) == 8 * (8 if exact else 10)
    pd.testing.assert_frame_equal(computed(frame, scheduler="sync"), expected)


def test_columns_of_a_citation(tmp_path):
    path = tmp_path / "a.txt"
    path.write_text("x\nViz \u017d 23; Mt 5,3-7,29 a J 3,16n.\n")
    rows = tovrin.dask.scan_files(str(path)).compute(scheduler="sync")
    got = rows.drop(columns="file").astype(object).where(rows.notna(), None)
    assert got.values.tolist() == [
        [6, 18, 2, 5, "\u017d 23; Mt 5,3-7,29", "\u017d 23; Mt 5,3-7,29",
         ["Ps.23", "Matt.5.3-Matt.7.29"], ["Ps", "Matt"], "\u017d", 23, None, "Mt", 7, 29],
        [27, 7, 2, 25, "J 3,16n", "J 3,16-17", ["John.3.16-John.3.17"], ["John"],
         "J", 3, 16, "J", 3, 17],
    ]
    assert list(rows.columns) == list(tovrin.dask.COLUMNS)


def test_a_file_scanned_whole_gives_the_citations_of_language_scan(cz):
    path = os.path.join(DATA, "nztexty.tex")
    with open(path, "rb") as f:
        found = list(cz.scan(f.read(), lines=True))
    rows = tovrin.dask.scan_file(path)
    columns = ["offset", "length", "line", "column", "text", "canonical", "osis", "books"]
    assert rows[columns].values.tolist() == \
        [[c.offset, c.length, c.line, c.column, c.text, c.canonical, c.osis, c.books]
         for c in found]
    assert rows["start_book"].tolist() == [cz.books()[c.units[0].start.book - 1].name
                                           for c in found]


@pytest.mark.parametrize("call, error", [
    (lambda tmp: tovrin.dask.scan_files(str(tmp / "none-*.txt")), FileNotFoundError),
    (lambda tmp: tovrin.dask.scan_files([str(tmp / "missing.txt")]), FileNotFoundError),
    (lambda tmp: tovrin.dask.scan_files(str(tmp), lang="xx"), KeyError),
    (lambda tmp: tovrin.dask.scan_files(str(tmp), config=tmp / "no.ini"), tovrin.ConfigError),
    (lambda tmp: tovrin.dask.scan_files(str(tmp), block_size=0), ValueError),
], ids=["no-match", "missing", "language", "config", "block-size"])
def test_errors_come_before_any_task(tmp_path, call, error):
    with pytest.raises(error):
        call(tmp_path)


# The cluster comes last: while a client is active, the sync scheduler warns.
@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def test_a_local_cluster_of_two_workers_gives_the_single_process_scan(corpus, client):
    pattern = str(corpus / "part*" / "*.txt")
    frame = tovrin.dask.scan_files(pattern, lang="cz", client=client)
    paths = sorted(str(p) for p in corpus.glob("part*/*.txt"))
    assert len(paths) == 300
    expected = whole_files(paths)
    # The generator draws chapters up to 50 and verses up to 40; the scan
    # takes only the citations that exist, about a third of them.
    assert len(expected) > 1000
    pd.testing.assert_frame_equal(computed(frame), expected)
    # Both workers took part.
    assert len(client.run(lambda: os.getpid())) == 2


def test_a_large_file_cut_into_blocks_gives_the_whole_file(corpus, client):
    path = str(corpus / "whole.txt")
    frame = tovrin.dask.scan_files(path, client=client, block_size=50_000)
    assert frame.npartitions == 25
    pd.testing.assert_frame_equal(computed(frame), whole_files([path]))
