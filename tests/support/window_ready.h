// The program's state as the window leaves it at start-up: a planning
// session with a quiet busy box and a private working folder, and the
// window state on it, loaded. The files it creates go when it does.
#pragma once

#include "files/work_folder.h"
#include "window/generale.h"

namespace zov::test {

struct WindowReady {
  WindowReady() : work(*WorkFolder::CreatePrivate(nullptr)) {
    session.setWorkFolder(&work);
    g.setBusyBox(&busy);
    g.loadWindow();
  }
  ~WindowReady() {
    RimuoveFileCreati(work);
    RimuoveFileCreatiUIT(work);
  }
  WindowReady(const WindowReady&) = delete;
  WindowReady& operator=(const WindowReady&) = delete;

  QuietBusyBox busy;
  WorkFolder work;
  PlanningSession session;
  Generale g{session};
};

// What a load of path said when it failed; empty when it loaded.
inline std::string LoadError(PlanningSession& s, const std::string& path) {
  const Outcome o = s.openModel(path);
  return o ? std::string() : o.message;
}

}  // namespace zov::test
