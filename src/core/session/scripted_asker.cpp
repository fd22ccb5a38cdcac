#include "session/scripted_asker.h"

#include "selection/allocation.h"
#include "specification/category_editors.h"
#include "weights/node_editor.h"

namespace zov {

Answer ScriptedAsker::messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon) {
  asked.push_back({false, std::string(text), std::string(title), {}});
  if (!answers.empty()) {
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  if (buttons == MessageButtons::kYesNoCancel) return Answer::kNo;  // "Save changes?": discard
  return buttons == MessageButtons::kYesNo ? Answer::kYes : Answer::kOk;
}

std::optional<std::string> ScriptedAsker::inputBox(std::string_view prompt, std::string_view title,
                                                   std::string_view defaultText) {
  asked.push_back({true, std::string(prompt), std::string(title), {}});
  if (!inputs.empty()) {
    auto a = inputs.front();
    inputs.pop_front();
    return a;
  }
  return std::string(defaultText);
}

std::optional<std::string> ScriptedAsker::openFile(std::string_view title, std::string_view filter,
                                                   std::string_view startFolder) {
  asked.push_back({true, std::string(filter), std::string(title), std::string(startFolder)});
  if (files.empty()) return std::nullopt;
  auto f = files.front();
  files.pop_front();
  return f;
}

std::optional<std::string> ScriptedAsker::saveFile(std::string_view title, std::string_view filter,
                                                   std::string_view startFolder) {
  return openFile(title, filter, startFolder);
}

std::optional<std::string> ScriptedAsker::chooseFolder(std::string_view title, std::string_view startFolder) {
  return openFile(title, "", startFolder);
}

// A front end that cannot show a dialog cancels it.
void Asker::nodeEditor(Edita& editor) { editor.cancel(); }
void Asker::numTest(CriterionDialog& dialog) { dialog.cancel(); }
void Asker::settingsEditor(SettingsEditor& editor) { editor.cancel(); }
void Asker::interactionsEditor(InteractionsEditor& editor) { editor.cancel(); }
bool Asker::printLines(std::string_view, const std::vector<std::string>&) { return false; }

namespace {
// Plays the next scripted tester on a dialog; one left open is cancelled.
template <typename Dialog, typename Closed>
void Recita(std::deque<std::function<void(Dialog&)>>& script, Dialog& dialog, Closed closed) {
  if (!script.empty()) {
    auto play = std::move(script.front());
    script.pop_front();
    if (play) play(dialog);
  }
  if (!closed(dialog)) dialog.cancel();
}
}  // namespace

void ScriptedAsker::settingsEditor(SettingsEditor& editor) {
  asked.push_back({true, editor.caption, "FormIntervallo", {}});
  Recita(settings, editor, [](const SettingsEditor& e) { return e.done; });
}

void ScriptedAsker::interactionsEditor(InteractionsEditor& editor) {
  asked.push_back({true, editor.caption, "FormInteractions", {}});
  Recita(interactions, editor, [](const InteractionsEditor& e) { return e.done; });
}

void ScriptedAsker::nodeEditor(Edita& editor) {
  asked.push_back({true, Edita::kCaption, Edita::kCaption, {}});
  Recita(edits, editor, [](const Edita& e) { return e.closed(); });
}

void ScriptedAsker::numTest(CriterionDialog& dialog) {
  asked.push_back({true, CriterionDialog::kCaption, CriterionDialog::kCaption, {}});
  Recita(criteria, dialog, [](const CriterionDialog& d) { return d.finito; });
}

bool ScriptedAsker::printLines(std::string_view title, const std::vector<std::string>& lines) {
  printed.emplace_back(std::string(title), lines);
  return true;
}

}  // namespace zov
