// Printing a million-record archive: building one page, a PDF of 1,000
// rows and a PDF of every row (about 20,000 pages), with the memory the
// process held at its peak. Offscreen unless a display is given; prints
// the median of several runs.

#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/archive/saved_archive.h"
#include "core/output/print_layout.h"
#include "gui/app/application.h"
#include "gui/app/main_frame.h"
#include "gui/output/print_preview.h"
#include "gui/views/archive_view.h"
#include "render/page_painter.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::gui;
using namespace tkq::render;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

long PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// The archive's first `rows` rows (all when 0) as a PDF; milliseconds.
double WritePdf(const CObjectDefinition& object, const QString& path, int rows, int& pageCount) {
  QElapsedTimer clock;
  clock.start();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageSize(QPageSize(QPageSize::A4));
  SetPrintMargins(printer);
  const CPrintFont font(printer);
  CArchivePrintLines lines(object, CColumnSwitches{});
  CPageLayout layout(lines, PrintTitle(object), MeasurePrintPage(printer, font));
  QString error;
  const int last = rows > 0 ? (rows + layout.RowsPerPage() - 1) / layout.RowsPerPage() : layout.PageCount();
  pageCount = last;
  PrintPageRange(printer, layout, font, {1, last}, {}, error);
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  QTemporaryDir work;
  const size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  auto description = test::BuiltInDescription();
  // Half-hourly from 01.01.2000: a million records end in 2057, within the
  // instrument's years (hourly, they would run past 2106 and wrap).
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records, {}, 946684800, 1800);
  object->SetObjectNumber(1);
  object->m_strDescription = "Котельная №2, ввод 1";

  std::vector<double> build, page;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer clock;
    clock.start();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const CPrintFont font(printer);
    CArchivePrintLines lines(*object, CColumnSwitches{});
    CPageLayout layout(lines, PrintTitle(*object), MeasurePrintPage(printer, font));
    build.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    clock.restart();
    const CPrintPage middle = layout.Page(layout.PageCount() / 2);
    page.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    if (middle.lines.empty()) return 1;
  }
  std::printf("archive of %zu records\n", records);
  std::printf("page set-up (rows, font, layout): median %.1f ms\n", Median(build));
  std::printf("one page's content: median %.3f ms\n", Median(page));

  // The preview from the command to its first page on the screen, then
  // page turns, in the program with the archive open.
  {
    QDir::setCurrent(work.path());
    description->SaveDescription();  // no message box at start
    const QString path = work.filePath("big.sav");
    SaveSavedArchive(path.toStdString(), *object);
    CTRV_KQ_VRApp app(work.filePath("profile.ini"));
    app.InitInstance();
    app.OpenArchiveFile(path);
    QApplication::processEvents();
    for (CChildFrame* frame : app.MainFrame()->Documents()) {
      if (qobject_cast<CTRV_KQ_VRView*>(frame->widget())) app.MainFrame()->MdiArea()->setActiveSubWindow(frame);
    }
    app.MainFrame()->UpdateCommands();
    std::vector<double> open, turn;
    for (int run = 0; run < 5; ++run) {
      QElapsedTimer clock;
      clock.start();
      app.MainFrame()->Action(ECommand::kPrintPreview)->trigger();
      auto* preview = app.MainFrame()->findChild<CPreviewWindow*>();
      if (preview == nullptr) return 1;
      // grab() paints the page as the screen would, window exposed or not.
      preview->m_area->viewport()->grab();
      open.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
      for (int page = 0; page < 20; ++page) {
        clock.restart();
        preview->ShowPage(1 + page * (preview->PageCount() / 20));
        preview->m_area->viewport()->grab();
        turn.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
      }
      preview->m_pages->click();
      clock.restart();
      preview->NextPage();
      preview->m_area->viewport()->grab();
      if (preview->PagesBuilt() < 20) return 1;
      turn.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
      delete preview;
    }
    std::printf("preview, command to first page painted: median %.0f ms (target 1000 ms)\n", Median(open));
    std::printf("preview page turn with repaint: median %.1f ms, slowest %.1f ms (target 50 ms)\n", Median(turn),
                *std::max_element(turn.begin(), turn.end()));
  }

  std::vector<double> small;
  int pages = 0;
  for (int run = 0; run < 5; ++run) small.push_back(WritePdf(*object, work.filePath("small.pdf"), 1000, pages));
  if (qEnvironmentVariableIsSet("TKQ_KEEP_PDF"))
    QFile::copy(work.filePath("small.pdf"), qEnvironmentVariable("TKQ_KEEP_PDF"));
  std::printf("PDF of the first 1,000 rows (%d pages): median %.0f ms (target 1000 ms)\n", pages, Median(small));

  const long before = PeakMegabytes();
  const double all = WritePdf(*object, work.filePath("all.pdf"), 0, pages);
  std::printf("PDF of all %d pages: %.1f s (target 60 s), %.0f MB; peak memory %ld MB (%ld MB before)\n", pages,
              all / 1000.0, QFileInfo(work.filePath("all.pdf")).size() / 1e6, PeakMegabytes(), before);
  return 0;
}
