#include "shell/usage_chart.h"

#include "shell/window_size.h"

#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSvgGenerator>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace zov::gui {

namespace {

constexpr qreal kMargin = 16;
constexpr qreal kPanelGap = 28;  // between the two panels
constexpr qreal kMinimumWidth = 720;
const QColor kWeightColor(0x2e, 0x6f, 0xb7);
const QColor kProceduresColor(0xe0, 0x7b, 0x1a);
const QColor kBelowCutColor(0xbd, 0xbd, 0xbd);
const QColor kBelowCutText(0x70, 0x70, 0x70);
const QColor kCutColor(0xc6, 0x28, 0x28);
const QColor kGridColor(0xe2, 0xe2, 0xe2);
const QColor kAlternateRow(0xf4, 0xf6, 0xf9);

const QString kBelowCutLabel = QStringLiteral("below the cut");

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Percento(double value, int decimals) { return QString::number(value, 'f', decimals) + QLatin1Char('%'); }

// The fixed heights of the chart, from its fonts.
struct Misure {
  QFontMetricsF text_, titleMetrics;
  qreal row, band, header;
  explicit Misure(const QFont& text, const QFont& title)
      : text_(text),
        titleMetrics(title),
        row(std::max<qreal>(24, text_.height() + 10)),
        band(text_.height() + 10),
        // title, subtitle, legend, panel names, scale numbers
        header(kMargin + titleMetrics.height() + 6 + text_.height() + 12 + text_.height() + 16 + text_.height() + 6 +
               text_.height() + 6) {}
};

}  // namespace

