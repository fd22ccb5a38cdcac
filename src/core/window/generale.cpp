#include "window/generale.h"

#include <algorithm>
#include <cctype>

#include "files/work_folder.h"
#include "model/design_tree.h"
#include "tree/kinds.h"
#include "tree/numbers.h"
#include "tree/tag.h"
#include "weights/weights.h"

namespace zov {

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

Generale::Generale(PlanningSession& s) : session(s), TV(s.work_.TV), numTest(s.settings.criterion) {
  session.setListener(this);
  attachCommand(menu::kApri, [this] { expandTree(kMainTree); });
  attachCommand(menu::kApriDesignTree, [this] { expandTree(kDesignTree); });
  attachCommand(menu::kExpand, [this] { expandTree(kUitTree); });
  attachCommand(menu::kCollapse, [this] { collapseTree(kUitTree); });
  attachCommand(menu::kUscita, [this] { exitCommand(); });
  attachCommand(menu::kCaricaMdl, [this] {
    if (askToSave()) loadModelCommand();
  });
  attachCommand(menu::kModifica, [this] { modify(); });
  attachCommand(menu::kStart, [this] { chooseStartStop(); });
  attachCommand(menu::kSeleziona, [this] { selectLevelCommand(); });
  attachCommand(menu::kSelectAll, [this] { session.pickAll(false); });
  attachCommand(menu::kElencaSeq, [this] { loadTestCasesCommand(TestCaseSource::kAllDiagrams); });
  attachCommand(menu::kSeqFromZov, [this] { loadTestCasesCommand(TestCaseSource::kZov); });
  attachCommand(menu::kLoadingDT, [this] { loadTestCasesCommand(TestCaseSource::kDesignTree); });
  attachCommand(menu::kNonConnessi, [this] { loadTestCasesCommand(TestCaseSource::kNotLinked); });
  attachCommand(menu::kGenerazione, [this] { processCommand(); });
  attachCommand(menu::kPopupASpec, [this] { specifications(); });
  attachCommand(menu::kAllTestCases, [this] { generateAll(); });
  attachCommand(menu::kTestSc, [this] { showScripts(); });
  attachCommand(menu::kPrintTC, [this] { printTestCases(); });
  attachCommand(menu::kPrintTS, [this] { printScripts(); });
  attachCommand(menu::kEsporta, [this] { exportFiles(); });
  attachCommand(menu::kVEntry, [this] { seeAll(); });
  attachCommand(menu::kVLink, [this] { seeAll(); });
  attachCommand(menu::kUnselectAll, [this] { unselectTestCases(); });
  attachCommand(menu::kUndo, [this] { undoCommand(); });
  attachCommand(menu::kRedo, [this] { redoCommand(); });
  attachCommand(menu::kSaveZov, [this] { saveSessionCommand(); });
  attachCommand(menu::kSaveZovAs, [this] { saveSessionAsCommand(); });
  attachCommand(menu::kCaricaZov, [this] { loadSession(); });
  attachCommand(menu::kRequirements, [this] { requirementsCommand(); });
  attachCommand(menu::kResults, [this] { resultsCommand(); });
  attachCommand(menu::kPopupARem, [this] {
    const Tree& t = TV(kSpecTree);
    const std::string text = t.valid(t.selected()) ? t.node(t.selected()).text.str() : std::string();
    const Outcome o = session.removeChoice(t.selected());
    declare(o ? "Removed \"" + text + "\"" : o.message);
  });
  attachCommand(menu::kPopupSelRem, [this] {
    const Tree& t = TV(kSelectedTestCases);
    const std::string text = t.valid(t.selected()) ? t.node(t.selected()).text.str() : std::string();
    const Outcome o = session.unpick(t.selected());
    declare(o ? "Removed the test case \"" + text + "\" from the selected ones" : o.message);
  });
  attachCommand(menu::kSelectedTest, [this] { generateSelected(); });
  attachCommand(menu::kPopupUitAdd, [this] { pickTestCase(TV(kUitTree).selected()); });
  attachCommand(menu::kCartella, [this] {
    if (!onOpenFolder || onOpenFolder()) return;
    const WorkFolder* work = session.outputFolder();
    declare("No program here opens folders: the documents and scripts are in " +
            (work != nullptr ? work->dir().string() : std::string("the working folder")));
  });
  attachCommand(menu::kGrafico, [this] {
    if (onUsageChart) onUsageChart();
  });
  attachCommand(menu::kStrength, [this] { chooseStrength(); });
  attachCommand(menu::kPlanReport, [this] {
    if (onPlanReport && session.work().planReport) onPlanReport();
  });
  locatePackage = [this](NodeId node, int tree) {
    LocatePackage(TV(kDesignTree), TV(tree).node(node).key, tree == kMainTree ? 6 : 4);
  };
}

Generale::~Generale() { session.setListener(nullptr); }

void Generale::setBusyBox(BusyBox* busy) {
  busy_ = busy;
  session.setBusyBox(busy);
}

void Generale::loadWindow() {
  session.settings.criterion.procedures = 500;
  session.settings.criterion.coverage = 100;
  session.work_.livellomassimo = 0;

  layout = LayoutFor(form2.option1);

  menus.setEnabled(menu::kZov, true);
  menus.setEnabled(menu::kUit, false);
  menus.setEnabled(menu::kTestCase, false);
  menus.setEnabled(menu::kPrint, false);

  dragging = false;
}

void Generale::MostraMessaggio(std::string_view text) {
  status_ = std::string(text);
  if (busy_ != nullptr) busy_->setStatus(text);
}

void Generale::status(std::string_view text) { status_ = std::string(text); }

void Generale::note(const std::string& text) {
  note_.push_back(text);
  result_ = text;
  if (onCommandResult) onCommandResult();
}

void Generale::declare(std::string text) {
  if (note_.size() == 1)
    text += " \u2014 " + note_.front();
  else if (note_.size() > 1)
    text += " \u2014 " + std::to_string(note_.size()) + " notes, the last: " + note_.back();
  result_ = std::move(text);
  if (onCommandResult) onCommandResult();
}

std::string Generale::problemsText() const {
  if (problems_.empty()) return {};
  return std::to_string(problems_.size()) + (problems_.size() == 1 ? " problem" : " problems");
}

void Generale::listProblems(std::initializer_list<std::string_view> replaced, std::string_view from,
                            const std::vector<std::string>& texts) {
  std::erase_if(problems_, [&](const Problem& p) {
    return std::find(replaced.begin(), replaced.end(), p.from) != replaced.end();
  });
  for (const std::string& t : texts) {
    if (t.empty()) continue;
    // Once, from the step that met it first.
    const bool seen = std::any_of(problems_.begin(), problems_.end(), [&](const Problem& p) { return p.text == t; });
    if (!seen) problems_.push_back({std::string(from), t});
  }
  if (onProblemsChange) onProblemsChange();
}

void Generale::warn(const std::string& text) {
  if (asker_ != nullptr) asker_->messageBox(text, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
}

void Generale::attachCommand(std::string_view item, std::function<void()> operation) {
  operations_[std::string(item)] = std::move(operation);
}

bool Generale::hasCommand(std::string_view item) const { return operations_.count(std::string(item)) != 0; }

bool Generale::reachable(std::string_view item) const {
  const MenuEntry* e = menus.find(item);
  if (e == nullptr || !e->enabled) return false;
  if (e->parent.empty()) return true;
  // Items of a pop-up are reached whenever the pop-up is shown.
  const MenuEntry* parent = menus.find(e->parent);
  return parent != nullptr && (parent->popup || parent->enabled);
}

bool Generale::runMenuItem(std::string_view item) {
  if (!reachable(item)) return false;
  note_.clear();
  // No text of an earlier command stays: each says what it did, or nothing.
  if (!result_.empty()) {
    result_.clear();
    if (onCommandResult) onCommandResult();
  }
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

void Generale::setLevelLabel(std::string text) {
  levelLabel = std::move(text);
  if (onLabelsChange) onLabelsChange();
}

void Generale::setSumLabel(std::string text) {
  sumLabel = std::move(text);
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

void Generale::zovLoadingDone() {
  for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
    menus.setEnabled(item, true);
}

void Generale::designOrAllLoadingDone() { menus.setEnabled(menu::kGenerazione, true); }

void Generale::processingDone() {
  menus.setEnabled(menu::kEsporta, true);
  menus.setEnabled(menu::kPrint, true);
  menus.setEnabled(menu::kTestScript, true);
  menus.setEnabled(menu::kTestSc, true);
  menus.setEnabled(menu::kSelectedTest, true);
}

void Generale::modelLoadedMenus() {
  // Every UIT loading command works on a loaded model, also those for the
  // diagrams that no use case reaches.
  menus.setEnabled(menu::kElencaSeq, true);
  menus.setEnabled(menu::kNonConnessi, true);
}

void Generale::setSpecificationOutOfDate(bool outOfDate) {
  if (outOfDate) {
    menus.setEnabled(menu::kAllTestCases, false);
    menus.setEnabled(menu::kSelectedTest, false);
  } else {
    menus.setEnabled(menu::kAllTestCases, true);
  }
  if (specificationOutOfDate_ == outOfDate) return;
  specificationOutOfDate_ = outOfDate;
  if (onSpecificationState) onSpecificationState();
}

void Generale::specificationCleared() {
  setSpecificationOutOfDate(false);
  menus.setEnabled(menu::kEsporta, false);
  listShowsScripts_ = false;
  LB.clear();
  menus.setEnabled(menu::kPrint, false);
  menus.setEnabled(menu::kTestScript, false);
  menus.setEnabled(menu::kTestSc, false);
  menus.setEnabled(menu::kSelectedTest, false);
  menus.setEnabled(menu::kPlanReport, false);
  highlightedNodes.clear();
}

void Generale::modelReplaced() {
  menus.setEnabled(menu::kGrafico, false);  // the selection tree is gone
  setLevelLabel("");
  setSumLabel("");
  setCaption("Zov Suite - " + session.work().filemdl);
}

void Generale::modelLoaded() {
  modelLoadedMenus();
  setScriptsOutOfDate(false);
  menusAtLoad_ = menus.entries();
  updateUndoMenus();
}

void Generale::backToLoad() {
  scriptsShownBefore_ = scriptsShownBefore_ || listShowsScripts_;
  // The menus the decisions enabled go back to their state after the load;
  // the replayed decisions enable them again. The tab's menus follow the tab.
  for (const MenuEntry& e : menusAtLoad_) {
    if (e.name == menu::kZov || e.name == menu::kUit || e.name == menu::kTestCase) continue;
    menus.setEnabled(e.name, e.enabled);
    menus.setCaption(e.name, e.caption);
  }
  setSumLabel("");
}

void Generale::afterReplay(const Outcome& o, bool filesLeft) {
  if (filesLeft && !session.filesWritten().empty()) setScriptsOutOfDate(true);
  // The list showed the scripts: it shows them again, as the folder holds them.
  if (scriptsShownBefore_ && menus.enabled(menu::kTestSc)) showScripts();
  scriptsShownBefore_ = false;
  // What steps no longer there had found goes from the Problems panel.
  // What the replayed processing and generation found, as the commands
  // themselves list it; nothing of steps no longer there.
  listProblems({"Processing", "Generation"}, "Processing", session.work().processingFound);
  listProblems({"Generation"}, "Generation", session.work().generationFound);
  listProblems({"Undo"}, "Undo", o.warnings);
  declare(o.done ? o.summary : o.message);
  updateUndoMenus();
  updateCaption();
}

void Generale::undoCommand() {
  if (!session.canUndo()) return;
  // Undo and Redo leave the files written before as they are: the list of
  // them is out of date until the next generation.
  afterReplay(session.undo(), true);
}

void Generale::redoCommand() {
  if (!session.canRedo()) return;
  afterReplay(session.redo(), true);
}

void Generale::updateUndoMenus() {
  menus.setEnabled(menu::kUndo, session.canUndo());
  menus.setEnabled(menu::kRedo, session.canRedo());
}

void Generale::setScriptsOutOfDate(bool outOfDate) {
  if (scriptsOutOfDate_ == outOfDate) return;
  scriptsOutOfDate_ = outOfDate;
  if (onSpecificationState) onSpecificationState();
}

std::string Generale::outOfDateText() const {
  if (specificationOutOfDate_) return std::string(kOutOfDateText);
  if (scriptsOutOfDate_) return std::string(kScriptsOutOfDateText);
  return {};
}

std::string Generale::resultsBadge(int tree, NodeId node) const {
  if (session.work().results.empty() || (tree != kMainTree && tree != kSelectionTree)) return {};
  const Tree& t = session.TV(tree);
  if (!t.valid(node)) return {};
  const Node& n = t.node(node);
  if (n.image != kind::kSequence && n.image != kind::kCollaboration) return {};
  const auto [runs, failures] = RunsOf(session.work().results, std::string(ElementKey(n.key)));
  if (runs == 0) return {};
  return "  [" + std::to_string(runs) + " run, " + std::to_string(runs - failures) + " passed, " +
         std::to_string(failures) + " failed]";
}

void Generale::decided(const Decision& d) {
  if (d.type == Decision::Type::kResults && onResultsChange) onResultsChange();
  switch (d.type) {
    case Decision::Type::kStartStop:
      if (session.work().selection.startselezione)
        startNodeChosen();
      else
        stopNodeChosen();
      break;
    case Decision::Type::kSelectLevel:
      setSumLabel(session.work().weightsSum);
      if (d.unselect) {
        for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
          menus.setEnabled(item, false);
        menus.setEnabled(menu::kStart, true);
        menus.setEnabled(menu::kSeleziona, true);
        menus.setEnabled(menu::kGrafico, false);
      } else {
        if (!session.work().selection.livelli) menus.setEnabled(menu::kStart, false);
        menus.setEnabled(menu::kGrafico, CalcolaNumeroTest(TV(kSelectionTree)) > 0);
      }
      break;
    case Decision::Type::kLoadTestCases:
      if (d.source == TestCaseSource::kZov)
        zovLoadingDone();
      else
        designOrAllLoadingDone();
      break;
    case Decision::Type::kProcess:
      processingDone();
      setSpecificationOutOfDate(false);
      break;
    case Decision::Type::kPick:
      // A test case taken back after processing leaves the tree's
      // documents and a generation would still write its script.
      if (d.unselect && TV(kSpecTree).count() > 0) setSpecificationOutOfDate(true);
      break;
    case Decision::Type::kGenerate:
      menus.setEnabled(menu::kPlanReport, session.work().planReport.has_value());
      setScriptsOutOfDate(false);
      break;
    default: break;
  }
  updateUndoMenus();
  updateCaption();
}

void Generale::startNodeChosen() {
  menus.setCaption(menu::kStart, menu::kCaptionSelectStop);
  menus.setEnabled(menu::kSeleziona, false);
}

void Generale::stopNodeChosen() {
  menus.setCaption(menu::kStart, menu::kCaptionSelectStart);
  menus.setEnabled(menu::kSeleziona, true);
  menus.setEnabled(menu::kStart, false);
}

void Generale::expandTree(int tree) {
  // One change for the views, not one per node: a view expands a whole
  // tree at once far faster than node by node.
  Tree& t = TV(tree);
  t.beginBulkUpdate();
  for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n)) t.setExpanded(n, true);
  t.endBulkUpdate();
}

void Generale::collapseTree(int tree) {
  Tree& t = TV(tree);
  t.beginBulkUpdate();
  for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n)) t.setExpanded(n, false);
  t.endBulkUpdate();
}

