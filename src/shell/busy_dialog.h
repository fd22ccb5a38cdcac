// The busy box Elabo: "Wait Please...", shown without blocking while a long
// operation runs, with the operation's progress text.
#pragma once

#include <QDialog>

#include "ui/ui.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace zov::gui {

class BusyDialog : public QDialog, public zov::BusyBox {
  Q_OBJECT

 public:
  explicit BusyDialog(QWidget* parent = nullptr);
  void show() override;
  void hide() override;
  void setStatus(std::string_view text) override;
  QString statusText() const;
  int ticks() const { return ticks_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void tick();

  QLabel* messinfo_;
  QProgressBar* bar_;
  QTimer* timer1_;
  qint16 ticks_ = 0;
};

}  // namespace zov::gui
