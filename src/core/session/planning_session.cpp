#include "session/planning_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "export/exports.h"
#include "files/input_file.h"
#include "files/work_folder.h"
#include "model/design_tree.h"
#include "model/fnv.h"
#include "model/link_analysis.h"
#include "model/tidy_up.h"
#include "model/use_case_view.h"
#include "session/session_file.h"
#include "session/uit_commands.h"
#include "testcases/uit_test_cases.h"
#include "tree/kinds.h"
#include "tree/numbers.h"
#include "tree/string_index.h"
#include "weights/node_editor.h"
#include "weights/weights.h"
#include "window/load_messages.h"

namespace zov {

// The largest requirements file read: far beyond any tracker's export.
constexpr std::uintmax_t kMaxRequirementsBytes = std::uintmax_t{64} << 20;

namespace {

const char* TreeName(int tree) {
  switch (tree) {
    case kMainTree: return "the Main Tree";
    case kUitTree: return "the UIT tree";
    case kSpecTree: return "the Test Specification tree";
    case kSelectedTestCases: return "the selected test cases";
    default: return "the tree";
  }
}

std::string Count(long n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// The top node of t above node (node itself at the top).
NodeId TopOf(const Tree& t, NodeId node) {
  while (t.node(node).parent != kNoNode) node = t.node(node).parent;
  return node;
}

// Passes every question on and keeps the last answer of an input box.
class RememberingAsker : public Asker {
 public:
  explicit RememberingAsker(Asker& to) : to_(to) {}
  Answer messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon icon) override {
    return to_.messageBox(text, title, buttons, icon);
  }
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override {
    answer = to_.inputBox(prompt, title, defaultText);
    return answer;
  }
  std::optional<std::string> answer;

 private:
  Asker& to_;
};

}  // namespace

PlanningSession::PlanningSession() {
  setSeed(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
}

void PlanningSession::setSeed(unsigned seed) {
  work_.seed = seed;
  work_.random = SeededRandom(seed);
}

// --- reporting ---------------------------------------------------------------

void PlanningSession::status(std::string_view text) {
  if (busy_ != nullptr) busy_->setStatus(text);
  if (listener_ != nullptr) listener_->status(text);
  checkCancel();
}

void PlanningSession::progress(int done, int total) {
  if (busy_ != nullptr) busy_->setProgress(done, total);
  checkCancel();
}

void PlanningSession::showBusy() {
  // A replay shows one busy box for all its decisions.
  if (busy_ != nullptr && !replaying_) busy_->show();
}

void PlanningSession::hideBusy() {
  if (busy_ != nullptr && !replaying_) busy_->hide();
}

void PlanningSession::checkCancel() {
  if (!cancellable_ || busy_ == nullptr || !busy_->cancelRequested()) return;
  cancellable_ = false;
  throw Cancel{};
}

PlanningSession::Replay::Replay(PlanningSession& session) : s(session) {
  s.showBusy();
  s.replaying_ = true;
}

PlanningSession::Replay::~Replay() {
  s.replaying_ = false;
  s.hideBusy();
}

PlanningSession::Cancellable::Cancellable(PlanningSession& session) : s(session) {
  s.cancellable_ = s.undoable_ && !s.replaying_;
  if (s.busy_ != nullptr && s.cancellable_) s.busy_->setCancellable(true);
}

PlanningSession::Cancellable::~Cancellable() {
  if (s.busy_ != nullptr && s.undoable_) s.busy_->setCancellable(false);
  s.cancellable_ = false;
}

void PlanningSession::note(const std::string& text) {
  status(text);
  if (listener_ != nullptr) listener_->note(text);
}

void PlanningSession::problem(const std::string& text) {
  work_.problems.push_back(text);
  note(text);
}

void PlanningSession::setStrength(Strength s) {
  work_.strength = s;
  Decision d{Decision::Type::kStrength};
  d.index = s.t;
  d.all = s.fills;
  record(std::move(d));
}

void PlanningSession::record(Decision d) {
  if (!replaying_) {
    // A decision of its own ends what could be redone, and a saved state
    // beyond it can no longer be reached.
    history_.undone.clear();
    if (history_.saved > history_.decisions.size()) history_.saved = static_cast<std::size_t>(-1);
  }
  history_.decisions.push_back(std::move(d));
  if (listener_ != nullptr) listener_->decided(history_.decisions.back());
}

void PlanningSession::addReportWarnings(const std::vector<std::string>& warnings) {
  if (work_.planReport)
    work_.planReport->warnings.insert(work_.planReport->warnings.begin(), warnings.begin(), warnings.end());
}

void PlanningSession::clearSpecification() {
  work_.specification = SpecificationState();
  work_.procedures.clear();
  work_.planReport.reset();
  work_.processingFound.clear();
  work_.generationFound.clear();
  tree(kSpecTree).clear();
  if (listener_ != nullptr) listener_->specificationCleared();
}

void PlanningSession::addRoots() {
  Tree& uit = tree(kUitTree);
  uit.setExpanded(uit.addTop("ROOT", work_.filemdl, kind::kRose), true);
  Tree& chosen = tree(kSelectedTestCases);
  chosen.setExpanded(chosen.addTop("Selected Item", work_.filemdl, kind::kRose), true);
}

void PlanningSession::removeFiles() {
  if (folder_ != nullptr) RimuoveFileCreati(*folder_);
  if (outputFolder() != nullptr) RimuoveFileCreatiUIT(*outputFolder());
}

template <typename F>
Outcome PlanningSession::withNode(int tree, std::string_view name, F f) {
  const NodeId id = FindByKeyOrPath(work_.TV(tree), name);
  return id == kNoNode ? Outcome::Refused("no node '" + std::string(name) + "' in " + TreeName(tree)) : f(id);
}

// --- the load ------------------------------------------------------------------

Outcome PlanningSession::openModel(const std::string& path) {
  bool wasCancelled = false;
  if (std::string error = loadModel(path, wasCancelled); !error.empty())
    return wasCancelled ? Outcome::Cancelled(std::move(error)) : Outcome::Refused(std::move(error));
  Outcome o = Outcome::Note(IncompleteLoadMessage(work_.problems));
  o.warnings = model_->Warnings();
  o.warnings.insert(o.warnings.end(), work_.problems.begin(), work_.problems.end());
  modelSummary_ = model_->Summarize();
  modelSummary_.requirements = static_cast<int>(work_.requirements.requirements.size());
  modelSummary_.requirementLinks = work_.requirements.linkCount();
  o.summary = LoadSummary(modelSummary_, work_.filemdl);
  return o;
}

Outcome PlanningSession::resultsFile(const std::string& path) {
  if (work_.procedures.empty())
    return Outcome::Refused("Generate the test procedures first: results are matched to their ids");
  std::string error;
  std::optional<ResultFile> f = ReadResultFile(path, &error);
  if (!f) return Outcome::Refused(error);
  Outcome o = resultsRead(path, f->digest, std::move(f->records));
  if (o && f->withoutId > 0)
    o.warnings.push_back(path + ": " + std::to_string(f->withoutId) +
                         (f->withoutId == 1 ? " test names" : " tests name") + " no procedure id of a plan; left out");
  return o;
}

Outcome PlanningSession::resultsRead(const std::string& path, const std::string& digest,
                                     std::vector<ResultRecord> records) {
  for (const ResultRecord& r : work_.results)
    if (r.digest == digest && !digest.empty())
      return Outcome::Refused(path + " was read before (the same content); its verdicts are not counted twice");
  Decision d{Decision::Type::kResults};
  d.node = path;
  d.path = digest;
  d.value = RecordsText(records);
  for (ResultRecord& r : records) r.file = path, r.digest = digest;
  work_.results.insert(work_.results.end(), records.begin(), records.end());
  record(std::move(d));
  Outcome o;
  if (const std::optional<Estimate> e = estimate()) o.summary = ReliabilityLine(*e);
  return o;
}

std::optional<Estimate> PlanningSession::estimate(Verdicts* verdicts) const {
  if (work_.procedures.empty() || (work_.results.empty() && settings.recordedResults.empty())) return std::nullopt;
  std::string error;
  const std::optional<PlanForResults> plan = ReadPlanForResults(nlohmann::json::parse(PlanJson(*this)), &error);
  if (!plan) return std::nullopt;
  std::vector<ResultRecord> all = settings.recordedResults;
  all.insert(all.end(), work_.results.begin(), work_.results.end());
  Verdicts v = MergeVerdicts(*plan, all);
  Estimate e = EstimateReliability(*plan, v.known);
  if (verdicts != nullptr) *verdicts = std::move(v);
  return e;
}

Outcome PlanningSession::requirementsFile(const std::string& path) {
  std::string error;
  const std::optional<std::string> text = ReadInputFile(path, kMaxRequirementsBytes, &error);
  if (!text) return Outcome::Refused(error);
  return requirementsFile(path, *text);
}

Outcome PlanningSession::requirementsFile(const std::string& path, const std::string& text) {
  if (model_ == nullptr) return Outcome::Refused("Load a model first: the requirements trace its use cases");
  RequirementLinks links = work_.requirements;
  RequirementsFileResult r = ApplyRequirementsFile(links, tree(kMainTree), text, path);
  if (!r.error.empty()) return Outcome::Refused(r.error);
  work_.requirements = std::move(links);
  Decision d{Decision::Type::kRequirements};
  d.node = path;
  d.value = text;
  record(std::move(d));
  Outcome o;
  o.summary = path + ": " + std::to_string(r.links) + (r.links == 1 ? " link" : " links") + " to " +
              std::to_string(work_.requirements.requirements.size()) + " requirements";
  o.warnings = std::move(r.warnings);
  return o;
}

std::string PlanningSession::loadModel(const std::string& path, bool& wasCancelled) {
  showBusy();
  // The previous work stays aside until the new model is loaded, so that a
  // load broken off leaves it as it was.
  struct Previous {
    std::unique_ptr<ModelSource> model;
    Handle handle;
    std::unique_ptr<const Work> atLoad;
    std::vector<Decision> decisions;
    std::vector<Decision> undone;
    std::size_t saved = 0;
    std::string filemdl;
    Strength strength, strengthAtLoad;
  } previous;
  Views viewsBefore;
  bool replaced = false;  // the previous trees made way
  try {
    const Cancellable guard(*this);
    status("Activate Rational ROSE Object");
    auto source = MakeModelSourceFor(path);
    source->SetEncoding(settings.modelEncoding);
    status("Loading Rose file");
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
      hideBusy();
      return error.empty() ? path + ": the model could not be read" : error;
    }

    // The model is readable: now the previous load's trees go, and how
    // the tester had them open with them.
    viewsBefore = views();
    previous = {std::move(model_),
                modelHandle_,
                std::move(history_.atLoad),
                {history_.decisions.begin(), history_.decisions.end()},
                std::move(history_.undone),
                history_.saved,
                work_.filemdl,
                work_.strength,
                history_.strengthAtLoad};
    replaced = true;
    work_.loadFiles.clear();
    work_.livellomassimo = 0;
    // Every tree starts afresh, the Design Tree too: nothing of the previous
    // model stays in view or is copied from.
    for (int i = 0; i < kTreeCount; ++i) tree(i).clear();
    // A new model starts a new session: its decisions, its random numbers.
    history_.decisions.clear();
    history_.undone.clear();
    history_.saved = 0;
    setSeed(work_.seed);
    history_.strengthAtLoad = work_.strength;
    work_.filemdl = path;

    model_ = std::move(source);
    modelHandle_ = model;
    work_.failedSteps = 0;
    work_.problems.clear();
    ModelSource& m = *model_;
    const auto say = [this](std::string_view text) { status(text); };
    // The weights' index of the model's use cases and diagrams, made on a
    // second thread while the links are written and the tree is built: it
    // only reads the model, which nothing changes until the load ends. The
    // future waits for it however this block is left.
    const auto makeIndex = [&m, model] { return DocumentIndex(m, model); };
    std::future<DocumentIndex> documents;
    try {
      documents = std::async(std::launch::async, makeIndex);
    } catch (const std::system_error&) {  // no thread to be had: made when needed
      documents = std::async(std::launch::deferred, makeIndex);
    }
    // The steps of the load, for the busy box's progress figure.
    constexpr int kSteps = 6;
    progress(0, kSteps);
    // The use-case view and the realizations as link lines.
    {
      std::ostringstream links, notLinked;
      WriteUseCaseView(m, model, links, notLinked, say);
      WriteRealizations(m, model, links, notLinked, say);
      work_.loadFiles.create("collegamenti.txt") = std::move(links).str();
      work_.loadFiles.create("notlinked_elements.txt") = std::move(notLinked).str();
    }
    progress(1, kSteps);

    Tree& main = tree(kMainTree);
    for (Tree* t : {&main, &tree(kDesignTree)}) t->beginBulkUpdate();
    BuildMainTree(main, work_.loadFiles, say, keepLoadFiles_);
    progress(2, kSteps);
    work_.failedSteps += WeighTree(main, documents.get());
    work_.livellomassimo = std::max(work_.livellomassimo, DeepestLevel(main));
    if (!BuildDesignTree(tree(kDesignTree), m, model)) {
      ++work_.failedSteps;
      problem(
          "The Design Tree could not be built: two of the model's packages or classes share a key; "
          "\"Loading from Design Tree\" may miss diagrams");
    }
    for (Tree* t : {&main, &tree(kDesignTree)}) t->endBulkUpdate();

    addRoots();
    progress(3, kSteps);

    GestisciNotLinked(tree(kNotLinkedTree), m, model, work_.loadFiles);
    CaricaAllSequenceNonConnessi(m, model, main, tree(kNotLinkedTree), say,
                                 [this](std::string_view text) { problem(std::string(text)); });
    progress(4, kSteps);
    status("Done...");
    // The busy box stays up through the tidy-up, which can take a while on a
    // large model and may have something to say.
    main.beginBulkUpdate();
    CopyState copy;
    AzzeraCollezioni(copy);
    copy.cap = MainTreeCap(settings.mainTreeLimit, main.count());
    DuplicaRami(main, copy, work_.loadFiles, [this](const std::string& text) { problem(text); });
    // The copies count even when the tidy-up removes them again.
    work_.livellomassimo = std::max(work_.livellomassimo, copy.deepestCopyLevel);
    EliminaChildUguali(main);
    EliminaEntry(main);
    AggiungiIndicazioniLivello(main, work_.livellomassimo);
    main.endBulkUpdate();
    progress(kSteps, kSteps);
  } catch (const Cancel&) {
    hideBusy();
    wasCancelled = true;
    if (!replaced) {
      // The trees are untouched; the seed and strength a session file set
      // for its model go back with the replay.
      if (history_.atLoad != nullptr) backToLoad({history_.decisions.begin(), history_.decisions.end()});
      return "Loading " + path + " was cancelled: " +
             (model_ != nullptr ? work_.filemdl + " stays as it was" : std::string("no model is loaded")) + ".";
    }
    const std::string loaded = previous.model != nullptr ? previous.filemdl : std::string();
    model_ = std::move(previous.model);
    modelHandle_ = previous.handle;
    history_.atLoad = std::move(previous.atLoad);
    work_.filemdl = previous.filemdl;
    work_.strength = previous.strength;
    history_.strengthAtLoad = previous.strengthAtLoad;
    if (history_.atLoad != nullptr) {
      backToLoad(previous.decisions, &viewsBefore);
    } else {
      for (int i = 0; i < kTreeCount; ++i) tree(i).restore(Tree());
      work_.loadFiles.clear();
      work_.livellomassimo = 0;
      work_.failedSteps = 0;
      work_.problems.clear();
      history_.decisions.clear();
    }
    history_.undone = std::move(previous.undone);
    history_.saved = previous.saved;
    return "Loading " + path +
           " was cancelled: " + (loaded.empty() ? std::string("no model is loaded") : loaded + " stays as it was") +
           ".";
  }
  hideBusy();

  // The previous load's files go, and nothing of its test specification stays.
  if (folder_ != nullptr) RimuoveFileCreati(*folder_);
  clearSpecification();
  work_.weightsSum.clear();
  work_.coverageUsed.reset();
  if (listener_ != nullptr) listener_->modelReplaced();
  if (const Tree& main = tree(kMainTree); main.count() > 0) {
    work_.defaultFore = main.node(main.at(1)).foreColor;
    work_.defaultBack = main.node(main.at(1)).backColor;
  }
  work_.requirements = ReadRequirementLinks(*model_, modelHandle_);
  if (undoable_) history_.atLoad = std::make_unique<const Work>(work_);
  history_.renames = model_->RenameCount();
  if (listener_ != nullptr) listener_->modelLoaded();
  // The working files asked for, for inspection: the trees are whole even
  // when one cannot be written, but the load did not do all it was asked.
  if (std::string fileError; keepLoadFiles_ && folder_ != nullptr && !work_.loadFiles.writeTo(*folder_, &fileError))
    return fileError + " (the working files of this load are incomplete)";
  return {};
}

// --- weights and selection ---------------------------------------------------------

Outcome PlanningSession::weight(NodeId node, const std::string& value, bool bold) {
  Tree& t = tree(kMainTree);
  if (!t.valid(node)) return Outcome::Refused("There is no such node in the Main Tree.");
  Edita editor;
  editor.show(t, node);
  editor.Wei = value;
  editor.Selez = bold;
  if (std::string refused = editor.ok(); !refused.empty()) {
    editor.cancel();
    return Outcome::Refused(std::move(refused));
  }
  return weightEdited(editor);
}

Outcome PlanningSession::weightEdited(const Edita& editor) {
  Tree& t = tree(kMainTree);
  const NodeId node = editor.node();
  if (!t.valid(node) || !editor.confirmed()) return Outcome::Refused("The node editor was not confirmed.");
  Decision d{Decision::Type::kWeight};
  d.node = t.node(node).key;
  d.path = PathOf(t, node);
  d.value = editor.Wei;
  record(std::move(d));
  if (t.node(node).parent == kNoNode) return {};  // an actor: no siblings to check
  if (editor.result()) {
    MetteRamiNormal(t, node);
    return {};
  }
  MetteRamiRossi(t, node);
  return Outcome::Note("Verify weights distibution");
}

Outcome PlanningSession::weight(std::string_view node, const std::string& value) {
  return withNode(kMainTree, node, [&](NodeId id) { return weight(id, value); });
}

Outcome PlanningSession::startStop(NodeId node) {
  Tree& t = tree(kMainTree);
  if (!t.valid(node)) return Outcome::Refused("There is no such node in the Main Tree.");
  if (!work_.selection.startselezione) {
    if (t.node(node).children == 0) return Outcome::Refused("Warning: no children");
    t.setBackColor(node, kStartStopBack);
    work_.selection.startselezione = true;
    work_.selection.livellostart = Level(t, node);
  } else {
    t.setBackColor(node, kStartStopBack);
    work_.selection.startselezione = false;
    work_.selection.livellostop = Level(t, node);
    work_.selection.livelli = true;
  }
  Decision d{Decision::Type::kStartStop};
  d.node = t.node(node).key;
  d.path = PathOf(t, node);
  record(std::move(d));
  return {};
}

Outcome PlanningSession::startStop(std::string_view start, std::string_view stop) {
  return withNode(kMainTree, start, [&](NodeId from) {
    return withNode(kMainTree, stop, [&](NodeId to) {
      Outcome e = startStop(from);
      return e ? startStop(to) : e;
    });
  });
}

Outcome PlanningSession::beginSelection(NodeId clicked, bool& waiting, bool weightsChecked) {
  waiting = false;
  Tree& t = tree(kMainTree);
  if (!t.valid(clicked)) return Outcome::Refused("There is no such node in the Main Tree.");
  work_.selection.savedColor = t.node(clicked).foreColor;
  Decision d{Decision::Type::kSelectLevel};
  d.node = t.node(clicked).key;
  d.path = PathOf(t, clicked);
  if (!(weightsChecked && work_.defaultFore != kRedBranchFore) && !ControllaRamiOut(t))
    return Outcome::Refused("Unproperly weight distribution");
  NodeId node = clicked;
  if (kind::IsScenario(t.node(clicked).image) && t.node(clicked).parent != kNoNode) node = t.node(clicked).parent;
  if (work_.selection.livelli)
    SelezionaDueLivelli(t, node, work_.selection);
  else
    SelezionaVersoRadice(t, node, Level(t, node));

  if (work_.selection.savedColor != work_.defaultFore) {
    // The node was marked already: the item read "&Unselect All".
    work_.weightsSum = "Leaves weights sum: ";
    DeselezionaTutto(t, work_.defaultFore, work_.defaultBack);
    ClearAllTreew(work_.TV, 1);
    if (outputFolder() != nullptr) RimuoveFileCreatiUIT(*outputFolder());
    clearSpecification();
    addRoots();
    work_.selection.livelli = false;
    work_.coverageUsed.reset();
    d.unselect = true;
    record(std::move(d));
    return {};
  }
  waiting = true;
  pendingLevel_ = std::move(d);
  return {};
}

void PlanningSession::cancelSelection() {
  DeselezionaTutto(tree(kMainTree), work_.defaultFore, work_.defaultBack);
  work_.selection.livelli = false;
}

Outcome PlanningSession::completeSelection(const Criterion& c, Asker* ask) {
  Tree& t = tree(kMainTree);
  Tree& chosen = tree(kSelectionTree);
  settings.criterion.byNumber = c.byNumber;
  if (c.byNumber)
    settings.criterion.procedures = static_cast<std::int16_t>(c.procedures);
  else
    settings.criterion.coverage = static_cast<std::int16_t>(c.coverage);
  if (work_.selection.livelli)
    CopiaSelezionati2Liv(t, chosen, work_.selection);
  else
    CopiaSelezionati(t, chosen);
  AllineaPesiTag(chosen);
  work_.weightsSum = LeafWeightsSumText(CalcolaPesiAssoluti(chosen));
  std::optional<std::string> answer = c.answer;
  Outcome result;
  if (settings.criterion.byNumber && settings.focus) {
    AllotByUncertainty(chosen, settings.criterion.procedures, [focus = settings.focus](std::string_view key) {
      return focus->uncertainty(ElementKey(key).substr(0, kIdentifierLength));
    });
  } else if (settings.criterion.byNumber) {
    DistribuisciCasiTest(chosen, settings.criterion.procedures);
    // Too few procedures for too many leaves round every share to 0: say so.
    result = Outcome::Note(NoProcedureWarning(chosen, settings.criterion.procedures));
  } else if (!answer && ask != nullptr) {
    // The tester's answer is kept for the session.
    RememberingAsker asking(*ask);
    result = Outcome::Note(CasiTestCoverage(chosen, settings.criterion.coverage, asking));
    answer = asking.answer;
  } else {
    // The answer given up front; without one, the least number proposed.
    Coverage cov;
    std::string refused = PrepareCoverage(chosen, settings.criterion.coverage, cov);
    if (refused.empty()) {
      answer = answer ? *answer : IntegerText(cov.needed);
      refused = ApplyCoverage(chosen, cov, ReadNumber(*answer), *answer);
    }
    result = Outcome::Note(std::move(refused));
  }
  work_.weightsSum += "   Number of Test Procedures: " + IntegerText(CalcolaNumeroTest(chosen));
  result.summary = work_.weightsSum;
  work_.coverageUsed =
      settings.criterion.byNumber ? std::nullopt : std::optional<std::int16_t>(settings.criterion.coverage);
  Decision d = std::move(pendingLevel_);
  d.type = Decision::Type::kSelectLevel;
  d.criterion = {settings.criterion.byNumber, settings.criterion.procedures, settings.criterion.coverage, answer};
  record(std::move(d));
  return result;
}

Outcome PlanningSession::selectLevel(std::string_view node, const Criterion& c) {
  return withNode(kMainTree, node, [&](NodeId id) { return selectLevel(id, c); });
}

Outcome PlanningSession::selectLevel(NodeId id, const Criterion& c) { return selectLevel(id, c, true); }

Outcome PlanningSession::selectLevels(const std::vector<std::string>& nodes, const Criterion& c) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    // A level that allots nothing only marks: the weights check it passed
    // holds for the next one.
    const bool allot = !c.byNumber || i + 1 == nodes.size(), checked = i > 0 && c.byNumber;
    if (Outcome e = withNode(kMainTree, nodes[i], [&](NodeId id) { return selectLevel(id, c, allot, checked); }); !e)
      return e;
  }
  return {};
}

