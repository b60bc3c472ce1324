#include "render/chart_colours.h"

namespace tkq::render {

QColor ChartSeriesColour(int series) {
  // Blue and vermillion of the Okabe-Ito palette.
  return series == 0 ? QColor(0x00, 0x72, 0xB2) : QColor(0xD5, 0x5E, 0x00);
}

QColor ChartBandColour(uint8_t code) {
  // The rest of the Okabe-Ito palette, for the situations' codes.
  static const QColor kColours[] = {QColor(0xE6, 0x9F, 0x00), QColor(0x56, 0xB4, 0xE9), QColor(0x00, 0x9E, 0x73),
                                    QColor(0xF0, 0xE4, 0x42), QColor(0xCC, 0x79, 0xA7), QColor(0x99, 0x99, 0x99),
                                    QColor(0x66, 0x44, 0x22)};
  QColor colour = kColours[(code + 6) % 7];
  colour.setAlpha(80);
  return colour;
}

}  // namespace tkq::render
