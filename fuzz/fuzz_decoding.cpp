// An instrument's files from anywhere: the parameter and system files of
// any built-in version, measurement and abnormal-situation archives, and
// number formats. Decoding never reads beyond the data; a short file is
// refused with CParamDecodeError.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "core/archive/object_definition.h"
#include "core/description/number_format.h"
#include "core/description/read_param_class.h"
#include "core/storage/load_error.h"

using namespace tkq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CReadParamClass* description = [] {
    auto* d = new CReadParamClass;
    d->LoadBuiltIn();
    return d;
  }();
  if (size < 4) return 0;
  const size_t version = data[0] % description->m_versions.GetSize();
  const size_t parSize = std::min<size_t>(data[1] | (data[2] << 8), size - 4);
  const uint8_t mode = data[3];
  std::span<const uint8_t> rest(data + 4, size - 4);
  std::span<const uint8_t> par = rest.first(parSize);
  std::span<const uint8_t> dev = rest.subspan(parSize);

  if (mode < 128) {
    description->SelectVersion(description->m_versions[version]->m_strName);
    CParamTree tree;
    uint8_t first = 0, second = 0;
    try {
      description->FillTree(par, dev, tree, first, second);
    } catch (const CParamDecodeError&) {
    }
  } else if (mode < 192) {
    CObjectDefinition object;
    object.m_nType1 = par.empty() ? 0 : par[0];
    object.m_nType2 = dev.empty() ? 1 : dev[0];
    object.DecodeMeasurements(par, dev);
    object.DecodeAbnormals(dev);
    object.SetOutputTypes(mode & 3, (mode >> 2) & 1, (mode >> 3) & 3, (mode >> 5) & 1, 1);
    const int32_t rows = object.GetRowCount();
    if (rows > 0 && object.MoveFirstRow()) {
      float v1, v2, p;
      int64_t s, e;
      std::string_view text;
      do {
        object.GetRow(v1, v2, s, e, p, text);
      } while (object.MoveNextRow());
    }
  } else {
    const std::string format(reinterpret_cast<const char*>(rest.data()), rest.size());
    try {
      FormatNumber(format, NumberArg::Signed(-12345));
      FormatNumber(format, NumberArg::Unsigned(4000000000u));
      FormatNumber(format, NumberArg::Float(-1.0e30));
    } catch (const CParamDecodeError&) {
    }
  }
  return 0;
}
