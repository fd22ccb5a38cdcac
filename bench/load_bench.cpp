// The whole model load (link lines, link analysis, weights, Design Tree,
// not-linked tree, branch copies and level markers) on the largest shared
// real model and on synthetic use-case models of growing size; and the
// plan of a synthetic model end to end, as "zov plan" makes it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "files/work_folder.h"
#include "large_model.h"
#include "session/plan.h"
#include "session/planning_session.h"
#include "session/scripted_asker.h"
#include "window/load_messages.h"

namespace fs = std::filesystem;

namespace {

// A model file written once per size and removed at exit.
const std::string& ModelFile(int useCases) {
  struct Files {
    std::map<int, std::string> paths;
    ~Files() {
      for (const auto& [n, p] : paths) fs::remove(p);
    }
  };
  static Files files;
  auto& path = files.paths[useCases];
  if (path.empty()) {
    path = (fs::temp_directory_path() /
            ("zov-bench-" + std::to_string(::getpid()) + "-" + std::to_string(useCases) + ".mdl"))
               .string();
    std::ofstream(path, std::ios::binary) << zov::bench::LargeModel(useCases);
  }
  return path;
}

// The load works in memory: no folder.
void Load(benchmark::State& state, const std::string& path) {
  int nodes = 0;
  for (auto _ : state) {
    zov::PlanningSession g;
    zov::QuietBusyBox busy;
    g.setBusyBox(&busy);
    const zov::Outcome loaded = g.openModel(path);
    if (!loaded) state.SkipWithError(loaded.message.c_str());
    nodes = g.TV(zov::kMainTree).count();
  }
  state.counters["main_tree_nodes"] = nodes;
}

void BM_LoadLargestRealModel(benchmark::State& state) {
  Load(state, std::string(ZOV_SHARED_MODELS_DIR) + "/crazybeans/project.mdl");
}
void BM_LoadSynthetic(benchmark::State& state) {
  Load(state, ModelFile(static_cast<int>(state.range(0))));
  state.counters["use_cases"] = static_cast<double>(state.range(0));
}

// "zov plan MODEL": every actor's whole branch selected, 500 test
// procedures, the text documents and scripts written to a private folder
// below $TMPDIR (bench/cold.sh compares a disk folder with tmpfs).
void BM_PlanSynthetic(benchmark::State& state) {
  const std::string& path = ModelFile(static_cast<int>(state.range(0)));
  zov::PlanResult result;
  std::size_t files = 0;
  for (auto _ : state) {
    auto work = zov::WorkFolder::CreatePrivate(nullptr);
    zov::PlanningSession p;
    zov::QuietBusyBox busy;
    p.setBusyBox(&busy);
    p.setWorkFolder(&*work);
    result = zov::RunPlan(p, path, zov::PlanOptions{});
    if (!result.outcome) state.SkipWithError(result.outcome.message.c_str());
    files = work->files(zov::CreatedList::kScripts).size();
  }
  state.counters["test_cases"] = result.testCases;
  state.counters["files"] = static_cast<double>(files);
  state.counters["use_cases"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_LoadLargestRealModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSynthetic)->Arg(500)->Arg(5000)->Arg(20000)->Arg(50000)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PlanSynthetic)->Arg(500)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
