#include "render/chart_layers.h"

#include <algorithm>

#include "render/chart_colours.h"

namespace tkq::render {
namespace {

constexpr int kIncompleteHeight = 5;  // pixels: the marks along the bottom

}  // namespace

CChartOverlay::CChartOverlay(QCustomPlot* plot, const CChartPanels& chart, const QString& layer)
    : QCPLayerable(plot, layer), m_chart(&chart) {}

void CChartMarks::draw(QCPPainter* painter) {
  for (QCPAxisRect* panel : m_chart->Panels()) DrawPanel(painter, panel->rect(), panel->axis(QCPAxis::atBottom));
}

void CChartMarks::DrawPanel(QCPPainter* painter, const QRect& area, const QCPAxis* x) const {
  auto span = [&](double from, double to, int top, int height) {
    const double left = std::max<double>(x->coordToPixel(from), area.left() - 1);
    const double right = std::min<double>(x->coordToPixel(to), area.right() + 1);
    return QRectF(left, top, std::max(2.0, right - left), height);
  };
  painter->setPen(Qt::NoPen);
  for (const CChartBand& band : bands) {
    painter->setBrush(ChartBandColour(band.code));
    painter->drawRect(span(static_cast<double>(band.start), static_cast<double>(band.end), area.top(), area.height()));
  }
  painter->setBrush(QColor(0x40, 0x40, 0x40));
  for (const CChartBand& band : incomplete) {
    painter->drawRect(span(static_cast<double>(band.start), static_cast<double>(band.end),
                           area.bottom() - kIncompleteHeight + 1, kIncompleteHeight));
  }
  if (marked) {
    painter->setBrush(QColor(0, 0, 0, 28));
    painter->setPen(QPen(QColor(0, 0, 0, 140), 1, Qt::DashLine));
    painter->drawRect(span(markedFrom, markedTo, area.top(), area.height() - 1));
    painter->setPen(Qt::NoPen);
  }
}

void CChartCrosshair::draw(QCPPainter* painter) {
  if (!at) return;
  const QRect area = m_chart->PlotArea();
  painter->setPen(QPen(QColor(0x30, 0x30, 0x30, 150), 1, Qt::DotLine));
  painter->drawLine(QLineF(at->x(), area.top(), at->x(), area.bottom()));
  if (const QCPAxisRect* panel = m_chart->PanelAt(*at)) {
    painter->drawLine(QLineF(panel->rect().left(), at->y(), panel->rect().right(), at->y()));
  }
}

void CChartMessage::draw(QCPPainter* painter) {
  painter->setFont(mParentPlot->font());
  painter->setPen(Qt::black);
  painter->drawText(mParentPlot->viewport(), Qt::AlignCenter, m_text);
}

}  // namespace tkq::render
