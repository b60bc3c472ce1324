#pragma once
// The archive chart saved as a picture: the kinds of file it is written
// as, in one list for the program's dialog, tarvik-kq plot and the writing
// itself (CArchiveChart::SaveImage, defined in chart_image.cpp).

#include <QString>
#include <QStringList>

namespace tkq::render {

// The kinds of file the chart is saved as, by extension: "png", "svg",
// "pdf" ("svg" only where Qt's SVG module is built).
QStringList ChartImageFormats();

// Whether the file name `path` ends in one of them, in any case.
bool IsChartImageName(const QString& path);

// How ChartImageFormatsText names each format.
enum class EImageFormatNames {
  kNames,     // "PNG"
  kSuffixes,  // ".png"
};

// The formats in a sentence, `conjunction` before the last one:
// "PNG, SVG или PDF", ".png, .svg или .pdf", ".png, .svg or .pdf".
QString ChartImageFormatsText(EImageFormatNames names = EImageFormatNames::kNames,
                              const QString& conjunction = QStringLiteral("или"));

}  // namespace tkq::render
