#include "core/output/summary_table.h"

#include <algorithm>
#include <cstdio>

#include "core/archive/object_definition.h"
#include "core/archive/records.h"
#include "core/base/cp1251.h"
#include "core/base/rtc_time.h"
#include "core/output/table_cells.h"

namespace tkq {
namespace {

constexpr const char* kWholeText = "Всего";
constexpr size_t kValueWidth = 16;  // as the archive table's values
constexpr size_t kHoursWidth = 9;
constexpr size_t kCountWidth = 6;

// `text` padded with blanks to `width` characters, on the left (numbers)
// or on the right.
std::string PaddedCell(std::string text, size_t width, bool right) {
  const size_t length = Utf8Length(text);
  if (length >= width) return text;
  const std::string blanks(width - length, ' ');
  return right ? blanks + text : text + blanks;
}

std::string Count(int64_t n) { return std::to_string(n); }

// "dd.mm.yyyy" of a day, "mm.yyyy" of a month.
std::string PeriodName(int64_t start, ESummaryPeriods periods) {
  const std::string text = CRTCTime::Text(static_cast<uint32_t>(start));
  return periods == ESummaryPeriods::kDays ? text.substr(0, 10) : text.substr(3, 7);
}

std::string TimeText(int64_t seconds) { return CRTCTime::Text(static_cast<uint32_t>(seconds)); }

const char* CompleteText(bool complete) { return complete ? "полные" : "неполные"; }

}  // namespace

const char* SummaryTitle(ESummaryPeriods periods) {
  return periods == ESummaryPeriods::kDays ? "Сводка по суткам" : "Сводка по месяцам";
}

std::string SummaryNumber(double value, int decimals, char decimal) {
  if (!std::isfinite(value)) return "-";
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string text(buf, static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
  if (decimal != '.') std::replace(text.begin(), text.end(), '.', decimal);
  return text;
}

CSummaryTable::CSummaryTable(const CObjectDefinition& object, const CSummary& summary, ESummaryPeriods periods)
    : m_summary(summary), m_periods(periods) {
  std::string caption[2], print[2];
  object.GetColumnCaptions(caption[0], caption[1]);
  object.GetPrintCaptions(print[0], print[1]);
  const auto add = [this](ESummaryColumn what, int value, std::string screen, std::string printed, size_t width) {
    width = std::max(width, Utf8Length(printed));
    m_columns.push_back({what, value, std::move(screen), std::move(printed), width});
  };
  const bool days = periods == ESummaryPeriods::kDays;
  add(ESummaryColumn::kPeriod, 0, days ? "Сутки" : "Месяц", days ? "Сутки" : "Месяц", days ? 10 : 7);
  add(ESummaryColumn::kComplete, 0, "Данные", "Данные", 8);
  add(ESummaryColumn::kCovered, 0, "Часов измерения", "Часов", kHoursWidth);
  add(ESummaryColumn::kFree, 0, "Часов без НС", "Без НС", kHoursWidth);
  add(ESummaryColumn::kMissing, 0, "Часов без записей", "Пропуск", kHoursWidth);
  add(ESummaryColumn::kSituations, 0, "Нештатных ситуаций", "НС", kCountWidth);
  add(ESummaryColumn::kDamaged, 0, "Искаженных записей", "Иск.", kCountWidth);
  for (int k = 0; k < 2; ++k) {
    std::string name = caption[k].empty() ? "Параметр " + std::to_string(k + 1) : caption[k];
    std::string printName = print[k].empty() ? "Параметр " + std::to_string(k + 1) : print[k];
    // The short names keep the blanks that pad them in the archive's printout.
    printName.erase(std::unique(printName.begin(), printName.end(),
                                [](char a, char b) { return a == ' ' && b == ' '; }),
                    printName.end());
    m_valueCaption[k] = name;
    const auto value = [&](ESummaryColumn what, const char* screen, const char* printed) {
      add(what, k, name + ": " + screen, printName + " " + printed, kValueWidth);
    };
    switch (summary.kind[k]) {
      case ESummaryKind::kSum: value(ESummaryColumn::kFigure, "сумма", "сумма"); break;
      case ESummaryKind::kMean:
        value(ESummaryColumn::kFigure, "среднее", "ср.");
        value(ESummaryColumn::kMin, "наименьшее", "мин.");
        value(ESummaryColumn::kMax, "наибольшее", "макс.");
        break;
      case ESummaryKind::kTotal:
        value(ESummaryColumn::kFirst, "в начале", "нач.");
        value(ESummaryColumn::kLast, "в конце", "кон.");
        value(ESummaryColumn::kFigure, "разность", "разн.");
        break;
    }
  }
}

const CSummaryPeriod& CSummaryTable::Period(int32_t line) const {
  const auto& list = PeriodList();
  return line >= 0 && static_cast<size_t>(line) < list.size() ? list[static_cast<size_t>(line)] : m_summary.whole;
}

std::vector<std::string> CSummaryTable::Captions() const {
  std::vector<std::string> out;
  for (const CSummaryColumn& column : m_columns) out.push_back(column.caption);
  return out;
}

std::vector<std::string> CSummaryTable::PrintCaptions() const {
  std::vector<std::string> out;
  for (const CSummaryColumn& column : m_columns) out.push_back(column.printCaption);
  return out;
}

std::string CSummaryTable::CellText(const CSummaryColumn& column, const CSummaryPeriod& period, bool whole,
                                    char decimal) const {
  const CSummaryValue& v = period.value[column.value];
  switch (column.what) {
    case ESummaryColumn::kPeriod: return whole ? kWholeText : PeriodName(period.start, m_periods);
    case ESummaryColumn::kComplete: return CompleteText(period.IsComplete());
    case ESummaryColumn::kCovered: return SummaryNumber(period.CoveredHours(), 2, decimal);
    case ESummaryColumn::kFree: return SummaryNumber(period.FreeHours(), 2, decimal);
    case ESummaryColumn::kMissing: return SummaryNumber(period.MissingHours(), 2, decimal);
    case ESummaryColumn::kSituations: return Count(period.SituationCount());
    case ESummaryColumn::kDamaged: return Count(period.damaged);
    case ESummaryColumn::kFigure: return SummaryNumber(v.Figure(m_summary.kind[column.value]), 4, decimal);
    case ESummaryColumn::kMin: return SummaryNumber(v.min, 4, decimal);
    case ESummaryColumn::kMax: return SummaryNumber(v.max, 4, decimal);
    case ESummaryColumn::kFirst: return SummaryNumber(v.first, 4, decimal);
    case ESummaryColumn::kLast: return SummaryNumber(v.last, 4, decimal);
  }
  return {};
}

std::vector<std::string> CSummaryTable::Cells(int32_t line, char decimal) const {
  if (line < 0 || line >= LineCount()) return {};
  const CSummaryPeriod& period = Period(line);
  const bool whole = IsWholeLine(line);
  std::vector<std::string> cells;
  cells.reserve(m_columns.size());
  for (const CSummaryColumn& column : m_columns) {
    const bool text = column.what == ESummaryColumn::kPeriod || column.what == ESummaryColumn::kComplete;
    cells.push_back(PaddedCell(CellText(column, period, whole, decimal), column.width, !text));
  }
  return cells;
}

std::string CSummaryTable::Heading() const {
  std::string text = std::string(SummaryTitle(m_periods)) + ", отчетный час " + Count(m_summary.reportingHour);
  if (!m_summary.IsEmpty()) text += ", с " + TimeText(m_summary.whole.start) + " по " + TimeText(m_summary.whole.end);
  return text;
}

std::vector<std::pair<std::string, std::string>> CSummaryTable::WholeFigures(char decimal) const {
  const CSummaryPeriod& whole = m_summary.whole;
  std::vector<std::pair<std::string, std::string>> out;
  if (m_summary.IsEmpty()) {
    out.emplace_back("Период", "в архиве нет интервалов");
    return out;
  }
  out.emplace_back("Период", "с " + TimeText(whole.start) + " по " + TimeText(whole.end));
  out.emplace_back("Данные", CompleteText(whole.IsComplete()));
  out.emplace_back("Интервалов", Count(whole.rows));
  out.emplace_back("Часов измерения", SummaryNumber(whole.CoveredHours(), 2, decimal));
  out.emplace_back("Часов без нештатных ситуаций", SummaryNumber(whole.FreeHours(), 2, decimal));
  out.emplace_back("Часов без записей", SummaryNumber(whole.MissingHours(), 2, decimal));
  std::string situations = Count(whole.SituationCount());
  for (size_t i = 0; i < whole.situations.size(); ++i) {
    situations += i == 0 ? " (" : ", ";
    const std::string& kind = TrimmedAbnormalText(whole.situations[i].first);
    situations += kind.empty() ? std::string("без кода") : kind;
    situations += ": " + Count(whole.situations[i].second);
  }
  if (!whole.situations.empty()) situations += ")";
  out.emplace_back("Нештатных ситуаций", situations);
  out.emplace_back("Искаженных записей", Count(whole.damaged));
  for (int k = 0; k < 2; ++k) {
    const CSummaryValue& v = whole.value[k];
    const auto number = [decimal](double x) { return SummaryNumber(x, 4, decimal); };
    const auto at = [](double x, int64_t t) { return std::isnan(x) ? std::string() : " (" + TimeText(t) + ")"; };
    std::string text;
    switch (m_summary.kind[k]) {
      case ESummaryKind::kSum: text = "сумма " + number(v.Figure(ESummaryKind::kSum)); break;
      case ESummaryKind::kMean:
        text = "среднее " + number(v.Figure(ESummaryKind::kMean)) + ", наименьшее " + number(v.min) +
               at(v.min, v.minTime) + ", наибольшее " + number(v.max) + at(v.max, v.maxTime);
        break;
      case ESummaryKind::kTotal:
        text = "в начале " + number(v.first) + at(v.first, v.firstTime) + ", в конце " + number(v.last) +
               at(v.last, v.lastTime) + ", разность " + number(v.Figure(ESummaryKind::kTotal));
        break;
    }
    out.emplace_back(m_valueCaption[k], text);
  }
  return out;
}

std::vector<std::string> CSummaryTable::TextLines(char decimal) const {
  std::vector<std::string> lines;
  lines.push_back(std::string(SummaryTitle(m_periods)) + ", отчетный час " + Count(m_summary.reportingHour));
  for (const auto& [label, text] : WholeFigures(decimal)) lines.push_back(label + ": " + text);
  lines.emplace_back();
  std::string captions;
  for (const CSummaryColumn& column : m_columns) captions += PaddedCell(column.printCaption, column.width, false) + ' ';
  lines.push_back(std::move(captions));
  for (int32_t i = 0; i < LineCount(); ++i) {
    std::string line;
    for (const std::string& cell : Cells(i, decimal)) line += cell + ' ';
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteSummaryReport(const CSummaryTable& table, CReportSink& sink) {
  std::string text;
  for (const std::string& line : table.TextLines(',')) {
    text += Utf8ToCp1251(line);
    text += '\n';
  }
  sink.Write(text);
}

std::string CSummaryPrintLines::GetLineText(int32_t index) const {
  std::string line;
  for (const std::string& cell : m_table.Cells(index)) line += ' ' + cell + ' ';
  return line;
}

}  // namespace tkq
