"""The module against the command line, and its API on single citations,
positions and errors."""

import json
import os
import pickle
import subprocess

import pytest

import tovrin
from conftest import DATA


def cli_json(cli, path, *options):
    out = subprocess.run([cli, "scan", "--config", os.path.join(DATA, "bibl.ini"),
                          "--format", "json", *options, path],
                         check=True, capture_output=True).stdout
    return [json.loads(line) for line in out.decode("utf-8").splitlines()]


def osis_list(references):
    """The command line's OSIS references ("Ps.23,Matt.5.3") as a list."""
    return references.split(",") if references is not None else None


# ---- scans against `tovrin scan --format json` -----------------------------

@pytest.mark.parametrize("options", [(), ("--exact",)], ids=["forms", "exact"])
def test_scan_gives_the_citations_of_the_cli(cli, cz, sample, options):
    expected = cli_json(cli, os.path.join(DATA, "nztexty.tex"), *options)
    found = list(cz.scan(sample, lines=True, exact=bool(options)))
    assert len(expected) > 90
    assert [(c.start, c.line, c.column, c.text, c.canonical, c.osis) for c in found] == \
        [(e["offset"], e["line"], e["column"], e["text"], e["canonical"], osis_list(e["osis"]))
         for e in expected]


@pytest.mark.parametrize("options", [(), ("--exact",)], ids=["existing", "exact"])
def test_scan_takes_existing_citations_as_the_cli_does(cli, cz, tmp_path, options):
    text = "Zpívali jsme EZ 508,1 a Na 5 minut u Ez 37,1-14 a J 3,16-99.\n"
    path = tmp_path / "hymns.txt"
    path.write_text(text, encoding="utf-8")
    expected = [e["text"] for e in cli_json(cli, str(path), *options)]
    found = [c.text for c in cz.scan(text.encode("utf-8"), exact=bool(options))]
    assert found == expected
    assert ("EZ 508,1" in found) == bool(options)
    assert ("J 3,16" if not options else "J 3,16-99") in found


def test_str_scan_finds_the_same_citations_at_str_indices(cz, sample):
    text = sample.decode("utf-8")
    in_bytes = list(cz.scan(sample, lines=True))
    in_str = list(cz.scan(text, lines=True))
    assert [(c.text, c.canonical, c.line, c.column) for c in in_str] == \
        [(c.text, c.canonical, c.line, c.column) for c in in_bytes]
    for s, b in zip(in_str, in_bytes):
        assert text[s.start:s.end] == s.text
        assert sample[b.start:b.end].decode("utf-8") == b.text
        assert len(text[:s.start].encode("utf-8")) == b.start


# ---- positions -------------------------------------------------------------

KAZANI = "Blahoslavení chudí (Mt 5,3--12; L~6,20n).\nSrv. Ř 8,28 a Ř 7,25-8,2, též Xy 3,4."

# (text, start, end, line, column) of each citation, in characters.
KAZANI_PLACES = [
    ("Mt 5,3--12; L~6,20n", 20, 39, 1, 21),
    ("Ř 8,28", 47, 53, 2, 6),
    ("Ř 7,25-8,2", 56, 66, 2, 15),
]


def test_str_positions_and_columns_count_characters(cz):
    found = [(c.text, c.start, c.end, c.line, c.column) for c in cz.scan(KAZANI, lines=True)]
    assert found == KAZANI_PLACES


def test_bytes_positions_are_byte_offsets_and_columns_count_characters(cz):
    data = KAZANI.encode("utf-8")
    for c, (text, _, _, line, column) in zip(cz.scan(data, lines=True), KAZANI_PLACES):
        assert data[c.start:c.end].decode("utf-8") == text
        assert (c.text, c.line, c.column) == (text, line, column)
    assert [c.start for c in cz.scan(data)] == [22, 49, 59]


def test_places_only_when_asked(cz):
    c = next(cz.scan(KAZANI))
    assert (c.line, c.column) == (None, None)


def test_bytes_that_are_not_utf8_keep_their_offsets_and_survive_in_text(cz):
    data = b"\xff\xfe Mt 5,3 \xe9 L 6,20\xff"
    found = list(cz.scan(bytearray(data)))
    assert [(c.start, c.end) for c in found] == [(3, 9), (12, 18)]
    assert [c.text.encode("utf-8", "surrogateescape") for c in found] == [b"Mt 5,3", b"L 6,20"]


