// The program as a user meets it: start-up and its defaults, the two
// menus, opening and saving archives, reading from a simulated instrument
// (successful, failed and cancelled), and the connection settings.

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <fstream>

#include "core/archive/saved_archive.h"
#include "core/storage/file_io.h"
#include "gui/app/application.h"
#include "gui/app/context_help.h"
#include "gui/app/dialogs.h"
#include "gui/app/help_window.h"
#include "gui/app/main_frame.h"
#include "gui/app/read_progress.h"
#include "gui/base/profile.h"
#include "program_test.h"
#include "search_lines.h"
#include "simulator/instrument.h"
#include "support/sim_process.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;

namespace {

// The visible items' texts; a recent file's as its number and full path
// (the item itself shortens a long one in the middle).
QStringList MenuTexts(QMenu* menu) {
  static const QRegularExpression recent(QStringLiteral("^&\\d "));
  QStringList texts;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    if (a->isSeparator()) {
      texts << QStringLiteral("-");
    } else if (recent.match(a->text()).hasMatch()) {
      texts << a->text().left(3) + a->toolTip();
    } else {
      texts << a->text();
    }
  }
  return texts;
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QStringList MenuBarTexts(CMainFrame* frame) {
  QStringList texts;
  for (QAction* a : frame->menuBar()->actions()) texts << a->text();
  return texts;
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList DocumentTitles(CMainFrame* frame) {
  QStringList titles;
  for (CChildFrame* f : frame->Documents()) titles << f->windowTitle();
  return titles;
}

// A generated instrument folder and a saved archive of object 1 from it.
struct Instrument {
  explicit Instrument(size_t records = 100, std::vector<int> objects = {1, 2}) {
    sim::GenerateOptions options;
    options.objects = std::move(objects);
    options.records = records;
    options.end = 1700000000;
    std::string error;
    ok = sim::Generate(dir.path().toStdString() + "/instrument", options, error);
  }
  QString Folder() const { return dir.path() + "/instrument"; }
  QTemporaryDir dir;
  bool ok = false;
};

}  // namespace

class TestApplication : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  // A saved archive of `records` hourly records.
  // Opens `path` and changes its description, so that a save would change
  // the file.
  bool OpenChanged(const QString& path) {
    if (!m_app->OpenArchiveFile(path)) return false;
    m_app->Document().SetDescription("Другое описание");
    return true;
  }

  QString SavedArchive(const QString& name, size_t records = 30, uint8_t object = 3) {
    auto description = tkq::test::BuiltInDescription();
    auto obj = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records);
    obj->SetObjectNumber(object);
    obj->m_strDescription = "Котельная";
    const QString path = m_work->filePath(name);
    SaveSavedArchive(path.toStdString(), *obj);
    return path;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() {
    SetFileFaultHook({});  // whatever a test made files do
    End();
  }

  void startUpWritesTheDescriptionOnceAndUsesTheDefaults() {
    // The very first start: no description file yet, nothing to tell.
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(m_ui.messages.isEmpty());
    QCOMPARE(QFileInfo(m_work->filePath("TarvikKQ.def")).size(), 32397);
    QCOMPARE(QString::fromStdString(app.Link().Settings().port), QString("COM2"));
    QCOMPARE(app.Link().Settings().baudRate, 9600u);
    QCOMPARE(int(app.Link().Settings().address), 1);
    QVERIFY(!app.Document().Columns().m_bShowNumber);
    QVERIFY(app.Document().Columns().m_bShowFirst && app.Document().Columns().m_bShowAbnormal &&
            app.Document().Columns().m_bShowArchivingTime);
    QCOMPARE(app.MainFrame()->windowTitle(), QString("Монитор Тарвик КУ (пользовательская версия) 1.25"));
    QVERIFY(!app.Document().Object());

    m_app.reset();
    m_ui.messages.clear();
    Start();
    QVERIFY(m_ui.messages.isEmpty());  // the file written at the first start reads

    // Writing the description again where it cannot be written is said.
    QVERIFY(QFile::remove(m_work->filePath("TarvikKQ.def")));
    QVERIFY(QDir(m_work->path()).mkpath("TarvikKQ.def/in-the-way"));
    m_app->MainFrame()->Action(ECommand::kSaveDescription)->trigger();
    QCOMPARE(m_ui.messages, QStringList{"ОШИБКА ОТКРЫТИЯ ФАЙЛА"});
    QVERIFY(m_ui.details.last().contains("TarvikKQ.def"));

    // A file that is there and does not read is said, with the error icon.
    m_app.reset();
    m_ui.messages.clear();
    QVERIFY(QDir(m_work->filePath("TarvikKQ.def")).removeRecursively());
    QFile damaged(m_work->filePath("TarvikKQ.def"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a description");
    damaged.close();
    Start();
    QCOMPARE(m_ui.messages, QStringList{"НЕВОЗМОЖНО ОТКРЫТЬ ФАЙЛ НАСТРОЕК ВЕРСИЙ ПРИБОРОВ"});
    QCOMPARE(m_ui.icons.first(), QMessageBox::Critical);
    QCOMPARE(QFileInfo(m_work->filePath("TarvikKQ.def")).size(), 32397);
  }

  void inTheHomeFolderTheDescriptionLivesInTheDataFolder() {
#ifdef _WIN32
    // Started from the Start menu: the current folder is the program's own
    // (Windows says where the home folder is, not the environment). The
    // data folder (%LOCALAPPDATA%) is the tests' own.
    const QString startFolder = QCoreApplication::applicationDirPath();
    QStandardPaths::setTestModeEnabled(true);
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const auto restore = qScopeGuard([&] {
      QFile::remove(startFolder + "/TarvikKQ.def");
      QDir(dataFolder + "/Tarvik KQ").removeRecursively();
      QStandardPaths::setTestModeEnabled(false);
    });
#else
    // Started from the desktop menu: the current folder is the home folder.
    const QString startFolder = m_work->path();
    const QString dataFolder = m_work->filePath("data");
    const QByteArray home = qgetenv("HOME"), data = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
      qputenv("HOME", home);
      data.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", data);
    });
    qputenv("HOME", startFolder.toUtf8());
    qputenv("XDG_DATA_HOME", dataFolder.toUtf8());
#endif
    QDir::setCurrent(startFolder);
    const QString kept = dataFolder + "/Tarvik KQ/TarvikKQ.def";
    const QString here = startFolder + "/TarvikKQ.def";
    Start();
    QVERIFY(m_ui.messages.isEmpty());  // a first start
    QCOMPARE(QFileInfo(kept).size(), 32397);
    QVERIFY(!QFile::exists(here));
    m_app.reset();
    m_ui.messages.clear();
    Start();
    QVERIFY(m_ui.messages.isEmpty());  // read from the data folder

    // A file already in the start folder is the user's: it is the one read.
    m_app.reset();
    QVERIFY(QFile::rename(kept, here));
    Start();
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(!QFile::exists(kept));

    // Any other folder keeps to its own file.
    m_app.reset();
    QVERIFY(QDir(m_work->path()).mkdir("objects"));
    QDir::setCurrent(m_work->filePath("objects"));
    Start();
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(QFile::exists(m_work->filePath("objects/TarvikKQ.def")));
    QVERIFY(!QFile::exists(kept));
  }

