#include "core/output/print_layout.h"

#include <algorithm>
#include <cstdio>

#include "core/archive/object_definition.h"
#include "core/description/param_tree.h"
#include "core/output/text_forms.h"

namespace tkq {
namespace {

constexpr int32_t kMargin = 20;

// Each cell between two blanks, all joined.
std::string JoinCells(const std::vector<std::string>& cells) {
  size_t size = 0;
  for (const auto& cell : cells) size += cell.size() + 2;
  std::string line;
  line.reserve(size);
  for (const auto& cell : cells) {
    line += ' ';
    line += cell;
    line += ' ';
  }
  return line;
}

// The number cell of a line in a list of `count` lines: "%5u", and wider,
// right-aligned, where the list runs past 99999 lines, so that every line's
// cells keep the widths of the first line, which place the column rules.
std::string NumberCell(std::string number, int32_t count) {
  const size_t width = std::to_string(count).size();
  if (number.size() < width) number.insert(0, width - number.size(), ' ');
  return number;
}

// The byte where character `k` of a UTF-8 text starts; the text's size
// past its end.
size_t CharacterOffset(const std::string& text, size_t k) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (seen == k) return i;
    ++seen;
  }
  return text.size();
}

}  // namespace

// --- the windows' lines ---

std::string CTablePrintLines::GetLineText(int32_t index) const { return JoinCells(Cells(index)); }

CArchivePrintLines::CArchivePrintLines(const CObjectDefinition& object, const CColumnSwitches& switches,
                                       std::vector<int32_t> rows)
    : CTablePrintLines(object), m_columns(ArchiveColumns(switches)), m_rows(std::move(rows)) {}

CArchivePrintLines::CArchivePrintLines(const CObjectDefinition& object, const CColumnSwitches& switches)
    : CArchivePrintLines(object, switches, object.RowPositions()) {}

std::vector<std::string> CArchivePrintLines::Cells(int32_t index) const {
  std::vector<std::string> cells;
  if (index < 0 || index >= GetLineCount()) return cells;
  CArchiveRow row;
  if (!m_object.ComputeRow(m_rows[static_cast<size_t>(index)], row)) return cells;
  cells.reserve(m_columns.size());
  for (EArchiveColumn column : m_columns) {
    std::string text = ArchiveCellText(column, index, row);
    cells.push_back(column == EArchiveColumn::kNumber ? NumberCell(std::move(text), GetLineCount()) : std::move(text));
  }
  return cells;
}

std::vector<std::string> CArchivePrintLines::GetCaptions() const { return ArchivePrintCaptions(m_object, m_columns); }

int32_t CAbnormalPrintLines::GetLineCount() const { return m_object.GetAbnormalCount(); }

std::vector<std::string> CAbnormalPrintLines::Cells(int32_t index) const {
  std::vector<std::string> cells = AbnormalCellTexts(m_object, index);
  if (!cells.empty()) cells[0] = NumberCell(std::move(cells[0]), GetLineCount());
  return cells;
}

std::vector<std::string> CAbnormalPrintLines::GetCaptions() const {
  return {"№", "Нештатная ситуация", "Начало", "Конец"};
}

CTreePrintLines::CTreePrintLines(const CParamTree& tree, const std::vector<bool>& expanded) {
  const auto& groups = tree.Items();
  for (size_t i = 0; i < groups.size(); ++i) {
    if (i >= expanded.size() || !expanded[i]) continue;
    m_lines.push_back(groups[i].text);
    for (const auto& child : groups[i].children) m_lines.push_back("       " + child.text);
  }
}

std::string CTreePrintLines::GetLineText(int32_t index) const {
  if (index < 0 || index >= GetLineCount()) return {};
  return m_lines[static_cast<size_t>(index)];
}

// --- texts ---

std::string PageNumberText(int32_t page, int32_t pageCount) {
  char text[64];
  std::snprintf(text, sizeof text, "Страница %3u из %3u", static_cast<unsigned>(page),
                static_cast<unsigned>(pageCount));
  return text;
}

