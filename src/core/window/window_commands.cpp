// The window's commands: each asks the tester what it needs (a file, a
// weight, the criterion, a category's values, a folder), calls the planning
// session and shows what came of it.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/exports.h"
#include "files/text_encoding.h"
#include "files/work_folder.h"
#include "session/session_file.h"
#include "tree/kinds.h"
#include "window/generale.h"

namespace zov {

namespace {
constexpr const char* kRequirementsFilter = "Requirements (*.csv)| *.csv";
constexpr const char* kResultsFilter = "Results (*.xml *.csv)| *.xml;*.csv";
}  // namespace

void Generale::loadModelCommand() {
  if (asker_ == nullptr) return;
  std::string encoding = session.settings.modelEncoding;
  const auto path = asker_->openModelFile("Load MDL File", kModelFilter, dialogFolder(), encoding);
  if (!path || path->empty()) return;
  if (!encoding.empty() && !TextDecoder::Of(encoding)) {
    asker_->messageBox("The encoding \"" + encoding + "\" is not known here (iconv -l lists those that are).",
                       "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
    return;
  }
  session.settings.modelEncoding = encoding;
  openModelFile(*path);
}

void Generale::openModelFile(const std::string& path) {
  const Outcome o = session.openModel(path);
  if (o.cancelled) return afterReplay(o, false);
  if (o) {
    // A new model starts a new session: "Save ZOV File" asks again.
    sessionFile_.clear();
    rememberFile(path);
    declare(o.summary);
    listProblems({"Load", "Processing", "Generation", "Session", "Undo"}, "Load", o.warnings);
  }
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
  if (!e.message.empty()) warn(e.message);
  if (e) declare("Weight of \"" + EstraiNome(t.node(node).text) + "\" set to " + editor.Wei);
}

void Generale::chooseStartStop() {
  const Tree& t = TV(kMainTree);
  const NodeId node = t.selected();
  const Outcome e = session.startStop(node);
  if (e)
    declare((session.work().selection.startselezione ? "Start node: \"" : "Stop node: \"") +
            EstraiNome(t.node(node).text) + "\", level " + std::to_string(Level(t, node)));
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite");
}

void Generale::selectLevelCommand() {
  // "Unselect All" throws away what was built on the selection: ask first.
  const Tree& main = TV(kMainTree);
  const NodeId clicked = main.selected();
  if (clicked != kNoNode && main.node(clicked).foreColor != session.work().defaultFore && asker_ != nullptr &&
      (TV(kUitTree).count() > 1 || TV(kSpecTree).count() > 0) &&
      asker_->messageBox("Unselect All throws away the test cases, the documents, the scripts and the choices "
                         "entered. Go on?",
                         "Zov Suite", MessageButtons::kOkCancel, MessageIcon::kQuestion) != Answer::kOk)
    return;
  bool waiting = false;
  const Outcome e = session.beginSelection(clicked, waiting);
  if (!e) warn(e.message);
  if (!waiting) return;
  if (!session.work().selection.livelli) menus.setEnabled(menu::kStart, false);
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
  const CriterionSettings& c = session.settings.criterion;
  const Outcome done = session.completeSelection({c.byNumber, c.procedures, c.coverage, std::nullopt}, asker_);
  if (done) declare(session.work().weightsSum.empty() ? std::string("Selected the level") : session.work().weightsSum);
  if (!done.message.empty() && asker_ != nullptr)
    asker_->messageBox(done.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
}

void Generale::loadTestCasesCommand(TestCaseSource from) {
  const Outcome o = session.loadTestCases(from);
  declare(o ? o.summary : o.message);
}

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
  pickTestCase(draggedNode);
}

void Generale::pickTestCase(NodeId uitNode) {
  const Tree& uit = TV(kUitTree);
  const std::string text = uit.valid(uitNode) ? uit.node(uitNode).text.str() : std::string();
  const Outcome e = session.pick(uitNode);
  if (e) declare("Selected the test case \"" + text + "\"");
  if (!e && asker_ != nullptr) asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kCritical);
}

void Generale::editWeightInPlace(NodeId node, const std::string& weight) {
  Tree& t = TV(kMainTree);
  if (!t.valid(node)) return;
  note_.clear();
  const Outcome e = session.weight(node, weight);
  if (!e) {
    warn(e.message);
    return;
  }
  if (!e.message.empty()) warn(e.message);
  declare("Weight of \"" + EstraiNome(t.node(node).text) + "\" set to " + weight);
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
  if (o.cancelled) afterReplay(o, false);
  if (!o) return;
  for (const std::string& w : o.warnings) warn(w);
  declare(o.summary);
  std::vector<std::string> found = o.warnings;
  found.insert(found.end(), o.notes.begin(), o.notes.end());
  listProblems({"Processing", "Generation"}, "Processing", found);
}

PlanningSession::Generated Generale::generateCases(const std::vector<std::string>& cases) {
  PlanningSession::Generated g = session.generate(cases);
  if (g.cancelled) {
    // Scripts written before the generation stopped stay in the folder.
    afterReplay(Outcome::Cancelled(g.summary), true);
    return g;
  }
  for (const std::string& w : g.conflicts) warn(w);
  // What the generation noted (a script not written), its conflicts and
  // what the plan report warns of.
  std::vector<std::string> found = note_;
  found.insert(found.end(), g.conflicts.begin(), g.conflicts.end());
  if (session.work().planReport)
    found.insert(found.end(), session.work().planReport->warnings.begin(), session.work().planReport->warnings.end());
  listProblems({"Generation"}, "Generation", found);
  if (!g.summary.empty()) declare(g.summary);
  // The scripts shown are those of this generation.
  if (listShowsScripts_) showScripts();
  if (session.work().planReport && onPlanReport) onPlanReport();
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
  listShowsScripts_ = true;
  // The scripts of the last generation; before any, one message.
  bool any = false;
  for (int i = 1; i <= session.work().specification.table.count(); ++i) {
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
  for (const std::string& name : session.work().specification.specDocuments)
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
  for (int i = 1; i <= session.work().specification.table.count(); ++i) {
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

void Generale::chooseStrength() {
  if (asker_ == nullptr) return;
  const int t = session.strength().t;
  const std::string now = (t > 2 ? std::to_string(t) : StrengthName(t)) + (session.strength().fills ? " fills" : "");
  const auto answer = asker_->inputBox(
      "What each path's test procedures cover first: random (every combination in random order), each (every "
      "choice), pairwise (every pair of choices) or a number N (every N choices together). Add \"fills\" to let "
      "the strength raise a path's procedures to what it needs.",
      "Coverage Strength", now);
  if (!answer) return;
  std::istringstream words(*answer);
  std::string word, extra;
  words >> word >> extra;
  const std::optional<int> chosen = ParseStrength(word);
  if (!chosen || (!extra.empty() && extra != "fills")) {
    asker_->messageBox("\"" + *answer +
                           "\" is no strength: random, each, pairwise or a number from 1 to 10, with "
                           "\"fills\" after it or not.",
                       "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
    return;
  }
  session.setStrength({*chosen, extra == "fills"});
  declare("Coverage strength: " + StrengthName(*chosen) + (extra == "fills" ? ", filled to what it needs" : "") +
          " (the next generation)");
}

void Generale::exportFiles() {
  if (asker_ == nullptr) return;
  // The formats first, then the folder.
  std::vector<std::pair<std::string, bool>> choices = FormatChoices(exportFormats);
  if (!asker_->chooseOptions("Export Documents and Scripts...", choices)) return;
  SetFormatChoices(exportFormats, choices);
  const auto dir = asker_->chooseFolder("Export Documents and Scripts...", dialogFolder());
  if (!dir || dir->empty()) return;
  const auto tell = [this](const std::string& text, MessageIcon icon) {
    asker_->messageBox(text, "Zov Suite", MessageButtons::kOk, icon);
  };
  bool made = false;
  std::string error;
  auto target = OpenWorkFolder(std::filesystem::path(*dir), made, &error);
  if (!target) return tell(error, MessageIcon::kWarning);
  std::vector<std::string> written;
  const Outcome e = ExportPlan(session, *target, exportFormats, &written);
  if (!FinishFolder(*target, e.done, false, &error) && e.done) return tell(error, MessageIcon::kWarning);
  if (!e) return tell(e.message, MessageIcon::kWarning);
  const std::string said = "Exported " + std::to_string(written.size()) + " files to " + target->dir().string();
  declare(said);
  tell(said + ".", MessageIcon::kInformation);
}

std::string Generale::dialogFolder() const {
  std::error_code ec;
  if (!lastFolder_.empty() && std::filesystem::is_directory(lastFolder_, ec)) return lastFolder_;
  return StartFolder();
}

void Generale::rememberFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::string full = ec ? path : absolute.lexically_normal().string();
  lastFolder_ = std::filesystem::path(full).parent_path().string();
  std::erase(recentFiles, full);
  recentFiles.insert(recentFiles.begin(), full);
  if (recentFiles.size() > kRecentFiles) recentFiles.resize(kRecentFiles);
  if (onRecentFilesChange) onRecentFilesChange();
}

void Generale::openFile(const std::string& path) {
  note_.clear();
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".zov") {
    if (!askToSave()) return;
    openSessionFile(path);
  } else {
    openModelFile(path);
  }
}

bool Generale::saveSessionTo(std::string path) {
  if (std::filesystem::path(path).extension().empty()) path += ".zov";
  if (const Outcome e = SaveSession(session, path); !e) {
    asker_->messageBox(e.message, "Zov Suite", MessageButtons::kOk, MessageIcon::kWarning);
    return false;
  }
  sessionFile_ = path;
  rememberFile(path);
  markWindowSaved();
  declare("Saved the session to " + path);
  return true;
}

void Generale::saveSessionCommand() {
  // The session file is chosen once a model's work was saved or loaded.
  if (sessionFile_.empty()) {
    saveSessionAsCommand();
  } else if (asker_ != nullptr) {
    saveSessionTo(sessionFile_);
  }
}

void Generale::saveSessionAsCommand() {
  if (asker_ == nullptr) return;
  if (session.model() == nullptr) {
    asker_->messageBox("There is no work to save: load a model first.", "Zov Suite");
    return;
  }
  const std::string start =
      sessionFile_.empty() ? dialogFolder() : sessionFile_;  // the dialog proposes the file chosen
  const auto path = asker_->saveFile("Save ZOV File", kSessionFilter, start);
  if (!path || path->empty()) return;
  saveSessionTo(*path);
}

void Generale::requirementsCommand() {
  if (asker_ == nullptr) return;
  if (session.model() == nullptr) {
    asker_->messageBox("There is nothing to trace: load a model first.", "Zov Suite");
    return;
  }
  const auto path = asker_->openFile("Requirements File", kRequirementsFilter, dialogFolder());
  if (!path || path->empty()) return;
  const Outcome o = session.requirementsFile(*path);
  if (!o) {
    asker_->messageBox(o.message, "Zov Suite");
    return;
  }
  listProblems({}, "Load", o.warnings);
  declare(o.summary + (o.warnings.empty() ? std::string()
                                          : "; " + std::to_string(o.warnings.size()) + " rows left out (Problems)"));
}

void Generale::resultsCommand() {
  if (asker_ == nullptr) return;
  if (session.work().procedures.empty()) {
    asker_->messageBox("Generate the test procedures first: results are matched to their ids.", "Zov Suite");
    return;
  }
  const auto path = asker_->openFile("Results", kResultsFilter, dialogFolder());
  if (!path || path->empty()) return;
  const Outcome o = session.resultsFile(*path);
  if (!o) {
    asker_->messageBox(o.message, "Zov Suite");
    return;
  }
  listProblems({}, "Generation", o.warnings);
  declare(o.summary);
}

void Generale::loadSession() {
  if (asker_ == nullptr || !askToSave()) return;
  const auto path = asker_->openFile("Load ZOV File", kSessionFilter, dialogFolder());
  if (!path || path->empty()) return;
  openSessionFile(*path);
}

void Generale::openSessionFile(const std::string& path) {
  const std::size_t notesBefore = note_.size();
  const SessionReport r = LoadSession(session, path);
  // Its model's load cancelled: the work is as it was.
  if (r.outcome.cancelled) return afterReplay(r.outcome, false);
  if (r.outcome) {
    sessionFile_ = path;
    rememberFile(path);
    // The replay's load, then what it could not replay and what it noted.
    listProblems({"Load", "Processing", "Generation", "Session"}, "Load", r.outcome.warnings);
    listProblems({}, "Processing", session.work().processingFound);
    listProblems({}, "Generation", session.work().generationFound);
    std::vector<std::string> found;
    if (r.modelChanged) found.push_back("The model file is not the one the session was saved with.");
    found.insert(found.end(), r.leftOut.begin(), r.leftOut.end());
    found.insert(found.end(), note_.begin() + static_cast<std::ptrdiff_t>(std::min(notesBefore, note_.size())),
                 note_.end());
    listProblems({}, "Session", found);
    markWindowSaved();
    declare("Loaded the session " + path + ": " + std::to_string(session.decisions().size()) +
            (session.decisions().size() == 1 ? " decision" : " decisions") + " replayed" +
            (r.leftOut.empty() ? "" : ", " + std::to_string(r.leftOut.size()) + " left out"));
  }
  if (asker_ == nullptr) return;
  if (!r.outcome)
    asker_->messageBox("The session could not be loaded.\n\n" + r.outcome.message, "Zov Suite", MessageButtons::kOk,
                       MessageIcon::kCritical);
  else if (!r.text().empty() && asker_->messageBox(r.text() + "\n\nSave this report to a file?", "Zov Suite",
                                                   MessageButtons::kYesNo, MessageIcon::kWarning) == Answer::kYes)
    saveReport(r.text(), path);
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
  declare(said);
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
  if (std::string file = DocumentOfNode(t, session.work().specification, node); !file.empty()) {
    files.push_back(std::move(file));
  } else if (isPath(node)) {
    // None under its text: the documents of its branches, in order.
    std::vector<NodeId> todo{node};
    while (!todo.empty()) {
      const NodeId n = todo.back();
      todo.pop_back();
      if (std::string branch = DocumentOfNode(t, session.work().specification, n); !branch.empty())
        files.push_back(std::move(branch));
      std::vector<NodeId> kids;
      for (NodeId c = t.node(n).child; c != kNoNode; c = t.node(c).next)
        if (isPath(c)) kids.push_back(c);
      todo.insert(todo.end(), kids.rbegin(), kids.rend());
    }
  }
  if (files.empty() || session.outputFolder() == nullptr) return;
  LB.clear();
  listShowsScripts_ = false;
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

}  // namespace zov
