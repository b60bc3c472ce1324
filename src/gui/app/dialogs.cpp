#include "gui/app/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <climits>
#include <optional>

#include "core/archive/instrument_contents.h"
#include "core/base/cp1251.h"
#include "core/link/serial_ports.h"
#include "gui/app/dialog_units.h"
#include "gui/app/ui_services.h"
#include "render/archive_chart.h"
#include "tkq_version.h"

namespace tkq::gui {

namespace {

bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A decimal integer with optional sign and surrounding blanks. Values too
// large for an int are saturated, so they fail the range check rather than
// pass for "not a number".
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

// Reads `edit` as an integer in lo..hi. On failure tells the user why and
// puts the focus back into the field with its text selected.
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

QPushButton* AddButton(QDialog* dialog, const QString& text, const QRect& rect) {
  auto* button = new QPushButton(text, dialog);
  button->setGeometry(rect);
  return button;
}

// A label left of `control`: its horizontal place from the layout, centred
// on the control's row so that it lines up whatever height the style gives
// the control.
QLabel* AddLabel(QDialog* dialog, const QString& text, const QRect& rect, const QWidget* control) {
  auto* label = new QLabel(text, dialog);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setGeometry(rect.x(), control->y(), rect.width(), control->height());
  return label;
}

// Fixed-size dialog of `w` x `h` dialog units of its own font.
void SetDialogSize(QDialog* dialog, const CDialogUnits& du, int w, int h) {
  dialog->setFixedSize(du.Size(w, h));
  dialog->setSizeGripEnabled(false);
}

// Height for a control placed at a nominal `dluHeight`: never less than the
// style wants, so frames and arrows are not clipped.
int ControlHeight(const CDialogUnits& du, int dluHeight, const QWidget* control) {
  return std::max(du.Y(dluHeight), control->sizeHint().height());
}

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

// The about box's picture: the program's icon when it has one, otherwise
// a drawing of the instrument (a hand-held unit with its display and keys).
QPixmap AboutPicture(int side, qreal ratio) {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    const QSize largest = icon.actualSize(QSize(256, 256));
    return icon.pixmap(largest).scaled(QSize(side, side) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  QPixmap pixmap(QSize(side, side) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = side / 32.0;
  p.scale(s, s);
  p.setPen(QPen(QColor(0x20, 0x30, 0x48), 1.2));
  p.setBrush(QColor(0x3a, 0x5f, 0x8f));
  p.drawRoundedRect(QRectF(6, 1.5, 20, 29), 3, 3);
  p.setBrush(QColor(0xc8, 0xe6, 0xc0));
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setPen(QColor(0x20, 0x40, 0x20));
  QFont digits = QApplication::font();
  digits.setPixelSize(6);
  digits.setBold(true);
  p.setFont(digits);
  p.drawText(QRectF(9, 5, 14, 9), Qt::AlignCenter, QStringLiteral("KQ"));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe8, 0xe8, 0xe8));
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 3; ++col) p.drawEllipse(QRectF(9.5 + col * 5, 18 + row * 5, 3, 3));
  }
  return pixmap;
}

}  // namespace

// ---------------------------------------------------------------------------
// CPortSettings

CPortSettings::CPortSettings(const QString& port, int baudIndex, int address, QWidget* parent)
    : QDialog(parent), m_nAddress(address) {
  setWindowTitle(QStringLiteral("Параметры связи"));
  const CDialogUnits du(font());
  // Wider than the four COM names need: device paths such as
  // /dev/serial/by-id/usb-FTDI_... must be readable.
  SetDialogSize(this, du, 260, 84);

  m_cbPort = new QComboBox(this);
  m_cbPort->setEditable(true);  // any device path may be typed
  m_cbPort->setInsertPolicy(QComboBox::NoInsert);
  // Each found port tells what it is when the pointer rests on it in the list.
  for (const CSerialPort& found : FindSerialPorts().ports) {
    m_cbPort->addItem(QString::fromStdString(found.name));
    m_cbPort->setItemData(m_cbPort->count() - 1, QString::fromStdString(found.device + ": " + PortDescription(found)),
                          Qt::ToolTipRole);
  }
  m_cbPort->setGeometry(du.X(84), du.Y(7), du.X(168), ControlHeight(du, 12, m_cbPort));

  m_cbBaudRate = new QComboBox(this);
  m_cbBaudRate->addItems(kBaudRates);
  m_cbBaudRate->setGeometry(du.X(84), du.Y(22), du.X(50), ControlHeight(du, 12, m_cbBaudRate));

  m_editAddress = new QLineEdit(QString::number(address), this);
  m_editAddress->setGeometry(du.X(83), du.Y(40), du.X(50), ControlHeight(du, 12, m_editAddress));

  AddLabel(this, QStringLiteral("Порт:"), du.Rect(8, 9, 50, 8), m_cbPort);
  AddLabel(this, QStringLiteral("Скорость обмена:"), du.Rect(7, 24, 76, 8), m_cbBaudRate);
  AddLabel(this, QStringLiteral("Электронный номер:"), du.Rect(8, 41, 74, 8), m_editAddress);

  QPushButton* ok = AddButton(this, QStringLiteral("OK"), du.Rect(73, 63, 50, 14));
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), du.Rect(138, 63, 50, 14));
  connect(ok, &QPushButton::clicked, this, &CPortSettings::accept);
  connect(cancel, &QPushButton::clicked, this, &CPortSettings::reject);

  int portIndex = port.isEmpty() ? 1 : m_cbPort->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (portIndex < 0) {
    m_cbPort->addItem(port);
    portIndex = m_cbPort->count() - 1;
  }
  m_cbPort->setCurrentIndex(portIndex);
  m_cbBaudRate->setCurrentIndex(baudIndex >= 0 && baudIndex < kBaudRates.size() ? baudIndex : 3);

  // Device paths are longer than the field: the list opens as wide as its
  // longest entry, and the field's tooltip shows the whole name.
  const QFontMetrics fm(m_cbPort->font());
  int widest = 0;
  for (int i = 0; i < m_cbPort->count(); ++i) widest = std::max(widest, fm.horizontalAdvance(m_cbPort->itemText(i)));
  m_cbPort->view()->setMinimumWidth(std::max(m_cbPort->width(), widest + du.X(12)));
  const auto showName = [this](const QString& text) { m_cbPort->setToolTip(text); };
  connect(m_cbPort, &QComboBox::currentTextChanged, this, showName);
  showName(m_cbPort->currentText());
}

