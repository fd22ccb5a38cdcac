#include "export/plan_report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "files/input_file.h"
#include "model/fnv.h"
#include "selection/allocation.h"
#include "session/planning_session.h"
#include "traceability/traceability.h"
#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {

namespace {

constexpr std::size_t kRowsShown = 20;  // rows of a table part before "... and N more"

std::string PathReason(const PlanReport::Path& p) {
  std::vector<std::string> why;
  // The strength's shortfall: "pairwise needs 12 procedures on path 1.1; 5
  // allotted cover 31 of 48 pairs".
  const TupleCoverage& asked = p.strength == 1 ? p.each : p.strength == 2 ? p.pairs : p.tuples;
  if (p.strength > 0 && p.combinations > 0 && asked.covered < asked.possible) {
    const std::string tuples = p.strength == 1 ? "choices" : p.strength == 2 ? "pairs" : "tuples";
    why.push_back(
        StrengthName(p.strength) +
        (p.needed > 0 ? " needs " + std::to_string(p.needed) + " procedures on path " + p.name : " on path " + p.name) +
        "; " + std::to_string(p.allotted + p.raised) + " allotted cover " + std::to_string(asked.covered) + " of " +
        std::to_string(asked.possible) + " " + tuples);
  }
  if (p.useful() >= p.allotted && why.empty()) return {};  // nothing missing
  if (p.combinations == 0) {
    why.push_back(
        "no category of the path has choices: give them choices (the editors, a choices file, or DEF( "
        "in the model)");
  } else if (p.combinations > 0 && p.generated < p.allotted) {
    why.push_back("its choices allow only " + std::to_string(p.combinations) +
                  (p.combinations == 1 ? " combination" : " combinations") + ": add choices for more");
  }
  if (p.insignificant > 0)
    why.push_back(std::to_string(p.insignificant) + " insignificant (a property contradicts an if-selector)");
  if (p.duplicates > 0)
    why.push_back(std::to_string(p.duplicates) + " repeat the values of another (equal choices in a category)");
  std::string text;
  for (const std::string& w : why) text += (text.empty() ? "" : "; ") + w;
  return text;
}

// A fixed-width cell, cut with "..." when longer.
std::string Cell(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, text.size() > width ? width - 3 : text.size()));
  if (text.size() > width) s += "...";
  s.resize(width, ' ');
  return s;
}

std::string Number(long long n, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%*lld", width, n);
  return buffer;
}

}  // namespace

std::string PlanReport::seedLine() const {
  return "seed " + std::to_string(seed) + "; repeat with --seed " + std::to_string(seed);
}

namespace {

// A part of the report: its heading and rows, only the first few unless all.
void Part(std::string& out, const std::string& heading, const std::vector<std::string>& rows, bool all) {
  if (rows.empty()) return;
  out += heading;
  for (std::size_t i = 0; i < rows.size() && (all || i < kRowsShown); ++i) out += rows[i];
  if (rows.size() > kRowsShown && !all)
    out += "    ... and " + std::to_string(rows.size() - kRowsShown) + " more (report.txt lists them all)\n";
}

}  // namespace

std::string PlanReport::head(bool all) const {
  std::string out = "Plan report: " + std::to_string(allotted) + " test procedures allotted, " +
                    std::to_string(generated) + " written (" + std::to_string(insignificant) + " insignificant, " +
                    std::to_string(duplicates) + " repeated), " + std::to_string(useful()) + " useful" +
                    (negative > 0 ? ", and " + std::to_string(negative) + " negative procedure" +
                                        (negative == 1 ? "" : "s") + " (one per invalid value)"
                                  : "") +
                    "\n";
  out += "  " + seedLine() + (strength > 0 ? "; strength " + StrengthName(strength) : std::string()) + "\n";
  if (!weightsSum.empty()) out += "  " + weightsSum + "\n";
  if (kept)
    out += "  from " + kept->file + ": " + std::to_string(kept->kept) + " of its " + std::to_string(kept->earlier) +
           " test procedures kept with their ids, " + std::to_string(kept->dropped) + " dropped, " +
           std::to_string(kept->added) + " added\n";
  std::vector<std::string> rows;
  for (const Branch& b : branches)
    rows.push_back("  " + Cell(b.name, 40) + Number(b.allotted, 9) + Number(b.generated, 9) + "\n");
  Part(out, "  branch                                   allotted   useful\n", rows, all);
  return out;
}

