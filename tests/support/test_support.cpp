#include "support/test_support.h"

#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <future>
#include <random>
#include <sstream>

#include "core/archive/records.h"
#include "core/description/param_layout.h"

namespace tkq::test {

namespace {
void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

void AppendMeasurement(Bytes& file, uint32_t time, float value1, float value2, bool goodCheckByte) {
  const size_t at = file.size();
  PutU32(file, time);
  PutU32(file, std::bit_cast<uint32_t>(value1));
  PutU32(file, std::bit_cast<uint32_t>(value2));
  const uint8_t check = MeasurementCheckByte(file.data() + at);
  file.push_back(goodCheckByte ? check : static_cast<uint8_t>(check ^ 0x5A));
}

void AppendAbnormal(Bytes& file, uint32_t begin, uint32_t end, uint8_t code, uint8_t spare) {
  PutU32(file, begin);
  PutU32(file, end);
  file.push_back(code);
  file.push_back(spare);
}

std::unique_ptr<CReadParamClass> BuiltInDescription() {
  auto d = std::make_unique<CReadParamClass>();
  d->LoadBuiltIn();
  return d;
}

ParamFiles MakeParamFiles(const CReadParamClass& description, const std::string& version, uint8_t first,
                          uint8_t second) {
  const CVersionDef* def = nullptr;
  for (size_t i = 0; i < description.m_versions.GetSize(); ++i) {
    if (description.m_versions[i]->m_strName == version) def = description.m_versions[i];
  }
  if (def == nullptr) return {};
  const CParamLayout layout = LayoutOf(description, *def);
  ParamFiles files{Bytes(layout.parSize, 0), Bytes(layout.devSize, 0)};
  auto put = [&](int row, double value) {
    const CParamSlot* slot = layout.Find(row);
    if (slot != nullptr) PutParamValue(slot->source == 0x02 ? files.par : files.dev, *slot, value);
  };
  put(def->m_nFirstArchParam, first);
  put(def->m_nSecondArchParam, second);
  return files;
}

std::unique_ptr<CObjectDefinition> MakeObject(const CReadParamClass& description, const std::string& version,
                                              uint8_t first, uint8_t second, size_t records, const Bytes& err,
                                              uint32_t start, uint32_t period) {
  auto object = std::make_unique<CObjectDefinition>();
  object->SetObjectNumber(5);
  object->m_strDeviceId = version + " 0123";
  object->m_tRead = 1700000000;
  ParamFiles files = MakeParamFiles(description, version, first, second);
  object->m_parBytes = files.par;
  object->m_devBytes = files.dev;
  Bytes arc;
  for (size_t i = 0; i < records; ++i) {
    AppendMeasurement(arc, start + static_cast<uint32_t>(i) * period, 100.0f + 1.5f * static_cast<float>(i),
                      20.0f + 0.25f * static_cast<float>(i));
  }
  object->DecodeDeviceFiles(description, arc, err, {});
  return object;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool CanCreateIn(const std::filesystem::path& dir) {
  const std::filesystem::path probe = dir / ".probe";
  if (!std::ofstream(probe)) return false;
  std::filesystem::remove(probe);
  return true;
}

TempDir::TempDir() {
  // A name of its own, made the way every platform makes folders.
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "tkq-test-%08x", static_cast<unsigned>(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(base / name, ec)) {
      m_path = base / name;
      return;
    }
  }
  m_path = base;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

}  // namespace tkq::test
