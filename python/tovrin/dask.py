"""Citations of a whole corpus, scanned on a Dask cluster.

    >>> from dask.distributed import Client
    >>> import tovrin.dask
    >>> client = Client("tcp://scheduler:8786")          # or Client(LocalCluster())
    >>> frame = tovrin.dask.scan_files("corpus/**/*.tex", lang="cz", client=client)
    >>> frame.groupby("start_book").size().compute()
    >>> frame.explode("books").groupby("books").size().compute()   # any language

Every file is one task, or several when it is larger than ``block_size``:
a large file is cut at line breaks that no citation crosses, where the
library cuts it for ``tovrin scan -j`` (paragraph breaks, a line that ends
in "?" or "!"; with ``exact`` any line break), so the blocks give the same
citations as the whole file. Each worker process loads the
configuration once. The workers need the package installed and the files
at the same paths (a shared file system).
"""

from __future__ import annotations

import glob
import operator
import os
import threading
from typing import List, Optional, Sequence, Tuple, Union

import dask
import dask.dataframe as dd
import pandas as pd

import tovrin
from tovrin.frame import COLUMNS, citation_frame

__all__ = ["BLOCK_SIZE", "COLUMNS", "scan_files", "scan_file"]

#: Files larger than this are scanned in blocks of about this size.
BLOCK_SIZE = 64 * 2**20

_READ = 1 << 16

_languages = {}
_languages_lock = threading.Lock()


def _language(config: Optional[str], lang: str) -> tovrin.Language:
    """The language, loaded once per process (a worker runs many tasks)."""
    with _languages_lock:
        if config not in _languages:
            _languages[config] = tovrin.Config(config)
        return _languages[config].language(lang)


def _cut(language: tovrin.Language, exact: bool, f, at: int, size: int) -> int:
    """Where the block that would begin at ``at`` begins: just after the
    first line break at or after ``at`` where the library may cut the text
    (the end of the file when there is none). The block before ends there
    too."""
    if at <= 0 or at >= size:
        return max(0, min(at, size))
    # Whether a line break may be cut depends on the byte before it, and on
    # what follows: a cut found in the bytes read is one in the file, and
    # none found may lie across their end, so read on and look again.
    base, length = at - 1, _READ
    while True:
        f.seek(base)
        data = f.read(length)
        cut = language._handle.cut_after(data, at - base, exact)
        if cut < len(data):
            return base + cut
        if base + len(data) >= size:
            return size
        length *= 2


def _frame(language: tovrin.Language, data: bytes, exact: bool, path: str = "",
           offset: int = 0) -> pd.DataFrame:
    """The frame of the citations of bytes from ``offset`` of ``path``."""
    return citation_frame(language._main_names(), language._rows(data, True, exact), path,
                          offset)


def _scan_block(path: str, name: str, start: int, end: int, config: Optional[str], lang: str,
                exact: bool) -> Tuple[pd.DataFrame, int]:
    """The citations of one block of the file at ``path`` (shown as ``name``)
    and the number of line feeds in it; lines count from the start of the
    block."""
    language = _language(config, lang)
    with open(path, "rb") as f:
        size = os.fstat(f.fileno()).st_size
        begin, stop = _cut(language, exact, f, start, size), _cut(language, exact, f, end, size)
        f.seek(begin)
        data = f.read(stop - begin)
    return _frame(language, data, exact, name, begin), data.count(b"\n")


def _later_lines(frame: pd.DataFrame, lines_before: int) -> pd.DataFrame:
    return frame.assign(line=frame["line"] + lines_before)


def _paths(paths_or_glob: Union[str, os.PathLike, Sequence]) -> List[str]:
    patterns = ([paths_or_glob] if isinstance(paths_or_glob, (str, os.PathLike))
                else list(paths_or_glob))
    paths = []
    for pattern in map(os.fspath, patterns):
        matched = sorted(glob.glob(pattern, recursive=True)) if glob.has_magic(pattern) \
            else [pattern]
        paths.extend(p for p in matched if not os.path.isdir(p))
    if not paths:
        raise FileNotFoundError(f"no file matches {paths_or_glob!r}")
    for p in paths:
        if not os.path.isfile(p):
            raise FileNotFoundError(f"no file {p!r}")
    return paths


def _file_parts(name: str, config: Optional[str], lang: str, exact: bool,
                block_size: int) -> list:
    """The partitions of one file: one per block, each with the lines of
    the blocks before it added. The file keeps its name as given, and the
    workers open it by its absolute path (their working directories are
    their own)."""
    path = os.path.abspath(name)
    size = os.path.getsize(path)
    scan = dask.delayed(_scan_block, nout=2)
    lines_before, parts = 0, []
    for start in range(0, max(size, 1), block_size):
        frame, lines = scan(path, name, start, start + block_size, config, lang, exact)
        parts.append(dask.delayed(_later_lines)(frame, lines_before))
        lines_before = dask.delayed(operator.add)(lines_before, lines)
    return parts


def scan_files(paths_or_glob: Union[str, os.PathLike, Sequence], lang: str = "cz",
               client=None, *, config: Union[str, os.PathLike, None] = None,
               exact: bool = False, block_size: int = BLOCK_SIZE) -> dd.DataFrame:
    """The citations of a corpus as a Dask DataFrame (see COLUMNS: the
    columns of ``Language.scan_frame``, with byte offsets), in the order
    of the files and of the citations in each.

    ``paths_or_glob``: a path, a glob pattern ("corpus/**/*.txt") or a list
    of them. ``config``: a bibl.ini that every worker can read (by default
    each worker's shipped one). ``exact`` as for Language.scan. With a
    ``client`` the scan starts on its cluster at once (the frame is
    persisted there); without one the frame is lazy and runs on the
    default scheduler when computed.
    """
    if block_size < 1:
        raise ValueError("block_size must be positive")
    config = os.path.abspath(os.fspath(config)) if config is not None else None
    # Fail here, not on a worker, for a configuration or language that
    # does not exist.
    _language(config, lang)
    parts = []
    for path in _paths(paths_or_glob):
        parts.extend(_file_parts(path, config, lang, exact, block_size))
    frame = dd.from_delayed(parts, meta=citation_frame([], []), verify_meta=False)
    return client.persist(frame) if client is not None else frame


def scan_file(path: Union[str, os.PathLike], lang: str = "cz", *,
              config: Union[str, os.PathLike, None] = None,
              exact: bool = False) -> pd.DataFrame:
    """The frame of one file scanned whole in this process, with the
    columns of scan_files: what every block of scan_files adds up to."""
    path = os.fspath(path)
    config = os.path.abspath(os.fspath(config)) if config is not None else None
    language = _language(config, lang)
    with open(path, "rb") as f:
        data = f.read()
    return _frame(language, data, exact, path)
