#include "core/output/protocol_odt.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <new>
#include <string_view>

#include "core/base/cp1251.h"
#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

constexpr double kTextWidthMm = kProtocolPaperWidthMm - kProtocolMarginLeftMm - kProtocolMarginRightMm;
constexpr std::string_view kMimeType = "application/vnd.oasis.opendocument.text";
constexpr std::string_view kGenerator = "Tarvik KQ Monitor";
constexpr double kLetterMm = 2.3;  // an average letter of the body's face
constexpr const char* kThinBorder = "0.5pt solid #000000";

constexpr std::string_view kNamespaces =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:xlink=\"http://www.w3.org/1999/xlink\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " office:version=\"1.2\"";

constexpr std::string_view kFontFaces =
    "<office:font-face-decls><style:font-face style:name=\"DejaVu Sans\" svg:font-family=\"&apos;DejaVu "
    "Sans&apos;\" style:font-family-generic=\"swiss\" style:font-pitch=\"variable\"/></office:font-face-decls>";

// A length in millimetres as the document says it (with a point, whatever
// the locale).
std::string Mm(double mm) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, mm, std::chars_format::fixed, 2);
  return std::string(buffer, result.ptr) + "mm";
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Calls `each` with every character of a UTF-8 text that XML can hold:
// control characters are left out, a malformed sequence becomes U+FFFD.
template <typename F>
void ForEachXmlChar(std::string_view text, F&& each) {
  for (size_t i = 0; i < text.size();) {
    const char32_t c = DecodeUtf8(text, i);
    if (IsXmlChar(c)) each(c);
  }
}

void AppendEscapedChar(std::string& out, char32_t c) {
  switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&apos;"; break;
    default: AppendUtf8(out, c);
  }
}

// An attribute's value: line breaks and tabs as blanks.
void AppendAttribute(std::string& out, std::string_view text) {
  ForEachXmlChar(text, [&](char32_t c) { AppendEscapedChar(out, c == '\n' || c == '\r' || c == '\t' ? ' ' : c); });
}

// A paragraph's text: blanks kept as typed (a run of them, or one at the
// start, as text:s), tabs as text:tab, line feeds as text:line-break.
void AppendText(std::string& out, std::string_view text) {
  int blanks = 0;
  bool start = true;
  const auto flush = [&] {
    if (blanks == 0) return;
    if (!start) {
      out += ' ';
      --blanks;
    }
    if (blanks == 1) out += "<text:s/>";
    if (blanks > 1) out += "<text:s text:c=\"" + std::to_string(blanks) + "\"/>";
    blanks = 0;
  };
  ForEachXmlChar(text, [&](char32_t c) {
    if (c == ' ') {
      ++blanks;
      return;
    }
    flush();
    start = false;
    if (c == '\n') {
      out += "<text:line-break/>";
      start = true;
    } else if (c == '\t') {
      out += "<text:tab/>";
    } else if (c != '\r') {
      AppendEscapedChar(out, c);
    }
  });
  flush();
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0;;) {
    const size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    if (end == std::string_view::npos) return lines;
    at = end + 1;
  }
}

void AppendParagraph(std::string& out, std::string_view style, std::string_view text) {
  out += "<text:p text:style-name=\"";
  out += style;
  out += "\">";
  AppendText(out, text);
  out += "</text:p>";
}

// The picture's place in the package, by its media type; empty for a
// type the document cannot show.
std::string PictureExtension(const std::string& mediaType) {
  if (mediaType == "image/png") return "png";
  if (mediaType == "image/jpeg") return "jpg";
  if (mediaType == "image/gif") return "gif";
  if (mediaType == "image/bmp") return "bmp";
  if (mediaType == "image/svg+xml") return "svg";
  return {};
}

bool Shown(const COdtPicture& picture) {
  return !picture.bytes.empty() && !PictureExtension(picture.mediaType).empty();
}

std::string ChartName() { return "Pictures/chart.png"; }
std::string LogoName(const COdtPicture& logo) { return "Pictures/logo." + PictureExtension(logo.mediaType); }

