// Random sequences of the tester's work (weights, selections, loads of test
// cases, picks, processing, category edits with defaults, own values, Cancel,
// removed choices, generation): after each, (a) the session saved and
// replayed in a fresh window gives the same trees and procedures, and (b)
// Undo of the last step gives what a fresh replay of all steps but the last
// gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "session/planning_session.h"
#include "session/session_file.h"
#include "support/shared_models.h"
#include "support/window_ready.h"
#include "tree/kinds.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

// What the tester sees of the work: every tree's nodes with their texts,
// tags and colours, and every procedure generated with its steps.
std::string Seen(const PlanningSession& s) {
  std::ostringstream out;
  for (int i = 0; i < kTreeCount; ++i) {
    const Tree& t = s.TV(i);
    out << "tree " << i << "\n";
    for (NodeId n : t.collection()) {
      const Node& node = t.node(n);
      out << node.key << '\t' << node.text << '\t' << t.tag(n) << '\t' << node.foreColor << '\t' << node.backColor
          << '\t' << node.bold << '\t' << (node.parent == kNoNode ? std::string() : t.node(node.parent).key) << "\n";
    }
  }
  for (const GeneratedProcedure& p : s.work().procedures) {
    out << "procedure " << p.testCase << ' ' << p.path << ' ' << p.significant << "\n";
    for (const ProcedureStep& step : p.steps)
      out << "  " << step.message << '|' << step.category << '|' << step.value << "\n";
  }
  return out.str();
}

// The nodes of a tree that pass keep.
template <typename Keep>
std::vector<NodeId> Nodes(const Tree& t, Keep keep) {
  std::vector<NodeId> found;
  for (NodeId n : t.collection())
    if (keep(t.node(n))) found.push_back(n);
  return found;
}

class Tester {
 public:
  Tester(PlanningSession& s, unsigned seed) : s_(s), rnd_(seed) {}

  template <typename T>
  const T& any(const std::vector<T>& list) {
    return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rnd_)];
  }
  int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rnd_); }

  void select() {
    const auto nodes = Nodes(s_.TV(kMainTree), [](const Node& n) { return n.parent != kNoNode; });
    if (nodes.empty()) return;
    Criterion c;
    c.procedures = static_cast<std::int16_t>(5 + upTo(40));
    s_.selectLevel(any(nodes), c);
  }
  void weigh() {
    const auto nodes = Nodes(s_.TV(kMainTree), [](const Node& n) { return n.parent != kNoNode; });
    if (!nodes.empty()) s_.weight(any(nodes), any(std::vector<std::string>{"0.2", "0.5", "1", "3"}));
  }
  void pick() {
    if (upTo(2) == 0) {
      s_.pickAll();
      return;
    }
    const auto nodes = Nodes(s_.TV(kUitTree), [](const Node& n) { return n.parent != kNoNode; });
    for (int i = 0, n = 1 + upTo(2); i < n && !nodes.empty(); ++i) s_.pick(any(nodes));
  }
  void editCategory() {
    const Tree& spec = s_.TV(kSpecTree);
    const auto categories =
        Nodes(spec, [](const Node& n) { return n.image == kind::kAttributo || n.image == kind::kMessaggio; });
    if (categories.empty()) return;
    if (!s_.openCategory(any(categories))) return;
    static const std::vector<std::string> values = {"4321", "0", "-7", "abc", "x y", "4321"};
    switch (upTo(4)) {
      case 0: s_.chooseDefaults(); break;
      case 1:
        for (int i = 0, n = 1 + upTo(2); i < n; ++i)
          s_.addValue(any(values), upTo(3) == 0 ? "p1,p2" : "", upTo(3) == 0 ? "p1" : "");
        break;
      case 2:
        s_.addValue(any(values));
        s_.chooseDefaults();
        break;
      case 3:
        s_.addValue(any(values));
        s_.cancelCategory();
        return;
      default: break;  // OK as opened
    }
    s_.confirmCategory();
  }
  void removeChoice() {
    const auto choices = Nodes(s_.TV(kSpecTree), [](const Node& n) { return n.image == kind::kValue; });
    if (!choices.empty()) s_.removeChoice(any(choices));
  }

  // A few selections, the test cases loaded, picked and processed, then a
  // mix of the rest.
  void work() {
    for (int i = 0, n = 1 + upTo(2); i < n; ++i) upTo(3) == 0 ? weigh() : select();
    s_.loadTestCases(TestCaseSource::kZov);
    pick();
    s_.process();
    for (int i = 0, n = 3 + upTo(7); i < n; ++i) {
      switch (upTo(9)) {
        case 0: weigh(); break;
        case 1: select(); break;
        case 2: pick(); break;
        case 3: s_.process(); break;
        case 4: removeChoice(); break;
        case 5: s_.confirmDefaults(); break;
        case 6: s_.generate(); break;
        default: editCategory(); break;
      }
    }
    if (upTo(1) == 0) s_.generate();
  }

 private:
  PlanningSession& s_;
  std::mt19937 rnd_;
};

// The first line where two views differ, with the line before it.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string la, lb, before;
  for (int line = 1;; ++line) {
    const bool more = static_cast<bool>(std::getline(x, la)), more2 = static_cast<bool>(std::getline(y, lb));
    if (!more && !more2) return {};
    if (!more || !more2 || la != lb)
      return "line " + std::to_string(line) + " after \"" + before + "\":\n  " + (more ? la : "(end)") + "\n  " +
             (more2 ? lb : "(end)");
    before = la;
  }
}

struct Replayed {
  std::string seen;
  std::string error;
};

