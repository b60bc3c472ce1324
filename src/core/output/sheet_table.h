#pragma once
// One table of the workbook written into sheets: its caption row, its
// data rows in order, its cells' formats and its columns' widths.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/sheet_paging.h"
#include "core/output/xlsx_book.h"

namespace tkq {

// Rows below the caption row of one sheet.
inline constexpr uint32_t kSheetDataRows = LXW_ROW_MAX - 1;

// The formats of the cells.
struct CCellFormats {
  lxw_format* caption = nullptr;
  lxw_format* whole = nullptr;
  lxw_format* value = nullptr;
  lxw_format* time = nullptr;
  lxw_format* percent = nullptr;

  explicit CCellFormats(CWorkbook& book);
};

// One table of the workbook: a caption row, frozen, with a filter over
// it, and its data rows below, going on in further sheets when there are
// more than a sheet holds (named `name` followed by " (2)", " (3)"...).
// Columns widen to their widest cell. A `heading` is a line of text above
// the caption row of every sheet, frozen and printed with it.
class CSheetTable {
 public:
  CSheetTable(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging, std::string name,
              std::vector<std::string> captions, uint64_t rows, uint32_t rowsPerSheet, bool filter = true,
              std::string heading = {});

  // The sheet of data row `index` (from 0, in order) and the row there.
  lxw_worksheet* Row(uint64_t index, lxw_row_t& row);

  // Makes a column at least `characters` wide.
  void Fit(size_t column, double characters) { m_widths[column] = std::max(m_widths[column], characters); }

  void Number(lxw_worksheet* sheet, lxw_row_t row, size_t column, double value, lxw_format* format);
  // A text cell; nothing for an empty text.
  void Text(lxw_worksheet* sheet, lxw_row_t row, size_t column, std::string_view text);
  // A value as a number, or as the table's text when it is no number
  // (a damaged record's NaN or infinity, which a workbook cannot hold).
  void Value(lxw_worksheet* sheet, lxw_row_t row, size_t column, float value);
  // A time of the device's clock (seconds, no time zone).
  void Time(lxw_worksheet* sheet, lxw_row_t row, size_t column, int64_t seconds);

  // Gives every sheet of the table its column widths.
  void Finish();

 private:
  void AddSheet();

  CWorkbook& m_book;
  const CCellFormats& m_formats;
  const CSheetPaging& m_paging;
  std::string m_name;
  std::vector<std::string> m_captions;
  uint64_t m_rows;
  std::string m_heading;
  lxw_row_t m_captionRow;  // 1 under a heading, else 0
  uint32_t m_rowsPerSheet;
  bool m_filter;
  std::vector<double> m_widths;
  std::vector<lxw_worksheet*> m_sheets;
};

}  // namespace tkq
