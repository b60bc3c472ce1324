#include "gui/output/report_command.h"

#include <QDir>

#include "core/base/system_errors.h"
#include "core/output/workbook.h"
#include "gui/base/archive_document.h"
#include "gui/base/file_written.h"
#include "gui/base/messages.h"
#include "gui/base/profile.h"
#include "gui/base/program_name.h"
#include "gui/base/ui_services.h"
#include "render/fs_path.h"

namespace tkq::gui {

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
