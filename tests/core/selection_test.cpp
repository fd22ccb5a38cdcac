#include "selection/selection.h"
#include "session/scripted_asker.h"

#include <gtest/gtest.h>

#include "support/session_access.h"

#include "support/loaded_model.h"
#include "tree/tag.h"
#include "window/generale.h"

namespace zov {
namespace {

using test::LoadedModel;
using test::SyntheticModel;

bool Marked(const Tree& t, NodeId n) {
  return t.node(n).foreColor == kSelectedFore && t.node(n).backColor == kSelectedBack;
}

// One actor with a chain U1 > U2 > U3 > U4 (levels 1 to 4), each with a
// sequence diagram, and a second use case V beside U1. U4 takes part in no
// relation of its own, so its diagram goes to the not-linked tree.
struct Chain : ::testing::Test {
  Chain() : loaded(Model()) {
    g().setAsker(&asker);
    EXPECT_EQ(loaded.error, "");
  }
  SyntheticModel& Model() {
    actor = m.actor("Clerk");
    std::string previous;
    for (int i = 1; i <= 4; ++i) {
      u.push_back(m.useCase("U" + std::to_string(i)));
      d.push_back(m.diagram(u.back(), "D" + std::to_string(i)));
      if (previous.empty())
        m.association(actor, u.back());
      else
        m.include(previous, u.back());
      previous = u.back();
    }
    v = m.useCase("V");
    m.association(actor, v);
    return m;
  }
  Generale& g() { return loaded.window; }
  Tree& main() { return loaded.window.TV(kMainTree); }
  NodeId n(const std::string& key) { return main().find(key); }
  void click(const std::string& key) { main().setSelected(n(key)); }
  void byNumber(int procedures) {
    asker.criteria.push_back([procedures](CriterionDialog& dialog) {
      dialog.chooseNumber();
      dialog.NNTest = std::to_string(procedures);
      dialog.done();
    });
  }

  SyntheticModel m;
  std::string actor, v;
  std::vector<std::string> u, d;
  LoadedModel loaded;
  ScriptedAsker asker;
};

TEST_F(Chain, ADiagramSelectsAsItsUseCaseAndASecondClickResets) {
  click(d[1]);
  byNumber(10);
  ASSERT_TRUE(g().runMenuItem(menu::kSeleziona));
  EXPECT_TRUE(Marked(main(), n(u[1])));
  EXPECT_FALSE(Marked(main(), n(u[2])));
  EXPECT_EQ(g().TV(kSelectionTree).count(), 6);
  g().zovLoadingDone();  // as after "Loading from ZOV tree", which turns these on
  for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
    EXPECT_TRUE(g().menus.find(item)->enabled) << item;
  // ... and after "&Processing...", whose results the reset throws away.
  test::MutableWork(g().session).specification.table.cases.resize(2);
  g().TV(kSpecTree).addTop("T", "SD1. D2 ( 10)", "sequence");
  g().LB.add("Test Case  1   of  SD D2");
  g().processingDone();
  for (auto item : {menu::kPrint, menu::kTestScript, menu::kTestSc}) EXPECT_TRUE(g().menus.find(item)->enabled) << item;
  // The pop-up now reads "&Unselect All".
  g().mouseDown(kMainTree, n(u[0]), MouseButton::kRight);
  g().mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_EQ(g().menus.find(menu::kSeleziona)->caption, "&Unselect All");
  // It asks first: Cancel keeps everything.
  asker.answers = {Answer::kCancel};
  ASSERT_TRUE(g().runMenuItem(menu::kSeleziona));
  EXPECT_EQ(asker.asked.back().text.rfind("Unselect All throws away", 0), 0u);
  EXPECT_TRUE(Marked(main(), n(u[1])));
  EXPECT_EQ(g().TV(kSpecTree).count(), 1);
  asker.answers = {Answer::kOk};
  ASSERT_TRUE(g().runMenuItem(menu::kSeleziona));
  for (NodeId id : main().collection()) EXPECT_FALSE(Marked(main(), id));
  EXPECT_EQ(g().sumLabel, "Leaves weights sum: ");
  EXPECT_EQ(g().TV(kSelectionTree).count(), 0);
  const Tree& uit = g().TV(kUitTree);
  ASSERT_EQ(uit.count(), 1);
  EXPECT_EQ(uit.node(uit.firstRoot()).key, "ROOT");
  EXPECT_EQ(uit.node(uit.firstRoot()).text, loaded.path.string());
  EXPECT_EQ(g().TV(kSelectedTestCases).node(g().TV(kSelectedTestCases).firstRoot()).key, "Selected Item");
  for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
    EXPECT_FALSE(g().menus.find(item)->enabled) << item;
  EXPECT_TRUE(g().menus.find(menu::kStart)->enabled);
  EXPECT_TRUE(g().menus.find(menu::kSeleziona)->enabled);
  EXPECT_EQ(g().session.work().specification.table.count(), 0);
  EXPECT_EQ(g().TV(kSpecTree).count(), 0);
  EXPECT_TRUE(g().LB.items.empty());
  for (auto item : {menu::kPrint, menu::kTestScript, menu::kTestSc})
    EXPECT_FALSE(g().menus.find(item)->enabled) << item;
}

TEST_F(Chain, StartAndStopLevels) {
  click(d[0]);
  ASSERT_TRUE(g().runMenuItem(menu::kStart));  // a leaf cannot start a selection
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].text, "Warning: no children");
  EXPECT_FALSE(g().session.work().selection.startselezione);

