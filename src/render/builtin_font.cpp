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

QByteArray BuiltInFaceData(EBuiltInFace face) {
  const auto read = [](const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  static const QByteArray sans = read(QStringLiteral(":/fonts/sans.ttf"));
  static const QByteArray bold = read(QStringLiteral(":/fonts/sans-bold.ttf"));
  return face == EBuiltInFace::kSansBold ? bold : sans;
}

}  // namespace tkq::render
