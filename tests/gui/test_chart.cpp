// The chart window: its menu item and button, opening with the other
// windows as the profile remembers, the linking with both tables, the
// rebuild on a change of the view settings, and saving the picture; the
// two panels over one time, the texts in the program's own font, the axes'
// titles and the time's labels at any size, the numbers' decimal point,
// and an archive without records.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolBar>
#include <QWheelEvent>
#include <QtTest>
#include <cerrno>

#include "core/archive/saved_archive.h"
#include "core/storage/file_io.h"
#include "gui/app/application.h"
#include "gui/app/main_frame.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/settings_view.h"
#include "program_test.h"
#include "render/archive_chart.h"
#include "render/builtin_font.h"
#include "render/chart_image.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;
using namespace tkq::render;

class TestChart : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  static constexpr uint32_t kStart = 1328090400;  // 01.02.2012 10:00:00

  // The program with `records` hourly records of object 5 and two
  // situations, the second value of quantity type `second`.
  void OpenArchive(size_t records = 200, uint8_t second = 1) {
    if (!m_app) Start();
    auto description = tkq::test::BuiltInDescription();
    tkq::test::Bytes err;
    tkq::test::AppendAbnormal(err, kStart + 50 * 3600, kStart + 52 * 3600, 3);
    tkq::test::AppendAbnormal(err, kStart + 150 * 3600, kStart + 150 * 3600 + 600, 1);
    auto obj = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", 0, second, records, err);
    const QString path = m_work->filePath("obj.sav");
    SaveSavedArchive(path.toStdString(), *obj);
    QVERIFY(m_app->OpenArchiveFile(path));
  }

  CChartView* OpenChart() {
    m_app->MainFrame()->Action(ECommand::kChart)->trigger();
    QCoreApplication::processEvents();
    auto* view = Find<CChartView>();
    if (view == nullptr) return nullptr;
    // Room for several pixels a row.
    view->parentWidget()->resize(1400, 500);
    QCoreApplication::processEvents();
    view->Chart()->replot();
    return view;
  }

  static QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
  }

  // The tick labels of `axis` as drawn, in the order of its ticks (across
  // the axis all at 0: only their extent along it counts).
  static QList<QRectF> Labels(const QCPAxis* axis) {
    const QFontMetricsF metrics(axis->tickLabelFont());
    const QVector<double> ticks = axis->tickVector();
    const QVector<QString> texts = axis->tickVectorLabels();
    QList<QRectF> labels;
    for (qsizetype i = 0; i < ticks.size() && i < texts.size(); ++i) {
      if (texts[i].isEmpty()) continue;
      const QRectF box = metrics.boundingRect(QRectF(), Qt::TextDontClip, texts[i]);
      const double at = axis->coordToPixel(ticks[i]);
      labels << (axis->orientation() == Qt::Horizontal ? QRectF(at - box.width() / 2, 0, box.width(), box.height())
                                                       : QRectF(0, at - box.height() / 2, box.width(), box.height()));
    }
    return labels;
  }

  // Whether no two labels of `axis` run into each other.
  static bool LabelsApart(const QCPAxis* axis) {
    const QList<QRectF> labels = Labels(axis);
    for (qsizetype i = 1; i < labels.size(); ++i) {
      if (labels[i - 1].intersects(labels[i])) return false;
    }
    return true;
  }

  QMenu* ViewMenu() {
    for (QAction* action : m_app->MainFrame()->menuBar()->actions()) {
      if (action->text() == "Вид") return action->menu();
    }
    return nullptr;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() { End(); }

  void theMenuItemAndTheButtonOpenOneChart() {
    Start();
    CMainFrame* frame = m_app->MainFrame();
    // Without an archive the "Вид" menu is as it was and the button is off.
    QCOMPARE(MenuTexts(ViewMenu()), QStringList({"Панель инструментов", "Строка состояния"}));
    QVERIFY(!frame->Action(ECommand::kChart)->isEnabled());
    const QList<QAction*> buttons = frame->ToolBar()->actions();
    QCOMPARE(buttons[buttons.size() - 2], frame->Action(ECommand::kChart));

    OpenArchive();
    QCOMPARE(MenuTexts(ViewMenu()), QStringList({"Панель инструментов", "Строка состояния", "-", "График", "Сводка"}));
    QCOMPARE(frame->Documents().size(), 4);
    CChartView* chart = OpenChart();
    QVERIFY(chart != nullptr);
    QCOMPARE(frame->Documents().size(), 5);
    QCOMPARE(frame->MdiArea()->activeSubWindow()->windowTitle(), QString("График"));
    QCOMPARE(frame->windowTitle(), kMainTitle + " - График");
    // Again: the same window comes up, no second one.
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[0]);
    frame->Action(ECommand::kChart)->trigger();
    QCOMPARE(frame->Documents().size(), 5);
    QCOMPARE(frame->MdiArea()->activeSubWindow()->widget(), chart);
  }

  void theChartOpensWithTheOthersOnlyIfItWasOpen() {
    OpenArchive();
    QVERIFY(OpenChart() != nullptr);
    // The next archive opens with it, between the two tables.
    OpenArchive();
    QCOMPARE(m_app->MainFrame()->Documents().size(), 5);
    QList<CChildFrame*> frames = m_app->MainFrame()->Documents();
    QVERIFY(qobject_cast<CChartView*>(frames[4]->widget()) != nullptr);
    QCOMPARE(frames[4]->geometry().top(), frames[1]->geometry().bottom() + 1);
    QCOMPARE(frames[2]->geometry().top(), frames[4]->geometry().bottom() + 1);
    // A program started later remembers it too.
    m_app.reset();
    OpenArchive();
    QCOMPARE(m_app->MainFrame()->Documents().size(), 5);
    // Closed by the user: the next archive opens without it.
    frames = m_app->MainFrame()->Documents();
    frames[4]->close();
    QCOMPARE(m_app->MainFrame()->Documents().size(), 4);
    OpenArchive();
    QCOMPARE(m_app->MainFrame()->Documents().size(), 4);
  }

  void aClickSelectsTheRowAndTheTablesMoveTheChart() {
    OpenArchive();
    CChartView* view = OpenChart();
    CArchiveChart* chart = view->Chart();
    auto* table = Find<CTRV_KQ_VRView>();
    const CChartData& data = chart->Data();
    QCOMPARE(data.GetRowCount(), static_cast<size_t>(table->model()->rowCount()));

    // A click in the middle of row 120's interval.
    const double middle = (data.Start(120) + data.End(120)) / 2.0;
    const QPoint at(static_cast<int>(chart->xAxis->coordToPixel(middle)), chart->axisRect()->center().y());
    QTest::mouseClick(chart, Qt::LeftButton, {}, at);
    QCOMPARE(table->currentIndex().row(), 120);
    QVERIFY(table->selectionModel()->isRowSelected(120, QModelIndex()));
    QCOMPARE(chart->MarkedRow(), 120);
    // The hover text is that row's, as the table shows it.
    const QString text = view->HoverAt(at);
    QVERIFY2(text.startsWith("№ 121\n"), qPrintable(text));
    for (int column = 1; column < table->model()->columnCount(); ++column) {
      const QString caption = table->model()->headerData(column, Qt::Horizontal).toString();
      const QString cell = table->model()->data(table->model()->index(120, column)).toString().trimmed();
      if (!cell.isEmpty()) QVERIFY2(text.contains(caption + ": " + cell), qPrintable(caption + ": " + cell));
    }

    // A row chosen in the table is marked; a situation chosen in the
    // abnormal table is brought into view, zoomed to it.
    table->selectRow(7);
    QCOMPARE(chart->MarkedRow(), 7);
    const double all = chart->To() - chart->From();
    Find<CErrorListView>()->selectRow(1);
    QVERIFY(chart->From() <= kStart + 150 * 3600 && chart->To() >= kStart + 150 * 3600 + 600);
    QVERIFY(chart->To() - chart->From() < all / 10);
    // Row 7 lies outside that: marking it brings it back into view.
    table->selectRow(8);
    QVERIFY(chart->From() <= data.Start(8) && chart->To() >= data.End(8));
  }

  void thePanelsShareTheTime() {
    OpenArchive();
    CChartView* view = OpenChart();
    CArchiveChart* chart = view->Chart();
    const std::vector<QCPAxisRect*> panels = chart->Panels();  // the first value above
    QCOMPARE(panels, (std::vector<QCPAxisRect*>{chart->Panel(0), chart->Panel(1)}));
    QCOMPARE(panels[0]->rect().left(), panels[1]->rect().left());
    // Both over the archive's time from the start, and after a jump.
    const auto timeOf = [](QCPAxisRect* panel) { return panel->axis(QCPAxis::atBottom)->range(); };
    QVERIFY(chart->From() < kStart && chart->To() > kStart + 199 * 3600);
    for (QCPAxisRect* panel : panels) QCOMPARE(timeOf(panel), QCPRange(chart->From(), chart->To()));
    chart->ShowRange(kStart + 10 * 3600, kStart + 20 * 3600);
    for (QCPAxisRect* panel : panels) QCOMPARE(timeOf(panel), QCPRange(kStart + 10 * 3600, kStart + 20 * 3600));
    QCOMPARE(chart->TimeAxis(), panels[1]->axis(QCPAxis::atBottom));
    chart->ShowAll();
    // The wheel over the lower panel zooms the time of both; a click there
    // selects the row under it.
    const QPoint at = panels[1]->rect().center();
    const double span = chart->To() - chart->From();
    QWheelEvent wheel(at, chart->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart, &wheel);
    QVERIFY(chart->To() - chart->From() < span * 0.9);
    QCOMPARE(panels[0]->axis(QCPAxis::atBottom)->range(), panels[1]->axis(QCPAxis::atBottom)->range());
    chart->replot();
    const int row = chart->RowAtPixel(at.x());
    QTest::mouseClick(chart, Qt::LeftButton, {}, at);
    QCOMPARE(Find<CTRV_KQ_VRView>()->currentIndex().row(), row);
    // One value off: the other fills the chart, over the same time.
    const QRect both = chart->PlotArea();
    Child<QCheckBox>(Find<CObjViewSettings>(), "showFirst")->click();
    chart->replot();
    QCOMPARE(chart->Panels(), std::vector<QCPAxisRect*>{chart->Panel(1)});
    QVERIFY(chart->PlotArea().height() > both.height() - 20);
    QCOMPARE(chart->RowAtPixel(at.x()), row);
    // Both in a low window: a legend that would crush the panels gives
    // them its room, back when the window grows.
    QVERIFY(chart->LegendShown());
    Child<QCheckBox>(Find<CObjViewSettings>(), "showFirst")->click();
    view->parentWidget()->resize(400, 300);
    QCoreApplication::processEvents();
    chart->replot();
    QVERIFY(!chart->LegendShown());
    QVERIFY(chart->Panel(0)->rect().height() > 50 && chart->Panel(1)->rect().height() > 50);
    view->parentWidget()->resize(1000, 700);
    QCoreApplication::processEvents();
    chart->replot();
    QVERIFY(chart->LegendShown());
  }

  // The lower value's long title, at any size: whole on one line or two,
  // else the printed table's abbreviation, and whole in the tool tip
  // beside the axis. No two labels of an axis run into each other, however
  // small the window and whatever the time shown.
  void titlesStayWholeAndTimeLabelsApart() {
    OpenArchive(2000, 4);  // the heat energy
    CChartView* view = OpenChart();
    CArchiveChart* chart = view->Chart();
    std::string first, caption, abbreviation;
    m_app->Document().Object()->GetColumnCaptions(first, caption);
    m_app->Document().Object()->GetPrintCaptions(first, abbreviation);
    QCOMPARE(caption, std::string("Изм.тепловой энергии, ГДж"));
    const auto squeezed = [](std::string text) {
      std::erase_if(text, [](char c) { return c == ' ' || c == '\n'; });
      return text;
    };
    QSet<QString> forms;
    for (const QSize size : {QSize(1400, 700), QSize(700, 420), QSize(700, 340), QSize(240, 400)}) {
      view->parentWidget()->resize(size);
      QCoreApplication::processEvents();
      chart->ShowAll();
      chart->replot();
      const QCPAxis* axis = chart->Panel(1)->axis(QCPAxis::atLeft);
      const std::string label = axis->label().toStdString();
      QVERIFY2(squeezed(label) == squeezed(caption) || squeezed(label) == squeezed(abbreviation), label.c_str());
      for (const QString& line : axis->label().split('\n')) {
        QVERIFY(QFontMetricsF(axis->labelFont()).horizontalAdvance(line) <= chart->Panel(1)->rect().height());
      }
      forms << QString::number(axis->label().count('\n')) + (label.starts_with("Изм.тепл") ? "whole" : "short");
      const QPoint beside(chart->Panel(1)->rect().left() - 8, chart->Panel(1)->rect().center().y());
      QCOMPARE(view->HoverAt(beside), QString::fromStdString(caption));

      // The whole archive, two days, half an hour.
      for (const double span : {0.0, 2 * 86400.0, 1800.0}) {
        if (span > 0) chart->ShowRange(kStart + 86400, kStart + 86400 + span);
        chart->replot();
        const QString where = QString("%1x%2, %3 s").arg(size.width()).arg(size.height()).arg(span);
        QVERIFY2(LabelsApart(chart->TimeAxis()), qPrintable(where));
        QVERIFY(size.width() < 1400 || Labels(chart->TimeAxis()).size() >= 4);
        for (QCPAxisRect* panel : chart->Panels()) {
          QVERIFY2(LabelsApart(panel->axis(QCPAxis::atLeft)), qPrintable(where));
          QVERIFY(Labels(panel->axis(QCPAxis::atLeft)).size() >= 2);
        }
      }
    }
    // One line, two lines, and the abbreviation where two do not fit.
    QVERIFY2(
        forms.contains("0whole") && forms.contains("1whole") && (forms.contains("1short") || forms.contains("2short")),
        qPrintable(QStringList(forms.begin(), forms.end()).join(' ')));
  }

  // The numbers with a decimal point and no group separator, whatever the
  // system's language; the picture's title names the time shown.
  void theNumbersHaveADecimalPoint() {
    const QLocale system;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    struct Reset {
      QLocale locale;
      ~Reset() { QLocale::setDefault(locale); }
    } reset{system};
    OpenArchive();
    CArchiveChart* chart = OpenChart()->Chart();
    QCPAxis* value = chart->Panel(0)->axis(QCPAxis::atLeft);
    value->setRange(0, 1.5);
    chart->replot();
    const auto texts = [value] {
      const QVector<QString> labels = value->tickVectorLabels();
      return QStringList(labels.begin(), labels.end()).join(' ');
    };
    QString labels = texts();
    QVERIFY2(labels.contains("0.5") && !labels.contains(','), qPrintable(labels));
    value->setRange(0, 50000);
    chart->replot();
    labels = texts();
    QVERIFY2(labels.contains("10000") && !labels.contains(QChar(0xA0)), qPrintable(labels));

    chart->ShowRange(kStart + 10 * 3600, kStart + 20 * 3600);
    QCOMPARE(chart->ImageTitle(), QString("Архив объекта № 5, с 01.02.2012 20:00:00 по 02.02.2012 06:00:00"));
  }

  void theTextsAreInTheProgramsOwnFont() {
    OpenArchive();
    CArchiveChart* chart = OpenChart()->Chart();
    const QString family = BuiltInFontFamily();
    QVERIFY(!family.isEmpty());
    // The same as the printed pages': the fixed font built in.
    QVERIFY(QFontInfo(QFont(family)).fixedPitch());
    QStringList families;
    for (QCPAxisRect* panel : chart->Panels()) {
      for (QCPAxis* axis : panel->axes()) families << QFontInfo(axis->tickLabelFont()).family();
      families << QFontInfo(panel->axis(QCPAxis::atLeft)->labelFont()).family();
    }
    int entries = 0;  // both values and the situations
    for (int i = 0; i < chart->legend->itemCount(); ++i) {
      if (const QCPAbstractLegendItem* item = chart->legend->item(i)) {
        families << QFontInfo(item->font()).family();
        ++entries;
      }
    }
    QVERIFY(entries >= 3);
    families << QFontInfo(chart->font()).family();  // the word of an empty archive
    families.removeAll(family);
    QVERIFY2(families.isEmpty(), qPrintable(families.join(", ")));
  }

  void anEmptyArchiveOnlySaysSo() {
    OpenArchive(0);
    CArchiveChart* chart = OpenChart()->Chart();
    QVERIFY(chart->Panels().empty());
    // The message in the middle and nothing else: no time axis, no legend.
    const QImage image = chart->toPixmap(600, 300).toImage();
    QRect drawn;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 200) drawn |= QRect(x, y, 1, 1);
    QVERIFY(!drawn.isNull() && QRect(100, 120, 400, 60).contains(drawn));
  }

  void theChartFollowsTheViewSettings() {
    OpenArchive();
    CArchiveChart* chart = OpenChart()->Chart();
    auto* form = Find<CObjViewSettings>();
    auto* table = Find<CTRV_KQ_VRView>();
    chart->ShowRange(kStart + 10 * 3600, kStart + 40 * 3600);
    const double from = chart->From();

    Child<QComboBox>(form, "outputType1")->setCurrentIndex(Child<QComboBox>(form, "outputType1")->count() - 1);
    QCOMPARE(chart->SeriesCaption(0), table->model()->headerData(1, Qt::Horizontal).toString());
    // The first point of the line is the table's value of the first row shown.
    const size_t row = chart->Data().RowAt(static_cast<int64_t>(from));
    const QString cell = table->model()->data(table->model()->index(static_cast<int>(row), 1)).toString();
    QCOMPARE(QString::number(chart->Data().Value(0, row), 'f', 4), cell.trimmed());
    QCOMPARE(chart->From(), from);  // the time shown stays

    Child<QCheckBox>(form, "showFirst")->click();  // off
    QVERIFY(!chart->SeriesShown(0));
    QVERIFY(!chart->Curve(0)->visible());
    QVERIFY(chart->Curve(1)->visible());
    Child<QCheckBox>(form, "showFirst")->click();  // on
    QVERIFY(chart->Curve(0)->visible());
    QVERIFY(chart->Curve(0)->dataCount() > 0);
  }

  // One list of formats for the dialog, tarvik-kq plot and the writing:
  // the names in a sentence, the check of a file's ending, and a file of
  // another kind refused before anything is drawn.
  void theImageFormatsAreOneList() {
    const bool svg = ChartImageFormats().contains("svg");
    QCOMPARE(ChartImageFormats(), svg ? QStringList({"png", "svg", "pdf"}) : QStringList({"png", "pdf"}));
    QCOMPARE(ChartImageFormatsText(), svg ? QString("PNG, SVG или PDF") : QString("PNG или PDF"));
    QCOMPARE(ChartImageFormatsText(EImageFormatNames::kSuffixes, "or"),
             svg ? QString(".png, .svg or .pdf") : QString(".png or .pdf"));
    for (const char* name : {"a.png", "A.PDF", "/tmp/график.Png", "b.tar.pdf"}) QVERIFY2(IsChartImageName(name), name);
    for (const char* name : {"a.gif", "png", "a.png.txt", "a.", "a png", ""}) QVERIFY2(!IsChartImageName(name), name);
    QCOMPARE(IsChartImageName("a.svg"), svg);

    CArchiveChart chart;
    QString error;
    QVERIFY(!chart.SaveImage(m_work->filePath("chart.gif"), QSize(300, 200), error));
    QCOMPARE(error, "Формат файла не поддерживается: нужен " + ChartImageFormatsText());
    QVERIFY(!QFile::exists(m_work->filePath("chart.gif")));
  }

  void theChartIsSavedAtTheChosenSize() {
    OpenArchive();
    CChartView* view = OpenChart();
    m_ui.messages.clear();  // the one about the description file
    m_ui.chartFile = m_work->filePath("chart.png");
    m_ui.chartSize = QSize(700, 350);
    view->OnSaveChart();
    QVERIFY(m_ui.chartProposed.endsWith("График объекта 05.png"));
    QImage image(m_ui.chartFile);
    QCOMPARE(image.size(), QSize(700, 350));
    QVERIFY(m_ui.messages.isEmpty());
    // Into a folder that does not exist: said, and nothing written.
    m_ui.chartFile = m_work->filePath("missing/chart.svg");
    view->OnSaveChart();
    QCOMPARE(m_ui.messages.size(), 1);
    QVERIFY(!QFile::exists(m_ui.chartFile));

    // Over a picture another program holds open: «Повторить» draws it
    // again, «Отмена» leaves the old one.
    struct Reset {
      ~Reset() { SetFileFaultHook({}); }
    } reset;
    int renames = 0;
    int heldFor = 1;
    SetFileFaultHook([&](EFileStep step) { return step == EFileStep::kRename && ++renames <= heldFor ? EBUSY : 0; });
    const QString busy = "Файл открыт в другой программе. Закройте его там и повторите.";
    m_ui.chartFile = m_work->filePath("chart.png");
    m_ui.chartSize = QSize(300, 200);
    m_ui.messages.clear();
    m_ui.answers = {QMessageBox::Retry};
    view->OnSaveChart();
    QCOMPARE(m_ui.messages, QStringList{busy});
    QCOMPARE(m_ui.buttonsShown.last(), QMessageBox::Retry | QMessageBox::Cancel);
    QCOMPARE(QImage(m_ui.chartFile).size(), QSize(300, 200));
    renames = 0;
    heldFor = 100;
    m_ui.chartSize = QSize(400, 200);
    m_ui.answers = {QMessageBox::Cancel};
    view->OnSaveChart();
    QCOMPARE(m_ui.messages, (QStringList{busy, busy}));
    QCOMPARE(QImage(m_ui.chartFile).size(), QSize(300, 200));
  }
};

QTEST_MAIN(TestChart)
#include "test_chart.moc"
