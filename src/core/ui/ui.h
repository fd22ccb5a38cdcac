// What the operations need from a front end: the busy box and the message
// and input boxes. The Qt shell, the command line and the tests each answer.
#pragma once

#include <chrono>
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
  // How far the work is: done of total steps (total 0: not known).
  virtual void setProgress(int /*done*/, int /*total*/) {}
  // Whether the work shown may be broken off: the box offers Cancel then,
  // and says whether the tester chose it since the box was shown.
  virtual void setCancellable(bool /*cancellable*/) {}
  virtual bool cancelRequested() const { return false; }
};

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon { kNone, kInformation, kWarning, kCritical, kQuestion };
enum class Answer { kOk, kCancel, kYes, kNo };

class Edita;
class CriterionDialog;
class SettingsEditor;
class InteractionsEditor;

class Asker {
 public:
  virtual ~Asker() = default;
  virtual Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons = MessageButtons::kOk,
                            MessageIcon icon = MessageIcon::kNone) = 0;
  // std::nullopt when the tester cancels; a front end that cannot ask
  // takes the default text.
  virtual std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                              std::string_view defaultText = {});
  // The file-open dialog. filter is in the form "Label (*.x)| *.x| ...";
  // std::nullopt when the tester cancels (or none can be shown).
  virtual std::optional<std::string> openFile(std::string_view title, std::string_view filter,
                                              std::string_view startFolder);
  // The file-open dialog of a model, which also offers the encoding of a
  // file that does not say its own (a petal header with charSet 0, an XMI
  // file without a declaration): encoding holds the current choice (empty:
  // as the file says) and receives the tester's. Without that choice, as
  // openFile.
  virtual std::optional<std::string> openModelFile(std::string_view title, std::string_view filter,
                                                   std::string_view startFolder, std::string& encoding);
  // The file-save dialog, filter as for openFile; std::nullopt when the
  // tester cancels (or none can be shown).
  virtual std::optional<std::string> saveFile(std::string_view title, std::string_view filter,
                                              std::string_view startFolder);
  // The platform's folder dialog; std::nullopt when the tester cancels (or
  // none can be shown).
  virtual std::optional<std::string> chooseFolder(std::string_view title, std::string_view startFolder);
  // A dialog of check boxes, one per option (its name and whether it is
  // checked), which the tester sets; false when cancelled. A front end may
  // remember the choices between runs. Without a dialog the options stay.
  virtual bool chooseOptions(std::string_view title, std::vector<std::pair<std::string, bool>>& options);
  // The node editor and the criterion dialog, filled in by the caller:
  // shown until the tester closes them with ok()/done() or cancel(). One
  // that cannot show them cancels.
  virtual void nodeEditor(Edita& editor);
  virtual void numTest(CriterionDialog& dialog);
  // The test specification editors, filled in by the caller; closed with
  // ok() or cancel().
  virtual void settingsEditor(SettingsEditor& editor);
  virtual void interactionsEditor(InteractionsEditor& editor);
  // Sends lines to the printer as one job: a print preview, then the
  // platform's print dialog, or a PDF file when no printer is installed.
  // False when nothing was printed (the tester closed or cancelled).
  virtual bool printLines(std::string_view title, const std::vector<std::string>& lines);
  // Where the last print job went (a printer's name or a PDF file); empty
  // when not known.
  virtual std::string lastPrintTarget() const { return {}; }
};

// The pairs (label, pattern) of a filter "Label (*.x)| *.x| Other (*.y)| *.y".
std::vector<std::pair<std::string, std::string>> SplitFilter(std::string_view filter);

// A busy box that only remembers what it was told (command line, tests).
// Given a report, it also passes on the progress of a run that has taken
// more than a second, at most twice a second.
class QuietBusyBox : public BusyBox {
 public:
  QuietBusyBox() = default;
  explicit QuietBusyBox(std::function<void(std::string_view)> report) : report_(std::move(report)) {}
  void show() override { visible = true; }
  void hide() override { visible = false; }
  void setStatus(std::string_view text) override;
  bool visible = false;
  std::string status;
  std::vector<std::string> history;

 private:
  std::function<void(std::string_view)> report_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_{};
};

}  // namespace zov
