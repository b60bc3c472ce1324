#pragma once
// The sheets of an object's workbook (core/output/workbook.h), each
// written as a table of its own.

#include <cstdint>

#include "core/output/report.h"
#include "core/output/sheet_table.h"
#include "core/output/summary_table.h"
#include "core/output/workbook.h"

namespace tkq {

class CObjectDefinition;
class CParamTree;

// «Архив измерений»: the columns `switches` leaves on (an empty sheet when
// none is).
void WriteArchiveSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                       const CObjectDefinition& object, const CColumnSwitches& switches, uint32_t rowsPerSheet);
// «Нештатные ситуации»: number, text, start and end.
void WriteAbnormalSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                        const CObjectDefinition& object, uint32_t rowsPerSheet);
// «Параметры»: every group of the tree, each of its lines a row beside the
// group's name; a group without lines still has its row.
void WriteParamSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging, const CParamTree& tree,
                     uint32_t rowsPerSheet);
// «Сводка по суткам» or «Сводка по месяцам»: a row per period of `table`
// with its bounds as date-times and its figures as numbers (no value:
// an empty cell).
void WriteSummarySheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                       const CSummaryTable& table);
// «Сведения»: what the object is and the program that wrote the workbook.
void WriteInfoSheet(CWorkbook& book, const CCellFormats& formats, const CSheetPaging& paging,
                    const CObjectDefinition& object, const CWorkbookInfo& info);

}  // namespace tkq
