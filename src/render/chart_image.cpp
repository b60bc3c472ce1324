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
namespace {

// `text` broken at blanks into lines no wider than `room`.
QString Wrapped(const QString& text, const QFontMetricsF& metrics, double room) {
  QStringList lines;
  for (const QString& word : text.split(QChar(' '), Qt::SkipEmptyParts)) {
    if (!lines.isEmpty() && metrics.horizontalAdvance(lines.back() + QChar(' ') + word) <= room) {
      lines.back() += QChar(' ') + word;
    } else {
      lines << word;
    }
  }
  return lines.join(QChar('\n'));
}

}  // namespace

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

void CArchiveChart::BeginExport(QSize size, bool titled) {
  m_windowViewport = viewport();
  setViewport(QRect(QPoint(0, 0), size));
  const QString title = titled ? ImageTitle() : QString();
  if (!title.isEmpty()) {
    // A row of its own above the panels, the title broken into lines as
    // wide as the picture.
    m_title->setText(Wrapped(title, QFontMetricsF(m_title->font()), size.width() - 20));
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, m_title);
    plotLayout()->setRowStretchFactor(0, 0.001);
    m_title->setVisible(true);
  }
  FitLegend(size);
  Refresh(size.width());
}

void CArchiveChart::EndExport() {
  if (m_title->layout() != nullptr) {
    plotLayout()->take(m_title);
    plotLayout()->simplify();
    m_title->setVisible(false);
  }
  setViewport(m_windowViewport);
  FitLegend(m_windowViewport.size());
  Refresh();
  // The panels where the window shows them, for the mouse.
  updateLayout();
}

void CArchiveChart::DrawForExport(QPaintDevice& device) {
  QCPPainter painter;
  if (painter.begin(&device)) {
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setWindow(viewport());
    painter.fillRect(viewport(), Qt::white);
    draw(&painter);
    painter.end();
  }
}

void CArchiveChart::DrawOnPage(QCPPainter& painter, QSize size) {
  BeginExport(size, false);
  const QCPPainter::PainterModes modes = painter.modes();
  painter.save();
  // Lines and text as they are; a hairline a pixel of the chart wide.
  painter.setModes(QCPPainter::pmVectorized | QCPPainter::pmNoCaching | QCPPainter::pmNonCosmetic);
  painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
  draw(&painter);
  painter.restore();
  painter.setModes(modes);
  EndExport();
}

bool CArchiveChart::SaveImage(const QString& path, QSize size, QString& error, bool titled) {
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
  BeginExport(size, titled);
  if (suffix == "png") {
    const QPixmap picture = toPixmap(size.width(), size.height());
    drawn = picture.save(&file, "PNG");
#ifdef TKQ_HAVE_SVG
  } else if (suffix == "svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("График"));
    svg.setResolution(96);  // a pixel a pixel, as the PNG
    DrawForExport(svg);
#endif
  } else {
    QPdfWriter pdf(&file);
    // A pixel of the drawing a point of the page: the fonts keep their size.
    pdf.setResolution(72);
    pdf.setCreator(QStringLiteral("tarvik-kq"));
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch),
                                  QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    DrawForExport(pdf);
  }
  EndExport();
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
