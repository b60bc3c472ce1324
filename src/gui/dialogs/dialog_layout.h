#pragma once
// How the program's dialogs place their controls: each at a fixed place
// given in dialog units (gui/app/dialog_units.h), the dialog of a fixed
// size, so that a larger font gives a proportionally larger dialog.

#include <QRect>
#include <QSize>
#include <QString>

#include "gui/base/dialog_units.h"

class QDialog;
class QLabel;
class QPushButton;
class QWidget;

namespace tkq::gui {

// A push button of `dialog` at `rect`.
QPushButton* AddButton(QDialog* dialog, const QString& text, const QRect& rect);

// A label left of `control`: its horizontal place from `rect`, centred on
// the control's row so that it lines up whatever height the style gives
// the control.
QLabel* AddLabel(QDialog* dialog, const QString& text, const QRect& rect, const QWidget* control);

// Fixes the size of `dialog`: `w` x `h` dialog units of its own font, or
// `size` pixels.
void SetDialogSize(QDialog* dialog, const CDialogUnits& du, int w, int h);
void SetDialogSize(QDialog* dialog, QSize size);

// Height for a control placed at a nominal `dluHeight`: never less than the
// style wants, so frames and arrows are not clipped.
int ControlHeight(const CDialogUnits& du, int dluHeight, const QWidget* control);

}  // namespace tkq::gui
