// A use-case model of any size for the load benchmarks and for zov_synth:
// use cases in include chains of ten, under actors that own ten chains
// each; every third chain is also reached from the next actor, and every
// seventh chain's last use case includes the head of the chain after it,
// so that the load makes links and copies their branches. Each use case
// has a documented sequence diagram and a collaboration diagram. One use
// case in twenty takes part in no relation and lands in the not-linked
// tree.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "support/synthetic_model.h"

namespace zov::bench {

inline std::string LargeModel(int useCases) {
  zov::test::SyntheticModel m;
  constexpr int kChain = 10;
  constexpr int kNotLinkedEvery = 20;
  const int notLinked = useCases / kNotLinkedEvery;
  const int chains = std::max(1, (useCases - notLinked) / kChain);
  const int actors = std::max(2, chains / 10);
  std::vector<std::string> actorIds;
  for (int a = 0; a < actors; ++a) actorIds.push_back(m.actor("Actor " + std::to_string(a)));
  const auto withDiagrams = [&m](int n, const std::string& prefix) {
    const std::string u = m.useCase(prefix + std::to_string(n), "WGH=" + std::to_string(1 + n % 7) + " step");
    m.diagram(u, "Flow " + std::to_string(n), "WGH=3 main");
    m.diagram(u, "Collaboration " + std::to_string(n), "", false);
    return u;
  };
  std::vector<std::string> heads, tails;
  for (int c = 0; c < chains; ++c) {
    std::string previous;
    for (int i = 0; i < kChain; ++i) {
      const std::string u = withDiagrams(c * kChain + i, "Use case ");
      if (previous.empty()) {
        heads.push_back(u);
        m.association(actorIds[static_cast<std::size_t>(c % actors)], u);
        if (c % 3 == 0) m.association(actorIds[static_cast<std::size_t>((c + 1) % actors)], u);
      } else {
        m.include(previous, u);
      }
      previous = u;
    }
    tails.push_back(previous);
  }
  for (int c = 0; c + 1 < chains; c += 7)
    m.include(tails[static_cast<std::size_t>(c)], heads[static_cast<std::size_t>(c + 1)]);
  for (int n = 0; n < notLinked; ++n) withDiagrams(n, "Lone use case ");
  return m.petal();
}

}  // namespace zov::bench
