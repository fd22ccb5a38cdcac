#include "model/use_case_view.h"

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
  WriteUseCaseView(m, model, links, notLinked, [&](std::string_view s) { w.statuses.emplace_back(s); });
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
