// The start-up dialog Form2: picks the screen layout, then opens the main window.
#pragma once

#include <QDialog>
#include <memory>

class QPushButton;
class QRadioButton;

namespace zov::gui {

class MainWindow;

class Form2 : public QDialog {
  Q_OBJECT

 public:
  explicit Form2(QWidget* parent = nullptr);
  ~Form2() override;
  QRadioButton* option1() const { return option1_; }
  QRadioButton* option2() const { return option2_; }
  QPushButton* command1() const { return command1_; }
  // A model or a session (.zov) to open once the main window is open.
  void setModelToOpen(const QString& path) { model_ = path; }
  // The main window, once "OK" has opened it.
  MainWindow* mainWindow() const { return main_.get(); }

 private:
  void ok();

  QRadioButton* option1_;
  QRadioButton* option2_;
  QPushButton* command1_;
  std::unique_ptr<MainWindow> main_;
  QString model_;
};

}  // namespace zov::gui
