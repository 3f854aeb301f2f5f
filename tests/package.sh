#!/usr/bin/env bash
# The Debian package, as a user installs it: cpack builds tovrin_*.deb in
# the build tree, and dpkg -x unpacks it into a scratch root, where
#   * the files are where Debian and TeX look for them (programs, library,
#     headers, CMake and pkg-config files, bibl.ini, tovrin.sty in the
#     TEXMF tree, manual pages, bash completion), and the package scripts
#     refresh TeX's file list only where mktexlsr exists;
#   * the installed tovrin reads its own bibl.ini and scans a small text;
#   * a LaTeX document with \usepackage[index=grouped]{tovrin} compiles
#     against the unpacked tree (TEXINPUTS), its Scripture index through
#     makeindex grouped by book;
#   * the manual pages list every command and set without a warning; the
#     bash completion completes commands, options and languages;
#   * another project builds against the unpacked headers and library
#     (tests/consumer/run.sh).
# Prints one line per check; exits 1 when any fails.
#
# usage: bash tests/package.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build}
case $build in /*) ;; *) build=$src/$build ;; esac

failures=0
pass() { echo "ok   - $1"; }
fail() {
  echo "FAIL - $1"
  failures=$((failures + 1))
}
# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" == "$3" ]; then
    pass "$1"
  else
    fail "$1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /'
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ---- build and unpack
rm -f "$build"/tovrin_*.deb
if ! (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
  tail -20 "$work/cpack.log"
  echo "FAIL - cpack could not build the package"
  exit 1
fi
deb=$(ls "$build"/tovrin_*.deb)
root=$work/root
mkdir -p "$root" "$work/control"
dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control" ||
  { echo "FAIL - $deb does not unpack"; exit 1; }
pass "cpack built $(basename "$deb")"

# ---- the files
missing=
for f in usr/bin/tovrin usr/bin/dorvi usr/lib/libtovrin.a usr/include/tovrin.h \
  usr/include/tovrin.hpp usr/lib/cmake/tovrin/tovrinConfig.cmake \
  usr/lib/pkgconfig/tovrin.pc usr/lib/pkgconfig/tovrin-cpp.pc usr/share/tovrin/bibl.ini \
  usr/share/texmf/tex/latex/tovrin/tovrin.sty usr/share/man/man1/tovrin.1.gz \
  usr/share/man/man1/dorvi.1.gz usr/share/bash-completion/completions/tovrin; do
  [ -f "$root/$f" ] || missing="$missing $f"
done
check "the package holds programs, library, headers, CMake, pkg-config, data, TeX, man, completion" "" "$missing"
# No file of the build or the source tree slipped in.
check "nothing outside /usr" "usr" "$(ls "$root")"

# ---- control: fields and scripts
depends=$(dpkg-deb -f "$deb" Depends)
case $depends in
*libzip*pugixml* | *pugixml*libzip*) pass "Depends names the shared libraries: $depends" ;;
*) fail "Depends lacks libzip or pugixml: '$depends'" ;;
esac
for script in postinst postrm; do
  f=$work/control/$script
  if [ ! -x "$f" ] || ! grep -q 'command -v mktexlsr' "$f" || ! grep -q 'mktexlsr /usr/share/texmf' "$f"; then
    fail "$script refreshes /usr/share/texmf with mktexlsr when it exists"
  # Where TeX is not installed the script does nothing and succeeds.
  elif ! env PATH=/nonexistent /bin/sh "$f" configure; then
    fail "$script fails without mktexlsr"
  else
    pass "$script: mktexlsr /usr/share/texmf, guarded"
  fi
done

# TeX reads /usr/share/texmf through its file list (ls-R) only: the
# postinst, run on the scratch tree, makes tovrin.sty found there.
texmf=$root/usr/share/texmf
find_sty() { TEXMFAUXTREES="!!$texmf," TEXMFDBS="$texmf" kpsewhich tovrin.sty; }
if ! command -v kpsewhich >/dev/null || ! command -v mktexlsr >/dev/null; then
  fail "kpsewhich and mktexlsr are needed (texlive-binaries)"
elif find_sty >/dev/null; then
  fail "tovrin.sty found in a TEXMF tree without its file list"
elif ! sed "s|/usr/share/texmf|$texmf|g" "$work/control/postinst" | sh -s configure ||
  [ "$(find_sty)" != "$texmf/tex/latex/tovrin/tovrin.sty" ]; then
  fail "after the postinst TeX does not find tovrin.sty in the TEXMF tree"
else
  pass "after the postinst TeX finds tovrin.sty in the TEXMF tree"
fi

# ---- the installed program, from a directory without bibl.ini
mkdir -p "$work/text"
printf 'Blahoslavení chudí (Mt 5,3--12; L~6,20n).\nSrv. Ř 8,28 a Mt 5,3.\n' >"$work/text/kazani.tex"
cd "$work/text" || exit 1
check "installed tovrin reads the installed bibl.ini" \
    "$root/usr/share/tovrin/bibl.ini" \
    "$(realpath "$("$root/usr/bin/tovrin" config | sed -n 's/^file: //p')")"
check "installed tovrin scans a text" \
    'Blahoslavení chudí (\bibleref{Mt 5,3--12; L~6,20n}).
Srv. \bibleref{Ř 8,28} a \bibleref{Mt 5,3}.' \
    "$("$root/usr/bin/tovrin" scan --format tex kazani.tex)"
check "installed tovrin: the index in canonical order" \
    'Mt 5,3	kazani.tex:2
Mt 5,3-12	kazani.tex:1
L 6,20-21	kazani.tex:1
Ř 8,28	kazani.tex:2' \
    "$("$root/usr/bin/tovrin" index kazani.tex)"
cd "$src" || exit 1

# ---- LaTeX against the unpacked TEXMF tree
cat >"$work/text/kniha.tex" <<'EOF'
\documentclass{article}
\usepackage[utf8]{inputenc}
\usepackage[T1]{fontenc}
\usepackage[index=grouped]{tovrin}
\begin{document}
Blahoslavení chudí (Mt 5,3--12; L~6,20n). Srv. Ř 8,28 a Mt 5,3.
\printindex
\end{document}
EOF
if ! command -v pdflatex >/dev/null || ! command -v makeindex >/dev/null; then
  fail "LaTeX: pdflatex and makeindex are needed (texlive-latex-base, texlive-binaries)"
elif ! (cd "$work/text" &&
  export TEXINPUTS="$root/usr/share/texmf/tex/latex/tovrin//:" &&
  "$root/usr/bin/tovrin" scan --format tex --index kniha.tex >doc.tex &&
  pdflatex -interaction=nonstopmode -halt-on-error doc >latex1.log 2>&1 &&
  makeindex -q doc.idx &&
  pdflatex -interaction=nonstopmode -halt-on-error doc >latex2.log 2>&1); then
  fail "LaTeX: \\usepackage{tovrin} from the package does not compile"
  tail -20 "$work"/text/latex*.log
elif ! grep -q "$root/usr/share/texmf/tex/latex/tovrin/tovrin.sty" "$work/text/doc.log"; then
  fail "LaTeX: tovrin.sty was not read from the package"
else
  check "LaTeX: \\usepackage[index=grouped]{tovrin} from the package, the index by book" \
    '\item Mt
\subitem Mt 5,3, 1
\subitem Mt 5,3-12, 1
\item L
\subitem L 6,20-21, 1
\item Ř
\subitem Ř 8,28, 1' \
    "$(sed -n 's/^ *\(\\\(sub\)*item .*\)/\1/p' "$work/text/doc.ind")"
fi

# ---- manual pages and completion
. "$root/usr/share/bash-completion/completions/tovrin"
commands=$(_tovrin_commands "$root/usr/bin/tovrin" | tr ' ' '\n' | sed '/^$/d')
check "tovrin(1) has a section per command" "$commands" \
  "$(zcat "$root/usr/share/man/man1/tovrin.1.gz" | sed -n 's/^\.SS //p')"
for page in tovrin dorvi; do
  warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
  check "$page(1) sets without warnings" "" "$warnings"
done
shown=$(man -l "$root/usr/share/man/man1/tovrin.1.gz" 2>/dev/null)
lacking=
for command in $commands; do
  usage=$("$root/usr/bin/tovrin" help "$command" | head -n 1)
  grep -qF -- "$usage" <<<"$shown" || lacking="$lacking $command"
done
check "man tovrin shows the usage line of every command" "" "$lacking"
complete_words() { # WORD... (the last one completed)
  COMP_WORDS=("$root/usr/bin/tovrin" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tovrin
  echo "${COMPREPLY[*]}"
}
check "completion: commands" "compare config check-config" "$(complete_words c)"
check "completion: options of scan" "--macro" "$(complete_words scan --ma)"
check "completion: formats of index" "text json" "$(complete_words index --format '')"
# The languages whose names begin with "f", in the order of the shipped
# bibl.ini's "{name" lines.
f_languages=$(sed -n 's/^{\(f[^ ]*\).*/\1/p' "$root/usr/share/tovrin/bibl.ini" | tr '\n' ' ')
check "completion: languages of bibl.ini" "${f_languages% }" "$(complete_words scan --lang f)"
check "completion: the shipped bibl.ini has such languages" yes "$([ -n "$f_languages" ] && echo yes)"

# ---- another project against the unpacked headers, library, CMake and
# pkg-config files
if bash tests/consumer/run.sh "$root/usr" >"$work/consumer.log" 2>&1; then
  pass "a project builds against the package (tests/consumer/run.sh)"
else
  grep -v '^ok' "$work/consumer.log" | tail -20
  fail "a project does not build against the package"
fi

rm -f "$deb"
[ "$failures" -eq 0 ] || { echo "$failures package check(s) failed"; exit 1; }
echo "all package checks passed"
