#include "selection/usage_chart.h"

#include <gtest/gtest.h>

#include <cmath>

#include "selection/allocation.h"
#include "session/planning_session.h"
#include "support/window_ready.h"
#include "tree/colors.h"
#include "tree/tag.h"
#include "ui/ui.h"

namespace zov {
namespace {

struct UsageChart : ::testing::Test {
  UsageChart() { g.session.setSeed(1); }
  void load(const std::string& name) { ASSERT_TRUE(p.openModel(std::string(ZOV_EXAMPLES_DIR) + "/" + name)); }
  static Criterion byNumber(int n) {
    Criterion c;
    c.procedures = n;
    return c;
  }
  static Criterion byCoverage(int percent) {
    Criterion c;
    c.byNumber = false;
    c.coverage = percent;
    return c;
  }
  UsageChartData chart() { return ComputeUsageChart(g.TV(kSelectionTree), g.session.work().coverageUsed); }
  // The weight of a Main Tree node relative to its parent.
  float relative(const std::string& path) {
    const Tree& main = g.TV(kMainTree);
    return LeggiTag(main.tag(FindByKeyOrPath(main, path))).weight;
  }
  // What the chart must agree with on every leaf: the tree as the
  // allocation left it.
  void expectTheTreeAgrees(const UsageChartData& c) {
    const Tree& t = g.TV(kSelectionTree);
    int leaves = 0;
    for (NodeId id : t.collection()) leaves += t.node(id).children == 0 ? 1 : 0;
    ASSERT_EQ(c.leaves.size(), static_cast<std::size_t>(leaves));
    for (std::size_t i = 0; i < c.leaves.size(); ++i) {
      const UsageLeaf& f = c.leaves[i];
      const Node& n = t.node(f.node);
      EXPECT_EQ(n.children, 0) << f.name;
      EXPECT_EQ(f.procedure, LeggiNTP(n.text)) << f.name;
      EXPECT_EQ(f.belowCut, n.foreColor == kExcludedFore) << f.name;  // as the allocation painted it
      EXPECT_EQ(f.belowCut, i >= c.inside) << f.name;
      if (i > 0) {
        EXPECT_GE(c.leaves[i - 1].weight, f.weight) << f.name;
      }
    }
    EXPECT_EQ(c.totalProcedures, CalcolaNumeroTest(t));
  }
  test::WindowReady ready;
  Generale& g = ready.g;
  PlanningSession& p = ready.session;
};

// Lending by number: no cut, every leaf in weight order with its share.
TEST_F(UsageChart, ByNumberOnLendingHasNoCut) {
  load("Lending.mdl");
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book/Borrow - main", byNumber(20)));
  const UsageChartData c = chart();
  expectTheTreeAgrees(c);
  EXPECT_FALSE(c.coverageCut);
  ASSERT_EQ(c.leaves.size(), 3u);
  EXPECT_EQ(c.inside, 3u);
  EXPECT_EQ(c.leaves[0].name, "Borrow - main");
  EXPECT_EQ(c.leaves[1].name, "Return - main");
  EXPECT_EQ(c.leaves[2].name, "Borrow - no stock");
  EXPECT_NEAR(c.leaves[0].weight, relative("Member/Borrow Book") * relative("Member/Borrow Book/Borrow - main"), 1e-4);
  EXPECT_EQ(c.totalProcedures, 20);
  EXPECT_EQ(c.leaves[0].procedure, 9);
  // Turning to coverage in the dialog later does not make a cut the
  // allocation never made.
  g.numTest.show();
  g.numTest.chooseCoverage();
  g.numTest.cancel();
  EXPECT_FALSE(chart().coverageCut);

  // Lending at 70 percent: "Borrow - no stock" falls below the cut.
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book/Borrow - main", byNumber(20)));  // unselect
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book/Borrow - main", byCoverage(70)));
  const UsageChartData cut = chart();
  expectTheTreeAgrees(cut);
  EXPECT_EQ(cut.coverageCut, std::optional<std::int16_t>(70));
  EXPECT_EQ(cut.inside, 2u);
  EXPECT_TRUE(cut.leaves[2].belowCut);
  EXPECT_EQ(cut.leaves[2].name, "Borrow - no stock");
}

// Two leaves of one name are told apart by their parents.
TEST(UsageChartLabels, SharedLeafNamesShowTheirParent) {
  Tree t;
  const NodeId root = t.addTop("A", "[1.0000] Clerk", "actor");
  t.setTag(root, CreaTag(0, 1.0f, 2, false));
  const NodeId lend = t.addChild(root, "U1", "[0.6000] Lend", "usecase");
  t.setTag(lend, CreaTag(1, 0.6f, 1, false));
  const NodeId back = t.addChild(root, "U2", "[0.4000] Take back", "usecase");
  t.setTag(back, CreaTag(1, 0.4f, 1, false));
  for (NodeId parent : {lend, back}) {
    const float w = parent == lend ? 0.6f : 0.4f;
    const NodeId leaf = t.addChild(parent, parent == lend ? "S1" : "S2", "[0.0000] Main flow  ((NTP:3))", "sequence");
    t.setTag(leaf, CreaTag(2, w, 0, false));
  }
  const UsageChartData c = ComputeUsageChart(t, std::nullopt);
  ASSERT_EQ(c.leaves.size(), 2u);
  EXPECT_EQ(c.leaves[0].name, "Main flow");
  EXPECT_EQ(c.leaves[0].label, "Main flow (Lend)");
  EXPECT_EQ(c.leaves[1].label, "Main flow (Take back)");
  EXPECT_EQ(c.totalProcedures, 6);
  EXPECT_EQ(c.mostProcedures(), 3);
  EXPECT_TRUE(ComputeUsageChart(Tree(), 50).leaves.empty());
}

// Axis scales: a round step, a top at or just above the largest figure.
TEST(UsageChartLabels, AxisScales) {
  struct Case {
    double most;
    bool whole;
    double step, top;
  };
  for (Case c :
       {Case{54.92, false, 20, 60}, Case{100, false, 20, 100}, Case{0.7, false, 0.2, 0.8}, Case{22, true, 5, 25},
        Case{3, true, 1, 3}, Case{1, true, 1, 1}, Case{20, true, 5, 20}, Case{0, true, 1, 1}}) {
    const AxisScale s = Scale(c.most, 5, c.whole);
    EXPECT_NEAR(s.step, c.step, 1e-9) << c.most;
    EXPECT_NEAR(s.top, c.top, 1e-9) << c.most;
    EXPECT_LE(s.top / s.step, 5 + 1e-9) << c.most;
  }
}

}  // namespace
}  // namespace zov
