// The tester's work without a window: the model, the seven trees, the
// criterion, the selection, the test case table, the procedures, the
// category editors, the random seed and the log of decisions. Its calls
// are the operations of a session file (weight, startStop, selectLevel,
// loadTestCases, pick, process, category, generate, removeChoice); each
// takes what the window would ask as arguments, records its own decision
// and returns what came of it: done or refused with the window's message,
// the figures, and every warning raised on the way. The window, the command
// line, the session replay, the tests, the fuzz targets and the benchmarks
// all drive this one object.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/plan_report.h"
#include "generation/procedures.h"
#include "generation/random_source.h"
#include "model/load_files.h"
#include "model/model_source.h"
#include "results/focus.h"
#include "results/results.h"
#include "selection/allocation.h"
#include "selection/selection.h"
#include "session/decisions.h"
#include "session/earlier_plan.h"
#include "specification/category_editors.h"
#include "specification/specification.h"
#include "traceability/requirements.h"
#include "tree/string_index.h"
#include "tree/tree.h"
#include "ui/ui.h"
#include "weights/node_editor.h"

namespace zov {

class WorkFolder;

// The result of a thing the tester does: done, or refused with the message
// the window shows; a done operation may still have something to say
// (message), and says what it did in figures (summary), what it warned of
// (warnings: the window shows them in boxes) and what it noted on the way
// (notes: a diagram left out, values not written; the window's status bar).
struct Outcome {
  bool done = true;
  std::string message;
  std::string summary;
  std::vector<std::string> warnings;
  std::vector<std::string> notes;
  // Broken off from the busy box: nothing changed (the message says so).
  bool cancelled = false;
  static Outcome Refused(std::string message) { return {false, std::move(message), {}, {}, {}, false}; }
  static Outcome Note(std::string message) { return {true, std::move(message), {}, {}, {}, false}; }
  static Outcome Cancelled(std::string message) { return {false, std::move(message), {}, {}, {}, true}; }
  explicit operator bool() const { return done; }
};

// What a front end hears of the session while it works: the busy box's
// text and progress, the notes of a running operation, and the changes the
// window's menus and labels follow.
class SessionListener {
 public:
  virtual ~SessionListener() = default;
  virtual void status(std::string_view /*text*/) {}
  // A note of the running operation (a diagram skipped, values left out).
  virtual void note(const std::string& /*text*/) {}
  // A readable model replaces the previous one: its work is gone.
  virtual void modelReplaced() {}
  // The load finished: the trees are built.
  virtual void modelLoaded() {}
  // The test case table, the Test Specification tree and the procedures
  // were thrown away.
  virtual void specificationCleared() {}
  // A decision was taken (and logged).
  virtual void decided(const Decision& /*d*/) {}
  // The trees go back to what the load left, before the decisions kept are
  // replayed (an undo, or an operation broken off): what the window built
  // on the decisions since the load goes back too.
  virtual void backToLoad() {}
};

// What the tester sets but does not decide: kept through loads and undos,
// never part of a session's decisions.
struct Settings {
  // The criterion dialog's settings, kept between selections.
  CriterionSettings criterion;
  // The most nodes the Main Tree may have while branches are copied below
  // its links; 0 lets the cap grow with the model (MainTreeCap).
  int mainTreeLimit = 0;
  // The plan whose still valid procedures the next generation keeps with
  // their ids (zov plan --keep); none by default.
  std::shared_ptr<const EarlierPlan> earlierPlan;
  // The results that focus the next allotment by number on what they leave
  // uncertain (zov plan --focus); none by default.
  std::shared_ptr<const Focus> focus;
  // The verdicts recorded in the plan folder before this run (its
  // results.json), which the report shows beside those read in the session.
  std::vector<ResultRecord> recordedResults;
  // Documents named by the diagram's identifier and name and the path
  // (zov plan --names stable), not by the texts of the tree's nodes.
  bool stableNames = false;
  // The encoding of a model file that does not say its own (zov
  // --encoding), as iconv names it; empty for the readers' default.
  std::string modelEncoding;
  // The formats of the plan the session was run for (zov plan --format), as
  // their comma-separated words; empty when it was not planned so. A replay
  // of the session writes them again unless others are asked for.
  std::string formats;
};

// Everything the tester's decisions change, but the trees (see Work).
struct WorkValues {
  // The model file of the last load ("*.mdl" until one is loaded).
  std::string filemdl = "*.mdl";
  // The start and stop levels of "Select ST&ART Node" / "Select ST&OP Node".
  LevelSelection selection;
  // The table of test cases and the documents of the last "&Processing...".
  SpecificationState specification;
  // The test procedures of the last generation, as data for the exports.
  // In blocks that never move: a large plan's hundreds of thousands grow
  // without a second array while the last one is copied, or room kept
  // unused after.
  std::deque<GeneratedProcedure> procedures;
  // The category open in an editor, and whether it had been edited before.
  enum class Editor { kNone, kSettings, kInteractions };
  Editor openEditor = Editor::kNone;
  NodeId openNode = kNoNode;
  bool openedEdited = false;
  // The working files of the load (in memory).
  LoadFiles loadFiles;
  // Steps of the last load that failed and were skipped.
  int failedSteps = 0;
  // The deepest level the load gave a node of the Main Tree (copies below
  // links included): the "LEVEL" markers go down to it.
  std::int16_t livellomassimo = 0;
  // Problems since the last load that left a tree or a file incomplete,
  // one line each.
  std::vector<std::string> problems;
  // Default node colours, read from the first Main Tree node after a load.
  Color defaultFore = kDefaultForeColor;
  Color defaultBack = kDefaultBackColor;
  // The coverage percentage of the last allocation, when that criterion
  // allotted the procedures.
  std::optional<std::int16_t> coverageUsed;
  // "Leaves weights sum: ..." and the procedures allotted, after a selection.
  std::string weightsSum;
  // Where the procedures of the last generation went; none before one.
  std::optional<PlanReport> planReport;
  // What the last "&Processing..." and the last generation found (warnings,
  // notes, conflicts), live or replayed: the Problems panel lists them after
  // a replay as after the command itself.
  std::vector<std::string> processingFound, generationFound;
  // The requirements of the model and of a requirements file, and what
  // traces use cases and diagrams to them.
  RequirementLinks requirements;
  // The verdicts read back from result files (FILE > "Results..."), in the
  // order read; matched to the procedures by their ids.
  std::vector<ResultRecord> results;
  // What each path's procedures cover first (zov plan --strength); random
  // by default, as every combination in random order.
  Strength strength;
  // The random numbers behind default values and shuffles: drawn from a
  // generator restarted from the seed at every load, so that a session's
  // decisions replay to the same values; and the stream of the category open.
  unsigned seed = 0;
  SeededRandom random{0};
  std::optional<CategoryRandom> categoryRandom;

