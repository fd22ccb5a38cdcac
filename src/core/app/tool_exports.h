// The forms that test management tools and people read, made from the data
// of plan.json: TestRail's XML, Xray's CSV, TestLink's XML, Gherkin feature
// files, a self-contained HTML report, and any Mustache template over the
// plan's data.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/exports.h"

namespace zov {

// A procedure as a tool takes it: every message of its path, in order, with
// the values its categories were given ("category = value").
struct ToolStep {
  std::string message;
  std::vector<std::pair<std::string, std::string>> settings;  // category, value without the blanks around it
};
struct ToolProcedure {
  ProcedureNames names;
  int testCase = 0;
  std::string testCaseName;  // the diagram's name
  std::string path;
  bool significant = true;
  std::vector<ToolStep> steps;
};
std::vector<ToolProcedure> ToolProcedures(const PlanningSession& g);

// The text a test case's document gives under "PreCondition:", for its path.
std::string Precondition(const PlanningSession& g, int testCase, const std::string& path);

// TestRail: <sections><section> per test case, a <case> per procedure with
// its steps separated (template "Test Case (Steps)") and its id in <refs>.
std::string TestRailXml(const PlanningSession& g);
// Xray: a row per step; the case's columns on its first row only.
std::string XrayCsv(const PlanningSession& g, const CsvStyle& style);
// TestLink: a <testsuite> per test case inside one for the model, a
// <testcase> per procedure with its steps and its id as <externalid>.
std::string TestLinkXml(const PlanningSession& g);
// Gherkin: one Feature per test case, a Scenario Outline per path whose
// Examples are the path's significant procedures. (file name, text) pairs.
std::vector<std::pair<std::string, std::string>> FeatureFiles(const PlanningSession& g);
// One self-contained page: the report, the usage chart as SVG, every test
// case with its paths, documents and procedures.
std::string HtmlReport(const PlanningSession& g);
// The data a template sees: that of plan.json, with the tool steps.
nlohmann::json TemplateData(const PlanningSession& g);
// A Mustache template rendered over TemplateData; refused with why when
// the template is malformed.
Outcome RenderTemplate(const PlanningSession& g, const std::string& text, std::string* out);

}  // namespace zov
