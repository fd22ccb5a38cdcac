#include "session/planning_session.h"

#include <gtest/gtest.h>

#include "support/session_access.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <unistd.h>

#include "files/work_folder.h"
#include "selection/allocation.h"
#include "session/plan.h"
#include "session/scripted_asker.h"
#include "session/session_file.h"
#include "specification/category_editors.h"
#include "support/shared_models.h"
#include "support/window_ready.h"
#include "tree/kinds.h"
#include "tree/node_state.h"
#include "ui/ui.h"

namespace zov {
namespace {

const std::string kLending = std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl";

Criterion Procedures(int n) {
  Criterion c;
  c.procedures = n;
  return c;
}

struct Api : ::testing::Test {
  Api() {
    g.session.setSeed(1);
    EXPECT_TRUE(p.openModel(kLending));
  }
  test::WindowReady ready;
  Generale& g = ready.g;
  WorkFolder& work = ready.work;
  PlanningSession& p = ready.session;
};

// A plan from the model to the scripts, without a window or a dialog.
TEST_F(Api, AWholePlan) {
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book", Procedures(20)));
  EXPECT_NE(g.sumLabel.find("Number of Test Procedures: 20"), std::string::npos) << g.sumLabel;
  ASSERT_TRUE(p.loadTestCases(TestCaseSource::kZov));
  ASSERT_TRUE(p.pick("5B1000000040"));
  const Outcome again = p.pick("5B1000000040");
  EXPECT_FALSE(again);
  EXPECT_EQ(again.message, "Error: this node is already selected");
  ASSERT_TRUE(p.process());
  ASSERT_TRUE(p.openCategory("SD1./TestCase 1/open/x"));
  ASSERT_TRUE(p.addValue("5", "busy,open", "ready"));
  ASSERT_TRUE(p.addValue("7"));
  ASSERT_TRUE(p.confirmCategory());
  // Opened and cancelled: nothing of it stays.
  ASSERT_TRUE(p.openCategory("SD1./TestCase 1/open"));
  ASSERT_TRUE(p.addValue("never"));
  ASSERT_TRUE(p.cancelCategory());
  p.confirmDefaults();
  const MessageRecord& open = g.session.work().specification.table.testCase(1)->messages[0];
  EXPECT_EQ(open.attributes[0].choiceCount, 2);
  EXPECT_TRUE(open.edited);
  EXPECT_EQ(std::count(open.ownChoices.begin(), open.ownChoices.end(), "never"), 0);
  const auto generated = p.generate();
  const GenerationResult& r = generated.result;
  EXPECT_GT(r.procedures, 0);
  EXPECT_EQ(generated.summary.rfind("Generated " + std::to_string(r.procedures) +
                                        (r.procedures == 1 ? " test procedure in " : " test procedures in "),
                                    0),
            0u)
      << generated.summary;
  const auto files = p.filesWritten();
  EXPECT_NE(std::find(files.begin(), files.end(), "TestScript1.txt"), files.end());
  EXPECT_NE(std::find(files.begin(), files.end(), "SD1. Borrow - main  ( 9)TestCase 1   ( 5 ).txt"), files.end());
}

// Unsaved decisions show as "*" in the caption; a load or EXIT asks
// "Save changes?": cancel changes nothing, yes saves first, no goes on.
TEST(Session, NothingLostByAccident) {
  const auto dir = std::filesystem::temp_directory_path() / ("zov-unsaved-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  test::WindowReady ready;
  Generale& g = ready.g;
  ScriptedAsker asker;
  bool ended = false;
  g.onExit = [&ended] { ended = true; };
  g.setAsker(&asker);
  asker.files.push_back(kLending);
  g.runMenuItem(menu::kCaricaMdl);
  EXPECT_EQ(g.caption, "Zov Suite - " + kLending);
  Tree& main = g.TV(kMainTree);
  main.setSelected(FindByKeyOrPath(main, "Member/Borrow Book"));
  asker.criteria.push_back([](CriterionDialog& d) { d.done(); });
  g.runMenuItem(menu::kSeleziona);
  EXPECT_EQ(g.caption, "Zov Suite - " + kLending + " *");
  // Cancel: neither the load nor EXIT goes on.
  asker.answers = {Answer::kCancel, Answer::kCancel};
  g.runMenuItem(menu::kCaricaMdl);
  g.runMenuItem(menu::kUscita);
  EXPECT_FALSE(ended);
  EXPECT_EQ(asker.asked.back().text, "Save changes?");
  EXPECT_EQ(g.TV(kSelectionTree).count() > 0, true);
  // A file that is no session is never written over.
  const std::string model = (dir / "copy.mdl").string();
  std::filesystem::copy_file(kLending, model);
  asker.files.push_back(model);
  g.runMenuItem(menu::kSaveZov);
  EXPECT_NE(asker.asked.back().text.find("is not a Zov Suite session"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(model), std::filesystem::file_size(kLending));
  // A damaged session is refused with what is wrong, and the window keeps
  // what it had.
  const std::string damaged = (dir / "damaged.zov").string();
  std::ofstream(damaged) << R"({"format": "zov-session", "model": {"path": "copy.mdl"}, "seed": 1e30})";
  const std::size_t nodes = main.count();
  asker.answers = {Answer::kNo};
  asker.files.push_back(damaged);
  g.runMenuItem(menu::kCaricaZov);
  EXPECT_EQ(asker.asked.back().text, "The session could not be loaded.\n\n" + damaged +
                                         ": the session file is damaged (seed: a whole number from 0 to 4294967295 "
                                         "expected)");
  EXPECT_EQ(g.session.work().filemdl, kLending);
  EXPECT_EQ(main.count(), nodes);
  EXPECT_GT(g.TV(kSelectionTree).count(), 0);
  // Yes: saved first, then EXIT ends.
  asker.answers = {Answer::kYes};
  asker.files.push_back((dir / "work").string());
  g.runMenuItem(menu::kUscita);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "work.zov"));
  EXPECT_EQ(g.caption, "Zov Suite - " + kLending);
  std::filesystem::remove_all(dir);
}

// An "&Unselect All" kept in a session whose node is no longer marked (the
// selection before it was left out) is left out too, and the Main Tree is
// left without marks and ready for another selection.
TEST(Session, AnUnselectOfANodeNoLongerMarkedIsLeftOut) {
  const auto file = std::filesystem::temp_directory_path() / ("zov-unselect-" + std::to_string(::getpid()) + ".zov");
  std::ofstream(file) << R"({"format": "zov-session", "version": 1, "model": {"path": ")" << kLending
                      << R"("}, "seed": 1, "decisions": [
      {"op": "selectLevel", "node": "", "path": "Member/Borrow Book", "unselect": true}]})";
  test::WindowReady ready;
  const SessionReport r = LoadSession(ready.session, file.string());
  ASSERT_TRUE(r.outcome) << r.outcome.message;
  ASSERT_EQ(r.leftOut.size(), 1u);
  EXPECT_EQ(r.leftOut[0], "1. selectLevel 'Member/Borrow Book': the node is no longer selected");
  const Tree& main = ready.session.TV(kMainTree);
  for (NodeId id : main.collection()) EXPECT_NE(main.node(id).foreColor, kSelectedFore) << main.node(id).text;
  EXPECT_TRUE(ready.session.selectLevel("Member/Borrow Book", Procedures(20)));
  std::filesystem::remove(file);
}

