#include "model/design_tree.h"

#include <string>

#include "tree/colors.h"
#include "tree/kinds.h"

namespace zov {

namespace {

constexpr std::string_view kRoot = "Design Tree";

class Builder {
 public:
  Builder(Tree& t, const ModelSource& m) : t_(t), m_(m) {}

  bool packages(Items items, const std::string& parent) {
    for (Handle p : items) {
      // "Use Case Realizations" has no node of its own: its diagrams and
      // packages go below its parent.
      std::string below = parent;
      if (m_.Name(p) != "Use Case Realizations") {
        if (t_.addChild(parent, m_.Identifier(p), m_.Name(p), kind::kPackage) == kNoNode) return false;
        below = m_.Identifier(p);
      }
      for (Handle s : m_.PackageScenarioDiagrams(p)) {
        const auto k = m_.DiagramKind(s) == kSequenceDiagram ? kind::kSequence : kind::kCollaboration;
        if (t_.addChild(below, m_.Identifier(s), m_.Name(s), k) == kNoNode) return false;
      }
      if (!packages(m_.SubPackages(p), below)) return false;
    }
    return true;
  }

  bool reuses(Handle package) {
    for (Handle c : m_.ClassDiagrams(package))
      for (Handle q : m_.DiagramPackages(c)) {
        const std::string parent = m_.Identifier(q);
        int n = 1;  // numbered from 1 at each visit
        for (Handle r : m_.PackageReuses(q)) {
          const Handle reused = m_.ReusedPackage(r);
          const std::string base = m_.Identifier(reused) + "-reused-";
          // A package reused again on a later visit gets the next free number.
          while (t_.contains(base + " " + std::to_string(n))) ++n;
          if (t_.addChild(parent, base + " " + std::to_string(n), m_.Name(reused), kind::kPackageReused) == kNoNode)
            return false;
          ++n;
        }
      }
    for (Handle p : m_.SubPackages(package))
      if (!reuses(p)) return false;
    return true;
  }

 private:
  Tree& t_;
  const ModelSource& m_;
};

}  // namespace

bool BuildDesignTree(Tree& tree, const ModelSource& m, Handle model) {
  const Handle logical = m.LogicalRoot(model);
  const NodeId root = tree.addTop(kRoot, kRoot, kind::kPackage);
  if (root == kNoNode) return false;
  tree.setExpanded(root, true);
  if (!logical) return true;
  Builder b(tree, m);
  return b.packages(m.SubPackages(logical), std::string(kRoot)) && b.reuses(logical);
}

void LocatePackage(Tree& tree, std::string_view key, int index) {
  for (NodeId n = tree.nextInCollection(kNoNode); n != kNoNode; n = tree.nextInCollection(n)) {
    const Color back = tree.node(n).backColor;
    if (back == kLocatedBlue || back == kLocatedGreen) tree.setBackColor(n, kLocatedCleared);
  }
  const NodeId found = tree.find(key);  // keys are unique: at most one node
  if (found == kNoNode) return;
  const int j = tree.indexOf(found);
  for (int i = 1; i <= j; ++i) tree.setExpanded(tree.at(i), true);
  tree.setBackColor(found, index == 6 ? kLocatedGreen : kLocatedBlue);
}

}  // namespace zov
