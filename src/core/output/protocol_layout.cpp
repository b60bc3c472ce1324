#include "core/output/protocol_layout.h"

#include <algorithm>
#include <numeric>

#include "core/base/cp1251.h"

namespace tkq {
namespace {

// Spacing, in millimetres.
constexpr double kHeadGapMm = 4;         // under the organisation
constexpr double kTitleGapMm = 4;        // under the title
constexpr double kHeadingGapMm = 5;      // over a heading
constexpr double kHeadingAfterMm = 1.5;  // between a heading and what it heads
constexpr double kBlockGapMm = 2;        // between other blocks
constexpr double kFieldGapMm = 3;        // between a label and its value
constexpr double kCellPadMm = 1;         // inside a table cell, left and right
constexpr double kCellPadTopMm = 0.5;    // and above and below its text
constexpr double kSignatureGapMm = 10;   // between the two signatures
constexpr double kWriteLineMm = 8;       // a line to write on: its height
constexpr double kFooterGapMm = 3;       // over the page number
// A wide table is set this much smaller at most before its words break.
constexpr double kLeastTableScale = 0.6;
// The widest label column of the fields, as a share of the text width.
constexpr double kLabelShare = 0.45;

// A piece of a page that is never cut: its own texts, rules and pictures
// relative to its top left corner.
struct CChunk {
  double height = 0;
  double spaceBefore = 0;  // dropped at the top of a page
  bool keepWithNext = false;
  // A table's row: the chunk of its header row, repeated at the top of
  // every page the table goes on to; -1 for anything else.
  int header = -1;
  CProtocolPage content;
};

class CLayout {
 public:
  CLayout(const CProtocolMeasure& measure, const CProtocolPageSize& page)
      : m_measure(measure), m_page(page), m_mm(page.unitsPerMm) {}

  // The document's pieces, in their order.
  std::vector<CChunk> Chunks(const CProtocolDocument& document, double logoAspect);
  // Whether a table's columns found no room at all.
  bool TooNarrow() const { return m_tooNarrow; }

 private:
  double Mm(double mm) const { return mm * m_mm; }
  double Line(EProtocolFont font, double scale = 1.0) const { return m_measure.LineHeight(font) * scale; }
  double Width(std::string_view text, EProtocolFont font, double scale = 1.0) const {
    return m_measure.Width(text, font) * scale;
  }
  // The lines of `text` in a column `width` wide: broken at line feeds and
  // blanks, a word wider than the column broken between its characters.
  std::vector<std::string> Wrap(std::string_view text, EProtocolFont font, double scale, double width) const;
  void BreakWord(std::string_view word, EProtocolFont font, double scale, double width,
                 std::vector<std::string>& lines) const;
  // Wrapped text placed in a column; returns its height.
  double PlaceText(CProtocolPage& into, std::string_view text, double x, double y, double width, EProtocolFont font,
                   double scale, EPrintAlign align) const;
  double WidestWord(std::string_view text, EProtocolFont font) const;

  void AddHead(const CProtocolDocument& document, double logoAspect);
  void AddTitle(const std::string& text);
  void AddHeading(const std::string& text);
  void AddFields(const std::vector<std::pair<std::string, std::string>>& fields);
  void AddParagraph(const std::string& text);
  void AddTable(const CProtocolTable& table);
  // A table's columns as their content asks: the widest cell (`want`), the
  // widest word (`least`), the caption on one line (`caption`).
  struct CColumnMeasure {
    std::vector<double> want, least, caption;
  };
  // Where a table's columns lie, and the size its text is set at.
  struct CTableGrid {
    std::vector<double> width;  // of each column's text
    std::vector<double> left;   // each column's left rule, then the right one
    double scale = 1.0;
    std::vector<EPrintAlign> align;
  };
  static EProtocolFont CellFont(const CProtocolTable& table, size_t row);
  CColumnMeasure MeasureColumns(const CProtocolTable& table) const;
  // The columns' widths in `room`, the text set smaller (`scale`) when not
  // even the widest words fit.
  static std::vector<double> FitColumns(const CColumnMeasure& measure, double room, double& scale);
  // A row of cells with its rules, as a chunk; returns the chunk's index.
  int AddTableRow(const CTableGrid& grid, const std::vector<std::string>& cells, EProtocolFont font, bool captions,
                  bool last);
  void AddChart();
  void AddSignatures(const std::vector<CProtocolSignature>& signatures);
  // A new chunk, its gap over it by what comes before.
  CChunk& Next(double spaceBefore);