Replayed Replay(const fs::path& session) {
  test::WindowReady fresh;
  const SessionReport r = LoadSession(fresh.session, session.string());
  if (!r.outcome) return {{}, r.outcome.message};
  if (!r.leftOut.empty()) return {{}, "left out: " + r.leftOut.front()};
  return {Seen(fresh.session), {}};
}

void CheckSequences(const std::string& model, int sequences) {
  const fs::path dir = fs::temp_directory_path() / ("zov-replay-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (int k = 0; k < sequences; ++k) {
    SCOPED_TRACE(model + ", sequence " + std::to_string(k));
    test::WindowReady live;
    live.session.setUndoable(true);
    live.session.setSeed(static_cast<unsigned>(11 + k));
    ASSERT_TRUE(live.session.openModel(model));
    Tester(live.session, static_cast<unsigned>(k)).work();
    const std::string seen = Seen(live.session);
    const fs::path all = dir / "all.zov", butLast = dir / "but-last.zov";
    ASSERT_TRUE(SaveSession(live.session, all.string()));
    const Replayed again = Replay(all);
    ASSERT_EQ(again.error, "");
    EXPECT_EQ(FirstDifference(seen, again.seen), "") << "the replayed session differs";
    ASSERT_TRUE(live.session.canUndo());
    const Outcome undone = live.session.undo();
    ASSERT_TRUE(undone) << undone.message;
    ASSERT_TRUE(SaveSession(live.session, butLast.string()));
    const Replayed fresh = Replay(butLast);
    ASSERT_EQ(fresh.error, "");
    EXPECT_EQ(FirstDifference(Seen(live.session), fresh.seen), "")
        << "Undo differs from a replay of all steps but the last";
  }
  fs::remove_all(dir);
}

TEST(SessionReplay, RandomWorkOnTheExamplesReplaysExactly) {
  CheckSequences(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl", 25);
  CheckSequences(std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl", 15);
}

TEST(SessionReplay, RandomWorkOnSharedModelsReplaysExactly) {
  ZOV_NEEDS_SHARED_MODELS();
  CheckSequences(test::kSharedModels + "/crazybeans/Hospital98.mdl", 8);
  CheckSequences(test::kSharedModels + "/xmi/papyrus-infrasync-design.uml", 8);
}

// The category edited twice: its defaults, then one own value added to the
// list. Every replay shows what the second edit left; a session file that
// lists only the value added (as earlier versions wrote it) replays as that
// one value: the list a category decision gives replaces what was there.
TEST(SessionReplay, ACategoryEditedAgainReplaysAsItWasLeft) {
  const fs::path session = fs::temp_directory_path() / ("zov-twice-" + std::to_string(::getpid()) + ".zov");
  test::WindowReady live;
  PlanningSession& s = live.session;
  s.setUndoable(true);
  s.setSeed(5);
  ASSERT_TRUE(s.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  Criterion c;
  c.procedures = 40;
  ASSERT_TRUE(s.selectLevel("Customer/Withdraw Cash", c));
  ASSERT_TRUE(s.loadTestCases(TestCaseSource::kZov));
  ASSERT_TRUE(s.pickAll());
  ASSERT_TRUE(s.process());
  const Tree& spec = s.TV(kSpecTree);
  const auto cards = Nodes(spec, [](const Node& n) { return n.text == "cardNumber"; });
  ASSERT_FALSE(cards.empty());
  const std::string card(spec.node(cards.front()).key);
  ASSERT_TRUE(s.openCategory(card));
  ASSERT_TRUE(s.chooseDefaults());
  ASSERT_TRUE(s.confirmCategory());
  const int defaults = spec.node(spec.find(card + " Choices")).children;
  ASSERT_GT(defaults, 1);
  ASSERT_TRUE(s.openCategory(card));
  s.settingsEditor.chooseOwnValues();  // "Insert your own values", as the window does
  ASSERT_TRUE(s.addValue("4321"));
  ASSERT_TRUE(s.confirmCategory());
  s.generate();
  EXPECT_EQ(spec.node(spec.find(card + " Choices")).children, defaults + 1);
  const std::string seen = Seen(s);
  ASSERT_TRUE(SaveSession(s, session.string()));
  EXPECT_EQ(FirstDifference(seen, Replay(session).seen), "");
  // Undo of the generation touches nothing of the category.
  const Outcome undone = s.undo();
  ASSERT_TRUE(undone) << undone.message;
  EXPECT_EQ(spec.node(spec.find(card + " Choices")).children, defaults + 1);

  // The same session as an earlier version wrote it: the second edit lists
  // only the value it added.
  nlohmann::json file;
  {
    std::ifstream in(session, std::ios::binary);
    file = nlohmann::json::parse(in);
  }
  nlohmann::json* second = nullptr;
  for (nlohmann::json& d : file["decisions"])
    if (d.value("op", "") == "category") second = &d;
  ASSERT_NE(second, nullptr);
  (*second)["values"] = nlohmann::json::array({{{"value", "4321"}, {"properties", ""}, {"selectors", ""}}});
  std::ofstream(session, std::ios::binary | std::ios::trunc) << file.dump(2);
  test::WindowReady old;
  const SessionReport earlier = LoadSession(old.session, session.string());
  ASSERT_TRUE(earlier.outcome) << earlier.outcome.message;
  const Tree& replayed = old.session.TV(kSpecTree);
  const NodeId only = replayed.find(card + " Choices");
  ASSERT_NE(only, kNoNode);
  EXPECT_EQ(replayed.node(only).children, 1);
  EXPECT_EQ(replayed.node(replayed.node(only).child).text, "4321");
  fs::remove(session);
}

}  // namespace
}  // namespace zov
