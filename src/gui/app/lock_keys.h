#pragma once

namespace tkq::gui {

// Whether Caps Lock, Num Lock and Scroll Lock are on (bits 0, 1 and 2),
// where the platform tells; 0 elsewhere.
unsigned LockIndicators();

}  // namespace tkq::gui
