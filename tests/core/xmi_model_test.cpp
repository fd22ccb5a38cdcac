#include "model/xmi_model.h"

#include <gtest/gtest.h>

#include "support/shared_models.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "model/petal_model.h"
#include "model/readers.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

using Kind = XmiModel::Kind;

const std::string kExamples = ZOV_EXAMPLES_DIR;
const std::string kData = std::string(ZOV_EXAMPLES_DIR) + "/../tests/data";

// The folder of the shared XMI files, or "" after marking the test skipped
// when it is not there.
std::vector<std::string> Names(const ModelSource& m, Items items) {
  std::vector<std::string> names;
  for (Handle h : items) names.push_back(m.Name(h));
  return names;
}

Handle Named(const ModelSource& m, const std::vector<Handle>& items, const std::string& name) {
  for (Handle h : items)
    if (m.Name(h) == name) return h;
  return {};
}

// The condition text of a message, as the test specification reads it:
// the first note of the view that names the message.
std::string ConditionOf(const XmiModel& m, Handle diagram, Handle message) {
  for (Handle v : m.DiagramViews(diagram))
    if (m.ViewElement(v) == m.MessageElement(message)) {
      const Items notes = m.ViewNotes(v);
      return notes.empty() ? "(no note)" : m.NoteText(notes.Item(1));
    }
  return "(no view)";
}

class SharedXmi : public ::testing::Test {
 protected:
  void SetUp() override {
    ZOV_NEEDS_SHARED_MODELS();
    dir_ = test::kSharedModels + "/xmi";
  }
  // Opens a shared file; fails the test when it does not load.
  Handle open(XmiModel& m, const std::string& file) {
    std::string error;
    const Handle root = m.OpenModel(dir_ + "/" + file, &error);
    EXPECT_TRUE(root) << error;
    return root;
  }
  std::string dir_;
};

TEST_F(SharedXmi, EnterpriseArchitectMessagesInFragmentOrderWithAltConditions) {
  XmiModel m;
  const Handle root = open(m, "ea-staruml-testmodel.xmi");
  const Handle d = m.FindByXmiId("EAID_IN000000_A9D_D1F8_4b4e_8D7A_37A3B4D39F7");
  ASSERT_EQ(m.DiagramKind(d), kSequenceDiagram);
  EXPECT_EQ(m.Name(d), "EA_Interaction1");
  // The collaboration realizes no use case: the interaction is its package's.
  EXPECT_EQ(m.Name(m.Owner(d)), "InteractionModel");
  EXPECT_EQ(m.Identifier(Named(m,
                               std::vector<Handle>(m.PackageScenarioDiagrams(m.Owner(d)).begin(),
                                                   m.PackageScenarioDiagrams(m.Owner(d)).end()),
                               "EA_Interaction1")),
            m.Identifier(d));
  std::vector<std::string> labels;
  for (Handle msg : m.DiagramMessages(d)) labels.push_back(m.MessageSequence(msg) + " " + m.Name(msg));
  // Messages follow their send events along the fragments; a found message
  // and one from a gate take the place of their receiving event; the two
  // messages of the alt fragment come below the message before it.
  EXPECT_EQ(labels, (std::vector<std::string>{"1 ForwardMessage", "2 FoundMessage", "3 ReverseMessage", "4 Message1",
                                              "5 QueryOperation()", "6 ", "7 LostMessage", "7.1 ", "7.2 toGate",
                                              "8 AsynchronousMessage", "9 fromGate"}));
  const Items messages = m.DiagramMessages(d);
  const Handle query = messages.Item(5);
  EXPECT_EQ(m.ObjectName(m.MessageSender(query)), "Lifeline2");
  EXPECT_EQ(m.ObjectName(m.MessageReceiver(query)), "Lifeline3");
  ASSERT_TRUE(m.MessageHasOperation(query));
  EXPECT_EQ(m.Identifier(m.MessageOperation(query)),
            m.Identifier(m.FindByXmiId("EAID_D08AADD3_6915_46a1_ABE1_AA693FF9F52E")));
  EXPECT_FALSE(m.MessageSender(messages.Item(2)));  // found: no sender
  EXPECT_EQ(ConditionOf(m, d, messages.Item(8)), "if condition1");
  EXPECT_EQ(ConditionOf(m, d, messages.Item(9)), "else condition2");
  EXPECT_EQ(ConditionOf(m, d, messages.Item(10)), "");
  // A lifeline shows the class of the property it represents.
  EXPECT_EQ(m.DiagramObjects(d).Count(), 6);
  // The file's own use-case diagram, from its extension block.
  std::vector<std::string> useCaseDiagrams;
  for (Handle p : m.AllPackages(root))
    for (Handle c : m.ClassDiagrams(p))
      if (m.IsUseCaseDiagram(c)) {
        useCaseDiagrams.push_back(m.Name(c));
        int actors = 0;
        for (Handle k : m.DiagramClasses(c)) actors += m.Stereotype(k) == "Actor";
        EXPECT_EQ(actors, 2);
        EXPECT_EQ(m.DiagramUseCases(c).Count(), 5);
      }
  EXPECT_EQ(useCaseDiagrams, std::vector<std::string>{"UseCaseModel"});
}

