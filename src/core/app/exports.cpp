#include "app/exports.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/work_folder.h"
#include "selection/allocation.h"
#include "tree/tag.h"

namespace zov {

namespace {

// Whether a spreadsheet would read the text as a formula: it begins with
// "=", "+", "-", "@", a tab or a carriage return, and is no plain number.
bool Formula(std::string_view text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text[0]) == std::string_view::npos) return false;
  std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9')
      digits = true;
    else if (text[i] == '.' && !point)
      point = true;
    else
      return true;
  }
  return !digits;
}

// A CSV field: quoted when it holds a comma, a quote or a line break. A text
// that a spreadsheet would run as a formula gets a leading "'", so that it
// shows as text; plan.json keeps the text as it is.
std::string CsvField(const std::string& raw) {
  const std::string text = Formula(raw) ? "'" + raw : raw;
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string Unisci(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ",") + n;
  return out;
}

bool Write(WorkFolder& target, const std::string& name, const std::string& text, std::string* error) {
  target.removeFile(name);  // one of ours from an earlier export is made anew
  OutputFile out = target.create(name, CreatedList::kScripts, error);
  if (!out.is_open()) return false;
  out << text;
  return target.close(out, name, error);
}

nlohmann::json Choices(const AttributeRecord& a) {
  nlohmann::json choices = nlohmann::json::array();
  for (int i = 0; i < a.choiceCount && i < static_cast<int>(a.choices.size()); ++i) {
    const ChoiceRecord& c = a.choices[static_cast<std::size_t>(i)];
    nlohmann::json properties = nlohmann::json::array(), selectors = nlohmann::json::array();
    for (int k = 0; k < c.propertyCount && k < static_cast<int>(c.properties.size()); ++k)
      properties.push_back(c.properties[static_cast<std::size_t>(k)]);
    for (int k = 0; k < c.selectorCount && k < static_cast<int>(c.selectors.size()); ++k)
      selectors.push_back(c.selectors[static_cast<std::size_t>(k)]);
    choices.push_back({{"value", c.value}, {"properties", properties}, {"selectors", selectors}});
  }
  return choices;
}

}  // namespace

bool ParseFormats(const std::string& list, Formats& out) {
  out = {false, false, false};
  std::stringstream in(list);
  for (std::string word; std::getline(in, word, ',');) {
    if (word == "text")
      out.text = true;
    else if (word == "csv")
      out.csv = true;
    else if (word == "json")
      out.json = true;
    else
      return false;
  }
  return out.text || out.csv || out.json;
}

std::string ProceduresCsv(const PlanningSession& g) {
  std::string out = "test case,path,procedure,significant,message,category,value,properties,selectors\r\n";
  for (const GeneratedProcedure& p : g.procedures) {
    const TestCaseRecord* r = g.specification.table.cases.size() > static_cast<std::size_t>(p.testCase)
                                  ? &g.specification.table.cases[static_cast<std::size_t>(p.testCase)]
                                  : nullptr;
    const std::string head = CsvField(WithoutTrailingBlanks(r != nullptr ? r->name : std::string())) + ',' +
                             CsvField(p.path) + ',' + std::to_string(p.number) + ',' +
                             (p.significant ? "true" : "false") + ',';
    for (const ProcedureStep& s : p.steps)
      out += head + CsvField(s.message) + ',' + CsvField(s.category) + ',' + CsvField(s.value) + ',' +
             CsvField(Unisci(s.properties)) + ',' + CsvField(Unisci(s.selectors)) + "\r\n";
  }
  return out;
}

