#include "gui/dialogs/port_settings_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <optional>

#include "core/link/serial_ports.h"
#include "gui/dialogs/dialog_layout.h"
#include "gui/dialogs/integer_field.h"
#include "gui/dialogs/search_dialog.h"

namespace tkq::gui {

CPortSettings::CPortSettings(const QString& port, int baudIndex, int address, QWidget* parent)
    : QDialog(parent), m_nAddress(address) {
  setWindowTitle(QStringLiteral("Параметры связи"));
  const CDialogUnits du(font());
  // Wider than the four COM names need: device paths such as
  // /dev/serial/by-id/usb-FTDI_... must be readable.
  SetDialogSize(this, du, 260, 84);

  m_cbPort = new QComboBox(this);
  m_cbPort->setObjectName(QStringLiteral("port"));
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
  m_cbBaudRate->setObjectName(QStringLiteral("baudRate"));
  m_cbBaudRate->addItems(kBaudRates);
  m_cbBaudRate->setGeometry(du.X(84), du.Y(22), du.X(50), ControlHeight(du, 12, m_cbBaudRate));

  m_editAddress = new QLineEdit(QString::number(address), this);
  m_editAddress->setObjectName(QStringLiteral("address"));
  m_editAddress->setGeometry(du.X(83), du.Y(40), du.X(50), ControlHeight(du, 12, m_editAddress));

  AddLabel(this, QStringLiteral("Порт:"), du.Rect(8, 9, 50, 8), m_cbPort);
  AddLabel(this, QStringLiteral("Скорость обмена:"), du.Rect(7, 24, 76, 8), m_cbBaudRate);
  AddLabel(this, QStringLiteral("Электронный номер:"), du.Rect(8, 41, 74, 8), m_editAddress);

  m_find = AddButton(this, QStringLiteral("Найти прибор..."), du.Rect(7, 63, 70, 14));
  m_find->setObjectName(QStringLiteral("findInstrument"));
  QPushButton* ok = AddButton(this, QStringLiteral("OK"), du.Rect(148, 63, 50, 14));
  ok->setDefault(true);
  QPushButton* cancel = AddButton(this, QStringLiteral("Отмена"), du.Rect(202, 63, 50, 14));
  connect(m_find, &QPushButton::clicked, this, &CPortSettings::FindInstrument);
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
  // (Connected once the start's port is in place: that is no choice.)
  connect(m_cbPort, &QComboBox::activated, this, [this] { m_portChosen = true; });
  connect(m_cbPort->lineEdit(), &QLineEdit::textEdited, this, [this] { m_portChosen = true; });
  const auto showName = [this](const QString& text) { m_cbPort->setToolTip(text); };
  connect(m_cbPort, &QComboBox::currentTextChanged, this, showName);
  showName(m_cbPort->currentText());
}

QString CPortSettings::PortName() const { return m_cbPort->currentText().trimmed(); }

int CPortSettings::PortIndex() const { return StandardPortIndex(PortName().toStdString()); }

int CPortSettings::BaudIndex() const { return m_cbBaudRate->currentIndex(); }

uint32_t CPortSettings::Baud() const { return kBaudRates.value(BaudIndex()).toUInt(); }

void CPortSettings::FindInstrument() {
  // An address not valid (yet) leaves the one the dialog started with.
  bool ok = false;
  const int typed = m_editAddress->text().trimmed().toInt(&ok);
  const int address = ok && typed >= 0 && typed <= 255 ? typed : m_nAddress;
  CSearchDialog search({PortName().toStdString(), Baud(), static_cast<uint8_t>(address)}, m_portChosen, m_description,
                       this);
  if (search.exec() == QDialog::Accepted) ShowChoice(search.Chosen());
}

void CPortSettings::ShowChoice(const CLinkSettings& found) {
  const QString port = QString::fromStdString(found.port);
  int index = m_cbPort->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    m_cbPort->addItem(port);
    index = m_cbPort->count() - 1;
  }
  m_cbPort->setCurrentIndex(index);
  const int baudIndex = kBaudRates.indexOf(QString::number(found.baudRate));
  if (baudIndex >= 0) m_cbBaudRate->setCurrentIndex(baudIndex);
  m_editAddress->setText(QString::number(found.address));
  m_portChosen = true;
}

void CPortSettings::accept() {
  const std::optional<int> address = ReadIntegerField(this, m_editAddress, 0, 255);
  if (!address) return;
  m_nAddress = *address;
  if (m_onConfirmed) m_onConfirmed(*this);
  QDialog::accept();
}

}  // namespace tkq::gui
