// zov_load_cold FILE: loads a model once in this fresh process, as the
// window's "Load MDL File" does (link analysis, weights, Design Tree,
// not-linked tree, branch copies), and prints the seconds it took and the
// size of the Main Tree. The working files go to a private folder under
// $TMPDIR, removed at the end.
#include <chrono>
#include <cstdio>
#include <string>

#include "app/load_messages.h"
#include "app/planning_session.h"
#include "model/work_folder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zov_load_cold FILE\n");
    return 2;
  }
  std::string error;
  auto work = zov::WorkFolder::CreatePrivate(&error);
  if (!work) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  int nodes = 0;
  double seconds = 0;
  {
    zov::PlanningSession g;
    zov::QuietBusyBox busy;
    g.setBusyBox(&busy);
    g.setWorkFolder(&*work);
    const auto start = std::chrono::steady_clock::now();
    error = g.openModel(argv[1]).message;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    nodes = g.TV(zov::kMainTree).count();
  }
  zov::RimuoveFileCreati(*work);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("%s: cold load %.3f s, %d Main Tree nodes\n", argv[1], seconds, nodes);
  return 0;
}
