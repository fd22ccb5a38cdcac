// zov_screenshots DIR: drives the window through a typical run on the ATM
// example (load, select a level, fill the UIT tree, process, edit two
// categories, generate) and saves what each step shows as PNG files in DIR.
// Run it under a real display server (xvfb-run) for the platform's look:
//   xvfb-run -s "-screen 0 1280x1024x24" build/tools/zov_screenshots docs/screenshots
#include <QApplication>
#include <QPalette>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

#include "session/scripted_asker.h"
#include "shell/busy_dialog.h"
#include "shell/dialogs.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"
#include "shell/tree_view.h"
#include "specification/category_editors.h"
#include "weights/node_editor.h"

using namespace zov;
using namespace zov::gui;

namespace {

QString g_dir;

void Save(QWidget& w, const char* name) {
  QApplication::processEvents();
  QTest::qWait(150);
  const QString file = g_dir + "/" + name;
  if (!w.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
  std::printf("%s\n", file.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zov_screenshots DIR\n");
    return 2;
  }
  g_dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_dir);

  MainWindow w;
  w.loadWindow();
  w.show();
  Generale& g = w.state();
  ScriptedAsker asker;
  g.setAsker(&asker);
  asker.files.push_back(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl");
  w.action("m_caricamdl")->trigger();

  // The Main Tree with a level selected, and the node editor on a use case.
  Tree& main = g.TV(kMainTree);
  g.expandTree(kMainTree);
  main.setSelected(FindByKeyOrPath(main, "Customer/Withdraw Cash"));
  asker.criteria.push_back([](CriterionDialog& d) {
    d.chooseNumber();
    d.NNTest = "40";
    d.done();
  });
  w.action("mnSeleziona")->trigger();
  Save(w, "main-tree.png");
  // The same under a dark theme: every state stays readable.
  {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    const QColor text(0xe0, 0xe0, 0xe0), window(0x30, 0x30, 0x30);
    for (auto [role, colour] : {std::pair{QPalette::Window, window}, {QPalette::WindowText, text},
                                {QPalette::Base, QColor(0x20, 0x20, 0x20)}, {QPalette::AlternateBase, window},
                                {QPalette::Text, text}, {QPalette::Button, window}, {QPalette::ButtonText, text},
                                {QPalette::Highlight, QColor(0x2a, 0x82, 0xda)}, {QPalette::HighlightedText, text}})
      dark.setColor(role, colour);
    QApplication::setPalette(dark);
    Save(w, "main-tree-dark.png");
    QApplication::setPalette(light);
  }
  // The details pane on the use case selected.
  if (w.detailsDock() != nullptr) {
    w.detailsDock()->show();
    w.tv(kMainTree)->setCurrentIndex(w.tv(kMainTree)->treeModel()->indexOf(main.selected()));
    Save(w, "details-pane.png");
    w.detailsDock()->hide();
  }
  {
    g.editor.show(main, main.selected());
    NodeEditorDialog edit(g.editor, &w);
    edit.show();
    Save(edit, "node-editor.png");
    g.editor.cancel();
  }
  {
    g.numTest.show();
    NumTestDialog criterion(g.numTest, asker, &w);
    criterion.show();
    Save(criterion, "criterion-dialog.png");
    g.numTest.cancel();
  }

  // The UIT page: the selection, the test cases found, those picked.
  w.tabStrip()->setCurrentIndex(1);
  w.action("m_seqfromzov")->trigger();
  g.expandTree(kSelectionTree);
  g.session.pickAll();
  Save(w, "uit-tree.png");

  // The Test Specification page with a document, and the two editors.
  w.tabStrip()->setCurrentIndex(2);
  w.action("m_generazione")->trigger();
  Tree& spec = g.TV(kSpecTree);
  g.expandTree(kSpecTree);
  const NodeId path = FindByKeyOrPath(spec, "SD1./TestCase 1");
  if (path != kNoNode) {
    spec.setSelected(path);
    g.showDocument(path);
  }
  Save(w, "test-specification.png");
  for (NodeId id : spec.collection()) {
    if (spec.node(id).image == "attributo" && g.session.openCategory(id)) {
      g.session.settingsEditor.chooseOwnValues();
      for (const char* v : {"0", "20", "500"}) {
        g.session.settingsEditor.value = v;
        g.session.settingsEditor.properties = std::string(v) == "0" ? "empty" : "";
        g.session.settingsEditor.selectors = std::string(v) == "500" ? "funded" : "";
        g.session.settingsEditor.add();
      }
      FormIntervallo form(g.session.settingsEditor, &w);
      form.show();
      Save(form, "settings-editor.png");
      g.session.cancelCategory();
      break;
    }
  }
  for (NodeId id : spec.collection()) {
    if (spec.node(id).image == "messaggio" && g.session.openCategory(id)) {
      FormInteractions form(g.session.interactionsEditor, &w);
      form.show();
      Save(form, "interactions-editor.png");
      g.session.cancelCategory();
      break;
    }
  }
  w.action("m_alltestcases")->trigger();
  if (w.planReport() != nullptr) Save(*w.planReport(), "plan-report.png");
  w.action("mnuTestSc")->trigger();
  Save(w, "test-scripts.png");
  // Verdicts read back: a diagram's runs beside its weight.
  if (g.session.resultsFile(std::string(ZOV_EXAMPLES_DIR) + "/../tests/data/results/junit.xml")) {
    w.tabStrip()->setCurrentIndex(0);
    Save(w, "results-in-main-tree.png");
  }

  // FILE with Undo and Redo; the generation undone: its scripts stay, the
  // page says they may no longer match. Redo takes it again.
  {
    QMenu* file = w.menuBar()->actions().front()->menu();
    file->popup(w.mapToGlobal(QPoint(0, w.menuBar()->height())));
    Save(*file, "file-menu.png");
    file->hide();
    w.action("m_undo")->trigger();
    w.tabStrip()->setCurrentIndex(2);
    Save(w, "undo-generation.png");
    w.action("m_redo")->trigger();
  }
  // The busy box of a long processing, with its Cancel.
  w.busyBox()->show();
  w.busyBox()->setStatus("Processing: SD3 Deposit envelope");
  w.busyBox()->setProgress(3, 8);
  w.busyBox()->setCancellable(true);
  Save(*w.busyBox(), "busy-box.png");
  w.busyBox()->setCancellable(false);
  w.busyBox()->hide();

  // A test case taken back after processing: the Test Specification tree
  // is marked out of date until the next processing.
  {
    Tree& chosen = g.TV(kSelectedTestCases);
    const NodeId root = chosen.firstRoot();
    if (root != kNoNode && chosen.node(root).lastChild != kNoNode) {
      chosen.setSelected(chosen.node(root).lastChild);
      w.action("m_popupSelrem")->trigger();
    }
    w.tabStrip()->setCurrentIndex(2);
    Save(w, "specification-out-of-date.png");
  }

  // The model without its controlled unit: the reader's warning in the
  // Problems panel, the status bar saying how many.
  {
    QTemporaryDir copy;
    QFile::copy(QStringLiteral(ZOV_EXAMPLES_DIR "/ATM.mdl"), copy.filePath(QStringLiteral("ATM.mdl")));
    asker.files.push_back(copy.filePath(QStringLiteral("ATM.mdl")).toStdString());
    w.action("m_caricamdl")->trigger();
    w.tabStrip()->setCurrentIndex(0);
    if (w.problemsButton() != nullptr) w.problemsButton()->click();
    Save(w, "problems-panel.png");
  }
  g.setAsker(nullptr);
  return 0;
}
