#include "gui/views/archive_view.h"

#include <QHeaderView>

#include "core/base/rtc_time.h"
#include "core/output/text_forms.h"
#include "gui/base/archive_document.h"
#include "gui/base/help_topics.h"
#include "gui/views/report_file.h"

namespace tkq::gui {

void SetUpListView(QTableView& view) {
  view.setShowGrid(true);
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setSelectionMode(QAbstractItemView::ExtendedSelection);
  view.setSortingEnabled(false);
  view.setWordWrap(false);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.verticalHeader()->hide();
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
  view.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view.horizontalHeader()->setStretchLastSection(false);
  view.horizontalHeader()->setHighlightSections(false);
  QPalette palette = view.palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  view.setPalette(palette);
}

int ColumnWidth(const QTableView& view, int layoutWidth, const QString& caption, const QStringList& samples) {
  // The layout widths were made for a font whose letters average 6 pixels.
  const QFontMetrics cells = view.fontMetrics();
  const QFontMetrics header = view.horizontalHeader()->fontMetrics();
  const double scale =
      cells.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0 / 6.0;
  int width = static_cast<int>(layoutWidth * std::max(scale, 1.0) + 0.5);
  width = std::max(width, header.horizontalAdvance(caption) + 16);
  for (const QString& sample : samples) width = std::max(width, cells.horizontalAdvance(sample) + 12);
  return width;
}

QStringList AbnormalSamples() {
  QStringList texts;
  for (int code = 0; code < 8; ++code) {
    const std::string_view text = AbnormalText(static_cast<uint8_t>(code));
    texts << QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  }
  return texts;
}

// --- the model ---

int CArchiveTableModel::Width(Column column) {
  switch (column) {
    case Column::kNumber: return 40;
    case Column::kFirst:
    case Column::kSecond: return 150;
    default: return 140;
  }
}

QStringList CArchiveTableModel::Samples(Column column) {
  switch (column) {
    case Column::kNumber: return {QStringLiteral("99999")};
    case Column::kFirst:
    case Column::kSecond: return {QString::fromStdString(FormatValue(-99999999.0f))};
    case Column::kStart:
    case Column::kEnd: return {QStringLiteral("00.00.0000 00:00:00")};
    case Column::kTime: return {QStringLiteral("100.00%")};
    case Column::kAbnormal: return AbnormalSamples();
  }
  return {};
}

void CArchiveTableModel::Rebuild() {
  beginResetModel();
  m_columns = ArchiveColumns(m_document.Columns());
  m_rows.clear();
  m_caption1.clear();
  m_caption2.clear();
  if (const CObjectDefinition* object = m_document.Object()) {
    std::string c1, c2;
    object->GetColumnCaptions(c1, c2);
    m_caption1 = QString::fromStdString(c1);
    m_caption2 = QString::fromStdString(c2);
    m_rows = object->RowPositions();
  }
  endResetModel();
}

QString CArchiveTableModel::CellText(int row, int column) const {
  const CObjectDefinition* object = m_document.Object();
  CArchiveRow values;
  if (object == nullptr || !object->ComputeRow(m_rows[static_cast<size_t>(row)], values)) return {};
  return QString::fromStdString(ArchiveCellText(m_columns[static_cast<size_t>(column)], row, values));
}

QString CArchiveTableModel::Caption(int column) const {
  switch (m_columns[static_cast<size_t>(column)]) {
    case Column::kNumber: return QStringLiteral("№");
    case Column::kFirst: return m_caption1;
    case Column::kSecond: return m_caption2;
    case Column::kStart: return QStringLiteral("Начало интервала");
    case Column::kEnd: return QStringLiteral("Конец интервала");
    case Column::kTime: return QStringLiteral("Время архивирования");
    case Column::kAbnormal: return QStringLiteral("Нештатная ситуация");
  }
  return {};
}

// --- the view ---

CTRV_KQ_VRView::CTRV_KQ_VRView(CArchiveDocument& document, CProfile& profile, QWidget* parent)
    : QTableView(parent), CDocumentTableCommands(document, profile), m_model(new CArchiveTableModel(document, this)) {
  SetUpListView(*this);
  setModel(m_model);
  // The chart marks the row chosen here.
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { m_document.SelectArchiveRow(current.isValid() ? current.row() : -1); });
  setWhatsThis(
      "Архив измерений: одна строка на каждый интервал архива. Столбцы выбираются в окне "
      "«Настройка просмотра».");
  FillList();
}

void CTRV_KQ_VRView::FillList() {
  m_model->Rebuild();
  const auto& columns = m_model->Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int section = static_cast<int>(i);
    const QString caption = m_model->headerData(section, Qt::Horizontal).toString();
    horizontalHeader()->resizeSection(section, ColumnWidth(*this, CArchiveTableModel::Width(columns[i]), caption,
                                                           CArchiveTableModel::Samples(columns[i])));
  }
}

QString CTRV_KQ_VRView::HelpTopic() const { return help::kArchiveView; }

std::unique_ptr<CPrintLines> CTRV_KQ_VRView::PrintLines() const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return nullptr;
  return std::make_unique<CArchivePrintLines>(*object, m_document.Columns(), m_model->RowPositions());
}

void CTRV_KQ_VRView::OnReport() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  WriteReportCommand(m_profile, this,
                     [&](CReportSink& sink) { WriteArchiveReport(*object, m_document.Columns(), sink); });
}

}  // namespace tkq::gui
