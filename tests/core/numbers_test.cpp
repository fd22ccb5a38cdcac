#include "tree/numbers.h"

#include <gtest/gtest.h>

namespace zov {
namespace {

TEST(LeggiNumero, ReadsTheLeadingNumberOnly) {
  EXPECT_DOUBLE_EQ(LeggiNumero("0.25"), 0.25);
  EXPECT_DOUBLE_EQ(LeggiNumero("12abc"), 12.0);
  EXPECT_DOUBLE_EQ(LeggiNumero("-3.5x"), -3.5);
  EXPECT_DOUBLE_EQ(LeggiNumero("+7"), 7.0);
  EXPECT_DOUBLE_EQ(LeggiNumero(".5"), 0.5);
  EXPECT_DOUBLE_EQ(LeggiNumero("5."), 5.0);
  EXPECT_DOUBLE_EQ(LeggiNumero("1.2.3"), 1.2);
}

TEST(LeggiNumero, IgnoresBlanksTabsAndLineFeedsAnywhere) {
  EXPECT_DOUBLE_EQ(LeggiNumero("  42"), 42.0);
  EXPECT_DOUBLE_EQ(LeggiNumero("1 2\t3\n4"), 1234.0);
  EXPECT_DOUBLE_EQ(LeggiNumero("- 0 . 5"), -0.5);
}

TEST(LeggiNumero, NonNumericOrEmptyIsZero) {
  EXPECT_EQ(LeggiNumero(""), 0.0);
  EXPECT_EQ(LeggiNumero("----"), 0.0);
  EXPECT_EQ(LeggiNumero("abc1"), 0.0);
  EXPECT_EQ(LeggiNumero("."), 0.0);
  EXPECT_EQ(LeggiNumero("-"), 0.0);
  // A comma is not a decimal separator.
  EXPECT_DOUBLE_EQ(LeggiNumero("0,75"), 0.0);
  EXPECT_DOUBLE_EQ(LeggiNumero("2,75"), 2.0);
}

TEST(RoundInt16, HalvesGoToEven) {
  EXPECT_EQ(RoundInt16(2.5), 2);
  EXPECT_EQ(RoundInt16(3.5), 4);
  EXPECT_EQ(RoundInt16(-2.5), -2);
  EXPECT_EQ(RoundInt16(-3.5), -4);
  EXPECT_EQ(RoundInt16(0.5), 0);
  EXPECT_EQ(RoundInt16(1.5), 2);
  EXPECT_EQ(RoundInt16(2.4999), 2);
  EXPECT_EQ(RoundInt16(2.5001), 3);
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
  EXPECT_EQ(ConSegno(3), " 3");
  EXPECT_EQ(ConSegno(0), " 0");
  EXPECT_EQ(ConSegno(-3), "-3");
  EXPECT_EQ(Intero(3), "3");
  EXPECT_EQ(Intero(-12), "-12");
}

TEST(FormaBreve, ShortestFormWithoutLeadingZero) {
  EXPECT_EQ(FormaBreve(1.0f), "1");
  EXPECT_EQ(FormaBreve(0.25f), ".25");
  EXPECT_EQ(FormaBreve(0.9999f), ".9999");
  EXPECT_EQ(FormaBreve(-0.5f), "-.5");
  EXPECT_EQ(FormaBreve(0.0f), "0");
  EXPECT_EQ(FormaBreve(12.5f), "12.5");
  // Seven significant digits at most: a third of single precision.
  EXPECT_EQ(FormaBreve(1.0f / 3.0f), ".3333333");
  EXPECT_EQ(FormaBreve(2.0f / 3.0f), ".6666667");
  EXPECT_EQ(FormaBreve(0.5f * 0.3333f), ".16665");
  EXPECT_EQ(FormaBreve(123456789.0f), "1.234568E+08");
}

}  // namespace
}  // namespace zov
