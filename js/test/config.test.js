// A bibl.ini of one's own: an Esperanto of three books, its own
// punctuation (":" between chapter and verse, "s" the following mark) and
// the KJV's numbering; the package reads it as `tovrin --config` does.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadTovrin, TovrinError } from '../index.js';
import { cli, cliScan, file, needsCli, utf16 } from './support.js';

const config = `% three books in Esperanto
{eo
!;-,:+s.
_abcdefghijklmnopqrstuvwxyz
^ABCDEFGHIJKLMNOPQRSTUVWXYZ
&ab
=kjv
+Gen
*Genezo
+Eliro
*Eli
+Levidoj
>Tria Libro de Moseo>Levidoj
}
`;
const text = 'Vidu Genezo 1:1-3 kaj Eli 20:2s; 🙂 Tria Libro de Moseo 19:18, sed ne Genezo 51:1 nek Mt 5:3.\n';
const own = await loadTovrin({ config });
const eo = own.language('eo');

test('own configuration: its languages only, the shipped ones still there', async () => {
  assert.deepEqual(own.languages, ['eo']);
  assert.equal((() => { try { own.language('cz'); } catch (e) { return e instanceof TovrinError && e.kind; } })(), 'language');
  assert.equal((await loadTovrin()).language('cz').expand('Mt 5,3'), 'Mt 5,3');
  assert.deepEqual(eo.books().map((b) => b.names), [['Gen', 'Genezo'], ['Eliro', 'Eli'], ['Levidoj']]);
});

test('own configuration: scan as tovrin --config scans', needsCli, () => {
  const path = file(config, 'eo.ini');
  const want = cliScan(text, 'eo', '--config', path).map((r) => ({
    start: utf16(text, r.offset), text: r.text, canonical: r.canonical, osis: r.osis.split(','),
  }));
  assert.deepEqual(want.map((c) => c.canonical), ['Gen 1:1-3', 'Eliro 20:2-3', 'Levidoj 19:18']);
  assert.deepEqual(eo.scan(text).map(({ start, text: t, canonical, osis }) => ({ start, text: t, canonical, osis })), want);
});

test('own configuration: services in its punctuation', needsCli, () => {
  const path = file(config, 'eo.ini');
  const expand = cli('--config', path, '--lang', 'eo', 'expand', 'Eli 20:2s').stdout.trim();
  assert.equal(eo.expand('Eli 20:2s'), expand);
  assert.deepEqual(eo.osis('Genezo 1:1-3'), ['Gen.1.1-Gen.1.3']);
  assert.equal(eo.check('Genezo 51:1'), 'no chapter 51 in Gen (it has 50)');
});
