#pragma once
// "Журнал обследований": every survey of the journal in one table, newest
// read first, found as the user types (instrument, object, description) and
// by a date range; opened as "Открыть" opens a file, shown in its folder,
// added from existing files, removed into the journal's folder of removed
// surveys and copied out. The journal's settings (its folder, whether each
// read is kept) are set here too. A window of its own beside the main one:
// it stays open while archives are opened from it.

#include <QAbstractTableModel>
#include <QIcon>
#include <QWidget>
#include <filesystem>
#include <vector>

#include "core/journal/survey_journal.h"

class QCheckBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tkq::gui {

class CTRV_KQ_VRApp;

inline const QString kJournalTitle = QStringLiteral("Журнал обследований");

// The surveys the window holds, the rows it shows: those passing the
// filter, in the order of the column sorted by.
class CSurveyTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class EColumn : int { kReadTime, kInstrument, kObject, kDescription, kPeriod, kRecords, kAbnormals };
  static constexpr int kColumnCount = static_cast<int>(EColumn::kAbnormals) + 1;
  // The model's index of a column.
  static constexpr int Column(EColumn column) { return static_cast<int>(column); }

  explicit CSurveyTableModel(QObject* parent = nullptr);

  // The journal's surveys as listed (newest read first); the filter and
  // the order stay.
  void SetSurveys(std::vector<CSurveyEntry> surveys);
  void SetFilter(const CSurveyFilter& filter);
  // The survey of a row shown.
  const CSurveyEntry& Survey(int row) const { return m_surveys[m_shown[row]]; }
  int Total() const { return static_cast<int>(m_surveys.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  // m_order by the sort column (ties in the list's order), then m_shown.
  void Order();
  void Refilter();

  std::vector<CSurveyEntry> m_surveys;
  std::vector<int> m_order;  // every survey, sorted
  std::vector<int> m_shown;  // those of m_order the filter keeps
  CSurveyFilter m_filter;
  int m_sortColumn = Column(EColumn::kReadTime);
  Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
  QIcon m_damagedIcon;
};

class CJournalWindow : public QWidget {
  Q_OBJECT
 public:
  // A window of `parent` (the main window) over the journal of `app`.
  CJournalWindow(CTRV_KQ_VRApp& app, QWidget* parent);
  ~CJournalWindow() override;

  // Lists the journal's surveys anew; the search and the dates stay.
  void Refresh();
  // The surveys of the selected rows, in the table's order; the current
  // row's alone when none is selected.
  std::vector<CSurveyEntry> ChosenSurveys() const;

  // The buttons' commands.
  void OpenChosen();          // «Открыть», a double click, Enter
  void ProtocolOfChosen();    // «Протокол...»: opened, then its protocol
  void ShowChosenInFolder();  // «Показать в папке»
  void AddFiles();            // «Добавить файлы...»
  void AddFolder();           // «Добавить папку...»
  void RemoveChosen();        // «Удалить»
  void CopyChosen();          // «Копировать в папку...»
  void ChooseJournalFolder(); // «Папка журнала...»

  // The parts of the window (tests).
  QLineEdit* SearchField() const { return m_search; }
  QCheckBox* FromCheck() const { return m_fromOn; }
  QDateEdit* FromDate() const { return m_from; }
  QCheckBox* ToCheck() const { return m_toOn; }
  QDateEdit* ToDate() const { return m_to; }
  QTableView* Table() const { return m_table; }
  CSurveyTableModel* Model() const { return m_model; }
  QLabel* CountLine() const { return m_count; }
  QLabel* FolderLine() const { return m_folder; }
  QCheckBox* KeepCheck() const { return m_keep; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // The window's parts: the search field and the period, the table of
  // surveys, the journal's settings (keeping reads, its folder), and the
  // help keys the main window's do not reach.
  QHBoxLayout* BuildFilter();
  void BuildTable();
  QHBoxLayout* BuildSettingsRow();
  void AddHelpKeys();
  // The filter of the search field and the dates, applied to the rows.
  void ApplyFilter();
  void ShowCount();
  void Add(const std::vector<std::filesystem::path>& paths);
  // Copies one survey's file into `folder`; false when the user stopped
  // the copying.
  bool CopyOut(const CSurveyEntry& survey, const QString& folder, int& copied, QStringList& failed);
  QString PathOf(const CSurveyEntry& survey) const;

  CTRV_KQ_VRApp& m_app;
  QLineEdit* m_search;
  QCheckBox* m_fromOn;
  QDateEdit* m_from;
  QCheckBox* m_toOn;
  QDateEdit* m_to;
  QTableView* m_table;
  CSurveyTableModel* m_model;
  QLabel* m_count;
  QLabel* m_folder;
  QCheckBox* m_keep;
  std::vector<QPushButton*> m_surveyButtons;  // those that need a survey chosen
};

}  // namespace tkq::gui
