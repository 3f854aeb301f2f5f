// The TypeScript declarations (index.d.ts) against a program that uses the
// whole API, compiled with Debian's tsc in strict mode.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { join } from 'node:path';
import { test } from 'node:test';

import { root } from './support.js';

const tsc = spawnSync('tsc', ['--version']).status === 0;

test('types: a program using the whole API compiles with tsc --strict', { skip: !tsc && 'no tsc (apt-get install node-typescript)' }, () => {
  const r = spawnSync('tsc', ['--noEmit', '--strict', '--target', 'es2022', '--module', 'es2022',
    '--moduleResolution', 'node', join(root, 'js/test/usage.ts')], { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stdout + r.stderr);
});
