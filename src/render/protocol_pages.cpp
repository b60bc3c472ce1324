#include "render/protocol_pages.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QDir>
#include <QGlyphRun>
#include <QImageReader>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <exception>

#include "core/output/protocol_odt.h"
#include "core/storage/file_io.h"
#include "render/archive_chart.h"
#include "render/builtin_font.h"
#include "render/fs_path.h"

namespace tkq::render {
namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72.0;
// The chart's pixels an inch: as on a screen, so that its texts come out
// at the size they have there.
constexpr double kScreenDpi = 96.0;
// The chart's picture in the OpenDocument text.
constexpr double kChartPictureDpi = 200.0;
// Rules: thin between cells, thick for the table's frame, in points.
constexpr double kThinRulePoints = 0.5;
constexpr double kThickRulePoints = 1.0;
// A logo file larger than this is not a logo.
constexpr uint64_t kLogoFileAtMost = 16u << 20;
// The logo's pixels an inch at most, in the PDF.
constexpr double kLogoDpi = 300.0;

struct CFace {
  bool bold;
  double points;
};

CFace FaceOf(EProtocolFont font) {
  switch (font) {
    case EProtocolFont::kBody: return {false, 10};
    case EProtocolFont::kBold: return {true, 10};
    case EProtocolFont::kSmall: return {false, 8};
    case EProtocolFont::kSmallBold: return {true, 8};
    case EProtocolFont::kHeading: return {true, 11};
    case EProtocolFont::kTitle: return {true, 14};
  }
  return {false, 10};
}

// The glyphs of `text` and where each goes, from the left of its line.
struct CGlyphs {
  QList<quint32> indexes;
  QList<QPointF> positions;
  double width = 0;
};

CGlyphs Shape(const QRawFont& raw, const QString& text) {
  CGlyphs glyphs;
  glyphs.indexes = raw.glyphIndexesForString(text);
  glyphs.positions = raw.advancesForGlyphIndexes(glyphs.indexes, QRawFont::UseDesignMetrics);
  double x = 0;
  for (QPointF& position : glyphs.positions) {
    const double advance = position.x();
    position = QPointF(x, 0);
    x += advance;
  }
  glyphs.width = x;
  return glyphs;
}

}  // namespace

// --- the faces ---

CProtocolFonts::CProtocolFonts(double dpi) {
  const QString family = BuiltInSansFamily();
  if (family.isEmpty()) return;
  for (int i = 0; i < kProtocolFontCount; ++i) {
    const CFace face = FaceOf(static_cast<EProtocolFont>(i));
    QFont font(family);
    font.setBold(face.bold);
    font.setStretch(QFont::Unstretched);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(100);
    QRawFont& raw = m_raw[static_cast<size_t>(i)];
    raw = QRawFont::fromFont(font);
    if (raw.isValid()) raw.setPixelSize(face.points * dpi / kPointsPerInch);
  }
}

bool CProtocolFonts::IsValid() const {
  return std::all_of(m_raw.begin(), m_raw.end(), [](const QRawFont& raw) { return raw.isValid(); });
}

double CProtocolFonts::Width(std::string_view text, EProtocolFont font) const {
  const QRawFont& raw = Raw(font);
  if (!raw.isValid() || text.empty()) return 0;
  return Shape(raw, Text(text)).width;
}

double CProtocolFonts::LineHeight(EProtocolFont font) const {
  const QRawFont& raw = Raw(font);
  return raw.isValid() ? raw.ascent() + raw.descent() + raw.leading() : 0;
}

void CProtocolFonts::Draw(QPainter& painter, const CLaidText& text) const {
  const QRawFont& raw = Raw(text.font);
  if (!raw.isValid() || text.text.empty()) return;
  const CGlyphs glyphs = Shape(raw, Text(text.text));
  if (glyphs.indexes.isEmpty()) return;
  const double scale = text.scale > 0 ? text.scale : 1.0;
  double x = text.x;
  if (text.align == EPrintAlign::kCenter) x += (text.width - glyphs.width * scale) / 2.0;
  if (text.align == EPrintAlign::kRight) x += text.width - glyphs.width * scale;
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(glyphs.indexes);
  run.setPositions(glyphs.positions);
  painter.save();
  painter.translate(x, text.y);
  if (scale != 1.0) painter.scale(scale, scale);
  painter.drawGlyphRun(QPointF(0, raw.ascent()), run);
  painter.restore();
}

