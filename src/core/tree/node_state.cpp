#include "tree/node_state.h"

#include "tree/colors.h"

namespace zov {

std::string NodeStateText(const Tree& tree, NodeId node, int treeIndex) {
  if (!tree.valid(node)) return {};
  const Node& n = tree.node(node);
  std::string words;
  const auto say = [&words](const char* w) { words += (words.empty() ? "" : ", ") + std::string(w); };
  const bool notLinked = n.foreColor == kNotLinkedRootFore && n.backColor == kNotLinkedRootBack;
  if (notLinked) say("not linked to the use cases");
  if (n.foreColor == kSelectedFore && n.backColor == kSelectedBack) say("level selected");
  if (n.backColor == kStartStopBack && !notLinked) say("start or stop level");
  // Red: a sibling group whose weights do not add up to 1 is red and bold;
  // a leaf the coverage criterion left out is red alone.
  if (n.foreColor == kRedBranchFore) say(n.bold ? "weights to be checked" : "left out by the coverage");
  if (n.foreColor == kSelectionLeafFore) say("leaf of the selection");
  if (n.backColor == kLocatedGreen || n.backColor == kLocatedBlue) say("found");
  // Bold says one thing per tree: in the Main Tree a node the node editor
  // marked "Selected:" or a use case reached through a link, in the UIT
  // tree a diagram, message or attribute whose operations the tests call.
  if (n.bold && n.foreColor != kRedBranchFore) {
    if (treeIndex == kMainTree) say("marked");
    if (treeIndex == kUitTree) say("calls operations");
  }
  return words;
}

}  // namespace zov
