// Taking decisions back and breaking long operations off: the session
// afterwards must be the one the decisions before would have made, down to
// every node, tag, test procedure and file name.
#include <gtest/gtest.h>

#include <iterator>

#include <fstream>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>

#include "export/exports.h"
#include "session/plan.h"
#include "session/planning_session.h"
#include "session/session_file.h"
#include "support/shared_models.h"
#include "support/window_ready.h"

namespace zov {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = ZOV_EXAMPLES_DIR;

// Everything a decision can change, as text.
std::string Fingerprint(const PlanningSession& s) {
  std::ostringstream out;
  for (int t = 0; t < kTreeCount; ++t) {
    const Tree& tree = s.TV(t);
    out << "tree " << t << ": " << tree.count() << "\n";
    for (NodeId n = tree.nextInCollection(kNoNode); n != kNoNode; n = tree.nextInCollection(n)) {
      const Node& x = tree.node(n);
      out << tree.node(x.parent).key << " > " << x.key << " | " << x.text << " | " << x.image << " | " << tree.tag(n)
          << " | " << x.checked << x.bold << " " << x.foreColor << "/" << x.backColor << "\n";
    }
  }
  out << "level " << s.work().selection.livellostart << "-" << s.work().selection.livellostop << " "
      << s.work().selection.livelli << s.work().selection.startselezione << "\n"
      << s.work().weightsSum << "\nstrength " << s.strength().t << "\ndecisions " << s.decisions().size() << "\n";
  for (const std::string& p : s.work().problems) out << "problem " << p << "\n";
  for (const std::string& d : s.work().specification.specDocuments) out << "document " << d << "\n";
  WriteIndexCsv(s, out);
  out << ProceduresCsv(s);
  if (s.work().planReport) out << s.work().planReport->text();
  return out.str();
}

// Where two fingerprints part, for a readable failure.
std::string Differ(const std::string& a, const std::string& b) {
  if (a == b) return {};
  std::istringstream x(a), y(b);
  std::string l, r;
  for (int line = 1;; ++line) {
    const bool more = static_cast<bool>(std::getline(x, l)), other = static_cast<bool>(std::getline(y, r));
    if (!more && !other) return "differ";
    if (l != r || more != other) return "line " + std::to_string(line) + ": '" + l + "' / '" + r + "'";
  }
}

Criterion Procedures(int n) {
  Criterion c;
  c.procedures = n;
  return c;
}

// A busy box whose Cancel is pressed at the n-th text shown while the work
// may be broken off.
class CancellingBusyBox : public BusyBox {
 public:
  explicit CancellingBusyBox(int at) : at_(at) {}
  void show() override {}
  void hide() override {}
  void setStatus(std::string_view) override { count(); }
  void setProgress(int, int) override { count(); }
  void setCancellable(bool cancellable) override { cancellable_ = cancellable; }
  bool cancelRequested() const override { return pressed_; }
  int offered = 0;  // calls made while Cancel was offered

 private:
  void count() {
    if (cancellable_ && ++offered >= at_) pressed_ = true;
  }
  int at_;
  bool cancellable_ = false;
  bool pressed_ = false;
};

struct Undo : ::testing::Test {
  Undo() {
    p.setUndoable(true);
    p.setSeed(7);
  }
  test::WindowReady ready;
  PlanningSession& p = ready.session;
  Generale& g = ready.g;

