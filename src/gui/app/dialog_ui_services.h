#pragma once
// The program's services to the user as the user meets them: message
// boxes, the platform's file and print dialogs and the program's own
// dialogs. Ui() gives these unless a test installed others; a test's
// scripted services derive from them to keep the dialogs they do not
// script.

#include "gui/base/ui_services.h"

namespace tkq::gui {

class CDialogUiServices : public CUiServices {
 public:
  QMessageBox::StandardButton Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                      const QString& caption, QMessageBox::StandardButtons buttons,
                                      const QString& detail) override;
  QString OpenFileName(QWidget* parent, const QString& title, const QString& start) override;
  QString OpenImageName(QWidget* parent, const QString& title, const QString& start) override;
  QString SaveFileName(QWidget* parent, const QString& title, const QString& start) override;
  QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& start) override;
  QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override;
  void ShowInFolder(const QString& path) override;
  void Beep() override;
  bool AskObjectNumber(QWidget* parent, int& number) override;
  bool EditDescription(QWidget* parent, QString& text) override;
  bool AskPrint(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) override;
  bool AskPrintFile(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) override;
  bool AskPrintSetup(QWidget* parent, QPrinter& printer) override;
  QString AskChartFile(QWidget* parent, const QString& file, QSize& size) override;
  int ChooseObject(QWidget* parent, const CInstrumentContents& contents, uint32_t baud) override;
};

}  // namespace tkq::gui
