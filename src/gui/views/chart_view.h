#pragma once
// "График": the measurement archive over time, as the archive table shows
// it under the view settings, each value in a panel of its own over the
// time they share. The wheel zooms the time around the cursor,
// a drag moves it, a drag with Shift or Ctrl zooms to the range drawn, a
// double click or Home shows everything; the cursor shows the row under
// it. A click selects the row in the archive table; a row selected there
// is marked here, and a situation selected in the abnormal table is
// brought into view.

#include <QPoint>
#include <QWidget>

#include "gui/views/view_commands.h"

class QMenu;

namespace tkq::render {
class CArchiveChart;
}

namespace tkq::gui {

// The title of the chart window.
inline const QString kChartTitle = QStringLiteral("График");

class CArchiveDocument;
class CProfile;

class CChartView : public QWidget, public CViewCommands {
  Q_OBJECT
 public:
  CChartView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);

  // Redraws the chart from the object under the current view settings,
  // keeping the time shown.
  void FillChart();
  render::CArchiveChart* Chart() const { return m_chart; }

  // "Сохранить график...": asks for the file and the size, then writes it.
  void OnSaveChart();
  // Shows situation `index` of the abnormal archive with some time around.
  void ShowAbnormal(int index);
  // Moves the crosshair to pixel `pos` of the chart and returns the text
  // of the row under it (what the tooltip shows); beside a value axis, its
  // whole title.
  QString HoverAt(QPoint pos);

  QString HelpTopic() const override;
  // "Печать..." and "Предварительный просмотр": the chart on one page
  // under the printed pages' title.
  bool HandlesPrint() const override { return true; }
  std::unique_ptr<render::CPaintedPages> PaintedPages(QPrinter& printer) const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnMousePress(QMouseEvent* event);
  void OnMouseRelease(QMouseEvent* event);
  void OnMouseMove(QMouseEvent* event);
  void HideCrosshair();

  CArchiveDocument& m_document;
  CProfile& m_profile;
  render::CArchiveChart* m_chart;
  QMenu* m_menu;
  QPoint m_pressPos;
  bool m_pressed = false;
  bool m_filled = false;
};

}  // namespace tkq::gui
