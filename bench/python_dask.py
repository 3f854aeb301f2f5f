#!/usr/bin/env python3
"""tovrin.dask.scan_files on a LocalCluster of 1 and of 2 workers, one
thread each, over the same corpus: the median wall time of the scan
(cluster started and warmed up beforehand; the frame is made on the
workers and only its length comes back), the rows it gives, the
throughput and the CPU time (user + system) the workers spent on it.

    python_dask.py [--runs N] [--block-size BYTES] FILE...
"""

import argparse
import os
import statistics
import time

from dask.distributed import Client, LocalCluster

import tovrin.dask


def worker_cpu(client):
    """CPU seconds the worker processes have spent so far."""
    def spent():
        t = os.times()
        return t.user + t.system
    return sum(client.run(spent).values())


def timed_scan(client, paths, block_size):
    cpu, start = worker_cpu(client), time.perf_counter()
    rows = len(tovrin.dask.scan_files(paths, client=client, block_size=block_size))
    return time.perf_counter() - start, worker_cpu(client) - cpu, rows


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
        seconds = statistics.median(t for t, _, _ in runs)
        cpu = statistics.median(c for _, c, _ in runs)
        rows = {r for _, _, r in runs}
        print(f"dask, {workers} worker(s): {seconds:.2f} s median of {a.runs} "
              f"({min(t for t, _, _ in runs):.2f}-{max(t for t, _, _ in runs):.2f}), "
              f"{size / 1e6 / seconds:.0f} MB/s; workers' cpu {cpu:.2f} s "
              f"({size / 1e6 / cpu:.0f} MB per cpu second); rows {sorted(rows)}")


if __name__ == "__main__":
    main()
