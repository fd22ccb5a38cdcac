#include "export/exports.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "export/tool_exports.h"
#include "files/input_file.h"
#include "files/work_folder.h"
#include "selection/allocation.h"
#include "traceability/traceability.h"
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

}  // namespace

// plan.json keeps a formula's text as it is.
std::string CsvField(const std::string& raw, char delimiter) {
  const std::string text = Formula(raw) ? "'" + raw : raw;
  if (text.find_first_of("\"\r\n") == std::string::npos && text.find(delimiter) == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

namespace {

std::string Unisci(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ",") + n;
  return out;
}

// Requirement ids in one field, as TestRail's references take them.
std::string Joined(const std::vector<std::string>& ids) {
  std::string out;
  for (const std::string& id : ids) out += (out.empty() ? "" : ", ") + id;
  return out;
}

// Writes the file name of target with what write puts out.
bool WriteWith(WorkFolder& target, const std::string& name, const std::function<void(std::ostream&)>& write,
               std::string* error) {
  target.removeFile(name);  // one of ours from an earlier export is made anew
  OutputFile out = target.create(name, CreatedList::kScripts, error);
  if (!out.is_open()) return false;
  write(out);
  return target.close(out, name, error);
}

bool Write(WorkFolder& target, const std::string& name, const std::string& text, std::string* error) {
  return WriteWith(
      target, name, [&text](std::ostream& out) { out << text; }, error);
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

namespace {
struct FormatWord {
  const char* word;
  bool Formats::*flag;
};
constexpr FormatWord kFormatWords[] = {{"text", &Formats::text},       {"csv", &Formats::csv},
                                       {"json", &Formats::json},       {"testrail-xml", &Formats::testrail},
                                       {"xray-csv", &Formats::xray},   {"testlink-xml", &Formats::testlink},
                                       {"feature", &Formats::feature}, {"html", &Formats::html}};
}  // namespace

std::vector<std::string> FormatWordList() {
  std::vector<std::string> words;
  for (const FormatWord& w : kFormatWords) words.emplace_back(w.word);
  return words;
}

std::string FormatWords() {
  std::string words;
  for (const std::string& w : FormatWordList()) words += (words.empty() ? "" : ", ") + w;
  return words;
}

std::vector<std::pair<std::string, bool>> FormatChoices(const Formats& f) {
  std::vector<std::pair<std::string, bool>> choices;
  for (const FormatWord& w : kFormatWords) choices.emplace_back(w.word, f.*w.flag);
  return choices;
}

void SetFormatChoices(Formats& f, const std::vector<std::pair<std::string, bool>>& choices) {
  for (const auto& [word, on] : choices)
    for (const FormatWord& w : kFormatWords)
      if (word == w.word) f.*w.flag = on;
}

bool ParseFormats(const std::string& list, Formats& out) {
  for (const FormatWord& w : kFormatWords) out.*w.flag = false;
  std::stringstream in(list);
  bool any = false;
  for (std::string word; std::getline(in, word, ',');) {
    const auto w = std::find_if(std::begin(kFormatWords), std::end(kFormatWords),
                                [&word](const FormatWord& f) { return word == f.word; });
    if (w == std::end(kFormatWords)) return false;
    out.*w->flag = true;
    any = true;
  }
  return any;
}

std::string FormatList(const Formats& f) {
  std::string list;
  for (const FormatWord& w : kFormatWords)
    if (f.*w.flag) list += (list.empty() ? "" : ",") + std::string(w.word);
  return list;
}

void ForEachProcedureName(const PlanningSession& session,
                          const std::function<void(std::size_t, const ProcedureNames&)>& f) {
  const std::unordered_map<int, std::string> diagramOf = DiagramsByNumber(session.work().specification);
  std::unordered_map<int, std::string> sectionOf;
  if (session.work().planReport)
    for (const PlanReport::Leaf& l : session.work().planReport->leaves)
      if (l.testCase > 0) sectionOf.try_emplace(l.testCase, l.section);
  int testCase = -1;
  std::string path;
  int position = 0;
  char number[32];
  ProcedureNames n;
  for (std::size_t i = 0; i < session.work().procedures.size(); ++i) {
    const GeneratedProcedure& p = session.work().procedures[i];
    if (p.testCase != testCase || p.path != path) {
      testCase = p.testCase;
      path = p.path;
      position = 0;
    }
    ++position;
    const TestCaseRecord* r = static_cast<std::size_t>(p.testCase) < session.work().specification.table.cases.size()
                                  ? &session.work().specification.table.cases[static_cast<std::size_t>(p.testCase)]
                                  : nullptr;
    const std::string name = WithoutTrailingBlanks(r != nullptr ? r->name : std::string());
    // A procedure kept from an earlier plan keeps its place.
    const long place = p.place > 0 ? p.place : position;
    std::snprintf(number, sizeof number, "%03ld", place);
    n.id = DiagramOf(diagramOf, p.testCase) + "-" + p.path + "-" + number;
    n.testCase = "SD" + std::to_string(p.testCase);
    n.title = name + " / " + p.path + " / " + std::to_string(place) +
              (p.invalid.empty() ? "" : " (invalid: " + p.invalid + ")");
    const auto sec = sectionOf.find(p.testCase);
    n.section = sec == sectionOf.end() ? name : sec->second;
    f(i, n);
  }
}

std::vector<ProcedureNames> NamesOfProcedures(const PlanningSession& session) {
  std::vector<ProcedureNames> names;
  names.reserve(session.work().procedures.size());
  ForEachProcedureName(session, [&names](std::size_t, const ProcedureNames& n) { names.push_back(n); });
  return names;
}

std::string ProceduresCsv(const PlanningSession& session, const CsvStyle& style) {
  const char d = style.delimiter;
  std::string out = style.bom ? "\xEF\xBB\xBF" : "";
  const auto field = [d](const std::string& text) { return CsvField(text, d); };
  for (const char* column : {"id", "test case number", "title", "section", "test case", "path", "procedure",
                             "significant", "message", "category", "value", "properties", "selectors", "expected"})
    out += field(column) + d;
  out += "precondition" + std::string(1, d) + "requirements\r\n";
  const std::vector<ProcedureNames> names = NamesOfProcedures(session);
  const Traceability trace = Trace(session);
  for (std::size_t i = 0; i < session.work().procedures.size(); ++i) {
    const GeneratedProcedure& p = session.work().procedures[i];
    const ProcedureNames& n = names[i];
    const TestCaseRecord* r = session.work().specification.table.cases.size() > static_cast<std::size_t>(p.testCase)
                                  ? &session.work().specification.table.cases[static_cast<std::size_t>(p.testCase)]
                                  : nullptr;
    const std::string head = field(n.id) + d + field(n.testCase) + d + field(n.title) + d + field(n.section) + d +
                             field(WithoutTrailingBlanks(r != nullptr ? r->name : std::string())) + d + field(p.path) +
                             d + std::to_string(p.number) + d + (p.significant ? "true" : "false") + d;
    const std::string tail = d + field(Joined(trace.ofTestCase(p.testCase))) + "\r\n";
    for (const ProcedureStep& s : p.steps)
      out += head + field(s.message) + d + field(s.category) + d + field(Trimmed(s.value)) + d +
             field(Unisci(s.properties)) + d + field(Unisci(s.selectors)) + d + d + tail;
    // A procedure of a path without choices: its messages, nothing chosen.
    if (p.steps.empty() && r != nullptr)
      for (const MessageRecord& m : r->messages)
        if (m.pathName == p.path) out += head + field(m.name) + d + d + d + d + d + d + tail;
  }
  return out;
}

void WriteIndexCsv(const PlanningSession& session, std::ostream& out) {
  out << "id,test case number,path,document,script,requirements\r\n";
  const Traceability trace = Trace(session);
  // Row by row: a large plan's index never sits whole in memory.
  std::string row;
  ForEachProcedureName(session, [&](std::size_t i, const ProcedureNames& n) {
    const GeneratedProcedure& p = session.work().procedures[i];
    const std::string* doc = session.work().specification.documentOfPath(p.testCase, p.path);
    row = CsvField(n.id) + ',' + CsvField(n.testCase) + ',' + CsvField(p.path) + ',' +
          CsvField(doc == nullptr ? std::string() : *doc) + ',' + CsvField(ScriptName(p.testCase)) + ',' +
          CsvField(Joined(trace.ofTestCase(p.testCase))) + "\r\n";
    out << row;
  });
}

nlohmann::json ReportJson(const PlanReport& r) {
  nlohmann::json leaves = nlohmann::json::array(), cases = nlohmann::json::array(), branches = nlohmann::json::array();
  for (const PlanReport::Branch& b : r.branches)
    branches.push_back({{"name", b.name}, {"allotted", b.allotted}, {"useful", b.generated}});
  for (const PlanReport::Leaf& l : r.leaves)
    leaves.push_back({{"branch", l.branch},
                      {"name", l.name},
                      {"key", l.key},
                      {"section", l.section},
                      {"allotted", l.allotted},
                      {"useful", l.generated},
                      {"testCase", l.testCase},
                      {"reason", l.reason}});
  for (const PlanReport::TestCase& t : r.testCases) {
    nlohmann::json paths = nlohmann::json::array();
    for (const PlanReport::Path& p : t.paths)
      paths.push_back(
          {{"path", p.name},
           {"allotted", p.allotted},
           {"combinations", p.combinations},
           {"generated", p.generated},
           {"insignificant", p.insignificant},
           {"duplicates", p.duplicates},
           {"needed", p.needed},
           {"raised", p.raised},
           {"negative", p.negative},
           {"choices", {{"covered", p.each.covered}, {"possible", p.each.possible}}},
           {"pairs",
            {{"covered", p.pairs.covered}, {"possible", p.pairs.possible}, {"impossible", p.pairs.impossible}}},
           {"reason", p.reason}});
    if (r.kept)
      for (std::size_t i = 0; i < t.paths.size(); ++i) paths[i]["kept"] = t.paths[i].kept;
    cases.push_back({{"number", t.number},
                     {"name", t.name},
                     {"diagram", t.diagram},
                     {"allotted", t.allotted},
                     {"generated", t.generated},
                     {"insignificant", t.insignificant},
                     {"duplicates", t.duplicates},
                     {"reason", t.reason},
                     {"paths", paths}});
  }
  nlohmann::json report = {{"strength", StrengthName(r.strength)},
                           {"weightsSum", r.weightsSum},
                           {"allotted", r.allotted},
                           {"generated", r.generated},
                           {"insignificant", r.insignificant},
                           {"duplicates", r.duplicates},
                           {"useful", r.useful()},
                           {"branches", branches},
                           {"leaves", leaves},
                           {"testCases", cases},
                           {"warnings", r.warnings}};
  if (r.fills) report["strengthFills"] = true;
  if (r.kept)
    report["kept"] = {{"file", r.kept->file},
                      {"earlier", r.kept->earlier},
                      {"kept", r.kept->kept},
                      {"dropped", r.kept->dropped},
                      {"added", r.kept->added}};
  return report;
}

std::string PlanJson(const PlanningSession& session) {
  nlohmann::json plan;
  plan["format"] = "zov-plan";
  plan["version"] = 2;
  plan["model"] = std::filesystem::path(session.work().filemdl).filename().string();
  const Provenance made = ProvenanceOf(session);
  plan["provenance"] = {{"program", made.program},
                        {"seed", made.seed},
                        {"model", {{"name", made.model}, {"size", made.size}, {"fnv1a64", made.hash}}}};
  if (session.work().planReport) plan["report"] = ReportJson(*session.work().planReport);
  // The selection tree's leaves with their absolute weights and allotments.
  nlohmann::json selection = nlohmann::json::array();
  const Tree& leaves = session.TV(kSelectionTree);
  for (NodeId id : leaves.collection()) {
    const Node& n = leaves.node(id);
    if (n.children != 0 || n.parent == kNoNode) continue;
    selection.push_back({{"key", n.key},
                         {"name", EstraiNome(n.text)},
                         {"weight", LeggiTag(leaves.tag(id)).weight},
                         {"procedures", LeggiNTP(n.text)},
                         {"excluded", n.foreColor == kExcludedFore}});
  }
  plan["selection"] = selection;
  const Traceability trace = Trace(session);
  nlohmann::json cases = nlohmann::json::array();
  for (int i = 1; i <= session.work().specification.table.count(); ++i) {
    const TestCaseRecord& r = session.work().specification.table.cases[static_cast<std::size_t>(i)];
    nlohmann::json paths = nlohmann::json::array();
    for (const MessageRecord& m : r.messages) {
      if (paths.empty() || paths.back()["name"] != m.pathName)
        paths.push_back({{"name", m.pathName}, {"messages", nlohmann::json::array()}});
      nlohmann::json message = {{"label", m.sequenceLabel}, {"name", m.name}, {"level", m.level}};
      if (m.conditionKind != ConditionKind::kNoCondition)
        message["condition"] = {{"kind", m.conditionKind == ConditionKind::kIf ? "if" : "else"},
                                {"text", m.condition.str()}};
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
    cases.push_back({{"number", i},
                     {"name", WithoutTrailingBlanks(r.name)},
                     {"allotted", r.allotted},
                     {"requirements", trace.ofTestCase(i)},
                     {"paths", paths}});
  }
  plan["testCases"] = cases;
  nlohmann::json requirements = nlohmann::json::array();
  for (const TracedRequirement& q : trace.requirements) {
    std::vector<std::string> reaching;
    for (const auto& ids : q.procedures) reaching.insert(reaching.end(), ids.begin(), ids.end());
    requirements.push_back({{"id", q.id},
                            {"title", q.title},
                            {"useCases", q.useCases},
                            {"testCases", q.testCases},
                            {"procedures", reaching},
                            {"weight", std::round(q.weight * 10000) / 10000},
                            {"reached", q.reason.empty()},
                            {"reason", q.reason}});
  }
  plan["requirements"] = requirements;
  nlohmann::json procedures = nlohmann::json::array();
  const std::vector<ProcedureNames> names = NamesOfProcedures(session);
  const std::vector<ToolProcedure> tool = ToolProcedures(session);
  const auto settingsOf = [](const ToolStep& s) {
    nlohmann::json settings = nlohmann::json::array();
    for (const auto& [category, value] : s.settings) settings.push_back({{"category", category}, {"value", value}});
    return settings;
  };
  const auto received = [&](const ToolStep& s) {
    return nlohmann::json{
        {"message", s.message}, {"from", s.from}, {"to", s.to}, {"settings", settingsOf(s)}, {"internal", s.internal}};
  };
  for (std::size_t i = 0; i < session.work().procedures.size(); ++i) {
    const GeneratedProcedure& p = session.work().procedures[i];
    const ToolProcedure& t = tool[i];
    nlohmann::json actions = nlohmann::json::array(), precondition = nlohmann::json::array();
    for (std::size_t s : t.precondition) precondition.push_back(received(t.steps[s]));
    for (const ToolAction& a : t.actions) {
      nlohmann::json expected = nlohmann::json::array();
      for (std::size_t s : a.expected) expected.push_back(received(t.steps[s]));
      actions.push_back({{"message", t.steps[a.action].message},
                         {"settings", settingsOf(t.steps[a.action])},
                         {"expected", expected}});
    }
    nlohmann::json steps = nlohmann::json::array();
    for (const ProcedureStep& s : p.steps)
      steps.push_back({{"message", s.message},
                       {"category", s.category},
                       {"value", s.value},
                       {"trimmed", Trimmed(s.value)},
                       {"properties", s.properties.items()},
                       {"selectors", s.selectors.items()}});
    procedures.push_back({{"id", names[i].id},
                          {"testCaseNumber", names[i].testCase},
                          {"title", names[i].title},
                          {"section", names[i].section},
                          {"testCase", p.testCase},
                          {"path", p.path},
                          {"number", p.number},
                          {"significant", p.significant},
                          {"steps", steps},
                          {"invalid", p.invalid},
                          {"requirements", trace.ofTestCase(p.testCase)},
                          {"actions", actions},
                          {"precondition", precondition}});
  }
  plan["procedures"] = procedures;
  // Invalid UTF-8 from a model is replaced rather than refused.
  return plan.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

Outcome ExportPlan(const PlanningSession& session, WorkFolder& target, const Formats& f,
                   std::vector<std::string>* names) {
  std::string error;
  std::vector<std::string> written;
  const auto write = [&](const std::string& name, const std::string& text) {
    if (!Write(target, name, text, &error)) return false;
    written.push_back(name);
    if (names != nullptr) names->push_back(name);
    return true;
  };
  const WorkFolder* work = session.outputFolder();
  if (f.text && work != nullptr && work->dir() != target.dir()) {
    for (const std::string_view view : work->files(CreatedList::kScripts)) {
      const std::string file(view);
      const auto lines = work->readLines(file);
      if (!lines) continue;
      std::string text;
      for (const std::string& l : *lines) text += l + '\n';
      if (!write(file, text)) return Outcome::Refused(error);
    }
  }
  if (f.csv && !write(kProceduresFile, ProceduresCsv(session, f.style))) return Outcome::Refused(error);
  if (f.json && !write(kPlanFile, PlanJson(session))) return Outcome::Refused(error);
  if (f.testrail && !write("testrail.xml", TestRailXml(session))) return Outcome::Refused(error);
  if (f.xray && !write("xray.csv", XrayCsv(session, f.style))) return Outcome::Refused(error);
  if (f.testlink && !write("testlink.xml", TestLinkXml(session))) return Outcome::Refused(error);
  if (f.feature)
    for (const auto& [name, text] : FeatureFiles(session))
      if (!write(name, text)) return Outcome::Refused(error);
  if (f.html && !write("report.html", HtmlReport(session))) return Outcome::Refused(error);
  if (!f.templateFile.empty()) {
    std::string text, rendered;
    if (Outcome e = TemplateNameFree(f.templateFile); !e) return e;
    if (Outcome e = ReadTemplate(f.templateFile, &text); !e) return e;
    // A name the checks above cannot foresee (a document named after its
    // diagram's identifier) is still never replaced.
    const std::string name = TemplateOutputName(f.templateFile);
    const auto& documents = session.work().specification.specDocuments;
    if (std::find(written.begin(), written.end(), name) != written.end() ||
        std::find(documents.begin(), documents.end(), name) != documents.end())
      return Outcome::Refused(f.templateFile + ": its output \"" + name +
                              "\" would replace a file of the plan; rename the template");
    if (Outcome e = RenderTemplate(session, text, &rendered); !e)
      return Outcome::Refused(f.templateFile + ": " + e.message);
    if (!write(name, rendered)) return Outcome::Refused(error);
  }
  if (const std::optional<PlanReport>& report = session.work().planReport;
      report && !write(kReportFile, report->text(true)))
    return Outcome::Refused(error);
  if (!WriteWith(
          target, kIndexFile, [&session](std::ostream& out) { WriteIndexCsv(session, out); }, &error))
    return Outcome::Refused(error);
  written.push_back(kIndexFile);
  if (names != nullptr) names->push_back(kIndexFile);
  return {};
}

Outcome KeepFormats(const PlanningSession& session, const Formats& f) {
  WorkFolder* work = session.outputFolder();
  if (work == nullptr) return {};
  // The other forms are made while the documents are there to read (the
  // HTML report shows them, the tools' files take their preconditions).
  const std::vector<std::string_view> text = work->files(CreatedList::kScripts);
  Formats machine = f;
  machine.text = false;
  const Outcome e = ExportPlan(session, *work, machine);
  if (!f.text)
    for (const std::string_view file : text) work->removeFile(file);
  return e;
}

}  // namespace zov
