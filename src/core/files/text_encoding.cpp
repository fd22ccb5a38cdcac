#include "files/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>

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

std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return 1;
  const std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const auto c1 = static_cast<unsigned char>(text[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) ||  // overlong, surrogates
      (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))    // overlong, past U+10FFFF
    return 0;
  return length;
}

std::string ValidUtf8(std::string_view text, std::size_t* replaced) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  std::size_t bad = 0;
  std::string out;
  if (i < text.size()) {
    out.reserve(text.size() + 8);
    out.append(text.substr(0, i));
    while (i < text.size()) {
      if (const std::size_t length = Utf8SequenceAt(text, i); length > 0) {
        out.append(text.substr(i, length));
        i += length;
      } else {
        out += "\xEF\xBF\xBD";
        ++bad;
        ++i;
      }
    }
  } else {
    out.assign(text);
  }
  if (replaced != nullptr) *replaced += bad;
  return out;
}

struct TextDecoder::State {
  std::mutex mutex;
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  std::size_t replaced = 0;
  std::uint32_t firstLine = 0;
  ~State() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

namespace {

// One call of iconv over the whole of in; what does not decode becomes
// U+FFFD, one a byte. The number of such bytes.
std::size_t Convert(iconv_t cd, std::string_view in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::size_t bad = 0;
  char* src = const_cast<char*>(in.data());
  std::size_t left = in.size();
  std::string buffer(in.size() * 4 + 16, '\0');
  while (left > 0) {
    char* dst = buffer.data();
    std::size_t room = buffer.size();
    const std::size_t done = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
    if (done != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An invalid or incomplete sequence: one byte of it is lost.
    out += "\xEF\xBF\xBD";
    ++bad;
    ++src;
    --left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return bad;
}

std::string Upper(std::string_view name) {
  std::string out(name);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
  return out;
}

}  // namespace

std::optional<TextDecoder> TextDecoder::Of(std::string_view encoding) {
  TextDecoder d;
  d.name_ = Upper(encoding);
  d.state_ = std::make_shared<State>();
  if (d.name_ == "UTF-8" || d.name_ == "UTF8") {
    d.utf8_ = true;
    return d;
  }
  if (d.name_ == "WINDOWS-1252" || d.name_ == "CP1252") {
    // Windows itself maps the five unassigned bytes to the C1 controls.
    d.singleByte_ = true;
    for (int b = 0x80; b <= 0xFF; ++b)
      d.high_[static_cast<std::size_t>(b - 0x80)] = Cp1252ToUtf8(std::string(1, static_cast<char>(b)));
    return d;
  }
  iconv_t cd = iconv_open("UTF-8", d.name_.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  d.state_->cd = cd;
  // A code page where every byte stands alone gets a table: the load reads
  // millions of short texts.
  d.singleByte_ = true;
  for (int b = 0x80; b <= 0xFF && d.singleByte_; ++b) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(b);
    char* src = &in;
    std::size_t left = 1;
    char buffer[16];
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    if (iconv(cd, &src, &left, &dst, &room) == static_cast<std::size_t>(-1)) {
      if (errno == EINVAL) d.singleByte_ = false;  // the start of a longer sequence
      continue;
    }
    d.high_[static_cast<std::size_t>(b - 0x80)].assign(buffer, static_cast<std::size_t>(dst - buffer));
  }
  return d;
}

std::size_t TextDecoder::replaced() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->replaced;
}

std::uint32_t TextDecoder::firstLine() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->firstLine;
}

std::string TextDecoder::undecodedWarning(const std::string& file) const {
  const std::size_t count = replaced();
  if (count == 0) return {};
  return file + ":" + std::to_string(firstLine()) + ": " + std::to_string(count) + " byte" +
         (count == 1 ? " is" : "s are") + " not " + name_ + " text (the first on this line); each was read as U+FFFD";
}

std::string TextDecoder::decode(std::string_view raw, std::uint32_t line) const {
  std::size_t i = 0;
  while (i < raw.size() && static_cast<unsigned char>(raw[i]) < 0x80) ++i;
  if (i == raw.size()) return std::string(raw);
  std::size_t bad = 0;
  std::string out;
  if (utf8_) {
    out = ValidUtf8(raw, &bad);
  } else if (singleByte_) {
    out.reserve(raw.size() + 8);
    out.append(raw.substr(0, i));
    for (; i < raw.size(); ++i) {
      const auto c = static_cast<unsigned char>(raw[i]);
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else if (const std::string& u = high_[c - 0x80]; !u.empty()) {
        out += u;
      } else {
        out += "\xEF\xBF\xBD";
        ++bad;
      }
    }
  } else {
    std::lock_guard<std::mutex> lock(state_->mutex);
    bad = Convert(state_->cd, raw, out);
  }
  if (bad > 0) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    // Every encoding read here keeps line feeds as they are: the lines
    // before the first U+FFFD are the text's own.
    if (state_->replaced == 0) {
      const std::size_t at = out.find("\xEF\xBF\xBD");
      state_->firstLine = line + static_cast<std::uint32_t>(
                                     std::count(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    }
    state_->replaced += bad;
  }
  return out;
}

std::string PetalCodePage(long charSet) {
  switch (charSet) {
    case 0:
    case 1: return "WINDOWS-1252";  // ANSI, default
    case 128: return "CP932";       // Shift_JIS
    case 129: return "CP949";       // Hangul
    case 130: return "JOHAB";
    case 134: return "CP936";  // GB2312
    case 136: return "BIG5";
    case 161: return "WINDOWS-1253";  // Greek
    case 162: return "WINDOWS-1254";  // Turkish
    case 163: return "WINDOWS-1258";  // Vietnamese
    case 177: return "WINDOWS-1255";  // Hebrew
    case 178: return "WINDOWS-1256";  // Arabic
    case 186: return "WINDOWS-1257";  // Baltic
    case 204: return "WINDOWS-1251";  // Cyrillic
    case 222: return "CP874";         // Thai
    case 238: return "WINDOWS-1250";  // Central European
    default: return {};
  }
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0) return false;
    i += length;
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
