// The program's help: its pages, their links, and the help window.

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <vector>

#include "child.h"
#include "core/archive/quantity_catalogue.h"
#include "core/archive/records.h"
#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "core/link/read_status.h"
#include "gui/app/dialogs.h"
#include "gui/app/help_window.h"
#include "gui/base/profile.h"

using namespace tkq::gui;
using tkq::gui::test::Child;

namespace {

// The topics of this system's help in the order of the contents: the
// simulator is not part of the Windows build.
const QStringList kTopics = {help::kContents,     help::kConnection,  help::kSearch,       help::kReading,
                             help::kSettingsView, help::kArchiveView, help::kAbnormalView, help::kParamsView,
                             help::kChart,        help::kSummary,     help::kSaving,       help::kJournal,
                             help::kPrinting,     help::kReports,      help::kExport,       help::kProtocol,
#ifndef _WIN32
                             help::kSimulator,
#endif
                             help::kVersions};

QString Title(const QString& html) {
  QTextDocument document;
  document.setHtml(html);
  return document.metaInformation(QTextDocument::DocumentTitle).trimmed();
}

// What a reader sees of a page, with every run of blanks made one blank.
QString Text(const QString& topic) {
  QTextDocument document;
  document.setHtml(HelpPage(topic));
  return document.toPlainText().simplified();
}

QString Simple(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).simplified();
}

// The targets of the links of a page, as written.
QStringList Links(const QString& html) {
  static const QRegularExpression href(QStringLiteral("<a\\s[^>]*href\\s*=\\s*\"([^\"]*)\""),
                                       QRegularExpression::CaseInsensitiveOption);
  QStringList links;
  for (auto it = href.globalMatch(html); it.hasNext();) links << it.next().captured(1);
  return links;
}

QWidget* FindHelpWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("helpWindow")) return w;
  }
  // A help window held by a modal dialog is not a top-level widget.
  for (QWidget* w : QApplication::allWidgets()) {
    if (w->objectName() == QLatin1String("helpWindow")) return w;
  }
  return nullptr;
}

}  // namespace

class TestHelp : public QObject {
  Q_OBJECT

 public slots:
  // Receives the links that the help hands to the desktop.
  void openExternal(const QUrl& url) { m_opened << url; }

 private:
  QList<QUrl> m_opened;

  QTextBrowser* Browser() { return Child<QTextBrowser>(FindHelpWindow(), "helpBrowser"); }
  QListWidget* Contents() { return Child<QListWidget>(FindHelpWindow(), "helpContents"); }
  QPushButton* Button(const char* name) { return Child<QPushButton>(FindHelpWindow(), name); }
  QString CurrentTopic() {
    QListWidgetItem* item = Contents()->currentItem();
    return item != nullptr ? item->data(Qt::UserRole).toString() : QString();
  }

 private slots:
  // First, while no help window exists yet.
  void unknownTopicShowsNothing() {
    for (const QString& topic : {QStringLiteral("no-such-topic"), QString(), QStringLiteral("../app/x"),
                                 QStringLiteral("index.html"), QStringLiteral("Index")}) {
      QVERIFY2(HelpPage(topic).isEmpty(), qPrintable(topic));
      QVERIFY2(!ShowHelp(topic), qPrintable(topic));
    }
    QCOMPARE(FindHelpWindow(), nullptr);
  }

  void everyTopicHasAPage() {
    QSet<QString> titles;
    for (const QString& topic : kTopics) {
      const QString html = HelpPage(topic);
      QVERIFY2(!html.isEmpty(), qPrintable(topic));
      const QString title = Title(html);
      QVERIFY2(!title.isEmpty(), qPrintable(topic));
      QVERIFY2(!titles.contains(title), qPrintable(title));
      titles << title;
      QVERIFY2(html.contains(QRegularExpression(QStringLiteral("<h1>[^<]*\\S[^<]*</h1>"))), qPrintable(topic));
      QVERIFY2(html.contains(QStringLiteral("charset=utf-8")), qPrintable(topic));
      // Stored as UTF-8: read back, the text is the same bytes.
      QFile file(QStringLiteral(":/help/%1.html").arg(topic));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(html.toUtf8(), file.readAll());
      QVERIFY2(!html.contains(QChar::ReplacementCharacter), qPrintable(topic));
      QVERIFY2(!html.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(topic));
    }
  }

