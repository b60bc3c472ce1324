// The program's dialogs under the offscreen platform: validation and its
// messages, the port list, the spin control, the description's character
// set and length, the versions list, and whether every text fits.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <tuple>

#include "core/archive/instrument_contents.h"
#include "core/description/read_param_class.h"
#include "core/link/serial_ports.h"
#include "gui/app/dialog_ui_services.h"
#include "gui/app/dialogs.h"
#include "render/chart_image.h"
#include "child.h"
#include "search_lines.h"

using namespace tkq::gui;
using tkq::gui::test::Child;

namespace {

const QString kNotInteger = QStringLiteral("Введите целое число");

class CRecordingUi : public CDialogUiServices {
 public:
  QStringList messages;
  QMessageBox::StandardButton Message(QWidget*, const QString& text, QMessageBox::Icon, const QString&,
                                      QMessageBox::StandardButtons, const QString&) override {
    messages << text;
    return QMessageBox::Ok;
  }
  void Beep() override {}
};

QPushButton* Button(const QWidget* dialog, const QString& text) {
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

// Key presses carrying `text`, one character (or surrogate pair) each, as a
// keyboard with any layout would send them.
void Type(QWidget* widget, const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype len = text[i].isHighSurrogate() ? 2 : 1;
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, len), Qt::NoModifier);
    i += len - 1;
  }
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->clear();
  Type(edit, text);
}

// Runs `dialog` modally; `steps` drive it from inside its event loop and
// must close it. A dialog left open is rejected after a few seconds so
// that a fault cannot hang the test.
int RunModal(QDialog& dialog, const std::function<void()>& steps) {
  QTimer::singleShot(0, &dialog, steps);
  QTimer::singleShot(5000, &dialog, &QDialog::reject);
  return dialog.exec();
}

