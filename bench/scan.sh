#!/usr/bin/env bash
# Whole-text speed of the scanner: the driver dorvi on a generated Czech
# corpus and on worst-case inputs, against cat.
#
#   bench/scan.sh [BUILD_DIR]          BUILD_DIR defaults to build-bench
#   SCAN_QUICK=1 bench/scan.sh         smaller inputs (corpus 2 MB, worst
#                                      cases 0.1-0.8 MB): a smoke run
#
# What it does:
#  1. Builds dorvi and tovrin in BUILD_DIR as a Release build.
#  2. Generates the inputs with bench/make_corpus.py from a fixed seed (kept
#     in BUILD_DIR/bench-corpus and reused while the generator and the seed
#     are unchanged):
#       cite     Czech prose of data/nztexty.tex with a citation every ~300
#                bytes, 20 MB
#       prose    the same prose without citations, 20 MB
#       spaces, digits, letters,  1, 2, 4 and 8 MB of only that
#       capitals, leads            (see bench/make_corpus.py)
#  3. Times, with hyperfine, the driver (run in a directory that holds a copy
#     of data/bibl.ini and the input linked as nztexty.tex, output to
#     /dev/null) and `cat` on each input in one hyperfine run, and on the
#     citation corpus also `tovrin scan --format plain`. Prints MB/s
#     (10^6 bytes per second, input bytes over median wall time) and the ratio
#     to cat.
#  4. Counts instructions per input byte with callgrind on the first 300 KB
#     (100 KB when quick) of both corpora and of each worst-case input (its
#     largest size): the instructions of dorvi's scan (the block scanner,
#     tovrin_scanner_feed and _finish, and everything they call), less what
#     it costs on an empty input (the scan proper, without loading and
#     table building), and of the whole process.
#     Checks linearity in instructions too: 150 KB against 1.2 MB (quick:
#     100 KB against 800 KB) of each worst-case input.
#  5. Profiles the scan of the citation corpus (callgrind_annotate of the
#     instructions inside the block scanner) and writes it, the summary and every
#     raw result into BUILD_DIR/bench-results.
#
# A worst-case run that does not finish within SCAN_TIMEOUT seconds prints
# "timeout", and the larger sizes of that input are not tried.
#
# Environment: SCAN_QUICK=1, SCAN_TIMEOUT (default 60), SCAN_RUNS (hyperfine
# runs per command, default 10), SCAN_SEED (default 20240611), SCAN_TIMING=0
# (skip step 3: instruction counts only, which the load of a shared machine
# does not disturb).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
quick=${SCAN_QUICK:-0}
limit=${SCAN_TIMEOUT:-60}
runs=${SCAN_RUNS:-10}
seed=${SCAN_SEED:-20240611}
timing=${SCAN_TIMING:-1}

if [[ $quick == 1 ]]; then
    corpus_size=2M
    patho_sizes=(100K 200K 400K 800K)
    callgrind_bytes=100000
    lin_bytes=(100000 800000)
else
    corpus_size=20M
    patho_sizes=(1M 2M 4M 8M)
    callgrind_bytes=300000
    # Both longer than the ring of 100000 bytes, where the quadratic
    # behaviour of unbroken runs began.
    lin_bytes=(150000 1200000)
fi

say() { printf '%s\n' "$*"; }
die() { printf 'scan.sh: %s\n' "$*" >&2; exit 1; }

# ---- tools ---------------------------------------------------------------

as_root() { if [[ $(id -u) == 0 ]]; then "$@"; else sudo "$@"; fi; }

if [[ $timing == 1 ]] && ! command -v hyperfine >/dev/null; then
    say "hyperfine not found: installing it (apt-get install -y hyperfine)"
    as_root apt-get install -y hyperfine >/dev/null ||
        { as_root apt-get update >/dev/null && as_root apt-get install -y hyperfine >/dev/null; } ||
        die "cannot install hyperfine"
fi
command -v python3 >/dev/null || die "python3 is needed for the corpus"
have_valgrind=1
command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null || have_valgrind=0

