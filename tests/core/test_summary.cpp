// The measurement summary against the rows it sums: days cut by the
// archive's ends, outages, abnormal situations, damaged values, the
// reporting hour, the three kinds of value, a unit change, months, and the
// whole archive against its days.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "core/archive/object_definition.h"
#include "core/base/cp1251.h"
#include "core/output/csv_export.h"
#include "core/output/summary.h"
#include "core/output/summary_table.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

constexpr uint32_t kOneHour = 3600;
constexpr uint32_t kFeb1 = 1328054400;  // 01.02.2012 00:00:00

// Records at `times` whose first total grows by `changes[i]` before record
// i + 1 and whose second total is the time in hours; both volumes. The
// first total of record `damaged` is not a number.
CObjectDefinition SummaryArchive(const std::vector<uint32_t>& times, const std::vector<float>& changes,
                          const Bytes& err = {}, size_t damaged = SIZE_MAX) {
  CObjectDefinition obj;
  Bytes arc;
  float total = 1000;
  for (size_t i = 0; i < times.size(); ++i) {
    if (i > 0) total += changes[i - 1];
    AppendMeasurement(arc, times[i], i == damaged ? std::nanf("") : total,
                      static_cast<float>(times[i] - times[0]) / kOneHour);
  }
  obj.DecodeMeasurements(arc, err);
  obj.DecodeAbnormals(err);
  obj.m_nType1 = 0;
  obj.m_nType2 = 0;
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  return obj;
}

std::vector<uint32_t> Hourly(uint32_t from, int count) {
  std::vector<uint32_t> times;
  for (int i = 0; i < count; ++i) times.push_back(from + static_cast<uint32_t>(i) * kOneHour);
  return times;
}

std::vector<float> Changes(size_t count) {
  std::vector<float> changes;
  for (size_t i = 0; i < count; ++i) changes.push_back(static_cast<float>(i % 7) + 0.25f);
  return changes;
}

// The rows summed by hand: the first value's sum and the row count of each
// day (by its start, from `hour` o'clock).
struct DaySums {
  std::map<int64_t, double> sum;
  std::map<int64_t, int> rows;
};
DaySums SumByDay(const CObjectDefinition& obj, int hour) {
  DaySums sums;
  CArchiveRow row;
  for (int32_t c : obj.RowPositions()) {
    obj.ComputeRow(c, row);
    const int64_t day = (row.start - hour * 3600) / 86400;
    if (std::isfinite(row.value1)) sums.sum[day] += row.value1;
    ++sums.rows[day];
  }
  return sums;
}

void ExpectDaysMatchRows(const CObjectDefinition& obj, const CSummary& s) {
  const DaySums sums = SumByDay(obj, s.reportingHour);
  for (const CSummaryPeriod& day : s.days) {
    const int64_t key = (day.start - s.reportingHour * 3600) / 86400;
    EXPECT_EQ(day.rows, sums.rows.count(key) ? sums.rows.at(key) : 0) << day.start;
    if (day.rows > 0) {
      EXPECT_NEAR(day.value[0].Figure(ESummaryKind::kSum), sums.sum.at(key), 1e-6) << day.start;
    }
  }
}

// The whole archive's additive figures are those of its days and of its
// months.
void ExpectWholeIsSumOf(const CSummary& s, const std::vector<CSummaryPeriod>& periods) {
  int32_t rows = 0, damaged = 0;
  int64_t covered = 0, missing = 0;
  double free = 0, sum = 0;
  for (const CSummaryPeriod& p : periods) {
    rows += p.rows;
    damaged += p.damaged;
    covered += p.covered;
    missing += p.missing;
    free += p.freeSeconds;
    sum += p.value[0].sum;
  }
  EXPECT_EQ(rows, s.whole.rows);
  EXPECT_EQ(damaged, s.whole.damaged);
  EXPECT_EQ(covered, s.whole.covered);
  EXPECT_EQ(missing, s.whole.missing);
  EXPECT_NEAR(free, s.whole.freeSeconds, 1e-6);
  EXPECT_NEAR(sum, s.whole.value[0].sum, 1e-6);
}

