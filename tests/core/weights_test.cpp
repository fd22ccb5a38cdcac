#include "weights/weights.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/generale.h"
#include "app/load_messages.h"
#include "model/work_folder.h"
#include "support/loaded_model.h"
#include "support/window_ready.h"
#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {
namespace {

using test::ModelloSintetico;

using Loaded = test::ModelloCaricato;

TEST(DocumentationWeight, ReadsTheWholeNumberAfterTheFirstMarker) {
  EXPECT_EQ(DocumentationWeight("WGH=10 main flow"), 10.0);
  EXPECT_EQ(DocumentationWeight("WGH=7"), 7.0);
  EXPECT_EQ(DocumentationWeight("WGH=100"), 100.0);        // not cut to two digits
  EXPECT_EQ(DocumentationWeight("Main flow WGH=3"), 3.0);  // the marker need not open the text
  EXPECT_EQ(DocumentationWeight("WGH=12\r\nsecond line"), 12.0);
  EXPECT_EQ(DocumentationWeight("WGH=2.5 x"), 2.5);
  EXPECT_EQ(DocumentationWeight("WGH=4 then WGH=9"), 4.0);
  EXPECT_EQ(DocumentationWeight("WGH="), 0.0);
  EXPECT_FALSE(DocumentationWeight("WGH 10"));
  EXPECT_FALSE(DocumentationWeight(""));
}

TEST(LoadWeights, EqualSharesWithoutDocumentation) {
  ModelloSintetico m;
  const auto a = m.actor("Clerk");
  const auto u1 = m.useCase("Open"), u2 = m.useCase("Edit"), u3 = m.useCase("Close");
  for (const auto& u : {u1, u2, u3}) m.association(a, u);
  const auto d1 = m.diagram(u2, "Edit - main"), d2 = m.diagram(u2, "Edit - error");
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  EXPECT_EQ(l.node(a).text, "[1.0000] Clerk");
  EXPECT_EQ(l.node(a).tag, "LIV:0$$WEI:1.0000$$NCI:3$$EDI:F");
  EXPECT_EQ(l.node(u1).text, "[0.3333] Open");
  EXPECT_EQ(l.node(u1).tag, "LIV:1$$WEI:0.3333$$NCI:0$$EDI:F");
  EXPECT_EQ(l.node(u2).tag, "LIV:1$$WEI:0.3333$$NCI:2$$EDI:F");
  EXPECT_EQ(l.node(d1).text, "[0.5000] Edit - main");
  EXPECT_EQ(l.node(d2).tag, "LIV:2$$WEI:0.5000$$NCI:0$$EDI:F");
  EXPECT_EQ(l.g.failedSteps, 0);
}

TEST(LoadWeights, DocumentationShares) {
  ModelloSintetico m;
  const auto a = m.actor("Clerk");
  const auto u1 = m.useCase("Pay", "WGH=10 the main flow");
  const auto u2 = m.useCase("Refund", "WGH=100");
  const auto u3 = m.useCase("Query");                 // no marker: counts 5
  const auto u4 = m.useCase("Audit", "Rare. WGH=3");  // marker inside the text
  for (const auto& u : {u1, u2, u3, u4}) m.association(a, u);
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  EXPECT_EQ(l.node(u1).text, "[" + FormattaPeso(10.0f / 118) + "] Pay");
  EXPECT_EQ(l.node(u2).text, "[" + FormattaPeso(100.0f / 118) + "] Refund");
  EXPECT_EQ(l.node(u3).text, "[" + FormattaPeso(5.0f / 118) + "] Query");
  EXPECT_EQ(l.node(u4).text, "[" + FormattaPeso(3.0f / 118) + "] Audit");
  EXPECT_EQ(l.node(a).tag, "LIV:0$$WEI:1.0000$$NCI:4$$EDI:F");
}

TEST(LoadWeights, DiagramsNeedTheWholeMarkerUseCasesDoNot) {
  ModelloSintetico m;
  const auto a = m.actor("Clerk");
  const auto u1 = m.useCase("Pay", "WGH");  // switches to documentation shares, counts 5
  const auto u2 = m.useCase("Refund", "WGH=15");
  m.association(a, u1);
  m.association(a, u2);
  const auto d1 = m.diagram(u1, "Pay - card", "WGH=1");
  const auto d2 = m.diagram(u1, "Pay - cash", "WGH=3", false);
  const auto d3 = m.diagram(u2, "Refund - main", "WGH 7");  // not a marker for a diagram
  const auto d4 = m.diagram(u2, "Refund - late");
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  EXPECT_EQ(l.node(u1).text, "[0.2500] Pay");
  EXPECT_EQ(l.node(u2).text, "[0.7500] Refund");
  EXPECT_EQ(l.node(d1).text, "[0.2500] Pay - card");
  EXPECT_EQ(l.node(d2).text, "[0.7500] Pay - cash");
  EXPECT_EQ(l.node(d2).image, "collaboration");
  EXPECT_EQ(l.node(d3).text, "[0.5000] Refund - main");
  EXPECT_EQ(l.node(d4).text, "[0.5000] Refund - late");
}

TEST(LoadWeights, AZeroTotalLeavesTheChildrenUnweighted) {
  ModelloSintetico m;
  const auto a = m.actor("Clerk");
  const auto u1 = m.useCase("Pay", "WGH=0"), u2 = m.useCase("Refund", "WGH=0");
  m.association(a, u1);
  m.association(a, u2);
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  EXPECT_EQ(l.node(a).tag, "LIV:0$$WEI:1.0000$$NCI:2$$EDI:F");
  EXPECT_EQ(l.node(u1).text, "Pay");
  EXPECT_EQ(l.node(u1).tag, "");
  EXPECT_EQ(l.g.failedSteps, 1);
}

TEST(LoadWeights, AUseCaseReachedTwiceKeepsItsDocumentationWeight) {
  ModelloSintetico m;
  const auto a1 = m.actor("Clerk"), a2 = m.actor("Manager");
  const auto shared = m.useCase("Pay", "WGH=60");
  const auto u2 = m.useCase("Refund", "WGH=20"), u3 = m.useCase("Report", "WGH=20");
  m.association(a1, shared);
  m.association(a1, u2);
  m.association(a2, shared);
  m.association(a2, u3);
  Loaded l(m);
  ASSERT_EQ(l.error, "");
  // Under the first actor the use case itself, under the second the link to it.
  EXPECT_EQ(l.node(shared).text, "[0.7500] Pay");
  const std::string link = shared + "ACTOR1";
  EXPECT_EQ(l.node(link).text, "[0.7500] Pay");
  EXPECT_EQ(l.node(u3).text, "[0.2500] Report");
}

TEST(LoadWeights, PackagesTakeNoShare) {
  test::GeneralePronto pronto;
  PlanningSession& g = pronto.session;
  ASSERT_EQ(test::LoadError(g, std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl"), "");
  const Tree& t = g.TV(kMainTree);
  const Node& core = t.node(t.find("5A1000000060"));
  EXPECT_EQ(core.text, "[----] ATM Core");
  EXPECT_EQ(core.tag, "LIV:1$$WEI:0.0000$$NCI:0$$EDI:F");
  // The realization's only child is the "Design Link" package: nothing to share.
  EXPECT_EQ(t.node(t.find("5A1000000051")).tag, "LIV:2$$WEI:" + FormattaPeso(2.0f / 46) + "$$NCI:0$$EDI:F");
  const Node& link = t.node(t.find("5A1000000051Design Link"));
  EXPECT_EQ(link.text, "Design Link");
  // Withdraw Cash: documentation shares among its use case, diagrams and realization.
  const Node& withdraw = t.node(t.find("5A1000000020"));
  EXPECT_EQ(withdraw.tag, "LIV:1$$WEI:" + FormattaPeso(60.0f / 95) + "$$NCI:5$$EDI:F");
  EXPECT_EQ(t.node(t.find("5A1000000021")).text, "[" + FormattaPeso(40.0f / 46) + "] Authenticate");
}

// A node per entry: key, parent key, share of the label and tag.
NodeId Add(Tree& t, const std::string& parent, const std::string& key, float share) {
  const NodeId id = parent.empty() ? t.addTop(key, WeightLabel(share, key), "usecase")
                                   : t.addChild(parent, key, WeightLabel(share, key), "usecase");
  t.setTag(id, CreaTag(parent.empty() ? 0 : 1, share, 0, false));
  return id;
}

TEST(AbsoluteWeights, ProductsOfSharesOnTheLeaves) {
  Tree t;
  Add(t, "", "A", 1.0f);
  Add(t, "A", "B", 0.5f);
  Add(t, "A", "C", 0.5f);
  Add(t, "B", "D", 0.25f);
  Add(t, "B", "E", 0.75f);
  const float sum = CalcolaPesiAssoluti(t);
  EXPECT_FLOAT_EQ(sum, 1.0f);
  EXPECT_EQ(t.node(t.find("D")).text, "[0.1250] D");
  EXPECT_EQ(t.node(t.find("E")).tag, "LIV:1$$WEI:0.3750$$NCI:0$$EDI:F");
  EXPECT_EQ(t.node(t.find("E")).foreColor, Rgb(0, 128, 0));
  EXPECT_EQ(t.node(t.find("B")).foreColor, kDefaultForeColor);
  EXPECT_EQ(LeafWeightsSumText(sum), "Leaves weights sum: 1");
  EXPECT_EQ(LeafWeightsSumText(0.9999f), "Leaves weights sum: .9999");
}

TEST(AbsoluteWeights, LabelWeightsGoIntoTheTags) {
  Tree t;
  Add(t, "", "A", 1.0f);
  const NodeId b = Add(t, "A", "B", 0.5f);
  t.setText(b, "[0.2000] B");  // edited label
  AllineaPesiTag(t);
  EXPECT_EQ(t.node(b).tag, "LIV:1$$WEI:0.2000$$NCI:0$$EDI:F");
  EXPECT_EQ(t.node(t.find("A")).tag, "LIV:0$$WEI:1.0000$$NCI:0$$EDI:F");
}

}  // namespace
}  // namespace zov
