#pragma once
// The command line of tarvik-monitor: [-h|--help] [-v|--version] [FILE].

#include <QString>
#include <QStringList>

namespace tkq::gui {

struct CCommandLine {
  enum class EAction { kRun, kHelp, kVersion, kMistake };
  EAction action = EAction::kRun;
  QString file;     // the saved archive to open at start; empty for none
  QString mistake;  // for kMistake: what is wrong, one line
};

// `arguments` as main() gets them, the program's name first. --help wins
// over --version, either over a mistake: so the two answer also before Qt
// has taken its own options (-platform, -style, ...) from the line.
CCommandLine ParseCommandLine(const QStringList& arguments);

// What --help and --version print.
QString CommandLineHelp();
QString VersionText();

}  // namespace tkq::gui
