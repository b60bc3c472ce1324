#include "gui/output/report_command.h"

#include "core/storage/file_io.h"
#include "gui/app/messages.h"
#include "gui/app/profile.h"
#include "gui/app/ui_services.h"
#include "render/fs_path.h"

namespace tkq::gui {

void WriteReportCommand(CProfile& profile, QWidget* parent, const std::function<void(CReportSink&)>& write) {
  const QString path = Ui().SaveFileName(parent, "Сохранить как", profile.RememberedFolder());
  if (path.isEmpty()) return;
  profile.RememberFolder(path);
  try {
    WriteOfferingRetry(parent, [&] {
      CAtomicFile file(render::FsPath(path));
      CAtomicFileSink sink(file);
      write(sink);
      file.Commit();
    });
  } catch (const std::exception& e) {
    Ui().Message(parent, kMsgCannotOpen, QMessageBox::NoIcon, kAppName, QMessageBox::Ok, QString::fromUtf8(e.what()));
  }
}

}  // namespace tkq::gui
