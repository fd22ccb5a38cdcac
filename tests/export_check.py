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
header = ["test case", "path", "procedure", "significant", "message", "category", "value", "properties", "selectors"]
assert rows[0] == header, rows[0]
steps = [(p, s) for p in plan["procedures"] for s in p["steps"]]
assert len(rows) - 1 == len(steps), (len(rows) - 1, len(steps))
assert len(steps) > 0, "no steps"
for row, (p, s) in zip(rows[1:], steps):
    assert len(row) == len(header), row
    assert row[1] == p["path"] and int(row[2]) == p["number"], (row, p)
    assert row[3] == ("true" if p["significant"] else "false"), row
    assert row[6] == s["value"] and row[7] == ",".join(s["properties"]), (row, s)
print(f"{len(steps)} steps in {len(plan['procedures'])} procedures")
