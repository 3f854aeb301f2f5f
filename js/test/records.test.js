// The records of lang.scan are those of `tovrin scan --format json`, with
// places as indices of the JavaScript string (UTF-16 code units).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { loadTovrin } from '../index.js';
import { cliScan, needsCli, root, utf16 } from './support.js';

const tovrin = await loadTovrin();

// The program's record of a citation, in the package's terms.
function expected(text, r) {
  const start = utf16(text, r.offset);
  const bytes = Buffer.from(r.text, 'utf8');
  const within = (n) => bytes.subarray(0, n).toString('utf8').length;
  return {
    start,
    end: start + r.text.length,
    line: r.line,
    column: r.column,
    text: r.text,
    canonical: r.canonical,
    osis: r.osis === null ? null : r.osis.split(','),
    optional: (r.optional ?? []).map((o) => [within(o.offset), within(o.offset + o.length) - within(o.offset)]),
    alternate: r.alternate ?? null,
    translation: r.translation ?? null,
    versification: r.versification ?? null,
  };
}

function record(c) {
  const { start, end, line, column, text, canonical, osis, optional, alternate, translation, versification } = c;
  return { start, end, line, column, text, canonical, osis, optional, alternate, translation, versification };
}

const cases = [
  { name: 'the sample data/nztexty.tex', lang: 'cz', text: readFileSync(join(root, 'data/nztexty.tex'), 'utf8') },
  {
    // Emoji (two code units each, four bytes) before citations, typographic
    // forms, a phrase, lectionary forms, a translation tag, a citation
    // across a line break, a hymn number and a verse that do not exist.
    name: 'forms, phrases and emoji',
    lang: 'cz',
    text: '😀 Viz Mt 5,3–12; L~6,20n a První kniha Mojžíšova 1,1–2,3.\n' +
      '🙏🏽 Lukáš 17,20-24(25-30), Žalm 11(10) a podle Marka 1,29; J 3,16 ČEP.\n' +
      'Žalm 23 🎉 a Ř 7,25-\n8,2, též EZ 508,1 (píseň) a Mt 5,100.\n',
  },
  {
    name: 'English with a phrase, a tag and a book of one chapter',
    lang: 'en',
    text: '🙂 See Song of Solomon 2:1 and Jas 2:17, 1 Pet 2:9 — John 3:16–18 (KJV); Jude 5.\n',
  },
];

for (const { name, lang, text } of cases) {
  test(`scan: the records of tovrin scan on ${name}`, needsCli, () => {
    const found = tovrin.language(lang).scan(text);
    const want = cliScan(text, lang).map((r) => expected(text, r));
    assert.ok(want.length >= 5, `only ${want.length} citations`);
    assert.deepEqual(found.map(record), want);
    for (const c of found) assert.equal(text.slice(c.start, c.end), c.text);
  });
}

test('scan: exact reading and sigla as tovrin scan --exact and --sigla', needsCli, () => {
  const text = '🙂 EZ 508,1 a Mt 5,100; PL 38, 1134 a Sermo 12,3.\n';
  const cz = tovrin.language('cz');
  assert.deepEqual(cz.scan(text, { exact: true }).map(record), cliScan(text, 'cz', '--exact').map((r) => expected(text, r)));
  assert.deepEqual(cz.scan(text, { sigla: 'Sermo' }).map(record),
    cliScan(text, 'cz', '--sigla', 'Sermo').map((r) => expected(text, r)));
});

test('scan: a text longer than one piece, a pair of surrogates on the cut', () => {
  const cz = tovrin.language('cz');
  // The text goes to the library in pieces of 65536 code units; the emoji
  // straddles the first cut.
  const text = `${'x'.repeat(65535)}😀 Mt 5,3 a ${'é '.repeat(40000)}J 3,16.`;
  const found = cz.scan(text);
  assert.deepEqual(found.map((c) => [c.text, text.slice(c.start, c.end), c.start]),
    [['Mt 5,3', 'Mt 5,3', 65538], ['J 3,16', 'J 3,16', text.length - 7]]);
});

test('scan: units, books and OSIS of a record', () => {
  const [c] = tovrin.language('cz').scan('Srv. 1 J 2,1nn a Mk 1,2a.');
  assert.deepEqual(c.books, ['1John']);
  assert.deepEqual(c.units, [{
    start: { book: 62, chapter: 2, verse: 1, part: null },
    end: { book: 62, chapter: 2, verse: 1, part: null },
    mark: 'NEXT2',
  }]);
  const [, mk] = tovrin.language('cz').scan('Srv. 1 J 2,1nn a Mk 1,2a.');
  assert.equal(mk.units[0].start.part, 'a');
});