  // Every member, compared: what tells an Undo that restored all of it.
  bool operator==(const WorkValues&) const = default;
};

// The tester's work as one value: the seven trees and everything else the
// decisions change. Undo puts back the work the load left and replays the
// decisions kept, so a member added here is taken back with no other change.
struct Work : WorkValues {
  Trees TV;
  // This work becomes snapshot; the trees keep their observers (the views
  // bound to them see one reset each).
  void restore(const Work& snapshot) {
    static_cast<WorkValues&>(*this) = snapshot;
    for (int i = 0; i < kTreeCount; ++i) TV(i).restore(snapshot.TV(i));
  }
};

class PlanningSession {
 public:
  PlanningSession();
  PlanningSession(const PlanningSession&) = delete;
  PlanningSession& operator=(const PlanningSession&) = delete;

  // --- the work ------------------------------------------------------------
  // What the decisions made of the model: front ends read it, the
  // operations below change it.
  const Work& work() const { return work_; }
  const Tree& TV(int index) const { return work_.TV(index); }
  Settings settings;
  // The two test specification editors: windows kept between openings,
  // which work on the category open.
  SettingsEditor settingsEditor;
  InteractionsEditor interactionsEditor;
  // What each path's procedures cover first; a decision of the session.
  void setStrength(Strength s);
  const Strength& strength() const { return work_.strength; }
  // The strength the next load starts with (a session file's), no decision.
  void loadWithStrength(Strength s) { work_.strength = s; }
  // Warnings of the steps around the generation, put first in the plan
  // report (a plan's test case sources that gave nothing).
  void addReportWarnings(const std::vector<std::string>& warnings);
  // The strength the model was loaded with (a session file's); later
  // changes are decisions of the session.
  const Strength& strengthAtLoad() const { return history_.strengthAtLoad; }

  ModelSource* model() const { return model_.get(); }
  // What the model opened last holds, counted when it was opened.
  const ModelSummary& modelSummary() const { return modelSummary_; }
  Handle openModelHandle() const { return modelHandle_; }

  // The random numbers behind default values and shuffles (see WorkValues).
  RandomSource& random() { return work_.random; }
  unsigned seed() const { return work_.seed; }
  void setSeed(unsigned seed);

