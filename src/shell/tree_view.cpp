#include "shell/tree_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace zov::gui {

namespace {
const QString kNodeMime = QStringLiteral("application/x-zov-node");
}  // namespace

TreeView::TreeView(Generale& g, int index, QWidget* parent)
    : QTreeView(parent), g_(g), index_(index), model_(new TreeModel(g.TV(index), this)) {
  setObjectName(QStringLiteral("TV%1").arg(index));
  // What a screen reader calls each tree.
  static const char* const kNames[kTreeCount] = {
      "Main Tree",           "Test cases found (UIT tree)",  "Test Specification Tree",
      "Selected test cases", "Diagrams no use case reaches", "Selection tree",
      "Design Tree"};
  if (index >= 0 && index < kTreeCount) setAccessibleName(QString::fromLatin1(kNames[index]));
  model_->treeIndex = index;
  setHeaderHidden(true);
  setModel(model_);
  // Several test cases of the Test Specification tree can be picked
  // (Ctrl/Shift-click) for "&Selected Test Cases".
  setSelectionMode(index == kSpecTree ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
  // F2 edits a Main Tree node's weight in place; nothing else edits a node.
  if (index == kMainTree) {
    model_->weightTyped = [this](NodeId n, const std::string& w) { g_.editWeightInPlace(n, w); };
    setEditTriggers(QAbstractItemView::EditKeyPressed);
  } else {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
  }
  // A diagram's verdicts read back show beside its weight, as text.
  if (index == kMainTree || index == kSelectionTree)
    model_->suffix = [this](NodeId n) { return g_.resultsBadge(index_, n); };
  // Long texts (a leaf's "((NTP:n))" comes last) scroll sideways rather
  // than being cut.
  setTextElideMode(Qt::ElideNone);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setExpandsOnDoubleClick(true);
  setIconSize(QSize(16, 16));
  // Test cases are dragged from the UIT tree onto the selected test cases.
  if (index == kUitTree || index == kSelectedTestCases) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
  }

  // The core's Expanded flags and the view's expansion follow each other.
  connect(model_, &TreeModel::nodeExpandedChanged, this, [this](const QModelIndex& i, bool on) { setExpanded(i, on); });
  connect(model_, &TreeModel::modelWasReset, this, &TreeView::applyExpanded);
  connect(this, &QTreeView::expanded, this,
          [this](const QModelIndex& i) { model_->tree().setExpanded(model_->nodeOf(i), true); });
  connect(this, &QTreeView::collapsed, this,
          [this](const QModelIndex& i) { model_->tree().setExpanded(model_->nodeOf(i), false); });
  // Selection: core to view and view to core.
  connect(model_, &TreeModel::nodeSelected, this, [this](const QModelIndex& i) {
    if (i != currentIndex()) setCurrentIndex(i);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { model_->tree().setSelected(model_->nodeOf(i)); });
  if (index == kSpecTree)
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
      g_.highlightedNodes.clear();
      for (const QModelIndex& i : selectionModel()->selectedRows()) g_.highlightedNodes.push_back(model_->nodeOf(i));
    });
  // A node added expanded (a root) shows its children at once.
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& under, int first, int last) {
    for (int r = first; r <= last; ++r) {
      const QModelIndex i = model_->index(r, 0, under);
      if (model_->tree().node(model_->nodeOf(i)).expanded) setExpanded(i, true);
    }
    if (under.isValid() && model_->tree().node(model_->nodeOf(under)).expanded) setExpanded(under, true);
  });
}

void TreeView::applyExpanded() {
  const Tree& t = model_->tree();
  // Every branch expanded, or none: the view's own bulk operation (node by
  // node, a tree of 20,000 nodes took the view over a minute).
  bool all = true, none = true;
  for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode && (all || none); n = t.nextInCollection(n))
    if (t.node(n).children > 0) (t.node(n).expanded ? none : all) = false;
  if (all) {
    expandAll();
  } else if (none) {
    collapseAll();
  } else {
    for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n))
      if (t.node(n).expanded) setExpanded(model_->indexOf(n), true);
  }
  const NodeId sel = t.selected();
  if (sel != kNoNode) setCurrentIndex(model_->indexOf(sel));
}

MouseButton TreeView::ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton: return MouseButton::kRight;
    case Qt::MiddleButton: return MouseButton::kMiddle;
    default: return MouseButton::kLeft;
  }
}

void TreeView::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  const NodeId hit = model_->nodeOf(indexAt(event->position().toPoint()));
  pressPos_ = event->position().toPoint();
  dragArmed_ = g_.mouseDown(index_, hit, ButtonOf(event->button()));
}

void TreeView::mouseMoveEvent(QMouseEvent* event) {
  if (dragArmed_ && (event->buttons() & Qt::LeftButton) &&
      (event->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
    dragArmed_ = false;
    // The drop target reads the dragged node from the main window state.
    g_.mouseUp(index_, MouseButton::kLeft);
    const NodeId n = g_.draggedNode;
    if (n == kNoNode) return;
    auto* mime = new QMimeData;
    mime->setData(kNodeMime, QByteArray::fromStdString(std::string(model_->tree().node(n).key)));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QModelIndex i = model_->indexOf(n);
    drag->setPixmap(model_->data(i, Qt::DecorationRole).value<QIcon>().pixmap(16, 16));
    drag->exec(Qt::CopyAction);
    model_->tree().setDropHighlight(kNoNode);
    g_.dragging = false;
    return;
  }
  QTreeView::mouseMoveEvent(event);
}

void TreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  dragArmed_ = false;
  g_.dragging = false;
  const Popup popup = g_.mouseUp(index_, ButtonOf(event->button()));
  if (popup != Popup::kNone) emit popupRequested(popup, event->globalPosition().toPoint());
}

void TreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kNodeMime))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (!event->mimeData()->hasFormat(kNodeMime)) {
    event->ignore();
    return;
  }
  g_.mouseMove(index_, model_->nodeOf(indexAt(event->position().toPoint())));
  event->acceptProposedAction();
}

void TreeView::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasFormat(kNodeMime)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  g_.dropOn(index_, model_->nodeOf(indexAt(event->position().toPoint())));
}

void TreeView::keyPressEvent(QKeyEvent* event) {
  // The context-menu key and Shift+F10 open the pop-up of the current
  // node, as a right click does.
  const bool menuKey =
      event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
  if (menuKey && currentIndex().isValid()) {
    g_.mouseDown(index_, model_->nodeOf(currentIndex()), MouseButton::kRight);
    const Popup popup = g_.mouseUp(index_, MouseButton::kRight);
    if (popup != Popup::kNone) emit popupRequested(popup, viewport()->mapToGlobal(visualRect(currentIndex()).center()));
    return;
  }
  // Insert or Enter on a test case of the UIT tree puts it into the
  // selected test cases, as dragging it there does.
  if ((event->key() == Qt::Key_Insert || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      index_ == kUitTree && currentIndex().isValid() &&
      model_->tree().node(model_->nodeOf(currentIndex())).parent != kNoNode) {
    g_.pickTestCase(model_->nodeOf(currentIndex()));
    return;
  }
  // Delete on a choice of a category removes it, as "&Remove" does.
  if (event->key() == Qt::Key_Delete && index_ == kSpecTree && currentIndex().isValid() &&
      RemovableChoice(model_->tree(), model_->nodeOf(currentIndex())) != kNoNode) {
    g_.session.removeChoice(model_->nodeOf(currentIndex()));
    return;
  }
  QTreeView::keyPressEvent(event);
}

}  // namespace zov::gui
