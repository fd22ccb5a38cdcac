// The main window Generale: three tabbed pages of tree views, the menu bar,
// the pop-ups, the labels and the list box, all showing the core state.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

#include "files/work_folder.h"
#include "window/generale.h"

class QAction;
class QLabel;
class QLineEdit;
class QToolButton;
class QListWidget;
class QMenu;
class QSplitter;
class QTabWidget;
class QGroupBox;
class QDockWidget;
class QTreeWidget;

namespace zov::gui {

class AboutDialog;
class BusyDialog;
class PlanReportDialog;
class QtAsker;
class TreeView;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow();
  ~MainWindow() override;

  Generale& state() { return g_; }
  // The window load: defaults, layout, menus.
  void loadWindow();
  // Loads a model as "Load MDL File" does once the file is chosen.
  void openModelFile(const std::string& path);
  // A file given on the command line or by the desktop: a session (".zov")
  // is replayed as "Load ZOV File" does, anything else loaded as a model.
  void openFile(const std::string& path);

  TreeView* tv(int index) const { return tv_.at(static_cast<std::size_t>(index)); }
  QTabWidget* tabStrip() const { return ts_; }
  QAction* action(const QString& name) const { return actions_.value(name); }
  QMenu* menu(const QString& name) const { return menus_.value(name); }
  QMenu* shownPopup() const { return shownPopup_; }
  BusyDialog* busyBox() const { return busy_; }
  QLabel* levelLabel() const { return levelLabel_; }
  QLabel* sumLabel() const { return sumLabel_; }
  QListWidget* lb() const { return lb_; }
  QLabel* statusText() const { return statusText_; }
  QLabel* folderText() const { return folder_; }
  // "Out of date: ..." above the Test Specification tree, when it is.
  QLabel* specificationState() const { return specState_; }
  // The Problems panel (a dock, hidden until asked for) and the status
  // bar's button that says how many there are and opens it.
  QDockWidget* problemsDock() const { return problemsDock_; }
  QTreeWidget* problemsList() const { return problemsList_; }
  QToolButton* problemsButton() const { return problemsButton_; }
  // The details pane: what the current node of the tree used last carries.
  QDockWidget* detailsDock() const { return detailsDock_; }
  QTreeWidget* detailsList() const { return detailsList_; }
  QLineEdit* findEdit() const { return find_; }
  // The plan report, once a generation has shown it.
  PlanReportDialog* planReport() const { return report_; }
  // The About box, once "&About Zov Suite..." has shown it.
  AboutDialog* aboutBox() const { return about_; }
  // Ctrl+F: the find bar for the tree that has the focus (or the page's
  // first tree); Enter and F3 find the next node, Escape closes it.
  void showFind();
  void findNext();

 protected:
  void showEvent(QShowEvent* event) override;
  void fitToScreen();
  // "Open Working Folder": false when nothing could be started; a file
  // manager that fails later is said in the status bar.
  bool openWorkingFolder();
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildPages();
  void buildMenus();
  void buildHelpMenu();
  void buildRecentMenu();
  void fillRecentMenu();
  void buildStatusBar();
  void buildProblemsPanel();
  void buildDetailsPane();
  void showDetails(int tree, NodeId node);
  void showProblems();
  void buildFindBar(QWidget* central, QLayout* layout);
  TreeView* findTarget() const;
  void reflect(const std::string& name);
  void showPopup(Popup popup, const QPoint& globalPos);
  QWidget* page(int index, QWidget* left, QWidget* right, QLabel* label);

  PlanningSession session_;
  Generale g_{session_};
  std::optional<WorkFolder> work_;
  BusyDialog* busy_ = nullptr;
  std::unique_ptr<QtAsker> asker_;
  QTabWidget* ts_ = nullptr;
  std::array<QGroupBox*, 3> tab_{};
  std::array<QSplitter*, 3> splitters_{};
  std::array<TreeView*, kTreeCount> tv_{};
  PlanReportDialog* report_ = nullptr;
  AboutDialog* about_ = nullptr;
  QLabel* levelLabel_ = nullptr;
  QLabel* sumLabel_ = nullptr;
  QListWidget* lb_ = nullptr;
  QLabel* statusText_ = nullptr;
  QLabel* folder_ = nullptr;
  QLabel* specState_ = nullptr;
  QDockWidget* problemsDock_ = nullptr;
  QTreeWidget* problemsList_ = nullptr;
  QToolButton* problemsButton_ = nullptr;
  QDockWidget* detailsDock_ = nullptr;
  QTreeWidget* detailsList_ = nullptr;
  int detailsTree_ = -1;
  QWidget* findBar_ = nullptr;
  QLineEdit* find_ = nullptr;
  TreeView* findIn_ = nullptr;
  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> menus_;
  QMenu* shownPopup_ = nullptr;
  QMenu* recent_ = nullptr;
  bool exiting_ = false;
  QString searched_;  // the text searched last, in the tree searchedIn_
  int searchedIn_ = -1;
  QSize fitted_;  // the size the window was fitted to the screen with (invalid until it shows)
};

}  // namespace zov::gui
