// The bash completion of zov, written from its options as CLI11 holds
// them: the commands, each command's options, and what each option's value
// may be. So it offers what --help says, and cannot drift from it.
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <vector>

namespace zov::cli {

// What the value of an option may be: words of a list (a comma-separated
// list of them, with list), files matching a bash extended pattern,
// folders; nothing to offer (a node, a number) when none is set.
struct Values {
  std::vector<std::string> words;
  bool list = false;
  std::string files;
  bool folders = false;

  static Values Words(std::vector<std::string> w) { return {std::move(w), false, {}, false}; }
  static Values ListOf(std::vector<std::string> w) { return {std::move(w), true, {}, false}; }
  static Values Files(std::string pattern) { return {{}, false, std::move(pattern), false}; }
  static Values Folders() { return {{}, false, {}, true}; }
};

// The script for "complete -F _zov zov"; positional arguments are models.
std::string BashCompletion(const CLI::App& app, const std::map<std::string, Values>& values);

}  // namespace zov::cli
