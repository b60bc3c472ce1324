#include "gui/app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>
#include <algorithm>
#include <iterator>

#include "gui/app/lock_keys.h"
#include "gui/base/profile.h"
#include "gui/base/program_name.h"
#include "gui/base/tool_icons.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {

CMainFrame::CMainFrame() {
  setWindowTitle(kMainTitle);
  m_mdi = new QMdiArea(this);
  m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdi);
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  ConnectOwnCommands();
  connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { UpdateCommands(); });
  ShowMenuSet(EMenuSet::kNoDocument);
  UpdateCommands();
  // Most of the screen: four windows of an archive want room.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    resize(available.width() * 9 / 10, available.height() * 9 / 10);
    move(available.center() - rect().center());
  } else {
    resize(1180, 800);
  }
}

CMainFrame::~CMainFrame() {
  // The document windows go while this frame is whole: their going
  // updates the commands.
  qApp->removeEventFilter(this);
  disconnect(m_mdi, nullptr, this, nullptr);
  // Also a window closed a moment ago, whose deletion is still pending.
  for (QMdiSubWindow* w : m_mdi->findChildren<QMdiSubWindow*>()) {
    disconnect(w, nullptr, this, nullptr);
    delete w;
  }
}

namespace {

// Whether another row of the table has the id of row `index`: the command
// is written differently in the two menu sets.
bool IsWrittenTwice(qsizetype index) {
  const ECommand id = kCommands[index].id;
  for (qsizetype i = 0; i < qsizetype(std::size(kCommands)); ++i) {
    if (i != index && kCommands[i].id == id) return true;
  }
  return false;
}

}  // namespace

QAction* CMainFrame::AddAction(const CCommand& command) {
  auto* action = new QAction(QString::fromUtf8(command.text), this);
  const QString prompt = QString::fromUtf8(command.prompt);
  action->setStatusTip(prompt);
  action->setWhatsThis(prompt);
  const QString tip = QString::fromUtf8(command.toolTip);
  action->setToolTip(tip.isEmpty() ? action->text().section(QChar('\t'), 0, 0) : tip);
  if (command.icon != nullptr) action->setIcon(ToolIcon(command.icon));
  if (command.shortcut != nullptr) action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
  if (command.checkable) {
    action->setCheckable(true);
    action->setChecked(true);
  }
  action->setData(static_cast<int>(command.id));
  addAction(action);  // accelerators work whichever menu is shown
  return action;
}

QAction* CMainFrame::Action(ECommand id) const {
  QAction* first = nullptr;
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    if (kCommands[i].id != id) continue;
    if (InMenuSet(kCommands[i].sets, m_menuSet)) return m_actions[i];
    if (first == nullptr) first = m_actions[i];
  }
  return first;
}

void CMainFrame::OnCommand(ECommand id, const std::function<void()>& handler) {
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    if (kCommands[i].id == id) connect(m_actions[i], &QAction::triggered, this, [handler] { handler(); });
  }
}

void CMainFrame::BuildMenus() {
  for (const CCommand& command : kCommands) m_actions.append(AddAction(command));

  // The recent files: numbered items before "Выход", then a separator.
  for (int i = 0; i < CProfile::kRecentFiles; ++i) {
    auto* recent = new QAction(this);
    recent->setVisible(false);
    connect(recent, &QAction::triggered, this, [this, i] { emit RecentFileChosen(i); });
    m_recent << recent;
  }
  m_recentSeparator = new QAction(this);
  m_recentSeparator->setSeparator(true);
  m_recentSeparator->setVisible(false);

  for (EMenuSet set : {EMenuSet::kNoDocument, EMenuSet::kDocument}) {
    QList<QMenu*>& menus = set == EMenuSet::kDocument ? m_menusDocument : m_menusNoDocument;
    for (const CMenuTitle& title : kMenuTitles) {
      if (QMenu* menu = BuildMenu(title, set)) menus.append(menu);
    }
  }
  QAction* exit = Action(ECommand::kExit);
  for (QMenu* menu : m_menusNoDocument + m_menusDocument) {
    if (!menu->actions().contains(exit)) continue;
    menu->insertActions(exit, m_recent);
    menu->insertAction(exit, m_recentSeparator);
  }

  // "Окно": the document windows after its commands.
  for (QMenu* menu : m_menusDocument) {
    if (menu->actions().contains(Action(ECommand::kCascade))) m_windowMenu = menu;
  }
  m_windowSeparator = m_windowMenu->addSeparator();
  m_windowSeparator->setVisible(false);
  // A window's title may change while the menu is closed.
  connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowList);
}

