#include "gui/app/journal_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/output/text_forms.h"
#include "core/storage/file_io.h"
#include "gui/app/application.h"
#include "gui/app/context_help.h"
#include "gui/app/help_window.h"
#include "gui/app/main_frame.h"
#include "gui/base/messages.h"
#include "gui/base/ui_services.h"
#include "gui/output/protocol_command.h"
#include "render/fs_path.h"

namespace tkq::gui {
using render::FsPath;
using render::QtPath;
namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The instrument's clock knows no time zone: its seconds since 1970 are
// days and the time of day as they are.
const QDate kEpoch(1970, 1, 1);
constexpr int64_t kDay = 86400;

QString InstrumentDate(uint32_t seconds) {
  return kEpoch.addDays(seconds / kDay).toString(QStringLiteral("dd.MM.yyyy"));
}

// A date as the filter takes it: the instrument's seconds at the day's
// start, or at its last second.
int64_t DaySeconds(const QDate& date, bool end) {
  return kEpoch.daysTo(date) * kDay + (end ? kDay - 1 : 0);
}

// Whether survey `a` comes before `b` by `column`, ascending.
bool Before(const CSurveyEntry& a, const CSurveyEntry& b, int column) {
  switch (static_cast<CSurveyTableModel::EColumn>(column)) {
    case CSurveyTableModel::EColumn::kReadTime: return a.readTime < b.readTime;
    case CSurveyTableModel::EColumn::kInstrument:
      return std::tie(a.instrument, a.objectNumber) < std::tie(b.instrument, b.objectNumber);
    case CSurveyTableModel::EColumn::kObject: return a.objectNumber < b.objectNumber;
    case CSurveyTableModel::EColumn::kDescription: return a.description < b.description;
    case CSurveyTableModel::EColumn::kPeriod:
      return std::tie(a.firstRecord, a.lastRecord) < std::tie(b.firstRecord, b.lastRecord);
    case CSurveyTableModel::EColumn::kRecords: return a.records < b.records;
    case CSurveyTableModel::EColumn::kAbnormals: return a.abnormals < b.abnormals;
    default: return false;
  }
}

}  // namespace

// --- the table ---

CSurveyTableModel::CSurveyTableModel(QObject* parent)
    : QAbstractTableModel(parent), m_damagedIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)) {}

void CSurveyTableModel::SetSurveys(std::vector<CSurveyEntry> surveys) {
  beginResetModel();
  m_surveys = std::move(surveys);
  Order();
  endResetModel();
}

void CSurveyTableModel::SetFilter(const CSurveyFilter& filter) {
  beginResetModel();
  m_filter = filter;
  Refilter();
  endResetModel();
}

void CSurveyTableModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  m_sortColumn = column;
  m_sortOrder = order;
  Order();
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CSurveyTableModel::Order() {
  m_order.resize(m_surveys.size());
  for (size_t i = 0; i < m_order.size(); ++i) m_order[i] = static_cast<int>(i);
  const bool descending = m_sortOrder == Qt::DescendingOrder;
  std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
    return descending ? Before(m_surveys[b], m_surveys[a], m_sortColumn) : Before(m_surveys[a], m_surveys[b], m_sortColumn);
  });
  Refilter();
}

void CSurveyTableModel::Refilter() {
  m_shown.clear();
  m_shown.reserve(m_order.size());
  for (int i : m_order) {
    if (SurveyMatches(m_surveys[i], m_filter)) m_shown.push_back(i);
  }
}

int CSurveyTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int CSurveyTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CSurveyTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const CSurveyEntry& s = Survey(index.row());
  const auto column = static_cast<EColumn>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      // A damaged file says what it is and why, where a survey has its
      // description; the figures it does not have stay empty.
      if (s.damaged && column != EColumn::kReadTime && column != EColumn::kDescription &&
          (column != EColumn::kInstrument || s.instrument.empty())) {
        return QString();
      }
      switch (column) {
        case EColumn::kReadTime: return Text(FormatReadTime(s.readTime));
        case EColumn::kInstrument: return Text(s.instrument);
        case EColumn::kObject: return s.objectNumber;
        case EColumn::kDescription:
          if (s.damaged) return QStringLiteral("Файл поврежден: %1 (%2)").arg(Text(s.damage), Text(s.fileName));
          return Text(s.description);
        case EColumn::kPeriod:
          if (s.records == 0) return QString();
          return InstrumentDate(s.firstRecord) + QStringLiteral(" – ") + InstrumentDate(s.lastRecord);
        case EColumn::kRecords: return QVariant::fromValue(s.records);
        case EColumn::kAbnormals: return QVariant::fromValue(s.abnormals);
        default: return {};
      }
    case Qt::TextAlignmentRole:
      if (column == EColumn::kObject) return int(Qt::AlignCenter);
      if (column == EColumn::kRecords || column == EColumn::kAbnormals) return int(Qt::AlignRight | Qt::AlignVCenter);
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      if (s.damaged) return QColor(0xb0, 0x10, 0x10);
      return {};
    case Qt::DecorationRole:
      if (s.damaged && column == EColumn::kReadTime) return m_damagedIcon;
      return {};
    case Qt::ToolTipRole: {
      const QString file = Text(s.fileName);
      if (s.damaged) return QStringLiteral("Файл поврежден: %1\n%2").arg(Text(s.damage), file);
      return s.added ? file + QStringLiteral("\nдобавлен из файла") : file;
    }
    default: return {};
  }
}

QVariant CSurveyTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kCaptions[kColumnCount] = {"Время чтения", "Прибор",  "Объект", "Описание",
                                                      "Период",       "Записей", "Ситуаций"};
  return section >= 0 && section < kColumnCount ? QString::fromUtf8(kCaptions[section]) : QVariant();
}

// --- the window ---

CJournalWindow::CJournalWindow(CTRV_KQ_VRApp& app, QWidget* parent) : QWidget(parent, Qt::Window), m_app(app) {
  setWindowTitle(kJournalTitle);

  QHBoxLayout* top = BuildFilter();

  BuildTable();

  m_count = new QLabel(this);
  m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_count->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Обследований: 00000 из 00000")));
  m_folder = new QLabel(this);
  m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* open = new QPushButton(QStringLiteral("Открыть"), this);
  open->setDefault(true);
  auto* protocol = new QPushButton(QStringLiteral("Протокол..."), this);
  auto* show = new QPushButton(QStringLiteral("Показать в папке"), this);
  auto* addFiles = new QPushButton(QStringLiteral("Добавить файлы..."), this);
  auto* addFolder = new QPushButton(QStringLiteral("Добавить папку..."), this);
  auto* remove = new QPushButton(QStringLiteral("Удалить"), this);
  auto* copy = new QPushButton(QStringLiteral("Копировать в папку..."), this);
  open->setObjectName(QStringLiteral("open"));
  show->setObjectName(QStringLiteral("show"));
  protocol->setObjectName(QStringLiteral("protocol"));
  addFiles->setObjectName(QStringLiteral("addFiles"));
  addFolder->setObjectName(QStringLiteral("addFolder"));
  remove->setObjectName(QStringLiteral("remove"));
  copy->setObjectName(QStringLiteral("copy"));
  open->setToolTip(QStringLiteral("Открыть архив обследования (двойной щелчок, Enter)"));
  show->setToolTip(QStringLiteral("Открыть папку с файлом обследования"));
  protocol->setToolTip(QStringLiteral("Открыть обследование и составить его протокол"));
  addFiles->setToolTip(QStringLiteral("Скопировать в журнал сохраненные архивы"));
  addFolder->setToolTip(QStringLiteral("Скопировать в журнал все архивы папки и ее вложенных папок"));
  remove->setToolTip(QStringLiteral("Перенести файлы обследований в папку «Удаленные» журнала"));
  copy->setToolTip(QStringLiteral("Скопировать файлы обследований в другую папку"));
  m_surveyButtons = {open, protocol, show, remove, copy};
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {open, protocol, show}) buttons->addWidget(b);
  buttons->addSpacing(12);
  for (QPushButton* b : {addFiles, addFolder}) buttons->addWidget(b);
  buttons->addSpacing(12);
  for (QPushButton* b : {remove, copy}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(m_count);

  QHBoxLayout* settings = BuildSettingsRow();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_table, 1);
  layout->addLayout(buttons);
  layout->addLayout(settings);

  connect(m_search, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(m_fromOn, &QCheckBox::toggled, m_from, &QWidget::setEnabled);
  connect(m_toOn, &QCheckBox::toggled, m_to, &QWidget::setEnabled);
  for (QCheckBox* on : {m_fromOn, m_toOn}) connect(on, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
  for (QDateEdit* date : {m_from, m_to}) connect(date, &QDateEdit::dateChanged, this, [this] { ApplyFilter(); });
  // A double click and Enter.
  connect(m_table, &QAbstractItemView::activated, this, [this] { OpenChosen(); });
  connect(open, &QPushButton::clicked, this, &CJournalWindow::OpenChosen);
  connect(show, &QPushButton::clicked, this, &CJournalWindow::ShowChosenInFolder);
  connect(protocol, &QPushButton::clicked, this, &CJournalWindow::ProtocolOfChosen);
  connect(addFiles, &QPushButton::clicked, this, &CJournalWindow::AddFiles);
  connect(addFolder, &QPushButton::clicked, this, &CJournalWindow::AddFolder);
  connect(remove, &QPushButton::clicked, this, &CJournalWindow::RemoveChosen);
  connect(copy, &QPushButton::clicked, this, &CJournalWindow::CopyChosen);
  connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ShowCount(); });
  auto* removeKey = new QShortcut(QKeySequence::Delete, m_table, nullptr, nullptr, Qt::WidgetShortcut);
  connect(removeKey, &QShortcut::activated, this, &CJournalWindow::RemoveChosen);

  AddHelpKeys();

  if (!restoreGeometry(m_app.Profile().JournalWindowGeometry())) resize(1000, 560);
  ShowCount();
}

QHBoxLayout* CJournalWindow::BuildFilter() {
  m_search = new QLineEdit(this);
  m_search->setPlaceholderText(QStringLiteral("Прибор, номер объекта или слова описания"));
  m_search->setClearButtonEnabled(true);
  m_fromOn = new QCheckBox(QStringLiteral("с"), this);
  m_from = new QDateEdit(QDate::currentDate().addMonths(-1), this);
  m_toOn = new QCheckBox(QStringLiteral("по"), this);
  m_to = new QDateEdit(QDate::currentDate(), this);
  for (QDateEdit* date : {m_from, m_to}) {
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    date->setEnabled(false);
  }
  auto* searchLabel = new QLabel(QStringLiteral("&Найти:"), this);
  searchLabel->setBuddy(m_search);
  auto* top = new QHBoxLayout;
  top->addWidget(searchLabel);
  top->addWidget(m_search, 1);
  top->addSpacing(12);
  top->addWidget(new QLabel(QStringLiteral("Период измерений:"), this));
  top->addWidget(m_fromOn);
  top->addWidget(m_from);
  top->addWidget(m_toOn);
  top->addWidget(m_to);
  return top;
}

