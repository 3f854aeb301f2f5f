// What the tests share: the package loaded once, and the tovrin program of
// the native build (TOVRIN_CLI, by default build/tovrin), whose answers the
// package must give too.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const cliPath = process.env.TOVRIN_CLI ?? join(root, 'build/tovrin');
if (process.env.TOVRIN_CLI && !existsSync(cliPath)) throw new Error(`TOVRIN_CLI: no program at ${cliPath}`);
// Tests that compare with the program are skipped, saying why, without it.
export const needsCli = existsSync(cliPath) ? {} : { skip: `no tovrin program at ${cliPath} (set TOVRIN_CLI)` };

const work = mkdtempSync(join(tmpdir(), 'tovrin-js-'));
let files = 0;

// A file holding `text`, for the program.
export function file(text, name = `text${files++}.txt`) {
  const path = join(work, name);
  writeFileSync(path, text);
  return path;
}

// Runs the program: { status, stdout, stderr }.
export function cli(...args) {
  return spawnSync(cliPath, args, { encoding: 'utf8' });
}

// The JSON records of `tovrin scan --format json` on `text`.
export function cliScan(text, lang, ...options) {
  const r = cli(...options, '--lang', lang, 'scan', '--format', 'json', file(text));
  if (r.status !== 0) throw new Error(`tovrin scan: ${r.stderr}`);
  return r.stdout.split('\n').filter(Boolean).map((line) => JSON.parse(line));
}

// The UTF-16 index of byte `offset` of the UTF-8 form of `text`.
export function utf16(text, offset) {
  return Buffer.from(text, 'utf8').subarray(0, offset).toString('utf8').length;
}
