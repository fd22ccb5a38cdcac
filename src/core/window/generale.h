// The main window's state and rules, without a window: the menus and their
// enabling, the labels and list box, the tab strip, the drag state, the
// busy box, the start-up choice and the commands. Each command asks the
// tester what it needs, then calls the planning session, which owns the
// work; the window follows the session's changes through its listener. The
// Qt shell shows this state and forwards the tester's clicks.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/exports.h"
#include "generation/procedures.h"
#include "model/model_source.h"
#include "model/tidy_up.h"
#include "selection/allocation.h"
#include "selection/selection.h"
#include "session/planning_session.h"
#include "specification/category_editors.h"
#include "specification/specification.h"
#include "tree/tree.h"
#include "ui/ui.h"
#include "weights/node_editor.h"
#include "window/load_messages.h"
#include "window/menus.h"

namespace zov {

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
enum class Popup {
  kNone,
  kMainTree /* mnuFile */,
  kSpecTree /* m_popupA */,
  kSelectedTree /* m_popupSel */,
  kUitTree /* m_popupUit */
};

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

class Generale : private SessionListener {
 public:
  explicit Generale(PlanningSession& session);
  Generale(const Generale&) = delete;
  Generale& operator=(const Generale&) = delete;
  ~Generale() override;

  // The tester's work, and its trees as the views show them.
  PlanningSession& session;
  Trees& TV;

  // --- state -------------------------------------------------------------
  MenuState menus;
  Form2State form2;
  ListBoxState LB;
  std::string caption = "Zov Suite";
  std::string levelLabel;  // "Level: " n
  std::string sumLabel;    // leaf weight sum or procedure total
  int currentTab = 1;      // 1 to 3
  Layout layout;

  // The criterion dialog on the session's criterion settings, and the node
  // editor, kept between openings.
  CriterionDialog numTest;
  Edita editor;

  // The node of TV(1) being dragged, and its key (set on mouse-up on TV(1)).
  NodeId draggedNode = kNoNode;
  std::string draggedKey;
  bool dragging = false;

  // The test-case nodes of TV(2) picked with Ctrl/Shift-click, kept by
  // the view; "&Selected Test Cases" generates the test cases they (or
  // any node below them) stand for.
  std::vector<NodeId> highlightedNodes;

  // --- collaborators -----------------------------------------------------
  // The busy box shows the session's progress and the window's messages.
  void setBusyBox(BusyBox* busy);
  BusyBox* busyBox() const { return busy_; }
  void setAsker(Asker* asker) { asker_ = asker; }
  Asker* asker() const { return asker_; }

  // Called by the shell when the caption changes.
  std::function<void()> onCaptionChange;
  // Called when a label (Livv, Somma) changes.
  std::function<void()> onLabelsChange;
  // Called when the window must show another tab page (1 to 3).
  std::function<void(int)> onTabChange;
  // "Open &Working Folder": the front end shows the working folder; false
  // when nothing here opens folders (the status bar then names it).
  std::function<bool()> onOpenFolder;
  // Called by "Usage C&hart...": the front end shows the usage chart of
  // the selection tree.
  std::function<void()> onUsageChart;
  // "Coverage S&trength...": what each path's procedures cover first, asked
  // as a word (random, each, pairwise or N) and "fills".
  void chooseStrength();
  // The forms "&Export Documents and Scripts..." writes: those the tester
  // chose last.
  Formats exportFormats = [] {
    Formats f;
    f.csv = f.json = true;
    return f;
  }();
  // Shows the plan report of the last generation (after each generation,
  // and from "Plan &Report...").
  std::function<void()> onPlanReport;
  // Called by "EXIT" once the files are deleted: the front end ends.
  std::function<void()> onExit;
  // Marks a package of the Main Tree or the not-linked tree in the Design
  // Tree; called with the node, the tree it is in and the mark colour index.
  std::function<void(NodeId, int)> locatePackage;

  // --- start-up and window load ------------------------------------------
  // Runs the window load: defaults, layout from the start-up dialog, menus.
  void loadWindow();

  // --- busy box and status bar --------------------------------------------
  void MostraMessaggio(std::string_view text);
  // What the last command did, in figures, for the status bar; with the
  // notes it made on the way (a diagram skipped, values left out) that the
  // busy box showed only for a moment.
  const std::string& commandResult() const { return result_; }
  void declare(std::string text);
  std::function<void()> onCommandResult;
  // The notes of the running command, kept until the next command starts.
  const std::vector<std::string>& note() const { return note_; }
  const std::string& status() const { return status_; }

  // The Test Specification tree no longer matches the selected test cases
  // (some were taken back since "&Processing..."): the window marks it, and
  // the generation waits for the next processing.
  bool specificationOutOfDate() const { return specificationOutOfDate_; }
  static constexpr std::string_view kOutOfDateText =
      "Out of date: test cases were taken back since Processing. Run \"Processing...\" again before generating.";
  std::function<void()> onSpecificationState;