  const CProtocolMeasure& m_measure;
  CProtocolPageSize m_page;
  double m_mm;
  std::vector<CChunk> m_chunks;
  bool m_afterHeading = false;
  double m_gapAfter = 0;    // what the last piece asks to be left under it
  double m_labelWidth = 0;  // the widest label of the fields
  bool m_tooNarrow = false;
};

CChunk& CLayout::Next(double spaceBefore) {
  m_chunks.emplace_back();
  m_chunks.back().spaceBefore = m_afterHeading ? Mm(kHeadingAfterMm) : std::max(spaceBefore, m_gapAfter);
  m_afterHeading = false;
  m_gapAfter = 0;
  return m_chunks.back();
}

void CLayout::BreakWord(std::string_view word, EProtocolFont font, double scale, double width,
                        std::vector<std::string>& lines) const {
  size_t start = 0;
  while (start < word.size()) {
    size_t end = start;
    size_t fits = start;
    while (end < word.size()) {
      DecodeUtf8(word, end);
      if (fits > start && Width(word.substr(start, end - start), font, scale) > width) break;
      fits = end;
    }
    lines.emplace_back(word.substr(start, fits - start));
    start = fits;
  }
}

std::vector<std::string> CLayout::Wrap(std::string_view text, EProtocolFont font, double scale, double width) const {
  std::vector<std::string> lines;
  size_t from = 0;
  for (;;) {
    const size_t feed = text.find('\n', from);
    const std::string_view paragraph = text.substr(from, feed == std::string_view::npos ? feed : feed - from);
    if (Width(paragraph, font, scale) <= width) {
      lines.emplace_back(paragraph);
    } else {
      std::string line;
      size_t at = 0;
      while (at < paragraph.size()) {
        const size_t blank = paragraph.find(' ', at);
        const std::string_view word =
            paragraph.substr(at, blank == std::string_view::npos ? std::string_view::npos : blank - at);
        at = blank == std::string_view::npos ? paragraph.size() : blank + 1;
        if (word.empty()) continue;
        const std::string joined = line.empty() ? std::string(word) : line + ' ' + std::string(word);
        if (Width(joined, font, scale) <= width) {
          line = joined;
          continue;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
        if (Width(word, font, scale) <= width) {
          line = std::string(word);
        } else {
          BreakWord(word, font, scale, width, lines);
          line = std::move(lines.back());
          lines.pop_back();
        }
      }
      lines.push_back(std::move(line));
    }
    if (feed == std::string_view::npos) break;
    from = feed + 1;
  }
  return lines;
}

double CLayout::PlaceText(CProtocolPage& into, std::string_view text, double x, double y, double width,
                          EProtocolFont font, double scale, EPrintAlign align) const {
  const double line = Line(font, scale);
  double height = 0;
  for (std::string& piece : Wrap(text, font, scale, width)) {
    into.texts.push_back({x, y + height, width, std::move(piece), font, scale, align});
    height += line;
  }
  return height;
}

double CLayout::WidestWord(std::string_view text, EProtocolFont font) const {
  double widest = 0;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find_first_of(" \n", at), text.size());
    if (end > at) widest = std::max(widest, Width(text.substr(at, end - at), font));
    at = end + 1;
  }
  return widest;
}

void CLayout::AddHead(const CProtocolDocument& document, double logoAspect) {
  if (document.organisation.empty() && logoAspect <= 0) return;
  CChunk& chunk = Next(0);
  double x = 0;
  double height = 0;
  if (logoAspect > 0) {
    double h = Mm(kProtocolLogoHeightMm);
    double w = h * logoAspect;
    if (w > Mm(kProtocolLogoWidthMm)) {
      w = Mm(kProtocolLogoWidthMm);
      h = w / logoAspect;
    }
    chunk.content.pictures.push_back({EProtocolPicture::kLogo, 0, 0, w, h});
    x = w + Mm(kFieldGapMm);
    height = h;
  }
  if (!document.organisation.empty() && x < m_page.width) {
    const double text = PlaceText(chunk.content, document.organisation, x, 0, m_page.width - x, EProtocolFont::kBold,
                                  1.0, EPrintAlign::kLeft);
    height = std::max(height, text);
  }
  chunk.content.rules.push_back({0, height + Mm(1), m_page.width, height + Mm(1), false});
  chunk.height = height + Mm(1);
  m_gapAfter = Mm(kHeadGapMm);
}

void CLayout::AddTitle(const std::string& text) {
  CChunk& chunk = Next(0);
  chunk.height = PlaceText(chunk.content, text, 0, 0, m_page.width, EProtocolFont::kTitle, 1.0, EPrintAlign::kCenter);
  m_gapAfter = Mm(kTitleGapMm);
}

void CLayout::AddHeading(const std::string& text) {
  CChunk& chunk = Next(Mm(kHeadingGapMm));
  chunk.height = PlaceText(chunk.content, text, 0, 0, m_page.width, EProtocolFont::kHeading, 1.0, EPrintAlign::kLeft);
  chunk.keepWithNext = true;
  m_afterHeading = true;
}

void CLayout::AddFields(const std::vector<std::pair<std::string, std::string>>& fields) {
  const double labelWidth = std::min(m_labelWidth, m_page.width * kLabelShare);
  const double valueX = labelWidth + Mm(kFieldGapMm);
  const double valueWidth = std::max(m_page.width - valueX, 0.0);
  bool first = true;
  for (const auto& [label, value] : fields) {
    CChunk& chunk = Next(first ? Mm(kBlockGapMm) : 0);
    first = false;
    const double a = PlaceText(chunk.content, label, 0, 0, labelWidth, EProtocolFont::kBody, 1.0, EPrintAlign::kLeft);
    const double b =
        PlaceText(chunk.content, value, valueX, 0, valueWidth, EProtocolFont::kBody, 1.0, EPrintAlign::kLeft);
    chunk.height = std::max(a, b);
  }
}

void CLayout::AddParagraph(const std::string& text) {
  const double line = Line(EProtocolFont::kBody);
  bool first = true;
  for (std::string& piece : Wrap(text, EProtocolFont::kBody, 1.0, m_page.width)) {
    CChunk& chunk = Next(first ? Mm(kBlockGapMm) : 0);
    first = false;
    chunk.content.texts.push_back(
        {0, 0, m_page.width, std::move(piece), EProtocolFont::kBody, 1.0, EPrintAlign::kLeft});
    chunk.height = line;
  }
}

EProtocolFont CLayout::CellFont(const CProtocolTable& table, size_t row) {
  return table.lastRowIsTotal && row + 1 == table.rows.size() ? EProtocolFont::kSmallBold : EProtocolFont::kSmall;
}

CLayout::CColumnMeasure CLayout::MeasureColumns(const CProtocolTable& table) const {
  // Each column's width from its content: the longest cell, the longest
  // word of its caption as the least; what no column can do without (its
  // longest word) as the floor when the table is shrunk.
  const size_t columns = table.captions.size();
  CColumnMeasure m{std::vector<double>(columns, 0), std::vector<double>(columns, 0), std::vector<double>(columns, 0)};
  for (size_t c = 0; c < columns; ++c) {
    m.caption[c] = Width(table.captions[c], EProtocolFont::kSmallBold);
    const double word = WidestWord(table.captions[c], EProtocolFont::kSmallBold);
    m.want[c] = word;
    m.least[c] = word;
  }
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const EProtocolFont font = CellFont(table, r);
    const std::vector<std::string>& row = table.rows[r];
    for (size_t c = 0; c < columns && c < row.size(); ++c) {
      const double whole = Width(row[c], font);
      m.want[c] = std::max(m.want[c], whole);
      // A cell that fits its column's width so far holds no wider word.
      if (whole > m.least[c]) m.least[c] = std::max(m.least[c], WidestWord(row[c], font));
    }
  }
  return m;
}

