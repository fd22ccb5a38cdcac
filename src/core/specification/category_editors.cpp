#include "specification/category_editors.h"

#include <algorithm>
#include <cmath>

#include "generation/choices.h"
#include "tree/kinds.h"
#include "tree/numbers.h"

namespace zov {

namespace {

// What the editor says when a default list is longer than a category holds.
std::string TruncatedWarning(const std::string& category, std::size_t listed, std::size_t taken) {
  if (taken >= listed) return {};
  return "\"" + category + "\": " + std::to_string(listed - taken) + " of the " + std::to_string(listed) +
         " default values were left out: a category holds at most " + std::to_string(kMaxChoices) + " choices.";
}

std::vector<std::string> Pezzi(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    pieces.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return pieces;
    start = comma + 1;
  }
}

// CaricaValoriArray: the pieces of a "," list into a property or selector array.
void CaricaValoriArray(const std::string& text, std::vector<std::string>& into, std::int16_t& count) {
  std::vector<std::string> pieces = Pezzi(text);
  if (pieces.size() > kMaxProperties) pieces.resize(kMaxProperties);
  into = pieces;
  count = static_cast<std::int16_t>(pieces.size());
}

void AddChildren(const Tree& t, NodeId node, std::vector<std::string>& list) {
  for (NodeId c = t.node(node).child; c != kNoNode; c = t.node(c).next) list.push_back(t.node(c).text.str());
}

}  // namespace

bool EsisteDocumentazioneAttr(std::string_view text) { return text.find("DEF(") != std::string_view::npos; }
bool EsisteDocumentazione(std::string_view text) { return text.find("DEF(") != std::string_view::npos; }

std::string IndexText(int i) { return WithSign(i); }

std::string ChoiceLine(const ChoiceRecord& c) {
  std::string line = c.value;
  const auto part = [&line](const char* open, const std::vector<std::string>& names, int count) {
    if (count <= 0) return;
    line += open;
    for (int i = 0; i < count && i < static_cast<int>(names.size()); ++i) {
      if (i > 0) line += ", ";
      line += names[static_cast<std::size_t>(i)];
    }
    line += " ]";
  };
  part(" [Property ", c.properties, c.propertyCount);
  part(" [If ", c.selectors, c.selectorCount);
  return line;
}

// --- settings categories -------------------------------------------------

AttributeRecord* SettingsEditor::record() {
  if (!c_) return nullptr;
  TestCaseRecord* r = c_->state.table.testCase(testCase);
  if (r == nullptr) return nullptr;
  MessageRecord* msg = r->message(static_cast<std::size_t>(message));
  if (msg == nullptr || static_cast<std::size_t>(attribute) >= msg->attributes.size()) return nullptr;
  return &msg->attributes[static_cast<std::size_t>(attribute)];
}

bool SettingsEditor::open(const EditorContext& c, NodeId node) {
  c_.emplace(c);
  node_ = node;
  key_ = c.spec.node(node).key;
  testCase = message = attribute = 0;
  note.clear();
  added.clear();
  confirmed = false;
  // The record of the very node opened: its own path's copy of the message.
  const SpecificationState::Place* place = c.state.place(node);
  if (place == nullptr || place->attribute < 0) return false;
  testCase = place->testCase;
  message = place->message;
  attribute = place->attribute;
  AttributeRecord* rec = record();
  if (rec == nullptr) return false;
  pending_ = *rec;
  defaults_.clear();

  if (!rec->edited) {
    defaultLines.clear();
    choiceLines.clear();
    note.clear();
    value.clear();
    selectors.clear();
    properties.clear();
    useOwnValues = false;
    useDefaults = true;
    // The defaults of an attribute never edited start at its first choice.
    nextChoice = 0;
  } else {
    value.clear();
    selectors.clear();
    properties.clear();
    useDefaults = false;
    choiceLines.clear();
  }
  CercaDefaultValues();
  if (!rec->edited)
    defaults_.assign(pending_.choices.begin(),
                     pending_.choices.begin() + std::min<std::size_t>(pending_.choices.size(), nextChoice));
  caption = "Test Specification for " + rec->name;
  done = false;
  return true;
}