// Against a model with a diagram renamed (new identifier and name), a
// parameter removed and one added, a session replays the rest and reports
// exactly the two decisions that no longer match; the window offers to
// save that report.
TEST(Session, AChangedModelKeepsWhatStillMatches) {
  const auto dir = std::filesystem::temp_directory_path() / ("zov-changed-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto model = dir / "Lending.mdl";
  std::filesystem::copy_file(kLending, model);
  const std::string session = (dir / "s.zov").string();
  {
    test::WindowReady ready;
    Generale& g = ready.g;
    PlanningSession& p = g.session;
    ASSERT_TRUE(p.openModel(model.string()));
    ASSERT_TRUE(p.selectLevel("Member/Borrow Book", Procedures(30)));
    p.loadTestCases(TestCaseSource::kZov);
    ASSERT_TRUE(p.pick("5B1000000040"));
    ASSERT_TRUE(p.pick("5B1000000041"));
    ASSERT_TRUE(p.process());
    for (const char* category : {"SD1./TestCase 1/open/x", "SD1./TestCase 1/open/title"}) {
      ASSERT_TRUE(p.openCategory(category));
      p.addValue("4");
      p.addValue("5");
      ASSERT_TRUE(p.confirmCategory());
    }
    ASSERT_TRUE(SaveSession(g.session, session));
  }
  std::string text;
  {
    std::ifstream in(model, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto change = [&text](const std::regex& from, const std::string& to) {
    const std::string before = text;
    text = std::regex_replace(text, from, to);
    ASSERT_NE(text, before);
  };
  change(std::regex(R"re("Borrow - no stock"(\s*)quid(\s*)"5B1000000041")re"),
         "\"Out of stock\"$1quid$2\"5B1000000049\"");
  change(std::regex(R"re(\s*\(object Parameter "title"\s*quid\s*"5B1000000313"\s*type\s*"String"\))re"), "");
  change(std::regex(R"re(\(object Parameter "copies")re"),
         "(object Parameter \"colour\" quid \"5B1000000319\" type \"String\")\n(object Parameter \"copies\"");
  std::ofstream(model, std::ios::binary | std::ios::trunc) << text;

  test::WindowReady ready;
  Generale& g = ready.g;
  ScriptedAsker asker;
  g.setAsker(&asker);
  const std::string report = (dir / "report.txt").string();
  asker.files = {session, report};
  asker.answers = {Answer::kYes};
  ASSERT_TRUE(g.runMenuItem(menu::kCaricaZov));
  const std::string expected =
      "The model has changed since the session was saved.\n"
      "2 decisions of the session no longer match the model and were left out:\n"
      "4. pick '[0.1539] Borrow - no stock  ((NTP:5))': the test case is no longer in the UIT tree\n"
      "7. category of 'open' on path 1, parameter 'title': the Test Specification tree has no such category";
  ASSERT_GE(asker.asked.size(), 3u);
  EXPECT_EQ(asker.asked[asker.asked.size() - 3].text, expected + "\n\nSave this report to a file?");
  std::ifstream saved(report);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), expected + "\n");
  // The rest is there: the level, the test case, the categories that match.
  EXPECT_EQ(g.session.work().specification.table.count(), 1);
  const MessageRecord& open = g.session.work().specification.table.testCase(1)->messages[0];
  EXPECT_EQ(open.attributes[0].choiceCount, 2);
  EXPECT_EQ(open.attributes[1].name, "colour");
  EXPECT_EQ(open.attributes[1].choiceCount, 0);
  EXPECT_TRUE(g.session.modified() == false);  // nothing is saved over until the tester saves
  std::filesystem::remove_all(dir);
}

// "See All Entry/Link" walks the nodes of one element, wrapping round;
// "Unselect All" of the UIT menu empties the selected test cases.
// Every message of every interaction of the shared XMI files, as the UIT
// tree shows it, is in some path of the Test Specification tree.
TEST(SharedXmiPlans, EveryMessageOfTheUitTreeIsInAPath) {
  ZOV_NEEDS_SHARED_MODELS();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::kSharedModels + "/xmi")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".uml" && ext != ".xmi") continue;
    ++files;
    test::WindowReady ready;
    PlanningSession& p = ready.session;
    ASSERT_TRUE(p.openModel(entry.path().string())) << entry.path();
    p.loadTestCases(TestCaseSource::kAllDiagrams);
    p.pickAll();
    p.process();
    std::set<std::string> shown, planned;
    const Tree& uit = ready.g.TV(kUitTree);
    for (NodeId n : uit.collection()) {
      const Node& node = uit.node(n);
      // A message node, or the marker of a message whose receiver has no node.
      if ((node.image == kind::kMessaggio && node.key.size() == kIdentifierLength) ||
          (node.image == kind::kRose && node.key.size() == kIdentifierLength + 1 && node.key.back() == 'A'))
        shown.emplace(node.key.substr(0, kIdentifierLength));
    }
    const Tree& spec = ready.g.TV(kSpecTree);
    for (NodeId n : spec.collection())
      if (spec.node(n).image == kind::kMessaggio) planned.emplace(spec.node(n).key.substr(0, kIdentifierLength));
    for (const std::string& key : shown) EXPECT_EQ(planned.count(key), 1u) << entry.path() << ": " << key;
  }
  EXPECT_EQ(files, 10);
}

