"""Find, check, normalise, translate, compare and sort Bible citations.

tovrin reads citations such as "Mt 5,3-12; L 6,20n" in running text. The
book names, letters and punctuation of each language come from a
configuration file (bibl.ini); the one shipped with the package knows
Czech ("cz"), Slovak, English, German, Latin and more.

    >>> import tovrin
    >>> cz = tovrin.Config().language("cz")
    >>> [c.canonical for c in cz.scan("Viz Mt 5,3-12; L 6,20n.")]
    ['Mt 5,3-12; L 6,20-21']

Texts are str or bytes (UTF-8). Positions are str indices for str input and
byte offsets for bytes input. A citation that is not valid raises
CitationError, whose reason is worded as ``tovrin lint`` words it.
"""

from __future__ import annotations

import enum
import os
from typing import Iterator, List, NamedTuple, Optional, Union

from . import _tovrin
from ._tovrin import ConfigError

__all__ = [
    "Book",
    "Citation",
    "CitationError",
    "Comparison",
    "Config",
    "ConfigError",
    "Language",
    "Position",
    "SHIPPED_CONFIG",
    "Token",
    "TokenKind",
    "Unit",
]

__version__ = _tovrin.VERSION

#: The configuration that comes with the package.
SHIPPED_CONFIG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "bibl.ini")

Text = Union[str, bytes]


class CitationError(ValueError):
    """A text that is not a valid citation.

    ``reason`` says why, in the words of ``tovrin lint`` ("unknown book
    name 'Xy'", "reversed range", ...); ``citation`` is the text.
    """

    def __init__(self, reason: str, citation: Text) -> None:
        super().__init__(f"{reason} in {citation!r}")
        self.reason = reason
        self.citation = citation


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


class Citation:
    """A citation found in a text.

    ``start`` and ``end`` delimit it in the text (str indices for str input,
    byte offsets for bytes); ``text`` is the citation as written there,
    ``canonical`` its canonical form (every unit written out in full).
    ``line`` and ``column`` (from 1; the column counts characters) are set
    when the scan was asked for them, else None. ``osis`` is the OSIS
    reference where the library can write one, else None.
    """

    __slots__ = ("start", "end", "text", "canonical", "line", "column", "_lang", "_read",
                 "_units")

    def __init__(self, lang: "Language", row: tuple) -> None:
        (self.start, self.end, line, column, self.text, self._read, self.canonical) = row
        self.line = line or None
        self.column = column or None
        self._lang = lang
        self._units: Optional[List[Unit]] = None

    @property
    def units(self) -> List[Unit]:
        """The units of the citation, with their marks applied."""
        if self._units is None:
            self._units = self._lang._units(self._read)
        return self._units

    @property
    def osis(self) -> Optional[str]:
        """The OSIS references of the citation ("John.3.16-John.3.17"), its
        marks read by the language's first numbering system, as ``tovrin
        scan --format json`` writes them; None in a language without
        numbering systems."""
        return self._lang._handle.osis(self._read)

    def _key(self) -> tuple:
        return (self.start, self.end, self.text, self.canonical, self.line, self.column)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Citation):
            return NotImplemented
        return self._key() == other._key() and self._lang == other._lang

    def __hash__(self) -> int:
        return hash(self._key())

    def __repr__(self) -> str:
        place = f", line={self.line}, column={self.column}" if self.line else ""
        return (f"Citation(start={self.start}, end={self.end}, text={self.text!r}, "
                f"canonical={self.canonical!r}{place})")


def _encode(text: Text) -> bytes:
    if isinstance(text, str):
        # Lone surrogates pass through, so every str has its bytes.
        return text.encode("utf-8", "surrogatepass")
    if isinstance(text, (bytes, bytearray, memoryview)):
        return bytes(text)
    raise TypeError(f"a citation is str or bytes, not {type(text).__name__}")


