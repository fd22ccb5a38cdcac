#include "model/link_analysis.h"

#include <gtest/gtest.h>

#include <fstream>

#include "files/work_folder.h"
#include "model/load_files.h"
#include "model/petal_model.h"
#include "model/use_case_view.h"

namespace zov {
namespace {

TEST(RitornaCampi, SplitsByKind) {
  const LinkFields obj = RitornaCampi("USECAOBJ::5A1000000020::2::0");
  EXPECT_TRUE(obj.object);
  EXPECT_EQ(obj.f1, "5A1000000020");
  EXPECT_EQ(obj.f2, "2::0");
  const LinkFields scen = RitornaCampi("SCENAUC::U::D::main::flow");
  EXPECT_EQ(scen.f1, "U");
  EXPECT_EQ(scen.f3, "D");
  EXPECT_EQ(scen.f4, "main::flow");
  const LinkFields rel = RitornaCampi("ASSOC::A::Customer::B::Withdraw");
  EXPECT_FALSE(rel.object);
  EXPECT_EQ(rel.kindName, "ASSOC");
  EXPECT_EQ(rel.f2, "Customer");
  EXPECT_EQ(rel.f3, "B");
  EXPECT_EQ(rel.f4, "Withdraw");
}

TEST(CambiaNumerazione, RepeatedTargetsGetNumbers) {
  std::vector<RecordRelazione> t = {{"A", "a", "X", "x"}, {"B", "b", "X", "x"}, {"X", "x", "Y", "y"}};
  CambiaNumerazione(t);
  EXPECT_EQ(t[0].f3, "X");
  EXPECT_EQ(t[1].f3, "X::000000");
  EXPECT_EQ(t[2].f1, "X::000000");
}

// The continuation files of the links and the entry file of their target,
// with the names, lines and order that writing them link by link would give.
TEST(MainTree, WorkingFilesOfLinksToOneUseCase) {
  LoadFiles files;
  files.create("collegamenti.txt") =
      "ACTOROBJ::5A0000000001::Clerk\nACTOROBJ::5A0000000002::Manager\nACTOROBJ::5A0000000003::Auditor\n"
      "ACTOR::5A0000000001::Clerk::5A0000000010::Pay\n"
      "ACTOR::5A0000000002::Manager::5A0000000010::Pay\n"
      "ACTOR::5A0000000001::Clerk::5A0000000011::Refund\n"
      "ACTOR::5A0000000003::Auditor::5A0000000010::Pay again\n"
      "ACTOR::5A0000000003::Auditor::5A0000000011::Refund\n";
  Tree t;
  BuildMainTree(t, files, nullptr);
  auto work = WorkFolder::CreatePrivate(nullptr);
  ASSERT_TRUE(work);
  std::string error;
  ASSERT_TRUE(files.writeTo(*work, &error)) << error;
  const std::vector<std::string_view> expected = {"collegamenti.txt",
                                                  "nonriordinati.txt",
                                                  "riordinati.txt",
                                                  "passo1.txt",
                                                  "5A0000000010ACTOR1_cont.txt",
                                                  "5A0000000010_entry.txt",
                                                  "5A0000000010ACTOR2_cont.txt",
                                                  "5A0000000011ACTOR3_cont.txt",
                                                  "5A0000000011_entry.txt"};
  EXPECT_EQ(work->files(CreatedList::kLoad), expected);
  using Lines = std::vector<std::string>;
  EXPECT_EQ(work->readLines("5A0000000010ACTOR1_cont.txt"), (Lines{"5A0000000010", "Pay"}));
  EXPECT_EQ(work->readLines("5A0000000010ACTOR2_cont.txt"), (Lines{"5A0000000010", "Pay again"}));
  EXPECT_EQ(work->readLines("5A0000000011ACTOR3_cont.txt"), (Lines{"5A0000000011", "Refund"}));
  EXPECT_EQ(work->readLines("5A0000000010_entry.txt"),
            (Lines{"5A0000000010ACTOR1", "Pay", "5A0000000010ACTOR2", "Pay again"}));
  EXPECT_EQ(work->readLines("5A0000000011_entry.txt"), (Lines{"5A0000000011ACTOR3", "Refund"}));
  EXPECT_EQ(work->readLines("passo1.txt"), Lines{});
  RimuoveFileCreati(*work);
}

}  // namespace
}  // namespace zov
