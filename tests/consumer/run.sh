#!/usr/bin/env bash
# Proves that other projects can use tovrin: builds the consumer project of
# this directory (a C and a C++ program) and checks what both print,
#   1. against the package: an install prefix (find_package through
#      CMAKE_PREFIX_PATH) or a build tree (tovrin_DIR), as given; once more
#      as a project that enables only C;
#   2. with tovrin's source tree added as a subdirectory (where tovrin's
#      tests and programs must stay out of the build).
# Given an install prefix it also checks the installed files, compiles both
# programs with pkg-config alone, and runs the installed tovrin program from
# an unrelated directory, where it must find the shipped bibl.ini.
#
# usage: tests/consumer/run.sh PREFIX-or-BUILD-DIR
set -euo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 PREFIX-or-BUILD-DIR" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
target=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0

# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
    passed=$((passed + 1))
  else
    echo "FAILED: $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /' || true
    failed=$((failed + 1))
  fi
}

# quiet LOG COMMAND...: runs COMMAND with its output in LOG, shown on failure.
quiet() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    echo "FAILED: $*" >&2
    exit 1
  fi
}

# What the two programs print for tests/consumer/bibl.ini.
expected_c='version 0.2.94
expand Mat 5:3-4; Mat 5:7; Luke 6:20-22
translate Mat 5:3-7
check1 8
overlap 1
order 1'
expected_cpp='expand Mat 5:3-4; Mat 5:7; Luke 6:20-22
translate Mat 5:3-7
check 1 at 8
tokens 1:1 J 3:2 5:1 11:nn
scan 1 Blessed (<Mt 5,3; L 6,20>).'

# What the citation printer prints for tests/consumer/text.txt, with the
# shipped bibl.ini built into the library (no file is read).
expected_cite=$'Mt 5,3\u201312; L~6,20n | Mt 5,3-12; L 6,20-21 | Matt.5.3-Matt.5.12,Luke.6.20-Luke.6.21\nPrvn\u00ed list Korintsk\u00fdm 13,4 | 1 K 13,4 | 1Cor.13.4\nZ\u030c 23 | \u017d 23 | Ps.23'

# build_and_run NAME CMAKE-ARGS...
build_and_run() {
  local name=$1
  shift
  local dir="$work/$name"
  quiet "$work/$name-configure.log" cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@"
  quiet "$work/$name-build.log" cmake --build "$dir" -j2
  check "$name: C program" "$expected_c" "$("$dir/consumer_c" "$here/bibl.ini")"
  if [ -x "$dir/consumer_cpp" ]; then
    check "$name: C++ program" "$expected_cpp" "$("$dir/consumer_cpp" "$here/bibl.ini")"
    # Run away from any bibl.ini: the printer needs none.
    check "$name: citation printer" "$expected_cite" \
      "$(cd "$work" && "$dir/consumer_cite" "$here/text.txt")"
  fi
}

# ---- 1. the package
if [ -f "$target/tovrinConfig.cmake" ]; then
  package=("-Dtovrin_DIR=$target")
  prefix=""
else
  package=("-DCMAKE_PREFIX_PATH=$target")
  prefix=$target
fi
build_and_run package "${package[@]}"
# A C project links with the C linker: the package brings the C++ runtime.
build_and_run package-c-only "${package[@]}" -DC_ONLY=ON

# ---- 2. the source tree as a subdirectory
build_and_run subdirectory "-DTOVRIN_SUBDIR=$source_dir"
# Only the library: no test programs, no tools.
check "subdirectory: library only" "" \
  "$(cmake --build "$work/subdirectory" --target help | grep -E 'test_|tovrin_cli|dorvi' || true)"

# ---- the installed tree
if [ -n "$prefix" ]; then
  libdir=$(cd "$prefix" && ls -d lib*/cmake/tovrin | head -1 | sed 's|/cmake/tovrin$||')
  missing=""
  for f in "$libdir/libtovrin.a" include/tovrin.h include/tovrin.hpp bin/tovrin bin/dorvi \
           "$libdir/cmake/tovrin/tovrinConfig.cmake" \
           "$libdir/cmake/tovrin/tovrinConfigVersion.cmake" \
           "$libdir/cmake/tovrin/tovrinTargets.cmake" "$libdir/pkgconfig/tovrin.pc" \
           "$libdir/pkgconfig/tovrin-cpp.pc"; do
    [ -e "$prefix/$f" ] || missing="$missing $f"
  done
  check "installed files" "" "$missing"

  if command -v pkg-config >/dev/null; then
    export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
    read -r -a flags <<<"$(pkg-config --cflags --libs tovrin)"
    quiet "$work/pc-c.log" cc -std=c99 -Wall -Wextra -Wpedantic -Werror \
      "$here/main.c" "${flags[@]}" -o "$work/pc_c"
    # tovrin-cpp brings the C++ standard tovrin.hpp needs.
    read -r -a flags <<<"$(pkg-config --cflags --libs tovrin-cpp)"
    quiet "$work/pc-cpp.log" c++ -Wall -Wextra -Wpedantic -Werror \
      "$here/main.cpp" "${flags[@]}" -o "$work/pc_cpp"
    check "pkg-config: C program" "$expected_c" "$("$work/pc_c" "$here/bibl.ini")"
    check "pkg-config: C++ program" "$expected_cpp" "$("$work/pc_cpp" "$here/bibl.ini")"
  else
    echo "skipped: pkg-config (not installed)"
  fi

  # The program looks for bin/../share/tovrin/bibl.ini when the current
  # directory has no bibl.ini.
  if [ -f "$prefix/share/tovrin/bibl.ini" ]; then
    mkdir "$work/elsewhere"
    # The whole list is read (a `| head` would kill tovrin with SIGPIPE,
    # which pipefail turns into a failure of this script).
    books=$(cd "$work/elsewhere" && "$prefix/bin/tovrin" books 2>&1)
    books=${books%%$'\n'*}
    check "installed tovrin finds its data" "1" "${books%%$'\t'*}"
  else
    echo "skipped: installed tovrin finds its data (no share/tovrin/bibl.ini installed)"
  fi
fi

echo "consumer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
