#include "core/output/summary.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "core/archive/object_definition.h"
#include "core/archive/quantity_catalogue.h"

namespace tkq {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Months counted from January 1970 (0), and back.
int64_t MonthOfDate(int64_t daysSinceEpoch) {
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{daysSinceEpoch}}};
  return (static_cast<int64_t>(static_cast<int>(date.year())) - 1970) * 12 +
         static_cast<int64_t>(static_cast<unsigned>(date.month())) - 1;
}

int64_t FirstDateOfMonth(int64_t month) {
  const int year = static_cast<int>(1970 + FloorDiv(month, 12));
  const auto monthOfYear = static_cast<unsigned>(month - FloorDiv(month, 12) * 12 + 1);
  const std::chrono::sys_days date{std::chrono::year{year} / std::chrono::month{monthOfYear} / 1};
  return date.time_since_epoch().count();
}

void AddSituations(std::vector<std::pair<uint8_t, int32_t>>& list, uint8_t code, int32_t count) {
  auto at = std::lower_bound(list.begin(), list.end(), code,
                             [](const std::pair<uint8_t, int32_t>& entry, uint8_t c) { return entry.first < c; });
  if (at != list.end() && at->first == code) {
    at->second += count;
  } else {
    list.insert(at, {code, count});
  }
}

// Adds the figures of `from` to `into` (both periods keep their bounds and
// missing time).
void MergePeriod(CSummaryPeriod& into, const CSummaryPeriod& from) {
  into.rows += from.rows;
  if (from.firstRow >= 0 && (into.firstRow < 0 || from.firstRow < into.firstRow)) into.firstRow = from.firstRow;
  into.covered += from.covered;
  into.freeSeconds += from.freeSeconds;
  into.damaged += from.damaged;
  for (int k = 0; k < 2; ++k) into.value[k].Merge(from.value[k]);
}

// One row's value into a period's column. `startValue`: for totals, the
// total at the row's start.
void AddValue(CSummaryValue& v, ESummaryKind kind, double value, double startValue, const CArchiveRow& row,
              int64_t interval) {
  const bool number = std::isfinite(value);
  switch (kind) {
    case ESummaryKind::kSum:
      if (!number) return;
      v.sum += value;
      v.any = true;
      return;
    case ESummaryKind::kMean:
      if (!number) return;
      v.any = true;
      v.sum += value * static_cast<double>(interval);
      v.weight += static_cast<double>(interval);
      if (std::isnan(v.min) || value < v.min || (value == v.min && row.start < v.minTime)) {
        v.min = value;
        v.minTime = row.start;
      }
      if (std::isnan(v.max) || value > v.max || (value == v.max && row.start < v.maxTime)) {
        v.max = value;
        v.maxTime = row.start;
      }
      return;
    case ESummaryKind::kTotal:
      if (std::isfinite(startValue) && (std::isnan(v.first) || row.start < v.firstTime)) {
        v.first = startValue;
        v.firstTime = row.start;
        v.any = true;
      }
      if (number && (std::isnan(v.last) || row.end > v.lastTime)) {
        v.last = value;
        v.lastTime = row.end;
        v.any = true;
      }
      return;
  }
}

// Whether a value of the quantity `type` shown as `outputType` is a
// difference between a row's two records (a change or a rate), not the
// value at its end.
bool IsDifference(uint8_t type, uint8_t outputType) {
  return !(type == 2 || type == 3 || type >= catalogue::kTypeCount || outputType >= 2);
}

// Whether the value column `second` (false: the first) is computed from
// the record at the row's start too; with the two values added together,
// the other quantity's part counts.
bool UsesRowStart(const CObjectDefinition& object, bool second) {
  const uint8_t outputType = second ? object.m_nOutputType2 : object.m_nOutputType1;
  if (IsDifference(second ? object.m_nType2 : object.m_nType1, outputType)) return true;
  return object.m_bResult != 0 && IsDifference(second ? object.m_nType1 : object.m_nType2, outputType);
}

// A record the decoder found damaged: its check byte was wrong, so it
// carries the memory fault over the whole interval it closes.
bool IsDamagedRecord(const CObjArcElem* record) {
  return record != nullptr && record->m_nAbnormalCode == kAbnormalDataFault && record->m_fArchivingPercent == 0.0f;
}

// The share of an interval free of abnormal situations.
double FreeShare(float percent) {
  if (!std::isfinite(percent)) return 0.0;
  return std::clamp(static_cast<double>(percent), 0.0, 100.0) / 100.0;
}

}  // namespace

