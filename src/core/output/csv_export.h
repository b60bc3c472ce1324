#pragma once
// CSV files of one view of a measurement object each, for scripts, beside
// the report files: UTF-8 with a byte-order mark, commas, CRLF line ends, a
// header row of fixed ASCII names and every column whatever the column
// switches:
//   kArchive:  number,start,end,value1,value2,archiving_percent,abnormal_code,abnormal_text
//   kAbnormal: number,code,text,start,end
//   kParams:   group,line
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

enum class ECsvView { kArchive, kAbnormal, kParams };

// Throws std::system_error when `out` fails to take the bytes.
void WriteArchiveCsv(std::ostream& out, const CObjectDefinition& object, ECsvView view);
// The same to a file, replaced only when complete.
void WriteArchiveCsvFile(const std::filesystem::path& path, const CObjectDefinition& object, ECsvView view);

// Appends one CSV field: as it is, or between quotes with its quotes
// doubled when it holds a comma, a quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);

}  // namespace tkq
