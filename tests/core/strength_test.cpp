#include "generation/strength.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "generation/random_source.h"

namespace zov {
namespace {

// Every pair of choices of two categories is in some row.
bool CoversAllPairs(const std::vector<int>& sizes, const std::vector<Combination>& rows) {
  return CoverageOf(sizes, 2, rows, nullptr).covered == TupleCount(sizes, 2);
}

// Full coverage, distinct rows, and within a small factor of the lower
// bound (the product of the two largest categories) on sets testers meet.
TEST(Strength, PairwiseCoversEveryPairInFewRows) {
  SeededRandom random(7);
  // Orthogonal arrays reach the bound on 3^4 and 5^6, and stay near it when
  // smaller categories fold into a larger prime; their blocks hold 3^12 in
  // 15 rows, and 3^13 with one category more; two choices take the fewest
  // rows there are (8 for 20 categories); the greedy rows, thinned out,
  // reach the bound on the mixed set.
  const std::vector<std::vector<int>> sets = {{3, 3, 3, 3},
                                              std::vector<int>(13, 3),
                                              std::vector<int>(12, 3),
                                              std::vector<int>(24, 3),
                                              {3, 2, 3, 1, 3, 3, 2, 3, 3},
                                              std::vector<int>(20, 2),
                                              {10, 10, 10, 10, 10},
                                              {5, 5, 4, 4, 4, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2},
                                              std::vector<int>(6, 5),
                                              {7, 6, 5, 3},
                                              {2, 1, 2, 2, 2}};
  const std::vector<long> most = {9, 15, 15, 25, 15, 8, 121, 26, 25, 49, 5};
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const CoverPlan plan = Cover(sets[i], 2, -1, nullptr, random);
    EXPECT_TRUE(CoversAllPairs(sets[i], plan.rows)) << i;
    EXPECT_EQ(std::set<Combination>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size()) << i;
    EXPECT_LE(plan.needed, most[i]) << i;
    EXPECT_EQ(plan.coverage.covered, plan.coverage.possible);
  }
}

// Whether the rows hold every t values of these t categories.
bool HoldsEveryTuple(const std::vector<int>& sizes, const std::vector<Combination>& rows, const std::vector<int>& set) {
  std::size_t all = 1;
  for (int c : set) all *= static_cast<std::size_t>(sizes[static_cast<std::size_t>(c)]);
  std::vector<char> seen(all, 0);
  for (const Combination& row : rows) {
    std::size_t i = 0;
    for (int c : set)
      i = i * static_cast<std::size_t>(sizes[static_cast<std::size_t>(c)]) +
          static_cast<std::size_t>(row[static_cast<std::size_t>(c)]);
    seen[i] = 1;
  }
  return std::find(seen.begin(), seen.end(), 0) == seen.end();
}

// Whatever the sizes, up to 80 categories of up to 20 choices (more
// combinations than any number type holds) at t = 2 and 3: every tuple is
// covered, the rows are distinct, and never fewer than the lower bound, the
// product of the t largest sizes. At t = 3 in turn up to 12 categories of
// up to 5 choices, up to 70 of up to 3, up to 5 of up to 20, and 60 to 80 of
// up to 20: too many tuples to list (657 million at most), whose covering
// is checked on 300 sets of three categories drawn at random.
TEST(Strength, EverySetOfSizesIsCoveredWithDistinctRows) {
  SeededRandom random(11);
  const auto below = [&random](int n) { return RandomBelow(random, n); };
  for (int round = 0; round < 48; ++round) {
    const int t = round % 4 == 3 ? 3 : 2;
    // Every third pairwise set has many categories of at most three
    // choices, as the blocks of an orthogonal array take them; every tenth
    // is as wide as a path gets.
    const bool small = round % 3 == 0, wide = round % 10 == 4;
    const int kind = round / 4 % 4;
    const int k = t == 3 ? (kind == 1   ? 30 + below(41)
                            : kind == 2 ? 3 + below(3)
                            : kind == 3 ? 60 + below(21)
                                        : 3 + below(10))
                  : wide ? 60 + below(21)
                         : 2 + below(small ? 30 : 14);
    const int most = t == 3 ? (kind == 1 ? 3 : kind >= 2 ? 20 : 5) : wide ? 20 : small ? 3 : 7;
    std::vector<int> sizes(static_cast<std::size_t>(k));
    for (int& n : sizes) n = 1 + below(most);
    const CoverPlan plan = Cover(sizes, t, -1, nullptr, random);
    ASSERT_EQ(std::set<Combination>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size()) << round;
    if (kind == 3 && t == 3) {
      ASSERT_EQ(TupleCount(sizes, t), -1) << round;
      ASSERT_EQ(plan.needed, static_cast<long>(plan.rows.size())) << round;
      for (int draw = 0; draw < 300; ++draw) {
        std::set<int> set;
        while (set.size() < 3) set.insert(below(k));
        ASSERT_TRUE(HoldsEveryTuple(sizes, plan.rows, {set.begin(), set.end()})) << "round " << round;
      }
    } else {
      ASSERT_GT(TupleCount(sizes, t), 0) << round;
      ASSERT_EQ(CoverageOf(sizes, t, plan.rows, nullptr).covered, TupleCount(sizes, t)) << "round " << round;
    }
    std::vector<int> sorted = sizes;
    std::sort(sorted.rbegin(), sorted.rend());
    long bound = 1;
    for (int i = 0; i < t; ++i) bound *= sorted[static_cast<std::size_t>(i)];
    EXPECT_GE(plan.needed, bound) << round;
  }
}

// Rows kept from an earlier plan count as drawn: the new rows complete the
// covering around them and repeat none of them.
TEST(Strength, RowsAlreadyDrawnCountTowardTheCovering) {
  SeededRandom random(3);
  const std::vector<int> sizes = {3, 3, 3, 3};
  const std::vector<Combination> given = {{0, 0, 0, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}};
  const CoverPlan plan = Cover(sizes, 2, -1, nullptr, random, given);
  std::vector<Combination> all = given;
  all.insert(all.end(), plan.rows.begin(), plan.rows.end());
  EXPECT_TRUE(CoversAllPairs(sizes, all));
  EXPECT_EQ(std::set<Combination>(all.begin(), all.end()).size(), all.size());
  EXPECT_EQ(plan.needed, static_cast<long>(all.size()));
  EXPECT_EQ(plan.coverage.covered, plan.coverage.possible);
}

TEST(Strength, EachTakesEveryChoiceOnceAndAPrefixSaysWhatItMisses) {
  SeededRandom random(1);
  const std::vector<int> sizes = {6, 5, 4, 2};
  const CoverPlan all = Cover(sizes, 1, -1, nullptr, random);
  EXPECT_EQ(all.needed, 6);  // the largest category
  EXPECT_EQ(all.coverage.covered, 17);
  const CoverPlan five = Cover(sizes, 1, 5, nullptr, random);
  EXPECT_EQ(five.rows.size(), 5u);
  EXPECT_EQ(five.coverage.possible, 17);
  EXPECT_LT(five.coverage.covered, 17);
  EXPECT_GE(five.coverage.covered, 15);  // only the largest category's sixth choice can be missing
}

// A pair whose choices contradict each other is impossible: never drawn,
// never counted as missing; every other pair is covered.
TEST(Strength, ContradictingChoicesMakeImpossiblePairs) {
  SeededRandom random(3);
  const std::vector<int> sizes = {3, 3, 2};
  const SignificanceTest significant = [](const std::vector<int>& d) { return !(d[0] == 0 && d[1] == 2); };
  const CoverPlan plan = Cover(sizes, 2, -1, significant, random);
  EXPECT_EQ(plan.coverage.impossible, 1);
  EXPECT_EQ(plan.coverage.covered, plan.coverage.possible);
  EXPECT_EQ(plan.coverage.possible, TupleCount(sizes, 2) - 1);
  for (const Combination& row : plan.rows) EXPECT_FALSE(row[0] == 0 && row[1] == 2);  // (0, 2, *) never drawn
}

// Every three choices of three categories, each in a row of its own
// distinct combination.
TEST(Strength, ThreeWiseCoversEveryTriple) {
  SeededRandom random(5);
  const std::vector<int> sizes = {3, 2, 3, 2, 2};
  const CoverPlan plan = Cover(sizes, 3, -1, nullptr, random);
  EXPECT_EQ(CoverageOf(sizes, 3, plan.rows, nullptr).covered, TupleCount(sizes, 3));
  EXPECT_GE(plan.needed, 18);  // the three largest categories
  EXPECT_LE(plan.needed, 30);
  EXPECT_EQ(std::set<Combination>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size());
}

// Beyond pairs, the known constructions reach the best sizes there are:
// orthogonal arrays over the fields of 3 and 4 elements (3^4 in 27 rows,
// 4^6 in 64 with the hyperoval's extra column), twelve runs for ten
// categories of two, 33 rows for five or six of three (also with some of
// two); the others come near them.
TEST(Strength, ThreeWiseReachesTheBestKnownSizes) {
  SeededRandom random(9);
  const std::vector<std::pair<std::vector<int>, long>> sets = {
      {std::vector<int>(4, 3), 27}, {std::vector<int>(6, 4), 64}, {std::vector<int>(10, 2), 12},
      {{5, 5, 3, 3, 3}, 75},  // folded into the field of 5
      {std::vector<int>(6, 3), 33}, {std::vector<int>(5, 3), 33}, {{3, 2, 3, 3, 2, 3}, 33}};
  for (const auto& [sizes, most] : sets) {
    const CoverPlan plan = Cover(sizes, 3, -1, nullptr, random);
    EXPECT_EQ(CoverageOf(sizes, 3, plan.rows, nullptr).covered, TupleCount(sizes, 3)) << sizes.size();
    EXPECT_EQ(std::set<Combination>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size());
    EXPECT_LE(plan.needed, most) << sizes.size() << " categories of " << sizes[0];
  }
}

TEST(Strength, Names) {
  EXPECT_EQ(ParseStrength("random"), 0);
  EXPECT_EQ(ParseStrength("each"), 1);
  EXPECT_EQ(ParseStrength("pairwise"), 2);
  EXPECT_EQ(ParseStrength("3"), 3);
  EXPECT_FALSE(ParseStrength("0").has_value());
  EXPECT_FALSE(ParseStrength("fast").has_value());
  EXPECT_EQ(StrengthName(3), "3-wise");
}

}  // namespace
}  // namespace zov
