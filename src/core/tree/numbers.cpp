#include "tree/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zov {

double ReadNumber(std::string_view text) {
  std::string compact;
  compact.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') compact.push_back(c);

  std::size_t i = 0;
  bool negative = false;
  if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
    negative = compact[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  while (i < compact.size() && compact[i] >= '0' && compact[i] <= '9') ++i;
  const std::size_t intDigits = i - start;
  std::size_t fracDigits = 0;
  if (i < compact.size() && compact[i] == '.') {
    ++i;
    const std::size_t fracStart = i;
    while (i < compact.size() && compact[i] >= '0' && compact[i] <= '9') ++i;
    fracDigits = i - fracStart;
  }
  if (intDigits + fracDigits == 0) return 0.0;

  double value = 0.0;
  // from_chars is locale-independent; it rejects a leading '+', taken above.
  std::string digits = compact.substr(start, i - start);
  if (digits.front() == '.') digits.insert(digits.begin(), '0');
  if (digits.back() == '.') digits.pop_back();
  auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<double>::infinity();
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int16_t RoundInt16(double value, bool* overflow) {
  const double rounded = RoundHalfEven(value);
  bool out = false;
  std::int16_t result = 0;
  if (std::isnan(rounded)) {
    out = true;
  } else if (rounded > 32767.0) {
    out = true;
    result = 32767;
  } else if (rounded < -32768.0) {
    out = true;
    result = -32768;
  } else {
    result = static_cast<std::int16_t>(rounded);
  }
  if (overflow != nullptr) *overflow = out;
  return result;
}

std::string IntegerText(long long value) { return std::to_string(value); }

std::string WithSign(long long value) { return value < 0 ? std::to_string(value) : " " + std::to_string(value); }

std::string ShortForm(float value) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  std::string text(buffer);
  // Exponents are written with at least two digits, as "E+07" / "E-05".
  if (text.size() > 1 && text[0] == '0' && text[1] == '.')
    text.erase(0, 1);
  else if (text.size() > 2 && text[0] == '-' && text[1] == '0' && text[2] == '.')
    text.erase(1, 1);
  return text;
}

}  // namespace zov