  // Each step of a plan of the Lending example, and the state after it.
  std::vector<std::string> WorkThrough() {
    std::vector<std::string> states;
    EXPECT_TRUE(p.openModel(kExamples + "/Lending.mdl"));
    states.push_back(Fingerprint(p));
    works.push_back(p.work());
    const auto step = [&](bool done) {
      EXPECT_TRUE(done) << "step " << states.size();
      states.push_back(Fingerprint(p));
      works.push_back(p.work());
    };
    step(p.weight("Member/Borrow Book", "0.3").done);
    step(p.selectLevel("Member/Borrow Book", Procedures(20)).done);
    step(p.loadTestCases(TestCaseSource::kZov).done);
    step(p.pick("5B1000000040").done);
    step(p.process().done);
    step(p.category(p.findCategory(p.categoryName(FindByKeyOrPath(p.TV(kSpecTree), "SD1./TestCase 1/open/x"))),
                    {{"5", "busy", ""}, {"7", "", ""}}, false, false)
             .done);
    p.confirmDefaults();
    step(true);
    step(p.generate().result.procedures > 0);
    p.setStrength({2, false});
    step(true);
    step(p.generate().result.procedures > 0);
    EXPECT_EQ(p.decisions().size() + 1, states.size());
    return states;
  }
  // The whole work after each step but the trees (Fingerprint has them):
  // compared member by member, a member added later included.
  std::vector<WorkValues> works;
};

// Every step taken back in turn gives the state before it, and each taken
// again the state after it; g's menus and caption follow.
TEST_F(Undo, EachStepBackAndForth) {
  const std::vector<std::string> states = WorkThrough();
  ASSERT_GT(p.TV(kSpecTree).count(), 0);
  const std::size_t n = states.size() - 1;
  for (std::size_t k = n; k > 0; --k) {
    ASSERT_TRUE(p.canUndo());
    const Outcome o = p.undo();
    ASSERT_TRUE(o) << o.message;
    EXPECT_TRUE(o.warnings.empty()) << o.warnings.front();
    ASSERT_EQ(Differ(Fingerprint(p), states[k - 1]), "") << "after undoing step " << k;
    ASSERT_TRUE(static_cast<const WorkValues&>(p.work()) == works[k - 1]) << "after undoing step " << k;
  }
  EXPECT_FALSE(p.canUndo());
  EXPECT_FALSE(p.undo());
  for (std::size_t k = 1; k <= n; ++k) {
    ASSERT_TRUE(p.canRedo());
    ASSERT_TRUE(p.redo());
    ASSERT_EQ(Differ(Fingerprint(p), states[k]), "") << "after redoing step " << k;
    ASSERT_TRUE(static_cast<const WorkValues&>(p.work()) == works[k]) << "after redoing step " << k;
  }
  EXPECT_FALSE(p.canRedo());
}

// The "*" of the caption follows: undoing back to the saved decisions is
// unmodified, a new decision instead of the undone one is not; a new
// decision ends what can be redone.
TEST_F(Undo, ModifiedFollowsTheDecisions) {
  ASSERT_TRUE(p.openModel(kExamples + "/Lending.mdl"));
  ASSERT_TRUE(p.weight("Member/Borrow Book", "0.3"));
  g.markWindowSaved();
  ASSERT_TRUE(p.weight("Member/Borrow Book", "0.4"));
  EXPECT_NE(g.caption.find(" *"), std::string::npos);
  EXPECT_TRUE(g.menus.enabled(menu::kUndo));
  EXPECT_FALSE(g.menus.enabled(menu::kRedo));
  ASSERT_TRUE(g.runMenuItem(menu::kUndo));
  EXPECT_EQ(g.caption.find(" *"), std::string::npos) << g.caption;
  EXPECT_NE(g.commandResult().find("Undone: weight of \"Member/Borrow Book\" set to 0.4"), std::string::npos)
      << g.commandResult();
  EXPECT_TRUE(g.menus.enabled(menu::kRedo));
  ASSERT_TRUE(g.runMenuItem(menu::kUndo));
  EXPECT_TRUE(p.modified());
  ASSERT_TRUE(g.runMenuItem(menu::kRedo));
  EXPECT_FALSE(p.modified());
  ASSERT_TRUE(p.weight("Member/Borrow Book", "0.5"));
  EXPECT_TRUE(p.modified());
  EXPECT_FALSE(p.canRedo());
  EXPECT_FALSE(g.menus.enabled(menu::kRedo));
  ASSERT_TRUE(p.undo());
  EXPECT_FALSE(p.modified());
  ASSERT_TRUE(p.undo());
  ASSERT_TRUE(p.weight("Member/Borrow Book", "0.3"));
  EXPECT_TRUE(p.modified()) << "the same count of other decisions is not what was saved";
}

// Undo puts the menus back as the decisions left them, and marks the
// scripts out of date: Undo and Redo never write the working folder, whose
// documents and scripts keep their content and time until the next
// generation.
TEST_F(Undo, MenusAndScriptsFollow) {
  WorkThrough();
  g.generateAll();
  const auto folder = [&] {
    std::string seen;
    for (const auto& e : fs::directory_iterator(ready.work.dir())) {
      std::ifstream in(e.path(), std::ios::binary);
      seen += e.path().filename().string() + " " +
              std::to_string(fs::last_write_time(e.path()).time_since_epoch().count()) + " " +
              std::string(std::istreambuf_iterator<char>(in), {}) + "\n";
    }
    return seen;
  };
  const std::string written = folder();
  ASSERT_FALSE(written.empty());
  const auto fromSteps = [&] {
    return std::count_if(g.problems().begin(), g.problems().end(),
                         [](const Generale::Problem& q) { return q.from == "Generation" || q.from == "Processing"; });
  };
  const auto live = fromSteps();
  ASSERT_GT(live, 0) << "the plan report warns of leaves that gave fewer procedures";
  EXPECT_TRUE(g.menus.enabled(menu::kPlanReport));
  ASSERT_TRUE(g.runMenuItem(menu::kUndo));
  EXPECT_TRUE(g.scriptsOutOfDate());
  EXPECT_EQ(g.outOfDateText(), Generale::kScriptsOutOfDateText);
  EXPECT_TRUE(g.menus.enabled(menu::kPlanReport)) << "the first generation is still there";
  while (p.canUndo() && p.decisions().back().type != Decision::Type::kProcess) ASSERT_TRUE(p.undo());
  // Test cases picked in the Test Specification tree are forgotten with it.
  g.highlightedNodes = {p.TV(kSpecTree).firstRoot()};
  ASSERT_TRUE(g.runMenuItem(menu::kUndo));
  EXPECT_FALSE(g.menus.enabled(menu::kPlanReport));
  EXPECT_EQ(fromSteps(), 0);
  EXPECT_TRUE(g.highlightedNodes.empty());
  EXPECT_FALSE(g.menus.enabled(menu::kTestSc));
  EXPECT_TRUE(g.menus.enabled(menu::kGenerazione));
  ASSERT_TRUE(g.runMenuItem(menu::kRedo));
  EXPECT_TRUE(g.menus.enabled(menu::kTestSc));
  while (p.canRedo()) ASSERT_TRUE(g.runMenuItem(menu::kRedo));
  EXPECT_TRUE(g.menus.enabled(menu::kPlanReport));
  EXPECT_TRUE(g.scriptsOutOfDate());
  EXPECT_EQ(folder(), written);
  // What the replayed processing and generation found is listed again, as
  // after reopening the session in another window.
  EXPECT_EQ(fromSteps(), live);
  const std::string file = (fs::path(ready.work.dir()) / "again.zov").string();
  ASSERT_TRUE(SaveSession(p, file));
  test::WindowReady other;
  other.g.openSessionFile(file);
  EXPECT_EQ(std::count_if(other.g.problems().begin(), other.g.problems().end(),
                          [](const Generale::Problem& q) { return q.from == "Generation" || q.from == "Processing"; }),
            live);
  fs::remove(file);
  g.generateAll();
  EXPECT_FALSE(g.scriptsOutOfDate());
}

// Cancel in the busy box, at every point it is offered: the processing,
// the generation and the load leave the session as it was before them.
TEST_F(Undo, CancelLeavesTheWorkAsItWas) {
  const std::vector<std::string> states = WorkThrough();
  const std::string before = states.back();
  // op() broken off at each offer in turn until it runs through.
  const auto everyPoint = [&](const char* what, const std::function<bool()>& op) {
    for (int at = 1;; ++at) {
      CancellingBusyBox busy(at);
      p.setBusyBox(&busy);
      const bool cancelled = op();
      p.setBusyBox(&ready.busy);
      if (!cancelled) {
        EXPECT_GT(at, 1) << what << " never offers Cancel";
        return;
      }
      ASSERT_EQ(Differ(Fingerprint(p), before), "") << what << " cancelled at " << at;
    }
  };
  everyPoint("processing", [&] {
    const Outcome o = p.process();
    if (o.cancelled) {
      EXPECT_EQ(o.message, "Processing was cancelled: the work is as it was before it.");
    } else {
      EXPECT_TRUE(p.undo());
    }
    return o.cancelled;
  });
  everyPoint("generation", [&] {
    const bool cancelled = p.generate().cancelled;
    if (!cancelled) {
      EXPECT_TRUE(p.undo());
    }
    return cancelled;
  });
  ASSERT_TRUE(p.undo());
  EXPECT_EQ(Differ(Fingerprint(p), states[states.size() - 2]), "");
  ASSERT_TRUE(p.redo());
  everyPoint("load", [&] {
    const Outcome o = p.openModel(kExamples + "/ATM.mdl");
    if (o.cancelled) {
      EXPECT_NE(o.message.find("Lending.mdl stays as it was"), std::string::npos) << o.message;
    }
    return o.cancelled;
  });
  EXPECT_EQ(p.work().filemdl, kExamples + "/ATM.mdl");
}

// A session file's model load broken off: the work, its seed and its
// strength stay as they were, wherever the load stopped.
TEST_F(Undo, ACancelledSessionLoadKeepsTheWork) {
  const std::vector<std::string> states = WorkThrough();
  const std::string file = (fs::path(ready.work.dir()) / "other.zov").string();
  {
    test::WindowReady other;
    other.session.setSeed(99);
    other.session.loadWithStrength({3, true});
    ASSERT_TRUE(other.session.openModel(kExamples + "/ATM.mdl"));
    ASSERT_TRUE(SaveSession(other.session, file));
  }
  for (int at : {1, 2, 4}) {
    CancellingBusyBox busy(at);
    p.setBusyBox(&busy);
    const SessionReport r = LoadSession(p, file);
    p.setBusyBox(&ready.busy);
    EXPECT_TRUE(r.outcome.cancelled) << at;
    EXPECT_EQ(p.seed(), 7u) << at;
    EXPECT_EQ(p.strength().t, 2) << at;
    EXPECT_EQ(Differ(Fingerprint(p), states.back()), "") << at;
  }
}

// Another model's load broken off after the trees made way: every view
// shows its branches opened and closed as the tester left them, the
// not-linked tree too.
TEST_F(Undo, ACancelledLoadKeepsTheViews) {
  WorkThrough();
  Tree& notLinked = g.TV(kNotLinkedTree);
  ASSERT_GT(notLinked.count(), 1);
  for (NodeId n = notLinked.nextInCollection(kNoNode); n != kNoNode; n = notLinked.nextInCollection(n))
    notLinked.setExpanded(n, !notLinked.node(n).expanded);
  const auto opened = [this] {
    std::string seen;
    for (int i = 0; i < kTreeCount; ++i) {
      const Tree& t = p.TV(i);
      for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n))
        seen += std::to_string(i) + " " + std::string(t.node(n).key) + (t.node(n).expanded ? " +\n" : " -\n");
    }
    return seen;
  };
  const std::string before = opened();
  for (int at : {2, 3, 4}) {
    CancellingBusyBox busy(at);
    p.setBusyBox(&busy);
    const Outcome o = p.openModel(kExamples + "/ATM.mdl");
    p.setBusyBox(&ready.busy);
    ASSERT_TRUE(o.cancelled) << at;
    EXPECT_EQ(Differ(opened(), before), "") << at;
  }
}

