#include "core/output/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/base/cp1251.h"
#include "core/base/paths.h"
#include "core/base/rtc_time.h"
#include "core/output/print_layout.h"
#include "core/output/table_cells.h"
#include "core/output/text_forms.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

// --- the workbook ---

// Excel's day number of 01.01.1970: a time without a zone is that plus
// the seconds as a fraction of a day.
constexpr double kUnixEpochSerial = 25569.0;
// Excel keeps at most this many characters in a cell.
constexpr size_t kMaxCellCharacters = 32767;
// Rows below the caption row of one sheet.
constexpr uint32_t kSheetDataRows = LXW_ROW_MAX - 1;
// Columns are never made wider than this many characters.
constexpr double kMaxColumnWidth = 80.0;
// A page header or footer holds at most this many characters, its codes
// ("&C", "&P", "&&") included.
constexpr size_t kMaxHeaderCharacters = LXW_HEADER_FOOTER_MAX;
// Printed sheets: A4 (Excel's paper number 9), page numbers as the
// program's printed pages have them.
constexpr uint8_t kPaperA4 = 9;
constexpr const char* kPageFooter = "&CСтраница &P из &N";

double DateSerial(int64_t seconds) { return static_cast<double>(seconds) / 86400.0 + kUnixEpochSerial; }

// Characters a number takes in the form "0.0000" (sign, integer digits,
// point and four decimals).
size_t FixedWidth(double value) {
  const double magnitude = std::fabs(value);
  const size_t digits = magnitude < 10.0 ? 1 : static_cast<size_t>(std::floor(std::log10(magnitude))) + 1;
  return digits + 5 + (value < 0 ? 1 : 0);
}

size_t DigitCount(uint64_t n) {
  size_t digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

// The header of every printed page, centred: the title of the program's
// printed pages (object, read time; the description below). An '&' of the
// text is doubled, as a single one starts a code; other control characters
// than the title's line break become blanks and malformed UTF-8 U+FFFD; the
// description is cut, between characters, where the header is full.
std::string PageHeader(const CObjectDefinition& object) {
  std::string title = PrintTitle(object);
  if (title.ends_with('\n')) title.pop_back();  // no description
  std::string header = "&C";
  size_t characters = 2;
  for (size_t i = 0; i < title.size();) {
    const size_t start = i;
    const char32_t code = DecodeUtf8(title, i);
    const size_t cost = code == U'&' ? 2 : 1;
    if (characters + cost > kMaxHeaderCharacters) break;
    characters += cost;
    if (code == U'&') {
      header += "&&";
    } else if (code < 0x20 && code != U'\n') {
      header += ' ';
    } else if (code == 0xFFFD) {
      header += "\xEF\xBF\xBD";
    } else {
      header.append(title, start, i - start);
    }
  }
  return header;
}

// A file of its own beside `near`, removed when the object goes.
class CScratchFile {
 public:
  explicit CScratchFile(const std::filesystem::path& near) : m_path(CreateScratchFileBeside(near, ".book")) {}
  ~CScratchFile() { RemoveFile(m_path); }
  CScratchFile(const CScratchFile&) = delete;
  CScratchFile& operator=(const CScratchFile&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// A libxlsxwriter workbook in constant-memory mode: each sheet's rows go
// to a temporary file (in `scratchFolder`) as they are written, so they
// must come in order.
class CWorkbook {
 public:
  CWorkbook(const std::filesystem::path& file, const std::filesystem::path& scratchFolder, std::string target,
            std::string pageHeader)
      : m_target(std::move(target)), m_scratchFolder(PathToUtf8(scratchFolder)), m_pageHeader(std::move(pageHeader)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_scratchFolder.data();
    // The library takes UTF-8 names on every platform; on Windows the
    // extended-length form, which a deep folder needs.
    m_book = workbook_new_opt(LibraryFileName(file).c_str(), &options);
    if (m_book == nullptr) Fail("out of memory");
  }
  ~CWorkbook() {
    if (m_book != nullptr) lxw_workbook_free(m_book);
  }
  CWorkbook(const CWorkbook&) = delete;
  CWorkbook& operator=(const CWorkbook&) = delete;

  lxw_workbook* Book() { return m_book; }

  lxw_worksheet* AddSheet(const std::string& name) {
    lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.c_str());
    if (sheet == nullptr) Fail("cannot create a temporary file in " + m_scratchFolder);
    return sheet;
  }

  // A sheet prints as the program's pages do: landscape A4, all columns
  // across one page width, the caption row (the first) at the top of every
  // page under the object's title, the page number at the foot.
  void SetUpPrinting(lxw_worksheet* sheet) {
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, kPaperA4);
    worksheet_fit_to_pages(sheet, 1, 0);
    // Room above the rows for the title's two lines.
    worksheet_set_margins(sheet, 0.5, 0.5, 1.0, 0.75);
    Check(worksheet_repeat_rows(sheet, 0, 0));
    Check(worksheet_set_header(sheet, m_pageHeader.c_str()));
    Check(worksheet_set_footer(sheet, kPageFooter));
  }

  lxw_format* NumberFormat(const char* form) {
    lxw_format* format = workbook_add_format(m_book);
    format_set_num_format(format, form);
    return format;
  }

  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) Fail(lxw_strerror(error));
  }

  // Writes the file; the workbook is gone afterwards, written or not.
  // A failure says what the library failed at and the system's reason.
  void Close() {
    lxw_workbook* book = m_book;
    m_book = nullptr;
    ClearSystemError();
    const lxw_error error = workbook_close(book);
    const int reason = SystemError();
    if (error != LXW_NO_ERROR) Fail(detail::WorkbookCloseFailure(error, reason));
  }

  [[noreturn]] void Fail(const std::string& why) { throw std::runtime_error("cannot write " + m_target + ": " + why); }

 private:
  lxw_workbook* m_book = nullptr;
  std::string m_target;
  std::string m_scratchFolder;
  std::string m_pageHeader;
};

