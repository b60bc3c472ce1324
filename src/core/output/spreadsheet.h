#pragma once
// Spreadsheet exports of a measurement object, beside the report files:
// an Excel workbook of all its views, and CSV files of one view each for
// scripts. Both are UTF-8 throughout; the values are those the archive
// table shows under the object's current output choices.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

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
inline constexpr const char* kSheetInfo = "Сведения";

// Writes the workbook of `object` to `path`: the measurement archive with
// the columns `columns` leaves on, the abnormal situations, the parameter
// tree (every group) and what the object is. Written beside `path` under
// another name and renamed only when complete; throws std::runtime_error
// with a short message on failure, and a file already at `path` is then
// left as it was. Memory stays small whatever the number of rows.
void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info);

// The CSV files: UTF-8 with a byte-order mark, commas, CRLF line ends, a
// header row of fixed ASCII names and every column whatever the column
// switches:
//   kArchive:  number,start,end,value1,value2,archiving_percent,abnormal_code,abnormal_text
//   kAbnormal: number,code,text,start,end
//   kParams:   group,line
// Times are the instrument's clock as 2012-02-01T10:00:00, numbers the
// shortest text that reads back as the same float, texts trimmed.
enum class ECsvView { kArchive, kAbnormal, kParams };

// Throws std::system_error when `out` fails to take the bytes.
void WriteArchiveCsv(std::ostream& out, const CObjectDefinition& object, ECsvView view);
// The same to a file, replaced only when complete (as the workbook).
void WriteArchiveCsvFile(const std::filesystem::path& path, const CObjectDefinition& object, ECsvView view);

// Appends one CSV field: as it is, or between quotes with its quotes
// doubled when it holds a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);

namespace detail {
// The workbook with at most `rowsPerSheet` data rows a sheet (tests).
void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, uint32_t rowsPerSheet);
}  // namespace detail

}  // namespace tkq
