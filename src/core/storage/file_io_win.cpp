// Files on Windows: wide names (a path keeps UTF-16 there), handles,
// FlushFileBuffers and MoveFileExW. The errors are errno values, as the
// POSIX half and the fault hook have them.

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/base/win_errors.h"
#include "core/storage/file_io.h"
#include "core/storage/file_io_shared.h"

namespace tkq {

using detail::InjectedFault;
using detail::ThrowFileError;

namespace {

int LastErrno() { return ErrnoOfWin32Error(::GetLastError()); }

// COM1, NUL, CON and the like, and whatever is named in the device
// namespace (pipes among them): Windows resolves them to "\\.\NAME". They
// are never opened, as opening a serial port acts on the line.
bool IsDeviceName(const std::wstring& name) {
  if (name.rfind(L"\\\\.\\", 0) == 0) return true;
  const DWORD length = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (length == 0) return false;
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(name.c_str(), length, full.data(), nullptr);
  full.resize(written);
  return full.rfind(L"\\\\.\\", 0) == 0;
}

HANDLE AsHandle(intptr_t file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
  const std::wstring name = path.wstring();
  if (IsDeviceName(name)) throw detail::OpenFailure(path, "not a regular file");
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw detail::OpenFailure(path, std::strerror(LastErrno()));
  // A folder opens only with backup semantics: its attributes tell it.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) detail::CheckReadable(path, {true, false, 0}, maxSize);

  const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw detail::OpenFailure(path, std::strerror(LastErrno()));
  struct Closer {
    HANDLE file;
    ~Closer() { ::CloseHandle(file); }
  } closer{file};
  // Should the name have changed meanwhile, the handle says what it is.
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info)) {
    detail::CheckReadable(path, {}, maxSize);
  }
  const uint64_t size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  detail::CheckReadable(path, {(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, true, size}, maxSize);
  return detail::ReadToEnd(path, size, maxSize, [file](uint8_t* buffer, size_t room, int& err) -> int64_t {
    DWORD got = 0;
    if (!::ReadFile(file, buffer, static_cast<DWORD>(room), &got, nullptr)) {
      err = LastErrno();
      return -1;
    }
    return got;
  });
}

CAtomicFile::CAtomicFile(const std::filesystem::path& requested) : m_path(requested) {
  std::error_code ec;
  if (std::filesystem::is_symlink(m_path, ec)) {
    const auto target = std::filesystem::canonical(m_path, ec);
    if (!ec) m_path = target;
  }
  m_tmp = detail::NameBeside(m_path, ".tmp", ::GetCurrentProcessId());
  const std::wstring name = m_path.wstring();
  // A move would put a file in place of the device, or fail on a folder.
  if (IsDeviceName(name)) ThrowFileError(EINVAL, "cannot replace", m_path, ", not a regular file");
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ThrowFileError(EISDIR, "cannot replace", m_path, ", not a regular file");
  }
  if (const int err = InjectedFault(CFileStep::kCreate)) ThrowFileError(err, "cannot create", m_path);
  const HANDLE file =
      ::CreateFileW(m_tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowFileError(LastErrno(), "cannot create", m_path);
  m_file = reinterpret_cast<intptr_t>(file);
}

CAtomicFile::~CAtomicFile() { Discard(); }

void CAtomicFile::Discard() {
  if (m_file == -1) return;
  ::CloseHandle(AsHandle(m_file));
  ::DeleteFileW(m_tmp.c_str());
  m_file = -1;
}

void CAtomicFile::Write(std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const int injected = InjectedFault(CFileStep::kWrite);
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (injected != 0 || !::WriteFile(AsHandle(m_file), data.data() + done, piece, &written, nullptr)) {
      const int err = injected != 0 ? injected : LastErrno();
      Discard();
      ThrowFileError(err, "cannot write", m_path);
    }
    done += written;
  }
}

void CAtomicFile::Commit() {
  const HANDLE file = AsHandle(m_file);
  // The data reach the disk before the name points at them, so a crash
  // leaves the old file or the new one, never an empty one.
  const int syncFault = InjectedFault(CFileStep::kSync);
  if (syncFault != 0 || !::FlushFileBuffers(file)) {
    const int err = syncFault != 0 ? syncFault : LastErrno();
    Discard();
    ThrowFileError(err, "cannot write", m_path);
  }
  m_file = -1;
  const int closeFault = InjectedFault(CFileStep::kClose);
  if (!::CloseHandle(file) || closeFault != 0) {
    const int err = closeFault != 0 ? closeFault : LastErrno();
    ::DeleteFileW(m_tmp.c_str());
    ThrowFileError(err, "cannot write", m_path);
  }
  // One step that replaces the old file or leaves it; the write-through
  // flag returns only once the move is on the disk.
  const int renameFault = InjectedFault(CFileStep::kRename);
  if (renameFault != 0 ||
      !::MoveFileExW(m_tmp.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const int err = renameFault != 0 ? renameFault : LastErrno();
    ::DeleteFileW(m_tmp.c_str());
    ThrowFileError(err, "cannot replace", m_path);
  }
}

std::filesystem::path CreateScratchFileBeside(const std::filesystem::path& path, std::string_view tag) {
  // A name left by a process of the same number that did not clean up is
  // passed over.
  for (int attempt = 0;; ++attempt) {
    std::filesystem::path name = detail::NameBeside(path, std::string(tag) + "-", ::GetCurrentProcessId());
    const HANDLE file =
        ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      return name;
    }
    const DWORD error = ::GetLastError();
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 100) {
      ThrowFileError(ErrnoOfWin32Error(error), "cannot create a file beside", path);
    }
  }
}

}  // namespace tkq
