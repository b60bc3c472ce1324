#pragma once
// A whole number typed into a dialog's field: read, checked against its
// range, and the user told why when it is not one.

#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

namespace tkq::gui {

// A decimal integer with optional sign and surrounding blanks. Values too
// large for an int are saturated, so they fail the range check rather than
// pass for "not a number".
std::optional<int> ParseInteger(const QString& text);

// Reads `edit` as an integer in lo..hi. On failure tells the user why and
// puts the focus back into the field with its text selected.
std::optional<int> ReadIntegerField(QWidget* dialog, QLineEdit* edit, int lo, int hi);

}  // namespace tkq::gui