  // No page in the help that the contents do not list, none missing.
  void resourcesHoldExactlyTheTopics() {
    QStringList pages =
        QDir(QStringLiteral(":/help")).entryList(QStringList{QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    QStringList expected;
    for (const QString& topic : kTopics) expected << topic + QStringLiteral(".html");
    pages.sort();
    expected.sort();
    QCOMPARE(pages, expected);
  }

  void everyInternalLinkLeadsToAPage() {
    for (const QString& topic : kTopics) {
      const QUrl base(QStringLiteral("qrc:/help/%1.html").arg(topic));
      const QStringList links = Links(HelpPage(topic));
      QVERIFY2(!links.isEmpty(), qPrintable(topic));
      for (const QString& link : links) {
        const QUrl target = base.resolved(QUrl(link));
        const QString where = topic + QStringLiteral(": ") + link;
        if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https")) continue;
        QCOMPARE(target.scheme(), QStringLiteral("qrc"));
        QVERIFY2(target.path().startsWith(QStringLiteral("/help/")), qPrintable(where));
        const QString targetTopic = target.path().mid(6).chopped(5);
        QVERIFY2(target.path().endsWith(QStringLiteral(".html")) && kTopics.contains(targetTopic), qPrintable(where));
        if (target.hasFragment()) {
          const QString anchor = QStringLiteral("name=\"%1\"").arg(target.fragment());
          QVERIFY2(HelpPage(targetTopic).contains(anchor), qPrintable(where));
        }
      }
    }
  }

  void everyPageLeadsBackToTheContents() {
    for (const QString& topic : kTopics) {
      if (topic == help::kContents) continue;
      QVERIFY2(Links(HelpPage(topic)).contains(QStringLiteral("index.html")), qPrintable(topic));
    }
    // ... and the contents lead to every page.
    const QStringList fromContents = Links(HelpPage(help::kContents));
    for (const QString& topic : kTopics) {
      if (topic == help::kContents) continue;
      QVERIFY2(fromContents.contains(topic + QStringLiteral(".html")), qPrintable(topic));
    }
  }

  void connectionPageCoversTheSerialPortsOfThisSystem() {
    const QString text = Text(help::kConnection);
#ifdef Q_OS_WIN
    const std::vector<const char*> ports = {"COM1", "Диспетчер устройств", "Порты (COM и LPT)"};
#else
    const std::vector<const char*> ports = {"dialout", "sudo usermod -aG dialout $USER", "войдите заново",
                                            "/dev/serial/by-id/", "/dev/ttyUSB0", "ModemManager", "brltty", "COM1",
                                            "/dev/ttyS0", "/dev/ttyS3"};
#endif
    for (const char* needle : ports) QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
    for (const char* needle : {"Порт:", "Скорость обмена:", "Электронный номер:", "от 0 до 255",
                               "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ", "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"}) {
      QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
    }
    for (const QString& baud : kBaudRates) QVERIFY2(text.contains(baud), qPrintable(baud));
  }

  // The pages of this system: no part written for the other one is left
  // and, on Linux, the folders named are where the program keeps its files.
  void pagesAreThoseOfThisSystem() {
#ifdef Q_OS_WIN
    for (const QString& topic : kTopics) {
      for (const char* other : {"dialout", "/dev/ttyUSB0", "ModemManager", "~/.config"}) {
        QVERIFY2(!Text(topic).contains(QString::fromUtf8(other)), qPrintable(topic + QStringLiteral(": ") + other));
      }
    }
    QVERIFY(Text(help::kConnection).contains(QStringLiteral("%APPDATA%")));
    return;
#endif
    for (const QString& topic : kTopics) {
      const QString html = HelpPage(topic);
      for (const char* mark : {"<!--linux-->", "<!--/linux-->", "<!--windows-->", "<!--/windows-->"}) {
        QVERIFY2(!html.contains(QLatin1String(mark)), qPrintable(topic + QStringLiteral(": ") + mark));
      }
      for (const char* windows :
           {"Диспетчер устройств", "Порты (COM и LPT)", "%APPDATA%", "%LOCALAPPDATA%", "Program Files", ".exe"}) {
        QVERIFY2(!Text(topic).contains(QString::fromUtf8(windows)), qPrintable(topic + QStringLiteral(": ") + windows));
      }
    }
    const QString home = QDir::homePath() + QLatin1Char('/');
    CProfile profile;
    const QString settings = profile.Settings().fileName();
    const QString description = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                QStringLiteral("/Tarvik KQ/TarvikKQ.def");
    if (!settings.startsWith(home) || !description.startsWith(home)) QSKIP("XDG folders outside the home folder");
    QVERIFY2(Text(help::kConnection).contains(QStringLiteral("~/") + settings.mid(home.size())), qPrintable(settings));
    QVERIFY2(Text(help::kVersions).contains(QStringLiteral("~/") + description.mid(home.size())),
             qPrintable(description));
  }

  // The pages quote the program's own texts exactly.
  void pagesQuoteTheProgramsTexts() {
    const QString reading = Text(help::kReading);
    using tkq::ReadStatus;
    for (ReadStatus code :
         {ReadStatus::kReadPortBusy, ReadStatus::kReadNoConnection, ReadStatus::kReadFileError,
          ReadStatus::kReadArchiveEmpty, ReadStatus::kReadUnknownVersion, ReadStatus::kReadCancelled}) {
      const QString message = Simple(tkq::ReadStatusText(code));
      QVERIFY(!message.isEmpty());
      QVERIFY2(reading.contains(message), qPrintable(message));
      QVERIFY2(Text(help::kContents).contains(message), qPrintable(message));
    }
    QVERIFY(reading.contains(QStringLiteral("Отмена")));
    QVERIFY(reading.contains(QStringLiteral("от 1 до 20")));

    const QString versions = Text(help::kVersions);
    QVERIFY(versions.contains(Simple(tkq::kMessageDescriptionFile)));
    QVERIFY(versions.contains(QStringLiteral("TarvikKQ.def.bak")));
    tkq::CReadParamClass description;
    description.LoadBuiltIn();
    const std::vector<std::string> names = description.VersionNames();
    QVERIFY(!names.empty());
    for (const std::string& name : names) QVERIFY2(versions.contains(Simple(name)), name.c_str());

    const QString saving = Text(help::kSaving);
    QVERIFY(saving.contains(Simple(tkq::kMessageCannotOpen)));
    QVERIFY(saving.contains(Simple(tkq::kMessageBadFormat)));
    QVERIFY(Text(help::kReports).contains(Simple(tkq::kMessageCannotOpen)));

    // Every abnormal situation the instrument records.
    const QString abnormal = Text(help::kAbnormalView);
    for (uint8_t code = 1; code <= tkq::kAbnormalDataFault; ++code) {
      const QString situation = Simple(tkq::AbnormalText(code));
      QVERIFY2(abnormal.contains(situation), qPrintable(situation));
    }

    // Every output-type name and unit the settings form offers.
    const QString settings = Text(help::kSettingsView);
    for (size_t i = 0; i < 20; ++i) {
      const QString name = Simple(tkq::catalogue::kNames[i]);
      QVERIFY2(settings.contains(name), qPrintable(name));
    }
    for (const tkq::catalogue::Unit& unit : tkq::catalogue::kUnits) {
      QVERIFY2(settings.contains(Simple(unit.text)), qPrintable(Simple(unit.text)));
    }
    for (const char* box :
         {"Порядковый номер", "Первый параметр", "Второй параметр", "Начало интервала", "Конец интервала",
          "Время архивирования", "Нештатная ситуация", "Просмотр результирующего параметра",
          "Тип вывода:", "Размерность:", "Редактирование описания"}) {
      QVERIFY2(settings.contains(QString::fromUtf8(box)), box);
    }

    const QString archive = Text(help::kArchiveView);
    for (const char* column :
         {"№", "Начало интервала", "Конец интервала", "Время архивирования", "Нештатная ситуация"}) {
      QVERIFY2(archive.contains(QString::fromUtf8(column)), column);
    }

    const QString contents = Text(help::kContents);
    for (const char* text : {"Чтение архива с прибора", "Открыть...", "Сохранить", "Сохранить как...",
                             "Формирование отчета", "Параметры связи", "Поддерживаемые версии ПО прибора",
                             "Настройка просмотра", "Архив измерений", "Архив нештатных ситуаций", "Параметры"}) {
      QVERIFY2(contents.contains(QString::fromUtf8(text)), text);
    }

    const QString reports = Text(help::kReports);
    for (const char* text : {"1251", "Кириллица (Windows-1251)", "Пробел", "Объединять разделители", "запятая"}) {
      QVERIFY2(reports.contains(QString::fromUtf8(text)), text);
    }

#ifndef _WIN32
    const QString simulator = Text(help::kSimulator);
    for (const char* text :
         {"tarvik-kq-sim generate", "tarvik-kq-sim serve", "--link /tmp/tarvik-tty", "Параметры связи"}) {
      QVERIFY2(simulator.contains(QString::fromUtf8(text)), text);
    }
#endif
  }

  // The search's page names its commands, buttons and outcomes as the
  // program shows them; the connection page leads to it.
  void searchPageQuotesTheSearch() {
    const QString search = Text(help::kSearch);
    for (const char* text : {"Поиск прибора...", "Найти прибор...", "Полный поиск", "Стоп", "Применить", "Отмена",
                             "Проверяется: COM3, COM5: 9600 бод, адрес 1", "(версия не описана)", "Найдено приборов:",
                             "Прибор не найден. Порты: COM1, COM3; скорости:", "Найти",
                             "Можно запустить полный поиск (все адреса 1–247).",
                             "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ", "запрос идентификации"}) {
      QVERIFY2(search.contains(QString::fromUtf8(text)), text);
    }
    QVERIFY(Links(HelpPage(help::kConnection)).contains(QStringLiteral("search.html")));
    QVERIFY(Text(help::kContents).contains(QStringLiteral("Поиск прибора...")));
  }

  void showHelpOpensTheWindowAtTheTopic() {
    QVERIFY(ShowHelp(help::kReading));
    QWidget* window = FindHelpWindow();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->windowTitle(), QStringLiteral("Справка — Монитор Тарвик КУ"));
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/reading.html")));
    // The browser decoded the page: its title is the page's own.
    QCOMPARE(Browser()->documentTitle(), Title(HelpPage(help::kReading)));
    QCOMPARE(CurrentTopic(), help::kReading);
    QVERIFY(!Button("helpBack")->isEnabled());
    QVERIFY(!Button("helpForward")->isEnabled());

    // The contents list every topic, in order, by its page's title.
    QListWidget* contents = Contents();
    QCOMPARE(contents->count(), kTopics.size());
    for (int row = 0; row < contents->count(); ++row) {
      QCOMPARE(contents->item(row)->data(Qt::UserRole).toString(), kTopics[row]);
      QCOMPARE(contents->item(row)->text(), Title(HelpPage(kTopics[row])));
    }

    // Asked again for the page it shows, it adds no step to go back to.
    QVERIFY(ShowHelp(help::kReading));
    QVERIFY(!Button("helpBack")->isEnabled());
  }

  void unknownTopicLeavesTheWindowAsItWas() {
    QVERIFY(!ShowHelp(QStringLiteral("no-such-topic")));
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/reading.html")));
  }

  void showHelpSwitchesTopicsInTheSameWindow() {
    QPointer<QWidget> window = FindHelpWindow();
    QVERIFY(ShowHelp(help::kReports));
    QCOMPARE(FindHelpWindow(), window.data());
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/reports.html")));
    QCOMPARE(CurrentTopic(), help::kReports);
    QVERIFY(Button("helpBack")->isEnabled());

    QTest::mouseClick(Button("helpBack"), Qt::LeftButton);
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/reading.html")));
    QCOMPARE(CurrentTopic(), help::kReading);
    QVERIFY(Button("helpForward")->isEnabled());
    QTest::mouseClick(Button("helpForward"), Qt::LeftButton);
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/reports.html")));

    QTest::mouseClick(Button("helpContentsButton"), Qt::LeftButton);
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));
    QCOMPARE(CurrentTopic(), help::kContents);