std::vector<double> CLayout::FitColumns(const CColumnMeasure& m, double room, double& scale) {
  const size_t columns = m.want.size();
  const double wantSum = std::accumulate(m.want.begin(), m.want.end(), 0.0);
  const double leastSum = std::accumulate(m.least.begin(), m.least.end(), 0.0);
  scale = 1.0;
  std::vector<double> width = m.want;
  if (wantSum <= room) {
    // Room to spare goes to the captions that would wrap, in their measure.
    double short_ = 0;
    for (size_t c = 0; c < columns; ++c) short_ += std::max(m.caption[c] - m.want[c], 0.0);
    if (short_ > 0) {
      const double share = std::min(1.0, (room - wantSum) / short_);
      for (size_t c = 0; c < columns; ++c) width[c] += std::max(m.caption[c] - m.want[c], 0.0) * share;
    }
  } else if (leastSum <= room) {
    // Shrunk towards the longest words, each column by what it can give.
    const double give = (wantSum - room) / (wantSum - leastSum);
    for (size_t c = 0; c < columns; ++c) width[c] = m.want[c] - (m.want[c] - m.least[c]) * give;
  } else {
    // Set smaller; past the least scale, the words break.
    scale = std::max(room / leastSum, kLeastTableScale);
    const double fit = std::min(1.0, room / (leastSum * scale));
    for (size_t c = 0; c < columns; ++c) width[c] = m.least[c] * scale * fit;
  }
  return width;
}