TEST_F(SharedXmi, PapyrusAltAndOptGuardsBecomeIfElseNotes) {
  {
    XmiModel m;
    open(m, "papyrus-seqtest-alt.uml");
    const Handle d = m.AllOfKind(Kind::kDiagram).front();
    const Items msgs = m.DiagramMessages(d);
    ASSERT_EQ(msgs.Count(), 3);
    // The fragment opens the interaction: each operand's first message is
    // at the first level; the reply ends the execution that the request
    // started, below it.
    EXPECT_EQ(
        m.MessageSequence(msgs.Item(1)) + " " + m.MessageSequence(msgs.Item(2)) + " " + m.MessageSequence(msgs.Item(3)),
        "1 1.1 2");
    EXPECT_EQ(ConditionOf(m, d, msgs.Item(1)), "if guard");  // a guard without specification: its name
    EXPECT_EQ(ConditionOf(m, d, msgs.Item(2)), "");
    EXPECT_EQ(ConditionOf(m, d, msgs.Item(3)), "else guard");
    EXPECT_EQ(m.ObjectName(m.MessageSender(msgs.Item(2))), "b");
    EXPECT_EQ(m.ObjectName(m.MessageReceiver(msgs.Item(2))), "a");
    // The lifelines represent untyped properties: no class.
    for (Handle o : m.DiagramObjects(d)) EXPECT_FALSE(m.ObjectHasClass(o));
  }
  {
    XmiModel m;
    open(m, "papyrus-seqtest-opt.uml");
    const Handle d = m.AllOfKind(Kind::kDiagram).front();
    ASSERT_EQ(m.DiagramMessages(d).Count(), 2);
    EXPECT_EQ(ConditionOf(m, d, m.DiagramMessages(d).Item(1)).substr(0, 3), "if ");
    EXPECT_EQ(ConditionOf(m, d, m.DiagramMessages(d).Item(2)), "");
  }
}

TEST_F(SharedXmi, LoopsGiveNoConditionAndEveryLabelOnce) {
  XmiModel m;
  open(m, "papyrus-typesdoc-loops.uml");
  const Handle d = m.AllOfKind(Kind::kDiagram).front();
  std::set<std::string> labels;
  for (Handle msg : m.DiagramMessages(d)) {
    EXPECT_TRUE(labels.insert(m.MessageSequence(msg)).second) << m.MessageSequence(msg);
    EXPECT_EQ(ConditionOf(m, d, msg), "");
  }
  EXPECT_EQ(labels.size(), 28u);
}

TEST_F(SharedXmi, CommentsDocumentWhatTheyAnnotate) {
  XmiModel m;
  const Handle root = open(m, "umldesigner-travelagency.uml");
  // The model's comment annotates the model: its package's documentation.
  EXPECT_FALSE(m.Documentation(m.UseCaseRoot(root)).empty());
}

// --- files of ours -------------------------------------------------------

Handle OpenText(XmiModel& m, const std::string& xml, std::string* error, const std::string& name = "mem.xmi") {
  return m.OpenText(xml, "/nowhere/" + name, error);
}