UsageChartView::UsageChartView(UsageChartData chart, QString titleMetrics, QWidget* parent)
    : QWidget(parent), g_(std::move(chart)), title_(std::move(titleMetrics)) {
  setObjectName(QStringLiteral("graficoUso"));
  // Sizes in pixels: the same picture on screen, in the PNG and in the SVG.
  textFont_ = font();
  textFont_.setPixelSize(13);
  boldFont_ = textFont_;
  boldFont_.setBold(true);
  titleFont_ = textFont_;
  titleFont_.setPixelSize(18);
  titleFont_.setBold(true);
  setMinimumSize(static_cast<int>(kMinimumWidth), heightForWidth(static_cast<int>(kMinimumWidth)));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QString UsageChartView::subtitleText() const {
  const auto leaves = static_cast<qsizetype>(g_.leaves.size());
  QString text = QStringLiteral("%1 leaves, %2 test procedures").arg(leaves).arg(g_.totalProcedures);
  if (!g_.coverageCut) return text + QStringLiteral("; allotted by number, no coverage cut");
  text += QStringLiteral("; functional coverage %1%: ").arg(*g_.coverageCut);
  const auto inside = static_cast<qsizetype>(g_.inside);
  if (inside == leaves)
    return text +
           QStringLiteral("every leaf is inside the cut (%1 of the usage)").arg(Percento(100.0 * g_.weightInside, 1));
  return text + QStringLiteral("%1 leaves inside the cut hold %2 of the usage, %3 fell below it")
                    .arg(inside)
                    .arg(Percento(100.0 * g_.weightInside, 1))
                    .arg(leaves - inside);
}

int UsageChartView::heightForWidth(int) const {
  const Misure m(textFont_, titleFont_);
  const bool band = g_.coverageCut && g_.inside < g_.leaves.size();
  const qreal rows = std::max<qreal>(1, static_cast<qreal>(g_.leaves.size())) * m.row;
  return static_cast<int>(std::ceil(m.header + rows + (band ? m.band : 0) + kMargin));
}

QSize UsageChartView::sizeHint() const { return {960, heightForWidth(960)}; }

ChartLayout UsageChartView::lay(qreal width) const {
  const Misure m(textFont_, titleFont_);
  width = std::max(width, kMinimumWidth);
  ChartLayout d;
  d.size = QSizeF(width, heightForWidth(static_cast<int>(width)));

  // The names take what they need, up to a third of the width.
  qreal names = m.text_.horizontalAdvance(QStringLiteral("Leaf"));
  for (const UsageLeaf& f : g_.leaves) names = std::max(names, m.text_.horizontalAdvance(Q(f.label)));
  names = std::min(names + 14, width / 3);
  const qreal left = kMargin + names;
  const qreal panel = (width - kMargin - left - kPanelGap) / 2;
  const qreal top = m.header;
  const qreal rows = std::max<qreal>(1, static_cast<qreal>(g_.leaves.size())) * m.row;
  const bool band = g_.coverageCut && g_.inside < g_.leaves.size();
  const qreal bottom = top + rows + (band ? m.band : 0);
  d.weightPanel = QRectF(left, top, panel, bottom - top);
  d.proceduresPanel = QRectF(left + panel + kPanelGap, top, panel, bottom - top);

  const qreal weightText = m.text_.horizontalAdvance(QStringLiteral("100.00%")) + 8;
  const qreal procedureText = std::max(m.text_.horizontalAdvance(QString::number(g_.mostProcedures())),
                                       m.text_.horizontalAdvance(kBelowCutLabel)) +
                              8;
  const AxisScale weightScale = Scale(100.0 * g_.heaviestWeight(), 5, false);
  const AxisScale procedureScale = Scale(g_.mostProcedures(), 5, true);
  const qreal weightBar = panel - weightText, procedureBar = panel - procedureText;
  const qreal bar = std::round(m.row * 0.55);

  qreal y = top;
  for (std::size_t i = 0; i < g_.leaves.size(); ++i) {
    const UsageLeaf& f = g_.leaves[i];
    if (band && i == g_.inside) {
      d.cutY = y + 3;
      y += m.band;
    }
    ChartLayout::Row r;
    r.label = m.text_.elidedText(Q(f.label), Qt::ElideMiddle, names - 14);
    r.row = QRectF(kMargin, y, width - 2 * kMargin, m.row);
    r.belowCut = f.belowCut;
    const qreal barTop = y + (m.row - bar) / 2;
    r.weightBarRect = QRectF(d.weightPanel.left(), barTop, weightBar * 100.0 * f.weight / weightScale.top, bar);
    r.proceduresBar = QRectF(d.proceduresPanel.left(), barTop, procedureBar * f.procedure / procedureScale.top, bar);
    d.rows << r;
    y += m.row;
  }
  return d;
}

void UsageChartView::paint(QPainter& p, qreal width) const {
  const Misure m(textFont_, titleFont_);
  const ChartLayout d = lay(width);
  width = d.size.width();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRectF(QPointF(0, 0), d.size), Qt::white);

  // Title, what it shows, legend.
  qreal y = kMargin;
  p.setPen(Qt::black);
  p.setFont(titleFont_);
  p.drawText(QPointF(kMargin, y + m.titleMetrics.ascent()), title_);
  y += m.titleMetrics.height() + 6;
  p.setFont(textFont_);
  p.drawText(QPointF(kMargin, y + m.text_.ascent()), subtitleText());
  y += m.text_.height() + 12;
  qreal x = kMargin;
  const auto legend = [&](const QColor& colour, const QString& text) {
    const qreal side = m.text_.ascent() - 2;
    p.fillRect(QRectF(x, y + (m.text_.height() - side) / 2, side, side), colour);
    x += side + 6;
    p.setPen(Qt::black);
    p.drawText(QPointF(x, y + m.text_.ascent()), text);
    x += m.text_.horizontalAdvance(text) + 22;
  };
  legend(kWeightColor, QStringLiteral("Absolute weight (product of the weights along the path)"));
  legend(kProceduresColor, QStringLiteral("Test procedures allotted"));
  if (g_.coverageCut && g_.inside < g_.leaves.size())
    legend(kBelowCutColor, QStringLiteral("Leaf below the coverage cut"));
  y += m.text_.height() + 16;

  // The two panels: name, scale and grid.
  const qreal rowsTop = d.weightPanel.top(), rowsBottom = d.weightPanel.bottom();
  const qreal weightText = m.text_.horizontalAdvance(QStringLiteral("100.00%")) + 8;
  const qreal procedureText = std::max(m.text_.horizontalAdvance(QString::number(g_.mostProcedures())),
                                       m.text_.horizontalAdvance(kBelowCutLabel)) +
                              8;
  const auto axis = [&](const QRectF& panel, const QString& name, const AxisScale& scale, qreal length, bool percent) {
    p.setFont(boldFont_);
    p.setPen(Qt::black);
    p.drawText(QPointF(panel.left(), y + m.text_.ascent()), name);
    p.setFont(textFont_);
    const qreal numbers = y + m.text_.height() + 6;
    const int steps = static_cast<int>(std::lround(scale.top / scale.step));
    for (int i = 0; i <= steps; ++i) {
      const double value = i * scale.step;
      const qreal at = panel.left() + length * value / scale.top;
      p.setPen(QPen(kGridColor, 1));
      p.drawLine(QPointF(at, rowsTop - 3), QPointF(at, rowsBottom));
      const QString label = percent ? Percento(value, scale.step < 1 ? 1 : 0) : QString::number(std::lround(value));
      const qreal w = m.text_.horizontalAdvance(label);
      p.setPen(kBelowCutText);
      p.drawText(QPointF(std::max(panel.left(), at - w / 2), numbers + m.text_.ascent()), label);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(panel.left(), rowsTop - 3), QPointF(panel.left() + length, rowsTop - 3));
  };

  // Rows first, so the grid lies over their shading.
  p.setFont(textFont_);
  for (qsizetype i = 0; i < d.rows.size(); ++i)
    if (i % 2 == 1) p.fillRect(d.rows[i].row, kAlternateRow);
  axis(d.weightPanel, QStringLiteral("Absolute weight (% of the usage)"), Scale(100.0 * g_.heaviestWeight(), 5, false),
       d.weightPanel.width() - weightText, true);
  axis(d.proceduresPanel, QStringLiteral("Test procedures"), Scale(g_.mostProcedures(), 5, true),
       d.proceduresPanel.width() - procedureText, false);

  p.setFont(textFont_);
  for (qsizetype i = 0; i < d.rows.size(); ++i) {
    const ChartLayout::Row& r = d.rows[i];
    const UsageLeaf& f = g_.leaves[static_cast<std::size_t>(i)];
    const qreal base = r.row.top() + (r.row.height() - m.text_.height()) / 2 + m.text_.ascent();
    p.setPen(r.belowCut ? kBelowCutText : Qt::black);
    p.drawText(QPointF(kMargin, base), r.label);
    p.fillRect(r.weightBarRect, r.belowCut ? kBelowCutColor : kWeightColor);
    p.fillRect(r.proceduresBar, r.belowCut ? kBelowCutColor : kProceduresColor);
    p.setPen(r.belowCut ? kBelowCutText : Qt::black);
    p.drawText(QPointF(r.weightBarRect.right() + 5, base), Percento(100.0 * f.weight, 2));
    QFont note = textFont_;
    note.setItalic(r.belowCut);
    p.setFont(note);
    p.drawText(QPointF(r.proceduresBar.right() + 5, base), r.belowCut ? kBelowCutLabel : QString::number(f.procedure));
    p.setFont(textFont_);
  }
  if (d.rows.isEmpty()) {
    p.setPen(kBelowCutText);
    p.drawText(QPointF(kMargin, rowsTop + m.text_.ascent() + 4), QStringLiteral("The selection tree has no leaf."));
  }

  // The cut: a red line across the chart with what it means.
  if (d.cutY) {
    p.setPen(QPen(kCutColor, 2, Qt::DashLine));
    p.drawLine(QPointF(kMargin, *d.cutY), QPointF(width - kMargin, *d.cutY));
    // The grid stops at the words.
    const QString words =
        QStringLiteral("Coverage cut at %1%: the leaves below it get no test procedures").arg(*g_.coverageCut);
    const QFontMetricsF bold(boldFont_);
    p.fillRect(QRectF(kMargin, *d.cutY + 2, bold.horizontalAdvance(words) + 6, bold.height() + 2), Qt::white);
    p.setPen(kCutColor);
    p.setFont(boldFont_);
    p.drawText(QPointF(kMargin, *d.cutY + 3 + bold.ascent()), words);
  }
  p.restore();
}

