// Files on Windows: wide names (a path keeps UTF-16 there), handles,
// FlushFileBuffers and MoveFileExW. The errors are errno values, as the
// POSIX half and the fault hook have them.
//
// Every name reaches Windows through Win32Name: absolute and in the
// extended-length form ("\\?\C:\..."), which Windows takes however deep the
// folder, where a plain name fails past 260 characters. A call that fails
// because another program holds the file (an antivirus, an indexer, a
// cloud client for a moment, an editor for as long as it has the file open)
// is tried again for half a second; a file still held then is reported as
// such (EBUSY, CFileBusyError).

#include "core/storage/file_io_win.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/errors_win.h"
#include "core/storage/file_io.h"
#include "core/storage/file_io_shared.h"
#include "core/storage/file_rules.h"

namespace tkq {

using detail::InjectedFault;
using detail::EFileAction;
using detail::ThrowFileError;

namespace {

std::function<void(const std::wstring&)>& NameObserver() {
  static std::function<void(const std::wstring&)> observer;
  return observer;
}

// What GetFullPathNameW makes of `name`: absolute, backslashes, no "." or
// ".."; empty when it fails. Forward slashes are separators as Windows
// takes them ("/data/a.sav" from the current drive's root), turned to
// backslashes first: wine would take a leading one for its host's root.
std::wstring FullPathName(std::wstring name) {
  if (name.rfind(L"\\\\?\\", 0) != 0) std::replace(name.begin(), name.end(), L'/', L'\\');
  const DWORD length = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (length == 0) return {};
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(name.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return {};
  full.resize(written);
  return full;
}

// The name every file call of this file hands Windows for `path`.
std::wstring Win32Name(const std::filesystem::path& path) {
  const std::wstring name = path.wstring();
  const std::wstring full = FullPathName(name);
  // A name GetFullPathNameW refuses is handed on as it is, to fail there.
  std::wstring result = full.empty() ? name : detail::ExtendedLengthPath(full);
  if (const auto& observer = NameObserver()) observer(result);
  return result;
}

// COM1, NUL, CON and the like, and whatever is named in the device
// namespace (pipes among them): Windows resolves them to "\\.\NAME". They
// are never opened, as opening a serial port acts on the line.
bool IsDeviceName(const std::wstring& name) {
  if (name.rfind(L"\\\\.\\", 0) == 0) return true;
  return FullPathName(name).rfind(L"\\\\.\\", 0) == 0;
}

bool HeldError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Whether another program has `name` open in a way that keeps it from
// being replaced. Tells a held file from one that is refused for good (no
// permission, read-only), which both fail a replacement with "access
// denied".
bool IsHeld(const std::wstring& name) {
  const HANDLE file = ::CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
    return false;
  }
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Runs `call` (true when it succeeded, GetLastError() telling why not),
// trying again while the file seems held. Returns 0 when it succeeded,
// else the errno it failed with: EBUSY when `names` (those the call acts
// on) are held by another program still.
template <class Call>
int Retrying(Call call, std::initializer_list<const std::wstring*> names) {
  DWORD error = 0;
  const detail::ETry outcome = detail::RetryWhileHeld(
      [&] {
        if (call()) return detail::ETry::kDone;
        error = ::GetLastError();
        return HeldError(error) ? detail::ETry::kHeld : detail::ETry::kFailed;
      },
      [](std::chrono::milliseconds pause) { ::Sleep(static_cast<DWORD>(pause.count())); });
  if (outcome == detail::ETry::kDone) return 0;
  if (error == ERROR_ACCESS_DENIED && std::any_of(names.begin(), names.end(), [](const std::wstring* name) {
        return IsHeld(*name);
      })) {
    return EBUSY;
  }
  return ErrnoOfWin32Error(error);
}

// CreateFileW of an already converted name, tried again while held.
HANDLE OpenFile(const std::wstring& name, DWORD access, DWORD share, DWORD disposition, int& err) {
  HANDLE file = INVALID_HANDLE_VALUE;
  err = Retrying(
      [&] {
        file = ::CreateFileW(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file != INVALID_HANDLE_VALUE;
      },
      {&name});
  return file;
}

// DeleteFileW, tried again while held; 0 or the errno.
int DeleteName(const std::wstring& name) {
  return Retrying([&] { return ::DeleteFileW(name.c_str()) != 0 || ::GetLastError() == ERROR_FILE_NOT_FOUND; },
                  {&name});
}

HANDLE AsHandle(intptr_t file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

void SetWin32NameObserver(std::function<void(const std::wstring&)> observer) { NameObserver() = std::move(observer); }

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
  if (IsDeviceName(path.wstring())) throw detail::OpenFailure(path, detail::kReasonNotRegular);
  const std::wstring name = Win32Name(path);
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    throw detail::OpenFailure(path, ErrnoOfWin32Error(::GetLastError()));
  }
  // A folder opens only with backup semantics: its attributes tell it.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) detail::CheckReadable(path, {true, false, 0}, maxSize);

  int err = 0;
  const HANDLE file =
      OpenFile(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, err);
  if (file == INVALID_HANDLE_VALUE) throw detail::OpenFailure(path, err);
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
      err = ErrnoOfWin32Error(::GetLastError());
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
  // A move would put a file in place of the device, or fail on a folder.
  if (IsDeviceName(m_path.wstring())) ThrowFileError(EINVAL, EFileAction::kReplace, m_path, detail::kReasonNotRegular);
  const DWORD attributes = ::GetFileAttributesW(Win32Name(m_path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ThrowFileError(EISDIR, EFileAction::kReplace, m_path);
  }
  if (const int err = InjectedFault(EFileStep::kCreate)) ThrowFileError(err, EFileAction::kCreate, m_path);
  int err = 0;
  const HANDLE file = OpenFile(Win32Name(m_tmp), GENERIC_WRITE, 0, CREATE_NEW, err);
  if (file == INVALID_HANDLE_VALUE) ThrowFileError(err, EFileAction::kCreate, m_path);
  m_file = reinterpret_cast<intptr_t>(file);
}

CAtomicFile::~CAtomicFile() { Discard(); }

void CAtomicFile::Discard() {
  if (m_file == -1) return;
  ::CloseHandle(AsHandle(m_file));
  DeleteName(Win32Name(m_tmp));
  m_file = -1;
}

void CAtomicFile::Write(std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const int injected = InjectedFault(EFileStep::kWrite);
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    if (injected != 0 || !::WriteFile(AsHandle(m_file), data.data() + done, piece, &written, nullptr)) {
      const int err = injected != 0 ? injected : ErrnoOfWin32Error(::GetLastError());
      Discard();
      ThrowFileError(err, EFileAction::kWrite, m_path);
    }
    done += written;
  }
}

void CAtomicFile::Commit() {
  const HANDLE file = AsHandle(m_file);
  // The data reach the disk before the name points at them, so a crash
  // leaves the old file or the new one, never an empty one.
  const int syncFault = InjectedFault(EFileStep::kSync);
  if (syncFault != 0 || !::FlushFileBuffers(file)) {
    const int err = syncFault != 0 ? syncFault : ErrnoOfWin32Error(::GetLastError());
    Discard();
    ThrowFileError(err, EFileAction::kWrite, m_path);
  }
  m_file = -1;
  const int closeFault = InjectedFault(EFileStep::kClose);
  if (!::CloseHandle(file) || closeFault != 0) {
    const int err = closeFault != 0 ? closeFault : ErrnoOfWin32Error(::GetLastError());
    DeleteName(Win32Name(m_tmp));
    ThrowFileError(err, EFileAction::kWrite, m_path);
  }
  // One step that replaces the old file or leaves it; the write-through
  // flag returns only once the move is on the disk.
  const std::wstring from = Win32Name(m_tmp);
  const std::wstring to = Win32Name(m_path);
  int err = InjectedFault(EFileStep::kRename);
  if (err == 0) {
    err = Retrying(
        [&] {
          return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        },
        {&to, &from});
  }
  if (err != 0) {
    DeleteName(from);
    ThrowFileError(err, EFileAction::kReplace, m_path);
  }
}

void CopyFileInto(const std::filesystem::path& from, CAtomicFile& to) {
  int err = 0;
  const HANDLE file = OpenFile(Win32Name(from), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, err);
  if (file == INVALID_HANDLE_VALUE) ThrowFileError(err, EFileAction::kReadBack, from);
  struct Closer {
    HANDLE file;
    ~Closer() { ::CloseHandle(file); }
  } closer{file};
  std::vector<char> buffer(1 << 20);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      ThrowFileError(ErrnoOfWin32Error(::GetLastError()), EFileAction::kReadBack, from);
    }
    if (got == 0) break;
    to.Write(std::string_view(buffer.data(), got));
  }
}

bool RemoveFile(const std::filesystem::path& path) { return DeleteName(Win32Name(path)) == 0; }

bool FileStamp(const std::filesystem::path& path, int64_t& size, int64_t& modified) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Win32Name(path).c_str(), GetFileExInfoStandard, &data)) return false;
  if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return false;
  size = static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  modified = static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                  data.ftLastWriteTime.dwLowDateTime);
  return true;
}