// Papyrus traces use cases to requirement classes; those traces are no
// relations between use cases, so every interaction that realizes a use
// case an actor reaches gets its share of the procedures.
TEST(SharedXmiPlans, EveryDiagramAnActorReachesGetsProcedures) {
  ZOV_NEEDS_SHARED_MODELS();
  test::WindowReady ready;
  PlanningSession& p = ready.session;
  p.setUndoable(true);  // keeps the selected test cases to look at
  PlanOptions o;
  o.selection.criterion = Procedures(100);
  const PlanResult r = RunPlan(p, test::kSharedModels + "/xmi/papyrus-infrasync-design.uml", o);
  ASSERT_TRUE(r.outcome) << r.outcome.message;
  std::map<std::string, int> allotted;
  const Tree& chosen = ready.g.TV(kSelectedTestCases);
  for (NodeId n = chosen.node(chosen.firstRoot()).child; n != kNoNode; n = chosen.node(n).next)
    allotted[EstraiNome(chosen.node(n).text)] = LeggiNTP(chosen.node(n).text);
  EXPECT_EQ(allotted, (std::map<std::string, int>{{"Exclude Views from Synchronization ", 6},
                                                  {"Override Diagram Synchronization ", 6},
                                                  {"Synchronize Model Elements ", 8},
                                                  {"Synchronize Notation Views ", 8}}));
}