std::string PlanJson(const PlanningSession& g) {
  nlohmann::json plan;
  plan["format"] = "zov-plan";
  plan["version"] = 1;
  plan["model"] = std::filesystem::path(g.filemdl).filename().string();
  // The selection tree's leaves with their absolute weights and allotments.
  nlohmann::json selection = nlohmann::json::array();
  const Tree& leaves = g.TV(kSelectionTree);
  for (NodeId id : leaves.collection()) {
    const Node& n = leaves.node(id);
    if (n.children != 0 || n.parent == kNoNode) continue;
    selection.push_back({{"key", n.key},
                         {"name", EstraiNome(n.text)},
                         {"weight", LeggiTag(n.tag).weight},
                         {"procedures", LeggiNTP(n.text)},
                         {"excluded", n.foreColor == kExcludedFore}});
  }
  plan["selection"] = selection;
  nlohmann::json cases = nlohmann::json::array();
  for (int i = 1; i <= g.specification.table.count(); ++i) {
    const TestCaseRecord& r = g.specification.table.cases[static_cast<std::size_t>(i)];
    nlohmann::json paths = nlohmann::json::array();
    for (const MessageRecord& m : r.messages) {
      if (paths.empty() || paths.back()["name"] != m.pathName)
        paths.push_back({{"name", m.pathName}, {"messages", nlohmann::json::array()}});
      nlohmann::json message = {{"label", m.sequenceLabel}, {"name", m.name}, {"level", m.level}};
      if (m.conditionKind != ConditionKind::kNoCondition)
        message["condition"] = {{"kind", m.conditionKind == ConditionKind::kIf ? "if" : "else"}, {"text", m.condition}};
      nlohmann::json own = nlohmann::json::array();
      for (int k = 0; k < m.ownChoiceCount && k < static_cast<int>(m.ownChoices.size()); ++k)
        own.push_back(m.ownChoices[static_cast<std::size_t>(k)]);
      message["interactions"] = own;
      nlohmann::json settings = nlohmann::json::array();
      for (int k = 0; k < m.attributeCount && k < static_cast<int>(m.attributes.size()); ++k) {
        const AttributeRecord& a = m.attributes[static_cast<std::size_t>(k)];
        settings.push_back({{"parameter", a.name}, {"type", a.type}, {"choices", Choices(a)}});
      }
      message["settings"] = settings;
      paths.back()["messages"].push_back(message);
    }
    cases.push_back(
        {{"number", i}, {"name", WithoutTrailingBlanks(r.name)}, {"allotted", r.allotted}, {"paths", paths}});
  }
  plan["testCases"] = cases;
  nlohmann::json procedures = nlohmann::json::array();
  for (const GeneratedProcedure& p : g.procedures) {
    nlohmann::json steps = nlohmann::json::array();
    for (const ProcedureStep& s : p.steps)
      steps.push_back({{"message", s.message},
                       {"category", s.category},
                       {"value", s.value},
                       {"properties", s.properties},
                       {"selectors", s.selectors}});
    procedures.push_back({{"testCase", p.testCase},
                          {"path", p.path},
                          {"number", p.number},
                          {"significant", p.significant},
                          {"steps", steps}});
  }
  plan["procedures"] = procedures;
  // Invalid UTF-8 from a model is replaced rather than refused.
  return plan.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

Outcome ExportPlan(const PlanningSession& g, WorkFolder& target, const Formats& f, std::vector<std::string>* names) {
  std::string error;
  const auto write = [&](const std::string& name, const std::string& text) {
    if (!Write(target, name, text, &error)) return false;
    if (names != nullptr) names->push_back(name);
    return true;
  };
  const WorkFolder* work = g.outputFolder();
  if (f.text && work != nullptr && work->dir() != target.dir()) {
    for (const std::string& file : work->files(CreatedList::kScripts)) {
      const auto lines = work->readLines(file);
      if (!lines) continue;
      std::string text;
      for (const std::string& l : *lines) text += l + '\n';
      if (!write(file, text)) return Outcome::Refused(error);
    }
  }
  if (f.csv && !write(kProceduresFile, ProceduresCsv(g))) return Outcome::Refused(error);
  if (f.json && !write(kPlanFile, PlanJson(g))) return Outcome::Refused(error);
  return {};
}

Outcome KeepFormats(const PlanningSession& g, const Formats& f) {
  WorkFolder* work = g.outputFolder();
  if (work == nullptr) return {};
  if (!f.text) {
    const std::vector<std::string> text = work->files(CreatedList::kScripts);
    for (const std::string& file : text) work->removeFile(file);
  }
  return ExportPlan(g, *work, {false, f.csv, f.json});
}

}  // namespace zov
