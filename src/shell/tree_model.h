// A Qt item model over one core tree: the view reads the core store
// directly and follows its changes; nothing is copied.
#pragma once

#include <QAbstractItemModel>
#include <functional>
#include <string>

#include "tree/tree.h"

class QColor;

namespace zov::gui {

// The contrast ratio of two colours (WCAG 2.1: 1 to 21).
double Contrast(const QColor& a, const QColor& b);
// fore, or the nearest colour of its hue toward white or black that reads
// on back at a contrast of 4.5:1 (WCAG 2.1 AA), whatever the theme.
QColor Readable(const QColor& fore, const QColor& back);

class TreeModel : public QAbstractItemModel, private TreeObserver {
  Q_OBJECT

 public:
  explicit TreeModel(Tree& tree, QObject* parent = nullptr);
  ~TreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Weights edited in place (F2): given, a node with a weight label
  // ("[0.4000] name") is editable, its edit text is the weight, and the
  // weight typed goes to weightTyped.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  std::function<void(NodeId, const std::string&)> weightTyped;
  // The tree's number (TV(0..6)): what its colours mean depends on it.
  int treeIndex = -1;
  // Text shown after a node's own (a diagram's verdicts read back), when given.
  std::function<std::string(NodeId)> suffix;

  QModelIndex indexOf(NodeId node) const;
  NodeId nodeOf(const QModelIndex& index) const;
  Tree& tree() const { return tree_; }

 signals:
  void nodeExpandedChanged(const QModelIndex& index, bool expanded);
  void nodeSelected(const QModelIndex& index);
  // After a reset: the view re-applies every node's expanded flag.
  void modelWasReset();

 private:
  void nodeAboutToBeAdded(NodeId parent, int row) override;
  void nodeAdded(NodeId node) override;
  void nodeAboutToBeRemoved(NodeId node, int row) override;
  void nodeRemoved() override;
  void nodeChanged(NodeId node) override;
  void expandedChanged(NodeId node) override;
  void selectionChanged(NodeId node) override;
  void treeAboutToBeReset() override;
  void treeReset() override;

  Tree& tree_;
};

}  // namespace zov::gui
