#include "gui/views/report_file.h"

#include "core/base/system_errors.h"
#include "core/storage/file_io.h"
#include "gui/base/file_written.h"
#include "gui/base/messages.h"
#include "gui/base/profile.h"
#include "gui/base/program_name.h"
#include "gui/base/ui_services.h"
#include "render/fs_path.h"

namespace tkq::gui {

void WriteReportCommand(CProfile& profile, QWidget* parent, const std::function<void(CReportSink&)>& write) {
  const QString path = Ui().SaveFileName(parent, "Сохранить как", profile.RememberedFolder());
  if (path.isEmpty()) return;
  profile.RememberFolder(path);
  try {
    const bool written = WriteOfferingRetry(parent, [&] {
      CAtomicFile file(render::FsPath(path));
      CAtomicFileSink sink(file);
      write(sink);
      file.Commit();
    });
    if (written) ShowFileWritten(parent, path);
  } catch (const std::exception& e) {
    Ui().Message(parent, kMsgCannotOpen, QMessageBox::NoIcon, kAppName, QMessageBox::Ok,
                 QString::fromStdString(ErrorDetail(e)));
  }
}

}  // namespace tkq::gui
