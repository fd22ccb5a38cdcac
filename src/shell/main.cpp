// zov-suite: the desktop front end of Zov Suite.
//   zov-suite [FILE]    starts with the layout dialog; with FILE, that model
//                       or session (.zov) is opened as soon as the main
//                       window opens.
#include <malloc.h>

#include <QApplication>
#include <QCommandLineParser>
#include <memory>

#include "session/build_commit.h"
#include "shell/about.h"
#include "shell/form2.h"

namespace {

// Whether the command line only asks for the help or the version: those are
// printed without a window, so they work without a display (help2man reads
// them at build time, and over ssh they should not need X).
bool OnlyText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version") return true;
    if (a == "--") break;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // One heap for every thread: the second thread that reads half of a
  // large model allocates little, and what it freed would otherwise stay
  // in a heap of its own, out of reach of the loads and plans that follow.
  mallopt(M_ARENA_MAX, 1);
  const std::unique_ptr<QCoreApplication> app = OnlyText(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                                                     : std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Zov Suite"));
  QCoreApplication::setOrganizationName(QStringLiteral("Zov Suite"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ZOV_VERSION " (commit %1)").arg(zov::BuildCommit()));
  QCommandLineParser options;
  options.setApplicationDescription(
      QStringLiteral("Model-based test planning from UML models: Rational Rose petal files and UML 2 XMI."));
  options.addHelpOption();
  options.addVersionOption();
  options.addPositionalArgument(
      QStringLiteral("file"),
      QStringLiteral("A model to open (.mdl, .cat, or UML 2 XMI: .xmi, .uml, .xml) or a saved session (.zov)."),
      QStringLiteral("[file]"));
  options.process(*app);
  QApplication::setWindowIcon(zov::gui::AppIcon());
  // The installed menu entry's name: desktops match the window to it.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.zovsuite.ZovSuite"));
  zov::gui::Form2 form2;
  if (!options.positionalArguments().isEmpty()) form2.setModelToOpen(options.positionalArguments().first());
  form2.show();
  return QApplication::exec();
}
