// Arbitrary bytes as the instrument's answers: the whole read of one
// object (identification, directory, control blocks, pieces, decoding)
// over a scripted line. No crash, no hang, no memory beyond what the
// answers carry.

#include <cstdint>
#include <span>
#include <vector>

#include "core/archive/archive_read.h"
#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "support/fake_channel.h"

using namespace tkq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CReadParamClass* description = [] {
    auto* d = new CReadParamClass;
    d->LoadBuiltIn();
    return d;
  }();
  // Each answer is a length byte and that many bytes; when the input runs
  // out, the instrument falls silent.
  size_t pos = 0;
  auto channel = std::make_unique<test::CScriptedChannel>([&](std::span<const uint8_t>) {
    if (pos >= size) return std::vector<uint8_t>{};
    const size_t n = std::min<size_t>(data[pos], size - pos - 1);
    std::vector<uint8_t> answer(data + pos + 1, data + pos + 1 + n);
    pos += 1 + n;
    return answer;
  });
  CTrvKqModbusWithFlFiles link(std::move(channel));
  CArchiveRead read(5);
  if (const auto object = ReadArchive(link, *description, read)) {
    std::string text;
    object->GetReadStatus(text);
    object->GetRowCount();
  } else {
    std::string text;
    read.GetReadStatus(text);
  }
  return 0;
}
