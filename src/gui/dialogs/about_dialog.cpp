#include "gui/dialogs/about_dialog.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "gui/base/program_name.h"
#include "gui/dialogs/dialog_layout.h"

namespace tkq::gui {
namespace {

// The about box's picture: the program's icon when it has one, otherwise
// a drawing of the instrument (a hand-held unit with its display and keys).
QPixmap AboutPicture(int side, qreal ratio) {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    const QSize largest = icon.actualSize(QSize(256, 256));
    return icon.pixmap(largest).scaled(QSize(side, side) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  QPixmap pixmap(QSize(side, side) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = side / 32.0;
  p.scale(s, s);
  p.setPen(QPen(QColor(0x20, 0x30, 0x48), 1.2));
  p.setBrush(QColor(0x3a, 0x5f, 0x8f));
  p.drawRoundedRect(QRectF(6, 1.5, 20, 29), 3, 3);
  p.setBrush(QColor(0xc8, 0xe6, 0xc0));
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setPen(QColor(0x20, 0x40, 0x20));
  QFont digits = QApplication::font();
  digits.setPixelSize(6);
  digits.setBold(true);
  p.setFont(digits);
  p.drawText(QRectF(9, 5, 14, 9), Qt::AlignCenter, QStringLiteral("KQ"));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe8, 0xe8, 0xe8));
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 3; ++col) p.drawEllipse(QRectF(9.5 + col * 5, 18 + row * 5, 3, 3));
  }
  return pixmap;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("О программе"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 235, 121);

  const int side = du.Y(32);
  auto* picture = new QLabel(this);
  picture->setPixmap(AboutPicture(side, devicePixelRatio()));
  picture->setAlignment(Qt::AlignCenter);
  picture->setGeometry(du.X(10), du.Y(10), side, side);

  const auto addText = [this, &du](const QString& text, int y, int h) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(du.Rect(52, y, 173, h));
    return label;
  };
  QLabel* name = addText(kProgramName, 10, 18);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  addText(QStringLiteral("Чтение и просмотр архивов портативного ультразвукового расходомера Тарвик КУ"), 32, 18);
  addText("Версия " + kProgramVersion, 56, 9);
  addText(QStringLiteral("Чтение архивов по последовательному порту (Modbus RTU)"), 70, 18);

  QPushButton* close = AddButton(this, QStringLiteral("ЗАКРЫТЬ"), du.Rect(92, 98, 50, 14));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CAboutDlg::accept);
}

}  // namespace tkq::gui
