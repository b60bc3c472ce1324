// How files are handed to Windows (the extended-length names), how a file
// another program holds is waited for, and the error that is left when it
// stays held.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <vector>

#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/storage/file_io.h"
#include "core/storage/file_rules.h"
#include "core/storage/scratch_replacement.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>

#include "core/base/errors_win.h"
#include "core/storage/file_io_win.h"
#endif

namespace tkq {
namespace {

using namespace std::chrono_literals;
using detail::ETry;
using detail::ExtendedLengthPath;

// The names in `dir`, counted by the system itself (the C runtime's
// directory listing under std::filesystem stops at 260 characters on
// Windows).
size_t Entries(const std::filesystem::path& dir) {
  size_t n = 0;
#ifdef _WIN32
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((L"\\\\?\\" + (dir / L"*").wstring()).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") ++n;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
#else
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++n;
  }
#endif
  return n;
}

TEST(FileRules, FullPathsTakeTheExtendedLengthForm) {
  EXPECT_EQ(ExtendedLengthPath(L"C:\\Отчёты\\a.xlsx"), L"\\\\?\\C:\\Отчёты\\a.xlsx");
  EXPECT_EQ(ExtendedLengthPath(L"d:\\"), L"\\\\?\\d:\\");
  EXPECT_EQ(ExtendedLengthPath(L"\\\\server\\share\\folder\\a.sav"), L"\\\\?\\UNC\\server\\share\\folder\\a.sav");
  // Already extended, or a device: as they are.
  for (const wchar_t* kept : {L"\\\\?\\C:\\a.sav", L"\\\\?\\UNC\\server\\share\\a.sav", L"\\\\.\\COM5",
                              L"\\\\.\\pipe\\x", L"\\\\?\\Volume{0e1f}\\a"}) {
    EXPECT_EQ(ExtendedLengthPath(kept), kept);
  }
  // Nothing GetFullPathNameW gives: left for Windows to refuse.
  for (const wchar_t* kept : {L"", L"a.sav", L"C:a.sav", L"\\a.sav", L"\\\\", L"1:\\a"}) {
    EXPECT_EQ(ExtendedLengthPath(kept), kept);
  }
  // A folder far deeper than 260 characters keeps every character.
  std::wstring deep = L"C:\\Users\\Инженер";
  while (deep.size() < 400) deep += L"\\Папка узла учёта";
  deep += L"\\Объект 01.xlsx";
  EXPECT_EQ(ExtendedLengthPath(deep), L"\\\\?\\" + deep);
}

// The waits between tries, with a clock of the test's own: nobody sleeps.
struct CTries {
  explicit CTries(std::vector<ETry> each) : outcomes(std::move(each)) {}
  std::vector<ETry> outcomes;  // of each try in turn; the last repeats
  size_t made = 0;
  std::vector<std::chrono::milliseconds> waits;

  ETry Run() {
    return detail::RetryWhileHeld(
        [this] { return outcomes[std::min(made++, outcomes.size() - 1)]; },
        [this](std::chrono::milliseconds pause) { waits.push_back(pause); });
  }
  std::chrono::milliseconds Waited() const {
    std::chrono::milliseconds sum{0};
    for (auto w : waits) sum += w;
    return sum;
  }
};

TEST(FileRules, AHeldFileIsTriedAgainForHalfASecond) {
  // Released after two tries: done at the third, 150 ms later.
  CTries released({ETry::kHeld, ETry::kHeld, ETry::kDone});
  EXPECT_EQ(released.Run(), ETry::kDone);
  EXPECT_EQ(released.made, 3u);
  EXPECT_EQ(released.waits, (std::vector{50ms, 100ms}));

  // Held for good: five tries, half a second, then held it stays.
  CTries held({ETry::kHeld});
  EXPECT_EQ(held.Run(), ETry::kHeld);
  EXPECT_EQ(held.made, 5u);
  EXPECT_EQ(held.waits, (std::vector{50ms, 100ms, 150ms, 200ms}));
  EXPECT_EQ(held.Waited(), 500ms);

  // Done, or failed for another reason: never tried again.
  for (ETry once : {ETry::kDone, ETry::kFailed}) {
    CTries tries({once});
    EXPECT_EQ(tries.Run(), once);
    EXPECT_EQ(tries.made, 1u);
    EXPECT_TRUE(tries.waits.empty());
  }
  // Held, then failing otherwise: that failure, without waiting on.
  CTries changed({ETry::kHeld, ETry::kFailed, ETry::kDone});
  EXPECT_EQ(changed.Run(), ETry::kFailed);
  EXPECT_EQ(changed.made, 2u);
}

// A replacement the file's holder keeps from completing: a CFileBusyError
// the user is told of as such, in Russian with the system's separators;
// the previous file stays, no temporary file is left. Other errors keep
// their message.
TEST(FileRules, AFileStillHeldIsReportedAsOpenElsewhere) {
  struct Reset {
    ~Reset() { SetFileFaultHook({}); }
  } reset;
  test::TempDir dir;
  const auto target = dir / "kept.csv";
  std::ofstream(target, std::ios::binary) << "previous";
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kRename ? EBUSY : 0; });
  try {
    WriteFileAtomically(target, "new");
    ADD_FAILURE() << "written";
  } catch (const CFileBusyError& e) {
    EXPECT_EQ(e.code().value(), EBUSY);
    EXPECT_STREQ(FileErrorMessage(e), "Файл открыт в другой программе. Закройте его там и повторите.");
    EXPECT_EQ(std::string(e.what()), "не удается заменить файл " + DisplayPath(target) + ": файл занят другой программой");
  }
  EXPECT_EQ(test::ReadText(target), "previous");
  EXPECT_EQ(Entries(dir.Path()), 1u);

  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kCreate ? EACCES : 0; });
  try {
    WriteFileAtomically(target, "new");
    ADD_FAILURE() << "written";
  } catch (const std::system_error& e) {
    EXPECT_EQ(dynamic_cast<const CFileBusyError*>(&e), nullptr);
    EXPECT_STREQ(FileErrorMessage(e), "Ошибка открытия файла");
    EXPECT_EQ(std::string(e.what()), "не удается создать файл " + DisplayPath(target) + ": доступ запрещен");
  }
}