std::vector<CFolderFile> ListFolderFiles(const std::filesystem::path& folder, std::error_code& ec) {
  ec.clear();
  std::vector<CFolderFile> files;
  std::wstring pattern = Win32Name(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  // The listing gives each file's size and time: nothing opened or looked
  // at one by one.
  const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) ec.assign(ErrnoOfWin32Error(error), std::generic_category());
    return files;
  }
  do {
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) continue;
    files.push_back({std::filesystem::path(data.cFileName),
                     static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow),
                     static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                          data.ftLastWriteTime.dwLowDateTime)});
  } while (::FindNextFileW(find, &data));
  const DWORD error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) ec.assign(ErrnoOfWin32Error(error), std::generic_category());
  return files;
}

namespace {

// Errors by which Windows says that nothing of a name is there.
bool MissingError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return true;
    default: return false;
  }
}

// The volume and the file on it of what `name` leads to (links followed);
// false when it cannot be opened to ask.
bool FileIdentity(const std::wstring& name, BY_HANDLE_FILE_INFORMATION& info) {
  // No access asked for: only what the file is. Backup semantics open a
  // folder too.
  const HANDLE file = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = ::GetFileInformationByHandle(file, &info) != 0;
  ::CloseHandle(file);
  return known;
}

}  // namespace

