#include "app/generale.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/comandi_uit.h"
#include "app/esporta.h"
#include "app/sessione.h"
#include "model/analisi_link.h"
#include "model/design_tree.h"
#include "model/riordino.h"
#include "model/vista_casi_uso.h"
#include "model/work_folder.h"
#include "testcases/sequenze.h"
#include "tree/kinds.h"
#include "tree/numbers.h"
#include "tree/tag.h"
#include "weights/pesi.h"

namespace zov {

namespace {
std::string Quanti(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
// Passes every question on and keeps the last answer of an input box.
class AskerCheRicorda : public Asker {
 public:
  explicit AskerCheRicorda(Asker& to) : to_(to) {}
  Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon icon) override {
    return to_.messageBox(text, title, buttons, icon);
  }
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override {
    risposta = to_.inputBox(prompt, title, defaultText);
    return risposta;
  }
  std::optional<std::string> risposta;

 private:
  Asker& to_;
};
}  // namespace

Layout LayoutFor(bool large) {
  Layout l;
  if (large) {
    l.width = 1024;
    l.height = 768;
    l.tabWidth = 1004;
    l.tabHeight = 728;
  } else {
    l.width = 800;
    l.height = 600;
    l.tabWidth = 780;
    l.tabHeight = 550;
  }
  return l;
}

Generale::Generale() {
  impostaSeme(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
  collega(menu::kApri, [this] { espandiTutto(kMainTree); });
  collega(menu::kApriDesignTree, [this] { espandiTutto(kDesignTree); });
  collega(menu::kExpand, [this] { espandiTutto(kUitTree); });
  collega(menu::kCollapse, [this] { comprimiTutto(kUitTree); });
  collega(menu::kUscita, [this] { esci(); });
  collega(menu::kCaricaMdl, [this] {
    if (chiediSalvataggio()) CaricaMdl(*this);
  });
  collega(menu::kModifica, [this] { modifica(); });
  collega(menu::kStart, [this] { scegliStartStop(); });
  collega(menu::kSeleziona, [this] { selezionaLivello(); });
  collega(menu::kSelectAll, [this] { selezionaTutti(); });
  collega(menu::kElencaSeq, [this] { caricaCasiTest(TestCaseSource::kTutti); });
  collega(menu::kSeqFromZov, [this] { caricaCasiTest(TestCaseSource::kZov); });
  collega(menu::kLoadingDT, [this] { caricaCasiTest(TestCaseSource::kDesignTree); });
  collega(menu::kNonConnessi, [this] { caricaCasiTest(TestCaseSource::kNotLinked); });
  collega(menu::kGenerazione, [this] { elabora(); });
  collega(menu::kPopupASpec, [this] { specifiche(); });
  collega(menu::kAllTestCases, [this] { generaTutti(); });
  collega(menu::kTestSc, [this] { visualizzaScript(); });
  collega(menu::kPrintTC, [this] { stampaCasi(); });
  collega(menu::kPrintTS, [this] { stampaScript(); });
  collega(menu::kEsporta, [this] { esporta(); });
  collega(menu::kVEntry, [this] { vediTutti(); });
  collega(menu::kVLink, [this] { vediTutti(); });
  collega(menu::kUnselectAll, [this] { deselezionaCasiTest(); });
  collega(menu::kSaveZov, [this] { salvaSessione(); });
  collega(menu::kCaricaZov, [this] { caricaSessione(); });
  collega(menu::kPopupARem, [this] { rimuoviScelta(TV(kSpecTree).selected()); });
  collega(menu::kPopupSelRem, [this] { togliCasoTest(TV(kSelectedTestCases).selected()); });
  collega(menu::kSelectedTest, [this] { generaSelezionati(); });
  collega(menu::kCartella, [this] {
    if (onApriCartella) onApriCartella();
  });
  collega(menu::kGrafico, [this] {
    if (onGrafico) onGrafico();
  });
  locatePackage = [this](NodeId node, int tree) {
    LocatePackage(TV(kDesignTree), TV(tree).node(node).key, tree == kMainTree ? 6 : 4);
  };
}

void Generale::impostaSeme(unsigned s) {
  seme = s;
  casuale = std::make_unique<CasualeFisso>(s);
}

void Generale::setModello(std::unique_ptr<ModelSource> source, Handle model) {
  modello_ = std::move(source);
  modelloAperto_ = model;
}

void Generale::caricaFinestra() {
  criterio.numeroTest = 500;
  criterio.percentuale = 100;
  livellomassimo = 0;

  layout = LayoutFor(form2.option1);

  menus.setEnabled(menu::kZov, true);
  menus.setEnabled(menu::kUit, false);
  menus.setEnabled(menu::kTestCase, false);
  menus.setEnabled(menu::kPrint, false);

  trascinamento = false;
}

void Generale::MostraMessaggio(std::string_view text) {
  status_ = std::string(text);
  if (busy_ != nullptr) busy_->setStatus(text);
}

void Generale::avvisa(const std::string& text) {
  avvisi.push_back(text);
  nota(text);
}

void Generale::avanzamento(int done, int total) {
  if (busy_ != nullptr) busy_->setProgress(done, total);
}

void Generale::nota(const std::string& text) {
  note_.push_back(text);
  MostraMessaggio(text);
  esito_ = text;
  if (onEsitoComando) onEsitoComando();
}

void Generale::dichiara(std::string text) {
  if (note_.size() == 1)
    text += " \u2014 " + note_.front();
  else if (note_.size() > 1)
    text += " \u2014 " + std::to_string(note_.size()) + " notes, the last: " + note_.back();
  esito_ = std::move(text);
  if (onEsitoComando) onEsitoComando();
}

void Generale::mostraBusy() {
  if (busy_ != nullptr) busy_->show();
}

void Generale::nascondiBusy() {
  if (busy_ != nullptr) busy_->hide();
}

void Generale::collega(std::string_view item, std::function<void()> operation) {
  operations_[std::string(item)] = std::move(operation);
}

bool Generale::collegato(std::string_view item) const { return operations_.count(std::string(item)) != 0; }

bool Generale::attivo(std::string_view item) const {
  const MenuEntry* e = menus.find(item);
  if (e == nullptr || !e->enabled) return false;
  if (e->parent.empty()) return true;
  // Items of a pop-up are reached whenever the pop-up is shown.
  const MenuEntry* parent = menus.find(e->parent);
  return parent != nullptr && (parent->popup || parent->enabled);
}

bool Generale::esegui(std::string_view item) {
  if (!attivo(item)) return false;
  note_.clear();
  auto it = operations_.find(std::string(item));
  if (it != operations_.end() && it->second) {
    auto operation = it->second;  // the operation may re-attach commands
    operation();
  }
  return true;
}

void Generale::setCaption(std::string text) {
  caption = std::move(text);
  if (onCaptionChange) onCaptionChange();
}

void Generale::setLivv(std::string text) {
  livv = std::move(text);
  if (onLabelsChange) onLabelsChange();
}

void Generale::setSomma(std::string text) {
  somma = std::move(text);
  if (onLabelsChange) onLabelsChange();
}

void Generale::clickTab(int index) {
  if (index < 1 || index > 3) return;
  currentTab = index;
  if (onTabChange) onTabChange(index);
  menus.setEnabled(menu::kZov, index == 1);
  menus.setEnabled(menu::kUit, index == 2);
  menus.setEnabled(menu::kTestCase, index == 3);
}

void Generale::caricamentoDaZovFatto() {
  for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
    menus.setEnabled(item, true);
}

void Generale::caricamentoDesignOTuttiFatto() { menus.setEnabled(menu::kGenerazione, true); }

void Generale::elaborazioneFatta() {
  menus.setEnabled(menu::kEsporta, true);
  menus.setEnabled(menu::kPrint, true);
  menus.setEnabled(menu::kTestScript, true);
  menus.setEnabled(menu::kTestSc, true);
  menus.setEnabled(menu::kSelectedTest, true);
}

void Generale::modelloCaricato() {
  // Every UIT loading command works on a loaded model, also those for the
  // diagrams that no use case reaches.
  menus.setEnabled(menu::kElencaSeq, true);
  menus.setEnabled(menu::kNonConnessi, true);
}

void Generale::azzeraElaborazione() {
  specifica = StatoSpecifica();
  procedure.clear();
  menus.setEnabled(menu::kEsporta, false);
  TV(kSpecTree).clear();
  LB.clear();
  menus.setEnabled(menu::kPrint, false);
  menus.setEnabled(menu::kTestScript, false);
  menus.setEnabled(menu::kTestSc, false);
  menus.setEnabled(menu::kSelectedTest, false);
  evidenziati.clear();
}

void Generale::nodoStartScelto() {
  menus.setCaption(menu::kStart, menu::kCaptionSelectStop);
  menus.setEnabled(menu::kSeleziona, false);
}

void Generale::nodoStopScelto() {
  menus.setCaption(menu::kStart, menu::kCaptionSelectStart);
  menus.setEnabled(menu::kSeleziona, true);
  menus.setEnabled(menu::kStart, false);
}

void Generale::espandiTutto(int tree) {
  Tree& t = TV(tree);
  for (int i = 1; i <= t.count(); ++i) t.setExpanded(t.at(i), true);
}

void Generale::comprimiTutto(int tree) {
  Tree& t = TV(tree);
  for (int i = 1; i <= t.count(); ++i) t.setExpanded(t.at(i), false);
}

bool Generale::mouseDown(int tree, NodeId hit, MouseButton button) {
  Tree& t = TV(tree);
  t.setDropHighlight(hit);
  if (hit != kNoNode) t.setSelected(hit);
  const NodeId selected = t.selected();
  if (selected != kNoNode && t.node(selected).image != kind::kRose) {
    const NodeTag tag = LeggiTag(t.node(selected).tag);
    setLivv("Level: " + Intero(tag.level));
  }
  if (tree == kUitTree && button == MouseButton::kLeft && hit != kNoNode) {
    trascinamento = true;
    return true;
  }
  return false;
}

NodeId Generale::cerca(int tree, std::string_view text) {
  Tree& t = TV(tree);
  if (text.empty() || t.empty()) return kNoNode;
  const auto lower = [](std::string_view s) {
    std::string l(s);
    for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
  };
  const std::string wanted = lower(text);
  const NodeId start = t.selected();
  NodeId n = start;
  for (int seen = 0; seen < t.count(); ++seen) {
    n = t.nextInCollection(n);
    if (n == kNoNode) n = t.nextInCollection(kNoNode);
    if (lower(t.node(n).text).find(wanted) != std::string::npos) {
      for (NodeId p = t.node(n).parent; p != kNoNode; p = t.node(p).parent) t.setExpanded(p, true);
      t.setSelected(n);
      return n;
    }
  }
  return kNoNode;
}

void Generale::mouseMove(int tree, NodeId hit) {
  if (trascinamento && tree == kUitTree) TV(kUitTree).setDropHighlight(hit);
}

Popup Generale::mouseUp(int tree, MouseButton button) {
  Tree& t = TV(tree);
  const NodeId selected = t.selected();
  switch (tree) {
    case kMainTree: {
      if (selected == kNoNode) return Popup::kNone;
      const Node& n = t.node(selected);
      if (button == MouseButton::kRight) {
        MostraMessaggio(n.text);
        menus.setEnabled(menu::kVEntry, false);
        menus.setEnabled(menu::kVLink, false);
        menus.setCaption(menu::kSeleziona,
                         n.foreColor != kSelectedFore ? menu::kCaptionSelectLevel : menu::kCaptionUnselectAll);
        if (n.image.find("entry") != std::string::npos) {
          menus.setEnabled(menu::kVEntry, true);
          menus.setEnabled(menu::kVLink, false);
        } else if (n.image.find("cont") != std::string::npos) {
          menus.setEnabled(menu::kVEntry, false);
          menus.setEnabled(menu::kVLink, true);
        } else if (t.presentCount(n.key.substr(0, kIdentifierLength)) > 1) {
          // An element shown more than once: from a repeat or a copy below
          // a link, "See All &Link"; from its first showing, "See All &Entry".
          const bool repeat = n.image.size() > 3 && n.image.compare(n.image.size() - 3, 3, "rip") == 0;
          const bool link = repeat || n.key.find("$$") != std::string::npos;
          menus.setEnabled(menu::kVEntry, !link);
          menus.setEnabled(menu::kVLink, link);
        }
        return Popup::kMainTree;
      }
      if (button == MouseButton::kLeft && n.image == kind::kPackage && n.text != "Design Link") {
        if (locatePackage) locatePackage(selected, kMainTree);
      }
      return Popup::kNone;
    }
    case kUitTree:
      nodoTrascinato = selected;
      chiaveTrascinata = selected == kNoNode ? std::string() : t.node(selected).key;
      return Popup::kNone;
    case kSpecTree: {
      if (button == MouseButton::kLeft && selected != kNoNode) mostraDocumento(selected);
      if (button != MouseButton::kRight || selected == kNoNode) return Popup::kNone;
      // On a category its editor; on its choices only their removal.
      const bool category = t.node(selected).image == kind::kAttributo || t.node(selected).image == kind::kMessaggio;
      const bool choice = SceltaRimovibile(t, selected) != kNoNode;
      if (!category && !choice) return Popup::kNone;
      menus.setEnabled(menu::kPopupASpec, category);
      menus.setEnabled(menu::kPopupARem, choice);
      return Popup::kSpecTree;
    }
    case kSelectedTestCases: {
      const NodeId root = t.firstRoot();
      if (button == MouseButton::kRight && selected != kNoNode && root != kNoNode && t.node(selected).parent == root)
        return Popup::kSelectedTree;
      return Popup::kNone;
    }
    case kNotLinkedTree:
      if (button == MouseButton::kRight && selected != kNoNode && locatePackage)
        locatePackage(selected, kNotLinkedTree);
      return Popup::kNone;
    default: return Popup::kNone;
  }
}

void Generale::modifica() {
  Tree& t = TV(kMainTree);
  const NodeId node = t.selected();
  if (node == kNoNode || asker_ == nullptr) return;
  editor.mostra(t, node);
  asker_->edita(editor);
  // Cancel leaves the tree as it was.
  if (!editor.confermato()) return;
  registraPeso(node, editor.Wei);
  const Outcome e = dopoModifica(node);
  if (!e.message.empty()) asker_->messageBox(e.message, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
}

Outcome Generale::modificaPeso(NodeId node, const std::string& weight, bool bold) {
  Tree& t = TV(kMainTree);
  if (!t.valid(node)) return Outcome::Refused("There is no such node in the Main Tree.");
  editor.mostra(t, node);
  editor.Wei = weight;
  editor.Selez = bold;
  if (std::string refused = editor.ok(); !refused.empty()) {
    editor.cancel();
    return Outcome::Refused(std::move(refused));
  }
  registraPeso(node, weight);
  return dopoModifica(node);
}

Outcome Generale::dopoModifica(NodeId node) {
  Tree& t = TV(kMainTree);
  if (t.node(node).parent == kNoNode) return {};  // an actor: no siblings to check
  if (editor.esito()) {
    MetteRamiNormal(t, node);
    return {};
  }
  MetteRamiRossi(t, node);
  return Outcome::Note("Verify weights distibution");
}

void Generale::scegliStartStop() {
  const Outcome e = scegliStartStopSu(TV(kMainTree).selected());
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite");
}

Outcome Generale::scegliStartStopSu(NodeId node) {
  Tree& t = TV(kMainTree);
  if (!t.valid(node)) return Outcome::Refused("There is no such node in the Main Tree.");
  if (!selezione.startselezione) {
    if (t.node(node).children == 0) return Outcome::Refused("Warning: no children");
    t.setBackColor(node, kStartStopBack);
    nodoStartScelto();
    selezione.startselezione = true;
    selezione.livellostart = Livello(t, node);
  } else {
    t.setBackColor(node, kStartStopBack);
    nodoStopScelto();
    selezione.startselezione = false;
    selezione.livellostop = Livello(t, node);
    selezione.livelli = true;
  }
  Decision d{Decision::Type::kStartStop};
  d.node = t.node(node).key;
  d.path = PathOf(t, node);
  registra(std::move(d));
  return {};
}

void Generale::aggiungiRadici() {
  Tree& uit = TV(kUitTree);
  uit.setExpanded(uit.addTop("ROOT", filemdl, kind::kRose), true);
  Tree& chosen = TV(kSelectedTestCases);
  chosen.setExpanded(chosen.addTop("Selected Item", filemdl, kind::kRose), true);
}

void Generale::selezionaLivello() {
  // "Unselect All" throws away what was built on the selection: ask first.
  const Tree& main = TV(kMainTree);
  const NodeId clicked = main.selected();
  if (clicked != kNoNode && main.node(clicked).foreColor != defaultFore && asker_ != nullptr &&
      (TV(kUitTree).count() > 1 || TV(kSpecTree).count() > 0) &&
      asker_->messageBox("Unselect All throws away the test cases, the documents, the scripts and the choices "
                         "entered. Go on?",
                         "Zov Suite", MessageButtons::kOkCancel, MessageIcon::kQuestion) != Answer::kOk)
    return;
  bool attende = false;
  const Outcome e = iniziaSelezione(TV(kMainTree).selected(), attende);
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
  if (!attende) return;
  numTest.mostra();
  if (asker_ != nullptr)
    asker_->numTest(numTest);
  else
    numTest.cancel();
  if (!numTest.tastoOK) {
    annullaSelezione();
    return;
  }
  const Outcome done = completaSelezione(std::nullopt);
  if (!done.message.empty() && asker_ != nullptr)
    asker_->messageBox(done.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
}

Outcome Generale::iniziaSelezione(NodeId clicked, bool& attendeCriterio) {
  attendeCriterio = false;
  Tree& t = TV(kMainTree);
  if (!t.valid(clicked)) return Outcome::Refused("There is no such node in the Main Tree.");
  selezione.salvato = t.node(clicked).foreColor;
  Decision d{Decision::Type::kSelectLevel};
  d.node = t.node(clicked).key;
  d.path = PathOf(t, clicked);
  if (!ControllaRamiOut(t)) return Outcome::Refused("Unproperly weight distribution");
  NodeId node = clicked;
  const std::string& k = t.node(clicked).image;
  if (kind::IsScenario(k) && t.node(clicked).parent != kNoNode) node = t.node(clicked).parent;
  const std::int16_t level = Livello(t, node);
  if (selezione.livelli) {
    SelezionaDueLivelli(t, node, selezione);
  } else {
    SelezionaVersoRadice(t, node, level);
    menus.setEnabled(menu::kStart, false);
  }

  if (selezione.salvato != defaultFore) {
    // The node was marked already: the item read "&Unselect All".
    setSomma("Leaves weights sum: ");
    DeselezionaTutto(t, defaultFore, defaultBack);
    for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
      menus.setEnabled(item, false);
    ClearAllTreew(*this, 1);
    if (outputFolder() != nullptr) RimuoveFileCreatiUIT(*outputFolder());
    azzeraElaborazione();
    aggiungiRadici();
    selezione.livelli = false;
    menus.setEnabled(menu::kStart, true);
    menus.setEnabled(menu::kSeleziona, true);
    d.unselect = true;
    menus.setEnabled(menu::kGrafico, false);
    registra(std::move(d));
    return {};
  }
  attendeCriterio = true;
  livelloInAttesa_ = std::move(d);
  return {};
}

void Generale::annullaSelezione() {
  DeselezionaTutto(TV(kMainTree), defaultFore, defaultBack);
  selezione.livelli = false;
  menus.setEnabled(menu::kStart, true);
}

Outcome Generale::completaSelezione(std::optional<std::string> risposta) {
  Tree& t = TV(kMainTree);
  Tree& selection = TV(kSelectionTree);
  if (selezione.livelli)
    CopiaSelezionati2Liv(t, selection, selezione);
  else
    CopiaSelezionati(t, selection);
  AllineaPesiTag(selection);
  setSomma(TestoSommaFoglie(CalcolaPesiAssoluti(selection)));
  Outcome result;
  if (criterio.perNumero) {
    DistribuisciCasiTest(selection, criterio.numeroTest);
    // Too few procedures for too many leaves round every share to 0: say so.
    result = Outcome::Note(AvvisoNessunaProcedura(selection, criterio.numeroTest));
  } else if (!risposta && asker_ != nullptr) {
    // The tester's answer is kept for the session.
    AskerCheRicorda asking(*asker_);
    result = Outcome::Note(CasiTestCoverage(selection, criterio.percentuale, asking));
    risposta = asking.risposta;
  } else {
    // The answer given up front; without one, the least number proposed.
    Coverage c;
    std::string refused = PreparaCoverage(selection, criterio.percentuale, c);
    if (refused.empty()) {
      const std::string answer = risposta ? *risposta : Intero(c.necessari);
      refused = ApplicaCoverage(selection, c, LeggiNumero(answer), answer);
    }
    result = Outcome::Note(std::move(refused));
  }
  setSomma(somma + "   Number of Test Procedures: " + Intero(CalcolaNumeroTest(selection)));
  coperturaUsata = criterio.perNumero ? std::nullopt : std::optional<std::int16_t>(criterio.percentuale);
  menus.setEnabled(menu::kGrafico, CalcolaNumeroTest(selection) > 0);
  Decision d = std::move(livelloInAttesa_);
  d.type = Decision::Type::kSelectLevel;
  d.criterion = {criterio.perNumero, Intero(criterio.numeroTest), Intero(criterio.percentuale), risposta};
  registra(std::move(d));
  return result;
}

void Generale::selezionaTutti() {
  SelezionaTutti(TV(kUitTree), TV(kSelectedTestCases));
  Decision d{Decision::Type::kPick};
  d.all = true;
  registra(std::move(d));
}

void Generale::scegliTuttiIDiagrammi() {
  Tree& uit = TV(kUitTree);
  const NodeId root = uit.firstRoot();
  for (NodeId c = root == kNoNode ? kNoNode : uit.node(root).child; c != kNoNode; c = uit.node(c).next)
    if (kind::IsScenario(uit.node(c).image)) AggiungiSelezionato(uit, c, TV(kSelectedTestCases));
  Decision d{Decision::Type::kPick};
  d.all = d.diagramsOnly = true;
  registra(std::move(d));
}

void Generale::caricaCasiTest(TestCaseSource from) {
  if (modello_ == nullptr) return;
  switch (from) {
    case TestCaseSource::kTutti: CaricaAllSequence(*this); break;
    case TestCaseSource::kZov: CaricaSequenceFromZov(*this); break;
    case TestCaseSource::kDesignTree: CaricaDaDesignTree(*this); break;
    case TestCaseSource::kNotLinked: CaricaNonConnessi(*this); break;
  }
  Decision d{Decision::Type::kLoadTestCases};
  d.source = from;
  registra(std::move(d));
}

void Generale::registraPeso(NodeId node, const std::string& weight) {
  const Tree& t = TV(kMainTree);
  Decision d{Decision::Type::kWeight};
  d.node = t.node(node).key;
  d.path = PathOf(t, node);
  d.value = weight;
  registra(std::move(d));
}

void Generale::registraCategoria(NodeId node, Categoria which) {
  if (which == Categoria::kNessuna) return;
  Decision d{Decision::Type::kCategory};
  d.category = riferimento(node);
  const bool settings = which == Categoria::kImpostazioni;
  d.values = settings ? editorImpostazioni.aggiunti : editorInterazioni.aggiunti;
  d.defaults = settings ? editorImpostazioni.useDefaults : editorInterazioni.useDefaults;
  d.cancelled = !(settings ? editorImpostazioni.confermato : editorInterazioni.confermato);
  registra(std::move(d));
}

NamedCategory Generale::riferimento(NodeId node) const {
  NamedCategory r;
  const Tree& t = TV(kSpecTree);
  if (!t.valid(node)) return r;
  NodeId top = node;
  while (t.node(top).parent != kNoNode) top = t.node(top).parent;
  r.diagram = t.node(top).key;
  const StatoSpecifica::Posto* p = specifica.posto(t.node(node).key);
  if (p == nullptr) return r;
  const TestCaseRecord* tc = specifica.tabella.casi.size() > static_cast<std::size_t>(p->testCase)
                                 ? &specifica.tabella.casi[static_cast<std::size_t>(p->testCase)]
                                 : nullptr;
  const MessageRecord* m = tc == nullptr ? nullptr : tc->message(static_cast<std::size_t>(p->message));
  if (m == nullptr) return r;
  r.path = m->pathName;
  r.label = m->sequenceLabel;
  r.message = m->name;
  if (p->attribute >= 0 && static_cast<std::size_t>(p->attribute) < m->attributes.size())
    r.parameter = m->attributes[static_cast<std::size_t>(p->attribute)].name;
  return r;
}

NodeId Generale::trovaCategoria(const NamedCategory& r) const {
  const Tree& t = TV(kSpecTree);
  for (NodeId id : t.collection()) {
    const Node& n = t.node(id);
    if (n.image != kind::kAttributo && n.image != kind::kMessaggio) continue;
    if ((n.image == kind::kAttributo) == r.parameter.empty()) continue;
    const NamedCategory here = riferimento(id);
    if (here.diagram == r.diagram && here.path == r.path && here.label == r.label && here.message == r.message &&
        here.parameter == r.parameter)
      return id;
  }
  return kNoNode;
}

void Generale::rilascia(int tree, NodeId target) {
  Tree& uit = TV(kUitTree);
  if (tree == kUitTree) {
    const bool same = target != kNoNode && nodoTrascinato != kNoNode && uit.valid(nodoTrascinato) &&
                      uit.node(target).text == uit.node(nodoTrascinato).text;
    if (!same) {
      uit.setDropHighlight(kNoNode);
      trascinamento = false;
    }
    return;
  }
  if (tree != kSelectedTestCases || nodoTrascinato == kNoNode) return;
  const Outcome e = scegliCasoTest(nodoTrascinato);
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kCritical);
}

Outcome Generale::scegliCasoTest(NodeId uitNode) {
  Tree& uit = TV(kUitTree);
  if (!uit.valid(uitNode)) return Outcome::Refused("There is no such node in the UIT tree.");
  if (!AggiungiSelezionato(uit, uitNode, TV(kSelectedTestCases)))
    return Outcome::Refused("Error: this node is already selected");
  Decision d{Decision::Type::kPick};
  d.node = uit.node(uitNode).key;
  d.value = uit.node(uitNode).text;
  registra(std::move(d));
  return {};
}

Generale::Categoria Generale::apriCategoria(NodeId node) {
  Tree& t = TV(kSpecTree);
  if (!t.valid(node) || modello_ == nullptr) return Categoria::kNessuna;
  ContestoEditor c{t, specifica, *modello_, *casuale};
  const std::string& k = t.node(node).image;
  if (k == kind::kAttributo && editorImpostazioni.apri(c, node)) return Categoria::kImpostazioni;
  if (k == kind::kMessaggio && editorInterazioni.apri(c, node)) return Categoria::kInterazioni;
  return Categoria::kNessuna;
}

bool Generale::specifiche() {
  if (asker_ == nullptr) return false;
  // A default list longer than a category holds is reported before the editor shows.
  const auto avvisa = [this](const std::string& text) {
    if (!text.empty()) asker_->messageBox(text, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
  };
  const NodeId node = TV(kSpecTree).selected();
  switch (apriCategoria(node)) {
    case Categoria::kImpostazioni:
      avvisa(editorImpostazioni.avviso);
      asker_->impostazioni(editorImpostazioni);
      registraCategoria(node, Categoria::kImpostazioni);
      return true;
    case Categoria::kInterazioni:
      avvisa(editorInterazioni.avviso);
      asker_->interazioni(editorInterazioni);
      registraCategoria(node, Categoria::kInterazioni);
      return true;
    case Categoria::kNessuna: break;
  }
  return false;
}

void Generale::elabora() {
  if (modello_ == nullptr) return;
  MostraMessaggio("Processing...");
  mostraBusy();
  const auto warning = [this](const std::string& text) {
    if (asker_ != nullptr) asker_->messageBox(text, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
  };
  Elabora({*modello_, modelloAperto_, TV(kSelectedTestCases), TV(kSpecTree), specifica, outputFolder(), warning,
           [this](const std::string& text) { nota(text); }, [this](std::string_view text) { MostraMessaggio(text); },
           [this](int done, int total) { avanzamento(done, total); }});
  nascondiBusy();
  elaborazioneFatta();
  registra(Decision{Decision::Type::kProcess});
  int paths = 0;
  for (int i = 1; i <= specifica.tabella.count(); ++i) paths += std::max<int>(0, specifica.tabella.caso(i)->pathCount);
  // Test cases are those that found their diagram (a top node of TV(2)).
  dichiara("Processing: " + Quanti(static_cast<long>(specifica.casi.size()), "test case", "test cases") + ", " +
           Quanti(paths, "path", "paths") + ", " +
           Quanti(static_cast<long>(specifica.specDocuments.size()), "document", "documents"));
}

RisultatoGenerazione Generale::generaTutti() {
  return genera([this](const std::string& text) {
    if (asker_ != nullptr) asker_->messageBox(text, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
  });
}

RisultatoGenerazione Generale::genera(const std::function<void(const std::string&)>& warn,
                                      const std::vector<std::string>& casi) {
  if (outputFolder() == nullptr) return {};
  mostraBusy();
  procedure.clear();
  std::vector<bool> scelti;
  for (const std::string& key : casi) {
    const auto it = specifica.casi.find(key);
    if (it == specifica.casi.end()) continue;
    if (scelti.size() <= static_cast<std::size_t>(it->second)) scelti.resize(static_cast<std::size_t>(it->second) + 1);
    scelti[static_cast<std::size_t>(it->second)] = true;
  }
  std::function<bool(int)> scelto;
  if (!casi.empty())
    scelto = [&scelti](int i) {
      return static_cast<std::size_t>(i) < scelti.size() && scelti[static_cast<std::size_t>(i)];
    };
  const RisultatoGenerazione r = GenerateTestProcedures(
      {specifica.tabella, *outputFolder(), *casuale, [this](std::string_view text) { MostraMessaggio(text); },
       [this](const std::string& text) { avvisa(text); },
       [this](const ProceduraGenerata& p) { procedure.push_back(p); }, scelto,
       [this](int done, int total) { avanzamento(done, total); }},
      warn);
  nascondiBusy();
  dichiara("Generated " + Quanti(r.procedures, "test procedure", "test procedures") + " in " +
           Quanti(static_cast<long>(r.files.size()), "script", "scripts") +
           (r.insignificant > 0 ? " (" + std::to_string(r.insignificant) + " insignificant)" : std::string()));
  Decision d{Decision::Type::kGenerate};
  d.testCases = casi;
  registra(std::move(d));
  return r;
}

std::vector<std::string> Generale::casiDi(const std::vector<NodeId>& nodes) const {
  const Tree& t = TV(kSpecTree);
  std::vector<std::pair<int, std::string>> found;
  for (NodeId n : nodes) {
    if (!t.valid(n)) continue;
    NodeId top = n;
    while (t.node(top).parent != kNoNode) top = t.node(top).parent;
    const auto it = specifica.casi.find(t.node(top).key);
    if (it != specifica.casi.end()) found.emplace_back(it->second, it->first);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<std::string> keys;
  for (auto& f : found) keys.push_back(std::move(f.second));
  return keys;
}

RisultatoGenerazione Generale::generaSelezionati() {
  const std::vector<std::string> casi = casiDi(evidenziati);
  if (casi.empty()) {
    if (asker_ != nullptr)
      asker_->messageBox(
          "Select one or more test cases in the Test Specification tree (Ctrl+click or Shift+click), then run "
          "\"Selected Test Cases\" again.",
          "Zov Suite");
    return {};
  }
  return genera(
      [this](const std::string& text) {
        if (asker_ != nullptr) asker_->messageBox(text, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
      },
      casi);
}

Outcome Generale::togliCasoTest(NodeId node) {
  Tree& chosen = TV(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  if (!chosen.valid(node) || root == kNoNode || chosen.node(node).parent != root)
    return Outcome::Refused("Choose a test case under \"Selected Item\" to remove.");
  const std::string key = chosen.node(node).key;
  const std::string text = chosen.node(node).text;
  chosen.remove(node);
  if (const NodeId picked = TV(kUitTree).find(key); picked != kNoNode) TV(kUitTree).setChecked(picked, false);
  Decision d{Decision::Type::kPick};
  d.node = key;
  d.value = text;
  d.unselect = true;
  registra(std::move(d));
  return {};
}

Outcome Generale::rimuoviScelta(NodeId node) {
  Tree& t = TV(kSpecTree);
  int index = -1;
  const NodeId category = SceltaRimovibile(t, node, &index);
  if (category == kNoNode) return Outcome::Refused("Choose a choice of a category to remove.");
  Decision d{Decision::Type::kRemoveChoice};
  d.category = riferimento(category);
  d.index = index;
  if (index >= 0) d.value = t.node(node).text;
  if (!RimuoviScelta(t, specifica, node)) return Outcome::Refused("This choice has no record to remove it from.");
  registra(std::move(d));
  return {};
}

std::optional<std::vector<std::string>> Generale::leggiFile(const std::string& name) {
  auto lines = outputFolder() == nullptr ? std::nullopt : outputFolder()->readLines(name);
  if (!lines && asker_ != nullptr)
    asker_->messageBox("The file \"" + name + "\" cannot be read.", "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kWarning);
  return lines;
}

void Generale::visualizzaScript() {
  LB.clear();
  // The scripts of the last generation; before any, one message.
  bool any = false;
  for (int i = 1; i <= specifica.tabella.count(); ++i) {
    const std::string name = NomeScript(i);
    if (outputFolder() == nullptr || !outputFolder()->created(name)) continue;
    any = true;
    if (const auto lines = leggiFile(name)) LB.addAll(*lines);
  }
  if (!any && asker_ != nullptr)
    asker_->messageBox("There are no test scripts to show: run \"All Test Cases\" first.", "Zov Suite");
}

namespace {
// StampaFile: every printed line is twelve blanks and the file's line.
void AggiungiStampa(std::vector<std::string>& out, const std::string& name, const std::vector<std::string>& lines) {
  out.push_back(std::string(20, '-'));
  out.push_back("File name: " + name);
  for (const std::string& line : lines) out.push_back(std::string(12, ' ') + line);
  out.push_back(std::string(80, '-'));
}
}  // namespace

void Generale::stampaCasi() {
  std::vector<std::string> out;
  for (const std::string& name : specifica.specDocuments)
    if (const auto lines = leggiFile(name)) AggiungiStampa(out, name, *lines);
  if (asker_ != nullptr && !out.empty() && asker_->stampa("Test Cases List", out)) dichiaraStampa("Test Cases List");
}

void Generale::dichiaraStampa(const std::string& title) {
  const std::string where = asker_ == nullptr ? std::string() : asker_->ultimaStampa();
  dichiara("Printed the " + title + (where.empty() ? std::string() : " to " + where));
}

void Generale::stampaScript() {
  // The numbered scripts of the last generation, with the same separators.
  std::vector<std::string> out;
  for (int i = 1; i <= specifica.tabella.count(); ++i) {
    const std::string name = NomeScript(i);
    if (outputFolder() == nullptr || !outputFolder()->created(name)) continue;
    if (const auto lines = leggiFile(name)) AggiungiStampa(out, name, *lines);
  }
  if (asker_ == nullptr) return;
  if (out.empty())
    asker_->messageBox("There are no test scripts to print: run \"All Test Cases\" first.", "Zov Suite");
  else if (asker_->stampa("Test Scripts List", out))
    dichiaraStampa("Test Scripts List");
}

void Generale::esporta() {
  if (asker_ == nullptr) return;
  const auto dir = asker_->chooseFolder("Export Documents and Scripts...", CartellaIniziale());
  if (!dir || dir->empty()) return;
  const auto tell = [this](const std::string& text, MessageIcon icon) {
    asker_->messageBox(text, "Zov Suite", MessageButtons::kOk, icon);
  };
  bool made = false;
  std::string error;
  auto target = ApriCartella(std::filesystem::path(*dir), made, &error);
  if (!target) return tell(error, MessageIcon::kWarning);
  std::vector<std::string> written;
  const Outcome e = ExportPlan(*this, *target, {true, true, true}, &written);
  if (!FinishFolder(*target, e.done, false, &error) && e.done) return tell(error, MessageIcon::kWarning);
  if (!e) return tell(e.message, MessageIcon::kWarning);
  const std::string said = "Exported " + std::to_string(written.size()) + " files to " + target->dir().string();
  dichiara(said);
  tell(said + ".", MessageIcon::kInformation);
}

void Generale::salvaSessione() {
  if (asker_ == nullptr) return;
  if (modello_ == nullptr) {
    asker_->messageBox("There is no work to save: load a model first.", "Zov Suite");
    return;
  }
  auto path = asker_->saveFile("Save ZOV File", kSessionFilter, CartellaIniziale());
  if (!path || path->empty()) return;
  if (std::filesystem::path(*path).extension().empty()) *path += ".zov";
  if (const Outcome e = SaveSession(*this, *path); !e) {
    asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
  } else {
    segnaSalvato();
    dichiara("Saved the session to " + *path);
  }
}

void Generale::caricaSessione() {
  if (asker_ == nullptr || !chiediSalvataggio()) return;
  const auto path = asker_->openFile("Load ZOV File", kSessionFilter, CartellaIniziale());
  if (!path || path->empty()) return;
  const SessionReport r = LoadSession(*this, *path);
  if (r.outcome) {
    segnaSalvato();
    dichiara("Loaded the session " + *path + ": " +
             Quanti(static_cast<long>(decisioni.size()), "decision", "decisions") + " replayed" +
             (r.leftOut.empty() ? "" : ", " + std::to_string(r.leftOut.size()) + " left out"));
  }
  if (!r.outcome)
    asker_->messageBox("The session could not be loaded.\n\n" + r.outcome.message, "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kCritical);
  else if (!r.text().empty() && asker_->messageBox(r.text() + "\n\nSave this report to a file?", "Zov Suite",
                                                   MessageButtons::kYesNo, MessageIcon::kWarning) == Answer::kYes)
    salvaRapporto(r.text(), *path);
}

void Generale::salvaRapporto(const std::string& text, const std::string& sessionPath) {
  const std::filesystem::path session(sessionPath);
  const auto path = asker_->saveFile("Save Report", "Text files (*.txt)| *.txt",
                                     (session.parent_path() / (session.stem().string() + "-report.txt")).string());
  if (!path || path->empty()) return;
  // Never over a model or a session: only a text file is replaced (the
  // file dialog has asked before).
  std::string error;
  const bool written = [&] {
    std::error_code ec;
    if (std::filesystem::exists(*path, ec) && std::filesystem::path(*path).extension() != ".txt") {
      error = *path + ": only a .txt file is replaced by a report; choose another name";
      return false;
    }
    // Never a device or a FIFO, which would block or swallow the report.
    const auto status = std::filesystem::status(*path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
      error = *path + ": not a regular file; choose another name";
      return false;
    }
    std::ofstream out(*path, std::ios::binary);
    out << text << '\n';
    out.close();
    if (!out) error = *path + ": the report could not be written";
    return static_cast<bool>(out);
  }();
  asker_->messageBox(written ? "The report was saved to " + *path + "." : error, "Zov Suite", MessageButtons::kOk,
                     written ? MessageIcon::kInformation : MessageIcon::kWarning);
}

std::string Generale::vediTutti() {
  Tree& t = TV(kMainTree);
  const NodeId at = t.selected();
  if (at == kNoNode) return {};
  const std::vector<NodeId> same = t.allPresent(t.node(at).key.substr(0, kIdentifierLength));
  if (same.empty()) return {};
  const auto here = std::find(same.begin(), same.end(), at);
  const std::size_t next = here == same.end() ? 0 : static_cast<std::size_t>(here - same.begin() + 1) % same.size();
  const NodeId shown = same[next];
  for (NodeId p = t.node(shown).parent; p != kNoNode; p = t.node(p).parent) t.setExpanded(p, true);
  t.setSelected(shown);
  const std::string path = PathOf(t, shown);
  const std::string said =
      path.substr(path.rfind('/') + 1) + ": " + std::to_string(next + 1) + " of " + std::to_string(same.size());
  MostraMessaggio(said);
  return said;
}

void Generale::deselezionaCasiTest() {
  const Tree& chosen = TV(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  if (root == kNoNode || chosen.node(root).children == 0) return;
  if (asker_ != nullptr &&
      asker_->messageBox("Unselect All takes every test case out of the selected test cases. Go on?", "Zov Suite",
                         MessageButtons::kOkCancel, MessageIcon::kQuestion) != Answer::kOk)
    return;
  svuotaCasiScelti();
}

void Generale::svuotaCasiScelti() {
  Tree& chosen = TV(kSelectedTestCases);
  Tree& uit = TV(kUitTree);
  const NodeId root = chosen.firstRoot();
  if (root != kNoNode)
    while (chosen.node(root).child != kNoNode) {
      const NodeId c = chosen.node(root).child;
      if (const NodeId picked = uit.find(chosen.node(c).key); picked != kNoNode) uit.setChecked(picked, false);
      chosen.remove(c);
    }
  Decision d{Decision::Type::kPick};
  d.all = d.unselect = true;
  registra(std::move(d));
}

void Generale::mostraDocumento(NodeId node) {
  const Tree& t = TV(kSpecTree);
  const auto isPath = [&t](NodeId n) {
    return t.node(n).image == kind::kTestcase || t.node(n).image == kind::kTestcaseGiallo;
  };
  std::vector<std::string> files;
  if (!t.valid(node)) return;
  if (std::string file = DocumentoDelNodo(t, specifica, node); !file.empty()) {
    files.push_back(std::move(file));
  } else if (isPath(node)) {
    // None under its text: the documents of its branches, in order.
    std::vector<NodeId> todo{node};
    while (!todo.empty()) {
      const NodeId n = todo.back();
      todo.pop_back();
      if (std::string branch = DocumentoDelNodo(t, specifica, n); !branch.empty()) files.push_back(std::move(branch));
      std::vector<NodeId> kids;
      for (NodeId c = t.node(n).child; c != kNoNode; c = t.node(c).next)
        if (isPath(c)) kids.push_back(c);
      todo.insert(todo.end(), kids.rbegin(), kids.rend());
    }
  }
  if (files.empty() || outputFolder() == nullptr) return;
  LB.clear();
  std::vector<std::string> shown;
  for (const std::string& file : files) {
    const auto lines = outputFolder()->readLines(file);
    if (!lines) {
      MostraMessaggio("The document \"" + file + "\" cannot be read");
      continue;
    }
    if (!shown.empty()) shown.emplace_back();
    shown.insert(shown.end(), lines->begin(), lines->end());
  }
  LB.addAll(shown);
}

void Generale::esci() {
  if (chiediSalvataggio()) termina();
}

void Generale::termina() {
  if (work_ != nullptr) RimuoveFileCreati(*work_);
  if (outputFolder() != nullptr) RimuoveFileCreatiUIT(*outputFolder());
  if (onExit) onExit();
}

void Generale::registra(Decision d) {
  decisioni.push_back(std::move(d));
  aggiornaCaption();
}

bool Generale::modificato() const { return decisioni.size() != salvate_; }

void Generale::segnaSalvato() {
  salvate_ = decisioni.size();
  aggiornaCaption();
}

void Generale::aggiornaCaption() {
  if (modello_ == nullptr) return;
  const std::string wanted = "Zov Suite - " + filemdl + (modificato() ? " *" : "");
  if (caption != wanted) setCaption(wanted);
}

bool Generale::chiediSalvataggio() {
  if (!modificato() || asker_ == nullptr) return true;
  switch (asker_->messageBox("Save changes?", "Zov Suite", MessageButtons::kYesNoCancel, MessageIcon::kQuestion)) {
    case Answer::kNo: return true;
    case Answer::kYes: salvaSessione(); return !modificato();  // a cancelled save dialog goes back
    default: return false;
  }
}

}  // namespace zov
