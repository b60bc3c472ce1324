#include "gui/app/command_line.h"

#include <QCommandLineParser>

#include "gui/base/program_name.h"
#include "tkq_version.h"

namespace tkq::gui {

CCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // "-reverse" is one (Qt's) option, never -r -e -v ...
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help(QStringList{"h", "help"});
  const QCommandLineOption version(QStringList{"v", "version"});
  parser.addOption(help);
  parser.addOption(version);
  const bool parsed = parser.parse(arguments);

  CCommandLine line;
  if (parser.isSet(help)) {
    line.action = CCommandLine::EAction::kHelp;
  } else if (parser.isSet(version)) {
    line.action = CCommandLine::EAction::kVersion;
  } else if (!parsed) {
    line.action = CCommandLine::EAction::kMistake;
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) {
      line.mistake = parser.errorText();
    } else {
      const QString& name = unknown.first();
      line.mistake = QStringLiteral("неизвестный параметр / unknown option: %1%2")
                         .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
  } else if (parser.positionalArguments().size() > 1) {
    line.action = CCommandLine::EAction::kMistake;
    line.mistake = QStringLiteral("лишний аргумент / unexpected argument: %1").arg(parser.positionalArguments().at(1));
  } else if (!parser.positionalArguments().isEmpty()) {
    line.file = parser.positionalArguments().first();
  }
  return line;
}

QString CommandLineHelp() {
  return QStringLiteral(
             "Использование: tarvik-monitor [ПАРАМЕТРЫ] [ФАЙЛ]\n"
             "Usage: tarvik-monitor [OPTIONS] [FILE]\n"
             "\n") +
         kProgramShortName +
         QStringLiteral(
             ": чтение и просмотр архивов портативного ультразвукового\n"
             "расходомера Тарвик КУ. ФАЙЛ - сохраненный архив, открываемый при запуске.\n"
             "Tarvik KQ Monitor: reads and shows the archives of the Tarvik KQ portable\n"
             "ultrasonic flowmeter. FILE is a saved archive to open at start.\n"
             "\n"
             "Options:\n"
             "  -h, --help     справка и выход / show this help and exit\n"
             "  -v, --version  версия и выход / show the version and exit\n"
             "\n"
             "Qt's own options (-platform, -style, ...) are taken as well.\n");
}

QString VersionText() { return QStringLiteral("tarvik-monitor " TKQ_VERSION_TEXT "\n"); }

}  // namespace tkq::gui