  // --- collaborators -------------------------------------------------------
  void setBusyBox(BusyBox* busy) { busy_ = busy; }
  void setListener(SessionListener* listener) { listener_ = listener; }
  // The documents, scripts and exports go to the output folder, which is
  // the work folder unless another is set (a plan's staging folder). The
  // working files of a load stay in memory; with keepLoadFiles they are
  // written into the work folder too, for inspection.
  void setWorkFolder(WorkFolder* folder) { folder_ = folder; }
  void setKeepLoadFiles(bool keep) { keepLoadFiles_ = keep; }
  // Keeps a copy of what each load leaves, so that decisions can be taken
  // back and long operations broken off (the window); costs a second copy
  // of the trees, which the command line does without.
  void setUndoable(bool undoable) { undoable_ = undoable; }
  bool undoable() const { return undoable_; }
  const LoadFiles& loadFiles() const { return work_.loadFiles; }
  WorkFolder* workFolder() const { return folder_; }
  void setOutputFolder(WorkFolder* folder) { output_ = folder; }
  WorkFolder* outputFolder() const { return aside_ != nullptr ? aside_ : output_ != nullptr ? output_ : folder_; }

  // --- the operations --------------------------------------------------------
  // Nodes are given by id, or named by key or by the path of their names
  // ("Customer/Pay").

  // "Load MDL File" on the file path; the warnings are the reader's and the
  // load's, the message says when the Main Tree is incomplete.
  Outcome openModel(const std::string& path);

  // "&Modify" with a new weight as typed (and whether to make it bold).
  // Refused for a weight no float holds; done with "Verify weights
  // distibution" when the siblings no longer add up to 1.
  Outcome weight(NodeId node, const std::string& value, bool bold = false);
  Outcome weight(std::string_view node, const std::string& value);
  // The node editor, shown by a front end, closed with OK: it wrote the
  // weight; the decision is logged and the siblings' sum checked.
  Outcome weightEdited(const Edita& editor);
  // "Select ST&ART Node", then "Select ST&OP Node".
  Outcome startStop(NodeId node);
  Outcome startStop(std::string_view start, std::string_view stop);
  // "&Select Level" (or "&Unselect All" on a marked node) in its two steps
  // around the criterion dialog. The first marks the branch; on a marked
  // node it unselects everything and waiting stays false. The second
  // copies the selection tree and allots the procedures by the criterion;
  // for coverage, the answer given, else the tester is asked through ask,
  // else the least number proposed.
  // weightsChecked: the Main Tree passed the weights check before and
  // since then only selections marked it, which paint no branch red: the
  // check is not walked again (a run of levels selected by one number).
  Outcome beginSelection(NodeId node, bool& waiting, bool weightsChecked = false);
  Outcome completeSelection(const Criterion& c, Asker* ask = nullptr);
  void cancelSelection();
  // Both steps; nothing allotted is a refusal.
  Outcome selectLevel(NodeId node, const Criterion& c);
  Outcome selectLevel(std::string_view node, const Criterion& c);
  // "&Select Level" on each node in turn, each decision recorded as its
  // own. A number of procedures allots them once, after the last node,
  // since each allotment replaces the one before; a coverage allots after
  // every node, as its answer may differ from node to node. Stops at the
  // first node refused.
  Outcome selectLevels(const std::vector<std::string>& nodes, const Criterion& c);

  // A UIT loading command.
  Outcome loadTestCases(TestCaseSource from);
  // A test case of the UIT tree into the selected test cases.
  Outcome pick(NodeId uitNode);
  Outcome pick(std::string_view node);
  // Every scenario diagram of the UIT tree, as if dragged one by one, or
  // ("&Select All") every test case of it.
  Outcome pickAll(bool diagramsOnly = true);
  // "&Remove" on a test case of the selected test cases; or all of them.
  Outcome unpick(NodeId node);
  Outcome unpick(std::string_view node);
  Outcome unpickAll();

  // "&Requirements..." of the File menu: the links of a requirements file
  // (see ApplyRequirementsFile) over those of the model. The decision keeps
  // the file's text, so that a session replays it without the file.
  // Refused, naming the line, for a file that cannot be read or makes no
  // sense; rows that name nothing in the Main Tree are warnings.
  Outcome requirementsFile(const std::string& path);
  Outcome requirementsFile(const std::string& path, const std::string& text);

  // "Resul&ts..." of the File menu: the verdicts of a result file (JUnit
  // XML, a TestRail or Xray export, a CSV of id,verdict) read into the
  // plan; the decision keeps them, so that a replay gives the same figures.
  // Refused for a file that cannot be read, or before a generation.
  Outcome resultsFile(const std::string& path);
  Outcome resultsRead(const std::string& path, const std::string& digest, std::vector<ResultRecord> records);
  // The reliability the verdicts recorded and read so far estimate for the
  // last plan, and the verdicts of its procedures.
  std::optional<Estimate> estimate(Verdicts* verdicts = nullptr) const;

