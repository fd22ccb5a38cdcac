#include "generation/strength.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "generation/random_source.h"

namespace zov {
namespace {

// Every pair of choices of two categories is in some row.
bool CoversAllPairs(const std::vector<int>& sizes, const std::vector<std::int64_t>& rows) {
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
    EXPECT_EQ(std::set<std::int64_t>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size()) << i;
    EXPECT_LE(plan.needed, most[i]) << i;
    EXPECT_EQ(plan.coverage.covered, plan.coverage.possible);
  }
}

// Whatever the sizes, the rows cover every pair once the greedy rows are
// thinned out or the blocks completed, and stay distinct.
TEST(Strength, EverySetOfSizesIsCoveredWithDistinctRows) {
  SeededRandom random(11);
  for (int round = 0; round < 60; ++round) {
    // Every third set has many categories of at most three choices, as
    // the blocks of an orthogonal array take them.
    const bool small = round % 3 == 0;
    std::vector<int> sizes(static_cast<std::size_t>(2 + static_cast<int>(random.draw() * (small ? 30 : 14))));
    for (int& n : sizes) n = 1 + static_cast<int>(random.draw() * (small ? 3 : 7));
    const CoverPlan plan = Cover(sizes, 2, -1, nullptr, random);
    ASSERT_TRUE(CoversAllPairs(sizes, plan.rows)) << "round " << round;
    ASSERT_EQ(std::set<std::int64_t>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size()) << round;
    std::vector<int> sorted = sizes;
    std::sort(sorted.rbegin(), sorted.rend());
    EXPECT_GE(plan.needed, sorted[0] * sorted[1]) << round;
  }
}

// Rows kept from an earlier plan count as drawn: the new rows complete the
// covering around them and repeat none of them.
TEST(Strength, RowsAlreadyDrawnCountTowardTheCovering) {
  SeededRandom random(3);
  const std::vector<int> sizes = {3, 3, 3, 3};
  const std::vector<std::int64_t> given = {0, 40, 80};
  const CoverPlan plan = Cover(sizes, 2, -1, nullptr, random, given);
  std::vector<std::int64_t> all = given;
  all.insert(all.end(), plan.rows.begin(), plan.rows.end());
  EXPECT_TRUE(CoversAllPairs(sizes, all));
  EXPECT_EQ(std::set<std::int64_t>(all.begin(), all.end()).size(), all.size());
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
  for (std::int64_t n : plan.rows) EXPECT_NE(n / 2, 0 * 3 + 2) << n;  // (0, 2, *) never drawn
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
  EXPECT_EQ(std::set<std::int64_t>(plan.rows.begin(), plan.rows.end()).size(), plan.rows.size());
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
