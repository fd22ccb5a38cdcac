// What the operations need from a front end: the busy box and the message
// and input boxes. The Qt shell, the command line and the tests each answer.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zov {

// The busy box "Wait Please..." shown during long operations.
class BusyBox {
 public:
  virtual ~BusyBox() = default;
  virtual void show() = 0;
  virtual void hide() = 0;
  // Writes the progress text into the box and repaints it at once.
  virtual void setStatus(std::string_view text) = 0;
};

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon { kNone, kInformation, kWarning, kCritical, kQuestion };
enum class Answer { kOk, kCancel, kYes, kNo };

class Edita;
class DialogoNumTest;
class EditorImpostazioni;
class EditorInterazioni;

class Asker {
 public:
  virtual ~Asker() = default;
  virtual Answer messageBox(std::string_view text, std::string_view title,
                            MessageButtons buttons = MessageButtons::kOk,
                            MessageIcon icon = MessageIcon::kNone) = 0;
  // std::nullopt when the tester cancels.
  virtual std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                              std::string_view defaultText = {}) = 0;
  // The file-open dialog. filter is in the form "Label (*.x)| *.x| ...";
  // std::nullopt when the tester cancels.
  virtual std::optional<std::string> openFile(std::string_view title, std::string_view filter,
                                              std::string_view startFolder) = 0;
  // The node editor and the criterion dialog, filled in by the caller:
  // shown until the tester closes them with ok()/done() or cancel(). One
  // that cannot show them cancels.
  virtual void edita(Edita& editor);
  virtual void numTest(DialogoNumTest& dialog);
  // The test specification editors, filled in by the caller; closed with
  // ok() or cancel().
  virtual void impostazioni(EditorImpostazioni& editor);
  virtual void interazioni(EditorInterazioni& editor);
  // Sends lines to the printer as one job (the platform's print dialog).
  // False when nothing was printed (no printer, or the tester cancelled).
  virtual bool stampa(std::string_view title, const std::vector<std::string>& lines);
};

// The pairs (label, pattern) of a filter "Label (*.x)| *.x| Other (*.y)| *.y".
std::vector<std::pair<std::string, std::string>> SplitFilter(std::string_view filter);

// A busy box that only remembers what it was told (command line, tests).
class QuietBusyBox : public BusyBox {
 public:
  void show() override { visible = true; }
  void hide() override { visible = false; }
  void setStatus(std::string_view text) override {
    status = std::string(text);
    history.push_back(status);
  }
  bool visible = false;
  std::string status;
  std::vector<std::string> history;
};

// Answers from a queue given in advance; records every question. When the
// queue runs dry, message boxes get their first button's answer and input
// boxes their default text.
class ScriptedAsker : public Asker {
 public:
  struct Question {
    bool input = false;  // an input box or file dialog, not a message box
    std::string text;
    std::string title;
  };
  Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                    MessageIcon icon) override;
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> openFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;

  // Plays the tester in the node editor and the criterion dialog; a
  // dialog left open afterwards (or with no script) is cancelled.
  void edita(Edita& editor) override;
  void numTest(DialogoNumTest& dialog) override;
  void impostazioni(EditorImpostazioni& editor) override;
  void interazioni(EditorInterazioni& editor) override;
  bool stampa(std::string_view title, const std::vector<std::string>& lines) override;

  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> files;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::function<void(Edita&)>> edits;
  std::deque<std::function<void(DialogoNumTest&)>> criteria;
  std::deque<std::function<void(EditorImpostazioni&)>> settings;
  std::deque<std::function<void(EditorInterazioni&)>> interactions;
  // Print jobs received: title and lines.
  std::vector<std::pair<std::string, std::vector<std::string>>> printed;
  std::vector<Question> asked;
};

}  // namespace zov
