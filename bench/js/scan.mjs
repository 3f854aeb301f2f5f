// The JavaScript package (js/) against bible-passage-reference-parser
// 4.0.0 (MIT, from npm; a peer of this benchmark only), side by side in one
// Node process:
//   scan    the English corpus (bench/make_corpus.py cite-en): tovrin's
//           lang.scan(text) against the peer's parse(text).osis_and_indices(),
//           on the whole text and paragraph by paragraph
//   expand  100,000 references one by one (the citations the scan found,
//           cycled): lang.expand and lang.osis against parse(ref).osis()
// and tovrin's scan against the native `tovrin scan --format json` per byte.
//
// usage: node scan.mjs CORPUS TOVRIN_PROGRAM [RUNS]   (bench/js/run.sh runs it)
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { bcv_parser as BcvParser } from 'bible-passage-reference-parser/esm/bcv_parser.js';
import * as peerEnglish from 'bible-passage-reference-parser/esm/lang/en.js';

import { loadTovrin } from '../../js/index.js';

const [corpus, program, runsArg = '5'] = process.argv.slice(2);
const runs = Number(runsArg);
const text = readFileSync(corpus, 'utf8');
const bytes = Buffer.byteLength(text);
const mb = bytes / 1e6;

// The median of `n` timed runs of `f`, in seconds, and f's last result.
function timed(n, f) {
  const times = [];
  let result;
  for (let k = 0; k < n; k++) {
    const t0 = process.hrtime.bigint();
    result = f();
    times.push(Number(process.hrtime.bigint() - t0) / 1e9);
  }
  times.sort((a, b) => a - b);
  return { seconds: times[Math.floor(n / 2)], result };
}

const en = (await loadTovrin()).language('en');
const peer = new BcvParser(peerEnglish);

const row = (what, seconds, extra) => console.log(`${what.padEnd(44)} ${seconds.toFixed(3).padStart(8)} s  ${extra}`);

console.log(`corpus ${corpus}: ${mb.toFixed(1)} MB, median of ${runs} runs (the peer: of ${Math.max(1, Math.floor(runs / 2))})`);
const ours = timed(runs, () => en.scan(text));
row('tovrin (wasm): en.scan(text)', ours.seconds, `${(mb / ours.seconds).toFixed(1)} MB/s, ${ours.result.length} citations`);
const theirs = timed(Math.max(1, Math.floor(runs / 2)), () => peer.parse(text).osis_and_indices());
row('peer: parse(text).osis_and_indices()', theirs.seconds, `${(mb / theirs.seconds).toFixed(2)} MB/s, ${theirs.result.length} references`);
// The peer is faster on short strings: each paragraph alone.
const paragraphs = text.split('\n\n');
const byParagraph = timed(Math.max(1, Math.floor(runs / 2)),
  () => paragraphs.reduce((n, p) => n + peer.parse(p).osis_and_indices().length, 0));
row('peer: the same, paragraph by paragraph', byParagraph.seconds, `${(mb / byParagraph.seconds).toFixed(2)} MB/s, ${byParagraph.result} references`);
const native = timed(runs, () => execFileSync(program, ['--lang', 'en', 'scan', '--format', 'json', corpus],
  { maxBuffer: 1 << 30 }));
const nativeCount = native.result.toString().split('\n').filter(Boolean).length;
row('native: tovrin --lang en scan --format json', native.seconds, `${(mb / native.seconds).toFixed(1)} MB/s, ${nativeCount} citations (whole process)`);
console.log(`scan: tovrin ${(byParagraph.seconds / ours.seconds).toFixed(1)}x the peer's speed by paragraphs ` +
  `(${(theirs.seconds / ours.seconds).toFixed(1)}x on the whole text); ` +
  `${(ours.seconds / native.seconds).toFixed(2)}x the native program's time per byte`);

// 100,000 references, each given alone.
const found = ours.result.map((c) => c.text);
const refs = Array.from({ length: 100000 }, (_, k) => found[k % found.length]);
const expand = timed(runs, () => refs.map((r) => en.expand(r)));
row('tovrin (wasm): en.expand(ref) x 100,000', expand.seconds, `${(1e5 / expand.seconds / 1e3).toFixed(0)}k/s`);
const osis = timed(runs, () => refs.map((r) => en.osis(r)));
row('tovrin (wasm): en.osis(ref) x 100,000', osis.seconds, `${(1e5 / osis.seconds / 1e3).toFixed(0)}k/s`);
const peerOsis = timed(Math.max(1, Math.floor(runs / 2)), () => refs.map((r) => peer.parse(r).osis()));
row('peer: parse(ref).osis() x 100,000', peerOsis.seconds, `${(1e5 / peerOsis.seconds / 1e3).toFixed(0)}k/s`);
console.log(`expand: tovrin ${(peerOsis.seconds / expand.seconds).toFixed(1)}x the peer's speed (osis: ` +
  `${(peerOsis.seconds / osis.seconds).toFixed(1)}x)`);
const agree = refs.slice(0, found.length).filter((r, k) => en.osis(r).join(',') === peer.parse(r).osis()).length;
console.log(`the same OSIS from both for ${agree} of ${Math.min(found.length, refs.length)} distinct references`);
