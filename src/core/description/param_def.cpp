#include "core/description/param_def.h"

namespace tkq {

size_t ValueTypeWidth(uint8_t type) {
  switch (type) {
    case kTypeU16:
    case kTypeU16b: return 2;
    case kTypeFloat:
    case kTypeU32:
    case kTypeU32Time: return 4;
    case kTypeU8:
    case kTypeS8: return 1;
    default: return 0;
  }
}

}  // namespace tkq
