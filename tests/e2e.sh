#!/usr/bin/env bash
# End to end: the outputs of `tovrin scan` read by the programs they are
# made for.
#  * --format html opened in headless Chromium: the DOM the browser builds
#    holds one <mark class="citation"> per citation, with the canonical
#    text as its title, and nothing from the text itself turns into markup.
#  * --format tex --index with tex/tovrin.sty and hyperref, through pdflatex
#    and makeindex: the Scripture index (.ind) lists the passages in
#    canonical order with their pages, and each citation in the PDF links
#    to the URL of the package's url template.
#  * the Scripture index of tests/fixtures/index-cz.tex: makeindex's order of
#    the entries of scan --index, grouped by book and flat, is the order of
#    tovrin index --format json.
#  * a TeX source holding every TeX case of tests/test_sources.cpp, marked
#    by tovrin scan --format tex, still typesets with pdflatex.
#  * tovrin map: the SVG opened in headless Chromium, a row per book;
#    a screenshot stays in the build tree.
#  * tovrin serve: its page in headless Chromium (tests/serve/e2e.mjs).
#  * the demo page of the JavaScript package, opened as a file in headless
#    Chromium (tests/serve/demo.mjs).
# Installs chromium, texlive-latex-base, nodejs, npm and zip when they are
# missing (Debian, as root), and playwright-core (tests/serve, npm ci). Prints one line per check; exits non-zero when any check fails.
#
# usage: bash tests/e2e.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build}
case $build in /*) ;; *) build=$src/$build ;; esac
tovrin=$build/tovrin
config=$src/data/bibl.ini

failures=0
started=$(date +%s)
pass() { echo "ok   - $1 ($(($(date +%s) - t0)) s)"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }

if [ ! -x "$tovrin" ]; then
  echo "FAIL - no tovrin program at $tovrin (build it first)"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

install_if_missing() { # COMMAND PACKAGE...
  local cmd=$1
  shift
  command -v "$cmd" >/dev/null 2>&1 && return 0
  echo "     installing $*"
  export DEBIAN_FRONTEND=noninteractive
  { apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@"; } >"$work/apt.log" 2>&1 ||
    { tail -20 "$work/apt.log"; return 1; }
}

# A short Czech text: citations with typographic forms, one split across a
# line break, markup characters and a fake <mark> that must stay text.
cat >"$work/kazani.txt" <<'EOF'
Blahoslavenství (Mt 5,3–12; L 6,20n) a píseň o lásce, 1 K 13,4—7.
V TeXu: Mt~5,3--12 a Ř 7,25-
8,2. Text <mark class="citation">není odkaz</mark> & "Ž 23".
EOF

# ---------------------------------------------------------------------
# The HTML page in a browser

t0=$(date +%s)
"$tovrin" --config "$config" scan --format json "$work/kazani.txt" "$src/data/nztexty.tex" \
  >"$work/cites.jsonl"
"$tovrin" --config "$config" scan --format html "$work/kazani.txt" "$src/data/nztexty.tex" \
  >"$work/page.html"
expected_titles=$(sed 's/.*"canonical":"\([^"]*\)".*/\1/' "$work/cites.jsonl")
expected_count=$(wc -l <"$work/cites.jsonl")
if [ "$expected_count" -lt 100 ]; then
  fail "html: only $expected_count citations found in the texts"
elif ! install_if_missing chromium chromium; then
  fail "html: chromium cannot be installed"
