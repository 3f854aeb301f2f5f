# Sourced by run.sh and replay.sh: build_targets BUILD_DIR PREFIX CMAKE_ARGS...
# configures fuzz/ in BUILD_DIR and builds PREFIX<target> for every target in
# ${targets[@]}; on failure prints the end of the log and returns 1.
build_targets() {
  local build=$1 prefix=$2
  shift 2
  mkdir -p "$build/logs"
  if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
         cmake --build "$build" -j "${TOVRIN_FUZZ_JOBS:-2}" \
           --target "${targets[@]/#/$prefix}"; } >"$build/logs/build.log" 2>&1; then
    tail -n 30 "$build/logs/build.log"
    echo "${prefix%_} build failed (log: $build/logs/build.log)"
    return 1
  fi
}