int CLayout::AddTableRow(const CTableGrid& grid, const std::vector<std::string>& cells, EProtocolFont font,
                         bool captions, bool last) {
  const size_t columns = grid.width.size();
  const double pad = Mm(kCellPadMm);
  const double padTop = Mm(kCellPadTopMm);
  const double right = grid.left[columns];
  CChunk& chunk = Next(captions ? Mm(kBlockGapMm) : 0);
  double tallest = 0;
  for (size_t c = 0; c < columns; ++c) {
    const std::string_view text = c < cells.size() ? std::string_view(cells[c]) : std::string_view();
    const EPrintAlign align =
        captions ? EPrintAlign::kCenter : (c < grid.align.size() ? grid.align[c] : EPrintAlign::kLeft);
    tallest = std::max(tallest,
                       PlaceText(chunk.content, text, grid.left[c] + pad, padTop, grid.width[c], font, grid.scale, align));
  }
  chunk.height = tallest + 2 * padTop;
  auto& rules = chunk.content.rules;
  for (size_t c = 0; c <= columns; ++c) {
    rules.push_back({grid.left[c], 0, grid.left[c], chunk.height, c == 0 || c == columns});
  }
  if (captions) rules.push_back({0, 0, right, 0, true});
  rules.push_back({0, chunk.height, right, chunk.height, captions || last});
  return static_cast<int>(m_chunks.size()) - 1;
}

void CLayout::AddTable(const CProtocolTable& table) {
  const size_t columns = table.captions.size();
  if (columns == 0) return;
  const CColumnMeasure measure = MeasureColumns(table);
  const double pad = Mm(kCellPadMm);
  const double room = m_page.width - 2 * pad * static_cast<double>(columns);
  if (room <= 0) {
    m_tooNarrow = true;
    return;
  }
  CTableGrid grid{{}, std::vector<double>(columns + 1, 0), 1.0, table.align};
  grid.width = FitColumns(measure, room, grid.scale);
  for (size_t c = 0; c < columns; ++c) grid.left[c + 1] = grid.left[c] + grid.width[c] + 2 * pad;

  const int header = AddTableRow(grid, table.captions, EProtocolFont::kSmallBold, true, table.rows.empty());
  m_chunks[static_cast<size_t>(header)].keepWithNext = true;
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const int row = AddTableRow(grid, table.rows[r], CellFont(table, r), false, r + 1 == table.rows.size());
    m_chunks[static_cast<size_t>(row)].header = header;
  }
  if (table.rows.empty()) m_chunks[static_cast<size_t>(header)].keepWithNext = false;
}

void CLayout::AddChart() {
  CChunk& chunk = Next(Mm(kBlockGapMm));
  chunk.height = Mm(kProtocolChartHeightMm);
  chunk.content.pictures.push_back({EProtocolPicture::kChart, 0, 0, m_page.width, chunk.height});
}

void CLayout::AddSignatures(const std::vector<CProtocolSignature>& signatures) {
  if (signatures.empty()) return;
  CChunk& chunk = Next(Mm(kHeadingGapMm * 2));
  CProtocolPage& content = chunk.content;
  const double gap = Mm(kSignatureGapMm);
  const double n = static_cast<double>(signatures.size());
  const double column = std::max((m_page.width - gap * (n - 1)) / n, 0.0);
  const auto left = [&](size_t i) { return static_cast<double>(i) * (column + gap); };
  const double line = Line(EProtocolFont::kBody);
  const double write = std::max(Mm(kWriteLineMm), line);
  // Side by side, each part level with its neighbour's: the roles, the
  // names (or a line to write one on) with the positions, then the lines
  // for the signature and the date.
  double y = 0;
  double tallest = 0;
  for (size_t i = 0; i < signatures.size(); ++i) {
    tallest = std::max(tallest, PlaceText(content, signatures[i].role, left(i), y, column, EProtocolFont::kBold, 1.0,
                                          EPrintAlign::kLeft));
  }
  y += tallest;
  tallest = write;
  for (size_t i = 0; i < signatures.size(); ++i) {
    const CProtocolSignature& s = signatures[i];
    double h = write;
    if (s.name.empty()) {
      content.rules.push_back({left(i), y + write, left(i) + column, y + write, false});
    } else {
      h = Mm(kBlockGapMm);
      h += PlaceText(content, s.name, left(i), y + h, column, EProtocolFont::kBody, 1.0, EPrintAlign::kLeft);
    }
    if (!s.position.empty()) {
      h += PlaceText(content, s.position, left(i), y + h, column, EProtocolFont::kBody, 1.0, EPrintAlign::kLeft);
    }
    tallest = std::max(tallest, h);
  }
  y += tallest;
  for (const char* label : {"Подпись", "Дата"}) {
    y += write;
    for (size_t i = 0; i < signatures.size(); ++i) {
      const double labelWidth = std::min(Width(label, EProtocolFont::kBody), column);
      content.texts.push_back({left(i), y - line, labelWidth, label, EProtocolFont::kBody, 1.0, EPrintAlign::kLeft});
      const double from = std::min(left(i) + labelWidth + Mm(2), left(i) + column);
      content.rules.push_back({from, y, left(i) + column, y, false});
    }
  }
  chunk.height = y;
}

