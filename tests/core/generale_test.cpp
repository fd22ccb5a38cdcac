#include "window/generale.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "session/plan.h"
#include "session/scripted_asker.h"
#include "support/window_ready.h"
#include "tree/tag.h"

namespace zov {
namespace {

struct WindowStateTest : ::testing::Test {
  test::WindowReady ready;
  Generale& g = ready.g;
  QuietBusyBox& busy = ready.busy;
};

// Every menu and item can be reached from the keyboard: each has an access
// key, and no two items of one menu (nor two menus of the bar) share one,
// but for the two pairs whose captions came with the same key.
TEST_F(WindowStateTest, EveryMenuAndItemHasItsOwnAccessKey) {
  std::map<std::string, std::map<char, std::vector<std::string>>> keys;
  for (const MenuEntry& e : g.menus.entries()) {
    if (e.parent.empty() && e.popup) continue;  // a pop-up's own caption is never shown
    const char key = AccessKey(e.caption);
    EXPECT_NE(key, 0) << e.caption;
    keys[e.parent][key].push_back(e.caption);
  }
  const std::set<std::vector<std::string>> shared = {{"Loading all &Sequence", "&Select All"},
                                                     {"&Add", "Select ST&ART Node"}};
  for (const auto& [menu, byKey] : keys)
    for (const auto& [key, captions] : byKey) {
      if (captions.size() > 1) {
        EXPECT_EQ(shared.count(captions), 1u) << menu << ": " << captions.front();
      }
    }
  EXPECT_EQ(WithoutAccessKey("&All Test Cases"), "All Test Cases");
  EXPECT_EQ(WithoutAccessKey("Fish && &Chips"), "Fish & Chips");
  EXPECT_EQ(AccessKey("Fish && &Chips"), 'C');
}

// The strength of the next generation, typed as a word; a word that is
// none is refused and changes nothing.
TEST_F(WindowStateTest, CoverageStrengthIsAskedAsAWord) {
  ScriptedAsker asker;
  g.setAsker(&asker);
  asker.inputs = {std::string("pairwise fills"), std::string("fast"), std::string("3")};
  g.chooseStrength();
  EXPECT_EQ(g.session.strength().t, 2);
  EXPECT_TRUE(g.session.strength().fills);
  g.chooseStrength();
  EXPECT_EQ(g.session.strength().t, 2);
  EXPECT_NE(asker.asked.back().text.find("\"fast\" is no strength"), std::string::npos);
  g.chooseStrength();
  EXPECT_EQ(g.session.strength().t, 3);
  EXPECT_FALSE(g.session.strength().fills);
  // Each change is a decision of the session (it marks it modified and is
  // replayed where it was made); the refused word is none.
  ASSERT_EQ(g.session.decisions().size(), 2u);
  EXPECT_EQ(g.session.decisions().back().type, Decision::Type::kStrength);
  EXPECT_EQ(g.session.decisions().back().index, 3);
  g.setAsker(nullptr);
}

TEST_F(WindowStateTest, RightClickOnMainTreeSetsThePopUp) {
  Tree& t = g.TV(kMainTree);
  const NodeId plain = t.addTop("A", "[1.0000] Customer", "actor");
  const NodeId marked = t.addChild(plain, "B", "[0.5000] Withdraw", "usecase");
  const NodeId entry = t.addChild(plain, "C", "entry", "entryusecase");
  const NodeId link = t.addChild(plain, "D", "link", "continua");
  const NodeId both = t.addChild(plain, "E", "both", "entrycontinua");
  t.setForeColor(marked, kSelectedFore);

  g.mouseDown(kMainTree, marked, MouseButton::kRight);
  EXPECT_EQ(g.mouseUp(kMainTree, MouseButton::kRight), Popup::kMainTree);
  EXPECT_EQ(g.menus.caption(menu::kSeleziona), "&Unselect All");
  EXPECT_EQ(busy.status, "[0.5000] Withdraw");

  g.mouseDown(kMainTree, plain, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_EQ(g.menus.caption(menu::kSeleziona), "&Select Level");
  EXPECT_FALSE(g.menus.enabled(menu::kVEntry));
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, entry, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_TRUE(g.menus.enabled(menu::kVEntry));
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, link, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_FALSE(g.menus.enabled(menu::kVEntry));
  EXPECT_TRUE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, both, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_TRUE(g.menus.enabled(menu::kVEntry));  // "entry" wins over "cont"
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));
}

TEST_F(WindowStateTest, LeftClickOnPackageLocatesItInTheDesignTree) {
  std::vector<std::pair<NodeId, int>> located;
  g.locatePackage = [&](NodeId n, int tree) { located.emplace_back(n, tree); };
  Tree& t = g.TV(kMainTree);
  const NodeId a = t.addTop("A", "actor", "actor");
  const NodeId link = t.addChild(a, "ADesign Link", "Design Link", "package");
  const NodeId pkg = t.addChild(link, "P", "Banking", "package");
  for (NodeId n : {a, link, pkg}) {
    g.mouseDown(kMainTree, n, MouseButton::kLeft);
    EXPECT_EQ(g.mouseUp(kMainTree, MouseButton::kLeft), Popup::kNone);
  }
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0].first, pkg);
  EXPECT_EQ(located[0].second, kMainTree);

  const NodeId notLinked = g.TV(kNotLinkedTree).addTop("N", "lonely", "usecase");
  g.mouseDown(kNotLinkedTree, notLinked, MouseButton::kRight);
  g.mouseUp(kNotLinkedTree, MouseButton::kRight);
  ASSERT_EQ(located.size(), 2u);
  EXPECT_EQ(located[1].second, kNotLinkedTree);
}