TEST(XmiModel, MalformedXmlGivesFileLineColumnAndWhat) {
  XmiModel m;
  std::string error;
  EXPECT_FALSE(OpenText(
      m, "<?xml version=\"1.0\"?>\n<uml:Model xmlns:uml=\"u\">\n  <packagedElement name=\"a\">\n</uml:Model>\n",
      &error));
  EXPECT_EQ(error.substr(0, 20), "/nowhere/mem.xmi:4:3");
  EXPECT_NE(error.find("mismatch"), std::string::npos) << error;
  EXPECT_FALSE(OpenText(m, "<html><body/></html>", &error));
  EXPECT_EQ(error,
            "/nowhere/mem.xmi:1:1: expected an XMI document or a UML model (xmi:XMI, uml:Model or uml:Package), found "
            "<html>");
  // A declaration cut short after "encoding=".
  EXPECT_FALSE(OpenText(m, "<?xml version=\"1.0\" encoding=", &error));
  EXPECT_EQ(error.substr(0, 17), "/nowhere/mem.xmi:");
  EXPECT_FALSE(OpenText(m, "", &error));
  EXPECT_EQ(error.substr(0, 20), "/nowhere/mem.xmi:1:1");
}

// Papyrus keeps a parameter's documentation as a comment it owns: its
// "DEF(" list is read; a return value's comment is counted as skipped.
TEST(XmiModel, AParametersOwnCommentIsItsDocumentation) {
  XmiModel m;
  std::string error;
  const Handle root =
      OpenText(m,
               "<uml:Model xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" "
               "xmlns:uml=\"http://www.eclipse.org/uml2/5.0.0/UML\" "
               "xmi:id=\"m\" name=\"Shop\"><packagedElement xmi:type=\"uml:Class\" xmi:id=\"till\" name=\"Till\">"
               "<ownedOperation xmi:id=\"pay\" name=\"pay\"><ownedParameter xmi:id=\"amount\" name=\"amount\">"
               "<ownedComment xmi:id=\"c1\"><body>DEF(1,99) cents</body></ownedComment></ownedParameter>"
               "<ownedParameter xmi:id=\"ok\" name=\"ok\" direction=\"return\"><ownedComment xmi:id=\"c2\">"
               "<body>DEF(true)</body></ownedComment></ownedParameter></ownedOperation></packagedElement></uml:Model>",
               &error);
  ASSERT_TRUE(root) << error;
  const Handle op = m.AllOfKind(Kind::kOperation).front();
  ASSERT_EQ(m.OperationParameters(op).Count(), 1);
  EXPECT_EQ(m.Documentation(m.OperationParameters(op).Item(1)), "DEF(1,99) cents");
  std::string warnings;
  for (const std::string& w : m.Warnings()) warnings += w;
  EXPECT_NE(warnings.find("1 Comment"), std::string::npos) << warnings;
}

// An id given twice: references reach the first element, the warning names
// both lines, and the elements after it keep their own ids.
TEST(XmiModel, ARepeatedIdReachesItsFirstElement) {
  XmiModel m;
  std::string error;
  const Handle root = OpenText(m,
                               "<uml:Model xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" "
                               "xmlns:uml=\"http://www.eclipse.org/uml2/5.0.0/UML\" xmi:id=\"m\" name=\"Shop\">\n"
                               "<packagedElement xmi:type=\"uml:Class\" xmi:id=\"c\" name=\"Till\"/>\n"
                               "<packagedElement xmi:type=\"uml:Class\" xmi:id=\"c\" name=\"Drawer\"/>\n"
                               "<packagedElement xmi:type=\"uml:Class\" xmi:id=\"s\" name=\"Safe\">"
                               "<ownedOperation xmi:id=\"o\" name=\"open\"><ownedParameter xmi:id=\"p\" "
                               "name=\"by\" type=\"c\"/></ownedOperation></packagedElement>\n</uml:Model>",
                               &error);
  ASSERT_TRUE(root) << error;
  EXPECT_EQ(m.Name(m.FindByXmiId("c")), "Till");
  EXPECT_EQ(m.Name(m.FindByXmiId("s")), "Safe");
  EXPECT_EQ(m.Name(m.FindByXmiId("o")), "open");
  std::string warnings;
  for (const std::string& w : m.Warnings()) warnings += w;
  EXPECT_NE(warnings.find("\"c\" on line 2 and line 3"), std::string::npos) << warnings;
  const Handle op = m.AllOfKind(Kind::kOperation).front();
  ASSERT_EQ(m.OperationParameters(op).Count(), 1);
  EXPECT_EQ(m.ParameterType(m.OperationParameters(op).Item(1)), "Till");
}