Outcome PlanningSession::selectLevel(NodeId id, const Criterion& c, bool allot, bool weightsChecked) {
  // The criterion dialog's checks, as if typed there.
  CriterionSettings typed = settings.criterion;
  CriterionDialog dialog(typed);
  dialog.show();
  if (c.byNumber) {
    dialog.chooseNumber();
    dialog.NNTest = std::to_string(c.procedures);
  } else {
    dialog.chooseCoverage();
    dialog.Percc = std::to_string(c.coverage);
  }
  bool waiting = false;
  if (Outcome e = beginSelection(id, waiting, weightsChecked); !e || !waiting) return e;
  if (std::string message = dialog.done(); !message.empty()) {
    cancelSelection();
    return Outcome::Refused(std::move(message));
  }
  if (!allot) {
    settings.criterion.byNumber = true;
    settings.criterion.procedures = static_cast<std::int16_t>(c.procedures);
    Decision d = std::move(pendingLevel_);
    d.type = Decision::Type::kSelectLevel;
    d.criterion = {true, settings.criterion.procedures, settings.criterion.coverage, c.answer};
    record(std::move(d));
    return {};
  }
  Outcome e = completeSelection(c);
  // Nothing allocated is a refusal here: the plan cannot go on.
  e.done = e.message.empty();
  return e;
}

