#include "session/uit_commands.h"

#include "testcases/scenario.h"
#include "testcases/uit_test_cases.h"
#include "tree/kinds.h"

namespace zov {

namespace {

// Copies a node of another tree (key, text, kind) below parentKey of the UIT tree.
void CopyNode(Tree& uit, const Node& n, std::string_view parentKey, const StatusFn& skipped) {
  if (uit.contains(n.key)) {
    if (kind::IsScenario(n.image)) skipped(n.text);
    return;
  }
  uit.addChild(parentKey, n.key, n.text, n.image);
}

}  // namespace

void CaricaAllSequence(ModelSource& m, Handle model, Tree& uit, const StatusFn& status, const StatusFn& skipped) {
  status("Loading all Sequence Diagrams");
  uit.beginBulkUpdate();
  for (Handle p : m.AllPackages(model))
    for (Handle d : m.ScenarioDiagrams(p))
      if (!AddWholeScenario(m, d, uit)) skipped(m.Name(d));
  uit.endBulkUpdate();
  status("All Sequence Diagrams found");
}

void CaricaSequenceFromZov(ModelSource& m, Handle model, const Tree& selection, Tree& uit, const StatusFn& status,
                           const StatusFn& skipped, const StatusFn& warn) {
  status("Loading all Sequence Diagrams");
  const auto leaves = GreenLeaves(selection);
  UitNames names(uit);
  const auto step = [&](Handle d) {
    const auto it = leaves.find(m.Identifier(d));
    if (it == leaves.end()) return;
    // A collaboration diagram that shows the name and an object of a test
    // case already loaded is taken for that one. Only the same diagram is:
    // another diagram of that name is a test case of its own.
    if (GiaPresente(m, d, uit, names)) {
      const Node& shown = uit.node(names.first(m.Name(d)));
      if (shown.key == m.Identifier(d)) return;
      if (warn)
        warn("Two diagrams are named \"" + m.Name(d) + "\" (keys " + std::string(shown.key) + " and " +
             m.Identifier(d) +
             "): both are test cases; rename one in the model so that their documents tell them apart");
    }
    if (!AggiungiSequenceaTV(m, d, selection, uit, it->second)) skipped(m.Name(d));
  };
  uit.beginBulkUpdate();
  for (Handle p : m.AllPackages(model)) {
    for (Handle d : m.ScenarioDiagrams(p)) step(d);
    for (Handle u : m.PackageUseCases(p))
      for (Handle d : m.ScenarioDiagrams(u)) step(d);
  }
  uit.endBulkUpdate();
  status("All Sequence Diagrams found");
}

void LoadFromDesignTree(const Tree& design, Tree& uit, const StatusFn& skipped) {
  for (NodeId id = design.nextInCollection(kNoNode); id != kNoNode; id = design.nextInCollection(id))
    if (kind::IsScenario(design.node(id).image)) CopyNode(uit, design.node(id), "ROOT", skipped);
}

void LoadNotLinked(const Tree& notLinked, Tree& uit, const StatusFn& skipped) {
  for (NodeId id = notLinked.nextInCollection(kNoNode); id != kNoNode; id = notLinked.nextInCollection(id)) {
    const Node& n = notLinked.node(id);
    if (n.parent == kNoNode) continue;  // the root "<<NOT linked>>"
    // Below "ROOT" of the UIT tree, or below the copy of the node's parent.
    CopyNode(uit, n, notLinked.node(n.parent).key, skipped);
  }
}

}  // namespace zov
