// zov_load_cold FILE: loads a model once in this fresh process, as the
// window's "Load MDL File" does (link analysis, weights, Design Tree,
// not-linked tree, branch copies), and prints the seconds it took and the
// size of the Main Tree. The load works in memory.
#include <chrono>
#include <cstdio>
#include <string>

#include "session/planning_session.h"
#include "window/load_messages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zov_load_cold FILE\n");
    return 2;
  }
  std::string error;
  int nodes = 0;
  double seconds = 0;
  {
    zov::PlanningSession g;
    zov::QuietBusyBox busy;
    g.setBusyBox(&busy);
    const auto start = std::chrono::steady_clock::now();
    error = g.openModel(argv[1]).message;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    nodes = g.TV(zov::kMainTree).count();
  }
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("%s: cold load %.3f s, %d Main Tree nodes\n", argv[1], seconds, nodes);
  return 0;
}
