"""Find, check, normalise, translate, compare and sort Bible citations.

tovrin reads citations such as "Mt 5,3-12; L 6,20n" in running text. The
book names, letters and punctuation of each language come from a
configuration (bibl.ini); the one built into the library knows Czech
("cz", alias "cs"), Slovak, English, German, Latin and more.

    >>> import tovrin
    >>> cz = tovrin.Config().language("cz")
    >>> [c.canonical for c in cz.scan("Viz Mt 5,3-12; L 6,20n.")]
    ['Mt 5,3-12; L 6,20-21']

Texts are str or bytes (UTF-8). Positions are str indices for str input and
byte offsets for bytes input. A citation that does not read raises
CitationError, worded as ``tovrin lint`` words it.
"""

from __future__ import annotations

import dataclasses
import enum
import os
from typing import TYPE_CHECKING, Iterator, List, NamedTuple, Optional, Tuple, Union

from . import _tovrin
from ._tovrin import CitationError, ConfigError

if TYPE_CHECKING:
    import pandas

__all__ = [
    "Book",
    "Citation",
    "CitationError",
    "Comparison",
    "Config",
    "ConfigError",
    "Language",
    "Position",
    "Token",
    "TokenKind",
    "Unit",
    "coverage",
]

__version__ = _tovrin.VERSION

Text = Union[str, bytes]

# Shown, and pickled (from Dask's workers), as the package's own.
CitationError.__module__ = ConfigError.__module__ = __name__
CitationError.__doc__ = """A text that is not a valid citation.

``str(error)`` is the message of ``tovrin lint`` ("unknown book name 'Xy'
in 'Xy 3,4'"); ``reason`` is the message without the citation ("unknown
book name 'Xy'", "reversed range", ...), ``citation`` the text (a str).
"""


class TokenKind(enum.IntEnum):
    """Kinds of the lexer's tokens (the TK_ constants of tovrin.h)."""

    BOOK = 1
    BOOK_FROM = 2
    CHAPTER = 3
    CHAPTER_FROM = 4
    VERSE = 5
    VERSE_FROM = 6
    NEXT = 10
    NEXT2 = 11
    OPEN_END = 12
    PART = 13
    PART_FROM = 14


class Token(NamedTuple):
    """One token: its kind and its text (book names normalised)."""

    kind: TokenKind
    text: str


class Position(NamedTuple):
    """One end of a citation unit. ``book`` is the book's number (the same
    in every language); chapter, verse and part are None when not given."""

    book: int
    chapter: Optional[int]
    verse: Optional[int]
    part: Optional[str]


class Unit(NamedTuple):
    """One unit of a citation, from ``start`` to ``end`` (equal for a single
    place), with the following and open-end marks applied. ``mark`` is
    TokenKind.NEXT2 for a doubled following mark ("nn"), which stays a mark,
    else None."""

    start: Position
    end: Position
    mark: Optional[TokenKind]


class Book(NamedTuple):
    """A book of a language: its number, main name and every name."""

    number: int
    name: str
    names: tuple


class Comparison(NamedTuple):
    """How two citations relate. ``overlap``: some unit of the first
    overlaps some unit of the second (the test is not symmetric). ``order``:
    negative when the first comes first, positive when the second does, 0
    when neither does."""

    overlap: bool
    order: int


def _position(book: int, chapter: int, verse: int, part: int) -> Position:
    return Position(book, chapter or None, verse or None, chr(part) if part > 0 else None)


def _unit(row: tuple) -> Unit:
    return Unit(_position(*row[0:4]), _position(*row[4:8]), TokenKind(row[8]) if row[8] else None)


