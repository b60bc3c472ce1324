#pragma once
// "Формирование отчета": the procedure the three views share. Asks for a
// file name, remembers its folder, writes the report through a temporary
// file and says "Ошибка открытия файла" when the file cannot be written.

#include <functional>

#include "core/output/report.h"

class QWidget;

namespace tkq::gui {

class CProfile;

void WriteReportCommand(CProfile& profile, QWidget* parent, const std::function<void(CReportSink&)>& write);

}  // namespace tkq::gui
