// The page of `tovrin serve`: sends the text (or the dropped file) to the
// server's /api/scan, /api/lint, /api/index and /api/map and shows the
// answers.
// Offsets in the answers count bytes of the UTF-8 text, so the text is
// cut as bytes. Everything is built with DOM calls: no text of the user
// is ever read as markup.
'use strict';

const DEFAULT_TEMPLATE = 'https://www.biblegateway.com/passage/?search={english}';
const DOCUMENT = /\.(docx|odt)$/i;
const $ = (id) => document.getElementById(id);
const encoder = new TextEncoder();
const decoder = new TextDecoder();

// What was scanned last: pasted text, or a file as it was dropped.
let input = null;

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  e.append(...children);
  return e;
}

function status(message) { $('status').textContent = message; }

function template() { return $('template').value || DEFAULT_TEMPLATE; }

function link(citation) {
  return template()
    .replaceAll('{english}', encodeURIComponent(citation.english || citation.canonical))
    .replaceAll('{canonical}', encodeURIComponent(citation.canonical))
    .replaceAll('{osis}', encodeURIComponent(citation.osis || ''));
}

// POSTs the current input to `path`; the parsed answer, or an Error with
// the server's message.
async function post(path) {
  const lang = $('lang').value;
  let request;
  if (input.file) {
    const form = new FormData();
    form.append('lang', lang);
    form.append('file', input.file, input.file.name);
    request = { method: 'POST', body: form };
  } else {
    request = {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ text: input.text, name: input.name, lang }),
    };
  }
  const response = await fetch(path, request);
  const answer = await response.json();
  if (!response.ok) throw new Error(answer.error || response.statusText);
  return answer;
}

async function scan() {
  if (!input) return;
  status('Reading…');
  try {
    const [found, lint, index, map] = await Promise.all(
      ['/api/scan', '/api/lint', '/api/index', '/api/map'].map(post));
    show(found, lint.findings, index.index);
    show_map(map.svg);
    // A text of very many citations: the answers list the first ones.
    status([found, lint, index].map((a) => a.note).filter(Boolean).join('; '));
  } catch (e) {
    $('result').hidden = true;
    status(e.message);
  }
}

// The length in bytes of what a finding is about, to show it marked in the
// text: the citation the server read there ("no verse 99 in J 3 (it has
// 36)" is about "J 3,99"), or what the message quotes after " in " when
// that is longer ("reversed range in 'Mt 5,7-3'", "unknown book name 'Zalm'
// in 'Zalm 23,1' (did you mean 'Žalm'?)").
function finding_length(finding) {
  const m = finding.message.match(/ in '([^']*)'/);
  return Math.max(finding.length || 1, m ? encoder.encode(m[1]).length : 1);
}

// The text with every citation and finding marked: citations as <mark>
// (canonical form on hover, a link to the online Bible), findings as
// outlined spans that the list of findings jumps to.
function marked_text(text, citations, findings) {
  const bytes = encoder.encode(text);
  const piece = (a, b) => decoder.decode(bytes.subarray(a, b));
  const events = [];
  findings.forEach((f, k) => {
    let end = Math.min(bytes.length, f.offset + finding_length(f));
    for (const c of citations)
      if (c.offset >= f.offset && c.offset < end) end = Math.max(end, c.offset + c.length);
    events.push({ at: f.offset, order: 1, open: element('span', { class: 'finding', id: `finding-${k}` }) });
    events.push({ at: end, order: 0, close: true });
  });
  citations.forEach((c) => events.push({ at: c.offset, order: 2, citation: c }));
  events.sort((a, b) => a.at - b.at || a.order - b.order);

  const root = element('div');
  const stack = [root];
  let pos = 0;
  const text_to = (at) => {
    if (at > pos) stack[stack.length - 1].append(piece(pos, at));
    pos = Math.max(pos, at);
  };
  for (const e of events) {
    text_to(e.at);
    if (e.close) {
      if (stack.length > 1) stack.pop();
    } else if (e.open) {
      stack[stack.length - 1].append(e.open);
      stack.push(e.open);
    } else {
      const c = e.citation;
      const a = element('a', { href: link(c), target: '_blank', rel: 'noopener noreferrer' },
        piece(c.offset, c.offset + c.length));
      stack[stack.length - 1].append(element('mark', { class: 'citation', title: c.canonical }, a));
      pos = c.offset + c.length;
    }
  }
  text_to(bytes.length);
  return root.childNodes;
}

