#include "gui/app/profile.h"

#include <QDir>
#include <QFileInfo>

namespace tkq::gui {

CProfile::CProfile(const QString& file) : m_file(file) {}

CProfile::~CProfile() = default;

QSettings& CProfile::Settings() {
  if (!m_settings) {
    m_settings = m_file.isEmpty()
                     ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Tarvik KQ", "TarvikKQ")
                     : std::make_unique<QSettings>(m_file, QSettings::IniFormat);
  }
  return *m_settings;
}

void CProfile::RememberFolder(const QString& file) {
  QSettings& s = Settings();
  s.setValue("CONTROL/DIR", QFileInfo(file).absolutePath().left(256));
  s.sync();
}

QString CProfile::RememberedFolder() {
  const QString dir = Settings().value("CONTROL/DIR").toString();
  return (!dir.isEmpty() && QDir(dir).exists()) ? dir : QDir::currentPath();
}

bool CProfile::ChartWasOpen() { return Settings().value(kProfileSection + "/ChartOpen", false).toBool(); }

void CProfile::RememberChartOpen(bool open) {
  Settings().setValue(kProfileSection + "/ChartOpen", open);
  Settings().sync();
}

}  // namespace tkq::gui
