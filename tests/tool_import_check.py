"""Reads the files a plan writes for test management tools by the rules their
importers follow, and fails on what an import would refuse, drop or show
wrongly. What each file must say comes from plan.json.

- testrail.xml, by TestRail's XML import ("Importing test cases and sections
  (XML)"): <sections> of <section> with <name> and <cases>; a <case> has a
  <title> of at most 250 characters, the template "Test Case (Steps)",
  <references> (links to the team's issue tracker, comma-separated: the
  ids of the procedure's requirements), and
  <custom><preconds> and <steps_separated> of <step> with <index>, <content>
  and <expected>. The procedure id must open the title, the one field that
  comes back in every export of results.
- xray.csv, by Xray's Test Case Importer and its sample files: the column
  mapped to the test id groups the rows of one test and stands on every row;
  a test's first row holds its summary (Jira takes at most 255 characters),
  its test type (Manual), its labels (a label holds no blank) and the keys
  of the requirements it tests (a "Requirements" column, one per line, that
  the importer maps to the link "tests"); every row
  is a step with an action. A cell a spreadsheet would run as a formula is
  guarded with a leading "'".
- testlink.xml, by TestLink's lib/testcases/tcImport.php: the root is the
  <testsuite> a recursive import needs; a test case name is trimmed and, past
  100 characters, cut to 80; an <externalid> is read as a whole number and a
  test case whose number is taken elsewhere is not created, so there must be
  none; keywords are <keywords><keyword name=...>; requirements are
  <requirements><requirement> with <req_spec_title>, <doc_id> and <title>,
  linked when the specification and the document id exist. Summary, preconditions,
  actions and expected results are HTML shown as they are: only <p> and <br/>
  may be markup, the model's text must arrive escaped.

Every file must be valid UTF-8.
Usage: tool_import_check.py PLAN-FOLDER"""
import csv
import html
import io
import json
import re
import sys
import xml.etree.ElementTree as ET

folder = sys.argv[1]


def text(name):
    with open(f"{folder}/{name}", "rb") as f:
        return f.read().decode("utf-8")  # fails on invalid UTF-8


with open(f"{folder}/plan.json", encoding="utf-8") as f:
    plan = json.load(f)
procedures = {p["id"]: p for p in plan["procedures"]}
ids = [p["id"] for p in plan["procedures"]]
assert ids and len(set(ids)) == len(ids), "plan.json ids"


def one_line(value):
    """Model text as a one-line field shows it: no control characters, line
    breaks and tabs as blanks."""
    value = re.sub(r"[\t\r\n]", " ", value)
    return re.sub(r"[\x00-\x1f\ufffe\uffff]", "", value)


def messages_of(p):
    """The messages of a procedure's path, in order, from the test cases of plan.json."""
    case = next(c for c in plan["testCases"] if c["number"] == p["testCase"])
    return next(x for x in case["paths"] if x["name"] == p["path"])["messages"]


def run_steps(p):
    """The steps a tester runs, from plan.json: each action with the
    messages expected after it, or, on a path without actions, every
    message with nothing expected. A step is its action's message and the
    expected result's lines: "message (category = value, ...)", an internal
    message (between two lifelines that are not the tester's) as
    "from → to: message (...)"."""
    if p["invalid"]:
        return None  # checked apart: its steps end on the refusal
    if not p["actions"]:
        return [(m["name"].strip(), "") for m in messages_of(p)]

    def line(m):
        values = ", ".join(f"{s['category']} = {s['value']}" for s in m["settings"])
        head = f"{m['from']} → {m['to']}: {m['message']}" if m["internal"] else m["message"]
        return f"{head} ({values})" if values else head
    return [(a["message"], "\n".join(line(m) for m in a["expected"])) for a in p["actions"]]


def clean(value):
    """Model text as XML carries it: no control characters but tabs and line breaks."""
    return re.sub(r"[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff]", "", value)


def check_title(title, p, most):
    assert len(title) <= most, (len(title), title)
    assert title.startswith(f"[{p['id']}] "), title
    whole = one_line(f"[{p['id']}] {p['title']}")
    assert title == whole or (len(whole) > most and title.endswith("\u2026") and whole.startswith(title[:-1])), \
        (title, whole)


# TestRail
root = ET.fromstring(text("testrail.xml").encode("utf-8"))
assert root.tag == "sections", root.tag
seen = []
for section in root.findall("section"):
    assert section.findtext("name", "").startswith("SD"), section.findtext("name")
    for case in section.findall("cases/case"):
        title = case.findtext("title")
        p = procedures[title[1:title.index("]")]]
        seen.append(p["id"])
        check_title(title, p, 250)
        assert case.find("refs") is None, "TestRail's field is <references>"
        assert case.find("references") is not None, "references"
        refs = [r.strip() for r in (case.findtext("references") or "").split(",") if r.strip()]
        assert refs == p["requirements"], (p["id"], refs)
        assert case.findtext("template") == "Test Case (Steps)"
        assert case.find("custom/preconds") is not None
        steps = case.findall("custom/steps_separated/step")
        want = run_steps(p)
        if want is None:
            assert steps and steps[-1].findtext("expected") == clean(f"{p['invalid']} is refused"), p["id"]
            assert title.endswith(f"(invalid: {p['invalid']})") or len(title) == 250, title
            continue
        assert len(steps) == len(want), (p["id"], len(steps))
        for i, (step, (action, expected)) in enumerate(zip(steps, want), 1):
            assert step.findtext("index") == str(i) and step.findtext("content").split("\n")[0] == clean(action), "step"
            assert step.find("expected") is not None and (step.findtext("expected") or "") == clean(expected), \
                (p["id"], step.findtext("expected"), expected)
