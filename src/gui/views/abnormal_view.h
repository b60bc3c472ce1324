#pragma once
// "Архив нештатных ситуаций": the abnormal situations as a table of four
// columns, whatever the view settings are.

#include <QAbstractTableModel>
#include <QTableView>

#include "gui/views/view_commands.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CAbnormalTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit CAbnormalTableModel(const CArchiveDocument& document, QObject* parent = nullptr);
  void Rebuild();
  static int Width(int column);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const CArchiveDocument& m_document;
  int m_nRows = 0;
};

class CErrorListView : public QTableView, public CDocumentTableCommands {
  Q_OBJECT
 public:
  CErrorListView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);
  void FillList();

  QString HelpTopic() const override;
  void OnReport() override;
  std::unique_ptr<CPrintLines> PrintLines() const override;

 private:
  CAbnormalTableModel* m_model;
};

}  // namespace tkq::gui
