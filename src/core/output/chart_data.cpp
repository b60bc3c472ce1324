#include "core/output/chart_data.h"

#include <algorithm>

#include "core/archive/object_definition.h"
#include "core/base/rtc_time.h"

namespace tkq {
namespace {

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();

// The rows of one pixel column, reduced as they come.
class CColumn {
 public:
  bool IsEmpty() const { return m_count == 0; }
  void Add(double start, double end, double value) {
    if (m_count == 0) {
      m_first = {start, value};
      m_min = m_max = {start, value};
    }
    if (value < m_min.value) m_min = {start, value};
    if (value > m_max.value) m_max = {start, value};
    m_lastStart = start;
    m_last = {end, value};
    ++m_count;
  }
  // Appends the column's points and empties it.
  void Flush(std::vector<CChartPoint>& out) {
    if (m_count == 0) return;
    if (m_count == 1) {
      out.push_back(m_first);
      out.push_back(m_last);
    } else {
      out.push_back(m_first);
      CChartPoint low = m_min;
      CChartPoint high = m_max;
      if (high.time < low.time) std::swap(low, high);
      if (!(low == m_first)) out.push_back(low);
      if (!(high == low) && !(high == m_first)) out.push_back(high);
      // The last row's step, from its start to its end.
      const CChartPoint lastStart{m_lastStart, m_last.value};
      if (!(lastStart == out.back())) out.push_back(lastStart);
      out.push_back(m_last);
    }
    m_count = 0;
  }

