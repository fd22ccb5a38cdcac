// zov-suite: the desktop front end of Zov Suite.
//   zov-suite [MODEL]   starts with the layout dialog; with MODEL, that model
//                       is loaded as soon as the main window opens.
#include <QApplication>
#include <QCommandLineParser>

#include "shell/form2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zov Suite"));
  QApplication::setOrganizationName(QStringLiteral("Zov Suite"));
  QApplication::setApplicationVersion(QStringLiteral(ZOV_VERSION));
  QCommandLineParser options;
  options.setApplicationDescription(
      QStringLiteral("Model-based test planning from UML models: Rational Rose petal files and UML 2 XMI."));
  options.addHelpOption();
  options.addVersionOption();
  options.addPositionalArgument(QStringLiteral("model"),
                                QStringLiteral("A model to open: .mdl, .cat, or UML 2 XMI (.xmi, .uml, .xml)."),
                                QStringLiteral("[model]"));
  options.process(app);
  zov::gui::Form2 form2;
  if (!options.positionalArguments().isEmpty()) form2.setModelToOpen(options.positionalArguments().first());
  form2.show();
  return QApplication::exec();
}
