#include "generation/strength.h"

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <unordered_set>

#include "generation/random_source.h"

namespace zov {

namespace {

constexpr int kCandidates = 30;        // rows tried for each row kept
constexpr int kWideCandidates = 2;     // the same beyond pairs, whose rows ShrinkRows thins out
constexpr int kPairCandidates = 3;     // the same for pairs free of contradictions,
                                       // whose rows DropRows thins out afterwards
constexpr std::size_t kDropTries = 8;  // rows DropRows tries in each round
constexpr int kExtensionMoves = 200;   // moves for each category beyond the blocks

// Every subset of t categories, and where its tuples start in one index.
struct Tuples {
  std::vector<int> sizes;
  int t = 0;
  std::vector<std::vector<int>> subsets;
  std::vector<long long> offset;
  long long total = 0;
  // The subset of a set of categories, by the set's rank in colexicographic
  // order (the sum of binomial(c_i, i + 1) over its categories in
  // increasing order): an index of any number of categories.
  std::vector<std::vector<long long>> binomial;
  std::vector<int> byRank;

  Tuples(const std::vector<int>& s, int strength) : sizes(s), t(strength) {
    std::vector<int> pick;
    const auto walk = [&](auto&& self, int from) -> void {
      if (static_cast<int>(pick.size()) == t) {
        long long count = 1;
        for (int c : pick) count *= sizes[static_cast<std::size_t>(c)];
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
    if (total > kMaxTuples) return;
    // Every subset holds a tuple at least, so their ranks stay below kMaxTuples.
    const std::size_t k = sizes.size();
    binomial.assign(k + 1, std::vector<long long>(static_cast<std::size_t>(t) + 1, 0));
    for (std::size_t n = 0; n <= k; ++n) {
      binomial[n][0] = 1;
      for (std::size_t j = 1; j <= static_cast<std::size_t>(t) && n > 0; ++j)
        binomial[n][j] = std::min(binomial[n - 1][j - 1] + binomial[n - 1][j], kMaxTuples + 1);
    }
    byRank.assign(subsets.size(), -1);
    for (std::size_t i = 0; i < subsets.size(); ++i)
      byRank[static_cast<std::size_t>(rank(subsets[i]))] = static_cast<int>(i);
  }
  long long rank(const std::vector<int>& sorted) const {
    long long r = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) r += binomial[static_cast<std::size_t>(sorted[i])][i + 1];
    return r;
  }
  // The subset of these categories, in any order.
  int subsetOf(std::vector<int>& categories) const {
    std::sort(categories.begin(), categories.end());
    return byRank[static_cast<std::size_t>(rank(categories))];
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

// Where the values of each category start in a flat table by choice; the
// last entry is the number of choices.
std::vector<int> ChoiceStarts(const std::vector<int>& sizes) {
  std::vector<int> first(sizes.size() + 1, 0);
  for (std::size_t c = 0; c < sizes.size(); ++c) first[c + 1] = first[c] + sizes[c];
  return first;
}

}  // namespace

std::size_t CombinationHash::operator()(const Combination& c) const noexcept {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (int d : c) h = (h ^ static_cast<std::uint32_t>(d)) * 0x100000001b3ULL;
  return static_cast<std::size_t>(h ^ (h >> 32));
}

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
  if (t <= 0 || t > static_cast<int>(sizes.size())) return 0;
  const Tuples tuples(sizes, t);
  return tuples.total > kMaxTuples ? -1 : tuples.total;
}

TupleCoverage CoverageOf(const std::vector<int>& sizes, int t, const std::vector<Combination>& combinations,
                         const SignificanceTest& significant) {
  TupleCoverage c;
  if (t <= 0 || t > static_cast<int>(sizes.size())) return c;
  const Tuples tuples(sizes, t);
  if (tuples.total > kMaxTuples) return c;
  std::vector<char> state(static_cast<std::size_t>(tuples.total), 0);  // 1 covered, 2 impossible
  if (significant)
    for (long long i = 0; i < tuples.total; ++i)
      if (!significant(tuples.digitsOf(i))) state[static_cast<std::size_t>(i)] = 2;
  for (const Combination& n : combinations)
    tuples.ofRow(n, [&](long long i) {
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

// The pairs of every two categories in one flat table that holds both
// orientations, (a, b) and (b, a), so that the pairs a choice makes with
// the values of another category are always adjacent.
struct PairTable {
  explicit PairTable(const std::vector<int>& s) : sizes(s), k(static_cast<int>(s.size())) {
    start.assign(static_cast<std::size_t>(k * k), 0);
    for (int a = 0; a < k; ++a)
      for (int b = 0; b < k; ++b)
        if (a != b) {
          start[static_cast<std::size_t>(a * k + b)] = total;
          total += static_cast<long long>(sizes[static_cast<std::size_t>(a)]) * sizes[static_cast<std::size_t>(b)];
        }
  }
  // The place of the pair of value va of a and vb of b.
  std::size_t at(int a, int va, int b, int vb) const {
    return static_cast<std::size_t>(start[static_cast<std::size_t>(a * k + b)] +
                                    static_cast<long long>(va) * sizes[static_cast<std::size_t>(b)] + vb);
  }
  const std::vector<int>& sizes;
  int k;
  std::vector<long long> start;
  long long total = 0;
};

// Pairwise, the usual strength, on a PairTable of the pairs still open;
// each choice keeps the count of its pairs still open, so that a row starts
// from the choice with most. A candidate row sets its categories one by one
// in random order, each to the value closing the most open pairs with those
// set before, the counts kept up as it goes; the best candidate is kept.
std::vector<Combination> CoverPairs(const std::vector<int>& sizes, const std::vector<char>& possible,
                                    const SignificanceTest& significant, RandomSource& random) {
  const int k = static_cast<int>(sizes.size());
  const auto size = [&](int c) { return sizes[static_cast<std::size_t>(c)]; };
  const std::vector<int> first = ChoiceStarts(sizes);
  // Where the pairs of a < b start in the caller's table.
  std::vector<long long> given(static_cast<std::size_t>(k * k), 0);
  long long total = 0;
  for (int a = 0; a < k; ++a)
    for (int b = a + 1; b < k; ++b) {
      given[static_cast<std::size_t>(a * k + b)] = total;
      total += static_cast<long long>(size(a)) * size(b);
    }
  const PairTable pairs(sizes);
  std::vector<char> open(static_cast<std::size_t>(pairs.total), 0);
  std::vector<int> perChoice(static_cast<std::size_t>(first.back()), 0);
  long long left = 0;
  for (int a = 0; a < k; ++a)
    for (int b = a + 1; b < k; ++b)
      for (int va = 0; va < size(a); ++va)
        for (int vb = 0; vb < size(b); ++vb) {
          if (!possible[static_cast<std::size_t>(given[static_cast<std::size_t>(a * k + b)] + va * size(b) + vb)])
            continue;
          open[pairs.at(a, va, b, vb)] = 1;
          open[pairs.at(b, vb, a, va)] = 1;
          ++left;
          ++perChoice[static_cast<std::size_t>(first[static_cast<std::size_t>(a)] + va)];
          ++perChoice[static_cast<std::size_t>(first[static_cast<std::size_t>(b)] + vb)];
        }
  // The many ties draw from a small generator seeded once from the stream.
  std::uint64_t state = static_cast<std::uint64_t>(random.draw() * 4294967296.0) * 0x9E3779B97F4A7C15ULL + 1;
  const auto below = [&state](int n) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<int>(((state >> 32) * static_cast<std::uint64_t>(n)) >> 32);
  };
  std::vector<Combination> rows;
  std::vector<int> digits(static_cast<std::size_t>(k)), best, order;
  std::vector<int> score(static_cast<std::size_t>(first.back()));
  // Adds to the scores of the categories order[from..] the pairs still open
  // with value v of category c.
  const auto close = [&](int c, int v, std::size_t from) {
    for (std::size_t i = from; i < order.size(); ++i) {
      const int d = order[i];
      const char* row = &open[pairs.at(c, v, d, 0)];
      int* to = &score[static_cast<std::size_t>(first[static_cast<std::size_t>(d)])];
      for (int w = 0; w < size(d); ++w) to[w] += row[w];
    }
  };
  while (left > 0) {
    // The choice in most open pairs starts every candidate (ties at random).
    int startC = -1, startV = -1, most = 0, ties = 0;
    for (int c = 0; c < k; ++c)
      for (int v = 0; v < size(c); ++v) {
        const int n = perChoice[static_cast<std::size_t>(first[static_cast<std::size_t>(c)] + v)];
        if (n > most || (n == most && n > 0 && below(++ties + 1) == 0)) {
          if (n > most) ties = 0;
          most = n;
          startC = c;
          startV = v;
        }
      }
    if (startC < 0) break;
    long long bestGain = 0;
    // Contradicting choices leave rows no later pass can drop: more tries.
    for (int attempt = 0, tries = significant ? kCandidates : kPairCandidates; attempt < tries; ++attempt) {
      order.clear();
      for (int c = 0; c < k; ++c)
        if (c != startC) order.push_back(c);
      for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(below(static_cast<int>(i)))]);
      std::fill(score.begin(), score.end(), 0);
      digits[static_cast<std::size_t>(startC)] = startV;
      close(startC, startV, 0);
      long long gain = 0;
      for (std::size_t i = 0; i < order.size(); ++i) {
        const int c = order[i];
        const int* s = &score[static_cast<std::size_t>(first[static_cast<std::size_t>(c)])];
        int bestValue = 0, tied = 1;
        for (int v = 1; v < size(c); ++v) {
          if (s[v] > s[bestValue]) {
            bestValue = v;
            tied = 1;
          } else if (s[v] == s[bestValue] && below(++tied) == 0) {
            bestValue = v;
          }
        }
        gain += s[bestValue];
        digits[static_cast<std::size_t>(c)] = bestValue;
        close(c, bestValue, i + 1);
      }
      // A row kept before has no open pair left: a gain means a new row.
      if (gain > bestGain && (!significant || significant(digits))) {
        bestGain = gain;
        best = digits;
      }
    }
    if (bestGain == 0) break;
    for (int a = 0; a < k; ++a)
      for (int b = a + 1; b < k; ++b) {
        const int va = best[static_cast<std::size_t>(a)], vb = best[static_cast<std::size_t>(b)];
        char& o = open[pairs.at(a, va, b, vb)];
        if (!o) continue;
        o = 0;
        open[pairs.at(b, vb, a, va)] = 0;
        --left;
        --perChoice[static_cast<std::size_t>(first[static_cast<std::size_t>(a)] + va)];
        --perChoice[static_cast<std::size_t>(first[static_cast<std::size_t>(b)] + vb)];
      }
    rows.push_back(best);
  }
  return rows;
}

// Pairwise in parameter order, for paths whose choices never contradict
// each other: the largest categories first, all pairs of the first two,
// then each further category extends the rows (the choice that closes most
// pairs with the row) and adds rows for the pairs still open, filling the
// places left free as later pairs need them.
std::vector<Combination> PairsInOrder(const std::vector<int>& sizes) {
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
  std::unordered_set<Combination, CombinationHash> seen;
  std::vector<Combination> numbers;
  for (std::vector<int>& row : rows) {
    std::vector<int> digits(static_cast<std::size_t>(k));
    for (int p = 0; p < k; ++p)
      digits[static_cast<std::size_t>(order[static_cast<std::size_t>(p)])] =
          std::max(row[static_cast<std::size_t>(p)], 0);
    for (int p = k - 1; p >= 0 && seen.count(digits) != 0; --p) {
      if (row[static_cast<std::size_t>(p)] >= 0) continue;
      const int c = order[static_cast<std::size_t>(p)];
      for (int v = 1; v < sizes[static_cast<std::size_t>(c)] && seen.count(digits) != 0; ++v)
        digits[static_cast<std::size_t>(c)] = v;
    }
    if (seen.insert(digits).second) numbers.push_back(std::move(digits));
  }
  return numbers;
}

// The smallest prime at least n (and at least 2).
int PrimeFrom(int n) {
  const auto prime = [](int m) {
    for (int d = 2; d * d <= m; ++d)
      if (m % d == 0) return false;
    return true;
  };
  int q = std::max(2, n);
  while (!prime(q)) ++q;
  return q;
}

// Pairwise from an orthogonal array, for up to q + 1 categories of at most
// q choices, q prime: the q * q rows (x, y) give the first category y and
// category j >= 1 the value x + (j - 1) * y modulo q, so that every pair of
// values of two categories meets in exactly one row. A category of fewer
// choices takes the value modulo its size: every pair of its own values is
// still there, and rows made equal by it go. Empty when no such q fits.
std::vector<Combination> PairsOfOrthogonalArray(const std::vector<int>& sizes) {
  const int k = static_cast<int>(sizes.size());
  const int q = PrimeFrom(*std::max_element(sizes.begin(), sizes.end()));
  if (k > q + 1) return {};
  std::unordered_set<Combination, CombinationHash> seen;
  std::vector<Combination> rows;
  for (int x = 0; x < q; ++x)
    for (int y = 0; y < q; ++y) {
      Combination row(static_cast<std::size_t>(k));
      for (int c = 0; c < k; ++c)
        row[static_cast<std::size_t>(c)] = (c == 0 ? y : (x + (c - 1) * y) % q) % sizes[static_cast<std::size_t>(c)];
      if (seen.insert(row).second) rows.push_back(std::move(row));
    }
  return rows;
}

// Pairwise for more categories than an orthogonal array holds, of at most
// q choices, q prime, in 2 q q - q rows. Up to q (q + 1) categories go in
// q + 1 blocks of q, the largest first:
// - q q rows give each category of block i column i of the orthogonal
//   array of q + 1 columns, (y, x, x + y, x + 2 y ...): every pair of
//   values of two blocks meets there, and two categories of one block
//   hold the same column, so every pair of equal values too;
// - q q - q rows, those of the array with y != 0, give category j of each
//   block column j + 1: two such columns are equal nowhere, and meet on
//   every pair of different values.
// A category of fewer choices takes the value modulo its size, as in the
// orthogonal array. Each further category takes, row by row, the value that
// closes the most open pairs (the least used so far on a tie); then, while
// it misses pairs, a row holding one of the values a missed pair needs
// takes its other value, the row chosen that closes most and opens fewest.
// The pairs still open then get rows of their own. Empty when the array
// holds all categories, or the rows could not come within twice the lower
// bound.
std::vector<Combination> PairsOfOrthogonalBlocks(const std::vector<int>& sizes, RandomSource& random) {
  const int k = static_cast<int>(sizes.size());
  const auto size = [&](int c) { return sizes[static_cast<std::size_t>(c)]; };
  std::vector<int> byDescendingSize(static_cast<std::size_t>(k));
  for (int c = 0; c < k; ++c) byDescendingSize[static_cast<std::size_t>(c)] = c;
  std::stable_sort(byDescendingSize.begin(), byDescendingSize.end(), [&](int a, int b) { return size(a) > size(b); });
  const int largest = size(byDescendingSize[0]), second = size(byDescendingSize[1]);
  const int q = PrimeFrom(largest);
  if (k <= q + 1 || q > 64 || 2 * q * q - q > 2 * largest * second) return {};
  const int inBlocks = std::min(k, q * (q + 1));
  std::vector<std::vector<int>> grid;
  for (int part = 0; part < 2; ++part)
    for (int x = 0; x < q; ++x)
      for (int y = part; y < q; ++y) {
        std::vector<int> row(static_cast<std::size_t>(k), 0);
        for (int i = 0; i < inBlocks; ++i) {
          const int column = part == 0 ? i / q : i % q + 1;
          const int c = byDescendingSize[static_cast<std::size_t>(i)];
          row[static_cast<std::size_t>(c)] = (column == 0 ? y : (x + (column - 1) * y) % q) % size(c);
        }
        grid.push_back(std::move(row));
      }
  const auto rows = static_cast<int>(grid.size());
  const auto cell = [&](int r, int c) -> int& {
    return grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
  };
  const std::vector<int> first = ChoiceStarts(sizes);
  std::vector<int> placed(byDescendingSize.begin(), byDescendingSize.begin() + inBlocks);
  for (int i = inBlocks; i < k; ++i) {
    const int e = byDescendingSize[static_cast<std::size_t>(i)], n = size(e);
    // held[(first[d] + a) * n + v]: rows where placed category d has a and e has v.
    std::vector<int> held(static_cast<std::size_t>(first.back() * n), 0);
    const auto at = [&](int d, int a, int v) -> int& {
      return held[static_cast<std::size_t>((first[static_cast<std::size_t>(d)] + a) * n + v)];
    };
    std::vector<int> used(static_cast<std::size_t>(n), 0);
    for (int r = 0; r < rows; ++r) {
      int best = 0, bestGain = -1;
      for (int v = 0; v < n; ++v) {
        int gain = 0;
        for (int d : placed) gain += at(d, cell(r, d), v) == 0;
        if (gain > bestGain ||
            (gain == bestGain && used[static_cast<std::size_t>(v)] < used[static_cast<std::size_t>(best)])) {
          best = v;
          bestGain = gain;
        }
      }
      cell(r, e) = best;
      ++used[static_cast<std::size_t>(best)];
      for (int d : placed) ++at(d, cell(r, d), best);
    }
    // A move: row r takes value v for e.
    const auto move = [&](int r, int v) {
      for (int d : placed) {
        --at(d, cell(r, d), cell(r, e));
        ++at(d, cell(r, d), v);
      }
      cell(r, e) = v;
    };
    std::vector<std::tuple<int, int, int>> missed;  // category, its value, e's value
    const auto collect = [&] {
      missed.clear();
      for (int d : placed)
        for (int a = 0; a < size(d); ++a)
          for (int v = 0; v < n; ++v)
            if (at(d, a, v) == 0) missed.emplace_back(d, a, v);
    };
    collect();
    std::vector<int> bestColumn;
    std::size_t fewest = missed.size();
    for (int r = 0; r < rows; ++r) bestColumn.push_back(cell(r, e));
    for (int step = 0; step < kExtensionMoves && !missed.empty(); ++step) {
      const auto [d, a, v] = missed[static_cast<std::size_t>(RandomBelow(random, static_cast<int>(missed.size())))];
      int chosen = -1, bestDelta = 0, ties = 0;
      for (int r = 0; r < rows; ++r) {
        if (cell(r, d) != a) continue;
        int delta = 0;
        for (int o : placed) delta += (at(o, cell(r, o), v) == 0) - (at(o, cell(r, o), cell(r, e)) == 1);
        if (chosen < 0 || delta > bestDelta) {
          chosen = r;
          bestDelta = delta;
          ties = 1;
        } else if (delta == bestDelta && RandomBelow(random, ++ties) == 0) {
          chosen = r;
        }
      }
      move(chosen, v);
      collect();
      if (missed.size() < fewest) {
        fewest = missed.size();
        for (int r = 0; r < rows; ++r) bestColumn[static_cast<std::size_t>(r)] = cell(r, e);
      }
    }
    for (int r = 0; r < rows; ++r) cell(r, e) = bestColumn[static_cast<std::size_t>(r)];
    placed.push_back(e);
  }
  // The pairs no row holds, laid out as Cover's pairs are.
  const Tuples pairs(sizes, 2);
  std::vector<char> open(static_cast<std::size_t>(pairs.total), 1);
  std::unordered_set<Combination, CombinationHash> seen;
  std::vector<Combination> numbers;
  for (const auto& row : grid) {
    pairs.ofRow(row, [&](long long i) { open[static_cast<std::size_t>(i)] = 0; });
    if (seen.insert(row).second) numbers.push_back(row);
  }
  if (std::find(open.begin(), open.end(), 1) != open.end())
    for (Combination& row : CoverPairs(sizes, open, nullptr, random))
      if (seen.insert(row).second) numbers.push_back(std::move(row));
  return numbers;
}

// Pairwise for categories of two choices: with n rows, each category takes
// the first row 0 and, on the n - 1 others, a distinct set of ceil(n / 2)
// of them 1. Two such sets differ both ways and share a row, so that every
// pair of values of two categories is there; n is the least with enough
// sets. A category of one choice stays 0. Empty when a category has more.
std::vector<Combination> PairsOfTwoChoices(const std::vector<int>& sizes) {
  const int k = static_cast<int>(sizes.size());
  if (*std::max_element(sizes.begin(), sizes.end()) > 2) return {};
  const auto twos = static_cast<int>(std::count(sizes.begin(), sizes.end(), 2));
  const auto choose = [](int n, int r) {
    long long c = 1;
    for (int i = 1; i <= r; ++i) c = c * (n - r + i) / i;
    return c;
  };
  int n = 4;
  while (choose(n - 1, (n + 1) / 2) < twos) ++n;
  if (n > 62) return {};
  // The sets in increasing order of their bits (Gosper's step), one for
  // each category of two choices.
  std::vector<std::uint64_t> sets;
  for (std::uint64_t set = (std::uint64_t{1} << ((n + 1) / 2)) - 1; static_cast<int>(sets.size()) < twos;) {
    sets.push_back(set);
    const std::uint64_t low = set & (~set + 1), ripple = set + low;
    set = (((ripple ^ set) >> 2) / low) | ripple;
  }
  std::unordered_set<Combination, CombinationHash> seen;
  std::vector<Combination> rows;
  for (int r = 0; r < n; ++r) {
    Combination row(static_cast<std::size_t>(k), 0);
    std::size_t next = 0;
    for (int c = 0; c < k; ++c) {
      if (sizes[static_cast<std::size_t>(c)] != 2) continue;
      row[static_cast<std::size_t>(c)] = r > 0 && ((sets[next] >> (r - 1)) & 1) != 0 ? 1 : 0;
      ++next;
    }
    if (seen.insert(row).second) rows.push_back(std::move(row));
  }
  return rows;
}

// Fewer rows for a pairwise covering of categories free of contradictions:
// a row whose pairs can all be placed elsewhere goes. Each pair only it
// holds is moved into another row that has one of its two values, by
// changing that row's other cell where every pair the change takes away is
// held by some other row too. Tried on the rows holding fewest such pairs
// first; a row that cannot go is left as it was.
void DropRows(const std::vector<int>& sizes, std::vector<Combination>& rows) {
  const int k = static_cast<int>(sizes.size());
  const PairTable pairs(sizes);
  // How many rows hold each pair, in both orientations.
  std::vector<int> held(static_cast<std::size_t>(pairs.total), 0);
  const auto at = [&](int a, int va, int b, int vb) -> int& { return held[pairs.at(a, va, b, vb)]; };
  std::vector<std::vector<int>> grid = std::move(rows);
  const auto count = [&](const std::vector<int>& row, int delta) {
    for (int a = 0; a < k; ++a)
      for (int b = 0; b < k; ++b)
        if (a != b) at(a, row[static_cast<std::size_t>(a)], b, row[static_cast<std::size_t>(b)]) += delta;
  };
  for (const auto& row : grid) count(row, 1);
  // Sets cell c of row r to v, keeping the counts.
  const auto set = [&](std::size_t r, int c, int v) {
    std::vector<int>& row = grid[r];
    for (int d = 0; d < k; ++d)
      if (d != c) {
        const int vd = row[static_cast<std::size_t>(d)];
        --at(c, row[static_cast<std::size_t>(c)], d, vd);
        --at(d, vd, c, row[static_cast<std::size_t>(c)]);
        ++at(c, v, d, vd);
        ++at(d, vd, c, v);
      }
    row[static_cast<std::size_t>(c)] = v;
  };
  // Whether cell c of row r can change: every pair it holds is held twice.
  const auto loose = [&](std::size_t r, int c) {
    const std::vector<int>& row = grid[r];
    for (int d = 0; d < k; ++d)
      if (d != c && at(c, row[static_cast<std::size_t>(c)], d, row[static_cast<std::size_t>(d)]) < 2) return false;
    return true;
  };
  for (bool dropped = true; dropped && grid.size() > 1;) {
    dropped = false;
    // The rows by how many pairs they alone hold.
    std::vector<std::pair<int, std::size_t>> alone;
    for (std::size_t r = 0; r < grid.size(); ++r) {
      int n = 0;
      for (int a = 0; a < k; ++a)
        for (int b = a + 1; b < k; ++b)
          n += at(a, grid[r][static_cast<std::size_t>(a)], b, grid[r][static_cast<std::size_t>(b)]) == 1;
      alone.emplace_back(n, r);
    }
    std::sort(alone.begin(), alone.end());
    if (alone.size() > kDropTries) alone.resize(kDropTries);
    for (const auto& [n, r] : alone) {
      const std::vector<int> gone = grid[r];
      count(gone, -1);
      std::vector<std::tuple<std::size_t, int, int>> changed;  // row, cell, old value
      bool placed = true;
      for (int a = 0; a < k && placed; ++a)
        for (int b = a + 1; b < k && placed; ++b) {
          const int va = gone[static_cast<std::size_t>(a)], vb = gone[static_cast<std::size_t>(b)];
          if (at(a, va, b, vb) > 0) continue;
          placed = false;
          for (std::size_t o = 0; o < grid.size() && !placed; ++o) {
            if (o == r) continue;
            for (const auto& [kept, vk, cell, vc] : {std::tuple{a, va, b, vb}, std::tuple{b, vb, a, va}})
              if (!placed && grid[o][static_cast<std::size_t>(kept)] == vk && loose(o, cell)) {
                changed.emplace_back(o, cell, grid[o][static_cast<std::size_t>(cell)]);
                set(o, cell, vc);
                placed = true;
              }
          }
        }
      if (placed) {
        grid.erase(grid.begin() + static_cast<std::ptrdiff_t>(r));
        dropped = true;
        break;
      }
      for (auto it = changed.rbegin(); it != changed.rend(); ++it)
        set(std::get<0>(*it), std::get<1>(*it), std::get<2>(*it));
      count(gone, 1);
    }
  }
  // Rows made equal by the changes hold nothing the first does not.
  std::unordered_set<Combination, CombinationHash> seen;
  rows.clear();
  for (const auto& row : grid)
    if (seen.insert(row).second) rows.push_back(row);
}

constexpr int kLargestField = 256;

// The field of q elements, q a prime up to 256 or a power of two up to 64, as
// tables over the elements 0 .. q - 1; nullopt for any other q.
struct Field {
  int q = 0;
  std::vector<int> add, mul;
  int plus(int a, int b) const { return add[static_cast<std::size_t>(a * q + b)]; }
  int times(int a, int b) const { return mul[static_cast<std::size_t>(a * q + b)]; }

