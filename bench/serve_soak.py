#!/usr/bin/env python3
"""Soak test of `tovrin serve` on the loopback.

Starts `BUILD/tovrin serve --port 0`, then CONNECTIONS client threads send a
seeded mix of valid and hostile requests for SECONDS (or until REQUESTS
were sent, whichever comes first). Each request has the answer it must get;
anything else (another status, a lost connection where an answer is due)
is an error. The server's memory is sampled from /proc every half second.

Valid: /api/scan, /api/lint and /api/index of a 4 KB Czech text (the start
of data/nztexty.tex), a text file uploaded as a form, /api/expand (also to
OSIS), /api/translate, the page, the languages, and now and then a text of
2 MB holding 300000 citations (answers list the first 20000).
Hostile: JSON that is not JSON, 100000 levels of nesting, an unknown
language, bytes that are not UTF-8, GET on a POST path, a body of 17 MB
(over the limit), a request line that is no HTTP, a header of 100 KB, a body cut off
by the client, and a client that sends its request a byte at a time.

Prints, per kind and in all: requests, errors, p50, p99 and max latency,
the peak and final memory of the server; exits 1 on any error.

usage: python3 bench/serve_soak.py [--build build] [--seconds 600]
                                   [--connections 4] [--requests 2000000]
"""
import argparse
import http.client
import json
import os
import random
import re
import socket
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def sample_text():
    text = open(os.path.join(ROOT, "data", "nztexty.tex"), "rb").read()[:4096]
    return text[: text.rfind(b"\n") + 1].decode("utf-8")


TEXT = sample_text()
LARGE = "Srv. Mt 5,3 " * 300000


def post(path, body):
    return ("POST", path, json.dumps(body).encode(), {"Content-Type": "application/json"})


def form(path, name, content):
    boundary = "soakboundary"
    body = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"lang\"\r\n\r\ncz\r\n"
            f"--{boundary}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"{name}\"\r\n"
            f"Content-Type: text/plain\r\n\r\n{content}\r\n--{boundary}--\r\n").encode()
    return ("POST", path, body, {"Content-Type": f"multipart/form-data; boundary={boundary}"})


