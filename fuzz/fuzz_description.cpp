// A description file from anywhere: it loads whole or is refused, and what
// loads stores back byte for byte and decodes objects of every version.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "core/description/read_param_class.h"
#include "core/storage/archive_stream.h"
#include "core/storage/load_error.h"

using namespace tkq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CReadParamClass description;
  try {
    CArchiveStream ar(std::span(data, size));
    description.Serialize(ar);
  } catch (const CArchiveError&) {
    return 0;
  }
  const std::string stored = description.StoreToBytes();
  CReadParamClass again;
  CArchiveStream ar(std::span(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()));
  again.Serialize(ar);
  if (again.StoreToBytes() != stored) std::abort();

  // Decode a small pair of files with every version the file names.
  const std::vector<uint8_t> par(300, 0x11), dev(60, 0x22);
  for (const auto& name : description.VersionNames()) {
    if (!description.SelectVersion(name)) std::abort();
    CParamTree tree;
    uint8_t first = 0, second = 0;
    try {
      description.FillTree(par, dev, tree, first, second);
    } catch (const CParamDecodeError&) {
    }
  }
  return 0;
}
