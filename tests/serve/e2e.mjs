// The page of `tovrin serve` in Debian's Chromium, driven headless by
// playwright-core: paste a text and see its citations marked with their
// canonical forms, and copy one as OSIS references; link to a Bible by
// OSIS references; see findings outlined whole; drop a .docx and see its
// lint findings (and jump to one), and find its citations again; see the
// map of what it cites; switch the language; take screenshots of the page
// and of the map.
//
// usage: node e2e.mjs URL DOCX SCREENSHOT MAP_SCREENSHOT   (prints one line
// per check; exits 1 when any fails)
import { chromium } from 'playwright-core';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const [url, docx, screenshot, map_screenshot] = process.argv.slice(2);
let failures = 0;
function check(what, got, want) {
  const ok = JSON.stringify(got) === JSON.stringify(want);
  console.log(`${ok ? 'ok  ' : 'FAIL'} - serve page: ${what}`);
  if (!ok) {
    console.log(`       got:  ${JSON.stringify(got)}\n       want: ${JSON.stringify(want)}`);
    failures++;
  }
}

const marks = (page) => page.$$eval('#marked mark.citation',
  (ms) => ms.map((m) => [m.textContent, m.title]));
const findings = (page) => page.$$eval('#findings li', (ls) => ls.map((l) => l.textContent));

// Clicks "Find citations" and waits until the answers are shown (the
// source's name is set anew).
async function find_again(page) {
  await page.$eval('#source', (s) => { s.textContent = 'stale'; });
  await page.click('#scan');
  await page.waitForFunction(() => document.querySelector('#source').textContent !== 'stale');
}

async function paste_and_scan(page, text) {
  await page.fill('#text', text);
  await page.click('#scan');
  await page.waitForFunction((t) => document.querySelector('#marked').textContent === t, text);
}

