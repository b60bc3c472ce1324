#include "core/output/csv_export.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/base/rtc_time.h"
#include "core/output/summary.h"
#include "core/output/table_cells.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

// Bytes collected in chunks of about a megabyte before they go to a sink.
class CChunkedText {
 public:
  explicit CChunkedText(CReportSink& sink) : m_sink(sink) { m_text.reserve(kChunk + 4096); }
  std::string& Text() { return m_text; }
  void EndLine() {
    if (m_text.size() >= kChunk) Flush();
  }
  void Flush() {
    if (!m_text.empty()) m_sink.Write(m_text);
    m_text.clear();
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  CReportSink& m_sink;
  std::string m_text;
};

// --- CSV ---

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

void AppendFloat(std::string& out, float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendWhole(std::string& out, uint64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// "2012-02-01T10:00:00": the table's date and time of the instrument's
// clock, reordered.
void AppendIsoTime(std::string& out, int64_t seconds) {
  char t[CRTCTime::kTextLength];  // "dd.mm.yyyy hh:mm:ss"
  CRTCTime::FormatInto(static_cast<uint32_t>(seconds), t);
  out.append(t + 6, 4);
  out += '-';
  out.append(t + 3, 2);
  out += '-';
  out.append(t, 2);
  out += 'T';
  out.append(t + 11, 8);
}

void AppendDouble(std::string& out, double value) {
  if (!std::isfinite(value)) return;  // an empty field
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void WriteSummaryCsv(CChunkedText& chunks, const CObjectDefinition& object, ECsvView view, int reportingHour) {
  std::string& out = chunks.Text();
  out +=
      "start,end,complete,hours_covered,hours_free,hours_missing,situations,"
      "value1,value1_min,value1_max,value2,value2_min,value2_max,damaged";
  out += kLineEnd;
  const CSummary summary = MakeSummary(object, reportingHour);
  for (const CSummaryPeriod& p : view == ECsvView::kDays ? summary.days : summary.months) {
    AppendIsoTime(out, p.start);
    out += ',';
    AppendIsoTime(out, p.end);
    out += p.IsComplete() ? ",1," : ",0,";
    AppendDouble(out, p.CoveredHours());
    out += ',';
    AppendDouble(out, p.FreeHours());
    out += ',';
    AppendDouble(out, p.MissingHours());
    out += ',';
    AppendWhole(out, static_cast<uint64_t>(p.SituationCount()));
    for (int k = 0; k < 2; ++k) {
      const bool mean = summary.kind[k] == ESummaryKind::kMean;
      out += ',';
      AppendDouble(out, p.value[k].Figure(summary.kind[k]));
      out += ',';
      if (mean) AppendDouble(out, p.value[k].min);
      out += ',';
      if (mean) AppendDouble(out, p.value[k].max);
    }
    // Added after the values, so that the columns before keep their places.
    out += ',';
    AppendWhole(out, static_cast<uint64_t>(p.damaged));
    out += kLineEnd;
    chunks.EndLine();
  }
}

void WriteCsv(CReportSink& sink, const CObjectDefinition& object, ECsvView view, int reportingHour) {
  CChunkedText chunks(sink);
  std::string& out = chunks.Text();
  out += kByteOrderMark;
  switch (view) {
    case ECsvView::kArchive: {
      out += "number,start,end,value1,value2,archiving_percent,abnormal_code,abnormal_text";
      out += kLineEnd;
      const std::vector<int32_t> positions = object.RowPositions();
      CArchiveRow row;
      for (size_t i = 0; i < positions.size(); ++i) {
        if (!object.ComputeRow(positions[i], row)) continue;
        AppendWhole(out, i + 1);
        out += ',';
        AppendIsoTime(out, row.start);
        out += ',';
        AppendIsoTime(out, row.end);
        out += ',';
        AppendFloat(out, row.value1);
        out += ',';
        AppendFloat(out, row.value2);
        out += ',';
        AppendFloat(out, row.archivingPercent);
        out += ',';
        AppendWhole(out, row.abnormalCode);
        out += ',';
        AppendCsvField(out, TrimmedAbnormalText(row.abnormalCode));
        out += kLineEnd;
        chunks.EndLine();
      }
      break;
    }
    case ECsvView::kAbnormal: {
      out += "number,code,text,start,end";
      out += kLineEnd;
      const auto count = static_cast<size_t>(object.GetAbnormalCount());
      for (size_t i = 0; i < count; ++i) {
        const CErrArcElem* record = object.m_errRecords[i];
        if (record == nullptr) continue;
        AppendWhole(out, i + 1);
        out += ',';
        AppendWhole(out, record->m_nCode);
        out += ',';
        AppendCsvField(out, TrimmedAbnormalText(record->m_nCode));
        out += ',';
        AppendIsoTime(out, record->m_nBegin);
        out += ',';
        AppendIsoTime(out, record->m_nEnd);
        out += kLineEnd;
        chunks.EndLine();
      }
      break;
    }
    case ECsvView::kParams: {
      out += "group,line";
      out += kLineEnd;
      for (const auto& group : object.m_paramTree.Items()) {
        const auto line = [&](std::string_view text) {
          AppendCsvField(out, group.text);
          out += ',';
          AppendCsvField(out, text);
          out += kLineEnd;
          chunks.EndLine();
        };
        if (group.children.empty()) line({});
        for (const auto& child : group.children) line(child.text);
      }
      break;
    }
    case ECsvView::kDays:
    case ECsvView::kMonths: WriteSummaryCsv(chunks, object, view, reportingHour); break;
  }
  chunks.Flush();
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void WriteArchiveCsv(std::ostream& out, const CObjectDefinition& object, ECsvView view, int reportingHour) {
  CStreamSink sink(out, "файл CSV");
  WriteCsv(sink, object, view, reportingHour);
  sink.Flush();
}

void WriteArchiveCsvFile(const std::filesystem::path& path, const CObjectDefinition& object, ECsvView view,
                         int reportingHour) {
  CAtomicFile file(path);
  CAtomicFileSink sink(file);
  WriteCsv(sink, object, view, reportingHour);
  file.Commit();
}

}  // namespace tkq