// --- the page ---

void SetUpProtocolPrinter(QPrinter& printer) {
  printer.setFullPage(false);
  QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
  printer.setPageLayout(layout);
  layout = printer.pageLayout();
  layout.setUnits(QPageLayout::Millimeter);
  const QMarginsF least = layout.minimumMargins();
  layout.setMargins(
      QMarginsF(std::max(kProtocolMarginLeftMm, least.left()), std::max(kProtocolMarginTopMm, least.top()),
                std::max(kProtocolMarginRightMm, least.right()), std::max(kProtocolMarginBottomMm, least.bottom())));
  printer.setPageLayout(layout);
}

CProtocolLogo LoadProtocolLogo(const CProtocolDocument& document) {
  CProtocolLogo logo;
  if (document.logoPath.empty()) return logo;
  const QString path = Text(document.logoPath);
  try {
    const std::vector<uint8_t> bytes = ReadWholeFile(FsPath(path), kLogoFileAtMost);
    logo.bytes = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  } catch (const std::exception& e) {
    logo.problem = QStringLiteral("Логотип не загружен: %1").arg(QString::fromUtf8(e.what()));
    return logo;
  }
  QBuffer buffer(&logo.bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QByteArray format = reader.format().toLower();
  logo.image = reader.read();
  if (logo.image.isNull() || logo.image.width() <= 0 || logo.image.height() <= 0) {
    logo = CProtocolLogo();
    logo.problem = QStringLiteral("Логотип не загружен: файл %1 не является изображением (%2)")
                       .arg(QDir::toNativeSeparators(path), reader.errorString());
    return logo;
  }
  if (format == "png") {
    logo.mediaType = "image/png";
  } else if (format == "jpeg" || format == "jpg") {
    logo.mediaType = "image/jpeg";
  } else {
    // Any other picture the way every word processor reads it.
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    logo.image.save(&png, "PNG");
    logo.bytes = png.data();
    logo.mediaType = "image/png";
  }
  return logo;
}

CProtocolPages::CProtocolPages(const CProtocolDocument& document, const CObjectDefinition& object, QPrinter& printer)
    : m_fonts(std::max(printer.resolution(), 1)), m_dpi(std::max(printer.resolution(), 1)) {
  CProtocolLogo logo = LoadProtocolLogo(document);
  m_logoProblem = logo.problem;
  CProtocolLayoutInput input;
  const QRectF area = PrintableArea(printer);
  input.page.width = area.width();
  input.page.height = area.height();
  input.page.unitsPerMm = m_dpi / kMmPerInch;
  if (!logo.image.isNull()) {
    input.logoAspect = static_cast<double>(logo.image.width()) / logo.image.height();
    // No more pixels than the largest logo prints with.
    const QSize most(static_cast<int>(kProtocolLogoWidthMm / kMmPerInch * kLogoDpi),
                     static_cast<int>(kProtocolLogoHeightMm / kMmPerInch * kLogoDpi));
    m_logo = logo.image.width() > most.width() || logo.image.height() > most.height()
                 ? logo.image.scaled(most, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                 : logo.image;
  }
  if (!m_fonts.IsValid()) return;
  m_pages = LayOutProtocol(document, m_fonts, input);
  if (document.HasChart()) {
    m_chart = std::make_unique<CArchiveChart>();
    m_chart->SetArchive(&object, CColumnSwitches{}, false);
  }
}

CProtocolPages::~CProtocolPages() = default;

void CProtocolPages::PaintChart(QCPPainter& painter, const CLaidPicture& place) const {
  if (!m_chart) return;
  const double scale = m_dpi / kScreenDpi;
  const QSize size(static_cast<int>(std::floor(place.width / scale)),
                   static_cast<int>(std::floor(place.height / scale)));
  if (size.width() < 1 || size.height() < 1) return;
  painter.save();
  painter.translate(place.x, place.y);
  painter.scale(scale, scale);
  m_chart->DrawOnPage(painter, size);
  painter.restore();
}

void CProtocolPages::PaintPage(QCPPainter& painter, int page) const {
  if (!IsValid() || page < 1 || page > PageCount()) return;
  const CProtocolPage& laid = m_pages[static_cast<size_t>(page - 1)];
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const CLaidPicture& picture : laid.pictures) {
    if (picture.what == EProtocolPicture::kChart) {
      PaintChart(painter, picture);
    } else if (!m_logo.isNull()) {
      // Kept to its aspect within the place, at its top left.
      const QSizeF size = QSizeF(m_logo.size()).scaled(QSizeF(picture.width, picture.height), Qt::KeepAspectRatio);
      painter.drawImage(QRectF(QPointF(picture.x, picture.y), size), m_logo);
    }
  }
  for (const CLaidRule& rule : laid.rules) {
    QPen pen(Qt::black);
    pen.setWidthF((rule.thick ? kThickRulePoints : kThinRulePoints) * m_dpi / kPointsPerInch);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(rule.x1, rule.y1), QPointF(rule.x2, rule.y2));
  }
  painter.setPen(Qt::black);
  for (const CLaidText& text : laid.texts) m_fonts.Draw(painter, text);
  painter.restore();
}

