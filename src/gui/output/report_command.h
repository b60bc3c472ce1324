#pragma once
// The command that writes the archive to a file for other programs:
// "Экспорт в Excel (XLSX)..." ("Формирование отчета" of the tables is the
// views' own: gui/views/report_file.h).

class QWidget;

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

// "Экспорт в Excel (XLSX)...": the whole archive as a workbook, under a
// name the user chooses ("Объект NN.xlsx" offered in the remembered
// folder); the status bar says where it wrote. Nothing happens without an
// object.
void ExportWorkbookCommand(const CArchiveDocument& document, CProfile& profile, QWidget* parent);

}  // namespace tkq::gui