// A plan run that cannot step back confirms the default choices into the
// table alone and, as it goes, empties every tree but the Main Tree and the
// selection and lets the load's working files go; what it generates, writes
// and reports is the same as a run that keeps them all.
TEST(PlanRuns, AHeadlessPlanKeepsLessAndGeneratesTheSame) {
  for (const char* model : {"ATM.mdl", "Lending.mdl", "ATM.xmi"}) {
    test::WindowReady shown, headless;
    shown.session.setUndoable(true);
    shown.session.setSeed(5);
    headless.session.setSeed(5);
    PlanOptions o;
    o.sources = {TestCaseSource::kZov, TestCaseSource::kAllDiagrams};
    ASSERT_TRUE(RunPlan(shown.session, std::string(ZOV_EXAMPLES_DIR) + "/" + model, o).outcome) << model;
    ASSERT_TRUE(RunPlan(headless.session, std::string(ZOV_EXAMPLES_DIR) + "/" + model, o).outcome) << model;
    EXPECT_FALSE(shown.session.work().procedures.empty()) << model;
    EXPECT_EQ(shown.session.work().procedures, headless.session.work().procedures) << model;
    EXPECT_EQ(shown.session.work().specification.table.cases, headless.session.work().specification.table.cases)
        << model;
    ASSERT_TRUE(shown.session.work().planReport && headless.session.work().planReport) << model;
    EXPECT_EQ(shown.session.work().planReport->text(true), headless.session.work().planReport->text(true)) << model;
    const auto files = [](const test::WindowReady& w) {
      std::map<std::string, std::vector<std::string>> texts;
      for (const std::string_view f : w.work.files(CreatedList::kScripts))
        texts[std::string(f)] = w.work.readLines(f).value_or(std::vector<std::string>());
      std::ostringstream index;
      WriteIndexCsv(w.session, index);
      texts["index.csv"] = {index.str()};
      return texts;
    };
    const auto written = files(shown);
    EXPECT_GT(written.size(), 2u) << model;
    EXPECT_EQ(written, files(headless)) << model;
    for (int dropped : {kUitTree, kSelectedTestCases, kSpecTree}) {
      EXPECT_GT(shown.session.TV(dropped).count(), 0) << model;
      EXPECT_EQ(headless.session.TV(dropped).count(), 0) << model;
    }
    for (int kept : {kMainTree, kSelectionTree})
      EXPECT_EQ(shown.session.TV(kept).count(), headless.session.TV(kept).count()) << model;
    EXPECT_TRUE(headless.session.work().specification.places.empty()) << model;
    EXPECT_GT(shown.session.loadFiles().size(), 0u) << model;
    EXPECT_EQ(headless.session.loadFiles().size(), 0u) << model;
    for (auto stage : {PlanningSession::Unread::kOncePicked, PlanningSession::Unread::kOnceProcessed,
                       PlanningSession::Unread::kOnceConfirmed})
      EXPECT_FALSE(shown.session.dropUnread(stage)) << model;
  }
}

