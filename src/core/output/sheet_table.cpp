#include "core/output/sheet_table.h"

#include <algorithm>
#include <cmath>

#include "core/base/cp1251.h"
#include "core/output/table_cells.h"
#include "core/output/text_forms.h"

namespace tkq {
namespace {

// Excel's day number of 01.01.1970: a time without a zone is that plus
// the seconds as a fraction of a day.
constexpr double kUnixEpochSerial = 25569.0;
// Excel keeps at most this many characters in a cell.
constexpr size_t kMaxCellCharacters = 32767;
// Columns are never made wider than this many characters.
constexpr double kMaxColumnWidth = 80.0;

double DateSerial(int64_t seconds) { return static_cast<double>(seconds) / 86400.0 + kUnixEpochSerial; }

}  // namespace

CCellFormats::CCellFormats(CWorkbook& book)
    : whole(book.NumberFormat("0")),
      value(book.NumberFormat("0.0000")),
      time(book.NumberFormat("DD.MM.YYYY hh:mm:ss")),
      percent(book.NumberFormat("0.00%")) {
  caption = workbook_add_format(book.Book());
  format_set_bold(caption);
  format_set_align(caption, LXW_ALIGN_CENTER);
}

CSheetTable::CSheetTable(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging, std::string name,
                         std::vector<std::string> captions, uint64_t rows, uint32_t rowsPerSheet, bool filter,
                         std::string heading)
    : m_book(book),
      m_formats(formats),
      m_paging(paging),
      m_name(std::move(name)),
      m_captions(std::move(captions)),
      m_rows(rows),
      m_heading(std::move(heading)),
      m_captionRow(m_heading.empty() ? 0 : 1),
      // The heading's row leaves one row fewer for data.
      m_rowsPerSheet(std::clamp<uint32_t>(rowsPerSheet, 1, kSheetDataRows - m_captionRow)),
      m_filter(filter),
      m_widths(m_captions.size(), 0.0) {
  for (size_t c = 0; c < m_captions.size(); ++c) {
    // Captions are bold, and the filter's button takes room beside them.
    Fit(c, static_cast<double>(Utf8Length(m_captions[c])) * 1.2 + (m_filter ? 3.0 : 1.0));
  }
  AddSheet();
}

lxw_worksheet* CSheetTable::Row(uint64_t index, lxw_row_t& row) {
  const uint64_t sheet = index / m_rowsPerSheet;
  while (m_sheets.size() <= sheet) AddSheet();
  row = static_cast<lxw_row_t>(index % m_rowsPerSheet + 1 + m_captionRow);
  return m_sheets.back();
}

void CSheetTable::Number(lxw_worksheet* sheet, lxw_row_t row, size_t column, double value, lxw_format* format) {
  m_book.Check(worksheet_write_number(sheet, row, static_cast<lxw_col_t>(column), value, format));
}

void CSheetTable::Text(lxw_worksheet* sheet, lxw_row_t row, size_t column, std::string_view text) {
  if (text.empty()) return;
  std::string kept(Utf8Prefix(text, kMaxCellCharacters));
  // A workbook's XML holds no control characters but tab and line
  // breaks: one in a description or a parameter's text would make the
  // whole file unreadable. Blanks stand for them.
  for (char& c : kept) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
  }
  m_book.Check(worksheet_write_string(sheet, row, static_cast<lxw_col_t>(column), kept.c_str(), nullptr));
}

void CSheetTable::Value(lxw_worksheet* sheet, lxw_row_t row, size_t column, float value) {
  if (std::isfinite(value)) {
    Number(sheet, row, column, static_cast<double>(value), m_formats.value);
  } else {
    Text(sheet, row, column, TrimmedText(FormatValue(value)));
  }
}

void CSheetTable::Time(lxw_worksheet* sheet, lxw_row_t row, size_t column, int64_t seconds) {
  Number(sheet, row, column, DateSerial(seconds), m_formats.time);
}

void CSheetTable::Finish() {
  for (lxw_worksheet* sheet : m_sheets) {
    for (size_t c = 0; c < m_widths.size(); ++c) {
      const auto col = static_cast<lxw_col_t>(c);
      m_book.Check(worksheet_set_column(sheet, col, col, std::min(m_widths[c] + 1.0, kMaxColumnWidth), nullptr));
    }
  }
}

void CSheetTable::AddSheet() {
  const size_t k = m_sheets.size();
  const std::string name = k == 0 ? m_name : m_name + " (" + std::to_string(k + 1) + ")";
  lxw_worksheet* sheet = m_book.AddSheet(name);
  m_sheets.push_back(sheet);
  const auto lastColumn = static_cast<lxw_col_t>(m_captions.size() - 1);
  if (!m_heading.empty()) Text(sheet, 0, 0, m_heading);
  for (size_t c = 0; c < m_captions.size(); ++c) {
    m_book.Check(worksheet_write_string(sheet, m_captionRow, static_cast<lxw_col_t>(c), m_captions[c].c_str(),
                                        m_formats.caption));
  }
  worksheet_freeze_panes(sheet, m_captionRow + 1, 0);
  m_paging.SetUp(m_book, sheet);
  // The heading goes on every printed page with the captions.
  if (m_captionRow > 0) m_book.Check(worksheet_repeat_rows(sheet, 0, m_captionRow));
  const uint64_t first = static_cast<uint64_t>(k) * m_rowsPerSheet;
  const uint64_t here = m_rows > first ? std::min<uint64_t>(m_rows - first, m_rowsPerSheet) : 0;
  if (m_filter) {
    m_book.Check(worksheet_autofilter(sheet, m_captionRow, 0, static_cast<lxw_row_t>(m_captionRow + here), lastColumn));
  }
}

}  // namespace tkq
