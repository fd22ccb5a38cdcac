#include "generation/casuale.h"

#include <chrono>

namespace zov {

namespace {

unsigned SemeOrologio() {
  return static_cast<unsigned>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

float Uniforme(std::mt19937& e) {
  // 24 random bits over 2^24: uniform in [0, 1), never 1.
  return static_cast<float>(e() >> 8) / 16777216.0f;
}

}  // namespace

CasualeOrologio::CasualeOrologio() : engine_(SemeOrologio()) {}
float CasualeOrologio::estrai() { return Uniforme(engine_); }
void CasualeOrologio::rimescola() { engine_.seed(SemeOrologio()); }
float CasualeFisso::estrai() { return Uniforme(engine_); }

}  // namespace zov
