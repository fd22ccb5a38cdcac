#include "app/generale.h"

#include <gtest/gtest.h>

#include "model/work_folder.h"
#include "tree/tag.h"

namespace zov {
namespace {

struct GeneraleTest : ::testing::Test {
  GeneraleTest() {
    g.setBusyBox(&busy);
    g.caricaFinestra();
  }
  Generale g;
  QuietBusyBox busy;
};

TEST_F(GeneraleTest, WindowLoadSetsDefaultsLayoutAndMenus) {
  EXPECT_EQ(g.criterio.numeroTest, 500);
  EXPECT_EQ(g.criterio.percentuale, 100);
  EXPECT_EQ(g.layout.width, 1024);
  EXPECT_EQ(g.layout.height, 768);
  EXPECT_EQ(g.layout.tabWidth, 1004);
  EXPECT_EQ(g.caption, "Zov Suite");
  EXPECT_TRUE(g.menus.enabled(menu::kFile));
  EXPECT_TRUE(g.menus.enabled(menu::kZov));
  EXPECT_FALSE(g.menus.enabled(menu::kUit));
  EXPECT_FALSE(g.menus.enabled(menu::kTestCase));
  EXPECT_FALSE(g.menus.enabled(menu::kTestScript));
  EXPECT_FALSE(g.menus.enabled(menu::kPrint));
  // Items keep their own start state inside a disabled menu.
  EXPECT_TRUE(g.menus.enabled(menu::kSeqFromZov));
  EXPECT_FALSE(g.attivo(menu::kSeqFromZov));
  EXPECT_FALSE(g.menus.enabled(menu::kElencaSeq));
}

TEST_F(GeneraleTest, SecondOptionGivesTheSmallLayout) {
  g.form2.clickOption2();
  EXPECT_FALSE(g.form2.option1);
  g.caricaFinestra();
  EXPECT_EQ(g.layout.width, 800);
  EXPECT_EQ(g.layout.height, 600);
  EXPECT_EQ(g.layout.tabWidth, 780);
  EXPECT_EQ(g.layout.tabHeight, 550);
  g.form2.clickOption1();
  EXPECT_FALSE(g.form2.option2);
}

TEST_F(GeneraleTest, MenuTablesHoldEveryCaption) {
  EXPECT_EQ(g.menus.caption(menu::kCaricaMdl), "Load MDL File");
  EXPECT_EQ(g.menus.caption(menu::kPopupASpec), "&Specifications..");
  EXPECT_EQ(g.menus.caption(menu::kPopupAAdd), "&Add ");
  EXPECT_EQ(g.menus.caption(menu::kPopupFile), "prova");
  EXPECT_EQ(g.menus.items(menu::kUit).size(), 9u);
  EXPECT_EQ(g.menus.caption(menu::kGrafico), "Usage C&hart...");
  EXPECT_FALSE(g.menus.enabled(menu::kGrafico));
  EXPECT_EQ(g.menus.items(menu::kPopupFile).size(), 7u);
  EXPECT_TRUE(g.menus.items(menu::kPopupDesign).empty());
  EXPECT_TRUE(g.menus.find(menu::kPopupFile)->popup);
  EXPECT_FALSE(g.menus.enabled(menu::kAggiungi));
  EXPECT_FALSE(g.menus.enabled(menu::kVEntry));
  EXPECT_TRUE(g.menus.enabled(menu::kAllTestCases));
}

TEST_F(GeneraleTest, TabClicksSwitchTheThreeMenus) {
  struct Case {
    int tab;
    bool zov, uit, testCase;
  };
  for (Case c : {Case{3, false, false, true}, Case{2, false, true, false}, Case{1, true, false, false}}) {
    g.clickTab(c.tab);
    EXPECT_EQ(g.currentTab, c.tab);
    EXPECT_EQ(g.menus.enabled(menu::kZov), c.zov) << c.tab;
    EXPECT_EQ(g.menus.enabled(menu::kUit), c.uit) << c.tab;
    EXPECT_EQ(g.menus.enabled(menu::kTestCase), c.testCase) << c.tab;
  }
  EXPECT_FALSE(g.menus.enabled(menu::kPrint));
}

TEST_F(GeneraleTest, EnablingFollowsTheWork) {
  g.caricamentoDaZovFatto();
  for (auto item : {menu::kGenerazione, menu::kSelectAll, menu::kUnselectAll, menu::kExpand, menu::kCollapse})
    EXPECT_TRUE(g.menus.enabled(item)) << item;
  EXPECT_FALSE(g.menus.enabled(menu::kElencaSeq));

  Generale other;
  other.caricaFinestra();
  other.caricamentoDesignOTuttiFatto();
  EXPECT_TRUE(other.menus.enabled(menu::kGenerazione));
  EXPECT_FALSE(other.menus.enabled(menu::kSelectAll));

  g.elaborazioneFatta();
  EXPECT_TRUE(g.menus.enabled(menu::kPrint));
  EXPECT_TRUE(g.menus.enabled(menu::kTestScript));
  EXPECT_TRUE(g.menus.enabled(menu::kTestSc));
}

TEST_F(GeneraleTest, StartAndStopNodeCaptions) {
  g.nodoStartScelto();
  EXPECT_EQ(g.menus.caption(menu::kStart), "Select ST&OP Node");
  EXPECT_FALSE(g.menus.enabled(menu::kSeleziona));
  g.nodoStopScelto();
  EXPECT_EQ(g.menus.caption(menu::kStart), "Select ST&ART Node");
  EXPECT_TRUE(g.menus.enabled(menu::kSeleziona));
  EXPECT_FALSE(g.menus.enabled(menu::kStart));
}

TEST_F(GeneraleTest, RightClickOnMainTreeSetsThePopUp) {
  Tree& t = g.TV(kMainTree);
  const NodeId plain = t.addTop("A", "[1.0000] Customer", "actor");
  const NodeId marked = t.addChild(plain, "B", "[0.5000] Withdraw", "usecase");
  const NodeId entry = t.addChild(plain, "C", "entry", "entryusecase");
  const NodeId link = t.addChild(plain, "D", "link", "continua");
  const NodeId both = t.addChild(plain, "E", "both", "entrycontinua");
  t.setForeColor(marked, kSelectedFore);

  g.mouseDown(kMainTree, marked, MouseButton::kRight);
  EXPECT_EQ(g.mouseUp(kMainTree, MouseButton::kRight), Popup::kMainTree);
  EXPECT_EQ(g.menus.caption(menu::kSeleziona), "&Unselect All");
  EXPECT_EQ(busy.status, "[0.5000] Withdraw");

  g.mouseDown(kMainTree, plain, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_EQ(g.menus.caption(menu::kSeleziona), "&Select Level");
  EXPECT_FALSE(g.menus.enabled(menu::kVEntry));
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, entry, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_TRUE(g.menus.enabled(menu::kVEntry));
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, link, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_FALSE(g.menus.enabled(menu::kVEntry));
  EXPECT_TRUE(g.menus.enabled(menu::kVLink));

  g.mouseDown(kMainTree, both, MouseButton::kRight);
  g.mouseUp(kMainTree, MouseButton::kRight);
  EXPECT_TRUE(g.menus.enabled(menu::kVEntry));  // "entry" wins over "cont"
  EXPECT_FALSE(g.menus.enabled(menu::kVLink));
}

TEST_F(GeneraleTest, LeftClickOnPackageLocatesItInTheDesignTree) {
  std::vector<std::pair<NodeId, int>> located;
  g.locatePackage = [&](NodeId n, int tree) { located.emplace_back(n, tree); };
  Tree& t = g.TV(kMainTree);
  const NodeId a = t.addTop("A", "actor", "actor");
  const NodeId link = t.addChild(a, "ADesign Link", "Design Link", "package");
  const NodeId pkg = t.addChild(link, "P", "Banking", "package");
  for (NodeId n : {a, link, pkg}) {
    g.mouseDown(kMainTree, n, MouseButton::kLeft);
    EXPECT_EQ(g.mouseUp(kMainTree, MouseButton::kLeft), Popup::kNone);
  }
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0].first, pkg);
  EXPECT_EQ(located[0].second, kMainTree);