TEST_F(Api, SeeAllAndUnselectAll) {
  Tree& main = g.TV(kMainTree);
  {
    // The pop-up offers the walk on an element shown more than once: from
    // its first showing "See All Entry", from a copy "See All Link".
    test::WindowReady other;
    Generale& atm = other.g;
    atm.session.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl");
    Tree& t = atm.TV(kMainTree);
    const std::vector<NodeId> shown = t.allPresent("5A1000000040");
    ASSERT_GE(shown.size(), 2u);
    // A click on a path split into branches shows its own document or,
    // when none was written under its text, its branches' documents.
    PlanningSession& q = atm.session;
    ASSERT_TRUE(q.selectLevel("Customer/Withdraw Cash", Procedures(40)));
    q.loadTestCases(TestCaseSource::kZov);
    q.pickAll();
    ASSERT_TRUE(q.process());
    Tree& spec = atm.TV(kSpecTree);
    const NodeId split = FindByKeyOrPath(spec, "SD1./TestCase 1");
    ASSERT_NE(split, kNoNode);
    atm.showDocument(split);
    ASSERT_FALSE(atm.LB.items.empty());
    EXPECT_EQ(atm.LB.items.front(), "Test Case  1   of  SD Withdraw Cash - main flow ");
    test::MutableWork(atm.session).specification.documentByNode.erase(split);
    atm.showDocument(split);
    const auto heads = std::count_if(atm.LB.items.begin(), atm.LB.items.end(),
                                     [](const std::string& l) { return l.rfind("Test Case  1.", 0) == 0; });
    EXPECT_EQ(heads, 3) << atm.LB.items.front();  // the IF and its two ELSE messages
    EXPECT_EQ(atm.LB.items.front(), "Test Case  1.1   of  SD Withdraw Cash - main flow ");
    for (std::size_t i = 0; i < 2; ++i) {
      t.setSelected(shown[i]);
      EXPECT_EQ(atm.mouseUp(kMainTree, MouseButton::kRight), Popup::kMainTree);
      EXPECT_EQ(atm.menus.enabled(menu::kVEntry), i == 0);
      EXPECT_EQ(atm.menus.enabled(menu::kVLink), i == 1);
      EXPECT_EQ(atm.seeAll(), "Withdraw Cash - main flow: " + std::to_string((i + 1) % shown.size() + 1) + " of " +
                                  std::to_string(shown.size()));
    }
  }
  main.setSelected(main.find("5B1000000040"));
  const std::string first = g.seeAll();
  EXPECT_NE(first.find("Borrow - main: "), std::string::npos) << first;
  const std::size_t of = first.find(" of ");
  ASSERT_NE(of, std::string::npos);
  const int count = std::stoi(first.substr(of + 4));
  for (int i = 1; i < count; ++i) g.seeAll();
  EXPECT_EQ(main.selected(), main.find("5B1000000040"));  // round again
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book", Procedures(20)));
  p.loadTestCases(TestCaseSource::kZov);
  p.pickAll();
  ScriptedAsker asker;
  g.setAsker(&asker);
  asker.answers = {Answer::kCancel};
  g.unselectTestCases();
  EXPECT_GT(g.TV(kSelectedTestCases).count(), 1);
  g.unselectTestCases();
  EXPECT_EQ(g.TV(kSelectedTestCases).count(), 1);  // the root "Selected Item" alone
  EXPECT_TRUE(g.session.decisions().back().unselect);
  p.pickAll();  // they can be picked again
  EXPECT_GT(g.TV(kSelectedTestCases).count(), 1);
  g.setAsker(nullptr);
}

