#pragma once
// Where each parameter row's value lies in the instrument's parameter and
// system files, as the version's rows lay them out: values of one source
// in row order, each in the width of its type, no gaps. Used to build such
// files (an instrument simulator, tests) and to check their sizes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/description/param_def.h"

namespace tkq {

class CReadParamClass;
class CVersionDef;

struct CParamSlot {
  int row;
  uint8_t source;  // kSourceParamFile or kSourceSystemFile
  ValueType type;
  size_t offset;
};

struct CParamLayout {
  std::vector<CParamSlot> slots;  // in row order
  size_t parSize = 0;             // bytes the parameter file needs
  size_t devSize = 0;             // bytes the system file needs

  const CParamSlot* Find(int row) const;
};

// The layout of `version`'s rows in `description`; rows the description
// lacks end the layout early.
CParamLayout LayoutOf(const CReadParamClass& description, const CVersionDef& version);

// Stores `value` at the slot in the file's encoding (integers truncated
// and wrapped to the type's width), growing the file when needed.
void PutParamValue(std::vector<uint8_t>& file, const CParamSlot& slot, double value);

}  // namespace tkq
