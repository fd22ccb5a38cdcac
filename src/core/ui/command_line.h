// What a command line offers, as its completion and its hints need it: the
// commands, each command's options and whether each takes a value. Written
// from the options the command line declares, so neither can drift from
// its --help.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zov {

struct CommandLineOption {
  std::string name;  // "--format"
  bool takesValue = false;
};
struct CommandLineCommand {
  std::string name;
  std::vector<CommandLineOption> options;
};
struct CommandLine {
  std::vector<CommandLineOption> options;  // those before any command (--help ...)
  std::vector<CommandLineCommand> commands;
};

// What the value of an option may be: words of a list (a comma-separated
// list of them, with list), files matching a bash extended pattern,
// folders; nothing to offer (a node, a number) when none is set.
struct OptionValues {
  std::vector<std::string> words;
  bool list = false;
  std::string files;
  bool folders = false;

  static OptionValues Words(std::vector<std::string> w) { return {std::move(w), false, {}, false}; }
  static OptionValues ListOf(std::vector<std::string> w) { return {std::move(w), true, {}, false}; }
  static OptionValues Files(std::string pattern) { return {{}, false, std::move(pattern), false}; }
  static OptionValues Folders() { return {{}, false, {}, true}; }
};

// The bash script for "complete -F _zov zov": commands, each command's
// options, the values of each option by `values` (by option name), and
// models where an argument goes.
std::string BashCompletion(const CommandLine& line, const std::map<std::string, OptionValues>& values);

// The message for the arguments a parse left over, with "did you mean"
// where one of them is close to a command (when none was given) or to an
// option of the command given (or of none); nothing when none is.
std::optional<std::string> DidYouMean(const CommandLine& line, const std::string* command,
                                      const std::vector<std::string>& extras);

}  // namespace zov
