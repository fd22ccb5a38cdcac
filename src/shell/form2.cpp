#include "shell/form2.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/main_window.h"

namespace zov::gui {

Form2::Form2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Zov Suite"));
  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox(QStringLiteral("Select Resolution"), this);
  auto* inner = new QVBoxLayout(frame);
  option1_ = new QRadioButton(QStringLiteral("1024x768"), frame);
  option1_->setObjectName(QStringLiteral("Option1"));
  option2_ = new QRadioButton(QStringLiteral("800x600"), frame);
  option2_->setObjectName(QStringLiteral("Option2"));
  option1_->setChecked(true);
  inner->addWidget(option1_);
  inner->addWidget(option2_);
  command1_ = new QPushButton(QStringLiteral("OK"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setDefault(true);
  layout->addWidget(frame);
  layout->addWidget(command1_);
  connect(command1_, &QPushButton::clicked, this, &Form2::ok);
}

Form2::~Form2() = default;

void Form2::ok() {
  hide();
  main_ = std::make_unique<MainWindow>();
  // The radio buttons keep exactly one option set, as the dialog's two flags.
  if (option1_->isChecked())
    main_->state().form2.clickOption1();
  else
    main_->state().form2.clickOption2();
  main_->loadWindow();
  main_->show();
  if (!model_.isEmpty()) main_->openFile(model_.toStdString());
}

}  // namespace zov::gui
