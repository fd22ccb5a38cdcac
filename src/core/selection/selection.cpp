#include "selection/selection.h"

#include <string>

#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {

namespace {

bool Marked(const Tree& t, NodeId n) { return t.node(n).backColor == kSelectedBack; }

constexpr int kCopiedGenerations = 4;

// Copies the children of from below into, and theirs, down to generations.
void CopyGenerations(const Tree& uit, NodeId from, Tree& selected, NodeId into, int generations) {
  if (generations == 0) return;
  for (NodeId c = uit.node(from).child; c != kNoNode; c = uit.node(c).next) {
    const Node& cn = uit.node(c);
    const NodeId cc = selected.addChild(into, cn.key, cn.text, cn.image);
    if (cc == kNoNode) continue;
    selected.setBold(cc, true);
    selected.setChecked(cc, cn.checked);
    CopyGenerations(uit, c, selected, cc, generations - 1);
  }
}

}  // namespace

std::int16_t Level(const Tree& t, NodeId node) { return LeggiTag(t.tag(node)).level; }

void SelezionaNodo(Tree& t, NodeId node) {
  t.setForeColor(node, kSelectedFore);
  t.setBackColor(node, kSelectedBack);
}

void DeselezionaNodo(Tree& t, NodeId node, Color fore, Color back) {
  t.setForeColor(node, fore);
  t.setBackColor(node, back);
}

void DeselezionaTutto(Tree& t, Color fore, Color back) {
  for (NodeId id : t.collection()) DeselezionaNodo(t, id, fore, back);
}

void SelezionaNodiChild(Tree& t, NodeId node, std::int16_t stop) {
  // Depth first with an explicit stack: branches can be deep.
  std::vector<NodeId> pending{node};
  while (!pending.empty()) {
    const NodeId n = pending.back();
    pending.pop_back();
    const bool atStop = Level(t, n) == stop;
    std::vector<NodeId> below;
    for (NodeId c = t.node(n).child; c != kNoNode; c = t.node(c).next) {
      if (atStop) {
        if (kind::IsScenario(t.node(c).image)) SelezionaNodo(t, c);
        continue;
      }
      SelezionaNodo(t, c);
      below.push_back(c);
    }
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
}

void SelezionaVersoRadice(Tree& t, NodeId node, std::int16_t level) {
  NodeId anchor = node;
  while (Level(t, anchor) >= 1 && t.node(anchor).parent != kNoNode) anchor = t.node(anchor).parent;
  SelezionaNodo(t, anchor);
  SelezionaNodiChild(t, anchor, level);
}

void SelezionaDueLivelli(Tree& t, NodeId node, const LevelSelection& s) {
  const std::int16_t level = Level(t, node);
  if (level <= s.livellostart) {
    SelezionaNodo(t, node);
    SelezionaNodiChild(t, node, level);
    return;
  }
  NodeId anchor = node;
  while (Level(t, anchor) > s.livellostart && t.node(anchor).parent != kNoNode) anchor = t.node(anchor).parent;
  SelezionaNodo(t, anchor);
  SelezionaNodiChild(t, anchor, -1);
}

bool ControllaRamiOut(const Tree& t) {
  for (NodeId id = t.nextInCollection(kNoNode); id != kNoNode; id = t.nextInCollection(id))
    if (t.node(id).foreColor == kRedBranchFore) return false;
  return true;
}

void CopiaSelezionati(const Tree& source, Tree& destination) {
  destination.clear();
  for (NodeId id : source.collection()) {
    if (!Marked(source, id)) continue;
    const Node& n = source.node(id);
    const NodeId copy = n.parent == kNoNode ? destination.addTop(n.key, n.text, n.image)
                                            : destination.addChild(source.node(n.parent).key, n.key, n.text, n.image);
    if (copy == kNoNode) continue;
    destination.setTag(copy, source.tag(id));
    destination.setBold(copy, true);
    destination.setExpanded(copy, true);
  }
}

void CopiaSelezionati2Liv(const Tree& source, Tree& destination, const LevelSelection& s) {
  destination.clear();
  const std::vector<NodeId> nodes = source.collection();
  for (NodeId id : nodes) {
    if (!Marked(source, id)) continue;
    const Node& n = source.node(id);
    const NodeTag tag = LeggiTag(source.tag(id));
    if (tag.level != s.livellostart) continue;
    const std::string_view text = n.text;
    const std::size_t cut = text.find("] ");
    const std::string name(cut == std::string_view::npos ? text : text.substr(cut + 2));
    const NodeId copy = destination.addTop(n.key, WeightLabel(1.0f, name), n.image);
    if (copy == kNoNode) continue;
    destination.setTag(copy, CreaTag(tag.level, 1.0f, tag.count, tag.edited));
    destination.setBold(copy, true);
    destination.setExpanded(copy, true);
  }
  for (NodeId id : nodes) {
    if (!Marked(source, id)) continue;
    const Node& n = source.node(id);
    const std::int16_t level = LeggiTag(source.tag(id)).level;
    if (level <= s.livellostart || level > s.livellostop || n.parent == kNoNode) continue;
    const NodeId copy = destination.addChild(source.node(n.parent).key, n.key, n.text, n.image);
    if (copy == kNoNode) continue;
    destination.setTag(copy, source.tag(id));
    destination.setBold(copy, true);
    destination.setExpanded(copy, true);
  }
}

void SelezionaTutti(Tree& uit, Tree& selected) {
  const NodeId root = selected.find("Selected Item");
  for (NodeId id : uit.collection()) {
    uit.setChecked(id, true);
    const Node& n = uit.node(id);
    if (n.parent == kNoNode || selected.contains(n.key)) continue;
    const std::string_view parentKey = uit.node(n.parent).key;
    const NodeId copy = parentKey == "ROOT" ? selected.addChild(root, n.key, n.text, n.image)
                                            : selected.addChild(parentKey, n.key, n.text, n.image);
    if (copy == kNoNode) continue;
    if (parentKey == "ROOT") selected.setExpanded(copy, true);
    selected.setTag(copy, uit.tag(id));
    selected.setBold(copy, n.bold);
    selected.setChecked(copy, true);
  }
}

bool AddSelectedTestCase(Tree& uit, NodeId dragged, Tree& selected) {
  if (uit.node(dragged).checked) return false;
  const NodeId root = selected.find("Selected Item");
  if (root == kNoNode) return true;
  const Node& d = uit.node(dragged);
  const NodeId copy = selected.addChild(root, d.key, d.text, d.image);
  if (copy != kNoNode) {
    selected.setBold(copy, true);
    selected.setExpanded(copy, false);
    selected.setChecked(copy, d.checked);
    CopyGenerations(uit, dragged, selected, copy, kCopiedGenerations);
  }
  uit.setChecked(dragged, true);
  uit.setExpanded(dragged, false);
  return true;
}

}  // namespace zov