    // Choosing a topic in the contents shows its page.
    Contents()->setCurrentRow(static_cast<int>(kTopics.indexOf(help::kVersions)));
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/versions.html")));

    // Closed, the window comes back on the next call, the same one.
    window->close();
    QVERIFY(!window->isVisible());
    QVERIFY(ShowHelp(help::kExport));
    QVERIFY(window);
    QCOMPARE(FindHelpWindow(), window.data());
    QVERIFY(window->isVisible());
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/export.html")));
  }

  void linksLeadToPagesAndOutside() {
    QVERIFY(ShowHelp(help::kReading));
    QTextBrowser* browser = Browser();
    emit browser->anchorClicked(QUrl(QStringLiteral("connection.html#port-busy")));
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/connection.html#port-busy")));
    QCOMPARE(CurrentTopic(), help::kConnection);
    emit browser->anchorClicked(QUrl(QStringLiteral("#dialout")));
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/connection.html#dialout")));
    // A help page that does not exist: nothing happens.
    emit browser->anchorClicked(QUrl(QStringLiteral("missing.html")));
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/connection.html#dialout")));

    // Links outside the help go to the desktop, and the page stays.
    m_opened.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openExternal");
    emit browser->anchorClicked(QUrl(QStringLiteral("https://www.libreoffice.org/")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.libreoffice.org/"))});
    QCOMPARE(browser->source(), QUrl(QStringLiteral("qrc:/help/connection.html#dialout")));
  }

  // Help asked for while a modal dialog runs belongs to that dialog (or it
  // could not be used) and survives it.
  void helpStaysUsableOverAModalDialog() {
    QPointer<QWidget> window = FindHelpWindow();
    QDialog dialog;
    QWidget* hostDuringDialog = nullptr;
    bool shown = false;
    QUrl shownPage;
    QUrl afterClick;
    QTimer::singleShot(0, &dialog, [&] {
      shown = ShowHelp(help::kConnection, &dialog);
      hostDuringDialog = FindHelpWindow()->parentWidget();
      shownPage = Browser()->source();
      // The window takes clicks while the dialog runs: one given to the
      // window system's window, as a user's click comes.
      QWidget* help = FindHelpWindow();
      QPushButton* button = Button("helpContentsButton");
      QTest::mouseClick(help->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                        button->mapTo(help, button->rect().center()));
      afterClick = Browser()->source();
      dialog.reject();
    });
    dialog.exec();
    QVERIFY(shown);
    QCOMPARE(hostDuringDialog, &dialog);
    QCOMPARE(shownPage, QUrl(QStringLiteral("qrc:/help/connection.html")));
    QCOMPARE(afterClick, QUrl(QStringLiteral("qrc:/help/index.html")));
    QVERIFY(window);
    QCOMPARE(window->parentWidget(), nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/index.html")));

    // A modal window destroyed while shown does not take the help with it.
    auto* modal = new QWidget(nullptr, Qt::Window);
    modal->setWindowModality(Qt::ApplicationModal);
    modal->show();
    QCOMPARE(QApplication::activeModalWidget(), modal);
    QVERIFY(ShowHelp(help::kVersions));
    QCOMPARE(window->parentWidget(), modal);
    delete modal;
    QVERIFY(window);
    QCOMPARE(window->parentWidget(), nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(Browser()->source(), QUrl(QStringLiteral("qrc:/help/versions.html")));
  }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
