// The window «Журнал обследований» over a journal of 10,000 surveys: its
// opening until the table is painted (the first one with the journal
// opened and checked against its folder, then the later ones), and one
// keystroke in the search field with the table refiltered and repainted.
// Runs on the offscreen platform unless a display is given; prints the
// median of several runs of each.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/app/application.h"
#include "gui/app/journal_window.h"
#include "gui/app/main_frame.h"
#include "journal_fixture.h"
#include "render/fs_path.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Ms(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  QTemporaryDir work;
  QDir::setCurrent(work.path());
  const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;

  auto description = test::BuiltInDescription();
  description->SaveDescription();  // no message box at start
  const std::filesystem::path folder = bench::JournalFixture(*description, count);

  CTRV_KQ_VRApp app(work.filePath("profile.ini"));
  app.Profile().SetJournalFolder(render::QtPath(folder));
  app.InitInstance();
  QApplication::processEvents();
  QAction* command = app.MainFrame()->Action(ECommand::kJournal);

  // The first opening opens the journal too.
  QElapsedTimer clock;
  clock.start();
  command->trigger();
  CJournalWindow* window = app.JournalWindow();
  window->resize(1000, 560);
  window->repaint();
  const double first = Ms(clock);
  const int rows = window->Model()->rowCount();

  std::vector<double> open;
  for (int run = 0; run < 7; ++run) {
    window->close();
    QApplication::processEvents();
    clock.restart();
    command->trigger();
    window->repaint();
    open.push_back(Ms(clock));
  }

  // Typing a word and erasing it, keystroke by keystroke; then the
  // instrument's number.
  std::vector<double> keystroke;
  int narrowest = rows;
  for (int run = 0; run < 3; ++run) {
    for (const QString& word : {QStringLiteral("ленина"), QStringLiteral("0001042")}) {
      for (int n = 1; n <= word.size(); ++n) {
        clock.restart();
        window->SearchField()->setText(word.left(n));
        window->Table()->repaint();
        keystroke.push_back(Ms(clock));
        narrowest = std::min(narrowest, window->Model()->rowCount());
      }
      for (int n = static_cast<int>(word.size()) - 1; n >= 0; --n) {
        clock.restart();
        window->SearchField()->setText(word.left(n));
        window->Table()->repaint();
        keystroke.push_back(Ms(clock));
      }
    }
  }

  std::printf("journal of %zu surveys (%d rows shown, %d after the narrowest search)\n", count, rows, narrowest);
  std::printf("window opened with the journal and painted, first time: %.0f ms\n", first);
  std::printf("window opened and painted: median %.0f ms (target 150 ms)\n", Median(open));
  std::printf("keystroke in the search field, refiltered and painted: median %.1f ms, slowest %.1f ms (target 30 ms)\n",
              Median(keystroke), *std::max_element(keystroke.begin(), keystroke.end()));
  return 0;
}