@dataclasses.dataclass(frozen=True)
class Citation:
    """A citation found in a text: the library's record of it.

    ``text`` is the citation as written, ``canonical`` its canonical form
    (every unit written out in full), ``osis`` its OSIS references
    (["Matt.5.3-Matt.5.12", "Luke.6.20"]; None in a language without
    numbering systems), ``books`` the OSIS ids of the books it names, in
    order, each once (["Matt", "Luke"]: the same in every language).
    ``offset`` and ``length`` place it in the text: str indices for str
    input, bytes for bytes input (``start`` and ``end`` too). ``line`` and
    ``column`` (from 1; the column counts characters) are set when the scan
    was asked for them, else None. ``units`` are its units, marks applied.
    The forms of lectionaries and reading plans: ``optional`` lists the
    verses that may be read too as (offset, length) from the citation's
    start ("25-30" of "L 17,20-24(25-30)"); ``alternate`` is the number of
    another numbering given with it ("(10)" of "Žalm 11(10)"), and
    ``translation`` the tag of a translation after it ("ČEP"), or None.
    ``versification`` names the numbering system the OSIS ids follow
    ("hebrew"), None without ids.

    ``dataclasses.asdict(c)`` and ``c.to_dict()`` give it as a dict.
    """

    text: str
    canonical: str
    osis: Optional[List[str]]
    books: List[str]
    offset: int
    length: int
    line: Optional[int]
    column: Optional[int]
    units: List[Unit] = dataclasses.field(repr=False)
    optional: List[Tuple[int, int]] = dataclasses.field(default_factory=list)
    alternate: Optional[str] = None
    translation: Optional[str] = None
    versification: Optional[str] = None

    @classmethod
    def _of(cls, row: tuple) -> "Citation":
        (start, end, line, column, text, canonical, osis, books, units, optional, alternate,
         translation, versification) = row
        return cls(text, canonical, osis, books, start, end - start, line or None,
                   column or None, [_unit(u) for u in units], [tuple(o) for o in optional],
                   alternate, translation, versification)

    @property
    def start(self) -> int:
        """Where it begins in the text (``offset``)."""
        return self.offset

    @property
    def end(self) -> int:
        """Where it ends in the text: ``text[c.start:c.end]`` is ``c.text``."""
        return self.offset + self.length

    def to_dict(self) -> dict:
        """The fields as a dict (units as nested tuples)."""
        return dataclasses.asdict(self)

    # The lists make the generated hash fail; the place and the texts
    # identify a citation of a text.
    def __hash__(self) -> int:
        return hash((self.offset, self.length, self.text, self.canonical))


def _encode(text: Text) -> bytes:
    if isinstance(text, str):
        # Lone surrogates pass through, so every str has its bytes.
        return text.encode("utf-8", "surrogatepass")
    if isinstance(text, (bytes, bytearray, memoryview)):
        return bytes(text)
    raise TypeError(f"a citation is str or bytes, not {type(text).__name__}")


