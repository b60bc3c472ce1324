#include "core/output/sheet_paging.h"

#include "core/base/cp1251.h"
#include "core/output/print_layout.h"

namespace tkq {
namespace {

// A page header or footer holds at most this many characters, its codes
// ("&C", "&P", "&&") included.
constexpr size_t kMaxHeaderCharacters = LXW_HEADER_FOOTER_MAX;
// Printed sheets: A4 (Excel's paper number 9), page numbers as the
// program's printed pages have them.
constexpr uint8_t kPaperA4 = 9;
constexpr const char* kPageFooter = "&CСтраница &P из &N";

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

}  // namespace

CSheetPaging::CSheetPaging(const CObjectDefinition& object) : m_header(PageHeader(object)) {}

void CSheetPaging::SetUp(CWorkbook& book, lxw_worksheet* sheet) const {
  worksheet_set_landscape(sheet);
  worksheet_set_paper(sheet, kPaperA4);
  worksheet_fit_to_pages(sheet, 1, 0);
  // Room above the rows for the title's two lines.
  worksheet_set_margins(sheet, 0.5, 0.5, 1.0, 0.75);
  book.Check(worksheet_repeat_rows(sheet, 0, 0));
  book.Check(worksheet_set_header(sheet, m_header.c_str()));
  book.Check(worksheet_set_footer(sheet, kPageFooter));
}

}  // namespace tkq