// --- the files ---

QString ProtocolTitle(const CProtocolDocument& document) {
  for (const CProtocolBlock& block : document.blocks) {
    if (block.kind == EProtocolBlock::kTitle) return Text(block.text).split(QChar('\n')).join(QChar(' ')).simplified();
  }
  return QStringLiteral("Протокол обследования");
}

QByteArray ProtocolChartPng(const CObjectDefinition& object, double widthMm, double heightMm, double dpi) {
  const QSize pixels(static_cast<int>(std::lround(widthMm / kMmPerInch * dpi)),
                     static_cast<int>(std::lround(heightMm / kMmPerInch * dpi)));
  const double scale = dpi / kScreenDpi;
  const QSize size(static_cast<int>(std::floor(pixels.width() / scale)),
                   static_cast<int>(std::floor(pixels.height() / scale)));
  if (size.width() < 1 || size.height() < 1) return {};
  CArchiveChart chart;
  chart.resize(size);
  chart.SetArchive(&object, CColumnSwitches{}, false);
  QImage image(pixels, QImage::Format_RGB32);
  image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / kMmPerInch * 1000)));
  image.setDotsPerMeterY(image.dotsPerMeterX());
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.scale(scale, scale);
  chart.DrawOnPage(painter, size);
  painter.end();
  QBuffer png;
  png.open(QIODevice::WriteOnly);
  image.save(&png, "PNG");
  return png.data();
}

bool WriteProtocolPdf(const CProtocolDocument& document, const CObjectDefinition& object, const QString& path,
                      QString& error) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setDocName(ProtocolTitle(document));
  printer.setCreator(QStringLiteral("Tarvik KQ Monitor"));
  SetUpProtocolPrinter(printer);
  const CProtocolPages pages(document, object, printer);
  return PrintPageRange(printer, pages, {1, pages.PageCount()}, nullptr, error);
}

bool WriteProtocolOdtFile(const CProtocolDocument& document, const CObjectDefinition& object, const QString& path,
                          QString& error) {
  error.clear();
  CProtocolOdtPictures pictures;
  if (document.HasChart()) {
    const double width = kProtocolPaperWidthMm - kProtocolMarginLeftMm - kProtocolMarginRightMm;
    const QByteArray png = ProtocolChartPng(object, width, kProtocolChartHeightMm, kChartPictureDpi);
    pictures.chart = {png.toStdString(), "image/png", width, kProtocolChartHeightMm};
  }
  const CProtocolLogo logo = LoadProtocolLogo(document);
  if (!logo.image.isNull()) {
    // As large as fits 50 by 15 mm, kept to its aspect.
    const QSizeF size =
        QSizeF(logo.image.size()).scaled(QSizeF(kProtocolLogoWidthMm, kProtocolLogoHeightMm), Qt::KeepAspectRatio);
    pictures.logo = {logo.bytes.toStdString(), logo.mediaType.toStdString(), size.width(), size.height()};
  }
  try {
    WriteProtocolOdt(document, pictures, FsPath(path));
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    return false;
  }
  return true;
}

}  // namespace tkq::render