// "&Remove" on a choice and on all choices of a category, "&Remove" on a
// selected test case, and "&Selected Test Cases": each changes what it
// names only, and a saved session replays them to the same scripts.
TEST_F(Api, RemoveAndGenerateTheSelectedOnly) {
  ASSERT_TRUE(p.selectLevel("Member/Borrow Book", Procedures(20)));
  p.loadTestCases(TestCaseSource::kZov);
  p.pickAll();
  // A test case taken back can be picked again.
  Tree& chosen = g.TV(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  const std::string key(chosen.node(chosen.childAt(root, chosen.node(root).children - 1)).key);
  ASSERT_TRUE(p.unpick(key));
  EXPECT_EQ(chosen.find(key), kNoNode);
  ASSERT_TRUE(p.pick(key));
  ASSERT_TRUE(p.process());
  ASSERT_GE(g.session.work().specification.table.count(), 2);
  ASSERT_TRUE(p.openCategory("SD1./TestCase 1/open/x"));
  for (const char* v : {"5", "6", "7"}) p.addValue(v, "p" + std::string(v));
  ASSERT_TRUE(p.confirmCategory());
  Tree& spec = g.TV(kSpecTree);
  const NodeId x = FindByKeyOrPath(spec, "SD1./TestCase 1/open/x");
  const std::string list = std::string(spec.node(x).key) + " Choices";
  const NodeId six = spec.childAt(spec.find(list), 1);
  EXPECT_EQ(spec.node(six).text, "6  [Property  p6] ");
  EXPECT_TRUE(g.session.openCategory(x));  // the pop-up shows on both
  g.session.cancelCategory();
  EXPECT_NE(RemovableChoice(spec, six), kNoNode);
  EXPECT_EQ(RemovableChoice(spec, x), kNoNode);
  ASSERT_TRUE(g.session.removeChoice(six));
  const AttributeRecord& a = g.session.work().specification.table.testCase(1)->messages[0].attributes[0];
  ASSERT_EQ(a.choiceCount, 2);
  EXPECT_EQ(a.choices[1].value, "7");
  EXPECT_EQ(a.choices[1].properties[0], "p7");
  ASSERT_EQ(spec.node(spec.find(list)).children, 2);
  EXPECT_EQ(spec.node(spec.childAt(spec.find(list), 1)).text, "7  [Property  p7] ");
  // The message's own category: all of its choices at once.
  ASSERT_TRUE(p.openCategory("SD1./TestCase 1/open"));
  p.addValue("fast");
  p.addValue("slow");
  ASSERT_TRUE(p.confirmCategory());
  const NodeId open = FindByKeyOrPath(spec, "SD1./TestCase 1/open");
  ASSERT_TRUE(g.session.removeChoice(spec.find(std::string(spec.node(open).key) + " Choices")));
  EXPECT_EQ(spec.find(std::string(spec.node(open).key) + " Choices"), kNoNode);
  EXPECT_EQ(g.session.work().specification.table.testCase(1)->messages[0].ownChoiceCount, 0);
  EXPECT_FALSE(g.session.removeChoice(open));

  // All, then the second test case only: the first one's script goes.
  g.session.setStrength({1, false});
  p.generate();
  EXPECT_TRUE(work.created("TestScript1.txt"));
  g.highlightedNodes = {spec.childAt(kNoNode, 1)};
  const std::vector<std::string> second = g.session.testCasesOf(g.highlightedNodes);
  ASSERT_EQ(second.size(), 1u);
  const GenerationResult r = g.generateSelected().result;
  EXPECT_EQ(r.files, std::vector<std::string>{"TestScript2.txt"});
  EXPECT_FALSE(work.created("TestScript1.txt"));
  const auto script = work.readLines("TestScript2.txt");
  ASSERT_TRUE(script);
  for (const GeneratedProcedure& pg : g.session.work().procedures) EXPECT_EQ(pg.testCase, 2);

  // The session replays every one of these decisions to the same script.
  const auto session = std::filesystem::temp_directory_path() / ("zov-remove-" + std::to_string(::getpid()) + ".zov");
  ASSERT_TRUE(SaveSession(g.session, session.string()));
  test::WindowReady other;
  Generale& h = other.g;
  WorkFolder* again = &other.work;
  const SessionReport loaded = LoadSession(h.session, session.string());
  EXPECT_TRUE(loaded.outcome) << loaded.outcome.message;
  EXPECT_EQ(loaded.text(), "");
  EXPECT_FALSE(again->created("TestScript1.txt"));
  EXPECT_EQ(again->readLines("TestScript2.txt"), script);
  EXPECT_EQ(h.session.work().specification.table.testCase(1)->messages[0].attributes[0].choiceCount, 2);
  // The strength changed after the load is replayed where it was chosen.
  EXPECT_EQ(h.session.strengthAtLoad().t, 0);
  EXPECT_EQ(h.session.strength().t, 1);
  std::filesystem::remove(session);
}

// A category's default values come from its own stream: taking another
// test case back before processing leaves them as they were.
TEST(Session, DefaultValuesDoNotDependOnTheOtherTestCases) {
  const auto defaults = [](bool withFirst) {
    test::WindowReady h;
    PlanningSession& s = h.session;
    s.setSeed(5);
    EXPECT_TRUE(s.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
    EXPECT_TRUE(s.selectLevel("Customer/Withdraw Cash", Procedures(40)));
    s.loadTestCases(TestCaseSource::kZov);
    s.pickAll();
    if (!withFirst) {
      const Tree& chosen = s.TV(kSelectedTestCases);
      EXPECT_TRUE(s.unpick(chosen.childAt(chosen.firstRoot(), 0)));
    }
    EXPECT_TRUE(s.process());
    s.confirmDefaults();
    // The choices of the last test case's categories, by category.
    const Tree& spec = s.TV(kSpecTree);
    std::map<std::string, std::vector<std::string>> found;
    const NodeId last = spec.childAt(kNoNode, spec.rootCount() - 1);
    for (NodeId n = spec.nextInCollection(last); n != kNoNode; n = spec.nextInCollection(n)) {
      NodeId top = n;
      while (spec.node(top).parent != kNoNode) top = spec.node(top).parent;
      if (top == last && spec.node(n).image == kind::kValue)
        found[std::string(spec.node(spec.node(n).parent).key)].push_back(spec.node(n).text.str());
    }
    return found;
  };
  const auto all = defaults(true), fewer = defaults(false);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all, fewer);
}

// Each call refuses with the message the window shows.
TEST_F(Api, RefusalsCarryTheWindowsMessages) {
  EXPECT_EQ(p.weight("Member/Nobody", "0.5").message, "no node 'Member/Nobody' in the Main Tree");
  EXPECT_EQ(p.weight("Member/Borrow Book", std::string(44, '9')).message,
            "Weight: \"" + std::string(44, '9') + "\" is too large for a weight; type a number such as 0.25.");
  // Both siblings edited to 0.2: the group no longer adds up to 1.
  EXPECT_EQ(p.weight("Member/Borrow Book", "0.2").message, "");
  const Outcome red = p.weight("Member/Return Book", "0.2");
  EXPECT_TRUE(red);
  EXPECT_EQ(red.message, "Verify weights distibution");
  EXPECT_EQ(p.selectLevel("Member/Borrow Book", Procedures(20)).message, "Unproperly weight distribution");
  ASSERT_EQ(p.weight("Member/Return Book", "0.8").message, "");
  EXPECT_EQ(p.selectLevel("Member/Borrow Book", Procedures(-5)).message,
            "Number of Test Procedures: \"-5\" is out of range; type a number from 0 to 32767.");
  Criterion coverage;
  coverage.byNumber = false;
  coverage.coverage = 80;
  coverage.answer = "40000";
  EXPECT_EQ(p.selectLevel("Member/Borrow Book", coverage).message,
            "Number of Test Procedures: \"40000\" is out of range; type a number from 0 to 32767.");
  EXPECT_EQ(p.startStop("Member/Borrow Book/Borrow - main", "Member").message, "Warning: no children");
  EXPECT_FALSE(p.openCategory("anything"));
  EXPECT_EQ(p.addValue("x").message, "No category is open.");
}

}  // namespace
}  // namespace zov

