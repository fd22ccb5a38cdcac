#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/about.h"
#include "shell/busy_dialog.h"
#include "shell/dialogs.h"
#include "shell/qt_asker.h"
#include "shell/tree_view.h"
#include "shell/usage_chart.h"

namespace zov::gui {

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("Generale"));
  busy_ = new BusyDialog(this);
  asker_ = std::make_unique<QtAsker>(this);
  // The save dialogs of the preview start in the model's folder.
  asker_->printFolder = [this] {
    return session_.work().filemdl.empty() ? g_.dialogFolder()
                                           : QFileInfo(Q(session_.work().filemdl)).absolutePath().toStdString();
  };
  g_.setBusyBox(busy_);
  g_.setAsker(asker_.get());

  std::string error;
  work_ = WorkFolder::CreatePrivate(&error);
  if (work_) session_.setWorkFolder(&*work_);
  // Undo, and Cancel in the busy box, go back to a copy of what the load left.
  session_.setUndoable(true);

  buildPages();
  buildMenus();
  buildHelpMenu();
  buildStatusBar();
  buildProblemsPanel();
  buildDetailsPane();

  g_.onCaptionChange = [this] { setWindowTitle(Q(g_.caption)); };
  g_.onLabelsChange = [this] {
    levelLabel_->setText(Q(g_.levelLabel));
    sumLabel_->setText(Q(g_.sumLabel));
  };
  g_.onTabChange = [this](int tab) {
    if (ts_->currentIndex() != tab - 1) ts_->setCurrentIndex(tab - 1);
  };
  g_.LB.onChange = [this] {
    lb_->clear();
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(g_.LB.items.size()));
    for (const auto& line : g_.LB.items) lines << Q(line);
    lb_->addItems(lines);
  };
  g_.onUsageChart = [this] {
    UsageChartDialog chart(
        ComputeUsageChart(g_.TV(kSelectionTree), session_.work().coverageUsed),
        session_.work().filemdl.empty() ? QString() : QFileInfo(Q(session_.work().filemdl)).absoluteFilePath(), this);
    chart.exec();
  };
  g_.onPlanReport = [this] {
    if (!session_.work().planReport) return;
    if (report_ == nullptr) report_ = new PlanReportDialog(this);
    report_->setReport(Q(session_.work().planReport->text()));
    report_->show();
    report_->raise();
  };
  g_.onExit = [this] {
    if (exiting_) return;  // already closing
    exiting_ = true;
    close();
  };
  setWindowTitle(Q(g_.caption));

  if (!work_)
    QMessageBox::warning(this, QStringLiteral("Zov Suite"),
                         Q(error) + QStringLiteral("\nModels cannot be loaded in this session."));
}

MainWindow::~MainWindow() {
  // The views detach from the core trees before the trees go.
  for (TreeView* view : tv_) delete view;
  tv_.fill(nullptr);
}

QWidget* MainWindow::page(int index, QWidget* left, QWidget* right, QLabel* label) {
  auto* frame = new QGroupBox(QString(), this);
  static const char* captions[] = {"Creating Zov Tree", "Sequence Diagrams", "Test Cases Tree"};
  frame->setTitle(QString::fromLatin1(captions[index]));
  frame->setObjectName(QStringLiteral("Scheda%1").arg(index));
  auto* layout = new QVBoxLayout(frame);
  auto* splitter = new QSplitter(Qt::Horizontal, frame);
  splitter->setObjectName(QStringLiteral("Imma%1").arg(index));
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  layout->addWidget(splitter, 1);
  // The level and sum labels go below the trees; the out-of-date marker of
  // the Test Specification tree above them, where it is seen first.
  if (label != nullptr) {
    if (index == 2)
      layout->insertWidget(0, label);
    else
      layout->addWidget(label);
  }
  tab_[static_cast<std::size_t>(index)] = frame;
  splitters_[static_cast<std::size_t>(index)] = splitter;
  return frame;
}

