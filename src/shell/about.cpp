#include "shell/about.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "session/build_commit.h"

namespace zov::gui {

QIcon AppIcon() {
  // Installed, the theme's copy wins so that a theme can restyle it; the
  // built-in copy serves a program run from its build folder.
  return QIcon::fromTheme(QStringLiteral("zov-suite"), QIcon(QStringLiteral(":/zov-suite.svg")));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("About"));
  setWindowTitle(QStringLiteral("About Zov Suite"));
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("AboutIcon"));
  icon->setPixmap(AppIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop);
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("AboutText"));
  text_->setTextFormat(Qt::RichText);
  text_->setTextInteractionFlags(Qt::TextBrowserInteraction);
  text_->setOpenExternalLinks(true);
  text_->setText(
      QStringLiteral("<h3>Zov Suite %1</h3>"
                     "<p>Model-based test planning from UML models:<br>Rational Rose petal files, UML 2 XMI, and "
                     "PlantUML and Mermaid text.</p>"
                     "<p>Built from commit %2.</p>"
                     "<p>Copyright 2026 The Zov Suite authors.<br>"
                     "Licensed under the Apache License, Version 2.0 (Apache-2.0):<br>"
                     "<a href=\"https://www.apache.org/licenses/LICENSE-2.0\">"
                     "https://www.apache.org/licenses/LICENSE-2.0</a></p>")
          .arg(QStringLiteral(ZOV_VERSION), QString::fromLatin1(BuildCommit())));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

QString AboutDialog::text() const { return text_->text(); }

}  // namespace zov::gui
