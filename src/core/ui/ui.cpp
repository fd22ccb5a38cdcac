#include "ui/ui.h"

namespace zov {

namespace {
std::string Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}
}  // namespace

std::vector<std::pair<std::string, std::string>> SplitFilter(std::string_view filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size()) {
    const std::size_t bar = filter.find('|', start);
    parts.push_back(Trim(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start)));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

std::optional<std::string> Asker::inputBox(std::string_view, std::string_view, std::string_view defaultText) {
  return std::string(defaultText);
}
std::optional<std::string> Asker::openFile(std::string_view, std::string_view, std::string_view) {
  return std::nullopt;
}
std::optional<std::string> Asker::openModelFile(std::string_view title, std::string_view filter,
                                                std::string_view startFolder, std::string&) {
  return openFile(title, filter, startFolder);
}
std::optional<std::string> Asker::saveFile(std::string_view, std::string_view, std::string_view) {
  return std::nullopt;
}
std::optional<std::string> Asker::chooseFolder(std::string_view, std::string_view) { return std::nullopt; }

bool Asker::chooseOptions(std::string_view, std::vector<std::pair<std::string, bool>>&) { return true; }

void QuietBusyBox::setStatus(std::string_view text) {
  status = std::string(text);
  history.push_back(status);
  if (!report_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(500)) return;
  last_ = now;
  report_(text);
}

}  // namespace zov
