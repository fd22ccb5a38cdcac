#include "cli/suggest.h"

#include "ui/closest.h"

namespace zov::cli {

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
      if (const auto near = zov::Closest(typed, options))
        return "unknown option '" + typed + "'" + (command ? " of '" + command->get_name() + "'" : std::string()) +
               "; did you mean '" + *near + "'?";
    } else if (command == nullptr && typed.rfind('-', 0) != 0) {
      if (const auto near = zov::Closest(typed, commands))
        return "unknown command '" + typed + "'; did you mean '" + *near + "'?";
    }
  }
  return {};
}

}  // namespace zov::cli
