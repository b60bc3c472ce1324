#pragma once
// A scripted user for the program's tests: records every message box and
// answers the dialogs with what the test prepared.

#include <QPrinter>
#include <QStringList>

#include "core/archive/instrument_contents.h"
#include "gui/app/dialog_ui_services.h"

namespace tkq::gui::test {

class CFakeUi : public CDialogUiServices {
 public:
  QMessageBox::StandardButton Message(QWidget*, const QString& text, QMessageBox::Icon icon, const QString& caption,
                                      QMessageBox::StandardButtons buttons, const QString& detail) override {
    messages << text;
    icons << icon;
    captions << caption;
    details << detail;
    buttonsShown << buttons;
    // A question takes the next prepared answer, else `messageAnswer`.
    if (buttons == QMessageBox::Ok) return QMessageBox::Ok;
    return answers.isEmpty() ? messageAnswer : answers.takeFirst();
  }
  QString OpenFileName(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return openAnswer;
  }
  QString OpenImageName(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return openAnswer;
  }
  QString SaveFileName(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return saveAnswer;
  }
  QStringList OpenFileNames(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return openAnswers;
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return folderAnswer;
  }
  void ShowInFolder(const QString& path) override { shownInFolder << path; }
  void Beep() override { ++beeps; }
  bool AskObjectNumber(QWidget*, int& number) override {
    if (objectNumber <= 0) return false;
    number = objectNumber;
    return true;
  }
  bool EditDescription(QWidget*, QString& text) override {
    ++descriptionAsked;
    if (!descriptionConfirmed) return false;
    text = description;
    return true;
  }

  // The print dialog: a PDF file when `printFile` is set, pages
  // `printFrom`..`printTo` when `printFrom` is set.
  bool AskPrint(QWidget*, QPrinter& printer, int pageCount, const QString& pdfFile) override {
    printPageCounts << pageCount;
    printRangesAsked << printer.printRange();
    printProposed << pdfFile;
    if (!printFile.isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(printFile);
    }
    printer.setPrintRange(printFrom > 0 ? QPrinter::PageRange : QPrinter::AllPages);
    if (printFrom > 0) printer.setFromTo(printFrom, printTo);
    return printConfirmed;
  }
  bool AskPrintSetup(QWidget*, QPrinter& printer) override {
    ++printSetups;
    printer.setPageSize(setupPaper);
    printer.setPageOrientation(setupOrientation);
    return true;
  }

  QStringList messages;
  QList<QMessageBox::Icon> icons;
  QStringList captions;
  QStringList details;  // what went under each message
  QList<QMessageBox::StandardButtons> buttonsShown;
  QList<QMessageBox::StandardButton> answers;  // to the questions, in turn
  // To any other question; Ok is none of Да, Нет and Отмена.
  QMessageBox::StandardButton messageAnswer = QMessageBox::Ok;
  QStringList titles;
  QStringList starts;
  QString openAnswer;
  QString saveAnswer;
  QStringList openAnswers;   // several files at once
  QString folderAnswer;      // a folder chosen
  QStringList shownInFolder;
  int beeps = 0;
  int objectNumber = 0;
  QString description;
  bool descriptionConfirmed = true;
  int descriptionAsked = 0;
  QList<int> printPageCounts;
  QList<QPrinter::PrintRange> printRangesAsked;
  QStringList printProposed;  // the PDF file each print dialog proposed
  QString printFile;
  int printFrom = 0;
  int printTo = 0;
  bool printConfirmed = true;
  QString AskChartFile(QWidget*, const QString& file, QSize& size) override {
    chartProposed = file;
    if (!chartFile.isEmpty()) size = chartSize;
    return chartFile;
  }

  int ChooseObject(QWidget*, const CInstrumentContents& contents, uint32_t) override {
    shownObjects.clear();
    for (const CObjectContents& object : contents.objects) shownObjects << object.object;
    shownDevice = QString::fromStdString(contents.deviceId);
    return chosenObject;
  }

  int printSetups = 0;
  QList<int> shownObjects;  // what "Содержимое прибора" showed
  QString shownDevice;
  int chosenObject = 0;
  QString chartProposed;
  QString chartFile;  // empty: cancelled
  QSize chartSize{640, 320};
  QPageSize setupPaper{QPageSize::A4};
  QPageLayout::Orientation setupOrientation = QPageLayout::Portrait;
};

}  // namespace tkq::gui::test
