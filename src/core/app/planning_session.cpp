#include "app/planning_session.h"

#include "app/caricamento.h"
#include "app/comandi_uit.h"
#include "generation/specifica.h"
#include "model/work_folder.h"
#include "selection/selezione.h"
#include "testcases/sequenze.h"
#include "tree/kinds.h"

namespace zov {

namespace {
const char* NomeAlbero(int tree) {
  switch (tree) {
    case kMainTree: return "the Main Tree";
    case kUitTree: return "the UIT tree";
    case kSpecTree: return "the Test Specification tree";
    case kSelectedTestCases: return "the selected test cases";
    default: return "the tree";
  }
}
}  // namespace

NodeId PlanningSession::findNode(int tree, std::string_view node, Outcome& refused) const {
  const NodeId id = FindByKeyOrPath(g_.TV(tree), node);
  if (id == kNoNode) refused = Outcome::Refused("no node '" + std::string(node) + "' in " + NomeAlbero(tree));
  return id;
}

Outcome PlanningSession::openModel(const std::string& path) {
  if (std::string error = CaricaModello(g_, path); !error.empty()) return Outcome::Refused(std::move(error));
  return Outcome::Note(MessaggioIncompleto(g_));
}

Outcome PlanningSession::weight(std::string_view node, const std::string& value) {
  Outcome refused;
  const NodeId id = findNode(kMainTree, node, refused);
  return id == kNoNode ? refused : g_.modificaPeso(id, value);
}

Outcome PlanningSession::startStop(std::string_view start, std::string_view stop) {
  Outcome refused;
  const NodeId from = findNode(kMainTree, start, refused);
  if (from == kNoNode) return refused;
  const NodeId to = findNode(kMainTree, stop, refused);
  if (to == kNoNode) return refused;
  if (Outcome e = g_.scegliStartStopSu(from); !e) return e;
  return g_.scegliStartStopSu(to);
}

Outcome PlanningSession::selectLevel(std::string_view node, const Criterion& criterio) {
  Outcome refused;
  const NodeId id = findNode(kMainTree, node, refused);
  if (id == kNoNode) return refused;
  bool attende = false;
  if (Outcome e = g_.iniziaSelezione(id, attende); !e || !attende) return e;
  // The criterion dialog's checks and settings, as if typed there.
  DialogoNumTest& d = g_.numTest;
  d.mostra();
  if (criterio.byNumber) {
    d.scegliNumTest();
    d.NNTest = criterio.procedures;
  } else {
    d.scegliCoverage();
    d.Percc = criterio.coverage;
  }
  if (std::string message = d.done(); !message.empty()) {
    d.cancel();
    g_.annullaSelezione();
    return Outcome::Refused(std::move(message));
  }
  Outcome e = g_.completaSelezione(criterio.answer);
  // Nothing allocated is a refusal here: the plan cannot go on.
  e.done = e.message.empty();
  return e;
}

Outcome PlanningSession::loadTestCases(TestCaseSource from) {
  if (g_.modello() == nullptr) return Outcome::Refused("No model is loaded.");
  g_.caricaCasiTest(from);
  return {};
}

Outcome PlanningSession::pick(std::string_view node) {
  Outcome refused;
  const NodeId id = findNode(kUitTree, node, refused);
  return id == kNoNode ? refused : g_.scegliCasoTest(id);
}

Outcome PlanningSession::pickAll() {
  g_.scegliTuttiIDiagrammi();
  return {};
}

Outcome PlanningSession::process() {
  if (g_.modello() == nullptr) return Outcome::Refused("No model is loaded.");
  g_.elabora();
  return {};
}

Outcome PlanningSession::openCategory(std::string_view node) {
  Outcome refused;
  const NodeId id = findNode(kSpecTree, node, refused);
  if (id == kNoNode) return refused;
  openNode_ = id;
  switch (g_.apriCategoria(id)) {
    case Generale::Categoria::kImpostazioni:
      openEditor_ = Editor::kSettings;
      return Outcome::Note(g_.editorImpostazioni.avviso);
    case Generale::Categoria::kInterazioni:
      openEditor_ = Editor::kInteractions;
      return Outcome::Note(g_.editorInterazioni.avviso);
    case Generale::Categoria::kNessuna: break;
  }
  openEditor_ = Editor::kNone;
  return Outcome::Refused("'" + std::string(node) + "' is no category of the Test Specification tree");
}

Outcome PlanningSession::addValue(const std::string& value, const std::string& properties,
                                  const std::string& selectors) {
  bool added = false;
  if (openEditor_ == Editor::kSettings) {
    EditorImpostazioni& e = g_.editorImpostazioni;
    if (!e.useOwnValues) e.chooseOwnValues();
    e.value = value;
    e.properties = properties;
    e.selectors = selectors;
    added = e.add();
  } else if (openEditor_ == Editor::kInteractions) {
    EditorInterazioni& e = g_.editorInterazioni;
    if (!e.useOwnValues) e.chooseOwnValues();
    e.value = value;
    added = e.add();
  } else {
    return Outcome::Refused("No category is open.");
  }
  return added ? Outcome() : Outcome::Refused("A category holds at most 101 choices.");
}

Outcome PlanningSession::chooseDefaults() {
  if (openEditor_ == Editor::kSettings)
    g_.editorImpostazioni.chooseDefaults();
  else if (openEditor_ == Editor::kInteractions)
    g_.editorInterazioni.chooseDefaults();
  else
    return Outcome::Refused("No category is open.");
  return {};
}

Outcome PlanningSession::confirmCategory() { return closeEditor(true); }

Outcome PlanningSession::cancelCategory() { return closeEditor(false); }

Outcome PlanningSession::closeEditor(bool ok) {
  Generale::Categoria which = Generale::Categoria::kNessuna;
  if (openEditor_ == Editor::kSettings) {
    ok ? g_.editorImpostazioni.ok() : g_.editorImpostazioni.cancel();
    which = Generale::Categoria::kImpostazioni;
  } else if (openEditor_ == Editor::kInteractions) {
    ok ? g_.editorInterazioni.ok() : g_.editorInterazioni.cancel();
    which = Generale::Categoria::kInterazioni;
  } else {
    return Outcome::Refused("No category is open.");
  }
  g_.registraCategoria(openNode_, which);
  openEditor_ = Editor::kNone;
  return {};
}

void PlanningSession::confirmDefaults() {
  const Tree& spec = g_.TV(kSpecTree);
  for (NodeId id : spec.collection()) {
    const Generale::Categoria c = g_.apriCategoria(id);
    if (c == Generale::Categoria::kImpostazioni) {
      EditorImpostazioni& e = g_.editorImpostazioni;
      if (!e.record()->edited)
        e.ok();
      else
        e.cancel();
    } else if (c == Generale::Categoria::kInterazioni) {
      EditorInterazioni& e = g_.editorInterazioni;
      if (!e.record()->edited)
        e.ok();
      else
        e.cancel();
    }
    g_.registraCategoria(id, c);
  }
  openEditor_ = Editor::kNone;
}

RisultatoGenerazione PlanningSession::generate(const std::function<void(const std::string&)>& warn,
                                               const std::vector<std::string>& casi) {
  return g_.genera(warn, casi);
}

Outcome PlanningSession::removeChoice(std::string_view node) {
  Outcome refused;
  const NodeId id = findNode(kSpecTree, node, refused);
  return id == kNoNode ? refused : g_.rimuoviScelta(id);
}

Outcome PlanningSession::unpick(std::string_view node) {
  Outcome refused;
  const NodeId id = findNode(kSelectedTestCases, node, refused);
  return id == kNoNode ? refused : g_.togliCasoTest(id);
}

std::vector<std::string> PlanningSession::filesWritten() const {
  const WorkFolder* work = g_.outputFolder();
  return work == nullptr ? std::vector<std::string>() : work->files(CreatedList::kScripts);
}

}  // namespace zov