void MainWindow::buildPages() {
  ts_ = new QTabWidget(this);
  ts_->setObjectName(QStringLiteral("TS"));
  ts_->setAccessibleName(QStringLiteral("Pages of trees"));
  for (int i = 0; i < kTreeCount; ++i) {
    tv_[static_cast<std::size_t>(i)] = new TreeView(g_, i, this);
    connect(tv_[static_cast<std::size_t>(i)], &TreeView::popupRequested, this, &MainWindow::showPopup);
  }
  auto stacked = [this](int top, int bottom) {
    auto* s = new QSplitter(Qt::Vertical, this);
    s->addWidget(tv(top));
    s->addWidget(tv(bottom));
    s->setChildrenCollapsible(false);
    return s;
  };
  levelLabel_ = new QLabel(this);
  levelLabel_->setObjectName(QStringLiteral("Livv"));
  sumLabel_ = new QLabel(this);
  sumLabel_->setObjectName(QStringLiteral("Somma"));
  lb_ = new QListWidget(this);
  // Scripts can run to many thousands of lines: laid out in batches, each
  // line as wide as it is, scrolled sideways rather than cut.
  lb_->setLayoutMode(QListView::Batched);
  lb_->setBatchSize(500);
  lb_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  lb_->setTextElideMode(Qt::ElideNone);
  lb_->setObjectName(QStringLiteral("LB"));
  lb_->setAccessibleName(QStringLiteral("Document or test scripts"));
  lb_->setFont(QFont(QStringLiteral("Monospace")));

  ts_->addTab(page(0, tv(kMainTree), stacked(kDesignTree, kNotLinkedTree), levelLabel_), QStringLiteral("Main Tree"));
  ts_->addTab(page(1, tv(kSelectionTree), stacked(kUitTree, kSelectedTestCases), sumLabel_),
              QStringLiteral("UIT Tree"));
  // The marker of a Test Specification tree that no longer matches the
  // selected test cases: above the tree, in the warning colours.
  specState_ = new QLabel(Q(std::string(Generale::kOutOfDateText)), this);
  specState_->setObjectName(QStringLiteral("SpecState"));
  specState_->setWordWrap(true);
  specState_->setStyleSheet(
      QStringLiteral("QLabel { background: #fff3cd; color: #664d03; border: 1px solid #e0c060; padding: 4px; }"));
  specState_->hide();
  ts_->addTab(page(2, tv(kSpecTree), lb_, specState_), QStringLiteral("Test Specification Tree"));
  g_.onSpecificationState = [this] {
    const std::string text = g_.outOfDateText();
    specState_->setText(Q(text));
    specState_->setVisible(!text.empty());
    ts_->setTabText(2, !text.empty() ? QStringLiteral("Test Specification Tree (out of date)")
                                     : QStringLiteral("Test Specification Tree"));
  };
  connect(ts_->tabBar(), &QTabBar::tabBarClicked, this, [this](int i) {
    if (i >= 0) g_.clickTab(i + 1);
  });
  // Keyboard switching of tabs follows the same rules as a click.
  connect(ts_, &QTabWidget::currentChanged, this, [this](int i) {
    if (i >= 0 && g_.currentTab != i + 1) g_.clickTab(i + 1);
  });

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(5, 5, 5, 5);
  layout->addWidget(ts_);
  buildFindBar(central, layout);
  setCentralWidget(central);

  // The keyboard goes through each page as it reads: from the page tabs to
  // the tree on the left, then those on the right, top to bottom. (The tab
  // bar takes the keyboard for the tab widget: the order starts from it.)
  setTabOrder(ts_->tabBar(), tv(kMainTree));
  setTabOrder(tv(kMainTree), tv(kDesignTree));
  setTabOrder(tv(kDesignTree), tv(kNotLinkedTree));
  setTabOrder(tv(kNotLinkedTree), tv(kSelectionTree));
  setTabOrder(tv(kSelectionTree), tv(kUitTree));
  setTabOrder(tv(kUitTree), tv(kSelectedTestCases));
  setTabOrder(tv(kSelectedTestCases), tv(kSpecTree));
  setTabOrder(tv(kSpecTree), lb_);
}

