#include "model/text_encoding.h"

#include <cstdint>

namespace zov {

namespace {

// Code points of 0x80..0x9F in Windows-1252; the five unassigned bytes map
// to the C1 control of the same number, as Windows itself does.
constexpr std::uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void Append(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  if (i == text.size()) return std::string(text);
  std::string out(text.substr(0, i));
  out.reserve(text.size() + 8);
  while (i < text.size()) {
    // Runs of ASCII, the bulk of any model, are copied whole.
    std::size_t end = i;
    while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
    out.append(text.data() + i, end - i);
    if (end == text.size()) break;
    const auto c = static_cast<unsigned char>(text[end]);
    if (c < 0xA0)
      Append(out, kHigh[c - 0x80]);
    else
      Append(out, c);
    i = end + 1;
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || (extra == 1 && c < 0xC2)) return false;
    if (extra > 0 && i + static_cast<std::size_t>(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto escape = [&out](unsigned char c) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
      ++i;
      continue;
    }
    std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size() || !IsUtf8(text.substr(i, length)) ||
        (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {  // C1 controls
      escape(c);
      ++i;
      continue;
    }
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace zov
