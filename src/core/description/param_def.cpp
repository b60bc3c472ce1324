#include "core/description/param_def.h"

namespace tkq {

size_t ValueTypeWidth(ValueType type) {
  switch (type) {
    case ValueType::kTypeU16:
    case ValueType::kTypeU16b: return 2;
    case ValueType::kTypeFloat:
    case ValueType::kTypeU32:
    case ValueType::kTypeU32Time: return 4;
    case ValueType::kTypeU8:
    case ValueType::kTypeS8: return 1;
    default: return 0;
  }
}

}  // namespace tkq
