#include "generation/random_source.h"

namespace zov {

namespace {

float Uniform(std::mt19937& e) {
  // 24 random bits over 2^24: uniform in [0, 1), never 1.
  return static_cast<float>(e() >> 8) / 16777216.0f;
}

}  // namespace

float SeededRandom::draw() { return Uniform(engine_); }

}  // namespace zov
