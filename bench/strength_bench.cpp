// The pairwise covering of a path's categories: rows and time of the
// generation alone, on the category sets bench/pairwise_compare.py gives
// python3-allpairspy.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <vector>

#include "generation/random_source.h"
#include "generation/strength.h"

namespace {

std::vector<int> Classic61() {
  std::vector<int> sizes(15, 4);
  sizes.insert(sizes.end(), 17, 3);
  sizes.insert(sizes.end(), 29, 2);
  return sizes;
}

const std::vector<std::vector<int>>& Sets() {
  static const std::vector<std::vector<int>> sets = {
      {3, 3, 3, 3},
      std::vector<int>(13, 3),
      std::vector<int>(20, 2),
      {10, 10, 10, 10, 10},
      {5, 5, 4, 4, 4, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2},
      {4, 5, 6, 4, 6, 6},  // path 1.1 of the ATM example
      Classic61(),         // 4^15 3^17 2^29: more combinations than 64 bits hold
      {5, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2},
  };
  return sets;
}

// Rows and time of a covering of strength t, over the seeds run.
void Covering(benchmark::State& state, const std::vector<int>& sizes, int t) {
  long rows = 0, most = 0, runs = 0;
  unsigned seed = 1;
  for (auto _ : state) {
    zov::SeededRandom random(seed++);
    const long n = zov::Cover(sizes, t, -1, nullptr, random).needed;
    benchmark::DoNotOptimize(n);
    rows += n;
    most = std::max(most, n);
    ++runs;
  }
  // Over the seeds run: the rows on average, and the most.
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(std::max(runs, 1L));
  state.counters["most"] = static_cast<double>(most);
}

void BM_Pairwise(benchmark::State& state) { Covering(state, Sets()[static_cast<std::size_t>(state.range(0))], 2); }

// 3-wise, on the sets whose best known sizes bench/README.md cites.
const std::vector<std::vector<int>>& ThreeWiseSets() {
  static const std::vector<std::vector<int>> sets = {std::vector<int>(4, 3),
                                                     std::vector<int>(6, 3),
                                                     std::vector<int>(6, 4),
                                                     std::vector<int>(10, 2),
                                                     {5, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2}};
  return sets;
}
void BM_ThreeWise(benchmark::State& state) {
  Covering(state, ThreeWiseSets()[static_cast<std::size_t>(state.range(0))], 3);
}
BENCHMARK(BM_ThreeWise)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_Pairwise)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace
