#include "gui/output/protocol_command.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>
#include <set>

#include "core/archive/object_definition.h"
#include "core/base/system_errors.h"
#include "core/output/summary.h"
#include "gui/base/archive_document.h"
#include "gui/base/file_written.h"
#include "gui/base/messages.h"
#include "gui/base/profile.h"
#include "gui/base/ui_services.h"
#include "gui/dialogs/requisites_dialog.h"
#include "gui/output/print_preview.h"
#include "render/protocol_pages.h"
#include "render/protocol_profile.h"

namespace tkq::gui {
namespace {

namespace key = render::protocol_key;

QString Text(const std::string& s) { return QString::fromStdString(s); }
std::string Utf8(const QString& s) { return s.trimmed().toStdString(); }

constexpr int kNameRole = Qt::UserRole;

}  // namespace

CSurveyNotes NotesOfFields(const CProtocolSurveyFields& fields) {
  return {fields.number, fields.address, fields.client, fields.remarks};
}

CProtocolSurveyFields FieldsOfNotes(const CSurveyNotes& notes) {
  return {notes.number, notes.address, notes.client, notes.remarks};
}

QString ProtocolFileStem(const std::string& number, int objectNumber, const QDate& date) {
  QString what = Text(number).simplified();
  if (what.isEmpty()) what = QStringLiteral("Объект %1").arg(objectNumber, 2, 10, QLatin1Char('0'));
  QString stem = QStringLiteral("Протокол %1 %2").arg(what, date.toString(QStringLiteral("yyyy-MM-dd")));
  for (QChar& c : stem) {
    if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c)) c = QLatin1Char('_');
  }
  return stem;
}

CProtocolDialog::CProtocolDialog(const CPrintContext& context, CJournalAccess journal, std::optional<int64_t> survey,
                                 QWidget* parent)
    : QDialog(parent), m_context(context), m_journal(std::move(journal)), m_survey(survey) {
  setWindowTitle(QStringLiteral("Протокол обследования"));
  setWhatsThis(
      QStringLiteral("Протокол обследования открытого архива: поля документа, его разделы и параметры "
                     "прибора; просмотр, печать и запись в PDF или ODT."));
  const CObjectDefinition& object = *context.document.Object();

  // Who makes it: shown, changed in its own dialog.
  m_requisites = new QLabel(this);
  m_requisites->setObjectName(QStringLiteral("requisites"));
  m_requisites->setWordWrap(true);
  m_requisites->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_editRequisites = new QPushButton(QStringLiteral("&Реквизиты..."), this);
  m_editRequisites->setObjectName(QStringLiteral("editRequisites"));
  auto* requisitesRow = new QHBoxLayout;
  requisitesRow->addWidget(m_requisites, 1);
  requisitesRow->addWidget(m_editRequisites, 0, Qt::AlignTop);

  QFormLayout* fields = BuildFields();

  QHBoxLayout* sections = BuildSections(object);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(sections);
  left->addStretch(1);

  QVBoxLayout* right = BuildParams(object);

  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 1);
  middle->addLayout(right, 1);

  auto* buttons = new QDialogButtonBox(this);
  m_preview = buttons->addButton(QStringLiteral("Пр&осмотр"), QDialogButtonBox::ActionRole);
  m_preview->setObjectName(QStringLiteral("preview"));
  m_savePdf = buttons->addButton(QStringLiteral("Сохранить &PDF..."), QDialogButtonBox::ActionRole);
  m_savePdf->setObjectName(QStringLiteral("savePdf"));
  m_saveOdt = buttons->addButton(QStringLiteral("Сохранить &ODT..."), QDialogButtonBox::ActionRole);
  m_saveOdt->setObjectName(QStringLiteral("saveOdt"));
  m_close = buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
  m_close->setObjectName(QStringLiteral("close"));
  m_preview->setDefault(true);
  connect(m_preview, &QPushButton::clicked, this, &CProtocolDialog::Preview);
  connect(m_savePdf, &QPushButton::clicked, this, &CProtocolDialog::SavePdf);
  connect(m_saveOdt, &QPushButton::clicked, this, &CProtocolDialog::SaveOdt);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_editRequisites, &QPushButton::clicked, this, &CProtocolDialog::EditRequisites);
  connect(m_defaults, &QPushButton::clicked, this, &CProtocolDialog::TickDefaults);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(requisitesRow);
  layout->addLayout(middle, 1);
  layout->addWidget(buttons);
  resize(fontMetrics().averageCharWidth() * 180, fontMetrics().lineSpacing() * 34);
  ShowRequisites();
  m_number->setFocus();
}

QFormLayout* CProtocolDialog::BuildFields() {
  // The survey's own fields.
  m_number = new QLineEdit(this);
  m_number->setObjectName(QStringLiteral("number"));
  m_date = new QDateEdit(QDate::currentDate(), this);
  m_date->setObjectName(QStringLiteral("date"));
  m_date->setCalendarPopup(true);
  m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  m_address = new QLineEdit(this);
  m_address->setObjectName(QStringLiteral("address"));
  m_client = new QLineEdit(this);
  m_client->setObjectName(QStringLiteral("client"));
  m_remarks = new QPlainTextEdit(this);
  m_remarks->setObjectName(QStringLiteral("remarks"));
  m_remarks->setTabChangesFocus(true);
  m_remarks->setFixedHeight(fontMetrics().lineSpacing() * 4 + 12);
  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(m_number, 1);
  auto* dateLabel = new QLabel(QStringLiteral("&Дата:"), this);
  dateLabel->setBuddy(m_date);
  numberRow->addWidget(dateLabel);
  numberRow->addWidget(m_date);
  auto* fields = new QFormLayout;
  auto* numberLabel = new QLabel(QStringLiteral("&Номер:"), this);
  numberLabel->setBuddy(m_number);
  fields->addRow(numberLabel, numberRow);
  fields->addRow(QStringLiteral("&Адрес:"), m_address);
  fields->addRow(QStringLiteral("&Потребитель:"), m_client);
  fields->addRow(QStringLiteral("При&мечания:"), m_remarks);
  if (m_survey) {
    if (CSurveyJournal* journal = m_journal()) {
      if (const std::optional<CSurveyNotes> notes = journal->ProtocolFields(*m_survey)) m_storedNotes = *notes;
    }
  }
  m_number->setText(Text(m_storedNotes.number));
  m_address->setText(Text(m_storedNotes.address));
  m_client->setText(Text(m_storedNotes.client));
  m_remarks->setPlainText(Text(m_storedNotes.remarks));
  return fields;
}

QHBoxLayout* CProtocolDialog::BuildSections(const CObjectDefinition& object) {
  QSettings& settings = m_context.profile.Settings();
  // The sections: the table preselected by the archive's length.
  auto* tableBox = new QGroupBox(QStringLiteral("Таблица"), this);
  m_days = new QRadioButton(QStringLiteral("По &суткам"), tableBox);
  m_days->setObjectName(QStringLiteral("days"));
  m_months = new QRadioButton(QStringLiteral("По мес&яцам"), tableBox);
  m_months->setObjectName(QStringLiteral("months"));
  m_noTable = new QRadioButton(QStringLiteral("Не&т"), tableBox);
  m_noTable->setObjectName(QStringLiteral("noTable"));
  auto* tableColumn = new QVBoxLayout(tableBox);
  for (QRadioButton* b : {m_days, m_months, m_noTable}) {
    tableColumn->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this] { m_tableChosen = true; });
  }
  switch (ProtocolTableFor(MakeSummary(object, m_context.profile.SummaryHour()), EProtocolTable::kAuto)) {
    case EProtocolTable::kMonths: m_months->setChecked(true); break;
    case EProtocolTable::kNone: m_noTable->setChecked(true); break;
    default: m_days->setChecked(true); break;
  }
  auto* sectionsBox = new QGroupBox(QStringLiteral("Разделы"), this);
  m_chart = new QCheckBox(QStringLiteral("&График"), sectionsBox);
  m_chart->setObjectName(QStringLiteral("chart"));
  m_situations = new QCheckBox(QStringLiteral("Нештатные с&итуации"), sectionsBox);
  m_situations->setObjectName(QStringLiteral("situations"));
  m_chart->setChecked(settings.value(key::kChart, true).toBool());
  m_situations->setChecked(settings.value(key::kSituations, true).toBool());
  auto* sectionsColumn = new QVBoxLayout(sectionsBox);
  sectionsColumn->addWidget(m_chart);
  sectionsColumn->addWidget(m_situations);
  sectionsColumn->addStretch(1);
  auto* sections = new QHBoxLayout;
  sections->addWidget(tableBox);
  sections->addWidget(sectionsBox);
  return sections;
}

