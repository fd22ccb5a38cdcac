// The node editor "Edit Selected node:" and the criterion dialog
// "Select Test Case criterion", over the core dialogs they show.
#pragma once

#include <QDialog>

namespace zov {
class Asker;
class Edita;
class DialogoNumTest;
}  // namespace zov

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zov::gui {

class EditaDialog : public QDialog {
  Q_OBJECT
 public:
  EditaDialog(Edita& editor, QWidget* parent);
  QLineEdit* wei() const { return wei_; }
  QCheckBox* selez() const { return selez_; }

 private:
  Edita& e_;
  QLineEdit* wei_;
  QCheckBox* selez_;
};

class NumTestDialog : public QDialog {
  Q_OBJECT
 public:
  NumTestDialog(DialogoNumTest& dialog, Asker& asker, QWidget* parent);
  QRadioButton* numTest() const { return numTest_; }
  QRadioButton* coverage() const { return coverage_; }
  QLineEdit* nnTest() const { return nnTest_; }
  QLineEdit* percc() const { return percc_; }

 private:
  void sync();
  DialogoNumTest& d_;
  QRadioButton* numTest_;
  QRadioButton* coverage_;
  QLineEdit* nnTest_;
  QLineEdit* percc_;
};

}  // namespace zov::gui

namespace zov {
class EditorImpostazioni;
class EditorInterazioni;
}  // namespace zov

class QListWidget;

namespace zov::gui {

// "FormIntervallo": the settings categories editor.
class FormIntervallo : public QDialog {
  Q_OBJECT
 public:
  FormIntervallo(EditorImpostazioni& editor, QWidget* parent);
  QRadioButton* option1() const { return option1_; }
  QRadioButton* option2() const { return option2_; }
  QListWidget* list1() const { return list1_; }
  QListWidget* list2() const { return list2_; }
  QLineEdit* text1() const { return text1_; }
  QLineEdit* text2() const { return text2_; }
  QLineEdit* text3() const { return text3_; }

 private:
  void sync();
  EditorImpostazioni& e_;
  QRadioButton* option1_;
  QRadioButton* option2_;
  QListWidget* list1_;
  QListWidget* list2_;
  QLabel* label4_;
  QLineEdit* text1_;
  QLineEdit* text2_;
  QLineEdit* text3_;
};

// "FormInteractions": the interactions categories editor.
class FormInteractions : public QDialog {
  Q_OBJECT
 public:
  FormInteractions(EditorInterazioni& editor, QWidget* parent);
  QRadioButton* option2() const { return option2_; }
  QRadioButton* option3() const { return option3_; }
  QListWidget* list1() const { return list1_; }
  QListWidget* list2() const { return list2_; }
  QLineEdit* text1() const { return text1_; }

 private:
  void sync();
  EditorInterazioni& e_;
  QRadioButton* option2_;
  QRadioButton* option3_;
  QListWidget* list1_;
  QListWidget* list2_;
  QLineEdit* text1_;
};

}  // namespace zov::gui
