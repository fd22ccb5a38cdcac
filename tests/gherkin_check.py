"""Reads a plan's .feature files with the official Gherkin parser (through
tests/gherkin/pickles.mjs) and fails unless Cucumber would run what the plan
says: every file parses; every placeholder of a Scenario Outline's steps
heads a column of its Examples and every column is used; each Examples row
is one significant procedure of plan.json, and the steps Cucumber makes of
it are the messages of its path, each followed by the values the procedure
gives its categories, with the model's text as it is (a "<b>" in a message
stays "<b>"); where the path has actions, a message between two lifelines
that are not the tester's reads "FROM sends MESSAGE to TO".
Usage: gherkin_check.py PLAN-FOLDER NODE_MODULES"""
import glob
import json
import os
import re
import subprocess
import sys

folder, modules = sys.argv[1], sys.argv[2]
with open(f"{folder}/plan.json", encoding="utf-8") as f:
    plan = json.load(f)
files = sorted(glob.glob(f"{folder}/*.feature"))
assert files, "no .feature file"
script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gherkin", "pickles.mjs")
parsed = json.loads(subprocess.run(["node", script, modules, *files], check=True, capture_output=True).stdout)


def one_line(value):
    """Model text on one line: no control characters, breaks and tabs as blanks."""
    return re.sub(r"[\x00-\x1f\ufffe\uffff]", "", re.sub(r"[\t\r\n]", " ", value)).strip()


def expected_steps(p):
    """The messages of the procedure's path, each with its values in order;
    on a path with actions, a message between two lifelines that are not
    the tester's says who sends it to whom."""
    case = next(c for c in plan["testCases"] if c["number"] == p["testCase"])
    messages = next(x for x in case["paths"] if x["name"] == p["path"])["messages"]
    passed = list(p["precondition"])
    for a in p["actions"]:
        passed += [{"internal": False}] + a["expected"]
    assert not p["actions"] or len(passed) == len(messages), f"{p['id']}: actions and messages differ"
    steps, k = [], 0
    for j, m in enumerate(messages):
        line = one_line(m["name"]) or "(unnamed message)"
        if p["actions"] and passed[j]["internal"]:
            line = f"{one_line(passed[j]['from'])} sends {line} to {one_line(passed[j]['to'])}"
        categories = ([m["name"]] if m["interactions"] else []) + [s["parameter"] for s in m["settings"]]
        for category in categories:
            if k < len(p["steps"]) and p["steps"][k]["message"] == m["name"] and p["steps"][k]["category"] == category:
                line += " " + one_line(p["steps"][k]["trimmed"])
                k += 1
        steps.append(line)
    assert k == len(p["steps"]), f"{p['id']}: steps of plan.json left over"
    return steps


def requirement_tags(p):
    return ["@" + re.sub(r"\s", "_", one_line(r)) for r in p["requirements"]]


procedures = {p["id"]: p for p in plan["procedures"]}
rows, negatives = [], []
for f in parsed:
    assert not f["errors"], (f["file"], f["errors"])
    for outline in f["outlines"]:
        header = outline["header"]
        assert header[0] == "id" and len(set(header)) == len(header), header
        used = {name for step in outline["steps"] for name in re.findall(r"<([^<>]*)>", step)}
        assert used == set(header[1:]), (f["file"], outline["name"], sorted(used ^ set(header[1:])))
        for pickle in outline["pickles"]:
            p = procedures[pickle["cells"][0]]
            rows.append(p["id"])
            assert pickle["steps"] == expected_steps(p), (p["id"], pickle["steps"], expected_steps(p))
            # A tag per requirement the procedure verifies, its blanks "_".
            assert pickle["tags"] == requirement_tags(p), (p["id"], pickle["tags"])
    # A negative procedure is a Scenario of its own, tagged @negative, that
    # names its id and ends on the refusal of its invalid value.
    for s in f["scenarios"]:
        assert "@negative" in s["tags"], s
        assert s["tags"][1:] == requirement_tags(procedures[s["name"][s["name"].rindex("(") + 1:-1]]), s
        p = procedures[s["name"][s["name"].rindex("(") + 1:-1]]
        assert p["invalid"] and s["steps"][-1] == f"{one_line(p['invalid'])} is refused", s
        negatives.append(p["id"])
significant = [p["id"] for p in plan["procedures"] if p["significant"] and not p["invalid"]]
assert sorted(rows) == sorted(significant), "the Examples are not the significant procedures"
assert sorted(negatives) == sorted(p["id"] for p in plan["procedures"] if p["invalid"]), "negative procedures"
print(f"{len(files)} feature files parsed, {len(rows)} procedures run as plan.json says")
