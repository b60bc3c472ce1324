#include "gui/views/param_tree_view.h"

#include <QHeaderView>

#include "gui/base/archive_document.h"
#include "gui/base/help_topics.h"
#include "gui/views/report_file.h"

namespace tkq::gui {

CParamTreeView::CParamTreeView(CArchiveDocument& document, CProfile& profile, QWidget* parent)
    : QTreeWidget(parent), CDocumentTableCommands(document, profile) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
  setWhatsThis("Параметры: настройки прибора для объекта по группам. Раскрытые группы попадают в отчет.");
  CopyTree();
}

void CParamTreeView::CopyTree() {
  clear();
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  // The lines arrive in alphabetical order within each group.
  for (const CParamTreeItem& group : object->m_paramTree.Items()) {
    auto* item = new QTreeWidgetItem(this, QStringList{QString::fromStdString(group.text)});
    for (const CParamTreeItem& line : group.children) {
      new QTreeWidgetItem(item, QStringList{QString::fromStdString(line.text)});
    }
  }
}

std::vector<bool> CParamTreeView::ExpandedGroups() const {
  std::vector<bool> expanded;
  for (int i = 0; i < topLevelItemCount(); ++i) expanded.push_back(topLevelItem(i)->isExpanded());
  return expanded;
}

int CParamTreeView::CountShownLines() const {
  int lines = 0;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    if (topLevelItem(i)->isExpanded()) lines += 1 + topLevelItem(i)->childCount();
  }
  return lines;
}

QString CParamTreeView::HelpTopic() const { return help::kParamsView; }

std::unique_ptr<CPrintLines> CParamTreeView::PrintLines() const {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return nullptr;
  return std::make_unique<CTreePrintLines>(object->m_paramTree, ExpandedGroups());
}

void CParamTreeView::OnReport() {
  const CObjectDefinition* object = m_document.Object();
  if (object == nullptr) return;
  const std::vector<bool> expanded = ExpandedGroups();
  WriteReportCommand(m_profile, this,
                     [&](CReportSink& sink) { WriteParamReport(object->m_paramTree, expanded, sink); });
}

}  // namespace tkq::gui
