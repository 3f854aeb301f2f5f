// The package as a user gets it: `npm pack`, installed offline into a
// fresh project, where the README's example runs and prints what the
// README says; the script with the wasm inside stays small.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { gzipSync } from 'node:zlib';

import { loadTovrin } from '../index.js';
import { root } from './support.js';

const js = join(root, 'js');
const manifest = JSON.parse(readFileSync(join(js, 'package.json'), 'utf8'));

function run(command, args, cwd) {
  const r = spawnSync(command, args, { cwd, encoding: 'utf8' });
  assert.equal(r.status, 0, `${command} ${args.join(' ')}: ${r.stderr}`);
  return r.stdout;
}

// The first ```js block of the README and the output shown after it for
// `$ node example.mjs`.
function readmeExample() {
  const readme = readFileSync(join(root, 'README.md'), 'utf8');
  const script = readme.match(/```js\n([\s\S]*?)```/)[1];
  const output = readme.match(/\$ node example\.mjs\n([\s\S]*?)```/)[1];
  return { script, output };
}

test('package: npm pack, installed offline into a fresh project, runs the README example', () => {
  const work = mkdtempSync(join(tmpdir(), 'tovrin-pack-'));
  const [packed] = JSON.parse(run('npm', ['pack', '--json', '--pack-destination', work], js));
  assert.deepEqual(packed.files.map((f) => f.path).sort(),
    ['README.md', 'dist/tovrin_wasm.js', 'index.d.ts', 'index.js', 'package.json']);
  const app = join(work, 'app');
  run('mkdir', [app], work);
  writeFileSync(join(app, 'package.json'), '{ "name": "app", "private": true }\n');
  run('npm', ['install', '--offline', '--no-audit', '--no-fund', join(work, packed.filename)], app);
  const { script, output } = readmeExample();
  assert.equal(script.trim().split('\n').length, 5);
  writeFileSync(join(app, 'example.mjs'), script);
  assert.equal(run('node', ['example.mjs'], app), output);
});

test('package: the script with the wasm inside is at most 1.5 MB, 500 KB gzipped', () => {
  const path = join(js, 'dist/tovrin_wasm.js');
  assert.ok(statSync(path).size <= 1.5e6, `${statSync(path).size} bytes`);
  assert.ok(gzipSync(readFileSync(path), { level: 9 }).length <= 500e3);
});

test('package: its version is the library\'s', async () => {
  assert.equal((await loadTovrin()).version, manifest.version);
});
