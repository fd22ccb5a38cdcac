#include "export/tool_exports.h"

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

#include "files/input_file.h"
#include "files/text_encoding.h"
#include "files/work_folder.h"
#include "results/results.h"
#include "selection/allocation.h"
#include "selection/usage_chart.h"
#include "specification/specification.h"
#include "traceability/traceability.h"

namespace zov {

namespace {

// Text as XML 1.0 and every importer take it: valid UTF-8 (a byte that
// starts no well-formed sequence becomes U+FFFD) without the characters
// XML forbids (control characters but tab, line feed and carriage return;
// U+FFFE and U+FFFF).
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
    const std::size_t length = Utf8SequenceAt(in, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    const std::string_view sequence = in.substr(i, length);
    if (sequence != "\xEF\xBF\xBE" && sequence != "\xEF\xBF\xBF") out.append(sequence);
    i += length;
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

// The number of characters of UTF-8 text: the bytes that begin one.
std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The first count characters of UTF-8 text, cut between two characters.
std::string FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) return std::string(text.substr(0, i));
  return std::string(text);
}

// Text on one line: line breaks and tabs become blanks.
std::string OneLine(std::string_view text) {
  std::string out = Clean(text);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return out;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

std::string StepSettings(const ToolStep& s) {
  std::string text;
  for (const auto& [category, value] : s.settings) text += (text.empty() ? "" : "\n") + category + " = " + value;
  return text;
}

// What a step asks: the message, then its values, one a line.
std::string StepText(const ToolStep& s) {
  const std::string settings = StepSettings(s);
  return s.message + (settings.empty() ? "" : "\n" + settings);
}

// What a procedure's steps are as a tool runs them: the action and its
// values, and the expected result, one message a line; without actions,
// every message with an empty expected result.
struct RunStep {
  const ToolStep* step;
  std::string expected;
};
// The step a negative procedure's tester runs last: the one that sends the
// invalid value, or on a path with actions the action that brings it (the
// first, when it comes before any).
std::size_t RefusingStep(const ToolProcedure& p) {
  std::size_t step = p.invalidStep;
  if (!p.actions.empty()) {
    step = p.actions.front().action;
    for (const ToolAction& a : p.actions)
      if (a.action <= p.invalidStep) step = a.action;
  }
  return step;
}

// On a negative procedure, the steps up to the refusing one, which expects
// the value refused.
std::vector<RunStep> RunSteps(const ToolProcedure& p) {
  std::vector<RunStep> out;
  if (p.actions.empty())
    for (const ToolStep& s : p.steps) out.push_back({&s, {}});
  for (const ToolAction& a : p.actions) {
    std::string expected;
    for (std::size_t s : a.expected) expected += (expected.empty() ? "" : "\n") + ExpectedLine(p.steps[s]);
    out.push_back({&p.steps[a.action], expected});
  }
  if (!p.invalid.empty() && !p.steps.empty()) {
    const ToolStep* last = &p.steps[RefusingStep(p)];
    while (!out.empty() && out.back().step != last) out.pop_back();
    if (!out.empty()) out.back().expected = p.invalid + " is refused";
  }
  return out;
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

std::string CaseName(const PlanningSession& session, int testCase) {
  const auto& cases = session.work().specification.table.cases;
  return static_cast<std::size_t>(testCase) < cases.size() ? Trimmed(cases[static_cast<std::size_t>(testCase)].name)
                                                           : std::string();
}

// "SD3 Deposit envelope".
std::string SectionName(const PlanningSession& session, int testCase) {
  return "SD" + std::to_string(testCase) + " " + CaseName(session, testCase);
}

// The TestLink XML text of a field TestLink shows as HTML: the text
// escaped, in one paragraph, its line breaks as <br/>.
std::string TestLinkHtml(std::string_view text) {
  if (text.empty()) return {};
  const std::string escaped = Html(text);
  std::string out = "<p>";
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\r' && i + 1 < escaped.size() && escaped[i + 1] == '\n') continue;
    if (escaped[i] == '\n' || escaped[i] == '\r')
      out += "<br/>";
    else
      out.push_back(escaped[i]);
  }
  return out + "</p>";
}

void CData(pugi::xml_node parent, const char* name, const std::string& html) {
  parent.append_child(name).append_child(pugi::node_cdata).set_value(html.c_str());
}

}  // namespace

std::string ShortenedName(const std::string& text, std::size_t most) {
  const std::string line = OneLine(text);
  if (Characters(line) <= most) return line;
  // The end gives way, marked with an ellipsis.
  return FirstCharacters(line, most > 0 ? most - 1 : 0) + "\u2026";
}

std::string TitleWithId(const std::string& id, const std::string& title, std::size_t most) {
  return ShortenedName("[" + id + "] " + title, most);
}

std::string ExpectedLine(const ToolStep& s) {
  std::string text = s.internal ? s.from + " \u2192 " + s.to + ": " + s.message : s.message;
  std::string values;
  for (const auto& [category, value] : s.settings) values += (values.empty() ? "" : ", ") + category + " = " + value;
  return values.empty() ? text : text + " (" + values + ")";
}

namespace {

// Whether a lifeline is of the tester's side.
bool TesterSide(const ModelSource& m, Handle object) {
  if (!object) return false;
  if (!m.ObjectHasClass(object)) return true;
  std::string stereotype = m.Stereotype(m.ObjectClass(object));
  std::transform(stereotype.begin(), stereotype.end(), stereotype.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return stereotype == "actor";
}

// The actions of a procedure whose steps know their ends.
void GroupActions(ToolProcedure& t) {
  if (std::none_of(t.steps.begin(), t.steps.end(), [](const ToolStep& s) { return s.action; })) return;
  for (std::size_t i = 0; i < t.steps.size(); ++i) {
    if (t.steps[i].action)
      t.actions.push_back({i, {}});
    else if (t.actions.empty())
      t.precondition.push_back(i);
    else
      t.actions.back().expected.push_back(i);
  }
}

}  // namespace

std::vector<ToolProcedure> ToolProcedures(const PlanningSession& session) {
  const std::vector<ProcedureNames> names = NamesOfProcedures(session);
  const Traceability trace = Trace(session);
  std::vector<ToolProcedure> out;
  out.reserve(session.work().procedures.size());
  for (std::size_t i = 0; i < session.work().procedures.size(); ++i) {
    const GeneratedProcedure& p = session.work().procedures[i];
    ToolProcedure t;
    t.names = names[i];
    t.testCase = p.testCase;
    t.testCaseName = CaseName(session, p.testCase);
    t.path = p.path;
    t.significant = p.significant;
    t.requirements = trace.ofTestCase(p.testCase);
    const auto& cases = session.work().specification.table.cases;
    if (static_cast<std::size_t>(p.testCase) < cases.size()) {
      // Every message of the path, with the values of its categories.
      std::map<int, std::size_t> stepOf;  // message record -> step
      const std::vector<MessageRecord>& messages = cases[static_cast<std::size_t>(p.testCase)].messages;
      const ModelSource* model = session.model();
      for (std::size_t m = 0; m < messages.size(); ++m) {
        if (messages[m].pathName != p.path) continue;
        stepOf[static_cast<int>(m)] = t.steps.size();
        ToolStep& step = t.steps.emplace_back();
        step.message = Trimmed(messages[m].name);
        if (model == nullptr || !messages[m].message) continue;
        const Handle from = model->MessageSender(messages[m].message), to = model->MessageReceiver(messages[m].message);
        step.from = Trimmed(model->ObjectName(from));
        step.to = Trimmed(model->ObjectName(to));
        step.action = TesterSide(*model, from);
        step.internal = !step.action && !TesterSide(*model, to);
      }
      for (std::size_t k = 0; k < p.steps.size(); ++k) {
        const ProcedureStep& s = p.steps[k];
        const auto step = stepOf.find(s.messageIndex);
        if (step == stepOf.end()) continue;
        t.steps[step->second].settings.emplace_back(Trimmed(s.category), Trimmed(s.value));
        if (static_cast<int>(k) == p.invalidStep) t.invalidStep = step->second;
      }
      t.invalid = p.invalid;
    }
    GroupActions(t);
    out.push_back(std::move(t));
  }
  return out;
}

std::string ProcedurePrecondition(const PlanningSession& session, const ToolProcedure& p) {
  std::string text = Precondition(session, p.testCase, p.path);
  for (std::size_t s : p.precondition) text += (text.empty() ? "" : "\n") + ExpectedLine(p.steps[s]);
  return text;
}

std::string Precondition(const PlanningSession& session, int testCase, const std::string& path) {
  const std::string* doc = session.work().specification.documentOfPath(testCase, path);
  const WorkFolder* folder = session.outputFolder();
  if (doc == nullptr || folder == nullptr) return {};
  const auto lines = folder->readLines(*doc);
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

std::string TestRailXml(const PlanningSession& session) {
  pugi::xml_document doc = XmlDocument();
  pugi::xml_node sections = doc.append_child("sections");
  const std::vector<ToolProcedure> all = ToolProcedures(session);
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    pugi::xml_node section = sections.append_child("section");
    Child(section, "name", ShortenedName(SectionName(session, testCase), kTestRailTitle));
    pugi::xml_node cases = section.append_child("cases");
    for (const ToolProcedure* p : procedures) {
      pugi::xml_node c = cases.append_child("case");
      Child(c, "title", TitleWithId(p->names.id, p->names.title, kTestRailTitle));
      Child(c, "template", "Test Case (Steps)");
      // References become links to the team's issue tracker: the ids of
      // the requirements, comma-separated.
      Child(c, "references", Clean(Joined(p->requirements, ", ")));
      pugi::xml_node custom = c.append_child("custom");
      Child(custom, "preconds", ProcedurePrecondition(session, *p));
      pugi::xml_node steps = custom.append_child("steps_separated");
      int index = 0;
      for (const RunStep& s : RunSteps(*p)) {
        pugi::xml_node step = steps.append_child("step");
        Child(step, "index", std::to_string(++index));
        Child(step, "content", StepText(*s.step));
        Child(step, "expected", s.expected);
      }
    }
  }
  return Xml(doc);
}

std::string XrayCsv(const PlanningSession& session, const CsvStyle& style) {
  const char d = style.delimiter;
  std::string out = style.bom ? "\xEF\xBB\xBF" : "";
  const auto field = [d](const std::string& text) { return CsvField(Clean(text), d); };
  bool firstColumn = true;
  for (const char* column : {"Test Case Identifier", "Test Type", "Summary", "Labels", "Labels", "Requirements",
                             "Action", "Data", "Expected Result"}) {
    out += (firstColumn ? "" : std::string(1, d)) + field(column);
    firstColumn = false;
  }
  out += "\r\n";
  // The identifier on every row groups a test's steps; its summary and
  // labels go on its first row. A label holds no blank, and a second
  // column of the same name takes the second label, "negative", as Jira's
  // CSV import maps two columns to one field of many values.
  for (const ToolProcedure& p : ToolProcedures(session)) {
    bool first = true;
    for (const RunStep& s : RunSteps(p)) {
      out += field(p.names.id) + d + "Manual" + d +
             (first ? field(TitleWithId(p.names.id, p.names.title, kJiraSummary)) + d + field(p.names.id) + d +
                          (p.invalid.empty() ? "" : "negative") + d + field(Joined(p.requirements, "\n"))
                    : std::string(3, d)) +
             d + field(OneLine(s.step->message)) + d + field(StepSettings(*s.step)) + d + field(s.expected) + "\r\n";
      first = false;
    }
  }
  return out;
}

std::string TestLinkXml(const PlanningSession& session) {
  pugi::xml_document doc = XmlDocument();
  pugi::xml_node top = doc.append_child("testsuite");
  top.append_attribute("name").set_value(
      ShortenedName(std::filesystem::path(session.work().filemdl).filename().string(), kTestLinkName).c_str());
  const std::vector<ToolProcedure> all = ToolProcedures(session);
  const std::string specTitle = std::filesystem::path(session.work().filemdl).stem().string();
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    pugi::xml_node suite = top.append_child("testsuite");
    suite.append_attribute("name").set_value(ShortenedName(SectionName(session, testCase), kTestLinkName).c_str());
    for (const ToolProcedure* p : procedures) {
      // TestLink numbers its test cases itself: the id is in the name and
      // a keyword.
      pugi::xml_node c = suite.append_child("testcase");
      c.append_attribute("name").set_value(TitleWithId(p->names.id, p->names.title, kTestLinkName).c_str());
      CData(c, "summary",
            TestLinkHtml(p->names.section + (p->significant ? "" : " (insignificant: conflicting values choices)")));
      CData(c, "preconditions", TestLinkHtml(ProcedurePrecondition(session, *p)));
      Child(c, "execution_type", "1");
      pugi::xml_node steps = c.append_child("steps");
      int number = 0;
      for (const RunStep& s : RunSteps(*p)) {
        pugi::xml_node step = steps.append_child("step");
        Child(step, "step_number", std::to_string(++number));
        CData(step, "actions", TestLinkHtml(StepText(*s.step)));
        CData(step, "expectedresults", TestLinkHtml(s.expected));
        Child(step, "execution_type", "1");
      }
      pugi::xml_node keywords = c.append_child("keywords");
      keywords.append_child("keyword").append_attribute("name").set_value(Clean(p->names.id).c_str());
      if (!p->invalid.empty()) keywords.append_child("keyword").append_attribute("name").set_value("negative");
      // Its requirements, by their document ids, in the requirement
      // specification named after the model.
      if (!p->requirements.empty()) {
        pugi::xml_node requirements = c.append_child("requirements");
        for (const std::string& id : p->requirements) {
          pugi::xml_node r = requirements.append_child("requirement");
          CData(r, "req_spec_title", Clean(specTitle));
          CData(r, "doc_id", Clean(id));
          const RequirementLinks::Requirement* q = session.work().requirements.find(id);
          CData(r, "title", Clean(q != nullptr && !q->title.empty() ? q->title : id));
        }
      }
    }
  }
  return Xml(doc);
}

namespace {

// Gherkin trims a table cell of the blanks Unicode knows; a placeholder
// name must survive that to match its column.
bool UnicodeBlank(std::string_view text, std::size_t i, std::size_t* length) {
  static constexpr std::string_view kBlanks[] = {"\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004",
                                                 "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A", "\u2028",
                                                 "\u2029", "\u202F", "\u205F", "\u3000", "\uFEFF", "\u0085"};
  for (std::string_view b : kBlanks)
    if (text.substr(i, b.size()) == b) return *length = b.size(), true;
  return false;
}

// A name between "<" and ">" that heads a column of Examples: one line,
// none of "<", ">", "|", "\\", its blanks single and none at its ends.
std::string PlaceholderName(std::string_view text) {
  const std::string line = OneLine(text);
  std::string out;
  bool blank = false;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t length = 1;
    const char c = line[i];
    if (c == ' ' || c == '\f' || c == '\v' || UnicodeBlank(line, i, &length)) {
      blank = true;
    } else {
      if (blank && !out.empty()) out.push_back(' ');
      blank = false;
      out.push_back(c == '<' || c == '>' || c == '|' || c == '\\' ? '_' : c);
    }
    i += length;
  }
  return out.empty() ? "text" : out;
}

// A table cell: one line, "\\" and "|" escaped.
std::string GherkinCell(std::string_view text) {
  std::string out;
  for (char c : OneLine(text)) {
    if (c == '|' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// The placeholders of one Scenario Outline, unique, "id" taken first.
class Placeholders {
 public:
  Placeholders() { used_.insert("id"); }
  // A new column for text; its placeholder as the step writes it.
  std::string add(std::string_view name) {
    const std::string base = PlaceholderName(name);
    std::string unique = base;
    for (int n = 2; !used_.insert(unique).second; ++n) unique = base + "#" + std::to_string(n);
    columns_.push_back(unique);
    return "<" + unique + ">";
  }
  const std::vector<std::string>& columns() const { return columns_; }

 private:
  std::unordered_set<std::string> used_;
  std::vector<std::string> columns_;
};

// A step's text with every "<...>" of the model's own made a placeholder
// whose column holds that text as it is: Gherkin would otherwise take it
// for a placeholder left unfilled. literals receives those texts in order.
std::string StepWithLiterals(std::string_view message, Placeholders& names, std::vector<std::string>& literals) {
  const std::string line = OneLine(message);
  std::string out;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t open = line.find('<', i);
    const std::size_t close = open == std::string::npos ? std::string::npos : line.find('>', open + 1);
    if (close == std::string::npos) break;
    const std::size_t inner = line.find_last_of('<', close);  // "<a <b>": the placeholder is "<b>"
    out += line.substr(i, inner - i);
    const std::string literal = line.substr(inner, close + 1 - inner);
    out += names.add(literal.substr(1, literal.size() - 2));
    literals.push_back(literal);
    i = close + 1;
  }
  return out + line.substr(i);
}

// The keyword of each step of a procedure in a feature file.
std::vector<std::string> StepKeywords(const ToolProcedure& p) {
  std::vector<std::string> keywords(p.steps.size(), "When");
  for (std::size_t s : p.precondition) keywords[s] = "Given";
  for (const ToolAction& a : p.actions)
    for (std::size_t i = 0; i < a.expected.size(); ++i) keywords[a.expected[i]] = i == 0 ? "Then" : "And";
  for (std::size_t i = 1; i < p.precondition.size(); ++i) keywords[p.precondition[i]] = "And";
  return keywords;
}

// The tags line of a scenario: first, then "@" and each requirement's id,
// its blanks made "_" (a tag ends at a blank); nothing without tags.
std::string Tags(const std::vector<std::string>& requirements, std::string_view first) {
  std::string line(first);
  for (const std::string& id : requirements) {
    const std::string text = OneLine(id);
    std::string tag;
    for (std::size_t i = 0; i < text.size();) {
      std::size_t length = 0;
      if (text[i] == ' ' || UnicodeBlank(text, i, &length)) {
        tag += '_';
        i += std::max<std::size_t>(length, 1);
      } else {
        tag += text[i++];
      }
    }
    line += (line.empty() ? "@" : " @") + tag;
  }
  return line.empty() ? std::string() : "  " + line + "\n";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FeatureFiles(const PlanningSession& session) {
  std::vector<std::pair<std::string, std::string>> files;
  const std::unordered_map<int, std::string> diagrams = DiagramsByNumber(session.work().specification);
  const auto diagram = [&diagrams](int testCase) {
    const auto d = diagrams.find(testCase);
    return d == diagrams.end() ? std::string() : d->second;
  };
  const std::vector<ToolProcedure> all = ToolProcedures(session);
  std::unordered_set<std::string> fileNames;  // by FileNameKey
  for (const auto& [testCase, procedures] : ByTestCase(all)) {
    std::string text = "Feature: " + OneLine(CaseName(session, testCase)) + "\n  Test case SD" +
                       std::to_string(testCase) + " of " +
                       OneLine(std::filesystem::path(session.work().filemdl).filename().string()) + ", diagram " +
                       OneLine(diagram(testCase)) + "\n";
    std::size_t k = 0;
    while (k < procedures.size()) {
      const std::string& path = procedures[k]->path;
      std::size_t end = k;
      while (end < procedures.size() && procedures[end]->path == path) ++end;
      // The placeholders of the path in step order: the model's own "<...>"
      // texts of a message, then its categories.
      const ToolProcedure& first = *procedures[k];
      Placeholders names;
      std::vector<std::vector<std::string>> literals;  // per step
      text += "\n" + Tags(first.requirements, {}) + "  Scenario Outline: path " + OneLine(path) + "\n";
      // With actions: Given for what comes before the first, When for an
      // action, Then for the first message it brings and And for the
      // others; an internal message says who sends it to whom.
      const std::vector<std::string> keywords = StepKeywords(first);
      for (std::size_t i = 0; i < first.steps.size(); ++i) {
        const ToolStep& s = first.steps[i];
        literals.emplace_back();
        std::string line = StepWithLiterals(s.message, names, literals.back());
        if (line.empty()) line = "(unnamed message)";
        if (!first.actions.empty() && s.internal)
          line = StepWithLiterals(s.from, names, literals.back()) + " sends " + line + " to " +
                 StepWithLiterals(s.to, names, literals.back());
        for (const auto& setting : s.settings) line += " " + names.add(s.message + "." + setting.first);
        text += "    " + keywords[i] + " " + line + "\n";
      }
      text += "\n    Examples:\n      | id |";
      for (const std::string& c : names.columns()) text += " " + GherkinCell(c) + " |";
      text += "\n";
      for (std::size_t i = k; i < end; ++i) {
        const ToolProcedure& p = *procedures[i];
        if (!p.significant || !p.invalid.empty()) continue;
        text += "      | " + GherkinCell(p.names.id) + " |";
        for (std::size_t step = 0; step < p.steps.size(); ++step) {
          if (step < literals.size())
            for (const std::string& literal : literals[step]) text += " " + GherkinCell(literal) + " |";
          for (const auto& setting : p.steps[step].settings) text += " " + GherkinCell(setting.second) + " |";
        }
        text += "\n";
      }
      // Each negative procedure a Scenario of its own, tagged, its values
      // in its steps, ending on the refusal.
      for (std::size_t i = k; i < end; ++i) {
        const ToolProcedure& p = *procedures[i];
        if (p.invalid.empty()) continue;
        text += "\n" + Tags(p.requirements, "@negative") + "  Scenario: path " + OneLine(path) + ", invalid " +
                OneLine(p.invalid) + " (" + OneLine(p.names.id) + ")\n";
        const std::vector<std::string> said = StepKeywords(p);
        for (std::size_t s = 0; s <= RefusingStep(p) && s < p.steps.size(); ++s) {
          const ToolStep& st = p.steps[s];
          std::string line = OneLine(st.message).empty() ? "(unnamed message)" : OneLine(st.message);
          if (!p.actions.empty() && st.internal) line = OneLine(st.from) + " sends " + line + " to " + OneLine(st.to);
          for (const auto& setting : st.settings) line += " " + OneLine(setting.second);
          text += "    " + said[s] + " " + line + "\n";
        }
        text += "    Then " + OneLine(p.invalid) + " is refused\n";
      }
      k = end;
    }
    // "<identifier>_<name>.feature", blanks as "-", safe on any file system
    // and apart from the others even where letter case is folded.
    std::string base = diagram(testCase) + "_" + CaseName(session, testCase);
    std::replace(base.begin(), base.end(), ' ', '-');
    base = SafeFileName(ValidUtf8(base));
    std::string name = base + ".feature";
    for (int n = 2; !fileNames.insert(FileNameKey(name)).second; ++n)
      name = base + "-" + std::to_string(n) + ".feature";
    files.emplace_back(name, text);
  }
  return files;
}

namespace {
kainjow::mustache::data MustacheData(const nlohmann::json& j);
}  // namespace

nlohmann::json HtmlReportData(const PlanningSession& session) {
  using nlohmann::json;
  const auto n = [](auto v) { return std::to_string(v); };
  json page = json::object();
  page["model"] = std::filesystem::path(session.work().filemdl).filename().string();
  const Provenance made = ProvenanceOf(session);
  page["program"] = made.program;
  page["seed"] = n(made.seed);
  page["modelFile"] = made.model;
  page["size"] = n(made.size);
  page["hash"] = made.hash;
  // Every test case generated, also those that gave no procedure.
  const std::vector<ToolProcedure> all = ToolProcedures(session);
  std::vector<std::pair<int, std::vector<const ToolProcedure*>>> groups;
  const auto byCase = ByTestCase(all);
  const std::optional<PlanReport>& report = session.work().planReport;
  if (report) {
    for (const PlanReport::TestCase& t : report->testCases) {
      const auto found =
          std::find_if(byCase.begin(), byCase.end(), [&t](const auto& c) { return c.first == t.number; });
      groups.emplace_back(t.number, found == byCase.end() ? std::vector<const ToolProcedure*>() : found->second);
    }
  } else {
    groups = byCase;
  }
  if (report) {
    const PlanReport& r = *report;
    json rep = {{"allotted", n(r.allotted)},     {"generated", n(r.generated)}, {"insignificant", n(r.insignificant)},
                {"duplicates", n(r.duplicates)}, {"useful", n(r.useful())},     {"weightsSum", r.weightsSum}};
    rep["warnings"] = json::array();
    for (const std::string& w : r.warnings) rep["warnings"].push_back({{"text", w}});
    rep["leaves"] = json::array();
    for (const PlanReport::Leaf& l : r.leaves)
      rep["leaves"].push_back({{"linked", l.testCase > 0},
                               {"testCase", n(l.testCase)},
                               {"name", l.name},
                               {"section", l.section},
                               {"allotted", n(l.allotted)},
                               {"generated", n(l.generated)},
                               {"reason", l.reason}});
    page["report"] = rep;
  }
  // The traceability matrix: a row per requirement, a column per test case
  // that carries one, its procedures in each cell; then those not reached.
  if (const Traceability trace = Trace(session); !trace.requirements.empty()) {
    std::vector<int> columns;
    for (std::size_t i = 0; i < trace.byTestCase.size(); ++i)
      if (!trace.byTestCase[i].empty()) columns.push_back(static_cast<int>(i) + 1);
    json t = {{"columns", json::array()}, {"rows", json::array()}, {"unreached", json::array()}};
    for (int c : columns) t["columns"].push_back({{"number", n(c)}});
    long reached = 0;
    for (const TracedRequirement& q : trace.requirements) {
      json cells = json::array();
      for (int c : columns) {
        json ids = json::array();
        const std::string name = "SD" + std::to_string(c);
        for (std::size_t k = 0; k < q.testCases.size(); ++k)
          if (q.testCases[k] == name)
            for (const std::string& id : q.procedures[k]) ids.push_back({{"id", id}});
        cells.push_back({{"procedures", ids}});
      }
      char weight[32];
      std::snprintf(weight, sizeof weight, "%.4f", q.weight);
      const std::string title = q.title == q.id ? std::string() : q.title;
      t["rows"].push_back({{"id", q.id}, {"title", title}, {"weight", weight}, {"cells", cells}});
      if (q.reason.empty())
        ++reached;
      else
        t["unreached"].push_back({{"id", q.id}, {"title", title}, {"reason", q.reason}});
    }
    t["hasUnreached"] = !t["unreached"].empty();
    t["summary"] =
        n(reached) + " of " + n(trace.requirements.size()) +
        " requirements reached by a test procedure; a weight is the share of the selection\u2019s usage weight "
        "their procedures carry";
    page["traceability"] = t;
  }
  // The results read back: the reliability per use, usage beside failure
  // per use case, and the failing procedures with their paths and values.
  Verdicts verdicts;
  if (const std::optional<Estimate> e = session.estimate(&verdicts)) {
    std::unordered_map<std::string, FailingProcedure> procedures;
    for (const ToolProcedure& p : all) {
      FailingProcedure& f = procedures[p.names.id];
      f.path = p.testCaseName + " / " + p.path;
      for (const ToolStep& s : p.steps)
        for (const auto& [category, value] : s.settings)
          f.values += (f.values.empty() ? "" : ", ") + category + " = " + value;
    }
    page["results"] = ResultsSectionData(*e, verdicts, procedures);
  }
  // The usage chart: each leaf's absolute weight and procedures, heaviest
  // first, its bars' places worked out here.
  const UsageChartData chart = ComputeUsageChart(session.TV(kSelectionTree), session.work().coverageUsed);
  if (!chart.leaves.empty()) {
    const int rowHeight = 22, labelWidth = 260, barWidth = 300;
    const int height = rowHeight * static_cast<int>(chart.leaves.size()) + 30;
    const double heaviest = std::max(1e-9, static_cast<double>(chart.heaviestWeight()));
    const double most = std::max(1, chart.mostProcedures());
    json c = {{"width", n(labelWidth + 2 * barWidth + 80)},
              {"height", n(height)},
              {"labelClip", n(labelWidth - 8)},
              {"weightX", n(labelWidth)},
              {"proceduresX", n(labelWidth + barWidth + 20)}};
    c["rows"] = json::array();
    int y = 24;
    for (std::size_t i = 0; i < chart.leaves.size(); ++i, y += rowHeight) {
      const UsageLeaf& l = chart.leaves[i];
      const int weight = static_cast<int>(std::lround(barWidth * l.weight / heaviest));
      const int procedures = std::max(1, static_cast<int>(std::lround(barWidth * l.procedure / most)));
      c["rows"].push_back({{"y", n(y)},
                           {"textY", n(y + 13)},
                           {"title", l.label},
                           {"label", ShortenedName(l.label, 36)},
                           {"weightWidth", n(std::max(1, weight))},
                           {"weightFill", l.belowCut ? "#bbbbbb" : "#2f6fb0"},
                           {"proceduresWidth", n(procedures)},
                           {"proceduresFill", l.belowCut ? "#bbbbbb" : "#3c9a4a"},
                           {"countX", n(labelWidth + barWidth + 24 + procedures)},
                           {"count", n(l.procedure)}});
    }
    page["chart"] = c;
  }
  // Every test case with its paths, documents and procedures.
  page["cases"] = json::array();
  for (const auto& [testCase, procedures] : groups) {
    json tc = {{"number", n(testCase)}, {"name", SectionName(session, testCase)}};
    // The paths: those the report lists (with no procedure too), else those of the procedures.
    std::vector<std::pair<std::string, std::string>> paths;  // name, why fewer
    if (report)
      for (const PlanReport::TestCase& t : report->testCases)
        if (t.number == testCase) {
          tc["diagram"] = {{"name", t.diagram},
                           {"allotted", n(t.allotted)},
                           {"useful", n(t.useful())},
                           {"hasReason", !t.reason.empty()},
                           {"reason", t.reason}};
          for (const PlanReport::Path& p : t.paths) paths.emplace_back(p.name, p.reason);
        }
    for (const ToolProcedure* p : procedures)
      if (std::none_of(paths.begin(), paths.end(), [p](const auto& x) { return x.first == p->path; }))
        paths.emplace_back(p->path, std::string());
    tc["paths"] = json::array();
    for (const auto& [path, why] : paths) {
      json pj = {{"anchor", "sd" + n(testCase) + "-" + path}, {"name", path}, {"hasWhy", !why.empty()}, {"why", why}};
      const std::string* doc = session.work().specification.documentOfPath(testCase, path);
      const WorkFolder* folder = session.outputFolder();
      if (doc != nullptr && folder != nullptr)
        if (const auto lines = folder->readLines(*doc)) {
          json d = {{"name", *doc}, {"lines", json::array()}};
          for (const std::string& line : *lines) d["lines"].push_back({{"text", line + "\n"}});
          pj["document"] = d;
        }
      pj["procedures"] = json::array();
      for (const ToolProcedure* pp : procedures) {
        const ToolProcedure& p = *pp;
        if (p.path != path) continue;
        // Each step the tester runs, with what it is expected to bring.
        json steps = json::array();
        for (const RunStep& run : RunSteps(p)) {
          json settings = json::array(), expected = json::array();
          for (const auto& [category, value] : run.step->settings)
            settings.push_back({{"category", category}, {"value", value}});
          std::size_t from = 0;
          while (from < run.expected.size()) {
            std::size_t end = run.expected.find('\n', from);
            if (end == std::string::npos) end = run.expected.size();
            expected.push_back({{"line", run.expected.substr(from, end - from)}});
            from = end + 1;
          }
          steps.push_back({{"message", run.step->message}, {"settings", settings}, {"expected", expected}});
        }
        pj["procedures"].push_back(
            {{"significant", p.significant}, {"id", p.names.id}, {"title", p.names.title}, {"steps", steps}});
      }
      pj["hasProcedures"] = !pj["procedures"].empty();
      tc["paths"].push_back(pj);
    }
    page["cases"].push_back(tc);
  }
  return page;
}

nlohmann::json ResultsSectionData(const Estimate& e, const Verdicts& verdicts,
                                  const std::unordered_map<std::string, FailingProcedure>& procedures) {
  using nlohmann::json;
  const auto fixed = [](double v) {
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.4f", v);
    return std::string(figure);
  };
  json res = {{"line", ReliabilityLine(e)},
              {"counts", std::to_string(e.passed) + " passed, " + std::to_string(e.failed) + " failed, " +
                             std::to_string(e.notRun) + " not run"},
              {"useCases", json::array()},
              {"failing", json::array()}};
  for (const GroupEstimate& g : e.useCases)
    res["useCases"].push_back({{"name", g.name},
                               {"usage", fixed(g.weight)},
                               {"failure", fixed(g.failureShare)},
                               {"reliability", fixed(g.reliability)},
                               {"untested", fixed(g.untested)}});
  for (const ResultRecord& r : verdicts.known) {
    if (r.verdict != Verdict::kFail) continue;
    const auto it = procedures.find(r.id);
    res["failing"].push_back({{"id", r.id},
                              {"linked", it != procedures.end()},
                              {"path", it != procedures.end() ? it->second.path : ""},
                              {"values", it != procedures.end() ? it->second.values : ""},
                              {"note", r.note},
                              {"date", r.date}});
  }
  res["hasFailing"] = !res["failing"].empty();
  return res;
}

std::string ResultsSection(const nlohmann::json& data) {
  const std::string_view t = kReportTemplate;
  // The section, not the navigation's link to it.
  const std::size_t from = t.find("{{#results}}<h2"), to = t.find("{{/results}}", from);
  if (from == std::string_view::npos || to == std::string_view::npos) return {};
  kainjow::mustache::mustache section{std::string(t.substr(from, to + 12 - from))};
  section.set_custom_escape([](const std::string& text) { return Html(text); });
  return section.render(MustacheData(nlohmann::json{{"results", data}}));
}

std::optional<std::string> WithResultsSection(std::string page, const std::string& section) {
  // An earlier section goes; the new one stands where the template puts
  // it, before the usage chart (else before the first test case).
  if (const std::size_t old = page.find("<h2 id=\"results\">"); old != std::string::npos) {
    std::size_t end = page.find("<h2 id=\"chart\">", old);
    if (end == std::string::npos) end = page.find("<h2 id=\"sd", old);
    if (end == std::string::npos) return std::nullopt;
    page.erase(old, end - old);
  }
  std::size_t at = page.find("<h2 id=\"chart\">");
  if (at == std::string::npos) at = page.find("<h2 id=\"sd");
  if (at == std::string::npos) at = page.find("</body>");
  if (at == std::string::npos) return std::nullopt;
  page.insert(at, section);
  if (page.find("<a href=\"#results\">") == std::string::npos)
    if (const std::size_t nav = page.find("</nav>"); nav != std::string::npos)
      page.insert(nav, "<a href=\"#results\">Results</a>");
  return page;
}

std::string HtmlReport(const PlanningSession& session) {
  kainjow::mustache::mustache page{std::string(kReportTemplate)};
  // The page's own escaping: the four characters HTML needs, and the
  // control characters of a model made visible as everywhere else.
  page.set_custom_escape([](const std::string& text) { return Html(text); });
  return page.render(MustacheData(nlohmann::json{{"page", HtmlReportData(session)}}));
}

nlohmann::json TemplateData(const PlanningSession& session) {
  nlohmann::json data = nlohmann::json::parse(PlanJson(session));
  nlohmann::json cases = nlohmann::json::array();
  const std::vector<ToolProcedure> all = ToolProcedures(session);
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
                     {"name", CaseName(session, testCase)},
                     {"procedures", list}});
  }
  data["cases"] = cases;
  // The data of report.html, for a copy of its template (report.html.mustache).
  data["page"] = HtmlReportData(session);
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

std::string TemplateOutputName(const std::string& templateFile) {
  std::string name = std::filesystem::path(templateFile).filename().string();
  if (name.size() > 9 && name.ends_with(".mustache")) name.resize(name.size() - 9);
  return name;
}

std::string PlanFileKind(std::string_view name) {
  static constexpr std::string_view kPlanFiles[] = {"procedures.csv", "plan.json",    "index.csv",   "testrail.xml",
                                                    "xray.csv",       "testlink.xml", "report.html", "results.json"};
  for (std::string_view planFile : kPlanFiles)
    if (name == planFile) return "the plan's " + std::string(planFile);
  if (name.starts_with(".zov")) return "a name the plan folder keeps for itself (.zov...)";
  const auto digitsThen = [&name](std::size_t from, std::string_view rest) {
    std::size_t i = from;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    return i > from && name.compare(i, rest.size(), rest) == 0;
  };
  if (name.starts_with("TestScript") && digitsThen(10, ".txt") && name.ends_with(".txt") &&
      name.find('.') == name.size() - 4)
    return "a test script of the plan";
  if (name.starts_with("SD") && digitsThen(2, ".") && name.ends_with(".txt"))
    return "a test specification document of the plan";
  if (name.ends_with(".feature")) return "a feature file of the plan";
  return {};
}

Outcome TemplateNameFree(const std::string& templateFile) {
  const std::string name = TemplateOutputName(templateFile);
  const auto refused = [&](const std::string& what) {
    return Outcome::Refused(templateFile + ": its output " + (name.empty() ? "" : "\"" + name + "\" ") + what +
                            "; rename the template");
  };
  if (name.empty() || name == "." || name == "..") return refused("has no file name");
  const std::string kind = PlanFileKind(name);
  if (kind.starts_with("a name")) return refused("would take " + kind);
  if (!kind.empty()) return refused("would replace " + kind);
  return {};
}

bool InsideFolder(const std::string& file, const std::filesystem::path& dir) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::weakly_canonical(std::filesystem::absolute(file, ec), ec);
  if (ec) return false;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, ec), ec);
  return !ec && parent.parent_path() == folder;
}

