#pragma once
// Printed pages of the three printable windows: the measurement archive,
// the abnormal situations and the parameter tree. Everything a page holds
// is computed here, in the printer's device units (pixels of the printable
// area, origin at its top left corner, y downwards); the drawing side only
// measures the font and draws what a page says.
//
// A page: the page number at the top right, a two-line title (object,
// read time, description), then for the two tables a caption band with a
// ruled table below it, and the data lines, one every h from 4h + 20.
// A window may add heading lines under the title (the summary says which
// summary it is): the caption band and the data lines then move down by a
// line for each.
//
// A table wider than the page goes on over further pages, cut between its
// columns, each continuation starting with the table's first column again
// so that its lines can be read; a table that fits has one page per band
// of lines, as ever.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/output/report.h"
#include "core/output/table_cells.h"

namespace tkq {

class CObjectDefinition;
class CParamTree;

// One window's lines for printing.
class CPrintLines {
 public:
  virtual ~CPrintLines() = default;
  // N: the number of data lines.
  virtual int32_t GetLineCount() const = 0;
  // Line `index` (0 <= index < N) as printed: for a table, each cell's
  // text between two blanks, all joined.
  virtual std::string GetLineText(int32_t index) const = 0;
  // Whether the lines stand in a ruled table with captions.
  virtual bool HasTable() const { return false; }
  virtual std::vector<std::string> GetCaptions() const { return {}; }
  // The cells of line 0, which place the column rules of every page.
  virtual std::vector<std::string> GetFirstRowCells() const { return {}; }
  // Lines under the title saying what is printed (line feeds between
  // them); none by default.
  virtual std::string GetHeading() const { return {}; }
};

// The lines of one of an object's tables: each line its cells, every
// cell between two blanks, line 0's cells placing the column rules.
class CTablePrintLines : public CPrintLines {
 public:
  std::string GetLineText(int32_t index) const override;
  bool HasTable() const override { return true; }
  std::vector<std::string> GetFirstRowCells() const override { return Cells(0); }

 protected:
  explicit CTablePrintLines(const CObjectDefinition& object) : m_object(object) {}
  // The cells of line `index`; none outside the lines.
  virtual std::vector<std::string> Cells(int32_t index) const = 0;

  const CObjectDefinition& m_object;
};

// The measurement archive table under the column switches and the
// object's current output choices. Past 99999 rows the number cells widen
// together, so that the column rules still stand between the cells.
class CArchivePrintLines : public CTablePrintLines {
 public:
  // `rows`: the record that ends each interval (CObjectDefinition::RowPositions).
  CArchivePrintLines(const CObjectDefinition& object, const CColumnSwitches& switches, std::vector<int32_t> rows);
  CArchivePrintLines(const CObjectDefinition& object, const CColumnSwitches& switches);
  int32_t GetLineCount() const override { return static_cast<int32_t>(m_rows.size()); }
  std::vector<std::string> GetCaptions() const override;

 private:
  std::vector<std::string> Cells(int32_t index) const override;
  std::vector<EArchiveColumn> m_columns;
  std::vector<int32_t> m_rows;
};

// The abnormal-situation table: number, text, start, end.
class CAbnormalPrintLines : public CTablePrintLines {
 public:
  explicit CAbnormalPrintLines(const CObjectDefinition& object) : CTablePrintLines(object) {}
  int32_t GetLineCount() const override;
  std::vector<std::string> GetCaptions() const override;

 private:
  std::vector<std::string> Cells(int32_t index) const override;
};

// The parameter tree's visible lines: each expanded group, then its lines
// after seven blanks; collapsed groups give nothing. `expanded[i]` is the
// state of group i (missing entries count as collapsed).
class CTreePrintLines : public CPrintLines {
 public:
  CTreePrintLines(const CParamTree& tree, const std::vector<bool>& expanded);
  int32_t GetLineCount() const override { return static_cast<int32_t>(m_lines.size()); }
  std::string GetLineText(int32_t index) const override;

 private:
  std::vector<std::string> m_lines;
};

// Measures of the page, in device units.
struct CPrintMetrics {
  int32_t lineHeight = 0;  // h: the height of "A" in the printer's font
  int32_t charWidth = 0;   // w: the width of "A"
  int32_t width = 0;       // W: the printable width
  int32_t height = 0;      // H: the printable height
  // The smallest size of the printout's font relative to the page's own
  // (1: the page is already at the smallest): how far a title line that
  // is too long for the page may shrink before it is cut.
  double smallestScale = 1.0;
};

// The printing state of one job or preview.
struct CPrintState {
  int32_t m_nLineHeight = 0;
  int32_t m_nCharWidth = 0;
  int32_t m_nRowsPerPage = 0;  // R
  int32_t m_nFirstRowY = 0;    // 4h + 20
  int32_t m_nPageCount = 0;    // P
  int32_t m_nNextRow = 0;
};

// Page set-up for `lineCount` lines under a title of `titleLines` lines
// (each line past the second moves the data lines down by h). False,
// leaving the state without pages, when the page has no room for one data
// line (R <= 0) or the measures make no sense.
bool SetUpPrintPages(const CPrintMetrics& metrics, int32_t lineCount, CPrintState& state, int32_t titleLines = 2);

struct CPrintRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const CPrintRect&) const = default;
};

