// Number forms used throughout: reading numbers from text, rounding to
// 16-bit integers and writing integers and single-precision floats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zov {

// Reads the number at the head of text: blanks, tabs and line feeds are
// ignored anywhere; an optional sign, digits, an optional point and digits
// are taken up to the first other character. Empty or non-numeric text
// reads as 0. The point is the only decimal separator.
double ReadNumber(std::string_view text);

// Rounds to the nearest 16-bit integer, halves to even. A value outside the
// 16-bit range saturates and sets *overflow (when given) to true.
std::int16_t RoundInt16(double value, bool* overflow = nullptr);

// Rounds to the nearest integer, halves to even, as a double.
double RoundHalfEven(double value);

// An integer with its sign slot: one leading blank when not negative (" 3", "-3").
std::string WithSign(long long value);
// The trimmed form: "3", "-3".
std::string IntegerText(long long value);

// The shortest decimal form of a single-precision float, at most seven
// significant digits, no leading blank and no zero before the point:
// 1 -> "1", 0.25 -> ".25", -0.5 -> "-.5", 1.5e-05 -> "1.5E-05".
std::string ShortForm(float value);

}  // namespace zov
