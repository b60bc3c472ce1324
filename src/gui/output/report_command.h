#pragma once
// "Формирование отчета": the procedure the three views share. Asks for a
// file name, remembers its folder, writes the report through a temporary
// file and says "Ошибка открытия файла" when the file cannot be written.

#include <functional>

#include "core/output/report.h"

class QWidget;

namespace tkq::gui {

class CTRV_KQ_VRApp;

void WriteReportCommand(CTRV_KQ_VRApp& app, QWidget* parent, const std::function<void(CReportSink&)>& write);

}  // namespace tkq::gui
