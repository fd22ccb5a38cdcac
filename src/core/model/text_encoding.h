// Text of 8-bit petal files (Windows-1252) as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zov {

std::string Cp1252ToUtf8(std::string_view text);
// Whether text is well-formed UTF-8.
bool IsUtf8(std::string_view text);
// Text from a file, safe to show on a terminal: control characters (C0, DEL
// and C1) and bytes that are not UTF-8 are written as \xNN; the rest of the
// UTF-8 text is kept.
std::string Printable(std::string_view text);

}  // namespace zov