// --- test cases ----------------------------------------------------------------------

Outcome PlanningSession::loadTestCases(TestCaseSource from) {
  if (model_ == nullptr) return Outcome::Refused("No model is loaded.");
  const auto say = [this](std::string_view text) { status(text); };
  std::vector<std::string> skippedNames;
  const auto skipped = [this, &skippedNames](std::string_view name) {
    status("\"" + std::string(name) + "\" is in the UIT tree already: skipped");
    skippedNames.emplace_back(name);
  };
  const int before = tree(kUitTree).count();
  showBusy();
  switch (from) {
    case TestCaseSource::kAllDiagrams: CaricaAllSequence(*model_, modelHandle_, tree(kUitTree), say, skipped); break;
    case TestCaseSource::kZov:
      CaricaSequenceFromZov(*model_, modelHandle_, tree(kSelectionTree), tree(kUitTree), say, skipped,
                            [this](std::string_view text) { problem(std::string(text)); });
      break;
    case TestCaseSource::kDesignTree: LoadFromDesignTree(tree(kDesignTree), tree(kUitTree), skipped); break;
    case TestCaseSource::kNotLinked: LoadNotLinked(tree(kNotLinkedTree), tree(kUitTree), skipped); break;
  }
  hideBusy();
  Decision d{Decision::Type::kLoadTestCases};
  d.source = from;
  record(std::move(d));
  // What came of it, for the status bar: a load that adds nothing says why.
  Outcome o;
  const int added = tree(kUitTree).count() - before;
  if (added > 0) {
    o.summary = "Loaded " + std::to_string(added) + (added == 1 ? " node" : " nodes") + " into the UIT tree";
  } else if (!skippedNames.empty()) {
    o.summary = "Nothing new for the UIT tree";
  } else {
    switch (from) {
      case TestCaseSource::kAllDiagrams:
        o.summary = "No scenario diagram belongs to a package: use Loading from ZOV tree";
        break;
      case TestCaseSource::kZov:
        o.summary = "No scenario diagram lies below the selected nodes: select a level with diagrams below it";
        break;
      case TestCaseSource::kDesignTree: o.summary = "The Design Tree holds no scenario diagram"; break;
      case TestCaseSource::kNotLinked: o.summary = "Every scenario diagram is linked to a use case"; break;
    }
  }
  if (!skippedNames.empty())
    o.summary += " (" + std::to_string(skippedNames.size()) + " already in the UIT tree, skipped: \"" +
                 skippedNames.front() + "\"" + (skippedNames.size() > 1 ? " ..." : "") + ")";
  return o;
}

