#include "weights/node_editor.h"

#include <cmath>

#include "tree/colors.h"
#include "tree/numbers.h"
#include "tree/tag.h"

namespace zov {

namespace {

constexpr float kLeastSum = 0.9999f;
constexpr float kMostSum = 1.0001f;

void Dipingi(Tree& t, NodeId node, Color fore, bool bold) {
  const NodeId parent = t.node(node).parent;
  if (parent == kNoNode) return;
  for (NodeId c = t.node(parent).child; c != kNoNode; c = t.node(c).next) {
    t.setForeColor(c, fore);
    t.setBold(c, bold);
  }
}

}  // namespace

void Rinumera(Tree& t, NodeId node) {
  const NodeId parent = t.node(node).parent;
  if (parent == kNoNode) return;
  float editedSum = 0.0f;
  int unedited = 0;
  for (NodeId c = t.node(parent).child; c != kNoNode; c = t.node(c).next) {
    const NodeTag tag = LeggiTag(t.tag(c));
    if (tag.edited)
      editedSum += tag.weight;
    else
      ++unedited;
  }
  if (unedited == 0) return;
  const float share = (1.0f - editedSum) / static_cast<float>(unedited);
  for (NodeId c = t.node(parent).child; c != kNoNode; c = t.node(c).next) {
    const NodeTag tag = LeggiTag(t.tag(c));
    if (tag.edited) continue;
    t.setTag(c, CreaTag(tag.level, share, tag.count, false));
    t.setText(c, SostituiscePeso(t.node(c).text, share));
  }
}

bool ControllaSommaUnitaria(const Tree& t, NodeId node) {
  const NodeId parent = t.node(node).parent;
  if (parent == kNoNode) return true;
  float sum = 0.0f;
  for (NodeId c = t.node(parent).child; c != kNoNode; c = t.node(c).next) sum += LeggiTag(t.tag(c)).weight;
  return sum >= kLeastSum && sum <= kMostSum;
}

void MetteRamiRossi(Tree& t, NodeId node) { Dipingi(t, node, kRedBranchFore, true); }
void MetteRamiNormal(Tree& t, NodeId node) { Dipingi(t, node, kNormalBranchFore, false); }

void Edita::show(Tree& t, NodeId node) {
  tree_ = &t;
  node_ = node;
  closed_ = false;
  confirmed_ = false;
  const NodeTag tag = LeggiTag(t.tag(node));
  level_ = tag.level;
  weight_ = tag.weight;
  count_ = tag.count;
  edited_ = tag.edited;
  chiave = t.node(node).key;
  Nome = t.node(node).text;
  Liv = IntegerText(level_);
  Wei = ShortForm(weight_);
  Selez = false;
}

std::string Edita::ok() {
  if (tree_ == nullptr || !tree_->valid(node_)) {
    cancel();
    return {};
  }
  Tree& t = *tree_;
  const auto w = static_cast<float>(ReadNumber(Wei));
  if (!std::isfinite(w)) return "Weight: \"" + Wei + "\" is too large for a weight; type a number such as 0.25.";
  if (w != weight_) t.setText(node_, SostituiscePeso(t.node(node_).text, w));
  weight_ = w;
  edited_ = true;
  t.setTag(node_, CreaTag(level_, w, count_, true));
  if (Selez) t.setBold(node_, true);
  // An actor has no siblings to rebalance or check.
  Rinumera(t, node_);
  result_ = ControllaSommaUnitaria(t, node_);
  confirmed_ = true;
  closed_ = true;
  return {};
}

void Edita::cancel() {
  confirmed_ = false;
  closed_ = true;
}

}  // namespace zov