def test_lone_surrogates_in_str_keep_str_indices(cz):
    text = "\udcff\ud800 Mt 5,3"
    [c] = cz.scan(text)
    assert (c.start, c.end, c.text) == (3, 9, "Mt 5,3")


# ---- typographic forms -----------------------------------------------------

@pytest.mark.parametrize("text, found, exact", [
    ("Mt 5,3\u201312", "Mt 5,3\u201312", "Mt 5,3"),              # en dash
    ("Mt 5,3\u201412", "Mt 5,3\u201412", "Mt 5,3"),              # em dash
    ("Mt\u20095,3\u202f", "Mt\u20095,3", None),                  # thin, narrow no-break space
    ("Mt~5,3---12", "Mt~5,3---12", None),                         # tie, TeX em dash
    ("Mt\u00a05,3", "Mt\u00a05,3", None),                         # no-break space
    ("Mt\r\n5,3 x", "Mt\r\n5,3", None),                           # line break in a paragraph
    ("Mt\n\n5,3 x", None, None),                                  # a paragraph ends
    ("x\n \nMt\n5,3", "Mt\n5,3", None),                           # after a blank line
    ("Mt 5,3\u221212", "Mt 5,3\u221212", "Mt 5,3"),              # minus sign
    ("Z\u030c 23,1", "Z\u030c 23,1", None),                      # decomposed letter
], ids=["en-dash", "em-dash", "thin-space", "tie", "nbsp", "crlf", "paragraph", "blank-line",
        "minus", "decomposed"])
def test_typographic_forms_are_read_unless_exact(cz, text, found, exact):
    assert [c.text for c in cz.scan(text)] == ([found] if found else [])
    assert [c.text for c in cz.scan(text, exact=True)] == ([exact] if exact else [])


@pytest.mark.parametrize("text, canonical", [
    ("Z\u030c 23,1", "\u017d 23,1"),
    ("Mt 5,3\u221212", "Mt 5,3-12"),
    ("Z\u030c 23,1\u22123", "\u017d 23,1-3"),
], ids=["decomposed", "minus", "both"])
def test_forms_are_read_as_the_language_writes_them(cz, text, canonical):
    data = ("a " + text + " b").encode("utf-8")
    [c] = cz.scan(data)
    assert (c.text, c.canonical, c.start) == (text, canonical, 2)
    assert data[c.start:c.end].decode("utf-8") == text
    assert (cz.expand(text), cz.check(text)) == (canonical, None)


def test_a_form_before_a_citation_moves_its_byte_offset(cz):
    data = "a\u2013b\u00a0c Mt 5,3\u201312".encode("utf-8")
    [c] = cz.scan(data)
    assert data[c.start:c.end] == "Mt 5,3\u201312".encode("utf-8")
    assert c.canonical == "Mt 5,3-12"


# ---- single citations ------------------------------------------------------

@pytest.mark.parametrize("cite, kwargs, expected", [
    ("J 3,16n; Gn 1,1-2,3", {}, "J 3,16-17; Gn 1,1-2,3"),
    ("Gn 1,1\u20132,4a", {}, "Gn 1,1-2,4a"),
    (b"Mt 5,3.7", {}, "Mt 5,3; Mt 5,7"),
    ("\u0158 8,28; 1 K 13,4", {"to": "en"}, "Rom 8:28; 1 Cor 13:4"),
    ("Mt 5,3; Gn 1,1", {"sort": True}, "Gn 1,1; Mt 5,3"),
    ("Mt 5,3; Gn 1,1", {"to": "en", "sort": True}, "Gen 1:1; Matt 5:3"),
])
def test_expand(cz, cite, kwargs, expected):
    assert cz.expand(cite, **kwargs) == expected


def test_expand_to_a_language_object(cz, en):
    assert cz.expand("1 J 2,1nn", to=en) == "1 John 2:1ff"


def test_translate_keeps_the_shape(cz, en):
    assert cz.translate("Mt 5,3-12; L 6,20n", en) == "Matt 5:3-12; Luke 6:20f"
    assert en.translate("Rom 8:28", "cz") == "\u0158 8,28"


@pytest.mark.parametrize("a, b, expected", [
    ("Mt 5,1-12", "Mt 5,3", (True, -1)),
    ("Mt 5,3", "Mt 5,3", (True, 0)),
    ("Gn 1,1", "Mt 1,1", (False, -1)),
    ("Mt 5,3; Mt 6,1", "Mt 5,3", (True, 1)),
])
def test_compare(cz, a, b, expected):
    assert tuple(cz.compare(a, b)) == expected


