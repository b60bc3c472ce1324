#pragma once
// "Параметры": the instrument's settings for the object, groups at the top
// level (collapsed at first), under each its caption-and-value lines.

#include <QTreeWidget>
#include <vector>

#include "gui/views/view_commands.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CParamTreeView : public QTreeWidget, public CDocumentTableCommands {
  Q_OBJECT
 public:
  CParamTreeView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);

  // Lines that printing and the report produce: each expanded group and
  // its lines.
  int CountShownLines() const;
  // Whether each top-level item is expanded, in order.
  std::vector<bool> ExpandedGroups() const;

  QString HelpTopic() const override;
  void OnReport() override;
  std::unique_ptr<CPrintLines> PrintLines() const override;

 private:
  void CopyTree();
};

}  // namespace tkq::gui
