// The system category's codes on POSIX systems are errno values.

#include "core/base/system_errors.h"

namespace tkq {

const char* RussianSystemReason(int code) { return RussianErrnoReason(code); }

}  // namespace tkq
