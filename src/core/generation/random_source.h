// The random numbers behind the default values of the editors and the
// order of the generated test procedures.
#pragma once

#include <random>

namespace zov {

// A source of draws, each uniform in [0, 1).
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual float draw() = 0;
  // Called after each value drawn.
  virtual void shuffle() {}
};
// A seeded generator: the same seed gives the same draws.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(unsigned seed) : engine_(seed) {}
  float draw() override;

 private:
  std::mt19937 engine_;
};

}  // namespace zov
