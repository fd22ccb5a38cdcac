#include "files/csv.h"

#include <cctype>

namespace zov {

std::string_view TrimSpace(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseCsv(std::string_view text, std::vector<CsvRow>& rows, int* badLine, bool comments) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    std::string field;
    bool quoted = false, any = false;
    for (;;) {
      if (i >= text.size()) {
        if (quoted) {
          *badLine = row.line;
          return false;
        }
        break;
      }
      const char c = text[i++];
      if (quoted) {
        if (c == '"') {
          if (i < text.size() && text[i] == '"') {
            field += '"';
            ++i;
          } else {
            quoted = false;
          }
        } else {
          if (c == '\n') ++line;
          field += c;
        }
        continue;
      }
      if (c == '"' && TrimSpace(field).empty()) {
        field.clear();
        quoted = any = true;
      } else if (c == ',') {
        row.fields.push_back(std::move(field));
        field.clear();
      } else if (c == '\n' || c == '\r') {
        if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
        ++line;
        break;
      } else {
        field += c;
        any = true;
      }
    }
    row.fields.push_back(std::move(field));
    const bool blank = !any && row.fields.size() == 1;
    if (!blank && !(comments && TrimSpace(row.fields[0]).substr(0, 1) == "#")) rows.push_back(std::move(row));
  }
  return true;
}

}  // namespace zov
