#pragma once
// The topics of the program's help, by which a window or a dialog names
// its page (the help window itself: gui/app/help_window.h).

#include <QString>

namespace tkq::gui {

// Topics of the help. Each is a page of the help, but for the simulator's,
// which the Windows build has not (nor the simulator): the contents leave
// out a topic without a page.
namespace help {
inline const QString kContents = QStringLiteral("index");
inline const QString kConnection = QStringLiteral("connection");
inline const QString kSearch = QStringLiteral("search");
inline const QString kReading = QStringLiteral("reading");
inline const QString kSettingsView = QStringLiteral("settings");
inline const QString kArchiveView = QStringLiteral("archive");
inline const QString kAbnormalView = QStringLiteral("abnormal");
inline const QString kParamsView = QStringLiteral("parameters");
inline const QString kSaving = QStringLiteral("saving");
inline const QString kJournal = QStringLiteral("journal");
inline const QString kPrinting = QStringLiteral("printing");
inline const QString kChart = QStringLiteral("chart");
inline const QString kSummary = QStringLiteral("summary");
inline const QString kReports = QStringLiteral("reports");
inline const QString kExport = QStringLiteral("export");
inline const QString kProtocol = QStringLiteral("protocol");
inline const QString kSimulator = QStringLiteral("simulator");
inline const QString kVersions = QStringLiteral("versions");
}  // namespace help

}  // namespace tkq::gui
