#include "soak/instruments.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "core/archive/archive_read.h"
#include "core/archive/instrument_contents.h"
#include "core/archive/object_definition.h"
#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "core/link/crc16.h"
#include "core/link/flash_names.h"
#include "core/link/modbus_frames.h"
#include "core/storage/file_io.h"
#include "core/storage/load_error.h"
#include "simulator/instrument.h"

namespace tkq::soak {
namespace {

// The folders: versions, archive selectors and sizes differ, one has a
// record with a wrong check byte, one holds two objects.
struct CInstrumentPlan {
  const char* name;
  sim::GenerateOptions options;
};

std::vector<CInstrumentPlan> Plans() {
  sim::GenerateOptions a;
  a.objects = {1, 2};
  a.records = 300;
  a.seed = 3;
  sim::GenerateOptions b;
  b.objects = {7};
  b.records = 200;
  b.seed = 5;
  b.version = "TARVIK 59.11.00.02";
  b.serial = "SN 77";
  sim::GenerateOptions c;
  c.objects = {20};
  c.records = 500;
  c.seed = 9;
  c.version = "TARVIK 59.11.02.03";
  c.firstType = 2;
  c.secondType = 3;
  c.corruptRecord = true;
  std::vector<CInstrumentPlan> plans = {{"a", a}, {"b", b}, {"c", c}};
  // A fixed end, so that a seed gives the same folders on any day.
  for (CInstrumentPlan& plan : plans) plan.options.end = 1700000000;
  return plans;
}

// The length of the instrument's answer to the identification request
// (asked of a copy: the model counts every request it sees).
size_t IdentificationAnswer(sim::CInstrument instrument) {
  uint8_t request[4] = {instrument.address, kFunctionIdentification, 0, 0};
  PutCrc16(request, 2);
  return instrument.Answer(request).size();
}

// The requests of a clean read as the core counts a read's traffic: the
// identification, the directory, and each of the files the read takes
// that the instrument has.
uint64_t CleanReadRequests(const sim::CInstrument& instrument, uint8_t object) {
  CLineTraffic traffic = IdentificationTraffic(IdentificationAnswer(instrument));
  traffic += DirectoryTraffic(sim::DirectoryBytes(instrument.Files()).size());
  for (const CObjectReadFile& wanted : ObjectReadFiles(object)) {
    for (const sim::FlashFile& file : instrument.Files()) {
      if (file.name8 == wanted.name && file.ext3 == wanted.ext) traffic += FileTraffic(file.data.size());
    }
  }
  return traffic.transactions;
}

// The object's files from the folder, as a read would have brought them.
CArchiveRead FolderFiles(const std::filesystem::path& dir, uint8_t object, const std::string& deviceId) {
  CArchiveRead read(object);
  read.m_strDeviceId = deviceId;
  CDeviceFiles& f = read.m_files;
  std::vector<uint8_t>* const bytes[] = {&f.arc, &f.err, &f.ads, &f.par, &f.dev};
  const std::vector<CObjectReadFile> wanted = ObjectReadFiles(object);
  for (size_t i = 0; i < wanted.size(); ++i) {
    const std::filesystem::path path = dir / HostFileName(wanted[i].name, wanted[i].ext);
    if (!wanted[i].required && !std::filesystem::exists(path)) continue;
    *bytes[i] = ReadWholeFile(path, CModbusWithFlFiles::kMaxFileSize);
  }
  return read;
}

int64_t LittleEndian64(const std::string& bytes, size_t at) {
  uint64_t value = 0;
  for (size_t i = 8; i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return static_cast<int64_t>(value);
}

// Where the read time lies in the stored object: the bytes that differ
// between two stores of different times. False unless they are eight in a
// row holding the time as a little-endian count, as the checks take it.
bool FindReadTime(CObjectDefinition& object, std::string& stored, size_t& at) {
  object.m_tRead = -1;
  const std::string allOnes = StoreSavedArchive(object);
  constexpr int64_t kProbe = 0x0102030405060708;
  object.m_tRead = kProbe;
  const std::string probe = StoreSavedArchive(object);
  object.m_tRead = 0;
  stored = StoreSavedArchive(object);
  if (allOnes.size() != stored.size() || probe.size() != stored.size()) return false;
  const auto first = std::mismatch(stored.begin(), stored.end(), allOnes.begin()).first;
  at = static_cast<size_t>(first - stored.begin());
  if (at + 8 > stored.size()) return false;
  const bool restEqual = std::equal(stored.begin() + static_cast<std::ptrdiff_t>(at + 8), stored.end(),
                                    allOnes.begin() + static_cast<std::ptrdiff_t>(at + 8));
  return restEqual && LittleEndian64(probe, at) == kProbe;
}

bool MakeTarget(const std::filesystem::path& dir, uint8_t object, const CReadParamClass& description, CTarget& target,
                std::string& error) {
  sim::CInstrument instrument(1, "", "");
  if (!instrument.LoadFolder(dir, error)) return false;
  target.dir = dir;
  target.object = object;
  target.description = "Ввод " + std::to_string(object);
  target.requests = CleanReadRequests(instrument, object);
  // The generated texts are ASCII: the same in the instrument's code page.
  const CArchiveRead files = FolderFiles(dir, object, instrument.id1 + " " + instrument.id2);
  std::unique_ptr<CObjectDefinition> decoded;
  try {
    decoded = DecodeArchive(files, description);
  } catch (const CParamDecodeError& e) {
    error = dir.string() + " object " + std::to_string(object) + ": " + e.what();
    return false;
  }
  decoded->m_strDescription = target.description;
  if (!FindReadTime(*decoded, target.expected, target.readTimeAt)) {
    error = "the read time is not eight bytes of its own in the saved archive";
    return false;
  }
  return true;
}

}  // namespace

bool MakeTargets(const std::filesystem::path& work, std::vector<CTarget>& targets, std::string& error) {
  CReadParamClass description;
  description.LoadBuiltIn();
  try {
    for (const CInstrumentPlan& plan : Plans()) {
      const std::filesystem::path dir = work / plan.name;
      if (!sim::Generate(dir, plan.options, error)) return false;
      for (const int object : plan.options.objects) {
        CTarget target;
        if (!MakeTarget(dir, static_cast<uint8_t>(object), description, target, error)) return false;
        std::cout << dir.string() << " object " << object << ": " << target.expected.size() << " bytes, "
                  << target.requests << " requests" << std::endl;
        targets.push_back(std::move(target));
      }
    }
  } catch (const CFileOpenError& e) {
    error = e.what();
    return false;
  }
  return true;
}

std::string CompareWithExpected(const CTarget& target, const std::string& saved, int64_t started, int64_t ended) {
  const std::string& expected = target.expected;
  if (saved.size() != expected.size()) {
    return std::to_string(saved.size()) + " bytes, the instrument's files make " + std::to_string(expected.size());
  }
  const size_t timeEnd = target.readTimeAt + 8;
  for (size_t i = 0; i < saved.size(); ++i) {
    if (i >= target.readTimeAt && i < timeEnd) continue;
    if (saved[i] != expected[i]) return "differs from the instrument's files' archive at byte " + std::to_string(i);
  }
  const int64_t when = LittleEndian64(saved, target.readTimeAt);
  if (when < started || when > ended) {
    return "read time " + std::to_string(when) + " outside " + std::to_string(started) + ".." + std::to_string(ended);
  }
  return "";
}

}  // namespace tkq::soak
