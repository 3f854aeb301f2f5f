#!/usr/bin/env bash
# fuzz/replay.sh [NAME FILE|DIR...]: builds the replay programs (the fuzz
# targets with a plain main, no sanitizers) and runs them under valgrind
# memcheck: by default every seed corpus, else the given files for target
# NAME (a saved finding, say). Every process, the configuration target's
# forked children included, must end with zero errors and zero definite
# leaks; prints one line per target and exits non-zero otherwise.
#
# Build tree: $TOVRIN_FUZZ_BUILD/replay (default build-fuzz/replay), built
# with the default C++ compiler; valgrind logs land in its logs/.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${TOVRIN_FUZZ_BUILD:-$root/build-fuzz}/replay
targets=(config lexer units scanner scanner_ring reader document)

if [ $# -gt 0 ]; then
  if [ $# -lt 2 ] || [[ ! " ${targets[*]} " == *" $1 "* ]]; then
    echo "usage: $0 [NAME FILE|DIR...]   (NAME: ${targets[*]})" >&2
    exit 2
  fi
  targets=("$1")
  shift
fi

. "$here/build.sh"
build_targets "$build" replay_ -DTOVRIN_FUZZ_LIBFUZZER=OFF || exit 1

failed=0
for t in "${targets[@]}"; do
  inputs=("$@")
  [ ${#inputs[@]} -eq 0 ] && inputs=("$here/corpus/$t")
  rm -f "$build/logs/$t".*.log
  t0=$(date +%s)
  valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    --log-file="$build/logs/$t.%p.log" "$build/replay_$t" "${inputs[@]}" \
    >"$build/logs/$t.out" 2>&1
  rc=$?
  t1=$(date +%s)
  logs=("$build/logs/$t".*.log)
  # One log per process: the program and, for the configuration target,
  # each child that loaded an input.
  bad=$(grep -L 'ERROR SUMMARY: 0 errors' "${logs[@]}" | wc -l)
  replayed=$(sed -n 's/.*replayed \([0-9]*\) inputs.*/\1/p' "$build/logs/$t.out")
  if [ "$rc" -ne 0 ] || [ "$bad" -ne 0 ] || [ -z "$replayed" ]; then
    failed=1
    printf '%-12s FAILED   exit %d, %d of %d processes with errors; logs: %s/%s.*\n' \
      "$t" "$rc" "$bad" "${#logs[@]}" "$build/logs" "$t"
    for f in $(grep -L 'ERROR SUMMARY: 0 errors' "${logs[@]}" | head -n 3); do
      sed -n '1,60p' "$f"
    done
    tail -n 20 "$build/logs/$t.out"
  else
    printf '%-12s ok       %s inputs, %d processes, 0 errors, %d s\n' "$t" "$replayed" \
      "${#logs[@]}" $((t1 - t0))
  fi
done
exit "$failed"
