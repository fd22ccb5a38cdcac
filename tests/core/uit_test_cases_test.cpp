#include "testcases/uit_test_cases.h"
#include "session/scripted_asker.h"
#include "session/uit_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/window_ready.h"
#include "testcases/scenario.h"
#include "tree/colors.h"
#include "window/generale.h"
#include "window/load_messages.h"

namespace zov {
namespace {

const std::string kLending = std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl";
const std::string kAtm = std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl";

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Uit : ::testing::Test {
  void load(const std::string& path) {
    g.setAsker(&asker);
    ASSERT_EQ(test::LoadError(g.session, path), "");
  }
  Tree& uit() { return g.TV(kUitTree); }
  const Node& node(const std::string& key) {
    const NodeId id = uit().find(key);
    EXPECT_NE(id, kNoNode) << key;
    return uit().node(id == kNoNode ? uit().firstRoot() : id);
  }
  Handle diagram(const std::string& id) {
    for (Handle u : g.session.model()->AllUseCases(g.session.openModelHandle()))
      for (Handle d : g.session.model()->ScenarioDiagrams(u))
        if (g.session.model()->Identifier(d) == id) return d;
    for (Handle p : g.session.model()->AllPackages(g.session.openModelHandle()))
      for (Handle d : g.session.model()->ScenarioDiagrams(p))
        if (g.session.model()->Identifier(d) == id) return d;
    return {};
  }
  // A green leaf of the selection tree, as "&Select Level" leaves them.
  void greenLeaf(const std::string& key, const std::string& text, bool withChild = false) {
    Tree& s = g.TV(kSelectionTree);
    if (!s.contains("R")) s.addTop("R", "[1.0000] R", "actor");
    const NodeId n = s.addChild("R", key, text, "sequence");
    s.setForeColor(n, Rgb(0, 128, 0));
    if (withChild) s.addChild(n, key + "child", "x", "messaggio");
  }

  test::WindowReady ready;
  Generale& g = ready.g;
  QuietBusyBox& busy = ready.busy;
  ScriptedAsker asker;
};

TEST_F(Uit, LoadingAllSequenceTakesThePackageDiagrams) {
  load(kLending);
  g.session.loadTestCases(TestCaseSource::kAllDiagrams);  // the tree it makes: tests/golden/Lending-trees
  EXPECT_EQ(busy.history.back(), "All Sequence Diagrams found");
  EXPECT_FALSE(busy.visible);
  EXPECT_TRUE(g.menus.find(menu::kGenerazione)->enabled);
  // Twice: the diagram is skipped, and the busy box says so.
  const int count = uit().count();
  g.session.loadTestCases(TestCaseSource::kAllDiagrams);
  EXPECT_EQ(uit().count(), count);
  EXPECT_NE(std::find(busy.history.begin(), busy.history.end(), "\"Stocktaking\" is in the UIT tree already: skipped"),
            busy.history.end());
}

TEST_F(Uit, LoadingFromTheZovTree) {
  load(kLending);
  const std::string before = Read(kLending);
  g.session.loadTestCases(TestCaseSource::kZov);  // no green leaf: nothing
  EXPECT_EQ(uit().count(), 1);
  EXPECT_TRUE(g.menus.find(menu::kSelectAll)->enabled);

  greenLeaf("5B1000000040$$00007", "[0.4615] Borrow - main  ((NTP:9))");  // a copy key
  greenLeaf("5B1000000042", "[0.3846] Return - main  ((NTP:8))", true);   // has children: never taken
  g.session.loadTestCases(TestCaseSource::kZov);
  EXPECT_EQ(node("5B1000000040").text, "[0.4615] Borrow - main  ((NTP:9))");
  EXPECT_FALSE(uit().contains("5B1000000042"));
  EXPECT_TRUE(uit().contains("5B1000000110PAR3"));
  // The diagram's name in the open model is the shown text; the file is untouched.
  EXPECT_EQ(g.session.model()->Name(diagram("5B1000000040")), "[0.4615] Borrow - main  ((NTP:9))");
  EXPECT_EQ(Read(kLending), before);
  EXPECT_EQ(GetSequenceDiag(*g.session.model(), diagram("5B1000000040"), g.TV(kSelectionTree)), 2);
  EXPECT_EQ(GetSequenceDiag(*g.session.model(), diagram("5B1000000042"), g.TV(kSelectionTree)), 0);
}

TEST_F(Uit, ACollaborationDiagramAlreadyShown) {
  load(kAtm);
  const Handle collab = diagram("5A1000000041");
  const Handle sequence = diagram("5A1000000040");
  EXPECT_FALSE(GiaPresente(*g.session.model(), sequence, uit()));  // kind 1: never
  EXPECT_FALSE(GiaPresente(*g.session.model(), collab, uit()));
  // A node showing the name between label and annotation, with a child keyed by one of its objects.
  const NodeId shown = uit().addChild("ROOT", "X", "[0.0137] Withdraw Cash - collaboration  ((NTP:1))", "sequence");
  uit().addChild(shown, "5A1000000102", "reader", "classdiag");
  EXPECT_TRUE(GiaPresente(*g.session.model(), collab, uit()));
}

TEST(DragFeedback, TheNodeUnderThePointerDuringADrag) {
  PlanningSession session;
  Generale g{session};
  Tree& uit = g.TV(kUitTree);
  const NodeId root = uit.addTop("ROOT", "m", "rose");
  const NodeId a = uit.addChild(root, "A", "a", "sequence");
  g.mouseMove(kUitTree, a);
  EXPECT_EQ(uit.dropHighlight(), kNoNode);  // no drag yet
  g.mouseDown(kUitTree, root, MouseButton::kLeft);
  g.mouseMove(kUitTree, a);
  EXPECT_EQ(uit.dropHighlight(), a);
}

}  // namespace
}  // namespace zov
