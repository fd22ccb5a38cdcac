// The small reads the text model readers share: blanks, keywords, quoted
// names. Private to the readers' files.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace zov::text {

inline bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

inline std::size_t Indent(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && Blank(s[i])) ++i;
  return i;
}

inline std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Whether the statement begins with the keyword, as a whole word (any
// letter case, as PlantUML reads keywords).
inline bool Starts(std::string_view s, std::string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != word[i]) return false;
  return s.size() == word.size() || Blank(s[word.size()]) || !std::isalnum(static_cast<unsigned char>(s[word.size()]));
}

// The text after the keyword, trimmed.
inline std::string_view After(std::string_view s, std::string_view word) { return Trim(s.substr(word.size())); }

inline std::string Unquote(std::string_view s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return std::string(s);
}

// A PlantUML line break ("\n" written in a name or note) is a line break.
inline std::string Breaks(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace zov::text
