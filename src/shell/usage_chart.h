// The usage chart of the selection tree: for each leaf, heaviest first, a
// bar of its absolute weight and a bar of its test procedures side by side,
// each on its own scale, with the coverage cut marked. Painted with
// QPainter, so the window, the PNG and the SVG file show the same picture.
#pragma once

#include <QDialog>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <optional>

#include "selection/usage_chart.h"

class QPainter;
class QPushButton;
class QScrollArea;
class QTableWidget;

namespace zov::gui {

// Where the chart puts what it draws, for a given width.
struct ChartLayout {
  struct Row {
    QString label;  // as drawn (elided when too long)
    QRectF row;
    QRectF weightBarRect, proceduresBar;
    bool belowCut = false;
  };
  QList<Row> rows;
  std::optional<qreal> cutY;  // the cut line, between the last leaf inside and the first below
  QRectF weightPanel, proceduresPanel;
  QSizeF size;
};

class UsageChartView : public QWidget {
  Q_OBJECT

 public:
  UsageChartView(UsageChartData chart, QString titleMetrics, QWidget* parent = nullptr);

  const UsageChartData& chart() const { return g_; }
  ChartLayout lay(qreal width) const;
  // Paints the chart at the given width from (0, 0), on a white ground.
  void paint(QPainter& p, qreal width) const;
  // The full chart as files, at the width shown (at least the minimum).
  bool exportPng(const QString& file) const;
  bool exportSvg(const QString& file) const;
  QSize sizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* e) override;

 private:
  qreal exportedWidth() const;
  QString subtitleText() const;
  UsageChartData g_;
  QString title_;
  QFont textFont_, boldFont_, titleFont_;
};

// The dialog: the chart, "Export PNG...", "Export SVG..." (the platform
// save dialog, in the folder of the model file, whose name the title shows)
// and "Close".
class UsageChartDialog : public QDialog {
  Q_OBJECT

 public:
  UsageChartDialog(UsageChartData chart, const QString& model, QWidget* parent = nullptr);
  UsageChartView* view() const { return view_; }
  QPushButton* pngButton() const { return png_; }
  QPushButton* svgButton() const { return svg_; }
  // The chart's figures as a table: one row per leaf, readable by a screen
  // reader and copyable (Ctrl+C copies the selected rows as tab-separated text).
  QTableWidget* table() const { return table_; }

 private:
  void exportFiles(bool svg);
  UsageChartView* view_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPushButton* png_ = nullptr;
  QPushButton* svg_ = nullptr;
  QString model_;
};

}  // namespace zov::gui
