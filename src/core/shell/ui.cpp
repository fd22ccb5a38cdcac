#include "shell/ui.h"

namespace zov {

Answer ScriptedAsker::messageBox(std::string_view text, std::string_view title,
                                 MessageButtons buttons, MessageIcon) {
  asked.push_back({false, std::string(text), std::string(title)});
  if (!answers.empty()) {
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == MessageButtons::kYesNo || buttons == MessageButtons::kYesNoCancel ? Answer::kYes
                                                                                       : Answer::kOk;
}

std::optional<std::string> ScriptedAsker::inputBox(std::string_view prompt, std::string_view title,
                                                   std::string_view defaultText) {
  asked.push_back({true, std::string(prompt), std::string(title)});
  if (!inputs.empty()) {
    auto a = inputs.front();
    inputs.pop_front();
    return a;
  }
  return std::string(defaultText);
}

std::optional<std::string> ScriptedAsker::openFile(std::string_view title, std::string_view filter,
                                                  std::string_view) {
  asked.push_back({true, std::string(filter), std::string(title)});
  if (files.empty()) return std::nullopt;
  auto f = files.front();
  files.pop_front();
  return f;
}

}  // namespace zov
