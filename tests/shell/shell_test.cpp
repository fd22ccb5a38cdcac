// Checks of the real widgets, offscreen.
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include <unistd.h>

#include "export/exports.h"
#include "session/scripted_asker.h"
#include "shell/about.h"
#include "shell/busy_dialog.h"
#include "shell/dialogs.h"
#include "shell/focus_ring.h"
#include "shell/form2.h"
#include "shell/main_window.h"
#include "shell/printing.h"
#include "shell/qt_asker.h"
#include "shell/tree_model.h"
#include "shell/tree_view.h"
#include "shell/usage_chart.h"
#include "specification/category_editors.h"
#include "specification/specification.h"
#include "tree/tag.h"
#include "ui/ui.h"
#include "window/load_messages.h"

using namespace zov;
using namespace zov::gui;

namespace {
// Qt's own checks of the tree models, on every change the test makes.
void CheckModels(MainWindow& w) {
  for (int i = 0; i < kTreeCount; ++i)
    new QAbstractItemModelTester(w.tv(i)->treeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest, &w);
}

// The main window as the tester finds it, with Qt's checks on its trees and
// a scripted tester answering its dialogs.
struct Window {
  Window() {
    w.loadWindow();
    CheckModels(w);
    w.state().setAsker(&asker);
  }
  ~Window() { w.state().setAsker(nullptr); }
  bool show() {
    w.show();
    return QTest::qWaitForWindowExposed(&w);
  }
  // "&Load Model..." on a model of the examples.
  void load(const std::string& model) {
    asker.files.push_back(std::string(ZOV_EXAMPLES_DIR) + "/" + model);
    w.action("m_caricamdl")->trigger();
  }
  // "&Select Level" on the Main Tree node at path, with a number of procedures.
  void select(const std::string& path, int procedures) {
    Tree& main = w.state().TV(kMainTree);
    main.setSelected(FindByKeyOrPath(main, path));
    asker.criteria.push_back([procedures](CriterionDialog& d) {
      d.chooseNumber();
      d.NNTest = std::to_string(procedures);
      d.done();
    });
    w.action("mnSeleziona")->trigger();
  }
  // "Loading from ZOV tree" and "&Select All" on the UIT page, then "&Processing...".
  void processCommand() {
    w.tabStrip()->setCurrentIndex(1);
    w.action("m_seqfromzov")->trigger();
    w.action("m_selectall")->trigger();
    w.tabStrip()->setCurrentIndex(2);
    w.action("m_generazione")->trigger();
  }
  MainWindow w;
  ScriptedAsker asker;
};
}  // namespace

// The controls of a window that take the keyboard and that a screen reader
// reads without a name: "ClassName objectName" each.
QStringList Unnamed(QWidget* root) {
  QStringList unnamed;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(root)) continue;
    // A scroll area's viewport is read through the scroll area.
    if (qobject_cast<QAbstractScrollArea*>(w->parentWidget()) != nullptr &&
        (w->parentWidget()->focusProxy() == w || w->focusProxy() == w->parentWidget()))
      continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a == nullptr || a->text(QAccessible::Name).trimmed().isEmpty())
      unnamed << QStringLiteral("%1 %2 (in %3)")
                     .arg(
                         QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                         QString::fromLatin1(w->parentWidget() != nullptr ? w->parentWidget()->metaObject()->className()
                                                                          : "no parent"));
  }
  return unnamed;
}

// The controls of a window that take the keyboard but look the same with
// it as without, the frame around them included: "ClassName objectName"
// each; and any splitter that took the frame in as a pane of its own.
QStringList FocusNotShown(QWidget* root) {
  QStringList hidden;
  QMap<QSplitter*, int> panes;
  for (QSplitter* s : root->findChildren<QSplitter*>()) panes[s] = s->count();
  root->activateWindow();
  (void)QTest::qWaitForWindowActive(root, 1000);
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(root) || !w->isEnabled() || w->focusProxy() != nullptr ||
        w == root)
      continue;
    if (qobject_cast<QAbstractScrollArea*>(w->parentWidget()) != nullptr && w->parentWidget()->focusProxy() == w)
      continue;
    const QRect around(w->mapTo(w->window(), QPoint(-4, -4)), w->size() + QSize(8, 8));
    w->clearFocus();
    QCoreApplication::processEvents();
    const QImage without = w->window()->grab(around).toImage();
    // As a Tab press gives it: the window marks the focus as come by keyboard.
    w->setFocus(Qt::TabFocusReason);
    w->window()->setAttribute(Qt::WA_KeyboardFocusChange);
    QCoreApplication::processEvents();
    const QImage with = w->window()->grab(around).toImage();
    for (auto s = panes.cbegin(); s != panes.cend(); ++s)
      if (s.key()->count() != s.value())
        hidden << QStringLiteral("%1 (a splitter took a pane)").arg(QString::fromLatin1(w->metaObject()->className()));
    if (!w->hasFocus()) continue;
    if (with == without)
      hidden << QStringLiteral("%1 %2").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
  }
  return hidden;
}

