#include "gui/dialogs/object_number_dialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <optional>

#include "gui/dialogs/dialog_layout.h"
#include "gui/dialogs/integer_field.h"

namespace tkq::gui {
namespace {

constexpr int kFirstObject = 1;
constexpr int kLastObject = 20;

// Up and Down in the object number's field step the number, as the arrow
// buttons beside it do.
class CArrowKeysFilter : public QObject {
 public:
  CArrowKeysFilter(QObject* parent, std::function<void(int)> step) : QObject(parent), m_step(std::move(step)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        m_step(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(int)> m_step;
};

}  // namespace

CInputREadObjDialog::CInputREadObjDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Выбор объекта"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 150, 62);

  m_edit = new QLineEdit(this);
  m_edit->setObjectName(QStringLiteral("number"));
  const int editHeight = ControlHeight(du, 13, m_edit);
  m_edit->setGeometry(du.X(72), du.Y(12), du.X(34), editHeight);
  AddLabel(this, QStringLiteral("Номер объекта:"), du.Rect(12, 12, 58, 8), m_edit);

  // The spin control: two arrow buttons sharing the field's height, right
  // of it. They take no focus, so typing goes on in the field.
  const int spinX = m_edit->geometry().right() + 1;
  const int spinWidth = std::max(du.X(10), editHeight * 2 / 3);
  const int upHeight = editHeight / 2;
  const auto makeArrow = [this](Qt::ArrowType arrow) {
    auto* button = new QToolButton(this);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  m_up = makeArrow(Qt::UpArrow);
  m_up->setObjectName(QStringLiteral("up"));
  m_up->setGeometry(spinX, m_edit->y(), spinWidth, upHeight);
  m_down = makeArrow(Qt::DownArrow);
  m_down->setObjectName(QStringLiteral("down"));
  m_down->setGeometry(spinX, m_edit->y() + upHeight, spinWidth, editHeight - upHeight);

  // A step starts from the number in the field (brought into range; the
  // first number when the field holds none) and stays within the range.
  const auto step = [this](int delta) {
    const int current = std::clamp(ParseInteger(m_edit->text()).value_or(kFirstObject), kFirstObject, kLastObject);
    m_edit->setText(QString::number(std::clamp(current + delta, kFirstObject, kLastObject)));
    m_edit->selectAll();
  };
  connect(m_up, &QToolButton::clicked, this, [step] { step(1); });
  connect(m_down, &QToolButton::clicked, this, [step] { step(-1); });
  m_edit->installEventFilter(new CArrowKeysFilter(m_edit, step));

  QPushButton* ok = AddButton(this, QStringLiteral("OK"), du.Rect(16, 38, 50, 14));
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), du.Rect(84, 38, 50, 14));
  connect(ok, &QPushButton::clicked, this, &CInputREadObjDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CInputREadObjDialog::reject);

  m_edit->setText(QString::number(kFirstObject));
  m_edit->selectAll();
  m_edit->setFocus();
}

void CInputREadObjDialog::accept() {
  const std::optional<int> number = ReadIntegerField(this, m_edit, kFirstObject, kLastObject);
  if (!number) return;
  m_nObjectNumber = *number;
  m_bAccepted = true;
  QDialog::accept();
}

}  // namespace tkq::gui