void SettingsEditor::CercaDefaultValues() {
  AttributeRecord& r = pending_;
  if (r.edited) {
    for (int i = 0; i < r.choiceCount && i < static_cast<int>(r.choices.size()); ++i)
      choiceLines.push_back(ChoiceLine(r.choices[static_cast<std::size_t>(i)]));
    nextChoice = r.choiceCount;
    return;
  }
  const auto put = [this, &r](const std::string& line, const std::string& text) {
    ChoiceRecord* choice = r.choice(static_cast<std::size_t>(nextChoice));
    if (choice == nullptr) return;
    defaultLines.push_back(line);
    *choice = ChoiceRecord();
    choice->value = text;
    ++nextChoice;
  };
  const auto initial = [&] {
    if (!r.initialValue.empty()) put(" " + r.initialValue.str(), r.initialValue);
  };
  if (EsisteDocumentazioneAttr(r.documentation.str())) {
    initial();
    const std::size_t listed = DefaultValueList(r.documentation.str()).size();
    const int before = nextChoice;
    nextChoice = static_cast<std::int16_t>(ParseDefaultList(r.documentation.str(), nextChoice, r, &defaultLines));
    note = TruncatedWarning(r.name, listed, static_cast<std::size_t>(nextChoice - before));
    return;
  }
  RandomSource& rnd = c_->random;
  if (r.type == "Integer") {
    initial();
    const std::int16_t lower = RoundInt16(ReadNumber(r.initialValue.str()));
    for (int i = 0; i < 5; ++i) {
      const float x = std::floor(static_cast<float>(6 - lower) * rnd.draw() + static_cast<float>(lower));
      const std::string text = WithSign(static_cast<long long>(x));
      put(text, text);
      rnd.shuffle();
    }
  } else if (r.type == "String") {
    initial();
    for (int i = 0; i < 5; ++i) {
      const int n = static_cast<int>(std::floor(16.0f * rnd.draw()));
      rnd.shuffle();
      std::string text;
      for (int k = 0; k < n; ++k) {
        text += static_cast<char>(static_cast<int>(std::floor(57.0f * rnd.draw() + 65.0f)));
        rnd.shuffle();
      }
      put(text, text);
      rnd.shuffle();
    }
  } else if (r.type == "Boolean") {
    put("True", "True");
    put("False", "False");
  } else {
    defaultLines.push_back("No values");
    note = "an object of class " + r.type + ". " + "See the implementation.";
  }
}

void SettingsEditor::chooseOwnValues() {
  useOwnValues = true;
  useDefaults = false;
  nextChoice = pending_.edited ? pending_.choiceCount : 0;
}

void SettingsEditor::startOwnValues() {
  chooseOwnValues();
  nextChoice = 0;
  choiceLines.clear();
}

bool SettingsEditor::add() {
  if (!useOwnValues || record() == nullptr) return true;
  ChoiceRecord* choice = pending_.choice(static_cast<std::size_t>(nextChoice));
  if (choice == nullptr) return false;
  *choice = ChoiceRecord();
  choice->value = value;
  std::string line = value;
  if (!properties.empty()) {
    CaricaValoriArray(properties, choice->properties.edit(), choice->propertyCount);
    line += "  [Property  " + properties + "] ";
  }
  if (!selectors.empty()) {
    CaricaValoriArray(selectors, choice->selectors.edit(), choice->selectorCount);
    line += "[if " + selectors + "]";
  }
  choiceLines.push_back(line);
  ++nextChoice;
  added.push_back({value, properties, selectors});
  value.clear();
  selectors.clear();
  properties.clear();
  return true;
}

namespace {

// A value and the line that lists it, both with or without the mark.
void Mark(std::string& value, std::string* line, bool invalid) {
  if (InvalidValue(value) == invalid) return;
  value = invalid ? std::string(kInvalidMark) + value : WithoutInvalidMark(value);
  if (line != nullptr) *line = invalid ? std::string(kInvalidMark) + *line : line->substr(kInvalidMark.size());
}

}  // namespace

