#include "cli/suggest.h"

#include <algorithm>

namespace zov::cli {

namespace {

// The Levenshtein distance of a and b, with a swap of two neighbours as one
// edit ("laod").
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> Closest(const std::string& word, const std::vector<std::string>& candidates) {
  std::optional<std::string> best;
  std::size_t bestDistance = 0;
  // The letters that count: an option's dashes say nothing of which it is.
  const auto core = [](const std::string& s) { return s.substr(std::min(s.find_first_not_of('-'), s.size())); };
  const std::string typed = core(word);
  if (typed.empty()) return std::nullopt;
  for (const std::string& c : candidates) {
    const std::size_t d = Distance(typed, core(c));
    if (d == 0 || d > 2 || d * 2 >= typed.size()) continue;
    if (!best || d < bestDistance) best = c, bestDistance = d;
  }
  return best;
}

std::string DidYouMean(const CLI::App& app, const std::vector<std::string>& extras) {
  const CLI::App* command = nullptr;
  for (const CLI::App* c : app.get_subcommands()) command = c;
  std::vector<std::string> commands, options;
  for (const CLI::App* c : app.get_subcommands({})) commands.push_back(c->get_name());
  for (const CLI::App* scope : {&app, command})
    if (scope != nullptr)
      for (const CLI::Option* o : scope->get_options())
        if (!o->get_positional() && !o->get_group().empty())
          for (const std::string& n : o->get_lnames()) options.push_back("--" + n);
  for (const std::string& extra : extras) {
    const std::string typed = extra.substr(0, extra.find('='));
    if (typed.rfind("--", 0) == 0) {
      if (const auto near = Closest(typed, options))
        return "unknown option '" + typed + "'" + (command ? " of '" + command->get_name() + "'" : std::string()) +
               "; did you mean '" + *near + "'?";
    } else if (command == nullptr && typed.rfind('-', 0) != 0) {
      if (const auto near = Closest(typed, commands))
        return "unknown command '" + typed + "'; did you mean '" + *near + "'?";
    }
  }
  return {};
}

}  // namespace zov::cli
