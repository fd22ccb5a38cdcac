// Reading speed of the XMI reader (pugixml and the model mapping), warm: on
// the largest shared real XMI file and on a synthetic model of about 50 MB.
// The cold figure, a first load in a fresh process, comes from zov_xmi_load.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/xmi_model.h"
#include "xmi_synthetic.h"

namespace {

void Load(benchmark::State& state, const std::string& text, const std::string& name) {
  for (auto _ : state) {
    zov::XmiModel m;
    std::string error;
    const zov::Handle root = m.OpenText(text, name, &error);
    if (!root) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(m.ElementCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void BM_XmiLargestShared(benchmark::State& state) {
  // The largest XMI file of the shared folder.
  std::string largest;
  std::error_code ec;
  std::uintmax_t size = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::string(ZOV_SHARED_MODELS_DIR) + "/xmi", ec)) {
    const auto ext = e.path().extension();
    if ((ext == ".xmi" || ext == ".uml") && e.file_size() > size) {
      size = e.file_size();
      largest = e.path().string();
    }
  }
  if (largest.empty()) {
    state.SkipWithError("no shared XMI files");
    return;
  }
  std::ifstream in(largest, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  Load(state, s.str(), largest);
}
BENCHMARK(BM_XmiLargestShared)->Unit(benchmark::kMillisecond);

void BM_XmiSynthetic50MB(benchmark::State& state) {
  static const std::string text = zov::bench::SyntheticXmi(50u * 1024 * 1024);
  Load(state, text, "synthetic.uml");
}
BENCHMARK(BM_XmiSynthetic50MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
