#pragma once
// "Формирование отчета" of the windows of an archive: the report written
// to a text file the user names.

#include <functional>

#include "core/output/report.h"

class QWidget;

namespace tkq::gui {

class CProfile;

// "Формирование отчета": the procedure the three views share. Asks for a
// file name, remembers its folder, writes the report through a temporary
// file and says "Ошибка открытия файла" when the file cannot be written,
// or in the status bar where it wrote.
void WriteReportCommand(CProfile& profile, QWidget* parent, const std::function<void(CReportSink&)>& write);

}  // namespace tkq::gui
