#!/usr/bin/env bash
# The JavaScript package against bible-passage-reference-parser 4.0.0 (npm,
# installed here in bench/js only: never a dependency of the package), and
# against the native tovrin scan (bench/js/scan.mjs). Figures go to
# bench/RESULTS.md by hand.
#
# usage: bash bench/js/run.sh [NATIVE_BUILD_DIR] [SIZE] [RUNS]
#        (defaults: build-rel, 20M, 3; the wasm build must have written
#        js/dist/tovrin_wasm.js; NATIVE_BUILD_DIR holds a Release tovrin)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-build-rel}
case $build in /*) ;; *) build=$root/$build ;; esac
size=${2:-20M}
runs=${3:-3}

[ -x "$build/tovrin" ] || { echo "no tovrin program in $build (a Release build)"; exit 1; }
[ -e "$root/js/dist/tovrin_wasm.js" ] || { echo "no js/dist/tovrin_wasm.js (the TOVRIN_WASM build)"; exit 1; }
[ -d "$here/node_modules/bible-passage-reference-parser" ] ||
  (cd "$here" && npm ci --no-audit --no-fund)
corpus=$build/bench-corpus/cite-en-$size.txt
mkdir -p "$(dirname "$corpus")"
if [[ ! -s $corpus || $root/bench/make_corpus.py -nt $corpus ]]; then
  python3 "$root/bench/make_corpus.py" --data "$root/data" cite-en "$size" "$corpus"
fi
cd "$here" && node scan.mjs "$corpus" "$build/tovrin" "$runs"