void CJournalWindow::BuildTable() {
  m_model = new CSurveyTableModel(this);
  m_table = new QTableView(this);
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setAlternatingRowColors(true);
  m_table->setWordWrap(false);
  m_table->verticalHeader()->hide();
  // Rows of one height, columns of set widths: thousands of rows need no
  // measuring.
  m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = m_table->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const int widths[CSurveyTableModel::kColumnCount] = {22, 16, 7, 34, 24, 9, 9};
  for (int c = 0; c < CSurveyTableModel::kColumnCount; ++c) header->resizeSection(c, widths[c] * digit + 12);
  header->setSectionResizeMode(CSurveyTableModel::Column(CSurveyTableModel::EColumn::kDescription),
                               QHeaderView::Stretch);
  m_table->setSortingEnabled(true);
  header->setSortIndicator(CSurveyTableModel::Column(CSurveyTableModel::EColumn::kReadTime), Qt::DescendingOrder);
}

QHBoxLayout* CJournalWindow::BuildSettingsRow() {
  auto* chooseFolder = new QPushButton(QStringLiteral("Папка журнала..."), this);
  chooseFolder->setObjectName(QStringLiteral("folder"));
  m_keep = new QCheckBox(QStringLiteral("Сохранять каждое чтение в журнал"), this);
  m_keep->setChecked(m_app.Profile().KeepsReads());
  auto* settings = new QHBoxLayout;
  settings->addWidget(m_keep);
  settings->addSpacing(12);
  settings->addWidget(chooseFolder);
  settings->addWidget(m_folder, 1);
  connect(chooseFolder, &QPushButton::clicked, this, &CJournalWindow::ChooseJournalFolder);
  connect(m_keep, &QCheckBox::toggled, this, [this](bool on) { m_app.Profile().SetKeepsReads(on); });
  return settings;
}

void CJournalWindow::AddHelpKeys() {
  // The help keys of the main window do not reach a window of its own.
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] {
    if (!ShowHelp(help::kJournal, this)) AppMessage(this, kMsgHelpUnavailable);
  });
  auto* contextHelp = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
  connect(contextHelp, &QShortcut::activated, this, [] { CContextHelpMode::Start(); });
}

CJournalWindow::~CJournalWindow() = default;

void CJournalWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

void CJournalWindow::hideEvent(QHideEvent* event) {
  m_app.Profile().SetJournalWindowGeometry(saveGeometry());
  QWidget::hideEvent(event);
}

void CJournalWindow::Refresh() {
  m_keep->setChecked(m_app.Profile().KeepsReads());
  m_folder->setText(QDir::toNativeSeparators(m_app.Profile().JournalFolder()));
  std::vector<CSurveyEntry> surveys;
  if (CSurveyJournal* journal = m_app.Journal()) {
    try {
      surveys = journal->List();
    } catch (const std::exception& e) {
      AppMessage(this, Text(ErrorDetail(e)), QMessageBox::Critical);
    }
  }
  m_model->SetSurveys(std::move(surveys));
  ShowCount();
}

void CJournalWindow::ApplyFilter() {
  CSurveyFilter filter;
  filter.text = m_search->text().toStdString();
  if (m_fromOn->isChecked()) filter.from = DaySeconds(m_from->date(), false);
  if (m_toOn->isChecked()) filter.to = DaySeconds(m_to->date(), true);
  m_model->SetFilter(filter);
  ShowCount();
}

void CJournalWindow::ShowCount() {
  const int shown = m_model->rowCount();
  const int total = m_model->Total();
  m_count->setText(shown == total ? QStringLiteral("Обследований: %1").arg(total)
                                  : QStringLiteral("Обследований: %1 из %2").arg(shown).arg(total));
  const bool chosen = m_table->selectionModel()->hasSelection();
  for (QPushButton* b : m_surveyButtons) b->setEnabled(chosen);
}

std::vector<CSurveyEntry> CJournalWindow::ChosenSurveys() const {
  QModelIndexList rows = m_table->selectionModel()->selectedRows();
  if (rows.isEmpty() && m_table->currentIndex().isValid()) rows << m_table->currentIndex();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<CSurveyEntry> surveys;
  for (const QModelIndex& row : rows) surveys.push_back(m_model->Survey(row.row()));
  return surveys;
}

