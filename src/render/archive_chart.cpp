#include "render/archive_chart.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/archive/object_definition.h"
#include "core/archive/records.h"
#include "core/output/table_cells.h"
#include "render/builtin_font.h"
#include "render/chart_layers.h"

namespace tkq::render {
namespace {

constexpr double kMinSpan = 60.0;             // seconds: the closest zoom
constexpr double kLineWidth[2] = {1.6, 1.3};  // pixels: the lines where rows are wider than a pixel

QString Trimmed(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size())).trimmed();
}

constexpr int kChartFontPixels = 12;      // 9 points on a screen of 96 dots an inch
constexpr int kSmallestTitlePixels = 10;  // a value axis's title where it has little room

QString TickFormat(double span) {
  constexpr double kDay = 86400;
  if (span > 3 * 365 * kDay) return QStringLiteral("MM.yyyy");
  if (span > 4 * kDay) return QStringLiteral("dd.MM.yyyy");
  if (span > 600) return QStringLiteral("dd.MM.yyyy\nhh:mm");
  return QStringLiteral("dd.MM.yyyy\nhh:mm:ss");
}

// Every text of the chart in the program's own font, so that a picture of
// one archive is the same on every system; unhinted and smoothed in grey,
// as every rasteriser draws it alike. Sized in the drawing's pixels (9
// points on a screen of 96 dots an inch), so that the texts keep their
// place when the whole chart is drawn scaled, as on a printed page.
QFont ChartFont() {
  const QString family = BuiltInFontFamily();
  QFont font = family.isEmpty() ? QFont() : QFont(family);
  font.setPixelSize(kChartFontPixels);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::NoSubpixelAntialias);
  return font;
}

QCPRange Fitted(double low, double high) {
  if (!(low <= high)) return QCPRange(0, 1);
  const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 1.0);
  return QCPRange(low - pad, high + pad);
}

}  // namespace

// Ticks whose labels have room along their axis: the ticker's own step for
// the most ticks that leave each label the room it needs, and a label that
// would still run into the one before it (the months are of different
// lengths) left out, at any length of the axis.
template <class Base>
class CSpacedTicker : public Base {
 public:
  // The axis whose length and font the labels are measured for.
  void SetAxis(const QCPAxis* axis) { m_axis = axis; }
  // The axis's length now, and the one the labels were last made for.
  int Length() const {
    if (m_axis == nullptr) return 0;
    return m_axis->orientation() == Qt::Horizontal ? m_axis->axisRect()->width() : m_axis->axisRect()->height();
  }
  int MadeFor() const { return m_madeFor; }

  void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
                QVector<double>* subTicks, QVector<QString>* tickLabels) override {
    m_madeFor = Length();
    const double room = Room(locale);
    const double perUnit = range.size() > 0 ? m_madeFor / range.size() : 0.0;
    for (int count = std::clamp(static_cast<int>(m_madeFor / room), 1, m_mostTicks);; --count) {
      this->setTickCount(count);
      Base::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
      double closest = std::numeric_limits<double>::infinity();
      for (qsizetype i = 1; i < ticks.size(); ++i) closest = std::min(closest, (ticks[i] - ticks[i - 1]) * perUnit);
      if (closest >= room || count == 1) break;
    }
    if (tickLabels == nullptr) return;
    double last = -std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < ticks.size() && i < tickLabels->size(); ++i) {
      const double at = (ticks[i] - range.lower) * perUnit;
      if (at - last < room) {
        (*tickLabels)[i].clear();
      } else {
        last = at;
      }
    }
  }

 protected:
  explicit CSpacedTicker(int mostTicks) : m_mostTicks(mostTicks) {}
  // The length along the axis a label takes with the room beside it.
  virtual double Room(const QLocale& locale) const = 0;
  QFont LabelFont() const { return m_axis != nullptr ? m_axis->tickLabelFont() : QFont(); }

 private:
  const QCPAxis* m_axis = nullptr;
  int m_mostTicks;
  int m_madeFor = -1;
};

// The time's labels: each its widest text and two characters beside it.
// The device's clock counts seconds from 01.01.1970 with no time zone: the
// axis shows them as they are.
class CTimeTicker : public CSpacedTicker<QCPAxisTickerDateTime> {
 public:
  CTimeTicker() : CSpacedTicker(6) { setDateTimeSpec(Qt::UTC); }

