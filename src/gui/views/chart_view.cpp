#include "gui/views/chart_view.h"

#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>

#include "core/archive/object_definition.h"
#include "gui/base/archive_document.h"
#include "gui/base/help_topics.h"
#include "gui/base/messages.h"
#include "gui/base/profile.h"
#include "gui/base/tool_icons.h"
#include "gui/base/ui_services.h"
#include "render/archive_chart.h"
#include "render/chart_image.h"
#include "render/chart_page.h"

namespace tkq::gui {

CChartView::CChartView(CArchiveDocument& document, CProfile& profile, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_profile(profile),
      m_chart(new render::CArchiveChart(this)),
      m_menu(new QMenu(this)) {
  setWhatsThis(
      "График: значения архива измерений во времени, как их показывает таблица архива. "
      "Колесо мыши меняет масштаб, перетаскивание сдвигает, перетаскивание с Shift или Ctrl "
      "выделяет промежуток, двойной щелчок или Home показывает весь архив.");
  auto* save = new QAction(ToolIcon("save_chart"), "Сохранить график...", this);
  save->setStatusTip("Сохранение графика в файл " + render::ChartImageFormatsText());
  connect(save, &QAction::triggered, this, &CChartView::OnSaveChart);
  auto* all = new QAction(ToolIcon("show_all"), "Весь архив", this);
  all->setStatusTip("Показать весь архив (Home, двойной щелчок)");
  connect(all, &QAction::triggered, m_chart, &render::CArchiveChart::ShowAll);
  connect(all, &QAction::triggered, this, [this] { m_chart->replot(QCustomPlot::rpQueuedReplot); });
  auto* tools = new QToolBar(this);
  tools->setIconSize(QSize(16, 16));
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->addAction(save);
  tools->addAction(all);
  m_menu->addAction(save);
  m_menu->addAction(all);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(m_chart, 1);

  // Each panel moves and zooms the time only, which the panels share.
  m_chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  m_chart->setFocusPolicy(Qt::StrongFocus);
  m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
  m_chart->setMouseTracking(true);
  m_chart->installEventFilter(this);
  connect(m_chart, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { m_menu->popup(m_chart->mapToGlobal(pos)); });
  connect(m_chart, &QCustomPlot::mousePress, this, &CChartView::OnMousePress);
  connect(m_chart, &QCustomPlot::mouseRelease, this, &CChartView::OnMouseRelease);
  connect(m_chart, &QCustomPlot::mouseMove, this, &CChartView::OnMouseMove);
  connect(m_chart, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) {
    m_chart->ShowAll();
    m_chart->replot(QCustomPlot::rpQueuedReplot);
  });
  connect(m_chart->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect& rect, QMouseEvent*) {
    if (rect.width() >= 3) {
      const double a = m_chart->TimeAxis()->pixelToCoord(rect.left());
      const double b = m_chart->TimeAxis()->pixelToCoord(rect.right());
      m_chart->ShowRange(std::min(a, b), std::max(a, b));
      m_chart->replot(QCustomPlot::rpQueuedReplot);
    }
  });

  // The linked tables.
  connect(&m_document, &CArchiveDocument::ArchiveRowSelected, this, [this](int row) { m_chart->MarkRow(row); });
  connect(&m_document, &CArchiveDocument::AbnormalSelected, this, &CChartView::ShowAbnormal);
  FillChart();
}

void CChartView::FillChart() {
  m_chart->SetArchive(m_document.Object(), m_document.Columns(), m_filled);
  m_filled = true;
}

QString CChartView::HelpTopic() const { return help::kChart; }

std::unique_ptr<render::CPaintedPages> CChartView::PaintedPages(QPrinter& printer) const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || m_chart->Data().GetRowCount() == 0) return nullptr;
  return std::make_unique<render::CChartPages>(*m_chart, printer, PrintTitle(*object));
}