def test_compare_across_languages(cz):
    assert cz.compare("Mt 5,3", "Matt 5:3", b_lang="en") == tovrin.Comparison(True, 0)


def test_tokens(cz):
    T = tovrin.TokenKind
    assert cz.tokens("1 J 2,1nn") == [(T.BOOK, "1 J"), (T.CHAPTER, "2"), (T.VERSE, "1"),
                                      (T.NEXT2, "nn")]


def test_units_apply_the_marks(cz):
    P = tovrin.Position
    assert cz.units("J 3,16n; Ž 23; Gn 1,1a-2,3") == [
        tovrin.Unit(P(43, 3, 16, None), P(43, 3, 17, None), None),
        tovrin.Unit(P(19, 23, None, None), P(19, 23, None, None), None),
        tovrin.Unit(P(1, 1, 1, "a"), P(1, 2, 3, None), None),
    ]


def test_citation_units_are_those_of_its_text(cz):
    [c] = cz.scan("viz J 3,16n.")
    assert c.units == cz.units("J 3,16n")


@pytest.mark.parametrize("lang, text, osis", [
    ("cz", "viz J 3,16n.", ["John.3.16-John.3.17"]),
    # The marks follow the language's numbering across a chapter end.
    ("cz", "J 3,36n", ["John.3.36-John.4.1"]),
    ("ru", "Мал 3:18f", ["Mal.3.18-Mal.4.1"]),
    ("en", "Song of Solomon 2:1-4; Ps 23", ["Song.2.1-Song.2.4", "Ps.23"]),
], ids=["cz", "chapter-end", "synodal", "phrase"])
def test_citation_osis_is_a_list_of_references(config, lang, text, osis):
    l = config.language(lang)
    [c] = l.scan(text)
    assert c.osis == osis
    assert l.osis(c.text) == osis


def test_books(cz, en):
    books = cz.books()
    assert len(books) == len(en.books()) > 66
    assert books[0] == tovrin.Book(1, "Gn", books[0].names)
    assert "Genesis" in books[0].names
    assert en.books()[39].name == "Matt"


# ---- errors ----------------------------------------------------------------

INVALID = [
    ("Xy 3,4", "unknown book name 'Xy'"),
    ("Mt 5,1000", "chapter or verse number '1000' out of range 1-999"),
    ("Mt 5,0", "chapter or verse number '0' out of range 1-999"),
    ("Mt 5,7-3", "reversed range"),
    ("Gn", "missing chapter"),
    ("Mt 5,3-", "not a citation: stops at column 8"),
    ("\u017d 23,", "not a citation: stops at column 6"),
    ("Mt~5,3---", "not a citation: stops at column 10"),   # columns of the text as written
    ("", "not a citation: stops at column 1"),
]


@pytest.mark.parametrize("cite, reason", INVALID)
def test_check_returns_the_reason(cz, cite, reason):
    assert cz.check(cite) == reason
    with pytest.raises(tovrin.CitationError) as e:
        cz.check(cite, raises=True)
    assert (e.value.reason, e.value.citation) == (reason, cite)
    assert str(e.value) == f"{reason} in '{cite}'"


def test_check_names_the_book_of_a_misspelt_name(cz):
    assert cz.check("Zalm 23,1") == "unknown book name 'Zalm' (did you mean '\u017dalm'?)"
    with pytest.raises(tovrin.CitationError) as e:
        cz.expand("Zalm 23,1")
    assert (e.value.reason, e.value.citation) == (cz.check("Zalm 23,1"), "Zalm 23,1")
    assert str(e.value) == "unknown book name 'Zalm' in 'Zalm 23,1' (did you mean '\u017dalm'?)"


@pytest.mark.parametrize("cite, reason", [
    ("Mt 29,1", "no chapter 29 in Mt (it has 28)"),
    ("Mt 5,49", "no verse 49 in Mt 5 (it has 48)"),
    ("Mt 5,3-12", None),
    ("Ju 5", None),
    ("Ju 26", "no verse 26 in Ju 1 (it has 25)"),
])
def test_check_of_existing_citations(cz, cite, reason):
    assert cz.check(cite) == reason
    assert cz.check(cite, existing=False) is None