TEST(Summary, DaysCutByTheArchiveEndsAreIncomplete) {
  // 01.02 10:00 .. 04.02 10:00: 72 hourly rows.
  const CObjectDefinition obj = SummaryArchive(Hourly(kFeb1 + 10 * kOneHour, 73), Changes(72));
  const CSummary s = MakeSummary(obj, 0);
  ASSERT_EQ(s.days.size(), 4u);
  EXPECT_EQ(s.kind[0], ESummaryKind::kSum);
  EXPECT_EQ(s.days[0].start, kFeb1);
  EXPECT_EQ(s.days[3].end, kFeb1 + 4 * 86400);
  EXPECT_EQ(s.days[0].rows, 14);
  // The hours before the archive begins are not missing; the day is cut.
  EXPECT_EQ(s.days[0].MissingHours(), 0.0);
  EXPECT_TRUE(s.days[0].cut);
  EXPECT_FALSE(s.days[0].IsComplete());
  EXPECT_TRUE(s.days[1].IsComplete());
  EXPECT_TRUE(s.days[2].IsComplete());
  EXPECT_EQ(s.days[1].CoveredHours(), 24.0);
  EXPECT_EQ(s.days[3].rows, 10);
  EXPECT_EQ(s.days[3].MissingHours(), 0.0);
  EXPECT_FALSE(s.days[3].IsComplete());
  EXPECT_EQ(s.days[1].firstRow, 14);
  ExpectDaysMatchRows(obj, s);
  ExpectWholeIsSumOf(s, s.days);
  ExpectWholeIsSumOf(s, s.months);
  EXPECT_EQ(s.whole.start, kFeb1 + 10 * kOneHour);
  EXPECT_EQ(s.whole.end, kFeb1 + 82 * kOneHour);
  EXPECT_EQ(s.whole.missing, 0);
  EXPECT_TRUE(s.whole.IsComplete());
  ASSERT_EQ(s.months.size(), 1u);
  EXPECT_EQ(s.months[0].start, kFeb1);
  EXPECT_EQ(s.months[0].end, kFeb1 + 29 * 86400);  // 2012 is a leap year
  EXPECT_EQ(s.months[0].missing, 0);
  EXPECT_FALSE(s.months[0].IsComplete());

  // From 10 o'clock the same rows make three whole days.
  const CSummary at10 = MakeSummary(obj, 10);
  ASSERT_EQ(at10.days.size(), 3u);
  for (const CSummaryPeriod& day : at10.days) {
    EXPECT_TRUE(day.IsComplete());
    EXPECT_EQ(day.rows, 24);
  }
  EXPECT_EQ(at10.days[0].start, kFeb1 + 10 * kOneHour);
  ExpectDaysMatchRows(obj, at10);
  ExpectWholeIsSumOf(at10, at10.days);
  EXPECT_NEAR(at10.whole.value[0].sum, s.whole.value[0].sum, 1e-9);
  EXPECT_THROW(MakeSummary(obj, 24), std::invalid_argument);
  EXPECT_THROW(MakeSummary(obj, -1), std::invalid_argument);
}

TEST(Summary, AnOutageIsMissingAndItsDaysAreListed) {
  // Hourly from 01.02 00:00 to 02.02 06:00, nothing until 04.02 12:00,
  // then hourly to 05.02 00:00.
  std::vector<uint32_t> times = Hourly(kFeb1, 31);
  for (uint32_t t : Hourly(kFeb1 + 3 * 86400 + 12 * kOneHour, 13)) times.push_back(t);
  const CObjectDefinition obj = SummaryArchive(times, Changes(times.size()));
  const CSummary s = MakeSummary(obj, 0);
  ASSERT_EQ(s.days.size(), 4u);
  EXPECT_TRUE(s.days[0].IsComplete());
  EXPECT_EQ(s.days[1].MissingHours(), 18.0);
  EXPECT_EQ(s.days[2].rows, 0);
  EXPECT_EQ(s.days[2].MissingHours(), 24.0);
  EXPECT_EQ(s.days[2].firstRow, -1);
  EXPECT_TRUE(std::isnan(s.days[2].value[0].Figure(s.kind[0])));
  EXPECT_EQ(s.days[3].MissingHours(), 12.0);
  ExpectDaysMatchRows(obj, s);
  ExpectWholeIsSumOf(s, s.days);
  // The whole archive misses the outage only.
  EXPECT_EQ(s.whole.missing, (3 * 86400 + 12 * kOneHour) - 30 * kOneHour);
  EXPECT_FALSE(s.whole.IsComplete());
}

