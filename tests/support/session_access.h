// Tests that set up a state no operation reaches on its own (a record of
// the test case table changed by hand) write the session's work here.
#pragma once

#include "session/planning_session.h"

namespace zov {

struct SessionTestAccess {
  static Work& work(PlanningSession& s) { return s.work_; }
};

namespace test {
inline Work& MutableWork(PlanningSession& s) { return SessionTestAccess::work(s); }
}  // namespace test

}  // namespace zov