QString CPortSettings::PortName() const { return m_cbPort->currentText().trimmed(); }

int CPortSettings::PortIndex() const { return StandardPortIndex(PortName().toStdString()); }

int CPortSettings::BaudIndex() const { return m_cbBaudRate->currentIndex(); }

uint32_t CPortSettings::Baud() const { return kBaudRates.value(BaudIndex()).toUInt(); }

void CPortSettings::accept() {
  const std::optional<int> address = ReadIntegerField(this, m_editAddress, 0, 255);
  if (!address) return;
  m_nAddress = *address;
  if (m_onConfirmed) m_onConfirmed(*this);
  QDialog::accept();
}

// ---------------------------------------------------------------------------
// CInputREadObjDialog

namespace {
constexpr int kFirstObject = 1;
constexpr int kLastObject = 20;
}  // namespace

CInputREadObjDialog::CInputREadObjDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Выбор объекта"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 150, 62);

  m_edit = new QLineEdit(this);
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
  m_up->setGeometry(spinX, m_edit->y(), spinWidth, upHeight);
  m_down = makeArrow(Qt::DownArrow);
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

// ---------------------------------------------------------------------------
// CEditDescDialog

CEditDescDialog::CEditDescDialog(const QString& text, QWidget* parent) : QDialog(parent), m_original(text) {
  setWindowTitle(QStringLiteral("Редактирование описания объекта"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 270, 68);

  m_edit = new QLineEdit(this);
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
  m_label->setBuddy(m_edit);
  m_label->setGeometry(du.X(15), m_edit->y() - du.Y(11), du.X(237), du.Y(10));

  QPushButton* ok = AddButton(this, QStringLiteral("OK"), du.Rect(65, 44, 50, 14));
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), du.Rect(153, 44, 50, 14));
  connect(ok, &QPushButton::clicked, this, &CEditDescDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CEditDescDialog::reject);
  // Not isModified(): the validator's filtering clears it.
  connect(m_edit, &QLineEdit::textEdited, this, [this] { m_bEdited = true; });
  m_edit->setFocus();
}

QString CEditDescDialog::Text() const {
  // The field holds one line of at most 250 characters: a description from
  // a file may be longer or have line breaks, and stays as it was unless
  // the user changes it.
  return m_bEdited ? m_edit->text() : m_original;
}

// ---------------------------------------------------------------------------
// CAboutDlg

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("О программе"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 235, 121);

  const int side = du.Y(32);
  auto* picture = new QLabel(this);
  picture->setPixmap(AboutPicture(side, devicePixelRatio()));
  picture->setAlignment(Qt::AlignCenter);
  picture->setGeometry(du.X(10), du.Y(10), side, side);

  const auto addText = [this, &du](const QString& text, int y, int h) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(du.Rect(52, y, 173, h));
    return label;
  };
  QLabel* name = addText(QStringLiteral("Монитор Тарвик КУ (пользовательская версия)"), 10, 18);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  addText(QStringLiteral("Чтение и просмотр архивов портативного ультразвукового расходомера Тарвик КУ"), 32, 18);
  addText(QStringLiteral("Версия " TKQ_VERSION_TEXT), 56, 9);
  addText(QStringLiteral("Чтение архивов по последовательному порту (Modbus RTU)"), 70, 18);

  QPushButton* close = AddButton(this, QStringLiteral("ЗАКРЫТЬ"), du.Rect(92, 98, 50, 14));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CAboutDlg::accept);
}

// ---------------------------------------------------------------------------
// CListVersionsDialog