async function copy(text, button) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    // Without the clipboard API: copy from a selected text field.
    const field = element('textarea');
    field.value = text;
    document.body.append(field);
    field.select();
    document.execCommand('copy');
    field.remove();
  }
  button.textContent = 'Copied';
  setTimeout(() => { button.textContent = button.dataset.label; }, 1200);
}

// A button that copies `text`, which shows on hover.
function copy_button(label, text) {
  const b = element('button', { type: 'button', class: 'copy', 'data-label': label, title: text }, label);
  b.addEventListener('click', () => copy(text, b));
  return b;
}

function show(found, findings, index) {
  $('source').textContent = found.name;
  $('marked').replaceChildren(...marked_text(found.text, found.citations, findings));

  $('finding-count').textContent = `(${findings.length})`;
  $('findings').replaceChildren(...findings.map((f, k) => {
    const a = element('a', { href: `#finding-${k}` }, `${f.place}: ${f.message}`);
    a.addEventListener('click', (event) => {
      event.preventDefault();
      const target = $(`finding-${k}`);
      target.scrollIntoView({ block: 'center' });
      target.classList.remove('flash');
      void target.offsetWidth; // restarts the animation
      target.classList.add('flash');
    });
    return element('li', {}, a);
  }));

  $('citation-count').textContent = `(${found.citations.length})`;
  $('citations').tBodies[0].replaceChildren(...found.citations.map((c) => {
    const buttons = [copy_button('Copy', c.canonical)];
    if (c.english && c.english !== c.canonical) buttons.push(copy_button('Copy English', c.english));
    // OSIS references, for Bible software and digital editions; none in a
    // language without numbering systems.
    if (c.osis) buttons.push(copy_button('Copy OSIS', c.osis));
    return element('tr', {}, element('td', {}, c.place), element('td', {}, c.text),
      element('td', {}, element('a', { href: link(c), target: '_blank', rel: 'noopener noreferrer' },
        c.canonical)),
      element('td', {}, ...buttons));
  }));

  $('index').tBodies[0].replaceChildren(...index.map((e) =>
    element('tr', {}, element('td', {}, e.citation), element('td', {}, e.places.join(', ')))));
  $('result').hidden = false;
}

// The map the server drew (its names escaped there), parsed as SVG, never
// as HTML; it scales to the page.
function show_map(svg) {
  const picture = new DOMParser().parseFromString(svg, 'image/svg+xml').documentElement;
  picture.removeAttribute('width');
  picture.removeAttribute('height');
  $('map').replaceChildren(document.importNode(picture, true));
}

async function open_file(file) {
  if (DOCUMENT.test(file.name)) {
    input = { file };
    $('text').value = '';
    $('text').placeholder = `${file.name} (a document: its text is shown below)`;
  } else {
    input = { text: await file.text(), name: file.name };
    $('text').value = input.text;
  }
  await scan();
}

// "Find citations" reads what is in the text field; while it is empty
// after a document was opened, the document is read again.
function scan_pasted() {
  const document_open = input && input.file && $('text').value === '';
  if (!document_open) input = { text: $('text').value, name: 'text' };
  return scan();
}

async function start() {
  $('template').value = localStorage.getItem('tovrin.template') || DEFAULT_TEMPLATE;
  $('template').addEventListener('change', () => {
    localStorage.setItem('tovrin.template', $('template').value);
    scan();
  });
  $('scan').addEventListener('click', scan_pasted);
  $('text').addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) scan_pasted();
  });
  $('text').addEventListener('paste', () => setTimeout(scan_pasted, 0));
  $('lang').addEventListener('change', () => {
    localStorage.setItem('tovrin.lang', $('lang').value);
    scan();
  });
  $('file').addEventListener('change', () => {
    if ($('file').files.length) open_file($('file').files[0]);
  });
  document.addEventListener('dragover', (e) => { e.preventDefault(); $('drop').hidden = false; });
  document.addEventListener('dragleave', (e) => { if (!e.relatedTarget) $('drop').hidden = true; });
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    $('drop').hidden = true;
    if (e.dataTransfer.files.length) open_file(e.dataTransfer.files[0]);
  });

  const { languages } = await (await fetch('/api/languages')).json();
  const saved = localStorage.getItem('tovrin.lang');
  $('lang').replaceChildren(...languages.map((name) => element('option', { value: name }, name)));
  $('lang').value = languages.includes(saved) ? saved : languages.includes('cz') ? 'cz' : languages[0];
  document.body.dataset.ready = 'yes';
}

start();