void MainWindow::buildFindBar(QWidget* central, QLayout* layout) {
  findBar_ = new QWidget(central);
  findBar_->setObjectName(QStringLiteral("FindBar"));
  auto* row = new QHBoxLayout(findBar_);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(QStringLiteral("&Find:"), findBar_);
  find_ = new QLineEdit(findBar_);
  find_->setObjectName(QStringLiteral("Find"));
  find_->setPlaceholderText(QStringLiteral("part of a node's name; Enter or F3 for the next, Esc to close"));
  find_->setClearButtonEnabled(true);
  label->setBuddy(find_);
  auto* next = new QToolButton(findBar_);
  next->setText(QStringLiteral("Next"));
  auto* close = new QToolButton(findBar_);
  close->setText(QStringLiteral("Close"));
  row->addWidget(label);
  row->addWidget(find_, 1);
  row->addWidget(next);
  row->addWidget(close);
  layout->addWidget(findBar_);
  findBar_->hide();
  connect(find_, &QLineEdit::returnPressed, this, &MainWindow::findNext);
  connect(next, &QToolButton::clicked, this, &MainWindow::findNext);
  connect(close, &QToolButton::clicked, this, [this] {
    findBar_->hide();
    if (findIn_ != nullptr) findIn_->setFocus();
  });
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), find_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(esc, &QShortcut::activated, close, &QToolButton::click);
  auto* ctrlF = new QShortcut(QKeySequence::Find, this);
  connect(ctrlF, &QShortcut::activated, this, &MainWindow::showFind);
  auto* f3 = new QShortcut(QKeySequence::FindNext, this);
  connect(f3, &QShortcut::activated, this, &MainWindow::findNext);
}

TreeView* MainWindow::findTarget() const {
  for (TreeView* view : tv_)
    if (view != nullptr && view->hasFocus()) return view;
  static const int first[] = {kMainTree, kSelectionTree, kSpecTree};
  return tv(first[std::max(0, ts_->currentIndex())]);
}

void MainWindow::showFind() {
  findIn_ = findTarget();
  searched_.clear();  // the next search starts from the top
  findBar_->show();
  find_->setFocus(Qt::ShortcutFocusReason);
  find_->selectAll();
}

void MainWindow::findNext() {
  if (findIn_ == nullptr) findIn_ = findTarget();
  const QString text = find_->text();
  if (text.isEmpty()) return;
  // A new search starts from the top of the tree; F3 and Enter go on from
  // the node found last, round to the top again.
  const bool fromTop = text != searched_ || findIn_->treeIndex() != searchedIn_;
  searched_ = text;
  searchedIn_ = findIn_->treeIndex();
  bool wrapped = false;
  const NodeId found = g_.find(findIn_->treeIndex(), text.toStdString(), fromTop, &wrapped);
  if (found == kNoNode) {
    statusText_->setText(QStringLiteral("No node of this tree has \"%1\" in its name.").arg(text));
    return;
  }
  findIn_->scrollTo(findIn_->treeModel()->indexOf(found));
  statusText_->setText(fromTop   ? QStringLiteral("Found \"%1\", searching from the top.").arg(text)
                       : wrapped ? QStringLiteral("Found \"%1\" again from the top: the search went round.").arg(text)
                                 : QStringLiteral("Found the next \"%1\".").arg(text));
}

namespace {
// The status text: shown whole when it fits, else cut in the middle ("..."),
// with the whole text in its tooltip; it never widens the window.
class StatusLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
  QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    setToolTip(shown == text() ? QString() : text());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                          foregroundRole());
  }
};
}  // namespace

void MainWindow::buildStatusBar() {
  statusText_ = new StatusLabel(this);
  statusText_->setObjectName(QStringLiteral("StatusText"));
  statusBar()->addWidget(statusText_, 1);
  folder_ = new QLabel(this);
  folder_->setObjectName(QStringLiteral("WorkingFolder"));
  folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* open = new QToolButton(this);
  open->setObjectName(QStringLiteral("OpenFolder"));
  open->setDefaultAction(actions_.value(QStringLiteral("m_cartella")));
  open->setToolButtonStyle(Qt::ToolButtonTextOnly);
  problemsButton_ = new QToolButton(this);
  problemsButton_->setObjectName(QStringLiteral("ProblemsButton"));
  problemsButton_->setToolTip(QStringLiteral("Show the Problems panel (Ctrl+Shift+P)"));
  problemsButton_->setAutoRaise(true);
  problemsButton_->hide();
  connect(problemsButton_, &QToolButton::clicked, this, [this] { showProblems(); });
  statusBar()->addPermanentWidget(problemsButton_);
  statusBar()->addPermanentWidget(folder_);
  statusBar()->addPermanentWidget(open);
  if (work_) {
    const QString dir = QString::fromStdString(work_->dir().string());
    folder_->setText(QStringLiteral("Documents and scripts: ") + dir);
    folder_->setToolTip(dir);
  }
  g_.onCommandResult = [this] { statusText_->setText(Q(g_.commandResult())); };
  g_.onOpenFolder = [this] { return openWorkingFolder(); };
}

