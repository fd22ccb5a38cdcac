// A tree view of TV(i): shows the core tree through a TreeModel and passes
// mouse events to the main window's rules.
#pragma once

#include <QPoint>
#include <QTreeView>

#include "shell/tree_model.h"
#include "window/generale.h"

namespace zov::gui {

class TreeView : public QTreeView {
  Q_OBJECT

 public:
  TreeView(Generale& g, int index, QWidget* parent = nullptr);
  int treeIndex() const { return index_; }
  TreeModel* treeModel() const { return model_; }

 signals:
  // The main window shows the pop-up at the pointer.
  void popupRequested(zov::Popup popup, const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void applyExpanded();
  static MouseButton ButtonOf(Qt::MouseButton b);

  Generale& g_;
  int index_;
  TreeModel* model_;
  bool dragArmed_ = false;
  QPoint pressPos_;
};

}  // namespace zov::gui
