// The saved archive file: its layout byte for byte, round trips, and
// every kind of damage refused with "Неверный формат файла".

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>

#include "core/archive/saved_archive.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

#ifndef EDQUOT  // not among the errno values of Windows' C library
#define EDQUOT 122
#endif

namespace tkq {
namespace {

using test::Bytes;
using test::TempDir;

Bytes Stored(const CObjectDefinition& obj) {
  const std::string s = StoreSavedArchive(obj);
  return Bytes(s.begin(), s.end());
}

Bytes Slice(const Bytes& b, size_t from, size_t n) {
  return Bytes(b.begin() + static_cast<ptrdiff_t>(from), b.begin() + static_cast<ptrdiff_t>(from + n));
}

Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(SavedArchive, LayoutOfThreeRecordsAndTwoSituations) {
  CObjectDefinition obj;
  obj.m_nType1 = 0;
  obj.m_nType2 = 1;
  obj.SetObjectNumber(7);
  obj.SetOutputTypes(1, 1, 2, 0, 1);
  for (uint32_t i = 0; i < 3; ++i) obj.m_arcRecords.Add(std::make_unique<CObjArcElem>(1.0f, 2.0f, i, 100.0f, 0));
  obj.m_errRecords.Add(std::make_unique<CErrArcElem>(1, 2, 3));
  obj.m_errRecords.Add(std::make_unique<CErrArcElem>(4, 5, 6));
  const Bytes b = Stored(obj);

  EXPECT_EQ(Slice(b, 0, 16), (Bytes{0, 1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 0, 1}));
  size_t pos = 16;
  auto expect = [&](const Bytes& want) {
    EXPECT_EQ(Slice(b, pos, want.size()), want) << "at " << pos;
    pos += want.size();
  };
  expect({0x03, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00});
  expect(Ascii("CObjArcElem"));
  expect({0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x42, 0x00});
  expect({0x01, 0x80});
  pos += 17;
  expect({0x01, 0x80});
  pos += 17;
  expect({0x02, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00});
  expect(Ascii("CErrArcElem"));
  expect({1, 0, 0, 0, 2, 0, 0, 0, 3});
  expect({0x05, 0x80, 4, 0, 0, 0, 5, 0, 0, 0, 6});
  // Description (empty), read time, the two types, two empty byte arrays,
  // an empty identification.
  expect({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(pos, b.size());
}

TEST(SavedArchive, DescriptionsOfEveryLength) {
  CObjectDefinition obj;
  obj.m_strDescription = std::string(300, 'z');
  const Bytes b = Stored(obj);
  const size_t at = 16 + 2 + 2;  // two empty arrays
  EXPECT_EQ(Slice(b, at, 3), (Bytes{0xFF, 0x2C, 0x01}));
}

TEST(SavedArchive, SeventyThousandRecordsUseLongTags) {
  CObjectDefinition obj;
  for (uint32_t i = 0; i < 70000; ++i) obj.m_arcRecords.Add(std::make_unique<CObjArcElem>(0.0f, 0.0f, i, 100.0f, 0));
  obj.m_errRecords.Add(std::make_unique<CErrArcElem>(1, 2, 3));
  obj.m_errRecords.Add(std::make_unique<CErrArcElem>(4, 5, 6));
  const Bytes b = Stored(obj);
  EXPECT_EQ(Slice(b, 16, 6), (Bytes{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
  const size_t lastRecord = 16 + 6 + 4 + 2 + 11 + 17 + 69998 * 19;
  EXPECT_EQ(Slice(b, lastRecord, 2), (Bytes{0x01, 0x80}));
  const size_t errAt = lastRecord + 19;
  EXPECT_EQ(Slice(b, errAt, 4), (Bytes{0x02, 0x00, 0xFF, 0xFF}));
  const size_t secondErr = errAt + 2 + 6 + 11 + 9;
  EXPECT_EQ(Slice(b, secondErr, 6), (Bytes{0xFF, 0x7F, 0x72, 0x11, 0x01, 0x80}));

  auto d = test::BuiltInDescription();
  auto loaded = LoadSavedArchive(b, *d);
  EXPECT_EQ(loaded->m_arcRecords.GetSize(), 70000u);
  EXPECT_EQ(loaded->m_errRecords[1]->m_nCode, 6);
  EXPECT_EQ(Stored(*loaded), b);
}

TEST(SavedArchive, ARealObjectReloadsToTheSameBytes) {
  auto d = test::BuiltInDescription();
  Bytes err;
  test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
  auto obj = test::MakeObject(*d, "TARVIK 59.11.03.04", 0, 1, 48, err);
  obj->m_strDescription = "Котельная №2, ввод «А»";
  const Bytes b = Stored(*obj);

  TempDir dir;
  SaveSavedArchive(dir / "obj.arc", *obj);
  auto loaded = LoadSavedArchive(dir / "obj.arc", *d);
  EXPECT_EQ(Stored(*loaded), b);
  EXPECT_EQ(loaded->m_strDescription, "Котельная №2, ввод «А»");
  EXPECT_EQ(loaded->m_strDeviceId, "TARVIK 59.11.03.04 0123");
  EXPECT_EQ(loaded->GetRowCount(), 47);
  // The tree is decoded again on loading.
  ASSERT_EQ(loaded->m_paramTree.GetCount(), obj->m_paramTree.GetCount());
  EXPECT_EQ(loaded->m_paramTree.Items()[3].children[0].text, obj->m_paramTree.Items()[3].children[0].text);
}

TEST(SavedArchive, OneRecordArchiveKeepsItsEmptySlot) {
  auto d = test::BuiltInDescription();
  CObjectDefinition obj;
  Bytes arc;
  test::AppendMeasurement(arc, 10, 1.0f, 2.0f);
  obj.DecodeMeasurements(arc, {});
  const Bytes b = Stored(obj);
  EXPECT_EQ(Slice(b, 16, 4), (Bytes{0x01, 0x00, 0x00, 0x00}));
  auto loaded = LoadSavedArchive(b, *d);
  ASSERT_EQ(loaded->m_arcRecords.GetSize(), 1u);
  EXPECT_EQ(loaded->m_arcRecords[0], nullptr);
  EXPECT_EQ(loaded->GetRowCount(), 0);
}

void ExpectBadFormat(const Bytes& b, const std::string& fragment = "") {
  auto d = test::BuiltInDescription();
  try {
    LoadSavedArchive(b, *d);
    ADD_FAILURE() << "loaded";
  } catch (const CLoadError& e) {
    EXPECT_EQ(e.GetKind(), CLoadError::EKind::kBadFormat);
    EXPECT_STREQ(e.UserMessage(), "Неверный формат файла");
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

TEST(SavedArchive, EveryCutIsRefused) {
  auto d = test::BuiltInDescription();
  auto obj = test::MakeObject(*d, "TARVIK 59.11.02.03", 0, 1, 5);
  test::Bytes err;
  test::AppendAbnormal(err, 1, 2, 3);
  obj->DecodeAbnormals(err);
  obj->m_strDescription = "описание";
  const Bytes b = Stored(*obj);
  for (size_t cut = 0; cut < b.size(); ++cut) ExpectBadFormat(Slice(b, 0, cut));
  ExpectBadFormat({}, "файл обрывается на байте 0");
}

TEST(SavedArchive, DamagedContentsAreRefused) {
  CObjectDefinition obj;
  for (uint32_t i = 0; i < 3; ++i) obj.m_arcRecords.Add(std::make_unique<CObjArcElem>(1.0f, 2.0f, i, 100.0f, 0));
  obj.m_errRecords.Add(std::make_unique<CErrArcElem>(1, 2, 3));
  const Bytes good = Stored(obj);

  // An empty slot among several measurement records.
  obj.m_arcRecords.SetAt(1, nullptr);
  ExpectBadFormat(Stored(obj), "пустая запись в архиве измерений");
  obj.m_arcRecords.SetAt(1, std::make_unique<CObjArcElem>());
  // An empty slot among the abnormal situations.
  obj.m_errRecords.Add(nullptr);
  ExpectBadFormat(Stored(obj), "пустая запись в архиве нештатных ситуаций");

  // A situation where a measurement record belongs.
  Bytes wrongClass = good;
  std::copy_n("CErrArcElem", 11, wrongClass.begin() + 24);
  ExpectBadFormat(wrongClass, "вместо «CObjArcElem»");

  // A count of records the file cannot hold.
  Bytes hugeCount = good;
  hugeCount[16] = 0xFF;
  hugeCount[17] = 0xFF;
  hugeCount.insert(hugeCount.begin() + 18, {0xFF, 0xFF, 0xFF, 0x0F});
  ExpectBadFormat(hugeCount, "больше, чем вмещают");
}

TEST(SavedArchive, AParameterFileTooShortForItsVersionIsRefused) {
  auto d = test::BuiltInDescription();
  auto obj = test::MakeObject(*d, "TARVIK 59.11.03.04", 0, 1, 5);
  obj->m_parBytes.resize(200);
  ExpectBadFormat(Stored(*obj), "файл параметров обрывается на байте 200");
}

TEST(SavedArchive, UnknownVersionStillOpens) {
  auto d = test::BuiltInDescription();
  auto obj = test::MakeObject(*d, "TARVIK 59.11.03.04", 0, 1, 5);
  obj->m_strDeviceId = "SOMETHING ELSE";
  auto loaded = LoadSavedArchive(Stored(*obj), *d);
  std::string text;
  EXPECT_EQ(loaded->GetReadStatus(text), ReadStatus::kReadUnknownVersion);
  EXPECT_TRUE(loaded->m_paramTree.IsEmpty());
}

TEST(SavedArchive, MissingFilesAndFailedSaves) {
  auto d = test::BuiltInDescription();
  TempDir dir;
  try {
    LoadSavedArchive(dir / "absent", *d);
    ADD_FAILURE();
  } catch (const CLoadError& e) {
    EXPECT_EQ(e.GetKind(), CLoadError::EKind::kCannotOpen);
    EXPECT_STREQ(e.UserMessage(), "Ошибка открытия файла");
  }
  EXPECT_THROW(LoadSavedArchive(dir.Path(), *d), CLoadError);

  // A save that cannot complete leaves the previous file as it was.
  const auto target = dir / "kept.arc";
  std::ofstream(target) << "previous contents";
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  CObjectDefinition obj;
  const bool writable = test::CanCreateIn(dir.Path());  // root may write anyway, and so may anyone on Windows
  if (!writable) {
    EXPECT_THROW(SaveSavedArchive(target, obj), std::system_error);
    EXPECT_EQ(test::ReadText(target), "previous contents");
  }
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
  SaveSavedArchive(target, obj);
  EXPECT_EQ(std::filesystem::file_size(target), Stored(obj).size());
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

size_t Entries(const std::filesystem::path& dir) {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++n;
  }
  return n;
}

// What loading `path` throws: its kind and detail.
std::pair<CLoadError::EKind, std::string> LoadFailure(const std::filesystem::path& path) {
  auto d = test::BuiltInDescription();
  try {
    LoadSavedArchive(path, *d);
  } catch (const CLoadError& e) {
    return {e.GetKind(), e.what()};
  }
  ADD_FAILURE() << path << " loaded";
  return {};
}

TEST(SavedArchive, OnlyARegularFileOfAnArchivesSizeIsRead) {
  TempDir dir;
  std::pair<CLoadError::EKind, std::string> failure;
#ifndef _WIN32  // Windows has no named pipe in a folder: its pipes are devices, as below
  // A pipe nobody writes to is refused at once, not waited on.
  const auto pipe = dir / "pipe";
  test::MakeFifo(pipe);
  ASSERT_TRUE(test::EndsAtOnce([&] { failure = LoadFailure(pipe); }, pipe));
  EXPECT_EQ(failure.first, CLoadError::EKind::kCannotOpen);
  EXPECT_NE(failure.second.find("это не обычный файл"), std::string::npos) << failure.second;
#endif

  // A device of endless bytes.
  failure = LoadFailure(test::kEndlessDevice);
  EXPECT_EQ(failure.first, CLoadError::EKind::kCannotOpen);
  EXPECT_NE(failure.second.find("это не обычный файл"), std::string::npos) << failure.second;

  // Five gigabytes (a sparse file: no disk taken) are not an archive, and
  // are refused by their size before anything is allocated or read.
  const auto huge = dir / "huge";
  std::ofstream(huge).put('x');
  std::filesystem::resize_file(huge, uint64_t{5} << 30);
  failure = LoadFailure(huge);
  EXPECT_EQ(failure.first, CLoadError::EKind::kBadFormat);
  EXPECT_NE(failure.second.find("5368709120 байт"), std::string::npos) << failure.second;
}

TEST(FileIo, AWholeFileReadsUpToItsLimit) {
  TempDir dir;
  const auto file = dir / "ten";
  std::ofstream(file, std::ios::binary) << "0123456789";
  EXPECT_EQ(ReadWholeFile(file, 10), Bytes(Ascii("0123456789")));
  EXPECT_THROW(ReadWholeFile(file, 9), CFileTooLargeError);
  EXPECT_EQ(ReadWholeFile(file, 9999).capacity(), 10u);  // no more memory than the file holds
}

// Each step of a replacement failing in turn (create, the first or a later
// write, fsync, close, rename) leaves the previous file as it was, reports
// the error and leaves no temporary file.
TEST(FileIo, AReplacementFailingAtAnyStepKeepsThePreviousFile) {
  struct Reset {
    ~Reset() { SetFileFaultHook({}); }
  } reset;
  TempDir dir;
  const auto target = dir / "kept.arc";
  const std::string previous = "previous contents\n";
  std::ofstream(target, std::ios::binary) << previous;
  struct Case {
    EFileStep step;
    int nth;
    int err;
  };
  for (const Case& c :
       {Case{EFileStep::kCreate, 1, EACCES}, Case{EFileStep::kWrite, 1, ENOSPC}, Case{EFileStep::kWrite, 3, ENOSPC},
        Case{EFileStep::kSync, 1, EIO}, Case{EFileStep::kClose, 1, EDQUOT}, Case{EFileStep::kRename, 1, EROFS}}) {
    SCOPED_TRACE(static_cast<int>(c.step) * 10 + c.nth);
    int seen = 0;
    SetFileFaultHook([&](EFileStep step) { return step == c.step && ++seen == c.nth ? c.err : 0; });
    try {
      CAtomicFile file(target);
      for (const char* piece : {"new ", "contents ", "in three writes"}) file.Write(piece);
      file.Commit();
      ADD_FAILURE() << "no failure";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().value(), c.err);
    }
    EXPECT_EQ(seen, c.nth);
    EXPECT_EQ(test::ReadText(target), previous);
    EXPECT_EQ(Entries(dir.Path()), 1u);
  }
}

// Names are UTF-8 in the program's texts; a Cyrillic folder and file name
// reach the file system as they are (Windows' ANSI code page would lose
// them) and come back the same in a listing and in an error.
TEST(FileIo, CyrillicFolderAndFileNames) {
  TempDir dir;
  const auto folder = dir / "Архив узла учёта";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const auto file = folder / PathFromUtf8("объект №1.sav");
  WriteFileAtomically(file, "first");
  WriteFileAtomically(file, "0123");
  EXPECT_EQ(ReadWholeFile(file, 100), Ascii("0123"));

  auto d = test::BuiltInDescription();
  const auto object = test::MakeObject(*d, "TARVIK 59.11.03.04", 0, 1, 5);
  SaveSavedArchive(file, *object);
  EXPECT_EQ(StoreSavedArchive(*LoadSavedArchive(file, *d)), StoreSavedArchive(*object));
  ASSERT_EQ(Entries(folder), 1u);
  EXPECT_EQ(PathToUtf8(std::filesystem::directory_iterator(folder)->path().filename()), "объект №1.sav");

  try {
    ReadWholeFile(folder / PathFromUtf8("нет такого.sav"), 100);
    ADD_FAILURE() << "read a missing file";
  } catch (const CFileOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Архив узла учёта"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("нет такого.sav"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tkq
