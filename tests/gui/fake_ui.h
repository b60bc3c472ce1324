#pragma once
// A scripted user for the program's tests: records every message box and
// answers the dialogs with what the test prepared.

#include <QStringList>

#include "app/ui_services.h"

namespace tkq::gui::test {

class CFakeUi : public CUiServices {
 public:
  QMessageBox::StandardButton Message(QWidget*, const QString& text, QMessageBox::Icon icon, const QString& caption,
                                      QMessageBox::StandardButtons) override {
    messages << text;
    icons << icon;
    captions << caption;
    return QMessageBox::Ok;
  }
  QString OpenFileName(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return openAnswer;
  }
  QString SaveFileName(QWidget*, const QString& title, const QString& start) override {
    titles << title;
    starts << start;
    return saveAnswer;
  }
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

  QStringList messages;
  QList<QMessageBox::Icon> icons;
  QStringList captions;
  QStringList titles;
  QStringList starts;
  QString openAnswer;
  QString saveAnswer;
  int beeps = 0;
  int objectNumber = 0;
  QString description;
  bool descriptionConfirmed = true;
  int descriptionAsked = 0;
};

}  // namespace tkq::gui::test
