// tovrin for JavaScript: find, check, normalise, translate and compare Bible
// citations ("Mt 5,3-12; L 6,20n") in running text, in Node and in
// browsers. Everything is read by libtovrin compiled to WebAssembly
// (dist/tovrin_wasm.js, the wasm embedded), with the shipped bibl.ini
// built in: nothing is fetched at run time.
//
//   import { loadTovrin } from 'tovrin';
//   const tovrin = await loadTovrin();
//   const cz = tovrin.language('cz');
//   cz.scan('Viz Mt 5,3–12.')  // [{ start: 4, end: 13, canonical: 'Mt 5,3-12', ... }]
import createTovrinModule from './dist/tovrin_wasm.js';

/**
 * What the library refuses: a citation that does not read (the message in
 * the words of `tovrin lint`, `citation` the text), an unknown language or
 * numbering system, a configuration that cannot be loaded (`file`, `line`).
 */
export class TovrinError extends Error {
  constructor(error) {
    super(error.message);
    this.name = 'TovrinError';
    this.kind = error.kind;
    if ('citation' in error) this.citation = error.citation;
    if ('file' in error) {
      this.file = error.file;
      this.line = error.line;
    }
  }
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();
// A scan feeds the text to the library in pieces of this many UTF-16 code
// units, so that the buffer it is written into stays small.
const PIECE = 1 << 16;

// The units of the binding, nine numbers each (0: not given), as objects.
const MARKS = { 10: 'NEXT', 11: 'NEXT2', 12: 'OPEN_END' };
function position(book, chapter, verse, part) {
  return { book, chapter: chapter || null, verse: verse || null, part: part > 0 ? String.fromCharCode(part) : null };
}
function unitsOf(numbers) {
  const units = [];
  for (let k = 0; k < numbers.length; k += 9) {
    const n = numbers.slice(k, k + 9);
    units.push({ start: position(...n.slice(0, 4)), end: position(...n.slice(4, 8)), mark: MARKS[n[8]] ?? null });
  }
  return units;
}

function text(value, what) {
  if (typeof value !== 'string') throw new TypeError(`${what} must be a string, not ${typeof value}`);
  return value;
}

// The WebAssembly module and the calls into it: strings go in through the
// binding's input buffer, answers come back as JSON from its answer buffer.
class Core {
  constructor(module) {
    this.m = module;
  }

  // Writes `strings` (UTF-8, each NUL-terminated) into the input buffer:
  // [address, length in bytes] of each.
  put(strings) {
    let size = 0;
    for (const s of strings) size += s.length * 3 + 1;
    const base = this.m._tovrin_js_input(size);
    const heap = this.m.HEAPU8; // after the call: the memory may have grown
    let at = base;
    return strings.map((s) => {
      const { written } = encoder.encodeInto(s, heap.subarray(at, base + size));
      heap[at + written] = 0;
      const place = [at, written];
      at += written + 1;
      return place;
    });
  }

  // The addresses of `strings` in the input buffer.
  addresses(...strings) {
    return this.put(strings).map(([at]) => at);
  }

  answer(address) {
    const length = this.m._tovrin_js_answer_length(address);
    const answer = JSON.parse(decoder.decode(this.m.HEAPU8.subarray(address, address + length)));
    if (answer.error) throw new TovrinError(answer.error);
    return answer.ok;
  }
}

/** A language of a configuration: `tovrin.language('cz')`. */
export class Language {
  #core;
  #tovrin;
  #handle;

  constructor(core, tovrin, handle, name) {
    this.#core = core;
    this.#tovrin = tovrin;
    this.#handle = handle;
    /** Its name in bibl.ini ("cz"). */
    this.name = name;
    Object.freeze(this);
  }

  // The handle of another language (the input buffer is used to find one
  // by name: call this before writing the strings of a call).
  #other(lang) {
    return (typeof lang === 'string' ? this.#tovrin.language(lang) : lang).#handle;
  }

  #call(name, ...args) {
    return this.#core.answer(this.#core.m[`_tovrin_js_${name}`](this.#handle, ...args));
  }

