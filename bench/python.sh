#!/usr/bin/env bash
# The Python module's scan against the command line's, and corpus scans on
# Dask with 1 and 2 workers, in one run.
#
#   bench/python.sh [BUILD_DIR]        BUILD_DIR defaults to build-pybench
#   PY_QUICK=1 bench/python.sh         a 2 MB corpus and 20 MB for Dask: a smoke run
#
#  1. Builds the tovrin program and the Python module (-DTOVRIN_PYTHON=ON)
#     in BUILD_DIR as a Release build, against /usr/bin/python3.
#  2. Generates the benchmark corpus with bench/make_corpus.py (Czech prose
#     with a citation every ~300 bytes, 20 MB, the seed of bench/scan.sh),
#     and a corpus of 25 files that are each a copy of it (500 MB).
#  3. Times with hyperfine, on the 20 MB file, whole processes:
#       tovrin scan --format json     every citation with place and canonical text
#       tovrin scan --format plain    the text written out again
#       python: Language.scan(whole file, lines=True), every Citation made
#     and prints MB/s (10^6 bytes over the median) and the ratio to the CLI.
#  4. Runs bench/python_threads.py on the 20 MB file: two scans one after
#     the other against two scans in two threads at once.
#  5. Runs bench/python_dask.py on the 500 MB corpus: LocalCluster with 1
#     and with 2 workers (one thread each), median of 3 scans each, with the
#     CPU time the workers spent.
#
# The machine is shared: the CPU times (user + system) show the cost where
# the wall times show the load as well.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pybench}
size=20M copies=25
if [ "${PY_QUICK:-}" = 1 ]; then size=2M copies=10; fi
seed=${SCAN_SEED:-20240611}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVRIN_PYTHON=ON -DTOVRIN_TESTS=OFF \
  -DTOVRIN_TOOLS=ON -DPython_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build" -j2 --target tovrin_cli _tovrin >/dev/null

corpus="$build/py-corpus"
many="$corpus/many-$size-$seed-$copies"
mkdir -p "$many"
cite="$corpus/cite-$size-$seed.txt"
[ -s "$cite" ] || /usr/bin/python3 bench/make_corpus.py --seed "$seed" cite "$size" "$cite"
for k in $(seq -w 1 "$copies"); do
  [ -s "$many/$k.txt" ] || cp "$cite" "$many/$k.txt"
done
bytes=$(stat -c %s "$cite")

export PYTHONPATH="$PWD/$build/python"
py_scan="/usr/bin/python3 -c 'import sys, tovrin; cz = tovrin.Config().language(\"cz\"); \
n = sum(1 for c in cz.scan(open(sys.argv[1], \"rb\").read(), lines=True)); print(n)' $cite"
json="$build/tovrin scan --config data/bibl.ini --format json $cite"
plain="$build/tovrin scan --config data/bibl.ini --format plain $cite"

echo "== $(git rev-parse --short HEAD), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "corpus: $cite, $bytes bytes, $(eval "$py_scan") citations"
hyperfine --warmup 1 --runs "${PY_RUNS:-10}" --style basic \
  --export-json "$corpus/hyperfine.json" \
  -n "cli json" "$json > /dev/null" -n "cli plain" "$plain > /dev/null" \
  -n "python scan" "$py_scan > /dev/null" >/dev/null
/usr/bin/python3 - "$corpus/hyperfine.json" "$bytes" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
size = int(sys.argv[2])
median = {r["command"]: r["median"] for r in results}
cpu = {r["command"]: r["user"] + r["system"] for r in results}
print("             wall (median)                                  cpu (user+sys, mean)")
for name, t in median.items():
    print(f"{name:12} {t:6.3f} s {size / 1e6 / t:6.1f} MB/s {t / median['cli json']:5.2f} x json "
          f"{t / median['cli plain']:5.2f} x plain    {cpu[name]:6.3f} s "
          f"{cpu[name] / cpu['cli json']:5.2f} x json {cpu[name] / cpu['cli plain']:5.2f} x plain")
PY
/usr/bin/python3 bench/python_threads.py "$cite"
/usr/bin/python3 bench/python_dask.py "$many"/*.txt
