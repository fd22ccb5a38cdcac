#include "specification/specification.h"
#include "session/scripted_asker.h"

#include <gtest/gtest.h>

#include "support/session_access.h"

#include <filesystem>
#include <fstream>

#include "files/work_folder.h"
#include "model/petal_model.h"
#include "specification/category_editors.h"
#include "support/loaded_model.h"
#include "tree/kinds.h"
#include "window/generale.h"
#include "window/load_messages.h"

namespace zov {
namespace {

std::string Message(const char* name, const char* quid, const char* sequence, int ordinal, const char* op) {
  return std::string("\t\t\t\t\t    (object Message \"") + name + "\"\n\t\t\t\t\t\tquid \t\"" + quid +
         "\"\n\t\t\t\t\t\tdir \t\"FromClientToSupplier\"\n\t\t\t\t\t\tsequence \t\"" + sequence +
         "\"\n\t\t\t\t\t\tordinal \t" + std::to_string(ordinal) + "\n\t\t\t\t\t\tquidu \t\"" + op + "\")\n";
}

std::string Operation(const char* name, const char* quid, const char* semantics, bool parameter = false) {
  std::string t = std::string("\t\t    (object Operation \"") + name + "\"\n\t\t\tquid \t\"" + quid + "\"\n";
  if (semantics[0] != '\0') t += std::string("\t\t\tsemantics \t\"") + semantics + "\"\n";
  if (parameter)
    t +=
        "\t\t\tparameters \t(list Parameters\n\t\t\t    (object Parameter \"amount\"\n\t\t\t\tquid \t\"5E0000000320\"\n"
        "\t\t\t\ttype \t\"Integer\"))\n";
  return t + "\t\t\tuid \t0)\n";
}

// Top-level messages A and B; below A the messages A1 (IF), A2 and A3 (ELSE).
// The operations belong to Till, which has a state machine.
std::string Checkout() {
  std::string t =
      "(object Petal\n    version \t47\n    charSet \t0)\n\n(object Design \"Logical View\"\n"
      "    root_usecase_package \t(object Class_Category \"Use Case View\"\n\tquid \t\"5E0000000002\"\n"
      "\tlogical_models \t(list unit_reference_list\n\t    (object UseCase \"Checkout\"\n\t\tquid \t\"5E0000000020\"\n"
      "\t\tlogical_models \t(list unit_reference_list\n\t\t    (object Mechanism @1\n"
      "\t\t\tlogical_models \t(list unit_reference_list\n\t\t\t    (object Object \"client\"\n"
      "\t\t\t\tquid \t\"5E0000000100\"\n\t\t\t\tcollaborators \t(list link_list\n\t\t\t\t    (object Link\n"
      "\t\t\t\t\tquid \t\"5E0000000101\"\n\t\t\t\t\tquidu \t\"5E0000000102\"\n\t\t\t\t\tmessages \t(list Messages\n";
  t += Message("A", "5E0000000110", "1", 0, "5E0000000311");
  t += Message("A1", "5E0000000111", "1.1", 1, "5E0000000312");
  t += Message("A2", "5E0000000112", "1.1.1", 2, "5E0000000313");
  t += Message("A3", "5E0000000113", "1.2", 3, "5E0000000314");
  t += Message("B", "5E0000000114", "2", 4, "5E0000000315");
  t += "\t\t\t\t\t\t))))\n\t\t\t    (object Object \"till\"\n\t\t\t\tquid \t\"5E0000000102\"\n"
       "\t\t\t\tquidu \t\"5E0000000300\"))))\n\t\tlogical_presentations \t(list unit_reference_list\n"
       "\t\t    (object InteractionDiagram \"Checkout - main\"\n\t\t\tmechanism_ref \t@1\n\t\t\tquid "
       "\t\"5E0000000040\"\n"
       "\t\t\titems \t(list diagram_item_list)))))\n\tlogical_presentations \t(list unit_reference_list))\n"
       "    root_category \t(object Class_Category \"Logical View\"\n\tquid \t\"5E0000000003\"\n"
       "\tlogical_models \t(list unit_reference_list\n\t    (object Class \"Till\"\n\t\tquid \t\"5E0000000300\"\n"
       "\t\toperations \t(list Operations\n";
  t += Operation("A", "5E0000000311", "", true);
  t += Operation("A1", "5E0000000312", "if card valid");
  t += Operation("A2", "5E0000000313", "");
  t += Operation("A3", "5E0000000314", "else card refused");
  t += Operation("B", "5E0000000315", "");
  t +=
      "\t\t    )\n\t\tclass_attributes \t(list class_attribute_list\n\t\t    (object ClassAttribute \"amount\"\n"
      "\t\t\tquid \t\"5E0000000321\"\n\t\t\ttype \t\"Integer\"\n\t\t\tinitv \t\"7\"))\n"
      "\t\tstatemachine \t(object State_Machine \"SM\"\n\t\t    quid \t\"5E0000000330\"\n\t\t    states \t(list "
      "States\n"
      "\t\t\t(object State \"$UNNAMED$0\"\n\t\t\t    quid \t\"5E0000000331\"\n\t\t\t    transitions \t(list "
      "transition_list\n"
      "\t\t\t\t(object State_Transition\n\t\t\t\t    quid \t\"5E0000000341\"\n\t\t\t\t    quidu \t\"5E0000000332\"))\n"
      "\t\t\t    type \t\"StartState\")\n"
      "\t\t\t(object State \"Idle\"\n\t\t\t    quid \t\"5E0000000332\"\n\t\t\t    transitions \t(list transition_list\n"
      "\t\t\t\t(object State_Transition\n\t\t\t\t    quid \t\"5E0000000342\"\n\t\t\t\t    quidu \t\"5E0000000333\"))\n"
      "\t\t\t    type \t\"Normal\")\n"
      "\t\t\t(object State \"Busy\"\n\t\t\t    quid \t\"5E0000000333\"\n\t\t\t    transitions \t(list transition_list\n"
      "\t\t\t\t(object State_Transition\n\t\t\t\t    quid \t\"5E0000000343\"\n\t\t\t\t    quidu \t\"5E0000000332\"))\n"
      "\t\t\t    type \t\"Normal\")))))\n\tlogical_presentations \t(list unit_reference_list)))\n";
  return t;
}

struct Processing : ::testing::Test {
  Processing() : loaded(Checkout()), g(loaded.window), work(loaded.work) {
    EXPECT_EQ(loaded.error, "");
    g.setAsker(&asker);
    diagram = g.session.model()
                  ->ScenarioDiagrams(g.session.model()->AllUseCases(g.session.openModelHandle()).Item(1))
                  .Item(1);
  }
  // The diagram selected with allotted procedures, as the earlier commands leave it.
  void select(int allotted) {
    const std::string text = "[0.5000] Checkout - main  ((NTP:" + std::to_string(allotted) + "))";
    g.session.model()->SetName(diagram, text);
    g.TV(kSelectedTestCases).addChild("Selected Item", "5E0000000040", text, "sequence");
  }
  const Tree& spec() { return g.TV(kSpecTree); }
  std::string text(const std::string& key) {
    const NodeId n = spec().find(key);
    return n == kNoNode ? "<none: " + key + ">" : spec().node(n).text.str();
  }
  std::vector<std::string> lines(const std::string& file) {
    std::vector<std::string> out;
    std::ifstream in(work.dir() / file);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  test::LoadedModel loaded;
  Generale& g;
  WorkFolder& work;
  ScriptedAsker asker;
  Handle diagram;
};

TEST_F(Processing, PathsOfTheWorkedExample) {
  TestCaseRecord r;
  CollectMessages(*g.session.model(), diagram, r, nullptr);
  std::vector<std::string> names, paths;
  for (const auto& m : r.messages) {
    names.push_back(m.name);
    paths.push_back(m.pathName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A", "A1", "A2", "A", "A3", "B"}));
  EXPECT_EQ(paths, (std::vector<std::string>{"1.1", "1.1", "1.1", "1.2", "1.2", "2"}));
  EXPECT_EQ(r.messages[1].conditionKind, ConditionKind::kIf);
  EXPECT_EQ(r.messages[1].condition, " card valid");
  EXPECT_EQ(r.messages[4].conditionKind, ConditionKind::kElse);
  EXPECT_EQ(r.messages[4].ifIndex, 1);
  EXPECT_EQ(r.messages[2].level, 3);
  EXPECT_EQ(CountPaths(r), 3);
}

TEST_F(Processing, TooFewProceduresForThePaths) {
  select(2);
  g.processCommand();
  ASSERT_EQ(asker.asked.size(), 1u);
  EXPECT_EQ(asker.asked[0].title, "Warning");
  EXPECT_EQ(asker.asked[0].text,
            "The number of executable test cases is not enough to cover all the Test Cases for 'Checkout - main '");
  EXPECT_EQ(text("5E00000000402[0.5000] Checkout - main  ((NTP:2))"), "TestCase 2   ( 0 )");
  // Run again: everything is rebuilt, nothing doubled.
  g.processCommand();
  EXPECT_EQ(g.session.work().specification.specDocuments.size(), 3u);
}

// The editors on the categories of message A (path 1.1): its parameter
// amount (Integer, initial value 7) and its own interactions category.
struct Editors : Processing {
  Editors() {
    g.session.setSeed(7);
    select(5);
    g.processCommand();
  }
  static constexpr const char* kAmount = "5E0000000320_15E00000000401.1 - A";
  static constexpr const char* kMessage = "5E00000001105E00000000401.1 - A";
  // Opens the editor on a node, lets play act, and returns the record it edited.
  AttributeRecord& settings(const std::function<void(SettingsEditor&)>& play) {
    g.TV(kSpecTree).setSelected(spec().find(kAmount));
    asker.settings.push_back(play);
    g.runMenuItem(menu::kPopupASpec);
    return *g.session.settingsEditor.record();
  }
  MessageRecord& interactions(const std::function<void(InteractionsEditor&)>& play) {
    g.TV(kSpecTree).setSelected(spec().find(kMessage));
    asker.interactions.push_back(play);
    g.runMenuItem(menu::kPopupASpec);
    return *g.session.interactionsEditor.record();
  }
  std::vector<std::string> below(const std::string& key) {
    std::vector<std::string> out;
    const NodeId n = spec().find(key);
    for (NodeId c = n == kNoNode ? kNoNode : spec().node(n).child; c != kNoNode; c = spec().node(c).next)
      out.push_back(std::string(spec().node(c).key) + "=" + spec().node(c).text);
    return out;
  }
};

TEST_F(Editors, IntegerDefaultsConfirmed) {
  std::vector<std::string> shown;
  AttributeRecord& r = settings([&](SettingsEditor& e) {
    EXPECT_EQ(e.caption, "Test Specification for amount");
    EXPECT_TRUE(e.useDefaults);
    shown = e.defaultLines;
    e.ok();
  });
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[0], " 7");
  for (std::size_t i = 1; i < 6; ++i) EXPECT_TRUE(shown[i] == " 6" || shown[i] == " 7") << shown[i];
  EXPECT_EQ(r.choiceCount, 6);
  EXPECT_EQ(r.choices[0].value, "7");
  EXPECT_TRUE(r.edited);
  const std::string k = std::string(kAmount) + " Choices";
  const auto nodes = below(k);
  ASSERT_EQ(nodes.size(), 6u);
  EXPECT_EQ(nodes[0], k + "7 0= 7");
  EXPECT_EQ(text(k), "Choices: ");
}

TEST_F(Editors, OwnValuesWithPropertiesAndSelectors) {
  AttributeRecord& r = settings([](SettingsEditor& e) {
    e.value = "ignored";
    e.add();  // "Default Values:" selected: nothing
    EXPECT_TRUE(e.choiceLines.empty());
    e.chooseOwnValues();
    e.value = "5";
    e.properties = "busy,open";
    e.selectors = "ready";
    e.add();
    e.value = "6";
    e.properties = "a,,b";
    e.add();
    EXPECT_EQ(e.choiceLines, (std::vector<std::string>{"5  [Property  busy,open] [if ready]", "6  [Property  a,,b] "}));
    EXPECT_TRUE(e.value.empty());
    e.ok();
  });
  ASSERT_EQ(r.choiceCount, 2);
  EXPECT_EQ(r.choices[0].properties, (std::vector<std::string>{"busy", "open"}));
  EXPECT_EQ(r.choices[0].selectorCount, 1);
  EXPECT_EQ(r.choices[1].properties, (std::vector<std::string>{"a", "", "b"}));
  const std::string k = std::string(kAmount) + " Choices";
  EXPECT_EQ(below(k),
            (std::vector<std::string>{k + "5 0=5  [Property  busy,open] [if ready]", k + "6 1=6  [Property  a,,b] "}));
  // Reopened: the stored choices in the record's form; a third value is added after them.
  settings([](SettingsEditor& e) {
    EXPECT_FALSE(e.useDefaults);
    EXPECT_EQ(e.choiceLines,
              (std::vector<std::string>{"5 [Property busy, open ] [If ready ]", "6 [Property a, , b ]"}));
    e.chooseOwnValues();
    EXPECT_EQ(e.nextChoice, 2);
    e.value = "9";
    e.add();
    e.ok();
  });
  EXPECT_EQ(r.choiceCount, 3);
  EXPECT_EQ(below(k).size(), 3u);
}

// Cancel leaves no trace of what was typed; "Default Values:" chosen again
// stores the defaults shown.
TEST_F(Editors, CancelAndBackToTheDefaults) {
  AttributeRecord& r = settings([](SettingsEditor& e) {
    e.chooseOwnValues();
    e.value = "5";
    e.properties = "busy";
    e.add();
    e.cancel();
  });
  EXPECT_FALSE(r.edited);
  settings([](SettingsEditor& e) { e.ok(); });
  ASSERT_EQ(r.choiceCount, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.choices[static_cast<std::size_t>(i)].propertyCount, 0) << i;
  EXPECT_EQ(r.choices[0].value, "7");

  test::MutableWork(g.session).specification.table.testCase(1)->message(0)->attributes[0] =
      AttributeRecord{"amount", "Boolean", {}, 0, {}, false, {}};
  settings([](SettingsEditor& e) {
    e.chooseOwnValues();
    e.value = "mine";
    e.add();
    e.chooseDefaults();
    e.ok();
  });
  EXPECT_EQ(r.choiceCount, 2);
  EXPECT_EQ(r.choices[0].value, "True");
  EXPECT_EQ(r.choices[1].value, "False");
}

TEST_F(Editors, LongDefaultListsAreReportedOnce) {
  std::string list = "DEF(";
  for (int i = 0; i < 130; ++i) list += (i ? "," : "") + std::to_string(i);
  test::MutableWork(g.session).specification.table.testCase(1)->message(0)->attributes[0].documentation = list + ")";
  test::MutableWork(g.session).specification.table.testCase(1)->message(0)->documentation = list + ")";
  std::string said;
  AttributeRecord& r = settings([&](SettingsEditor& e) {
    said = e.note;
    e.ok();
  });
  EXPECT_EQ(r.choiceCount, 101);
  // The initial value 7 comes first: 100 of the 130 listed values fit.
  EXPECT_EQ(said, "\"amount\": 30 of the 130 default values were left out: a category holds at most 101 choices.");
  MessageRecord& m = interactions([&](InteractionsEditor& e) {
    said = e.note;
    e.ok();
  });
  EXPECT_EQ(m.ownChoiceCount, 101);
  EXPECT_EQ(said, "\"A\": 31 of the 130 default values were left out: a category holds at most 101 choices.");
}

TEST_F(Editors, DefaultsByTypeAndDocumentation) {
  const auto reopen = [this](const std::string& type, const std::string& doc, std::vector<std::string>* shown,
                             std::string* note) {
    AttributeRecord& r = *test::MutableWork(g.session).specification.table.testCase(1)->message(0)->attributes.data();
    r.type = type;
    r.documentation = doc;
    settings([&](SettingsEditor& e) {
      *shown = e.defaultLines;
      if (note) *note = e.note;
      e.cancel();
    });
    return &r;
  };
  std::vector<std::string> shown;
  std::string note;
  AttributeRecord* r = reopen("Boolean", "", &shown, nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"True", "False"}));
  EXPECT_FALSE(r->edited);  // Cancel confirms nothing
  EXPECT_TRUE(below(std::string(kAmount) + " Choices").empty());
  reopen("Integer", "values DEF(2,4,8)", &shown, nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{" 7", "2", "4", "8"}));
  EXPECT_TRUE(r->choices.empty());  // Cancel writes nothing into the record
  reopen("Date", "", &shown, &note);
  EXPECT_EQ(shown, (std::vector<std::string>{"No values"}));
  EXPECT_EQ(note, "an object of class Date. See the implementation.");
  reopen("integer", "def(2)", &shown, nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"No values"}));
  reopen("String", "", &shown, nullptr);
  ASSERT_EQ(shown.size(), 6u);
  for (std::size_t i = 1; i < 6; ++i) {
    EXPECT_LE(shown[i].size(), 15u);
    for (char c : shown[i]) EXPECT_TRUE(c >= 'A' && c <= 'y') << shown[i];
  }
}

