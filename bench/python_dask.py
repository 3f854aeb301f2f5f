#!/usr/bin/env python3
"""tovrin.dask.scan_files on a LocalCluster of 1 and of 2 workers, one
thread each, over the same corpus: the median wall time of the scan
(cluster started and warmed up beforehand, the frame computed to pandas),
the rows it gives and the throughput.

    python_dask.py [--runs N] [--block-size BYTES] FILE...
"""

import argparse
import os
import statistics
import time

from dask.distributed import Client, LocalCluster

import tovrin.dask


def timed_scan(client, paths, block_size):
    start = time.perf_counter()
    rows = len(tovrin.dask.scan_files(paths, client=client, block_size=block_size).compute())
    return time.perf_counter() - start, rows


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--block-size", type=int, default=tovrin.dask.BLOCK_SIZE)
    ap.add_argument("paths", nargs="+")
    a = ap.parse_args()
    size = sum(os.path.getsize(p) for p in a.paths)
    print(f"corpus: {len(a.paths)} files, {size / 1e6:.0f} MB; block size {a.block_size}")
    for workers in (1, 2):
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            timed_scan(client, a.paths[:1], a.block_size)  # each worker loads its tables
            runs = [timed_scan(client, a.paths, a.block_size) for _ in range(a.runs)]
        seconds = statistics.median(t for t, _ in runs)
        rows = {r for _, r in runs}
        print(f"dask, {workers} worker(s): {seconds:.2f} s median of {a.runs} "
              f"({min(t for t, _ in runs):.2f}-{max(t for t, _ in runs):.2f}), "
              f"{size / 1e6 / seconds:.0f} MB/s, rows {sorted(rows)}")


if __name__ == "__main__":
    main()
