#include "selection/allocation.h"
#include "session/scripted_asker.h"

#include <gtest/gtest.h>

#include "tree/colors.h"
#include "tree/tag.h"
#include "ui/ui.h"

namespace zov {
namespace {

// A root and leaves with the given absolute weights, as the selection tree has them.
Tree Leaves(const std::vector<float>& weights) {
  Tree t;
  t.setTag(t.addTop("R", "[1.0000] R", "actor"), CreaTag(0, 1.0f, 0, false));
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const std::string key = "L" + std::to_string(i);
    t.setTag(t.addChild("R", key, WeightLabel(weights[i], key), "sequence"), CreaTag(1, weights[i], 0, false));
  }
  return t;
}
std::string_view Text(const Tree& t, int leaf) { return t.node(t.find("L" + std::to_string(leaf))).text; }

TEST(ByNumber, SharesInProportion) {
  Tree t = Leaves({0.5f, 0.25f, 0.25f});
  DistribuisciCasiTest(t, 500);
  EXPECT_EQ(Text(t, 0), "[0.5000] L0  ((NTP:250))");
  EXPECT_EQ(Text(t, 1), "[0.2500] L1  ((NTP:125))");
  EXPECT_EQ(CalcolaNumeroTest(t), 500);
}

TEST(ByNumber, CountsAreNotCorrectedToTheTotal) {
  Tree t = Leaves({0.3333f, 0.3333f, 0.3333f});
  DistribuisciCasiTest(t, 10);
  EXPECT_EQ(Text(t, 2), "[0.3333] L2  ((NTP:3))");
  EXPECT_EQ(CalcolaNumeroTest(t), 9);
  Tree halves = Leaves({0.25f, 0.35f});
  DistribuisciCasiTest(halves, 10);  // 2.5 and 3.5: halves to even
  EXPECT_EQ(LeggiNTP(Text(halves, 0)), 2);
  EXPECT_EQ(LeggiNTP(Text(halves, 1)), 4);
}

TEST(ByCoverage, WorkedExample) {
  Tree t = Leaves({0.5f, 0.3f, 0.15f, 0.05f});
  ScriptedAsker asker;
  asker.inputs.push_back("30");
  EXPECT_EQ(CasiTestCoverage(t, 80, asker), "");
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].text, "The minimum number of Test Procedures is 3");
  EXPECT_EQ(asker.asked[0].title, "Insert the required number of Test Procedures: ");
  EXPECT_EQ(Text(t, 0), "[0.5000] L0  ((NTP:17))");
  EXPECT_EQ(Text(t, 1), "[0.3000] L1  ((NTP:10))");
  EXPECT_EQ(Text(t, 2), "[0.1500] L2");  // excluded: no annotation, red
  EXPECT_EQ(t.node(t.find("L2")).foreColor, Rgb(255, 0, 0));
  EXPECT_EQ(t.node(t.find("L3")).foreColor, Rgb(255, 0, 0));
  EXPECT_EQ(CalcolaNumeroTest(t), 27);
}

TEST(ByCoverage, TheProposedMinimumIsTheDefaultAnswer) {
  Tree t = Leaves({0.5f, 0.3f, 0.15f, 0.05f});
  ScriptedAsker asker;  // accepts the default
  EXPECT_EQ(CasiTestCoverage(t, 80, asker), "");
  EXPECT_EQ(LeggiNTP(Text(t, 0)), 2);
  EXPECT_EQ(LeggiNTP(Text(t, 1)), 1);
  // A cancelled or empty answer reads as 0.
  Tree u = Leaves({0.5f, 0.5f});
  asker.inputs.push_back(std::nullopt);
  EXPECT_EQ(CasiTestCoverage(u, 100, asker), "");
  EXPECT_EQ(Text(u, 0), "[0.5000] L0  ((NTP:0))");
}

TEST(ByCoverage, AFullBranchJustShortOfOneKeepsEveryLeaf) {
  Tree t = Leaves({0.3333f, 0.3333f, 0.3333f});
  ScriptedAsker asker;
  EXPECT_EQ(CasiTestCoverage(t, 100, asker), "");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(LeggiNTP(Text(t, i)), 1);
}

TEST(ByCoverage, TheExchangeSortDecidesBetweenEqualWeights) {
  LeafTable f{{10, 20, 20, 30}, {1, 2, 3, 4}};
  OrdinaPesi(f);
  EXPECT_EQ(f.order, (std::vector<int>{4, 3, 2, 1}));  // the later 20 comes first
  TagliaCopertura(f, 50);
  EXPECT_EQ(f.order, (std::vector<int>{4, 3, -2, -1}));
  EXPECT_FLOAT_EQ(f.weight[0], 0.3f);
  EXPECT_FLOAT_EQ(f.weight[2], 1.0f);  // excluded entries hold 1
}

