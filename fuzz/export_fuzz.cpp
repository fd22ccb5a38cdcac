// libFuzzer target: model text from any bytes, through every export. The
// input is cut at NUL bytes into texts that name an actor, a use case, a
// diagram, two messages and a parameter and fill the parameter's default
// list; its first byte picks how the petal file says its encoding (a UTF-8
// byte order mark, charSet 0, 204 or 128). Every file the plan writes must
// be valid UTF-8, every XML must parse and hold only what XML 1.0 allows,
// every feature file's placeholders must be the columns of its Examples,
// and every file name must be safe and fit 255 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "export/exports.h"
#include "export/tool_exports.h"
#include "files/text_encoding.h"
#include "fuzz_model.h"
#include "session/planning_session.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A petal string: quotes and backslashes escaped, no line break.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n' || c == '\r') continue;
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

std::string Model(const std::vector<std::string>& t, unsigned char how) {
  const auto text = [&t](std::size_t i, const char* fallback) { return Quoted(i < t.size() ? t[i] : fallback); };
  static const char* kHeaders[] = {"charSet 0", "charSet 204", "charSet 128", "charSet 0"};
  std::string m = how % 4 == 3 ? "\xEF\xBB\xBF" : "";
  m += std::string("(object Petal version 47 ") + kHeaders[how % 4] + ")\n";
  m +=
      "(object Design \"Logical View\"\nroot_usecase_package (object Class_Category \"Use Case View\" quid "
      "\"5F0100000002\"\nlogical_models (list unit_reference_list (object Class " +
      text(0, "Clerk") +
      " quid \"5F0900000001\" stereotype \"Actor\")\n(object Association \"$UNNAMED$\" quid \"5F0900000002\" roles "
      "(list role_list (object Role \"$UNNAMED$\" quid \"5F0900000003\" quidu \"5F0100000020\" is_navigable TRUE) "
      "(object Role \"$UNNAMED$\" quid \"5F0900000004\" quidu \"5F0900000001\")))\n(object UseCase " +
      text(1, "Pay") +
      " quid \"5F0100000020\"\nlogical_models (list unit_reference_list\n(object Mechanism @1 logical_models (list "
      "unit_reference_list\n(object Object \"client\" quid \"5F0500000001\" collaborators (list link_list (object "
      "Link quid \"5F0600000001\" quidu \"5F0700000001\" messages (list Messages\n(object Message " +
      text(3, "one") +
      " quid \"5F0200000001\" dir \"FromClientToSupplier\" sequence \"1\" ordinal 0 quidu \"5F0300000001\")\n"
      "(object Message " +
      text(4, "two") +
      " quid \"5F0200000002\" dir \"FromClientToSupplier\" sequence \"2\" ordinal 1 quidu \"5F0300000002\")\n))))\n"
      "(object Object \"till\" quid \"5F0700000001\" quidu \"5F0100000300\")))\n)\nlogical_presentations (list "
      "unit_reference_list\n(object InteractionDiagram " +
      text(2, "Pay") +
      " mechanism_ref @1 quid \"5F0100000001\" items (list diagram_item_list))\n)))\nlogical_presentations (list "
      "unit_reference_list))\nroot_category (object Class_Category \"Logical View\" quid \"5F0100000003\"\n"
      "logical_models (list unit_reference_list (object Class \"Till\" quid \"5F0100000300\"\noperations (list "
      "Operations\n(object Operation " +
      text(3, "one") + " quid \"5F0300000001\" parameters (list Parameters (object Parameter " + text(5, "p") +
      " quid \"5F0400000001\" type \"String\" documentation " +
      Quoted("DEF(" + (t.size() > 6 ? t[6] : std::string("a")) + "," + (t.size() > 7 ? t[7] : std::string("b")) + ")") +
      ")) uid 0)\n(object Operation " + text(4, "two") +
      " quid \"5F0300000002\" uid 0)\n)))\nlogical_presentations (list unit_reference_list)))\n";
  return m;
}

bool XmlText(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    const std::size_t length = zov::Utf8SequenceAt(text, i);
    if (length == 0) return false;
    const std::string_view s = text.substr(i, length);
    if (s == "\xEF\xBF\xBE" || s == "\xEF\xBF\xBF") return false;
    i += length;
  }
  return true;
}

// The cells of a Gherkin table row, unescaped and trimmed as the parser does.
std::vector<std::string> Cells(std::string_view row) {
  std::vector<std::string> cells;
  std::string cell;
  bool open = false;
  for (std::size_t i = row.find('|'); i < row.size(); ++i) {
    if (row[i] == '\\' && i + 1 < row.size()) {
      cell.push_back(row[++i]);
    } else if (row[i] == '|') {
      if (open) {
        const std::size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
        cells.push_back(a == std::string::npos ? std::string() : cell.substr(a, b - a + 1));
      }
      open = true;
      cell.clear();
    } else {
      cell.push_back(row[i]);
    }
  }
  return cells;
}

void CheckFeature(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  std::vector<std::string> placeholders;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.starts_with("    When ")) {
      for (std::size_t open = line.find('<'); open != std::string::npos; open = line.find('<', open + 1)) {
        const std::size_t close = line.find('>', open);
        if (close == std::string::npos) break;
        const std::size_t inner = line.find_last_of('<', close);
        placeholders.push_back(line.substr(inner + 1, close - inner - 1));
        open = close;
      }
    } else if (line == "    Examples:") {
      Check(i + 1 < lines.size());
      const std::vector<std::string> header = Cells(lines[i + 1]);
      Check(!header.empty() && header[0] == "id" && header.size() == placeholders.size() + 1);
      for (std::size_t k = 0; k < placeholders.size(); ++k) Check(header[k + 1] == placeholders[k]);
      for (std::size_t r = i + 2; r < lines.size() && lines[r].starts_with("      |"); ++r)
        Check(Cells(lines[r]).size() == header.size());
      placeholders.clear();
    }
  }
}

void CheckName(const std::string& name) {
  Check(!name.empty() && name.size() <= 255 && zov::IsUtf8(name));
  for (unsigned char c : name)
    Check(c >= 0x20 && c != 0x7F && std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::string> texts(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0)
      texts.emplace_back();
    else
      texts.back().push_back(static_cast<char>(data[i]));
  }
  zov::fuzz::FuzzPlan run;
  if (!run.open(Model(texts, data[0]))) return 0;
  zov::PlanningSession& p = run.p;
  const zov::Tree& t = p.TV(zov::kMainTree);
  for (zov::NodeId a = t.firstRoot(); a != zov::kNoNode; a = t.node(a).next)
    if (t.node(a).image != "rose" && t.node(a).children != 0) {
      p.selectLevel(t.node(t.node(a).child).key, {true, 20, 100, std::nullopt});
      break;
    }
  p.loadTestCases(zov::TestCaseSource::kZov);
  p.pickAll(false);
  p.process();
  p.confirmDefaults();
  p.generate();
  for (const std::string& document : p.work().specification.specDocuments) CheckName(document);
  for (const std::string& xml : {zov::TestRailXml(p), zov::TestLinkXml(p)}) {
    Check(XmlText(xml));
    pugi::xml_document doc;
    Check(static_cast<bool>(doc.load_string(xml.c_str())));
  }
  for (const std::string& text : {zov::XrayCsv(p, {}), zov::ProceduresCsv(p), zov::PlanJson(p), zov::HtmlReport(p)})
    Check(zov::IsUtf8(text));
  for (const auto& [name, text] : zov::FeatureFiles(p)) {
    CheckName(name);
    Check(zov::IsUtf8(text));
    CheckFeature(text);
  }
  return 0;
}