# ---- build -----------------------------------------------------------------

say "== build ($build, Release)"
if [[ -f $build/CMakeCache.txt ]]; then
    # An existing tree keeps its options; only its build type must fit.
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    [[ $type == Release ]] || die "$build is a '$type' build: give a Release build directory"
    cmake "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVRIN_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target dorvi tovrin_cli >/dev/null
dorvi=$build/dorvi
tovrin=$build/tovrin

# ---- inputs ----------------------------------------------------------------

corpus=$build/bench-corpus
results=$build/bench-results
mkdir -p "$corpus" "$results"
work=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-scan.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The file of KIND and SIZE, generated unless a current copy exists.
input() {
    local kind=$1 size=$2
    local f=$corpus/$kind-$size-$seed.txt
    if [[ ! -s $f || $root/bench/make_corpus.py -nt $f || $root/data/nztexty.tex -nt $f ||
          $root/data/bibl.ini -nt $f ]]; then
        python3 "$root/bench/make_corpus.py" --seed "$seed" --data "$root/data" \
            "$kind" "$size" "$f.tmp"
        mv "$f.tmp" "$f"
    fi
    printf '%s\n' "$f"
}

# A directory in which dorvi finds bibl.ini and reads FILE as nztexty.tex.
rundir() {
    local file=$1 dir
    dir=$(mktemp -d "$work/run.XXXXXX")
    cp "$root/data/bibl.ini" "$dir/"
    ln -s "$file" "$dir/nztexty.tex"
    printf '%s\n' "$dir"
}

say "== inputs (seed $seed, in $corpus)"
cite=$(input cite "$corpus_size")
prose=$(input prose "$corpus_size")
for kind in spaces digits letters capitals leads; do
    for size in "${patho_sizes[@]}"; do input "$kind" "$size" >/dev/null; done
done

# ---- header ----------------------------------------------------------------

cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
[[ -n $(git -C "$root" status --porcelain -- src include tools 2>/dev/null) ]] && commit="$commit (modified)"
summary=$results/summary.txt
{
    say "date:     $(date -u '+%Y-%m-%d %H:%M UTC')"
    say "machine:  $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
    say "compiler: $("${cxx:-c++}" --version | head -1), Release"
    say "commit:   $commit"
    say "load:     $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at the start"
    say "mode:     $([[ $quick == 1 ]] && echo quick || echo full), $runs runs, timeout ${limit}s"
} | tee "$summary"

# ---- timing ----------------------------------------------------------------

# Median wall time in seconds of command NAME from hyperfine JSON FILE. The
# median, not the mean: on a shared machine one disturbed run would move the
# mean.
median() {
    python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))
print(next(r["median"] for r in d["results"] if r["command"] == sys.argv[2]))' "$1" "$2"
}

# Mean CPU time (user + system) in seconds of command NAME from hyperfine JSON
# FILE: what the program costs whatever else the machine runs meanwhile.
cpu() {
    python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))
print(next(r["user"] + r["system"] for r in d["results"] if r["command"] == sys.argv[2]))' "$1" "$2"
}

mbs() { python3 -c 'import sys; print(f"{int(sys.argv[1]) / 1e6 / float(sys.argv[2]):8.1f}")' "$1" "$2"; }
ratio() { python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.2f}")' "$1" "$2"; }

# Times dorvi and cat (and the command EXTRA) on FILE in one hyperfine run;
# sets t_dorvi, t_cat, t_extra (wall, seconds) and c_dorvi (CPU, seconds). No shell between hyperfine and the
# programs (-N): on small inputs the shell would cost more than cat does;
# hyperfine sends their output to /dev/null.
time_input() {
    local name=$1 file=$2 extra=${3:-} dir json
    dir=$(rundir "$file")
    json=$results/hyperfine-$name.json
    local cmds=("'$dorvi'" "cat nztexty.tex")
    [[ -n $extra ]] && cmds+=("$extra")
    (cd "$dir" && hyperfine -N --output=null --style none --warmup 1 --runs "$runs" \
        --export-json "$json" "${cmds[@]}" >/dev/null 2>"${json%.json}.log") ||
        die "hyperfine failed on $name: see ${json%.json}.log"
    t_dorvi=$(median "$json" "${cmds[0]}")
    t_cat=$(median "$json" "${cmds[1]}")
    c_dorvi=$(cpu "$json" "${cmds[0]}")
    t_extra=
    [[ -n $extra ]] && t_extra=$(median "$json" "${cmds[2]}")
    return 0
}

