#include "render/builtin_font.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace tkq::render {

QString BuiltInFontFamily() {
  static const QString family = [] {
    QFile file(QStringLiteral(":/fonts/print.ttf"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QStringList families =
        QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFontFromData(file.readAll()));
    return families.value(0);
  }();
  return family;
}

}  // namespace tkq::render
