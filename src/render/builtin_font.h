#pragma once
// The program's own fonts, built in: printed pages and the chart are drawn
// in DejaVu Sans Mono, the survey protocol in DejaVu Sans and DejaVu Sans
// Bold, on every system, so that they look the same everywhere, also where
// Qt knows no font of the system (the Windows build's tool, drawing with
// no display).

#include <QByteArray>
#include <QString>

namespace tkq::render {

// The built-in font's family, registered with Qt's font database on the
// first call (the application object must exist by then); empty when the
// font could not be read.
QString BuiltInFontFamily();

// The protocol's two faces.
enum class EBuiltInFace { kSans, kSansBold };

// The face's font file as built in (empty when it could not be read); for
// QRawFont, which draws it the same on every device.
QByteArray BuiltInFaceData(EBuiltInFace face);

}  // namespace tkq::render
