#pragma once
// Whole-file reads and safe replacement of files.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tkq {

// A file that cannot be opened or read (missing, no permission, a folder).
class CFileOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A regular file larger than the reader takes: not one of its files.
class CFileTooLargeError : public CFileOpenError {
 public:
  using CFileOpenError::CFileOpenError;
};

// A file that cannot be created, written or replaced: the errno in
// code(), and in what() the whole sentence the user is shown, in Russian
// ("не удается заменить файл C:\…\a.sav: файл занят другой программой").
class CFileError : public std::system_error {
 public:
  CFileError(int err, const std::string& text) : std::system_error(err, std::generic_category()), m_text(text) {}
  const char* what() const noexcept override { return m_text.what(); }

 private:
  std::runtime_error m_text;  // copied without throwing, as an exception must be
};

// A file another program holds open, so that it can be neither replaced
// nor removed (Windows locks an open file; the call was tried again for
// half a second first). Its code is EBUSY.
class CFileBusyError : public CFileError {
 public:
  using CFileError::CFileError;
};

// The first line the user is shown for a file error `e`: that the file is
// open in another program, or "Ошибка открытия файла".
const char* FileErrorMessage(const std::exception& e);

// Reads a whole regular file of at most `maxSize` bytes, allocating no
// more than it holds. A pipe, a device or a folder is refused at once,
// without waiting for a writer or reading endless bytes. Throws
// CFileTooLargeError for a larger file, CFileOpenError otherwise (also when
// memory runs out).
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize);

// A file written beside its destination and renamed over it once
// complete: readers never see half of it, and a failure leaves whatever
// was there before. Discarded unless committed. Only a regular file (or a
// new name) is replaced: a device or a pipe at the destination is refused.
class CAtomicFile {
 public:
  // Creates the temporary file; throws CFileError.
  explicit CAtomicFile(const std::filesystem::path& path);
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Both throw CFileError.
  void Write(std::string_view data);
  void Commit();

 private:
  void Discard();
  std::filesystem::path m_path;
  std::filesystem::path m_tmp;
  // The temporary file while it is open: a descriptor, or a Windows
  // HANDLE; -1 (INVALID_HANDLE_VALUE alike) when none is.
  intptr_t m_file = -1;
};

// Writes `data` to a temporary file beside `path` and renames it over
// `path`, so a failure (disk full, no permission) never leaves a half-written
// file in place of a good one. A symbolic link is followed and its target
// replaced. Throws std::system_error; the temporary file is removed then.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view data);

// Appends the file at `from` to `to` piece by piece. Throws
// std::system_error.
void CopyFileInto(const std::filesystem::path& from, CAtomicFile& to);

// Removes a file if it is there; false when one stays.
bool RemoveFile(const std::filesystem::path& path);

// The size of the regular file `path` and when it was last written (the
// system's own ticks, to compare only), in one look; false when `path` is
// no regular file.
bool FileStamp(const std::filesystem::path& path, int64_t& size, int64_t& modified);

// A regular file of a folder, as a listing gives it.
struct CFolderFile {
  std::filesystem::path name;  // the name alone
  int64_t size = 0;
  int64_t modified = 0;  // as FileStamp gives it
};

// The regular files directly in `folder` (symbolic links followed), with
// what FileStamp tells of each, in one pass where the system gives it so.
// Sets `ec` when the folder cannot be read.
std::vector<CFolderFile> ListFolderFiles(const std::filesystem::path& folder, std::error_code& ec);

// What a name in the file system stands for.
enum class EFileKind { kMissing, kFile, kFolder, kOther };

// What `path` is, symbolic links followed: kMissing when nothing of that
// name is there, kOther for a device, a pipe, or a name the system will
// not tell about (no permission to look).
EFileKind FileKindOf(const std::filesystem::path& path);

// Creates the folder `path` and the missing folders above it; a folder
// already there is no error. Sets `ec` when one cannot be created, and to
// ENOTDIR when a file stands where a folder should.
void CreateFolders(const std::filesystem::path& path, std::error_code& ec);

// The folders directly in `folder`, by their names alone; symbolic links
// and junctions are left out, so that a walk down never comes round
// again. Sets `ec` when the folder cannot be read.
std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder, std::error_code& ec);

// The regular files of `folder` and of its folders at every depth (each
// one's full path), subfolders first passed to `enter`, which may leave
// one out. A subfolder that cannot be read is passed over; `ec` is set
// only when `folder` itself cannot be.
std::vector<std::filesystem::path> ListFolderTree(const std::filesystem::path& folder,
                                                  const std::function<bool(const std::filesystem::path&)>& enter,
                                                  std::error_code& ec);

// Whether `a` and `b` name the same file or folder (the same volume and
// the same file there, however either is spelt); false when either is
// missing.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// A time FileStamp or ListFolderFiles gave as seconds since 1970.
int64_t SecondsOfStamp(int64_t modified);

// Gives the file `from` the new name `to` on the same volume, never
// replacing a file of that name: false (nothing moved) when `to` is taken.
// Throws CFileError, CFileBusyError when another program holds the file.
bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// The name a library that opens files itself should be given for `path`,
// in UTF-8: on Windows the extended-length form, so that a folder however
// deep opens; elsewhere the path as it is.
std::string LibraryFileName(const std::filesystem::path& path);

// The system's reason for the failure of a library's file call: cleared
// before the call, read after it (an errno value, 0 when none was given).
void ClearSystemError();
int SystemError();

// An empty file of its own beside `path`, named after it with `tag` and a
// unique ending, for a library that writes a file by name. Throws
// std::system_error; the caller removes the file.
std::filesystem::path CreateScratchFileBeside(const std::filesystem::path& path, std::string_view tag);

// The system calls of a replacement, in the order they come.
enum class EFileStep { kCreate, kWrite, kSync, kClose, kRename };

// For tests: called before each step of every CAtomicFile (each write call
// for kWrite); a non-zero errno it returns makes that step fail with it
// instead of being carried out. An empty function removes the hook. Not
// for use while other threads replace files.
void SetFileFaultHook(std::function<int(EFileStep)> hook);

}  // namespace tkq