row() { printf '%-16s %10s %12s %12s %12s %10s\n' "$@" | tee -a "$summary"; }

if [[ $timing == 1 ]]; then
say | tee -a "$summary"
{
    say "== throughput (MB = 10^6 bytes; wall: median of $runs hyperfine runs;"
    say "   cpu: mean user + system time of dorvi, less disturbed by other load)"
} | tee -a "$summary"
row input bytes "dorvi MB/s" "cpu MB/s" "cat MB/s" "dorvi/cat"

bytes=$(stat -c %s "$cite")
time_input cite "$cite" "'$tovrin' scan --format plain --input text --config bibl.ini nztexty.tex"
row "cite $corpus_size" "$bytes" "$(mbs "$bytes" "$t_dorvi")" "$(mbs "$bytes" "$c_dorvi")" \
    "$(mbs "$bytes" "$t_cat")" \
    "$(ratio "$t_dorvi" "$t_cat")x"
t_scan=$t_extra
t_cite=$t_dorvi
c_cite=$c_dorvi

bytes=$(stat -c %s "$prose")
time_input prose "$prose"
row "prose $corpus_size" "$bytes" "$(mbs "$bytes" "$t_dorvi")" "$(mbs "$bytes" "$c_dorvi")" \
    "$(mbs "$bytes" "$t_cat")" \
    "$(ratio "$t_dorvi" "$t_cat")x"

declare -A first_time last_time
for kind in spaces digits letters capitals leads; do
    gave_up=0
    for size in "${patho_sizes[@]}"; do
        file=$(input "$kind" "$size")
        bytes=$(stat -c %s "$file")
        if [[ $gave_up == 1 ]]; then
            row "$kind $size" "$bytes" timeout - - -
            continue
        fi
        # One run under the time limit first: the quadratic cases take hours.
        dir=$(rundir "$file")
        start=$EPOCHREALTIME
        if ! (cd "$dir" && timeout "$limit" "$dorvi" >/dev/null); then
            row "$kind $size" "$bytes" timeout - - -
            gave_up=1
            continue
        fi
        probe=$(python3 -c "print($EPOCHREALTIME - $start)")
        if python3 -c "import sys; sys.exit(0 if $probe < $limit / 10 else 1)"; then
            time_input "$kind-$size" "$file"
            row "$kind $size" "$bytes" "$(mbs "$bytes" "$t_dorvi")" "$(mbs "$bytes" "$c_dorvi")" \
                "$(mbs "$bytes" "$t_cat")" "$(ratio "$t_dorvi" "$t_cat")x"
        else
            # Too slow to repeat: the single run stands.
            t_dorvi=$probe
            c_dorvi=$probe
            row "$kind $size" "$bytes" "$(mbs "$bytes" "$t_dorvi")" "(1 run)" - -
        fi
        # Linearity from CPU time: wall time on a shared machine mostly
        # measures the neighbours.
        if [[ $size == "${patho_sizes[0]}" ]]; then first_time[$kind]=$c_dorvi; fi
        if [[ $size == "${patho_sizes[-1]}" ]]; then last_time[$kind]=$c_dorvi; fi
    done
done

