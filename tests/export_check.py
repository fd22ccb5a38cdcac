"""Checks the machine-readable exports of a plan folder: procedures.csv parses
with Python's csv module and has one row per step of every procedure of
plan.json, and plan.json validates against docs/plan.schema.json.
Usage: export_check.py PLAN-FOLDER SCHEMA"""
import csv
import json
import sys

import jsonschema

folder, schema_path = sys.argv[1], sys.argv[2]
with open(f"{folder}/plan.json", encoding="utf-8") as f:
    plan = json.load(f)
with open(schema_path, encoding="utf-8") as f:
    jsonschema.validate(plan, json.load(f))
with open(f"{folder}/procedures.csv", encoding="utf-8", newline="") as f:
    rows = list(csv.reader(f))
header = ["id", "test case number", "title", "section", "test case", "path", "procedure", "significant", "message",
          "category", "value", "properties", "selectors", "expected", "precondition", "requirements"]
assert rows[0] == header, rows[0]
steps = [(p, s) for p in plan["procedures"] for s in p["steps"]]
assert len(rows) - 1 == len(steps), (len(rows) - 1, len(steps))
assert len(steps) > 0, "no steps"
col = {name: i for i, name in enumerate(header)}
for row, (p, s) in zip(rows[1:], steps):
    assert len(row) == len(header), row
    assert row[col["id"]] == p["id"] and row[col["test case number"]] == f"SD{p['testCase']}", (row, p)
    assert row[col["path"]] == p["path"] and int(row[col["procedure"]]) == p["number"], (row, p)
    assert row[col["significant"]] == ("true" if p["significant"] else "false"), row
    assert row[col["value"]].lstrip("'") == s["trimmed"] == s["value"].strip(" \t"), (row, s)
    assert row[col["requirements"]] == ", ".join(p["requirements"]), (row, p["requirements"])
    assert row[col["properties"]] == ",".join(s["properties"]), (row, s)
    assert row[col["expected"]] == "" and row[col["precondition"]] == "", row
ids = [p["id"] for p in plan["procedures"]]
assert len(set(ids)) == len(ids), "procedure ids repeat"
with open(f"{folder}/index.csv", encoding="utf-8", newline="") as f:
    index = list(csv.reader(f))
assert index[0] == ["id", "test case number", "path", "document", "script", "requirements"], index[0]
assert [r[0] for r in index[1:]] == ids, "index.csv lists other procedures"
assert [r[5] for r in index[1:]] == [", ".join(p["requirements"]) for p in plan["procedures"]], "index.csv requirements"
report = plan["report"]
assert report["useful"] == report["generated"] - report["insignificant"] - report["duplicates"], report
print(f"{len(steps)} steps in {len(plan['procedures'])} procedures")
