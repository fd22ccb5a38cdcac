// zov-suite: the desktop front end of Zov Suite.
//   zov-suite [FILE]    starts with the layout dialog; with FILE, that model
//                       or session (.zov) is opened as soon as the main
//                       window opens.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "session/build_commit.h"
#include "session/process_heap.h"
#include "shell/about.h"
#include "shell/focus_ring.h"
#include "shell/form2.h"

namespace {

// Whether the command line only asks for the help or the version: those are
// printed without a window, so they work without a display (help2man reads
// them at build time, and over ssh they should not need X).
bool OnlyText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "-V" || a == "--version")
      return true;
    if (a == "--") break;
  }
  return false;
}

// While the window starts, what Qt says of its display is held back: a
// start that cannot reach one ends with one line saying so and exit status
// 1, rather than Qt's abort and its advice to reinstall.
QtMessageHandler gQtHandler = nullptr;
QStringList gHeld;

void AtStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    gHeld.append(text);
    return;
  }
  QString why = gHeld.isEmpty() ? text.section(QLatin1Char('\n'), 0, 0) : gHeld.first();
  std::fprintf(stderr,
               "zov-suite: no usable display (%s): set DISPLAY or WAYLAND_DISPLAY, or use the command line, zov\n",
               why.trimmed().toLocal8Bit().constData());
  static_cast<void>(context);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  zov::TuneProcessHeap(argv);
  const bool onlyText = OnlyText(argc, argv);
  if (!onlyText) gQtHandler = qInstallMessageHandler(AtStart);
  const std::unique_ptr<QCoreApplication> app =
      onlyText ? std::make_unique<QCoreApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
  if (!onlyText) {
    // Started: what was held back is said as it would have been.
    qInstallMessageHandler(gQtHandler);
    for (const QString& text : std::exchange(gHeld, {})) qWarning("%s", qUtf8Printable(text));
  }
  QCoreApplication::setApplicationName(QStringLiteral("Zov Suite"));
  QCoreApplication::setOrganizationName(QStringLiteral("Zov Suite"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ZOV_VERSION " (commit %1)").arg(zov::BuildCommit()));
  QCommandLineParser options;
  options.setApplicationDescription(
      QStringLiteral("Model-based test planning from UML models: Rational Rose petal files, UML 2 XMI, and PlantUML "
                     "and Mermaid text."));
  options.addHelpOption();
  options.addVersionOption();
  // -V as zov takes it.
  QCommandLineOption version(QStringList{QStringLiteral("V")}, QStringLiteral("Displays version information."));
  version.setFlags(QCommandLineOption::HiddenFromHelp);
  options.addOption(version);
  options.addPositionalArgument(
      QStringLiteral("file"),
      QStringLiteral("A model to open (.mdl, .cat; UML 2 XMI: .xmi, .uml, .xml; PlantUML: .puml, .plantuml, .pu; "
                     "Mermaid: .mmd, .mermaid; or Markdown holding them: .md) or a saved session (.zov)."),
      QStringLiteral("[file]"));
  options.process(*app);
  if (options.isSet(version)) options.showVersion();
  QApplication::setWindowIcon(zov::gui::AppIcon());
  zov::gui::ShowKeyboardFocus();
  // The installed menu entry's name: desktops match the window to it.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.zovsuite.ZovSuite"));
  zov::gui::Form2 form2;
  if (!options.positionalArguments().isEmpty()) form2.setModelToOpen(options.positionalArguments().first());
  form2.show();
  return QApplication::exec();
}
