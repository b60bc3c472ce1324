#include "gui/app/archive_windows.h"

#include <QMdiArea>

#include "gui/app/archive_document.h"
#include "gui/app/main_frame.h"
#include "gui/app/profile.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/param_tree_view.h"
#include "gui/views/settings_view.h"
#include "gui/views/summary_view.h"

namespace tkq::gui {
namespace {

const QString kArchiveTitle = QStringLiteral("Архив измерений");

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
  if (m_frame.Documents().size() == 5) {
    m_frame.ArrangeDocuments();
  } else {
    frame->resize(m_frame.MdiArea()->viewport()->size() * 2 / 3);
  }
  m_frame.MdiArea()->setActiveSubWindow(frame);
}

void CArchiveWindows::ShowSummary() {
  if (!m_document.Object()) return;
  for (CChildFrame* frame : m_frame.Documents()) {
    if (qobject_cast<CSummaryView*>(frame->widget()) != nullptr) {
      m_frame.MdiArea()->setActiveSubWindow(frame);
      return;
    }
  }
  CChildFrame* frame = m_frame.OpenDocument(new CSummaryView(m_document, m_profile), kSummaryTitle);
  frame->resize(m_frame.MdiArea()->viewport()->size() * 3 / 4);
  m_frame.MdiArea()->setActiveSubWindow(frame);
}

}  // namespace tkq::gui
