#pragma once
// The archive document: the current measurement object with the file it
// came from and the column switches of its tables. Every window of an
// archive shows this document and changes it only through it; the
// application owns it and replaces its object after a read or an open.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "core/archive/object_definition.h"
#include "core/output/report.h"

namespace tkq::gui {

class CArchiveDocument : public QObject {
  Q_OBJECT
 public:
  explicit CArchiveDocument(QObject* parent = nullptr);
  ~CArchiveDocument() override;

  // The current object, or null.
  const CObjectDefinition* Object() const { return m_pCurrentObject.get(); }
  // Makes `object` current (null: none); the previous one goes. Tells
  // ObjectReplaced.
  void SetObject(std::unique_ptr<CObjectDefinition> object);

  // What the two value columns show, stored in the object (when there is
  // one); and the columns shown. Neither tells anyone: the settings form
  // says when its change is complete (ViewSettingsChanged).
  void SetOutputTypes(uint8_t outputType1, uint8_t unit1, uint8_t outputType2, uint8_t unit2, uint8_t result);
  void SetColumns(const CColumnSwitches& columns) { m_columns = columns; }
  const CColumnSwitches& Columns() const { return m_columns; }
  // The view settings changed: the tables and the chart rebuild.
  void ViewSettingsComplete() { emit ViewSettingsChanged(); }
  // The user's description of the object.
  void SetDescription(const std::string& text);

  // Whether the current object was read from the instrument and has not
  // been saved since: then it exists nowhere else (the instrument may be
  // left on site), and closing it asks first. A new object (read or
  // opened) starts as saved; the read marks its own.
  bool IsUnsavedRead() const { return m_unsavedRead; }
  void SetUnsavedRead(bool unsaved) { m_unsavedRead = unsaved; }

  // Linking the windows: the current row of the measurement archive table
  // (-1: none) and of the abnormal table; a row the table is to show.
  void SelectArchiveRow(int row) { emit ArchiveRowSelected(row); }
  void SelectAbnormal(int index) { emit AbnormalSelected(index); }
  void ShowArchiveRow(int row) { emit ArchiveRowShown(row); }

  // The file last opened or saved; empty after a read, so that the first
  // save asks for a name.
  const QString& ArchivePath() const { return m_strArchivePath; }
  void SetArchivePath(const QString& path) { m_strArchivePath = path; }
  // The name its files are proposed under, without an extension: the
  // saved file's, else one made of the object's number and the date of
  // the read; empty without an object.
  QString FileStem() const;

 signals:
  // A new current object (or none); its windows are about to open.
  void ObjectReplaced();
  void ViewSettingsChanged();
  void ArchiveRowSelected(int row);
  void AbnormalSelected(int index);
  void ArchiveRowShown(int row);

 private:
  std::unique_ptr<CObjectDefinition> m_pCurrentObject;
  QString m_strArchivePath;
  CColumnSwitches m_columns;
  bool m_unsavedRead = false;
};

}  // namespace tkq::gui