const profile = mkdtempSync(join(tmpdir(), 'tovrin-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  viewport: { width: 1200, height: 900 },
  // waitForFunction evaluates its predicate in the page, which the page's
  // own Content-Security-Policy (script-src 'self') forbids at random
  // moments; the page loading nothing from elsewhere is checked below.
  bypassCSP: true,
});
try {
  const page = browser.pages()[0] || await browser.newPage();
  // Any request that leaves the server fails the check below.
  const foreign = [];
  page.on('request', (r) => { if (!r.url().startsWith(url)) foreign.push(r.url()); });
  await page.goto(url);
  await page.waitForSelector('body[data-ready="yes"]');
  check('languages offered', (await page.$$eval('#lang option', (os) => os.map((o) => o.value))).slice(0, 3),
    ['cz', 'sk', 'en']);

  // Paste: citations marked, the canonical form as the title.
  await paste_and_scan(page, 'Blahoslavení chudí (Mt 5,3–12; L 6,20n).\nSrv. Ř 8,28 a 1 K 13,4nn.');
  check('pasted text marked with canonical titles', await marks(page), [
    ['Mt 5,3–12; L 6,20n', 'Mt 5,3-12; L 6,20-21'],
    ['Ř 8,28', 'Ř 8,28'],
    ['1 K 13,4nn', '1 K 13,4nn'],
  ]);
  // Each citation can be copied in its canonical form, in English and as
  // OSIS references; the button shows what it copies.
  check('copy choices of a citation',
    await page.$$eval('#citations tbody tr:first-child button.copy',
      (bs) => bs.map((b) => [b.textContent, b.title])), [
      ['Copy', 'Mt 5,3-12; L 6,20-21'],
      ['Copy English', 'Matt 5:3-12; Luke 6:20-21'],
      ['Copy OSIS', 'Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21'],
    ]);
  // The button says "Copied" for a moment once the text is on the clipboard.
  await browser.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: url });
  await page.click('#citations tbody tr:first-child button.copy:nth-child(3)');
  await page.waitForFunction(() => document.querySelector(
    '#citations tbody tr:first-child button.copy:nth-child(3)').textContent === 'Copied');
  check('copying the OSIS references', await page.evaluate(() => navigator.clipboard.readText()),
    'Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21');
  check('a citation links to the online Bible',
    await page.$eval('#marked mark.citation a', (a) => a.href),
    'https://www.biblegateway.com/passage/?search=Matt%205%3A3-12%3B%20Luke%206%3A20-21');
  // A link template with the OSIS references, for Bible software online.
  await page.click('#settings summary');
  await page.fill('#template', 'https://example.org/read/{osis}');
  await page.$eval('#template', (t) => t.dispatchEvent(new Event('change')));
  await page.waitForFunction(() => document.querySelector('#marked mark.citation a').href
    .startsWith('https://example.org/'));
  check('the link template takes {osis}',
    await page.$eval('#marked mark.citation a', (a) => a.href),
    'https://example.org/read/Matt.5.3-Matt.5.12%2CLuke.6.20-Luke.6.21');
  await page.fill('#template', '');
  await page.$eval('#template', (t) => t.dispatchEvent(new Event('change')));
  await page.click('#settings summary');

  // The map of what the text cites: a row per book, the cited chapters
  // coloured, each with its count.
  check('the map: a row per book', await page.$$eval('#map svg g.row', (rs) => rs.length), 86);
  check('the map: the cited chapters',
    await page.$$eval('#map svg rect.cell', (cs) => cs.filter((c) => c.getAttribute('fill') !== '#ffffff')
      .map((c) => c.querySelector('title').textContent)),
    ['Mt 5: 1 citation', 'L 6: 1 citation', 'Ř 8: 1 citation', '1 K 13: 1 citation']);

  // Findings are outlined whole: a verse that does not exist, a range
  // written backwards, a misspelt book name.
  await paste_and_scan(page, 'Viz J 3,99 a Mt 5,7-3, též Zalm 23,1.');
  check('findings outlined whole', await page.$$eval('#marked .finding', (fs) => fs.map((f) => f.textContent)),
    ['J 3,99', 'Mt 5,7-3', 'Zalm 23,1']);

  // Drop a .docx on the page, as a file manager does.
  const bytes = readFileSync(docx).toString('base64');
  await page.evaluate(({ bytes, name }) => {
    const data = Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    transfer.items.add(new File([data], name));
    document.dispatchEvent(new DragEvent('dragover', { dataTransfer: transfer, cancelable: true }));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, cancelable: true }));
  }, { bytes, name: 'kazani.docx' });
  await page.waitForFunction(() => document.querySelector('#source').textContent === 'kazani.docx');
  check('dropped .docx: its lint findings', await findings(page), [
    "3:5: unknown book name 'Zl' in 'Zl 3,4' (did you mean 'Žl'?)",
    "3:14: reversed range in 'Mt 5,7-3'",
  ]);
  check('dropped .docx: citations in the text, footnote and table', await marks(page), [
    ['Mt 5,3-12', 'Mt 5,3-12'], ['L 6,20n', 'L 6,20-21'], ['Ř 8,28', 'Ř 8,28'],
    ['Mt 5,7', 'Mt 5,7'], ['Ř 8,28', 'Ř 8,28'], ['Gn 1,1', 'Gn 1,1'],
  ]);
  check('dropped .docx: the Scripture index',
    await page.$$eval('#index tr', (rs) => rs.map((r) => r.textContent)).then((r) => r.slice(0, 2)),
    ['Gn 1,1kazani.docx:endnote 1', 'Mt 5,3-12kazani.docx:1']);
  await page.click('#findings li:nth-child(2) a');
  check('a finding jumps to its place in the text',
    await page.$eval('#finding-1', (e) => [e.className, e.textContent]), ['finding flash', 'Mt 5,7-3']);
  check('dropped .docx: its findings outlined whole',
    await page.$$eval('#marked .finding', (fs) => fs.map((f) => f.textContent)), ['Zl 3,4', 'Mt 5,7-3']);
  await page.screenshot({ path: screenshot, fullPage: true });
  console.log(`ok   - serve page: screenshot ${screenshot}`);
  await page.locator('#map svg').screenshot({ path: map_screenshot });
  console.log(`ok   - serve page: screenshot of the map ${map_screenshot}`);
  check('dropped .docx: its map', await page.$$eval('#map svg rect.cell',
    (cs) => cs.filter((c) => c.getAttribute('fill') !== '#ffffff').length), 4);

  // "Find citations" with the text field empty reads the document again.
  await find_again(page);
  check('"Find citations" keeps the dropped .docx',
    [await page.$eval('#source', (s) => s.textContent), (await marks(page)).length,
      await page.$eval('#status', (s) => s.textContent)],
    ['kazani.docx', 6, '']);

  // Switch the language: the same text is read in English.
  await page.selectOption('#lang', 'en');
  await paste_and_scan(page, 'See John 3:16f and Rom 8:28-30. Ř 8,28 is Czech.');
  check('switched to English', await marks(page), [
    ['John 3:16f', 'John 3:16-17'], ['Rom 8:28-30', 'Rom 8:28-30'],
  ]);
  // The page's icon, which browsers ask for.
  check('the page has an icon', await page.evaluate(async () => {
    const icon = await fetch(document.querySelector('link[rel="icon"]').href);
    const ico = await fetch('/favicon.ico');
    return [icon.status, icon.headers.get('Content-Type'), ico.status];
  }), [200, 'image/svg+xml', 200]);
  check('nothing loaded from outside the server', foreign, []);
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
