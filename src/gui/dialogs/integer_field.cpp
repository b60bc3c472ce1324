#include "gui/dialogs/integer_field.h"

#include <QLineEdit>
#include <algorithm>
#include <climits>

#include "gui/base/ui_services.h"

namespace tkq::gui {
namespace {

bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<int> ParseInteger(const QString& text) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
    negative = t[i] == u'-';
    ++i;
  }
  if (i == t.size()) return std::nullopt;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (!IsAsciiDigit(t[i])) return std::nullopt;
    value = std::min<long long>(value * 10 + (t[i].unicode() - u'0'), 1LL << 40);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::optional<int> ReadIntegerField(QWidget* dialog, QLineEdit* edit, int lo, int hi) {
  const std::optional<int> value = ParseInteger(edit->text());
  if (!value || *value < lo || *value > hi) {
    const QString text = !value ? QStringLiteral("Введите целое число")
                                : QStringLiteral("Введите целое число в интервале от %1 до %2.").arg(lo).arg(hi);
    AppMessage(dialog, text, QMessageBox::Warning);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return std::nullopt;
  }
  return value;
}

}  // namespace tkq::gui