void CChartView::ShowAbnormal(int index) {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || index < 0 || index >= object->GetAbnormalCount()) return;
  const CErrArcElem* record = object->m_errRecords[static_cast<size_t>(index)];
  if (record == nullptr) return;
  const double start = std::min(record->m_nBegin, record->m_nEnd);
  const double end = std::max(record->m_nBegin, record->m_nEnd);
  // The situation in the middle third, and at least a few of the usual
  // intervals around it.
  const double room = std::max(end - start, 3.0 * static_cast<double>(m_chart->Data().TypicalInterval()));
  m_chart->ShowRange(start - room, end + room);
  m_chart->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::OnSaveChart() {
  const CObjectDefinition* object = m_document.Object();
  const QString name =
      QString("График объекта %1.png").arg(object != nullptr ? object->GetObjectNumber() : 0, 2, 10, QChar('0'));
  QSize size = m_chart->size().expandedTo(QSize(800, 400));
  const QString path = Ui().AskChartFile(this, QDir(m_profile.RememberedFolder()).filePath(name), size);
  if (path.isEmpty()) return;
  m_profile.RememberFolder(path);
  for (;;) {
    QString error;
    if (m_chart->SaveImage(path, size, error)) return;
    // The message, and under it the system's reason when there is one. A
    // picture another program holds open may be written again once it
    // lets go.
    const QString message = error.section('\n', 0, 0);
    if (message == kMsgFileBusy) {
      if (AppMessage(this, message, QMessageBox::Warning, QMessageBox::Retry | QMessageBox::Cancel,
                     error.section('\n', 1)) == QMessageBox::Retry) {
        continue;
      }
      return;
    }
    AppMessage(this, message, QMessageBox::Critical, QMessageBox::Ok, error.section('\n', 1));
    return;
  }
}

void CChartView::keyPressEvent(QKeyEvent* event) {
  const double span = m_chart->To() - m_chart->From();
  const double middle = (m_chart->From() + m_chart->To()) / 2;
  switch (event->key()) {
    case Qt::Key_Home: m_chart->ShowAll(); break;
    case Qt::Key_Left: m_chart->ShowRange(m_chart->From() - span / 10, m_chart->To() - span / 10); break;
    case Qt::Key_Right: m_chart->ShowRange(m_chart->From() + span / 10, m_chart->To() + span / 10); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: m_chart->ShowRange(middle - span / 3, middle + span / 3); break;
    case Qt::Key_Minus: m_chart->ShowRange(middle - span * 0.75, middle + span * 0.75); break;
    default: QWidget::keyPressEvent(event); return;
  }
  m_chart->replot(QCustomPlot::rpQueuedReplot);
}

void CChartView::closeEvent(QCloseEvent* event) {
  // The user closed the chart: it does not open with the next archive.
  m_profile.RememberChartOpen(false);
  QWidget::closeEvent(event);
}

bool CChartView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_chart && event->type() == QEvent::Leave) {
    HideCrosshair();
    QToolTip::hideText();
  }
  return QWidget::eventFilter(watched, event);
}

void CChartView::OnMousePress(QMouseEvent* event) {
  m_pressPos = event->pos();
  m_pressed = event->button() == Qt::LeftButton;
  // Shift or Ctrl: a rubber band instead of moving the chart.
  const bool band =
      event->button() == Qt::LeftButton && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
  m_chart->setSelectionRectMode(band ? QCP::srmCustom : QCP::srmNone);
  if (band) m_pressed = false;
  HideCrosshair();
}

void CChartView::OnMouseRelease(QMouseEvent* event) {
  if (m_chart->selectionRectMode() != QCP::srmNone) {
    // After the rubber band has finished with this release.
    QTimer::singleShot(0, m_chart, [chart = m_chart] { chart->setSelectionRectMode(QCP::srmNone); });
  }
  const bool click = m_pressed && (event->pos() - m_pressPos).manhattanLength() < 4;
  m_pressed = false;
  if (!click || m_chart->PanelAt(event->pos()) == nullptr) return;
  const int row = m_chart->RowAtPixel(event->pos().x());
  if (row < 0) return;
  m_chart->MarkRow(row);
  m_document.ShowArchiveRow(row);
}

void CChartView::OnMouseMove(QMouseEvent* event) {
  if (event->buttons() != Qt::NoButton) return;
  const QString text = HoverAt(event->pos());
  if (text.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint() + QPoint(16, 16), text, m_chart);
  }
}

QString CChartView::HoverAt(QPoint pos) {
  if (!m_chart->ShowCrosshair(pos)) return m_chart->AxisTitleAt(pos);
  return m_chart->RowDescription(m_chart->RowAtPixel(pos.x()));
}

void CChartView::HideCrosshair() { m_chart->ShowCrosshair(std::nullopt); }

}  // namespace tkq::gui
