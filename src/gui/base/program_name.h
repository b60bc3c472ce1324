#pragma once
// The program's name and version, as its windows and messages show them.

#include <QString>

#include "tkq_version.h"

namespace tkq::gui {

// The name the desktop and the installer give the program.
inline const QString kProgramShortName = QStringLiteral("Монитор Тарвик КУ");
// The name in the main window's title and "О программе".
inline const QString kProgramName = kProgramShortName + QStringLiteral(" (пользовательская версия)");
inline const QString kProgramVersion = QStringLiteral(TKQ_VERSION_TEXT);
inline const QString kMainTitle = kProgramName + " " + kProgramVersion;
// The caption of every message box, and the application's name for Qt.
inline const QString kAppName = QStringLiteral("MONITOR Tarvik KQ");

}  // namespace tkq::gui