else
  timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --dump-dom "file://$work/page.html" \
    >"$work/dom.html" 2>"$work/chromium.log"
  # The DOM as the browser serialises it, one line with every line break
  # as a CR (the texts hold none), so that a citation that runs over a
  # line break is one match.
  tr '\n' '\r' <"$work/dom.html" |
    grep -o '<mark class="citation" title="[^"]*">[^<]*</mark>' >"$work/marks.txt"
  dom_count=$(wc -l <"$work/marks.txt")
  dom_titles=$(sed 's/^<mark class="citation" title="\([^"]*\)">.*/\1/' "$work/marks.txt")
  first_marks=$(head -4 "$work/marks.txt")
  want_first=$(printf '%s\n' \
    '<mark class="citation" title="Mt 5,3-12; L 6,20-21">Mt 5,3–12; L 6,20n</mark>' \
    '<mark class="citation" title="1 K 13,4-7">1 K 13,4—7</mark>' \
    '<mark class="citation" title="Mt 5,3-12">Mt~5,3--12</mark>' \
    $'<mark class="citation" title="Ř 7,25-8,2">Ř 7,25-\r8,2</mark>')
  if [ ! -s "$work/dom.html" ]; then
    fail "html: chromium gave no DOM"
    tail -5 "$work/chromium.log"
  elif [ "$dom_count" != "$expected_count" ]; then
    fail "html: $dom_count <mark class=\"citation\"> in the DOM, $expected_count citations"
  elif [ "$dom_titles" != "$expected_titles" ]; then
    fail "html: the titles in the DOM differ from the canonical texts"
    diff <(echo "$expected_titles") <(echo "$dom_titles") | head
  elif [ "$first_marks" != "$want_first" ]; then
    fail "html: the first citations in the DOM are not as written"
    echo "$first_marks"
  elif ! grep -qF 'Text &lt;mark class="citation"&gt;není odkaz&lt;/mark&gt; &amp; "<mark class="citation" title="Ž 23">Ž 23</mark>".' "$work/dom.html"; then
    fail "html: markup in the text did not stay text"
  else
    pass "html: chromium shows $dom_count citations marked, titles canonical"
  fi
fi

# ---------------------------------------------------------------------
# The map in a browser: the SVG of the sample text as Chromium reads it,
# and a screenshot of it at A4 width.

t0=$(date +%s)
map_png=$build/e2e-map.png
if ! "$tovrin" --config "$config" map -o "$build/e2e-map.svg" "$src/data/nztexty.tex"; then
  fail "map: tovrin map failed"
elif ! install_if_missing chromium chromium; then
  fail "map: chromium cannot be installed"
else
  rm -f "$map_png"
  timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --dump-dom "file://$build/e2e-map.svg" \
    >"$work/map-dom.xml" 2>"$work/chromium.log"
  timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --window-size=760,1300 --screenshot="$map_png" \
    "file://$build/e2e-map.svg" >>"$work/chromium.log" 2>&1
  books=$("$tovrin" --config "$config" books | wc -l)
  rows=$(grep -o '<g class="row"' "$work/map-dom.xml" | wc -l)
  cited=$(grep -o '<rect class="cell"[^>]*fill="#[0-9a-f]*"' "$work/map-dom.xml" | grep -vc 'fill="#ffffff"')
  if [ "$rows" != "$books" ]; then
    fail "map: chromium shows $rows rows, the language has $books books"
    tail -5 "$work/chromium.log"
  elif [ ! -s "$map_png" ]; then
    fail "map: no screenshot"
    tail -5 "$work/chromium.log"
  else
    pass "map: chromium shows $rows rows, $cited chapters cited (screenshot $map_png)"
  fi
fi

# ---------------------------------------------------------------------
# The LaTeX Scripture index

