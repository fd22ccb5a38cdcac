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
