#pragma once
// The measurement summary: for each day, each calendar month and the whole
// archive, what the rows of the measurement archive add up to under the
// object's current output choices, the figures a survey report asks for.
//
// A day runs from the reporting hour to the same hour the next day, a
// month from the reporting hour of its first day to that of the next
// month's first day; a row belongs to the period in which its interval
// starts. Values:
//   - changes over the interval add up;
//   - rates and momentary values (the speeds, and quantities the
//     catalogue does not know) give their time-weighted mean, the smallest
//     and the largest, each with its row's start;
//   - totals give the total at the start of the period's first interval,
//     the one at the end of its last, and their difference.
// A damaged row is left out of the values and counted: one whose record
// failed its check byte (the decoder's memory fault over the whole
// interval), or whose value is not a number. The row after a damaged
// record starts from it: its change or rate is left out too, and its
// start is no period's first total. A damaged record that closes no row
// counts with the row measured from it.
// Time without records counts only inside the archive (the first row's
// start to the last row's end): a period the archive begins or ends in is
// incomplete, but the time before or after the archive is not missing, so
// that the periods' missing time adds up to the whole archive's.
// All times are the instrument's clock in seconds (no time zone).

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace tkq {

class CObjectDefinition;

// How a value column adds up over a period.
enum class ESummaryKind : uint8_t { kSum, kMean, kTotal };

// The kind of value column `second` (false: the first) under the object's
// current output types.
ESummaryKind SummaryKind(const CObjectDefinition& object, bool second);

inline constexpr int kSecondsPerHour = 3600;
inline constexpr int kSecondsPerDay = 86400;

// One value column over one period.
struct CSummaryValue {
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

  // kSum: the sum of the values; kMean: the sum of value × interval.
  double sum = 0;
  // kMean: the seconds the mean weighs (intervals with a value).
  double weight = 0;
  // Whether any row of the period had a value (a number).
  bool any = false;
  // kMean: the extremes and the starts of their rows (the earliest row on
  // a tie).
  double min = kNone;
  double max = kNone;
  int64_t minTime = 0;
  int64_t maxTime = 0;
  // kTotal: the totals at the period's first start and last end, and the
  // times they were reached.
  double first = kNone;
  double last = kNone;
  int64_t firstTime = 0;
  int64_t lastTime = 0;

  // The period's figure: the sum, the mean, or the difference last − first;
  // not a number when the period has no value.
  double Figure(ESummaryKind kind) const;
  // Adds a later or earlier period's figures.
  void Merge(const CSummaryValue& other);
};

// The figures of one period.
struct CSummaryPeriod {
  int64_t start = 0;  // the period's bounds
  int64_t end = 0;
  int32_t rows = 0;       // rows starting in the period
  int32_t firstRow = -1;  // the first of them in the table (from 0); -1: none
  int64_t covered = 0;    // seconds: the intervals of those rows
  double freeSeconds = 0;  // seconds of them free of abnormal situations
  // Seconds of the period within the archive that no row's interval covers.
  int64_t missing = 0;
  // Whether the archive begins or ends inside the period.
  bool cut = false;
  int32_t damaged = 0;  // damaged rows starting in the period
  // Abnormal situations that began in the period, by code (ascending).
  std::vector<std::pair<uint8_t, int32_t>> situations;
  CSummaryValue value[2];

  // Whether rows cover the whole period.
  bool IsComplete() const { return missing == 0 && !cut; }
  int32_t SituationCount() const;
  double CoveredHours() const { return static_cast<double>(covered) / kSecondsPerHour; }
  double FreeHours() const { return freeSeconds / kSecondsPerHour; }
  double MissingHours() const { return static_cast<double>(missing) / kSecondsPerHour; }
};

struct CSummary {
  int reportingHour = 0;
  ESummaryKind kind[2] = {ESummaryKind::kSum, ESummaryKind::kSum};
  // The whole archive: from the first row's start to the last row's end;
  // its missing time is the outages between them, its situations those
  // that began between them.
  CSummaryPeriod whole;
  // Every day and every month from the first row's to the last row's,
  // those without a row included (they are all missing).
  std::vector<CSummaryPeriod> days;
  std::vector<CSummaryPeriod> months;

  bool IsEmpty() const { return whole.rows == 0; }
};

inline constexpr int kMaxReportingHour = 23;

// The summary of `object` under its current output choices; `rows` are the
// records that end the rows (CObjectDefinition::RowPositions). A reporting
// hour outside 0..23 throws std::invalid_argument.
CSummary MakeSummary(const CObjectDefinition& object, const std::vector<int32_t>& rows, int reportingHour);
CSummary MakeSummary(const CObjectDefinition& object, int reportingHour);

}  // namespace tkq
