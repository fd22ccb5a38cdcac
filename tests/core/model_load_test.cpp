#include "session/scripted_asker.h"
#include "window/load_messages.h"

#include <gtest/gtest.h>

#include "support/session_access.h"

#include <filesystem>
#include <set>
#include <string>

#include "support/window_ready.h"
#include "tree/tag.h"
#include "window/generale.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

const std::string kAtm = std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl";

struct LoadTest : ::testing::Test {
  LoadTest() { g.setAsker(&asker); }
  test::WindowReady ready;
  Generale& g = ready.g;
  QuietBusyBox& busy = ready.busy;
  WorkFolder& work = ready.work;
  ScriptedAsker asker;
};

TEST_F(LoadTest, LoadSetsCaptionRootsFilesAndStatuses) {
  test::MutableWork(g.session).livellomassimo = 7;
  ASSERT_EQ(test::LoadError(g.session, kAtm), "");
  EXPECT_EQ(g.caption, "Zov Suite - " + kAtm);
  EXPECT_EQ(g.session.work().filemdl, kAtm);
  // Reset at the start, then raised to the deepest level of this model.
  EXPECT_EQ(g.session.work().livellomassimo, 4);
  // The roots of the UIT tree and of the selected test cases, shown open
  // (their content: tests/golden/ATM-trees).
  EXPECT_TRUE(g.TV(kUitTree).node(g.TV(kUitTree).firstRoot()).expanded);
  const Tree& selected = g.TV(kSelectedTestCases);
  EXPECT_EQ(selected.node(selected.at(1)).key, "Selected Item");
  EXPECT_TRUE(selected.node(selected.at(1)).expanded);

  // The working files stay in memory: the folder gets none. The dumps of
  // the relation table, for a load that keeps its files, are not made.
  EXPECT_EQ(g.session.loadFiles().size(), 5u);
  EXPECT_EQ(g.session.loadFiles().find("riordinati.txt"), nullptr);
  EXPECT_NE(g.session.loadFiles().find("5A1000000020_entry.txt"), nullptr);
  EXPECT_TRUE(work.files(CreatedList::kLoad).empty());
  EXPECT_TRUE(fs::is_empty(work.dir()));
  EXPECT_EQ(busy.history.front(), "Activate Rational ROSE Object");
  EXPECT_EQ(busy.history[1], "Loading Rose file");
  EXPECT_EQ(busy.history.back(), "Done...");
  EXPECT_FALSE(busy.visible);
}

TEST_F(LoadTest, ASecondLoadStartsAfresh) {
  ASSERT_EQ(test::LoadError(g.session, kAtm), "");
  const int designNodes = g.TV(kDesignTree).count();
  EXPECT_EQ(designNodes, 6);
  const int notLinkedNodes = g.TV(kNotLinkedTree).count();
  const int mainNodes = g.TV(kMainTree).count();
  g.TV(kNotLinkedTree).addTop("ROOT", "<<NOT linked>>", "chain");
  g.TV(kDesignTree).addTop("Design Tree", "Design Tree", "package");
  g.TV(kMainTree).addTop("X", "stale", "actor");
  ASSERT_EQ(test::LoadError(g.session, kAtm), "");
  EXPECT_EQ(g.TV(kNotLinkedTree).count(), notLinkedNodes);  // rebuilt, not doubled
  EXPECT_EQ(g.TV(kDesignTree).count(), designNodes);
  EXPECT_EQ(g.TV(kMainTree).count(), mainNodes);
  EXPECT_FALSE(g.TV(kMainTree).contains("X"));
  EXPECT_EQ(g.TV(kUitTree).count(), 1);
  // The same files again: the link node is made on the second load too.
  EXPECT_EQ(g.session.loadFiles().size(), 5u);
  EXPECT_TRUE(g.TV(kMainTree).contains("5A1000000020ACTOR4"));
}

// Another model's load builds its own Design Tree: nothing of the first
// model's packages stays to be seen or copied from.
TEST_F(LoadTest, AnotherModelReplacesTheDesignTree) {
  const auto texts = [this] {
    std::set<std::string> seen;
    const Tree& t = g.TV(kDesignTree);
    for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n))
      if (t.node(n).parent != kNoNode) seen.insert(std::string(t.node(n).key) + " " + t.node(n).text);
    return seen;
  };
  ASSERT_EQ(test::LoadError(g.session, kAtm), "");
  const std::set<std::string> atm = texts();
  ASSERT_FALSE(atm.empty());
  ASSERT_EQ(test::LoadError(g.session, std::string(ZOV_EXAMPLES_DIR) + "/ATM-Services.cat"), "");
  const std::set<std::string> services = texts();
  EXPECT_NE(services, atm);
  for (const std::string& node : atm) EXPECT_EQ(services.count(node), 0u) << node;
  EXPECT_EQ(g.session.work().failedSteps, 0);
}

TEST_F(LoadTest, AnUnreadableModelChangesNothing) {
  ASSERT_EQ(test::LoadError(g.session, kAtm), "");
  const int mainNodes = g.TV(kMainTree).count();
  const std::string error = test::LoadError(g.session, "/nonexistent/Other.mdl");
  EXPECT_NE(error.find("/nonexistent/Other.mdl"), std::string::npos);
  EXPECT_EQ(g.caption, "Zov Suite - " + kAtm);
  EXPECT_EQ(g.TV(kMainTree).count(), mainNodes);
  EXPECT_EQ(g.session.model()->AllUseCases(g.session.openModelHandle()).Count(), 8);
  EXPECT_NE(g.session.loadFiles().find("collegamenti.txt"), nullptr);
  EXPECT_FALSE(busy.visible);
}

TEST_F(LoadTest, ProblemsOfTheTidyUpAreShownAfterTheLoad) {
  // A Main Tree cap below what the copies below the links need.
  g.session.settings.mainTreeLimit = 20;
  g.openModelFile(kAtm);
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].title, "Zov Suite");
  EXPECT_NE(asker.asked[0].text.find("The Main Tree has reached 20"), std::string::npos) << asker.asked[0].text;
  EXPECT_NE(busy.history.back().find("The Main Tree has reached 20"), std::string::npos);
  EXPECT_FALSE(busy.visible);
  // The next load, with the cap growing with the model again, starts with no problems.
  g.session.settings.mainTreeLimit = 0;
  g.openModelFile(kAtm);
  EXPECT_TRUE(g.session.work().problems.empty());
  EXPECT_EQ(asker.asked.size(), 1u);
}

TEST(SplitFilter, PairsOfLabelAndPattern) {
  const auto pairs = SplitFilter(kModelFilter);
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[0].first, "Models (*.mdl)");
  EXPECT_EQ(pairs[0].second, "*.mdl");
  EXPECT_EQ(pairs[1].first, "Category Files (*.cat)");
  EXPECT_EQ(pairs[1].second, "*.cat");
  EXPECT_EQ(pairs[2].first, "UML models (*.xmi *.uml *.xml)");
  EXPECT_EQ(pairs[3].second, "*.puml;*.plantuml;*.pu;*.mmd;*.mermaid;*.md");
}

}  // namespace
}  // namespace zov