std::string PlanReport::text(bool all) const {
  std::string out = head(all);
  // Only the rows that lost procedures, the first few of each part.
  std::vector<std::string> rows;
  for (const Leaf& l : leaves)
    if (l.generated < l.allotted)
      rows.push_back("    " + Cell(l.name, 38) + Number(l.allotted, 9) + Number(l.generated, 9) + "  " + l.reason +
                     "\n");
  Part(out, "  leaves that gave fewer than allotted     allotted   useful  why\n", rows, all);
  rows.clear();
  for (const TestCase& t : testCases) {
    if (t.useful() >= t.allotted &&
        std::none_of(t.paths.begin(), t.paths.end(), [](const Path& p) { return !p.reason.empty(); }))
      continue;
    std::string row = "    " + Cell("SD" + std::to_string(t.number) + " " + t.name, 38) + Number(t.allotted, 9) +
                      Number(t.useful(), 9) + (t.reason.empty() ? "" : "  " + t.reason) + "\n";
    for (const Path& p : t.paths)
      if (!p.reason.empty())
        row +=
            "      path " + Cell(p.name, 31) + Number(p.allotted, 9) + Number(p.useful(), 9) + "  " + p.reason + "\n";
    rows.push_back(row);
  }
  Part(out, "  test cases that gave fewer than allotted allotted   useful  why\n", rows, all);
  out += focus;
  out += traceability;
  return out;
}

