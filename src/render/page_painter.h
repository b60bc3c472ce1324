#pragma once
// Drawing printed pages with Qt: the printer's default font, its measures
// on a page, and one page drawn from what the layout computed. The same
// drawing serves printers, PDF files and the preview.

#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QVector>
#include <functional>

#include "core/output/print_layout.h"

class QCPPainter;
class QPainter;
class QPrinter;

namespace tkq::render {

// The characters of the widest printed line: the measurement archive with
// all seven columns.
inline constexpr int kWidestPrintedLine = 122;

// The font a print device draws in when nobody chooses one: a fixed-pitch
// font, as a line printer's, so that the column rules (counted in widths
// of "A") stand between the cells. Every character is placed exactly one
// width of "A" after the one before, on any device, so the preview
// shows the printer's lines as they print.
class CPrintFont {
 public:
  // The default font of `printer`: 10 points, smaller where the widest
  // printed line would not fit the printable width (never under 6).
  explicit CPrintFont(QPrinter& printer);

  bool IsValid() const { return m_raw.isValid(); }
  int LineHeight() const { return m_nLineHeight; }  // h: the height of "A"
  int CharWidth() const { return m_nCharWidth; }    // w: the width of "A"
  // The smallest size the printout uses relative to this font's size.
  double SmallestScale() const { return m_smallestScale; }

  // Draws `text` with its left edge at x and its top at y.
  void Draw(QPainter& painter, double x, double y, const QString& text) const;
  // Draws the lines of `text` in `rect`, each aligned as `align` says, at
  // `scale` times the font's size (centred in the rectangle's height when
  // shrunk).
  void DrawIn(QPainter& painter, const CPrintRect& rect, const QString& text, EPrintAlign align,
              bool centreVertically, double scale = 1.0) const;

 private:
  void Init(double pixels);

  QRawFont m_raw;
  int m_nLineHeight = 0;
  int m_nCharWidth = 0;
  double m_ascent = 0;
  double m_smallestScale = 1.0;
  mutable QVector<QPointF> m_positions;  // one character every w
};

// Margins of 10 mm on every side (wider where the printer cannot print
// so near the edge): a PDF then has the pages a printer prints, and the
// preview shows them.
void SetPrintMargins(QPrinter& printer);

// The printable area within the paper, in device pixels.
QRectF PrintableArea(QPrinter& printer);

// h, w, W and H on `printer` in `font`.
CPrintMetrics MeasurePrintPage(QPrinter& printer, const CPrintFont& font);

// Draws `page`, in device units of the printable area.
void PaintPrintPage(QPainter& painter, const CPrintPage& page, const CPrintFont& font);

// What to print: pages `from` to `to` (counted from 1).
struct CPrintRange {
  int from = 1;
  int to = 0;
};

// Prints the range on `printer` (already set up: a printer or a file), one
// page after the other; `beforePage(page, done)` is asked before each page
// and stops the job by returning false. Copies are made here when the
// printer cannot make them. A file is written under another name and
// takes its own only when complete. Returns false when stopped or when
// the device failed (`error` then says why; empty when stopped).
bool PrintPageRange(QPrinter& printer, const CPageLayout& layout, const CPrintFont& font, CPrintRange range,
                    const std::function<bool(int page, int done)>& beforePage, QString& error);

// Pages a window draws itself instead of printing lines (the chart), laid
// out for one printer: how many, and each drawn in device units of the
// printable area (the painter is a QCustomPlot one, which the chart needs).
class CPaintedPages {
 public:
  virtual ~CPaintedPages() = default;
  // False when the page has no room for the drawing: nothing prints.
  virtual bool IsValid() const = 0;
  virtual int PageCount() const = 0;
  // Page `page`, counted from 1.
  virtual void PaintPage(QCPPainter& painter, int page) const = 0;
};

// PrintPageRange for pages a window draws itself.
bool PrintPageRange(QPrinter& printer, const CPaintedPages& pages, CPrintRange range,
                    const std::function<bool(int page, int done)>& beforePage, QString& error);

}  // namespace tkq::render