namespace {
// A dock holding a list of two columns (the second one's text also in its
// tooltip), hidden until asked for.
QTreeWidget* TwoColumnDock(QMainWindow* window, QDockWidget*& dock, const QString& title, const QString& name,
                           const QStringList& headers, Qt::DockWidgetArea area) {
  dock = new QDockWidget(title, window);
  dock->setObjectName(name);
  auto* list = new QTreeWidget(dock);
  list->setObjectName(name + QStringLiteral("List"));
  list->setAccessibleName(title);
  list->setHeaderLabels(headers);
  list->setRootIsDecorated(false);
  list->setWordWrap(true);
  list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  dock->setWidget(list);
  window->addDockWidget(area, dock);
  dock->hide();
  return list;
}

void FillRows(QTreeWidget* list, const std::vector<std::pair<std::string, std::string>>& rows) {
  list->clear();
  QList<QTreeWidgetItem*> items;
  for (const auto& [first, second] : rows) {
    auto* item = new QTreeWidgetItem({Q(first), Q(second)});
    item->setToolTip(1, Q(second));
    items << item;
  }
  list->addTopLevelItems(items);
}
}  // namespace

void MainWindow::buildProblemsPanel() {
  problemsList_ = TwoColumnDock(this, problemsDock_, QStringLiteral("Problems"), QStringLiteral("Problems"),
                                {QStringLiteral("From"), QStringLiteral("Problem")}, Qt::BottomDockWidgetArea);
  auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")), this);
  connect(shortcut, &QShortcut::activated, this, [this] { showProblems(); });
  g_.onResultsChange = [this] {
    for (int i : {kMainTree, kSelectionTree}) tv(i)->viewport()->update();
  };
  g_.onProblemsChange = [this] {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const Generale::Problem& p : g_.problems()) rows.emplace_back(p.from, p.text);
    FillRows(problemsList_, rows);
    const QString text = Q(g_.problemsText());
    problemsButton_->setText(text);
    problemsButton_->setVisible(!text.isEmpty());
  };
}

void MainWindow::buildDetailsPane() {
  detailsList_ = TwoColumnDock(this, detailsDock_, QStringLiteral("Details"), QStringLiteral("Details"),
                               {QStringLiteral("Field"), QStringLiteral("Value")}, Qt::RightDockWidgetArea);
  // The pane follows the current node of whichever tree moved last.
  for (int i = 0; i < kTreeCount; ++i) {
    TreeView* view = tv(i);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, i, view](const QModelIndex& at) { showDetails(i, view->treeModel()->nodeOf(at)); });
    // A tree that changes under the pane (a weight edited) shows it again.
    connect(view->treeModel(), &QAbstractItemModel::dataChanged, this, [this, i] {
      if (detailsTree_ == i && detailsDock_->isVisible()) showDetails(i, g_.TV(i).selected());
    });
  }
  QAction* toggle = detailsDock_->toggleViewAction();
  toggle->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
  toggle->setToolTip(QStringLiteral("Show what the current node carries (Ctrl+Shift+D)"));
  addAction(toggle);
  auto* button = new QToolButton(this);
  button->setObjectName(QStringLiteral("DetailsButton"));
  button->setDefaultAction(toggle);
  button->setAutoRaise(true);
  statusBar()->addPermanentWidget(button);
  connect(detailsDock_, &QDockWidget::visibilityChanged, this, [this](bool shown) {
    if (shown && detailsTree_ >= 0) showDetails(detailsTree_, g_.TV(detailsTree_).selected());
  });
}

void MainWindow::showDetails(int tree, NodeId node) {
  detailsTree_ = tree;
  if (detailsDock_->isVisible()) FillRows(detailsList_, g_.details(tree, node));
}

void MainWindow::showProblems() {
  problemsDock_->show();
  problemsDock_->raise();
  problemsList_->setFocus();
}

