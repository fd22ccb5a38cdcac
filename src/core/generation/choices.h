// The choice notation of a test specification: negated properties and
// if-selectors and the conflict between them inside one test procedure,
// "DEF(" default lists, IF/ELSE conditions of messages and the nesting
// level of a sequence label.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_source.h"

namespace zov {

struct AttributeRecord;

// "not busy" -> " busy"; "busy" -> " not busy".
std::string NegateValue(std::string_view text);

// The lines a chosen value writes into a test procedure.
std::string PropertyLine(std::string_view name);  // "     [Property  " name " ]"
std::string SelectorLine(std::string_view name);  // "     [if " name " ]"
// The name of a selector or property line (it begins with a blank).
std::string SelectorLineName(std::string_view line);
std::string PropertyLineName(std::string_view line);

// The conflict test of a new property (or selector) against the selector
// (or property) lines of a procedure row, columns 0 to lastColumn. On a
// conflict warn gets the text of the warning, the row's validity cell
// (column 2) becomes "False", and the result is true.
bool FindConflict(std::string_view text, std::vector<std::string>& row, int lastColumn, bool isProperty,
                  const std::function<void(const std::string&)>& warn);
inline constexpr std::string_view kConflictWarning = "Unsignifiant Test Procedure for value ";

// The values of a "DEF(" list, verbatim; nothing when no ")" follows.
std::vector<std::string> DefaultValueList(std::string_view text);
// Appends the values of a default list as choices of the attribute from
// index next on; each value also goes to listed (the editor's default
// list) when given. Returns the next free index. Values past the last
// choice are left out.
int ParseDefaultList(std::string_view text, int next, AttributeRecord& attribute, std::vector<std::string>* listed);

struct Condition {
  bool isIf = false;
  bool isElse = false;
  std::string text;
};
// "if x" -> IF " x"; "else y" -> ELSE " y"; nothing otherwise.
bool SplitCondition(std::string_view text, Condition& out);
// A message's condition: in its operation's text, else in the first note of
// its view on the diagram (or of the view before it).
bool ReadCondition(const ModelSource& m, Handle diagram, Handle message, Condition& out);

// The nesting level of "[" label "]" name: one plus the dots of the label;
// level unchanged when the text has no label.
void SequenceLevel(std::string_view text, std::int16_t& level);

}  // namespace zov
