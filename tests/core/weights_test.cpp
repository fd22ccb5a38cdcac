#include "weights/weights.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/work_folder.h"
#include "tree/kinds.h"
#include "tree/tag.h"
#include "window/generale.h"
#include "window/load_messages.h"

namespace zov {
namespace {

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
  EXPECT_EQ(t.tag(t.find("E")), "LIV:1$$WEI:0.3750$$NCI:0$$EDI:F");
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
  EXPECT_EQ(t.tag(b), "LIV:1$$WEI:0.2000$$NCI:0$$EDI:F");
  EXPECT_EQ(t.tag(t.find("A")), "LIV:0$$WEI:1.0000$$NCI:0$$EDI:F");
}

}  // namespace
}  // namespace zov
