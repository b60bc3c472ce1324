#include "core/description/param_layout.h"

#include <bit>
#include <cmath>

#include "core/description/read_param_class.h"

namespace tkq {

const CParamSlot* CParamLayout::Find(int row) const {
  for (const auto& slot : slots) {
    if (slot.row == row) return &slot;
  }
  return nullptr;
}

CParamLayout LayoutOf(const CReadParamClass& description, const CVersionDef& version) {
  CParamLayout layout;
  if (version.m_nParamSet < 0 || static_cast<size_t>(version.m_nParamSet) >= description.m_paramSets.GetSize()) {
    return layout;
  }
  const CParamSet* rows = description.m_paramSets[static_cast<size_t>(version.m_nParamSet)];
  if (rows == nullptr) return layout;
  for (int r = 0; r < version.m_nParamCount && static_cast<size_t>(r) < rows->GetSize(); ++r) {
    const CParamDef* def = (*rows)[static_cast<size_t>(r)];
    if (def == nullptr) break;
    const size_t width = ValueTypeWidth(def->Type());
    if (width == 0) continue;
    if (def->Source() == kSourceParamFile) {
      layout.slots.push_back({r, kSourceParamFile, def->Type(), layout.parSize});
      layout.parSize += width;
    } else if (def->Source() == kSourceSystemFile) {
      layout.slots.push_back({r, kSourceSystemFile, def->Type(), layout.devSize});
      layout.devSize += width;
    }
  }
  return layout;
}

void PutParamValue(std::vector<uint8_t>& file, const CParamSlot& slot, double value) {
  const size_t width = ValueTypeWidth(slot.type);
  if (file.size() < slot.offset + width) file.resize(slot.offset + width);
  uint32_t bits = 0;
  if (slot.type == ValueType::kTypeFloat) {
    bits = std::bit_cast<uint32_t>(static_cast<float>(value));
  } else if (std::isfinite(value) && std::fabs(value) < 9.0e18) {
    bits = static_cast<uint32_t>(static_cast<int64_t>(std::trunc(value)));
  }
  for (size_t i = 0; i < width; ++i) file[slot.offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace tkq
