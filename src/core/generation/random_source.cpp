#include "generation/random_source.h"

namespace zov {

namespace {

float Uniform(std::mt19937& e) {
  // 24 random bits over 2^24: uniform in [0, 1), never 1.
  return static_cast<float>(e() >> 8) / 16777216.0f;
}

}  // namespace

float SeededRandom::draw() { return Uniform(engine_); }

float CategoryRandom::draw() {
  if (!state_) state_ = seed_();
  std::uint64_t z = (*state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  // The top 24 bits: a float in [0, 1) with every value equally likely.
  return static_cast<float>(z >> 40) * (1.0f / 16777216.0f);
}

}  // namespace zov
