// Session files (".zov"): the tester's decisions in the order made, with
// the model they were made on and the seed of the random numbers, so that
// loading one replays the work on a fresh load of the model.
#pragma once

#include <string>
#include <vector>

#include "session/planning_session.h"

namespace zov {

inline constexpr const char* kSessionFilter = "Zov sessions (*.zov)| *.zov";

// The session as JSON; the model's path is written
// relative to the session file's folder where it lies below it.
std::string SessionText(const PlanningSession& session, const std::string& sessionPath);
// Whether a session may be written to sessionPath: refused when it is a
// link, not a regular file, or a file that is no session of ours.
Outcome SessionWritable(const std::string& sessionPath);
// Writes it; refused with the reason when the file cannot be written.
Outcome SaveSession(const PlanningSession& session, const std::string& sessionPath);

// One decision taken again through the operation that made it, as the
// replay of a session file takes it: empty when it was, else why not.
std::string ReplayDecision(PlanningSession& s, const Decision& d);
// A decision as the status bar names it, after the menus: "Processing",
// "weight of "Customer/Pay" set to 0.3".
std::string DescribeDecision(const Decision& d);

// What loading a session did: refused (a file that is no session, a model
// that cannot be read), or done, with the decisions that no longer match
// the model (an element gone or renamed, a category without that
// parameter), one line each.
struct SessionReport {
  Outcome outcome;
  bool modelChanged = false;  // the model file is not the one saved with
  std::vector<std::string> leftOut;
  // The report the tester reads: empty when everything was replayed.
  std::string text() const;
};
// Loads the model of the session (seed given: instead of the session's)
// and replays every decision through the same operations the window uses.
SessionReport LoadSession(PlanningSession& session, const std::string& sessionPath, const unsigned* seed = nullptr);

}  // namespace zov
