#pragma once
// "Сохранить график": where the chart goes and how large it is drawn.

#include <QDialog>
#include <QSize>
#include <QString>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tkq::gui {

// "Сохранить график": the file (PNG, SVG or PDF by its extension, chosen
// with "Обзор...") and the picture's size in points.
class CSaveChartDialog : public QDialog {
  Q_OBJECT
 public:
  CSaveChartDialog(const QString& file, QSize size, QWidget* parent = nullptr);
  QString File() const;
  QSize Size() const;

 private:
  // «Обзор...»: the save dialog, starting from the file in the field.
  void Browse();
  // OK: a file of a format the chart is saved in, else said.
  void Confirm();
  // Two rows, the file and the size, with the buttons under them.
  void Arrange(QPushButton* browse, QPushButton* ok, QPushButton* cancel);

  QLineEdit* m_file = nullptr;
  QSpinBox* m_width = nullptr;
  QSpinBox* m_height = nullptr;
};

}  // namespace tkq::gui
