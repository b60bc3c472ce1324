#pragma once
// The main window: a frame of document windows with two menu sets (one
// while no document window is open, one while one is), the toolbar and the
// status bar; and the document window frame. The menus, the toolbar and
// the keys come from the table of commands (commands.h). The frame carries
// out the commands about itself (its windows, bars and "Выход"); whoever
// builds it connects the others (OnCommand).

#include <QList>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <functional>

#include "gui/app/commands.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace tkq::gui {

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
  // "Открыть" the one of the menu set shown now.
  QAction* Action(ECommand id) const;
  // Carries out `handler` for command `id` (each of its actions).
  void OnCommand(ECommand id, const std::function<void()>& handler);
  // Asked before the window closes; false keeps it open.
  void SetCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
  // Which menu set is shown.
  EMenuSet MenuSet() const { return m_menuSet; }
  QMdiArea* MdiArea() const { return m_mdi; }
  QToolBar* ToolBar() const { return m_toolBar; }

  // Opens a new window of `view` (which becomes owned by it) titled `title`;
  // maximised when the active one is, as the others then are.
  CChildFrame* OpenDocument(QWidget* view, const QString& title);
  // Whether the document windows are maximised (the active one is).
  bool DocumentsMaximised() const;
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
  // The "Окно" menu: its commands, then the document windows numbered in
  // the order they were opened, the active one checked; choosing one
  // brings it up, also from an icon.
  QMenu* WindowMenu() const { return m_windowMenu; }

 signals:
  // The numbered item `index` (from 0) of the recent files was chosen.
  void RecentFileChosen(int index);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  QAction* AddAction(const CCommand& command);
  void BuildMenus();
  // The items of `menu` in menu set `set`; null when it has none there.
  QMenu* BuildMenu(const CMenuTitle& menu, EMenuSet set);
  // The handlers of the commands about the frame itself.
  void ConnectOwnCommands();
  void BuildToolBar();
  void BuildStatusBar();
  void ShowMenuSet(EMenuSet set);
  // The program's name, and the active document window's title after it.
  QString Title() const;
  void UpdateTitle();
  void UpdateIndicators();
  void UpdateWindowList();

  QMdiArea* m_mdi = nullptr;
  QToolBar* m_toolBar = nullptr;
  // m_actions[i] is the action of kCommands[i].
  QList<QAction*> m_actions;
  QList<QMenu*> m_menusNoDocument;
  QList<QMenu*> m_menusDocument;
  EMenuSet m_menuSet = EMenuSet::kDocument;
  std::function<bool()> m_closeGuard;
  QList<QAction*> m_recent;  // shared by both "Файл" menus
  QAction* m_recentSeparator = nullptr;
  QMenu* m_windowMenu = nullptr;
  QAction* m_windowSeparator = nullptr;
  // The items of the window list, reused; m_listed[i] is item i's window.
  QList<QAction*> m_windowItems;
  QList<QPointer<QMdiSubWindow>> m_listed;
  QLabel* m_idle = nullptr;
  QLabel* m_caps = nullptr;
  QLabel* m_num = nullptr;
  QLabel* m_scroll = nullptr;
};

}  // namespace tkq::gui
