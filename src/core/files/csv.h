// Reading CSV files that other tools write (RFC 4180): fields separated by
// commas, quoted with '"' where they hold a comma, a quote or a line break.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zov {

struct CsvRow {
  int line = 0;  // the line the row starts on, from 1
  std::vector<std::string> fields;
};
// The rows of text, a UTF-8 byte order mark skipped; blank lines and, with
// comments, lines whose first field starts with "#" are left out. False,
// with *badLine, for a quoted field that is never closed.
bool ParseCsv(std::string_view text, std::vector<CsvRow>& rows, int* badLine, bool comments = true);
// A field without the white space around it, and in ASCII lower case: how
// headers, ids and status words of other tools' files are compared.
std::string_view TrimSpace(std::string_view s);
std::string AsciiLower(std::string_view s);

}  // namespace zov
