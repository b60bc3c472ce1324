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

QAction* CMainFrame::AddAction(ECommand id, const QString& text, const QString& prompt, const QString& tooltip) {
  auto* action = new QAction(text, this);
  action->setStatusTip(prompt);
  action->setWhatsThis(prompt);
  action->setToolTip(tooltip.isEmpty() ? QString(text).remove(QChar('\t')).section(QChar('\t'), 0, 0) : tooltip);
  action->setData(static_cast<int>(id));
  addAction(action);  // accelerators work whichever menu is shown
  m_actions.insert(id, action);
  return action;
}

QAction* CMainFrame::Action(ECommand id) const {
  if (id == ECommand::kOpen) return m_menuSet == EMenuSet::kDocument ? m_openDocument : m_openNoDocument;
  return m_actions.value(id, nullptr);
}

void CMainFrame::OnCommand(ECommand id, const std::function<void()>& handler) {
  const QList<QAction*> actions =
      id == ECommand::kOpen ? QList<QAction*>{m_openNoDocument, m_openDocument} : QList<QAction*>{Action(id)};
  for (QAction* action : actions) connect(action, &QAction::triggered, this, [handler] { handler(); });
}

void CMainFrame::BuildMenus() {
  auto connectTo = [](QAction* action, auto handler) { QObject::connect(action, &QAction::triggered, handler); };

  QAction* read =
      AddAction(ECommand::kReadArchive, "Чтение архива с прибора", "Чтение архива с прибора", " Чтение с прибора");
  read->setIcon(ToolIcon("read"));

  QAction* onInstrument = AddAction(ECommand::kInstrumentContents, "Содержимое прибора...",
                                    "Объекты на приборе: записи, файлы и время чтения каждого");

  m_openNoDocument = new QAction("Открыть ... \tCtrl+O", this);
  m_openDocument = new QAction("Открыть...\tCtrl+O", this);
  for (QAction* open : {m_openNoDocument, m_openDocument}) {
    open->setStatusTip("Открытие сохраненного архива");
    open->setWhatsThis("Открытие сохраненного архива");
    open->setToolTip("Открыть");
    open->setIcon(ToolIcon("open"));
    open->setData(static_cast<int>(ECommand::kOpen));
  }
  addAction(m_openNoDocument);
  addAction(m_openDocument);

  QAction* journal = AddAction(ECommand::kJournal, "Журнал обследований\tCtrl+J",
                               "Все считанные архивы: поиск, открытие, добавление и удаление", "Журнал обследований");
  journal->setShortcut(QKeySequence("Ctrl+J"));
  journal->setIcon(ToolIcon("journal"));

  QAction* save = AddAction(ECommand::kSave, "Сохранить\tCtrl+S", "Сохранение архива на диске", "Сохранить");
  save->setShortcut(QKeySequence("Ctrl+S"));
  save->setIcon(ToolIcon("save"));
  QAction* saveAs =
      AddAction(ECommand::kSaveAs, "Сохранить как...", "Сохранить архив под новым именем", "Сохранить как");

  QAction* print = AddAction(ECommand::kPrint, "Печать...\tCtrl+P", "Печать активного документа", "Печать");
  print->setShortcut(QKeySequence("Ctrl+P"));
  print->setIcon(ToolIcon("print"));
  AddAction(ECommand::kPrintPreview, "Предварительный просмотр", "Предварительный просмотр перед печатью",
            "Предварительный просмотр");
  AddAction(ECommand::kPrintSetup, "Настройка печати...", "Настройка параметров печати", "Настройка печати");
  QAction* report = AddAction(ECommand::kReport, "Формирование отчета", "Формирование отчета для открытия в Excel",
                              "Перенос в Excel");
  report->setIcon(ToolIcon("report"));
  connectTo(report, [this] {
    if (auto* view = dynamic_cast<CViewCommands*>(ActiveView()); view != nullptr && view->HandlesReport()) {
      view->OnReport();
    }
  });
  QAction* workbook =
      AddAction(ECommand::kExportWorkbook, "Экспорт в Excel (XLSX)...",
                "Запись архива в книгу Excel: числа, даты и время как в таблицах", "Экспорт в Excel (XLSX)");
  workbook->setIcon(ToolIcon("workbook"));
  QAction* protocol = AddAction(ECommand::kProtocol, "Протокол обследования...",
                                 "Протокол обследования для потребителя: PDF, ODT, просмотр и печать",
                                 "Протокол обследования");
  QAction* exit = AddAction(ECommand::kExit, "Выход", "Завершение работы программы", "Выход");
  connectTo(exit, [this] { close(); });

  QAction* toolbar = AddAction(ECommand::kToolbar, "Панель инструментов", "Показать или убрать панель инструментов",
                               "Переключение панели инструментов");
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  QAction* statusBarAction = AddAction(ECommand::kStatusBar, "Строка состояния", "Показать или убрать строку состояния",
                                       "Переключение строки состояния");
  statusBarAction->setCheckable(true);
  statusBarAction->setChecked(true);
  connectTo(statusBarAction, [this](bool on) { statusBar()->setVisible(on); });

  QAction* port = AddAction(ECommand::kPortSettings, "Параметры связи", "Настройка параметров связи с блоком");
  QAction* find = AddAction(ECommand::kFindInstrument, "Поиск прибора...",
                            "Поиск порта, скорости и адреса, на которых отвечает прибор", "Поиск прибора");
  // "Заводской номер": nothing carries it out, and F2 does nothing; the
  // item names no key.
  QAction* requisites = AddAction(ECommand::kRequisites, "Реквизиты...",
                                  "Организация, логотип, исполнитель и должность для протоколов обследования",
                                  "Реквизиты");
  QAction* factory = AddAction(ECommand::kFactoryNumber, "Заводской номер", QString());
  AddAction(ECommand::kFactoryNumberDoc, "Заводской номер", QString());

  QAction* cascade =
      AddAction(ECommand::kCascade, "Каскадное", "Расположить окна с перекрытием", "Каскадное расположение");
  connectTo(cascade, [this] { m_mdi->cascadeSubWindows(); });
  QAction* tile = AddAction(ECommand::kTile, "Заголовки", "Расположить окна без перекрытия", "Без перекрытия");
  connectTo(tile, [this] { m_mdi->tileSubWindows(); });
  QAction* arrange = AddAction(ECommand::kArrangeIcons, "Упорядочить значки",
                               "Выстроить значки свернутых окон внизу окна", "Упорядочить значки");
  connectTo(arrange, [this] {
    // Minimised windows in a row along the bottom edge.
    int x = 0;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
      if (!w->isMinimized()) continue;
      w->move(x, m_mdi->viewport()->height() - w->height());
      x += w->width();
    }
  });

  QAction* contents = AddAction(ECommand::kHelpContents, "Вызов справки", "Список разделов справки", "Разделы справки");
  QAction* versions = AddAction(ECommand::kVersions, "Поддерживаемые версии ПО прибора",
                                "Версии ПО приборов, для которых существует их описание");
  QAction* about = AddAction(ECommand::kAbout, "О программе", "Отображение информации о программе", "О программе");
  about->setIcon(ToolIcon("about"));
  QAction* help = AddAction(ECommand::kHelp, "Справка", "Справка о текущем окне или команде", "Справка");
  help->setShortcut(QKeySequence(Qt::Key_F1));
  QAction* context =
      AddAction(ECommand::kContextHelp, "Справка по элементу",
                "Щелкните кнопку, команду меню или окно, чтобы получить справку о них", "Справка по элементу");
  context->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  context->setIcon(ToolIcon("context_help"));
  QAction* chart = AddAction(ECommand::kChart, "График", "Значения архива измерений во времени", "График");
  chart->setIcon(ToolIcon("chart"));
  QAction* summary =
      AddAction(ECommand::kSummary, "Сводка", "Итоги архива измерений за все время, по суткам и по месяцам", "Сводка");
  summary->setIcon(ToolIcon("summary"));
  AddAction(ECommand::kSaveDescription, QString(), "Сохранение файла описаний версий приборов");

  // The recent files: numbered items before "Выход", then a separator.
  for (int i = 0; i < CProfile::kRecentFiles; ++i) {
    auto* recent = new QAction(this);
    recent->setVisible(false);
    connectTo(recent, [this, i] { emit RecentFileChosen(i); });
    m_recent << recent;
  }
  m_recentSeparator = new QAction(this);
  m_recentSeparator->setSeparator(true);
  m_recentSeparator->setVisible(false);

  // No document window open.
  auto* fileNoDocument = new QMenu("Файл", this);
  fileNoDocument->addAction(read);
  fileNoDocument->addAction(onInstrument);
  fileNoDocument->addAction(m_openNoDocument);
  fileNoDocument->addAction(journal);
  fileNoDocument->addSeparator();
  fileNoDocument->addAction(Action(ECommand::kPrintSetup));
  fileNoDocument->addSeparator();
  fileNoDocument->addActions(m_recent);
  fileNoDocument->addAction(m_recentSeparator);
  fileNoDocument->addAction(exit);
  // A document window open.
  auto* fileDocument = new QMenu("Файл", this);
  fileDocument->addAction(read);
  fileDocument->addAction(onInstrument);
  fileDocument->addAction(m_openDocument);
  fileDocument->addAction(journal);
  fileDocument->addAction(save);
  fileDocument->addAction(saveAs);
  fileDocument->addSeparator();
  fileDocument->addAction(print);
  fileDocument->addAction(Action(ECommand::kPrintPreview));
  fileDocument->addAction(Action(ECommand::kPrintSetup));
  fileDocument->addAction(report);
  fileDocument->addAction(workbook);
  fileDocument->addAction(protocol);
  fileDocument->addSeparator();
  fileDocument->addActions(m_recent);
  fileDocument->addAction(m_recentSeparator);
  fileDocument->addAction(exit);

  auto* view = new QMenu("Вид", this);
  view->addAction(toolbar);
  view->addAction(statusBarAction);
  auto* viewDocument = new QMenu("Вид", this);
  viewDocument->addAction(toolbar);
  viewDocument->addAction(statusBarAction);
  viewDocument->addSeparator();
  viewDocument->addAction(chart);
  viewDocument->addAction(summary);
  auto* setupNoDocument = new QMenu("Настройка", this);
  setupNoDocument->addAction(port);
  setupNoDocument->addAction(find);
  setupNoDocument->addAction(factory);
  setupNoDocument->addSeparator();
  setupNoDocument->addAction(requisites);
  auto* setupDocument = new QMenu("Настройка", this);
  setupDocument->addAction(port);
  setupDocument->addAction(find);
  setupDocument->addAction(Action(ECommand::kFactoryNumberDoc));
  setupDocument->addSeparator();
  setupDocument->addAction(requisites);
  auto* window = new QMenu("Окно", this);
  window->addAction(cascade);
  window->addAction(tile);
  window->addAction(arrange);
  m_windowSeparator = window->addSeparator();
  m_windowSeparator->setVisible(false);
  m_windowMenu = window;
  // A window's title may change while the menu is closed.
  connect(window, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowList);
  auto* helpMenu = new QMenu("Помощь", this);
  helpMenu->addAction(contents);
  helpMenu->addSeparator();
  helpMenu->addAction(versions);
  helpMenu->addSeparator();
  helpMenu->addAction(about);

  m_menusNoDocument = {fileNoDocument, view, setupNoDocument, helpMenu};
  m_menusDocument = {fileDocument, viewDocument, setupDocument, window, helpMenu};
}

