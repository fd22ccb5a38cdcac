#include "model/tidy_up.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "model/link_analysis.h"
#include "model/load_files.h"
#include "tree/colors.h"
#include "tree/kinds.h"
#include "tree/tag.h"

namespace zov {

namespace {

bool IsRealizationStereotype(std::string_view s) {
  return s == "business use-case realization" || s == "use-case realization";
}
bool IsRealize(std::string_view s) { return s == "realize" || s == "realizes"; }

std::string_view Prefix12(std::string_view key) { return key.substr(0, 12); }

// Adds an element below parent with its scenario diagrams below it.
NodeId AddWithDiagrams(Tree& t, NodeId parent, const ModelSource& m, Handle element, std::string_view kindOf) {
  const NodeId node = t.addChild(parent, m.Identifier(element), m.Name(element), kindOf);
  if (node == kNoNode) return kNoNode;
  for (Handle d : m.ScenarioDiagrams(element))
    t.addChild(node, m.Identifier(d), m.Name(d),
               m.DiagramKind(d) == kSequenceDiagram ? kind::kSequence : kind::kCollaboration);
  return node;
}

// The tag of a copy: the tag of the node it goes below, one level deeper.
const std::string& TagBelow(const Tree& t, NodeId parent, CopyState& s) {
  const std::string& above = t.tag(parent);
  auto [below, made] = s.tagsBelow.try_emplace(above);
  if (made) {
    const NodeTag p = LeggiTag(above);
    below->level = static_cast<std::int16_t>(p.level + 1);
    below->tag = CreaTag(below->level, p.weight, p.count, p.edited);
  }
  s.deepestCopyLevel = std::max(s.deepestCopyLevel, below->level);
  return below->tag;
}

bool Full(const Tree& t, CopyState& s) {
  if (t.count() < s.cap) return false;
  s.stopped = true;
  s.stack.clear();
  return true;
}

// Steps 1 and 2 of a copy: the kind of L after its target T, the cut of a
// branch whose element already occurs twice above it, and the leaf that
// stands for L's own element. Returns false when the branch is cut.
bool StartCopy(Tree& t, CopyState& s, NodeId l, NodeId target, bool firstLevel) {
  t.setBold(l, false);
  const std::string_view targetKind = t.node(target).image;
  if (targetKind == kind::kEntryUsecase) {
    t.setImage(l, kind::kUsecaseRip);
  } else if (targetKind == kind::kUsecaseRel) {
    t.setImage(l, kind::kUsecaseRelrip);
  } else if (firstLevel && t.node(l).image == kind::kContinua) {
    // A link to anything else (a package reached twice): it takes its
    // target's kind, so that it is expanded once and the passes end.
    t.setImage(l, targetKind == kind::kContinua ? kind::kUsecaseCic : std::string_view(targetKind));
  }
  if (!firstLevel) {
    if (ControllaRipetizione(t, l) >= 2) {
      t.setImage(l, kind::kUsecaseCic);
      return false;
    }
    if (Full(t, s)) return false;
    const Node& n = t.node(l);
    const NodeId leaf = t.addChild(l, K(s, n.key), n.text, n.image);
    if (leaf != kNoNode) t.setTag(leaf, TagBelow(t, l, s));
  }
  const Node& tn = t.node(target);
  if (tn.children > 0) s.stack.push_back({l, tn.child, tn.children, {}});
  return true;
}

// The elements a not-linked line may name, found once: for each
// identifier, the first element with it on each diagram searched, in the
// order the diagrams are searched.
using ElementIndex = StringIndex<std::vector<Handle>>;

void AddToIndex(ElementIndex& index, const ModelSource& m, Handle d, bool realizations) {
  StringIndex<char> seen;  // the first match on a diagram ends its search
  for (Handle u : m.DiagramUseCases(d)) {
    if (realizations && !IsRealizationStereotype(m.Stereotype(u))) continue;
    const std::string id = m.Identifier(u);
    if (!seen.try_emplace(id).second) continue;
    index[id].push_back(u);
  }
}

// The use cases on the use-case diagrams of the use-case view's root package.
ElementIndex UseCaseIndex(const ModelSource& m, Handle model) {
  ElementIndex index;
  for (Handle d : m.ClassDiagrams(m.UseCaseRoot(model)))
    if (m.IsUseCaseDiagram(d)) AddToIndex(index, m, d, false);
  return index;
}

// The realizations on the traceability diagrams of every logical package.
ElementIndex RealizationIndex(const ModelSource& m, Handle model) {
  ElementIndex index;
  for (Handle p : m.AllPackages(m.LogicalRoot(model))) {
    for (Handle d : m.ClassDiagrams(p)) {
      const std::string name = m.Name(d);
      if (name != "Traceability" && name != "Traceabilities") continue;
      if (m.IsUseCaseDiagram(d)) AddToIndex(index, m, d, true);
    }
  }
  return index;
}

}  // namespace

void GestisciNotLinked(Tree& t, const ModelSource& m, Handle model, const LoadFiles& files) {
  const NodeId root = t.addTop("ROOT", "<<NOT linked>>", kind::kChain);
  if (root == kNoNode) return;
  t.setExpanded(root, true);
  t.setForeColor(root, kNotLinkedRootFore);
  t.setBackColor(root, kNotLinkedRootBack);

  // Built on the first line that needs them: one walk of the diagrams
  // instead of one per line.
  std::optional<ElementIndex> useCases, realizations;
  const std::vector<Handle> none;
  const auto lookUp = [&none](const ElementIndex& index, const std::string& id) -> const std::vector<Handle>& {
    const std::vector<Handle>* found = index.find(id);
    return found == nullptr ? none : *found;
  };
  const std::string* notLinked = files.find("notlinked_elements.txt");
  for (std::string_view line : LinesOf(notLinked != nullptr ? *notLinked : std::string_view())) {
    const LinkFields f = RitornaCampi(line);
    if (f.kindName == "USECAOBJ") {
      if (!useCases) useCases = UseCaseIndex(m, model);
      // Later diagrams showing the use case find it in the tree already,
      // unless adding it failed.
      for (Handle u : lookUp(*useCases, f.f1)) {
        if (t.contains(f.f1)) continue;
        const NodeId node = AddWithDiagrams(t, root, m, u, kind::kUsecase);
        for (Handle a : m.UseCaseAssociations(u)) {
          if (!IsRealize(m.Stereotype(a))) continue;
          const Handle r = m.RoleUseCase(m.Role2(a));
          if (r && IsRealizationStereotype(m.Stereotype(r)))
            t.addChild(node, m.Identifier(r), m.Name(r), kind::kUsecaseRel);
        }
      }
    } else {
      if (!realizations) realizations = RealizationIndex(m, model);
      // A realization shown on several traceability diagrams is added once.
      for (Handle u : lookUp(*realizations, f.f1))
        if (!t.contains(f.f1)) AddWithDiagrams(t, root, m, u, kind::kUsecaseRel);
    }
  }
}

int MainTreeCap(int set, int nodesBeforeCopies) {
  if (set > 0) return set;
  constexpr long long kMostInt = std::numeric_limits<int>::max();
  const long long grows = static_cast<long long>(std::max(nodesBeforeCopies, 0)) * kCopyNodesPerNode;
  return static_cast<int>(std::min(kMostInt, std::max<long long>(kMinMainTreeCap, grows)));
}

void AzzeraCollezioni(CopyState& s) {
  s.stack.clear();
  s.counter = 0;
  s.stopped = false;
}

std::string_view K(CopyState& s, std::string_view key) {
  // The running number with at least five digits.
  char number[16];
  char* end = number + sizeof number;
  char* at = end;
  std::uint32_t n = s.counter++;
  do {
    *--at = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (end - at < 5) *--at = '0';
  s.key.assign(key).append("$$").append(at, end);
  return s.key;
}

void CopiaNodoDown(Tree& t, CopyState& s, std::string_view to, std::string_view source, bool firstLevel) {
  const NodeId l = t.find(to);
  const NodeId target = t.find(source);
  if (l == kNoNode || target == kNoNode || s.stopped) return;
  const std::size_t base = s.stack.size();
  if (!StartCopy(t, s, l, target, firstLevel)) return;
  // Depth first, as a recursive copy would go: the branch of a child is
  // copied whole before its next sibling.
  while (s.stack.size() > base) {
    CopyState::Level& level = s.stack.back();
    if (level.remaining == 0 || level.next == kNoNode) {
      s.stack.pop_back();
      continue;
    }
    const NodeId c = level.next;
    const NodeId into = level.target;
    level.next = t.node(c).next;
    --level.remaining;
    if (Full(t, s)) return;
    const Node& cn = t.node(c);
    const std::string_view kindOf = cn.image == kind::kUsecaseRel ? kind::kUsecaseRelrip : std::string_view(cn.image);
    const NodeId copy = t.addChild(into, K(s, cn.key), cn.text, kindOf);
    if (copy == kNoNode) continue;
    // Every copy below one node has the same tag.
    if (level.tag.empty()) level.tag = TagBelow(t, into, s);
    t.setTag(copy, level.tag);
    if (t.node(c).children > 0) {
      StartCopy(t, s, copy, c, false);
      if (s.stopped) return;
    }
  }
}

void DuplicaRami(Tree& t, CopyState& s, const LoadFiles& files, const std::function<void(const std::string&)>& notice) {
  s.counter = 0;
  const auto tell = [&notice](const std::string& text) {
    if (notice) notice(text);
  };
  // A pass expands every link among the nodes there at its start, and the
  // copies it makes come after them all: the next pass looks at those. A
  // link that cannot be expanded stays as it is.
  NodeId from = t.nextInCollection(kNoNode);
  bool found = true;
  while (found && !s.stopped) {
    found = false;
    const int c = from == kNoNode ? 0 : t.count() - t.indexOf(from) + 1;
    NodeId id = from;
    for (int i = 1; i <= c && id != kNoNode; ++i, id = t.nextInCollection(id)) {
      const Node& n = t.node(id);
      if (n.image != kind::kContinua) continue;
      found = true;
      std::string k(n.key);
      if (const std::size_t cut = k.find("$$"); cut != std::string::npos) k.resize(cut);
      const std::string file = k + "_cont.txt";
      const std::string target(files.firstLine(file));
      if (target.empty()) {
        tell("Link \"" + n.text + "\": the continuation file \"" + file + "\" is missing; its branch is not copied.");
        continue;
      }
      if (!t.contains(target)) {
        tell("Link \"" + n.text + "\": its element " + target + " is not in the Main Tree; its branch is not copied.");
        continue;
      }
      const std::string key(n.key);
      CopiaNodoDown(t, s, key, target, true);
      if (s.stopped) {
        tell("The Main Tree has reached " + std::to_string(s.cap) +
             " nodes: copying branches below links stopped here, and the links left are not expanded.");
        return;
      }
    }
    from = id;
  }
}

void EliminaChildUguali(Tree& t) {
  // Walks the collection by position: a removal moves the next node into
  // the position just looked at, so that node is passed over.
  NodeId id = t.nextInCollection(kNoNode);
  while (id != kNoNode) {
    const Node& n = t.node(id);
    NodeId next = t.nextInCollection(id);
    if (n.parent != kNoNode && n.children == 0 && Prefix12(n.key) == Prefix12(t.node(n.parent).key)) {
      t.remove(id);
      if (next != kNoNode) next = t.nextInCollection(next);
    }
    id = next;
  }
}

void EliminaEntry(Tree& t) {
  for (NodeId id : t.liveNodes()) {
    if (t.node(id).image != kind::kEntryUsecase) continue;
    t.setImage(id, kind::kUsecase);
    t.setBold(id, false);
  }
}

std::int16_t DeepestLevel(const Tree& t) {
  std::int16_t deepest = 0;
  for (NodeId id : t.liveNodes()) deepest = std::max(deepest, LeggiTag(t.tag(id)).level);
  return deepest;
}

void AggiungiIndicazioniLivello(Tree& t, std::int16_t deepest) {
  NodeId previous = t.addTop("LEVEL 0", "LEVEL 0", kind::kRose);
  if (previous != kNoNode) t.setExpanded(previous, true);
  for (int n = 1; n <= deepest && previous != kNoNode; ++n) {
    const std::string text = "LEVEL " + std::to_string(n);
    previous = t.addChild(previous, text, text, kind::kRose);
    if (previous != kNoNode) t.setExpanded(previous, true);
  }
}

}  // namespace zov