TEST_F(WindowStateTest, MouseDownShowsTheLevelAndStartsDrags) {
  Tree& t = g.TV(kMainTree);
  const NodeId n = t.addTop("A", "x", "usecase");
  t.setTag(n, CreaTag(4, 0.5f, 0, false));
  EXPECT_FALSE(g.mouseDown(kMainTree, n, MouseButton::kLeft));
  EXPECT_EQ(g.levelLabel, "Level: 4");
  EXPECT_EQ(t.dropHighlight(), n);

  const NodeId root = g.TV(kUitTree).addTop("ROOT", "ROOT", "rose");
  const NodeId tc = g.TV(kUitTree).addChild(root, "TC1", "Withdraw", "sequence");
  EXPECT_TRUE(g.mouseDown(kUitTree, tc, MouseButton::kLeft));
  EXPECT_TRUE(g.dragging);
  g.mouseUp(kUitTree, MouseButton::kLeft);
  EXPECT_EQ(g.draggedNode, tc);
  EXPECT_EQ(g.draggedKey, "TC1");
  // A "rose" node leaves the level label alone.
  g.mouseDown(kUitTree, root, MouseButton::kRight);
  EXPECT_EQ(g.levelLabel, "Level: 0");
  EXPECT_FALSE(g.mouseDown(kUitTree, kNoNode, MouseButton::kLeft));
}

TEST_F(WindowStateTest, SpecTreePopUpOnlyOnParametersAndMessages) {
  Tree& t = g.TV(kSpecTree);
  const NodeId tc = t.addTop("T", "tc", "sequence");
  const NodeId msg = t.addChild(tc, "M", "msg", "messaggio");
  const NodeId par = t.addChild(msg, "P", "par", "attributo");
  for (auto [node, want] : {std::pair{tc, Popup::kNone}, {msg, Popup::kSpecTree}, {par, Popup::kSpecTree}}) {
    g.mouseDown(kSpecTree, node, MouseButton::kRight);
    EXPECT_EQ(g.mouseUp(kSpecTree, MouseButton::kRight), want);
  }
  g.mouseDown(kSpecTree, msg, MouseButton::kLeft);
  EXPECT_EQ(g.mouseUp(kSpecTree, MouseButton::kLeft), Popup::kNone);
}

