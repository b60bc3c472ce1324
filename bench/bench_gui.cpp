// The program with a million-record archive: opening it (four windows),
// rebuilding the archive table after a change in the view settings, and
// scrolling through the table. Runs on the offscreen platform unless a
// display is given; prints the median of several runs of each.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/application.h"
#include "app/main_frame.h"
#include "storage/saved_archive.h"
#include "test_support.h"
#include "views/archive_view.h"
#include "views/settings_view.h"

using namespace tkq;
using namespace tkq::gui;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class View>
View* Find(CTRV_KQ_VRApp& app) {
  for (CChildFrame* frame : app.MainFrame()->Documents()) {
    if (auto* view = qobject_cast<View*>(frame->widget())) return view;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  QTemporaryDir work;
  QDir::setCurrent(work.path());
  const size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;

  auto description = test::BuiltInDescription();
  description->SaveDescription();  // no message box at start
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records);
  const QString path = work.filePath("big.sav");
  SaveSavedArchive(path.toStdString(), *object);
  object.reset();

  CTRV_KQ_VRApp app(work.filePath("profile.ini"));
  app.InitInstance();
  std::vector<double> open, rebuild, scroll;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer clock;
    clock.start();
    app.OpenArchiveFile(path);
    QApplication::processEvents();
    open.push_back(clock.elapsed());

    auto* form = Find<CObjViewSettings>(app);
    auto* table = Find<CTRV_KQ_VRView>(app);
    clock.restart();
    form->m_showStart->click();
    table->repaint();
    rebuild.push_back(clock.elapsed());

    clock.restart();
    QScrollBar* bar = table->verticalScrollBar();
    for (int step = 0; step <= 20; ++step) {
      bar->setValue(bar->maximum() * step / 20);
      table->repaint();
    }
    scroll.push_back(clock.elapsed() / 21.0);
  }
  std::printf("archive of %zu records (%d rows)\n", records,
              Find<CTRV_KQ_VRView>(app)->model()->rowCount());
  std::printf("open with four windows: median %.0f ms\n", Median(open));
  std::printf("rebuild after a setting: median %.0f ms (target 300 ms)\n", Median(rebuild));
  std::printf("one scroll step with repaint: median %.1f ms\n", Median(scroll));
  return 0;
}
