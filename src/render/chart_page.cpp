#include "render/chart_page.h"

#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "render/archive_chart.h"

namespace tkq::render {
namespace {

// The chart's pixels an inch: as on a screen, so that its texts come out
// at the size they have there.
constexpr double kChartDpi = 96.0;

}  // namespace

CChartPages::CChartPages(CArchiveChart& chart, QPrinter& printer, const std::string& title)
    : m_chart(&chart), m_font(printer) {
  m_page = DrawnPrintPage(title, MeasurePrintPage(printer, m_font));
  m_scale = std::max(printer.resolution(), 1) / kChartDpi;
  const CPrintRect& body = m_page.body;
  m_chartSize = QSize(static_cast<int>(std::floor((body.right - body.left) / m_scale)),
                      static_cast<int>(std::floor((body.bottom - body.top) / m_scale)));
  // A chart too small to lay out has no place on the page either.
  if (m_chartSize.width() < 100 || m_chartSize.height() < 100) m_page.valid = false;
}

void CChartPages::PaintPage(QCPPainter& painter, int page) const {
  if (!IsValid() || page != 1) return;
  PaintPrintPage(painter, m_page.header, m_font);
  if (m_chart.isNull()) return;
  painter.save();
  painter.translate(m_page.body.left, m_page.body.top);
  painter.scale(m_scale, m_scale);
  m_chart->DrawOnPage(painter, m_chartSize);
  painter.restore();
}

}  // namespace tkq::render
