#include "shell/printing.h"

#include "shell/window_size.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zov::gui {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool Blank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Tabs to blanks, every eighth column a stop: the lists are printed in a
// fixed-pitch font and the width of a line must be measurable.
QString ExpandTab(const QString& line) {
  if (!line.contains(QLatin1Char('\t'))) return line;
  QString out;
  out.reserve(line.size() + 16);
  for (QChar c : line) {
    if (c == QLatin1Char('\t'))
      out.append(QString(8 - out.size() % 8, QLatin1Char(' ')));
    else
      out.append(c);
  }
  return out;
}

// The most characters of text that fit after prefix; at least one, so that
// a character wider than the page still moves the line on, and never half
// of a surrogate pair.
qsizetype HowManyFit(const QString& prefix, const QString& text, const QFontMetricsF& fm, qreal width) {
  qsizetype lo = 0, hi = text.size();
  while (lo < hi) {
    const qsizetype mid = (lo + hi + 1) / 2;
    if (fm.horizontalAdvance(prefix + text.left(mid)) <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  if (lo > 0 && lo < text.size() && text[lo - 1].isHighSurrogate()) --lo;
  if (lo == 0) lo = text.size() > 1 && text[0].isHighSurrogate() ? 2 : 1;
  return std::min(lo, text.size());
}

}  // namespace

QFont PrintFont() {
  QFont font(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(9);
  return font;
}

QStringList WrapLine(const QString& line, const QFontMetricsF& fm, qreal width) {
  if (fm.horizontalAdvance(line) <= width) return {line};
  qsizetype lead = 0;
  while (lead < line.size() && Blank(line[lead])) ++lead;
  QString indent = line.left(lead);
  // An indent deeper than half the page would leave too little room for
  // the text: the continuation lines then start at the margin.
  if (fm.horizontalAdvance(indent) > width / 2) indent.clear();

  QStringList pieces;
  QString rest = line;
  QString prefix;         // nothing before the first piece, the indent before the others
  qsizetype from = lead;  // the first piece does not break inside its own indent
  while (!rest.isEmpty()) {
    if (fm.horizontalAdvance(prefix + rest) <= width) {
      pieces << prefix + rest;
      break;
    }
    const qsizetype n = HowManyFit(prefix, rest, fm, width);
    // The last blank up to the first character that does not fit.
    qsizetype cut = n, resume = n;
    for (qsizetype i = std::min(n, rest.size() - 1); i > from; --i)
      if (Blank(rest[i])) {
        cut = i;
        resume = i + 1;
        break;
      }
    QString piece = rest.left(cut);
    while (!piece.isEmpty() && Blank(piece.back())) piece.chop(1);
    pieces << prefix + piece;
    rest = rest.mid(resume);
    qsizetype skip = 0;
    while (skip < rest.size() && Blank(rest[skip])) ++skip;
    rest = rest.mid(skip);
    prefix = indent;
    from = 0;
  }
  return pieces;
}

Pagination Paginate(const std::vector<std::string>& lines, const QFontMetricsF& fm, qreal width, qreal height) {
  Pagination layout;
  layout.width = width;
  const qreal step = fm.lineSpacing();
  const auto perPage = std::max<qsizetype>(1, static_cast<qsizetype>(height / step));
  QStringList page;
  for (const std::string& line : lines)
    for (const QString& piece : WrapLine(ExpandTab(Q(line)), fm, width)) {
      if (page.size() == perPage) {
        layout.pages << page;
        page.clear();
      }
      page << piece;
    }
  if (!page.isEmpty() || layout.pages.isEmpty()) layout.pages << page;
  return layout;
}

Pagination DrawPages(QPrinter& printer, const std::vector<std::string>& lines) {
  QPainter painter;
  if (!painter.begin(&printer)) return {};
  painter.setFont(PrintFont());
  const QFontMetricsF fm(painter.font(), &printer);
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  Pagination layout = Paginate(lines, fm, page.width(), page.height());
  for (qsizetype p = 0; p < layout.pages.size(); ++p) {
    if (p > 0) printer.newPage();
    qreal y = fm.ascent();
    for (const QString& line : layout.pages[p]) {
      painter.drawText(QPointF(0, y), line);
      y += fm.lineSpacing();
    }
  }
  layout.painted = painter.end();
  return layout;
}

PrintView::PrintView(const QString& title, const std::vector<std::string>& lines, bool withPrinter, QWidget* parent)
    : QDialog(parent), title_(title), lines_(lines), withPrinter_(withPrinter), printer_(QPrinter::HighResolution) {
  setObjectName(QStringLiteral("VistaStampa"));
  setWindowTitle(title);
  printer_.setDocName(title);
  // Without a printer the pages are laid out for a PDF file.
  if (!withPrinter_) printer_.setOutputFormat(QPrinter::PdfFormat);

  auto button = [this](const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* previous = button(QStringLiteral("< Page"), "previous");
  QPushButton* next = button(QStringLiteral("Page >"), "next");
  QPushButton* fit = button(QStringLiteral("Fit Width"), "fit");
  QPushButton* zoomIn = button(QStringLiteral("Zoom In"), "zoomIn");
  QPushButton* zoomOut = button(QStringLiteral("Zoom Out"), "zoomOut");
  print_ = button(withPrinter_ ? QStringLiteral("&Print...") : QStringLiteral("Save as &PDF..."), "print");
  print_->setDefault(true);
  QPushButton* close = button(QStringLiteral("&Close"), "close");
  page_ = new QLabel(this);
  page_->setObjectName(QStringLiteral("page"));
  // The pages come after the buttons above them, so that Tab reads as the
  // window does.
  preview_ = new QPrintPreviewWidget(&printer_, this);
  preview_->setAccessibleName(QStringLiteral("Page preview"));
  // The pages are shown by a view inside it, which takes the keyboard.
  for (QAbstractScrollArea* view : preview_->findChildren<QAbstractScrollArea*>())
    view->setAccessibleName(QStringLiteral("Page preview"));
  preview_->setObjectName(QStringLiteral("preview"));
  connect(preview_, &QPrintPreviewWidget::paintRequested, this,
          [this](QPrinter* p) { layout_ = DrawPages(*p, lines_); });
  connect(preview_, &QPrintPreviewWidget::previewChanged, this, &PrintView::updatePage);

  connect(previous, &QPushButton::clicked, this, [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
  connect(next, &QPushButton::clicked, this, [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
  connect(fit, &QPushButton::clicked, preview_, &QPrintPreviewWidget::fitToWidth);
  connect(zoomIn, &QPushButton::clicked, preview_, [this] { preview_->zoomIn(); });
  connect(zoomOut, &QPushButton::clicked, preview_, [this] { preview_->zoomOut(); });
  connect(print_, &QPushButton::clicked, this, &PrintView::printLines);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* bar = new QHBoxLayout;
  for (QWidget* w : {static_cast<QWidget*>(previous), static_cast<QWidget*>(page_), static_cast<QWidget*>(next),
                     static_cast<QWidget*>(fit), static_cast<QWidget*>(zoomIn), static_cast<QWidget*>(zoomOut)})
    bar->addWidget(w);
  bar->addStretch(1);
  bar->addWidget(print_);
  bar->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(preview_, 1);
  resize(FitWindow(parentWidget(), QSize(800, 700)));
}

void PrintView::updatePage() {
  page_->setText(QStringLiteral("Page %1 of %2").arg(preview_->currentPage()).arg(preview_->pageCount()));
}

bool PrintView::savePdf(const QString& file) {
  const QPrinter::OutputFormat format = printer_.outputFormat();
  printer_.setOutputFormat(QPrinter::PdfFormat);
  printer_.setOutputFileName(file);
  layout_ = DrawPages(printer_, lines_);
  printer_.setOutputFileName(QString());
  printer_.setOutputFormat(format);
  if (layout_.painted) target_ = file;
  return layout_.painted;
}

void PrintView::printLines() {
  if (withPrinter_) {
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    preview_->print();
    target_ = printer_.outputFileName().isEmpty() ? printer_.printerName() : printer_.outputFileName();
    accept();
    return;
  }
  // No printer: the pages go to a PDF file the tester names.
  const QString file = QFileDialog::getSaveFileName(
      this, title_, QDir(folder_.isEmpty() ? QDir::currentPath() : folder_).filePath(title_ + QStringLiteral(".pdf")),
      QStringLiteral("PDF files (*.pdf)"));
  if (file.isEmpty()) return;
  if (!savePdf(file)) {
    QMessageBox::warning(this, title_, QStringLiteral("The file %1 could not be written.").arg(file));
    return;
  }
  accept();
}

}  // namespace zov::gui