TEST(Summary, SituationsAndTheTimeFreeOfThem) {
  // Two of code 1 and one of code 3 on 02.02, one on 03.02 after the last
  // row's end (no day of the archive), one before the archive.
  Bytes err;
  AppendAbnormal(err, kFeb1 - 5 * kOneHour, kFeb1 - 4 * kOneHour, 2);
  AppendAbnormal(err, kFeb1 + 86400 + 2 * kOneHour, kFeb1 + 86400 + 2 * kOneHour + 1800, 1);
  AppendAbnormal(err, kFeb1 + 86400 + 5 * kOneHour, kFeb1 + 86400 + 7 * kOneHour, 3);
  AppendAbnormal(err, kFeb1 + 86400 + 9 * kOneHour, kFeb1 + 86400 + 9 * kOneHour + 900, 1);
  AppendAbnormal(err, kFeb1 + 2 * 86400 + 3 * kOneHour, kFeb1 + 2 * 86400 + 4 * kOneHour, 4);
  const CObjectDefinition obj = SummaryArchive(Hourly(kFeb1, 49), Changes(48), err);
  const CSummary s = MakeSummary(obj, 0);
  ASSERT_EQ(s.days.size(), 2u);
  EXPECT_TRUE(s.days[0].situations.empty());
  const std::vector<std::pair<uint8_t, int32_t>> expected = {{1, 2}, {3, 1}};
  EXPECT_EQ(s.days[1].situations, expected);
  EXPECT_EQ(s.whole.SituationCount(), 3);
  // The month holds the one after the last row too, not the one in January.
  EXPECT_EQ(s.months[0].SituationCount(), 4);

  double free = 0;
  CArchiveRow row;
  for (int32_t c : obj.RowPositions()) {
    obj.ComputeRow(c, row);
    if (row.start >= kFeb1 + 86400) free += static_cast<double>(row.end - row.start) * row.archivingPercent / 100;
  }
  EXPECT_LT(s.days[1].FreeHours(), 24.0 - 2.5);
  EXPECT_NEAR(s.days[1].freeSeconds, free, 1e-3);
  EXPECT_EQ(s.days[0].FreeHours(), 24.0);
}

TEST(Summary, DamagedValuesAreLeftOutAndCounted) {
  std::vector<float> changes = Changes(24);
  CObjectDefinition obj = SummaryArchive(Hourly(kFeb1, 25), changes, {}, 10);
  const CSummary s = MakeSummary(obj, 0);
  // The record is the end of one change and the start of the next.
  EXPECT_EQ(s.days[0].damaged, 2);
  double sum = 0;
  for (size_t i = 0; i < changes.size(); ++i) {
    if (i != 9 && i != 10) sum += changes[i];
  }
  EXPECT_NEAR(s.days[0].value[0].Figure(ESummaryKind::kSum), sum, 1e-4);
  EXPECT_TRUE(s.days[0].IsComplete());

  // Rates: the mean and the extremes skip them too.
  obj.SetOutputTypes(1, 0, 1, 0, 0);
  const CSummary rates = MakeSummary(obj, 0);
  EXPECT_EQ(rates.kind[0], ESummaryKind::kMean);
  EXPECT_TRUE(std::isfinite(rates.whole.value[0].Figure(ESummaryKind::kMean)));
  EXPECT_TRUE(std::isfinite(rates.whole.value[0].max));
}