QMenu* CMainFrame::BuildMenu(const CMenuTitle& title, EMenuSet set) {
  QMenu* menu = nullptr;
  // A group's separator comes before its first item shown in this set.
  bool separator = false;
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    const CCommand& command = kCommands[i];
    if (command.menu != title.menu) continue;
    separator = separator || command.groupStart;
    if (!InMenuSet(command.sets, set)) continue;
    if (menu == nullptr) {
      menu = new QMenu(QString::fromUtf8(title.title), this);
    } else if (separator) {
      menu->addSeparator();
    }
    separator = false;
    menu->addAction(m_actions[i]);
  }
  return menu;
}

void CMainFrame::BuildToolBar() {
  m_toolBar = new QToolBar("Панель инструментов", this);
  m_toolBar->setObjectName("toolbar");
  m_toolBar->setMovable(true);
  m_toolBar->setFloatable(true);
  m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_toolBar->setIconSize(QSize(24, 24));
  QList<std::pair<int, QAction*>> buttons;
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    if (kCommands[i].toolBar != 0) buttons.append({kCommands[i].toolBar, m_actions[i]});
  }
  std::sort(buttons.begin(), buttons.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (qsizetype i = 0; i < buttons.size(); ++i) {
    if (i > 0 && buttons[i].first / 10 != buttons[i - 1].first / 10) m_toolBar->addSeparator();
    m_toolBar->addAction(buttons[i].second);
  }
  addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::ConnectOwnCommands() {
  OnCommand(ECommand::kExit, [this] { close(); });
  QAction* toolBar = Action(ECommand::kToolbar);
  connect(toolBar, &QAction::triggered, this, [this](bool on) { m_toolBar->setVisible(on); });
  connect(m_toolBar, &QToolBar::visibilityChanged, toolBar, &QAction::setChecked);
  connect(Action(ECommand::kStatusBar), &QAction::triggered, this, [this](bool on) { statusBar()->setVisible(on); });
  OnCommand(ECommand::kCascade, [this] { m_mdi->cascadeSubWindows(); });
  OnCommand(ECommand::kTile, [this] { m_mdi->tileSubWindows(); });
  OnCommand(ECommand::kArrangeIcons, [this] {
    // Minimised windows in a row along the bottom edge.
    int x = 0;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
      if (!w->isMinimized()) continue;
      w->move(x, m_mdi->viewport()->height() - w->height());
      x += w->width();
    }
  });
}

void CMainFrame::BuildStatusBar() {
  m_idle = new QLabel("Для справки нажмите F1 ", this);
  statusBar()->addWidget(m_idle, 1);
  const int width = fontMetrics().horizontalAdvance("SCRL") + 12;
  for (QLabel** label : {&m_caps, &m_num, &m_scroll}) {
    *label = new QLabel(this);
    (*label)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    (*label)->setAlignment(Qt::AlignCenter);
    (*label)->setMinimumWidth(width);
    statusBar()->addPermanentWidget(*label);
  }
  qApp->installEventFilter(this);
  UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
  const unsigned state = LockIndicators();
  m_caps->setText(state & 1u ? "CAP" : "");
  m_num->setText(state & 2u ? "NUM" : "");
  m_scroll->setText(state & 4u ? "SCRL" : "");
}

