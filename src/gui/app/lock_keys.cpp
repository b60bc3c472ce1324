// Apart from the rest, as the X11 headers define names (KeyRelease,
// Success, ...) that clash with Qt's.
#include "gui/app/lock_keys.h"

#include <QGuiApplication>

#ifdef TKQ_HAVE_X11
#include <X11/XKBlib.h>
#endif
#ifdef _WIN32
#include <windows.h>
#endif

namespace tkq::gui {

unsigned LockIndicators() {
#ifdef TKQ_HAVE_X11
  if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
    if (Display* display = x11->display()) {
      unsigned state = 0;
      if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success) return state & 7u;
    }
  }
#endif
#ifdef _WIN32
  // The low bit of each key's state: toggled on.
  return (GetKeyState(VK_CAPITAL) & 1 ? 1u : 0u) | (GetKeyState(VK_NUMLOCK) & 1 ? 2u : 0u) |
         (GetKeyState(VK_SCROLL) & 1 ? 4u : 0u);
#else
  return 0;
#endif
}

}  // namespace tkq::gui
