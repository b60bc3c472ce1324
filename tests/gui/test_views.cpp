// The four windows of an archive: the settings form and its events, the
// archive table's columns and cells under the switches, the abnormal
// table, the parameter tree, and the reports the tables write.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "core/archive/saved_archive.h"
#include "core/base/cp1251.h"
#include "core/output/report.h"
#include "core/output/text_forms.h"
#include "gui/app/application.h"
#include "gui/app/dialogs.h"
#include "gui/app/main_frame.h"
#include "gui/views/abnormal_view.h"
#include "gui/views/archive_view.h"
#include "gui/views/param_tree_view.h"
#include "gui/views/settings_view.h"
#include "program_test.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;

class TestViews : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  // The program with an archive of object 5 open: hourly records from
  // 01.02.2012 10:00 with the given quantity types.
  CTRV_KQ_VRApp& Open(uint8_t first = 0, uint8_t second = 1, size_t records = 12, const std::string& text = "Ввод 1") {
    Start();
    auto description = tkq::test::BuiltInDescription();
    tkq::test::Bytes err;
    tkq::test::AppendAbnormal(err, 1328090400 + 3600, 1328090400 + 7200, 3);
    for (uint32_t i = 0; i < 11; ++i)
      tkq::test::AppendAbnormal(err, 1328200000 + i * 100, 1328200000 + i * 100 + 50, 1);
    auto obj = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", first, second, records, err);
    obj->m_strDescription = text;
    const QString path = m_work->filePath("obj.sav");
    SaveSavedArchive(path.toStdString(), *obj);
    m_app->OpenArchiveFile(path);
    return *m_app;
  }

  static QStringList Headers(QAbstractItemModel* model) {
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c) headers << model->headerData(c, Qt::Horizontal).toString();
    return headers;
  }

  static QStringList Row(QAbstractItemModel* model, int row) {
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c) cells << model->data(model->index(row, c)).toString();
    return cells;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() { End(); }

  void theSettingsFormStartsFromItsOwnChoices() {
    CTRV_KQ_VRApp& app = Open();
    // A saved archive carries its own choices; the form passes its own.
    auto* form = Find<CObjViewSettings>();
    QVERIFY(form != nullptr);
    QCOMPARE(Child<QLineEdit>(form, "title")->text(), QString::fromStdString(ObjectTitle(5, 1700000000)));
    QCOMPARE(Child<QTextEdit>(form, "description")->toPlainText(), QString("Ввод 1"));
    for (QCheckBox* box : {Child<QCheckBox>(form, "showFirst"), Child<QCheckBox>(form, "showSecond"), Child<QCheckBox>(form, "showTime"), Child<QCheckBox>(form, "showStart"), Child<QCheckBox>(form, "showEnd"),
                           Child<QCheckBox>(form, "showAbnormal"), Child<QCheckBox>(form, "showNumber")}) {
      QVERIFY(box->isChecked());
    }
    QVERIFY(app.Document().Columns().m_bShowNumber);  // the form switched all seven on
    QVERIFY(!Child<QCheckBox>(form, "result")->isChecked());
    QVERIFY(Child<QCheckBox>(form, "result")->isEnabled());
    QCOMPARE(Child<QComboBox>(form, "outputType1")->count(), 3);
    QCOMPARE(Child<QComboBox>(form, "outputType1")->itemText(0), QString("Изменение объема +"));
    QCOMPARE(Child<QComboBox>(form, "outputType2")->itemText(2), QString("Объем -"));
    QCOMPARE(Child<QComboBox>(form, "unit1")->itemText(0), QString("м3"));
    QCOMPARE(int(app.Document().Object()->m_nOutputType1), 0);
    QCOMPARE(int(app.Document().Object()->m_bResult), 0);
  }

  void theArchiveTableFollowsTheSwitches() {
    Open();
    auto* form = Find<CObjViewSettings>();
    auto* view = Find<CTRV_KQ_VRView>();
    QAbstractItemModel* model = view->model();
    QCOMPARE(Headers(model), (QStringList{"№", "Изменение объема +, м3", "Изменение объема -, м3", "Начало интервала",
                                          "Конец интервала", "Время архивирования", "Нештатная ситуация"}));
    QCOMPARE(model->rowCount(), 11);
    QCOMPARE(Row(model, 0), (QStringList{"    1", "          1.5000", "          0.2500", "01.02.2012 10:00:00",
                                         "01.02.2012 11:00:00", "100.00%", QString(26, ' ')}));
    QCOMPARE(Row(model, 1)[5], QString("  0.00%"));
    QCOMPARE(Row(model, 1)[6], QString("        НЕТ ОТВЕТА        "));
    QCOMPARE(model->data(model->index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QVERIFY(view->horizontalHeader()->sectionSize(0) >= 40);
    QVERIFY(view->horizontalHeader()->sectionSize(1) >= 150);
    // Wide enough that neither a caption nor a cell is cut.
    const QFontMetrics fm = view->fontMetrics();
    QVERIFY(view->horizontalHeader()->sectionSize(6) > fm.horizontalAdvance("ПРЕВЫШЕНИЕ СКОРОСТИ ПОТОКА"));

    Child<QCheckBox>(form, "showStart")->click();  // off
    QCOMPARE(Headers(model), (QStringList{"№", "Изменение объема +, м3", "Изменение объема -, м3", "Конец интервала",
                                          "Время архивирования", "Нештатная ситуация"}));
    QCOMPARE(Row(model, 0)[3], QString("01.02.2012 11:00:00"));
    Child<QCheckBox>(form, "showNumber")->click();
    QCOMPARE(Headers(model).first(), QString("Изменение объема +, м3"));
    for (QCheckBox* box :
         {Child<QCheckBox>(form, "showFirst"), Child<QCheckBox>(form, "showSecond"), Child<QCheckBox>(form, "showTime"), Child<QCheckBox>(form, "showEnd"), Child<QCheckBox>(form, "showAbnormal")}) {
      box->click();
    }
    QCOMPARE(model->columnCount(), 0);
    QCOMPARE(model->rowCount(), 11);  // one empty row per interval still
  }

  void outputTypesUnitsAndTheResultingParameter() {
    CTRV_KQ_VRApp& app = Open();
    auto* form = Find<CObjViewSettings>();
    QAbstractItemModel* model = Find<CTRV_KQ_VRView>()->model();

    Child<QComboBox>(form, "unit2")->setCurrentIndex(1);  // л
    QCOMPARE(Headers(model)[2], QString("Изменение объема -, л"));
    QCOMPARE(Row(model, 0)[2], QString("        250.0000"));
    // Another output type for the first parameter refills both unit lists.
    Child<QComboBox>(form, "outputType1")->setCurrentIndex(1);
    QCOMPARE(Child<QComboBox>(form, "unit1")->itemText(0), QString("м3/ч"));
    QCOMPARE(Child<QComboBox>(form, "unit2")->currentIndex(), 0);
    QCOMPARE(Headers(model)[1], QString("Расход +, м3/ч"));
    QCOMPARE(Headers(model)[2], QString("Изменение объема -, м3"));
    Child<QComboBox>(form, "unit1")->setCurrentIndex(1);
    QCOMPARE(Row(model, 0)[1], QString("         25.0000"));  // 1.5 m3 an hour in l/min

    // The resulting parameter: both lists refilled from the first entry.
    Child<QCheckBox>(form, "result")->click();
    QCOMPARE(Child<QComboBox>(form, "outputType1")->itemText(0), QString("Изменение объема"));
    QCOMPARE(Child<QComboBox>(form, "outputType1")->currentIndex(), 0);
    QCOMPARE(Child<QComboBox>(form, "unit1")->currentIndex(), 0);
    QCOMPARE(Headers(model)[1], QString("Изменение объема, м3"));
    QCOMPARE(Row(model, 0)[1], QString("          1.7500"));
    QCOMPARE(int(app.Document().Object()->m_bResult), 1);
  }

  void theResultingParameterIsOffForOtherQuantities() {
    Open(0, 4);
    auto* form = Find<CObjViewSettings>();
    QVERIFY(!Child<QCheckBox>(form, "result")->isEnabled());
    QVERIFY(!Child<QCheckBox>(form, "result")->isChecked());
  }

  void aClosedArchiveWindowReopensOnAChange() {
    CTRV_KQ_VRApp& app = Open();
    auto* form = Find<CObjViewSettings>();
    for (CChildFrame* frame : app.MainFrame()->Documents()) {
      if (qobject_cast<CTRV_KQ_VRView*>(frame->widget()) != nullptr) delete frame;
    }
    QVERIFY(Find<CTRV_KQ_VRView>() == nullptr);
    Child<QCheckBox>(form, "showEnd")->click();
    QVERIFY(Find<CTRV_KQ_VRView>() != nullptr);
    QCOMPARE(Find<CTRV_KQ_VRView>()->model()->columnCount(), 6);
  }

  void theDescriptionIsEditedInTheForm() {
    CTRV_KQ_VRApp& app = Open();
    auto* form = Find<CObjViewSettings>();
    m_ui.description = "Новое описание";
    Child<QPushButton>(form, "editDescription")->click();
    QCOMPARE(Child<QTextEdit>(form, "description")->toPlainText(), QString("Новое описание"));
    QCOMPARE(QString::fromStdString(app.Document().Object()->m_strDescription), QString("Новое описание"));
    m_ui.descriptionConfirmed = false;
    m_ui.description = "не это";
    Child<QPushButton>(form, "editDescription")->click();
    QCOMPARE(Child<QTextEdit>(form, "description")->toPlainText(), QString("Новое описание"));
  }

  // The dialog starts from the object's own description, not from the
  // form that shows it: OK without an edit changes nothing, whatever the
  // text holds.
  void theDescriptionDialogStartsFromTheObject() {
    const std::string stored = "Ввод\u00A01\nкорпус 2, " + std::string(300, 'x');
    CTRV_KQ_VRApp& app = Open(0, 1, 12, stored);
    QCOMPARE(QString::fromStdString(app.Document().Object()->m_strDescription), QString::fromStdString(stored));
    SetUi(nullptr);  // the program's own dialog
    QString seed;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<CEditDescDialog*>(QApplication::activeModalWidget())) {
        seed = dialog->Text();
        dialog->accept();
      }
    });
    Child<QPushButton>(Find<CObjViewSettings>(), "editDescription")->click();
    SetUi(&m_ui);
    QCOMPARE(seed, QString::fromStdString(stored));
    QCOMPARE(QString::fromStdString(app.Document().Object()->m_strDescription), QString::fromStdString(stored));
  }

  void theAbnormalTable() {
    Open();
    auto* view = Find<CErrorListView>();
    QAbstractItemModel* model = view->model();
    QCOMPARE(Headers(model),
             (QStringList{"№", "Нештатная ситуация", "Начало нештатной ситуации", "Конец нештатной ситуации"}));
    QCOMPARE(model->rowCount(), 12);
    QCOMPARE(Row(model, 0),
             (QStringList{"    1", "        НЕТ ОТВЕТА        ", "01.02.2012 11:00:00", "01.02.2012 12:00:00"}));
    QCOMPARE(Row(model, 9)[0], QString("   10"));
    QVERIFY(view->horizontalHeader()->sectionSize(2) >= 180);
  }

  void theParameterTreeStartsCollapsed() {
    Open();
    auto* tree = Find<CParamTreeView>();
    QCOMPARE(tree->topLevelItemCount(), 7);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("Системные настройки прибора"));
    QCOMPARE(tree->topLevelItem(6)->text(0), QString("Параметры теплоcети"));
    QCOMPARE(tree->CountShownLines(), 0);
    tree->topLevelItem(0)->setExpanded(true);
    QCOMPARE(tree->CountShownLines(), 8);
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("Время инерции, с    0"));
  }

  void theReportsAreTheCoresBytes() {
    CTRV_KQ_VRApp& app = Open();
    CMainFrame* frame = app.MainFrame();
    Child<QCheckBox>(Find<CObjViewSettings>(), "showNumber")->click();  // a switch change reaches the report too

    m_ui.saveAnswer = m_work->filePath("archive.txt");
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[1]);
    frame->Action(ECommand::kReport)->trigger();
    CStringSink expected;
    WriteArchiveReport(*app.Document().Object(), app.Document().Columns(), expected);
    QFile archive(m_ui.saveAnswer);
    QVERIFY(archive.open(QIODevice::ReadOnly));
    QCOMPARE(archive.readAll().toStdString(), expected.Text());
    QVERIFY(!expected.Text().empty());
    QCOMPARE(app.Settings().value("CONTROL/DIR").toString(), m_work->path());

    m_ui.saveAnswer = m_work->filePath("params.txt");
    auto* tree = Find<CParamTreeView>();
    tree->topLevelItem(1)->setExpanded(true);
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[3]);
    frame->Action(ECommand::kReport)->trigger();
    QFile params(m_ui.saveAnswer);
    QVERIFY(params.open(QIODevice::ReadOnly));
    const QByteArray text = params.readAll();
    QVERIFY(text.startsWith(QByteArray::fromStdString(Utf8ToCp1251("Основные параметры\n       "))));
    QCOMPARE(text.count('\n'), 1 + tree->topLevelItem(1)->childCount());

    m_ui.saveAnswer = m_work->filePath("no-such-folder/abnormal.txt");
    frame->MdiArea()->setActiveSubWindow(frame->Documents()[2]);
    frame->Action(ECommand::kReport)->trigger();
    QCOMPARE(m_ui.messages.last(), QString("Ошибка открытия файла"));

    m_ui.saveAnswer.clear();  // cancelled: nothing happens
    const int messages = m_ui.messages.size();
    frame->Action(ECommand::kReport)->trigger();
    QCOMPARE(m_ui.messages.size(), messages);
  }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"
