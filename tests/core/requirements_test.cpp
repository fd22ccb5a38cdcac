#include "traceability/requirements.h"

#include <gtest/gtest.h>

#include <string>

#include <cstdio>
#include <fstream>

#include "session/planning_session.h"
#include "session/scripted_asker.h"
#include "support/window_ready.h"
#include "traceability/traceability.h"

namespace zov {
namespace {

const std::string kData = std::string(ZOV_EXAMPLES_DIR) + "/../tests/data/xmi/";

std::vector<std::string> Ids(const RequirementLinks& l) {
  std::vector<std::string> ids;
  for (const auto& r : l.requirements) ids.push_back(r.id);
  return ids;
}

// The links of the node named by path in the Main Tree.
std::vector<std::string> LinksOf(const PlanningSession& s, const std::string& path) {
  const NodeId n = FindByKeyOrPath(s.TV(kMainTree), path);
  if (n == kNoNode) return {"(no node " + path + ")"};
  const auto it = s.work().requirements.traced.find(std::string(ElementKey(s.TV(kMainTree).node(n).key)));
  return it == s.work().requirements.traced.end() ? std::vector<std::string>{} : it->second;
}

// The same model as Papyrus and Enterprise Architect write it: requirements
// traced from a use case, from the requirement's side, from an interaction
// and from the collaboration that owns one; a derived requirement keeps its
// own identity.
TEST(Requirements, ReadFromPapyrusAndEnterpriseArchitect) {
  for (const char* file : {"requirements-papyrus.uml", "requirements-ea.xmi"}) {
    SCOPED_TRACE(file);
    PlanningSession s;
    ASSERT_TRUE(s.openModel(kData + file));
    const bool papyrus = std::string(file).find("papyrus") != std::string::npos;
    const std::vector<std::string> papyrusIds = {"REQ-A", "REQ-A1", "REQ-B", "REQ-C", "REQ-Z"};
    const std::vector<std::string> eaIds = {"REQ-A", "REQ-B", "REQ-C"};
    EXPECT_EQ(Ids(s.work().requirements), papyrus ? papyrusIds : eaIds);
    if (papyrus) {
      EXPECT_EQ(s.work().requirements.find("REQ-A")->title, "Accounts open");
    }
    EXPECT_EQ(LinksOf(s, "Clerk/Open account"), (std::vector<std::string>{"REQ-A"}));
    EXPECT_EQ(LinksOf(s, "Clerk/Close account"), (std::vector<std::string>{"REQ-B"}));
    EXPECT_EQ(LinksOf(s, "Clerk/Open account/Open - main"), (std::vector<std::string>{"REQ-B"}));
    EXPECT_EQ(LinksOf(s, "Clerk/Close account/Close - main"), (std::vector<std::string>{"REQ-C"}));
    EXPECT_EQ(s.modelSummary().requirementLinks, 4);
  }
}

// Petal files say a use case's requirements in its documentation.
TEST(Requirements, PetalDocumentationLines) {
  PlanningSession s;
  ASSERT_TRUE(s.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  EXPECT_EQ(Ids(s.work().requirements), (std::vector<std::string>{"ATM-1", "ATM-2", "ATM-3", "ATM-4"}));
  EXPECT_EQ(s.work().requirements.find("ATM-3")->title, "A deposit is credited to the account it names");
  EXPECT_EQ(LinksOf(s, "Customer/Withdraw Cash"), (std::vector<std::string>{"ATM-1", "ATM-2"}));
  EXPECT_EQ(LinksOf(s, "Customer/Check Balance"), std::vector<std::string>{});
}

TEST(Requirements, FileRowsReplaceTheLinksOfTheirUseCases) {
  PlanningSession s;
  ASSERT_TRUE(s.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  // A byte order mark, a header, a comment, quoted fields with a comma and
  // a line break, a use case by key; a row naming nothing is a warning.
  const Outcome o = s.requirementsFile("links.csv",
                                       "\xEF\xBB\xBFUse case,Requirement id,Title\r\n"
                                       "# from the tracker\r\n"
                                       "Customer/Withdraw Cash,ATM-2,\"Limits, daily\"\r\n"
                                       "5A1000000024,BAL-1,\"Balance\nshown\"\r\n"
                                       "Customer/Fly Away,X-1,nothing\r\n");
  ASSERT_TRUE(o) << o.message;
  ASSERT_EQ(o.warnings.size(), 1u);
  EXPECT_EQ(o.warnings[0],
            "links.csv:6: no use case or scenario diagram 'Customer/Fly Away' in the Main Tree: the row is left out");
  EXPECT_EQ(LinksOf(s, "Customer/Withdraw Cash"), (std::vector<std::string>{"ATM-2"}));
  EXPECT_EQ(LinksOf(s, "Customer/Check Balance"), (std::vector<std::string>{"BAL-1"}));
  EXPECT_EQ(LinksOf(s, "Customer/Deposit"), (std::vector<std::string>{"ATM-3"}));
  EXPECT_EQ(s.work().requirements.find("ATM-2")->title, "Limits, daily");
  EXPECT_EQ(s.work().requirements.find("BAL-1")->title, "Balance\nshown");
  // The decision keeps the file's text: an undo takes the links back.
  ASSERT_EQ(s.decisions().back().type, Decision::Type::kRequirements);
}

TEST(Requirements, MalformedFilesAreRefusedNamingTheLine) {
  PlanningSession s;
  ASSERT_TRUE(s.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  const RequirementLinks before = s.work().requirements;
  EXPECT_EQ(s.requirementsFile("r.csv", "Customer/Deposit,D-1\n\"Customer/Deposit,D-2\n").message,
            "r.csv:2: a quoted field is not closed");
  EXPECT_EQ(s.requirementsFile("r.csv", "Customer/Deposit,D-1\nCustomer/Deposit\n").message,
            "r.csv:2: expected the use case, the requirement's id and its title, separated by commas");
  EXPECT_EQ(s.requirementsFile("r.csv", "Customer/Deposit,  ,x\n").message, "r.csv:1: the requirement's id is empty");
  EXPECT_EQ(s.requirementsFile("missing.csv").message.rfind("missing.csv", 0), 0u);
  EXPECT_EQ(s.work().requirements, before);
}

TEST(Requirements, CopiesInTheMainTreeStandForTheirElement) {
  EXPECT_EQ(ElementKey("5A1000000020ACTOR4"), "5A1000000020");
  EXPECT_EQ(ElementKey("5A1000000040$$00002"), "5A1000000040");
  EXPECT_EQ(ElementKey("5A1000000013ACTOR3$$00000"), "5A1000000013");
  EXPECT_EQ(ElementKey("FACTORY"), "FACTORY");
}

// FILE's "Requirements...": the file chosen traces the use case, the
// details pane shows it, and Undo takes it back.
TEST(Requirements, TheWindowTakesTheFileAndUndoesIt) {
  test::WindowReady w;
  w.session.setUndoable(true);
  ScriptedAsker asker;
  w.g.setAsker(&asker);
  w.g.requirementsCommand();
  ASSERT_FALSE(asker.asked.empty());
  EXPECT_EQ(asker.asked.back().text, "There is nothing to trace: load a model first.");
  ASSERT_TRUE(w.session.openModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"));
  const std::string file = ::testing::TempDir() + "/links.csv";
  std::ofstream(file) << "Customer/Check Balance,BAL-1,Balance shown\n";
  asker.files = {file};
  w.g.requirementsCommand();
  const NodeId balance = FindByKeyOrPath(w.session.TV(kMainTree), "Customer/Check Balance");
  const auto rows = w.g.details(kMainTree, balance);
  const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.first == "Requirements"; });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(row->second, "BAL-1 Balance shown");
  ASSERT_TRUE(w.session.undo());
  EXPECT_EQ(w.session.work().requirements.find("BAL-1"), nullptr);
  w.g.setAsker(nullptr);
  std::remove(file.c_str());
}

}  // namespace
}  // namespace zov