void CreateFile(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

  CRecordingUi m_ui;

 private slots:
  void initTestCase() { SetUi(&m_ui); }
  void init() { m_ui.messages.clear(); }
  void cleanupTestCase() { SetUi(nullptr); }

  // The order and rules of the list are the core's (tests/link/test_serial_ports.cpp).
  void portSettingsListsTheFoundPorts() {
    const tkq::CSerialPorts found = tkq::FindSerialPorts();
    CPortSettings dialog("COM2", 3, 1);
    QStringList shown;
    for (int i = 0; i < Child<QComboBox>(&dialog, "port")->count(); ++i) shown << Child<QComboBox>(&dialog, "port")->itemText(i);
    QStringList names;
    for (const tkq::CSerialPort& port : found.ports) names << QString::fromStdString(port.name);
    QCOMPARE(shown, names);
    QCOMPARE(Child<QComboBox>(&dialog, "port")->itemData(0, Qt::ToolTipRole).toString(),
             QString::fromStdString(found.ports[0].device + ": " + tkq::PortDescription(found.ports[0])));
  }

  void portSettingsShowsTheGivenChoice() {
    CPortSettings first("COM2", 3, 1);
    QCOMPARE(Child<QComboBox>(&first, "port")->itemText(0), QString("COM1"));
    QCOMPARE(Child<QComboBox>(&first, "port")->itemText(3), QString("COM4"));
    QCOMPARE(first.PortName(), QString("COM2"));
    QCOMPARE(first.PortIndex(), 1);
    QCOMPARE(Child<QComboBox>(&first, "baudRate")->currentText(), QString("9600"));
    QCOMPARE(first.Baud(), 9600u);
    QCOMPARE(Child<QLineEdit>(&first, "address")->text(), QString("1"));

    // A device path chosen before is offered again; a bad baud index falls
    // back to 9600.
    CPortSettings path("/dev/pts/7", 6, 17);
    QCOMPARE(path.PortName(), QString("/dev/pts/7"));
    QCOMPARE(path.PortIndex(), -1);
    QCOMPARE(path.Baud(), 9600u);
    QCOMPARE(CPortSettings("COM1", -1, 0).BaudIndex(), 3);

    Child<QComboBox>(&path, "baudRate")->setCurrentIndex(5);
    QCOMPARE(path.Baud(), 38400u);
    Child<QComboBox>(&path, "port")->setCurrentIndex(3);
    QCOMPARE(path.PortIndex(), 3);
    path.show();
    Retype(Child<QComboBox>(&path, "port")->lineEdit(), "/dev/ttyUSB3");
    QCOMPARE(path.PortName(), QString("/dev/ttyUSB3"));
    QCOMPARE(path.PortIndex(), -1);
    Retype(Child<QComboBox>(&path, "port")->lineEdit(), "com3");
    QCOMPARE(path.PortIndex(), -1);
  }

  void portSettingsAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::addColumn<int>("address");
    const QString range = QStringLiteral("Введите целое число в интервале от 0 до 255.");
    QTest::newRow("255") << "255"
                         << "" << 255;
    QTest::newRow("0") << "0"
                       << "" << 0;
    QTest::newRow("blanks") << "  42 "
                            << "" << 42;
    QTest::newRow("256") << "256" << range << 9;
    QTest::newRow("-1") << "-1" << range << 9;
    QTest::newRow("huge") << "99999999999999" << range << 9;
    QTest::newRow("letters") << "abc" << kNotInteger << 9;
    QTest::newRow("trailing") << "12a" << kNotInteger << 9;
    QTest::newRow("inner blank") << "1 2" << kNotInteger << 9;
    QTest::newRow("empty") << "" << kNotInteger << 9;
    QTest::newRow("sign only") << "-" << kNotInteger << 9;
  }

  void portSettingsAddress() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, address);
    CPortSettings dialog("COM2", 3, 9);
    int confirmed = 0;
    dialog.SetOnConfirmed([&](CPortSettings& d) {
      ++confirmed;
      QCOMPARE(d.Address(), address);
    });
    dialog.show();
    Child<QLineEdit>(&dialog, "address")->setText(text);
    Child<QComboBox>(&dialog, "port")->setFocus();
    QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);

    QCOMPARE(dialog.Address(), address);
    if (message.isEmpty()) {
      QVERIFY(m_ui.messages.isEmpty());
      QCOMPARE(confirmed, 1);
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(!dialog.isVisible());
    } else {
      QCOMPARE(m_ui.messages, QStringList{message});
      QCOMPARE(confirmed, 0);
      QVERIFY(dialog.isVisible());
      QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "address"));
      QCOMPARE(Child<QLineEdit>(&dialog, "address")->selectedText(), text);
    }
  }

  void portSettingsModal() {
    // A refused address leaves the dialog open for a second try; the
    // confirmation runs while the dialog is still up, once.
    CPortSettings dialog("COM4", 0, 1);
    QList<bool> visibleWhenConfirmed;
    dialog.SetOnConfirmed([&](CPortSettings& d) { visibleWhenConfirmed << d.isVisible(); });
    const int result = RunModal(dialog, [&] {
      Retype(Child<QLineEdit>(&dialog, "address"), "300");
      QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
      Retype(Child<QLineEdit>(&dialog, "address"), "200");
      QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(m_ui.messages.size(), 1);
    QCOMPARE(visibleWhenConfirmed, QList<bool>{true});
    QCOMPARE(dialog.Address(), 200);

    // Cancel does not validate and confirms nothing.
    CPortSettings cancelled("COM4", 0, 1);
    bool called = false;
    cancelled.SetOnConfirmed([&](CPortSettings&) { called = true; });
    QCOMPARE(RunModal(cancelled,
                      [&] {
                        Retype(Child<QLineEdit>(&cancelled, "address"), "abc");
                        QTest::mouseClick(Button(&cancelled, "Отмена"), Qt::LeftButton);
                      }),
             int(QDialog::Rejected));
    QVERIFY(!called);
    QVERIFY(m_ui.messages.size() == 1);
  }

  void objectNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: accepted
    const QString range = QStringLiteral("Введите целое число в интервале от 1 до 20.");
    QTest::newRow("7") << "7"
                       << "";
    QTest::newRow("20") << "20"
                        << "";
    QTest::newRow("1") << "1"
                       << "";
    QTest::newRow("25") << "25" << range;
    QTest::newRow("0") << "0" << range;
    QTest::newRow("-3") << "-3" << range;
    QTest::newRow("abc") << "abc" << kNotInteger;
    QTest::newRow("empty") << "" << kNotInteger;
  }

  void objectNumber() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    CInputREadObjDialog dialog;
    QCOMPARE(Child<QLineEdit>(&dialog, "number")->text(), QString("1"));
    dialog.show();
    Retype(Child<QLineEdit>(&dialog, "number"), text);
    QCOMPARE(Child<QLineEdit>(&dialog, "number")->text(), text);  // nothing stops the typing
    QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
    if (message.isEmpty()) {
      QVERIFY(m_ui.messages.isEmpty());
      QVERIFY(dialog.m_bAccepted);
      QCOMPARE(dialog.m_nObjectNumber, text.toInt());
      QVERIFY(!dialog.isVisible());
    } else {
      QCOMPARE(m_ui.messages, QStringList{message});
      QVERIFY(!dialog.m_bAccepted);
      QVERIFY(dialog.isVisible());
      QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(&dialog, "number"));
    }
  }

  void objectNumberCancelAfterRefusal() {
    CInputREadObjDialog dialog;
    const int result = RunModal(dialog, [&] {
      Retype(Child<QLineEdit>(&dialog, "number"), "25");
      QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
      QTest::mouseClick(Button(&dialog, "Отмена"), Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(m_ui.messages.size(), 1);
    QVERIFY(!dialog.m_bAccepted);
  }

  void objectNumberSpin() {
    CInputREadObjDialog dialog;
    dialog.show();
    QLineEdit* edit = Child<QLineEdit>(&dialog, "number");
    QTest::mouseClick(Child<QToolButton>(&dialog, "down"), Qt::LeftButton);
    QCOMPARE(edit->text(), QString("1"));
    QTest::mouseClick(Child<QToolButton>(&dialog, "up"), Qt::LeftButton);
    QTest::mouseClick(Child<QToolButton>(&dialog, "up"), Qt::LeftButton);
    QCOMPARE(edit->text(), QString("3"));
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QString("4"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), QString("2"));

    Retype(edit, "19");
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QString("20"));
    QTest::mouseClick(Child<QToolButton>(&dialog, "up"), Qt::LeftButton);
    QCOMPARE(edit->text(), QString("20"));
    Retype(edit, "25");  // out of range: stepping starts from the nearest end
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), QString("19"));
    Retype(edit, "abc");
    QTest::mouseClick(Child<QToolButton>(&dialog, "up"), Qt::LeftButton);
    QCOMPARE(edit->text(), QString("2"));

    // Stepping leaves the focus in the field and the number is taken.
    QCOMPARE(dialog.focusWidget(), edit);
    dialog.accept();
    QCOMPARE(dialog.m_nObjectNumber, 2);
  }

  void descriptionCharacters() {
    CEditDescDialog dialog(QStringLiteral("Узел учёта №1"));
    QCOMPARE(dialog.Text(), QStringLiteral("Узел учёта №1"));
    dialog.show();
    QLineEdit* edit = Child<QLineEdit>(&dialog, "description");

    // Typed: what code page 1251 holds is taken, the rest is not.
    Retype(edit, QStringLiteral("Ёж € – «x» 漢😀ß"));
    QCOMPARE(dialog.Text(), QStringLiteral("Ёж € – «x» "));

    // Pasted into the middle: the foreign characters drop out, the cursor
    // ends after the pasted text.
    edit->setText(QStringLiteral("ab"));
    edit->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("Пр漢и😀в\tет"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dialog.Text(), QStringLiteral("aПриветb"));
    QCOMPARE(edit->cursorPosition(), 7);
  }

  void descriptionLength() {
    CEditDescDialog dialog{QString()};
    dialog.show();
    QLineEdit* edit = Child<QLineEdit>(&dialog, "description");
    Type(edit, QString(260, u'ж'));
    QCOMPARE(dialog.Text(), QString(250, u'ж'));

    edit->clear();
    Type(edit, QString(10, u'a'));
    QGuiApplication::clipboard()->setText(QString(300, u'b'));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dialog.Text(), QString(10, u'a') + QString(240, u'b'));

    // A longer description from a file shows cut, and stays whole until
    // it is edited.
    CEditDescDialog full(QString(300, u'c'));
    QCOMPARE(Child<QLineEdit>(&full, "description")->text().size(), 250);
    QCOMPARE(full.Text().size(), 300);
  }

  void versionsList() {
    // Every name, also one that comes twice, sorted without regard to case;
    // names equal but for case keep their order.
    const std::vector<std::string> names = {"TARVIK 59.11.02.00", "TARVIK 59.11.00.02", "Версия Б",
                                            "TARVIK 59.11.01.03", "TARVIK 59.11.00.02", "Версия А",
                                            "tarvik 59.11.01.00", "версия а",           "Tarvik 59.11.01.00"};
    CListVersionsDialog dialog(names);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Поддерживаемые версии  ПО прибора"));
    QStringList shown;
    for (int i = 0; i < Child<QListWidget>(&dialog, "versions")->count(); ++i) shown << Child<QListWidget>(&dialog, "versions")->item(i)->text();
    QCOMPARE(shown, (QStringList{"TARVIK 59.11.00.02", "TARVIK 59.11.00.02", "tarvik 59.11.01.00", "Tarvik 59.11.01.00",
                                 "TARVIK 59.11.01.03", "TARVIK 59.11.02.00", QStringLiteral("Версия А"),
                                 QStringLiteral("версия а"), QStringLiteral("Версия Б")}));
    QCOMPARE(RunModal(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); }), int(QDialog::Accepted));

    // The eighteen versions of the built-in description are all in view.
    std::vector<std::string> eighteen;
    for (int i = 0; i < 18; ++i) eighteen.push_back("TARVIK 59.11.03." + std::to_string(10 + i));
    CListVersionsDialog all(eighteen);
    all.show();
    const QRect viewport = Child<QListWidget>(&all, "versions")->viewport()->rect();
    for (int i = 0; i < Child<QListWidget>(&all, "versions")->count(); ++i) {
      QVERIFY2(viewport.contains(Child<QListWidget>(&all, "versions")->visualItemRect(Child<QListWidget>(&all, "versions")->item(i))), qPrintable(QString::number(i)));
    }
  }

  // The description's field says what it is for.
  void descriptionIsLabelled() {
    CEditDescDialog dialog{QString()};
    QVERIFY(Child<QLabel>(&dialog, "label")->text().contains(QStringLiteral("Описание объекта")));
    QCOMPARE(Child<QLabel>(&dialog, "label")->buddy(), Child<QLineEdit>(&dialog, "description"));
    QVERIFY(Child<QLabel>(&dialog, "label")->geometry().bottom() < Child<QLineEdit>(&dialog, "description")->geometry().top());
  }

  // Both file dialogs show "Все файлы (*.*)" and list every file of the
  // folder, also one without an extension, which can be chosen.
  void fileDialogsListEveryFile() {
    QTemporaryDir dir;
    CreateFile(dir.filePath("archive"));
    CreateFile(dir.filePath("archive.sav"));
    for (const bool save : {false, true}) {
      QStringList filters;
      QStringList listed;
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        QTimer::singleShot(5000, dialog, &QDialog::reject);
        auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; combo != nullptr && i < combo->count(); ++i) filters << combo->itemText(i);
        auto* view = dialog->findChild<QListView*>("listView");
        if (view == nullptr) return dialog->reject();
        QAbstractItemModel* model = view->model();
        // The folder is read in the background: wait for both files, or
        // for the time one would need.
        (void)QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) >= 2; }, 2000);
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
          const QModelIndex index = model->index(row, 0, view->rootIndex());
          listed << index.data().toString();
          // Opening: the file without an extension is chosen in the list.
          if (!save && index.data().toString() == "archive") view->setCurrentIndex(index);
        }
        if (save) dialog->findChild<QLineEdit*>("fileNameEdit")->setText("new");
        static_cast<QDialog*>(dialog)->accept();
      });
      const QString chosen = save ? m_ui.SaveFileName(nullptr, "Сохранить как", dir.path())
                                  : m_ui.OpenFileName(nullptr, "Открыть", dir.path());
      QCOMPARE(filters, QStringList{QStringLiteral("Все файлы (*.*)")});
      listed.sort();
      QCOMPARE(listed, (QStringList{"archive", "archive.sav"}));
      QCOMPARE(chosen, dir.filePath(save ? "new" : "archive"));
    }
  }

  void aboutCloses() {
    CAboutDlg dialog;
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("Версия 1.25")));
    QCOMPARE(RunModal(dialog, [&] { QTest::mouseClick(Button(&dialog, "ЗАКРЫТЬ"), Qt::LeftButton); }),
             int(QDialog::Accepted));
  }

  // Every control lies inside its dialog, none overlaps another, and every
  // text fits its control in the font in use.
  void layoutsFit() {
    CPortSettings ports("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", 3, 1);
    CInputREadObjDialog object;
    CEditDescDialog description(QStringLiteral("Описание"));
    CAboutDlg about;
    CListVersionsDialog versions({"TARVIK 59.11.03.02"});
    tkq::CInstrumentContents contents;
    contents.deviceId = "TARVIK 59.11.03.04 SN 1234567";
    CInstrumentContentsDialog noObjects(contents, 9600);
    tkq::CObjectContents one;
    one.object = 1;
    one.files = {{"Obj01_0.arc", 113880}, {"Obj01_0.par", 272}};
    contents.objects = {one};
    CInstrumentContentsDialog oneObject(contents, 38400);
    CSaveChartDialog chart(QStringLiteral("/home/user/График объекта 01.png"), QSize(1200, 600));
    const test::CSearchLines lines({});
    CSearchDialog search({"COM2", 9600, 1}, false, nullptr);
    // Its longest outcome, over three ports.
    Child<QLabel>(&search, "status")->setText(QStringLiteral(
        "Прибор не найден. Порты: COM1, COM3, COM4; скорости: 1200, 2400, 4800, 9600, 19200, 38400 бод; адреса: 1, "
        "12. Можно запустить полный поиск (все адреса 1\u2060–\u2060247)."));
    for (QDialog* dialog : std::initializer_list<QDialog*>{&ports, &object, &description, &about, &versions, &noObjects,
                                                           &oneObject, &chart, &search}) {
      const QString name = dialog->windowTitle();
      QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
      QVERIFY2(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint), qPrintable(name));
      const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (const QWidget* control : controls) {
        const QString where = name + ": " + control->metaObject()->className();
        QVERIFY2(dialog->rect().contains(control->geometry()), qPrintable(where));
        for (const QWidget* other : controls) {
          if (other != control && !other->isWindow() && !control->isWindow()) {
            QVERIFY2(!control->geometry().intersects(other->geometry()), qPrintable(where));
          }
        }
        if (const auto* label = qobject_cast<const QLabel*>(control); label && !label->text().isEmpty()) {
          const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                              : label->sizeHint().width() <= label->width();
          QVERIFY2(fits, qPrintable(name + ": " + label->text()));
        }
        if (const auto* button = qobject_cast<const QPushButton*>(control)) {
          QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(),
                   qPrintable(name + ": " + button->text()));
        }
      }
    }
  }

  // The chart's file must end in one of the chart's formats, in any case;
  // the size is taken as given.
  void saveChartChecksTheFilesEnding() {
    CSaveChartDialog dialog(QStringLiteral("chart.gif"), QSize(800, 400));
    QCOMPARE(dialog.Size(), QSize(800, 400));
    const int result = RunModal(dialog, [&] {
      QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
      Child<QLineEdit>(&dialog, "file")->setText(QStringLiteral(" chart.PDF "));
      Child<QSpinBox>(&dialog, "height")->setValue(500);
      QTest::mouseClick(Button(&dialog, "OK"), Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    const QString endings = tkq::render::ChartImageFormats().contains("svg") ? ".png, .svg или .pdf" : ".png или .pdf";
    QCOMPARE(m_ui.messages, QStringList{"Укажите файл с расширением " + endings});
    QCOMPARE(dialog.File(), QStringLiteral("chart.PDF"));
    QCOMPARE(dialog.Size(), QSize(800, 500));
  }

  void theInstrumentsContentsChooseOnlyWhatCanBeRead() {
    tkq::CInstrumentContents contents;
    contents.deviceId = "TARVIK 59.11.03.04 SN 1";
    tkq::CObjectContents three;
    three.object = 3;
    three.records = 8760;
    three.files = {{"Obj03_0.arc", 113880}, {"Obj03_0.par", 272}};
    three.readSeconds = 83;
    tkq::CObjectContents five;
    five.object = 5;
    five.files = {{"Obj05_0.arc", 1300}};
    five.missing = {"Obj05_0.par"};
    five.readable = false;
    contents.objects = {five, three};
    CInstrumentContentsDialog dialog(contents, 9600);
    QCOMPARE(Child<QTableWidget>(&dialog, "objects")->rowCount(), 2);
    QCOMPARE(Child<QTableWidget>(&dialog, "objects")->item(1, 2)->text(), QString("1 мин 23 с"));
    QVERIFY(Child<QTableWidget>(&dialog, "objects")->item(0, 3)->text().endsWith("не будет прочитан: нет Obj05_0.par"));
    // The first that can be read is ready; the other cannot be chosen.
    QCOMPARE(Child<QTableWidget>(&dialog, "objects")->currentRow(), 1);
    QVERIFY(Child<QPushButton>(&dialog, "read")->isEnabled());
    Child<QTableWidget>(&dialog, "objects")->selectRow(0);
    QVERIFY(!Child<QPushButton>(&dialog, "read")->isEnabled());
    emit Child<QTableWidget>(&dialog, "objects")->cellDoubleClicked(0, 0);
    QCOMPARE(dialog.ChosenObject(), 0);
    Child<QTableWidget>(&dialog, "objects")->selectRow(1);
    emit Child<QTableWidget>(&dialog, "objects")->cellDoubleClicked(1, 0);
    QCOMPARE(dialog.ChosenObject(), 3);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  // The quick search over the ports present (and the configured one not
  // among them) finds the instrument on its port, shows it, and applies it.
  void theSearchFindsAndAppliesTheInstrument() {
    test::CSearchLines lines({"A", "B"});
    lines.instruments["B"] = {2400, 7};
    tkq::CReadParamClass description;
    description.LoadBuiltIn();
    CSearchDialog dialog({"COM9", 9600, 7}, true, &description);
    QCOMPARE(dialog.Ports(), (std::vector<std::string>{"COM9", "A", "B"}));
    QVERIFY(!dialog.IsSearching());  // nothing before it is shown
    QCOMPARE(lines.Probes(), size_t{0});
    bool searched = false;
    const int result = RunModal(dialog, [&] {
      searched = dialog.WaitForEnd(5000);
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->rowCount(), 1);
      QVERIFY(Child<QTableWidget>(&dialog, "table")->item(0, 0)->text().startsWith("B"));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->item(0, 1)->text(), QString("2400"));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->item(0, 2)->text(), QString("7"));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->item(0, 3)->text(), QString("TARVIK 59.11.03.04 SN 1"));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->currentRow(), 0);
      QCOMPARE(Child<QLabel>(&dialog, "status")->text(), QString("Найдено приборов: 1"));
      QCOMPARE(Child<QProgressBar>(&dialog, "bar")->value(), Child<QProgressBar>(&dialog, "bar")->maximum());
      QVERIFY(!Child<QPushButton>(&dialog, "stop")->isEnabled());
      QVERIFY(Child<QPushButton>(&dialog, "full")->isEnabled());  // A and COM9 are left
      QVERIFY(Child<QPushButton>(&dialog, "apply")->isEnabled());
      QTest::mouseClick(Child<QPushButton>(&dialog, "apply"), Qt::LeftButton);
    });
    QVERIFY(searched);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(dialog.Chosen(), (tkq::CLinkSettings{"B", 2400, 7}));
    // Nothing but the quick combinations (addresses 7 and 1 at each rate),
    // each once: COM9 and A all twelve, B up to its answer.
    std::set<std::tuple<std::string, uint32_t, int>> seen;
    for (const tkq::CLinkSettings& p : lines.probes) QVERIFY(seen.emplace(p.port, p.baudRate, p.address).second);
    QVERIFY(seen.count({"B", 2400, 7}) == 1 && seen.count({"B", 1200, 1}) == 0);
    QCOMPARE(lines.probes.size(), size_t{12 + 12 + 9});
  }

  // Nothing found: said so, the ports that did not open listed; the full
  // search then tries the other addresses, keeping what was found.
  void theFullSearchFollowsAFruitlessQuickOne() {
    test::CSearchLines lines({"A", "B"});
    lines.refused = {"B"};
    CSearchDialog dialog({"A", 9600, 1}, true, nullptr);
    const int result = RunModal(dialog, [&] {
      QVERIFY(dialog.WaitForEnd(5000));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->rowCount(), 0);
      // What was tried: B did not open.
      QCOMPARE(Child<QLabel>(&dialog, "status")->text(),
               QString("Прибор не найден. Порты: A; скорости: 1200, 2400, 4800, 9600, 19200, 38400 бод; адреса: 1. "
                       "Можно запустить полный поиск (все адреса 1\u2060–\u2060247)."));
      QVERIFY(Child<QPlainTextEdit>(&dialog, "failed")->toPlainText().startsWith("B: ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ"));
      QVERIFY(!Child<QPushButton>(&dialog, "apply")->isEnabled());
      QVERIFY(Child<QPushButton>(&dialog, "full")->isEnabled());
      const size_t quick = lines.Probes();
      QCOMPARE(quick, size_t{6});  // 9600 at 1 first, then address 1 at the six rates

      lines.instruments["A"] = {1200, 200};
      QTest::mouseClick(Child<QPushButton>(&dialog, "full"), Qt::LeftButton);
      QVERIFY(dialog.IsSearching());
      QVERIFY(!Child<QPushButton>(&dialog, "full")->isEnabled());
      QVERIFY(dialog.WaitForEnd(10000));
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->rowCount(), 1);
      QCOMPARE(Child<QTableWidget>(&dialog, "table")->item(0, 3)->text(), QString("TARVIK 59.11.03.04 SN 1 (версия не описана)"));
      QCOMPARE(Child<QLabel>(&dialog, "status")->text(), QString("Найдено приборов: 1"));
      // No quick combination again; 1200 is the last rate, 200 the 199th
      // address there after the first.
      QCOMPARE(lines.Probes(), quick + 5 * 246 + 199);
      QVERIFY(!Child<QPushButton>(&dialog, "full")->isEnabled());  // nothing more to try
      dialog.reject();
    });
    QCOMPARE(result, int(QDialog::Rejected));
  }

  // "Стоп" and "Отмена" end a running search within a fraction of a
  // second; "Стоп" keeps the dialog.
  void aRunningSearchStops() {
    test::CSearchLines lines({"A"});
    lines.probeMs = 200;  // the quick search's six probes: over a second
    {
      CSearchDialog dialog({"A", 9600, 1}, true, nullptr);
      QElapsedTimer clock;
      RunModal(dialog, [&] {
        QTRY_VERIFY(Child<QLabel>(&dialog, "status")->text().startsWith("Проверяется: A: "));
        QVERIFY(Child<QPushButton>(&dialog, "stop")->isEnabled());
        clock.start();
        QTest::mouseClick(Child<QPushButton>(&dialog, "stop"), Qt::LeftButton);
        QVERIFY(!Child<QPushButton>(&dialog, "stop")->isEnabled());
        QVERIFY(dialog.WaitForEnd(3000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(Child<QLabel>(&dialog, "status")->text().startsWith("Поиск остановлен. Прибор не найден."));
        // The range stays whole on its line, and the outcome fits.
        QVERIFY(Child<QLabel>(&dialog, "status")->text().endsWith("(все адреса 1\u2060–\u2060247)."));
        QVERIFY(Child<QLabel>(&dialog, "status")->heightForWidth(Child<QLabel>(&dialog, "status")->width()) <= Child<QLabel>(&dialog, "status")->height());
        QVERIFY(Child<QPushButton>(&dialog, "full")->isEnabled());  // the full search then takes the quick part too
        QVERIFY(dialog.isVisible());
        dialog.reject();
      });
      QVERIFY(lines.Probes() < 6);
    }
    CSearchDialog dialog({"A", 9600, 1}, true, nullptr);
    QElapsedTimer clock;
    const int result = RunModal(dialog, [&] {
      QTRY_VERIFY(dialog.IsSearching() && lines.Probes() > 0);
      clock.start();
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!dialog.IsSearching());
  }

  // The ports searched: the machine's, with the configured one only when
  // the user named it; or those typed in the field, even ones the machine
  // lacks (their error said). The status line names every port under way.
  void thePortFieldNamesThePortsSearched() {
    QCOMPARE(TypedPorts(QStringLiteral(" X, A;B  A ")), (std::vector<std::string>{"X", "A", "B"}));
    QVERIFY(TypedPorts(QStringLiteral(" ,; ")).empty());
    test::CSearchLines lines({"A", "B"});
    lines.refused = {"X"};
    lines.probeMs = 300;  // each combination stays on the status line a while
    QCOMPARE(CSearchDialog({"COM2", 9600, 1}, false, nullptr).Ports(), (std::vector<std::string>{"A", "B"}));
    CSearchDialog dialog({"COM2", 9600, 1}, true, nullptr);
    QCOMPARE(dialog.Ports(), (std::vector<std::string>{"COM2", "A", "B"}));
    RunModal(dialog, [&] {
      QTRY_COMPARE(Child<QLabel>(&dialog, "status")->text(), QString("Проверяется: COM2, A, B: 9600 бод, адрес 1"));
      QVERIFY(!Child<QPushButton>(&dialog, "find")->isEnabled());
      Child<QPushButton>(&dialog, "stop")->click();
      QVERIFY(dialog.WaitForEnd(3000));
      lines.probeMs = 0;

      Child<QLineEdit>(&dialog, "ports")->setText(QStringLiteral("X, A"));
      QCOMPARE(dialog.Ports(), (std::vector<std::string>{"X", "A"}));
      QVERIFY(Child<QPushButton>(&dialog, "find")->isEnabled());
      const size_t before = lines.Probes();
      Child<QPushButton>(&dialog, "find")->click();
      QVERIFY(dialog.WaitForEnd(5000));
      QCOMPARE(Child<QPlainTextEdit>(&dialog, "failed")->toPlainText().section('\n', 0, 0), QString("X: ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ"));
      QCOMPARE(Child<QLabel>(&dialog, "status")->text(),
               QString("Прибор не найден. Порты: A; скорости: 1200, 2400, 4800, 9600, 19200, 38400 бод; адреса: 1. "
                       "Можно запустить полный поиск (все адреса 1\u2060–\u2060247)."));
      QCOMPARE(lines.Probes(), before + 6);  // A alone
      // Emptied, the field gives the machine's ports back.
      Child<QLineEdit>(&dialog, "ports")->clear();
      QCOMPARE(dialog.Ports(), (std::vector<std::string>{"COM2", "A", "B"}));
      dialog.reject();
    });
  }

  // «Найти прибор...» puts what the search found into the fields.
  void portSettingsTakeTheFoundInstrument() {
    test::CSearchLines lines({"A", "B"});
    lines.instruments["B"] = {2400, 7};
    CPortSettings ports("A", 3, 7);
    QVERIFY(Child<QPushButton>(&ports, "findInstrument") != nullptr && Child<QPushButton>(&ports, "findInstrument")->text() == QString("Найти прибор..."));
    QTimer::singleShot(0, [] {
      auto* search = qobject_cast<CSearchDialog*>(QApplication::activeModalWidget());
      if (search == nullptr) return;
      QVERIFY(search->WaitForEnd(5000));
      QTest::mouseClick(Child<QPushButton>(search, "apply"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>(&ports, "findInstrument"), Qt::LeftButton);
    QCOMPARE(ports.PortName(), QString("B"));
    QCOMPARE(ports.Baud(), 2400u);
    QCOMPARE(Child<QLineEdit>(&ports, "address")->text(), QString("7"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // The port a fresh profile starts with is searched once chosen.
    CPortSettings fresh("COM2", 3, 1);
    fresh.SetPortChosen(false);
    const auto portsSearched = [&] {
      std::vector<std::string> searched;
      QTimer::singleShot(0, [&] {
        auto* search = qobject_cast<CSearchDialog*>(QApplication::activeModalWidget());
        if (search == nullptr) return;
        searched = search->Ports();
        search->reject();
      });
      QTest::mouseClick(Child<QPushButton>(&fresh, "findInstrument"), Qt::LeftButton);
      return searched;
    };
    QCOMPARE(portsSearched(), (std::vector<std::string>{"A", "B"}));
    emit Child<QComboBox>(&fresh, "port")->activated(Child<QComboBox>(&fresh, "port")->currentIndex());
    QCOMPARE(portsSearched(), (std::vector<std::string>{"COM2", "A", "B"}));
  }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
