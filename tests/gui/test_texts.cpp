// Every text of the main window a user reads is Russian: the commands (menu
// item, tooltip, status-bar prompt), the menus, the tool bars, the labels
// and buttons, before and after an archive opens with its chart. Latin
// letters only in names and units.

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

#include "core/archive/saved_archive.h"
#include "gui/app/main_frame.h"
#include "program_test.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;

namespace {

// Names, units and keys that stay Latin.
const QSet<QString> kAllowed = {"MONITOR", "Tarvik", "KQ",  "TARVIK", "Excel", "XLSX", "PDF", "ODT",
                                "PNG",     "SVG",    "CSV", "Modbus", "RTU",   "Ctrl", "Shift",
                                "Alt",     "Home",   "F1",  "OK",     "CAP",   "NUM",  "SCRL"};

// The Latin words of `text` that are not allowed (a key with Ctrl, Shift
// or Alt is a key's name).
QStringList LatinWords(QString text) {
  static const QRegularExpression keys(QStringLiteral("(?:(?:Ctrl|Shift|Alt)\\+)+\\w+"));
  static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z0-9]*"));
  text.remove(keys).remove(QLatin1Char('&'));  // '&' marks the item's key letter
  QStringList found;
  for (auto it = word.globalMatch(text); it.hasNext();) {
    const QString w = it.next().captured();
    if (!kAllowed.contains(w)) found << w;
  }
  return found;
}

}  // namespace

class TestTexts : public gui::test::CProgramTest {
  Q_OBJECT

 private:
  QString m_archive;

  // "where: text" for each text of the main window with a Latin word not
  // allowed. The archive's file name is the user's, not the program's.
  QStringList LatinTexts() {
    CMainFrame* frame = m_app->MainFrame();
    QStringList bad;
    const auto check = [&](const QString& where, QString text) {
      if (!m_archive.isEmpty()) text.remove(m_archive).remove(QDir::toNativeSeparators(m_archive));
      if (const QStringList words = LatinWords(text); !words.isEmpty()) {
        bad << where + ": «" + text + "» (" + words.join(", ") + ")";
      }
    };
    check("window title", frame->windowTitle());
    for (QAction* action : frame->findChildren<QAction*>()) {
      check("command", action->text());
      check("tooltip", action->toolTip());
      check("prompt", action->statusTip());
      check("what's this", action->whatsThis());
    }
    for (QAction* menu : frame->menuBar()->actions()) check("menu", menu->text());
    for (QMenu* menu : frame->findChildren<QMenu*>()) check("menu", menu->title());
    for (QToolBar* bar : frame->findChildren<QToolBar*>()) check("tool bar", bar->windowTitle());
    for (QWidget* widget : frame->findChildren<QWidget*>()) {
      check("window", widget->windowTitle());
      check("tooltip", widget->toolTip());
      check("prompt", widget->statusTip());
      if (auto* label = qobject_cast<QLabel*>(widget)) check("label", label->text());
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) check("button", button->text());
    }
    return bad;
  }

 private slots:
  void init() { Begin(); }
  void cleanup() { End(); }

  void theLatinWordsFoundAreOnlyThoseAllowed() {
    QCOMPARE(LatinWords("Экспорт в Excel (XLSX)... Ctrl+S, F1"), QStringList());
    QCOMPARE(LatinWords("Display help (F2), Ctrl+Shift+P, Shift или Ctrl"), (QStringList{"Display", "help", "F2"}));
    QCOMPARE(LatinWords("&2 Архив измерений"), QStringList());  // an item of the window list
  }

  void theMainWindowSpeaksRussianBeforeAndAfterAnArchiveOpens() {
    // Qt's own texts (a document window's menu) as the program takes them.
    QTranslator qtTexts;
    // Qt's folder on Linux, beside the program on Windows.
    QVERIFY(qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
            qtTexts.load(QLocale(QLocale::Russian), "qtbase", "_", QCoreApplication::applicationDirPath() + "/translations"));
    QCoreApplication::installTranslator(&qtTexts);
    Start();
    const QStringList empty = LatinTexts();
    QVERIFY2(empty.isEmpty(), qPrintable(empty.join('\n')));

    auto description = tkq::test::BuiltInDescription();
    auto object = tkq::test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 50);
    m_archive = m_work->filePath("obj.sav");
    SaveSavedArchive(m_archive.toStdString(), *object);
    QVERIFY(m_app->OpenArchiveFile(m_archive));
    m_app->MainFrame()->Action(ECommand::kChart)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(m_app->MainFrame()->MenuSet(), EMenuSet::kDocument);
    QCOMPARE(m_app->MainFrame()->Documents().size(), 5);
    const QStringList open = LatinTexts();
    QVERIFY2(open.isEmpty(), qPrintable(open.join('\n')));
  }
};

QTEST_MAIN(TestTexts)
#include "test_texts.moc"