  void theProfileIsReadAndOddValuesFallBack() {
    {
      QSettings s(m_work->filePath("profile.ini"), QSettings::IniFormat);
      s.setValue("Tarvik KQ/ComIndex", 9);
      s.setValue("Tarvik KQ/ComBoudRate", 5);
      s.setValue("Tarvik KQ/DeviceAddress", 17);
    }
    CTRV_KQ_VRApp& app = Start();
    QCOMPARE(QString::fromStdString(app.Link().Settings().port), QString("COM2"));
    QCOMPARE(app.Link().Settings().baudRate, 38400u);
    QCOMPARE(int(app.Link().Settings().address), 17);
    m_app.reset();
    {
      QSettings s(m_work->filePath("profile.ini"), QSettings::IniFormat);
      s.setValue("Tarvik KQ/PortName", "/dev/serial/by-id/usb-FTDI-if00-port0");
    }
    QCOMPARE(QString::fromStdString(Start().Link().Settings().port), QString("/dev/serial/by-id/usb-FTDI-if00-port0"));
  }

  void theMenusFollowTheDocumentWindows() {
    CTRV_KQ_VRApp& app = Start();
    CMainFrame* frame = app.MainFrame();
    QCOMPARE(frame->MenuSet(), EMenuSet::kNoDocument);
    QCOMPARE(MenuBarTexts(frame), (QStringList{"Файл", "Вид", "Настройка", "Помощь"}));
    QCOMPARE(MenuTexts(frame->menuBar()->actions()[0]->menu()),
             (QStringList{"Чтение архива с прибора", "Содержимое прибора...", "Открыть ... \tCtrl+O",
                          "Журнал обследований\tCtrl+J", "-", "Настройка печати...", "-", "Выход"}));
    QCOMPARE(MenuTexts(frame->menuBar()->actions()[3]->menu()),
             (QStringList{"Вызов справки", "-", "Поддерживаемые версии ПО прибора", "-", "О программе"}));
    QVERIFY(!frame->Action(ECommand::kSave)->isEnabled());
    QVERIFY(!frame->Action(ECommand::kReport)->isEnabled());
    QVERIFY(frame->Action(ECommand::kReadArchive)->isEnabled());
    QVERIFY(!frame->Action(ECommand::kFactoryNumber)->isEnabled());
    // A menu shows an action's key after its text: this item shows none.
    QMenu* setup = frame->menuBar()->actions()[2]->menu();
    QCOMPARE(MenuTexts(setup),
             (QStringList{"Параметры связи", "Поиск прибора...", "Заводской номер", "-", "Реквизиты..."}));
    for (QAction* a : setup->actions()) QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
    QCOMPARE(frame->Action(ECommand::kFindInstrument)->statusTip(),
             QString("Поиск порта, скорости и адреса, на которых отвечает прибор"));

    QVERIFY(app.OpenArchiveFile(SavedArchive("a.sav")));
    QCOMPARE(frame->MenuSet(), EMenuSet::kDocument);
    QCOMPARE(MenuBarTexts(frame), (QStringList{"Файл", "Вид", "Настройка", "Окно", "Помощь"}));
    QCOMPARE(MenuTexts(frame->menuBar()->actions()[0]->menu()),
             (QStringList{"Чтение архива с прибора", "Содержимое прибора...", "Открыть...\tCtrl+O",
                          "Журнал обследований\tCtrl+J", "Сохранить\tCtrl+S", "Сохранить как...", "-",
                          "Печать...\tCtrl+P", "Предварительный просмотр", "Настройка печати...",
                          "Формирование отчета", "Экспорт в Excel (XLSX)...", "Протокол обследования...", "-",
                          "&1 " + Native(m_work->filePath("a.sav")), "-", "Выход"}));
    QCOMPARE(MenuTexts(frame->menuBar()->actions()[2]->menu()),
             (QStringList{"Параметры связи", "Поиск прибора...", "Заводской номер", "-", "Реквизиты..."}));
    QCOMPARE(MenuTexts(frame->menuBar()->actions()[3]->menu()).mid(0, 4),
             (QStringList{"Каскадное", "Заголовки", "Упорядочить значки", "-"}));
    QCOMPARE(frame->Action(ECommand::kPrintPreview)->toolTip(), QString("Предварительный просмотр"));
    QVERIFY(frame->Action(ECommand::kSave)->isEnabled());
    QCOMPARE(frame->Action(ECommand::kOpen)->shortcut(), QKeySequence("Ctrl+O"));

    // The settings form writes no report; the tables do.
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[0]);
    QVERIFY(!frame->Action(ECommand::kReport)->isEnabled());
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[2]);
    QVERIFY(frame->Action(ECommand::kReport)->isEnabled());

    frame->CloseAllDocuments();
    QCOMPARE(frame->MenuSet(), EMenuSet::kNoDocument);
    QVERIFY(!frame->Action(ECommand::kSave)->isEnabled());
  }

  void theFrameStandsWithoutTheApplication() {
    // The frame knows nothing of the application: whoever builds it connects
    // the commands, and a command nobody connected does nothing.
    CMainFrame frame;
    for (int id = static_cast<int>(ECommand::kReadArchive); id < static_cast<int>(ECommand::kCount); ++id) {
      QAction* action = frame.Action(static_cast<ECommand>(id));
      QVERIFY2(action != nullptr, qPrintable(QString::number(id)));
      QCOMPARE(action->data().toInt(), id);  // what the context help reads
      action->trigger();
    }
    int opened = 0;
    frame.OnCommand(ECommand::kOpen, [&opened] { ++opened; });
    frame.Action(ECommand::kOpen)->trigger();
    auto* view = new QWidget;
    frame.OpenDocument(view, "x");
    QCOMPARE(frame.MenuSet(), EMenuSet::kDocument);
    frame.Action(ECommand::kOpen)->trigger();  // the other menu set's item
    QCOMPARE(opened, 2);
    QCOMPARE(HelpTopicOfCommand(ECommand::kOpen), HelpTopicOfCommand(ECommand::kSaveAs));

    bool mayClose = false;
    frame.SetCloseGuard([&mayClose] { return mayClose; });
    frame.show();
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible() && frame.Documents().size() == 1);
    mayClose = true;
    QVERIFY(frame.close());
    QVERIFY(frame.Documents().isEmpty());
  }

  void theMenusToolBarAndKeysComeFromTheCommandTable() {
    // Walks the menu bar of each set and the tool bar against the table:
    // each item shows its row as written, in the table's order, with a
    // separator where a group starts; nothing else stands in them but the
    // recent files and the window list.
    CMainFrame frame;
    for (EMenuSet set : {EMenuSet::kNoDocument, EMenuSet::kDocument}) {
      if (set == EMenuSet::kDocument) frame.OpenDocument(new QWidget, "x");
      QCOMPARE(frame.MenuSet(), set);
      QList<const CCommand*> shown;
      for (const CMenuTitle& title : kMenuTitles) {
        QList<const CCommand*> rows;
        bool separator = false;
        QStringList expected;  // "-" for a separator
        for (const CCommand& command : kCommands) {
          if (command.menu != title.menu) continue;
          separator = separator || command.groupStart;
          if (!InMenuSet(command.sets, set)) continue;
          if (separator && !expected.isEmpty()) expected << "-";
          separator = false;
          expected << QString::fromUtf8(command.text);
          rows << &command;
        }
        QMenu* menu = nullptr;
        for (QAction* a : frame.menuBar()->actions()) {
          if (a->text() == QString::fromUtf8(title.title)) menu = a->menu();
        }
        QCOMPARE(menu != nullptr, !rows.isEmpty());
        if (menu == nullptr) continue;
        QStringList items;
        for (QAction* a : menu->actions()) {
          if (!a->isVisible()) continue;  // the recent files' places, an empty window list's separator
          if (a->isSeparator()) {
            items << "-";
            continue;
          }
          const CCommand* command = FindCommand(static_cast<ECommand>(a->data().toInt()));
          if (command == nullptr) {
            items << "*";  // a window
            continue;
          }
          QCOMPARE(a, frame.Action(command->id));
          items << a->text();
        }
        // "Окно" lists the windows after its commands.
        if (menu == frame.WindowMenu()) expected.append({"-", "*"});
        QCOMPARE(items, expected);
        shown += rows;
      }
      // Every row of the set has its place, and every item its row.
      for (const CCommand& command : kCommands) {
        QCOMPARE(shown.contains(&command), command.menu != EMenu::kNone && InMenuSet(command.sets, set));
      }
      // What one action shows.
      for (const CCommand& command : kCommands) {
        if (command.menu != EMenu::kNone && !InMenuSet(command.sets, set)) continue;
        const QAction* a = frame.Action(command.id);
        const QString text = QString::fromUtf8(command.text);
        QCOMPARE(a->text(), text);
        QCOMPARE(a->statusTip(), QString::fromUtf8(command.prompt));
        QCOMPARE(a->whatsThis(), QString::fromUtf8(command.prompt));
        QCOMPARE(a->toolTip(), *command.toolTip != 0 ? QString::fromUtf8(command.toolTip) : text.section('\t', 0, 0));
        QCOMPARE(a->icon().isNull(), command.icon == nullptr);
        QCOMPARE(a->isCheckable(), command.checkable);
        const QString key = command.shortcut != nullptr ? QString::fromLatin1(command.shortcut) : QString();
        QCOMPARE(a->shortcut().toString(), key);
        // A menu item names its key after a tab, and only its key.
        if (text.contains('\t')) QCOMPARE(text.section('\t', 1), key);
        QVERIFY2(!HelpPage(*command.helpTopic).isEmpty(), qPrintable(*command.helpTopic));
      }
      // The keys that work now: none twice (Qt carries out neither of two
      // actions with the same key).
      QStringList keys;
      for (const QAction* a : frame.actions()) {
        if (a->shortcut().isEmpty()) continue;
        QVERIFY2(!keys.contains(a->shortcut().toString()), qPrintable(a->shortcut().toString()));
        keys << a->shortcut().toString();
      }
    }
    // The tool bar: the rows with a place, in order, a separator between
    // groups.
    QList<const CCommand*> buttons;
    for (const CCommand& command : kCommands) {
      if (command.toolBar != 0) buttons << &command;
    }
    std::sort(buttons.begin(), buttons.end(), [](auto a, auto b) { return a->toolBar < b->toolBar; });
    QStringList expected;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
      if (i > 0 && buttons[i]->toolBar / 10 != buttons[i - 1]->toolBar / 10) expected << "-";
      expected << QString::fromUtf8(buttons[i]->text);
    }
    QStringList tools;
    for (QAction* a : frame.ToolBar()->actions()) {
      tools << (a->isSeparator() ? QString("-") : a->text());
    }
    QCOMPARE(tools, expected);
  }

  void everyCommandOfTheTableHasAHandler() {
    // The program connects every row's action that can be enabled to a
    // handler, the frame's own or the application's, both with the frame
    // as their context; the menus and the tool bar that show the action
    // are receivers of their own. Disconnecting from the frame tells
    // whether it had one. A command may have a row in each menu set, each
    // row an action of its own: the frame makes them in the table's order,
    // each keeping its command.
    CTRV_KQ_VRApp& app = Start();
    CMainFrame* frame = app.MainFrame();
    QList<QAction*> actions;
    for (QAction* action : frame->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
      if (action->data().isValid()) actions << action;
    }
    QCOMPARE(actions.size(), static_cast<qsizetype>(std::size(kCommands)));
    for (size_t row = 0; row < std::size(kCommands); ++row) {
      const CCommand& command = kCommands[row];
      QAction* action = actions[static_cast<qsizetype>(row)];
      QCOMPARE(action->data().toInt(), static_cast<int>(command.id));
      // A row never enabled is carried out by nothing.
      const bool handled = QObject::disconnect(action, &QAction::triggered, frame, nullptr);
      QVERIFY2(handled == (command.enabled != EEnabled::kNever), command.text);
    }
    // And the table has a row for every command.
    for (int id = static_cast<int>(ECommand::kReadArchive); id < static_cast<int>(ECommand::kCount); ++id) {
      QVERIFY2(FindCommand(static_cast<ECommand>(id)) != nullptr, qPrintable(QString::number(id)));
    }
  }

  void openingAnArchiveOpensFourWindows() {
    CTRV_KQ_VRApp& app = Start();
    m_ui.openAnswer = SavedArchive("obj3.sav");
    app.OnFileOpen();
    QCOMPARE(m_ui.titles.last(), QString("Открыть"));
    QCOMPARE(DocumentTitles(app.MainFrame()),
             (QStringList{"Настройка просмотра", "Архив измерений", "Архив нештатных ситуаций", "Параметры"}));
    QCOMPARE(int(app.Document().Object()->GetObjectNumber()), 3);
    QCOMPARE(app.Document().ArchivePath(), m_ui.openAnswer);
    QVERIFY(app.MainFrame()->windowTitle().startsWith("Монитор Тарвик КУ (пользовательская версия) 1.25 - "));

    // A damaged file: the message, and the archive shown before stays.
    const CObjectDefinition* before = app.Document().Object();
    const QString cut = m_work->filePath("cut.sav");
    QFile::copy(m_ui.openAnswer, cut);
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    m_ui.messages.clear();
    QVERIFY(!app.OpenArchiveFile(cut));
    QCOMPARE(m_ui.messages, QStringList{"Неверный формат файла"});
    QCOMPARE(app.Document().Object(), before);
    QCOMPARE(app.MainFrame()->Documents().size(), 4);
    QVERIFY(!app.OpenArchiveFile(m_work->filePath("absent.sav")));
    QCOMPARE(m_ui.messages.last(), QString("Ошибка открытия файла"));

    // Cancelling the dialog changes nothing.
    m_ui.openAnswer.clear();
    app.OnFileOpen();
    QCOMPARE(app.Document().Object(), before);
  }

  void savingWritesTheSameFileAfterwardsWithoutAsking() {
    CTRV_KQ_VRApp& app = Start();
    const QString original = SavedArchive("obj3.sav");
    QVERIFY(app.OpenArchiveFile(original));
    m_ui.titles.clear();
    QVERIFY(app.SaveArchive());
    QVERIFY(m_ui.titles.isEmpty());  // no dialog: the file opened is the file saved

    m_ui.saveAnswer = m_work->filePath("sub/../copy.sav");
    QDir(m_work->path()).mkpath("sub");
    QVERIFY(app.SaveArchiveAs());
    QCOMPARE(m_ui.titles.last(), QString("Сохранить как"));
    QCOMPARE(app.Document().ArchivePath(), m_ui.saveAnswer);
    QCOMPARE(app.Settings().value("CONTROL/DIR").toString(), QFileInfo(m_ui.saveAnswer).absolutePath());
    CReadParamClass description;
    description.LoadBuiltIn();
    auto copy = LoadSavedArchive(std::filesystem::path(m_work->filePath("copy.sav").toStdString()), description);
    QCOMPARE(copy->m_arcRecords.GetSize(), app.Document().Object()->m_arcRecords.GetSize());

    // A file that cannot be written: the message of each command with the
    // reason under it, and the file there before is untouched. A failed
    // "Сохранить как" leaves the document under its name.
    const QString named = app.Document().ArchivePath();
    const QStringList recent = app.RecentFiles();
    m_ui.saveAnswer = m_work->filePath("no-such-folder/x.sav");
    m_ui.messages.clear();
    QVERIFY(!app.SaveArchiveAs());
    QCOMPARE(m_ui.messages, QStringList{"Ошибка открытия файла"});
    QCOMPARE(m_ui.captions.last(), QString("Ошибка"));
    QVERIFY(!m_ui.details.last().isEmpty());
    QCOMPARE(app.Document().ArchivePath(), named);
    QCOMPARE(app.RecentFiles(), recent);
    QVERIFY(app.SaveArchive());  // still to its own file
    QDir(m_work->path()).mkpath("gone");
    m_ui.saveAnswer = m_work->filePath("gone/y.sav");
    QVERIFY(app.SaveArchiveAs());
    QVERIFY(QDir(m_work->filePath("gone")).removeRecursively());
    QVERIFY(!app.SaveArchive());
    QCOMPARE(m_ui.messages.last(), QString("ОШИБКА ОТКРЫТИЯ ФАЙЛА"));
    QVERIFY(m_ui.details.last().contains("y.sav"));

    m_ui.saveAnswer.clear();
    QVERIFY(!app.SaveArchiveAs());
  }

  void aFileThatDoesNotOpenLeavesTheDocumentAsItWas() {
    CTRV_KQ_VRApp& app = Start();
    const QString original = SavedArchive("obj3.sav");
    QVERIFY(app.OpenArchiveFile(original));
    const CObjectDefinition* before = app.Document().Object();
    const QString cut = m_work->filePath("cut.sav");
    QFile::copy(original, cut);
    QFile(cut).resize(QFileInfo(cut).size() / 2);
    const QString pipe = m_work->filePath("pipe");
#ifdef Q_OS_WIN
    QVERIFY(QDir().mkpath(pipe));  // no named pipes in folders there; a folder does not open either
#else
    tkq::test::MakeFifo(pipe.toStdString());
#endif
    m_ui.messages.clear();
    QVERIFY(!app.OpenArchiveFile(pipe));
    QVERIFY(!app.OpenArchiveFile(cut));
    QCOMPARE(m_ui.messages, (QStringList{"Ошибка открытия файла", "Неверный формат файла"}));
    const QStringList details = m_ui.details.mid(m_ui.details.size() - 2);
    QVERIFY(!details[0].isEmpty() && !details[1].isEmpty());  // what was wrong, under each, in Russian
    QVERIFY2(details[0].startsWith("не удается открыть файл " + QDir::toNativeSeparators(pipe) + ": "),
             qPrintable(details[0]));
    QVERIFY2(details[1].startsWith("файл обрывается") && details[1].contains(" на байте "), qPrintable(details[1]));
    QCOMPARE(app.Document().Object(), before);
    QCOMPARE(app.Document().ArchivePath(), original);

    // "Сохранить" writes the document where it came from, not over a file
    // that failed to open.
    const QByteArray cutBytes = FileBytes(cut);
    QFile::remove(original);
    QVERIFY(app.SaveArchive());
    QVERIFY(QFileInfo(original).isFile());
    QCOMPARE(FileBytes(cut), cutBytes);
  }

  void aSaveThatFailsKeepsTheFileAndSaysSo() {
    CTRV_KQ_VRApp& app = Start();
    const QString path = SavedArchive("obj3.sav");
    const QByteArray before = FileBytes(path);
    QVERIFY(OpenChanged(path));

    // A full disk.
    SetFileFaultHook([](EFileStep step) { return step == EFileStep::kWrite ? ENOSPC : 0; });
    m_ui.messages.clear();
    QVERIFY(!app.SaveArchive());
    QCOMPARE(m_ui.messages, QStringList{"ОШИБКА ОТКРЫТИЯ ФАЙЛА"});
    QCOMPARE(m_ui.icons.last(), QMessageBox::Critical);
    QCOMPARE(FileBytes(path), before);

    // "Сохранить как" over a file in a folder that cannot be written (one
    // that says so when the tests run as root, whom no folder refuses).
    SetFileFaultHook({});
    const QString folder = m_work->filePath("read-only");
    QDir().mkdir(folder);
    const QString there = folder + "/obj3.sav";
    QFile::copy(path, there);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) {
      SetFileFaultHook([](EFileStep step) { return step == EFileStep::kCreate ? EACCES : 0; });
    }
    m_ui.saveAnswer = there;
    QVERIFY(!app.SaveArchiveAs());
    QCOMPARE(m_ui.messages.last(), QString("Ошибка открытия файла"));
    QCOMPARE(m_ui.captions.last(), QString("Ошибка"));
    QCOMPARE(FileBytes(there), before);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // A file another program holds open (Windows): said so, with
  // «Повторить» redoing the save or the export, «Отмена» giving it up and
  // the file as it was.
  void aFileHeldElsewhereIsOfferedAgain() {
    CTRV_KQ_VRApp& app = Start();
    const QString path = SavedArchive("obj3.sav");
    const QByteArray before = FileBytes(path);
    QVERIFY(OpenChanged(path));
    int renames = 0;
    int heldFor = 1;  // renames refused
    SetFileFaultHook([&](EFileStep step) { return step == EFileStep::kRename && ++renames <= heldFor ? EBUSY : 0; });
    const QString busy = "Файл открыт в другой программе. Закройте его там и повторите.";

    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Retry};
    QVERIFY(app.SaveArchive());
    QCOMPARE(m_ui.messages, QStringList{busy});
    QCOMPARE(m_ui.buttonsShown.last(), QMessageBox::Retry | QMessageBox::Cancel);
    QVERIFY(m_ui.details.last().contains("obj3.sav"));
    QCOMPARE(renames, 2);
    QVERIFY(FileBytes(path) != before);

    // Held on: asked again at each try; «Отмена» leaves the file as it was.
    const QByteArray saved = FileBytes(path);
    app.Document().SetDescription("Третье описание");
    renames = 0;
    heldFor = 100;
    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Retry, QMessageBox::Cancel};
    QVERIFY(!app.SaveArchive());
    QCOMPARE(m_ui.messages, (QStringList{busy, busy}));
    QCOMPARE(renames, 2);
    QCOMPARE(FileBytes(path), saved);
    QVERIFY(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).filter(".tmp").isEmpty());

    // The workbook, written again on «Повторить».
    renames = 0;
    heldFor = 1;
    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Retry};
    m_ui.saveAnswer = m_work->filePath("held.xlsx");
    app.MainFrame()->Action(ECommand::kExportWorkbook)->trigger();
    QCOMPARE(m_ui.messages, QStringList{busy});
    QVERIFY(FileBytes(m_ui.saveAnswer).startsWith("PK"));
    QCOMPARE(renames, 2);
  }

  void recentFilesAreNumberedAboveExit() {
    const QString a = SavedArchive("a.sav"), b = SavedArchive("b.sav"), c = SavedArchive("c.sav"),
                  d = SavedArchive("d.sav");
    {
      CTRV_KQ_VRApp& app = Start();
      for (const QString& path : {a, b, c, d, b}) QVERIFY(app.OpenArchiveFile(path));
      QCOMPARE(app.RecentFiles(), (QStringList{b, d, c}));  // the latest first, three, each once
      // Under the keys older profiles have them.
      QCOMPARE(app.Settings().value("Recent File List/File1").toString(), b);
      QCOMPARE(app.Settings().value("Recent File List/File3").toString(), c);
    }
    // The next start shows them in the menu without a document, too.
    m_app.reset();
    CTRV_KQ_VRApp& app = Start();
    QStringList texts = MenuTexts(app.MainFrame()->menuBar()->actions()[0]->menu());
    QCOMPARE(texts.mid(texts.size() - 5),
             (QStringList{"&1 " + Native(b), "&2 " + Native(d), "&3 " + Native(c), "-", "Выход"}));
    for (QAction* item : app.MainFrame()->menuBar()->actions()[0]->menu()->actions()) {
      if (item->text().startsWith("&1 ")) QVERIFY2(item->text().endsWith("b.sav"), qPrintable(item->text()));
    }
    // The second item opens d.
    app.OnOpenRecent(1);
    QCOMPARE(app.Document().ArchivePath(), d);
    QCOMPARE(app.RecentFiles(), (QStringList{d, b, c}));
    // A file no longer there: said, and gone from the list and the menu.
    QFile::remove(b);
    m_ui.messages.clear();
    app.OnOpenRecent(1);
    QCOMPARE(m_ui.messages, QStringList{"Ошибка открытия файла"});
    QCOMPARE(m_ui.icons.last(), QMessageBox::Critical);  // as a failed «Открыть»
    QCOMPARE(m_ui.captions.last(), QString("MONITOR Tarvik KQ"));
    QCOMPARE(app.RecentFiles(), (QStringList{d, c}));
    QCOMPARE(app.Document().ArchivePath(), d);  // the document stays
    texts = MenuTexts(app.MainFrame()->menuBar()->actions()[0]->menu());
    QCOMPARE(texts.mid(texts.size() - 4), (QStringList{"&1 " + Native(d), "&2 " + Native(c), "-", "Выход"}));
  }

  void theWorkbookIsWrittenFromTheFileMenu() {
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(!app.MainFrame()->Action(ECommand::kExportWorkbook)->isEnabled());
    QVERIFY(app.OpenArchiveFile(SavedArchive("obj3.sav")));
    QAction* action = app.MainFrame()->Action(ECommand::kExportWorkbook);
    QVERIFY(app.MainFrame()->ToolBar()->actions().contains(action));
    m_ui.messages.clear();
    m_ui.saveAnswer = m_work->filePath("book.xlsx");
    action->trigger();
    QCOMPARE(m_ui.titles.last(), QString("Экспорт в Excel (XLSX)"));
    QVERIFY(m_ui.starts.last().endsWith("/Объект 03.xlsx"));
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(FileBytes(m_ui.saveAnswer).startsWith("PK"));  // a zip, as every workbook
    QCOMPARE(app.MainFrame()->statusBar()->currentMessage(), "Записан файл " + Native(m_ui.saveAnswer));
    // Into a folder that is not there: said, and nothing written.
    m_ui.saveAnswer = m_work->filePath("absent/book.xlsx");
    action->trigger();
    QCOMPARE(m_ui.messages, QStringList{"Ошибка открытия файла"});
    QVERIFY(!QFile::exists(m_ui.saveAnswer));
  }

  void aMaximisedWindowLeavesOneTitle() {
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(app.OpenArchiveFile(SavedArchive("a.sav")));
    CMainFrame* frame = app.MainFrame();
    const QString program = "Монитор Тарвик КУ (пользовательская версия) 1.25";
    CChildFrame* abnormal = frame->Documents()[2];
    frame->MdiArea()->setActiveSubWindow(abnormal);
    abnormal->showMaximized();
    QVERIFY(abnormal->isMaximized());
    QCOMPARE(frame->windowTitle(), program + " - Архив нештатных ситуаций");
    // Another window takes the maximised place, then is restored.
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[3]);
    QVERIFY(frame->Documents()[3]->isMaximized());
    QCOMPARE(frame->windowTitle(), program + " - Параметры");
    frame->Documents()[3]->showNormal();
    QCOMPARE(frame->windowTitle(), program + " - Параметры");
    frame->CloseAllDocuments();
    QCOMPARE(frame->windowTitle(), program);
  }

  void theWindowMenuListsTheWindows() {
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(app.OpenArchiveFile(SavedArchive("a.sav")));
    CMainFrame* frame = app.MainFrame();
    QMenu* menu = frame->WindowMenu();
    const auto listed = [menu] { return MenuTexts(menu).mid(4); };  // after the commands
    const auto checked = [menu] {
      QStringList texts;
      for (QAction* a : menu->actions())
        if (a->isVisible() && a->isChecked()) texts << a->text();
      return texts;
    };
    QCOMPARE(listed(), (QStringList{"&1 Настройка просмотра", "&2 Архив измерений", "&3 Архив нештатных ситуаций",
                                    "&4 Параметры"}));
    QCOMPARE(checked(), QStringList{"&2 Архив измерений"});
    // A window minimised behind a maximised one comes up from the list.
    CChildFrame* parameters = frame->Documents()[3];
    parameters->showMinimized();
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[1]);
    frame->Documents()[1]->showMaximized();
    menu->actions().last()->trigger();
    QCOMPARE(frame->MdiArea()->activeSubWindow(), parameters);
    QVERIFY(!parameters->isMinimized());
    QCOMPARE(checked(), QStringList{"&4 Параметры"});
    // Opened among maximised windows: maximised, listed, checked.
    for (ECommand command : {ECommand::kSummary, ECommand::kChart}) {
      frame->Action(command)->trigger();
      QVERIFY(frame->Documents().last()->isMaximized());
      QCOMPARE(frame->Documents().last()->geometry(), frame->MdiArea()->viewport()->rect());
    }
    QCOMPARE(checked(), QStringList{"&6 График"});
    frame->Documents()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(listed().mid(3), (QStringList{"&4 Сводка", "&5 График"}));
    frame->CloseAllDocuments();
    QCOMPARE(MenuTexts(menu).size(), 3);  // nor the separator
  }

  void theFoldersProposedAreNeverTheProgramsOwn() {
    QTemporaryDir root;
    for (const char* name : {"program", "documents", "home"}) QVERIFY(QDir(root.path()).mkpath(name));
    const QString program = root.filePath("program"), documents = root.filePath("documents"),
                  home = root.filePath("home");
    QFile::link(program, root.filePath("shortcut"));  // a link to it (Windows: a shortcut file, not a folder)
    // The folder last used, the documents, home; the program's, however written, never.
    QCOMPARE(ProposedFolder({program, documents, home}, program), documents);
    QCOMPARE(ProposedFolder({root.filePath("shortcut"), root.filePath("gone"), home}, program + "/"), home);

    // An archive just read: its object and the read's date.
    tkq::test::UseUtcAsLocalTime();
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(app.OpenArchiveFile(SavedArchive("obj3.sav")));
    app.Document().SetArchivePath(QString());  // as a read leaves it
    app.Settings().setValue("CONTROL/DIR", home);
    QVERIFY(!app.SaveArchive());
    QCOMPARE(m_ui.starts.last(), home + "/Объект 03 2023-11-14.sav");
  }

  void aReadOpensFourWindowsAndAsksForADescription() {
    Instrument instrument;
    QVERIFY(instrument.ok);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    QVERIFY(app.OpenArchiveFile(SavedArchive("before.sav")));
    app.Document().SetArchivePath("before.sav");

    m_ui.objectNumber = 2;
    m_ui.description = "Насосная №2";
    app.OnReadArchive();
    QVERIFY2(m_ui.messages.size() <= 1, qPrintable(m_ui.messages.join("; ")));
    QCOMPARE(int(app.Document().Object()->GetObjectNumber()), 2);
    QCOMPARE(QString::fromStdString(app.Document().Object()->m_strDescription), QString("Насосная №2"));
    QCOMPARE(DocumentTitles(app.MainFrame()),
             (QStringList{"Настройка просмотра", "Архив измерений", "Архив нештатных ситуаций", "Параметры"}));
    // Kept in the journal at once: "Сохранить" writes there.
    QVERIFY(app.Document().ArchivePath().startsWith(JournalFolder() + "/"));
    QVERIFY(!app.Document().IsUnsavedRead());
    QCOMPARE(app.Document().Object()->m_arcRecords.GetSize(), size_t{100});
  }

  void theInstrumentsContentsLeadToARead() {
    Instrument instrument(50, {3, 7});
    QVERIFY(instrument.ok);
    CTRV_KQ_VRApp& app = Start();
    QAction* action = app.MainFrame()->Action(ECommand::kInstrumentContents);
    QVERIFY(MenuTexts(app.MainFrame()->menuBar()->actions()[0]->menu()).contains(action->text()));
    {
      if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
      tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
      app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
      m_ui.messages.clear();
      m_ui.chosenObject = 7;
      m_ui.description = "Узел 7";
      action->trigger();
      QVERIFY2(m_ui.messages.isEmpty(), qPrintable(m_ui.messages.join("; ")));
      QCOMPARE(m_ui.shownObjects, (QList<int>{3, 7}));
      QVERIFY(m_ui.shownDevice.startsWith("TARVIK"));
      // The object chosen is read as a read from the menu reads it.
      QVERIFY(app.Document().Object() != nullptr);
      QCOMPARE(int(app.Document().Object()->GetObjectNumber()), 7);
      QCOMPARE(app.Document().Object()->m_arcRecords.GetSize(), size_t{50});
      QCOMPARE(app.MainFrame()->Documents().size(), 4);
    }
    // No instrument on the line: said as a read says it, nothing chosen.
    m_ui.shownObjects.clear();
    app.Link().SetConnection({m_work->filePath("no-such-port").toStdString(), app.Link().Settings().baudRate, 1});
    action->trigger();
    QCOMPARE(m_ui.messages.size(), 1);
    QVERIFY(m_ui.messages[0].startsWith("ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ\n"));  // with the advice after it
    QVERIFY(m_ui.shownObjects.isEmpty());
    QCOMPARE(int(app.Document().Object()->GetObjectNumber()), 7);  // the document stays
  }

  void aFailedReadKeepsThePreviousWindows() {
    Instrument instrument;
    QFile::remove(instrument.Folder() + "/System_0.dev");
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    QVERIFY(app.OpenArchiveFile(SavedArchive("before.sav")));
    const CObjectDefinition* before = app.Document().Object();
    QList<CChildFrame*> windows = app.MainFrame()->Documents();

    m_ui.objectNumber = 1;
    app.OnReadArchive();
    QCOMPARE(m_ui.messages.last(), QString("ОШИБКА ЧТЕНИЯ ФАЙЛОВ"));
    QCOMPARE(m_ui.icons.last(), QMessageBox::Critical);
    QCOMPARE(app.Document().Object(), before);
    QCOMPARE(app.MainFrame()->Documents(), windows);
    QCOMPARE(m_ui.descriptionAsked, 0);

    // A port that does not exist.
    app.Link().SetConnection({"/dev/no-such-port", app.Link().Settings().baudRate, 1});
    app.OnReadArchive();
    QVERIFY(m_ui.messages.last().startsWith("ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ"));

    // No number confirmed: no read at all.
    m_ui.objectNumber = 0;
    const int messages = m_ui.messages.size();
    app.OnReadArchive();
    QCOMPARE(m_ui.messages.size(), messages);
  }

  void aReadCanBeCancelled() {
    Instrument instrument(3000);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {"--baud", "9600"});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    m_ui.objectNumber = 1;
    bool sawProgress = false;
    QTimer::singleShot(800, [&] {
      auto* dialog = qobject_cast<CReadProgressDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      sawProgress = true;
      Child<QPushButton>(dialog, "cancel")->click();
    });
    QElapsedTimer clock;
    clock.start();
    app.OnReadArchive();
    QVERIFY(sawProgress);
    QVERIFY(clock.elapsed() < 5000);  // not the full minute the read would take
    QCOMPARE(m_ui.messages.last(), QString("Чтение прервано пользователем"));
    QVERIFY(!app.Document().Object());
    QVERIFY(app.MainFrame()->Documents().isEmpty());
  }

  void closingTheProgramDuringAReadStopsItAtOnce() {
    Instrument instrument(3000);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {"--baud", "9600"});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    m_ui.objectNumber = 1;
    m_ui.messages.clear();  // the description written at the first start
    QElapsedTimer clock;
    qint64 closedAt = -1;
    QTimer::singleShot(800, [&] {
      QVERIFY(app.IsReading());
      closedAt = clock.elapsed();
      app.MainFrame()->close();
      QVERIFY(app.MainFrame()->isVisible());  // until the read has stopped
    });
    clock.start();
    app.OnReadArchive();
    QVERIFY(closedAt >= 0);
    QVERIFY2(clock.elapsed() - closedAt < 1000, qPrintable(QString::number(clock.elapsed() - closedAt)));
    QVERIFY(!app.IsReading());
    QVERIFY(!app.Link().IsPortOpen());
    QVERIFY(!app.MainFrame()->isVisible());
    QVERIFY(!app.Document().Object());
    QVERIFY(m_ui.messages.isEmpty());
  }

  // With reads not kept in the journal, an archive just read exists nowhere
  // else: closing the program, a new read or an open asks first; an archive
  // saved or opened does not.
  void anArchiveJustReadAsksBeforeItIsClosed() {
    Instrument instrument(20);
    QVERIFY(instrument.ok);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
    CTRV_KQ_VRApp& app = Start();
    app.Profile().SetKeepsReads(false);
    CMainFrame* frame = app.MainFrame();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    const QString other = SavedArchive("other.sav");
    m_ui.objectNumber = 2;
    app.OnReadArchive();
    const CObjectDefinition* read = app.Document().Object();
    QVERIFY(read != nullptr && app.Document().IsUnsavedRead());
    m_ui.messages.clear();

    // "Отмена" keeps everything: the window, the archive, no new read, no
    // other file opened.
    m_ui.answers = {QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Cancel};
    QVERIFY(!frame->close());
    QVERIFY(frame->isVisible());
    app.OnReadArchive();
    QVERIFY(!app.OpenArchiveFile(other));
    QCOMPARE(app.Document().Object(), read);
    QCOMPARE(m_ui.messages, QStringList(3, QStringLiteral("Сохранить архив объекта 2?")));
    QCOMPARE(m_ui.icons.last(), QMessageBox::Question);
    QCOMPARE(m_ui.captions.last(), QStringLiteral("MONITOR Tarvik KQ"));
    QCOMPARE(m_ui.buttonsShown.last(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(m_ui.descriptionAsked, 1);  // only the first read's

    // "Да" with the file dialog cancelled: still nothing lost.
    m_ui.answers = {QMessageBox::Yes};
    QVERIFY(!frame->close());
    QCOMPARE(m_ui.titles.last(), QStringLiteral("Сохранить как"));

    // "Нет" before a new read: the new archive replaces it, and is in turn
    // an archive just read.
    m_ui.answers = {QMessageBox::No};
    app.OnReadArchive();
    QVERIFY(app.Document().Object() != read);
    QVERIFY(app.Document().IsUnsavedRead());

    // "Да" saves it; then the window closes with nothing more asked.
    m_ui.answers = {QMessageBox::Yes};
    m_ui.saveAnswer = m_work->filePath("read.sav");
    m_ui.messages.clear();
    QVERIFY(frame->close());
    QCOMPARE(m_ui.messages.size(), 1);
    QVERIFY(LoadSavedArchive(m_ui.saveAnswer.toStdString(), app.Description()) != nullptr);
    QVERIFY(!app.Document().IsUnsavedRead());

    // An opened archive closes as it always did.
    m_app.reset();
    m_ui.messages.clear();
    CTRV_KQ_VRApp& again = Start();
    QVERIFY(again.OpenArchiveFile(other));
    QVERIFY(again.MainFrame()->close());
    QVERIFY(m_ui.messages.isEmpty());
  }

  void helpKeysReachDialogsAndTheClickedElement() {
    CTRV_KQ_VRApp& app = Start();
    // F1 in a dialog: the dialog's topic, shown while the dialog runs.
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<CPortSettings*>(QApplication::activeModalWidget());
      if (d == nullptr) return;
      QTest::keyClick(Child<QLineEdit>(d, "address"), Qt::Key_F1);
      shown = ShownHelpTopic();
      d->reject();
    });
    app.Reader().OnPortSettings();
    QCOMPARE(shown, help::kConnection);

    // Shift+F1, then a click: the clicked element's topic, and the click
    // does nothing else.
    app.OpenArchiveFile(SavedArchive("obj.sav"));
    CMainFrame* frame = app.MainFrame();
    auto* printButton = qobject_cast<QToolButton*>(frame->ToolBar()->widgetForAction(frame->Action(ECommand::kPrint)));
    QVERIFY(printButton != nullptr);
    frame->Action(ECommand::kContextHelp)->trigger();
    QVERIFY(CContextHelpMode::IsActive());
    QTest::mouseClick(printButton, Qt::LeftButton);
    QVERIFY(!CContextHelpMode::IsActive());
    QCOMPARE(ShownHelpTopic(), help::kPrinting);
    QVERIFY(QApplication::activeModalWidget() == nullptr);  // no print dialog

    frame->Action(ECommand::kContextHelp)->trigger();
    QWidget* archive = frame->Documents()[1]->widget();
    QTest::mouseClick(qobject_cast<QAbstractScrollArea*>(archive)->viewport(), Qt::LeftButton);
    QCOMPARE(ShownHelpTopic(), help::kArchiveView);

    // Escape leaves the mode without help.
    frame->Action(ECommand::kContextHelp)->trigger();
    QTest::keyClick(frame, Qt::Key_Escape);
    QVERIFY(!CContextHelpMode::IsActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void aSilentFirstRequestBeepsOnce() {
    Instrument instrument(20);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {"--silent-first", "1"});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), app.Link().Settings().baudRate, 1});
    m_ui.objectNumber = 1;
    app.OnReadArchive();
    QVERIFY(app.Document().Object());
    QTRY_COMPARE(m_ui.beeps, 1);
  }

  void theConnectionDialogTestsThePortAndWritesTheProfile() {
    CTRV_KQ_VRApp& app = Start();
    // Cancel rewrites the unchanged settings.
    QTimer::singleShot(0, [] {
      if (auto* d = qobject_cast<CPortSettings*>(QApplication::activeModalWidget())) d->reject();
    });
    app.Reader().OnPortSettings();
    QCOMPARE(app.Settings().value("Tarvik KQ/ComIndex").toInt(), 1);
    QCOMPARE(app.Settings().value("Tarvik KQ/ComBoudRate").toInt(), 3);
    QCOMPARE(app.Settings().value("Tarvik KQ/DeviceAddress").toInt(), 1);

    // A port that does not exist: the message; the new rate and address
    // stay applied, the stored port does not change.
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<CPortSettings*>(QApplication::activeModalWidget());
      if (d == nullptr) return;
      Child<QComboBox>(d, "port")->setEditText("/dev/no-such-port");
      Child<QComboBox>(d, "baudRate")->setCurrentIndex(5);
      Child<QLineEdit>(d, "address")->setText("255");
      d->accept();
    });
    app.Reader().OnPortSettings();
    QVERIFY(m_ui.messages.last().startsWith("ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ"));
    QCOMPARE(app.Link().Settings().baudRate, 38400u);
    QCOMPARE(QString::fromStdString(app.Link().Settings().port), QString("/dev/no-such-port"));
    QCOMPARE(app.Settings().value("Tarvik KQ/ComIndex").toInt(), 1);
    QCOMPARE(app.Settings().value("Tarvik KQ/ComBoudRate").toInt(), 5);
    QCOMPARE(app.Settings().value("Tarvik KQ/DeviceAddress").toInt(), 255);

    // A port that opens (the simulator's) is kept under PortName.
    Instrument instrument(5);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<CPortSettings*>(QApplication::activeModalWidget());
      if (d == nullptr) return;
      Child<QComboBox>(d, "port")->setEditText(QString::fromStdString(sim.Path()));
      d->accept();
    });
    app.Reader().OnPortSettings();
    QCOMPARE(app.Settings().value("Tarvik KQ/PortName").toString(), QString::fromStdString(sim.Path()));
  }

  // "Поиск прибора" from the menu: "Отмена" changes nothing; "Применить"
  // writes what it found as "Параметры связи" writes a confirmed choice.
  void theFoundInstrumentBecomesTheConnection() {
    gui::test::CSearchLines lines({"A", "B"});
    lines.instruments["B"] = {2400, 7};
    CTRV_KQ_VRApp& app = Start();
    // A fresh profile's "COM2" is no choice of the user's, and this machine
    // has no such port: it is not searched.
    std::vector<std::string> searched;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<CSearchDialog*>(QApplication::activeModalWidget());
      if (d == nullptr) return;
      searched = d->Ports();
      Child<QPushButton>(d, "close")->click();
    });
    app.MainFrame()->Action(ECommand::kFindInstrument)->trigger();
    QCOMPARE(searched, (std::vector<std::string>{"A", "B"}));
    // The quick search tries the address in use (and 1) at each rate.
    app.Link().SetConnection({"A", 9600, 7});
    const auto search = [&](bool apply) {
      QString topic;
      QTimer::singleShot(0, [&, apply] {
        auto* d = qobject_cast<CSearchDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) return;
        QVERIFY(d->WaitForEnd(5000));
        QCOMPARE(d->Found().size(), size_t{1});
        topic = HelpTopicOf(d);
        apply ? Child<QPushButton>(d, "apply")->click() : Child<QPushButton>(d, "close")->click();
      });
      app.MainFrame()->Action(ECommand::kFindInstrument)->trigger();
      QCOMPARE(topic, help::kSearch);
    };
    search(false);
    QCOMPARE(app.Link().Settings(), (tkq::CLinkSettings{"A", 9600, 7}));
    QVERIFY(!app.Settings().contains("Tarvik KQ/ComBoudRate"));
    QVERIFY(!app.Settings().contains("Tarvik KQ/DeviceAddress"));
    QVERIFY(m_ui.messages.size() <= 1);  // the description's at the start
    const int messages = m_ui.messages.size();

    // "B" is no port of this machine: the link takes it, the profile the
    // rate and the address, and the user hears that the port did not open.
    search(true);
    QCOMPARE(app.Link().Settings(), (tkq::CLinkSettings{"B", 2400, 7}));
    QCOMPARE(app.Settings().value("Tarvik KQ/ComBoudRate").toInt(), 1);
    QCOMPARE(app.Settings().value("Tarvik KQ/DeviceAddress").toInt(), 7);
    QCOMPARE(app.Settings().value("Tarvik KQ/ComIndex").toInt(), 1);
    QCOMPARE(m_ui.messages.size(), messages + 1);
    QVERIFY(m_ui.messages.last().startsWith("ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ"));
    QVERIFY(!app.Settings().contains("Tarvik KQ/PortChosen"));

    // A port that opens is stored as a confirmed one is: under PortName.
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    Instrument instrument(5);
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {});
    // The port in use is searched first even when the machine's list
    // lacks it.
    lines.instruments = {{sim.Path(), {4800, 7}}};
    app.Link().SetConnection({sim.Path(), 9600, 7});
    search(true);
    QCOMPARE(app.Link().Settings(), (tkq::CLinkSettings{sim.Path(), 4800, 7}));
    QCOMPARE(app.Settings().value("Tarvik KQ/PortName").toString(), QString::fromStdString(sim.Path()));
    QCOMPARE(app.Settings().value("Tarvik KQ/ComBoudRate").toInt(), 2);
    QCOMPARE(m_ui.messages.size(), messages + 1);
    // The next start knows the port is the user's.
    QVERIFY(app.Settings().value("Tarvik KQ/PortChosen").toBool());
  }

  // A read without an answer points to the search.
  void noAnswerPointsToTheSearch() {
    Instrument instrument(5);
    if (!tkq::test::kHaveSimulator) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Folder().toStdString(), {"--baud", "9600"});
    CTRV_KQ_VRApp& app = Start();
    app.Link().SetConnection({sim.Path(), 19200, 1});
    m_ui.messages.clear();
    m_ui.objectNumber = 1;
    app.OnReadArchive();
    QCOMPARE(m_ui.messages,
             QStringList{"НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ\nПорт, скорость и адрес прибора можно найти командой "
                         "«Настройка › Поиск прибора»."});
    // Not under a port that did not open.
    app.Link().SetConnection({"/dev/no-such-port", 9600, 1});
    app.OnReadArchive();
    QVERIFY(!m_ui.messages.last().contains("Поиск прибора"));
  }
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"
