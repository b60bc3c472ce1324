#include "core/output/workbook.h"

#include <algorithm>
#include <string>

#include "core/archive/object_definition.h"
#include "core/base/paths.h"
#include "core/output/sheet_paging.h"
#include "core/output/sheet_table.h"
#include "core/output/summary.h"
#include "core/output/workbook_sheets.h"
#include "core/output/xlsx_book.h"
#include "core/storage/scratch_replacement.h"

namespace tkq {

void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, int reportingHour) {
  detail::WriteArchiveWorkbook(path, object, columns, info, kSheetDataRows, reportingHour);
}

namespace detail {

void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, uint32_t rowsPerSheet,
                          int reportingHour) {
  const CSummary summary = MakeSummary(object, reportingHour);
  rowsPerSheet = std::clamp<uint32_t>(rowsPerSheet, 1, kSheetDataRows);
  // libxlsxwriter writes a file by name; it is made beside the
  // destination, with the rows' temporary files, and then copied into the
  // replacement.
  CScratchReplacement file(path, ".book");
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  {
    CWorkbook book(file.ScratchPath(), folder, DisplayPath(path));
    const CSheetPaging paging(object);
    const CCellFormats formats(book);
    std::string title = "Архив объекта № " + std::to_string(object.GetObjectNumber());
    std::string comments = info.programName + " " + info.programVersion;
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.comments = comments.data();
    book.Check(workbook_set_properties(book.Book(), &properties));
    WriteArchiveSheet(book, formats, paging, object, columns, rowsPerSheet);
    WriteAbnormalSheet(book, formats, paging, object, rowsPerSheet);
    WriteParamSheet(book, formats, paging, object.m_paramTree, rowsPerSheet);
    WriteSummarySheet(book, formats, paging, CSummaryTable(object, summary, ESummaryPeriods::kDays));
    WriteSummarySheet(book, formats, paging, CSummaryTable(object, summary, ESummaryPeriods::kMonths));
    WriteInfoSheet(book, formats, paging, object, info);
    book.Close();
  }
  file.Commit();
}

}  // namespace detail

}  // namespace tkq
