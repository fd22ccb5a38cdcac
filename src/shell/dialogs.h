// The node editor "Edit Selected node:" and the criterion dialog
// "Select Test Case criterion", over the core dialogs they show.
#pragma once

#include <QDialog>

namespace zov {
class Asker;
class Edita;
class CriterionDialog;
}  // namespace zov

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace zov::gui {

// "Plan Report": where the procedures of the last generation went, as a
// table in a fixed-width font. Not modal: it stays open beside the window
// and the usage chart, and a later generation shows its new report in it.
class PlanReportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PlanReportDialog(QWidget* parent);
  void setReport(const QString& text);
  QString text() const;

 private:
  QPlainTextEdit* view_;
};

class NodeEditorDialog : public QDialog {
  Q_OBJECT
 public:
  NodeEditorDialog(Edita& editor, QWidget* parent);
  QLineEdit* wei() const { return wei_; }
  QCheckBox* bold() const { return bold_; }

 private:
  Edita& e_;
  QLineEdit* wei_;
  QCheckBox* bold_;
};

class NumTestDialog : public QDialog {
  Q_OBJECT
 public:
  NumTestDialog(CriterionDialog& dialog, Asker& asker, QWidget* parent);
  QRadioButton* numTest() const { return numTest_; }
  QRadioButton* coverage() const { return coverage_; }
  QLineEdit* nnTest() const { return nnTest_; }
  QLineEdit* percc() const { return percc_; }
  QCheckBox* everyPath() const { return everyPath_; }

 private:
  void sync();
  CriterionDialog& d_;
  QRadioButton* numTest_;
  QRadioButton* coverage_;
  QLineEdit* nnTest_;
  QLineEdit* percc_;
  QCheckBox* everyPath_;
};

}  // namespace zov::gui

namespace zov {
class SettingsEditor;
class InteractionsEditor;
}  // namespace zov

class QListWidget;

namespace zov::gui {

// "FormIntervallo": the settings categories editor.
class FormIntervallo : public QDialog {
  Q_OBJECT
 public:
  FormIntervallo(SettingsEditor& editor, QWidget* parent);
  QRadioButton* defaultsOption() const { return defaultsOption_; }
  QRadioButton* ownValuesOption() const { return ownValuesOption_; }
  QListWidget* defaultList() const { return defaultList_; }
  QListWidget* choiceList() const { return choiceList_; }
  QLineEdit* valueEdit() const { return valueEdit_; }
  QLineEdit* selectorsEdit() const { return selectorsEdit_; }
  QLineEdit* propertiesEdit() const { return propertiesEdit_; }
  QCheckBox* invalid() const { return invalid_; }

 private:
  void sync();
  SettingsEditor& e_;
  QRadioButton* defaultsOption_;
  QRadioButton* ownValuesOption_;
  QListWidget* defaultList_;
  QListWidget* choiceList_;
  QLabel* note_;
  QLineEdit* valueEdit_;
  QLineEdit* selectorsEdit_;
  QLineEdit* propertiesEdit_;
  QCheckBox* invalid_;
};

// "FormInteractions": the interactions categories editor.
class FormInteractions : public QDialog {
  Q_OBJECT
 public:
  FormInteractions(InteractionsEditor& editor, QWidget* parent);
  QRadioButton* defaultsOption() const { return defaultsOption_; }
  QRadioButton* ownValuesOption() const { return ownValuesOption_; }
  QListWidget* defaultList() const { return defaultList_; }
  QListWidget* choiceList() const { return choiceList_; }
  QLineEdit* valueEdit() const { return valueEdit_; }
  QCheckBox* invalid() const { return invalid_; }

 private:
  void sync();
  InteractionsEditor& e_;
  QRadioButton* defaultsOption_;
  QRadioButton* ownValuesOption_;
  QListWidget* defaultList_;
  QListWidget* choiceList_;
  QLineEdit* valueEdit_;
  QCheckBox* invalid_;
};

}  // namespace zov::gui