// The formats of the cells.
struct CCellFormats {
  lxw_format* caption = nullptr;
  lxw_format* whole = nullptr;
  lxw_format* value = nullptr;
  lxw_format* time = nullptr;
  lxw_format* percent = nullptr;

  explicit CCellFormats(CWorkbook& book)
      : whole(book.NumberFormat("0")),
        value(book.NumberFormat("0.0000")),
        time(book.NumberFormat("DD.MM.YYYY hh:mm:ss")),
        percent(book.NumberFormat("0.00%")) {
    caption = workbook_add_format(book.Book());
    format_set_bold(caption);
    format_set_align(caption, LXW_ALIGN_CENTER);
  }
};

// One table of the workbook: a caption row, frozen, with a filter over
// it, and its data rows below, going on in further sheets when there are
// more than a sheet holds. Columns widen to their widest cell.
class CSheetTable {
 public:
  CSheetTable(CWorkbook& book, const CCellFormats& formats, std::string name, std::vector<std::string> captions,
              uint64_t rows, uint32_t rowsPerSheet, bool filter = true)
      : m_book(book),
        m_formats(formats),
        m_name(std::move(name)),
        m_captions(std::move(captions)),
        m_rows(rows),
        m_rowsPerSheet(std::max<uint32_t>(rowsPerSheet, 1)),
        m_bFilter(filter),
        m_widths(m_captions.size(), 0.0) {
    for (size_t c = 0; c < m_captions.size(); ++c) {
      // Captions are bold, and the filter's button takes room beside them.
      Fit(c, static_cast<double>(Utf8Length(m_captions[c])) * 1.2 + (m_bFilter ? 3.0 : 1.0));
    }
    AddSheet();
  }

  // The sheet of data row `index` (from 0, in order) and the row there.
  lxw_worksheet* Row(uint64_t index, lxw_row_t& row) {
    const uint64_t sheet = index / m_rowsPerSheet;
    while (m_sheets.size() <= sheet) AddSheet();
    row = static_cast<lxw_row_t>(index % m_rowsPerSheet + 1);
    return m_sheets.back();
  }

  void Fit(size_t column, double characters) { m_widths[column] = std::max(m_widths[column], characters); }