t0=$(date +%s)
cat >"$work/src.tex" <<'EOF'
\documentclass{article}
\usepackage[utf8]{inputenc}
\usepackage[T1]{fontenc}
\usepackage{hyperref}
\usepackage[url={https://example.org/bible?q=CITE}]{tovrin}
\renewcommand\biblerefstyle{\itshape}
\begin{document}
Pavel píše Římanům o~naději (Ř 8,28); srov. Ž 23 a Gn 1,1--2,3.
Blahoslavenství čteme v~Mt 5,3--12; L 6,20n.
\newpage
Píseň o~lásce, 1~K 13,4--7, a znovu Ř 8,28.
Také Mt 5,3 a Gn 1,27.
\newpage
Na konci Zj 22,20+, Ž 119,105 a Mt 5.
\printindex
\end{document}
EOF
want_ind='\item Gn 1,1-2,3, 1
\item Gn 1,27, 2
\item Ž 23, 1
\item Ž 119,105, 3
\item Mt 5, 3
\item Mt 5,3, 2
\item Mt 5,3-12, 1
\item L 6,20-21, 1
\item Ř 8,28, 1, 2
\item 1 K 13,4-7, 2
\item Zj 22,20-21, 3'
# The link of each citation (tovrin.sty, url=...?q=CITE), percent-encoded.
want_links='https://example.org/bible?q=%C5%98%20%38%2C%32%38
https://example.org/bible?q=%C5%BD%20%32%33
https://example.org/bible?q=Gn%20%31%2C%31-%32%2C%33
https://example.org/bible?q=Mt%20%35%2C%33-%31%32%3B%20L%20%36%2C%32%30n
https://example.org/bible?q=%31%20K%20%31%33%2C%34-%37
https://example.org/bible?q=%C5%98%20%38%2C%32%38
https://example.org/bible?q=Mt%20%35%2C%33
https://example.org/bible?q=Gn%20%31%2C%32%37
https://example.org/bible?q=Zj%20%32%32%2C%32%30%2B
https://example.org/bible?q=%C5%BD%20%31%31%39%2C%31%30%35
https://example.org/bible?q=Mt%20%35'
# The URIs of the link annotations of a PDF, in order: pdfTeX keeps them in
# compressed object streams, so every stream is inflated first.
pdf_links() {
  python3 - "$1" <<'PY'
import re, sys, zlib
pdf = open(sys.argv[1], "rb").read()
parts = [pdf]
for m in re.finditer(rb"stream\r?\n(.*?)endstream", pdf, re.S):
    try:
        parts.append(zlib.decompress(m.group(1)))
    except zlib.error:
        pass
for uri in re.findall(rb"/URI\s*\(([^)]*)\)", b"".join(parts)):
    print(uri.decode("latin-1"))
PY
}
if ! install_if_missing pdflatex texlive-latex-base ||
  ! install_if_missing makeindex texlive-binaries; then
  fail "tex: pdflatex or makeindex cannot be installed"
elif ! (cd "$work" && export TEXINPUTS="$src/tex:" &&
  "$tovrin" --config "$config" scan --format tex --index src.tex >doc.tex &&
  pdflatex -interaction=nonstopmode -halt-on-error doc.tex >pdflatex1.log 2>&1 &&
  makeindex -q doc.idx &&
  pdflatex -interaction=nonstopmode -halt-on-error doc.tex >pdflatex2.log 2>&1); then
  fail "tex: tovrin, pdflatex or makeindex failed"
  tail -20 "$work"/pdflatex*.log 2>/dev/null
else
  # hyperref makes each page number of the index a link: \hyperpage{N}.
  got_ind=$(sed -n 's/^ *\(\\item .*\)/\1/p' "$work/doc.ind" | sed 's/\\hyperpage{\([^}]*\)}/\1/g')
  if [ "$got_ind" != "$want_ind" ]; then
    fail "tex: the index is not in canonical order"
    diff <(echo "$want_ind") <(echo "$got_ind")
  elif ! grep -q 'Output written on doc.pdf (4 pages' "$work/pdflatex2.log"; then
    fail "tex: no four-page PDF with the index"
  elif ! got_links=$(pdf_links "$work/doc.pdf") || [ "$got_links" != "$want_links" ]; then
    fail "tex: the citations do not link to the URL template of tovrin.sty"
    diff <(echo "$want_links") <(echo "$got_links")
  else
    pass "tex: makeindex lists $(grep -c . <<<"$got_ind") passages in canonical order with pages; $(grep -c . <<<"$got_links") citations link"
  fi
fi

# ---------------------------------------------------------------------
# The Scripture index of a fixture (tests/fixtures/index-cz.tex: chapters,
# verses, ranges from one verse, "n" and "nn", verse numbers of one, two
# and three digits, several books): makeindex's order of the entries that
# scan --index writes, grouped by book and flat (tovrin.sty's index=grouped
# and index=flat), is the order of tovrin index --format json.

t0=$(date +%s)
fixture=$src/tests/fixtures/index-cz.tex
# The \item and \subitem lines of the .ind, without page numbers.
makeindex_order() { # grouped|flat
  mkdir -p "$work/ix-$1" && cd "$work/ix-$1" &&
    sed "s/index=grouped/index=$1/" "$fixture" >ix.tex &&
    "$tovrin" --config "$config" scan --format tex --index ix.tex >doc.tex &&
    TEXINPUTS="$src/tex:" pdflatex -interaction=nonstopmode -halt-on-error doc.tex >latex.log 2>&1 &&
    makeindex -q doc.idx &&
    sed -n 's/^ *\(\\\(sub\)*item .*\)/\1/p' doc.ind | sed -E 's/(, [0-9]+)+$//'
}
# The same lines as tovrin index --format json gives the index.
tovrin_order() { # grouped|flat
  "$tovrin" --config "$config" index --format json "$fixture" | python3 -c '
import json, sys
grouped = sys.argv[1] == "grouped"
for book in json.load(sys.stdin):
    if grouped:
        print("\\item " + book["book"])
    for e in book["entries"]:
        print(("\\subitem " if grouped else "\\item ") + e["citation"])
' "$1"
}
if ! command -v pdflatex >/dev/null || ! command -v makeindex >/dev/null; then
  fail "index: pdflatex or makeindex missing"
else
  for layout in grouped flat; do
    if ! got=$(makeindex_order $layout); then
      fail "index ($layout): scan --index, pdflatex or makeindex failed"
      tail -20 "$work/ix-$layout/latex.log"
    elif ! want=$(tovrin_order $layout) || [ -z "$want" ] || [ "$got" != "$want" ]; then
      fail "index ($layout): makeindex and tovrin index disagree"
      diff <(echo "$want") <(echo "$got")
    else
      pass "index ($layout): makeindex orders the $(grep -c . <<<"$got") lines as tovrin index does"
    fi
  done
  cd "$src"
fi

# ---------------------------------------------------------------------
# A TeX source marked by tovrin scan still typesets: every TeX case of
# tests/test_sources.cpp (citations in font commands, in groups larger
# than they are, cut by a group; comments, \verb, verbatim environments,
# \cite and \label arguments) in one document.

t0=$(date +%s)
if ! command -v pdflatex >/dev/null; then
  fail "tex source: pdflatex is not installed"
elif ! (mkdir -p "$work/source" && cd "$work/source" && export TEXINPUTS="$src/tex:" &&
  "$tovrin" --config "$config" scan --format tex "$src/tests/fixtures/sources-cz.tex" >marked.tex &&
  pdflatex -interaction=nonstopmode -halt-on-error marked.tex >pdflatex.log 2>&1); then
  fail "tex source: the marked fixture does not typeset"
  tail -20 "$work/source/pdflatex.log" 2>/dev/null
else
  pass "tex source: $(grep -o '\\bibleref{' "$work/source/marked.tex" | wc -l) marks, and the document typesets"
fi

# ---------------------------------------------------------------------
# The page of `tovrin serve` in a browser (tests/serve/e2e.mjs, driven by
# playwright-core from npm): a pasted text, a dropped .docx built here from
# XML (a citation split across runs, one in a footnote, one in a table),
# the language switched; the screenshots of the page and of its map stay
# in the build tree.

t0=$(date +%s)
mkdir -p "$work/docx/word"
w='xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
cat >"$work/docx/word/document.xml" <<EOF
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document $w><w:body>
<w:p><w:r><w:t xml:space="preserve">Blahoslavení chudí (</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>Mt</w:t></w:r><w:r><w:t xml:space="preserve"> 5,3-12).</w:t></w:r><w:r><w:footnoteReference w:id="2"/></w:r></w:p>
<w:tbl><w:tr><w:tc><w:p><w:r><w:t>Ř 8,28</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>též Zl 3,4 a Mt 5,7-3</w:t></w:r></w:p></w:tc></w:tr></w:tbl>
<w:p><w:r><w:t>Konec, Ř 8,28.</w:t></w:r><w:r><w:endnoteReference w:id="1"/></w:r></w:p>
</w:body></w:document>
EOF
cat >"$work/docx/word/footnotes.xml" <<EOF
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:footnotes $w><w:footnote w:id="2"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t>Srv. L 6,20n.</w:t></w:r></w:p></w:footnote></w:footnotes>
EOF
cat >"$work/docx/word/endnotes.xml" <<EOF
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:endnotes $w><w:endnote w:id="1"><w:p><w:r><w:t>Gn 1,1</w:t></w:r></w:p></w:endnote></w:endnotes>
EOF
serve_log=$work/serve.out
if ! install_if_missing node nodejs || ! install_if_missing npm npm || ! install_if_missing zip zip ||
  ! install_if_missing chromium chromium; then
  fail "serve: node, npm, zip or chromium cannot be installed"
elif ! (cd "$work/docx" && zip -q -X -r ../kazani.docx word); then
  fail "serve: the .docx cannot be built"
elif [ ! -d "$src/tests/serve/node_modules/playwright-core" ] &&
  ! (cd "$src/tests/serve" && npm ci --no-audit --no-fund >"$work/npm.log" 2>&1); then
  fail "serve: npm cannot install playwright-core"
  tail -5 "$work/npm.log"
else
  "$tovrin" --config "$config" serve --port 0 >"$serve_log" 2>&1 &
  serve_pid=$!
  for _ in $(seq 50); do grep -q '^tovrin serve: http' "$serve_log" && break; sleep 0.1; done
  url=$(sed -n 's/^tovrin serve: \(http[^ ]*\) .*/\1/p' "$serve_log")
  if [ -z "$url" ]; then
    fail "serve: the server did not start"
    cat "$serve_log"
  elif (cd "$src/tests/serve" &&
    timeout 180 node e2e.mjs "$url" "$work/kazani.docx" "$build/e2e-serve.png" \
      "$build/e2e-serve-map.png"); then
    pass "serve: the page in chromium (screenshots $build/e2e-serve.png, $build/e2e-serve-map.png)"
  else
    fail "serve: the page in chromium"
  fi
  kill "$serve_pid" 2>/dev/null
  wait "$serve_pid" 2>/dev/null
fi

# ---------------------------------------------------------------------
# The demo page of the JavaScript package (js/demo/index.html, written by
# the TOVRIN_WASM build) opened as a file in Chromium (tests/serve/demo.mjs);
# the screenshot stays in the build tree. In CI the page must be there.

t0=$(date +%s)
demo=$src/js/demo/index.html
if [ ! -e "$demo" ]; then
  if [ "${CI:-}" = true ]; then
    fail "demo: no $demo (build the package: TOVRIN_WASM)"
  else
    echo "skip - demo: no $demo (build the package: TOVRIN_WASM)"
  fi
elif ! install_if_missing chromium chromium; then
  fail "demo: chromium cannot be installed"
elif [ ! -d "$src/tests/serve/node_modules/playwright-core" ] &&
  ! (cd "$src/tests/serve" && npm ci --no-audit --no-fund >"$work/npm.log" 2>&1); then
  fail "demo: npm cannot install playwright-core"
elif (cd "$src/tests/serve" && timeout 180 node demo.mjs "$demo" "$build/e2e-demo.png"); then
  pass "demo: the page in chromium, opened as a file (screenshot $build/e2e-demo.png)"
else
  fail "demo: the page in chromium"
fi

# ---------------------------------------------------------------------
# The sample text passes unchanged through the plain format.

t0=$(date +%s)
if "$tovrin" --config "$config" scan --format plain "$src/data/nztexty.tex" |
  cmp -s - "$src/data/nztexty.tex"; then
  pass "plain: data/nztexty.tex comes back byte for byte"
else
  fail "plain: data/nztexty.tex changed"
fi

echo "e2e: $failures failed, $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]
