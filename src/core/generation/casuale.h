// The random numbers behind the default values of the editors and the
// order of the generated test procedures.
#pragma once

#include <random>

namespace zov {

// A source of draws, each uniform in [0, 1).
class Casuale {
 public:
  virtual ~Casuale() = default;
  virtual float estrai() = 0;
  // Called after each value; the clock-seeded generator reseeds here.
  virtual void rimescola() {}
};
// Seeded from the clock, and again after every value.
class CasualeOrologio : public Casuale {
 public:
  CasualeOrologio();
  float estrai() override;
  void rimescola() override;

 private:
  std::mt19937 engine_;
};
// A fixed seed, for tests and repeatable runs.
class CasualeFisso : public Casuale {
 public:
  explicit CasualeFisso(unsigned seed) : engine_(seed) {}
  float estrai() override;

 private:
  std::mt19937 engine_;
};

}  // namespace zov