  // Decisions were taken back (or an operation broken off) after files were
  // written: those files stay in the folder, and the scripts list may show
  // some that no longer match; the window marks it until the next generation.
  bool scriptsOutOfDate() const { return scriptsOutOfDate_; }
  static constexpr std::string_view kScriptsOutOfDateText =
      "Out of date: steps were undone or cancelled since the scripts were written; their files stay in the working "
      "folder. Run \"All Test Cases\" again to bring the scripts up to date.";
  // The marker the Test Specification page shows: empty when nothing is
  // out of date.
  std::string outOfDateText() const;

  // "&Undo" / "&Redo" of FILE: the last decision taken back, or the one
  // undone last taken again; the status bar names it.
  void undoCommand();
  void redoCommand();

  // --- details -------------------------------------------------------------
  // What a node of TV(tree) carries, written out for the details pane: its
  // kind, key, text, the fields of its tag (level, weight, children counted,
  // edited), its children, its diagram or document, and where else an
  // element of the Main Tree is shown. Each row a label and a value.
  std::vector<std::pair<std::string, std::string>> details(int tree, NodeId node) const;

  // --- problems ----------------------------------------------------------
  // The warnings and notes of the last load, processing, generation and
  // session replay, each with the step it comes from ("Load",
  // "Processing", "Generation", "Session"): what the readers left out and
  // what the message boxes said only once. A load starts the list again; a
  // processing replaces its own and the generation's; a generation its own.
  struct Problem {
    std::string from;
    std::string text;
  };
  const std::vector<Problem>& problems() const { return problems_; }
  // "3 problems", "1 problem", or empty when there is none.
  std::string problemsText() const;
  std::function<void()> onProblemsChange;

  // --- commands ----------------------------------------------------------
  // Runs the command of a menu item as a click would: nothing happens when
  // the item or its menu is disabled. Returns whether it ran.
  bool runMenuItem(std::string_view item);
  // Attaches the operation a menu item runs.
  void attachCommand(std::string_view item, std::function<void()> operation);
  bool hasCommand(std::string_view item) const;
  // Whether a click on the item reaches it (it and its menu are enabled).
  bool reachable(std::string_view item) const;

  void setCaption(std::string text);
  void setLevelLabel(std::string text);
  void setSumLabel(std::string text);

  // --- tab strip ---------------------------------------------------------
  void clickTab(int index);

  // --- command enabling as the work proceeds ------------------------------
  void zovLoadingDone();          // "Loading from &ZOV tree" done
  void designOrAllLoadingDone();  // "Loading from Design Tree" / "Loading all &Sequence" done
  void processingDone();          // "&Processing..." done
  void modelLoadedMenus();        // a model was loaded
  void startNodeChosen();         // start node chosen
  void stopNodeChosen();          // stop node chosen

  // --- trees -------------------------------------------------------------
  void expandTree(int tree);
  void collapseTree(int tree);
  // Mouse-down on TV(tree) with node under the pointer (kNoNode if none).
  // Returns true when a drag must start (left button on TV(1) over a node).
  bool mouseDown(int tree, NodeId hit, MouseButton button);
  // The pointer moves over TV(tree) onto hit (kNoNode if none): during a
  // drag from the UIT tree its node under the pointer is highlighted.
  void mouseMove(int tree, NodeId hit);
  // Mouse-up on TV(tree); returns the pop-up to show at the pointer.
  Popup mouseUp(int tree, MouseButton button);

  // Ctrl+F: the first node of TV(tree) from the top (fromTop), else the next
  // after the selected one, from top to bottom as the tree shows it and
  // wrapping round (*wrapped says so), whose text holds text (ignoring
  // case); it is shown (its parents expanded) and selected. kNoNode when
  // none has it.
  NodeId find(int tree, std::string_view text, bool fromTop = false, bool* wrapped = nullptr);

