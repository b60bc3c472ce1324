#pragma once
// "Поддерживаемые версии  ПО прибора".

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace tkq::gui {

// "Поддерживаемые версии  ПО прибора": every version name, sorted without
// regard to case.
class CListVersionsDialog : public QDialog {
  Q_OBJECT
 public:
  CListVersionsDialog(const std::vector<std::string>& names, QWidget* parent = nullptr);

 private:
  QListWidget* m_list = nullptr;
};

}  // namespace tkq::gui
