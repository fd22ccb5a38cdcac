#include "tree/tag.h"

#include <charconv>
#include <cmath>

#include "tree/numbers.h"

namespace zov {

std::string FormattaPeso(float weight) {
  char buffer[64];
  // The float is widened exactly, so rounding follows its true binary value:
  // 0.16665 in single precision lies just below 0.16665 and gives "0.1666".
  // to_chars writes what printf's "%.4f" writes, without its locale and
  // multi-precision work (the tree's weights are formatted once per node).
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(weight), std::chars_format::fixed, 4);
  std::string text = ec == std::errc() ? std::string(buffer, end) : std::string("0.0000");
  if (text == "-0.0000") text = "0.0000";
  return text;
}

std::string CreaTag(std::int16_t level, float weight, std::int16_t count, bool edited) {
  std::string tag;
  tag.reserve(40);
  tag += "LIV:";
  tag += IntegerText(level);
  tag += "$$WEI:";
  tag += FormattaPeso(weight);
  tag += "$$NCI:";
  tag += IntegerText(count);
  tag += "$$EDI:";
  tag += edited ? "T" : "F";
  return tag;
}

std::string CreaTag(const NodeTag& f) { return CreaTag(f.level, f.weight, f.count, f.edited); }

NodeTag LeggiTag(std::string_view tag) {
  constexpr auto npos = std::string_view::npos;
  NodeTag result;
  const std::size_t liv = tag.find("LIV:");
  const std::size_t wei = tag.find("WEI:");
  const std::size_t nci = tag.find("NCI:");
  const std::size_t edi = tag.find("EDI:");
  if (liv == npos || wei == npos || nci == npos || edi == npos) return NodeTag{};

  // Each value runs from its field name to the next "$$" after the one that
  // ended the previous value, searching left to right as the tag is written.
  const std::size_t q1 = tag.find("$$");
  const std::size_t q2 = q1 == npos ? npos : tag.find("$$", q1 + 1);
  const std::size_t q3 = q2 == npos ? npos : tag.find("$$", q2 + 1);
  if (q3 == npos) return NodeTag{};
  auto field = [&](std::size_t p, std::size_t q) {
    return q >= p + 4 ? tag.substr(p + 4, q - p - 4) : std::string_view{};
  };
  result.level = RoundInt16(ReadNumber(field(liv, q1)));
  result.weight = static_cast<float>(ReadNumber(field(wei, q2)));
  // A tag written by hand or by another tool may hold a number no float can.
  if (!std::isfinite(result.weight)) result.weight = 0.0f;
  result.count = RoundInt16(ReadNumber(field(nci, q3)));
  result.edited = tag.substr(edi + 4) == "T";
  return result;
}

std::string SostituiscePeso(std::string_view text, float weight) {
  const std::size_t end = text.find("] ");
  if (end == std::string_view::npos) return std::string(text);
  return WeightLabel(weight, text.substr(end + 2));
}

float ReadLabelWeight(std::string_view text) {
  const std::size_t p = text.find('[');
  if (p == std::string_view::npos) return 0.0f;
  const std::size_t q = text.find(']', p + 1);
  if (q == std::string_view::npos) return 0.0f;
  return static_cast<float>(ReadNumber(text.substr(p + 1, q - p - 1)));
}

std::string WeightLabel(float weight, std::string_view name) {
  std::string label = "[";
  label += FormattaPeso(weight);
  label += "] ";
  label += name;
  return label;
}

}  // namespace zov
