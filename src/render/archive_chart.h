#pragma once
// The measurement archive as a chart: the two values as the archive table
// shows them, each a step over its interval in a panel of its own (the
// first above the second, both over one time axis), no line across an
// outage; the abnormal situations as translucent bands coloured by code
// and the intervals under 100% archiving time marked along the bottom of
// each panel; a legend below. Whatever the number of rows, the lines hold
// a few points a pixel column. Shared by the program's chart window and
// tarvik-kq plot.

#include <qcustomplot.h>

#include <memory>
#include <optional>
#include <vector>

#include "core/output/chart_data.h"
#include "core/output/report.h"
#include "render/chart_colours.h"
#include "render/chart_layers.h"

namespace tkq {
class CObjectDefinition;
}

namespace tkq::render {

class CTimeTicker;
class CValueTicker;

class CArchiveChart : public QCustomPlot, public CChartPanels {
  Q_OBJECT
 public:
  explicit CArchiveChart(QWidget* parent = nullptr);
  ~CArchiveChart() override;

  // Takes the rows of `object` (null: none) under its current output
  // choices; `columns` says which of the two values are drawn. The time
  // shown stays when `keepRange`, else the chart shows every row.
  void SetArchive(const CObjectDefinition* object, const CColumnSwitches& columns, bool keepRange);
  const CChartData& Data() const { return *m_data; }
  bool SeriesShown(int series) const;
  QString SeriesCaption(int series) const { return m_caption[series != 0]; }
  // The whole caption of the value axis beside `pos` (left of a panel),
  // for its tool tip: the axis shows it wrapped or abbreviated where the
  // panel is short. Empty elsewhere.
  QString AxisTitleAt(QPoint pos) const;
  // The title line of a saved picture: the object, its description and
  // the time shown (empty without rows).
  QString ImageTitle() const;

  // The panels shown, from the top (none without rows); their time axes
  // move together.
  std::vector<QCPAxisRect*> Panels() const override;
  // The panel of a value (shown or not).
  QCPAxisRect* Panel(int series) const { return m_panel[series != 0]; }
  // The time axis with the labels, under the lowest panel.
  QCPAxis* TimeAxis() const;
  // The panels together, from the top of the first to the bottom of the
  // last (null without panels), and the one that holds `pos`, if any.
  QRect PlotArea() const override;
  QCPAxisRect* PanelAt(QPoint pos) const override;

  // The time shown, in device seconds.
  double From() const;
  double To() const;
  void ShowAll();
  // Shows [from, to], kept within the rows and at least a minute long.
  void ShowRange(double from, double to);

  // The row whose interval lies under pixel column `x` (the nearest one),
  // or -1 when there are no rows.
  int RowAtPixel(double x) const;
  // Highlights row `row` (-1: none); a row outside the time shown is
  // brought to the middle of it.
  void MarkRow(int row);
  int MarkedRow() const { return m_markedRow; }
  // The row's texts as the archive table shows them, one a line: number,
  // start and end, both values with their captions, archiving time and
  // the abnormal situation, if any.
  QString RowDescription(int row) const;
  // The crosshair at pixel `pos`: the time's line across every panel, the
  // value's across the panel under it. Hidden for nothing or a point off
  // the panels; false then.
  bool ShowCrosshair(std::optional<QPoint> pos);

  // The line of one series as drawn now (tests, benchmarks).
  const QCPCurve* Curve(int series) const { return m_curve[series != 0]; }

  // Writes the chart as shown, `size` pixels (points for a PDF), as PNG,
  // SVG or PDF by the file's extension (ChartImageFormats). The file is
  // replaced only when complete. False with `error` set when it cannot:
  // the message, and on a line of its own the system's reason when there
  // is one. `titled`: the title line (ImageTitle) above the panels.
  // (chart_image.cpp)
  bool SaveImage(const QString& path, QSize size, QString& error, bool titled = true);
  // Draws the chart laid out at `size` pixels with `painter` as it is set
  // (a printed page scales it), as lines and text. (chart_image.cpp)
  void DrawOnPage(QCPPainter& painter, QSize size);
  // Whether the legend is under the panels: not where it would take more
  // than a third of the chart's height.
  bool LegendShown() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The layout, then the axes' titles and the time's labels fitted to the
  // panels' sizes it gave, and laid out again where they changed.
  void updateLayout() override;

 private:
  // The lines, bands and marks for the time shown at `columns` pixel
  // columns, and the value axes fitted to them.
  void Refresh(int columns = 0);
  // Lays the panels out for the rows and the values shown.
  void ArrangePanels();
  // Fits the value axes' titles to their panels; true when one changed.
  bool FitCaptions();
  void OnRangeChanged(const QCPRange& range);
  void UpdateLegend();
  void FitLegend(QSize size);
  // Draws the chart as laid out (BeginExport) on a vector device (SVG, PDF).
  void DrawForExport(QPaintDevice& device);
  // Lays the chart out for a drawing of `size` (with the title line when
  // `titled`), and back for the window.
  void BeginExport(QSize size, bool titled);
  void EndExport();

  std::unique_ptr<CChartData> m_data;
  std::vector<CChartBand> m_bands;               // every abnormal situation
  QCPAxisRect* m_panel[2] = {nullptr, nullptr};  // the first's, the second's
  QCPLayoutGrid* m_legendRow = nullptr;          // under the panels while there is room
  QCPLayoutGrid* m_panels = nullptr;             // those shown, one a row
  std::vector<CChartPanel> m_layout;
  QCPCurve* m_curve[2] = {nullptr, nullptr};
  bool m_shown[2] = {true, true};
  QString m_caption[2];
  QString m_shortCaption[2];  // the printed table's, in the catalogue's abbreviations
  uint8_t m_nObjectNumber = 0;
  QString m_strDescription;
  QSharedPointer<CTimeTicker> m_ticker;  // the time axes'
  QSharedPointer<CValueTicker> m_valueTicker[2];
  QCPTextElement* m_title = nullptr;  // above the panels of a saved picture
  QRect m_windowViewport;             // the window's, while a picture is drawn
  CChartMarks* m_marks = nullptr;
  CChartCrosshair* m_crosshair = nullptr;
  CChartMessage* m_empty = nullptr;    // in place of the panels
  std::vector<QCPBars*> m_legendOnly;  // legend entries of the bands
  int m_markedRow = -1;
  bool m_adjusting = false;
};

}  // namespace tkq::render