// The logo's size, within the protocol's bounds and with its proportions.
std::pair<double, double> LogoSizeMm(const COdtPicture& logo) {
  double width = logo.widthMm > 0 ? logo.widthMm : kProtocolLogoWidthMm;
  double height = logo.heightMm > 0 ? logo.heightMm : kProtocolLogoHeightMm;
  const double shrink = std::min({1.0, kProtocolLogoWidthMm / width, kProtocolLogoHeightMm / height});
  return {width * shrink, height * shrink};
}

void AppendFrame(std::string& out, std::string_view style, std::string_view name, const std::string& href,
                 const std::string& mediaType, double widthMm, double heightMm) {
  out += "<draw:frame draw:style-name=\"";
  out += style;
  out += "\" draw:name=\"";
  out += name;
  out += "\" text:anchor-type=\"as-char\" svg:width=\"" + Mm(widthMm) + "\" svg:height=\"" + Mm(heightMm) +
         "\" draw:z-index=\"0\"><draw:image xlink:href=\"" + href +
         "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\" draw:mime-type=\"" + mediaType +
         "\"/></draw:frame>";
}

// The tables' own styles (their widths) gathered while the body is
// written, for the automatic styles before it.
class CContentWriter {
 public:
  CContentWriter(const CProtocolDocument& document, const CProtocolOdtPictures& pictures)
      : m_document(document), m_pictures(pictures) {
    // One label column for every block of fields, as wide as the longest
    // label (at an average letter's width), from a quarter to a half of
    // the text's width.
    size_t longest = 0;
    for (const CProtocolBlock& block : document.blocks) {
      if (block.kind != EProtocolBlock::kFields) continue;
      for (const auto& field : block.fields) longest = std::max(longest, Utf8Length(field.first));
    }
    m_labelWidthMm = std::clamp(static_cast<double>(longest) * kLetterMm + 4, kTextWidthMm / 4, kTextWidthMm / 2);
  }

  std::string Content() {
    if (!m_document.organisation.empty() || Shown(m_pictures.logo)) Organisation();
    for (const CProtocolBlock& block : m_document.blocks) Block(block);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content";
    out += kNamespaces;
    out += ">";
    out += kFontFaces;
    out += "<office:automatic-styles>";
    out += CommonAutomaticStyles();
    out += m_styles;
    out += "</office:automatic-styles><office:body><office:text>";
    out += m_body;
    out += "</office:text></office:body></office:document-content>\n";
    return out;
  }

 private:
  static std::string CommonAutomaticStyles() {
    std::string out;
    // Ruled cells: each draws its left and bottom sides, the first row its
    // top too and the last column its right, so that every line is drawn once.
    for (const bool head : {true, false}) {
      for (const bool last : {false, true}) {
        out += std::string("<style:style style:name=\"") + (head ? "CellHead" : "Cell") + (last ? "Last" : "") +
               "\" style:family=\"table-cell\"><style:table-cell-properties fo:padding=\"0.5mm\"" +
               " fo:border-left=\"" + kThinBorder + "\" fo:border-bottom=\"" + kThinBorder + "\" fo:border-top=\"" +
               (head ? kThinBorder : "none") + "\" fo:border-right=\"" + (last ? kThinBorder : "none") +
               "\" style:vertical-align=\"middle\"/></style:style>";
      }
    }
    out +=
        "<style:style style:name=\"CellPlain\" style:family=\"table-cell\"><style:table-cell-properties "
        "fo:padding-top=\"0.3mm\" fo:padding-bottom=\"0.3mm\" fo:padding-left=\"0mm\" fo:padding-right=\"2mm\" "
        "fo:border=\"none\" style:vertical-align=\"top\"/></style:style>"
        "<style:style style:name=\"Row\" style:family=\"table-row\"><style:table-row-properties "
        "fo:keep-together=\"always\"/></style:style>"
        "<style:style style:name=\"Picture\" style:family=\"graphic\"><style:graphic-properties "
        "style:vertical-pos=\"middle\" style:vertical-rel=\"text\" fo:margin-left=\"0mm\" fo:margin-right=\"0mm\" "
        "fo:margin-top=\"0mm\" fo:margin-bottom=\"0mm\" fo:border=\"none\" fo:padding=\"0mm\"/></style:style>";
    return out;
  }

