// Printing text lists: the page layout of lines in a fixed-pitch font, long
// lines wrapped to the page width, and the preview window that shows the
// pages and sends them to a printer or, without one, to a PDF file.
#pragma once

#include <QDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QPrintPreviewWidget;
class QPushButton;
class QLabel;

namespace zov::gui {

// The font of printed lists.
QFont PrintFont();

// One line cut into pieces no wider than width, each measured with fm.
// The pieces after the first are indented like the line (its leading
// blanks) and start at a blank where the line has one in reach, else at
// the character that no longer fits. A line that fits stays whole.
QStringList WrapLine(const QString& line, const QFontMetricsF& fm, qreal width);

// The lines cut to the page width and grouped into pages of at most
// height; each page holds whole printed lines.
struct Pagination {
  QList<QStringList> pages;
  qreal width = 0;       // the width the lines were cut to
  bool painted = false;  // painted on the device (false when it could not be opened)
};
Pagination Paginate(const std::vector<std::string>& lines, const QFontMetricsF& fm, qreal width, qreal height);

// Paints the lines on the printer's pages (its paint rectangle) and
// returns how they were laid out.
Pagination DrawPages(QPrinter& printer, const std::vector<std::string>& lines);

// The print preview: the pages as they will print, zoom and page buttons,
// and "Print..." (the platform print dialog) or, when no printer is
// installed, "Save as PDF..." (the platform save dialog, "<title>.pdf").
class PrintView : public QDialog {
  Q_OBJECT

 public:
  PrintView(const QString& title, const std::vector<std::string>& lines, bool withPrinter, QWidget* parent = nullptr);

  QPrinter& printer() { return printer_; }
  QPrintPreviewWidget* preview() const { return preview_; }
  QPushButton* printButton() const { return print_; }
  bool withPrinter() const { return withPrinter_; }
  // The folder where "Save as PDF..." starts.
  void setStartFolder(const QString& folder) { folder_ = folder; }
  // The layout of the last pages painted (preview, printer or file).
  const Pagination& pagination() const { return layout_; }
  // Writes the pages to a PDF file, without a dialog; false when the file
  // cannot be written.
  bool savePdf(const QString& file);
  // Where the pages went: the PDF file, or the printer (or the file it
  // printed to); empty until they went somewhere.
  const QString& target() const { return target_; }

 private:
  void printLines();
  void updatePage();

  QString title_;
  QString folder_;
  QString target_;
  std::vector<std::string> lines_;
  bool withPrinter_;
  QPrinter printer_;
  Pagination layout_;
  QPrintPreviewWidget* preview_ = nullptr;
  QPushButton* print_ = nullptr;
  QLabel* page_ = nullptr;
};

}  // namespace zov::gui
