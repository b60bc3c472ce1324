#include "core/output/workbook_sheets.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/base/cp1251.h"
#include "core/base/rtc_time.h"
#include "core/output/table_cells.h"

namespace tkq {
namespace {

// Characters a number takes in the form "0.0000" (sign, integer digits,
// point and four decimals).
size_t FixedWidth(double value) {
  const double magnitude = std::fabs(value);
  const size_t digits = magnitude < 10.0 ? 1 : static_cast<size_t>(std::floor(std::log10(magnitude))) + 1;
  return digits + 5 + (value < 0 ? 1 : 0);
}

size_t DigitCount(uint64_t n) {
  size_t digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

void WriteArchiveSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                       const CObjectDefinition& object, const CColumnSwitches& switches, uint32_t rowsPerSheet) {
  const std::vector<EArchiveColumn> columns = ArchiveColumns(switches);
  std::vector<std::string> captions = ArchiveCaptions(object, columns);
  if (columns.empty()) {
    // No column switched on: the sheet is there, with nothing in it.
    CSheetTable(book, formats, paging, kSheetArchive, {""}, 0, rowsPerSheet, false).Finish();
    return;
  }

  const std::vector<int32_t> positions = object.RowPositions();
  CSheetTable table(book, formats, paging, kSheetArchive, std::move(captions), positions.size(), rowsPerSheet);
  double widest[2] = {0.0, 0.0};  // of the two values
  size_t widestText = 0;
  CArchiveRow values;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!object.ComputeRow(positions[i], values)) continue;
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(i, row);
    for (size_t c = 0; c < columns.size(); ++c) {
      switch (columns[c]) {
        case EArchiveColumn::kNumber: table.Number(sheet, row, c, static_cast<double>(i + 1), formats.whole); break;
        case EArchiveColumn::kFirst:
          table.Value(sheet, row, c, values.value1);
          if (std::isfinite(values.value1)) widest[0] = std::max(widest[0], std::fabs(double{values.value1}));
          break;
        case EArchiveColumn::kSecond:
          table.Value(sheet, row, c, values.value2);
          if (std::isfinite(values.value2)) widest[1] = std::max(widest[1], std::fabs(double{values.value2}));
          break;
        case EArchiveColumn::kStart: table.Time(sheet, row, c, values.start); break;
        case EArchiveColumn::kEnd: table.Time(sheet, row, c, values.end); break;
        case EArchiveColumn::kTime:
          table.Number(sheet, row, c, static_cast<double>(values.archivingPercent) / 100.0, formats.percent);
          break;
        case EArchiveColumn::kAbnormal: {
          const std::string& text = TrimmedAbnormalText(values.abnormalCode);
          table.Text(sheet, row, c, text);
          widestText = std::max(widestText, Utf8Length(text));
          break;
        }
      }
    }
  }
  for (size_t c = 0; c < columns.size(); ++c) {
    switch (columns[c]) {
      case EArchiveColumn::kNumber: table.Fit(c, static_cast<double>(DigitCount(positions.size()))); break;
      case EArchiveColumn::kFirst: table.Fit(c, static_cast<double>(FixedWidth(-widest[0]))); break;
      case EArchiveColumn::kSecond: table.Fit(c, static_cast<double>(FixedWidth(-widest[1]))); break;
      case EArchiveColumn::kStart:
      case EArchiveColumn::kEnd: table.Fit(c, static_cast<double>(CRTCTime::kTextLength)); break;
      case EArchiveColumn::kTime: table.Fit(c, 7.0); break;
      case EArchiveColumn::kAbnormal: table.Fit(c, static_cast<double>(widestText) * 1.2); break;
    }
  }
  table.Finish();
}

void WriteAbnormalSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                        const CObjectDefinition& object, uint32_t rowsPerSheet) {
  const auto count = static_cast<size_t>(object.GetAbnormalCount());
  CSheetTable table(book, formats, paging, kSheetAbnormal,
                    {"№", "Нештатная ситуация", "Начало нештатной ситуации", "Конец нештатной ситуации"}, count,
                    rowsPerSheet);
  size_t widestText = 0;
  for (size_t i = 0; i < count; ++i) {
    const CErrArcElem* record = object.m_errRecords[i];
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(i, row);
    table.Number(sheet, row, 0, static_cast<double>(i + 1), formats.whole);
    if (record == nullptr) continue;
    const std::string& text = TrimmedAbnormalText(record->m_nCode);
    table.Text(sheet, row, 1, text);
    widestText = std::max(widestText, Utf8Length(text));
    table.Time(sheet, row, 2, record->m_nBegin);
    table.Time(sheet, row, 3, record->m_nEnd);
  }
  table.Fit(0, static_cast<double>(DigitCount(count)));
  table.Fit(1, static_cast<double>(widestText) * 1.2);
  table.Fit(2, static_cast<double>(CRTCTime::kTextLength));
  table.Fit(3, static_cast<double>(CRTCTime::kTextLength));
  table.Finish();
}

void WriteParamSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging, const CParamTree& tree,
                     uint32_t rowsPerSheet) {
  uint64_t rows = 0;
  for (const auto& group : tree.Items()) rows += std::max<size_t>(group.children.size(), 1);
  CSheetTable table(book, formats, paging, kSheetParams, {"Группа", "Параметр"}, rows, rowsPerSheet);
  uint64_t index = 0;
  const auto put = [&](const std::string& group, const std::string& line) {
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(index++, row);
    table.Text(sheet, row, 0, group);
    table.Text(sheet, row, 1, line);
    table.Fit(0, static_cast<double>(Utf8Length(group)) * 1.1);
    table.Fit(1, static_cast<double>(Utf8Length(line)) * 1.1);
  };
  for (const auto& group : tree.Items()) {
    if (group.children.empty()) put(group.text, {});
    for (const auto& line : group.children) put(group.text, line.text);
  }
  table.Finish();
}

void WriteSummarySheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                       const CSummaryTable& summary) {
  const std::vector<CSummaryColumn>& columns = summary.Columns();
  std::vector<std::string> captions = {"Начало", "Конец"};
  for (size_t c = 1; c < columns.size(); ++c) captions.push_back(columns[c].caption);
  const auto periods = static_cast<uint64_t>(summary.LineCount() - 1);
  const char* name = summary.Periods() == ESummaryPeriods::kDays ? kSheetDaySummary : kSheetMonthSummary;
  // The heading above the captions says which summary it is, from which
  // reporting hour and over which time.
  CSheetTable table(book, formats, paging, name, captions, periods, kSheetDataRows, true, summary.Heading());
  std::vector<double> widest(captions.size(), 0.0);
  for (uint64_t i = 0; i < periods; ++i) {
    const CSummaryPeriod& period = summary.Period(static_cast<int32_t>(i));
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(i, row);
    table.Time(sheet, row, 0, period.start);
    table.Time(sheet, row, 1, period.end);
    for (size_t c = 1; c < columns.size(); ++c) {
      const CSummaryColumn& column = columns[c];
      const CSummaryValue& v = period.value[column.value];
      double number = 0;
      lxw_format* format = formats.value;
      switch (column.what) {
        case ESummaryColumn::kPeriod: continue;
        case ESummaryColumn::kComplete:
          table.Text(sheet, row, c + 1, period.IsComplete() ? "полные" : "неполные");
          continue;
        case ESummaryColumn::kCovered: number = period.CoveredHours(); break;
        case ESummaryColumn::kFree: number = period.FreeHours(); break;
        case ESummaryColumn::kMissing: number = period.MissingHours(); break;
        case ESummaryColumn::kSituations:
          number = period.SituationCount();
          format = formats.whole;
          break;
        case ESummaryColumn::kDamaged:
          number = period.damaged;
          format = formats.whole;
          break;
        case ESummaryColumn::kFigure: number = v.Figure(summary.Summary().kind[column.value]); break;
        case ESummaryColumn::kMin: number = v.min; break;
        case ESummaryColumn::kMax: number = v.max; break;
        case ESummaryColumn::kFirst: number = v.first; break;
        case ESummaryColumn::kLast: number = v.last; break;
      }
      if (!std::isfinite(number)) continue;
      table.Number(sheet, row, c + 1, number, format);
      widest[c + 1] = std::max(widest[c + 1], std::fabs(number));
    }
  }
  table.Fit(0, static_cast<double>(CRTCTime::kTextLength));
  table.Fit(1, static_cast<double>(CRTCTime::kTextLength));
  for (size_t c = 2; c < captions.size(); ++c) {
    table.Fit(c, std::max(static_cast<double>(FixedWidth(-widest[c])), Utf8Length(captions[c]) * 0.8));
  }
  table.Finish();
}

void WriteInfoSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                    const CObjectDefinition& object, const CWorkbookInfo& info) {
  std::string caption1, caption2;
  object.GetColumnCaptions(caption1, caption2);
  const std::vector<int32_t>::size_type intervals = object.RowPositions().size();
  CSheetTable table(book, formats, paging, kSheetInfo, {"Сведение", "Значение"}, 12, kSheetDataRows, false);
  uint64_t index = 0;
  const auto name = [&](const char* text) {
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(index++, row);
    table.Text(sheet, row, 0, text);
    table.Fit(0, static_cast<double>(Utf8Length(text)) * 1.1);
    return std::pair{sheet, row};
  };
  const auto text = [&](const char* caption, std::string_view value) {
    const auto [sheet, row] = name(caption);
    table.Text(sheet, row, 1, value);
    table.Fit(1, static_cast<double>(Utf8Length(value)) * 1.1);
  };
  const auto number = [&](const char* caption, uint64_t value) {
    const auto [sheet, row] = name(caption);
    table.Number(sheet, row, 1, static_cast<double>(value), formats.whole);
  };
  number("Объект", object.GetObjectNumber());
  text("Идентификация", object.m_strDeviceId);
  text("Версия", TrimmedText(Utf8Prefix(object.m_strDeviceId, 18)));
  {
    // The computer's clock at the read, in its local time.
    const auto [sheet, row] = name("Считан");
    const auto seconds = static_cast<std::time_t>(object.m_tRead);
    std::tm local{};
    if (localtime_r(&seconds, &local) != nullptr) {
      lxw_datetime when{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     static_cast<double>(local.tm_sec)};
      if (when.year >= 1900 && when.year <= 9999) {
        book.Check(worksheet_write_datetime(sheet, row, 1, &when, formats.time));
      }
    }
    table.Fit(1, static_cast<double>(CRTCTime::kTextLength));
  }
  text("Описание", object.m_strDescription);
  number("Записей архива измерений", object.m_arcRecords.GetSize());
  number("Интервалов", intervals);
  number("Нештатных ситуаций", static_cast<uint64_t>(object.GetAbnormalCount()));
  text("Первое значение", caption1);
  text("Второе значение", caption2);
  text("Программа", info.programName);
  text("Версия программы", info.programVersion);
  table.Finish();
}

}  // namespace tkq