// A first load broken off leaves no model, as before it.
TEST_F(Undo, ACancelledFirstLoadLeavesNoModel) {
  CancellingBusyBox busy(2);
  p.setBusyBox(&busy);
  const Outcome o = p.openModel(kExamples + "/ATM.mdl");
  EXPECT_TRUE(o.cancelled);
  EXPECT_NE(o.message.find("no model is loaded"), std::string::npos) << o.message;
  EXPECT_EQ(p.model(), nullptr);
  for (int t = 0; t < kTreeCount; ++t) EXPECT_EQ(p.TV(t).count(), 0) << "tree " << t;
  p.setBusyBox(&ready.busy);
  EXPECT_TRUE(p.openModel(kExamples + "/ATM.mdl"));
}

// A whole plan of the model (every source of test cases, so that models no
// actor reaches plan too) taken back by one step, then taken again: the
// replay gives the same state, and the step back stays under half a second
// (generous here against a loaded machine; the note gives the figures).
// Whether the plan made decisions.
bool ReplaysToTheSameState(const std::string& model) {
  test::WindowReady ready;
  PlanningSession& p = ready.session;
  p.setUndoable(true);
  p.setSeed(3);
  PlanOptions o;
  o.sources = {TestCaseSource::kZov, TestCaseSource::kAllDiagrams, TestCaseSource::kNotLinked};
  RunPlan(p, model, o);
  if (p.decisions().empty()) return false;
  const std::string planned = Fingerprint(p);
  p.setStrength({2, false});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(p.undo()) << model;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(Differ(Fingerprint(p), planned), "") << model;
  EXPECT_LT(seconds, 5.0) << model;
  EXPECT_TRUE(p.redo()) << model;
  EXPECT_EQ(p.strength().t, 2);
  return true;
}

// The examples: several actors, each selected by the same number of
// procedures (a replay allots only after the last of them).
TEST(UndoPlans, TheExamplesReplayToTheSameState) {
  for (const char* model : {"ATM.mdl", "Lending.mdl", "ATM.xmi"})
    EXPECT_TRUE(ReplaysToTheSameState(kExamples + "/" + model)) << model;
}

TEST(UndoPlans, EverySharedModelReplaysToTheSameState) {
  ZOV_NEEDS_SHARED_MODELS();
  int models = 0;
  for (const auto& e : fs::recursive_directory_iterator(test::kSharedModels)) {
    const std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".mdl" || ext == ".cat" || ext == ".xmi" || ext == ".uml"))
      models += ReplaysToTheSameState(e.path().string()) ? 1 : 0;
  }
  EXPECT_GT(models, 5);
}

}  // namespace
}  // namespace zov
