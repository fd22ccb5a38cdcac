// Models kept as text: each PlantUML construct read into the elements and
// message numbers a modelling tool's model of the same drawing gives
// (docs/model-mapping.md, "Nesting of messages", has the examples used
// here), and the faults of a file named by line and column.
#include "model/text_model_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/readers.h"

namespace fs = std::filesystem;

namespace zov {
namespace {

using Kind = XmiModel::Kind;

class TextModel : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zov-text-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  // Opens the text as a model; fails the test when it does not load.
  Handle open(TextModelSource& m, const std::string& name, const std::string& text) {
    std::string error;
    const Handle h = m.OpenModel(write(name, text), &error);
    EXPECT_TRUE(h) << error;
    return h;
  }
  // The message of a refused file, from the file's name on.
  std::string refused(const std::string& name, const std::string& text) {
    TextModelSource m;
    std::string error;
    EXPECT_FALSE(m.OpenModel(write(name, text), &error));
    const std::size_t at = error.find(name + ":");
    return at == std::string::npos ? error : error.substr(at);
  }

  fs::path dir_;
};

Handle Named(const ModelSource& m, const std::vector<Handle>& items, const std::string& name) {
  for (Handle h : items)
    if (m.Name(h) == name) return h;
  return {};
}

// "number name [condition]" for each message of the diagram, the
// condition being the first note of the message's view.
std::vector<std::string> Messages(const XmiModel& m, Handle diagram) {
  std::vector<std::string> out;
  for (Handle msg : m.DiagramMessages(diagram)) {
    std::string line = m.MessageSequence(msg) + " " + m.Name(msg);
    for (Handle v : m.DiagramViews(diagram))
      if (m.ViewElement(v) == m.MessageElement(msg) && !m.ViewNotes(v).empty()) {
        const std::string note = m.NoteText(m.ViewNotes(v).Item(1));
        if (!note.empty()) line += " [" + note + "]";
      }
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> Only(const XmiModel& m) {
  const std::vector<Handle> diagrams = m.AllOfKind(Kind::kDiagram);
  for (Handle d : diagrams)
    if (m.DiagramKind(d) == kSequenceDiagram) return Messages(m, d);
  return {};
}

using Lines = std::vector<std::string>;

TEST_F(TextModel, AltAndOptOperandsAreBranchesOfTheirOwnMessages) {
  TextModelSource m;
  open(m, "alt.puml",
       "@startuml\n"
       "Shop -> Bank : submit\n"
       "alt card accepted\n"
       "  Bank -> Shop : charge\n"
       "  Bank -> Shop : receipt\n"
       "else card refused\n"
       "  Bank -> Shop : decline\n"
       "  Bank -> Shop : notify\n"
       "end\n"
       "Shop -> Bank : close\n"
       "opt [wants a copy]\n"
       "  Bank -> Shop : copy\n"
       "end\n"
       "@enduml\n");
  EXPECT_EQ(Only(m),
            (Lines{"1 submit", "1.1 charge [if card accepted]", "1.1.1 receipt", "1.2 decline [else card refused]",
                   "1.2.1 notify", "2 close", "2.1 copy [if wants a copy]"}));

  TextModelSource first;
  open(first, "first.puml",
       "@startuml\nalt pin ok\nA -> B : enter\nA -> B : welcome\nelse pin wrong\nA -> B : reject\n"
       "A -> B : eject\nend\nA -> B : logout\n@enduml\n");
  EXPECT_EQ(Only(first),
            (Lines{"1 enter [if pin ok]", "1.1 welcome", "2 reject [else pin wrong]", "2.1 eject", "3 logout"}));
}

TEST_F(TextModel, OtherFragmentsNestBelowTheMessageBeforeAndGroupsOnlyDraw) {
  TextModelSource m;
  open(m, "loops.puml",
       "@startuml\n"
       "A -> B : start\n"
       "loop 3 times\n  A -> B : again\nend\n"
       "par\n  A -> B : one\nelse\n  A -> B : two\nend\n"
       "A -> B : next\n"
       "break failure\n  A -> B : stop\nend\n"
       "critical\n  A -> B : lock\nend\n"
       "group only drawn\n  A -> B : grouped\nend\n"
       "alt#Gold #LightBlue coloured\n  B -> A : painted\nend\n"
       "ref over A, B : Log in\n"
       "@enduml\n");
  EXPECT_EQ(Only(m), (Lines{"1 start", "1.1 again", "1.2 one", "1.3 two", "2 next", "2.1 stop", "2.2 lock", "3 grouped",
                            "3.1 painted [if coloured]"}));
  EXPECT_EQ(m.FragmentCount(m.AllOfKind(Kind::kDiagram).back()), 5);
}

TEST_F(TextModel, ActivationsNestTheMessagesTheyStartAndReturnRepliesToTheCaller) {
  TextModelSource m;
  open(m, "exec.puml",
       "@startuml\n"
       "User -> ATM ++ #gold : insertCard\n"
       "ATM -> Bank ++ : verify\n"
       "return\n"
       "ATM -> User : showMenu\n"
       "deactivate ATM\n"
       "User -> ATM : withdraw\n"
       "activate ATM\n"
       "ATM -> Bank : debit(amount: Integer)\n"
       "Bank --> ATM : done\n"
       "@enduml\n");
  // "done" is sent by Bank, which runs no execution: it is numbered at
  // its place.
  EXPECT_EQ(Only(m),
            (Lines{"1 insertCard", "1.1 verify", "1.1.1 ", "1.2 showMenu", "2 withdraw", "2.1 debit", "3 done"}));
  // The reply goes back to the caller, and "-->" is a reply that calls no
  // operation; debit calls Bank's operation with its parameter.
  const std::vector<Handle> messages(m.DiagramMessages(m.AllOfKind(Kind::kDiagram).back()).begin(),
                                     m.DiagramMessages(m.AllOfKind(Kind::kDiagram).back()).end());
  EXPECT_EQ(m.ObjectName(m.MessageReceiver(messages[2])), "ATM");
  EXPECT_FALSE(m.MessageHasOperation(messages[6]));
  ASSERT_TRUE(m.MessageHasOperation(messages[5]));
  const Handle debit = m.MessageOperation(messages[5]);
  EXPECT_EQ(m.Name(m.OperationClass(debit)), "Bank");
  ASSERT_EQ(m.OperationParameters(debit).Count(), 1);
  EXPECT_EQ(m.Name(m.OperationParameters(debit).Item(1)), "amount");
  EXPECT_EQ(m.ParameterType(m.OperationParameters(debit).Item(1)), "Integer");
}

TEST_F(TextModel, ParticipantsNotesAndTheUseCaseADiagramNames) {
  TextModelSource m;
  open(m, "uc.puml",
       "@startuml\n"
       "actor Clerk\n"
       "usecase \"Lend a book\" as Lend\n"
       "note right of Lend\nWGH=7 most visits\nend note\n"
       "Clerk --> Lend\n"
       "@enduml\n"
       "@startuml Lend\n"
       "title Lend - main flow\n"
       "note across : WGH=2\n"
       "actor Clerk\n"
       "participant \"desk : Desk\" as desk\n"
       "database Catalogue\n"
       "Clerk -> desk : scan(isbn: String, copies)\n"
       "note right : DEF(one,two)\n"
       "desk -> Catalogue : find\n"
       "@enduml\n");
  const Handle lend = Named(m, m.AllOfKind(Kind::kUseCase), "Lend a book");
  ASSERT_TRUE(lend);
  EXPECT_EQ(m.Documentation(lend), "WGH=7 most visits");
  ASSERT_EQ(m.ScenarioDiagrams(lend).Count(), 1);
  const Handle d = m.ScenarioDiagrams(lend).Item(1);
  EXPECT_EQ(m.Name(d), "Lend - main flow");
  EXPECT_EQ(m.Documentation(d), "WGH=2");
  const Items objects = m.DiagramObjects(d);
  ASSERT_EQ(objects.Count(), 3);
  EXPECT_EQ(m.ObjectName(objects.Item(2)), "desk");
  EXPECT_EQ(m.Name(m.ObjectClass(objects.Item(2))), "Desk");
  // The participant declared actor is the use-case diagram's actor.
  EXPECT_EQ(m.ObjectClass(objects.Item(1)), Named(m, m.AllOfKind(Kind::kClass), "Clerk"));
  EXPECT_EQ(m.Stereotype(m.ObjectClass(objects.Item(1))), "Actor");
  EXPECT_EQ(Messages(m, d), (Lines{"1 scan [DEF(one,two)]", "2 find"}));
  const Handle scan = m.DiagramMessages(d).Item(1);
  EXPECT_EQ(m.Documentation(scan), "DEF(one,two)");
  const Items params = m.OperationParameters(m.MessageOperation(scan));
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(m.ParameterType(params.Item(1)), "String");
  EXPECT_EQ(m.ParameterType(params.Item(2)), "");
  EXPECT_FALSE(m.MessageHasOperation(m.DiagramMessages(d).Item(2)));  // "find": no parentheses, no operation
}

TEST_F(TextModel, UseCaseDiagramsRelationsPackagesAndDirections) {
  TextModelSource m;
  const Handle model = open(m, "rel.puml",
                            "@startuml\n"
                            "left to right direction\n"
                            ":Reader: as R\n"
                            "actor Member\n"
                            "Member -|> R\n"
                            "rectangle Library {\n"
                            "  (Borrow) as B\n"
                            "  usecase (Check card) as C\n"
                            "  (Renew)\n"
                            "  (Print slip)\n"
                            "}\n"
                            "R --> B\n"
                            "(Renew) <-- R\n"
                            "R -- (Print slip)\n"
                            "B .> C : include\n"
                            "(Print slip) ..> B : <<extend>>\n"
                            "(Renew) --|> B\n"
                            "@enduml\n");
  EXPECT_EQ(m.Summarize().Text(),
            "1 package, 4 use cases, 2 actors, 0 classes, 2 use-case diagrams, 0 class diagrams, 0 scenario diagrams, "
            "0 messages");
  const Handle root = m.UseCaseRoot(model);
  ASSERT_EQ(m.SubPackages(root).Count(), 1);
  EXPECT_EQ(m.Name(m.SubPackages(root).Item(1)), "Library");
  EXPECT_EQ(m.PackageUseCases(m.SubPackages(root).Item(1)).Count(), 4);

  const std::vector<Handle> cases = m.AllOfKind(Kind::kUseCase);
  const Handle borrow = Named(m, cases, "Borrow"), renew = Named(m, cases, "Renew"),
               slip = Named(m, cases, "Print slip");
  const auto relations = [&](Handle u) {
    Lines out;
    for (Handle r : m.UseCaseRelations(u))
      out.push_back(m.Stereotype(r) + " " + m.Name(m.FirstEnd(r)) + " -> " + m.Name(m.SecondEnd(r)));
    return out;
  };
  EXPECT_EQ(relations(borrow), (Lines{"include Borrow -> Check card"}));
  EXPECT_EQ(relations(slip), (Lines{"extend Print slip -> Borrow"}));
  EXPECT_EQ(relations(renew), (Lines{" Renew -> Borrow"}));
  const Handle member = Named(m, m.AllOfKind(Kind::kClass), "Member");
  ASSERT_EQ(m.ClassRelations(member, 1).Count(), 1);
  EXPECT_EQ(m.Name(m.SecondEnd(m.ClassRelations(member, 1).Item(1))), "Reader");

  // An association's first role is what the arrow points to, navigable;
  // a line without a head is navigable neither way.
  const auto ends = [&](Handle u) {
    Lines out;
    for (Handle a : m.UseCaseAssociations(u))
      out.push_back(m.Name(m.RoleElement(m.Role1(a))) + (m.RoleNavigable(m.Role1(a)) ? "*" : "") + " " +
                    m.Name(m.RoleElement(m.Role2(a))) + (m.RoleNavigable(m.Role2(a)) ? "*" : ""));
    return out;
  };
  EXPECT_EQ(ends(borrow), (Lines{"Borrow* Reader"}));
  EXPECT_EQ(ends(renew), (Lines{"Renew* Reader"}));
  EXPECT_EQ(ends(slip), (Lines{"Print slip Reader"}));
}

TEST_F(TextModel, AStateDiagramIsTheStateMachineOfTheClassItNames) {
  TextModelSource m;
  open(m, "door.puml",
       "@startuml\nUser -> Door : open()\n@enduml\n"
       "@startuml\ntitle Door\n[*] --> Closed\nstate \"Wide open\" as Open\nClosed --> Open : push\n"
       "Open -left-> Closed\nOpen --> [*]\n@enduml\n");
  const Handle door = Named(m, m.AllOfKind(Kind::kClass), "Door");
  const Handle machine = m.ClassStateMachine(door);
  ASSERT_TRUE(machine);
  const Items states = m.MachineStates(machine);
  Lines names;
  for (Handle s : states) {
    std::string line = (m.StateFlag(s) ? "*" : m.Name(s)) + ":";
    for (Handle t : m.StateTransitions(s))
      line += " " + (m.StateFlag(m.TransitionTarget(t)) ? "*" : m.Name(m.TransitionTarget(t)));
    names.push_back(line);
  }
  EXPECT_EQ(names, (Lines{"*: Closed", "Closed: Wide open", "Wide open: Closed *", "*:"}));
}

TEST_F(TextModel, IncludedFilesAreReadInPlace) {
  write("actors.iuml", "actor Clerk\nusecase Lend\n");
  write("flow.iuml", "@startuml\nClerk -> Desk : scan\n@enduml\n");
  TextModelSource m;
  open(m, "main.puml",
       "@startuml\n!include actors.iuml\nClerk --> Lend\n@enduml\n@startuml Lend\n!include_once flow.iuml\n"
       "!include_once flow.iuml\n@enduml\n");
  const Handle lend = Named(m, m.AllOfKind(Kind::kUseCase), "Lend");
  ASSERT_EQ(m.ScenarioDiagrams(lend).Count(), 1);
  EXPECT_EQ(Messages(m, m.ScenarioDiagrams(lend).Item(1)), (Lines{"1 scan"}));

  // Files that include each other many times over are refused, not
  // expanded without bound.
  std::string many(4096, 'x');
  for (int level = 0; level < 8; ++level) {
    std::string text;
    for (int i = 0; i < 12; ++i)
      text += level == 0 ? "' " + many + "\n" : "!include_many l" + std::to_string(level - 1) + ".iuml\n";
    write("l" + std::to_string(level) + ".iuml", text);
  }
  const std::string bomb = refused("bomb.puml", "@startuml\n!include_many l7.iuml\n@enduml\n");
  EXPECT_NE(bomb.find("with its !include files the text grows past 64 MiB"), std::string::npos) << bomb;

  fs::create_directory(dir_ / "folder.iuml");
  const std::string folder = refused("dir.puml", "@startuml\n!include folder.iuml\n@enduml\n");
  EXPECT_TRUE(folder.starts_with("dir.puml:2:1: cannot include ")) << folder;
  EXPECT_NE(folder.find("folder.iuml: this is a folder"), std::string::npos) << folder;
}

TEST_F(TextModel, FaultsNameTheirLineAndColumn) {
  EXPECT_EQ(refused("a.puml", "@startuml\nA -> B : x\n  else\n@enduml\n"),
            "a.puml:3:3: else outside alt, par or another fragment");
  EXPECT_EQ(refused("b.puml", "@startuml\nA -> B : x\nnote left\nnever ends\n@enduml\n"),
            "b.puml:3:1: note has no endnote");
  EXPECT_EQ(refused("c.puml", "@startuml\nreturn\n@enduml\n"), "c.puml:2:1: return with no activation to return from");
  EXPECT_EQ(refused("d.puml", "@startuml\nA -> : x\n@enduml\n"), "d.puml:2:6: expected a participant after the arrow");
  EXPECT_EQ(refused("e.puml", ""), "e.puml:1:1: the file is empty: it holds no @startuml diagram");
  // Lines no construct reads are read past, in one warning.
  TextModelSource m;
  open(m, "f.puml", "@startuml\nA -> B : x\nthis is not plantuml\nneither is this\n@enduml\n");
  ASSERT_EQ(m.Warnings().size(), 1u);
  EXPECT_NE(m.Warnings()[0].find("f.puml:3: 2 lines are no construct a test plan reads"), std::string::npos)
      << m.Warnings()[0];
}

TEST_F(TextModel, MarkdownBlocksTakeTheHeadingAboveThem) {
  TextModelSource m;
  open(m, "use-cases.md",
       "# Lending\n\nText about lending.\n\n```plantuml\n@startuml\nactor Clerk\nusecase \"Lend a book\"\n"
       "Clerk --> (Lend a book)\n@enduml\n```\n\n"
       "## Lend a book\n\n```puml\nClerk -> Desk : scan\nalt found\nDesk -> Clerk : lend\nend\n```\n\n"
       "Renew\n-----\n\n~~~plantuml\nClerk -> Desk : renew\n~~~\n\n```python\nprint('not read')\n```\n");
  const Handle lend = Named(m, m.AllOfKind(Kind::kUseCase), "Lend a book");
  ASSERT_EQ(m.ScenarioDiagrams(lend).Count(), 1);
  EXPECT_EQ(Messages(m, m.ScenarioDiagrams(lend).Item(1)), (Lines{"1 scan", "1.1 lend [if found]"}));
  // A block whose heading names no use case belongs to the top package.
  EXPECT_TRUE(Named(m, m.AllOfKind(Kind::kDiagram), "Renew"));
  // Its faults name the Markdown file's lines.
  EXPECT_EQ(refused("bad.md", "# A\n\n```plantuml\nA -> B : x\nend\n```\n"),
            "bad.md:5:1: end with no fragment to close");
}

TEST_F(TextModel, TheFactoryChoosesTheTextReader) {
  const std::string plain = write("model.txt", "\xEF\xBB\xBF\n@startuml\nA -> B : x\n@enduml\n");
  std::string error;
  auto source = MakeModelSourceFor(plain);
  EXPECT_TRUE(source->OpenModel(plain, &error)) << error;
  EXPECT_EQ(source->Summarize().messages, 1);
  EXPECT_NE(dynamic_cast<TextModelSource*>(MakeModelSourceFor(write("x.pu", "")).get()), nullptr);
}

}  // namespace
}  // namespace zov

namespace zov {
namespace {

// The nesting examples of docs/model-mapping.md drawn in Mermaid give what
// they give drawn in PlantUML (and in a modelling tool's XMI).
TEST_F(TextModel, MermaidGivesThePathsTheSameScenarioGivesInPlantUml) {
  TextModelSource mermaid, plantuml;
  open(mermaid, "alt.mmd",
       "sequenceDiagram\n"
       "  Shop->>Bank: submit\n"
       "  alt card accepted\n    Bank->>Shop: charge\n    Bank->>Shop: receipt\n"
       "  else card refused\n    Bank->>Shop: decline\n    Bank->>Shop: notify\n  end\n"
       "  Shop->>Bank: close\n"
       "  User->>+ATM: insertCard\n  ATM->>+Bank: verify\n  Bank-->>-ATM: \n  ATM->>User: showMenu\n"
       "  deactivate ATM\n  User->>ATM: withdraw\n");
  open(plantuml, "alt.puml",
       "@startuml\nShop -> Bank : submit\nalt card accepted\nBank -> Shop : charge\nBank -> Shop : receipt\n"
       "else card refused\nBank -> Shop : decline\nBank -> Shop : notify\nend\nShop -> Bank : close\n"
       "User -> ATM ++ : insertCard\nATM -> Bank ++ : verify\nreturn\nATM -> User : showMenu\n"
       "deactivate ATM\nUser -> ATM : withdraw\n@enduml\n");
  // With executions present they alone nest the messages: the alt's
  // operands head their branches at the level they give.
  EXPECT_EQ(Only(mermaid), Only(plantuml));
  EXPECT_EQ(Only(mermaid),
            (Lines{"1 submit", "2 charge [if card accepted]", "2.1 receipt", "3 decline [else card refused]",
                   "3.1 notify", "4 close", "5 insertCard", "5.1 verify", "5.1.1 ", "5.2 showMenu", "6 withdraw"}));
}

TEST_F(TextModel, AMermaidDiagramIsAUseCaseOfItsOwnReachedByItsActors) {
  TextModelSource m;
  open(m, "withdraw.mmd",
       "---\ntitle: Withdraw Cash\n---\n"
       "%% WGH=5 the usual withdrawal\n"
       "sequenceDiagram\n"
       "  actor C as Customer\n"
       "  participant A as atm : ATM\n"
       "  Note over A: WGH=2\n"
       "  C->>+A: insertCard(card: String)\n"
       "  Note right of A: DEF(new,old)\n"
       "  opt wants cash\n    A-)C: dispense\n  end\n"
       "  loop each note\n    A-xC: count\n  end\n"
       "  par\n    A->>C: beep\n  and\n    A->>C: flash\n  end\n"
       "  critical bank online\n    A->>C: ask\n  option offline\n    A->>C: refuse\n  end\n"
       "  break no card\n    A->>C: stop\n  end\n"
       "  rect rgb(0,0,255)\n    A-->>C: done\n  end\n");
  const Handle uc = Named(m, m.AllOfKind(Kind::kUseCase), "Withdraw Cash");
  ASSERT_TRUE(uc);
  EXPECT_EQ(m.Documentation(uc), "WGH=5 the usual withdrawal");
  ASSERT_EQ(m.UseCaseAssociations(uc).Count(), 1);
  const Handle a = m.UseCaseAssociations(uc).Item(1);
  EXPECT_EQ(m.Name(m.RoleElement(m.Role2(a))), "Customer");
  EXPECT_TRUE(m.RoleNavigable(m.Role1(a)));
  ASSERT_EQ(m.ScenarioDiagrams(uc).Count(), 1);
  const Handle d = m.ScenarioDiagrams(uc).Item(1);
  EXPECT_EQ(m.Documentation(d), "WGH=2");
  EXPECT_EQ(Messages(m, d), (Lines{"1 insertCard [DEF(new,old)]", "1.1 dispense [if wants cash]", "1.2 count",
                                   "1.3 beep", "1.4 flash", "1.5 ask", "1.6 refuse", "1.7 stop", "1.8 done"}));
  EXPECT_EQ(m.FragmentCount(d), 5);
  EXPECT_EQ(m.Name(m.ObjectClass(m.DiagramObjects(d).Item(2))), "ATM");
  EXPECT_EQ(m.Stereotype(m.ObjectClass(m.DiagramObjects(d).Item(1))), "Actor");
}

TEST_F(TextModel, MermaidInMarkdownStatesAndFaults) {
  TextModelSource m;
  open(m, "page.md",
       "# Doors\n\n```plantuml\n@startuml\nactor User\nusecase Open\nUser --> Open\n@enduml\n```\n\n"
       "## Open\n\n```mermaid\nsequenceDiagram\n  User->>Door: open()\n```\n\n"
       "```mermaid\n---\ntitle: Door\n---\nstateDiagram-v2\n  [*] --> Closed\n  Closed --> Opened: push\n```\n\n"
       "```mermaid\nflowchart LR\n  A --> B\n```\n");
  // The heading names the use case the diagram belongs to: no new one.
  EXPECT_EQ(m.AllOfKind(Kind::kUseCase).size(), 1u);
  const Handle open = Named(m, m.AllOfKind(Kind::kUseCase), "Open");
  ASSERT_EQ(m.ScenarioDiagrams(open).Count(), 1);
  const Handle door = Named(m, m.AllOfKind(Kind::kClass), "Door");
  ASSERT_TRUE(m.ClassStateMachine(door));
  EXPECT_EQ(m.MachineStates(m.ClassStateMachine(door)).Count(), 3);
  ASSERT_EQ(m.Warnings().size(), 1u);
  EXPECT_NE(m.Warnings()[0].find("page.md:28: Mermaid flowchart is no diagram a test plan reads"), std::string::npos)
      << m.Warnings()[0];

  // Bytes that are not UTF-8 are read as U+FFFD, in one warning.
  TextModelSource bad;
  TextModel::open(bad, "bytes.mmd", "sequenceDiagram\n  A->>B: caf\xE9\n");
  EXPECT_EQ(Only(bad), (Lines{"1 caf\xEF\xBF\xBD"}));
  ASSERT_EQ(bad.Warnings().size(), 1u);
  EXPECT_NE(bad.Warnings()[0].find("bytes.mmd: 1 bytes are not UTF-8 text"), std::string::npos) << bad.Warnings()[0];

  EXPECT_EQ(refused("a.mmd", "sequenceDiagram\n  A->>B: x\n  else\n"),
            "a.mmd:3:3: else outside alt, par, critical or another fragment");
  EXPECT_EQ(refused("b.mmd", "sequenceDiagram\n  loop\n  A->>B: x\n"), "b.mmd:2:3: loop has no end");
  EXPECT_EQ(refused("c.mmd", "---\ntitle: X\nsequenceDiagram\n"), "c.mmd:1:1: the front matter has no closing ---");
  EXPECT_EQ(refused("d.md", "# D\n```mermaid\nsequenceDiagram\n  A->>: x\n```\n"),
            "d.md:4:7: expected a participant after the arrow");
}

}  // namespace
}  // namespace zov

namespace zov {
namespace {

// A class diagram gives the classes the participants stand for their
// attributes (a parameter of the same name and type takes their DEF( list)
// and their operations' documentation (the IF or ELSE condition Rose keeps
// there).
TEST_F(TextModel, AClassDiagramGivesAttributesAndOperationDocumentation) {
  TextModelSource m;
  open(m, "classes.puml",
       "@startuml\n"
       "abstract class \"ATM Controller\" as Ctl {\n"
       "  -amount : Integer = 20\n"
       "  {static} String owner\n"
       "  --\n"
       "  +validatePin(pin: String): Boolean\n"
       "  void reset()\n"
       "}\n"
       "Ctl : notes : Integer = 1\n"
       "note right of Ctl::validatePin : if pin is valid\n"
       "note right of Ctl::amount\nDEF(20,50,100)\nend note\n"
       "Ctl --> Account\n"
       "@enduml\n"
       "@startuml\n"
       "participant \"c : ATM Controller\" as c\n"
       "User -> c : validatePin()\n"
       "User -> c : reset()\n"
       "@enduml\n");
  const Handle ctl = Named(m, m.AllOfKind(Kind::kClass), "ATM Controller");
  ASSERT_TRUE(ctl);
  Lines attributes;
  for (Handle a : m.ClassAttributes(ctl))
    attributes.push_back(m.Name(a) + ":" + m.AttributeType(a) + "=" + m.AttributeInitialValue(a) + " " +
                         m.Documentation(a));
  EXPECT_EQ(attributes, (Lines{"amount:Integer=20 DEF(20,50,100)", "owner:String= ", "notes:Integer=1 "}));
  // The messages call the declared operations: "validatePin()" names the
  // one of that name whatever its parameters.
  const Items messages = m.DiagramMessages(m.AllOfKind(Kind::kDiagram).back());
  const Handle validate = m.MessageOperation(messages.Item(1));
  EXPECT_EQ(m.OperationClass(validate), ctl);
  EXPECT_EQ(m.OperationText(validate), "if pin is valid");
  ASSERT_EQ(m.OperationParameters(validate).Count(), 1);
  EXPECT_EQ(m.ParameterType(m.OperationParameters(validate).Item(1)), "String");
  EXPECT_EQ(m.Name(m.MessageOperation(messages.Item(2))), "reset");
  // The relation between classes is no construct a plan reads.
  ASSERT_EQ(m.Warnings().size(), 1u);
  EXPECT_NE(m.Warnings()[0].find("classes.puml:14: 1 line is no construct"), std::string::npos) << m.Warnings()[0];
}

}  // namespace
}  // namespace zov
