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

#include "gui/app/application.h"
#include "gui/app/lock_keys.h"
#include "gui/app/tool_icons.h"
#include "gui/views/chart_view.h"

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
  ShowMenu(128);
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

QAction* CMainFrame::AddAction(int id, const QString& text, const QString& prompt, const QString& tooltip) {
  auto* action = new QAction(text, this);
  action->setStatusTip(prompt);
  action->setWhatsThis(prompt);
  action->setToolTip(tooltip.isEmpty() ? QString(text).remove(QChar('\t')).section(QChar('\t'), 0, 0) : tooltip);
  action->setData(id);
  addAction(action);  // accelerators work whichever menu is shown
  m_actions.insert(id, action);
  return action;
}

QAction* CMainFrame::Action(int id) const {
  if (id == kCmdOpen) return m_nMenuId == 129 ? m_open129 : m_open128;
  return m_actions.value(id, nullptr);
}

void CMainFrame::BuildMenus() {
  CTRV_KQ_VRApp* app = App();
  auto connectTo = [](QAction* action, auto handler) { QObject::connect(action, &QAction::triggered, handler); };

  QAction* read = AddAction(kCmdReadArchive, "Чтение архива с прибора", "Чтение архива с прибора", " Чтение с прибора");
  read->setIcon(ToolIcon("read"));
  connectTo(read, [app] { app->OnReadArchive(); });

  QAction* onInstrument = AddAction(kCmdInstrumentContents, "Содержимое прибора...",
                                    "Объекты на приборе: записи, файлы и время чтения каждого");
  connectTo(onInstrument, [app] { app->OnInstrumentContents(); });

  m_open128 = new QAction("Открыть ... \tCtrl+O", this);
  m_open129 = new QAction("Открыть...\tCtrl+O", this);
  for (QAction* open : {m_open128, m_open129}) {
    open->setStatusTip("Открытие сохраненного архива");
    open->setWhatsThis("Открытие сохраненного архива");
    open->setToolTip("Открыть");
    open->setIcon(ToolIcon("open"));
    open->setData(kCmdOpen);
    connectTo(open, [app] { app->OnFileOpen(); });
  }
  addAction(m_open128);
  addAction(m_open129);

  QAction* save = AddAction(kCmdSave, "Сохранить\tCtrl+S", "Сохранение архива на диске", "Сохранить");
  save->setShortcut(QKeySequence("Ctrl+S"));
  save->setIcon(ToolIcon("save"));
  connectTo(save, [app] { app->SaveArchive(); });
  QAction* saveAs = AddAction(kCmdSaveAs, "Сохранить как...", "Сохранить архив под новым именем", "Сохранить как");
  connectTo(saveAs, [app] { app->SaveArchiveAs(); });

  QAction* print = AddAction(kCmdPrint, "Печать...\tCtrl+P", "Печать активного документа", "Печать");
  print->setShortcut(QKeySequence("Ctrl+P"));
  print->setIcon(ToolIcon("print"));
  connectTo(print, [app] { app->OnFilePrint(); });
  QAction* preview = AddAction(kCmdPrintPreview, "Предварительный просмотр", "Предварительный просмотр перед печатью",
                               "Пр5едварительный просмотр");
  connectTo(preview, [app] { app->OnFilePrintPreview(); });
  QAction* printSetup =
      AddAction(kCmdPrintSetup, "Настройка печати...", "Настройка параметров печати", "Настройка печати");
  connectTo(printSetup, [app] { app->OnPrintSetup(); });
  QAction* report =
      AddAction(kCmdReport, "Формирование отчета", "Формирование отчета для открытия в Excel", "Перенос в Excel");
  report->setIcon(ToolIcon("report"));
  connectTo(report, [this] {
    if (auto* view = dynamic_cast<CViewCommands*>(ActiveView()); view != nullptr && view->HandlesReport()) {
      view->OnReport();
    }
  });
  QAction* workbook =
      AddAction(kCmdExportWorkbook, "Экспорт в Excel (XLSX)...",
                "Запись архива в книгу Excel: числа, даты и время как в таблицах", "Экспорт в Excel (XLSX)");
  workbook->setIcon(ToolIcon("workbook"));
  connectTo(workbook, [app] { app->OnExportWorkbook(); });
  QAction* exit = AddAction(kCmdExit, "Выход", "Завершение работы программы", "Выход");
  connectTo(exit, [this] { close(); });

  QAction* toolbar = AddAction(kCmdToolbar, "Панель инструментов", "Показать или убрать панель инструментов",
                               "Переключение панели инструментов");
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  QAction* statusBarAction = AddAction(kCmdStatusBar, "Строка состояния", "Показать или убрать строку состояния",
                                       "Переключение строки состояния");
  statusBarAction->setCheckable(true);
  statusBarAction->setChecked(true);
  connectTo(statusBarAction, [this](bool on) { statusBar()->setVisible(on); });

  QAction* port = AddAction(kCmdPortSettings, "Параметры связи", "Настройка параметров связи с блоком");
  connectTo(port, [app] { app->OnPortSettings(); });
  // "Заводской номер": nothing carries it out, and F2 does nothing; the
  // item names no key.
  QAction* factory = AddAction(kCmdFactoryNumber, "Заводской номер", QString());
  AddAction(kCmdFactoryNumberDoc, "Заводской номер", QString());

  QAction* cascade = AddAction(kCmdCascade, "Каскадное", "Расположить окна с перекрытием", "Каскадное расположение");
  connectTo(cascade, [this] { m_mdi->cascadeSubWindows(); });
  QAction* tile = AddAction(kCmdTile, "Заголовки", "Расположить окна без перекрытия", "Без перекрытия");
  connectTo(tile, [this] { m_mdi->tileSubWindows(); });
  QAction* arrange = AddAction(kCmdArrangeIcons, "Упорядочить значки", "Выстроить значки свернутых окон внизу окна",
                               "Упорядочить значки");
  connectTo(arrange, [this] {
    // Minimised windows in a row along the bottom edge.
    int x = 0;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
      if (!w->isMinimized()) continue;
      w->move(x, m_mdi->viewport()->height() - w->height());
      x += w->width();
    }
  });

  QAction* contents = AddAction(kCmdHelpContents, "Вызов справки", "Список разделов справки", "Разделы справки");
  connectTo(contents, [app] { app->OnHelpContents(); });
  QAction* versions = AddAction(kCmdVersions, "Поддерживаемые версии ПО прибора",
                                "Версии ПО приборов, для которых существует их описание");
  connectTo(versions, [app] { app->OnListVersions(); });
  QAction* about = AddAction(kCmdAbout, "О программе", "Отображение информации о программе", "О программе");
  about->setIcon(ToolIcon("about"));
  connectTo(about, [app] { app->OnAbout(); });
  QAction* help = AddAction(kCmdHelp, "Справка", "Справка о текущем окне или команде", "Справка");
  help->setShortcut(QKeySequence(Qt::Key_F1));
  connectTo(help, [app] { app->OnHelp(); });
  QAction* context =
      AddAction(kCmdContextHelp, "Справка по элементу",
                "Щелкните кнопку, команду меню или окно, чтобы получить справку о них", "Справка по элементу");
  context->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  context->setIcon(ToolIcon("context_help"));
  connectTo(context, [app] { app->OnContextHelp(); });
  QAction* chart = AddAction(kCmdChart, "График", "Значения архива измерений во времени", "График");
  chart->setIcon(ToolIcon("chart"));
  connectTo(chart, [app] { app->OnChart(); });
  QAction* saveDescription = AddAction(kCmdSaveDescription, QString(), "Сохранение файла описаний версий приборов");
  connectTo(saveDescription, [app] { app->OnSaveDescription(); });

  // The recent files: numbered items before "Выход", then a separator.
  for (int i = 0; i < CTRV_KQ_VRApp::kRecentFiles; ++i) {
    auto* recent = new QAction(this);
    recent->setVisible(false);
    connectTo(recent, [app, i] { app->OnOpenRecent(i); });
    m_recent << recent;
  }
  m_recentSeparator = new QAction(this);
  m_recentSeparator->setSeparator(true);
  m_recentSeparator->setVisible(false);

  // Menu 128: no document window open.
  auto* file128 = new QMenu("Файл", this);
  file128->addAction(read);
  file128->addAction(onInstrument);
  file128->addAction(m_open128);
  file128->addSeparator();
  file128->addAction(Action(kCmdPrintSetup));
  file128->addSeparator();
  file128->addActions(m_recent);
  file128->addAction(m_recentSeparator);
  file128->addAction(exit);
  // Menu 129: a document window open.
  auto* file129 = new QMenu("Файл", this);
  file129->addAction(read);
  file129->addAction(onInstrument);
  file129->addAction(m_open129);
  file129->addAction(save);
  file129->addAction(saveAs);
  file129->addSeparator();
  file129->addAction(print);
  file129->addAction(Action(kCmdPrintPreview));
  file129->addAction(Action(kCmdPrintSetup));
  file129->addAction(report);
  file129->addAction(workbook);
  file129->addSeparator();
  file129->addActions(m_recent);
  file129->addAction(m_recentSeparator);
  file129->addAction(exit);

  auto* view = new QMenu("Вид", this);
  view->addAction(toolbar);
  view->addAction(statusBarAction);
  auto* view129 = new QMenu("Вид", this);
  view129->addAction(toolbar);
  view129->addAction(statusBarAction);
  view129->addSeparator();
  view129->addAction(chart);
  auto* setup128 = new QMenu("Настройка", this);
  setup128->addAction(port);
  setup128->addAction(factory);
  auto* setup129 = new QMenu("Настройка", this);
  setup129->addAction(port);
  setup129->addAction(Action(kCmdFactoryNumberDoc));
  auto* window = new QMenu("Окно", this);
  window->addAction(cascade);
  window->addAction(tile);
  window->addAction(arrange);
  auto* helpMenu = new QMenu("Помощь", this);
  helpMenu->addAction(contents);
  helpMenu->addSeparator();
  helpMenu->addAction(versions);
  helpMenu->addSeparator();
  helpMenu->addAction(about);

  m_menu128 = {file128, view, setup128, helpMenu};
  m_menu129 = {file129, view129, setup129, window, helpMenu};
}