 protected:
  double Room(const QLocale& locale) const override {
    const QFontMetricsF metrics(LabelFont());
    const QDateTime widest(QDate(2000, 12, 28), QTime(23, 58, 58), Qt::UTC);
    double width = 0;
    for (const QString& line : locale.toString(widest, dateTimeFormat()).split(QChar('\n'))) {
      width = std::max(width, metrics.horizontalAdvance(line));
    }
    return width + 2 * metrics.averageCharWidth();
  }
};

// A value axis's labels: a line each, and half a line between them.
class CValueTicker : public CSpacedTicker<QCPAxisTicker> {
 public:
  CValueTicker() : CSpacedTicker(5) {}

 protected:
  double Room(const QLocale&) const override { return QFontMetricsF(LabelFont()).height() * 1.5; }
};

CArchiveChart::CArchiveChart(QWidget* parent)
    : QCustomPlot(parent), m_data(std::make_unique<CChartData>()), m_ticker(QSharedPointer<CTimeTicker>::create()) {
  setNoAntialiasingOnDrag(true);
  // Numbers with a decimal point, as every other screen and printout of
  // the program shows them, whatever the system's language.
  QLocale numbers = QLocale::c();
  numbers.setNumberOptions(QLocale::OmitGroupSeparator);
  setLocale(numbers);
  // What is made from here on takes the plot's font; the first panel and
  // the legend, made before, are given it below.
  const QFont font = ChartFont();
  setFont(font);
  // The panels, one under the other in a grid of their own, their plots'
  // edges in line; the first value's is the plot's own axis rect.
  m_panel[0] = axisRect();
  plotLayout()->take(m_panel[0]);
  m_panels = new QCPLayoutGrid;
  plotLayout()->addElement(0, 0, m_panels);
  m_panels->addElement(0, 0, m_panel[0]);
  m_panels->setRowSpacing(6);
  auto* edges = new QCPMarginGroup(this);
  for (int series = 0; series < 2; ++series) {
    if (series > 0) m_panel[series] = new QCPAxisRect(this);
    QCPAxisRect* panel = m_panel[series];
    panel->setMarginGroup(QCP::msLeft | QCP::msRight, edges);
    panel->setRangeDrag(Qt::Horizontal);
    panel->setRangeZoom(Qt::Horizontal);
    for (QCPAxis* axis : panel->axes()) {
      axis->setLabelFont(font);
      axis->setTickLabelFont(font);
    }
    QCPAxis* time = panel->axis(QCPAxis::atBottom);
    QCPAxis* value = panel->axis(QCPAxis::atLeft);
    time->setTicker(m_ticker);
    for (QCPAxis* axis : {time, value}) axis->grid()->setSubGridVisible(false);
    m_valueTicker[series] = QSharedPointer<CValueTicker>::create();
    m_valueTicker[series]->SetAxis(value);
    value->setTicker(m_valueTicker[series]);
    value->setLabelColor(ChartSeriesColour(series));
    value->setTickLabelColor(ChartSeriesColour(series));
    m_curve[series] = new QCPCurve(time, value);
    m_curve[series]->setPen(QPen(ChartSeriesColour(series), kLineWidth[series]));
    m_curve[series]->setSelectable(QCP::stNone);
    connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &CArchiveChart::OnRangeChanged);
  }
  // The bands lie under the grid and the lines.
  addLayer(QStringLiteral("marks"), layer(QStringLiteral("grid")), QCustomPlot::limBelow);
  m_marks = new CChartMarks(this, *this, QStringLiteral("marks"));
  addLayer(QStringLiteral("cursor"), layer(QStringLiteral("overlay")), QCustomPlot::limBelow);
  layer(QStringLiteral("cursor"))->setMode(QCPLayer::lmBuffered);
  m_crosshair = new CChartCrosshair(this, *this, QStringLiteral("cursor"));

  // The legend: a row under the plot.
  legend->setVisible(true);
  legend->setFont(font);
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setWrap(4);
  legend->setBorderPen(Qt::NoPen);
  legend->setBrush(Qt::NoBrush);
  m_legendRow = new QCPLayoutGrid;
  plotLayout()->addElement(1, 0, m_legendRow);
  m_legendRow->addElement(0, 0, legend);
  m_legendRow->setMargins(QMargins(5, 0, 5, 5));
  plotLayout()->setRowStretchFactor(1, 0.001);
  legend->setIconSize(22, 12);

  m_empty = new CChartMessage(this, QStringLiteral("Нет записей архива измерений"));

  // The title of a saved picture, out of the layout (and so not drawn)
  // but while one is drawn; larger, in the same font (the program has no
  // bold one of its own).
  QFont larger = font;
  larger.setPixelSize(font.pixelSize() + 2);
  m_title = new QCPTextElement(this, QString(), larger);
  m_title->setVisible(false);
  SetArchive(nullptr, CColumnSwitches{}, false);
}

