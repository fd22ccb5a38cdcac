// Coverage strength: which combinations of a path's choices to draw first so
// that every choice (strength 1, "each"), every pair of choices of two
// categories (2, "pairwise") or every t-tuple is in at least one significant
// procedure. A greedy construction in the AETG family: each new procedure
// starts from a tuple not yet covered and takes, category by category, the
// choice that covers the most tuples still open; of a few such candidates
// the one that covers most is kept. A tuple no significant procedure can
// hold (its choices contradict each other: a property against an
// if-selector) is impossible, never missing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zov {

class RandomSource;

// 0: random (the draw of every combination in random order); 1: each;
// 2: pairwise; t: t-wise.
struct Strength {
  int t = 0;
  bool fills = false;  // the strength may raise a path's count to what it needs
  bool operator==(const Strength&) const = default;
};
// "random", "each", "pairwise" or a whole number from 1 to 10; nullopt otherwise.
std::optional<int> ParseStrength(const std::string& word);
std::string StrengthName(int t);

// How far the procedures of a path cover its tuples of t choices.
struct TupleCoverage {
  long long covered = 0;
  long long possible = 0;  // all tuples but the impossible ones
  long long impossible = 0;
  bool operator==(const TupleCoverage&) const = default;
};

// A combination of a path's choices: the choice of each category, in the
// categories' order. Any number of categories of any size: no combination
// count limits it.
using Combination = std::vector<int>;
struct CombinationHash {
  std::size_t operator()(const Combination& c) const noexcept;
};

struct CoverPlan {
  // The combinations to draw first, distinct and significant.
  std::vector<Combination> rows;
  long needed =
      0;  // rows that cover every possible tuple; -1 when the tuples are too many to list and no construction fits
  TupleCoverage coverage;  // by `rows` alone
};

// Whether a procedure giving each category the choice digits[c] (-1: none,
// for a tuple) is significant.
using SignificanceTest = std::function<bool(const std::vector<int>& digits)>;

// The first `most` rows of a strength-t covering of categories of the
// given sizes (all of them when most < 0). Rows already drawn (`given`,
// procedures kept from an earlier plan) count as covering their tuples:
// the plan's rows add to them, and `needed` counts both.
CoverPlan Cover(const std::vector<int>& sizes, int t, long most, const SignificanceTest& significant,
                RandomSource& random, const std::vector<Combination>& given = {});

// The coverage of t-tuples by the significant combinations given.
TupleCoverage CoverageOf(const std::vector<int>& sizes, int t, const std::vector<Combination>& combinations,
                         const SignificanceTest& significant);

// The t-tuples of categories of these sizes; -1 when more than kMaxTuples.
inline constexpr long long kMaxTuples = 2'000'000;
long long TupleCount(const std::vector<int>& sizes, int t);

}  // namespace zov
