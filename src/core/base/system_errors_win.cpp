// The system category's codes on Windows are GetLastError() codes.

#include "core/base/system_errors.h"

namespace tkq {

const char* RussianSystemReason(int code) { return RussianWin32Reason(static_cast<unsigned long>(code)); }

}  // namespace tkq