TEST_F(Editors, BooleanDefaultsOnTheFirstUse) {
  test::MutableWork(g.session).specification.table.testCase(1)->message(0)->attributes[0].type = "Boolean";
  AttributeRecord& r = settings([](SettingsEditor& e) { e.ok(); });
  EXPECT_EQ(r.choiceCount, 2);
  const std::string k = std::string(kAmount) + " Choices";
  EXPECT_EQ(below(k), (std::vector<std::string>{k + "True 0=True", k + "False 1=False"}));
}

TEST_F(Editors, InteractionsFirstSecondAndThirdOk) {
  MessageRecord& r = interactions([](InteractionsEditor& e) {
    EXPECT_EQ(e.caption, "Test Specification for A");
    EXPECT_TRUE(e.useDefaults);
    EXPECT_EQ(e.defaultLines, (std::vector<std::string>{"Busy", "Idle"}));  // the states found by Processing
    e.value = "x";
    e.add();  // "Default values: " selected: nothing
    e.ok();
  });
  EXPECT_EQ(r.ownChoiceCount, 2);
  EXPECT_TRUE(r.edited);
  const std::string k = std::string(kMessage) + " Choices";
  EXPECT_EQ(below(k), (std::vector<std::string>{k + "Busy=Busy", k + "Idle=Idle"}));
  interactions([](InteractionsEditor& e) {
    EXPECT_TRUE(e.useOwnValues);
    EXPECT_EQ(e.choiceLines, (std::vector<std::string>{"Busy", "Idle"}));
    e.value = "x";
    e.add();
    e.value = "y";
    e.add();
    e.ok();
  });
  EXPECT_EQ(r.ownChoiceCount, 4);
  EXPECT_EQ(r.ownChoices[3], "y");
  EXPECT_EQ(below(k), (std::vector<std::string>{k + "Busy 0=Busy", k + "Idle 1=Idle", k + "x 2=x", k + "y 3=y"}));
  interactions([](InteractionsEditor& e) {
    e.value = "z";
    e.add();
    e.ok();
  });
  EXPECT_EQ(below(k).size(), 5u);  // the old value nodes went, whatever their keys
  EXPECT_EQ(below(k).back(), k + "z 4=z");
}

