// The main window's state and rules, without a window: the seven trees, the
// menus, the labels and list box, the busy box, the start-up choice and the
// commands. The Qt shell shows this state and forwards the tester's clicks;
// the command line and the tests drive it directly.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/caricamento.h"
#include "app/decisioni.h"
#include "app/menus.h"
#include "generation/procedure.h"
#include "generation/specifica.h"
#include "model/model_source.h"
#include "model/riordino.h"
#include "selection/allocazione.h"
#include "selection/selezione.h"
#include "specification/editor_categorie.h"
#include "tree/tree.h"
#include "ui/ui.h"
#include "weights/editor_pesi.h"

namespace zov {

class WorkFolder;

// The result of a thing the tester does: done, or refused with the message
// the window shows; a done operation may still have something to say.
struct Outcome {
  bool done = true;
  std::string message;
  static Outcome Refused(std::string message) { return {false, std::move(message)}; }
  static Outcome Note(std::string message) { return {true, std::move(message)}; }
  explicit operator bool() const { return done; }
};

// The start-up dialog Form2: two option buttons, exactly one set.
struct Form2State {
  bool option1 = true;   // "1024x768", selected when the dialog loads
  bool option2 = false;  // "800x600"
  void clickOption1() {
    option1 = true;
    option2 = false;
  }
  void clickOption2() {
    option2 = true;
    option1 = false;
  }
};

// Window and tab strip sizes of a layout, in pixels.
struct Layout {
  int width = 1024;
  int height = 768;
  int tabLeft = 5;
  int tabTop = 5;
  int tabWidth = 1004;
  int tabHeight = 728;
};
Layout LayoutFor(bool large);

enum class MouseButton { kLeft, kRight, kMiddle };
enum class Popup { kNone, kMainTree /* mnuFile */, kSpecTree /* m_popupA */, kSelectedTree /* m_popupSel */ };

// A list box: lines in order, with a change callback for the view.
struct ListBoxState {
  std::vector<std::string> items;
  std::function<void()> onChange;
  void clear() {
    items.clear();
    if (onChange) onChange();
  }
  void add(std::string item) {
    items.push_back(std::move(item));
    if (onChange) onChange();
  }
  // Many lines at once, with one change.
  void addAll(const std::vector<std::string>& lines) {
    items.insert(items.end(), lines.begin(), lines.end());
    if (onChange) onChange();
  }
};

class Generale {
 public:
  Generale();
  Generale(const Generale&) = delete;
  Generale& operator=(const Generale&) = delete;

  // --- state -------------------------------------------------------------
  Trees TV;
  MenuState menus;
  Form2State form2;
  ListBoxState LB;
  std::string caption = "Zov Suite";
  std::string livv;    // "Level: " n
  std::string somma;   // leaf weight sum or procedure total
  int currentTab = 1;  // 1 to 3
  Layout layout;

  // The settings of the criterion dialog (number of test procedures,
  // coverage percentage, criterion), the dialog itself and the node editor,
  // kept between openings.
  ImpostazioniCriterio criterio;
  DialogoNumTest numTest{criterio};
  Edita editor;
  // The start and stop levels of "Select ST&ART Node" / "Select ST&OP Node".
  StatoSelezione selezione;
  // The table of test cases, the documents of the last "&Processing...".
  StatoSpecifica specifica;
  // The test procedures of the last generation, as data for the exports.
  std::vector<ProceduraGenerata> procedure;
  // The two test specification editors, kept between openings, and the
  // random numbers behind their default values.
  EditorImpostazioni editorImpostazioni;
  EditorInterazioni editorInterazioni;
  // Drawn from a seeded generator, restarted from the seed at every load so
  // that a session's decisions replay to the same values; the seed is
  // taken from the clock when the window starts.
  std::unique_ptr<Casuale> casuale;
  unsigned seme = 0;
  void impostaSeme(unsigned s);

  // The node of TV(1) being dragged, and its key (set on mouse-up on TV(1)).
  NodeId nodoTrascinato = kNoNode;
  std::string chiaveTrascinata;
  bool trascinamento = false;

  // Default node colours, read from the first Main Tree node after a load.
  Color defaultFore = kDefaultForeColor;
  Color defaultBack = kDefaultBackColor;