void CMainFrame::BuildToolBar() {
  m_toolBar = new QToolBar("Панель инструментов", this);
  m_toolBar->setObjectName("toolbar");
  m_toolBar->setMovable(true);
  m_toolBar->setFloatable(true);
  m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->addAction(Action(kCmdReadArchive));
  m_toolBar->addAction(m_open128);
  m_toolBar->addAction(Action(kCmdSave));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(kCmdPrint));
  m_toolBar->addAction(Action(kCmdReport));
  m_toolBar->addAction(Action(kCmdExportWorkbook));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(kCmdAbout));
  m_toolBar->addAction(Action(kCmdContextHelp));
  m_toolBar->addSeparator();
  m_toolBar->addAction(Action(kCmdChart));
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  QAction* toggle = Action(kCmdToolbar);
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
      if (CTRV_KQ_VRApp* app = App()) {
        key->modifiers() & Qt::ShiftModifier ? app->OnContextHelp() : app->OnHelp();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  if (CTRV_KQ_VRApp* app = App(); app != nullptr && app->IsReading()) {
    // The read stops first, within a fraction of a second; then the
    // window closes.
    app->StopReadAndClose();
    e->ignore();
    return;
  }
  // An archive just read and not saved exists nowhere else.
  if (CTRV_KQ_VRApp* app = App(); app != nullptr && !app->QuerySaveRead()) {
    e->ignore();
    return;
  }
  CloseAllDocuments();
  e->accept();
}