std::string PrintTitle(uint8_t objectNumber, int64_t readTime, const std::string& description) {
  std::string second = description;
  std::replace_if(
      second.begin(), second.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return ObjectTitle(objectNumber, readTime) + "\n" + second;
}

std::string PrintTitle(const CObjectDefinition& object) {
  return PrintTitle(object.GetObjectNumber(), object.m_tRead, object.m_strDescription);
}

CDrawnPage DrawnPrintPage(const std::string& title, const CPrintMetrics& metrics) {
  // The header of a one-page table, so that the page number and the title
  // stand where a table's would and are fitted alike.
  class COneLine : public CPrintLines {
   public:
    int32_t GetLineCount() const override { return 1; }
    std::string GetLineText(int32_t) const override { return {}; }
  } line;
  const CPageLayout layout(line, title, metrics);
  CDrawnPage page;
  if (!layout.IsValid()) return page;
  page.header = layout.Page(1);
  page.header.lines.clear();
  const int32_t h = metrics.lineHeight;
  page.body = {kMargin, 4 * h + kMargin, metrics.width - kMargin, metrics.height - kMargin};
  page.valid = static_cast<int64_t>(page.body.bottom) - page.body.top >= 8 * static_cast<int64_t>(h) &&
               static_cast<int64_t>(page.body.right) - page.body.left >= 40 * static_cast<int64_t>(metrics.charWidth);
  return page;
}

size_t CountCharacters(const std::string& text) {
  // Every byte but the continuation bytes of a sequence starts a character.
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

CFittedLine FitPrintLine(const std::string& text, int32_t width, int32_t charWidth, double smallestScale) {
  CFittedLine fitted{text, 1.0};
  const size_t characters = CountCharacters(text);
  if (characters == 0 || width <= 0 || charWidth <= 0) return fitted;
  const double full = static_cast<double>(characters) * charWidth;
  if (full <= width) return fitted;
  const double least = std::clamp(smallestScale, 0.01, 1.0);
  fitted.scale = std::max(static_cast<double>(width) / full, least);
  if (fitted.scale > least) return fitted;
  // At the smallest size: the characters that fit, the last one "…".
  const auto room = static_cast<size_t>(static_cast<double>(width) / (charWidth * least));
  if (room >= characters) return fitted;
  size_t keep = room > 0 ? room - 1 : 0;
  size_t end = 0;
  for (size_t kept = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;
    if (kept == keep) break;
    ++kept;
  }
  fitted.text = text.substr(0, end);
  // No blank left hanging before the mark.
  while (!fitted.text.empty() && fitted.text.back() == ' ') fitted.text.pop_back();
  fitted.text += "…";
  return fitted;
}

// --- the layout ---

bool SetUpPrintPages(const CPrintMetrics& m, int32_t lineCount, CPrintState& state, int32_t titleLines) {
  state = CPrintState{};
  state.m_nLineHeight = m.lineHeight;
  state.m_nCharWidth = m.charWidth;
  state.m_nNextRow = 1;
  if (m.lineHeight <= 0 || m.charWidth <= 0 || m.width <= 0 || m.height <= 0 || lineCount < 0) return false;
  // In 64 bits: a huge font on a huge page must not overflow.
  const int64_t headingLines = std::max<int64_t>(titleLines, 2) - 2;
  const int64_t firstRowY = (4 + headingLines) * static_cast<int64_t>(m.lineHeight) + kMargin;
  const int64_t rows = (static_cast<int64_t>(m.height) - (firstRowY + kMargin)) / m.lineHeight;
  if (rows <= 0) return false;
  state.m_nFirstRowY = static_cast<int32_t>(firstRowY);
  state.m_nRowsPerPage = static_cast<int32_t>(rows);
  // Whole pages, and one more for a remainder. In integers: a single-
  // precision quotient stops counting lines past 16 million, and a 16-bit
  // page number would drop every page after 65535.
  state.m_nPageCount = static_cast<int32_t>((static_cast<int64_t>(lineCount) + rows - 1) / rows);
  return true;
}

CPageLayout::CPageLayout(const CPrintLines& lines, std::string title, const CPrintMetrics& metrics)
    : m_lines(lines), m_title(std::move(title)), m_metrics(metrics) {
  const std::string heading = lines.GetHeading();
  if (!heading.empty()) m_title += "\n" + heading;
  const auto breaks = std::count(m_title.begin(), m_title.end(), '\n');
  m_titleLines = static_cast<int32_t>(std::clamp<std::ptrdiff_t>(breaks + 1, 2, INT32_MAX));
  m_valid = SetUpPrintPages(metrics, lines.GetLineCount(), m_state, m_titleLines);
  if (!m_valid || !lines.HasTable()) return;
  // The column rules follow the characters of the first row's cells, the
  // same on every page.
  m_captions = lines.GetCaptions();
  const std::vector<std::string> first = lines.GetFirstRowCells();
  size_t characters = 0;
  for (size_t c = 0; c < m_captions.size(); ++c) {
    m_columnStart.push_back(characters);
    characters += 2 + (c < first.size() ? CountCharacters(first[c]) : 0);
    m_columnEnd.push_back(characters);
    const int64_t x = kMargin + static_cast<int64_t>(metrics.charWidth) * static_cast<int64_t>(characters);
    m_edges.push_back(static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)));
  }
  if (m_edges.empty() || m_edges.back() <= metrics.width) return;
  SplitColumns();
  // Each band of rows is followed by its continuations: pages 1 to G hold
  // the first band's rows, the first columns on page 1 and the next ones
  // after it; pages G + 1 to 2G the second band's, and so on.
  const int64_t pages = static_cast<int64_t>(m_state.m_nPageCount) * static_cast<int64_t>(m_groups.size());
  m_state.m_nPageCount = static_cast<int32_t>(std::min<int64_t>(pages, INT32_MAX));
}

