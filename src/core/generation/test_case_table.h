// The table of test cases built by "&Processing...": per selected test case
// its messages in path order, each with its interactions category (own
// choices) and its settings categories (the parameters of the operation it
// calls), which the test specification editors fill and the generation of
// test procedures combines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_source.h"
#include "model/rare_text.h"

namespace zov {

// Limits of a test case: the table keeps to them and reports what is left out.
inline constexpr std::size_t kMaxMessages = 1001;  // message records, 0 to 1000
inline constexpr std::size_t kMaxChoices = 101;    // choices of a category, 0 to 100
inline constexpr std::size_t kMaxProperties = 11;  // properties or selectors of a choice, 0 to 10

// A choice whose value starts with "~" is invalid: a value the system under
// test must refuse (PICT's negative-value marker). Valid values are
// combined; each invalid one gets a procedure of its own, the other
// categories at valid values. The mark is part of the value as the editors,
// a choices file ("invalid VALUE"), a "DEF(" list and a session hold it.
inline constexpr std::string_view kInvalidMark = "~";
inline bool InvalidValue(std::string_view value) { return value.substr(0, kInvalidMark.size()) == kInvalidMark; }
inline std::string WithoutInvalidMark(std::string_view value) {
  return std::string(InvalidValue(value) ? value.substr(kInvalidMark.size()) : value);
}

// One choice of a settings category.
struct ChoiceRecord {
  std::string value;
  std::int16_t propertyCount = 0;
  std::int16_t selectorCount = 0;
  RareList properties;  // at most kMaxProperties
  RareList selectors;
  bool operator==(const ChoiceRecord&) const = default;
};

// A settings category: one parameter of the operation a message calls.
struct AttributeRecord {
  std::string name;
  std::string type;
  RareText initialValue;
  std::int16_t choiceCount = 0;
  std::vector<ChoiceRecord> choices;  // grows on use, at most kMaxChoices
  bool edited = false;                // set by the first OK of the settings editor
  RareText documentation;

  // The choice at index, made when first used; nullptr past the limit.
  ChoiceRecord* choice(std::size_t index) {
    if (index >= kMaxChoices) return nullptr;
    if (choices.size() <= index) choices.resize(index + 1);
    return &choices[index];
  }
  bool operator==(const AttributeRecord&) const = default;
};

enum class ConditionKind : std::int16_t { kNoCondition = 0, kIf = 1, kElse = 2 };

struct MessageRecord {
  Handle message;
  std::string pathName;
  std::string sequenceLabel;
  std::string name;
  ConditionKind conditionKind = ConditionKind::kNoCondition;
  RareText condition;
  std::int16_t ifIndex = 0;
  std::int16_t level = 0;
  std::vector<AttributeRecord> attributes;  // one per parameter
  std::vector<std::string> ownChoices;      // the interactions category
  std::int16_t ownChoiceCount = 0;
  std::int16_t attributeCount = 0;
  bool edited = false;  // set by the first OK of the interactions editor
  RareText documentation;

  std::string* ownChoice(std::size_t index) {
    if (index >= kMaxChoices) return nullptr;
    if (ownChoices.size() <= index) ownChoices.resize(index + 1);
    return &ownChoices[index];
  }

  bool operator==(const MessageRecord&) const = default;
};

struct TestCaseRecord {
  std::string name;
  std::vector<MessageRecord> messages;  // path order; at most kMaxMessages
  std::int16_t allotted = 0;
  std::int16_t pathCount = 0;
  std::int16_t lastMessage = 0;

  // The message at index, or nullptr (an empty record ends the list).
  const MessageRecord* message(std::size_t index) const { return index < messages.size() ? &messages[index] : nullptr; }
  MessageRecord* message(std::size_t index) { return index < messages.size() ? &messages[index] : nullptr; }

  bool operator==(const TestCaseRecord&) const = default;
};

// Test cases 1 to count; index 0 is unused.
struct TestCaseTable {
  std::vector<TestCaseRecord> cases = std::vector<TestCaseRecord>(1);
  int count() const { return static_cast<int>(cases.size()) - 1; }
  TestCaseRecord* testCase(int i) { return i >= 1 && i <= count() ? &cases[static_cast<std::size_t>(i)] : nullptr; }
  const TestCaseRecord* testCase(int i) const {
    return i >= 1 && i <= count() ? &cases[static_cast<std::size_t>(i)] : nullptr;
  }
  bool operator==(const TestCaseTable&) const = default;
};

}  // namespace zov
