// Where to test next: the budget of a new plan allotted by each leaf's
// weight times what its verdicts leave uncertain, and every failed
// procedure planned again with its id (a regression run).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "session/earlier_plan.h"

namespace zov {

struct Focus {
  std::string file;  // the results.json, as named
  // Runs and failures per diagram (identifier), of the procedures not stale.
  std::unordered_map<std::string, std::pair<int, int>> runs;
  std::unordered_set<std::string> failed;  // the ids of the failed procedures
  // The plan the results were recorded against (its plan.json beside them).
  std::shared_ptr<const EarlierPlan> plan;
  // A leaf's share of the posterior variance of its failure probability:
  // p (1 - p) / (n + 3), p = (f + 1) / (n + 2); untested: 1/12.
  double uncertainty(std::string_view diagram) const;
};
double Uncertainty(int runs, int failures);

// Reads a results.json and the plan.json beside it; nullptr with *error
// ("PATH: why") when either cannot be read.
std::shared_ptr<const Focus> ReadFocus(const std::string& resultsPath, std::string* error);

// The earlier plan a focused plan keeps procedures from: the given one
// (--keep) or else the plan the results were recorded against, the failed
// procedures marked to be planned again whatever the allotment; without
// --keep only those.
std::shared_ptr<const EarlierPlan> RegressionPlan(const Focus& focus, std::shared_ptr<const EarlierPlan> keep);

}  // namespace zov