bool SettingsEditor::markInvalid(std::size_t i, bool invalid) {
  if (!useOwnValues) chooseOwnValues();
  if (i >= static_cast<std::size_t>(nextChoice) || i >= pending_.choices.size()) return false;
  Mark(pending_.choices[i].value, i < choiceLines.size() ? &choiceLines[i] : nullptr, invalid);
  return true;
}

bool InteractionsEditor::markInvalid(std::size_t i, bool invalid) {
  if (!useOwnValues) chooseOwnValues();
  if (i >= static_cast<std::size_t>(nextChoice) || i >= pending_.size()) return false;
  Mark(pending_[i], i < choiceLines.size() ? &choiceLines[i] : nullptr, invalid);
  return true;
}

namespace {

// The "Choices: " node of a category, without value nodes, whichever keys
// they carry: made when the category has none yet.
void EmptyChoicesNode(Tree& t, const std::string& categoryKey, const std::string& choicesKey) {
  if (const NodeId choices = t.find(choicesKey); choices != kNoNode)
    while (t.node(choices).child != kNoNode) t.remove(t.node(choices).child);
  else
    t.addChild(categoryKey, choicesKey, "Choices: ", kind::kChoices);
}

}  // namespace

void SettingsEditor::ok() {
  AttributeRecord* r = record();
  // An edited attribute changes only through "Insert your own values:".
  if (r != nullptr && !(r->edited && !useOwnValues)) {
    if (!r->edited && useDefaults) {
      // "Default Values:" stores the defaults the dialog shows, also after
      // own values were typed under the other option.
      pending_.choices = defaults_;
      nextChoice = static_cast<std::int16_t>(defaults_.size());
    }
    *r = pending_;
    r->choiceCount = nextChoice;
    if (c_->choiceNodes) mirrorChoices(*r);
    r->edited = true;
  }
  confirmed = true;
  done = true;
}

void SettingsEditor::mirrorChoices(const AttributeRecord& r) {
  Tree& t = c_->spec;
  const std::string choicesKey = key_ + " Choices";
  const auto choiceValue = [&r](int i) {
    return static_cast<std::size_t>(i) < r.choices.size() ? r.choices[static_cast<std::size_t>(i)].value
                                                          : std::string();
  };
  const auto line = [](const std::vector<std::string>& list, int i) {
    return static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)] : std::string();
  };
  if (!r.edited) {
    t.addChild(key_, choicesKey, "Choices: ", kind::kChoices);
    for (int i = 0; i < r.choiceCount; ++i)
      t.addChild(choicesKey, choicesKey + choiceValue(i) + IndexText(i),
                 line(useDefaults ? defaultLines : choiceLines, i), "value");
  } else if (useOwnValues) {
    EmptyChoicesNode(t, key_, choicesKey);
    // Listed as a reopened editor lists them, whichever were added now.
    for (int i = 0; i < r.choiceCount; ++i)
      t.addChild(choicesKey, choicesKey + choiceValue(i) + IndexText(i),
                 static_cast<std::size_t>(i) < r.choices.size() ? ChoiceLine(r.choices[static_cast<std::size_t>(i)])
                                                                : std::string(),
                 "value");
  }
}

void SettingsEditor::cancel() {
  const AttributeRecord* r = record();
  if (r != nullptr && c_ && c_->spec.valid(node_)) {
    if (r->edited) {
      useOwnValues = true;
      useDefaults = false;
      AddChildren(c_->spec, node_, choiceLines);
    } else {
      useDefaults = true;
      useOwnValues = false;
      AddChildren(c_->spec, node_, defaultLines);
    }
  }
  done = true;
}

// --- interactions categories ----------------------------------------------

namespace {
std::string* Slot(std::vector<std::string>& choices, std::size_t index) {
  if (index >= kMaxChoices) return nullptr;
  if (choices.size() <= index) choices.resize(index + 1);
  return &choices[index];
}
}  // namespace

MessageRecord* InteractionsEditor::record() {
  if (!c_) return nullptr;
  TestCaseRecord* r = c_->state.table.testCase(testCase);
  return r == nullptr ? nullptr : r->message(static_cast<std::size_t>(message));
}

