#pragma once
// The program's own icons for its tool bars and menus, the same on every
// desktop: no icon theme is asked.

#include <QIcon>

namespace tkq::gui {

// The icon `name` (a file of icons/tools without ".svg"), at 16, 24, 32
// and 48 pixels, with a disabled state drawn pale and grey so that a
// button that does nothing now reads as such. A null icon for an unknown
// name.
QIcon ToolIcon(const char* name);

// The disabled state of `picture`: grey, and a third as opaque.
QPixmap DisabledPicture(const QPixmap& picture);

}  // namespace tkq::gui