namespace zov {
namespace {

// What the trees show by colour is said in words too, for each state the
// operations paint.
TEST(NodeStates, EveryColouredStateIsSaidInWords) {
  test::WindowReady ready;
  PlanningSession& p = ready.session;
  ASSERT_TRUE(p.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  const Tree& main = p.TV(kMainTree);
  const auto state = [&p](int tree, std::string_view path) {
    const NodeId n = FindByKeyOrPath(p.TV(tree), path);
    EXPECT_NE(n, kNoNode) << path;
    return NodeStateText(p.TV(tree), n, tree);
  };
  EXPECT_EQ(state(kMainTree, "Customer/Deposit"), "");
  // Every sibling weighed by hand, short of 1 together: the group is to be
  // checked, until the last weight makes it whole.
  for (const auto& [use, w] : std::vector<std::pair<const char*, const char*>>{{"Customer/Premium Customer", "0"},
                                                                               {"Customer/Withdraw Cash", "0.5"},
                                                                               {"Customer/Deposit", "0.3"},
                                                                               {"Customer/Check Balance", "0.1"}})
    p.weight(use, w);
  EXPECT_EQ(state(kMainTree, "Customer/Withdraw Cash"), "weights to be checked");
  p.weight("Customer/Check Balance", "0.2");
  EXPECT_EQ(state(kMainTree, "Customer/Withdraw Cash"), "");
  // A level selected, and the leaves of the selection.
  ASSERT_TRUE(p.selectLevel("Customer/Withdraw Cash", Procedures(40)));
  EXPECT_EQ(state(kMainTree, "Customer/Withdraw Cash"), "level selected");
  EXPECT_EQ(state(kSelectionTree, "Customer/Deposit/Deposit envelope"), "leaf of the selection");
  // The diagrams no use case reaches hang below a root marked so.
  const Tree& notLinked = p.TV(kNotLinkedTree);
  ASSERT_FALSE(notLinked.empty());
  EXPECT_EQ(NodeStateText(notLinked, notLinked.at(1), kNotLinkedTree), "not linked to the use cases");
  EXPECT_TRUE(NodeStateText(main, kNoNode, kMainTree).empty());
}

}  // namespace
}  // namespace zov
