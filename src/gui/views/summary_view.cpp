#include "gui/views/summary_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/base/archive_document.h"
#include "gui/base/help_topics.h"
#include "gui/base/profile.h"
#include "gui/views/archive_view.h"
#include "gui/views/report_file.h"

namespace tkq::gui {
namespace {

// The printed lines of a summary, with their own copy of it: a print job
// does not depend on the window staying as it was.
class COwnedSummaryLines : public CPrintLines {
 public:
  COwnedSummaryLines(const CObjectDefinition& object, const CSummary& summary, ESummaryPeriods periods)
      : m_summary(summary), m_table(object, m_summary, periods), m_lines(m_table) {}
  int32_t GetLineCount() const override { return m_lines.GetLineCount(); }
  std::string GetLineText(int32_t index) const override { return m_lines.GetLineText(index); }
  bool HasTable() const override { return true; }
  std::vector<std::string> GetCaptions() const override { return m_lines.GetCaptions(); }
  std::vector<std::string> GetFirstRowCells() const override { return m_lines.GetFirstRowCells(); }
  std::string GetHeading() const override { return m_lines.GetHeading(); }

 private:
  CSummary m_summary;
  CSummaryTable m_table;
  CSummaryPrintLines m_lines;
};

}  // namespace

void CSummaryTableModel::SetTable(const CSummaryTable* table) {
  beginResetModel();
  m_table = table;
  endResetModel();
}

int CSummaryTableModel::RowCount() const { return m_table != nullptr ? m_table->LineCount() : 0; }

int CSummaryTableModel::ColumnCount() const {
  return m_table != nullptr ? static_cast<int>(m_table->Columns().size()) : 0;
}

QString CSummaryTableModel::CellText(int row, int column) const {
  if (m_table == nullptr) return {};
  const CSummaryColumn& what = m_table->Columns()[static_cast<size_t>(column)];
  return QString::fromStdString(m_table->CellText(what, m_table->Period(row), m_table->IsWholeLine(row)));
}

QString CSummaryTableModel::Caption(int column) const {
  if (m_table == nullptr) return {};
  return QString::fromStdString(m_table->Columns()[static_cast<size_t>(column)].caption);
}

CSummaryView::CSummaryView(CArchiveDocument& document, CProfile& profile, QWidget* parent)
    : QWidget(parent),
      CDocumentTableCommands(document, profile),
      m_figures(new QLabel(this)),
      m_periods(new QComboBox(this)),
      m_hour(new QComboBox(this)),
      m_view(new QTableView(this)),
      m_model(new CSummaryTableModel(document, this)) {
  m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_figures->setTextFormat(Qt::RichText);
  m_figures->setWordWrap(true);
  m_figures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_periods->addItem("По суткам");
  m_periods->addItem("По месяцам");
  m_periods->setCurrentIndex(m_profile.SummaryMonths() ? 1 : 0);
  // A list of the 24 hours rather than a spin box: one of a few values,
  // chosen like the rows beside it (typing the hour's digits picks it), and
  // drawn as they are on every system; on Windows a spin box's text came
  // out grey, as if disabled.
  for (int hour = 0; hour <= kMaxReportingHour; ++hour) m_hour->addItem(QString("%1:00").arg(hour));
  m_hour->setCurrentIndex(std::clamp(m_profile.SummaryHour(), 0, kMaxReportingHour));
  auto* hourLabel = new QLabel("&Отчетный час:", this);
  hourLabel->setBuddy(m_hour);
  auto* periodLabel = new QLabel("&Строки:", this);
  periodLabel->setBuddy(m_periods);
  auto* controls = new QHBoxLayout;
  controls->addWidget(periodLabel);
  controls->addWidget(m_periods);
  controls->addSpacing(16);
  controls->addWidget(hourLabel);
  controls->addWidget(m_hour);
  controls->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(m_figures);
  layout->addLayout(controls);
  layout->addWidget(m_view, 1);

  SetUpListView(*m_view);
  m_view->setSelectionMode(QAbstractItemView::SingleSelection);
  m_view->setModel(m_model);
  connect(m_periods, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_profile.SetSummaryMonths(index == 1);
    ShowTable();
  });
  connect(m_hour, &QComboBox::currentIndexChanged, this, [this](int hour) {
    m_profile.SetSummaryHour(hour);
    FillSummary();
  });
  connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OnDoubleClick(index.row()); });
  setWhatsThis(
      "Сводка: итоги архива измерений за все время, по суткам или по месяцам при выбранных в окне "
      "«Настройка просмотра» параметрах. Двойной щелчок по строке показывает ее первый интервал в «Архиве "
      "измерений».");
  FillSummary();
}

