#pragma once
// The program's dialogs: connection settings, object number, object
// description, the about box and the list of supported versions.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;

#include "gui/app/profile.h"

namespace tkq {
struct CInstrumentContents;
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
  std::function<void(CPortSettings&)> m_onConfirmed;

  QComboBox* m_cbPort = nullptr;
  QComboBox* m_cbBaudRate = nullptr;
  QLineEdit* m_editAddress = nullptr;

  void accept() override;

 private:
  int m_nAddress = 1;
};

// "Выбор объекта": the number of the object to read, 1 to 20.
class CInputREadObjDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CInputREadObjDialog(QWidget* parent = nullptr);

  int m_nObjectNumber = 0;
  bool m_bAccepted = false;

  QLineEdit* m_edit = nullptr;
  QToolButton* m_up = nullptr;
  QToolButton* m_down = nullptr;

  void accept() override;
};

// "Редактирование описания объекта": at most 250 characters, only those
// the program can store (code page 1251).
class CEditDescDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CEditDescDialog(const QString& text, QWidget* parent = nullptr);
  // What the user typed; `text` itself, whole, until the user changes it.
  QString Text() const;

  QLineEdit* m_edit = nullptr;
  QLabel* m_label = nullptr;  // says what the field is for

 private:
  QString m_original;
  bool m_bEdited = false;
};

// "О программе".
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// "Поддерживаемые версии  ПО прибора": every version name, sorted without
// regard to case.
class CListVersionsDialog : public QDialog {
  Q_OBJECT
 public:
  CListVersionsDialog(const std::vector<std::string>& names, QWidget* parent = nullptr);

  QListWidget* m_list = nullptr;
};

// "Содержимое прибора": the objects on the instrument, each with its
// records, the time its read takes and its files; "Читать" or a double
// click chooses one (not one that cannot be read).
class CInstrumentContentsDialog : public QDialog {
  Q_OBJECT
 public:
  CInstrumentContentsDialog(const CInstrumentContents& contents, uint32_t baud, QWidget* parent = nullptr);
  // The object chosen, 0 for none.
  int ChosenObject() const { return m_nChosen; }

  QTableWidget* m_table = nullptr;
  QPushButton* m_read = nullptr;

 private:
  void Choose();

  std::vector<int> m_objects;  // the object of each row, 0 when it cannot be read
  int m_nChosen = 0;
};

// "Сохранить график": the file (PNG, SVG or PDF by its extension, chosen
// with "Обзор...") and the picture's size in points.
class CSaveChartDialog : public QDialog {
  Q_OBJECT
 public:
  CSaveChartDialog(const QString& file, QSize size, QWidget* parent = nullptr);
  QString File() const;
  QSize Size() const;

  QLineEdit* m_file = nullptr;
  QSpinBox* m_width = nullptr;
  QSpinBox* m_height = nullptr;
};

}  // namespace tkq::gui