QString CJournalWindow::PathOf(const CSurveyEntry& survey) const {
  CSurveyJournal* journal = m_app.Journal();
  return journal != nullptr ? QtPath(journal->PathOf(survey)) : QString();
}

void CJournalWindow::OpenChosen() {
  const std::vector<CSurveyEntry> chosen = ChosenSurveys();
  if (chosen.empty()) return;
  const QString path = PathOf(chosen.front());
  if (path.isEmpty() || !m_app.OpenArchiveFile(path)) return;
  // The archive's windows are in the main window; this one stays open.
  if (QWidget* frame = m_app.MainFrame()) {
    frame->raise();
    frame->activateWindow();
  }
}

void CJournalWindow::ProtocolOfChosen() {
  const std::vector<CSurveyEntry> chosen = ChosenSurveys();
  if (chosen.empty()) return;
  const QString path = PathOf(chosen.front());
  // Opened as «Открыть» opens it (its windows in the main window), so
  // that the preview and the chart show the archive the protocol is of.
  if (path.isEmpty() || !m_app.OpenArchiveFile(path)) return;
  const CJournalAccess journal = [this] { return m_app.Journal(); };
  CProtocolDialog dialog(m_app.PrintContext(), journal, chosen.front().id, this);
  dialog.exec();
}

void CJournalWindow::ShowChosenInFolder() {
  const std::vector<CSurveyEntry> chosen = ChosenSurveys();
  if (chosen.empty()) return;
  const QString path = PathOf(chosen.front());
  if (!path.isEmpty()) Ui().ShowInFolder(path);
}

void CJournalWindow::AddFiles() {
  const QStringList files =
      Ui().OpenFileNames(this, QStringLiteral("Добавить файлы в журнал"), m_app.Profile().RememberedFolder());
  if (files.isEmpty()) return;
  m_app.Profile().RememberFolder(files.first());
  std::vector<std::filesystem::path> paths;
  for (const QString& file : files) paths.push_back(FsPath(file));
  Add(paths);
}

void CJournalWindow::AddFolder() {
  const QString folder =
      Ui().ChooseFolder(this, QStringLiteral("Добавить папку в журнал"), m_app.Profile().RememberedFolder());
  if (folder.isEmpty()) return;
  Add({FsPath(folder)});
}

void CJournalWindow::Add(const std::vector<std::filesystem::path>& paths) {
  CSurveyJournal* journal = m_app.Journal();
  if (journal == nullptr) return;
  CJournalChanges changes;
  {
    // Many files take a while: their count goes by, and "Отмена" stops
    // after the file at hand (what was added stays added).
    QProgressDialog progress(QStringLiteral("Добавление архивов в журнал..."), QStringLiteral("Отмена"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
      changes = journal->Add(paths, [&](size_t done, size_t total) {
        progress.setMaximum(static_cast<int>(total));
        progress.setValue(static_cast<int>(done));
        return !progress.wasCanceled();
      });
    } catch (const std::exception& e) {
      QApplication::restoreOverrideCursor();
      AppMessage(this, Text(ErrorDetail(e)), QMessageBox::Critical);
      Refresh();
      return;
    }
    QApplication::restoreOverrideCursor();
  }
  Refresh();
  QString text = QStringLiteral("Добавлено в журнал обследований: %1.").arg(changes.added.size());
  if (!changes.alreadyKept.empty()) {
    text += QStringLiteral("\nУже были в журнале: %1.").arg(changes.alreadyKept.size());
  }
  QStringList skipped;
  for (const CSkippedFile& file : changes.skipped) {
    skipped << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(QtPath(file.path)), Text(file.reason));
  }
  if (!skipped.isEmpty()) text += QStringLiteral("\nПропущено файлов: %1.").arg(skipped.size());
  AppMessage(this, text, skipped.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, QMessageBox::Ok,
             skipped.join(QLatin1Char('\n')));
}

