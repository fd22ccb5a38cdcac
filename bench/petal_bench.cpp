// Reading speed of the petal reader: the parser alone, and parser plus the
// model mapping, on the largest shared real model and on a synthetic model
// of about 24 MB.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "model/petal_model.h"
#include "model/petal_parser.h"
#include "petal_synthetic.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string& Synthetic() {
  static const std::string text = zov::bench::SyntheticPetal(24u * 1024 * 1024);
  return text;
}

void Parse(benchmark::State& state, const std::string& text, std::size_t halvesFrom = zov::petal::kHalvesFrom) {
  for (auto _ : state) {
    zov::petal::ParseError error;
    auto doc = zov::petal::Parse(text, "bench.mdl", &error, halvesFrom);
    if (!doc) state.SkipWithError(error.format().c_str());
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void ParseAndMap(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    zov::PetalModel model;
    std::string error;
    if (!model.OpenText(text, "/nonexistent/bench.mdl", &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(model.ElementCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

const std::string& Largest() {
  static const std::string text = ReadFile(std::string(ZOV_SHARED_MODELS_DIR) + "/crazybeans/project.mdl");
  return text;
}

void BM_ParseLargestRealModel(benchmark::State& s) { Parse(s, Largest()); }
void BM_ParseAndMapLargestRealModel(benchmark::State& s) { ParseAndMap(s, Largest()); }
void BM_ParseSynthetic24MB(benchmark::State& s) { Parse(s, Synthetic()); }
void BM_ParseAndMapSynthetic24MB(benchmark::State& s) { ParseAndMap(s, Synthetic()); }
// The same text on one thread: what the parse in two halves gains.
void BM_ParseSynthetic24MBOneThread(benchmark::State& s) { Parse(s, Synthetic(), SIZE_MAX); }

BENCHMARK(BM_ParseLargestRealModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndMapLargestRealModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSynthetic24MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseAndMapSynthetic24MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSynthetic24MBOneThread)->Unit(benchmark::kMillisecond);

}  // namespace