  // "&Processing...": the warnings are those the window shows in boxes.
  Outcome process();

  // A category of the Test Specification tree, edited: opened (the
  // result's message is any note on default values left out), then values
  // added or the defaults chosen, then OK or Cancel. A front end that lets
  // the tester fill the editor itself calls closeCategory once its dialog
  // confirmed or cancelled it.
  Outcome openCategory(NodeId node);
  Outcome openCategory(std::string_view node);
  Outcome addValue(const std::string& value, const std::string& properties = {}, const std::string& selectors = {});
  Outcome chooseDefaults();
  Outcome confirmCategory();
  Outcome cancelCategory();
  Outcome closeCategory();
  // The whole edit of a category as a session file keeps it: its own
  // values (with properties and if-selectors), or its default values, then
  // OK or Cancel. A value the category cannot take is a warning.
  Outcome category(NodeId node, const std::vector<ChosenValue>& values, bool defaults, bool cancelled);
  // Every category not confirmed yet takes its default values. With
  // ChoiceNodes::kNotMade the choices go to the table of test cases only,
  // without their "Choices: " and value nodes in TV(2): for a plan run that
  // shows no tree and edits nothing after, where the value nodes of a
  // large model are the most of all it holds. The decision recorded is
  // the same, and its replay makes them.
  enum class ChoiceNodes { kMade, kNotMade };
  void confirmDefaults(ChoiceNodes nodes = ChoiceNodes::kMade);
  // For a plan run that shows no tree and never steps back: what nothing
  // reads any more goes as the run moves on, as a large model holds
  // hundreds of thousands of nodes and megabytes of link lines in it. The
  // generation and the exports read the table, the Main Tree and the
  // selection tree alone. Once picked: the UIT tree the test cases were
  // picked from is emptied and the load's working files, already written
  // when they were to be kept, let go. Once processed: the selected test
  // cases too. Once the defaults are confirmed, the Test Specification tree
  // is emptied as well, with what finds records by its nodes. Nothing is
  // recorded: a replay has them all again. Refused, doing nothing, in a
  // session that can step back.
  enum class Unread { kOncePicked, kOnceProcessed, kOnceConfirmed };
  bool dropUnread(Unread stage);
  // A category node named by what it stands for, and back (kNoNode when
  // the Test Specification tree has no such category).
  NamedCategory categoryName(NodeId node) const;
  NodeId findCategory(const NamedCategory& r) const;

  // "&All Test Cases", or, with test cases named by the keys of their top
  // nodes in the Test Specification tree, "&Selected Test Cases" on those.
  // The result's warnings are the conflicts.
  struct Generated {
    GenerationResult result;
    std::vector<std::string> conflicts;
    std::string summary;
    // Broken off from the busy box: the session is as it was before.
    bool cancelled = false;
  };
  Generated generate(const std::vector<std::string>& testCases = {});
  // The test cases (the keys of the top nodes of TV(2)) that nodes stand
  // for, in table order.
  std::vector<std::string> testCasesOf(const std::vector<NodeId>& nodes) const;
  // "&Remove" on a choice of a category (or on its "Choices: " node).
  Outcome removeChoice(NodeId node);
  Outcome removeChoice(std::string_view node);

  // The documents and scripts written, in the output folder.
  std::vector<std::string> filesWritten() const;

  // --- the decisions -------------------------------------------------------
  // What the tester decided since the model was loaded, in order: the
  // content of a session file.
  const std::deque<Decision>& decisions() const { return history_.decisions; }
  // Whether there are decisions not saved in a session file.
  bool modified() const { return history_.decisions.size() != history_.saved; }
  void markSaved() { history_.saved = history_.decisions.size(); }

  // --- taking decisions back -------------------------------------------------
  // "&Undo" takes the last decision back: the trees as the load left them
  // come back and the decisions before it are replayed through their
  // operations (the model is not read again); files already written stay.
  // "&Redo" takes the decision undone last again; any other decision ends
  // what can be redone. Both need setUndoable. The result's warnings list
  // decisions that no longer replay (none, for a session in one piece).
  bool canUndo() const { return history_.atLoad != nullptr && !history_.decisions.empty(); }
  bool canRedo() const { return history_.atLoad != nullptr && !history_.undone.empty(); }
  Outcome undo();
  Outcome redo();

