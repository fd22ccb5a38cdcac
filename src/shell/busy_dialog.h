// The busy box Elabo: "Wait Please...", shown without blocking while a long
// operation runs, with the operation's progress text, and a Cancel button
// (or Escape) while the operation can be broken off.
#pragma once

#include <QDialog>
#include <QPointer>

#include "ui/ui.h"

class QLabel;
class QPushButton;
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
  void setProgress(int done, int total) override;
  void setCancellable(bool cancellable) override;
  bool cancelRequested() const override { return cancelRequested_; }
  QPushButton* cancelButton() const { return cancel_; }
  QProgressBar* bar() const { return bar_; }
  QString statusText() const;
  int ticks() const { return ticks_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Escape asks to cancel; it never closes the box under running work.
  void reject() override;

 private:
  void tick();
  // Lets the windows paint while the caller keeps working, at most every
  // few hundredths of a second so that painting does not slow the work.
  void keepPainted(bool now);

  QLabel* statusLabel_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  bool cancellable_ = false;
  bool cancelRequested_ = false;
  QTimer* timer1_;
  qint16 ticks_ = 0;
  bool known_ = false;  // the bar shows a figure rather than activity
  // The widget that had the keyboard when the box showed: it has it again
  // when the box hides.
  QPointer<QWidget> focusBefore_;
  void giveKeyboardBack();
  qint64 lastPaint_ = 0;
};

}  // namespace zov::gui