# kind -> (weight, request, expected status). A request is sent over a kept
# connection (http.client) or, for the raw kinds, over a socket of its own.
VALID = {
    "scan": (20, post("/api/scan", {"text": TEXT}), 200),
    "lint": (10, post("/api/lint", {"text": TEXT}), 200),
    "index": (10, post("/api/index", {"text": TEXT}), 200),
    "upload": (5, form("/api/scan", "kazani.tex", TEXT), 200),
    "expand": (8, post("/api/expand", {"citation": "J 3,16n; Gn 1,1-2,3", "to": "en"}), 200),
    "osis": (4, post("/api/expand", {"citation": "Mt 5,3-12; L 6,20n", "to": "osis"}), 200),
    "translate": (4, post("/api/translate", {"citation": "Mt 5,3-7", "to": "en"}), 200),
    "page": (4, ("GET", "/", None, {}), 200),
    "languages": (4, ("GET", "/api/languages", None, {}), 200),
    "large": (1, post("/api/scan", {"text": LARGE}), 200),
}
HOSTILE = {
    "not-json": (4, ("POST", "/api/scan", b'{"text": "Mt 5,3"', {"Content-Type": "application/json"}), 400),
    "nested": (1, ("POST", "/api/scan", b"[" * 100000 + b"]" * 100000, {"Content-Type": "application/json"}), 400),
    "unknown-lang": (4, post("/api/lint", {"text": "Mt 5,3", "lang": "qq"}), 422),
    "not-utf8": (3, ("POST", "/api/scan", b'{"text": "Mt 5,3 \xff\xfe"}', {"Content-Type": "application/json"}), 400),
    "wrong-method": (4, ("GET", "/api/scan", None, {}), 405),
}
# Raw requests on a socket of their own: the bytes sent, and the status
# due (None: the server may answer or close, but must stay up).
RAW = {
    "too-large": (2, b"POST /api/scan HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                     b"Content-Length: 17825792\r\n\r\n" + b" " * 17825792, 413),
    "garbage": (2, b"HELLO THERE\r\n\r\n", 400),
    "huge-header": (1, b"GET /api/languages HTTP/1.1\r\nHost: x\r\nX-Big: " + b"a" * 100000 +
                       b"\r\n\r\n", None),
    "cut-off": (2, b"POST /api/scan HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                   b"Content-Length: 1000\r\n\r\n{\"text\": \"Mt", None),
    "trickle": (1, b"GET /api/languages HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", 200),
}

KINDS = {**{k: ("kept",) + v for k, v in {**VALID, **HOSTILE}.items()},
         **{k: ("raw",) + v for k, v in RAW.items()}}


def raw_request(port, kind, data):
    """Sends `data` on a socket of its own; the status answered, or None."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        if kind == "trickle":
            for k in range(0, len(data), 4):
                s.sendall(data[k:k + 4])
                time.sleep(0.01)
        else:
            s.sendall(data)
        if kind == "cut-off":
            return None  # the client goes away mid-body
        answer = b""
        try:
            while len(answer) < 64:
                chunk = s.recv(4096)
                if not chunk:
                    break
                answer += chunk
        except OSError:
            pass
    m = re.match(rb"HTTP/1\.[01] (\d{3})", answer)
    return int(m.group(1)) if m else None


class Client(threading.Thread):
    def __init__(self, port, deadline, budget, seed, results):
        super().__init__(daemon=True)
        self.port, self.deadline, self.budget = port, deadline, budget
        self.random = random.Random(seed)
        self.results = results
        self.connection = None
        names = list(KINDS)
        self.kinds, self.weights = names, [KINDS[k][1] for k in names]

    def kept(self, request):
        method, path, body, headers = request
        for attempt in range(2):
            if self.connection is None:
                self.connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
            try:
                self.connection.request(method, path, body=body, headers=headers)
                res = self.connection.getresponse()
                res.read()
                if res.getheader("Connection", "").lower() == "close":
                    self.connection.close()
                    self.connection = None
                return res.status
            except (http.client.RemoteDisconnected, ConnectionResetError, BrokenPipeError):
                # The server closed a kept connection (its keep-alive count
                # or time-out): once more on a new one.
                self.connection.close()
                self.connection = None
                if attempt == 1:
                    raise
        return None

    def run(self):
        sent = 0
        while time.monotonic() < self.deadline and sent < self.budget:
            kind = self.random.choices(self.kinds, self.weights)[0]
            how, _, request, due = KINDS[kind]
            start = time.monotonic()
            try:
                status = self.kept(request) if how == "kept" else raw_request(self.port, kind, request)
                error = due is not None and status != due
                detail = f"status {status}, due {due}" if error else ""
            except Exception as e:  # noqa: BLE001 - every failure is counted
                error, detail = True, f"{type(e).__name__}: {e}"
            self.results.append((kind, time.monotonic() - start, error, detail))
            sent += 1


def memory(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                fields[key] = int(value.split()[0])
    return fields


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p * len(values)))] if values else 0.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--seconds", type=float, default=600)
    ap.add_argument("--connections", type=int, default=4)
    ap.add_argument("--requests", type=int, default=2000000)
    ap.add_argument("--seed", type=int, default=20261211)
    a = ap.parse_args()
    program = os.path.join(a.build if os.path.isabs(a.build) else os.path.join(ROOT, a.build), "tovrin")
    server = subprocess.Popen([program, "--config", os.path.join(ROOT, "data", "bibl.ini"), "serve",
                               "--host", "127.0.0.1", "--port", "0"], stdout=subprocess.PIPE, text=True)
    try:
        line = server.stdout.readline()
        port = int(re.search(r"http://127\.0\.0\.1:(\d+)/", line).group(1))
        start_memory = memory(server.pid)
        results, samples = [], []
        deadline = time.monotonic() + a.seconds
        clients = [Client(port, deadline, a.requests // a.connections, a.seed + k, results)
                   for k in range(a.connections)]
        for c in clients:
            c.start()
        while any(c.is_alive() for c in clients):
            samples.append(memory(server.pid)["VmRSS"])
            time.sleep(0.5)
        for c in clients:
            c.join()
        elapsed = a.seconds - max(0.0, deadline - time.monotonic())
        time.sleep(1)
        end_memory = memory(server.pid)
        alive = server.poll() is None
    finally:
        server.terminate()
        server.wait(timeout=30)

    print(f"tovrin serve soak: {a.connections} connections, {elapsed:.0f} s, "
          f"seed {a.seed}, {len(results)} requests")
    print(f"{'kind':<14}{'requests':>9}{'errors':>8}{'p50 ms':>9}{'p99 ms':>9}{'max ms':>9}")
    kinds = sorted({r[0] for r in results}, key=lambda k: list(KINDS).index(k))
    for kind in kinds + ["all"]:
        rows = [r for r in results if kind in ("all", r[0])]
        times = [r[1] * 1000 for r in rows]
        print(f"{kind:<14}{len(rows):>9}{sum(r[2] for r in rows):>8}{percentile(times, 0.5):>9.1f}"
              f"{percentile(times, 0.99):>9.1f}{max(times):>9.1f}")
    errors = [r for r in results if r[2]]
    for kind, _, _, detail in errors[:10]:
        print(f"error: {kind}: {detail}")
    print(f"memory: {start_memory['VmRSS'] / 1024:.1f} MB at start, peak {end_memory['VmHWM'] / 1024:.1f} MB "
          f"(sampled max {max(samples) / 1024:.1f} MB), {end_memory['VmRSS'] / 1024:.1f} MB at the end; "
          f"server {'up' if alive else 'DOWN'}; {len(results) / elapsed:.0f} requests/s")
    return 0 if alive and not errors else 1


if __name__ == "__main__":
    sys.exit(main())