CListVersionsDialog::CListVersionsDialog(const std::vector<std::string>& names, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Поддерживаемые версии  ПО прибора"));
  const CDialogUnits du(font());
  SetDialogSize(this, du, 171, 73);

  m_list = new QListWidget(this);
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

// ---------------------------------------------------------------------------
// CInstrumentContentsDialog

CInstrumentContentsDialog::CInstrumentContentsDialog(const CInstrumentContents& contents, uint32_t baud,
                                                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Содержимое прибора");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Прибор: " + QString::fromStdString(contents.deviceId), this));
  m_table = new QTableWidget(static_cast<int>(contents.objects.size()), 4, this);
  m_table->setHorizontalHeaderLabels({"Объект", "Записей", QString("Чтение (%1 бод)").arg(baud), "Файлы, байт"});
  m_table->verticalHeader()->hide();
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->horizontalHeader()->setStretchLastSection(true);
  int row = 0;
  for (const CObjectContents& object : contents.objects) {
    QString files;
    for (const CObjectFileInfo& file : object.files) {
      files += (files.isEmpty() ? "" : ", ") + QString::fromStdString(file.name) + " " + QString::number(file.size);
    }
    const std::string obstacle = UnreadableReason(object);
    if (!obstacle.empty()) files += "; не будет прочитан: " + QString::fromStdString(obstacle);
    const QStringList cells = {QString::number(object.object), QString::number(object.records),
                               object.readable ? QString::fromStdString(ReadTimeText(object.readSeconds)) : "—", files};
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setTextAlignment(column < 3 ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
      if (!object.readable) item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
      m_table->setItem(row, column, item);
    }
    m_objects.push_back(object.readable ? object.object : 0);
    ++row;
  }
  m_table->resizeColumnsToContents();
  m_table->setMinimumWidth(std::min(m_table->horizontalHeader()->length() + 30, 1000));
  layout->addWidget(m_table);
  if (contents.objects.empty()) layout->addWidget(new QLabel("Объектов на приборе нет", this));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  m_read = new QPushButton("Читать", this);
  m_read->setDefault(true);
  m_read->setEnabled(false);
  auto* close = new QPushButton("Закрыть", this);
  buttons->addWidget(m_read);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(m_read, &QPushButton::clicked, this, &CInstrumentContentsDialog::Choose);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { Choose(); });
  connect(m_table, &QTableWidget::currentCellChanged, this, [this](int current) {
    m_read->setEnabled(current >= 0 && current < static_cast<int>(m_objects.size()) && m_objects[current] > 0);
  });
  // The first object that can be read is ready to go.
  for (size_t i = 0; i < m_objects.size(); ++i) {
    if (m_objects[i] > 0) {
      m_table->selectRow(static_cast<int>(i));
      break;
    }
  }
}

void CInstrumentContentsDialog::Choose() {
  const int row = m_table->currentRow();
  if (row < 0 || row >= static_cast<int>(m_objects.size()) || m_objects[row] == 0) return;
  m_nChosen = m_objects[row];
  accept();
}

// ---------------------------------------------------------------------------
// CSaveChartDialog

CSaveChartDialog::CSaveChartDialog(const QString& file, QSize size, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Сохранить график");
  m_file = new QLineEdit(file, this);
  m_file->setMinimumWidth(fontMetrics().horizontalAdvance(QString(48, QChar('x'))));
  auto* browse = new QPushButton("Обзор...", this);
  connect(browse, &QPushButton::clicked, this, [this] {
    QStringList filters;
    for (const QString& format : CArchiveChart::ImageFormats()) {
      filters << (format == "pdf" ? QStringLiteral("Документ PDF (*.pdf)")
                                  : QStringLiteral("Рисунок %1 (*.%2)").arg(format.toUpper(), format));
    }
    const QString chosen = QFileDialog::getSaveFileName(this, "Сохранить график", m_file->text(), filters.join(";;"));
    if (!chosen.isEmpty()) m_file->setText(chosen);
  });
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(browse);
  m_width = new QSpinBox(this);
  m_height = new QSpinBox(this);
  for (QSpinBox* box : {m_width, m_height}) {
    box->setRange(100, 10000);
    box->setSingleStep(100);
  }
  m_width->setValue(size.width());
  m_height->setValue(size.height());
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(m_width);
  sizeRow->addWidget(new QLabel("×", this));
  sizeRow->addWidget(m_height);
  sizeRow->addWidget(new QLabel("точек", this));
  sizeRow->addStretch(1);
  auto* form = new QFormLayout;
  form->addRow("Файл (" + CArchiveChart::ImageFormatsText() + "):", fileRow);
  form->addRow("Размер:", sizeRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    const QString suffix = QFileInfo(File()).suffix().toLower();
    if (File().isEmpty() || !CArchiveChart::ImageFormats().contains(suffix)) {
      AppMessage(this, "Укажите файл с расширением ." +
                           CArchiveChart::ImageFormatsText().toLower().replace(", ", ", .").replace(" или ", " или ."));
      return;
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString CSaveChartDialog::File() const { return m_file->text().trimmed(); }
QSize CSaveChartDialog::Size() const { return {m_width->value(), m_height->value()}; }

}  // namespace tkq::gui
