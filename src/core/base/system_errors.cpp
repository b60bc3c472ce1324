#include "core/base/system_errors.h"

#include <cerrno>
#include <new>

namespace tkq {
namespace {

constexpr const char* kReasonMissing = "нет такого файла или папки";
constexpr const char* kReasonDenied = "доступ запрещен";
constexpr const char* kReasonBusy = "файл занят другой программой";
constexpr const char* kReasonDiskFull = "диск заполнен";
constexpr const char* kReasonReadOnly = "диск защищен от записи";
constexpr const char* kReasonFolder = "это папка, а не файл";
constexpr const char* kReasonExists = "файл уже существует";
constexpr const char* kReasonLongName = "слишком длинное имя файла";
constexpr const char* kReasonBadName = "недопустимое имя файла";

}  // namespace

const char* RussianErrnoReason(int err) {
  switch (err) {
    case ENOENT: return kReasonMissing;
    case EACCES:
    case EPERM: return kReasonDenied;
    case EBUSY:
    case ETXTBSY: return kReasonBusy;
    case ENOSPC: return kReasonDiskFull;
    case EROFS: return kReasonReadOnly;
    case EISDIR: return kReasonFolder;
    case ENOTDIR: return "часть пути не является папкой";
    case EEXIST: return kReasonExists;
    case ENAMETOOLONG: return kReasonLongName;
    case EINVAL: return kReasonBadName;
    case ENOMEM: return kReasonNoMemory;
    case EIO: return "ошибка ввода-вывода";
    case EFBIG: return "файл слишком велик";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ENXIO:
    case ENODEV: return "устройство не найдено";
    case ELOOP: return "слишком много символических ссылок";
    default: return nullptr;
  }
}

const char* RussianWin32Reason(unsigned long code) {
  // The codes of winerror.h.
  switch (code) {
    case 2: return "файл не найден";           // ERROR_FILE_NOT_FOUND
    case 3: return "папка не найдена";         // ERROR_PATH_NOT_FOUND
    case 5: return kReasonDenied;              // ERROR_ACCESS_DENIED
    case 8:                                    // ERROR_NOT_ENOUGH_MEMORY
    case 14: return kReasonNoMemory;             // ERROR_OUTOFMEMORY
    case 15: return "диск не найден";          // ERROR_INVALID_DRIVE
    case 19: return kReasonReadOnly;           // ERROR_WRITE_PROTECT
    case 21: return "устройство не готово";    // ERROR_NOT_READY
    case 32:                                   // ERROR_SHARING_VIOLATION
    case 33: return kReasonBusy;               // ERROR_LOCK_VIOLATION
    case 39:                                   // ERROR_HANDLE_DISK_FULL
    case 112: return kReasonDiskFull;          // ERROR_DISK_FULL
    case 53:                                   // ERROR_BAD_NETPATH
    case 67: return "сетевой путь не найден";  // ERROR_BAD_NET_NAME
    case 65: return kReasonDenied;             // ERROR_NETWORK_ACCESS_DENIED
    case 80:                                   // ERROR_FILE_EXISTS
    case 183: return kReasonExists;            // ERROR_ALREADY_EXISTS
    case 123:                                  // ERROR_INVALID_NAME
    case 161: return kReasonBadName;           // ERROR_BAD_PATHNAME
    case 206: return kReasonLongName;          // ERROR_FILENAME_EXCED_RANGE
    case 267: return kReasonFolder;            // ERROR_DIRECTORY
    default: return nullptr;
  }
}

std::string ErrorReason(const std::error_code& ec) {
  const char* ours = nullptr;
  if (ec.category() == std::generic_category()) {
    ours = RussianErrnoReason(ec.value());
  } else if (ec.category() == std::system_category()) {
    ours = RussianSystemReason(ec.value());
  } else if (const std::error_condition condition = ec.default_error_condition();
             condition.category() == std::generic_category()) {
    ours = RussianErrnoReason(condition.value());
  }
  return ours != nullptr ? std::string(ours) : ec.message();
}

std::string ErrorDetail(const std::exception& e) {
  return dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? std::string(kReasonNoMemory) : std::string(e.what());
}

std::string ErrnoReason(int err) { return ErrorReason(std::error_code(err, std::generic_category())); }

}  // namespace tkq
