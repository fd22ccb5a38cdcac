#include "shell/grafico_uso.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace zov::gui {

namespace {

constexpr qreal kMargine = 16;
constexpr qreal kSpazio = 28;  // between the two panels
constexpr qreal kLarghezzaMinima = 720;
const QColor kColorePeso(0x2e, 0x6f, 0xb7);
const QColor kColoreProcedure(0xe0, 0x7b, 0x1a);
const QColor kColoreSotto(0xbd, 0xbd, 0xbd);
const QColor kTestoSotto(0x70, 0x70, 0x70);
const QColor kColoreTaglio(0xc6, 0x28, 0x28);
const QColor kGriglia(0xe2, 0xe2, 0xe2);
const QColor kRigaAlterna(0xf4, 0xf6, 0xf9);

const QString kSottoTaglio = QStringLiteral("below the cut");

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Percento(double value, int decimals) { return QString::number(value, 'f', decimals) + QLatin1Char('%'); }

// The fixed heights of the chart, from its fonts.
struct Misure {
  QFontMetricsF testo, titolo;
  qreal riga, fascia, intestazione;
  explicit Misure(const QFont& text, const QFont& title)
      : testo(text),
        titolo(title),
        riga(std::max<qreal>(24, testo.height() + 10)),
        fascia(testo.height() + 10),
        // title, subtitle, legend, panel names, scale numbers
        intestazione(kMargine + titolo.height() + 6 + testo.height() + 12 + testo.height() + 16 + testo.height() + 6 +
                     testo.height() + 6) {}
};

}  // namespace

