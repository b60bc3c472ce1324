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

QString BuiltInSansFamily() {
  // Registered rather than read as raw fonts: the PDF writer embeds only a
  // font the font database knows (others it draws as outlines, with no
  // text to find or copy).
  static const QString family = [] {
    QString name;
    for (const QString& file : {QStringLiteral(":/fonts/sans.ttf"), QStringLiteral(":/fonts/sans-bold.ttf")}) {
      QFile font(file);
      if (!font.open(QIODevice::ReadOnly)) return QString();
      const QStringList families =
          QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFontFromData(font.readAll()));
      if (families.isEmpty()) return QString();
      name = families.front();
    }
    return name;
  }();
  return family;
}

}  // namespace tkq::render
