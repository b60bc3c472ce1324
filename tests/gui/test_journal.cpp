// The survey journal in the program: a read kept at once (with the
// description given after it), the question before discarding a read only
// where nothing kept it, and the window: found as the user types and by
// dates, opened, removed, saved back, added to.

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QtTest>
#include <cerrno>

#include "core/archive/saved_archive.h"
#include "core/storage/file_io.h"
#include "gui/app/journal_window.h"
#include "gui/base/messages.h"
#include "gui/views/archive_view.h"
#include "program_test.h"
#include "render/fs_path.h"
#include "simulator/instrument.h"
#include "support/sim_process.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;

namespace {

constexpr const char* kVersion = "TARVIK 59.11.03.04";

// A survey of object `number` from the instrument `serial`, records from
// `start` hourly.
std::unique_ptr<CObjectDefinition> Survey(const CReadParamClass& d, int number, const std::string& serial,
                                          const std::string& description, uint32_t start, int64_t readTime) {
  auto object = tkq::test::MakeObject(d, kVersion, 0, 1, 24, {}, start);
  object->SetObjectNumber(static_cast<uint8_t>(number));
  object->m_strDeviceId = std::string(kVersion) + " " + serial;
  object->m_strDescription = description;
  object->m_tRead = readTime;
  return object;
}

// Seconds of the instrument's clock at midnight of a day.
uint32_t Day(int year, int month, int day) {
  return static_cast<uint32_t>(QDate(1970, 1, 1).daysTo(QDate(year, month, day)) * 86400);
}

QStringList Column(const CSurveyTableModel& model, int column) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
  return texts;
}

}  // namespace

