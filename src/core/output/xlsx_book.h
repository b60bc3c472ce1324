#pragma once
// A thin C++ layer over libxlsxwriter's workbook: made and freed with the
// object, every failure of the library thrown as std::runtime_error
// naming the file the workbook is for.

#include <xlsxwriter.h>

#include <filesystem>
#include <string>

namespace tkq {

// A libxlsxwriter workbook in constant-memory mode: each sheet's rows go
// to a temporary file (in `scratchFolder`) as they are written, so they
// must come in order.
class CWorkbook {
 public:
  // Writes to `file` when closed; `target` is the name failures give.
  CWorkbook(const std::filesystem::path& file, const std::filesystem::path& scratchFolder, std::string target);
  ~CWorkbook();
  CWorkbook(const CWorkbook&) = delete;
  CWorkbook& operator=(const CWorkbook&) = delete;

  lxw_workbook* Book() { return m_book; }

  lxw_worksheet* AddSheet(const std::string& name);
  lxw_format* NumberFormat(const char* form);

  // Throws for anything but LXW_NO_ERROR.
  void Check(lxw_error error);

  // Writes the file; the workbook is gone afterwards, written or not.
  // A failure says what the library failed at and the system's reason.
  void Close();

  [[noreturn]] void Fail(const std::string& why);

 private:
  lxw_workbook* m_book = nullptr;
  std::string m_target;
  std::string m_scratchFolder;
};

}  // namespace tkq
