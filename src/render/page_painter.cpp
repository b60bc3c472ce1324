#include "render/page_painter.h"

#include <qcustomplot.h>

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/base/system_errors.h"
#include "render/builtin_font.h"
#include "render/fs_path.h"

namespace tkq::render {
namespace {

QString Text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QRawFont FixedFont(double pixels) {
  // The program's own font, so that pages come out the same on every
  // system and the PDF writer embeds it as the font it is; the system's
  // fixed font only if that one could not be read.
  const QString family = BuiltInFontFamily();
  QFont font = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  return QRawFont::fromFont(font);
}

}  // namespace

// --- the font ---

namespace {
constexpr double kLargestPoints = 10.0;
constexpr double kSmallestPoints = 6.0;
}  // namespace

CPrintFont::CPrintFont(QPrinter& printer) {
  const double dpi = printer.resolution();
  const double width = PrintableArea(printer).width();
  // The advance of a character relative to the font's size.
  const QRawFont probe = FixedFont(1000);
  const QVector<quint32> glyph = probe.glyphIndexesForString(QStringLiteral("A"));
  const double advance = glyph.isEmpty() ? 0.0 : probe.advancesForGlyphIndexes(glyph).value(0).x() / 1000.0;
  double points = kLargestPoints;
  if (advance > 0 && width > 0 && dpi > 0) {
    points = std::clamp((width - 40.0) / (kWidestPrintedLine * advance) * 72.0 / dpi, kSmallestPoints, kLargestPoints);
  }
  m_smallestScale = kSmallestPoints / points;
  Init(points * dpi / 72.0);
}

void CPrintFont::Init(double pixels) {
  m_raw = FixedFont(pixels);
  if (!m_raw.isValid()) return;
  const QVector<quint32> glyph = m_raw.glyphIndexesForString(QStringLiteral("A"));
  const double advance = glyph.isEmpty() ? 0.0 : m_raw.advancesForGlyphIndexes(glyph).value(0).x();
  m_nCharWidth = std::max(1, static_cast<int>(std::lround(advance)));
  m_nLineHeight = std::max(1, static_cast<int>(std::lround(m_raw.ascent() + m_raw.descent())));
  m_ascent = m_raw.ascent();
}

void CPrintFont::Draw(QPainter& painter, double x, double y, const QString& text) const {
  if (!m_raw.isValid() || text.isEmpty()) return;
  QVector<quint32> glyphs = m_raw.glyphIndexesForString(text);
  if (glyphs.isEmpty()) return;
  if (m_positions.size() < glyphs.size()) {
    const qsizetype from = m_positions.size();
    m_positions.resize(glyphs.size());
    for (qsizetype i = from; i < m_positions.size(); ++i) {
      m_positions[i] = QPointF(static_cast<double>(i) * m_nCharWidth, 0.0);
    }
  }
  QGlyphRun run;
  run.setRawFont(m_raw);
  run.setGlyphIndexes(glyphs);
  run.setPositions(QVector<QPointF>(m_positions.begin(), m_positions.begin() + glyphs.size()));
  painter.drawGlyphRun(QPointF(x, y + m_ascent), run);
}

void CPrintFont::DrawIn(QPainter& painter, const CPrintRect& rect, const QString& text, EPrintAlign align,
                        bool centreVertically, double scale) const {
  if (scale != 1.0 && scale > 0) {
    // Drawn at full size in a rectangle `scale` times smaller, scaled.
    const double height = (rect.bottom - rect.top) * (1.0 - scale) / 2.0;
    painter.save();
    painter.translate(rect.left, rect.top + height);
    painter.scale(scale, scale);
    const CPrintRect local{0, 0, static_cast<int32_t>(std::lround((rect.right - rect.left) / scale)),
                           rect.bottom - rect.top};
    DrawIn(painter, local, text, align, centreVertically, 1.0);
    painter.restore();
    return;
  }
  const QStringList lines = text.split(QLatin1Char('\n'));
  double y = rect.top;
  if (centreVertically) y += (rect.bottom - rect.top - static_cast<double>(lines.size()) * m_nLineHeight) / 2.0;
  for (const QString& line : lines) {
    // Characters, not UTF-16 units: every one is w wide.
    const double width = static_cast<double>(line.toUcs4().size()) * m_nCharWidth;
    double x = rect.left;
    if (align == EPrintAlign::kCenter) x += (rect.right - rect.left - width) / 2.0;
    if (align == EPrintAlign::kRight) x = rect.right - width;
    Draw(painter, x, y, line);
    y += m_nLineHeight;
  }
}

// --- pages ---

void SetPrintMargins(QPrinter& printer) {
  constexpr double kMillimetres = 10.0;
  QPageLayout layout = printer.pageLayout();
  layout.setUnits(QPageLayout::Millimeter);
  const QMarginsF least = layout.minimumMargins();
  layout.setMargins(QMarginsF(std::max(kMillimetres, least.left()), std::max(kMillimetres, least.top()),
                              std::max(kMillimetres, least.right()), std::max(kMillimetres, least.bottom())));
  printer.setPageLayout(layout);
}

QRectF PrintableArea(QPrinter& printer) { return printer.pageRect(QPrinter::DevicePixel); }

CPrintMetrics MeasurePrintPage(QPrinter& printer, const CPrintFont& font) {
  const QRectF area = PrintableArea(printer);
  CPrintMetrics m;
  m.lineHeight = font.LineHeight();
  m.charWidth = font.CharWidth();
  m.width = static_cast<int32_t>(std::floor(area.width()));
  m.height = static_cast<int32_t>(std::floor(area.height()));
  m.smallestScale = font.SmallestScale();
  return m;
}

void PaintPrintPage(QPainter& painter, const CPrintPage& page, const CPrintFont& font) {
  painter.save();
  QPen pen(Qt::black);
  pen.setWidth(0);  // the thinnest line the device draws
  painter.setPen(pen);
  font.DrawIn(painter, page.pageNumber.rect, Text(page.pageNumber.text), page.pageNumber.align, false);
  for (const CPrintText& line : page.titleLines) {
    font.DrawIn(painter, line.rect, Text(line.text), line.align, false, line.scale);
  }
  for (const CPrintText& caption : page.captions) {
    font.DrawIn(painter, caption.rect, Text(caption.text), caption.align, true);
  }
  for (const CPrintLine& line : page.lines) font.Draw(painter, line.x, line.y, Text(line.text));
  for (const CPrintRule& rule : page.rules) painter.drawLine(rule.x1, rule.y1, rule.x2, rule.y2);
  painter.restore();
}

namespace {

// Draws page `page` (from 1).
using CPagePaint = std::function<void(QCPPainter& painter, int page)>;

bool PaintRange(QPrinter& printer, int pageCount, const CPagePaint& paint, CPrintRange range,
                const std::function<bool(int page, int done)>& beforePage, QString& error) {
  const int from = std::max(range.from, 1);
  const int to = std::min(range.to, pageCount);
  if (from > to) return true;
  const bool ownCopies = !printer.supportsMultipleCopies();
  const int copies = ownCopies ? std::max(printer.copyCount(), 1) : 1;
  const bool reverse = printer.pageOrder() == QPrinter::LastPageFirst;
  QCPPainter painter;
  if (!painter.begin(&printer)) {
    error = printer.outputFileName().isEmpty()
                ? QStringLiteral("Принтер %1 недоступен").arg(printer.printerName())
                : QStringLiteral("Не удается записать файл %1").arg(QDir::toNativeSeparators(printer.outputFileName()));
    return false;
  }
  int done = 0;
  bool first = true;
  for (int copy = 0; copy < copies; ++copy) {
    for (int i = from; i <= to; ++i) {
      const int page = reverse ? to - (i - from) : i;
      if (beforePage && !beforePage(page, done)) {
        printer.abort();
        painter.end();
        return false;
      }
      if (!first && !printer.newPage()) {
        error = QStringLiteral("Ошибка печати страницы %1").arg(page);
        painter.end();
        return false;
      }
      first = false;
      paint(painter, page);
      ++done;
    }
  }
  if (!painter.end() || printer.printerState() == QPrinter::Error) {
    error = printer.outputFileName().isEmpty()
                ? QStringLiteral("Ошибка печати")
                : QStringLiteral("Не удается записать файл %1").arg(QDir::toNativeSeparators(printer.outputFileName()));
    return false;
  }
  return true;
}

// A free name beside `target` for the file being written.
QString PartName(const QString& target) {
  const QFileInfo info(target);
  for (int n = 0;; ++n) {
    const QString name = info.dir().filePath(QStringLiteral(".%1.part%2").arg(info.fileName()).arg(n));
    if (!QFileInfo::exists(name)) return name;
  }
}

// Prints the pages; a file is written under another name and takes its
// own only when complete.
bool PrintRange(QPrinter& printer, int pageCount, const CPagePaint& paint, CPrintRange range,
                const std::function<bool(int page, int done)>& beforePage, QString& error) {
  error.clear();
  const QString target = printer.outputFileName();
  if (target.isEmpty()) return PaintRange(printer, pageCount, paint, range, beforePage, error);
  const QString part = PartName(target);
  printer.setOutputFileName(part);
  const bool ok = PaintRange(printer, pageCount, paint, range, beforePage, error);
  printer.setOutputFileName(target);
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(FsPath(part), FsPath(target), ec);
    if (!ec) return true;
    error = QStringLiteral("Не удается записать файл %1: %2")
                .arg(QDir::toNativeSeparators(target), QString::fromStdString(ErrorReason(ec)));
  } else if (!error.isEmpty()) {
    error.replace(QDir::toNativeSeparators(part), QDir::toNativeSeparators(target));
  }
  std::filesystem::remove(FsPath(part), ec);
  return false;
}

}  // namespace

bool PrintPageRange(QPrinter& printer, const CPageLayout& layout, const CPrintFont& font, CPrintRange range,
                    const std::function<bool(int page, int done)>& beforePage, QString& error) {
  const auto paint = [&](QCPPainter& painter, int page) { PaintPrintPage(painter, layout.Page(page), font); };
  return PrintRange(printer, layout.PageCount(), paint, range, beforePage, error);
}

bool PrintPageRange(QPrinter& printer, const CPaintedPages& pages, CPrintRange range,
                    const std::function<bool(int page, int done)>& beforePage, QString& error) {
  if (!pages.IsValid()) {
    error = QString::fromUtf8(kPageTooSmall);
    return false;
  }
  const auto paint = [&](QCPPainter& painter, int page) { pages.PaintPage(painter, page); };
  return PrintRange(printer, pages.PageCount(), paint, range, beforePage, error);
}

}  // namespace tkq::render