@pytest.mark.parametrize("call", [
    lambda cz, cite: cz.expand(cite),
    lambda cz, cite: cz.expand(cite, to="en"),
    lambda cz, cite: cz.translate(cite, "en"),
    lambda cz, cite: cz.units(cite),
    lambda cz, cite: cz.compare("Mt 5,3", cite),
    lambda cz, cite: cz.compare(cite, "Mt 5,3"),
], ids=["expand", "expand-to", "translate", "units", "compare-second", "compare-first"])
@pytest.mark.parametrize("cite, reason", INVALID[:4] + INVALID[5:])
def test_services_raise_on_invalid_citations(cz, call, cite, reason):
    with pytest.raises(tovrin.CitationError, match=reason):
        call(cz, cite)


def test_services_take_a_bare_book_as_the_whole_book(cz):
    assert (cz.expand("Gn"), cz.expand("Gn-Dt", to="en")) == ("Gn", "Gen-Deut")
    assert cz.compare("Gn", "Gn 3,4") == tovrin.Comparison(True, -1)
    assert cz.check("Gn") == "missing chapter"


def test_valid_citations_pass_check(cz):
    assert [cz.check(c) for c in ("Mt 5,3-12; L 6,20n", "Gn 1,1\u20132,4a", b"Ps 23")] == \
        [None, None, "unknown book name 'Ps'"]


def test_tokens_raise_where_the_lexer_stops(cz):
    with pytest.raises(tovrin.CitationError, match="stops at column 8"):
        cz.tokens("Mt 5,3-")


XX = "{xx\n!;-,:+na\n_abcdefghijklmnopqrstuvwxyz\n^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n&ab\n"


def write(path, text):
    path.write_text(text)
    return path


@pytest.mark.parametrize("make, line, message", [
    (lambda tmp: tmp / "missing.ini", 0, "cannot read: No such file or directory"),
    (lambda tmp: tmp, 0, "cannot read: Is a directory"),
    (lambda tmp: write(tmp / "empty.ini", "% only a comment\n"), 0, "no languages in it"),
    (lambda tmp: write(tmp / "outside.ini", "+Gn\n"), 1, "config tag not inside '{ .. }'"),
    (lambda tmp: write(tmp / "partial.ini", "{xx\n!;-,:+na\n}\n"), 3,
     "language 'xx' has no '_' line"),
    # Phrase lines, which the command line ends on with the same message.
    (lambda tmp: write(tmp / "phrase.ini", XX + "+Gen\n>Book of Genesis>Exodus\n}\n"), 7,
     "the phrase stands for no book name of its language"),
    (lambda tmp: write(tmp / "phrase-line.ini", XX + "+Gen\n>Book of Genesis\n}\n"), 7,
     "a phrase line is \">PHRASE>NAME\", below 200 bytes"),
], ids=["missing", "directory", "no-languages", "outside", "partial", "phrase-name",
        "phrase-line"])
def test_config_errors_are_exceptions(tmp_path, make, line, message, cz):
    path = str(make(tmp_path))
    with pytest.raises(tovrin.ConfigError) as e:
        tovrin.Config(path)
    assert (e.value.file, e.value.line, e.value.message) == (path, line, message)
    assert str(e.value) == f"{path}:{line}: {message}" if line else f"{path}: {message}"
    # The process goes on, with the languages it had.
    assert cz.expand("Mt 5,3n") == "Mt 5,3-4"


@pytest.mark.parametrize("alias, name", [("cs", "cz"), ("cz", "cz"), ("en", "en")])
def test_languages_by_name_or_alias_are_one_object(config, alias, name):
    assert config.language(alias) is config.language(name)
    assert config.language(alias).name == name
    assert alias in config


@pytest.mark.parametrize("call, attributes", [
    (lambda: tovrin.Config().language("cz").expand("Xy 3"), ("reason", "citation")),
    (lambda: tovrin.Config("/no/such/bibl.ini"), ("file", "line", "message")),
], ids=["citation", "config"])
def test_errors_travel_from_dask_workers_whole(call, attributes):
    with pytest.raises((tovrin.CitationError, tovrin.ConfigError)) as e:
        call()
    copy = pickle.loads(pickle.dumps(e.value))
    assert type(copy) is type(e.value) and type(copy).__module__ == "tovrin"
    assert str(copy) == str(e.value)
    assert [getattr(copy, a) for a in attributes] == [getattr(e.value, a) for a in attributes]


