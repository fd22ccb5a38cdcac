#include "app/generale.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/exports.h"
#include "app/session_file.h"
#include "app/uit_commands.h"
#include "model/design_tree.h"
#include "model/link_analysis.h"
#include "model/tidy_up.h"
#include "model/use_case_view.h"
#include "model/work_folder.h"
#include "testcases/uit_test_cases.h"
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

Generale::Generale(PlanningSession& s) : session(s), TV(s.TV), numTest(s.criterion) {
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
  attachCommand(menu::kSaveZov, [this] { saveSessionCommand(); });
  attachCommand(menu::kCaricaZov, [this] { loadSession(); });
  attachCommand(menu::kPopupARem, [this] { session.removeChoice(TV(kSpecTree).selected()); });
  attachCommand(menu::kPopupSelRem, [this] { session.unpick(TV(kSelectedTestCases).selected()); });
  attachCommand(menu::kSelectedTest, [this] { generateSelected(); });
  attachCommand(menu::kCartella, [this] {
    if (onOpenFolder) onOpenFolder();
  });
  attachCommand(menu::kGrafico, [this] {
    if (onUsageChart) onUsageChart();
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
  session.criterion.procedures = 500;
  session.criterion.coverage = 100;
  session.livellomassimo = 0;

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

void Generale::specificationCleared() {
  menus.setEnabled(menu::kEsporta, false);
  LB.clear();
  menus.setEnabled(menu::kPrint, false);
  menus.setEnabled(menu::kTestScript, false);
  menus.setEnabled(menu::kTestSc, false);
  menus.setEnabled(menu::kSelectedTest, false);
  highlightedNodes.clear();
}

void Generale::modelReplaced() {
  menus.setEnabled(menu::kGrafico, false);  // the selection tree is gone
  setLevelLabel("");
  setSumLabel("");
  setCaption("Zov Suite - " + session.filemdl);
}

void Generale::modelLoaded() { modelLoadedMenus(); }

void Generale::decided(const Decision& d) {
  switch (d.type) {
    case Decision::Type::kStartStop:
      if (session.selection.startselezione)
        startNodeChosen();
      else
        stopNodeChosen();
      break;
    case Decision::Type::kSelectLevel:
      setSumLabel(session.weightsSum);
      if (d.unselect) {
        for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
          menus.setEnabled(item, false);
        menus.setEnabled(menu::kStart, true);
        menus.setEnabled(menu::kSeleziona, true);
        menus.setEnabled(menu::kGrafico, false);
      } else {
        if (!session.selection.livelli) menus.setEnabled(menu::kStart, false);
        menus.setEnabled(menu::kGrafico, CalcolaNumeroTest(TV(kSelectionTree)) > 0);
      }
      break;
    case Decision::Type::kLoadTestCases:
      if (d.source == TestCaseSource::kZov)
        zovLoadingDone();
      else
        designOrAllLoadingDone();
      break;
    case Decision::Type::kProcess: processingDone(); break;
    default: break;
  }
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
  Tree& t = TV(tree);
  for (int i = 1; i <= t.count(); ++i) t.setExpanded(t.at(i), true);
}

void Generale::collapseTree(int tree) {
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
    setLevelLabel("Level: " + IntegerText(tag.level));
  }
  if (tree == kUitTree && button == MouseButton::kLeft && hit != kNoNode) {
    dragging = true;
    return true;
  }
  return false;
}

NodeId Generale::find(int tree, std::string_view text) {
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
      draggedNode = selected;
      draggedKey = selected == kNoNode ? std::string() : t.node(selected).key;
      return Popup::kNone;
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

void Generale::loadModelCommand() {
  if (asker_ == nullptr) return;
  const auto path = asker_->openFile("Load MDL File", kModelFilter, StartFolder());
  if (!path || path->empty()) return;
  openModelFile(*path);
}

void Generale::openModelFile(const std::string& path) {
  const Outcome o = session.openModel(path);
  if (o) declare(o.summary);
  if (asker_ == nullptr) return;
  if (!o)
    asker_->messageBox("The model could not be loaded.\n\n" + o.message, "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kCritical);
  else if (!o.message.empty())
    asker_->messageBox(o.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
}

void Generale::modify() {
  Tree& t = TV(kMainTree);
  const NodeId node = t.selected();
  if (node == kNoNode || asker_ == nullptr) return;
  editor.show(t, node);
  asker_->nodeEditor(editor);
  // Cancel leaves the tree as it was.
  if (!editor.confirmed()) return;
  const Outcome e = session.weightEdited(editor);
  if (!e.message.empty()) asker_->messageBox(e.message, "Warning", MessageButtons::kOk, MessageIcon::kWarning);
}

void Generale::chooseStartStop() {
  const Outcome e = session.startStop(TV(kMainTree).selected());
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite");
}

void Generale::selectLevelCommand() {
  // "Unselect All" throws away what was built on the selection: ask first.
  const Tree& main = TV(kMainTree);
  const NodeId clicked = main.selected();
  if (clicked != kNoNode && main.node(clicked).foreColor != session.defaultFore && asker_ != nullptr &&
      (TV(kUitTree).count() > 1 || TV(kSpecTree).count() > 0) &&
      asker_->messageBox("Unselect All throws away the test cases, the documents, the scripts and the choices "
                         "entered. Go on?",
                         "Zov Suite", MessageButtons::kOkCancel, MessageIcon::kQuestion) != Answer::kOk)
    return;
  bool waiting = false;
  const Outcome e = session.beginSelection(clicked, waiting);
  if (!e) warn(e.message);
  if (!waiting) return;
  if (!session.selection.livelli) menus.setEnabled(menu::kStart, false);
  numTest.show();
  if (asker_ != nullptr)
    asker_->numTest(numTest);
  else
    numTest.cancel();
  if (!numTest.tastoOK) {
    session.cancelSelection();
    menus.setEnabled(menu::kStart, true);
    return;
  }
  const CriterionSettings& c = session.criterion;
  const Outcome done = session.completeSelection({c.byNumber, c.procedures, c.coverage, std::nullopt}, asker_);
  if (!done.message.empty() && asker_ != nullptr)
    asker_->messageBox(done.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
}

void Generale::loadTestCasesCommand(TestCaseSource from) { session.loadTestCases(from); }

void Generale::dropOn(int tree, NodeId target) {
  Tree& uit = TV(kUitTree);
  if (tree == kUitTree) {
    const bool same = target != kNoNode && draggedNode != kNoNode && uit.valid(draggedNode) &&
                      uit.node(target).text == uit.node(draggedNode).text;
    if (!same) {
      uit.setDropHighlight(kNoNode);
      dragging = false;
    }
    return;
  }
  if (tree != kSelectedTestCases || draggedNode == kNoNode) return;
  const Outcome e = session.pick(draggedNode);
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kCritical);
}

bool Generale::specifications() {
  if (asker_ == nullptr) return false;
  const NodeId node = TV(kSpecTree).selected();
  const Outcome opened = session.openCategory(node);
  if (!opened) return false;
  // A default list longer than a category holds is reported before the editor shows.
  if (!opened.message.empty())
    asker_->messageBox(opened.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
  if (TV(kSpecTree).node(node).image == kind::kAttributo)
    asker_->settingsEditor(session.settingsEditor);
  else
    asker_->interactionsEditor(session.interactionsEditor);
  session.closeCategory();
  return true;
}

void Generale::processCommand() {
  const Outcome o = session.process();
  if (!o) return;
  for (const std::string& w : o.warnings) warn(w);
  declare(o.summary);
}

PlanningSession::Generated Generale::generateCases(const std::vector<std::string>& cases) {
  PlanningSession::Generated g = session.generate(cases);
  for (const std::string& w : g.conflicts) warn(w);
  if (!g.summary.empty()) declare(g.summary);
  return g;
}

PlanningSession::Generated Generale::generateAll() { return generateCases({}); }

PlanningSession::Generated Generale::generateSelected() {
  const std::vector<std::string> cases = session.testCasesOf(highlightedNodes);
  if (cases.empty()) {
    if (asker_ != nullptr)
      asker_->messageBox(
          "Select one or more test cases in the Test Specification tree (Ctrl+click or Shift+click), then run "
          "\"Selected Test Cases\" again.",
          "Zov Suite");
    return {};
  }
  return generateCases(cases);
}

std::optional<std::vector<std::string>> Generale::readFile(const std::string& name) {
  auto lines = session.outputFolder() == nullptr ? std::nullopt : session.outputFolder()->readLines(name);
  if (!lines && asker_ != nullptr)
    asker_->messageBox("The file \"" + name + "\" cannot be read.", "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kWarning);
  return lines;
}

void Generale::showScripts() {
  LB.clear();
  // The scripts of the last generation; before any, one message.
  bool any = false;
  for (int i = 1; i <= session.specification.table.count(); ++i) {
    const std::string name = ScriptName(i);
    if (session.outputFolder() == nullptr || !session.outputFolder()->created(name)) continue;
    any = true;
    if (const auto lines = readFile(name)) LB.addAll(*lines);
  }
  if (!any && asker_ != nullptr)
    asker_->messageBox("There are no test scripts to show: run \"All Test Cases\" first.", "Zov Suite");
}

namespace {
// StampaFile: every printed line is twelve blanks and the file's line.
void AddPrinted(std::vector<std::string>& out, const std::string& name, const std::vector<std::string>& lines) {
  out.push_back(std::string(20, '-'));
  out.push_back("File name: " + name);
  for (const std::string& line : lines) out.push_back(std::string(12, ' ') + line);
  out.push_back(std::string(80, '-'));
}
}  // namespace

void Generale::printTestCases() {
  std::vector<std::string> out;
  for (const std::string& name : session.specification.specDocuments)
    if (const auto lines = readFile(name)) AddPrinted(out, name, *lines);
  if (asker_ != nullptr && !out.empty() && asker_->printLines("Test Cases List", out))
    declarePrinted("Test Cases List");
}

void Generale::declarePrinted(const std::string& title) {
  const std::string where = asker_ == nullptr ? std::string() : asker_->lastPrintTarget();
  declare("Printed the " + title + (where.empty() ? std::string() : " to " + where));
}

void Generale::printScripts() {
  // The numbered scripts of the last generation, with the same separators.
  std::vector<std::string> out;
  for (int i = 1; i <= session.specification.table.count(); ++i) {
    const std::string name = ScriptName(i);
    if (session.outputFolder() == nullptr || !session.outputFolder()->created(name)) continue;
    if (const auto lines = readFile(name)) AddPrinted(out, name, *lines);
  }
  if (asker_ == nullptr) return;
  if (out.empty())
    asker_->messageBox("There are no test scripts to print: run \"All Test Cases\" first.", "Zov Suite");
  else if (asker_->printLines("Test Scripts List", out))
    declarePrinted("Test Scripts List");
}

void Generale::exportFiles() {
  if (asker_ == nullptr) return;
  const auto dir = asker_->chooseFolder("Export Documents and Scripts...", StartFolder());
  if (!dir || dir->empty()) return;
  const auto tell = [this](const std::string& text, MessageIcon icon) {
    asker_->messageBox(text, "Zov Suite", MessageButtons::kOk, icon);
  };
  bool made = false;
  std::string error;
  auto target = OpenWorkFolder(std::filesystem::path(*dir), made, &error);
  if (!target) return tell(error, MessageIcon::kWarning);
  std::vector<std::string> written;
  const Outcome e = ExportPlan(session, *target, {true, true, true}, &written);
  if (!FinishFolder(*target, e.done, false, &error) && e.done) return tell(error, MessageIcon::kWarning);
  if (!e) return tell(e.message, MessageIcon::kWarning);
  const std::string said = "Exported " + std::to_string(written.size()) + " files to " + target->dir().string();
  declare(said);
  tell(said + ".", MessageIcon::kInformation);
}

void Generale::saveSessionCommand() {
  if (asker_ == nullptr) return;
  if (session.model() == nullptr) {
    asker_->messageBox("There is no work to save: load a model first.", "Zov Suite");
    return;
  }
  auto path = asker_->saveFile("Save ZOV File", kSessionFilter, StartFolder());
  if (!path || path->empty()) return;
  if (std::filesystem::path(*path).extension().empty()) *path += ".zov";
  if (const Outcome e = SaveSession(session, *path); !e) {
    asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
  } else {
    markWindowSaved();
    declare("Saved the session to " + *path);
  }
}

void Generale::loadSession() {
  if (asker_ == nullptr || !askToSave()) return;
  const auto path = asker_->openFile("Load ZOV File", kSessionFilter, StartFolder());
  if (!path || path->empty()) return;
  const SessionReport r = LoadSession(session, *path);
  if (r.outcome) {
    markWindowSaved();
    declare("Loaded the session " + *path + ": " + std::to_string(session.decisions().size()) +
            (session.decisions().size() == 1 ? " decision" : " decisions") + " replayed" +
            (r.leftOut.empty() ? "" : ", " + std::to_string(r.leftOut.size()) + " left out"));
  }
  if (!r.outcome)
    asker_->messageBox("The session could not be loaded.\n\n" + r.outcome.message, "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kCritical);
  else if (!r.text().empty() && asker_->messageBox(r.text() + "\n\nSave this report to a file?", "Zov Suite",
                                                   MessageButtons::kYesNo, MessageIcon::kWarning) == Answer::kYes)
    saveReport(r.text(), *path);
}

void Generale::saveReport(const std::string& text, const std::string& sessionPath) {
  const std::filesystem::path saved(sessionPath);
  const auto path = asker_->saveFile("Save Report", "Text files (*.txt)| *.txt",
                                     (saved.parent_path() / (saved.stem().string() + "-report.txt")).string());
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

std::string Generale::seeAll() {
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

void Generale::unselectTestCases() {
  const Tree& chosen = TV(kSelectedTestCases);
  const NodeId root = chosen.firstRoot();
  if (root == kNoNode || chosen.node(root).children == 0) return;
  if (asker_ != nullptr &&
      asker_->messageBox("Unselect All takes every test case out of the selected test cases. Go on?", "Zov Suite",
                         MessageButtons::kOkCancel, MessageIcon::kQuestion) != Answer::kOk)
    return;
  session.unpickAll();
}

void Generale::showDocument(NodeId node) {
  const Tree& t = TV(kSpecTree);
  const auto isPath = [&t](NodeId n) {
    return t.node(n).image == kind::kTestcase || t.node(n).image == kind::kTestcaseGiallo;
  };
  std::vector<std::string> files;
  if (!t.valid(node)) return;
  if (std::string file = DocumentOfNode(t, session.specification, node); !file.empty()) {
    files.push_back(std::move(file));
  } else if (isPath(node)) {
    // None under its text: the documents of its branches, in order.
    std::vector<NodeId> todo{node};
    while (!todo.empty()) {
      const NodeId n = todo.back();
      todo.pop_back();
      if (std::string branch = DocumentOfNode(t, session.specification, n); !branch.empty())
        files.push_back(std::move(branch));
      std::vector<NodeId> kids;
      for (NodeId c = t.node(n).child; c != kNoNode; c = t.node(c).next)
        if (isPath(c)) kids.push_back(c);
      todo.insert(todo.end(), kids.rbegin(), kids.rend());
    }
  }
  if (files.empty() || session.outputFolder() == nullptr) return;
  LB.clear();
  std::vector<std::string> shown;
  for (const std::string& file : files) {
    const auto lines = session.outputFolder()->readLines(file);
    if (!lines) {
      MostraMessaggio("The document \"" + file + "\" cannot be read");
      continue;
    }
    if (!shown.empty()) shown.emplace_back();
    shown.insert(shown.end(), lines->begin(), lines->end());
  }
  LB.addAll(shown);
}

void Generale::exitCommand() {
  if (askToSave()) terminate();
}

void Generale::terminate() {
  session.removeFiles();
  if (onExit) onExit();
}

void Generale::markWindowSaved() {
  session.markSaved();
  updateCaption();
}

void Generale::updateCaption() {
  if (session.model() == nullptr) return;
  const std::string wanted = "Zov Suite - " + session.filemdl + (session.modified() ? " *" : "");
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
