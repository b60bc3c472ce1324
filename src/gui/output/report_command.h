#pragma once
// The commands that write the archive to a file for other programs:
// "Формирование отчета" of the three tables and "Экспорт в Excel (XLSX)...".

#include <functional>

#include "core/output/report.h"

class QWidget;

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

// "Формирование отчета": the procedure the three views share. Asks for a
// file name, remembers its folder, writes the report through a temporary
// file and says "Ошибка открытия файла" when the file cannot be written,
// or in the status bar where it wrote.
void WriteReportCommand(CProfile& profile, QWidget* parent, const std::function<void(CReportSink&)>& write);

// "Экспорт в Excel (XLSX)...": the whole archive as a workbook, under a
// name the user chooses ("Объект NN.xlsx" offered in the remembered
// folder); the status bar says where it wrote. Nothing happens without an
// object.
void ExportWorkbookCommand(const CArchiveDocument& document, CProfile& profile, QWidget* parent);

}  // namespace tkq::gui
