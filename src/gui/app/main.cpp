// tarvik-monitor: the desktop program.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

#include "gui/app/application.h"
#include "gui/app/command_line.h"
#include "gui/app/program_icon.h"
#include "tkq_version.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

// A window program on Windows has no console of its own: --help and
// --version write to the one it was started from, if any (a redirected
// output is used as it is), in UTF-8, and leave it its own code page.
void Print(std::FILE* stream, const QString& text) {
#ifdef _WIN32
  UINT previousCodePage = 0;
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN && AttachConsole(ATTACH_PARENT_PROCESS)) {
    (void)std::freopen("CONOUT$", "w", stdout);
    (void)std::freopen("CONOUT$", "w", stderr);
    previousCodePage = GetConsoleOutputCP();
    if (previousCodePage == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) previousCodePage = 0;
  }
#endif
  std::fputs(text.toUtf8().constData(), stream);
  std::fflush(stream);
#ifdef _WIN32
  if (previousCodePage != 0) SetConsoleOutputCP(previousCodePage);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using tkq::gui::CCommandLine;
  // --help and --version answer before QApplication looks for a display, so
  // that they work without one (help2man runs them during the build).
  const CCommandLine early = tkq::gui::ParseCommandLine(Arguments(argc, argv));
  if (early.action == CCommandLine::Help) {
    Print(stdout, tkq::gui::CommandLineHelp());
    return 0;
  }
  if (early.action == CCommandLine::Version) {
    Print(stdout, tkq::gui::VersionText());
    return 0;
  }

  QApplication qtApp(argc, argv);
  // Qt has taken its own options from the line by now: anything else unknown
  // is a mistake.
  const CCommandLine line = tkq::gui::ParseCommandLine(QApplication::arguments());
  if (line.action == CCommandLine::Mistake) {
    Print(stderr, "tarvik-monitor: " + line.mistake + "\nСм. / See: tarvik-monitor --help\n");
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
