#pragma once
// The windows of the current archive in the main window: the four (five
// with the chart) opened and placed together for a new object, and the
// summary over them, the chart and the summary when they were open last;
// the tables and the chart rebuilt when the view settings change, the
// table brought to a row another window asks for, "График" and "Сводка".

namespace tkq::gui {

class CArchiveDocument;
class CChildFrame;
class CMainFrame;
class CProfile;

class CArchiveWindows {
 public:
  CArchiveWindows(CMainFrame& frame, CArchiveDocument& document, CProfile& profile);

  // The windows of the document's object, in place of any others: the
  // settings form first, as it hands its initial choices to the object
  // before the archive table is filled; the chart and the summary when
  // they were open last.
  void OpenAll();
  // Rebuilds the measurement archive window, or opens a new one when it
  // has been closed; the chart follows.
  void RefreshArchiveView();
  // Selects row `row` of the measurement archive table and scrolls to it.
  void ShowArchiveRow(int row);
  // "График": opens the chart window or brings it up.
  void ShowChart();
  // "Сводка": opens the summary window or brings it up.
  void ShowSummary();

 private:
  // A new summary window, as wide as its columns.
  CChildFrame* OpenSummary();

  CMainFrame& m_frame;
  CArchiveDocument& m_document;
  CProfile& m_profile;
};

}  // namespace tkq::gui
