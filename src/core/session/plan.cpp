#include "session/plan.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "files/input_file.h"
#include "files/text_encoding.h"
#include "files/work_folder.h"
#include "model/model_source.h"
#include "selection/selection.h"
#include "tree/kinds.h"

namespace zov {

Outcome SelectNodes(PlanningSession& p, const SelectionOptions& o) {
  if (o.start && o.stop)
    if (Outcome e = p.startStop(*o.start, *o.stop); !e) return e;
  return p.selectLevels(o.nodes, o.criterion);
}

// A choices file holds a few thousand lines at the most.
constexpr std::uintmax_t kMaxChoicesFileBytes = std::uintmax_t{64} << 20;

Outcome ReadChoicesFile(const std::string& path, ChoicesFile& out) {
  out = ChoicesFile{path, {}};
  std::string error;
  const std::optional<std::string> text = ReadInputFile(path, kMaxChoicesFileBytes, &error);
  if (!text) return Outcome::Refused(Printable(error));
  std::istringstream in(*text);
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (n == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line.erase(0, first);
    const std::size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    // What the file holds is shown without its control characters.
    const auto fail = [&](const std::string& what) {
      return Outcome::Refused(path + ":" + std::to_string(n) + ": " + Printable(what));
    };
    if (!IsUtf8(line)) return fail("the line is not UTF-8 text; save the file as UTF-8");
    if (word == "category") {
      if (rest.empty()) return fail("'category' needs a node");
      out.categories.push_back({rest, n, {}});
    } else if (word == "choice" || word == "invalid") {
      if (out.categories.empty()) return fail("'" + word + "' before any 'category'");
      out.categories.back().values.push_back({(word == "invalid" ? std::string(kInvalidMark) : "") + rest, {}, {}});
    } else if (word == "property" || word == "if") {
      if (out.categories.empty() || out.categories.back().values.empty())
        return fail("'" + word + "' before any 'choice'");
      ChosenValue& v = out.categories.back().values.back();
      (word == "property" ? v.properties : v.selectors) = rest;
    } else {
      return fail("expected 'category', 'choice', 'invalid', 'property' or 'if', found '" + word + "'");
    }
  }
  return {};
}

Outcome EnterChoices(PlanningSession& p, const ChoicesFile& file) {
  for (const ChoicesFile::Category& c : file.categories) {
    const std::string at = file.path + ":" + std::to_string(c.line) + ": ";
    if (Outcome e = p.openCategory(c.node); !e) return Outcome::Refused(at + Printable(e.message));
    int leftOut = 0;
    for (const ChosenValue& v : c.values)
      if (!p.addValue(v.value, v.properties, v.selectors)) ++leftOut;
    p.confirmCategory();
    if (leftOut > 0)
      return Outcome::Refused(at + "'" + Printable(c.node) + "' holds at most " + std::to_string(kMaxChoices) +
                              " choices: " + std::to_string(leftOut) + " of its values were left out");
  }
  return {};
}

namespace {

constexpr std::size_t kConflictsSaid = 10;

// What to change when a UIT source gave no test case.
std::string NothingFrom(TestCaseSource s) {
  switch (s) {
    case TestCaseSource::kZov:
      return "--uit zov gave no new test case: no leaf of the selection has a sequence or collaboration diagram; "
             "select "
             "other use cases, or take the test cases from another source (--uit design, notlinked or all)";
    case TestCaseSource::kDesignTree:
      return "--uit design gave no new test case: the Design Tree has no scenario diagram; use --uit zov or all";
    case TestCaseSource::kNotLinked:
      return "--uit notlinked gave no new test case: no scenario diagram is outside the use-case relations; use --uit "
             "zov "
             "or all";
    case TestCaseSource::kAllDiagrams:
      return "--uit all gave no new test case: no package owns a scenario diagram; use --uit zov";
  }
  return {};
}

// Every actor's whole branch: start at the first actor with use cases, stop
// at the deepest node, "&Select Level" below each actor.
bool WholeSelection(const Tree& t, SelectionOptions& o) {
  NodeId firstActor = kNoNode, deepest = kNoNode;
  int deepestLevel = -1;
  for (NodeId id : t.collection()) {
    const Node& n = t.node(id);
    if (n.image == kind::kRose) continue;
    if (n.parent == kNoNode && n.children > 0 && firstActor == kNoNode) firstActor = id;
    const int level = Level(t, id);
    if (level > deepestLevel) {
      deepestLevel = level;
      deepest = id;
    }
  }
  if (firstActor == kNoNode) return false;
  o.start = t.node(firstActor).key;
  o.stop = t.node(deepest).key;
  for (NodeId a = t.firstRoot(); a != kNoNode; a = t.node(a).next)
    if (t.node(a).image != kind::kRose && t.node(a).children > 0) o.nodes.emplace_back(t.node(t.node(a).child).key);
  return true;
}

}  // namespace

std::string PlanResult::text(std::size_t files) const {
  const auto plural = [](long n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); };
  return plural(testCases, "test case") + ", " + plural(generation.paths, "path") + ", " +
         plural(generation.procedures, "test procedure") + " (" + std::to_string(generation.insignificant) +
         " insignificant" + (generation.negative > 0 ? ", " + std::to_string(generation.negative) + " negative" : "") +
         "), " + plural(static_cast<long>(files), "file");
}