  void Number(lxw_worksheet* sheet, lxw_row_t row, size_t column, double value, lxw_format* format) {
    m_book.Check(worksheet_write_number(sheet, row, static_cast<lxw_col_t>(column), value, format));
  }
  void Text(lxw_worksheet* sheet, lxw_row_t row, size_t column, std::string_view text) {
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
  // A value as a number, or as the table's text when it is no number
  // (a damaged record's NaN or infinity, which a workbook cannot hold).
  void Value(lxw_worksheet* sheet, lxw_row_t row, size_t column, float value) {
    if (std::isfinite(value)) {
      Number(sheet, row, column, static_cast<double>(value), m_formats.value);
    } else {
      Text(sheet, row, column, TrimmedText(FormatValue(value)));
    }
  }
  void Time(lxw_worksheet* sheet, lxw_row_t row, size_t column, int64_t seconds) {
    Number(sheet, row, column, DateSerial(seconds), m_formats.time);
  }

  // Gives every sheet of the table its column widths.
  void Finish() {
    for (lxw_worksheet* sheet : m_sheets) {
      for (size_t c = 0; c < m_widths.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        m_book.Check(worksheet_set_column(sheet, col, col, std::min(m_widths[c] + 1.0, kMaxColumnWidth), nullptr));
      }
    }
  }

 private:
  void AddSheet() {
    const size_t k = m_sheets.size();
    const std::string name = k == 0 ? m_name : m_name + " (" + std::to_string(k + 1) + ")";
    lxw_worksheet* sheet = m_book.AddSheet(name);
    m_sheets.push_back(sheet);
    const auto lastColumn = static_cast<lxw_col_t>(m_captions.size() - 1);
    for (size_t c = 0; c < m_captions.size(); ++c) {
      m_book.Check(
          worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), m_captions[c].c_str(), m_formats.caption));
    }
    worksheet_freeze_panes(sheet, 1, 0);
    m_book.SetUpPrinting(sheet);
    const uint64_t first = static_cast<uint64_t>(k) * m_rowsPerSheet;
    const uint64_t here = m_rows > first ? std::min<uint64_t>(m_rows - first, m_rowsPerSheet) : 0;
    if (m_bFilter) m_book.Check(worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(here), lastColumn));
  }

  CWorkbook& m_book;
  const CCellFormats& m_formats;
  std::string m_name;
  std::vector<std::string> m_captions;
  uint64_t m_rows;
  uint32_t m_rowsPerSheet;
  bool m_bFilter;
  std::vector<double> m_widths;
  std::vector<lxw_worksheet*> m_sheets;
};

void WriteArchiveSheet(CWorkbook& book, const CCellFormats& formats, const CObjectDefinition& object,
                       const CColumnSwitches& switches, uint32_t rowsPerSheet) {
  const std::vector<EArchiveColumn> columns = ArchiveColumns(switches);
  std::vector<std::string> captions = ArchiveCaptions(object, columns);
  if (columns.empty()) {
    // No column switched on: the sheet is there, with nothing in it.
    CSheetTable(book, formats, kSheetArchive, {""}, 0, rowsPerSheet, false).Finish();
    return;
  }

  const std::vector<int32_t> positions = object.RowPositions();
  CSheetTable table(book, formats, kSheetArchive, std::move(captions), positions.size(), rowsPerSheet);
  double widest[2] = {0.0, 0.0};  // of the two values
  size_t widestText = 0;
  CArchiveRow values;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!object.ComputeRow(positions[i], values)) continue;
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(i, row);
    for (size_t c = 0; c < columns.size(); ++c) {
      switch (columns[c]) {
        case EArchiveColumn::kNumber: table.Number(sheet, row, c, static_cast<double>(i + 1), formats.whole); break;
        case EArchiveColumn::kFirst:
          table.Value(sheet, row, c, values.value1);
          if (std::isfinite(values.value1)) widest[0] = std::max(widest[0], std::fabs(double{values.value1}));
          break;
        case EArchiveColumn::kSecond:
          table.Value(sheet, row, c, values.value2);
          if (std::isfinite(values.value2)) widest[1] = std::max(widest[1], std::fabs(double{values.value2}));
          break;
        case EArchiveColumn::kStart: table.Time(sheet, row, c, values.start); break;
        case EArchiveColumn::kEnd: table.Time(sheet, row, c, values.end); break;
        case EArchiveColumn::kTime:
          table.Number(sheet, row, c, static_cast<double>(values.archivingPercent) / 100.0, formats.percent);
          break;
        case EArchiveColumn::kAbnormal: {
          const std::string& text = TrimmedAbnormalText(values.abnormalCode);
          table.Text(sheet, row, c, text);
          widestText = std::max(widestText, Utf8Length(text));
          break;
        }
      }
    }
  }
  for (size_t c = 0; c < columns.size(); ++c) {
    switch (columns[c]) {
      case EArchiveColumn::kNumber: table.Fit(c, static_cast<double>(DigitCount(positions.size()))); break;
      case EArchiveColumn::kFirst: table.Fit(c, static_cast<double>(FixedWidth(-widest[0]))); break;
      case EArchiveColumn::kSecond: table.Fit(c, static_cast<double>(FixedWidth(-widest[1]))); break;
      case EArchiveColumn::kStart:
      case EArchiveColumn::kEnd: table.Fit(c, static_cast<double>(CRTCTime::kTextLength)); break;
      case EArchiveColumn::kTime: table.Fit(c, 7.0); break;
      case EArchiveColumn::kAbnormal: table.Fit(c, static_cast<double>(widestText) * 1.2); break;
    }
  }
  table.Finish();
}

