#pragma once
// What the protocol keeps in the program's profile, read by the program and
// by tarvik-kq protocol alike: the requisites (organisation, logo,
// technician, position) and the parameter rows last ticked.

#include <QSettings>
#include <QString>
#include <string>
#include <vector>

#include "core/output/protocol.h"

namespace tkq::render {

// The program's own profile file ("Tarvik KQ"/"TarvikKQ", INI, in the
// user's configuration folder), the one the program opens.
QString ProgramProfilePath();

namespace protocol_key {
inline const QString kOrganisation = QStringLiteral("Protocol/Organisation");
inline const QString kLogo = QStringLiteral("Protocol/Logo");
inline const QString kTechnician = QStringLiteral("Protocol/Technician");
inline const QString kPosition = QStringLiteral("Protocol/Position");
// The parameter rows ticked, by name; absent until the user ticks rows
// (DefaultProtocolParams then).
inline const QString kParams = QStringLiteral("Protocol/Params");
// The table chosen (EProtocolTable as a number) and the sections.
inline const QString kTable = QStringLiteral("Protocol/Table");
inline const QString kChart = QStringLiteral("Protocol/Chart");
inline const QString kSituations = QStringLiteral("Protocol/Situations");
}  // namespace protocol_key

CProtocolRequisites LoadRequisites(const QSettings& settings);
void SaveRequisites(QSettings& settings, const CProtocolRequisites& requisites);

// The rows ticked; none stored: an empty list and `stored` false.
std::vector<std::string> LoadProtocolParams(const QSettings& settings, bool& stored);
void SaveProtocolParams(QSettings& settings, const std::vector<std::string>& names);

}  // namespace tkq::render
