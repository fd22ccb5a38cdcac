// The random numbers behind the default values of the editors and the
// order of the generated test procedures.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>

namespace zov {

// A source of draws, each uniform in [0, 1).
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual float draw() = 0;
  // Called after each value drawn.
  virtual void shuffle() {}
  bool operator==(const RandomSource&) const = default;
};
// A seeded generator: the same seed gives the same draws.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(unsigned seed) : engine_(seed) {}
  float draw() override;

 private:
  std::mt19937 engine_;

 public:
  // At the same point of the same stream.
  bool operator==(const SeededRandom&) const = default;
};

// A small seeded generator (SplitMix64) for the many short streams of a
// plan, one per category: seeding it costs nothing, where a Mersenne
// twister fills 624 words first. Its seed is worked out at its first draw,
// as most categories draw nothing.
class CategoryRandom : public RandomSource {
 public:
  explicit CategoryRandom(std::function<std::uint64_t()> seed) : seed_(std::move(seed)) {}
  float draw() override;

 private:
  std::function<std::uint64_t()> seed_;
  std::optional<std::uint64_t> state_;

 public:
  // At the same point of their streams (the seed is the category's own).
  bool operator==(const CategoryRandom& other) const { return state_ == other.state_; }
};

// A whole number from 0 to n - 1, from one draw.
inline int RandomBelow(RandomSource& random, int n) {
  const int i = static_cast<int>(random.draw() * static_cast<float>(n));
  return i < 0 ? 0 : i >= n ? n - 1 : i;
}

}  // namespace zov