TEST(XmiModel, VisualParadigmOwnedMembersIdrefChildrenAndDiagrams) {
  XmiModel m;
  std::string error;
  const Handle root = m.OpenModel(kData + "/trees/vp-style.xmi", &error);
  ASSERT_TRUE(root) << error;
  EXPECT_TRUE(m.Warnings().empty()) << m.Warnings().front();
  // Use-case diagrams from uml:Diagram elements after the model; no
  // generated ones.
  std::vector<std::string> diagrams;
  for (Handle p : m.AllPackages(root))
    for (Handle d : m.ClassDiagrams(p)) diagrams.push_back(m.Name(d) + (m.IsUseCaseDiagram(d) ? " (use cases)" : ""));
  EXPECT_EQ(diagrams, (std::vector<std::string>{"Ordering (use cases)", "Domain"}));
  const Handle order = m.FindByXmiId("uc-order");
  ASSERT_EQ(m.UseCaseRelations(order).Count(), 1);
  EXPECT_EQ(m.Name(m.SecondEnd(m.UseCaseRelations(order).Item(1))), "Pay");
  // Navigability from navigableOwnedEnd given as child elements.
  const Handle assoc = m.UseCaseAssociations(order).Item(1);
  EXPECT_FALSE(m.RoleNavigable(m.Role1(assoc)));
  EXPECT_TRUE(m.RoleNavigable(m.Role2(assoc)));
  // The interaction of the use case, with operands nested as ownedMember.
  ASSERT_EQ(m.ScenarioDiagrams(order).Count(), 1);
  const Handle d = m.ScenarioDiagrams(order).Item(1);
  EXPECT_EQ(m.Documentation(d), "WGH=3");
  std::vector<std::string> flow;
  for (Handle msg : m.DiagramMessages(d))
    flow.push_back(m.MessageSequence(msg) + " " + m.Name(msg) + " " + ConditionOf(m, d, msg));
  EXPECT_EQ(flow, (std::vector<std::string>{"1 submit ", "1.1 charge if card accepted", "1.2 reject else",
                                            "2 confirm note on confirm"}));
  // Senders, receivers, operations and parameters: tests/golden/trees/vp-style.xmi.
  const Handle charge = m.DiagramMessages(d).Item(2);
  ASSERT_TRUE(m.MessageHasOperation(charge));
  EXPECT_EQ(m.OperationText(m.MessageOperation(charge)), "takes the money");
  // Attributes: type names and default values; "DEF(" lists in the documentation.
  const Handle bank = m.FindByXmiId("cls-bank");
  ASSERT_EQ(m.ClassAttributes(bank).Count(), 1);
  const Handle limit = m.ClassAttributes(bank).Item(1);
  EXPECT_EQ(m.AttributeType(limit), "int");
  EXPECT_EQ(m.AttributeInitialValue(limit), "100");
  EXPECT_EQ(m.Documentation(limit), "DEF(100,500)");
  // The state machine named by the class's classifierBehavior.
  const Handle machine = m.ClassStateMachine(bank);
  ASSERT_TRUE(machine);
  EXPECT_EQ(Names(m, m.MachineStates(machine)), (std::vector<std::string>{"", "Open", "Closed", "Audit", ""}));
  const Items states = m.MachineStates(machine);
  EXPECT_TRUE(m.StateFlag(states.Item(1)));
  EXPECT_FALSE(m.StateFlag(states.Item(2)));
  EXPECT_TRUE(m.StateFlag(states.Item(5)));
  ASSERT_EQ(m.StateTransitions(states.Item(2)).Count(), 1);
  EXPECT_EQ(m.Name(m.TransitionTarget(m.StateTransitions(states.Item(2)).Item(1))), "Closed");
  // A nested state's transition leaves from it.
  EXPECT_EQ(m.Name(m.TransitionTarget(m.StateTransitions(states.Item(4)).Item(1))), "Open");
}

