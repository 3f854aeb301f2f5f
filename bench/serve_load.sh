#!/usr/bin/env bash
# Load on `tovrin serve` over the loopback: wrk posts the same 4 KB Czech
# text (the start of data/nztexty.tex, with its citations) to /api/scan
# over 2 connections (2 threads) for SECONDS (default 30), and reports
# requests per second and the latency percentiles. Fails when any answer
# is not 200, or any socket error or time-out occurred.
#
#   bench/serve_load.sh [BUILD_DIR] [SECONDS]     BUILD_DIR defaults to build
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-30}
command -v wrk >/dev/null || { apt-get update -qq && apt-get install -y -qq wrk; }
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# 4096 bytes of text, cut at the last line break before it, as JSON.
python3 - data/nztexty.tex >"$work/body.json" <<'PY'
import json, sys
text = open(sys.argv[1], 'rb').read()[:4096]
text = text[:text.rfind(b'\n') + 1].decode('utf-8')
json.dump({"text": text, "lang": "cz"}, sys.stdout, ensure_ascii=False)
PY
cat >"$work/post.lua" <<'LUA'
local f = io.open(os.getenv("BODY"), "rb")
wrk.method = "POST"
wrk.body = f:read("*a")
f:close()
wrk.headers["Content-Type"] = "application/json"
LUA

"$build/tovrin" --config data/bibl.ini serve --port 0 >"$work/serve.out" 2>&1 &
pid=$!
for _ in $(seq 50); do grep -q '^tovrin serve: http' "$work/serve.out" && break; sleep 0.1; done
url=$(sed -n 's/^tovrin serve: \(http[^ ]*\) .*/\1/p' "$work/serve.out")
[ -n "$url" ] || { echo "the server did not start"; cat "$work/serve.out"; exit 1; }

citations=$(curl -s -X POST --data-binary @"$work/body.json" "${url}api/scan" |
  python3 -c 'import json,sys; print(len(json.load(sys.stdin)["citations"]))')
echo "body: $(stat -c %s "$work/body.json") bytes of JSON, $citations citations; $(git rev-parse --short HEAD)"
BODY=$work/body.json wrk -t2 -c2 -d"${seconds}s" --latency -s "$work/post.lua" "${url}api/scan" |
  tee "$work/wrk.out"
if grep -qE 'Non-2xx|Socket errors' "$work/wrk.out"; then
  echo "FAIL: errors under load"
  exit 1
fi
echo "ok: $(sed -n 's/^Requests\/sec: *//p' "$work/wrk.out") requests/s," \
  "p99 $(sed -n 's/^ *99% *//p' "$work/wrk.out"), no errors"