// A widget as a failure names it: its object name, else its class.
QString Named(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The pairs of controls that Tab takes out of reading order in a dialog:
// the next one above the last, unless it starts a column to its right.
QStringList OutOfReadingOrder(QWidget* dialog) {
  QList<QWidget*> chain;
  QWidget* w = dialog->nextInFocusChain();
  for (int guard = 0; w != dialog && guard < 500; ++guard, w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(dialog) && w->isEnabled() && w->focusProxy() == nullptr &&
        dialog->isAncestorOf(w))
      chain << w;
  QStringList wrong;
  for (int i = 1; i < chain.size(); ++i) {
    const QRect a(chain[i - 1]->mapTo(dialog, QPoint(0, 0)), chain[i - 1]->size());
    const QRect b(chain[i]->mapTo(dialog, QPoint(0, 0)), chain[i]->size());
    if (b.top() < a.top() - 4 && b.left() < a.right()) wrong << Named(chain[i - 1]) + " -> " + Named(chain[i]);
  }
  return wrong;
}

// The window has the layout's size, or, on a screen too small for it, fits
// the screen's available room whole.
bool LayoutSize(const QWidget* w, QSize layout) {
  const QRect room = w->screen()->availableGeometry();
  const QSize frame = w->frameGeometry().size() - w->size();
  if (layout.width() + frame.width() <= room.width() && layout.height() + frame.height() <= room.height())
    return w->size() == layout;
  return room.contains(w->frameGeometry()) && w->size() == w->size().boundedTo(layout);
}

class ShellTest : public QObject {
  Q_OBJECT

  // A right click on a node of a view, as the tester makes it.
  static void clickRight(TreeView* view, const QModelIndex& index) {
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, at);
  }

 private slots:
  void initTestCase() {
    // The tests' own settings: no recent file of the tester's shows, none is left.
    QCoreApplication::setOrganizationName(QStringLiteral("Zov Suite Tests"));
    QSettings().remove(QStringLiteral("recentFiles"));
    // The keyboard's focus shown as the program shows it.
    ShowKeyboardFocus();
  }
  void cleanupTestCase() { QSettings().remove(QStringLiteral("recentFiles")); }

  // The window fits the screen's available room from the start: its frame
  // and the status bar with the problems button stay on screen, however
  // small the screen (the offscreen test screen is 800x600).
  void windowFitsTheScreen() {
    Window f;
    QVERIFY(f.show());
    const QRect room = f.w.screen()->availableGeometry();
    // A window manager decorates the window a moment after it shows.
    QTRY_VERIFY2_WITH_TIMEOUT(room.contains(f.w.frameGeometry()), "the window's frame reaches beyond the screen", 3000);
    // A model whose load warns: the problems button shows.
    f.asker.files.push_back(std::string(ZOV_TEST_DATA_DIR) + "/encodings/cyrillic-undecodable.mdl");
    f.w.action("m_caricamdl")->trigger();
    QApplication::processEvents();
    QVERIFY(!f.w.state().problems().empty());
    auto* button = f.w.findChild<QToolButton*>(QStringLiteral("ProblemsButton"));
    QVERIFY(button != nullptr && button->isVisible());
    const QRect shown(button->mapToGlobal(QPoint(0, 0)), button->size());
    QVERIFY2(room.contains(shown), "the problems button is off screen");
  }

  // After every busy command (the "Wait Please..." box shown and hidden)
  // the keyboard is back in the window, in the tree that had it: fifty
  // commands in a row (loads, "Loading from ZOV tree", "&Select All",
  // Undo, Redo), each followed by a key to the tree. Under a window
  // manager (ctest shell_focus_under_wm) this is the tester's own case.
  void keyboardComesBackAfterBusyCommands() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    f.load("ATM.mdl");
    f.select("Customer", 40);
    const std::vector<std::pair<int, const char*>> commands = {
        {1, "m_seqfromzov"}, {1, "m_selectall"}, {1, "m_undo"}, {1, "m_redo"}, {0, "m_caricamdl"}};
    for (int i = 0; i < 50; ++i) {
      const auto& [tab, command] = commands[static_cast<std::size_t>(i) % commands.size()];
      w.tabStrip()->setCurrentIndex(tab);
      TreeView* tree = w.tv(tab == 0 ? kMainTree : kUitTree);
      tree->setFocus();
      QTRY_VERIFY(tree->hasFocus());
      if (std::string_view(command) == "m_caricamdl") {
        f.asker.answers.push_back(Answer::kNo);  // "Save changes?"
        f.asker.files.push_back(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl");
      }
      QAction* a = w.action(command);
      QVERIFY2(a != nullptr && a->isEnabled(), command);
      a->trigger();
      QTRY_VERIFY2_WITH_TIMEOUT(QApplication::activeWindow() == &w, command, 2000);
      QTRY_VERIFY2_WITH_TIMEOUT(tree->hasFocus(), command, 2000);
    }
  }

  // From the page tabs, Tab reaches every tree of the page, in reading
  // order, as a tester without a mouse goes through the window; and a
  // dialog closed with the keyboard gives the keyboard back to the control
  // that had it.
  void keyboardReachesTheTreesAndComesBack() {
    Window f;
    QVERIFY(f.show());
    f.load("ATM.mdl");
    MainWindow& w = f.w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const std::vector<std::vector<int>> pages = {
        {kMainTree, kDesignTree, kNotLinkedTree}, {kSelectionTree, kUitTree, kSelectedTestCases}, {kSpecTree}};
    for (std::size_t page = 0; page < pages.size(); ++page) {
      w.tabStrip()->setCurrentIndex(static_cast<int>(page));
      w.tabStrip()->tabBar()->setFocus(Qt::TabFocusReason);
      QTRY_VERIFY(w.tabStrip()->tabBar()->hasFocus());
      QList<QWidget*> visited;
      for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
      }
      int at = -1;
      for (int tree : pages[page]) {
        const int here = static_cast<int>(visited.indexOf(w.tv(tree)));
        QVERIFY2(
            here > at,
            qPrintable(QStringLiteral("page %1: Tab does not reach tree %2 after the one before").arg(page).arg(tree)));
        at = here;
      }
    }
    w.tabStrip()->setCurrentIndex(0);
    TreeView* tree = w.tv(kDesignTree);
    tree->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(tree->hasFocus());
    w.action("m_about")->trigger();
    QTRY_VERIFY(QApplication::activeWindow() != &w && QApplication::activeWindow() != nullptr);
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&w));
    QTRY_VERIFY(tree->hasFocus());
  }

  // "Open Working Folder" with a file manager that fails: the window says
  // so, with the folder, rather than taking it for success.
  void workingFolderThatNoFileManagerOpensIsSaid() {
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nexit 3\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    Window f;
    QVERIFY(f.show());
    f.w.action("m_cartella")->trigger();
    const auto said = [&f] {
      for (const QLabel* l : f.w.statusBar()->findChildren<QLabel*>())
        if (l->text().startsWith(QStringLiteral("No file manager opened the folder (xdg-open ended with 3)")))
          return true;
      return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(said(), 5000);
    qputenv("PATH", path);
  }

  // Recent Files: two entries of one name show their folders.
  void recentFilesTellEntriesOfOneNameApart() {
    Window f;
    Generale& g = f.w.state();
    g.recentFiles = {"/srv/models/2024/ATM.mdl", "/srv/models/2025/ATM.mdl", "/srv/models/Lending.mdl"};
    g.onRecentFilesChange();
    QMenu* recent = nullptr;
    for (QMenu* m : f.w.findChildren<QMenu*>())
      if (m->title() == QStringLiteral("Recent &Files")) recent = m;
    QVERIFY(recent != nullptr);
    const QList<QAction*> entries = recent->actions();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0]->text(), QStringLiteral("&1 ATM.mdl  (/srv/models/2024)"));
    QCOMPARE(entries[1]->text(), QStringLiteral("&2 ATM.mdl  (/srv/models/2025)"));
    QCOMPARE(entries[2]->text(), QStringLiteral("&3 Lending.mdl"));
  }

  // Ctrl+F starts a search from the top of the tree, whichever node is
  // selected, and says so; F3 goes on to the next.
  void findSearchesFromTheTop() {
    Window f;
    QVERIFY(f.show());
    f.load("ATM.mdl");
    MainWindow& w = f.w;
    Tree& main = w.state().TV(kMainTree);
    // The nodes in the order the tree shows them, and those named "withdraw".
    std::vector<NodeId> shown;
    const std::function<void(NodeId)> walk = [&](NodeId n) {
      for (; n != kNoNode; n = main.node(n).next) {
        shown.push_back(n);
        walk(main.node(n).child);
      }
    };
    walk(main.firstRoot());
    std::vector<NodeId> named;
    for (NodeId n : shown)
      if (QString::fromStdString(main.node(n).text.str()).contains(QStringLiteral("withdraw"), Qt::CaseInsensitive))
        named.push_back(n);
    QVERIFY(named.size() >= 2);
    main.setSelected(named[1]);  // past the first one
    w.tv(kMainTree)->setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    auto* find = w.findChild<QLineEdit*>(QStringLiteral("Find"));
    QVERIFY(find != nullptr && find->hasFocus());
    QTest::keyClicks(find, QStringLiteral("withdraw"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(main.selected(), named[0]);
    const auto said = [&w](const QString& part) {
      for (const QLabel* l : w.statusBar()->findChildren<QLabel*>())
        if (l->text().contains(part)) return true;
      return false;
    };
    QVERIFY(said(QStringLiteral("searching from the top")));
    QTest::keyClick(find, Qt::Key_F3);
    QCOMPARE(main.selected(), named[1]);
    QVERIFY(said(QStringLiteral("Found the next")));
  }

  // No task needs the mouse: Insert or Enter on a UIT test case (or its
  // pop-up item) puts it into the selected test cases; F2 edits a weight
  // in place, checked as the node editor checks it.
  void keyboardPicksTestCasesAndEditsWeights() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    f.load("ATM.mdl");
    f.select("Customer/Withdraw Cash", 40);
    w.tabStrip()->setCurrentIndex(1);
    w.action("m_seqfromzov")->trigger();
    TreeView* uit = w.tv(kUitTree);
    const QModelIndex root = uit->treeModel()->index(0, 0);
    QVERIFY(uit->treeModel()->rowCount(root) >= 3);
    const Tree& chosen = g.TV(kSelectedTestCases);
    const auto picked = [&chosen] { return chosen.node(chosen.firstRoot()).children; };
    uit->setFocus();
    uit->setCurrentIndex(uit->treeModel()->index(0, 0, root));
    QTest::keyClick(uit, Qt::Key_Insert);
    QCOMPARE(picked(), 1);
    uit->setCurrentIndex(uit->treeModel()->index(1, 0, root));
    QTest::keyClick(uit, Qt::Key_Return);
    QCOMPARE(picked(), 2);
    QVERIFY(w.statusText()->text().startsWith(QStringLiteral("Selected the test case")));
    uit->setCurrentIndex(uit->treeModel()->index(2, 0, root));
    QTest::keyClick(uit, Qt::Key_Menu);
    QVERIFY(w.shownPopup() != nullptr);
    QCOMPARE(w.shownPopup()->objectName(), QStringLiteral("m_popupUit"));
    w.shownPopup()->hide();
    w.action("m_popupUitAdd")->trigger();
    QCOMPARE(picked(), 3);

    // F2 on "Deposit": the weight alone is edited; Enter sets it.
    w.tabStrip()->setCurrentIndex(0);
    TreeView* main = w.tv(kMainTree);
    Tree& t = g.TV(kMainTree);
    const NodeId deposit = FindByKeyOrPath(t, "Customer/Deposit");
    const QModelIndex at = main->treeModel()->indexOf(deposit);
    QCOMPARE(at.data(Qt::EditRole).toString(), QStringLiteral("0.3158"));
    main->setFocus();
    main->setCurrentIndex(at);
    QTest::keyClick(main, Qt::Key_F2);
    auto* editor = main->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->text(), QStringLiteral("0.3158"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("0.2"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY2(t.node(deposit).text.view().starts_with("[0.2000]"), t.node(deposit).text.c_str());
    QVERIFY(w.statusText()->text().startsWith(QStringLiteral("Weight of \"Deposit\" set to 0.2")));
    // The other trees edit nothing.
    QVERIFY(!(w.tv(kUitTree)->treeModel()->flags(root) & Qt::ItemIsEditable));
  }

  // The details pane (Ctrl+Shift+D, or "Details" in the status bar) writes
  // out what the current node of any tree carries.
  void detailsPaneWritesOutTheCurrentNode() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    f.load("ATM.mdl");
    QVERIFY(!w.detailsDock()->isVisible());
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(w.detailsDock()->isVisible());
    const auto shown = [&w] {
      std::map<QString, QString> rows;
      for (int i = 0; i < w.detailsList()->topLevelItemCount(); ++i)
        rows[w.detailsList()->topLevelItem(i)->text(0)] = w.detailsList()->topLevelItem(i)->text(1);
      return rows;
    };
    Tree& main = g.TV(kMainTree);
    TreeView* view = w.tv(kMainTree);
    view->setCurrentIndex(view->treeModel()->indexOf(FindByKeyOrPath(main, "Customer/Withdraw Cash")));
    auto rows = shown();
    QCOMPARE(rows[QStringLiteral("Kind")], QStringLiteral("usecase"));
    QCOMPARE(rows[QStringLiteral("Key")], QStringLiteral("5A1000000020"));
    QCOMPARE(rows[QStringLiteral("Weight")], QStringLiteral("0.6316"));
    QCOMPARE(rows[QStringLiteral("Level")], QStringLiteral("1"));
    QCOMPARE(rows[QStringLiteral("Children")], QString::number(main.node(main.selected()).children));
    // An element shown more than once says where.
    NodeId repeated = kNoNode;
    for (NodeId n = main.nextInCollection(kNoNode); n != kNoNode && repeated == kNoNode; n = main.nextInCollection(n))
      if (main.presentCount(std::string_view(main.node(n).key).substr(0, kIdentifierLength)) > 1) repeated = n;
    view->setCurrentIndex(view->treeModel()->indexOf(repeated));
    rows = shown();
    QVERIFY(std::any_of(rows.begin(), rows.end(),
                        [](const auto& r) { return r.first.startsWith(QStringLiteral("Shown ")); }));
    // A node of the Test Specification tree names its diagram and document.
    f.select("Customer/Withdraw Cash", 40);
    f.processCommand();
    Tree& spec = g.TV(kSpecTree);
    TreeView* specView = w.tv(kSpecTree);
    specView->setCurrentIndex(specView->treeModel()->indexOf(FindByKeyOrPath(spec, "SD1./TestCase 1")));
    rows = shown();
    QCOMPARE(rows[QStringLiteral("Tree")], QStringLiteral("Test Specification tree"));
    QVERIFY(rows[QStringLiteral("Diagram")].startsWith(QStringLiteral("5A1000000040")));
    QVERIFY(!rows[QStringLiteral("Document")].isEmpty());
  }

  // Small screens: in an 800x600 window a long status text is cut in the
  // middle with the whole of it in the tooltip, and the usage chart and the
  // print preview open within the window.
  void smallScreens() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    w.resize(800, 600);
    f.load("ATM.mdl");
    f.select("Customer/Withdraw Cash", 40);
    const std::string said = "Saved the session to /" + std::string(200, 'x') + "/work.zov";
    g.declare(said);
    w.statusText()->repaint();
    QTRY_COMPARE(w.statusText()->toolTip(), QString::fromStdString(said));
    QCOMPARE(w.width(), 800);
    g.declare("Short");
    w.statusText()->repaint();
    QTRY_VERIFY(w.statusText()->toolTip().isEmpty());
    UsageChartDialog chart(ComputeUsageChart(g.TV(kSelectionTree), g.session.work().coverageUsed),
                           QStringLiteral("ATM.mdl"), &w);
    QVERIFY(chart.width() <= 800 && chart.height() <= 600);
    PrintView preview(QStringLiteral("Test Cases List"), {"a line"}, false, &w);
    QVERIFY(preview.width() <= 800 && preview.height() <= 600);
  }

  // Files where the tester left them: the dialogs open in the folder of the
  // last model or session, "&Save ZOV File" saves again to the file chosen
  // ("Save ZOV File &As..." asks), FILE lists the recent files.
  void filesWhereTheTesterLeftThem() {
    QTemporaryDir dir;
    for (const char* f : {"ATM.mdl", "ATM-Services.cat"})
      QVERIFY(QFile::copy(QStringLiteral(ZOV_EXAMPLES_DIR "/") + QLatin1String(f), dir.filePath(QLatin1String(f))));
    const std::string folder = QDir(dir.path()).canonicalPath().toStdString();
    QSettings().remove(QStringLiteral("recentFiles"));
    Window f;
    Generale& g = f.w.state();
    f.asker.files.push_back(folder + "/ATM.mdl");
    f.w.action("m_caricamdl")->trigger();
    f.w.action("m_caricamdl")->trigger();  // cancelled: only where it opened matters
    QCOMPARE(f.asker.asked.back().folder, folder);
    f.w.action("m_caricazov")->trigger();
    QCOMPARE(f.asker.asked.back().folder, folder);

    f.asker.files.push_back(folder + "/work.zov");
    f.w.action("m_savezov")->trigger();
    QCOMPARE(g.sessionFile(), folder + "/work.zov");
    const std::size_t questions = f.asker.asked.size();
    std::filesystem::remove(folder + "/work.zov");
    f.w.action("m_savezov")->trigger();  // again to the same file, without a dialog
    QCOMPARE(f.asker.asked.size(), questions);
    QVERIFY(std::filesystem::exists(folder + "/work.zov"));
    f.asker.files.push_back(folder + "/copy.zov");
    f.w.action("mnSaveZovAs")->trigger();
    QCOMPARE(f.asker.asked.size(), questions + 1);
    QCOMPARE(f.asker.asked.back().folder, folder + "/work.zov");  // the dialog proposes the file chosen
    QVERIFY(std::filesystem::exists(folder + "/copy.zov"));
    QCOMPARE(g.sessionFile(), folder + "/copy.zov");

    // FILE > "Recent &Files", newest first, kept for the next run.
    QMenu* recent = f.w.findChild<QMenu*>(QStringLiteral("m_recent"));
    QVERIFY(recent != nullptr);
    QVERIFY(recent->menuAction()->isEnabled());
    const QList<QAction*> items = recent->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("&1 copy.zov"));
    QCOMPARE(items[1]->text(), QStringLiteral("&2 work.zov"));
    QCOMPARE(items[2]->text(), QStringLiteral("&3 ATM.mdl"));
    QCOMPARE(QSettings().value(QStringLiteral("recentFiles")).toStringList().size(), 3);
    // A new model starts a new session: saving asks for its file again.
    items[2]->trigger();
    QVERIFY(g.sessionFile().empty());
    QCOMPARE(recent->actions()[0]->text(), QStringLiteral("&1 ATM.mdl"));
    Window next;
    QCOMPARE(next.w.findChild<QMenu*>(QStringLiteral("m_recent"))->actions().size(), 3);
  }

  void startupOkWithoutOptionGivesTheLargeLayout() {
    Form2 form;
    form.show();
    QVERIFY(form.option1()->isChecked());
    QTest::mouseClick(form.command1(), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    MainWindow* w = form.mainWindow();
    QVERIFY(w != nullptr);
    QVERIFY(w->isVisible());
    QVERIFY(LayoutSize(w, QSize(1024, 768)));
    QCOMPARE(w->windowTitle(), QStringLiteral("Zov Suite"));
    QCOMPARE(w->tabStrip()->count(), 3);
    QCOMPARE(w->tabStrip()->tabText(2), QStringLiteral("Test Specification Tree"));
    QVERIFY(w->menu("m_zov")->menuAction()->isEnabled());
    QVERIFY(!w->menu("m_uit")->menuAction()->isEnabled());
    QVERIFY(!w->menu("m_print")->menuAction()->isEnabled());
    QVERIFY(w->menu("m_file")->menuAction()->isEnabled());
  }

  void secondOptionGivesTheSmallLayout() {
    Form2 form;
    form.show();
    QTest::mouseClick(form.option2(), Qt::LeftButton);
    QVERIFY(!form.option1()->isChecked());
    QTest::mouseClick(form.command1(), Qt::LeftButton);
    QVERIFY(LayoutSize(form.mainWindow(), QSize(800, 600)));
  }

  void tabThreeSwitchesTheMenus() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    QTabBar* bar = w.tabStrip()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(w.tabStrip()->currentIndex(), 2);
    QVERIFY(w.menu("m_testcase")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_zov")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_uit")->menuAction()->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(w.menu("m_uit")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_testcase")->menuAction()->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QVERIFY(w.menu("m_zov")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_uit")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_testcase")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_print")->menuAction()->isEnabled());
  }

  void rightClickOnAMarkedNodeOffersUnselectAll() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Tree& t = w.state().TV(kMainTree);
    const NodeId actor = t.addTop("3AC03B960258", "[1.0000] Customer", "actor");
    t.setExpanded(actor, true);
    const NodeId uc = t.addChild(actor, "3AC03B96025A", "[0.5000] Withdraw Cash", "usecase");
    t.setForeColor(uc, kSelectedFore);
    TreeView* view = w.tv(kMainTree);
    const QModelIndex index = view->treeModel()->indexOf(uc);
    QVERIFY(index.isValid());
    QCOMPARE(index.data().toString(), QStringLiteral("[0.5000] Withdraw Cash"));
    clickRight(view, index);
    QMenu* popup = w.shownPopup();
    QVERIFY(popup != nullptr);
    QCOMPARE(popup->objectName(), QStringLiteral("mnuFile"));
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(w.action("mnSeleziona")->text(), QStringLiteral("&Unselect All"));
    QVERIFY(!w.action("mnVEntry")->isEnabled());
    QCOMPARE(w.busyBox()->statusText(), QStringLiteral("[0.5000] Withdraw Cash"));
    popup->hide();

    // An unmarked node gets "&Select Level" back.
    clickRight(view, view->treeModel()->indexOf(actor));
    QCOMPARE(w.action("mnSeleziona")->text(), QStringLiteral("&Select Level"));
    w.shownPopup()->hide();
  }

  void viewFollowsTheCoreTree() {
    Window f;
    MainWindow& w = f.w;
    Tree& t = w.state().TV(kDesignTree);
    TreeModel* model = w.tv(kDesignTree)->treeModel();
    const NodeId root = t.addTop("Design Tree", "Design Tree", "package");
    t.addChild(root, "P1", "Banking", "package");
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->rowCount(model->indexOf(root)), 1);
    t.setText(t.find("P1"), "Bank");
    QCOMPARE(model->indexOf(t.find("P1")).data().toString(), QStringLiteral("Bank"));
    t.setBold(t.find("P1"), true);
    QVERIFY(model->indexOf(t.find("P1")).data(Qt::FontRole).value<QFont>().bold());
    w.state().runMenuItem("mnApriDesignTree");
    QVERIFY(w.tv(kDesignTree)->isExpanded(model->indexOf(root)));
    t.remove(t.find("P1"));
    QCOMPARE(model->rowCount(model->indexOf(root)), 0);
    t.beginBulkUpdate();
    t.clear();
    for (int i = 0; i < 100; ++i) t.addTop("K" + std::to_string(i), "n", "package");
    t.endBulkUpdate();
    QCOMPARE(model->rowCount(), 100);
    // A node without a name shows a placeholder; a long text scrolls sideways.
    const NodeId unnamed = t.addTop("EMPTY", "", "package");
    QCOMPARE(model->indexOf(unnamed).data().toString(), QStringLiteral("(no name)"));
    QVERIFY(t.node(unnamed).text.empty());
    const NodeId message = t.addTop("MSG", "    [1.2] ", "messaggio");
    QCOMPARE(model->indexOf(message).data().toString(), QStringLiteral("    [1.2] (no name)"));
    const std::string longText = std::string(300, 'x') + "  ((NTP:5))";
    const NodeId wide = t.addTop("WIDE", longText, "package");
    QCOMPARE(model->indexOf(wide).data(Qt::ToolTipRole).toString().toStdString(), longText);
    TreeView* view = w.tv(kDesignTree);
    view->resize(300, 200);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    view->scrollTo(model->indexOf(wide));
    QTRY_VERIFY(view->header()->sectionSize(0) > view->viewport()->width());
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
  }

  // Nothing hidden, nothing stale: the reader's warnings in the Problems
  // panel, each command's own text in the status bar, the Test
  // Specification tree marked out of date once test cases are taken back,
  // the scripts shown again after each generation, a whole tree expanded
  // in one change.
  void windowHidesNothingAndKeepsNothingStale() {
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(ZOV_EXAMPLES_DIR "/ATM.mdl"), dir.filePath(QStringLiteral("ATM.mdl"))));
    Window f;
    MainWindow& w = f.w;
    Generale& g = w.state();
    f.asker.files.push_back(dir.filePath(QStringLiteral("ATM.mdl")).toStdString());
    w.action("m_caricamdl")->trigger();
    QVERIFY(!g.problems().empty());
    QCOMPARE(g.problems().front().from, std::string("Load"));
    QVERIFY(g.problems().front().text.find("ATM-Services.cat") != std::string::npos);
    QVERIFY(w.problemsButton()->isVisibleTo(&w));
    QCOMPARE(w.problemsButton()->text(), QString::fromStdString(g.problemsText()));
    QVERIFY(!w.problemsDock()->isVisibleTo(&w));
    w.problemsButton()->click();
    QVERIFY(w.problemsDock()->isVisibleTo(&w));
    QCOMPARE(w.problemsList()->topLevelItemCount(), int(g.problems().size()));

    // "Expand &Main Tree": one reset of the view, every branch open.
    QSignalSpy resets(w.tv(kMainTree)->treeModel(), &QAbstractItemModel::modelReset);
    QVERIFY(g.runMenuItem(menu::kApri));
    QCOMPARE(resets.count(), 1);
    const Tree& main = g.TV(kMainTree);
    for (NodeId n = main.nextInCollection(kNoNode); n != kNoNode; n = main.nextInCollection(n))
      if (main.node(n).children > 0) QVERIFY(w.tv(kMainTree)->isExpanded(w.tv(kMainTree)->treeModel()->indexOf(n)));

    // The whole model: its load replaces the problems of the last one.
    f.load("ATM.mdl");
    QVERIFY(g.problems().empty());
    QVERIFY(!w.problemsButton()->isVisibleTo(&w));
    // "See All &Entry" says which showing of how many it went to.
    NodeId repeated = kNoNode;
    for (NodeId n = main.nextInCollection(kNoNode); n != kNoNode && repeated == kNoNode; n = main.nextInCollection(n))
      if (main.presentCount(std::string_view(main.node(n).key).substr(0, kIdentifierLength)) > 1) repeated = n;
    QVERIFY(repeated != kNoNode);
    g.TV(kMainTree).setSelected(repeated);
    g.seeAll();
    QVERIFY(QRegularExpression(QStringLiteral(": \\d+ of \\d+$")).match(w.statusText()->text()).hasMatch());
    // A command that changes something replaces the text of the last one.
    f.select("Customer/Withdraw Cash", 40);
    QVERIFY2(w.statusText()->text().startsWith(QStringLiteral("Leaves weights sum")),
             qPrintable(w.statusText()->text()));
    f.processCommand();
    // Loading the same test cases again says they were skipped.
    w.tabStrip()->setCurrentIndex(1);
    w.action("m_seqfromzov")->trigger();
    QVERIFY2(w.statusText()->text().contains(QStringLiteral("already in the UIT tree, skipped")),
             qPrintable(w.statusText()->text()));
    // No file manager: the status bar names the folder.
    g.onOpenFolder = [] { return false; };
    QVERIFY(g.runMenuItem(menu::kCartella));
    QVERIFY(w.statusText()->text().startsWith(QStringLiteral("No program here opens folders")));

    // The scripts shown follow each generation.
    w.tabStrip()->setCurrentIndex(2);
    w.action("m_alltestcases")->trigger();
    w.action("mnuTestSc")->trigger();
    const auto scriptsNow = [&g] {
      std::vector<std::string> all;
      for (int i = 1; i <= g.session.work().specification.table.count(); ++i)
        if (const auto lines = g.session.outputFolder()->readLines(ScriptName(i)))
          all.insert(all.end(), lines->begin(), lines->end());
      return all;
    };
    QCOMPARE(g.LB.items, scriptsNow());
    g.session.setSeed(g.session.seed() + 1);
    w.action("m_alltestcases")->trigger();
    QCOMPARE(g.LB.items, scriptsNow());
    QCOMPARE(w.lb()->count(), int(g.LB.items.size()));

    // Test cases taken back: the Test Specification tree is out of date and
    // the generation waits for "&Processing..." again.
    QVERIFY(w.specificationState()->isHidden());
    w.tabStrip()->setCurrentIndex(1);
    f.asker.answers.push_back(Answer::kOk);
    QVERIFY(g.runMenuItem(menu::kUnselectAll));
    QVERIFY(g.specificationOutOfDate());
    QVERIFY(!w.specificationState()->isHidden());
    QVERIFY(w.tabStrip()->tabText(2).contains(QStringLiteral("out of date")));
    QVERIFY(!g.reachable(menu::kAllTestCases));
    QVERIFY(!g.reachable(menu::kSelectedTest));
    w.action("m_selectall")->trigger();
    w.tabStrip()->setCurrentIndex(2);
    w.action("m_generazione")->trigger();
    QVERIFY(!g.specificationOutOfDate());
    QVERIFY(w.specificationState()->isHidden());
    QVERIFY(g.reachable(menu::kAllTestCases));

    // "Loading all &Sequence" that finds nothing says why: this model's
    // diagrams all belong to its use cases.
    f.asker.files.push_back(ZOV_TEST_DATA_DIR "/paths/nested-if-else.mdl");
    w.action("m_caricamdl")->trigger();
    g.loadTestCasesCommand(TestCaseSource::kAllDiagrams);
    QCOMPARE(w.statusText()->text(),
             QStringLiteral("No scenario diagram belongs to a package: use Loading from ZOV tree"));
  }

  // The status bar says what each command did; the keyboard reaches the
  // menus (F10, access keys) and finds nodes (Ctrl+F, F3).
  void feedbackAndKeyboard() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    f.load("ATM.mdl");
    QCOMPARE(w.statusText()->text(), QStringLiteral("Loaded ATM.mdl: 4 actors, 8 use cases, 6 scenario diagrams"));
    QVERIFY(w.folderText()->text().endsWith(QString::fromStdString(g.session.workFolder()->dir().string())));
    f.select("Customer/Withdraw Cash", 40);
    f.processCommand();
    QCOMPARE(w.statusText()->text(), QStringLiteral("Processing: 3 test cases, 9 paths, 9 documents"));
    w.action("mnuTestSc")->trigger();  // before a generation: one message
    QCOMPARE(f.asker.asked.back().text,
             std::string("There are no test scripts to show: run \"All Test Cases\" first."));
    w.action("m_alltestcases")->trigger();
    QVERIFY(QRegularExpression(QStringLiteral("^Generated \\d+ test procedures? in 30 scripts$"))
                .match(w.statusText()->text())
                .hasMatch());
    w.action("mnuPrintTS")->trigger();
    QCOMPARE(w.statusText()->text(), QStringLiteral("Printed the Test Scripts List"));

    // F10 opens the first working menu; an access key in an open menu runs its item.
    w.tabStrip()->setCurrentIndex(0);
    QCOMPARE(QApplication::activeWindow(), &w);  // the busy box gave the keyboard back
    w.tv(kMainTree)->setFocus();
    QTest::keyClick(&w, Qt::Key_F10);
    QTRY_VERIFY(w.menuBar()->activeAction() != nullptr);
    QCOMPARE(w.menuBar()->activeAction(), w.menu("m_file")->menuAction());
    QMenu* file = w.menu("m_file");
    QTRY_VERIFY(file->isVisible());
    int opened = 0;
    g.onOpenFolder = [&opened] {
      ++opened;
      return true;
    };
    QTest::keyClick(file, Qt::Key_W);
    QCOMPARE(opened, 1);
    QTRY_VERIFY(!file->isVisible());

    // Ctrl+F in the Main Tree: Enter finds the next node, F3 the one after.
    Tree& main = g.TV(kMainTree);
    w.tv(kMainTree)->setFocus();
    main.setSelected(main.at(1));
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w.findEdit()->isVisible());
    QVERIFY(w.findEdit()->hasFocus());
    QTest::keyClicks(w.findEdit(), QStringLiteral("withdraw"));
    QTest::keyClick(w.findEdit(), Qt::Key_Return);
    const NodeId first = main.selected();
    QVERIFY(main.node(first).text.view().find("Withdraw") != std::string_view::npos);
    QTest::keyClick(w.findEdit(), Qt::Key_F3);
    QVERIFY(main.selected() != first);
    QVERIFY(main.node(main.selected()).text.view().find("Withdraw") != std::string_view::npos);
    QVERIFY(w.tv(kMainTree)->currentIndex() == w.tv(kMainTree)->treeModel()->indexOf(main.selected()));
    // The matches come from top to bottom as the tree shows them: from the
    // first actor "Customer", its own child "Premium Customer" comes before
    // the top node "Premium Customer" that follows it.
    main.setSelected(main.firstRoot());
    const NodeId again = g.find(kMainTree, "customer");
    QVERIFY(again != kNoNode);
    QCOMPARE(main.node(again).parent, main.firstRoot());
    // Shift+F10 opens the pop-up of the current node.
    w.tv(kMainTree)->setFocus();
    QTest::keyClick(w.tv(kMainTree), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(w.shownPopup() != nullptr);
    QCOMPARE(w.shownPopup()->objectName(), QStringLiteral("mnuFile"));
    QTRY_VERIFY(w.shownPopup()->isVisible());
    w.shownPopup()->hide();
  }

  void busyBoxShowsTheStatus() {
    Window f;
    MainWindow& w = f.w;
    w.busyBox()->show();
    w.state().MostraMessaggio("Reading the use-case view");
    QCOMPARE(w.busyBox()->statusText(), QStringLiteral("Reading the use-case view"));
    QCOMPARE(w.busyBox()->windowTitle(), QStringLiteral("Wait Please..."));
    QVERIFY(w.busyBox()->isVisible());
    QTRY_VERIFY(w.busyBox()->ticks() > 0);
    // A progress figure: "3 of 6".
    w.busyBox()->setProgress(3, 6);
    QCOMPARE(w.busyBox()->bar()->text(), QStringLiteral("3 of 6"));
    w.busyBox()->hide();
    QVERIFY(!w.busyBox()->isVisible());
  }

  // "&Undo"/"&Redo" at the top of FILE take decisions back and again; the
  // busy box's Cancel leaves the window as it was before the command.
  void undoRedoAndCancel() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    const QList<QAction*> file = w.menuBar()->actions().front()->menu()->actions();
    QCOMPARE(file.at(0)->objectName(), QStringLiteral("m_undo"));
    QCOMPARE(file.at(0)->text(), QStringLiteral("&Undo"));
    QCOMPARE(file.at(0)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(file.at(1)->objectName(), QStringLiteral("m_redo"));
    QCOMPARE(file.at(1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    QVERIFY(!w.action("m_undo")->isEnabled());

    f.load("ATM.mdl");
    f.select("Customer/Withdraw Cash", 40);
    f.processCommand();
    const int specNodes = g.TV(kSpecTree).count();
    QVERIFY(specNodes > 0);
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" *")));
    QVERIFY(w.action("m_undo")->isEnabled());
    // What the tester opened in a view is no decision: undo leaves it open.
    TreeView* mainView = w.tv(kMainTree);
    const NodeId withdraw = FindByKeyOrPath(g.TV(kMainTree), "Customer/Withdraw Cash");
    mainView->collapseAll();
    mainView->expand(mainView->treeModel()->indexOf(withdraw));
    QVERIFY(g.TV(kMainTree).node(withdraw).expanded);
    w.action("m_undo")->trigger();
    QVERIFY(mainView->isExpanded(mainView->treeModel()->indexOf(withdraw)));
    QCOMPARE(g.TV(kSpecTree).count(), 0);
    QCOMPARE(w.tv(kSpecTree)->treeModel()->rowCount(), 0);
    QVERIFY2(w.statusText()->text().startsWith(QStringLiteral("Undone: Processing")),
             qPrintable(w.statusText()->text()));
    QVERIFY(w.action("m_redo")->isEnabled());
    QVERIFY(w.action("m_generazione")->isEnabled());
    w.action("m_redo")->trigger();
    QCOMPARE(g.TV(kSpecTree).count(), specNodes);
    QCOMPARE(w.tv(kSpecTree)->treeModel()->rowCount(), g.TV(kSpecTree).rootCount());
    QVERIFY(w.action("m_alltestcases")->isEnabled());

    // Undoing a generation: its scripts stay, the page says they may be stale.
    w.action("m_alltestcases")->trigger();
    w.action("m_undo")->trigger();
    auto* marker = w.findChild<QLabel*>(QStringLiteral("SpecState"));
    QVERIFY(marker->isVisibleTo(&w));
    QCOMPARE(marker->text(), QString::fromUtf8(Generale::kScriptsOutOfDateText.data()));
    QCOMPARE(w.statusText()->text(), QStringLiteral("Undone: All Test Cases"));
    // The scripts list stays: what the folder holds.
    w.action("m_redo")->trigger();
    w.action("mnuTestSc")->trigger();
    const std::size_t scripts = g.LB.items.size();
    QVERIFY(scripts > 0);
    w.action("m_undo")->trigger();
    QCOMPARE(g.LB.items.size(), scripts);

    // Cancel, pressed as soon as the busy box offers it.
    QTimer presser;
    presser.setInterval(0);
    connect(&presser, &QTimer::timeout, &w, [&] {
      if (w.busyBox()->cancelButton()->isEnabled()) w.busyBox()->cancelButton()->click();
    });
    presser.start();
    w.action("m_generazione")->trigger();
    QVERIFY2(w.statusText()->text().contains(QStringLiteral("was cancelled")), qPrintable(w.statusText()->text()));
    QCOMPARE(g.TV(kSpecTree).count(), specNodes);
    QVERIFY(!w.busyBox()->isVisible());
    f.load("Lending.mdl");
    QVERIFY(w.windowTitle().contains(QStringLiteral("ATM.mdl")));
    QCOMPARE(g.TV(kSpecTree).count(), specNodes);
    presser.stop();
    // Escape in the busy box asks to cancel only while it is offered.
    w.busyBox()->show();
    QVERIFY(!w.busyBox()->cancelButton()->isEnabled());
    QTest::keyClick(w.busyBox(), Qt::Key_Escape);
    QVERIFY(!w.busyBox()->cancelRequested());
    QVERIFY(w.busyBox()->isVisible());
    w.busyBox()->hide();
  }

  void loadMdlFileShowsTheModel() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    QVERIFY(w.action("m_caricamdl")->isEnabled());
    f.load("ATM.mdl");
    QVERIFY(w.windowTitle().startsWith(QStringLiteral("Zov Suite - ")));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("ATM.mdl")));
    // Every view shows its tree (what the trees hold: tests/golden/ATM-trees).
    for (int tree : {kMainTree, kUitTree, kSelectedTestCases, kNotLinkedTree, kDesignTree})
      QCOMPARE(w.tv(tree)->treeModel()->rowCount(), w.state().TV(tree).rootCount());
    TreeModel* main = w.tv(kMainTree)->treeModel();
    QCOMPARE(main->index(0, 0).data().toString(), QStringLiteral("[1.0000] Customer"));
    QVERIFY(!w.busyBox()->isVisible());
    QCOMPARE(f.asker.asked.size(), std::size_t{1});  // the file only: a complete load reports nothing

    // A file that is not a model: a message, and the loaded model stays.
    f.load("../README.md");
    QCOMPARE(QString::fromStdString(f.asker.asked.back().title), QStringLiteral("Zov Suite"));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("ATM.mdl")));
  }

  void nodeEditorShowsAndWritesTheWeight() {
    Tree t;
    const NodeId a = t.addTop("A", "[1.0000] A", "actor");
    t.setTag(a, CreaTag(0, 1.0f, 2, false));
    const NodeId b = t.addChild(a, "B", "[0.5000] B", "usecase");
    t.setTag(b, CreaTag(1, 0.5f, 0, false));
    const NodeId c = t.addChild(a, "C", "[0.5000] C", "usecase");
    t.setTag(c, CreaTag(1, 0.5f, 0, false));
    Edita e;
    e.show(t, b);
    NodeEditorDialog dialog(e, nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Selected node:"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Nome"))->text(), QStringLiteral("[0.5000] B"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Liv"))->text(), QStringLiteral("1"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("chiave"))->text(), QStringLiteral("B"));
    QCOMPARE(dialog.wei()->text(), QStringLiteral(".5"));
    QCOMPARE(dialog.bold()->text(), QStringLiteral("Selected:"));
    QVERIFY(!dialog.bold()->isChecked() && !e.closed());
    dialog.wei()->setText(QStringLiteral("0.7"));
    dialog.bold()->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QVERIFY(e.closed());
    QCOMPARE(QString::fromStdString(t.node(b).text.str()), QStringLiteral("[0.7000] B"));
    QCOMPARE(QString::fromStdString(t.node(c).text.str()), QStringLiteral("[0.3000] C"));
    QVERIFY(t.node(b).bold);

    // Cancel: nothing changes.
    e.show(t, c);
    NodeEditorDialog again(e, nullptr);
    again.show();
    again.wei()->setText(QStringLiteral("0.1"));
    QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    QVERIFY(e.closed());
    QVERIFY(!e.confirmed());
    QCOMPARE(QString::fromStdString(t.node(c).text.str()), QStringLiteral("[0.3000] C"));
  }

  void criterionDialogKeepsItsChoice() {
    CriterionSettings settings;
    CriterionDialog d(settings);
    ScriptedAsker asker;
    d.show();
    {
      NumTestDialog dialog(d, asker, nullptr);
      dialog.show();
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Test Case criterion"));
      QVERIFY(dialog.numTest()->isChecked());
      QVERIFY(dialog.nnTest()->isEnabled());
      QVERIFY(!dialog.percc()->isEnabled());
      QCOMPARE(dialog.nnTest()->text(), QStringLiteral("500"));
      QTest::mouseClick(dialog.coverage(), Qt::LeftButton);
      QVERIFY(dialog.coverage()->isChecked());
      QVERIFY(dialog.percc()->isEnabled());
      QVERIFY(!dialog.nnTest()->isEnabled());
      dialog.percc()->setText(QStringLiteral("99999"));
      QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Done")), Qt::LeftButton);
      QVERIFY(dialog.isVisible());  // refused: stays open with a message
      QCOMPARE(asker.asked.size(), std::size_t{1});
      QVERIFY(!d.finito);
      dialog.percc()->setText(QStringLiteral("80"));
      QVERIFY(!dialog.everyPath()->isChecked());
      QTest::keyClick(dialog.everyPath(), Qt::Key_Space);
      if (const QByteArray shots = qgetenv("ZOV_SCREENSHOTS"); !shots.isEmpty())
        dialog.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/criterion.png"));
      QVERIFY(dialog.everyPath()->isChecked());
      QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Done")), Qt::LeftButton);
      QVERIFY(!dialog.isVisible());
      QVERIFY(d.tastoOK);
    }
    QCOMPARE(int(settings.coverage), 80);
    QVERIFY(!settings.byNumber);
    QVERIFY(settings.everyPath);
    d.show();
    NumTestDialog next(d, asker, nullptr);
    QVERIFY(next.coverage()->isChecked());
    QVERIFY(next.everyPath()->isChecked());
    QCOMPARE(next.percc()->text(), QStringLiteral("80"));
    QTest::mouseClick(next.findChild<QPushButton*>(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(d.finito);
    QVERIFY(!d.tastoOK);
  }

  void uitMenuFillsTheUitTree() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    QVERIFY(!w.action("m_elencaseq")->isEnabled());  // off until a model is loaded
    QVERIFY(!w.action("m_nonconnessi")->isEnabled());
    f.load("Lending.mdl");
    w.tabStrip()->setCurrentIndex(1);
    QVERIFY(w.action("m_loadingDT")->isEnabled());
    QVERIFY(w.action("m_elencaseq")->isEnabled());
    QVERIFY(w.action("m_nonconnessi")->isEnabled());
    w.action("m_loadingDT")->trigger();
    TreeModel* uit = w.tv(kUitTree)->treeModel();
    const QModelIndex root = uit->index(0, 0);
    QCOMPARE(uit->rowCount(root), 1);
    QCOMPARE(uit->index(0, 0, root).data().toString(), QStringLiteral("Stocktaking"));
    QVERIFY(w.state().menus.find(menu::kGenerazione)->enabled);  // "&Processing..." now on
    QVERIFY(!w.state().menus.find(menu::kSelectAll)->enabled);   // but nothing to pick all of
  }

  void specificationEditorsInTheWindow() {
    Window f;
    Generale& g = f.w.state();
    f.load("Lending.mdl");
    // "Borrow - main" selected with 9 procedures, then "&Processing...".
    Handle diagram;
    for (Handle u : g.session.model()->AllUseCases(g.session.openModelHandle()))
      for (Handle d : g.session.model()->ScenarioDiagrams(u))
        if (g.session.model()->Identifier(d) == "5B1000000040") diagram = d;
    const std::string text = "[0.4615] Borrow - main  ((NTP:9))";
    g.session.model()->SetName(diagram, text);
    g.TV(kSelectedTestCases).addChild("Selected Item", "5B1000000040", text, "sequence");
    g.processCommand();
    Tree& spec = g.TV(kSpecTree);
    const NodeId x = FindByKeyOrPath(spec, "SD1./TestCase 1/open/x");
    QVERIFY(x != kNoNode);
    QVERIFY(g.session.openCategory(x));
    {
      FormIntervallo form(g.session.settingsEditor, nullptr);
      form.show();
      QCOMPARE(form.windowTitle(), QStringLiteral("Test Specification for x"));
      QCOMPARE(form.defaultList()->count(), 1);
      QCOMPARE(form.defaultList()->item(0)->text(), QStringLiteral("No values"));  // type long
      QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Note"))->text(),
               QStringLiteral("an object of class long. See the implementation."));
      // Typed first, then "Insert your own values": the typed text stays.
      form.valueEdit()->setText(QStringLiteral("5"));
      QTest::mouseClick(form.ownValuesOption(), Qt::LeftButton);
      QCOMPARE(form.valueEdit()->text(), QStringLiteral("5"));
      form.propertiesEdit()->setText(QStringLiteral("busy,open"));
      form.selectorsEdit()->setText(QStringLiteral("ready"));
      QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Add")), Qt::LeftButton);
      QCOMPARE(form.choiceList()->item(0)->text(), QStringLiteral("5  [Property  busy,open] [if ready]"));
      QVERIFY(form.valueEdit()->text().isEmpty());
      // Enter in a text box adds the value and keeps the editor open.
      form.valueEdit()->setText(QStringLiteral("6"));
      form.selectorsEdit()->setText(QStringLiteral("idle"));
      QTest::keyClick(form.selectorsEdit(), Qt::Key_Return);
      QVERIFY(form.isVisible());
      QCOMPARE(form.choiceList()->count(), 2);
      QCOMPARE(form.choiceList()->item(1)->text(), QStringLiteral("6[if idle]"));
      // The check of an own value marks it invalid; OK keeps the mark.
      form.choiceList()->item(1)->setCheckState(Qt::Checked);
      QCOMPARE(form.choiceList()->item(1)->text(), QStringLiteral("~6[if idle]"));
      QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
      QVERIFY(!form.isVisible());
    }
    QCOMPARE(g.session.settingsEditor.record()->choices[1].value, std::string("~6"));
    QCOMPARE(int(g.session.settingsEditor.record()->choiceCount), 2);
    QVERIFY(g.session.settingsEditor.record()->edited);

    const NodeId open = FindByKeyOrPath(spec, "SD1./TestCase 1/open");
    g.session.closeCategory();  // the form before confirmed or cancelled it
    QVERIFY(g.session.openCategory(open));
    FormInteractions form(g.session.interactionsEditor, nullptr);
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Test Specification for open"));
    QVERIFY(form.defaultsOption()->isChecked());
    QTest::mouseClick(form.ownValuesOption(), Qt::LeftButton);
    form.valueEdit()->setText(QStringLiteral("fast"));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Add")), Qt::LeftButton);
    QCOMPARE(form.choiceList()->count(), 1);
    // "Invalid" adds the value with its mark, then clears itself.
    form.valueEdit()->setText(QStringLiteral("stuck"));
    QTest::keyClick(form.invalid(), Qt::Key_Space);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Add")), Qt::LeftButton);
    QCOMPARE(form.choiceList()->item(1)->text(), QStringLiteral("~stuck"));
    QVERIFY(!form.invalid()->isChecked());
    QCOMPARE(form.choiceList()->item(1)->checkState(), Qt::Checked);
    // Each own value's check marks it, or takes the mark away.
    form.choiceList()->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(form.choiceList()->item(0)->text(), QStringLiteral("~fast"));
    form.choiceList()->item(1)->setCheckState(Qt::Unchecked);
    QCOMPARE(form.choiceList()->item(1)->text(), QStringLiteral("stuck"));
    if (const QByteArray shots = qgetenv("ZOV_SCREENSHOTS"); !shots.isEmpty())
      form.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/interactions-editor.png"));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!g.session.interactionsEditor.record()->edited);
    // Enter adds; Ctrl+Enter is OK.
    g.session.closeCategory();  // the form before confirmed or cancelled it
    QVERIFY(g.session.openCategory(open));
    FormInteractions again(g.session.interactionsEditor, nullptr);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.valueEdit()->setText(QStringLiteral("slow"));
    QTest::mouseClick(again.ownValuesOption(), Qt::LeftButton);
    QCOMPARE(again.valueEdit()->text(), QStringLiteral("slow"));
    QTest::keyClick(again.valueEdit(), Qt::Key_Return);
    QVERIFY(again.isVisible());
    QCOMPARE(again.choiceList()->count(), 1);
    QTest::keyClick(again.valueEdit(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!again.isVisible());
    QVERIFY(g.session.interactionsEditor.record()->edited);
    QCOMPARE(g.session.interactionsEditor.record()->ownChoices[0], std::string("slow"));

    // A value still in the box when OK comes (Ctrl+Enter) is added first.
    g.session.closeCategory();  // the form before confirmed or cancelled it
    QVERIFY(g.session.openCategory(open));
    {
      FormInteractions typed(g.session.interactionsEditor, nullptr);
      typed.show();
      QVERIFY(QTest::qWaitForWindowExposed(&typed));
      QTest::mouseClick(typed.ownValuesOption(), Qt::LeftButton);
      typed.valueEdit()->setText(QStringLiteral("quick"));
      QTest::keyClick(typed.valueEdit(), Qt::Key_Return, Qt::ControlModifier);
      QVERIFY(!typed.isVisible());
    }
    const MessageRecord* m = g.session.interactionsEditor.record();
    QVERIFY(std::find(m->ownChoices.begin(), m->ownChoices.end(), "quick") != m->ownChoices.end());
    // Enter with the default values chosen says how to add one's own.
    g.session.closeCategory();  // the form before confirmed or cancelled it
    QVERIFY(g.session.openCategory(open));
    FormInteractions defaults(g.session.interactionsEditor, nullptr);
    defaults.show();
    QVERIFY(QTest::qWaitForWindowExposed(&defaults));
    QTest::mouseClick(defaults.defaultsOption(), Qt::LeftButton);
    defaults.valueEdit()->setText(QStringLiteral("lost"));
    const int choices = defaults.choiceList()->count();
    QString said;
    QTimer::singleShot(0, [&said] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        said = box->text();
        box->accept();
      }
    });
    QTest::keyClick(defaults.valueEdit(), Qt::Key_Return);
    QVERIFY2(said.contains(QStringLiteral("Insert your own values")), qPrintable(said));
    QCOMPARE(defaults.choiceList()->count(), choices);
  }

  // The model's open dialog offers the encoding of a file that does not
  // say its own, named for screen readers, and gives back the choice.
  void openModelOffersAnEncoding() {
    QtAsker asker(nullptr);
    const QString model = QDir(QStringLiteral(ZOV_EXAMPLES_DIR)).absoluteFilePath(QStringLiteral("ATM.mdl"));
    QString accessible, offered;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("encoding"));
      if (combo == nullptr) return dialog->reject();
      accessible = combo->accessibleName();
      offered = combo->currentText();
      combo->setCurrentText(QStringLiteral("windows-1251"));
      dialog->selectFile(model);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the file
    });
    std::string encoding;
    const auto path = asker.openModelFile("Load MDL File", kModelFilter, ZOV_EXAMPLES_DIR, encoding);
    QVERIFY(path.has_value());
    QCOMPARE(QFileInfo(QString::fromStdString(*path)).canonicalFilePath(), QFileInfo(model).canonicalFilePath());
    QCOMPARE(accessible, QStringLiteral("Encoding"));
    QCOMPARE(offered, QStringLiteral("As the file says"));
    QCOMPARE(encoding, std::string("windows-1251"));
  }

  // The export asks for its formats with one check box each, and offers
  // the last choice again the next time.
  void exportFormatsAreAskedAndRemembered() {
    QCoreApplication::setOrganizationName(QStringLiteral("Zov Suite Tests"));
    QSettings().remove(QStringLiteral("Export Test"));
    QtAsker asker(nullptr);
    std::vector<std::pair<std::string, bool>> options = FormatChoices(Formats{});
    QStringList shown;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) shown << box->text();
      dialog->findChild<QCheckBox*>(QStringLiteral("testrail-xml"))->setChecked(true);
      dialog->accept();
    });
    QVERIFY(asker.chooseOptions("&Export Test...", options));
    QCOMPARE(shown.size(), 8);
    Formats chosen;
    SetFormatChoices(chosen, options);
    QVERIFY(chosen.testrail && chosen.text && !chosen.html);
    std::vector<std::pair<std::string, bool>> again = FormatChoices(Formats{});
    bool offered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      offered = dialog->findChild<QCheckBox*>(QStringLiteral("testrail-xml"))->isChecked();
      dialog->reject();
    });
    QVERIFY(!asker.chooseOptions("&Export Test...", again));
    QVERIFY(offered);
    QSettings().remove(QStringLiteral("Export Test"));
  }

  // A new model throws away the test specification and the scripts of the
  // one before: nothing of it can be generated, shown or printed.
  void anotherModelLeavesNothingOfThePrevious() {
    Window f;
    MainWindow& w = f.w;
    Generale& g = w.state();
    f.load("Lending.mdl");
    g.TV(kSelectedTestCases).addChild("Selected Item", "5B1000000040", "[0.4615] Borrow - main  ((NTP:9))", "sequence");
    g.processCommand();
    g.generateAll();
    // The generation shows where its procedures went, in a window that
    // stays beside the main one; the menu shows it again.
    QVERIFY(w.planReport() != nullptr && w.planReport()->isVisible());
    QVERIFY(w.planReport()->text().contains(QStringLiteral("SD1 Borrow - main")));
    QVERIFY(w.action("mnPlanReport")->isEnabled());
    w.planReport()->close();
    w.action("mnPlanReport")->trigger();
    QVERIFY(w.planReport()->isVisible());
    g.showScripts();
    QVERIFY(!g.LB.items.empty());
    QVERIFY(g.reachable(menu::kAllTestCases));
    QVERIFY(w.action("mnuTestSc")->isEnabled());
    f.load("ATM.mdl");
    QVERIFY(!w.action("mnPlanReport")->isEnabled());
    QCOMPARE(g.TV(kSpecTree).count(), 0);
    QVERIFY(g.LB.items.empty());
    QCOMPARE(g.session.work().specification.table.count(), 0);
    QVERIFY(!g.reachable(menu::kAllTestCases));
    QVERIFY(!w.action("mnuTestSc")->isEnabled());
    QVERIFY(!w.action("mnuPrintTC")->isEnabled() || !g.menus.find(menu::kPrint)->enabled);
  }

  // A whole session in the window: the pop-ups of choices and of selected
  // test cases, Delete on a choice, Ctrl-click and "&Selected Test Cases",
  // saved, exported, and loaded into a new window to the same results;
  // "zov plan --session" writes the export's files byte for byte.
  void sessionMadeInTheWindow() {
    const auto dir = std::filesystem::temp_directory_path() / ("zov-shell-session-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string session = (dir / "work.zov").string();
    QStringList specTexts;
    std::vector<std::string> script;
    std::size_t specFiles = 0;
    {
      Window f;
      QVERIFY(f.show());
      MainWindow& w = f.w;
      Generale& g = w.state();
      ScriptedAsker& asker = f.asker;
      g.session.setSeed(7);
      f.load("Lending.mdl");
      f.select("Member/Borrow Book", 30);
      QVERIFY(w.windowTitle().endsWith(QStringLiteral(" *")));
      f.processCommand();
      // The selected test cases' pop-up takes one back (for the next processing).
      TreeView* chosen = w.tv(kSelectedTestCases);
      const int picked = chosen->treeModel()->rowCount(chosen->treeModel()->index(0, 0));
      QVERIFY(picked >= 3);
      const QModelIndex last = chosen->treeModel()->index(picked - 1, 0, chosen->treeModel()->index(0, 0));
      clickRight(chosen, last);
      QCOMPARE(w.shownPopup()->objectName(), QStringLiteral("m_popupSel"));
      w.shownPopup()->hide();
      w.action("m_popupSelrem")->trigger();
      QCOMPARE(chosen->treeModel()->rowCount(chosen->treeModel()->index(0, 0)), picked - 1);
      // Taken back after processing: the generation waits for the next one.
      QVERIFY(!g.reachable(menu::kAllTestCases));
      w.tabStrip()->setCurrentIndex(2);
      w.action("m_generazione")->trigger();
      QVERIFY(g.reachable(menu::kAllTestCases));
      Tree& spec = g.TV(kSpecTree);
      const NodeId x = FindByKeyOrPath(spec, "SD1./TestCase 1/open/x");
      QVERIFY(x != kNoNode);
      spec.setSelected(x);
      asker.settings.push_back([](SettingsEditor& e) {
        e.chooseOwnValues();
        for (const char* v : {"1", "2", "3"}) {
          e.value = v;
          e.add();
        }
        e.ok();
      });
      w.action("m_popupAspec")->trigger();
      // On a choice the pop-up offers only "&Remove"; Delete does the same.
      TreeView* view = w.tv(kSpecTree);
      const NodeId list = spec.find(std::string(spec.node(x).key) + " Choices");
      QVERIFY(list != kNoNode);
      for (NodeId p = list; p != kNoNode; p = spec.node(p).parent) spec.setExpanded(p, true);
      clickRight(view, view->treeModel()->indexOf(spec.childAt(list, 0)));
      QCOMPARE(w.shownPopup()->objectName(), QStringLiteral("m_popupA"));
      QVERIFY(w.action("m_popupArem")->isEnabled());
      QVERIFY(!w.action("m_popupAspec")->isEnabled());
      w.shownPopup()->hide();
      w.action("m_popupArem")->trigger();
      view->setCurrentIndex(view->treeModel()->indexOf(spec.childAt(list, 1)));
      QTest::keyClick(view, Qt::Key_Delete);
      QCOMPARE(spec.node(list).children, 1);
      QCOMPARE(QString::fromStdString(spec.node(spec.childAt(list, 0)).text.str()), QStringLiteral("2"));
      // Two test cases by Ctrl-click; only their scripts are generated.
      view->clearSelection();
      view->collapseAll();
      const int tops = view->treeModel()->rowCount();
      QVERIFY(tops >= 2);
      std::set<int> wanted;
      for (int row : {0, tops - 1}) {
        const QModelIndex top = view->treeModel()->index(row, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, view->visualRect(top).center());
        wanted.insert(
            g.session.work().specification.cases.at(std::string(spec.node(view->treeModel()->nodeOf(top)).key)));
      }
      QCOMPARE(g.highlightedNodes.size(), std::size_t{2});
      QVERIFY(w.action("m_selectedtest")->isEnabled());
      w.action("m_selectedtest")->trigger();
      QVERIFY(g.session.work().specification.table.count() > static_cast<int>(wanted.size()));
      for (int i = 1; i <= g.session.work().specification.table.count(); ++i)
        QCOMPARE(g.session.workFolder()->created("TestScript" + std::to_string(i) + ".txt"), wanted.count(i) == 1);
      script = g.session.workFolder()->readLines("TestScript1.txt").value_or(std::vector<std::string>());
      QVERIFY(script.size() > 5);
      for (NodeId id : spec.collection()) specTexts << QString::fromStdString(spec.node(id).text.str());
      specFiles = g.session.workFolder()->files(CreatedList::kScripts).size();
      // Saved: the '*' goes; exported with every form.
      asker.files.push_back(session);
      w.action("m_savezov")->trigger();
      QVERIFY(!w.windowTitle().endsWith(QStringLiteral(" *")));
      asker.files.push_back((dir / "export").string());
      w.action("m_esporta")->trigger();
      QVERIFY(QString::fromStdString(asker.asked.back().text).startsWith(QStringLiteral("Exported ")));
    }
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    Generale& g = w.state();
    ScriptedAsker& asker = f.asker;
    asker.files.push_back(session);
    w.action("m_caricazov")->trigger();
    QStringList texts;
    for (NodeId id : g.TV(kSpecTree).collection()) texts << QString::fromStdString(g.TV(kSpecTree).node(id).text.str());
    QCOMPARE(texts, specTexts);
    QCOMPARE(g.session.workFolder()->readLines("TestScript1.txt").value_or(std::vector<std::string>()), script);
    QCOMPARE(g.session.workFolder()->files(CreatedList::kScripts).size(), specFiles);
    {
      // A session given on the command line (as the desktop opens a .zov
      // file) is replayed, not read as a model.
      Window opened;
      opened.w.openFile(session);
      QStringList again;
      const Tree& tree = opened.w.state().TV(kSpecTree);
      for (NodeId id : tree.collection()) again << QString::fromStdString(tree.node(id).text.str());
      QCOMPARE(again, specTexts);
      QVERIFY(opened.asker.asked.empty());
    }

    // The command line writes the same files as the window's export.
    QProcess zov;
    zov.start(QStringLiteral(ZOV_CLI),
              {QStringLiteral("plan"), QStringLiteral("--session"), QString::fromStdString(session),
               QStringLiteral("--format"), QStringLiteral("text,csv,json"), QStringLiteral("--seed"),
               QStringLiteral("7"), QStringLiteral("--out"), QString::fromStdString((dir / "cli").string())});
    QVERIFY(zov.waitForFinished(60000));
    QCOMPARE(zov.exitCode(), 0);
    const auto files = [](const std::filesystem::path& d) {
      std::map<std::string, std::string> content;
      for (const auto& e : std::filesystem::directory_iterator(d)) {
        if (e.path().filename() == ".zov-plan" || e.path().filename() == ".zov-lock") continue;
        std::ifstream in(e.path(), std::ios::binary);
        content[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
      }
      return content;
    };
    const auto exported = files(dir / "export");
    QVERIFY(exported.count("procedures.csv") == 1 && exported.count("plan.json") == 1);
    QVERIFY(exported == files(dir / "cli"));

    // A change, then closing: Cancel keeps the window, No closes it.
    g.TV(kMainTree).setSelected(FindByKeyOrPath(g.TV(kMainTree), "Member/Return Book"));
    asker.criteria.push_back([](CriterionDialog& d) { d.done(); });
    w.action("mnSeleziona")->trigger();
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" *")));
    asker.answers = {Answer::kCancel};
    w.close();
    QVERIFY(w.isVisible());
    QCOMPARE(asker.asked.back().text, std::string("Save changes?"));
    asker.answers = {Answer::kNo};
    w.close();
    QVERIFY(!w.isVisible());
    std::filesystem::remove_all(dir);
  }

  void exitDeletesTheCreatedFiles() {
    std::filesystem::path dir;
    {
      MainWindow w;
      w.loadWindow();
      w.show();
      WorkFolder* work = w.state().session.workFolder();
      QVERIFY(work != nullptr);
      dir = work->dir();
      std::string error;
      work->create("collegamenti.txt", CreatedList::kLoad, &error) << "x\n";
      work->create("TestScript1.txt", CreatedList::kScripts, &error) << "x\n";
      w.action("m_uscita")->trigger();
      QVERIFY(!w.isVisible());
      QVERIFY(std::filesystem::is_empty(dir));
    }
    QVERIFY(!std::filesystem::exists(dir));  // the private folder goes too
  }

  // Long lines of a printed list wrap at a blank, indented like the line,
  // or at the character that no longer fits; none is wider than the page.
  void longLinesWrapToThePageWidth() {
    const QFontMetricsF fm(PrintFont());
    const qreal ten = fm.horizontalAdvance(QStringLiteral("aaaa bbbbb"));
    // Room for ten characters and a half: the break is at the last blank.
    QCOMPARE(WrapLine(QStringLiteral("  aaaa bbbb cc dd"), fm, ten + fm.averageCharWidth() / 2),
             QStringList({QStringLiteral("  aaaa"), QStringLiteral("  bbbb cc"), QStringLiteral("  dd")}));
    // No blank in reach: the break is at the character that does not fit.
    QCOMPARE(WrapLine(QStringLiteral("abcdefghijklmnopqrstuvwxy"), fm, ten + fm.averageCharWidth() / 4),
             QStringList({QStringLiteral("abcdefghij"), QStringLiteral("klmnopqrst"), QStringLiteral("uvwxy")}));
    // A line that fits, and an empty one, stay as they are.
    QCOMPARE(WrapLine(QStringLiteral("  aaaa"), fm, ten), QStringList({QStringLiteral("  aaaa")}));
    QCOMPARE(WrapLine(QString(), fm, ten), QStringList({QString()}));

    // 300 characters printed into a PDF file.
    QString words;
    for (int i = 0; words.size() < 300; ++i) words += QStringLiteral("step%1 ").arg(i);
    const QString line = QStringLiteral("    ") + words.left(296);
    QCOMPARE(line.size(), 300);
    const std::string solid(300, 'x');
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("list.pdf")));
    const Pagination layout = DrawPages(printer, {line.toStdString(), "end", solid});
    QVERIFY(layout.painted);
    const QFontMetricsF printed(PrintFont(), &printer);
    const qreal width = printer.pageLayout().paintRectPixels(printer.resolution()).width();
    QCOMPARE(layout.width, width);
    QCOMPARE(layout.pages.size(), 1);
    const QStringList lines = layout.pages.front();
    const qsizetype end = lines.indexOf(QStringLiteral("end"));
    QVERIFY2(end >= 3, qPrintable(lines.join(QLatin1Char('|'))));  // the line took several lines
    QVERIFY(lines.size() - end - 1 >= 2);                          // and so did the solid one
    for (const QString& l : lines) QVERIFY2(printed.horizontalAdvance(l) <= width, qPrintable(l));
    // The words in order, none cut, every piece indented by four blanks.
    QStringList again;
    for (qsizetype i = 0; i < end; ++i) {
      QVERIFY(lines[i].startsWith(QStringLiteral("    ")) && lines[i][4] != QLatin1Char(' '));
      again << lines[i].trimmed();
    }
    QCOMPARE(again.join(QLatin1Char(' ')), line.trimmed());
    // The solid line is cut where the page ends, and loses nothing.
    QCOMPARE(lines.mid(end + 1).join(QString()), QString::fromStdString(solid));
    QVERIFY(printed.horizontalAdvance(lines[end + 1] + QLatin1Char('x')) > width);
    QFile pdf(printer.outputFileName());
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
  }

  // Without a printer the preview still shows the pages, and they go to a
  // PDF file; with one, the print dialog is offered.
  void printPreviewWithAndWithoutAPrinter() {
    std::vector<std::string> lines;
    for (int i = 1; i <= 40; ++i) {
      lines.push_back("Test Procedure " + std::to_string(i));
      lines.push_back("    " + std::to_string(i) +
                      ". Customer sends insertCard(cardNumber, pin) to the ATM; the ATM asks the Bank to check the "
                      "card and shows the main menu with the services of the account");
      lines.push_back("        expected: " + std::string(static_cast<std::size_t>(i % 4) * 30, '-') + " amount " +
                      std::to_string(i * 20) + " dispensed");
    }
    PrintView preview(QStringLiteral("Test Scripts List"), lines, false);
    QCOMPARE(preview.printButton()->text(), QStringLiteral("Save as &PDF..."));
    preview.resize(1024, 768);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    preview.preview()->updatePreview();
    QVERIFY(preview.preview()->pageCount() >= 2);
    QCOMPARE(preview.preview()->pageCount(), preview.pagination().pages.size());
    qsizetype printedLines = 0;
    for (const QStringList& page : preview.pagination().pages) printedLines += page.size();
    QVERIFY(printedLines > static_cast<qsizetype>(lines.size()));  // the long ones wrapped
    if (const QByteArray shots = qgetenv("ZOV_SCREENSHOTS"); !shots.isEmpty()) {
      preview.preview()->fitToWidth();
      QTest::qWait(50);
      preview.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/print-preview.png"));
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Test Scripts List.pdf"));
    QVERIFY(preview.savePdf(file));
    QFile pdf(file);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(!preview.savePdf(dir.filePath(QStringLiteral("no/such/folder/x.pdf"))));
    QCOMPARE(preview.target(), file);  // "Printed the ... to <file>" names where the pages went
    PrintView withPrinter(QStringLiteral("Test Cases List"), lines, true);
    QCOMPARE(withPrinter.printButton()->text(), QStringLiteral("&Print..."));
  }

  // After a coverage selection on ATM, "Usage C&hart..." opens the chart:
  // the leaves by weight, the cut marked and the leaves below it greyed;
  // PNG and SVG exports write files that open.
  void usageChartAfterACoverageSelection() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    ScriptedAsker& asker = f.asker;
    f.load("ATM.mdl");
    QVERIFY(!w.action("m_grafico")->isEnabled());
    Tree& main = w.state().TV(kMainTree);
    main.setSelected(FindByKeyOrPath(main, "Customer/Withdraw Cash/Authenticate"));
    asker.criteria.push_back([](CriterionDialog& d) {
      d.chooseCoverage();
      d.Percc = "80";
      d.done();
    });
    asker.inputs.push_back("30");
    w.action("mnSeleziona")->trigger();
    w.tabStrip()->setCurrentIndex(1);
    QVERIFY(w.action("m_grafico")->isEnabled());
    QCOMPARE(w.action("m_grafico")->text(), QStringLiteral("Usage C&hart..."));

    QTemporaryDir dir;
    QString title;
    UsageChartData chart;
    ChartLayout layout;
    QImage shown;
    bool png = false, svg = false, unwritable = true;
    QTimer::singleShot(0, &w, [&] {
      auto* dialog = qobject_cast<UsageChartDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      dialog->resize(1024, 768);
      QCoreApplication::processEvents();
      title = dialog->windowTitle();
      UsageChartView* view = dialog->view();
      chart = view->chart();
      layout = view->lay(view->width());
      shown = view->grab().toImage();
      png = view->exportPng(dir.filePath(QStringLiteral("chart.png")));
      svg = view->exportSvg(dir.filePath(QStringLiteral("chart.svg")));
      unwritable = view->exportSvg(dir.filePath(QStringLiteral("no/such/folder/chart.svg")));
      if (const QByteArray shots = qgetenv("ZOV_SCREENSHOTS"); !shots.isEmpty())
        dialog->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/usage-chart.png"));
      dialog->accept();
    });
    w.action("m_grafico")->trigger();
    QCOMPARE(title, QStringLiteral("Usage Chart - ATM.mdl"));

    // The leaves in weight order, as the rows show them.
    QCOMPARE(layout.rows.size(), static_cast<qsizetype>(chart.leaves.size()));
    QCOMPARE(layout.rows.size(), 8);
    QCOMPARE(layout.rows[0].label, QStringLiteral("Authenticate"));
    QCOMPARE(layout.rows[1].label, QStringLiteral("Deposit envelope"));
    for (qsizetype i = 1; i < layout.rows.size(); ++i) {
      QVERIFY(chart.leaves[static_cast<std::size_t>(i - 1)].weight >= chart.leaves[static_cast<std::size_t>(i)].weight);
      QVERIFY(layout.rows[i - 1].row.bottom() <= layout.rows[i].row.top());
      QVERIFY(layout.rows[i - 1].weightBarRect.width() >= layout.rows[i].weightBarRect.width());
    }
    // Each bar on its own scale, within its panel.
    for (const auto& r : layout.rows) {
      QVERIFY(layout.weightPanel.contains(r.weightBarRect.topLeft()) &&
              r.weightBarRect.right() < layout.weightPanel.right());
      QVERIFY(r.proceduresBar.right() < layout.proceduresPanel.right());
    }
    QVERIFY(layout.rows[0].proceduresBar.width() > 0);

    // The cut: after the two leaves inside, a red line; the rest greyed.
    QCOMPARE(chart.inside, std::size_t{2});
    QVERIFY(layout.cutY.has_value());
    QVERIFY(*layout.cutY > layout.rows[1].row.bottom() && *layout.cutY < layout.rows[2].row.top());
    for (qsizetype i = 0; i < layout.rows.size(); ++i) QCOMPARE(layout.rows[i].belowCut, i >= 2);
    int red = 0;
    const int lineY = static_cast<int>(*layout.cutY);
    for (int x = 20; x < shown.width() - 20; ++x)
      for (int y = lineY - 1; y <= lineY + 1; ++y) {
        const QColor c = shown.pixelColor(x, y);
        red += c.red() > 150 && c.green() < 100 && c.blue() < 100 ? 1 : 0;
      }
    QVERIFY2(red > shown.width() / 2, qPrintable(QString::number(red)));
    const auto colourAt = [&shown](const QRectF& bar) { return shown.pixelColor(bar.center().toPoint()); };
    QCOMPARE(colourAt(layout.rows[0].weightBarRect), QColor(0x2e, 0x6f, 0xb7));
    QCOMPARE(colourAt(layout.rows[0].proceduresBar), QColor(0xe0, 0x7b, 0x1a));
    QCOMPARE(colourAt(layout.rows[2].weightBarRect), QColor(0xbd, 0xbd, 0xbd));

    // The exports.
    QVERIFY(png && svg && !unwritable);
    QImage image;
    QVERIFY(image.load(dir.filePath(QStringLiteral("chart.png"))));
    QCOMPARE(image.size(), layout.size.toSize());
    QFile file(dir.filePath(QStringLiteral("chart.svg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("<?xml"));
    QVERIFY(text.contains("<svg"));
    QVERIFY(text.contains("Authenticate") && text.contains("below the cut"));

    // "&Unselect All" takes the chart away.
    w.tabStrip()->setCurrentIndex(0);
    main.setSelected(FindByKeyOrPath(main, "Customer/Withdraw Cash/Authenticate"));
    asker.answers = {Answer::kOk};
    w.action("mnSeleziona")->trigger();
    QVERIFY(!w.action("m_grafico")->isEnabled());
  }

  // A screen reader names every control that takes the keyboard, in the
  // main window and in each dialog.
  void everyControlHasAnAccessibleName() {
    Window f;
    QVERIFY(f.show());
    f.load("ATM.mdl");
    f.select("Customer/Withdraw Cash", 40);
    f.processCommand();
    // A node's colours in words: its description, and its tooltip.
    {
      const QModelIndex selected =
          f.w.tv(kMainTree)->treeModel()->indexOf(FindByKeyOrPath(f.w.state().TV(kMainTree), "Customer/Withdraw Cash"));
      QCOMPARE(selected.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("level selected"));
      QVERIFY(selected.data(Qt::ToolTipRole).toString().endsWith(QStringLiteral(" (level selected)")));
      // ... and a mark on its icon, which a node of the same kind in no state lacks.
      const QModelIndex plain = f.w.tv(kMainTree)->treeModel()->indexOf(
          FindByKeyOrPath(f.w.state().TV(kMainTree), "Operator/Refill Machine"));
      QCOMPARE(plain.data(Qt::AccessibleDescriptionRole).toString(), QString());
      const QImage marked = selected.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
      const QImage unmarked = plain.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
      QVERIFY(!marked.isNull() && marked != unmarked);
    }
    QStringList unnamed;
    const auto check = [&unnamed](QWidget* w, const QString& which) {
      w->show();
      for (const QString& u : Unnamed(w)) unnamed << which + ": " + u;
      for (const QString& u : FocusNotShown(w)) unnamed << which + ", focus not shown: " + u;
      // A dialog takes Tab as it reads.
      if (qobject_cast<QDialog*>(w) != nullptr)
        for (const QString& u : OutOfReadingOrder(w)) unnamed << which + ", Tab out of reading order: " + u;
    };
    // The details pane and the Problems panel shown too.
    for (const char* dock : {"Details", "Problems"}) f.w.findChild<QDockWidget*>(QLatin1String(dock))->show();
    for (int tab = 0; tab < f.w.tabStrip()->count(); ++tab) {
      f.w.tabStrip()->setCurrentIndex(tab);
      check(&f.w, QStringLiteral("main window, page %1").arg(tab));
    }
    Tree t;
    const NodeId a = t.addTop("A", "[1.0000] A", "actor");
    t.setTag(a, CreaTag(0, 1.0f, 0, false));
    Edita e;
    e.show(t, a);
    NodeEditorDialog node(e, nullptr);
    check(&node, QStringLiteral("node editor"));
    CriterionSettings settings;
    CriterionDialog criterion(settings);
    criterion.show();
    NumTestDialog num(criterion, f.asker, nullptr);
    check(&num, QStringLiteral("criterion dialog"));
    Form2 start;
    check(&start, QStringLiteral("start-up"));
    AboutDialog about(nullptr);
    check(&about, QStringLiteral("about"));
    PlanReportDialog report(nullptr);
    check(&report, QStringLiteral("plan report"));
    PrintView preview(QStringLiteral("Test Cases List"), {"a line"}, false);
    check(&preview, QStringLiteral("print preview"));
    UsageChartDialog chart(ComputeUsageChart(f.w.state().TV(kSelectionTree), f.w.state().session.work().coverageUsed),
                           QStringLiteral("ATM.mdl"));
    check(&chart, QStringLiteral("usage chart"));
    // The chart's figures as a table too, one row per leaf.
    const UsageChartData& figures = chart.view()->chart();
    QCOMPARE(chart.table()->rowCount(), static_cast<int>(figures.leaves.size()));
    QVERIFY(!figures.leaves.empty());
    QCOMPARE(chart.table()->item(0, 0)->text(), QString::fromStdString(figures.leaves[0].label));
    QCOMPARE(chart.table()->item(0, 2)->text(), QString::number(figures.leaves[0].procedure));
    BusyDialog busy;
    check(&busy, QStringLiteral("busy box"));
    // Both category editors; the settings editor's three boxes each by what it holds.
    Generale& g = f.w.state();
    const NodeId amount = FindByKeyOrPath(g.TV(kSpecTree), "SD1./TestCase 1/readCard/cardNumber");
    QVERIFY(amount != kNoNode && g.session.openCategory(amount));
    {
      FormIntervallo settingsForm(g.session.settingsEditor, nullptr);
      check(&settingsForm, QStringLiteral("settings editor"));
      QSet<QString> names;
      for (QLineEdit* box : {settingsForm.valueEdit(), settingsForm.propertiesEdit(), settingsForm.selectorsEdit()})
        names.insert(box->accessibleName());
      QCOMPARE(names.size(), 3);
      // Tab goes as the editor reads: down the left column, then the choices.
      QStringList order;
      QWidget* w = settingsForm.findChild<QWidget*>(QStringLiteral("DefaultValues"));
      for (int i = 0; i < 9 && w != nullptr; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(&settingsForm)) w = w->nextInFocusChain();
        order << w->objectName();
      }
      QCOMPARE(order.join(QLatin1Char(' ')),
               QStringLiteral("DefaultValues DefaultList OwnValues Value Properties Selectors Invalid Add ChoiceList"));
      settingsForm.reject();
    }
    const NodeId deposit = FindByKeyOrPath(g.TV(kSpecTree), "SD1./TestCase 1/readCard");
    QVERIFY(deposit != kNoNode && g.session.openCategory(deposit));
    {
      FormInteractions interactionsForm(g.session.interactionsEditor, nullptr);
      check(&interactionsForm, QStringLiteral("interactions editor"));
      interactionsForm.reject();
    }
    // The dialogs the window asks through: the export formats (and any
    // other list of options) and the Open dialog with its encoding.
    QtAsker qt(&f.w);
    int asked = 0;
    std::vector<std::pair<std::string, bool>> options = FormatChoices(Formats{});
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++asked;
        for (const QString& u : Unnamed(dialog)) unnamed << "export formats: " + u;
        dialog->reject();
      }
    });
    qt.chooseOptions("&Export Test...", options);
    std::string encoding;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++asked;
        for (const QString& u : Unnamed(dialog)) unnamed << "open model: " + u;
        dialog->reject();
      }
    });
    qt.openModelFile("Load Model", "Models|*.mdl", ZOV_EXAMPLES_DIR, encoding);
    QSettings().remove(QStringLiteral("Export Test"));
    // "Coverage Strength...", asked as a line of text.
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++asked;
        for (const QString& u : Unnamed(dialog)) unnamed << "coverage strength: " + u;
        dialog->reject();
      }
    });
    f.w.state().setAsker(&qt);
    f.w.state().chooseStrength();
    f.w.state().setAsker(&f.asker);
    QCOMPARE(asked, 3);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));
  }

  // Under a dark theme and a light one, every node's text reads on its
  // background at 4.5:1 or more, whatever colour its state gives it.
  void nodeColoursReadInAnyTheme() {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    for (const QPalette& palette : {light, dark}) {
      QApplication::setPalette(palette);
      Window f;
      f.load("ATM.mdl");
      f.select("Customer/Withdraw Cash", 40);
      f.processCommand();
      int coloured = 0;
      for (int i = 0; i < kTreeCount; ++i) {
        const TreeModel* model = f.w.tv(i)->treeModel();
        const Tree& t = f.w.state().TV(i);
        for (NodeId n = t.nextInCollection(kNoNode); n != kNoNode; n = t.nextInCollection(n)) {
          const QModelIndex at = model->indexOf(n);
          const QVariant fg = at.data(Qt::ForegroundRole), bg = at.data(Qt::BackgroundRole);
          if (!fg.isValid() && !bg.isValid()) continue;
          ++coloured;
          const QColor fore = fg.isValid() ? fg.value<QBrush>().color() : palette.color(QPalette::Text);
          const QColor back = bg.isValid() ? bg.value<QBrush>().color() : palette.color(QPalette::Base);
          QVERIFY2(
              Contrast(fore, back) >= 4.5,
              qPrintable(
                  QStringLiteral("TV(%1) %2: %3 on %4").arg(i).arg(at.data().toString(), fore.name(), back.name())));
        }
      }
      QVERIFY(coloured > 0);
    }
    QApplication::setPalette(light);
  }

  void aboutBoxNamesVersionCommitAndLicence() {
    Window f;
    QVERIFY(f.show());
    MainWindow& w = f.w;
    // The last menu of the bar, after the core's.
    QCOMPARE(w.menuBar()->actions().last(), w.menu("m_help")->menuAction());
    QVERIFY(w.menu("m_help")->actions().contains(w.action("m_about")));
    w.action("m_about")->trigger();
    QVERIFY(w.aboutBox() != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(w.aboutBox()));
    QVERIFY(!w.aboutBox()->isModal());
    const QString text = w.aboutBox()->text();
    // The same version and commit as the command line built beside it says.
    QProcess zov;
    zov.start(QStringLiteral(ZOV_CLI), {QStringLiteral("--version")});
    QVERIFY(zov.waitForFinished(30000));
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("^zov \\(Zov Suite\\) (\\S+) \\(commit (\\S+)\\)\n$"))
            .match(QString::fromUtf8(zov.readAllStandardOutput()));
    QVERIFY(said.hasMatch());
    QVERIFY2(text.contains(QStringLiteral("Zov Suite ") + said.captured(1)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("commit ") + said.captured(2)), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Apache-2.0")));
    // Shown a second time, the same box comes back.
    AboutDialog* box = w.aboutBox();
    box->close();
    w.action("m_about")->trigger();
    QCOMPARE(w.aboutBox(), box);
    QVERIFY(box->isVisible());
  }

  void iconIsBuiltIn() {
    // The window's icon draws from the resource even where no theme has it.
    const QImage icon = AppIcon().pixmap(64, 64).toImage();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(64, 64));
    QCOMPARE(icon.pixelColor(2, 2).alpha(), 0);       // the rounded corner is clear
    QVERIFY(icon.pixelColor(32, 12).alpha() == 255);  // the root of the tree is drawn
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