  // --- the commands of the menus ------------------------------------------
  // "Load MDL File": asks for the file, loads it, and tells the tester when
  // the model cannot be read or its Main Tree is incomplete.
  void loadModelCommand();
  void openModelFile(const std::string& path);
  // "&Modify": the node editor on the selected node of the Main Tree.
  void modify();
  // "Select ST&ART Node" / "Select ST&OP Node" on the selected node.
  void chooseStartStop();
  // "&Select Level" / "&Unselect All" on the selected node: asks for the
  // criterion between the session's two steps.
  void selectLevelCommand();
  // A UIT loading command.
  void loadTestCasesCommand(TestCaseSource from);
  // A node dragged from the UIT tree dropped on TV(tree) over target.
  void dropOn(int tree, NodeId target);
  // A node of the UIT tree put into the selected test cases without the
  // mouse (Insert or Enter, or the UIT tree's pop-up), as a drop does.
  void pickTestCase(NodeId uitNode);
  // F2 on a node of the Main Tree: its weight typed in place, checked as
  // the node editor checks it.
  void editWeightInPlace(NodeId node, const std::string& weight);
  // "&Specifications.." on the selected node of TV(2): the settings editor
  // on an "attributo" node, the interactions editor on a "messaggio" node.
  // False when no editor opened (no such node, or no record behind it).
  bool specifications();
  // "&Processing...": its warnings are shown in boxes.
  void processCommand();
  // "&All Test Cases": each conflict warning is shown in a box.
  PlanningSession::Generated generateAll();
  // "&Selected Test Cases": the test procedures of the highlighted test cases only.
  PlanningSession::Generated generateSelected();
  // "Export Documents and Scripts...": asks for a folder and writes the
  // documents, the scripts, procedures.csv and plan.json there, replacing
  // only files an earlier export or plan provably wrote.
  void exportFiles();
  // "See All &Entry" / "See All &Link": selects and shows the next node of
  // the Main Tree that stands for the same element as the selected one,
  // wrapping round; says (and returns) the node's name and "n of m".
  std::string seeAll();
  // "&Unselect All" of the UIT menu: empties the selected test cases,
  // asking first.
  void unselectTestCases();
  // "Save ZOV File" / "Load ZOV File": the session of the work, and its
  // replay on the model (with a report of what no longer matches).
  // "&Save ZOV File" saves again to the session file chosen (the one saved
  // or loaded last); "Save ZOV File &As..." asks for the file.
  void saveSessionCommand();
  void saveSessionAsCommand();
  // "Re&quirements..." of FILE: a requirements file (CSV) traces use cases
  // to requirements, over the model's links; a decision of the session.
  void requirementsCommand();
  // "Resul&ts..." of FILE: a result file's verdicts read into the plan;
  // the status bar gives the reliability per use they estimate.
  void resultsCommand();
  // "  [3 run, 1 failed]" after a diagram of the Main Tree or the selection
  // once verdicts of its procedures are read; empty otherwise.
  std::string resultsBadge(int tree, NodeId node) const;
  // Verdicts were read (or taken back): the trees show them again.
  std::function<void()> onResultsChange;
  void loadSession();
  // The session file the work is saved to, once one was chosen.
  const std::string& sessionFile() const { return sessionFile_; }
  // Where the file dialogs open: the folder of the last model or session,
  // else the examples or the home folder.
  std::string dialogFolder() const;
  // The models and sessions opened or saved last, newest first; the front
  // end keeps them between runs and lists them in FILE.
  static constexpr std::size_t kRecentFiles = 8;
  std::vector<std::string> recentFiles;
  std::function<void()> onRecentFilesChange;
  void rememberFile(const std::string& path);
  // A file named without saying what it is (the recent list, the command
  // line, the desktop): a session (".zov") replayed, else a model loaded.
  void openFile(const std::string& path);
  // The replay of the session file at path, as "Load ZOV File" does once the
  // file is chosen (the window opened on a session, from the desktop).
  void openSessionFile(const std::string& path);
  // Offers to keep the report of a session that no longer matches its model
  // in a text file (never written over an existing file).
  void saveReport(const std::string& text, const std::string& sessionPath);
  // "&Visualize Test Scripts", "Test Cases List", "Test Scripts List".
  void showScripts();
  void printTestCases();
  void printScripts();
  void declarePrinted(const std::string& title);
  // The lines of a file of the output folder; nothing (and a message)
  // when it cannot be read.
  std::optional<std::vector<std::string>> readFile(const std::string& name);
  // Shows in LB the document of a path or branch node of TV(2).
  void showDocument(NodeId node);

  // --- exit --------------------------------------------------------------
  // "EXIT": asks "Save changes?" when there are any, then ends.
  void exitCommand();
  // Ends without asking: the files go, the front end closes.
  void terminate();
  // The question before unsaved decisions are lost: false when the tester
  // cancels.
  bool askToSave();
  // The decisions so far are those of the session file (saved, loaded, or
  // a fresh model).
  void markWindowSaved();

 private:
  // What the session tells the window.
  void status(std::string_view text) override;
  void note(const std::string& text) override;
  void modelReplaced() override;
  void modelLoaded() override;
  void specificationCleared() override;
  void decided(const Decision& d) override;
  void backToLoad() override;
  // The window after a replay (an undo, a redo, a command broken off).
  void afterReplay(const Outcome& o, bool filesLeft);
  void updateUndoMenus();
  void setScriptsOutOfDate(bool outOfDate);
  bool scriptsOutOfDate_ = false;
  bool scriptsShownBefore_ = false;  // the list showed the scripts before a replay
  // The menus as the last load left them, for the window to go back to.
  std::vector<MenuEntry> menusAtLoad_;

  void warn(const std::string& text);
  // Replaces the problems of the steps named with texts coming from `from`.
  void listProblems(std::initializer_list<std::string_view> replaced, std::string_view from,
                    const std::vector<std::string>& texts);
  PlanningSession::Generated generateCases(const std::vector<std::string>& cases);
  void updateCaption();
  BusyBox* busy_ = nullptr;
  Asker* asker_ = nullptr;
  std::string status_;
  std::string result_;
  std::vector<std::string> note_;
  std::vector<Problem> problems_;
  bool specificationOutOfDate_ = false;
  std::string sessionFile_;
  std::string lastFolder_;
  bool saveSessionTo(std::string path);
  bool listShowsScripts_ = false;  // LB holds the scripts (refreshed after a generation)
  void setSpecificationOutOfDate(bool outOfDate);
  std::unordered_map<std::string, std::function<void()>> operations_;
};

}  // namespace zov
