// The lock keys from the X server, when the program runs on one. Apart
// from the rest, as the X11 headers define names (KeyRelease, Success, ...)
// that clash with Qt's.
#include <QGuiApplication>

#include "gui/app/lock_keys.h"

// After Qt's: its macros would break Qt's headers.
#include <X11/XKBlib.h>

namespace tkq::gui {

unsigned LockIndicators() {
  if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
    if (Display* display = x11->display()) {
      unsigned state = 0;
      if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success) return state & 7u;
    }
  }
  return 0;
}

}  // namespace tkq::gui
