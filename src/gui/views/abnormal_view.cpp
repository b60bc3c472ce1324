#include "gui/views/abnormal_view.h"

#include <QHeaderView>

#include "core/base/rtc_time.h"
#include "core/output/text_forms.h"
#include "gui/app/archive_document.h"
#include "gui/app/help_window.h"
#include "gui/output/report_command.h"
#include "gui/views/archive_view.h"

namespace tkq::gui {

CAbnormalTableModel::CAbnormalTableModel(const CArchiveDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {}

int CAbnormalTableModel::Width(int column) {
  static const int kWidths[] = {40, 140, 180, 180};
  return kWidths[column];
}

void CAbnormalTableModel::Rebuild() {
  beginResetModel();
  m_nRows = m_document.Object() != nullptr ? m_document.Object()->GetAbnormalCount() : 0;
  endResetModel();
}

int CAbnormalTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_nRows; }

int CAbnormalTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant CAbnormalTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  if (role != Qt::DisplayRole) return {};
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || index.row() >= object->GetAbnormalCount()) return {};
  const CErrArcElem* record = object->m_errRecords[static_cast<size_t>(index.row())];
  if (record == nullptr) return {};
  switch (index.column()) {
    case 0: return QString::fromStdString(FormatSequenceNumber(static_cast<uint32_t>(index.row()) + 1));
    case 1: {
      const std::string_view text = AbnormalText(record->m_nCode);
      return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    }
    case 2: return QString::fromStdString(CRTCTime::Text(record->m_nBegin));
    case 3: return QString::fromStdString(CRTCTime::Text(record->m_nEnd));
    default: return {};
  }
}

QVariant CAbnormalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section > 3) return {};
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  if (role != Qt::DisplayRole) return {};
  static const char* const kCaptions[] = {"№", "Нештатная ситуация", "Начало нештатной ситуации",
                                          "Конец нештатной ситуации"};
  return QString::fromUtf8(kCaptions[section]);
}

CErrorListView::CErrorListView(CArchiveDocument& document, CProfile& profile, QWidget* parent)
    : QTableView(parent), CDocumentTableCommands(document, profile), m_model(new CAbnormalTableModel(document, this)) {
  SetUpListView(*this);
  setModel(m_model);
  // The chart shows the situation chosen here.
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { m_document.SelectAbnormal(current.isValid() ? current.row() : -1); });
  setWhatsThis("Архив нештатных ситуаций: каждая ситуация с ее началом и концом.");
  FillList();
}

void CErrorListView::FillList() {
  m_model->Rebuild();
  const QStringList samples[] = {{"99999"}, AbnormalSamples(), {"00.00.0000 00:00:00"}, {"00.00.0000 00:00:00"}};
  for (int i = 0; i < 4; ++i) {
    horizontalHeader()->resizeSection(i, ColumnWidth(*this, CAbnormalTableModel::Width(i),
                                                     m_model->headerData(i, Qt::Horizontal).toString(), samples[i]));
  }
}

QString CErrorListView::HelpTopic() const { return help::kAbnormalView; }

std::unique_ptr<CPrintLines> CErrorListView::PrintLines() const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return nullptr;
  return std::make_unique<CAbnormalPrintLines>(*object);
}

void CErrorListView::OnReport() {
  CObjectDefinition* object = m_document.ObjectForReport();
  if (object == nullptr) return;
  WriteReportCommand(m_profile, this, [&](CReportSink& sink) { WriteAbnormalReport(*object, sink); });
}

}  // namespace tkq::gui
