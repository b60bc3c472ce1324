// tarvik-kq.exe as Windows runs it: its arguments from the wide command
// line, its standard output byte for byte, and a replacement that Windows
// refuses keeping the old file.

#include <windows.h>
// After <windows.h>.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::TempDir;

struct ToolRun {
  DWORD status = 255;
  std::string out;  // standard output, as the bytes came
  std::string err;
};

// tarvik-kq.exe, found beside this test, with `args` on its command line,
// in `cwd`.
ToolRun RunTool(const std::filesystem::path& cwd, const std::wstring& args) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + (std::filesystem::path(self).parent_path() / L"tarvik-kq.exe").wstring() + L"\" " + args;
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr;
  HANDLE outWrite = nullptr;
  ToolRun run;
  if (!::CreatePipe(&outRead, &outWrite, &inherited, 0)) return run;
  ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  const std::filesystem::path errFile = cwd / L".stderr";
  const HANDLE err = ::CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = outWrite;
  start.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        cwd.c_str(), &start, &process);
  ::CloseHandle(outWrite);
  ::CloseHandle(err);
  if (started) {
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(outRead, buffer, sizeof buffer, &n, nullptr) && n > 0) run.out.append(buffer, n);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &run.status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(outRead);
  run.err = test::ReadText(errFile);
  std::filesystem::remove(errFile);
  return run;
}

class WindowsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    auto description = test::BuiltInDescription();
    test::Bytes err;
    test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 6, err);
    SaveSavedArchive(folder / L"объект №1.sav", *object);
  }

  TempDir dir;
  const std::filesystem::path folder = dir / "Узел учёта";
  std::unique_ptr<CObjectDefinition> object;
};

// The reports' lines end as the program writes them, LF alone: standard
// output in text mode would add a CR before each.
TEST_F(WindowsTool, AReportToStandardOutputIsTheFilesBytes) {
  const ToolRun toFile = RunTool(folder, L"report \"объект №1.sav\" --view archive -o \"Отчёт по узлу.txt\"");
  ASSERT_EQ(toFile.status, 0u) << toFile.err;
  const std::string written = test::ReadText(folder / L"Отчёт по узлу.txt");
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5);

  const ToolRun toOut = RunTool(dir.Path(), L"report \"Узел учёта\\объект №1.sav\" --view archive");
  ASSERT_EQ(toOut.status, 0u) << toOut.err;
  EXPECT_EQ(toOut.out, written);
  EXPECT_EQ(toOut.out.find('\r'), std::string::npos);
}

TEST_F(WindowsTool, CyrillicNamesOnTheCommandLineAndInMessages) {
  const ToolRun info = RunTool(dir.Path(), L"info \"Узел учёта\\объект №1.sav\"");
  EXPECT_EQ(info.status, 0u) << info.err;
  EXPECT_NE(info.out.find("Объект: 5\n"), std::string::npos) << info.out;

  const ToolRun missing = RunTool(dir.Path(), L"info \"Узел учёта\\нет такого.sav\"");
  EXPECT_EQ(missing.status, 2u);
  EXPECT_NE(missing.err.find("Ошибка открытия файла"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("Узел учёта\\нет такого.sav: нет такого файла или папки"), std::string::npos)
      << missing.err;
}

// Scripts and Git Bash write a path from the drive's root with forward
// slashes: it is the archive, not an option "/users".
TEST_F(WindowsTool, APathFromTheDrivesRootIsNoOption) {
  std::wstring rooted = (folder / L"объект №1.sav").wstring().substr(2);  // without "C:"
  std::replace(rooted.begin(), rooted.end(), L'\\', L'/');
  ASSERT_EQ(rooted.front(), L'/');
  const ToolRun run = RunTool(dir.Path(), L"report \"" + rooted + L"\" --view archive");
  EXPECT_EQ(run.status, 0u) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.out;
}

// A file another program holds open without sharing it (a report open in
// an editor) cannot be replaced: after half a second of tries the write
// fails saying so, the old file stays and nothing is left beside it.
TEST_F(WindowsTool, AReplacementWindowsRefusesKeepsTheOldFile) {
  const std::filesystem::path report = folder / L"отчёт.txt";
  std::ofstream(report, std::ios::binary) << "previous report";
  const HANDLE held = ::CreateFileW(report.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  // Said in Russian, the path with Windows' own separators however it
  // was given (a file dialog hands forward slashes over).
  std::string forward = PathToUtf8(report);
  std::replace(forward.begin(), forward.end(), '\\', '/');
  try {
    WriteFileAtomically(PathFromUtf8(forward), "new report");
    ADD_FAILURE() << "a held file replaced";
  } catch (const CFileBusyError& e) {
    EXPECT_EQ(std::string(e.what()),
              "не удается заменить файл " + DisplayPath(report) + ": файл занят другой программой");
  }
  const ToolRun run = RunTool(folder, L"report \"объект №1.sav\" --view params -o отчёт.txt");
  EXPECT_EQ(run.status, 1u);
  EXPECT_EQ(run.err.rfind("Файл открыт в другой программе. Закройте его там и повторите.", 0), 0u) << run.err;
  ::CloseHandle(held);
  EXPECT_EQ(test::ReadText(report), "previous report");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
}

// Devices and pipes are refused by their names, never opened.
TEST(WindowsFiles, DevicesAreNoFiles) {
  for (const char* name : {"NUL", "COM1", "\\\\.\\pipe\\tkq-none", "CON"}) {
    try {
      ReadWholeFile(name, 100);
      ADD_FAILURE() << name << " read";
    } catch (const CFileOpenError& e) {
      EXPECT_NE(std::string(e.what()).find("это не обычный файл"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(WriteFileAtomically("NUL", "x"), std::system_error);
}

}  // namespace
}  // namespace tkq