bool CMainFrame::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) UpdateIndicators();
  // A maximised document window sets "<title> - [<its title>]" here, on
  // maximising, on activation and after each change of this title: the
  // title goes back to one. (It does not answer its own change again.)
  if (e->type() == QEvent::WindowTitleChange && windowTitle() != Title()) UpdateTitle();
  return QMainWindow::event(e);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) UpdateIndicators();
  }
  // F1 and Shift+F1 in a dialog: the main window's keys do not reach it
  // while it runs, so they are taken here, once, on the way to the dialog.
  if (e->type() == QEvent::KeyPress && QApplication::activeModalWidget() != nullptr) {
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
      Action(key->modifiers() & Qt::ShiftModifier ? ECommand::kContextHelp : ECommand::kHelp)->trigger();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  // A read under way, or an archive just read and not saved.
  if (m_closeGuard && !m_closeGuard()) {
    e->ignore();
    return;
  }
  CloseAllDocuments();
  e->accept();
}

void CMainFrame::ShowMenuSet(EMenuSet set) {
  if (set == m_menuSet && !menuBar()->actions().isEmpty()) return;
  m_menuSet = set;
  const bool document = set == EMenuSet::kDocument;
  menuBar()->clear();
  for (QMenu* menu : document ? m_menusDocument : m_menusNoDocument) menuBar()->addMenu(menu);
  // The key of a command written differently in the two sets belongs to
  // the item of the set shown (Ctrl+O, "Открыть").
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    if (kCommands[i].shortcut == nullptr || !IsWrittenTwice(i)) continue;
    m_actions[i]->setShortcut(
        InMenuSet(kCommands[i].sets, set) ? QKeySequence(QString::fromLatin1(kCommands[i].shortcut)) : QKeySequence());
  }
}

CChildFrame* CMainFrame::OpenDocument(QWidget* view, const QString& title) {
  // Among maximised windows a new one is maximised too: shown at its own
  // size it would stand frameless beside the others.
  const bool maximised = DocumentsMaximised();
  auto* frame = new CChildFrame;
  frame->setWidget(view);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowTitle(title);
  m_mdi->addSubWindow(frame);
  connect(frame, &QObject::destroyed, this, [this] { UpdateCommands(); });
  connect(frame, &QWidget::windowTitleChanged, this, [this] { UpdateWindowList(); });
  if (maximised) {
    frame->showMaximized();
  } else {
    frame->show();
  }
  UpdateCommands();
  return frame;
}

bool CMainFrame::DocumentsMaximised() const {
  const QMdiSubWindow* active = m_mdi->activeSubWindow();
  return active != nullptr && active->isMaximized();
}

void CMainFrame::ArrangeDocuments() {
  const QList<CChildFrame*> frames = Documents();
  if (frames.size() != 4 && frames.size() != 5) {
    m_mdi->tileSubWindows();
    return;
  }
  const QRect area = m_mdi->viewport()->rect();
  CChildFrame* settings = frames[0];
  // The frame around a view: title bar and borders.
  const QSize chrome = settings->size() - settings->widget()->size();
  const QSize form = settings->widget()->sizeHint() + chrome;
  const int leftWidth = std::clamp(form.width(), area.width() / 3, area.width() * 11 / 20);
  const int topHeight = std::clamp(form.height(), area.height() / 3, area.height() * 13 / 20);
  const int rightWidth = area.width() - leftWidth;
  settings->setGeometry(0, 0, leftWidth, topHeight);
  frames[3]->setGeometry(0, topHeight, leftWidth, area.height() - topHeight);
  if (frames.size() == 4) {
    const int archiveHeight = area.height() * 3 / 5;
    frames[1]->setGeometry(leftWidth, 0, rightWidth, archiveHeight);
    frames[2]->setGeometry(leftWidth, archiveHeight, rightWidth, area.height() - archiveHeight);
    return;
  }
  const int archiveHeight = area.height() * 7 / 20;
  const int chartHeight = area.height() * 2 / 5;
  frames[1]->setGeometry(leftWidth, 0, rightWidth, archiveHeight);
  frames[4]->setGeometry(leftWidth, archiveHeight, rightWidth, chartHeight);
  frames[2]->setGeometry(leftWidth, archiveHeight + chartHeight, rightWidth,
                         area.height() - archiveHeight - chartHeight);
}

void CMainFrame::CloseAllDocuments() {
  for (QMdiSubWindow* w : m_mdi->subWindowList()) {
    m_mdi->removeSubWindow(w);
    delete w;
  }
  UpdateCommands();
}

