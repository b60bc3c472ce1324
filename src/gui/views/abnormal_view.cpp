#include "gui/views/abnormal_view.h"

#include <QHeaderView>

#include "core/base/rtc_time.h"
#include "core/output/text_forms.h"
#include "gui/base/archive_document.h"
#include "gui/base/help_topics.h"
#include "gui/views/archive_view.h"
#include "gui/views/report_file.h"

namespace tkq::gui {

int CAbnormalTableModel::Width(int column) {
  static const int kWidths[] = {40, 140, 180, 180};
  return kWidths[column];
}

void CAbnormalTableModel::Rebuild() {
  beginResetModel();
  m_rows = m_document.Object() != nullptr ? m_document.Object()->GetAbnormalCount() : 0;
  endResetModel();
}

QString CAbnormalTableModel::CellText(int row, int column) const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr || row >= object->GetAbnormalCount()) return {};
  const CErrArcElem* record = object->m_errRecords[static_cast<size_t>(row)];
  if (record == nullptr) return {};
  switch (column) {
    case 0: return QString::fromStdString(FormatSequenceNumber(static_cast<uint32_t>(row) + 1));
    case 1: {
      const std::string_view text = AbnormalText(record->m_nCode);
      return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    }
    case 2: return QString::fromStdString(CRTCTime::Text(record->m_nBegin));
    case 3: return QString::fromStdString(CRTCTime::Text(record->m_nEnd));
    default: return {};
  }
}

QString CAbnormalTableModel::Caption(int column) const {
  static const char* const kCaptions[] = {"№", "Нештатная ситуация", "Начало нештатной ситуации",
                                          "Конец нештатной ситуации"};
  return QString::fromUtf8(kCaptions[column]);
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
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  WriteReportCommand(m_profile, this, [&](CReportSink& sink) { WriteAbnormalReport(*object, sink); });
}

}  // namespace tkq::gui