ESummaryKind SummaryKind(const CObjectDefinition& object, bool second) {
  const uint8_t type = second ? object.m_nType2 : object.m_nType1;
  const uint8_t outputType = second ? object.m_nOutputType2 : object.m_nOutputType1;
  // The speeds are momentary values, and a quantity the catalogue does not
  // know is shown as stored: both are averaged.
  if (type == 2 || type == 3 || type >= catalogue::kTypeCount) return ESummaryKind::kMean;
  if (outputType == 0) return ESummaryKind::kSum;
  if (outputType == 1) return ESummaryKind::kMean;
  return ESummaryKind::kTotal;
}

double CSummaryValue::Figure(ESummaryKind kind) const {
  switch (kind) {
    case ESummaryKind::kSum: return any ? sum : kNone;
    case ESummaryKind::kMean: return weight > 0 ? sum / weight : kNone;
    case ESummaryKind::kTotal: return std::isnan(first) || std::isnan(last) ? kNone : last - first;
  }
  return kNone;
}

void CSummaryValue::Merge(const CSummaryValue& other) {
  sum += other.sum;
  weight += other.weight;
  any = any || other.any;
  if (!std::isnan(other.min) &&
      (std::isnan(min) || other.min < min || (other.min == min && other.minTime < minTime))) {
    min = other.min;
    minTime = other.minTime;
  }
  if (!std::isnan(other.max) &&
      (std::isnan(max) || other.max > max || (other.max == max && other.maxTime < maxTime))) {
    max = other.max;
    maxTime = other.maxTime;
  }
  if (!std::isnan(other.first) && (std::isnan(first) || other.firstTime < firstTime)) {
    first = other.first;
    firstTime = other.firstTime;
  }
  if (!std::isnan(other.last) && (std::isnan(last) || other.lastTime > lastTime)) {
    last = other.last;
    lastTime = other.lastTime;
  }
}

int32_t CSummaryPeriod::SituationCount() const {
  int32_t n = 0;
  for (const auto& entry : situations) n += entry.second;
  return n;
}

CSummary MakeSummary(const CObjectDefinition& object, int reportingHour) {
  return MakeSummary(object, object.RowPositions(), reportingHour);
}

namespace {

// The interval of each row (start, end), for the bounds and the time they
// cover.
std::vector<std::pair<int64_t, int64_t>> RowSpans(const CObjectDefinition& object, const std::vector<int32_t>& rows) {
  std::vector<std::pair<int64_t, int64_t>> spans;
  spans.reserve(rows.size());
  for (const int32_t c : rows) {
    const CObjArcElem* cur = c > 0 && static_cast<size_t>(c) < object.m_arcRecords.GetSize()
                                 ? object.m_arcRecords[static_cast<size_t>(c)]
                                 : nullptr;
    const CObjArcElem* prev = cur != nullptr ? object.m_arcRecords[static_cast<size_t>(c) - 1] : nullptr;
    if (prev == nullptr) continue;
    spans.emplace_back(prev->m_nTime, std::max(cur->m_nTime, prev->m_nTime));
  }
  return spans;
}

// Where the archive's rows lie: the earliest start, the latest start and
// end, and the days (counted from the epoch, starting at the reporting
// hour) of the first and the last start.
struct CSummaryBounds {
  CSummaryBounds(const std::vector<std::pair<int64_t, int64_t>>& spans, int64_t hourOffset)
      : offset(hourOffset), firstStart(spans.front().first), lastStart(firstStart), lastEnd(spans.front().second) {
    for (const auto& [start, end] : spans) {
      firstStart = std::min(firstStart, start);
      lastStart = std::max(lastStart, start);
      lastEnd = std::max(lastEnd, end);
    }
    firstDay = DayOf(firstStart);
    lastDay = DayOf(lastStart);
  }
  int64_t DayOf(int64_t t) const { return FloorDiv(t - offset, kSecondsPerDay); }
  // The index in the summary's days of the day holding `t`.
  size_t DayIndex(int64_t t) const { return static_cast<size_t>(DayOf(t) - firstDay); }

