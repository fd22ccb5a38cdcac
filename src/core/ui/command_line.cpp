#include "ui/command_line.h"

#include <set>

#include "ui/closest.h"

namespace zov {

namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

std::vector<std::string> Names(const std::vector<CommandLineOption>& options) {
  std::vector<std::string> names;
  for (const CommandLineOption& o : options) names.push_back(o.name);
  return names;
}

}  // namespace

std::string BashCompletion(const CommandLine& line, const std::map<std::string, OptionValues>& values) {
  std::vector<std::string> commands;
  for (const CommandLineCommand& c : line.commands) commands.push_back(c.name);
  std::string s =
      "# bash completion for zov, the command line of Zov Suite: its commands,\n"
      "# each command's options, the values of the options that take a word from\n"
      "# a list, and models, sessions, folders and files where a path goes.\n"
      "# Written by \"zov --completion bash\" from zov's own options.\n\n"
      "_zov_files() {\n"
      "  # Files matching the extended pattern $1 (case as written), and folders.\n"
      "  local restore\n"
      "  restore=$(shopt -p extglob)\n"
      "  shopt -s extglob\n"
      "  compopt -o filenames 2>/dev/null\n"
      "  local IFS=$'\\n'\n"
      "  COMPREPLY=($(compgen -f -X \"!$1\" -- \"$cur\") $(compgen -d -- \"$cur\"))\n"
      "  eval \"$restore\"\n"
      "}\n\n"
      "_zov() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
      "  # --format=VALUE: bash splits the word at \"=\"; the value is completed.\n"
      "  if [[ $cur == = ]]; then\n"
      "    cur=\"\"\n"
      "  elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then\n"
      "    prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
      "  fi\n"
      "  local cmd=\"\" i opts=\"\"\n"
      "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      "    case ${COMP_WORDS[i]} in\n"
      "      " +
      [&] {
        std::string alternatives;
        for (const std::string& c : commands) alternatives += (alternatives.empty() ? "" : " | ") + c;
        return alternatives;
      }() +
      ")\n"
      "        cmd=${COMP_WORDS[i]}\n"
      "        break\n"
      "        ;;\n"
      "    esac\n"
      "  done\n"
      "  case $cmd in\n"
      "    \"\")\n"
      "      COMPREPLY=($(compgen -W \"" +
      Joined(commands) + " " + Joined(Names(line.options)) +
      "\" -- \"$cur\"))\n"
      "      return\n"
      "      ;;\n";
  std::set<std::string> taking;  // options that take a value
  for (const CommandLineCommand& c : line.commands) {
    s += "    " + c.name + ") opts=\"" + Joined(Names(c.options)) + "\" ;;\n";
    for (const CommandLineOption& o : c.options)
      if (o.takesValue) taking.insert(o.name);
  }
  s += "  esac\n\n  case $prev in\n";
  std::string nothing;
  for (const std::string& option : taking) {
    const auto v = values.find(option);
    if (v == values.end()) {
      nothing += (nothing.empty() ? "" : " | ") + option;
      continue;
    }
    s += "    " + option + ")\n";
    if (v->second.list) {
      s += "      # A comma-separated list: the word after the last comma is completed.\n"
           "      local done=\"\" last=$cur\n"
           "      if [[ $cur == *,* ]]; then\n"
           "        done=${cur%,*},\n"
           "        last=${cur##*,}\n"
           "      fi\n"
           "      compopt -o nospace 2>/dev/null\n"
           "      COMPREPLY=($(compgen -P \"$done\" -W \"" +
           Joined(v->second.words) + "\" -- \"$last\"))\n";
    } else if (!v->second.words.empty()) {
      s += "      COMPREPLY=($(compgen -W \"" + Joined(v->second.words) + "\" -- \"$cur\"))\n";
    } else if (!v->second.files.empty()) {
      s += "      _zov_files '" + v->second.files + "'\n";
    } else if (v->second.folders) {
      s += "      compopt -o filenames 2>/dev/null\n"
           "      local IFS=$'\\n'\n"
           "      COMPREPLY=($(compgen -d -- \"$cur\"))\n";
    }
    s += "      return\n      ;;\n";
  }
  if (!nothing.empty())
    s += "    " + nothing +
         ")\n"
         "      # A node or a number: nothing to offer.\n"
         "      COMPREPLY=()\n"
         "      return\n"
         "      ;;\n";
  s += "  esac\n\n"
       "  if [[ $cur == -* ]]; then\n"
       "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
       "  else\n"
       "    _zov_files '*.@(mdl|MDL|cat|CAT|xmi|XMI|uml|UML|xml|XML|puml|PUML|plantuml|pu|mmd|mermaid|md|MD)'\n"
       "  fi\n"
       "}\n\n"
       "complete -F _zov zov\n";
  return s;
}

std::optional<std::string> DidYouMean(const CommandLine& line, const std::string* command,
                                      const std::vector<std::string>& extras) {
  std::vector<std::string> commands, options = Names(line.options);
  for (const CommandLineCommand& c : line.commands) {
    commands.push_back(c.name);
    if (command != nullptr && c.name == *command)
      for (const CommandLineOption& o : c.options) options.push_back(o.name);
  }
  for (const std::string& extra : extras) {
    const std::string typed = extra.substr(0, extra.find('='));
    if (typed.rfind("--", 0) == 0) {
      if (const auto near = Closest(typed, options))
        return "unknown option '" + typed + "'" + (command ? " of '" + *command + "'" : std::string()) +
               "; did you mean '" + *near + "'?";
    } else if (command == nullptr && typed.rfind('-', 0) != 0) {
      if (const auto near = Closest(typed, commands))
        return "unknown command '" + typed + "'; did you mean '" + *near + "'?";
    }
  }
  return std::nullopt;
}

}  // namespace zov
