// Replaying a session whose decisions edit one category again and again:
// the cost must follow the decisions, not the nodes ever made and removed.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "session/plan.h"
#include "session/session_file.h"
#include "support/window_ready.h"
#include "window/generale.h"

namespace fs = std::filesystem;

namespace {

// A plan of the Lending example with its choices, saved as a session whose
// first category decision is then repeated n times.
std::string Session(int n) {
  const fs::path dir = fs::temp_directory_path() / ("zov-bench-session-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / ("repeated-" + std::to_string(n) + ".zov")).string();
  zov::test::WindowReady ready;
  zov::PlanningSession& p = ready.session;
  zov::PlanOptions o;
  o.choices.emplace();
  zov::ReadChoicesFile(std::string(ZOV_EXAMPLES_DIR) + "/../tests/data/lending-choices.txt", *o.choices);
  zov::RunPlan(p, std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl", o);
  nlohmann::json s = nlohmann::json::parse(zov::SessionText(p, file));
  nlohmann::json& decisions = s["decisions"];
  for (std::size_t i = 0; i < decisions.size(); ++i)
    if (decisions[i]["op"] == "category") {
      const nlohmann::json category = decisions[i];
      decisions.insert(decisions.begin() + static_cast<std::ptrdiff_t>(i) + 1, static_cast<std::size_t>(n), category);
      break;
    }
  std::ofstream(file) << s.dump();
  return file;
}

void BM_ReplayRepeatedCategoryDecisions(benchmark::State& state) {
  const std::string file = Session(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    zov::test::WindowReady ready;
    const auto report = zov::LoadSession(ready.session, file);
    if (!report.outcome) state.SkipWithError(report.outcome.message.c_str());
  }
  fs::remove_all(fs::path(file).parent_path());
}
BENCHMARK(BM_ReplayRepeatedCategoryDecisions)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
