// Hot paths of the tree store: adding keyed nodes, the 12-character
// presence test, collection access by index and the tag codec.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tree/tag.h"
#include "tree/tree.h"

namespace {

std::string Identifier(int i) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%012llX", 0x3AC03B960000ULL + static_cast<unsigned long long>(i));
  return buffer;
}

void Fill(zov::Tree& t, int n) {
  t.addTop("ROOT", "root", "rose");
  for (int i = 0; i < n; ++i) {
    const std::string id = Identifier(i);
    t.addChild(i % 2 ? "ROOT" : (i > 1 ? Identifier(i - 2) : std::string("ROOT")), id, id, "usecase");
    if (i % 3 == 0) t.addChild(id, id + "ACTOR" + std::to_string(i), id, "continua");
  }
}

void BM_AddNodes(benchmark::State& state) {
  for (auto _ : state) {
    zov::Tree t;
    Fill(t, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(t.count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddNodes)->Arg(10000)->Arg(100000);

void BM_IsPresent(benchmark::State& state) {
  zov::Tree t;
  Fill(t, static_cast<int>(state.range(0)));
  std::vector<std::string> probes;
  for (int i = 0; i < 1024; ++i) probes.push_back(Identifier(i * 7919 % (2 * static_cast<int>(state.range(0)))));
  std::size_t k = 0;
  for (auto _ : state) benchmark::DoNotOptimize(t.isPresent(probes[k++ & 1023]));
}
BENCHMARK(BM_IsPresent)->Arg(10000)->Arg(200000);

void BM_CollectionWalkByIndex(benchmark::State& state) {
  zov::Tree t;
  Fill(t, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t total = 0;
    for (int i = 1; i <= t.count(); ++i) total += t.node(t.at(i)).key.size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CollectionWalkByIndex)->Arg(100000);

void BM_TagRoundTrip(benchmark::State& state) {
  float w = 0.1234f;
  for (auto _ : state) {
    const zov::NodeTag tag = zov::LeggiTag(zov::CreaTag(3, w, 4, false));
    benchmark::DoNotOptimize(tag.weight);
  }
}
BENCHMARK(BM_TagRoundTrip);

}  // namespace
