// 100,000 calls of every kind leave the WebAssembly heap as they found it:
// nothing leaks in the library or the binding, and nothing is left for the
// caller to free.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadTovrin } from '../index.js';

const tovrin = await loadTovrin();
const cz = tovrin.language('cz');
const en = tovrin.language('en');
const text = '😀 Viz Mt 5,3–12; L~6,20n a První kniha Mojžíšova 1,1–2,3, Lukáš 17,20-24(25-30), J 3,16 ČEP.';

// One call of each kind, errors among them; ten calls in all.
function round() {
  cz.scan(text);
  cz.expand('J 3,16n; 1 K 13,4nn', { to: en });
  cz.translate('Mt 5,3-7', 'en');
  cz.compare('Mt 5,1-12', 'Mt 5,3');
  cz.osis('Mt 5,3-12; L 6,20n');
  cz.exists('Mt 29,1');
  cz.check('Zalm 23,1');
  cz.books();
  try { cz.expand('Mt 5,7-3'); } catch { /* refused, as it should be */ }
  try { tovrin.language('xx'); } catch { /* unknown */ }
}

test('memory: the heap stays flat over 100,000 calls', () => {
  // The buffers of the binding reach their size in the first rounds.
  for (let k = 0; k < 100; k++) round();
  const before = tovrin.memoryUse();
  for (let k = 0; k < 10000; k++) round();
  const after = tovrin.memoryUse();
  assert.equal(after.allocated, before.allocated, 'bytes held by the allocator');
  assert.equal(after.reserved, before.reserved, 'size of the memory');
});

test('memory: a large text leaves only the buffers it grew', () => {
  const big = `${text}\n`.repeat(20000);
  cz.scan(big);
  const before = tovrin.memoryUse();
  assert.equal(cz.scan(big).length, 20000 * 4);
  assert.equal(tovrin.memoryUse().allocated, before.allocated);
});
