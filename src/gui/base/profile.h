#pragma once
// The user's profile: the program's settings file ("Tarvik KQ"/"TarvikKQ"
// in the user's configuration folder, or a file of the caller's), with what
// the program keeps in it between runs: the connection settings, the recent
// files, the folder of the file dialogs, whether the chart and the
// summary were open, and the survey journal's settings.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace tkq::gui {

// The section of the connection settings and the chart's state.
inline const QString kProfileSection = QStringLiteral("Tarvik KQ");

// The keys of the profile. Existing profiles use these names, spelling
// included: they stay as they are.
namespace profile_key {
inline const QString kComIndex = kProfileSection + QStringLiteral("/ComIndex");
inline const QString kComBoudRate = kProfileSection + QStringLiteral("/ComBoudRate");
inline const QString kDeviceAddress = kProfileSection + QStringLiteral("/DeviceAddress");
inline const QString kPortName = kProfileSection + QStringLiteral("/PortName");
// Whether the user chose the port (set once a choice is stored): without
// it "COM2" is the default, which need not exist.
inline const QString kPortChosen = kProfileSection + QStringLiteral("/PortChosen");
inline const QString kChartOpen = kProfileSection + QStringLiteral("/ChartOpen");
inline const QString kSummaryOpen = kProfileSection + QStringLiteral("/SummaryOpen");
inline const QString kSummaryHour = kProfileSection + QStringLiteral("/SummaryHour");
inline const QString kSummaryMonths = kProfileSection + QStringLiteral("/SummaryMonths");
inline const QString kFolder = QStringLiteral("CONTROL/DIR");
// The survey journal: its folder (none stored: the default one under the
// documents), whether every read is kept in it, and its window's place.
inline const QString kJournalFolder = kProfileSection + QStringLiteral("/JournalFolder");
inline const QString kJournalKeeps = kProfileSection + QStringLiteral("/JournalKeeps");
inline const QString kJournalWindow = kProfileSection + QStringLiteral("/JournalWindow");
// "Recent File List/File1" .. "File3".
QString RecentFile(int number);
}  // namespace profile_key

// The baud rates offered, in the order the profile numbers them.
inline const QStringList kBaudRates = {"1200", "2400", "4800", "9600", "19200", "38400"};

// The connection settings as the profile keeps them.
struct CConnection {
  int comIndex = 1;   // "COM1".."COM4" by index; -1 when portName holds another port
  QString portName;   // a port other than COM1..COM4
  int baudIndex = 3;  // into kBaudRates
  int address = 1;
  // The user chose the port (rather than it being the default).
  bool portChosen = false;

  // The port's name, whichever way it is kept.
  QString Port() const;
  uint32_t Baud() const { return kBaudRates[baudIndex].toUInt(); }
};

// The folder a file dialog starts in: the first of `candidates` (the folder
// last used, the user's documents, home) that exists and is not `program`,
// the program's own folder, where a Windows user may not write (under
// Program Files) and whence a shortcut starts the program; the last
// candidate when none is.
QString ProposedFolder(const QStringList& candidates, const QString& program);

class CProfile {
 public:
  // `file` names the profile file; empty for the user's usual one.
  explicit CProfile(const QString& file = QString());
  ~CProfile();

  QSettings& Settings();

  // The connection settings; values from an older or edited profile
  // outside their lists fall back to the defaults ("COM2", 9600 baud,
  // address 1).
  CConnection Connection();
  // Stores `connection`; a port other than COM1..COM4 keeps the stored
  // COM index for a later return to the list.
  void SetConnection(const CConnection& connection);

  // The recent files, the latest first (at most kRecentFiles, each once).
  static constexpr int kRecentFiles = 3;
  QStringList RecentFiles();
  void SetRecentFiles(const QStringList& files);
  // Puts `path` (made absolute) first; returns the new list.
  QStringList AddRecentFile(const QString& path);

  // Remembers the folder of a file the user chose, under CONTROL/DIR; the
  // file dialogs start there (ProposedFolder: the documents folder when it
  // is gone, never the program's own folder).
  void RememberFolder(const QString& file);
  QString RememberedFolder();

  // Whether the chart window opens with the other four: it does when it
  // was open when the last archive went.
  bool ChartWasOpen();
  void RememberChartOpen(bool open);
  // The same for the summary window.
  bool SummaryWasOpen();
  void RememberSummaryOpen(bool open);

  // The summary's reporting hour (0..23; 0 when the profile holds another
  // value) and whether it shows months rather than days.
  int SummaryHour();
  void SetSummaryHour(int hour);
  bool SummaryMonths();
  void SetSummaryMonths(bool months);

  // The folder of the survey journal: the one chosen, else "Tarvik
  // KQ/Журнал" in the user's documents.
  QString JournalFolder();
  void SetJournalFolder(const QString& folder);
  // Whether each read is kept in the journal at once (it is unless turned off).
  bool KeepsReads();
  void SetKeepsReads(bool keeps);
  // The journal window's geometry as the window saved it (empty: none yet).
  QByteArray JournalWindowGeometry();
  void SetJournalWindowGeometry(const QByteArray& geometry);

 private:
  QString m_file;
  std::unique_ptr<QSettings> m_settings;
};

}  // namespace tkq::gui
