#include "model/tidy_up.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/load_files.h"
#include "support/loaded_model.h"
#include "support/shared_models.h"
#include "support/window_ready.h"
#include "tree/tag.h"
#include "window/generale.h"
#include "window/load_messages.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

using test::SyntheticModel;

using Loaded = test::LoadedModel;

// Without a cap set, the Main Tree may grow past kMinMainTreeCap as
// far as the model needs: 50 use cases of 700 diagrams each, every one
// reached from six actors, give 250 links copying 700 nodes each.
TEST(BranchCopies, TheCapGrowsWithTheModel) {
  SyntheticModel m;
  std::vector<std::string> actors, useCases;
  for (int a = 0; a < 6; ++a) actors.push_back(m.actor("Actor " + std::to_string(a)));
  for (int u = 0; u < 50; ++u) {
    useCases.push_back(m.useCase("Use case " + std::to_string(u)));
    for (int d = 0; d < 700; ++d) m.diagram(useCases.back(), "Flow " + std::to_string(d));
  }
  for (const auto& a : actors)
    for (const auto& u : useCases) m.association(a, u);
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  EXPECT_TRUE(l.g.work().problems.empty());
  EXPECT_GT(l.main().count(), kMinMainTreeCap);
  // The last link made is expanded whole.
  EXPECT_EQ(l.node(useCases.back() + "ACTOR250").children, 700);
}

// A tree and working files made by hand, for the cases a model rarely shows.
struct HandTree : ::testing::Test {
  void link(const std::string& parent, const std::string& key, const std::string& target) {
    t.addChild(parent, key, "link", "continua");
    files.create(key + "_cont.txt") = target + "\nname\n";
  }
  void run() {
    CopyState s;
    AzzeraCollezioni(s);
    s.cap = limit;
    DuplicaRami(t, s, files, [this](const std::string& text) { notices.push_back(text); });
  }
  Tree t;
  LoadFiles files;
  int limit = kMinMainTreeCap;
  std::vector<std::string> notices;
};

TEST_F(HandTree, ALinkToAPackageIsExpandedOnceAndEnds) {
  t.addTop("AAAAAAAAAAAA", "actor", "actor");
  t.addChild("AAAAAAAAAAAA", "PPPPPPPPPPPP", "package", "package");
  t.addChild("PPPPPPPPPPPP", "QQQQQQQQQQQQ", "inner", "package");
  t.addTop("BBBBBBBBBBBB", "actor 2", "actor");
  link("BBBBBBBBBBBB", "PPPPPPPPPPPPACTOR1", "PPPPPPPPPPPP");
  run();
  EXPECT_EQ(t.node(t.find("PPPPPPPPPPPPACTOR1")).image, "package");
  EXPECT_TRUE(t.contains("QQQQQQQQQQQQ$$00000"));
  EXPECT_TRUE(notices.empty());
}

TEST_F(HandTree, AMissingContinuationFileIsReported) {
  t.addTop("AAAAAAAAAAAA", "actor", "actor");
  t.addChild("AAAAAAAAAAAA", "UUUUUUUUUUUUACTOR1", "Pay", "continua");
  run();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("UUUUUUUUUUUUACTOR1_cont.txt"), std::string::npos) << notices[0];
  EXPECT_EQ(t.node(t.find("UUUUUUUUUUUUACTOR1")).image, "continua");
}

TEST_F(HandTree, CopyingStopsAtTheNodeLimit) {
  t.addTop("AAAAAAAAAAAA", "actor", "actor");
  t.addChild("AAAAAAAAAAAA", "UUUUUUUUUUUU", "Pay", "entryusecase");
  for (int i = 0; i < 20; ++i) t.addChild("UUUUUUUUUUUU", "D" + std::to_string(100000000000 + i), "d", "sequence");
  t.addTop("BBBBBBBBBBBB", "actor 2", "actor");
  link("BBBBBBBBBBBB", "UUUUUUUUUUUUACTOR1", "UUUUUUUUUUUU");
  limit = 30;
  run();
  EXPECT_EQ(t.count(), 30);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("30 nodes"), std::string::npos) << notices[0];
}

TEST_F(HandTree, CopiesOfLinksAreExpandedInLaterPasses) {
  // X is reached twice; below X a link to Y, added after the link to X.
  t.addTop("AAAAAAAAAAAA", "actor", "actor");
  t.addChild("AAAAAAAAAAAA", "XXXXXXXXXXXX", "X", "entryusecase");
  t.addChild("AAAAAAAAAAAA", "YYYYYYYYYYYY", "Y", "entryusecase");
  t.addChild("YYYYYYYYYYYY", "ZZZZZZZZZZZZ", "Z", "usecase");
  t.addTop("BBBBBBBBBBBB", "actor 2", "actor");
  link("BBBBBBBBBBBB", "XXXXXXXXXXXXACTOR2", "XXXXXXXXXXXX");
  link("XXXXXXXXXXXX", "YYYYYYYYYYYYACTOR1", "YYYYYYYYYYYY");
  run();
  // Pass 1 copies the still unexpanded link to Y below the link to X, then
  // expands the link to Y; pass 2 expands the copy.
  const NodeId copy = t.find("YYYYYYYYYYYYACTOR1$$00000");
  ASSERT_NE(copy, kNoNode);
  EXPECT_EQ(t.node(copy).image, "usecaserip");
  EXPECT_EQ(t.node(copy).parent, t.find("XXXXXXXXXXXXACTOR2"));
  EXPECT_EQ(t.node(t.find("ZZZZZZZZZZZZ$$00001")).parent, t.find("YYYYYYYYYYYYACTOR1"));
  EXPECT_EQ(t.node(t.find("ZZZZZZZZZZZZ$$00002")).parent, copy);
  for (NodeId id : t.collection()) EXPECT_NE(t.node(id).image, "continua") << t.node(id).key;
}

