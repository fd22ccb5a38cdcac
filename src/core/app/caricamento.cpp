#include "app/caricamento.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/generale.h"
#include "model/analisi_link.h"
#include "model/design_tree.h"
#include "model/petal_model.h"
#include "model/riordino.h"
#include "model/vista_casi_uso.h"
#include "model/work_folder.h"
#include "model/xmi_model.h"
#include "testcases/sequenze.h"
#include "tree/kinds.h"
#include "tree/tag.h"
#include "weights/pesi.h"

namespace fs = std::filesystem;

namespace zov {

std::string CartellaIniziale() {
  std::error_code ec;
  if (fs::is_directory(std::string(kCartellaEsempi), ec)) return std::string(kCartellaEsempi);
  if (const char* home = std::getenv("HOME"); home != nullptr && fs::is_directory(home, ec)) return home;
  return fs::current_path(ec).string();
}

void ClearAllTreew(Generale& g, int first) {
  for (int i = first; i <= kSelectionTree; ++i)
    if (i != kNotLinkedTree) g.TV(i).clear();
}

std::string CaricaModello(Generale& g, const std::string& path) {
  WorkFolder* work = g.workFolder();
  if (work == nullptr) return "There is no working folder for the files of the load.";

  g.mostraBusy();
  g.MostraMessaggio("Activate Rational ROSE Object");
  auto source = CreaModelSourcePer(path);
  g.MostraMessaggio("Loading Rose file");
  std::string error;
  Handle model;
  try {
    model = source->OpenModel(path, &error);
  } catch (const std::bad_alloc&) {
    // The model already loaded stays as it was.
    model = {};
    error = path + ": there is not enough memory to read this model";
  }
  if (!model) {
    g.nascondiBusy();
    return error.empty() ? path + ": the model could not be read" : error;
  }

  // The model is readable: now the previous load's trees and files go.
  RimuoveFileCreati(*work);
  g.livellomassimo = 0;
  ClearAllTreew(g, 0);
  g.menus.setEnabled(menu::kGrafico, false);  // the selection tree is gone
  // The not-linked tree and the Design Tree are rebuilt by every load too.
  g.TV(kNotLinkedTree).clear();
  g.TV(kDesignTree).clear();
  // Nothing of the previous model's test specification stays.
  g.azzeraElaborazione();
  // A new model starts a new session: its decisions, its random numbers.
  g.decisioni.clear();
  g.segnaSalvato();
  g.impostaSeme(g.seme);
  g.setLivv("");
  g.setSomma("");
  g.filemdl = path;
  g.setCaption("Zov Suite - " + path);

  std::string fileError;
  const std::size_t errorsBefore = work->errors().size();
  std::ofstream links = work->create("collegamenti.txt", CreatedList::kLoad, &fileError);
  std::ofstream notLinked = work->create("notlinked_elements.txt", CreatedList::kLoad, &fileError);
  if (!links.is_open() || !notLinked.is_open()) {
    g.nascondiBusy();
    return fileError;
  }

  g.setModello(std::move(source), model);
  g.passiFalliti = 0;
  g.avvisi.clear();
  ModelSource& m = *g.modello();
  const auto status = [&g](std::string_view text) { g.MostraMessaggio(text); };
  // The steps of the load, for the busy box's progress figure.
  constexpr int kPassi = 6;
  g.avanzamento(0, kPassi);
  // The use-case view and the realizations as link lines.
  ScriviVistaCasiUso(m, model, links, notLinked, status);
  ScriviRealizzazioni(m, model, links, notLinked, status);
  g.avanzamento(1, kPassi);
  work->close(links, "collegamenti.txt");
  work->close(notLinked, "notlinked_elements.txt");

  Tree& main = g.TV(kMainTree);
  for (Tree* t : {&main, &g.TV(kDesignTree)}) t->beginBulkUpdate();
  CostruisciMainTree(main, *work, status);
  g.avanzamento(2, kPassi);
  g.passiFalliti += PesaAlbero(main, m, model);
  g.livellomassimo = std::max(g.livellomassimo, LivelloMassimo(main));
  if (!CostruisciDesignTree(g.TV(kDesignTree), m, model)) ++g.passiFalliti;
  for (Tree* t : {&main, &g.TV(kDesignTree)}) t->endBulkUpdate();

  g.aggiungiRadici();
  g.avanzamento(3, kPassi);

  GestisciNotLinked(g.TV(kNotLinkedTree), m, model, *work);
  CaricaAllSequenceNonConnessi(m, model, main, g.TV(kNotLinkedTree), status);
  g.avanzamento(4, kPassi);
  g.MostraMessaggio("Done...");
  // The busy box stays up through the tidy-up, which can take a while on a
  // large model and may have something to say.
  main.beginBulkUpdate();
  StatoCopia copia;
  AzzeraCollezioni(copia);
  copia.limite = LimiteMainTree(g.limiteMainTree, main.count());
  DuplicaRami(main, copia, *work, [&g](const std::string& text) { g.avvisa(text); });
  // The copies count even when the tidy-up removes them again.
  g.livellomassimo = std::max(g.livellomassimo, copia.livelloMassimo);
  EliminaChildUguali(main);
  EliminaEntry(main);
  AggiungiIndicazioniLivello(main, g.livellomassimo);
  main.endBulkUpdate();
  g.avanzamento(kPassi, kPassi);
  g.nascondiBusy();

  if (main.count() > 0) {
    g.defaultFore = main.node(main.at(1)).foreColor;
    g.defaultBack = main.node(main.at(1)).backColor;
  }
  g.modelloCaricato();
  // A working file that could not be written (a full disk) left the trees
  // incomplete: the load failed.
  if (work->errors().size() > errorsBefore)
    return work->errors()[errorsBefore] + " (the trees of this load are incomplete)";
  return {};
}

void ApriModello(Generale& g, const std::string& path) {
  const std::string error = CaricaModello(g, path);
  if (error.empty()) g.dichiara(RiassuntoCaricamento(g));
  Asker* asker = g.asker();
  if (asker == nullptr) return;
  if (!error.empty()) {
    asker->messageBox("The model could not be loaded.\n\n" + error, "Zov Suite", MessageButtons::kOk,
                      MessageIcon::kCritical);
    return;
  }
  if (const std::string text = MessaggioIncompleto(g); !text.empty())
    asker->messageBox(text, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
}

std::string RiassuntoCaricamento(const Generale& g) {
  if (g.modello() == nullptr) return {};
  const ModelSummary s = g.modello()->Summarize();
  const auto count = [](int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return "Loaded " + std::filesystem::path(g.filemdl).filename().string() + ": " + count(s.actors, "actor", "actors") +
         ", " + count(s.useCases, "use case", "use cases") + ", " +
         count(s.sequenceDiagrams + s.collaborationDiagrams, "scenario diagram", "scenario diagrams");
}

std::string MessaggioIncompleto(const Generale& g) {
  if (g.avvisi.empty()) return {};
  std::string text = "The model was loaded, but the Main Tree is not complete:\n";
  constexpr std::size_t kShown = 10;
  for (std::size_t i = 0; i < g.avvisi.size() && i < kShown; ++i) text += "\n" + g.avvisi[i];
  if (g.avvisi.size() > kShown) text += "\n... and " + std::to_string(g.avvisi.size() - kShown) + " more.";
  return text;
}

void CaricaMdl(Generale& g) {
  Asker* asker = g.asker();
  if (asker == nullptr) return;
  const auto path = asker->openFile("Load MDL File", kFiltroModelli, CartellaIniziale());
  if (!path || path->empty()) return;
  ApriModello(g, *path);
}

}  // namespace zov
