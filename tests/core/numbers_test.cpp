#include "tree/numbers.h"

#include <gtest/gtest.h>

#include <utility>

namespace zov {
namespace {

// The leading number only; blanks, tabs and line feeds anywhere are
// skipped; what is not a number, or empty, is zero; a comma is no decimal
// separator.
TEST(ReadNumber, LeadingNumberBlanksSkipped) {
  const std::pair<const char*, double> cases[] = {
      {"0.25", 0.25}, {"12abc", 12},       {"-3.5x", -3.5},   {"+7", 7}, {".5", 0.5}, {"5.", 5},   {"1.2.3", 1.2},
      {"  42", 42},   {"1 2\t3\n4", 1234}, {"- 0 . 5", -0.5}, {"", 0},   {"----", 0}, {"abc1", 0}, {".", 0},
      {"-", 0},       {"0,75", 0},         {"2,75", 2}};
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(ReadNumber(text), value) << text;
}

TEST(RoundInt16, HalvesGoToEven) {
  const std::pair<double, int> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2},  {-3.5, -4},
                                          {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundInt16(value), rounded) << value;
}

TEST(RoundInt16, OutOfRangeSaturatesAndIsReported) {
  bool overflow = false;
  EXPECT_EQ(RoundInt16(32767.4, &overflow), 32767);
  EXPECT_FALSE(overflow);
  EXPECT_EQ(RoundInt16(32767.5, &overflow), 32767);  // would round to 32768
  EXPECT_TRUE(overflow);
  EXPECT_EQ(RoundInt16(-32768.0, &overflow), -32768);
  EXPECT_FALSE(overflow);
  EXPECT_EQ(RoundInt16(-40000, &overflow), -32768);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(RoundInt16(1e300, &overflow), 32767);
  EXPECT_TRUE(overflow);
}

TEST(IntegerForms, SignSlotAndTrimmed) {
  EXPECT_EQ(WithSign(3), " 3");
  EXPECT_EQ(WithSign(0), " 0");
  EXPECT_EQ(WithSign(-3), "-3");
  EXPECT_EQ(IntegerText(3), "3");
  EXPECT_EQ(IntegerText(-12), "-12");
}

TEST(ShortForm, ShortestFormWithoutLeadingZero) {
  EXPECT_EQ(ShortForm(1.0f), "1");
  EXPECT_EQ(ShortForm(0.25f), ".25");
  EXPECT_EQ(ShortForm(0.9999f), ".9999");
  EXPECT_EQ(ShortForm(-0.5f), "-.5");
  EXPECT_EQ(ShortForm(0.0f), "0");
  EXPECT_EQ(ShortForm(12.5f), "12.5");
  // Seven significant digits at most: a third of single precision.
  EXPECT_EQ(ShortForm(1.0f / 3.0f), ".3333333");
  EXPECT_EQ(ShortForm(2.0f / 3.0f), ".6666667");
  EXPECT_EQ(ShortForm(0.5f * 0.3333f), ".16665");
  EXPECT_EQ(ShortForm(123456789.0f), "1.234568E+08");
}

}  // namespace
}  // namespace zov
