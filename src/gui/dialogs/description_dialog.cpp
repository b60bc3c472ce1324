#include "gui/dialogs/description_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>
#include <string>

#include "core/base/cp1251.h"
#include "gui/dialogs/dialog_layout.h"

namespace tkq::gui {
namespace {

// Characters a description may hold: those code page 1251 can store,
// control characters excepted (a description is one line of text).
// Anything else typed or pasted is dropped; the rest of the input stays.
class CCp1251Validator : public QValidator {
 public:
  using QValidator::QValidator;

  State validate(QString& input, int& pos) const override {
    QString kept;
    kept.reserve(input.size());
    int newPos = pos;
    for (qsizetype i = 0; i < input.size();) {
      const bool pair = input[i].isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate();
      const qsizetype len = pair ? 2 : 1;
      if (!pair && Allowed(input[i])) {
        kept += input[i];
      } else if (i < pos) {
        newPos -= static_cast<int>(std::min<qsizetype>(len, pos - i));
      }
      i += len;
    }
    input = kept;
    pos = newPos;
    return Acceptable;
  }

 private:
  static bool Allowed(QChar c) {
    static const QString table = [] {
      std::string bytes;
      for (int b = 0x20; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
      QString all = QString::fromStdString(Cp1251ToUtf8(bytes));
      all.removeIf([](QChar ch) { return ch.category() == QChar::Other_Control; });
      return all;
    }();
    return table.contains(c);
  }
};

}  // namespace

CEditDescDialog::CEditDescDialog(const QString& text, QWidget* parent) : QDialog(parent), m_original(text) {
  setWindowTitle(QStringLiteral("Редактирование описания объекта"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 270, 68);

  m_edit = new QLineEdit(this);
  m_edit->setObjectName(QStringLiteral("description"));
  m_edit->setMaxLength(250);
  m_edit->setValidator(new CCp1251Validator(m_edit));
  m_edit->setText(text);
  m_edit->setPlaceholderText(QStringLiteral("например: котельная № 2, подающий трубопровод"));
  const int editHeight = ControlHeight(du, 13, m_edit);
  // Centred on the row the layout gives it (19 units, taller than a line).
  m_edit->setGeometry(du.X(15), du.Y(18) + (du.Y(19) - editHeight) / 2, du.X(237), editHeight);
  // What the field is for: the description goes with the archive, into its
  // file, the printed pages and the reports.
  m_label = new QLabel(QStringLiteral("&Описание объекта (до 250 знаков):"), this);
  m_label->setObjectName(QStringLiteral("label"));
  m_label->setBuddy(m_edit);
  m_label->setGeometry(du.X(15), m_edit->y() - du.Y(11), du.X(237), du.Y(10));

  QPushButton* ok = AddButton(this, QStringLiteral("OK"), du.Rect(65, 44, 50, 14));
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), du.Rect(153, 44, 50, 14));
  connect(ok, &QPushButton::clicked, this, &CEditDescDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CEditDescDialog::reject);
  // Not isModified(): the validator's filtering clears it.
  connect(m_edit, &QLineEdit::textEdited, this, [this] { m_edited = true; });
  m_edit->setFocus();
}

QString CEditDescDialog::Text() const {
  // The field holds one line of at most 250 characters: a description from
  // a file may be longer or have line breaks, and stays as it was unless
  // the user changes it.
  return m_edited ? m_edit->text() : m_original;
}

}  // namespace tkq::gui