// The reasons a user meets are ours in Russian, on either system; what we
// have no words for keeps the system's.
TEST(FileRules, TheCommonReasonsAreSaidInRussian) {
  EXPECT_EQ(ErrnoReason(ENOENT), "нет такого файла или папки");
  EXPECT_EQ(ErrnoReason(EACCES), "доступ запрещен");
  EXPECT_EQ(ErrnoReason(ENOSPC), "диск заполнен");
  EXPECT_EQ(ErrnoReason(EROFS), "диск защищен от записи");
  EXPECT_EQ(ErrnoReason(EBUSY), "файл занят другой программой");
  EXPECT_EQ(ErrnoReason(EISDIR), "это папка, а не файл");
  EXPECT_EQ(ErrorReason(std::make_error_code(std::errc::permission_denied)), "доступ запрещен");
  EXPECT_EQ(ErrnoReason(EDOM), std::generic_category().message(EDOM));

  // Windows' codes, by their numbers in winerror.h.
  const std::pair<unsigned long, const char*> win32[] = {
      {2, "файл не найден"},    {3, "папка не найдена"},       {5, "доступ запрещен"},
      {32, "файл занят другой программой"}, {33, "файл занят другой программой"},
      {112, "диск заполнен"},   {39, "диск заполнен"},          {19, "диск защищен от записи"}};
  for (const auto& [code, text] : win32) {
    ASSERT_NE(RussianWin32Reason(code), nullptr) << code;
    EXPECT_STREQ(RussianWin32Reason(code), text) << code;
  }
  EXPECT_EQ(RussianWin32Reason(1117), nullptr);  // ERROR_IO_DEVICE: the system's text

  // A file that is not there, and a folder where a file is meant.
  test::TempDir dir;
  try {
    ReadWholeFile(dir / "absent.sav", 100);
    ADD_FAILURE() << "read";
  } catch (const CFileOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "не удается открыть файл " + DisplayPath(dir / "absent.sav") + ": нет такого файла или папки");
  }
  std::filesystem::create_directory(dir / "folder.sav");
  try {
    ReadWholeFile(dir / "folder.sav", 100);
    ADD_FAILURE() << "read";
  } catch (const CFileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "не удается открыть файл " + DisplayPath(dir / "folder.sav") + ": это папка, а не файл");
  }
  struct Reset {
    ~Reset() { SetFileFaultHook({}); }
  } reset;
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kWrite ? ENOSPC : 0; });
  try {
    WriteFileAtomically(dir / "full.csv", "data");
    ADD_FAILURE() << "written";
  } catch (const CFileError& e) {
    EXPECT_EQ(std::string(e.what()), "не удается записать файл " + DisplayPath(dir / "full.csv") + ": диск заполнен");
  }
}