Outcome PlanningSession::pick(NodeId uitNode) {
  Tree& uit = tree(kUitTree);
  if (!uit.valid(uitNode)) return Outcome::Refused("There is no such node in the UIT tree.");
  if (!AddSelectedTestCase(uit, uitNode, tree(kSelectedTestCases)))
    return Outcome::Refused("Error: this node is already selected");
  Decision d{Decision::Type::kPick};
  d.node = uit.node(uitNode).key;
  d.value = uit.node(uitNode).text;
  record(std::move(d));
  return {};
}

Outcome PlanningSession::pick(std::string_view node) {
  return withNode(kUitTree, node, [this](NodeId id) { return pick(id); });
}

Outcome PlanningSession::pickAll(bool diagramsOnly) {
  Tree& uit = tree(kUitTree);
  if (diagramsOnly) {
    const NodeId root = uit.firstRoot();
    for (NodeId c = root == kNoNode ? kNoNode : uit.node(root).child; c != kNoNode; c = uit.node(c).next)
      if (kind::IsScenario(uit.node(c).image)) AddSelectedTestCase(uit, c, tree(kSelectedTestCases));
  } else {
    SelezionaTutti(uit, tree(kSelectedTestCases));
  }
  Decision d{Decision::Type::kPick};
  d.all = true;
  d.diagramsOnly = diagramsOnly;
  record(std::move(d));
  return {};
}

