// Apart from the rest, as the X11 headers define names (KeyRelease,
// Success, ...) that clash with Qt's.
#include "gui/app/lock_keys.h"

#include <QGuiApplication>

#ifdef TKQ_HAVE_X11
#include <X11/XKBlib.h>
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
  return 0;
}

}  // namespace tkq::gui
