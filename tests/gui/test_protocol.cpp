// The survey protocol in the program: the menu items, the dialog starting
// from a journal survey's typed fields and keeping them, the parameter rows
// ticked by default and by the profile's names, the preview and the files,
// the requisites, and the journal window's «Протокол...».

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include "core/archive/saved_archive.h"
#include "gui/app/journal_window.h"
#include "gui/dialogs/requisites_dialog.h"
#include "gui/output/print_preview.h"
#include "gui/output/protocol_command.h"
#include "program_test.h"
#include "render/fs_path.h"
#include "render/protocol_profile.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using tkq::gui::test::Child;

namespace {

constexpr const char* kVersion = "TARVIK 59.11.03.04";

std::unique_ptr<CObjectDefinition> Archive(const CReadParamClass& d, size_t records = 48) {
  auto object = tkq::test::MakeObject(d, kVersion, 0, 1, records);
  object->SetObjectNumber(3);
  object->m_strDeviceId = std::string(kVersion) + " SN 0001234";
  object->m_tRead = 1700000000;
  return object;
}

// The journal as the program gives it to the protocol.
CJournalAccess JournalOf(CTRV_KQ_VRApp& app) {
  return [&app] { return app.Journal(); };
}

// The items of the menu titled `title` in the menu bar shown now.
QList<QAction*> MenuItems(CMainFrame& frame, const QString& title) {
  for (QAction* menu : frame.menuBar()->actions()) {
    if (menu->text() == title) return menu->menu()->actions();
  }
  return {};
}

// Closes the modal dialog the program shows next, once it shows; the flag
// says it did.
template <class Dialog>
std::shared_ptr<bool> CloseNextDialog(const std::function<void(Dialog&)>& look) {
  auto shown = std::make_shared<bool>(false);
  QTimer::singleShot(0, [look, shown] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    *shown = true;
    look(*dialog);
    dialog->reject();
  });
  return shown;
}

}  // namespace

