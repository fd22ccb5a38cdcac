// Message boxes and input boxes as Qt dialogs.
#pragma once

#include <functional>
#include <string>

#include "ui/ui.h"

class QWidget;

namespace zov::gui {

class QtAsker : public Asker {
 public:
  explicit QtAsker(QWidget* parent) : parent_(parent) {}
  // The folder where the preview's "Save as PDF..." starts (the model's).
  std::function<std::string()> printFolder;
  Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon icon) override;
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> openFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;
  std::optional<std::string> openModelFile(std::string_view title, std::string_view filter,
                                           std::string_view startFolder, std::string& encoding) override;
  std::optional<std::string> saveFile(std::string_view title, std::string_view filter,
                                      std::string_view startFolder) override;
  std::optional<std::string> chooseFolder(std::string_view title, std::string_view startFolder) override;
  // Check boxes in a dialog; the choices are kept in the settings, by title
  // and option, and offered again the next time.
  bool chooseOptions(std::string_view title, std::vector<std::pair<std::string, bool>>& options) override;
  void nodeEditor(Edita& editor) override;
  void numTest(CriterionDialog& dialog) override;
  void settingsEditor(SettingsEditor& editor) override;
  void interactionsEditor(InteractionsEditor& editor) override;
  bool printLines(std::string_view title, const std::vector<std::string>& lines) override;
  std::string lastPrintTarget() const override { return lastPrintTarget_; }

 private:
  QWidget* parent_;
  std::string lastPrintTarget_;
};

}  // namespace zov::gui
