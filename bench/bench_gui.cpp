// The program with a million-record archive: opening it (four windows),
// rebuilding the archive table after a change in the view settings, and
// scrolling through the table; then the chart window: opening it, a zoom
// or pan step with its repaint, a change of the settings with it open,
// and the memory it adds; the summary window opening and switching to
// months. Runs on the offscreen platform unless a display is given;
// prints the median of several runs of each.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/archive/saved_archive.h"
#include "gui/app/application.h"
#include "gui/app/main_frame.h"
#include "gui/views/archive_view.h"
#include "gui/views/chart_view.h"
#include "gui/views/settings_view.h"
#include "gui/views/summary_view.h"
#include "render/archive_chart.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using namespace tkq::render;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The resident memory of the process, in megabytes.
double ResidentMb() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return 0;
  long pages = 0, resident = 0;
  const int read = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return read == 2 ? resident * 4096.0 / 1e6 : 0;
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
  // Half-hourly from 01.01.2000: a million records end in 2057, within the
  // instrument's years (hourly, they would run past 2106 and wrap).
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records, {}, 946684800, 1800);
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
  std::printf("archive of %zu records (%d rows)\n", records, Find<CTRV_KQ_VRView>(app)->model()->rowCount());
  std::printf("open with four windows: median %.0f ms\n", Median(open));
  std::printf("rebuild after a setting: median %.0f ms (target 300 ms)\n", Median(rebuild));
  std::printf("one scroll step with repaint: median %.1f ms\n", Median(scroll));

  // The chart window.
  std::vector<double> chartOpen, zoom, pan, chartRebuild;
  double memoryBefore = 0, memoryAfter = 0;
  size_t chartBytes = 0;
  for (int run = 0; run < 5; ++run) {
    QApplication::processEvents();
    if (run == 0) memoryBefore = ResidentMb();  // the first opening: later ones reuse its memory
    QElapsedTimer clock;
    clock.start();
    app.MainFrame()->Action(ECommand::kChart)->trigger();
    auto* view = Find<CChartView>(app);
    view->parentWidget()->resize(1200, 500);
    view->Chart()->replot(QCustomPlot::rpImmediateRefresh);
    view->repaint();
    chartOpen.push_back(clock.elapsed());
    if (run == 0) memoryAfter = ResidentMb();
    chartBytes = view->Chart()->Data().MemoryBytes();

    CArchiveChart* chart = view->Chart();
    // Twenty wheel steps in around the middle, then twenty steps of
    // panning, each with its repaint.
    for (int step = 0; step < 20; ++step) {
      const double middle = (chart->From() + chart->To()) / 2;
      const double half = (chart->To() - chart->From()) * 0.85 / 2;
      clock.restart();
      chart->ShowRange(middle - half, middle + half);
      chart->replot(QCustomPlot::rpImmediateRefresh);
      zoom.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    chart->ShowAll();
    chart->ShowRange(chart->From(), chart->From() + (chart->To() - chart->From()) / 4);
    for (int step = 0; step < 20; ++step) {
      const double shift = (chart->To() - chart->From()) / 10;
      clock.restart();
      chart->ShowRange(chart->From() + shift, chart->To() + shift);
      chart->replot(QCustomPlot::rpImmediateRefresh);
      pan.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    clock.restart();
    Find<CObjViewSettings>(app)->m_showFirst->click();
    chart->replot(QCustomPlot::rpImmediateRefresh);
    Find<CTRV_KQ_VRView>(app)->repaint();
    chartRebuild.push_back(clock.elapsed());
    Find<CObjViewSettings>(app)->m_showFirst->click();
    view->parentWidget()->close();
    QApplication::processEvents();
  }
  std::printf("chart window opened and painted: median %.0f ms (target 500 ms)\n", Median(chartOpen));
  std::printf("chart zoom step with repaint: median %.1f ms, slowest %.1f ms (target 30 ms)\n", Median(zoom),
              *std::max_element(zoom.begin(), zoom.end()));
  std::printf("chart pan step with repaint: median %.1f ms, slowest %.1f ms (target 30 ms)\n", Median(pan),
              *std::max_element(pan.begin(), pan.end()));
  std::printf("settings change with the chart open (table and chart): median %.0f ms (target 300 ms)\n",
              Median(chartRebuild));
  std::printf("memory the chart adds: %.1f MB of rows' copy; resident %.0f MB -> %.0f MB\n", chartBytes / 1e6,
              memoryBefore, memoryAfter);

  // The summary window: opened and painted, and switched to months.
  std::vector<double> summaryOpen, summaryMonths;
  for (int run = 0; run < 5; ++run) {
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    app.MainFrame()->Action(ECommand::kSummary)->trigger();
    auto* view = Find<CSummaryView>(app);
    view->parentWidget()->resize(1200, 700);
    view->repaint();
    summaryOpen.push_back(clock.elapsed());
    clock.restart();
    view->PeriodChoice()->setCurrentIndex(1 - view->PeriodChoice()->currentIndex());
    view->repaint();
    summaryMonths.push_back(clock.elapsed());
    view->parentWidget()->close();
    QApplication::processEvents();
  }
  std::printf("summary window opened and painted: median %.0f ms (target 300 ms)\n", Median(summaryOpen));
  std::printf("summary switched between days and months: median %.0f ms\n", Median(summaryMonths));
  return 0;
}
