#include "app/comandi_uit.h"

#include "app/generale.h"
#include "testcases/scenario.h"
#include "testcases/sequenze.h"
#include "tree/kinds.h"

namespace zov {

namespace {

// Tells, in the busy box, that a diagram shown as name is skipped.
void Gia(Generale& g, std::string_view name) {
  g.MostraMessaggio("\"" + std::string(name) + "\" is in the UIT tree already: skipped");
}

// Copies a node of another tree (key, text, kind) below parentKey of the UIT tree.
void Copia(Generale& g, const Node& n, std::string_view parentKey) {
  Tree& uit = g.TV(kUitTree);
  if (uit.contains(n.key)) {
    if (kind::IsScenario(n.image)) Gia(g, n.text);
    return;
  }
  uit.addChild(parentKey, n.key, n.text, n.image);
}

}  // namespace

void CaricaAllSequence(Generale& g) {
  ModelSource* m = g.modello();
  if (m == nullptr) return;
  g.MostraMessaggio("Loading all Sequence Diagrams");
  g.mostraBusy();
  Tree& uit = g.TV(kUitTree);
  uit.beginBulkUpdate();
  for (Handle p : m->AllPackages(g.modelloAperto()))
    for (Handle d : m->ScenarioDiagrams(p))
      if (!AggiungiScenarioCompleto(*m, d, uit)) Gia(g, m->Name(d));
  uit.endBulkUpdate();
  g.MostraMessaggio("All Sequence Diagrams found");
  g.caricamentoDesignOTuttiFatto();
  g.nascondiBusy();
}

void CaricaSequenceFromZov(Generale& g) {
  ModelSource* m = g.modello();
  if (m == nullptr) return;
  g.MostraMessaggio("Loading all Sequence Diagrams");
  g.mostraBusy();
  const Tree& selection = g.TV(kSelectionTree);
  Tree& uit = g.TV(kUitTree);
  const auto leaves = FoglieVerdi(selection);
  NomiUit nomi(uit);
  const auto step = [&](Handle d) {
    const auto it = leaves.find(m->Identifier(d));
    if (it == leaves.end() || GiaPresente(*m, d, uit, nomi)) return;
    if (!AggiungiSequenceaTV(*m, d, selection, uit, it->second)) Gia(g, m->Name(d));
  };
  uit.beginBulkUpdate();
  for (Handle p : m->AllPackages(g.modelloAperto())) {
    for (Handle d : m->ScenarioDiagrams(p)) step(d);
    for (Handle u : m->PackageUseCases(p))
      for (Handle d : m->ScenarioDiagrams(u)) step(d);
  }
  uit.endBulkUpdate();
  g.MostraMessaggio("All Sequence Diagrams found");
  g.caricamentoDaZovFatto();
  g.nascondiBusy();
}

void CaricaDaDesignTree(Generale& g) {
  const Tree& design = g.TV(kDesignTree);
  for (NodeId id = design.nextInCollection(kNoNode); id != kNoNode; id = design.nextInCollection(id))
    if (kind::IsScenario(design.node(id).image)) Copia(g, design.node(id), "ROOT");
  g.caricamentoDesignOTuttiFatto();
}

void CaricaNonConnessi(Generale& g) {
  g.mostraBusy();
  const Tree& notLinked = g.TV(kNotLinkedTree);
  for (NodeId id = notLinked.nextInCollection(kNoNode); id != kNoNode; id = notLinked.nextInCollection(id)) {
    const Node& n = notLinked.node(id);
    if (n.parent == kNoNode) continue;  // the root "<<NOT linked>>"
    // Below "ROOT" of the UIT tree, or below the copy of the node's parent.
    Copia(g, n, notLinked.node(n.parent).key);
  }
  g.caricamentoDesignOTuttiFatto();
  g.nascondiBusy();
}

}  // namespace zov
