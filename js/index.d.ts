// Types of the package tovrin (index.js).

/** One end of a citation unit; null where the citation does not give it. */
export interface Position {
  /** The book's number, the same in every language (1 Genesis ... 66 Revelation, 67-86 the deuterocanonical books). */
  book: number;
  chapter: number | null;
  verse: number | null;
  /** A verse part ("a" of "Mk 1,2a"). */
  part: string | null;
}

/** One unit of a citation, from `start` to `end`, with its marks applied. */
export interface Unit {
  start: Position;
  end: Position;
  /** "NEXT2" for a doubled following mark ("nn"), which stays a mark; else null. */
  mark: 'NEXT' | 'NEXT2' | 'OPEN_END' | null;
}

/** A citation found in a text: the library's record of it. */
export interface Citation {
  /** Where it begins and ends, as indices of the string (UTF-16 code units): `text.slice(start, end)`. */
  start: number;
  end: number;
  /** From 1; the column counts characters (code points), as `tovrin scan --format json` does. */
  line: number;
  column: number;
  /** As written. */
  text: string;
  /** Every unit written out in full ("Mt 5,3-12; L 6,20-21"). */
  canonical: string;
  /** OSIS references, one per unit (["Matt.5.3-Matt.5.12"]); null in a language without numbering systems. */
  osis: string[] | null;
  /** The OSIS ids of the books it names, in order, each once (["Matt", "Luke"]). */
  books: string[];
  units: Unit[];
  /** Verses that may be read too, as [offset from start, length] in UTF-16 code units ("25-30" of "L 17,20-24(25-30)"). */
  optional: [number, number][];
  /** The number of another numbering given with it ("(10)" of "Žalm 11(10)"), or null. */
  alternate: string | null;
  /** The tag of a translation after it ("ČEP"), or null. */
  translation: string | null;
  /** The numbering system its OSIS ids follow ("hebrew"), or null without ids. */
  versification: string | null;
}

export interface Comparison {
  /** Some unit of the first overlaps some unit of the second (not symmetric). */
  overlap: boolean;
  /** -1 when the first comes first, 1 when the second does, else 0. */
  order: -1 | 0 | 1;
}

export interface Book {
  number: number;
  /** The main name. */
  name: string;
  /** Every name, the main one first. */
  names: string[];
}

export interface ScanOptions {
  /** The driver's reading: the bytes as they are, no existence test. */
  exact?: boolean;
  /** Sigla that are not books besides the language's own, separated by spaces or commas ("PL PG"). */
  sigla?: string;
}

/** What the library refuses. `message` is in the words of `tovrin lint` for a citation. */
export class TovrinError extends Error {
  name: 'TovrinError';
  kind: 'citation' | 'language' | 'config' | 'versification' | 'memory' | 'internal';
  /** kind "citation": the citation as given. */
  citation?: string;
  /** kind "config": the file ("bibl.ini") and line (from 1; 0 for the file as a whole). */
  file?: string;
  line?: number;
}

export class Language {
  /** Its name in bibl.ini ("cz"). */
  readonly name: string;
  scan(text: string, options?: ScanOptions): Citation[];
  expand(cite: string, options?: { to?: Language | string | null; sort?: boolean }): string;
  translate(cite: string, to: Language | string): string;
  compare(a: string, b: string, bLang?: Language | string): Comparison;
  osis(cite: string, options?: { versification?: string }): string[] | null;
  exists(cite: string): boolean;
  check(cite: string, options?: { existing?: boolean }): string | null;
  units(cite: string): Unit[];
  books(): Book[];
}

export class Tovrin {
  /** The library's version. */
  readonly version: string;
  /** The names of the languages, in file order. */
  readonly languages: readonly string[];
  /** By name or alias ("cs" is "cz"); throws TovrinError (kind "language") for an unknown one. */
  language(name: string): Language;
  /** The bytes the WebAssembly allocator holds, and the size of the module's memory. */
  memoryUse(): { allocated: number; reserved: number };
}

export interface LoadOptions {
  /** The text of a bibl.ini of your own; the shipped one when absent. */
  config?: string | null;
}

/** Loads the library (once per program) and opens a configuration. */
export function loadTovrin(options?: LoadOptions): Promise<Tovrin>;
