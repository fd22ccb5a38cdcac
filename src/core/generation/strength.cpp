#include "generation/strength.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "generation/random_source.h"

namespace zov {

namespace {

constexpr int kCandidates = 30;  // rows tried for each row kept

// Every subset of t categories, and where its tuples start in one index.
struct Tuples {
  std::vector<int> sizes;
  int t = 0;
  std::vector<std::vector<int>> subsets;
  std::vector<long long> offset;
  std::unordered_map<std::uint64_t, int> bySet;  // the categories as bits -> subset
  long long total = 0;

  Tuples(const std::vector<int>& s, int strength) : sizes(s), t(strength) {
    std::vector<int> pick;
    const auto walk = [&](auto&& self, int from) -> void {
      if (static_cast<int>(pick.size()) == t) {
        long long count = 1;
        std::uint64_t bits = 0;
        for (int c : pick) {
          count *= sizes[static_cast<std::size_t>(c)];
          bits |= std::uint64_t{1} << c;
        }
        bySet.emplace(bits, static_cast<int>(subsets.size()));
        subsets.push_back(pick);
        offset.push_back(total);
        total += count;
        return;
      }
      for (int c = from; c < static_cast<int>(sizes.size()) && total <= kMaxTuples; ++c) {
        pick.push_back(c);
        self(self, c + 1);
        pick.pop_back();
      }
    };
    walk(walk, 0);
  }
  long long index(int subset, const std::vector<int>& digits) const {
    long long i = 0;
    for (int c : subsets[static_cast<std::size_t>(subset)])
      i = i * sizes[static_cast<std::size_t>(c)] + digits[static_cast<std::size_t>(c)];
    return offset[static_cast<std::size_t>(subset)] + i;
  }
  // The digits of tuple i, the others -1.
  std::vector<int> digitsOf(long long i) const {
    const auto at = std::upper_bound(offset.begin(), offset.end(), i) - offset.begin() - 1;
    std::vector<int> digits(sizes.size(), -1);
    long long rest = i - offset[static_cast<std::size_t>(at)];
    const std::vector<int>& set = subsets[static_cast<std::size_t>(at)];
    for (auto c = set.rbegin(); c != set.rend(); ++c) {
      digits[static_cast<std::size_t>(*c)] = static_cast<int>(rest % sizes[static_cast<std::size_t>(*c)]);
      rest /= sizes[static_cast<std::size_t>(*c)];
    }
    return digits;
  }
  // Calls f with the index of every tuple of the full row digits.
  template <typename F>
  void ofRow(const std::vector<int>& digits, F f) const {
    for (int s = 0; s < static_cast<int>(subsets.size()); ++s) f(index(s, digits));
  }
};

std::int64_t Number(const std::vector<int>& sizes, const std::vector<int>& digits) {
  std::int64_t n = 0;
  for (std::size_t c = 0; c < sizes.size(); ++c) n = n * sizes[c] + digits[c];
  return n;
}

std::vector<int> Digits(const std::vector<int>& sizes, std::int64_t n) {
  std::vector<int> digits(sizes.size());
  for (std::size_t c = sizes.size(); c-- > 0;) {
    digits[c] = static_cast<int>(n % sizes[c]);
    n /= sizes[c];
  }
  return digits;
}

int Below(RandomSource& random, int n) {
  const int i = static_cast<int>(random.draw() * n);
  return std::min(std::max(i, 0), n - 1);
}

}  // namespace

std::optional<int> ParseStrength(const std::string& word) {
  if (word == "random") return 0;
  if (word == "each") return 1;
  if (word == "pairwise") return 2;
  if (word.size() <= 2 && !word.empty() &&
      std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int t = std::stoi(word);
    if (t >= 1 && t <= 10) return t;
  }
  return std::nullopt;
}

std::string StrengthName(int t) {
  return t <= 0 ? "random" : t == 1 ? "each" : t == 2 ? "pairwise" : std::to_string(t) + "-wise";
}

long long TupleCount(const std::vector<int>& sizes, int t) {
  if (t <= 0 || t > static_cast<int>(sizes.size()) || sizes.size() > 64) return 0;
  const Tuples tuples(sizes, t);
  return tuples.total > kMaxTuples ? -1 : tuples.total;
}

TupleCoverage CoverageOf(const std::vector<int>& sizes, int t, const std::vector<std::int64_t>& combinations,
                         const SignificanceTest& significant) {
  TupleCoverage c;
  if (t <= 0 || t > static_cast<int>(sizes.size()) || sizes.size() > 64) return c;
  const Tuples tuples(sizes, t);
  if (tuples.total > kMaxTuples) return c;
  std::vector<char> state(static_cast<std::size_t>(tuples.total), 0);  // 1 covered, 2 impossible
  if (significant)
    for (long long i = 0; i < tuples.total; ++i)
      if (!significant(tuples.digitsOf(i))) state[static_cast<std::size_t>(i)] = 2;
  for (std::int64_t n : combinations)
    tuples.ofRow(Digits(sizes, n), [&](long long i) {
      if (state[static_cast<std::size_t>(i)] == 0) state[static_cast<std::size_t>(i)] = 1;
    });
  for (char s : state) {
    c.covered += s == 1;
    c.impossible += s == 2;
  }
  c.possible = tuples.total - c.impossible;
  return c;
}

namespace {

// Pairwise, the usual strength, on flat tables: the pairs of two categories
// lie side by side from their offset, and each choice keeps the count of
// its pairs still open, so that a row starts from the choice with most.
std::vector<std::int64_t> CoverPairs(const std::vector<int>& sizes, const std::vector<char>& possible,
                                     const SignificanceTest& significant, RandomSource& random) {
  const int k = static_cast<int>(sizes.size());
  std::vector<long long> offset(static_cast<std::size_t>(k * k), 0);
  long long total = 0;
  for (int a = 0; a < k; ++a)
    for (int b = a + 1; b < k; ++b) {
      offset[static_cast<std::size_t>(a * k + b)] = total;
      total += static_cast<long long>(sizes[static_cast<std::size_t>(a)]) * sizes[static_cast<std::size_t>(b)];
    }
  const auto index = [&](int a, int va, int b, int vb) {
    if (a > b) {
      std::swap(a, b);
      std::swap(va, vb);
    }
    return offset[static_cast<std::size_t>(a * k + b)] +
           static_cast<long long>(va) * sizes[static_cast<std::size_t>(b)] + vb;
  };
  std::vector<char> open(possible);
  long long left = 0;
  // Open pairs per choice, by category and value.
  std::vector<std::vector<int>> perChoice(static_cast<std::size_t>(k));
  for (int c = 0; c < k; ++c)
    perChoice[static_cast<std::size_t>(c)].assign(static_cast<std::size_t>(sizes[static_cast<std::size_t>(c)]), 0);
  for (int a = 0; a < k; ++a)
    for (int b = a + 1; b < k; ++b)
      for (int va = 0; va < sizes[static_cast<std::size_t>(a)]; ++va)
        for (int vb = 0; vb < sizes[static_cast<std::size_t>(b)]; ++vb)
          if (open[static_cast<std::size_t>(index(a, va, b, vb))]) {
            ++left;
            ++perChoice[static_cast<std::size_t>(a)][static_cast<std::size_t>(va)];
            ++perChoice[static_cast<std::size_t>(b)][static_cast<std::size_t>(vb)];
          }
  std::vector<std::int64_t> rows;
  std::unordered_set<std::int64_t> chosen;
  std::vector<int> digits(static_cast<std::size_t>(k)), best, order, assigned;
  const auto rowGain = [&](const std::vector<int>& d) {
    long long gain = 0;
    for (int a = 0; a < k; ++a)
      for (int b = a + 1; b < k; ++b)
        gain +=
            open[static_cast<std::size_t>(index(a, d[static_cast<std::size_t>(a)], b, d[static_cast<std::size_t>(b)]))];
    return gain;
  };
  while (left > 0) {
    // The choice in most open pairs starts every candidate (ties at random).
    int startC = -1, startV = -1, most = 0, ties = 0;
    for (int c = 0; c < k; ++c)
      for (int v = 0; v < sizes[static_cast<std::size_t>(c)]; ++v) {
        const int n = perChoice[static_cast<std::size_t>(c)][static_cast<std::size_t>(v)];
        if (n > most || (n == most && n > 0 && Below(random, ++ties + 1) == 0)) {
          if (n > most) ties = 0;
          most = n;
          startC = c;
          startV = v;
        }
      }
    if (startC < 0) break;
    long long bestGain = 0;
    for (int attempt = 0; attempt < kCandidates; ++attempt) {
      std::fill(digits.begin(), digits.end(), -1);
      digits[static_cast<std::size_t>(startC)] = startV;
      assigned.assign(1, startC);
      order.clear();
      for (int c = 0; c < k; ++c)
        if (c != startC) order.push_back(c);
      for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(Below(random, static_cast<int>(i)))]);
      for (int c : order) {
        int bestValue = 0, bestScore = -1, tied = 0;
        for (int v = 0; v < sizes[static_cast<std::size_t>(c)]; ++v) {
          int score = 0;
          for (int a : assigned)
            score += open[static_cast<std::size_t>(index(a, digits[static_cast<std::size_t>(a)], c, v))];
          if (score > bestScore) {
            bestScore = score;
            bestValue = v;
            tied = 1;
          } else if (score == bestScore && Below(random, ++tied) == 0) {
            bestValue = v;
          }
        }
        digits[static_cast<std::size_t>(c)] = bestValue;
        assigned.push_back(c);
      }
      std::int64_t number = 0;
      for (int c = 0; c < k; ++c)
        number = number * sizes[static_cast<std::size_t>(c)] + digits[static_cast<std::size_t>(c)];
      if (chosen.count(number) != 0 || (significant && !significant(digits))) continue;
      const long long gain = rowGain(digits);
      if (gain > bestGain) {
        bestGain = gain;
        best = digits;
      }
    }
    if (bestGain == 0) break;
    for (int a = 0; a < k; ++a)
      for (int b = a + 1; b < k; ++b) {
        const int va = best[static_cast<std::size_t>(a)], vb = best[static_cast<std::size_t>(b)];
        char& o = open[static_cast<std::size_t>(index(a, va, b, vb))];
        if (!o) continue;
        o = 0;
        --left;
        --perChoice[static_cast<std::size_t>(a)][static_cast<std::size_t>(va)];
        --perChoice[static_cast<std::size_t>(b)][static_cast<std::size_t>(vb)];
      }
    std::int64_t number = 0;
    for (int c = 0; c < k; ++c)
      number = number * sizes[static_cast<std::size_t>(c)] + best[static_cast<std::size_t>(c)];
    chosen.insert(number);
    rows.push_back(number);
  }
  return rows;
}

