#include "weights/node_editor.h"
#include "session/scripted_asker.h"

#include <gtest/gtest.h>

#include "tree/colors.h"
#include "tree/tag.h"
#include "window/generale.h"

namespace zov {
namespace {

// A parent with n children of the given share, labelled and tagged as a load leaves them.
struct Group {
  explicit Group(int n, float share) {
    parent = t.addTop("P", "[1.0000] P", "actor");
    t.setTag(parent, CreaTag(0, 1.0f, static_cast<std::int16_t>(n), false));
    for (int i = 0; i < n; ++i) {
      const std::string key = "C" + std::to_string(i);
      children.push_back(t.addChild(parent, key, WeightLabel(share, key), "usecase"));
      t.setTag(children.back(), CreaTag(1, share, 0, false));
    }
  }
  float weight(int i) const { return LeggiTag(t.tag(children[static_cast<std::size_t>(i)])).weight; }
  // Confirms the editor on child i with the typed weight.
  bool edit(int i, const std::string& typed) {
    Edita e;
    e.show(t, children[static_cast<std::size_t>(i)]);
    e.Wei = typed;
    e.ok();
    return e.result();
  }
  Tree t;
  NodeId parent;
  std::vector<NodeId> children;
};

TEST(Rinumera, TheRestIsSharedAmongUneditedSiblings) {
  Group g(4, 0.25f);
  EXPECT_TRUE(g.edit(0, "0.4"));
  EXPECT_EQ(g.t.node(g.children[0]).text, "[0.4000] C0");
  EXPECT_EQ(g.t.tag(g.children[0]), "LIV:1$$WEI:0.4000$$NCI:0$$EDI:T");
  for (int i = 1; i < 4; ++i)
    EXPECT_EQ(g.t.node(g.children[static_cast<std::size_t>(i)]).text, "[0.2000] C" + std::to_string(i));
  EXPECT_TRUE(g.edit(1, ".5"));
  EXPECT_FLOAT_EQ(g.weight(2), 0.05f);
  EXPECT_FLOAT_EQ(g.weight(3), 0.05f);
}

TEST(Rinumera, EditedWeightsAboveOneLeaveNegativeShares) {
  Group g(4, 0.25f);
  g.edit(0, "0.7");
  EXPECT_TRUE(g.edit(1, "0.6"));
  EXPECT_FLOAT_EQ(g.weight(2), -0.15f);
  EXPECT_EQ(g.t.node(g.children[3]).text, "[-0.1500] C3");
}

TEST(Rinumera, AllEditedByHandAndShort) {
  Group g(2, 0.5f);
  g.edit(0, "0.5");
  EXPECT_FALSE(g.edit(1, "0.3"));  // 0.8: nothing left to rebalance
  EXPECT_FLOAT_EQ(g.weight(0), 0.5f);
}

TEST(ControllaSommaUnitaria, SinglePrecisionBounds) {
  EXPECT_TRUE(ControllaSommaUnitaria(Group(3, 0.3333f).t, Group(3, 0.3333f).children[0]));
  Group nine(9, 0.1111f);
  EXPECT_TRUE(ControllaSommaUnitaria(nine.t, nine.children[0]));
  Group six(6, 0.1667f);
  EXPECT_FALSE(ControllaSommaUnitaria(six.t, six.children[0]));
  // Confirming one of six unchanged: the others come back to 0.1667 and the sum stays out.
  EXPECT_FALSE(six.edit(0, ".1667"));
  EXPECT_FLOAT_EQ(six.weight(5), 0.1667f);
  // One of three: the other two get 0.3334, and 1.0001 passes.
  Group three(3, 0.3333f);
  EXPECT_TRUE(three.edit(0, ".3333"));
  EXPECT_EQ(three.t.node(three.children[1]).text, "[0.3334] C1");
  EXPECT_EQ(three.t.node(three.children[0]).text, "[0.3333] C0");  // unchanged label
  EXPECT_EQ(three.t.tag(three.children[0]), "LIV:1$$WEI:0.3333$$NCI:0$$EDI:T");
}

struct ModifyTest : ::testing::Test {
  ModifyTest() {
    g.setAsker(&asker);
    Tree& t = g.TV(kMainTree);
    actor = t.addTop("A", "[1.0000] A", "actor");
    t.setTag(actor, CreaTag(0, 1.0f, 2, false));
    for (const char* k : {"U1", "U2"}) {
      t.setTag(t.addChild(actor, k, WeightLabel(0.5f, k), "usecase"), CreaTag(1, 0.5f, 0, false));
    }
  }
  PlanningSession session;
  Generale g{session};
  ScriptedAsker asker;
  NodeId actor;
};

TEST_F(ModifyTest, AShortGroupTurnsRedWithAWarning) {
  Tree& t = g.TV(kMainTree);
  t.setSelected(t.find("U1"));
  asker.edits.push_back([](Edita& e) {
    e.Wei = "0.5";
    e.ok();
  });
  asker.edits.push_back([](Edita& e) {
    e.Wei = "0.2";
    e.ok();
  });
  ASSERT_TRUE(g.runMenuItem(menu::kModifica));
  t.setSelected(t.find("U2"));
  ASSERT_TRUE(g.runMenuItem(menu::kModifica));
  ASSERT_EQ(asker.asked.size(), 3u);
  EXPECT_EQ(asker.asked[2].text, "Verify weights distibution");
  EXPECT_EQ(asker.asked[2].title, "Warning");
  EXPECT_EQ(t.node(t.find("U1")).foreColor, 0x0000FFu);
  EXPECT_TRUE(t.node(t.find("U2")).bold);
  // Mending it paints the group normal again.
  asker.edits.push_back([](Edita& e) {
    e.Wei = "0.5";
    e.ok();
  });
  ASSERT_TRUE(g.runMenuItem(menu::kModifica));
  EXPECT_EQ(t.node(t.find("U1")).foreColor, kBlack);
  EXPECT_FALSE(t.node(t.find("U1")).bold);
}

TEST_F(ModifyTest, AnActorTakesItsWeightAndChecksNothing) {
  Tree& t = g.TV(kMainTree);
  t.setSelected(actor);
  asker.edits.push_back([](Edita& e) {
    e.Wei = "0.5";
    e.ok();
  });
  ASSERT_TRUE(g.runMenuItem(menu::kModifica));
  EXPECT_EQ(t.tag(actor), "LIV:0$$WEI:0.5000$$NCI:2$$EDI:T");
  EXPECT_EQ(t.node(actor).text, "[0.5000] A");
  EXPECT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(t.node(actor).foreColor, kDefaultForeColor);
}

}  // namespace
}  // namespace zov