TEST(Summary, RatesTotalsAndUnits) {
  // Uneven changes over 24 hours with a two-hour interval in the middle
  // would end the rows; keep them hourly and vary the changes.
  const std::vector<float> changes = {1, 2, 6, 2, 1, 1, 1, 1, 1, 1, 1, 1, 0.5f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3};
  CObjectDefinition obj = SummaryArchive(Hourly(kFeb1 + 6 * kOneHour, 25), changes);
  double sum = 0;
  for (float c : changes) sum += c;

  obj.SetOutputTypes(1, 0, 0, 0, 0);  // rate in m3/h, change
  CSummary s = MakeSummary(obj, 0);
  EXPECT_EQ(s.kind[0], ESummaryKind::kMean);
  EXPECT_EQ(s.kind[1], ESummaryKind::kSum);
  const CSummaryValue& rate = s.whole.value[0];
  EXPECT_NEAR(rate.Figure(s.kind[0]), sum / 24, 1e-4);
  EXPECT_NEAR(rate.max, 6.0, 1e-4);
  EXPECT_EQ(rate.maxTime, kFeb1 + 8 * kOneHour);
  EXPECT_NEAR(rate.min, 0.5, 1e-4);
  EXPECT_EQ(rate.minTime, kFeb1 + 18 * kOneHour);
  // The day's and the next day's means weigh together into the whole's.
  const double mean = (s.days[0].value[0].sum + s.days[1].value[0].sum) /
                      (s.days[0].value[0].weight + s.days[1].value[0].weight);
  EXPECT_NEAR(mean, rate.Figure(s.kind[0]), 1e-9);

  // Totals: from the total at the first start to the one at the last end,
  // the same amount the changes add up to.
  obj.SetOutputTypes(2, 0, 0, 0, 0);
  s = MakeSummary(obj, 0);
  EXPECT_EQ(s.kind[0], ESummaryKind::kTotal);
  EXPECT_NEAR(s.whole.value[0].first, 1000, 1e-3);
  EXPECT_NEAR(s.whole.value[0].Figure(s.kind[0]), sum, 1e-3);
  EXPECT_NEAR(s.days[0].value[0].Figure(s.kind[0]) + s.days[1].value[0].Figure(s.kind[0]), sum, 1e-3);
  EXPECT_NEAR(s.days[1].value[0].first, s.days[0].value[0].last, 1e-3);

  // Litres: a thousand times the cubic metres.
  obj.SetOutputTypes(0, 1, 0, 0, 0);
  s = MakeSummary(obj, 0);
  EXPECT_NEAR(s.whole.value[0].Figure(s.kind[0]), sum * 1000, 1e-1);

  // The speeds are averaged whatever their output type.
  obj.m_nType2 = 3;
  EXPECT_EQ(SummaryKind(obj, true), ESummaryKind::kMean);
}

TEST(Summary, MonthsFollowTheCalendarAndTheReportingHour) {
  // Every two hours from 30.01.2012 12:00 to 02.03.2012 12:00.
  std::vector<uint32_t> times;
  const uint32_t from = kFeb1 - 2 * 86400 + 12 * kOneHour;
  for (uint32_t t = from; t <= kFeb1 + 30 * 86400 + 12 * kOneHour; t += 2 * kOneHour) times.push_back(t);
  const CObjectDefinition obj = SummaryArchive(times, Changes(times.size()));
  const CSummary s = MakeSummary(obj, 8);
  ASSERT_EQ(s.months.size(), 3u);
  EXPECT_EQ(s.months[1].start, kFeb1 + 8 * kOneHour);
  EXPECT_EQ(s.months[1].end, kFeb1 + 29 * 86400 + 8 * kOneHour);
  EXPECT_TRUE(s.months[1].IsComplete());
  EXPECT_EQ(s.months[1].rows, 29 * 12);
  EXPECT_FALSE(s.months[0].IsComplete());
  EXPECT_FALSE(s.months[2].IsComplete());
  ExpectDaysMatchRows(obj, s);
  ExpectWholeIsSumOf(s, s.days);
  ExpectWholeIsSumOf(s, s.months);
}

