// The runs the command line offers, whole: what a run refuses before it
// starts, the folders it writes into, what it says on the way, and the
// status it ends with. A front end reads its options into a request, hands
// over a session set up with its settings, and prints what it is told.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/plan.h"

namespace zov {

// How a run ended: its exit status.
enum class RunStatus { kOk = 0, kFailure = 1, kUsage = 2, kFlawed = 3 };

// Where a run's messages go: said (failures, the plan report, the sum of
// weights) and warned (what the tester should look at).
struct RunVoice {
  std::function<void(const std::string&)> say;
  std::function<void(const std::string&)> warn;
};

// "load", "tree" and "spec": the model loaded into a working folder (a
// folder given, else one in memory), then for tree and spec the selection
// and the UIT sources, and for spec the test cases picked, "&Processing..."
// and the choices.
struct LoadRequest {
  enum class Kind { kLoad, kTree, kSpec } kind = Kind::kLoad;
  std::string model;
  std::optional<std::string> work;  // the folder that keeps the working files
  SelectionOptions selection;
  std::vector<TestCaseSource> sources;
  std::vector<std::string> pick;
  std::optional<std::string> choices;  // a choices file
};
// The line printed after a load ("MODEL: summary"), empty for tree and spec.
struct LoadResult {
  RunStatus status = RunStatus::kOk;
  std::string printed;
};
LoadResult RunLoad(PlanningSession& p, const LoadRequest& r, const RunVoice& voice);

// "plan": a model planned end to end, or a session replayed, into a folder
// that gets the whole plan or keeps what it had (a staging folder, a lock,
// the move into place with signals held).
struct PlanRequest {
  std::string model;
  std::optional<std::string> session, saveSession, keep, out, templateFile, choices;
  std::optional<std::string> focus;  // a results.json: allot by uncertainty, plan failed procedures again
  std::optional<unsigned> seed;
  Strength strength;
  bool strengthGiven = false;  // strength or its fill typed: an earlier plan's is not taken
  bool formatsGiven = false;   // --format typed: a session's own formats are not taken
  bool allowChanged = false, quiet = false, strict = false, stableNames = false;
  bool everyPath = false;  // a path without choices gets one procedure
  PlanOptions plan;        // selection, sources (empty: the default), formats
};
// The line printed at the end: "<model>: 4 test cases, ... in DIR".
struct PlanRunResult {
  RunStatus status = RunStatus::kOk;
  std::string printed;
};
PlanRunResult RunPlanCommand(PlanningSession& p, const PlanRequest& r, const RunVoice& voice);

// "results": the verdicts of result files (JUnit XML, TestRail or Xray CSV
// exports, a CSV of id,verdict) recorded in the plan folder's results.json,
// beside the plan, with the reliability they estimate; the plan's own files
// stay as they are. A file that cannot be read records nothing.
struct ResultsRequest {
  std::string dir;
  std::vector<std::string> files;
  bool html = false;  // also the Results section of the folder's report.html
};
PlanRunResult RunResultsCommand(const ResultsRequest& r, const RunVoice& voice);

}  // namespace zov