void MainWindow::buildMenus() {
  QMenu* current = nullptr;
  for (const MenuEntry& e : g_.menus.entries()) {
    const QString name = Q(e.name);
    if (e.parent.empty()) {
      current = e.popup ? new QMenu(Q(e.caption), this) : menuBar()->addMenu(Q(e.caption));
      current->setObjectName(name);
      menus_.insert(name, current);
      continue;
    }
    QAction* action = current->addAction(Q(e.caption));
    action->setObjectName(name);
    actions_.insert(name, action);
    const std::string item = e.name;
    connect(action, &QAction::triggered, this, [this, item] { g_.runMenuItem(item); });
  }
  // The usual shortcuts of a desktop program.
  actions_.value(QStringLiteral("m_caricamdl"))->setShortcut(QKeySequence::Open);
  actions_.value(QStringLiteral("m_uscita"))->setShortcut(QKeySequence::Quit);
  actions_.value(QStringLiteral("mnuPrintTC"))->setShortcut(QKeySequence::Print);
  actions_.value(QStringLiteral("m_savezov"))->setShortcut(QKeySequence::Save);
  actions_.value(QStringLiteral("mnSaveZovAs"))->setShortcut(QKeySequence::SaveAs);
  actions_.value(QStringLiteral("m_undo"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
  actions_.value(QStringLiteral("m_redo"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
  buildRecentMenu();
  // F10 gives the menu bar the keyboard: its first working menu opens.
  auto* f10 = new QAction(this);
  f10->setObjectName(QStringLiteral("MenuBarFocus"));
  f10->setShortcut(Qt::Key_F10);
  f10->setShortcutContext(Qt::WindowShortcut);
  addAction(f10);
  connect(f10, &QAction::triggered, this, [this] {
    for (QAction* a : menuBar()->actions())
      if (a->isEnabled() && a->isVisible()) {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(a);
        return;
      }
  });

  for (const MenuEntry& e : g_.menus.entries()) reflect(e.name);
  g_.menus.onChange = [this](const std::string& name) { reflect(name); };
}

void MainWindow::buildRecentMenu() {
  // FILE > "Recent &Files": the models and sessions of the last runs, kept
  // in the settings; before "E&XIT".
  QMenu* file = menus_.value(QStringLiteral("m_file"));
  recent_ = new QMenu(QStringLiteral("Recent &Files"), file);
  recent_->setObjectName(QStringLiteral("m_recent"));
  file->insertMenu(actions_.value(QStringLiteral("m_uscita")), recent_);
  file->insertSeparator(actions_.value(QStringLiteral("m_uscita")));
  QSettings settings;
  for (const QString& f : settings.value(QStringLiteral("recentFiles")).toStringList())
    if (g_.recentFiles.size() < Generale::kRecentFiles) g_.recentFiles.push_back(f.toStdString());
  g_.onRecentFilesChange = [this] {
    QStringList files;
    for (const std::string& f : g_.recentFiles) files << Q(f);
    QSettings().setValue(QStringLiteral("recentFiles"), files);
    fillRecentMenu();
  };
  fillRecentMenu();
}

void MainWindow::fillRecentMenu() {
  recent_->clear();
  // Names that two entries share are told apart by their folder.
  QMap<QString, int> named;
  for (const std::string& f : g_.recentFiles) ++named[QFileInfo(Q(f)).fileName()];
  int n = 0;
  for (const std::string& f : g_.recentFiles) {
    // "&1 ATM.mdl" (or "&1 ATM.mdl  (~/models/2025)"), the whole path in the
    // tooltip and the status bar.
    const QFileInfo file(Q(f));
    QString shown = file.fileName();
    if (named.value(shown) > 1) {
      QString folder = QDir::toNativeSeparators(file.absolutePath());
      const QString home = QDir::homePath();
      if (folder.startsWith(home + QLatin1Char('/'))) folder = QStringLiteral("~") + folder.mid(home.size());
      shown += QStringLiteral("  (%1)").arg(folder);
    }
    QAction* a = recent_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(shown));
    a->setToolTip(Q(f));
    a->setStatusTip(Q(f));
    a->setData(Q(f));
    connect(a, &QAction::triggered, this, [this, f] { g_.openFile(f); });
  }
  recent_->menuAction()->setEnabled(!g_.recentFiles.empty());
}

void MainWindow::buildHelpMenu() {
  // The window's own menu, last on the bar: the core's menus know nothing of it.
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("m_help"));
  menus_.insert(help->objectName(), help);
  QAction* about = help->addAction(QStringLiteral("&About Zov Suite..."));
  about->setObjectName(QStringLiteral("m_about"));
  about->setMenuRole(QAction::AboutRole);
  actions_.insert(about->objectName(), about);
  connect(about, &QAction::triggered, this, [this] {
    if (about_ == nullptr) about_ = new AboutDialog(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
  });
}

void MainWindow::reflect(const std::string& name) {
  const MenuEntry* e = g_.menus.find(name);
  if (e == nullptr) return;
  const QString key = Q(name);
  if (QAction* a = actions_.value(key)) {
    a->setText(Q(e->caption));
    a->setEnabled(e->enabled);
  } else if (QMenu* m = menus_.value(key)) {
    m->setTitle(Q(e->caption));
    m->menuAction()->setEnabled(e->enabled);
    m->setEnabled(e->enabled);
  }
}

void MainWindow::showPopup(Popup popup, const QPoint& globalPos) {
  const char* name = popup == Popup::kMainTree       ? "mnuFile"
                     : popup == Popup::kSelectedTree ? "m_popupSel"
                     : popup == Popup::kUitTree      ? "m_popupUit"
                                                     : "m_popupA";
  QMenu* m = menus_.value(QString::fromLatin1(name));
  if (m == nullptr) return;
  shownPopup_ = m;
  m->popup(globalPos);
}

bool MainWindow::openWorkingFolder() {
  if (!work_) return false;
  const QString dir = QString::fromStdString(work_->dir().string());
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  // xdg-open says whether a file manager took the folder: one that fails
  // (no handler, a handler that failed) is said, not taken for success.
  auto* opener = new QProcess(this);
  const auto failed = [this, dir, opener](const QString& why) {
    opener->deleteLater();
    statusText_->setText(
        QStringLiteral("No file manager opened the folder (%1): the documents and scripts are in %2").arg(why, dir));
  };
  // A program that never started sends no "finished"; every other end does.
  connect(opener, &QProcess::errorOccurred, this, [failed](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) failed(QStringLiteral("xdg-open could not be started"));
  });
  connect(opener, &QProcess::finished, this, [failed, opener](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0)
      failed(QStringLiteral("xdg-open ended with %1").arg(status == QProcess::NormalExit ? code : -1));
    else
      opener->deleteLater();
  });
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({dir});
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  opener->start();
  statusText_->setText(QStringLiteral("Opening %1 ...").arg(dir));
  return true;
#else
  return QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
#endif
}

void MainWindow::loadWindow() {
  g_.loadWindow();
  const Layout& l = g_.layout;
  // The window's own size, within the screen's room (a 1024x600 netbook
  // keeps the status bar and its problems button on screen).
  QSize size(l.width, l.height);
  QPoint at(0, 0);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableSize());
    at = screen->availableGeometry().topLeft();
  }
  resize(size);
  move(at);
  ts_->setMinimumSize(0, 0);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fitted_.isValid()) return;
  // The frame a window manager adds is known only once it decorated the
  // window, some moments after the first showing: the window is fitted
  // then (and at once, where there is no frame to wait for).
  fitted_ = size();
  fitToScreen();
  for (const int ms : {50, 200, 500, 1000}) QTimer::singleShot(ms, this, &MainWindow::fitToScreen);
}

void MainWindow::fitToScreen() {
  // The whole frame goes within the screen's available room, unless the
  // window was resized meanwhile (by the tester or a window manager's rule).
  const QScreen* screen = this->screen();
  if (screen == nullptr || isMaximized() || isFullScreen() || size() != fitted_) return;
  const QRect room = screen->availableGeometry(), frame = frameGeometry();
  if (room.contains(frame)) return;
  const QSize extra = frame.size() - size();
  resize(size().boundedTo(room.size() - extra));
  move(room.topLeft());
  fitted_ = size();
}

void MainWindow::openModelFile(const std::string& path) { g_.openModelFile(path); }

void MainWindow::openFile(const std::string& path) { g_.openFile(path); }

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the window ends the program as "EXIT" does: nothing is left behind.
  if (!exiting_) {
    if (!g_.askToSave()) {
      event->ignore();  // the tester went back
      return;
    }
    exiting_ = true;
    g_.terminate();
  }
  event->accept();
}

}  // namespace zov::gui
