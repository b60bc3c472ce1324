#pragma once
// "О программе".

#include <QDialog>

namespace tkq::gui {

// "О программе".
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tkq::gui
