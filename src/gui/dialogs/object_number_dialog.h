#pragma once
// "Выбор объекта": the number of the object to read.

#include <QDialog>

class QLineEdit;
class QToolButton;

namespace tkq::gui {

// "Выбор объекта": the number of the object to read, 1 to 20.
class CInputREadObjDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CInputREadObjDialog(QWidget* parent = nullptr);

  int m_nObjectNumber = 0;
  bool m_bAccepted = false;

  void accept() override;

 private:
  QLineEdit* m_edit = nullptr;
  QToolButton* m_up = nullptr;
  QToolButton* m_down = nullptr;
};

}  // namespace tkq::gui
