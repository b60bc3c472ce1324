#include "gui/dialogs/dialog_layout.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace tkq::gui {

QPushButton* AddButton(QDialog* dialog, const QString& text, const QRect& rect) {
  auto* button = new QPushButton(text, dialog);
  button->setGeometry(rect);
  return button;
}

QLabel* AddLabel(QDialog* dialog, const QString& text, const QRect& rect, const QWidget* control) {
  auto* label = new QLabel(text, dialog);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setGeometry(rect.x(), control->y(), rect.width(), control->height());
  return label;
}

void SetDialogSize(QDialog* dialog, const CDialogUnits& du, int w, int h) { SetDialogSize(dialog, du.Size(w, h)); }

void SetDialogSize(QDialog* dialog, QSize size) {
  dialog->setFixedSize(size);
  dialog->setSizeGripEnabled(false);
}

int ControlHeight(const CDialogUnits& du, int dluHeight, const QWidget* control) {
  return std::max(du.Y(dluHeight), control->sizeHint().height());
}

}  // namespace tkq::gui