  /**
   * The citations of `text` in order, read as `tovrin scan` reads files
   * (typographic forms, decomposed letters, book titles of several words,
   * only citations that exist; `exact` turns all that off). `start` and
   * `end` index the string: `text.slice(c.start, c.end) === c.text`.
   */
  scan(input, { exact = false, sigla = '' } = {}) {
    text(input, 'the text');
    const m = this.#core.m;
    const [sig] = this.#core.addresses(text(sigla, 'sigla'));
    const scan = m._tovrin_js_scan_begin(this.#handle, exact ? 1 : 0, sig);
    if (scan === 0) throw new TovrinError({ kind: 'memory', message: 'out of memory' });
    try {
      for (let from = 0; from < input.length;) {
        let to = Math.min(input.length, from + PIECE);
        const last = input.charCodeAt(to - 1);
        if (to < input.length && last >= 0xd800 && last < 0xdc00) to--; // keep a pair whole
        const [[at, length]] = this.#core.put([input.slice(from, to)]);
        m._tovrin_js_scan_feed(scan, at, length);
        from = to;
      }
      return this.#core.answer(m._tovrin_js_scan_finish(scan)).map(
        ([start, end, line, column, canonical, osis, books, units, optional, alternate, translation,
          versification]) => ({
          start, end, line, column, text: input.slice(start, end), canonical, osis, versification, books,
          units: unitsOf(units), optional, alternate, translation,
        }));
    } finally {
      m._tovrin_js_scan_end(scan);
    }
  }

  /**
   * The canonical form of `cite`; `to` writes it in another language (numbered
   * as its readers number it), `sort` sorts the units.
   */
  expand(cite, { to = null, sort = false } = {}) {
    const target = to === null ? 0 : this.#other(to);
    const [c] = this.#core.addresses(text(cite, 'a citation'));
    return this.#call('expand', c, target, sort ? 1 : 0);
  }

  /** `cite` written in `to` token by token, keeping its shape. */
  translate(cite, to) {
    const target = this.#other(to);
    const [c] = this.#core.addresses(text(cite, 'a citation'));
    return this.#call('translate', c, target);
  }

  /**
   * How `a` relates to `b` (written in `bLang`, by default this language):
   * `overlap`, and `order` -1 when `a` comes first, 1 when `b` does, else 0.
   */
  compare(a, b, bLang = this) {
    const other = this.#other(bLang);
    const [x, y] = this.#core.addresses(text(a, 'a citation'), text(b, 'a citation'));
    return this.#call('compare', x, y, other);
  }

  /**
   * The OSIS references of `cite` (["John.3.16-John.3.17"]); null in a
   * language without numbering systems. `versification` ("kjv", "vulgate",
   * ...) numbers them as that system does.
   */
  osis(cite, { versification = '' } = {}) {
    const [c, v] = this.#core.addresses(text(cite, 'a citation'),
      text(versification ?? '', 'versification'));
    return this.#call('osis', c, v);
  }

  /** Whether every chapter and verse that `cite` names exists. */
  exists(cite) {
    const [c] = this.#core.addresses(text(cite, 'a citation'));
    return this.#call('exists', c);
  }

  /**
   * null when `cite` is a citation as the scan takes it, else what is wrong,
   * in the words of `tovrin lint`; `existing: false` leaves out the test of
   * its chapters and verses.
   */
  check(cite, { existing = true } = {}) {
    const [c] = this.#core.addresses(text(cite, 'a citation'));
    return this.#call('check', c, existing ? 1 : 0);
  }

  /** The units of `cite`, marks applied, as the canonical form writes them. */
  units(cite) {
    const [c] = this.#core.addresses(text(cite, 'a citation'));
    return unitsOf(this.#call('units', c));
  }

  /** The books, in order: `{ number, name, names }`. */
  books() {
    return this.#call('books');
  }
}

/** The languages of one configuration, from `loadTovrin()`. */
export class Tovrin {
  #core;
  #config;
  #languages = new Map();

  constructor(core, config) {
    this.#core = core;
    this.#config = config.handle;
    /** The library's version. */
    this.version = config.version;
    /** The names of the languages, in file order. */
    this.languages = Object.freeze(config.languages);
    Object.freeze(this);
  }

  /** The language called `name` (or an alias: "cs" is "cz"); TovrinError when none. */
  language(name) {
    const [n] = this.#core.addresses(text(name, 'a language name'));
    const { handle, name: own } = this.#core.answer(this.#core.m._tovrin_js_language(this.#config, n));
    if (!this.#languages.has(handle)) this.#languages.set(handle, new Language(this.#core, this, handle, own));
    return this.#languages.get(handle);
  }

  /** The bytes the WebAssembly allocator holds, and the size of the module's memory. */
  memoryUse() {
    return { allocated: this.#core.m._tovrin_js_heap_used(), reserved: this.#core.m.HEAPU8.length };
  }
}

let core = null;

/**
 * Loads the library once per program and opens a configuration: the shipped
 * bibl.ini, or `config`, the text of one of your own (TovrinError, kind
 * "config", when it cannot be loaded). Configurations stay loaded for the
 * life of the program: load each once.
 */
export async function loadTovrin({ config = null } = {}) {
  core ??= createTovrinModule().then((m) => new Core(m));
  const c = await core;
  if (config === null) return new Tovrin(c, c.answer(c.m._tovrin_js_config(0, 0)));
  const [[at, length]] = c.put([text(config, 'config')]);
  return new Tovrin(c, c.answer(c.m._tovrin_js_config(at, length)));
}
