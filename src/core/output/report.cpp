#include "core/output/report.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <system_error>

#include "core/archive/object_definition.h"
#include "core/base/cp1251.h"
#include "core/base/rtc_time.h"
#include "core/base/system_errors.h"
#include "core/output/text_forms.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

// Lines are collected in chunks so that a million-row report makes a few
// hundred writes, not a million.
class ChunkWriter {
 public:
  explicit ChunkWriter(CReportSink& sink) : m_sink(sink) { m_buffer.reserve(kChunk + 1024); }
  ~ChunkWriter() = default;
  char* Reserve(size_t n) {
    const size_t used = m_buffer.size();
    m_buffer.resize(used + n);
    return m_buffer.data() + used;
  }
  void Commit(size_t reserved, size_t used) { m_buffer.resize(m_buffer.size() - reserved + used); }
  void EndLine() {
    if (m_buffer.size() >= kChunk) Flush();
  }
  void Flush() {
    if (!m_buffer.empty()) m_sink.Write(m_buffer);
    m_buffer.clear();
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  CReportSink& m_sink;
  std::string m_buffer;
};

// The abnormal-situation texts as a report writes them: code page 1251,
// every blank an underscore.
const std::string& ReportAbnormalText(uint8_t code) {
  static const std::array<std::string, 256> texts = [] {
    std::array<std::string, 256> t;
    for (size_t c = 0; c < t.size(); ++c) {
      t[c] = std::string(AbnormalTextCp1251(static_cast<uint8_t>(c)));
      for (char& ch : t[c]) {
        if (ch == ' ') ch = '_';
      }
    }
    return t;
  }();
  return texts[code];
}

}  // namespace

void CFileSink::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
    const int err = errno != 0 ? errno : EIO;
    throw CFileError(err, "не удается записать отчет: " + ErrnoReason(err));
  }
}

void CStreamSink::Write(std::string_view bytes) {
  m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check();
}

void CStreamSink::Flush() {
  m_out.flush();
  Check();
}

void CStreamSink::Check() {
  if (m_out) return;
  const int err = errno != 0 ? errno : EIO;
  throw CFileError(err, "не удается записать " + m_what + ": " + ErrnoReason(err));
}

void WriteArchiveReport(const CObjectDefinition& object, const CColumnSwitches& columns, CReportSink& sink) {
  int32_t position = object.FirstRow();
  if (position < 0) return;
  ChunkWriter out(sink);
  CArchiveRow row;
  for (uint32_t number = 1; position >= 0; position = object.NextRow(position), ++number) {
    if (!object.ComputeRow(position, row)) break;
    constexpr size_t kRoom = 512;
    char* const line = out.Reserve(kRoom);
    char* p = line;
    if (columns.m_bShowNumber) {
      p += AppendSequenceNumber(p, number);
      *p++ = ' ';
    }
    if (columns.m_bShowFirst) {
      p += AppendValue(p, row.value1, ',');
      *p++ = ' ';
    }
    if (columns.m_bShowSecond) {
      p += AppendValue(p, row.value2, ',');
      *p++ = ' ';
    }
    if (columns.m_bShowIntervalStart) {
      CRTCTime::FormatInto(static_cast<uint32_t>(row.start), p);
      p += CRTCTime::kTextLength;
      *p++ = ' ';
    }
    if (columns.m_bShowIntervalEnd) {
      CRTCTime::FormatInto(static_cast<uint32_t>(row.end), p);
      p += CRTCTime::kTextLength;
      *p++ = ' ';
    }
    if (columns.m_bShowArchivingTime) {
      p += AppendArchivingPercent(p, row.archivingPercent, ',');
      *p++ = ' ';
    }
    if (columns.m_bShowAbnormal) {
      const std::string& text = ReportAbnormalText(row.abnormalCode);
      std::memcpy(p, text.data(), text.size());
      p += text.size();
      *p++ = ' ';
    }
    *p++ = '\n';
    out.Commit(kRoom, static_cast<size_t>(p - line));
    out.EndLine();
  }
  out.Flush();
}

void WriteAbnormalReport(const CObjectDefinition& object, CReportSink& sink) {
  const size_t count = object.m_errRecords.GetSize();
  if (count == 0) return;
  ChunkWriter out(sink);
  for (size_t i = 0; i < count; ++i) {
    const CErrArcElem* r = object.m_errRecords[i];
    if (r == nullptr) break;
    constexpr size_t kRoom = 128;
    char* const line = out.Reserve(kRoom);
    char* p = line;
    p += AppendSequenceNumber(p, static_cast<uint32_t>(i + 1));
    *p++ = ' ';
    const std::string& text = ReportAbnormalText(r->m_nCode);
    std::memcpy(p, text.data(), text.size());
    p += text.size();
    *p++ = ' ';
    CRTCTime::FormatInto(r->m_nBegin, p);
    p += CRTCTime::kTextLength;
    *p++ = ' ';
    CRTCTime::FormatInto(r->m_nEnd, p);
    p += CRTCTime::kTextLength;
    *p++ = ' ';
    *p++ = '\n';
    out.Commit(kRoom, static_cast<size_t>(p - line));
    out.EndLine();
  }
  out.Flush();
}

void WriteParamReport(const CParamTree& tree, const std::vector<bool>& expanded, CReportSink& sink) {
  std::string text;
  const auto& items = tree.Items();
  for (size_t i = 0; i < items.size(); ++i) {
    if (i >= expanded.size() || !expanded[i]) continue;
    text += Utf8ToCp1251(items[i].text);
    text += '\n';
    for (const auto& child : items[i].children) {
      text += "       ";
      text += Utf8ToCp1251(child.text);
      text += '\n';
    }
  }
  sink.Write(text);
}

}  // namespace tkq