Outcome PlanningSession::unpick(NodeId node) {
  Tree& chosen = tree(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  if (!chosen.valid(node) || root == kNoNode || chosen.node(node).parent != root)
    return Outcome::Refused("Choose a test case under \"Selected Item\" to remove.");
  const std::string key(chosen.node(node).key);
  const std::string text = chosen.node(node).text.str();
  takeBack(node);
  Decision d{Decision::Type::kPick};
  d.node = key;
  d.value = text;
  d.unselect = true;
  record(std::move(d));
  return {};
}

Outcome PlanningSession::unpick(std::string_view node) {
  return withNode(kSelectedTestCases, node, [this](NodeId id) { return unpick(id); });
}

void PlanningSession::takeBack(NodeId node) {
  Tree& chosen = tree(kSelectedTestCases);
  if (const NodeId picked = tree(kUitTree).find(chosen.node(node).key); picked != kNoNode)
    tree(kUitTree).setChecked(picked, false);
  chosen.remove(node);
}

Outcome PlanningSession::unpickAll() {
  const Tree& chosen = tree(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  if (root != kNoNode)
    while (chosen.node(root).child != kNoNode) takeBack(chosen.node(root).child);
  Decision d{Decision::Type::kPick};
  d.all = d.unselect = true;
  record(std::move(d));
  return {};
}

// --- processing and categories ---------------------------------------------------------

Outcome PlanningSession::process() {
  if (model_ == nullptr) return Outcome::Refused("No model is loaded.");
  Outcome o;
  status("Processing...");
  showBusy();
  try {
    const Cancellable guard(*this);
    ProcessTestCases({*model_, modelHandle_, tree(kSelectedTestCases), tree(kSpecTree), work_.specification,
                      outputFolder(), [&o](const std::string& text) { o.warnings.push_back(text); },
                      [this, &o](const std::string& text) {
                        o.notes.push_back(text);
                        note(text);
                      },
                      [this](std::string_view text) { status(text); },
                      [this](int done, int total) { progress(done, total); }, settings.stableNames});
  } catch (const Cancel&) {
    hideBusy();
    return cancelled("Processing");
  }
  hideBusy();
  record(Decision{Decision::Type::kProcess});
  int paths = 0;
  for (int i = 1; i <= work_.specification.table.count(); ++i)
    paths += std::max<int>(0, work_.specification.table.testCase(i)->pathCount);
  // Test cases are those that found their diagram (a top node of TV(2)).
  o.summary = "Processing: " + Count(static_cast<long>(work_.specification.cases.size()), "test case", "test cases") +
              ", " + Count(paths, "path", "paths") + ", " +
              Count(static_cast<long>(work_.specification.specDocuments.size()), "document", "documents");
  work_.processingFound = o.warnings;
  work_.processingFound.insert(work_.processingFound.end(), o.notes.begin(), o.notes.end());
  work_.generationFound.clear();
  return o;
}

PlanningSession::Editor PlanningSession::openEditor(NodeId node, ChoiceNodes nodes) {
  Tree& t = tree(kSpecTree);
  if (!t.valid(node) || model_ == nullptr) return Editor::kNone;
  // The default values a category draws come from its own stream, seeded
  // from the session's seed and what the category stands for: another
  // test case, or the order the editors are opened in, changes none of them.
  work_.categoryRandom.emplace([this, node] {
    const NamedCategory named = categoryName(node);
    const std::string seed = std::to_string(work_.seed) + "/";
    std::uint64_t h = kFnvOffset;
    for (const std::string* part : {&named.diagram, &named.path, &named.label, &named.message, &named.parameter})
      h = Fnv1a(*part, Fnv1a(seed, h));
    return h;
  });
  EditorContext c{t, work_.specification, *model_, *work_.categoryRandom, nodes == ChoiceNodes::kMade};
  const std::string_view k = t.node(node).image;
  if (k == kind::kAttributo && settingsEditor.open(c, node)) return Editor::kSettings;
  if (k == kind::kMessaggio && interactionsEditor.open(c, node)) return Editor::kInteractions;
  return Editor::kNone;
}

namespace {

// The own values a category holds, as the editors take them.
std::vector<ChosenValue> OwnValues(SettingsEditor& e) {
  std::vector<ChosenValue> values;
  const AttributeRecord* r = e.record();
  if (r == nullptr) return values;
  const auto joined = [](const std::vector<std::string>& names, int count) {
    std::string text;
    for (int i = 0; i < count && i < static_cast<int>(names.size()); ++i)
      text += (i > 0 ? "," : "") + names[static_cast<std::size_t>(i)];
    return text;
  };
  for (int i = 0; i < r->choiceCount && i < static_cast<int>(r->choices.size()); ++i) {
    const ChoiceRecord& c = r->choices[static_cast<std::size_t>(i)];
    values.push_back({c.value, joined(c.properties, c.propertyCount), joined(c.selectors, c.selectorCount)});
  }
  return values;
}

std::vector<ChosenValue> OwnValues(InteractionsEditor& e) {
  std::vector<ChosenValue> values;
  const MessageRecord* r = e.record();
  if (r == nullptr) return values;
  for (int i = 0; i < r->ownChoiceCount && i < static_cast<int>(r->ownChoices.size()); ++i)
    values.push_back({r->ownChoices[static_cast<std::size_t>(i)], {}, {}});
  return values;
}

}  // namespace

Outcome PlanningSession::openCategory(NodeId node) {
  work_.openNode = node;
  work_.openEditor = openEditor(node);
  work_.openedEdited = work_.openEditor == Editor::kSettings
                           ? settingsEditor.record() != nullptr && settingsEditor.record()->edited
                           : work_.openEditor == Editor::kInteractions && interactionsEditor.record() != nullptr &&
                                 interactionsEditor.record()->edited;
  switch (work_.openEditor) {
    case Editor::kSettings: return Outcome::Note(settingsEditor.note);
    case Editor::kInteractions: return Outcome::Note(interactionsEditor.note);
    case Editor::kNone: break;
  }
  return Outcome::Refused("This node is no category of the Test Specification tree.");
}

Outcome PlanningSession::openCategory(std::string_view node) {
  return withNode(kSpecTree, node, [&](NodeId id) {
    Outcome o = openCategory(id);
    if (!o) o.message = "'" + std::string(node) + "' is no category of the Test Specification tree";
    return o;
  });
}

Outcome PlanningSession::addValue(const std::string& value, const std::string& properties,
                                  const std::string& selectors) {
  bool added = false;
  if (work_.openEditor == Editor::kSettings) {
    SettingsEditor& e = settingsEditor;
    if (!e.useOwnValues) e.chooseOwnValues();
    e.value = value;
    e.properties = properties;
    e.selectors = selectors;
    added = e.add();
  } else if (work_.openEditor == Editor::kInteractions) {
    InteractionsEditor& e = interactionsEditor;
    if (!e.useOwnValues) e.chooseOwnValues();
    e.value = value;
    added = e.add();
  } else {
    return Outcome::Refused("No category is open.");
  }
  return added ? Outcome() : Outcome::Refused("A category holds at most 101 choices.");
}

Outcome PlanningSession::chooseDefaults() {
  if (work_.openEditor == Editor::kNone) return Outcome::Refused("No category is open.");
  // The same choice in both editors.
  (work_.openEditor == Editor::kSettings ? static_cast<CategoryEditor&>(settingsEditor) : interactionsEditor)
      .chooseDefaults();
  return {};
}

Outcome PlanningSession::confirmCategory() { return closeWith(true); }

Outcome PlanningSession::cancelCategory() { return closeWith(false); }

Outcome PlanningSession::closeWith(bool ok) {
  if (work_.openEditor == Editor::kSettings)
    ok ? settingsEditor.ok() : settingsEditor.cancel();
  else if (work_.openEditor == Editor::kInteractions)
    ok ? interactionsEditor.ok() : interactionsEditor.cancel();
  return closeCategory();
}

Outcome PlanningSession::closeCategory() {
  if (work_.openEditor == Editor::kNone) return Outcome::Refused("No category is open.");
  const bool attribute = work_.openEditor == Editor::kSettings;
  const CategoryEditor& e = attribute ? static_cast<const CategoryEditor&>(settingsEditor) : interactionsEditor;
  Decision d{Decision::Type::kCategory};
  d.category = categoryName(work_.openNode);
  d.cancelled = !e.confirmed;
  // What the editing left: the defaults of a parameter confirmed with them
  // for the first time, else the whole list of the category's own values
  // (the ones kept and the ones added; a message's defaults are such a
  // list), which a replay puts in place of whatever the category holds then.
  d.defaults = attribute && !work_.openedEdited && e.useDefaults;
  if (d.cancelled)
    d.values = e.added;
  else if (!d.defaults)
    d.values = attribute ? OwnValues(settingsEditor) : OwnValues(interactionsEditor);
  work_.openEditor = Editor::kNone;
  record(std::move(d));
  return {};
}

Outcome PlanningSession::category(NodeId node, const std::vector<ChosenValue>& values, bool defaults, bool cancelled) {
  if (Outcome opened = openCategory(node); !opened) return opened;
  std::vector<std::string> refused;
  // The category's list becomes exactly these values (or its defaults),
  // whatever it held before; a cancelled edit changes nothing.
  if (!cancelled && !defaults) {
    if (work_.openEditor == Editor::kSettings)
      settingsEditor.startOwnValues();
    else
      interactionsEditor.startOwnValues();
  }
  for (const ChosenValue& v : values)
    if (Outcome added = addValue(v.value, v.properties, v.selectors); !added)
      refused.push_back("\"" + v.value + "\": " + added.message);
  if (defaults) chooseDefaults();
  Outcome closed = cancelled ? cancelCategory() : confirmCategory();
  closed.warnings = std::move(refused);
  return closed;
}

void PlanningSession::confirmDefaults(ChoiceNodes nodes) {
  // One decision for them all: a plan of a large model confirms tens of
  // thousands of categories, and replaying this one confirms the same ones.
  const Tree& spec = tree(kSpecTree);
  for (NodeId id : spec.collection()) {
    work_.openNode = id;
    work_.openEditor = openEditor(id, nodes);
    if (work_.openEditor == Editor::kNone) continue;
    // An edited category keeps its own values, as Cancel keeps them.
    if (work_.openEditor == Editor::kSettings)
      settingsEditor.record()->edited ? settingsEditor.cancel() : settingsEditor.ok();
    else
      interactionsEditor.record()->edited ? interactionsEditor.cancel() : interactionsEditor.ok();
  }
  work_.openEditor = Editor::kNone;
  record(Decision{Decision::Type::kConfirmDefaults});
}

bool PlanningSession::dropUnread(Unread stage) {
  if (undoable_) return false;
  tree(kUitTree).clear();
  work_.loadFiles = LoadFiles();
  if (stage == Unread::kOncePicked) return true;
  tree(kSelectedTestCases).clear();
  if (stage == Unread::kOnceProcessed) return true;
  tree(kSpecTree).clear();
  work_.specification.places = {};
  work_.specification.documentByNode = {};
  return true;
}

NamedCategory PlanningSession::categoryName(NodeId node) const {
  NamedCategory r;
  const Tree& t = tree(kSpecTree);
  if (!t.valid(node)) return r;
  r.diagram = t.node(TopOf(t, node)).key;
  const SpecificationState::Place* p = work_.specification.place(node);
  if (p == nullptr) return r;
  const TestCaseRecord* tc = work_.specification.table.cases.size() > static_cast<std::size_t>(p->testCase)
                                 ? &work_.specification.table.cases[static_cast<std::size_t>(p->testCase)]
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

NodeId PlanningSession::findCategory(const NamedCategory& r) const {
  const Tree& t = tree(kSpecTree);
  for (NodeId id : t.collection()) {
    const Node& n = t.node(id);
    if (n.image != kind::kAttributo && n.image != kind::kMessaggio) continue;
    if ((n.image == kind::kAttributo) == r.parameter.empty()) continue;
    const NamedCategory here = categoryName(id);
    if (here.diagram == r.diagram && here.path == r.path && here.label == r.label && here.message == r.message &&
        here.parameter == r.parameter)
      return id;
  }
  return kNoNode;
}

Outcome PlanningSession::removeChoice(NodeId node) {
  Tree& t = tree(kSpecTree);
  int index = -1;
  const NodeId category = RemovableChoice(t, node, &index);
  if (category == kNoNode) return Outcome::Refused("Choose a choice of a category to remove.");
  Decision d{Decision::Type::kRemoveChoice};
  d.category = categoryName(category);
  d.index = index;
  if (index >= 0) d.value = t.node(node).text;
  if (!RemoveChoice(t, work_.specification, node))
    return Outcome::Refused("This choice has no record to remove it from.");
  record(std::move(d));
  return {};
}

Outcome PlanningSession::removeChoice(std::string_view node) {
  return withNode(kSpecTree, node, [this](NodeId id) { return removeChoice(id); });
}

// --- generation ------------------------------------------------------------------------

std::function<std::unique_ptr<RandomSource>(int, const std::string&)> PlanningSession::PathStreams() const {
  return [seed = work_.seed, diagramOf = DiagramsByNumber(work_.specification)](int testCase, const std::string& path) {
    const std::uint64_t h = Fnv1a(path, Fnv1a("/", Fnv1a(DiagramOf(diagramOf, testCase), Fnv1a(std::to_string(seed)))));
    return std::unique_ptr<RandomSource>(std::make_unique<SeededRandom>(static_cast<unsigned>(h ^ (h >> 32))));
  };
}

std::function<const std::vector<EarlierProcedure>*(int, const std::string&)> PlanningSession::EarlierProcedures()
    const {
  if (!settings.earlierPlan) return nullptr;
  return [earlier = settings.earlierPlan, diagramOf = DiagramsByNumber(work_.specification)](
             int testCase, const std::string& path) { return earlier->of(DiagramOf(diagramOf, testCase), path); };
}

PlanningSession::Generated PlanningSession::generate(const std::vector<std::string>& testCases) {
  Generated g;
  if (outputFolder() == nullptr) return g;
  showBusy();
  work_.procedures.clear();
  std::vector<bool> chosen;
  for (const std::string& key : testCases) {
    const auto it = work_.specification.cases.find(key);
    if (it == work_.specification.cases.end()) continue;
    if (chosen.size() <= static_cast<std::size_t>(it->second)) chosen.resize(static_cast<std::size_t>(it->second) + 1);
    chosen[static_cast<std::size_t>(it->second)] = true;
  }
  std::function<bool(int)> isChosen;
  if (!testCases.empty())
    isChosen = [&chosen](int i) {
      return static_cast<std::size_t>(i) < chosen.size() && chosen[static_cast<std::size_t>(i)];
    };
  try {
    const Cancellable guard(*this);
    g.result = GenerateTestProcedures(
        {work_.specification.table, *outputFolder(), work_.random, [this](std::string_view text) { status(text); },
         [this](const std::string& text) { problem(text); },
         [this](const GeneratedProcedure& p) { work_.procedures.push_back(p); }, isChosen,
         [this](int done, int total) { progress(done, total); }, work_.strength, PathStreams(), EarlierProcedures(),
         settings.criterion.everyPath},
        [&g](const std::string& text) { g.conflicts.push_back(text); });
  } catch (const Cancel&) {
    hideBusy();
    Generated stopped;
    stopped.summary = cancelled("The generation").message;
    stopped.cancelled = true;
    return stopped;
  }
  hideBusy();
  work_.planReport = MakePlanReport(*this, g.result);
  work_.generationFound = g.conflicts;
  work_.generationFound.insert(work_.generationFound.end(), work_.planReport->warnings.begin(),
                               work_.planReport->warnings.end());
  g.summary =
      "Generated " + Count(g.result.procedures, "test procedure", "test procedures") + " in " +
      Count(static_cast<long>(g.result.files.size()), "script", "scripts") +
      (g.result.insignificant > 0 ? " (" + std::to_string(g.result.insignificant) + " insignificant)" : std::string());
  Decision d{Decision::Type::kGenerate};
  d.testCases = testCases;
  record(std::move(d));
  return g;
}

std::vector<std::string> PlanningSession::testCasesOf(const std::vector<NodeId>& nodes) const {
  const Tree& t = tree(kSpecTree);
  std::vector<std::pair<int, std::string>> found;
  for (NodeId n : nodes) {
    if (!t.valid(n)) continue;
    const auto it = work_.specification.cases.find(std::string(t.node(TopOf(t, n)).key));
    if (it != work_.specification.cases.end()) found.emplace_back(it->second, it->first);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<std::string> keys;
  for (auto& f : found) keys.push_back(std::move(f.second));
  return keys;
}

std::vector<std::string> PlanningSession::filesWritten() const {
  const WorkFolder* work = outputFolder();
  if (work == nullptr) return {};
  const std::vector<std::string_view>& files = work->files(CreatedList::kScripts);
  return std::vector<std::string>(files.begin(), files.end());
}

// --- taking decisions back ----------------------------------------------------

PlanningSession::Views PlanningSession::views() const {
  Views v;
  for (int i = 0; i < kTreeCount; ++i) {
    const Tree& t = tree(i);
    for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n))
      if (t.node(n).expanded) v.open[static_cast<std::size_t>(i)].try_emplace(t.node(n).key);
    if (t.valid(t.selected())) v.chosen[static_cast<std::size_t>(i)] = t.node(t.selected()).key;
  }
  return v;
}

void PlanningSession::showAgain(const Views& v) {
  for (int i = 0; i < kTreeCount; ++i) {
    Tree& t = tree(i);
    t.beginBulkUpdate();
    for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n))
      t.setExpanded(n, v.open[static_cast<std::size_t>(i)].contains(t.node(n).key));
    t.endBulkUpdate();
    if (const NodeId c = t.find(v.chosen[static_cast<std::size_t>(i)]); c != kNoNode) t.setSelected(c);
  }
}

