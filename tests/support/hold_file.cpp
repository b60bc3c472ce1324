// tkq_hold_file FILE MS (Windows): holds FILE open as an editor holds a
// workbook it shows, without sharing, while a program replaces it. Prints
// "held" once the file is open; when the replacement's temporary file
// (FILE.tmp...) appears, holds on for MS milliseconds more, then lets go
// and prints how long the temporary file was there: the time the
// replacement took, its waits for the file included. Exit status 1 when
// the file does not open or no temporary file comes within 60 s.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool TemporaryThere(const std::wstring& pattern) {
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: tkq_hold_file FILE MS\n", stderr);
    return 2;
  }
  const std::wstring file = argv[1];
  const DWORD hold = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the file: error %lu\n", ::GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  const std::wstring pattern = file + L".tmp*";
  const ULONGLONG waitFrom = ::GetTickCount64();
  while (!TemporaryThere(pattern)) {
    if (::GetTickCount64() - waitFrom > 60000) {
      std::fputs("no temporary file came\n", stderr);
      return 1;
    }
    ::Sleep(1);
  }
  const ULONGLONG appeared = ::GetTickCount64();
  ULONGLONG gone = 0;
  bool released = false;
  while (!released || gone == 0) {
    const ULONGLONG now = ::GetTickCount64();
    if (!released && now - appeared >= hold) {
      ::CloseHandle(held);
      released = true;
    }
    if (gone == 0 && !TemporaryThere(pattern)) gone = now;
    if (now - appeared > 60000) break;
    ::Sleep(1);
  }
  std::printf("temporary file there for %llu ms\n", (gone != 0 ? gone : ::GetTickCount64()) - appeared);
  return 0;
}
