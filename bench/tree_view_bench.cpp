// Expanding a node with many children in the window: the view asks the tree
// model for every row's index, parent and text.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>
#include <fstream>

#include "large_model.h"
#include "shell/main_window.h"
#include "shell/tree_model.h"
#include "shell/tree_view.h"
#include "tree/tree.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "zov_gui_bench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

void FillWide(zov::Tree& t, int children) {
  const zov::NodeId root = t.addTop("ROOT", "root", "rose");
  for (int i = 0; i < children; ++i) t.addChild(root, "K" + std::to_string(i), "child " + std::to_string(i), "usecase");
}

// Every row of the node through the model, as a view lays it out.
void BM_ModelRowsOfAWideNode(benchmark::State& state) {
  zov::Tree t;
  FillWide(t, static_cast<int>(state.range(0)));
  zov::gui::TreeModel model(t);
  const QModelIndex root = model.index(0, 0);
  for (auto _ : state) {
    const int rows = model.rowCount(root);
    for (int r = 0; r < rows; ++r) {
      const QModelIndex i = model.index(r, 0, root);
      benchmark::DoNotOptimize(model.parent(i));
      benchmark::DoNotOptimize(model.data(i, Qt::DisplayRole));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ModelRowsOfAWideNode)->Arg(50000)->Unit(benchmark::kMillisecond);

// A real view expanding the node and laying out its rows.
void BM_ViewExpandsAWideNode(benchmark::State& state) {
  App();
  zov::Tree t;
  FillWide(t, static_cast<int>(state.range(0)));
  zov::gui::TreeModel model(t);
  QTreeView view;
  view.setUniformRowHeights(true);
  view.setModel(&model);
  view.resize(800, 600);
  const QModelIndex root = model.index(0, 0);
  for (auto _ : state) {
    view.collapse(root);
    view.expand(root);
    view.scrollToBottom();  // forces the layout of every row
  }
}
BENCHMARK(BM_ViewExpandsAWideNode)->Arg(50000)->Unit(benchmark::kMillisecond);

// "Expand &Main Tree" in the shown window on the model zov_synth N writes
// (5,000 use cases: a Main Tree of about 20,000 nodes), then "Collapse".
void BM_WindowExpandsTheMainTree(benchmark::State& state) {
  App();
  QTemporaryDir dir;
  const std::string model = dir.filePath(QStringLiteral("synth.mdl")).toStdString();
  std::ofstream(model, std::ios::binary) << zov::bench::LargeModel(static_cast<int>(state.range(0)));
  zov::gui::MainWindow w;
  w.loadWindow();
  w.show();
  w.openModelFile(model);
  zov::Generale& g = w.state();
  zov::Tree& main = g.TV(zov::kMainTree);
  state.counters["nodes"] = main.count();
  for (auto _ : state) {
    g.expandTree(zov::kMainTree);
    w.tv(zov::kMainTree)->scrollToBottom();  // lays out every row
    QApplication::processEvents();
    state.PauseTiming();
    g.collapseTree(zov::kMainTree);
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WindowExpandsTheMainTree)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
