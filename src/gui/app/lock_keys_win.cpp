// The lock keys from Windows' keyboard state.
#include <windows.h>

#include "gui/app/lock_keys.h"

namespace tkq::gui {

unsigned LockIndicators() {
  // The low bit of each key's state: toggled on.
  return (GetKeyState(VK_CAPITAL) & 1 ? 1u : 0u) | (GetKeyState(VK_NUMLOCK) & 1 ? 2u : 0u) |
         (GetKeyState(VK_SCROLL) & 1 ? 4u : 0u);
}

}  // namespace tkq::gui
