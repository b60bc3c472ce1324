#include "gui/base/tool_icons.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

namespace tkq::gui {

QPixmap DisabledPicture(const QPixmap& picture) {
  QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = line[x];
      // Lighter grey than the picture's own shade, and faint.
      const int grey = 128 + qGray(c) / 2;
      line[x] = qRgba(grey, grey, grey, qAlpha(c) / 3);
    }
  }
  return QPixmap::fromImage(image);
}

QIcon ToolIcon(const char* name) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    const QString file = QStringLiteral(":/tools/%1-%2.png").arg(QLatin1String(name)).arg(size);
    if (!QFile::exists(file)) continue;
    const QPixmap picture(file);
    icon.addPixmap(picture, QIcon::Normal);
    icon.addPixmap(DisabledPicture(picture), QIcon::Disabled);
  }
  return icon;
}

}  // namespace tkq::gui
