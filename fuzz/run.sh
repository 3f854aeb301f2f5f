#!/usr/bin/env bash
# fuzz/run.sh SECONDS: builds every fuzz target (libFuzzer with
# AddressSanitizer + UndefinedBehaviorSanitizer, clang) and runs each one for
# SECONDS on its seed corpus, with the syntax dictionary. Prints one line per
# target; exits non-zero when a build fails or any target finds something
# (crash, sanitizer report, leak, timeout, broken check).
#
# Build tree: $TOVRIN_FUZZ_BUILD, default build-fuzz/ at the top of the tree.
# There each target keeps its working corpus (corpus/NAME, the seeds are
# only read), its log (logs/NAME.log) and what it found (findings/NAME-*).
# A finding replays with build-fuzz/fuzz_NAME FILE, or without sanitizers
# under valgrind with build-fuzz/replay_NAME FILE.
set -uo pipefail

if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS" >&2
  exit 2
fi
seconds=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${TOVRIN_FUZZ_BUILD:-$root/build-fuzz}
targets=(config lexer units scanner scanner_ring reader document)

. "$here/build.sh"
mkdir -p "$build/findings"
start=$(date +%s)
build_targets "$build" fuzz_ -DCMAKE_CXX_COMPILER=clang++ || exit 1
echo "built ${#targets[@]} targets in $(( $(date +%s) - start )) s"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
failed=0
for t in "${targets[@]}"; do
  work=$build/corpus/$t
  log=$build/logs/$t.log
  mkdir -p "$work"
  # Longer inputs only slow the scanner down (every prefix of a candidate
  # is checked); the configuration seeds include a piece of the shipped file.
  max_len=4096
  [ "$t" = config ] && max_len=8192
  before=$(ls "$build/findings" | grep -c "^$t-" || true)
  t0=$(date +%s)
  "$build/fuzz_$t" -max_total_time="$seconds" -timeout=60 -max_len="$max_len" \
    -dict="$here/dictionary" -artifact_prefix="$build/findings/$t-" \
    -print_final_stats=1 "$work" "$here/corpus/$t" >"$log" 2>&1
  rc=$?
  t1=$(date +%s)
  after=$(ls "$build/findings" | grep -c "^$t-" || true)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1)
  if [ "$rc" -ne 0 ] || [ "$after" -ne "$before" ]; then
    failed=1
    found=$(ls -t "$build/findings" | grep "^$t-" | head -n 1)
    printf '%-12s FINDING  exit %d after %d s; input: %s; log: %s\n' "$t" "$rc" \
      $((t1 - t0)) "${found:+$build/findings/$found}" "$log"
  else
    printf '%-12s ok       %d s, %s runs, %s\n' "$t" $((t1 - t0)) "${runs:-?}" "${cov:-no coverage line}"
  fi
done
echo "total $(( $(date +%s) - start )) s"
exit "$failed"