class Language:
    """A language of a configuration: ``Config().language("cz")``.

    Single citations may be written with the typographic forms of real
    texts: en and em dashes, "--" or "---" as the range mark, "~" and
    no-break spaces as spaces; and with the book titles of three words or
    more that the configuration gives as phrases ("Song of Solomon").
    """

    def __init__(self, config: "Config", handle: "_tovrin.Language") -> None:
        self._config = config
        self._handle = handle

    @property
    def name(self) -> str:
        """The language's name in the configuration ("cz")."""
        return self._handle.name

    @property
    def config(self) -> "Config":
        """The configuration the language comes from."""
        return self._config

    def __repr__(self) -> str:
        return f"<tovrin.Language {self.name!r} of {self._config.path!r}>"

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Language) and self._handle == other._handle

    def __hash__(self) -> int:
        return hash(self._handle)

    # ---- texts ---------------------------------------------------------

    def scan(self, text: Union[Text, bytearray, memoryview], *, lines: bool = False,
             exact: bool = False) -> Iterator[Citation]:
        """Yields the citations of ``text`` in order.

        Positions are str indices for str input and byte offsets for
        bytes-like input. With ``lines`` each citation also gets its line
        and column. The text is read with its typographic forms, as
        ``tovrin scan`` reads files (a dash or "--" as the range mark, "~"
        and no-break spaces as spaces, a line break inside a paragraph as a
        space) and its phrases (a title such as "Song of Solomon" as the
        book name it stands for, the citation's ``text`` as written);
        ``exact`` turns them off.

        The search for citations runs without the GIL: scans in several
        threads run in parallel (the canonical texts are written one thread
        at a time).
        """
        characters = isinstance(text, str)
        data = _encode(text) if characters else text
        rows = self._handle.scan(data, exact, characters, lines)
        return (Citation(self, row) for row in rows)

    # ---- single citations ---------------------------------------------

    def _read(self, cite: Text) -> bytes:
        return self._handle.read_forms(_encode(cite))

    def _reason(self, cite: Text, whole_books: bool = False) -> Optional[str]:
        failed, column, text = self._handle.check(_encode(cite), whole_books)
        word = text.decode("utf-8", "surrogateescape")
        return {
            0: None,
            1: f"not a citation: stops at column {column}",
            2: f"unknown book name '{word}'",
            3: f"chapter or verse number '{word}' out of range 1-999",
            4: "reversed range",
            9: "missing chapter",
        }[failed]

    def _valid(self, cite: Text) -> bytes:
        """The citation as the services read it; a bare book name stands
        for the whole book there."""
        reason = self._reason(cite, whole_books=True)
        if reason is not None:
            raise CitationError(reason, cite)
        return self._read(cite)

    def _language(self, lang: Union["Language", str, None]) -> "Language":
        if lang is None:
            return self
        return self._config.language(lang) if isinstance(lang, str) else lang

    def _written_in(self, cite: Text, read: bytes, to: "Language") -> None:
        """Every book of the citation must have a name in ``to``."""
        for unit in self._units(read):
            for book in (unit.start.book, unit.end.book):
                if book > to._handle.book_count:
                    raise CitationError(f"book {book} has no name in '{to.name}'", cite)

    def check(self, cite: Text, *, raises: bool = False) -> Optional[str]:
        """None when ``cite`` is a valid citation, else the reason, worded
        as ``tovrin lint`` words it: "unknown book name 'Xy'", "chapter or
        verse number '1000' out of range 1-999", "reversed range", "missing
        chapter", "not a citation: stops at column N". The checks are those
        the scanner applies. With ``raises`` an invalid citation raises
        CitationError instead."""
        reason = self._reason(cite)
        if reason is not None and raises:
            raise CitationError(reason, cite)
        return reason

    def expand(self, cite: Text, to: Union["Language", str, None] = None,
               sort: bool = False) -> str:
        """The canonical text of ``cite``: every unit in full, marks applied.
        ``to`` writes it in another language, unit by unit; ``sort`` sorts
        the units. Raises CitationError for an invalid citation."""
        read = self._valid(cite)
        target = self._language(to)
        self._written_in(cite, read, target)
        return self._handle.expand(read, None if to is None else target._handle, sort)

    def translate(self, cite: Text, to: Union["Language", str]) -> str:
        """``cite`` written in ``to`` token by token, keeping its shape
        (verse lists, marks). Raises CitationError for an invalid
        citation."""
        read = self._valid(cite)
        target = self._language(to)
        self._written_in(cite, read, target)
        return self._handle.translate(read, target._handle)

    def compare(self, a: Text, b: Text,
                b_lang: Union["Language", str, None] = None) -> Comparison:
        """How ``a`` relates to ``b`` (written in ``b_lang``, by default
        this language): whether they overlap, and which comes first.
        Raises CitationError when either is invalid."""
        other = self._language(b_lang)
        first, second = self._valid(a), other._valid(b)
        return Comparison(self._handle.overlaps(first, second, other._handle),
                          self._handle.order(first, second, other._handle))

    def tokens(self, cite: Text) -> List[Token]:
        """The lexer's tokens of ``cite``. Raises CitationError when the
        text does not lex."""
        read = self._read(cite)
        found = self._handle.tokens(read)
        if found and found[-1][0] < 0:
            raise CitationError(self._reason(cite) or "not a citation", cite)
        return [Token(TokenKind(kind), text) for kind, text, _ in found]

    def units(self, cite: Text) -> List[Unit]:
        """The units of ``cite`` with their marks applied, as the canonical
        text writes them. Raises CitationError for an invalid citation."""
        return self._units(self._valid(cite))

    def _units(self, read: bytes) -> List[Unit]:
        return [Unit(_position(*u[0:4]), _position(*u[4:8]),
                     TokenKind(u[8]) if u[8] else None)
                for u in self._handle.units(read)]

    def books(self) -> List[Book]:
        """The books of the language, in their order."""
        return [Book(n, names[0], tuple(names))
                for n, names in enumerate(self._handle.books(), start=1)]


class Config:
    """A configuration file (bibl.ini format): the shipped one by default.

    Raises ConfigError when the file cannot be used: its ``file``, ``line``
    (0 for the file as a whole: missing, a directory, no languages) and
    ``message`` say where and why, as ``tovrin check-config`` does. Languages come from
    ``language(name)``. Loading keeps the file's records for the life of
    the process; load a file once and keep the Config.
    """

    def __init__(self, path: Union[str, os.PathLike, None] = None) -> None:
        self.path = os.fspath(path) if path is not None else SHIPPED_CONFIG
        self._handle = _tovrin.Config(self.path)
        self._languages: dict = {}

    @property
    def names(self) -> List[str]:
        """The names of the languages, in file order."""
        return self._handle.names()

    def __contains__(self, name: object) -> bool:
        return name in self.names

    def language(self, name: str) -> Language:
        """The language called ``name``; KeyError when there is none."""
        if name not in self._languages:
            handle = self._handle.language(name)
            if handle is None:
                raise KeyError(f"no language {name!r} in {self.path} "
                               f"(it has {', '.join(self.names)})")
            self._languages[name] = Language(self, handle)
        return self._languages[name]

    def __repr__(self) -> str:
        return f"<tovrin.Config {self.path!r}>"
