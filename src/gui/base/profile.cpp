#include "gui/base/profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/journal/survey_journal.h"
#include "core/link/serial_ports.h"
#include "render/fs_path.h"

namespace tkq::gui {

QString profile_key::RecentFile(int number) { return QStringLiteral("Recent File List/File%1").arg(number); }

QString CConnection::Port() const {
  return comIndex >= 0 ? QString::fromLatin1(kStandardPorts[comIndex].data(), kStandardPorts[comIndex].size())
                       : portName;
}

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

CConnection CProfile::Connection() {
  QSettings& s = Settings();
  CConnection c;
  c.comIndex = s.value(profile_key::kComIndex, 1).toInt();
  c.baudIndex = s.value(profile_key::kComBoudRate, 3).toInt();
  c.address = s.value(profile_key::kDeviceAddress, 1).toInt();
  c.portName = s.value(profile_key::kPortName).toString();
  if (c.comIndex < 0 || c.comIndex >= static_cast<int>(kStandardPorts.size())) {
    c.comIndex = c.portName.isEmpty() ? 1 : -1;
  }
  if (!c.portName.isEmpty() && StandardPortIndex(c.portName.toStdString()) < 0) c.comIndex = -1;
  if (c.baudIndex < 0 || c.baudIndex >= kBaudRates.size()) c.baudIndex = 3;
  if (c.address < 0 || c.address > 255) c.address = 1;
  // Any port but the default was chosen, in an older profile too.
  c.portChosen = s.value(profile_key::kPortChosen, false).toBool() || c.comIndex != 1;
  return c;
}

void CProfile::SetConnection(const CConnection& c) {
  QSettings& s = Settings();
  s.setValue(profile_key::kComIndex, c.comIndex >= 0 ? c.comIndex : s.value(profile_key::kComIndex, 1).toInt());
  s.setValue(profile_key::kComBoudRate, c.baudIndex);
  s.setValue(profile_key::kDeviceAddress, c.address);
  s.setValue(profile_key::kPortName, c.comIndex >= 0 ? QString() : c.portName);
  if (c.portChosen) s.setValue(profile_key::kPortChosen, true);
  s.sync();
}

QStringList CProfile::RecentFiles() {
  QStringList files;
  QSettings& s = Settings();
  for (int i = 1; i <= kRecentFiles; ++i) {
    const QString file = s.value(profile_key::RecentFile(i)).toString();
    if (!file.isEmpty() && !files.contains(file)) files << file;
  }
  return files;
}

void CProfile::SetRecentFiles(const QStringList& files) {
  QSettings& s = Settings();
  for (int i = 1; i <= kRecentFiles; ++i) {
    if (i <= files.size()) {
      s.setValue(profile_key::RecentFile(i), files[i - 1]);
    } else {
      s.remove(profile_key::RecentFile(i));
    }
  }
  s.sync();
}

QStringList CProfile::AddRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = RecentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  files = files.mid(0, kRecentFiles);
  SetRecentFiles(files);
  return files;
}

void CProfile::RememberFolder(const QString& file) {
  QSettings& s = Settings();
  s.setValue(profile_key::kFolder, QFileInfo(file).absolutePath().left(256));
  s.sync();
}

QString ProposedFolder(const QStringList& candidates, const QString& program) {
  const QString own = program.isEmpty() ? QString() : QDir(program).canonicalPath();
  for (const QString& folder : candidates) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) continue;
    if (!own.isEmpty() && QDir(folder).canonicalPath() == own) continue;
    return QDir::cleanPath(QDir(folder).absolutePath());
  }
  return candidates.isEmpty() ? QString() : candidates.last();
}

QString CProfile::RememberedFolder() {
  // Not the current folder: started from the Start menu, that is the
  // program's own.
  return ProposedFolder({Settings().value(profile_key::kFolder).toString(),
                         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()},
                        QCoreApplication::applicationDirPath());
}

bool CProfile::ChartWasOpen() { return Settings().value(profile_key::kChartOpen, false).toBool(); }

void CProfile::RememberChartOpen(bool open) {
  Settings().setValue(profile_key::kChartOpen, open);
  Settings().sync();
}

bool CProfile::SummaryWasOpen() { return Settings().value(profile_key::kSummaryOpen, false).toBool(); }

void CProfile::RememberSummaryOpen(bool open) {
  Settings().setValue(profile_key::kSummaryOpen, open);
  Settings().sync();
}

int CProfile::SummaryHour() {
  bool ok = false;
  const int hour = Settings().value(profile_key::kSummaryHour, 0).toInt(&ok);
  return ok && hour >= 0 && hour <= 23 ? hour : 0;
}

void CProfile::SetSummaryHour(int hour) { Settings().setValue(profile_key::kSummaryHour, hour); }

bool CProfile::SummaryMonths() { return Settings().value(profile_key::kSummaryMonths, false).toBool(); }

void CProfile::SetSummaryMonths(bool months) { Settings().setValue(profile_key::kSummaryMonths, months); }

QString CProfile::JournalFolder() {
  const QString chosen = Settings().value(profile_key::kJournalFolder).toString();
  if (!chosen.isEmpty()) return chosen;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return render::QtPath(CSurveyJournal::DefaultFolder(render::FsPath(documents)));
}

void CProfile::SetJournalFolder(const QString& folder) {
  Settings().setValue(profile_key::kJournalFolder, QDir::cleanPath(folder));
  Settings().sync();
}

bool CProfile::KeepsReads() { return Settings().value(profile_key::kJournalKeeps, true).toBool(); }

void CProfile::SetKeepsReads(bool keeps) {
  Settings().setValue(profile_key::kJournalKeeps, keeps);
  Settings().sync();
}

QByteArray CProfile::JournalWindowGeometry() { return Settings().value(profile_key::kJournalWindow).toByteArray(); }

void CProfile::SetJournalWindowGeometry(const QByteArray& geometry) {
  Settings().setValue(profile_key::kJournalWindow, geometry);
}

}  // namespace tkq::gui
