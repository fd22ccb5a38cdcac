#include "tree/tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "tree/kinds.h"
#include "tree/string_index.h"
#include "tree/text_block.h"

namespace zov {
namespace {

std::vector<std::string> Keys(const Tree& t) {
  std::vector<std::string> keys;
  for (int i = 1; i <= t.count(); ++i) keys.emplace_back(t.node(t.at(i)).key);
  return keys;
}

// The presence test as a plain scan of the collection.
bool ScanPresent(const Tree& t, const std::string& id) {
  for (int i = 1; i <= t.count(); ++i)
    if (t.node(t.at(i)).key.substr(0, 12) == id) return true;
  return false;
}

TEST(Tree, AddsInInsertionOrderWithLinks) {
  Tree t;
  const NodeId a = t.addTop("A", "Actor", "actor");
  const NodeId b = t.addChild("A", "B", "Use case", "usecase");
  const NodeId c = t.addChild("A", "C", "Other", "usecase");
  const NodeId d = t.addChild(b, "D", "Diagram", "sequence");
  const NodeId e = t.addTop("E", "Second actor", "actor");
  ASSERT_NE(a, kNoNode);
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(t.node(a).child, b);
  EXPECT_EQ(t.node(b).next, c);
  EXPECT_EQ(t.node(c).next, kNoNode);
  EXPECT_EQ(t.node(a).children, 2);
  EXPECT_EQ(t.node(d).parent, b);
  EXPECT_EQ(t.node(a).next, e);
  EXPECT_EQ(t.rootCount(), 2);
  EXPECT_EQ(t.depth(d), 2);
  EXPECT_EQ(t.row(c), 1);
  EXPECT_EQ(t.childAt(a, 1), c);
  EXPECT_EQ(t.childAt(kNoNode, 1), e);
  EXPECT_EQ(t.indexOf(d), 4);
  EXPECT_EQ(t.find("D"), d);
  EXPECT_EQ(t.node(d).foreColor, kDefaultForeColor);
}

TEST(Tree, DuplicateKeyOrMissingParentAddsNothing) {
  Tree t;
  t.addTop("A", "first", "actor");
  t.addChild("A", "B", "child", "usecase");
  EXPECT_EQ(t.addTop("A", "again", "actor"), kNoNode);
  EXPECT_EQ(t.addChild("A", "B", "again", "usecase"), kNoNode);
  EXPECT_EQ(t.addChild("B", "A", "again", "usecase"), kNoNode);
  EXPECT_EQ(t.addChild("nowhere", "X", "orphan", "usecase"), kNoNode);
  EXPECT_EQ(t.count(), 2);
  EXPECT_EQ(t.node(t.find("A")).text, "first");
  EXPECT_EQ(t.node(t.find("A")).children, 1);
  EXPECT_FALSE(t.contains("X"));
}

TEST(Tree, RemovingABranchShiftsLaterNodesUp) {
  Tree t;
  t.addTop("R", "root", "rose");
  t.addChild("R", "A", "a", "usecase");
  t.addChild("A", "A1", "a1", "usecase");
  t.addChild("R", "B", "b", "usecase");
  t.addChild("A1", "A11", "a11", "usecase");
  t.addChild("B", "B1", "b1", "usecase");
  t.remove(t.find("A"));
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"R", "B", "B1"}));
  EXPECT_EQ(t.count(), 3);
  EXPECT_EQ(t.node(t.at(2)).key, "B");
  EXPECT_EQ(t.indexOf(t.find("B1")), 3);
  EXPECT_FALSE(t.contains("A11"));
  EXPECT_EQ(t.node(t.find("R")).children, 1);
  EXPECT_EQ(t.node(t.find("R")).child, t.find("B"));
  EXPECT_EQ(t.at(4), kNoNode);
  // A removed key can be added again, at the end of the collection.
  EXPECT_NE(t.addChild("R", "A", "again", "usecase"), kNoNode);
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"R", "B", "B1", "A"}));
}