void UsageChartView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  paint(p, width());
}

bool UsageChartView::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    // The whole name and both figures of the row under the pointer.
    const auto* help = static_cast<QHelpEvent*>(e);
    const ChartLayout d = lay(width());
    for (qsizetype i = 0; i < d.rows.size(); ++i)
      if (d.rows[i].row.contains(help->pos())) {
        const UsageLeaf& f = g_.leaves[static_cast<std::size_t>(i)];
        QToolTip::showText(help->globalPos(), QStringLiteral("%1\n%2 of the usage, %3 test procedures%4")
                                                  .arg(Q(f.label), Percento(100.0 * f.weight, 2))
                                                  .arg(f.procedure)
                                                  .arg(f.belowCut ? QStringLiteral(", below the cut") : QString()));
        return true;
      }
    QToolTip::hideText();
    e->ignore();
    return true;
  }
  return QWidget::event(e);
}

qreal UsageChartView::exportedWidth() const { return std::max<qreal>(width(), kMinimumWidth); }

bool UsageChartView::exportPng(const QString& file) const {
  const ChartLayout d = lay(exportedWidth());
  QImage image(d.size.toSize(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    paint(p, d.size.width());
  }
  return image.save(file, "PNG");
}

bool UsageChartView::exportSvg(const QString& file) const {
  {
    QFile probe(file);  // the generator does not say when it cannot write
    if (!probe.open(QIODevice::WriteOnly)) return false;
  }
  const ChartLayout d = lay(exportedWidth());
  const QSize size = d.size.toSize();
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(logicalDpiX());  // the physical size of the window's picture
  svg.setTitle(title_);
  svg.setDescription(subtitleText());
  QPainter p;
  if (!p.begin(&svg)) return false;
  paint(p, d.size.width());
  return p.end() && QFileInfo(file).size() > 0;
}

UsageChartDialog::UsageChartDialog(UsageChartData chart, const QString& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("GraficoUso"));
  const QString title =
      model.isEmpty() ? QStringLiteral("Usage Chart") : QStringLiteral("Usage Chart - ") + QFileInfo(model).fileName();
  setWindowTitle(title);
  view_ = new UsageChartView(std::move(chart), title, this);
  scroll_ = new QScrollArea(this);
  scroll_->setAccessibleName(QStringLiteral("Usage chart"));
  scroll_->setWidget(view_);
  scroll_->setWidgetResizable(true);
  scroll_->setBackgroundRole(QPalette::Base);

  // The same figures as a table, for a screen reader and for copying.
  const UsageChartData& d = view_->chart();
  table_ = new QTableWidget(static_cast<int>(d.leaves.size()), 4, this);
  table_->setObjectName(QStringLiteral("UsageTable"));
  table_->setAccessibleName(QStringLiteral("Usage chart figures"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Leaf"), QStringLiteral("Absolute weight"),
                                     QStringLiteral("Test procedures"), QStringLiteral("Coverage cut")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  for (int r = 0; r < static_cast<int>(d.leaves.size()); ++r) {
    const UsageLeaf& leaf = d.leaves[static_cast<std::size_t>(r)];
    const QStringList cells = {QString::fromStdString(leaf.label), QString::number(leaf.weight, 'f', 4),
                               QString::number(leaf.procedure),
                               !d.coverageCut  ? QString()
                               : leaf.belowCut ? QStringLiteral("left out")
                                               : QStringLiteral("inside")};
    for (int c = 0; c < cells.size(); ++c) table_->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
  table_->resizeColumnsToContents();
  auto* copy = new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(copy, &QShortcut::activated, this, [this] {
    QString text;
    for (int r = 0; r < table_->rowCount(); ++r) {
      bool any = false;
      QStringList row;
      for (int c = 0; c < table_->columnCount(); ++c) {
        any = any || table_->item(r, c)->isSelected();
        row << table_->item(r, c)->text();
      }
      if (any) text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
  });
  auto* pages = new QTabWidget(this);
  pages->setObjectName(QStringLiteral("UsagePages"));
  pages->setAccessibleName(QStringLiteral("Usage chart and table"));
  pages->addTab(scroll_, QStringLiteral("C&hart"));
  pages->addTab(table_, QStringLiteral("&Table"));
  QWidget::setTabOrder(pages->tabBar(), scroll_);

  png_ = new QPushButton(QStringLiteral("Export &PNG..."), this);
  png_->setObjectName(QStringLiteral("png"));
  svg_ = new QPushButton(QStringLiteral("Export &SVG..."), this);
  svg_->setObjectName(QStringLiteral("svg"));
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  close->setDefault(true);
  connect(png_, &QPushButton::clicked, this, [this] { exportFiles(false); });
  connect(svg_, &QPushButton::clicked, this, [this] { exportFiles(true); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(png_);
  buttons->addWidget(svg_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages, 1);
  layout->addLayout(buttons);
  resize(FitWindow(parentWidget(), QSize(1000, std::min(700, view_->sizeHint().height() + 80))));
}

void UsageChartDialog::exportFiles(bool svg) {
  const QString base = model_.isEmpty() ? QStringLiteral("usage-chart")
                                        : QFileInfo(model_).completeBaseName() + QStringLiteral("-usage-chart");
  // The dialog opens in the model's folder.
  const QDir folder = model_.isEmpty() ? QDir::current() : QFileInfo(model_).absoluteDir();
  const QString file = svg ? QFileDialog::getSaveFileName(this, QStringLiteral("Export SVG"),
                                                          folder.filePath(base + QStringLiteral(".svg")),
                                                          QStringLiteral("SVG files (*.svg)"))
                           : QFileDialog::getSaveFileName(this, QStringLiteral("Export PNG"),
                                                          folder.filePath(base + QStringLiteral(".png")),
                                                          QStringLiteral("PNG files (*.png)"));
  if (file.isEmpty()) return;
  if (!(svg ? view_->exportSvg(file) : view_->exportPng(file)))
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The file %1 could not be written.").arg(file));
}

}  // namespace zov::gui
