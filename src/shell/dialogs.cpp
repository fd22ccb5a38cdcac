#include "shell/dialogs.h"

#include <functional>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "selection/allocation.h"
#include "ui/ui.h"
#include "weights/node_editor.h"

namespace zov::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

PlanReportDialog::PlanReportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PlanReport"));
  setWindowTitle(QStringLiteral("Plan Report"));
  view_ = new QPlainTextEdit(this);
  view_->setAccessibleName(QStringLiteral("Plan report"));
  view_->setObjectName(QStringLiteral("report"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addWidget(buttons);
  resize(760, 420);
}

void PlanReportDialog::setReport(const QString& text) { view_->setPlainText(text); }

QString PlanReportDialog::text() const { return view_->toPlainText(); }

NodeEditorDialog::NodeEditorDialog(Edita& editor, QWidget* parent) : QDialog(parent), e_(editor) {
  setObjectName(QStringLiteral("Edita"));
  setWindowTitle(QString::fromUtf8(Edita::kCaption));
  auto* form = new QFormLayout;
  auto* name = new QLabel(Q(e_.Nome));
  name->setObjectName(QStringLiteral("Nome"));
  auto* liv = new QLabel(Q(e_.Liv));
  liv->setObjectName(QStringLiteral("Liv"));
  wei_ = new QLineEdit(Q(e_.Wei));
  wei_->setObjectName(QStringLiteral("Wei"));
  wei_->setAccessibleName(QStringLiteral("Weight"));
  wei_->setAccessibleDescription(QStringLiteral("The node's share of its parent's usage, from 0 to 1"));
  auto* chiave = new QLabel(Q(e_.chiave));
  chiave->setObjectName(QStringLiteral("chiave"));
  chiave->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bold_ = new QCheckBox(QStringLiteral("Selected:"));
  bold_->setObjectName(QStringLiteral("Selez"));
  bold_->setChecked(e_.Selez);
  form->addRow(QStringLiteral("Node:"), name);
  form->addRow(QStringLiteral("Level:"), liv);
  form->addRow(QStringLiteral("&Weight:"), wei_);
  form->addRow(QStringLiteral("HEX Key:"), chiave);
  form->addRow(bold_);

  auto* buttons = new QDialogButtonBox;
  auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Command2"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    e_.Wei = wei_->text().toStdString();
    e_.Selez = bold_->isChecked();
    const std::string refused = e_.ok();
    if (!refused.empty()) {
      QMessageBox::warning(this, QStringLiteral("Zov Suite"), QString::fromStdString(refused));
      return;  // the editor stays open
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(this, &QDialog::rejected, this, [this] {
    if (!e_.closed()) e_.cancel();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  wei_->selectAll();
  wei_->setFocus();
}

NumTestDialog::NumTestDialog(CriterionDialog& dialog, Asker& asker, QWidget* parent) : QDialog(parent), d_(dialog) {
  setObjectName(QStringLiteral("NumTest"));
  setWindowTitle(QString::fromUtf8(CriterionDialog::kCaption));
  auto* frame = new QGroupBox(QStringLiteral("Select your choice: "));
  frame->setObjectName(QStringLiteral("Frame1"));
  numTest_ = new QRadioButton(QStringLiteral("&Number of Test Procedures"));
  numTest_->setObjectName(QStringLiteral("NumTest"));
  coverage_ = new QRadioButton(QStringLiteral("Functional &Coverage"));
  coverage_->setObjectName(QStringLiteral("Coverage"));
  nnTest_ = new QLineEdit;
  nnTest_->setObjectName(QStringLiteral("NNTest"));
  nnTest_->setAccessibleName(QStringLiteral("Number of test procedures"));
  percc_ = new QLineEdit;
  percc_->setObjectName(QStringLiteral("Percc"));
  percc_->setAccessibleName(QStringLiteral("Coverage percentage"));
  auto* grid = new QFormLayout(frame);
  grid->addRow(numTest_, nnTest_);
  grid->addRow(coverage_, percc_);
  // Generation: a path whose categories have no choices gets one procedure.
  everyPath_ = new QCheckBox(QStringLiteral("Every &path at least once"));
  everyPath_->setObjectName(QStringLiteral("EveryPath"));
  everyPath_->setToolTip(
      QStringLiteral("A path whose categories have no choices gets one test procedure: its messages, with nothing "
                     "to choose"));

  auto* buttons = new QDialogButtonBox;
  auto* done = buttons->addButton(QStringLiteral("Done"), QDialogButtonBox::AcceptRole);
  done->setObjectName(QStringLiteral("Done"));
  done->setDefault(true);
  auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Cancel"));

  connect(numTest_, &QRadioButton::clicked, this, [this] {
    d_.chooseNumber();
    sync();
  });
  connect(coverage_, &QRadioButton::clicked, this, [this] {
    d_.chooseCoverage();
    sync();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, [this, &asker] {
    d_.NNTest = nnTest_->text().toStdString();
    d_.Percc = percc_->text().toStdString();
    d_.everyPath = everyPath_->isChecked();
    const std::string refused = d_.done();
    if (!refused.empty()) {
      asker.messageBox(refused, "Select Test Case criterion", MessageButtons::kOk, MessageIcon::kWarning);
      return;  // the dialog stays open
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(this, &QDialog::rejected, this, [this] {
    if (!d_.finito) d_.cancel();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(everyPath_);
  layout->addWidget(buttons);
  nnTest_->setText(Q(d_.NNTest));
  percc_->setText(Q(d_.Percc));
  everyPath_->setChecked(d_.everyPath);
  sync();
}

void NumTestDialog::sync() {
  numTest_->setChecked(d_.optNumTest);
  coverage_->setChecked(d_.optCoverage);
  nnTest_->setEnabled(d_.NNTestEnabled);
  percc_->setEnabled(d_.PerccEnabled);
  (d_.NNTestEnabled ? nnTest_ : percc_)->setFocus();
}

}  // namespace zov::gui

#include <QFontDatabase>
#include <QGridLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalBlocker>

#include "specification/category_editors.h"

namespace zov::gui {

namespace {

QListWidget* List(const char* name, const QString& accessibleName) {
  auto* list = new QListWidget;
  list->setObjectName(QString::fromLatin1(name));
  list->setAccessibleName(accessibleName);
  return list;
}

void Fill(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  for (const std::string& l : lines) list->addItem(QString::fromStdString(l));
}

// A button of the editors. Enter belongs to the text boxes (it adds the
// value), so no button takes it: the buttons sit in a plain row, since a
// button box would make OK the default button when shown.
QPushButton* Pulsante(QHBoxLayout* row, const char* text) {
  auto* b = new QPushButton(QString::fromLatin1(text));
  b->setObjectName(QString::fromLatin1(text));
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

// Enter in any of the boxes adds the value, as "Add" does.
void InvioAggiunge(QPushButton* add, std::initializer_list<QLineEdit*> boxes) {
  add->setAutoDefault(false);
  for (QLineEdit* box : boxes) QObject::connect(box, &QLineEdit::returnPressed, add, &QPushButton::click);
}

const QString kTooManyChoices = QStringLiteral("A category holds at most 101 choices.");

// What "Add" says when the default values are chosen: it adds nothing.
const QString kOwnValuesHint =
    QStringLiteral("The default values are chosen: choose \"Insert your own values\" to add values of your own.");

// "Add": the value in the boxes joins the choices (addValue); with the
// default values chosen it says how to add one's own instead.
void AddValueOnEnter(QDialog* dialog, QPushButton* add, QLineEdit* value, const CategoryEditor& e,
                     const std::function<bool()>& addValue) {
  QObject::connect(add, &QPushButton::clicked, dialog, [dialog, value, &e, addValue] {
    if (e.useDefaults && !value->text().isEmpty())
      QMessageBox::information(dialog, dialog->windowTitle(), kOwnValuesHint);
    else
      addValue();
    value->setFocus();
  });
}

// The "Invalid" check box beside an editor's value: a value added while it
// is checked must be refused, and is kept with the mark before it.
// The widgets take Tab in the order given.
void TabInOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* before = nullptr;
  for (QWidget* w : widgets) {
    if (before != nullptr) QWidget::setTabOrder(before, w);
    before = w;
  }
}

QCheckBox* InvalidBox() {
  auto* box = new QCheckBox(QStringLiteral("&Invalid"));
  box->setObjectName(QStringLiteral("Invalid"));
  box->setToolTip(QStringLiteral("A value the system must refuse: it gets a negative test procedure of its own"));
  return box;
}
// The value typed, with the mark when "Invalid" is checked.
std::string TypedValue(const QLineEdit* edit, const QCheckBox* invalid) {
  const std::string value = edit->text().toStdString();
  return invalid->isChecked() && !InvalidValue(value) ? std::string(kInvalidMark) + value : value;
}

// The own values of an editor, each with an "Invalid" check: checking one
// marks the value invalid, unchecking it valid again.
template <typename Editor>
void FillOwnValues(QListWidget* list, Editor& e) {
  const QSignalBlocker quiet(list);
  Fill(list, e.choiceLines);
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(InvalidValue(e.choiceLines[static_cast<std::size_t>(i)]) ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(QStringLiteral("Checked: an invalid value, which gets a negative test procedure"));
  }
}
// The item's text follows its mark; the own values are in use from then on
// (options shows it).
template <typename Editor>
void MarkOnCheck(QDialog* dialog, QListWidget* list, Editor& e, const std::function<void()>& options) {
  QObject::connect(list, &QListWidget::itemChanged, dialog, [list, &e, options](QListWidgetItem* item) {
    const auto row = static_cast<std::size_t>(list->row(item));
    if (!e.markInvalid(row, item->checkState() == Qt::Checked) || row >= e.choiceLines.size()) return;
    const QSignalBlocker quiet(list);
    item->setText(QString::fromStdString(e.choiceLines[row]));
    options();
  });
}

// The common end of both editors: the frame, OK (ok() of the editor) and
// Cancel (cancel(), also when the window is closed). OK first adds an own
// value still in the box (addValue; false keeps the editor open). Returns
// the OK button.
template <typename Editor>
QPushButton* OkWithTypedValue(QDialog* dialog, Editor& e, QGroupBox* frame, QLineEdit* value,
                              const std::function<bool()>& addValue) {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = Pulsante(buttons, "OK");
  auto* cancel = Pulsante(buttons, "Cancel");
  QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, &e, value, addValue] {
    if (e.useOwnValues && !value->text().isEmpty() && !addValue()) return;
    e.ok();
    dialog->accept();
  });
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  QObject::connect(dialog, &QDialog::rejected, dialog, [&e] {
    if (!e.done) e.cancel();
  });
  // OK from the keyboard: Ctrl+Enter.
  for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
    QObject::connect(new QShortcut(key, dialog), &QShortcut::activated, ok, &QPushButton::click);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  e.active();
  return ok;
}

}  // namespace

FormIntervallo::FormIntervallo(SettingsEditor& editor, QWidget* parent) : QDialog(parent), e_(editor) {
  setObjectName(QStringLiteral("FormIntervallo"));
  setWindowTitle(QString::fromStdString(e_.caption));
  auto* frame = new QGroupBox(QStringLiteral("Test values choices"));
  frame->setObjectName(QStringLiteral("Frame2"));
  defaultsOption_ = new QRadioButton(QStringLiteral("Default Values:"));
  defaultsOption_->setObjectName(QStringLiteral("DefaultValues"));
  ownValuesOption_ = new QRadioButton(QStringLiteral("Insert your own values:"));
  ownValuesOption_->setObjectName(QStringLiteral("OwnValues"));
  defaultList_ = List("DefaultList", QStringLiteral("Default values"));
  choiceList_ = List("ChoiceList", QStringLiteral("Choices of the category"));
  auto* label3 = new QLabel(QStringLiteral("NOTES:"));
  label3->setObjectName(QStringLiteral("Label3"));
  note_ = new QLabel;
  note_->setObjectName(QStringLiteral("Note"));
  note_->setWordWrap(true);
  // Each box named for what it holds, not by the frame around them.
  valueEdit_ = new QLineEdit;
  valueEdit_->setObjectName(QStringLiteral("Value"));
  valueEdit_->setAccessibleName(QStringLiteral("Own value"));
  valueEdit_->setAccessibleDescription(QStringLiteral("A choice of the category, added with Add"));
  propertiesEdit_ = new QLineEdit;
  propertiesEdit_->setObjectName(QStringLiteral("Properties"));
  propertiesEdit_->setAccessibleName(QStringLiteral("Properties"));
  propertiesEdit_->setAccessibleDescription(QStringLiteral("The properties the choice sets, separated by commas"));
  selectorsEdit_ = new QLineEdit;
  selectorsEdit_->setObjectName(QStringLiteral("Selectors"));
  selectorsEdit_->setAccessibleName(QStringLiteral("IF selectors"));
  selectorsEdit_->setAccessibleDescription(
      QStringLiteral("The properties the choice needs, separated by commas; not before one it must lack"));
  auto* add = new QPushButton(QStringLiteral("Add  --->"));
  add->setObjectName(QStringLiteral("Add"));
  invalid_ = InvalidBox();

  auto* grid = new QGridLayout(frame);
  grid->addWidget(defaultsOption_, 0, 0);
  grid->addWidget(defaultList_, 1, 0, 1, 2);
  grid->addWidget(label3, 2, 0);
  grid->addWidget(note_, 2, 1);
  grid->addWidget(ownValuesOption_, 3, 0);
  grid->addWidget(valueEdit_, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("Properties: ")), 4, 0);
  grid->addWidget(propertiesEdit_, 4, 1);
  grid->addWidget(new QLabel(QStringLiteral("IF selectors:")), 5, 0);
  grid->addWidget(selectorsEdit_, 5, 1);
  grid->addWidget(invalid_, 6, 0);
  grid->addWidget(add, 6, 1);
  grid->addWidget(choiceList_, 0, 2, 7, 1);
  // Tab goes as the frame reads: down the left, then the choices on the right.
  TabInOrder({defaultsOption_, defaultList_, ownValuesOption_, valueEdit_, propertiesEdit_, selectorsEdit_, invalid_,
              add, choiceList_});

  // Either option keeps what is typed in the boxes.
  const auto keepTyped = [this] {
    e_.value = valueEdit_->text().toStdString();
    e_.selectors = selectorsEdit_->text().toStdString();
    e_.properties = propertiesEdit_->text().toStdString();
  };
  connect(defaultsOption_, &QRadioButton::clicked, this, [this, keepTyped] {
    keepTyped();
    e_.chooseDefaults();
    sync();
  });
  connect(ownValuesOption_, &QRadioButton::clicked, this, [this, keepTyped] {
    keepTyped();
    e_.chooseOwnValues();
    sync();
  });
  // The value in the boxes joins the choices; false when the category is full.
  const auto addValue = [this] {
    e_.value = TypedValue(valueEdit_, invalid_);
    e_.selectors = selectorsEdit_->text().toStdString();
    e_.properties = propertiesEdit_->text().toStdString();
    const bool added = e_.add();
    if (added) invalid_->setChecked(false);
    if (!added) QMessageBox::warning(this, windowTitle(), kTooManyChoices);
    sync();
    return added;
  };
  AddValueOnEnter(this, add, valueEdit_, e_, addValue);
  InvioAggiunge(add, {valueEdit_, selectorsEdit_, propertiesEdit_});
  OkWithTypedValue(this, e_, frame, valueEdit_, addValue);
  MarkOnCheck(this, choiceList_, e_, [this] {
    defaultsOption_->setChecked(e_.useDefaults);
    ownValuesOption_->setChecked(e_.useOwnValues);
  });
  sync();
}

void FormIntervallo::sync() {
  defaultsOption_->setChecked(e_.useDefaults);
  ownValuesOption_->setChecked(e_.useOwnValues);
  if (!e_.useDefaults && !e_.useOwnValues) {
    // Neither chosen (an edited attribute reopened): show both unchecked.
    defaultsOption_->setAutoExclusive(false);
    defaultsOption_->setChecked(false);
    ownValuesOption_->setChecked(false);
    defaultsOption_->setAutoExclusive(true);
  }
  Fill(defaultList_, e_.defaultLines);
  FillOwnValues(choiceList_, e_);
  note_->setText(QString::fromStdString(e_.note));
  valueEdit_->setText(QString::fromStdString(e_.value));
  selectorsEdit_->setText(QString::fromStdString(e_.selectors));
  propertiesEdit_->setText(QString::fromStdString(e_.properties));
}

FormInteractions::FormInteractions(InteractionsEditor& editor, QWidget* parent) : QDialog(parent), e_(editor) {
  setObjectName(QStringLiteral("FormInteractions"));
  setWindowTitle(QString::fromStdString(e_.caption));
  auto* frame = new QGroupBox(QStringLiteral("Test values choices: "));
  frame->setObjectName(QStringLiteral("Frame1"));
  defaultsOption_ = new QRadioButton(QStringLiteral("Default values: "));
  defaultsOption_->setObjectName(QStringLiteral("DefaultValues"));
  ownValuesOption_ = new QRadioButton(QStringLiteral("Insert your own values"));
  ownValuesOption_->setObjectName(QStringLiteral("OwnValues"));
  defaultList_ = List("DefaultList", QStringLiteral("Default values"));
  choiceList_ = List("ChoiceList", QStringLiteral("Choices of the category"));
  valueEdit_ = new QLineEdit;
  valueEdit_->setObjectName(QStringLiteral("Value"));
  valueEdit_->setAccessibleName(QStringLiteral("Own value"));
  valueEdit_->setAccessibleDescription(QStringLiteral("A choice of the message, added with Add"));
  auto* add = new QPushButton(QStringLiteral("Add -->"));
  add->setObjectName(QStringLiteral("Add"));
  invalid_ = InvalidBox();
  auto* grid = new QGridLayout(frame);
  grid->addWidget(defaultsOption_, 0, 0);
  grid->addWidget(defaultList_, 1, 0, 1, 2);
  grid->addWidget(ownValuesOption_, 2, 0);
  grid->addWidget(valueEdit_, 2, 1);
  grid->addWidget(invalid_, 3, 0);
  grid->addWidget(add, 3, 1);
  grid->addWidget(choiceList_, 0, 2, 4, 1);
  TabInOrder({defaultsOption_, defaultList_, ownValuesOption_, valueEdit_, invalid_, add, choiceList_});
  // Either option keeps what is typed in the box.
  connect(defaultsOption_, &QRadioButton::clicked, this, [this] {
    e_.value = valueEdit_->text().toStdString();
    e_.chooseDefaults();
    sync();
  });
  connect(ownValuesOption_, &QRadioButton::clicked, this, [this] {
    e_.value = valueEdit_->text().toStdString();
    e_.chooseOwnValues();
    sync();
  });
  const auto addValue = [this] {
    e_.value = TypedValue(valueEdit_, invalid_);
    const bool added = e_.add();
    if (added) invalid_->setChecked(false);
    if (!added) QMessageBox::warning(this, windowTitle(), kTooManyChoices);
    sync();
    return added;
  };
  AddValueOnEnter(this, add, valueEdit_, e_, addValue);
  InvioAggiunge(add, {valueEdit_});
  OkWithTypedValue(this, e_, frame, valueEdit_, addValue);
  MarkOnCheck(this, choiceList_, e_, [this] {
    defaultsOption_->setChecked(e_.useDefaults);
    ownValuesOption_->setChecked(e_.useOwnValues);
  });
  sync();
}

void FormInteractions::sync() {
  defaultsOption_->setChecked(e_.useDefaults);
  ownValuesOption_->setChecked(e_.useOwnValues);
  Fill(defaultList_, e_.defaultLines);
  FillOwnValues(choiceList_, e_);
  valueEdit_->setText(QString::fromStdString(e_.value));
}

}  // namespace zov::gui