bool Generale::mouseDown(int tree, NodeId hit, MouseButton button) {
  Tree& t = TV(tree);
  t.setDropHighlight(hit);
  if (hit != kNoNode) t.setSelected(hit);
  const NodeId selected = t.selected();
  if (selected != kNoNode && t.node(selected).image != kind::kRose) {
    const NodeTag tag = LeggiTag(t.tag(selected));
    setLevelLabel("Level: " + IntegerText(tag.level));
  }
  if (tree == kUitTree && button == MouseButton::kLeft && hit != kNoNode) {
    dragging = true;
    return true;
  }
  return false;
}

namespace {
// The node after n as the tree shows it (its first child, else its next
// sibling or that of the nearest parent that has one); the first top node
// after the last node, and for kNoNode.
NodeId NextShown(const Tree& t, NodeId n) {
  if (n == kNoNode) return t.firstRoot();
  if (t.node(n).child != kNoNode) return t.node(n).child;
  for (NodeId at = n; at != kNoNode; at = t.node(at).parent)
    if (t.node(at).next != kNoNode) return t.node(at).next;
  return t.firstRoot();
}
}  // namespace

std::vector<std::pair<std::string, std::string>> Generale::details(int tree, NodeId node) const {
  static const char* const kTreeNames[kTreeCount] = {
      "Main Tree",      "UIT tree",   "Test Specification tree", "selected test cases", "NOT linked tree",
      "selection tree", "Design Tree"};
  std::vector<std::pair<std::string, std::string>> rows;
  if (tree < 0 || tree >= kTreeCount) return rows;
  const Tree& t = TV(tree);
  if (!t.valid(node)) return rows;
  const Node& n = t.node(node);
  rows.emplace_back("Tree", kTreeNames[tree]);
  rows.emplace_back("Kind", std::string(n.image));
  rows.emplace_back("Key", n.key);
  rows.emplace_back("Text", n.text);
  if (const std::string& tag = t.tag(node); !tag.empty()) {
    const NodeTag f = LeggiTag(tag);
    rows.emplace_back("Level", std::to_string(f.level));
    rows.emplace_back("Weight", FormattaPeso(f.weight));
    rows.emplace_back("Children counted", std::to_string(f.count));
    rows.emplace_back("Weight edited", f.edited ? "yes" : "no");
  }
  rows.emplace_back("Children", std::to_string(n.children));
  rows.emplace_back("Depth", std::to_string(t.depth(node)));
  if (tree == kSpecTree) {
    NodeId top = node;
    while (t.node(top).parent != kNoNode) top = t.node(top).parent;
    rows.emplace_back("Diagram", std::string(t.node(top).key) + " " + t.node(top).text);
    if (std::string doc = DocumentOfNode(t, session.work().specification, node); !doc.empty())
      rows.emplace_back("Document", std::move(doc));
  }
  if (tree == kMainTree || tree == kSelectionTree || tree == kUitTree) {
    // The requirements traced to the use case or diagram.
    const RequirementLinks& links = session.work().requirements;
    if (const auto it = links.traced.find(std::string(ElementKey(n.key))); it != links.traced.end()) {
      std::string list;
      for (const std::string& id : it->second) {
        const RequirementLinks::Requirement* r = links.find(id);
        list += (list.empty() ? "" : "; ") + id +
                (r != nullptr && !r->title.empty() && r->title != id ? " " + r->title : "");
      }
      rows.emplace_back("Requirements", list);
    }
    // The verdicts read back for the diagram's procedures.
    if (!session.work().results.empty() && (n.image == kind::kSequence || n.image == kind::kCollaboration)) {
      const auto [runs, failures] = RunsOf(session.work().results, std::string(ElementKey(n.key)));
      char estimate[32];
      std::snprintf(estimate, sizeof estimate, "%.3f", (failures + 1.0) / (runs + 2.0));
      rows.emplace_back("Results", std::to_string(runs) + " run, " + std::to_string(failures) +
                                       " failed; failure per use " + estimate);
    }
  }
  if (tree == kMainTree || tree == kDesignTree || tree == kNotLinkedTree) {
    const std::string_view element = std::string_view(n.key).substr(0, kIdentifierLength);
    const std::vector<NodeId> same = t.allPresent(element);
    if (same.size() > 1) {
      std::string where;
      for (NodeId s : same) where += (where.empty() ? "" : "; ") + PathOf(t, s);
      rows.emplace_back("Shown " + std::to_string(same.size()) + " times", where);
    }
  }
  return rows;
}

