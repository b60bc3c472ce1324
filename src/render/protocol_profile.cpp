#include "render/protocol_profile.h"

#include <QStringList>

namespace tkq::render {
namespace {

std::string Utf8(const QVariant& value) { return value.toString().toStdString(); }
QString ProfileText(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString ProgramProfilePath() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarvik KQ"), QStringLiteral("TarvikKQ"))
      .fileName();
}

CProtocolRequisites LoadRequisites(const QSettings& settings) {
  CProtocolRequisites r;
  r.organisation = Utf8(settings.value(protocol_key::kOrganisation));
  r.logoPath = Utf8(settings.value(protocol_key::kLogo));
  r.technician = Utf8(settings.value(protocol_key::kTechnician));
  r.position = Utf8(settings.value(protocol_key::kPosition));
  return r;
}

void SaveRequisites(QSettings& settings, const CProtocolRequisites& requisites) {
  settings.setValue(protocol_key::kOrganisation, ProfileText(requisites.organisation));
  settings.setValue(protocol_key::kLogo, ProfileText(requisites.logoPath));
  settings.setValue(protocol_key::kTechnician, ProfileText(requisites.technician));
  settings.setValue(protocol_key::kPosition, ProfileText(requisites.position));
}

std::vector<std::string> LoadProtocolParams(const QSettings& settings, bool& stored) {
  stored = settings.contains(protocol_key::kParams);
  std::vector<std::string> names;
  if (!stored) return names;
  for (const QString& name : settings.value(protocol_key::kParams).toStringList()) names.push_back(name.toStdString());
  return names;
}

void SaveProtocolParams(QSettings& settings, const std::vector<std::string>& names) {
  QStringList list;
  for (const std::string& name : names) list << ProfileText(name);
  settings.setValue(protocol_key::kParams, list);
}

}  // namespace tkq::render
