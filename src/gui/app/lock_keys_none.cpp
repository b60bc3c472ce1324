// Where the platform does not tell the lock keys (Wayland, no X11 headers
// at build time): none shown.
#include "gui/app/lock_keys.h"

namespace tkq::gui {

unsigned LockIndicators() { return 0; }

}  // namespace tkq::gui