  static std::optional<Field> Of(int q) {
    if (q < 2 || q > kLargestField) return std::nullopt;
    Field f;
    f.q = q;
    f.add.resize(static_cast<std::size_t>(q * q));
    f.mul.resize(static_cast<std::size_t>(q * q));
    if (PrimeFrom(q) == q) {
      for (int a = 0; a < q; ++a)
        for (int b = 0; b < q; ++b) {
          f.add[static_cast<std::size_t>(a * q + b)] = (a + b) % q;
          f.mul[static_cast<std::size_t>(a * q + b)] = (a * b) % q;
        }
      return f;
    }
    if ((q & (q - 1)) != 0 || q > 64) return std::nullopt;
    // Polynomials over two elements modulo an irreducible one of degree m.
    constexpr int kIrreducible[] = {0, 0, 0b111, 0b1011, 0b10011, 0b100101, 0b1000011};
    int m = 0;
    while ((1 << m) < q) ++m;
    for (int a = 0; a < q; ++a)
      for (int b = 0; b < q; ++b) {
        int product = 0;
        for (int i = 0; i < m; ++i)
          if ((b >> i) & 1) product ^= a << i;
        for (int i = 2 * m - 2; i >= m; --i)
          if ((product >> i) & 1) product ^= kIrreducible[m] << (i - m);
        f.add[static_cast<std::size_t>(a * q + b)] = a ^ b;
        f.mul[static_cast<std::size_t>(a * q + b)] = product;
      }
    return f;
  }
};

// An orthogonal array of strength t (Bush's construction): the q^t rows are
// the polynomials of degree below t over the field of q elements, and a
// column evaluates them at a point x (the row's coefficients times 1, x,
// ..., x^(t-1)) or takes the leading coefficient; any t such columns are
// independent, so that every t values of t columns meet in exactly one row.
// For t = 3 and q a power of two the middle coefficient is one column more
// (a hyperoval). q is the least field of at least the largest size that has
// enough columns; a category of fewer choices takes the value modulo its
// size. Empty when no field fits or the rows would be more than mostRows.
std::vector<Combination> OrthogonalArrayOfStrength(const std::vector<int>& sizes, int t, long long mostRows) {
  const int k = static_cast<int>(sizes.size());
  std::optional<Field> field;
  for (int q = std::max(*std::max_element(sizes.begin(), sizes.end()), t - 1); q <= kLargestField && !field; ++q) {
    const int columns = q + 1 + (t == 3 && (q & (q - 1)) == 0 ? 1 : 0);
    if (columns >= k) field = Field::Of(q);
  }
  if (!field) return {};
  const int q = field->q;
  long long count = 1;
  for (int i = 0; i < t; ++i) count *= q;
  if (count > mostRows) return {};
  // The vector each column multiplies the coefficients with.
  std::vector<std::vector<int>> columns;
  for (int x = 0; x < q && static_cast<int>(columns.size()) < k; ++x) {
    std::vector<int> v(static_cast<std::size_t>(t), 1);
    for (int i = 1; i < t; ++i) v[static_cast<std::size_t>(i)] = field->times(v[static_cast<std::size_t>(i) - 1], x);
    columns.push_back(std::move(v));
  }
  for (int unit : {t - 1, 1})
    if (static_cast<int>(columns.size()) < k) {
      std::vector<int> v(static_cast<std::size_t>(t), 0);
      v[static_cast<std::size_t>(unit)] = 1;
      columns.push_back(std::move(v));
    }
  // Rows repeat only where a category takes values modulo its size, or
  // fewer than t columns tell the rows apart.
  const bool mayRepeat = k < t || std::any_of(sizes.begin(), sizes.end(), [q](int size) { return size < q; });
  std::unordered_set<Combination, CombinationHash> seen;
  std::vector<Combination> rows;
  rows.reserve(static_cast<std::size_t>(count));
  std::vector<int> coefficients(static_cast<std::size_t>(t));
  for (long long r = 0; r < count; ++r) {
    long long rest = r;
    for (int& a : coefficients) {
      a = static_cast<int>(rest % q);
      rest /= q;
    }
    Combination row(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) {
      int value = 0;
      for (int i = 0; i < t; ++i)
        value = field->plus(value, field->times(coefficients[static_cast<std::size_t>(i)],
                                                columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]));
      row[static_cast<std::size_t>(c)] = value % sizes[static_cast<std::size_t>(c)];
    }
    if (!mayRepeat || seen.insert(row).second) rows.push_back(std::move(row));
  }
  return rows;
}

// A covering of strength t for categories too many for their tuples to be
// listed, without listing them: an orthogonal array OA(q^t; t, m, q) of m
// columns (q the least field of the largest size), and maps of the
// categories onto its columns, drawn at random, each column taking about
// as many categories, until every t categories land on t distinct columns
// under one map at least (a perfect hash family, checked subset by
// subset). Block i of the rows gives category c the value of column
// map_i(c), modulo its size: any t categories are t distinct columns of
// one block, which holds every t values of those. Empty when no field
// fits, the subsets are too many to check, the maps run out, or the rows
// would hold more than 20 million values.
std::vector<Combination> ComposedCovering(const std::vector<int>& sizes, int t, RandomSource& random) {
  constexpr int kMaps = 64;
  constexpr long long kMostSubsets = 5'000'000;
  constexpr long double kMostCells = 20'000'000;  // the rows' values, at most
  const int k = static_cast<int>(sizes.size());
  const int largest = std::max(*std::max_element(sizes.begin(), sizes.end()), 2);
  int q = largest;
  while (q <= kLargestField && !Field::Of(q)) ++q;
  if (q > kLargestField) return {};
  const int m = std::min(k, q + 1 + (t == 3 && (q & (q - 1)) == 0 ? 1 : 0));
  const std::vector<Combination> array =
      OrthogonalArrayOfStrength(std::vector<int>(static_cast<std::size_t>(m), q), t, kMaxTuples);
  if (array.empty()) return {};
  long double subsets = 1;
  for (int i = 0; i < t; ++i) subsets = subsets * (k - i) / (i + 1);
  if (subsets > kMostSubsets) return {};
  // The subsets no map so far separates; none checked yet at first.
  std::vector<std::vector<int>> maps;
  std::vector<int> open;  // t categories after t categories
  bool first = true;
  while (first || !open.empty()) {
    if (static_cast<int>(maps.size()) == kMaps) return {};
    std::vector<int> order(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) order[static_cast<std::size_t>(c)] = c;
    for (std::size_t i = order.size(); i > 1; --i)
      std::swap(order[i - 1], order[static_cast<std::size_t>(RandomBelow(random, static_cast<int>(i)))]);
    std::vector<int> map(static_cast<std::size_t>(k));
    for (int i = 0; i < k; ++i) map[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] = i % m;
    const auto separated = [&](const int* set) {
      for (int a = 0; a < t; ++a)
        for (int b = a + 1; b < t; ++b)
          if (map[static_cast<std::size_t>(set[a])] == map[static_cast<std::size_t>(set[b])]) return false;
      return true;
    };
    std::vector<int> still;
    if (first) {
      std::vector<int> set(static_cast<std::size_t>(t));
      const auto walk = [&](auto&& self, int from, int depth) -> void {
        if (depth == t) {
          if (!separated(set.data())) still.insert(still.end(), set.begin(), set.end());
          return;
        }
        for (int c = from; c <= k - (t - depth); ++c) {
          set[static_cast<std::size_t>(depth)] = c;
          self(self, c + 1, depth + 1);
        }
      };
      walk(walk, 0, 0);
      first = false;
    } else {
      for (std::size_t i = 0; i < open.size(); i += static_cast<std::size_t>(t))
        if (!separated(open.data() + i))
          still.insert(still.end(), open.begin() + static_cast<std::ptrdiff_t>(i),
                       open.begin() + static_cast<std::ptrdiff_t>(i) + t);
    }
    if (still.size() < open.size() || maps.empty()) maps.push_back(std::move(map));
    open = std::move(still);
  }
  if (static_cast<long double>(maps.size()) * static_cast<long double>(array.size()) * k > kMostCells) return {};
  std::vector<Combination> rows;
  rows.reserve(maps.size() * array.size());
  for (const std::vector<int>& map : maps)
    for (const Combination& a : array) {
      Combination& row = rows.emplace_back(static_cast<std::size_t>(k));
      for (int c = 0; c < k; ++c)
        row[static_cast<std::size_t>(c)] =
            a[static_cast<std::size_t>(map[static_cast<std::size_t>(c)])] % sizes[static_cast<std::size_t>(c)];
    }
  // A row met before goes: the rows sorted by their hash find the equal
  // ones, and the first of each stays where it was.
  std::vector<std::pair<std::size_t, std::size_t>> byHash(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) byHash[i] = {CombinationHash()(rows[i]), i};
  std::sort(byHash.begin(), byHash.end());
  std::vector<char> again(rows.size(), 0);
  for (std::size_t i = 0; i < byHash.size();) {
    std::size_t end = i + 1;
    while (end < byHash.size() && byHash[end].first == byHash[i].first) ++end;
    for (std::size_t a = i; a < end; ++a)
      for (std::size_t b = a + 1; b < end && !again[byHash[a].second]; ++b)
        if (!again[byHash[b].second] && rows[byHash[a].second] == rows[byHash[b].second]) again[byHash[b].second] = 1;
    i = end;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!again[i]) {
      if (kept != i) rows[kept] = std::move(rows[i]);
      ++kept;
    }
  rows.resize(kept);
  return rows;
}

// Strength 3 for categories of at most two choices. Up to 11 categories of
// two: the 12 runs of Plackett and Burman's design (the cyclic shifts of
// + + - + + + - - - + - and a run of all -), any three columns of which
// hold every combination of their values. More: the pairwise rows of all
// but the last category of two choices, that category 0, and the same rows
// with every two-choice value flipped, that category 1: every three values
// with the last category meet. The others are checked, and the rows are
// empty when some are missing.
std::vector<Combination> TriplesOfTwoChoices(const std::vector<int>& sizes) {
  const int k = static_cast<int>(sizes.size());
  if (*std::max_element(sizes.begin(), sizes.end()) > 2) return {};
  const auto twos = static_cast<int>(std::count(sizes.begin(), sizes.end(), 2));
  if (twos < 3) return {};
  std::vector<Combination> rows;
  if (twos <= 11) {
    constexpr int kGenerator[] = {1, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0};
    for (int r = 0; r < 12; ++r) {
      Combination row(static_cast<std::size_t>(k), 0);
      for (int c = 0, column = 0; c < k; ++c)
        if (sizes[static_cast<std::size_t>(c)] == 2)
          row[static_cast<std::size_t>(c)] = r == 11 ? 0 : kGenerator[(column++ + r) % 11];
      rows.push_back(std::move(row));
    }
  } else {
    int last = k - 1;
    while (sizes[static_cast<std::size_t>(last)] != 2) --last;
    std::vector<int> others = sizes;
    others[static_cast<std::size_t>(last)] = 1;
    for (const Combination& a : PairsOfTwoChoices(others))
      for (int flip = 0; flip < 2; ++flip) {
        Combination row = a;
        for (int c = 0; c < k; ++c)
          if (sizes[static_cast<std::size_t>(c)] == 2) row[static_cast<std::size_t>(c)] ^= flip;
        row[static_cast<std::size_t>(last)] = flip;
        rows.push_back(std::move(row));
      }
  }
  if (CoverageOf(sizes, 3, rows, nullptr).covered != TupleCount(sizes, 3)) return {};
  return rows;
}

// Strength 3 for five or six categories of at most three choices: 33
// rows, the size of the best covering arrays known for six categories of
// three (an orthogonal array holds four of them at most, and the field of 4
// takes 64 rows). The rows were found once by a search and are checked
// whole by the tests; a category of fewer choices takes the value modulo
// its size, and rows made equal by it go.
std::vector<Combination> TriplesOfThreeChoices(const std::vector<int>& sizes) {
  static constexpr const char* kRows[] = {
      "012021", "222101", "102122", "020000", "200110", "000121", "210011", "201221", "111111", "100001", "102211",
      "112002", "020211", "001012", "220022", "022222", "110220", "002200", "221210", "212212", "211000", "011201",
      "202020", "021120", "010102", "122010", "101100", "211122", "012110", "121021", "121202", "120112", "200202"};
  const std::size_t k = sizes.size();
  if (k < 5 || k > 6 || *std::max_element(sizes.begin(), sizes.end()) != 3 ||
      *std::min_element(sizes.begin(), sizes.end()) < 1)
    return {};
  std::set<Combination> rows;
  for (const char* text : kRows) {
    Combination row(k);
    for (std::size_t c = 0; c < k; ++c) row[c] = (text[c] - '0') % sizes[c];
    rows.insert(std::move(row));
  }
  return {rows.begin(), rows.end()};
}

// Fewer rows by a bounded local search over a complete covering free of
// contradictions: the row holding fewest tuples alone goes, then, while
// tuples are open, one of them is drawn and the row that loses least by
// taking its values (the tuples it alone holds against those it closes;
// ties, and now and then any row, at random) takes them. When no tuple is
// open the next row goes; when the moves run out the last complete rows
// stay. The moves are counted in tuples looked at, so that the search takes
// the same bounded time on any set.
void ShrinkRows(const Tuples& tuples, std::vector<Combination>& rows, long long bound, RandomSource& random) {
  // Tuples looked at, at most, over the whole search: beyond pairs the
  // greedy rows are already near what the search reaches, and each look
  // costs more.
  constexpr long long kLooks = 700'000, kLooksBeyondPairs = 150'000;
  const int k = static_cast<int>(tuples.sizes.size()), t = tuples.t;
  std::vector<std::vector<int>> with(static_cast<std::size_t>(k));
  for (int s = 0; s < static_cast<int>(tuples.subsets.size()); ++s)
    for (int c : tuples.subsets[static_cast<std::size_t>(s)]) with[static_cast<std::size_t>(c)].push_back(s);
  std::vector<int> held(static_cast<std::size_t>(tuples.total), 0);
  std::vector<long long> open;                                               // the tuples no row holds
  std::vector<long long> where(static_cast<std::size_t>(tuples.total), -1);  // their place in open
  const auto hold = [&](long long i, int delta) {
    int& h = held[static_cast<std::size_t>(i)];
    if (h == 0 && delta > 0) {
      const long long last = open.back();
      open[static_cast<std::size_t>(where[static_cast<std::size_t>(i)])] = last;
      where[static_cast<std::size_t>(last)] = where[static_cast<std::size_t>(i)];
      open.pop_back();
      where[static_cast<std::size_t>(i)] = -1;
    }
    h += delta;
    if (h == 0) {
      where[static_cast<std::size_t>(i)] = static_cast<long long>(open.size());
      open.push_back(i);
    }
  };
  for (const Combination& row : rows) tuples.ofRow(row, [&](long long i) { ++held[static_cast<std::size_t>(i)]; });
  if (std::find(held.begin(), held.end(), 0) != held.end()) return;  // not a whole covering
  std::vector<Combination> complete = rows;
  std::vector<int> stamp(tuples.subsets.size(), -1), touched;
  int round = 0;
  // The subsets a change of these cells of a row touches.
  const auto touch = [&](const Combination& row, const Combination& to) {
    touched.clear();
    ++round;
    for (int c = 0; c < k; ++c)
      if (to[static_cast<std::size_t>(c)] >= 0 && to[static_cast<std::size_t>(c)] != row[static_cast<std::size_t>(c)])
        for (int s : with[static_cast<std::size_t>(c)])
          if (stamp[static_cast<std::size_t>(s)] != round) {
            stamp[static_cast<std::size_t>(s)] = round;
            touched.push_back(s);
          }
  };
  long long looks = 0;
  Combination changed;
  // The looks one row's going may take, and the whole search.
  const long long perDrop = tuples.total * (t >= 3 ? 60 : 120);
  const long long most = std::min(t >= 3 ? kLooksBeyondPairs : kLooks, tuples.total * 300);
  while (static_cast<long long>(rows.size()) > bound && looks < most) {
    const long long until = std::min(most, looks + perDrop);
    std::size_t gone = 0;
    int fewest = -1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      int alone = 0;
      tuples.ofRow(rows[r], [&](long long i) { alone += held[static_cast<std::size_t>(i)] == 1; });
      if (fewest < 0 || alone < fewest) {
        fewest = alone;
        gone = r;
      }
    }
    tuples.ofRow(rows[gone], [&](long long i) { hold(i, -1); });
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(gone));
    // The move at which each cell last changed: a cell changed in the last
    // kTabu moves stays, so that the search does not undo what it just did
    // (longer beyond pairs, where a tuple has more cells to undo).
    const long long kTabu = t >= 3 ? 8 : 3;
    std::vector<long long> changedAt(rows.size() * static_cast<std::size_t>(k), -kTabu - 1);
    long long moves = 0;
    while (!open.empty() && looks < until) {
      const long long tuple = open[static_cast<std::size_t>(RandomBelow(random, static_cast<int>(open.size())))];
      const Combination want = tuples.digitsOf(tuple);
      const std::vector<int>& set = tuples.subsets[static_cast<std::size_t>(
          std::upper_bound(tuples.offset.begin(), tuples.offset.end(), tuple) - tuples.offset.begin() - 1)];
      std::size_t chosen = 0;
      long long best = 0;
      int ties = 0;
      const bool any = RandomBelow(random, 10) == 0;
      // Only the rows that need fewest cells changed, none of them changed
      // lately, are weighed.
      const auto differing = [&](std::size_t r) {
        int n = 0;
        for (int c : set) {
          if (want[static_cast<std::size_t>(c)] == rows[r][static_cast<std::size_t>(c)]) continue;
          if (moves - changedAt[r * static_cast<std::size_t>(k) + static_cast<std::size_t>(c)] <= kTabu) return k + 1;
          ++n;
        }
        return n;
      };
      int least = k + 1;
      for (std::size_t r = 0; r < rows.size(); ++r) least = std::min(least, differing(r));
      looks += static_cast<long long>(rows.size()) * t;
      for (std::size_t r = 0; r < rows.size(); ++r) {
        if (differing(r) != least) continue;
        touch(rows[r], want);
        long long delta = 0;
        for (int s : touched) delta -= held[static_cast<std::size_t>(tuples.index(s, rows[r]))] == 1;
        changed = rows[r];
        for (int c : set) changed[static_cast<std::size_t>(c)] = want[static_cast<std::size_t>(c)];
        for (int s : touched) delta += held[static_cast<std::size_t>(tuples.index(s, changed))] == 0;
        looks += static_cast<long long>(touched.size());
        if (any) delta = 0;
        if (ties == 0 || delta > best) {
          best = delta;
          chosen = r;
          ties = 1;
        } else if (delta == best && RandomBelow(random, ++ties) == 0) {
          chosen = r;
        }
      }
      Combination& row = rows[chosen];
      touch(row, want);
      for (int s : touched) hold(tuples.index(s, row), -1);
      for (int c : set)
        if (row[static_cast<std::size_t>(c)] != want[static_cast<std::size_t>(c)]) {
          row[static_cast<std::size_t>(c)] = want[static_cast<std::size_t>(c)];
          changedAt[chosen * static_cast<std::size_t>(k) + static_cast<std::size_t>(c)] = moves;
        }
      for (int s : touched) hold(tuples.index(s, row), 1);
      ++moves;
    }
    if (!open.empty()) break;
    complete = rows;
  }
  rows = std::move(complete);
}

}  // namespace