std::vector<std::string> Labels(const XmiModel& m, Handle diagram) {
  std::vector<std::string> labels;
  for (Handle msg : m.DiagramMessages(diagram)) labels.push_back(m.MessageSequence(msg) + " " + m.Name(msg));
  return labels;
}

// One interaction between the lifelines a and b, its fragments (and gates)
// as given; the messages name their events "<name>s" and "<name>r".
std::string Interaction(const std::string& body, const std::string& messages) {
  return "<uml:Model xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" "
         "xmlns:uml=\"http://www.eclipse.org/uml2/5.0.0/UML\" xmi:id=\"m\" name=\"M\">"
         "<packagedElement xmi:type=\"uml:Interaction\" xmi:id=\"i\" name=\"I\">"
         "<lifeline xmi:id=\"a\" name=\"a\"/><lifeline xmi:id=\"b\" name=\"b\"/>" +
         body + messages + "</packagedElement></uml:Model>";
}

std::string Event(const std::string& id, const char* lifeline) {
  return "<fragment xmi:type=\"uml:MessageOccurrenceSpecification\" xmi:id=\"" + id + "\" covered=\"" + lifeline +
         "\"/>";
}

std::string Message(const std::string& name, const std::string& send, const std::string& receive) {
  return "<message xmi:id=\"" + name + "\" name=\"" + name + "\" sendEvent=\"" + send + "\" receiveEvent=\"" + receive +
         "\"/>";
}

// A message from a gate is placed by its event on the lifeline it reaches,
// one to a gate by its send event, wherever the tool wrote the gates.
TEST(XmiModel, MessagesThroughTheInteractionsGatesKeepTheirPlace) {
  const std::string gates =
      "<formalGate xmi:type=\"uml:Gate\" xmi:id=\"in\" name=\"in\"/>"
      "<formalGate xmi:type=\"uml:Gate\" xmi:id=\"out\" name=\"out\"/>";
  const std::string messages = Message("hello", "hellos", "hellor") + Message("incoming", "in", "incomingr") +
                               Message("forward", "forwards", "forwardr") + Message("outgoing", "outgoings", "out") +
                               Message("bye", "byes", "byer");
  const std::string events[] = {Event("hellos", "a") + Event("hellor", "b"), Event("incomingr", "a"),
                                Event("forwards", "a") + Event("forwardr", "b"), Event("outgoings", "b"),
                                Event("byes", "a") + Event("byer", "b")};
  for (std::size_t at = 0; at <= std::size(events); ++at) {
    std::string body;
    for (std::size_t i = 0; i <= std::size(events); ++i) {
      if (i == at) body += gates;
      if (i < std::size(events)) body += events[i];
    }
    XmiModel m;
    std::string error;
    ASSERT_TRUE(OpenText(m, Interaction(body, messages), &error)) << error;
    const Handle d = m.AllOfKind(Kind::kDiagram).front();
    EXPECT_EQ(Labels(m, d), (std::vector<std::string>{"1 hello", "2 incoming", "3 forward", "4 outgoing", "5 bye"}))
        << "gates before fragment " << at;
    const Handle incoming = m.DiagramMessages(d).Item(2);
    EXPECT_FALSE(m.MessageSender(incoming));
    EXPECT_EQ(m.ObjectName(m.MessageReceiver(incoming)), "a");
    EXPECT_EQ(m.ObjectName(m.MessageSender(m.DiagramMessages(d).Item(4))), "b");
  }
}