{
    say
    say "== targets"
    say "dorvi on cite $corpus_size: $(mbs "$(stat -c %s "$cite")" "$t_cite") MB/s wall," \
        "$(mbs "$(stat -c %s "$cite")" "$c_cite") MB/s cpu (target >= 150)"
    say "tovrin scan --format plain: $(mbs "$(stat -c %s "$cite")" "$t_scan") MB/s," \
        "$(ratio "$t_scan" "$t_cite")x the time of dorvi (target <= 2x)"
    for kind in spaces digits letters capitals leads; do
        if [[ -n ${first_time[$kind]:-} && -n ${last_time[$kind]:-} ]]; then
            r=$(ratio "${last_time[$kind]}" "${first_time[$kind]}")
        else
            r="n/a (timeout)"
        fi
        say "$kind ${patho_sizes[-1]} / ${patho_sizes[0]} (cpu time): $r (linear: <= 9)"
    done
} | tee -a "$summary"
fi

# ---- instructions per byte ---------------------------------------------------

say | tee -a "$summary"
if [[ $have_valgrind == 0 ]]; then
    say "== instructions per byte: valgrind not found, skipped" | tee -a "$summary"
    exit 0
fi
say "== instructions per input byte (callgrind, first $callgrind_bytes bytes)" | tee -a "$summary"

# Inclusive instruction count of dorvi's scan in callgrind output FILE:
# tovrin_scanner_feed and tovrin_scanner_finish. (awk reads to the end:
# leaving early would kill callgrind_annotate by SIGPIPE.)
inclusive() {
    callgrind_annotate --inclusive=yes --threshold=100 "$1" 2>/dev/null |
        awk '/:tovrin_scanner_(feed|finish)( |$)/ && !seen[$2]++ { gsub(",", "", $1); n += $1 }
             END { print n + 0 }'
}
total_ir() { awk '/^(summary|totals):/ { print $2; exit }' "$1"; }

# Runs dorvi on FILE under callgrind; sets ir_scan (the block scanner and
# all it calls) and ir_all (the process). Fails when the run times out.
count() {
    local name=$1 file=$2 dir out
    dir=$(rundir "$file")
    out=$results/callgrind-$name.out
    (cd "$dir" && timeout "$limit" valgrind --tool=callgrind --callgrind-out-file="$out" \
        "$dorvi" >/dev/null 2>"$results/callgrind-$name.log") || return 1
    ir_scan=$(inclusive "$out")
    ir_all=$(total_ir "$out")
}

# What the scan costs on an empty input (building the language's tables)
# is a cost per scan, not per byte: it is subtracted.
: >"$work/empty.txt"
count empty "$work/empty.txt" || die "callgrind failed on an empty input"
ir_base=$ir_scan
say "the scan on an empty input: $ir_base instructions (subtracted below)" | tee -a "$summary"
printf '%-10s %16s %16s %12s %12s\n' input "Ir scan" "Ir process" "scan/byte" \
    "all/byte" | tee -a "$summary"

for kind in cite prose spaces digits letters; do
    case $kind in
    cite) src=$cite ;;
    prose) src=$prose ;;
    *) src=$(input "$kind" "${patho_sizes[-1]}") ;;
    esac
    slice=$work/$kind-slice.txt
    head -c "$callgrind_bytes" "$src" >"$slice"
    if ! count "$kind" "$slice"; then
        printf '%-10s %16s\n' "$kind" timeout | tee -a "$summary"
        continue
    fi
    printf '%-10s %16s %16s %12s %12s\n' "$kind" "$ir_scan" "$ir_all" \
        "$(python3 -c "print(f'{($ir_scan - $ir_base) / $callgrind_bytes:.1f}')")" \
        "$(python3 -c "print(f'{$ir_all / $callgrind_bytes:.1f}')")" | tee -a "$summary"
done
say "(scan/byte: (Ir scan - $ir_base) / bytes; all/byte: the whole process / bytes." |
    tee -a "$summary"
say " Target: scan/byte of cite <= 60)" | tee -a "$summary"