TEST(SameElementLeaves, OneScanSkipsTheNodeAfterARemoval) {
  Tree t;
  t.addTop("PPPPPPPPPPPP", "p", "usecase");
  t.addChild("PPPPPPPPPPPP", "PPPPPPPPPPPP$$1", "p", "usecase");
  t.addChild("PPPPPPPPPPPP", "PPPPPPPPPPPP$$2", "p", "usecase");  // moves into the place of $$1: not examined
  t.addChild("PPPPPPPPPPPP", "QQQQQQQQQQQQ", "q", "usecase");
  t.addChild("PPPPPPPPPPPP", "PPPPPPPPPPPP$$3", "p", "usecase");
  EliminaChildUguali(t);
  EXPECT_FALSE(t.contains("PPPPPPPPPPPP$$1"));
  EXPECT_TRUE(t.contains("PPPPPPPPPPPP$$2"));
  EXPECT_TRUE(t.contains("QQQQQQQQQQQQ"));
  EXPECT_FALSE(t.contains("PPPPPPPPPPPP$$3"));
  EXPECT_TRUE(t.contains("PPPPPPPPPPPP"));  // a top-level node is never removed
}

TEST(EntryReset, EntriesBecomePlainUseCases) {
  Tree t;
  const NodeId u = t.addTop("U", "u", "entryusecase");
  t.setBold(u, true);
  const NodeId link = t.addTop("L", "l", "usecaserip");
  t.setBold(link, true);
  EliminaEntry(t);
  EXPECT_EQ(t.node(u).image, "usecase");
  EXPECT_FALSE(t.node(u).bold);
  EXPECT_TRUE(t.node(link).bold);
}

TEST(LevelMarkers, AChainDownToTheDeepestLevel) {
  Tree t;
  AggiungiIndicazioniLivello(t, 0);
  ASSERT_EQ(t.count(), 1);
  EXPECT_EQ(t.node(t.find("LEVEL 0")).image, "rose");
  EXPECT_TRUE(t.node(t.find("LEVEL 0")).expanded);
  Tree deep;
  AggiungiIndicazioniLivello(deep, 12);
  EXPECT_EQ(deep.count(), 13);
  EXPECT_EQ(deep.depth(deep.find("LEVEL 12")), 12);
  EXPECT_EQ(deep.node(deep.find("LEVEL 12")).text, "LEVEL 12");
  EXPECT_TRUE(deep.node(deep.find("LEVEL 12")).expanded);
}

}  // namespace
}  // namespace zov

namespace zov {
namespace {

// Every real model goes through the whole load; the trees it leaves keep
// the rules every later command relies on.
void CheckTreesKeepTheirRules(const std::string& dir, int& files, int& weightedGroups) {
  std::vector<fs::path> models;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().extension() == ".mdl" || entry.path().extension() == ".cat") models.push_back(entry.path());
  for (const fs::path& model : models) {
    ++files;
    test::WindowReady ready;
    PlanningSession& s = ready.session;
    const std::string path = model.string();
    ASSERT_EQ(test::LoadError(s, path), "") << path;
    const Tree& t = s.TV(kMainTree);
    EXPECT_TRUE(t.contains("LEVEL 0")) << path;
    EXPECT_EQ(s.TV(kNotLinkedTree).node(s.TV(kNotLinkedTree).firstRoot()).text, "<<NOT linked>>");
    for (NodeId id : t.collection()) {
      const Node& n = t.node(id);
      EXPECT_NE(n.image, "continua") << path << " " << n.key;
      EXPECT_NE(n.image, "entryusecase") << path << " " << n.key;
      if (n.parent == kNoNode && n.key.rfind("LEVEL ", 0) != 0) {
        EXPECT_EQ(n.image, "actor") << path << " " << n.key;
        EXPECT_EQ(n.text.view().substr(0, 9), "[1.0000] ") << path;
      }
      // The shares of a weighted sibling group add up to 1.
      if (n.key.find("$$") != std::string::npos || n.children == 0 || n.image == "package") continue;
      double sum = 0;
      int shares = 0;
      bool labelled = true;
      for (NodeId c = n.child; c != kNoNode; c = t.node(c).next) {
        const std::string_view text = t.node(c).text;
        if (text.rfind("[----] ", 0) == 0) continue;
        if (text.size() < 9 || text[0] != '[' || text[7] != ']') labelled = false;
        sum += ReadLabelWeight(text);
        ++shares;
      }
      if (!labelled || shares == 0) continue;
      ++weightedGroups;
      EXPECT_NEAR(sum, 1.0, 0.00005 * shares + 1e-9) << path << " below " << n.key;
    }
  }
}

TEST(RealModelLoads, TreesKeepTheirRules) {
  ZOV_NEEDS_SHARED_MODELS();
  int files = 0, weightedGroups = 0;
  CheckTreesKeepTheirRules(test::kSharedModels, files, weightedGroups);
  EXPECT_GE(files, 15);
  EXPECT_GE(weightedGroups, 20);  // the check is not empty
}

}  // namespace
}  // namespace zov