CArchiveChart::~CArchiveChart() = default;

void CArchiveChart::SetArchive(const CObjectDefinition* object, const CColumnSwitches& columns, bool keepRange) {
  const QCPRange previous(From(), To());
  m_data = object != nullptr ? std::make_unique<CChartData>(*object) : std::make_unique<CChartData>();
  m_bands = object != nullptr ? AbnormalBands(*object) : std::vector<CChartBand>{};
  m_shown[0] = columns.m_bShowFirst;
  m_shown[1] = columns.m_bShowSecond;
  for (int series = 0; series < 2; ++series) {
    m_caption[series].clear();
    m_shortCaption[series].clear();
  }
  m_nObjectNumber = 0;
  m_strDescription.clear();
  if (object != nullptr) {
    std::string c1, c2;
    object->GetColumnCaptions(c1, c2);
    m_caption[0] = QString::fromStdString(c1);
    m_caption[1] = QString::fromStdString(c2);
    object->GetPrintCaptions(c1, c2);
    m_shortCaption[0] = QString::fromStdString(c1);
    m_shortCaption[1] = QString::fromStdString(c2);
    m_nObjectNumber = object->GetObjectNumber();
    m_strDescription = QString::fromStdString(object->m_strDescription);
  }
  for (int series = 0; series < 2; ++series) {
    m_curve[series]->setName(m_caption[series]);
    m_curve[series]->setVisible(m_shown[series]);
    QCPAxis* axis = m_panel[series]->axis(QCPAxis::atLeft);
    axis->setTickLabels(m_shown[series]);
    axis->setLabel(m_shown[series] ? m_caption[series] : QString());
  }
  ArrangePanels();
  if (m_markedRow >= static_cast<int>(m_data->GetRowCount())) m_markedRow = -1;
  UpdateLegend();
  if (keepRange && m_data->GetRowCount() > 0 && previous.upper > m_data->FirstTime() &&
      previous.lower < m_data->LastTime()) {
    ShowRange(previous.lower, previous.upper);
    Refresh();
  } else {
    ShowAll();
  }
  replot(QCustomPlot::rpQueuedReplot);
}

bool CArchiveChart::SeriesShown(int series) const { return m_shown[series != 0]; }

void CArchiveChart::ArrangePanels() {
  m_layout = ChartPanels(m_data->GetRowCount(), m_shown[0], m_shown[1]);
  for (QCPAxisRect* panel : m_panel) {
    if (panel->layout() == m_panels) m_panels->take(panel);
    // Out of the layout it keeps its place but is not drawn.
    panel->setVisible(false);
  }
  m_panels->simplify();
  // The message alone, with no axes. The first panel stays in the layout,
  // hidden: the plot's items look for an axis rect there when made.
  m_empty->setVisible(m_layout.empty());
  if (m_layout.empty()) m_panels->addElement(0, 0, m_panel[0]);
  for (size_t i = 0; i < m_layout.size(); ++i) {
    QCPAxisRect* panel = m_panel[m_layout[i].series > 0];
    const int row = static_cast<int>(i);
    m_panels->addElement(row, 0, panel);
    m_panels->setRowStretchFactor(row, m_layout[i].share);
    panel->setVisible(true);
    // The time's labels under the lowest panel only.
    panel->axis(QCPAxis::atBottom)->setTickLabels(i + 1 == m_layout.size());
  }
  m_ticker->SetAxis(TimeAxis());
}

bool CArchiveChart::FitCaptions() {
  // A caption runs along its panel: wrapped, or abbreviated, where the
  // panel is shorter (FitAxisTitle); where even that would be cut, in a
  // smaller size first.
  bool changed = false;
  for (int series = 0; series < 2; ++series) {
    if (!m_shown[series]) continue;
    QCPAxis* axis = m_panel[series]->axis(QCPAxis::atLeft);
    QFont font = axis->labelFont();
    CAxisTitle title;
    for (int pixels = kChartFontPixels; pixels >= kSmallestTitlePixels; --pixels) {
      font.setPixelSize(pixels);
      const QFontMetricsF metrics(font);
      const auto width = [&metrics](const std::string& line) {
        return metrics.horizontalAdvance(QString::fromStdString(line));
      };
      title = FitAxisTitle(m_caption[series].toStdString(), m_shortCaption[series].toStdString(),
                           std::max(m_panel[series]->rect().height() - 4, 1), width);
      if (!title.cut) break;
    }
    const QString label = QString::fromStdString(title.text);
    if (label != axis->label() || font != axis->labelFont()) {
      axis->setLabelFont(font);
      axis->setLabel(label);
      changed = true;
    }
  }
  return changed;
}