void CPageLayout::SplitColumns() {
  // Every page holds at least one column of its own, even one wider than
  // the page; otherwise as many as fit after the first column.
  const auto width = [this](size_t c) {
    return static_cast<int64_t>(m_metrics.charWidth) * static_cast<int64_t>(m_columnEnd[c] - m_columnStart[c]);
  };
  const int64_t room = static_cast<int64_t>(m_metrics.width) - kMargin;
  for (size_t c = 0; c < m_columnEnd.size();) {
    CColumnGroup group{c, c};
    int64_t used = (c == 0 ? 0 : width(0)) + width(c);
    for (++c; c < m_columnEnd.size() && used + width(c) <= room; ++c) {
      used += width(c);
      group.last = c;
    }
    m_groups.push_back(group);
  }
}

std::string CPageLayout::GroupText(const std::string& line, const CColumnGroup& group) const {
  const auto piece = [&line](size_t from, size_t to) {
    const size_t begin = CharacterOffset(line, from);
    return line.substr(begin, CharacterOffset(line, to) - begin);
  };
  std::string text = group.first > 0 ? piece(m_columnStart[0], m_columnEnd[0]) : std::string();
  return text + piece(m_columnStart[group.first], m_columnEnd[group.last]);
}

CPrintPage CPageLayout::Page(int32_t page) const {
  CPrintPage out;
  out.number = page;
  if (!m_valid) return out;
  const int32_t h = m_metrics.lineHeight;
  const int32_t W = m_metrics.width;
  const int32_t H = m_metrics.height;
  // The heading's lines push the table down; the two-line title leaves it
  // where it always was.
  const int32_t below = m_state.m_nFirstRowY - (4 * h + kMargin);
  out.pageNumber = {{kMargin, kMargin, W - 10, h + kMargin}, PageNumberText(page, PageCount()), EPrintAlign::kRight};
  out.title = {{kMargin, h + kMargin, W, 4 * h + kMargin + below}, m_title, EPrintAlign::kCenter};
  int32_t row = h + kMargin;
  for (size_t from = 0; from <= m_title.size();) {
    size_t to = m_title.find('\n', from);
    if (to == std::string::npos) to = m_title.size();
    CFittedLine line =
        FitPrintLine(m_title.substr(from, to - from), W - kMargin, m_metrics.charWidth, m_metrics.smallestScale);
    out.titleLines.push_back({{kMargin, row, W, row + h}, std::move(line.text), EPrintAlign::kCenter, line.scale});
    row += h;
    from = to + 1;
  }

  // The band of rows and, for a wide table, the columns across.
  const int32_t across = PagesAcross();
  const int32_t band = page >= 1 ? (page - 1) / across + 1 : page;
  const CColumnGroup* group =
      m_groups.empty() || page < 1 ? nullptr : &m_groups[static_cast<size_t>((page - 1) % across)];

  const int32_t n = m_lines.GetLineCount();
  const int64_t first = static_cast<int64_t>(band - 1) * m_state.m_nRowsPerPage;
  const int64_t end = std::min<int64_t>(first + m_state.m_nRowsPerPage, n);
  if (band >= 1 && first < n) {
    out.lines.reserve(static_cast<size_t>(end - first));
    for (int64_t g = first; g < end; ++g) {
      const int32_t y = m_state.m_nFirstRowY + static_cast<int32_t>(g - first) * h;
      std::string text = m_lines.GetLineText(static_cast<int32_t>(g));
      if (group != nullptr) text = GroupText(text, *group);
      out.lines.push_back({kMargin, y, std::move(text)});
    }
  }

  if (!m_lines.HasTable()) return out;
  // The columns of this page and their right edges.
  std::vector<size_t> columns;
  std::vector<int32_t> edges;
  if (group == nullptr) {
    for (size_t c = 0; c < m_edges.size(); ++c) columns.push_back(c);
    edges = m_edges;
  } else {
    if (group->first > 0) columns.push_back(0);
    for (size_t c = group->first; c <= group->last; ++c) columns.push_back(c);
    int64_t x = kMargin;
    for (size_t c : columns) {
      x += static_cast<int64_t>(m_metrics.charWidth) * static_cast<int64_t>(m_columnEnd[c] - m_columnStart[c]);
      edges.push_back(static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)));
    }
  }
  const int32_t top = 3 * h + kMargin + below;
  const int32_t bottom = 4 * h + kMargin + below;
  out.rules.push_back({kMargin, top, kMargin, H - kMargin});
  int32_t x0 = kMargin;
  for (size_t k = 0; k < edges.size(); ++k) {
    const int32_t x = edges[k];
    out.rules.push_back({x, top, x, H - kMargin});
    out.captions.push_back({{x0, top, x, bottom}, m_captions[columns[k]], EPrintAlign::kCenter});
    x0 = x;
  }
  out.rules.push_back({kMargin, top, x0, top});
  out.rules.push_back({kMargin, bottom, x0, bottom});
  return out;
}

}  // namespace tkq
