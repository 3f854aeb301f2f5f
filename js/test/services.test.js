// The services on single citations answer as the tovrin program does, and
// what the library refuses is a TovrinError in the program's words.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadTovrin, TovrinError } from '../index.js';
import { cli, file, needsCli } from './support.js';

const tovrin = await loadTovrin();
const cz = tovrin.language('cz');

// The program's answer (one line), or its message on standard error.
function program(...args) {
  const r = cli(...args);
  return r.status === 0 ? r.stdout.replace(/\n$/, '') : r.stderr.replace(/^tovrin: [a-z]+: |\n$/g, '');
}

const order = { '-1': 'first', 0: 'same', 1: 'second' };
const services = [
  ['expand', () => cz.expand('J 3,16n; 1 K 13,4nn'), ['expand', 'J 3,16n; 1 K 13,4nn']],
  ['expand, typographic forms', () => cz.expand('Mt 5,3–12; L~6,20n'), ['expand', 'Mt 5,3–12; L~6,20n']],
  ['expand to en', () => cz.expand('Ř 8,28; 1 K 13,4', { to: 'en' }), ['expand', '--to', 'en', 'Ř 8,28; 1 K 13,4']],
  ['expand to cz from la, renumbered', () => tovrin.language('la').expand('Ps 22; Ps 9', { to: 'cz' }),
    ['--lang', 'la', 'expand', '--to', 'cz', 'Ps 22; Ps 9']],
  ['expand sorted', () => cz.expand('Ř 8,28; Mt 5,3; Gn 1,1', { sort: true }), ['expand', '--sort', 'Ř 8,28; Mt 5,3; Gn 1,1']],
  ['translate', () => cz.translate('Mt 5,3-7', 'en'), ['translate', '--to', 'en', 'Mt 5,3-7']],
  ['translate, renumbered', () => cz.translate('Jl 3; Mal 3,19-24', tovrin.language('en')),
    ['translate', '--to', 'en', 'Jl 3; Mal 3,19-24']],
  ['osis', () => cz.osis('Mt 5,3-12; L 6,20n').join(','), ['expand', '--to', 'osis', 'Mt 5,3-12; L 6,20n']],
  ['osis in kjv', () => tovrin.language('la').osis('Ps 22', { versification: 'kjv' }).join(','),
    ['--lang', 'la', 'expand', '--to', 'osis', '--versification', 'kjv', 'Ps 22']],
  ['compare', () => { const c = cz.compare('Mt 5,1-12', 'Mt 5,3'); return `${c.overlap ? 'overlap' : 'disjoint'}\t${order[c.order]}`; },
    ['compare', 'Mt 5,1-12', 'Mt 5,3']],
  ['compare across languages', () => { const c = tovrin.language('la').compare('Ps 22', 'Ž 23', 'cz'); return `${c.overlap ? 'overlap' : 'disjoint'}\t${order[c.order]}`; },
    ['compare', '--lang', 'la', '--lang2', 'cz', 'Ps 22', 'Ž 23']],
  ['compare, disjoint', () => { const c = cz.compare('Mt 6', 'Mt 5,3'); return `${c.overlap ? 'overlap' : 'disjoint'}\t${order[c.order]}`; },
    ['compare', 'Mt 6', 'Mt 5,3']],
  ['books', () => tovrin.language('en').books().map((b) => `${b.number}\t${b.name}${b.names.length > 1 ? ` (${b.names.slice(1).join(', ')})` : ''}`).join('\n'),
    ['--lang', 'en', 'books'], (out) => out.replace(/\t[-\d]+$/gm, '')],
];

for (const [name, js, args, adjust = (s) => s] of services) {
  test(`${name}: as the tovrin program answers`, needsCli, () => {
    assert.equal(js(), adjust(program(...args)));
  });
}

test('exists and check', () => {
  assert.equal(cz.exists('Mt 28,20'), true);
  assert.equal(cz.exists('Mt 29,1'), false);
  assert.equal(cz.check('Mt 5,3'), null);
  assert.equal(cz.check('Mt 29,1'), 'no chapter 29 in Mt (it has 28)');
  assert.equal(cz.check('Mt 29,1', { existing: false }), null);
  assert.equal(cz.check('Mt'), 'missing chapter in \'Mt\'');
  assert.deepEqual(cz.units('Ju 5'), [{
    start: { book: 65, chapter: 1, verse: 5, part: null },
    end: { book: 65, chapter: 1, verse: 5, part: null },
    mark: null,
  }]);
});

// Citations the library refuses: the message is that of `tovrin expand`
// (lint's words), the error says which citation.
const refused = ['Mt 5,7-3', 'Xy 3,4', 'Zalm 23,1', 'Mt 5,', 'Mt 29,1', 'Mt 5,1000', 'J 3,99'];
test('errors: a citation that does not read is a TovrinError in the words of tovrin expand', needsCli, () => {
  for (const cite of refused) {
    const error = captured(() => cz.expand(cite));
    assert.ok(error instanceof TovrinError);
    assert.equal(error.kind, 'citation');
    assert.equal(error.citation, cite);
    assert.equal(error.message, program('expand', cite), cite);
  }
});

function captured(f) {
  try {
    f();
  } catch (e) {
    return e;
  }
  assert.fail('no error');
}

test('errors: every service refuses a citation that does not read', () => {
  for (const call of [() => cz.translate('Mt 5,7-3', 'en'), () => cz.compare('Mt 5,3', 'Mt 5,7-3'),
    () => cz.osis('Mt 5,7-3'), () => cz.exists('Mt 5,7-3'), () => cz.units('Mt 5,7-3')]) {
    const e = captured(call);
    assert.ok(e instanceof TovrinError);
    assert.equal(e.message, "reversed range in 'Mt 5,7-3'");
  }
});

test('errors: unknown languages and numbering systems, wrong types', () => {
  const lang = captured(() => tovrin.language('xx'));
  assert.ok(lang instanceof TovrinError);
  assert.equal(lang.kind, 'language');
  assert.match(lang.message, /^unknown language 'xx' \(languages: cz, sk, en, /);
  assert.equal(captured(() => cz.expand('Mt 5,3', { to: 'xx' })).kind, 'language');
  const system = captured(() => cz.osis('Mt 5,3', { versification: 'nosuch' }));
  assert.equal(system.kind, 'versification');
  assert.equal(system.message, "unknown numbering system 'nosuch'");
  assert.throws(() => cz.scan(42), TypeError);
  assert.throws(() => cz.expand(null), TypeError);
  // The module is still usable after every error.
  assert.equal(cz.expand('Mt 5,3'), 'Mt 5,3');
});

test('errors: a configuration that cannot be loaded, as tovrin check-config says', needsCli, async () => {
  const text = '{xx\n!;-,:+f.\n}\n';
  const e = await loadTovrin({ config: text }).then(() => assert.fail('loaded'), (error) => error);
  assert.ok(e instanceof TovrinError);
  assert.equal(e.kind, 'config');
  const [, line, message] = cli('check-config', file(text, 'bibl.ini')).stdout.match(/:(\d+): error: (.*)/);
  assert.equal(e.file, 'bibl.ini');
  assert.equal(e.line, Number(line));
  assert.equal(e.message, `bibl.ini:${line}: ${message}`);
});

test('aliases give the same language object', () => {
  assert.equal(tovrin.language('cs'), cz);
  assert.equal(cz.name, 'cz');
});