QVBoxLayout* CProtocolDialog::BuildParams(const CObjectDefinition& object) {
  QSettings& settings = m_context.profile.Settings();
  // The parameter rows: the archive's tree with check boxes.
  m_params = new QTreeWidget(this);
  m_params->setObjectName(QStringLiteral("params"));
  m_params->setHeaderLabel(QStringLiteral("Параметры прибора в протоколе"));
  m_params->setUniformRowHeights(true);
  for (const CParamTreeItem& group : object.m_paramTree.Items()) {
    auto* groupItem = new QTreeWidgetItem(m_params, QStringList{Text(group.text)});
    groupItem->setFlags(groupItem->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    for (const CParamTreeItem& row : group.children) {
      auto* rowItem = new QTreeWidgetItem(groupItem, QStringList{Text(row.text)});
      rowItem->setFlags(rowItem->flags() | Qt::ItemIsUserCheckable);
      rowItem->setData(0, kNameRole, Text(row.name));
      rowItem->setCheckState(0, Qt::Unchecked);
    }
  }
  bool stored = false;
  const std::vector<std::string> storedParams = render::LoadProtocolParams(settings, stored);
  TickParams(stored ? storedParams : DefaultProtocolParams(object.m_paramTree));
  connect(m_params, &QTreeWidget::itemChanged, this, [this] {
    if (!m_ticking) m_paramChoice = EParamChoice::kChosen;
  });
  m_defaults = new QPushButton(QStringLiteral("Выбрать по &умолчанию"), this);
  m_defaults->setObjectName(QStringLiteral("defaults"));
  m_defaults->setAutoDefault(false);
  auto* right = new QVBoxLayout;
  right->addWidget(m_params, 1);
  right->addWidget(m_defaults, 0, Qt::AlignLeft);
  return right;
}

CProtocolDialog::~CProtocolDialog() = default;

void CProtocolDialog::ShowRequisites() {
  const CProtocolRequisites r = render::LoadRequisites(m_context.profile.Settings());
  QStringList parts;
  if (!r.organisation.empty()) parts << Text(r.organisation);
  QString who = Text(r.technician);
  if (!r.position.empty()) who += (who.isEmpty() ? QString() : QStringLiteral(", ")) + Text(r.position);
  if (!who.isEmpty()) parts << QStringLiteral("исполнитель: %1").arg(who);
  if (!r.logoPath.empty()) parts << QStringLiteral("с логотипом");
  m_requisites->setText(parts.isEmpty() ? QStringLiteral("Реквизиты не заполнены: организация и исполнитель "
                                                         "останутся в протоколе пустыми.")
                                        : QStringLiteral("Реквизиты: %1").arg(parts.join(QStringLiteral("; "))));
}

void CProtocolDialog::EditRequisites() {
  if (gui::EditRequisites(m_context.profile, this)) ShowRequisites();
}

std::vector<std::string> CProtocolDialog::TickedParams() const {
  std::vector<std::string> names;
  for (int g = 0; g < m_params->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = m_params->topLevelItem(g);
    for (int r = 0; r < group->childCount(); ++r) {
      const QTreeWidgetItem* row = group->child(r);
      if (row->checkState(0) == Qt::Checked) names.push_back(row->data(0, kNameRole).toString().toStdString());
    }
  }
  return names;
}

void CProtocolDialog::TickParams(const std::vector<std::string>& names) {
  const std::set<QString> ticked = [&] {
    std::set<QString> set;
    for (const std::string& name : names) set.insert(Text(name));
    return set;
  }();
  m_ticking = true;
  for (int g = 0; g < m_params->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = m_params->topLevelItem(g);
    bool any = false;
    for (int r = 0; r < group->childCount(); ++r) {
      QTreeWidgetItem* row = group->child(r);
      const bool on = ticked.count(row->data(0, kNameRole).toString()) != 0;
      row->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
      any = any || on;
    }
    // The groups with rows ticked are open: what goes into the protocol shows.
    group->setExpanded(any);
  }
  m_ticking = false;
}

void CProtocolDialog::TickDefaults() {
  TickParams(DefaultProtocolParams(m_context.document.Object()->m_paramTree));
  m_paramChoice = EParamChoice::kDefaults;
}

CProtocolOptions CProtocolDialog::Options() const {
  CProtocolOptions options;
  options.requisites = render::LoadRequisites(m_context.profile.Settings());
  options.survey.number = Utf8(m_number->text());
  options.survey.address = Utf8(m_address->text());
  options.survey.client = Utf8(m_client->text());
  // Paragraphs as typed; blank lines at the ends go.
  QString remarks = m_remarks->toPlainText();
  while (remarks.endsWith(QLatin1Char('\n')) || remarks.endsWith(QLatin1Char(' '))) remarks.chop(1);
  while (remarks.startsWith(QLatin1Char('\n'))) remarks.remove(0, 1);
  options.survey.remarks = remarks.toStdString();
  options.date = m_date->date().toString(QStringLiteral("dd.MM.yyyy")).toStdString();
  options.table = !m_tableChosen          ? EProtocolTable::kAuto
                  : m_days->isChecked()   ? EProtocolTable::kDays
                  : m_months->isChecked() ? EProtocolTable::kMonths
                                          : EProtocolTable::kNone;
  options.chart = m_chart->isChecked();
  options.situations = m_situations->isChecked();
  options.params = TickedParams();
  options.reportingHour = m_context.profile.SummaryHour();
  return options;
}

void CProtocolDialog::KeepChoices(const CProtocolOptions& options) {
  QSettings& settings = m_context.profile.Settings();
  settings.setValue(key::kChart, options.chart);
  settings.setValue(key::kSituations, options.situations);
  if (m_paramChoice == EParamChoice::kChosen) render::SaveProtocolParams(settings, options.params);
  // Chosen by default: every archive gets the rows its own tree suggests.
  if (m_paramChoice == EParamChoice::kDefaults) settings.remove(key::kParams);

  const CSurveyNotes notes = NotesOfFields(options.survey);
  if (!m_survey || notes == m_storedNotes) return;
  CSurveyJournal* journal = m_journal();
  if (journal == nullptr) return;  // said by the journal
  try {
    if (WriteOfferingRetry(this, [&] { journal->SetProtocolFields(*m_survey, notes); })) m_storedNotes = notes;
  } catch (const std::exception& e) {
    // The protocol is made all the same; only the next one starts empty.
    AppMessage(this, QStringLiteral("Поля протокола не сохранены в журнале обследований."), QMessageBox::Warning,
               QMessageBox::Ok, QString::fromStdString(ErrorDetail(e)));
  }
}

std::optional<CProtocolDocument> CProtocolDialog::Make() {
  const CObjectDefinition* object = m_context.document.Object();
  if (object == nullptr) return std::nullopt;
  const CProtocolOptions options = Options();
  KeepChoices(options);
  try {
    return MakeProtocol(*object, options);
  } catch (const std::exception& e) {
    AppMessage(this, QStringLiteral("Протокол не составлен."), QMessageBox::Critical, QMessageBox::Ok,
               QString::fromUtf8(e.what()));
    return std::nullopt;
  }
}

bool CProtocolDialog::Preview() {
  std::optional<CProtocolDocument> made = Make();
  if (!made) return false;
  const CObjectDefinition* object = m_context.document.Object();
  // The preview may outlive this dialog: it holds the document itself; the
  // archive it closes with.
  auto document = std::make_shared<const CProtocolDocument>(std::move(*made));
  const CPagesFactory factory = [document, object](QPrinter& printer) -> std::unique_ptr<render::CPaintedPages> {
    render::SetUpProtocolPrinter(printer);
    return std::make_unique<render::CProtocolPages>(*document, *object, printer);
  };
  return PreviewPagesCommand(m_context, factory, render::ProtocolTitle(*document));
}

bool CProtocolDialog::Save(const QString& title, const QString& extension, bool odt) {
  std::optional<CProtocolDocument> document = Make();
  if (!document) return false;
  const CObjectDefinition& object = *m_context.document.Object();
  CProfile& profile = m_context.profile;
  const QString stem = ProtocolFileStem(Utf8(m_number->text()), object.GetObjectNumber(), m_date->date());
  const QString path = Ui().SaveFileName(this, title, QDir(profile.RememberedFolder()).filePath(stem + extension));
  if (path.isEmpty()) return false;
  profile.RememberFolder(path);
  QString error;
  const bool written = odt ? render::WriteProtocolOdtFile(*document, object, path, error)
                           : render::WriteProtocolPdf(*document, object, path, error);
  if (!written) {
    AppMessage(this, kMsgCannotSave, QMessageBox::Critical, QMessageBox::Ok,
               QDir::toNativeSeparators(path) + (error.isEmpty() ? QString() : QStringLiteral("\n") + error));
    return false;
  }
  ShowFileWritten(m_context.frame, path);
  return true;
}

bool CProtocolDialog::SavePdf() { return Save(QStringLiteral("Сохранить PDF"), QStringLiteral(".pdf"), false); }

bool CProtocolDialog::SaveOdt() { return Save(QStringLiteral("Сохранить ODT"), QStringLiteral(".odt"), true); }

void ProtocolCommand(const CPrintContext& context, const CJournalAccess& journal, std::optional<int64_t> survey,
                     QWidget* parent) {
  if (context.document.Object() == nullptr) return;
  CProtocolDialog dialog(context, journal, survey, parent);
  dialog.exec();
}

}  // namespace tkq::gui