TEST(Summary, OnlyTimeInsideTheArchiveIsMissing) {
  // Read at 19:53 on 01.02, hourly on from there into a month still
  // running on 10.03, with an outage from 03.02 05:53 to 04.02 11:53.
  const uint32_t first = kFeb1 + 19 * kOneHour + 53 * 60;
  std::vector<uint32_t> times = Hourly(first, 35);
  const uint32_t resumed = first + 64 * kOneHour;
  for (uint32_t t = resumed; t <= kFeb1 + 38 * 86400; t += kOneHour) times.push_back(t);
  const CObjectDefinition obj = SummaryArchive(times, Changes(times.size()));
  const CSummary s = MakeSummary(obj, 0);

  // The first day: rows from 19:53 on, nothing missing, yet not whole;
  // the outage split over its days; the running month cut, not missing.
  EXPECT_EQ(s.days[0].missing, 0);
  EXPECT_FALSE(s.days[0].IsComplete());
  EXPECT_EQ(s.days[2].missing, 86400 - (5 * 3600 + 53 * 60));
  EXPECT_EQ(s.days[3].missing, 11 * 3600 + 53 * 60);
  EXPECT_EQ(s.whole.missing, 30 * 3600);
  ASSERT_EQ(s.months.size(), 2u);
  EXPECT_EQ(s.months[1].missing, 0);
  EXPECT_FALSE(s.months[1].IsComplete());
  // The rows add up to «Всего», by days and by months.
  ExpectWholeIsSumOf(s, s.days);
  ExpectWholeIsSumOf(s, s.months);

  // A row that runs past the last day's end is covered, not missing.
  const CObjectDefinition late = SummaryArchive(
      {kFeb1 + 20 * kOneHour, kFeb1 + 22 * kOneHour, kFeb1 + 24 * kOneHour, kFeb1 + 26 * kOneHour}, Changes(3));
  const CSummary lateSummary = MakeSummary(late, 1);
  ExpectWholeIsSumOf(lateSummary, lateSummary.days);
  ExpectWholeIsSumOf(lateSummary, lateSummary.months);
  EXPECT_EQ(lateSummary.whole.missing, 0);
}

// Hourly records from 01.02 14:00 whose first total grows by 1 an hour and
// whose second value is 10 + i; record `bad` holds nonsense and a wrong
// check byte.
CObjectDefinition DamagedArchive(size_t bad) {
  CObjectDefinition obj;
  Bytes arc;
  for (size_t i = 0; i < 21; ++i) {
    const auto value = static_cast<float>(i);
    AppendMeasurement(arc, kFeb1 + 14 * kOneHour + static_cast<uint32_t>(i) * kOneHour, i == bad ? 1e9f : 1000 + value,
                      i == bad ? 1e9f : 10 + value, i != bad);
  }
  obj.DecodeMeasurements(arc, {});
  obj.DecodeAbnormals({});
  obj.m_nType1 = 0;
  obj.m_nType2 = 2;  // a speed: momentary, averaged
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  return obj;
}

