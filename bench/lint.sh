#!/usr/bin/env bash
# Time and peak memory of `tovrin lint` against `tovrin scan` on the same
# texts, at 1, 4 and 16 MB: lint must grow linearly in both.
#
#   bench/lint.sh [BUILD_DIR]        BUILD_DIR defaults to build-bench
#
# Inputs (in BUILD_DIR/bench-corpus, reused while unchanged):
#   capitals  one line of "J" (a Czech book name, J = Jan): one endless word
#   digits    one line of "7": one endless number
#   prose     the citation corpus of bench/make_corpus.py (Czech prose with
#             a citation every ~300 bytes), seed 20240611
# Each command runs LINT_RUNS times (default 3); the table gives the least
# CPU time (user + system) and the largest peak resident set (GNU time's
# %M), the ratio 16 MB / 4 MB of both (linear: about 4, at most 5), and
# lint's CPU time over scan's on the same input.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
runs=${LINT_RUNS:-3}
seed=20240611

die() { printf 'lint.sh: %s\n' "$*" >&2; exit 1; }
[[ -x /usr/bin/time ]] || die "GNU time (/usr/bin/time, Debian package 'time') is needed"

if [[ -f $build/CMakeCache.txt ]]; then
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    [[ $type == Release ]] || die "$build is a '$type' build: give a Release build directory"
else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVRIN_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tovrin_cli >/dev/null
tovrin=$build/tovrin
corpus=$build/bench-corpus
mkdir -p "$corpus"

# The input of KIND and SIZE (in MB), made unless a current copy exists.
input() {
    local kind=$1 size=$2 f
    f=$corpus/lint-$kind-${size}M.txt
    if [[ ! -s $f || $root/bench/make_corpus.py -nt $f ]]; then
        case $kind in
        capitals) python3 -c "import sys; sys.stdout.write('J' * ($size * 10**6))" >"$f.tmp" ;;
        digits) python3 -c "import sys; sys.stdout.write('7' * ($size * 10**6))" >"$f.tmp" ;;
        prose) python3 "$root/bench/make_corpus.py" --seed "$seed" --data "$root/data" \
                   cite "${size}M" "$f.tmp" ;;
        esac
        mv "$f.tmp" "$f"
    fi
    printf '%s\n' "$f"
}

# Least CPU seconds and largest peak KB of `tovrin COMMAND... FILE` over the
# runs, as "SECONDS KB".
measure() {
    local best= peak=0 out
    for ((k = 0; k < runs; ++k)); do
        /usr/bin/time -o "$corpus/time.txt" -f '%U %S %M' \
            "$tovrin" --config "$root/data/bibl.ini" "$@" >/dev/null 2>&1 || true
        # (A first line says when lint exits 1: it found something.)
        read -r user sys kb < <(tail -1 "$corpus/time.txt")
        best=$(python3 -c "b='$best'; t=$user+$sys; print(t if not b or t < float(b) else b)")
        ((kb > peak)) && peak=$kb
    done
    printf '%s %s\n' "$best" "$peak"
}

commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "commit:  $commit; least CPU time of $runs runs"
printf '%-9s %5s %10s %10s %10s %10s %10s\n' input MB "lint s" "lint MB/s" "peak KB" \
    "scan s" "lint/scan"
for kind in capitals digits prose; do
    declare -A t=() m=()
    for size in 1 4 16; do
        f=$(input "$kind" "$size")
        read -r lt lm <<<"$(measure lint "$f")"
        read -r st _ <<<"$(measure scan --format plain "$f")"
        t[$size]=$lt
        m[$size]=$lm
        python3 -c "
lt, st = $lt, $st
print(f'%-9s %5d %10.2f %10.1f %10d %10.2f %10s' % ('$kind', $size, lt, $size / max(lt, 1e-3),
      $lm, st, f'{lt / max(st, 1e-3):.1f}x'))"
    done
    python3 -c "print(f'%-9s 16/4: time {${t[16]} / max(${t[4]}, 1e-3):.2f}x, peak memory {${m[16]} / ${m[4]}:.2f}x (linear: <= 5)' % '$kind')"
done