void WriteAbnormalSheet(CWorkbook& book, const CCellFormats& formats, const CObjectDefinition& object,
                        uint32_t rowsPerSheet) {
  const auto count = static_cast<size_t>(object.GetAbnormalCount());
  CSheetTable table(book, formats, kSheetAbnormal,
                    {"№", "Нештатная ситуация", "Начало нештатной ситуации", "Конец нештатной ситуации"}, count,
                    rowsPerSheet);
  size_t widestText = 0;
  for (size_t i = 0; i < count; ++i) {
    const CErrArcElem* record = object.m_errRecords[i];
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(i, row);
    table.Number(sheet, row, 0, static_cast<double>(i + 1), formats.whole);
    if (record == nullptr) continue;
    const std::string& text = TrimmedAbnormalText(record->m_nCode);
    table.Text(sheet, row, 1, text);
    widestText = std::max(widestText, Utf8Length(text));
    table.Time(sheet, row, 2, record->m_nBegin);
    table.Time(sheet, row, 3, record->m_nEnd);
  }
  table.Fit(0, static_cast<double>(DigitCount(count)));
  table.Fit(1, static_cast<double>(widestText) * 1.2);
  table.Fit(2, static_cast<double>(CRTCTime::kTextLength));
  table.Fit(3, static_cast<double>(CRTCTime::kTextLength));
  table.Finish();
}

// Every group of the tree, each of its lines a row beside the group's
// name; a group without lines still has its row.
void WriteParamSheet(CWorkbook& book, const CCellFormats& formats, const CParamTree& tree, uint32_t rowsPerSheet) {
  uint64_t rows = 0;
  for (const auto& group : tree.Items()) rows += std::max<size_t>(group.children.size(), 1);
  CSheetTable table(book, formats, kSheetParams, {"Группа", "Параметр"}, rows, rowsPerSheet);
  uint64_t index = 0;
  const auto put = [&](const std::string& group, const std::string& line) {
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(index++, row);
    table.Text(sheet, row, 0, group);
    table.Text(sheet, row, 1, line);
    table.Fit(0, static_cast<double>(Utf8Length(group)) * 1.1);
    table.Fit(1, static_cast<double>(Utf8Length(line)) * 1.1);
  };
  for (const auto& group : tree.Items()) {
    if (group.children.empty()) put(group.text, {});
    for (const auto& line : group.children) put(group.text, line.text);
  }
  table.Finish();
}

