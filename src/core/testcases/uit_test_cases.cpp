#include "testcases/uit_test_cases.h"

#include <optional>
#include <unordered_map>

#include "testcases/scenario.h"
#include "tree/colors.h"
#include "tree/kinds.h"

namespace zov {

namespace {

constexpr Color kGreenLeaf = Rgb(0, 128, 0);

// The name of a Main Tree diagram node: its text after the weight label.
std::string_view NameAfterLabel(std::string_view text) {
  const std::size_t p = text.find(']');
  const std::size_t from = p == std::string_view::npos ? 1 : p + 2;
  return from >= text.size() ? std::string_view() : text.substr(from);
}

}  // namespace

std::unordered_map<std::string, int> GreenLeaves(const Tree& t) {
  std::unordered_map<std::string, int> leaves;
  int i = 0;
  for (NodeId id = t.nextInCollection(kNoNode); id != kNoNode; id = t.nextInCollection(id)) {
    ++i;
    const Node& n = t.node(id);
    if (n.foreColor != kGreenLeaf || n.children != 0) continue;
    leaves.try_emplace(std::string(n.key.substr(0, n.key.find("$$"))), i);
  }
  return leaves;
}

int GetSequenceDiag(const ModelSource& m, Handle diagram, const Tree& tree) {
  const auto leaves = GreenLeaves(tree);
  const auto it = leaves.find(m.Identifier(diagram));
  return it == leaves.end() ? 0 : it->second;
}

namespace {
// The name a UIT node shows between its weight label and its "((NTP"
// annotation; nothing for a node without an annotation.
std::optional<std::string> ShownName(std::string_view text) {
  if (text.find("((") == std::string_view::npos) return std::nullopt;
  const std::size_t r = text.find(']');
  std::string bare(text.substr(std::min(text.size(), r == std::string_view::npos ? std::size_t{1} : r + 2)));
  const std::size_t p = bare.find("((");
  if (p == std::string::npos || p < 2) return std::nullopt;
  bare.resize(p - 2);
  return bare;
}

bool HasAnObject(const ModelSource& m, Handle diagram, const Tree& uit, NodeId node) {
  for (NodeId c = uit.node(node).child; c != kNoNode; c = uit.node(c).next)
    for (Handle o : m.DiagramObjects(diagram))
      if (uit.node(c).key == m.Identifier(o)) return true;
  return false;
}
}  // namespace

bool GiaPresente(const ModelSource& m, Handle diagram, const Tree& uit) {
  UitNames names(uit);
  return GiaPresente(m, diagram, uit, names);
}

NodeId UitNames::first(const std::string& name) {
  for (NodeId id = uit_.nextInCollection(seen_); id != kNoNode; id = uit_.nextInCollection(id)) {
    seen_ = id;
    if (auto shown = ShownName(uit_.node(id).text)) firsts_.try_emplace(std::move(*shown), id);
  }
  const auto it = firsts_.find(name);
  return it == firsts_.end() || !uit_.valid(it->second) ? kNoNode : it->second;
}

bool GiaPresente(const ModelSource& m, Handle diagram, const Tree& uit, UitNames& names) {
  if (m.DiagramKind(diagram) != kCollaborationDiagram) return false;
  // Only the first node showing the name counts.
  const NodeId first = names.first(m.Name(diagram));
  return first != kNoNode && HasAnObject(m, diagram, uit, first);
}

bool AggiungiSequenceaTV(ModelSource& m, Handle diagram, const Tree& source, Tree& target, int index) {
  const NodeId node = source.at(index);
  if (node == kNoNode) return false;
  if (target.contains(m.Identifier(diagram))) return false;
  m.Rename(diagram, source.node(node).text);
  return AddWholeScenario(m, diagram, target);
}

void CaricaAllSequenceNonConnessi(const ModelSource& m, Handle model, const Tree& mainTree, Tree& notLinked,
                                  const std::function<void(std::string_view)>& status,
                                  const std::function<void(std::string_view)>& warn) {
  // The diagrams the Main Tree shows (its diagram nodes are keyed by their
  // identifiers, a copy's key followed by "$$"), and the names they show.
  StringIndex<char> linked;
  std::unordered_map<std::string, std::string> shown;
  for (NodeId id = mainTree.nextInCollection(kNoNode); id != kNoNode; id = mainTree.nextInCollection(id)) {
    const Node& n = mainTree.node(id);
    if (!kind::IsScenario(n.image)) continue;
    const std::string key(n.key.substr(0, n.key.find("$$")));
    linked.try_emplace(key);
    shown.try_emplace(std::string(NameAfterLabel(n.text)), key);
  }
  for (Handle p : m.AllPackages(model)) {
    if (status) status("Category: " + m.Name(p));
    for (Handle d : m.ScenarioDiagrams(p)) {
      if (linked.contains(m.Identifier(d))) continue;
      // Not linked, though a diagram of the Main Tree has its name: listed
      // all the same, since the two are different diagrams.
      if (const auto same = shown.find(m.Name(d)); same != shown.end() && warn)
        warn("Two diagrams are named \"" + m.Name(d) + "\" (keys " + same->second + " and " + m.Identifier(d) +
             "): the second is linked to no use case and goes to the not-linked tree; rename one in the model "
             "so that their documents tell them apart");
      if (!AggiungiScenario(m, d, notLinked) && status)
        status("\"" + m.Name(d) + "\" is in the not-linked tree already: skipped");
    }
  }
}

}  // namespace zov