  // The model file of the last load ("*.mdl" until one is chosen) and the
  // open model, kept until the next load.
  std::string filemdl = "*.mdl";
  ModelSource* modello() const { return modello_.get(); }
  Handle modelloAperto() const { return modelloAperto_; }
  void setModello(std::unique_ptr<ModelSource> source, Handle model);
  // The most nodes the Main Tree may have while branches are copied below
  // its links; past it the copying stops and the load says so. 0 lets the
  // cap grow with the model (LimiteMainTree).
  int limiteMainTree = 0;
  // Steps of the last load that failed and were skipped.
  int passiFalliti = 0;
  // The deepest level the load gave a node of the Main Tree (copies below
  // links included): the "LEVEL" markers go down to it.
  std::int16_t livellomassimo = 0;
  // Problems of the last load that left a tree incomplete, one line each.
  std::vector<std::string> avvisi;
  // Reports a problem of the load: in the busy box and in avvisi.
  void avvisa(const std::string& text);

  // --- collaborators -----------------------------------------------------
  void setBusyBox(BusyBox* busy) { busy_ = busy; }
  BusyBox* busyBox() const { return busy_; }
  void setAsker(Asker* asker) { asker_ = asker; }
  Asker* asker() const { return asker_; }
  // The working files of a load go to the work folder; the documents,
  // scripts and exports to the output folder, which is the work folder
  // unless another is set (a plan's staging folder).
  void setWorkFolder(WorkFolder* folder) { work_ = folder; }
  WorkFolder* workFolder() const { return work_; }
  void setOutputFolder(WorkFolder* folder) { output_ = folder; }
  WorkFolder* outputFolder() const { return output_ != nullptr ? output_ : work_; }

  // Called by the shell when the caption changes.
  std::function<void()> onCaptionChange;
  // Called when a label (Livv, Somma) changes.
  std::function<void()> onLabelsChange;
  // Called when the window must show another tab page (1 to 3).
  std::function<void(int)> onTabChange;
  // "Open &Working Folder": the front end shows the working folder.
  std::function<void()> onApriCartella;
  // Called by "Usage C&hart...": the front end shows the usage chart of
  // the selection tree.
  std::function<void()> onGrafico;
  // The coverage percentage of the last allocation, when that criterion
  // allotted the procedures (the dialog's settings may change since).
  std::optional<std::int16_t> coperturaUsata;
  // Called by "EXIT" once the files are deleted: the front end ends.
  std::function<void()> onExit;
  // Marks a package of the Main Tree or the not-linked tree in the Design
  // Tree; called with the node, the tree it is in and the mark colour index.
  std::function<void(NodeId, int)> locatePackage;

  // --- start-up and window load ------------------------------------------
  // Runs the window load: defaults, layout from the start-up dialog, menus.
  void caricaFinestra();

  // --- busy box and status bar --------------------------------------------
  void MostraMessaggio(std::string_view text);
  // How far the running command is, for the busy box.
  void avanzamento(int done, int total);
  // What the last command did, in figures, for the status bar; with the
  // notes it made on the way (a diagram skipped, values left out) that the
  // busy box showed only for a moment.
  const std::string& esitoComando() const { return esito_; }
  void dichiara(std::string text);
  std::function<void()> onEsitoComando;
  // A note of the running command: shown at once and kept until the next
  // command starts.
  void nota(const std::string& text);
  const std::vector<std::string>& note() const { return note_; }
  const std::string& status() const { return status_; }
  void mostraBusy();
  void nascondiBusy();

  // --- commands ----------------------------------------------------------
  // Runs the command of a menu item as a click would: nothing happens when
  // the item or its menu is disabled. Returns whether it ran.
  bool esegui(std::string_view item);
  // Attaches the operation a menu item runs.
  void collega(std::string_view item, std::function<void()> operation);
  bool collegato(std::string_view item) const;
  // Whether a click on the item reaches it (it and its menu are enabled).
  bool attivo(std::string_view item) const;

  void setCaption(std::string text);
  void setLivv(std::string text);
  void setSomma(std::string text);

  // --- tab strip ---------------------------------------------------------
  void clickTab(int index);