// A file a library writes by name: in place only once committed, the
// scratch file gone either way; a failed replacement keeps the old file.
TEST(FileRules, AScratchFileReplacesItsDestinationOnlyWhenCommitted) {
  struct Reset {
    ~Reset() { SetFileFaultHook({}); }
  } reset;
  test::TempDir dir;
  const auto target = dir / "book.xlsx";
  std::ofstream(target, std::ios::binary) << "previous";
  const auto writeScratch = [](const CScratchReplacement& file, const char* text) {
    std::ofstream(file.ScratchPath(), std::ios::binary) << text;
  };
  {
    CScratchReplacement file(target, ".book");
    EXPECT_EQ(file.ScratchPath().parent_path(), dir.Path());
    writeScratch(file, "abandoned");
  }
  EXPECT_EQ(test::ReadText(target), "previous");
  EXPECT_EQ(Entries(dir.Path()), 1u);
  {
    CScratchReplacement file(target, ".book");
    writeScratch(file, "new");
    file.Commit();
    EXPECT_EQ(test::ReadText(target), "new");
  }
  EXPECT_EQ(Entries(dir.Path()), 1u);
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kRename ? EIO : 0; });
  {
    CScratchReplacement file(target, ".book");
    writeScratch(file, "failed");
    EXPECT_THROW(file.Commit(), std::system_error);
  }
  EXPECT_EQ(test::ReadText(target), "new");
  EXPECT_EQ(Entries(dir.Path()), 1u);
  // A folder that takes no file fails before the library writes anything.
  EXPECT_THROW(CScratchReplacement(dir / "no/such/folder/book.xlsx", ".book"), std::system_error);
}

// Files in a folder far past Windows' 260 characters: written, replaced,
// read and removed.
TEST(FileRules, AFolderDeeperThanWindowsPlainNames) {
  test::TempDir dir;
  std::filesystem::path folder = dir.Path();
  while (folder.native().size() < 300) folder /= PathFromUtf8("Папка узла учёта");
  std::filesystem::create_directories(folder);
  const auto file = folder / PathFromUtf8("Объект 01.sav");
  ASSERT_GT(file.native().size(), 300u);
#ifdef _WIN32
  // Every name Windows is handed is the extended-length one.
  std::vector<std::wstring> names;
  SetWin32NameObserver([&](const std::wstring& name) { names.push_back(name); });
  struct Reset {
    ~Reset() { SetWin32NameObserver({}); }
  } reset;
#endif
  WriteFileAtomically(file, "first");
  WriteFileAtomically(file, "second");
  EXPECT_EQ(test::ReadText(file), "second");
  const auto scratch = CreateScratchFileBeside(file, ".book");
  EXPECT_EQ(Entries(folder), 2u);
  EXPECT_TRUE(RemoveFile(scratch));
  EXPECT_TRUE(RemoveFile(scratch));  // gone already
  EXPECT_EQ(ReadWholeFile(file, 100).size(), 6u);
  EXPECT_EQ(Entries(folder), 1u);
#ifdef _WIN32
  ASSERT_GE(names.size(), 8u);
  for (const std::wstring& name : names) {
    EXPECT_EQ(name.rfind(L"\\\\?\\", 0), 0u) << Utf8FromWide(name);
    EXPECT_EQ(name.find(L'/'), std::wstring::npos);
  }
  // The library's name for a file is the same form, in UTF-8.
  EXPECT_EQ(LibraryFileName(file).rfind("\\\\?\\", 0), 0u);
#else
  EXPECT_EQ(LibraryFileName(file), file.string());
#endif
}

// A folder under `base` whose name is past Windows' 260 characters.
std::filesystem::path DeepFolder(const std::filesystem::path& base) {
  std::filesystem::path folder = base;
  while (folder.native().size() < 300) folder /= PathFromUtf8("Узел учёта №1");
  return folder;
}

