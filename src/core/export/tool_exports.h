// The forms that test management tools and people read, made from the data
// of plan.json: TestRail's XML, Xray's CSV, TestLink's XML, Gherkin feature
// files, a self-contained HTML report, and any Mustache template over the
// plan's data.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "export/exports.h"
#include "results/results.h"

namespace zov {

// A procedure as a tool takes it: every message of its path, in order, with
// the values its categories were given ("category = value"), who sends it
// to whom, and whether the tester's side sends it (an action) or neither
// end is the tester's side (internal).
struct ToolStep {
  std::string message;
  std::vector<std::pair<std::string, std::string>> settings;  // category, value without the blanks around it
  std::string from, to;                                       // the lifelines' names
  bool action = false, internal = false;
};
// An action of the tester and what it is expected to bring: the messages
// after it up to the next action (places in the procedure's steps).
struct ToolAction {
  std::size_t action = 0;
  std::vector<std::size_t> expected;
};
// The tester's side of a diagram: its lifelines that the UIT tree shows as
// actors, an object without a class (a lifeline typed by nothing) or one
// of a class stereotyped "Actor". A path with a message sent from there is
// run as actions, each with its expected result; the messages before the
// first action are its precondition. A path without one (a diagram without
// the tester's side, or only messages it receives) has no actions: every
// message is a step, as the steps say.
struct ToolProcedure {
  ProcedureNames names;
  int testCase = 0;
  std::string testCaseName;  // the diagram's name
  std::string path;
  bool significant = true;
  std::vector<ToolStep> steps;
  std::vector<std::size_t> precondition;
  std::vector<ToolAction> actions;
  // A negative procedure: "amount = -5", and the step whose message holds it.
  std::string invalid;
  std::size_t invalidStep = 0;
  // The ids of the requirements it verifies (those of its test case).
  std::vector<std::string> requirements;
};
// "validatePin", or "controller → account: withdraw" for an internal one,
// then its values in brackets: "(amount = 50, notes = 2)".
std::string ExpectedLine(const ToolStep& s);
std::vector<ToolProcedure> ToolProcedures(const PlanningSession& session);

// The text a test case's document gives under "PreCondition:", for its path.
std::string Precondition(const PlanningSession& session, int testCase, const std::string& path);
// That text, then the messages of the procedure before its first action.
std::string ProcedurePrecondition(const PlanningSession& session, const ToolProcedure& p);

// The longest titles and names the tools take, in characters.
inline constexpr std::size_t kTestRailTitle = 250, kJiraSummary = 255, kTestLinkName = 100;
// Text on one line, valid UTF-8, cut to at most `most` characters between
// two characters, an ellipsis marking the cut.
std::string ShortenedName(const std::string& text, std::size_t most);
// "[5A1000000040-1-001] Withdraw Cash - main flow / 1 / 1", shortened so:
// the id comes first, so that it survives any cut.
std::string TitleWithId(const std::string& id, const std::string& title, std::size_t most);

// TestRail: <sections><section> per test case, a <case> per procedure with
// the id at the start of its title, its steps separated (template "Test
// Case (Steps)") and empty references.
std::string TestRailXml(const PlanningSession& session);
// Xray: a row per step, each with the procedure id (which groups a test's
// rows) and the test type; summary and labels (the id) on its first row.
std::string XrayCsv(const PlanningSession& session, const CsvStyle& style);
// TestLink: a <testsuite> per test case inside one for the model, a
// <testcase> per procedure named after its id and title, the id also a
// keyword; the fields TestLink shows as HTML are escaped text in CDATA.
std::string TestLinkXml(const PlanningSession& session);
// Gherkin: one Feature per test case, a Scenario Outline per path whose
// Examples are the path's significant procedures. (file name, text) pairs.
std::vector<std::pair<std::string, std::string>> FeatureFiles(const PlanningSession& session);
// One self-contained page: the report, the usage chart as SVG, every test
// case with its paths, documents and procedures.
std::string HtmlReport(const PlanningSession& session);
// The page's template (report.html.mustache, built in) and its data, as
// "page" in TemplateData: a copy of the template given to --template
// renders the same page, restyled as the copy says.
extern const std::string_view kReportTemplate;
nlohmann::json HtmlReportData(const PlanningSession& session);
// The report's Results section: its data from an estimate and the verdicts
// (a failing procedure's path and values by its id), the section rendered
// from the report's template, and a report page with it in place (an
// earlier one replaced); nullopt for a page that is not a plan's report.
struct FailingProcedure {
  std::string path, values;
};
nlohmann::json ResultsSectionData(const Estimate& e, const Verdicts& verdicts,
                                  const std::unordered_map<std::string, FailingProcedure>& procedures);
std::string ResultsSection(const nlohmann::json& data);
std::optional<std::string> WithResultsSection(std::string page, const std::string& section);
// The data a template sees: that of plan.json, with the tool steps.
nlohmann::json TemplateData(const PlanningSession& session);
// A template's output file: its name without ".mustache".
std::string TemplateOutputName(const std::string& templateFile);
// Refused, saying why, when the template's output would take the name of a
// file a plan writes (a document, a script, an export, the manifest).
Outcome TemplateNameFree(const std::string& templateFile);
// What a file of this name in a plan folder is (the plan's plan.json, a test
// script of the plan, a name the folder keeps for itself ...): empty for a
// name no plan writes by a fixed rule. Documents named after their
// diagram's identifier ("--names stable") follow no such rule.
std::string PlanFileKind(std::string_view name);
// Whether file lies directly in the folder dir (either may not exist yet).
bool InsideFolder(const std::string& file, const std::filesystem::path& dir);
// A session to be saved into the output folder of its plan is refused when
// its name is one the plan writes or keeps for itself: the plan would
// replace it, or it would stand in the plan's way.
Outcome SessionNameFree(const std::string& sessionFile, const std::filesystem::path& outDir,
                        const std::string& templateFile);
// The template's text, read and checked: refused with the file's name and
// what is wrong when it cannot be read, is malformed or nests its sections
// deeper than kTemplateDepth.
inline constexpr int kTemplateDepth = 64;
Outcome ReadTemplate(const std::string& templateFile, std::string* text);
// A Mustache template rendered over TemplateData; refused with why when
// the template is malformed or its output would pass `most` bytes.
inline constexpr std::size_t kTemplateOutput = std::size_t{1} << 30;
Outcome RenderTemplate(const PlanningSession& session, const std::string& text, std::string* out,
                       std::size_t most = kTemplateOutput);

}  // namespace zov