void WriteInfoSheet(CWorkbook& book, const CCellFormats& formats, const CObjectDefinition& object,
                    const CWorkbookInfo& info) {
  std::string caption1, caption2;
  object.GetColumnCaptions(caption1, caption2);
  const std::vector<int32_t>::size_type intervals = object.RowPositions().size();
  CSheetTable table(book, formats, kSheetInfo, {"Сведение", "Значение"}, 12, kSheetDataRows, false);
  uint64_t index = 0;
  const auto name = [&](const char* text) {
    lxw_row_t row = 0;
    lxw_worksheet* sheet = table.Row(index++, row);
    table.Text(sheet, row, 0, text);
    table.Fit(0, static_cast<double>(Utf8Length(text)) * 1.1);
    return std::pair{sheet, row};
  };
  const auto text = [&](const char* caption, std::string_view value) {
    const auto [sheet, row] = name(caption);
    table.Text(sheet, row, 1, value);
    table.Fit(1, static_cast<double>(Utf8Length(value)) * 1.1);
  };
  const auto number = [&](const char* caption, uint64_t value) {
    const auto [sheet, row] = name(caption);
    table.Number(sheet, row, 1, static_cast<double>(value), formats.whole);
  };
  number("Объект", object.GetObjectNumber());
  text("Идентификация", object.m_strDeviceId);
  text("Версия", TrimmedText(Utf8Prefix(object.m_strDeviceId, 18)));
  {
    // The computer's clock at the read, in its local time.
    const auto [sheet, row] = name("Считан");
    const auto seconds = static_cast<std::time_t>(object.m_tRead);
    std::tm local{};
    if (localtime_r(&seconds, &local) != nullptr) {
      lxw_datetime when{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     static_cast<double>(local.tm_sec)};
      if (when.year >= 1900 && when.year <= 9999) {
        book.Check(worksheet_write_datetime(sheet, row, 1, &when, formats.time));
      }
    }
    table.Fit(1, static_cast<double>(CRTCTime::kTextLength));
  }
  text("Описание", object.m_strDescription);
  number("Записей архива измерений", object.m_arcRecords.GetSize());
  number("Интервалов", intervals);
  number("Нештатных ситуаций", static_cast<uint64_t>(object.GetAbnormalCount()));
  text("Первое значение", caption1);
  text("Второе значение", caption2);
  text("Программа", info.programName);
  text("Версия программы", info.programVersion);
  table.Finish();
}

}  // namespace

void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info) {
  detail::WriteArchiveWorkbook(path, object, columns, info, kSheetDataRows);
}

namespace detail {

std::string WorkbookCloseFailure(int error, int err) {
  std::string text = lxw_strerror(static_cast<lxw_error>(error));
  if (const size_t guess = text.find(". Usually"); guess != std::string::npos) text.erase(guess);
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (err != 0) text += ": " + std::generic_category().message(err);
  return text;
}

void WriteArchiveWorkbook(const std::filesystem::path& path, const CObjectDefinition& object,
                          const CColumnSwitches& columns, const CWorkbookInfo& info, uint32_t rowsPerSheet) {
  rowsPerSheet = std::clamp<uint32_t>(rowsPerSheet, 1, kSheetDataRows);
  // The replacement first: a folder that takes no file fails at once.
  CAtomicFile file(path);
  // libxlsxwriter writes a file by name; it is made beside the
  // destination, with the rows' temporary files, and then copied into the
  // replacement.
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const CScratchFile scratch(path);
  {
    CWorkbook book(scratch.Path(), folder, PathToUtf8(path), PageHeader(object));
    const CCellFormats formats(book);
    std::string title = "Архив объекта № " + std::to_string(object.GetObjectNumber());
    std::string comments = info.programName + " " + info.programVersion;
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.comments = comments.data();
    book.Check(workbook_set_properties(book.Book(), &properties));
    WriteArchiveSheet(book, formats, object, columns, rowsPerSheet);
    WriteAbnormalSheet(book, formats, object, rowsPerSheet);
    WriteParamSheet(book, formats, object.m_paramTree, rowsPerSheet);
    WriteInfoSheet(book, formats, object, info);
    book.Close();
  }
  CopyFileInto(scratch.Path(), file);
  file.Commit();
}

}  // namespace detail

}  // namespace tkq
