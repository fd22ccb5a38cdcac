"""Renders a plan's report.html with Debian's headless Chromium, as a reader's
browser would, and fails on a non-zero exit, a picture of one colour, or a
test case of plan.json missing from the page's DOM, or a page wider than the
window (a long name that does not wrap pushes columns off screen). The page
must need no network and no other file: it is copied alone into an empty
folder first.
Usage: html_render_check.py PLAN-FOLDER CHROMIUM"""
import html
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

folder, chromium = sys.argv[1], sys.argv[2]
with open(f"{folder}/plan.json", encoding="utf-8") as f:
    plan = json.load(f)
names = {c["name"] for c in plan["testCases"]}


def pixels(png):
    """The distinct pixels of an 8-bit RGB or RGBA PNG (filters undone)."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        data = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", data[:10])
            assert depth == 8 and color in (2, 6), (depth, color)
            channels = 3 if color == 2 else 4
        elif kind == b"IDAT":
            idat += data
        pos += 12 + length
    raw, stride, seen, previous = zlib.decompress(idat), width * channels, set(), bytearray(width * channels)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = row[x - channels] if x >= channels else 0
            b, c = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                row[x] = (row[x] + a) & 255
            elif kind == 2:
                row[x] = (row[x] + b) & 255
            elif kind == 3:
                row[x] = (row[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        for x in range(0, stride, channels * 7):
            seen.add(bytes(row[x:x + 3]))
        previous = row
    return seen


with tempfile.TemporaryDirectory() as work:
    page = os.path.join(work, "report.html")
    shutil.copy(f"{folder}/report.html", page)
    common = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
              f"--user-data-dir={work}/profile", "--window-size=1200,1600"]
    shot = os.path.join(work, "shot.png")
    run = subprocess.run(common + [f"--screenshot={shot}", "file://" + page], capture_output=True, timeout=120)
    assert run.returncode == 0, run.stderr.decode(errors="replace")[-2000:]
    with open(shot, "rb") as f:
        colours = pixels(f.read())
    assert len(colours) > 1, "the page renders as one colour"
    run = subprocess.run(common + ["--dump-dom", "file://" + page], capture_output=True, timeout=120)
    assert run.returncode == 0, run.stderr.decode(errors="replace")[-2000:]
    dom = run.stdout.decode("utf-8")
    missing = [n for n in names if html.escape(n, quote=False) not in dom]
    assert not missing, f"test cases missing from the page: {missing}"
    # The traceability matrix: a row per requirement of plan.json whose
    # cells link its procedures, and the requirements not reached with why.
    if plan.get("requirements"):
        start = dom.index('id="traceability"')
        section = dom[start:dom.find("<h2", start)]
        rows = re.findall(r"<tr>(.*?)</tr>", section, re.S)
        assert len(rows) == len(plan["requirements"]) + 1, (len(rows), len(plan["requirements"]))
        for row, r in zip(rows[1:], plan["requirements"]):
            assert f"<b>{html.escape(r['id'], quote=False)}</b>" in row, (r["id"], row[:200])
            linked = re.findall(r'<a href="#([^"]+)">', row)
            assert linked == r["procedures"] or sorted(linked) == sorted(r["procedures"]), (r["id"], linked)
            if not r["reached"]:
                assert html.escape(r["reason"], quote=False) in section, r["reason"]
    # The results recorded in the folder: the reliability line and every
    # failing procedure in the Results section.
    if os.path.exists(f"{folder}/results.json"):
        with open(f"{folder}/results.json", encoding="utf-8") as f:
            results = json.load(f)
        start = dom.index('id="results"')
        section = dom[start:dom.find("<h2", start)]
        assert f"reliability per use: {results['reliability']['estimate']:.3f}" in section, section[:300]
        for v in results["verdicts"]:
            if v["verdict"] == "fail":
                assert f'href="#{v["id"]}"' in section, v["id"]
    # The page's width as laid out, measured by a script added to a copy.
    with open(page, encoding="utf-8") as f:
        measured = f.read().replace("</body>", "<script>document.body.setAttribute('data-width', "
                                    "document.documentElement.scrollWidth + ' ' + window.innerWidth)</script></body>")
    with open(page, "w", encoding="utf-8") as f:
        f.write(measured)
    run = subprocess.run(common + ["--dump-dom", "file://" + page], capture_output=True, timeout=120)
    width, window = map(int, re.search(r'data-width="(\d+) (\d+)"', run.stdout.decode("utf-8")).groups())
    assert width <= window, f"the page is {width} pixels wide in a window of {window}"
print(f"report.html renders in {len(colours)} colours (sampled), names all {len(names)} test cases and traces "
      f"{len(plan.get('requirements', []))} requirements")
