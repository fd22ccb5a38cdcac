// The About box and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>

class QLabel;

namespace zov::gui {

// The icon of Zov Suite: the installed theme's, else the one built in.
QIcon AppIcon();

// "About Zov Suite": the version, the commit it was built from and the
// licence. Not modal, like the plan report.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);
  QString text() const;

 private:
  QLabel* text_;
};

}  // namespace zov::gui