  // --- command enabling as the work proceeds ------------------------------
  void caricamentoDaZovFatto();         // "Loading from &ZOV tree" done
  void caricamentoDesignOTuttiFatto();  // "Loading from Design Tree" / "Loading all &Sequence" done
  void elaborazioneFatta();             // "&Processing..." done
  void modelloCaricato();               // a model was loaded
  // Throws away the test case table, the Test Specification tree, the
  // documents' list and the list box, and disables the commands that need
  // "&Processing..." until it runs again.
  void azzeraElaborazione();
  void nodoStartScelto();  // start node chosen
  void nodoStopScelto();   // stop node chosen

  // --- trees -------------------------------------------------------------
  void espandiTutto(int tree);
  void comprimiTutto(int tree);
  // Mouse-down on TV(tree) with node under the pointer (kNoNode if none).
  // Returns true when a drag must start (left button on TV(1) over a node).
  bool mouseDown(int tree, NodeId hit, MouseButton button);
  // The pointer moves over TV(tree) onto hit (kNoNode if none): during a
  // drag from the UIT tree its node under the pointer is highlighted.
  void mouseMove(int tree, NodeId hit);
  // Mouse-up on TV(tree); returns the pop-up to show at the pointer.
  Popup mouseUp(int tree, MouseButton button);

  // Ctrl+F: the next node of TV(tree) after the selected one, in collection
  // order and wrapping round, whose text holds text (ignoring case); it is
  // shown (its parents expanded) and selected. kNoNode when none has it.
  NodeId cerca(int tree, std::string_view text);

  // --- weights and selection -----------------------------------------------
  // The roots "ROOT" of the UIT tree and "Selected Item" of the selected
  // test cases, named after the model file, expanded.
  void aggiungiRadici();
  // "&Modify": the node editor on the selected node of the Main Tree.
  void modifica();
  // The same without the editor: the node's new weight (and whether to
  // make it bold). Refused for a weight no float holds; done with
  // "Verify weights distibution" when the siblings no longer add up to 1.
  Outcome modificaPeso(NodeId node, const std::string& weight, bool bold = false);
  // "Select ST&ART Node" / "Select ST&OP Node" on the selected node.
  void scegliStartStop();
  Outcome scegliStartStopSu(NodeId node);
  // "&Select Level" / "&Unselect All" on the selected node: asks for the
  // criterion between its two steps.
  void selezionaLivello();
  // First step: the checks and the marks. On a marked node everything is
  // unselected and nothing more is waited for; otherwise attendeCriterio
  // tells that the criterion (the settings in criterio) is wanted next.
  Outcome iniziaSelezione(NodeId node, bool& attendeCriterio);
  // Second step: the selection tree and the allocation by criterio. For
  // coverage, risposta is the number of procedures (else the least number
  // proposed; in the window, the tester is asked).
  Outcome completaSelezione(std::optional<std::string> risposta);
  // The criterion was not given: the marks go.
  void annullaSelezione();
  // "&Select All": every test case of the UIT tree into the selected ones.
  void selezionaTutti();
  // Every scenario diagram of the UIT tree, as if dragged one by one.
  void scegliTuttiIDiagrammi();
  // A UIT loading command.
  void caricaCasiTest(TestCaseSource from);
  // A node dragged from the UIT tree dropped on TV(tree) over target.
  void rilascia(int tree, NodeId target);
  // A test case of the UIT tree into the selected test cases.
  Outcome scegliCasoTest(NodeId uitNode);

  // "&Specifications.." on the selected node of TV(2): the settings editor
  // on an "attributo" node, the interactions editor on a "messaggio" node.
  // False when no editor opened (no such node, or no record behind it).
  bool specifiche();
  // Opens the editor state of a parameter or message node, without showing it.
  enum class Categoria { kNessuna, kImpostazioni, kInterazioni };
  Categoria apriCategoria(NodeId node);
  // Keeps, for the session, what the editor opened on node did before it
  // closed.
  void registraCategoria(NodeId node, Categoria which);
  // A category node named by what it stands for, and back (kNoNode when
  // the Test Specification tree has no such category).
  NamedCategory riferimento(NodeId node) const;
  NodeId trovaCategoria(const NamedCategory& r) const;