  // A table's style and its columns'; `keep`: the table stays on one page.
  std::string TableStyles(const std::vector<double>& widths, bool keep) {
    const std::string name = "Table" + std::to_string(++m_tables);
    m_styles +=
        "<style:style style:name=\"" + name + "\" style:family=\"table\"><style:table-properties style:width=\"" +
        Mm(kTextWidthMm) +
        "\" table:align=\"left\" fo:margin-top=\"1mm\" fo:margin-bottom=\"2mm\" style:may-break-between-rows=\"" +
        (keep ? "false" : "true") + "\"/></style:style>";
    for (size_t i = 0; i < widths.size(); ++i) {
      m_styles += "<style:style style:name=\"" + name + "." + std::to_string(i + 1) +
                  "\" style:family=\"table-column\"><style:table-column-properties style:column-width=\"" +
                  Mm(widths[i]) + "\"/></style:style>";
    }
    m_body += "<table:table table:name=\"Таблица" + std::to_string(m_tables) + "\" table:style-name=\"" + name + "\">";
    for (size_t i = 0; i < widths.size(); ++i) {
      m_body += "<table:table-column table:style-name=\"" + name + "." + std::to_string(i + 1) + "\"/>";
    }
    return name;
  }

  void Cell(std::string_view cellStyle, std::string_view paraStyle, std::string_view text) {
    m_body += "<table:table-cell table:style-name=\"";
    m_body += cellStyle;
    m_body += "\" office:value-type=\"string\">";
    AppendParagraph(m_body, paraStyle, text);
    m_body += "</table:table-cell>";
  }

  void Organisation() {
    m_body += "<text:p text:style-name=\"ProtocolOrganisation\">";
    if (Shown(m_pictures.logo)) {
      const auto [width, height] = LogoSizeMm(m_pictures.logo);
      AppendFrame(m_body, "Picture", "Логотип", LogoName(m_pictures.logo), m_pictures.logo.mediaType, width, height);
      if (!m_document.organisation.empty()) m_body += "<text:s/>";
    }
    AppendText(m_body, m_document.organisation);
    m_body += "</text:p>";
  }

  void Block(const CProtocolBlock& block) {
    switch (block.kind) {
      case EProtocolBlock::kTitle:
        for (std::string_view line : Lines(block.text)) AppendParagraph(m_body, "ProtocolTitle", line);
        break;
      case EProtocolBlock::kHeading:
        m_body += "<text:h text:style-name=\"ProtocolHeading\" text:outline-level=\"1\">";
        AppendText(m_body, block.text);
        m_body += "</text:h>";
        break;
      case EProtocolBlock::kParagraph:
        for (std::string_view line : Lines(block.text)) AppendParagraph(m_body, "ProtocolBody", line);
        break;
      case EProtocolBlock::kFields: Fields(block.fields); break;
      case EProtocolBlock::kTable: Table(block.table); break;
      case EProtocolBlock::kChart: Chart(); break;
      case EProtocolBlock::kSignatures: Signatures(block.signatures); break;
    }
  }

  void Fields(const std::vector<std::pair<std::string, std::string>>& fields) {
    if (fields.empty()) return;
    const std::vector<double> widths = {m_labelWidthMm, kTextWidthMm - m_labelWidthMm};
    TableStyles(widths, false);
    for (const auto& [label, value] : fields) {
      m_body += "<table:table-row table:style-name=\"Row\">";
      Cell("CellPlain", "ProtocolLabel", label);
      Cell("CellPlain", "ProtocolValue", value);
      m_body += "</table:table-row>";
    }
    m_body += "</table:table>";
  }

  void Table(const CProtocolTable& table) {
    const size_t columns = table.captions.size();
    if (columns == 0) return;
    TableStyles(ProtocolOdtColumnWidths(table, kTextWidthMm), false);
    const auto cellStyle = [&](std::string_view base, size_t i) {
      return std::string(base) + (i + 1 == columns ? "Last" : "");
    };
    m_body += "<table:table-header-rows><table:table-row table:style-name=\"Row\">";
    for (size_t i = 0; i < columns; ++i) Cell(cellStyle("CellHead", i), "ProtocolCellHead", table.captions[i]);
    m_body += "</table:table-row></table:table-header-rows>";
    for (size_t r = 0; r < table.rows.size(); ++r) {
      const bool total = table.lastRowIsTotal && r + 1 == table.rows.size();
      m_body += "<table:table-row table:style-name=\"Row\">";
      for (size_t i = 0; i < columns; ++i) {
        const EPrintAlign align = i < table.align.size() ? table.align[i] : EPrintAlign::kLeft;
        std::string para = total ? "ProtocolCellTotal" : "ProtocolCell";
        if (align == EPrintAlign::kRight) para += "Right";
        if (align == EPrintAlign::kCenter) para += "Centre";
        const std::vector<std::string>& row = table.rows[r];
        Cell(cellStyle("Cell", i), para, i < row.size() ? std::string_view(row[i]) : std::string_view());
      }
      m_body += "</table:table-row>";
    }
    m_body += "</table:table>";
  }