bool InteractionsEditor::open(const EditorContext& c, NodeId node) {
  c_.emplace(c);
  node_ = node;
  key_ = c.spec.node(node).key;
  message = testCase = 0;
  note.clear();
  added.clear();
  confirmed = false;
  const SpecificationState::Place* place = c.state.place(node);
  if (place == nullptr || place->attribute >= 0) return false;
  testCase = place->testCase;
  message = place->message;
  MessageRecord* rec = record();
  if (rec == nullptr) return false;
  pending_ = rec->ownChoices;
  caption = "Test Specification for " + rec->name;
  if (rec->edited) {
    value.clear();
    useDefaults = false;
    useOwnValues = true;
    choiceLines.clear();
  } else {
    defaultLines.clear();
    choiceLines.clear();
    value.clear();
    useDefaults = true;
    useOwnValues = false;
  }
  // CercaDefaultInteractions.
  nextChoice = rec->ownChoiceCount;
  if (rec->edited) {
    for (int i = 0; i < rec->ownChoiceCount && i < static_cast<int>(rec->ownChoices.size()); ++i)
      choiceLines.push_back(rec->ownChoices[static_cast<std::size_t>(i)]);
  } else if (EsisteDocumentazione(rec->documentation.str())) {
    // GestisciDocumentazione: the listed values follow the choices found so far
    // and stay in use, so that OK keeps them.
    const std::vector<std::string> values = DefaultValueList(rec->documentation.str());
    std::size_t taken = 0;
    for (const std::string& v : values) {
      std::string* slot = Slot(pending_, static_cast<std::size_t>(nextChoice));
      if (slot == nullptr) break;
      *slot = v;
      defaultLines.push_back(v);
      ++nextChoice;
      ++taken;
    }
    note = TruncatedWarning(rec->name, values.size(), taken);
  } else {
    for (int i = 0; i < rec->ownChoiceCount && i < static_cast<int>(rec->ownChoices.size()); ++i)
      defaultLines.push_back(rec->ownChoices[static_cast<std::size_t>(i)]);
  }
  done = false;
  return true;
}

bool InteractionsEditor::add() {
  if (!useOwnValues || record() == nullptr) return true;
  std::string* slot = Slot(pending_, static_cast<std::size_t>(nextChoice));
  if (slot == nullptr) return false;
  *slot = value;
  choiceLines.push_back(value);
  ++nextChoice;
  added.push_back({value, {}, {}});
  value.clear();
  return true;
}

void InteractionsEditor::ok() {
  MessageRecord* r = record();
  if (r != nullptr) {
    r->ownChoices = pending_;
    if (nextChoice > 0) r->ownChoiceCount = nextChoice;
    if (c_->choiceNodes) mirrorChoices(*r);
    r->edited = true;
  }
  confirmed = true;
  done = true;
}

void InteractionsEditor::mirrorChoices(const MessageRecord& r) {
  Tree& t = c_->spec;
  const std::string choicesKey = key_ + " Choices";
  const auto choiceValue = [&r](int i) {
    return static_cast<std::size_t>(i) < r.ownChoices.size() ? r.ownChoices[static_cast<std::size_t>(i)]
                                                             : std::string();
  };
  if (!r.edited) {
    t.addChild(key_, choicesKey, "Choices: ", kind::kChoices);
    for (int i = 0; i < r.ownChoiceCount; ++i)
      t.addChild(choicesKey, choicesKey + choiceValue(i), choiceValue(i), "value");
  } else if (useOwnValues) {
    EmptyChoicesNode(t, key_, choicesKey);
    for (int i = 0; i < r.ownChoiceCount; ++i)
      t.addChild(choicesKey, choicesKey + choiceValue(i) + IndexText(i), choiceValue(i), "value");
  }
}

void InteractionsEditor::cancel() {
  const MessageRecord* r = record();
  if (r != nullptr && c_ && c_->spec.valid(node_)) {
    if (r->edited) {
      useOwnValues = true;
      useDefaults = false;
      choiceLines.clear();
      AddChildren(c_->spec, node_, choiceLines);
    } else {
      useDefaults = true;
      useOwnValues = false;
      AddChildren(c_->spec, node_, defaultLines);
    }
  }
  done = true;
}