TEST(Summary, ARecordWithAWrongCheckByteIsDamaged) {
  // Record 10 starts 02.02 (00:00): its row ends 01.02, the next row,
  // measured from it, starts 02.02.
  CObjectDefinition obj = DamagedArchive(10);
  ASSERT_EQ(obj.m_arcRecords[10]->m_nAbnormalCode, kAbnormalDataFault);
  CSummary s = MakeSummary(obj, 0);
  ASSERT_EQ(s.days.size(), 2u);
  EXPECT_EQ(s.days[0].damaged, 1);
  EXPECT_EQ(s.days[1].damaged, 0);
  EXPECT_EQ(s.whole.damaged, 1);
  // Changes: 20 rows of 1, less the two measured to and from the record.
  EXPECT_DOUBLE_EQ(s.whole.value[0].Figure(s.kind[0]), 18.0);
  EXPECT_DOUBLE_EQ(s.days[0].value[0].Figure(s.kind[0]), 9.0);
  EXPECT_DOUBLE_EQ(s.days[1].value[0].Figure(s.kind[0]), 9.0);
  // The speed at the next record is its own: only the damaged row is out.
  EXPECT_EQ(s.kind[1], ESummaryKind::kMean);
  EXPECT_DOUBLE_EQ(s.whole.value[1].weight, 19.0 * kOneHour);
  EXPECT_DOUBLE_EQ(s.whole.value[1].max, 30.0);
  EXPECT_DOUBLE_EQ(s.days[1].value[1].min, 21.0);

  // Totals: the damaged total neither ends 01.02 nor starts 02.02.
  obj.SetOutputTypes(2, 0, 0, 0, 0);
  s = MakeSummary(obj, 0);
  EXPECT_DOUBLE_EQ(s.days[0].value[0].first, 1000.0);
  EXPECT_DOUBLE_EQ(s.days[0].value[0].last, 1009.0);
  EXPECT_DOUBLE_EQ(s.days[1].value[0].first, 1011.0);
  EXPECT_DOUBLE_EQ(s.whole.value[0].Figure(s.kind[0]), 20.0);

  // The table and the CSV say so.
  EXPECT_EQ(TrimmedText(CSummaryTable(obj, s, ESummaryPeriods::kDays).Cells(0)[6]), "1");
  std::ostringstream csv;
  WriteArchiveCsv(csv, obj, ECsvView::kDays);
  // Day 1: incomplete, 10 hours, 9 free of situations, none missing, no
  // situation, ..., one damaged row.
  EXPECT_NE(csv.str().find("value2_max,damaged\r\n"), std::string::npos);
  EXPECT_NE(csv.str().find(",0,10,9,0,0,"), std::string::npos) << csv.str();
  EXPECT_NE(csv.str().find(",1\r\n"), std::string::npos) << csv.str();

  // The first record damaged: it closes no row, and counts with the row
  // measured from it.
  const CSummary atStart = MakeSummary(DamagedArchive(0), 0);
  EXPECT_EQ(atStart.whole.damaged, 1);
  EXPECT_DOUBLE_EQ(atStart.whole.value[0].Figure(atStart.kind[0]), 19.0);
}

TEST(SummaryTable, EveryColumnIsPrintedWithinThePageWidth) {
  // Two rates: the widest table, thirteen columns, 179 characters.
  CObjectDefinition obj = SummaryArchive(Hourly(kFeb1 + 20 * kOneHour, 60), Changes(59));
  obj.SetOutputTypes(1, 0, 1, 0, 0);
  const CSummary s = MakeSummary(obj, 0);
  const CSummaryTable table(obj, s, ESummaryPeriods::kDays);
  const CSummaryPrintLines print(table);
  const std::vector<std::string> captions = table.PrintCaptions();
  ASSERT_EQ(captions.size(), 13u);
  for (const int32_t width : {500, 1200}) {
    const CPageLayout layout(print, PrintTitle(3, 0, "Котельная"), {10, 6, width, 400, 1.0});
    ASSERT_TRUE(layout.IsValid());
    EXPECT_EQ(layout.PagesAcross() > 1, width < 20 + 6 * 179) << width;
    std::map<std::string, int> seen;
    for (int32_t p = 1; p <= layout.PageCount(); ++p) {
      const CPrintPage page = layout.Page(p);
      EXPECT_EQ(page.titleLines.at(2).text,
                "Сводка по суткам, отчетный час 0, с 01.02.2012 20:00:00 по 04.02.2012 07:00:00");
      for (const CPrintRule& rule : page.rules) EXPECT_LE(std::max(rule.x1, rule.x2), width) << p;
      ASSERT_FALSE(page.captions.empty());
      EXPECT_EQ(page.captions[0].text, "Сутки");
      for (const CPrintText& caption : page.captions) ++seen[caption.text];
      // Each line starts with its period, as the rows of the window.
      for (size_t k = 0; k < page.lines.size(); ++k) {
        const int32_t line = (p - 1) / layout.PagesAcross() * layout.RowsPerPage() + static_cast<int32_t>(k);
        EXPECT_TRUE(page.lines[k].text.starts_with(" " + table.Cells(line)[0] + " ")) << p;
        EXPECT_LE(20 + 6 * static_cast<int32_t>(Utf8Length(page.lines[k].text)), width);
      }
    }
    for (const std::string& caption : captions) EXPECT_GT(seen[caption], 0) << caption << " at " << width;
  }
}

