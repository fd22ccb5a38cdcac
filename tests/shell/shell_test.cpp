// Checks of the real widgets, offscreen.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "shell/busy_box.h"
#include "shell/ui.h"
#include "shell/form2.h"
#include "shell/main_window.h"
#include "shell/tree_view.h"
#include "tree/tag.h"

using namespace zov;
using namespace zov::gui;

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void startupOkWithoutOptionGivesTheLargeLayout() {
    Form2 form;
    form.show();
    QVERIFY(form.option1()->isChecked());
    QTest::mouseClick(form.command1(), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    MainWindow* w = form.mainWindow();
    QVERIFY(w != nullptr);
    QVERIFY(w->isVisible());
    QCOMPARE(w->size(), QSize(1024, 768));
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
    QCOMPARE(form.mainWindow()->size(), QSize(800, 600));
  }

  void tabThreeSwitchesTheMenus() {
    MainWindow w;
    w.caricaFinestra();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTabBar* bar = w.tabStrip()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(w.tabStrip()->currentIndex(), 2);
    QVERIFY(w.menu("m_testcase")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_zov")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_uit")->menuAction()->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(w.menu("m_uit")->menuAction()->isEnabled());
    QVERIFY(!w.menu("m_testcase")->menuAction()->isEnabled());
  }

  void rightClickOnAMarkedNodeOffersUnselectAll() {
    MainWindow w;
    w.caricaFinestra();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Tree& t = w.state().TV(kMainTree);
    const NodeId actor = t.addTop("3AC03B960258", "[1.0000] Customer", "actor");
    t.setExpanded(actor, true);
    const NodeId uc = t.addChild(actor, "3AC03B96025A", "[0.5000] Withdraw Cash", "usecase");
    t.setForeColor(uc, kSelectedFore);
    TreeView* view = w.tv(kMainTree);
    const QModelIndex index = view->treeModel()->indexOf(uc);
    QVERIFY(index.isValid());
    QCOMPARE(index.data().toString(), QStringLiteral("[0.5000] Withdraw Cash"));
    const QPoint at = view->visualRect(index).center();
    QVERIFY(!at.isNull());
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, at);
    QMenu* popup = w.shownPopup();
    QVERIFY(popup != nullptr);
    QCOMPARE(popup->objectName(), QStringLiteral("mnuFile"));
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(w.action("mnSeleziona")->text(), QStringLiteral("&Unselect All"));
    QVERIFY(!w.action("mnVEntry")->isEnabled());
    QCOMPARE(w.busyBox()->statusText(), QStringLiteral("[0.5000] Withdraw Cash"));
    popup->hide();

    // An unmarked node gets "&Select Level" back.
    const QPoint actorAt = view->visualRect(view->treeModel()->indexOf(actor)).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, actorAt);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, actorAt);
    QCOMPARE(w.action("mnSeleziona")->text(), QStringLiteral("&Select Level"));
    w.shownPopup()->hide();
  }

  void viewFollowsTheCoreTree() {
    MainWindow w;
    w.caricaFinestra();
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
    w.state().esegui("mnApriDesignTree");
    QVERIFY(w.tv(kDesignTree)->isExpanded(model->indexOf(root)));
    t.remove(t.find("P1"));
    QCOMPARE(model->rowCount(model->indexOf(root)), 0);
    t.beginBulkUpdate();
    t.clear();
    for (int i = 0; i < 100; ++i) t.addTop("K" + std::to_string(i), "n", "package");
    t.endBulkUpdate();
    QCOMPARE(model->rowCount(), 100);
  }

  void busyBoxShowsTheStatus() {
    MainWindow w;
    w.caricaFinestra();
    w.state().mostraBusy();
    w.state().MostraMessaggio("Reading the use-case view");
    QCOMPARE(w.busyBox()->statusText(), QStringLiteral("Reading the use-case view"));
    QCOMPARE(w.busyBox()->windowTitle(), QStringLiteral("Wait Please..."));
    QVERIFY(w.busyBox()->isVisible());
    QTRY_VERIFY(w.busyBox()->ticks() > 0);
    w.state().nascondiBusy();
    QVERIFY(!w.busyBox()->isVisible());
  }

  void loadMdlFileShowsTheModel() {
    MainWindow w;
    w.caricaFinestra();
    w.show();
    ScriptedAsker asker;
    asker.files.push_back(std::string(ZOV_EXAMPLES_DIR) + "/ATM.mdl");
    w.state().setAsker(&asker);
    QVERIFY(w.action("m_caricamdl")->isEnabled());
    w.action("m_caricamdl")->trigger();
    QVERIFY(w.windowTitle().startsWith(QStringLiteral("Zov Suite - ")));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("ATM.mdl")));
    TreeModel* uit = w.tv(kUitTree)->treeModel();
    QCOMPARE(uit->rowCount(), 1);
    QVERIFY(uit->index(0, 0).data().toString().endsWith(QStringLiteral("ATM.mdl")));
    QCOMPARE(w.tv(kSelectedTestCases)->treeModel()->rowCount(), 1);
    TreeModel* design = w.tv(kDesignTree)->treeModel();
    QCOMPARE(design->rowCount(), 1);
    QCOMPARE(design->index(0, 0).data().toString(), QStringLiteral("Design Tree"));
    QCOMPARE(design->rowCount(design->index(0, 0)), 2);  // ATM Core, Bank Services
    // The Main Tree: four actors, then the level markers.
    TreeModel* main = w.tv(kMainTree)->treeModel();
    QCOMPARE(main->rowCount(), 5);
    QCOMPARE(main->index(0, 0).data().toString(), QStringLiteral("[1.0000] Customer"));
    QCOMPARE(main->index(4, 0).data().toString(), QStringLiteral("LEVEL 0"));
    TreeModel* notLinked = w.tv(kNotLinkedTree)->treeModel();
    QCOMPARE(notLinked->rowCount(), 1);
    QCOMPARE(notLinked->index(0, 0).data().toString(), QStringLiteral("<<NOT linked>>"));
    QVERIFY(!w.busyBox()->isVisible());
    QCOMPARE(asker.asked.size(), std::size_t{1});  // the file only: a complete load reports nothing

    // A file that is not a model: a message, and the loaded model stays.
    asker.files.push_back(std::string(ZOV_EXAMPLES_DIR) + "/../README.md");
    w.action("m_caricamdl")->trigger();
    QVERIFY(!asker.asked.empty());
    QCOMPARE(QString::fromStdString(asker.asked.back().title), QStringLiteral("Zov Suite"));
    QVERIFY(w.windowTitle().endsWith(QStringLiteral("ATM.mdl")));
    w.state().setAsker(nullptr);
  }

  void exitDeletesTheCreatedFiles() {
    std::filesystem::path dir;
    {
      MainWindow w;
      w.caricaFinestra();
      w.show();
      WorkFolder* work = w.state().workFolder();
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
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