CSummaryView::~CSummaryView() = default;

QString CSummaryView::HelpTopic() const { return help::kSummary; }

void CSummaryView::FillSummary() {
  m_model->SetTable(nullptr);
  m_table.reset();
  m_summary.reset();
  const CObjectDefinition* object = m_document.Object();
  if (object != nullptr) m_summary = std::make_unique<CSummary>(MakeSummary(*object, m_hour->currentIndex()));
  ShowTable();
}

void CSummaryView::ShowTable() {
  const CObjectDefinition* object = m_document.Object();
  m_model->SetTable(nullptr);
  m_table.reset();
  if (object == nullptr || !m_summary) {
    m_figures->clear();
    return;
  }
  const ESummaryPeriods periods = m_periods->currentIndex() == 1 ? ESummaryPeriods::kMonths : ESummaryPeriods::kDays;
  m_table = std::make_unique<CSummaryTable>(*object, *m_summary, periods);
  QString figures = "<table cellspacing='0' cellpadding='1'>";
  for (const auto& [label, text] : m_table->WholeFigures()) {
    figures += QString("<tr><td>%1:&nbsp;&nbsp;</td><td><b>%2</b></td></tr>")
                   .arg(QString::fromStdString(label).toHtmlEscaped(), QString::fromStdString(text).toHtmlEscaped());
  }
  m_figures->setText(figures + "</table>");
  m_model->SetTable(m_table.get());
  const std::vector<CSummaryColumn>& columns = m_table->Columns();
  const std::vector<std::string> sample = m_table->Cells(m_table->LineCount() - 1);
  for (size_t c = 0; c < columns.size(); ++c) {
    const QString caption = QString::fromStdString(columns[c].caption);
    m_view->horizontalHeader()->resizeSection(
        static_cast<int>(c),
        ColumnWidth(*m_view, 0, caption, {QString::fromStdString(sample[c]).trimmed(), QString("00.00.0000")}));
  }
}

void CSummaryView::OnDoubleClick(int line) {
  if (!m_table || line < 0 || line >= m_table->LineCount() || m_table->IsWholeLine(line)) return;
  const int row = m_table->Period(line).firstRow;
  if (row >= 0) m_document.ShowArchiveRow(row);
}

std::unique_ptr<CPrintLines> CSummaryView::PrintLines() const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || !m_table) return nullptr;
  return std::make_unique<COwnedSummaryLines>(*object, *m_summary, m_table->Periods());
}

QSize CSummaryView::sizeHint() const {
  QSize hint = QWidget::sizeHint();
  const QMargins margins = layout()->contentsMargins();
  const int table = m_view->horizontalHeader()->length() + 2 * m_view->frameWidth() +
                    m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view->verticalScrollBar());
  hint.setWidth(std::max(hint.width(), table + margins.left() + margins.right()));
  return hint;
}

void CSummaryView::closeEvent(QCloseEvent* event) {
  // The user closed it: it does not open with the next archive.
  m_profile.RememberSummaryOpen(false);
  QWidget::closeEvent(event);
}

void CSummaryView::OnReport() {
  if (!m_table) return;
  WriteReportCommand(m_profile, this, [&](CReportSink& sink) { WriteSummaryReport(*m_table, sink); });
}

}  // namespace tkq::gui
