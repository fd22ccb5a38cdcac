#include "shell/busy_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zov::gui {

BusyDialog::BusyDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Elabo"));
  setWindowTitle(QStringLiteral("Wait Please..."));
  // Shown without blocking the caller; while it is up, input goes to it
  // alone, so that the tester can only cancel.
  setWindowModality(Qt::ApplicationModal);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* fixed = new QLabel(QStringLiteral("Zov Suite is ... Browsing..."), this);
  QFont bold = fixed->font();
  bold.setBold(true);
  fixed->setFont(bold);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("Messinfo"));
  statusLabel_->setMinimumWidth(360);
  statusLabel_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  bar_->setFormat(QStringLiteral("%v of %m"));
  layout->addWidget(fixed);
  layout->addWidget(statusLabel_);
  layout->addWidget(bar_);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelWork"));
  cancel_->setEnabled(false);
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &BusyDialog::reject);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(100);
  connect(timer1_, &QTimer::timeout, this, &BusyDialog::tick);
}

void BusyDialog::show() {
  if (!isVisible()) focusBefore_ = QApplication::focusWidget();
  known_ = false;
  cancelRequested_ = false;
  bar_->setTextVisible(false);
  bar_->setRange(0, 100);
  QDialog::show();
  raise();
  keepPainted(true);
}

void BusyDialog::hide() {
  QDialog::hide();
  giveKeyboardBack();
  // A window manager may hand the focus round after the box is gone (or
  // map it late): the keyboard is taken back once the events settled.
  for (const int ms : {50, 200})
    QTimer::singleShot(ms, this, [this] {
      if (!isVisible()) giveKeyboardBack();
    });
}

void BusyDialog::giveKeyboardBack() {
  // The keyboard goes back to the window the tester was working in, to the
  // widget that had it.
  QWidget* w = parentWidget() ? parentWidget()->window() : nullptr;
  if (w == nullptr || !w->isVisible()) return;
  if (QApplication::activeWindow() != w) {
    w->raise();
    w->activateWindow();
    QApplication::setActiveWindow(w);
  }
  QWidget* had = focusBefore_.data();
  if (had != nullptr && had->window() == w && had->isVisible() && QApplication::focusWidget() != had &&
      (QApplication::focusWidget() == nullptr || QApplication::focusWidget()->window() != w))
    had->setFocus(Qt::ActiveWindowFocusReason);
}

void BusyDialog::setProgress(int done, int total) {
  known_ = total > 0;
  bar_->setTextVisible(known_);
  if (known_) {
    bar_->setRange(0, total);
    bar_->setValue(std::min(done, total));
  }
  if (isVisible()) keepPainted(done >= total);
}

void BusyDialog::keepPainted(bool now) {
  const qint64 at = QDateTime::currentMSecsSinceEpoch();
  if (!now && at - lastPaint_ < 40) return;
  lastPaint_ = at;
  // No input is taken meanwhile but the box's own, which is modal: the
  // tester cannot start another command, and can cancel one that allows it.
  QCoreApplication::processEvents(cancellable_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void BusyDialog::setCancellable(bool cancellable) {
  cancellable_ = cancellable;
  cancel_->setEnabled(cancellable && !cancelRequested_);
  // The button shows at once, however long the first step takes.
  if (cancellable && isVisible()) keepPainted(true);
}

void BusyDialog::reject() {
  if (!cancellable_ || cancelRequested_) return;
  cancelRequested_ = true;
  cancel_->setEnabled(false);
  setStatus("Cancelling...");
}

void BusyDialog::setStatus(std::string_view text) {
  statusLabel_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (isVisible()) {
    repaint();
    keepPainted(false);
  }
}

QString BusyDialog::statusText() const { return statusLabel_->text(); }

void BusyDialog::showEvent(QShowEvent* event) {
  ticks_ = 0;
  timer1_->start();
  QDialog::showEvent(event);
}

void BusyDialog::hideEvent(QHideEvent* event) {
  timer1_->stop();
  QDialog::hideEvent(event);
}

void BusyDialog::tick() {
  ticks_ = static_cast<qint16>((ticks_ + 5) % 30000);
  if (!known_) bar_->setValue(ticks_ % 100);
  repaint();
}

}  // namespace zov::gui
