#pragma once
// The program's own font, built in (DejaVu Sans Mono): printed pages and
// the chart are drawn in it on every system, so that they look the same
// everywhere, also where Qt knows no font of the system (the Windows
// build's tool, drawing with no display).

#include <QString>

namespace tkq::render {

// The built-in font's family, registered with Qt's font database on the
// first call (the application object must exist by then); empty when the
// font could not be read.
QString BuiltInFontFamily();

}  // namespace tkq::render
