#include "tree/tag.h"

#include <gtest/gtest.h>

namespace zov {
namespace {

TEST(FormattaPeso, FourDecimalsWithPoint) {
  EXPECT_EQ(FormattaPeso(1.0f), "1.0000");
  EXPECT_EQ(FormattaPeso(0.0f), "0.0000");
  EXPECT_EQ(FormattaPeso(0.25f), "0.2500");
  EXPECT_EQ(FormattaPeso(1.0f / 3.0f), "0.3333");
  EXPECT_EQ(FormattaPeso(2.0f / 3.0f), "0.6667");
  EXPECT_EQ(FormattaPeso(12.0f), "12.0000");
  EXPECT_EQ(FormattaPeso(-0.25f), "-0.2500");
}

TEST(FormattaPeso, SinglePrecisionProductFallsBelowTheRoundingPoint) {
  // 1 x 0.5 x 0.3333 stored in single precision is just under 0.16665.
  const float product = 1.0f * 0.5f * static_cast<float>(0.3333);
  EXPECT_EQ(FormattaPeso(product), "0.1666");
  EXPECT_EQ(FormattaPeso(0.16665f), "0.1666");
  // Rounding follows the stored binary value on both sides of the point.
  EXPECT_EQ(FormattaPeso(0.00005f), "0.0000");
  EXPECT_EQ(FormattaPeso(0.00015f), "0.0002");
  EXPECT_EQ(FormattaPeso(0.12345f), "0.1235");
}

TEST(LeggiTag, RoundTripsWrittenTags) {
  const NodeTag t = LeggiTag("LIV:3$$WEI:0.2500$$NCI:4$$EDI:T");
  EXPECT_EQ(t.level, 3);
  EXPECT_FLOAT_EQ(t.weight, 0.25f);
  EXPECT_EQ(t.count, 4);
  EXPECT_TRUE(t.edited);
  EXPECT_FALSE(LeggiTag("LIV:3$$WEI:0.2500$$NCI:4$$EDI:F").edited);

  // The stored weight is the four-decimal value, not the one written.
  const NodeTag third = LeggiTag(CreaTag(2, 1.0f / 3.0f, 0, false));
  EXPECT_FLOAT_EQ(third.weight, 0.3333f);
  EXPECT_NE(third.weight, 1.0f / 3.0f);
}

// Edited only for exactly "T"; levels and counts round halves to even; a
// weight no float holds reads as zero.
TEST(LeggiTag, OddFields) {
  for (const char* edi : {"T ", "t", "", "TT"})
    EXPECT_FALSE(LeggiTag(std::string("LIV:1$$WEI:0.5000$$NCI:0$$EDI:") + edi).edited) << edi;
  const NodeTag t = LeggiTag("LIV:2.5$$WEI:1$$NCI:3.5$$EDI:F");
  EXPECT_EQ(t.level, 2);
  EXPECT_EQ(t.count, 4);
  const NodeTag huge = LeggiTag("LIV:1$$WEI:" + std::string(44, '9') + "$$NCI:0$$EDI:F");
  EXPECT_EQ(huge.weight, 0.0f);
  EXPECT_EQ(huge.level, 1);
}

TEST(LeggiTag, NotATagReadsAsZeros) {
  for (const char* bad : {"", "hello", "LIV:3", "LIV:3$$WEI:0.5$$NCI:2", "WEI:1$$NCI:1$$EDI:T"}) {
    const NodeTag t = LeggiTag(bad);
    EXPECT_EQ(t.level, 0) << bad;
    EXPECT_EQ(t.weight, 0.0f) << bad;
    EXPECT_EQ(t.count, 0) << bad;
    EXPECT_FALSE(t.edited) << bad;
  }
}

TEST(SostituiscePeso, ReplacesTheLabel) {
  EXPECT_EQ(SostituiscePeso("[0.5000] Withdraw Cash", 0.25f), "[0.2500] Withdraw Cash");
  EXPECT_EQ(SostituiscePeso("[----] Banking", 1.0f), "[1.0000] Banking");
  EXPECT_EQ(SostituiscePeso("no label here", 0.5f), "no label here");
  EXPECT_EQ(SostituiscePeso("[0.5000]NoBlank", 0.5f), "[0.5000]NoBlank");
  // Only the first "] " ends the label.
  EXPECT_EQ(SostituiscePeso("[0.1000] a] b", 0.2f), "[0.2000] a] b");
  // Text before the label is dropped, as the label is rebuilt at the head.
  EXPECT_EQ(SostituiscePeso("x] y", 1.0f), "[1.0000] y");
}

TEST(ReadLabelWeight, ReadsBetweenTheBrackets) {
  EXPECT_FLOAT_EQ(ReadLabelWeight("[0.1250] Deposit"), 0.125f);
  EXPECT_EQ(ReadLabelWeight("[----] Banking"), 0.0f);
  EXPECT_EQ(ReadLabelWeight("Deposit"), 0.0f);
  EXPECT_EQ(ReadLabelWeight("[0.5 Deposit"), 0.0f);
  EXPECT_FLOAT_EQ(ReadLabelWeight("[1.0000] [0.3] x"), 1.0f);
}

}  // namespace
}  // namespace zov
