// A saved archive from anywhere: it loads or is refused with CLoadError,
// and what loads stores back to bytes that load to the same bytes again.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "core/output/report.h"

using namespace tkq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CReadParamClass* description = [] {
    auto* d = new CReadParamClass;
    d->LoadBuiltIn();
    return d;
  }();
  std::unique_ptr<CObjectDefinition> object;
  try {
    object = LoadSavedArchive(std::span(data, size), *description);
  } catch (const CLoadError&) {
    return 0;
  }
  const std::string stored = StoreSavedArchive(*object);
  auto again =
      LoadSavedArchive(std::span(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()), *description);
  if (StoreSavedArchive(*again) != stored) std::abort();

  // Everything the windows and reports read must be reachable safely.
  CStringSink sink;
  WriteArchiveReport(*object, CColumnSwitches{}, sink);
  WriteAbnormalReport(*object, sink);
  std::string c1, c2;
  object->GetColumnCaptions(c1, c2);
  object->GetPrintCaptions(c1, c2);
  std::vector<std::string> l1, l2;
  object->GetOutputTypeNames(object->m_bResult != 0, l1, l2);
  object->GetUnitNames(true, object->m_nOutputType2, l1);
  return 0;
}
