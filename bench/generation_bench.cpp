// Test procedure generation: one path whose categories give 32,767
// combinations (7 x 31 x 151, the factors of 32,767; the values of the
// third category past its 101st are empty), all of them generated and
// written to a script file; a path of a million combinations from which
// 1,000 are drawn; and all of the million (a plan allots at most 32,767,
// so only a direct call can ask for them). The peak resident memory of the
// process is reported as a counter.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "generation/procedures.h"
#include "specification/category_editors.h"

namespace {

zov::TestCaseRecord Path(const std::vector<int>& radices) {
  zov::TestCaseRecord r;
  zov::MessageRecord m;
  m.name = "message";
  m.pathName = "1";
  for (std::size_t c = 0; c < radices.size(); ++c) {
    zov::AttributeRecord a;
    a.name = "p" + std::to_string(c);
    for (int v = 0; v < radices[c] && v < 101; ++v) {
      zov::ChoiceRecord* choice = a.choice(static_cast<std::size_t>(v));
      choice->value = "value " + std::to_string(v);
      choice->properties = {"busy"};
      choice->propertyCount = 1;
      choice->selectors = {"ready"};
      choice->selectorCount = 1;
    }
    a.choiceCount = static_cast<std::int16_t>(radices[c]);
    m.attributes.push_back(a);
  }
  m.attributeCount = static_cast<std::int16_t>(m.attributes.size());
  r.messages.push_back(m);
  return r;
}

void Generate(benchmark::State& state, const std::vector<int>& radices, std::int64_t n) {
  const zov::TestCaseRecord r = Path(radices);
  const zov::CategoryList c = zov::BuildCategories(r, 0, 0);
  zov::SeededRandom random(1);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("zov-generation-bench-" + std::to_string(::getpid()) + ".txt");
  long procedures = 0;
  for (auto _ : state) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    procedures = zov::GeneratePath(r, c, 1, "1", n, random, nullptr, out).procedures;
  }
  std::error_code ec;
  state.counters["combinations"] = static_cast<double>(c.T);
  state.counters["procedures"] = static_cast<double>(procedures);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file, ec)) / 1e6;
  std::filesystem::remove(file, ec);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_GenerateAll32767(benchmark::State& s) { Generate(s, {7, 31, 151}, 32767); }
void BM_Generate1000OfAMillion(benchmark::State& s) { Generate(s, {100, 100, 100}, 1000); }
void BM_GenerateAllOfAMillion(benchmark::State& s) { Generate(s, {100, 100, 100}, 1000000); }

BENCHMARK(BM_GenerateAll32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate1000OfAMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateAllOfAMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