void CArchiveChart::updateLayout() {
  QCustomPlot::updateLayout();
  // Again while a title's lines change the margins or the time axis's
  // length is not the one its labels were made for (a few passes settle).
  for (int pass = 0; pass < 3; ++pass) {
    bool again = FitCaptions() || m_ticker->MadeFor() != m_ticker->Length();
    for (const CChartPanel& panel : m_layout) {
      const CValueTicker& values = *m_valueTicker[panel.series > 0];
      again = again || values.MadeFor() != values.Length();
    }
    if (!again) break;
    QCustomPlot::updateLayout();
  }
}

QString CArchiveChart::AxisTitleAt(QPoint pos) const {
  for (const CChartPanel& shown : m_layout) {
    const QRect panel = m_panel[shown.series > 0]->rect();
    if (shown.series >= 0 && pos.x() < panel.left() && pos.y() >= panel.top() && pos.y() <= panel.bottom()) {
      return m_caption[shown.series > 0];
    }
  }
  return {};
}

QString CArchiveChart::ImageTitle() const {
  if (m_data->GetRowCount() == 0) return {};
  const auto from = static_cast<int64_t>(std::ceil(std::max(From(), static_cast<double>(m_data->FirstTime()))));
  const auto to = static_cast<int64_t>(std::floor(std::min(To(), static_cast<double>(m_data->LastTime()))));
  return QString::fromStdString(ChartTitle(m_nObjectNumber, m_strDescription.toStdString(), from, std::max(from, to)));
}

std::vector<QCPAxisRect*> CArchiveChart::Panels() const {
  std::vector<QCPAxisRect*> panels;
  for (const CChartPanel& panel : m_layout) panels.push_back(m_panel[panel.series > 0]);
  return panels;
}

QCPAxis* CArchiveChart::TimeAxis() const {
  const QCPAxisRect* lowest = m_layout.empty() ? m_panel[0] : m_panel[m_layout.back().series > 0];
  return lowest->axis(QCPAxis::atBottom);
}

QRect CArchiveChart::PlotArea() const {
  QRect area;
  for (QCPAxisRect* panel : Panels()) area = area.united(panel->rect());
  return area;
}

QCPAxisRect* CArchiveChart::PanelAt(QPoint pos) const {
  for (QCPAxisRect* panel : Panels()) {
    if (panel->rect().contains(pos)) return panel;
  }
  return nullptr;
}

void CArchiveChart::UpdateLegend() {
  for (QCPBars* bars : m_legendOnly) removePlottable(bars);
  m_legendOnly.clear();
  legend->clearItems();
  if (m_layout.empty()) {
    // Nothing drawn, nothing to explain.
    legend->setVisible(false);
    return;
  }
  for (int series = 0; series < 2; ++series) {
    if (m_shown[series] && !m_caption[series].isEmpty()) m_curve[series]->addToLegend();
  }
  // Every code of the archive, so that the legend does not change as the
  // chart is moved.
  std::vector<uint8_t> codes;
  for (const CChartBand& band : m_bands) codes.push_back(band.code);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  auto entry = [this](const QString& name, const QBrush& brush) {
    auto* bars = new QCPBars(xAxis, yAxis);
    bars->setName(name);
    bars->setPen(Qt::NoPen);
    bars->setBrush(brush);
    bars->setSelectable(QCP::stNone);
    m_legendOnly.push_back(bars);
  };
  for (uint8_t code : codes) {
    QColor colour = ChartBandColour(code);
    colour.setAlpha(110);
    entry(Trimmed(AbnormalText(code)), colour);
  }
  bool incomplete = false;
  for (size_t row = 0; row < m_data->GetRowCount() && !incomplete; ++row) {
    incomplete = m_data->ArchivingPercent(row) < 100.0f;
  }
  if (incomplete) entry(QStringLiteral("Время архивирования менее 100%"), QColor(0x40, 0x40, 0x40));
  FitLegend(size());
}

