#include "model/vista_casi_uso.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/petal_model.h"

namespace zov {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

struct Written {
  std::vector<std::string> links, notLinked, statuses;
};

Written Write(PetalModel& m, Handle model) {
  std::ostringstream links, notLinked;
  Written w;
  ScriviVistaCasiUso(m, model, links, notLinked, [&](std::string_view s) { w.statuses.emplace_back(s); });
  w.links = Lines(links.str());
  w.notLinked = Lines(notLinked.str());
  return w;
}

TEST(SingleLineName, JoinsTheFirstBreakWithABlank) {
  EXPECT_EQ(SingleLineName("Withdraw Cash"), "Withdraw Cash");
  EXPECT_EQ(SingleLineName("Withdraw\r\nCash"), "Withdraw Cash");
  EXPECT_EQ(SingleLineName("a\r\nb\r\nc"), "a b\r\nc");  // later breaks stay
  EXPECT_EQ(SingleLineName("a\nb"), "a b");
  EXPECT_EQ(SingleLineName("a\rb"), "a b");
  EXPECT_EQ(SingleLineName(""), "");
}

TEST(UseCaseViewLines, AtmModel) {
  PetalModel m;
  std::string error;
  const Handle model = m.OpenModel(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl", &error);
  ASSERT_TRUE(model) << error;
  const Written w = Write(m, model);
  const std::vector<std::string> expected = {
      "ACTOROBJ::5A1000000010::Customer",
      "ACTOROBJ::5A1000000011::Premium Customer",
      "ACTOR::5A1000000010::Customer::5A1000000011::Premium Customer",
      "ACTOROBJ::5A1000000012::Operator",
      "ACTOROBJ::5A1000000013::Bank System",
      "ASSOCOBJ::5A1000000200::",
      "ASSOC::5A1000000010::Customer::5A1000000020::Withdraw Cash",  // navigable one way
      "ASSOCOBJ::5A1000000203::",
      "ASSOC::5A1000000010::Customer::5A1000000023::Deposit",
      "ASSOCOBJ::5A1000000206::",
      "ASSOC::5A1000000010::Customer::5A1000000024::Check Balance",  // both ways: second role first
      "ASSOC::5A1000000024::Check Balance::5A1000000010::Customer",
      "ASSOCOBJ::5A1000000209::",
      "ASSOC::5A1000000012::Operator::5A1000000025::Refill Machine",
      "ASSOCOBJ::5A100000020C::",
      "ASSOC::5A1000000020::Withdraw Cash::5A1000000013::Bank System",  // neither navigable: both lines
      "ASSOC::5A1000000013::Bank System::5A1000000020::Withdraw Cash",
      "USECAOBJ::5A1000000020::Withdraw Cash",
      "USECA::5A1000000020::Withdraw Cash::5A1000000021::Authenticate",
      "USECAOBJ::5A1000000020::2::0",
      "SCENAUC::5A1000000020::5A1000000040::Withdraw Cash - main flow",
      "COLLAUC::5A1000000020::5A1000000041::Withdraw Cash - collaboration",
      "USECAOBJ::5A1000000021::Authenticate",
      "USECAOBJ::5A1000000022::Print Receipt",
      "USECA::5A1000000022::Print Receipt::5A1000000020::Withdraw Cash",
      "USECAOBJ::5A1000000022::0::0",
      // Reached by actors only: its diagrams are written all the same.
      "USECAOBJ::5A1000000023::Deposit",
      "USECAOBJ::5A1000000023::1::0",
      "SCENAUC::5A1000000023::5A1000000042::Deposit envelope",
      "USECAOBJ::5A1000000024::Check Balance",
      "USECAOBJ::5A1000000024::0::0",
      "USECAOBJ::5A1000000025::Refill Machine",
      "USECAOBJ::5A1000000025::1::0",
      "SCENAUC::5A1000000025::5A1000000043::Refill - empty",
      "USECAOBJ::5A1000000026::Transfer Funds",
  };
  EXPECT_EQ(w.links, expected);
  EXPECT_EQ(w.notLinked, (std::vector<std::string>{"USECAOBJ::5A1000000021::Authenticate",
                                                   "USECAOBJ::5A1000000026::Transfer Funds"}));
  EXPECT_EQ(w.statuses, (std::vector<std::string>{"Loading UseCaseView Diagrams", "Loading Actors and Relations",
                                                  "Loading Associations", "Loading Use Cases"}));
}

TEST(UseCaseViewLines, RealizeOnlyTwoDiagramsAndMissingEnds) {
  const std::string text = R"((object Petal version 47 charSet 0)
(object Design "Logical View"
  root_usecase_package (object Class_Category "Use Case View"
    quid "000000000001"
    logical_models (list unit_reference_list
      (object Class "Clerk" quid "000000000010" stereotype "Actor")
      (object UseCase "Realized" quid "000000000020")
      (object UseCase "Two
Lines" quid "000000000021")
      (object Association "realizing" quid "000000000030" stereotype "realize"
        roles (list role_list
          (object Role "r1" quid "000000000031" quidu "000000000020")
          (object Role "r2" quid "000000000032" quidu "000000000020")))
      (object Association "$UNNAMED$1" quid "000000000033"
        roles (list role_list
          (object Role "r3" quid "000000000034" quidu "000000000021" is_navigable TRUE)
          (object Role "r4" quid "000000000035" quidu "FFFFFFFFFFFF"))))
    logical_presentations (list unit_reference_list
      (object UseCaseDiagram "First" quid "000000000040"
        items (list diagram_item_list
          (object ClassView "Class" "Clerk" @1 quidu "000000000010")
          (object UseCaseView "Realized" @2 quidu "000000000020")
          (object UseCaseView "Two Lines" @3 quidu "000000000021")
          (object AssociationViewNew "realizing" @4 quidu "000000000030")
          (object AssociationViewNew "" @5 quidu "000000000033")))
      (object UseCaseDiagram "Second" quid "000000000041"
        items (list diagram_item_list
          (object ClassView "Class" "Clerk" @6 quidu "000000000010"))))))
)";
  PetalModel m;
  std::string error;
  const Handle model = m.OpenText(text, "/nonexistent/small.mdl", &error);
  ASSERT_TRUE(model) << error;
  const Written w = Write(m, model);
  EXPECT_EQ(w.links, (std::vector<std::string>{
                         "ACTOROBJ::000000000010::Clerk", "ASSOCOBJ::000000000030::realizing",
                         "ASSOCREL::000000000020::Realized::000000000020::Realized",
                         "ASSOCOBJ::000000000033::",  // its second role has no element: no ASSOC line
                         "USECAOBJ::000000000020::Realized",
                         "USECAOBJ::000000000021::Two Lines",  // made single-line
                         "USECAOBJ::000000000021::0::0",
                         "ACTOROBJ::000000000010::Clerk",  // an actor on two diagrams is written twice
                     }));
  // The only association of "Realized" is a realization: not linked.
  EXPECT_EQ(w.notLinked, (std::vector<std::string>{"USECAOBJ::000000000020::Realized"}));
}

}  // namespace
}  // namespace zov
