#pragma once
// The cell texts of the two archive tables, as the windows show them and
// the printouts draw them (decimal point). One place computes them, so a
// printed line is what the table shows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/report.h"

namespace tkq {

class CObjectDefinition;
struct CArchiveRow;

// The columns of the measurement archive table, in their order.
enum class EArchiveColumn { kNumber, kFirst, kSecond, kStart, kEnd, kTime, kAbnormal };

// The columns the switches leave on, left to right.
std::vector<EArchiveColumn> ArchiveColumns(const CColumnSwitches& switches);

// The text of one cell of row `index` (from 0), whose values are `row`.
std::string ArchiveCellText(EArchiveColumn column, int32_t index, const CArchiveRow& row);

// The captions the archive table shows over its columns: "№", the two
// captions of the object, "Начало интервала", "Конец интервала", "Время
// архивирования", "Нештатная ситуация".
std::vector<std::string> ArchiveCaptions(const CObjectDefinition& object, const std::vector<EArchiveColumn>& columns);

// The printed captions of the archive table's columns: "№", the two print
// captions of the object, "Начало интервала", "Конец интервала", "Время",
// "Нешт-я ситуация".
std::vector<std::string> ArchivePrintCaptions(const CObjectDefinition& object,
                                              const std::vector<EArchiveColumn>& columns);

// `text` without the blanks around it.
std::string_view TrimmedText(std::string_view text);
// The abnormal-situation text without the blanks that centre it in the
// table: empty for code 0, which is no situation (workbook, CSV).
const std::string& TrimmedAbnormalText(uint8_t code);

// The four cells of abnormal situation `index` (from 0): number, text,
// start, end.
std::vector<std::string> AbnormalCellTexts(const CObjectDefinition& object, int32_t index);

}  // namespace tkq