Outcome PlanningSession::backToLoad(const std::vector<Decision>& replay, const Views* before) {
  const Work& a = *history_.atLoad;
  std::optional<Views> now;
  if (before == nullptr) now = views();
  const Views& shown = before != nullptr ? *before : *now;
  const auto keepViews = [&] { showAgain(shown); };
  if (listener_ != nullptr) listener_->backToLoad();
  work_.restore(a);
  // The load's work has no test specification: what the window showed of
  // the one it had goes.
  if (listener_ != nullptr) listener_->specificationCleared();
  model_->RevertRenames(history_.renames);
  history_.decisions.clear();
  Outcome o;
  if (replay.empty()) {
    keepViews();
    return o;
  }
  const Replay scope(*this);
  const int total = static_cast<int>(replay.size());
  // A level selected by a number of procedures, followed by another by the
  // same number: the next allotment replaces this one, so that only the
  // last of such a run allots, as selectLevels does.
  const auto byNumber = [](const Decision& d) {
    return d.type == Decision::Type::kSelectLevel && !d.unselect && d.criterion.byNumber && !d.criterion.answer;
  };
  bool checked = false;  // the last decision was such a level, which passed the weights check
  for (int i = 0; i < total; ++i) {
    const Decision& d = replay[static_cast<std::size_t>(i)];
    progress(i, total);
    if (i + 1 < total && byNumber(d) && byNumber(replay[static_cast<std::size_t>(i) + 1]) &&
        replay[static_cast<std::size_t>(i) + 1].criterion.procedures == d.criterion.procedures) {
      NodeId node = tree(kMainTree).find(d.node);
      if (node == kNoNode) node = FindByKeyOrPath(tree(kMainTree), d.path);
      if (node != kNoNode && selectLevel(node, d.criterion, false, checked)) {
        checked = true;
        continue;
      }
    }
    checked = false;
    if (std::string why = ReplayDecision(*this, d); !why.empty())
      o.warnings.push_back(DescribeDecision(d) + ": " + why);
  }
  progress(total, total);
  keepViews();
  return o;
}