TEST(Tree, RemovingMiddleAndLastSiblingsKeepsLinks) {
  Tree t;
  t.addTop("R", "root", "rose");
  for (const char* k : {"1", "2", "3"}) t.addChild("R", k, k, "usecase");
  t.remove(t.find("2"));
  EXPECT_EQ(t.node(t.find("1")).next, t.find("3"));
  EXPECT_EQ(t.node(t.find("3")).previous, t.find("1"));
  t.remove(t.find("3"));
  EXPECT_EQ(t.node(t.find("R")).lastChild, t.find("1"));
  EXPECT_NE(t.addChild("R", "4", "4", "usecase"), kNoNode);
  EXPECT_EQ(t.node(t.find("1")).next, t.find("4"));
  t.remove(t.find("R"));
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.firstRoot(), kNoNode);
}

TEST(Tree, PresenceTestComparesTwelveCharacters) {
  Tree t;
  t.addTop("3AC03B960258", "Operator", "actor");
  t.addChild("3AC03B960258", "3AC03B960258ACTOR1", "Operator", "actor");
  t.addTop("4B11", "short", "usecase");
  t.addTop("4B11AAAAAAAAX", "long", "usecase");
  EXPECT_TRUE(t.isPresent("3AC03B960258"));
  EXPECT_EQ(t.firstPresent("3AC03B960258"), t.find("3AC03B960258"));
  t.remove(t.find("3AC03B960258"));
  EXPECT_FALSE(t.isPresent("3AC03B960258"));  // the link node went with its branch

  t.addTop("3AC03B960258ACTOR7", "link", "continua");
  EXPECT_TRUE(t.isPresent("3AC03B960258"));  // found through a link node alone
  EXPECT_TRUE(t.isPresent("4B11"));          // the exact short key
  EXPECT_FALSE(t.isPresent("4B1"));
  EXPECT_FALSE(t.isPresent("4B11AAAAAAAAX"));  // longer than 12: never equal
  EXPECT_TRUE(t.isPresent("4B11AAAAAAAA"));
  EXPECT_FALSE(t.isPresent(""));
}

TEST(Tree, IndexesAgreeWithAScan) {
  std::mt19937 random(7);
  Tree t;
  std::vector<std::string> ids;
  for (int i = 0; i < 60; ++i) ids.push_back("ID" + std::to_string(1000000000 + i % 20));  // 12 chars
  ids.push_back("SHORT");
  const NodeId root = t.addTop("ROOT", "root", "rose");
  int serial = 0;
  // Every other change names its node without asking for a position, so
  // that runs of appends and removals meet positions not counted yet. The
  // first 500 steps only add, so that the checks also meet a tree that
  // never lost a node.
  NodeId last = kNoNode;
  for (int step = 0; step < 3000; ++step) {
    const bool byPosition = random() % 2 == 0 || !t.valid(last);
    if (step >= 500 && random() % 4 == 0 && t.count() > 1) {
      const NodeId victim =
          byPosition ? t.at(2 + static_cast<int>(random() % static_cast<unsigned>(t.count() - 1))) : last;
      if (victim != root) t.remove(victim);
    } else {
      const std::string& id = ids[random() % ids.size()];
      const std::string key = random() % 2 ? id : id + "ACTOR" + std::to_string(++serial);
      const NodeId parent = byPosition ? t.at(1 + static_cast<int>(random() % static_cast<unsigned>(t.count()))) : last;
      if (const NodeId added = t.addChild(parent, key, key, "usecase"); added != kNoNode) last = added;
    }
    if (step % 100 == 0) {
      // Collection positions agree with a walk of the live nodes.
      int index = 0;
      for (NodeId n : t.collection()) ASSERT_EQ(t.indexOf(n), ++index);
      for (const auto& id : ids) {
        ASSERT_EQ(t.isPresent(id), ScanPresent(t, id)) << id;
        std::vector<NodeId> scan;
        for (NodeId n : t.collection())
          if (t.node(n).key.substr(0, 12) == id) scan.push_back(n);
        ASSERT_EQ(t.allPresent(id), scan) << id;
        ASSERT_EQ(t.presentCount(id), static_cast<int>(scan.size())) << id;
        ASSERT_EQ(t.firstPresent(id), scan.empty() ? kNoNode : scan.front()) << id;
      }
      // The collection is the live ids in ascending order, from any id on,
      // removed ones included.
      std::vector<NodeId> live;
      for (NodeId n = 1; n <= 3001; ++n)  // every id ever given
        if (t.valid(n)) live.push_back(n);
      ASSERT_EQ(t.collection(), live);
      for (NodeId n = 0; n < (live.empty() ? 0 : live.back() + 2); ++n) {
        const auto after = std::upper_bound(live.begin(), live.end(), n);
        ASSERT_EQ(t.nextInCollection(n == 0 ? kNoNode : n), after == live.end() ? kNoNode : *after) << n;
      }
      // Rows and children by row agree with a walk of the sibling links.
      for (NodeId n : t.collection()) {
        int r = 0;
        for (NodeId c = t.node(n).child; c != kNoNode; c = t.node(c).next, ++r) {
          ASSERT_EQ(t.row(c), r);
          ASSERT_EQ(t.childAt(n, r), c);
        }
        ASSERT_EQ(t.childAt(n, r), kNoNode);
      }
    }
  }
  // A copy holds its own keys: it reads the same after the tree is cleared.
  std::vector<std::string> keys;
  for (NodeId n : t.collection()) keys.emplace_back(t.node(n).key);
  const Tree copy(t);
  t.clear();
  std::vector<std::string> copied;
  for (NodeId n : copy.collection()) copied.emplace_back(copy.node(n).key);
  EXPECT_EQ(copied, keys);
  for (const std::string& k : keys) EXPECT_NE(copy.find(k), kNoNode) << k;
}

