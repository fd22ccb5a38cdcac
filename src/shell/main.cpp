// zov-suite: the desktop front end of Zov Suite.
#include <QApplication>

#include "shell/form2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zov Suite"));
  QApplication::setApplicationVersion(QStringLiteral(ZOV_VERSION));
  zov::gui::Form2 form2;
  form2.show();
  return QApplication::exec();
}
