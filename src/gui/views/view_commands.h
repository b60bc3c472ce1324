#pragma once
// What a document window offers to the commands of the main window.

#include <QString>
#include <memory>

#include "core/output/print_layout.h"
#include "render/page_painter.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CViewCommands {
 public:
  virtual ~CViewCommands() = default;
  // The help topic of the window (F1).
  virtual QString HelpTopic() const = 0;
  // "Формирование отчета": whether the window writes a report, and the
  // command itself.
  virtual bool HandlesReport() const { return false; }
  virtual void OnReport() {}
  // "Печать..." and "Предварительный просмотр": whether the window prints,
  // and its lines as they print (null when there is nothing to print).
  virtual bool HandlesPrint() const { return false; }
  virtual std::unique_ptr<CPrintLines> PrintLines() const { return nullptr; }
  // A window that draws its printed pages itself (the chart) instead of
  // giving lines: its pages laid out for `printer` as it is set up now.
  virtual std::unique_ptr<render::CPaintedPages> PaintedPages(QPrinter& /*printer*/) const { return nullptr; }
};

// A table of the document that writes a report and prints: the measurement
// archive, the abnormal situations and the parameters.
class CDocumentTableCommands : public CViewCommands {
 public:
  CDocumentTableCommands(CArchiveDocument& document, CProfile& profile) : m_document(document), m_profile(profile) {}
  bool HandlesReport() const override { return true; }
  bool HandlesPrint() const override { return true; }

 protected:
  CArchiveDocument& m_document;
  CProfile& m_profile;
};

}  // namespace tkq::gui