// Pairwise in parameter order, for paths whose choices never contradict
// each other: the largest categories first, all pairs of the first two,
// then each further category extends the rows (the choice that closes most
// pairs with the row) and adds rows for the pairs still open, filling the
// places left free as later pairs need them.
std::vector<std::int64_t> PairsInOrder(const std::vector<int>& sizes) {
  const int k = static_cast<int>(sizes.size());
  std::vector<int> order(static_cast<std::size_t>(k));
  for (int c = 0; c < k; ++c) order[static_cast<std::size_t>(c)] = c;
  std::stable_sort(order.begin(), order.end(), [&sizes](int a, int b) {
    return sizes[static_cast<std::size_t>(a)] > sizes[static_cast<std::size_t>(b)];
  });
  const auto size = [&](int position) {
    return sizes[static_cast<std::size_t>(order[static_cast<std::size_t>(position)])];
  };
  // Rows over the categories in this order; -1 for a place left free.
  std::vector<std::vector<int>> rows;
  for (int a = 0; a < size(0); ++a)
    for (int b = 0; b < size(1); ++b) {
      std::vector<int> row(static_cast<std::size_t>(k), -1);
      row[0] = a;
      row[1] = b;
      rows.push_back(std::move(row));
    }
  for (int i = 2; i < k; ++i) {
    const int vi = size(i);
    // open[j][vj * vi + v]: the pair of the category at j with choice vj and the new one with v.
    std::vector<std::vector<char>> open(static_cast<std::size_t>(i));
    for (int j = 0; j < i; ++j) open[static_cast<std::size_t>(j)].assign(static_cast<std::size_t>(size(j) * vi), 1);
    const auto closes = [&](const std::vector<int>& row, int v) {
      int n = 0;
      for (int j = 0; j < i; ++j)
        if (row[static_cast<std::size_t>(j)] >= 0)
          n += open[static_cast<std::size_t>(j)][static_cast<std::size_t>(row[static_cast<std::size_t>(j)] * vi + v)];
      return n;
    };
    const auto take = [&](std::vector<int>& row, int v) {
      row[static_cast<std::size_t>(i)] = v;
      for (int j = 0; j < i; ++j)
        if (row[static_cast<std::size_t>(j)] >= 0)
          open[static_cast<std::size_t>(j)][static_cast<std::size_t>(row[static_cast<std::size_t>(j)] * vi + v)] = 0;
    };
    // Horizontal: each row takes the choice that closes most.
    for (std::size_t r = 0; r < rows.size(); ++r) {
      int best = 0, most = -1;
      for (int v = 0; v < vi; ++v)
        if (const int n = closes(rows[r], v); n > most) {
          most = n;
          best = v;
        }
      take(rows[r], best);
    }
    // Vertical: a row for each pair still open, or a free place that takes it.
    std::vector<std::size_t> added;
    for (int j = 0; j < i; ++j)
      for (int vj = 0; vj < size(j); ++vj)
        for (int v = 0; v < vi; ++v) {
          if (!open[static_cast<std::size_t>(j)][static_cast<std::size_t>(vj * vi + v)]) continue;
          bool placed = false;
          for (std::size_t r : added) {
            std::vector<int>& row = rows[r];
            if (row[static_cast<std::size_t>(i)] == v && row[static_cast<std::size_t>(j)] < 0) {
              row[static_cast<std::size_t>(j)] = vj;
              placed = true;
              break;
            }
          }
          if (!placed) {
            std::vector<int> row(static_cast<std::size_t>(k), -1);
            row[static_cast<std::size_t>(j)] = vj;
            row[static_cast<std::size_t>(i)] = v;
            added.push_back(rows.size());
            rows.push_back(std::move(row));
          }
          open[static_cast<std::size_t>(j)][static_cast<std::size_t>(vj * vi + v)] = 0;
        }
  }
  // The places still free take a choice that keeps the rows distinct.
  std::unordered_set<std::int64_t> seen;
  std::vector<std::int64_t> numbers;
  for (std::vector<int>& row : rows) {
    std::vector<int> digits(static_cast<std::size_t>(k));
    for (int p = 0; p < k; ++p)
      digits[static_cast<std::size_t>(order[static_cast<std::size_t>(p)])] =
          std::max(row[static_cast<std::size_t>(p)], 0);
    std::int64_t number = 0;
    for (int c = 0; c < k; ++c)
      number = number * sizes[static_cast<std::size_t>(c)] + digits[static_cast<std::size_t>(c)];
    for (int p = k - 1; p >= 0 && seen.count(number) != 0; --p) {
      if (row[static_cast<std::size_t>(p)] >= 0) continue;
      const int c = order[static_cast<std::size_t>(p)];
      for (int v = 1; v < sizes[static_cast<std::size_t>(c)] && seen.count(number) != 0; ++v) {
        digits[static_cast<std::size_t>(c)] = v;
        number = 0;
        for (int d = 0; d < k; ++d)
          number = number * sizes[static_cast<std::size_t>(d)] + digits[static_cast<std::size_t>(d)];
      }
    }
    if (seen.insert(number).second) numbers.push_back(number);
  }
  return numbers;
}

}  // namespace

