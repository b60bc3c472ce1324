#pragma once
// CSV files of one view of a measurement object each, for scripts, beside
// the report files: UTF-8 with a byte-order mark, commas, CRLF line ends, a
// header row of fixed ASCII names and every column whatever the column
// switches:
//   kArchive:  number,start,end,value1,value2,archiving_percent,abnormal_code,abnormal_text
//   kAbnormal: number,code,text,start,end
//   kParams:   group,line
//   kDays, kMonths (the summary, core/output/summary.h):
//              start,end,complete,hours_covered,hours_free,hours_missing,situations,
//              damaged,value1,value1_min,value1_max,value2,value2_min,value2_max
//              a line per day or month: its bounds, 1 when rows cover it
//              whole, the hours (missing: inside the archive only), the
//              abnormal situations that began in it, the damaged rows left
//              out of the values, and each value's figure (the sum of changes, the
//              time-weighted mean of rates, the difference of totals) with
//              its smallest and largest for rates (empty otherwise and
//              where there is no value).
// Times are the instrument's clock as 2012-02-01T10:00:00, numbers the
// shortest text that reads back as the same float, texts trimmed. The
// values are those the archive table shows under the object's current
// output choices.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tkq {

class CObjectDefinition;

enum class ECsvView { kArchive, kAbnormal, kParams, kDays, kMonths };

// Throws std::system_error when `out` fails to take the bytes.
// `reportingHour` (0..23) starts the summary's days and months.
void WriteArchiveCsv(std::ostream& out, const CObjectDefinition& object, ECsvView view, int reportingHour = 0);
// The same to a file, replaced only when complete.
void WriteArchiveCsvFile(const std::filesystem::path& path, const CObjectDefinition& object, ECsvView view,
                         int reportingHour = 0);

// Appends one CSV field: as it is, or between quotes with its quotes
// doubled when it holds a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);

}  // namespace tkq