class Language:
    """A language of a configuration: ``Config().language("cz")``.

    Texts and single citations are read as every program of tovrin reads
    them: with the typographic forms of real texts (a range written with
    any dash, U+2212 or "--"; "~" and no-break spaces as spaces; a line
    break inside a paragraph as a space), decomposed letters ("Z" and a
    combining caron as "Ž"), and the book titles of three words or more
    that the configuration gives as phrases ("Song of Solomon").
    """

    def __init__(self, config: "Config", handle: "_tovrin.Language") -> None:
        self._config = config
        self._handle = handle
        self._names: Optional[List[str]] = None

    @property
    def name(self) -> str:
        """The language's name in the configuration ("cz")."""
        return self._handle.name

    @property
    def config(self) -> "Config":
        """The configuration the language comes from."""
        return self._config

    def __repr__(self) -> str:
        return f"<tovrin.Language {self.name!r} of {self._config!r}>"

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Language) and self._handle == other._handle

    def __hash__(self) -> int:
        return hash(self._handle)

    # ---- texts ---------------------------------------------------------

    def _rows(self, text: Union[Text, bytearray, memoryview], lines: bool,
              exact: bool, sigla: str = "") -> list:
        characters = isinstance(text, str)
        data = _encode(text) if characters else text
        return self._handle.scan(data, exact, characters, lines, _encode(sigla))

    def scan(self, text: Union[Text, bytearray, memoryview], *, lines: bool = False,
             exact: bool = False, sigla: str = "") -> Iterator[Citation]:
        """Yields the citations of ``text`` in order.

        Positions are str indices for str input and byte offsets for
        bytes-like input. With ``lines`` each citation also gets its line
        and column. The text is read as ``tovrin scan`` reads files: with
        its typographic forms, decomposed letters and phrases (a citation's
        ``text`` is as written), taking only citations that exist;
        ``exact`` turns all of that off. ``sigla`` names sigla that are not
        books besides the language's own ("Sermo Conf"): they begin no
        citation.

        The search runs without the GIL: scans in several threads run in
        parallel.
        """
        return (Citation._of(row) for row in self._rows(text, lines, exact, sigla))

    def scan_frame(self, text: Union[Text, bytearray, memoryview], *, exact: bool = False,
                   file: str = "") -> "pandas.DataFrame":
        """The citations of ``text`` as a pandas DataFrame, one row per
        citation, with the columns of ``tovrin.dask.scan_files``
        (``tovrin.frame.COLUMNS``); ``file`` fills its column. Offsets are
        str indices for str input, as in ``scan``. Needs pandas."""
        from . import frame
        return frame.citation_frame(self._main_names(), self._rows(text, True, exact), file)

    # ---- single citations ---------------------------------------------

    def _language(self, lang: Union["Language", str, None]) -> "Language":
        if lang is None:
            return self
        return self._config.language(lang) if isinstance(lang, str) else lang

    def check(self, cite: Text, *, raises: bool = False,
              existing: bool = True) -> Optional[str]:
        """None when ``cite`` is a valid citation, else the reason, worded
        as ``tovrin lint`` words it: "unknown book name 'Xy'", "chapter or
        verse number '1000' out of range 1-999", "reversed range", "missing
        chapter", "not a citation: stops at column N" (N counts the
        characters of ``cite`` as written). A name that is probably a
        misspelt one comes with the name meant: "unknown book name 'Zalm'
        (did you mean 'Žalm'?)". Its chapters and verses must exist too
        ("no chapter 29 in Mt (it has 28)"; a book of one chapter is cited
        by its verses alone, "Ju 5"), unless ``existing`` is False. With
        ``raises`` an invalid citation raises CitationError instead."""
        try:
            self._handle.require(_encode(cite), False, existing)
        except CitationError as e:
            if raises:
                raise
            return e.reason
        return None

    def expand(self, cite: Text, to: Union["Language", str, None] = None,
               sort: bool = False) -> str:
        """The canonical text of ``cite``: every unit in full, marks applied.
        ``to`` writes it in another language, unit by unit, numbered as the
        first numbering system of ``to`` numbers it (Latin "Ps 22" is "Ž 23"
        in cz); ``sort`` sorts the units. A bare book name stands for the whole book. Raises
        CitationError for an invalid citation."""
        target = None if to is None else self._language(to)._handle
        return self._handle.expand(_encode(cite), target, sort)

    def translate(self, cite: Text, to: Union["Language", str]) -> str:
        """``cite`` written in ``to`` token by token, keeping its shape
        (verse lists, marks), where the first numbering system of ``to``
        numbers it as this language's does; elsewhere as ``expand(cite, to)``
        writes it. Raises CitationError for an invalid citation."""
        return self._handle.translate(_encode(cite), self._language(to)._handle)

    def compare(self, a: Text, b: Text,
                b_lang: Union["Language", str, None] = None) -> Comparison:
        """How ``a`` relates to ``b`` (written in ``b_lang``, by default
        this language), both in one numbering system (Latin "Ps 22" and
        Czech "Ž 23" overlap): whether they overlap, and which comes first.
        Raises CitationError when either is invalid."""
        other = self._language(b_lang)
        return Comparison(*self._handle.compare(_encode(a), _encode(b), other._handle))

    def osis(self, cite: Text, versification: Optional[str] = None) -> Optional[List[str]]:
        """The OSIS references of ``cite`` (["John.3.16-John.3.17"]), its
        marks read by the language's first numbering system; None in a
        language without numbering systems. With ``versification`` (a
        system's name: "kjv", "hebrew", "vulgate", ...) the references are
        numbered as that system numbers them: Latin "Ps 22" is ["Ps.23"] in
        "kjv". Raises CitationError for an invalid citation, ValueError for
        an unknown system."""
        return self._handle.osis(_encode(cite), versification)

    def tokens(self, cite: Text) -> List[Token]:
        """The lexer's tokens of ``cite``. Raises CitationError when the
        text does not lex."""
        return [Token(TokenKind(kind), text) for kind, text in self._handle.tokens(_encode(cite))]

    def units(self, cite: Text) -> List[Unit]:
        """The units of ``cite`` with their marks applied, as the canonical
        text writes them. Raises CitationError for an invalid citation."""
        return [_unit(u) for u in self._handle.units(_encode(cite))]

    def books(self) -> List[Book]:
        """The books of the language, in their order."""
        return [Book(n, names[0], tuple(names))
                for n, names in enumerate(self._handle.books(), start=1)]

    def _main_names(self) -> List[str]:
        if self._names is None:
            self._names = [names[0] for names in self._handle.books()]
        return self._names