  void Chart() {
    const COdtPicture& chart = m_pictures.chart;
    if (chart.bytes.empty()) return;
    m_body += "<text:p text:style-name=\"ProtocolChart\">";
    AppendFrame(m_body, "Picture", "График", ChartName(), "image/png", chart.widthMm > 0 ? chart.widthMm : kTextWidthMm,
                chart.heightMm > 0 ? chart.heightMm : kProtocolChartHeightMm);
    m_body += "</text:p>";
  }

  void Signatures(const std::vector<CProtocolSignature>& signatures) {
    if (signatures.empty()) return;
    TableStyles(std::vector<double>(signatures.size(), kTextWidthMm / static_cast<double>(signatures.size())), true);
    m_body += "<table:table-row table:style-name=\"Row\">";
    for (const CProtocolSignature& signature : signatures) {
      m_body += "<table:table-cell table:style-name=\"CellPlain\" office:value-type=\"string\">";
      AppendParagraph(m_body, "ProtocolRole", signature.role);
      AppendParagraph(m_body, "ProtocolSignature",
                      signature.name.empty() ? "________________________" : signature.name);
      if (!signature.position.empty()) AppendParagraph(m_body, "ProtocolValue", signature.position);
      AppendParagraph(m_body, "ProtocolSignature", "Подпись ____________");
      AppendParagraph(m_body, "ProtocolSignature", "Дата ____________");
      m_body += "</table:table-cell>";
    }
    m_body += "</table:table-row></table:table>";
  }

  const CProtocolDocument& m_document;
  const CProtocolOdtPictures& m_pictures;
  std::string m_styles;
  std::string m_body;
  int m_tables = 0;
  double m_labelWidthMm = 0;
};

// A paragraph style of the common ones.
std::string ParagraphStyle(std::string_view name, std::string_view parent, std::string_view paragraph,
                           std::string_view text) {
  std::string out = "<style:style style:name=\"";
  out += name;
  out += "\" style:family=\"paragraph\"";
  if (!parent.empty()) {
    out += " style:parent-style-name=\"";
    out += parent;
    out += "\"";
  }
  out += ">";
  if (!paragraph.empty()) {
    out += "<style:paragraph-properties ";
    out += paragraph;
    out += "/>";
  }
  if (!text.empty()) {
    out += "<style:text-properties ";
    out += text;
    out += "/>";
  }
  out += "</style:style>";
  return out;
}

constexpr std::string_view kBold = "fo:font-weight=\"bold\" style:font-weight-asian=\"bold\"";

