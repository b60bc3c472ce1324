#include "journal_fixture.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "core/archive/archive_read.h"
#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/journal/survey_journal.h"
#include "core/storage/file_io.h"
#include "simulator/instrument.h"

namespace tkq::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVersion = "TARVIK 59.11.03.04";
// 14.11.2023 22:13:20, the first survey's read; one every ten minutes.
constexpr int64_t kFirstRead = 1700000000;

const char* const kPlaces[] = {"Котельная на Ленина",  "Школа №5",          "ЦТП-3, ввод А",
                               "Больница, корпус 2",   "Насосная станция",  "Жилой дом, Мира 14",
                               "Детский сад «Ромашка»", "Администрация",     "Бассейн «Волна»",
                               "Гараж ЖКХ"};

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  return ReadWholeFile(path, uint64_t{64} << 20);
}

}  // namespace

std::vector<std::unique_ptr<CObjectDefinition>> GeneratedObjects(const CReadParamClass& description, size_t records) {
  const fs::path dir = fs::temp_directory_path() / ("tkq-bench-instrument-" + std::to_string(records));
  sim::GenerateOptions options;
  options.version = kVersion;
  options.objects.clear();
  for (int i = 1; i <= 20; ++i) options.objects.push_back(i);
  options.records = records;
  options.end = kFirstRead / 3600 * 3600;
  std::string error;
  if (!sim::Generate(dir, options, error)) throw std::runtime_error(error);
  std::vector<std::unique_ptr<CObjectDefinition>> objects;
  for (int i = 1; i <= 20; ++i) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "Obj%02d_0", i);
    CArchiveRead read(static_cast<uint8_t>(i));
    read.m_strDeviceId = std::string(kVersion) + " " + options.serial;
    read.m_tRead = kFirstRead;
    read.m_files.arc = Bytes(dir / (std::string(stem) + ".arc"));
    read.m_files.err = Bytes(dir / (std::string(stem) + ".err"));
    read.m_files.ads = Bytes(dir / (std::string(stem) + ".ads"));
    read.m_files.par = Bytes(dir / (std::string(stem) + ".par"));
    read.m_files.dev = Bytes(dir / "System_0.dev");
    objects.push_back(DecodeArchive(read, description));
  }
  fs::remove_all(dir);
  return objects;
}

void MakeSurvey(CObjectDefinition& object, size_t i) {
  char serial[32];
  std::snprintf(serial, sizeof serial, " SN %07zu", 1000 + i / 20);
  object.m_strDeviceId = std::string(kVersion) + serial;
  object.m_tRead = kFirstRead + static_cast<int64_t>(i) * 600;
  object.m_strDescription = std::string(kPlaces[i % std::size(kPlaces)]) + ", обследование " + std::to_string(i);
}

fs::path JournalFixture(const CReadParamClass& description, size_t count) {
  const fs::path folder = fs::temp_directory_path() / ("tkq-bench-journal-" + std::to_string(count));
  const fs::path done = folder / "complete";
  std::error_code ec;
  if (fs::exists(done, ec)) return folder;
  fs::remove_all(folder, ec);
  fs::create_directories(folder);
  auto objects = GeneratedObjects(description);
  for (size_t i = 0; i < count; ++i) {
    CObjectDefinition& object = *objects[i % objects.size()];
    MakeSurvey(object, i);
    // Written plainly: a fixture needs no safe replacement.
    std::ofstream(folder / PathFromUtf8(SurveyFileName(object)), std::ios::binary) << StoreSavedArchive(object);
  }
  { CSurveyJournal journal(folder, description); }
  std::ofstream(done) << count << "\n";
  return folder;
}

}  // namespace tkq::bench