EFileKind FileKindOf(const std::filesystem::path& path) {
  if (IsDeviceName(path.wstring())) return EFileKind::kOther;
  const std::wstring name = Win32Name(path);
  DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return MissingError(::GetLastError()) ? EFileKind::kMissing : EFileKind::kOther;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A symbolic link or a junction tells of itself: what it leads to is
    // asked of an open handle.
    BY_HANDLE_FILE_INFORMATION info{};
    if (!FileIdentity(name, info)) {
      return MissingError(::GetLastError()) ? EFileKind::kMissing : EFileKind::kOther;
    }
    attributes = info.dwFileAttributes;
  }
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EFileKind::kOther;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EFileKind::kFolder : EFileKind::kFile;
}

void CreateFolders(const std::filesystem::path& path, std::error_code& ec) {
  ec.clear();
  std::wstring name = Win32Name(path);
  // "\\?\C:\" keeps its backslash: without it the name is the drive's device.
  auto isDriveRoot = [](const std::wstring& n) { return n.size() == 7 && n[5] == L':' && n[6] == L'\\'; };
  while (name.size() > 4 && name.back() == L'\\' && !isDriveRoot(name)) name.pop_back();
  // Up from the folder asked for to the first one that is there; the
  // missing ones below it are then created downwards.
  std::vector<std::wstring> missing;
  for (std::wstring current = name;;) {
    const DWORD attributes = ::GetFileAttributesW(current.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ec = std::make_error_code(std::errc::not_a_directory);
        return;
      }
      break;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      ec.assign(ErrnoOfWin32Error(error), std::generic_category());
      return;
    }
    missing.push_back(current);
    const size_t cut = current.find_last_of(L'\\');
    // The extended-length prefix reached: nothing above to look at.
    if (cut == std::wstring::npos || cut < 4) break;
    current.resize(cut);
    if (current.size() == 6 && current[5] == L':') current += L'\\';
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::CreateDirectoryW(it->c_str(), nullptr)) continue;
    const DWORD error = ::GetLastError();
    // Another program may have created it meanwhile.
    const DWORD attributes = ::GetFileAttributesW(it->c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      continue;
    }
    ec = error == ERROR_ALREADY_EXISTS ? std::make_error_code(std::errc::not_a_directory)
                                       : std::error_code(ErrnoOfWin32Error(error), std::generic_category());
    return;
  }
}

std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder, std::error_code& ec) {
  ec.clear();
  std::vector<std::filesystem::path> folders;
  std::wstring pattern = Win32Name(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchLimitToDirectories,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) ec.assign(ErrnoOfWin32Error(error), std::generic_category());
    return folders;
  }
  do {
    // The limit to folders is a hint only: files come too.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    folders.emplace_back(std::wstring(name));
  } while (::FindNextFileW(find, &data));
  const DWORD error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) ec.assign(ErrnoOfWin32Error(error), std::generic_category());
  return folders;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return FileIdentity(Win32Name(a), first) && FileIdentity(Win32Name(b), second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

int64_t SecondsOfStamp(int64_t modified) {
  // Ticks of 100 ns since 1601: 11,644,473,600 seconds before 1970.
  constexpr int64_t kTicksPerSecond = 10000000;
  constexpr int64_t kTicksBefore1970 = 116444736000000000;
  const int64_t ticks = modified - kTicksBefore1970;
  return ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
}

bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  const std::wstring source = Win32Name(from);
  const std::wstring target = Win32Name(to);
  // Without MOVEFILE_REPLACE_EXISTING a name that is taken fails the move.
  const int err =
      Retrying([&] { return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0; }, {&source});
  if (err == 0) return true;
  if (err == EEXIST) return false;
  ThrowFileError(err, EFileAction::kMove, from);
}

std::string LibraryFileName(const std::filesystem::path& path) { return Utf8FromWide(Win32Name(path)); }

void ClearSystemError() {
  errno = 0;
  ::SetLastError(0);
}

int SystemError() {
  if (errno != 0) return errno;
  const DWORD error = ::GetLastError();
  return error != 0 ? ErrnoOfWin32Error(error) : 0;
}

std::filesystem::path CreateScratchFileBeside(const std::filesystem::path& path, std::string_view tag) {
  // A name left by a process of the same number that did not clean up is
  // passed over.
  for (int attempt = 0;; ++attempt) {
    std::filesystem::path name = detail::NameBeside(path, std::string(tag) + "-", ::GetCurrentProcessId());
    int err = 0;
    const HANDLE file = OpenFile(Win32Name(name), GENERIC_WRITE, 0, CREATE_NEW, err);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      return name;
    }
    if (err != EEXIST || attempt == 100) ThrowFileError(err, EFileAction::kCreateBeside, path);
  }
}

}  // namespace tkq