std::string CommonStyles() {
  const std::string bold(kBold);
  const std::string small = "fo:font-size=\"8pt\"";
  std::string out =
      "<style:default-style style:family=\"paragraph\"><style:paragraph-properties fo:margin-top=\"0mm\" "
      "fo:margin-bottom=\"0mm\" fo:hyphenation-ladder-count=\"no-limit\" style:writing-mode=\"lr-tb\"/>"
      "<style:text-properties style:font-name=\"DejaVu Sans\" fo:font-size=\"10pt\" fo:language=\"ru\" "
      "fo:country=\"RU\" fo:hyphenate=\"false\"/></style:default-style>"
      "<style:default-style style:family=\"table\"><style:table-properties table:border-model=\"collapsing\"/>"
      "</style:default-style>";
  out += ParagraphStyle("Standard", "", "", "");
  out += ParagraphStyle("ProtocolBody", "Standard", "fo:margin-bottom=\"1mm\"", "");
  // The organisation heads the first page, ruled off from the rest.
  out += ParagraphStyle("ProtocolOrganisation", "Standard",
                        "fo:margin-bottom=\"4mm\" fo:padding-bottom=\"1mm\" fo:border-bottom=\"" +
                            std::string(kThinBorder) +
                            "\" fo:border-top=\"none\" fo:border-left=\"none\" "
                            "fo:border-right=\"none\"",
                        bold);
  out += ParagraphStyle("ProtocolTitle", "Standard", "fo:text-align=\"center\" fo:margin-bottom=\"1mm\"",
                        "fo:font-size=\"14pt\" " + bold);
  out += ParagraphStyle("ProtocolHeading", "Standard",
                        "fo:margin-top=\"4mm\" fo:margin-bottom=\"1.5mm\" fo:keep-with-next=\"always\"",
                        "fo:font-size=\"11pt\" " + bold);
  out += ParagraphStyle("ProtocolLabel", "Standard", "", "");
  out += ParagraphStyle("ProtocolValue", "Standard", "", "");
  out += ParagraphStyle("ProtocolCell", "Standard", "fo:text-align=\"start\"", small);
  out += ParagraphStyle("ProtocolCellRight", "ProtocolCell", "fo:text-align=\"end\"", "");
  out += ParagraphStyle("ProtocolCellCentre", "ProtocolCell", "fo:text-align=\"center\"", "");
  out += ParagraphStyle("ProtocolCellHead", "ProtocolCell", "fo:text-align=\"center\"", bold);
  out += ParagraphStyle("ProtocolCellTotal", "ProtocolCell", "", bold);
  out += ParagraphStyle("ProtocolCellTotalRight", "ProtocolCellTotal", "fo:text-align=\"end\"", "");
  out += ParagraphStyle("ProtocolCellTotalCentre", "ProtocolCellTotal", "fo:text-align=\"center\"", "");
  out += ParagraphStyle("ProtocolChart", "Standard",
                        "fo:text-align=\"center\" fo:margin-top=\"2mm\" fo:margin-bottom=\"2mm\"", "");
  out += ParagraphStyle("ProtocolRole", "Standard", "fo:margin-top=\"4mm\" fo:keep-with-next=\"always\"", bold);
  out += ParagraphStyle("ProtocolSignature", "Standard", "fo:margin-top=\"3mm\"", "");
  out += ParagraphStyle("ProtocolFooter", "Standard", "fo:text-align=\"end\"", small);
  return out;
}

// The package in memory, for minizip.
struct CMemoryZip {
  std::string bytes;
  uint64_t at = 0;
  bool failed = false;
};

voidpf ZCALLBACK ZipOpen(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK ZipRead(voidpf, voidpf, void*, uLong) { return 0; }

uLong ZCALLBACK ZipWrite(voidpf, voidpf stream, const void* data, uLong size) {
  auto* zip = static_cast<CMemoryZip*>(stream);
  try {
    if (zip->bytes.size() < zip->at + size) zip->bytes.resize(zip->at + size);
    std::copy_n(static_cast<const char*>(data), size, zip->bytes.begin() + static_cast<ptrdiff_t>(zip->at));
    zip->at += size;
    return size;
  } catch (const std::bad_alloc&) {
    zip->failed = true;
    return 0;
  }
}

ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) { return static_cast<CMemoryZip*>(stream)->at; }

long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* zip = static_cast<CMemoryZip*>(stream);
  uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = zip->at;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = zip->bytes.size();
  if (base + offset > zip->bytes.size()) return -1;
  zip->at = base + offset;
  return 0;
}

int ZCALLBACK ZipClose(voidpf, voidpf) { return 0; }

int ZCALLBACK ZipError(voidpf, voidpf stream) { return static_cast<CMemoryZip*>(stream)->failed ? 1 : 0; }

