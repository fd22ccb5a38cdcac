#!/usr/bin/python3
"""Rows and time of full pairwise coverage: Zov Suite's covering (the
generation alone, in Google Benchmark) against Debian's python3-allpairspy
(inside Python, after its import), on the same category sets.
Usage: bench/pairwise_compare.py BUILD"""
import json
import subprocess
import sys
import time

from allpairspy import AllPairs

SETS = [("3^4", [3] * 4), ("3^13", [3] * 13), ("2^20", [2] * 20), ("10^5", [10] * 5),
        ("5^2 4^3 3^5 2^6", [5, 5, 4, 4, 4, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2]), ("ATM path 1.1", [4, 5, 6, 4, 6, 6]),
        ("4^15 3^17 2^29", [4] * 15 + [3] * 17 + [2] * 29)]

build = sys.argv[1]
run = subprocess.run([f"{build}/bench/zov_bench", "--benchmark_filter=BM_Pairwise", "--benchmark_format=json"],
                     capture_output=True, text=True, check=True)
ours = {int(b["name"].split("/")[1]): b for b in json.loads(run.stdout)["benchmarks"]}
print(f"{'categories':<18} {'bound':>6} {'zov rows':>9} {'most':>5} {'zov ms':>8} {'allpairspy rows':>16} {'allpairspy ms':>14} {'faster':>7}")
for i, (name, sizes) in enumerate(SETS):
    start = time.perf_counter()
    rows = sum(1 for _ in AllPairs([list(range(n)) for n in sizes]))
    theirs = (time.perf_counter() - start) * 1000
    mine = ours[i]
    ms = mine["real_time"] if mine["time_unit"] == "ms" else mine["real_time"] / 1000
    bound = sorted(sizes)[-1] * sorted(sizes)[-2]
    print(f"{name:<18} {bound:>6} {mine['rows']:>9.1f} {int(mine['most']):>5} {ms:>8.2f} {rows:>16} {theirs:>14.1f} {theirs / ms:>6.0f}x")