def test_unknown_language_is_a_key_error(config):
    with pytest.raises(KeyError, match="unknown language 'xx' \\(languages: cz, sk, en"):
        config.language("xx")
    assert "cz" in config and "xx" not in config


@pytest.mark.parametrize("bad", [None, 42, ["Mt 5,3"]])
def test_texts_of_other_types_are_type_errors(cz, bad):
    with pytest.raises(TypeError):
        list(cz.scan(bad))
    with pytest.raises(TypeError):
        cz.expand(bad)


def test_a_configuration_of_ones_own(tmp_path):
    ini = tmp_path / "bibl.ini"
    ini.write_text("{xx\n!;-,:+na\n_abcdefghijklmnopqrstuvwxyz\n"
                   "^ABCDEFGHIJKLMNOPQRSTUVWXYZ\n&ab\n+Gen\n*Genesis\n+Ex\n}\n")
    xx = tovrin.Config(ini).language("xx")
    assert [c.canonical for c in xx.scan("see Genesis 1:2n and Ex 3")] == ["Gen 1:2-3", "Ex 3"]
    # No numbering system: no OSIS references, as in tovrin scan.
    assert [c.osis for c in xx.scan("Ex 3")] == [None]
    assert xx.osis("Ex 3") is None


XX_BOOKS = XX + "+Gen\n*Genesis\n+Ex\n}\n"


def test_a_configuration_text():
    xx = tovrin.Config.from_text(XX_BOOKS).language("xx")
    assert [(c.text, c.canonical) for c in xx.scan("Genesis 1:2n")] == [("Genesis 1:2n",
                                                                         "Gen 1:2-3")]
    with pytest.raises(tovrin.ConfigError) as e:
        tovrin.Config.from_text("+Gn\n", "mine.ini")
    assert (e.value.file, e.value.line) == ("mine.ini", 1)


@pytest.mark.parametrize("call", [
    lambda cz, xx: cz.expand("Mt 5,3", to=xx),
    lambda cz, xx: cz.translate("Mt 5,3", xx),
], ids=["expand", "translate"])
def test_a_book_without_a_name_in_the_target_raises(cz, call):
    xx = tovrin.Config.from_text(XX_BOOKS).language("xx")
    with pytest.raises(tovrin.CitationError, match="book 40 has no name in 'xx'"):
        call(cz, xx)


# The default reading of real texts, as every door reads them.
@pytest.mark.parametrize("lang, text, found", [
    ("cz", "viz Ju 5 a PL 38, 1134", [("Ju 5", ["Jude.1.5"])]),
    ("en", "Jas 2:17, 1 Pet 2:9", [("Jas 2:17", ["Jas.2.17"]), ("1 Pet 2:9", ["1Pet.2.9"])]),
    ("en", "Is 5 enough? 2 John 21", []),
])
def test_scan_reads_real_texts(config, lang, text, found):
    assert [(c.text, c.osis) for c in config.language(lang).scan(text)] == found


def test_scan_leaves_out_sigla_named_by_the_author(cz):
    # A document whose "Jk" is a hymnal of its own, not the letter of James.
    text = "Jk 5,13 a Ž 23,1"
    assert [c.text for c in cz.scan(text)] == ["Jk 5,13", "Ž 23,1"]
    assert [c.text for c in cz.scan(text, sigla="Jk")] == ["Ž 23,1"]


def test_services_take_only_what_exists(cz):
    with pytest.raises(tovrin.CitationError) as e:
        cz.expand("Mt 29,1")
    assert e.value.reason == "no chapter 29 in Mt (it has 28)"
    assert cz.osis("Judova 17-25") == ["Jude.1.17-Jude.1.25"]


def test_records_carry_the_forms_of_lectionaries(cz):
    text = "Čtení: Lukáš 17,20-24(25-30), Žalm 11(10) a J 3,16 ČEP."
    found = list(cz.scan(text))
    assert [c.text for c in found] == ["Lukáš 17,20-24(25-30)", "Žalm 11(10)", "J 3,16 ČEP"]
    lukas = found[0]
    assert [text[lukas.start + o:lukas.start + o + n] for o, n in lukas.optional] == ["25-30"]
    assert lukas.osis == ["Luke.17.20-Luke.17.24", "Luke.17.25-Luke.17.30"]
    assert (found[1].alternate, found[1].canonical) == ("(10)", "Ž 11")
    assert (found[2].translation, found[2].canonical) == ("ČEP", "J 3,16")
    assert found[0].alternate is None and found[0].translation is None
