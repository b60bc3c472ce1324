// Printing from the program: which windows print, the print dialog's page
// range, the pages in the PDF, the program's own dialog for a PDF file
// where the platform's cannot print to one, the printing window, a stopped
// job, the preview and its controls, the printer set-up, and the chart on
// its page.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "core/archive/saved_archive.h"
#include "gui/app/help_window.h"
#include "gui/output/print_command.h"
#include "gui/output/print_preview.h"
#include "gui/output/print_setup_dialog.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/param_tree_view.h"
#include "gui/views/settings_view.h"
#include "program_test.h"
#include "render/archive_chart.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;
using namespace tkq::render;

namespace {

// The pages of a PDF that Qt wrote.
int PdfPages(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = file.readAll();
  return static_cast<int>(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page/") +
                          bytes.count("/Type /Page "));
}

// Runs `answer` on the program's own print dialog once it is open.
void OnPrintFileDialog(std::function<void(CPrintFileDialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<CPrintFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    answer(*dialog);
  });
}

// A dialog that returns at once without showing, as Windows' print dialog
// does for a printer it refuses.
class CRefusingDialog : public QDialog {
 public:
  int exec() override { return Rejected; }
};

}  // namespace

class TestPrinting : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  bool m_bPlatformPrintsPdf = true;

  // The program with an hourly archive of `records` records and `abnormal`
  // abnormal situations open.
  CTRV_KQ_VRApp& Open(size_t records, int abnormal = 3) {
    if (!m_app) Start();
    auto description = tkq::test::BuiltInDescription();
    tkq::test::Bytes err;
    for (int i = 0; i < abnormal; ++i)
      tkq::test::AppendAbnormal(err, 1328090400 + i * 7200, 1328090400 + i * 7200 + 600, 2);
    auto obj = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records, err);
    obj->m_strDescription = "Ввод 1";
    const QString path = m_work->filePath("obj.sav");
    SaveSavedArchive(path.toStdString(), *obj);
    m_app->OpenArchiveFile(path);
    m_ui.messages.clear();  // the description written at the first start
    return *m_app;
  }

  void Activate(QWidget* view) {
    for (CChildFrame* frame : m_app->MainFrame()->Documents()) {
      if (frame->widget() == view) m_app->MainFrame()->MdiArea()->setActiveSubWindow(frame);
    }
    m_app->MainFrame()->UpdateCommands();
  }

  CPreviewWindow* OpenPreview(QWidget* view) {
    Activate(view);
    m_app->MainFrame()->Action(ECommand::kPrintPreview)->trigger();
    return m_app->MainFrame()->findChild<CPreviewWindow*>();
  }

 private slots:
  void init() {
    Begin();
    m_bPlatformPrintsPdf = PlatformDialogPrintsPdf();
    // The scripted print dialog names the PDF file itself, on every system
    // (Windows' own would not, and the program would then ask for one in a
    // dialog of its own; the test that says so sets this back).
    SetPlatformDialogPrintsPdf(true);
  }
  void cleanup() {
    SetPlatformDialogPrintsPdf(m_bPlatformPrintsPdf);
    End();
  }

  void CommandsFollowTheActiveWindow() {
    CTRV_KQ_VRApp& app = Start();
    CMainFrame* frame = app.MainFrame();
    QVERIFY(frame->Action(ECommand::kPrintSetup)->isEnabled());
    QVERIFY(!frame->Action(ECommand::kPrint)->isEnabled());
    Open(30);
    for (QWidget* view : {static_cast<QWidget*>(Find<CTRV_KQ_VRView>()), static_cast<QWidget*>(Find<CErrorListView>()),
                          static_cast<QWidget*>(Find<CParamTreeView>())}) {
      Activate(view);
      QVERIFY(frame->Action(ECommand::kPrint)->isEnabled());
      QVERIFY(frame->Action(ECommand::kPrintPreview)->isEnabled());
    }
    frame->Action(ECommand::kChart)->trigger();
    Activate(Find<CChartView>());
    QVERIFY(frame->Action(ECommand::kPrint)->isEnabled());
    QVERIFY(frame->Action(ECommand::kPrintPreview)->isEnabled());
    Activate(Find<CObjViewSettings>());
    QVERIFY(!frame->Action(ECommand::kPrint)->isEnabled());
    QVERIFY(!frame->Action(ECommand::kPrintPreview)->isEnabled());
    QVERIFY(frame->Action(ECommand::kPrintSetup)->isEnabled());
  }

  void PrintsTheChosenPagesOfWhatTheTableShows() {
    Open(400);
    auto* table = Find<CTRV_KQ_VRView>();
    // Every printed line is the table's row, cell by cell between blanks.
    const auto lines = table->PrintLines();
    QAbstractItemModel* model = table->model();
    QCOMPARE(lines->GetLineCount(), model->rowCount());
    for (int row : {0, 1, 200, model->rowCount() - 1}) {
      QString expected;
      for (int c = 0; c < model->columnCount(); ++c)
        expected += " " + model->data(model->index(row, c)).toString() + " ";
      QCOMPARE(QString::fromStdString(lines->GetLineText(row)), expected);
    }

    m_ui.printFile = m_work->filePath("out.pdf");
    m_ui.printFrom = 2;
    m_ui.printTo = 3;
    Activate(table);
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QCOMPARE(m_ui.printPageCounts.size(), 1);
    QVERIFY(m_ui.printPageCounts[0] >= 4);
    QCOMPARE(PdfPages(m_ui.printFile), 2);
    QVERIFY(m_ui.messages.isEmpty());
    // Nothing is left beside the file.
    QCOMPARE(QDir(m_work->path()).entryList({".out.pdf*"}, QDir::Hidden | QDir::Files).size(), 0);

    QCOMPARE(m_app->MainFrame()->statusBar()->currentMessage(),
             "Записан файл " + QDir::toNativeSeparators(m_ui.printFile));
    // All pages; cancelling the dialog prints nothing. The dialog opens
    // with all pages whatever the last job printed, and proposes a file
    // named after the archive beside it.
    m_ui.printFrom = 0;
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QCOMPARE(PdfPages(m_ui.printFile), m_ui.printPageCounts[1]);
    QCOMPARE(m_ui.printRangesAsked, (QList<QPrinter::PrintRange>{QPrinter::AllPages, QPrinter::AllPages}));
    QCOMPARE(m_ui.printProposed.value(1), QDir(QFileInfo(m_work->path()).absoluteFilePath()).filePath("obj.pdf"));
    QFile::remove(m_ui.printFile);
    m_ui.printConfirmed = false;
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QVERIFY(!QFile::exists(m_ui.printFile));
  }

  // The chart prints on one page, landscape when the printer is set so:
  // the page number and the title of every printed page, the chart drawn
  // under them as lines and text; the preview shows the same page.
  void PrintsTheChartOnOnePage() {
    Open(400);
    m_app->MainFrame()->Action(ECommand::kChart)->trigger();
    auto* chart = Find<CChartView>();
    QVERIFY(chart != nullptr);
    Activate(chart);
    m_app->Printer().setPageOrientation(QPageLayout::Landscape);
    m_ui.printFile = m_work->filePath("chart.pdf");
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QCOMPARE(m_ui.printPageCounts, QList<int>{1});
    QVERIFY(m_ui.messages.isEmpty());
    QCOMPARE(PdfPages(m_ui.printFile), 1);
    QProcess pdfToText;
    pdfToText.setWorkingDirectory(m_work->path());
    pdfToText.start("pdftotext", {"-bbox", "chart.pdf", "-"});
    if (!pdfToText.waitForStarted()) QSKIP("pdftotext (poppler-utils) is not installed: the page is not read back");
    QVERIFY(pdfToText.waitForFinished(60000));
    const QString words = QString::fromUtf8(pdfToText.readAllStandardOutput());
    // Landscape, as the printer is set.
    static const QRegularExpression pageSize(R"re(<page width="([\d.]+)" height="([\d.]+)")re");
    const QRegularExpressionMatch page = pageSize.match(words);
    QVERIFY(page.hasMatch() && page.captured(1).toDouble() > page.captured(2).toDouble());
    // The page number and the title's two lines, then the chart under
    // them: its captions and the dates.
    QMap<QString, double> top;  // each word's first place on the page
    static const QRegularExpression word(R"re(<word xMin="[\d.]+" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
    for (auto match = word.globalMatch(words); match.hasNext();) {
      const QRegularExpressionMatch m = match.next();
      if (!top.contains(m.captured(2))) top[m.captured(2)] = m.captured(1).toDouble();
    }
    const QString caption = chart->Chart()->SeriesCaption(0).section(' ', 0, 0);
    for (const QString& text :
         {QString("Страница"), QString("считан"), QString("Ввод"), caption, QString("02.02.2012")}) {
      QVERIFY2(top.contains(text), qPrintable(text + " in " + QStringList(top.keys()).join(' ')));
    }
    QVERIFY(top["Страница"] < top["считан"] && top["считан"] < top["Ввод"]);
    QVERIFY(top["Ввод"] < top[caption] && top["Ввод"] < top["02.02.2012"]);

    CPreviewWindow* preview = OpenPreview(chart);
    QVERIFY(preview != nullptr);
    QCOMPARE(preview->PageCount(), 1);
    QVERIFY(!Child<QPushButton>(preview, "next")->isEnabled());
    // The first value's line and texts on the sheet, in its blue.
    const QImage sheet = Child<CPreviewArea>(preview, "pageArea")->viewport()->grab().toImage();
    int lines = 0;
    for (int y = 0; y < sheet.height(); ++y) {
      for (int x = 0; x < sheet.width(); ++x)
        lines += QColor(sheet.pixel(x, y)).blue() - QColor(sheet.pixel(x, y)).red() > 80;
    }
    QVERIFY(lines > 20);
    Child<QPushButton>(preview, "close")->click();
    QTRY_VERIFY(m_app->MainFrame()->findChild<CPreviewWindow*>() == nullptr);
  }

  void ChoosesTheDialogAndThePrinter() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    SetPlatformDialogPrintsPdf(true);  // Linux: its dialog offers a PDF file
    QVERIFY(!AsksForPrintFile(printer));
    SetPlatformDialogPrintsPdf(false);  // Windows
    QVERIFY(AsksForPrintFile(printer));

    // The system's default printer; without one Windows' PDF printer
    // before the fax; none: a PDF file.
    QCOMPARE(InitialPrinterName({"Fax", "Microsoft Print to PDF", "HP"}, "HP"), QString("HP"));
    QCOMPARE(InitialPrinterName({"Fax", "Microsoft Print to PDF"}, ""), QString("Microsoft Print to PDF"));
    QCOMPARE(InitialPrinterName({"Fax", "OneNote"}, "removed"), QString("Fax"));
    QCOMPARE(InitialPrinterName({}, ""), QString());

    // A dialog that returned unshown is told from one the user cancelled.
    bool shown = true;
    CRefusingDialog refusing;
    QCOMPARE(ExecDialog(refusing, shown), int(QDialog::Rejected));
    QVERIFY(!shown);
    QDialog cancelled;
    QTimer::singleShot(0, &cancelled, &QDialog::reject);
    QCOMPARE(ExecDialog(cancelled, shown), int(QDialog::Rejected));
    QVERIFY(shown);
  }

  void PrintsAFileThroughItsOwnDialogWhereThePlatformsCannot() {
    Open(400);
    SetPlatformDialogPrintsPdf(false);
    m_app->Printer().setOutputFormat(QPrinter::PdfFormat);
    Activate(Find<CTRV_KQ_VRView>());
    QAction* print = m_app->MainFrame()->Action(ECommand::kPrint);

    // The archive's name beside it; a name typed without its folder and
    // extension; pages 2 to 3.
    int pages = 0;
    OnPrintFileDialog([&](CPrintFileDialog& dialog) {
      QCOMPARE(dialog.File(), m_work->filePath("obj.pdf"));
      pages = Child<QSpinBox>(&dialog, "to")->value();
      Child<QLineEdit>(&dialog, "file")->setText("out");
      Child<QSpinBox>(&dialog, "from")->setValue(4);
      Child<QSpinBox>(&dialog, "to")->setValue(3);  // never backwards
      QCOMPARE(Child<QSpinBox>(&dialog, "from")->value(), 3);
      Child<QSpinBox>(&dialog, "from")->setValue(2);
      Child<QPushButton>(&dialog, "print")->click();
    });
    print->trigger();
    QVERIFY(pages >= 4);
    QVERIFY(m_ui.printPageCounts.isEmpty());  // not the platform's dialog
    QCOMPARE(PdfPages(m_work->filePath("out.pdf")), 2);

    // "Обзор..." starts from the file printed to before; the save dialog's
    // choice is replaced without a second question. All pages.
    m_ui.saveAnswer = m_work->filePath("out.pdf");
    OnPrintFileDialog([&](CPrintFileDialog& dialog) {
      Child<QPushButton>(&dialog, "browse")->click();
      Child<QPushButton>(&dialog, "print")->click();
    });
    print->trigger();
    QCOMPARE(m_ui.starts.value(0), m_work->filePath("out.pdf"));
    QVERIFY(m_ui.messages.isEmpty());
    QCOMPARE(PdfPages(m_work->filePath("out.pdf")), pages);
    // A name chosen without ".pdf" shows with it; that file, if it exists,
    // is another one the save dialog did not ask about.
    m_ui.saveAnswer = m_work->filePath("out");
    m_ui.messageAnswer = QMessageBox::No;
    OnPrintFileDialog([](CPrintFileDialog& dialog) {
      Child<QPushButton>(&dialog, "browse")->click();
      QVERIFY(Child<QLineEdit>(&dialog, "file")->text().endsWith("out.pdf"));
      Child<QPushButton>(&dialog, "print")->click();
      dialog.reject();
    });
    print->trigger();
    QCOMPARE(m_ui.messages.size(), 1);
    m_ui.messages.clear();

    // A file typed that exists: replaced only when the user agrees. No
    // name, or a folder that does not exist: said, and the dialog stays.
    QFile::remove(m_work->filePath("out.pdf"));
    QFile old(m_work->filePath("old.pdf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    OnPrintFileDialog([&](CPrintFileDialog& dialog) {
      for (const char* name : {"old.pdf", " ", "missing/x.pdf"}) {
        Child<QLineEdit>(&dialog, "file")->setText(name);
        Child<QPushButton>(&dialog, "print")->click();
        QVERIFY(dialog.isVisible());
      }
      dialog.reject();
    });
    print->trigger();
    QCOMPARE(m_ui.messages.size(), 3);
    QVERIFY(m_ui.messages[0].contains("old.pdf") && m_ui.messages[0].contains("Заменить"));
    QCOMPARE(m_ui.messages[1], QString("Введите имя файла PDF."));
    QVERIFY(m_ui.messages[2].contains("не существует"));
    QCOMPARE(QFileInfo(m_work->filePath("old.pdf")).size(), 0);

    // The preview's "Печать..." takes the same way.
    m_ui.messages.clear();
    m_ui.messageAnswer = QMessageBox::Yes;
    CPreviewWindow* preview = OpenPreview(Find<CTRV_KQ_VRView>());
    OnPrintFileDialog([](CPrintFileDialog& dialog) {
      Child<QLineEdit>(&dialog, "file")->setText("old.pdf");
      Child<QSpinBox>(&dialog, "from")->setValue(3);
      Child<QPushButton>(&dialog, "print")->click();
    });
    Child<QPushButton>(preview, "print")->click();
    QCOMPARE(m_ui.messages.size(), 1);  // replace it?
    QCOMPARE(PdfPages(m_work->filePath("old.pdf")), pages - 2);
    QVERIFY(m_ui.printPageCounts.isEmpty());
  }

  void anArchiveJustReadPrintsToAFileNamedAfterIt() {
    tkq::test::UseUtcAsLocalTime();
    Open(30);
    m_app->Document().SetArchivePath(QString());
    m_app->Settings().setValue("CONTROL/DIR", m_work->path());
    m_ui.printConfirmed = false;
    Activate(Find<CTRV_KQ_VRView>());
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QCOMPARE(m_ui.printProposed.value(0), m_work->filePath("Объект 05 2023-11-14.pdf"));
  }

  void StoppedJobKeepsTheOldFile() {
    Open(400);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = m_work->filePath("kept.pdf");
    {
      QFile old(path);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("the old file");
    }
    printer.setOutputFileName(path);
    const auto lines = Find<CTRV_KQ_VRView>()->PrintLines();
    const CPrintFont font(printer);
    const CPageLayout layout(*lines, "title\ndescription", MeasurePrintPage(printer, font));
    QString error;
    int asked = 0;
    QVERIFY(!PrintPageRange(
        printer, layout, font, {1, layout.PageCount()}, [&](int, int) { return ++asked < 3; }, error));
    QCOMPARE(asked, 3);
    QVERIFY(error.isEmpty());
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("the old file"));
    QCOMPARE(printer.outputFileName(), path);

    // A folder that cannot be written: an error, not a crash.
    printer.setOutputFileName(m_work->filePath("missing/out.pdf"));
    QVERIFY(!PrintPageRange(printer, layout, font, {1, 1}, {}, error));
    QVERIFY(error.contains(QDir::toNativeSeparators(m_work->filePath("missing/out.pdf"))));
    // The job says so.
    QVERIFY(!RunPrintJob(m_app->MainFrame(), printer, layout, font, {1, 1}, "Архив измерений"));
    QCOMPARE(m_ui.messages, QStringList{error});
  }

  void CancelStopsTheJob() {
    Open(2000);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_work->filePath("cancelled.pdf"));
    const auto lines = Find<CTRV_KQ_VRView>()->PrintLines();
    const CPrintFont font(printer);
    const CPageLayout layout(*lines, "title\ndescription", MeasurePrintPage(printer, font));
    // "Отмена" pressed as soon as the window shows.
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CPrintingDialog*>(w)) Child<QPushButton>(dialog, "cancel")->click();
      }
    });
    QVERIFY(!RunPrintJob(m_app->MainFrame(), printer, layout, font, {1, layout.PageCount()}, "Архив измерений"));
    QVERIFY(m_ui.messages.isEmpty());
    QVERIFY(!QFile::exists(m_work->filePath("cancelled.pdf")));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void SetUpDialogChoosesPaperAndOrientation() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    CPrintSetupDialog dialog(printer);
    QCOMPARE(dialog.windowTitle(), QString("Настройка печати"));
    QCOMPARE(Child<QComboBox>(&dialog, "printer")->currentText(), QString("Печать в файл (PDF)"));
    QVERIFY(Child<QRadioButton>(&dialog, "portrait")->isChecked());
    Child<QComboBox>(&dialog, "paper")->setCurrentIndex(static_cast<int>(OfferedPaperSizes().indexOf(QPageSize::A3)));
    Child<QRadioButton>(&dialog, "landscape")->setChecked(true);
    dialog.Apply(printer);
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A3);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
    // Opened again, it shows the choice.
    CPrintSetupDialog again(printer);
    QCOMPARE(Child<QComboBox>(&again, "paper")->currentData().toInt(), static_cast<int>(QPageSize::A3));
    QVERIFY(Child<QRadioButton>(&again, "landscape")->isChecked());
  }

  void PrintingWindowTexts() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::temp().filePath("Output.pdf"));
    CPrintingDialog dialog("Архив измерений", printer);
    QCOMPARE(dialog.windowTitle(), QString("Печать в файл"));
    QCOMPARE(Child<QLabel>(&dialog, "document")->text(), QString("Архив измерений"));
    QCOMPARE(Child<QLabel>(&dialog, "port")->text(), QString("в Output.pdf"));
    QCOMPARE(Child<QPushButton>(&dialog, "cancel")->text(), QString("Отмена"));
    dialog.SetPage(7);
    QCOMPARE(Child<QLabel>(&dialog, "page")->text(), QString("Страница 7"));
    QVERIFY(!dialog.IsCancelled());
    Child<QPushButton>(&dialog, "cancel")->click();
    QVERIFY(dialog.IsCancelled());
  }

  void NothingToPrint() {
    Open(30, 0);
    QVERIFY(OpenPreview(Find<CErrorListView>()) == nullptr);
    QCOMPARE(m_ui.messages, QStringList{"Нет строк для печати"});
    // The tree opens with its groups collapsed: no visible lines.
    Activate(Find<CParamTreeView>());
    m_app->MainFrame()->Action(ECommand::kPrint)->trigger();
    QCOMPARE(m_ui.messages.size(), 2);
    QVERIFY(m_ui.printPageCounts.isEmpty());
  }

  void PreviewTurnsPages() {
    Open(2000);
    CPreviewWindow* preview = OpenPreview(Find<CTRV_KQ_VRView>());
    QVERIFY(preview != nullptr);
    QCOMPARE(preview->windowModality(), Qt::ApplicationModal);
    const int pages = preview->PageCount();
    QVERIFY(pages > 10);
    QCOMPARE(Child<QPushButton>(preview, "print")->text(), QString("&Печать..."));
    QCOMPARE(Child<QPushButton>(preview, "pages")->text(), QString("Две страницы"));
    QCOMPARE(Child<QLabel>(preview, "indicator")->text(), QString("Страница 1"));
    QVERIFY(!Child<QPushButton>(preview, "previous")->isEnabled());
    QVERIFY(!Child<QPushButton>(preview, "zoomOut")->isEnabled());

    Child<QPushButton>(preview, "next")->click();
    QCOMPARE(preview->CurrentPage(), 2);
    QTest::keyClick(preview, Qt::Key_End);
    QCOMPARE(preview->CurrentPage(), pages);
    QVERIFY(!Child<QPushButton>(preview, "next")->isEnabled());
    QTest::keyClick(preview, Qt::Key_PageUp);
    QCOMPARE(preview->CurrentPage(), pages - 1);
    QTest::keyClick(preview, Qt::Key_Home);
    QCOMPARE(preview->CurrentPage(), 1);

    Child<QPushButton>(preview, "pages")->click();
    QCOMPARE(Child<QPushButton>(preview, "pages")->text(), QString("&Одна страница"));
    QCOMPARE(preview->ShownPages(), 2);
    QCOMPARE(Child<QLabel>(preview, "indicator")->text(), QString("Страниц 1-2"));
    QTest::keyClick(preview, Qt::Key_PageDown);
    QCOMPARE(Child<QLabel>(preview, "indicator")->text(), QString("Страниц 3-4"));

    // Zoomed in, one page at a time.
    Child<QPushButton>(preview, "zoomIn")->click();
    QCOMPARE(preview->ZoomLevel(), 1);
    QCOMPARE(preview->ShownPages(), 1);
    QVERIFY(!Child<QPushButton>(preview, "pages")->isEnabled());
    Child<QPushButton>(preview, "zoomIn")->click();
    QVERIFY(!Child<QPushButton>(preview, "zoomIn")->isEnabled());
    Child<QPushButton>(preview, "zoomOut")->click();
    Child<QPushButton>(preview, "zoomOut")->click();
    QCOMPARE(preview->ZoomLevel(), 0);

    // Only the pages on the screen are ever built.
    const int before = preview->PagesBuilt();
    QVERIFY(preview->TwoPageMode());
    QTest::keyClick(preview, Qt::Key_End);
    QCOMPARE(Child<QLabel>(preview, "indicator")->text(), QString("Страниц %1-%2").arg(pages - 1).arg(pages));
    Child<CPreviewArea>(preview, "pageArea")->viewport()->grab();
    QCOMPARE(preview->PagesBuilt(), before + 2);
    QVERIFY(preview->PagesBuilt() <= 12);
    Child<CPreviewArea>(preview, "pageArea")->viewport()->grab();
    QCOMPARE(preview->PagesBuilt(), before + 2);  // kept while on the screen

    // One page: no second to show beside it.
    Child<QPushButton>(preview, "close")->click();
    QTRY_VERIFY(m_app->MainFrame()->findChild<CPreviewWindow*>() == nullptr);
    Open(5);
    preview = OpenPreview(Find<CTRV_KQ_VRView>());
    QCOMPARE(preview->PageCount(), 1);
    QVERIFY(!Child<QPushButton>(preview, "pages")->isEnabled());

    // F1 opens the printing page of the help.
    QTest::keyClick(preview, Qt::Key_F1);
    QCOMPARE(ShownHelpTopic(), help::kPrinting);
    Child<QPushButton>(preview, "close")->click();
    QTRY_VERIFY(m_app->MainFrame()->findChild<CPreviewWindow*>() == nullptr);
  }

  void PreviewFollowsThePrinterSetUp() {
    Open(2000);
    CPreviewWindow* portrait = OpenPreview(Find<CTRV_KQ_VRView>());
    const int portraitPages = portrait->PageCount();
    portrait->close();
    m_ui.setupOrientation = QPageLayout::Landscape;
    m_app->MainFrame()->Action(ECommand::kPrintSetup)->trigger();
    QCOMPARE(m_ui.printSetups, 1);
    QCOMPARE(m_app->Printer().pageLayout().orientation(), QPageLayout::Landscape);
    QTRY_VERIFY(m_app->MainFrame()->findChild<CPreviewWindow*>() == nullptr);
    CPreviewWindow* landscape = OpenPreview(Find<CTRV_KQ_VRView>());
    QVERIFY(landscape->PageCount() > portraitPages);
    landscape->close();
  }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
