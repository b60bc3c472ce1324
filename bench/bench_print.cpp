// Printing a million-record archive: building one page, a PDF of 1,000
// rows and a PDF of every row (about 20,000 pages), with the memory the
// process held at its peak. Offscreen unless a display is given; prints
// the median of several runs.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "output/page_painter.h"
#include "output/print_layout.h"
#include "test_support.h"

using namespace tkq;
using namespace tkq::gui;

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

// The archive as a PDF of pages 1..`pages` (all when 0); milliseconds.
double WritePdf(const CObjectDefinition& object, const QString& path, int pages, int& pageCount) {
  QElapsedTimer clock;
  clock.start();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageSize(QPageSize(QPageSize::A4));
  const CPrintFont font(printer);
  CArchivePrintLines lines(object, CColumnSwitches{});
  CPageLayout layout(lines, PrintTitle(object), MeasurePrintPage(printer, font));
  pageCount = layout.PageCount();
  QString error;
  PrintPageRange(printer, layout, font, {1, pages > 0 ? pages : layout.PageCount()}, {}, error);
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  QTemporaryDir work;
  const size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  auto description = test::BuiltInDescription();
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records);
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

  std::vector<double> small;
  int pages = 0;
  for (int run = 0; run < 5; ++run) small.push_back(WritePdf(*object, work.filePath("small.pdf"), 20, pages));
  if (qEnvironmentVariableIsSet("TKQ_KEEP_PDF")) QFile::copy(work.filePath("small.pdf"), qEnvironmentVariable("TKQ_KEEP_PDF"));
  std::printf("PDF of the first 1,000 rows (20 pages): median %.0f ms (target 1000 ms)\n", Median(small));

  const long before = PeakMegabytes();
  const double all = WritePdf(*object, work.filePath("all.pdf"), 0, pages);
  std::printf("PDF of all %d pages: %.1f s (target 60 s), %.0f MB; peak memory %ld MB (%ld MB before)\n", pages,
              all / 1000.0, QFileInfo(work.filePath("all.pdf")).size() / 1e6, PeakMegabytes(), before);
  return 0;
}