  // The load, "&Processing..." and the generation of an undoable session
  // stop when the busy box asks (BusyBox::cancelRequested): the session is
  // then as it was before, and the outcome says it was cancelled.

  // Decisions taken again while one lives (a session file's replay): one
  // busy box for all of them, none broken off, none ending what can be
  // redone.
  class Replay {
   public:
    explicit Replay(PlanningSession& s);
    ~Replay();
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

   private:
    PlanningSession& s;
  };

  // The files of the load and of the UIT commands go (at exit).
  void removeFiles();

 private:
  friend class Generale;  // the window's state: expands, marks and colours nodes
  friend struct SessionTestAccess;
  friend std::string ReplayDecision(PlanningSession& s, const Decision& d);
  using Editor = WorkValues::Editor;
  // The load's work, the decisions since, those undone, and the mark of the
  // last save: Undo is "the load's work again, the log replayed but its last".
  struct History {
    std::unique_ptr<const Work> atLoad;  // kept when undoable
    std::size_t renames = 0;             // the model's renames at load
    Strength strengthAtLoad;
    // A deque: a long session grows without copying its decisions.
    std::deque<Decision> decisions;
    std::vector<Decision> undone;
    std::size_t saved = 0;
  };
  Tree& tree(int index) { return work_.TV(index); }
  const Tree& tree(int index) const { return work_.TV(index); }
  // f on the node of tree named by key or path; refused when there is none.
  template <typename F>
  Outcome withNode(int tree, std::string_view name, F f);
  // A test case of the selected ones taken back: unchecked in the UIT tree.
  void takeBack(NodeId node);
  Editor openEditor(NodeId node, ChoiceNodes nodes = ChoiceNodes::kMade);
  // OK or Cancel on the open editor, then closeCategory.
  Outcome closeWith(bool ok);
  void record(Decision d);
  // Thrown from the busy box's calls while a cancellable operation runs.
  struct Cancel {};
  void checkCancel();
  // Lets the running operation be broken off, until the guard goes.
  struct Cancellable {
    explicit Cancellable(PlanningSession& s);
    ~Cancellable();
    Cancellable(const Cancellable&) = delete;
    Cancellable& operator=(const Cancellable&) = delete;
    PlanningSession& s;
  };

  // The session as the load left it, then the decisions replayed.
  // The branches the tester opened and the node chosen in each view: no
  // decision, they stay as they are wherever the nodes are still there.
  struct Views {
    std::array<StringIndex<char>, kTreeCount> open;
    std::array<std::string, kTreeCount> chosen;
  };
  Views views() const;
  void showAgain(const Views& v);
  // Back to the state after the load, then replay; the views are kept as
  // they are now, or as *before says (a load broken off shows the views of
  // before the load again).
  Outcome backToLoad(const std::vector<Decision>& replay, const Views* before = nullptr);
  // An operation broken off: back to the load, the decisions so far replayed.
  Outcome cancelled(const std::string& what);
  void status(std::string_view text);
  void progress(int done, int total);
  void showBusy();
  void hideBusy();
  void note(const std::string& text);
  void problem(const std::string& text);
  void clearSpecification();
  void addRoots();
  std::string loadModel(const std::string& path, bool& wasCancelled);
  // The random stream of each path of the generation: seeded from the
  // session's seed and the path's identity (the diagram's identifier and the
  // path's name), so that a path's procedures change only with the path.
  std::function<std::unique_ptr<RandomSource>(int, const std::string&)> PathStreams() const;
  // The earlier plan's procedures of a path (test case, path name), for the generation.
  std::function<const std::vector<EarlierProcedure>*(int, const std::string&)> EarlierProcedures() const;
  // "&Select Level" on node; without allot, the decision is recorded as
  // allotting by number and the allotment is left to a later call.
  Outcome selectLevel(NodeId node, const Criterion& c, bool allot, bool weightsChecked = false);

  Work work_;
  History history_;
  std::unique_ptr<ModelSource> model_;
  Handle modelHandle_;
  BusyBox* busy_ = nullptr;
  SessionListener* listener_ = nullptr;
  WorkFolder* folder_ = nullptr;
  WorkFolder* output_ = nullptr;
  bool keepLoadFiles_ = false;
  ModelSummary modelSummary_;
  Decision pendingLevel_;
  bool undoable_ = false;
  bool replaying_ = false;    // decisions replayed: neither new nor cancellable
  bool cancellable_ = false;  // the busy box may break the operation off
  int cancels_ = 0;           // operations broken off so far
  // Where Undo and Redo write while they replay: a folder in memory, so
  // that the documents and scripts already written stay as they are.
  WorkFolder* aside_ = nullptr;
};

}  // namespace zov
