// The chart's data: steps over the rows' intervals, breaks at outages,
// the reduction to pixel columns that keeps every column's extremes, the
// abnormal bands and the rows under 100% archiving time; the chart's panels.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/output/chart_data.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

using test::k10h;
constexpr uint32_t kHour = 3600;

// An archive whose rows end at `times[1..]` with the changes `values`
// (first parameter) and their halves (second parameter).
CObjectDefinition Archive(const std::vector<uint32_t>& times, const std::vector<float>& values, const Bytes& err = {}) {
  CObjectDefinition obj;
  Bytes arc;
  float total = 0;
  for (size_t i = 0; i < times.size(); ++i) {
    if (i > 0) total += values[i - 1];
    AppendMeasurement(arc, times[i], total, total / 2);
  }
  obj.DecodeMeasurements(arc, err);
  obj.DecodeAbnormals(err);
  obj.m_nType1 = 0;
  obj.m_nType2 = 0;
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  return obj;
}

TEST(ChartData, FewRowsAreTheirExactSteps) {
  CObjectDefinition obj = Archive({k10h, k10h + kHour, k10h + 2 * kHour, k10h + 3 * kHour}, {1.0f, 4.0f, 2.0f});
  CChartData data(obj);
  ASSERT_EQ(data.GetRowCount(), 3u);
  EXPECT_EQ(data.TypicalInterval(), kHour);
  EXPECT_EQ(data.FirstTime(), k10h);
  EXPECT_EQ(data.LastTime(), k10h + 3 * kHour);
  const std::vector<CChartPoint> first = data.Reduce(0, k10h, k10h + 3 * kHour, 600);
  const std::vector<CChartPoint> expected = {{k10h, 1},
                                             {k10h + kHour, 1},
                                             {k10h + kHour, 4},
                                             {k10h + 2 * kHour, 4},
                                             {k10h + 2 * kHour, 2},
                                             {k10h + 3 * kHour, 2}};
  EXPECT_EQ(first, expected);
  // The second parameter as the table shows it.
  EXPECT_EQ(data.Reduce(1, k10h, k10h + 3 * kHour, 600)[2].value, 2.0);
  EXPECT_EQ(data.RowAt(k10h + kHour + 10), 1u);
  EXPECT_EQ(data.RowAt(k10h - 100), 0u);
  EXPECT_EQ(data.RowAt(k10h + 99 * kHour), 2u);
  EXPECT_TRUE(data.Reduce(0, k10h, k10h, 600).empty());
  EXPECT_TRUE(data.Reduce(0, k10h, k10h + kHour, 0).empty());
}

TEST(ChartData, AnOutageBreaksTheLine) {
  // Five hours without records between 12:00 and 17:00: the archive has no
  // row over them, and the line stops there.
  CObjectDefinition obj = Archive(
      {k10h, k10h + kHour, k10h + 2 * kHour, k10h + 7 * kHour, k10h + 8 * kHour, k10h + 9 * kHour}, {1, 2, 3, 4, 5});
  CChartData data(obj);
  ASSERT_EQ(data.GetRowCount(), 4u);
  EXPECT_EQ(data.TypicalInterval(), kHour);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(data.IsGap(i)) << i;
  const std::vector<CChartPoint> points = data.Reduce(0, k10h, k10h + 9 * kHour, 1000);
  ASSERT_EQ(points.size(), 9u);
  EXPECT_EQ(points[3], (CChartPoint{k10h + 2 * kHour, 2}));
  EXPECT_TRUE(points[4].IsBreak());
  EXPECT_EQ(points[5], (CChartPoint{k10h + 7 * kHour, 4}));
  EXPECT_EQ(points.back(), (CChartPoint{k10h + 9 * kHour, 5}));
  // Narrow columns: the reduced line breaks at the same place.
  const std::vector<CChartPoint> narrow = data.Reduce(0, k10h, k10h + 9 * kHour, 3);
  EXPECT_EQ(std::count_if(narrow.begin(), narrow.end(), [](const CChartPoint& p) { return p.IsBreak(); }), 1);
}

