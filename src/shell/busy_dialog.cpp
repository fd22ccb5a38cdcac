#include "shell/busy_dialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace zov::gui {

BusyDialog::BusyDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Elabo"));
  setWindowTitle(QStringLiteral("Wait Please..."));
  setModal(false);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* fixed = new QLabel(QStringLiteral("Zov Suite is ... Browsing..."), this);
  QFont bold = fixed->font();
  bold.setBold(true);
  fixed->setFont(bold);
  messinfo_ = new QLabel(this);
  messinfo_->setObjectName(QStringLiteral("Messinfo"));
  messinfo_->setMinimumWidth(360);
  messinfo_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(8);
  layout->addWidget(fixed);
  layout->addWidget(messinfo_);
  layout->addWidget(bar_);
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(100);
  connect(timer1_, &QTimer::timeout, this, &BusyDialog::tick);
}

void BusyDialog::show() { QDialog::show(); }
void BusyDialog::hide() { QDialog::hide(); }

void BusyDialog::setStatus(std::string_view text) {
  messinfo_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (isVisible()) {
    repaint();
    // Paint at once while the caller keeps working; no input is taken meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

QString BusyDialog::statusText() const { return messinfo_->text(); }

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
  bar_->setValue(ticks_ % 100);
  repaint();
}

}  // namespace zov::gui
