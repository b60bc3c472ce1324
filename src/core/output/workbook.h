#pragma once
// The Excel workbook of a measurement object: all its views, UTF-8
// throughout, the values those the archive table shows under the object's
// current output choices. Each sheet prints as the program's printed
// pages: landscape A4, the columns across one page width, the caption row
// on every page, the pages' title above and the page number below. Written
// with libxlsxwriter in constant memory.

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/output/report.h"

namespace tkq {

class CObjectDefinition;

// What the workbook's «Сведения» sheet says about the program that wrote it.
struct CWorkbookInfo {
  std::string programName;
  std::string programVersion;
};

// The sheets, in their order. A table longer than a sheet's 1,048,575
// data rows goes on in sheets of the same name followed by " (2)", " (3)"...
inline constexpr const char* kSheetArchive = "Архив измерений";
inline constexpr const char* kSheetAbnormal = "Нештатные ситуации";
inline constexpr const char* kSheetParams = "Параметры";
inline constexpr const char* kSheetDaySummary = "Сводка по суткам";
inline constexpr const char* kSheetMonthSummary = "Сводка по месяцам";
inline constexpr const char* kSheetInfo = "Сведения";

// Writes the workbook of `object` to `path`: the measurement archive with
// the columns `columns` leaves on, the abnormal situations, the parameter
// tree (every group) and what the object is. Written beside `path` under
// another name and renamed only when complete; throws std::runtime_error
// with a short message on failure, and a file already at `path` is then
// left as it was. Memory stays small whatever the number of rows.
void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, int reportingHour = 0);

namespace detail {
// The workbook with at most `rowsPerSheet` data rows a sheet (tests).
void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, uint32_t rowsPerSheet,
                          int reportingHour = 0);
// Why libxlsxwriter failed with lxw_error `error`: in our words for the
// failures of files, memory and packing (else its own text, without the
// guess at a cause it adds, "Usually a permissions error."), and the
// system's reason `err` (an errno value, 0 when the system gave none).
std::string WorkbookCloseFailure(int error, int err);
}  // namespace detail

}  // namespace tkq
