// An Asker that answers from a queue given in advance and records every
// question: the tests and the fuzz targets play the tester with it.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/ui.h"

namespace zov {

// Answers from a queue given in advance; records every question. When the
// queue runs dry, message boxes get their first button's answer (a
// yes/no/cancel question, such as "Save changes?", gets no) and input boxes
// their default text.
class ScriptedAsker : public Asker {
 public:
  struct Question {
    bool input = false;  // an input box or file dialog, not a message box
    std::string text;
    std::string title;
    std::string folder;  // where a file dialog opened
  };
  Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon icon) override;
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> openFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;
  // The next of files, as the file to save or the folder chosen.
  std::optional<std::string> saveFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;
  std::optional<std::string> chooseFolder(std::string_view title, std::string_view startFolder) override;

  // Plays the tester in the node editor and the criterion dialog; a
  // dialog left open afterwards (or with no script) is cancelled.
  void nodeEditor(Edita& editor) override;
  void numTest(CriterionDialog& dialog) override;
  void settingsEditor(SettingsEditor& editor) override;
  void interactionsEditor(InteractionsEditor& editor) override;
  bool printLines(std::string_view title, const std::vector<std::string>& lines) override;

  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> files;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::function<void(Edita&)>> edits;
  std::deque<std::function<void(CriterionDialog&)>> criteria;
  std::deque<std::function<void(SettingsEditor&)>> settings;
  std::deque<std::function<void(InteractionsEditor&)>> interactions;
  // Print jobs received: title and lines.
  std::vector<std::pair<std::string, std::vector<std::string>>> printed;
  std::vector<Question> asked;
};

}  // namespace zov