UsageChartView::UsageChartView(UsageChartData grafico, QString titolo, QWidget* parent)
    : QWidget(parent), g_(std::move(grafico)), titolo_(std::move(titolo)) {
  setObjectName(QStringLiteral("graficoUso"));
  // Sizes in pixels: the same picture on screen, in the PNG and in the SVG.
  testo_ = font();
  testo_.setPixelSize(13);
  grassetto_ = testo_;
  grassetto_.setBold(true);
  titleFont_ = testo_;
  titleFont_.setPixelSize(18);
  titleFont_.setBold(true);
  setMinimumSize(static_cast<int>(kLarghezzaMinima), heightForWidth(static_cast<int>(kLarghezzaMinima)));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QString UsageChartView::subtitleText() const {
  const auto leaves = static_cast<qsizetype>(g_.foglie.size());
  QString text = QStringLiteral("%1 leaves, %2 test procedures").arg(leaves).arg(g_.totalProcedures);
  if (!g_.copertura) return text + QStringLiteral("; allotted by number, no coverage cut");
  text += QStringLiteral("; functional coverage %1%: ").arg(*g_.copertura);
  const auto inside = static_cast<qsizetype>(g_.dentro);
  if (inside == leaves)
    return text +
           QStringLiteral("every leaf is inside the cut (%1 of the usage)").arg(Percento(100.0 * g_.weightInside, 1));
  return text + QStringLiteral("%1 leaves inside the cut hold %2 of the usage, %3 fell below it")
                    .arg(inside)
                    .arg(Percento(100.0 * g_.weightInside, 1))
                    .arg(leaves - inside);
}

int UsageChartView::heightForWidth(int) const {
  const Misure m(testo_, titleFont_);
  const bool band = g_.copertura && g_.dentro < g_.foglie.size();
  const qreal rows = std::max<qreal>(1, static_cast<qreal>(g_.foglie.size())) * m.riga;
  return static_cast<int>(std::ceil(m.intestazione + rows + (band ? m.fascia : 0) + kMargine));
}

QSize UsageChartView::sizeHint() const { return {960, heightForWidth(960)}; }

ChartLayout UsageChartView::disponi(qreal width) const {
  const Misure m(testo_, titleFont_);
  width = std::max(width, kLarghezzaMinima);
  ChartLayout d;
  d.dimensione = QSizeF(width, heightForWidth(static_cast<int>(width)));

  // The names take what they need, up to a third of the width.
  qreal names = m.testo.horizontalAdvance(QStringLiteral("Leaf"));
  for (const UsageLeaf& f : g_.foglie) names = std::max(names, m.testo.horizontalAdvance(Q(f.etichetta)));
  names = std::min(names + 14, width / 3);
  const qreal left = kMargine + names;
  const qreal panel = (width - kMargine - left - kSpazio) / 2;
  const qreal top = m.intestazione;
  const qreal rows = std::max<qreal>(1, static_cast<qreal>(g_.foglie.size())) * m.riga;
  const bool band = g_.copertura && g_.dentro < g_.foglie.size();
  const qreal bottom = top + rows + (band ? m.fascia : 0);
  d.weightPanel = QRectF(left, top, panel, bottom - top);
  d.proceduresPanel = QRectF(left + panel + kSpazio, top, panel, bottom - top);

  const qreal weightText = m.testo.horizontalAdvance(QStringLiteral("100.00%")) + 8;
  const qreal procedureText = std::max(m.testo.horizontalAdvance(QString::number(g_.mostProcedures())),
                                       m.testo.horizontalAdvance(kSottoTaglio)) +
                              8;
  const AxisScale weightScale = Scala(100.0 * g_.heaviestWeight(), 5, false);
  const AxisScale procedureScale = Scala(g_.mostProcedures(), 5, true);
  const qreal weightBar = panel - weightText, procedureBar = panel - procedureText;
  const qreal bar = std::round(m.riga * 0.55);

  qreal y = top;
  for (std::size_t i = 0; i < g_.foglie.size(); ++i) {
    const UsageLeaf& f = g_.foglie[i];
    if (band && i == g_.dentro) {
      d.cutY = y + 3;
      y += m.fascia;
    }
    ChartLayout::Riga r;
    r.etichetta = m.testo.elidedText(Q(f.etichetta), Qt::ElideMiddle, names - 14);
    r.riga = QRectF(kMargine, y, width - 2 * kMargine, m.riga);
    r.belowCut = f.belowCut;
    const qreal barTop = y + (m.riga - bar) / 2;
    r.weightBarRect = QRectF(d.weightPanel.left(), barTop, weightBar * 100.0 * f.peso / weightScale.cima, bar);
    r.proceduresBar = QRectF(d.proceduresPanel.left(), barTop, procedureBar * f.procedure / procedureScale.cima, bar);
    d.righe << r;
    y += m.riga;
  }
  return d;
}

void UsageChartView::disegna(QPainter& p, qreal width) const {
  const Misure m(testo_, titleFont_);
  const ChartLayout d = disponi(width);
  width = d.dimensione.width();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRectF(QPointF(0, 0), d.dimensione), Qt::white);

  // Title, what it shows, legend.
  qreal y = kMargine;
  p.setPen(Qt::black);
  p.setFont(titleFont_);
  p.drawText(QPointF(kMargine, y + m.titolo.ascent()), titolo_);
  y += m.titolo.height() + 6;
  p.setFont(testo_);
  p.drawText(QPointF(kMargine, y + m.testo.ascent()), subtitleText());
  y += m.testo.height() + 12;
  qreal x = kMargine;
  const auto legend = [&](const QColor& colour, const QString& text) {
    const qreal side = m.testo.ascent() - 2;
    p.fillRect(QRectF(x, y + (m.testo.height() - side) / 2, side, side), colour);
    x += side + 6;
    p.setPen(Qt::black);
    p.drawText(QPointF(x, y + m.testo.ascent()), text);
    x += m.testo.horizontalAdvance(text) + 22;
  };
  legend(kColorePeso, QStringLiteral("Absolute weight (product of the weights along the path)"));
  legend(kColoreProcedure, QStringLiteral("Test procedures allotted"));
  if (g_.copertura && g_.dentro < g_.foglie.size()) legend(kColoreSotto, QStringLiteral("Leaf below the coverage cut"));
  y += m.testo.height() + 16;

  // The two panels: name, scale and grid.
  const qreal rowsTop = d.weightPanel.top(), rowsBottom = d.weightPanel.bottom();
  const qreal weightText = m.testo.horizontalAdvance(QStringLiteral("100.00%")) + 8;
  const qreal procedureText = std::max(m.testo.horizontalAdvance(QString::number(g_.mostProcedures())),
                                       m.testo.horizontalAdvance(kSottoTaglio)) +
                              8;
  const auto axis = [&](const QRectF& panel, const QString& name, const AxisScale& scale, qreal length, bool percent) {
    p.setFont(grassetto_);
    p.setPen(Qt::black);
    p.drawText(QPointF(panel.left(), y + m.testo.ascent()), name);
    p.setFont(testo_);
    const qreal numbers = y + m.testo.height() + 6;
    const int steps = static_cast<int>(std::lround(scale.cima / scale.passo));
    for (int i = 0; i <= steps; ++i) {
      const double value = i * scale.passo;
      const qreal at = panel.left() + length * value / scale.cima;
      p.setPen(QPen(kGriglia, 1));
      p.drawLine(QPointF(at, rowsTop - 3), QPointF(at, rowsBottom));
      const QString label = percent ? Percento(value, scale.passo < 1 ? 1 : 0) : QString::number(std::lround(value));
      const qreal w = m.testo.horizontalAdvance(label);
      p.setPen(kTestoSotto);
      p.drawText(QPointF(std::max(panel.left(), at - w / 2), numbers + m.testo.ascent()), label);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(panel.left(), rowsTop - 3), QPointF(panel.left() + length, rowsTop - 3));
  };

  // Rows first, so the grid lies over their shading.
  p.setFont(testo_);
  for (qsizetype i = 0; i < d.righe.size(); ++i)
    if (i % 2 == 1) p.fillRect(d.righe[i].riga, kRigaAlterna);
  axis(d.weightPanel, QStringLiteral("Absolute weight (% of the usage)"), Scala(100.0 * g_.heaviestWeight(), 5, false),
       d.weightPanel.width() - weightText, true);
  axis(d.proceduresPanel, QStringLiteral("Test procedures"), Scala(g_.mostProcedures(), 5, true),
       d.proceduresPanel.width() - procedureText, false);

  p.setFont(testo_);
  for (qsizetype i = 0; i < d.righe.size(); ++i) {
    const ChartLayout::Riga& r = d.righe[i];
    const UsageLeaf& f = g_.foglie[static_cast<std::size_t>(i)];
    const qreal base = r.riga.top() + (r.riga.height() - m.testo.height()) / 2 + m.testo.ascent();
    p.setPen(r.belowCut ? kTestoSotto : Qt::black);
    p.drawText(QPointF(kMargine, base), r.etichetta);
    p.fillRect(r.weightBarRect, r.belowCut ? kColoreSotto : kColorePeso);
    p.fillRect(r.proceduresBar, r.belowCut ? kColoreSotto : kColoreProcedure);
    p.setPen(r.belowCut ? kTestoSotto : Qt::black);
    p.drawText(QPointF(r.weightBarRect.right() + 5, base), Percento(100.0 * f.peso, 2));
    QFont note = testo_;
    note.setItalic(r.belowCut);
    p.setFont(note);
    p.drawText(QPointF(r.proceduresBar.right() + 5, base), r.belowCut ? kSottoTaglio : QString::number(f.procedure));
    p.setFont(testo_);
  }
  if (d.righe.isEmpty()) {
    p.setPen(kTestoSotto);
    p.drawText(QPointF(kMargine, rowsTop + m.testo.ascent() + 4), QStringLiteral("The selection tree has no leaf."));
  }

  // The cut: a red line across the chart with what it means.
  if (d.cutY) {
    p.setPen(QPen(kColoreTaglio, 2, Qt::DashLine));
    p.drawLine(QPointF(kMargine, *d.cutY), QPointF(width - kMargine, *d.cutY));
    // The grid stops at the words.
    const QString words =
        QStringLiteral("Coverage cut at %1%: the leaves below it get no test procedures").arg(*g_.copertura);
    const QFontMetricsF bold(grassetto_);
    p.fillRect(QRectF(kMargine, *d.cutY + 2, bold.horizontalAdvance(words) + 6, bold.height() + 2), Qt::white);
    p.setPen(kColoreTaglio);
    p.setFont(grassetto_);
    p.drawText(QPointF(kMargine, *d.cutY + 3 + bold.ascent()), words);
  }
  p.restore();
}

