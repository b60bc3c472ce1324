// The chart's data: steps over the rows' intervals, breaks at outages,
// the reduction to pixel columns that keeps every column's extremes, the
// abnormal bands and the rows under 100% archiving time; the chart's
// panels, its axes' titles, its pictures' title line and its printed page.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/output/chart_data.h"
#include "core/output/print_layout.h"
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

TEST(ChartData, AxisTitlesAreWrappedThenAbbreviatedNeverCutWhileTheyFit) {
  // Every character one unit wide.
  const auto width = [](const std::string& line) { return static_cast<double>(CountCharacters(line)); };
  const std::string title = "Изм.тепловой энергии, ГДж";
  const std::string abbreviated = "Изм. энергии, ГДж";
  EXPECT_EQ(FitAxisTitle(title, abbreviated, 25, width).text, title);
  // Two lines, the longer as short as it can be.
  EXPECT_EQ(FitAxisTitle(title, abbreviated, 14, width).text, "Изм.тепловой\nэнергии, ГДж");
  // Too short for it on two lines: the abbreviation, on as few lines as fit.
  EXPECT_EQ(FitAxisTitle(title, abbreviated, 11, width).text, "Изм.\nэнергии,\nГДж");
  EXPECT_EQ(FitAxisTitle(title, abbreviated, 12, width).text, "Изм.тепловой\nэнергии, ГДж");
  // A word may break after its full stop; too short for anything: cut.
  EXPECT_EQ(FitAxisTitle("Изменение объема +, м3", "Изм.объема+, м3", 9, width).text, "Изм.\nобъема+,\nм3");
  EXPECT_EQ(FitAxisTitle(title, abbreviated, 5, width).text, "Изм.\nэнер…\nГДж");
  EXPECT_TRUE(FitAxisTitle(title, abbreviated, 5, width).cut);
  EXPECT_FALSE(FitAxisTitle(title, abbreviated, 8, width).cut);
  // The catalogue's short names keep the blanks of its printed columns.
  EXPECT_EQ(FitAxisTitle("Расход, м3/ч", "Расход   , м3/ч", 6, width).text, "Расхо…\nм3/ч");
  EXPECT_EQ(FitAxisTitle("", "", 10, width).text, "");
}

TEST(ChartData, ThePicturesTitleNamesTheObjectAndTheTime) {
  EXPECT_EQ(ChartTitle(5, "Котельная\r\nввод  2 ", k10h, k10h + 3 * kHour + 5),
            "Архив объекта № 5, Котельная ввод 2, с 01.02.2012 10:00:00 по 01.02.2012 13:00:05");
  EXPECT_EQ(ChartTitle(17, " ", k10h, k10h), "Архив объекта № 17, с 01.02.2012 10:00:00 по 01.02.2012 10:00:00");
}

TEST(ChartData, APrintedChartHasThePagesHeaderAndTheRoomBelowIt) {
  const CPrintMetrics page{10, 6, 1000, 1400, 0.6};
  const std::string title = PrintTitle(3, 0, "Котельная");
  const CDrawnPage drawn = DrawnPrintPage(title, page);
  ASSERT_TRUE(drawn.valid);
  // The header a one-page table has, with no lines.
  class COneLine : public CPrintLines {
    int32_t GetLineCount() const override { return 1; }
    std::string GetLineText(int32_t) const override { return "x"; }
  } line;
  const CPrintPage table = CPageLayout(line, title, page).Page(1);
  EXPECT_EQ(drawn.header.pageNumber.text, "Страница   1 из   1");
  EXPECT_EQ(drawn.header.pageNumber.rect, table.pageNumber.rect);
  ASSERT_EQ(drawn.header.titleLines.size(), 2u);
  EXPECT_EQ(drawn.header.titleLines[1].text, "Котельная");
  EXPECT_TRUE(drawn.header.lines.empty() && drawn.header.rules.empty());
  EXPECT_EQ(drawn.body, (CPrintRect{20, 60, 980, 1380}));
  // No room for a drawing of eight lines.
  EXPECT_FALSE(DrawnPrintPage(title, {10, 6, 1000, 4 * 10 + 40 + 79, 0.6}).valid);
  EXPECT_TRUE(DrawnPrintPage(title, {10, 6, 1000, 4 * 10 + 40 + 80, 0.6}).valid);
}

}  // namespace
}  // namespace tkq
