"""Reads the files a plan writes for test management tools as their importers
would, and fails on what would stop an import: testrail.xml (TestRail's XML
import of sections and cases with separated steps), xray.csv (Xray's CSV
import of manual tests), testlink.xml (TestLink's XML import of test suites)
and the Gherkin .feature files. Every file must be valid UTF-8; ids must be
unique and those of plan.json.
Usage: tool_import_check.py PLAN-FOLDER"""
import csv
import glob
import io
import json
import re
import sys
import xml.etree.ElementTree as ET

folder = sys.argv[1]


def text(name):
    with open(f"{folder}/{name}", "rb") as f:
        raw = f.read()
    return raw.decode("utf-8")  # fails on invalid UTF-8


with open(f"{folder}/plan.json", encoding="utf-8") as f:
    plan = json.load(f)
ids = [p["id"] for p in plan["procedures"]]
assert ids and len(set(ids)) == len(ids), "plan.json ids"
titles = {p["id"]: p["title"] for p in plan["procedures"]}


def steps_of(element, step, *fields):
    found = element.findall(step)
    assert found, f"no {step} in {element.tag}"
    for s in found:
        for name in fields:
            assert s.find(name) is not None, f"{name} missing in a step"
    return found


# TestRail
root = ET.fromstring(text("testrail.xml").encode("utf-8"))
assert root.tag == "sections", root.tag
refs = []
for section in root.findall("section"):
    assert section.findtext("name", "").startswith("SD"), section.findtext("name")
    for case in section.findall("cases/case"):
        refs.append(case.findtext("refs"))
        assert case.findtext("title") == titles[refs[-1]], case.findtext("title")
        assert case.findtext("template") == "Test Case (Steps)"
        assert case.find("custom/preconds") is not None
        for i, step in enumerate(steps_of(case, "custom/steps_separated/step", "index", "content", "expected"), 1):
            assert step.findtext("index") == str(i) and step.findtext("content"), "step"
assert refs == ids, "testrail.xml cases are not the procedures of plan.json"

# Xray: the case columns on a case's first row only
rows = list(csv.reader(io.StringIO(text("xray.csv"), newline="")))
assert rows[0] == ["Test Case Identifier", "Summary", "Action", "Data", "Expected Result"], rows[0]
seen = []
for row in rows[1:]:
    assert len(row) == 5 and row[2], row
    if row[0]:
        assert row[0] not in seen and row[1] == titles[row[0]], row
        seen.append(row[0])
    else:
        assert seen and not row[1], row
assert seen == ids, "xray.csv tests are not the procedures of plan.json"

# TestLink
root = ET.fromstring(text("testlink.xml").encode("utf-8"))
assert root.tag == "testsuite" and root.get("name"), root.tag
external = []
for suite in root.findall("testsuite"):
    assert suite.get("name", "").startswith("SD"), suite.get("name")
    for case in suite.findall("testcase"):
        external.append(case.findtext("externalid"))
        assert case.get("name") == titles[external[-1]]
        for name in ("summary", "preconditions"):
            assert case.find(name) is not None, name
        assert case.findtext("execution_type") == "1"
        for i, step in enumerate(
                steps_of(case, "steps/step", "step_number", "actions", "expectedresults", "execution_type"), 1):
            assert step.findtext("step_number") == str(i) and step.findtext("execution_type") == "1"
assert external == ids, "testlink.xml cases are not the procedures of plan.json"

# Gherkin: a Feature per file, each Scenario Outline's placeholders are the
# columns of its Examples, every row has a cell per column.
features = sorted(glob.glob(f"{folder}/*.feature"))
assert features, "no .feature file"
examples_ids = []
for path in features:
    lines = text(path[len(folder) + 1:]).splitlines()
    assert lines[0].startswith("Feature: "), path
    outline = None
    i = 0
    while i < len(lines):
        line = lines[i].strip()
        if line.startswith("Scenario Outline: "):
            outline = []
        elif line.startswith("When ") and outline is not None:
            outline += re.findall(r"<([^<>]+)>", line)
        elif line == "Examples:":
            header = [c.strip() for c in lines[i + 1].strip().strip("|").split(" | ")]
            assert header == ["id"] + outline, (path, header, outline)
            assert len(set(outline)) == len(outline), "placeholders repeat"
            i += 2
            while i < len(lines) and lines[i].strip().startswith("|"):
                cells = re.split(r"(?<!\\)\|", lines[i].strip())[1:-1]
                assert len(cells) == len(header), (path, lines[i])
                examples_ids.append(cells[0].strip())
                i += 1
            outline = None
            continue
        i += 1
significant = [p["id"] for p in plan["procedures"] if p["significant"]]
assert sorted(examples_ids) == sorted(significant), "the Examples are not the significant procedures"
print(f"{len(ids)} procedures in every tool's file; {len(features)} feature files")
