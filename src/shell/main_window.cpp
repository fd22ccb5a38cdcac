#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/busy_dialog.h"
#include "shell/grafico_uso.h"
#include "shell/qt_asker.h"
#include "shell/tree_view.h"

namespace zov::gui {

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("Generale"));
  busy_ = new BusyDialog(this);
  asker_ = std::make_unique<QtAsker>(this);
  g_.setBusyBox(busy_);
  g_.setAsker(asker_.get());

  std::string error;
  work_ = WorkFolder::CreatePrivate(&error);
  if (work_) g_.setWorkFolder(&*work_);

  buildPages();
  buildMenus();

  g_.onCaptionChange = [this] { setWindowTitle(Q(g_.caption)); };
  g_.onLabelsChange = [this] {
    livv_->setText(Q(g_.livv));
    somma_->setText(Q(g_.somma));
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
  g_.onGrafico = [this] {
    GraficoUsoDialog chart(CalcolaGraficoUso(g_.TV(kSelectionTree), g_.coperturaUsata),
                           QFileInfo(Q(g_.filemdl)).fileName(), this);
    chart.exec();
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
  if (label != nullptr) layout->addWidget(label);
  scheda_[static_cast<std::size_t>(index)] = frame;
  imma_[static_cast<std::size_t>(index)] = splitter;
  return frame;
}

void MainWindow::buildPages() {
  ts_ = new QTabWidget(this);
  ts_->setObjectName(QStringLiteral("TS"));
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
  livv_ = new QLabel(this);
  livv_->setObjectName(QStringLiteral("Livv"));
  somma_ = new QLabel(this);
  somma_->setObjectName(QStringLiteral("Somma"));
  lb_ = new QListWidget(this);
  lb_->setUniformItemSizes(true);  // scripts can run to many thousands of lines
  lb_->setObjectName(QStringLiteral("LB"));
  lb_->setFont(QFont(QStringLiteral("Monospace")));

  ts_->addTab(page(0, tv(kMainTree), stacked(kDesignTree, kNotLinkedTree), livv_), QStringLiteral("Main Tree"));
  ts_->addTab(page(1, tv(kSelectionTree), stacked(kUitTree, kSelectedTestCases), somma_), QStringLiteral("UIT Tree"));
  ts_->addTab(page(2, tv(kSpecTree), lb_, nullptr), QStringLiteral("Test Specification Tree"));
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
  setCentralWidget(central);
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
    connect(action, &QAction::triggered, this, [this, item] { g_.esegui(item); });
  }
  // The usual shortcuts of a desktop program.
  actions_.value(QStringLiteral("m_caricamdl"))->setShortcut(QKeySequence::Open);
  actions_.value(QStringLiteral("m_uscita"))->setShortcut(QKeySequence::Quit);
  actions_.value(QStringLiteral("mnuPrintTC"))->setShortcut(QKeySequence::Print);

  for (const MenuEntry& e : g_.menus.entries()) reflect(e.name);
  g_.menus.onChange = [this](const std::string& name) { reflect(name); };
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
  const char* name = popup == Popup::kMainTree ? "mnuFile" : popup == Popup::kSelectedTree ? "m_popupSel" : "m_popupA";
  QMenu* m = menus_.value(QString::fromLatin1(name));
  if (m == nullptr) return;
  shownPopup_ = m;
  m->popup(globalPos);
}

void MainWindow::caricaFinestra() {
  g_.caricaFinestra();
  const Layout& l = g_.layout;
  resize(l.width, l.height);
  move(0, 0);
  ts_->setMinimumSize(0, 0);
}

void MainWindow::apriModello(const std::string& path) { ApriModello(g_, path); }

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the window ends the program as "EXIT" does: nothing is left behind.
  if (!exiting_) {
    if (!g_.chiediSalvataggio()) {
      event->ignore();  // the tester went back
      return;
    }
    exiting_ = true;
    g_.termina();
  }
  event->accept();
}

}  // namespace zov::gui