enum class EPrintAlign { kLeft, kCenter, kRight };

// A text in a rectangle (the title may hold a line feed), drawn at
// `scale` times the page's font.
struct CPrintText {
  CPrintRect rect;
  std::string text;
  EPrintAlign align = EPrintAlign::kLeft;
  double scale = 1.0;
};

// A data line: its text with its left edge at x and its top at y.
struct CPrintLine {
  int32_t x = 0;
  int32_t y = 0;
  std::string text;
};

struct CPrintRule {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
  bool operator==(const CPrintRule&) const = default;
};

// Everything one page draws.
struct CPrintPage {
  int32_t number = 0;
  CPrintText pageNumber;
  CPrintText title;
  // The title as it is drawn: each of its lines in its own row of the
  // title's rectangle, centred, shrunk where it is wider than the page
  // and, past the smallest size, cut short with "…".
  std::vector<CPrintText> titleLines;
  std::vector<CPrintText> captions;
  std::vector<CPrintLine> lines;
  std::vector<CPrintRule> rules;
};

// "Страница %3u из %3u".
std::string PageNumberText(int32_t page, int32_t pageCount);

// The title of the printed pages: "Архив объекта № %2u  считан " and the
// read time, a line feed, the description (its own line breaks become
// blanks, so the title keeps its two lines).
std::string PrintTitle(uint8_t objectNumber, int64_t readTime, const std::string& description);
std::string PrintTitle(const CObjectDefinition& object);

// A page that a window draws itself (the chart): the page number and the
// title as every printed page has them, and below them, where the lines
// of a table would start, the rectangle left for the drawing. `valid` is
// false when the page has no room for a drawing of eight lines by forty
// characters.
struct CDrawnPage {
  CPrintPage header;
  CPrintRect body;
  bool valid = false;
};
CDrawnPage DrawnPrintPage(const std::string& title, const CPrintMetrics& metrics);

// The characters of a UTF-8 text (the column rules count characters).
size_t CountCharacters(const std::string& text);

// One line of `text` fitted to `width` device units in characters `charWidth`
// wide: the largest scale up to 1 at which it fits, not under
// `smallestScale`; at that smallest scale a line that still does not fit
// keeps the characters that do, the last of them replaced by "…".
struct CFittedLine {
  std::string text;
  double scale = 1.0;
};
CFittedLine FitPrintLine(const std::string& text, int32_t width, int32_t charWidth, double smallestScale);

// The pages of one window's lines on one page size. The title is the
// caller's (PrintTitle) followed by the lines' heading, if any.
class CPageLayout {
 public:
  CPageLayout(const CPrintLines& lines, std::string title, const CPrintMetrics& metrics);

  // False when the page is too small for one data line: nothing prints.
  bool IsValid() const { return m_valid; }
  const CPrintState& State() const { return m_state; }
  // Every page, continuations of a wide table included.
  int32_t PageCount() const { return m_state.m_nPageCount; }
  int32_t RowsPerPage() const { return m_state.m_nRowsPerPage; }
  // The x of each column rule after the left border, the whole table's on
  // one unbounded page (empty for the tree).
  const std::vector<int32_t>& ColumnEdges() const { return m_edges; }
  // The pages a band of rows takes across: 1 when the table fits the
  // page's width (and for the tree).
  int32_t PagesAcross() const { return static_cast<int32_t>(std::max<size_t>(m_groups.size(), 1)); }

  // Page `page`, counted from 1 (1 <= page <= PageCount()).
  CPrintPage Page(int32_t page) const;

 private:
  // Columns `first` to `last` of the table on one page, after the first
  // column when `first` > 0.
  struct CColumnGroup {
    size_t first = 0;
    size_t last = 0;
  };
  void SplitColumns();
  std::string GroupText(const std::string& line, const CColumnGroup& group) const;

  const CPrintLines& m_lines;
  std::string m_title;
  int32_t m_titleLines = 2;
  CPrintMetrics m_metrics;
  CPrintState m_state;
  bool m_valid = false;
  std::vector<int32_t> m_edges;
  std::vector<std::string> m_captions;
  // Characters before each column of the lines and after it.
  std::vector<size_t> m_columnStart;
  std::vector<size_t> m_columnEnd;
  // Empty when the table fits the page's width.
  std::vector<CColumnGroup> m_groups;
};

// A text for the user when a page cannot hold one data line.
inline constexpr const char* kPageTooSmall = "Страница слишком мала для печати: на ней не помещается ни одной строки";

}  // namespace tkq