TEST_F(WindowStateTest, ExpandAndCollapseCommands) {
  Tree& t = g.TV(kMainTree);
  t.addTop("A", "a", "actor");
  t.addChild("A", "B", "b", "usecase");
  EXPECT_TRUE(g.runMenuItem(menu::kApri));
  EXPECT_TRUE(t.node(t.find("A")).expanded && t.node(t.find("B")).expanded);

  Tree& u = g.TV(kUitTree);
  u.addTop("ROOT", "ROOT", "rose");
  u.setExpanded(u.find("ROOT"), true);
  g.clickTab(2);
  EXPECT_TRUE(g.runMenuItem(menu::kCollapse) == false);  // still disabled before a load
  // An item keeps its own start state inside a disabled menu.
  EXPECT_TRUE(g.menus.enabled(menu::kSeqFromZov));
  EXPECT_FALSE(g.menus.enabled(menu::kElencaSeq));
  g.zovLoadingDone();
  EXPECT_TRUE(g.runMenuItem(menu::kCollapse));
  EXPECT_FALSE(u.node(u.find("ROOT")).expanded);
  // Commands with nothing attached run and do nothing.
  g.clickTab(1);
  EXPECT_TRUE(g.runMenuItem(menu::kSaveZov));
}

// Work the session does without the window (a plan, a replayed session)
// reaches the window's menus, labels and caption through its listener.
TEST_F(WindowStateTest, TheWindowFollowsWhatTheSessionDoes) {
  PlanningSession& s = ready.session;
  const std::string lending = std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl";
  ASSERT_TRUE(s.openModel(lending));
  EXPECT_EQ(g.caption, "Zov Suite - " + lending);
  EXPECT_TRUE(g.menus.find(menu::kElencaSeq)->enabled);
  ASSERT_TRUE(s.selectLevel("Member/Borrow Book", {true, 20, 100, std::nullopt}));
  EXPECT_EQ(g.sumLabel, s.work().weightsSum);
  EXPECT_NE(g.sumLabel.find("Number of Test Procedures: 20"), std::string::npos);
  EXPECT_FALSE(g.menus.find(menu::kStart)->enabled);
  EXPECT_TRUE(g.menus.find(menu::kGrafico)->enabled);
  EXPECT_EQ(g.caption, "Zov Suite - " + lending + " *");
  s.loadTestCases(TestCaseSource::kZov);
  EXPECT_TRUE(g.menus.find(menu::kSelectAll)->enabled);
  s.pickAll();
  EXPECT_FALSE(g.menus.find(menu::kEsporta)->enabled);
  ASSERT_TRUE(s.process());
  EXPECT_TRUE(g.menus.find(menu::kEsporta)->enabled);
  EXPECT_TRUE(g.menus.find(menu::kTestSc)->enabled);
  // "&Unselect All" on the marked node throws the specification away.
  g.LB.add("a document line");
  bool waiting = true;
  ASSERT_TRUE(s.beginSelection(FindByKeyOrPath(g.TV(kMainTree), "Member/Borrow Book"), waiting));
  EXPECT_FALSE(waiting);
  EXPECT_EQ(g.sumLabel, "Leaves weights sum: ");
  EXPECT_TRUE(g.LB.items.empty());
  EXPECT_FALSE(g.menus.find(menu::kEsporta)->enabled);
  EXPECT_FALSE(g.menus.find(menu::kGrafico)->enabled);
  EXPECT_TRUE(g.menus.find(menu::kStart)->enabled);
  s.markSaved();
  g.markWindowSaved();
  EXPECT_EQ(g.caption, "Zov Suite - " + lending);
}

}  // namespace
}  // namespace zov
