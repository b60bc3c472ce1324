#include "gui/app/archive_windows.h"

#include <QMdiArea>
#include <algorithm>

#include "gui/app/main_frame.h"
#include "gui/base/archive_document.h"
#include "gui/base/profile.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/param_tree_view.h"
#include "gui/views/settings_view.h"
#include "gui/views/summary_view.h"

namespace tkq::gui {
namespace {

const QString kArchiveTitle = QStringLiteral("Архив измерений");

// Whether `frames` are the four windows of an archive in their order and
// the chart, which ArrangeDocuments places together.
bool IsArchiveWithChart(const QList<CChildFrame*>& frames) {
  return frames.size() == 5 && qobject_cast<CObjViewSettings*>(frames[0]->widget()) != nullptr &&
         qobject_cast<CTRV_KQ_VRView*>(frames[1]->widget()) != nullptr &&
         qobject_cast<CErrorListView*>(frames[2]->widget()) != nullptr &&
         qobject_cast<CParamTreeView*>(frames[3]->widget()) != nullptr &&
         qobject_cast<CChartView*>(frames[4]->widget()) != nullptr;
}

}  // namespace

CArchiveWindows::CArchiveWindows(CMainFrame& frame, CArchiveDocument& document, CProfile& profile)
    : m_frame(frame), m_document(document), m_profile(profile) {}

void CArchiveWindows::OpenAll() {
  m_frame.CloseAllDocuments();
  m_frame.OpenDocument(new CObjViewSettings(m_document), "Настройка просмотра");
  m_frame.OpenDocument(new CTRV_KQ_VRView(m_document, m_profile), kArchiveTitle);
  m_frame.OpenDocument(new CErrorListView(m_document, m_profile), "Архив нештатных ситуаций");
  m_frame.OpenDocument(new CParamTreeView(m_document, m_profile), "Параметры");
  if (m_profile.ChartWasOpen()) m_frame.OpenDocument(new CChartView(m_document, m_profile), kChartTitle);
  m_frame.ArrangeDocuments();
  if (!m_frame.Documents().isEmpty()) m_frame.MdiArea()->setActiveSubWindow(m_frame.Documents()[1]);
  // The summary over the others, at its own size, as it was left.
  if (m_profile.SummaryWasOpen()) m_frame.MdiArea()->setActiveSubWindow(OpenSummary());
}

void CArchiveWindows::RefreshArchiveView() {
  bool table = false;
  for (CChildFrame* frame : m_frame.Documents()) {
    if (auto* view = qobject_cast<CTRV_KQ_VRView*>(frame->widget()); view != nullptr && !table) {
      view->FillList();
      table = true;
    } else if (auto* chart = qobject_cast<CChartView*>(frame->widget())) {
      // The chart follows the table.
      chart->FillChart();
    } else if (auto* summary = qobject_cast<CSummaryView*>(frame->widget())) {
      summary->FillSummary();
    }
  }
  if (!table) m_frame.OpenDocument(new CTRV_KQ_VRView(m_document, m_profile), kArchiveTitle);
}

void CArchiveWindows::ShowArchiveRow(int row) {
  for (CChildFrame* frame : m_frame.Documents()) {
    if (auto* view = qobject_cast<CTRV_KQ_VRView*>(frame->widget())) {
      const QModelIndex index = view->model()->index(row, 0);
      if (!index.isValid()) return;
      view->selectRow(row);
      view->scrollTo(index, QAbstractItemView::PositionAtCenter);
      return;
    }
  }
}

void CArchiveWindows::ShowChart() {
  if (!m_document.Object()) return;
  m_profile.RememberChartOpen(true);
  for (CChildFrame* frame : m_frame.Documents()) {
    if (qobject_cast<CChartView*>(frame->widget()) != nullptr) {
      m_frame.MdiArea()->setActiveSubWindow(frame);
      return;
    }
  }
  CChildFrame* frame = m_frame.OpenDocument(new CChartView(m_document, m_profile), kChartTitle);
  // A maximised window keeps the whole area; otherwise the chart takes its
  // place among the four of the archive, or a size of its own beside others.
  if (!frame->isMaximized()) {
    if (IsArchiveWithChart(m_frame.Documents())) {
      m_frame.ArrangeDocuments();
    } else {
      frame->resize(m_frame.MdiArea()->viewport()->size() * 2 / 3);
    }
  }
  m_frame.MdiArea()->setActiveSubWindow(frame);
}

void CArchiveWindows::ShowSummary() {
  if (!m_document.Object()) return;
  m_profile.RememberSummaryOpen(true);
  for (CChildFrame* frame : m_frame.Documents()) {
    if (qobject_cast<CSummaryView*>(frame->widget()) != nullptr) {
      m_frame.MdiArea()->setActiveSubWindow(frame);
      return;
    }
  }
  m_frame.MdiArea()->setActiveSubWindow(OpenSummary());
}

CChildFrame* CArchiveWindows::OpenSummary() {
  CChildFrame* frame = m_frame.OpenDocument(new CSummaryView(m_document, m_profile), kSummaryTitle);
  if (frame->isMaximized()) return frame;
  // Wide enough for every column when the area is, and most of its height;
  // against the right edge, where the tables are.
  const QSize area = m_frame.MdiArea()->viewport()->size();
  const QSize wanted = frame->sizeHint();
  const QSize size(std::min(wanted.width(), area.width()),
                   std::min(std::max(wanted.height(), area.height() * 3 / 4), area.height()));
  frame->setGeometry(std::max(area.width() - size.width(), 0), 0, size.width(), size.height());
  return frame;
}

}  // namespace tkq::gui
