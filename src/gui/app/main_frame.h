#pragma once
// The main window: a frame of document windows with two menus (one while
// no document window is open, one while one is), the toolbar and the
// status bar; and the document window frame.

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QString>
#include <memory>

#include "core/output/print_layout.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace tkq::gui {

// Command identifiers of the program.
enum CommandId : int {
  kCmdReadArchive = 32772,
  kCmdOpen = 57601,
  kCmdSave = 57603,
  kCmdSaveAs = 57604,
  kCmdPrint = 57607,
  kCmdPrintPreview = 57609,
  kCmdPrintSetup = 57606,
  kCmdReport = 32774,
  kCmdExit = 57665,
  kCmdToolbar = 59392,
  kCmdStatusBar = 59393,
  kCmdPortSettings = 32771,
  kCmdFactoryNumber = 32778,
  kCmdFactoryNumberDoc = 32779,
  kCmdCascade = 57650,
  kCmdTile = 57651,
  kCmdArrangeIcons = 57649,
  kCmdHelpContents = 57667,
  kCmdVersions = 32776,
  kCmdAbout = 57664,
  kCmdHelp = 57670,
  kCmdContextHelp = 57669,
  kCmdSaveDescription = 32775,
  kCmdChart = 32780,
  kCmdExportWorkbook = 32781,
  kCmdInstrumentContents = 32782,
};

// What a document window offers to the commands of the frame.
class CViewCommands {
 public:
  virtual ~CViewCommands() = default;
  // The help topic of the window (F1).
  virtual QString HelpTopic() const = 0;
  // "Формирование отчета": whether the window writes a report, and the
  // command itself.
  virtual bool HandlesReport() const { return false; }
  virtual void OnReport() {}
  // "Печать..." and "Предварительный просмотр": whether the window prints,
  // and its lines as they print (null when there is nothing to print).
  virtual bool HandlesPrint() const { return false; }
  virtual std::unique_ptr<CPrintLines> PrintLines() const { return nullptr; }
};

// A document window: one view of the current object.
class CChildFrame : public QMdiSubWindow {
  Q_OBJECT
 public:
  using QMdiSubWindow::QMdiSubWindow;
};

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame();
  ~CMainFrame() override;

  // The action of a command (menu item, toolbar button, accelerator); for
  // "Открыть" the one of the menu shown now.
  QAction* Action(int id) const;
  // Which menu is shown: 128 without document windows, 129 with.
  int MenuId() const { return m_nMenuId; }
  QMdiArea* MdiArea() const { return m_mdi; }
  QToolBar* ToolBar() const { return m_toolBar; }

  // Opens a new window of `view` (which becomes owned by it) titled `title`.
  CChildFrame* OpenDocument(QWidget* view, const QString& title);
  // Places the four windows of an archive: the settings form at its own
  // size in the top left corner with the parameters below it, the archive
  // table in the large space to the right, the abnormal situations below it;
  // a fifth, the chart, between the archive table and the abnormal one.
  void ArrangeDocuments();
  // Closes every document window at once, without asking anything.
  void CloseAllDocuments();
  // The document windows in the order they were opened.
  QList<CChildFrame*> Documents() const;
  // The view of the active document window, or null.
  QWidget* ActiveView() const;
  // Enables and disables the commands for the active window.
  void UpdateCommands();
  // The numbered items of the recent files above "Выход" in both "Файл"
  // menus (none, and no separator, for an empty list).
  void ShowRecentFiles(const QStringList& files);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  QAction* AddAction(int id, const QString& text, const QString& prompt, const QString& tooltip = QString());
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void ShowMenu(int id);
  // The program's name, and the active document window's title after it.
  QString Title() const;
  void UpdateTitle();
  void UpdateIndicators();

  QMdiArea* m_mdi = nullptr;
  QToolBar* m_toolBar = nullptr;
  QHash<int, QAction*> m_actions;
  QAction* m_open128 = nullptr;  // "Открыть ... \tCtrl+O"
  QAction* m_open129 = nullptr;  // "Открыть...\tCtrl+O"
  QList<QMenu*> m_menu128;
  QList<QMenu*> m_menu129;
  int m_nMenuId = 0;
  QList<QAction*> m_recent;  // shared by both "Файл" menus
  QAction* m_recentSeparator = nullptr;
  QLabel* m_idle = nullptr;
  QLabel* m_caps = nullptr;
  QLabel* m_num = nullptr;
  QLabel* m_scroll = nullptr;
};

}  // namespace tkq::gui
