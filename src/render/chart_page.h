#pragma once
// The archive chart on a printed page: the page number and the title every
// printed page carries, and under them the chart as the window shows it,
// laid out for the room left on the page and drawn as lines and text.

#include <QPointer>
#include <string>

#include "render/page_painter.h"

namespace tkq::render {

class CArchiveChart;

class CChartPages : public CPaintedPages {
 public:
  // One page on `printer` as it is set up now (its margins already set).
  CChartPages(CArchiveChart& chart, QPrinter& printer, const std::string& title);

  bool IsValid() const override { return m_page.valid && m_font.IsValid(); }
  int PageCount() const override { return IsValid() ? 1 : 0; }
  void PaintPage(QCPPainter& painter, int page) const override;

  const CDrawnPage& Page() const { return m_page; }
  // The chart's own size on the page, in its pixels (tests).
  QSize ChartSize() const { return m_chartSize; }

 private:
  QPointer<CArchiveChart> m_chart;
  CPrintFont m_font;
  CDrawnPage m_page;
  double m_scale = 1.0;  // device pixels a pixel of the chart
  QSize m_chartSize;
};

}  // namespace tkq::render
