#pragma once
// «Файл › Протокол обследования...»: the dialog of the survey protocol of
// the current archive (its fields, sections and parameter rows), its
// preview and its two files, the PDF and the OpenDocument text.

#include <QDate>
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/journal/survey_journal.h"
#include "core/output/protocol.h"
#include "gui/output/print_command.h"

class QCheckBox;
class QDateEdit;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QVBoxLayout;

namespace tkq {
class CObjectDefinition;
}

namespace tkq::gui {

// The survey journal, opened at the first need; null when it cannot be
// opened (the user was told why).
using CJournalAccess = std::function<CSurveyJournal*()>;

// The survey's typed fields as the journal keeps them, and back.
CSurveyNotes NotesOfFields(const CProtocolSurveyFields& fields);
CProtocolSurveyFields FieldsOfNotes(const CSurveyNotes& notes);

// The name a protocol's file is proposed under, without the extension:
// «Протокол 17 2026-12-09» with a number, else «Протокол Объект 03
// 2026-12-09» (the document's date); characters no file system takes
// become '_'.
QString ProtocolFileStem(const std::string& number, int objectNumber, const QDate& date);

class CProtocolDialog : public QDialog {
  Q_OBJECT
 public:
  // Over the archive of `context`'s document (there must be one), printed
  // and previewed on its printer. `survey`: the journal's survey it is,
  // whose typed fields the dialog starts from and keeps when a protocol is
  // made.
  CProtocolDialog(const CPrintContext& context, CJournalAccess journal, std::optional<int64_t> survey,
                  QWidget* parent = nullptr);
  ~CProtocolDialog() override;

  // What the dialog holds now: the requisites from the profile, the
  // fields, the sections, the rows ticked.
  CProtocolOptions Options() const;
  // The names of the rows ticked, in the tree's order.
  std::vector<std::string> TickedParams() const;
  // Ticks exactly the rows named.
  void TickParams(const std::vector<std::string>& names);
  // «Выбрать по умолчанию».
  void TickDefaults();
  // «Реквизиты...» and the line that shows them.
  void EditRequisites();
  void ShowRequisites();

  // The buttons: the protocol made of the fields now (the choices kept:
  // the survey's fields in the journal, the rows and sections in the
  // profile), then previewed or written. False when nothing was made or
  // written (said, or cancelled).
  bool Preview();
  bool SavePdf();
  bool SaveOdt();

 private:
  // How the rows ticked came about, and so what the profile keeps.
  enum class EParamChoice : uint8_t { kAsStarted, kChosen, kDefaults };

  // The protocol of the fields now; the choices kept. Nullopt when it
  // cannot be made (said).
  std::optional<CProtocolDocument> Make();
  // The dialog's parts, made in the order of their tab stops: the survey's
  // fields (filled from the journal), the sections, the parameter rows
  // with «Выбрать по умолчанию».
  QFormLayout* BuildFields();
  QHBoxLayout* BuildSections(const CObjectDefinition& object);
  QVBoxLayout* BuildParams(const CObjectDefinition& object);
  // Keeps the choices: the survey's fields, the rows and the sections.
  void KeepChoices(const CProtocolOptions& options);
  bool Save(const QString& title, const QString& extension, bool odt);

  CPrintContext m_context;
  CJournalAccess m_journal;
  std::optional<int64_t> m_survey;
  CSurveyNotes m_storedNotes;  // what the journal held when the dialog opened
  bool m_tableChosen = false;  // the user chose the table; else the archive's length does
  EParamChoice m_paramChoice = EParamChoice::kAsStarted;
  bool m_ticking = false;  // the dialog itself ticks rows now

  QLabel* m_requisites = nullptr;
  QPushButton* m_editRequisites = nullptr;
  QLineEdit* m_number = nullptr;
  QDateEdit* m_date = nullptr;
  QLineEdit* m_address = nullptr;
  QLineEdit* m_client = nullptr;
  QPlainTextEdit* m_remarks = nullptr;
  QRadioButton* m_days = nullptr;
  QRadioButton* m_months = nullptr;
  QRadioButton* m_noTable = nullptr;
  QCheckBox* m_chart = nullptr;
  QCheckBox* m_situations = nullptr;
  QTreeWidget* m_params = nullptr;
  QPushButton* m_defaults = nullptr;
  QPushButton* m_preview = nullptr;
  QPushButton* m_savePdf = nullptr;
  QPushButton* m_saveOdt = nullptr;
  QPushButton* m_close = nullptr;
};

// «Файл › Протокол обследования...» of the archive of `context`'s document
// (nothing without one), the journal's survey `survey`.
void ProtocolCommand(const CPrintContext& context, const CJournalAccess& journal, std::optional<int64_t> survey,
                     QWidget* parent);

}  // namespace tkq::gui
