#pragma once
// "Редактирование описания объекта".

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace tkq::gui {

// "Редактирование описания объекта": at most 250 characters, only those
// the program can store (code page 1251).
class CEditDescDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CEditDescDialog(const QString& text, QWidget* parent = nullptr);
  // What the user typed; `text` itself, whole, until the user changes it.
  QString Text() const;

 private:
  QString m_original;
  bool m_edited = false;

  QLineEdit* m_edit = nullptr;
  QLabel* m_label = nullptr;  // says what the field is for
};

}  // namespace tkq::gui
