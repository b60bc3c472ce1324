// What the program takes at its start: the command line (a saved archive to
// open, --help, --version), its icon and its tool bars' icons.

#include <QDir>
#include <QImage>
#include <QSet>
#include <QtTest>

#include "gui/app/command_line.h"
#include "gui/base/program_icon.h"
#include "gui/base/tool_icons.h"
#include "tkq_version.h"

using namespace tkq::gui;

namespace {

CCommandLine Parse(const QStringList& arguments) { return ParseCommandLine(QStringList{"tarvik-monitor"} + arguments); }

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT

 private slots:
  void aFileArgumentIsTheArchiveToOpen() {
    QCOMPARE(Parse({}).action, CCommandLine::EAction::kRun);
    QVERIFY(Parse({}).file.isEmpty());
    QCOMPARE(Parse({"/data/Объект 05.sav"}).file, QString("/data/Объект 05.sav"));
    // After "--" a name may begin with a dash.
    const CCommandLine dashed = Parse({"--", "-v.sav"});
    QCOMPARE(dashed.action, CCommandLine::EAction::kRun);
    QCOMPARE(dashed.file, QString("-v.sav"));
  }

  void helpAndVersionAnswerAlsoAmongQtsOwnOptions() {
    QCOMPARE(Parse({"--help"}).action, CCommandLine::EAction::kHelp);
    QCOMPARE(Parse({"-h", "obj.sav"}).action, CCommandLine::EAction::kHelp);
    QCOMPARE(Parse({"--version"}).action, CCommandLine::EAction::kVersion);
    QCOMPARE(Parse({"-v"}).action, CCommandLine::EAction::kVersion);
    // Before QApplication takes them, Qt's options are still on the line.
    QCOMPARE(Parse({"-platform", "offscreen", "--version"}).action, CCommandLine::EAction::kVersion);
    // ... and one of them is never read as single letters with a "v".
    QCOMPARE(Parse({"-reverse"}).action, CCommandLine::EAction::kMistake);
    QVERIFY(VersionText() == "tarvik-monitor " TKQ_VERSION_TEXT "\n");
    QVERIFY(CommandLineHelp().contains("[FILE]"));
  }

  void anUnknownOptionOrASecondFileIsAMistake() {
    const CCommandLine unknown = Parse({"--bogus", "obj.sav"});
    QCOMPARE(unknown.action, CCommandLine::EAction::kMistake);
    QVERIFY2(unknown.mistake.endsWith("--bogus"), qPrintable(unknown.mistake));
    const CCommandLine two = Parse({"a.sav", "b.sav"});
    QCOMPARE(two.action, CCommandLine::EAction::kMistake);
    QVERIFY2(two.mistake.endsWith("b.sav"), qPrintable(two.mistake));
  }

  void theIconHasEveryThemeSizeDrawn() {
    const QIcon icon = ProgramIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
    for (int size : {16, 32, 48, 64, 128, 256}) {
      const QImage image(QStringLiteral(":/icons/%1x%1/" TKQ_APP_ID ".png").arg(size));
      QCOMPARE(image.size(), QSize(size, size));
      // A blue dial on a transparent ground.
      QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
      const QColor dial = image.pixelColor(size / 2, size / 5);
      QVERIFY2(dial.blue() > 120 && dial.red() < 80 && dial.alpha() == 255, qPrintable(dial.name()));
    }
  }

  void toolIconsAreTheProgramsOwnAndReadAsDisabledWhenOff() {
    QSet<QString> names;
    for (const QString& file : QDir(QStringLiteral(":/tools")).entryList()) names << file.section('-', 0, 0);
    QVERIFY(names.contains("read") && names.contains("report") && names.contains("print") && names.size() >= 9);
    for (const QString& name : names) {
      const QIcon icon = ToolIcon(name.toLatin1().constData());
      QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}}));
      const QImage on = icon.pixmap(24, QIcon::Normal).toImage();
      const QImage off = icon.pixmap(24, QIcon::Disabled).toImage();
      int opaqueOn = 0, colouredOff = 0, strongOff = 0;
      for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
          opaqueOn += qAlpha(on.pixel(x, y)) == 255;
          const QColor c = off.pixelColor(x, y);
          colouredOff += c.alpha() > 0 && c.hsvSaturation() > 0;
          strongOff += c.alpha() > 90;
        }
      }
      QVERIFY2(opaqueOn > 40, qPrintable(name));  // something is drawn
      QCOMPARE(colouredOff, 0);                   // disabled: grey
      QCOMPARE(strongOff, 0);                     // and faint
    }
    QVERIFY(ToolIcon("no-such-icon").isNull());
  }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
