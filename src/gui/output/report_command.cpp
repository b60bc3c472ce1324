#include "gui/output/report_command.h"

#include <QDir>

#include "core/base/system_errors.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "gui/app/archive_document.h"
#include "gui/app/main_frame.h"
#include "gui/app/messages.h"
#include "gui/app/profile.h"
#include "gui/app/program_name.h"
#include "gui/app/ui_services.h"
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

void ExportWorkbookCommand(const CArchiveDocument& document, CProfile& profile, QWidget* parent) {
  const CObjectDefinition* object = document.Object();
  if (object == nullptr) return;
  const QString name = QString("Объект %1.xlsx").arg(object->GetObjectNumber(), 2, 10, QChar('0'));
  const QString path =
      Ui().SaveFileName(parent, "Экспорт в Excel (XLSX)", QDir(profile.RememberedFolder()).filePath(name));
  if (path.isEmpty()) return;
  profile.RememberFolder(path);
  try {
    // Written beside the file and renamed when complete: a failure leaves
    // an older file of that name as it was.
    const bool written = WriteOfferingRetry(parent, [&] {
      WriteArchiveWorkbook(render::FsPath(path), *object, document.Columns(),
                           {kProgramName.toStdString(), kProgramVersion.toStdString()}, profile.SummaryHour());
    });
    if (written) ShowFileWritten(parent, path);
  } catch (const std::exception& e) {
    Ui().Message(nullptr, kMsgCannotOpen, QMessageBox::NoIcon, kMsgErrorCaption, QMessageBox::Ok,
                 QString::fromStdString(ErrorDetail(e)));
  }
}

}  // namespace tkq::gui
