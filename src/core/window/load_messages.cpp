#include "window/load_messages.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace zov {

std::string StartFolder() {
  std::error_code ec;
  if (fs::is_directory(std::string(kExamplesFolder), ec)) return std::string(kExamplesFolder);
  if (const char* home = std::getenv("HOME"); home != nullptr && fs::is_directory(home, ec)) return home;
  return fs::current_path(ec).string();
}

void ClearAllTreew(Trees& TV, int first) {
  for (int i = first; i <= kSelectionTree; ++i)
    if (i != kNotLinkedTree) TV(i).clear();
}

std::string LoadSummary(const ModelSummary& s, const std::string& path) {
  const auto count = [](int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return "Loaded " + fs::path(path).filename().string() + ": " + count(s.actors, "actor", "actors") + ", " +
         count(s.useCases, "use case", "use cases") + ", " +
         count(s.sequenceDiagrams + s.collaborationDiagrams, "scenario diagram", "scenario diagrams");
}

std::string IncompleteLoadMessage(const std::vector<std::string>& problems) {
  if (problems.empty()) return {};
  std::string text = "The model was loaded, but the Main Tree is not complete:\n";
  constexpr std::size_t kShown = 10;
  for (std::size_t i = 0; i < problems.size() && i < kShown; ++i) text += "\n" + problems[i];
  if (problems.size() > kShown) text += "\n... and " + std::to_string(problems.size() - kShown) + " more.";
  return text;
}

}  // namespace zov