void CMainFrame::BuildToolBar() {
  m_toolBar = new QToolBar("Панель инструментов", this);
  m_toolBar->setObjectName("toolbar");
  m_toolBar->setMovable(true);
  m_toolBar->setFloatable(true);
  m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->addAction(Action(ECommand::kReadArchive));
  m_toolBar->addAction(m_openNoDocument);
  m_toolBar->addAction(Action(ECommand::kJournal));
  m_toolBar->addAction(Action(ECommand::kSave));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(ECommand::kPrint));
  m_toolBar->addAction(Action(ECommand::kReport));
  m_toolBar->addAction(Action(ECommand::kExportWorkbook));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(ECommand::kAbout));
  m_toolBar->addAction(Action(ECommand::kContextHelp));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(ECommand::kChart));
  m_toolBar->addAction(Action(ECommand::kSummary));
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  QAction* toggle = Action(ECommand::kToolbar);
  connect(toggle, &QAction::triggered, m_toolBar, &QToolBar::setVisible);
  connect(m_toolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
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
  // Ctrl+O belongs to the "Открыть" of the menu set shown.
  m_openNoDocument->setShortcut(document ? QKeySequence() : QKeySequence("Ctrl+O"));
  m_openDocument->setShortcut(document ? QKeySequence("Ctrl+O") : QKeySequence());
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
  Action(ECommand::kSave)->setEnabled(active);
  Action(ECommand::kSaveAs)->setEnabled(active);
  Action(ECommand::kReport)->setEnabled(active && view->HandlesReport());
  const bool prints = active && view->HandlesPrint();
  Action(ECommand::kPrint)->setEnabled(prints);
  Action(ECommand::kPrintPreview)->setEnabled(prints);
  Action(ECommand::kPrintSetup)->setEnabled(true);
  Action(ECommand::kFactoryNumber)->setEnabled(false);
  Action(ECommand::kFactoryNumberDoc)->setEnabled(false);
  for (ECommand id : {ECommand::kCascade, ECommand::kTile, ECommand::kArrangeIcons, ECommand::kChart,
                      ECommand::kSummary, ECommand::kExportWorkbook, ECommand::kProtocol})
    Action(id)->setEnabled(anyDocument);
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
