#pragma once
// The archive chart's colours: the curves and the bands come from one
// palette that readers with any common colour blindness can tell apart.

#include <QColor>
#include <cstdint>

namespace tkq::render {

QColor ChartSeriesColour(int series);
QColor ChartBandColour(uint8_t code);

}  // namespace tkq::render