  const NodeId notLinked = g.TV(kNotLinkedTree).addTop("N", "lonely", "usecase");
  g.mouseDown(kNotLinkedTree, notLinked, MouseButton::kRight);
  g.mouseUp(kNotLinkedTree, MouseButton::kRight);
  ASSERT_EQ(located.size(), 2u);
  EXPECT_EQ(located[1].second, kNotLinkedTree);
}

TEST_F(GeneraleTest, MouseDownShowsTheLevelAndStartsDrags) {
  Tree& t = g.TV(kMainTree);
  const NodeId n = t.addTop("A", "x", "usecase");
  t.setTag(n, CreaTag(4, 0.5f, 0, false));
  EXPECT_FALSE(g.mouseDown(kMainTree, n, MouseButton::kLeft));
  EXPECT_EQ(g.livv, "Level: 4");
  EXPECT_EQ(t.dropHighlight(), n);

  const NodeId root = g.TV(kUitTree).addTop("ROOT", "ROOT", "rose");
  const NodeId tc = g.TV(kUitTree).addChild(root, "TC1", "Withdraw", "sequence");
  EXPECT_TRUE(g.mouseDown(kUitTree, tc, MouseButton::kLeft));
  EXPECT_TRUE(g.trascinamento);
  g.mouseUp(kUitTree, MouseButton::kLeft);
  EXPECT_EQ(g.nodoTrascinato, tc);
  EXPECT_EQ(g.chiaveTrascinata, "TC1");
  // A "rose" node leaves the level label alone.
  g.mouseDown(kUitTree, root, MouseButton::kRight);
  EXPECT_EQ(g.livv, "Level: 0");
  EXPECT_FALSE(g.mouseDown(kUitTree, kNoNode, MouseButton::kLeft));
}

TEST_F(GeneraleTest, SpecTreePopUpOnlyOnParametersAndMessages) {
  Tree& t = g.TV(kSpecTree);
  const NodeId tc = t.addTop("T", "tc", "sequence");
  const NodeId msg = t.addChild(tc, "M", "msg", "messaggio");
  const NodeId par = t.addChild(msg, "P", "par", "attributo");
  for (auto [node, want] : {std::pair{tc, Popup::kNone}, {msg, Popup::kSpecTree}, {par, Popup::kSpecTree}}) {
    g.mouseDown(kSpecTree, node, MouseButton::kRight);
    EXPECT_EQ(g.mouseUp(kSpecTree, MouseButton::kRight), want);
  }
  g.mouseDown(kSpecTree, msg, MouseButton::kLeft);
  EXPECT_EQ(g.mouseUp(kSpecTree, MouseButton::kLeft), Popup::kNone);
}

TEST_F(GeneraleTest, ExpandAndCollapseCommands) {
  Tree& t = g.TV(kMainTree);
  t.addTop("A", "a", "actor");
  t.addChild("A", "B", "b", "usecase");
  EXPECT_TRUE(g.esegui(menu::kApri));
  EXPECT_TRUE(t.node(t.find("A")).expanded && t.node(t.find("B")).expanded);

  Tree& u = g.TV(kUitTree);
  u.addTop("ROOT", "ROOT", "rose");
  u.setExpanded(u.find("ROOT"), true);
  g.clickTab(2);
  EXPECT_TRUE(g.esegui(menu::kCollapse) == false);  // still disabled before a load
  g.caricamentoDaZovFatto();
  EXPECT_TRUE(g.esegui(menu::kCollapse));
  EXPECT_FALSE(u.node(u.find("ROOT")).expanded);
  // Commands with nothing attached run and do nothing.
  g.clickTab(1);
  EXPECT_TRUE(g.esegui(menu::kSaveZov));
}

TEST_F(GeneraleTest, ExitDeletesBothListsAndEnds) {
  auto folder = WorkFolder::CreatePrivate(nullptr);
  ASSERT_TRUE(folder);
  g.setWorkFolder(&*folder);
  std::string error;
  folder->create("collegamenti.txt", CreatedList::kLoad, &error) << "x";
  folder->create("TestScript1.txt", CreatedList::kScripts, &error) << "x";
  bool ended = false;
  g.onExit = [&] { ended = true; };
  EXPECT_TRUE(g.esegui(menu::kUscita));
  EXPECT_TRUE(ended);
  EXPECT_TRUE(std::filesystem::is_empty(folder->dir()));
}

}  // namespace
}  // namespace zov