// Builds a package entry by entry; any failure of the library is memory
// running out (nothing else can fail in memory).
class CZipWriter {
 public:
  explicit CZipWriter(const std::tm& when) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = ZipOpen;
    functions.zread_file = ZipRead;
    functions.zwrite_file = ZipWrite;
    functions.ztell64_file = ZipTell;
    functions.zseek64_file = ZipSeek;
    functions.zclose_file = ZipClose;
    functions.zerror_file = ZipError;
    functions.opaque = &m_zip;
    m_file = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
    if (m_file == nullptr) throw std::bad_alloc();
    m_info.tmz_date.tm_sec = when.tm_sec;
    m_info.tmz_date.tm_min = when.tm_min;
    m_info.tmz_date.tm_hour = when.tm_hour;
    m_info.tmz_date.tm_mday = when.tm_mday;
    m_info.tmz_date.tm_mon = when.tm_mon;
    m_info.tmz_date.tm_year = when.tm_year + 1900;
  }
  ~CZipWriter() {
    if (m_file != nullptr) zipClose(m_file, nullptr);
  }
  CZipWriter(const CZipWriter&) = delete;
  CZipWriter& operator=(const CZipWriter&) = delete;

  // Stored as it is, or deflated; no extra fields (the mimetype entry
  // must be read at a fixed place).
  void Add(const std::string& name, std::string_view data, bool deflate) {
    Check(zipOpenNewFileInZip3_64(m_file, name.c_str(), &m_info, nullptr, 0, nullptr, 0, nullptr,
                                  deflate ? Z_DEFLATED : 0, deflate ? 6 : 0, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                  Z_DEFAULT_STRATEGY, nullptr, 0, 0));
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; at < data.size(); at += kPiece) {
      const size_t n = std::min(kPiece, data.size() - at);
      Check(zipWriteInFileInZip(m_file, data.data() + at, static_cast<unsigned>(n)));
    }
    Check(zipCloseFileInZip(m_file));
  }

  std::string Finish() {
    zipFile file = m_file;
    m_file = nullptr;
    Check(zipClose(file, nullptr));
    m_zip.bytes.resize(m_zip.at);
    return std::move(m_zip.bytes);
  }

 private:
  void Check(int result) {
    if (result != ZIP_OK || m_zip.failed) throw std::bad_alloc();
  }

  CMemoryZip m_zip;
  zipFile m_file = nullptr;
  zip_fileinfo m_info{};
};

std::string Manifest(const CProtocolOdtPictures& pictures) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
      "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
      "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" manifest:media-type=\"";
  out += kMimeType;
  out += "\"/>";
  for (const char* part : {"content.xml", "styles.xml", "meta.xml"}) {
    out += std::string("<manifest:file-entry manifest:full-path=\"") + part + "\" manifest:media-type=\"text/xml\"/>";
  }
  if (!pictures.chart.bytes.empty()) {
    out += "<manifest:file-entry manifest:full-path=\"" + ChartName() + "\" manifest:media-type=\"image/png\"/>";
  }
  if (Shown(pictures.logo)) {
    out += "<manifest:file-entry manifest:full-path=\"" + LogoName(pictures.logo) + "\" manifest:media-type=\"" +
           pictures.logo.mediaType + "\"/>";
  }
  out += "</manifest:manifest>\n";
  return out;
}

std::string Meta(const CProtocolDocument& document, const std::tm& when) {
  char date[80];
  std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", when.tm_year + 1900, when.tm_mon + 1, when.tm_mday,
                when.tm_hour, when.tm_min, when.tm_sec);
  std::string title;
  for (const CProtocolBlock& block : document.blocks) {
    if (block.kind == EProtocolBlock::kTitle) {
      title = block.text.substr(0, block.text.find('\n'));
      break;
    }
  }
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-meta "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "office:version=\"1.2\"><office:meta><meta:generator>";
  out += kGenerator;
  out += "</meta:generator>";
  if (!title.empty()) {
    out += "<dc:title>";
    AppendAttribute(out, title);
    out += "</dc:title>";
  }
  out += std::string("<meta:creation-date>") + date + "</meta:creation-date><dc:date>" + date +
         "</dc:date></office:meta></office:document-meta>\n";
  return out;
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) {
    local = std::tm{};
    local.tm_mday = 1;
    local.tm_year = 80;
  }
  return local;
}

}  // namespace

