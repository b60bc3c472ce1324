#include "app/ui_services.h"

#include <QApplication>
#include <QFileDialog>

#include "app/dialogs.h"

namespace tkq::gui {
namespace {

const QString kFilter = QStringLiteral("Все файлы (*.*)");

CUiServices* g_services = nullptr;

CUiServices& DefaultServices() {
  static CUiServices services;
  return services;
}

}  // namespace

QMessageBox::StandardButton CUiServices::Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                                 const QString& caption, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString CUiServices::OpenFileName(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start, kFilter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString CUiServices::SaveFileName(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start, kFilter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void CUiServices::Beep() { QApplication::beep(); }

bool CUiServices::AskObjectNumber(QWidget* parent, int& number) {
  CInputREadObjDialog dialog(parent);
  dialog.exec();
  if (!dialog.m_bAccepted) return false;
  number = dialog.m_nObjectNumber;
  return true;
}

bool CUiServices::EditDescription(QWidget* parent, QString& text) {
  CEditDescDialog dialog(text, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  text = dialog.Text();
  return true;
}

CUiServices& Ui() { return g_services != nullptr ? *g_services : DefaultServices(); }

void SetUi(CUiServices* services) { g_services = services; }

QMessageBox::StandardButton AppMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons) {
  return Ui().Message(parent, text, icon, kAppName, buttons);
}

}  // namespace tkq::gui
