#include "app/tool_exports.h"

#include <kainjow/mustache.hpp>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "model/work_folder.h"
#include "selection/allocation.h"
#include "selection/usage_chart.h"

namespace zov {

namespace {

// Text as XML 1.0 and every importer take it: valid UTF-8 (a byte that
// starts no valid sequence becomes U+FFFD) without the control characters
// XML forbids.
std::string Clean(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= in.size();
    for (int k = 1; valid && k < length; ++k)
      valid = (static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]) & 0xC0) == 0x80;
    if (valid && length == 3) {
      const auto c1 = static_cast<unsigned char>(in[i + 1]);
      valid = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);  // overlong, surrogates
    } else if (valid && length == 4) {
      const auto c1 = static_cast<unsigned char>(in[i + 1]);
      valid = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (valid) {
      out.append(in.substr(i, static_cast<std::size_t>(length)));
      i += static_cast<std::size_t>(length);
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

// An XML declaration naming the encoding, as importers expect.
pugi::xml_document XmlDocument() {
  pugi::xml_document doc;
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  return doc;
}

std::string Xml(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

void Child(pugi::xml_node parent, const char* name, const std::string& text) {
  parent.append_child(name).text().set(Clean(text).c_str());
}

std::string Html(std::string_view text) {
  std::string out;
  for (char c : Clean(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Settings(const ToolStep& s) {
  std::string text;
  for (const auto& [category, value] : s.settings) text += (text.empty() ? "" : "\n") + category + " = " + value;
  return text;
}

// What a step asks: the message, then its values, one a line.
std::string StepText(const ToolStep& s) {
  const std::string settings = Settings(s);
  return s.message + (settings.empty() ? "" : "\n" + settings);
}

// The test cases of the procedures, in order, with their procedures.
std::vector<std::pair<int, std::vector<const ToolProcedure*>>> ByTestCase(const std::vector<ToolProcedure>& all) {
  std::vector<std::pair<int, std::vector<const ToolProcedure*>>> groups;
  for (const ToolProcedure& p : all) {
    if (groups.empty() || groups.back().first != p.testCase)
      groups.emplace_back(p.testCase, std::vector<const ToolProcedure*>());
    groups.back().second.push_back(&p);
  }
  return groups;
}

std::string CaseName(const PlanningSession& g, int testCase) {
  const auto& cases = g.specification.table.cases;
  return static_cast<std::size_t>(testCase) < cases.size() ? Trimmed(cases[static_cast<std::size_t>(testCase)].name)
                                                           : std::string();
}

// "SD3 Deposit envelope".
std::string SectionName(const PlanningSession& g, int testCase) {
  return "SD" + std::to_string(testCase) + " " + CaseName(g, testCase);
}

}  // namespace

std::vector<ToolProcedure> ToolProcedures(const PlanningSession& g) {
  const std::vector<ProcedureNames> names = NamesOfProcedures(g);
  std::vector<ToolProcedure> out;
  out.reserve(g.procedures.size());
  for (std::size_t i = 0; i < g.procedures.size(); ++i) {
    const GeneratedProcedure& p = g.procedures[i];
    ToolProcedure t;
    t.names = names[i];
    t.testCase = p.testCase;
    t.testCaseName = CaseName(g, p.testCase);
    t.path = p.path;
    t.significant = p.significant;
    const auto& cases = g.specification.table.cases;
    if (static_cast<std::size_t>(p.testCase) < cases.size()) {
      // Every message of the path, with the values of its categories.
      std::map<int, std::size_t> stepOf;  // message record -> step
      const std::vector<MessageRecord>& messages = cases[static_cast<std::size_t>(p.testCase)].messages;
      for (std::size_t m = 0; m < messages.size(); ++m) {
        if (messages[m].pathName != p.path) continue;
        stepOf[static_cast<int>(m)] = t.steps.size();
        t.steps.push_back({Trimmed(messages[m].name), {}});
      }
      for (const ProcedureStep& s : p.steps) {
        const auto step = stepOf.find(s.messageIndex);
        if (step != stepOf.end()) t.steps[step->second].settings.emplace_back(Trimmed(s.category), Trimmed(s.value));
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

std::string Precondition(const PlanningSession& g, int testCase, const std::string& path) {
  const auto doc = g.specification.documentByPath.find(PathKey(testCase, path));
  const WorkFolder* folder = g.outputFolder();
  if (doc == g.specification.documentByPath.end() || folder == nullptr) return {};
  const auto lines = folder->readLines(doc->second);
  if (!lines) return {};
  std::string text;
  bool inside = false;
  for (const std::string& line : *lines) {
    if (line.rfind(" PreCondition:", 0) == 0) {
      inside = true;
      continue;
    }
    if (line.rfind(" Flow of Event:", 0) == 0) break;
    if (inside && !Trimmed(line).empty()) text += (text.empty() ? "" : "\n") + Trimmed(line);
  }
  return text;
}

std::string TestRailXml(const PlanningSession& g) {
  pugi::xml_document doc = XmlDocument();
  pugi::xml_node sections = doc.append_child("sections");
  const std::vector<ToolProcedure> all = ToolProcedures(g);
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    pugi::xml_node section = sections.append_child("section");
    Child(section, "name", SectionName(g, testCase));
    pugi::xml_node cases = section.append_child("cases");
    for (const ToolProcedure* p : procedures) {
      pugi::xml_node c = cases.append_child("case");
      Child(c, "title", p->names.title);
      Child(c, "template", "Test Case (Steps)");
      Child(c, "refs", p->names.id);
      pugi::xml_node custom = c.append_child("custom");
      Child(custom, "preconds", Precondition(g, testCase, p->path));
      pugi::xml_node steps = custom.append_child("steps_separated");
      int index = 0;
      for (const ToolStep& s : p->steps) {
        pugi::xml_node step = steps.append_child("step");
        Child(step, "index", std::to_string(++index));
        Child(step, "content", StepText(s));
        Child(step, "expected", "");
      }
    }
  }
  return Xml(doc);
}

std::string XrayCsv(const PlanningSession& g, const CsvStyle& style) {
  const char d = style.delimiter;
  std::string out = style.bom ? "\xEF\xBB\xBF" : "";
  out += std::string("Test Case Identifier") + d + "Summary" + d + "Action" + d + "Data" + d + "Expected Result\r\n";
  for (const ToolProcedure& p : ToolProcedures(g)) {
    bool first = true;
    for (const ToolStep& s : p.steps) {
      out += (first ? CsvField(Clean(p.names.id), d) + d + CsvField(Clean(p.names.title), d) : std::string(1, d));
      out += d + CsvField(Clean(s.message), d) + d + CsvField(Clean(Settings(s)), d) + d + "\r\n";
      first = false;
    }
  }
  return out;
}

std::string TestLinkXml(const PlanningSession& g) {
  pugi::xml_document doc = XmlDocument();
  pugi::xml_node top = doc.append_child("testsuite");
  top.append_attribute("name").set_value(Clean(std::filesystem::path(g.filemdl).filename().string()).c_str());
  const std::vector<ToolProcedure> all = ToolProcedures(g);
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    pugi::xml_node suite = top.append_child("testsuite");
    suite.append_attribute("name").set_value(Clean(SectionName(g, testCase)).c_str());
    for (const ToolProcedure* p : procedures) {
      pugi::xml_node c = suite.append_child("testcase");
      c.append_attribute("name").set_value(Clean(p->names.title).c_str());
      Child(c, "externalid", p->names.id);
      Child(c, "summary", p->names.section + (p->significant ? "" : " (insignificant: conflicting values choices)"));
      Child(c, "preconditions", Precondition(g, testCase, p->path));
      Child(c, "execution_type", "1");
      pugi::xml_node steps = c.append_child("steps");
      int number = 0;
      for (const ToolStep& s : p->steps) {
        pugi::xml_node step = steps.append_child("step");
        Child(step, "step_number", std::to_string(++number));
        Child(step, "actions", StepText(s));
        Child(step, "expectedresults", "");
        Child(step, "execution_type", "1");
      }
    }
  }
  return Xml(doc);
}

std::vector<std::pair<std::string, std::string>> FeatureFiles(const PlanningSession& g) {
  // A table cell or a placeholder keeps to one line, "|" escaped.
  const auto cell = [](std::string text) {
    std::string out;
    for (char c : Clean(text)) {
      if (c == '|' || c == '\\') out.push_back('\\');
      out.push_back(c == '\n' || c == '\r' ? ' ' : c);
    }
    return out;
  };
  const auto placeholderName = [](std::string text) {
    for (char& c : text)
      if (c == '<' || c == '>' || c == '|' || c == '\n' || c == '\r') c = '_';
    return text;
  };
  std::vector<std::pair<std::string, std::string>> files;
  const std::unordered_map<int, std::string> diagrams = DiagramsByNumber(g.specification);
  const auto diagram = [&diagrams](int testCase) {
    const auto d = diagrams.find(testCase);
    return d == diagrams.end() ? std::string() : d->second;
  };
  const std::vector<ToolProcedure> all = ToolProcedures(g);
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    std::string text = "Feature: " + cell(CaseName(g, testCase)) + "\n  Test case SD" + std::to_string(testCase) +
                       " of " + cell(std::filesystem::path(g.filemdl).filename().string()) + ", diagram " +
                       diagram(testCase) + "\n";
    std::size_t k = 0;
    while (k < procedures.size()) {
      const std::string& path = procedures[k]->path;
      std::size_t end = k;
      while (end < procedures.size() && procedures[end]->path == path) ++end;
      // The placeholders of the path, in step order, unique.
      const ToolProcedure& first = *procedures[k];
      std::vector<std::string> columns;
      std::unordered_set<std::string> used;
      text += "\n  Scenario Outline: path " + cell(path) + "\n";
      for (const ToolStep& s : first.steps) {
        std::string line = "    When " + cell(s.message);
        for (const auto& setting : s.settings) {
          std::string name = placeholderName(s.message + "." + setting.first);
          for (int n = 2; !used.insert(name).second; ++n)
            name = placeholderName(s.message + "." + setting.first) + "#" + std::to_string(n);
          columns.push_back(name);
          line += " <" + name + ">";
        }
        text += line + "\n";
      }
      text += "\n    Examples:\n      | id |";
      for (const std::string& c : columns) text += " " + cell(c) + " |";
      text += "\n";
      for (std::size_t i = k; i < end; ++i) {
        const ToolProcedure& p = *procedures[i];
        if (!p.significant) continue;
        text += "      | " + cell(p.names.id) + " |";
        for (const ToolStep& s : p.steps)
          for (const auto& setting : s.settings) text += " " + cell(setting.second) + " |";
        text += "\n";
      }
      k = end;
    }
    std::string name = diagram(testCase) + "_" + CaseName(g, testCase) + ".feature";
    for (char& c : name)
      if (c == ' ' || c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) c = '-';
    files.emplace_back(name, text);
  }
  return files;
}

std::string HtmlReport(const PlanningSession& g) {
  const std::string model = std::filesystem::path(g.filemdl).filename().string();
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Test plan of " +
                  Html(model) +
                  "</title>\n<style>\n"
                  "body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}\n"
                  "h1{color:#1a4d80}h2{border-bottom:2px solid #1a4d80;color:#1a4d80}h3{color:#333}\n"
                  "table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #bbb;padding:2px 6px;"
                  "text-align:left;vertical-align:top}th{background:#e4ecf5}\n"
                  "td.n{text-align:right}.why{color:#a33}pre{background:#f6f6f6;padding:.5em;overflow:auto}\n"
                  "nav a{margin-right:1em}.insignificant{color:#888}\n"
                  "</style>\n</head>\n<body>\n<h1>Test plan of " +
                  Html(model) + "</h1>\n";
  const Provenance made = ProvenanceOf(g);
  h += "<p>" + Html(made.program) + ", seed " + std::to_string(made.seed) + " (repeat with <code>--seed " +
       std::to_string(made.seed) + "</code>), model " + Html(made.model) + " (" + std::to_string(made.size) +
       " bytes, FNV-1a " + Html(made.hash) + ")</p>\n";
  // The test cases, as links.
  const std::vector<ToolProcedure> all = ToolProcedures(g);
  // Every test case generated, also those that gave no procedure.
  std::vector<std::pair<int, std::vector<const ToolProcedure*>>> groups;
  const auto byCase = ByTestCase(all);
  if (g.planReport) {
    for (const PlanReport::TestCase& t : g.planReport->testCases) {
      const auto found =
          std::find_if(byCase.begin(), byCase.end(), [&t](const auto& c) { return c.first == t.number; });
      groups.emplace_back(t.number, found == byCase.end() ? std::vector<const ToolProcedure*>() : found->second);
    }
  } else {
    groups = byCase;
  }
  h += "<nav>";
  for (const auto& [testCase, procedures] : groups)
    h += "<a href=\"#sd" + std::to_string(testCase) + "\">" + Html(SectionName(g, testCase)) + "</a>";
  h += "</nav>\n";

  // The report.
  if (g.planReport) {
    const PlanReport& r = *g.planReport;
    h += "<h2 id=\"report\">Plan report</h2>\n<p>" + std::to_string(r.allotted) + " test procedures allotted, " +
         std::to_string(r.generated) + " written (" + std::to_string(r.insignificant) + " insignificant, " +
         std::to_string(r.duplicates) + " repeated), " + std::to_string(r.useful()) + " useful. " + Html(r.weightsSum) +
         "</p>\n";
    for (const std::string& w : r.warnings) h += "<p class=\"why\">" + Html(w) + "</p>\n";
    h += "<table><tr><th>Leaf</th><th>Section</th><th>Allotted</th><th>Useful</th><th>Why fewer</th></tr>\n";
    for (const PlanReport::Leaf& l : r.leaves) {
      const std::string name =
          l.testCase > 0 ? "<a href=\"#sd" + std::to_string(l.testCase) + "\">" + Html(l.name) + "</a>" : Html(l.name);
      h += "<tr><td>" + name + "</td><td>" + Html(l.section) + "</td><td class=\"n\">" + std::to_string(l.allotted) +
           "</td><td class=\"n\">" + std::to_string(l.generated) + "</td><td class=\"why\">" + Html(l.reason) +
           "</td></tr>\n";
    }
    h += "</table>\n";
  }

  // The usage chart: each leaf's absolute weight and procedures, heaviest first.
  const UsageChartData chart = ComputeUsageChart(g.TV(kSelectionTree), g.coverageUsed);
  if (!chart.leaves.empty()) {
    const int rowHeight = 22, labelWidth = 260, barWidth = 300;
    const int height = rowHeight * static_cast<int>(chart.leaves.size()) + 30;
    const double heaviest = std::max(1e-9, static_cast<double>(chart.heaviestWeight()));
    const double most = std::max(1, chart.mostProcedures());
    h += "<h2 id=\"chart\">Usage chart</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
         std::to_string(labelWidth + 2 * barWidth + 40) + "\" height=\"" + std::to_string(height) +
         "\" role=\"img\" aria-label=\"usage chart\">\n"
         "<text x=\"" +
         std::to_string(labelWidth) + "\" y=\"14\" font-size=\"12\">absolute weight</text><text x=\"" +
         std::to_string(labelWidth + barWidth + 20) + "\" y=\"14\" font-size=\"12\">test procedures</text>\n";
    int y = 24;
    for (std::size_t i = 0; i < chart.leaves.size(); ++i, y += rowHeight) {
      const UsageLeaf& l = chart.leaves[i];
      const bool cut = l.belowCut;
      const int weight = static_cast<int>(std::lround(barWidth * l.weight / heaviest));
      const int procedures = static_cast<int>(std::lround(barWidth * l.procedure / most));
      const std::string label = l.label.size() > 40 ? l.label.substr(0, 38) + "..." : l.label;
      h += "<text x=\"0\" y=\"" + std::to_string(y + 13) + "\" font-size=\"12\"><title>" + Html(l.label) + "</title>" +
           Html(label) + "</text>\n<rect x=\"" + std::to_string(labelWidth) + "\" y=\"" + std::to_string(y) +
           "\" width=\"" + std::to_string(std::max(1, weight)) + "\" height=\"16\" fill=\"" +
           (cut ? "#bbbbbb" : "#2f6fb0") + "\"/>\n<rect x=\"" + std::to_string(labelWidth + barWidth + 20) + "\" y=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(std::max(1, procedures)) + "\" height=\"16\" fill=\"" +
           (cut ? "#bbbbbb" : "#3c9a4a") + "\"/>\n<text x=\"" +
           std::to_string(labelWidth + barWidth + 24 + std::max(1, procedures)) + "\" y=\"" + std::to_string(y + 13) +
           "\" font-size=\"11\">" + std::to_string(l.procedure) + "</text>\n";
    }
    h += "</svg>\n";
  }

  // Every test case with its paths, documents and procedures.
  for (const auto& [testCase, procedures] : groups) {
    h += "<h2 id=\"sd" + std::to_string(testCase) + "\">" + Html(SectionName(g, testCase)) + "</h2>\n";
    // The paths: those the report lists (with no procedure too), else those of the procedures.
    std::vector<std::pair<std::string, std::string>> paths;  // name, why fewer
    if (g.planReport)
      for (const PlanReport::TestCase& t : g.planReport->testCases)
        if (t.number == testCase) {
          h += "<p>Diagram " + Html(t.diagram) + ": " + std::to_string(t.allotted) + " allotted, " +
               std::to_string(t.useful()) + " useful" +
               (t.reason.empty() ? "" : " <span class=\"why\">(" + Html(t.reason) + ")</span>") + "</p>\n";
          for (const PlanReport::Path& p : t.paths) paths.emplace_back(p.name, p.reason);
        }
    for (const ToolProcedure* p : procedures)
      if (std::none_of(paths.begin(), paths.end(), [p](const auto& x) { return x.first == p->path; }))
        paths.emplace_back(p->path, std::string());
    for (const auto& [path, why] : paths) {
      const std::string anchor = "sd" + std::to_string(testCase) + "-" + path;
      h += "<h3 id=\"" + Html(anchor) + "\">Path " + Html(path) + "</h3>\n";
      if (!why.empty()) h += "<p class=\"why\">" + Html(why) + "</p>\n";
      const auto doc = g.specification.documentByPath.find(PathKey(testCase, path));
      const WorkFolder* folder = g.outputFolder();
      if (doc != g.specification.documentByPath.end() && folder != nullptr)
        if (const auto lines = folder->readLines(doc->second)) {
          h += "<details><summary>Document " + Html(doc->second) + "</summary><pre>";
          for (const std::string& line : *lines) h += Html(line) + "\n";
          h += "</pre></details>\n";
        }
      bool any = false;
      for (const ToolProcedure* pp : procedures) {
        const ToolProcedure& p = *pp;
        if (p.path != path) continue;
        if (!any) h += "<table><tr><th>Id</th><th>Title</th><th>Steps</th></tr>\n";
        any = true;
        h += std::string("<tr") + (p.significant ? "" : " class=\"insignificant\"") + " id=\"" + Html(p.names.id) +
             "\"><td><a href=\"#" + Html(anchor) + "\">" + Html(p.names.id) + "</a></td><td>" + Html(p.names.title) +
             (p.significant ? "" : " (insignificant)") + "</td><td>";
        for (const ToolStep& s : p.steps) {
          h += Html(s.message);
          for (const auto& [category, value] : s.settings)
            h += "<br>&nbsp;&nbsp;" + Html(category) + " = " + Html(value);
          h += "<br>";
        }
        h += "</td></tr>\n";
      }
      h += any ? "</table>\n" : "<p>No test procedure.</p>\n";
    }
  }
  h += "</body>\n</html>\n";
  return h;
}

nlohmann::json TemplateData(const PlanningSession& g) {
  nlohmann::json data = nlohmann::json::parse(PlanJson(g));
  nlohmann::json cases = nlohmann::json::array();
  const std::vector<ToolProcedure> all = ToolProcedures(g);
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    nlohmann::json list = nlohmann::json::array();
    for (const ToolProcedure* p : procedures) {
      nlohmann::json steps = nlohmann::json::array();
      int number = 0;
      for (const ToolStep& s : p->steps) {
        nlohmann::json settings = nlohmann::json::array();
        for (const auto& [category, value] : s.settings) settings.push_back({{"category", category}, {"value", value}});
        steps.push_back({{"number", ++number}, {"message", s.message}, {"settings", settings}});
      }
      list.push_back({{"id", p->names.id},
                      {"title", p->names.title},
                      {"section", p->names.section},
                      {"path", p->path},
                      {"significant", p->significant},
                      {"steps", steps}});
    }
    cases.push_back({{"number", testCase},
                     {"testCaseNumber", "SD" + std::to_string(testCase)},
                     {"name", CaseName(g, testCase)},
                     {"procedures", list}});
  }
  data["cases"] = cases;
  return data;
}

namespace {

kainjow::mustache::data MustacheData(const nlohmann::json& j) {
  using kainjow::mustache::data;
  switch (j.type()) {
    case nlohmann::json::value_t::object: {
      data d{data::type::object};
      for (const auto& [key, value] : j.items()) d.set(key, MustacheData(value));
      return d;
    }
    case nlohmann::json::value_t::array: {
      kainjow::mustache::list l;
      for (const auto& value : j) l.push_back(MustacheData(value));
      return data{l};
    }
    case nlohmann::json::value_t::boolean: return data{j.get<bool>()};
    case nlohmann::json::value_t::string: return data{j.get<std::string>()};
    case nlohmann::json::value_t::null: return data{false};
    default: return data{j.dump()};
  }
}

}  // namespace

Outcome RenderTemplate(const PlanningSession& g, const std::string& text, std::string* out) {
  kainjow::mustache::mustache tmpl{text};
  if (!tmpl.is_valid()) return Outcome::Refused(tmpl.error_message());
  *out = tmpl.render(MustacheData(TemplateData(g)));
  if (!tmpl.is_valid()) return Outcome::Refused(tmpl.error_message());
  return {};
}

}  // namespace zov
