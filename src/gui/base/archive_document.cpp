#include "gui/base/archive_document.h"

#include <QFileInfo>

#include "core/output/text_forms.h"

namespace tkq::gui {

CArchiveDocument::CArchiveDocument(QObject* parent) : QObject(parent) {}

CArchiveDocument::~CArchiveDocument() = default;

void CArchiveDocument::SetObject(std::unique_ptr<CObjectDefinition> object) {
  m_pCurrentObject = std::move(object);
  m_unsavedRead = false;
  emit ObjectReplaced();
}

void CArchiveDocument::SetOutputTypes(uint8_t outputType1, uint8_t unit1, uint8_t outputType2, uint8_t unit2,
                                      uint8_t result) {
  if (m_pCurrentObject) m_pCurrentObject->SetOutputTypes(outputType1, unit1, outputType2, unit2, result);
}

void CArchiveDocument::SetDescription(const std::string& text) {
  if (m_pCurrentObject) m_pCurrentObject->m_strDescription = text;
}

QString CArchiveDocument::FileStem() const {
  if (!m_pCurrentObject) return {};
  if (!m_strArchivePath.isEmpty()) {
    // "archive.v2.sav" gives "archive.v2"; ".sav" stays whole.
    const QFileInfo file(m_strArchivePath);
    const QString base = file.completeBaseName();
    return base.isEmpty() ? file.fileName() : base;
  }
  return QString::fromStdString(ArchiveFileStem(m_pCurrentObject->GetObjectNumber(), m_pCurrentObject->m_tRead));
}

}  // namespace tkq::gui
