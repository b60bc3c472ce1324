#pragma once
// The user's profile: the program's settings file ("Tarvik KQ"/"TarvikKQ"
// in the user's configuration folder, or a file of the caller's), with what
// the windows keep in it between runs.

#include <QSettings>
#include <QString>
#include <memory>

namespace tkq::gui {

// The section of the connection settings and the chart's state.
inline const QString kProfileSection = QStringLiteral("Tarvik KQ");

class CProfile {
 public:
  // `file` names the profile file; empty for the user's usual one.
  explicit CProfile(const QString& file = QString());
  ~CProfile();

  QSettings& Settings();

  // Remembers the folder of a file the user chose, under CONTROL/DIR; the
  // file dialogs start there (the current folder when it is gone).
  void RememberFolder(const QString& file);
  QString RememberedFolder();

  // Whether the chart window opens with the other four: it does when it
  // was open when the last archive went.
  bool ChartWasOpen();
  void RememberChartOpen(bool open);

 private:
  QString m_file;
  std::unique_ptr<QSettings> m_settings;
};

}  // namespace tkq::gui