 private:
  size_t m_count = 0;
  CChartPoint m_first;
  CChartPoint m_min;
  CChartPoint m_max;
  CChartPoint m_last;
  double m_lastStart = 0;
};

}  // namespace

CChartData::CChartData(const CObjectDefinition& object) : CChartData(object, object.RowPositions()) {}

CChartData::CChartData(const CObjectDefinition& object, const std::vector<int32_t>& rows) {
  const size_t n = rows.size();
  m_start.reserve(n);
  m_end.reserve(n);
  m_value[0].reserve(n);
  m_value[1].reserve(n);
  m_percent.reserve(n);
  m_code.reserve(n);
  CArchiveRow row;
  for (int32_t position : rows) {
    if (!object.ComputeRow(position, row)) {
      // Kept as an empty interval, so that a row of the chart stays the
      // row of the table with the same number.
      const uint32_t end = m_end.empty() ? 0 : m_end.back();
      m_start.push_back(end);
      m_end.push_back(end);
      m_value[0].push_back(std::numeric_limits<float>::quiet_NaN());
      m_value[1].push_back(std::numeric_limits<float>::quiet_NaN());
      m_percent.push_back(100.0f);
      m_code.push_back(0);
      continue;
    }
    m_start.push_back(static_cast<uint32_t>(row.start));
    m_end.push_back(static_cast<uint32_t>(row.end));
    m_value[0].push_back(row.value1);
    m_value[1].push_back(row.value2);
    m_percent.push_back(row.archivingPercent);
    m_code.push_back(row.abnormalCode);
  }
  if (m_end.empty()) return;
  std::vector<int64_t> intervals;
  intervals.reserve(m_end.size());
  m_first = m_start[0];
  m_last = m_end[0];
  for (size_t i = 0; i < m_end.size(); ++i) {
    if (m_end[i] > m_start[i]) intervals.push_back(static_cast<int64_t>(m_end[i]) - m_start[i]);
    m_first = std::min<int64_t>(m_first, m_start[i]);
    m_last = std::max<int64_t>(m_last, m_end[i]);
    if (i > 0 && m_end[i] < m_end[i - 1]) m_ordered = false;
  }
  if (!intervals.empty()) {
    auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    m_typical = *middle;
  }
}

bool CChartData::IsGap(size_t row) const {
  const int64_t interval = static_cast<int64_t>(m_end[row]) - m_start[row];
  return interval <= 0 || interval * 2 > m_typical * 3;
}

size_t CChartData::RowAt(int64_t time) const {
  const size_t n = GetRowCount();
  if (n == 0) return n;
  if (m_ordered) {
    // The first row that ends at or after the time.
    const auto it = std::lower_bound(m_end.begin(), m_end.end(), time,
                                     [](uint32_t end, int64_t t) { return static_cast<int64_t>(end) < t; });
    return it == m_end.end() ? n - 1 : static_cast<size_t>(it - m_end.begin());
  }
  size_t best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < n; ++i) {
    const int64_t distance = time < m_start[i] ? m_start[i] - time : time > m_end[i] ? time - m_end[i] : 0;
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

std::vector<CChartPoint> CChartData::Reduce(int series, int64_t from, int64_t to, int columns) const {
  std::vector<CChartPoint> out;
  if (columns <= 0 || to <= from || GetRowCount() == 0) return out;
  const std::vector<float>& values = m_value[series != 0];
  const double width = static_cast<double>(to - from) / columns;
  size_t first = 0;
  size_t last = GetRowCount();
  if (m_ordered) {
    first = RowAt(from);
    last = std::min(GetRowCount(), RowAt(to) + 1);
  }
  CColumn column;
  int64_t current = -1;
  bool broken = true;  // no point yet, or the line was just broken
  double previousEnd = 0;
  auto breakLine = [&](double time) {
    column.Flush(out);
    current = -1;
    if (!broken) out.push_back({time, kBreak});
    broken = true;
  };
  for (size_t i = first; i < last; ++i) {
    const double start = m_start[i];
    const double end = m_end[i];
    if (end < static_cast<double>(from) || start > static_cast<double>(to)) continue;
    const double value = values[i];
    if (IsGap(i) || std::isnan(value)) {
      breakLine(start);
      continue;
    }
    // Records the instrument did not keep: the rows do not meet.
    if (!broken && start != previousEnd) breakLine(start);
    broken = false;
    previousEnd = end;
    if (end - start >= width) {
      // Wide enough to be drawn as it is.
      column.Flush(out);
      current = -1;
      out.push_back({start, value});
      out.push_back({end, value});
      continue;
    }
    const auto index = static_cast<int64_t>((start - static_cast<double>(from)) / width);
    if (index != current) {
      column.Flush(out);
      current = index;
    }
    column.Add(start, end, value);
  }
  column.Flush(out);
  return out;
}

std::vector<CChartBand> CChartData::IncompleteSpans(int64_t from, int64_t to, int columns) const {
  std::vector<CChartBand> spans;
  for (size_t i = 0; i < GetRowCount(); ++i) {
    if (!(m_percent[i] < 100.0f)) continue;
    const int64_t start = std::min(m_start[i], m_end[i]);
    const int64_t end = std::max(m_start[i], m_end[i]);
    if (end < from || start > to) continue;
    spans.push_back({start, end, 0});
  }
  return MergeBands(std::move(spans), from, to, columns);
}

size_t CChartData::MemoryBytes() const {
  return m_start.capacity() * sizeof(uint32_t) + m_end.capacity() * sizeof(uint32_t) +
         (m_value[0].capacity() + m_value[1].capacity() + m_percent.capacity()) * sizeof(float) + m_code.capacity();
}

std::vector<CChartPanel> ChartPanels(size_t rows, bool first, bool second) {
  if (rows == 0) return {};
  if (first && second) return {{0, 0.5}, {1, 0.5}};
  if (first) return {{0, 1}};
  if (second) return {{1, 1}};
  return {{-1, 1}};
}

std::vector<CChartBand> AbnormalBands(const CObjectDefinition& object) {
  std::vector<CChartBand> bands;
  bands.reserve(static_cast<size_t>(object.GetAbnormalCount()));
  for (int32_t i = 0; i < object.GetAbnormalCount(); ++i) {
    const CErrArcElem* record = object.m_errRecords[static_cast<size_t>(i)];
    if (record == nullptr) continue;
    bands.push_back({record->m_nBegin, record->m_nEnd, record->m_nCode});
  }
  return bands;
}

std::vector<CChartBand> MergeBands(std::vector<CChartBand> bands, int64_t from, int64_t to, int columns) {
  std::erase_if(bands, [&](const CChartBand& b) { return b.end < from || b.start > to; });
  std::sort(bands.begin(), bands.end(), [](const CChartBand& a, const CChartBand& b) {
    return a.code != b.code ? a.code < b.code : a.start < b.start;
  });
  const double width = columns > 0 && to > from ? static_cast<double>(to - from) / columns : 0.0;
  std::vector<CChartBand> merged;
  for (const CChartBand& band : bands) {
    if (!merged.empty() && merged.back().code == band.code &&
        static_cast<double>(band.start - merged.back().end) < width) {
      merged.back().end = std::max(merged.back().end, band.end);
      continue;
    }
    merged.push_back(band);
  }
  return merged;
}

// --- titles ---

namespace {

using CMeasure = std::function<double(const std::string&)>;

// Blanks as one, none at the ends or before a comma (the catalogue's
// short names keep the blanks that lined up its printed columns).
std::string Tidy(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
      continue;
    }
    if (c == ',' && !out.empty() && out.back() == ' ') out.pop_back();
    out += c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Where a line may end (`end`) and the next begin (`next`): at a blank,
// which goes, or after a full stop inside a word, which stays.
struct CBreak {
  size_t end = 0;
  size_t next = 0;
};

std::vector<CBreak> Breaks(const std::string& text) {
  std::vector<CBreak> breaks;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == ' ' && i > 0) breaks.push_back({i, i + 1});
    if (text[i] == '.' && text[i + 1] != ' ' && text[i + 1] != ',') breaks.push_back({i + 1, i + 1});
  }
  return breaks;
}

// `text` on `lines` lines (fewer where it has fewer breaks), its widest
// line as narrow as it can be; `widest` is that line's width.
std::vector<std::string> Split(const std::string& text, int lines, const CMeasure& width, double& widest) {
  const std::vector<CBreak> breaks = Breaks(text);
  const size_t cuts = std::min(static_cast<size_t>(std::max(lines - 1, 0)), breaks.size());
  std::vector<std::string> best{text};
  widest = width(text);
  if (cuts == 0) return best;
  widest = std::numeric_limits<double>::infinity();
  // Every choice of `cuts` breaks in order: a title has a handful.
  std::vector<size_t> chosen(cuts);
  const auto tryFrom = [&](auto& self, size_t depth, size_t first) -> void {
    if (depth == cuts) {
      std::vector<std::string> parts;
      double wide = 0;
      size_t from = 0;
      for (size_t k = 0; k <= cuts; ++k) {
        const size_t end = k < cuts ? breaks[chosen[k]].end : text.size();
        parts.push_back(text.substr(from, end - from));
        wide = std::max(wide, width(parts.back()));
        if (k < cuts) from = breaks[chosen[k]].next;
      }
      if (wide < widest) {
        widest = wide;
        best = std::move(parts);
      }
      return;
    }
    for (size_t b = first; b + (cuts - depth) <= breaks.size(); ++b) {
      chosen[depth] = b;
      self(self, depth + 1, b + 1);
    }
  };
  tryFrom(tryFrom, 0, 0);
  return best;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : "\n") + line;
  return out;
}

