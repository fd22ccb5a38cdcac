#include "model/design_tree.h"

#include <gtest/gtest.h>

#include "model/petal_model.h"
#include "model/use_case_view.h"
#include "tree/colors.h"

namespace zov {
namespace {

struct AtmDesign : ::testing::Test {
  void SetUp() override {
    std::string error;
    model = m.OpenModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl", &error);
    ASSERT_TRUE(model) << error;
  }
  PetalModel m;
  Handle model;
  Tree t;
};

TEST_F(AtmDesign, LocatePackageMarksAndClears) {
  ASSERT_TRUE(BuildDesignTree(t, m, model));
  const NodeId core = t.find("5A1000000060"), services = t.find("5A1000000070");
  LocatePackage(t, "5A1000000060", 6);
  EXPECT_EQ(t.node(core).backColor, kLocatedGreen);
  EXPECT_TRUE(t.node(t.find("Design Tree")).expanded);
  LocatePackage(t, "5A1000000070", 4);
  EXPECT_EQ(t.node(core).backColor, kLocatedCleared);
  EXPECT_EQ(t.node(services).backColor, kLocatedBlue);
  LocatePackage(t, "not there", 6);
  EXPECT_EQ(t.node(services).backColor, kLocatedCleared);
}

}  // namespace
}  // namespace zov
