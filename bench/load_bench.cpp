// The whole model load (link lines, link analysis, weights, Design Tree,
// not-linked tree, branch copies and level markers) on the largest shared
// real model and on synthetic use-case models of growing size.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "app/caricamento.h"
#include "app/generale.h"
#include "model/work_folder.h"
#include "support/modello_sintetico.h"

namespace fs = std::filesystem;

namespace {

// useCases use cases in include chains of ten, under actors that own ten
// chains each; every fifth chain is also reached from the next actor, so
// the load makes links and copies their branches. Each use case has a
// documented sequence diagram and a collaboration diagram.
std::string Synthetic(int useCases) {
  zov::test::ModelloSintetico m;
  constexpr int kChain = 10;
  const int chains = useCases / kChain;
  const int actors = std::max(2, chains / 10);
  std::vector<std::string> actorIds;
  for (int a = 0; a < actors; ++a) actorIds.push_back(m.actor("Actor " + std::to_string(a)));
  for (int c = 0; c < chains; ++c) {
    std::string previous;
    for (int i = 0; i < kChain; ++i) {
      const int n = c * kChain + i;
      const std::string u = m.useCase("Use case " + std::to_string(n), "WGH=" + std::to_string(1 + n % 7) + " step");
      m.diagram(u, "Flow " + std::to_string(n), "WGH=3 main");
      m.diagram(u, "Collaboration " + std::to_string(n), "", false);
      if (previous.empty()) {
        m.association(actorIds[static_cast<std::size_t>(c % actors)], u);
        if (c % 5 == 0) m.association(actorIds[static_cast<std::size_t>((c + 1) % actors)], u);
      } else {
        m.include(previous, u);
      }
      previous = u;
    }
  }
  return m.petal();
}

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
    std::ofstream(path, std::ios::binary) << Synthetic(useCases);
  }
  return path;
}

void Load(benchmark::State& state, const std::string& path) {
  auto work = zov::WorkFolder::CreatePrivate(nullptr);
  int nodes = 0;
  for (auto _ : state) {
    zov::Generale g;
    zov::QuietBusyBox busy;
    g.setBusyBox(&busy);
    g.setWorkFolder(&*work);
    const std::string error = zov::CaricaModello(g, path);
    if (!error.empty()) state.SkipWithError(error.c_str());
    nodes = g.TV(zov::kMainTree).count();
  }
  state.counters["main_tree_nodes"] = nodes;
  zov::RimuoveFileCreati(*work);
}

void BM_LoadLargestRealModel(benchmark::State& state) {
  Load(state, std::string(ZOV_SHARED_MODELS_DIR) + "/crazybeans/project.mdl");
}
void BM_LoadSynthetic(benchmark::State& state) {
  Load(state, ModelFile(static_cast<int>(state.range(0))));
  state.counters["use_cases"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_LoadLargestRealModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSynthetic)->Arg(500)->Arg(1000)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
