#include "generation/specification.h"
#include "app/scripted_asker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/generale.h"
#include "app/load_messages.h"
#include "model/petal_model.h"
#include "model/work_folder.h"
#include "specification/category_editors.h"
#include "support/loaded_model.h"
#include "tree/kinds.h"

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
    return n == kNoNode ? "<none: " + key + ">" : spec().node(n).text;
  }
  std::vector<std::string> lines(const std::string& file) {
    std::vector<std::string> out;
    std::ifstream in(work.dir() / file);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  test::ModelloCaricato loaded;
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
  EXPECT_EQ(g.session.specification.specDocuments.size(), 3u);
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
      out.push_back(spec().node(c).key + "=" + spec().node(c).text);
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

  g.session.specification.table.testCase(1)->message(0)->attributes[0] =
      AttributeRecord{"amount", "Boolean", "", 0, {}, false, ""};
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
  g.session.specification.table.testCase(1)->message(0)->attributes[0].documentation = list + ")";
  g.session.specification.table.testCase(1)->message(0)->documentation = list + ")";
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
    AttributeRecord& r = *g.session.specification.table.testCase(1)->message(0)->attributes.data();
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
  g.session.specification.table.testCase(1)->message(0)->attributes[0].type = "Boolean";
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

// A use case "Pay" with one scenario diagram per entry, each a list of
// messages from client to till; every message calls an operation of its own
// whose semantics hold its condition ("if ..." / "else ...") and which may
// take one Integer parameter "amount".
struct Msg {
  std::string name, sequence, condition;
  bool parameter = false;
};
struct Diag {
  std::string name;
  std::vector<Msg> messages;
};
std::string Quid(int kind, int n) {
  char q[16];
  std::snprintf(q, sizeof q, "5F%02d%08d", kind, n);
  return q;
}
std::string Diagrams(const std::vector<Diag>& diagrams) {
  std::string mech, pres, ops;
  int msg = 0;
  for (std::size_t d = 0; d < diagrams.size(); ++d) {
    const int at = static_cast<int>(d) + 1;
    mech += "(object Mechanism @" + std::to_string(at) +
            " logical_models (list unit_reference_list\n"
            "(object Object \"client\" quid \"" +
            Quid(5, at) + "\" collaborators (list link_list (object Link quid \"" + Quid(6, at) + "\" quidu \"" +
            Quid(7, at) + "\" messages (list Messages\n";
    int ordinal = 0;
    for (const Msg& m : diagrams[d].messages) {
      ++msg;
      // A message without a name calls no operation.
      mech += "(object Message " + (m.name.empty() ? std::string() : "\"" + m.name + "\" ") + "quid \"" + Quid(2, msg) +
              "\" dir \"FromClientToSupplier\" sequence \"" + m.sequence + "\" ordinal " + std::to_string(ordinal++) +
              (m.name.empty() ? std::string() : " quidu \"" + Quid(3, msg) + "\"") + ")\n";
      if (m.name.empty()) continue;
      ops += "(object Operation \"" + m.name + "\" quid \"" + Quid(3, msg) + "\"";
      if (!m.condition.empty()) ops += " semantics \"" + m.condition + "\"";
      if (m.parameter)
        ops += " parameters (list Parameters (object Parameter \"amount\" quid \"" + Quid(4, msg) +
               "\" type \"Integer\"))";
      ops += " uid 0)\n";
    }
    mech += "))))\n(object Object \"till\" quid \"" + Quid(7, at) + "\" quidu \"5F0100000300\")))\n";
    pres += "(object InteractionDiagram \"" + diagrams[d].name + "\" mechanism_ref @" + std::to_string(at) +
            " quid \"" + Quid(1, at) + "\" items (list diagram_item_list))\n";
  }
  return "(object Petal version 47 charSet 0)\n(object Design \"Logical View\"\n"
         "root_usecase_package (object Class_Category \"Use Case View\" quid \"5F0100000002\"\n"
         "logical_models (list unit_reference_list (object UseCase \"Pay\" quid \"5F0100000020\"\n"
         "logical_models (list unit_reference_list\n" +
         mech + ")\nlogical_presentations (list unit_reference_list\n" + pres +
         ")))\nlogical_presentations (list unit_reference_list))\n"
         "root_category (object Class_Category \"Logical View\" quid \"5F0100000003\"\n"
         "logical_models (list unit_reference_list (object Class \"Till\" quid \"5F0100000300\"\n"
         "operations (list Operations\n" +
         ops + ")))\nlogical_presentations (list unit_reference_list)))\n";
}

// Every diagram of the model picked as a test case with allotted procedures,
// then "&Processing...".
struct Picked {
  explicit Picked(const std::vector<Diag>& diagrams, int allotted = 8) : Picked(Diagrams(diagrams), allotted) {}
  // A model given as its text (petal or XMI), whose first use case owns the diagrams.
  Picked(const std::string& model, int allotted) : loaded(model), g(loaded.window) {
    EXPECT_EQ(loaded.error, "");
    g.setAsker(&asker);
    g.session.setSeed(3);
    const Handle uc = g.session.model()->AllUseCases(g.session.openModelHandle()).Item(1);
    for (Handle d : g.session.model()->ScenarioDiagrams(uc))
      g.TV(kSelectedTestCases)
          .addChild("Selected Item", g.session.model()->Identifier(d),
                    "[0.5000] " + g.session.model()->Name(d) + "  ((NTP:" + std::to_string(allotted) + "))",
                    "sequence");
    g.processCommand();
  }
  const Tree& spec() const { return g.TV(kSpecTree); }
  // "text" of each node below key, indented by depth.
  std::vector<std::string> branch(const std::string& key, int depth = 0) const {
    std::vector<std::string> out;
    const NodeId n = spec().find(key);
    for (NodeId c = n == kNoNode ? kNoNode : spec().node(n).child; c != kNoNode; c = spec().node(c).next) {
      out.push_back(std::string(static_cast<std::size_t>(2 * depth), ' ') + spec().node(c).text);
      if (spec().node(c).image == kind::kTestcase || spec().node(c).image == kind::kTestcaseGiallo)
        for (const std::string& line : branch(spec().node(c).key, depth + 1)) out.push_back(line);
    }
    return out;
  }
  std::vector<std::string> paths(int testCase) const {
    std::vector<std::string> out;
    for (const MessageRecord& m : g.session.specification.table.testCase(testCase)->messages)
      out.push_back(m.pathName + " " + m.name);
    return out;
  }
  // The flow lines of the i-th document written.
  std::vector<std::string> flow(std::size_t i) const {
    std::vector<std::string> out;
    const auto doc = loaded.work.readLines(g.session.specification.specDocuments.at(i));
    EXPECT_TRUE(doc);
    bool in = false;
    for (const std::string& line : doc ? *doc : std::vector<std::string>()) {
      if (in && line.empty()) break;
      if (in) out.push_back(line);
      in = in || line == " Flow of Event:";
    }
    return out;
  }
  // The paths that the test script of test case i generated, in order.
  std::vector<std::string> scripted(int i) {
    std::vector<std::string> out;
    const auto script = loaded.work.readLines("TestScript" + std::to_string(i) + ".txt");
    EXPECT_TRUE(script);
    for (const std::string& line : script ? *script : std::vector<std::string>())
      if (line.rfind("WARNING!!! No values", 0) == 0) out.push_back(line.substr(line.rfind(' ') + 1));
    return out;
  }
  // Opens "&Specifications.." on the node at path (names below the root).
  bool open(const std::string& path) {
    const NodeId n = FindByKeyOrPath(spec(), path);
    if (n == kNoNode) return false;
    g.TV(kSpecTree).setSelected(n);
    return g.specifications();
  }
  test::ModelloCaricato loaded;
  Generale& g;
  ScriptedAsker asker;
};

// Two IF/ELSE pairs one after the other below one top-level message: every
// path takes one branch of each; the message after them is in all four.
TEST(Paths, SuccessivePairsAtOneLevelMultiply) {
  Picked p({{"Pay - main",
             {{"A", "1", ""},
              {"A1", "1.1", "if c1"},
              {"A2", "1.2", "else c1"},
              {"A3", "1.3", "if c2"},
              {"A4", "1.4", "else c2"},
              {"A5", "1.5", ""},
              {"B", "2", ""}}}});
  EXPECT_EQ(p.paths(1), (std::vector<std::string>{"1.1.1 A", "1.1.1 A1", "1.1.1 A3", "1.1.1 A5", "1.1.2 A", "1.1.2 A1",
                                                  "1.1.2 A4", "1.1.2 A5", "1.2.1 A", "1.2.1 A2", "1.2.1 A3", "1.2.1 A5",
                                                  "1.2.2 A", "1.2.2 A2", "1.2.2 A4", "1.2.2 A5", "2 B"}));
  EXPECT_EQ(p.g.session.specification.table.testCase(1)->pathCount, 5);
  // The tree shows the same paths, with 8 procedures shared 2, 2, 2, 1, 1.
  const std::vector<std::string> tree = p.branch(p.spec().node(p.spec().firstRoot()).key);
  EXPECT_EQ(tree[0], "TestCase 1   ( 7 )");
  EXPECT_EQ(tree[1], "  TestCase 1.1.1   ( 2 )");
  EXPECT_EQ(tree[2], "    [1] A");
  EXPECT_EQ(tree[3], "        [1.1] A1 -- IF  c1");
  EXPECT_EQ(tree[4], "        [1.3] A3 -- IF  c2");
  EXPECT_EQ(tree[5], "        [1.5] A5");
  EXPECT_EQ(tree[6], "  TestCase 1.1.2   ( 2 )");
  EXPECT_EQ(tree.back(), "  [2] B");
  EXPECT_EQ(p.g.session.specification.specDocuments.size(), 5u);
  // The script takes the same five paths.
  p.g.generateAll();
  std::vector<std::string> scripted;
  const auto script = p.loaded.work.readLines("TestScript1.txt");
  ASSERT_TRUE(script);
  for (const std::string& line : *script)
    if (line.rfind("WARNING!!! No values", 0) == 0) scripted.push_back(line.substr(line.rfind(' ') + 1));
  EXPECT_EQ(scripted, (std::vector<std::string>{"1.1.1", "1.1.2", "1.2.1", "1.2.2", "2"}));
  // Nesting still splits as before; a first message below the top level
  // with a pair of its own opens path 1.
  Picked nested({{"Pay - main",
                  {{"A", "1", ""},
                   {"A1", "1.1", "if c1"},
                   {"A11", "1.1.1", "if c2"},
                   {"A12", "1.1.2", "else c2"},
                   {"A2", "1.2", "else c1"},
                   {"B", "2", ""}}},
                 {"Pay - deep", {{"X", "1.1", "if c"}, {"Y", "1.2", "else c"}}}});
  EXPECT_EQ(nested.paths(1), (std::vector<std::string>{"1.1.1 A", "1.1.1 A1", "1.1.1 A11", "1.1.2 A", "1.1.2 A1",
                                                       "1.1.2 A12", "1.2 A", "1.2 A2", "2 B"}));
  EXPECT_EQ(nested.paths(2), (std::vector<std::string>{"1.1 X", "1.2 Y"}));
}

// Two test cases whose diagrams have the same first message and the same
// branches: each keeps its own paths, and a name inside another name
// ("Login" in "Login failed") takes nothing that is not its own.
TEST(Paths, EachTestCaseKeepsItsOwnDiagramAndBranches) {
  const std::vector<Msg> flow = {{"A", "1", "", true}, {"A1", "1.1", "if ok"}, {"A2", "1.2", "else ok"}};
  Picked p({{"Login", flow}, {"Login failed", flow}}, 4);
  EXPECT_EQ(p.paths(1), (std::vector<std::string>{"1.1 A", "1.1 A1", "1.2 A", "1.2 A2"}));
  EXPECT_EQ(p.paths(2), p.paths(1));
  for (int i = 0; i < 2; ++i) {
    const std::string key = p.g.session.model()->Identifier(
        p.g.session.model()
            ->ScenarioDiagrams(p.g.session.model()->AllUseCases(p.g.session.openModelHandle()).Item(1))
            .Item(i + 1));
    EXPECT_EQ(p.branch(key), (std::vector<std::string>{"TestCase 1   ( 4 )", "  TestCase 1.1   ( 2 )", "    [1] A",
                                                       "        [1.1] A1 -- IF  ok", "  TestCase 1.2   ( 2 )",
                                                       "    [1] A", "        [1.2] A2 -- ELSE  ok"}))
        << i;
  }
  // A choice of the second test case's path 1.2 is its own, and reaches its script.
  p.asker.settings.push_back([](SettingsEditor& e) {
    e.chooseOwnValues();
    e.value = "42";
    e.add();
    e.ok();
  });
  ASSERT_TRUE(p.open("SD2./TestCase 1/TestCase 1.2/A/amount"));
  EXPECT_EQ(p.g.session.settingsEditor.testCase, 2);
  EXPECT_EQ(p.g.session.settingsEditor.message, 2);
  EXPECT_EQ(p.g.session.specification.table.testCase(2)->messages[2].attributes[0].choiceCount, 1);
  EXPECT_EQ(p.g.session.specification.table.testCase(1)->messages[2].attributes[0].choiceCount, 0);
  EXPECT_EQ(p.g.session.specification.table.testCase(2)->messages[0].attributes[0].choiceCount, 0);
  p.g.generateAll();
  const auto script = p.loaded.work.readLines("TestScript2.txt");
  ASSERT_TRUE(script);
  EXPECT_NE(std::find(script->begin(), script->end(), "   42"), script->end());
  const auto first = p.loaded.work.readLines("TestScript1.txt");
  EXPECT_EQ(std::find(first->begin(), first->end(), "   42"), first->end());
}

// The editors open on the record of the node opened, whatever the names.
TEST(Paths, EditorsFindTheirRecordByNode) {
  Picked p({{"Pay", {{"useSD", "1", "", true}, {"toUSD", "1.1", "if x", true}, {"readSDCard", "1.2", "else x"}}}});
  p.asker.settings.push_back([](SettingsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.2/useSD/amount"));
  EXPECT_EQ(p.g.session.settingsEditor.message, 2);  // the ELSE branch's copy of useSD
  p.asker.settings.push_back([](SettingsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.1/toUSD/amount"));
  EXPECT_EQ(p.g.session.settingsEditor.message, 1);
  p.asker.interactions.push_back([](InteractionsEditor& e) { e.ok(); });
  ASSERT_TRUE(p.open("SD1./TestCase 1/TestCase 1.2/readSDCard"));
  EXPECT_EQ(p.g.session.interactionsEditor.message, 3);
  EXPECT_TRUE(p.g.session.specification.table.testCase(1)->messages[2].attributes[0].edited);
  EXPECT_FALSE(p.g.session.specification.table.testCase(1)->messages[0].attributes[0].edited);
  // A node that is no category opens nothing.
  EXPECT_FALSE(p.open("SD1./TestCase 1"));
}

// Interactions written as Papyrus and Enterprise Architect write them,
// owned by the use case "Pay"; lifelines a, b and c. Elements are keyed by
// the names of their messages (so the order in which a test builds them
// does not matter): within one interaction each name is used once, and the
// nameless messages are "anon1", "anon2" ...
class Papyrus {
 public:
  // Starts the next interaction.
  void begin(const std::string& name) {
    end();
    ++n_;
    name_ = name;
  }
  // A message: its send and receive occurrences, in place; nullptr: no name.
  std::string msg(const char* name, char from = 'a', char to = 'b', bool reply = false) {
    const std::string k = key(name ? std::string(name) : "anon" + std::to_string(++anon_));
    messages_ += "<message xmi:id=\"" + k + "\"" + (name ? std::string(" name=\"") + name + "\"" : "") +
                 (reply ? " messageSort=\"reply\"" : "") + " sendEvent=\"" + k + "s\" receiveEvent=\"" + k + "r\"/>\n";
    return Occurrence(k + "s", lifeline(from)) + Occurrence(k + "r", lifeline(to));
  }
  // The events of a message.
  std::string sent(const std::string& name) const { return key(name) + "s"; }
  std::string received(const std::string& name) const { return key(name) + "r"; }
  // An execution on a lifeline, between two events.
  std::string execution(char on, const std::string& start, const std::string& finish) {
    return "<fragment xmi:type=\"uml:BehaviorExecutionSpecification\" xmi:id=\"" + key("x" + start) + "\" covered=\"" +
           lifeline(on) + "\" start=\"" + start + "\" finish=\"" + finish + "\"/>\n";
  }
  // A combined fragment; each operand its guard ("" for none) and fragments.
  std::string fragment(const std::string& op, const std::vector<std::pair<std::string, std::string>>& operands) {
    const std::string k = key("f" + std::to_string(++fragments_));
    std::string out =
        "<fragment xmi:type=\"uml:CombinedFragment\" xmi:id=\"" + k + "\" interactionOperator=\"" + op + "\">\n";
    int o = 0;
    for (const auto& [guard, body] : operands) {
      const std::string ok = k + "o" + std::to_string(++o);
      out += "<operand xmi:type=\"uml:InteractionOperand\" xmi:id=\"" + ok + "\">\n";
      if (!guard.empty())
        out += "<guard xmi:type=\"uml:InteractionConstraint\" xmi:id=\"" + ok +
               "g\"><specification xmi:type=\"uml:LiteralString\" xmi:id=\"" + ok + "v\" value=\"" + guard +
               "\"/></guard>\n";
      out += body + "</operand>\n";
    }
    return out + "</fragment>\n";
  }
  void add(const std::string& fragments) { body_ += fragments; }
  std::string model() {
    end();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<uml:Model xmi:version=\"20131001\" "
           "xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" xmlns:uml=\"http://www.eclipse.org/uml2/5.0.0/UML\" "
           "xmi:id=\"shop\" name=\"Shop\">\n<packagedElement xmi:type=\"uml:UseCase\" xmi:id=\"pay\" name=\"Pay\">\n" +
           done_ + "</packagedElement>\n</uml:Model>\n";
  }

 private:
  static std::string Occurrence(const std::string& id, const std::string& on) {
    return "<fragment xmi:type=\"uml:MessageOccurrenceSpecification\" xmi:id=\"" + id + "\" covered=\"" + on + "\"/>\n";
  }
  std::string key(const std::string& name) const { return "i" + std::to_string(n_) + "_" + name; }
  std::string lifeline(char c) const { return "i" + std::to_string(n_) + c; }
  void end() {
    if (n_ == 0 || name_.empty()) return;
    done_ +=
        "<ownedBehavior xmi:type=\"uml:Interaction\" xmi:id=\"i" + std::to_string(n_) + "\" name=\"" + name_ + "\">\n";
    for (char c : {'a', 'b', 'c'})
      done_ += "<lifeline xmi:id=\"" + lifeline(c) + "\" name=\"" + std::string(1, c) + "\"/>\n";
    done_ += body_ + messages_ + "</ownedBehavior>\n";
    name_.clear();
    body_.clear();
    messages_.clear();
    anon_ = fragments_ = 0;
  }
  int n_ = 0, anon_ = 0, fragments_ = 0;
  std::string name_, body_, messages_, done_;
};

// An alt gives one branch per operand holding exactly that operand's
// messages, wherever the fragment stands, and however many operands it has.
TEST(Paths, AltOperandsBecomeBranchesOfTheirOwnMessages) {
  Papyrus x;
  const auto two = [&x](const char* first, const char* second) {
    std::string out = x.msg(first);
    return out + x.msg(second);
  };
  x.begin("Pay - card");
  x.add(x.msg("submit"));
  x.add(x.fragment("alt", {{"card accepted", two("charge", "receipt")}, {"card refused", two("decline", "notify")}}));
  x.add(x.msg("close"));
  x.begin("Pay - pin");
  x.add(x.fragment("alt", {{"pin ok", two("enter", "welcome")}, {"pin wrong", two("reject", "eject")}}));
  x.add(x.msg("logout"));
  x.begin("Pay - three ways");
  x.add(x.msg("start"));
  x.add(x.fragment("alt", {{"a", two("x1", "x2")}, {"b", x.msg("y1")}, {"", two("z1", "z2")}}));
  x.add(x.msg("end"));
  Picked p(x.model(), 8);
  EXPECT_EQ(p.paths(1), (std::vector<std::string>{"1.1 submit", "1.1 charge", "1.1 receipt", "1.2 submit",
                                                  "1.2 decline", "1.2 notify", "2 close"}));
  const std::string card = p.g.session.model()->Identifier(
      p.g.session.model()
          ->ScenarioDiagrams(p.g.session.model()->AllUseCases(p.g.session.openModelHandle()).Item(1))
          .Item(1));
  EXPECT_EQ(p.branch(card),
            (std::vector<std::string>{"TestCase 1   ( 6 )", "  TestCase 1.1   ( 3 )", "    [1] submit",
                                      "        [1.1] charge -- IF  card accepted", "          [1.1.1] receipt",
                                      "  TestCase 1.2   ( 3 )", "    [1] submit",
                                      "        [1.2] decline -- ELSE  card refused", "          [1.2.1] notify",
                                      "TestCase 2   ( 2 )", "  [2] close"}));
  EXPECT_EQ(p.flow(1), (std::vector<std::string>{"            submit", "            decline   --- ELSE  card refused",
                                                 "            notify"}));
  EXPECT_EQ(p.paths(2), (std::vector<std::string>{"1.1 enter", "1.1 welcome", "1.2 reject", "1.2 eject", "2 logout"}));
  EXPECT_EQ(p.g.session.specification.table.testCase(2)->messages[2].sequenceLabel, "2");  // reject
  EXPECT_EQ(p.g.session.specification.table.testCase(2)->messages[4].sequenceLabel, "3");  // logout
  EXPECT_EQ(p.paths(3), (std::vector<std::string>{"1.1 start", "1.1 x1", "1.1 x2", "1.2 start", "1.2 y1", "1.3 start",
                                                  "1.3 z1", "1.3 z2", "2 end"}));
  EXPECT_EQ(p.g.session.specification.table.testCase(3)->messages[6].condition, "");  // "else" alone
  EXPECT_EQ(p.g.session.specification.table.testCase(3)->messages[6].conditionKind, ConditionKind::kElse);
  p.g.generateAll();
  EXPECT_EQ(p.scripted(3), (std::vector<std::string>{"1.1", "1.2", "1.3", "2"}));
}

// Rose: an IF followed by several ELSE messages at its level ("else if ...")
// gives one branch per condition, below a message and at the top.
TEST(Paths, ElseIfChainsGiveOneBranchEach) {
  Picked p(
      {{"Pay - nested",
        {{"A", "1", ""}, {"A1", "1.1", "if a"}, {"A2", "1.2", "else if b"}, {"A3", "1.3", "else"}, {"B", "2", ""}}},
       {"Pay - top", {{"X", "1", "if p"}, {"Y", "2", "else if q"}, {"Z", "3", "else"}, {"W", "4", ""}}}});
  EXPECT_EQ(p.paths(1), (std::vector<std::string>{"1.1 A", "1.1 A1", "1.2 A", "1.2 A2", "1.3 A", "1.3 A3", "2 B"}));
  EXPECT_EQ(p.paths(2), (std::vector<std::string>{"1.1 X", "1.2 Y", "1.3 Z", "2 W"}));
  EXPECT_EQ(p.g.session.specification.table.testCase(1)->messages[3].condition, " if b");
  EXPECT_EQ(p.g.session.specification.table.testCase(1)->messages[5].ifIndex, 1);
  EXPECT_EQ(p.g.session.specification.table.testCase(2)->messages[2].ifIndex, 0);
  p.g.generateAll();
  EXPECT_EQ(p.scripted(1), (std::vector<std::string>{"1.1", "1.2", "1.3", "2"}));
}

// A message without a name keeps its place; nothing after it is lost.
TEST(Paths, NamelessMessagesKeepTheirPlace) {
  Papyrus x;
  x.begin("Pay - reply");
  x.add(x.msg("one"));
  x.add(x.msg("two"));
  x.add(x.msg(nullptr, 'b', 'a', true));
  x.add(x.msg("four"));
  x.add(x.msg("five"));
  Picked xmi(x.model(), 5);
  EXPECT_EQ(xmi.paths(1), (std::vector<std::string>{"1 one", "2 two", "3 ", "4 four", "5 five"}));
  Picked rose({{"Pay - unnamed", {{"one", "1", ""}, {"", "2", ""}, {"three", "2.1", ""}, {"four", "3", ""}}}}, 3);
  EXPECT_EQ(rose.paths(1), (std::vector<std::string>{"1 one", "2 ", "2 three", "3 four"}));
  const std::string key = rose.g.session.model()->Identifier(
      rose.g.session.model()
          ->ScenarioDiagrams(rose.g.session.model()->AllUseCases(rose.g.session.openModelHandle()).Item(1))
          .Item(1));
  EXPECT_EQ(rose.branch(key),
            (std::vector<std::string>{"TestCase 1   ( 1 )", "  [1] one", "TestCase 2   ( 1 )", "  [2] ",
                                      "      [2.1] three", "TestCase 3   ( 1 )", "  [3] four"}));
  EXPECT_EQ(rose.flow(1), (std::vector<std::string>{std::string(12, ' '), "            three"}));
  rose.g.generateAll();
  EXPECT_EQ(rose.scripted(1), (std::vector<std::string>{"1", "2", "3"}));
  xmi.g.generateAll();
  EXPECT_EQ(xmi.scripted(1), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

// Where the interaction has executions, they nest the messages sent while
// they run below the message that started them; an alt inside one takes
// the level they give.
TEST(Paths, ExecutionsNestTheMessagesTheyRun) {
  Papyrus x;
  x.begin("Withdraw");
  // insertCard (user to atm) starts the atm's execution, which ends with
  // showMenu; verify (atm to bank) starts the bank's, which ends with its
  // nameless reply; then withdraw (user to atm).
  x.add(x.msg("insertCard", 'a', 'b'));
  x.add(x.execution('b', x.received("insertCard"), x.sent("showMenu")));
  x.add(x.msg("verify", 'b', 'c'));
  x.add(x.execution('c', x.received("verify"), x.sent("anon1")));
  x.add(x.msg(nullptr, 'c', 'b', true));
  x.add(x.msg("showMenu", 'b', 'a'));
  x.add(x.msg("withdraw", 'a', 'b'));
  x.begin("Pay");
  // pay starts b's execution, which ends with refuse; check; then an alt:
  // accept and log, or refuse.
  x.add(x.msg("pay", 'a', 'b'));
  x.add(x.execution('b', x.received("pay"), x.sent("refuse")));
  x.add(x.msg("check", 'b', 'c'));
  const std::string accepted = x.msg("accept", 'b', 'c');
  const std::string logged = x.msg("log", 'b', 'c');
  x.add(x.fragment("alt", {{"ok", accepted + logged}, {"", x.msg("refuse", 'b', 'a')}}));
  Picked p(x.model(), 2);
  const TestCaseRecord& w = *p.g.session.specification.table.testCase(1);
  std::vector<std::string> labels;
  for (const MessageRecord& m : w.messages) labels.push_back("[" + m.sequenceLabel + "] " + m.name);
  EXPECT_EQ(labels,
            (std::vector<std::string>{"[1] insertCard", "[1.1] verify", "[1.1.1] ", "[1.2] showMenu", "[2] withdraw"}));
  EXPECT_EQ(p.paths(1), (std::vector<std::string>{"1 insertCard", "1 verify", "1 ", "1 showMenu", "2 withdraw"}));
  EXPECT_EQ(p.paths(2), (std::vector<std::string>{"1.1 pay", "1.1 check", "1.1 accept", "1.1 log", "1.2 pay",
                                                  "1.2 check", "1.2 refuse"}));
  std::vector<std::string> pay;
  for (const MessageRecord& m : p.g.session.specification.table.testCase(2)->messages) pay.push_back(m.sequenceLabel);
  EXPECT_EQ(pay, (std::vector<std::string>{"1", "1.1", "1.2", "1.2.1", "1", "1.1", "1.3"}));
}

// Records that the tree cannot lay out as consecutive paths (an IF and its
// ELSE at the top with another top-level message between them) leave their
// test case out with a warning; the others are built.
TEST(Paths, PathsThatCannotFollowEachOtherLeaveTheirTestCaseOut) {
  Picked p({{"Pay - split", {{"X", "1", "if p"}, {"W", "2", ""}, {"Z", "3", "else"}}},
            {"Pay - fine", {{"A", "1", ""}, {"B", "2", ""}}}});
  const NodeId root = p.spec().firstRoot();
  ASSERT_NE(root, kNoNode);
  EXPECT_EQ(p.spec().node(root).text, "SD2. Pay - fine ( 8)");
  EXPECT_EQ(p.spec().node(root).next, kNoNode);
  ASSERT_FALSE(p.g.note().empty());
  EXPECT_EQ(p.g.note().back(),
            "\"Pay - split\" is left out: its paths cannot be laid out one after the other (path 1.2 comes after 2).");
  p.g.generateAll();
  EXPECT_EQ(p.scripted(1), std::vector<std::string>());
  EXPECT_EQ(p.scripted(2), (std::vector<std::string>{"1", "2"}));
}

TEST(DocumentNames, CollidingNamesGetDistinctFiles) {
  SpecificationState st;
  EXPECT_EQ(AssignDocumentName(st, "SD1. a/b"), "SD1. a_b.txt");
  EXPECT_EQ(AssignDocumentName(st, "SD1. a:b"), "SD1. a_b (2).txt");
  EXPECT_EQ(AssignDocumentName(st, "SD1. a/b"), "SD1. a_b.txt");  // the same name: the same file
  EXPECT_EQ(st.specDocuments.size(), 2u);
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