void CMainFrame::ShowMenu(int id) {
  if (id == m_nMenuId) return;
  m_nMenuId = id;
  menuBar()->clear();
  for (QMenu* menu : id == 129 ? m_menu129 : m_menu128) menuBar()->addMenu(menu);
  // Ctrl+O belongs to the "Открыть" of the menu shown.
  m_open128->setShortcut(id == 128 ? QKeySequence("Ctrl+O") : QKeySequence());
  m_open129->setShortcut(id == 129 ? QKeySequence("Ctrl+O") : QKeySequence());
}

CChildFrame* CMainFrame::OpenDocument(QWidget* view, const QString& title) {
  auto* frame = new CChildFrame;
  frame->setWidget(view);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowTitle(title);
  m_mdi->addSubWindow(frame);
  connect(frame, &QObject::destroyed, this, [this] { UpdateCommands(); });
  frame->show();
  UpdateCommands();
  return frame;
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
  ShowMenu(anyDocument ? 129 : 128);
  auto* view = dynamic_cast<CViewCommands*>(ActiveView());
  const bool active = view != nullptr;
  Action(kCmdSave)->setEnabled(active);
  Action(kCmdSaveAs)->setEnabled(active);
  Action(kCmdReport)->setEnabled(active && view->HandlesReport());
  const bool prints = active && view->HandlesPrint();
  Action(kCmdPrint)->setEnabled(prints);
  Action(kCmdPrintPreview)->setEnabled(prints);
  Action(kCmdPrintSetup)->setEnabled(true);
  Action(kCmdFactoryNumber)->setEnabled(false);
  Action(kCmdFactoryNumberDoc)->setEnabled(false);
  for (int id : {kCmdCascade, kCmdTile, kCmdArrangeIcons, kCmdChart, kCmdExportWorkbook})
    Action(id)->setEnabled(anyDocument);
  UpdateTitle();
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