TEST(ChartData, ReductionKeepsEveryColumnsExtremes) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> value(-50.0f, 50.0f);
  const size_t rows = 20000;
  std::vector<uint32_t> times;
  std::vector<float> values;
  for (size_t i = 0; i <= rows; ++i) times.push_back(k10h + static_cast<uint32_t>(i) * 600);
  for (size_t i = 0; i < rows; ++i) values.push_back(std::round(value(random)));
  CObjectDefinition obj = Archive(times, values);
  CChartData data(obj);
  ASSERT_EQ(data.GetRowCount(), rows);

  const int columns = 137;
  const int64_t from = times.front() + 7 * 600;
  const int64_t to = times.back() - 11 * 600;
  const std::vector<CChartPoint> points = data.Reduce(0, from, to, columns);
  EXPECT_LE(points.size(), static_cast<size_t>(columns) * 5 + 10);
  const double width = static_cast<double>(to - from) / columns;
  for (int c = 0; c < columns; ++c) {
    const double left = from + c * width;
    const double right = left + width;
    float low = 1e9f, high = -1e9f;
    double lowShown = 1e9, highShown = -1e9;
    for (size_t i = 0; i < rows; ++i) {
      if (data.Start(i) < left || data.Start(i) >= right || data.End(i) < from) continue;
      low = std::min(low, data.Value(0, i));
      high = std::max(high, data.Value(0, i));
    }
    for (const CChartPoint& p : points) {
      if (p.time < left || p.time > right + 600) continue;
      lowShown = std::min(lowShown, p.value);
      highShown = std::max(highShown, p.value);
    }
    if (low > high) continue;
    EXPECT_LE(lowShown, low) << c;
    EXPECT_GE(highShown, high) << c;
  }
  // Times never run back within the line.
  for (size_t i = 1; i < points.size(); ++i) EXPECT_GE(points[i].time, points[i - 1].time) << i;
}

TEST(ChartData, BandsAndIncompleteIntervals) {
  Bytes err;
  AppendAbnormal(err, k10h + 1800, k10h + 2700, 2);
  AppendAbnormal(err, k10h + 2 * kHour, k10h + 2 * kHour + 60, 5);
  CObjectDefinition obj = Archive({k10h, k10h + kHour, k10h + 2 * kHour, k10h + 3 * kHour}, {1, 1, 1}, err);
  EXPECT_EQ(AbnormalBands(obj),
            (std::vector<CChartBand>{{k10h + 1800, k10h + 2700, 2}, {k10h + 2 * kHour, k10h + 2 * kHour + 60, 5}}));
  CChartData data(obj);
  // Rows 0 and 2 hold situations, so their archiving time is short; at
  // one column per interval they stay apart, at one column for all they join.
  EXPECT_EQ(data.IncompleteSpans(k10h, k10h + 3 * kHour, 3),
            (std::vector<CChartBand>{{k10h, k10h + kHour, 0}, {k10h + 2 * kHour, k10h + 3 * kHour, 0}}));
  EXPECT_EQ(data.IncompleteSpans(k10h + 2 * kHour + 1, k10h + 3 * kHour, 3),
            (std::vector<CChartBand>{{k10h + 2 * kHour, k10h + 3 * kHour, 0}}));
  EXPECT_EQ(data.IncompleteSpans(k10h, k10h + 3 * kHour, 1), (std::vector<CChartBand>{{k10h, k10h + 3 * kHour, 0}}));
  EXPECT_EQ(data.AbnormalCode(0), 2);
  EXPECT_LT(data.ArchivingPercent(0), 100.0f);
  EXPECT_GT(data.MemoryBytes(), 0u);
}

TEST(ChartData, BandsJoinWithinAColumnPerCodeOnly) {
  const std::vector<CChartBand> bands = {{100, 110, 3}, {112, 120, 3}, {105, 115, 1},
                                         {200, 210, 3}, {500, 600, 2}, {130, 140, 1}};
  // Ten seconds a column over [100, 300]: the 3s two apart join, the 1s
  // fifteen apart do not, and the band after the window goes.
  EXPECT_EQ(MergeBands(bands, 100, 300, 20),
            (std::vector<CChartBand>{{105, 115, 1}, {130, 140, 1}, {100, 120, 3}, {200, 210, 3}}));
  // A column of a hundred seconds joins everything of one code.
  EXPECT_EQ(MergeBands(bands, 0, 1000, 10), (std::vector<CChartBand>{{105, 140, 1}, {500, 600, 2}, {100, 210, 3}}));
}

TEST(ChartData, EachValueShownHasAPanelOfItsOwn) {
  // However many rows, the first above the second; one alone fills the
  // chart; with neither the situations still show; no rows, no time axis.
  EXPECT_EQ(ChartPanels(200000, true, true), (std::vector<CChartPanel>{{0, 0.5}, {1, 0.5}}));
  EXPECT_EQ(ChartPanels(1, false, true), (std::vector<CChartPanel>{{1, 1}}));
  EXPECT_EQ(ChartPanels(1, false, false), (std::vector<CChartPanel>{{-1, 1}}));
  EXPECT_TRUE(ChartPanels(0, true, true).empty());
}

}  // namespace
}  // namespace tkq
