"""Scans in several threads at once give what one thread gives."""

import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import pytest

from conftest import DATA, ROOT


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    out = tmp_path_factory.mktemp("threads") / "corpus.txt"
    subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_corpus.py"),
                    "--data", DATA, "cite", "400K", str(out)], check=True)
    return out.read_bytes()


def summary(lang, text, **options):
    return [(c.start, c.end, c.line, c.column, c.text, c.canonical)
            for c in lang.scan(text, **options)]


def test_parallel_scans_equal_single_thread_scans(config, corpus, sample):
    # Four languages, str and bytes, with and without places and forms.
    jobs = [(config.language(name), text, options)
            for name in ("cz", "sk", "en", "de")
            for text, options in ((corpus, {"lines": True}),
                                  (corpus.decode("utf-8"), {}),
                                  (sample, {"exact": True}))]
    alone = [summary(lang, text, **options) for lang, text, options in jobs]
    assert sum(map(len, alone)) > 1000
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(3):
            together = list(pool.map(lambda job: summary(job[0], job[1], **job[2]), jobs))
            assert together == alone
