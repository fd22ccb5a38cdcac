// Results back in: the verdicts of the plan's procedures as test tools and
// CI jobs report them, and what they say of the product's reliability for
// its users. The procedures were drawn in proportion to use, so the
// failures they meet estimate the failure rate a user meets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace zov {

class WorkFolder;

inline constexpr const char* kResultsFile = "results.json";
// The largest plan.json or results.json read back: far beyond any plan.
inline constexpr std::uintmax_t kMaxPlanBytes = std::uintmax_t{1} << 30;

enum class Verdict { kPass, kFail, kNotRun };
const char* VerdictName(Verdict v);  // "pass", "fail", "not run"

struct ResultRecord {
  std::string id;  // a procedure id ("5A1000000040-1-001")
  Verdict verdict = Verdict::kNotRun;
  std::string date;  // as the file gives it (ISO 8601 where it does); may be empty
  std::string note;
  std::string file, digest;  // the file it came from, and its 64-bit FNV-1a
  bool stale = false;        // of a procedure the plan no longer has
  bool operator==(const ResultRecord&) const = default;
};

// One file of results: its format ("junit", "testrail", "xray", "csv") and
// its verdicts in file order; a test whose text holds no procedure id is
// counted, not recorded.
struct ResultFile {
  std::string path, format, digest;
  std::vector<ResultRecord> records;
  int withoutId = 0;
};
// The file's format recognised by its content: JUnit XML (testsuites,
// testsuite, testcase with failure, error, skipped; the id in the test's
// name, classname or a property), a TestRail test-run export (CSV with
// Title and Status), a Jira/Xray execution (CSV with Summary and Status or
// TestRun Status), or a plain CSV "id,verdict[,date,note]". Refused with
// "file:line:column: what is wrong" (XML) or "file:line: ..." (CSV).
std::optional<ResultFile> ParseResultFile(std::string_view text, const std::string& path, std::string* error);
std::optional<ResultFile> ReadResultFile(const std::string& path, std::string* error);

// The first procedure id in a text: "[5A1000000040-1-001] Withdraw ..." or
// the id alone; empty when there is none.
std::string FindProcedureId(std::string_view text);

// What the plan's plan.json says that the estimate needs.
struct PlanLeaf {
  std::string key, name, actor, useCase;
  double weight = 0;    // normalised over the leaves not excluded
  std::string diagram;  // the identifier of its test case's diagram; empty when it has none
};
struct PlanForResults {
  std::vector<PlanLeaf> leaves;
  std::vector<std::string> ids;  // every procedure id
};
// Refused with the reason for a plan.json without what is needed.
std::optional<PlanForResults> ReadPlanForResults(const nlohmann::json& plan, std::string* error);

// The verdict of each procedure: the latest by date where both have one,
// else the later one given; records of ids the plan does not know are
// listed apart, and records marked stale count for nothing.
struct Verdicts {
  std::vector<ResultRecord> known;    // one per id, in the plan's order
  std::vector<ResultRecord> unknown;  // ids the plan does not have
  std::vector<ResultRecord> stale;    // of procedures an earlier plan had
};
Verdicts MergeVerdicts(const PlanForResults& plan, const std::vector<ResultRecord>& records);

// The estimate: per leaf n executed procedures (pass + fail) of its test
// case and f failures, failure probability per use p = (f + 1) / (n + 2);
// reliability per use R = sum of w (1 - p); its 90 % lower bound the 10 %
// quantile of R over draws of each leaf's Beta(f + 1, n - f + 1) posterior.
struct LeafEstimate {
  PlanLeaf leaf;
  int executed = 0, failures = 0;
  double p = 0;
};
struct GroupEstimate {
  std::string name;
  double weight = 0, reliability = 0;  // reliability within the group
  double failureShare = 0;             // w p summed over its leaves
  double untested = 0;
};
struct Estimate {
  double reliability = 0, lower90 = 0, untestedShare = 0;
  std::vector<LeafEstimate> leaves;
  std::vector<GroupEstimate> useCases, actors;
  int passed = 0, failed = 0, notRun = 0;
};
inline constexpr int kEstimateDraws = 20000;
Estimate EstimateReliability(const PlanForResults& plan, const std::vector<ResultRecord>& verdicts,
                             int draws = kEstimateDraws, unsigned seed = 1);

// "reliability per use: 0.963 (90 % lower bound 0.912); untested share 0.18"
std::string ReliabilityLine(const Estimate& e);
// The short table "zov results" prints: the line, then the leaves whose
// failures carry the most weight and those untested.
std::string EstimateText(const Estimate& e, const Verdicts& v);

// results.json: the files read, every verdict, the ids not in the plan, the
// estimate and its figures per leaf, use case and actor.
nlohmann::json ResultsJson(const std::vector<ResultFile>& files, const Verdicts& v, const Estimate& e);
// The verdicts a results.json holds, to add to: stale ones stay stale, and
// with a plan those of ids it does not have become stale.
std::vector<ResultRecord> RecordsOf(const nlohmann::json& results, const PlanForResults* plan = nullptr);
std::vector<ResultFile> FilesOf(const nlohmann::json& results);
// Records as a JSON list (id, verdict, date, note), and back: what a
// session keeps of a result file.
std::string RecordsText(const std::vector<ResultRecord>& records);
std::vector<ResultRecord> RecordsFromText(const std::string& text, const std::string& file, const std::string& digest);
// Runs and failures of the procedures of a diagram (by identifier).
std::pair<int, int> RunsOf(const std::vector<ResultRecord>& verdicts, const std::string& diagram);

// The results.json of the folder dir carried into a new plan whose
// plan.json is given: written into staging with the verdicts of the
// procedures the plan still has, the others stale, and the estimate made
// again over the new plan's weights. A damaged file is carried as it is.
// Empty when all went well, else what to warn of.
std::string CarryResults(const std::filesystem::path& dir, const std::string& planJson, WorkFolder& staging);

}  // namespace zov
