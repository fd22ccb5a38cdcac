#include "shell/tree_model.h"

#include <QApplication>
#include <QPalette>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>
#include <cmath>

#include "shell/icons.h"
#include "tree/kinds.h"
#include "tree/node_state.h"

namespace zov::gui {

namespace {

QColor ToQColor(Color c) { return QColor(int(RedOf(c)), int(GreenOf(c)), int(BlueOf(c))); }

double Luminance(const QColor& c) {
  const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

const QString kNoName = QStringLiteral("(no name)");
QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TreeModel::TreeModel(Tree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) { tree_.setObserver(this); }

TreeModel::~TreeModel() { tree_.setObserver(nullptr); }

NodeId TreeModel::nodeOf(const QModelIndex& index) const {
  if (!index.isValid()) return kNoNode;
  const auto id = static_cast<NodeId>(index.internalId());
  return tree_.valid(id) ? id : kNoNode;
}

QModelIndex TreeModel::indexOf(NodeId node) const {
  if (!tree_.valid(node)) return {};
  return createIndex(tree_.row(node), 0, static_cast<quintptr>(node));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (parent.isValid() && nodeOf(parent) == kNoNode) return {};
  const NodeId child = tree_.childAt(nodeOf(parent), row);
  return child == kNoNode ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
  const NodeId node = nodeOf(child);
  if (node == kNoNode) return {};
  return indexOf(tree_.node(node).parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return tree_.rootCount();
  const NodeId node = nodeOf(parent);
  return node == kNoNode ? 0 : tree_.node(node).children;
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

namespace {
// The weight of a label "[0.4000] name", empty without one.
std::string LabelWeight(std::string_view text) {
  if (text.empty() || text.front() != '[') return {};
  const std::size_t end = text.find(']');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(1, end - 1));
}
}  // namespace

double Contrast(const QColor& a, const QColor& b) {
  const double x = Luminance(a), y = Luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor Readable(const QColor& fore, const QColor& back) {
  constexpr double kLeast = 4.5;
  if (Contrast(fore, back) >= kLeast) return fore;
  // Toward whichever of white and black stands out more on back.
  const QColor target = Contrast(Qt::white, back) > Contrast(Qt::black, back) ? QColor(Qt::white) : QColor(Qt::black);
  for (int step = 1; step <= 20; ++step) {
    const double t = step / 20.0;
    const QColor c = QColor::fromRgbF(static_cast<float>(fore.redF() + (target.redF() - fore.redF()) * t),
                                      static_cast<float>(fore.greenF() + (target.greenF() - fore.greenF()) * t),
                                      static_cast<float>(fore.blueF() + (target.blueF() - fore.blueF()) * t));
    if (Contrast(c, back) >= kLeast) return c;
  }
  return target;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
  const NodeId id = nodeOf(index);
  if (id == kNoNode) return {};
  const Node& n = tree_.node(id);
  switch (role) {
    // An element without a name, or a message without one ("[3] "), shows
    // a placeholder; its text stays as it is.
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
      QString text;
      if (n.text.empty()) {
        text = kNoName;
      } else if (n.image == kind::kMessaggio && n.text.view().ends_with("] ")) {
        text = ToQString(n.text) + kNoName;
      } else {
        const std::string more = suffix ? suffix(id) : std::string();
        text = ToQString(more.empty() ? n.text.str() : n.text + more);
      }
      // The tooltip says in words what the colours show.
      if (role == Qt::ToolTipRole)
        if (const std::string state = NodeStateText(tree_, id, treeIndex); !state.empty())
          text += QStringLiteral(" (") + ToQString(state) + QStringLiteral(")");
      return text;
    }
    case Qt::AccessibleDescriptionRole: return ToQString(NodeStateText(tree_, id, treeIndex));
    case Qt::EditRole: return ToQString(LabelWeight(n.text));
    case Qt::DecorationRole: return IconForKindAndState(n.image, NodeStateText(tree_, id, treeIndex));
    case Qt::ForegroundRole: {
      // A node's colours read in any theme: its text is made readable on
      // the background it is shown on (its own, else the palette's).
      if (n.foreColor == kDefaultForeColor && n.backColor == kDefaultBackColor && id != tree_.dropHighlight())
        return {};
      const QPalette palette = QApplication::palette();
      const QColor back = id == tree_.dropHighlight()        ? palette.color(QPalette::Highlight).lighter(150)
                          : n.backColor == kDefaultBackColor ? palette.color(QPalette::Base)
                                                             : ToQColor(n.backColor);
      const QColor fore = n.foreColor == kDefaultForeColor ? palette.color(QPalette::Text) : ToQColor(n.foreColor);
      return QBrush(Readable(fore, back));
    }
    case Qt::BackgroundRole:
      if (id == tree_.dropHighlight()) return QBrush(QApplication::palette().color(QPalette::Highlight).lighter(150));
      return n.backColor == kDefaultBackColor ? QVariant() : QVariant(QBrush(ToQColor(n.backColor)));
    case Qt::FontRole:
      if (n.bold || n.text.empty()) {
        QFont font;
        font.setBold(n.bold);
        font.setItalic(n.text.empty());
        return font;
      }
      return {};
    default: return {};
  }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
  const NodeId n = nodeOf(index);
  if (n == kNoNode) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (weightTyped && !LabelWeight(tree_.node(n).text).empty()) f |= Qt::ItemIsEditable;
  return f;
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const NodeId n = nodeOf(index);
  if (role != Qt::EditRole || n == kNoNode || !weightTyped) return false;
  const std::string typed = value.toString().trimmed().toStdString();
  if (typed.empty() || typed == LabelWeight(tree_.node(n).text)) return false;
  weightTyped(n, typed);  // the tree tells the view what changed
  return true;
}

void TreeModel::nodeAboutToBeAdded(NodeId parent, int row) { beginInsertRows(indexOf(parent), row, row); }

void TreeModel::nodeAdded(NodeId) { endInsertRows(); }

void TreeModel::nodeAboutToBeRemoved(NodeId node, int row) {
  beginRemoveRows(indexOf(tree_.node(node).parent), row, row);
}

void TreeModel::nodeRemoved() { endRemoveRows(); }

void TreeModel::nodeChanged(NodeId node) {
  const QModelIndex i = indexOf(node);
  emit dataChanged(i, i);
}

void TreeModel::expandedChanged(NodeId node) { emit nodeExpandedChanged(indexOf(node), tree_.node(node).expanded); }

void TreeModel::selectionChanged(NodeId node) { emit nodeSelected(indexOf(node)); }

void TreeModel::treeAboutToBeReset() { beginResetModel(); }

void TreeModel::treeReset() {
  endResetModel();
  emit modelWasReset();
}

}  // namespace zov::gui
