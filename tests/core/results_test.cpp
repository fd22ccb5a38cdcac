#include "results/results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "results/focus.h"
#include "session/plan.h"
#include "session/scripted_asker.h"
#include "session/session_file.h"
#include "support/window_ready.h"

namespace zov {
namespace {

const std::string kData = std::string(ZOV_EXAMPLES_DIR) + "/../tests/data/results/";

std::vector<std::string> Said(const ResultFile& f) {
  std::vector<std::string> out;
  for (const ResultRecord& r : f.records) out.push_back(r.id + " " + VerdictName(r.verdict) + " " + r.date);
  return out;
}

ResultFile Read(const std::string& name) {
  std::string error;
  const std::optional<ResultFile> f = ReadResultFile(kData + name, &error);
  EXPECT_TRUE(f) << error;
  return f ? *f : ResultFile{};
}

TEST(Results, IdsAreFoundInTitlesAndNames) {
  EXPECT_EQ(FindProcedureId("[5A1000000040-1.1-004] Withdraw / 1.1 / 4"), "5A1000000040-1.1-004");
  EXPECT_EQ(FindProcedureId("test_withdraw_5A1000000040-2-010"), "5A1000000040-2-010");
  EXPECT_EQ(FindProcedureId("atm.5A1000000040-1-001.Case"), "5A1000000040-1-001");
  // Not an id: too few digits, a letter glued on, a place of two digits.
  EXPECT_EQ(FindProcedureId("5A10000000-1-001"), "");
  EXPECT_EQ(FindProcedureId("X5A1000000040-1-001"), "");
  EXPECT_EQ(FindProcedureId("5A1000000040-1-01"), "");
}

// One file per format, written from what each tool writes; the format is
// told by the content alone.
TEST(Results, EachFormatIsReadByItsContent) {
  const ResultFile junit = Read("junit.xml");
  EXPECT_EQ(junit.format, "junit");
  EXPECT_EQ(Said(junit),
            (std::vector<std::string>{
                "5A1000000040-1-001 pass 2026-12-08T10:00:00", "5A1000000040-1-002 fail 2026-12-08T10:00:00",
                "5A1000000040-1-003 pass 2026-12-08T10:00:00", "5A1000000042-1-001 fail 2026-12-08T11:00:00",
                "5A1000000042-1-002 not run 2026-12-08T11:00:00"}));
  EXPECT_EQ(junit.records[1].note, "no cash was dispensed");
  EXPECT_EQ(junit.withoutId, 1);  // test_helper
  const ResultFile testrail = Read("testrail-run.csv");
  EXPECT_EQ(testrail.format, "testrail");
  EXPECT_EQ(Said(testrail),
            (std::vector<std::string>{"5A1000000040-1-001 pass 2026-12-09 09:00",
                                      "5A1000000040-1-002 pass 2026-12-09 09:05", "5A1000000042-1-003 not run ",
                                      "5A1000000042-1-004 not run ", "5A1000000042-1-005 not run "}));
  const ResultFile xray = Read("xray-execution.csv");
  EXPECT_EQ(xray.format, "xray");
  EXPECT_EQ(Said(xray), (std::vector<std::string>{"5A1000000041-1-001 pass 2026-12-08T12:00:00",
                                                  "5A1000000041-1-002 fail 2026-12-08T12:05:00",
                                                  "5A1000000041-2-001 not run ", "5A1000000041-2-002 not run "}));
  const ResultFile plain = Read("verdicts.csv");
  EXPECT_EQ(plain.format, "csv");
  EXPECT_EQ(plain.records.size(), 3u);
  EXPECT_EQ(plain.records[0].note, "retried after the timeout");
  EXPECT_EQ(Said(Read("verdicts-no-header.csv")),
            (std::vector<std::string>{"5A1000000040-1-004 pass ", "5A1000000040-1-005 fail "}));
}

TEST(Results, DamagedFilesNameFileLineAndWhat) {
  std::string error;
  EXPECT_FALSE(ParseResultFile("<testsuites>\n  <testsuite>\n  <testcase name='x'>\n</testsuites>", "r.xml", &error));
  EXPECT_EQ(error.rfind("r.xml:4:", 0), 0u) << error;
  EXPECT_FALSE(ParseResultFile("<html/>", "r.xml", &error));
  EXPECT_EQ(error, "r.xml:1:1: expected JUnit XML (<testsuites> or <testsuite>), found <html>");
  EXPECT_FALSE(ParseResultFile("Title,Status\n[5A1000000040-1-001] x,Done\n", "run.csv", &error));
  EXPECT_EQ(error, "run.csv:2: unknown status 'Done' (Passed, Failed, Blocked, Retest, Untested)");
  EXPECT_FALSE(ParseResultFile("name,size\na,1\n", "other.csv", &error));
  EXPECT_EQ(error.rfind("other.csv:1: not a results file", 0), 0u) << error;
  EXPECT_FALSE(ParseResultFile("id,verdict\n\"5A1000000040-1-001,pass\n", "v.csv", &error));
  EXPECT_EQ(error, "v.csv:2: a quoted field is not closed");
  EXPECT_FALSE(ParseResultFile("", "empty.csv", &error));
  EXPECT_EQ(error, "empty.csv:1: the file holds no results");
}

PlanForResults TwoLeaves() {
  PlanForResults plan;
  plan.leaves = {{"AAAAAAAAAAAA", "Pay - main", "Customer", "Pay", 0.75, "AAAAAAAAAAAA"},
                 {"BBBBBBBBBBBB", "Refund", "Customer", "Refund", 0.25, ""}};
  for (int i = 1; i <= 8; ++i) plan.ids.push_back("AAAAAAAAAAAA-1-00" + std::to_string(i));
  return plan;
}

std::vector<ResultRecord> EightWithTwoFailures() {
  std::vector<ResultRecord> records;
  for (int i = 1; i <= 8; ++i)
    records.push_back(
        {"AAAAAAAAAAAA-1-00" + std::to_string(i), i <= 2 ? Verdict::kFail : Verdict::kPass, "", "", "", "", false});
  return records;
}

// Pay: 8 run, 2 failed: p = 3/10; Refund untested: p = 1/2.
// R = 0.75 * 0.7 + 0.25 * 0.5 = 0.65; untested share 0.25.
TEST(Results, TheEstimateByHand) {
  const PlanForResults plan = TwoLeaves();
  const Verdicts v = MergeVerdicts(plan, EightWithTwoFailures());
  const Estimate e = EstimateReliability(plan, v.known);
  EXPECT_NEAR(e.reliability, 0.65, 1e-12);
  EXPECT_NEAR(e.untestedShare, 0.25, 1e-12);
  EXPECT_EQ(e.passed, 6);
  EXPECT_EQ(e.failed, 2);
  EXPECT_NEAR(e.leaves[0].p, 0.3, 1e-12);
  EXPECT_EQ(ReliabilityLine(e).rfind("reliability per use: 0.650 (90 % lower bound ", 0), 0u) << ReliabilityLine(e);
  // The same files give the same figure.
  EXPECT_EQ(EstimateReliability(plan, v.known).lower90, e.lower90);

  // The exact 10 % quantile of R = 0.75 (1 - pA) + 0.25 (1 - pB), pA ~
  // Beta(3, 7), pB ~ Beta(1, 1): P(R <= r) = E[clamp((r - 0.75 (1 - pA)) /
  // 0.25, 0, 1)] over pA, integrated on a fine grid.
  const auto cdf = [](double r) {
    const int n = 20000;
    double total = 0, mass = 0;
    for (int i = 0; i < n; ++i) {
      const double p = (i + 0.5) / n;
      const double density = p * p * std::pow(1 - p, 6);  // Beta(3, 7), unnormalised
      mass += density;
      total += density * std::clamp((r - 0.75 * (1 - p)) / 0.25, 0.0, 1.0);
    }
    return total / mass;
  };
  double lo = 0, hi = 1;
  for (int i = 0; i < 60; ++i) (cdf((lo + hi) / 2) < 0.1 ? lo : hi) = (lo + hi) / 2;
  EXPECT_NEAR(e.lower90, lo, 0.005) << "exact " << lo;
}

// Where to test next: a leaf's share of the posterior variance.
TEST(Results, UncertaintyFallsWithRuns) {
  EXPECT_NEAR(Uncertainty(0, 0), 1.0 / 12, 1e-12);        // p = 1/2
  EXPECT_NEAR(Uncertainty(8, 2), 0.3 * 0.7 / 11, 1e-12);  // p = 3/10
  EXPECT_LT(Uncertainty(100, 0), Uncertainty(10, 0));
}

// The showings of one diagram below links are one test case: they share
// its verdicts and its posterior.
TEST(Results, ShowingsOfADiagramShareItsVerdicts) {
  PlanForResults plan = TwoLeaves();
  plan.leaves[0].weight = 0.5;
  plan.leaves.push_back({"AAAAAAAAAAAA$$00001", "Pay - main", "Clerk", "Pay", 0.25, "AAAAAAAAAAAA"});
  const Estimate e = EstimateReliability(plan, MergeVerdicts(plan, EightWithTwoFailures()).known);
  EXPECT_EQ(e.leaves[2].executed, 8);
  EXPECT_EQ(e.leaves[2].failures, 2);
  EXPECT_NEAR(e.reliability, 0.65, 1e-12);
  ASSERT_EQ(e.actors.size(), 2u);
  EXPECT_NEAR(e.actors[1].reliability, 0.7, 1e-12);
}

// Several verdicts of one procedure: the latest by date, else the last
// given; ids the plan does not have are listed, not guessed; stale ones
// count for nothing.
TEST(Results, TheLatestVerdictWins) {
  PlanForResults plan = TwoLeaves();
  const auto rec = [](const char* id, Verdict v, const char* date, bool stale = false) {
    return ResultRecord{id, v, date, "", "f", "", stale};
  };
  const Verdicts v = MergeVerdicts(
      plan,
      {rec("AAAAAAAAAAAA-1-001", Verdict::kPass, "2026-12-09"), rec("AAAAAAAAAAAA-1-001", Verdict::kFail, "2026-12-08"),
       rec("AAAAAAAAAAAA-1-002", Verdict::kFail, ""), rec("AAAAAAAAAAAA-1-002", Verdict::kPass, ""),
       rec("AAAAAAAAAAAA-1-003", Verdict::kFail, "2026-12-08", true), rec("CCCCCCCCCCCC-1-001", Verdict::kPass, "")});
  ASSERT_EQ(v.known.size(), 2u);
  EXPECT_EQ(v.known[0].verdict, Verdict::kPass);
  EXPECT_EQ(v.known[1].verdict, Verdict::kPass);
  ASSERT_EQ(v.unknown.size(), 1u);
  EXPECT_EQ(v.unknown[0].id, "CCCCCCCCCCCC-1-001");
  EXPECT_EQ(v.stale.size(), 1u);
}

// FILE's "Results...": the verdicts read into the plan in the window, the
// estimate on the status bar, the diagram's runs in the details pane; a
// saved session replays to the same figures.
TEST(Results, TheWindowReadsThemAndTheSessionKeepsThem) {
  test::WindowReady w;
  ScriptedAsker asker;
  w.g.setAsker(&asker);
  w.g.resultsCommand();
  ASSERT_FALSE(asker.asked.empty());
  EXPECT_EQ(asker.asked.back().text, "Generate the test procedures first: results are matched to their ids.");
  PlanOptions o;
  o.formats.text = false;
  ASSERT_TRUE(RunPlan(w.session, std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl", o).outcome);
  asker.files = {kData + "junit.xml"};
  w.g.resultsCommand();
  const std::optional<Estimate> e = w.session.estimate();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->passed, 2);
  EXPECT_EQ(e->failed, 2);
  const NodeId sd1 = w.session.TV(kMainTree).find("5A1000000040");
  const auto rows = w.g.details(kMainTree, sd1);
  const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.first == "Results"; });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(row->second, "3 run, 1 failed; failure per use 0.400");
  EXPECT_EQ(w.g.resultsBadge(kMainTree, sd1), "  [3 run, 2 passed, 1 failed]");
  EXPECT_EQ(w.g.resultsBadge(kMainTree, w.session.TV(kMainTree).find("5A1000000042")), "  [1 run, 0 passed, 1 failed]");
  // The same file again counts once.
  asker.files = {kData + "junit.xml"};
  w.g.resultsCommand();
  EXPECT_NE(asker.asked.back().text.find("read before (the same content)"), std::string::npos);
  EXPECT_EQ(w.session.work().results.size(), 5u);

  const std::string saved = ::testing::TempDir() + "/results.zov";
  ASSERT_TRUE(SaveSession(w.session, saved));
  test::WindowReady second;
  PlanningSession& again = second.session;
  const SessionReport report = LoadSession(again, saved);
  ASSERT_TRUE(report.outcome) << report.outcome.message;
  EXPECT_TRUE(report.leftOut.empty()) << report.text();
  EXPECT_EQ(again.work().results.size(), 5u);
  EXPECT_EQ(again.work().procedures.size(), w.session.work().procedures.size());
  const std::optional<Estimate> replayed = again.estimate();
  ASSERT_TRUE(replayed);
  EXPECT_EQ(replayed->reliability, e->reliability);
  EXPECT_EQ(replayed->lower90, e->lower90);
  w.g.setAsker(nullptr);
  std::remove(saved.c_str());
}

}  // namespace
}  // namespace zov