void UsageChartView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  disegna(p, width());
}

bool UsageChartView::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    // The whole name and both figures of the row under the pointer.
    const auto* help = static_cast<QHelpEvent*>(e);
    const ChartLayout d = disponi(width());
    for (qsizetype i = 0; i < d.righe.size(); ++i)
      if (d.righe[i].riga.contains(help->pos())) {
        const UsageLeaf& f = g_.foglie[static_cast<std::size_t>(i)];
        QToolTip::showText(help->globalPos(), QStringLiteral("%1\n%2 of the usage, %3 test procedures%4")
                                                  .arg(Q(f.etichetta), Percento(100.0 * f.peso, 2))
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

qreal UsageChartView::exportedWidth() const { return std::max<qreal>(width(), kLarghezzaMinima); }

bool UsageChartView::exportPng(const QString& file) const {
  const ChartLayout d = disponi(exportedWidth());
  QImage image(d.dimensione.toSize(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    disegna(p, d.dimensione.width());
  }
  return image.save(file, "PNG");
}

bool UsageChartView::exportSvg(const QString& file) const {
  {
    QFile probe(file);  // the generator does not say when it cannot write
    if (!probe.open(QIODevice::WriteOnly)) return false;
  }
  const ChartLayout d = disponi(exportedWidth());
  const QSize size = d.dimensione.toSize();
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(logicalDpiX());  // the physical size of the window's picture
  svg.setTitle(titolo_);
  svg.setDescription(subtitleText());
  QPainter p;
  if (!p.begin(&svg)) return false;
  disegna(p, d.dimensione.width());
  return p.end() && QFileInfo(file).size() > 0;
}

UsageChartDialog::UsageChartDialog(UsageChartData grafico, const QString& modello, QWidget* parent)
    : QDialog(parent), modello_(modello) {
  setObjectName(QStringLiteral("GraficoUso"));
  const QString title = modello.isEmpty() ? QStringLiteral("Usage Chart") : QStringLiteral("Usage Chart - ") + modello;
  setWindowTitle(title);
  vista_ = new UsageChartView(std::move(grafico), title, this);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(vista_);
  scroll_->setWidgetResizable(true);
  scroll_->setBackgroundRole(QPalette::Base);

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
  layout->addWidget(scroll_, 1);
  layout->addLayout(buttons);
  resize(1000, std::min(700, vista_->sizeHint().height() + 80));
}

void UsageChartDialog::exportFiles(bool svg) {
  const QString base = modello_.isEmpty() ? QStringLiteral("usage-chart")
                                          : QFileInfo(modello_).completeBaseName() + QStringLiteral("-usage-chart");
  const QString file =
      svg ? QFileDialog::getSaveFileName(this, QStringLiteral("Export SVG"), base + QStringLiteral(".svg"),
                                         QStringLiteral("SVG files (*.svg)"))
          : QFileDialog::getSaveFileName(this, QStringLiteral("Export PNG"), base + QStringLiteral(".png"),
                                         QStringLiteral("PNG files (*.png)"));
  if (file.isEmpty()) return;
  if (!(svg ? vista_->exportSvg(file) : vista_->exportPng(file)))
    QMessageBox::warning(this, windowTitle(), QStringLiteral("The file %1 could not be written.").arg(file));
}

}  // namespace zov::gui
