// Dialog sizes that fit small screens: a dialog asks for its size, and gets
// at most the room of the window it belongs to (an 800x600 window keeps its
// dialogs within it) and of the screen.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

namespace zov::gui {

inline QSize FitWindow(const QWidget* parent, QSize wanted) {
  if (parent != nullptr && parent->window()->isVisible()) wanted = wanted.boundedTo(parent->window()->size());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) wanted = wanted.boundedTo(screen->availableSize());
  return wanted;
}

}  // namespace zov::gui