std::vector<CChunk> CLayout::Chunks(const CProtocolDocument& document, double logoAspect) {
  // One label column for every block of fields, so that their values line up.
  for (const CProtocolBlock& block : document.blocks) {
    for (const auto& field : block.fields)
      m_labelWidth = std::max(m_labelWidth, Width(field.first, EProtocolFont::kBody));
  }
  AddHead(document, logoAspect);
  for (const CProtocolBlock& block : document.blocks) {
    switch (block.kind) {
      case EProtocolBlock::kTitle: AddTitle(block.text); break;
      case EProtocolBlock::kHeading: AddHeading(block.text); break;
      case EProtocolBlock::kFields: AddFields(block.fields); break;
      case EProtocolBlock::kParagraph: AddParagraph(block.text); break;
      case EProtocolBlock::kTable: AddTable(block.table); break;
      case EProtocolBlock::kChart: AddChart(); break;
      case EProtocolBlock::kSignatures: AddSignatures(block.signatures); break;
    }
  }
  return std::move(m_chunks);
}

void Place(CProtocolPage& page, const CProtocolPage& piece, double y) {
  for (CLaidText text : piece.texts) {
    text.y += y;
    page.texts.push_back(std::move(text));
  }
  for (CLaidRule rule : piece.rules) {
    rule.y1 += y;
    rule.y2 += y;
    page.rules.push_back(rule);
  }
  for (CLaidPicture picture : piece.pictures) {
    picture.y += y;
    page.pictures.push_back(picture);
  }
}

}  // namespace

std::vector<CProtocolPage> LayOutProtocol(const CProtocolDocument& document, const CProtocolMeasure& measure,
                                          const CProtocolLayoutInput& input) {
  const CProtocolPageSize& size = input.page;
  if (!(size.width > 0 && size.height > 0 && size.unitsPerMm > 0)) return {};
  CLayout layout(measure, size);
  const std::vector<CChunk> chunks = layout.Chunks(document, input.logoAspect);
  if (layout.TooNarrow()) return {};

  // The page number's band at the bottom; the rest holds the chunks.
  const double footerLine = measure.LineHeight(EProtocolFont::kSmall);
  const double room = size.height - footerLine - kFooterGapMm * size.unitsPerMm;
  if (room <= 0) return {};

  // What must stand together from each chunk on: it and those it is kept
  // with; a row with its header above it on a page of its own.
  std::vector<double> together(chunks.size(), 0);
  for (size_t i = chunks.size(); i-- > 0;) {
    const CChunk& chunk = chunks[i];
    together[i] = chunk.height;
    if (chunk.keepWithNext && i + 1 < chunks.size()) together[i] += chunks[i + 1].spaceBefore + together[i + 1];
    const double alone = chunk.header >= 0 ? chunks[static_cast<size_t>(chunk.header)].height + chunk.height : 0;
    if (together[i] > room || alone > room) return {};
  }

  std::vector<CProtocolPage> pages(1);
  double y = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const CChunk& chunk = chunks[i];
    double gap = y > 0 ? chunk.spaceBefore : 0;
    if (y > 0 && y + gap + together[i] > room) {
      pages.emplace_back();
      y = 0;
      gap = 0;
      if (chunk.header >= 0) {
        const CChunk& header = chunks[static_cast<size_t>(chunk.header)];
        Place(pages.back(), header.content, 0);
        y = header.height;
      }
    }
    Place(pages.back(), chunk.content, y + gap);
    y += gap + chunk.height;
  }
  const int count = static_cast<int>(pages.size());
  if (measure.Width(ProtocolPageText(count, count), EProtocolFont::kSmall) > size.width) return {};
  for (int p = 0; p < count; ++p) {
    pages[static_cast<size_t>(p)].texts.push_back({0, size.height - footerLine, size.width,
                                                   ProtocolPageText(p + 1, count), EProtocolFont::kSmall, 1.0,
                                                   EPrintAlign::kRight});
  }
  return pages;
}

}  // namespace tkq