TEST(ByCoverage, RefusedWhenNothingCanBeShared) {
  ScriptedAsker asker;
  Tree none = Leaves({0.5f, 0.5f});
  EXPECT_NE(CasiTestCoverage(none, 0, asker).find("keeps no leaf"), std::string::npos);
  Tree zero = Leaves({0.0f});
  EXPECT_NE(CasiTestCoverage(zero, 100, asker), "");
  EXPECT_EQ(Text(zero, 0), "[0.0000] L0");
  EXPECT_TRUE(asker.asked.empty());
  Tree empty;
  EXPECT_NE(CasiTestCoverage(empty, 100, asker), "");
  // An answer outside 0..32767 is refused and asked again.
  Tree big = Leaves({0.5f, 0.5f});
  asker.inputs.push_back("100000");
  asker.inputs.push_back("-4");
  asker.inputs.push_back("40");
  EXPECT_EQ(CasiTestCoverage(big, 100, asker), "");
  ASSERT_EQ(asker.asked.size(), 5u);
  EXPECT_EQ(asker.asked[1].text,
            "Number of Test Procedures: \"100000\" is out of range; type a number from 0 to 32767.");
  EXPECT_EQ(asker.asked[3].text, "Number of Test Procedures: \"-4\" is out of range; type a number from 0 to 32767.");
  EXPECT_EQ(Text(big, 0), "[0.5000] L0  ((NTP:20))");
}

TEST(ByCoverage, AZeroWeightLeafDoesNotLowerTheMinimum) {
  Tree t = Leaves({0.5f, 0.5f, 0.0f});
  ScriptedAsker asker;
  EXPECT_EQ(CasiTestCoverage(t, 100, asker), "");
  EXPECT_EQ(asker.asked[0].text, "The minimum number of Test Procedures is 2");
  EXPECT_EQ(LeggiNTP(Text(t, 2)), 0);
}

TEST(ByCoverage, NoFixedLimitOnTheLeaves) {
  std::vector<float> weights(3000, 1.0f / 3000);
  Tree t = Leaves(weights);
  ScriptedAsker asker;
  EXPECT_EQ(CasiTestCoverage(t, 100, asker), "");
  EXPECT_GE(CalcolaNumeroTest(t), 2900);
}

TEST(Annotations, ReadBack) {
  EXPECT_EQ(RitornaNumeroTest("[0.5000] Pay  ((NTP:125))"), 125);
  EXPECT_EQ(LeggiNTP("[0.5000] Pay  ((NTP:125))"), 125);
  EXPECT_EQ(RitornaNumeroTest("[0.5000] Pay"), 0);
  EXPECT_EQ(LeggiNTP("[0.5000] Pay"), 0);
  EXPECT_EQ(LeggiNTP("odd)) text (("), 0);
  EXPECT_EQ(EstraiNome("[0.5000] Pay cash  ((NTP:3))"), "Pay cash ");
  EXPECT_EQ(EstraiNome("[0.5000] Pay cash"), "Pay cash");
  // Test cases from the Design Tree have no weight label.
  EXPECT_EQ(EstraiNome("Dispense notes"), "Dispense notes");
  EXPECT_EQ(EstraiNome("Dispense notes  ((NTP:3))"), "Dispense notes ");
}

TEST(CriterionDialog, FieldsSettingsAndRefusals) {
  CriterionSettings s;
  CriterionDialog d(s);
  d.show();
  EXPECT_TRUE(d.optNumTest);
  EXPECT_FALSE(d.optCoverage);
  EXPECT_TRUE(d.NNTestEnabled);
  EXPECT_FALSE(d.PerccEnabled);
  EXPECT_EQ(d.NNTest, "500");
  EXPECT_EQ(d.Percc, "100");
  d.chooseCoverage();
  EXPECT_FALSE(s.byNumber);
  EXPECT_TRUE(d.PerccEnabled);
  d.Percc = "80.5";
  d.NNTest = "12.5";
  EXPECT_EQ(d.done(), "");
  EXPECT_TRUE(d.finito);
  EXPECT_TRUE(d.tastoOK);
  EXPECT_EQ(s.coverage, 80);  // halves to even
  EXPECT_EQ(s.procedures, 12);
  // Shown again: the choice and the values carry over.
  d.show();
  EXPECT_TRUE(d.optCoverage);
  EXPECT_EQ(d.Percc, "80");
  EXPECT_FALSE(d.finito);
  d.NNTest = "40000";
  EXPECT_NE(d.done().find("out of range"), std::string::npos);
  EXPECT_FALSE(d.finito);
  EXPECT_EQ(s.procedures, 12);
  d.NNTest = "12";
  d.Percc = "0";
  EXPECT_EQ(d.done(), "Functional Coverage: \"0\" is out of range; type a percentage from 1 to 100.");
  d.chooseNumber();
  d.NNTest = "-5";
  EXPECT_EQ(d.done(), "Number of Test Procedures: \"-5\" is out of range; type a number from 0 to 32767.");
  EXPECT_FALSE(d.finito);
  d.cancel();
  EXPECT_TRUE(d.finito);
  EXPECT_FALSE(d.tastoOK);
}

}  // namespace
}  // namespace zov
