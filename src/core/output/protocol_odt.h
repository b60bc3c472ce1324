#pragma once
// The survey protocol as an OpenDocument text (.odt) that LibreOffice and
// Word open and edit: the same blocks as the printed protocol, tables as
// tables (a header row repeated on every page), the chart and the logo as
// pictures, A4 with the protocol's margins, "Страница N из M" in the
// footer. Nothing in content.xml depends on the time it is written.

#include <filesystem>
#include <string>
#include <vector>

#include "core/output/protocol.h"

namespace tkq {

// A picture to put in the document: the file's bytes as they are, its
// media type ("image/png", "image/jpeg") and its size on the page. No
// bytes: no picture.
struct COdtPicture {
  std::string bytes;
  std::string mediaType;
  double widthMm = 0;
  double heightMm = 0;
};

struct CProtocolOdtPictures {
  COdtPicture chart;  // drawn by the caller at the chart's size on the page
  COdtPicture logo;
};

// The parts of the package, for the tests and the writer.
std::string ProtocolOdtContent(const CProtocolDocument& document, const CProtocolOdtPictures& pictures);
std::string ProtocolOdtStyles(const CProtocolDocument& document);

// The widths of a table's columns, summing to `totalMm`: each column's
// share as its longest cell (or the longest word of its caption, which
// may wrap), so that figures are not broken.
std::vector<double> ProtocolOdtColumnWidths(const CProtocolTable& table, double totalMm);

// The whole package (a zip file, "mimetype" first and stored).
std::string ProtocolOdtBytes(const CProtocolDocument& document, const CProtocolOdtPictures& pictures);

// Writes the package to `path`, replacing the file only when complete.
// Throws CFileError.
void WriteProtocolOdt(const CProtocolDocument& document, const CProtocolOdtPictures& pictures,
                      const std::filesystem::path& path);

}  // namespace tkq