// The use case "Pay" of a model of tests/data/paths, its diagrams picked as
// test cases with allotted procedures, then "&Processing...".
struct Picked {
  Picked(const std::string& file, int allotted) : loaded(Read(file)), g(loaded.window) {
    EXPECT_EQ(loaded.error, "");
    g.setAsker(&asker);
    const Handle uc = g.session.model()->AllUseCases(g.session.openModelHandle()).Item(1);
    for (Handle d : g.session.model()->ScenarioDiagrams(uc))
      g.TV(kSelectedTestCases)
          .addChild("Selected Item", g.session.model()->Identifier(d),
                    "[0.5000] " + g.session.model()->Name(d) + "  ((NTP:" + std::to_string(allotted) + "))",
                    "sequence");
    g.processCommand();
  }
  static std::string Read(const std::string& file) {
    std::ifstream in(std::string(ZOV_EXAMPLES_DIR) + "/../tests/data/paths/" + file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Opens "&Specifications.." on the node at path (names below the root).
  bool open(const std::string& path) {
    const NodeId n = FindByKeyOrPath(g.TV(kSpecTree), path);
    if (n == kNoNode) return false;
    g.TV(kSpecTree).setSelected(n);
    return g.specifications();
  }
  test::LoadedModel loaded;
  Generale& g;
  ScriptedAsker asker;
};

// How diagrams split into paths is checked on the models of tests/data/paths
// with their plans byte for byte (tests/golden/paths). The editors open on
// the record of the node opened, whatever the names.
TEST(Paths, EditorsFindTheirRecordByNode) {
  Picked p("editors-find-their-record.mdl", 8);
  p.asker.settings.push_back([](SettingsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.2/useSD/amount"));
  EXPECT_EQ(p.g.session.settingsEditor.message, 2);  // the ELSE branch's copy of useSD
  p.asker.settings.push_back([](SettingsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.1/toUSD/amount"));
  EXPECT_EQ(p.g.session.settingsEditor.message, 1);
  p.asker.interactions.push_back([](InteractionsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.2/readSDCard"));
  EXPECT_EQ(p.g.session.interactionsEditor.message, 3);
  EXPECT_TRUE(p.g.session.work().specification.table.testCase(1)->messages[2].attributes[0].edited);
  EXPECT_FALSE(p.g.session.work().specification.table.testCase(1)->messages[0].attributes[0].edited);
  // A node that is no category opens nothing.
  EXPECT_FALSE(p.open("SD1./TestCase 1"));
}

TEST(DocumentNames, CollidingNamesGetDistinctFiles) {
  SpecificationState st;
  DocumentNames names(st.specDocuments);
  const auto file = [&](const std::string& base) {
    return st.specDocuments.at(static_cast<std::size_t>(names.assign(base)));
  };
  EXPECT_EQ(file("SD1. a/b"), "SD1. a_b.txt");
  EXPECT_EQ(file("SD1. a:b"), "SD1. a_b (2).txt");
  EXPECT_EQ(file("SD1. A/B"), "SD1. A_B (3).txt");  // one file where letter case is folded
  EXPECT_EQ(file("SD1. a/b"), "SD1. a_b.txt");      // the same name: the same file
  EXPECT_EQ(file("SD2. x"), "SD2. x.txt");
  EXPECT_EQ(file("SD2. X"), "SD2. X (2).txt");
  EXPECT_EQ(file("SD2. x (2)"), "SD2. x (2) (2).txt");  // the numbered file's own name is taken
  EXPECT_EQ(file("SD2. X"), "SD2. X (2).txt");
  EXPECT_EQ(file("SD2. x"), "SD2. x.txt");
  const std::string longName = "SD3. " + std::string(300, 'n');
  const std::string longFile = file(longName);
  EXPECT_LT(longFile.size(), 255u);
  EXPECT_EQ(file(longName), longFile);
  EXPECT_EQ(st.specDocuments.size(), 7u);
}

TEST(FirstMessageBelowTheTopLevel, OpensPathOne) {
  PetalModel m;
  std::string error;
  const Handle model = m.OpenModel(std::string(ZOV_EXAMPLES_DIR) + "/Lending.mdl", &error);
  ASSERT_TRUE(model) << error;
  Handle borrow;
  for (Handle u : m.AllUseCases(model))
    for (Handle d : m.ScenarioDiagrams(u))
      if (m.Identifier(d) == "5B1000000040") borrow = d;
  TestCaseRecord r;
  CollectMessages(m, borrow, r, nullptr);
  ASSERT_GE(r.messages.size(), 3u);
  EXPECT_EQ(r.messages[0].level, 2);  // [1.2] open
  EXPECT_EQ(r.messages[0].pathName, "1");
  EXPECT_EQ(r.messages[1].pathName, "1");
  EXPECT_EQ(r.messages[2].pathName, "2");  // [2] reserve
}

TEST_F(Editors, AtMost101Choices) {
  MessageRecord& r = interactions([](InteractionsEditor& e) {
    e.chooseOwnValues();
    bool refused = false;
    for (int i = 0; i < 120 && !refused; ++i) {
      e.value = "v" + std::to_string(i);
      refused = !e.add();
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(e.nextChoice, 101);
    e.ok();
  });
  EXPECT_EQ(r.ownChoiceCount, 101);
  EXPECT_EQ(r.ownChoices.size(), 101u);
}

TEST(SharePaths, QuotientAndRest) {
  const Quote a = SharePaths(5, 3);
  EXPECT_EQ(a.q, 1);
  EXPECT_EQ(a.r, 2);
  EXPECT_FALSE(a.tooFew);
  const Quote b = SharePaths(2, 3);
  EXPECT_EQ(b.q, 0);
  EXPECT_EQ(b.r, 2);
  EXPECT_TRUE(b.tooFew);
}

TEST(SafeFileName, StaysInsideTheFolder) {
  EXPECT_EQ(SafeFileName("SD1. a/b\\c:d*e?f\"g<h>i|j"), "SD1. a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), ".__.__etc_passwd");
  EXPECT_EQ(SafeFileName(std::string("a\nb\x01", 4)), "a_b_");
  EXPECT_EQ(SafeFileName(""), "_");
  EXPECT_LE(SafeFileName(std::string(500, 'x')).size(), 200u);
}

}  // namespace
}  // namespace zov
