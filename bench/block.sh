#!/usr/bin/env bash
# The block scanner and its users on the Czech corpus with citations:
# throughput (hyperfine, with cat in the same run), instructions per byte
# (callgrind), and tovrin scan -j 1 against -j 2 on a 200 MB input.
#
#   bench/block.sh [BUILD_DIR]      BUILD_DIR defaults to build-bench
#
# Programs (Release build): block_scan (bench/block_scan.cpp: the block
# scanner over a file in memory), dorvi, tovrin scan --format plain.
# Inputs: the 20 MB corpus of bench/scan.sh (bench/make_corpus.py, fixed
# seed) and ten copies of it (200 MB). Environment: BLOCK_RUNS (hyperfine
# runs, default 5).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
runs=${BLOCK_RUNS:-5}
seed=20240611

say() { printf '%s\n' "$*"; }
command -v hyperfine >/dev/null || { say "block.sh: hyperfine is needed" >&2; exit 1; }

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVRIN_TESTS=OFF \
        -DTOVRIN_BENCH=ON >/dev/null
else
    cmake "$build" -DTOVRIN_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target dorvi tovrin_cli block_scan >/dev/null
results=$build/bench-results
mkdir -p "$build/bench-corpus" "$results"
cite=$build/bench-corpus/cite-20M-$seed.txt
[[ -s $cite ]] || python3 "$root/bench/make_corpus.py" --data "$root/data" --seed "$seed" \
    cite 20M "$cite"
big=$build/bench-corpus/cite-200M-$seed.txt
[[ -s $big && $big -nt $cite ]] || for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$cite"; done >"$big"
run=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-block.XXXXXX")
trap 'rm -rf "$run"' EXIT
cp "$root/data/bibl.ini" "$run/"
ln -s "$cite" "$run/nztexty.tex"

mbs() { python3 -c "import sys; print(f'{int(sys.argv[1]) / 1e6 / float(sys.argv[2]):8.1f}')" "$@"; }
# Median wall time of each command of a hyperfine run, in the order given.
medians() {
    python3 -c 'import json,sys; print(*[r["median"] for r in json.load(open(sys.argv[1]))["results"]])' "$1"
}

say "== throughput on the corpus (20 MB, median of $runs runs)"
(cd "$run" && hyperfine -N -w 1 -r "$runs" --export-json "$results/block.json" \
    "cat nztexty.tex" "$build/bench/block_scan nztexty.tex" "$build/dorvi" \
    "$build/tovrin scan --format plain -j 1 nztexty.tex" >/dev/null 2>&1 ||
    hyperfine -w 1 -r "$runs" --export-json "$results/block.json" \
        "cat nztexty.tex" "$build/bench/block_scan nztexty.tex" "$build/dorvi" \
        "$build/tovrin scan --format plain -j 1 nztexty.tex" >/dev/null)
read -r t_cat t_block t_dorvi t_scan < <(medians "$results/block.json")
bytes=$(stat -c %s "$cite")
printf '%-28s %10s %10s\n' command "MB/s" "x cat"
for pair in "cat:$t_cat" "block_scan:$t_block" "dorvi:$t_dorvi" "tovrin scan -j 1:$t_scan"; do
    printf '%-28s %10s %10s\n' "${pair%%:*}" "$(mbs "$bytes" "${pair##*:}")" \
        "$(python3 -c "print(f'{${pair##*:} / $t_cat:.1f}')")"
done
say "tovrin scan / dorvi: $(python3 -c "print(f'{$t_scan / $t_dorvi:.2f}')") (target <= 1.5)"

say
say "== tovrin scan -j 1 and -j 2 on 200 MB (median of 3 runs)"
hyperfine -w 1 -r 3 --export-json "$results/block-j.json" \
    "$build/tovrin scan --config $run/bibl.ini --format plain -j 1 $big" \
    "$build/tovrin scan --config $run/bibl.ini --format plain -j 2 $big" >/dev/null
read -r t_j1 t_j2 < <(medians "$results/block-j.json")
big_bytes=$(stat -c %s "$big")
say "-j 1: $(mbs "$big_bytes" "$t_j1") MB/s, -j 2: $(mbs "$big_bytes" "$t_j2") MB/s," \
    "speed-up $(python3 -c "print(f'{$t_j1 / $t_j2:.2f}')") (target >= 1.7)"

if command -v valgrind >/dev/null; then
    say
    say "== instructions per byte (callgrind, first 300 000 bytes of the corpus)"
    head -c 300000 "$cite" >"$run/slice.txt"
    : >"$run/empty.txt"
    ir() { # total instructions of a command run under callgrind
        valgrind --tool=callgrind --callgrind-out-file="$run/cg.out" "$@" >/dev/null 2>&1
        awk '/^(summary|totals):/ { print $2; exit }' "$run/cg.out"
    }
    inclusive() { # instructions inside a function and all it calls
        callgrind_annotate --inclusive=yes --threshold=100 "$run/cg.out" 2>/dev/null |
            awk -v f="$1" '!found && $0 ~ (":" f "( |$)") { gsub(",", "", $1); print $1; found = 1 }'
    }
    ir "$build/bench/block_scan" "$run/slice.txt" >/dev/null
    feed=$(inclusive tovrin_scanner_feed)
    finish=$(inclusive tovrin_scanner_finish)
    all_block=$(awk '/^(summary|totals):/ { print $2; exit }' "$run/cg.out")
    base_block=$(ir "$build/bench/block_scan" "$run/empty.txt")
    say "block interface (feed + finish): $(python3 -c "print(f'{(${feed:-0} + ${finish:-0}) / 300000:.2f}')") per byte (target <= 4);" \
        "block_scan process less its empty run: $(python3 -c "print(f'{($all_block - $base_block) / 300000:.2f}')")"
    # The existence test (TOVRIN_SCAN_EXISTING), which tovrin scan uses by
    # default: its cost on top of the block interface.
    ir "$build/bench/block_scan" "$run/slice.txt" cz 1 >/dev/null
    feed_x=$(inclusive tovrin_scanner_feed)
    finish_x=$(inclusive tovrin_scanner_finish)
    say "block interface with the existence test: $(python3 -c "print(f'{(${feed_x:-0} + ${finish_x:-0}) / 300000:.2f}')") per byte," \
        "$(python3 -c "print(f'{((${feed_x:-0} + ${finish_x:-0}) / (${feed:-0} + ${finish:-0}) - 1) * 100:+.1f}')") % (target <= +10 %)"
    cp "$run/slice.txt" "$run/nztexty.tex.slice"
    (cd "$run" && rm nztexty.tex && cp slice.txt nztexty.tex)
    all_dorvi=$(cd "$run" && ir "$build/dorvi")
    callgrind_annotate "$run/cg.out" 2>/dev/null | head -30 >"$results/profile-dorvi-block.txt" || true
    # The same on an empty input: loading bibl.ini is a cost per run.
    (cd "$run" && : >nztexty.tex)
    base_dorvi=$(cd "$run" && ir "$build/dorvi")
    say "dorvi, whole process: $(python3 -c "print(f'{$all_dorvi / 300000:.2f}')") per byte;" \
        "less its empty run: $(python3 -c "print(f'{($all_dorvi - $base_dorvi) / 300000:.2f}')") (target <= 10)"
fi