Outcome SessionNameFree(const std::string& sessionFile, const std::filesystem::path& outDir,
                        const std::string& templateFile) {
  if (!InsideFolder(sessionFile, outDir)) return {};
  const std::string name = std::filesystem::path(sessionFile).filename().string();
  std::string kind = PlanFileKind(name);
  if (kind.empty() && !templateFile.empty() && name == TemplateOutputName(templateFile))
    kind = "the output of the template " + templateFile;
  if (kind.empty()) return {};
  return Outcome::Refused(sessionFile + ": the session would take " + kind + " in the output folder " +
                          outDir.string() + "; save it under another name or outside the folder");
}

namespace {

// How deep the template nests its sections, its delimiters followed as
// they change; a tag left open is for the parser to report.
int SectionDepth(const std::string& text) {
  std::string open = "{{", close = "}}";
  int depth = 0, deepest = 0;
  std::size_t pos = 0;
  while ((pos = text.find(open, pos)) != std::string::npos) {
    std::size_t start = pos + open.size();
    std::string end = close;
    if (open == "{{" && start < text.size() && text[start] == '{') end = "}" + close;  // {{{name}}}
    if (start < text.size() && text[start] == '=') end = "=" + close;                  // {{=<% %>=}}
    const std::size_t stop = text.find(end, start);
    if (stop == std::string::npos) break;
    std::size_t k = start;
    while (k < stop && (text[k] == ' ' || text[k] == '\t')) ++k;
    const char kind = k < stop ? text[k] : '\0';
    if (kind == '#' || kind == '^') {
      deepest = std::max(deepest, ++depth);
    } else if (kind == '/') {
      --depth;
    } else if (kind == '=') {
      std::istringstream delimiters(text.substr(k + 1, stop - k - 1));
      std::string newOpen, newClose;
      if (delimiters >> newOpen >> newClose) open = newOpen, close = newClose;
    }
    pos = stop + end.size();
  }
  return deepest;
}

}  // namespace