Outcome PlanningSession::cancelled(const std::string& what) {
  ++cancels_;
  Outcome o = backToLoad({history_.decisions.begin(), history_.decisions.end()});
  o.done = false;
  o.cancelled = true;
  o.message = what + " was cancelled: the work is as it was before it.";
  return o;
}

namespace {

// Undo and Redo never write the working folder: what they replay goes to a
// folder in memory, and the files written before stay as they were (the
// window marks its list of them out of date).
class WritingAside {
 public:
  explicit WritingAside(WorkFolder*& aside) : aside_(aside), before_(aside) { aside_ = &memory_; }
  ~WritingAside() { aside_ = before_; }
  WritingAside(const WritingAside&) = delete;
  WritingAside& operator=(const WritingAside&) = delete;

 private:
  WorkFolder memory_ = WorkFolder::InMemory();
  WorkFolder*& aside_;
  WorkFolder* before_;
};

}  // namespace

Outcome PlanningSession::undo() {
  if (!canUndo()) return Outcome::Refused("There is nothing to undo.");
  const WritingAside aside(aside_);
  std::vector<Decision> kept(history_.decisions.begin(), history_.decisions.end());
  Decision last = std::move(kept.back());
  kept.pop_back();
  std::vector<Decision> undone = std::move(history_.undone);
  const std::size_t saved = history_.saved;
  Outcome o = backToLoad(kept);
  history_.undone = std::move(undone);
  history_.saved = saved;
  o.summary = "Undone: " + DescribeDecision(last);
  history_.undone.push_back(std::move(last));
  return o;
}

Outcome PlanningSession::redo() {
  if (!canRedo()) return Outcome::Refused("There is nothing to redo.");
  const WritingAside aside(aside_);
  Decision d = std::move(history_.undone.back());
  history_.undone.pop_back();
  std::vector<Decision> rest = std::move(history_.undone);
  const std::size_t saved = history_.saved;
  const std::size_t before = history_.decisions.size();
  const int cancels = cancels_;
  Outcome o;
  const std::string why = ReplayDecision(*this, d);
  history_.undone = std::move(rest);
  history_.saved = saved;
  if (cancels_ != cancels) {
    // Broken off from the busy box: it can be redone still.
    o = Outcome::Cancelled("Redo of " + DescribeDecision(d) + " was cancelled.");
    history_.undone.push_back(std::move(d));
    return o;
  }
  if (history_.decisions.size() == before) return Outcome::Refused("Redo of " + DescribeDecision(d) + ": " + why);
  if (!why.empty()) o.warnings.push_back(DescribeDecision(d) + ": " + why);
  o.summary = "Redone: " + DescribeDecision(d);
  return o;
}

}  // namespace zov
