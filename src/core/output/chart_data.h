#pragma once
// What a chart of the measurement archive draws: each row's value as a
// step over its interval, for the two columns as the archive table shows
// them; no line across an outage of the instrument (where one row does
// not start at the end of the one before); the abnormal
// situations as bands. Many rows are reduced to what a pixel column can
// show — its first, lowest, highest and last value — so that a drawing
// holds a few points a pixel column whatever the number of rows.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace tkq {

class CObjectDefinition;

// A point of a drawn line; a value that is not a number breaks the line.
struct CChartPoint {
  double time = 0;  // device seconds
  double value = 0;
  bool IsBreak() const { return std::isnan(value); }
  bool operator==(const CChartPoint&) const = default;
};

// An abnormal situation across the chart.
struct CChartBand {
  int64_t start = 0;
  int64_t end = 0;
  uint8_t code = 0;
  bool operator==(const CChartBand&) const = default;
};

class CChartData {
 public:
  // The rows of `object` under its current output choices; `rows` are
  // the records that end them (CObjectDefinition::RowPositions).
  CChartData(const CObjectDefinition& object, const std::vector<int32_t>& rows);
  explicit CChartData(const CObjectDefinition& object);
  CChartData() = default;  // no rows

  size_t GetRowCount() const { return m_end.size(); }
  int64_t Start(size_t row) const { return m_start[row]; }
  int64_t End(size_t row) const { return m_end[row]; }
  // `series` 0: the first parameter, 1: the second.
  float Value(int series, size_t row) const { return m_value[series != 0][row]; }
  float ArchivingPercent(size_t row) const { return m_percent[row]; }
  uint8_t AbnormalCode(size_t row) const { return m_code[row]; }

  // The archive's usual interval: the median of the rows' intervals.
  int64_t TypicalInterval() const { return m_typical; }
  // Whether a row spans an outage: an interval longer than one and a half
  // usual intervals, or one that runs backwards (the clock was set back).
  bool IsGap(size_t row) const;
  // The earliest start and the latest end of the rows (0 and 0 for none).
  int64_t FirstTime() const { return m_first; }
  int64_t LastTime() const { return m_last; }
  // The row whose interval holds `time` (the nearest row when none does);
  // GetRowCount() when there are no rows.
  size_t RowAt(int64_t time) const;

  // Series `series` over [from, to] for `columns` pixel columns: a row at
  // least a column wide is its exact step; narrower rows are reduced per
  // column to the first, the lowest, the highest and the last value, in
  // time order. An outage breaks the line.
  std::vector<CChartPoint> Reduce(int series, int64_t from, int64_t to, int columns) const;

  // The intervals of rows under 100% archiving time that reach into
  // [from, to], joined where they lie within one of `columns` pixel
  // columns of each other (code 0).
  std::vector<CChartBand> IncompleteSpans(int64_t from, int64_t to, int columns) const;

  // Bytes the chart's copy of the rows takes.
  size_t MemoryBytes() const;

 private:
  std::vector<uint32_t> m_start;
  std::vector<uint32_t> m_end;
  std::vector<float> m_value[2];
  std::vector<float> m_percent;
  std::vector<uint8_t> m_code;
  int64_t m_typical = 0;
  int64_t m_first = 0;
  int64_t m_last = 0;
  bool m_ordered = true;  // every row ends no earlier than the one before
};

// A panel of the chart, from the top: the value it draws (0: the first,
// 1: the second, -1: none) and its share of the chart's height. Every
// panel shows the same time; the lowest one carries the time's labels.
struct CChartPanel {
  int series = -1;
  double share = 1;
  bool operator==(const CChartPanel&) const = default;
};

// The panels of a chart of `rows` rows with the first and the second
// value switched on or off. Each value shown has a panel of its own, the
// first above, the two of equal height, so that neither covers the other
// however dense the rows. With both off, one panel without a line still
// shows the situations and the archiving time. Without rows there is no
// panel at all: the chart only says that there are none.
std::vector<CChartPanel> ChartPanels(size_t rows, bool first, bool second);

// The abnormal situations of `object` as bands, in their order.
std::vector<CChartBand> AbnormalBands(const CObjectDefinition& object);

// The bands that reach into [from, to], those of one code joined where
// they lie within one of `columns` pixel columns of each other: a drawing
// holds a few bands a column whatever their number. Ordered by code, then
// by start.
std::vector<CChartBand> MergeBands(std::vector<CChartBand> bands, int64_t from, int64_t to, int columns);

// A value axis's title fitted to `room`, as `width` measures a line, its
// lines joined by '\n'. The title whole: on one line, else on two; where
// it does not fit, its short form (the printed table's caption, in the
// catalogue's abbreviations) on one, two or three lines; where even that
// does not fit, the short form on three lines, each line too long cut
// with "…" (`cut`). Lines break at a blank or after a full stop inside a
// word ("Изм.|объема"), so that the longest line is as short as it can be.
struct CAxisTitle {
  std::string text;
  bool cut = false;
};
CAxisTitle FitAxisTitle(const std::string& title, const std::string& shortTitle, double room,
                        const std::function<double(const std::string&)>& width);

// The title line of a picture of the chart: the object, its description
// (if any, on the same line) and the time shown:
// "Архив объекта № 5, Котельная, с 01.02.2012 10:00:00 по 13.02.2012 22:00:00".
std::string ChartTitle(uint8_t objectNumber, const std::string& description, int64_t from, int64_t to);

}  // namespace tkq