  // What the tester decided since the model was loaded, in order: the
  // content of a session file.
  std::vector<Decision> decisioni;
  // "&Processing...".
  void elabora();
  // "&All Test Cases": the test procedures and script files; each conflict
  // warning is shown in a box.
  RisultatoGenerazione generaTutti();
  // The same, with the conflict warnings going to warn; only the test
  // cases named in casi (their diagrams' identifiers) when it is not empty.
  RisultatoGenerazione genera(const std::function<void(const std::string&)>& warn,
                              const std::vector<std::string>& casi = {});
  // "Export Documents and Scripts...": asks for a folder and writes the
  // documents, the scripts, procedures.csv and plan.json there, replacing
  // only files an earlier export or plan provably wrote.
  void esporta();
  // "See All &Entry" / "See All &Link": selects and shows the next node of
  // the Main Tree that stands for the same element as the selected one,
  // wrapping round; says (and returns) the node's name and "n of m".
  std::string vediTutti();
  // "&Unselect All" of the UIT menu: empties the selected test cases,
  // asking first.
  void deselezionaCasiTest();
  // The same without asking; the test cases can be picked again.
  void svuotaCasiScelti();
  // "&Remove" of the selected test cases' pop-up: takes the test case of
  // node (a top-level node under "Selected Item") back; it can be picked
  // again from the UIT tree.
  Outcome togliCasoTest(NodeId node);
  // "&Remove" of the Test Specification tree's pop-up, and the Delete key:
  // takes a choice (a value node) or all choices (the "Choices: " node)
  // out of their category.
  Outcome rimuoviScelta(NodeId node);
  // The test-case nodes of TV(2) picked with Ctrl/Shift-click, kept by
  // the view; "&Selected Test Cases" generates the test cases they (or
  // any node below them) stand for.
  std::vector<NodeId> evidenziati;
  // "&Selected Test Cases": the test procedures of those test cases only.
  RisultatoGenerazione generaSelezionati();
  // The test cases (diagram identifiers, the keys of the top nodes of
  // TV(2)) that nodes stand for, in table order.
  std::vector<std::string> casiDi(const std::vector<NodeId>& nodes) const;
  // "Save ZOV File" / "Load ZOV File": the session of the work, and its
  // replay on the model (with a report of what no longer matches).
  void salvaSessione();
  void caricaSessione();
  // Offers to keep the report of a session that no longer matches its model
  // in a text file (never written over an existing file).
  void salvaRapporto(const std::string& text, const std::string& sessionPath);
  // "&Visualize Test Scripts", "Test Cases List", "Test Scripts List".
  void visualizzaScript();
  void stampaCasi();
  void stampaScript();
  void dichiaraStampa(const std::string& title);
  // The lines of a file of the working folder; nothing (and a message)
  // when it cannot be read.
  std::optional<std::vector<std::string>> leggiFile(const std::string& name);
  // Shows in LB the document of a path or branch node of TV(2).
  void mostraDocumento(NodeId node);

  // --- exit --------------------------------------------------------------
  // "EXIT": asks "Save changes?" when there are any, then ends.
  void esci();
  // Ends without asking: the files go, the front end closes.
  void termina();
  // Whether there are decisions not saved in a session file, and the
  // question before they are lost: false when the tester cancels.
  bool modificato() const;
  bool chiediSalvataggio();
  // The decisions so far are those of the session file (saved, loaded, or
  // a fresh model).
  void segnaSalvato();

 private:
  Outcome dopoModifica(NodeId node);
  void registra(Decision d);
  void aggiornaCaption();
  std::size_t salvate_ = 0;
  void registraPeso(NodeId node, const std::string& weight);
  Decision livelloInAttesa_;
  BusyBox* busy_ = nullptr;
  Asker* asker_ = nullptr;
  WorkFolder* work_ = nullptr;
  WorkFolder* output_ = nullptr;
  std::string status_;
  std::string esito_;
  std::vector<std::string> note_;
  std::unique_ptr<ModelSource> modello_;
  Handle modelloAperto_;
  std::unordered_map<std::string, std::function<void()>> operations_;
};

}  // namespace zov
