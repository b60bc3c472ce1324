// The summary window: its menu item and button, the whole archive's
// figures and the table of days or months, the reporting hour kept in the
// profile, following the view settings, the double click that shows a
// day's first row in the archive table, its report and its printed lines.

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

#include "core/archive/saved_archive.h"
#include "core/output/summary_table.h"
#include "gui/base/archive_document.h"
#include "gui/base/profile.h"
#include "gui/views/archive_view.h"
#include "gui/views/summary_view.h"
#include "program_test.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;

class TestSummary : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  static constexpr uint32_t kStart = 1328090400;  // 01.02.2012 10:00:00

  // 200 hourly records of object 5 (199 rows, to 09.02.2012 17:00) with a
  // situation on 03.02.
  void OpenArchive() {
    if (!m_app) Start();
    auto description = tkq::test::BuiltInDescription();
    tkq::test::Bytes err;
    tkq::test::AppendAbnormal(err, kStart + 50 * 3600, kStart + 52 * 3600, 3);
    auto obj = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 200, err);
    const QString path = m_work->filePath("obj.sav");
    SaveSavedArchive(path.toStdString(), *obj);
    QVERIFY(m_app->OpenArchiveFile(path));
  }

  // A double click as a user makes it: the view takes the second press.
  static void DoubleClick(QTableView* table, const QModelIndex& index) {
    const QPoint at = table->visualRect(index).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
  }

  CSummaryView* OpenSummary() {
    m_app->MainFrame()->Action(ECommand::kSummary)->trigger();
    QCoreApplication::processEvents();
    return Find<CSummaryView>();
  }

  static QStringList Captions(const CSummaryView& view) {
    QStringList captions;
    QAbstractItemModel* model = view.Table()->model();
    for (int c = 0; c < model->columnCount(); ++c) captions << model->headerData(c, Qt::Horizontal).toString();
    return captions;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() { End(); }

  void theWindowFollowsTheArchiveAndItsSettings() {
    Start();
    CMainFrame* frame = m_app->MainFrame();
    QVERIFY(!frame->Action(ECommand::kSummary)->isEnabled());
    OpenArchive();
    QVERIFY(frame->Action(ECommand::kSummary)->isEnabled());
    CSummaryView* view = OpenSummary();
    QVERIFY(view != nullptr);
    QCOMPARE(frame->Documents().size(), 5);
    QVERIFY(view->Figures()->text().contains("Интервалов"));
    QVERIFY(view->Figures()->text().contains("199"));
    // 01.02 .. 09.02 and "Всего".
    QAbstractItemModel* model = view->Table()->model();
    QCOMPARE(model->rowCount(), 10);
    QCOMPARE(model->index(0, 0).data().toString(), QString("01.02.2012"));
    QCOMPARE(model->index(0, 1).data().toString(), QString("неполные"));
    QCOMPARE(model->index(1, 1).data().toString(), QString("полные"));
    QCOMPARE(model->index(9, 0).data().toString(), QString("Всего"));
    QCOMPARE(model->index(2, 5).data().toString(), QString("1"));  // the situation, on 03.02
    QVERIFY(Captions(*view).last().endsWith(": сумма"));

    QCOMPARE(view->HourChoice()->count(), 24);
    QCOMPARE(view->HourChoice()->currentText(), QString("0:00"));
    QTest::keyClicks(view->HourChoice(), "23");  // typing the hour picks it
    QCOMPARE(view->HourChoice()->currentText(), QString("23:00"));
    QCOMPARE(m_app->Profile().SummaryHour(), 23);
    // From 10 o'clock the first day is whole; the hour stays in the profile.
    view->HourChoice()->setCurrentIndex(10);
    QCOMPARE(model->index(0, 1).data().toString(), QString("полные"));
    QCOMPARE(m_app->Profile().SummaryHour(), 10);
    view->PeriodChoice()->setCurrentIndex(1);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), QString("02.2012"));
    QVERIFY(m_app->Profile().SummaryMonths());

    // Rates: the mean with its extremes, at once.
    CArchiveDocument& document = m_app->Document();
    document.SetOutputTypes(1, 0, 0, 0, 0);
    document.ViewSettingsComplete();
    QVERIFY(Captions(*view).filter(": среднее").size() == 1);
    QVERIFY(Captions(*view).filter(": наибольшее").size() == 1);

    // The command again brings up the same window; a new window takes the
    // remembered choices.
    QCOMPARE(OpenSummary(), view);
    QCOMPARE(frame->Documents().size(), 5);
    frame->Documents().last()->close();
    QCoreApplication::processEvents();
    view = OpenSummary();
    QCOMPARE(view->HourChoice()->currentIndex(), 10);
    QCOMPARE(view->PeriodChoice()->currentIndex(), 1);
  }

  void theWindowShowsEveryColumnAndReopensWithTheArchive() {
    Start();
    m_app->MainFrame()->resize(1600, 1000);
    QCoreApplication::processEvents();
    OpenArchive();
    CSummaryView* summary = OpenSummary();
    QTableView* table = summary->Table();
    // Every column shows, or the window takes the whole width of the area
    // (where the fonts are wider than these columns allow).
    QVERIFY(table->viewport()->width() >= table->horizontalHeader()->length() ||
            summary->parentWidget()->width() >= m_app->MainFrame()->MdiArea()->viewport()->width());
    // The next archive opens with it, on top; closed, it stays closed.
    OpenArchive();
    QCOMPARE(m_app->MainFrame()->MdiArea()->activeSubWindow()->widget(), Find<CSummaryView>());
    m_app->MainFrame()->Documents().last()->close();
    OpenArchive();
    QCOMPARE(m_app->MainFrame()->Documents().size(), 4);
  }

  void aDoubleClickShowsTheDaysFirstRow() {
    OpenArchive();
    CSummaryView* view = OpenSummary();
    QVERIFY(view != nullptr);
    view->parentWidget()->resize(1200, 700);
    QCoreApplication::processEvents();
    QTableView* table = view->Table();
    const QModelIndex day = table->model()->index(2, 0);
    DoubleClick(table, day);
    auto* archive = Find<CTRV_KQ_VRView>();
    QVERIFY(archive != nullptr);
    // 01.02 holds 14 rows; 02.02 24.
    QCOMPARE(archive->currentIndex().row(), 38);
    // "Всего" leads nowhere.
    const QModelIndex whole = table->model()->index(table->model()->rowCount() - 1, 0);
    DoubleClick(table, whole);
    QCOMPARE(archive->currentIndex().row(), 38);
  }

  void theReportAndThePrintoutAreTheCores() {
    OpenArchive();
    CSummaryView* view = OpenSummary();
    QVERIFY(view != nullptr);
    CMainFrame* frame = m_app->MainFrame();
    QVERIFY(frame->Action(ECommand::kReport)->isEnabled());
    QVERIFY(frame->Action(ECommand::kPrint)->isEnabled());
    m_ui.saveAnswer = m_work->filePath("summary.txt");
    frame->Action(ECommand::kReport)->trigger();
    const CSummary summary = MakeSummary(*m_app->Document().Object(), 0);
    const CSummaryTable table(*m_app->Document().Object(), summary, ESummaryPeriods::kDays);
    CStringSink expected;
    WriteSummaryReport(table, expected);
    QFile report(m_ui.saveAnswer);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll().toStdString(), expected.Text());
    QCOMPARE(frame->statusBar()->currentMessage(), "Записан файл " + QDir::toNativeSeparators(m_ui.saveAnswer));

    const std::unique_ptr<CPrintLines> lines = view->PrintLines();
    QVERIFY(lines != nullptr);
    QCOMPARE(lines->GetLineCount(), table.LineCount());
    QCOMPARE(lines->GetLineText(3), CSummaryPrintLines(table).GetLineText(3));
    // The printout says which summary it is.
    QCOMPARE(lines->GetHeading(), table.Heading());
    QVERIFY(lines->GetHeading().starts_with("Сводка по суткам, отчетный час 0, с "));
    // The printed lines are the printout's own: the window may change meanwhile.
    view->PeriodChoice()->setCurrentIndex(1);
    QCOMPARE(lines->GetLineCount(), table.LineCount());
  }
};

QTEST_MAIN(TestSummary)
#include "test_summary.moc"
