#include "core/output/xlsx_book.h"

#include <stdexcept>
#include <system_error>

#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"

namespace tkq {

CWorkbook::CWorkbook(const std::filesystem::path& file, const std::filesystem::path& scratchFolder, std::string target)
    : m_target(std::move(target)), m_scratchFolder(PathToUtf8(scratchFolder)) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = m_scratchFolder.data();
  // The library takes UTF-8 names on every platform; on Windows the
  // extended-length form, which a deep folder needs.
  m_book = workbook_new_opt(LibraryFileName(file).c_str(), &options);
  if (m_book == nullptr) Fail(kReasonNoMemory);
}

CWorkbook::~CWorkbook() {
  if (m_book != nullptr) lxw_workbook_free(m_book);
}

lxw_worksheet* CWorkbook::AddSheet(const std::string& name) {
  lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.c_str());
  if (sheet == nullptr) Fail("не удается создать временный файл в папке " + DisplayPath(PathFromUtf8(m_scratchFolder)));
  return sheet;
}

lxw_format* CWorkbook::NumberFormat(const char* form) {
  lxw_format* format = workbook_add_format(m_book);
  format_set_num_format(format, form);
  return format;
}

void CWorkbook::Check(lxw_error error) {
  if (error != LXW_NO_ERROR) Fail(detail::WorkbookCloseFailure(error, 0));
}

void CWorkbook::Close() {
  lxw_workbook* book = m_book;
  m_book = nullptr;
  ClearSystemError();
  const lxw_error error = workbook_close(book);
  const int reason = SystemError();
  if (error != LXW_NO_ERROR) Fail(detail::WorkbookCloseFailure(error, reason));
}

void CWorkbook::Fail(const std::string& why) {
  throw std::runtime_error("не удается записать файл " + m_target + ": " + why);
}

namespace detail {

std::string WorkbookCloseFailure(int error, int err) {
  std::string text;
  switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: text = kReasonNoMemory; break;
    case LXW_ERROR_CREATING_XLSX_FILE: text = "ошибка создания файла"; break;
    case LXW_ERROR_CREATING_TMPFILE: text = "ошибка создания временного файла"; break;
    case LXW_ERROR_READING_TMPFILE: text = "ошибка чтения временного файла"; break;
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: text = "ошибка упаковки книги"; break;
    default:
      // What no workbook of ours should meet: the library's own words.
      text = lxw_strerror(static_cast<lxw_error>(error));
      if (const size_t guess = text.find(". Usually"); guess != std::string::npos) text.erase(guess);
      if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (err != 0) text += ": " + ErrnoReason(err);
  return text;
}

}  // namespace detail

}  // namespace tkq