QList<CChildFrame*> CMainFrame::Documents() const {
  QList<CChildFrame*> frames;
  for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    if (auto* frame = qobject_cast<CChildFrame*>(w)) frames.append(frame);
  }
  return frames;
}

QWidget* CMainFrame::ActiveView() const {
  QMdiSubWindow* active = m_mdi->activeSubWindow();
  return active != nullptr ? active->widget() : nullptr;
}

void CMainFrame::UpdateCommands() {
  const bool anyDocument = !m_mdi->subWindowList().isEmpty();
  ShowMenuSet(anyDocument ? EMenuSet::kDocument : EMenuSet::kNoDocument);
  auto* view = dynamic_cast<CViewCommands*>(ActiveView());
  const bool active = view != nullptr;
  for (qsizetype i = 0; i < m_actions.size(); ++i) {
    bool enabled = true;
    switch (kCommands[i].enabled) {
      case EEnabled::kAlways: enabled = true; break;
      case EEnabled::kNever: enabled = false; break;
      case EEnabled::kActiveView: enabled = active; break;
      case EEnabled::kViewReport: enabled = active && view->HandlesReport(); break;
      case EEnabled::kViewPrint: enabled = active && view->HandlesPrint(); break;
      case EEnabled::kAnyDocument: enabled = anyDocument; break;
    }
    m_actions[i]->setEnabled(enabled);
  }
  UpdateTitle();
  UpdateWindowList();
}

void CMainFrame::UpdateWindowList() {
  // Also while a window closes: it has left the list by now, or goes at
  // its deletion, which calls here again.
  const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
  QMdiSubWindow* active = m_mdi->activeSubWindow();
  while (m_windowItems.size() < windows.size()) {
    const int index = static_cast<int>(m_windowItems.size());
    auto* item = new QAction(this);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, index] {
      QMdiSubWindow* window = index < m_listed.size() ? m_listed[index].data() : nullptr;
      if (window == nullptr || !m_mdi->subWindowList().contains(window)) return;
      if (window->isMinimized()) window->showNormal();
      m_mdi->setActiveSubWindow(window);
      UpdateWindowList();  // the check stays on the active one
    });
    m_windowMenu->addAction(item);
    m_windowItems.append(item);
  }
  m_listed.clear();
  for (QMdiSubWindow* window : windows) m_listed.append(window);
  for (int i = 0; i < m_windowItems.size(); ++i) {
    QAction* item = m_windowItems[i];
    item->setVisible(i < windows.size());
    if (i >= windows.size()) continue;
    // "&1" .. "&9" give the keys; later windows are numbered without one.
    const QString title = QString(windows[i]->windowTitle()).replace('&', "&&");
    item->setText(i < 9 ? QString("&%1 %2").arg(i + 1).arg(title) : QString("%1 %2").arg(i + 1).arg(title));
    item->setStatusTip(QStringLiteral("Перейти в окно «%1»").arg(windows[i]->windowTitle()));
    item->setToolTip(windows[i]->windowTitle());
    item->setChecked(windows[i] == active);
  }
  m_windowSeparator->setVisible(!windows.isEmpty());
}

void CMainFrame::ShowRecentFiles(const QStringList& files) {
  for (int i = 0; i < m_recent.size(); ++i) {
    QAction* item = m_recent[i];
    item->setVisible(i < files.size());
    if (i >= files.size()) continue;
    // A long path keeps its beginning and its file name.
    const QString path = QDir::toNativeSeparators(files[i]);
    const QString shown =
        fontMetrics().elidedText(path, Qt::ElideMiddle, fontMetrics().horizontalAdvance(QString(48, 'x')));
    item->setText(QString("&%1 %2").arg(i + 1).arg(QString(shown).replace('&', "&&")));
    item->setStatusTip("Открыть " + path);
    item->setToolTip(path);
  }
  m_recentSeparator->setVisible(!files.isEmpty());
}

QString CMainFrame::Title() const {
  QMdiSubWindow* active = m_mdi != nullptr ? m_mdi->activeSubWindow() : nullptr;
  return active != nullptr ? kMainTitle + " - " + active->windowTitle() : kMainTitle;
}

void CMainFrame::UpdateTitle() { setWindowTitle(Title()); }

}  // namespace tkq::gui