  int64_t offset;  // the reporting hour, in seconds
  int64_t firstStart;
  int64_t lastStart;
  int64_t lastEnd;
  int64_t firstDay = 0;
  int64_t lastDay = 0;
};

// Every day from the first to the last, with its bounds and no figures.
std::vector<CSummaryPeriod> EmptyDays(const CSummaryBounds& bounds) {
  std::vector<CSummaryPeriod> days(static_cast<size_t>(bounds.lastDay - bounds.firstDay + 1));
  for (size_t d = 0; d < days.size(); ++d) {
    days[d].start = (bounds.firstDay + static_cast<int64_t>(d)) * kSecondsPerDay + bounds.offset;
    days[d].end = days[d].start + kSecondsPerDay;
  }
  return days;
}

// The rows' figures, each into the day it starts in.
void AddRowsToDays(const CObjectDefinition& object, const std::vector<int32_t>& rows, const CSummaryBounds& bounds,
                   CSummary& summary) {
  const bool usesStart[2] = {UsesRowStart(object, false), UsesRowStart(object, true)};
  CArchiveRow row;
  for (size_t i = 0; i < rows.size(); ++i) {
    const int32_t c = rows[i];
    if (!object.ComputeRow(c, row)) continue;
    CSummaryPeriod& day = summary.days[bounds.DayIndex(row.start)];
    ++day.rows;
    if (day.firstRow < 0) day.firstRow = static_cast<int32_t>(i);
    const int64_t interval = std::max<int64_t>(row.end - row.start, 0);
    day.covered += interval;
    day.freeSeconds += static_cast<double>(interval) * FreeShare(row.archivingPercent);
    const bool damagedEnd = IsDamagedRecord(object.m_arcRecords[static_cast<size_t>(c)]);
    const bool damagedStart = IsDamagedRecord(object.m_arcRecords[static_cast<size_t>(c) - 1]);
    // A damaged record counts once: with the row it closes or, when it
    // closes none (the first record, one after a gap), with the row
    // measured from it.
    const bool closesRow = i > 0 && rows[i - 1] == c - 1;
    if (damagedEnd || (damagedStart && !closesRow) || !std::isfinite(row.value1) || !std::isfinite(row.value2)) {
      ++day.damaged;
    }
    double value[2] = {row.value1, row.value2};
    for (int k = 0; k < 2; ++k) {
      if (damagedEnd || (damagedStart && usesStart[k])) value[k] = CSummaryValue::kNone;
    }
    float start1 = 0, start2 = 0;
    if (summary.kind[0] == ESummaryKind::kTotal || summary.kind[1] == ESummaryKind::kTotal) {
      if (damagedStart || !object.ComputeRecordValues(c - 1, start1, start2)) start1 = start2 = std::nanf("");
    }
    AddValue(day.value[0], summary.kind[0], value[0], start1, row, interval);
    AddValue(day.value[1], summary.kind[1], value[1], start2, row, interval);
  }
}

// The time the rows cover in each day, as a union: overlapping intervals
// (a clock set back) count once. `wholeCovered` receives the union's
// length over the whole archive. Sorts `spans`.
std::vector<int64_t> CoveredTimeOfDays(std::vector<std::pair<int64_t, int64_t>>& spans, const CSummaryBounds& bounds,
                                       int64_t& wholeCovered) {
  if (!std::is_sorted(spans.begin(), spans.end())) std::sort(spans.begin(), spans.end());
  std::vector<int64_t> covered(static_cast<size_t>(bounds.lastDay - bounds.firstDay + 1), 0);
  wholeCovered = 0;
  int64_t coveredUntil = bounds.firstStart;
  for (const auto& [start, end] : spans) {
    int64_t from = std::max(start, coveredUntil);
    if (end <= from) continue;
    coveredUntil = end;
    wholeCovered += end - from;
    // Split over the days it crosses; what lies past the last day is no
    // day's.
    while (from < end) {
      const int64_t d = bounds.DayOf(from);
      if (d > bounds.lastDay) break;
      const int64_t dayEnd = (d + 1) * kSecondsPerDay + bounds.offset;
      const int64_t to = std::min(end, dayEnd);
      covered[static_cast<size_t>(d - bounds.firstDay)] += to - from;
      from = to;
    }
  }
  return covered;
}

// Missing: the part of a period inside the archive that no interval
// covers. What lies past the last day (`daysEnd`) is the last rows' ends,
// covered and no day's.
void SetMissingTime(CSummaryPeriod& period, int64_t covered, const CSummaryBounds& bounds, int64_t daysEnd) {
  const int64_t inside = std::min(period.end, daysEnd) - std::max(period.start, bounds.firstStart);
  period.missing = std::max<int64_t>(inside - covered, 0);
  period.cut = period.start < bounds.firstStart || period.end > bounds.lastEnd;
}

// The months, from the days. A day is named by the date it starts on (the
// reporting hour is under a day), and so is its month.
void MakeMonths(const CSummaryBounds& bounds, const std::vector<int64_t>& dayCovered, int64_t daysEnd,
                CSummary& summary) {
  const int64_t firstMonth = MonthOfDate(bounds.firstDay);
  const int64_t lastMonth = MonthOfDate(bounds.lastDay);
  summary.months.resize(static_cast<size_t>(lastMonth - firstMonth + 1));
  std::vector<int64_t> monthCovered(summary.months.size(), 0);
  for (size_t m = 0; m < summary.months.size(); ++m) {
    const int64_t month = firstMonth + static_cast<int64_t>(m);
    summary.months[m].start = FirstDateOfMonth(month) * kSecondsPerDay + bounds.offset;
    summary.months[m].end = FirstDateOfMonth(month + 1) * kSecondsPerDay + bounds.offset;
  }
  for (size_t d = 0; d < summary.days.size(); ++d) {
    const auto m = static_cast<size_t>(MonthOfDate(bounds.firstDay + static_cast<int64_t>(d)) - firstMonth);
    MergePeriod(summary.months[m], summary.days[d]);
    monthCovered[m] += dayCovered[d];
  }
  for (size_t m = 0; m < summary.months.size(); ++m) {
    SetMissingTime(summary.months[m], monthCovered[m], bounds, daysEnd);
  }
}

// The whole archive, from the days.
void MakeWhole(const CSummaryBounds& bounds, int64_t wholeCovered, CSummary& summary) {
  CSummaryPeriod& whole = summary.whole;
  for (const CSummaryPeriod& day : summary.days) MergePeriod(whole, day);
  whole.start = bounds.firstStart;
  whole.end = bounds.lastEnd;
  whole.missing = std::max<int64_t>(bounds.lastEnd - bounds.firstStart - wholeCovered, 0);
}

// The abnormal situations, each counted in the day, the month and the
// whole archive where it began.
void CountSituations(const CObjectDefinition& object, const CSummaryBounds& bounds, CSummary& summary) {
  const int64_t firstMonth = MonthOfDate(bounds.firstDay);
  const int64_t lastMonth = MonthOfDate(bounds.lastDay);
  for (size_t i = 0; i < object.m_errRecords.GetSize(); ++i) {
    const CErrArcElem* record = object.m_errRecords[i];
    if (record == nullptr) continue;
    const int64_t begin = record->m_nBegin;
    const int64_t day = bounds.DayOf(begin);
    if (day >= bounds.firstDay && day <= bounds.lastDay) {
      AddSituations(summary.days[static_cast<size_t>(day - bounds.firstDay)].situations, record->m_nCode, 1);
    }
    const int64_t month = MonthOfDate(day);
    if (month >= firstMonth && month <= lastMonth) {
      AddSituations(summary.months[static_cast<size_t>(month - firstMonth)].situations, record->m_nCode, 1);
    }
    if (begin >= bounds.firstStart && begin < bounds.lastEnd)
      AddSituations(summary.whole.situations, record->m_nCode, 1);
  }
}

}  // namespace