PlanResult RunPlan(PlanningSession& p, const std::string& model, const PlanOptions& o) {
  PlanResult r;
  r.outcome = p.openModel(model);
  if (!r.outcome) return r;
  r.warnings = r.outcome.warnings;
  if (o.requirements) {
    const Outcome linked = p.requirementsFile(*o.requirements);
    if (!linked) {
      r.outcome = linked;
      return r;
    }
    r.warnings.insert(r.warnings.end(), linked.warnings.begin(), linked.warnings.end());
  }
  const std::size_t loadProblems = p.work().problems.size();
  [&] {
    // Without an actor the selection gives no test case; the other sources
    // of the UIT tree still may.
    SelectionOptions selection = o.selection;
    const bool soloZov =
        std::all_of(o.sources.begin(), o.sources.end(), [](TestCaseSource s) { return s == TestCaseSource::kZov; });
    if (selection.nodes.empty() && !selection.start && !WholeSelection(p.TV(kMainTree), selection) && soloZov) {
      r.nothingToPlan = true;
      return;
    }
    if (r.outcome = SelectNodes(p, selection); !r.outcome) return;
    std::vector<std::string> fromSources;
    for (TestCaseSource s : o.sources) {
      const int before = p.TV(kUitTree).count();
      p.loadTestCases(s);
      if (p.TV(kUitTree).count() == before) fromSources.push_back(NothingFrom(s));
    }
    p.pickAll();
    p.dropUnread(PlanningSession::Unread::kOncePicked);
    const Outcome processed = p.process();
    p.dropUnread(PlanningSession::Unread::kOnceProcessed);
    r.warnings.insert(r.warnings.end(), processed.warnings.begin(), processed.warnings.end());
    r.warnings.insert(r.warnings.end(), processed.notes.begin(), processed.notes.end());
    if (o.choices)
      if (r.outcome = EnterChoices(p, *o.choices); !r.outcome) return;
    // Nothing is edited after this. A session that can step back replays
    // its decisions to the same trees, value nodes and all; another one
    // shows no tree and keeps the choices in the table alone.
    p.confirmDefaults(p.undoable() ? PlanningSession::ChoiceNodes::kMade : PlanningSession::ChoiceNodes::kNotMade);
    p.dropUnread(PlanningSession::Unread::kOnceConfirmed);
    PlanningSession::Generated g = p.generate();
    r.generation = std::move(g.result);
    // Each path's figures are in the session's plan report; the list goes
    // before the report and the files are written, where a large plan
    // holds the most.
    std::vector<PathOutcome>().swap(r.generation.outcomes);
    r.conflicts = static_cast<long>(g.conflicts.size());
    // The conflicts, the first few of them: the scripts mark every one.
    for (std::size_t i = 0; i < g.conflicts.size() && i < kConflictsSaid; ++i) r.warnings.push_back(g.conflicts[i]);
    if (g.conflicts.size() > kConflictsSaid)
      r.warnings.push_back("... and " + std::to_string(g.conflicts.size() - kConflictsSaid) +
                           " more conflicts (the scripts mark each as \"Conflicting values choices\")");
    p.addReportWarnings(fromSources);
    r.outcome = KeepFormats(p, o.formats);
    for (int i = 1; i <= p.work().specification.table.count(); ++i)
      if (p.work().specification.table.testCase(i)->pathCount > 0) ++r.testCases;
  }();
  // What the later steps warned of.
  for (std::size_t i = loadProblems; i < p.work().problems.size(); ++i) r.warnings.push_back(p.work().problems[i]);
  return r;
}

Outcome RunSpec(PlanningSession& p, const std::vector<std::string>& pick, const std::optional<ChoicesFile>& choices) {
  if (pick.empty()) p.pickAll(false);
  for (const std::string& node : pick)
    if (Outcome e = p.pick(node); !e) return e;
  Outcome processed = p.process();
  if (choices)
    if (Outcome e = EnterChoices(p, *choices); !e) return e;
  return processed;
}

PlanVerdict JudgePlan(const PlanningSession& p, bool nothingToPlan) {
  PlanVerdict v;
  if (nothingToPlan) {
    v.flawed = true;
    v.warnings.push_back("no actor reaches a use case: give the model actors associated with use cases");
  } else if (const std::optional<PlanReport>& report = p.work().planReport) {
    v.flawed = !report->warnings.empty() || report->gap();
  } else {
    v.flawed = true;
    v.warnings.push_back("no test procedure was generated: the plan has no report");
  }
  return v;
}

std::string PlanSummary(const std::string& model, const PlanResult& r, std::size_t files) {
  return r.nothingToPlan ? model + ": no actor reaches a use case: nothing to plan" : model + ": " + r.text(files);
}

SessionPlan PlanFromSession(PlanningSession& p, const std::string& session, bool seedGiven, const Formats& formats,
                            bool allowChanged, bool formatsGiven) {
  SessionPlan r;
  const unsigned seed = p.seed();
  const SessionReport rep = LoadSession(p, session, seedGiven ? &seed : nullptr);
  if (!rep.outcome) {
    r.outcome = rep.outcome;
    return r;
  }
  r.said = rep.text();
  // The formats the session was planned in, unless others were asked for.
  Formats f = formats;
  if (!formatsGiven && !p.settings.formats.empty()) ParseFormats(p.settings.formats, f);
  if (Outcome e = KeepFormats(p, f); !e) {
    r.outcome = e;
    return r;
  }
  r.stop = (rep.modelChanged || !rep.leftOut.empty()) && !allowChanged;
  r.summary = session + ": " + std::to_string(p.decisions().size()) + " decisions replayed";
  return r;
}

}  // namespace zov
