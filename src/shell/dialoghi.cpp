#include "shell/dialoghi.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "selection/allocazione.h"
#include "shell/ui.h"
#include "weights/editor_pesi.h"

namespace zov::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

EditaDialog::EditaDialog(Edita& editor, QWidget* parent) : QDialog(parent), e_(editor) {
  setObjectName(QStringLiteral("Edita"));
  setWindowTitle(QString::fromUtf8(Edita::kCaption));
  auto* form = new QFormLayout;
  auto* nome = new QLabel(Q(e_.Nome));
  nome->setObjectName(QStringLiteral("Nome"));
  auto* liv = new QLabel(Q(e_.Liv));
  liv->setObjectName(QStringLiteral("Liv"));
  wei_ = new QLineEdit(Q(e_.Wei));
  wei_->setObjectName(QStringLiteral("Wei"));
  auto* chiave = new QLabel(Q(e_.chiave));
  chiave->setObjectName(QStringLiteral("chiave"));
  chiave->setTextInteractionFlags(Qt::TextSelectableByMouse);
  selez_ = new QCheckBox(QStringLiteral("Selected:"));
  selez_->setObjectName(QStringLiteral("Selez"));
  selez_->setChecked(e_.Selez);
  form->addRow(QStringLiteral("Node:"), nome);
  form->addRow(QStringLiteral("Level:"), liv);
  form->addRow(QStringLiteral("&Weight:"), wei_);
  form->addRow(QStringLiteral("HEX Key:"), chiave);
  form->addRow(selez_);

  auto* buttons = new QDialogButtonBox;
  auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);
  auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Command2"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    e_.Wei = wei_->text().toStdString();
    e_.Selez = selez_->isChecked();
    e_.ok();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(this, &QDialog::rejected, this, [this] {
    if (!e_.chiuso()) e_.cancel();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  wei_->selectAll();
  wei_->setFocus();
}

NumTestDialog::NumTestDialog(DialogoNumTest& dialog, Asker& asker, QWidget* parent)
    : QDialog(parent), d_(dialog) {
  setObjectName(QStringLiteral("NumTest"));
  setWindowTitle(QString::fromUtf8(DialogoNumTest::kCaption));
  auto* frame = new QGroupBox(QStringLiteral("Select your choice: "));
  frame->setObjectName(QStringLiteral("Frame1"));
  numTest_ = new QRadioButton(QStringLiteral("&Number of Test Procedures"));
  numTest_->setObjectName(QStringLiteral("NumTest"));
  coverage_ = new QRadioButton(QStringLiteral("Functional &Coverage"));
  coverage_->setObjectName(QStringLiteral("Coverage"));
  nnTest_ = new QLineEdit;
  nnTest_->setObjectName(QStringLiteral("NNTest"));
  percc_ = new QLineEdit;
  percc_->setObjectName(QStringLiteral("Percc"));
  auto* grid = new QFormLayout(frame);
  grid->addRow(numTest_, nnTest_);
  grid->addRow(coverage_, percc_);

  auto* buttons = new QDialogButtonBox;
  auto* done = buttons->addButton(QStringLiteral("Done"), QDialogButtonBox::AcceptRole);
  done->setObjectName(QStringLiteral("Done"));
  done->setDefault(true);
  auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Cancel"));

  connect(numTest_, &QRadioButton::clicked, this, [this] {
    d_.scegliNumTest();
    sync();
  });
  connect(coverage_, &QRadioButton::clicked, this, [this] {
    d_.scegliCoverage();
    sync();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, [this, &asker] {
    d_.NNTest = nnTest_->text().toStdString();
    d_.Percc = percc_->text().toStdString();
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
  layout->addWidget(buttons);
  nnTest_->setText(Q(d_.NNTest));
  percc_->setText(Q(d_.Percc));
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
