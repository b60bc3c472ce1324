#pragma once
// The program's icon.

#include <QIcon>

namespace tkq::gui {

// The icon theme's sizes (16 to 256 pixels), rendered from the icon's SVG at
// build time (src/gui/icons) and held in the resources.
QIcon ProgramIcon();

}  // namespace tkq::gui