// Folders created part by part far past 260 characters, told apart from
// files, and a file standing where a folder should.
TEST(FileRules, FoldersAreCreatedAndNamesToldApartAtAnyDepth) {
  test::TempDir dir;
  const auto folder = DeepFolder(dir.Path());
  std::error_code ec;
  EXPECT_EQ(FileKindOf(folder), EFileKind::kMissing);
  CreateFolders(folder, ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_EQ(FileKindOf(folder), EFileKind::kFolder);
  CreateFolders(folder / "", ec);  // there already, spelt with a separator at its end
  EXPECT_FALSE(ec) << ec.message();

  const auto file = folder / PathFromUtf8("Объект 01.sav");
  WriteFileAtomically(file, "archive");
  EXPECT_EQ(FileKindOf(file), EFileKind::kFile);
  EXPECT_EQ(FileKindOf(file / "below"), EFileKind::kMissing);
  CreateFolders(file, ec);
  EXPECT_EQ(ec, std::make_error_code(std::errc::not_a_directory));
  CreateFolders(file / "below", ec);
  EXPECT_TRUE(ec);
  EXPECT_EQ(FileKindOf(file), EFileKind::kFile);
#ifdef _WIN32
  EXPECT_EQ(FileKindOf("NUL"), EFileKind::kOther);
#else
  EXPECT_EQ(FileKindOf("/dev/null"), EFileKind::kOther);
#endif
}

// A tree walked down to its last file, a folder left out when asked, and
// the same file known however its name is spelt.
TEST(FileRules, AFolderTreeIsListedAndTheSameFileKnown) {
  test::TempDir dir;
  const auto deep = DeepFolder(dir / "a");
  std::error_code ec;
  for (const auto& folder : {deep, dir / "a" / "skipped", dir / "b"}) CreateFolders(folder, ec);
  for (const auto& file : {dir / "top.sav", dir / "b" / "2.sav", dir / "b" / "1.sav", deep / "deep.sav",
                           dir / "a" / "skipped" / "no.sav"}) {
    WriteFileAtomically(file, "x");
  }
#ifndef _WIN32
  // A link to a folder is not walked down: the walk never comes round.
  std::filesystem::create_directory_symlink(dir.Path(), dir / "b" / "loop");
#endif
  std::vector<std::filesystem::path> entered;
  const auto files = ListFolderTree(
      dir.Path(),
      [&](const std::filesystem::path& folder) {
        entered.push_back(folder);
        return folder.filename() != "skipped";
      },
      ec);
  EXPECT_FALSE(ec) << ec.message();
  // Each folder's files in the order of their names, then its folders'.
  const std::vector<std::filesystem::path> expected{dir / "top.sav", deep / "deep.sav", dir / "b" / "1.sav",
                                                    dir / "b" / "2.sav"};
  EXPECT_EQ(files, expected);
  EXPECT_NE(std::find(entered.begin(), entered.end(), dir / "a" / "skipped"), entered.end());
  EXPECT_TRUE(ListFolderTree(dir / "missing", {}, ec).empty());
  EXPECT_TRUE(ec);

  EXPECT_TRUE(SameFile(deep / "deep.sav", deep / ".." / deep.filename() / "deep.sav"));
  EXPECT_TRUE(SameFile(dir / "b", dir / "a" / ".." / "b"));
  EXPECT_FALSE(SameFile(dir / "b" / "1.sav", dir / "b" / "2.sav"));
  EXPECT_FALSE(SameFile(dir / "b" / "1.sav", dir / "b" / "3.sav"));
}

// A file's time as the system keeps it, in seconds since 1970.
TEST(FileRules, AStampTimeIsSecondsSince1970) {
  test::TempDir dir;
  const auto file = dir / "old.sav";
  WriteFileAtomically(file, "x");
  const auto when = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(when));
  int64_t size = 0;
  int64_t modified = 0;
  ASSERT_TRUE(FileStamp(file, size, modified));
  EXPECT_EQ(SecondsOfStamp(modified), 1700000000);
}

#ifdef _WIN32
// Another handle holds the file as Excel holds an open workbook: without
// sharing. Released within the retries, the replacement goes through;
// held on, it fails as held, in about half a second, the file as it was.
TEST(FileRules, WindowsWaitsForAFileHeldOpen) {
  test::TempDir dir;
  const auto target = dir / "Отчёт.txt";
  std::ofstream(target, std::ios::binary) << "previous";
  const auto hold = [&] {
    return ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };

  HANDLE held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    ::Sleep(200);
    ::CloseHandle(held);
  });
  const auto started = std::chrono::steady_clock::now();
  WriteFileAtomically(target, "new");
  const auto took = std::chrono::steady_clock::now() - started;
  release.join();
  EXPECT_EQ(test::ReadText(target), "new");
  EXPECT_GE(took, 150ms);
  EXPECT_EQ(Entries(dir.Path()), 1u);

  held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto again = std::chrono::steady_clock::now();
  EXPECT_THROW(WriteFileAtomically(target, "newer"), CFileBusyError);
  const auto failedAfter = std::chrono::steady_clock::now() - again;
  ::CloseHandle(held);
  EXPECT_GE(failedAfter, 450ms);
  EXPECT_LT(failedAfter, 3s);
  EXPECT_EQ(test::ReadText(target), "new");
  EXPECT_EQ(Entries(dir.Path()), 1u);
}
#endif

}  // namespace
}  // namespace tkq
