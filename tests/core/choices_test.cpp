#include "generation/choices.h"

#include <gtest/gtest.h>

#include "generation/test_case_table.h"

namespace zov {
namespace {

TEST(NegateValue, NotAndBack) {
  EXPECT_EQ(NegateValue("not busy"), " busy");
  EXPECT_EQ(NegateValue("busy"), " not busy");
  EXPECT_EQ(NegateValue("notbusy"), "busy");
}

TEST(LineNames, KeepTheirLeadingBlank) {
  EXPECT_EQ(PropertyLine("busy"), "     [Property  busy ]");
  EXPECT_EQ(SelectorLine("not busy"), "     [if not busy ]");
  EXPECT_EQ(SelectorLineName(SelectorLine("not busy")), " not busy");
  EXPECT_EQ(PropertyLineName(PropertyLine("busy")), " busy");
}

struct Row : ::testing::Test {
  std::vector<std::string> row{"0", "Test Procedure", "True", "open"};
  std::vector<std::string> warnings;
  bool conflict(const std::string& text, bool isProperty) {
    return FindConflict(text, row, static_cast<int>(row.size()) - 1, isProperty,
                        [this](const std::string& w) { warnings.push_back(w); });
  }
};

TEST_F(Row, APropertyAndANegatedSelectorConflict) {
  row.push_back(PropertyLine("open"));
  EXPECT_TRUE(conflict("not open", false));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "Unsignifiant Test Procedure for value  open");
  EXPECT_EQ(row[2], "False");
}

TEST_F(Row, RolesSwappedAndTheCasesThatNeverMatch) {
  row.push_back(PropertyLine("not open"));
  EXPECT_TRUE(conflict("open", false));  // selector open against property not open
  row[2] = "True";
  row.push_back(PropertyLine("busy"));
  EXPECT_FALSE(conflict("busy", false));     // the same, no negation
  EXPECT_FALSE(conflict("not busy", true));  // two properties never conflict
  EXPECT_FALSE(conflict("notbusy", false));  // negated without a blank: never matches
  row.push_back(SelectorLine("ready"));
  EXPECT_TRUE(conflict("not ready", true));  // a property against an earlier selector
  EXPECT_EQ(warnings.size(), 2u);
}

TEST(DefaultList, VerbatimValuesUpToTheBracket) {
  EXPECT_EQ(DefaultValueList("DEF(a,,b)"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(DefaultValueList("DEF()"), (std::vector<std::string>{""}));
  EXPECT_EQ(DefaultValueList("x DEF(1, 2) y"), (std::vector<std::string>{"1", " 2"}));
  EXPECT_TRUE(DefaultValueList("DEF(1,2").empty());
  EXPECT_TRUE(DefaultValueList("def(2)").empty());
  AttributeRecord a;
  std::vector<std::string> listed;
  EXPECT_EQ(ParseDefaultList("DEF(red,green)", 3, a, &listed), 5);
  EXPECT_EQ(a.choices[3].value, "red");
  EXPECT_EQ(a.choices[4].value, "green");
  EXPECT_EQ(listed, (std::vector<std::string>{"red", "green"}));
  // Past the last choice the values are left out.
  EXPECT_EQ(ParseDefaultList("DEF(x,y,z)", 99, a, nullptr), 101);
}

TEST(Conditions, IfElseAndNothing) {
  Condition c;
  ASSERT_TRUE(SplitCondition("if card valid", c));
  EXPECT_TRUE(c.isIf);
  EXPECT_EQ(c.text, " card valid");
  ASSERT_TRUE(SplitCondition("ifx", c));
  EXPECT_EQ(c.text, "x");
  ASSERT_TRUE(SplitCondition("else refused", c));
  EXPECT_TRUE(c.isElse);
  EXPECT_EQ(c.text, " refused");
  Condition untouched{false, false, "kept"};
  EXPECT_FALSE(SplitCondition("If card valid", untouched));
  EXPECT_EQ(untouched.text, "kept");
}

TEST(SequenceLevel, OnePlusTheDots) {
  std::int16_t level = 9;
  SequenceLevel("[2]pay", level);
  EXPECT_EQ(level, 1);
  SequenceLevel("[2.10.3]pay", level);
  EXPECT_EQ(level, 3);
  SequenceLevel("no label", level);
  EXPECT_EQ(level, 3);
}

}  // namespace
}  // namespace zov
