// The survey protocol of a year of hourly records (8,760, with an abnormal
// situation a week): the whole document to a PDF and to an OpenDocument
// text, and the preview's first page (laid out at the printer's
// resolution and painted as the preview paints it). Offscreen unless a
// display is given; prints the median of several runs.

#include <qcustomplot.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/output/protocol.h"
#include "render/protocol_pages.h"
#include "support/test_support.h"

using namespace tkq;
using namespace tkq::render;

namespace {

constexpr double kPreviewDpi = 100;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Milliseconds of `run`, median of `times` runs.
double Time(int times, const std::function<bool()>& run) {
  std::vector<double> ms;
  for (int i = 0; i < times; ++i) {
    QElapsedTimer clock;
    clock.start();
    if (!run()) {
      std::fprintf(stderr, "failed\n");
      std::exit(1);
    }
    ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  return Median(ms);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApp(argc, argv);
  QTemporaryDir work;
  const size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8760;
  constexpr uint32_t kStart = 1704067200;  // 01.01.2024
  constexpr uint32_t kWeek = 7 * 86400;
  auto description = test::BuiltInDescription();
  test::Bytes err;
  for (uint32_t at = kStart + 3600 * 5; at + 7200 < kStart + records * 3600; at += kWeek) {
    test::AppendAbnormal(err, at, at + 7200, static_cast<uint8_t>(1 + (at / kWeek) % 4));
  }
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, records, err, kStart, 3600);
  object->SetObjectNumber(1);
  object->m_strDescription = "Котельная №2, ввод 1";

  CProtocolOptions options;
  options.requisites = {"ООО «Теплоучет»", "", "Иванов И. И.", "инженер"};
  options.survey = {"17", "г. Пермь, ул. Ленина, 1", "ТСЖ «Ленина, 1»", "Замечаний нет."};
  options.date = "09.01.2025";
  options.params = DefaultProtocolParams(object->m_paramTree);

  const QString pdf = work.filePath("protocol.pdf");
  const QString odt = work.filePath("protocol.odt");
  QString error;
  int pages = 0;
  const double toPdf = Time(5, [&] {
    const CProtocolDocument document = MakeProtocol(*object, options);
    return WriteProtocolPdf(document, *object, pdf, error);
  });
  const double toOdt = Time(5, [&] {
    const CProtocolDocument document = MakeProtocol(*object, options);
    return WriteProtocolOdtFile(document, *object, odt, error);
  });
  // The document made and laid out, then page `page` painted as the
  // preview paints it: scaled to the window, here at 100 dots an inch.
  const auto preview = [&](int page) {
    const CProtocolDocument document = MakeProtocol(*object, options);
    QPrinter printer(QPrinter::HighResolution);
    SetUpProtocolPrinter(printer);
    const CProtocolPages laid(document, *object, printer);
    const double scale = kPreviewDpi / printer.resolution();
    QImage image(printer.paperRect(QPrinter::DevicePixel).size().toSize() * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(printer.pageRect(QPrinter::DevicePixel).topLeft());
    laid.PaintPage(painter, page);
    pages = laid.PageCount();
    return painter.end();
  };
  const double firstPage = Time(5, [&] { return preview(1); });
  const double chartPage = Time(5, [&] { return preview(2); });
  if (qEnvironmentVariableIsSet("TKQ_KEEP_PROTOCOL")) {
    // The files to look at: TKQ_KEEP_PROTOCOL=/some/folder.
    const QDir keep(qEnvironmentVariable("TKQ_KEEP_PROTOCOL"));
    QFile::remove(keep.filePath("protocol.pdf"));
    QFile::remove(keep.filePath("protocol.odt"));
    QFile::copy(pdf, keep.filePath("protocol.pdf"));
    QFile::copy(odt, keep.filePath("protocol.odt"));
  }
  std::printf("protocol of %zu hourly records (%d pages)\n", records, pages);
  std::printf("to PDF: median %.0f ms (target 1500 ms), %.0f kB\n", toPdf, QFileInfo(pdf).size() / 1e3);
  std::printf("to ODT: median %.0f ms (target 1500 ms), %.0f kB\n", toOdt, QFileInfo(odt).size() / 1e3);
  std::printf("preview's first page, laid out at %d dpi and painted: median %.0f ms (target 500 ms)\n",
              QPrinter(QPrinter::HighResolution).resolution(), firstPage);
  std::printf("the same for page 2, with the chart: median %.0f ms\n", chartPage);
  return 0;
}
