// The demo page of the JavaScript package (js/demo/index.html) in Debian's
// Chromium, driven headless by playwright-core, opened as a file: the
// sample text marked with canonical forms and OSIS, a pasted text with
// emoji before its citations, the language switched, no request made;
// a screenshot.
//
// usage: node demo.mjs PAGE SCREENSHOT      (prints one line per check;
// exits 1 when any fails)
import { chromium } from 'playwright-core';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const [page_file, screenshot] = process.argv.slice(2);
const url = pathToFileURL(resolve(page_file)).href;
// Every language of the shipped bibl.ini is offered.
const shipped = (readFileSync(join(dirname(fileURLToPath(import.meta.url)), '../../data/bibl.ini'), 'utf8')
  .match(/^\{/gm) ?? []).length;
let failures = 0;
function check(what, got, want) {
  const ok = JSON.stringify(got) === JSON.stringify(want);
  console.log(`${ok ? 'ok  ' : 'FAIL'} - demo page: ${what}`);
  if (!ok) {
    console.log(`       got:  ${JSON.stringify(got)}\n       want: ${JSON.stringify(want)}`);
    failures++;
  }
}

const marks = (page) => page.$$eval('#marked mark.citation', (ms) => ms.map((m) => [m.textContent, m.title]));
const rows = (page) => page.$$eval('#citations tr', (rs) => rs.map((r) => [...r.cells].map((c) => c.textContent)));

async function paste(page, text) {
  await page.fill('#text', text);
  await page.waitForFunction((t) => document.querySelector('#marked').textContent === t, text);
}

const profile = mkdtempSync(join(tmpdir(), 'tovrin-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  viewport: { width: 1000, height: 700 },
  // waitForFunction evaluates its predicate in the page, which the page's
  // own Content-Security-Policy forbids.
  bypassCSP: true,
});
try {
  const page = browser.pages()[0] || await browser.newPage();
  const requests = [];
  const errors = [];
  page.on('request', (r) => { if (r.url() !== url) requests.push(r.url()); });
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(url);
  await page.waitForSelector('body[data-ready="yes"]', { timeout: 60000 });
  const languages = await page.$$eval('#lang option', (os) => os.map((o) => o.value));
  check('languages offered', [languages.slice(0, 3), languages.length], [['cz', 'sk', 'en'], shipped]);

  // The sample: every citation marked as written, the canonical form and
  // the OSIS references on it and in the table.
  check('the sample text marked', await marks(page), [
    ['Mt 5,3–12; L~6,20n', 'Mt 5,3-12; L 6,20-21 (Matt.5.3-Matt.5.12, Luke.6.20-Luke.6.21)'],
    ['Ř 8,28', 'Ř 8,28 (Rom.8.28)'],
    ['První kniha Mojžíšova 1,1–2,3', 'Gn 1,1-2,3 (Gen.1.1-Gen.2.3)'],
    ['Lukáš 17,20-24(25-30)', 'L 17,20-24; L 17,25-30 (Luke.17.20-Luke.17.24, Luke.17.25-Luke.17.30)'],
    ['J 3,16 ČEP', 'J 3,16 (John.3.16)'],
  ]);
  check('the table of citations', (await rows(page)).slice(0, 2), [
    ['Mt 5,3–12; L~6,20n', 'Mt 5,3-12; L 6,20-21', 'Matt.5.3-Matt.5.12, Luke.6.20-Luke.6.21'],
    ['Ř 8,28', 'Ř 8,28', 'Rom.8.28'],
  ]);
  check('status', await page.textContent('#status'), '5 citations');

  // A pasted text: emoji (two UTF-16 units each) before the citations do
  // not shift the marks, and the text around them stays as it was.
  await paste(page, '🙂🙂 Viz J 3,16n 🎉 a Ž 23.\nNic: EZ 508,1.');
  check('pasted text with emoji marked', await marks(page),
    [['J 3,16n', 'J 3,16-17 (John.3.16-John.3.17)'], ['Ž 23', 'Ž 23 (Ps.23)']]);

  // Another language: the same page reads English.
  await page.selectOption('#lang', 'en');
  await paste(page, 'See John 3:16f and Song of Solomon 2:1 — Ř 8,28 is Czech.');
  check('switched to English', await marks(page), [
    ['John 3:16f', 'John 3:16-17 (John.3.16-John.3.17)'], ['Song of Solomon 2:1', 'Song 2:1 (Song.2.1)'],
  ]);
  await page.screenshot({ path: screenshot, fullPage: true });
  console.log(`ok   - demo page: screenshot ${screenshot}`);
  check('no request beyond the page itself', requests.filter((r) => !r.startsWith('data:')), []);
  check('no error in the page', errors, []);
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
