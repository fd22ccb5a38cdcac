// "&Undo" after a whole plan of each shared model and of the examples: the
// state of the load comes back and every decision of the plan is replayed
// (documents and scripts written again), which must stay under half a
// second. Also the copy of the load's trees the window keeps for it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "session/plan.h"
#include "session/planning_session.h"
#include "support/window_ready.h"

namespace fs = std::filesystem;

namespace {

// The examples, the shared models, and the model named by ZOV_BENCH_MODEL
// when it is set (a large one of gen_model.py).
std::vector<std::string> Models() {
  std::vector<std::string> found = {std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl",
                                    std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl"};
  if (const char* extra = std::getenv("ZOV_BENCH_MODEL"); extra != nullptr && *extra != '\0') found.push_back(extra);
  if (fs::is_directory(ZOV_SHARED_MODELS_DIR))
    for (const auto& e : fs::recursive_directory_iterator(ZOV_SHARED_MODELS_DIR)) {
      const std::string ext = e.path().extension().string();
      if (e.is_regular_file() && (ext == ".mdl" || ext == ".cat" || ext == ".xmi" || ext == ".uml"))
        found.push_back(e.path().string());
    }
  return found;
}

void UndoAfterPlan(benchmark::State& state, const std::string& model) {
  zov::test::WindowReady ready;
  zov::PlanningSession& p = ready.session;
  p.setUndoable(true);
  p.setSeed(1);
  // Every source of test cases, so that models no actor reaches plan too.
  zov::PlanOptions o;
  o.sources = {zov::TestCaseSource::kZov, zov::TestCaseSource::kAllDiagrams, zov::TestCaseSource::kNotLinked};
  zov::RunPlan(p, model, o);
  state.counters["decisions"] = static_cast<double>(p.decisions().size());
  state.counters["nodes"] = p.TV(zov::kMainTree).count();
  for (auto _ : state) {
    state.PauseTiming();
    p.setStrength({p.strength().t == 2 ? 1 : 2, false});
    state.ResumeTiming();
    benchmark::DoNotOptimize(p.undo());
  }
}

const bool kRegistered = [] {
  for (const std::string& m : Models())
    benchmark::RegisterBenchmark(("BM_UndoAfterPlan/" + fs::path(m).filename().string()).c_str(), UndoAfterPlan, m)
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