// --- removing choices --------------------------------------------------------

namespace {
constexpr std::string_view kChoicesSuffix = " Choices";

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
}  // namespace

NodeId RemovableChoice(const Tree& spec, NodeId node, int* index) {
  if (!spec.valid(node)) return kNoNode;
  NodeId choices = node;
  int at = -1;
  if (spec.node(node).image == kind::kValue) {
    choices = spec.node(node).parent;
    if (choices == kNoNode) return kNoNode;
    at = 0;
    for (NodeId c = spec.node(choices).child; c != kNoNode && c != node; c = spec.node(c).next) ++at;
  }
  const Node& list = spec.node(choices);
  if (list.image != kind::kChoices || list.parent == kNoNode) return kNoNode;
  const NodeId category = list.parent;
  const Node& c = spec.node(category);
  if ((c.image != kind::kAttributo && c.image != kind::kMessaggio) || !EndsWith(list.key, kChoicesSuffix) ||
      list.key.substr(0, list.key.size() - kChoicesSuffix.size()) != c.key)
    return kNoNode;
  if (index != nullptr) *index = at;
  return category;
}

bool RemoveChoice(Tree& spec, SpecificationState& state, NodeId node) {
  int index = -1;
  const NodeId category = RemovableChoice(spec, node, &index);
  if (category == kNoNode) return false;
  const SpecificationState::Place* place = state.place(category);
  TestCaseRecord* tc = place == nullptr ? nullptr : state.table.testCase(place->testCase);
  MessageRecord* m = tc == nullptr ? nullptr : tc->message(static_cast<std::size_t>(place->message));
  if (m == nullptr) return false;
  // The values left, in order, as the record keeps them.
  std::vector<std::string> values;
  if (place->attribute >= 0) {
    if (static_cast<std::size_t>(place->attribute) >= m->attributes.size()) return false;
    AttributeRecord& a = m->attributes[static_cast<std::size_t>(place->attribute)];
    const int count = std::min<int>(a.choiceCount, static_cast<int>(a.choices.size()));
    if (index >= count) return false;
    if (index < 0)
      a.choices.clear();
    else
      a.choices.erase(a.choices.begin() + index, a.choices.begin() + index + 1);
    a.choiceCount = static_cast<std::int16_t>(index < 0 ? 0 : count - 1);
    for (int i = 0; i < a.choiceCount; ++i) values.push_back(a.choices[static_cast<std::size_t>(i)].value);
  } else {
    const int count = std::min<int>(m->ownChoiceCount, static_cast<int>(m->ownChoices.size()));
    if (index >= count) return false;
    if (index < 0)
      m->ownChoices.clear();
    else
      m->ownChoices.erase(m->ownChoices.begin() + index, m->ownChoices.begin() + index + 1);
    m->ownChoiceCount = static_cast<std::int16_t>(index < 0 ? 0 : count - 1);
    for (int i = 0; i < m->ownChoiceCount; ++i) values.push_back(m->ownChoices[static_cast<std::size_t>(i)]);
  }
  // The tree: the value nodes keep their texts and are keyed by their new
  // positions, as the editors key them; no choice left, no "Choices: " node.
  const std::string choicesKey = std::string(spec.node(category).key) + std::string(kChoicesSuffix);
  const NodeId list = spec.find(choicesKey);
  std::vector<std::string> texts;
  int at = 0;
  for (NodeId c = list == kNoNode ? kNoNode : spec.node(list).child; c != kNoNode; c = spec.node(c).next, ++at)
    if (at != index) texts.push_back(spec.node(c).text.str());
  if (list == kNoNode) return true;
  if (values.empty()) {
    spec.remove(list);
    return true;
  }
  while (spec.node(list).child != kNoNode) spec.remove(spec.node(list).child);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int position = static_cast<int>(i);
    spec.addChild(choicesKey, choicesKey + values[i] + IndexText(position), i < texts.size() ? texts[i] : values[i],
                  kind::kValue);
  }
  return true;
}

}  // namespace zov