class Config:
    """A configuration (bibl.ini format): by default the one built into the
    library, else the file ``path``, or a text (``Config.from_text``).

    Raises ConfigError when it cannot be used: its ``file``, ``line`` (0
    for the file as a whole: missing, a directory) and ``message`` say
    where and why, as ``tovrin check-config`` does. Languages come from
    ``language(name)``. Loading keeps the records for the life of the
    process; load a file once and keep the Config.
    """

    def __init__(self, path: Union[str, os.PathLike, None] = None) -> None:
        path = os.fspath(path) if path is not None else None
        self._take(path, _tovrin.Config(path))

    @classmethod
    def from_text(cls, text: Text, name: str = "bibl.ini") -> "Config":
        """A configuration from its text; ``name`` names it in errors."""
        config = cls.__new__(cls)
        config._take(None, _tovrin.Config.from_text(_encode(text), name))
        return config

    def _take(self, path: Optional[str], handle: "_tovrin.Config") -> None:
        #: The file, or None for the built-in configuration or a text.
        self.path = path
        self._handle = handle
        self._languages: dict = {}

    @property
    def names(self) -> List[str]:
        """The names of the languages, in file order."""
        return self._handle.names()

    def __contains__(self, name: object) -> bool:
        try:
            self.language(name)  # type: ignore[arg-type]
        except (KeyError, TypeError):
            return False
        return True

    def language(self, name: str) -> Language:
        """The language called ``name``, or by its alias ("cs" for "cz");
        KeyError naming the languages there are when there is none. Every
        name of one language gives the same object."""
        handle = self._handle.language(name)
        return self._languages.setdefault(handle, Language(self, handle))

    def __repr__(self) -> str:
        return f"<tovrin.Config {self.path or 'built in'!r}>"


def coverage(citations: "Iterator[Citation]", language: "Language", *, by: str = "chapter",
             book: Optional[str] = None) -> "pandas.DataFrame":
    """How often ``citations`` (of ``language``) cite each chapter, as
    ``tovrin map`` counts them: a DataFrame of a row per chapter of every
    book of the language, in its order (books never cited too, with count
    0), with the columns book (its number), osis, name (the language's main
    name), chapter and count. ``by="verse"`` gives a row per verse of one
    book (``book``, a name of the language; else the book cited most), with
    a column verse. A unit counts once in each chapter it touches, once per
    line when the citations were scanned with ``lines=True``.
    ``frame.tovrin.plot()`` draws the map with matplotlib (python3-matplotlib).

        >>> frame = tovrin.coverage(cz.scan(text, lines=True), cz)
        >>> frame[frame["count"] > 0]
    """
    from .coverage_map import coverage_frame

    return coverage_frame(citations, language, by, book)