// The gates of a combined fragment and of an interaction use: a message
// into a loop from its gate is one of the loop's; one back from a
// referenced interaction's gate comes where its receiver takes it.
TEST(XmiModel, MessagesThroughFragmentAndInteractionUseGates) {
  const std::string messages = Message("start", "starts", "startr") + Message("feed", "feeds", "cg") +
                               Message("into", "cg", "intor") + Message("inner", "inners", "innerr") +
                               Message("call", "calls", "ag") + Message("back", "ag", "backr") +
                               Message("end", "ends", "endr");
  for (const bool gateFirst : {true, false}) {
    const std::string gate = "<cfragmentGate xmi:id=\"cg\" name=\"cg\"/>";
    const std::string body =
        Event("starts", "a") + Event("startr", "b") + Event("feeds", "a") +
        "<fragment xmi:type=\"uml:CombinedFragment\" xmi:id=\"loop\" interactionOperator=\"loop\" covered=\"a b\">" +
        (gateFirst ? gate : "") + "<operand xmi:id=\"o\">" + Event("intor", "b") + Event("inners", "b") +
        Event("innerr", "a") + "</operand>" + (gateFirst ? "" : gate) +
        "</fragment>"
        "<fragment xmi:type=\"uml:InteractionUse\" xmi:id=\"ref\" refersTo=\"i\" covered=\"a b\">"
        "<actualGate xmi:id=\"ag\" name=\"ag\"/></fragment>" +
        Event("calls", "b") + Event("backr", "a") + Event("ends", "a") + Event("endr", "b");
    XmiModel m;
    std::string error;
    ASSERT_TRUE(OpenText(m, Interaction(body, messages), &error)) << error;
    EXPECT_EQ(Labels(m, m.AllOfKind(Kind::kDiagram).front()),
              (std::vector<std::string>{"1 start", "2 feed", "2.1 into", "2.2 inner", "3 call", "4 back", "5 end"}))
        << (gateFirst ? "gate first" : "gate last");
  }
}

TEST(XmiModel, DeepNestingIsSkippedNotFollowed) {
  std::string xml = "<uml:Model xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" xmlns:uml=\"u\" xmi:id=\"m\">";
  constexpr int kDepth = 20000;
  for (int i = 0; i < kDepth; ++i)
    xml += "<packagedElement xmi:type=\"uml:Package\" xmi:id=\"p" + std::to_string(i) + "\">";
  xml += "<packagedElement xmi:type=\"uml:UseCase\" xmi:id=\"u\"/>";
  for (int i = 0; i < kDepth; ++i) xml += "</packagedElement>";
  xml += "</uml:Model>";
  XmiModel m;
  std::string error;
  const Handle root = OpenText(m, xml, &error);
  ASSERT_TRUE(root) << error;
  EXPECT_LT(m.AllPackages(root).Count(), kDepth);
  EXPECT_EQ(m.AllUseCases(root).Count(), 0);
  ASSERT_FALSE(m.Warnings().empty());
  EXPECT_NE(m.Warnings().back().find("elements nested too deeply"), std::string::npos) << m.Warnings().back();
}

TEST(XmiModel, TheFactoryChoosesTheReaderByContent) {
  const fs::path dir = fs::temp_directory_path() / ("zov-xmi-factory-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream(dir / "model.mdl")
        << "\xEF\xBB\xBF  \n<?xml version=\"1.0\"?><uml:Model xmlns:uml=\"u\" name=\"x\"/>";
  }
  auto source = MakeModelSourceFor((dir / "model.mdl").string());
  EXPECT_NE(dynamic_cast<XmiModel*>(source.get()), nullptr);
  std::string error;
  EXPECT_TRUE(source->OpenModel((dir / "model.mdl").string(), &error)) << error;
  source = MakeModelSourceFor(kExamples + "/ATM.mdl");
  EXPECT_NE(dynamic_cast<PetalModel*>(source.get()), nullptr);
  // A file named as XMI that holds no XML is told so by the XMI reader.
  std::ofstream(dir / "empty.xmi").close();
  std::ofstream(dir / "notes.uml") << "\n  notes, not a model\n";
  for (const auto& [file, message] :
       {std::pair<const char*, const char*>{"empty.xmi", ":1:1: the file is empty: it holds no XMI model"},
        {"notes.uml", ":2:3: this is not an XML file: an XMI model begins with '<'"}}) {
    source = MakeModelSourceFor((dir / file).string());
    EXPECT_FALSE(source->OpenModel((dir / file).string(), &error));
    EXPECT_EQ(error, (dir / file).string() + message);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zov
