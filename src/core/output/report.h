#pragma once
// The report files: what a view shows, as plain text a spreadsheet splits
// at blanks. Code page 1251, one line per record ended by a line feed, each
// field followed by one blank, decimal commas.

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/description/param_tree.h"
#include "core/storage/file_io.h"

namespace tkq {

class CObjectDefinition;

// The seven switches of the measurement archive's columns.
struct CColumnSwitches {
  bool m_bShowAbnormal = true;
  bool m_bShowIntervalEnd = true;
  bool m_bShowFirst = true;
  bool m_bShowSecond = true;
  bool m_bShowIntervalStart = true;
  bool m_bShowArchivingTime = true;
  bool m_bShowNumber = true;
};

// Where report bytes go.
class CReportSink {
 public:
  virtual ~CReportSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

class CStringSink : public CReportSink {
 public:
  void Write(std::string_view bytes) override { m_text.append(bytes); }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

// Writes to an open stdio stream; a failed write throws std::system_error.
class CFileSink : public CReportSink {
 public:
  explicit CFileSink(std::FILE* file) : m_file(file) {}
  void Write(std::string_view bytes) override;

 private:
  std::FILE* m_file;
};

// Writes to a C++ stream; a stream that fails to take the bytes throws
// CFileError saying `what` ("в стандартный вывод") could not be written.
class CStreamSink : public CReportSink {
 public:
  CStreamSink(std::ostream& out, std::string what) : m_out(out), m_what(std::move(what)) {}
  void Write(std::string_view bytes) override;
  void Flush();

 private:
  void Check();
  std::ostream& m_out;
  std::string m_what;
};

// Writes to a file that replaces its destination only when complete.
class CAtomicFileSink : public CReportSink {
 public:
  explicit CAtomicFileSink(CAtomicFile& file) : m_file(file) {}
  void Write(std::string_view bytes) override { m_file.Write(bytes); }

 private:
  CAtomicFile& m_file;
};

// The measurement archive report: one line per row, the switched-on
// columns in the table's order.
void WriteArchiveReport(const CObjectDefinition& object, const CColumnSwitches& columns, CReportSink& sink);

// The abnormal-situation report: number, text, start, end of every record.
void WriteAbnormalReport(const CObjectDefinition& object, CReportSink& sink);

// The parameter report: every expanded top-level item and its children
// (indented by seven blanks); `expanded[i]` is the state of top-level item
// i (missing entries count as collapsed).
void WriteParamReport(const CParamTree& tree, const std::vector<bool>& expanded, CReportSink& sink);

}  // namespace tkq