assert seen == ids, "testrail.xml cases are not the procedures of plan.json"

# Xray
rows = list(csv.reader(io.StringIO(text("xray.csv").lstrip("\ufeff"), newline="")))
header = rows[0]
column = {name: header.index(name) for name in
          ("Test Case Identifier", "Test Type", "Summary", "Labels", "Requirements", "Action", "Data",
           "Expected Result")}
label_columns = [i for i, name in enumerate(header) if name == "Labels"]  # one label each
tests = []  # [id, rows]
for row in rows[1:]:
    assert len(row) == len(header), row
    test_id = row[column["Test Case Identifier"]]
    assert test_id, f"a step row without its test's identifier: {row}"
    if not tests or tests[-1][0] != test_id:
        tests.append([test_id, []])
    tests[-1][1].append(row)
    assert row[column["Action"]], row
    for cell in row:
        assert not re.match(r"[=+\-@]", cell) or re.fullmatch(r"[+-]?(\d+\.?\d*|\.\d+)", cell), \
            f"a spreadsheet would run {cell!r}"
assert [t[0] for t in tests] == ids, "xray.csv tests are not the procedures of plan.json"
for test_id, test_rows in tests:
    p, first = procedures[test_id], test_rows[0]
    check_title(first[column["Summary"]], p, 255)
    assert first[column["Test Type"]] == "Manual", first
    labels = [first[i] for i in label_columns if first[i]]
    assert labels[0] == test_id and all(" " not in label for label in labels), labels
    assert (labels[1:] == ["negative"]) == bool(p["invalid"]), (test_id, labels)
    linked = [k for k in first[column["Requirements"]].split("\n") if k]
    assert linked == p["requirements"], (test_id, linked)
    assert all(not row[column["Requirements"]] for row in test_rows[1:]), test_id
    want = run_steps(p)
    if want is None:
        assert test_rows[-1][column["Expected Result"]].lstrip("'") == f"{p['invalid']} is refused", test_id
        continue
    assert len(test_rows) == len(want), (test_id, len(test_rows))
    for row, (action, expected) in zip(test_rows, want):
        assert row[column["Action"]] == one_line(action), (row, action)
        assert row[column["Expected Result"]].lstrip("'") == expected, (row, expected)

# TestLink
TAGS = re.compile(r"</?p>|<br/>")


def testlink_text(element, name):
    """A field as TestLink shows it: HTML with no markup but paragraphs and
    line breaks; the text it shows."""
    found = element.find(name)
    assert found is not None, name
    value = found.text or ""
    bare = TAGS.sub("\n", value)
    assert "<" not in bare and ">" not in bare, f"markup in <{name}>: {value!r}"
    return html.unescape(bare).strip("\n")


root = ET.fromstring(text("testlink.xml").encode("utf-8"))
assert root.tag == "testsuite" and root.get("name"), root.tag
seen = []
for suite in root.findall("testsuite"):
    assert suite.get("name", "").startswith("SD") and len(suite.get("name")) <= 100, suite.get("name")
    names = set()
    for case in suite.findall("testcase"):
        name = case.get("name").strip()
        assert name not in names, f"two test cases named {name} in one suite"
        names.add(name)
        p = procedures[name[1:name.index("]")]]
        seen.append(p["id"])
        check_title(name, p, 100)
        assert case.find("externalid") is None, "TestLink reads <externalid> as a number"
        assert [k.get("name") for k in case.findall("keywords/keyword")] == [p["id"]] + (["negative"] if p["invalid"] else [])
        reqs = case.findall("requirements/requirement")
        assert [r.findtext("doc_id") for r in reqs] == p["requirements"], (p["id"], reqs)
        for r in reqs:
            assert r.findtext("req_spec_title") and r.findtext("title"), p["id"]
        summary = testlink_text(case, "summary")
        assert summary.startswith(one_line(p["section"])), (summary, p["section"])
        testlink_text(case, "preconditions")
        assert case.findtext("execution_type") == "1"
        steps = case.findall("steps/step")
        want = run_steps(p)
        if want is None:
            assert testlink_text(steps[-1], "expectedresults") == clean(f"{p['invalid']} is refused"), p["id"]
            assert "negative" in [k.get("name") for k in case.findall("keywords/keyword")]
            continue
        assert len(steps) == len(want), (p["id"], len(steps))
        for i, (step, (action, expected)) in enumerate(zip(steps, want), 1):
            assert step.findtext("step_number") == str(i) and step.findtext("execution_type") == "1"
            assert testlink_text(step, "actions").split("\n")[0] == clean(action)
            assert testlink_text(step, "expectedresults") == clean(expected), (testlink_text(step, "expectedresults"), expected)
assert seen == ids, "testlink.xml cases are not the procedures of plan.json"
print(f"{len(ids)} procedures in testrail.xml, xray.csv and testlink.xml")
