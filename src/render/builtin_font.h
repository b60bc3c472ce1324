#pragma once
// The program's own fonts, built in: printed pages and the chart are drawn
// in DejaVu Sans Mono, the survey protocol in DejaVu Sans and DejaVu Sans
// Bold, on every system, so that they look the same everywhere, also where
// Qt knows no font of the system (the Windows build's tool, drawing with
// no display).

#include <QString>

namespace tkq::render {

// The built-in font's family, registered with Qt's font database on the
// first call (the application object must exist by then); empty when the
// font could not be read.
QString BuiltInFontFamily();

// The protocol's family, DejaVu Sans with its bold face, registered as
// BuiltInFontFamily is; empty when a face could not be read.
QString BuiltInSansFamily();

}  // namespace tkq::render
