// tarvik-monitor: the desktop program.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "gui/app/application.h"
#include "gui/app/command_line.h"
#include "gui/app/console_output.h"
#include "gui/base/program_icon.h"
#include "tkq_version.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  using tkq::gui::CCommandLine;
  using tkq::gui::PrintToConsole;
  // --help and --version answer before QApplication looks for a display, so
  // that they work without one (help2man runs them during the build).
  const CCommandLine early = tkq::gui::ParseCommandLine(Arguments(argc, argv));
  if (early.action == CCommandLine::EAction::kHelp) {
    PrintToConsole(stdout, tkq::gui::CommandLineHelp());
    return 0;
  }
  if (early.action == CCommandLine::EAction::kVersion) {
    PrintToConsole(stdout, tkq::gui::VersionText());
    return 0;
  }

  QApplication qtApp(argc, argv);
  // Qt has taken its own options from the line by now: anything else unknown
  // is a mistake.
  const CCommandLine line = tkq::gui::ParseCommandLine(QApplication::arguments());
  if (line.action == CCommandLine::EAction::kMistake) {
    PrintToConsole(stderr, "tarvik-monitor: " + line.mistake + "\nСм. / See: tarvik-monitor --help\n");
    return 2;
  }
  QGuiApplication::setDesktopFileName(QStringLiteral(TKQ_APP_ID));
  QApplication::setWindowIcon(tkq::gui::ProgramIcon());
  // Qt's own texts (file dialogs, standard buttons) in Russian: Qt's, or
  // those the Windows build carries beside the program.
  QTranslator qtTexts;
  for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                QApplication::applicationDirPath() + QStringLiteral("/translations")}) {
    if (qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_", folder)) {
      QApplication::installTranslator(&qtTexts);
      break;
    }
  }
  tkq::gui::CTRV_KQ_VRApp app;
  if (!app.InitInstance(line.file)) return 1;
  return QApplication::exec();
}