void CJournalWindow::RemoveChosen() {
  const std::vector<CSurveyEntry> chosen = ChosenSurveys();
  CSurveyJournal* journal = chosen.empty() ? nullptr : m_app.Journal();
  if (journal == nullptr) return;
  const QString removed = QDir::toNativeSeparators(QtPath(journal->Folder() / PathFromUtf8(kJournalRemovedFolder)));
  const QString question =
      chosen.size() == 1
          ? QStringLiteral("Удалить из журнала обследование объекта %1 (%2, %3)?")
                .arg(chosen.front().objectNumber)
                .arg(Text(chosen.front().instrument), Text(FormatReadTime(chosen.front().readTime)))
          : QStringLiteral("Удалить из журнала выбранные обследования (%1)?").arg(chosen.size());
  if (AppMessage(this, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                 QStringLiteral("Файлы переносятся в папку %1, откуда их можно вернуть.").arg(removed)) !=
      QMessageBox::Yes) {
    return;
  }
  QStringList failed;
  for (const CSurveyEntry& survey : chosen) {
    try {
      journal->Remove(survey.id);
    } catch (const std::out_of_range&) {
      // Removed meanwhile (by the tool, or by hand).
    } catch (const std::exception& e) {
      failed << Text(ErrorDetail(e));
    }
  }
  Refresh();
  if (!failed.isEmpty()) {
    AppMessage(this, QStringLiteral("Не все обследования удалены из журнала."), QMessageBox::Warning,
               QMessageBox::Ok, failed.join(QLatin1Char('\n')));
  }
}

void CJournalWindow::CopyChosen() {
  const std::vector<CSurveyEntry> chosen = ChosenSurveys();
  if (chosen.empty()) return;
  const QString folder =
      Ui().ChooseFolder(this, QStringLiteral("Копировать в папку"), m_app.Profile().RememberedFolder());
  if (folder.isEmpty()) return;
  m_app.Profile().RememberFolder(QDir(folder).filePath(QStringLiteral("x")));
  int copied = 0;
  QStringList failed;
  for (const CSurveyEntry& survey : chosen) {
    if (!CopyOut(survey, folder, copied, failed)) break;
  }
  if (!failed.isEmpty()) {
    AppMessage(this, kMsgCannotOpen, QMessageBox::Critical, QMessageBox::Ok, failed.join(QLatin1Char('\n')));
  }
  if (CMainFrame* frame = m_app.MainFrame(); frame != nullptr && copied > 0) {
    frame->statusBar()->showMessage(
        QStringLiteral("Скопировано файлов: %1 в папку %2").arg(copied).arg(QDir::toNativeSeparators(folder)), 8000);
  }
}

bool CJournalWindow::CopyOut(const CSurveyEntry& survey, const QString& folder, int& copied, QStringList& failed) {
  const QString from = PathOf(survey);
  const QString to = QDir(folder).filePath(Text(survey.fileName).section(QLatin1Char('/'), -1));
  if (QFileInfo::exists(to)) {
    switch (AppMessage(this, QStringLiteral("Файл %1 уже существует. Заменить его?").arg(QDir::toNativeSeparators(to)),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
      case QMessageBox::Yes: break;
      case QMessageBox::No: return true;
      default: return false;
    }
  }
  try {
    // Written beside and renamed over: a failed copy leaves what was there.
    if (!WriteOfferingRetry(this, [&] {
          CAtomicFile file(FsPath(to));
          CopyFileInto(FsPath(from), file);
          file.Commit();
        })) {
      return false;
    }
    ++copied;
  } catch (const std::exception& e) {
    failed << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(to), Text(ErrorDetail(e)));
  }
  return true;
}

void CJournalWindow::ChooseJournalFolder() {
  const QString folder = Ui().ChooseFolder(this, QStringLiteral("Папка журнала"), m_app.Profile().JournalFolder());
  if (folder.isEmpty()) return;
  m_app.SetJournalFolder(folder);
  Refresh();
}

}  // namespace tkq::gui