CoverPlan Cover(const std::vector<int>& sizes, int t, long most, const SignificanceTest& significant,
                RandomSource& random, const std::vector<std::int64_t>& given) {
  CoverPlan plan;
  const int k = static_cast<int>(sizes.size());
  t = std::min(t, k);
  if (t <= 0 || k > 64) return plan;
  const Tuples tuples(sizes, t);
  if (tuples.total > kMaxTuples) {
    plan.needed = -1;
    return plan;
  }
  std::vector<char> open(static_cast<std::size_t>(tuples.total), 1);
  long long openCount = tuples.total;
  if (significant)
    for (long long i = 0; i < tuples.total; ++i)
      if (!significant(tuples.digitsOf(i))) {
        open[static_cast<std::size_t>(i)] = 0;
        --openCount;
        ++plan.coverage.impossible;
      }
  plan.coverage.possible = openCount;
  std::unordered_set<std::int64_t> chosen(given.begin(), given.end());
  for (std::int64_t row : given)
    tuples.ofRow(Digits(sizes, row), [&](long long i) {
      if (open[static_cast<std::size_t>(i)]) {
        open[static_cast<std::size_t>(i)] = 0;
        --openCount;
      }
    });
  if (t == 2 && k >= 2 && openCount > 0) {
    // In parameter order when no pair is impossible, unless the greedy
    // rows are fewer; the subsets of two categories come in the order
    // CoverPairs lays them out.
    plan.rows = CoverPairs(sizes, open, significant, random);
    if (plan.coverage.impossible == 0 && given.empty())
      if (std::vector<std::int64_t> ordered = PairsInOrder(sizes); ordered.size() <= plan.rows.size())
        plan.rows = std::move(ordered);
    openCount = 0;
  }
  std::vector<int> order(static_cast<std::size_t>(k));
  while (openCount > 0) {
    std::vector<int> best;
    long long bestGain = 0;
    for (int attempt = 0; attempt < kCandidates; ++attempt) {
      // A tuple still open to start from.
      long long start = static_cast<long long>(random.draw() * static_cast<double>(tuples.total));
      start = std::min(std::max(start, 0LL), tuples.total - 1);
      while (!open[static_cast<std::size_t>(start)]) start = (start + 1) % tuples.total;
      std::vector<int> digits = tuples.digitsOf(start);
      std::vector<int> assigned;
      for (int c = 0; c < k; ++c)
        if (digits[static_cast<std::size_t>(c)] >= 0) assigned.push_back(c);
      order.clear();
      for (int c = 0; c < k; ++c)
        if (digits[static_cast<std::size_t>(c)] < 0) order.push_back(c);
      for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(Below(random, static_cast<int>(i)))]);
      for (int c : order) {
        // The choice that closes the most open tuples with those already set.
        int bestValue = Below(random, sizes[static_cast<std::size_t>(c)]);
        long long bestScore = -1;
        for (int v = 0; v < sizes[static_cast<std::size_t>(c)]; ++v) {
          digits[static_cast<std::size_t>(c)] = v;
          long long score = 0;
          std::vector<int> pick;
          const auto walk = [&](auto&& self, std::size_t from) -> void {
            if (static_cast<int>(pick.size()) == t - 1) {
              std::uint64_t bits = std::uint64_t{1} << c;
              for (int p : pick) bits |= std::uint64_t{1} << p;
              score += open[static_cast<std::size_t>(tuples.index(tuples.bySet.at(bits), digits))];
              return;
            }
            for (std::size_t i = from; i < assigned.size(); ++i) {
              pick.push_back(assigned[i]);
              self(self, i + 1);
              pick.pop_back();
            }
          };
          walk(walk, 0);
          if (score > bestScore) {
            bestScore = score;
            bestValue = v;
          }
        }
        digits[static_cast<std::size_t>(c)] = bestValue;
        assigned.push_back(c);
      }
      const std::int64_t number = Number(sizes, digits);
      if (chosen.count(number) != 0 || (significant && !significant(digits))) continue;
      long long gain = 0;
      tuples.ofRow(digits, [&](long long i) { gain += open[static_cast<std::size_t>(i)]; });
      if (gain > bestGain) {
        bestGain = gain;
        best = digits;
      }
    }
    if (bestGain == 0) break;  // the tuples left are in no row these tries reach
    tuples.ofRow(best, [&](long long i) {
      if (open[static_cast<std::size_t>(i)]) {
        open[static_cast<std::size_t>(i)] = 0;
        --openCount;
      }
    });
    const std::int64_t number = Number(sizes, best);
    chosen.insert(number);
    plan.rows.push_back(number);
  }
  plan.needed = static_cast<long>(given.size() + plan.rows.size());
  if (most >= 0 && static_cast<long>(plan.rows.size()) > most) plan.rows.resize(static_cast<std::size_t>(most));
  std::vector<std::int64_t> all = given;
  all.insert(all.end(), plan.rows.begin(), plan.rows.end());
  plan.coverage = CoverageOf(sizes, t, all, significant);
  return plan;
}

}  // namespace zov
