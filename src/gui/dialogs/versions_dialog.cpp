#include "gui/dialogs/versions_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <algorithm>

#include "gui/dialogs/dialog_layout.h"

namespace tkq::gui {

CListVersionsDialog::CListVersionsDialog(const std::vector<std::string>& names, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Поддерживаемые версии  ПО прибора"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 171, 73);

  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("versions"));
  m_list->setGeometry(du.Rect(30, 7, 110, 40));
  m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Every name of the description, also one that comes twice, sorted
  // without regard to case; names equal but for case keep their order.
  QStringList texts;
  for (const std::string& name : names) texts << QString::fromStdString(name);
  std::stable_sort(texts.begin(), texts.end(),
                   [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
  m_list->addItems(texts);
  // Every version in view at once (up to twenty lines; more scroll), not
  // four of them in a small box.
  const int rows = std::clamp(static_cast<int>(texts.size()), 4, 20);
  const int rowHeight = texts.isEmpty() ? du.Y(8) : m_list->sizeHintForRow(0);
  const int listHeight = rows * rowHeight + 2 * m_list->frameWidth();
  m_list->setGeometry(du.X(30), du.Y(7), du.X(110), listHeight);
  const int buttonTop = m_list->geometry().bottom() + 1 + du.Y(5);
  setFixedSize(du.X(171), buttonTop + du.Y(14 + 7));

  QPushButton* close = AddButton(this, QStringLiteral("Закрыть"), QRect(du.X(60), buttonTop, du.X(50), du.Y(14)));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CListVersionsDialog::accept);
}

}  // namespace tkq::gui