// `line` cut to `room` with "…" at its end.
std::string Cut(std::string line, double room, const CMeasure& width) {
  if (width(line) <= room) return line;
  while (!line.empty()) {
    // One character (its UTF-8 continuation bytes, then its first), then
    // any blank before the mark.
    while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.pop_back();
    if (!line.empty()) line.pop_back();
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (width(line + "…") <= room) break;
  }
  return line + "…";
}

}  // namespace

CAxisTitle FitAxisTitle(const std::string& title, const std::string& shortTitle, double room, const CMeasure& width) {
  const std::string whole = Tidy(title);
  const std::string abbreviated = shortTitle.empty() ? whole : Tidy(shortTitle);
  double widest = 0;
  for (int lines = 1; lines <= 2; ++lines) {
    std::vector<std::string> split = Split(whole, lines, width, widest);
    if (widest <= room) return {Joined(split)};
  }
  for (int lines = 1; lines <= 3; ++lines) {
    std::vector<std::string> split = Split(abbreviated, lines, width, widest);
    if (widest <= room) return {Joined(split)};
  }
  std::vector<std::string> split = Split(abbreviated, 3, width, widest);
  for (std::string& line : split) line = Cut(line, room, width);
  return {Joined(split), true};
}

std::string ChartTitle(uint8_t objectNumber, const std::string& description, int64_t from, int64_t to) {
  const auto time = [](int64_t seconds) {
    return CRTCTime::Text(static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, UINT32_MAX)));
  };
  std::string text = "Архив объекта № " + std::to_string(objectNumber);
  const std::string about = Tidy(description);
  if (!about.empty()) text += ", " + about;
  return text + ", с " + time(from) + " по " + time(to);
}

}  // namespace tkq