PlanReport MakePlanReport(const PlanningSession& s, const GenerationResult& g) {
  PlanReport r;
  r.weightsSum = s.work().weightsSum;
  r.seed = s.seed();
  r.strength = s.strength().t;
  r.fills = s.strength().fills;
  const TestCaseTable& table = s.work().specification.table;
  const std::unordered_map<int, std::string> diagramOf = DiagramsByNumber(s.work().specification);

  // The test cases generated, with their paths.
  std::unordered_map<std::string, std::size_t> byDiagram;  // -> position in r.testCases
  std::size_t next = 0;
  for (int i : g.testCases) {
    const TestCaseRecord& record = table.cases[static_cast<std::size_t>(i)];
    PlanReport::TestCase t;
    t.number = i;
    t.name = Trimmed(record.name);
    const auto d = diagramOf.find(i);
    t.diagram = d == diagramOf.end() ? std::string() : d->second;
    t.allotted = record.allotted;
    for (; next < g.outcomes.size() && g.outcomes[next].testCase < i; ++next) {
    }
    for (; next < g.outcomes.size() && g.outcomes[next].testCase == i; ++next) {
      const PathCount& c = g.outcomes[next].count;
      PlanReport::Path p;
      p.name = g.outcomes[next].path;
      p.allotted = c.allotted;
      p.combinations = c.combinations;
      p.generated = c.procedures;
      p.insignificant = c.insignificant;
      p.duplicates = c.duplicates;
      p.strength = c.strength;
      p.needed = c.needed;
      p.raised = c.raised;
      p.each = c.each;
      p.pairs = c.pairs;
      p.tuples = c.tuples;
      p.earlier = c.earlier;
      p.kept = c.kept;
      p.negative = c.negative;
      r.negative += c.negative;
      p.regression = c.regression;
      r.regression += c.regression;
      p.reason = PathReason(p);
      t.generated += p.generated;
      t.insignificant += p.insignificant;
      t.duplicates += p.duplicates;
      t.paths.push_back(std::move(p));
    }
    if (t.paths.empty() && t.allotted > 0)
      t.reason = t.diagram.empty() ? "no scenario diagram of the model matched it"
                                   : "its diagram has no messages, so no path to test";
    if (!t.diagram.empty()) byDiagram.emplace(t.diagram, r.testCases.size());
    r.generated += t.generated;
    r.insignificant += t.insignificant;
    r.duplicates += t.duplicates;
    r.testCases.push_back(std::move(t));
  }

  if (s.settings.earlierPlan) {
    PlanReport::Kept k;
    k.file = s.settings.earlierPlan->file;
    k.earlier = s.settings.earlierPlan->procedures;
    for (const PlanReport::TestCase& t : r.testCases)
      for (const PlanReport::Path& p : t.paths) k.kept += p.kept;
    k.dropped = k.earlier - k.kept;
    k.added = r.generated - k.kept;
    r.kept = k;
  }

  // The leaves of the selection that were given procedures, by branch.
  const Tree& selection = s.TV(kSelectionTree);
  std::unordered_map<std::string, bool> taken;  // a diagram whose first showing was met
  for (NodeId id : selection.collection()) {
    const Node& n = selection.node(id);
    if (n.children != 0) continue;
    const long allotted = RitornaNumeroTest(n.text);
    r.allotted += std::max(0L, allotted);
    if (allotted <= 0) continue;
    NodeId top = id;
    while (selection.node(top).parent != kNoNode) top = selection.node(top).parent;
    PlanReport::Leaf leaf;
    leaf.branch = Trimmed(EstraiNome(selection.node(top).text));
    leaf.name = Trimmed(EstraiNome(n.text));
    leaf.key = n.key;
    leaf.allotted = allotted;
    leaf.section = leaf.branch;
    if (id != top) {
      if (n.parent != top) leaf.section += " / " + Trimmed(EstraiNome(selection.node(n.parent).text));
      leaf.section += " / " + leaf.name;
    }
    const std::string diagram(n.key.substr(0, n.key.find("$$")));
    const auto t = byDiagram.find(diagram);
    if (!kind::IsScenario(n.image)) {
      leaf.reason = "no scenario diagram below it: draw one, or weigh it 0";
    } else if (!taken.emplace(diagram, true).second) {
      leaf.reason = "shown again below a link: its test case takes the procedures of its first showing only";
    } else if (t == byDiagram.end()) {
      leaf.reason =
          "its diagram is not among the test cases generated (not loaded into the UIT tree, not picked, "
          "or left out by \"Processing...\")";
    } else {
      const PlanReport::TestCase& c = r.testCases[t->second];
      leaf.testCase = c.number;
      leaf.generated = c.useful();
      if (leaf.generated < leaf.allotted) leaf.reason = "see SD" + std::to_string(c.number);
    }
    const auto b = std::find_if(r.branches.begin(), r.branches.end(),
                                [&leaf](const PlanReport::Branch& x) { return x.name == leaf.branch; });
    PlanReport::Branch& branch = b != r.branches.end() ? *b : r.branches.emplace_back(PlanReport::Branch{leaf.branch});
    branch.allotted += leaf.allotted;
    branch.generated += leaf.generated;
    r.leaves.push_back(std::move(leaf));
  }

  // What to change.
  const bool anyPath = std::any_of(r.testCases.begin(), r.testCases.end(),
                                   [](const PlanReport::TestCase& t) { return !t.paths.empty(); });
  if (!anyPath) {
    r.warnings.push_back(
        "the plan has no test case with a path: select use cases that have sequence or collaboration diagrams with "
        "messages, or take the test cases from another source (--uit design, notlinked or all)");
  } else if (r.generated == 0) {
    r.warnings.push_back(
        "no test procedure was written: no path has a category with choices; give the categories choices "
        "(--choices FILE, the editors, or DEF( default values in the model)");
  }
  long bare = 0;  // paths that gave nothing for want of a category with choices
  for (const PlanReport::TestCase& t : r.testCases)
    for (const PlanReport::Path& p : t.paths) bare += p.combinations == 0 && p.generated == 0 && p.allotted > 0;
  if (bare > 0 && !s.settings.criterion.everyPath)
    r.warnings.push_back(std::to_string(bare) + (bare == 1 ? " path has" : " paths have") +
                         " no category with choices and gave no procedure; to run each once with its messages, "
                         "plan with --every-path (\"Every path at least once\" in the criterion dialog)");
  if (r.gap() && r.allotted > 0)
    r.warnings.push_back(std::to_string(r.allotted - std::max(0L, r.useful())) + " of the " +
                         std::to_string(r.allotted) +
                         " test procedures allotted gave no useful procedure (the report says why)");
  // Why each leaf got what it got, when results focused the allotment.
  if (const std::shared_ptr<const Focus>& focus = s.settings.focus) {
    r.focus = "  allotted by weight x uncertainty (results " + focus->file + ")\n" +
              "    leaf                                   weight  run  failed  failure per use  allotted\n";
    const Tree& sel = s.TV(kSelectionTree);
    for (NodeId id : sel.collection()) {
      const Node& n = sel.node(id);
      if (n.children != 0 || n.parent == kNoNode || n.foreColor == kExcludedFore) continue;
      const std::string diagram(ElementKey(n.key).substr(0, kIdentifierLength));
      const auto it = focus->runs.find(diagram);
      const int runs = it == focus->runs.end() ? 0 : it->second.first;
      const int failures = it == focus->runs.end() ? 0 : it->second.second;
      char row[64];
      std::snprintf(row, sizeof row, "%7.4f %4d %7d  %15.3f %9d", LeggiTag(sel.tag(id)).weight, runs, failures,
                    (failures + 1.0) / (runs + 2.0), static_cast<int>(LeggiNTP(n.text)));
      r.focus += "    " + Cell(WithoutTrailingBlanks(EstraiNome(n.text)), 38) + row + "\n";
    }
    if (r.regression > 0 || !focus->failed.empty())
      r.focus += "    " + std::to_string(focus->failed.size()) + " failed procedures planned again with their ids" +
                 (r.regression > 0 ? " (" + std::to_string(r.regression) + " beyond the allotment)" : "") + "\n";
  }
  // The requirements of the selection that no procedure reaches.
  const Traceability trace = Trace(s);
  r.traceability = trace.text();
  for (std::string& w : trace.warnings()) r.warnings.push_back(std::move(w));
  return r;
}

Provenance ProvenanceOf(const PlanningSession& s) {
  Provenance p;
  p.program = std::string("zov (Zov Suite) ") + ZOV_VERSION;
  p.seed = s.seed();
  p.model = std::filesystem::path(s.work().filemdl).filename().string();
  if (const auto print = ModelFingerprint(s.work().filemdl)) {
    p.size = print->first;
    p.hash = FnvHex(print->second);
  }
  return p;
}

std::vector<std::string> Provenance::lines() const {
  return {"program " + program, "seed " + std::to_string(seed),
          "model " + std::to_string(size) + " " + (hash.empty() ? std::string("-") : hash) + " " + model};
}

}  // namespace zov