TEST(Summary, AnArchiveWithoutRowsHasNoPeriods) {
  const CObjectDefinition obj = SummaryArchive(Hourly(kFeb1, 2), Changes(1));
  const CSummary s = MakeSummary(obj, 0);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_TRUE(s.days.empty());
  EXPECT_TRUE(s.months.empty());
}

TEST(SummaryTable, CellsLineUpInEveryForm) {
  // An outage day without values, rates with extremes, totals.
  std::vector<uint32_t> times = Hourly(kFeb1 + 20 * kOneHour, 10);
  for (uint32_t t : Hourly(kFeb1 + 3 * 86400 + 3 * kOneHour, 30)) times.push_back(t);
  CObjectDefinition obj = SummaryArchive(times, Changes(times.size()));
  obj.SetOutputTypes(1, 0, 2, 0, 0);
  const CSummary s = MakeSummary(obj, 0);
  const CSummaryTable table(obj, s, ESummaryPeriods::kDays);
  ASSERT_EQ(table.LineCount(), 6);
  std::vector<std::string> kinds;
  for (const CSummaryColumn& column : table.Columns()) kinds.push_back(column.caption);
  EXPECT_EQ(kinds.size(), 13u);
  EXPECT_EQ(kinds[7], "Расход +, м3/ч: среднее");
  EXPECT_EQ(kinds[10], "Объем +, м3: в начале");
  EXPECT_EQ(table.PrintCaptions()[7], "Расход+, м3/ч ср.");

  // Every line's cells are as wide as its column's, on screen and in the
  // report; the empty day shows "-" for its values.
  for (int32_t line = 0; line < table.LineCount(); ++line) {
    const std::vector<std::string> cells = table.Cells(line, ',');
    for (size_t c = 0; c < cells.size(); ++c) EXPECT_EQ(Utf8Length(cells[c]), table.Columns()[c].width) << line;
  }
  EXPECT_EQ(TrimmedText(table.Cells(2)[7]), "-");
  EXPECT_EQ(TrimmedText(table.Cells(2)[1]), "неполные");
  EXPECT_EQ(TrimmedText(table.Cells(5)[0]), "Всего");

  const std::vector<std::string> lines = table.TextLines(',');
  EXPECT_EQ(lines[0], "Сводка по суткам, отчетный час 0");
  EXPECT_EQ(lines[1], "Период: с 01.02.2012 20:00:00 по 05.02.2012 08:00:00");
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) {
                           return l.starts_with("Расход +, м3/ч: среднее ") && l.find("наибольшее 6,2500 (") != l.npos;
                         }),
            lines.end());
  const size_t width = Utf8Length(lines[lines.size() - 1]);
  for (size_t i = lines.size() - 7; i < lines.size(); ++i) EXPECT_EQ(Utf8Length(lines[i]), width) << lines[i];

  // The report is those lines in code page 1251.
  CStringSink report;
  WriteSummaryReport(table, report);
  std::string expected;
  for (const std::string& line : lines) expected += line + "\n";
  EXPECT_EQ(Cp1251ToUtf8(report.Text()), expected);

  // The printout's rules stand between the cells of every line.
  const CSummaryPrintLines print(table);
  CPageLayout layout(print, "T", {10, 6, 2000, 1400, 1.0});
  ASSERT_TRUE(layout.IsValid());
  EXPECT_EQ(layout.ColumnEdges().size(), table.Columns().size());
  EXPECT_EQ(Utf8Length(print.GetLineText(2)), Utf8Length(print.GetLineText(4)));

  // No rows: the figures say so, the table holds "Всего" only.
  const CObjectDefinition empty = SummaryArchive(Hourly(kFeb1, 2), Changes(1));
  const CSummary none = MakeSummary(empty, 0);
  const CSummaryTable nothing(empty, none, ESummaryPeriods::kMonths);
  EXPECT_EQ(nothing.LineCount(), 1);
  EXPECT_EQ(nothing.WholeFigures().size(), 1u);
}

}  // namespace
}  // namespace tkq