class TestProtocol : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  // The program with an archive kept in the journal open from there.
  int64_t OpenKept(size_t records = 48) {
    Start();
    const CKeptSurvey kept = m_app->Journal()->Keep(*Archive(m_app->Description(), records));
    m_app->OpenArchiveFile(render::QtPath(kept.path));
    m_ui.messages.clear();
    return kept.id;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() { End(); }

  void theMenuItemsAndAnArchive() {
    CTRV_KQ_VRApp& app = Start();
    CMainFrame& frame = *app.MainFrame();
    QAction* protocol = frame.Action(ECommand::kProtocol);
    QVERIFY(!protocol->isEnabled());
    QVERIFY(MenuItems(frame, "Настройка").contains(frame.Action(ECommand::kRequisites)));
    const QString path = m_work->filePath("obj.sav");
    SaveSavedArchive(render::FsPath(path), *Archive(app.Description()));
    QVERIFY(app.OpenArchiveFile(path));
    QVERIFY(protocol->isEnabled());
    QVERIFY(MenuItems(frame, "Файл").contains(protocol));
    QVERIFY(MenuItems(frame, "Настройка").contains(frame.Action(ECommand::kRequisites)));
    // A file outside the journal is no survey of it.
    QVERIFY(!app.CurrentSurvey());
    const auto shown =
        CloseNextDialog<CProtocolDialog>([](CProtocolDialog& dialog) { QVERIFY(Child<QLineEdit>(&dialog, "number")->text().isEmpty()); });
    protocol->trigger();
    QVERIFY(*shown);
  }

  void theDialogStartsFromTheSurveysFieldsAndKeepsThem() {
    const int64_t id = OpenKept();
    QCOMPARE(m_app->CurrentSurvey(), std::optional<int64_t>(id));
    const CSurveyNotes stored{"17/2", "ул. Ленина, 5", "ООО «Тепло»", "Первый абзац\nВторой"};
    m_app->Journal()->SetProtocolFields(id, stored);
    CProtocolDialog dialog(m_app->PrintContext(), JournalOf(*m_app), m_app->CurrentSurvey());
    QCOMPARE(Child<QLineEdit>(&dialog, "number")->text(), QString("17/2"));
    QCOMPARE(Child<QPlainTextEdit>(&dialog, "remarks")->toPlainText(), QString("Первый абзац\nВторой"));
    QCOMPARE(Child<QDateEdit>(&dialog, "date")->date(), QDate::currentDate());
    // Two days of records: the table of days, left to the archive's length.
    QVERIFY(Child<QRadioButton>(&dialog, "days")->isChecked());
    QCOMPARE(dialog.Options().table, EProtocolTable::kAuto);
    QCOMPARE(FieldsOfNotes(stored), dialog.Options().survey);

    Child<QLineEdit>(&dialog, "client")->setText("  ИП Петров  ");
    m_ui.saveAnswer = m_work->filePath("п.pdf");
    QVERIFY(dialog.SavePdf());
    QVERIFY2(m_ui.messages.isEmpty(), qPrintable(m_ui.messages.join("; ")));
    QVERIFY(m_ui.starts.last().endsWith("Протокол 17_2 " + QDate::currentDate().toString("yyyy-MM-dd") + ".pdf"));
    QFile pdf(m_ui.saveAnswer);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(m_app->MainFrame()->statusBar()->currentMessage().startsWith("Записан файл"));
    CSurveyNotes expected = stored;
    expected.client = "ИП Петров";
    QCOMPARE(m_app->Journal()->ProtocolFields(id), std::optional<CSurveyNotes>(expected));

    // A table chosen by the user is the user's.
    Child<QRadioButton>(&dialog, "months")->click();
    QCOMPARE(dialog.Options().table, EProtocolTable::kMonths);
    m_ui.saveAnswer = m_work->filePath("п.odt");
    QVERIFY(dialog.SaveOdt());
    QVERIFY(QFileInfo(m_ui.saveAnswer).size() > 0);
  }

  void theRowsTickedByDefaultAndByTheStoredNames() {
    OpenKept();
    const CParamTree& tree = m_app->Document().Object()->m_paramTree;
    const std::vector<std::string> defaults = DefaultProtocolParams(tree);
    QVERIFY(!defaults.empty());
    QSettings& settings = m_app->Settings();
    {
      CProtocolDialog dialog(m_app->PrintContext(), JournalOf(*m_app), std::nullopt);
      QCOMPARE(dialog.TickedParams(), defaults);
      // Making a protocol of the rows as they started keeps no choice.
      QVERIFY(dialog.Preview());
      QVERIFY(!settings.contains(render::protocol_key::kParams));
    }
    QTRY_VERIFY(m_app->MainFrame()->findChild<CPreviewWindow*>() != nullptr);
    m_app->MainFrame()->findChild<CPreviewWindow*>()->close();

    // Some rows of the tree, stored by name: ticked, whatever the defaults.
    std::vector<std::string> chosen;
    for (const CParamTreeItem& group : tree.Items()) {
      if (!group.children.empty()) chosen.push_back(group.children.back().name);
    }
    render::SaveProtocolParams(settings, chosen);
    CProtocolDialog dialog(m_app->PrintContext(), JournalOf(*m_app), std::nullopt);
    QCOMPARE(dialog.TickedParams(), chosen);
    // A row the user ticks is kept with the others when a protocol is made.
    QTreeWidgetItem* row = Child<QTreeWidget>(&dialog, "params")->topLevelItem(0)->child(0);
    row->setCheckState(0, Qt::Checked);
    m_ui.saveAnswer = m_work->filePath("p.pdf");
    QVERIFY(dialog.SavePdf());
    bool stored = false;
    const std::vector<std::string> kept = render::LoadProtocolParams(settings, stored);
    QVERIFY(stored);
    QCOMPARE(kept, dialog.TickedParams());
    QVERIFY(std::count(kept.begin(), kept.end(), row->data(0, Qt::UserRole).toString().toStdString()) == 1);
    for (const std::string& name : chosen) QVERIFY(std::count(kept.begin(), kept.end(), name) == 1);
    // «Выбрать по умолчанию»: each archive gets its own tree's defaults again.
    Child<QPushButton>(&dialog, "defaults")->click();
    QCOMPARE(dialog.TickedParams(), defaults);
    QVERIFY(dialog.SavePdf());
    QVERIFY(!settings.contains(render::protocol_key::kParams));
  }

  void thePreviewShowsTheProtocolAndLeavesThePrinterAsItWas() {
    OpenKept(24 * 70);
    QPrinter& printer = m_app->Printer();
    printer.setPageOrientation(QPageLayout::Landscape);
    CProtocolDialog dialog(m_app->PrintContext(), JournalOf(*m_app), m_app->CurrentSurvey());
    // Seventy days: months.
    QVERIFY(Child<QRadioButton>(&dialog, "months")->isChecked());
    QVERIFY(dialog.Preview());
    auto* preview = m_app->MainFrame()->findChild<CPreviewWindow*>();
    QVERIFY(preview != nullptr && preview->PageCount() >= 1);
    QVERIFY(preview->windowTitle().contains("Протокол обследования"));
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    // Printed to a file from the preview, as the chart prints.
    m_ui.printFile = m_work->filePath("printed.pdf");
    tkq::gui::SetPlatformDialogPrintsPdf(true);
    printer.setOutputFormat(QPrinter::PdfFormat);
    Child<QPushButton>(preview, "print")->click();
    QVERIFY(QFileInfo(m_ui.printFile).size() > 0);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
  }

  void theRequisitesAreKeptInTheProfile() {
    CTRV_KQ_VRApp& app = Start();
    CRequisitesDialog dialog(CProtocolRequisites{"ООО «Теплоучет»", "", "Иванов И. И.", "инженер"});
    QVERIFY(!Child<QPushButton>(&dialog, "clearLogo")->isEnabled());
    // A file that is no picture is refused, said why.
    const QString notPicture = m_work->filePath("logo.png");
    QFile file(notPicture);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("не картинка") > 0);
    file.close();
    m_ui.openAnswer = notPicture;
    Child<QPushButton>(&dialog, "browse")->click();
    QVERIFY(!Child<QLabel>(&dialog, "logoState")->isHidden());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(m_ui.messages.size(), 1);
    QImage(8, 4, QImage::Format_RGB32).save(notPicture, "PNG");
    dialog.CheckLogo();
    QVERIFY(Child<QLabel>(&dialog, "logoState")->isHidden());
    Child<QLineEdit>(&dialog, "position")->setText("  ведущий инженер ");
    const CProtocolRequisites r = dialog.Requisites();
    QCOMPARE(QString::fromStdString(r.logoPath), notPicture);
    QCOMPARE(r.position, std::string("ведущий инженер"));
    render::SaveRequisites(app.Settings(), r);
    const auto shown = CloseNextDialog<CRequisitesDialog>(
        [](CRequisitesDialog& asked) { QCOMPARE(Child<QLineEdit>(&asked, "technician")->text(), QString("Иванов И. И.")); });
    app.MainFrame()->Action(ECommand::kRequisites)->trigger();
    QVERIFY(*shown);
  }

  void theJournalWindowOpensTheSurveyAndItsProtocol() {
    Start();
    const CKeptSurvey kept = m_app->Journal()->Keep(*Archive(m_app->Description()));
    m_app->Journal()->SetProtocolFields(kept.id, {"5", "", "", ""});
    m_app->MainFrame()->Action(ECommand::kJournal)->trigger();
    CJournalWindow* window = m_app->JournalWindow();
    window->Table()->selectRow(0);
    const auto shown = CloseNextDialog<CProtocolDialog>(
        [](CProtocolDialog& dialog) { QCOMPARE(Child<QLineEdit>(&dialog, "number")->text(), QString("5")); });
    Child<QPushButton>(window, "protocol")->click();
    QVERIFY(*shown);
    QCOMPARE(m_app->Document().ArchivePath(), render::QtPath(kept.path));
  }
};

QTEST_MAIN(TestProtocol)
#include "test_protocol.moc"
