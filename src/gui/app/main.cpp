// tarvik-monitor: the desktop program.

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QTranslator>

#include "app/application.h"

namespace {

// The program's icon: a dial with the instrument's initials.
QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x5f, 0x9f));
    p.setPen(QPen(QColor(0x10, 0x30, 0x50), std::max(1, size / 16)));
    p.drawEllipse(QRectF(size * 0.05, size * 0.05, size * 0.9, size * 0.9));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(std::max(6, size * 2 / 5));
    p.setFont(font);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "KQ");
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApp(argc, argv);
  QApplication::setWindowIcon(ProgramIcon());
  // Qt's own texts (file dialogs, standard buttons) in Russian.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
  tkq::gui::CTRV_KQ_VRApp app;
  const QStringList args = QApplication::arguments();
  if (!app.InitInstance(args.size() > 1 ? args.at(1) : QString())) return 1;
  return QApplication::exec();
}
