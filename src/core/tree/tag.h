// The node tag codec: the weighting data of a node ("LIV:" level "$$"
// "WEI:" weight "$$" "NCI:" count "$$" "EDI:" flag) and the weight label
// "[" weight "] " at the head of the node's text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zov {

struct NodeTag {
  std::int16_t level = 0;
  float weight = 0.0f;
  std::int16_t count = 0;
  bool edited = false;
};

// The weight with four decimals and a point: 1 -> "1.0000", 1/3 -> "0.3333".
std::string FormattaPeso(float weight);

// The tag text "LIV:" level "$$WEI:" weight "$$NCI:" count "$$EDI:" T or F.
std::string CreaTag(std::int16_t level, float weight, std::int16_t count, bool edited);
std::string CreaTag(const NodeTag& fields);

// Reads the four fields of a tag. A string that is not a tag (a field name
// or separator missing) reads as level 0, weight 0, count 0, not edited.
NodeTag LeggiTag(std::string_view tag);

// Replaces the weight label at the head of text: "[" + FormattaPeso(weight)
// + "] " followed by all after the first "] "; text without "] " is returned
// unchanged.
std::string SostituiscePeso(std::string_view text, float weight);

// The weight of a label: the number between the first "[" and the first "]"
// after it ("[----] x" reads as 0; no label reads as 0).
float ReadLabelWeight(std::string_view text);

// "[" + FormattaPeso(weight) + "] " + name.
std::string WeightLabel(float weight, std::string_view name);
// The label of a package that takes no share of its parent's weight.
inline constexpr std::string_view kPackageLabel = "[----] ";

}  // namespace zov
