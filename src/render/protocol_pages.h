#pragma once
// The survey protocol drawn with Qt: its faces measured on a print device,
// its pages painted as the layout placed them (texts, rules, the logo, and
// the chart as lines and text), and its two files, the PDF and the
// OpenDocument text, shared by the program and tarvik-kq protocol.

#include <QByteArray>
#include <QImage>
#include <QRawFont>
#include <QString>
#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "core/output/protocol.h"
#include "core/output/protocol_layout.h"
#include "render/page_painter.h"

class QPainter;
class QPrinter;

namespace tkq {
class CObjectDefinition;
}

namespace tkq::render {

class CArchiveChart;

// The protocol's faces on a device of `dpi` dots an inch: the built-in
// DejaVu Sans and DejaVu Sans Bold at the sizes EProtocolFont gives, with
// the font's own advances (no hinting), so that a text is as wide on a
// printer as on the preview.
class CProtocolFonts : public CProtocolMeasure {
 public:
  explicit CProtocolFonts(double dpi);

  // False when a face could not be read.
  bool IsValid() const;
  double Width(std::string_view text, EProtocolFont font) const override;
  double LineHeight(EProtocolFont font) const override;
  // Draws `text` where the layout placed it, aligned in its box.
  void Draw(QPainter& painter, const CLaidText& text) const;

 private:
  const QRawFont& Raw(EProtocolFont font) const { return m_raw[static_cast<size_t>(font)]; }

  std::array<QRawFont, kProtocolFontCount> m_raw;
};

// A4 portrait with the protocol's margins (wider where the printer cannot
// print so near the edge).
void SetUpProtocolPrinter(QPrinter& printer);

// The protocol's logo: the picture and, for the OpenDocument text, its
// bytes (PNG and JPEG as the file holds them, any other picture as PNG).
struct CProtocolLogo {
  QImage image;  // null: no logo
  QByteArray bytes;
  QByteArray mediaType;
  QString problem;  // why a logo that was named did not load
};
CProtocolLogo LoadProtocolLogo(const CProtocolDocument& document);

// The protocol's pages, laid out once for `printer` as it is set up now
// (SetUpProtocolPrinter) and painted in device units of its printable
// area. `object` (the archive the document was made of, under its current
// output choices) gives the chart and must outlive this object.
class CProtocolPages : public CPaintedPages {
 public:
  CProtocolPages(const CProtocolDocument& document, const CObjectDefinition& object, QPrinter& printer);
  ~CProtocolPages() override;
  CProtocolPages(const CProtocolPages&) = delete;
  CProtocolPages& operator=(const CProtocolPages&) = delete;

  bool IsValid() const override { return m_fonts.IsValid() && !m_pages.empty(); }
  int PageCount() const override { return IsValid() ? static_cast<int>(m_pages.size()) : 0; }
  void PaintPage(QCPPainter& painter, int page) const override;

  const std::vector<CProtocolPage>& Pages() const { return m_pages; }
  // Why the document's logo is left out ("" when it is not).
  const QString& LogoProblem() const { return m_logoProblem; }

 private:
  void PaintChart(QCPPainter& painter, const CLaidPicture& place) const;

  CProtocolFonts m_fonts;
  double m_dpi = 0;
  QImage m_logo;
  QString m_logoProblem;
  std::unique_ptr<CArchiveChart> m_chart;  // null without a chart
  std::vector<CProtocolPage> m_pages;
};

// The document's title on one line ("Протокол обследования № 5 от
// 01.02.2026"), the PDF's title.
QString ProtocolTitle(const CProtocolDocument& document);

// The chart of `object` as a PNG of `widthMm` by `heightMm` at `dpi`, drawn
// as on the printed page (the OpenDocument text's picture).
QByteArray ProtocolChartPng(const CObjectDefinition& object, double widthMm, double heightMm, double dpi);

// The protocol as a PDF file at `path`, replaced only when complete.
// False with `error` set when it cannot be written. A logo that does not
// load is left out (LoadProtocolLogo says why).
bool WriteProtocolPdf(const CProtocolDocument& document, const CObjectDefinition& object, const QString& path,
                      QString& error);

// The protocol as an OpenDocument text at `path`, the chart drawn at its
// size on the page at about 200 dots an inch; as WriteProtocolPdf.
bool WriteProtocolOdtFile(const CProtocolDocument& document, const CObjectDefinition& object, const QString& path,
                          QString& error);

}  // namespace tkq::render