CSummary MakeSummary(const CObjectDefinition& object, const std::vector<int32_t>& rows, int reportingHour) {
  if (reportingHour < 0 || reportingHour > kMaxReportingHour) {
    throw std::invalid_argument("отчетный час должен быть от 0 до 23");
  }
  CSummary summary;
  summary.reportingHour = reportingHour;
  summary.kind[0] = SummaryKind(object, false);
  summary.kind[1] = SummaryKind(object, true);
  std::vector<std::pair<int64_t, int64_t>> spans = RowSpans(object, rows);
  if (spans.empty()) return summary;
  const CSummaryBounds bounds(spans, static_cast<int64_t>(reportingHour) * kSecondsPerHour);
  summary.days = EmptyDays(bounds);
  AddRowsToDays(object, rows, bounds, summary);
  int64_t wholeCovered = 0;
  const std::vector<int64_t> dayCovered = CoveredTimeOfDays(spans, bounds, wholeCovered);
  const int64_t daysEnd = std::min(bounds.lastEnd, summary.days.back().end);
  for (size_t d = 0; d < summary.days.size(); ++d) SetMissingTime(summary.days[d], dayCovered[d], bounds, daysEnd);
  MakeMonths(bounds, dayCovered, daysEnd, summary);
  MakeWhole(bounds, wholeCovered, summary);
  CountSituations(object, bounds, summary);
  return summary;
}

}  // namespace tkq