  click(u[0]);
  ASSERT_TRUE(g().runMenuItem(menu::kStart));
  EXPECT_EQ(main().node(n(u[0])).backColor, Rgb(255, 0, 0));
  EXPECT_EQ(g().menus.find(menu::kStart)->caption, "Select ST&OP Node");
  EXPECT_FALSE(g().menus.find(menu::kSeleziona)->enabled);
  click(u[2]);
  ASSERT_TRUE(g().runMenuItem(menu::kStart));
  EXPECT_EQ(g().menus.find(menu::kStart)->caption, "Select ST&ART Node");
  EXPECT_FALSE(g().menus.find(menu::kStart)->enabled);
  EXPECT_TRUE(g().session.work().selection.livelli);
  EXPECT_EQ(g().session.work().selection.livellostart, 1);
  EXPECT_EQ(g().session.work().selection.livellostop, 3);

  // What the selection then marks and copies: tests/cli/cases/selection-chain.case.
}

TEST_F(Chain, AtTheStartLevelOnlyTheDiagramsBelow) {
  LevelSelection s;
  s.livellostart = 1;
  s.livelli = true;
  SelezionaDueLivelli(main(), n(u[0]), s);
  EXPECT_TRUE(Marked(main(), n(u[0])));
  EXPECT_TRUE(Marked(main(), n(d[0])));
  EXPECT_FALSE(Marked(main(), n(u[1])));
}

TEST_F(Chain, CancellingTheCriterionUnmarksEverything) {
  click(u[0]);
  asker.criteria.push_back([](CriterionDialog& dialog) { dialog.cancel(); });
  ASSERT_TRUE(g().runMenuItem(menu::kSeleziona));
  for (NodeId id : main().collection()) EXPECT_FALSE(Marked(main(), id));
  EXPECT_TRUE(g().menus.find(menu::kStart)->enabled);
  EXPECT_EQ(g().TV(kSelectionTree).count(), 0);
}

TEST_F(Chain, ARedBranchBlocksTheSelection) {
  MetteRamiRossi(main(), n(u[2]));
  click(u[0]);
  ASSERT_TRUE(g().runMenuItem(menu::kSeleziona));
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].text, "Unproperly weight distribution");
  EXPECT_EQ(asker.asked[0].title, "Warning");
  EXPECT_FALSE(Marked(main(), n(actor)));
}

// A UIT tree made by hand: two test cases, the first six generations deep.
struct Picking : ::testing::Test {
  Picking() {
    g.setAsker(&asker);
    uit().setExpanded(uit().addTop("ROOT", "m.mdl", "rose"), true);
    chosen().setExpanded(chosen().addTop("Selected Item", "m.mdl", "rose"), true);
    std::string parent = "ROOT";
    for (int i = 0; i <= 5; ++i) {
      const std::string key = "T1." + std::to_string(i);
      uit().addChild(parent, key, key, i == 0 ? "testcase" : "messaggio");
      parent = key;
    }
    uit().addChild("ROOT", "T2", "T2", "testcase");
  }
  Tree& uit() { return g.TV(kUitTree); }
  Tree& chosen() { return g.TV(kSelectedTestCases); }
  void drag(const std::string& key) {
    g.mouseDown(kUitTree, uit().find(key), MouseButton::kLeft);
    g.mouseUp(kUitTree, MouseButton::kLeft);
  }
  PlanningSession session;
  Generale g{session};
  ScriptedAsker asker;
};

TEST_F(Picking, DroppingCopiesFourGenerationsOnce) {
  drag("T1.0");
  g.dropOn(kSelectedTestCases, kNoNode);
  EXPECT_TRUE(chosen().contains("T1.4"));
  EXPECT_FALSE(chosen().contains("T1.5"));
  EXPECT_EQ(chosen().node(chosen().find("T1.0")).parent, chosen().firstRoot());
  EXPECT_TRUE(chosen().node(chosen().find("T1.2")).bold);
  EXPECT_TRUE(uit().node(uit().find("T1.0")).checked);
  drag("T1.0");
  g.dropOn(kSelectedTestCases, kNoNode);
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].text, "Error: this node is already selected");
}

TEST_F(Picking, SelectAllSkipsWhatIsAlreadySelected) {
  drag("T1.0");
  g.dropOn(kSelectedTestCases, kNoNode);
  g.zovLoadingDone();
  g.clickTab(2);
  ASSERT_TRUE(g.runMenuItem(menu::kSelectAll));
  EXPECT_TRUE(chosen().contains("T2"));
  EXPECT_TRUE(chosen().contains("T1.5"));  // below its parent's earlier copy
  EXPECT_TRUE(chosen().node(chosen().find("T2")).checked);
  EXPECT_TRUE(chosen().node(chosen().find("T2")).expanded);
  for (NodeId id : uit().collection()) EXPECT_TRUE(uit().node(id).checked);
  EXPECT_TRUE(asker.asked.empty());
}

TEST_F(Picking, ADropOnTheUitTreeEndsTheDrag) {
  drag("T2");
  EXPECT_TRUE(g.dragging);
  g.dropOn(kUitTree, uit().find("T1.0"));
  EXPECT_FALSE(g.dragging);
  EXPECT_EQ(uit().dropHighlight(), kNoNode);
}

}  // namespace
}  // namespace zov
