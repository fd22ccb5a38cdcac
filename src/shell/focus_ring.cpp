#include "shell/focus_ring.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace zov::gui {

namespace {

constexpr int kMargin = 3;  // pixels between the control and the frame's outer edge

// Whether the style shows the control's focus by itself: line edits,
// buttons, check boxes and tabs are drawn with it; views and labels are not,
// nor is a default button, whose frame is the same with the keyboard.
bool StyleShowsFocus(const QWidget* w) {
  if (qobject_cast<const QAbstractScrollArea*>(w) != nullptr || qobject_cast<const QLabel*>(w) != nullptr) return false;
  if (const auto* b = qobject_cast<const QPushButton*>(w)) return !b->isDefault();
  return true;
}

class FocusRing : public QWidget {
 public:
  FocusRing() {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }

  void follow(QWidget* w) {
    if (target_ != nullptr) target_->removeEventFilter(this);
    target_ = w;
    if (w == nullptr || w->isWindow() || StyleShowsFocus(w)) {
      hide();
      return;
    }
    w->installEventFilter(this);
    place();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == target_) switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ParentChange: place(); break;
        default: break;
      }
    return false;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }

 private:
  // On the control's window, above everything: a child of the control's
  // own parent could be taken in as a pane (a splitter adds every child).
  void place() {
    if (target_ == nullptr || !target_->isVisible()) {
      hide();
      return;
    }
    QWidget* window = target_->window();
    if (parentWidget() != window) setParent(window);
    // Around the control, or along its own edge where that is the edge of
    // the window (a view that fills its dialog).
    const QRect at(target_->mapTo(window, QPoint(0, 0)), target_->size());
    setGeometry(at.adjusted(-kMargin, -kMargin, kMargin, kMargin).intersected(window->rect()));
    raise();
    show();
    update();
  }

  QPointer<QWidget> target_;
};

}  // namespace

void ShowKeyboardFocus() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) return;
  // Owned by whichever control it frames; a new one is made if that goes.
  static QPointer<FocusRing> ring;
  QObject::connect(app, &QApplication::focusChanged, app, [](QWidget*, QWidget* now) {
    if (ring.isNull()) ring = new FocusRing;
    ring->follow(now);
  });
}

}  // namespace zov::gui
