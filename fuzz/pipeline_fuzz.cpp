// libFuzzer target: the whole pipeline on any bytes taken as a model, in a
// private folder: the load with link analysis and clean-up, "&Select Level"
// on every actor's branch, the four UIT loads, "&Select All",
// "&Processing...", every category's default choices and "&All Test Cases".
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "app/asker_scritto.h"
#include "app/caricamento.h"
#include "app/comandi_uit.h"
#include "app/generale.h"
#include "app/menus.h"
#include "generation/procedure.h"
#include "generation/specifica.h"
#include "model/work_folder.h"
#include "selection/allocazione.h"
#include "selection/selezione.h"
#include "specification/editor_categorie.h"
#include "testcases/sequenze.h"
#include "ui/ui.h"

namespace {

void Plan(zov::Generale& g, zov::ScriptedAsker& asker) {
  zov::Tree& t = g.TV(zov::kMainTree);
  for (zov::NodeId a = t.firstRoot(); a != zov::kNoNode; a = t.node(a).next) {
    if (t.node(a).image == "rose" || t.node(a).children == 0) continue;
    t.setSelected(t.node(a).child);
    asker.criteria.push_back([](zov::DialogoNumTest& d) {
      d.scegliNumTest();
      d.NNTest = "50";
      d.done();
    });
    g.esegui(zov::menu::kSeleziona);
  }
  g.clickTab(2);
  zov::CaricaAllSequence(g);
  zov::CaricaSequenceFromZov(g);
  zov::CaricaDaDesignTree(g);
  zov::CaricaNonConnessi(g);
  zov::SelezionaTutti(g.TV(zov::kUitTree), g.TV(zov::kSelectedTestCases));
  g.elabora();
  zov::Tree& spec = g.TV(zov::kSpecTree);
  for (zov::NodeId id : spec.collection()) {
    const std::string kind = spec.node(id).image;
    if (kind != "attributo" && kind != "messaggio") continue;
    spec.setSelected(id);
    if (kind == "attributo")
      asker.settings.push_back([](zov::EditorImpostazioni& e) { e.ok(); });
    else
      asker.interactions.push_back([](zov::EditorInterazioni& e) { e.ok(); });
    g.specifiche();
  }
  asker.settings.clear();
  asker.interactions.clear();
  g.genera([](const std::string&) {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto work = zov::WorkFolder::CreatePrivate(nullptr);
  if (!work) return 0;
  // The model is a file of the folder, named like a model; the load's own
  // files and the plan's documents and scripts go beside it and, with it,
  // when the folder does.
  std::string error;
  {
    std::ofstream model = work->create("fuzz.mdl", zov::CreatedList::kScripts, &error);
    model.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  zov::Generale g;
  zov::QuietBusyBox busy;
  zov::ScriptedAsker asker;
  g.setBusyBox(&busy);
  g.setAsker(&asker);
  g.setWorkFolder(&*work);
  g.impostaSeme(1);
  g.caricaFinestra();
  if (zov::CaricaModello(g, work->pathOf("fuzz.mdl")->string()).empty()) Plan(g, asker);
  return 0;
}
