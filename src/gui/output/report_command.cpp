#include "gui/output/report_command.h"

#include "gui/app/application.h"
#include "gui/app/ui_services.h"
#include "core/storage/file_io.h"

namespace tkq::gui {

void WriteReportCommand(CTRV_KQ_VRApp& app, QWidget* parent, const std::function<void(CReportSink&)>& write) {
  const QString path = Ui().SaveFileName(parent, "Сохранить как", app.RememberedFolder());
  if (path.isEmpty()) return;
  app.RememberFolder(path);
  try {
    CAtomicFile file(path.toStdString());
    CAtomicFileSink sink(file);
    write(sink);
    file.Commit();
  } catch (const std::exception&) {
    Ui().Message(parent, "Ошибка открытия файла", QMessageBox::NoIcon, kAppName);
  }
}

}  // namespace tkq::gui
