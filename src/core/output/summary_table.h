#pragma once
// The summary as a table and as text: the window's and the printout's
// cells, the whole archive's figures, the report file and the tool's text.
// Screens and printouts use a decimal point, report files and the tool a
// decimal comma.
//
// A line per day or month, then "Всего" for the whole archive. Columns:
// the period, whether it is complete, hours measured, hours free of
// abnormal situations, hours without records, situations, damaged
// records, then for each value its figures: the sum of changes; the mean,
// smallest and largest of rates; the total at the start, at the end and
// their difference. Each column's cells have one width, so that the
// printout's rules stand between them.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/output/print_layout.h"
#include "core/output/report.h"
#include "core/output/summary.h"

namespace tkq {

enum class ESummaryPeriods { kDays, kMonths };

// "Сводка по суткам" or "Сводка по месяцам".
const char* SummaryTitle(ESummaryPeriods periods);

// What a column of the table shows.
enum class ESummaryColumn {
  kPeriod,
  kComplete,
  kCovered,
  kFree,
  kMissing,
  kSituations,
  kDamaged,
  kFigure,  // the sum, the mean or the difference
  kMin,
  kMax,
  kFirst,
  kLast,
};

struct CSummaryColumn {
  ESummaryColumn what = ESummaryColumn::kPeriod;
  int value = 0;  // the value column (0, 1) of the figures
  std::string caption;
  std::string printCaption;
  size_t width = 0;  // characters of every cell
};

class CSummaryTable {
 public:
  // The table of `summary`'s days or months; the captions are those of
  // `object`'s value columns.
  CSummaryTable(const CObjectDefinition& object, const CSummary& summary, ESummaryPeriods periods);

  ESummaryPeriods Periods() const { return m_periods; }
  const CSummary& Summary() const { return m_summary; }
  const std::vector<CSummaryColumn>& Columns() const { return m_columns; }
  // The periods, then the whole archive.
  int32_t LineCount() const { return static_cast<int32_t>(PeriodList().size()) + 1; }
  const CSummaryPeriod& Period(int32_t line) const;
  bool IsWholeLine(int32_t line) const { return line == LineCount() - 1; }

  std::vector<std::string> Captions() const;
  std::vector<std::string> PrintCaptions() const;
  // The cells of `line`, each padded to its column's width.
  std::vector<std::string> Cells(int32_t line, char decimal = '.') const;
  // The text of one cell.
  std::string CellText(const CSummaryColumn& column, const CSummaryPeriod& period, bool whole,
                       char decimal = '.') const;

  // What the table is, for the head of a printout or a sheet:
  // "Сводка по суткам, отчетный час 0, с 01.03.2026 00:00:00 по ...",
  // without the period when the archive has no rows.
  std::string Heading() const;

  // The whole archive's figures as label and text, for the top of the
  // window and of the report.
  std::vector<std::pair<std::string, std::string>> WholeFigures(char decimal = '.') const;

  // The report or the tool's text: the title with the reporting hour, the
  // whole archive's figures, a blank line, a caption line and a line per
  // period and for the whole archive, each cell followed by a blank.
  // UTF-8.
  std::vector<std::string> TextLines(char decimal) const;

 private:
  const std::vector<CSummaryPeriod>& PeriodList() const {
    return m_periods == ESummaryPeriods::kDays ? m_summary.days : m_summary.months;
  }

  const CSummary& m_summary;
  ESummaryPeriods m_periods;
  std::string m_valueCaption[2];
  std::vector<CSummaryColumn> m_columns;
};

// The summary report file: TextLines with decimal commas, code page 1251.
void WriteSummaryReport(const CSummaryTable& table, CReportSink& sink);

// The printed lines of the table.
class CSummaryPrintLines : public CPrintLines {
 public:
  explicit CSummaryPrintLines(const CSummaryTable& table) : m_table(table) {}
  int32_t GetLineCount() const override { return m_table.LineCount(); }
  std::string GetLineText(int32_t index) const override;
  bool HasTable() const override { return true; }
  std::vector<std::string> GetCaptions() const override { return m_table.PrintCaptions(); }
  std::vector<std::string> GetFirstRowCells() const override { return m_table.Cells(0); }
  std::string GetHeading() const override { return m_table.Heading(); }

 private:
  const CSummaryTable& m_table;
};

// The text of a number of the summary: "%.4f" (hours "%.2f"), `decimal`
// as the separator; "-" for no value.
std::string SummaryNumber(double value, int decimals, char decimal);

}  // namespace tkq