std::vector<double> ProtocolOdtColumnWidths(const CProtocolTable& table, double totalMm) {
  const size_t columns = table.captions.size();
  std::vector<double> weights(columns, 0);
  const auto widen = [&](size_t i, std::string_view text, bool byWord) {
    for (std::string_view line : Lines(text)) {
      if (!byWord) {
        weights[i] = std::max(weights[i], static_cast<double>(Utf8Length(line)));
        continue;
      }
      for (size_t at = 0; at <= line.size();) {
        const size_t end = std::min(line.find(' ', at), line.size());
        weights[i] = std::max(weights[i], static_cast<double>(Utf8Length(line.substr(at, end - at))));
        at = end + 1;
      }
    }
  };
  for (size_t i = 0; i < columns; ++i) widen(i, table.captions[i], true);
  for (const std::vector<std::string>& row : table.rows) {
    for (size_t i = 0; i < columns && i < row.size(); ++i) widen(i, row[i], false);
  }
  double sum = 0;
  for (double& weight : weights) {
    weight = std::max(weight, 2.0) + 1.5;  // the cell's padding
    sum += weight;
  }
  std::vector<double> widths(columns);
  double given = 0;
  for (size_t i = 0; i < columns; ++i) {
    // In hundredths of a millimetre, as written, the last taking the rest.
    widths[i] = i + 1 == columns ? totalMm - given : std::round(totalMm * weights[i] / sum * 100) / 100;
    given += widths[i];
  }
  return widths;
}

std::string ProtocolOdtContent(const CProtocolDocument& document, const CProtocolOdtPictures& pictures) {
  return CContentWriter(document, pictures).Content();
}

std::string ProtocolOdtStyles(const CProtocolDocument&) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles";
  out += kNamespaces;
  out += ">";
  out += kFontFaces;
  out += "<office:styles>" + CommonStyles() + "</office:styles>";
  out +=
      "<office:automatic-styles><style:page-layout style:name=\"Page\"><style:page-layout-properties fo:page-width=\"" +
      Mm(kProtocolPaperWidthMm) + "\" fo:page-height=\"" + Mm(kProtocolPaperHeightMm) +
      "\" style:print-orientation=\"portrait\" fo:margin-left=\"" + Mm(kProtocolMarginLeftMm) +
      "\" fo:margin-right=\"" + Mm(kProtocolMarginRightMm) + "\" fo:margin-top=\"" + Mm(kProtocolMarginTopMm) +
      "\" fo:margin-bottom=\"" + Mm(kProtocolMarginBottomMm) +
      "\" style:writing-mode=\"lr-tb\"/><style:header-style/><style:footer-style>"
      "<style:header-footer-properties fo:min-height=\"0mm\" fo:margin-top=\"3mm\"/></style:footer-style>"
      "</style:page-layout></office:automatic-styles>";
  out +=
      "<office:master-styles><style:master-page style:name=\"Standard\" style:page-layout-name=\"Page\">"
      "<style:footer><text:p text:style-name=\"ProtocolFooter\">Страница <text:page-number "
      "text:select-page=\"current\">1</text:page-number> из <text:page-count>1</text:page-count></text:p>"
      "</style:footer></style:master-page></office:master-styles></office:document-styles>\n";
  return out;
}

std::string ProtocolOdtBytes(const CProtocolDocument& document, const CProtocolOdtPictures& pictures) {
  const std::tm now = LocalNow();
  CZipWriter zip(now);
  zip.Add("mimetype", kMimeType, false);
  zip.Add("content.xml", ProtocolOdtContent(document, pictures), true);
  zip.Add("styles.xml", ProtocolOdtStyles(document), true);
  zip.Add("meta.xml", Meta(document, now), true);
  zip.Add("META-INF/manifest.xml", Manifest(pictures), true);
  // Pictures are compressed already.
  if (!pictures.chart.bytes.empty()) zip.Add(ChartName(), pictures.chart.bytes, false);
  if (Shown(pictures.logo)) zip.Add(LogoName(pictures.logo), pictures.logo.bytes, false);
  return zip.Finish();
}

void WriteProtocolOdt(const CProtocolDocument& document, const CProtocolOdtPictures& pictures,
                      const std::filesystem::path& path) {
  std::string bytes;
  try {
    bytes = ProtocolOdtBytes(document, pictures);
  } catch (const std::bad_alloc&) {
    throw CFileError(ENOMEM, "не удается записать файл " + DisplayPath(path) + ": " + kReasonNoMemory);
  }
  CAtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace tkq
