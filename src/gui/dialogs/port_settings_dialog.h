#pragma once
// "Параметры связи": the serial port, the baud rate and the instrument's
// address.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <utility>

#include "core/link/modbus.h"  // CLinkSettings
#include "gui/base/profile.h"  // kBaudRates

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tkq {
class CReadParamClass;
}

namespace tkq::gui {

// "Параметры связи": port, baud rate and the instrument's address. The
// ports offered are those FindSerialPorts() finds, in its order.
class CPortSettings : public QDialog {
  Q_OBJECT
 public:
  // `port` is "COM1".."COM4" or any other name the user chose before.
  CPortSettings(const QString& port, int baudIndex, int address, QWidget* parent = nullptr);

  // The choice, valid after the dialog was confirmed.
  QString PortName() const;  // "COM2", or the typed or chosen device path
  int PortIndex() const;     // 0..3 for "COM1".."COM4", -1 for any other name
  int BaudIndex() const;
  uint32_t Baud() const;
  int Address() const { return m_nAddress; }

  // Called on OK once the address is valid, before the dialog closes (the
  // program applies the choice and tests the port there).
  void SetOnConfirmed(std::function<void(CPortSettings&)> onConfirmed) { m_onConfirmed = std::move(onConfirmed); }
  // Tells "Найти прибор..." which versions are known (may stay null).
  void SetDescription(const CReadParamClass* description) { m_description = description; }
  // Whether the port the dialog starts with was the user's choice (not the
  // default, which need not exist); choosing or typing one makes it so.
  void SetPortChosen(bool chosen) { m_portChosen = chosen; }

  // "Найти прибор...": the search from the fields' settings; a result
  // applied there fills the fields, to be confirmed with OK.
  void FindInstrument();
  // Puts `found` into the fields.
  void ShowChoice(const CLinkSettings& found);

  void accept() override;

 private:
  int m_nAddress = 1;
  std::function<void(CPortSettings&)> m_onConfirmed;
  const CReadParamClass* m_description = nullptr;
  bool m_portChosen = true;

  QComboBox* m_cbPort = nullptr;
  QComboBox* m_cbBaudRate = nullptr;
  QLineEdit* m_editAddress = nullptr;
  QPushButton* m_find = nullptr;
};

}  // namespace tkq::gui
