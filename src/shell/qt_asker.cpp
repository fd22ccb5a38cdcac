#include "shell/qt_asker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QSettings>
#include <QVBoxLayout>

#include "selection/allocation.h"
#include "shell/dialogs.h"
#include "shell/printing.h"
#include "specification/category_editors.h"
#include "weights/node_editor.h"

namespace zov::gui {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

Answer QtAsker::messageBox(std::string_view text, std::string_view title, MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(parent_);
  box.setWindowTitle(Q(title));
  box.setText(Q(text));
  switch (icon) {
    case MessageIcon::kInformation: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::kWarning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::kCritical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::kQuestion: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::kNone: break;
  }
  switch (buttons) {
    case MessageButtons::kOk: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::kOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::kYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::kYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::kYes;
    case QMessageBox::No: return Answer::kNo;
    case QMessageBox::Cancel: return Answer::kCancel;
    default: return Answer::kOk;
  }
}

std::optional<std::string> QtAsker::inputBox(std::string_view prompt, std::string_view title,
                                             std::string_view defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent_, Q(title), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::string> QtAsker::openFile(std::string_view title, std::string_view filter,
                                             std::string_view startFolder) {
  QStringList labels;
  for (const auto& [label, pattern] : SplitFilter(filter)) labels << Q(label);
  const QString path = QFileDialog::getOpenFileName(parent_, Q(title), Q(startFolder), labels.join(";;"));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtAsker::openModelFile(std::string_view title, std::string_view filter,
                                                  std::string_view startFolder, std::string& encoding) {
  QStringList labels;
  for (const auto& [label, pattern] : SplitFilter(filter)) labels << Q(label);
  // Qt's own dialog, which takes a field of ours below its file type.
  QFileDialog dialog(parent_, Q(title), Q(startFolder), labels.join(QStringLiteral(";;")));
  dialog.setObjectName(QStringLiteral("OpenModel"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* combo = new QComboBox(&dialog);
  combo->setObjectName(QStringLiteral("encoding"));
  combo->setAccessibleName(QStringLiteral("Encoding"));
  combo->setToolTip(
      QStringLiteral("The encoding of a model that does not say its own: a petal file whose header "
                     "says charSet 0, an XMI file without an encoding declaration"));
  combo->setEditable(true);  // any name iconv knows
  combo->lineEdit()->setAccessibleName(QStringLiteral("Encoding"));
  const QString asTheFileSays = QStringLiteral("As the file says");
  combo->addItem(asTheFileSays);
  for (const char* name :
       {"windows-1250", "windows-1251", "windows-1252", "windows-1253", "windows-1254", "windows-1255", "windows-1256",
        "windows-1257", "ISO-8859-2", "KOI8-R", "Shift_JIS", "GBK", "Big5", "EUC-KR", "UTF-8"})
    combo->addItem(QString::fromLatin1(name));
  combo->setCurrentText(encoding.empty() ? asTheFileSays : Q(encoding));
  auto* label = new QLabel(QStringLiteral("&Encoding:"), &dialog);
  label->setBuddy(combo);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(combo, row, 1);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = combo->currentText().trimmed();
  encoding = chosen == asTheFileSays ? std::string() : chosen.toStdString();
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtAsker::saveFile(std::string_view title, std::string_view filter,
                                             std::string_view startFolder) {
  QStringList labels;
  for (const auto& [label, pattern] : SplitFilter(filter)) labels << Q(label);
  const QString path = QFileDialog::getSaveFileName(parent_, Q(title), Q(startFolder), labels.join(";;"));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtAsker::chooseFolder(std::string_view title, std::string_view startFolder) {
  const QString path = QFileDialog::getExistingDirectory(parent_, Q(title), Q(startFolder));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

bool QtAsker::chooseOptions(std::string_view title, std::vector<std::pair<std::string, bool>>& options) {
  QSettings settings;
  const QString group = Q(title).remove(QLatin1Char('&')).remove(QStringLiteral("..."));
  settings.beginGroup(group);
  QDialog dialog(parent_);
  dialog.setObjectName(QStringLiteral("Options"));
  dialog.setWindowTitle(Q(title).remove(QLatin1Char('&')));
  auto* layout = new QVBoxLayout(&dialog);
  std::vector<QCheckBox*> boxes;
  for (const auto& [name, on] : options) {
    auto* box = new QCheckBox(Q(name), &dialog);
    box->setObjectName(Q(name));
    box->setChecked(settings.value(Q(name), on).toBool());
    layout->addWidget(box);
    boxes.push_back(box);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  for (std::size_t i = 0; i < options.size(); ++i) {
    options[i].second = boxes[i]->isChecked();
    settings.setValue(Q(options[i].first), options[i].second);
  }
  return true;
}

void QtAsker::nodeEditor(Edita& editor) {
  NodeEditorDialog dialog(editor, parent_);
  dialog.exec();
  if (!editor.closed()) editor.cancel();
}

void QtAsker::numTest(CriterionDialog& d) {
  NumTestDialog dialog(d, *this, parent_);
  dialog.exec();
  if (!d.finito) d.cancel();
}

void QtAsker::settingsEditor(SettingsEditor& editor) {
  FormIntervallo dialog(editor, parent_);
  dialog.exec();
  if (!editor.done) editor.cancel();
}

void QtAsker::interactionsEditor(InteractionsEditor& editor) {
  FormInteractions dialog(editor, parent_);
  dialog.exec();
  if (!editor.done) editor.cancel();
}

bool QtAsker::printLines(std::string_view title, const std::vector<std::string>& lines) {
  // The preview is offered with and without a printer; without one the
  // pages go to a PDF file.
  PrintView preview(Q(title), lines, !QPrinterInfo::availablePrinters().isEmpty(), parent_);
  if (printFolder) preview.setStartFolder(Q(printFolder()));
  const bool printed = preview.exec() == QDialog::Accepted;
  lastPrintTarget_ = printed ? preview.target().toStdString() : std::string();
  return printed;
}

}  // namespace zov::gui
