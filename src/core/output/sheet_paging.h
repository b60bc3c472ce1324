#pragma once
// How a sheet of the workbook prints: as the program's printed pages do.

#include <string>

#include "core/output/xlsx_book.h"

namespace tkq {

class CObjectDefinition;

// The print set-up of every sheet of one object's workbook: landscape A4,
// all columns across one page width, the caption row (the first) at the
// top of every page under the object's title, the page number at the
// foot.
class CSheetPaging {
 public:
  explicit CSheetPaging(const CObjectDefinition& object);

  void SetUp(CWorkbook& book, lxw_worksheet* sheet) const;

 private:
  std::string m_header;
};

}  // namespace tkq
