#include "generation/choices.h"

#include <algorithm>

#include "generation/test_case_table.h"

namespace zov {

namespace {
constexpr std::string_view kSelectorStart = "     [if ";
constexpr std::string_view kPropertyStart = "     [Property  ";

std::string_view NameFrom(std::string_view line, std::size_t from) {
  if (from >= line.size()) return {};
  std::string_view name = line.substr(from);
  return name.substr(0, name.find(" ]"));
}
}  // namespace

std::string NegateValue(std::string_view text) {
  if (text.substr(0, 3) == "not") return std::string(text.substr(3));
  return " not " + std::string(text);
}

std::string PropertyLine(std::string_view name) { return std::string(kPropertyStart) + std::string(name) + " ]"; }
std::string SelectorLine(std::string_view name) { return std::string(kSelectorStart) + std::string(name) + " ]"; }
// From the ninth and the sixteenth character on: the names keep the blank before them.
std::string SelectorLineName(std::string_view line) { return std::string(NameFrom(line, 8)); }
std::string PropertyLineName(std::string_view line) { return std::string(NameFrom(line, 15)); }

bool FindConflict(std::string_view text, std::vector<std::string>& row, int lastColumn, bool isProperty,
                  const std::function<void(const std::string&)>& warn) {
  // Runs once per property of every generated procedure: compared in place.
  const std::string negated = NegateValue(text);
  const std::string_view start = isProperty ? kSelectorStart : kPropertyStart;
  const std::size_t from = isProperty ? 8 : 15;
  for (int c = 0; c <= lastColumn && c < static_cast<int>(row.size()); ++c) {
    const std::string_view cell = row[static_cast<std::size_t>(c)];
    if (!cell.starts_with(start)) continue;
    const std::string_view name = NameFrom(cell, from);
    if (name != negated) continue;
    if (warn) warn(std::string(kConflictWarning) + std::string(name));
    if (row.size() < 3) row.resize(3);
    row[2] = "False";
    return true;
  }
  return false;
}

std::vector<std::string> DefaultValueList(std::string_view text) {
  const std::size_t at = text.find("DEF(");
  if (at == std::string_view::npos) return {};
  const std::string_view rest = text.substr(at + 4);
  const std::size_t close = rest.find(')');
  if (close == std::string_view::npos) return {};
  std::vector<std::string> values;
  std::string_view list = rest.substr(0, close);
  while (true) {
    const std::size_t comma = list.find(',');
    values.emplace_back(list.substr(0, comma));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return values;
}

int ParseDefaultList(std::string_view text, int next, AttributeRecord& attribute, std::vector<std::string>* listed) {
  for (const std::string& v : DefaultValueList(text)) {
    ChoiceRecord* c = attribute.choice(static_cast<std::size_t>(next));
    if (c == nullptr) break;
    *c = ChoiceRecord();
    c->value = v;
    if (listed != nullptr) listed->push_back(v);
    ++next;
  }
  return next;
}

bool SplitCondition(std::string_view text, Condition& out) {
  if (text.substr(0, 2) == "if") {
    out = {true, false, std::string(text.substr(2))};
    return true;
  }
  if (text.substr(0, 4) == "else") {
    out = {false, true, std::string(text.substr(4))};
    return true;
  }
  return false;
}

bool ReadCondition(const ModelSource& m, Handle diagram, Handle message, Condition& out) {
  if (m.MessageHasOperation(message) && SplitCondition(m.OperationText(m.MessageOperation(message)), out)) return true;
  const Handle element = m.MessageElement(message);
  const Items views = m.DiagramViews(diagram);
  for (int i = 1; i <= views.Count(); ++i) {
    if (!element || !(m.ViewElement(views.Item(i)) == element)) continue;
    Items notes = m.ViewNotes(views.Item(i));
    // The first view has none before it: then the message has no condition.
    if (notes.empty() && i > 1) notes = m.ViewNotes(views.Item(i - 1));
    if (notes.empty()) return false;
    return SplitCondition(m.NoteText(notes.Item(1)), out);
  }
  return false;
}

void SequenceLevel(std::string_view text, std::int16_t& level) {
  const std::size_t open = text.find('['), close = text.find(']');
  if (open == std::string_view::npos || close == std::string_view::npos) return;
  const std::string_view label = close > open ? text.substr(open + 1, close - open - 1) : std::string_view();
  level = static_cast<std::int16_t>(1 + std::count(label.begin(), label.end(), '.'));
}

}  // namespace zov