class TestJournal : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  // Three surveys kept: boiler house on Lenina (March), pump station
  // (April), a school (May), read in that order.
  void KeepThree() {
    CSurveyJournal* journal = m_app->Journal();
    QVERIFY(journal != nullptr);
    const CReadParamClass& d = m_app->Description();
    journal->Keep(*Survey(d, 3, "SN 0001234", "Котельная, ул. Ленина 5", Day(2026, 3, 10), 1773100000));
    journal->Keep(*Survey(d, 7, "SN 0005678", "Насосная №2", Day(2026, 4, 20), 1776700000));
    journal->Keep(*Survey(d, 3, "SN 0001234", "Школа 12", Day(2026, 5, 5), 1778000000));
  }

  CJournalWindow* Window() {
    m_app->MainFrame()->Action(ECommand::kJournal)->trigger();
    return m_app->JournalWindow();
  }

  void Choose(CJournalWindow* window, int row) {
    window->Table()->clearSelection();
    window->Table()->setCurrentIndex(window->Model()->index(row, 0));
    window->Table()->selectRow(row);
  }

  // Reads object 2 of a generated instrument with the description
  // `description`; false when the simulator is not at hand.
  bool ReadFromSimulator(const QString& description, const std::function<void()>& during = {}) {
    if (!tkq::test::kHaveSimulator) return false;
    sim::GenerateOptions options;
    options.objects = {2};
    options.records = 20;
    options.end = 1700000000;
    std::string error;
    const QString folder = m_work->filePath("instrument");
    if (!QDir(folder).exists() && !sim::Generate(folder.toStdString(), options, error)) return false;
    tkq::test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.toStdString(), {});
    m_app->Link().SetConnection({sim.Path(), m_app->Link().Settings().baudRate, 1});
    m_ui.objectNumber = 2;
    m_ui.description = description;
    m_ui.descriptionConfirmed = !description.isNull();
    if (during) during();
    m_app->OnReadArchive();
    return true;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() {
    SetFileFaultHook({});
    End();
  }

  void aReadIsKeptAtOnceWithItsDescription() {
    CTRV_KQ_VRApp& app = Start();
    if (!ReadFromSimulator("Котельная на Ленина")) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    QVERIFY2(m_ui.messages.size() <= 1, qPrintable(m_ui.messages.join("; ")));  // the description file's
    const QString path = app.Document().ArchivePath();
    QVERIFY2(path.startsWith(JournalFolder() + "/"), qPrintable(path));
    QVERIFY(!app.Document().IsUnsavedRead());
    QCOMPARE(app.MainFrame()->statusBar()->currentMessage(),
             QStringLiteral("Архив сохранен в журнале: ") + QDir::toNativeSeparators(path));
    QCOMPARE(app.MainFrame()->Documents().size(), 4);
    // The file holds the description given after the read, and the index too.
    QCOMPARE(LoadSavedArchive(render::FsPath(path), app.Description())->m_strDescription,
             std::string("Котельная на Ленина"));
    const std::vector<CSurveyEntry> kept = app.Journal()->List();
    QCOMPARE(kept.size(), size_t{1});
    QCOMPARE(kept[0].description, std::string("Котельная на Ленина"));
    QCOMPARE(kept[0].objectNumber, 2);

    // The window lists it; closing the program asks nothing.
    CJournalWindow* window = Window();
    QCOMPARE(window->Model()->rowCount(), 1);
    QCOMPARE(window->CountLine()->text(), QStringLiteral("Обследований: 1"));
    m_ui.messages.clear();
    QVERIFY(app.MainFrame()->close());
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(!window->isVisible());
  }

  void theSameReadAgainIsNotKeptTwice() {
    CTRV_KQ_VRApp& app = Start();
    if (!ReadFromSimulator("Котельная")) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    const QString first = app.Document().ArchivePath();
    // Read again, the description dialog cancelled: the kept one stays.
    QVERIFY(ReadFromSimulator(QString()));
    QCOMPARE(app.Document().ArchivePath(), first);
    QCOMPARE(app.MainFrame()->statusBar()->currentMessage(),
             QStringLiteral("Архив уже есть в журнале: ") + QDir::toNativeSeparators(first));
    QCOMPARE(app.Document().Object()->m_strDescription, std::string("Котельная"));
    QCOMPARE(app.Journal()->List().size(), size_t{1});
  }

  void withKeepingOffTheQuestionStays() {
    CTRV_KQ_VRApp& app = Start();
    app.Profile().SetKeepsReads(false);
    if (!ReadFromSimulator("Насосная")) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    QVERIFY(app.Document().ArchivePath().isEmpty());
    QVERIFY(app.Document().IsUnsavedRead());
    QVERIFY(!QDir(JournalFolder()).exists());  // not even opened
    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Cancel};
    QVERIFY(!app.MainFrame()->close());
    QCOMPARE(m_ui.messages, QStringList{QStringLiteral("Сохранить архив объекта 2?")});
    // The window's check box is the same setting.
    CJournalWindow* window = Window();
    QVERIFY(!window->KeepCheck()->isChecked());
    window->KeepCheck()->click();
    QVERIFY(app.Profile().KeepsReads());
  }

  void aFailedKeepStillOpensTheWindowsAndKeepsTheQuestion() {
    CTRV_KQ_VRApp& app = Start();
    QVERIFY(app.Journal() != nullptr);
    // The disk fills up while the kept file is written.
    const bool read = ReadFromSimulator("Узел", [] {
      SetFileFaultHook([](EFileStep step) { return step == EFileStep::kWrite ? ENOSPC : 0; });
    });
    SetFileFaultHook({});
    if (!read) QSKIP("tarvik-kq-sim serves a pseudo-terminal (POSIX only)");
    QVERIFY(m_ui.messages.contains(kMsgNotKept));
    QVERIFY2(!m_ui.details.last().isEmpty(), "the reason under the message");
    QCOMPARE(app.MainFrame()->Documents().size(), 4);
    QVERIFY(app.Document().ArchivePath().isEmpty());
    QVERIFY(app.Document().IsUnsavedRead());
    QVERIFY(app.Journal()->List().empty());
    QCOMPARE(QDir(JournalFolder()).entryList({"*.sav"}, QDir::Files), QStringList());
    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Cancel};
    QVERIFY(!app.MainFrame()->close());
    QCOMPARE(m_ui.messages, QStringList{QStringLiteral("Сохранить архив объекта 2?")});
  }

  void aJournalThatCannotBeOpenedIsSaidOnce() {
    CTRV_KQ_VRApp& app = Start();
    QFile blocker(m_work->filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    app.Profile().SetJournalFolder(m_work->filePath("file/Журнал"));
    m_ui.messages.clear();
    CJournalWindow* window = Window();
    QCOMPARE(m_ui.messages, QStringList{kMsgJournalUnavailable});
    QVERIFY(m_ui.details.last().contains("file"));
    QCOMPARE(window->Model()->rowCount(), 0);
    // Choosing a usable folder brings it back; an unusable one is refused.
    m_ui.folderAnswer = m_work->filePath("file/other");
    window->ChooseJournalFolder();
    QCOMPARE(app.Profile().JournalFolder(), m_work->filePath("file/Журнал"));
    m_ui.folderAnswer = JournalFolder();
    window->ChooseJournalFolder();
    QCOMPARE(app.Profile().JournalFolder(), JournalFolder());
    QVERIFY(app.Journal() != nullptr);
    QCOMPARE(window->FolderLine()->text(), QDir::toNativeSeparators(JournalFolder()));
  }

  void theWindowFindsAsTheUserTypesAndByDates() {
    tkq::test::UseUtcAsLocalTime();
    Start();
    KeepThree();
    CJournalWindow* window = Window();
    QAction* journal = m_app->MainFrame()->Action(ECommand::kJournal);
    QCOMPARE(journal->shortcut(), QKeySequence("Ctrl+J"));
    QVERIFY(m_app->MainFrame()->ToolBar()->actions().contains(journal));
    QVERIFY(window->isVisible() && window->isWindow());
    CSurveyTableModel& model = *window->Model();
    // Newest read first.
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription)),
             (QStringList{"Школа 12", "Насосная №2", "Котельная, ул. Ленина 5"}));
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kPeriod))[2],
             QStringLiteral("10.03.2026 – 10.03.2026"));
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kInstrument))[1],
             QStringLiteral("SN 0005678"));

    for (QChar c : QStringLiteral("ленина")) window->SearchField()->insert(c);  // keystroke by keystroke
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription)),
             QStringList{"Котельная, ул. Ленина 5"});
    QCOMPARE(window->CountLine()->text(), QStringLiteral("Обследований: 1 из 3"));
    window->SearchField()->setText("1234");
    QCOMPARE(model.rowCount(), 2);
    window->SearchField()->clear();
    QCOMPARE(window->CountLine()->text(), QStringLiteral("Обследований: 3"));

    // A period that meets April only; then from the day the last one starts.
    window->FromDate()->setDate(QDate(2026, 4, 1));
    window->ToDate()->setDate(QDate(2026, 4, 20));
    QCOMPARE(model.rowCount(), 3);  // not yet checked
    window->FromCheck()->click();
    window->ToCheck()->click();
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription)),
             QStringList{"Насосная №2"});
    window->ToCheck()->click();
    window->FromDate()->setDate(QDate(2026, 5, 5));
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription)),
             QStringList{"Школа 12"});

    // Sorted by a column, the filter stays.
    window->FromCheck()->click();
    window->Table()->sortByColumn(CSurveyTableModel::Column(CSurveyTableModel::EColumn::kObject), Qt::AscendingOrder);
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kObject)),
             (QStringList{"3", "3", "7"}));
    window->Table()->sortByColumn(CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription),
                                  Qt::AscendingOrder);
    QCOMPARE(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription)).first(),
             QStringLiteral("Котельная, ул. Ленина 5"));

    // A damaged file put into the folder by hand is listed, marked.
    QFile junk(JournalFolder() + "/junk.sav");
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("junk") == 4);
    junk.close();
    m_app->Journal()->Rebuild();
    window->Refresh();
    const QModelIndex damaged =
        model.index(Column(model, CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription))
                        .indexOf(QRegularExpression("Файл поврежден: .*\\(junk\\.sav\\)")),
                    CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription));
    QVERIFY(damaged.isValid());
    QCOMPARE(damaged.data(Qt::ForegroundRole).value<QColor>(), QColor(0xb0, 0x10, 0x10));
  }

  void openingFromTheWindowKeepsItOpenAndSavingUpdatesTheIndex() {
    Start();
    KeepThree();
    CJournalWindow* window = Window();
    Choose(window, 1);
    QTest::keyClick(window->Table(), Qt::Key_Return);
    const CSurveyEntry survey = window->ChosenSurveys().front();
    const QString path = QStringLiteral("%1/%2").arg(JournalFolder(), QString::fromStdString(survey.fileName));
    QCOMPARE(m_app->Document().ArchivePath(), path);
    QCOMPARE(m_app->MainFrame()->Documents().size(), 4);
    QVERIFY(window->isVisible());

    // «Сохранить» of a changed description writes the journal's file, and
    // the index (and the window) follow.
    m_app->Document().SetDescription("Насосная №2, после ремонта");
    QVERIFY(m_app->SaveArchive());
    QCOMPARE(m_app->Journal()->Find(survey.id)->description, std::string("Насосная №2, после ремонта"));
    QCOMPARE(m_app->Journal()->List().size(), size_t{3});
    window->SearchField()->setText("ремонта");
    QCOMPARE(window->Model()->rowCount(), 1);

    // «Показать в папке» shows the file.
    Choose(window, 0);
    Child<QPushButton>(window, "show")->click();
    QCOMPARE(m_ui.shownInFolder, QStringList{path});
  }

  void removingAsksAndMovesTheFiles() {
    Start();
    KeepThree();
    CJournalWindow* window = Window();
    window->Table()->selectAll();
    const std::vector<CSurveyEntry> all = window->ChosenSurveys();
    QCOMPARE(all.size(), size_t{3});
    Choose(window, 0);
    const CSurveyEntry survey = window->ChosenSurveys().front();
    m_ui.answers = {QMessageBox::No};
    Child<QPushButton>(window, "remove")->click();
    QCOMPARE(m_ui.buttonsShown.last(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(window->Model()->rowCount(), 3);

    m_ui.answers = {QMessageBox::Yes};
    Child<QPushButton>(window, "remove")->click();
    QCOMPARE(window->Model()->rowCount(), 2);
    const QString name = QString::fromStdString(survey.fileName);
    QVERIFY(!QFile::exists(JournalFolder() + "/" + name));
    QVERIFY(QFile::exists(JournalFolder() + "/Удаленные/" + name));
  }

  void copyingOutAsksBeforeReplacing() {
    Start();
    KeepThree();
    CJournalWindow* window = Window();
    window->Table()->selectAll();
    const QString out = m_work->filePath("out");
    QDir().mkpath(out);
    const QString taken = out + "/" + QString::fromStdString(window->ChosenSurveys().front().fileName);
    QFile file(taken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    m_ui.folderAnswer = out;
    m_ui.answers = {QMessageBox::No};
    Child<QPushButton>(window, "copy")->click();
    QCOMPARE(m_ui.messages.last(), QStringLiteral("Файл %1 уже существует. Заменить его?").arg(QDir::toNativeSeparators(taken)));
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 3);
    QCOMPARE(FileContents(taken), QByteArray("mine"));
    for (const QString& name : QDir(out).entryList(QDir::Files)) {
      if (out + "/" + name == taken) continue;
      QVERIFY(LoadSavedArchive(render::FsPath(out + "/" + name), m_app->Description()) != nullptr);
    }
  }

  void addingCopiesGoodFilesAndListsTheDamaged() {
    Start();
    const QString folder = m_work->filePath("old");
    QDir().mkpath(folder + "/2025");
    SaveSavedArchive(render::FsPath(folder + "/2025/a.sav"),
                     *Survey(m_app->Description(), 4, "SN 42", "Старый", Day(2025, 6, 1), 1750000000));
    QFile damaged(folder + "/b.sav");
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("not an archive");
    damaged.close();
    CJournalWindow* window = Window();
    m_ui.folderAnswer = folder;
    m_ui.messages.clear();
    Child<QPushButton>(window, "addFolder")->click();
    QCOMPARE(window->Model()->rowCount(), 1);
    QCOMPARE(m_ui.messages.size(), 1);
    QVERIFY(m_ui.messages[0].startsWith(QStringLiteral("Добавлено в журнал обследований: 1.")));
    QVERIFY(m_ui.details[0].contains(QDir::toNativeSeparators(folder + "/b.sav")));
    QCOMPARE(m_ui.icons[0], QMessageBox::Warning);
    // The originals stay as they were; a file added twice is not copied again.
    QVERIFY(QFile::exists(folder + "/2025/a.sav") && QFile::exists(folder + "/b.sav"));
    m_ui.openAnswers = {folder + "/2025/a.sav"};
    Child<QPushButton>(window, "addFiles")->click();
    QCOMPARE(window->Model()->rowCount(), 1);
    QVERIFY(m_ui.messages.last().contains(QStringLiteral("Уже были в журнале: 1.")));
  }

 private:
  static QByteArray FileContents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