NodeId Generale::find(int tree, std::string_view text, bool fromTop, bool* wrapped) {
  Tree& t = TV(tree);
  if (wrapped != nullptr) *wrapped = false;
  if (text.empty() || t.empty()) return kNoNode;
  const auto lower = [](std::string_view s) {
    std::string l(s);
    for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
  };
  const std::string wanted = lower(text);
  // From the top, or from the selected node down the tree as it is shown,
  // wrapping round (said through *wrapped).
  const NodeId start = fromTop ? kNoNode : t.selected();
  NodeId n = start;
  bool round = false;
  for (int seen = 0; seen < t.count(); ++seen) {
    n = NextShown(t, n);
    round = round || (start != kNoNode && n == t.firstRoot());
    if (lower(t.node(n).text).find(wanted) != std::string::npos) {
      if (wrapped != nullptr) *wrapped = round;
      for (NodeId p = t.node(n).parent; p != kNoNode; p = t.node(p).parent) t.setExpanded(p, true);
      t.setSelected(n);
      return n;
    }
  }
  return kNoNode;
}

void Generale::mouseMove(int tree, NodeId hit) {
  if (dragging && tree == kUitTree) TV(kUitTree).setDropHighlight(hit);
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
        const std::string_view image = n.image;
        if (image.find("entry") != std::string::npos) {
          menus.setEnabled(menu::kVEntry, true);
          menus.setEnabled(menu::kVLink, false);
        } else if (image.find("cont") != std::string::npos) {
          menus.setEnabled(menu::kVEntry, false);
          menus.setEnabled(menu::kVLink, true);
        } else if (t.presentCount(n.key.substr(0, kIdentifierLength)) > 1) {
          // An element shown more than once: from a repeat or a copy below
          // a link, "See All &Link"; from its first showing, "See All &Entry".
          const bool repeat = image.ends_with("rip") && image.size() > 3;
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
      draggedNode = selected;
      draggedKey = selected == kNoNode ? std::string() : t.node(selected).key;
      // A test case (not the root) can be put into the selected ones.
      return button == MouseButton::kRight && selected != kNoNode && t.node(selected).parent != kNoNode
                 ? Popup::kUitTree
                 : Popup::kNone;
    case kSpecTree: {
      if (button == MouseButton::kLeft && selected != kNoNode) showDocument(selected);
      if (button != MouseButton::kRight || selected == kNoNode) return Popup::kNone;
      // On a category its editor; on its choices only their removal.
      const bool category = t.node(selected).image == kind::kAttributo || t.node(selected).image == kind::kMessaggio;
      const bool choice = RemovableChoice(t, selected) != kNoNode;
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

void Generale::markWindowSaved() {
  session.markSaved();
  updateCaption();
}

void Generale::updateCaption() {
  if (session.model() == nullptr) return;
  const std::string wanted = "Zov Suite - " + session.work().filemdl + (session.modified() ? " *" : "");
  if (caption != wanted) setCaption(wanted);
}

bool Generale::askToSave() {
  if (!session.modified() || asker_ == nullptr) return true;
  switch (asker_->messageBox("Save changes?", "Zov Suite", MessageButtons::kYesNoCancel, MessageIcon::kQuestion)) {
    case Answer::kNo: return true;
    case Answer::kYes: saveSessionCommand(); return !session.modified();  // a cancelled save dialog goes back
    default: return false;
  }
}

}  // namespace zov