// The first of equal texts, as a map of first places finds it.
TEST(FirstOfEqual, AsAMapOfFirstPlaces) {
  std::mt19937 random(11);
  std::vector<std::string> texts;
  for (int i = 0; i < 70000; ++i) {
    const unsigned n = random();
    texts.push_back("K" + std::to_string(n % 5000) + std::string(n % 13, 'x'));
  }
  const std::vector<std::uint32_t> first =
      FirstOfEqual(texts.size(), [&texts](std::size_t i) -> std::string_view { return texts[i]; });
  std::unordered_map<std::string, std::uint32_t> firstPlace;
  for (std::uint32_t i = 0; i < texts.size(); ++i)
    ASSERT_EQ(first[i], firstPlace.try_emplace(texts[i], i).first->second);
}

TEST(Tree, MarksAndObserver) {
  struct Recorder : TreeObserver {
    std::vector<std::string> events;
    void nodeAboutToBeAdded(NodeId p, int row) override {
      events.push_back("add " + std::to_string(p) + ":" + std::to_string(row));
    }
    void nodeAdded(NodeId) override { events.push_back("added"); }
    void nodeAboutToBeRemoved(NodeId n, int row) override {
      events.push_back("remove " + std::to_string(n) + ":" + std::to_string(row));
    }
    void nodeRemoved() override { events.push_back("removed"); }
    void nodeChanged(NodeId n) override { events.push_back("changed " + std::to_string(n)); }
    void expandedChanged(NodeId n) override { events.push_back("expanded " + std::to_string(n)); }
    void selectionChanged(NodeId n) override { events.push_back("selected " + std::to_string(n)); }
    void treeAboutToBeReset() override { events.push_back("reset?"); }
    void treeReset() override { events.push_back("reset"); }
  } recorder;
  Tree t;
  t.setObserver(&recorder);
  const NodeId a = t.addTop("A", "a", "actor");
  const NodeId b = t.addChild(a, "B", "b", "usecase");
  t.setForeColor(b, kSelectedFore);
  t.setForeColor(b, kSelectedFore);  // no change, no event
  t.setExpanded(a, true);
  t.setSelected(b);
  t.remove(b);
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"add 0:0", "added", "add 1:0", "added", "changed 2", "expanded 1", "selected 2",
                                      "remove 2:0", "removed", "selected 0"}));
  recorder.events.clear();
  t.beginBulkUpdate();
  t.addChild(a, "C", "c", "usecase");
  t.setBold(a, true);
  t.endBulkUpdate();
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"reset?", "reset"}));
  EXPECT_TRUE(t.node(a).bold);
}

TEST(Trees, SevenIndependentTrees) {
  Trees tv;
  tv(0).addTop("K", "main", "actor");
  EXPECT_NE(tv(1).addTop("K", "uit", "rose"), kNoNode);
  EXPECT_EQ(tv(6).count(), 0);
  EXPECT_THROW(tv(7), std::out_of_range);
}

}  // namespace
}  // namespace zov
