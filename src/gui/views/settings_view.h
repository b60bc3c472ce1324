#pragma once
// "Настройка просмотра": which object is open and when it was read, its
// description, what the archive's two value columns show (output type and
// unit of each, or the resulting parameter), and which of the seven
// columns the archive table shows. Every change takes effect at once.

#include <QScrollArea>
#include <array>

#include "gui/views/view_commands.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace tkq::gui {

class CArchiveDocument;
class CDialogUnits;

class CObjViewSettings : public QScrollArea, public CViewCommands {
  Q_OBJECT
 public:
  explicit CObjViewSettings(CArchiveDocument& document, QWidget* parent = nullptr);

  // Refills both output-type lists for the result flag as checked, selects
  // the first entry of each, then FillUnits.
  void FillOutputTypes();
  // Refills both unit lists for the selected output types, selects the
  // first of each, then ReadColumnSwitches.
  void FillUnits();
  // Passes the four selections and the result flag to the object.
  void ApplyOutputTypes();
  // Copies the seven check boxes into the application's column switches.
  void ReadColumnSwitches();
  // Opens the description dialog; on OK the object and the field take it.
  void EditDescription();

  QString HelpTopic() const override;
  // The whole form, so that its window opens without scroll bars.
  QSize sizeHint() const override;

 private:
  void BuildForm();
  // The form's parts: the object's title and description, the output
  // types with their units, the column switches; then their signals.
  void BuildDescription(QWidget* form, const CDialogUnits& u);
  void BuildOutputTypes(QWidget* form, const CDialogUnits& u);
  void BuildColumnSwitches(QWidget* form, const CDialogUnits& u);
  void ConnectControls();
  void InitialUpdate();
  // An event of a control: the steps before it, then the refresh of the
  // archive table.
  void AfterChange();

  CArchiveDocument& m_document;

  QLineEdit* m_title = nullptr;         // 1028
  QTextEdit* m_description = nullptr;   // 1027
  QPushButton* m_editButton = nullptr;  // 1024
  QComboBox* m_outputType1 = nullptr;   // 1012
  QComboBox* m_unit1 = nullptr;         // 1014
  QComboBox* m_outputType2 = nullptr;   // 1013
  QComboBox* m_unit2 = nullptr;         // 1015
  QCheckBox* m_result = nullptr;        // 1009
  QCheckBox* m_showFirst = nullptr;     // 1005
  QCheckBox* m_showSecond = nullptr;    // 1006
  QCheckBox* m_showTime = nullptr;      // 1007
  QCheckBox* m_showStart = nullptr;     // 1008
  QCheckBox* m_showEnd = nullptr;       // 1020
  QCheckBox* m_showAbnormal = nullptr;  // 1021
  QCheckBox* m_showNumber = nullptr;    // 1022
};

}  // namespace tkq::gui