# Linearity once more, from instruction counts, which the load of the
# machine cannot blur: the scan of 8 times the bytes must cost at most 9
# times as much.
{
    say
    say "== linearity in instructions (Ir scan less the empty scan," \
        "${lin_bytes[1]} bytes against ${lin_bytes[0]})"
} | tee -a "$summary"
for kind in spaces digits letters capitals leads; do
    src=$(input "$kind" "${patho_sizes[-1]}")
    irs=()
    for n in "${lin_bytes[@]}"; do
        head -c "$n" "$src" >"$work/$kind-$n.txt"
        if count "$kind-$n" "$work/$kind-$n.txt"; then irs+=("$((ir_scan - ir_base))"); fi
    done
    if [[ ${#irs[@]} == 2 ]]; then
        say "$kind: $(ratio "${irs[1]}" "${irs[0]}") (linear: <= 9)" | tee -a "$summary"
    else
        say "$kind: timeout" | tee -a "$summary"
    fi
done

# ---- tovrin scan against dorvi -------------------------------------------------

# The whole process of dorvi and of `tovrin scan --format plain -j 1` on the
# first bytes of each corpus (read as text, as dorvi reads them, though the
# file is named .tex), less the same program on an empty input
# (start-up, loading bibl.ini, building tables): what each costs per byte
# of text, reading and writing included.
process_ir() {
    local name=$1 dir=$2 out
    out=$results/callgrind-$name.out
    shift 2
    (cd "$dir" && timeout "$limit" valgrind --tool=callgrind --callgrind-out-file="$out" \
        "$@" >/dev/null 2>"$results/callgrind-$name.log") || return 1
    total_ir "$out"
}
per_program() {
    local program=$1 file=$2 dir
    dir=$(rundir "$file")
    case $program in
    dorvi) process_ir "$program-$3" "$dir" "$dorvi" ;;
    scan) process_ir "$program-$3" "$dir" "$tovrin" scan --format plain -j 1 --input text \
              --config bibl.ini nztexty.tex ;;
    esac
}
{
    say
    say "== dorvi and tovrin scan --format plain -j 1 (whole process less an empty input," \
        "instructions per byte)"
} | tee -a "$summary"
printf '%-10s %12s %12s %10s\n' input dorvi scan scan/dorvi | tee -a "$summary"
for kind in cite prose; do
    slice=$work/$kind-slice.txt
    d_empty=$(per_program dorvi "$work/empty.txt" empty) || continue
    s_empty=$(per_program scan "$work/empty.txt" empty) || continue
    d_ir=$(per_program dorvi "$slice" "$kind") || continue
    s_ir=$(per_program scan "$slice" "$kind") || continue
    printf '%-10s %12s %12s %10s\n' "$kind" \
        "$(python3 -c "print(f'{($d_ir - $d_empty) / $callgrind_bytes:.1f}')")" \
        "$(python3 -c "print(f'{($s_ir - $s_empty) / $callgrind_bytes:.1f}')")" \
        "$(python3 -c "print(f'{($s_ir - $s_empty) / ($d_ir - $d_empty):.2f}')")x" |
        tee -a "$summary"
done

# ---- profile -------------------------------------------------------------------

# Where the scan of the citation corpus spends its instructions: a second
# callgrind run that counts only inside the block scanner, so that loading
# bibl.ini and the dynamic linker stay out of the picture.
profile=$results/profile-cite.txt
dir=$(rundir "$work/cite-slice.txt")
if (cd "$dir" && timeout "$limit" valgrind --tool=callgrind --toggle-collect=tovrin_scanner_feed \
        --toggle-collect=tovrin_scanner_finish \
        --callgrind-out-file="$results/callgrind-cite-scan.out" "$dorvi" >/dev/null \
        2>"$results/callgrind-cite-scan.log"); then
    callgrind_annotate --threshold=99 "$results/callgrind-cite-scan.out" >"$profile" 2>/dev/null
    callgrind_annotate --inclusive=yes --threshold=99 "$results/callgrind-cite-scan.out" \
        >"$results/profile-cite-inclusive.txt" 2>/dev/null
    {
        say
        say "== profile of the scan of cite (instructions inside the block scanner, self, top 12;"
        say "   full: $profile, inclusive: $results/profile-cite-inclusive.txt)"
        awk '/file:function/ { on = 1; next } on && NF && !/^-/ { print; if (++n == 12) exit }' "$profile"
    } | tee -a "$summary"
fi
say
say "results: $results"
