#include "render/chart_image.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>
#ifdef TKQ_HAVE_SVG
#include <QSvgGenerator>
#endif
#include <optional>
#include <system_error>

#include "core/base/messages.h"
#include "core/storage/file_io.h"
#include "render/archive_chart.h"
#include "render/fs_path.h"

namespace tkq::render {

QStringList ChartImageFormats() {
#ifdef TKQ_HAVE_SVG
  return {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")};
#else
  return {QStringLiteral("png"), QStringLiteral("pdf")};
#endif
}

bool IsChartImageName(const QString& path) { return ChartImageFormats().contains(QFileInfo(path).suffix().toLower()); }

QString ChartImageFormatsText(EImageFormatNames names, const QString& conjunction) {
  const QStringList formats = ChartImageFormats();
  QString text;
  for (qsizetype i = 0; i < formats.size(); ++i) {
    if (i > 0) text += i + 1 == formats.size() ? QChar(' ') + conjunction + QChar(' ') : QStringLiteral(", ");
    text += names == EImageFormatNames::kNames ? formats[i].toUpper() : QChar('.') + formats[i];
  }
  return text;
}

void CArchiveChart::DrawForExport(QPaintDevice& device, QSize size) {
  const QRect old = viewport();
  setViewport(QRect(QPoint(0, 0), size));
  FitLegend(size);
  Refresh(size.width());
  QCPPainter painter;
  if (painter.begin(&device)) {
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setWindow(viewport());
    painter.fillRect(viewport(), Qt::white);
    draw(&painter);
    painter.end();
  }
  setViewport(old);
  FitLegend(old.size());
  Refresh();
}

bool CArchiveChart::SaveImage(const QString& path, QSize size, QString& error) {
  if (!IsChartImageName(path)) {
    error = QStringLiteral("Формат файла не поддерживается: нужен ") + ChartImageFormatsText();
    return false;
  }
  if (size.width() < 100 || size.height() < 100 || size.width() > 10000 || size.height() > 10000) {
    error = QStringLiteral("Размер рисунка должен быть от 100 до 10000 точек");
    return false;
  }
  // Drawn into memory, then written through a file beside the old one and
  // renamed over it: a failure, or a file another program holds open,
  // leaves the old picture as it was.
  std::optional<CAtomicFile> replacement;
  try {
    replacement.emplace(FsPath(path));
  } catch (const std::system_error& e) {
    error = QString::fromUtf8(FileErrorMessage(e)) + "\n" + QString::fromUtf8(e.what());
    return false;
  }
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  bool drawn = true;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == "png") {
    const QRect old = viewport();
    FitLegend(size);
    Refresh(size.width());
    const QPixmap picture = toPixmap(size.width(), size.height());
    setViewport(old);
    FitLegend(old.size());
    Refresh();
    drawn = picture.save(&file, "PNG");
#ifdef TKQ_HAVE_SVG
  } else if (suffix == "svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("График"));
    svg.setResolution(96);  // a pixel a pixel, as the PNG
    DrawForExport(svg, size);
#endif
  } else {
    QPdfWriter pdf(&file);
    // A pixel of the drawing a point of the page: the fonts keep their size.
    pdf.setResolution(72);
    pdf.setCreator(QStringLiteral("tarvik-kq"));
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch),
                                  QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    DrawForExport(pdf, size);
  }
  if (!drawn) {
    error = QStringLiteral("Ошибка записи файла");
    return false;
  }
  try {
    replacement->Write(std::string_view(file.data().constData(), static_cast<size_t>(file.data().size())));
    replacement->Commit();
  } catch (const CFileBusyError& e) {
    error = QString::fromUtf8(kMessageFileBusy) + "\n" + QString::fromUtf8(e.what());
    return false;
  } catch (const std::system_error& e) {
    error = QStringLiteral("Ошибка записи файла\n") + QString::fromUtf8(e.what());
    return false;
  }
  return true;
}

}  // namespace tkq::render