void CArchiveChart::FitLegend(QSize size) {
  // As many columns as the widest entry allows, none cut.
  int widest = 1;
  int tallest = 1;
  int entries = 0;
  for (int i = 0; i < legend->itemCount(); ++i) {
    // (The grid's empty cells count as items too.)
    if (QCPAbstractLegendItem* item = legend->item(i)) {
      const QSize hint = item->minimumOuterSizeHint();
      widest = std::max(widest, hint.width() + legend->columnSpacing());
      tallest = std::max(tallest, hint.height() + legend->rowSpacing());
      ++entries;
    }
  }
  const int columns = std::clamp((size.width() - 20) / widest, 1, 8);
  if (columns != legend->wrap()) {
    legend->setWrap(columns);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
  }
  // A legend taller than a third of the chart would crush the panels into
  // lines: then it makes room for them (the value axes keep their
  // captions, the tooltip its texts).
  const int rows = (entries + columns - 1) / columns;
  const bool fits = entries > 0 && rows * tallest + 5 <= size.height() / 3;
  legend->setVisible(fits);
  if (fits && m_legendRow->layout() == nullptr) {
    // The last row, under the panels (and the title of a picture).
    const int row = plotLayout()->rowCount();
    plotLayout()->addElement(row, 0, m_legendRow);
    plotLayout()->setRowStretchFactor(row, 0.001);
  } else if (!fits && m_legendRow->layout() != nullptr) {
    plotLayout()->take(m_legendRow);
    plotLayout()->simplify();
  }
}

bool CArchiveChart::LegendShown() const { return legend->visible() && m_legendRow->layout() != nullptr; }

// The panels' time axes always show the same time.
double CArchiveChart::From() const { return m_panel[0]->axis(QCPAxis::atBottom)->range().lower; }
double CArchiveChart::To() const { return m_panel[0]->axis(QCPAxis::atBottom)->range().upper; }

void CArchiveChart::ShowAll() {
  if (m_data->GetRowCount() == 0) {
    ShowRange(0, 86400);
    return;
  }
  const double first = static_cast<double>(m_data->FirstTime());
  const double last = static_cast<double>(m_data->LastTime());
  const double pad = std::max((last - first) * 0.01, 1.0);
  ShowRange(first - pad, last + pad);
}

void CArchiveChart::ShowRange(double from, double to) {
  // Adjusted, passed to the other panel and drawn in OnRangeChanged.
  m_panel[0]->axis(QCPAxis::atBottom)->setRange(from, to);
}

void CArchiveChart::OnRangeChanged(const QCPRange& range) {
  if (m_adjusting) return;
  double from = range.lower;
  double to = range.upper;
  // Within the rows, with a little room at the ends, and not narrower
  // than a minute.
  if (m_data->GetRowCount() > 0) {
    const double first = static_cast<double>(m_data->FirstTime());
    const double last = static_cast<double>(m_data->LastTime());
    const double room = std::max((last - first) * 0.05, kMinSpan);
    const double low = first - room;
    const double high = last + room;
    if (to - from < kMinSpan) {
      const double middle = (from + to) / 2;
      from = middle - kMinSpan / 2;
      to = middle + kMinSpan / 2;
    }
    if (to - from > high - low) {
      from = low;
      to = high;
    } else if (from < low) {
      to += low - from;
      from = low;
    } else if (to > high) {
      from -= to - high;
      to = high;
    }
  }
  // The same time in every panel, whichever was moved.
  m_adjusting = true;
  for (QCPAxisRect* panel : m_panel) panel->axis(QCPAxis::atBottom)->setRange(from, to);
  m_adjusting = false;
  Refresh();
}

void CArchiveChart::resizeEvent(QResizeEvent* event) {
  FitLegend(event->size());
  QCustomPlot::resizeEvent(event);
  Refresh();
}

