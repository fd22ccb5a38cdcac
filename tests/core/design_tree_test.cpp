#include "model/design_tree.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/petal_model.h"
#include "model/use_case_view.h"
#include "tree/colors.h"

namespace zov {
namespace {

// One line per node in collection order, indented by depth.
std::string Dump(const Tree& t) {
  std::string out;
  for (NodeId n : t.collection())
    out += std::string(static_cast<std::size_t>(t.depth(n)) * 2, ' ') + t.node(n).key + " | " + t.node(n).text + " | " +
           t.node(n).image + "\n";
  return out;
}

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

TEST(DesignTree, RealizationsPackageAndRepeatedReuses) {
  const std::string text = R"((object Petal version 47 charSet 0)
(object Design "Logical View"
  root_category (object Class_Category "Logical View" quid "000000000001"
    logical_models (list unit_reference_list
      (object Class_Category "Use Case Realizations" quid "000000000002"
        logical_models (list unit_reference_list
          (object Class_Category "Inner" quid "000000000003"))
        logical_presentations (list unit_reference_list
          (object InteractionDiagram "Realized flow" quid "000000000004")))
      (object Class_Category "A" quid "000000000005"
        visible_categories (list visibility_relationship_list
          (object Visibility_Relationship quid "000000000006" quidu "000000000007")
          (object Visibility_Relationship quid "000000000008" quidu "000000000007")))
      (object Class_Category "B" quid "000000000007"))
    logical_presentations (list unit_reference_list
      (object ClassDiagram "One" quid "000000000010"
        items (list diagram_item_list (object CategoryView "A" @1 quidu "000000000005")))
      (object ClassDiagram "Two" quid "000000000011"
        items (list diagram_item_list (object CategoryView "A" @2 quidu "000000000005"))))))
)";
  PetalModel m;
  std::string error;
  const Handle model = m.OpenText(text, "/nonexistent/design.mdl", &error);
  ASSERT_TRUE(model) << error;
  Tree t;
  ASSERT_TRUE(BuildDesignTree(t, m, model));
  EXPECT_EQ(Dump(t),
            "Design Tree | Design Tree | package\n"
            "  000000000004 | Realized flow | sequence\n"
            "  000000000003 | Inner | package\n"
            "  000000000005 | A | package\n"
            "  000000000007 | B | package\n"
            // Reused twice, met on two visits: " 1", " 2", then the next free numbers.
            "    000000000007-reused- 1 | B | packagereused\n"
            "    000000000007-reused- 2 | B | packagereused\n"
            "    000000000007-reused- 3 | B | packagereused\n"
            "    000000000007-reused- 4 | B | packagereused\n");
  EXPECT_EQ(t.node(t.find("000000000007-reused- 4")).parent, t.find("000000000005"));
}

}  // namespace
}  // namespace zov
