// Which requirement each procedure of a plan verifies, and which
// requirements no procedure reaches, with why: the traceability matrix of
// the reports and the links the exports give the test management tools.
#pragma once

#include <string>
#include <vector>

namespace zov {

class PlanningSession;

struct TracedRequirement {
  std::string id, title;
  std::vector<std::string> useCases;   // the names of the use cases traced to it
  std::vector<std::string> testCases;  // "SD1", ... whose diagram carries it
  // Per test case above, the ids of its procedures (significant ones) that reach it.
  std::vector<std::vector<std::string>> procedures;
  double weight = 0;      // the share of the plan's usage weight its procedures carry
  bool selected = false;  // a use case or diagram traced to it is in the selection
  // Empty when reached; else "its use case has no scenario diagram", "not
  // in the selection", "no path got a procedure" or "no use case is traced
  // to it".
  std::string reason;
  long procedureCount() const;
};

struct Traceability {
  std::vector<TracedRequirement> requirements;
  // Per test case (SD number, from 1) the ids of the requirements it carries.
  std::vector<std::vector<std::string>> byTestCase;
  // One line per requirement of the selection that no procedure reaches,
  // naming it and why: what makes "zov plan --strict" exit 3.
  std::vector<std::string> warnings() const;
  // The matrix as text: a row per requirement with its test cases and
  // procedures, then the requirements not reached and why.
  std::string text() const;
  const std::vector<std::string>& ofTestCase(int number) const;
};

// The traceability of the session's last plan (with no generation yet,
// every requirement unreached).
Traceability Trace(const PlanningSession& session);

}  // namespace zov
