#pragma once
// The preview of a printable window: its pages as the program's printer
// prints them, one or two at a time, with the tool bar "&Печать...",
// "Следующая", "Предыдущая", "&Одна страница" / "Две страницы", "Крупнее",
// "Мельче", "Закрыть" and the page indicator. Only the pages on the screen
// are drawn, so a preview of twenty thousand pages opens at once.

#include <QAbstractScrollArea>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "gui/output/print_command.h"
#include "render/page_painter.h"

class QLabel;
class QPrinter;
class QPushButton;

namespace tkq::gui {

class CPreviewWindow;

// The pages on a grey desk.
class CPreviewArea : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit CPreviewArea(CPreviewWindow& window);
  // Screen pixels per device pixel at the current zoom.
  double Scale() const;
  void UpdateScrollBars();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  CPreviewWindow& m_window;
};

class CPreviewWindow : public QWidget {
  Q_OBJECT
 public:
  // Previews `lines` of `view` on the context's printer; without lines,
  // the pages `view` draws itself (CViewCommands::PaintedPages). The
  // window deletes itself when closed.
  CPreviewWindow(const CPrintContext& context, QWidget* view, std::unique_ptr<CPrintLines> lines,
                 QWidget* parent = nullptr);
  // Previews the pages `factory` makes on the context's printer, a
  // document titled `title` that belongs to no window (the protocol). The
  // printer's page set-up is given back as it was once the pages are made,
  // and «Печать...» prints them as the chart's pages print.
  CPreviewWindow(const CPrintContext& context, CPagesFactory factory, const QString& title, QWidget* parent = nullptr);
  ~CPreviewWindow() override;

  bool IsValid() const { return m_painted ? m_painted->IsValid() : m_layout && m_layout->IsValid(); }
  int PageCount() const { return m_painted ? m_painted->PageCount() : m_layout ? m_layout->PageCount() : 0; }
  // The first page shown (from 1).
  int CurrentPage() const { return m_page; }
  // The pages shown side by side: 1 or 2 (2 only unzoomed and with a page
  // to show beside the current one).
  int ShownPages() const;
  bool TwoPageMode() const { return m_twoPages; }
  int ZoomLevel() const { return m_zoom; }  // 0 (whole pages) to 2
  QString IndicatorText() const;
  // Pages laid out and drawn since the window opened (tests).
  int PagesBuilt() const { return m_pagesBuilt; }

  void ShowPage(int page);
  void NextPage();
  void PreviousPage();
  void TogglePages();
  void ZoomIn();
  void ZoomOut();
  void Print();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  friend class CPreviewArea;
  const CPrintPage& Page(int page);
  // The buttons, the desk and the page indicator.
  void BuildWindow(QWidget* parent);
  void UpdateControls();

  CPrintContext m_context;
  QPointer<QWidget> m_view;
  std::unique_ptr<CPrintLines> m_lines;
  std::unique_ptr<render::CPrintFont> m_font;
  std::unique_ptr<CPageLayout> m_layout;
  // The pages of a window that draws them itself, instead of m_layout.
  std::unique_ptr<render::CPaintedPages> m_painted;
  // What makes m_painted for a document of no window, and its title.
  CPagesFactory m_factory;
  QString m_title;
  QRectF m_paper;       // the sheet in device pixels
  QPointF m_printable;  // where the printable area starts on it
  int m_page = 1;
  bool m_twoPages = false;
  int m_zoom = 0;
  std::map<int, CPrintPage> m_built;  // the pages last drawn
  int m_pagesBuilt = 0;

  QPushButton* m_print = nullptr;
  QPushButton* m_next = nullptr;
  QPushButton* m_previous = nullptr;
  QPushButton* m_pages = nullptr;
  QPushButton* m_zoomIn = nullptr;
  QPushButton* m_zoomOut = nullptr;
  QPushButton* m_close = nullptr;
  QLabel* m_indicator = nullptr;
  CPreviewArea* m_area = nullptr;
};

// "Предварительный просмотр" of `view`.
void PreviewCommand(const CPrintContext& context, QWidget* view);
// The preview of pages that belong to no window (CPagesFactory), titled
// `document`; false (said) when there is nothing to show.
bool PreviewPagesCommand(const CPrintContext& context, const CPagesFactory& factory, const QString& document);

}  // namespace tkq::gui
