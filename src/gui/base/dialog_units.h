#pragma once
// Dialog units: layouts given in the units of a dialog's font (a quarter
// of its average character width across, an eighth of its height down),
// turned into pixels for the font the program actually uses, so that a
// larger font gives a proportionally larger dialog and every text fits.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>

namespace tkq::gui {

class CDialogUnits {
 public:
  explicit CDialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    // The average width of the 52 Latin letters, as the platform measures
    // a dialog font.
    m_baseX = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    m_baseY = fm.height();
  }
  int X(int dlu) const { return static_cast<int>(dlu * m_baseX / 4.0 + 0.5); }
  int Y(int dlu) const { return static_cast<int>(dlu * m_baseY / 8.0 + 0.5); }
  QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
  QSize Size(int w, int h) const { return QSize(X(w), Y(h)); }

 private:
  double m_baseX;
  double m_baseY;
};

}  // namespace tkq::gui
