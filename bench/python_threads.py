#!/usr/bin/env python3
"""Language.scan in threads: the same file scanned N times one after the
other in one thread, then by N threads at once (N = 2 by default); the
median wall times of 5 rounds and their ratio. Scans release the GIL while
they search the text, so the threads overlap as far as the machine lets
them.

    python_threads.py [--threads N] FILE
"""

import argparse
import statistics
import time
from concurrent.futures import ThreadPoolExecutor

import tovrin


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--threads", type=int, default=2)
    ap.add_argument("path")
    a = ap.parse_args()
    cz = tovrin.Config().language("cz")
    with open(a.path, "rb") as f:
        data = f.read()

    def scan(_):
        return sum(1 for _ in cz.scan(data, lines=True))

    def timed(run):
        start = time.perf_counter()
        run()
        return time.perf_counter() - start

    with ThreadPoolExecutor(max_workers=a.threads) as pool:
        alone = statistics.median(timed(lambda: [scan(k) for k in range(a.threads)])
                                  for _ in range(5))
        together = statistics.median(timed(lambda: list(pool.map(scan, range(a.threads))))
                                     for _ in range(5))
    mb = a.threads * len(data) / 1e6
    print(f"threads: {a.threads} scans of {len(data) / 1e6:.0f} MB one after the other "
          f"{alone:.2f} s ({mb / alone:.0f} MB/s), in {a.threads} threads {together:.2f} s "
          f"({mb / together:.0f} MB/s): {alone / together:.2f} x")


if __name__ == "__main__":
    main()