void CArchiveChart::Refresh(int columns) {
  const double from = From();
  const double to = To();
  if (columns <= 0) columns = std::max(PlotArea().width(), width() - 120);
  columns = std::max(columns, 50);
  m_ticker->setDateTimeFormat(TickFormat(to - from));
  const auto lo = static_cast<int64_t>(std::floor(from));
  const auto hi = static_cast<int64_t>(std::ceil(to));
  for (int series = 0; series < 2; ++series) {
    QVector<double> t, keys, values;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    bool dense = false;
    if (m_shown[series]) {
      const std::vector<CChartPoint> points = m_data->Reduce(series, lo, hi, columns);
      // More than a row's two points a pixel column: the reduction's
      // envelope, where a wider pen shows nothing more and, over thousands
      // of strokes up and down, takes seconds to draw.
      dense = points.size() > 2 * static_cast<size_t>(columns);
      t.reserve(static_cast<qsizetype>(points.size()));
      keys.reserve(t.capacity());
      values.reserve(t.capacity());
      for (const CChartPoint& point : points) {
        t.push_back(static_cast<double>(t.size()));
        keys.push_back(point.time);
        values.push_back(point.value);
        if (!point.IsBreak()) {
          low = std::min(low, point.value);
          high = std::max(high, point.value);
        }
      }
    }
    m_curve[series]->setData(t, keys, values, true);
    m_curve[series]->setPen(QPen(ChartSeriesColour(series), dense ? 1.0 : kLineWidth[series]));
    m_curve[series]->valueAxis()->setRange(Fitted(low, high));
  }
  m_marks->bands = MergeBands(m_bands, lo, hi, columns);
  m_marks->incomplete = m_data->IncompleteSpans(lo, hi, columns);
  m_marks->marked = m_markedRow >= 0;
  if (m_marks->marked) {
    m_marks->markedFrom = static_cast<double>(m_data->Start(static_cast<size_t>(m_markedRow)));
    m_marks->markedTo = static_cast<double>(m_data->End(static_cast<size_t>(m_markedRow)));
  }
}

int CArchiveChart::RowAtPixel(double x) const {
  if (m_data->GetRowCount() == 0) return -1;
  return static_cast<int>(m_data->RowAt(static_cast<int64_t>(std::llround(TimeAxis()->pixelToCoord(x)))));
}

void CArchiveChart::MarkRow(int row) {
  row = row >= 0 && row < static_cast<int>(m_data->GetRowCount()) ? row : -1;
  // The table's rebuild unmarks the row before the chart is rebuilt anyway.
  if (row < 0 && m_markedRow < 0) return;
  m_markedRow = row;
  if (m_markedRow >= 0) {
    const auto index = static_cast<size_t>(m_markedRow);
    const double start = static_cast<double>(std::min(m_data->Start(index), m_data->End(index)));
    const double end = static_cast<double>(std::max(m_data->Start(index), m_data->End(index)));
    if (end < From() || start > To()) {
      const double half = (To() - From()) / 2;
      ShowRange((start + end) / 2 - half, (start + end) / 2 + half);
    }
  }
  Refresh();
  replot(QCustomPlot::rpQueuedReplot);
}

bool CArchiveChart::ShowCrosshair(std::optional<QPoint> pos) {
  if (pos && !PlotArea().contains(*pos)) pos.reset();
  if (pos != m_crosshair->at) {
    m_crosshair->at = pos;
    layer(QStringLiteral("cursor"))->replot();
  }
  return pos.has_value();
}

QString CArchiveChart::RowDescription(int row) const {
  if (row < 0 || row >= static_cast<int>(m_data->GetRowCount())) return {};
  const auto index = static_cast<size_t>(row);
  CArchiveRow values;
  values.value1 = m_data->Value(0, index);
  values.value2 = m_data->Value(1, index);
  values.start = m_data->Start(index);
  values.end = m_data->End(index);
  values.archivingPercent = m_data->ArchivingPercent(index);
  values.abnormalCode = m_data->AbnormalCode(index);
  auto cell = [&](EArchiveColumn column) {
    return QString::fromStdString(ArchiveCellText(column, row, values)).trimmed();
  };
  QStringList lines;
  lines << QStringLiteral("№ ") + cell(EArchiveColumn::kNumber);
  lines << QStringLiteral("Начало интервала: ") + cell(EArchiveColumn::kStart);
  lines << QStringLiteral("Конец интервала: ") + cell(EArchiveColumn::kEnd);
  lines << m_caption[0] + QStringLiteral(": ") + cell(EArchiveColumn::kFirst);
  lines << m_caption[1] + QStringLiteral(": ") + cell(EArchiveColumn::kSecond);
  lines << QStringLiteral("Время архивирования: ") + cell(EArchiveColumn::kTime);
  const QString abnormal = cell(EArchiveColumn::kAbnormal);
  if (!abnormal.isEmpty()) lines << QStringLiteral("Нештатная ситуация: ") + abnormal;
  return lines.join(QChar('\n'));
}

}  // namespace tkq::render
