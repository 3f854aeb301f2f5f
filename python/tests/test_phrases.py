"""Book titles of three words or more (">" lines of bibl.ini): a scan reads
them as the names they stand for, as the command line does, and keeps the
original text and positions."""

import pytest

from test_api import cli_json


@pytest.mark.parametrize("lang, text, found", [
    ("en", "Read Song of Solomon 2:1-4 today.", [("Song of Solomon 2:1-4", "Song 2:1-4")]),
    ("en", "Song of Songs 8:6f; Song 1:1", [("Song of Songs 8:6f; Song 1:1",
                                              "Song 8:6-7; Song 1:1")]),
    ("cz", "Viz První list Korintským 13,4.", [("První list Korintským 13,4", "1 K 13,4")]),
    # Split by a line break inside a paragraph, but not by an empty line.
    ("cz", "a 1. list\nKorintským 13,7n.", [("1. list\nKorintským 13,7n", "1 K 13,7-8")]),
    ("cz", "a 1. list\n\nKorintským 13,7n.", []),
    # The longest phrase wins; a longer word is no phrase.
    ("en", "Song of Solomons 2:1", []),
], ids=["en", "en-list", "cz", "cz-line-break", "cz-paragraph", "longer-word"])
def test_phrases_are_found_whole_with_their_original_text(config, lang, text, found):
    l = config.language(lang)
    assert [(c.text, c.canonical) for c in l.scan(text)] == found
    for c in l.scan(text):
        assert text[c.start:c.end] == c.text


def test_exact_scans_read_no_phrases(en):
    assert [c.text for c in en.scan("Song of Solomon 2:1; Song 2:3", exact=True)] == \
        ["Song 2:3"]


def test_positions_after_a_phrase_are_those_of_the_original(cz):
    data = "Čti První list Korintským 13,4 a potom Ř 8,28.".encode("utf-8")
    found = list(cz.scan(data, lines=True))
    assert [data[c.start:c.end].decode("utf-8") for c in found] == \
        ["První list Korintským 13,4", "Ř 8,28"]
    assert [(c.line, c.column) for c in found] == [(1, 5), (1, 40)]
    text = data.decode("utf-8")
    assert [(c.start, c.end) for c in cz.scan(text)] == [(4, 30), (39, 45)]


def test_single_citations_read_phrases(cz):
    assert cz.expand("První list Korintským 13,4n") == "1 K 13,4-5"
    assert cz.check("První list Korintským 13,4") is None
    assert [c.canonical for c in cz.scan("Song of Solomon 2:1")] == []


def test_scan_finds_the_phrases_the_cli_finds(cli, config, tmp_path):
    text = ("Song of Solomon 2:1-4, then Song of Songs\n8:6 and\u00a0Ps 23:1--3.\n\n"
            "The Acts 2:38; First Corinthians 13:4.\n")
    path = tmp_path / "phrases.txt"
    path.write_text(text, encoding="utf-8")
    expected = cli_json(cli, str(path), "--lang", "en")
    found = list(config.language("en").scan(text.encode("utf-8"), lines=True))
    assert len(expected) >= 4
    assert [(c.start, c.line, c.column, c.text, c.canonical) for c in found] == \
        [(e["offset"], e["line"], e["column"], e["text"], e["canonical"]) for e in expected]