CoverPlan Cover(const std::vector<int>& sizes, int t, long most, const SignificanceTest& significant,
                RandomSource& random, const std::vector<Combination>& given) {
  CoverPlan plan;
  const int k = static_cast<int>(sizes.size());
  t = std::min(t, k);
  if (t <= 0) return plan;
  const Tuples tuples(sizes, t);
  if (tuples.total > kMaxTuples) {
    // Too many tuples to list: free of contradictions and of rows given, a
    // covering composed from an orthogonal array; else none.
    if (!significant && given.empty()) plan.rows = ComposedCovering(sizes, t, random);
    plan.needed = plan.rows.empty() ? -1 : static_cast<long>(plan.rows.size());
    if (most >= 0 && static_cast<long>(plan.rows.size()) > most) plan.rows.resize(static_cast<std::size_t>(most));
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
  std::unordered_set<Combination, CombinationHash> chosen(given.begin(), given.end());
  for (const Combination& row : given)
    tuples.ofRow(row, [&](long long i) {
      if (open[static_cast<std::size_t>(i)]) {
        open[static_cast<std::size_t>(i)] = 0;
        --openCount;
      }
    });
  // The lower bound of any covering: the product of the t largest sizes.
  std::vector<int> sorted = sizes;
  std::sort(sorted.rbegin(), sorted.rend());
  long long bound = 1;
  for (int i = 0; i < t; ++i) bound *= sorted[static_cast<std::size_t>(i)];
  bool shrinkPairs = false;  // the greedy rows of pairs free of contradictions
  if (t == 2 && k >= 2 && openCount > 0) {
    // When no pair is impossible, an array built at once (categories of two
    // choices, or an orthogonal array) within 1.3 times the lower bound (the
    // product of the two largest categories) is taken as it is, as are the
    // rows for two choices, the fewest there are: the greedy rows are seldom
    // fewer and take far longer. Else the greedy rows, unless those in
    // parameter order, of the array or, for more categories than it holds,
    // of its blocks are fewer; the subsets of two categories come in the
    // order CoverPairs lays them out.
    const bool unconstrained = plan.coverage.impossible == 0 && given.empty();
    std::vector<Combination> array = !unconstrained   ? std::vector<Combination>()
                                     : sorted[0] <= 2 ? PairsOfTwoChoices(sizes)
                                                      : PairsOfOrthogonalArray(sizes);
    if (!array.empty() && (sorted[0] <= 2 || static_cast<long long>(array.size()) * 10 <= bound * 13)) {
      plan.rows = std::move(array);
    } else {
      plan.rows = CoverPairs(sizes, open, significant, random);
      if (unconstrained) {
        if (std::vector<Combination> ordered = PairsInOrder(sizes); ordered.size() <= plan.rows.size())
          plan.rows = std::move(ordered);
        if (array.empty() && sorted[0] > 2) array = PairsOfOrthogonalBlocks(sizes, random);
        if (!array.empty() && array.size() < plan.rows.size()) plan.rows = std::move(array);
        DropRows(sizes, plan.rows);
        shrinkPairs = true;
      }
    }
    openCount = 0;
  }
  // Beyond pairs, free of contradictions: an orthogonal array (or the
  // doubled rows of two choices) within 1.3 times the lower bound, the
  // product of the t largest sizes, is taken as it is; else the greedy rows,
  // thinned out, unless the array is fewer.
  const bool beyondPairs = t >= 3 && openCount > 0 && plan.coverage.impossible == 0 && given.empty();
  bool constructed = false;  // an array taken as it is: as few rows as this search would find
  std::vector<Combination> array;
  if (beyondPairs) {
    array = sorted[0] <= 2 && t == 3   ? TriplesOfTwoChoices(sizes)
            : sorted[0] == 3 && t == 3 ? TriplesOfThreeChoices(sizes)
                                       : std::vector<Combination>();
    if (array.empty()) array = OrthogonalArrayOfStrength(sizes, t, 4 * bound);
    if (!array.empty() && (sorted[0] <= 2 || static_cast<long long>(array.size()) * 10 <= bound * 13)) {
      plan.rows = std::move(array);
      openCount = 0;
      constructed = true;
    }
  }
  // The greedy rows that close the tuples still open, after the rows given.
  std::vector<int> order(static_cast<std::size_t>(k));
  std::vector<std::pair<long long, long long>> spots;  // base and stride of a category's tuples
  std::array<int, 11> pick{};
  const auto complete = [&](std::vector<char>& isOpen, long long& openLeft,
                            std::unordered_set<Combination, CombinationHash>& taken, std::vector<Combination>& rows) {
    while (openLeft > 0) {
      std::vector<int> best;
      long long bestGain = 0;
      for (int attempt = 0, tries = t >= 3 ? kWideCandidates : kCandidates; attempt < tries; ++attempt) {
        // A tuple still open to start from.
        long long start = static_cast<long long>(random.draw() * static_cast<double>(tuples.total));
        start = std::min(std::max(start, 0LL), tuples.total - 1);
        while (!isOpen[static_cast<std::size_t>(start)]) start = (start + 1) % tuples.total;
        std::vector<int> digits = tuples.digitsOf(start);
        std::vector<int> assigned;
        for (int c = 0; c < k; ++c)
          if (digits[static_cast<std::size_t>(c)] >= 0) assigned.push_back(c);
        order.clear();
        for (int c = 0; c < k; ++c)
          if (digits[static_cast<std::size_t>(c)] < 0) order.push_back(c);
        for (std::size_t i = order.size(); i > 1; --i)
          std::swap(order[i - 1], order[static_cast<std::size_t>(RandomBelow(random, static_cast<int>(i)))]);
        for (int c : order) {
          // The choice that closes the most open tuples with those already
          // set: each subset of c and t - 1 categories set holds the tuple
          // base + v * stride for the value v of c.
          spots.clear();
          digits[static_cast<std::size_t>(c)] = 0;
          const auto walk = [&](auto&& self, std::size_t from, int depth) -> void {
            if (depth == t - 1) {
              std::array<int, 11> set{};
              int n = 0;
              for (int i = 0; i < depth; ++i) set[static_cast<std::size_t>(n++)] = pick[static_cast<std::size_t>(i)];
              set[static_cast<std::size_t>(n++)] = c;
              std::sort(set.begin(), set.begin() + n);
              long long rank = 0;
              for (int i = 0; i < n; ++i)
                rank += tuples.binomial[static_cast<std::size_t>(set[static_cast<std::size_t>(i)])]
                                       [static_cast<std::size_t>(i) + 1];
              const int subset = tuples.byRank[static_cast<std::size_t>(rank)];
              long long stride = 1;
              for (int i = n - 1; i >= 0 && set[static_cast<std::size_t>(i)] != c; --i)
                stride *= sizes[static_cast<std::size_t>(set[static_cast<std::size_t>(i)])];
              spots.emplace_back(tuples.index(subset, digits), stride);
              return;
            }
            for (std::size_t i = from; i < assigned.size(); ++i) {
              pick[static_cast<std::size_t>(depth)] = assigned[i];
              self(self, i + 1, depth + 1);
            }
          };
          walk(walk, 0, 0);
          int bestValue = RandomBelow(random, sizes[static_cast<std::size_t>(c)]);
          long long bestScore = -1;
          for (int v = 0; v < sizes[static_cast<std::size_t>(c)]; ++v) {
            long long score = 0;
            for (const auto& [base, stride] : spots) score += isOpen[static_cast<std::size_t>(base + v * stride)];
            if (score > bestScore) {
              bestScore = score;
              bestValue = v;
            }
          }
          digits[static_cast<std::size_t>(c)] = bestValue;
          assigned.push_back(c);
        }
        if (taken.count(digits) != 0 || (significant && !significant(digits))) continue;
        long long gain = 0;
        tuples.ofRow(digits, [&](long long i) { gain += isOpen[static_cast<std::size_t>(i)]; });
        if (gain > bestGain) {
          bestGain = gain;
          best = digits;
        }
      }
      if (bestGain == 0) break;  // the tuples left are in no row these tries reach
      tuples.ofRow(best, [&](long long i) {
        if (isOpen[static_cast<std::size_t>(i)]) {
          isOpen[static_cast<std::size_t>(i)] = 0;
          --openLeft;
        }
      });
      taken.insert(best);
      rows.push_back(best);
    }
  };
  if (!beyondPairs || openCount == 0) {
    complete(open, openCount, chosen, plan.rows);
  } else {
    // The greedy rows, unless the array is fewer; ShrinkRows thins them out.
    std::vector<std::vector<Combination>> tried;
    {
      std::vector<Combination> start;
      std::vector<char> stillOpen = open;
      long long left = openCount;
      std::unordered_set<Combination, CombinationHash> drawn(start.begin(), start.end());
      for (const Combination& row : start)
        tuples.ofRow(row, [&](long long i) {
          if (stillOpen[static_cast<std::size_t>(i)]) {
            stillOpen[static_cast<std::size_t>(i)] = 0;
            --left;
          }
        });
      complete(stillOpen, left, drawn, start);
      tried.push_back(std::move(start));
    }
    if (!array.empty()) tried.push_back(std::move(array));
    plan.rows = std::move(*std::min_element(tried.begin(), tried.end(),
                                            [](const auto& x, const auto& y) { return x.size() < y.size(); }));
  }
  if (((beyondPairs && !constructed) || (t == 2 && shrinkPairs)) && static_cast<long long>(plan.rows.size()) > bound)
    ShrinkRows(tuples, plan.rows, bound, random);
  plan.needed = static_cast<long>(given.size() + plan.rows.size());
  if (most >= 0 && static_cast<long>(plan.rows.size()) > most) plan.rows.resize(static_cast<std::size_t>(most));
  std::vector<Combination> all = given;
  all.insert(all.end(), plan.rows.begin(), plan.rows.end());
  plan.coverage = CoverageOf(sizes, t, all, significant);
  return plan;
}

}  // namespace zov
