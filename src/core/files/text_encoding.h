// Text of model files in any encoding as valid UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zov {

// The length of the well-formed UTF-8 sequence at text[i] (1 to 4), or 0
// where none begins: no overlong form, no surrogate, nothing past U+10FFFF.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i);
// Text as valid UTF-8: each byte that begins no well-formed sequence
// becomes U+FFFD; replaced (when given) grows by their count.
std::string ValidUtf8(std::string_view text, std::size_t* replaced = nullptr);

// Turns text in one encoding into valid UTF-8, counting what did not
// decode (each such byte or sequence becomes U+FFFD) and the line of the
// first: decode is given the line its text starts on. Single-byte code
// pages go through a table; others through iconv.
class TextDecoder {
 public:
  // The decoder of an encoding the C library's iconv knows ("windows-1251",
  // "ISO-8859-2", "Shift_JIS" ...); nullopt for one it does not.
  static std::optional<TextDecoder> Of(std::string_view encoding);
  const std::string& name() const { return name_; }
  std::string decode(std::string_view raw, std::uint32_t line = 0) const;
  std::size_t replaced() const;
  std::uint32_t firstLine() const;
  // The one warning of file's text that did not decode: "FILE:LINE: N bytes
  // are not NAME text ..."; empty when all of it decoded.
  std::string undecodedWarning(const std::string& file) const;

 private:
  struct State;
  std::string name_;
  bool utf8_ = false;
  bool singleByte_ = false;
  std::array<std::string, 128> high_;  // UTF-8 of bytes 0x80..0xFF; empty where none
  std::shared_ptr<State> state_;
};
// The code page of a petal header's charSet (0 Western, 204 Cyrillic, 128
// Japanese ...), as iconv names it; empty for a number Windows does not use.
std::string PetalCodePage(long charSet);

std::string Cp1252ToUtf8(std::string_view text);
// Whether text is well-formed UTF-8.
bool IsUtf8(std::string_view text);
// Text from a file, safe to show on a terminal: control characters (C0, DEL
// and C1) and bytes that are not UTF-8 are written as \xNN; the rest of the
// UTF-8 text is kept.
std::string Printable(std::string_view text);

}  // namespace zov