Outcome ReadTemplate(const std::string& templateFile, std::string* text) {
  std::string why;
  std::optional<std::string> read = ReadInputFile(templateFile, std::uintmax_t{16} << 20, &why);
  if (!read) return Outcome::Refused(why);
  if (SectionDepth(*read) > kTemplateDepth)
    return Outcome::Refused(templateFile + ": sections nested deeper than " + std::to_string(kTemplateDepth));
  kainjow::mustache::mustache parsed{*read};
  if (!parsed.is_valid()) return Outcome::Refused(templateFile + ": " + parsed.error_message());
  *text = std::move(*read);
  return {};
}

Outcome RenderTemplate(const PlanningSession& session, const std::string& text, std::string* out, std::size_t most) {
  if (SectionDepth(text) > kTemplateDepth)
    return Outcome::Refused("sections nested deeper than " + std::to_string(kTemplateDepth));
  kainjow::mustache::mustache tmpl{text};
  if (!tmpl.is_valid()) return Outcome::Refused(tmpl.error_message());
  // A template that repeats the plan inside itself could grow without
  // end: the rendering stops at `most` bytes.
  struct TooLarge {};
  out->clear();
  try {
    tmpl.render(MustacheData(TemplateData(session)), [out, most](const std::string& piece) {
      if (piece.size() > most - out->size()) throw TooLarge{};
      out->append(piece);
    });
  } catch (const TooLarge&) {
    out->clear();
    out->shrink_to_fit();
    return Outcome::Refused("the output would be larger than " + std::to_string(most >> 20) + " MiB (" +
                            std::to_string(most) + " bytes); check the template's nested sections");
  }
  if (!tmpl.is_valid()) return Outcome::Refused(tmpl.error_message());
  return {};
}

}  // namespace zov
