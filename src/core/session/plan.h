// Whole runs over the planning API, as the command line offers them: the
// selection a tester would make from the Main Tree's pop-up, a file of
// choices entered through the editors, and the plan of a model from the
// load to the scripts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export/exports.h"
#include "session/planning_session.h"
#include "session/session_file.h"

namespace zov {

// Nodes for "&Select Level" (key or path of names), the start and stop
// levels fixed first, and the criterion.
struct SelectionOptions {
  std::vector<std::string> nodes;
  std::optional<std::string> start, stop;
  Criterion criterion;
};
// Runs "Select ST&ART Node"/"Select ST&OP Node" and "&Select Level" on each
// node; the first refusal ends it.
Outcome SelectNodes(PlanningSession& p, const SelectionOptions& o);

// A file of choices:
//   category NODE        the parameter or message node (key or path)
//   choice VALUE         an own value of that category
//   invalid VALUE        an own value that must be refused (kept as "~VALUE")
//   property P1,P2       properties of the last value (parameters)
//   if S1,S2             if-selectors of the last value (parameters)
// Blank lines and lines starting with "#" are skipped; a UTF-8 byte order
// mark at the start is too. A category without choice lines takes its
// default values.
struct ChoicesFile {
  struct Category {
    std::string node;
    int line = 0;
    std::vector<ChosenValue> values;
  };
  std::string path;
  std::vector<Category> categories;
};
// Refused with "path:line: what is wrong" for a line that makes no sense.
Outcome ReadChoicesFile(const std::string& path, ChoicesFile& out);
// Enters every category through its editor and confirms it. Refused with
// "path:line: ..." for a category that cannot be edited or that holds fewer
// choices than given.
Outcome EnterChoices(PlanningSession& p, const ChoicesFile& file);

// "zov spec" after the load and the selection: the test cases picked (the
// given nodes, else every test case of the UIT tree), "&Processing...",
// then the choices. The outcome's warnings are the boxes "&Processing..."
// shows, its notes what it noted; refused at the first pick or category
// that fails.
Outcome RunSpec(PlanningSession& p, const std::vector<std::string>& pick, const std::optional<ChoicesFile>& choices);

// The plan of a model end to end: load; select (the given nodes, else every
// actor's whole branch from level 0 to the deepest level); "Loading from
// &ZOV tree" (or the given sources); every diagram test case picked;
// "&Processing..."; the choices, then every other category's defaults;
// "&All Test Cases".
struct PlanOptions {
  SelectionOptions selection;
  std::vector<TestCaseSource> sources = {TestCaseSource::kZov};
  std::optional<ChoicesFile> choices;
  // A requirements file (see PlanningSession::requirementsFile).
  std::optional<std::string> requirements;
  // What stays in the working folder: the documents and scripts (text),
  // procedures.csv, plan.json.
  Formats formats;
};
struct PlanResult {
  Outcome outcome;
  bool nothingToPlan = false;  // no actor reaches a use case
  int testCases = 0;           // test cases with paths
  // Without the paths' outcomes: the session's plan report has them.
  GenerationResult generation;
  long conflicts = 0;
  std::vector<std::string> warnings;  // warnings of the model, the load and the later steps
  // "4 test cases, 9 paths, 21 test procedures (0 insignificant), 13 files".
  std::string text(std::size_t files) const;
};
PlanResult RunPlan(PlanningSession& p, const std::string& model, const PlanOptions& o);

// What a plan run ends on: whether the plan is flawed (it warns, no actor
// reaches a use case, nothing was generated, or it gives fewer useful
// procedures than allotted; "zov plan --strict" exits 3 on it) and the
// warnings that say why beyond the report's.
struct PlanVerdict {
  bool flawed = false;
  std::vector<std::string> warnings;
};
PlanVerdict JudgePlan(const PlanningSession& p, bool nothingToPlan);
// The line a plan run ends on: "<model>: 4 test cases, 9 paths, ...", or
// that there was nothing to plan.
std::string PlanSummary(const std::string& model, const PlanResult& r, std::size_t files);

// "zov plan --session": the session file replayed through the window's
// operations (with the seed the session holds, unless keepSeed says the
// session's own seed was replaced), then the formats asked for written.
// said: the replay's report for the tester; stop: the model changed or
// decisions were left out, and that was not allowed.
struct SessionPlan {
  Outcome outcome;
  std::string said;
  bool stop = false;
  std::string summary;  // "<session>: N decisions replayed"
};
// The session's own formats are written unless formatsGiven.
SessionPlan PlanFromSession(PlanningSession& p, const std::string& session, bool seedGiven, const Formats& formats,
                            bool allowChanged, bool formatsGiven = false);

}  // namespace zov
